#include "core/port_pixels.h"

namespace fenra::host {

PortPixels::PortPixels(CGrafPtr port) {
  if (port == nullptr) return;
  PixMapHandle pixMap = GetPortPixMap(port);
  if (pixMap == nullptr || *pixMap == nullptr) return;
  base_ = reinterpret_cast<uint8_t*>(GetPixBaseAddr(pixMap));
  rowBytes_ = GetPixRowBytes(pixMap);
  depth_ = (**pixMap).pixelSize;
  table_ = (**pixMap).pmTable;
  GetPortBounds(port, &bounds_);
}

uint32_t PortPixels::Get(int h, int v) const {
  if (base_ == nullptr || h < bounds_.left || h >= bounds_.right || v < bounds_.top ||
      v >= bounds_.bottom) {
    return 0;
  }
  const uint8_t* row = Row(v);
  int x = h - bounds_.left;
  switch (depth_) {
    case 32: {
      const uint8_t* p = row + x * 4;
      return 0xFF000000u | p[1] << 16 | p[2] << 8 | p[3];
    }
    case 24: {
      const uint8_t* p = row + x * 3;
      return 0xFF000000u | p[0] << 16 | p[1] << 8 | p[2];
    }
    case 16: {
      unsigned value = row[x * 2] << 8 | row[x * 2 + 1];
      auto five = [](unsigned c) { return (c << 3) | (c >> 2); };
      return 0xFF000000u | five((value >> 10) & 31) << 16 | five((value >> 5) & 31) << 8 |
             five(value & 31);
    }
    case 8: {
      unsigned index = row[x];
      if (table_ == nullptr || *table_ == nullptr || index > (unsigned)(**table_).ctSize) {
        return 0xFF000000u | index << 16 | index << 8 | index;
      }
      const RGBColor& c = (**table_).ctTable[index].rgb;
      return 0xFF000000u | (c.red >> 8) << 16 | (c.green >> 8) << 8 | (c.blue >> 8);
    }
    case 1:
      return (row[x / 8] >> (7 - x % 8)) & 1 ? 0xFF000000u : 0xFFFFFFFFu;
  }
  return 0;
}

void PortPixels::Set(int h, int v, uint32_t argb) {
  if (base_ == nullptr || h < bounds_.left || h >= bounds_.right || v < bounds_.top ||
      v >= bounds_.bottom) {
    return;
  }
  uint8_t* row = Row(v);
  int x = h - bounds_.left;
  uint8_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
  switch (depth_) {
    case 32:
      row[x * 4] = 0xFF;
      row[x * 4 + 1] = r;
      row[x * 4 + 2] = g;
      row[x * 4 + 3] = b;
      break;
    case 24:
      row[x * 3] = r;
      row[x * 3 + 1] = g;
      row[x * 3 + 2] = b;
      break;
    case 16: {
      unsigned value = (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
      row[x * 2] = static_cast<uint8_t>(value >> 8);
      row[x * 2 + 1] = static_cast<uint8_t>(value);
      break;
    }
    case 8: {
      // The nearest entry of the colour table.
      if (table_ == nullptr || *table_ == nullptr) break;
      long best = 0, bestDistance = -1;
      for (long i = 0; i <= (**table_).ctSize; ++i) {
        const RGBColor& c = (**table_).ctTable[i].rgb;
        long dr = (c.red >> 8) - r, dg = (c.green >> 8) - g, db = (c.blue >> 8) - b;
        long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) best = i, bestDistance = distance;
      }
      row[x] = static_cast<uint8_t>(best);
      break;
    }
    case 1: {
      bool dark = r * 30 + g * 59 + b * 11 < 12750;
      uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
      row[x / 8] = dark ? (row[x / 8] | bit) : (row[x / 8] & ~bit);
      break;
    }
  }
}

}  // namespace fenra::host
