// Which calls a component instance answers. Every component answers the
// Component Manager's open, close, can-do and version selectors; each
// kind adds the selectors of its own calls that the engine implements,
// from a table beside those calls (ComponentImplementation::Implements).
// A kind's calls enter through EnterSelector, so that a call and
// CallComponentCanDo never disagree.
#pragma once

#include <algorithm>
#include <span>

#include "base/api_call.h"
#include "components/component_registry.h"
#include "memory/memory.h"

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

// The implementation of kind T behind an instance that implements the
// selector; nullptr with *result as EnterSelector says, or
// badComponentSelector for an instance of another kind.
template <typename T>
T* EnterAs(ComponentInstance instance, SInt16 selector, ComponentResult* result) noexcept {
  auto* implementation = dynamic_cast<T*>(EnterSelector(instance, selector, result));
  if (implementation == nullptr && *result == noErr) *result = badComponentSelector;
  return implementation;
}

// A whole call on an instance of kind T: the call's fault, the instance
// and its selector, then `work` on the implementation, what it throws
// answered as memFullErr.
template <typename T, typename F>
ComponentResult ImplementationCall(ApiCall& call, ComponentInstance instance, SInt16 selector,
                                   F work) {
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  T* implementation = EnterAs<T>(instance, selector, &result);
  if (implementation == nullptr) return call.Return(result);
  return call.Return<ComponentResult>(
      Guarded<OSErr>(memFullErr, [&]() -> OSErr { return work(*implementation); }));
}

inline bool InSelectorTable(std::span<const SInt16> table, SInt16 selector) noexcept {
  return std::find(table.begin(), table.end(), selector) != table.end();
}

}  // namespace qtml
