// FenraRegion: a QuickDraw region as a script value.
#pragma once

#include "Quickdraw.h"
#include "REALplugin.h"
#include "plugin/native_object.h"

namespace fenra {

class RectNative;

class RegionNative final : public NativeObject {
 public:
  // A new empty region; rgn stays null and err -108 when none can be made.
  RegionNative();
  // A new region holding a copy of other's.
  RegionNative(const RegionNative& other);
  RegionNative& operator=(const RegionNative&) = delete;
  ~RegionNative();

  bool IsValid() const override { return rgn != nullptr; }
  intptr_t GetRef() const override { return reinterpret_cast<intptr_t>(rgn); }

  // rgn = source, unless they are already equal. -50 for a null source.
  void CopyFrom(RgnHandle source);
  // rgn = rgn ∪ source; err = QDError. -50 for a null source.
  void Union(RgnHandle source);
  // rgn = rgn − source; err = QDError. -50 for a null source.
  void Difference(RgnHandle source);
  // rgn = the rectangle; -50 for a missing or empty rectangle.
  void SetToRect(const RectNative* rect);
  // rgn = a new region holding the oval inscribed in the rectangle; -50
  // (and an empty region) for a missing or empty rectangle.
  void SetToOval(const RectNative* rect);
  // Replaces rgn with a new empty region.
  void Reset();

  RgnHandle rgn = nullptr;

 private:
  void Renew();
};

// A new FenraRegion holding a copy of `region` for a script; with a null
// region, a FenraRegion without a native object.
REALobject NewRegionObject(const RegionNative* region);

}  // namespace fenra
