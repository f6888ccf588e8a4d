// Environment queries: module methods. The table fills as the functions are built.
#include "functions/module_tables.h"

namespace fenra {

std::span<REALmethodDefinition> EnvironmentQueryMethods() {
  return {};
}

}  // namespace fenra
