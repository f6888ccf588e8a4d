// FenraProgressCallback: a script's progress routine, as the objects that
// report progress keep it.
#pragma once

#include "REALplugin.h"
#include "plugin/native_object.h"

namespace fenra {

// The routine behind a callback: the fraction done (0.0 to 1.0), the
// refCon object given with it, and 0.
using ProgressProc = void (*)(double fraction, REALobject refCon, int32_t reserved);

class ProgressCallbackNative final : public NativeObject {
 public:
  bool IsValid() const override { return proc != nullptr; }

  // Calls the routine when there is one.
  void Report(double fraction) const;

  ProgressProc proc = nullptr;
  REALobject refCon = nullptr;  // borrowed: the script keeps the control alive
};

// A new host FenraProgressCallback holding a copy of `callback`; nil when
// callback is null.
REALobject NewProgressCallbackObject(const ProgressCallbackNative* callback);

}  // namespace fenra
