// Edit lists: media inserted into tracks, the mapping of track time onto
// media time, segments inserted, deleted and scaled, selection editing and
// the scrap.
#include <cstring>
#include <string>

#include "Scrap.h"
#include "movies/movie_test_support.h"

namespace {

using movie_test::MovieTest;
using MovieEdits = MovieTest;

// Four samples of 100 units each (values 1 to 4) in a 600-scale movie.
class FourFrames : public MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    movie_ = NewEmptyMovie(600);
    track_ = AddTrack(movie_, VideoMediaType, 600, {100, 100, 100, 100});
  }
  Movie movie_ = nullptr;
  Track track_ = nullptr;
};

TEST_F(FourFrames, InsertingMediaMapsTrackTimeOntoMediaTime) {
  // Frames 2 and 3 again at the end, played at half speed.
  ASSERT_EQ(InsertMediaIntoTrack(track_, -1, 100, 200, 0x8000), noErr);
  EXPECT_EQ(GetTrackDuration(track_), 800);
  EXPECT_EQ(GetMovieDuration(movie_), 800);
  EXPECT_EQ(TrackTimeToMediaTime(450, track_), 100 + 25);
  EXPECT_EQ(GetTrackEditRate(track_, 450), 0x8000);
  EXPECT_EQ(GetTrackEditRate(track_, 50), 0x10000);
  EXPECT_EQ(Values(track_, 100), (std::vector<int>{1, 2, 3, 4, 2, 2, 3, 3}));
  EXPECT_EQ(TrackTimeToMediaTime(800, track_), -1);
  EXPECT_EQ(GetTrackEditRate(track_, 900), 0);
  EXPECT_EQ(GetMoviesError(), invalidTime);
}

TEST_F(FourFrames, InsertingPastTheEndLeavesEmptyTime) {
  ASSERT_EQ(InsertMediaIntoTrack(track_, 600, 0, 100, 0x10000), noErr);
  EXPECT_EQ(Values(track_, 100), (std::vector<int>{1, 2, 3, 4, 0, 0, 1}));
  EXPECT_EQ(TrackTimeToMediaTime(450, track_), -1);
  EXPECT_EQ(InsertMediaIntoTrack(track_, 0, 300, 200, 0x10000), invalidTime);
  EXPECT_EQ(InsertMediaIntoTrack(track_, 0, 0, 0, 0x10000), invalidDuration);
  EXPECT_EQ(GetMoviesError(), invalidDuration);
}

TEST_F(FourFrames, MediaOfAnotherScaleIsConvertedToMovieTime) {
  Track slow = AddTrack(movie_, SoundMediaType, 10, {1, 1, 1});  // 0.3 s
  EXPECT_EQ(GetTrackDuration(slow), 180);
  EXPECT_EQ(TrackTimeToMediaTime(130, slow), 2);
  EXPECT_EQ(GetMovieDuration(movie_), 400);
}

TEST_F(FourFrames, TheOffsetIsTheLeadingEmptyTime) {
  EXPECT_EQ(GetTrackOffset(track_), 0);
  SetTrackOffset(track_, 150);
  EXPECT_EQ(GetTrackOffset(track_), 150);
  EXPECT_EQ(GetTrackDuration(track_), 550);
  EXPECT_EQ(ValueAt(track_, 149), 0);
  EXPECT_EQ(ValueAt(track_, 150), 1);
  SetTrackOffset(track_, 20);
  EXPECT_EQ(GetTrackDuration(track_), 420);
  SetTrackOffset(track_, 0);
  EXPECT_EQ(GetTrackDuration(track_), 400);
  SetTrackOffset(track_, -1);
  EXPECT_EQ(GetMoviesError(), paramErr);
}

TEST_F(FourFrames, DeletingAndInsertingSegmentsMovesWhatFollows) {
  ASSERT_EQ(DeleteTrackSegment(track_, 150, 100), noErr);
  EXPECT_EQ(GetTrackDuration(track_), 300);
  EXPECT_EQ(Values(track_, 50), (std::vector<int>{1, 1, 2, 3, 4, 4}));
  ASSERT_EQ(InsertEmptyTrackSegment(track_, 100, 50), noErr);
  EXPECT_EQ(Values(track_, 50), (std::vector<int>{1, 1, 0, 2, 3, 4, 4}));
  ASSERT_EQ(InsertTrackSegment(track_, track_, 0, 100, 0), noErr);  // a track into itself
  EXPECT_EQ(Values(track_, 50), (std::vector<int>{1, 1, 1, 1, 0, 2, 3, 4, 4}));
  EXPECT_EQ(DeleteTrackSegment(track_, -1, 10), paramErr);
}

TEST_F(FourFrames, SegmentsOfAnotherMovieBringTheirSamples) {
  Movie other = NewEmptyMovie(1200);
  Track into = AddTrack(other, VideoMediaType, 600, {100}, 4, 10);  // value 11
  ASSERT_EQ(InsertTrackSegment(track_, into, 100, 200, 200), noErr);
  // 200 units at 600 are 400 at 1200.
  EXPECT_EQ(GetTrackDuration(into), 600);
  EXPECT_EQ(Values(into, 100), (std::vector<int>{11, 11, 2, 2, 3, 3}));
  EXPECT_EQ(GetMediaSampleCount(GetTrackMedia(into)), 3);
  // Sound does not go into video.
  Track sound = AddTrack(other, SoundMediaType, 600, {100});
  EXPECT_EQ(InsertTrackSegment(track_, sound, 0, 100, 0), mediaTypesDontMatch);
}

TEST_F(MovieEdits, SegmentsStartingBetweenSyncSamplesBringTheSamplesTheyDecodeFrom) {
  // Twelve frames, a sync sample every fourth (values 1 to 12).
  Movie source = NewEmptyMovie(600);
  Track frames = AddTrack(source, VideoMediaType, 600, std::vector<TimeValue>(12, 100), 4, 0,
                          {1, 2, 3, 5, 6, 7, 9, 10, 11});
  Movie other = NewEmptyMovie(600);
  Track into = AddTrack(other, VideoMediaType, 600, {100}, 4, 20);  // value 21
  ASSERT_EQ(DeleteTrackSegment(into, 0, 100), noErr);
  // Frames 6 and 7 come with 5, their sync sample.
  ASSERT_EQ(InsertTrackSegment(frames, into, 500, 200, 0), noErr);
  EXPECT_EQ(GetMediaSampleCount(GetTrackMedia(into)), 1 + 3);
  EXPECT_EQ(Values(into, 100), (std::vector<int>{6, 7}));
  // Frame 7 again shares the samples already there.
  ASSERT_EQ(InsertTrackSegment(frames, into, 600, 100, 200), noErr);
  EXPECT_EQ(GetMediaSampleCount(GetTrackMedia(into)), 1 + 3);
  EXPECT_EQ(Values(into, 100), (std::vector<int>{6, 7, 7}));
  ASSERT_EQ(DeleteTrackSegment(into, 200, 100), noErr);
  // A segment after the next sync sample starts from it.
  ASSERT_EQ(InsertTrackSegment(frames, into, 1000, 100, 200), noErr);
  EXPECT_EQ(GetMediaSampleCount(GetTrackMedia(into)), 1 + 3 + 3);
  EXPECT_EQ(Values(into, 100), (std::vector<int>{6, 7, 11}));
  // With frame 7 cut out, frames 6, 8 and 9 are two edits that need 5 to
  // 9: the second edit adds only what the first did not bring.
  ASSERT_EQ(DeleteTrackSegment(frames, 600, 100), noErr);
  ASSERT_EQ(InsertTrackSegment(frames, into, 500, 300, 300), noErr);
  EXPECT_EQ(GetMediaSampleCount(GetTrackMedia(into)), 1 + 3 + 3 + 5);
  EXPECT_EQ(Values(into, 100), (std::vector<int>{6, 7, 11, 6, 8, 9}));
}

TEST_F(FourFrames, ScalingChangesTheRateNotTheMedia) {
  ASSERT_EQ(ScaleTrackSegment(track_, 100, 200, 400), noErr);
  EXPECT_EQ(GetTrackDuration(track_), 600);
  EXPECT_EQ(GetTrackEditRate(track_, 200), 0x8000);
  EXPECT_EQ(Values(track_, 100), (std::vector<int>{1, 2, 2, 3, 3, 4}));
  EXPECT_EQ(GetMediaDuration(GetTrackMedia(track_)), 400);
  ASSERT_EQ(ScaleMovieSegment(movie_, 0, 600, 300), noErr);
  EXPECT_EQ(GetMovieDuration(movie_), 300);
  EXPECT_EQ(Values(track_, 50), (std::vector<int>{1, 2, 2, 3, 3, 4}));
  EXPECT_EQ(ScaleTrackSegment(track_, 0, 0, 10), invalidDuration);
}

TEST_F(FourFrames, RescalingAMovieKeepsItsTimesInSeconds) {
  SetMovieSelection(movie_, 100, 200);
  SetMoviePosterTime(movie_, 300);
  SetMovieTimeScale(movie_, 30);
  EXPECT_EQ(GetMovieTimeScale(movie_), 30);
  EXPECT_EQ(GetMovieDuration(movie_), 20);
  EXPECT_EQ(GetMoviePosterTime(movie_), 15);
  TimeValue start = 0, length = 0;
  GetMovieSelection(movie_, &start, &length);
  EXPECT_EQ(start, 5);
  EXPECT_EQ(length, 10);
  EXPECT_EQ(Values(track_, 5), (std::vector<int>{1, 2, 3, 4}));
  SetMovieTimeScale(movie_, 0);
  EXPECT_EQ(GetMoviesError(), paramErr);
}

TEST_F(FourFrames, CutThenPasteGivesBackTheSameMovie) {
  Track sound = AddTrack(movie_, SoundMediaType, 600, {200, 200}, 4, 20);
  std::vector<int> video = Values(track_, 50), audio = Values(sound, 50);
  SetMovieSelection(movie_, 100, 200);
  Movie cut = Keep(CutMovieSelection(movie_));
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(GetMovieDuration(cut), 200);
  EXPECT_EQ(GetMovieTrackCount(cut), 2);
  EXPECT_EQ(Values(GetMovieIndTrack(cut, 1), 100), (std::vector<int>{2, 3}));
  EXPECT_EQ(GetMovieDuration(movie_), 200);
  EXPECT_EQ(Values(track_, 100), (std::vector<int>{1, 4}));
  EXPECT_EQ(Values(sound, 100), (std::vector<int>{21, 22}));

  SetMovieSelection(movie_, 100, 0);
  PasteMovieSelection(movie_, cut);
  ASSERT_EQ(GetMoviesError(), noErr);
  EXPECT_EQ(GetMovieTrackCount(movie_), 2);
  EXPECT_EQ(GetMovieDuration(movie_), 400);
  EXPECT_EQ(Values(track_, 50), video);
  EXPECT_EQ(Values(sound, 50), audio);
  TimeValue start = 0, length = 0;
  GetMovieSelection(movie_, &start, &length);
  EXPECT_EQ(start, 100);
  EXPECT_EQ(length, 200);
}

// An edit read from a file may start anywhere, up to the largest media
// time; copying and cutting it do no arithmetic past that.
TEST_F(FourFrames, EditsAtTheLargestMediaTimeCopyAndCut) {
  Handle h = NewHandle(0);
  ASSERT_EQ(PutMovieIntoHandle(movie_, h), noErr);
  std::string bytes(*h, static_cast<size_t>(GetHandleSize(h)));
  size_t elst = bytes.find("elst");
  ASSERT_NE(elst, std::string::npos);
  // version and flags, count, then the first entry's duration and media time
  memcpy(*h + elst + 16, "\x7F\xFF\xFF\xFF", 4);
  Movie read = nullptr;
  ASSERT_EQ(NewMovieFromHandle(&read, h, 0, nullptr), noErr);
  DisposeHandle(h);
  Keep(read);
  SetMovieSelection(read, 0, GetMovieDuration(read));
  Movie copy = Keep(CopyMovieSelection(read));
  EXPECT_NE(copy, nullptr);
  Movie cut = Keep(CutMovieSelection(read));
  EXPECT_NE(cut, nullptr);
  EXPECT_EQ(GetMovieDuration(read), 0);
}

TEST_F(FourFrames, PasteReplacesTheSelectionAndCopiesKeepTheirSource) {
  SetMovieSelection(movie_, 0, 100);
  Movie copy = Keep(CopyMovieSelection(movie_));
  EXPECT_EQ(GetMovieDuration(movie_), 400);
  // The copy holds only the samples it shows.
  EXPECT_EQ(GetMediaSampleCount(GetTrackMedia(GetMovieIndTrack(copy, 1))), 1);
  SetMovieSelection(movie_, 200, 200);
  PasteMovieSelection(movie_, copy);
  EXPECT_EQ(Values(track_, 100), (std::vector<int>{1, 2, 1}));
  ClearMovieSelection(movie_);
  EXPECT_EQ(Values(track_, 100), (std::vector<int>{1, 2}));
  // Pasting a movie into itself doubles it.
  SetMovieSelection(movie_, 200, 0);
  PasteMovieSelection(movie_, movie_);
  EXPECT_EQ(Values(track_, 100), (std::vector<int>{1, 2, 1, 2}));
}

TEST_F(FourFrames, PastedTracksWithoutACounterpartAreAdded) {
  Movie other = NewEmptyMovie(600);
  AddTrack(other, SoundMediaType, 600, {100}, 4, 30);
  SetMovieSelection(movie_, 200, 0);
  PasteMovieSelection(movie_, other);
  ASSERT_EQ(GetMovieTrackCount(movie_), 2);
  Track added = GetMovieIndTrackType(movie_, 1, SoundMediaType, movieTrackMediaType);
  EXPECT_EQ(Values(added, 100), (std::vector<int>{0, 0, 31}));
  // The video track made room.
  EXPECT_EQ(Values(track_, 100), (std::vector<int>{1, 2, 0, 3, 4}));
  AddMovieSelection(movie_, other);
  EXPECT_EQ(GetMovieTrackCount(movie_), 3);
}

TEST_F(FourFrames, TheScrapHoldsAPrivateCopy) {
  ZeroScrap();
  EXPECT_EQ(NewMovieFromScrap(0), nullptr);
  EXPECT_EQ(GetMoviesError(), noMovieFound);
  SetMovieSelection(movie_, 100, 100);
  Movie copy = CopyMovieSelection(movie_);
  ASSERT_EQ(PutMovieOnScrap(copy, movieScrapOnlyPutMovie), noErr);
  DisposeMovie(copy);  // the scrap keeps its own
  Movie first = Keep(NewMovieFromScrap(newMovieActive));
  Movie second = Keep(NewMovieFromScrap(0));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_TRUE(GetMovieActive(first));
  EXPECT_FALSE(GetMovieActive(second));
  EXPECT_EQ(Values(GetMovieIndTrack(first, 1), 100), (std::vector<int>{2}));
  DeleteMovieSegment(first, 0, 100);
  EXPECT_EQ(GetMovieDuration(second), 100);
  EXPECT_EQ(PutMovieOnScrap(nullptr, 0), invalidMovie);
  QTMLTest_FailAllocations(0);
  EXPECT_EQ(NewMovieFromScrap(0), nullptr);
  EXPECT_EQ(GetMoviesError(), memFullErr);
  QTMLTest_FailAllocations(-1);
  ZeroScrap();
  EXPECT_EQ(NewMovieFromScrap(0), nullptr);
}

// Clearing or cutting a selection that runs out of memory part of the way
// through the tracks leaves every track as it was, not some of them cut.
TEST_F(FourFrames, ClearingOrCuttingWithoutMemoryLeavesEveryTrackAsItWas) {
  Track other = AddTrack(movie_, VideoMediaType, 600, {200, 200});
  ASSERT_EQ(InsertMediaIntoTrack(other, -1, 0, 200, 0x10000), noErr);
  const std::vector<int> before = Values(track_, 50), otherBefore = Values(other, 50);
  for (bool cutting : {false, true}) {
    SCOPED_TRACE(cutting ? "cut" : "clear");
    bool done = false;
    for (long n = 0; n < 500 && !done; ++n) {
      SetMovieSelection(movie_, 150, 200);
      QTMLTest_FailAllocations(n);
      Movie cut = nullptr;
      if (cutting) {
        cut = CutMovieSelection(movie_);
      } else {
        ClearMovieSelection(movie_);
      }
      OSErr err = GetMoviesError();
      QTMLTest_FailAllocations(-1);
      if (err == noErr) {
        EXPECT_EQ(GetTrackDuration(track_), 200);
        EXPECT_EQ(GetTrackDuration(other), 400);
        if (cut != nullptr) DisposeMovie(cut);
        done = true;
        continue;
      }
      ASSERT_EQ(err, memFullErr);
      EXPECT_EQ(cut, nullptr);
      ASSERT_EQ(Values(track_, 50), before) << n;
      ASSERT_EQ(Values(other, 50), otherBefore) << n;
    }
    EXPECT_TRUE(done);
    // Put back for the next round.
    ASSERT_EQ(InsertMediaIntoTrack(track_, 150, 150, 200, 0x10000), noErr);
    ASSERT_EQ(DeleteTrackSegment(other, 0, 400), noErr);
    ASSERT_EQ(InsertMediaIntoTrack(other, 0, 0, 400, 0x10000), noErr);
    ASSERT_EQ(InsertMediaIntoTrack(other, -1, 0, 200, 0x10000), noErr);
  }
}

TEST_F(FourFrames, EditsMarkTheMovieChangedAndModified) {
  ClearMovieChanged(movie_);
  EXPECT_FALSE(HasMovieChanged(movie_));
  unsigned long created = GetMovieCreationTime(movie_);
  EXPECT_GT(created, 3600UL * 24 * 365 * 100);  // after 2004
  DeleteMovieSegment(movie_, 0, 10);
  EXPECT_TRUE(HasMovieChanged(movie_));
  EXPECT_GE(GetMovieModificationTime(movie_), created);
  EXPECT_GE(GetTrackModificationTime(track_), GetTrackCreationTime(track_));
}

TEST_F(MovieEdits, InvalidReferencesAndFaultsAnswerTheirErrors) {
  EXPECT_EQ(InsertMediaIntoTrack(nullptr, 0, 0, 1, 0x10000), invalidTrack);
  EXPECT_EQ(GetMoviesError(), invalidTrack);
  EXPECT_EQ(DeleteMovieSegment(nullptr, 0, 1), invalidMovie);
  EXPECT_EQ(CutMovieSelection(nullptr), nullptr);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  Movie movie = NewEmptyMovie();
  Track track = NewMovieTrack(movie, 0, 0, 0);
  EXPECT_EQ(InsertMediaIntoTrack(track, 0, 0, 1, 0x10000), invalidMedia);
  QTMLTest_FailCall("InsertMovieSegment", 1, memFullErr);
  EXPECT_EQ(InsertMovieSegment(movie, movie, 0, 0, 0), memFullErr);
  EXPECT_EQ(GetMoviesError(), memFullErr);
  QTMLTest_FailCall("CopyMovieSelection", 1, memFullErr);
  EXPECT_EQ(CopyMovieSelection(movie), nullptr);
  EXPECT_EQ(GetMoviesError(), memFullErr);
}

}  // namespace
