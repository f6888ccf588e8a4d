// Thumbnails of pixel maps and pictures: their 80 by 80 geometry, the
// colours each thumbnail pixel averages, and the errors of bad requests.
#include <gtest/gtest.h>

#include <vector>

#include "ImageCompression.h"
#include "MacMemory.h"
#include "QDOffscreen.h"
#include "QTMLTestControls.h"
#include "Quickdraw.h"
#include "leak_check.h"
#include "pixel_worlds.h"

namespace {

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu,
                   kWhite = 0xFFFFFFFFu, kBlack = 0xFF000000u;

void Paint(GWorldPtr world, int x, int y, uint32_t c) {
  PixMapHandle pm = GetGWorldPixMap(world);
  auto* p = reinterpret_cast<uint8_t*>(GetPixBaseAddr(pm)) + y * GetPixRowBytes(pm) + x * 4;
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(c >> (24 - 8 * i));
}

template <typename Colour>
void PaintAll(GWorldPtr world, int w, int h, Colour colour) {
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) Paint(world, x, y, colour(x, y));
  }
}

class ThumbnailsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    leaks_.Start();
    thumbnail_ = reinterpret_cast<PicHandle>(NewHandle(4));
  }
  void TearDown() override {
    KillPicture(thumbnail_);
    worlds_.Clear();
    leaks_.Verify();
  }

  Rect Frame(PicHandle picture) {
    Rect frame{};
    QDGetPictureBounds(picture, &frame);
    return frame;
  }
  // The thumbnail drawn at its own size into a world kept by the test.
  GWorldPtr Drawn(PicHandle picture) {
    Rect frame = Frame(picture);
    GWorldPtr world = worlds_.Make(frame.right, frame.bottom);
    CGrafPtr saved = nullptr;
    GDHandle device = nullptr;
    GetGWorld(&saved, &device);
    SetGWorld(world, nullptr);
    DrawPicture(picture, &frame);
    SetGWorld(saved, device);
    return world;
  }
  // A picture of a w × h world painted by colour(x, y); the caller kills it.
  template <typename Colour>
  PicHandle Picture(short w, short h, Colour colour) {
    GWorldPtr world = worlds_.Make(w, h);
    PaintAll(world, w, h, colour);
    CGrafPtr saved = nullptr;
    GDHandle device = nullptr;
    GetGWorld(&saved, &device);
    SetGWorld(world, nullptr);
    Rect frame{0, 0, h, w};
    PicHandle picture = OpenPicture(&frame);
    ClosePicture();
    SetGWorld(saved, device);
    return picture;
  }

  LeakCheck leaks_;
  TestWorlds worlds_;
  PicHandle thumbnail_ = nullptr;
};

uint32_t Quadrants(int x, int y) {
  if (y < 40) return x < 80 ? kRed : kGreen;
  return x < 80 ? kBlue : kWhite;
}

TEST_F(ThumbnailsTest, PixMapShrinksToFitKeepingItsShape) {
  GWorldPtr source = worlds_.Make(160, 80);
  PaintAll(source, 160, 80, Quadrants);
  ASSERT_EQ(MakeThumbnailFromPixMap(GetGWorldPixMap(source), nullptr, 0, thumbnail_, nullptr),
            noErr);
  Rect frame = Frame(thumbnail_);
  EXPECT_EQ(frame.left, 0);
  EXPECT_EQ(frame.top, 0);
  EXPECT_EQ(frame.right, 80);
  EXPECT_EQ(frame.bottom, 40);
  GWorldPtr drawn = Drawn(thumbnail_);
  EXPECT_EQ(PixelAt(drawn, 0, 0), kRed);
  EXPECT_EQ(PixelAt(drawn, 39, 19), kRed);
  EXPECT_EQ(PixelAt(drawn, 40, 19), kGreen);
  EXPECT_EQ(PixelAt(drawn, 39, 20), kBlue);
  EXPECT_EQ(PixelAt(drawn, 79, 39), kWhite);

  // The right half alone is square: green over white.
  Rect half{0, 80, 80, 160};
  ASSERT_EQ(MakeThumbnailFromPixMap(GetGWorldPixMap(source), &half, 32, thumbnail_, nullptr),
            noErr);
  frame = Frame(thumbnail_);
  EXPECT_EQ(frame.right, 80);
  EXPECT_EQ(frame.bottom, 80);
  drawn = Drawn(thumbnail_);
  EXPECT_EQ(PixelAt(drawn, 10, 39), kGreen);
  EXPECT_EQ(PixelAt(drawn, 70, 40), kWhite);
}

TEST_F(ThumbnailsTest, EachPixelAveragesWhatItCovers) {
  // Black and white columns: every thumbnail pixel covers one of each.
  GWorldPtr stripes = worlds_.Make(160, 160);
  PaintAll(stripes, 160, 160, [](int x, int) { return x % 2 == 0 ? kBlack : kWhite; });
  ASSERT_EQ(MakeThumbnailFromPixMap(GetGWorldPixMap(stripes), nullptr, 0, thumbnail_, nullptr),
            noErr);
  GWorldPtr drawn = Drawn(thumbnail_);
  EXPECT_EQ(PixelAt(drawn, 0, 0), 0xFF808080u);
  EXPECT_EQ(PixelAt(drawn, 57, 33), 0xFF808080u);

  // At depth 16 each channel keeps 5 bits.
  GWorldPtr flat = worlds_.Make(8, 8);
  PaintAll(flat, 8, 8, [](int, int) { return 0xFF1234FFu; });
  ASSERT_EQ(MakeThumbnailFromPixMap(GetGWorldPixMap(flat), nullptr, 16, thumbnail_, nullptr),
            noErr);
  EXPECT_EQ(PixelAt(Drawn(thumbnail_), 5, 5), 0xFF1031FFu);
}

TEST_F(ThumbnailsTest, SmallPictureGrowsToFit) {
  // 10 wide, 20 high: red over blue becomes 40 by 80.
  PicHandle picture = Picture(10, 20, [](int, int y) { return y < 10 ? kRed : kBlue; });
  ASSERT_EQ(MakeThumbnailFromPicture(picture, 0, thumbnail_, nullptr), noErr);
  KillPicture(picture);
  Rect frame = Frame(thumbnail_);
  EXPECT_EQ(frame.right, 40);
  EXPECT_EQ(frame.bottom, 80);
  GWorldPtr drawn = Drawn(thumbnail_);
  EXPECT_EQ(PixelAt(drawn, 0, 0), kRed);
  EXPECT_EQ(PixelAt(drawn, 39, 39), kRed);
  EXPECT_EQ(PixelAt(drawn, 39, 40), kBlue);
  EXPECT_EQ(PixelAt(drawn, 20, 79), kBlue);
}

TEST_F(ThumbnailsTest, BadRequestsChangeNothing) {
  GWorldPtr source = worlds_.Make(8, 8);
  PixMapHandle pm = GetGWorldPixMap(source);
  EXPECT_EQ(MakeThumbnailFromPixMap(pm, nullptr, 8, thumbnail_, nullptr), paramErr);
  EXPECT_EQ(MakeThumbnailFromPixMap(pm, nullptr, 0, nullptr, nullptr), paramErr);
  EXPECT_EQ(MakeThumbnailFromPixMap(nullptr, nullptr, 0, thumbnail_, nullptr), paramErr);
  Rect outside{0, 4, 8, 12};
  EXPECT_EQ(MakeThumbnailFromPixMap(pm, &outside, 0, thumbnail_, nullptr), paramErr);
  EXPECT_EQ(MakeThumbnailFromPicture(nullptr, 0, thumbnail_, nullptr), paramErr);
  Handle notPicture = NewHandleClear(4);
  EXPECT_EQ(
      MakeThumbnailFromPicture(reinterpret_cast<PicHandle>(notPicture), 0, thumbnail_, nullptr),
      paramErr);
  DisposeHandle(notPicture);
  EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(thumbnail_)), 4);
}

TEST_F(ThumbnailsTest, AllocationFailuresAreReportedAndLeakNothing) {
  PicHandle picture = Picture(30, 20, [](int x, int) { return x < 15 ? kRed : kGreen; });
  for (long n = 0;; ++n) {
    QTMLTest_FailAllocations(n);
    OSErr err = MakeThumbnailFromPicture(picture, 0, thumbnail_, nullptr);
    QTMLTest_FailAllocations(-1);
    if (err == noErr) break;
    ASSERT_EQ(err, memFullErr) << n;
    ASSERT_LT(n, 500);
  }
  KillPicture(picture);
  EXPECT_EQ(PixelAt(Drawn(thumbnail_), 0, 0), kRed);
}

}  // namespace
