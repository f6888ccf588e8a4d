// Interesting times of media, tracks and movies: each kind, both
// directions, the edge, media type and characteristic filters, the active
// segment.
#include "movie_test_support.h"

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
