// Movies: creation, disposal, time scale, duration and selection.
#include <new>
#include <set>

#include "api_call.h"
#include "movie_model.h"
#include "movie_toolbox.h"

namespace qtml {
namespace {

// Every live movie, so that stale or foreign references are refused.
std::set<MovieRecord*>& LiveMovies() {
  static std::set<MovieRecord*> movies;
  return movies;
}

Movie ReferenceTo(MovieRecord* record) {
  return reinterpret_cast<Movie>(record);
}

}  // namespace

MovieRecord* MovieOf(Movie movie) noexcept {
  auto* record = reinterpret_cast<MovieRecord*>(movie);
  if (record == nullptr || LiveMovies().count(record) == 0) {
    SetMoviesError(invalidMovie);
    return nullptr;
  }
  return record;
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
  MovieRecord* record = nullptr;
  try {
    record = new MovieRecord;
    record->flags = flags;
    qtml::LiveMovies().insert(record);
  } catch (...) {
    delete record;
    qtml::SetMoviesError(memFullErr);
    return call.Return<Movie>(nullptr);
  }
  qtml::SetMoviesError(noErr);
  return call.Return(qtml::ReferenceTo(record));
}

QTML_API void DisposeMovie(Movie theMovie) {
  ApiCall call("DisposeMovie", theMovie);
  MovieRecord* record = MovieOf(theMovie);
  if (record == nullptr) return;
  qtml::LiveMovies().erase(record);
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
