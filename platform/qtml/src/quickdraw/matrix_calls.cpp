// The matrix calls of ImageCompression.h. Calls that report no errors do
// nothing (or answer false or 0) when given nil or an injected fault.
#include <algorithm>

#include "ImageCompression.h"
#include "base/api_call.h"
#include "quickdraw/fixed_math.h"
#include "quickdraw/matrix.h"

namespace qtml {
namespace {

// Appends `operation` to *m.
void Append(MatrixRecord* m, const MatrixRecord& operation) {
  *m = Concat(*m, operation);
}

FixedPoint FixedPointOf(Point p) {
  return FixedPoint{FixedFromLong(p.h), FixedFromLong(p.v)};
}

// The nearest 16-bit coordinate to a Fixed one, saturating.
short Coordinate(Fixed x) {
  Wide rounded = ShiftRounded(x, kFixedBits);
  return static_cast<short>(std::clamp<Wide>(rounded, INT16_MIN, INT16_MAX));
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;

extern "C" {

void SetIdentityMatrix(MatrixRecord* matrix) try {
  ApiCall call("SetIdentityMatrix", matrix);
  if (call.Fault() || matrix == nullptr) return;
  *matrix = qtml::IdentityMatrix();
} catch (...) {
  return qtml::Escaped<void>();
}

short GetMatrixType(const MatrixRecord* m) try {
  ApiCall call("GetMatrixType", m);
  if (call.Fault() || m == nullptr) return call.Return<short>(identityMatrixType);
  return call.Return(qtml::MatrixKind(*m));
} catch (...) {
  return qtml::Escaped<short>();
}

void CopyMatrix(const MatrixRecord* m1, MatrixRecord* m2) try {
  ApiCall call("CopyMatrix", m1, m2);
  if (call.Fault() || m1 == nullptr || m2 == nullptr) return;
  *m2 = *m1;
} catch (...) {
  return qtml::Escaped<void>();
}

Boolean EqualMatrix(const MatrixRecord* m1, const MatrixRecord* m2) try {
  ApiCall call("EqualMatrix", m1, m2);
  if (call.Fault() || m1 == nullptr || m2 == nullptr) return call.Return<Boolean>(false);
  return call.Return<Boolean>(
      std::equal(&m1->matrix[0][0], &m1->matrix[0][0] + 9, &m2->matrix[0][0]));
} catch (...) {
  return qtml::Escaped<Boolean>();
}

void TranslateMatrix(MatrixRecord* m, Fixed deltaH, Fixed deltaV) try {
  ApiCall call("TranslateMatrix", m, deltaH, deltaV);
  if (call.Fault() || m == nullptr) return;
  qtml::Append(m, qtml::Translation(deltaH, deltaV));
} catch (...) {
  return qtml::Escaped<void>();
}

void RotateMatrix(MatrixRecord* m, Fixed degrees, Fixed aboutX, Fixed aboutY) try {
  ApiCall call("RotateMatrix", m, degrees, aboutX, aboutY);
  if (call.Fault() || m == nullptr) return;
  qtml::Append(m, qtml::RotationAbout(degrees, aboutX, aboutY));
} catch (...) {
  return qtml::Escaped<void>();
}

void ScaleMatrix(MatrixRecord* m, Fixed scaleX, Fixed scaleY, Fixed aboutX, Fixed aboutY) try {
  ApiCall call("ScaleMatrix", m, scaleX, scaleY, aboutX, aboutY);
  if (call.Fault() || m == nullptr) return;
  qtml::Append(m, qtml::ScalingAbout(scaleX, scaleY, aboutX, aboutY));
} catch (...) {
  return qtml::Escaped<void>();
}

void SkewMatrix(MatrixRecord* m, Fixed skewX, Fixed skewY, Fixed aboutX, Fixed aboutY) try {
  ApiCall call("SkewMatrix", m, skewX, skewY, aboutX, aboutY);
  if (call.Fault() || m == nullptr) return;
  qtml::Append(m, qtml::SkewAbout(skewX, skewY, aboutX, aboutY));
} catch (...) {
  return qtml::Escaped<void>();
}

void ConcatMatrix(const MatrixRecord* a, MatrixRecord* b) try {
  ApiCall call("ConcatMatrix", a, b);
  if (call.Fault() || a == nullptr || b == nullptr) return;
  *b = qtml::Concat(*a, *b);
} catch (...) {
  return qtml::Escaped<void>();
}

Boolean InverseMatrix(const MatrixRecord* m, MatrixRecord* im) try {
  ApiCall call("InverseMatrix", m, im);
  if (call.Fault() || m == nullptr || im == nullptr) return call.Return<Boolean>(false);
  return call.Return<Boolean>(qtml::Invert(*m, *im));
} catch (...) {
  return qtml::Escaped<Boolean>();
}

void RectMatrix(MatrixRecord* matrix, const Rect* srcRect, const Rect* dstRect) try {
  ApiCall call("RectMatrix", matrix, srcRect, dstRect);
  if (call.Fault() || matrix == nullptr || srcRect == nullptr || dstRect == nullptr) return;
  *matrix = qtml::RectMapping(*srcRect, *dstRect);
} catch (...) {
  return qtml::Escaped<void>();
}

void MapMatrix(MatrixRecord* matrix, const Rect* fromRect, const Rect* toRect) try {
  ApiCall call("MapMatrix", matrix, fromRect, toRect);
  if (call.Fault() || matrix == nullptr || fromRect == nullptr || toRect == nullptr) return;
  qtml::Append(matrix, qtml::RectMapping(*fromRect, *toRect));
} catch (...) {
  return qtml::Escaped<void>();
}

OSErr TransformPoints(const MatrixRecord* mp, Point* pt1, long count) try {
  ApiCall call("TransformPoints", mp, pt1, count);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (mp == nullptr || (pt1 == nullptr && count > 0)) return call.Return(paramErr);
  for (long i = 0; i < count; ++i) {
    FixedPoint p = qtml::MapPoint(*mp, qtml::FixedPointOf(pt1[i]));
    pt1[i].h = qtml::Coordinate(p.x);
    pt1[i].v = qtml::Coordinate(p.y);
  }
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr TransformFixedPoints(const MatrixRecord* m, FixedPoint* fpt, long count) try {
  ApiCall call("TransformFixedPoints", m, fpt, count);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (m == nullptr || (fpt == nullptr && count > 0)) return call.Return(paramErr);
  for (long i = 0; i < count; ++i) fpt[i] = qtml::MapPoint(*m, fpt[i]);
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

Boolean TransformRect(const MatrixRecord* m, Rect* r, FixedPoint* fpp) try {
  ApiCall call("TransformRect", m, r, fpp);
  if (call.Fault() || m == nullptr || r == nullptr) return call.Return<Boolean>(false);
  FixedRect box{qtml::FixedFromLong(r->left), qtml::FixedFromLong(r->top),
                qtml::FixedFromLong(r->right), qtml::FixedFromLong(r->bottom)};
  bool rectangular = qtml::MapFixedRect(*m, box, fpp);
  *r = Rect{qtml::Coordinate(box.top), qtml::Coordinate(box.left), qtml::Coordinate(box.bottom),
            qtml::Coordinate(box.right)};
  return call.Return<Boolean>(rectangular);
} catch (...) {
  return qtml::Escaped<Boolean>();
}

Boolean TransformFixedRect(const MatrixRecord* m, FixedRect* fr, FixedPoint* fpp) try {
  ApiCall call("TransformFixedRect", m, fr, fpp);
  if (call.Fault() || m == nullptr || fr == nullptr) return call.Return<Boolean>(false);
  return call.Return<Boolean>(qtml::MapFixedRect(*m, *fr, fpp));
} catch (...) {
  return qtml::Escaped<Boolean>();
}

Fixed FixMulDiv(Fixed src, Fixed mul, Fixed divide) try {
  ApiCall call("FixMulDiv", src, mul, divide);
  if (call.Fault()) return call.Return<Fixed>(0);
  qtml::Wide product = static_cast<qtml::Wide>(src) * mul;
  if (divide == 0) {
    return call.Return(product < 0 ? qtml::kNegativeInfinity : qtml::kPositiveInfinity);
  }
  return call.Return(qtml::Saturate(qtml::DivideRounded(product, divide)));
} catch (...) {
  return qtml::Escaped<Fixed>();
}

}  // extern "C"
