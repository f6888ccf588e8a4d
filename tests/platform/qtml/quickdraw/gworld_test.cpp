// GWorlds: pixel maps at each depth, fills, the current port, device
// contexts, and failures.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "QDOffscreen.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "offscreen_test.h"

namespace {

const RGBColor kRed = {0xFFFF, 0, 0};
const RGBColor kBlue = {0, 0, 0xFFFF};
const RGBColor kBlack = {0, 0, 0};

class GWorldTest : public OffscreenTest {
 protected:
  // Paints r in `color` on `world`, which becomes current.
  static void Paint(GWorldPtr world, const Rect& r, const RGBColor& color) {
    SetGWorld(world, nullptr);
    RGBForeColor(&color);
    PaintRect(&r);
  }
  static const unsigned char* Row(GWorldPtr world, int y) {
    PixMapHandle pm = GetGWorldPixMap(world);
    return reinterpret_cast<const unsigned char*>(GetPixBaseAddr(pm)) + y * GetPixRowBytes(pm);
  }
};

TEST_F(GWorldTest, ThirtyTwoBitWorldsAreZeroedARGB) {
  GWorldPtr world = Make(0, Rect{10, 20, 30, 60});  // depth 0 means 32
  ASSERT_NE(world, nullptr);
  PixMapHandle pm = GetGWorldPixMap(world);
  ASSERT_NE(pm, nullptr);
  EXPECT_EQ(GetPortPixMap(world), pm);
  EXPECT_EQ((**pm).pixelSize, 32);
  EXPECT_EQ((**pm).pixelFormat, static_cast<OSType>(k32ARGBPixelFormat));
  EXPECT_EQ((**pm).pixelType, RGBDirect);
  EXPECT_EQ((**pm).cmpCount, 3);
  EXPECT_EQ((**pm).rowBytes & 0x8000, 0x8000);
  EXPECT_EQ(GetPixRowBytes(pm), 160);
  Rect bounds;
  EXPECT_EQ(GetPortBounds(world, &bounds), &bounds);
  EXPECT_EQ(bounds.top, 10);
  EXPECT_EQ(bounds.right, 60);
  EXPECT_EQ(std::vector<unsigned char>(Row(world, 0), Row(world, 0) + 160),
            std::vector<unsigned char>(160, 0));

  Paint(world, Rect{11, 21, 12, 23}, kRed);  // local coordinates
  const unsigned char* row = Row(world, 1);
  EXPECT_EQ(std::vector<unsigned char>(row + 4, row + 12),
            (std::vector<unsigned char>{0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0}));
  EXPECT_EQ(row[0], 0);
  EXPECT_EQ(row[12], 0);
}

TEST_F(GWorldTest, FillsAtEveryDepth) {
  GWorldPtr sixteen = Make(16, Rect{0, 0, 2, 4});
  Paint(sixteen, Rect{0, 0, 1, 1}, kBlue);
  EXPECT_EQ(Row(sixteen, 0)[0], 0x00);  // 0 00000 00000 11111, big-endian
  EXPECT_EQ(Row(sixteen, 0)[1], 0x1F);
  EXPECT_EQ((**GetGWorldPixMap(sixteen)).pixelFormat, static_cast<OSType>(k16BE555PixelFormat));

  GWorldPtr twentyFour = Make(24, Rect{0, 0, 1, 3});
  Paint(twentyFour, Rect{0, 1, 1, 2}, kRed);
  EXPECT_EQ(std::vector<unsigned char>(Row(twentyFour, 0), Row(twentyFour, 0) + 9),
            (std::vector<unsigned char>{0, 0, 0, 0xFF, 0, 0, 0, 0, 0}));

  GWorldPtr eight = Make(8, Rect{0, 0, 1, 4});
  PixMapHandle pm8 = GetGWorldPixMap(eight);
  ASSERT_NE((**pm8).pmTable, nullptr);
  EXPECT_EQ((**(**pm8).pmTable).ctSize, 255);
  Paint(eight, Rect{0, 0, 1, 2}, kRed);
  EXPECT_EQ(Row(eight, 0)[0], 35);  // red in the standard 8-bit table
  Paint(eight, Rect{0, 2, 1, 3}, kBlack);
  EXPECT_EQ(Row(eight, 0)[2], 255);

  GWorldPtr one = Make(1, Rect{0, 0, 1, 16});
  Paint(one, Rect{0, 1, 1, 3}, kBlack);
  EXPECT_EQ(Row(one, 0)[0], 0x60);
  EXPECT_EQ(GetPixRowBytes(GetGWorldPixMap(one)), 4);
}

TEST_F(GWorldTest, EraseUsesTheBackgroundAndStaysInThePort) {
  GWorldPtr world = Make(32, Rect{0, 0, 2, 2});
  SetGWorld(world, nullptr);
  RGBBackColor(&kBlue);
  Rect beyond{-5, -5, 1, 10};
  EraseRect(&beyond);
  EXPECT_EQ(QDError(), noErr);
  EXPECT_EQ(std::vector<unsigned char>(Row(world, 0), Row(world, 0) + 8),
            (std::vector<unsigned char>{0xFF, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF}));
  EXPECT_EQ(Row(world, 1)[3], 0);
  RGBColor back{};
  GetBackColor(&back);
  EXPECT_EQ(back.blue, 0xFFFF);
}

TEST_F(GWorldTest, CurrentPortFollowsSetGWorldAndSurvivesDisposal) {
  GWorldPtr world = Make(32, Rect{0, 0, 4, 4});
  CGrafPtr screen = nullptr;
  GDHandle device = nullptr;
  GetGWorld(&screen, &device);
  SetGWorld(world, nullptr);
  CGrafPtr current = nullptr;
  GDHandle currentDevice = nullptr;
  GetGWorld(&current, &currentDevice);
  EXPECT_EQ(current, world);
  EXPECT_EQ(currentDevice, GetGWorldDevice(world));
  EXPECT_EQ((**currentDevice).gdPMap, GetGWorldPixMap(world));
  GrafPtr port = nullptr;
  GetPort(&port);
  EXPECT_EQ(port, world);

  DisposeGWorld(world);
  worlds_.clear();
  GetGWorld(&current, &currentDevice);
  EXPECT_EQ(current, screen);  // never a dangling port
  EXPECT_EQ(currentDevice, GetMainDevice());
  SetGWorld(world, nullptr);
  EXPECT_EQ(QDError(), paramErr);
  EXPECT_EQ(GetGWorldPixMap(world), nullptr);
}

TEST_F(GWorldTest, PixelsStateAndDeviceContexts) {
  GWorldPtr world = Make(32, Rect{0, 0, 4, 4});
  PixMapHandle pm = GetGWorldPixMap(world);
  EXPECT_EQ(GetPixelsState(pm) & pixelsLocked, 0u);
  EXPECT_TRUE(LockPixels(pm));
  EXPECT_EQ(GetPixelsState(pm) & pixelsLocked, static_cast<GWorldFlags>(pixelsLocked));
  UnlockPixels(pm);
  EXPECT_EQ(GetPixelsState(pm) & pixelsLocked, 0u);
  SetPixelsState(pm, pixelsLocked);
  EXPECT_EQ(GetPixelsState(pm), static_cast<GWorldFlags>(pixelsLocked));

  void* hdc = GetPortHDC(world);
  ASSERT_NE(hdc, nullptr);
  EXPECT_EQ(GetPortFromHDC(hdc), world);
  int unrelated = 0;
  EXPECT_EQ(GetPortFromHDC(&unrelated), nullptr);
  EXPECT_EQ(QDError(), paramErr);
}

TEST_F(GWorldTest, WorldsOverTheCallersPixels) {
  std::vector<unsigned char> pixels(2 * 16, 0);
  GWorldPtr world = nullptr;
  Rect bounds{0, 0, 2, 3};
  ASSERT_EQ(NewGWorldFromPtr(&world, k32ARGBPixelFormat, &bounds, nullptr, nullptr, 0,
                             reinterpret_cast<Ptr>(pixels.data()), 16),
            noErr);
  worlds_.push_back(world);
  Paint(world, Rect{1, 0, 2, 1}, kRed);
  EXPECT_EQ(pixels[16], 0xFF);
  EXPECT_EQ(pixels[17], 0xFF);
  EXPECT_EQ(NewGWorldFromPtr(&world, k32ARGBPixelFormat, &bounds, nullptr, nullptr, 0,
                             reinterpret_cast<Ptr>(pixels.data()), 8),
            paramErr);
}

TEST_F(GWorldTest, BadRequestsAndFailures) {
  GWorldPtr world = reinterpret_cast<GWorldPtr>(1);
  Rect bounds{0, 0, 10, 10};
  EXPECT_EQ(NewGWorld(&world, 7, &bounds, nullptr, nullptr, 0), cDepthErr);
  EXPECT_EQ(world, nullptr);
  Rect empty{0, 0, 0, 10};
  EXPECT_EQ(NewGWorld(&world, 32, &empty, nullptr, nullptr, 0), paramErr);
  EXPECT_EQ(QDError(), paramErr);
  for (long allowed = 0; allowed < 4; ++allowed) {
    QTMLTest_FailAllocations(allowed);
    OSErr err = NewGWorld(&world, 8, &bounds, nullptr, nullptr, 0);
    QTMLTest_ClearFaults();
    if (err == noErr) {
      DisposeGWorld(world);
      break;
    }
    EXPECT_EQ(err, memFullErr);
    EXPECT_EQ(world, nullptr);
  }
  QTMLTest_FailCall("LockPixels", 1, memFullErr);
  GWorldPtr ok = Make(32, bounds);
  EXPECT_FALSE(LockPixels(GetGWorldPixMap(ok)));
  EXPECT_EQ(QDError(), memFullErr);
}

}  // namespace
