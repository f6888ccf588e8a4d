// FenraTimeRange: a start time and a length in movie time units.
#pragma once

#include "REALplugin.h"
#include "plugin/native_object.h"

namespace fenra {

class TimeRangeNative final : public NativeObject {
 public:
  bool IsValid() const override { return start >= 0 && length >= 0; }

  int32_t start = 0;
  int32_t length = 0;
};

// A new FenraTimeRange for a script.
REALobject NewTimeRangeObject(int32_t start, int32_t length);

}  // namespace fenra
