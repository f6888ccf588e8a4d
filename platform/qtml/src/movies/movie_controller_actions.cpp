// Movie controllers' actions (MCDoAction): playing, going to a time,
// stepping, looping, the selection, playing the selection only, playing
// every frame and dragging.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "base/api_call.h"
#include "movies/movie_calls.h"
#include "movies/movie_controller.h"
#include "movies/movie_edit_list.h"

namespace qtml {
namespace {

constexpr ComponentResult kHandled = 1;
constexpr ComponentResult kNotTaken = 0;
constexpr Fixed kForward = 0x00010000;

// The value an action passes in place of a pointer: a Boolean, a long or
// a Fixed.
long ValueOf(void* params) {
  return static_cast<long>(reinterpret_cast<intptr_t>(params));
}

// The actions taken: any other answers kNotTaken.
constexpr short kActions[] = {
    mcActionPlay,
    mcActionGoToTime,
    mcActionStep,
    mcActionSetLooping,
    mcActionGetLooping,
    mcActionSetLoopIsPalindrome,
    mcActionGetLoopIsPalindrome,
    mcActionSetSelectionBegin,
    mcActionSetSelectionDuration,
    mcActionSetPlaySelection,
    mcActionGetPlaySelection,
    mcActionSetPlayEveryFrame,
    mcActionGetPlayEveryFrame,
    mcActionGetDragEnabled,
    mcActionSetDragEnabled,
    mcActionGetSelectionBegin,
    mcActionGetSelectionDuration,
};

// A selection time given in another time scale, in the movie's, held to
// the range of a movie time.
TimeValue InMovieScale(const TimeRecord& record, const MovieRecord& movie) {
  if (record.scale <= 0 || record.scale == movie.timeScale) return Clamp(record.value);
  return Clamp(
      static_cast<SInt64>(static_cast<double>(record.value) * movie.timeScale / record.scale));
}

ComponentResult SelectionAction(MovieControllerImplementation& controller, short action,
                                void* params) {
  MovieRecord* movie = MovieOf(controller.movie);
  if (movie == nullptr) return invalidMovie;
  auto* record = static_cast<TimeRecord*>(params);
  if (record == nullptr) return paramErr;
  switch (action) {
    case mcActionGetSelectionBegin:
    case mcActionGetSelectionDuration:
      record->value =
          action == mcActionGetSelectionBegin ? movie->selectionTime : movie->selectionDuration;
      record->scale = movie->timeScale;
      record->base = ReferenceTo(&movie->timeBase);
      return kHandled;
    case mcActionSetSelectionBegin:
      movie->selectionTime = InMovieScale(*record, *movie);
      break;
    case mcActionSetSelectionDuration:
      movie->selectionDuration = InMovieScale(*record, *movie);
      break;
  }
  FollowSelection(controller);
  return kHandled;
}

// Loops as the controller's switches say, in the movie's time base flags.
void ApplyLooping(MovieRecord& movie, bool looping, bool palindrome) {
  long loops = looping ? (palindrome ? palindromeLoopTimeBase : loopTimeBase) : 0;
  movie.timeBaseFlags =
      (movie.timeBaseFlags & ~long{loopTimeBase | palindromeLoopTimeBase}) | loops;
}

bool Looping(const MovieRecord& movie) {
  return (movie.timeBaseFlags & (loopTimeBase | palindromeLoopTimeBase)) != 0;
}

// Answers a switch into the Boolean params points to.
ComponentResult Answer(void* params, bool value) {
  if (params == nullptr) return paramErr;
  *static_cast<Boolean*>(params) = value;
  return noErr;
}

ComponentResult Act(MovieControllerImplementation& controller, short action, void* params) {
  if (std::find(std::begin(kActions), std::end(kActions), action) == std::end(kActions)) {
    return kNotTaken;
  }
  MovieRecord* movie = MovieOf(controller.movie);
  if (movie == nullptr) return invalidMovie;
  bool on = params != nullptr;  // a Boolean passed in place of the pointer
  switch (action) {
    case mcActionPlay:
      PlayAt(controller, static_cast<Fixed>(ValueOf(params)));
      return kHandled;
    case mcActionGoToTime:
      if (params == nullptr) return paramErr;
      SetMovieTime(controller.movie, static_cast<const TimeRecord*>(params));
      return kHandled;
    case mcActionStep:
      StepFrames(controller, ValueOf(params));
      return kHandled;
    case mcActionSetLooping:
      ApplyLooping(*movie, on, controller.palindrome);
      return kHandled;
    case mcActionGetLooping:
      return Answer(params, Looping(*movie));
    case mcActionSetLoopIsPalindrome:
      controller.palindrome = on;
      ApplyLooping(*movie, Looping(*movie), on);
      return kHandled;
    case mcActionGetLoopIsPalindrome:
      return Answer(params, controller.palindrome);
    case mcActionSetSelectionBegin:
    case mcActionSetSelectionDuration:
    case mcActionGetSelectionBegin:
    case mcActionGetSelectionDuration:
      return SelectionAction(controller, action, params);
    case mcActionSetPlaySelection:
      controller.playSelection = on;
      FollowSelection(controller);
      return kHandled;
    case mcActionGetPlaySelection:
      return Answer(params, controller.playSelection);
    case mcActionSetPlayEveryFrame:
      controller.playEveryFrame = on;
      SetMoviePlayHints(controller.movie, on ? hintsPlayingEveryFrame : 0, hintsPlayingEveryFrame);
      return kHandled;
    case mcActionGetPlayEveryFrame:
      return Answer(params, controller.playEveryFrame);
    case mcActionSetDragEnabled:
      controller.dragEnabled = on;
      return kHandled;
    case mcActionGetDragEnabled:
      return Answer(params, controller.dragEnabled);
  }
  return kNotTaken;
}

}  // namespace

// Stops the movie and steps n video frames from its time, as far as there
// are frames.
void StepFrames(MovieControllerImplementation& controller, long n) {
  Movie movie = controller.movie;
  SetMovieRate(movie, 0);
  OSType video = VideoMediaType;
  TimeValue t = GetMovieTime(movie, nullptr);
  for (long i = std::labs(n); i > 0; --i) {
    TimeValue next = -1;
    GetMovieNextInterestingTime(movie, nextTimeMediaSample, 1, &video, t,
                                n > 0 ? kForward : -kForward, &next, nullptr);
    if (next < 0) break;
    t = next;
  }
  SetMovieTimeValue(movie, t);
}

void FollowSelection(MovieControllerImplementation& controller) {
  MovieRecord* movie = MovieOf(controller.movie);
  if (movie == nullptr) return;
  if (controller.playSelection && movie->selectionDuration > 0) {
    SetMovieActiveSegment(controller.movie, movie->selectionTime, movie->selectionDuration);
    controller.confining = true;
  } else if (controller.confining) {
    SetMovieActiveSegment(controller.movie, -1, 0);
    controller.confining = false;
  }
}

}  // namespace qtml

extern "C" QTML_API ComponentResult MCDoAction(MovieController mc, short action, void* params) try {
  qtml::ApiCall call("MCDoAction", mc, action, params);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  qtml::MovieControllerImplementation* controller =
      qtml::ControllerFor(mc, kMCDoActionSelect, &result);
  if (controller == nullptr) return call.Return(result);
  return call.Return(qtml::Act(*controller, action, params));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}
