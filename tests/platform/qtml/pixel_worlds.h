// 32-bit off-screen worlds for tests that look at the pixels drawing left.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "QDOffscreen.h"

// The 0xAARRGGBB colour of the world's pixel (x, y), from its top-left.
inline uint32_t PixelAt(GWorldPtr world, int x, int y) {
  PixMapHandle pm = GetGWorldPixMap(world);
  auto* p = reinterpret_cast<const uint8_t*>(GetPixBaseAddr(pm)) + y * GetPixRowBytes(pm) + x * 4;
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Worlds made for one test, disposed of when it ends.
class TestWorlds {
 public:
  TestWorlds() = default;
  TestWorlds(const TestWorlds&) = delete;
  TestWorlds& operator=(const TestWorlds&) = delete;
  ~TestWorlds() { Clear(); }

  // A w × h world at (0, 0), every pixel `fill` (0: transparent black).
  GWorldPtr Make(short w, short h, uint32_t fill = 0) {
    GWorldPtr world = nullptr;
    Rect bounds{0, 0, h, w};
    EXPECT_EQ(NewGWorld(&world, 32, &bounds, nullptr, nullptr, 0), noErr);
    if (world == nullptr) return nullptr;
    worlds_.push_back(world);
    PixMapHandle pm = GetGWorldPixMap(world);
    for (int y = 0; y < h; ++y) {
      auto* row = reinterpret_cast<uint8_t*>(GetPixBaseAddr(pm)) + y * GetPixRowBytes(pm);
      for (int x = 0; x < w * 4; ++x) row[x] = static_cast<uint8_t>(fill >> (24 - 8 * (x % 4)));
    }
    return world;
  }
  void Keep(GWorldPtr world) { worlds_.push_back(world); }
  // Disposes of the worlds now (before a leak check, say).
  void Clear() {
    for (GWorldPtr world : worlds_) DisposeGWorld(world);
    worlds_.clear();
  }

 private:
  std::vector<GWorldPtr> worlds_;
};
