// Transformation matrices, checked against values worked out by hand. The
// convention: points are row vectors [x y 1] multiplied on the left, so
// x' = a·x + c·y + tx and y' = b·x + d·y + ty; with y downwards a
// positive rotation turns clockwise on screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "ImageCompression.h"
#include "QTMLTestControls.h"

namespace {

constexpr Fixed F(int n) {
  return n * fixed1;
}

Point Map(const MatrixRecord& m, short h, short v) {
  Point p{v, h};
  EXPECT_EQ(TransformPoints(&m, &p, 1), noErr);
  return p;
}

#define EXPECT_MAPS(m, fromH, fromV, toH, toV)                                 \
  do {                                                                         \
    Point mapped = Map(m, fromH, fromV);                                       \
    EXPECT_EQ(mapped.h, toH) << "from (" << (fromH) << ", " << (fromV) << ")"; \
    EXPECT_EQ(mapped.v, toV) << "from (" << (fromH) << ", " << (fromV) << ")"; \
  } while (0)

MatrixRecord Identity() {
  MatrixRecord m;
  SetIdentityMatrix(&m);
  return m;
}

TEST(MatrixTest, TheIdentityAndItsType) {
  MatrixRecord m;
  std::memset(&m, 0x5A, sizeof m);
  SetIdentityMatrix(&m);
  const Fixed expected[3][3] = {{fixed1, 0, 0}, {0, fixed1, 0}, {0, 0, fract1}};
  EXPECT_EQ(std::memcmp(m.matrix, expected, sizeof expected), 0);
  EXPECT_EQ(GetMatrixType(&m), identityMatrixType);
  EXPECT_MAPS(m, 17, -4, 17, -4);
  MatrixRecord copy;
  CopyMatrix(&m, &copy);
  EXPECT_TRUE(EqualMatrix(&m, &copy));
  copy.matrix[2][2] = fract1 - 1;
  EXPECT_FALSE(EqualMatrix(&m, &copy));
}

TEST(MatrixTest, TypesFromTheSimplestKindUp) {
  MatrixRecord m = Identity();
  TranslateMatrix(&m, F(1), 0);
  EXPECT_EQ(GetMatrixType(&m), translateMatrixType);
  m = Identity();
  ScaleMatrix(&m, F(2), F(1), 0, 0);
  EXPECT_EQ(GetMatrixType(&m), scaleMatrixType);
  ScaleMatrix(&m, F(1), F(1), F(0), F(0));
  EXPECT_EQ(GetMatrixType(&m), scaleMatrixType);
  ScaleMatrix(&m, F(1), F(2), F(0), F(5));  // about a point: also an offset
  EXPECT_EQ(GetMatrixType(&m), scaleTranslateMatrixType);
  m = Identity();
  RotateMatrix(&m, F(30), 0, 0);
  EXPECT_EQ(GetMatrixType(&m), linearMatrixType);
  TranslateMatrix(&m, 0, F(-1));
  EXPECT_EQ(GetMatrixType(&m), linearTranslateMatrixType);
  m = Identity();
  m.matrix[0][2] = 1;
  EXPECT_EQ(GetMatrixType(&m), perspectiveMatrixType);
}

TEST(MatrixTest, TranslateAndScaleAboutAPoint) {
  MatrixRecord m = Identity();
  TranslateMatrix(&m, F(10), F(-5));
  EXPECT_MAPS(m, 3, 4, 13, -1);

  m = Identity();
  ScaleMatrix(&m, F(2), F(3), F(10), F(10));  // (10, 10) stays put
  EXPECT_MAPS(m, 10, 10, 10, 10);
  EXPECT_MAPS(m, 0, 0, -10, -20);
  EXPECT_MAPS(m, 15, 20, 20, 40);

  // The translation comes after the scale that is already there.
  m = Identity();
  ScaleMatrix(&m, F(2), F(2), 0, 0);
  TranslateMatrix(&m, F(10), 0);
  EXPECT_MAPS(m, 3, 0, 16, 0);
}

TEST(MatrixTest, RotationsByQuarterTurnsAreExact) {
  MatrixRecord m = Identity();
  RotateMatrix(&m, F(90), 0, 0);
  EXPECT_EQ(m.matrix[0][0], 0);
  EXPECT_EQ(m.matrix[0][1], fixed1);   // (1, 0) goes to (0, 1)
  EXPECT_EQ(m.matrix[1][0], -fixed1);  // (0, 1) goes to (-1, 0)
  EXPECT_EQ(m.matrix[1][1], 0);
  EXPECT_MAPS(m, 10, 0, 0, 10);
  EXPECT_MAPS(m, 0, 10, -10, 0);

  m = Identity();
  RotateMatrix(&m, F(180), F(50), F(50));
  EXPECT_MAPS(m, 0, 0, 100, 100);
  EXPECT_MAPS(m, 100, 0, 0, 100);
  EXPECT_MAPS(m, 50, 50, 50, 50);

  // -90 and 270 and 3600 + 90 are the same turns.
  MatrixRecord a = Identity(), b = Identity(), c = Identity(), d = Identity();
  RotateMatrix(&a, F(-90), F(3), F(7));
  RotateMatrix(&b, F(270), F(3), F(7));
  RotateMatrix(&c, F(3690), F(3), F(7));
  RotateMatrix(&d, F(90), F(3), F(7));
  EXPECT_TRUE(EqualMatrix(&a, &b));
  EXPECT_TRUE(EqualMatrix(&c, &d));
}

TEST(MatrixTest, RotationBy45Degrees) {
  MatrixRecord m = Identity();
  RotateMatrix(&m, F(45), F(10), F(10));
  EXPECT_EQ(m.matrix[0][0], 46341);  // cos 45° = 0.7071068 → 46340.95
  EXPECT_EQ(m.matrix[0][1], 46341);
  FixedPoint p{F(110), F(10)};  // 100 to the right of the centre
  ASSERT_EQ(TransformFixedPoints(&m, &p, 1), noErr);
  EXPECT_NEAR(Fix2X(p.x), 10 + 70.7107, 0.001);
  EXPECT_NEAR(Fix2X(p.y), 10 + 70.7107, 0.001);
  EXPECT_MAPS(m, 110, 10, 81, 81);
}

TEST(MatrixTest, RectMatrixThenRotationAboutTheDestinationCentre) {
  MatrixRecord m;
  const Rect src{0, 0, 100, 100}, dst{0, 0, 200, 200};
  RectMatrix(&m, &src, &dst);
  EXPECT_EQ(GetMatrixType(&m), scaleMatrixType);
  RotateMatrix(&m, F(90), F(100), F(100));
  // (0, 0) scales to (0, 0), 100 left and above the centre; a quarter turn
  // (x' = -y, y' = x about the centre) puts it 100 right and above: the
  // top-right corner. Each corner moves on to the next one clockwise.
  EXPECT_MAPS(m, 0, 0, 200, 0);
  EXPECT_MAPS(m, 100, 0, 200, 200);
  EXPECT_MAPS(m, 100, 100, 0, 200);
  EXPECT_MAPS(m, 0, 100, 0, 0);
}

TEST(MatrixTest, RectMatrixMapsCornersOntoCorners) {
  MatrixRecord m;
  const Rect src{10, 20, 30, 60}, dst{0, 0, 40, 80};  // top, left, bottom, right
  RectMatrix(&m, &src, &dst);
  EXPECT_MAPS(m, 20, 10, 0, 0);
  EXPECT_MAPS(m, 60, 30, 80, 40);

  const Rect three{0, 0, 3, 3}, two{5, 5, 7, 7};
  RectMatrix(&m, &three, &two);
  EXPECT_EQ(m.matrix[0][0], 0xAAAB);  // 2/3, rounded
  EXPECT_MAPS(m, 0, 0, 5, 5);
  EXPECT_MAPS(m, 3, 3, 7, 7);

  const Rect empty{0, 0, 0, 10};
  RectMatrix(&m, &empty, &dst);
  EXPECT_EQ(GetMatrixType(&m), identityMatrixType);
}

TEST(MatrixTest, MapMatrixAppendsToWhatIsThere) {
  MatrixRecord m = Identity();
  TranslateMatrix(&m, F(5), F(5));
  const Rect from{0, 0, 10, 10}, to{0, 0, 20, 20};
  MapMatrix(&m, &from, &to);
  EXPECT_MAPS(m, 0, 0, 10, 10);
  EXPECT_MAPS(m, 1, 2, 12, 14);
}

TEST(MatrixTest, ConcatPutsTheFirstMatrixFirst) {
  MatrixRecord a = Identity(), b = Identity();
  TranslateMatrix(&a, F(10), 0);
  ScaleMatrix(&b, F(2), F(2), 0, 0);
  ConcatMatrix(&a, &b);
  EXPECT_MAPS(b, 1, 0, 22, 0);  // translated, then scaled; not 12

  // TranslateMatrix is ConcatMatrix with the translation second.
  MatrixRecord m = Identity(), t = Identity(), viaConcat;
  RotateMatrix(&m, F(30), F(4), F(9));
  CopyMatrix(&m, &viaConcat);
  t.matrix[2][0] = F(7);
  t.matrix[2][1] = F(-3);
  ConcatMatrix(&viaConcat, &t);
  TranslateMatrix(&m, F(7), F(-3));
  EXPECT_TRUE(EqualMatrix(&m, &t));
}

TEST(MatrixTest, SkewShiftsAlongOneAxisByTheOther) {
  MatrixRecord m = Identity();
  SkewMatrix(&m, F(1), 0, 0, F(10));
  EXPECT_MAPS(m, 0, 10, 0, 10);
  EXPECT_MAPS(m, 0, 20, 10, 20);
  EXPECT_MAPS(m, 5, 0, -5, 0);
  EXPECT_EQ(GetMatrixType(&m), linearTranslateMatrixType);
}

TEST(MatrixTest, PerspectiveDividesByW) {
  MatrixRecord m = Identity();
  m.matrix[2][2] = fract1 / 2;  // w = 0.5 doubles every coordinate
  EXPECT_MAPS(m, 3, -4, 6, -8);
  m = Identity();
  m.matrix[0][2] = fract1 / 100;  // w = 1 + x/100
  EXPECT_MAPS(m, 100, 50, 50, 25);
  EXPECT_MAPS(m, -100, 7, -32768, 32767);  // w = 0: off to infinity
}

TEST(MatrixTest, InverseRoundTripsAndRefusesSingularMatrices) {
  MatrixRecord m = Identity();
  ScaleMatrix(&m, F(3), 0x8000, F(1), F(2));
  RotateMatrix(&m, F(33), F(-4), F(6));
  TranslateMatrix(&m, F(12), F(-40));
  MatrixRecord inverse;
  ASSERT_TRUE(InverseMatrix(&m, &inverse));
  FixedPoint points[] = {{F(0), F(0)}, {F(100), F(-50)}, {0x12345, -0x54321}};
  FixedPoint original[3];
  std::memcpy(original, points, sizeof points);
  TransformFixedPoints(&m, points, 3);
  TransformFixedPoints(&inverse, points, 3);
  // Each element of the inverse is within half a step of the true value;
  // coordinates in the hundreds multiply that error.
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(Fix2X(points[i].x), Fix2X(original[i].x), 0.005) << i;
    EXPECT_NEAR(Fix2X(points[i].y), Fix2X(original[i].y), 0.005) << i;
  }
  ConcatMatrix(&m, &inverse);  // m then its inverse: the identity, nearly
  EXPECT_LE(std::abs(inverse.matrix[0][0] - fixed1), 2);
  EXPECT_LE(std::abs(inverse.matrix[2][0]), 64);

  MatrixRecord perspective = Identity();
  perspective.matrix[0][2] = fract1 / 100;
  perspective.matrix[2][0] = F(3);
  ASSERT_TRUE(InverseMatrix(&perspective, &inverse));
  FixedPoint p{F(40), F(10)};
  TransformFixedPoints(&perspective, &p, 1);
  TransformFixedPoints(&inverse, &p, 1);
  EXPECT_NEAR(Fix2X(p.x), 40, 0.001);
  EXPECT_NEAR(Fix2X(p.y), 10, 0.001);

  MatrixRecord flat = Identity(), untouched = Identity();
  ScaleMatrix(&flat, F(2), 0, 0, 0);
  EXPECT_FALSE(InverseMatrix(&flat, &untouched));
  MatrixRecord identity = Identity();
  EXPECT_TRUE(EqualMatrix(&untouched, &identity));
}

TEST(MatrixTest, TransformRectGivesTheBoundingBox) {
  MatrixRecord m = Identity();
  ScaleMatrix(&m, F(2), F(3), 0, 0);
  TranslateMatrix(&m, F(5), 0);
  Rect r{1, 2, 11, 12};  // top, left, bottom, right
  EXPECT_TRUE(TransformRect(&m, &r, nullptr));
  EXPECT_EQ(r.left, 9);
  EXPECT_EQ(r.top, 3);
  EXPECT_EQ(r.right, 29);
  EXPECT_EQ(r.bottom, 33);

  // A quarter turn keeps a rectangle a rectangle.
  m = Identity();
  RotateMatrix(&m, F(90), 0, 0);
  r = Rect{0, 0, 10, 20};
  FixedPoint corners[4];
  EXPECT_TRUE(TransformRect(&m, &r, corners));
  EXPECT_EQ(r.left, -10);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 0);
  EXPECT_EQ(r.bottom, 20);
  // Top-left, top-right, bottom-right, bottom-left of the source.
  EXPECT_EQ(corners[1].x, 0);
  EXPECT_EQ(corners[1].y, F(20));
  EXPECT_EQ(corners[2].x, F(-10));
  EXPECT_EQ(corners[2].y, F(20));

  // Half of one does not; the box holds the diamond.
  m = Identity();
  RotateMatrix(&m, F(45), 0, 0);
  FixedRect fr{0, 0, F(10), F(10)};
  EXPECT_FALSE(TransformFixedRect(&m, &fr, nullptr));
  EXPECT_NEAR(Fix2X(fr.left), -7.0711, 0.001);
  EXPECT_EQ(fr.top, 0);
  EXPECT_NEAR(Fix2X(fr.right), 7.0711, 0.001);
  EXPECT_NEAR(Fix2X(fr.bottom), 14.1421, 0.001);
}

TEST(MatrixTest, PointsSaturateAndBadArgumentsAreRefused) {
  MatrixRecord m = Identity();
  TranslateMatrix(&m, F(30000), F(-30000));
  EXPECT_MAPS(m, 10000, -10000, 32767, -32768);
  EXPECT_EQ(TransformPoints(nullptr, nullptr, 0), paramErr);
  EXPECT_EQ(TransformPoints(&m, nullptr, 1), paramErr);
  EXPECT_EQ(TransformPoints(&m, nullptr, 0), noErr);

  QTMLTest_FailCall("TransformPoints", 1, memFullErr);
  Point p{1, 2};
  EXPECT_EQ(TransformPoints(&m, &p, 1), memFullErr);
  EXPECT_EQ(p.h, 2);
  QTMLTest_FailCall("RotateMatrix", 1, memFullErr);
  RotateMatrix(&m, F(90), 0, 0);
  EXPECT_EQ(GetMatrixType(&m), translateMatrixType);
  QTMLTest_ClearFaults();
}

}  // namespace
