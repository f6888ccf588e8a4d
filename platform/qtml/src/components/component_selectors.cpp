#include "components/component_selectors.h"

namespace qtml {

bool IsStandardSelector(SInt16 selector) noexcept {
  return selector == kComponentOpenSelect || selector == kComponentCloseSelect ||
         selector == kComponentCanDoSelect || selector == kComponentVersionSelect;
}

bool InstanceImplements(const ComponentInstanceRecord& instance, SInt16 selector) noexcept {
  if (IsStandardSelector(selector)) return true;
  return instance.implementation != nullptr && instance.implementation->Implements(selector);
}

ComponentImplementation* EnterSelector(ComponentInstance instance, SInt16 selector,
                                       ComponentResult* result) noexcept {
  ComponentInstanceRecord* record = FindInstanceRecord(instance);
  if (record == nullptr || record->implementation == nullptr) {
    *result = badComponentInstance;
    return nullptr;
  }
  if (!InstanceImplements(*record, selector)) {
    *result = badComponentSelector;
    return nullptr;
  }
  *result = noErr;
  return record->implementation;
}

}  // namespace qtml
