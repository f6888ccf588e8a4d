// Drawing shapes in a port: frames with the pen, paint, erase, invert and
// patterns, all inside the port's clip region.
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

class DrawingTest : public OffscreenTest {
 protected:
  void SetUp() override {
    OffscreenTest::SetUp();
    Rect bounds = {0, 0, 20, 20};
    world_ = Make(32, bounds);
    ASSERT_NE(world_, nullptr);
    SetGWorld(world_, nullptr);
    EraseRect(&bounds);  // white, opaque
  }
  Argb At(int x, int y) const {
    PixMapHandle pm = GetGWorldPixMap(world_);
    auto* row = reinterpret_cast<const uint8_t*>(GetPixBaseAddr(pm)) + y * GetPixRowBytes(pm);
    const uint8_t* p = row + 4 * x;
    return Argb(p[0]) << 24 | Argb(p[1]) << 16 | Argb(p[2]) << 8 | p[3];
  }
  // Every pixel of the world equals `expected(x, y)`.
  template <typename F>
  void ExpectPixels(F expected) const {
    for (int y = 0; y < 20; ++y) {
      for (int x = 0; x < 20; ++x) ASSERT_EQ(At(x, y), expected(x, y)) << x << ", " << y;
    }
  }
  GWorldPtr world_ = nullptr;
};

bool In(int x, int y, const Rect& r) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

TEST_F(DrawingTest, FramesFollowThePen) {
  Rect r = {2, 3, 12, 15};
  FrameRect(&r);
  EXPECT_EQ(QDError(), noErr);
  Rect inner = {3, 4, 11, 14};
  ExpectPixels([&](int x, int y) { return In(x, y, r) && !In(x, y, inner) ? kBlack : kWhite; });

  EraseRect(&r);
  PenSize(3, 2);
  MacFrameRect(&r);
  Rect thick = {4, 6, 10, 12};
  ExpectPixels([&](int x, int y) { return In(x, y, r) && !In(x, y, thick) ? kBlack : kWhite; });
  PenNormal();

  // An oval's frame is the oval less the oval inside the pen.
  Rect all = {0, 0, 20, 20};
  EraseRect(&all);
  Rect o = {0, 0, 20, 20};
  FrameOval(&o);
  RgnHandle outer = New(), hole = New();
  OpenRgn();
  FrameOval(&o);
  CloseRgn(outer);
  Rect in = {1, 1, 19, 19};
  OpenRgn();
  FrameOval(&in);
  CloseRgn(hole);
  DiffRgn(outer, hole, outer);
  ExpectPixels([&](int x, int y) {
    return PtInRgn(Point{static_cast<short>(y), static_cast<short>(x)}, outer) ? kBlack : kWhite;
  });
}

TEST_F(DrawingTest, PaintEraseInvertAndPatterns) {
  RGBForeColor(&kRedColor);
  Rect r = {0, 0, 10, 10};
  PaintOval(&r);
  RgnHandle oval = New();
  OpenRgn();
  FrameOval(&r);
  CloseRgn(oval);
  ExpectPixels([&](int x, int y) {
    return PtInRgn(Point{static_cast<short>(y), static_cast<short>(x)}, oval) ? kRed : kWhite;
  });

  Rect all = {0, 0, 20, 20};
  InvertRect(&all);  // red becomes cyan, white black
  EXPECT_EQ(At(5, 5), 0xFF00FFFFu);
  EXPECT_EQ(At(19, 19), kBlack);
  EraseRgn(oval);
  EXPECT_EQ(At(5, 5), kWhite);
  InvertRgn(oval);
  EXPECT_EQ(At(5, 5), kBlack);

  // A checkerboard: set bits take the foreground, clear ones the background.
  const Pattern checker = {{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}};
  FillRect(&all, &checker);
  ExpectPixels([](int x, int y) { return (x + y) % 2 == 0 ? kRed : kWhite; });
  RgnHandle square = New();
  SetRectRgn(square, 0, 0, 4, 4);
  PaintRgn(square);
  EXPECT_EQ(At(1, 0), kRed);
  FillRgn(square, nullptr);  // a pattern is needed
  EXPECT_EQ(QDError(), paramErr);
}

TEST_F(DrawingTest, DrawingStaysInsideTheClip) {
  RgnHandle clip = New();
  GetClip(clip);
  Rect wide;
  GetRegionBounds(clip, &wide);
  EXPECT_EQ(wide.left, -32768);
  EXPECT_EQ(wide.bottom, 32767);

  Rect box = {5, 5, 15, 15};
  ClipRect(&box);
  Rect all = {0, 0, 20, 20};
  PaintRect(&all);
  ExpectPixels([&](int x, int y) { return In(x, y, box) ? kBlack : kWhite; });
  GetClip(clip);
  GetRegionBounds(clip, &wide);
  EXPECT_EQ(wide.top, 5);
  EXPECT_EQ(wide.right, 15);

  // A clip with a hole, set on the port by reference rather than as current.
  EraseRect(&all);
  RgnHandle ring = New(), hole = New();
  SetRectRgn(ring, 0, 0, 20, 20);
  SetRectRgn(hole, 8, 8, 12, 12);
  DiffRgn(ring, hole, ring);
  SetPortClipRegion(world_, ring);
  EXPECT_EQ(QDError(), noErr);
  PaintRect(&all);
  Rect holeRect = {8, 8, 12, 12};
  ExpectPixels([&](int x, int y) { return In(x, y, holeRect) ? kWhite : kBlack; });
  EXPECT_EQ(GetPortClipRegion(world_, clip), clip);
  EXPECT_TRUE(EqualRgn(clip, ring));

  RgnHandle visible = New();
  EXPECT_EQ(GetPortVisibleRegion(world_, visible), visible);
  GetRegionBounds(visible, &wide);
  EXPECT_EQ(wide.bottom, 20);
  EXPECT_TRUE(IsRegionRectangular(visible));

  SetPortClipRegion(nullptr, ring);
  EXPECT_EQ(QDError(), paramErr);
}

TEST_F(DrawingTest, AClipThatCannotBeStoredLeavesTheClipOpen) {
  Rect box = {5, 5, 15, 15};
  QTMLTest_FailAllocations(0);
  ClipRect(&box);
  EXPECT_EQ(QDError(), memFullErr);
  QTMLTest_ClearFaults();
  Rect all = {0, 0, 20, 20};
  PaintRect(&all);
  ExpectPixels([](int, int) { return kBlack; });
}

}  // namespace
