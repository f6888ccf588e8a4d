// Interesting times: where the next sample, sync sample, edit or step of
// a media, track or movie begins, searching forwards or backwards.
//
// A search looks for the nearest time after the start time (before it for
// a negative rate; the start itself counts with nextTimeEdgeOK) where
// something of the kinds asked for begins, and how long it lasts. Within
// an edit, sample times grow with the sample index, so each edit is asked
// only about the samples around the start time: stepping through a media
// costs little per step however many samples it has.
#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "memory/memory.h"
#include "movies/movie_calls.h"
#include "movies/movie_edit_list.h"

namespace qtml {
namespace {

struct Candidate {
  TimeValue time;
  TimeValue duration;
};

constexpr short kSampleKinds = nextTimeMediaSample | nextTimeMediaEdit | nextTimeStep;

// What a search asks for.
struct Search {
  TimeValue time;
  bool forward;
  bool edgeOK;
  bool samples;   // samples begin something
  bool syncOnly;  // only sync samples do
  bool edits;     // edits begin something too
};

Search SearchFor(short flags, TimeValue time, Fixed rate) {
  bool samples = (flags & kSampleKinds) != 0;
  return Search{time,
                rate >= 0,
                (flags & nextTimeEdgeOK) != 0,
                samples || (flags & nextTimeSyncSample) != 0,
                !samples,
                (flags & nextTimeTrackEdit) != 0};
}

bool Ahead(const Search& s, TimeValue at) {
  if (at == s.time) return s.edgeOK;
  return s.forward ? at > s.time : at < s.time;
}

// Keeps the nearer candidate in the search's direction; at the same time,
// the shorter says when the next thing happens.
void Offer(const Search& s, const Candidate& c, std::optional<Candidate>* best) {
  if (!*best || (s.forward ? c.time < (*best)->time : c.time > (*best)->time) ||
      (c.time == (*best)->time && c.duration < (*best)->duration)) {
    *best = c;
  }
}

// An edit that plays the whole media as it is, for searches of the media.
struct EditSpan {
  const EditEntry& edit;
  TimeValue start;  // in movie time, as the edit's end
  TrackScales scales;
};

// The sample candidate nearest the search among those one edit shows. A
// sample already showing when the edit begins shows from the edit's start.
std::optional<Candidate> SearchEdit(const MediaRecord& media, const EditSpan& span,
                                    const Search& s) {
  const EditEntry& edit = span.edit;
  const SampleTable& table = media.samples;
  if (!s.samples || edit.mediaTime < 0 || edit.rate < 0 || table.Empty()) return {};
  TimeValue start = span.start, end = span.start + edit.trackDuration;
  if (end <= start) return {};
  if (edit.rate == 0) {  // a still: its one sample shows for the whole edit
    SamplePosition p = SampleAt(media, edit.mediaTime);
    bool shown = p.index >= 0 &&
                 (!s.syncOnly || SampleTable::Walker(table, static_cast<uint64_t>(p.index)).sync());
    if (!shown || !Ahead(s, start)) return {};
    return Candidate{start, edit.trackDuration};
  }
  TimeValue m0 = edit.mediaTime, mediaEnd = m0 + EditMediaDuration(edit, span.scales);
  if (mediaEnd <= m0) return {};
  TimeValue probe = s.forward ? std::max(s.time, start) : std::min(s.time, end - 1);
  if (probe < start || probe >= end) return {};
  TimeValue mt = std::clamp(MediaTimeInEdit(edit, probe - start, span.scales), m0, mediaEnd - 1);
  SamplePosition p = SampleAt(media, mt);
  if (p.index < 0 && s.forward) return {};
  SampleTable::Walker k(table, p.index >= 0 ? static_cast<uint64_t>(p.index) : table.Count() - 1);
  // Rounding between the scales can put a neighbour on the other side of
  // the start time: begin one sample behind it.
  if (s.forward) {
    k.Prev();
  } else {
    k.Next();
  }
  for (;;) {
    SInt64 kStart = k.start(), kEnd = kStart + k.duration();
    if (s.forward ? kStart >= mediaEnd : kEnd <= m0) return {};
    if (kEnd > m0 && kStart < mediaEnd && (!s.syncOnly || k.sync())) {
      TimeValue from =
          kStart <= m0 ? start : start + OffsetOfMediaTime(edit, Clamp(kStart), span.scales);
      TimeValue to =
          kEnd >= mediaEnd ? end : start + OffsetOfMediaTime(edit, Clamp(kEnd), span.scales);
      if (from < end && to > from && Ahead(s, from)) return Candidate{from, to - from};
    }
    if (!(s.forward ? k.Next() : k.Prev())) return {};
  }
}

// The nearest candidate of a track: its samples through its edits, and the
// edits' own starts for nextTimeTrackEdit. Edits are asked in the search's
// direction, and the first that answers holds the nearest.
std::optional<Candidate> SearchTrack(const TrackRecord& track, const Search& s) {
  std::vector<TimeValue> starts;
  SInt64 at = 0;
  for (const EditEntry& edit : track.edits) {
    starts.push_back(Clamp(at));
    at += edit.trackDuration;
  }
  TrackScales scales = ScalesOf(track);
  size_t count = track.edits.size();
  for (size_t step = 0; step < count; ++step) {
    size_t i = s.forward ? step : count - 1 - step;
    const EditEntry& edit = track.edits[i];
    std::optional<Candidate> best;
    if (s.edits && Ahead(s, starts[i])) Offer(s, Candidate{starts[i], edit.trackDuration}, &best);
    if (track.media != nullptr) {
      if (auto c = SearchEdit(*track.media, EditSpan{edit, starts[i], scales}, s)) {
        Offer(s, *c, &best);
      }
    }
    if (best) return best;
  }
  return {};
}

std::optional<Candidate> SearchMedia(const MediaRecord& media, const Search& s) {
  // An edit as long as time itself: the samples end the search, and
  // their total need not be counted.
  EditEntry whole;
  whole.trackDuration = std::numeric_limits<TimeValue>::max();
  whole.mediaTime = 0;
  TrackScales same{media.timeScale, media.timeScale};
  return SearchEdit(media, EditSpan{whole, 0, same}, s);
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

void Answer(const std::optional<Candidate>& found, TimeValue* time, TimeValue* duration) {
  if (time != nullptr) *time = found ? found->time : -1;
  if (duration != nullptr) *duration = found ? found->duration : 0;
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
                                          TimeValue* interestingDuration) try {
  ApiCall call("GetMovieNextInterestingTime", theMovie, interestingTimeFlags, numMediaTypes, time,
               rate);
  qtml::Answer({}, interestingTime, interestingDuration);
  qtml::MovieRecord* movie = qtml::EnterMovie(call, theMovie);
  if (movie == nullptr) return;
  // A step over all media steps frames: when the movie shows pictures, the
  // samples of media that do not (sound) are no steps.
  OSType visual = VisualMediaCharacteristic;
  if ((interestingTimeFlags & nextTimeStep) != 0 && (numMediaTypes <= 0 || !whichMediaTypes) &&
      qtml::AnyTrackWanted(*movie, 1, &visual)) {
    numMediaTypes = 1;
    whichMediaTypes = &visual;
  }
  qtml::Search search = qtml::SearchFor(interestingTimeFlags, time, rate);
  auto found = qtml::Guarded<std::optional<Candidate>>(std::nullopt, [&] {
    std::optional<Candidate> best;
    for (const auto& track : movie->tracks) {
      if (!qtml::TrackWanted(*track, numMediaTypes, whichMediaTypes)) continue;
      if (auto c = qtml::SearchTrack(*track, search)) qtml::Offer(search, *c, &best);
    }
    return best;
  });
  bool inSegment = !found || movie->activeSegmentStart == -1 ||
                   (interestingTimeFlags & nextTimeIgnoreActiveSegment) != 0 ||
                   (found->time >= movie->activeSegmentStart &&
                    found->time < movie->activeSegmentStart + movie->activeSegmentDuration);
  qtml::Answer(inSegment ? found : std::nullopt, interestingTime, interestingDuration);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void GetTrackNextInterestingTime(Track theTrack, short interestingTimeFlags,
                                          TimeValue time, Fixed rate, TimeValue* interestingTime,
                                          TimeValue* interestingDuration) try {
  ApiCall call("GetTrackNextInterestingTime", theTrack, interestingTimeFlags, time, rate);
  qtml::Answer({}, interestingTime, interestingDuration);
  qtml::TrackRecord* track = qtml::EnterTrack(call, theTrack);
  if (track == nullptr) return;
  qtml::Search search = qtml::SearchFor(interestingTimeFlags, time, rate);
  qtml::Answer(qtml::Guarded<std::optional<Candidate>>(
                   std::nullopt, [&] { return qtml::SearchTrack(*track, search); }),
               interestingTime, interestingDuration);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void GetMediaNextInterestingTime(Media theMedia, short interestingTimeFlags,
                                          TimeValue time, Fixed rate, TimeValue* interestingTime,
                                          TimeValue* interestingDuration) try {
  ApiCall call("GetMediaNextInterestingTime", theMedia, interestingTimeFlags, time, rate);
  qtml::Answer({}, interestingTime, interestingDuration);
  qtml::MediaRecord* media = qtml::EnterMedia(call, theMedia);
  if (media == nullptr) return;
  qtml::Search search = qtml::SearchFor(interestingTimeFlags, time, rate);
  qtml::Answer(qtml::Guarded<std::optional<Candidate>>(
                   std::nullopt, [&] { return qtml::SearchMedia(*media, search); }),
               interestingTime, interestingDuration);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

}  // extern "C"
