// A movie's properties: time scale and duration, rates and volumes,
// geometry (matrix, box, clip), poster, preview and selection, dates, the
// changed flag, its graphics world and progress procedure.
#include <algorithm>

#include "quickdraw/matrix.h"
#include "memory/memory.h"
#include "movies/movie_calls.h"
#include "movies/movie_edit_list.h"
#include "movies/movie_regions.h"

namespace qtml {
namespace {

// Rescales a run of durations by their running ends, so the total maps
// exactly and rounding never accumulates.
void RescaleEdits(std::vector<EditEntry>& edits, TimeScale from, TimeScale to) {
  SInt64 end = 0;
  TimeValue scaledEnd = 0;
  for (EditEntry& edit : edits) {
    end += edit.trackDuration;
    TimeValue next = ConvertTime(end, from, to);
    edit.trackDuration = next - scaledEnd;
    scaledEnd = next;
  }
}

void Rescale(MovieRecord& movie, TimeScale to) {
  TimeScale from = movie.timeScale;
  for (auto& track : movie.tracks) RescaleEdits(track->edits, from, to);
  for (TimeValue* t :
       {&movie.selectionTime, &movie.selectionDuration, &movie.posterTime, &movie.previewTime,
        &movie.previewDuration, &movie.currentTime, &movie.activeSegmentDuration}) {
    *t = ConvertTime(*t, from, to);
  }
  if (movie.activeSegmentStart != -1) {
    movie.activeSegmentStart = ConvertTime(movie.activeSegmentStart, from, to);
  }
  movie.pendingTime = 0;
  movie.timeScale = to;
}

}  // namespace

Rect NaturalBounds(const MovieRecord& movie) {
  bool any = false;
  FixedRect all{0, 0, 0, 0};
  for (const auto& track : movie.tracks) {
    if (!track->enabled || track->width <= 0 || track->height <= 0) continue;
    FixedRect box{0, 0, track->width, track->height};
    MapFixedRect(track->matrix, box, nullptr);
    if (!any) {
      all = box;
      any = true;
    } else {
      all = {std::min(all.left, box.left), std::min(all.top, box.top),
             std::max(all.right, box.right), std::max(all.bottom, box.bottom)};
    }
  }
  return RectOfFixed(all);
}

Rect MovieBox(const MovieRecord& movie) {
  Rect natural = NaturalBounds(movie);
  FixedRect box{natural.left * 0x10000, natural.top * 0x10000, natural.right * 0x10000,
                natural.bottom * 0x10000};
  MapFixedRect(movie.matrix, box, nullptr);
  return RectOfFixed(box);
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::EnterMovie;
using qtml::MovieRecord;
using qtml::SetMoviesError;

#define QTML_MOVIE_SETTER(Name, Type, field)           \
  QTML_API void Name(Movie theMovie, Type value) try { \
    ApiCall call(#Name, theMovie, value);              \
    MovieRecord* movie = EnterMovie(call, theMovie);   \
    if (movie == nullptr) return;                      \
    if (movie->field != value) {                       \
      movie->field = value;                            \
      movie->changed = true;                           \
    }                                                  \
    SetMoviesError(noErr);                             \
  } catch (...) {                                      \
    return qtml::Escaped<void>();                      \
  }

extern "C" {

QTML_API TimeValue GetMovieDuration(Movie theMovie) try {
  return qtml::ReadProperty<TimeValue>("GetMovieDuration", theMovie, 0, [](MovieRecord& movie) {
    qtml::UpdateDuration(movie);
    return movie.duration;
  });
} catch (...) {
  return qtml::Escaped<TimeValue>();
}

QTML_API TimeScale GetMovieTimeScale(Movie theMovie) try {
  return qtml::ReadProperty<TimeScale>("GetMovieTimeScale", theMovie, 0,
                                       [](MovieRecord& movie) { return movie.timeScale; });
} catch (...) {
  return qtml::Escaped<TimeScale>();
}

QTML_API void SetMovieTimeScale(Movie theMovie, TimeScale timeScale) try {
  ApiCall call("SetMovieTimeScale", theMovie, timeScale);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  if (timeScale <= 0) return SetMoviesError(paramErr);
  if (timeScale != movie->timeScale) {
    qtml::GuardedVoid([&] { qtml::Rescale(*movie, timeScale); });
    qtml::MovieEdited(*movie);
  }
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void GetMovieSelection(Movie theMovie, TimeValue* selectionTime,
                                TimeValue* selectionDuration) try {
  ApiCall call("GetMovieSelection", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (selectionTime != nullptr) *selectionTime = movie ? movie->selectionTime : 0;
  if (selectionDuration != nullptr) *selectionDuration = movie ? movie->selectionDuration : 0;
  if (movie != nullptr) SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void SetMovieSelection(Movie theMovie, TimeValue selectionTime,
                                TimeValue selectionDuration) try {
  ApiCall call("SetMovieSelection", theMovie, selectionTime, selectionDuration);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  movie->selectionTime = selectionTime;
  movie->selectionDuration = selectionDuration;
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API Fixed GetMoviePreferredRate(Movie theMovie) try {
  return qtml::ReadProperty<Fixed>("GetMoviePreferredRate", theMovie, 0,
                                   [](MovieRecord& movie) { return movie.preferredRate; });
} catch (...) {
  return qtml::Escaped<Fixed>();
}
QTML_MOVIE_SETTER(SetMoviePreferredRate, Fixed, preferredRate)

QTML_API short GetMoviePreferredVolume(Movie theMovie) try {
  return qtml::ReadProperty<short>("GetMoviePreferredVolume", theMovie, 0,
                                   [](MovieRecord& movie) { return movie.preferredVolume; });
} catch (...) {
  return qtml::Escaped<short>();
}
QTML_MOVIE_SETTER(SetMoviePreferredVolume, short, preferredVolume)

QTML_API short GetMovieVolume(Movie theMovie) try {
  return qtml::ReadProperty<short>("GetMovieVolume", theMovie, 0,
                                   [](MovieRecord& movie) { return movie.volume; });
} catch (...) {
  return qtml::Escaped<short>();
}

QTML_API void SetMovieVolume(Movie theMovie, short volume) try {
  ApiCall call("SetMovieVolume", theMovie, volume);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  movie->volume = volume;
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API TimeValue GetMoviePosterTime(Movie theMovie) try {
  return qtml::ReadProperty<TimeValue>("GetMoviePosterTime", theMovie, 0,
                                       [](MovieRecord& movie) { return movie.posterTime; });
} catch (...) {
  return qtml::Escaped<TimeValue>();
}
QTML_MOVIE_SETTER(SetMoviePosterTime, TimeValue, posterTime)

QTML_API void GetMoviePreviewTime(Movie theMovie, TimeValue* previewTime,
                                  TimeValue* previewDuration) try {
  ApiCall call("GetMoviePreviewTime", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (previewTime != nullptr) *previewTime = movie ? movie->previewTime : 0;
  if (previewDuration != nullptr) *previewDuration = movie ? movie->previewDuration : 0;
  if (movie != nullptr) SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void SetMoviePreviewTime(Movie theMovie, TimeValue previewTime,
                                  TimeValue previewDuration) try {
  ApiCall call("SetMoviePreviewTime", theMovie, previewTime, previewDuration);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  movie->previewTime = previewTime;
  movie->previewDuration = previewDuration;
  movie->changed = true;
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API Boolean GetMovieActive(Movie theMovie) try {
  return qtml::ReadProperty<Boolean>("GetMovieActive", theMovie, false,
                                     [](MovieRecord& movie) { return movie.active; });
} catch (...) {
  return qtml::Escaped<Boolean>();
}

QTML_API void SetMovieActive(Movie theMovie, Boolean active) try {
  ApiCall call("SetMovieActive", theMovie, active);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  movie->active = active != 0;
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API unsigned long GetMovieCreationTime(Movie theMovie) try {
  return qtml::ReadProperty<unsigned long>("GetMovieCreationTime", theMovie, 0,
                                           [](MovieRecord& movie) { return movie.creationTime; });
} catch (...) {
  return qtml::Escaped<unsigned long>();
}

QTML_API unsigned long GetMovieModificationTime(Movie theMovie) try {
  return qtml::ReadProperty<unsigned long>(
      "GetMovieModificationTime", theMovie, 0,
      [](MovieRecord& movie) { return movie.modificationTime; });
} catch (...) {
  return qtml::Escaped<unsigned long>();
}

QTML_API Boolean HasMovieChanged(Movie theMovie) try {
  return qtml::ReadProperty<Boolean>("HasMovieChanged", theMovie, false,
                                     [](MovieRecord& movie) { return movie.changed; });
} catch (...) {
  return qtml::Escaped<Boolean>();
}

QTML_API void ClearMovieChanged(Movie theMovie) try {
  ApiCall call("ClearMovieChanged", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  movie->changed = false;
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void GetMovieMatrix(Movie theMovie, MatrixRecord* matrix) try {
  ApiCall call("GetMovieMatrix", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr || matrix == nullptr) return;
  *matrix = movie->matrix;
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void SetMovieMatrix(Movie theMovie, const MatrixRecord* matrix) try {
  ApiCall call("SetMovieMatrix", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  movie->matrix = matrix != nullptr ? *matrix : qtml::IdentityMatrix();
  movie->changed = true;
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void GetMovieNaturalBoundsRect(Movie theMovie, Rect* naturalBounds) try {
  ApiCall call("GetMovieNaturalBoundsRect", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr || naturalBounds == nullptr) return;
  *naturalBounds = qtml::NaturalBounds(*movie);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void GetMovieBox(Movie theMovie, Rect* boxRect) try {
  ApiCall call("GetMovieBox", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr || boxRect == nullptr) return;
  *boxRect = qtml::MovieBox(*movie);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void SetMovieBox(Movie theMovie, const Rect* boxRect) try {
  ApiCall call("SetMovieBox", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  if (boxRect == nullptr) return SetMoviesError(paramErr);
  Rect box = qtml::MovieBox(*movie);
  // Without a size to scale, the box can only move.
  if (box.right > box.left && box.bottom > box.top) {
    movie->matrix = qtml::Concat(movie->matrix, qtml::RectMapping(box, *boxRect));
  } else {
    movie->matrix = qtml::Concat(movie->matrix, qtml::Translation((boxRect->left - box.left) << 16,
                                                                  (boxRect->top - box.top) << 16));
  }
  movie->box = *boxRect;
  movie->changed = true;
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API RgnHandle GetMovieBoundsRgn(Movie theMovie) try {
  ApiCall call("GetMovieBoundsRgn", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<RgnHandle>(nullptr);
  qtml::Shape shape = qtml::Shape::FromRect(qtml::MovieBox(*movie));
  qtml::Shape clip;
  if (qtml::ClipShape(movie->clipRegion, &clip)) {
    shape = qtml::Shape::Combine(shape, clip, qtml::Shape::Op::kIntersect);
  }
  RgnHandle region = qtml::NewRegionHolding(shape);
  SetMoviesError(region != nullptr ? noErr : memFullErr);
  return call.Return(region);
} catch (...) {
  return qtml::Escaped<RgnHandle>();
}

QTML_API RgnHandle GetMovieClipRgn(Movie theMovie) try {
  ApiCall call("GetMovieClipRgn", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<RgnHandle>(nullptr);
  OSErr err = noErr;
  RgnHandle region = qtml::ClipToRegion(movie->clipRegion, &err);
  SetMoviesError(err);
  return call.Return(region);
} catch (...) {
  return qtml::Escaped<RgnHandle>();
}

QTML_API void SetMovieClipRgn(Movie theMovie, RgnHandle theClip) try {
  ApiCall call("SetMovieClipRgn", theMovie, theClip);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  SetMoviesError(qtml::StoreClip(theClip, &movie->clipRegion));
  movie->changed = true;
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void SetMovieGWorld(Movie theMovie, CGrafPtr port, GDHandle gdh) try {
  ApiCall call("SetMovieGWorld", theMovie, port, gdh);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  movie->port = port;
  movie->device = gdh;
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void GetMovieGWorld(Movie theMovie, CGrafPtr* port, GDHandle* gdh) try {
  ApiCall call("GetMovieGWorld", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (port != nullptr) *port = movie != nullptr ? movie->port : nullptr;
  if (gdh != nullptr) *gdh = movie != nullptr ? movie->device : nullptr;
  if (movie != nullptr) SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void SetMovieProgressProc(Movie theMovie, MovieProgressUPP p, long refcon) try {
  ApiCall call("SetMovieProgressProc", theMovie, reinterpret_cast<void*>(p), refcon);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  movie->progressProc = p;
  movie->progressRefcon = refcon;
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API OSErr CopyMovieSettings(Movie srcMovie, Movie dstMovie) try {
  ApiCall call("CopyMovieSettings", srcMovie, dstMovie);
  MovieRecord* src = EnterMovie(call, srcMovie);
  MovieRecord* dst = src != nullptr ? qtml::MovieOf(dstMovie) : nullptr;
  if (dst == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::Guarded<OSErr>(memFullErr, [&] {
    dst->preferredRate = src->preferredRate;
    dst->preferredVolume = src->preferredVolume;
    dst->matrix = src->matrix;
    dst->clipRegion = src->clipRegion;
    dst->userData = src->userData;
    dst->changed = true;
    return noErr;
  });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
