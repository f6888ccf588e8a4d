#include "quickdraw/matrix_copy.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "quickdraw/drawing.h"
#include "quickdraw/matrix.h"
#include "memory/memory.h"
#include "quickdraw/pixels.h"
#include "quickdraw/transfer_modes.h"

namespace qtml {
namespace {

// A 3×3 matrix of reals in the row-vector convention of MatrixRecord.
struct Real3x3 {
  double m[3][3];
};

Real3x3 RealMatrix(const MatrixRecord& matrix) {
  Real3x3 r;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) r.m[i][j] = ElementValue(matrix, i, j);
  }
  return r;
}

bool InvertReal(const Real3x3& a, Real3x3& inverse) {
  const auto& m = a.m;
  double det = m[0][0] * (m[1][1] * m[2][2] - m[2][1] * m[1][2]) -
               m[1][0] * (m[0][1] * m[2][2] - m[2][1] * m[0][2]) +
               m[2][0] * (m[0][1] * m[1][2] - m[1][1] * m[0][2]);
  if (det == 0.0 || !std::isfinite(det)) return false;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      // The cofactor of (j, i), its sign carried by the cyclic indices.
      int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
      inverse.m[i][j] = (m[r0][c0] * m[r1][c1] - m[r0][c1] * m[r1][c0]) / det;
    }
  }
  return true;
}

// Maps (x, y); false when the point goes to infinity or behind the eye.
bool MapReal(const Real3x3& r, double x, double y, double& outX, double& outY) {
  double w = x * r.m[0][2] + y * r.m[1][2] + r.m[2][2];
  if (!(w > 1e-12)) return false;
  outX = (x * r.m[0][0] + y * r.m[1][0] + r.m[2][0]) / w;
  outY = (x * r.m[0][1] + y * r.m[1][1] + r.m[2][1]) / w;
  return true;
}

// The destination pixels that the source can reach: the bounding box of
// its mapped corners, or everything when a corner does not map.
Rect ReachableArea(const Real3x3& forward, const Rect& source, const Rect& bounds) {
  const double xs[] = {double(source.left), double(source.right)};
  const double ys[] = {double(source.top), double(source.bottom)};
  double left = HUGE_VAL, top = HUGE_VAL, right = -HUGE_VAL, bottom = -HUGE_VAL;
  for (double x : xs) {
    for (double y : ys) {
      double mx = 0, my = 0;
      if (!MapReal(forward, x, y, mx, my)) return bounds;
      left = std::min(left, mx);
      right = std::max(right, mx);
      top = std::min(top, my);
      bottom = std::max(bottom, my);
    }
  }
  auto clampShort = [](double v) { return static_cast<short>(std::clamp(v, -32768.0, 32767.0)); };
  Rect area{clampShort(std::floor(top)), clampShort(std::floor(left)),
            clampShort(std::ceil(bottom)), clampShort(std::ceil(right))};
  return Intersect(area, bounds);
}

// The destination pixels that may change: those the source reaches that
// the port lets drawing change and the mask holds. False for a mask that
// is not a region. May throw std::bad_alloc.
bool DrawableArea(const Rect& reachable, const Port& port, RgnHandle mask, Shape* area) {
  *area = Shape::Combine(Shape::FromRect(reachable), DrawableShape(port), Shape::Op::kIntersect);
  if (mask == nullptr) return true;
  Shape maskShape;
  if (!ShapeOfRegion(mask, &maskShape)) return false;
  *area = Shape::Combine(*area, maskShape, Shape::Op::kIntersect);
  return true;
}

unsigned Channel(Argb color, int shift) {
  return (color >> shift) & 0xFF;
}

// The source colour at (u, v), pixel centres being at whole numbers:
// bilinear between the four nearest pixels, the edges of `area` extended.
Argb Sample(const PixMap& src, const Rect& area, double u, double v) {
  u = std::clamp(u, double(area.left), double(area.right - 1));
  v = std::clamp(v, double(area.top), double(area.bottom - 1));
  int x0 = static_cast<int>(std::floor(u)), y0 = static_cast<int>(std::floor(v));
  double wx = u - x0, wy = v - y0;
  if (wx == 0 && wy == 0) return GetPixel(src, x0, y0);
  int x1 = std::min(x0 + 1, area.right - 1), y1 = std::min(y0 + 1, area.bottom - 1);
  Argb c00 = GetPixel(src, x0, y0), c10 = GetPixel(src, x1, y0);
  Argb c01 = GetPixel(src, x0, y1), c11 = GetPixel(src, x1, y1);
  Argb result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    double top = Channel(c00, shift) * (1 - wx) + Channel(c10, shift) * wx;
    double bottom = Channel(c01, shift) * (1 - wx) + Channel(c11, shift) * wx;
    auto mixed = static_cast<Argb>(top * (1 - wy) + bottom * wy + 0.5);
    result |= std::min<Argb>(mixed, 0xFF) << shift;
  }
  return result;
}

// Whether the matrix only scales and moves (no rotation, skew or
// perspective), as when a frame is fitted into a box.
bool AxisAligned(const Real3x3& r) {
  return r.m[0][1] == 0 && r.m[1][0] == 0 && r.m[0][2] == 0 && r.m[1][2] == 0 && r.m[2][2] == 1 &&
         r.m[0][0] > 0 && r.m[1][1] > 0;
}

uint32_t Load32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

void Store32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

// Where one destination column or row samples the source: the two pixels
// either side and the weight of the second, in 1/256.
struct Tap {
  int a;
  int b;
  uint32_t w;
};

std::vector<Tap> Taps(int from, int to, double scale, double offset, int low, int high) {
  std::vector<Tap> taps;
  taps.reserve(static_cast<size_t>(std::max(0, to - from)));
  for (int d = from; d < to; ++d) {
    double u = std::clamp((d + 0.5 - offset) / scale - 0.5, double(low), double(high - 1));
    int a = static_cast<int>(std::floor(u));
    auto w = static_cast<uint32_t>(std::lround((u - a) * 256));
    if (w == 256) {
      ++a;
      w = 0;
    }
    taps.push_back(Tap{a, std::min(a + 1, high - 1), w});
  }
  return taps;
}

uint32_t Mix(uint32_t a, uint32_t b, uint32_t w) {
  if (w == 0) return a;
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    out |= ((ca * (256 - w) + cb * w + 128) >> 8) << shift;
  }
  return out;
}

// 32-bit pixels copied through a matrix that only scales and moves: the
// same pixels the general path gives (bilinear, edges extended; exact
// for whole-pixel moves), a span at a time.
void CopyAxisAligned(const PixMap& src, const Rect& source, const PixMap& target,
                     const Real3x3& forward, const Shape& area) {
  const double sx = forward.m[0][0], sy = forward.m[1][1];
  const double tx = forward.m[2][0], ty = forward.m[2][1];
  const long srcRow = src.rowBytes & 0x3FFF, dstRow = target.rowBytes & 0x3FFF;
  const auto* srcBase = reinterpret_cast<const uint8_t*>(src.baseAddr);
  auto* dstBase = reinterpret_cast<uint8_t*>(target.baseAddr);
  Rect bounds = area.Bounds();
  std::vector<Tap> columns = Taps(bounds.left, bounds.right, sx, tx, source.left, source.right);
  const bool whole = sx == 1 && sy == 1 && tx == std::floor(tx) && ty == std::floor(ty);
  for (const Shape::Band& band : area.bands()) {
    for (int y = band.top; y < band.bottom; ++y) {
      double v =
          std::clamp((y + 0.5 - ty) / sy - 0.5, double(source.top), double(source.bottom - 1));
      int ya = static_cast<int>(std::floor(v));
      auto wy = static_cast<uint32_t>(std::lround((v - ya) * 256));
      if (wy == 256) {
        ++ya;
        wy = 0;
      }
      int yb = std::min(ya + 1, source.bottom - 1);
      const uint8_t* rowA = srcBase + (ya - src.bounds.top) * srcRow;
      const uint8_t* rowB = srcBase + (yb - src.bounds.top) * srcRow;
      uint8_t* out = dstBase + (y - target.bounds.top) * dstRow;
      for (size_t k = 0; k + 1 < band.xs.size(); k += 2) {
        int x0 = band.xs[k], x1 = band.xs[k + 1];
        if (whole) {
          int u0 = x0 - static_cast<int>(tx);
          std::memcpy(out + (x0 - target.bounds.left) * 4, rowA + (u0 - src.bounds.left) * 4,
                      static_cast<size_t>(x1 - x0) * 4);
          continue;
        }
        for (int x = x0; x < x1; ++x) {
          const Tap& c = columns[static_cast<size_t>(x - bounds.left)];
          int ia = (c.a - src.bounds.left) * 4, ib = (c.b - src.bounds.left) * 4;
          uint32_t top = Mix(Load32(rowA + ia), Load32(rowA + ib), c.w);
          uint32_t color =
              wy == 0 ? top : Mix(top, Mix(Load32(rowB + ia), Load32(rowB + ib), c.w), wy);
          Store32(out + (x - target.bounds.left) * 4, color);
        }
      }
    }
  }
}

OSErr DrawThroughMatrix(const PixMap& src, const Rect& srcRect, Port& dst,
                        const MatrixRecord* matrix, short mode, const RGBColor& opColor,
                        RgnHandle mask) {
  if (src.baseAddr == nullptr) return paramErr;
  Rect source = Intersect(srcRect, src.bounds);
  if (IsEmpty(source)) return noErr;
  Real3x3 forward = RealMatrix(matrix != nullptr ? *matrix : IdentityMatrix());
  Real3x3 backward;
  if (!InvertReal(forward, backward)) return noErr;
  const PixMap& target = dst.pixMap;
  Shape area;
  if (!DrawableArea(ReachableArea(forward, source, target.bounds), dst, mask, &area)) {
    return paramErr;
  }
  bool copies = IsPlainCopy(mode, DefaultTransferColors(opColor));
  if (copies && src.pixelSize == 32 && target.pixelSize == 32 && AxisAligned(forward) &&
      !area.IsEmpty()) {
    // Destination pixels whose centres map back outside the source stay.
    Rect inside = area.Bounds();
    double left = forward.m[0][0] * source.left + forward.m[2][0];
    double right = forward.m[0][0] * source.right + forward.m[2][0];
    double top = forward.m[1][1] * source.top + forward.m[2][1];
    double bottom = forward.m[1][1] * source.bottom + forward.m[2][1];
    auto edge = [](double v) {
      return static_cast<short>(std::clamp(std::ceil(v - 0.5), -32768.0, 32767.0));
    };
    Rect covered{edge(top), edge(left), edge(bottom), edge(right)};
    Shape spans =
        Shape::Combine(area, Shape::FromRect(Intersect(inside, covered)), Shape::Op::kIntersect);
    CopyAxisAligned(src, source, target, forward, spans);
    return noErr;
  }
  ForEachPixel(area, [&](int x, int y) {
    double u = 0, v = 0;
    if (!MapReal(backward, x + 0.5, y + 0.5, u, v)) return;
    if (u < source.left || u >= source.right || v < source.top || v >= source.bottom) return;
    Argb color = Sample(src, source, u - 0.5, v - 0.5);
    if (!copies) color = TransferArgb(mode, color, GetPixel(target, x, y), opColor);
    SetPixel(target, x, y, color);
  });
  return noErr;
}

}  // namespace

OSErr DrawPixMapThroughMatrix(const PixMap& src, const Rect& srcRect, Port& dst,
                              const MatrixRecord* matrix, short mode, const RGBColor& opColor,
                              RgnHandle mask) noexcept {
  return Guarded<OSErr>(memFullErr, [&] {
    return DrawThroughMatrix(src, srcRect, dst, matrix, mode, opColor, mask);
  });
}

bool DrawsAsPlainCopy(const Rect& image, const Port& dst, const MatrixRecord* matrix, short mode,
                      const RGBColor& opColor, RgnHandle mask, Point* at) noexcept {
  return Guarded<bool>(false, [&] {
    if (!IsPlainCopy(mode, DefaultTransferColors(opColor)) || dst.pixMap.pixelSize != 32 ||
        IsEmpty(image)) {
      return false;
    }
    const Real3x3 f = RealMatrix(matrix != nullptr ? *matrix : IdentityMatrix());
    const double tx = f.m[2][0], ty = f.m[2][1];
    if (f.m[0][0] != 1 || f.m[1][1] != 1 || f.m[0][1] != 0 || f.m[1][0] != 0 || f.m[0][2] != 0 ||
        f.m[1][2] != 0 || f.m[2][2] != 1 || tx != std::floor(tx) || ty != std::floor(ty)) {
      return false;
    }
    const double left = image.left + tx, top = image.top + ty;
    const double right = image.right + tx, bottom = image.bottom + ty;
    if (left < -32768 || top < -32768 || right > 32767 || bottom > 32767) return false;
    const Rect placed{static_cast<short>(top), static_cast<short>(left), static_cast<short>(bottom),
                      static_cast<short>(right)};
    Shape area;
    if (!DrawableArea(placed, dst, mask, &area) || !(area == Shape::FromRect(placed))) {
      return false;
    }
    at->h = placed.left;
    at->v = placed.top;
    return true;
  });
}

}  // namespace qtml
