// FenraRect: properties left, top, right, bottom, width, height (one
// getter and setter, by selector) and the read-only centre.
#include "values/rect.h"

#include "Quickdraw.h"
#include "plugin/bridges.h"
#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/host_services.h"
#include "plugin/registration.h"

namespace fenra {

bool RectNative::IsValid() const {
  return !EmptyRect(&rect);
}

Rect* RectOf(REALobject instance) {
  RectNative* native = GetNative<RectNative>(instance);
  return native != nullptr ? &native->rect : nullptr;
}

void CopyRectOut(REALobject instance, Rect* out) {
  if (out == nullptr) return;
  const Rect* rect = RectOf(instance);
  *out = rect != nullptr ? *rect : Rect{0, 0, 0, 0};
}

void SetRectNative(REALobject instance, const Rect* rect) {
  if (rect == nullptr) return;
  auto* native = new (std::nothrow) RectNative;
  if (native == nullptr) return;
  native->rect = *rect;
  SetNative(instance, native);
}

REALobject NewRectObject(const Rect& rect) {
  REALobject object = NewInstanceOf("FenraRect");
  SetRectNative(object, &rect);
  return object;
}

bool RectIsInside(const RectNative* a, const RectNative* b, bool strict) {
  if (a == nullptr || b == nullptr || !a->IsValid() || !b->IsValid()) return false;
  const Rect& in = a->rect;
  const Rect& out = b->rect;
  if (strict) {
    return in.left > out.left && in.top > out.top && in.right < out.right && in.bottom < out.bottom;
  }
  return in.left >= out.left && in.top >= out.top && in.right <= out.right &&
         in.bottom <= out.bottom;
}

namespace {

enum Side : intptr_t { kLeft, kTop, kRight, kBottom, kWidth, kHeight };

RBInteger GetSide(REALobject instance, intptr_t selector) {
  const Rect* r = RectOf(instance);
  if (r == nullptr) return 0;
  switch (selector) {
    case kLeft:
      return r->left;
    case kTop:
      return r->top;
    case kRight:
      return r->right;
    case kBottom:
      return r->bottom;
    case kWidth:
      return r->right - r->left;
    case kHeight:
      return r->bottom - r->top;
  }
  return 0;
}

void SetSide(REALobject instance, intptr_t selector, RBInteger value) {
  Rect* r = RectOf(instance);
  if (r == nullptr) return;
  switch (selector) {
    case kLeft:
      r->left = static_cast<short>(value);
      break;
    case kTop:
      r->top = static_cast<short>(value);
      break;
    case kRight:
      r->right = static_cast<short>(value);
      break;
    case kBottom:
      r->bottom = static_cast<short>(value);
      break;
    case kWidth:
      r->right = static_cast<short>(r->left + value);
      break;
    case kHeight:
      r->bottom = static_cast<short>(r->top + value);
      break;
  }
}

// Selector 0 is the horizontal centre; any other the vertical one.
RBInteger GetCentre(REALobject instance, intptr_t selector) {
  const Rect* r = RectOf(instance);
  if (r == nullptr) return 0;
  return selector == 0 ? CentreOf(r->left, r->right) : CentreOf(r->top, r->bottom);
}

void NewEmpty(REALobject instance) {
  const Rect zero{0, 0, 0, 0};
  SetRectNative(instance, &zero);
}

void NewCopy(REALobject instance, REALobject other) {
  if (other == nullptr) return;
  AttachNative(instance, GetNative<RectNative>(other), true);
}

void NewFromArray(REALobject instance, REALarray values) {
  Rect rect;
  IntArrayToRect(values, &rect);
  SetRectNative(instance, &rect);
}

void NewFromControl(REALobject instance, REALcontrol control) {
  if (control == nullptr) return;
  Rect rect{0, 0, 0, 0};
  host::GetControlBounds(control, &rect);
  SetRectNative(instance, &rect);
}

void NewSized(REALobject instance, RBInteger width, RBInteger height) {
  Rect rect{0, 0, static_cast<short>(height), static_cast<short>(width)};
  SetRectNative(instance, &rect);
}

REALproperty gProperties[] = {
    Property<"left", "Integer", GetSide, SetSide>(kLeft),
    Property<"top", "Integer", GetSide, SetSide>(kTop),
    Property<"right", "Integer", GetSide, SetSide>(kRight),
    Property<"bottom", "Integer", GetSide, SetSide>(kBottom),
    Property<"width", "Integer", GetSide, SetSide>(kWidth),
    Property<"height", "Integer", GetSide, SetSide>(kHeight),
    Property<"xCenter", "Integer", GetCentre, nullptr>(0),
    Property<"yCenter", "Integer", GetCentre, nullptr>(1),
};

REALmethodDefinition gMethods[] = {
    Method<NewEmpty, "FenraRect()">(),
    Method<NewCopy, "FenraRect(ob as FenraRect)">(),
    Method<NewFromArray, "FenraRect(r() as integer)">(),
    Method<NewFromControl, "FenraRect(c as control)">(),
    Method<NewSized, "FenraRect(w as integer,h as integer)">(),
};

}  // namespace

// No destructor: the root frees the native, which owns nothing.
REALclassDefinition gFenraRectClass =
    DefineClass("FenraRect", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(), nullptr,
                {.properties = gProperties, .methods = gMethods});

}  // namespace fenra
