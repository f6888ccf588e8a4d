// Ports: the registry of live ports, the current port and device, the
// screen, colours, simple fills, device contexts and QDError.
#include <cstddef>
#include <unordered_set>

#include "QTML.h"
#include "base/api_call.h"
#include "quickdraw/drawing.h"
#include "memory/memory.h"
#include "quickdraw/pixels.h"
#include "quickdraw/port.h"

namespace qtml {
namespace {

constexpr Rect kScreenBounds = {0, 0, 768, 1024};
constexpr Fixed kSeventyTwoDpi = 72 << 16;

OSErr gQDError = noErr;

std::unordered_set<const Port*>& LivePorts() {
  static std::unordered_set<const Port*> ports;
  return ports;
}

// The screen: a 32-bit port of the screen's size over pixels of its own
// (black at first), current until a client sets another. Should its pixels
// not be had, it has none and drawing on it changes nothing.
Port& Screen() {
  static Port screen = [] {
    FaultsSuspended building;
    Port port{};
    constexpr long kRowBytes = (kScreenBounds.right - kScreenBounds.left) * 4;
    port.pixMap.baseAddr = static_cast<Ptr>(
        AllocateZeroedBytes(static_cast<size_t>(kRowBytes) * kScreenBounds.bottom));
    port.pixMap.rowBytes =
        static_cast<short>(0x8000 | (port.pixMap.baseAddr != nullptr ? kRowBytes : 0));
    port.pixMap.bounds = kScreenBounds;
    port.pixMap.hRes = kSeventyTwoDpi;
    port.pixMap.vRes = kSeventyTwoDpi;
    port.pixMap.pixelType = RGBDirect;
    port.pixMap.pixelSize = 32;
    port.pixMap.cmpCount = 3;
    port.pixMap.cmpSize = 8;
    port.pixMap.pixelFormat = k32ARGBPixelFormat;
    port.portRect = kScreenBounds;
    port.foreColor = RGBColor{0, 0, 0};
    port.backColor = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
    InitDrawingState(port);
    return port;
  }();
  static bool ready = false;
  if (!ready) {
    ready = true;
    screen.pixMapMaster = &screen.pixMap;
    screen.ownDevice.gdPMap = &screen.pixMapMaster;
    screen.ownDevice.gdRect = kScreenBounds;
    screen.ownDevice.gdFlags = 1;
    screen.ownDeviceMaster = &screen.ownDevice;
    screen.device = &screen.ownDeviceMaster;
    AddPort(&screen);
  }
  return screen;
}

Port* gCurrentPort = nullptr;
GDHandle gCurrentDevice = nullptr;

// The current port, or nullptr after recording QDError paramErr.
Port* Current() {
  Port* port = CurrentPort();
  if (port == nullptr) SetQDError(paramErr);
  return port;
}

}  // namespace

Port* PortFromGrafPtr(GrafPtr port) noexcept {
  if (port == nullptr) return nullptr;
  Screen();
  auto* candidate = reinterpret_cast<Port*>(port);
  return LivePorts().count(candidate) != 0 ? candidate : nullptr;
}

Port* PortFromPixMap(PixMapHandle pixMap) noexcept {
  return PortFromGrafPtr(reinterpret_cast<GrafPtr>(pixMap));
}

Port* PortFromDeviceContext(void* hdc) noexcept {
  if (hdc == nullptr) return nullptr;
  auto* port = reinterpret_cast<Port*>(static_cast<char*>(hdc) - offsetof(Port, deviceContext));
  return PortFromGrafPtr(GrafPtrOf(port));
}

bool AddPort(Port* port) noexcept {
  try {
    LivePorts().insert(port);
    return true;
  } catch (...) {
    return false;
  }
}

void RemovePort(Port* port) noexcept {
  LivePorts().erase(port);
  if (gCurrentPort == port) SetCurrent(&Screen(), MainDevice());
}

Port* CurrentPort() noexcept {
  if (gCurrentPort == nullptr) SetCurrent(&Screen(), MainDevice());
  return gCurrentPort;
}

GDHandle CurrentDevice() noexcept {
  CurrentPort();
  return gCurrentDevice;
}

void SetCurrent(Port* port, GDHandle device) noexcept {
  gCurrentPort = port;
  gCurrentDevice = device;
}

GDHandle MainDevice() noexcept {
  return Screen().device;
}

Port& ScreenPort() noexcept {
  return Screen();
}

void SetQDError(OSErr err) noexcept {
  gQDError = err;
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::SetQDError;

extern "C" {

OSErr QDError(void) try {
  ApiCall call("QDError");
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(qtml::gQDError);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

void SetPort(GrafPtr port) try {
  ApiCall call("SetPort", port);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  qtml::Port* target = qtml::PortFromGrafPtr(port);
  if (target == nullptr) return SetQDError(paramErr);
  qtml::SetCurrent(target, qtml::CurrentDevice());
  SetQDError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

void GetPort(GrafPtr* port) try {
  ApiCall call("GetPort", port);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  if (port == nullptr) return SetQDError(paramErr);
  *port = qtml::GrafPtrOf(qtml::CurrentPort());
  SetQDError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

Rect* GetPortBounds(CGrafPtr port, Rect* rect) try {
  ApiCall call("GetPortBounds", port, rect);
  if (rect == nullptr) return call.Return(rect);
  *rect = Rect{0, 0, 0, 0};
  if (OSErr fault = call.Fault()) {
    SetQDError(fault);
    return call.Return(rect);
  }
  qtml::Port* target = qtml::PortFromGrafPtr(port);
  if (target != nullptr) *rect = target->portRect;
  SetQDError(target != nullptr ? noErr : paramErr);
  return call.Return(rect);
} catch (...) {
  return qtml::Escaped<Rect*>();
}

PixMapHandle GetPortPixMap(CGrafPtr port) try {
  ApiCall call("GetPortPixMap", port);
  if (OSErr fault = call.Fault()) {
    SetQDError(fault);
    return call.Return<PixMapHandle>(nullptr);
  }
  qtml::Port* target = qtml::PortFromGrafPtr(port);
  SetQDError(target != nullptr ? noErr : paramErr);
  return call.Return(target != nullptr ? qtml::PixMapOf(target) : nullptr);
} catch (...) {
  return qtml::Escaped<PixMapHandle>();
}

GDHandle GetMainDevice(void) try {
  ApiCall call("GetMainDevice");
  if (OSErr fault = call.Fault()) {
    SetQDError(fault);
    return call.Return<GDHandle>(nullptr);
  }
  return call.Return(qtml::MainDevice());
} catch (...) {
  return qtml::Escaped<GDHandle>();
}

GDHandle GetGDevice(void) try {
  ApiCall call("GetGDevice");
  if (OSErr fault = call.Fault()) {
    SetQDError(fault);
    return call.Return<GDHandle>(nullptr);
  }
  return call.Return(qtml::CurrentDevice());
} catch (...) {
  return qtml::Escaped<GDHandle>();
}

void RGBForeColor(const RGBColor* color) try {
  ApiCall call("RGBForeColor", color);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  qtml::Port* port = qtml::Current();
  if (port == nullptr) return;
  if (color == nullptr) return SetQDError(paramErr);
  port->foreColor = *color;
  SetQDError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

void RGBBackColor(const RGBColor* color) try {
  ApiCall call("RGBBackColor", color);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  qtml::Port* port = qtml::Current();
  if (port == nullptr) return;
  if (color == nullptr) return SetQDError(paramErr);
  port->backColor = *color;
  SetQDError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

void GetForeColor(RGBColor* color) try {
  ApiCall call("GetForeColor", color);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  qtml::Port* port = qtml::Current();
  if (port == nullptr) return;
  if (color == nullptr) return SetQDError(paramErr);
  *color = port->foreColor;
  SetQDError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

void GetBackColor(RGBColor* color) try {
  ApiCall call("GetBackColor", color);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  qtml::Port* port = qtml::Current();
  if (port == nullptr) return;
  if (color == nullptr) return SetQDError(paramErr);
  *color = port->backColor;
  SetQDError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

void* GetPortHDC(GrafPtr port) try {
  ApiCall call("GetPortHDC", port);
  if (OSErr fault = call.Fault()) {
    SetQDError(fault);
    return call.Return<void*>(nullptr);
  }
  qtml::Port* target = qtml::PortFromGrafPtr(port);
  SetQDError(target != nullptr ? noErr : paramErr);
  return call.Return<void*>(target != nullptr ? &target->deviceContext : nullptr);
} catch (...) {
  return qtml::Escaped<void*>();
}

CGrafPtr GetPortFromHDC(void* hdc) try {
  ApiCall call("GetPortFromHDC", hdc);
  if (OSErr fault = call.Fault()) {
    SetQDError(fault);
    return call.Return<CGrafPtr>(nullptr);
  }
  qtml::Port* target = qtml::PortFromDeviceContext(hdc);
  SetQDError(target != nullptr ? noErr : paramErr);
  return call.Return(target != nullptr ? qtml::GrafPtrOf(target) : nullptr);
} catch (...) {
  return qtml::Escaped<CGrafPtr>();
}

}  // extern "C"
