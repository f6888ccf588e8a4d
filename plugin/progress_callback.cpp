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

void NewWithProc(REALobject instance, REALmemoryBlock proc, REALcontrol refCon) {
  if (proc == nullptr) return;
  auto* native = new (std::nothrow) ProgressCallbackNative;
  if (native == nullptr) return;
  native->proc = ProcOf(proc);
  native->refCon = reinterpret_cast<REALobject>(refCon);
  SetNative(instance, native);
}

void Initialize(REALobject instance, REALmemoryBlock proc, REALcontrol refCon) {
  auto* native = GetNative<ProgressCallbackNative>(instance);
  if (proc == nullptr || native == nullptr) return;
  native->proc = ProcOf(proc);
  native->refCon = reinterpret_cast<REALobject>(refCon);
}

REALmethodDefinition gMethods[] = {
    Method(Proc(NewEmpty), "FenraProgressCallback()"),
    Method(Proc(NewCopy), "FenraProgressCallback(callback as FenraProgressCallback)"),
    Method(Proc(NewWithProc), "FenraProgressCallback(proc as memoryblock,refCon as RectControl)"),
    Method(Proc(Initialize), "Initialize(proc as memoryblock,refCon as RectControl)"),
};

}  // namespace

// The natives own nothing, so the root destructor frees them.
REALclassDefinition gFenraProgressCallbackClass =
    DefineClass("FenraProgressCallback", "FenraObject", 0, Proc(NoOpInstanceProc),
                Proc(NoOpInstanceProc), {.methods = gMethods});

}  // namespace fenra
