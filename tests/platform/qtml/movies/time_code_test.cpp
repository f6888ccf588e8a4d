// The time code media handler: display settings, source information and
// frame numbers as time codes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "MacMemory.h"
#include "Movies.h"
#include "QTML.h"
#include "QuickTimeComponents.h"

namespace {

class TimeCode : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ASSERT_EQ(EnterMovies(), noErr);
    movie = NewMovie(0);
    ASSERT_NE(movie, nullptr);
    Track track = NewMovieTrack(movie, 0, 0, 0);
    media = NewTrackMedia(track, TimeCodeMediaType, 2997, nullptr, 0);
    ASSERT_NE(media, nullptr);
    handler = GetMediaHandler(media);
    ASSERT_NE(handler, nullptr);
  }
  void TearDown() override { DisposeMovie(movie); }

  // A time code description as a new track's: 29.97 drop-frame.
  TimeCodeDescriptionHandle NewDescription() {
    auto desc = reinterpret_cast<TimeCodeDescriptionHandle>(NewHandleClear(38));
    (**desc).descSize = 38;
    (**desc).dataFormat = TimeCodeMediaType;
    (**desc).timeCodeDef = {tcDropFrame, 2997, 100, 30, 0};
    return desc;
  }

  std::string Text(const TimeCodeDef& def, TimeCodeRecord record) {
    Str255 text;
    EXPECT_EQ(TCTimeCodeToString(handler, const_cast<TimeCodeDef*>(&def), &record, text), noErr);
    return std::string(reinterpret_cast<char*>(text + 1), text[0]);
  }

  std::string FrameText(const TimeCodeDef& def, SInt32 frame) {
    TimeCodeRecord record{};
    EXPECT_EQ(TCFrameNumberToTimeCode(handler, frame, const_cast<TimeCodeDef*>(&def), &record),
              noErr);
    SInt32 back = -1;
    EXPECT_EQ(TCTimeCodeToFrameNumber(handler, const_cast<TimeCodeDef*>(&def), &record, &back),
              noErr);
    EXPECT_EQ(back, frame);
    return Text(def, record);
  }

  Movie movie = nullptr;
  Media media = nullptr;
  MediaHandler handler = nullptr;
};

TEST_F(TimeCode, FlagsAndDisplayOptionsBelongToTheMedia) {
  EXPECT_EQ(TCGetTimeCodeFlags(handler), 0);
  EXPECT_EQ(TCSetTimeCodeFlags(handler, tcdfShowTimeCode, tcdfShowTimeCode), noErr);
  EXPECT_EQ(TCGetTimeCodeFlags(handler), tcdfShowTimeCode);
  EXPECT_EQ(TCSetTimeCodeFlags(handler, 0, 0), noErr);  // an empty mask changes nothing
  EXPECT_EQ(TCGetTimeCodeFlags(handler), tcdfShowTimeCode);

  TCTextOptions options{};
  ASSERT_EQ(TCGetDisplayOptions(handler, &options), noErr);
  EXPECT_EQ(options.txSize, 12);
  EXPECT_EQ(options.backColor.red, 0xFFFF);
  options = {22, 1, 18, 0, {0xFFFF, 0, 0}, {0, 0, 0}};
  EXPECT_EQ(TCSetDisplayOptions(handler, &options), noErr);
  TCTextOptions read{};
  TCGetDisplayOptions(handler, &read);
  EXPECT_EQ(std::memcmp(&read, &options, sizeof read), 0);
  EXPECT_EQ(TCSetDisplayOptions(handler, nullptr), paramErr);
}

TEST_F(TimeCode, DisplaySettingsTravelWithTheMovie) {
  ASSERT_EQ(TCSetTimeCodeFlags(handler, tcdfShowTimeCode, tcdfShowTimeCode), noErr);
  TCTextOptions options = {4, 2, 9, 0, {0x1234, 0x5678, 0x9ABC}, {0xFFFF, 0x8000, 0}};
  ASSERT_EQ(TCSetDisplayOptions(handler, &options), noErr);
  Handle atom = NewHandle(0);
  ASSERT_EQ(PutMovieIntoHandle(movie, atom), noErr);
  Movie copy = nullptr;
  ASSERT_EQ(NewMovieFromHandle(&copy, atom, 0, nullptr), noErr);
  DisposeHandle(atom);
  MediaHandler read = GetMediaHandler(GetTrackMedia(GetMovieIndTrack(copy, 1)));
  EXPECT_EQ(TCGetTimeCodeFlags(read), tcdfShowTimeCode);
  TCTextOptions back{};
  ASSERT_EQ(TCGetDisplayOptions(read, &back), noErr);
  EXPECT_EQ(std::memcmp(&back, &options, sizeof back), 0);
  DisposeMovie(copy);
}

TEST_F(TimeCode, OtherHandlersAreRefused) {
  Track track = NewMovieTrack(movie, 0, 0, 0);
  Media video = NewTrackMedia(track, VideoMediaType, 600, nullptr, 0);
  MediaHandler videoHandler = GetMediaHandler(video);
  ASSERT_NE(videoHandler, nullptr);
  EXPECT_EQ(TCSetTimeCodeFlags(videoHandler, 1, 1), badComponentSelector);
  EXPECT_EQ(TCGetTimeCodeFlags(videoHandler), 0);
  EXPECT_EQ(TCSetTimeCodeFlags(nullptr, 1, 1), badComponentInstance);
}

TEST_F(TimeCode, FrameNumbersAsTimeCodes) {
  TimeCodeDef plain{0, 2500, 100, 25, 0};
  EXPECT_EQ(FrameText(plain, 0), "00:00:00:00");
  EXPECT_EQ(FrameText(plain, 25 * 3661 + 7), "01:01:01:07");

  // Drop frame: labels 00 and 01 are skipped at each minute but every
  // tenth.
  TimeCodeDef drop{tcDropFrame, 2997, 100, 30, 0};
  EXPECT_EQ(FrameText(drop, 1799), "00:00:59;29");
  EXPECT_EQ(FrameText(drop, 1800), "00:01:00;02");
  EXPECT_EQ(FrameText(drop, 17982), "00:10:00;00");
  EXPECT_EQ(FrameText(drop, 107892), "01:00:00;00");

  TimeCodeDef wraps{tc24HourMax, 2500, 100, 25, 0};
  TimeCodeRecord record{};
  TCFrameNumberToTimeCode(handler, 25 * 3600 * 25, &wraps, &record);
  EXPECT_EQ(record.t.hours, 1);

  TimeCodeDef negative{tcNegTimesOK, 2500, 100, 25, 0};
  EXPECT_EQ(FrameText(negative, -26), "-00:00:01:01");
  EXPECT_EQ(TCFrameNumberToTimeCode(handler, -1, &plain, &record), paramErr);

  TimeCodeDef counter{tcCounter, 2500, 100, 25, 0};
  record.c = 4;
  SInt32 frame = 0;
  EXPECT_EQ(TCTimeCodeToFrameNumber(handler, &counter, &record, &frame), noErr);
  EXPECT_EQ(frame, 100);
  EXPECT_EQ(Text(counter, record), "4");

  // The zero time code of a new track's first sample.
  record = TimeCodeRecord{};
  EXPECT_EQ(TCTimeCodeToFrameNumber(handler, &drop, &record, &frame), noErr);
  EXPECT_EQ(frame, 0);
  record.t.frames = 30;
  EXPECT_EQ(TCTimeCodeToFrameNumber(handler, &drop, &record, &frame), paramErr);
}

TEST_F(TimeCode, TheSourceTravelsWithTheDescription) {
  TimeCodeDescriptionHandle desc = NewDescription();
  UserData source = nullptr;
  ASSERT_EQ(NewUserData(&source), noErr);
  Handle name = NewHandle(0);
  PtrToXHand("Reel 7", name, 6);
  ASSERT_EQ(AddUserData(source, name, 'name'), noErr);

  ASSERT_EQ(TCSetSourceRef(handler, desc, source), noErr);
  EXPECT_GT(GetHandleSize(reinterpret_cast<Handle>(desc)), 38);
  EXPECT_EQ((**desc).descSize, GetHandleSize(reinterpret_cast<Handle>(desc)));
  EXPECT_EQ((**desc).timeCodeDef.fTimeScale, 2997);

  // A sample added with the description keeps it in the media.
  ASSERT_EQ(BeginMediaEdits(media), noErr);
  Handle sample = NewHandleClear(4);
  ASSERT_EQ(AddMediaSample(media, sample, 0, 4, 100,
                           reinterpret_cast<SampleDescriptionHandle>(desc), 1, 0, nullptr),
            noErr);
  EndMediaEdits(media);
  Handle stored = NewHandle(0);
  GetMediaSampleDescription(media, 1, reinterpret_cast<SampleDescriptionHandle>(stored));

  UserData read = nullptr;
  ASSERT_EQ(TCGetSourceRef(handler, reinterpret_cast<TimeCodeDescriptionHandle>(stored), &read),
            noErr);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(CountUserDataType(read, 'name'), 1);
  Handle item = NewHandle(0);
  ASSERT_EQ(GetUserData(read, item, 'name', 1), noErr);
  EXPECT_EQ(std::string(*item, GetHandleSize(item)), "Reel 7");

  // Clearing the source rewrites the media's matching description too.
  ASSERT_EQ(TCSetSourceRef(handler, desc, nullptr), noErr);
  EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(desc)), 38);
  GetMediaSampleDescription(media, 1, reinterpret_cast<SampleDescriptionHandle>(stored));
  EXPECT_EQ(GetHandleSize(stored), 38);
  UserData none = nullptr;
  ASSERT_EQ(TCGetSourceRef(handler, desc, &none), noErr);
  EXPECT_EQ(GetNextUserDataType(none, 0), 0);

  for (UserData ud : {source, read, none}) DisposeUserData(ud);
  for (Handle h : {name, sample, stored, item, reinterpret_cast<Handle>(desc)}) DisposeHandle(h);
}

TEST_F(TimeCode, SamplesAreBigEndianFrameNumbersOfATimeCodeFormat) {
  // A description left without a format, as a new track's can be.
  auto desc = reinterpret_cast<SampleDescriptionHandle>(NewHandleClear(38));
  (**desc).descSize = 38;
  Handle sample = NewHandle(4);
  const char frame[4] = {0, 0, 0, 100};
  std::memcpy(*sample, frame, 4);
  ASSERT_EQ(BeginMediaEdits(media), noErr);
  ASSERT_EQ(AddMediaSample(media, sample, 0, 4, 30, desc, 1, 0, nullptr), noErr);
  ASSERT_EQ(EndMediaEdits(media), noErr);
  auto stored = reinterpret_cast<SampleDescriptionHandle>(NewHandle(0));
  GetMediaSampleDescription(media, 1, stored);
  EXPECT_EQ((**stored).dataFormat, static_cast<OSType>(TimeCodeMediaType));
  Handle read = NewHandle(0);
  long size = 0;
  ASSERT_EQ(GetMediaSample(media, read, 0, &size, 0, nullptr, nullptr, nullptr, nullptr, 1, nullptr,
                           nullptr),
            noErr);
  EXPECT_EQ(std::string(*read, 4), std::string(frame, 4));
  for (Handle h :
       {reinterpret_cast<Handle>(desc), sample, reinterpret_cast<Handle>(stored), read}) {
    DisposeHandle(h);
  }
}

}  // namespace
