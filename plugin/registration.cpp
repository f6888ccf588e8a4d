#include "plugin/registration.h"

#include "MacErrors.h"
#include "plugin/glue.h"

namespace fenra {

void NoOpInstanceProc(REALobject) {}

namespace glue {

// Whatever escaped, the script reads memFullErr: what the plugin's code can
// throw comes from the standard library, and above all it is std::bad_alloc.
void RecordEscape(REALobject instance) noexcept {
  if (NativeObject* native = GetNativeObject(instance)) native->err = memFullErr;
}

}  // namespace glue
}  // namespace fenra
