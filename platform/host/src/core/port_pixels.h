// Reading and writing a QuickDraw port's pixels as 0xAARRGGBB through the
// engine's public pixel map, at depths 1, 8, 16, 24 and 32.
#pragma once

#include <cstdint>

#include "QDOffscreen.h"
#include "Quickdraw.h"

namespace fenra::host {

class PortPixels {
 public:
  explicit PortPixels(CGrafPtr port);
  bool Usable() const { return base_ != nullptr; }
  const Rect& Bounds() const { return bounds_; }
  // Coordinates are the port's own (bounds.left, bounds.top is the first).
  uint32_t Get(int h, int v) const;
  void Set(int h, int v, uint32_t argb);

 private:
  uint8_t* Row(int v) const { return base_ + static_cast<long>(v - bounds_.top) * rowBytes_; }
  uint8_t* base_ = nullptr;
  long rowBytes_ = 0;
  int depth_ = 0;
  Rect bounds_{0, 0, 0, 0};
  CTabHandle table_ = nullptr;
};

}  // namespace fenra::host
