// Movie controllers' editing switch and actions: the selection actions,
// which read and change the controller's movie's selection.
#include "base/api_call.h"
#include "movies/movie_calls.h"
#include "movies/movie_controller.h"

namespace qtml {
namespace {

// A selection time given in another time scale, in the movie's.
TimeValue InMovieScale(const TimeRecord& record, const MovieRecord& movie) {
  if (record.scale <= 0 || record.scale == movie.timeScale) {
    return static_cast<TimeValue>(record.value);
  }
  return static_cast<TimeValue>(record.value * movie.timeScale / record.scale);
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
      break;
    case mcActionSetSelectionBegin:
      movie->selectionTime = InMovieScale(*record, *movie);
      break;
    case mcActionSetSelectionDuration:
      movie->selectionDuration = InMovieScale(*record, *movie);
      break;
  }
  return 1;  // handled
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::ControllerFor;
using qtml::MovieControllerImplementation;

extern "C" {

QTML_API ComponentResult MCEnableEditing(MovieController mc, Boolean enabled) try {
  ApiCall call("MCEnableEditing", mc, enabled);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCEnableEditingSelect, &result);
  if (controller == nullptr) return call.Return(result);
  controller->editingEnabled = enabled != 0;
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API long MCIsEditingEnabled(MovieController mc) try {
  ApiCall call("MCIsEditingEnabled", mc);
  if (call.Fault() != noErr) return call.Return<long>(0);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCIsEditingEnabledSelect, &result);
  if (controller == nullptr) return call.Return<long>(0);
  return call.Return<long>(controller->editingEnabled ? 1 : 0);
} catch (...) {
  return qtml::Escaped<long>();
}

QTML_API ComponentResult MCDoAction(MovieController mc, short action, void* params) try {
  ApiCall call("MCDoAction", mc, action, params);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCDoActionSelect, &result);
  if (controller == nullptr) return call.Return(result);
  switch (action) {
    case mcActionGetSelectionBegin:
    case mcActionGetSelectionDuration:
    case mcActionSetSelectionBegin:
    case mcActionSetSelectionDuration:
      return call.Return(qtml::SelectionAction(*controller, action, params));
  }
  return call.Return<ComponentResult>(0);  // not an action this controller takes
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

}  // extern "C"
