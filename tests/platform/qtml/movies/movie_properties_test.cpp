// Properties of movies, tracks and media: geometry (box, natural bounds,
// matrices, clip regions), settings copied between them, tracks by type,
// rates and volumes, data sizes and loading.
#include "movies/movie_test_support.h"

namespace {

using movie_test::MovieTest;
using MovieProperties = MovieTest;

bool SameRect(const Rect& a, const Rect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

RgnHandle RectRegion(short left, short top, short right, short bottom) {
  RgnHandle region = NewRgn();
  SetRectRgn(region, left, top, right, bottom);
  return region;
}

TEST_F(MovieProperties, TheBoxIsTheNaturalBoundsThroughTheMatrix) {
  Movie movie = NewEmptyMovie();
  Track track = AddTrack(movie, VideoMediaType, 600, {100});  // 320 x 240
  Rect natural{}, box{};
  GetMovieNaturalBoundsRect(movie, &natural);
  EXPECT_TRUE(SameRect(natural, Rect{0, 0, 240, 320}));
  GetMovieBox(movie, &box);
  EXPECT_TRUE(SameRect(box, natural));

  Rect wanted{10, 20, 130, 180};  // half the size, moved
  SetMovieBox(movie, &wanted);
  GetMovieBox(movie, &box);
  EXPECT_TRUE(SameRect(box, wanted));
  GetMovieNaturalBoundsRect(movie, &natural);
  EXPECT_TRUE(SameRect(natural, Rect{0, 0, 240, 320}));
  MatrixRecord matrix{};
  GetMovieMatrix(movie, &matrix);
  EXPECT_EQ(matrix.matrix[0][0], 0x8000);
  EXPECT_EQ(matrix.matrix[2][0], 20 << 16);

  // Tracks move and size the natural bounds.
  SetTrackDimensions(track, 100 << 16, 50 << 16);
  MatrixRecord moved;
  SetIdentityMatrix(&moved);
  TranslateMatrix(&moved, 10 << 16, 10 << 16);
  SetTrackMatrix(track, &moved);
  GetMovieNaturalBoundsRect(movie, &natural);
  EXPECT_TRUE(SameRect(natural, Rect{10, 10, 60, 110}));
  SetMovieMatrix(movie, nullptr);  // identity
  GetMovieBox(movie, &box);
  EXPECT_TRUE(SameRect(box, natural));
}

TEST_F(MovieProperties, ClipRegionsAreCopiesAndBoundTheMovie) {
  Movie movie = NewEmptyMovie();
  Track track = AddTrack(movie, VideoMediaType, 600, {100});
  EXPECT_EQ(GetMovieClipRgn(movie), nullptr);
  EXPECT_EQ(GetMoviesError(), noErr);
  RgnHandle clip = RectRegion(0, 0, 50, 50);
  SetMovieClipRgn(movie, clip);
  DisposeRgn(clip);
  RgnHandle back = GetMovieClipRgn(movie);
  ASSERT_NE(back, nullptr);
  Rect bounds{};
  GetRegionBounds(back, &bounds);
  EXPECT_TRUE(SameRect(bounds, Rect{0, 0, 50, 50}));
  DisposeRgn(back);
  RgnHandle visible = GetMovieBoundsRgn(movie);
  GetRegionBounds(visible, &bounds);
  EXPECT_TRUE(SameRect(bounds, Rect{0, 0, 50, 50}));
  DisposeRgn(visible);
  SetMovieClipRgn(movie, nullptr);
  EXPECT_EQ(GetMovieClipRgn(movie), nullptr);

  RgnHandle trackClip = RectRegion(5, 5, 10, 10);
  SetTrackClipRgn(track, trackClip);
  DisposeRgn(trackClip);
  back = GetTrackClipRgn(track);
  ASSERT_NE(back, nullptr);
  DisposeRgn(back);
  Handle notARegion = NewHandle(2);
  SetTrackClipRgn(track, reinterpret_cast<RgnHandle>(notARegion));
  EXPECT_EQ(GetMoviesError(), paramErr);
  DisposeHandle(notARegion);
}

TEST_F(MovieProperties, TracksAreFoundByTypeCharacteristicAndEnabling) {
  Movie movie = NewEmptyMovie();
  Track video = AddTrack(movie, VideoMediaType, 600, {100});
  Track sound = AddTrack(movie, SoundMediaType, 600, {100});
  Track text = AddTrack(movie, TextMediaType, 600, {100});
  EXPECT_EQ(GetMovieIndTrackType(movie, 1, SoundMediaType, movieTrackMediaType), sound);
  EXPECT_EQ(GetMovieIndTrackType(movie, 2, SoundMediaType, movieTrackMediaType), nullptr);
  EXPECT_EQ(GetMovieIndTrackType(movie, 1, VisualMediaCharacteristic, movieTrackCharacteristic),
            video);
  EXPECT_EQ(GetMovieIndTrackType(movie, 2, VisualMediaCharacteristic, movieTrackCharacteristic),
            text);
  SetTrackEnabled(video, false);
  EXPECT_FALSE(GetTrackEnabled(video));
  EXPECT_EQ(GetMovieIndTrackType(movie, 1, VisualMediaCharacteristic,
                                 movieTrackCharacteristic | movieTrackEnabledOnly),
            text);
  EXPECT_EQ(GetTrackID(text), 3);
}

TEST_F(MovieProperties, TrackAndMovieSettingsReadBackAndCopy) {
  Movie movie = NewEmptyMovie();
  Track a = AddTrack(movie, VideoMediaType, 600, {100});
  Track b = AddTrack(movie, VideoMediaType, 600, {100});
  SetTrackLayer(a, -2);
  SetTrackAlternateGroup(a, 3);
  SetTrackVolume(a, 0x80);
  SetTrackUsage(a, trackUsageInMovie);
  EXPECT_EQ(GetTrackUsage(a), trackUsageInMovie);
  EXPECT_EQ(GetTrackUsage(b), trackUsageInMovie | trackUsageInPreview | trackUsageInPoster);
  long mode = 0;
  MediaSetGraphicsMode(GetMediaHandler(GetTrackMedia(a)), 0x24, nullptr);
  ASSERT_EQ(CopyTrackSettings(a, b), noErr);
  EXPECT_EQ(GetTrackLayer(b), -2);
  EXPECT_EQ(GetTrackAlternateGroup(b), 3);
  EXPECT_EQ(GetTrackVolume(b), 0x80);
  MediaGetGraphicsMode(GetMediaHandler(GetTrackMedia(b)), &mode, nullptr);
  EXPECT_EQ(mode, 0x24);

  SetMoviePreferredRate(movie, 0x20000);
  SetMoviePreferredVolume(movie, 0x80);
  SetMovieVolume(movie, 0x40);
  EXPECT_EQ(GetMovieVolume(movie), 0x40);
  SetMoviePreviewTime(movie, 10, 20);
  TimeValue start = 0, length = 0;
  GetMoviePreviewTime(movie, &start, &length);
  EXPECT_EQ(length, 20);
  Movie other = NewEmptyMovie();
  ASSERT_EQ(CopyMovieSettings(movie, other), noErr);
  EXPECT_EQ(GetMoviePreferredRate(other), 0x20000);
  EXPECT_EQ(GetMoviePreferredVolume(other), 0x80);
  EXPECT_EQ(CopyMovieSettings(movie, nullptr), invalidMovie);
  EXPECT_EQ(CopyTrackSettings(nullptr, b), invalidTrack);
}

TEST_F(MovieProperties, MediaPropertiesAndDates) {
  Movie movie = NewEmptyMovie();
  Media media = GetTrackMedia(AddTrack(movie, SoundMediaType, 600, {100}));
  SetMediaLanguage(media, 2);
  SetMediaQuality(media, 100);
  EXPECT_EQ(GetMediaLanguage(media), 2);
  EXPECT_EQ(GetMediaQuality(media), 100);
  EXPECT_GT(GetMediaCreationTime(media), 3600UL * 24 * 365 * 100);
  SetMediaTimeScale(media, 1200);
  EXPECT_EQ(GetMediaTimeScale(media), 1200);
  SetMediaTimeScale(media, -1);
  EXPECT_EQ(GetMoviesError(), paramErr);
}

TEST_F(MovieProperties, GraphicsWorldActivityAndProgress) {
  Movie movie = NewEmptyMovie();
  auto port = reinterpret_cast<CGrafPtr>(0x10);
  SetMovieGWorld(movie, port, nullptr);
  CGrafPtr got = nullptr;
  GDHandle device = reinterpret_cast<GDHandle>(1);
  GetMovieGWorld(movie, &got, &device);
  EXPECT_EQ(got, port);
  EXPECT_EQ(device, nullptr);
  SetMovieActive(movie, false);
  EXPECT_FALSE(GetMovieActive(movie));

  static std::vector<short> messages;
  messages.clear();
  SetMovieProgressProc(
      movie,
      [](Movie, short message, short, Fixed, long refcon) -> OSErr {
        messages.push_back(message);
        return refcon == 7 ? noErr : paramErr;
      },
      7);
  Movie source = NewEmptyMovie();
  AddTrack(source, VideoMediaType, 600, {100});
  ASSERT_EQ(InsertMovieSegment(source, movie, 0, 100, 0), noErr);
  EXPECT_EQ(messages, (std::vector<short>{movieProgressOpen, movieProgressUpdatePercent,
                                          movieProgressClose}));
  SetMovieProgressProc(movie, nullptr, 0);
}

TEST_F(MovieProperties, DataSizesCountTheSamplesShownInARange) {
  Movie movie = NewEmptyMovie();
  EXPECT_EQ(GetMovieDataSize(movie, 0, 0), 0);
  Track track = AddTrack(movie, VideoMediaType, 600, {100, 100, 100, 100}, 512);
  wide size = -1;
  ASSERT_EQ(GetMovieDataSize64(movie, 0, GetMovieDuration(movie), &size), noErr);
  EXPECT_EQ(size, 2048);
  EXPECT_EQ(GetTrackDataSize(track, 150, 100), 1024);  // a part of two samples
  EXPECT_EQ(GetMediaDataSize(GetTrackMedia(track), 0, 100), 512);
  SetTrackOffset(track, 100);
  EXPECT_EQ(GetTrackDataSize(track, 0, 100), 0);
  EXPECT_EQ(GetTrackDataSize64(track, -1, 10, &size), paramErr);
  EXPECT_EQ(GetMediaDataSize64(nullptr, 0, 10, &size), invalidMedia);

  EXPECT_EQ(LoadMovieIntoRam(movie, 0, 500, keepInRam), noErr);
  EXPECT_EQ(LoadTrackIntoRam(track, 0, 500, 0), noErr);
  EXPECT_EQ(LoadMediaIntoRam(GetTrackMedia(track), 0, 400, flushFromRam), noErr);
  EXPECT_EQ(LoadMediaIntoRam(GetTrackMedia(track), -1, 400, 0), paramErr);
  EXPECT_EQ(GetMoviesError(), paramErr);
}

TEST_F(MovieProperties, SamplesPastTheEndOfTheirStoreDoNotLoad) {
  Movie movie = NewEmptyMovie();
  Track track = AddTrack(movie, VideoMediaType, 600, {100});
  Media media = GetTrackMedia(track);
  SampleDescriptionHandle desc = NewDescription(VideoMediaType, 'raw ');
  ASSERT_EQ(AddMediaSampleReference(media, 1 << 20, 16, 100, desc, 1, 0, nullptr), noErr);
  DisposeHandle(reinterpret_cast<Handle>(desc));
  ASSERT_EQ(InsertMediaIntoTrack(track, -1, 100, 100, 0x10000), noErr);
  EXPECT_EQ(LoadTrackIntoRam(track, 0, 100, 0), noErr);
  EXPECT_EQ(LoadTrackIntoRam(track, 0, 200, 0), ioErr);
}

TEST_F(MovieProperties, InvalidReferencesAndFaults) {
  EXPECT_EQ(GetMoviePreferredRate(nullptr), 0);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  EXPECT_EQ(GetTrackLayer(nullptr), 0);
  EXPECT_EQ(GetMoviesError(), invalidTrack);
  EXPECT_EQ(GetMediaLanguage(nullptr), 0);
  EXPECT_EQ(GetMoviesError(), invalidMedia);
  Movie movie = NewEmptyMovie();
  QTMLTest_FailCall("GetMovieBox", 1, paramErr);
  Rect box{1, 1, 1, 1};
  GetMovieBox(movie, &box);
  EXPECT_EQ(GetMoviesError(), paramErr);
  QTMLTest_FailCall("SetMovieRate", 0, memFullErr);
  SetMovieRate(movie, 0x10000);
  SetMovieRate(movie, 0x10000);
  EXPECT_EQ(GetMoviesError(), memFullErr);
  QTMLTest_ClearFaults();
  EXPECT_EQ(GetMovieRate(movie), 0);
}

}  // namespace
