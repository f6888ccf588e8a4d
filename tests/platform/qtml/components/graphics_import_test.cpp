// Graphics importers reading image files that FFmpeg and the engine write,
// and drawing their pixels into worlds: natural bounds, scaling onto a
// bounds rectangle, clipping, and the errors of bad files and bad calls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ImageCompression.h"
#include "Movies.h"
#include "QuickTimeComponents.h"
#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "components/image_files.h"
#include "pixel_worlds.h"
#include "quickdraw/picture.h"
#include "scratch_dir_test.h"

namespace {

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu,
                   kWhite = 0xFFFFFFFFu, kGrey = 0xFF808080u;
constexpr int kW = 32, kH = 16;

// Red, green / blue, white quadrants.
uint32_t Quadrants(int x, int y) {
  if (y < kH / 2) return x < kW / 2 ? kRed : kGreen;
  return x < kW / 2 ? kBlue : kWhite;
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift <= 16; shift += 8) {
    int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(d) > tolerance) return false;
  }
  return true;
}

class GraphicsImportTest : public ScratchDirTest {
 protected:
  GraphicsImportTest() : ScratchDirTest("qtml-graphics-import-") {}
  void TearDown() override {
    worlds_.Clear();
    ScratchDirTest::TearDown();
  }

  FSSpec Spec(const std::string& name) const {
    FSSpec spec{};
    std::string path = Path(name);
    NativePathNameToFSSpec(path.data(), &spec, 0);
    return spec;
  }
  ComponentInstance Open(const std::string& name) {
    FSSpec spec = Spec(name);
    ComponentInstance gi = nullptr;
    EXPECT_EQ(GetGraphicsImporterForFile(&spec, &gi), noErr) << name;
    return gi;
  }
  // The quadrants as a PICT file the engine writes.
  void WritePict(const std::string& name) {
    GWorldPtr world = worlds_.Make(kW, kH);
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) Paint(world, x, y, Quadrants(x, y));
    }
    CGrafPtr saved = nullptr;
    GDHandle savedDevice = nullptr;
    GetGWorld(&saved, &savedDevice);
    SetGWorld(world, nullptr);
    Rect frame{0, 0, kH, kW};
    PicHandle picture = OpenPicture(&frame);
    ClosePicture();
    SetGWorld(saved, savedDevice);
    ASSERT_EQ(qtml::WritePictFile(Path(name).c_str(), picture), noErr);
    KillPicture(picture);
  }
  static void Paint(GWorldPtr world, int x, int y, uint32_t c) {
    PixMapHandle pm = GetGWorldPixMap(world);
    auto* p = reinterpret_cast<uint8_t*>(GetPixBaseAddr(pm)) + y * GetPixRowBytes(pm) + x * 4;
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(c >> (24 - 8 * i));
  }

  TestWorlds worlds_;
};

TEST_F(GraphicsImportTest, EachFormatDrawsItsPixels) {
  struct Format {
    const char* file;
    AVCodecID codec;  // AV_CODEC_ID_NONE: a PICT the engine writes
    int tolerance;
  } const kFormats[] = {
      {"q.png", AV_CODEC_ID_PNG, 0},         {"q.jpg", AV_CODEC_ID_MJPEG, 6},
      {"q.bmp", AV_CODEC_ID_BMP, 0},         {"q.tif", AV_CODEC_ID_TIFF, 0},
      {"q.gif", AV_CODEC_ID_GIF, 0},         {"q.pict", AV_CODEC_ID_NONE, 0},
      {"png-named.dat", AV_CODEC_ID_PNG, 0},
  };
  for (const Format& format : kFormats) {
    SCOPED_TRACE(format.file);
    if (format.codec == AV_CODEC_ID_NONE) {
      WritePict(format.file);
    } else {
      ASSERT_TRUE(WriteImageFile(Path(format.file), format.codec, kW, kH, Quadrants));
    }
    ComponentInstance gi = Open(format.file);
    ASSERT_NE(gi, nullptr);
    Rect natural{};
    ASSERT_EQ(GraphicsImportGetNaturalBounds(gi, &natural), noErr);
    EXPECT_EQ(natural.left, 0);
    EXPECT_EQ(natural.top, 0);
    EXPECT_EQ(natural.right, kW);
    EXPECT_EQ(natural.bottom, kH);
    GWorldPtr world = worlds_.Make(kW, kH, kGrey);
    ASSERT_EQ(GraphicsImportSetGWorld(gi, world, nullptr), noErr);
    ASSERT_EQ(GraphicsImportDraw(gi), noErr);
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        ASSERT_TRUE(Near(PixelAt(world, x, y), Quadrants(x, y), format.tolerance))
            << x << "," << y << " " << std::hex << PixelAt(world, x, y);
      }
    }
    EXPECT_EQ(CloseComponent(gi), noErr);
  }
}

TEST_F(GraphicsImportTest, DrawsScaledOntoItsBoundsInsideTheClip) {
  ASSERT_TRUE(WriteImageFile(Path("q.png"), AV_CODEC_ID_PNG, kW, kH, Quadrants));
  ComponentInstance gi = Open("q.png");
  Rect bounds{};
  ASSERT_EQ(GraphicsImportGetBoundsRect(gi, &bounds), noErr);
  EXPECT_EQ(bounds.right, kW);
  // Twice the size, moved to (4, 2), into the current port (none set).
  GWorldPtr world = worlds_.Make(80, 40, kGrey);
  Rect target{2, 4, 2 + 2 * kH, 4 + 2 * kW};
  ASSERT_EQ(GraphicsImportSetBoundsRect(gi, &target), noErr);
  CGrafPtr saved = nullptr;
  GDHandle savedDevice = nullptr;
  GetGWorld(&saved, &savedDevice);
  SetGWorld(world, nullptr);
  RgnHandle clip = NewRgn();
  Rect left{0, 0, 40, 40};  // the right half of the image stays outside
  RectRgn(clip, &left);
  SetClip(clip);
  EXPECT_EQ(GraphicsImportDraw(gi), noErr);
  ClipRect(&left);
  SetGWorld(saved, savedDevice);
  DisposeRgn(clip);

  EXPECT_EQ(PixelAt(world, 3, 1), kGrey);
  EXPECT_EQ(PixelAt(world, 4, 2), kRed);
  EXPECT_EQ(PixelAt(world, 20, 10), kRed);
  EXPECT_EQ(PixelAt(world, 20, 28), kBlue);
  EXPECT_EQ(PixelAt(world, 38, 8), kGreen);
  EXPECT_EQ(PixelAt(world, 39, 33), kWhite);
  EXPECT_EQ(PixelAt(world, 20, 34), kGrey);  // below the bounds
  EXPECT_EQ(PixelAt(world, 44, 8), kGrey);   // green, but clipped
  CGrafPtr port = reinterpret_cast<CGrafPtr>(1);
  ASSERT_EQ(GraphicsImportGetGWorld(gi, &port, nullptr), noErr);
  EXPECT_EQ(port, nullptr);
  CloseComponent(gi);
}

TEST_F(GraphicsImportTest, BadFilesAndCallsAnswerErrors) {
  // A PNG signature with nothing after it: found by content, unreadable.
  Write("broken.png", std::string("\x89PNG\r\n\x1a\n", 8) + "garbage");
  ComponentInstance gi = Open("broken.png");
  ASSERT_NE(gi, nullptr);
  Rect natural{1, 1, 1, 1};
  EXPECT_EQ(GraphicsImportGetNaturalBounds(gi, &natural), codecErr);
  EXPECT_EQ(natural.right, 0);
  GWorldPtr world = worlds_.Make(4, 4, kGrey);
  GraphicsImportSetGWorld(gi, world, nullptr);
  EXPECT_EQ(GraphicsImportDraw(gi), codecErr);
  EXPECT_EQ(PixelAt(world, 0, 0), kGrey);
  Rect empty{0, 0, 0, 0};
  EXPECT_EQ(GraphicsImportSetBoundsRect(gi, &empty), paramErr);
  EXPECT_EQ(GraphicsImportSetGWorld(gi, reinterpret_cast<CGrafPtr>(8), nullptr), paramErr);
  EXPECT_EQ(GraphicsImportGetNaturalBounds(gi, nullptr), paramErr);
  EXPECT_EQ(CallComponentCanDo(gi, kGraphicsImportDrawSelect), 1);
  CloseComponent(gi);
  EXPECT_EQ(GraphicsImportDraw(gi), badComponentInstance);

  // A port disposed of after it was set is not drawn into.
  ASSERT_TRUE(WriteImageFile(Path("q.bmp"), AV_CODEC_ID_BMP, kW, kH, Quadrants));
  gi = Open("q.bmp");
  GWorldPtr gone = nullptr;
  Rect bounds{0, 0, kH, kW};
  ASSERT_EQ(NewGWorld(&gone, 32, &bounds, nullptr, nullptr, 0), noErr);
  GraphicsImportSetGWorld(gi, gone, nullptr);
  DisposeGWorld(gone);
  EXPECT_EQ(GraphicsImportDraw(gi), paramErr);
  CloseComponent(gi);

  // Another kind of component does not take the calls.
  ComponentInstance importer = OpenDefaultComponent(MovieImportType, 'MooV');
  ASSERT_NE(importer, nullptr);
  EXPECT_EQ(GraphicsImportDraw(importer), badComponentSelector);
  CloseComponent(importer);
}

TEST_F(GraphicsImportTest, FailuresInjectedLeaveNothingBehind) {
  ASSERT_TRUE(WriteImageFile(Path("q.gif"), AV_CODEC_ID_GIF, kW, kH, Quadrants));
  GWorldPtr world = worlds_.Make(kW, kH, kGrey);
  for (long n = 0; n < 200; ++n) {
    ComponentInstance gi = Open("q.gif");
    ASSERT_NE(gi, nullptr);
    GraphicsImportSetGWorld(gi, world, nullptr);
    QTMLTest_FailAllocations(n);
    ComponentResult result = GraphicsImportDraw(gi);
    QTMLTest_FailAllocations(-1);
    CloseComponent(gi);
    if (result == noErr) {
      EXPECT_EQ(PixelAt(world, 0, 0), kRed);
      return;
    }
    EXPECT_EQ(result, memFullErr);
  }
  FAIL() << "never drew with allocations allowed";
}

}  // namespace
