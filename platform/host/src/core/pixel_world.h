// Pixels between QuickDraw ports and the host's 32-bit pictures. The host
// converts no pixel itself: it keeps 32-bit pixels in worlds of the
// engine's k32ARGB layout and lets CopyBits carry them to and from ports
// of any depth, so a port reads and takes colours exactly as the engine
// converts them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "QDOffscreen.h"
#include "Quickdraw.h"

namespace fenra::host {

class Picture;

// The host's own work with the engine, out of the plugin's sight. While
// one lives the engine's call trace is paused, so a test tracing a plugin
// call sees what the plugin asked rather than how the host served it; and
// `current`, when given, is the current port, so that CopyBits and
// drawing use its default colours (black on white) instead of whatever
// colours the plugin left in its own port. Both come back when it goes.
class HostDrawing {
 public:
  explicit HostDrawing(GWorldPtr current = nullptr);
  ~HostDrawing();
  HostDrawing(const HostDrawing&) = delete;
  HostDrawing& operator=(const HostDrawing&) = delete;

 private:
  bool tracing_;
  CGrafPtr savedPort_ = nullptr;
  GDHandle savedDevice_ = nullptr;
  bool switched_ = false;
};

// 32-bit pixels the engine draws on and copies from: a GWorld made over
// memory this object owns, laid out as k32ARGB (bytes A, R, G, B). New
// pixels are zero. Unusable when the engine refuses the world: empty
// bounds, or a row longer than kMaxWidth pixels.
class PixelWorld {
 public:
  // A pixel map's row length is 14 bits (QuickDraw's rowBytes below
  // 0x4000), so a 32-bit row holds at most this many pixels.
  static constexpr int kMaxWidth = 4095;

  // `bounds` are the world's own coordinates, as CopyBits reads them.
  explicit PixelWorld(const Rect& bounds);
  ~PixelWorld();
  PixelWorld(const PixelWorld&) = delete;
  PixelWorld& operator=(const PixelWorld&) = delete;

  bool Usable() const { return world_ != nullptr; }
  GWorldPtr World() const { return world_; }
  const Rect& Bounds() const { return bounds_; }
  // 0xAARRGGBB; x and y lie inside the bounds.
  uint32_t Get(int x, int y) const;
  // The pixels of row y (inside the bounds), big-endian ARGB.
  const uint8_t* Row(int y) const { return bytes_.data() + Offset(bounds_.left, y); }
  void Set(int x, int y, uint32_t argb);
  // Sets pixels [left, right) of row y (inside the bounds).
  void FillRow(int y, int left, int right, uint32_t argb);
  // Sets pixels [left, right) of row y from host pixels (0xAARRGGBB words),
  // every one opaque.
  void SetRow(int y, int left, int right, const uint32_t* argb);

 private:
  size_t Offset(int x, int y) const {
    return static_cast<size_t>(y - bounds_.top) * rowBytes_ +
           static_cast<size_t>(x - bounds_.left) * 4;
  }
  Rect bounds_;
  size_t rowBytes_;
  std::vector<uint8_t> bytes_;
  GWorldPtr world_ = nullptr;
};

// Columns [left, right) of the picture in a world whose bounds are their
// place in the picture, every pixel opaque. Null when the world cannot be
// made.
std::unique_ptr<PixelWorld> WorldOfPicture(const Picture& picture, int left, int right);

// A new picture of the world's pixels, opaque: QuickDraw leaves the alpha
// byte of 32-bit pixels undefined. It carries one reference.
Picture* PictureOfWorld(const PixelWorld& world);

// A 32-bit copy of a port's pixels (a GWorld, a window's port) at any
// depth the engine offers. Null when the port has no pixels.
Picture* PictureFromPort(CGrafPtr port);

// Draws the picture onto `bounds` of the port, scaled by nearest pixel and
// converted to the port's depth as CopyBits converts; the picture's alpha
// is ignored (its pixels replace the port's), and the drawing stays inside
// the port's rectangle and clip region. False when nothing could be drawn.
bool DrawPictureInPort(const Picture& picture, CGrafPtr port, const Rect& bounds);

}  // namespace fenra::host
