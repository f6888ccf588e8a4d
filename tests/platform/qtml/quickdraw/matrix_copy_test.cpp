// Drawing through a matrix, seen through FDecompressImage and
// DecompressImage of 'raw ' images: exact copies, scaling, quarter turns,
// depths, and the refusals, checked on known pixels.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ImageCompression.h"
#include "MacMemory.h"
#include "QDOffscreen.h"
#include "QTMLTestControls.h"

namespace {

using Argb = uint32_t;
constexpr Argb kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

// A raw image description of w × h at `depth`, and a handle to it.
struct RawDescription {
  ImageDescription desc{};
  ImageDescriptionPtr pointer = &desc;
  RawDescription(short w, short h, short depth) {
    desc.idSize = sizeof desc;
    desc.cType = kRawCodecType;
    desc.width = w;
    desc.height = h;
    desc.depth = depth;
    desc.hRes = desc.vRes = 72 * fixed1;
    desc.frameCount = 1;
    desc.clutID = -1;
  }
  ImageDescriptionHandle Handle() { return &pointer; }
};

// A 32-bit raw image: ARGB pixels, rows of w (no padding at this depth).
struct Image {
  RawDescription raw;
  std::vector<unsigned char> bytes;
  Image(short w, short h, const std::vector<Argb>& pixels) : raw(w, h, 32) {
    for (Argb p : pixels) {
      for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back((p >> shift) & 0xFF);
    }
  }
  Ptr Data() { return reinterpret_cast<Ptr>(bytes.data()); }
};

class MatrixCopyTest : public ::testing::Test {
 protected:
  void TearDown() override {
    QTMLTest_ClearFaults();
    for (GWorldPtr world : worlds_) DisposeGWorld(world);
  }
  // A world of w × h pixels at (0, 0), all zero (transparent black at 32).
  GWorldPtr Make(int w, int h, short depth = 32) {
    GWorldPtr world = nullptr;
    Rect bounds{0, 0, static_cast<short>(h), static_cast<short>(w)};
    EXPECT_EQ(NewGWorld(&world, depth, &bounds, nullptr, nullptr, 0), noErr);
    worlds_.push_back(world);
    return world;
  }
  static Argb At(GWorldPtr world, int x, int y) {
    PixMapHandle pm = GetGWorldPixMap(world);
    auto* p =
        reinterpret_cast<const unsigned char*>(GetPixBaseAddr(pm)) + y * GetPixRowBytes(pm) + x * 4;
    return Argb{p[0]} << 24 | Argb{p[1]} << 16 | Argb{p[2]} << 8 | p[3];
  }
  static OSErr Draw(Image& image, GWorldPtr world, const MatrixRecord* m,
                    const Rect* srcRect = nullptr, short mode = srcCopy, RgnHandle mask = nullptr) {
    return FDecompressImage(image.Data(), image.raw.Handle(), GetGWorldPixMap(world), srcRect,
                            const_cast<MatrixRecord*>(m), mode, mask, nullptr, nullptr,
                            codecNormalQuality, nullptr, 0, nullptr, nullptr);
  }
  static MatrixRecord Identity() {
    MatrixRecord m;
    SetIdentityMatrix(&m);
    return m;
  }
  std::vector<GWorldPtr> worlds_;
};

TEST_F(MatrixCopyTest, TheIdentityAndWholeOffsetsCopyExactly) {
  Image src(3, 2, {kRed, kGreen, kBlue, 0xFF123456, 0x80ABCDEF, kWhite});
  GWorldPtr dst = Make(5, 4);
  ASSERT_EQ(Draw(src, dst, nullptr), noErr);
  EXPECT_EQ(At(dst, 0, 0), kRed);
  EXPECT_EQ(At(dst, 2, 0), kBlue);
  EXPECT_EQ(At(dst, 0, 1), 0xFF123456u);
  EXPECT_EQ(At(dst, 1, 1), 0x80ABCDEFu);  // alpha too
  EXPECT_EQ(At(dst, 3, 0), 0u);           // beyond the source: untouched
  EXPECT_EQ(At(dst, 0, 2), 0u);

  GWorldPtr moved = Make(5, 4);
  MatrixRecord m = Identity();
  TranslateMatrix(&m, 2 * fixed1, 1 * fixed1);
  ASSERT_EQ(Draw(src, moved, &m), noErr);
  EXPECT_EQ(At(moved, 2, 1), kRed);
  EXPECT_EQ(At(moved, 4, 2), kWhite);
  EXPECT_EQ(At(moved, 1, 1), 0u);
  EXPECT_EQ(At(moved, 2, 0), 0u);

  // Only the source rectangle is drawn.
  GWorldPtr part = Make(5, 4);
  const Rect right{0, 1, 2, 3};
  ASSERT_EQ(Draw(src, part, nullptr, &right), noErr);
  EXPECT_EQ(At(part, 0, 0), 0u);
  EXPECT_EQ(At(part, 1, 0), kGreen);
  EXPECT_EQ(At(part, 2, 1), kWhite);
}

TEST_F(MatrixCopyTest, DoublingInterpolatesBetweenPixelCentres) {
  Image src(2, 2, {kRed, kGreen, kBlue, kWhite});
  GWorldPtr dst = Make(4, 4);
  MatrixRecord m = Identity();
  ScaleMatrix(&m, 2 * fixed1, 2 * fixed1, 0, 0);
  ASSERT_EQ(Draw(src, dst, &m), noErr);
  // Outer pixels fall on the extended edges: the corners keep their colour.
  EXPECT_EQ(At(dst, 0, 0), kRed);
  EXPECT_EQ(At(dst, 3, 0), kGreen);
  EXPECT_EQ(At(dst, 0, 3), kBlue);
  EXPECT_EQ(At(dst, 3, 3), kWhite);
  // (1, 1) samples the source at (0.25, 0.25) from the first centre:
  // 9/16 red, 3/16 green, 3/16 blue, 1/16 white.
  EXPECT_EQ(At(dst, 1, 1), 0xFF9F4040u);
  // (1, 0) is on the top edge, a quarter of the way to green.
  EXPECT_EQ(At(dst, 1, 0), 0xFFBF4000u);
}

TEST_F(MatrixCopyTest, AQuarterTurnMovesEachCornerToTheNext) {
  Image src(3, 2, {kRed, kGreen, kBlue, 0xFF111111, 0xFF222222, kWhite});
  GWorldPtr dst = Make(2, 3);
  // Turned a quarter about the origin (x' = -y, y' = x), then moved right by
  // the source's height: source pixel (x, y) lands on (1 - y, x).
  MatrixRecord m = Identity();
  RotateMatrix(&m, 90 * fixed1, 0, 0);
  TranslateMatrix(&m, 2 * fixed1, 0);
  ASSERT_EQ(Draw(src, dst, &m), noErr);
  EXPECT_EQ(At(dst, 1, 0), kRed);         // top-left to top-right
  EXPECT_EQ(At(dst, 1, 2), kBlue);        // top-right to bottom-right
  EXPECT_EQ(At(dst, 0, 2), kWhite);       // bottom-right to bottom-left
  EXPECT_EQ(At(dst, 0, 0), 0xFF111111u);  // bottom-left to top-left
  EXPECT_EQ(At(dst, 1, 1), kGreen);
  EXPECT_EQ(At(dst, 0, 1), 0xFF222222u);
}

TEST_F(MatrixCopyTest, ASingularMatrixDrawsNothing) {
  Image src(2, 2, {kRed, kRed, kRed, kRed});
  GWorldPtr dst = Make(2, 2);
  MatrixRecord flat = Identity();
  ScaleMatrix(&flat, 0, fixed1, 0, 0);
  EXPECT_EQ(Draw(src, dst, &flat), noErr);
  EXPECT_EQ(At(dst, 0, 0), 0u);
}

TEST(ImageDescriptionTest, HasQuickTimesLayout) {
  EXPECT_EQ(sizeof(ImageDescription), 86u);
  EXPECT_EQ(offsetof(ImageDescription, width), 32u);
  EXPECT_EQ(offsetof(ImageDescription, dataSize), 44u);
  EXPECT_EQ(offsetof(ImageDescription, name), 50u);
  EXPECT_EQ(offsetof(ImageDescription, depth), 82u);
}

TEST_F(MatrixCopyTest, DecompressImageDrawsRawRowsOntoTheDestinationRect) {
  // 24-bit rows of 3 pixels: 9 bytes, padded to 10.
  unsigned char data[] = {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0,  //
                          1,    2, 3, 4, 5,    6, 7, 8, 9,    0};
  RawDescription raw(3, 2, 24);
  GWorldPtr dst = Make(6, 4);
  PixMapHandle pm = GetGWorldPixMap(dst);
  const Rect same{0, 0, 2, 3};
  ASSERT_EQ(DecompressImage(reinterpret_cast<Ptr>(data), raw.Handle(), pm, nullptr, &same, srcCopy,
                            nullptr),
            noErr);
  EXPECT_EQ(At(dst, 0, 0), kRed);
  EXPECT_EQ(At(dst, 2, 0), kBlue);
  EXPECT_EQ(At(dst, 0, 1), 0xFF010203u);
  EXPECT_EQ(At(dst, 2, 1), 0xFF070809u);
  EXPECT_EQ(At(dst, 3, 0), 0u);

  // The right column, doubled, at (4, 0).
  const Rect column{0, 2, 2, 3}, doubled{0, 4, 4, 6};
  ASSERT_EQ(DecompressImage(reinterpret_cast<Ptr>(data), raw.Handle(), pm, &column, &doubled,
                            srcCopy, nullptr),
            noErr);
  EXPECT_EQ(At(dst, 4, 0), kBlue);
  EXPECT_EQ(At(dst, 5, 0), kBlue);
  EXPECT_EQ(At(dst, 5, 3), 0xFF070809u);
}

TEST_F(MatrixCopyTest, FDecompressImageFollowsTheMatrix) {
  // 32-bit ARGB, one row of two pixels; 8-bit with the standard table.
  unsigned char argb[] = {0xFF, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF};
  RawDescription raw(2, 1, 32);
  GWorldPtr dst = Make(1, 2);
  MatrixRecord m = Identity();
  RotateMatrix(&m, 90 * fixed1, 0, 0);
  TranslateMatrix(&m, fixed1, 0);
  ASSERT_EQ(FDecompressImage(reinterpret_cast<Ptr>(argb), raw.Handle(), GetGWorldPixMap(dst),
                             nullptr, &m, srcCopy, nullptr, nullptr, nullptr, codecNormalQuality,
                             nullptr, 0, nullptr, nullptr),
            noErr);
  EXPECT_EQ(At(dst, 0, 0), kRed);
  EXPECT_EQ(At(dst, 0, 1), kBlue);

  unsigned char indexes[] = {0, 0xFF};  // white and black, a padded row
  RawDescription eight(2, 1, 8);
  GWorldPtr grey = Make(2, 1);
  ASSERT_EQ(FDecompressImage(reinterpret_cast<Ptr>(indexes), eight.Handle(), GetGWorldPixMap(grey),
                             nullptr, nullptr, srcCopy, nullptr, nullptr, nullptr, 0, nullptr, 0,
                             nullptr, nullptr),
            noErr);
  EXPECT_EQ(At(grey, 0, 0), kWhite);
  EXPECT_EQ(At(grey, 1, 0), 0xFF000000u);
}

TEST_F(MatrixCopyTest, TransferModesCombineWithWhatIsThere) {
  constexpr Argb kRgb = 0x00FFFFFF;
  Image first(2, 1, {0xFF400080, 0xFF102030});
  Image second(2, 1, {0xFF800040, 0xFF0F0F0F});
  GWorldPtr dst = Make(2, 1);
  ASSERT_EQ(Draw(first, dst, nullptr), noErr);
  ASSERT_EQ(Draw(second, dst, nullptr, nullptr, addMax), noErr);
  EXPECT_EQ(At(dst, 0, 0) & kRgb, 0x800080u);  // the larger of each channel
  EXPECT_EQ(At(dst, 1, 0) & kRgb, 0x102030u);
  ASSERT_EQ(Draw(first, dst, nullptr, nullptr, notSrcCopy), noErr);
  EXPECT_EQ(At(dst, 0, 0) & kRgb, 0xBFFF7Fu);  // the source inverted
}

TEST_F(MatrixCopyTest, TheMaskAndThePortClipLimitWhatChanges) {
  Image src(3, 2, {kRed, kRed, kRed, kRed, kRed, kRed});
  GWorldPtr dst = Make(3, 2);
  RgnHandle mask = NewRgn(), right = NewRgn();
  SetRectRgn(mask, 0, 0, 1, 1);   // left, top, right, bottom: pixel (0, 0)
  SetRectRgn(right, 2, 0, 3, 2);  // the right column
  UnionRgn(mask, right, mask);
  ASSERT_EQ(Draw(src, dst, nullptr, nullptr, srcCopy, mask), noErr);
  EXPECT_EQ(At(dst, 0, 0), kRed);
  EXPECT_EQ(At(dst, 1, 0), 0u);
  EXPECT_EQ(At(dst, 0, 1), 0u);
  EXPECT_EQ(At(dst, 2, 1), kRed);
  DisposeRgn(mask);
  DisposeRgn(right);

  GWorldPtr clipped = Make(3, 2);
  CGrafPtr savedPort = nullptr;
  GDHandle savedDevice = nullptr;
  GetGWorld(&savedPort, &savedDevice);
  SetGWorld(clipped, nullptr);
  const Rect topRow{0, 0, 1, 3};
  ClipRect(&topRow);
  SetGWorld(savedPort, savedDevice);
  ASSERT_EQ(Draw(src, clipped, nullptr), noErr);
  EXPECT_EQ(At(clipped, 1, 0), kRed);
  EXPECT_EQ(At(clipped, 1, 1), 0u);

  Handle notARegion = NewHandle(4);
  EXPECT_EQ(Draw(src, dst, nullptr, nullptr, srcCopy, reinterpret_cast<RgnHandle>(notARegion)),
            paramErr);
  DisposeHandle(notARegion);
}

TEST_F(MatrixCopyTest, BlendingWeighsByThePortsOpColor) {
  Image src(1, 1, {kWhite});
  GWorldPtr dst = Make(1, 1);
  CGrafPtr savedPort = nullptr;
  GDHandle savedDevice = nullptr;
  GetGWorld(&savedPort, &savedDevice);
  SetGWorld(dst, nullptr);
  const RGBColor quarter = {0x4000, 0x8000, 0xC000};
  OpColor(&quarter);
  SetGWorld(savedPort, savedDevice);
  ASSERT_EQ(Draw(src, dst, nullptr, nullptr, blend), noErr);
  // White over black, a quarter, a half and three quarters of the way.
  Argb mixed = At(dst, 0, 0);
  EXPECT_NEAR(static_cast<int>((mixed >> 16) & 0xFF), 0x40, 1);
  EXPECT_NEAR(static_cast<int>((mixed >> 8) & 0xFF), 0x80, 1);
  EXPECT_NEAR(static_cast<int>(mixed & 0xFF), 0xC0, 1);
}

TEST_F(MatrixCopyTest, OtherDepthsReadAndWriteThroughTheirFormats) {
  // 16-bit xRGB 1-5-5-5, big-endian: red, blue, padded to a whole word.
  unsigned char sixteen[] = {0x7C, 0x00, 0x00, 0x1F};
  RawDescription raw16(2, 1, 16);
  GWorldPtr dst = Make(2, 1);
  const Rect r{0, 0, 1, 2};
  ASSERT_EQ(DecompressImage(reinterpret_cast<Ptr>(sixteen), raw16.Handle(), GetGWorldPixMap(dst),
                            nullptr, &r, srcCopy, nullptr),
            noErr);
  EXPECT_EQ(At(dst, 0, 0), kRed);
  EXPECT_EQ(At(dst, 1, 0), kBlue);

  // One bit a pixel, rows padded to 16 bits: black where set.
  unsigned char mono[] = {0x40, 0x00};
  RawDescription raw1(2, 1, 1);
  ASSERT_EQ(DecompressImage(reinterpret_cast<Ptr>(mono), raw1.Handle(), GetGWorldPixMap(dst),
                            nullptr, &r, srcCopy, nullptr),
            noErr);
  EXPECT_EQ(At(dst, 0, 0), kWhite);
  EXPECT_EQ(At(dst, 1, 0), 0xFF000000u);

  // Into a 16-bit world.
  Image src(2, 1, {kGreen, 0xFF080808});
  GWorldPtr dst16 = Make(2, 1, 16);
  ASSERT_EQ(Draw(src, dst16, nullptr), noErr);
  PixMapHandle pm = GetGWorldPixMap(dst16);
  auto* p = reinterpret_cast<const unsigned char*>(GetPixBaseAddr(pm));
  EXPECT_EQ(p[0], 0x03);  // green: 0 00000 11111 00000
  EXPECT_EQ(p[1], 0xE0);
  EXPECT_EQ(p[2], 0x04);  // 8 in each channel is 1 in five bits
  EXPECT_EQ(p[3], 0x21);
}

TEST_F(MatrixCopyTest, DecompressionRefusesWhatItCannotRead) {
  unsigned char data[8] = {};
  GWorldPtr dst = Make(2, 2);
  PixMapHandle pm = GetGWorldPixMap(dst);
  const Rect r{0, 0, 1, 1};
  Ptr p = reinterpret_cast<Ptr>(data);
  RawDescription jpeg(1, 1, 24);
  jpeg.desc.cType = 'jpeg';
  EXPECT_EQ(DecompressImage(p, jpeg.Handle(), pm, nullptr, &r, srcCopy, nullptr),
            badImageDescription);  // compressed data of no stated size
  jpeg.desc.dataSize = sizeof data;
  EXPECT_EQ(DecompressImage(p, jpeg.Handle(), pm, nullptr, &r, srcCopy, nullptr), codecErr);
  jpeg.desc.cType = 'zzzz';
  EXPECT_EQ(DecompressImage(p, jpeg.Handle(), pm, nullptr, &r, srcCopy, nullptr), noCodecErr);
  RawDescription twelve(1, 1, 12);
  EXPECT_EQ(DecompressImage(p, twelve.Handle(), pm, nullptr, &r, srcCopy, nullptr),
            badImageDescription);
  RawDescription shortData(2, 2, 32);
  shortData.desc.dataSize = 15;
  EXPECT_EQ(DecompressImage(p, shortData.Handle(), pm, nullptr, &r, srcCopy, nullptr),
            badImageDescription);

  RawDescription fine(1, 1, 32);
  EXPECT_EQ(DecompressImage(nullptr, fine.Handle(), pm, nullptr, &r, srcCopy, nullptr), paramErr);
  EXPECT_EQ(DecompressImage(p, nullptr, pm, nullptr, &r, srcCopy, nullptr), paramErr);
  EXPECT_EQ(DecompressImage(p, fine.Handle(), nullptr, nullptr, &r, srcCopy, nullptr), paramErr);
  EXPECT_EQ(DecompressImage(p, fine.Handle(), pm, nullptr, nullptr, srcCopy, nullptr), paramErr);
  PixMap loose{};
  PixMapPtr loosePtr = &loose;
  EXPECT_EQ(DecompressImage(p, fine.Handle(), &loosePtr, nullptr, &r, srcCopy, nullptr), paramErr);

  QTMLTest_FailAllocations(0);  // the 8-bit colour table cannot be made
  RawDescription eight(1, 1, 8);
  EXPECT_EQ(DecompressImage(p, eight.Handle(), pm, nullptr, &r, srcCopy, nullptr), memFullErr);
  QTMLTest_ClearFaults();
  QTMLTest_FailCall("FDecompressImage", 1, -8961);
  EXPECT_EQ(FDecompressImage(p, fine.Handle(), pm, nullptr, nullptr, srcCopy, nullptr, nullptr,
                             nullptr, 0, nullptr, 0, nullptr, nullptr),
            -8961);
}

}  // namespace
