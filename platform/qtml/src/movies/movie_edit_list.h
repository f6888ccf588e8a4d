// The toolbox's work on the movie model, shared by its calls: times and
// durations, the mapping of track time through edit lists onto media
// time, edit-list surgery, moving samples between media and copying
// movies. Nothing here traces or sets GetMoviesError; the calls do.
#pragma once

#include <memory>
#include <vector>

#include "movies/movie_model.h"

namespace qtml {

// Seconds since midnight, January 1, 1904.
UInt32 MacSecondsNow() noexcept;

// A 64-bit time held to the range of a TimeValue.
TimeValue Clamp(SInt64 value);

// Converts a time between scales, rounding to nearest.
TimeValue ConvertTime(SInt64 value, TimeScale from, TimeScale to);

TimeValue MediaDuration(const MediaRecord& media);
TimeValue TrackDuration(const TrackRecord& track);
// Sets the movie's duration to its longest track's.
void UpdateDuration(MovieRecord& movie);
// After an edit: the duration follows, the movie is changed and modified now.
void MovieEdited(MovieRecord& movie);
void TrackEdited(TrackRecord& track);

// The media time an edit spends per unit of movie time is its rate times
// the media's scale over the movie's.
struct TrackScales {
  TimeScale movie;
  TimeScale media;
};
TrackScales ScalesOf(const TrackRecord& track);
// The media time the edit covers.
TimeValue EditMediaDuration(const EditEntry& edit, TrackScales scales);
// The media time shown `offset` movie units into the edit.
TimeValue MediaTimeInEdit(const EditEntry& edit, TimeValue offset, TrackScales scales);
// The movie units into the edit at which media time `mediaTime` shows.
TimeValue OffsetOfMediaTime(const EditEntry& edit, TimeValue mediaTime, TrackScales scales);

// The edit at track time t (index into edits, -1 past the end) and where
// it starts.
struct EditPosition {
  long index = -1;
  TimeValue start = 0;
};
EditPosition EditAt(const TrackRecord& track, TimeValue t);

// Sample lookup: the index of the sample at media time t (-1 outside the
// media) and its start.
struct SamplePosition {
  long index = -1;
  TimeValue start = 0;
};
SamplePosition SampleAt(const MediaRecord& media, TimeValue t);

// The samples [first, stop) that showing media time [from, to) needs: those
// shown in it, by their decoding or their display times, from the sync
// sample before the first of them (and whole packets of packed sound), so
// that every one decodes. first == stop when the stretch shows no sample.
struct SampleRun {
  uint64_t first = 0;
  uint64_t stop = 0;
};
SampleRun SamplesNeeded(const MediaRecord& media, TimeValue from, TimeValue to);

// Edit-list surgery (times in movie time). Each keeps the list free of
// zero-length edits.
// Makes an edit boundary at t (t inside the track).
void SplitEdits(TrackRecord& track, TimeValue t);
// The edits covering [start, start + duration), cut at the ends; time past
// the track's end reads as empty.
std::vector<EditEntry> EditsIn(const TrackRecord& track, TimeValue start, TimeValue duration);
// Inserts edits at t, padding with empty time when t is past the end.
void InsertEdits(TrackRecord& track, TimeValue t, const std::vector<EditEntry>& edits);
void DeleteEdits(TrackRecord& track, TimeValue start, TimeValue duration);
// Stretches [start, start + oldDuration) to newDuration by the edits' rates.
void ScaleEdits(TrackRecord& track, TimeValue start, TimeValue oldDuration, TimeValue newDuration);

// Edits of `source` (in its movie's time) re-expressed for `target`: the
// samples they show are made samples of the target's media (sharing
// their stores) and the durations converted to the target's movie scale.
// False (target unchanged) with *err when the media types differ.
bool EditsForTrack(const TrackRecord& source, const std::vector<EditEntry>& edits,
                   TrackRecord& target, std::vector<EditEntry>* out, OSErr* err);

// A data reference of another movie's media as a media of `movie` holds
// it: naming `movie`'s own file, it is a self reference; naming another
// file, it is an alias to that file, never a self reference, whatever
// the movie it came from called it. Others are kept as they are.
DataReference ReferenceIn(const DataReference& ref, const MovieRecord* movie);

// A new track of `movie` with the settings of `source` and an empty media
// of the same kind (the same data references, as ReferenceIn gives them),
// made live when the movie is.
TrackRecord* NewTrackLike(MovieRecord& movie, const TrackRecord& source);
TrackRecord* AddTrack(MovieRecord& movie, Fixed width, Fixed height, short volume);
// A new media for the track (replacing any), made live with the track.
MediaRecord* AddMedia(TrackRecord& track, OSType type, TimeScale scale);
// True for a movie the toolbox handed out and has not disposed of.
bool IsLiveMovie(const MovieRecord* movie) noexcept;
// Gives a new media of a live movie its reference; false when memory is
// short.
bool MediaCreated(MediaRecord* media) noexcept;

// A deep copy of the movie: tracks, media and their sample tables; data
// stores are shared. Not live.
std::unique_ptr<MovieRecord> CopyMovieRecord(const MovieRecord& movie);

// The k-th track (from 0) of a media type in the movie, or nullptr.
TrackRecord* TrackOfTypeAndRank(MovieRecord& movie, OSType type, int rank);
int RankOfTrack(const MovieRecord& movie, const TrackRecord& track);

// Whether media of this type can be seen ('eyes') or heard ('ears').
bool MediaTypeHasCharacteristic(OSType mediaType, OSType characteristic);

// Appends the bytes to the store of the description's data reference as
// numberOfSamples equal samples (AddMediaSample's work).
OSErr AddSampleBytes(MediaRecord& media, const void* bytes, unsigned long size,
                     TimeValue durationPerSample, SampleDescriptionHandle description,
                     long numberOfSamples, short sampleFlags, TimeValue* sampleTime);

// Calls the movie's progress procedure, if it has one other than the
// default display; answers its result.
OSErr ReportProgress(MovieRecord& movie, short message, short operation, Fixed percent);

}  // namespace qtml
