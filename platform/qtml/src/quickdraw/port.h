// Graphics ports as the engine keeps them, the current port, and QuickDraw's
// error. A GrafPtr, CGrafPtr or GWorldPtr is the address of a Port; a
// PixMapHandle is the address of its first field.
#pragma once

#include <cstddef>
#include <cstdint>

#include "QDOffscreen.h"
#include "Quickdraw.h"

namespace qtml {

struct PictureRecording;
class Shape;

struct Port {
  PixMap* pixMapMaster;  // first: a PixMapHandle is the address of this field
  PixMap pixMap;
  Rect portRect;
  RGBColor foreColor;
  RGBColor backColor;
  GWorldFlags pixelsState;
  GDHandle device;        // the current device while this port is current
  GDevice ownDevice;      // an off-screen world's own device
  GDPtr ownDeviceMaster;  // a GDHandle to ownDevice is its address
  bool isOffscreen;
  bool ownsPixels;
  CTabHandle colorTable;        // owned; nil for direct depths
  PictureRecording* recording;  // the picture being recorded, if any
  unsigned char deviceContext;  // its address is the port's HDC
  // Drawing state, set up by InitDrawingState (drawing.h).
  RgnHandle clipRgn;       // owned; nullptr while the clip is wide open
  RGBColor opColor;        // OpColor
  RGBColor hiliteColor;    // HiliteColor
  Point penSize;           // PenSize
  Shape* regionRecording;  // owned: the region OpenRgn is recording, if any
  Fixed requestedGamma;    // 0: pixels at the video level, 2.2
  bool windowAssociated;   // made known as a native window's port
  // Later: text state.
};

// The live port a GrafPtr, PixMapHandle or HDC names, or nullptr.
Port* PortFromGrafPtr(GrafPtr port) noexcept;
Port* PortFromPixMap(PixMapHandle pixMap) noexcept;
Port* PortFromDeviceContext(void* hdc) noexcept;
inline GrafPtr GrafPtrOf(Port* port) {
  return reinterpret_cast<GrafPtr>(port);
}
inline PixMapHandle PixMapOf(Port* port) {
  return &port->pixMapMaster;
}

// Registers a new port as live; false when memory is short.
bool AddPort(Port* port) noexcept;
void RemovePort(Port* port) noexcept;

// The current port (the screen's until a client sets one).
Port* CurrentPort() noexcept;
GDHandle CurrentDevice() noexcept;
void SetCurrent(Port* port, GDHandle device) noexcept;
GDHandle MainDevice() noexcept;
// The main screen's port (MainDevice's), with its pixels.
Port& ScreenPort() noexcept;

void SetQDError(OSErr err) noexcept;

// The channel values pixels decompressed into the port take, from the
// video level 2.2 to the level requested for its pixel map; false when
// they are left alone.
bool GammaTable(const Port& port, uint8_t table[256]);

// A new off-screen world as NewGWorld makes it (depth 0: 32 bits), without
// the call's bookkeeping: noErr, paramErr, cDepthErr or memFullErr.
QDErr NewWorld(GWorldPtr* result, long depth, const Rect* bounds, CTabHandle table);
// Disposes of a world NewWorld made, as DisposeGWorld does.
void DisposeWorld(GWorldPtr world) noexcept;

// Disposes of a world NewWorld made when it goes, on every path out.
class WorldOwner {
 public:
  explicit WorldOwner(GWorldPtr world) : world_(world) {}
  ~WorldOwner() { DisposeWorld(world_); }
  WorldOwner(const WorldOwner&) = delete;
  WorldOwner& operator=(const WorldOwner&) = delete;

 private:
  GWorldPtr world_;
};

}  // namespace qtml
