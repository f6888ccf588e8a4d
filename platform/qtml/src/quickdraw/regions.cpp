#include "quickdraw/regions.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/byte_order.h"
#include "memory/memory.h"

namespace qtml {
namespace {

constexpr int kMinCoordinate = -32768;
constexpr int kMaxCoordinate = 32766;  // 0x7FFF ends lines in region data
constexpr uint16_t kEndOfLine = 0x7FFF;

int Pin(int v) {
  return std::clamp(v, kMinCoordinate, kMaxCoordinate);
}

bool Inside(Shape::Op op, bool a, bool b) {
  switch (op) {
    case Shape::Op::kUnion:
      return a || b;
    case Shape::Op::kIntersect:
      return a && b;
    case Shape::Op::kDifference:
      return a && !b;
    default:
      return a != b;
  }
}

// Combines two rows of spans by walking their edges in order.
std::vector<int> CombineSpans(const std::vector<int>& a, const std::vector<int>& b, Shape::Op op) {
  std::vector<int> out;
  size_t i = 0, j = 0;
  bool inA = false, inB = false, in = false;
  while (i < a.size() || j < b.size()) {
    int x = i < a.size() && (j >= b.size() || a[i] <= b[j]) ? a[i] : b[j];
    if (i < a.size() && a[i] == x) inA = !inA, ++i;
    if (j < b.size() && b[j] == x) inB = !inB, ++j;
    bool now = Inside(op, inA, inB);
    if (now != in) {
      out.push_back(x);
      in = now;
    }
  }
  return out;
}

// Spans as given (each [xs[2k], xs[2k+1]), sorted by their left edges),
// with empty ones dropped and overlapping or touching ones merged.
std::vector<int> Normalized(const std::vector<int>& xs) {
  std::vector<int> out;
  for (size_t k = 0; k + 1 < xs.size(); k += 2) {
    int left = xs[k], right = xs[k + 1];
    if (right <= left) continue;
    if (!out.empty() && left <= out.back()) {
      out.back() = std::max(out.back(), right);
    } else {
      out.push_back(left);
      out.push_back(right);
    }
  }
  return out;
}

// Inversion points that turn the spans `from` into `to`: the edges that
// are in one and not in the other.
std::vector<int> InversionPoints(const std::vector<int>& from, const std::vector<int>& to) {
  std::vector<int> out;
  std::set_symmetric_difference(from.begin(), from.end(), to.begin(), to.end(),
                                std::back_inserter(out));
  return out;
}

// ---- Region bytes ----

class RegionWriter {
 public:
  explicit RegionWriter(bool bigEndian) : bigEndian_(bigEndian) {}
  void Word(int v) {
    auto w = static_cast<uint16_t>(v);
    uint8_t b[2];
    if (bigEndian_) {
      WriteBE16(b, w);
    } else {
      std::memcpy(b, &w, 2);
    }
    bytes_.insert(bytes_.end(), b, b + 2);
  }
  void Line(int y, const std::vector<int>& points) {
    Word(y);
    for (int x : points) Word(x);
    Word(kEndOfLine);
  }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  bool bigEndian_;
  std::vector<uint8_t> bytes_;
};

std::vector<uint8_t> EncodeShape(const Shape& shape, bool bigEndian, bool spelledOut) {
  RegionWriter w(bigEndian);
  Rect box = shape.Bounds();
  w.Word(0);  // rgnSize, once known
  w.Word(box.top);
  w.Word(box.left);
  w.Word(box.bottom);
  w.Word(box.right);
  if (spelledOut || (!shape.IsEmpty() && !shape.IsRectangular())) {
    const std::vector<int> none;
    const std::vector<int>* previous = &none;
    int previousBottom = 0;
    for (const Shape::Band& band : shape.bands()) {
      if (previous != &none && previousBottom != band.top) {
        w.Line(previousBottom, *previous);  // a gap: back to nothing
        previous = &none;
      }
      w.Line(band.top, InversionPoints(*previous, band.xs));
      previous = &band.xs;
      previousBottom = band.bottom;
    }
    if (!shape.IsEmpty()) w.Line(previousBottom, *previous);
    w.Word(kEndOfLine);
  }
  std::vector<uint8_t>& bytes = w.bytes();
  size_t size = std::min<size_t>(bytes.size(), 0xFFFF);
  RegionWriter sizeWord(bigEndian);
  sizeWord.Word(static_cast<int>(size));
  std::memcpy(bytes.data(), sizeWord.bytes().data(), 2);
  return std::move(bytes);
}

// Reads region data (after the header) into bands; false when it is
// malformed.
bool DecodeLines(const int16_t* words, size_t count, Shape* shape) {
  std::vector<int> state;
  int previousY = 0;
  bool started = false;
  size_t i = 0;
  while (i < count && static_cast<uint16_t>(words[i]) != kEndOfLine) {
    int y = words[i++];
    std::vector<int> points;
    while (i < count && static_cast<uint16_t>(words[i]) != kEndOfLine) {
      if (!points.empty() && words[i] <= points.back()) return false;
      points.push_back(words[i++]);
    }
    if (i == count || (started && y <= previousY)) return false;
    ++i;  // the line's end
    if (started && !state.empty()) shape->AppendBand(previousY, y, state);
    state = InversionPoints(state, points);
    previousY = y;
    started = true;
  }
  return i < count && state.empty();
}

}  // namespace

// ---- Shape ----

Shape Shape::FromRect(const Rect& r) {
  Shape s;
  if (r.right > r.left && r.bottom > r.top) s.AppendBand(r.top, r.bottom, {r.left, r.right});
  return s;
}

Shape Shape::FromRows(int top, const std::vector<std::pair<int, int>>& spans) {
  Shape s;
  for (size_t i = 0; i < spans.size(); ++i) {
    if (spans[i].second <= spans[i].first) continue;
    int y = top + static_cast<int>(i);
    s.AppendBand(y, y + 1, {spans[i].first, spans[i].second});
  }
  return s;
}

void Shape::AppendBand(int top, int bottom, std::vector<int> xs) {
  if (bottom <= top || xs.empty()) return;
  if (!bands_.empty() && bands_.back().bottom == top && bands_.back().xs == xs) {
    bands_.back().bottom = bottom;
    return;
  }
  bands_.push_back(Band{top, bottom, std::move(xs)});
}

Rect Shape::Bounds() const {
  if (bands_.empty()) return Rect{0, 0, 0, 0};
  int left = bands_.front().xs.front(), right = bands_.front().xs.back();
  for (const Band& band : bands_) {
    left = std::min(left, band.xs.front());
    right = std::max(right, band.xs.back());
  }
  return Rect{static_cast<short>(bands_.front().top), static_cast<short>(left),
              static_cast<short>(bands_.back().bottom), static_cast<short>(right)};
}

bool Shape::Contains(int x, int y) const {
  auto band = std::upper_bound(bands_.begin(), bands_.end(), y,
                               [](int value, const Band& b) { return value < b.bottom; });
  if (band == bands_.end() || y < band->top) return false;
  auto edge = std::upper_bound(band->xs.begin(), band->xs.end(), x);
  return (edge - band->xs.begin()) % 2 == 1;
}

bool Shape::Touches(const Rect& r) const {
  for (const Band& band : bands_) {
    if (band.bottom <= r.top || band.top >= r.bottom) continue;
    for (size_t k = 0; k + 1 < band.xs.size(); k += 2) {
      if (band.xs[k] < r.right && band.xs[k + 1] > r.left) return true;
    }
  }
  return false;
}

Shape Shape::Combine(const Shape& a, const Shape& b, Op op) {
  std::vector<int> ys;
  for (const Shape* s : {&a, &b}) {
    for (const Band& band : s->bands_) {
      ys.push_back(band.top);
      ys.push_back(band.bottom);
    }
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  const std::vector<int> none;
  Shape out;
  size_t ia = 0, ib = 0;
  for (size_t k = 0; k + 1 < ys.size(); ++k) {
    int y = ys[k];
    while (ia < a.bands_.size() && a.bands_[ia].bottom <= y) ++ia;
    while (ib < b.bands_.size() && b.bands_[ib].bottom <= y) ++ib;
    bool inA = ia < a.bands_.size() && a.bands_[ia].top <= y;
    bool inB = ib < b.bands_.size() && b.bands_[ib].top <= y;
    out.AppendBand(y, ys[k + 1],
                   CombineSpans(inA ? a.bands_[ia].xs : none, inB ? b.bands_[ib].xs : none, op));
  }
  return out;
}

Shape Shape::Offset(int dh, int dv) const {
  Shape out;
  for (const Band& band : bands_) {
    std::vector<int> xs = band.xs;
    for (int& x : xs) x = Pin(x + dh);
    out.AppendBand(Pin(band.top + dv), Pin(band.bottom + dv), Normalized(xs));
  }
  return out;
}

Shape Shape::ShiftedRows(int dv) const {
  return Offset(0, dv);
}

// Horizontally every span grows or shrinks on its own; vertically the
// shape is combined with shifted copies of itself, doubling the covered
// distance each time (a segment [0, a] joined with a copy shifted by
// b <= a + 1 covers [0, a + b]).
Shape Shape::Eroded(int dh, int dv) const {
  Shape out;
  for (const Band& band : bands_) {
    std::vector<int> xs = band.xs;
    for (size_t k = 0; k + 1 < xs.size(); k += 2) xs[k] += dh, xs[k + 1] -= dh;
    out.AppendBand(band.top, band.bottom, Normalized(xs));
  }
  int reach = 2 * dv;
  for (int covered = 0; covered < reach && !out.IsEmpty();) {
    int step = std::min(covered + 1, reach - covered);
    out = Combine(out, out.ShiftedRows(-step), Op::kIntersect);
    covered += step;
  }
  return dv > 0 ? out.ShiftedRows(dv) : out;
}

Shape Shape::Dilated(int dh, int dv) const {
  Shape out;
  for (const Band& band : bands_) {
    std::vector<int> xs = band.xs;
    for (size_t k = 0; k + 1 < xs.size(); k += 2)
      xs[k] = Pin(xs[k] - dh), xs[k + 1] = Pin(xs[k + 1] + dh);
    out.AppendBand(band.top, band.bottom, Normalized(xs));
  }
  int reach = 2 * dv;
  for (int covered = 0; covered < reach;) {
    int step = std::min(covered + 1, reach - covered);
    out = Combine(out, out.ShiftedRows(step), Op::kUnion);
    covered += step;
  }
  return dv > 0 ? out.ShiftedRows(-dv) : out;
}

Shape Shape::Inset(int dh, int dv) const {
  Shape out = dh >= 0 ? Eroded(dh, 0) : Dilated(-dh, 0);
  return dv >= 0 ? out.Eroded(0, dv) : out.Dilated(0, -dv);
}

bool Shape::operator==(const Shape& other) const {
  if (bands_.size() != other.bands_.size()) return false;
  for (size_t i = 0; i < bands_.size(); ++i) {
    const Band& a = bands_[i];
    const Band& b = other.bands_[i];
    if (a.top != b.top || a.bottom != b.bottom || a.xs != b.xs) return false;
  }
  return true;
}

// ---- Ovals ----

namespace {

// How far row i of an oval w by h starts from the oval's left side.
int OvalRowInset(int w, int h, int i) {
  if (i == (h - 1) / 2 || i == h / 2) return 0;  // the widest rows reach the sides
  double a = w / 2.0, b = h / 2.0;
  double dy = i + 0.5 - b;
  double t = 1.0 - (dy * dy) / (b * b);
  double half = t > 0 ? a * std::sqrt(t) : 0.0;
  auto inset = static_cast<int>(std::floor(a - half + 0.5));
  return std::clamp(inset, 0, (w - 1) / 2);  // at least the middle pixel or two
}

}  // namespace

Shape OvalShape(const Rect& r) {
  int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return Shape();
  std::vector<std::pair<int, int>> rows(static_cast<size_t>(h));
  for (int i = 0; i < h; ++i) {
    int inset = OvalRowInset(w, h, i);
    rows[static_cast<size_t>(i)] = {r.left + inset, r.right - inset};
  }
  return Shape::FromRows(r.top, rows);
}

Shape RoundRectShape(const Rect& r, int ovalWidth, int ovalHeight) {
  int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return Shape();
  int ow = std::clamp(ovalWidth, 0, w), oh = std::clamp(ovalHeight, 0, h);
  if (ow == 0 || oh == 0) return Shape::FromRect(r);
  std::vector<std::pair<int, int>> rows(static_cast<size_t>(h));
  for (int i = 0; i < h; ++i) {
    int inset = 0;
    if (i < oh / 2) {
      inset = OvalRowInset(ow, oh, i);
    } else if (i >= h - oh / 2) {
      inset = OvalRowInset(ow, oh, oh - (h - i));
    }
    rows[static_cast<size_t>(i)] = {r.left + inset, r.right - inset};
  }
  return Shape::FromRows(r.top, rows);
}

// ---- Handles ----

bool IsRegion(RgnHandle region) {
  Handle h = reinterpret_cast<Handle>(region);
  return IsHandle(h) && HandleSize(h) >= static_cast<Size>(kRegionHeaderSize);
}

bool ShapeOfRegion(RgnHandle region, Shape* shape) {
  *shape = Shape();
  if (!IsRegion(region)) return false;
  const MacRegion& record = **region;
  Size size = std::min<Size>(record.rgnSize, HandleSize(reinterpret_cast<Handle>(region)));
  if (size <= static_cast<Size>(kRegionHeaderSize)) {
    *shape = Shape::FromRect(record.rgnBBox);
    return true;
  }
  // Copied out: the words after the header need not be aligned for int16_t.
  size_t count = static_cast<size_t>(size - static_cast<Size>(kRegionHeaderSize)) / 2;
  std::vector<int16_t> words(count);
  std::memcpy(words.data(), reinterpret_cast<const char*>(*region) + kRegionHeaderSize, count * 2);
  if (!DecodeLines(words.data(), count, shape)) {
    *shape = Shape();
    return false;
  }
  return true;
}

bool ShapeOfBigEndianRegion(const uint8_t* bytes, size_t size, Shape* shape) {
  *shape = Shape();
  if (size < kRegionHeaderSize) return false;
  size = std::min<size_t>(size, ReadBE16(bytes));
  auto word = [&](size_t i) { return static_cast<int16_t>(ReadBE16(bytes + 2 * i)); };
  if (size <= kRegionHeaderSize) {
    *shape = Shape::FromRect(Rect{word(1), word(2), word(3), word(4)});
    return true;
  }
  std::vector<int16_t> words((size - kRegionHeaderSize) / 2);
  for (size_t i = 0; i < words.size(); ++i) words[i] = word(5 + i);
  if (DecodeLines(words.data(), words.size(), shape)) return true;
  *shape = Shape();
  return false;
}

std::vector<uint8_t> RegionBytes(const Shape& shape) {
  return EncodeShape(shape, false, false);
}

std::vector<uint8_t> RegionBytesBigEndian(const Shape& shape, bool spelledOut) {
  return EncodeShape(shape, true, spelledOut);
}

OSErr StoreShape(RgnHandle region, const Shape& shape) {
  Handle h = reinterpret_cast<Handle>(region);
  std::vector<uint8_t> bytes = RegionBytes(shape);
  if (bytes.size() > static_cast<size_t>(kMaxRegionBytes)) {
    std::vector<uint8_t> empty = RegionBytes(Shape());
    SetHandleBytes(h, empty.data(), static_cast<Size>(empty.size()));  // shrinks: cannot fail
    return regionTooBigErr;
  }
  return SetHandleBytes(h, bytes.data(), static_cast<Size>(bytes.size()));
}

bool RegionContains(RgnHandle region, int x, int y) {
  Shape shape;
  return ShapeOfRegion(region, &shape) && shape.Contains(x, y);
}

}  // namespace qtml
