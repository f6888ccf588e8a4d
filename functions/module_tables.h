// The four module method tables, registered in this order after the
// classes. Module methods are called with their arguments only.
#pragma once

#include <span>

#include "REALplugin.h"

namespace fenra {

std::span<REALmethodDefinition> EnvironmentQueryMethods();
std::span<REALmethodDefinition> MovieControllerMethods();
std::span<REALmethodDefinition> FrameMethods();
std::span<REALmethodDefinition> MovieEditingMethods();

}  // namespace fenra
