// The bytes of sample data behind a time range of a movie, track or media,
// and loading them into memory.
//
// A range covers every sample that shows in it, even in part. Loading
// reads those samples from their stores, so a store that cannot give them
// is found out now rather than while playing.
#include <algorithm>
#include <vector>

#include "data/data_refs.h"
#include "memory/memory.h"
#include "movies/movie_calls.h"
#include "movies/movie_edit_list.h"

namespace qtml {
namespace {

// Indices of the media's samples overlapping [start, start + duration).
std::vector<long> SamplesIn(const MediaRecord& media, SInt64 start, SInt64 duration) {
  std::vector<long> found;
  SInt64 end = start + std::max<SInt64>(duration, 1);
  SInt64 t = 0;
  for (size_t i = 0; i < media.samples.size() && t < end; ++i) {
    SInt64 next = t + media.samples[i].duration;
    if (next > start) found.push_back(static_cast<long>(i));
    t = next;
  }
  return found;
}

// The track's samples showing in the movie-time range, per edit.
std::vector<long> TrackSamplesIn(const TrackRecord& track, TimeValue start, TimeValue duration) {
  std::vector<long> found;
  if (track.media == nullptr) return found;
  TrackScales scales = ScalesOf(track);
  for (const EditEntry& piece : EditsIn(track, start, duration)) {
    if (piece.mediaTime == -1) continue;
    auto mine = SamplesIn(*track.media, piece.mediaTime, EditMediaDuration(piece, scales));
    found.insert(found.end(), mine.begin(), mine.end());
  }
  return found;
}

SInt64 BytesOf(const MediaRecord& media, const std::vector<long>& samples) {
  SInt64 total = 0;
  for (long i : samples) total += media.samples[i].size;
  return total;
}

// Reads each sample from its store; the first failure's error.
OSErr Load(MediaRecord& media, const std::vector<long>& samples, long flags) {
  if ((flags & (unkeepInRam | flushFromRam)) != 0) return noErr;
  std::vector<uint8_t> bytes;
  for (long i : samples) {
    const SampleEntry& sample = media.samples[i];
    if (sample.descriptionIndex == 0 || sample.descriptionIndex > media.descriptions.size()) {
      return invalidSampleDescIndex;
    }
    const std::vector<uint8_t>& description = media.descriptions[sample.descriptionIndex - 1];
    size_t ref = description.size() >= 16 ? (description[14] << 8) | description[15] : 1;
    if (ref == 0 || ref > media.dataRefs.size()) return badDataRefIndex;
    DataReference& reference = media.dataRefs[ref - 1];
    OSErr err = noErr;
    if (reference.store == nullptr) {
      reference.store = OpenDataRefStore(reference.type, reference.data.data(),
                                         reference.data.size(), false, &err);
    }
    if (reference.store == nullptr) return err != noErr ? err : couldNotResolveDataRef;
    bytes.resize(sample.size);
    if (sample.size > 0 && !reference.store->Read(sample.offset, bytes.data(), sample.size)) {
      return ioErr;
    }
  }
  return noErr;
}

OSErr CheckRange(TimeValue start, TimeValue duration) {
  return start < 0 || duration < 0 ? paramErr : noErr;
}

SInt64 MovieBytes(const MovieRecord& movie, TimeValue start, TimeValue duration) {
  SInt64 total = 0;
  for (const auto& track : movie.tracks) {
    if (track->media != nullptr) {
      total += BytesOf(*track->media, TrackSamplesIn(*track, start, duration));
    }
  }
  return total;
}

// The 32-bit calls answer the low bits, as QuickTime's do past 2 GB.
long Low(SInt64 size) {
  return static_cast<long>(static_cast<UInt32>(size));
}

// The checks every data size call shares, then `count` (which may throw)
// into *dataSize; a call with nothing to count (`counting` false) answers
// 0 bytes.
template <typename Count>
OSErr MeasureInto(TimeValue start, TimeValue duration, wide* dataSize, bool counting, Count count) {
  OSErr err = CheckRange(start, duration);
  if (err == noErr && dataSize == nullptr) err = paramErr;
  if (err != noErr || !counting) return err;
  return Guarded<OSErr>(memFullErr, [&] {
    *dataSize = count();
    return noErr;
  });
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::MediaRecord;
using qtml::MovieRecord;
using qtml::TrackRecord;

extern "C" {

QTML_API OSErr GetMovieDataSize64(Movie theMovie, TimeValue startTime, TimeValue duration,
                                  wide* dataSize) {
  ApiCall call("GetMovieDataSize64", theMovie, startTime, duration);
  if (dataSize != nullptr) *dataSize = 0;
  MovieRecord* movie = qtml::EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::MeasureInto(startTime, duration, dataSize, true,
                                [&] { return qtml::MovieBytes(*movie, startTime, duration); });
  return call.Return(qtml::Result(err));
}

QTML_API long GetMovieDataSize(Movie theMovie, TimeValue startTime, TimeValue duration) {
  wide size = 0;
  GetMovieDataSize64(theMovie, startTime, duration, &size);
  return qtml::Low(size);
}

QTML_API OSErr GetTrackDataSize64(Track theTrack, TimeValue startTime, TimeValue duration,
                                  wide* dataSize) {
  ApiCall call("GetTrackDataSize64", theTrack, startTime, duration);
  if (dataSize != nullptr) *dataSize = 0;
  TrackRecord* track = qtml::EnterTrack(call, theTrack);
  if (track == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::MeasureInto(startTime, duration, dataSize, track->media != nullptr, [&] {
    return qtml::BytesOf(*track->media, qtml::TrackSamplesIn(*track, startTime, duration));
  });
  return call.Return(qtml::Result(err));
}

QTML_API long GetTrackDataSize(Track theTrack, TimeValue startTime, TimeValue duration) {
  wide size = 0;
  GetTrackDataSize64(theTrack, startTime, duration, &size);
  return qtml::Low(size);
}

QTML_API OSErr GetMediaDataSize64(Media theMedia, TimeValue startTime, TimeValue duration,
                                  wide* dataSize) {
  ApiCall call("GetMediaDataSize64", theMedia, startTime, duration);
  if (dataSize != nullptr) *dataSize = 0;
  MediaRecord* media = qtml::EnterMedia(call, theMedia);
  if (media == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::MeasureInto(startTime, duration, dataSize, duration > 0, [&] {
    return qtml::BytesOf(*media, qtml::SamplesIn(*media, startTime, duration));
  });
  return call.Return(qtml::Result(err));
}

QTML_API long GetMediaDataSize(Media theMedia, TimeValue startTime, TimeValue duration) {
  wide size = 0;
  GetMediaDataSize64(theMedia, startTime, duration, &size);
  return qtml::Low(size);
}

QTML_API OSErr LoadMovieIntoRam(Movie theMovie, TimeValue time, TimeValue duration, long flags) {
  ApiCall call("LoadMovieIntoRam", theMovie, time, duration, flags);
  MovieRecord* movie = qtml::EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::CheckRange(time, duration);
  for (size_t i = 0; err == noErr && i < movie->tracks.size(); ++i) {
    TrackRecord& track = *movie->tracks[i];
    if (track.media == nullptr) continue;
    err = qtml::Guarded<OSErr>(memFullErr, [&] {
      return qtml::Load(*track.media, qtml::TrackSamplesIn(track, time, duration), flags);
    });
  }
  return call.Return(qtml::Result(err));
}

QTML_API OSErr LoadTrackIntoRam(Track theTrack, TimeValue time, TimeValue duration, long flags) {
  ApiCall call("LoadTrackIntoRam", theTrack, time, duration, flags);
  TrackRecord* track = qtml::EnterTrack(call, theTrack);
  if (track == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::CheckRange(time, duration);
  if (err == noErr && track->media != nullptr) {
    err = qtml::Guarded<OSErr>(memFullErr, [&] {
      return qtml::Load(*track->media, qtml::TrackSamplesIn(*track, time, duration), flags);
    });
  }
  return call.Return(qtml::Result(err));
}

QTML_API OSErr LoadMediaIntoRam(Media theMedia, TimeValue time, TimeValue duration, long flags) {
  ApiCall call("LoadMediaIntoRam", theMedia, time, duration, flags);
  MediaRecord* media = qtml::EnterMedia(call, theMedia);
  if (media == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::CheckRange(time, duration);
  if (err == noErr) {
    err = qtml::Guarded<OSErr>(memFullErr, [&] {
      return qtml::Load(*media, qtml::SamplesIn(*media, time, duration), flags);
    });
  }
  return call.Return(qtml::Result(err));
}

}  // extern "C"
