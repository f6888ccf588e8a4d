// Rectangle and point arithmetic with QuickDraw's rules: half-open
// rectangles, empty ones, 16-bit coordinates.
#include <gtest/gtest.h>

#include "QTMLTestControls.h"
#include "Quickdraw.h"

namespace {

bool Same(const Rect& a, const Rect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

TEST(RectsTest, SetOffsetAndInset) {
  Rect r;
  MacSetRect(&r, 1, 2, 30, 40);  // left, top, right, bottom
  EXPECT_TRUE(Same(r, Rect{2, 1, 40, 30}));
  SetRect(&r, 10, 20, 30, 40);
  EXPECT_TRUE(Same(r, Rect{20, 10, 40, 30}));
  OffsetRect(&r, -5, 7);
  EXPECT_TRUE(Same(r, Rect{27, 5, 47, 25}));
  MacOffsetRect(&r, 32767, 0);  // sums wrap to 16 bits
  EXPECT_EQ(r.left, static_cast<short>(5 + 32767));
  SetRect(&r, 0, 0, 10, 10);
  InsetRect(&r, 2, 3);
  EXPECT_TRUE(Same(r, Rect{3, 2, 7, 8}));
  InsetRect(&r, -2, -3);
  EXPECT_TRUE(Same(r, Rect{0, 0, 10, 10}));
  InsetRect(&r, 5, 1);  // nothing left across: the empty rect
  EXPECT_TRUE(Same(r, Rect{0, 0, 0, 0}));
}

TEST(RectsTest, IntersectionAndUnion) {
  Rect a = {0, 0, 10, 20}, b = {5, 15, 30, 40}, out;
  EXPECT_TRUE(SectRect(&a, &b, &out));
  EXPECT_TRUE(Same(out, Rect{5, 15, 10, 20}));
  Rect touching = {10, 0, 20, 20};  // shares an edge, not a pixel
  out = Rect{1, 1, 1, 1};
  EXPECT_FALSE(SectRect(&a, &touching, &out));
  EXPECT_TRUE(Same(out, Rect{0, 0, 0, 0}));
  // The destination may be a source.
  Rect c = a;
  EXPECT_TRUE(SectRect(&c, &b, &c));
  EXPECT_TRUE(Same(c, Rect{5, 15, 10, 20}));

  UnionRect(&a, &b, &out);
  EXPECT_TRUE(Same(out, Rect{0, 0, 30, 40}));
  MacUnionRect(&b, &a, &out);
  EXPECT_TRUE(Same(out, Rect{0, 0, 30, 40}));
}

TEST(RectsTest, EmptinessEqualityAndPoints) {
  Rect r = {10, 20, 30, 40};
  EXPECT_FALSE(EmptyRect(&r));
  Rect flat = {10, 20, 10, 40}, backwards = {10, 40, 30, 20};
  EXPECT_TRUE(EmptyRect(&flat));
  EXPECT_TRUE(EmptyRect(&backwards));
  Rect same = r;
  EXPECT_TRUE(MacEqualRect(&r, &same));
  EXPECT_FALSE(EqualRect(&r, &flat));

  EXPECT_TRUE(PtInRect(Point{10, 20}, &r));   // top-left pixel
  EXPECT_FALSE(PtInRect(Point{30, 20}, &r));  // bottom edge is outside
  EXPECT_FALSE(MacPtInRect(Point{10, 40}, &r));
  EXPECT_TRUE(MacPtInRect(Point{29, 39}, &r));

  Point p;
  SetPt(&p, 3, 4);  // h, v
  EXPECT_EQ(p.h, 3);
  EXPECT_EQ(p.v, 4);
  EXPECT_TRUE(EqualPt(p, Point{4, 3}));
  AddPt(Point{1, 2}, &p);
  EXPECT_TRUE(EqualPt(p, Point{5, 5}));
  SubPt(Point{5, 1}, &p);
  EXPECT_TRUE(EqualPt(p, Point{0, 4}));
  Rect spanned;
  Pt2Rect(Point{10, 30}, Point{2, 5}, &spanned);
  EXPECT_TRUE(Same(spanned, Rect{2, 5, 10, 30}));
}

TEST(RectsTest, NilArgumentsAndFaultsChangeNothing) {
  Rect a = {0, 0, 10, 10};
  EXPECT_FALSE(SectRect(&a, nullptr, &a));
  EXPECT_TRUE(Same(a, Rect{0, 0, 10, 10}));
  EXPECT_TRUE(EmptyRect(nullptr));
  EXPECT_FALSE(PtInRect(Point{1, 1}, nullptr));
  OffsetRect(nullptr, 1, 1);
  QTMLTest_FailCall("OffsetRect", 1, paramErr);
  OffsetRect(&a, 5, 5);
  EXPECT_TRUE(Same(a, Rect{0, 0, 10, 10}));
  QTMLTest_ClearFaults();
}

}  // namespace
