// QuickDraw's transfer modes, one pixel at a time: how a source pixel and
// the destination pixel under it combine into the destination's new
// colour. CopyBits and drawing through a matrix both go through here.
//
// Channels are 8 bits; the 16-bit channels of an RGBColor are reduced to
// their high byte. Alpha (a) is 0 for transparent and 255 for opaque.
#pragma once

#include <cstdint>

#include "Quickdraw.h"
#include "quickdraw/pixels.h"

namespace qtml {

struct ArgbPixel {
  uint8_t a, r, g, b;
  bool operator==(const ArgbPixel&) const = default;
};

inline ArgbPixel PixelFromArgb(Argb c) {
  return ArgbPixel{static_cast<uint8_t>(c >> 24), static_cast<uint8_t>(c >> 16),
                   static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)};
}
inline Argb ArgbFromPixel(ArgbPixel p) {
  return static_cast<Argb>(p.a) << 24 | static_cast<Argb>(p.r) << 16 | static_cast<Argb>(p.g) << 8 |
         p.b;
}

// The colours a port lends to the modes that use them.
struct TransferColors {
  RGBColor op;      // OpColor: blend weights, pin limits, alpha tints
  RGBColor fore;    // RGBForeColor: colours the source's dark pixels
  RGBColor back;    // RGBBackColor: colours light pixels; transparent's key
  RGBColor hilite;  // the highlight colour that hilite swaps with back
};

// The given op colour with a port's default colours: black foreground,
// white background, light blue highlight.
TransferColors DefaultTransferColors(const RGBColor& opColor);

// The destination's new colour under `mode` (any QuickDraw transfer mode
// or QuickTime graphics mode; ditherCopy and the pattern modes act as the
// source mode they stand for; unknown modes copy).
ArgbPixel TransferPixel(int mode, ArgbPixel src, ArgbPixel dst, const TransferColors& colors);

// As above with a black foreground and white background, for callers that
// have only an op colour (QuickTime's graphics modes). For `transparent`
// the op colour is the colour that does not draw, as QuickTime's graphics
// modes take it.
ArgbPixel TransferPixel(int mode, ArgbPixel src, ArgbPixel dst, const RGBColor& opColor);

// The same on packed 0xAARRGGBB colours.
inline Argb TransferArgb(int mode, Argb src, Argb dst, const TransferColors& colors) {
  return ArgbFromPixel(TransferPixel(mode, PixelFromArgb(src), PixelFromArgb(dst), colors));
}
inline Argb TransferArgb(int mode, Argb src, Argb dst, const RGBColor& opColor) {
  return ArgbFromPixel(TransferPixel(mode, PixelFromArgb(src), PixelFromArgb(dst), opColor));
}

// True when the mode leaves every destination pixel as the source's copy
// (so a caller may skip reading the destination).
bool IsPlainCopy(int mode, const TransferColors& colors);

}  // namespace qtml
