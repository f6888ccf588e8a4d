// Boxes and clip regions of movies and tracks.
#include "movies/movie_regions.h"

#include <cmath>

#include "memory/memory.h"

namespace qtml {
namespace {

short Pin(double v) {
  if (v < -32767) return -32767;
  if (v > 32767) return 32767;
  return static_cast<short>(v);
}

}  // namespace

Rect RectOfFixed(const FixedRect& r) {
  constexpr double kOne = 65536.0;
  return Rect{Pin(std::floor(r.top / kOne)), Pin(std::floor(r.left / kOne)),
              Pin(std::ceil(r.bottom / kOne)), Pin(std::ceil(r.right / kOne))};
}

bool ClipShape(const std::vector<uint8_t>& clip, Shape* shape) {
  if (clip.empty()) return false;
  return ShapeOfBigEndianRegion(clip.data(), clip.size(), shape);
}

RgnHandle NewRegionHolding(const Shape& shape) {
  OSErr err = noErr;
  Handle h = NewHandleBytes(static_cast<Size>(kRegionHeaderSize), true, &err);
  if (h == nullptr) return nullptr;
  auto region = reinterpret_cast<RgnHandle>(h);
  (**region).rgnSize = static_cast<UInt16>(kRegionHeaderSize);
  OSErr stored;
  try {
    stored = StoreShape(region, shape);
  } catch (...) {
    FreeHandle(h);  // the shape's outline could not be built
    throw;
  }
  if (stored == memFullErr) {
    FreeHandle(h);
    return nullptr;
  }
  return region;
}

RgnHandle ClipToRegion(const std::vector<uint8_t>& clip, OSErr* err) {
  *err = noErr;
  Shape shape;
  if (!ClipShape(clip, &shape)) return nullptr;
  RgnHandle region = Guarded<RgnHandle>(nullptr, [&] { return NewRegionHolding(shape); });
  if (region == nullptr) *err = memFullErr;
  return region;
}

OSErr StoreClip(RgnHandle region, std::vector<uint8_t>* clip) {
  if (region == nullptr) {
    clip->clear();
    return noErr;
  }
  return Guarded<OSErr>(memFullErr, [&] {
    Shape shape;
    if (!ShapeOfRegion(region, &shape)) return paramErr;
    *clip = RegionBytesBigEndian(shape, false);
    return noErr;
  });
}

}  // namespace qtml
