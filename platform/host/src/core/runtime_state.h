// The runtime's own records of what a plugin registered.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/objects.h"
#include "fenra_host/runtime.h"

namespace fenra::host {

// A plugin class with the records it was registered from; properties and
// methods line up with the records they came from.
struct RegisteredClass : ClassInfo {
  REALclassDefinition* definition = nullptr;
  const RegisteredClass* registeredSuper = nullptr;
  std::vector<const REALproperty*> propertyRecords;
  std::vector<const REALmethodDefinition*> methodRecords;
  size_t instanceSize = 0;  // visible bytes of an instance
};

// An instance of a plugin class: a small header, then each class's data at
// the offset the host wrote into its record.
class PluginInstance final : public HostObject {
 public:
  explicit PluginInstance(const RegisteredClass& cls);
  const ClassInfo& Class() const override { return cls_; }
  const RegisteredClass& Registered() const { return cls_; }
  // Runs the registered constructors from the root class down.
  void Construct();

 protected:
  // Runs the destructors from the own class up to the root.
  void Finalize() override;

 private:
  const RegisteredClass& cls_;
};

struct RuntimeState {
  void* library = nullptr;
  int64_t pluginVersion = 0;
  std::vector<std::unique_ptr<RegisteredClass>> owned;
  std::vector<const ClassInfo*> pluginClasses;
  std::vector<const ClassInfo*> allClasses;
  std::vector<ModuleMethodInfo> moduleMethods;
  std::vector<const REALmethodDefinition*> moduleRecords;
  std::map<std::string, const ClassInfo*> byFoldedName;
};

RuntimeState& Registry();

// Lower-case ASCII, for the dialect's case-insensitive names.
std::string Fold(std::string_view text);
// Whether Fold(a) == Fold(b), found without making either.
bool SameName(std::string_view a, std::string_view b);

// Registration services handed to plugins.
void RegisterVersion(intptr_t version);
void RegisterClass(REALclassDefinition* definition);
void RegisterModuleMethod(REALmethodDefinition* definition);

// A new instance with its registered constructors run; one reference.
PluginInstance* NewPluginInstance(const ClassInfo& cls);

}  // namespace fenra::host
