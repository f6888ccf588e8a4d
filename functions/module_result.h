// The module functions' result word: the last result of the movie
// controller, frame and movie editing functions, shared by all of them.
// One thread, so a plain variable.
#pragma once

#include <cstdint>

#include "MacTypes.h"
#include "REALplugin.h"

namespace fenra {

inline int16_t gModuleResult = 0;

// Stores the result in the word and answers it as a host integer
// (sign-extended).
inline RBInteger ModuleResult(OSErr err) {
  gModuleResult = err;
  return gModuleResult;
}

}  // namespace fenra
