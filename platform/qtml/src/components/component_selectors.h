// Which calls a component instance answers. Every component answers the
// Component Manager's open, close, can-do and version selectors; each
// kind adds the selectors of its own calls that the engine implements,
// from a table beside those calls (ComponentImplementation::Implements).
// A kind's calls enter through EnterSelector, so that a call and
// CallComponentCanDo never disagree.
#pragma once

#include <algorithm>
#include <span>

#include "components/component_registry.h"

namespace qtml {

// Whether the selector is one every component of the engine answers.
bool IsStandardSelector(SInt16 selector) noexcept;

// Whether a live instance implements the selector.
bool InstanceImplements(const ComponentInstanceRecord& instance, SInt16 selector) noexcept;

// The implementation behind an instance that implements the selector, or
// nullptr with *result badComponentInstance (no such instance) or
// badComponentSelector (it does not implement the call).
ComponentImplementation* EnterSelector(ComponentInstance instance, SInt16 selector,
                                       ComponentResult* result) noexcept;

inline bool InSelectorTable(std::span<const SInt16> table, SInt16 selector) noexcept {
  return std::find(table.begin(), table.end(), selector) != table.end();
}

}  // namespace qtml
