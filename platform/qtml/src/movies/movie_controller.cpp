// Movie controllers: NewMovieController opens the standard controller
// component over a movie; the MC calls find its implementation.
#include "movies/movie_controller.h"

#include <new>

#include "base/api_call.h"
#include "components/component_selectors.h"
#include "movies/movie_model.h"

namespace qtml {
namespace {

// The MC calls the standard controller takes.
constexpr SInt16 kMovieControllerSelectors[] = {
    kMCGetIndMovieSelect,   kMCDoActionSelect,         kMCMovieChangedSelect,
    kMCEnableEditingSelect, kMCIsEditingEnabledSelect,
};

}  // namespace

ComponentImplementation* NewMovieControllerImplementation() {
  return new (std::nothrow) MovieControllerImplementation;
}

bool MovieControllerImplementation::Implements(SInt16 selector) const {
  return InSelectorTable(kMovieControllerSelectors, selector);
}

MovieControllerImplementation* ControllerFor(MovieController mc, SInt16 selector,
                                             ComponentResult* result) {
  auto* controller =
      dynamic_cast<MovieControllerImplementation*>(EnterSelector(mc, selector, result));
  if (controller == nullptr && *result == noErr) *result = badComponentSelector;
  return controller;
}

namespace {

MovieControllerImplementation* ControllerOf(MovieController mc) {
  return dynamic_cast<MovieControllerImplementation*>(ImplementationOf(mc));
}

}  // namespace
}  // namespace qtml

extern "C" {

QTML_API MovieController NewMovieController(Movie theMovie, const Rect* movieRect,
                                            long someFlags) try {
  qtml::ApiCall call("NewMovieController", theMovie, someFlags);
  if (call.Fault() != noErr || qtml::MovieOf(theMovie) == nullptr) {
    return call.Return<MovieController>(nullptr);
  }
  MovieController mc = OpenDefaultComponent(kMovieControllerComponentType, 0);
  qtml::MovieControllerImplementation* controller = qtml::ControllerOf(mc);
  if (controller == nullptr) {
    if (mc != nullptr) CloseComponent(mc);
    return call.Return<MovieController>(nullptr);
  }
  controller->movie = theMovie;
  if (movieRect != nullptr) controller->bounds = *movieRect;
  return call.Return(mc);
} catch (...) {
  return qtml::Escaped<MovieController>();
}

QTML_API void DisposeMovieController(MovieController mc) try {
  qtml::ApiCall call("DisposeMovieController", mc);
  if (qtml::ControllerOf(mc) != nullptr) CloseComponent(mc);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API Movie MCGetIndMovie(MovieController mc, short index) try {
  qtml::ApiCall call("MCGetIndMovie", mc, index);
  ComponentResult result = noErr;
  qtml::MovieControllerImplementation* controller =
      qtml::ControllerFor(mc, kMCGetIndMovieSelect, &result);
  if (controller == nullptr || index != 0) return call.Return<Movie>(nullptr);
  return call.Return(controller->movie);
} catch (...) {
  return qtml::Escaped<Movie>();
}

QTML_API ComponentResult MCMovieChanged(MovieController mc, Movie m) try {
  qtml::ApiCall call("MCMovieChanged", mc, m);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  qtml::MovieControllerImplementation* controller =
      qtml::ControllerFor(mc, kMCMovieChangedSelect, &result);
  if (controller == nullptr) return call.Return(result);
  if (m != controller->movie) return call.Return<ComponentResult>(paramErr);
  ++controller->changes;
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

}  // extern "C"
