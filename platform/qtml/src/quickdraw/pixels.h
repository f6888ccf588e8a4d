// Reading and writing the pixels of a pixel map at any depth the engine
// offers, through 8-bit-per-channel colours 0xAARRGGBB.
#pragma once

#include <cstdint>

#include "Quickdraw.h"

namespace qtml {

using Argb = uint32_t;

inline Argb ArgbFromRGB(const RGBColor& color) {
  return 0xFF000000u | static_cast<Argb>(color.red >> 8) << 16 |
         static_cast<Argb>(color.green >> 8) << 8 | static_cast<Argb>(color.blue >> 8);
}

constexpr Argb kWhite = 0xFFFFFFFFu;

// x and y are in the pixel map's local coordinates (its bounds); the
// caller keeps them inside the bounds. Pixel maps without pixels read
// white and ignore writes.
Argb GetPixel(const PixMap& map, int x, int y);
void SetPixel(const PixMap& map, int x, int y, Argb color);

// Fills the part of `r` inside the pixel map's bounds.
void FillPixels(const PixMap& map, const Rect& r, Argb color);

// The intersection of two rects; empty (right <= left or bottom <= top)
// when they do not meet.
Rect Intersect(const Rect& a, const Rect& b);
inline bool IsEmpty(const Rect& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

// Forgets remembered colour lookups; called when a colour table goes away.
void ForgetColorLookups();

// The standard colour table of an indexed depth (1 or 8 bits): a new
// handle the caller owns, or nullptr when memory is short.
CTabHandle NewStandardColorTable(int depth);

}  // namespace qtml
