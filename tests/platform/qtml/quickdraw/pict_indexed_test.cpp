// Pictures of 8-bit ports (PackBitsRect with the port's colours) and the
// port's clip recorded in the picture: the bytes, playing them back, and
// ImageMagick reading the files pixel for pixel.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "QDOffscreen.h"
#include "QTMLTestControls.h"
#include "Quickdraw.h"
#include "offscreen_test.h"
#include "quickdraw/picture.h"

namespace {

constexpr size_t kClipOffset = 42;  // the clip region's size word

uint16_t BE16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

class IndexedPictureTest : public OffscreenTest {
 protected:
  // A kept world, erased and current.
  GWorldPtr Make(short depth, const Rect& bounds) {
    GWorldPtr world = OffscreenTest::Make(depth, bounds);
    SetGWorld(world, nullptr);
    EraseRect(&bounds);
    return world;
  }
  static void Paint(const Rect& r, const RGBColor& color) {
    RGBForeColor(&color);
    PaintRect(&r);
  }
  // Stripes of colours the standard 8-bit table holds exactly, and an oval.
  GWorldPtr Striped(short depth, short width, short height) {
    GWorldPtr world = Make(depth, Rect{0, 0, height, width});
    const RGBColor colors[] = {{0xFFFF, 0, 0},
                               {0, 0, 0xFFFF},
                               {0x3333, 0x9999, 0xCCCC},
                               {0x7777, 0x7777, 0x7777},
                               {0, 0, 0}};
    for (short x = 0; x < width; x += 2) {
      Paint(Rect{0, x, static_cast<short>(height / 2), static_cast<short>(x + 2)},
            colors[(x / 2) % 5]);
    }
    Rect oval = {static_cast<short>(height / 2), 0, height, width};
    RGBColor green = {0, 0xFFFF, 0};
    RGBForeColor(&green);
    PaintOval(&oval);
    return world;
  }
  // Pixel (x, y) as 0xRRGGBB, read through a 32-bit copy made from the
  // probe's port, whose black and white leave srcCopy's colours alone.
  uint32_t RGBAt(GWorldPtr world, short x, short y) {
    CGrafPtr port = nullptr;
    GDHandle device = nullptr;
    GetGWorld(&port, &device);
    if (probe_ == nullptr) probe_ = Make(32, Rect{0, 0, 1, 1});
    SetGWorld(probe_, nullptr);
    Rect from = {y, x, static_cast<short>(y + 1), static_cast<short>(x + 1)}, to = {0, 0, 1, 1};
    CopyBits(GetPortBitMapForCopyBits(world), GetPortBitMapForCopyBits(probe_), &from, &to, srcCopy,
             nullptr);
    SetGWorld(port, device);
    const auto* p = reinterpret_cast<const uint8_t*>(GetPixBaseAddr(GetGWorldPixMap(probe_)));
    return uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
  }
  static std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("qtml-indexed-" + std::to_string(getpid()) + "-" + name))
        .string();
  }

  GWorldPtr probe_ = nullptr;
};

// ImageMagick's pixels of an image file, by position.
std::map<std::pair<int, int>, uint32_t> ImageMagickPixels(const std::string& path) {
  std::map<std::pair<int, int>, uint32_t> pixels;
  FILE* pipe = popen(("/usr/bin/convert '" + path + "' txt:- 2>&1").c_str(), "r");
  if (pipe == nullptr) return pixels;
  char line[256];
  while (fgets(line, sizeof line, pipe) != nullptr) {
    int x = 0, y = 0, r = 0, g = 0, b = 0;
    if (std::sscanf(line, "%d,%d: (%d,%d,%d", &x, &y, &r, &g, &b) != 5) continue;
    pixels[{x, y}] = static_cast<uint32_t>(r << 16 | g << 8 | b);
  }
  pclose(pipe);
  return pixels;
}

TEST_F(IndexedPictureTest, EightBitPortsRecordPackBitsRectWithTheirColours) {
  GWorldPtr world = Striped(8, 20, 6);
  PicHandle picture = Record(world, Rect{0, 0, 6, 20});
  const auto* bytes = reinterpret_cast<const uint8_t*>(*picture);
  EXPECT_EQ(BE16(bytes + kClipOffset - 2), 0x0001);
  EXPECT_EQ(BE16(bytes + kClipOffset), 10);  // the frame: the clip is wide open
  size_t image = kClipOffset + 10;
  EXPECT_EQ(BE16(bytes + image), 0x0098);
  EXPECT_EQ(BE16(bytes + image + 2), 0x8000 | 20);  // rowBytes
  EXPECT_EQ(BE16(bytes + image + 30), 8);           // pixelSize
  EXPECT_EQ(BE16(bytes + image + 54), 255);         // ctSize: 256 colours

  // Played back into a 32-bit world, the colours are the port's.
  GWorldPtr copy = Make(32, Rect{0, 0, 6, 20});
  Rect frame = {0, 0, 6, 20};
  DrawPicture(picture, &frame);
  EXPECT_EQ(QDError(), noErr);
  for (short y = 0; y < 6; ++y) {
    for (short x = 0; x < 20; ++x)
      EXPECT_EQ(RGBAt(copy, x, y), RGBAt(world, x, y)) << x << "," << y;
  }
  KillPicture(picture);
}

TEST_F(IndexedPictureTest, ThePortsClipIsRecordedAndHonouredOnPlayback) {
  GWorldPtr world = Striped(32, 16, 16);
  RgnHandle clip = New();
  Rect o = {0, 0, 16, 16};
  OpenRgn();
  FrameOval(&o);
  CloseRgn(clip);
  SetClip(clip);
  Rect frame = {0, 0, 16, 16};
  PicHandle picture = Record(world, frame);
  // The frame's clip first (readers take it for the canvas), then the
  // port's: an oval's outline.
  const auto* bytes = reinterpret_cast<const uint8_t*>(*picture);
  EXPECT_EQ(BE16(bytes + kClipOffset), 10);
  const uint8_t* second = bytes + kClipOffset + 10;
  EXPECT_EQ(BE16(second), 0x0001);
  EXPECT_GT(BE16(second + 2), 10);
  EXPECT_EQ(BE16(second + 2 + 6), 16);  // bottom
  EXPECT_EQ(BE16(second + 2 + 8), 16);  // right

  // Playback changes only what the picture's clip holds.
  GWorldPtr target = Make(32, frame);
  RGBColor black = {0, 0, 0};
  Paint(frame, black);
  DrawPicture(picture, &frame);
  for (short y = 0; y < 16; ++y) {
    for (short x = 0; x < 16; ++x) {
      uint32_t expected = PtInRgn(Point{y, x}, clip) ? RGBAt(world, x, y) : 0;
      EXPECT_EQ(RGBAt(target, x, y), expected) << x << "," << y;
    }
  }
  KillPicture(picture);
}

// PICT files (512 zero bytes, then the picture) that ImageMagick turns into
// PNG files with the very same pixels: 8-bit images with rows unpacked
// (under 8 bytes), packed with short counts and with long ones, and a
// 32-bit image with a clip region.
TEST_F(IndexedPictureTest, ImageMagickConvertsThemToPngPixelForPixel) {
  if (std::system("/usr/bin/convert -version > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "ImageMagick is not installed";
  }
  struct Case {
    short depth, width;
    bool clipped;
  };
  for (Case c : {Case{8, 5, false}, Case{8, 40, false}, Case{8, 301, false}, Case{32, 24, true}}) {
    GWorldPtr world = Striped(c.depth, c.width, 6);
    Rect frame = {0, 0, 6, c.width};
    if (c.clipped) {
      Rect part = {1, 2, 5, 20};
      ClipRect(&part);
    }
    PicHandle picture = Record(world, frame);
    std::string name = std::to_string(c.depth) + "-" + std::to_string(c.width);
    std::string pict = TempPath(name + ".pict"), png = TempPath(name + ".png");
    ASSERT_EQ(qtml::WritePictFile(pict.c_str(), picture), noErr);
    KillPicture(picture);
    ASSERT_EQ(std::system(("/usr/bin/convert '" + pict + "' '" + png + "' 2>/dev/null").c_str()), 0)
        << name;
    auto pixels = ImageMagickPixels(png);
    EXPECT_EQ(pixels.size(), static_cast<size_t>(c.width) * 6) << name;
    for (const auto& [at, rgb] : pixels) {
      EXPECT_EQ(rgb, RGBAt(world, static_cast<short>(at.first), static_cast<short>(at.second)))
          << name << " at " << at.first << "," << at.second;
    }
    std::filesystem::remove(pict);
    std::filesystem::remove(png);
  }
}

}  // namespace
