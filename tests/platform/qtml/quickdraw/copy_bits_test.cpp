// CopyBits, CopyMask and CopyDeepMask between maps of every depth:
// colours that survive each depth, scaling, masks, clips, transfer modes
// with the port's colours, overlapping copies and dithering.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "QDOffscreen.h"
#include "QTMLTestControls.h"
#include "Quickdraw.h"
#include "offscreen_test.h"

namespace {

using Argb = uint32_t;
constexpr Argb kBlack = 0xFF000000, kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000;
const RGBColor kRedColor = {0xFFFF, 0, 0};
const RGBColor kBlackColor = {0, 0, 0};
const RGBColor kWhiteColor = {0xFFFF, 0xFFFF, 0xFFFF};

class CopyBitsTest : public OffscreenTest {
 protected:
  void SetUp() override {
    OffscreenTest::SetUp();
    probe_ = OffscreenTest::Make(32, Rect{0, 0, 1, 1});
    ASSERT_NE(probe_, nullptr);
  }
  // A kept world painted in `fill`, and current.
  GWorldPtr Make(short depth, const Rect& bounds, const RGBColor& fill = kWhiteColor) {
    GWorldPtr world = OffscreenTest::Make(depth, bounds);
    Paint(world, bounds, fill);
    return world;
  }
  static void Paint(GWorldPtr world, const Rect& r, const RGBColor& color) {
    SetGWorld(world, nullptr);
    RGBForeColor(&color);
    PaintRect(&r);
    RGBForeColor(&kBlackColor);
  }
  static const BitMap* Bits(GWorldPtr world) { return GetPortBitMapForCopyBits(world); }
  // The pixel as the world stores it, read back at 32 bits.
  Argb At(GWorldPtr world, short x, short y) {
    Rect from = {y, x, static_cast<short>(y + 1), static_cast<short>(x + 1)};
    Rect to = {0, 0, 1, 1};
    CopyBits(Bits(world), Bits(probe_), &from, &to, srcCopy, nullptr);
    const auto* p = reinterpret_cast<const uint8_t*>(GetPixBaseAddr(GetGWorldPixMap(probe_)));
    return Argb(p[0]) << 24 | Argb(p[1]) << 16 | Argb(p[2]) << 8 | p[3];
  }
  // Copies the whole of `src` onto `dst` (same bounds) in `mode`.
  static void CopyAll(GWorldPtr src, GWorldPtr dst, const Rect& r, short mode,
                      RgnHandle mask = nullptr) {
    CopyBits(Bits(src), Bits(dst), &r, &r, mode, mask);
  }

  GWorldPtr probe_ = nullptr;
};

TEST_F(CopyBitsTest, EveryDepthToEveryDepth) {
  const short depths[] = {1, 8, 16, 24, 32};
  Rect r = {0, 0, 4, 8};
  for (short from : depths) {
    GWorldPtr src = Make(from, r);
    Paint(src, Rect{0, 0, 4, 4}, kRedColor);
    Paint(src, Rect{0, 6, 4, 8}, kBlackColor);
    for (short to : depths) {
      GWorldPtr dst = Make(to, r);
      CopyAll(src, dst, r, srcCopy);
      ASSERT_EQ(QDError(), noErr);
      // Red is black wherever a map has only black and white.
      Argb red = from == 1 || to == 1 ? kBlack : kRed;
      EXPECT_EQ(At(dst, 1, 1), red) << from << " to " << to;
      EXPECT_EQ(At(dst, 5, 2), kWhite) << from << " to " << to;
      EXPECT_EQ(At(dst, 7, 3), kBlack) << from << " to " << to;
    }
  }
}

TEST_F(CopyBitsTest, ScalesByNearestPixel) {
  GWorldPtr src = Make(32, Rect{0, 0, 2, 2});
  Paint(src, Rect{0, 0, 1, 1}, kRedColor);
  Paint(src, Rect{1, 1, 2, 2}, kBlackColor);
  GWorldPtr big = Make(32, Rect{0, 0, 8, 8});
  Rect from = {0, 0, 2, 2}, to = {2, 2, 6, 6};
  CopyBits(Bits(src), Bits(big), &from, &to, srcCopy, nullptr);
  for (short y = 0; y < 8; ++y) {
    for (short x = 0; x < 8; ++x) {
      Argb expected = kWhite;
      if (x >= 2 && x < 4 && y >= 2 && y < 4) expected = kRed;
      if (x >= 4 && x < 6 && y >= 4 && y < 6) expected = kBlack;
      EXPECT_EQ(At(big, x, y), expected) << x << ", " << y;
    }
  }
  // Shrinking takes the pixel under each destination pixel's centre.
  GWorldPtr small = Make(32, Rect{0, 0, 2, 2});
  Rect all = {0, 0, 8, 8}, two = {0, 0, 2, 2};
  CopyBits(Bits(big), Bits(small), &all, &two, srcCopy, nullptr);
  EXPECT_EQ(At(small, 0, 0), kRed);    // from (2, 2)
  EXPECT_EQ(At(small, 1, 1), kWhite);  // from (6, 6)
  Rect middle = {2, 2, 6, 6};
  CopyBits(Bits(big), Bits(small), &middle, &two, srcCopy, nullptr);
  EXPECT_EQ(At(small, 0, 0), kRed);
  EXPECT_EQ(At(small, 1, 1), kBlack);
}

TEST_F(CopyBitsTest, MaskRegionAndDestinationClipLimitTheCopy) {
  Rect r = {0, 0, 12, 12};
  GWorldPtr src = Make(32, r, kRedColor);
  GWorldPtr dst = Make(32, r);
  RgnHandle oval = New();
  Rect o = {0, 0, 12, 12};
  SetGWorld(dst, nullptr);
  OpenRgn();
  FrameOval(&o);
  CloseRgn(oval);
  Rect left = {0, 0, 12, 6};
  ClipRect(&left);
  SetGWorld(probe_, nullptr);  // the destination's own clip counts, not the current port's
  CopyAll(src, dst, r, srcCopy, oval);
  for (short y = 0; y < 12; ++y) {
    for (short x = 0; x < 12; ++x) {
      bool drawn = x < 6 && PtInRgn(Point{y, x}, oval);
      EXPECT_EQ(At(dst, x, y), drawn ? kRed : kWhite) << x << ", " << y;
    }
  }
}

TEST_F(CopyBitsTest, ModesUseTheCurrentPortsColours) {
  Rect r = {0, 0, 2, 2};
  GWorldPtr src = Make(32, r, kRedColor);
  Paint(src, Rect{0, 1, 2, 2}, kWhiteColor);  // right column white
  GWorldPtr dst = Make(32, r, RGBColor{0, 0, 0xFFFF});

  // Transparent: the background colour (white) does not draw.
  SetGWorld(dst, nullptr);
  CopyAll(src, dst, r, transparent);
  EXPECT_EQ(At(dst, 0, 0), kRed);
  EXPECT_EQ(At(dst, 1, 0), 0xFF0000FFu);

  // Blend by the op colour: half red over blue.
  Paint(dst, r, RGBColor{0, 0, 0xFFFF});
  SetGWorld(dst, nullptr);
  RGBColor half = {0x8000, 0x8000, 0x8000};
  OpColor(&half);
  CopyAll(src, dst, r, blend);
  EXPECT_EQ(At(dst, 0, 0), 0xFF80007Fu);

  // notSrcCopy inverts; srcCopy colours the source with fore and back.
  CopyAll(src, dst, r, notSrcCopy);
  EXPECT_EQ(At(dst, 0, 0), 0xFF00FFFFu);
  EXPECT_EQ(At(dst, 1, 0), kBlack);
  RGBColor green = {0, 0xFFFF, 0};
  RGBBackColor(&green);
  CopyAll(src, dst, r, srcCopy);
  EXPECT_EQ(At(dst, 1, 0), 0xFF00FF00u);  // white takes the background colour
  RGBBackColor(&kWhiteColor);

  // Onto 1 bit, addOver acts as srcXor: black source pixels invert.
  GWorldPtr mono = Make(1, r);
  GWorldPtr blackLeft = Make(32, r);
  Paint(blackLeft, Rect{0, 0, 2, 1}, kBlackColor);
  CopyAll(blackLeft, mono, r, addOver);
  EXPECT_EQ(At(mono, 0, 0), kBlack);
  EXPECT_EQ(At(mono, 1, 0), kWhite);
}

TEST_F(CopyBitsTest, OverlappingCopiesReadTheOldPixels) {
  Rect r = {0, 0, 1, 8};
  GWorldPtr world = Make(32, r);
  for (short x = 0; x < 8; ++x) {
    Paint(world, Rect{0, x, 1, static_cast<short>(x + 1)},
          RGBColor{static_cast<unsigned short>(x * 0x2000), 0, 0});
  }
  Rect from = {0, 0, 1, 6}, to = {0, 2, 1, 8};  // scroll right by two
  CopyBits(Bits(world), Bits(world), &from, &to, srcCopy, nullptr);
  for (short x = 2; x < 8; ++x) {
    EXPECT_EQ(At(world, x, 0), 0xFF000000u | Argb((x - 2) * 0x20) << 16) << x;
  }
}

TEST_F(CopyBitsTest, PlainBitMapsAndDithering) {
  // A 1-bit BitMap of the caller's own: 16 by 2, left byte black.
  uint8_t bytes[4] = {0xFF, 0x00, 0xFF, 0x00};
  BitMap plain = {reinterpret_cast<Ptr>(bytes), 2, Rect{0, 0, 2, 16}};
  Rect r = {0, 0, 2, 16};
  GWorldPtr dst = Make(32, r);
  CopyBits(&plain, Bits(dst), &r, &r, srcCopy, nullptr);
  EXPECT_EQ(At(dst, 7, 1), kBlack);
  EXPECT_EQ(At(dst, 8, 1), kWhite);
  Paint(dst, Rect{0, 0, 2, 16}, kRedColor);
  CopyBits(Bits(dst), &plain, &r, &r, srcCopy, nullptr);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFF);

  // Grey onto 1 bit: a copy rounds every pixel alike, dithering mixes.
  Rect square = {0, 0, 16, 16};
  GWorldPtr grey = Make(32, square, RGBColor{0x8080, 0x8080, 0x8080});
  GWorldPtr mono = Make(1, square);
  CopyAll(grey, mono, square, srcCopy);
  auto blacks = [&] {
    int n = 0;
    for (short y = 0; y < 16; ++y) {
      for (short x = 0; x < 16; ++x) n += At(mono, x, y) == kBlack ? 1 : 0;
    }
    return n;
  };
  EXPECT_TRUE(blacks() == 0 || blacks() == 256);
  CopyAll(grey, mono, square, ditherCopy);
  EXPECT_GT(blacks(), 256 * 4 / 10);
  EXPECT_LT(blacks(), 256 * 6 / 10);
}

TEST_F(CopyBitsTest, MasksMixSourceAndDestination) {
  Rect r = {0, 0, 2, 4};
  GWorldPtr src = Make(32, r, kRedColor);
  GWorldPtr mask = Make(1, r);
  Paint(mask, Rect{0, 0, 2, 2}, kBlackColor);  // left half black: copy there
  GWorldPtr dst = Make(32, r);
  CopyMask(Bits(src), Bits(mask), Bits(dst), &r, &r, &r);
  EXPECT_EQ(QDError(), noErr);
  EXPECT_EQ(At(dst, 1, 1), kRed);
  EXPECT_EQ(At(dst, 2, 1), kWhite);

  // A grey mask mixes; CopyDeepMask applies its mode first.
  GWorldPtr greyMask = Make(32, r, RGBColor{0x8080, 0x8080, 0x8080});
  Paint(dst, r, kWhiteColor);
  CopyDeepMask(Bits(src), Bits(greyMask), Bits(dst), &r, &r, &r, srcCopy, nullptr);
  EXPECT_EQ(At(dst, 0, 0), 0xFFFF8080u);
  CopyDeepMask(Bits(src), Bits(mask), Bits(dst), &r, &r, &r, notSrcCopy, nullptr);
  EXPECT_EQ(At(dst, 0, 0), 0xFF00FFFFu);
}

TEST_F(CopyBitsTest, MisuseAndFaults) {
  Rect r = {0, 0, 2, 2};
  GWorldPtr world = Make(32, r);
  EXPECT_EQ(GetPortBitMapForCopyBits(world),
            reinterpret_cast<const BitMap*>(*GetGWorldPixMap(world)));
  CopyBits(nullptr, Bits(world), &r, &r, srcCopy, nullptr);
  EXPECT_EQ(QDError(), paramErr);
  CopyBits(Bits(world), Bits(world), &r, nullptr, srcCopy, nullptr);
  EXPECT_EQ(QDError(), paramErr);
  RgnHandle notRegion = reinterpret_cast<RgnHandle>(&r);
  CopyBits(Bits(world), Bits(world), &r, &r, srcCopy, notRegion);
  EXPECT_EQ(QDError(), paramErr);
  CopyMask(Bits(world), nullptr, Bits(world), &r, &r, &r);
  EXPECT_EQ(QDError(), paramErr);
  EXPECT_EQ(GetPortBitMapForCopyBits(nullptr), nullptr);
  // Copying onto the screen succeeds.
  CGrafPtr screen = nullptr;
  SetGWorld(savedPort_, savedDevice_);
  GetPort(&screen);
  CopyBits(Bits(world), GetPortBitMapForCopyBits(screen), &r, &r, srcCopy, nullptr);
  EXPECT_EQ(QDError(), noErr);
  QTMLTest_FailCall("CopyBits", 1, cDepthErr);
  CopyBits(Bits(world), Bits(world), &r, &r, srcCopy, nullptr);
  EXPECT_EQ(QDError(), cDepthErr);
}

}  // namespace
