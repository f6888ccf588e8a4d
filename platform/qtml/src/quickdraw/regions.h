// Regions as the engine works on them: sets of pixels kept as horizontal
// bands of spans, with the set algebra QuickDraw's region calls need, and
// the conversion to and from the bytes an RgnHandle holds.
//
// An RgnHandle holds a MacRegion record (rgnSize, rgnBBox) and, unless the
// region is empty or a rectangle (rgnSize 10), QuickDraw's scan-line data
// in the machine's byte order: for each line where the region changes,
// the line's y, then the x of every inversion point on it in increasing
// order, then 0x7FFF; after the last line another 0x7FFF. A pixel (x, y)
// is inside when an odd number of inversion points lie at or above y and
// at or left of x. Coordinates are 16-bit and never reach 0x7FFF.
#pragma once

#include <cstdint>
#include <vector>

#include "MacErrors.h"
#include "MacTypes.h"
#include "Quickdraw.h"

namespace qtml {

// Region data larger than rgnSize can count is refused (regionTooBigErr).
constexpr long kMaxRegionBytes = 0xFFFF;
constexpr size_t kRegionHeaderSize = 10;

class Shape {
 public:
  // Rows [top, bottom) covered by the spans [xs[0], xs[1]), [xs[2], xs[3]),
  // ... (sorted, disjoint, not touching).
  struct Band {
    int top;
    int bottom;
    std::vector<int> xs;
  };
  enum class Op { kUnion, kIntersect, kDifference, kXor };

  Shape() = default;
  // The pixels of r; empty for an empty rect.
  static Shape FromRect(const Rect& r);
  // Row y = top + i covers [spans[i].first, spans[i].second) (empty when
  // second <= first).
  static Shape FromRows(int top, const std::vector<std::pair<int, int>>& spans);

  bool IsEmpty() const { return bands_.empty(); }
  bool IsRectangular() const { return bands_.size() == 1 && bands_[0].xs.size() == 2; }
  // The smallest rect holding every pixel; all zeros when empty.
  Rect Bounds() const;
  bool Contains(int x, int y) const;
  // True when some pixel of r is inside.
  bool Touches(const Rect& r) const;
  const std::vector<Band>& bands() const { return bands_; }

  static Shape Combine(const Shape& a, const Shape& b, Op op);
  // Moves every pixel by (dh, dv); coordinates are pinned to 16 bits.
  Shape Offset(int dh, int dv) const;
  // Shrinks by dh on the left and right and dv at the top and bottom
  // (a pixel stays when every pixel within dh across and dv down or up of
  // it is inside); negative amounts grow the shape.
  Shape Inset(int dh, int dv) const;

  bool operator==(const Shape& other) const;

  // Adds a band below the last (the shape's builders keep it canonical).
  void AppendBand(int top, int bottom, std::vector<int> xs);

 private:
  Shape Dilated(int dh, int dv) const;
  Shape Eroded(int dh, int dv) const;
  Shape ShiftedRows(int dv) const;

  std::vector<Band> bands_;
};

// The pixels of the oval inscribed in r, QuickDraw's way: a row holds the
// pixels whose centres lie inside the ellipse, widened where needed so
// that every row has a pixel and the widest rows reach r's sides.
Shape OvalShape(const Rect& r);
// A rectangle with corners rounded by ovals ovalWidth by ovalHeight.
Shape RoundRectShape(const Rect& r, int ovalWidth, int ovalHeight);

// Reads a region handle's pixels; false (shape empty) for a handle that is
// not a live region.
bool ShapeOfRegion(RgnHandle region, Shape* shape);
// True for a live handle big enough to be a region.
bool IsRegion(RgnHandle region);
// The bytes a region of `shape` holds (header in the machine's order).
std::vector<uint8_t> RegionBytes(const Shape& shape);
// The same with every 16-bit field big-endian, as pictures store regions.
// With `spelledOut`, a rectangle or the empty region is written with
// scan lines too (rgnSize above 10): some picture readers take any
// rectangular clip for the picture's frame.
std::vector<uint8_t> RegionBytesBigEndian(const Shape& shape, bool spelledOut = false);
// Reads a region stored big-endian (as in a picture); false (shape empty)
// when the bytes are not a region.
bool ShapeOfBigEndianRegion(const uint8_t* bytes, size_t size, Shape* shape);
// Makes the region hold `shape`: noErr, regionTooBigErr (the region is
// then emptied) or memFullErr (left unchanged) when it cannot grow.
OSErr StoreShape(RgnHandle region, const Shape& shape);

// True when the pixel is inside the region (a live handle); regions
// outside the engine's count as empty. For callers testing a few pixels:
// others read the shape once.
bool RegionContains(RgnHandle region, int x, int y);

}  // namespace qtml
