// FenraRegion: regions built from rectangles and ovals, combined by copy,
// union and difference.
#include "values/region.h"

#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/registration.h"
#include "values/rect.h"

namespace fenra {

RegionNative::RegionNative() {
  Renew();
}

RegionNative::RegionNative(const RegionNative& other) : NativeObject(other) {
  err = kNoErr;
  Renew();
  CopyFrom(other.rgn);
}

RegionNative::~RegionNative() {
  if (rgn != nullptr) DisposeRgn(rgn);
}

void RegionNative::Renew() {
  if (rgn != nullptr) DisposeRgn(rgn);
  rgn = NewRgn();
  if (rgn == nullptr) err = kNoNativeErr;
}

void RegionNative::CopyFrom(RgnHandle source) {
  if (rgn == nullptr) return;
  if (source == nullptr) {
    err = kParamErr;
    return;
  }
  if (!MacEqualRgn(rgn, source)) MacCopyRgn(source, rgn);
}

void RegionNative::Union(RgnHandle source) {
  if (rgn == nullptr) return;
  if (source == nullptr) {
    err = kParamErr;
    return;
  }
  MacUnionRgn(rgn, source, rgn);
  err = QDError();
}

void RegionNative::Difference(RgnHandle source) {
  if (rgn == nullptr) return;
  if (source == nullptr) {
    err = kParamErr;
    return;
  }
  DiffRgn(rgn, source, rgn);
  err = QDError();
}

void RegionNative::SetToRect(const RectNative* rect) {
  if (rgn == nullptr) return;
  if (rect == nullptr || !rect->IsValid()) {
    err = kParamErr;
    return;
  }
  RectRgn(rgn, &rect->rect);
}

void RegionNative::SetToOval(const RectNative* rect) {
  Renew();
  if (rgn == nullptr) return;
  if (rect == nullptr || !rect->IsValid()) {
    err = kParamErr;
    return;
  }
  OpenRgn();
  FrameOval(&rect->rect);
  CloseRgn(rgn);
}

void RegionNative::Reset() {
  Renew();
}

REALobject NewRegionObject(const RegionNative* region) {
  REALobject object = NewInstanceOf("FenraRegion");
  AttachNative(object, region, true);
  return object;
}

namespace {

void Destruct(REALobject instance) {
  DestroyNative<RegionNative>(instance);
}

void NewEmpty(REALobject instance) {
  SetNative(instance, new (std::nothrow) RegionNative);
}

void NewCopy(REALobject instance, REALobject other) {
  if (other == nullptr) return;
  AttachNative(instance, GetNative<RegionNative>(other), true);
}

void NewFromRect(REALobject instance, REALobject rect) {
  if (rect == nullptr) return;
  auto* native = new (std::nothrow) RegionNative;
  if (native == nullptr) return;
  native->SetToRect(GetNative<RectNative>(rect));
  SetNative(instance, native);
}

void RectToRegion(REALobject instance, REALobject rect) {
  RegionNative* native = GetNative<RegionNative>(instance);
  if (rect == nullptr || native == nullptr) return;
  native->SetToRect(GetNative<RectNative>(rect));
}

void OvalToRegion(REALobject instance, REALobject rect) {
  RegionNative* native = GetNative<RegionNative>(instance);
  if (rect == nullptr || native == nullptr) return;
  native->SetToOval(GetNative<RectNative>(rect));
}

// The region of a valid source, or null when the call must do nothing.
RgnHandle SourceRegion(REALobject instance, REALobject source) {
  if (source == nullptr || GetNative<RegionNative>(instance) == nullptr) return nullptr;
  RegionNative* native = GetNative<RegionNative>(source);
  return native != nullptr && native->IsValid() ? native->rgn : nullptr;
}

void Copy(REALobject instance, REALobject source) {
  if (RgnHandle rgn = SourceRegion(instance, source)) {
    GetNative<RegionNative>(instance)->CopyFrom(rgn);
  }
}

void Add(REALobject instance, REALobject source) {
  if (RgnHandle rgn = SourceRegion(instance, source)) {
    GetNative<RegionNative>(instance)->Union(rgn);
  }
}

void Subtract(REALobject instance, REALobject source) {
  if (RgnHandle rgn = SourceRegion(instance, source)) {
    GetNative<RegionNative>(instance)->Difference(rgn);
  }
}

void Reset(REALobject instance) {
  if (RegionNative* native = GetNative<RegionNative>(instance)) native->Reset();
}

REALmethodDefinition gMethods[] = {
    Method<NewEmpty, "FenraRegion()">(),
    Method<NewCopy, "FenraRegion(ob as FenraRegion)">(),
    Method<NewFromRect, "FenraRegion(r as FenraRect)">(),
    Method<RectToRegion, "RectToRegion(r as FenraRect)">(),
    Method<OvalToRegion, "OvalToRegion(r as FenraRect)">(),
    Method<Copy, "Copy(src as FenraRegion)">(),
    Method<Add, "Add(src as FenraRegion)">(),
    Method<Subtract, "Subtract(src as FenraRegion)">(),
    Method<Reset, "Reset()">(),
};

}  // namespace

REALclassDefinition gFenraRegionClass =
    DefineClass("FenraRegion", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<Destruct>(), {.methods = gMethods});

}  // namespace fenra
