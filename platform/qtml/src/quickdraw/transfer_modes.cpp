#include "quickdraw/transfer_modes.h"

#include <algorithm>

namespace qtml {
namespace {

// Channels as ints in 0..255, so that sums and differences do not wrap
// before the mode says they should.
struct Channels {
  int r, g, b;
};

Channels Of(ArgbPixel p) {
  return Channels{p.r, p.g, p.b};
}
Channels Of(const RGBColor& c) {
  return Channels{c.red >> 8, c.green >> 8, c.blue >> 8};
}
uint8_t Clamp(int v) {
  return static_cast<uint8_t>(std::clamp(v, 0, 255));
}
ArgbPixel Make(uint8_t a, Channels c) {
  return ArgbPixel{a, Clamp(c.r), Clamp(c.g), Clamp(c.b)};
}

// Applies f to each of the three colour channels.
template <typename F>
Channels Each(Channels s, Channels d, F f) {
  return Channels{f(s.r, d.r, 0), f(s.g, d.g, 1), f(s.b, d.b, 2)};
}

int Pick(const Channels& c, int channel) {
  return channel == 0 ? c.r : channel == 1 ? c.g : c.b;
}
int Pick16(const RGBColor& c, int channel) {
  return channel == 0 ? c.red : channel == 1 ? c.green : c.blue;
}

// x * w / 255, rounded half away from zero.
int Scale255(int x, int w) {
  return x >= 0 ? (x * w + 127) / 255 : -((-x * w + 127) / 255);
}

// from + (to - from) * amount / 255, rounded: `amount` of `to` over `from`.
int Mix(int from, int to, int amount) {
  return from + ((to - from) * amount + (to >= from ? 127 : -127)) / 255;
}

bool SameColor(ArgbPixel p, const RGBColor& c) {
  Channels k = Of(c);
  return p.r == k.r && p.g == k.g && p.b == k.b;
}

// Colour QuickDraw's source modes colour the source as they go: how dark a
// source channel is (255 - s) says how much foreground colour it brings,
// how light it is (s) how much background colour. With the default black
// foreground and white background these reduce to the bit operations of
// black-and-white QuickDraw, where black is "set".
ArgbPixel SourceMode(int mode, ArgbPixel src, ArgbPixel dst, const TransferColors& colors) {
  Channels fore = Of(colors.fore), back = Of(colors.back);
  bool inverted = mode >= notSrcCopy;
  // The amount of "set" in each channel of the (possibly inverted) source.
  auto set = [&](int s) { return inverted ? s : 255 - s; };
  Channels s = Of(src), d = Of(dst);
  switch (mode & 3) {
    case srcCopy:  // fore * set + back * (1 - set)
      return Make(src.a, Each(s, d, [&](int sc, int, int c) {
                    return Mix(Pick(back, c), Pick(fore, c), set(sc));
                  }));
    case srcOr:  // dst + (fore - dst) * set
      return Make(dst.a, Each(s, d, [&](int sc, int dc, int c) {
                    return Mix(dc, Pick(fore, c), set(sc));
                  }));
    case srcXor:  // a direct pixel's complement where the source is set
      return Make(dst.a, Each(s, d, [&](int sc, int dc, int) { return dc ^ set(sc); }));
    default:  // srcBic: dst + (back - dst) * set
      return Make(dst.a, Each(s, d, [&](int sc, int dc, int c) {
                    return Mix(dc, Pick(back, c), set(sc));
                  }));
  }
}

// The arithmetic modes work channel by channel on the colour; the
// destination keeps its alpha.
ArgbPixel ArithmeticMode(int mode, ArgbPixel src, ArgbPixel dst, const TransferColors& colors) {
  Channels s = Of(src), d = Of(dst), op = Of(colors.op);
  switch (mode) {
    case blend:  // src * w + dst * (1 - w), w = opColor / 65535 per channel
      return Make(dst.a, Each(s, d, [&](int sc, int dc, int c) {
                    int w = Pick16(colors.op, c);
                    return (sc * w + dc * (65535 - w) + 32767) / 65535;
                  }));
    case addPin:  // min(src + dst, opColor)
      return Make(
          dst.a, Each(s, d, [&](int sc, int dc, int c) { return std::min(sc + dc, Pick(op, c)); }));
    case addOver:  // (src + dst) mod 256
      return Make(dst.a, Each(s, d, [](int sc, int dc, int) { return (sc + dc) & 0xFF; }));
    case subPin:  // max(dst - src, opColor)
      return Make(
          dst.a, Each(s, d, [&](int sc, int dc, int c) { return std::max(dc - sc, Pick(op, c)); }));
    case addMax:  // max(src, dst)
      return Make(dst.a, Each(s, d, [](int sc, int dc, int) { return std::max(sc, dc); }));
    case subOver:  // (dst - src) mod 256
      return Make(dst.a, Each(s, d, [](int sc, int dc, int) { return (dc - sc) & 0xFF; }));
    default:  // adMin: min(src, dst)
      return Make(dst.a, Each(s, d, [](int sc, int dc, int) { return std::min(sc, dc); }));
  }
}

// Where the source is dark, destination pixels of the background colour
// take the highlight colour and those of the highlight colour take the
// background colour; everything else stays.
ArgbPixel Hilite(ArgbPixel src, ArgbPixel dst, const TransferColors& colors) {
  int luminance = (src.r * 30 + src.g * 59 + src.b * 11) / 100;
  if (luminance >= 128) return dst;
  if (SameColor(dst, colors.back)) return Make(dst.a, Of(colors.hilite));
  if (SameColor(dst, colors.hilite)) return Make(dst.a, Of(colors.back));
  return dst;
}

// The alpha modes of QuickTime. With a = source alpha / 255:
//   straight alpha        out = src * a + dst * (1 - a)
//   premultiplied white   out = src + (dst - 255) * (1 - a)
//     (the source is src' * a + white * (1 - a): take the white out, blend)
//   premultiplied black   out = src + dst * (1 - a)
//   premultiplied colour  out = src + (dst - opColor) * (1 - a)
//   straight alpha blend  as straight alpha with a * opColor / 65535 per
//                         channel
// The result's alpha is the source's laid over the destination's:
// a + dstAlpha * (1 - a).
ArgbPixel AlphaMode(int mode, ArgbPixel src, ArgbPixel dst, const TransferColors& colors) {
  int a = src.a;
  int rest = 255 - a;
  auto alpha = static_cast<uint8_t>(a + Scale255(dst.a, rest));
  Channels s = Of(src), d = Of(dst), op = Of(colors.op);
  switch (mode) {
    case graphicsModeStraightAlpha:
      return Make(alpha, Each(s, d, [&](int sc, int dc, int) { return Mix(dc, sc, a); }));
    case graphicsModePreWhiteAlpha:
      return Make(alpha,
                  Each(s, d, [&](int sc, int dc, int) { return sc + Scale255(dc - 255, rest); }));
    case graphicsModePreBlackAlpha:
      return Make(alpha, Each(s, d, [&](int sc, int dc, int) { return sc + Scale255(dc, rest); }));
    case graphicsModePreMulColorAlpha:
      return Make(alpha, Each(s, d, [&](int sc, int dc, int c) {
                    return sc + Scale255(dc - Pick(op, c), rest);
                  }));
    default:  // graphicsModeStraightAlphaBlend
      return Make(alpha, Each(s, d, [&](int sc, int dc, int c) {
                    int weight = (a * Pick16(colors.op, c) + 32767) / 65535;
                    return Mix(dc, sc, weight);
                  }));
  }
}

// The mode a combined value stands for: ditherCopy added to a QuickDraw
// mode asks for dithering on top of it, and a pattern mode acts on a
// source as the source mode with its number.
int BaseMode(int mode) {
  if (mode >= 0 && mode < 128 && (mode & ditherCopy) != 0) mode &= ~ditherCopy;
  if (mode >= patCopy && mode <= notPatBic) mode -= patCopy;
  return mode;
}

}  // namespace

TransferColors DefaultTransferColors(const RGBColor& opColor) {
  return TransferColors{opColor, RGBColor{0, 0, 0}, RGBColor{0xFFFF, 0xFFFF, 0xFFFF},
                        RGBColor{0xCCCC, 0xCCCC, 0xFFFF}};
}

ArgbPixel TransferPixel(int mode, ArgbPixel src, ArgbPixel dst, const TransferColors& colors) {
  mode = BaseMode(mode);
  if (mode >= srcCopy && mode <= notSrcBic) return SourceMode(mode, src, dst, colors);
  if (mode >= blend && mode <= adMin && mode != transparent) {
    return ArithmeticMode(mode, src, dst, colors);
  }
  if (mode == transparent) return SameColor(src, colors.back) ? dst : src;
  if (mode == hilite) return Hilite(src, dst, colors);
  if (mode >= graphicsModeStraightAlpha && mode <= graphicsModePreMulColorAlpha &&
      mode != graphicsModeComposition) {
    return AlphaMode(mode, src, dst, colors);
  }
  // Copy, composition (a track drawn off-screen, then copied) and modes
  // this engine does not know.
  return src;
}

ArgbPixel TransferPixel(int mode, ArgbPixel src, ArgbPixel dst, const RGBColor& opColor) {
  TransferColors colors = DefaultTransferColors(opColor);
  // QuickTime's graphics modes name the colour that does not draw with
  // the op colour.
  if (BaseMode(mode) == transparent) colors.back = opColor;
  return TransferPixel(mode, src, dst, colors);
}

bool IsPlainCopy(int mode, const TransferColors& colors) {
  mode = BaseMode(mode);
  bool copies = mode == srcCopy || mode == graphicsModeComposition;
  bool plainColors = SameColor(ArgbPixel{255, 0, 0, 0}, colors.fore) &&
                     SameColor(ArgbPixel{255, 255, 255, 255}, colors.back);
  return copies && plainColors;
}

}  // namespace qtml
