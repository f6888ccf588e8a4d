// The opening of every Movie Toolbox call on a movie, track or media:
//
//   ApiCall call("GetTrackLayer", theTrack);
//   TrackRecord* track = EnterTrack(call, theTrack);
//   if (track == nullptr) return call.Return<short>(0);
//
// Enter... answers nullptr, with GetMoviesError set, when the toolbox is
// not entered, a fault is injected for the call, or the reference is not
// a live one.
#pragma once

#include <vector>

#include "base/api_call.h"
#include "movies/movie_model.h"
#include "movies/movie_toolbox.h"

namespace qtml {

inline bool EnterToolbox(ApiCall& call) noexcept {
  if (RequireMovieToolbox() != noErr) return false;
  if (OSErr fault = call.Fault()) {
    SetMoviesError(fault);
    return false;
  }
  return true;
}

inline MovieRecord* EnterMovie(ApiCall& call, Movie movie) noexcept {
  return EnterToolbox(call) ? MovieOf(movie) : nullptr;
}

inline TrackRecord* EnterTrack(ApiCall& call, Track track) noexcept {
  return EnterToolbox(call) ? TrackOf(track) : nullptr;
}

inline MediaRecord* EnterMedia(ApiCall& call, Media media) noexcept {
  return EnterToolbox(call) ? MediaOf(media) : nullptr;
}

inline MovieRecord* Enter(ApiCall& call, Movie movie) noexcept {
  return EnterMovie(call, movie);
}
inline TrackRecord* Enter(ApiCall& call, Track track) noexcept {
  return EnterTrack(call, track);
}
inline MediaRecord* Enter(ApiCall& call, Media media) noexcept {
  return EnterMedia(call, media);
}

// A whole call reading a property of a movie, track or media: what
// read(record) answers, or `neutral` when the reference names none.
template <typename T, typename Reference, typename F>
T ReadProperty(const char* name, Reference reference, T neutral, F read) {
  ApiCall call(name, reference);
  auto* record = Enter(call, reference);
  if (record == nullptr) return call.Return<T>(neutral);
  SetMoviesError(noErr);
  return call.Return<T>(read(*record));
}

// The movie whose time base this is, or nullptr (invalidMovie recorded).
MovieRecord* MovieOfTimeBase(TimeBase base) noexcept;
// The reference of a live movie's time base.
TimeBase ReferenceTo(TimeBaseRecord* base) noexcept;
// Every live movie, in no particular order.
std::vector<MovieRecord*> LiveMovies();

// Records err for GetMoviesError and answers it, for OSErr calls.
inline OSErr Result(OSErr err) noexcept {
  SetMoviesError(err);
  return err;
}

}  // namespace qtml
