// The engine's data handler components ('dhlr'), for the component table.
#pragma once

#include "components/component_registry.h"

namespace qtml {

// A new data handler instance's work, or nullptr when memory is short. It
// serves references of its component's subtype.
ComponentImplementation* NewDataHandlerImplementation();

}  // namespace qtml
