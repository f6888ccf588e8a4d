// Interesting times of media, tracks and movies: each kind, both
// directions, the edge, media type and characteristic filters, the active
// segment.
#include <optional>

#include "movies/movie_edit_list.h"
#include "movies/movie_test_support.h"

namespace {

using movie_test::MovieTest;

// Video: four samples of 100 (only the first and third sync); sound: two
// samples of 150.
class InterestingTimes : public MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    movie_ = NewEmptyMovie(600);
    video_ = AddTrack(movie_, VideoMediaType, 600, {100, 100, 100, 100}, 4, 0, {1, 3});
    sound_ = AddTrack(movie_, SoundMediaType, 600, {150, 150});
  }

  // The next time and duration from the movie, filtered by types.
  std::pair<TimeValue, TimeValue> MovieNext(short flags, TimeValue t, Fixed rate,
                                            std::vector<OSType> types = {}) {
    TimeValue time = -2, duration = -2;
    GetMovieNextInterestingTime(movie_, flags, static_cast<short>(types.size()),
                                types.empty() ? nullptr : types.data(), t, rate, &time, &duration);
    return {time, duration};
  }
  std::pair<TimeValue, TimeValue> TrackNext(Track track, short flags, TimeValue t, Fixed rate) {
    TimeValue time = -2, duration = -2;
    GetTrackNextInterestingTime(track, flags, t, rate, &time, &duration);
    return {time, duration};
  }
  std::pair<TimeValue, TimeValue> MediaNext(short flags, TimeValue t, Fixed rate) {
    TimeValue time = -2, duration = -2;
    GetMediaNextInterestingTime(GetTrackMedia(video_), flags, t, rate, &time, &duration);
    return {time, duration};
  }

  using Found = std::pair<TimeValue, TimeValue>;
  Movie movie_ = nullptr;
  Track video_ = nullptr;
  Track sound_ = nullptr;
};

constexpr Fixed kForward = 0x10000;
constexpr Fixed kBackward = -0x10000;

TEST_F(InterestingTimes, MediaSamplesForwardBackwardAndAtTheEdge) {
  EXPECT_EQ(MediaNext(nextTimeMediaSample, 0, kForward), Found(100, 100));
  EXPECT_EQ(MediaNext(nextTimeMediaSample | nextTimeEdgeOK, 0, kForward), Found(0, 100));
  EXPECT_EQ(MediaNext(nextTimeMediaSample, 250, kBackward), Found(200, 100));
  EXPECT_EQ(MediaNext(nextTimeMediaSample, 200, kBackward), Found(100, 100));
  EXPECT_EQ(MediaNext(nextTimeMediaSample | nextTimeEdgeOK, 200, kBackward), Found(200, 100));
  EXPECT_EQ(MediaNext(nextTimeMediaSample, 300, kForward), Found(-1, 0));
  EXPECT_EQ(MediaNext(nextTimeMediaSample, 0, kBackward), Found(-1, 0));
  EXPECT_EQ(MediaNext(nextTimeStep, 100, kForward), Found(200, 100));
}

TEST_F(InterestingTimes, SyncSamplesSkipTheOthers) {
  EXPECT_EQ(MediaNext(nextTimeSyncSample, 0, kForward), Found(200, 100));
  EXPECT_EQ(MediaNext(nextTimeSyncSample, 200, kForward), Found(-1, 0));
  EXPECT_EQ(MediaNext(nextTimeSyncSample, 350, kBackward), Found(200, 100));
  EXPECT_EQ(TrackNext(video_, nextTimeSyncSample, 50, kForward), Found(200, 100));
}

TEST_F(InterestingTimes, TracksSeeSamplesThroughTheirEdits) {
  SetTrackOffset(video_, 50);
  EXPECT_EQ(TrackNext(video_, nextTimeMediaSample, 0, kForward), Found(50, 100));
  EXPECT_EQ(TrackNext(video_, nextTimeMediaSample, 50, kForward), Found(150, 100));
  EXPECT_EQ(TrackNext(video_, nextTimeTrackEdit, 0, kForward), Found(50, 400));
  EXPECT_EQ(TrackNext(video_, nextTimeTrackEdit | nextTimeEdgeOK, 0, kForward), Found(0, 50));
  EXPECT_EQ(TrackNext(video_, nextTimeMediaSample, 450, kForward), Found(-1, 0));
  // At half speed each sample lasts twice as long in the movie.
  ASSERT_EQ(ScaleTrackSegment(video_, 50, 400, 800), noErr);
  EXPECT_EQ(TrackNext(video_, nextTimeMediaSample, 50, kForward), Found(250, 200));
  EXPECT_EQ(TrackNext(video_, nextTimeMediaSample, 600, kBackward), Found(450, 200));
}

TEST_F(InterestingTimes, MovieSearchesFilterByTypeAndCharacteristic) {
  EXPECT_EQ(MovieNext(nextTimeMediaSample, 0, kForward), Found(100, 100));
  EXPECT_EQ(MovieNext(nextTimeMediaSample, 0, kForward, {SoundMediaType}), Found(150, 150));
  EXPECT_EQ(MovieNext(nextTimeMediaSample, 0, kForward, {AudioMediaCharacteristic}),
            Found(150, 150));
  EXPECT_EQ(MovieNext(nextTimeMediaSample, 0, kForward, {VisualMediaCharacteristic}),
            Found(100, 100));
  EXPECT_EQ(MovieNext(nextTimeMediaSample, 400, kBackward), Found(300, 100));
  EXPECT_EQ(MovieNext(nextTimeMediaSample, 400, kBackward, {SoundMediaType}), Found(150, 150));
  EXPECT_EQ(MovieNext(nextTimeMediaSample, 0, kForward, {TextMediaType}), Found(-1, 0));
  SetTrackEnabled(video_, false);
  EXPECT_EQ(MovieNext(nextTimeMediaSample, 0, kForward), Found(150, 150));
}

TEST_F(InterestingTimes, TheActiveSegmentBoundsMovieSearches) {
  SetMovieActiveSegment(movie_, 0, 120);
  EXPECT_EQ(MovieNext(nextTimeMediaSample, 0, kForward), Found(100, 100));
  EXPECT_EQ(MovieNext(nextTimeMediaSample, 100, kForward, {VideoMediaType}), Found(-1, 0));
  EXPECT_EQ(
      MovieNext(nextTimeMediaSample | nextTimeIgnoreActiveSegment, 100, kForward, {VideoMediaType}),
      Found(200, 100));
}

TEST_F(InterestingTimes, WalkingStepsCountsTheSamplesOfAType) {
  // A script counts frames this way: the first search takes the edge.
  long count = -1;
  short flags = nextTimeMediaSample | nextTimeEdgeOK | nextTimeIgnoreActiveSegment;
  OSType video = VideoMediaType;
  for (TimeValue t = 0; t >= 0; flags = nextTimeStep) {
    ++count;
    GetMovieNextInterestingTime(movie_, flags, 1, &video, t, kForward, &t, nullptr);
  }
  EXPECT_EQ(count, 4);
}

TEST_F(InterestingTimes, StepsOverAllMediaAreFramesWhenTheMovieShowsPictures) {
  // Sound samples (at 150) are no steps while a picture track is enabled.
  EXPECT_EQ(MovieNext(nextTimeStep, 100, kForward), Found(200, 100));
  EXPECT_EQ(MovieNext(nextTimeStep, 200, kBackward), Found(100, 100));
  EXPECT_EQ(MovieNext(nextTimeStep, 100, kForward, {SoundMediaType}), Found(150, 150));
  EXPECT_EQ(MovieNext(nextTimeMediaSample, 100, kForward), Found(150, 150));
  SetTrackEnabled(video_, false);
  EXPECT_EQ(MovieNext(nextTimeStep, 100, kForward), Found(150, 150));
}

TEST_F(InterestingTimes, InvalidReferencesAnswerNone) {
  TimeValue time = 0;
  GetMovieNextInterestingTime(nullptr, nextTimeStep, 0, nullptr, 0, kForward, &time, nullptr);
  EXPECT_EQ(time, -1);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  GetTrackNextInterestingTime(nullptr, nextTimeStep, 0, kForward, &time, nullptr);
  EXPECT_EQ(GetMoviesError(), invalidTrack);
  GetMediaNextInterestingTime(nullptr, nextTimeStep, 0, kForward, &time, nullptr);
  EXPECT_EQ(GetMoviesError(), invalidMedia);
}

}  // namespace

// Searches of tracks edited in many ways agree, at every time and in both
// directions, with a plain walk over every sample each edit shows.
namespace reference {

std::optional<std::pair<TimeValue, TimeValue>> Next(const qtml::TrackRecord& track, short flags,
                                                    TimeValue time, bool forward) {
  bool samples = (flags & (nextTimeMediaSample | nextTimeStep)) != 0;
  bool sync = (flags & nextTimeSyncSample) != 0;
  bool edgeOK = (flags & nextTimeEdgeOK) != 0;
  qtml::TrackScales scales = qtml::ScalesOf(track);
  std::vector<std::pair<TimeValue, TimeValue>> all;
  TimeValue start = 0;
  for (const qtml::EditEntry& edit : track.edits) {
    TimeValue end = start + edit.trackDuration;
    if ((flags & nextTimeTrackEdit) != 0) all.push_back({start, edit.trackDuration});
    if (edit.mediaTime >= 0 && (samples || sync)) {
      TimeValue mediaEnd = edit.mediaTime + qtml::EditMediaDuration(edit, scales);
      TimeValue t = 0;
      for (uint64_t i = 0; i < track.media->samples.Count(); ++i) {
        qtml::SampleEntry sample = track.media->samples.At(i);
        TimeValue cEnd = t + sample.duration;
        if (cEnd > edit.mediaTime && t < mediaEnd && (samples || sample.sync)) {
          TimeValue from =
              t <= edit.mediaTime ? start : start + qtml::OffsetOfMediaTime(edit, t, scales);
          TimeValue to =
              cEnd >= mediaEnd ? end : start + qtml::OffsetOfMediaTime(edit, cEnd, scales);
          if (from < end && to > from) all.push_back({from, to - from});
        }
        t = cEnd;
      }
    }
    start = end;
  }
  std::optional<std::pair<TimeValue, TimeValue>> best;
  for (const auto& c : all) {
    bool ahead = c.first == time ? edgeOK : (forward ? c.first > time : c.first < time);
    if (!ahead) continue;
    if (!best || (forward ? c.first < best->first : c.first > best->first) ||
        (c.first == best->first && c.second < best->second)) {
      best = c;
    }
  }
  return best;
}

}  // namespace reference

TEST_F(InterestingTimes, EditedTracksAgreeWithAWalkOverEverySample) {
  Movie movie = NewEmptyMovie(600);
  std::vector<TimeValue> durations;
  std::vector<int> notSync;
  for (int i = 0; i < 40; ++i) {
    durations.push_back(7 + (i * 37) % 23);
    if (i % 3 != 0) notSync.push_back(i);
  }
  Track track = AddTrack(movie, VideoMediaType, 1000, durations, 4, 0, notSync);
  // Cut out a middle, repeat a piece, slow one part down and speed another
  // up, and leave a gap at the start.
  ASSERT_EQ(DeleteTrackSegment(track, 100, 60), noErr);
  ASSERT_EQ(InsertTrackSegment(track, track, 20, 90, 300), noErr);
  ASSERT_EQ(ScaleTrackSegment(track, 40, 70, 161), noErr);
  ASSERT_EQ(ScaleTrackSegment(track, 250, 90, 31), noErr);
  SetTrackOffset(track, 13);
  const qtml::TrackRecord& record = *qtml::TrackOf(track);
  ASSERT_GT(record.edits.size(), 4u);
  TimeValue duration = GetTrackDuration(track);
  const short kFlags[] = {
      nextTimeMediaSample, nextTimeMediaSample | nextTimeEdgeOK,
      nextTimeSyncSample,  nextTimeSyncSample | nextTimeEdgeOK,
      nextTimeTrackEdit,   nextTimeTrackEdit | nextTimeMediaSample | nextTimeEdgeOK};
  for (short flags : kFlags) {
    for (Fixed rate : {kForward, kBackward}) {
      for (TimeValue t = -1; t <= duration + 1; ++t) {
        auto expected = reference::Next(record, flags, t, rate > 0);
        SCOPED_TRACE("flags " + std::to_string(flags) + " rate " + std::to_string(rate) + " from " +
                     std::to_string(t));
        ASSERT_EQ(TrackNext(track, flags, t, rate),
                  expected ? Found(expected->first, expected->second) : Found(-1, 0));
      }
    }
  }
}
