#include "quickdraw/matrix.h"

#include <algorithm>
#include <cmath>

#include "quickdraw/fixed_math.h"

namespace qtml {
namespace {

constexpr Fixed kOne = 1 << kFixedBits;
constexpr Fract kFractOne = 1 << kFractBits;

// The number of fraction bits of a column: Fixed, Fixed, Fract.
constexpr int BitsOf(int column) {
  return column == 2 ? kFractBits : kFixedBits;
}

bool IsAffine(const MatrixRecord& m) {
  return m.matrix[0][2] == 0 && m.matrix[1][2] == 0 && m.matrix[2][2] == kFractOne;
}

// Fixed x × Fixed y with the product kept whole (scale 2^32).
Wide Product(Fixed x, Fixed y) {
  return static_cast<Wide>(x) * y;
}

// The sides of a possibly rotated rectangle are axis-aligned when each
// corner shares an x or a y with the next one.
bool SidesAxisAligned(const FixedPoint corners[4]) {
  for (int i = 0; i < 4; ++i) {
    const FixedPoint& p = corners[i];
    const FixedPoint& q = corners[(i + 1) % 4];
    if (p.x != q.x && p.y != q.y) return false;
  }
  return true;
}

// cos and sin of the angle as Fixed. Quarter turns are exact; the angle is
// reduced first so that large angles lose no precision.
void CosineAndSine(Fixed degrees, Fixed& c, Fixed& s) {
  long long turn = 360LL << kFixedBits;
  long long reduced = ((static_cast<long long>(degrees) % turn) + turn) % turn;
  if (reduced % (90LL << kFixedBits) == 0) {
    static constexpr Fixed kCos[] = {kOne, 0, -kOne, 0};
    static constexpr Fixed kSin[] = {0, kOne, 0, -kOne};
    int quarter = static_cast<int>(reduced / (90LL << kFixedBits));
    c = kCos[quarter];
    s = kSin[quarter];
    return;
  }
  double radians = ToDouble(static_cast<SInt32>(reduced), kFixedBits) * M_PI / 180.0;
  c = FromDouble(std::cos(radians), kFixedBits);
  s = FromDouble(std::sin(radians), kFixedBits);
}

}  // namespace

MatrixRecord IdentityMatrix() {
  MatrixRecord m{};
  m.matrix[0][0] = kOne;
  m.matrix[1][1] = kOne;
  m.matrix[2][2] = kFractOne;
  return m;
}

short MatrixKind(const MatrixRecord& m) {
  if (!IsAffine(m)) return perspectiveMatrixType;
  bool offset = m.matrix[2][0] != 0 || m.matrix[2][1] != 0;
  if (m.matrix[0][1] != 0 || m.matrix[1][0] != 0) {
    return offset ? linearTranslateMatrixType : linearMatrixType;
  }
  if (m.matrix[0][0] != kOne || m.matrix[1][1] != kOne) {
    return offset ? scaleTranslateMatrixType : scaleMatrixType;
  }
  return offset ? translateMatrixType : identityMatrixType;
}

MatrixRecord Concat(const MatrixRecord& first, const MatrixRecord& second) {
  MatrixRecord result;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      // first[i][k] carries BitsOf(k) fraction bits and second[k][j]
      // BitsOf(j); bringing every term to BitsOf(j) + 30 bits lets the sum
      // be exact and rounded once.
      Wide sum = 0;
      for (int k = 0; k < 3; ++k) {
        sum += static_cast<Wide>(first.matrix[i][k]) * second.matrix[k][j]
               << (kFractBits - BitsOf(k));
      }
      result.matrix[i][j] = Saturate(ShiftRounded(sum, kFractBits));
    }
  }
  return result;
}

MatrixRecord Translation(Fixed dx, Fixed dy) {
  MatrixRecord m = IdentityMatrix();
  m.matrix[2][0] = dx;
  m.matrix[2][1] = dy;
  return m;
}

MatrixRecord ScalingAbout(Fixed sx, Fixed sy, Fixed x, Fixed y) {
  MatrixRecord m = IdentityMatrix();
  m.matrix[0][0] = sx;
  m.matrix[1][1] = sy;
  // (x, y) stays: the offset is about - about × scale.
  m.matrix[2][0] = Saturate(ShiftRounded(Product(x, kOne) - Product(x, sx), kFixedBits));
  m.matrix[2][1] = Saturate(ShiftRounded(Product(y, kOne) - Product(y, sy), kFixedBits));
  return m;
}

MatrixRecord RotationAbout(Fixed degrees, Fixed x, Fixed y) {
  Fixed c = 0, s = 0;
  CosineAndSine(degrees, c, s);
  MatrixRecord m = IdentityMatrix();
  m.matrix[0][0] = c;
  m.matrix[0][1] = s;
  m.matrix[1][0] = -s;
  m.matrix[1][1] = c;
  // (x, y) stays: x' = x·c - y·s + tx = x and y' = x·s + y·c + ty = y.
  m.matrix[2][0] =
      Saturate(ShiftRounded(Product(x, kOne) - Product(x, c) + Product(y, s), kFixedBits));
  m.matrix[2][1] =
      Saturate(ShiftRounded(Product(y, kOne) - Product(x, s) - Product(y, c), kFixedBits));
  return m;
}

MatrixRecord SkewAbout(Fixed skewX, Fixed skewY, Fixed x, Fixed y) {
  MatrixRecord m = IdentityMatrix();
  m.matrix[1][0] = skewX;
  m.matrix[0][1] = skewY;
  m.matrix[2][0] = Saturate(ShiftRounded(-Product(skewX, y), kFixedBits));
  m.matrix[2][1] = Saturate(ShiftRounded(-Product(skewY, x), kFixedBits));
  return m;
}

MatrixRecord RectMapping(const Rect& from, const Rect& to) {
  MatrixRecord m = IdentityMatrix();
  int fromWidth = from.right - from.left;
  int fromHeight = from.bottom - from.top;
  if (fromWidth == 0 || fromHeight == 0) return m;
  Fixed sx = DivFixed(FixedFromLong(to.right - to.left), FixedFromLong(fromWidth));
  Fixed sy = DivFixed(FixedFromLong(to.bottom - to.top), FixedFromLong(fromHeight));
  m.matrix[0][0] = sx;
  m.matrix[1][1] = sy;
  // The offset that puts from's top-left corner on to's.
  m.matrix[2][0] = Saturate(static_cast<Wide>(to.left) * kOne - static_cast<Wide>(from.left) * sx);
  m.matrix[2][1] = Saturate(static_cast<Wide>(to.top) * kOne - static_cast<Wide>(from.top) * sy);
  return m;
}

FixedPoint MapPoint(const MatrixRecord& m, FixedPoint p) {
  const auto& e = m.matrix;
  // x' and y' with 32 fraction bits.
  Wide x = Product(p.x, e[0][0]) + Product(p.y, e[1][0]) + (static_cast<Wide>(e[2][0]) << 16);
  Wide y = Product(p.x, e[0][1]) + Product(p.y, e[1][1]) + (static_cast<Wide>(e[2][1]) << 16);
  if (IsAffine(m)) {
    return FixedPoint{Saturate(ShiftRounded(x, 16)), Saturate(ShiftRounded(y, 16))};
  }
  // w' with 46 fraction bits; x'/w' in Fixed is x × 2^30 ÷ w.
  Wide w = Product(p.x, e[0][2]) + Product(p.y, e[1][2]) + (static_cast<Wide>(e[2][2]) << 16);
  if (w == 0) {
    return FixedPoint{x < 0 ? kNegativeInfinity : kPositiveInfinity,
                      y < 0 ? kNegativeInfinity : kPositiveInfinity};
  }
  return FixedPoint{Saturate(DivideRounded(x << kFractBits, w)),
                    Saturate(DivideRounded(y << kFractBits, w))};
}

double ElementValue(const MatrixRecord& m, int row, int column) {
  return ToDouble(m.matrix[row][column], BitsOf(column));
}

bool Invert(const MatrixRecord& m, MatrixRecord& inverse) {
  const auto& e = m.matrix;
  // Every term of the determinant takes one element of each column, so
  // all carry 16 + 16 + 30 fraction bits and the integer sum is exact.
  Wide det = static_cast<Wide>(e[0][0]) *
                 (static_cast<Wide>(e[1][1]) * e[2][2] - static_cast<Wide>(e[2][1]) * e[1][2]) -
             static_cast<Wide>(e[1][0]) *
                 (static_cast<Wide>(e[0][1]) * e[2][2] - static_cast<Wide>(e[2][1]) * e[0][2]) +
             static_cast<Wide>(e[2][0]) *
                 (static_cast<Wide>(e[0][1]) * e[1][2] - static_cast<Wide>(e[1][1]) * e[0][2]);
  if (det == 0) return false;
  long double r[3][3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) r[i][j] = ElementValue(m, i, j);
  }
  long double realDet = r[0][0] * (r[1][1] * r[2][2] - r[2][1] * r[1][2]) -
                        r[1][0] * (r[0][1] * r[2][2] - r[2][1] * r[0][2]) +
                        r[2][0] * (r[0][1] * r[1][2] - r[1][1] * r[0][2]);
  MatrixRecord result;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      // Element (i, j) of the inverse is the cofactor of (j, i) over det.
      int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
      long double cofactor = r[r0][c0] * r[r1][c1] - r[r0][c1] * r[r1][c0];
      long double scaled = std::ldexp(cofactor / realDet, BitsOf(j));
      if (!(std::fabs(scaled) < 2147483647.5L)) return false;
      result.matrix[i][j] = static_cast<Fixed>(std::llround(scaled));
    }
  }
  inverse = result;
  return true;
}

bool MapFixedRect(const MatrixRecord& m, FixedRect& r, FixedPoint* corners) {
  FixedPoint p[4] = {
      MapPoint(m, FixedPoint{r.left, r.top}), MapPoint(m, FixedPoint{r.right, r.top}),
      MapPoint(m, FixedPoint{r.right, r.bottom}), MapPoint(m, FixedPoint{r.left, r.bottom})};
  r.left = r.right = p[0].x;
  r.top = r.bottom = p[0].y;
  for (const FixedPoint& q : p) {
    r.left = std::min(r.left, q.x);
    r.right = std::max(r.right, q.x);
    r.top = std::min(r.top, q.y);
    r.bottom = std::max(r.bottom, q.y);
  }
  if (corners != nullptr) std::copy(p, p + 4, corners);
  return SidesAxisAligned(p);
}

}  // namespace qtml
