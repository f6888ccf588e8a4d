// The main screen's windows and pixels.
#include "quickdraw/screen.h"

#include <algorithm>
#include <vector>

#include "QTMLTestControls.h"
#include "base/api_call.h"
#include "memory/memory.h"
#include "quickdraw/display.h"
#include "quickdraw/drawing.h"
#include "quickdraw/picture.h"
#include "quickdraw/pixels.h"

namespace qtml {
namespace {

std::vector<Port*>& ScreenWindows() {
  static std::vector<Port*> windows;
  return windows;
}

}  // namespace

Port* NewScreenWindow(const RGBColor& erase) noexcept {
  Port& screen = ScreenPort();
  auto* window = static_cast<Port*>(AllocateZeroedBytes(sizeof(Port)));
  if (window == nullptr) return nullptr;
  try {
    ScreenWindows().push_back(window);
  } catch (...) {
    FreeBytes(window);
    return nullptr;
  }
  if (!AddPort(window)) {
    ScreenWindows().pop_back();
    FreeBytes(window);
    return nullptr;
  }
  window->pixMapMaster = &window->pixMap;
  window->pixMap = screen.pixMap;
  window->pixMap.pmTable = nullptr;
  window->portRect = screen.portRect;
  window->foreColor = RGBColor{0, 0, 0};
  window->backColor = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
  InitDrawingState(*window);
  window->ownDeviceMaster = &window->ownDevice;
  window->device = MainDevice();
  window->windowAssociated = true;
  FillPixels(window->pixMap, window->portRect, ArgbFromRGB(erase));
  return window;
}

void DisposeScreenWindow(Port* window) noexcept {
  auto& windows = ScreenWindows();
  auto it = std::find(windows.begin(), windows.end(), window);
  if (it == windows.end()) return;
  windows.erase(it);
  DiscardRecording(*window);
  ReleaseDrawingState(*window);
  RemovePort(window);
  FreeBytes(window);
}

void PresentScreen() noexcept {
  display::Show(ScreenPort().pixMap);
}

}  // namespace qtml

extern "C" QTML_API UInt32 QTMLTest_ScreenPixel(short h, short v) try {
  const qtml::Port& screen = qtml::ScreenPort();
  const Rect& bounds = screen.pixMap.bounds;
  if (screen.pixMap.baseAddr == nullptr || h < bounds.left || h >= bounds.right || v < bounds.top ||
      v >= bounds.bottom) {
    return 0;
  }
  return 0xFF000000u | qtml::GetPixel(screen.pixMap, h, v);
} catch (...) {
  return qtml::Escaped<UInt32>();
}
