// FenraTimeRange: start, length and the read-only end; built from values,
// a host movie's duration or a movie player's selection.
#include "values/time_range.h"

#include "Movies.h"
#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/host_services.h"
#include "plugin/registration.h"

namespace fenra {

REALobject NewTimeRangeObject(int32_t start, int32_t length) {
  REALobject object = NewInstanceOf("FenraTimeRange");
  auto* native = new (std::nothrow) TimeRangeNative;
  if (native == nullptr) return object;
  native->start = start;
  native->length = length;
  SetNative(object, native);
  return object;
}

namespace {

enum Selector : intptr_t { kStart, kLength, kEnd };

RBInteger GetValue(REALobject instance, intptr_t selector) {
  const TimeRangeNative* range = GetNative<TimeRangeNative>(instance);
  if (range == nullptr) return 0;
  switch (selector) {
    case kStart:
      return range->start;
    case kLength:
      return range->length;
    case kEnd:
      return static_cast<int32_t>(static_cast<uint32_t>(range->start) +
                                  static_cast<uint32_t>(range->length));
  }
  return 0;
}

void SetValue(REALobject instance, intptr_t selector, RBInteger value) {
  TimeRangeNative* range = GetNative<TimeRangeNative>(instance);
  if (range == nullptr) return;
  if (selector == kStart) range->start = static_cast<int32_t>(value);
  if (selector == kLength) range->length = static_cast<int32_t>(value);
}

// Every constructor makes a native object, even from a nil argument.
TimeRangeNative* NewNative(REALobject instance) {
  auto* range = new (std::nothrow) TimeRangeNative;
  SetNative(instance, range);
  return range;
}

void NewEmpty(REALobject instance) {
  NewNative(instance);
}

void NewWithValues(REALobject instance, RBInteger start, RBInteger length) {
  if (TimeRangeNative* range = NewNative(instance)) {
    range->start = static_cast<int32_t>(start);
    range->length = static_cast<int32_t>(length);
  }
}

void NewFromMovie(REALobject instance, REALmovie movie) {
  TimeRangeNative* range = NewNative(instance);
  if (range == nullptr) return;
  Movie qtMovie = movie != nullptr ? static_cast<Movie>(host::getMovieMovie(movie)) : nullptr;
  if (qtMovie == nullptr) {
    range->err = invalidMovie;
    return;
  }
  range->length = GetMovieDuration(qtMovie);
}

void NewFromPlayer(REALobject instance, REALmoviePlayer player) {
  TimeRangeNative* range = NewNative(instance);
  if (range == nullptr) return;
  auto controller = player != nullptr
                        ? static_cast<MovieController>(host::getMoviePlayerController(player))
                        : nullptr;
  if (controller == nullptr) {
    range->err = kParamErr;
    return;
  }
  TimeValue start = 0, length = 0;
  GetMovieSelection(MCGetIndMovie(controller, 0), &start, &length);
  range->start = start;
  range->length = length;
}

REALproperty gProperties[] = {
    Property<"start", "Integer", GetValue, SetValue>(kStart),
    Property<"length", "Integer", GetValue, SetValue>(kLength),
    Property<"endRng", "Integer", GetValue, nullptr>(kEnd),
};

REALmethodDefinition gMethods[] = {
    Method<NewEmpty, "FenraTimeRange()">(),
    Method<NewWithValues, "FenraTimeRange(start as integer,length as integer)">(),
    Method<NewFromMovie, "FenraTimeRange(m as movie)">(),
    Method<NewFromPlayer, "FenraTimeRange(mp as movieplayer)">(),
};

}  // namespace

// The natives own nothing: the destructor does nothing and the root frees.
REALclassDefinition gFenraTimeRangeClass =
    DefineClass("FenraTimeRange", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>(), {.properties = gProperties, .methods = gMethods});

}  // namespace fenra
