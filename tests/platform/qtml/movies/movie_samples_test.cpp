// Tracks, media and samples built from scratch: durations, sample tables,
// sample bytes and descriptions, data references and media handlers.
#include <cstring>

#include "movies/movie_test_support.h"

namespace {

using movie_test::MovieTest;
using MovieSamples = MovieTest;

TEST_F(MovieSamples, SamplesAddUpToTheMediaAndTrackDurations) {
  Movie movie = NewEmptyMovie(600);
  Track track = AddTrack(movie, VideoMediaType, 30, {1, 2, 3, 4});
  Media media = GetTrackMedia(track);
  EXPECT_EQ(GetMediaDuration(media), 10);
  EXPECT_EQ(GetMediaSampleCount(media), 4);
  EXPECT_EQ(GetTrackDuration(track), 200);  // 10/30 s at 600
  EXPECT_EQ(GetMovieDuration(movie), 200);
  EXPECT_EQ(GetMovieTrackCount(movie), 1);
  EXPECT_EQ(GetTrackMovie(track), movie);
  EXPECT_EQ(GetMediaTrack(media), track);
  EXPECT_EQ(GetMovieIndTrack(movie, 1), track);
  EXPECT_EQ(GetMovieTrack(movie, GetTrackID(track)), track);
  EXPECT_TRUE(HasMovieChanged(movie));
}

TEST_F(MovieSamples, SamplesAreNumberedAndFoundByTime) {
  Movie movie = NewEmptyMovie();
  Media media = GetTrackMedia(AddTrack(movie, VideoMediaType, 600, {10, 20, 30}));
  TimeValue start = 0, duration = 0;
  SampleNumToMediaTime(media, 3, &start, &duration);
  EXPECT_EQ(start, 30);
  EXPECT_EQ(duration, 30);
  long number = 0;
  MediaTimeToSampleNum(media, 29, &number, &start, &duration);
  EXPECT_EQ(number, 2);
  EXPECT_EQ(start, 10);
  EXPECT_EQ(duration, 20);
  SampleNumToMediaTime(media, 4, &start, &duration);
  EXPECT_EQ(GetMoviesError(), invalidSampleNum);
  MediaTimeToSampleNum(media, 60, &number, &start, &duration);
  EXPECT_EQ(GetMoviesError(), invalidTime);
}

TEST_F(MovieSamples, SampleBytesComeBackFromTheStore) {
  Movie movie = NewEmptyMovie();
  Media media = GetTrackMedia(AddTrack(movie, VideoMediaType, 600, {10, 10}, 8, 0, {1}));
  Handle data = NewHandle(0);
  SampleDescriptionHandle desc = reinterpret_cast<SampleDescriptionHandle>(NewHandle(0));
  long size = 0, index = 0, count = 0;
  TimeValue start = -1, duration = 0;
  short flags = -1;
  ASSERT_EQ(
      GetMediaSample(media, data, 0, &size, 15, &start, &duration, desc, &index, 1, &count, &flags),
      noErr);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(GetHandleSize(data), 8);
  EXPECT_EQ((*data)[7], 2);
  EXPECT_EQ(start, 10);
  EXPECT_EQ(duration, 10);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(flags, mediaSampleNotSync);
  EXPECT_EQ((**desc).dataFormat, static_cast<OSType>('raw '));
  EXPECT_EQ((**desc).dataRefIndex, 1);
  EXPECT_EQ(GetMediaSample(media, data, 4, &size, 0, nullptr, nullptr, nullptr, nullptr, 1, nullptr,
                           nullptr),
            maxSizeToGrowTooSmall);
  EXPECT_EQ(GetMediaSample(media, data, 0, &size, 20, nullptr, nullptr, nullptr, nullptr, 1,
                           nullptr, nullptr),
            invalidTime);
  DisposeHandle(data);
  DisposeHandle(reinterpret_cast<Handle>(desc));
}

TEST_F(MovieSamples, EqualDescriptionsAreSharedAndNewOnesAdded) {
  Movie movie = NewEmptyMovie();
  Track track = NewMovieTrack(movie, 0, 0, 0x100);
  Media media = NewTrackMedia(track, SoundMediaType, 8000, nullptr, 0);
  SampleDescriptionHandle a = NewDescription(SoundMediaType, 'twos');
  SampleDescriptionHandle b = NewDescription(SoundMediaType, 'sowt');
  Handle data = NewHandleClear(64);
  TimeValue at = -1;
  // 16 samples of 4 bytes in one call, then 16 more of another format.
  ASSERT_EQ(AddMediaSample(media, data, 0, 64, 1, a, 16, 0, &at), noErr);
  EXPECT_EQ(at, 0);
  ASSERT_EQ(AddMediaSample(media, data, 0, 64, 1, a, 16, 0, &at), noErr);
  EXPECT_EQ(at, 16);
  ASSERT_EQ(AddMediaSample(media, data, 32, 32, 1, b, 8, 0, &at), noErr);
  EXPECT_EQ(GetMediaSampleCount(media), 40);
  EXPECT_EQ(GetMediaSampleDescriptionCount(media), 2);
  SampleReferenceRecord refs[40];
  long count = 0;
  long index = 0;
  ASSERT_EQ(GetMediaSampleReferences(media, 30, &at, nullptr, &index, 40, &count, refs), noErr);
  EXPECT_EQ(at, 30);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(count, 2);  // up to the change of description
  EXPECT_EQ(refs[0].dataSize, 4);
  EXPECT_EQ(refs[1].dataOffset, refs[0].dataOffset + 4);
  DisposeHandle(data);
  DisposeHandle(reinterpret_cast<Handle>(a));
  DisposeHandle(reinterpret_cast<Handle>(b));
}

TEST_F(MovieSamples, ReferencedSamplesPointIntoTheStore) {
  Movie movie = NewEmptyMovie();
  Track track = AddTrack(movie, VideoMediaType, 600, {10}, 16);
  Media media = GetTrackMedia(track);
  SampleDescriptionHandle desc = NewDescription(VideoMediaType, 'raw ');
  ASSERT_EQ(AddMediaSampleReference(media, 4, 8, 5, desc, 1, 0, nullptr), noErr);
  Handle data = NewHandle(0);
  long size = 0;
  ASSERT_EQ(GetMediaSample(media, data, 0, &size, 12, nullptr, nullptr, nullptr, nullptr, 1,
                           nullptr, nullptr),
            noErr);
  EXPECT_EQ(size, 8);
  EXPECT_EQ((*data)[0], 1);
  DisposeHandle(data);
  DisposeHandle(reinterpret_cast<Handle>(desc));
}

TEST_F(MovieSamples, BadSampleArgumentsAreRefused) {
  Movie movie = NewEmptyMovie();
  Media media = GetTrackMedia(AddTrack(movie, VideoMediaType, 600, {10}));
  SampleDescriptionHandle desc = NewDescription(VideoMediaType, 'raw ');
  Handle data = NewHandleClear(4);
  EXPECT_EQ(AddMediaSample(media, data, 0, 4, 0, desc, 1, 0, nullptr), paramErr);
  EXPECT_EQ(AddMediaSample(media, data, 2, 4, 1, desc, 1, 0, nullptr), paramErr);
  EXPECT_EQ(AddMediaSample(media, data, 0, 4, 1, nullptr, 1, 0, nullptr), paramErr);
  EXPECT_EQ(AddMediaSample(nullptr, data, 0, 4, 1, desc, 1, 0, nullptr), invalidMedia);
  (**desc).dataRefIndex = 5;
  EXPECT_EQ(AddMediaSample(media, data, 0, 4, 1, desc, 1, 0, nullptr), badDataRefIndex);
  EXPECT_EQ(GetMoviesError(), badDataRefIndex);
  QTMLTest_FailCall("AddMediaSample", 1, ioErr);
  (**desc).dataRefIndex = 1;
  EXPECT_EQ(AddMediaSample(media, data, 0, 4, 1, desc, 1, 0, nullptr), ioErr);
  EXPECT_EQ(GetMediaSampleCount(media), 1);
  DisposeHandle(data);
  DisposeHandle(reinterpret_cast<Handle>(desc));
}

TEST_F(MovieSamples, MediaWithoutADataRefShareTheMoviesMemory) {
  Movie movie = NewEmptyMovie();
  Track a = AddTrack(movie, VideoMediaType, 600, {10});
  Track b = AddTrack(movie, SoundMediaType, 600, {10});
  SampleReferenceRecord ra{}, rb{};
  long count = 0;
  ASSERT_EQ(
      GetMediaSampleReferences(GetTrackMedia(a), 0, nullptr, nullptr, nullptr, 1, &count, &ra),
      noErr);
  ASSERT_EQ(
      GetMediaSampleReferences(GetTrackMedia(b), 0, nullptr, nullptr, nullptr, 1, &count, &rb),
      noErr);
  EXPECT_EQ(rb.dataOffset, ra.dataOffset + 4);  // one store, appended in turn
}

TEST_F(MovieSamples, MediaKnowTheirHandlerAndCharacteristics) {
  Movie movie = NewEmptyMovie();
  Media video = GetTrackMedia(AddTrack(movie, VideoMediaType, 600, {10}));
  Media sound = GetTrackMedia(AddTrack(movie, SoundMediaType, 600, {10}));
  OSType type = 0, manufacturer = 0;
  Str255 name;
  GetMediaHandlerDescription(video, &type, name, &manufacturer);
  EXPECT_EQ(type, static_cast<OSType>(VideoMediaType));
  EXPECT_EQ(manufacturer, static_cast<OSType>('appl'));
  EXPECT_GT(name[0], 0);

  MediaHandler vh = GetMediaHandler(video);
  ASSERT_NE(vh, nullptr);
  EXPECT_EQ(GetMediaHandler(video), vh);  // one a media
  MediaHandler sh = GetMediaHandler(sound);
  Boolean has = false;
  EXPECT_EQ(MediaHasCharacteristic(vh, VisualMediaCharacteristic, &has), noErr);
  EXPECT_TRUE(has);
  EXPECT_EQ(MediaHasCharacteristic(vh, AudioMediaCharacteristic, &has), noErr);
  EXPECT_FALSE(has);
  EXPECT_EQ(MediaHasCharacteristic(sh, AudioMediaCharacteristic, &has), noErr);
  EXPECT_TRUE(has);

  long mode = 0;
  RGBColor color{1, 2, 3};
  EXPECT_EQ(MediaSetGraphicsMode(vh, 0x20, &color), noErr);
  RGBColor back{};
  EXPECT_EQ(MediaGetGraphicsMode(vh, &mode, &back), noErr);
  EXPECT_EQ(mode, 0x20);
  EXPECT_EQ(back.blue, 3);
  EXPECT_EQ(MediaGetGraphicsMode(sh, &mode, &back), badComponentSelector);

  short bass = 0, treble = 0, balance = 0;
  EXPECT_EQ(MediaSetSoundBassAndTreble(sh, 10, -20), noErr);
  EXPECT_EQ(MediaGetSoundBassAndTreble(sh, &bass, &treble), noErr);
  EXPECT_EQ(bass, 10);
  EXPECT_EQ(treble, -20);
  EXPECT_EQ(MediaSetSoundBalance(sh, -64), noErr);
  EXPECT_EQ(MediaGetSoundBalance(sh, &balance), noErr);
  EXPECT_EQ(balance, -64);
  EXPECT_EQ(MediaGetSoundBalance(vh, &balance), badComponentSelector);

  // The handler goes with its media.
  DisposeTrackMedia(video);
  EXPECT_EQ(MediaHasCharacteristic(vh, VisualMediaCharacteristic, &has), badComponentInstance);
}

TEST_F(MovieSamples, TextSamplesCarryTheirLengthStyleAndDescription) {
  Movie movie = NewEmptyMovie();
  Track track = NewMovieTrack(movie, 200 << 16, 40 << 16, 0);
  Media media = NewTrackMedia(track, TextMediaType, 600, nullptr, 0);
  MediaHandler handler = GetMediaHandler(media);
  char text[] = "Hello";
  RGBColor red{0xFFFF, 0, 0};
  Rect box{0, 0, 40, 200};
  TimeValue at = -1;
  ASSERT_EQ(TextMediaAddTextSample(handler, text, 5, 3, 12, bold, &red, nullptr, teCenter, &box,
                                   dfClipToTextBox, 0, 0, 0, nullptr, 300, &at),
            noErr);
  EXPECT_EQ(at, 0);
  EXPECT_EQ(GetMediaDuration(media), 300);
  Handle data = NewHandle(0);
  long size = 0;
  auto desc = reinterpret_cast<SampleDescriptionHandle>(NewHandle(0));
  ASSERT_EQ(GetMediaSample(media, data, 0, &size, 0, nullptr, nullptr, desc, nullptr, 1, nullptr,
                           nullptr),
            noErr);
  ASSERT_GT(size, 7);
  EXPECT_EQ((*data)[1], 5);
  EXPECT_EQ(std::string(*data + 2, 5), "Hello");
  EXPECT_EQ(std::string(*data + 11, 4), "styl");
  auto text_desc = reinterpret_cast<TextDescriptionHandle>(desc);
  EXPECT_EQ((**text_desc).dataFormat, static_cast<OSType>('text'));
  EXPECT_EQ((**text_desc).displayFlags, dfClipToTextBox);
  EXPECT_EQ((**text_desc).textJustification, teCenter);
  EXPECT_EQ((**text_desc).defaultStyle.scrpFont, 3);
  EXPECT_EQ((**text_desc).defaultStyle.scrpColor.red, 0xFFFF);
  DisposeHandle(data);
  DisposeHandle(reinterpret_cast<Handle>(desc));
  // Only text media take text.
  Media video = GetTrackMedia(AddTrack(movie, VideoMediaType, 600, {10}));
  EXPECT_EQ(TextMediaAddTextSample(GetMediaHandler(video), text, 5, 0, 12, 0, nullptr, nullptr, 0,
                                   nullptr, 0, 0, 0, 0, nullptr, 10, nullptr),
            badComponentSelector);
}

TEST_F(MovieSamples, DisposedTracksAndMediaAreInvalid) {
  Movie movie = NewEmptyMovie();
  Track track = AddTrack(movie, VideoMediaType, 600, {10});
  Media media = GetTrackMedia(track);
  DisposeMovieTrack(track);
  EXPECT_EQ(GetMovieTrackCount(movie), 0);
  EXPECT_EQ(GetMovieDuration(movie), 0);
  EXPECT_EQ(GetTrackDuration(track), 0);
  EXPECT_EQ(GetMoviesError(), invalidTrack);
  EXPECT_EQ(GetMediaDuration(media), 0);
  EXPECT_EQ(GetMoviesError(), invalidMedia);
  EXPECT_EQ(NewMovieTrack(nullptr, 0, 0, 0), nullptr);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  EXPECT_EQ(GetMovieIndTrack(movie, 1), nullptr);
  EXPECT_EQ(GetMoviesError(), badTrackIndex);
  EXPECT_EQ(GetMovieTrack(movie, 99), nullptr);
  EXPECT_EQ(GetMoviesError(), trackIDNotFound);
}

TEST_F(MovieSamples, FaultsAnswerTheirErrors) {
  Movie movie = NewEmptyMovie();
  QTMLTest_FailCall("NewMovieTrack", 1, memFullErr);
  EXPECT_EQ(NewMovieTrack(movie, 0, 0, 0), nullptr);
  EXPECT_EQ(GetMoviesError(), memFullErr);
  Track track = NewMovieTrack(movie, 0, 0, 0);
  QTMLTest_FailCall("NewTrackMedia", 1, noMediaHandler);
  EXPECT_EQ(NewTrackMedia(track, VideoMediaType, 600, nullptr, 0), nullptr);
  EXPECT_EQ(GetMoviesError(), noMediaHandler);
  Media media = NewTrackMedia(track, VideoMediaType, 600, nullptr, 0);
  QTMLTest_FailCall("GetMediaHandler", 1, cantOpenHandler);
  EXPECT_EQ(GetMediaHandler(media), nullptr);
  EXPECT_EQ(GetMoviesError(), cantOpenHandler);
  QTMLTest_FailAllocations(0);
  EXPECT_EQ(GetMediaHandler(media), nullptr);
  EXPECT_EQ(GetMoviesError(), memFullErr);
  QTMLTest_FailAllocations(-1);
  EXPECT_NE(GetMediaHandler(media), nullptr);
}

// Tables of a few runs stay small in memory, however many samples they
// hold; written out, sizes of unlike samples are listed one by one, and a
// list of gigabytes is refused rather than built.
TEST_F(MovieSamples, TablesThatWouldBeListedPastTheLimitAreNotWritten) {
  Movie movie = NewEmptyMovie();
  Track track = NewMovieTrack(movie, 0, 0, 0);
  Media media = NewTrackMedia(track, VideoMediaType, 600, nullptr, 0);
  SampleDescriptionHandle desc = NewDescription(VideoMediaType, 'raw ');
  for (unsigned long each : {1ul, 2ul}) {  // the size given is that of all the samples
    ASSERT_EQ(AddMediaSampleReference(media, 0, each * 40000000, 1, desc, 40000000, 0, nullptr),
              noErr);
  }
  EXPECT_EQ(GetMediaSampleCount(media), 80000000);
  Handle h = NewHandle(0);
  EXPECT_EQ(PutMovieIntoHandle(movie, h), memFullErr);
  EXPECT_EQ(GetHandleSize(h), 0);

  // Samples alike are one size, whatever their number.
  Movie alike = NewEmptyMovie();
  Media same = NewTrackMedia(NewMovieTrack(alike, 0, 0, 0), VideoMediaType, 600, nullptr, 0);
  ASSERT_EQ(AddMediaSampleReference(same, 0, 160000000, 1, desc, 80000000, 0, nullptr), noErr);
  EXPECT_EQ(PutMovieIntoHandle(alike, h), noErr);
  EXPECT_LT(GetHandleSize(h), 16384);
  DisposeHandle(h);
  DisposeHandle(reinterpret_cast<Handle>(desc));
}

}  // namespace
