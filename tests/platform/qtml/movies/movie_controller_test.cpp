// Empty movies and the standard controller over them.
#include <gtest/gtest.h>

#include "Movies.h"
#include "QTML.h"
#include "QTMLTestControls.h"

namespace {

class Movies : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ASSERT_EQ(EnterMovies(), noErr);
  }
  void TearDown() override { QTMLTest_ClearFaults(); }
};

TEST_F(Movies, ANewMovieIsEmptyWithItsSelection) {
  Movie movie = NewMovie(newMovieActive);
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(GetMovieDuration(movie), 0);
  EXPECT_EQ(GetMovieTimeScale(movie), 600);
  SetMovieSelection(movie, 10, 20);
  TimeValue start = -1, length = -1;
  GetMovieSelection(movie, &start, &length);
  EXPECT_EQ(start, 10);
  EXPECT_EQ(length, 20);
  DisposeMovie(movie);
  EXPECT_EQ(GetMoviesError(), noErr);
}

TEST_F(Movies, UnknownMoviesAnswerInvalidMovie) {
  int bogus = 0;
  EXPECT_EQ(GetMovieDuration(reinterpret_cast<Movie>(&bogus)), 0);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  TimeValue start = 7, length = 7;
  GetMovieSelection(nullptr, &start, &length);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
}

TEST_F(Movies, AFailedNewMovieAnswersItsError) {
  QTMLTest_FailCall("NewMovie", 1, memFullErr);
  EXPECT_EQ(NewMovie(0), nullptr);
  EXPECT_EQ(GetMoviesError(), memFullErr);
}

TEST_F(Movies, AControllerPresentsItsMovie) {
  Movie movie = NewMovie(0);
  Rect bounds{0, 0, 120, 160};
  MovieController mc = NewMovieController(movie, &bounds, 0);
  ASSERT_NE(mc, nullptr);
  EXPECT_EQ(MCGetIndMovie(mc, 0), movie);
  EXPECT_EQ(MCGetIndMovie(mc, 1), nullptr);
  EXPECT_EQ(MCGetIndMovie(nullptr, 0), nullptr);
  EXPECT_EQ(MCMovieChanged(mc, movie), noErr);
  Movie other = NewMovie(0);
  EXPECT_EQ(MCMovieChanged(mc, other), paramErr);  // not the controller's movie
  EXPECT_EQ(MCMovieChanged(nullptr, movie), badComponentInstance);
  DisposeMovie(other);
  DisposeMovieController(mc);
  DisposeMovie(movie);
  EXPECT_EQ(NewMovieController(nullptr, &bounds, 0), nullptr);
}

}  // namespace
