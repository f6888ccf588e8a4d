// Off-screen graphics worlds and their pixel maps.
#include "ImageCompression.h"
#include "QDOffscreen.h"
#include "base/api_call.h"
#include "quickdraw/drawing.h"
#include "memory/memory.h"
#include "quickdraw/picture.h"
#include "quickdraw/pixels.h"
#include "quickdraw/port.h"

namespace qtml {
namespace {

constexpr Fixed kSeventyTwoDpi = 72 << 16;
constexpr long kMaxRowBytes = 0x3FFE;
constexpr GWorldFlags kPixelsStateMask = pixelsLocked | pixelsPurgeable;

bool SupportedDepth(long depth) {
  return depth == 1 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

// Rows padded to whole 32-bit words.
long RowBytesFor(long width, long depth) {
  return (width * depth + 31) / 32 * 4;
}

void DescribePixels(PixMap& map, long depth, const Rect& bounds, long rowBytes) {
  map.rowBytes = static_cast<short>(0x8000 | rowBytes);
  map.bounds = bounds;
  map.hRes = kSeventyTwoDpi;
  map.vRes = kSeventyTwoDpi;
  map.pixelSize = static_cast<short>(depth);
  map.pixelFormat = static_cast<OSType>(depth);  // k1Monochrome ... k32ARGB
  bool indexed = depth <= 8;
  map.pixelType = indexed ? 0 : RGBDirect;
  map.cmpCount = indexed ? 1 : 3;
  map.cmpSize = indexed ? static_cast<short>(depth) : depth == 16 ? 5 : 8;
}

// A copy of the caller's table, or the standard one for the depth.
CTabHandle TableFor(long depth, CTabHandle given) {
  if (depth > 8) return nullptr;
  if (given == nullptr || !IsHandle(reinterpret_cast<Handle>(given))) {
    return NewStandardColorTable(static_cast<int>(depth));
  }
  OSErr err = noErr;
  Size size = HandleSize(reinterpret_cast<Handle>(given));
  Handle copy = NewHandleBytes(size, false, &err);
  if (copy != nullptr) SetHandleBytes(copy, *given, size);
  return reinterpret_cast<CTabHandle>(copy);
}

void FreePort(Port* port) {
  if (port == nullptr) return;
  DiscardRecording(*port);
  ReleaseDrawingState(*port);
  if (port->ownsPixels) FreeBytes(port->pixMap.baseAddr);
  FreeHandle(reinterpret_cast<Handle>(port->colorTable));
  ForgetColorLookups();
  RemovePort(port);
  FreeBytes(port);
}

// Makes a world over `pixels` (owned when `owns`); on failure frees what
// it was given.
QDErr MakeWorld(GWorldPtr* result, long depth, const Rect& bounds, CTabHandle table, Ptr pixels,
                long rowBytes, bool owns) {
  auto* port = static_cast<Port*>(AllocateZeroedBytes(sizeof(Port)));
  CTabHandle ownTable = pixels != nullptr && port != nullptr ? TableFor(depth, table) : nullptr;
  if (port == nullptr || pixels == nullptr || (depth <= 8 && ownTable == nullptr) ||
      !AddPort(port)) {
    if (owns) FreeBytes(pixels);
    FreeHandle(reinterpret_cast<Handle>(ownTable));
    FreeBytes(port);
    return memFullErr;
  }
  port->pixMapMaster = &port->pixMap;
  DescribePixels(port->pixMap, depth, bounds, rowBytes);
  port->pixMap.baseAddr = pixels;
  port->pixMap.pmTable = ownTable;
  port->colorTable = ownTable;
  port->ownsPixels = owns;
  port->isOffscreen = true;
  port->portRect = bounds;
  port->foreColor = RGBColor{0, 0, 0};
  port->backColor = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
  InitDrawingState(*port);
  port->ownDevice.gdType = depth <= 8 ? 0 : 2;  // CLUT or direct
  port->ownDevice.gdPMap = PixMapOf(port);
  port->ownDevice.gdRect = bounds;
  port->ownDeviceMaster = &port->ownDevice;
  port->device = &port->ownDeviceMaster;
  *result = GrafPtrOf(port);
  return noErr;
}

}  // namespace

QDErr NewWorld(GWorldPtr* result, long depth, const Rect* bounds, CTabHandle table) {
  if (result == nullptr || bounds == nullptr) return paramErr;
  *result = nullptr;
  if (depth == 0) depth = 32;
  if (!SupportedDepth(depth)) return cDepthErr;
  if (IsEmpty(*bounds)) return paramErr;
  long rowBytes = RowBytesFor(bounds->right - bounds->left, depth);
  if (rowBytes > kMaxRowBytes) return paramErr;
  size_t size = static_cast<size_t>(rowBytes) * static_cast<size_t>(bounds->bottom - bounds->top);
  Ptr pixels = static_cast<Ptr>(AllocateZeroedBytes(size));
  return MakeWorld(result, depth, *bounds, table, pixels, rowBytes, true);
}

void DisposeWorld(GWorldPtr world) noexcept {
  Port* port = PortFromGrafPtr(reinterpret_cast<GrafPtr>(world));
  if (port != nullptr && port->isOffscreen) FreePort(port);
}

QDErr NewWorldFromPtr(GWorldPtr* result, unsigned long format, const Rect* bounds, CTabHandle table,
                      Ptr buffer, long rowBytes) {
  if (result == nullptr || bounds == nullptr) return paramErr;
  *result = nullptr;
  if (!SupportedDepth(static_cast<long>(format))) return cDepthErr;
  long depth = static_cast<long>(format);
  if (IsEmpty(*bounds) || buffer == nullptr) return paramErr;
  if (rowBytes < RowBytesFor(bounds->right - bounds->left, depth) || rowBytes > kMaxRowBytes) {
    return paramErr;
  }
  return MakeWorld(result, depth, *bounds, table, buffer, rowBytes, false);
}

namespace {

// The port a public call works on, or nullptr. QDError becomes the fault
// injected into `call` (and nothing is looked up), else paramErr when
// `find(key)` finds no live port, else noErr.
template <typename Key>
Port* CalledPort(const ApiCall& call, Port* (*find)(Key) noexcept, Key key) {
  if (OSErr fault = call.Fault()) {
    SetQDError(fault);
    return nullptr;
  }
  Port* port = find(key);
  SetQDError(port != nullptr ? noErr : paramErr);
  return port;
}

Port* WorldPort(const ApiCall& call, GWorldPtr world) {
  return CalledPort(call, PortFromGrafPtr, world);
}

Port* PixMapPort(const ApiCall& call, PixMapHandle pm) {
  return CalledPort(call, PortFromPixMap, pm);
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::SetQDError;

extern "C" {

QDErr NewGWorld(GWorldPtr* offscreenGWorld, short pixelDepth, const Rect* boundsRect,
                CTabHandle cTable, GDHandle aGDevice, GWorldFlags flags) try {
  ApiCall call("NewGWorld", offscreenGWorld, pixelDepth, boundsRect, cTable, aGDevice, flags);
  QDErr err = call.Fault();
  if (err != noErr && offscreenGWorld != nullptr) *offscreenGWorld = nullptr;
  if (err == noErr) err = qtml::NewWorld(offscreenGWorld, pixelDepth, boundsRect, cTable);
  SetQDError(err);
  return call.Return(err);
} catch (...) {
  return qtml::Escaped<QDErr>();
}

QDErr NewGWorldFromPtr(GWorldPtr* offscreenGWorld, unsigned long pixelFormat,
                       const Rect* boundsRect, CTabHandle cTable, GDHandle aGDevice,
                       GWorldFlags flags, Ptr newBuffer, long rowBytes) try {
  ApiCall call("NewGWorldFromPtr", offscreenGWorld, qtml::FourCC{static_cast<OSType>(pixelFormat)},
               boundsRect, cTable, aGDevice, flags, static_cast<const void*>(newBuffer), rowBytes);
  QDErr err = call.Fault();
  if (err != noErr && offscreenGWorld != nullptr) *offscreenGWorld = nullptr;
  if (err == noErr) {
    err = qtml::NewWorldFromPtr(offscreenGWorld, pixelFormat, boundsRect, cTable, newBuffer,
                                rowBytes);
  }
  SetQDError(err);
  return call.Return(err);
} catch (...) {
  return qtml::Escaped<QDErr>();
}

OSErr QTNewGWorldFromPtr(GWorldPtr* gw, OSType pixelFormat, const Rect* boundsRect,
                         CTabHandle cTable, GDHandle aGDevice, GWorldFlags flags, void* baseAddr,
                         long rowBytes) try {
  ApiCall call("QTNewGWorldFromPtr", gw, qtml::FourCC{pixelFormat}, boundsRect, cTable, aGDevice,
               flags, static_cast<const void*>(baseAddr), rowBytes);
  OSErr err = call.Fault();
  if (err != noErr && gw != nullptr) *gw = nullptr;
  // The engine's pixel formats are the depths themselves (k32ARGBPixelFormat is 32).
  if (err == noErr) {
    err = qtml::NewWorldFromPtr(gw, pixelFormat, boundsRect, cTable, static_cast<Ptr>(baseAddr),
                                rowBytes);
  }
  SetQDError(err);
  return call.Return(err);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

void DisposeGWorld(GWorldPtr offscreenGWorld) try {
  ApiCall call("DisposeGWorld", offscreenGWorld);
  qtml::Port* port = qtml::WorldPort(call, offscreenGWorld);
  if (port == nullptr) return;
  if (!port->isOffscreen) return SetQDError(paramErr);
  qtml::FreePort(port);
  SetQDError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

PixMapHandle GetGWorldPixMap(GWorldPtr offscreenGWorld) try {
  ApiCall call("GetGWorldPixMap", offscreenGWorld);
  qtml::Port* port = qtml::WorldPort(call, offscreenGWorld);
  return call.Return(port != nullptr ? qtml::PixMapOf(port) : nullptr);
} catch (...) {
  return qtml::Escaped<PixMapHandle>();
}

GDHandle GetGWorldDevice(GWorldPtr offscreenGWorld) try {
  ApiCall call("GetGWorldDevice", offscreenGWorld);
  qtml::Port* port = qtml::WorldPort(call, offscreenGWorld);
  if (port == nullptr) return call.Return<GDHandle>(nullptr);
  // A window draws through the device of the screen it is on.
  return call.Return(port->isOffscreen ? &port->ownDeviceMaster : port->device);
} catch (...) {
  return qtml::Escaped<GDHandle>();
}

Boolean LockPixels(PixMapHandle pm) try {
  ApiCall call("LockPixels", pm);
  qtml::Port* port = qtml::PixMapPort(call, pm);
  if (port != nullptr) port->pixelsState |= pixelsLocked;
  return call.Return<Boolean>(port != nullptr);
} catch (...) {
  return qtml::Escaped<Boolean>();
}

void UnlockPixels(PixMapHandle pm) try {
  ApiCall call("UnlockPixels", pm);
  qtml::Port* port = qtml::PixMapPort(call, pm);
  if (port != nullptr) port->pixelsState &= ~static_cast<GWorldFlags>(pixelsLocked);
} catch (...) {
  return qtml::Escaped<void>();
}

GWorldFlags GetPixelsState(PixMapHandle pm) try {
  ApiCall call("GetPixelsState", pm);
  qtml::Port* port = qtml::PixMapPort(call, pm);
  return call.Return<GWorldFlags>(port != nullptr ? port->pixelsState : 0);
} catch (...) {
  return qtml::Escaped<GWorldFlags>();
}

void SetPixelsState(PixMapHandle pm, GWorldFlags state) try {
  ApiCall call("SetPixelsState", pm, state);
  qtml::Port* port = qtml::PixMapPort(call, pm);
  if (port != nullptr) port->pixelsState = state & qtml::kPixelsStateMask;
} catch (...) {
  return qtml::Escaped<void>();
}

Ptr GetPixBaseAddr(PixMapHandle pm) try {
  ApiCall call("GetPixBaseAddr", pm);
  qtml::Port* port = qtml::PixMapPort(call, pm);
  return call.Return<Ptr>(port != nullptr ? port->pixMap.baseAddr : nullptr);
} catch (...) {
  return qtml::Escaped<Ptr>();
}

long GetPixRowBytes(PixMapHandle pm) try {
  ApiCall call("GetPixRowBytes", pm);
  qtml::Port* port = qtml::PixMapPort(call, pm);
  return call.Return<long>(port != nullptr ? port->pixMap.rowBytes & 0x3FFF : 0);
} catch (...) {
  return qtml::Escaped<long>();
}

void SetGWorld(CGrafPtr port, GDHandle gdh) try {
  ApiCall call("SetGWorld", port, gdh);
  qtml::Port* target = qtml::WorldPort(call, port);
  if (target == nullptr) return;
  // An off-screen world always draws through its own device.
  GDHandle device = target->isOffscreen || gdh == nullptr ? target->device : gdh;
  qtml::SetCurrent(target, device);
} catch (...) {
  return qtml::Escaped<void>();
}

void GetGWorld(CGrafPtr* port, GDHandle* gdh) try {
  ApiCall call("GetGWorld", port, gdh);
  if (OSErr fault = call.Fault()) return SetQDError(fault);
  if (port != nullptr) *port = qtml::GrafPtrOf(qtml::CurrentPort());
  if (gdh != nullptr) *gdh = qtml::CurrentDevice();
  SetQDError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

}  // extern "C"
