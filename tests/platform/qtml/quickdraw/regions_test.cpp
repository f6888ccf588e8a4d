// Regions as pixel sets: the algebra checked against sets of points
// computed independently, ovals, the stored form, recording with OpenRgn,
// and the failures QDError reports.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "QDOffscreen.h"
#include "QTMLTestControls.h"
#include "leak_check.h"
#include "Quickdraw.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;  // (h, v)

// The grid every comparison looks at: wider than any shape used here.
constexpr Rect kGrid = {-12, -12, 62, 62};

class RegionsTest : public ::testing::Test {
 protected:
  void SetUp() override { leaks_.Start(); }
  void TearDown() override {
    QTMLTest_ClearFaults();
    for (RgnHandle rgn : regions_) DisposeRgn(rgn);
    leaks_.Verify();
  }
  RgnHandle New() {
    RgnHandle rgn = NewRgn();
    EXPECT_NE(rgn, nullptr);
    regions_.push_back(rgn);
    return rgn;
  }
  RgnHandle RectRegion(const Rect& r) {
    RgnHandle rgn = New();
    RectRgn(rgn, &r);
    return rgn;
  }
  RgnHandle OvalRegion(const Rect& r) {
    RgnHandle rgn = New();
    OpenRgn();
    FrameOval(&r);
    CloseRgn(rgn);
    EXPECT_EQ(QDError(), noErr);
    return rgn;
  }
  std::vector<RgnHandle> regions_;
  LeakCheck leaks_;
};

Pixels PixelsOf(RgnHandle rgn) {
  Pixels out;
  for (short v = kGrid.top; v < kGrid.bottom; ++v) {
    for (short h = kGrid.left; h < kGrid.right; ++h) {
      if (PtInRgn(Point{v, h}, rgn)) out.insert({h, v});
    }
  }
  return out;
}

Pixels PixelsOf(const Rect& r) {
  Pixels out;
  for (int v = r.top; v < r.bottom; ++v) {
    for (int h = r.left; h < r.right; ++h) out.insert({h, v});
  }
  return out;
}

Pixels Union(const Pixels& a, const Pixels& b) {
  Pixels out = a;
  out.insert(b.begin(), b.end());
  return out;
}
Pixels Sect(const Pixels& a, const Pixels& b) {
  Pixels out;
  for (auto p : a) {
    if (b.count(p) != 0) out.insert(p);
  }
  return out;
}
Pixels Diff(const Pixels& a, const Pixels& b) {
  Pixels out;
  for (auto p : a) {
    if (b.count(p) == 0) out.insert(p);
  }
  return out;
}
Pixels Xor(const Pixels& a, const Pixels& b) {
  return Union(Diff(a, b), Diff(b, a));
}
Pixels Offset(const Pixels& a, int dh, int dv) {
  Pixels out;
  for (auto [h, v] : a) out.insert({h + dh, v + dv});
  return out;
}
// A pixel stays when every pixel within dh across and dv up or down is in.
Pixels Eroded(const Pixels& a, int dh, int dv) {
  Pixels out;
  for (auto [h, v] : a) {
    bool all = true;
    for (int y = v - dv; y <= v + dv && all; ++y) {
      for (int x = h - dh; x <= h + dh && all; ++x) all = a.count({x, y}) != 0;
    }
    if (all) out.insert({h, v});
  }
  return out;
}
Pixels Dilated(const Pixels& a, int dh, int dv) {
  Pixels out;
  for (auto [h, v] : a) {
    for (int y = v - dv; y <= v + dv; ++y) {
      for (int x = h - dh; x <= h + dh; ++x) out.insert({x, y});
    }
  }
  return out;
}

Rect Bounds(RgnHandle rgn) {
  Rect r;
  GetRegionBounds(rgn, &r);
  return r;
}

bool Same(const Rect& a, const Rect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

// The 16-bit words after a region's header.
std::vector<short> DataWords(RgnHandle rgn) {
  size_t count = ((**rgn).rgnSize - 10) / 2;
  std::vector<short> words(count);
  std::memcpy(words.data(), reinterpret_cast<char*>(*rgn) + 10, count * 2);
  return words;
}

TEST_F(RegionsTest, NewRegionsAreEmptyAndRectanglesStoreNoOutline) {
  RgnHandle rgn = New();
  EXPECT_EQ(QDError(), noErr);
  EXPECT_TRUE(EmptyRgn(rgn));
  EXPECT_EQ((**rgn).rgnSize, 10);
  EXPECT_TRUE(Same(Bounds(rgn), Rect{0, 0, 0, 0}));

  SetRectRgn(rgn, 5, 10, 25, 30);  // left, top, right, bottom
  EXPECT_EQ((**rgn).rgnSize, 10);
  EXPECT_TRUE(Same(Bounds(rgn), Rect{10, 5, 30, 25}));
  EXPECT_TRUE(IsRegionRectangular(rgn));
  EXPECT_FALSE(EmptyRgn(rgn));
  EXPECT_EQ(PixelsOf(rgn), PixelsOf(Rect{10, 5, 30, 25}));

  Rect inverted = {10, 10, 5, 20};  // bottom above top: no pixels
  RectRgn(rgn, &inverted);
  EXPECT_TRUE(EmptyRgn(rgn));
  EXPECT_TRUE(Same(Bounds(rgn), Rect{0, 0, 0, 0}));
}

TEST_F(RegionsTest, OutlinesAreQuickDrawScanLines) {
  RgnHandle a = RectRegion(Rect{0, 0, 10, 10});
  RgnHandle b = RectRegion(Rect{5, 5, 15, 15});
  RgnHandle both = New();
  UnionRgn(a, b, both);
  EXPECT_EQ(QDError(), noErr);
  EXPECT_FALSE(IsRegionRectangular(both));
  EXPECT_TRUE(Same(Bounds(both), Rect{0, 0, 15, 15}));
  // Each line: y, the x where inside and outside swap, 0x7FFF.
  std::vector<short> expected = {0, 0, 10,     0x7FFF, 5, 10, 15,     0x7FFF, 10,
                                 0, 5, 0x7FFF, 15,     5, 15, 0x7FFF, 0x7FFF};
  EXPECT_EQ(DataWords(both), expected);
  EXPECT_EQ((**both).rgnSize, 10 + 2 * expected.size());
}

TEST_F(RegionsTest, AlgebraMatchesPixelSets) {
  Rect ra = {0, 0, 20, 30}, rb = {10, 15, 40, 45}, ro = {5, 5, 35, 25};
  RgnHandle a = RectRegion(ra);
  RgnHandle b = RectRegion(rb);
  RgnHandle oval = OvalRegion(ro);
  RgnHandle ring = New();
  MacCopyRgn(oval, ring);
  InsetRgn(ring, 4, 3);
  DiffRgn(oval, ring, ring);  // a ring: the oval minus its inset
  Pixels pa = PixelsOf(ra), pb = PixelsOf(rb), po = PixelsOf(oval), pr = PixelsOf(ring);
  ASSERT_FALSE(pr.empty());
  ASSERT_EQ(pr, Diff(po, Eroded(po, 4, 3)));

  struct Pair {
    RgnHandle x, y;
    const Pixels &px, &py;
  };
  for (const Pair& p : {Pair{a, b, pa, pb}, Pair{a, oval, pa, po}, Pair{ring, b, pr, pb},
                        Pair{oval, ring, po, pr}}) {
    RgnHandle out = New();
    UnionRgn(p.x, p.y, out);
    EXPECT_EQ(PixelsOf(out), Union(p.px, p.py));
    SectRgn(p.x, p.y, out);
    EXPECT_EQ(PixelsOf(out), Sect(p.px, p.py));
    DiffRgn(p.x, p.y, out);
    EXPECT_EQ(PixelsOf(out), Diff(p.px, p.py));
    XorRgn(p.x, p.y, out);
    EXPECT_EQ(PixelsOf(out), Xor(p.px, p.py));
    EXPECT_EQ(QDError(), noErr);
    // Equal pixel sets are equal regions, however they were made.
    RgnHandle other = New();
    DiffRgn(p.x, p.y, other);
    MacUnionRgn(other, p.y, other);
    UnionRgn(p.x, p.y, out);
    EXPECT_TRUE(EqualRgn(other, out));
  }
}

TEST_F(RegionsTest, OffsetAndInsetMoveAndErodePixels) {
  RgnHandle oval = OvalRegion(Rect{5, 5, 35, 25});
  RgnHandle rect = RectRegion(Rect{10, 10, 20, 40});
  RgnHandle shape = New();
  XorRgn(oval, rect, shape);  // holes and several spans a row
  Pixels before = PixelsOf(shape);

  MacOffsetRgn(shape, 7, -4);
  EXPECT_EQ(PixelsOf(shape), Offset(before, 7, -4));
  OffsetRgn(shape, -7, 4);
  EXPECT_EQ(PixelsOf(shape), before);

  RgnHandle work = New();
  for (auto [dh, dv] : {std::pair{1, 1}, {2, 0}, {0, 3}, {3, 2}}) {
    CopyRgn(shape, work);
    InsetRgn(work, static_cast<short>(dh), static_cast<short>(dv));
    EXPECT_EQ(PixelsOf(work), Eroded(before, dh, dv)) << dh << ", " << dv;
    CopyRgn(shape, work);
    InsetRgn(work, static_cast<short>(-dh), static_cast<short>(-dv));
    EXPECT_EQ(PixelsOf(work), Dilated(before, dh, dv)) << -dh << ", " << -dv;
  }
  // Insetting a rectangle region is insetting the rectangle.
  InsetRgn(rect, 2, 3);
  EXPECT_TRUE(Same(Bounds(rect), Rect{13, 12, 17, 38}));
  EXPECT_TRUE(IsRegionRectangular(rect));
  InsetRgn(rect, 20, 0);
  EXPECT_TRUE(EmptyRgn(rect));

  // Growing past the coordinate range stops at its edge.
  SetRectRgn(rect, 32700, -32700, 32760, -32690);
  InsetRgn(rect, -100, -100);
  Rect grown = Bounds(rect);
  EXPECT_EQ(grown.right, 32766);
  EXPECT_EQ(grown.top, -32768);
  EXPECT_EQ(grown.bottom, -32590);
  EXPECT_TRUE(PtInRgn(Point{-32600, 32765}, rect));
  EXPECT_TRUE(PtInRgn(Point{-32768, 32700}, rect));
}

TEST_F(RegionsTest, PointsAndRectsAgainstARegion) {
  RgnHandle a = RectRegion(Rect{0, 0, 10, 10});
  RgnHandle b = RectRegion(Rect{20, 20, 30, 30});
  UnionRgn(a, b, a);  // two squares with a gap between
  EXPECT_TRUE(PtInRgn(Point{0, 0}, a));
  EXPECT_FALSE(PtInRgn(Point{10, 0}, a));  // bottom edge is outside
  EXPECT_TRUE(PtInRgn(Point{29, 29}, a));
  Rect gap = {10, 10, 20, 20}, touching = {5, 5, 21, 12};
  EXPECT_FALSE(RectInRgn(&gap, a));  // inside the bounds, yet no pixel
  EXPECT_TRUE(RectInRgn(&touching, a));
  EXPECT_TRUE(Same(Bounds(a), Rect{0, 0, 30, 30}));
}

TEST_F(RegionsTest, OvalsAreSymmetricFillTheirRectAndMatchKnownRows) {
  for (Rect r : {Rect{0, 0, 10, 10}, Rect{3, -4, 20, 27}, Rect{0, 0, 1, 1}, Rect{0, 0, 2, 40},
                 Rect{0, 0, 40, 2}, Rect{-5, -5, 26, 26}}) {
    RgnHandle oval = OvalRegion(r);
    EXPECT_TRUE(Same(Bounds(oval), r))
        << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    Pixels p = PixelsOf(oval);
    for (auto [h, v] : p) {
      EXPECT_EQ(p.count({r.left + r.right - 1 - h, v}), 1u) << "left-right";
      EXPECT_EQ(p.count({h, r.top + r.bottom - 1 - v}), 1u) << "top-bottom";
    }
    // Every row and column of the rect has a pixel.
    for (int v = r.top; v < r.bottom; ++v) {
      Rect row = {static_cast<short>(v), r.left, static_cast<short>(v + 1), r.right};
      EXPECT_TRUE(RectInRgn(&row, oval));
    }
  }
  // A 10 by 10 circle: the pixels whose centres are inside it.
  RgnHandle circle = OvalRegion(Rect{0, 0, 10, 10});
  const int widths[10] = {4, 8, 8, 10, 10, 10, 10, 8, 8, 4};
  for (short v = 0; v < 10; ++v) {
    int count = 0;
    for (short h = 0; h < 10; ++h) count += PtInRgn(Point{v, h}, circle) ? 1 : 0;
    EXPECT_EQ(count, widths[v]) << "row " << v;
  }
  EXPECT_FALSE(PtInRgn(Point{0, 2}, circle));
  EXPECT_TRUE(PtInRgn(Point{0, 3}, circle));
}

TEST_F(RegionsTest, RecordingCountsFramedAreasEvenOdd) {
  RgnHandle rgn = New();
  Rect a = {0, 0, 10, 10}, b = {5, 5, 15, 15}, none = {4, 4, 4, 20};
  OpenRgn();
  FrameRect(&a);
  FrameRect(&none);  // an empty rect adds nothing
  FrameRect(&b);
  CloseRgn(rgn);
  EXPECT_EQ(QDError(), noErr);
  EXPECT_EQ(PixelsOf(rgn), Xor(PixelsOf(a), PixelsOf(b)));

  RgnHandle round = New();
  Rect r = {0, 0, 20, 30};
  OpenRgn();
  FrameRoundRect(&r, 10, 8);
  CloseRgn(round);
  EXPECT_TRUE(Same(Bounds(round), r));
  EXPECT_FALSE(PtInRgn(Point{0, 0}, round));  // corners are cut
  EXPECT_TRUE(PtInRgn(Point{0, 15}, round));
  EXPECT_TRUE(PtInRgn(Point{10, 0}, round));

  // Recording a region on a port draws nothing on it.
  RgnHandle framed = New();
  OpenRgn();
  FrameRgn(round);
  CloseRgn(framed);
  EXPECT_TRUE(EqualRgn(framed, round));

  // Closing with nothing recorded is misuse.
  CloseRgn(rgn);
  EXPECT_EQ(QDError(), paramErr);
}

TEST_F(RegionsTest, FailuresReportThroughQDError) {
  QTMLTest_FailCall("NewRgn", 1, memFullErr);
  EXPECT_EQ(NewRgn(), nullptr);
  EXPECT_EQ(QDError(), memFullErr);

  QTMLTest_FailAllocations(0);
  EXPECT_EQ(NewRgn(), nullptr);
  EXPECT_EQ(QDError(), memFullErr);
  QTMLTest_ClearFaults();

  // A region that cannot grow keeps its value.
  RgnHandle a = RectRegion(Rect{0, 0, 10, 10});
  RgnHandle b = RectRegion(Rect{5, 5, 15, 15});
  RgnHandle dst = RectRegion(Rect{1, 2, 3, 4});
  QTMLTest_FailAllocations(0);
  UnionRgn(a, b, dst);
  EXPECT_EQ(QDError(), memFullErr);
  QTMLTest_ClearFaults();
  EXPECT_TRUE(Same(Bounds(dst), Rect{1, 2, 3, 4}));

  // One past 64 KB of outline is too big: the region comes out empty.
  Rect huge = {-15000, -15000, 15000, 15000};
  OpenRgn();
  FrameOval(&huge);
  CloseRgn(dst);
  EXPECT_EQ(QDError(), regionTooBigErr);
  EXPECT_TRUE(EmptyRgn(dst));

  // Handles that are not regions are misuse, and change nothing.
  UnionRgn(a, nullptr, dst);
  EXPECT_EQ(QDError(), paramErr);
  Handle notRegion = reinterpret_cast<Handle>(&huge);
  EXPECT_FALSE(PtInRgn(Point{0, 0}, reinterpret_cast<RgnHandle>(notRegion)));
  EXPECT_EQ(QDError(), paramErr);
  DisposeRgn(nullptr);
  EXPECT_EQ(QDError(), paramErr);

  // Injected faults reach every region call.
  QTMLTest_FailCall("UnionRgn", 1, rgnOverflowErr);
  UnionRgn(a, b, dst);
  EXPECT_EQ(QDError(), rgnOverflowErr);
  EXPECT_TRUE(EmptyRgn(dst));
}

}  // namespace
