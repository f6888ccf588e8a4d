// Host windows on the desktop, through SDL's video; read back through
// Xlib for the tests that check what the X server shows.
#include "core/display_window.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdlib>

#include "core/pixel_world.h"

#if defined(FENRA_HAS_X11) && defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#define FENRA_READS_X11 1
#endif

namespace fenra::host {
namespace {

bool Named(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

}  // namespace

bool DisplayWindow::Available() {
  static const bool available = [] {
    if (!Named("DISPLAY") && !Named("WAYLAND_DISPLAY") && !Named("SDL_VIDEODRIVER")) return false;
    // Windows show plain pixels: the system's own framebuffer is all they need,
    // and it spares loading a GPU driver for each program.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  }();
  return available;
}

std::unique_ptr<DisplayWindow> DisplayWindow::Open(const std::string& title, int width,
                                                   int height) {
  if (!Available()) return nullptr;
  SDL_Window* window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED,
                                        SDL_WINDOWPOS_CENTERED, width, height, SDL_WINDOW_SHOWN);
  if (window == nullptr) return nullptr;
  return std::unique_ptr<DisplayWindow>(new DisplayWindow(window));
}

DisplayWindow::~DisplayWindow() {
  SDL_DestroyWindow(window_);
}

void DisplayWindow::SetTitle(const std::string& title) {
  SDL_SetWindowTitle(window_, title.c_str());
}

void DisplayWindow::Show(const PixelWorld& pixels) {
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (target == nullptr || !pixels.Usable()) return;
  const Rect& bounds = pixels.Bounds();
  int width = bounds.right - bounds.left;
  int height = bounds.bottom - bounds.top;
  int rowBytes = height > 1 ? static_cast<int>(pixels.Row(bounds.top + 1) - pixels.Row(bounds.top))
                            : width * 4;
  // The world's pixels are alpha, red, green, blue bytes; QuickDraw leaves
  // the alpha undefined, so it is not blended.
  SDL_Surface* source =
      SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(pixels.Row(bounds.top)), width,
                                         height, 32, rowBytes, SDL_PIXELFORMAT_ARGB32);
  if (source == nullptr) return;
  SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
  SDL_BlitSurface(source, nullptr, target, nullptr);
  SDL_FreeSurface(source);
  SDL_UpdateWindowSurface(window_);
}

void DisplayWindow::Origin(int& left, int& top) const {
  SDL_GetWindowPosition(window_, &left, &top);
}

void DisplayWindow::MoveTo(int left, int top) {
  SDL_SetWindowPosition(window_, left, top);
}

uint32_t DisplayWindow::DisplayedPixel(int x, int y) const {
#ifdef FENRA_READS_X11
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window_, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return 0;
  Display* display = info.info.x11.display;
  XSync(display, False);
  XImage* image = XGetImage(display, info.info.x11.window, x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return 0;
  unsigned long pixel = XGetPixel(image, 0, 0);
  auto channel = [pixel](unsigned long mask) -> uint32_t {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    unsigned long value = (pixel & mask) >> shift;
    unsigned long top = mask >> shift;
    return static_cast<uint32_t>(value * 255 / top);
  };
  uint32_t rgb =
      channel(image->red_mask) << 16 | channel(image->green_mask) << 8 | channel(image->blue_mask);
  XDestroyImage(image);
  return 0xFF000000u | rgb;
#else
  (void)x;
  (void)y;
  return 0;
#endif
}

}  // namespace fenra::host
