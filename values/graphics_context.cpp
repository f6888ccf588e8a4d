#include "values/graphics_context.h"

#include <cmath>

#include "FixMath.h"
#include "plugin/bridges.h"
#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/registration.h"
#include "values/region.h"

namespace fenra {

GraphicsContextNative::GraphicsContextNative() {
  SetIdentityMatrix(&matrix);
}

GraphicsContextNative::~GraphicsContextNative() {
  DisposeClip();
}

void GraphicsContextNative::DisposeClip() {
  delete clip;
  clip = nullptr;
}

MatrixRecord* GraphicsContextNative::BuildMatrix() {
  SetIdentityMatrix(&matrix);
  if (src.IsValid() && dst.IsValid()) RectMatrix(&matrix, &src.rect, &dst.rect);
  if (xShift != 0 || yShift != 0) TranslateMatrix(&matrix, Long2Fix(xShift), Long2Fix(yShift));
  if (zoom != 0.0) {
    ScaleMatrix(&matrix, X2Fix(zoom), X2Fix(zoom), Long2Fix(centreX), Long2Fix(centreY));
  }
  if (rotation != 0) {
    RotateMatrix(&matrix, Long2Fix(rotation), Long2Fix(centreX), Long2Fix(centreY));
  }
  return &matrix;
}

void GraphicsContextNative::SetDestination(const Rect& rect) {
  dst.rect = rect;
  centreX = CentreOf(rect.left, rect.right);
  centreY = CentreOf(rect.top, rect.bottom);
}

void GraphicsContextNative::SetClip(const RegionNative* region) {
  DisposeClip();
  if (region == nullptr) return;
  if (!region->IsValid()) {
    err = kParamErr;
    return;
  }
  clip = new (std::nothrow) RegionNative(*region);
  err = clip == nullptr ? kNoNativeErr : clip->err;
}

void GraphicsContextNative::ClipToDestination() {
  if (clip == nullptr) {
    clip = new (std::nothrow) RegionNative;
    if (clip == nullptr) {
      err = kNoNativeErr;
      return;
    }
  }
  // An empty destination leaves the region as it was (empty when new) and
  // records -50 in the clip object.
  clip->SetToRect(&dst);
}

void GraphicsContextNative::CopySettings(const GraphicsContextNative& other) {
  Reset();
  if (other.src.IsValid()) src.rect = other.src.rect;
  if (other.dst.IsValid()) SetDestination(other.dst.rect);
  SetClip(other.clip);
  graphicsMode = other.graphicsMode;
  modeColor = other.modeColor;
  rotation = other.rotation;
  zoom = other.zoom;
  xShift = other.xShift;
  yShift = other.yShift;
}

void GraphicsContextNative::Reset() {
  centreX = centreY = 0;
  src.rect = dst.rect = Rect{0, 0, 0, 0};
  DisposeClip();
  SetIdentityMatrix(&matrix);
  graphicsMode = rotation = xShift = yShift = 0;
  zoom = 1.0;
  modeColor = RGBColor{0, 0, 0};
}

RgnHandle GraphicsContextNative::ClipRegion() const {
  return clip != nullptr ? clip->rgn : nullptr;
}

MatrixRecord* MatrixOf(GraphicsContextNative* context, MatrixRecord* identity) {
  if (context != nullptr) return context->BuildMatrix();
  SetIdentityMatrix(identity);
  return identity;
}

namespace {

enum IntegerSelector : intptr_t { kGraphicsMode, kRotation, kXShift, kYShift };
enum RectSelector : intptr_t { kSource, kDestination };
constexpr int32_t kInvertMode = 4;  // notSrcCopy

GraphicsContextNative* Context(REALobject instance) {
  return GetNative<GraphicsContextNative>(instance);
}

REALobject GetRect(REALobject instance, intptr_t selector) {
  GraphicsContextNative* gc = Context(instance);
  if (gc == nullptr) return nullptr;
  return NewRectObject(selector == kSource ? gc->src.rect : gc->dst.rect);
}

void SetRect(REALobject instance, intptr_t selector, REALobject value) {
  GraphicsContextNative* gc = Context(instance);
  if (gc == nullptr || value == nullptr) return;
  Rect rect;
  CopyRectOut(value, &rect);
  if (selector == kSource) {
    gc->src.rect = rect;
  } else {
    gc->SetDestination(rect);
  }
}

REALobject GetClip(REALobject instance, intptr_t) {
  GraphicsContextNative* gc = Context(instance);
  if (gc == nullptr) return nullptr;
  return NewRegionObject(gc->clip);
}

void SetClip(REALobject instance, intptr_t, REALobject value) {
  if (GraphicsContextNative* gc = Context(instance)) {
    gc->SetClip(GetNative<RegionNative>(value));
  }
}

RBBoolean GetInvert(REALobject instance, intptr_t) {
  GraphicsContextNative* gc = Context(instance);
  return gc != nullptr && gc->graphicsMode == kInvertMode;
}

void SetInvert(REALobject instance, intptr_t, RBBoolean value) {
  if (GraphicsContextNative* gc = Context(instance)) gc->graphicsMode = value ? kInvertMode : 0;
}

int32_t* IntegerField(GraphicsContextNative& gc, intptr_t selector) {
  switch (selector) {
    case kGraphicsMode:
      return &gc.graphicsMode;
    case kRotation:
      return &gc.rotation;
    case kXShift:
      return &gc.xShift;
    case kYShift:
      return &gc.yShift;
  }
  return nullptr;
}

RBInteger GetInteger(REALobject instance, intptr_t selector) {
  GraphicsContextNative* gc = Context(instance);
  int32_t* field = gc != nullptr ? IntegerField(*gc, selector) : nullptr;
  return field != nullptr ? *field : 0;
}

void SetInteger(REALobject instance, intptr_t selector, RBInteger value) {
  GraphicsContextNative* gc = Context(instance);
  if (int32_t* field = gc != nullptr ? IntegerField(*gc, selector) : nullptr) {
    *field = static_cast<int32_t>(value);
  }
}

RBColor GetModeColor(REALobject instance, intptr_t) {
  GraphicsContextNative* gc = Context(instance);
  return gc != nullptr ? RGBToColor(gc->modeColor) : 0;
}

// The host passes a colour as its 32-bit value; a negative one is ignored.
void SetModeColor(REALobject instance, intptr_t, RBColor value) {
  GraphicsContextNative* gc = Context(instance);
  if (gc == nullptr || static_cast<int32_t>(value) < 0) return;
  ColorToRGB(value, &gc->modeColor);
}

double GetZoom(REALobject instance, intptr_t) {
  GraphicsContextNative* gc = Context(instance);
  return gc != nullptr ? gc->zoom : 1.0;
}

// A zoom of 0 or less is ignored; NaN and infinities, which no 16.16 scale
// can hold, answer paramErr.
void SetZoom(REALobject instance, intptr_t, double value) {
  GraphicsContextNative* gc = Context(instance);
  if (gc == nullptr) return;
  if (!std::isfinite(value)) {
    gc->err = kParamErr;
    return;
  }
  if (value > 0) gc->zoom = value;
}

void Destruct(REALobject instance) {
  DestroyNative<GraphicsContextNative>(instance);
}

void NewDefault(REALobject instance) {
  SetNative(instance, new (std::nothrow) GraphicsContextNative);
}

void NewCopy(REALobject instance, REALobject other) {
  if (other == nullptr) {
    NewDefault(instance);
    return;
  }
  GraphicsContextNative* source = Context(other);
  if (source == nullptr) return;
  auto* gc = new (std::nothrow) GraphicsContextNative;
  if (gc == nullptr) return;
  gc->CopySettings(*source);
  SetNative(instance, gc);
}

void NewWithRects(REALobject instance, REALobject srcRect, REALobject dstRect) {
  auto* gc = new (std::nothrow) GraphicsContextNative;
  if (gc == nullptr) return;
  if (const Rect* rect = RectOf(srcRect)) gc->src.rect = *rect;
  if (const Rect* rect = RectOf(dstRect)) gc->SetDestination(*rect);
  SetNative(instance, gc);
}

void ClipToDestRect(REALobject instance) {
  if (GraphicsContextNative* gc = Context(instance)) gc->ClipToDestination();
}

void Copy(REALobject instance, REALobject other) {
  GraphicsContextNative* gc = Context(instance);
  GraphicsContextNative* source = Context(other);
  if (gc == nullptr || source == nullptr || gc == source) return;
  gc->CopySettings(*source);
}

void Reset(REALobject instance) {
  if (GraphicsContextNative* gc = Context(instance)) gc->Reset();
}

REALproperty gProperties[] = {
    Property<"srcBounds", "FenraRect", GetRect, SetRect>(kSource),
    Property<"dstBounds", "FenraRect", GetRect, SetRect>(kDestination),
    Property<"clipRegion", "FenraRegion", GetClip, SetClip>(0),
    Property<"invert", "boolean", GetInvert, SetInvert>(0),
    Property<"graphicsMode", "integer", GetInteger, SetInteger>(kGraphicsMode),
    Property<"rotation", "integer", GetInteger, SetInteger>(kRotation),
    Property<"xShift", "integer", GetInteger, SetInteger>(kXShift),
    Property<"yShift", "integer", GetInteger, SetInteger>(kYShift),
    Property<"graphicsModeColor", "color", GetModeColor, SetModeColor>(0),
    Property<"zoom", "double", GetZoom, SetZoom>(0),
};

REALmethodDefinition gMethods[] = {
    Method<NewDefault, "FenraGraphicsContext()">(),
    Method<NewCopy, "FenraGraphicsContext(gc as FenraGraphicsContext)">(),
    Method<NewWithRects, "FenraGraphicsContext(srcRect as FenraRect,dstRect as FenraRect)">(),
    Method<ClipToDestRect, "ClipToDestRect()">(),
    Method<Copy, "Copy(gc as FenraGraphicsContext)">(),
    Method<Reset, "Reset()">(),
};

}  // namespace

REALclassDefinition gFenraGraphicsContextClass =
    DefineClass("FenraGraphicsContext", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<Destruct>(), {.properties = gProperties, .methods = gMethods});

}  // namespace fenra
