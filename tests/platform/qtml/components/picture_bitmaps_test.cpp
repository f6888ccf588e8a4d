// Bitmaps of pictures (GetDIBFromPICT), and pictures recorded from a
// sub-world over part of another world's pixels (QTNewGWorldFromPtr).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ImageCompression.h"
#include "MacMemory.h"
#include "QDOffscreen.h"
#include "QTML.h"
#include "Quickdraw.h"
#include "leak_check.h"
#include "pixel_worlds.h"

namespace {

uint32_t LE32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

class PictureBitmapsTest : public ::testing::Test {
 protected:
  void SetUp() override { leaks_.Start(); }
  void TearDown() override {
    worlds_.Clear();
    leaks_.Verify();
  }
  // Records `part` of the world's pixels (CopyBits onto itself while a
  // picture records), as a picture the caller kills.
  static PicHandle Record(GWorldPtr world, const Rect& part) {
    CGrafPtr saved = nullptr;
    GDHandle device = nullptr;
    GetGWorld(&saved, &device);
    SetGWorld(world, nullptr);
    PicHandle picture = OpenPicture(&part);
    const BitMap* bits = GetPortBitMapForCopyBits(world);
    CopyBits(bits, bits, &part, &part, srcCopy, nullptr);
    ClosePicture();
    SetGWorld(saved, device);
    return picture;
  }
  static void Paint(GWorldPtr world, const Rect& r, RGBColor colour) {
    CGrafPtr saved = nullptr;
    GDHandle device = nullptr;
    GetGWorld(&saved, &device);
    SetGWorld(world, nullptr);
    RGBForeColor(&colour);
    PaintRect(&r);
    // Black again: CopyBits colours what it copies with the port's colours.
    const RGBColor black{0, 0, 0};
    RGBForeColor(&black);
    SetGWorld(saved, device);
  }

  LeakCheck leaks_;
  TestWorlds worlds_;
};

TEST_F(PictureBitmapsTest, BitmapHoldsThePicturesRowsBottomUp) {
  GWorldPtr world = worlds_.Make(3, 2, 0xFF102030u);
  Paint(world, Rect{0, 0, 1, 1}, RGBColor{0xFFFF, 0, 0});  // top left red
  PicHandle picture = Record(world, Rect{0, 0, 2, 3});
  Handle dib = GetDIBFromPICT(picture);
  KillPicture(picture);
  ASSERT_NE(dib, nullptr);
  ASSERT_EQ(GetHandleSize(dib), 40 + 3 * 2 * 4);
  const auto* b = reinterpret_cast<const uint8_t*>(*dib);
  EXPECT_EQ(LE32(b), 40u);
  EXPECT_EQ(LE32(b + 4), 3u);
  EXPECT_EQ(LE32(b + 8), 2u);  // positive: bottom row first
  EXPECT_EQ(b[12] | b[13] << 8, 1);
  EXPECT_EQ(b[14] | b[15] << 8, 32);
  EXPECT_EQ(LE32(b + 16), 0u);
  const uint8_t* bottom = b + 40;
  const uint8_t* top = b + 40 + 12;
  EXPECT_EQ(std::vector<uint8_t>(bottom, bottom + 4), (std::vector<uint8_t>{0x30, 0x20, 0x10, 0}));
  EXPECT_EQ(std::vector<uint8_t>(top, top + 8),
            (std::vector<uint8_t>{0, 0, 0xFF, 0, 0x30, 0x20, 0x10, 0}));
  DisposeHandle(dib);

  EXPECT_EQ(GetDIBFromPICT(nullptr), nullptr);
  EXPECT_EQ(QDError(), paramErr);
  Handle empty = NewHandleClear(10);
  EXPECT_EQ(GetDIBFromPICT(reinterpret_cast<PicHandle>(empty)), nullptr);
  DisposeHandle(empty);
}

TEST_F(PictureBitmapsTest, SubWorldSharesItsParentsPixels) {
  GWorldPtr parent = worlds_.Make(10, 8, 0xFFFFFFFFu);
  PixMapHandle pm = GetGWorldPixMap(parent);
  Rect region{2, 3, 6, 8};  // top, left, bottom, right
  long rowBytes = GetPixRowBytes(pm);
  Ptr base = GetPixBaseAddr(pm) + region.top * rowBytes + region.left * 32 / 8;
  Rect bounds{0, 0, 4, 5};
  GWorldPtr sub = nullptr;
  ASSERT_EQ(
      QTNewGWorldFromPtr(&sub, (**pm).pixelFormat, &bounds, nullptr, nullptr, 0, base, rowBytes),
      noErr);
  worlds_.Keep(sub);

  // Drawn through the sub-world, seen in the parent.
  Paint(sub, Rect{0, 0, 1, 5}, RGBColor{0, 0, 0xFFFF});
  EXPECT_EQ(PixelAt(parent, 3, 2), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(parent, 7, 2), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(parent, 8, 2), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(parent, 3, 3), 0xFFFFFFFFu);

  // Drawn in the parent, recorded from the sub-world at the region's size.
  Paint(parent, Rect{5, 7, 6, 8}, RGBColor{0xFFFF, 0, 0});  // the region's bottom right
  PicHandle picture = Record(sub, bounds);
  Rect frame{};
  QDGetPictureBounds(picture, &frame);
  EXPECT_EQ(frame.right, 5);
  EXPECT_EQ(frame.bottom, 4);
  Handle dib = GetDIBFromPICT(picture);
  KillPicture(picture);
  ASSERT_NE(dib, nullptr);
  const auto* bottomRow = reinterpret_cast<const uint8_t*>(*dib) + 40;
  EXPECT_EQ(std::vector<uint8_t>(bottomRow + 16, bottomRow + 20),
            (std::vector<uint8_t>{0, 0, 0xFF, 0}));
  EXPECT_EQ(bottomRow[0], 0xFF);  // white
  DisposeHandle(dib);

  GWorldPtr refused = reinterpret_cast<GWorldPtr>(1);
  EXPECT_EQ(QTNewGWorldFromPtr(&refused, 'BGRA', &bounds, nullptr, nullptr, 0, base, rowBytes),
            cDepthErr);
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(QTNewGWorldFromPtr(&refused, k32ARGBPixelFormat, &bounds, nullptr, nullptr, 0, nullptr,
                               rowBytes),
            paramErr);
  EXPECT_EQ(QTNewGWorldFromPtr(&refused, k32ARGBPixelFormat, &bounds, nullptr, nullptr, 0, base, 8),
            paramErr);
}

}  // namespace
