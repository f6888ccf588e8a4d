// Rectangles and points: QuickDraw's plain arithmetic on 16-bit
// coordinates. Sums wrap to 16 bits as QuickDraw's do. QDError is left
// alone; a nil argument or an injected fault changes nothing and answers
// false (true for EmptyRect).
#include <algorithm>

#include "base/api_call.h"
#include "quickdraw/pixels.h"

namespace qtml {
namespace {

short Wrap(int v) {
  return static_cast<short>(v);
}

bool Empty(const Rect& r) {
  return r.bottom <= r.top || r.right <= r.left;
}

void Set(Rect* r, short left, short top, short right, short bottom) {
  if (r == nullptr) return;
  *r = Rect{top, left, bottom, right};
}

void Offset(Rect* r, short dh, short dv) {
  if (r == nullptr) return;
  *r = Rect{Wrap(r->top + dv), Wrap(r->left + dh), Wrap(r->bottom + dv), Wrap(r->right + dh)};
}

void Union(const Rect* a, const Rect* b, Rect* out) {
  if (a == nullptr || b == nullptr || out == nullptr) return;
  *out = Rect{std::min(a->top, b->top), std::min(a->left, b->left), std::max(a->bottom, b->bottom),
              std::max(a->right, b->right)};
}

bool Equal(const Rect* a, const Rect* b) {
  if (a == nullptr || b == nullptr) return false;
  return a->top == b->top && a->left == b->left && a->bottom == b->bottom && a->right == b->right;
}

bool Inside(Point pt, const Rect* r) {
  if (r == nullptr) return false;
  return pt.h >= r->left && pt.h < r->right && pt.v >= r->top && pt.v < r->bottom;
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;

extern "C" {

void MacSetRect(Rect* r, short left, short top, short right, short bottom) try {
  ApiCall call("MacSetRect", r, left, top, right, bottom);
  if (call.Fault() != noErr) return;
  qtml::Set(r, left, top, right, bottom);
} catch (...) {
  return qtml::Escaped<void>();
}

void SetRect(Rect* r, short left, short top, short right, short bottom) try {
  ApiCall call("SetRect", r, left, top, right, bottom);
  if (call.Fault() != noErr) return;
  qtml::Set(r, left, top, right, bottom);
} catch (...) {
  return qtml::Escaped<void>();
}

void MacOffsetRect(Rect* r, short dh, short dv) try {
  ApiCall call("MacOffsetRect", r, dh, dv);
  if (call.Fault() != noErr) return;
  qtml::Offset(r, dh, dv);
} catch (...) {
  return qtml::Escaped<void>();
}

void OffsetRect(Rect* r, short dh, short dv) try {
  ApiCall call("OffsetRect", r, dh, dv);
  if (call.Fault() != noErr) return;
  qtml::Offset(r, dh, dv);
} catch (...) {
  return qtml::Escaped<void>();
}

void InsetRect(Rect* r, short dh, short dv) try {
  ApiCall call("InsetRect", r, dh, dv);
  if (call.Fault() != noErr) return;
  if (r == nullptr) return;
  Rect inset{qtml::Wrap(r->top + dv), qtml::Wrap(r->left + dh), qtml::Wrap(r->bottom - dv),
             qtml::Wrap(r->right - dh)};
  *r = qtml::Empty(inset) ? Rect{0, 0, 0, 0} : inset;
} catch (...) {
  return qtml::Escaped<void>();
}

Boolean SectRect(const Rect* src1, const Rect* src2, Rect* dstRect) try {
  ApiCall call("SectRect", src1, src2, dstRect);
  if (dstRect == nullptr || src1 == nullptr || src2 == nullptr) return call.Return<Boolean>(false);
  Rect common = qtml::Intersect(*src1, *src2);  // read both before writing: dstRect may be one
  bool meet = call.Fault() == noErr && !qtml::Empty(common);
  *dstRect = meet ? common : Rect{0, 0, 0, 0};
  return call.Return<Boolean>(meet);
} catch (...) {
  return qtml::Escaped<Boolean>();
}

void MacUnionRect(const Rect* src1, const Rect* src2, Rect* dstRect) try {
  ApiCall call("MacUnionRect", src1, src2, dstRect);
  if (call.Fault() != noErr) return;
  qtml::Union(src1, src2, dstRect);
} catch (...) {
  return qtml::Escaped<void>();
}

void UnionRect(const Rect* src1, const Rect* src2, Rect* dstRect) try {
  ApiCall call("UnionRect", src1, src2, dstRect);
  if (call.Fault() != noErr) return;
  qtml::Union(src1, src2, dstRect);
} catch (...) {
  return qtml::Escaped<void>();
}

Boolean MacEqualRect(const Rect* rect1, const Rect* rect2) try {
  ApiCall call("MacEqualRect", rect1, rect2);
  if (call.Fault() != noErr) return call.Return<Boolean>(false);
  return call.Return<Boolean>(qtml::Equal(rect1, rect2));
} catch (...) {
  return qtml::Escaped<Boolean>();
}

Boolean EqualRect(const Rect* rect1, const Rect* rect2) try {
  ApiCall call("EqualRect", rect1, rect2);
  if (call.Fault() != noErr) return call.Return<Boolean>(false);
  return call.Return<Boolean>(qtml::Equal(rect1, rect2));
} catch (...) {
  return qtml::Escaped<Boolean>();
}

Boolean EmptyRect(const Rect* r) try {
  ApiCall call("EmptyRect", r);
  if (call.Fault() != noErr) return call.Return<Boolean>(true);
  return call.Return<Boolean>(r == nullptr || qtml::Empty(*r));
} catch (...) {
  return qtml::Escaped<Boolean>();
}

Boolean MacPtInRect(Point pt, const Rect* r) try {
  ApiCall call("MacPtInRect", pt.h, pt.v, r);
  if (call.Fault() != noErr) return call.Return<Boolean>(false);
  return call.Return<Boolean>(qtml::Inside(pt, r));
} catch (...) {
  return qtml::Escaped<Boolean>();
}

Boolean PtInRect(Point pt, const Rect* r) try {
  ApiCall call("PtInRect", pt.h, pt.v, r);
  if (call.Fault() != noErr) return call.Return<Boolean>(false);
  return call.Return<Boolean>(qtml::Inside(pt, r));
} catch (...) {
  return qtml::Escaped<Boolean>();
}

void Pt2Rect(Point pt1, Point pt2, Rect* dstRect) try {
  ApiCall call("Pt2Rect", pt1.h, pt1.v, pt2.h, pt2.v, dstRect);
  if (call.Fault() != noErr) return;
  if (dstRect == nullptr) return;
  *dstRect = Rect{std::min(pt1.v, pt2.v), std::min(pt1.h, pt2.h), std::max(pt1.v, pt2.v),
                  std::max(pt1.h, pt2.h)};
} catch (...) {
  return qtml::Escaped<void>();
}

void SetPt(Point* pt, short h, short v) try {
  ApiCall call("SetPt", pt, h, v);
  if (call.Fault() != noErr) return;
  if (pt == nullptr) return;
  *pt = Point{v, h};
} catch (...) {
  return qtml::Escaped<void>();
}

Boolean EqualPt(Point pt1, Point pt2) try {
  ApiCall call("EqualPt", pt1.h, pt1.v, pt2.h, pt2.v);
  if (call.Fault() != noErr) return call.Return<Boolean>(false);
  return call.Return<Boolean>(pt1.h == pt2.h && pt1.v == pt2.v);
} catch (...) {
  return qtml::Escaped<Boolean>();
}

void AddPt(Point src, Point* dst) try {
  ApiCall call("AddPt", src.h, src.v, dst);
  if (call.Fault() != noErr) return;
  if (dst == nullptr) return;
  *dst = Point{qtml::Wrap(dst->v + src.v), qtml::Wrap(dst->h + src.h)};
} catch (...) {
  return qtml::Escaped<void>();
}

void SubPt(Point src, Point* dst) try {
  ApiCall call("SubPt", src.h, src.v, dst);
  if (call.Fault() != noErr) return;
  if (dst == nullptr) return;
  *dst = Point{qtml::Wrap(dst->v - src.v), qtml::Wrap(dst->h - src.h)};
} catch (...) {
  return qtml::Escaped<void>();
}

}  // extern "C"
