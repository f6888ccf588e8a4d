// Editing: media into tracks, segments of tracks and movies inserted,
// deleted and scaled, the time mapping through edit lists, and the
// selection edits (cut, copy, paste, add, clear).
#include <algorithm>
#include <vector>

#include "memory/memory.h"
#include "movies/movie_calls.h"
#include "movies/movie_edit_list.h"

namespace qtml {
namespace {

constexpr Fixed kFixedOne = 0x10000;

bool HasMaterial(const std::vector<EditEntry>& edits) {
  return std::any_of(edits.begin(), edits.end(),
                     [](const EditEntry& e) { return e.mediaTime != -1; });
}

// The movie time the media's span lasts at the rate.
TimeValue TrackTimeOfMedia(const TrackRecord& track, TimeValue mediaDuration, Fixed rate) {
  TrackScales scales = ScalesOf(track);
  double t = static_cast<double>(mediaDuration) * scales.movie * kFixedOne /
             (static_cast<double>(scales.media) * rate);
  return static_cast<TimeValue>(std::min(t + 0.5, 2147483647.0));
}

OSErr InsertMedia(TrackRecord& track, TimeValue trackStart, TimeValue mediaTime,
                  TimeValue mediaDuration, Fixed rate) {
  if (track.media == nullptr) return invalidMedia;
  if (rate == 0) rate = kFixedOne;
  if (rate < 0 || mediaDuration <= 0) return invalidDuration;
  if (mediaTime < 0 ||
      static_cast<SInt64>(mediaTime) + mediaDuration > MediaDuration(*track.media)) {
    return invalidTime;
  }
  if (trackStart == -1) trackStart = TrackDuration(track);
  if (trackStart < 0) return invalidTime;
  EditEntry edit{TrackTimeOfMedia(track, mediaDuration, rate), mediaTime, rate};
  InsertEdits(track, trackStart, {edit});
  TrackEdited(track);
  return noErr;
}

// Gives the track a media like the source's when it has none yet.
void EnsureMediaLike(TrackRecord& track, const TrackRecord& source) {
  if (track.media != nullptr || source.media == nullptr) return;
  MediaRecord* media = AddMedia(track, source.media->type, source.media->timeScale);
  media->dataRefs = source.media->dataRefs;
}

OSErr InsertSegment(const TrackRecord& source, const std::vector<EditEntry>& edits,
                    TrackRecord& target, TimeValue dstIn) {
  EnsureMediaLike(target, source);
  std::vector<EditEntry> converted;
  OSErr err = noErr;
  if (!EditsForTrack(source, edits, target, &converted, &err)) return err;
  InsertEdits(target, dstIn, converted);
  TrackEdited(target);
  return noErr;
}

// Inserts the segment of every source track into the destination: each
// into the destination track of the same media type and rank (a new track
// when there is none); destination tracks given nothing get empty time,
// so that the movie's tracks stay in step. `addTracks`: every source track
// becomes a new track instead.
OSErr InsertMovie(MovieRecord& src, MovieRecord& dst, TimeValue srcIn, TimeValue srcDuration,
                  TimeValue dstIn, bool addTracks) {
  if (srcIn < 0 || srcDuration < 0 || dstIn < 0) return paramErr;
  struct Piece {
    TrackRecord* source;
    OSType type;
    int rank;
    std::vector<EditEntry> edits;
  };
  std::vector<Piece> pieces;  // taken before anything changes: src may be dst
  for (auto& track : src.tracks) {
    OSType type = track->media != nullptr ? track->media->type : 0;
    pieces.push_back(
        {track.get(), type, RankOfTrack(src, *track), EditsIn(*track, srcIn, srcDuration)});
  }
  std::vector<TrackRecord*> touched;
  for (Piece& piece : pieces) {
    TrackRecord* target = addTracks ? nullptr : TrackOfTypeAndRank(dst, piece.type, piece.rank);
    if (target == nullptr) {
      if (!HasMaterial(piece.edits)) continue;
      target = NewTrackLike(dst, *piece.source);
    }
    if (OSErr err = InsertSegment(*piece.source, piece.edits, *target, dstIn)) return err;
    touched.push_back(target);
  }
  TimeValue gap = ConvertTime(srcDuration, src.timeScale, dst.timeScale);
  for (auto& track : dst.tracks) {
    bool given = std::find(touched.begin(), touched.end(), track.get()) != touched.end();
    if (!given && !addTracks && dstIn < TrackDuration(*track)) {
      InsertEdits(*track, dstIn, {{gap, -1, kFixedOne}});
    }
  }
  MovieEdited(dst);
  return noErr;
}

// Deletes the segment from every track, or, when memory runs out part of
// the way (std::bad_alloc), from none.
void DeleteSegment(MovieRecord& movie, TimeValue start, TimeValue duration) {
  std::vector<std::vector<EditEntry>> before;
  before.reserve(movie.tracks.size());
  for (const auto& track : movie.tracks) before.push_back(track->edits);
  try {
    for (auto& track : movie.tracks) DeleteEdits(*track, start, duration);
  } catch (...) {
    for (size_t i = 0; i < before.size(); ++i) movie.tracks[i]->edits.swap(before[i]);
    throw;
  }
  MovieEdited(movie);
}

// A new movie (not live) holding the segment: the movie's settings, and
// for each track with material in it a track whose media holds only the
// samples the segment shows.
std::unique_ptr<MovieRecord> MovieOfSegment(MovieRecord& movie, TimeValue start, TimeValue duration,
                                            OSErr* err) {
  auto copy = CopyMovieRecord(movie);
  copy->tracks.clear();
  copy->selectionTime = copy->selectionDuration = 0;
  copy->currentTime = copy->posterTime = 0;
  copy->previewTime = copy->previewDuration = 0;
  copy->creationTime = copy->modificationTime = MacSecondsNow();
  copy->changed = false;
  for (auto& track : movie.tracks) {
    std::vector<EditEntry> edits = EditsIn(*track, start, duration);
    if (!HasMaterial(edits)) continue;
    while (edits.back().mediaTime == -1) edits.pop_back();
    TrackRecord* made = NewTrackLike(*copy, *track);
    made->id = track->id;
    made->userData = track->userData;
    if ((*err = InsertSegment(*track, edits, *made, 0)) != noErr) return nullptr;
  }
  copy->nextTrackID = movie.nextTrackID;
  UpdateDuration(*copy);
  copy->changed = false;
  return copy;
}

Movie AdoptSegment(MovieRecord& movie, OSErr* err) {
  auto copy = MovieOfSegment(movie, movie.selectionTime, movie.selectionDuration, err);
  if (copy == nullptr) return nullptr;
  Movie made = AdoptMovie(std::move(copy));
  if (made == nullptr) *err = memFullErr;
  return made;
}

// Runs an edit, catching what the containers may throw.
template <typename F>
OSErr Edit(F body) {
  return Guarded<OSErr>(memFullErr, body);
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::EnterMovie;
using qtml::EnterTrack;
using qtml::MovieRecord;
using qtml::SetMoviesError;
using qtml::TrackRecord;

extern "C" {

QTML_API OSErr InsertMediaIntoTrack(Track theTrack, TimeValue trackStart, TimeValue mediaTime,
                                    TimeValue mediaDuration, Fixed mediaRate) try {
  ApiCall call("InsertMediaIntoTrack", theTrack, trackStart, mediaTime, mediaDuration, mediaRate);
  TrackRecord* track = EnterTrack(call, theTrack);
  if (track == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::Edit(
      [&] { return qtml::InsertMedia(*track, trackStart, mediaTime, mediaDuration, mediaRate); });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr InsertTrackSegment(Track srcTrack, Track dstTrack, TimeValue srcIn,
                                  TimeValue srcDuration, TimeValue dstIn) try {
  ApiCall call("InsertTrackSegment", srcTrack, dstTrack, srcIn, srcDuration, dstIn);
  TrackRecord* src = EnterTrack(call, srcTrack);
  TrackRecord* dst = src != nullptr ? qtml::TrackOf(dstTrack) : nullptr;
  if (dst == nullptr) return call.Return(GetMoviesError());
  if (srcIn < 0 || srcDuration <= 0 || dstIn < 0) return call.Return(qtml::Result(paramErr));
  OSErr err = qtml::Edit([&] {
    return qtml::InsertSegment(*src, qtml::EditsIn(*src, srcIn, srcDuration), *dst, dstIn);
  });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr InsertMovieSegment(Movie srcMovie, Movie dstMovie, TimeValue srcIn,
                                  TimeValue srcDuration, TimeValue dstIn) try {
  ApiCall call("InsertMovieSegment", srcMovie, dstMovie, srcIn, srcDuration, dstIn);
  MovieRecord* src = EnterMovie(call, srcMovie);
  MovieRecord* dst = src != nullptr ? qtml::MovieOf(dstMovie) : nullptr;
  if (dst == nullptr) return call.Return(GetMoviesError());
  qtml::ReportProgress(*dst, movieProgressOpen, progressOpInsertMovieSegment, 0);
  OSErr err =
      qtml::Edit([&] { return qtml::InsertMovie(*src, *dst, srcIn, srcDuration, dstIn, false); });
  qtml::ReportProgress(*dst, movieProgressUpdatePercent, progressOpInsertMovieSegment, 0x10000);
  qtml::ReportProgress(*dst, movieProgressClose, progressOpInsertMovieSegment, 0x10000);
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr InsertEmptyTrackSegment(Track dstTrack, TimeValue dstIn, TimeValue dstDuration) try {
  ApiCall call("InsertEmptyTrackSegment", dstTrack, dstIn, dstDuration);
  TrackRecord* track = EnterTrack(call, dstTrack);
  if (track == nullptr) return call.Return(GetMoviesError());
  if (dstIn < 0 || dstDuration < 0) return call.Return(qtml::Result(paramErr));
  OSErr err = qtml::Edit([&] {
    qtml::InsertEdits(*track, dstIn, {{dstDuration, -1, qtml::kFixedOne}});
    qtml::TrackEdited(*track);
    return noErr;
  });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr InsertEmptyMovieSegment(Movie dstMovie, TimeValue dstIn, TimeValue dstDuration) try {
  ApiCall call("InsertEmptyMovieSegment", dstMovie, dstIn, dstDuration);
  MovieRecord* movie = EnterMovie(call, dstMovie);
  if (movie == nullptr) return call.Return(GetMoviesError());
  if (dstIn < 0 || dstDuration < 0) return call.Return(qtml::Result(paramErr));
  OSErr err = qtml::Edit([&] {
    for (auto& track : movie->tracks) {
      if (dstIn < qtml::TrackDuration(*track)) {
        qtml::InsertEdits(*track, dstIn, {{dstDuration, -1, qtml::kFixedOne}});
      }
    }
    qtml::MovieEdited(*movie);
    return noErr;
  });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr DeleteTrackSegment(Track theTrack, TimeValue startTime, TimeValue duration) try {
  ApiCall call("DeleteTrackSegment", theTrack, startTime, duration);
  TrackRecord* track = EnterTrack(call, theTrack);
  if (track == nullptr) return call.Return(GetMoviesError());
  if (startTime < 0 || duration < 0) return call.Return(qtml::Result(paramErr));
  OSErr err = qtml::Edit([&] {
    qtml::DeleteEdits(*track, startTime, duration);
    qtml::TrackEdited(*track);
    return noErr;
  });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr DeleteMovieSegment(Movie theMovie, TimeValue startTime, TimeValue duration) try {
  ApiCall call("DeleteMovieSegment", theMovie, startTime, duration);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return(GetMoviesError());
  if (startTime < 0 || duration < 0) return call.Return(qtml::Result(paramErr));
  OSErr err = qtml::Edit([&] {
    qtml::DeleteSegment(*movie, startTime, duration);
    return noErr;
  });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr ScaleTrackSegment(Track theTrack, TimeValue startTime, TimeValue oldDuration,
                                 TimeValue newDuration) try {
  ApiCall call("ScaleTrackSegment", theTrack, startTime, oldDuration, newDuration);
  TrackRecord* track = EnterTrack(call, theTrack);
  if (track == nullptr) return call.Return(GetMoviesError());
  if (startTime < 0 || oldDuration <= 0 || newDuration <= 0) {
    return call.Return(qtml::Result(invalidDuration));
  }
  OSErr err = qtml::Edit([&] {
    qtml::ScaleEdits(*track, startTime, oldDuration, newDuration);
    qtml::TrackEdited(*track);
    return noErr;
  });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr ScaleMovieSegment(Movie theMovie, TimeValue startTime, TimeValue oldDuration,
                                 TimeValue newDuration) try {
  ApiCall call("ScaleMovieSegment", theMovie, startTime, oldDuration, newDuration);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return(GetMoviesError());
  if (startTime < 0 || oldDuration <= 0 || newDuration <= 0) {
    return call.Return(qtml::Result(invalidDuration));
  }
  OSErr err = qtml::Edit([&] {
    for (auto& track : movie->tracks) {
      qtml::ScaleEdits(*track, startTime, oldDuration, newDuration);
    }
    qtml::MovieEdited(*movie);
    return noErr;
  });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API TimeValue TrackTimeToMediaTime(TimeValue value, Track theTrack) try {
  ApiCall call("TrackTimeToMediaTime", value, theTrack);
  TrackRecord* track = EnterTrack(call, theTrack);
  if (track == nullptr) return call.Return<TimeValue>(-1);
  SetMoviesError(noErr);
  qtml::EditPosition at = qtml::EditAt(*track, value);
  if (at.index < 0) return call.Return<TimeValue>(-1);
  const qtml::EditEntry& edit = track->edits[at.index];
  return call.Return(qtml::MediaTimeInEdit(edit, value - at.start, qtml::ScalesOf(*track)));
} catch (...) {
  return qtml::Escaped<TimeValue>();
}

QTML_API Fixed GetTrackEditRate(Track theTrack, TimeValue atTime) try {
  ApiCall call("GetTrackEditRate", theTrack, atTime);
  TrackRecord* track = EnterTrack(call, theTrack);
  if (track == nullptr) return call.Return<Fixed>(0);
  qtml::EditPosition at = qtml::EditAt(*track, atTime);
  if (at.index < 0) {
    SetMoviesError(invalidTime);
    return call.Return<Fixed>(0);
  }
  SetMoviesError(noErr);
  return call.Return(track->edits[at.index].rate);
} catch (...) {
  return qtml::Escaped<Fixed>();
}

QTML_API Movie CopyMovieSelection(Movie theMovie) try {
  ApiCall call("CopyMovieSelection", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<Movie>(nullptr);
  OSErr err = noErr;
  Movie copy = qtml::Guarded<Movie>(nullptr, [&] { return qtml::AdoptSegment(*movie, &err); });
  if (copy == nullptr && err == noErr) err = memFullErr;
  SetMoviesError(err);
  return call.Return(copy);
} catch (...) {
  return qtml::Escaped<Movie>();
}

QTML_API Movie CutMovieSelection(Movie theMovie) try {
  ApiCall call("CutMovieSelection", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<Movie>(nullptr);
  OSErr err = noErr;
  Movie cut = qtml::Guarded<Movie>(nullptr, [&] {
    Movie copy = qtml::AdoptSegment(*movie, &err);
    if (copy == nullptr) return copy;
    try {
      qtml::DeleteSegment(*movie, movie->selectionTime, movie->selectionDuration);
    } catch (...) {
      delete qtml::MovieOf(copy);  // the cut did not happen: its movie goes
      throw;
    }
    movie->selectionDuration = 0;
    return copy;
  });
  if (cut == nullptr && err == noErr) err = memFullErr;
  SetMoviesError(err);
  return call.Return(cut);
} catch (...) {
  return qtml::Escaped<Movie>();
}

QTML_API void ClearMovieSelection(Movie theMovie) try {
  ApiCall call("ClearMovieSelection", theMovie);
  MovieRecord* movie = EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  SetMoviesError(qtml::Edit([&] {
    qtml::DeleteSegment(*movie, movie->selectionTime, movie->selectionDuration);
    movie->selectionDuration = 0;
    return noErr;
  }));
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void PasteMovieSelection(Movie theMovie, Movie src) try {
  ApiCall call("PasteMovieSelection", theMovie, src);
  MovieRecord* movie = EnterMovie(call, theMovie);
  MovieRecord* source = movie != nullptr ? qtml::MovieOf(src) : nullptr;
  if (source == nullptr) return;
  qtml::ReportProgress(*movie, movieProgressOpen, progressOpPaste, 0);
  SetMoviesError(qtml::Edit([&] {
    qtml::UpdateDuration(*source);
    TimeValue length = source->duration;
    auto copy = qtml::CopyMovieRecord(*source);  // the source may be the movie itself
    if (movie->selectionDuration > 0) {
      qtml::DeleteSegment(*movie, movie->selectionTime, movie->selectionDuration);
    }
    OSErr err = qtml::InsertMovie(*copy, *movie, 0, length, movie->selectionTime, false);
    if (err == noErr) {
      movie->selectionDuration = qtml::ConvertTime(length, copy->timeScale, movie->timeScale);
    }
    return err;
  }));
  qtml::ReportProgress(*movie, movieProgressClose, progressOpPaste, 0x10000);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void AddMovieSelection(Movie theMovie, Movie src) try {
  ApiCall call("AddMovieSelection", theMovie, src);
  MovieRecord* movie = EnterMovie(call, theMovie);
  MovieRecord* source = movie != nullptr ? qtml::MovieOf(src) : nullptr;
  if (source == nullptr) return;
  SetMoviesError(qtml::Edit([&] {
    qtml::UpdateDuration(*source);
    TimeValue length = source->duration;
    auto copy = qtml::CopyMovieRecord(*source);
    OSErr err = qtml::InsertMovie(*copy, *movie, 0, length, movie->selectionTime, true);
    if (err == noErr) {
      movie->selectionDuration = qtml::ConvertTime(length, copy->timeScale, movie->timeScale);
    }
    return err;
  }));
} catch (...) {
  return qtml::Escaped<void>();
}

}  // extern "C"
