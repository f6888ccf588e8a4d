// Movies: the live references, creation and disposal, and the movie's
// tracks by index, type and ID.
#include <new>

#include "data/data_refs.h"
#include "quickdraw/matrix.h"
#include "memory/memory.h"
#include "movies/movie_calls.h"
#include "movies/movie_edit_list.h"

namespace qtml {
namespace {

// The record a reference names, or nullptr with `missing` recorded.
template <typename T>
T* Find(const void* reference, OSErr missing) noexcept {
  T* record = decltype(T::reference)::Find(reference);
  if (record == nullptr) SetMoviesError(missing);
  return record;
}

template <typename Reference, typename T>
Reference ReferenceOf(const T* record) noexcept {
  return record != nullptr ? reinterpret_cast<Reference>(record->reference.value()) : nullptr;
}

bool TrackMatches(const TrackRecord& track, OSType type, long flags) {
  if ((flags & movieTrackEnabledOnly) != 0 && !track.enabled) return false;
  OSType mediaType = track.media != nullptr ? track.media->type : 0;
  if ((flags & movieTrackMediaType) != 0 && mediaType == type) return true;
  return (flags & movieTrackCharacteristic) != 0 && MediaTypeHasCharacteristic(mediaType, type);
}

}  // namespace

MovieRecord* MovieOf(Movie movie) noexcept {
  return Find<MovieRecord>(movie, invalidMovie);
}
TrackRecord* TrackOf(Track track) noexcept {
  return Find<TrackRecord>(track, invalidTrack);
}
MediaRecord* MediaOf(Media media) noexcept {
  return Find<MediaRecord>(media, invalidMedia);
}

Movie ReferenceTo(MovieRecord* movie) noexcept {
  return ReferenceOf<Movie>(movie);
}
Track ReferenceTo(TrackRecord* track) noexcept {
  return ReferenceOf<Track>(track);
}
Media ReferenceTo(MediaRecord* media) noexcept {
  return ReferenceOf<Media>(media);
}

bool IsLiveMovie(const MovieRecord* movie) noexcept {
  return movie->reference.registered();
}

bool MediaCreated(MediaRecord* media) noexcept {
  return media->reference.Register(media);
}

bool TrackCreated(TrackRecord* track) noexcept {
  if (!track->reference.Register(track)) return false;
  return track->media == nullptr || MediaCreated(track->media.get());
}

Movie AdoptMovie(std::unique_ptr<MovieRecord> movie) noexcept {
  movie->timeBase.movie = movie.get();
  movie->volume = movie->preferredVolume;
  movie->rate = 0;
  bool made = movie->reference.Register(movie.get()) &&
              movie->timeBase.reference.Register(&movie->timeBase);
  for (auto& track : movie->tracks) made = made && TrackCreated(track.get());
  // Should any fail, the records forget what they were given as they go.
  return made ? ReferenceTo(movie.release()) : nullptr;
}

MovieRecord* MovieOfTimeBase(TimeBase base) noexcept {
  TimeBaseRecord* record = decltype(TimeBaseRecord::reference)::Find(base);
  if (record == nullptr) SetMoviesError(invalidMovie);
  return record != nullptr ? record->movie : nullptr;
}

TimeBase ReferenceTo(TimeBaseRecord* base) noexcept {
  return ReferenceOf<TimeBase>(base);
}

std::vector<MovieRecord*> LiveMovies() {
  std::vector<MovieRecord*> movies;
  TableOf<MovieRecord, HandleKind::kMovie>().ForEach(
      [&](MovieRecord* movie) { movies.push_back(movie); });
  return movies;
}

UInt16 DescriptionDataRefIndex(const std::vector<uint8_t>& description) {
  if (description.size() < 16) return 1;
  return static_cast<UInt16>((description[14] << 8) | description[15]);
}

void SetDescriptionDataRefIndex(std::vector<uint8_t>& description, UInt16 index) {
  if (description.size() < 16) return;
  description[14] = static_cast<uint8_t>(index >> 8);
  description[15] = static_cast<uint8_t>(index);
}

DataStore* DescriptionStore(MediaRecord& media, UInt32 descriptionIndex, bool writable,
                            OSErr* err) {
  if (descriptionIndex == 0 || descriptionIndex > media.descriptions.size()) {
    *err = invalidSampleDescIndex;
    return nullptr;
  }
  long index = DescriptionDataRef(media, descriptionIndex);
  if (index < 0) {
    *err = badDataRefIndex;
    return nullptr;
  }
  DataReference& ref = media.dataRefs[index];
  if (ref.store == nullptr && !ref.sealed) {
    ref.store = OpenDataRefStore(ref.type, ref.data.data(), ref.data.size(), writable, err);
  }
  if (ref.store == nullptr && *err == noErr) *err = couldNotResolveDataRef;
  return ref.store.get();
}

long DescriptionDataRef(const MediaRecord& media, UInt32 descriptionIndex) {
  if (descriptionIndex < 1 || descriptionIndex > media.descriptions.size()) return -1;
  UInt16 index = DescriptionDataRefIndex(media.descriptions[descriptionIndex - 1]);
  if (index < 1 || index > media.dataRefs.size()) return -1;
  return static_cast<long>(index) - 1;
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::MovieRecord;
using qtml::TrackRecord;

extern "C" {

QTML_API Movie NewMovie(long flags) try {
  ApiCall call("NewMovie", flags);
  if (!qtml::EnterToolbox(call)) return call.Return<Movie>(nullptr);
  std::unique_ptr<MovieRecord> record(qtml::NewObject<MovieRecord>());
  if (record == nullptr) {
    qtml::SetMoviesError(memFullErr);
    return call.Return<Movie>(nullptr);
  }
  record->flags = flags;
  record->active = (flags & newMovieActive) != 0;
  record->matrix = qtml::IdentityMatrix();
  record->creationTime = record->modificationTime = qtml::MacSecondsNow();
  Movie movie = qtml::AdoptMovie(std::move(record));
  qtml::SetMoviesError(movie != nullptr ? noErr : memFullErr);
  return call.Return(movie);
} catch (...) {
  return qtml::Escaped<Movie>();
}

QTML_API void DisposeMovie(Movie theMovie) try {
  ApiCall call("DisposeMovie", theMovie);
  MovieRecord* record = qtml::EnterMovie(call, theMovie);
  if (record == nullptr) return;
  delete record;
  qtml::SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API long GetMovieTrackCount(Movie theMovie) try {
  ApiCall call("GetMovieTrackCount", theMovie);
  MovieRecord* movie = qtml::EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<long>(0);
  qtml::SetMoviesError(noErr);
  return call.Return(static_cast<long>(movie->tracks.size()));
} catch (...) {
  return qtml::Escaped<long>();
}

QTML_API Track GetMovieIndTrack(Movie theMovie, long index) try {
  ApiCall call("GetMovieIndTrack", theMovie, index);
  MovieRecord* movie = qtml::EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<Track>(nullptr);
  if (index < 1 || index > static_cast<long>(movie->tracks.size())) {
    qtml::SetMoviesError(badTrackIndex);
    return call.Return<Track>(nullptr);
  }
  qtml::SetMoviesError(noErr);
  return call.Return(qtml::ReferenceTo(movie->tracks[index - 1].get()));
} catch (...) {
  return qtml::Escaped<Track>();
}

QTML_API Track GetMovieIndTrackType(Movie theMovie, long index, OSType trackType, long flags) try {
  ApiCall call("GetMovieIndTrackType", theMovie, index, qtml::FourCC{trackType}, flags);
  MovieRecord* movie = qtml::EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<Track>(nullptr);
  long seen = 0;
  for (auto& track : movie->tracks) {
    if (qtml::TrackMatches(*track, trackType, flags) && ++seen == index) {
      qtml::SetMoviesError(noErr);
      return call.Return(qtml::ReferenceTo(track.get()));
    }
  }
  qtml::SetMoviesError(noErr);
  return call.Return<Track>(nullptr);
} catch (...) {
  return qtml::Escaped<Track>();
}

QTML_API Track GetMovieTrack(Movie theMovie, long trackID) try {
  ApiCall call("GetMovieTrack", theMovie, trackID);
  MovieRecord* movie = qtml::EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<Track>(nullptr);
  for (auto& track : movie->tracks) {
    if (track->id == trackID) {
      qtml::SetMoviesError(noErr);
      return call.Return(qtml::ReferenceTo(track.get()));
    }
  }
  qtml::SetMoviesError(trackIDNotFound);
  return call.Return<Track>(nullptr);
} catch (...) {
  return qtml::Escaped<Track>();
}

}  // extern "C"
