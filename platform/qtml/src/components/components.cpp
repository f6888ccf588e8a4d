// The public Component Manager calls, over component_registry.
#include <cstring>

#include "Components.h"
#include "base/api_call.h"
#include "components/component_registry.h"
#include "components/component_selectors.h"
#include "memory/memory.h"

namespace qtml {
namespace {

OSErr SetPString(Handle h, const std::string& text) {
  if (h == nullptr) return noErr;
  unsigned char bytes[256];
  size_t length = text.size() > 255 ? 255 : text.size();
  bytes[0] = static_cast<unsigned char>(length);
  std::memcpy(bytes + 1, text.data(), length);
  return SetHandleBytes(h, bytes, static_cast<Size>(length + 1));
}

OSErr Describe(Component component, ComponentDescription* cd, Handle name, Handle info,
               Handle icon) {
  ComponentRecord* record = ComponentOrInstance(component);
  if (record == nullptr) return invalidComponentID;
  if (cd != nullptr) {
    const ComponentEntry& entry = record->entry;
    *cd = ComponentDescription{entry.type, entry.subType, entry.manufacturer, entry.flags, 0};
  }
  OSErr err = SetPString(name, record->name);
  if (err == noErr) err = SetPString(info, record->info);
  if (err == noErr && icon != nullptr) err = ResizeHandle(icon, 0);
  return err;
}

OSErr OpenDefault(OSType type, OSType subType, ComponentInstance* ci) {
  ComponentDescription looking{type, subType, 0, 0, 0};
  Component found = NextMatching(nullptr, &looking);
  if (found == nullptr) return invalidComponentID;
  return OpenInstance(found, ci);
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::FourCC;
using qtml::Guarded;

extern "C" {

Component FindNextComponent(Component aComponent, ComponentDescription* looking) try {
  ApiCall call("FindNextComponent", aComponent, looking);
  if (call.Fault() != noErr) return call.Return<Component>(nullptr);
  return call.Return(
      Guarded<Component>(nullptr, [&] { return qtml::NextMatching(aComponent, looking); }));
} catch (...) {
  return qtml::Escaped<Component>();
}

long CountComponents(ComponentDescription* looking) try {
  ApiCall call("CountComponents", looking);
  if (call.Fault() != noErr) return call.Return(0L);
  return call.Return(Guarded<long>(0, [&] {
    long count = 0;
    for (Component c = qtml::NextMatching(nullptr, looking); c != nullptr;
         c = qtml::NextMatching(c, looking)) {
      ++count;
    }
    return count;
  }));
} catch (...) {
  return qtml::Escaped<long>();
}

OSErr GetComponentInfo(Component aComponent, ComponentDescription* cd, Handle componentName,
                       Handle componentInfo, Handle componentIcon) try {
  ApiCall call("GetComponentInfo", aComponent, cd, componentName, componentInfo, componentIcon);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(Guarded<OSErr>(memFullErr, [&] {
    return qtml::Describe(aComponent, cd, componentName, componentInfo, componentIcon);
  }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr OpenAComponent(Component aComponent, ComponentInstance* ci) try {
  ApiCall call("OpenAComponent", aComponent, ci);
  if (ci != nullptr) *ci = nullptr;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (ci == nullptr) return call.Return<OSErr>(paramErr);
  return call.Return(Guarded<OSErr>(memFullErr, [&] {
    ComponentRecord* record = qtml::FindComponentRecord(aComponent);
    return record != nullptr ? qtml::OpenInstance(record, ci) : invalidComponentID;
  }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

ComponentInstance OpenComponent(Component aComponent) try {
  ApiCall call("OpenComponent", aComponent);
  if (call.Fault() != noErr) return call.Return<ComponentInstance>(nullptr);
  ComponentInstance instance = nullptr;
  Guarded<OSErr>(memFullErr, [&] {
    ComponentRecord* record = qtml::FindComponentRecord(aComponent);
    return record != nullptr ? qtml::OpenInstance(record, &instance) : invalidComponentID;
  });
  return call.Return(instance);
} catch (...) {
  return qtml::Escaped<ComponentInstance>();
}

ComponentInstance OpenDefaultComponent(OSType componentType, OSType componentSubType) try {
  ApiCall call("OpenDefaultComponent", FourCC{componentType}, FourCC{componentSubType});
  if (call.Fault() != noErr) return call.Return<ComponentInstance>(nullptr);
  ComponentInstance instance = nullptr;
  Guarded<OSErr>(memFullErr,
                 [&] { return qtml::OpenDefault(componentType, componentSubType, &instance); });
  return call.Return(instance);
} catch (...) {
  return qtml::Escaped<ComponentInstance>();
}

OSErr OpenADefaultComponent(OSType componentType, OSType componentSubType,
                            ComponentInstance* ci) try {
  ApiCall call("OpenADefaultComponent", FourCC{componentType}, FourCC{componentSubType}, ci);
  if (ci != nullptr) *ci = nullptr;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (ci == nullptr) return call.Return<OSErr>(paramErr);
  return call.Return(Guarded<OSErr>(
      memFullErr, [&] { return qtml::OpenDefault(componentType, componentSubType, ci); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr CloseComponent(ComponentInstance aComponentInstance) try {
  ApiCall call("CloseComponent", aComponentInstance);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  ComponentInstanceRecord* instance = qtml::FindInstanceRecord(aComponentInstance);
  if (instance == nullptr) return call.Return<OSErr>(invalidComponentID);
  return call.Return(qtml::CloseInstance(instance));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr GetComponentInstanceError(ComponentInstance aComponentInstance) try {
  ApiCall call("GetComponentInstanceError", aComponentInstance);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  ComponentInstanceRecord* instance = qtml::FindInstanceRecord(aComponentInstance);
  return call.Return<OSErr>(instance != nullptr ? instance->error : invalidComponentID);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

void SetComponentInstanceError(ComponentInstance aComponentInstance, OSErr theError) try {
  ApiCall call("SetComponentInstanceError", aComponentInstance, theError);
  if (call.Fault() != noErr) return;
  ComponentInstanceRecord* instance = qtml::FindInstanceRecord(aComponentInstance);
  if (instance != nullptr) instance->error = theError;
} catch (...) {
  return qtml::Escaped<void>();
}

long GetComponentVersion(ComponentInstance aComponentInstance) try {
  ApiCall call("GetComponentVersion", aComponentInstance);
  if (OSErr fault = call.Fault()) return call.Return<long>(fault);
  ComponentInstanceRecord* instance = qtml::FindInstanceRecord(aComponentInstance);
  return call.Return<long>(instance != nullptr ? instance->component->entry.version
                                               : badComponentInstance);
} catch (...) {
  return qtml::Escaped<long>();
}

long GetComponentRefcon(Component aComponent) try {
  ApiCall call("GetComponentRefcon", aComponent);
  if (call.Fault() != noErr) return call.Return(0L);
  ComponentRecord* record = qtml::ComponentOrInstance(aComponent);
  return call.Return(record != nullptr ? record->refcon : 0L);
} catch (...) {
  return qtml::Escaped<long>();
}

void SetComponentRefcon(Component aComponent, long theRefcon) try {
  ApiCall call("SetComponentRefcon", aComponent, theRefcon);
  if (call.Fault() != noErr) return;
  ComponentRecord* record = qtml::ComponentOrInstance(aComponent);
  if (record != nullptr) record->refcon = theRefcon;
} catch (...) {
  return qtml::Escaped<void>();
}

long CountComponentInstances(Component aComponent) try {
  ApiCall call("CountComponentInstances", aComponent);
  if (call.Fault() != noErr) return call.Return(0L);
  ComponentRecord* record = qtml::FindComponentRecord(aComponent);
  return call.Return(record != nullptr ? record->instances : 0L);
} catch (...) {
  return qtml::Escaped<long>();
}

ComponentResult CallComponentCanDo(ComponentInstance ci, SInt16 ftnNumber) try {
  ApiCall call("CallComponentCanDo", ci, ftnNumber);
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentInstanceRecord* instance = qtml::FindInstanceRecord(ci);
  if (instance == nullptr) return call.Return<ComponentResult>(badComponentInstance);
  return call.Return<ComponentResult>(qtml::InstanceImplements(*instance, ftnNumber) ? 1 : 0);
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

long ComponentFunctionImplemented(ComponentInstance ci, short ftnNumber) try {
  ApiCall call("ComponentFunctionImplemented", ci, ftnNumber);
  if (call.Fault() != noErr) return call.Return(0L);
  ComponentInstanceRecord* instance = qtml::FindInstanceRecord(ci);
  bool implemented = instance != nullptr && qtml::InstanceImplements(*instance, ftnNumber);
  return call.Return(implemented ? 1L : 0L);
} catch (...) {
  return qtml::Escaped<long>();
}

}  // extern "C"
