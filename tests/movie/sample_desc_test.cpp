// Typed descriptions cast from a media's description: which kinds a
// description is of, and what a cast keeps.
#include "movie/sample_desc.h"

#include <gtest/gtest.h>

#include <cstring>

#include "MacMemory.h"
#include "Movies.h"
#include "QTML.h"

namespace {

using fenra::ImageDescCompNative;
using fenra::ImageDescNative;
using fenra::SampleDescNative;
using fenra::SoundDescNative;
using fenra::TextDescNative;
using fenra::TimeCodeDescNative;

class SampleDesc : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(InitializeQTML(0), noErr); }

  // A description as a media of `mediaType` would answer it: `size` bytes
  // whose common fields say `format`, descSize = size.
  void Answer(OSType mediaType, Size size, OSType format, SInt16 dataRefIndex = 1) {
    Handle h = NewHandleClear(size);
    auto* desc = reinterpret_cast<SampleDescription*>(*h);
    desc->descSize = static_cast<SInt32>(size);
    desc->dataFormat = format;
    desc->dataRefIndex = dataRefIndex;
    source.desc = reinterpret_cast<SampleDescriptionHandle>(h);
    source.mediaType = mediaType;
    source.size = size;
  }

  SampleDescNative source;
};

TEST_F(SampleDesc, KindsGoByMediaTypeOrByExactSize) {
  Answer('vide', 120, 'avc1');
  EXPECT_TRUE(source.IsOfKind(fenra::kVideoKind));
  EXPECT_FALSE(source.IsOfKind(fenra::kSoundKind));

  SampleDescNative bySize;
  Handle h = NewHandleClear(86);
  bySize.desc = reinterpret_cast<SampleDescriptionHandle>(h);
  bySize.mediaType = 'xyzw';
  bySize.size = 86;
  EXPECT_TRUE(bySize.IsOfKind(fenra::kVideoKind));
  EXPECT_FALSE(bySize.IsOfKind(fenra::kTextKind));

  SampleDescNative empty;
  empty.mediaType = 'vide';
  EXPECT_FALSE(empty.IsOfKind(fenra::kVideoKind));
}

TEST_F(SampleDesc, ACastKeepsTheFixedRecordAndReportsTheFullSize) {
  Answer('vide', 120, 'avc1');
  auto* image = reinterpret_cast<ImageDescription*>(*source.desc);
  image->width = 640;
  image->height = 480;
  std::memset(reinterpret_cast<char*>(image) + 86, 0x5A, 34);  // an extension

  ImageDescNative cast;
  cast.CastFrom(&source);
  ASSERT_TRUE(cast.IsValid());
  EXPECT_EQ(cast.err, noErr);
  EXPECT_EQ(GetHandleSize(cast.record), 86);
  EXPECT_EQ(cast.Image()->idSize, 120);
  EXPECT_EQ(cast.Image()->cType, OSType('avc1'));
  EXPECT_EQ(cast.Image()->width, 640);
  EXPECT_EQ(source.Record()->dataRefIndex - 1, 0);

  // The cast is a private copy: the source is independent of it.
  cast.Image()->width = 1;
  EXPECT_EQ(image->width, 640);
}

TEST_F(SampleDesc, ACastFromTheWrongKindOrNothingIsAParamErr) {
  Answer('soun', 36, 'twos');
  TextDescNative text;
  text.CastFrom(&source);
  EXPECT_FALSE(text.IsValid());
  EXPECT_EQ(text.err, paramErr);

  ImageDescCompNative comp;
  comp.CastFrom(nullptr);
  EXPECT_EQ(comp.err, paramErr);

  SoundDescNative sound;
  sound.CastFrom(&source);
  ASSERT_TRUE(sound.IsValid());
  EXPECT_EQ(sound.Sound()->dataFormat, OSType('twos'));
}

TEST_F(SampleDesc, ATimeCodeCastWithoutMediaHasNoHandler) {
  Answer('tmcd', 38, 'tmcd');
  auto* timeCode = reinterpret_cast<TimeCodeDescription*>(*source.desc);
  timeCode->timeCodeDef = {tcDropFrame, 2997, 100, 30, 0};
  TimeCodeDescNative cast;
  cast.CastFrom(&source);
  ASSERT_TRUE(cast.IsValid());
  EXPECT_EQ(cast.handler, nullptr);
  ASSERT_NE(cast.textOptions, nullptr);
  EXPECT_EQ(cast.TimeCode()->timeCodeDef.numFrames, 30);

  // Without a handler a setting is only stored.
  cast.SetVisible(true);
  EXPECT_TRUE(cast.visible);
  EXPECT_EQ(cast.err, noErr);
}

TEST_F(SampleDesc, CopiesTakeWhatEachClassSays) {
  ImageDescCompNative comp;
  comp.MakeDefault();
  comp.clip = Rect{0, 0, 60, 80};
  comp.keyFrameRate = 12;
  comp.frameRate = 15 << 16;
  ImageDescCompNative compCopy(comp);
  EXPECT_EQ(compCopy.clip.right, 80);
  EXPECT_EQ(compCopy.keyFrameRate, 12);
  EXPECT_EQ(compCopy.frameRate, 15 << 16);
  EXPECT_NE(compCopy.record, comp.record);

  ImageDescNative image;
  image.MakeDefault();
  image.clip = Rect{0, 0, 10, 10};
  ImageDescNative imageCopy(image);
  EXPECT_EQ(imageCopy.clip.right, 0);
  EXPECT_EQ(imageCopy.Image()->hRes, 72 << 16);
  EXPECT_EQ(imageCopy.Image()->clutID, -1);

  TextDescNative text;
  text.MakeDefault();
  text.scrollDelay = 7;
  TextDescNative textCopy(text);
  EXPECT_EQ(textCopy.scrollDelay, 0);
  EXPECT_EQ(textCopy.Text()->bgColor.green, 0xFFFF);

  TextDescNative invalid;
  TextDescNative fromInvalid(invalid);
  EXPECT_EQ(fromInvalid.err, paramErr);
  EXPECT_FALSE(fromInvalid.IsValid());
}

TEST_F(SampleDesc, ATimeCodeMediaAnswersItsDescriptionAndHandlerSettings) {
  ASSERT_EQ(EnterMovies(), noErr);
  Movie movie = NewMovie(0);
  Media media = NewTrackMedia(NewMovieTrack(movie, 0, 0, 0), 'tmcd', 2997, nullptr, 0);
  MediaHandler handler = GetMediaHandler(media);
  ASSERT_NE(handler, nullptr);

  // A new track's description: settings go to the handler, the source
  // into the description.
  TimeCodeDescNative made;
  made.MakeDefault();
  made.TimeCode()->dataFormat = 'tmcd';
  made.TimeCode()->timeCodeDef = {0, 2997, 100, 30, 0};
  made.handler = handler;
  made.SetVisible(true);
  made.SetTextOptions(TCTextOptions{22, bold, 18, 0, {0xFFFF, 0, 0}, {0, 0, 0}});
  UserData source = nullptr;
  ASSERT_EQ(NewUserData(&source), noErr);
  Handle name = NewHandle(0);
  PtrToXHand("Reel 7", name, 6);
  AddUserData(source, name, 'name');
  made.SetSource(source);
  EXPECT_EQ(made.err, noErr);
  ASSERT_EQ(BeginMediaEdits(media), noErr);
  Handle sample = NewHandleClear(4);
  ASSERT_EQ(AddMediaSample(media, sample, 0, 4, 100,
                           reinterpret_cast<SampleDescriptionHandle>(made.record), 1, 0, nullptr),
            noErr);
  EndMediaEdits(media);

  SampleDescNative read;
  read.Read(media, 'tmcd', 1);
  ASSERT_TRUE(read.IsValid());
  EXPECT_GT(read.size, 38);
  EXPECT_EQ(read.Record()->dataRefIndex - 1, 0);

  TimeCodeDescNative cast;
  cast.CastFrom(&read);
  ASSERT_TRUE(cast.IsValid());
  EXPECT_EQ(cast.handler, handler);
  EXPECT_TRUE(cast.visible);
  EXPECT_EQ((**cast.textOptions).txSize, 18);
  EXPECT_EQ((**cast.textOptions).foreColor.red, 0xFFFF);
  ASSERT_NE(cast.source, nullptr);
  EXPECT_EQ(CountUserDataType(cast.source, 'name'), 1);
  EXPECT_EQ(cast.TimeCode()->descSize, read.size);

  SampleDescNative noMedia;
  noMedia.Read(nullptr, 'tmcd', 1);
  EXPECT_EQ(noMedia.err, invalidMedia);
  SampleDescNative pastTheEnd;
  pastTheEnd.Read(media, 'tmcd', 2);
  EXPECT_FALSE(pastTheEnd.IsValid());
  EXPECT_NE(pastTheEnd.err, noErr);

  DisposeUserData(source);
  DisposeHandle(name);
  DisposeHandle(sample);
  DisposeMovie(movie);
}

}  // namespace
