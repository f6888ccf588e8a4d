// CopyBits, CopyMask and CopyDeepMask: copying pixels between maps of any
// depth, scaled by nearest pixel, through a transfer mode, a mask map, a
// mask region and the destination port's clip.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/api_call.h"

#include "quickdraw/drawing.h"
#include "memory/memory.h"
#include "quickdraw/pixels.h"
#include "quickdraw/port.h"
#include "quickdraw/regions.h"
#include "quickdraw/transfer_modes.h"

namespace qtml {
namespace {

constexpr short kPixMapFlag = static_cast<short>(0x8000);

// A map argument: the pixel map it names and the port that owns it, if
// any.
struct MapArg {
  PixMap map{};
  Port* port = nullptr;
};

bool SupportedDepth(int depth) {
  return depth == 1 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

// A BitMap argument may be a port's own pixel map (maybe without pixels),
// another PixMap (rowBytes flagged) or a plain 1-bit BitMap.
bool ReadMap(const BitMap* bits, MapArg* arg) {
  if (bits == nullptr) return false;
  auto owner = reinterpret_cast<uintptr_t>(bits) - offsetof(Port, pixMap);
  arg->port = PortFromGrafPtr(reinterpret_cast<GrafPtr>(owner));
  if (arg->port != nullptr) {
    arg->map = arg->port->pixMap;
  } else if (bits->baseAddr == nullptr) {
    return false;
  } else if ((bits->rowBytes & kPixMapFlag) != 0) {
    arg->map = *reinterpret_cast<const PixMap*>(bits);
  } else {
    arg->map.baseAddr = bits->baseAddr;
    arg->map.rowBytes = bits->rowBytes;
    arg->map.bounds = bits->bounds;
    arg->map.pixelSize = 1;
  }
  return SupportedDepth(arg->map.pixelSize) && !IsEmpty(arg->map.bounds);
}

// Maps destination coordinates onto a source rectangle, nearest pixel:
// the source pixel under the centre of the destination pixel.
class Scaler {
 public:
  Scaler(const Rect& from, const Rect& to) : from_(from), to_(to) {}
  int X(int x) const { return Map(x, to_.left, to_.right, from_.left, from_.right); }
  int Y(int y) const { return Map(y, to_.top, to_.bottom, from_.top, from_.bottom); }

 private:
  static int Map(int v, int toStart, int toEnd, int fromStart, int fromEnd) {
    long span = toEnd - toStart;
    return fromStart +
           static_cast<int>(((2L * (v - toStart) + 1) * (fromEnd - fromStart)) / (2 * span));
  }
  Rect from_;
  Rect to_;
};

// Reads source pixels, from a copy of them when the source and the
// destination share pixels (so that overlapping copies read what was
// there before).
class Source {
 public:
  Source(const PixMap& map, const Rect& area, bool snapshot)
      : map_(map), area_(Intersect(area, map.bounds)) {
    if (!snapshot || IsEmpty(area_)) return;
    width_ = area_.right - area_.left;
    copy_.resize(static_cast<size_t>(width_) * static_cast<size_t>(area_.bottom - area_.top));
    for (int y = area_.top; y < area_.bottom; ++y) {
      for (int x = area_.left; x < area_.right; ++x) copy_[Index(x, y)] = GetPixel(map_, x, y);
    }
  }
  bool Has(int x, int y) const {
    return x >= area_.left && x < area_.right && y >= area_.top && y < area_.bottom;
  }
  Argb At(int x, int y) const { return copy_.empty() ? GetPixel(map_, x, y) : copy_[Index(x, y)]; }

 private:
  size_t Index(int x, int y) const {
    return static_cast<size_t>(y - area_.top) * static_cast<size_t>(width_) +
           static_cast<size_t>(x - area_.left);
  }
  const PixMap& map_;
  Rect area_;
  int width_ = 0;
  std::vector<Argb> copy_;
};

// Writes destination pixels, diffusing each pixel's rounding error onto
// its unwritten neighbours (Floyd and Steinberg's weights 7, 3, 5, 1 in
// sixteenths) when dithering.
class Writer {
 public:
  Writer(const PixMap& map, bool dither) : map_(map), dither_(dither) {
    if (!dither_) return;
    width_ = map.bounds.right - map.bounds.left;
    for (auto& row : rows_) row.assign(static_cast<size_t>(width_ + 2) * 3, 0);
  }

  void Put(int x, int y, Argb color) {
    if (!dither_) return SetPixel(map_, x, y, color);
    if (y != row_) NextRow(y);
    int* here = &rows_[0][Slot(x)];
    int wanted[3];
    Argb pinned = 0xFF000000u & color;
    for (int c = 0; c < 3; ++c) {
      int shift = 16 - 8 * c;
      wanted[c] = std::clamp(static_cast<int>((color >> shift) & 0xFF) + here[c] / 16, 0, 255);
      pinned |= static_cast<Argb>(wanted[c]) << shift;
    }
    SetPixel(map_, x, y, pinned);
    Argb got = GetPixel(map_, x, y);
    for (int c = 0; c < 3; ++c) {
      int error = wanted[c] - static_cast<int>((got >> (16 - 8 * c)) & 0xFF);
      here[3 + c] += error * 7;
      rows_[1][Slot(x) - 3 + c] += error * 3;
      rows_[1][Slot(x) + c] += error * 5;
      rows_[1][Slot(x) + 3 + c] += error;
    }
  }

 private:
  // The error slots of column x (one spare column on each side).
  size_t Slot(int x) const { return static_cast<size_t>(x - map_.bounds.left + 1) * 3; }
  void NextRow(int y) {
    if (y == row_ + 1) {
      std::swap(rows_[0], rows_[1]);
    } else {
      std::fill(rows_[0].begin(), rows_[0].end(), 0);
    }
    std::fill(rows_[1].begin(), rows_[1].end(), 0);
    row_ = y;
  }

  const PixMap& map_;
  bool dither_;
  int width_ = 0;
  int row_ = -100000;
  std::array<std::vector<int>, 2> rows_;  // this row's errors, the next row's
};

int ColorCount(const PixMap& map) {
  return map.pixelSize >= 24 ? 24 : map.pixelSize == 16 ? 15 : map.pixelSize;
}

// Arithmetic modes onto a 1-bit map act as the boolean modes QuickDraw
// names for them.
int ModeForDestination(int mode, const PixMap& dst) {
  if (dst.pixelSize != 1) return mode;
  switch (mode & ~ditherCopy) {
    case blend:
      return srcCopy;
    case addPin:
    case addMax:
      return srcBic;
    case addOver:
    case hilite:
      return srcXor;
    case subPin:
    case subOver:
    case adMin:
      return srcOr;
    default:
      return mode;
  }
}

bool Dithers(int mode, const PixMap& src, const PixMap& dst) {
  return mode >= 0 && mode < 128 && (mode & ditherCopy) != 0 && ColorCount(dst) < ColorCount(src);
}

// A colour as a map of this depth stores it, as transparent compares.
Argb AsStoredIn(const PixMap& map, Argb color) {
  uint8_t pixel[4] = {};
  PixMap one = map;
  one.baseAddr = reinterpret_cast<Ptr>(pixel);
  one.rowBytes = static_cast<short>(kPixMapFlag | 4);
  one.bounds = Rect{0, 0, 1, 1};
  SetPixel(one, 0, 0, color);
  return GetPixel(one, 0, 0);
}

RGBColor RGBOf(Argb c) {
  return RGBColor{static_cast<unsigned short>(((c >> 16) & 0xFF) * 257),
                  static_cast<unsigned short>(((c >> 8) & 0xFF) * 257),
                  static_cast<unsigned short>((c & 0xFF) * 257)};
}

// Mixes `drawn` over `old` channel by channel by how dark the mask is.
Argb ThroughMask(Argb old, Argb drawn, Argb mask) {
  ArgbPixel o = PixelFromArgb(old), d = PixelFromArgb(drawn), m = PixelFromArgb(mask);
  auto mix = [](int from, int to, int keep) {
    return static_cast<uint8_t>(from +
                                ((to - from) * (255 - keep) + (to >= from ? 127 : -127)) / 255);
  };
  int maskAlpha = (m.r + m.g + m.b) / 3;
  return ArgbFromPixel(ArgbPixel{mix(o.a, d.a, maskAlpha), mix(o.r, d.r, m.r), mix(o.g, d.g, m.g),
                                 mix(o.b, d.b, m.b)});
}

struct Transfer {
  const BitMap* srcBits;
  const BitMap* maskBits;  // nil: no mask map
  const BitMap* dstBits;
  const Rect* srcRect;
  const Rect* maskRect;
  const Rect* dstRect;
  int mode;
  RgnHandle maskRgn;
};

// The destination pixels the transfer may change.
bool Reach(const Transfer& t, const MapArg& dst, Shape* area) {
  *area = Shape::FromRect(Intersect(*t.dstRect, dst.map.bounds));
  if (dst.port != nullptr) {
    *area = Shape::Combine(*area, DrawableShape(*dst.port), Shape::Op::kIntersect);
  }
  if (t.maskRgn == nullptr) return true;
  Shape mask;
  if (!ShapeOfRegion(t.maskRgn, &mask)) return false;
  *area = Shape::Combine(*area, mask, Shape::Op::kIntersect);
  return true;
}

bool SameSize(const Rect& a, const Rect& b) {
  return a.right - a.left == b.right - b.left && a.bottom - a.top == b.bottom - b.top;
}

// A copy of 32-bit pixels between rectangles of one size: what the pixel
// loop below does for it, a span at a time.
void CopyRows(const PixMap& src, const Rect& srcRect, const PixMap& dst, const Rect& dstRect,
              const Shape& area) {
  int dx = srcRect.left - dstRect.left, dy = srcRect.top - dstRect.top;
  Rect held = Intersect(srcRect, src.bounds);
  Rect reach{static_cast<short>(held.top - dy), static_cast<short>(held.left - dx),
             static_cast<short>(held.bottom - dy), static_cast<short>(held.right - dx)};
  Shape spans = Shape::Combine(area, Shape::FromRect(reach), Shape::Op::kIntersect);
  const long srcRow = src.rowBytes & 0x3FFF, dstRow = dst.rowBytes & 0x3FFF;
  const auto* from = reinterpret_cast<const uint8_t*>(src.baseAddr);
  auto* to = reinterpret_cast<uint8_t*>(dst.baseAddr);
  for (const Shape::Band& band : spans.bands()) {
    for (int y = band.top; y < band.bottom; ++y) {
      for (size_t k = 0; k + 1 < band.xs.size(); k += 2) {
        int x0 = band.xs[k], x1 = band.xs[k + 1];
        std::memcpy(to + (y - dst.bounds.top) * dstRow + (x0 - dst.bounds.left) * 4,
                    from + (y + dy - src.bounds.top) * srcRow + (x0 + dx - src.bounds.left) * 4,
                    static_cast<size_t>(x1 - x0) * 4);
      }
    }
  }
}

OSErr Run(const Transfer& t) {
  MapArg src, dst, mask;
  if (t.srcRect == nullptr || t.dstRect == nullptr || !ReadMap(t.srcBits, &src) ||
      !ReadMap(t.dstBits, &dst)) {
    return paramErr;
  }
  if (t.maskBits != nullptr && (t.maskRect == nullptr || !ReadMap(t.maskBits, &mask))) {
    return paramErr;
  }
  // Drawing on a map without pixels changes nothing; reading it reads white.
  if (IsEmpty(*t.srcRect) || IsEmpty(*t.dstRect) || dst.map.baseAddr == nullptr) return noErr;
  if (t.maskBits != nullptr && IsEmpty(*t.maskRect)) return noErr;
  Shape area;
  if (!Reach(t, dst, &area)) return paramErr;

  TransferColors colors = PortColors(*CurrentPort());
  int mode = ModeForDestination(t.mode, dst.map);
  if ((mode & ~ditherCopy) == transparent) {
    colors.back = RGBOf(AsStoredIn(src.map, ArgbFromRGB(colors.back)));
  }
  bool copies = IsPlainCopy(mode, colors);
  if (copies && t.maskBits == nullptr && src.map.pixelSize == 32 && dst.map.pixelSize == 32 &&
      src.map.baseAddr != dst.map.baseAddr && SameSize(*t.srcRect, *t.dstRect)) {
    CopyRows(src.map, *t.srcRect, dst.map, *t.dstRect, area);
    return noErr;
  }
  Source source(src.map, *t.srcRect, src.map.baseAddr == dst.map.baseAddr);
  Writer writer(dst.map, Dithers(mode, src.map, dst.map));
  Scaler toSource(*t.srcRect, *t.dstRect);
  Scaler toMask(t.maskRect != nullptr ? *t.maskRect : *t.srcRect, *t.dstRect);
  Rect maskArea = t.maskBits != nullptr ? Intersect(*t.maskRect, mask.map.bounds) : Rect{};
  ForEachPixel(area, [&](int x, int y) {
    int sx = toSource.X(x), sy = toSource.Y(y);
    if (!source.Has(sx, sy)) return;
    Argb color = source.At(sx, sy);
    Argb old = copies && t.maskBits == nullptr ? 0 : GetPixel(dst.map, x, y);
    if (!copies) color = TransferArgb(mode, color, old, colors);
    if (t.maskBits != nullptr) {
      int mx = toMask.X(x), my = toMask.Y(y);
      if (mx < maskArea.left || mx >= maskArea.right || my < maskArea.top ||
          my >= maskArea.bottom) {
        return;
      }
      color = ThroughMask(old, color, GetPixel(mask.map, mx, my));
    }
    writer.Put(x, y, color);
  });
  return noErr;
}

OSErr RunGuarded(const Transfer& t) {
  return Guarded<OSErr>(memFullErr, [&] { return Run(t); });
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::SetQDError;

extern "C" {

const BitMap* GetPortBitMapForCopyBits(CGrafPtr port) try {
  ApiCall call("GetPortBitMapForCopyBits", port);
  if (OSErr fault = call.Fault()) {
    SetQDError(fault);
    return call.Return<const BitMap*>(nullptr);
  }
  qtml::Port* target = qtml::PortFromGrafPtr(port);
  SetQDError(target != nullptr ? noErr : paramErr);
  return call.Return(target != nullptr ? reinterpret_cast<const BitMap*>(&target->pixMap)
                                       : nullptr);
} catch (...) {
  return qtml::Escaped<const BitMap*>();
}

void CopyBits(const BitMap* srcBits, const BitMap* dstBits, const Rect* srcRect,
              const Rect* dstRect, short mode, RgnHandle maskRgn) try {
  ApiCall call("CopyBits", srcBits, dstBits, srcRect, dstRect, mode, maskRgn);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::RunGuarded(
      qtml::Transfer{srcBits, nullptr, dstBits, srcRect, nullptr, dstRect, mode, maskRgn}));
} catch (...) {
  return qtml::Escaped<void>();
}

void CopyMask(const BitMap* srcBits, const BitMap* maskBits, const BitMap* dstBits,
              const Rect* srcRect, const Rect* maskRect, const Rect* dstRect) try {
  ApiCall call("CopyMask", srcBits, maskBits, dstBits, srcRect, maskRect, dstRect);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  if (maskBits == nullptr) return SetQDError(paramErr);
  SetQDError(qtml::RunGuarded(
      qtml::Transfer{srcBits, maskBits, dstBits, srcRect, maskRect, dstRect, srcCopy, nullptr}));
} catch (...) {
  return qtml::Escaped<void>();
}

void CopyDeepMask(const BitMap* srcBits, const BitMap* maskBits, const BitMap* dstBits,
                  const Rect* srcRect, const Rect* maskRect, const Rect* dstRect, short mode,
                  RgnHandle maskRgn) try {
  ApiCall call("CopyDeepMask", srcBits, maskBits, dstBits, srcRect, maskRect, dstRect, mode,
               maskRgn);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  if (maskBits == nullptr) return SetQDError(paramErr);
  SetQDError(qtml::RunGuarded(
      qtml::Transfer{srcBits, maskBits, dstBits, srcRect, maskRect, dstRect, mode, maskRgn}));
} catch (...) {
  return qtml::Escaped<void>();
}

}  // extern "C"
