// Playing: the engine's clock, movies' time bases, the current time and
// rate, MoviesTask, and the active segment.
//
// A movie's time runs with the clock while its rate is not 0: each time
// it is looked at (GetMovieTime, MoviesTask, IsMovieDone...) it moves by
// rate × the clock time since it last moved. At the end of the movie (its
// start, playing backwards) it stops, or loops when its time base says so.
#include <chrono>
#include <memory>
#include <cmath>

#include "Events.h"
#include "QTMLTestControls.h"
#include "memory/memory.h"
#include "movies/movie_calls.h"
#include "movies/movie_drawing.h"
#include "movies/movie_edit_list.h"
#include "sound/sound_output.h"

namespace qtml {
namespace {

struct Clock {
  bool manual = false;
  SInt64 manualMillis = 0;
};

Clock& TheClock() {
  static Clock clock;
  return clock;
}

UInt32 ClockMillis() {
  if (TheClock().manual) return static_cast<UInt32>(TheClock().manualMillis);
  static const auto start = std::chrono::steady_clock::now();
  auto elapsed = std::chrono::steady_clock::now() - start;
  return static_cast<UInt32>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

struct PlayRange {
  TimeValue start;
  TimeValue end;
};

PlayRange RangeOf(MovieRecord& movie) {
  if (movie.standalone) return {0, 0x7FFFFFFF};  // a time base's own clock runs on
  UpdateDuration(movie);
  if (movie.activeSegmentStart == -1) return {0, movie.duration};
  return {movie.activeSegmentStart, movie.activeSegmentStart + movie.activeSegmentDuration};
}

// Where a looping movie that ran past an end of the range stands.
void Loop(MovieRecord& movie, SInt64& t, PlayRange range) {
  SInt64 length = range.end - range.start;
  if (length <= 0) {
    t = range.start;
    return;
  }
  if ((movie.timeBaseFlags & palindromeLoopTimeBase) != 0) {
    while (t > range.end || t < range.start) {
      t = t > range.end ? 2 * SInt64{range.end} - t : 2 * SInt64{range.start} - t;
      movie.rate = -movie.rate;
      movie.backward = movie.rate < 0;
    }
    return;
  }
  t = range.start + ((t - range.start) % length + length) % length;
}

// Moves the movie's time by its rate over the clock time since it last moved.
void Advance(MovieRecord& movie) {
  UInt32 now = ClockMillis();
  UInt32 elapsed = now - movie.clockAtLastMove;
  movie.clockAtLastMove = now;
  if (movie.rate == 0 || elapsed == 0) return;
  // Exact arithmetic, so that parts of a unit add up over many calls.
  constexpr SInt64 kPerUnit = 1000 * 65536;
  SInt64 delta = SInt64{elapsed} * movie.rate * movie.timeScale + movie.pendingTime;
  SInt64 whole = delta / kPerUnit;
  movie.pendingTime = delta % kPerUnit;
  SInt64 t = movie.currentTime + whole;
  PlayRange range = RangeOf(movie);
  bool past = (movie.rate > 0 && t >= range.end) || (movie.rate < 0 && t <= range.start);
  bool loops = (movie.timeBaseFlags & (loopTimeBase | palindromeLoopTimeBase)) != 0;
  if (past && loops) {
    Loop(movie, t, range);
  } else if (past) {
    t = movie.rate > 0 ? range.end : range.start;
    movie.rate = 0;
    movie.pendingTime = 0;
  }
  movie.currentTime = static_cast<TimeValue>(t);
  MovieSoundFollow(movie, TheClock().manual);
}

void SetRate(MovieRecord& movie, Fixed rate) {
  Advance(movie);
  movie.rate = rate;
  movie.pendingTime = 0;
  if (rate != 0) movie.backward = rate < 0;
  MovieSoundRestart(movie, TheClock().manual);
}

void MoveTo(MovieRecord& movie, SInt64 t) {
  Advance(movie);
  PlayRange range = RangeOf(movie);
  if (t < range.start) t = range.start;
  if (t > range.end) t = range.end;
  movie.currentTime = static_cast<TimeValue>(t);
  movie.pendingTime = 0;
  MovieSoundRestart(movie, TheClock().manual);
}

SInt64 ScaledTime(SInt64 value, TimeScale from, TimeScale to) {
  if (from <= 0 || from == to) return value;
  return static_cast<SInt64>(std::llround(static_cast<double>(value) * to / from));
}

MovieRecord* EnterTimeBase(ApiCall& call, TimeBase tb) {
  return EnterToolbox(call) ? MovieOfTimeBase(tb) : nullptr;
}

}  // namespace

bool ClockIsManual() noexcept {
  return TheClock().manual;
}
}  // namespace qtml

using qtml::ApiCall;
using qtml::EnterMovie;
using qtml::MovieRecord;
using qtml::SetMoviesError;

extern "C" {

QTML_API UInt32 TickCount(void) try {
  ApiCall call("TickCount");
  return call.Return(static_cast<UInt32>(static_cast<UInt64>(qtml::ClockMillis()) * 60 / 1000));
} catch (...) {
  return qtml::Escaped<UInt32>();
}

QTML_API void QTMLTest_SetClock(long milliseconds) try {
  qtml::Clock& clock = qtml::TheClock();
  clock.manual = milliseconds >= 0;
  clock.manualMillis = milliseconds;
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void QTMLTest_AdvanceClock(long milliseconds) try {
  if (qtml::TheClock().manual) qtml::TheClock().manualMillis += milliseconds;
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API Fixed GetMovieRate(Movie theMovie) try {
  ApiCall call("GetMovieRate", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<Fixed>(0);
  qtml::Advance(*movie);
  SetMoviesError(noErr);
  return call.Return(movie->rate);
} catch (...) {
  return qtml::Escaped<Fixed>();
}

QTML_API void SetMovieRate(Movie theMovie, Fixed rate) try {
  ApiCall call("SetMovieRate", theMovie, rate);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  qtml::SetRate(*movie, rate);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API TimeValue GetMovieTime(Movie theMovie, TimeRecord* currentTime) try {
  ApiCall call("GetMovieTime", theMovie, currentTime);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<TimeValue>(0);
  qtml::Advance(*movie);
  if (currentTime != nullptr) {
    *currentTime =
        TimeRecord{movie->currentTime, movie->timeScale, qtml::ReferenceTo(&movie->timeBase)};
  }
  SetMoviesError(noErr);
  return call.Return(movie->currentTime);
} catch (...) {
  return qtml::Escaped<TimeValue>();
}

QTML_API void SetMovieTimeValue(Movie theMovie, TimeValue newtime) try {
  ApiCall call("SetMovieTimeValue", theMovie, newtime);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  qtml::MoveTo(*movie, newtime);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void SetMovieTime(Movie theMovie, const TimeRecord* newtime) try {
  ApiCall call("SetMovieTime", theMovie, newtime);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  if (newtime == nullptr) return SetMoviesError(paramErr);
  qtml::MoveTo(*movie, qtml::ScaledTime(newtime->value, newtime->scale, movie->timeScale));
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API TimeBase GetMovieTimeBase(Movie theMovie) try {
  ApiCall call("GetMovieTimeBase", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<TimeBase>(nullptr);
  SetMoviesError(noErr);
  return call.Return(qtml::ReferenceTo(&movie->timeBase));
} catch (...) {
  return qtml::Escaped<TimeBase>();
}

QTML_API TimeBase NewTimeBase(void) try {
  ApiCall call("NewTimeBase");
  if (!qtml::EnterToolbox(call)) return call.Return<TimeBase>(nullptr);
  auto clock = std::make_unique<MovieRecord>();
  clock->standalone = true;
  clock->timeBase.movie = clock.get();
  if (!clock->timeBase.reference.Register(&clock->timeBase)) {
    SetMoviesError(memFullErr);
    return call.Return<TimeBase>(nullptr);
  }
  SetMoviesError(noErr);
  return call.Return(qtml::ReferenceTo(&clock.release()->timeBase));
} catch (...) {
  return qtml::Escaped<TimeBase>();
}

QTML_API void DisposeTimeBase(TimeBase tb) try {
  ApiCall call("DisposeTimeBase", tb);
  MovieRecord* clock = qtml::EnterTimeBase(call, tb);
  if (clock == nullptr) return;
  // A movie's time base goes with its movie.
  if (!clock->standalone) return SetMoviesError(paramErr);
  delete clock;
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API Fixed GetTimeBaseRate(TimeBase tb) try {
  ApiCall call("GetTimeBaseRate", tb);
  MovieRecord* movie = qtml::EnterTimeBase(call, tb);
  if (movie == nullptr) return call.Return<Fixed>(0);
  qtml::Advance(*movie);
  SetMoviesError(noErr);
  return call.Return(movie->rate);
} catch (...) {
  return qtml::Escaped<Fixed>();
}

QTML_API Fixed GetTimeBaseEffectiveRate(TimeBase tb) try {
  ApiCall call("GetTimeBaseEffectiveRate", tb);
  MovieRecord* movie = qtml::EnterTimeBase(call, tb);
  if (movie == nullptr) return call.Return<Fixed>(0);
  qtml::Advance(*movie);
  SetMoviesError(noErr);
  return call.Return(movie->rate);  // a movie's time base has no master
} catch (...) {
  return qtml::Escaped<Fixed>();
}

QTML_API void SetTimeBaseRate(TimeBase tb, Fixed r) try {
  ApiCall call("SetTimeBaseRate", tb, r);
  MovieRecord* movie = qtml::EnterTimeBase(call, tb);
  if (movie == nullptr) return;
  qtml::SetRate(*movie, r);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API long GetTimeBaseFlags(TimeBase tb) try {
  ApiCall call("GetTimeBaseFlags", tb);
  MovieRecord* movie = qtml::EnterTimeBase(call, tb);
  if (movie == nullptr) return call.Return<long>(0);
  SetMoviesError(noErr);
  return call.Return(movie->timeBaseFlags);
} catch (...) {
  return qtml::Escaped<long>();
}

QTML_API void SetTimeBaseFlags(TimeBase tb, long timeBaseFlags) try {
  ApiCall call("SetTimeBaseFlags", tb, timeBaseFlags);
  MovieRecord* movie = qtml::EnterTimeBase(call, tb);
  if (movie == nullptr) return;
  qtml::Advance(*movie);
  movie->timeBaseFlags = timeBaseFlags;
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API TimeValue GetTimeBaseTime(TimeBase tb, TimeScale s, TimeRecord* tr) try {
  ApiCall call("GetTimeBaseTime", tb, s);
  MovieRecord* movie = qtml::EnterTimeBase(call, tb);
  if (movie == nullptr) return call.Return<TimeValue>(0);
  qtml::Advance(*movie);
  if (s <= 0) s = movie->timeScale;
  SInt64 value = qtml::ScaledTime(movie->currentTime, movie->timeScale, s);
  if (tr != nullptr) *tr = TimeRecord{value, s, tb};
  SetMoviesError(noErr);
  return call.Return(static_cast<TimeValue>(value));
} catch (...) {
  return qtml::Escaped<TimeValue>();
}

QTML_API void SetTimeBaseValue(TimeBase tb, TimeValue t, TimeScale s) try {
  ApiCall call("SetTimeBaseValue", tb, t, s);
  MovieRecord* movie = qtml::EnterTimeBase(call, tb);
  if (movie == nullptr) return;
  qtml::MoveTo(*movie, qtml::ScaledTime(t, s, movie->timeScale));
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void GoToBeginningOfMovie(Movie theMovie) try {
  ApiCall call("GoToBeginningOfMovie", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  qtml::MoveTo(*movie, qtml::RangeOf(*movie).start);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void GoToEndOfMovie(Movie theMovie) try {
  ApiCall call("GoToEndOfMovie", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  qtml::MoveTo(*movie, qtml::RangeOf(*movie).end);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void StartMovie(Movie theMovie) try {
  ApiCall call("StartMovie", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  movie->active = true;
  qtml::SetRate(*movie, movie->preferredRate);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void StopMovie(Movie theMovie) try {
  ApiCall call("StopMovie", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  qtml::SetRate(*movie, 0);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API Boolean IsMovieDone(Movie theMovie) try {
  ApiCall call("IsMovieDone", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<Boolean>(false);
  qtml::Advance(*movie);
  qtml::PlayRange range = qtml::RangeOf(*movie);
  bool done = movie->backward ? movie->currentTime <= range.start : movie->currentTime >= range.end;
  SetMoviesError(noErr);
  return call.Return<Boolean>(done);
} catch (...) {
  return qtml::Escaped<Boolean>();
}

QTML_API void MoviesTask(Movie theMovie, long maxMilliSecToUse) try {
  ApiCall call("MoviesTask", theMovie, maxMilliSecToUse);
  if (!qtml::EnterToolbox(call)) return;
  if (theMovie != nullptr) {
    MovieRecord* movie = qtml::MovieOf(theMovie);
    if (movie == nullptr) return;
    qtml::Advance(*movie);
    return SetMoviesError(qtml::DrawMovieFrame(*movie));
  }
  OSErr err = noErr;
  qtml::GuardedVoid([&err] {
    for (MovieRecord* movie : qtml::LiveMovies()) {
      if (!movie->active) continue;
      qtml::Advance(*movie);
      OSErr drawn = qtml::DrawMovieFrame(*movie);
      if (err == noErr) err = drawn;
    }
  });
  SetMoviesError(err);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void SetMoviePlayHints(Movie theMovie, long flags, long flagsMask) try {
  ApiCall call("SetMoviePlayHints", theMovie, flags, flagsMask);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  movie->playHints = (movie->playHints & ~flagsMask) | (flags & flagsMask);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API OSErr UpdateMovie(Movie theMovie) try {
  ApiCall call("UpdateMovie", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return(GetMoviesError());
  return call.Return(qtml::Result(noErr));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr PrerollMovie(Movie theMovie, TimeValue time, Fixed Rate) try {
  ApiCall call("PrerollMovie", theMovie, time, Rate);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return(GetMoviesError());
  return call.Return(qtml::Result(noErr));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API void SetMovieActiveSegment(Movie theMovie, TimeValue startTime, TimeValue duration) try {
  ApiCall call("SetMovieActiveSegment", theMovie, startTime, duration);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  if (startTime != -1 && (startTime < 0 || duration < 0)) return SetMoviesError(paramErr);
  qtml::Advance(*movie);
  movie->activeSegmentStart = startTime;
  movie->activeSegmentDuration = startTime == -1 ? 0 : duration;
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void GetMovieActiveSegment(Movie theMovie, TimeValue* startTime, TimeValue* duration) try {
  ApiCall call("GetMovieActiveSegment", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (startTime != nullptr) *startTime = movie != nullptr ? movie->activeSegmentStart : -1;
  if (duration != nullptr) *duration = movie != nullptr ? movie->activeSegmentDuration : 0;
  if (movie != nullptr) SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

}  // extern "C"
