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

using Ranges = std::vector<SampleRun>;

// The media's samples overlapping [start, start + duration).
SampleRun SamplesIn(const MediaRecord& media, SInt64 start, SInt64 duration) {
  const SampleTable& table = media.samples;
  SampleTable::Position at = table.Find(std::max<SInt64>(start, 0));
  if (at.index < 0) return {};
  SInt64 end = start + std::max<SInt64>(duration, 1);
  uint64_t first = static_cast<uint64_t>(at.index);
  return {first, std::max(first + 1, table.FirstStartingAt(end))};
}

// The track's samples showing in the movie-time range, per edit.
Ranges TrackSamplesIn(const TrackRecord& track, TimeValue start, TimeValue duration) {
  Ranges found;
  if (track.media == nullptr) return found;
  TrackScales scales = ScalesOf(track);
  for (const EditEntry& piece : EditsIn(track, start, duration)) {
    if (piece.mediaTime == -1) continue;
    SampleRun run = SamplesIn(*track.media, piece.mediaTime, EditMediaDuration(piece, scales));
    if (run.first < run.stop) found.push_back(run);
  }
  return found;
}

SInt64 BytesOf(const MediaRecord& media, const Ranges& ranges) {
  SInt64 total = 0;
  for (const SampleRun& run : ranges) total += media.samples.BytesOf(run.first, run.stop);
  return total;
}

constexpr SInt64 kLoadBlock = 1 << 20;

// Reads the samples of each range from their stores, a chunk at a time in
// pieces of at most kLoadBlock bytes; the first failure's error.
OSErr Load(MediaRecord& media, const Ranges& ranges, long flags) {
  if ((flags & (unkeepInRam | flushFromRam)) != 0) return noErr;
  const SampleTable& table = media.samples;
  std::vector<uint8_t> bytes;
  for (const SampleRun& run : ranges) {
    for (size_t c = table.ChunkOf(run.first); c < table.ChunkCount(); ++c) {
      SampleTable::Chunk chunk = table.ChunkAt(c);
      if (chunk.first >= run.stop) break;
      OSErr err = noErr;
      DataStore* store = DescriptionStore(media, chunk.description, false, &err);
      if (store == nullptr) return err;
      uint64_t lo = table.PacketOf(std::max(run.first, chunk.first)).first;
      uint64_t hi = std::min(run.stop, chunk.first + chunk.count);
      SInt64 at = chunk.offset + table.BytesOf(chunk.first, lo);
      for (SInt64 left = table.BytesOf(lo, hi); left > 0;) {
        SInt64 step = std::min(left, kLoadBlock);
        bytes.resize(static_cast<size_t>(step));
        if (!store->Read(at, bytes.data(), step)) return StoreError(*store, ioErr);
        at += step;
        left -= step;
      }
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
                                  wide* dataSize) try {
  ApiCall call("GetMovieDataSize64", theMovie, startTime, duration);
  if (dataSize != nullptr) *dataSize = 0;
  MovieRecord* movie = qtml::EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::MeasureInto(startTime, duration, dataSize, true,
                                [&] { return qtml::MovieBytes(*movie, startTime, duration); });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API long GetMovieDataSize(Movie theMovie, TimeValue startTime, TimeValue duration) try {
  wide size = 0;
  GetMovieDataSize64(theMovie, startTime, duration, &size);
  return qtml::Low(size);
} catch (...) {
  return qtml::Escaped<long>();
}

QTML_API OSErr GetTrackDataSize64(Track theTrack, TimeValue startTime, TimeValue duration,
                                  wide* dataSize) try {
  ApiCall call("GetTrackDataSize64", theTrack, startTime, duration);
  if (dataSize != nullptr) *dataSize = 0;
  TrackRecord* track = qtml::EnterTrack(call, theTrack);
  if (track == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::MeasureInto(startTime, duration, dataSize, track->media != nullptr, [&] {
    return qtml::BytesOf(*track->media, qtml::TrackSamplesIn(*track, startTime, duration));
  });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API long GetTrackDataSize(Track theTrack, TimeValue startTime, TimeValue duration) try {
  wide size = 0;
  GetTrackDataSize64(theTrack, startTime, duration, &size);
  return qtml::Low(size);
} catch (...) {
  return qtml::Escaped<long>();
}

QTML_API OSErr GetMediaDataSize64(Media theMedia, TimeValue startTime, TimeValue duration,
                                  wide* dataSize) try {
  ApiCall call("GetMediaDataSize64", theMedia, startTime, duration);
  if (dataSize != nullptr) *dataSize = 0;
  MediaRecord* media = qtml::EnterMedia(call, theMedia);
  if (media == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::MeasureInto(startTime, duration, dataSize, duration > 0, [&] {
    return qtml::BytesOf(*media, qtml::Ranges{qtml::SamplesIn(*media, startTime, duration)});
  });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API long GetMediaDataSize(Media theMedia, TimeValue startTime, TimeValue duration) try {
  wide size = 0;
  GetMediaDataSize64(theMedia, startTime, duration, &size);
  return qtml::Low(size);
} catch (...) {
  return qtml::Escaped<long>();
}

QTML_API OSErr LoadMovieIntoRam(Movie theMovie, TimeValue time, TimeValue duration,
                                long flags) try {
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
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr LoadTrackIntoRam(Track theTrack, TimeValue time, TimeValue duration,
                                long flags) try {
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
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr LoadMediaIntoRam(Media theMedia, TimeValue time, TimeValue duration,
                                long flags) try {
  ApiCall call("LoadMediaIntoRam", theMedia, time, duration, flags);
  MediaRecord* media = qtml::EnterMedia(call, theMedia);
  if (media == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::CheckRange(time, duration);
  if (err == noErr) {
    err = qtml::Guarded<OSErr>(memFullErr, [&] {
      return qtml::Load(*media, qtml::Ranges{qtml::SamplesIn(*media, time, duration)}, flags);
    });
  }
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
