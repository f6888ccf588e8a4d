// Movie editing and information functions: module methods. The table fills as the functions are
// built.
#include "functions/module_tables.h"

namespace fenra {

std::span<REALmethodDefinition> MovieEditingMethods() {
  return {};
}

}  // namespace fenra
