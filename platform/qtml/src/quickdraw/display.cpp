// The display, through SDL's video: one full-screen window showing the
// main screen's pixels while a movie is presented full screen.
#include "quickdraw/display.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>

namespace qtml::display {
namespace {

struct Display {
  bool decided = false;
  bool available = false;
  SDL_Window* fullScreen = nullptr;
  SDL_Rect shown{0, 0, 0, 0};  // where the screen was drawn in the window
  int screenWidth = 0, screenHeight = 0;
};

Display& TheDisplay() {
  static Display display;
  return display;
}

bool Named(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

// Where an image of `width` x `height` goes in a window of `area`: as large
// as fits with its shape kept, centred.
SDL_Rect Fitted(int areaWidth, int areaHeight, int width, int height) {
  if (width <= 0 || height <= 0) return SDL_Rect{0, 0, 0, 0};
  double scale =
      std::min(static_cast<double>(areaWidth) / width, static_cast<double>(areaHeight) / height);
  int w = static_cast<int>(width * scale);
  int h = static_cast<int>(height * scale);
  return SDL_Rect{(areaWidth - w) / 2, (areaHeight - h) / 2, w, h};
}

}  // namespace

bool Available() noexcept {
  Display& display = TheDisplay();
  if (!display.decided) {
    display.decided = true;
    const bool windowSystem =
        Named("DISPLAY") || Named("WAYLAND_DISPLAY") || Named("SDL_VIDEODRIVER");
    // The screen shows plain pixels through the system's own framebuffer,
    // without loading a GPU driver.
    if (windowSystem) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    display.available = windowSystem && SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  }
  return display.available;
}

void OpenFullScreen() noexcept {
  Display& display = TheDisplay();
  if (display.fullScreen != nullptr || !Available()) return;
  display.fullScreen =
      SDL_CreateWindow("QuickTime", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 1024, 768,
                       SDL_WINDOW_FULLSCREEN_DESKTOP);
  if (display.fullScreen != nullptr) SDL_RaiseWindow(display.fullScreen);
}

void CloseFullScreen() noexcept {
  Display& display = TheDisplay();
  if (display.fullScreen == nullptr) return;
  SDL_DestroyWindow(display.fullScreen);
  display.fullScreen = nullptr;
  display.shown = SDL_Rect{0, 0, 0, 0};
}

bool FullScreenIsOpen() noexcept {
  return TheDisplay().fullScreen != nullptr;
}

void Show(const PixMap& screen) noexcept {
  Display& display = TheDisplay();
  if (display.fullScreen == nullptr || screen.baseAddr == nullptr || screen.pixelSize != 32) return;
  SDL_Surface* target = SDL_GetWindowSurface(display.fullScreen);
  if (target == nullptr) return;
  int width = screen.bounds.right - screen.bounds.left;
  int height = screen.bounds.bottom - screen.bounds.top;
  // The screen's pixels are 32-bit, alpha, red, green, blue in that order.
  SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
      screen.baseAddr, width, height, 32, screen.rowBytes & 0x3FFF, SDL_PIXELFORMAT_ARGB32);
  if (source == nullptr) return;
  SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
  SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
  display.shown = Fitted(target->w, target->h, width, height);
  display.screenWidth = width;
  display.screenHeight = height;
  SDL_BlitScaled(source, nullptr, target, &display.shown);
  SDL_FreeSurface(source);
  SDL_UpdateWindowSurface(display.fullScreen);
}

Point ScreenPointOf(int x, int y) noexcept {
  const Display& display = TheDisplay();
  if (display.shown.w <= 0 || display.shown.h <= 0) {
    return Point{static_cast<short>(y), static_cast<short>(x)};
  }
  long h = static_cast<long>(x - display.shown.x) * display.screenWidth / display.shown.w;
  long v = static_cast<long>(y - display.shown.y) * display.screenHeight / display.shown.h;
  return Point{static_cast<short>(std::clamp<long>(v, -32768, 32767)),
               static_cast<short>(std::clamp<long>(h, -32768, 32767))};
}

}  // namespace qtml::display
