// QuickDraw's region calls over the engine's shapes. Each reads its
// source regions into shapes, computes, and stores the result, so a
// destination may also be a source. Misuse (a handle that is not a live
// region) answers paramErr.
#include "base/api_call.h"
#include "memory/memory.h"
#include "quickdraw/port.h"
#include "quickdraw/regions.h"

namespace qtml {
namespace {

using Op = Shape::Op;

// Stores what `compute` makes (a Shape, or a failure code through *err)
// in dst.
template <typename F>
OSErr Build(RgnHandle dst, F&& compute) {
  if (!IsRegion(dst)) return paramErr;
  return Guarded<OSErr>(memFullErr, [&] {
    OSErr err = noErr;
    Shape result = compute(&err);
    return err != noErr ? err : StoreShape(dst, result);
  });
}

OSErr Combine(RgnHandle a, RgnHandle b, RgnHandle dst, Op op) {
  return Build(dst, [&](OSErr* err) {
    Shape sa, sb;
    if (!ShapeOfRegion(a, &sa) || !ShapeOfRegion(b, &sb)) {
      *err = paramErr;
      return Shape();
    }
    return Shape::Combine(sa, sb, op);
  });
}

// Transforms one region in place.
template <typename F>
OSErr Change(RgnHandle rgn, F&& transform) {
  return Build(rgn, [&](OSErr* err) {
    Shape shape;
    if (!ShapeOfRegion(rgn, &shape)) *err = paramErr;
    return transform(shape);
  });
}

OSErr SetRect(RgnHandle rgn, const Rect& r) {
  return Build(rgn, [&](OSErr*) { return Shape::FromRect(r); });
}

OSErr Copy(RgnHandle src, RgnHandle dst) {
  return Build(dst, [&](OSErr* err) {
    Shape shape;
    if (!ShapeOfRegion(src, &shape)) *err = paramErr;
    return shape;
  });
}

RgnHandle New() {
  OSErr err = noErr;
  Handle h = NewHandleBytes(static_cast<Size>(kRegionHeaderSize), true, &err);
  if (h == nullptr) return nullptr;
  auto rgn = reinterpret_cast<RgnHandle>(h);
  (**rgn).rgnSize = static_cast<UInt16>(kRegionHeaderSize);  // empty: a zero box
  return rgn;
}

// Reads the region's shape; false, with QDError paramErr, for a handle
// that is not a region.
bool Read(RgnHandle rgn, Shape* shape) {
  bool ok = Guarded<bool>(false, [&] { return ShapeOfRegion(rgn, shape); });
  SetQDError(ok ? noErr : paramErr);
  return ok;
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::SetQDError;
using qtml::Shape;

#define QTML_COMBINE_REGIONS(Name, op)                                    \
  void Name(RgnHandle srcRgnA, RgnHandle srcRgnB, RgnHandle dstRgn) try { \
    ApiCall call(#Name, srcRgnA, srcRgnB, dstRgn);                        \
    if (OSErr fault = call.Fault()) return SetQDError(fault);             \
    SetQDError(qtml::Combine(srcRgnA, srcRgnB, dstRgn, op));              \
  } catch (...) {                                                         \
    return qtml::Escaped<void>();                                         \
  }

extern "C" {

RgnHandle NewRgn(void) try {
  ApiCall call("NewRgn");
  if (OSErr fault = call.Fault()) {
    SetQDError(fault);
    return call.Return<RgnHandle>(nullptr);
  }
  RgnHandle rgn = qtml::New();
  SetQDError(rgn != nullptr ? noErr : memFullErr);
  return call.Return(rgn);
} catch (...) {
  return qtml::Escaped<RgnHandle>();
}

void DisposeRgn(RgnHandle rgn) try {
  ApiCall call("DisposeRgn", rgn);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  if (!qtml::IsRegion(rgn)) return SetQDError(paramErr);
  qtml::FreeHandle(reinterpret_cast<Handle>(rgn));
  SetQDError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

void MacCopyRgn(RgnHandle srcRgn, RgnHandle dstRgn) try {
  ApiCall call("MacCopyRgn", srcRgn, dstRgn);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::Copy(srcRgn, dstRgn));
} catch (...) {
  return qtml::Escaped<void>();
}

void CopyRgn(RgnHandle srcRgn, RgnHandle dstRgn) try {
  ApiCall call("CopyRgn", srcRgn, dstRgn);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::Copy(srcRgn, dstRgn));
} catch (...) {
  return qtml::Escaped<void>();
}

void SetEmptyRgn(RgnHandle rgn) try {
  ApiCall call("SetEmptyRgn", rgn);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::SetRect(rgn, Rect{0, 0, 0, 0}));
} catch (...) {
  return qtml::Escaped<void>();
}

void MacSetRectRgn(RgnHandle rgn, short left, short top, short right, short bottom) try {
  ApiCall call("MacSetRectRgn", rgn, left, top, right, bottom);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::SetRect(rgn, Rect{top, left, bottom, right}));
} catch (...) {
  return qtml::Escaped<void>();
}

void SetRectRgn(RgnHandle rgn, short left, short top, short right, short bottom) try {
  ApiCall call("SetRectRgn", rgn, left, top, right, bottom);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::SetRect(rgn, Rect{top, left, bottom, right}));
} catch (...) {
  return qtml::Escaped<void>();
}

void RectRgn(RgnHandle rgn, const Rect* r) try {
  ApiCall call("RectRgn", rgn, r);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  if (r == nullptr) return SetQDError(paramErr);
  SetQDError(qtml::SetRect(rgn, *r));
} catch (...) {
  return qtml::Escaped<void>();
}

void MacOffsetRgn(RgnHandle rgn, short dh, short dv) try {
  ApiCall call("MacOffsetRgn", rgn, dh, dv);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::Change(rgn, [&](const Shape& s) { return s.Offset(dh, dv); }));
} catch (...) {
  return qtml::Escaped<void>();
}

void OffsetRgn(RgnHandle rgn, short dh, short dv) try {
  ApiCall call("OffsetRgn", rgn, dh, dv);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::Change(rgn, [&](const Shape& s) { return s.Offset(dh, dv); }));
} catch (...) {
  return qtml::Escaped<void>();
}

void InsetRgn(RgnHandle rgn, short dh, short dv) try {
  ApiCall call("InsetRgn", rgn, dh, dv);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  SetQDError(qtml::Change(rgn, [&](const Shape& s) { return s.Inset(dh, dv); }));
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_COMBINE_REGIONS(SectRgn, Shape::Op::kIntersect)
QTML_COMBINE_REGIONS(MacUnionRgn, Shape::Op::kUnion)
QTML_COMBINE_REGIONS(UnionRgn, Shape::Op::kUnion)
QTML_COMBINE_REGIONS(DiffRgn, Shape::Op::kDifference)
QTML_COMBINE_REGIONS(MacXorRgn, Shape::Op::kXor)
QTML_COMBINE_REGIONS(XorRgn, Shape::Op::kXor)

Boolean MacEqualRgn(RgnHandle rgnA, RgnHandle rgnB) try {
  ApiCall call("MacEqualRgn", rgnA, rgnB);
  if (OSErr fault = call.Fault()) {
    SetQDError(fault);
    return call.Return<Boolean>(false);
  }
  Shape a, b;
  bool equal = qtml::Read(rgnA, &a) && qtml::Read(rgnB, &b) && a == b;
  return call.Return<Boolean>(equal);
} catch (...) {
  return qtml::Escaped<Boolean>();
}

Boolean EqualRgn(RgnHandle rgnA, RgnHandle rgnB) try {
  ApiCall call("EqualRgn", rgnA, rgnB);
  if (OSErr fault = call.Fault()) {
    SetQDError(fault);
    return call.Return<Boolean>(false);
  }
  Shape a, b;
  bool equal = qtml::Read(rgnA, &a) && qtml::Read(rgnB, &b) && a == b;
  return call.Return<Boolean>(equal);
} catch (...) {
  return qtml::Escaped<Boolean>();
}

Boolean EmptyRgn(RgnHandle rgn) try {
  ApiCall call("EmptyRgn", rgn);
  if (OSErr fault = call.Fault()) {
    SetQDError(fault);
    return call.Return<Boolean>(true);
  }
  if (!qtml::IsRegion(rgn)) {
    SetQDError(paramErr);
    return call.Return<Boolean>(true);
  }
  SetQDError(noErr);
  const Rect& box = (**rgn).rgnBBox;
  return call.Return<Boolean>(box.bottom <= box.top || box.right <= box.left);
} catch (...) {
  return qtml::Escaped<Boolean>();
}

Boolean PtInRgn(Point pt, RgnHandle rgn) try {
  ApiCall call("PtInRgn", pt.h, pt.v, rgn);
  if (OSErr fault = call.Fault()) {
    SetQDError(fault);
    return call.Return<Boolean>(false);
  }
  Shape shape;
  return call.Return<Boolean>(qtml::Read(rgn, &shape) && shape.Contains(pt.h, pt.v));
} catch (...) {
  return qtml::Escaped<Boolean>();
}

Boolean RectInRgn(const Rect* r, RgnHandle rgn) try {
  ApiCall call("RectInRgn", r, rgn);
  if (OSErr fault = call.Fault()) {
    SetQDError(fault);
    return call.Return<Boolean>(false);
  }
  if (r == nullptr) {
    SetQDError(paramErr);
    return call.Return<Boolean>(false);
  }
  Shape shape;
  return call.Return<Boolean>(qtml::Read(rgn, &shape) && shape.Touches(*r));
} catch (...) {
  return qtml::Escaped<Boolean>();
}

Rect* GetRegionBounds(RgnHandle region, Rect* bounds) try {
  ApiCall call("GetRegionBounds", region, bounds);
  if (bounds == nullptr) return call.Return(bounds);
  *bounds = Rect{0, 0, 0, 0};
  OSErr err = call.Fault();
  if (err == noErr && !qtml::IsRegion(region)) err = paramErr;
  if (err == noErr) *bounds = (**region).rgnBBox;
  SetQDError(err);
  return call.Return(bounds);
} catch (...) {
  return qtml::Escaped<Rect*>();
}

Boolean IsRegionRectangular(RgnHandle region) try {
  ApiCall call("IsRegionRectangular", region);
  OSErr err = call.Fault();
  if (err == noErr && !qtml::IsRegion(region)) err = paramErr;
  SetQDError(err);
  bool rectangular = err == noErr && (**region).rgnSize == qtml::kRegionHeaderSize;
  return call.Return<Boolean>(rectangular);
} catch (...) {
  return qtml::Escaped<Boolean>();
}

}  // extern "C"
