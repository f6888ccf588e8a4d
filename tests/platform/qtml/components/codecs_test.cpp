// The engine's codec and format components, codec information and codec
// name lists, judged against what this machine's FFmpeg offers.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "ImageCompression.h"
#include "MacMemory.h"
#include "QTMLTestControls.h"
#include "leak_check.h"
#include "QuickTimeComponents.h"
#include "Sound.h"

namespace {

static_assert(sizeof(CodecInfo) == 72, "CodecInfo keeps QuickTime's layout");

std::string PString(const unsigned char* p) {
  return std::string(reinterpret_cast<const char*>(p) + 1, p[0]);
}

Component First(OSType type, OSType subType) {
  ComponentDescription cd{type, subType, 0, 0, 0};
  return FindNextComponent(nullptr, &cd);
}

std::string NameOf(Component c) {
  Handle name = NewHandle(0);
  GetComponentInfo(c, nullptr, name, nullptr, nullptr);
  std::string text(*name + 1, (*name)[0]);
  DisposeHandle(name);
  return text;
}

// The names in `ffmpeg -encoders` or `-decoders`; empty without ffmpeg.
std::set<std::string> FFmpegCoders(const char* which) {
  std::set<std::string> names;
  std::string command = std::string("ffmpeg -hide_banner -") + which + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return names;
  char line[512];
  bool listing = false;
  while (fgets(line, sizeof line, pipe) != nullptr) {
    std::string text(line);
    if (text.rfind(" ------", 0) == 0) {
      listing = true;
      continue;
    }
    char flags[16], name[128];
    if (listing && sscanf(line, " %15s %127s", flags, name) == 2) names.insert(name);
  }
  pclose(pipe);
  return names;
}

class CodecsTest : public ::testing::Test {
 protected:
  void SetUp() override { leaks_.Start(); }
  void TearDown() override { leaks_.Verify(); }
  LeakCheck leaks_;
};

TEST_F(CodecsTest, ACodecIsListedExactlyWhenFFmpegHasIt) {
  std::set<std::string> decoders = FFmpegCoders("decoders");
  std::set<std::string> encoders = FFmpegCoders("encoders");
  if (decoders.empty()) GTEST_SKIP() << "ffmpeg is not on the PATH";
  struct {
    OSType type;
    const char* ffmpegName;
  } const kCodecs[] = {{'raw ', "rawvideo"}, {'jpeg', "mjpeg"}, {'png ', "png"},  {'rle ', "qtrle"},
                       {'cvid', "cinepak"},  {'smc ', "smc"},   {'rpza', "rpza"}, {'SVQ1', "svq1"},
                       {'mp4v', "mpeg4"},    {'h263', "h263"}};
  for (const auto& codec : kCodecs) {
    SCOPED_TRACE(codec.ffmpegName);
    EXPECT_EQ(First('imdc', codec.type) != nullptr, decoders.count(codec.ffmpegName) == 1);
    EXPECT_EQ(First('imco', codec.type) != nullptr, encoders.count(codec.ffmpegName) == 1);
  }
  EXPECT_EQ(First('sdec', 'MAC3') != nullptr, decoders.count("mace3") == 1);
  EXPECT_EQ(First('scom', 'MAC3') != nullptr, encoders.count("mace3") == 1);
}

TEST_F(CodecsTest, ComponentsCarryQuickTimesNamesAndTheirCodecsFlags) {
  struct {
    OSType type;
    const char* name;
  } const kNames[] = {{'raw ', "None"},      {'jpeg', "Photo - JPEG"},   {'png ', "PNG"},
                      {'rle ', "Animation"}, {'cvid', "Cinepak"},        {'smc ', "Graphics"},
                      {'rpza', "Video"},     {'SVQ1', "Sorenson Video"}, {'mp4v', "MPEG-4 Video"},
                      {'h263', "H.263"},     {'avc1', "H.264"}};
  for (const auto& codec : kNames) {
    Component c = First('imdc', codec.type);
    if (c == nullptr) continue;
    ComponentDescription cd{};
    ASSERT_EQ(GetComponentInfo(c, &cd, nullptr, nullptr, nullptr), noErr);
    EXPECT_EQ(NameOf(c), codec.name);
    EXPECT_EQ(cd.componentManufacturer, static_cast<OSType>('appl'));
    CodecInfo info{};
    ASSERT_EQ(GetCodecInfo(&info, codec.type, c), noErr);
    EXPECT_EQ(PString(info.typeName), codec.name);
    EXPECT_EQ(cd.componentFlags, static_cast<UInt32>(info.decompressFlags));
  }
  // Formats, devices and sound codecs, by their QuickTime subtypes.
  for (OSType subType : {'PNGf', 'JPEG', 'PICT'}) {
    EXPECT_NE(First('grip', subType), nullptr);
    EXPECT_NE(First('grex', subType), nullptr);
  }
  EXPECT_EQ(NameOf(First('grip', 'JPEG')), "JPEG");
  for (OSType subType : {'MooV', 'AIFF', 'WAVE', 'PNGf'})
    EXPECT_NE(First('eat ', subType), nullptr);
  for (OSType subType : {'MooV', 'AIFF', 'WAVE', 'grex'})
    EXPECT_NE(First('spit', subType), nullptr);
  EXPECT_EQ(NameOf(First('spit', 'MooV')), "QuickTime Movie");
  for (OSType subType : {'twos', 'sowt', 'raw ', 'ulaw', 'alaw', 'ima4'}) {
    EXPECT_NE(First('sdec', subType), nullptr);
    EXPECT_NE(First('scom', subType), nullptr);
  }
  ComponentDescription digitizers{'vdig', 0, 0, 0, 0};
  ComponentDescription outputs{'vout', 0, 0, 0, 0};
  EXPECT_EQ(CountComponents(&digitizers), 1);
  EXPECT_EQ(CountComponents(&outputs), 1);
  // Every component is Apple's but the sound files' exporters, which are
  // the Sound Manager's as in QuickTime.
  ComponentDescription everything{0, 0, 0, 0, 0};
  ComponentDescription apple{0, 0, 'appl', 0, 0};
  ComponentDescription soundFiles{'spit', 0, 'soun', 0, 0};
  EXPECT_GT(CountComponents(&soundFiles), 0);
  EXPECT_EQ(CountComponents(&apple) + CountComponents(&soundFiles), CountComponents(&everything));
}

TEST_F(CodecsTest, TheBaseExporterIsLeftOutUnderTheFlagMask) {
  ComponentDescription all{'grex', 0, 0, 0, 0};
  ComponentDescription shown{'grex', 0, 0, 0, graphicsExporterIsBaseExporter};
  EXPECT_EQ(CountComponents(&shown), CountComponents(&all) - 1);
  for (Component c = FindNextComponent(nullptr, &shown); c != nullptr;
       c = FindNextComponent(c, &shown)) {
    ComponentDescription cd{};
    GetComponentInfo(c, &cd, nullptr, nullptr, nullptr);
    EXPECT_NE(cd.componentSubType, static_cast<OSType>('base'));
  }
}

TEST_F(CodecsTest, CodecInfoTellsWhatEachCodecDoes) {
  CodecInfo info{};
  ASSERT_EQ(GetCodecInfo(&info, 'jpeg', anyCodec), noErr);
  EXPECT_EQ(PString(info.typeName), "Photo - JPEG");
  EXPECT_EQ(info.vendor, static_cast<SInt32>('appl'));
  EXPECT_TRUE(info.decompressFlags & codecInfoDoes32);
  EXPECT_TRUE(info.decompressFlags & codecInfoDoesStretch);
  EXPECT_FALSE(info.compressFlags & codecInfoDoesTemporal);
  EXPECT_TRUE(info.formatFlags & codecInfoDepth24);
  EXPECT_FALSE(info.formatFlags & codecInfoDoesLossless);
  EXPECT_GT(info.decompressionAccuracy, 0);

  ASSERT_EQ(GetCodecInfo(&info, 'raw ', anyCodec), noErr);
  EXPECT_TRUE(info.formatFlags & codecInfoDoesLossless);
  EXPECT_EQ(info.minimumWidth, 1);
  ASSERT_EQ(GetCodecInfo(&info, 'rle ', anyCodec), noErr);
  EXPECT_TRUE(info.decompressFlags & codecInfoDoesTemporal);
  EXPECT_TRUE(info.formatFlags & codecInfoDoesLossless);
  if (First('imco', 'mp4v') != nullptr) {
    ASSERT_EQ(GetCodecInfo(&info, 'mp4v', anyCodec), noErr);
    EXPECT_TRUE(info.compressFlags & codecInfoDoesRateConstrain);
  }
  // A decoder without an encoder reads as one that cannot compress.
  for (OSType type : {'raw ', 'jpeg', 'png ', 'rle ', 'cvid', 'smc ', 'rpza', 'SVQ1'}) {
    if (GetCodecInfo(&info, type, anyCodec) != noErr) continue;
    EXPECT_EQ(info.compressFlags != 0, First('imco', type) != nullptr);
    EXPECT_EQ(info.decompressFlags != 0, First('imdc', type) != nullptr);
  }
}

TEST_F(CodecsTest, CodecInfoRefusesWhatIsNoCodec) {
  CodecInfo info{};
  EXPECT_EQ(GetCodecInfo(&info, 'zzzz', anyCodec), noCodecErr);
  EXPECT_EQ(GetCodecInfo(nullptr, 'jpeg', anyCodec), paramErr);
  Component png = First('imdc', 'png ');
  EXPECT_EQ(GetCodecInfo(&info, 'jpeg', png), paramErr);  // a codec of another type
  EXPECT_EQ(GetCodecInfo(&info, 'jpeg', First('clok', 0)), paramErr);
  ComponentInstance instance = OpenComponent(png);
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(GetCodecInfo(&info, 'png ', reinterpret_cast<Component>(instance)), noErr);
  CloseComponent(instance);
  QTMLTest_FailCall("GetCodecInfo", 1, codecErr);
  EXPECT_EQ(GetCodecInfo(&info, 'jpeg', anyCodec), codecErr);
}

TEST_F(CodecsTest, NameListsHoldEveryCompressorOrEveryType) {
  CodecNameSpecListPtr all = nullptr;
  ASSERT_EQ(GetCodecNameList(&all, 1), noErr);
  ComponentDescription compressors{'imco', 0, 0, 0, 0};
  ASSERT_EQ(all->count, CountComponents(&compressors));
  ASSERT_GT(all->count, 0);
  for (short i = 0; i < all->count; ++i) {
    const CodecNameSpec& entry = all->list[i];
    ComponentDescription cd{};
    ASSERT_EQ(GetComponentInfo(entry.codec, &cd, nullptr, nullptr, nullptr), noErr);
    EXPECT_EQ(cd.componentType, static_cast<OSType>('imco'));
    EXPECT_EQ(cd.componentSubType, entry.cType);
    CodecInfo info{};
    ASSERT_EQ(GetCodecInfo(&info, entry.cType, entry.codec), noErr);
    EXPECT_EQ(PString(entry.typeName), PString(info.typeName));
    EXPECT_EQ(PString(reinterpret_cast<unsigned char*>(*entry.name)), NameOf(entry.codec));
  }
  CodecNameSpecListPtr types = nullptr;
  ASSERT_EQ(GetCodecNameList(&types, 0), noErr);
  std::set<OSType> seen;
  for (short i = 0; i < types->count; ++i) {
    EXPECT_EQ(types->list[i].codec, nullptr);
    EXPECT_TRUE(seen.insert(types->list[i].cType).second);
  }
  EXPECT_EQ(DisposeCodecNameList(all), noErr);
  EXPECT_EQ(DisposeCodecNameList(types), noErr);
}

TEST_F(CodecsTest, NameListFailuresLeaveNothingBehind) {
  EXPECT_EQ(GetCodecNameList(nullptr, 1), paramErr);
  for (int allowed = 0; allowed < 4; ++allowed) {
    CodecNameSpecListPtr list = reinterpret_cast<CodecNameSpecListPtr>(1);
    QTMLTest_FailAllocations(allowed);
    EXPECT_EQ(GetCodecNameList(&list, 1), memFullErr);
    EXPECT_EQ(list, nullptr);
    QTMLTest_ClearFaults();
  }
}

TEST_F(CodecsTest, FindCodecGivesTheCompressorAndDecompressor) {
  CompressorComponent compressor = nullptr;
  DecompressorComponent decompressor = nullptr;
  ASSERT_EQ(FindCodec('png ', anyCodec, &compressor, &decompressor), noErr);
  EXPECT_EQ(compressor, First('imco', 'png '));
  EXPECT_EQ(decompressor, First('imdc', 'png '));
  EXPECT_EQ(FindCodec('jpeg', bestSpeedCodec, nullptr, &decompressor), noErr);
  EXPECT_EQ(decompressor, First('imdc', 'jpeg'));
  EXPECT_EQ(FindCodec('zzzz', anyCodec, &compressor, &decompressor), noCodecErr);
  EXPECT_EQ(compressor, nullptr);
  EXPECT_EQ(decompressor, nullptr);
}

}  // namespace
