#include "plugin/progress_callback.h"

#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/host_services.h"
#include "plugin/registration.h"

namespace fenra {

void ProgressCallbackNative::Report(double fraction) const {
  if (proc != nullptr) proc(fraction, refCon, 0);
}

REALobject NewProgressCallbackObject(const ProgressCallbackNative* callback) {
  if (callback == nullptr) return nullptr;
  REALobject object = NewInstanceOf("FenraProgressCallback");
  AttachNative(object, callback, true);
  return object;
}

namespace {

ProgressProc ProcOf(REALmemoryBlock block) {
  return reinterpret_cast<ProgressProc>(host::memoryBlockGetPtr(block));
}

void NewEmpty(REALobject instance) {
  SetNative(instance, new (std::nothrow) ProgressCallbackNative);
}

void NewCopy(REALobject instance, REALobject callback) {
  if (callback == nullptr) return;
  AttachNative(instance, GetNative<ProgressCallbackNative>(callback), true);
}

void NewWithProc(REALobject instance, REALmemoryBlock proc, REALobject refCon) {
  if (proc == nullptr) return;
  auto* native = new (std::nothrow) ProgressCallbackNative;
  if (native == nullptr) return;
  native->proc = ProcOf(proc);
  native->refCon = refCon;
  SetNative(instance, native);
}

void Initialize(REALobject instance, REALmemoryBlock proc, REALobject refCon) {
  auto* native = GetNative<ProgressCallbackNative>(instance);
  if (proc == nullptr || native == nullptr) return;
  native->proc = ProcOf(proc);
  native->refCon = refCon;
}

REALmethodDefinition gMethods[] = {
    Method<NewEmpty, "FenraProgressCallback()">(),
    Method<NewCopy, "FenraProgressCallback(callback as FenraProgressCallback)">(),
    Method<NewWithProc, "FenraProgressCallback(proc as memoryblock,refCon as RectControl)">(),
    Method<Initialize, "Initialize(proc as memoryblock,refCon as RectControl)">(),
};

}  // namespace

// The natives own nothing, so the root destructor frees them.
REALclassDefinition gFenraProgressCallbackClass =
    DefineClass("FenraProgressCallback", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>(), {.methods = gMethods});

}  // namespace fenra
