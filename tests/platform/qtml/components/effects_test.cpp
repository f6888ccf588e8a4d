// The brightness and contrast effect: its component and parameter list,
// and an effect sequence drawing a source world through it, on real pixels.
#include <gtest/gtest.h>

#include <cstring>

#include "ImageCompression.h"
#include "MacMemory.h"
#include "Movies.h"
#include "QDOffscreen.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "leak_check.h"
#include "pixel_worlds.h"

namespace {

using Argb = uint32_t;

class EffectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ASSERT_EQ(EnterMovies(), noErr);
    leaks_.Start();
  }
  void TearDown() override {
    worlds_.Clear();
    leaks_.Verify();
  }
  GWorldPtr World(short w, short h, Argb fill) { return worlds_.Make(w, h, fill); }
  static Argb At(GWorldPtr world, int x, int y) { return PixelAt(world, x, y); }
  static void SetLong(QTAtomContainer c, QTAtomType type, SInt32 value) {
    SInt32 big = static_cast<SInt32>(__builtin_bswap32(static_cast<uint32_t>(value)));
    QTAtom atom = QTFindChildByIndex(c, kParentAtomIsContainer, type, 1, nullptr);
    ASSERT_NE(atom, 0);
    ASSERT_EQ(QTSetAtomData(c, atom, sizeof big, &big), noErr);
  }

  LeakCheck leaks_;
  TestWorlds worlds_;
};

TEST_F(EffectsTest, TheParameterListNamesOneSourceAndTwoParameters) {
  ComponentInstance effect = OpenDefaultComponent(decompressorComponentType, 'brco');
  ASSERT_NE(effect, nullptr);
  QTAtomContainer list = nullptr;
  ASSERT_EQ(ImageCodecGetParameterList(effect, &list), noErr);
  SInt32 sources = 0;
  QTAtom srcs = QTFindChildByIndex(list, kParentAtomIsContainer, 'srcs', 1, nullptr);
  ASSERT_EQ(QTCopyAtomDataToPtr(list, srcs, false, sizeof sources, &sources, nullptr), noErr);
  EXPECT_EQ(__builtin_bswap32(static_cast<uint32_t>(sources)), 1u);
  EXPECT_NE(QTFindChildByIndex(list, kParentAtomIsContainer, 'bryt', 1, nullptr), 0);
  EXPECT_NE(QTFindChildByIndex(list, kParentAtomIsContainer, 'cntr', 1, nullptr), 0);
  QTDisposeAtomContainer(list);
  EXPECT_EQ(ImageCodecGetParameterList(effect, nullptr), paramErr);
  CloseComponent(effect);

  // Another component does not take the call.
  ComponentInstance clock = OpenDefaultComponent('clok', 'micr');
  EXPECT_EQ(ImageCodecGetParameterList(clock, &list), badComponentSelector);
  CloseComponent(clock);
}

TEST_F(EffectsTest, AnEffectSequenceDrawsItsSourceThroughBrightnessAndContrast) {
  GWorldPtr source = World(8, 8, 0xFF404080u);
  GWorldPtr out = World(8, 8, 0);
  QTAtomContainer effect = nullptr;
  ComponentInstance codec = OpenDefaultComponent(decompressorComponentType, 'brco');
  ASSERT_EQ(ImageCodecGetParameterList(codec, &effect), noErr);
  CloseComponent(codec);
  SInt32 srcA = static_cast<SInt32>(__builtin_bswap32('srcA'));
  ASSERT_EQ(QTInsertChild(effect, kParentAtomIsContainer, 'src ', 1, 0, 4, &srcA, nullptr), noErr);

  auto desc = reinterpret_cast<ImageDescriptionHandle>(NewHandleClear(sizeof(ImageDescription)));
  (**desc).idSize = sizeof(ImageDescription);
  (**desc).cType = 'brco';
  (**desc).width = 8;
  (**desc).height = 8;
  ImageSequence seq = 0;
  ASSERT_EQ(DecompressSequenceBeginS(&seq, desc, nullptr, 0, out, nullptr, nullptr, nullptr,
                                     srcCopy, nullptr, 0, codecNormalQuality, anyCodec),
            noErr);
  TimeBase tb = NewTimeBase();
  ASSERT_NE(tb, nullptr);
  SetTimeBaseRate(tb, 0);
  EXPECT_EQ(CDSequenceSetTimeBase(seq, tb), noErr);
  ImageDescriptionHandle sourceDesc = nullptr;
  PixMapHandle pixels = GetGWorldPixMap(source);
  ASSERT_EQ(MakeImageDescriptionForPixMap(pixels, &sourceDesc), noErr);
  ImageSequenceDataSource input = 0;
  ASSERT_EQ(CDSequenceNewDataSource(seq, &input, 'srcA', 1, reinterpret_cast<Handle>(sourceDesc),
                                    nullptr, nullptr),
            noErr);
  ASSERT_EQ(CDSequenceSetSourceData(input, GetPixBaseAddr(pixels), (**sourceDesc).dataSize), noErr);

  // Unchanged at 0 and 0.
  ASSERT_EQ(DecompressSequenceFrameS(seq, *effect, GetHandleSize(effect), 0, nullptr, nullptr),
            noErr);
  EXPECT_EQ(At(out, 3, 3), 0xFF404080u);
  // Brightness 20: each channel gains 51.
  SetLong(effect, 'bryt', 20);
  ASSERT_EQ(DecompressSequenceFrameS(seq, *effect, GetHandleSize(effect), 0, nullptr, nullptr),
            noErr);
  EXPECT_EQ(At(out, 3, 3), 0xFF7373B3u);
  // Contrast 100 doubles the distance from the middle grey, within 0 to 255.
  SetLong(effect, 'bryt', 0);
  SetLong(effect, 'cntr', 100);
  ASSERT_EQ(DecompressSequenceFrameS(seq, *effect, GetHandleSize(effect), 0, nullptr, nullptr),
            noErr);
  EXPECT_EQ(At(out, 3, 3), 0xFF000080u);

  EXPECT_EQ(CDSequenceSetSourceData(input + 1, nullptr, 0), paramErr);
  EXPECT_EQ(CDSequenceEnd(seq), noErr);
  EXPECT_EQ(CDSequenceSetSourceData(input, nullptr, 0), paramErr) << "gone with its sequence";
  DisposeTimeBase(tb);
  EXPECT_EQ(GetMoviesError(), noErr);
  DisposeHandle(reinterpret_cast<Handle>(sourceDesc));
  DisposeHandle(reinterpret_cast<Handle>(desc));
  QTDisposeAtomContainer(effect);
}

TEST_F(EffectsTest, FreeTimeBasesRunOnTheirOwnAndMoviesKeepTheirs) {
  QTMLTest_SetClock(0);
  TimeBase tb = NewTimeBase();
  ASSERT_NE(tb, nullptr);
  SetTimeBaseRate(tb, 1 << 16);
  QTMLTest_AdvanceClock(1000);
  EXPECT_EQ(GetTimeBaseTime(tb, 600, nullptr), 600);
  DisposeTimeBase(tb);
  EXPECT_EQ(GetTimeBaseRate(tb), 0) << "a disposed time base is refused";
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  Movie movie = NewMovie(0);
  DisposeTimeBase(GetMovieTimeBase(movie));
  EXPECT_EQ(GetMoviesError(), paramErr);
  DisposeMovie(movie);
  QTMLTest_SetClock(-1);
}

}  // namespace
