// The rules every class's glue functions follow: finding an instance's
// native object, attaching one, making new instances for scripts, and
// destroying natives by the class of the host object.
#pragma once

#include <new>

#include "REALplugin.h"
#include "plugin/native_object.h"

namespace fenra {

// The FenraObject data of an instance: its one native pointer.
struct FenraObjectData {
  NativeObject* native;
};

// The native slot of a class-tree instance; null for a null instance.
NativeObject** NativeSlot(REALobject instance);

// The native object of an instance, or null when it has none.
NativeObject* GetNativeObject(REALobject instance);

// The native object of an instance of a class whose natives are T.
template <class T>
T* GetNative(REALobject instance) {
  return static_cast<T*>(GetNativeObject(instance));
}

// Hands `native` (made for this instance alone) to an instance whose slot
// is empty. A null native changes nothing.
void SetNative(REALobject instance, NativeObject* native);

// Attaches a native to an instance: with `copy`, a copy made by T's copy
// constructor (which duplicates platform objects); without, the given
// native itself. A null native, or a failed copy, changes nothing.
template <class T>
void AttachNative(REALobject instance, const T* native, bool copy) {
  if (native == nullptr) return;
  if (!copy) {
    SetNative(instance, const_cast<T*>(native));
    return;
  }
  SetNative(instance, new (std::nothrow) T(*native));
}

// Creates a host instance of a plugin class for a script; null when the
// host cannot. The instance has no native object yet.
REALobject NewInstanceOf(const char* className);

// Frees the native object of an instance without any clean-up (the root
// destructor's part), leaving the slot empty.
void FreeNative(REALobject instance);

// Runs the clean-up of T (its destructor) on the instance's native object,
// frees it and empties the slot. Used by the destructors of classes whose
// natives own platform objects.
template <class T>
void DestroyNative(REALobject instance) {
  NativeObject** slot = NativeSlot(instance);
  if (slot == nullptr || *slot == nullptr) return;
  delete static_cast<T*>(*slot);
  *slot = nullptr;
}

}  // namespace fenra
