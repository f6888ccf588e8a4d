#include "core/pixel_world.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "QTMLTestControls.h"
#include "core/objects.h"

namespace fenra::host {
namespace {

static_assert(std::endian::native == std::endian::little,
              "pixels are packed as little-endian words");

constexpr uint32_t kOpaque = 0xFF000000u;
// QuickDraw's coordinates are 16-bit.
constexpr int kMaxSide = 32767;

Rect WholeOf(const Picture& picture) {
  return Rect{0, 0, static_cast<short>(picture.Height()), static_cast<short>(picture.Width())};
}

}  // namespace

HostDrawing::HostDrawing(GWorldPtr current) : tracing_(QTMLTest_TraceIsOn() != 0) {
  QTMLTest_SetTrace(false);
  if (current == nullptr) return;
  GetGWorld(&savedPort_, &savedDevice_);
  SetGWorld(current, nullptr);
  switched_ = true;
}

HostDrawing::~HostDrawing() {
  if (switched_) SetGWorld(savedPort_, savedDevice_);
  QTMLTest_SetTrace(tracing_);
}

PixelWorld::PixelWorld(const Rect& bounds) : bounds_(bounds), rowBytes_(0) {
  int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  if (width <= 0 || height <= 0 || width > kMaxWidth) return;
  rowBytes_ = static_cast<size_t>(width) * 4;
  bytes_.assign(rowBytes_ * static_cast<size_t>(height), 0);
  HostDrawing quiet;
  if (NewGWorldFromPtr(&world_, k32ARGBPixelFormat, &bounds_, nullptr, nullptr, 0,
                       reinterpret_cast<Ptr>(bytes_.data()),
                       static_cast<long>(rowBytes_)) != noErr) {
    world_ = nullptr;
  }
}

PixelWorld::~PixelWorld() {
  if (world_ == nullptr) return;
  HostDrawing quiet;
  DisposeGWorld(world_);
}

uint32_t PixelWorld::Get(int x, int y) const {
  const uint8_t* p = bytes_.data() + Offset(x, y);
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void PixelWorld::Set(int x, int y, uint32_t argb) {
  uint8_t* p = bytes_.data() + Offset(x, y);
  p[0] = static_cast<uint8_t>(argb >> 24);
  p[1] = static_cast<uint8_t>(argb >> 16);
  p[2] = static_cast<uint8_t>(argb >> 8);
  p[3] = static_cast<uint8_t>(argb);
}

void PixelWorld::FillRow(int y, int left, int right, uint32_t argb) {
  uint8_t* p = bytes_.data() + Offset(left, y);
  const uint8_t pixel[4] = {static_cast<uint8_t>(argb >> 24), static_cast<uint8_t>(argb >> 16),
                            static_cast<uint8_t>(argb >> 8), static_cast<uint8_t>(argb)};
  for (int x = left; x < right; ++x, p += 4) std::memcpy(p, pixel, 4);
}

void PixelWorld::SetRow(int y, int left, int right, const uint32_t* argb) {
  uint8_t* p = bytes_.data() + Offset(left, y);
  for (int x = left; x < right; ++x, p += 4) {
    // The word's bytes reversed (A, R, G, B in memory), alpha set.
    const uint32_t word = __builtin_bswap32(kOpaque | argb[x - left]);
    std::memcpy(p, &word, 4);
  }
}

std::unique_ptr<PixelWorld> WorldOfPicture(const Picture& picture, int left, int right) {
  if (picture.Width() > kMaxSide || picture.Height() > kMaxSide) return nullptr;
  Rect bounds{0, static_cast<short>(left), static_cast<short>(picture.Height()),
              static_cast<short>(right)};
  auto world = std::make_unique<PixelWorld>(bounds);
  if (!world->Usable()) return nullptr;
  for (int y = 0; y < picture.Height(); ++y) {
    world->SetRow(y, left, right, picture.Data() + static_cast<size_t>(y) * picture.Width() + left);
  }
  return world;
}

namespace {

// 32-bit big-endian ARGB pixels, as ports and worlds keep them, read
// straight into a picture.
Picture* PictureOfPixels(const uint8_t* base, long rowBytes, const Rect& bounds,
                         const Rect& portBounds) {
  auto* picture =
      new Picture(bounds.right - bounds.left, bounds.bottom - bounds.top, 32, Picture::Unset{});
  const int width = picture->Width();
  for (int y = 0; y < picture->Height(); ++y) {
    const uint8_t* p =
        base + (bounds.top + y - portBounds.top) * rowBytes + (bounds.left - portBounds.left) * 4;
    uint32_t* out = &picture->Pixel(0, y);
    for (int x = 0; x < width; ++x) {
      // Bytes A, R, G, B read as one little-endian word, R, G and B moved to their
      // places (shifts, which every vector unit has).
      uint32_t word;
      std::memcpy(&word, p + static_cast<size_t>(x) * 4, 4);
      uint32_t rgb = (word << 8 & 0xFF0000u) | (word >> 8 & 0xFF00u) | word >> 24;
      out[x] = kOpaque | rgb;
    }
  }
  return picture;
}

}  // namespace

Picture* PictureOfWorld(const PixelWorld& world) {
  const Rect& bounds = world.Bounds();
  long rowBytes = static_cast<long>(bounds.right - bounds.left) * 4;
  return PictureOfPixels(world.Row(bounds.top), rowBytes, bounds, bounds);
}

Picture* PictureFromPort(CGrafPtr port) {
  if (port == nullptr) return nullptr;
  Rect bounds{0, 0, 0, 0};
  const BitMap* source = nullptr;
  {
    HostDrawing quiet;
    PixMapHandle map = GetPortPixMap(port);
    if (map == nullptr || GetPixBaseAddr(map) == nullptr) return nullptr;
    GetPortBounds(port, &bounds);
    source = GetPortBitMapForCopyBits(port);
    // Pixels of 32 bits need no conversion: they are read as they are.
    Rect mapBounds = (**map).bounds;
    Rect inside;
    if ((**map).pixelSize == 32 && SectRect(&bounds, &mapBounds, &inside) &&
        EqualRect(&inside, &bounds)) {
      return PictureOfPixels(reinterpret_cast<const uint8_t*>(GetPixBaseAddr(map)),
                             GetPixRowBytes(map), bounds, mapBounds);
    }
  }
  PixelWorld copy(bounds);
  if (source == nullptr || !copy.Usable()) return nullptr;
  {
    HostDrawing scope(copy.World());
    CopyBits(source, GetPortBitMapForCopyBits(copy.World()), &bounds, &bounds, srcCopy, nullptr);
    if (QDError() != noErr) return nullptr;
  }
  return PictureOfWorld(copy);
}

// A world holds at most kMaxWidth columns, so a wider picture goes over in
// strips of columns. Each strip's world has the strip's place in the
// picture as its bounds, and every strip is copied from the whole
// picture's rectangle: CopyBits maps each destination pixel into that
// rectangle and draws those whose source pixel the strip holds, so the
// strips together draw what one copy of the whole picture would.
bool DrawPictureInPort(const Picture& picture, CGrafPtr port, const Rect& bounds) {
  if (port == nullptr || picture.Width() == 0 || picture.Height() == 0 ||
      picture.Width() > kMaxSide || picture.Height() > kMaxSide) {
    return false;
  }
  const BitMap* target = nullptr;
  {
    HostDrawing quiet;
    target = GetPortBitMapForCopyBits(port);
  }
  if (target == nullptr) return false;
  Rect whole = WholeOf(picture);
  for (int left = 0; left < picture.Width(); left += PixelWorld::kMaxWidth) {
    int right = std::min(picture.Width(), left + PixelWorld::kMaxWidth);
    std::unique_ptr<PixelWorld> strip = WorldOfPicture(picture, left, right);
    if (strip == nullptr) return false;
    HostDrawing scope(strip->World());
    CopyBits(GetPortBitMapForCopyBits(strip->World()), target, &whole, &bounds, srcCopy, nullptr);
    if (QDError() != noErr) return false;
  }
  return true;
}

}  // namespace fenra::host
