// Time bases and playing on the manual clock: rates, the end of the movie,
// loops, the active segment, MoviesTask and TickCount.
#include "Events.h"
#include "movies/movie_test_support.h"

namespace {

using movie_test::MovieTest;

// A 400-unit movie at 600 units a second.
class Playing : public MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    movie_ = NewEmptyMovie(600);
    AddTrack(movie_, VideoMediaType, 600, {100, 100, 100, 100});
  }
  Movie movie_ = nullptr;
};

TEST_F(Playing, TheClockMovesTimeByTheRateAndStopsAtTheEnd) {
  EXPECT_EQ(TickCount(), 0U);
  StartMovie(movie_);
  EXPECT_EQ(GetMovieRate(movie_), 0x10000);
  QTMLTest_AdvanceClock(500);
  EXPECT_EQ(TickCount(), 30U);
  MoviesTask(movie_, 0);
  EXPECT_EQ(GetMovieTime(movie_, nullptr), 300);
  EXPECT_FALSE(IsMovieDone(movie_));
  QTMLTest_AdvanceClock(500);
  MoviesTask(nullptr, 0);
  EXPECT_EQ(GetMovieTime(movie_, nullptr), 400);
  EXPECT_EQ(GetMovieRate(movie_), 0);
  EXPECT_TRUE(IsMovieDone(movie_));
}

TEST_F(Playing, PartsOfAUnitAreCarriedOver) {
  SetMovieRate(movie_, 0x10000);
  for (int i = 0; i < 5; ++i) {
    QTMLTest_AdvanceClock(1);  // 0.6 of a unit each
    MoviesTask(movie_, 0);
  }
  EXPECT_EQ(GetMovieTime(movie_, nullptr), 3);
}

TEST_F(Playing, BackwardsStopsAtTheStart) {
  GoToEndOfMovie(movie_);
  SetMovieRate(movie_, -0x20000);
  QTMLTest_AdvanceClock(250);
  EXPECT_EQ(GetMovieTime(movie_, nullptr), 100);
  QTMLTest_AdvanceClock(250);
  EXPECT_EQ(GetMovieTime(movie_, nullptr), 0);
  EXPECT_TRUE(IsMovieDone(movie_));
}

TEST_F(Playing, TimeBasesLoopAndSwing) {
  TimeBase base = GetMovieTimeBase(movie_);
  ASSERT_NE(base, nullptr);
  SetTimeBaseFlags(base, loopTimeBase);
  EXPECT_EQ(GetTimeBaseFlags(base), loopTimeBase);
  SetTimeBaseRate(base, 0x10000);
  QTMLTest_AdvanceClock(1000);
  EXPECT_EQ(GetMovieTime(movie_, nullptr), 200);
  EXPECT_EQ(GetTimeBaseRate(base), 0x10000);

  SetTimeBaseFlags(base, loopTimeBase | palindromeLoopTimeBase);
  GoToBeginningOfMovie(movie_);
  QTMLTest_AdvanceClock(1000);
  EXPECT_EQ(GetMovieTime(movie_, nullptr), 200);  // to 400 and back 200
  EXPECT_EQ(GetTimeBaseEffectiveRate(base), -0x10000);
  TimeRecord record{};
  EXPECT_EQ(GetTimeBaseTime(base, 1200, &record), 400);
  EXPECT_EQ(record.scale, 1200);
  EXPECT_EQ(record.base, base);
}

TEST_F(Playing, SettingTheTimePinsItToTheMovie) {
  SetMovieTimeValue(movie_, 1000);
  EXPECT_EQ(GetMovieTime(movie_, nullptr), 400);
  SetMovieTimeValue(movie_, -5);
  EXPECT_EQ(GetMovieTime(movie_, nullptr), 0);
  TimeRecord at{300, 1200, nullptr};
  SetMovieTime(movie_, &at);
  TimeRecord now{};
  EXPECT_EQ(GetMovieTime(movie_, &now), 150);
  EXPECT_EQ(now.value, 150);
  EXPECT_EQ(now.scale, 600);
  EXPECT_EQ(now.base, GetMovieTimeBase(movie_));
  SetTimeBaseValue(GetMovieTimeBase(movie_), 1, 6);
  EXPECT_EQ(GetMovieTime(movie_, nullptr), 100);
}

TEST_F(Playing, TheActiveSegmentBoundsPlaying) {
  SetMovieActiveSegment(movie_, 100, 200);
  TimeValue start = 0, length = 0;
  GetMovieActiveSegment(movie_, &start, &length);
  EXPECT_EQ(start, 100);
  EXPECT_EQ(length, 200);
  GoToBeginningOfMovie(movie_);
  EXPECT_EQ(GetMovieTime(movie_, nullptr), 100);
  StartMovie(movie_);
  QTMLTest_AdvanceClock(1000);
  EXPECT_EQ(GetMovieTime(movie_, nullptr), 300);
  EXPECT_TRUE(IsMovieDone(movie_));
  SetMovieActiveSegment(movie_, -1, 0);
  GetMovieActiveSegment(movie_, &start, &length);
  EXPECT_EQ(start, -1);
  GoToEndOfMovie(movie_);
  EXPECT_EQ(GetMovieTime(movie_, nullptr), 400);
}

TEST_F(Playing, StopAndPlayHintsAndPreroll) {
  StartMovie(movie_);
  QTMLTest_AdvanceClock(100);
  StopMovie(movie_);
  QTMLTest_AdvanceClock(100);
  EXPECT_EQ(GetMovieTime(movie_, nullptr), 60);
  SetMoviePlayHints(movie_, hintsLoop, hintsLoop);
  EXPECT_EQ(GetMoviesError(), noErr);
  EXPECT_EQ(PrerollMovie(movie_, 0, 0x10000), noErr);
  EXPECT_EQ(UpdateMovie(movie_), noErr);
}

TEST_F(Playing, InvalidTimeBasesAndFaults) {
  EXPECT_EQ(GetTimeBaseRate(nullptr), 0);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  EXPECT_EQ(GetMovieTimeBase(nullptr), nullptr);
  MoviesTask(reinterpret_cast<Movie>(&movie_), 0);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  QTMLTest_FailCall("StartMovie", 1, cantOpenHandler);
  StartMovie(movie_);
  EXPECT_EQ(GetMoviesError(), cantOpenHandler);
  EXPECT_EQ(GetMovieRate(movie_), 0);
  Movie gone = NewMovie(0);
  TimeBase base = GetMovieTimeBase(gone);
  DisposeMovie(gone);
  SetTimeBaseRate(base, 0x10000);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
}

}  // namespace
