// The engine's components: a table of records, each with its description,
// name, information string, version and the factory of the object that
// does an instance's work.
//
// Each kind of component grows an interface of its own by deriving from
// ComponentImplementation (a data handler, a codec, an exporter); the
// calls of that kind find it with ImplementationOf and dynamic_cast.
#pragma once

#include <string>

#include "Components.h"
#include "base/handle_table.h"

struct ComponentRecord;
struct ComponentInstanceRecord;

namespace qtml {

class ComponentImplementation {
 public:
  virtual ~ComponentImplementation() = default;
  // Called once the instance exists; an error fails OpenAComponent.
  virtual OSErr Open(ComponentInstance self) {
    (void)self;
    return noErr;
  }
  // Called by CloseComponent before the object is destroyed.
  virtual OSErr Close() { return noErr; }
  // Whether the instance implements the call of its kind with that
  // selector (components/component_selectors.h); the Component Manager's
  // own selectors are answered for every kind, not here.
  virtual bool Implements(SInt16 selector) const {
    (void)selector;
    return false;
  }
};

// Makes a new implementation object, or nullptr when memory is short.
using ImplementationFactory = ComponentImplementation* (*)();

struct ComponentEntry {
  OSType type;
  OSType subType;
  OSType manufacturer;
  UInt32 flags;
  const char* name;
  const char* info;
  long version;                  // version in the high 16 bits, revision in the low
  ImplementationFactory create;  // nullptr: a plain ComponentImplementation
};

// The object doing an instance's work, or nullptr for a dead instance.
ComponentImplementation* ImplementationOf(ComponentInstance instance) noexcept;

// The live record a value names, or nullptr. ComponentOrInstance also
// takes an instance for its component, as QuickTime's calls do.
ComponentRecord* FindComponentRecord(Component component) noexcept;
ComponentInstanceRecord* FindInstanceRecord(ComponentInstance instance) noexcept;
ComponentRecord* ComponentOrInstance(Component component) noexcept;

// The first component after `previous` (nullptr: from the start) that
// matches; a nil description matches all.
Component NextMatching(Component previous, const ComponentDescription* looking) noexcept;

// Opens an instance of the component, owned by the caller.
OSErr OpenInstance(ComponentRecord* component, ComponentInstance* result) noexcept;
// Closes and frees the instance; answers its implementation's Close result.
OSErr CloseInstance(ComponentInstanceRecord* instance) noexcept;

// Adds a component after the engine's own (for tests and tools); nullptr
// when memory is short. Strings are copied.
Component AddComponent(const ComponentEntry& entry);
// Removes a component added with AddComponent; false when it has open
// instances or is not one.
bool RemoveComponent(Component component);

}  // namespace qtml

// The records behind the public Component and ComponentInstance values.
struct ComponentRecord {
  qtml::ComponentEntry entry;
  std::string name;
  std::string info;
  long refcon = 0;
  long instances = 0;
  bool builtIn = false;
};

// A ComponentInstance is the reference of one of these (never its address).
struct ComponentInstanceRecord {
  ComponentRecord* component = nullptr;
  qtml::ComponentImplementation* implementation = nullptr;
  OSErr error = noErr;
  qtml::Identity<ComponentInstanceRecord, qtml::HandleKind::kInstance> reference;
};
