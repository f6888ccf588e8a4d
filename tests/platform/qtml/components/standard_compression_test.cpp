// The standard compression components: settings kept, checked and carried
// in atom containers and text, the scripted dialogs, and images and
// sequences compressed with the settings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "ImageCompression.h"
#include "MacMemory.h"
#include "Movies.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "QuickTimeComponents.h"
#include "Script.h"
#include "Sound.h"
#include "leak_check.h"
#include "on_terminal.h"
#include "pixel_worlds.h"
#include "scratch_dir_test.h"

namespace {

uint32_t BE32(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
}

bool HasCompressor(CodecType type) {
  CompressorComponent compressor = nullptr;
  return FindCodec(type, anyCodec, &compressor, nullptr) == noErr && compressor != nullptr;
}

class StandardCompressionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ASSERT_EQ(EnterMovies(), noErr);
    QTMLTest_ClearDialogAnswers();
    leaks_.Start();
    ASSERT_EQ(OpenADefaultComponent(StandardCompressionType, StandardCompressionSubType, &image_),
              noErr);
    ASSERT_EQ(
        OpenADefaultComponent(StandardCompressionType, StandardCompressionSubTypeSound, &sound_),
        noErr);
  }
  void TearDown() override {
    CloseComponent(image_);
    CloseComponent(sound_);
    worlds_.Clear();
    QTMLTest_ClearDialogAnswers();
    leaks_.Verify();
  }

  SCSpatialSettings Spatial() {
    SCSpatialSettings s{};
    EXPECT_EQ(SCGetInfo(image_, scSpatialSettingsType, &s), noErr);
    return s;
  }
  void SetSpatial(CodecType type, short depth, CodecQ quality) {
    SCSpatialSettings s{type, anyCodec, depth, quality};
    ASSERT_EQ(SCSetInfo(image_, scSpatialSettingsType, &s), noErr);
  }
  SCTemporalSettings Temporal() {
    SCTemporalSettings t{};
    EXPECT_EQ(SCGetInfo(image_, scTemporalSettingsType, &t), noErr);
    return t;
  }
  void SetPreferences(long flags) {
    ASSERT_EQ(SCSetInfo(image_, scPreferenceFlagsType, &flags), noErr);
  }
  static std::string Text(ComponentInstance ci) {
    Handle h = nullptr;
    EXPECT_EQ(SCGetSettingsAsText(ci, &h), noErr);
    if (h == nullptr) return "";
    std::string text(*h, static_cast<size_t>(GetHandleSize(h)));
    DisposeHandle(h);
    return text;
  }
  // The data of a child of `parent`, or empty when there is none.
  static std::vector<uint8_t> Leaf(QTAtomContainer c, QTAtom parent, QTAtomType type) {
    QTAtom atom = QTFindChildByIndex(c, parent, type, 1, nullptr);
    if (atom == 0) return {};
    long size = 0;
    Ptr data = nullptr;
    EXPECT_EQ(QTGetAtomDataPtr(c, atom, &size, &data), noErr);
    return std::vector<uint8_t>(data, data + size);
  }

  ComponentInstance image_ = nullptr;
  ComponentInstance sound_ = nullptr;
  LeakCheck leaks_;
  TestWorlds worlds_;
};

TEST_F(StandardCompressionTest, EachSubtypeAnswersItsOwnCalls) {
  EXPECT_EQ(CallComponentCanDo(image_, kSCCompressSequenceBeginSelect), 1);
  EXPECT_EQ(CallComponentCanDo(sound_, kSCCompressSequenceBeginSelect), 0);
  EXPECT_EQ(CallComponentCanDo(sound_, kSCRequestImageSettingsSelect), 1);
  ImageDescriptionHandle desc = nullptr;
  Handle data = nullptr;
  GWorldPtr world = worlds_.Make(8, 8, 0xFF102030u);
  EXPECT_EQ(SCCompressImage(sound_, GetGWorldPixMap(world), nullptr, &desc, &data),
            badComponentSelector);
  ComponentInstance clock = OpenDefaultComponent('clok', 'micr');
  long flags = 0;
  EXPECT_EQ(SCGetInfo(clock, scPreferenceFlagsType, &flags), badComponentSelector);
  CloseComponent(clock);
  EXPECT_EQ(SCGetInfo(clock, scPreferenceFlagsType, &flags), badComponentInstance);
}

TEST_F(StandardCompressionTest, InformationIsCheckedAsTheDialogWould) {
  SetSpatial(kPNGCodecType, 32, codecHighQuality);
  SCSpatialSettings s = Spatial();
  EXPECT_EQ(s.codecType, static_cast<CodecType>(kPNGCodecType));
  EXPECT_EQ(s.depth, 32);
  EXPECT_EQ(s.spatialQuality, static_cast<CodecQ>(codecHighQuality));

  SCSpatialSettings bad{'zzzz', anyCodec, 24, codecNormalQuality};
  EXPECT_EQ(SCSetInfo(image_, scSpatialSettingsType, &bad), noCodecErr);
  bad = SCSpatialSettings{kPNGCodecType, anyCodec, 23, codecNormalQuality};
  EXPECT_EQ(SCSetInfo(image_, scSpatialSettingsType, &bad), paramErr);
  bad = SCSpatialSettings{kPNGCodecType, anyCodec, 24, codecLosslessQuality + 1};
  EXPECT_EQ(SCSetInfo(image_, scSpatialSettingsType, &bad), paramErr);
  EXPECT_EQ(Spatial().depth, 32) << "a refused value changes nothing";

  // A compressor component must be one of the type; the dialog's choice of
  // another type lets it go.
  CompressorComponent png = nullptr;
  ASSERT_EQ(FindCodec(kPNGCodecType, anyCodec, &png, nullptr), noErr);
  bad = SCSpatialSettings{kJPEGCodecType, png, 24, codecNormalQuality};
  EXPECT_EQ(SCSetInfo(image_, scSpatialSettingsType, &bad), paramErr);
  SCSpatialSettings pinned{kPNGCodecType, png, 24, codecNormalQuality};
  ASSERT_EQ(SCSetInfo(image_, scSpatialSettingsType, &pinned), noErr);
  EXPECT_EQ(Spatial().codec, png);
  QTMLTest_QueueDialogAnswer("codec=jpeg");
  ASSERT_EQ(SCRequestImageSettings(image_), noErr);
  EXPECT_EQ(Spatial().codec, anyCodec);

  SCTemporalSettings t{codecNormalQuality, 25 << 16, 10};
  ASSERT_EQ(SCSetInfo(image_, scTemporalSettingsType, &t), noErr);
  EXPECT_EQ(Temporal().frameRate, 25 << 16);
  SCDataRateSettings d{20000, 40, codecLowQuality, codecLowQuality};
  ASSERT_EQ(SCSetInfo(image_, scDataRateSettingsType, &d), noErr);
  SCDataRateSettings back{};
  ASSERT_EQ(SCGetInfo(image_, scDataRateSettingsType, &back), noErr);
  EXPECT_EQ(back.dataRate, 20000);
  EXPECT_EQ(back.frameDuration, 40);

  long flags = scUseMovableModal | scShowBestDepth;
  ASSERT_EQ(SCSetInfo(image_, scPreferenceFlagsType, &flags), noErr);
  flags = 0;
  ASSERT_EQ(SCGetInfo(image_, scPreferenceFlagsType, &flags), noErr);
  EXPECT_EQ(flags, scUseMovableModal | scShowBestDepth);

  OSType format = 0;
  EXPECT_EQ(SCGetInfo(image_, scSoundCompressionType, &format), scTypeNotFoundErr);
  EXPECT_EQ(SCGetInfo(sound_, scSpatialSettingsType, &s), scTypeNotFoundErr);
  EXPECT_EQ(SCGetInfo(image_, 'what', &flags), scTypeNotFoundErr);
  EXPECT_EQ(SCGetInfo(image_, scSpatialSettingsType, nullptr), paramErr);
  ImageSequence seq = 5;
  EXPECT_EQ(SCGetInfo(image_, scSequenceIDType, &seq), noErr);
  EXPECT_EQ(seq, 0) << "no sequence yet";
}

TEST_F(StandardCompressionTest, ImageSettingsTravelAsBigEndianAtoms) {
  SetSpatial(kPNGCodecType, 24, codecHighQuality);
  SCTemporalSettings t{codecNormalQuality, 15 << 16, 30};
  ASSERT_EQ(SCSetInfo(image_, scTemporalSettingsType, &t), noErr);
  QTAtomContainer settings = nullptr;
  ASSERT_EQ(SCGetSettingsAsAtomContainer(image_, &settings), noErr);
  std::vector<uint8_t> sptl = Leaf(settings, kParentAtomIsContainer, scSpatialSettingsType);
  ASSERT_EQ(sptl.size(), 14u);
  EXPECT_EQ(BE32(&sptl[0]), static_cast<uint32_t>(kPNGCodecType));
  EXPECT_EQ(sptl[8] << 8 | sptl[9], 24);
  EXPECT_EQ(BE32(&sptl[10]), static_cast<uint32_t>(codecHighQuality));
  std::vector<uint8_t> tprl = Leaf(settings, kParentAtomIsContainer, scTemporalSettingsType);
  ASSERT_EQ(tprl.size(), 12u);
  EXPECT_EQ(BE32(&tprl[4]), 15u << 16);
  EXPECT_EQ(BE32(&tprl[8]), 30u);
  EXPECT_EQ(Leaf(settings, kParentAtomIsContainer, scDataRateSettingsType).size(), 16u);
  EXPECT_EQ(QTFindChildByIndex(settings, kParentAtomIsContainer, kQTSettingsVideoSize, 1, nullptr),
            0)
      << "no size until one is given";

  // Another instance takes them, and a size given in the container too.
  QTAtom size = 0;
  ASSERT_EQ(QTInsertChild(settings, kParentAtomIsContainer, kQTSettingsVideoSize, 1, 0, 0, nullptr,
                          &size),
            noErr);
  uint32_t width = __builtin_bswap32(320u << 16), height = __builtin_bswap32(240u << 16);
  ASSERT_EQ(QTInsertChild(settings, size, kQTSettingsImageWidth, 1, 0, 4, &width, nullptr), noErr);
  size = QTFindChildByIndex(settings, kParentAtomIsContainer, kQTSettingsVideoSize, 1, nullptr);
  ASSERT_EQ(QTInsertChild(settings, size, kQTSettingsImageHeight, 1, 0, 4, &height, nullptr),
            noErr);
  ComponentInstance other =
      OpenDefaultComponent(StandardCompressionType, StandardCompressionSubType);
  ASSERT_EQ(SCSetSettingsFromAtomContainer(other, settings), noErr);
  SCSpatialSettings s{};
  ASSERT_EQ(SCGetInfo(other, scSpatialSettingsType, &s), noErr);
  EXPECT_EQ(s.codecType, static_cast<CodecType>(kPNGCodecType));
  EXPECT_EQ(s.depth, 24);
  SCTemporalSettings t2{};
  ASSERT_EQ(SCGetInfo(other, scTemporalSettingsType, &t2), noErr);
  EXPECT_EQ(t2.keyFrameRate, 30);
  EXPECT_NE(Text(other).find("Size: 320 x 240"), std::string::npos);
  QTAtomContainer again = nullptr;
  ASSERT_EQ(SCGetSettingsAsAtomContainer(other, &again), noErr);
  QTAtom kept = QTFindChildByIndex(again, kParentAtomIsContainer, kQTSettingsVideoSize, 1, nullptr);
  EXPECT_EQ(BE32(Leaf(again, kept, kQTSettingsImageHeight).data()), 240u << 16);
  QTDisposeAtomContainer(again);
  CloseComponent(other);
  QTDisposeAtomContainer(settings);
}

TEST_F(StandardCompressionTest, ABadContainerChangesNothing) {
  SetSpatial(kPNGCodecType, 24, codecHighQuality);
  QTAtomContainer c = nullptr;
  ASSERT_EQ(QTNewAtomContainer(&c), noErr);
  uint8_t shortSpatial[10] = {'j', 'p', 'e', 'g'};
  ASSERT_EQ(QTInsertChild(c, kParentAtomIsContainer, scSpatialSettingsType, 1, 0,
                          sizeof shortSpatial, shortSpatial, nullptr),
            noErr);
  EXPECT_EQ(SCSetSettingsFromAtomContainer(image_, c), paramErr);
  QTDisposeAtomContainer(c);

  uint8_t unknown[14] = {'z', 'z', 'z', 'z', 0, 0, 0, 0, 0, 24, 0, 0, 2, 0};
  ASSERT_EQ(QTNewAtomContainer(&c), noErr);
  ASSERT_EQ(QTInsertChild(c, kParentAtomIsContainer, scSpatialSettingsType, 1, 0, sizeof unknown,
                          unknown, nullptr),
            noErr);
  EXPECT_EQ(SCSetSettingsFromAtomContainer(image_, c), noCodecErr);
  EXPECT_EQ(Spatial().codecType, static_cast<CodecType>(kPNGCodecType));
  QTDisposeAtomContainer(c);

  // An empty container leaves every setting as it is.
  ASSERT_EQ(QTNewAtomContainer(&c), noErr);
  EXPECT_EQ(SCSetSettingsFromAtomContainer(image_, c), noErr);
  EXPECT_EQ(Spatial().spatialQuality, static_cast<CodecQ>(codecHighQuality));
  QTDisposeAtomContainer(c);
  EXPECT_EQ(SCSetSettingsFromAtomContainer(image_, nullptr), paramErr);
}

TEST_F(StandardCompressionTest, SoundSettingsLiveUnderASounAtom) {
  OSType format = kIMACompression;
  UnsignedFixed rate = 22050u << 16;
  short size = 16, channels = 1;
  ASSERT_EQ(SCSetInfo(sound_, scSoundCompressionType, &format), noErr);
  ASSERT_EQ(SCSetInfo(sound_, scSoundSampleRateType, &rate), noErr);
  ASSERT_EQ(SCSetInfo(sound_, scSoundSampleSizeType, &size), noErr);
  ASSERT_EQ(SCSetInfo(sound_, scSoundChannelCountType, &channels), noErr);
  QTAtomContainer settings = nullptr;
  ASSERT_EQ(SCGetSettingsAsAtomContainer(sound_, &settings), noErr);
  QTAtom soun = QTFindChildByIndex(settings, kParentAtomIsContainer, 'soun', 1, nullptr);
  ASSERT_NE(soun, 0);
  EXPECT_EQ(Leaf(settings, soun, scSoundCompressionType),
            (std::vector<uint8_t>{'i', 'm', 'a', '4'}));
  EXPECT_EQ(Leaf(settings, soun, scSoundSampleRateType),
            (std::vector<uint8_t>{0x56, 0x22, 0x00, 0x00}));
  EXPECT_EQ(Leaf(settings, soun, scSoundSampleSizeType), (std::vector<uint8_t>{0, 16}));
  EXPECT_EQ(Leaf(settings, soun, scSoundChannelCountType), (std::vector<uint8_t>{0, 1}));
  std::string text = Text(sound_);
  EXPECT_NE(text.find("IMA 4:1 ('ima4')"), std::string::npos) << text;
  EXPECT_NE(text.find("22.05 kHz"), std::string::npos) << text;
  EXPECT_NE(text.find("Mono"), std::string::npos) << text;

  ComponentInstance other =
      OpenDefaultComponent(StandardCompressionType, StandardCompressionSubTypeSound);
  ASSERT_EQ(SCSetSettingsFromAtomContainer(other, settings), noErr);
  channels = 0;
  ASSERT_EQ(SCGetInfo(other, scSoundChannelCountType, &channels), noErr);
  EXPECT_EQ(channels, 1);
  CloseComponent(other);
  QTDisposeAtomContainer(settings);

  format = 'zzzz';
  EXPECT_EQ(SCSetInfo(sound_, scSoundCompressionType, &format), noCodecErr);
  channels = 0;
  EXPECT_EQ(SCSetInfo(sound_, scSoundChannelCountType, &channels), paramErr);
  size = 12;
  EXPECT_EQ(SCSetInfo(sound_, scSoundSampleSizeType, &size), paramErr);
}

TEST_F(StandardCompressionTest, SettingsAsTextAreReadable) {
  SetSpatial(kJPEGCodecType, 24, codecHighQuality);
  SCTemporalSettings t{codecNormalQuality, 25 << 16, 0};
  ASSERT_EQ(SCSetInfo(image_, scTemporalSettingsType, &t), noErr);
  std::string text = Text(image_);
  EXPECT_NE(text.find("Compressor: Photo - JPEG ('jpeg')"), std::string::npos) << text;
  EXPECT_NE(text.find("Depth: Millions of Colors"), std::string::npos) << text;
  EXPECT_NE(text.find("Quality: High (768)"), std::string::npos) << text;
  EXPECT_NE(text.find("Frame rate: 25 frames per second"), std::string::npos) << text;
  EXPECT_NE(text.find("Data rate: Unlimited"), std::string::npos) << text;
  EXPECT_EQ(text.find('\0'), std::string::npos);
  EXPECT_EQ(SCGetSettingsAsText(image_, nullptr), paramErr);
}

TEST_F(StandardCompressionTest, TheDialogsTakeScriptedAnswers) {
  SetSpatial(kJPEGCodecType, 24, codecNormalQuality);
  // No answer and a nil one cancel; settings stay.
  EXPECT_EQ(SCRequestImageSettings(image_), scUserCancelled);
  QTMLTest_QueueDialogAnswer(nullptr);
  EXPECT_EQ(SCRequestSequenceSettings(image_), scUserCancelled);
  QTMLTest_QueueDialogAnswer("");
  EXPECT_EQ(SCRequestImageSettings(image_), noErr);
  EXPECT_EQ(Spatial().codecType, static_cast<CodecType>(kJPEGCodecType));

  QTMLTest_QueueDialogAnswer("codec=png depth=32 quality=1024");
  ASSERT_EQ(SCRequestImageSettings(image_), noErr);
  SCSpatialSettings s = Spatial();
  EXPECT_EQ(s.codecType, static_cast<CodecType>(kPNGCodecType));
  EXPECT_EQ(s.depth, 32);
  EXPECT_EQ(s.spatialQuality, static_cast<CodecQ>(codecLosslessQuality));

  // The image dialog has no frame rate; the sequence dialog does.
  QTMLTest_QueueDialogAnswer("fps=15");
  EXPECT_EQ(SCRequestImageSettings(image_), paramErr);
  QTMLTest_QueueDialogAnswer("fps=12.5 keyframes=10 temporal=256 datarate=30000");
  ASSERT_EQ(SCRequestSequenceSettings(image_), noErr);
  SCTemporalSettings t = Temporal();
  EXPECT_EQ(t.frameRate, 0x000C8000);
  EXPECT_EQ(t.keyFrameRate, 10);
  EXPECT_EQ(t.temporalQuality, static_cast<CodecQ>(codecLowQuality));

  QTMLTest_QueueDialogAnswer("codec=png quality=high");
  EXPECT_EQ(SCRequestImageSettings(image_), paramErr);
  QTMLTest_QueueDialogAnswer("codec=zzzz");
  EXPECT_EQ(SCRequestImageSettings(image_), noCodecErr);
  EXPECT_EQ(Spatial().spatialQuality, static_cast<CodecQ>(codecLosslessQuality));
  EXPECT_EQ(QTMLTest_PendingDialogAnswers(), 0);

  QTMLTest_QueueDialogAnswer("format=ulaw rate=8000 size=16 channels=1");
  ASSERT_EQ(SCRequestImageSettings(sound_), noErr);
  OSType format = 0;
  UnsignedFixed rate = 0;
  ASSERT_EQ(SCGetInfo(sound_, scSoundCompressionType, &format), noErr);
  ASSERT_EQ(SCGetInfo(sound_, scSoundSampleRateType, &rate), noErr);
  EXPECT_EQ(format, static_cast<OSType>(kULawCompression));
  EXPECT_EQ(rate, 8000u << 16);
  QTMLTest_QueueDialogAnswer("codec=jpeg");
  EXPECT_EQ(SCRequestImageSettings(sound_), paramErr) << "the sound dialog has no image codec";
}

TEST_F(StandardCompressionTest, PreferenceFlagsDecideWhatTheDialogOffers) {
  const char* zeroRate = "fps=0";
  QTMLTest_QueueDialogAnswer(zeroRate);
  EXPECT_EQ(SCRequestSequenceSettings(image_), paramErr);
  SetPreferences(scAllowZeroFrameRate);
  QTMLTest_QueueDialogAnswer(zeroRate);
  EXPECT_EQ(SCRequestSequenceSettings(image_), noErr);

  QTMLTest_QueueDialogAnswer("keyframes=0");
  EXPECT_EQ(SCRequestSequenceSettings(image_), paramErr);
  SetPreferences(scAllowZeroKeyFrameRate);
  QTMLTest_QueueDialogAnswer("keyframes=0");
  EXPECT_EQ(SCRequestSequenceSettings(image_), noErr);

  QTMLTest_QueueDialogAnswer("depth=0");
  EXPECT_EQ(SCRequestImageSettings(image_), paramErr);
  SetPreferences(scShowBestDepth);
  QTMLTest_QueueDialogAnswer("depth=0");
  EXPECT_EQ(SCRequestImageSettings(image_), noErr);

  SetPreferences(scDisableFrameRateItem | scAllowZeroFrameRate);
  QTMLTest_QueueDialogAnswer("fps=10");
  EXPECT_EQ(SCRequestSequenceSettings(image_), paramErr);
}

TEST_F(StandardCompressionTest, TheTestImageSetsTheDepthAndTriesTheChoice) {
  SetSpatial(kJPEGCodecType, 8, codecNormalQuality);
  GWorldPtr world = worlds_.Make(6, 6, 0xFF808080u);
  ASSERT_EQ(SCSetTestImagePixMap(image_, GetGWorldPixMap(world), nullptr, scPreferScaling), noErr);
  EXPECT_EQ(Spatial().depth, 24) << "32-bit pixels, and JPEG keeps no alpha";
  SetSpatial(kPNGCodecType, 8, codecNormalQuality);
  ASSERT_EQ(SCSetTestImagePixMap(image_, GetGWorldPixMap(world), nullptr,
                                 scDontDetermineSettingsFromTestImage),
            noErr);
  EXPECT_EQ(Spatial().depth, 8);
  worlds_.Clear();  // the component keeps a copy

  // Cinepak takes only sizes of multiples of 4: the 6 by 6 preview fails.
  if (HasCompressor(kCinepakCodecType)) {
    QTMLTest_QueueDialogAnswer("codec=cvid depth=24");
    EXPECT_NE(SCRequestImageSettings(image_), noErr);
    EXPECT_EQ(Spatial().codecType, static_cast<CodecType>(kPNGCodecType));
  }
  ASSERT_EQ(SCSetTestImagePixMap(image_, nullptr, nullptr, 0), noErr);
  if (HasCompressor(kCinepakCodecType)) {
    QTMLTest_QueueDialogAnswer("codec=cvid depth=24");
    EXPECT_EQ(SCRequestImageSettings(image_), noErr) << "no test image to try";
  }
}

TEST_F(StandardCompressionTest, TheDefaultProgressIsABarOnATerminal) {
  GWorldPtr world = worlds_.Make(16, 16, 0xFF3060C0u);
  SetSpatial(kRawCodecType, 32, codecNormalQuality);
  ICMProgressProcRecord progress{reinterpret_cast<ICMProgressUPP>(-1), 0};
  ASSERT_EQ(SCSetInfo(image_, scProgressProcType, &progress), noErr);
  std::string shown = OnTerminal([&] {
    ImageDescriptionHandle desc = nullptr;
    Handle data = nullptr;
    ASSERT_EQ(SCCompressImage(image_, GetGWorldPixMap(world), nullptr, &desc, &data), noErr);
    DisposeHandle(data);
    DisposeHandle(reinterpret_cast<Handle>(desc));
    ASSERT_EQ(SCCompressSequenceBegin(image_, GetGWorldPixMap(world), nullptr, nullptr), noErr);
    for (int i = 0; i < 3; ++i) {
      long size = 0;
      ASSERT_EQ(
          SCCompressSequenceFrame(image_, GetGWorldPixMap(world), nullptr, &data, &size, nullptr),
          noErr);
    }
    ASSERT_EQ(SCCompressSequenceEnd(image_), noErr);
  });
  if (shown.empty()) GTEST_SKIP() << "no pseudo-terminal";
  EXPECT_NE(shown.find("\rCompressing [" + std::string(30, '.') + "]   0%"), std::string::npos)
      << shown;
  EXPECT_NE(shown.find("\rCompressing [" + std::string(30, '#') + "] 100%"), std::string::npos);
  EXPECT_NE(shown.find("\rCompressing: 3 frames"), std::string::npos) << shown;
  EXPECT_EQ(shown.back(), '\n');
}

// Records the progress messages SCCompressImage sends.
struct ProgressLog {
  std::vector<std::pair<short, Fixed>> calls;
  OSErr answer = noErr;
};
OSErr LogProgress(short message, Fixed completeness, long refcon) {
  auto* log = reinterpret_cast<ProgressLog*>(refcon);
  log->calls.emplace_back(message, completeness);
  return log->answer;
}

TEST_F(StandardCompressionTest, AnImageCompressesWithTheSpatialSettings) {
  GWorldPtr world = worlds_.Make(16, 12, 0xFF3060C0u);
  SetSpatial(kRawCodecType, 16, codecNormalQuality);
  ProgressLog log;
  ICMProgressProcRecord progress{LogProgress, reinterpret_cast<long>(&log)};
  ASSERT_EQ(SCSetInfo(image_, scProgressProcType, &progress), noErr);
  ImageDescriptionHandle desc = nullptr;
  Handle data = nullptr;
  Rect part{2, 4, 10, 14};
  ASSERT_EQ(SCCompressImage(image_, GetGWorldPixMap(world), &part, &desc, &data), noErr);
  EXPECT_EQ((**desc).cType, static_cast<CodecType>(kRawCodecType));
  EXPECT_EQ((**desc).width, 10);
  EXPECT_EQ((**desc).height, 8);
  EXPECT_EQ((**desc).depth, 16) << "the depth of the settings, not the source's";
  EXPECT_EQ((**desc).dataSize, GetHandleSize(data));
  EXPECT_EQ(GetHandleSize(data), 10 * 2 * 8);
  ASSERT_EQ(log.calls.size(), 4u);
  EXPECT_EQ(log.calls[0].first, codecProgressOpen);
  EXPECT_EQ(log.calls[1], (std::pair<short, Fixed>{codecProgressUpdatePercent, 0}));
  EXPECT_EQ(log.calls[2], (std::pair<short, Fixed>{codecProgressUpdatePercent, 0x10000}));
  EXPECT_EQ(log.calls[3].first, codecProgressClose);

  // The data draws back as the colour (at 5 bits a channel).
  GWorldPtr out = worlds_.Make(10, 8, 0);
  Rect whole{0, 0, 8, 10};
  ASSERT_EQ(DecompressImage(*data, desc, GetGWorldPixMap(out), nullptr, &whole, srcCopy, nullptr),
            noErr);
  uint32_t pixel = PixelAt(out, 5, 4);
  EXPECT_NEAR(static_cast<int>((pixel >> 16) & 0xFF), 0x30, 8);
  EXPECT_NEAR(static_cast<int>(pixel & 0xFF), 0xC0, 8);
  DisposeHandle(data);
  DisposeHandle(reinterpret_cast<Handle>(desc));

  // A procedure that answers an error stops the work; nothing is left.
  log = ProgressLog{};
  log.answer = codecAbortErr;
  EXPECT_EQ(SCCompressImage(image_, GetGWorldPixMap(world), nullptr, &desc, &data), codecAbortErr);
  EXPECT_EQ(desc, nullptr);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(log.calls.back().first, codecProgressClose);

  // The default display draws nothing off a terminal, and stops nothing.
  progress = ICMProgressProcRecord{reinterpret_cast<ICMProgressUPP>(-1), 0};
  ASSERT_EQ(SCSetInfo(image_, scProgressProcType, &progress), noErr);
  ASSERT_EQ(SCCompressImage(image_, GetGWorldPixMap(world), nullptr, &desc, &data), noErr);
  DisposeHandle(data);
  DisposeHandle(reinterpret_cast<Handle>(desc));
  ASSERT_EQ(SCSetInfo(image_, scProgressProcType, nullptr), noErr);
  ASSERT_EQ(SCGetInfo(image_, scProgressProcType, &progress), noErr);
  EXPECT_EQ(progress.progressProc, nullptr);

  EXPECT_EQ(SCCompressImage(image_, nullptr, nullptr, &desc, &data), paramErr);
  Rect outside{0, 0, 40, 40};
  EXPECT_EQ(SCCompressImage(image_, GetGWorldPixMap(world), &outside, &desc, &data), paramErr);
}

TEST_F(StandardCompressionTest, ASequenceMakesKeyFramesAtTheKeyFrameRate) {
  if (!HasCompressor(kAnimationCodecType)) GTEST_SKIP() << "no Animation compressor";
  GWorldPtr world = worlds_.Make(16, 16, 0xFF204060u);
  SetSpatial(kAnimationCodecType, 24, codecNormalQuality);
  SCTemporalSettings t{codecNormalQuality, 10 << 16, 3};
  ASSERT_EQ(SCSetInfo(image_, scTemporalSettingsType, &t), noErr);
  Handle data = nullptr;
  long size = 0;
  short notSync = 0;
  EXPECT_EQ(
      SCCompressSequenceFrame(image_, GetGWorldPixMap(world), nullptr, &data, &size, &notSync),
      paramErr)
      << "not begun";
  EXPECT_EQ(SCCompressSequenceEnd(image_), paramErr);

  ImageDescriptionHandle desc = nullptr;
  ASSERT_EQ(SCCompressSequenceBegin(image_, GetGWorldPixMap(world), nullptr, &desc), noErr);
  ASSERT_NE(desc, nullptr);
  EXPECT_EQ((**desc).cType, static_cast<CodecType>(kAnimationCodecType));
  EXPECT_EQ((**desc).width, 16);
  ImageSequence seq = 0;
  ASSERT_EQ(SCGetInfo(image_, scSequenceIDType, &seq), noErr);
  EXPECT_NE(seq, 0);
  std::vector<short> flags;
  for (int i = 0; i < 7; ++i) {
    ASSERT_EQ(
        SCCompressSequenceFrame(image_, GetGWorldPixMap(world), nullptr, &data, &size, &notSync),
        noErr);
    EXPECT_EQ(GetHandleSize(data), size);
    flags.push_back(notSync);
  }
  EXPECT_EQ(flags, (std::vector<short>{0, mediaSampleNotSync, mediaSampleNotSync, 0,
                                       mediaSampleNotSync, mediaSampleNotSync, 0}));
  EXPECT_EQ(SCCompressSequenceEnd(image_), noErr);
  EXPECT_EQ(SCCompressSequenceEnd(image_), paramErr);

  // A sequence left running goes with its component.
  ComponentInstance other =
      OpenDefaultComponent(StandardCompressionType, StandardCompressionSubType);
  ASSERT_EQ(SCCompressSequenceBegin(other, GetGWorldPixMap(world), nullptr, nullptr), noErr);
  ASSERT_EQ(SCCompressSequenceFrame(other, GetGWorldPixMap(world), nullptr, &data, &size, nullptr),
            noErr);
  CloseComponent(other);
}

// The sizes of the frames of a JPEG sequence of a noisy picture.
std::vector<long> JpegFrameSizes(ComponentInstance sc, GWorldPtr world, int frames) {
  std::vector<long> sizes;
  EXPECT_EQ(SCCompressSequenceBegin(sc, GetGWorldPixMap(world), nullptr, nullptr), noErr);
  for (int i = 0; i < frames; ++i) {
    Handle data = nullptr;
    long size = 0;
    EXPECT_EQ(SCCompressSequenceFrame(sc, GetGWorldPixMap(world), nullptr, &data, &size, nullptr),
              noErr);
    sizes.push_back(size);
  }
  EXPECT_EQ(SCCompressSequenceEnd(sc), noErr);
  return sizes;
}

TEST_F(StandardCompressionTest, ADataRateLowersTheQualityOfFramesThatExceedIt) {
  GWorldPtr world = worlds_.Make(64, 64, 0);
  PixMapHandle pm = GetGWorldPixMap(world);
  uint32_t seed = 12345;
  for (int y = 0; y < 64; ++y) {
    auto* row = reinterpret_cast<uint8_t*>(GetPixBaseAddr(pm)) + y * GetPixRowBytes(pm);
    for (int x = 0; x < 64 * 4; ++x) {
      seed = seed * 1103515245u + 12345u;
      row[x] = x % 4 == 0 ? 0xFF : static_cast<uint8_t>(seed >> 24);
    }
  }
  SetSpatial(kJPEGCodecType, 24, codecHighQuality);
  std::vector<long> free = JpegFrameSizes(image_, world, 6);
  EXPECT_EQ(free.front(), free.back()) << "no data rate: every frame alike";

  SCDataRateSettings rate{1000, 100, codecMinQuality, codecMinQuality};  // 100 bytes a frame
  ASSERT_EQ(SCSetInfo(image_, scDataRateSettingsType, &rate), noErr);
  std::vector<long> limited = JpegFrameSizes(image_, world, 6);
  EXPECT_EQ(limited.front(), free.front()) << "the first frame is at the settings' quality";
  for (size_t i = 1; i < limited.size(); ++i) EXPECT_LE(limited[i], limited[i - 1]) << i;
  EXPECT_LT(limited.back() * 2, limited.front());

  // Minimum qualities as high as the settings' leave the frames as they are.
  rate.minSpatialQuality = rate.minTemporalQuality = codecHighQuality;
  ASSERT_EQ(SCSetInfo(image_, scDataRateSettingsType, &rate), noErr);
  EXPECT_EQ(JpegFrameSizes(image_, world, 3).back(), free.front());
  EXPECT_EQ(SetCSequenceQuality(0, codecLowQuality, codecLowQuality), paramErr) << "no sequence";
}

TEST_F(StandardCompressionTest, AllocationFailuresLeaveNothingBehind) {
  GWorldPtr world = worlds_.Make(8, 8, 0xFF405060u);
  SetSpatial(kRawCodecType, 32, codecNormalQuality);
  for (long n = 0; n < 200; ++n) {
    QTMLTest_FailAllocations(n);
    QTAtomContainer settings = nullptr;
    OSErr a = static_cast<OSErr>(SCGetSettingsAsAtomContainer(image_, &settings));
    ImageDescriptionHandle desc = nullptr;
    Handle data = nullptr;
    OSErr b =
        static_cast<OSErr>(SCCompressImage(image_, GetGWorldPixMap(world), nullptr, &desc, &data));
    QTMLTest_FailAllocations(-1);
    if (a == noErr) QTDisposeAtomContainer(settings);
    if (b == noErr) {
      DisposeHandle(data);
      DisposeHandle(reinterpret_cast<Handle>(desc));
    }
    EXPECT_TRUE(a == noErr || a == memFullErr) << a;
    EXPECT_TRUE(b == noErr || b == memFullErr) << b;
    if (a == noErr && b == noErr) break;
  }
}

// A movie made of a sequence's frames, as a movie compression makes one:
// each frame added with the sequence's description and sync flags.
class StandardCompressionMovieTest : public ScratchDirTest {
 protected:
  StandardCompressionMovieTest() : ScratchDirTest("scdi_movie_") {}
};

TEST_F(StandardCompressionMovieTest, SequenceFramesMakeAMovieOthersRead) {
  ASSERT_EQ(InitializeQTML(0), noErr);
  ComponentInstance sc = OpenDefaultComponent(StandardCompressionType, StandardCompressionSubType);
  ASSERT_NE(sc, nullptr);
  SCSpatialSettings spatial{kJPEGCodecType, anyCodec, 24, codecHighQuality};
  ASSERT_EQ(SCSetInfo(sc, scSpatialSettingsType, &spatial), noErr);
  TestWorlds worlds;
  GWorldPtr world = worlds.Make(32, 24, 0xFF000000u);
  PixMapHandle pm = GetGWorldPixMap(world);

  std::string path = Path("compressed.mov");
  FSSpec spec{};
  std::string native = path;
  NativePathNameToFSSpec(native.data(), &spec, 0);
  short ref = 0;
  Movie movie = nullptr;
  ASSERT_EQ(CreateMovieFile(&spec, 'TVOD', smCurrentScript, long{createMovieFileDeleteCurFile},
                            &ref, &movie),
            noErr);
  Track track = NewMovieTrack(movie, 32L << 16, 24L << 16, kNoVolume);
  Media media = NewTrackMedia(track, VideoMediaType, 600, nullptr, 0);
  ASSERT_EQ(BeginMediaEdits(media), noErr);
  ImageDescriptionHandle desc = nullptr;
  ASSERT_EQ(SCCompressSequenceBegin(sc, pm, nullptr, &desc), noErr);
  for (int i = 0; i < 5; ++i) {
    Rect all{0, 0, 24, 32};
    uint32_t shade = 0xFF000000u | static_cast<uint32_t>(40 * i) << 16;
    worlds.Clear();
    world = worlds.Make(32, 24, shade);
    pm = GetGWorldPixMap(world);
    Handle data = nullptr;
    long size = 0;
    short notSync = 0;
    ASSERT_EQ(SCCompressSequenceFrame(sc, pm, &all, &data, &size, &notSync), noErr);
    ASSERT_EQ(AddMediaSample(media, data, 0, size, 120,
                             reinterpret_cast<SampleDescriptionHandle>(desc), 1, notSync, nullptr),
              noErr);
  }
  ASSERT_EQ(SCCompressSequenceEnd(sc), noErr);
  ASSERT_EQ(EndMediaEdits(media), noErr);
  ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1), noErr);
  ASSERT_EQ(AddMovieResource(movie, ref, nullptr, nullptr), noErr);
  EXPECT_EQ(GetMovieDuration(movie), 600);
  DisposeMovie(movie);
  CloseMovieFile(ref);
  CloseComponent(sc);
  worlds.Clear();

  if (std::system("command -v ffprobe >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffprobe";
  std::string out = Path("probe.txt");
  ASSERT_EQ(std::system(("ffprobe -v error -count_frames -show_entries "
                         "stream=codec_name,width,nb_read_frames -of default=nw=1 '" +
                         path + "' > '" + out + "'")
                            .c_str()),
            0);
  std::ifstream in(out);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("codec_name=mjpeg"), std::string::npos) << text;
  EXPECT_NE(text.find("width=32"), std::string::npos) << text;
  EXPECT_NE(text.find("nb_read_frames=5"), std::string::npos) << text;
}

}  // namespace
