// Transformation matrices as the engine computes them, behind the matrix
// calls of ImageCompression.h and for engine code that maps points and
// pictures without going through the traced public calls.
#pragma once

#include "ImageCompression.h"

namespace qtml {

MatrixRecord IdentityMatrix();
short MatrixKind(const MatrixRecord& m);

// The transformation of `first` followed by that of `second` (first ×
// second), each element computed exactly and rounded once.
MatrixRecord Concat(const MatrixRecord& first, const MatrixRecord& second);

// The single operations that the matrix calls append.
MatrixRecord Translation(Fixed dx, Fixed dy);
MatrixRecord ScalingAbout(Fixed sx, Fixed sy, Fixed x, Fixed y);
MatrixRecord RotationAbout(Fixed degrees, Fixed x, Fixed y);
MatrixRecord SkewAbout(Fixed skewX, Fixed skewY, Fixed x, Fixed y);

// The matrix mapping `from` onto `to`: a scale, then an offset. A `from`
// with no width or height gives the identity.
MatrixRecord RectMapping(const Rect& from, const Rect& to);

// Where the matrix sends the point. A perspective matrix that sends it to
// infinity gives saturated coordinates.
FixedPoint MapPoint(const MatrixRecord& m, FixedPoint p);

// The inverse, or false when m is singular or its inverse does not fit
// the matrix's fixed-point formats.
bool Invert(const MatrixRecord& m, MatrixRecord& inverse);

// The element's value as a real number (Fixed or Fract by its column).
double ElementValue(const MatrixRecord& m, int row, int column);

// The bounding box of the four transformed corners of `r` (left, top,
// right, bottom in Fixed), written to `corners` (top-left, top-right,
// bottom-right, bottom-left) when given. True when the transformed
// rectangle is its own bounding box.
bool MapFixedRect(const MatrixRecord& m, FixedRect& r, FixedPoint* corners);

}  // namespace qtml
