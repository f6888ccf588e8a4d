// FenraMovie: one QuickTime movie, opened from a file, a URL, a data
// reference, a host movie or a movie player, or made empty.
#pragma once

#include "Files.h"
#include "Movies.h"
#include "movie/container.h"

namespace fenra {

// Selection edits, as qtEdit numbers them.
enum EditCode : int32_t { kEditCopy = 0, kEditClear = 1, kEditCut = 2, kEditPaste = 3 };

// Not final: the player's native extends it.
class MovieNative : public ContainerNative {
 public:
  MovieNative() = default;
  MovieNative(const MovieNative&) = delete;
  MovieNative& operator=(const MovieNative&) = delete;
  // Disposes of the movie when it owns it, closes the movie file, frees
  // the file spec. Virtual: FenraMovie's destructor deletes the player's
  // native through this type too.
  virtual ~MovieNative();

  bool IsValid() const override { return movie != nullptr; }
  intptr_t GetRef() const override { return reinterpret_cast<intptr_t>(movie); }
  uint32_t GetCreationTime() const override;
  uint32_t GetModificationTime() const override;
  bool HasVideo() override;
  bool HasSound() override;
  int32_t GetTimeValue(int32_t selector) override;
  int16_t GetVolume() override;
  void SetVolume(int16_t volume) override;
  void GetDataSize(const TimeRangeNative* range, wide* size) override;
  void LoadIntoRam(const TimeRangeNative* range, long flags) override;
  void SetDisplayProperties(GraphicsContextNative* context) override;
  NativeObject* NewUserData() override;

  // Seeks by kSeek_* code; `mediaType` (or none) limits the steps to the
  // media of that type.
  void Seek(int32_t code, const OSType* mediaType);
  // Tells the remembered controller, if any, that the movie changed.
  void NotifyController();
  // A selection edit through the scrap (kEdit* code; other codes change
  // nothing) over the range, or the whole movie for none; err = the
  // result. A range given receives the movie's selection afterwards.
  void EditSelection(TimeRangeNative* range, int32_t editCode);
  // Inserts the source's range (none or not valid: all of it) at the end
  // of this movie (append) or at its current time; a source that is
  // another movie lends it this movie's matrix for the insertion. err =
  // the result.
  void InsertMovie(MovieNative& source, const TimeRangeNative* range, bool append);

  FSSpec* fileSpec = nullptr;  // owned copy; set for movies of a file
  short fileRef = 0;           // open movie file, 0: none
  short resId = 0;             // the movie resource the movie came from
  bool inMemory = false;       // new media data goes into handles
  bool ownsMovie = false;
  MovieController controller = nullptr;  // borrowed
  Movie movie = nullptr;
};

// What the constructors with an argument do once the instance has its
// native: open the movie of a file (creating it with `create`), wrap a
// host movie or a private copy of it, open the movie a data reference
// names. Failures are left in native->err.
void OpenMovieFile(MovieNative* native, REALfolderItem file, bool create);
void OpenHostMovie(MovieNative* native, REALmovie hostMovie, bool copy);
void OpenDataRefMovie(MovieNative* native, REALobject dataRef);

// One of a movie's times by kTime_* selector (duration, time scale,
// current time, poster time); 0 for another selector or no movie.
int32_t MovieTimeValue(Movie movie, int32_t selector);

// The MovieNative of a FenraMovie instance, or null.
MovieNative* MovieNativeOf(REALobject instance);
// Gives a FenraMovie instance a native that wraps `movie` without owning
// it; a null movie attaches nothing.
void WrapMovie(REALobject instance, Movie movie);
// An independent copy of the movie (through a handle), or null.
Movie CopyMovie(Movie movie);

}  // namespace fenra
