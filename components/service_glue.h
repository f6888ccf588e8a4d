// What the glue of the service classes shares.
#pragma once

#include <string>

#include "REALplugin.h"
#include "components/service.h"

namespace fenra {

// The service native of an instance when it is valid, else null.
ComponentService* ValidServiceOf(REALobject instance);

// A service of type T (the instance's own class), or null.
template <class T>
T* ServiceAs(REALobject instance) {
  return dynamic_cast<T*>(ServiceOf(instance));
}

// The preference flag properties of the compressors: `bit` is the flag.
RBBoolean GetPreferenceFlag(REALobject instance, intptr_t bit);
void SetPreferenceFlag(REALobject instance, intptr_t bit, RBBoolean on);

}  // namespace fenra
