/*
 * ImageCompression.h: transformation matrices and the Image Compression
 * Manager.
 *
 * A MatrixRecord maps a point (x, y) as the row vector [x y 1] multiplied
 * on the left of the matrix:
 *
 *   [x' y' w'] = [x y 1] × | a  b  u |
 *                          | c  d  v |
 *                          | tx ty w |
 *
 * and the point goes to (x'/w', y'/w'). a, b, c, d, tx and ty
 * (matrix[0..2][0..1]) are Fixed; u, v and w (matrix[0..2][2]) are Fract,
 * so the identity has matrix[2][2] = fract1. Coordinates are QuickDraw's:
 * x grows to the right, y downwards.
 *
 * The calls that modify a matrix (TranslateMatrix, ScaleMatrix,
 * RotateMatrix, SkewMatrix, MapMatrix) append their transformation: points
 * go through the matrix as it was first, then through the new operation.
 * Products are computed exactly and rounded once per element.
 */
#ifndef __IMAGECOMPRESSION__
#define __IMAGECOMPRESSION__

#include "FixMath.h"
#include "MacErrors.h"
#include "MacTypes.h"
#include "Quickdraw.h"

QTML_EXTERN_C_BEGIN

typedef struct MatrixRecord {
  Fixed matrix[3][3];
} MatrixRecord;
typedef MatrixRecord* MatrixRecordPtr;

/* GetMatrixType results, from the simplest kind of transformation up. */
enum {
  identityMatrixType = 0x00,        /* the identity */
  translateMatrixType = 0x01,       /* an offset only */
  scaleMatrixType = 0x02,           /* a scale only */
  scaleTranslateMatrixType = 0x03,  /* a scale and an offset */
  linearMatrixType = 0x04,          /* rotation or skew, no offset */
  linearTranslateMatrixType = 0x05, /* rotation or skew with an offset */
  perspectiveMatrixType = 0x06      /* u or v not 0, or w not fract1 */
};

QTML_API void SetIdentityMatrix(MatrixRecord* matrix);
QTML_API short GetMatrixType(const MatrixRecord* m);
QTML_API void CopyMatrix(const MatrixRecord* m1, MatrixRecord* m2);
QTML_API Boolean EqualMatrix(const MatrixRecord* m1, const MatrixRecord* m2);

/* Appends an offset of (deltaH, deltaV). */
QTML_API void TranslateMatrix(MatrixRecord* m, Fixed deltaH, Fixed deltaV);
/* Appends a rotation by `degrees` about (aboutX, aboutY). A positive angle
 * turns the x axis towards the y axis: with y downwards, clockwise on
 * screen; by 90 degrees about the origin, (1, 0) goes to (0, 1) and
 * (0, 1) to (-1, 0). */
QTML_API void RotateMatrix(MatrixRecord* m, Fixed degrees, Fixed aboutX, Fixed aboutY);
/* Appends a scale by (scaleX, scaleY) that leaves (aboutX, aboutY) where
 * it is. */
QTML_API void ScaleMatrix(MatrixRecord* m, Fixed scaleX, Fixed scaleY, Fixed aboutX, Fixed aboutY);
/* Appends a skew about (aboutX, aboutY): x grows by skewX × (y - aboutY)
 * and y by skewY × (x - aboutX). */
QTML_API void SkewMatrix(MatrixRecord* m, Fixed skewX, Fixed skewY, Fixed aboutX, Fixed aboutY);

/* b becomes a × b: the transformation of a followed by that of b. */
QTML_API void ConcatMatrix(const MatrixRecord* a, MatrixRecord* b);
/* Writes the inverse of m to im; false (im unchanged) when m is singular
 * or its inverse cannot be represented. m and im may be the same. */
QTML_API Boolean InverseMatrix(const MatrixRecord* m, MatrixRecord* im);

/* Sets matrix to map srcRect onto dstRect: a scale by the ratio of their
 * sizes, then an offset. An empty srcRect leaves the identity. */
QTML_API void RectMatrix(MatrixRecord* matrix, const Rect* srcRect, const Rect* dstRect);
/* Appends the mapping of fromRect onto toRect (as RectMatrix) to matrix. */
QTML_API void MapMatrix(MatrixRecord* matrix, const Rect* fromRect, const Rect* toRect);

/* Transform points in place, rounding integer points to the nearest
 * pixel; coordinates beyond the 16-bit range saturate. Points that a
 * perspective matrix sends to infinity saturate as well. */
QTML_API OSErr TransformPoints(const MatrixRecord* mp, Point* pt1, long count);
QTML_API OSErr TransformFixedPoints(const MatrixRecord* m, FixedPoint* fpt, long count);

/* Replace the rectangle by the bounding box of its transformed corners.
 * When fpp is given, the four transformed corners are written to it in the
 * order top-left, top-right, bottom-right, bottom-left. The result is true
 * when the transformed rectangle is its own bounding box (only scaling,
 * offsets and turns by multiples of 90 degrees). */
QTML_API Boolean TransformRect(const MatrixRecord* m, Rect* r, FixedPoint* fpp);
QTML_API Boolean TransformFixedRect(const MatrixRecord* m, FixedRect* fr, FixedPoint* fpp);

/* src × mul ÷ divide with a 64-bit intermediate product, rounded; division
 * by zero saturates with the product's sign. */
QTML_API Fixed FixMulDiv(Fixed src, Fixed mul, Fixed divide);

QTML_EXTERN_C_END

#endif /* __IMAGECOMPRESSION__ */
