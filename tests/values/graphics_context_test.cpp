// The matrix a graphics context builds, checked by where it maps points.
#include "values/graphics_context.h"

#include <gtest/gtest.h>

#include "Movies.h"
#include "QTML.h"
#include "values/region.h"

namespace {

using fenra::GraphicsContextNative;

Point Map(MatrixRecord* matrix, short h, short v) {
  Point point{v, h};
  TransformPoints(matrix, &point, 1);
  return point;
}

class GraphicsContext : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(InitializeQTML(0), noErr); }
  GraphicsContextNative gc;
};

#define EXPECT_MAPS(matrix, fromH, fromV, toH, toV)               \
  do {                                                            \
    Point mapped = Map(matrix, fromH, fromV);                     \
    EXPECT_EQ(mapped.h, toH) << "from " << fromH << "," << fromV; \
    EXPECT_EQ(mapped.v, toV) << "from " << fromH << "," << fromV; \
  } while (0)

TEST_F(GraphicsContext, ANewContextBuildsTheIdentity) {
  MatrixRecord* matrix = gc.BuildMatrix();
  EXPECT_EQ(GetMatrixType(matrix), identityMatrixType);
  EXPECT_EQ(gc.ClipRegion(), nullptr);
  EXPECT_EQ(gc.zoom, 1.0);
}

TEST_F(GraphicsContext, SourceOntoDestinationThenRotationAboutTheDestinationCentre) {
  gc.src.rect = Rect{0, 0, 100, 100};
  gc.SetDestination(Rect{0, 0, 200, 200});
  gc.rotation = 90;
  MatrixRecord* matrix = gc.BuildMatrix();
  // Scaled by 2, then turned a quarter about (100, 100): x' = -y, y' = x
  // about the centre, so each corner lands on the next one clockwise.
  EXPECT_MAPS(matrix, 0, 0, 200, 0);
  EXPECT_MAPS(matrix, 100, 0, 200, 200);
  EXPECT_MAPS(matrix, 100, 100, 0, 200);
  EXPECT_MAPS(matrix, 0, 100, 0, 0);
  EXPECT_MAPS(matrix, 50, 50, 100, 100);
}

TEST_F(GraphicsContext, TheShiftComesBeforeTheRotationAndDoesNotMoveItsCentre) {
  gc.src.rect = Rect{0, 0, 100, 100};
  gc.SetDestination(Rect{0, 0, 200, 200});
  gc.rotation = 90;
  gc.xShift = 10;
  MatrixRecord* matrix = gc.BuildMatrix();
  EXPECT_MAPS(matrix, 0, 0, 200, 10);
  EXPECT_MAPS(matrix, 50, 50, 100, 110);
}

TEST_F(GraphicsContext, ZoomScalesAboutTheDestinationCentre) {
  gc.SetDestination(Rect{0, 0, 100, 200});  // centre (100, 50)
  gc.zoom = 2.0;
  MatrixRecord* matrix = gc.BuildMatrix();
  EXPECT_MAPS(matrix, 100, 50, 100, 50);
  EXPECT_MAPS(matrix, 0, 0, -100, -50);
}

TEST_F(GraphicsContext, CopySettingsSkipsEmptyRectanglesAndCopiesTheClip) {
  GraphicsContextNative other;
  other.src.rect = Rect{0, 0, 0, 50};  // empty: not copied
  other.SetDestination(Rect{10, 10, 30, 50});
  other.ClipToDestination();
  other.graphicsMode = 33;
  other.zoom = 3;
  gc.src.rect = Rect{1, 1, 5, 5};
  gc.CopySettings(other);
  EXPECT_EQ(gc.src.rect.right, 0);
  EXPECT_EQ(gc.dst.rect.right, 50);
  EXPECT_EQ(gc.centreX, 30);
  EXPECT_EQ(gc.centreY, 20);
  EXPECT_EQ(gc.graphicsMode, 33);
  ASSERT_NE(gc.ClipRegion(), nullptr);
  EXPECT_NE(gc.ClipRegion(), other.ClipRegion());
  EXPECT_TRUE(MacEqualRgn(gc.ClipRegion(), other.ClipRegion()));
}

TEST_F(GraphicsContext, ClippingToAnEmptyDestinationLeavesAnEmptyClip) {
  gc.ClipToDestination();
  ASSERT_NE(gc.ClipRegion(), nullptr);
  EXPECT_TRUE(EmptyRgn(gc.ClipRegion()));
  EXPECT_EQ(gc.clip->err, -50);
}

TEST_F(GraphicsContext, SettingAClipCopiesIt) {
  fenra::RegionNative region;
  fenra::RectNative rect;
  rect.rect = Rect{0, 0, 10, 10};
  region.SetToRect(&rect);
  gc.SetClip(&region);
  ASSERT_NE(gc.ClipRegion(), nullptr);
  rect.rect = Rect{0, 0, 20, 20};
  region.SetToRect(&rect);
  EXPECT_FALSE(MacEqualRgn(gc.ClipRegion(), region.rgn));
  gc.SetClip(nullptr);
  EXPECT_EQ(gc.ClipRegion(), nullptr);
}

}  // namespace
