// Frames and thumbnails: module methods. The table fills as the functions are built.
#include "functions/module_tables.h"

namespace fenra {

std::span<REALmethodDefinition> FrameMethods() {
  return {};
}

}  // namespace fenra
