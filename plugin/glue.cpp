#include "plugin/glue.h"

#include "plugin/class_list.h"
#include "plugin/host_services.h"

namespace fenra {

NativeObject** NativeSlot(REALobject instance) {
  if (instance == nullptr) return nullptr;
  // The host writes the data offset into the record at registration.
  auto* data = reinterpret_cast<FenraObjectData*>(reinterpret_cast<char*>(instance) +
                                                  gFenraObjectClass.dataOffset);
  return &data->native;
}

NativeObject* GetNativeObject(REALobject instance) {
  NativeObject** slot = NativeSlot(instance);
  return slot == nullptr ? nullptr : *slot;
}

void SetNative(REALobject instance, NativeObject* native) {
  NativeObject** slot = NativeSlot(instance);
  if (slot == nullptr || native == nullptr) return;
  *slot = native;
}

REALobject NewInstanceOf(const char* className) {
  return host::PluginNewInstance(className);
}

void FreeNative(REALobject instance) {
  NativeObject** slot = NativeSlot(instance);
  if (slot == nullptr || *slot == nullptr) return;
  ::operator delete(*slot);
  *slot = nullptr;
}

}  // namespace fenra
