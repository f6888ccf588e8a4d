// Native windows' ports and the gamma level of pixel maps, seen in the
// pixels a movie draws.
#include <gtest/gtest.h>

#include "ImageCompression.h"
#include "MacMemory.h"
#include "QDOffscreen.h"
#include "QTML.h"

namespace {

TEST(WindowPorts, AWindowIsKnownFromItsAssociationToItsEnd) {
  GWorldPtr window = nullptr;
  Rect bounds{0, 0, 4, 4};
  ASSERT_EQ(NewGWorld(&window, 32, &bounds, nullptr, nullptr, 0), noErr);
  EXPECT_EQ(GetNativeWindowPort(window), nullptr) << "not yet associated";
  EXPECT_EQ(CreatePortAssociation(window, nullptr, 0), reinterpret_cast<GrafPtr>(window));
  EXPECT_EQ(GetNativeWindowPort(window), reinterpret_cast<GrafPtr>(window));
  DestroyPortAssociation(window);
  EXPECT_EQ(QDError(), noErr);
  EXPECT_EQ(GetNativeWindowPort(window), nullptr);
  int notAWindow = 0;
  EXPECT_EQ(CreatePortAssociation(&notAWindow, nullptr, 0), nullptr);
  EXPECT_EQ(QDError(), paramErr);
  DisposeGWorld(window);
}

TEST(WindowPorts, GammaLevelsAreThePixelMapsAndChangeWhatIsDecompressedIntoThem) {
  GWorldPtr world = nullptr;
  Rect bounds{0, 0, 1, 1};
  ASSERT_EQ(NewGWorld(&world, 32, &bounds, nullptr, nullptr, 0), noErr);
  PixMapHandle pm = GetGWorldPixMap(world);
  EXPECT_EQ(QTGetPixMapHandleGammaLevel(pm), kQTCCIR601VideoGammaLevel);
  // A mid grey drawn at level 1.0 instead of 2.2 comes out lighter.
  uint8_t grey[4] = {0xFF, 0x80, 0x80, 0x80};
  ImageDescription desc{};
  desc.idSize = sizeof desc;
  desc.cType = kRawCodecType;
  desc.width = desc.height = 1;
  desc.depth = 32;
  ImageDescriptionPtr pointer = &desc;
  ASSERT_EQ(QTSetPixMapHandleRequestedGammaLevel(pm, 1 << 16), noErr);
  EXPECT_EQ(QTGetPixMapHandleGammaLevel(pm), 1 << 16);
  Fixed requested = 0;
  ASSERT_EQ(QTGetPixMapHandleRequestedGammaLevel(pm, &requested), noErr);
  EXPECT_EQ(requested, 1 << 16);
  EXPECT_EQ(QTSetPixMapHandleRequestedGammaLevel(pm, -1), paramErr);
  EXPECT_EQ(QTSetPixMapHandleRequestedGammaLevel(nullptr, 1 << 16), paramErr);
  // Images drawn by DecompressImage are not corrected: only movies are.
  ASSERT_EQ(DecompressImage(reinterpret_cast<Ptr>(grey), &pointer, pm, nullptr, &bounds, srcCopy,
                            nullptr),
            noErr);
  EXPECT_EQ(static_cast<uint8_t*>(static_cast<void*>(GetPixBaseAddr(pm)))[1], 0x80);
  DisposeGWorld(world);
}

}  // namespace
