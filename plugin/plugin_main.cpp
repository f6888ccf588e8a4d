// The plugin's one export. The host calls it once with its resolver; the
// plugin announces its interface version, starts QuickTime and registers
// every class and module method.
#include "plugin/class_list.h"
#include "plugin/host_services.h"
#include "plugin/quicktime_start.h"

namespace fenra {

// Start-up after the version announcement. Without QuickTime nothing is
// registered, so the host sees none of the plugin.
void PluginEntry() {
  if (!StartQuickTime()) return;
  ProbeMovieToolbox();
  for (REALclassDefinition* definition : RegisteredClasses()) {
    host::PluginRegisterClass(definition);
  }
  for (std::span<REALmethodDefinition> table : ModuleMethodTables()) {
    for (REALmethodDefinition& method : table) host::PluginRegisterMethod(&method);
  }
}

}  // namespace fenra

extern "C" __attribute__((visibility("default"))) void REALPluginMain(REALresolver resolver) {
  fenra::SetHostResolver(resolver);
  fenra::host::RegisterPluginVersion(kCurrentREALControlVersion);
  fenra::PluginEntry();
}
