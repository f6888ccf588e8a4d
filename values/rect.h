// FenraRect: a QuickDraw rectangle as a script value.
#pragma once

#include "MacTypes.h"
#include "REALplugin.h"
#include "plugin/native_object.h"

namespace fenra {

class RectNative final : public NativeObject {
 public:
  // Valid when the rectangle is not empty: bottom > top and right > left.
  bool IsValid() const override;
  // The address of rect.
  intptr_t GetRef() const override { return reinterpret_cast<intptr_t>(&rect); }

  Rect rect{0, 0, 0, 0};
};

// The rect of an instance's native object, or null when it has none.
Rect* RectOf(REALobject instance);

// Copies the instance's rect into `out`; zeros when the instance has no
// native object; nothing when out is null.
void CopyRectOut(REALobject instance, Rect* out);

// Gives an instance without a native object a new one holding a copy of
// `rect`; nothing when rect is null.
void SetRectNative(REALobject instance, const Rect* rect);

// A new FenraRect holding a copy of `rect`, for a script.
REALobject NewRectObject(const Rect& rect);

// Whether A lies inside B (strictly inside with `strict`); false when A is
// empty or B is not valid.
bool RectIsInside(const RectNative* a, const RectNative* b, bool strict);

// The arithmetic centre QuickDraw-style: the halving rounds toward minus
// infinity.
inline int32_t CentreOf(int32_t low, int32_t high) {
  return low + ((high - low) >> 1);
}

}  // namespace fenra
