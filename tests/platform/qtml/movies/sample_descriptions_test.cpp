// Sample description records: their byte layouts, and their conversion
// between a handle's byte order and a movie file's.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "Fonts.h"
#include "ImageCompression.h"
#include "MacMemory.h"
#include "Movies.h"
#include "QuickTimeComponents.h"
#include "Sound.h"
#include "movies/sample_descriptions.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A handle holding the record followed by `extra` bytes, descSize
// counting all of them.
template <typename Record>
Handle HandleOf(Record record, const Bytes& extra = {}) {
  auto size = static_cast<SInt32>(sizeof record + extra.size());
  Handle h = NewHandleClear(size);
  std::memcpy(*h, &record, sizeof record);
  std::memcpy(*h, &size, sizeof size);  // descSize
  if (!extra.empty()) std::memcpy(*h + sizeof record, extra.data(), extra.size());
  return h;
}

Bytes HandleBytes(Handle h) {
  return Bytes(*h, *h + GetHandleSize(h));
}

uint32_t BE32(const Bytes& bytes, size_t at) {
  return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 |
         bytes[at + 3];
}
uint16_t BE16(const Bytes& bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

// Converts to file bytes and back, checks that nothing changed, and
// answers the file bytes.
Bytes RoundTrip(OSType mediaType, Handle desc) {
  Bytes file = qtml::DescriptionToFileBytes(mediaType, desc);
  Handle back = qtml::DescriptionFromFileBytes(mediaType, file);
  EXPECT_NE(back, nullptr);
  if (back != nullptr) {
    EXPECT_EQ(HandleBytes(back), HandleBytes(desc));
    DisposeHandle(back);
  }
  return file;
}

TEST(SampleDescriptionLayout, RecordsHaveThePublishedSizesAndOffsets) {
  EXPECT_EQ(sizeof(SampleDescription), 16u);
  EXPECT_EQ(offsetof(SampleDescription, dataRefIndex), 14u);

  EXPECT_EQ(sizeof(ImageDescription), 86u);
  EXPECT_EQ(offsetof(ImageDescription, cType), 4u);
  EXPECT_EQ(offsetof(ImageDescription, version), 16u);
  EXPECT_EQ(offsetof(ImageDescription, vendor), 20u);
  EXPECT_EQ(offsetof(ImageDescription, temporalQuality), 24u);
  EXPECT_EQ(offsetof(ImageDescription, spatialQuality), 28u);
  EXPECT_EQ(offsetof(ImageDescription, width), 32u);
  EXPECT_EQ(offsetof(ImageDescription, height), 34u);
  EXPECT_EQ(offsetof(ImageDescription, hRes), 36u);
  EXPECT_EQ(offsetof(ImageDescription, vRes), 40u);
  EXPECT_EQ(offsetof(ImageDescription, dataSize), 44u);
  EXPECT_EQ(offsetof(ImageDescription, frameCount), 48u);
  EXPECT_EQ(offsetof(ImageDescription, name), 50u);
  EXPECT_EQ(offsetof(ImageDescription, depth), 82u);
  EXPECT_EQ(offsetof(ImageDescription, clutID), 84u);

  EXPECT_EQ(sizeof(SoundDescription), 36u);
  EXPECT_EQ(offsetof(SoundDescription, numChannels), 24u);
  EXPECT_EQ(offsetof(SoundDescription, sampleSize), 26u);
  EXPECT_EQ(offsetof(SoundDescription, compressionID), 28u);
  EXPECT_EQ(offsetof(SoundDescription, sampleRate), 32u);
  EXPECT_EQ(sizeof(SoundDescriptionV1), 52u);
  EXPECT_EQ(offsetof(SoundDescriptionV1, samplesPerPacket), 36u);
  EXPECT_EQ(offsetof(SoundDescriptionV1, bytesPerSample), 48u);

  EXPECT_EQ(sizeof(TextDescription), 60u);
  EXPECT_EQ(offsetof(TextDescription, displayFlags), 16u);
  EXPECT_EQ(offsetof(TextDescription, textJustification), 20u);
  EXPECT_EQ(offsetof(TextDescription, bgColor), 24u);
  EXPECT_EQ(offsetof(TextDescription, defaultTextBox), 30u);
  EXPECT_EQ(offsetof(TextDescription, defaultStyle), 38u);
  EXPECT_EQ(offsetof(TextDescription, defaultStyle.scrpFont), 46u);
  EXPECT_EQ(offsetof(TextDescription, defaultStyle.scrpFace), 48u);
  EXPECT_EQ(offsetof(TextDescription, defaultStyle.scrpSize), 50u);
  EXPECT_EQ(offsetof(TextDescription, defaultStyle.scrpColor), 52u);
  EXPECT_EQ(offsetof(TextDescription, defaultFontName), 58u);

  EXPECT_EQ(sizeof(TimeCodeDescription), 38u);
  EXPECT_EQ(offsetof(TimeCodeDescription, timeCodeDef), 20u);
  EXPECT_EQ(offsetof(TimeCodeDescription, timeCodeDef.fTimeScale), 24u);
  EXPECT_EQ(offsetof(TimeCodeDescription, timeCodeDef.numFrames), 32u);
  EXPECT_EQ(offsetof(TimeCodeDescription, srcRef), 34u);
  EXPECT_EQ(sizeof(TimeCodeDef), 14u);
  EXPECT_EQ(sizeof(TCTextOptions), 20u);
  EXPECT_EQ(offsetof(TCTextOptions, foreColor), 8u);
  EXPECT_EQ(sizeof(TimeCodeRecord), 4u);
}

TEST(SampleDescriptionBytes, ImageFieldsAreBigEndianAndExtensionsKept) {
  ImageDescription id{};
  id.cType = 'avc1';
  id.dataRefIndex = 1;
  id.vendor = 'appl';
  id.spatialQuality = codecNormalQuality;
  id.width = 320;
  id.height = 240;
  id.hRes = id.vRes = 72 << 16;
  id.frameCount = 1;
  std::memcpy(id.name, "\x04H264", 5);
  id.depth = 24;
  id.clutID = -1;
  const Bytes avcC = {0, 0, 0, 12, 'a', 'v', 'c', 'C', 1, 0x42, 0xC0, 0x1E};
  Handle desc = HandleOf(id, avcC);

  Bytes file = RoundTrip('vide', desc);
  ASSERT_EQ(file.size(), 86u + avcC.size());
  EXPECT_EQ(BE32(file, 0), 98u);
  EXPECT_EQ(Bytes(file.begin() + 4, file.begin() + 8), (Bytes{'a', 'v', 'c', '1'}));
  EXPECT_EQ(BE16(file, 14), 1);
  EXPECT_EQ(BE32(file, 20), uint32_t('appl'));
  EXPECT_EQ(BE32(file, 28), 0x200u);
  EXPECT_EQ(BE16(file, 32), 320);
  EXPECT_EQ(BE16(file, 34), 240);
  EXPECT_EQ(BE32(file, 36), 0x00480000u);
  EXPECT_EQ(BE16(file, 48), 1);
  EXPECT_EQ(Bytes(file.begin() + 50, file.begin() + 55), (Bytes{4, 'H', '2', '6', '4'}));
  EXPECT_EQ(BE16(file, 82), 24);
  EXPECT_EQ(BE16(file, 84), 0xFFFF);
  EXPECT_EQ(Bytes(file.begin() + 86, file.end()), avcC);
  DisposeHandle(desc);
}

TEST(SampleDescriptionBytes, SoundVersionsConvertTheirOwnFields) {
  SoundDescriptionV1 sd{};
  sd.desc.dataFormat = 'twos';
  sd.desc.dataRefIndex = 1;
  sd.desc.numChannels = 2;
  sd.desc.sampleSize = 16;
  sd.desc.sampleRate = 0xAC440000;  // 44100 Hz
  Handle v0 = NewHandleClear(36);
  sd.desc.descSize = 36;
  std::memcpy(*v0, &sd.desc, 36);
  Bytes file = RoundTrip('soun', v0);
  ASSERT_EQ(file.size(), 36u);
  EXPECT_EQ(BE16(file, 24), 2);
  EXPECT_EQ(BE16(file, 26), 16);
  EXPECT_EQ(BE32(file, 32), 0xAC440000u);
  DisposeHandle(v0);

  sd.desc.version = 1;
  sd.desc.dataFormat = 'ima4';
  sd.samplesPerPacket = 64;
  sd.bytesPerPacket = 34;
  sd.bytesPerFrame = 68;
  sd.bytesPerSample = 2;
  Handle v1 = HandleOf(sd);
  file = RoundTrip('soun', v1);
  ASSERT_EQ(file.size(), 52u);
  EXPECT_EQ(BE16(file, 16), 1);
  EXPECT_EQ(BE32(file, 36), 64u);
  EXPECT_EQ(BE32(file, 40), 34u);
  EXPECT_EQ(BE32(file, 48), 2u);
  DisposeHandle(v1);
}

TEST(SampleDescriptionBytes, TextStyleConvertsAndTheFontNameIsKept) {
  TextDescription td{};
  td.dataFormat = 'text';
  td.displayFlags = dfClipToTextBox | dfAntiAlias;
  td.textJustification = teFlushRight;
  td.bgColor = {0xFFFF, 0x8000, 0x0001};
  td.defaultTextBox = {0, 0, 240, 320};
  td.defaultStyle.scrpFont = kFontIDHelvetica;
  td.defaultStyle.scrpFace = bold | italic;
  td.defaultStyle.scrpSize = 12;
  td.defaultStyle.scrpColor = {0x1234, 0, 0};
  // The record's last byte is the name's length; the name follows it.
  Handle desc = HandleOf(td, {'H', 'e', 'l', 'v', 'e', 't', 'i', 'c', 'a'});
  (*desc)[58] = 9;

  Bytes file = RoundTrip('text', desc);
  EXPECT_EQ(BE32(file, 16), uint32_t(dfClipToTextBox | dfAntiAlias));
  EXPECT_EQ(BE32(file, 20), 0xFFFFFFFFu);
  EXPECT_EQ(BE16(file, 26), 0x8000);
  EXPECT_EQ(BE16(file, 34), 240);
  EXPECT_EQ(BE16(file, 46), kFontIDHelvetica);
  EXPECT_EQ(BE16(file, 48), bold | italic);
  EXPECT_EQ(BE16(file, 50), 12);
  EXPECT_EQ(BE16(file, 52), 0x1234);
  EXPECT_EQ(file[58], 9);
  EXPECT_EQ(file.back(), 'a');
  DisposeHandle(desc);
}

TEST(SampleDescriptionBytes, TimeCodeDefinitionConverts) {
  TimeCodeDescription tcd{};
  tcd.dataFormat = 'tmcd';
  tcd.timeCodeDef = {tcDropFrame | tc24HourMax, 2997, 100, 30, 0};
  Handle desc = HandleOf(tcd);
  Bytes file = RoundTrip('tmcd', desc);
  ASSERT_EQ(file.size(), 38u);
  EXPECT_EQ(BE32(file, 20), uint32_t(tcDropFrame | tc24HourMax));
  EXPECT_EQ(BE32(file, 24), 2997u);
  EXPECT_EQ(BE32(file, 28), 100u);
  EXPECT_EQ(file[32], 30);
  DisposeHandle(desc);
}

TEST(SampleDescriptionBytes, OtherTypesConvertTheCommonFieldsOnly) {
  SampleDescription sd{};
  sd.dataFormat = 'mp4s';
  sd.dataRefIndex = 2;
  Handle desc = HandleOf(sd, {1, 2, 3, 4});
  Bytes file = RoundTrip('sbtl', desc);
  EXPECT_EQ(BE16(file, 14), 2);
  EXPECT_EQ(Bytes(file.begin() + 16, file.end()), (Bytes{1, 2, 3, 4}));
  DisposeHandle(desc);
}

TEST(SampleDescriptionBytes, DescSizeBoundsTheBytesWritten) {
  SoundDescription sd{};
  sd.dataFormat = 'raw ';
  Handle desc = HandleOf(sd, {9, 9, 9, 9});

  // A descSize larger than the handle (a copy of a record's fixed part)
  // gives the handle's bytes; a smaller one leaves the rest out.
  (**reinterpret_cast<SoundDescriptionHandle>(desc)).descSize = 100;
  Bytes file = qtml::DescriptionToFileBytes('soun', desc);
  EXPECT_EQ(file.size(), 40u);
  EXPECT_EQ(BE32(file, 0), 40u);
  (**reinterpret_cast<SoundDescriptionHandle>(desc)).descSize = 36;
  EXPECT_EQ(qtml::DescriptionToFileBytes('soun', desc).size(), 36u);

  SetHandleSize(desc, 10);
  EXPECT_TRUE(qtml::DescriptionToFileBytes('soun', desc).empty());
  EXPECT_TRUE(qtml::DescriptionToFileBytes('soun', nullptr).empty());
  EXPECT_EQ(qtml::DescriptionFromFileBytes('soun', Bytes(15)), nullptr);
  DisposeHandle(desc);
}

TEST(Fonts, ClassicNumbersAndNames) {
  Str255 name;
  GetFontName(kFontIDTimes, name);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), "Times");
  GetFontName(systemFont, name);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), "System");
  GetFontName(999, name);
  EXPECT_EQ(name[0], 0);

  short number = -1;
  GetFNum(reinterpret_cast<ConstStr255Param>("\x06geneva"), &number);
  EXPECT_EQ(number, kFontIDGeneva);
  GetFNum(reinterpret_cast<ConstStr255Param>("\x07"
                                             "Courier"),
          &number);
  EXPECT_EQ(number, kFontIDCourier);
  GetFNum(reinterpret_cast<ConstStr255Param>("\x05Arial"), &number);
  EXPECT_EQ(number, 0);
}

}  // namespace
