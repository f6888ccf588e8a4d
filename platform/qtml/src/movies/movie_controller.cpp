// Movie controllers: NewMovieController opens the standard controller
// component over a movie; the MC calls find its implementation. This file
// holds where the movie and the bar go, drawing and the mouse; the edits
// and actions are in the files beside it. The controller is a client of
// the Movie Toolbox: what it does to its movie it does through the
// toolbox's calls.
#include "movies/movie_controller.h"

#include <new>

#include "base/api_call.h"
#include "components/component_selectors.h"
#include "movies/movie_calls.h"
#include "movies/movie_drawing.h"
#include "movies/movie_regions.h"
#include "quickdraw/pixels.h"
#include "quickdraw/port.h"

namespace qtml {
namespace {

// The MC calls the standard controller takes.
constexpr SInt16 kMovieControllerSelectors[] = {
    kMCGetIndMovieSelect,
    kMCDoActionSelect,
    kMCMovieChangedSelect,
    kMCEnableEditingSelect,
    kMCIsEditingEnabledSelect,
    kMCDrawSelect,
    kMCPositionControllerSelect,
    kMCSetControllerAttachedSelect,
    kMCIsControllerAttachedSelect,
    kMCSetVisibleSelect,
    kMCGetVisibleSelect,
    kMCGetControllerBoundsRectSelect,
    kMCGetCurrentTimeSelect,
    kMCClickSelect,
    kMCIsPlayerEventSelect,
    kMCGetControllerInfoSelect,
    kMCCopySelect,
    kMCCutSelect,
    kMCPasteSelect,
    kMCClearSelect,
    kMCUndoSelect,
};

constexpr UInt8 kSpaceKey = 0x31;
constexpr UInt8 kLeftArrowKey = 0x7B;
constexpr UInt8 kRightArrowKey = 0x7C;

MovieControllerImplementation* ControllerOf(MovieController mc) {
  return dynamic_cast<MovieControllerImplementation*>(ImplementationOf(mc));
}

bool Inside(Point where, const Rect& r) {
  return where.h >= r.left && where.h < r.right && where.v >= r.top && where.v < r.bottom;
}

// Where the movie goes in `area` (Movies.h, NewMovieController); an empty
// area leaves it where it is.
void PlaceMovie(Movie movie, const Rect& area, long flags) {
  MovieRecord* record = MovieOf(movie);
  if (record == nullptr || IsEmpty(area)) return;
  Rect box = MovieBox(*record);
  int width = box.right - box.left;
  int height = box.bottom - box.top;
  Rect target = area;
  if ((flags & mcScaleMovieToFit) == 0) {
    int left = area.left, top = area.top;
    if ((flags & mcTopLeftMovie) == 0) {
      left += (area.right - area.left - width) / 2;
      top += (area.bottom - area.top - height) / 2;
    }
    target = Rect{static_cast<short>(top), static_cast<short>(left),
                  static_cast<short>(top + height), static_cast<short>(left + width)};
  }
  if (target.top != box.top || target.left != box.left || target.bottom != box.bottom ||
      target.right != box.right) {
    SetMovieBox(movie, &target);
  }
}

// The movie's frame (when it has no port of its own, or draws into this
// one) and the bar, drawn into the port.
OSErr Draw(MovieControllerImplementation& controller, CGrafPtr window) {
  Port* port = PortFromGrafPtr(window);
  if (port == nullptr) return paramErr;
  MovieRecord* movie = MovieOf(controller.movie);
  if (movie == nullptr) return invalidMovie;
  TimeValue now = GetMovieTime(controller.movie, nullptr);
  Fixed rate = GetMovieRate(controller.movie);
  OSErr err = noErr;
  if (movie->port == nullptr || movie->port == window) {
    CGrafPtr savedPort = movie->port;
    GDHandle savedDevice = movie->device;
    movie->port = window;
    movie->device = nullptr;
    err = DrawMovieFrame(*movie);
    movie->port = savedPort;
    movie->device = savedDevice;
  }
  controller.window = window;
  if (controller.visible) {
    DrawBar(
        *port, LayoutOf(controller.BarRect()),
        BarState{rate != 0, now, movie->duration, movie->selectionTime, movie->selectionDuration});
  }
  return err;
}

// A click at `where` on the bar: play or stop on the button, a new time on
// the slider. False when it missed both.
bool Click(MovieControllerImplementation& controller, Point where) {
  if (!controller.visible) return false;
  BarLayout layout = LayoutOf(controller.BarRect());
  Rect sliderColumns{layout.bar.top, layout.slider.left, layout.bar.bottom, layout.slider.right};
  if (Inside(where, layout.button)) {
    Fixed rate = GetMovieRate(controller.movie);
    PlayAt(controller, rate != 0 ? 0 : PreferredRate(controller.movie));
    return true;
  }
  if (!IsEmpty(layout.slider) && Inside(where, sliderColumns)) {
    TimeValue duration = GetMovieDuration(controller.movie);
    SetMovieTimeValue(controller.movie, SliderTime(layout, where.h, duration));
    return true;
  }
  return false;
}

}  // namespace

ComponentImplementation* NewMovieControllerImplementation() {
  return new (std::nothrow) MovieControllerImplementation;
}

bool MovieControllerImplementation::Implements(SInt16 selector) const {
  return InSelectorTable(kMovieControllerSelectors, selector);
}

Rect MovieControllerImplementation::BarRect() const {
  if (!attached) return detachedBar;
  MovieRecord* record = MovieOf(movie);
  if (record == nullptr) return Rect{0, 0, 0, 0};
  Rect box = MovieBox(*record);
  return Rect{box.bottom, box.left, static_cast<short>(box.bottom + kBarHeight), box.right};
}

MovieControllerImplementation* ControllerFor(MovieController mc, SInt16 selector,
                                             ComponentResult* result) {
  return EnterAs<MovieControllerImplementation>(mc, selector, result);
}

Fixed PreferredRate(Movie movie) {
  Fixed rate = GetMoviePreferredRate(movie);
  return rate != 0 ? rate : Fixed{0x00010000};
}

void PlayAt(MovieControllerImplementation& controller, Fixed rate) {
  Movie movie = controller.movie;
  TimeValue start = -1, length = 0;
  GetMovieActiveSegment(movie, &start, &length);
  TimeValue first = start == -1 ? 0 : start;
  TimeValue last = start == -1 ? GetMovieDuration(movie) : start + length;
  TimeValue now = GetMovieTime(movie, nullptr);
  if (rate > 0 && now >= last) SetMovieTimeValue(movie, first);
  if (rate < 0 && now <= first) SetMovieTimeValue(movie, last);
  SetMovieRate(movie, rate);
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::ControllerFor;
using qtml::MovieControllerImplementation;

extern "C" {

QTML_API MovieController NewMovieController(Movie theMovie, const Rect* movieRect,
                                            long someFlags) try {
  ApiCall call("NewMovieController", theMovie, someFlags);
  if (call.Fault() != noErr || qtml::MovieOf(theMovie) == nullptr) {
    return call.Return<MovieController>(nullptr);
  }
  MovieController mc = OpenDefaultComponent(kMovieControllerComponentType, 0);
  MovieControllerImplementation* controller = qtml::ControllerOf(mc);
  if (controller == nullptr) {
    if (mc != nullptr) CloseComponent(mc);
    return call.Return<MovieController>(nullptr);
  }
  controller->movie = theMovie;
  controller->visible = (someFlags & mcNotVisible) == 0;
  if (movieRect != nullptr) qtml::PlaceMovie(theMovie, *movieRect, someFlags);
  return call.Return(mc);
} catch (...) {
  return qtml::Escaped<MovieController>();
}

QTML_API void DisposeMovieController(MovieController mc) try {
  ApiCall call("DisposeMovieController", mc);
  if (qtml::ControllerOf(mc) != nullptr) CloseComponent(mc);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API Movie MCGetIndMovie(MovieController mc, short index) try {
  ApiCall call("MCGetIndMovie", mc, index);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCGetIndMovieSelect, &result);
  if (controller == nullptr || index != 0) return call.Return<Movie>(nullptr);
  return call.Return(controller->movie);
} catch (...) {
  return qtml::Escaped<Movie>();
}

QTML_API ComponentResult MCMovieChanged(MovieController mc, Movie m) try {
  ApiCall call("MCMovieChanged", mc, m);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCMovieChangedSelect, &result);
  if (controller == nullptr) return call.Return(result);
  if (m != controller->movie) return call.Return<ComponentResult>(paramErr);
  ++controller->changes;
  qtml::FollowSelection(*controller);
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MCDraw(MovieController mc, WindowRef w) try {
  ApiCall call("MCDraw", mc, w);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCDrawSelect, &result);
  if (controller == nullptr) return call.Return(result);
  return call.Return<ComponentResult>(qtml::Draw(*controller, w));
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MCPositionController(MovieController mc, const Rect* movieRect,
                                              const Rect* controllerRect, long someFlags) try {
  ApiCall call("MCPositionController", mc, movieRect, controllerRect, someFlags);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller =
      ControllerFor(mc, kMCPositionControllerSelect, &result);
  if (controller == nullptr) return call.Return(result);
  if (qtml::MovieOf(controller->movie) == nullptr)
    return call.Return<ComponentResult>(invalidMovie);
  if (movieRect != nullptr) qtml::PlaceMovie(controller->movie, *movieRect, someFlags);
  if (!controller->attached && controllerRect != nullptr) controller->detachedBar = *controllerRect;
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MCSetControllerAttached(MovieController mc, Boolean attach) try {
  ApiCall call("MCSetControllerAttached", mc, attach);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller =
      ControllerFor(mc, kMCSetControllerAttachedSelect, &result);
  if (controller == nullptr) return call.Return(result);
  // A bar let go of stays where it was.
  if (controller->attached && !attach) controller->detachedBar = controller->BarRect();
  controller->attached = attach != 0;
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MCIsControllerAttached(MovieController mc) try {
  ApiCall call("MCIsControllerAttached", mc);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller =
      ControllerFor(mc, kMCIsControllerAttachedSelect, &result);
  if (controller == nullptr) return call.Return(result);
  return call.Return<ComponentResult>(controller->attached ? 1 : 0);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MCSetVisible(MovieController mc, Boolean visible) try {
  ApiCall call("MCSetVisible", mc, visible);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCSetVisibleSelect, &result);
  if (controller == nullptr) return call.Return(result);
  controller->visible = visible != 0;
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MCGetVisible(MovieController mc) try {
  ApiCall call("MCGetVisible", mc);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCGetVisibleSelect, &result);
  if (controller == nullptr) return call.Return(result);
  return call.Return<ComponentResult>(controller->visible ? 1 : 0);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MCGetControllerBoundsRect(MovieController mc, Rect* bounds) try {
  ApiCall call("MCGetControllerBoundsRect", mc, bounds);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller =
      ControllerFor(mc, kMCGetControllerBoundsRectSelect, &result);
  if (controller == nullptr) return call.Return(result);
  if (bounds == nullptr) return call.Return<ComponentResult>(paramErr);
  qtml::MovieRecord* movie = qtml::MovieOf(controller->movie);
  if (movie == nullptr) return call.Return<ComponentResult>(invalidMovie);
  *bounds = controller->BarRect();
  Rect box = qtml::MovieBox(*movie);
  if (controller->attached && !qtml::IsEmpty(box)) bounds->top = box.top;
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API TimeValue MCGetCurrentTime(MovieController mc, TimeScale* scale) try {
  ApiCall call("MCGetCurrentTime", mc, scale);
  if (scale != nullptr) *scale = 0;
  if (call.Fault() != noErr) return call.Return<TimeValue>(0);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCGetCurrentTimeSelect, &result);
  if (controller == nullptr || qtml::MovieOf(controller->movie) == nullptr) {
    return call.Return<TimeValue>(0);
  }
  TimeValue now = GetMovieTime(controller->movie, nullptr);
  if (scale != nullptr) *scale = qtml::MovieOf(controller->movie)->timeScale;
  return call.Return(now);
} catch (...) {
  return qtml::Escaped<TimeValue>();
}

QTML_API ComponentResult MCClick(MovieController mc, WindowRef w, Point where, long when,
                                 long modifiers) try {
  ApiCall call("MCClick", mc, w, where.h, where.v, when, modifiers);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCClickSelect, &result);
  if (controller == nullptr) return call.Return(result);
  if (qtml::MovieOf(controller->movie) == nullptr)
    return call.Return<ComponentResult>(invalidMovie);
  if (qtml::Click(*controller, where) && qtml::PortFromGrafPtr(w) != nullptr) {
    qtml::Draw(*controller, w);
  }
  return call.Return<ComponentResult>(noErr);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MCIsPlayerEvent(MovieController mc, const EventRecord* e) try {
  ApiCall call("MCIsPlayerEvent", mc, e);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MovieControllerImplementation* controller = ControllerFor(mc, kMCIsPlayerEventSelect, &result);
  if (controller == nullptr) return call.Return(result);
  if (e == nullptr) return call.Return<ComponentResult>(paramErr);
  if (qtml::MovieOf(controller->movie) == nullptr)
    return call.Return<ComponentResult>(invalidMovie);
  switch (e->what) {
    case nullEvent:
      MoviesTask(controller->movie, 0);
      break;
    case mouseDown:
      if (!qtml::Click(*controller, e->where)) break;
      // The bar is drawn again where it was drawn last.
      if (qtml::PortFromGrafPtr(controller->window) != nullptr) {
        qtml::Draw(*controller, controller->window);
      }
      return call.Return<ComponentResult>(1);
    case keyDown:
    case autoKey:
      // Space plays and stops; the arrows step a frame, stopping.
      switch ((e->message & keyCodeMask) >> 8) {
        case qtml::kSpaceKey:
          if (e->what == autoKey) return call.Return<ComponentResult>(1);
          qtml::PlayAt(*controller, GetMovieRate(controller->movie) != 0
                                        ? 0
                                        : qtml::PreferredRate(controller->movie));
          return call.Return<ComponentResult>(1);
        case qtml::kLeftArrowKey:
          qtml::StepFrames(*controller, -1);
          return call.Return<ComponentResult>(1);
        case qtml::kRightArrowKey:
          qtml::StepFrames(*controller, 1);
          return call.Return<ComponentResult>(1);
      }
      break;
  }
  return call.Return<ComponentResult>(0);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

}  // extern "C"
