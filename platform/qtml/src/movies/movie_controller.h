// The standard movie controller component: the object behind a
// MovieController instance, its bar's layout, and what its edits keep for
// undoing.
#pragma once

#include <memory>
#include <vector>

#include "Movies.h"
#include "components/component_registry.h"
#include "movies/movie_model.h"
#include "quickdraw/port.h"

namespace qtml {

// What a movie's tracks were before an edit made through the controller:
// the tracks in their order, each with its edit list, the tracks the edit
// was to take out kept aside, and the selection. Undoing swaps it with the
// movie's present state, which then undoes the undo.
struct MovieEditSnapshot {
  struct TrackEdits {
    TrackRecord* track;  // compared with the movie's tracks before any use
    long id;
    std::vector<EditEntry> edits;
  };
  std::vector<TrackEdits> tracks;
  std::vector<std::unique_ptr<TrackRecord>> setAside;  // not in the movie now, owned
  TimeValue selectionTime = 0;
  TimeValue selectionDuration = 0;
};

// The movie's present state. May throw std::bad_alloc.
std::unique_ptr<MovieEditSnapshot> SnapshotOf(MovieRecord& movie);
// Gives the movie the snapshot's state and answers, in *undone, the state
// it had (for the next swap). invalidTrack, the movie unchanged, when a
// track of the snapshot is neither in the movie nor set aside; memFullErr,
// the movie unchanged, when memory is short.
OSErr SwapSnapshot(MovieRecord& movie, MovieEditSnapshot& snapshot,
                   std::unique_ptr<MovieEditSnapshot>* undone) noexcept;

class MovieControllerImplementation : public ComponentImplementation {
 public:
  bool Implements(SInt16 selector) const override;

  // The bar's rectangle: under the movie's box while attached.
  Rect BarRect() const;

  Movie movie = nullptr;  // not owned
  bool attached = true;
  Rect detachedBar{0, 0, 0, 0};  // where the bar is while detached
  bool visible = true;
  bool editingEnabled = false;
  bool playSelection = false;
  bool confining = false;  // the movie's active segment is the controller's selection
  bool playEveryFrame = false;
  bool dragEnabled = false;
  bool palindrome = false;                  // loops go back and forth
  CGrafPtr window = nullptr;                // where MCDraw drew last, not owned
  long changes = 0;                         // MCMovieChanged notices taken
  std::unique_ptr<MovieEditSnapshot> undo;  // before the last edit; nullptr: none
};

ComponentImplementation* NewMovieControllerImplementation();

// The controller behind an instance that takes the call of that selector,
// or nullptr with *result badComponentInstance or badComponentSelector.
MovieControllerImplementation* ControllerFor(MovieController mc, SInt16 selector,
                                             ComponentResult* result);

// The bar's height, and its pieces for a bar rectangle (Movies.h, MCDraw).
constexpr short kBarHeight = 16;
struct BarLayout {
  Rect bar;
  Rect button;
  Rect slider;  // empty when the bar is too narrow for one
};
BarLayout LayoutOf(const Rect& bar);
// The slider's column of a time, and the time of a column (clamped to the
// slider), for a movie of that duration.
int SliderColumn(const BarLayout& layout, TimeValue time, TimeValue duration);
TimeValue SliderTime(const BarLayout& layout, int column, TimeValue duration);

// What the bar shows.
struct BarState {
  bool playing;
  TimeValue time;
  TimeValue duration;
  TimeValue selectionTime;
  TimeValue selectionDuration;
};
// Draws the bar into the port, inside its port rectangle and clip. May
// throw std::bad_alloc.
void DrawBar(Port& port, const BarLayout& layout, const BarState& state);

// The rate the play button plays at: the movie's preferred rate (1 when
// that is 0).
Fixed PreferredRate(Movie movie);
// Plays the controller's movie at the rate (0 stops it); a forward rate
// at the end of what plays starts again from its beginning, a backward
// rate at its beginning from its end.
void PlayAt(MovieControllerImplementation& controller, Fixed rate);

// Stops the movie and steps n video frames from its time (backwards for a
// negative n), as far as there are frames.
void StepFrames(MovieControllerImplementation& controller, long n);

// Makes the movie's active segment follow its selection while the
// controller plays the selection only.
void FollowSelection(MovieControllerImplementation& controller);

}  // namespace qtml
