// FenraObject: the root of the class tree. Its one field is the native
// pointer; its properties report on the native object of any instance.
#include <iterator>

#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/registration.h"

namespace fenra {
namespace {

enum IntegerSelector : intptr_t { kFenraErr = 0, kObjPtr = 1, kQtObjRef = 2 };

void Construct(REALobject instance) {
  if (NativeObject** slot = NativeSlot(instance)) *slot = nullptr;
}

// Whatever native is still set when the root is reached needs no clean-up:
// the classes whose natives own platform objects have freed theirs.
void Destruct(REALobject instance) {
  FreeNative(instance);
}

RBInteger GetInteger(REALobject instance, intptr_t selector) {
  NativeObject* native = GetNativeObject(instance);
  if (native == nullptr) return selector == kFenraErr ? kNoNativeErr : 0;
  switch (selector) {
    case kFenraErr:
      return native->err;
    case kObjPtr:
      return native->IsValid() ? reinterpret_cast<intptr_t>(native) : 0;
    case kQtObjRef:
      return native->IsValid() ? native->GetRef() : 0;
  }
  return 0;
}

RBBoolean GetIsValid(REALobject instance, intptr_t) {
  NativeObject* native = GetNativeObject(instance);
  return native != nullptr && native->IsValid();
}

REALproperty gProperties[] = {
    Property<"fenraErr", "Integer", GetInteger, nullptr>(kFenraErr),
    Property<"isValid", "boolean", GetIsValid, nullptr>(0),
    Property<"objPtr", "Integer", GetInteger, nullptr>(kObjPtr),
    Property<"qtObjRef", "Integer", GetInteger, nullptr>(kQtObjRef),
};

REALconstant gConstants[] = {
    Constant("kTime_Duration = \t\t\t\t0"),
    Constant("kTime_Scale = \t\t\t\t1"),
    Constant("kTime_Time = \t\t\t\t2"),
    Constant("kTime_Poster = \t\t\t\t3"),
    Constant("kEdit_Copy = \t\t\t\t0"),
    Constant("kEdit_Clear = \t\t\t\t1"),
    Constant("kEdit_Cut = \t\t\t\t2"),
    Constant("kEdit_Paste = \t\t\t\t3"),
    Constant("kEdit_Undo = \t\t\t\t4"),
    Constant("kLoad_keepInRam = \t\t\t1"),
    Constant("kLoad_unkeepInRam = \t\t\t2"),
    Constant("kLoad_flushFromRam = \t\t\t4"),
    Constant("kLoad_loadForwardTrackEdits = \t\t8"),
    Constant("kLoad_loadBackwardTrackEdits = \t\t16"),
    Constant("kGMd_invert = \t\t\t\t4"),
    Constant("kGMd_blend = \t\t\t\t32"),
    Constant("kGMd_addPin = \t\t\t\t33"),
    Constant("kGMd_subPin = \t\t\t\t35"),
    Constant("kGMd_trasparent = \t\t\t36"),
    Constant("kGMd_dither = \t\t\t\t64"),
    Constant("kGMd_straightAlpha = \t\t\t256"),
    Constant("kGMd_preWhiteAlpha = \t\t\t257"),
    Constant("kGMd_preBlackAlpha = \t\t\t258"),
    Constant("kGMd_composition = \t\t\t259"),
    Constant("kGMd_straightAlphaBlend = \t\t260"),
    Constant("kGMd_preMulColorAlpha = \t\t261"),
};

}  // namespace

REALclassDefinition gFenraObjectClass =
    DefineClass("FenraObject", nullptr, sizeof(FenraObjectData), InstanceProc<Construct>(),
                InstanceProc<Destruct>(), {.properties = gProperties, .constants = gConstants});

}  // namespace fenra
