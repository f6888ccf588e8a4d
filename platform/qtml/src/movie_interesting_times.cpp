// Interesting times: where the next sample, sync sample, edit or step of
// a media, track or movie begins, searching forwards or backwards.
//
// A search gathers the candidate times where something of the kinds asked
// for begins (with how long it lasts) and picks the nearest one after the
// start time (before it for a negative rate; the start itself counts with
// nextTimeEdgeOK).
#include <algorithm>
#include <vector>

#include "memory.h"
#include "movie_calls.h"
#include "movie_edit_list.h"

namespace qtml {
namespace {

struct Candidate {
  TimeValue time;
  TimeValue duration;
};

constexpr short kSampleKinds = nextTimeMediaSample | nextTimeMediaEdit | nextTimeStep;

bool Forward(Fixed rate) {
  return rate >= 0;
}

// The nearest candidate in the direction of the rate, or none.
bool Nearest(const std::vector<Candidate>& candidates, TimeValue time, Fixed rate, bool edgeOK,
             Candidate* found) {
  bool any = false;
  for (const Candidate& c : candidates) {
    bool ahead = Forward(rate) ? (c.time > time || (edgeOK && c.time == time))
                               : (c.time < time || (edgeOK && c.time == time));
    if (!ahead) continue;
    bool nearer = !any || (Forward(rate) ? c.time < found->time : c.time > found->time);
    if (nearer) *found = c;
    any = any || nearer;
  }
  return any;
}

// Sample starts of the media (sync ones only when asked).
std::vector<Candidate> MediaCandidates(const MediaRecord& media, short flags) {
  std::vector<Candidate> candidates;
  bool samples = (flags & kSampleKinds) != 0;
  bool sync = (flags & nextTimeSyncSample) != 0;
  if (!samples && !sync) return candidates;
  TimeValue t = 0;
  for (const SampleEntry& sample : media.samples) {
    if (samples || sample.sync) candidates.push_back({t, sample.duration});
    t += sample.duration;
  }
  return candidates;
}

// The media's candidates seen through the track's edits, in movie time,
// and the edits' own starts for nextTimeTrackEdit.
std::vector<Candidate> TrackCandidates(const TrackRecord& track, short flags) {
  std::vector<Candidate> candidates;
  std::vector<Candidate> media;
  if (track.media != nullptr) media = MediaCandidates(*track.media, flags);
  TrackScales scales = ScalesOf(track);
  TimeValue start = 0;
  for (const EditEntry& edit : track.edits) {
    TimeValue end = start + edit.trackDuration;
    if ((flags & nextTimeTrackEdit) != 0) candidates.push_back({start, edit.trackDuration});
    if (edit.mediaTime != -1 && !media.empty()) {
      TimeValue mediaEnd = edit.mediaTime + EditMediaDuration(edit, scales);
      for (const Candidate& c : media) {
        TimeValue cEnd = c.time + c.duration;
        if (cEnd <= edit.mediaTime || c.time >= mediaEnd) continue;
        // A sample already showing when the edit begins shows from its start.
        TimeValue from =
            c.time <= edit.mediaTime ? start : start + OffsetOfMediaTime(edit, c.time, scales);
        TimeValue to = cEnd >= mediaEnd ? end : start + OffsetOfMediaTime(edit, cEnd, scales);
        if (from < end && to > from) candidates.push_back({from, to - from});
      }
    }
    start = end;
  }
  return candidates;
}

bool TrackWanted(const TrackRecord& track, short numMediaTypes, const OSType* types) {
  if (!track.enabled) return false;
  if (numMediaTypes <= 0 || types == nullptr) return true;
  OSType type = track.media != nullptr ? track.media->type : 0;
  for (short i = 0; i < numMediaTypes; ++i) {
    if (types[i] == type || MediaTypeHasCharacteristic(type, types[i])) return true;
  }
  return false;
}

bool AnyTrackWanted(const MovieRecord& movie, short numMediaTypes, const OSType* types) {
  return std::any_of(movie.tracks.begin(), movie.tracks.end(),
                     [&](const auto& track) { return TrackWanted(*track, numMediaTypes, types); });
}

void Answer(bool found, const Candidate& c, TimeValue* time, TimeValue* duration) {
  if (time != nullptr) *time = found ? c.time : -1;
  if (duration != nullptr) *duration = found ? c.duration : 0;
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::Candidate;
using qtml::SetMoviesError;

extern "C" {

QTML_API void GetMovieNextInterestingTime(Movie theMovie, short interestingTimeFlags,
                                          short numMediaTypes, const OSType* whichMediaTypes,
                                          TimeValue time, Fixed rate, TimeValue* interestingTime,
                                          TimeValue* interestingDuration) {
  ApiCall call("GetMovieNextInterestingTime", theMovie, interestingTimeFlags, numMediaTypes, time,
               rate);
  qtml::Answer(false, {}, interestingTime, interestingDuration);
  qtml::MovieRecord* movie = qtml::EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  bool edgeOK = (interestingTimeFlags & nextTimeEdgeOK) != 0;
  Candidate found{};
  // A step over all media steps frames: when the movie shows pictures, the
  // samples of media that do not (sound) are no steps.
  OSType visual = VisualMediaCharacteristic;
  if ((interestingTimeFlags & nextTimeStep) != 0 && (numMediaTypes <= 0 || !whichMediaTypes) &&
      qtml::AnyTrackWanted(*movie, 1, &visual)) {
    numMediaTypes = 1;
    whichMediaTypes = &visual;
  }
  bool any = qtml::Guarded<bool>(false, [&] {
    std::vector<Candidate> all;
    for (const auto& track : movie->tracks) {
      if (!qtml::TrackWanted(*track, numMediaTypes, whichMediaTypes)) continue;
      auto mine = qtml::TrackCandidates(*track, interestingTimeFlags);
      all.insert(all.end(), mine.begin(), mine.end());
    }
    // Among candidates at the same time, the shortest says when the next
    // thing happens.
    std::sort(all.begin(), all.end(), [](const Candidate& a, const Candidate& b) {
      return a.time != b.time ? a.time < b.time : a.duration < b.duration;
    });
    return qtml::Nearest(all, time, rate, edgeOK, &found);
  });
  bool inSegment = movie->activeSegmentStart == -1 ||
                   (interestingTimeFlags & nextTimeIgnoreActiveSegment) != 0 ||
                   (found.time >= movie->activeSegmentStart &&
                    found.time < movie->activeSegmentStart + movie->activeSegmentDuration);
  qtml::Answer(any && inSegment, found, interestingTime, interestingDuration);
  SetMoviesError(noErr);
}

QTML_API void GetTrackNextInterestingTime(Track theTrack, short interestingTimeFlags,
                                          TimeValue time, Fixed rate, TimeValue* interestingTime,
                                          TimeValue* interestingDuration) {
  ApiCall call("GetTrackNextInterestingTime", theTrack, interestingTimeFlags, time, rate);
  qtml::Answer(false, {}, interestingTime, interestingDuration);
  qtml::TrackRecord* track = qtml::EnterTrack(call, theTrack);
  if (track == nullptr) return;
  Candidate found{};
  bool any = qtml::Guarded<bool>(false, [&] {
    return qtml::Nearest(qtml::TrackCandidates(*track, interestingTimeFlags), time, rate,
                         (interestingTimeFlags & nextTimeEdgeOK) != 0, &found);
  });
  qtml::Answer(any, found, interestingTime, interestingDuration);
  SetMoviesError(noErr);
}

QTML_API void GetMediaNextInterestingTime(Media theMedia, short interestingTimeFlags,
                                          TimeValue time, Fixed rate, TimeValue* interestingTime,
                                          TimeValue* interestingDuration) {
  ApiCall call("GetMediaNextInterestingTime", theMedia, interestingTimeFlags, time, rate);
  qtml::Answer(false, {}, interestingTime, interestingDuration);
  qtml::MediaRecord* media = qtml::EnterMedia(call, theMedia);
  if (media == nullptr) return;
  Candidate found{};
  bool any = qtml::Guarded<bool>(false, [&] {
    return qtml::Nearest(qtml::MediaCandidates(*media, interestingTimeFlags), time, rate,
                         (interestingTimeFlags & nextTimeEdgeOK) != 0, &found);
  });
  qtml::Answer(any, found, interestingTime, interestingDuration);
  SetMoviesError(noErr);
}

}  // extern "C"
