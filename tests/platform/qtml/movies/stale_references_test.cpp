// References to what has gone (movies, tracks, media, user data lists,
// time bases, component instances of every kind) answer their invalid
// code every time and change nothing, also once thousands of objects have
// come and gone and the memory of the old ones is used again.
#include "QuickTimeComponents.h"
#include "movies/movie_test_support.h"

namespace {

using movie_test::MovieTest;

class StaleReferenceTest : public MovieTest {
 protected:
  // Makes and disposes of many movies with a track and a media each, and
  // instances of components, so that freed memory and table slots are
  // used again.
  static void Churn(int count) {
    for (int i = 0; i < count; ++i) {
      Movie m = NewMovie(0);
      Track t = NewMovieTrack(m, 0, 0, 0x100);
      NewTrackMedia(t, SoundMediaType, 600, nullptr, 0);
      GetMovieUserData(m);
      if (i % 10 == 0) CloseComponent(OpenDefaultComponent('dhlr', 'alis'));
      DisposeMovie(m);
    }
  }

  // A movie with one enabled sound track whose media has samples.
  Movie MovieWithTrack() {
    Movie m = NewEmptyMovie();
    AddTrack(m, SoundMediaType, 600, {600, 600});
    return m;
  }
};

TEST_F(StaleReferenceTest, MoviesTracksMediaAndTimeBasesOfADisposedMovie) {
  Movie gone = NewMovie(0);
  Track track = AddTrack(gone, SoundMediaType, 600, {600});
  Media media = GetTrackMedia(track);
  TimeBase base = GetMovieTimeBase(gone);
  ASSERT_NE(base, nullptr);
  DisposeMovie(gone);

  for (int round = 0; round < 3; ++round) {
    Movie other = MovieWithTrack();
    Track otherTrack = GetMovieIndTrack(other, 1);
    GetMovieTimeBase(other);

    EXPECT_EQ(GetMovieDuration(gone), 0);
    EXPECT_EQ(GetMoviesError(), invalidMovie);
    SetMovieTimeScale(gone, 1);
    EXPECT_EQ(GetMoviesError(), invalidMovie);
    SetTrackEnabled(track, false);
    EXPECT_EQ(GetMoviesError(), invalidTrack);
    EXPECT_EQ(GetTrackMedia(track), nullptr);
    EXPECT_EQ(GetMoviesError(), invalidTrack);
    EXPECT_EQ(GetMediaTimeScale(media), 0);
    EXPECT_EQ(GetMoviesError(), invalidMedia);
    EXPECT_EQ(GetTimeBaseRate(base), 0);
    EXPECT_EQ(GetMoviesError(), invalidMovie);

    // Nothing else changed.
    EXPECT_TRUE(GetTrackEnabled(otherTrack));
    EXPECT_EQ(GetMovieTimeScale(other), 600);
    Churn(1000);
  }
}

TEST_F(StaleReferenceTest, ADisposedTrackOrMediaOfALiveMovie) {
  Movie m = MovieWithTrack();
  Track first = GetMovieIndTrack(m, 1);
  Media firstMedia = GetTrackMedia(first);
  DisposeMovieTrack(first);
  Track second = AddTrack(m, SoundMediaType, 600, {600});
  Media secondMedia = GetTrackMedia(second);
  DisposeTrackMedia(secondMedia);
  NewTrackMedia(second, SoundMediaType, 44100, nullptr, 0);

  SetTrackEnabled(first, false);
  EXPECT_EQ(GetMoviesError(), invalidTrack);
  EXPECT_EQ(GetMediaTimeScale(firstMedia), 0);
  EXPECT_EQ(GetMoviesError(), invalidMedia);
  SetMediaTimeScale(secondMedia, 1);
  EXPECT_EQ(GetMoviesError(), invalidMedia);
  EXPECT_TRUE(GetTrackEnabled(second));
  EXPECT_EQ(GetMediaTimeScale(GetTrackMedia(second)), 44100);
}

TEST_F(StaleReferenceTest, ReferencesOfOneKindAreNotTakenForAnother) {
  Movie m = MovieWithTrack();
  Track track = GetMovieIndTrack(m, 1);
  EXPECT_EQ(GetMovieDuration(reinterpret_cast<Movie>(track)), 0);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  EXPECT_EQ(GetMediaTimeScale(reinterpret_cast<Media>(track)), 0);
  EXPECT_EQ(GetMoviesError(), invalidMedia);
  EXPECT_EQ(GetTrackDuration(reinterpret_cast<Track>(GetMovieTimeBase(m))), 0);
  EXPECT_EQ(GetMoviesError(), invalidTrack);
}

TEST_F(StaleReferenceTest, UserDataListsOfDisposedOwners) {
  Movie gone = MovieWithTrack();
  UserData movieList = GetMovieUserData(gone);
  UserData trackList = GetTrackUserData(GetMovieIndTrack(gone, 1));
  UserData mediaList = GetMediaUserData(GetTrackMedia(GetMovieIndTrack(gone, 1)));
  UserData own = nullptr;
  ASSERT_EQ(NewUserData(&own), noErr);
  ASSERT_EQ(DisposeUserData(own), noErr);
  DisposeMovie(gone);
  Churn(2000);

  Movie other = MovieWithTrack();
  UserData otherList = GetMovieUserData(other);
  Handle h = NewHandleClear(4);
  for (UserData stale : {movieList, trackList, mediaList, own}) {
    EXPECT_EQ(AddUserData(stale, h, 'name'), paramErr);
    EXPECT_EQ(CountUserDataType(stale, 'name'), 0);
  }
  EXPECT_EQ(DisposeUserData(own), paramErr);
  DisposeHandle(h);
  EXPECT_EQ(CountUserDataType(otherList, 'name'), 0);
  // Asked again, a list answers the same reference.
  EXPECT_EQ(GetMovieUserData(other), otherList);
}

TEST_F(StaleReferenceTest, ComponentInstancesOfEveryKindOnceClosed) {
  Movie m = MovieWithTrack();
  Media media = GetTrackMedia(GetMovieIndTrack(m, 1));
  MediaHandler handler = GetMediaHandler(media);
  ASSERT_NE(handler, nullptr);
  ComponentInstance dataHandler = OpenDefaultComponent('dhlr', 'alis');
  ASSERT_NE(dataHandler, nullptr);
  Rect box = {0, 0, 240, 320};
  MovieController controller = NewMovieController(m, &box, 0);
  ASSERT_NE(controller, nullptr);

  ASSERT_EQ(CloseComponent(dataHandler), noErr);
  DisposeMovieController(controller);
  DisposeTrackMedia(media);  // its handler goes with it
  Churn(1000);
  ComponentInstance fresh = OpenDefaultComponent('dhlr', 'alis');

  short balance = 0;
  EXPECT_EQ(MediaGetSoundBalance(handler, &balance), badComponentInstance);
  long size = 0;
  EXPECT_EQ(DataHGetFileSize(dataHandler, &size), badComponentInstance);
  EXPECT_EQ(MCMovieChanged(controller, m), badComponentInstance);
  for (ComponentInstance stale : {handler, dataHandler, controller}) {
    EXPECT_EQ(CloseComponent(stale), invalidComponentID);
  }
  EXPECT_EQ(CloseComponent(fresh), noErr);
}

}  // namespace
