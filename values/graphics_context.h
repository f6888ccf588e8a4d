// FenraGraphicsContext: how a movie, track or image is to be drawn —
// source and destination rectangles, shift, zoom, rotation, clip, and a
// transfer mode with its colour.
#pragma once

#include "ImageCompression.h"
#include "REALplugin.h"
#include "plugin/native_object.h"
#include "values/rect.h"

namespace fenra {

class RegionNative;

class GraphicsContextNative final : public NativeObject {
 public:
  GraphicsContextNative();
  GraphicsContextNative(const GraphicsContextNative&) = delete;
  GraphicsContextNative& operator=(const GraphicsContextNative&) = delete;
  ~GraphicsContextNative();

  bool IsValid() const override { return true; }

  // Rebuilds the matrix from the settings and returns it: src onto dst,
  // then the shift, then zoom and rotation about the centre of dst.
  MatrixRecord* BuildMatrix();

  void SetDestination(const Rect& rect);
  // Replaces the clip with a copy of `region`; none for null.
  void SetClip(const RegionNative* region);
  // Makes the clip the destination rectangle.
  void ClipToDestination();
  // Takes every setting of `other`; empty rectangles are not copied.
  void CopySettings(const GraphicsContextNative& other);
  // Every field back to its default; err is kept.
  void Reset();

  // The clip's region, or null without a clip.
  RgnHandle ClipRegion() const;

  int32_t centreX = 0;
  int32_t centreY = 0;
  RectNative src;
  RectNative dst;
  RegionNative* clip = nullptr;  // owned
  MatrixRecord matrix;
  int32_t graphicsMode = 0;
  int32_t rotation = 0;
  int32_t xShift = 0;
  int32_t yShift = 0;
  double zoom = 1.0;
  RGBColor modeColor{0, 0, 0};

 private:
  void DisposeClip();
};

// The matrix a consumer draws with: the context's, or the identity
// (written into `identity`) when there is no context.
MatrixRecord* MatrixOf(GraphicsContextNative* context, MatrixRecord* identity);

}  // namespace fenra
