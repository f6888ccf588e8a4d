// Movies: the live references, creation, disposal, time scale, duration
// and selection.
#include <new>
#include <set>

#include "api_call.h"
#include "matrix.h"
#include "memory.h"
#include "movie_model.h"
#include "movie_toolbox.h"

namespace qtml {
namespace {

// Every live record, so that stale or foreign references are refused.
template <typename T>
std::set<const T*>& Live() {
  static std::set<const T*> records;
  return records;
}

template <typename T>
T* Find(const void* reference, OSErr missing) noexcept {
  auto* record = static_cast<T*>(const_cast<void*>(reference));
  if (record == nullptr || Live<T>().count(record) == 0) {
    SetMoviesError(missing);
    return nullptr;
  }
  return record;
}

}  // namespace

MovieRecord* MovieOf(Movie movie) noexcept { return Find<MovieRecord>(movie, invalidMovie); }
TrackRecord* TrackOf(Track track) noexcept { return Find<TrackRecord>(track, invalidTrack); }
MediaRecord* MediaOf(Media media) noexcept { return Find<MediaRecord>(media, invalidMedia); }

Movie ReferenceTo(MovieRecord* movie) noexcept { return reinterpret_cast<Movie>(movie); }
Track ReferenceTo(TrackRecord* track) noexcept { return reinterpret_cast<Track>(track); }
Media ReferenceTo(MediaRecord* media) noexcept { return reinterpret_cast<Media>(media); }

void TrackCreated(TrackRecord* track) noexcept {
  GuardedVoid([&] {
    Live<TrackRecord>().insert(track);
    if (track->media) Live<MediaRecord>().insert(track->media.get());
  });
}

void TrackDisposed(TrackRecord* track) noexcept {
  Live<TrackRecord>().erase(track);
  if (track->media) Live<MediaRecord>().erase(track->media.get());
}

Movie AdoptMovie(std::unique_ptr<MovieRecord> movie) noexcept {
  return Guarded<Movie>(nullptr, [&] {
    Live<MovieRecord>().insert(movie.get());
    for (auto& track : movie->tracks) TrackCreated(track.get());
    return ReferenceTo(movie.release());
  });
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::MovieOf;
using qtml::MovieRecord;

extern "C" {

QTML_API Movie NewMovie(long flags) {
  ApiCall call("NewMovie", flags);
  if (qtml::RequireMovieToolbox() != noErr) return call.Return<Movie>(nullptr);
  if (OSErr fault = call.Fault()) {
    qtml::SetMoviesError(fault);
    return call.Return<Movie>(nullptr);
  }
  std::unique_ptr<MovieRecord> record(qtml::NewObject<MovieRecord>());
  if (record == nullptr) {
    qtml::SetMoviesError(memFullErr);
    return call.Return<Movie>(nullptr);
  }
  record->flags = flags;
  record->active = (flags & newMovieActive) != 0;
  record->matrix = qtml::IdentityMatrix();
  Movie movie = qtml::AdoptMovie(std::move(record));
  qtml::SetMoviesError(movie != nullptr ? noErr : memFullErr);
  return call.Return(movie);
}

QTML_API void DisposeMovie(Movie theMovie) {
  ApiCall call("DisposeMovie", theMovie);
  MovieRecord* record = MovieOf(theMovie);
  if (record == nullptr) return;
  for (auto& track : record->tracks) qtml::TrackDisposed(track.get());
  qtml::Live<MovieRecord>().erase(record);
  delete record;
  qtml::SetMoviesError(noErr);
}

QTML_API TimeValue GetMovieDuration(Movie theMovie) {
  ApiCall call("GetMovieDuration", theMovie);
  MovieRecord* record = MovieOf(theMovie);
  if (record == nullptr) return call.Return<TimeValue>(0);
  qtml::SetMoviesError(noErr);
  return call.Return(record->duration);
}

QTML_API TimeScale GetMovieTimeScale(Movie theMovie) {
  ApiCall call("GetMovieTimeScale", theMovie);
  MovieRecord* record = MovieOf(theMovie);
  if (record == nullptr) return call.Return<TimeScale>(0);
  qtml::SetMoviesError(noErr);
  return call.Return(record->timeScale);
}

QTML_API void GetMovieSelection(Movie theMovie, TimeValue* selectionTime,
                                TimeValue* selectionDuration) {
  ApiCall call("GetMovieSelection", theMovie);
  MovieRecord* record = MovieOf(theMovie);
  if (selectionTime != nullptr) *selectionTime = record ? record->selectionTime : 0;
  if (selectionDuration != nullptr) *selectionDuration = record ? record->selectionDuration : 0;
  if (record != nullptr) qtml::SetMoviesError(noErr);
}

QTML_API void SetMovieSelection(Movie theMovie, TimeValue selectionTime,
                                TimeValue selectionDuration) {
  ApiCall call("SetMovieSelection", theMovie, selectionTime, selectionDuration);
  MovieRecord* record = MovieOf(theMovie);
  if (record == nullptr) return;
  record->selectionTime = selectionTime;
  record->selectionDuration = selectionDuration;
  qtml::SetMoviesError(noErr);
}

}  // extern "C"
