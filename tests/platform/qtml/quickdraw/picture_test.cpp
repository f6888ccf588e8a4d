// Pictures: PackBits, recording a port into a version 2 PICT, drawing
// pictures back (scaled), other pictures' images, and PICT files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "QDOffscreen.h"
#include "QTMLTestControls.h"
#include "offscreen_test.h"
#include "quickdraw/pict_codec.h"
#include "quickdraw/picture.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint16_t BE16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

class PictureTest : public OffscreenTest {
 protected:
  static void Paint(const Rect& r, unsigned short red, unsigned short green, unsigned short blue) {
    RGBColor color{red, green, blue};
    RGBForeColor(&color);
    PaintRect(&r);
  }
  // A world with a pattern: red left half, blue bottom-right quarter.
  GWorldPtr Pattern(short width, short height) {
    GWorldPtr world = Make(32, Rect{0, 0, height, width});
    SetGWorld(world, nullptr);
    Paint(Rect{0, 0, height, static_cast<short>(width / 2)}, 0xFFFF, 0, 0);
    Paint(Rect{static_cast<short>(height / 2), static_cast<short>(width / 2), height, width}, 0, 0,
          0xFFFF);
    return world;
  }
  static std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("qtml-pict-" + std::to_string(getpid()) + "-" + name + ".pct"))
        .string();
  }
  // Pixel (x, y) of a 32-bit world as 0xRRGGBB.
  static uint32_t RGBAt(GWorldPtr world, int x, int y) {
    PixMapHandle pm = GetGWorldPixMap(world);
    const auto* p =
        reinterpret_cast<const uint8_t*>(GetPixBaseAddr(pm)) + y * GetPixRowBytes(pm) + x * 4;
    return uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
  }
};

TEST(PackBits, RoundTripsRunsAndLiterals) {
  std::mt19937 random(7);
  std::vector<Bytes> inputs = {{}, {1}, {1, 1}, Bytes(300, 9), {1, 2, 3, 3, 3, 4}};
  Bytes noisy(1000);
  for (auto& b : noisy) b = static_cast<uint8_t>(random() % 3);  // short runs and literals
  inputs.push_back(noisy);
  Bytes literals(300);
  for (size_t i = 0; i < literals.size(); ++i) literals[i] = static_cast<uint8_t>(i);
  inputs.push_back(literals);
  for (const Bytes& input : inputs) {
    Bytes packed;
    qtml::pict::PackBits(input.data(), input.size(), &packed);
    Bytes out(input.size());
    ASSERT_TRUE(qtml::pict::UnpackBits(packed.data(), packed.data() + packed.size(), out.data(),
                                       out.size(), 1));
    EXPECT_EQ(out, input);
  }
  Bytes packed;
  qtml::pict::PackBits(Bytes(300, 9).data(), 300, &packed);
  EXPECT_EQ(packed.size(), 6u);  // 128 + 128 + 44 repeats
  Bytes out(10);
  const uint8_t overflow[] = {0xF0, 7};  // 17 repeats into 10 bytes
  EXPECT_FALSE(qtml::pict::UnpackBits(overflow, overflow + 2, out.data(), out.size(), 1));
  const uint8_t truncated[] = {5, 1, 2};
  EXPECT_FALSE(qtml::pict::UnpackBits(truncated, truncated + 3, out.data(), 6, 1));
  const uint8_t words[] = {0xFE, 0x12, 0x34};  // three 16-bit repeats
  ASSERT_TRUE(qtml::pict::UnpackBits(words, words + 3, out.data(), 6, 2));
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 6), (Bytes{0x12, 0x34, 0x12, 0x34, 0x12, 0x34}));
}

TEST_F(PictureTest, ClosePictureWritesAVersionTwoDirectBitsPicture) {
  GWorldPtr world = Pattern(100, 6);  // rows of 400 bytes: two-byte counts
  PicHandle picture = Record(world, Rect{0, 0, 6, 100});
  const auto* p = reinterpret_cast<const uint8_t*>(*picture);
  long size = GetHandleSize(reinterpret_cast<Handle>(picture));
  EXPECT_EQ(BE16(p), static_cast<uint16_t>(size));
  EXPECT_EQ(BE16(p + 2), 0);    // frame top
  EXPECT_EQ(BE16(p + 8), 100);  // frame right
  EXPECT_EQ(BE16(p + 10), 0x0011);
  EXPECT_EQ(BE16(p + 12), 0x02FF);
  EXPECT_EQ(BE16(p + 14), 0x0C00);
  EXPECT_EQ(BE16(p + 40), 0x0001);  // clip region of the frame
  EXPECT_EQ(BE16(p + 42), 10);
  EXPECT_EQ(BE16(p + 52), 0x009A);
  EXPECT_EQ(BE16(p + 58), 0x8000 | 400);  // rowBytes of 32-bit pixels
  EXPECT_EQ(BE16(p + 70), 4);             // packed by component
  EXPECT_EQ(BE16(p + 84), RGBDirect);
  EXPECT_EQ(BE16(p + 86), 32);  // pixelSize
  EXPECT_EQ(BE16(p + size - 2), 0x00FF);
  Rect bounds;
  EXPECT_EQ(QDGetPictureBounds(picture, &bounds)->right, 100);
  KillPicture(picture);
}

TEST_F(PictureTest, DrawPictureReproducesAndScalesWhatWasRecorded) {
  for (short width : {1, 10, 100}) {  // unpacked rows, one-byte and two-byte counts
    GWorldPtr source = Pattern(width, 4);
    PicHandle picture = Record(source, Rect{0, 0, 4, width});
    GWorldPtr same = Make(32, Rect{0, 0, 4, width});
    SetGWorld(same, nullptr);
    Rect whole{0, 0, 4, width};
    DrawPicture(picture, &whole);
    ASSERT_EQ(QDError(), noErr);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < width; ++x) {
        ASSERT_EQ(RGBAt(same, x, y), RGBAt(source, x, y)) << width << " " << x << "," << y;
      }
    }
    GWorldPtr doubled = Make(32, Rect{0, 0, 8, static_cast<short>(width * 2)});
    SetGWorld(doubled, nullptr);
    Rect twice{0, 0, 8, static_cast<short>(width * 2)};
    DrawPicture(picture, &twice);
    EXPECT_EQ(RGBAt(doubled, 2 * width - 1, 7), RGBAt(source, width - 1, 3));
    EXPECT_EQ(RGBAt(doubled, 0, 0), RGBAt(source, 0, 0));
    KillPicture(picture);
  }
}

TEST_F(PictureTest, FrameOutsideThePortRecordsWhiteAndOffsetFramesMap) {
  GWorldPtr source = Pattern(4, 4);
  PicHandle picture = Record(source, Rect{2, 2, 6, 6});  // half outside
  GWorldPtr target = Make(32, Rect{0, 0, 4, 4});
  SetGWorld(target, nullptr);
  Rect whole{0, 0, 4, 4};
  DrawPicture(picture, &whole);
  EXPECT_EQ(RGBAt(target, 0, 0), 0x0000FFu);  // source (2, 2)
  EXPECT_EQ(RGBAt(target, 3, 3), 0xFFFFFFu);  // beyond the source port
  KillPicture(picture);
}

TEST_F(PictureTest, RecordingRulesAndDamagedPictures) {
  GWorldPtr world = Make(32, Rect{0, 0, 2, 2});
  SetGWorld(world, nullptr);
  Rect frame{0, 0, 2, 2};
  PicHandle first = OpenPicture(&frame);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(OpenPicture(&frame), nullptr);  // one recording per port
  EXPECT_EQ(QDError(), paramErr);
  KillPicture(first);  // killed while recording: the recording stops
  ClosePicture();
  EXPECT_EQ(QDError(), noErr);

  PicHandle picture = Record(world, frame);
  Handle bytes = reinterpret_cast<Handle>(picture);
  SetHandleSize(bytes, GetHandleSize(bytes) - 20);  // cut into the pixel data
  DrawPicture(picture, &frame);
  EXPECT_EQ(QDError(), paramErr);
  (*bytes)[11] = 0x01;  // a version 1 picture
  DrawPicture(picture, &frame);
  EXPECT_EQ(QDError(), paramErr);
  KillPicture(picture);

  QTMLTest_FailAllocations(0);
  EXPECT_EQ(OpenPicture(&frame), nullptr);
  EXPECT_EQ(QDError(), memFullErr);
}

// An 8-bit PackBitsRect picture with its own colour table, as other
// programs write them.
TEST_F(PictureTest, DrawsIndexedImagesOfOtherPictures) {
  Bytes pic = {
      0,    0,    0,    0,    0,    0,    0, 1, 0, 8,  // size, frame (0,0,1,8)
      0x00, 0x11, 0x02, 0xFF,                          // version 2
      0x00, 0x1E,                                      // DefHilite
      0x00, 0xA0, 0x00, 0x82,                          // a short comment
      0x00, 0x98,                                      // PackBitsRect
      0x80, 0x08,                                      // rowBytes 8, a pixel map
      0,    0,    0,    0,    0,    1,    0, 8,        // bounds
      0,    0,    0,    0,    0,    0,    0, 0,        // version, packType, packSize
      0,    0x48, 0,    0,    0,    0x48, 0, 0,        // resolutions
      0,    0,    0,    8,    0,    1,    0, 8,        // pixelType, pixelSize 8, cmpCount, cmpSize
      0,    0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0,  // planeBytes, pmTable, reserved
      0,    0,    0,    0,    0,    0,    0, 1,  // colour table: seed, flags, two entries
      0,    0,    0xFF, 0xFF, 0,    0,    0, 0,  // 0: red
      0,    1,    0,    0,    0xFF, 0xFF, 0, 0,  // 1: green
      0,    0,    0,    0,    0,    1,    0, 8,  // srcRect
      0,    0,    0,    0,    0,    1,    0, 8,  // dstRect
      0,    0,                                   // srcCopy
      4,    0xFD, 0,    0xFD, 1,                 // one row: 4 x 0, 4 x 1
      0,                                         // to an even offset
      0x00, 0xFF};
  pic[1] = static_cast<uint8_t>(pic.size());
  Handle h = nullptr;
  ASSERT_EQ(PtrToHand(pic.data(), &h, static_cast<long>(pic.size())), noErr);
  GWorldPtr target = Make(32, Rect{0, 0, 1, 8});
  SetGWorld(target, nullptr);
  Rect whole{0, 0, 1, 8};
  DrawPicture(reinterpret_cast<PicHandle>(h), &whole);
  EXPECT_EQ(QDError(), noErr);
  EXPECT_EQ(RGBAt(target, 0, 0), 0xFF0000u);
  EXPECT_EQ(RGBAt(target, 7, 0), 0x00FF00u);
  DisposeHandle(h);
}

TEST_F(PictureTest, PictFilesArePrecededBy512ZeroBytes) {
  GWorldPtr world = Pattern(16, 16);
  PicHandle picture = Record(world, Rect{0, 0, 16, 16});
  std::string path = TempPath("file");
  ASSERT_EQ(qtml::WritePictFile(path.c_str(), picture), noErr);
  std::ifstream in(path, std::ios::binary);
  std::string file((std::istreambuf_iterator<char>(in)), {});
  long size = GetHandleSize(reinterpret_cast<Handle>(picture));
  ASSERT_EQ(file.size(), 512u + static_cast<size_t>(size));
  EXPECT_EQ(file.substr(0, 512), std::string(512, '\0'));
  EXPECT_EQ(file.substr(512), std::string(*reinterpret_cast<Handle>(picture), size));

  PicHandle read = nullptr;
  ASSERT_EQ(qtml::ReadPictFile(path.c_str(), &read), noErr);
  EXPECT_EQ(std::string(*reinterpret_cast<Handle>(read), size), file.substr(512));
  KillPicture(read);
  KillPicture(picture);
  std::filesystem::remove(path);
  EXPECT_EQ(qtml::ReadPictFile(path.c_str(), &read), fnfErr);
}

// ImageMagick, when installed, must read what the engine writes pixel for
// pixel, at widths where readers differ on how rows are stored.
TEST_F(PictureTest, ImageMagickReadsThePictures) {
  if (std::system("/usr/bin/convert -version > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "ImageMagick is not installed";
  }
  for (short width : {1, 2, 70, 90, 300}) {
    GWorldPtr world = Pattern(width, 3);
    PicHandle picture = Record(world, Rect{0, 0, 3, width});
    std::string path = TempPath(std::to_string(width));
    ASSERT_EQ(qtml::WritePictFile(path.c_str(), picture), noErr);
    KillPicture(picture);
    FILE* pipe = popen(("/usr/bin/convert '" + path + "' txt:- 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[256];
    int pixels = 0;
    while (fgets(line, sizeof line, pipe) != nullptr) {
      int x = 0, y = 0, r = 0, g = 0, b = 0;
      if (std::sscanf(line, "%d,%d: (%d,%d,%d", &x, &y, &r, &g, &b) != 5) continue;
      ++pixels;
      EXPECT_EQ(static_cast<uint32_t>(r << 16 | g << 8 | b), RGBAt(world, x, y))
          << "width " << width << " at " << x << "," << y;
    }
    pclose(pipe);
    EXPECT_EQ(pixels, width * 3) << "width " << width;
    std::filesystem::remove(path);
  }
}

}  // namespace
