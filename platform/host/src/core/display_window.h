// Host windows on the desktop: when a window system is there (DISPLAY or
// WAYLAND_DISPLAY names one), each host window has a window on it, through
// SDL, that shows the window's pixels whenever the host shows them (its
// event loop, Window.Refresh). Without one the host's windows are their
// pixels alone, and everything else works the same.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct SDL_Window;

namespace fenra::host {

class PixelWorld;

class DisplayWindow {
 public:
  // Whether windows can be shown; decided on the first call.
  static bool Available();
  // A window of that size on the desktop, or nullptr when there is no
  // display or the window system refuses one.
  static std::unique_ptr<DisplayWindow> Open(const std::string& title, int width, int height);
  ~DisplayWindow();
  DisplayWindow(const DisplayWindow&) = delete;
  DisplayWindow& operator=(const DisplayWindow&) = delete;

  void SetTitle(const std::string& title);
  // Puts the pixels on the desktop.
  void Show(const PixelWorld& pixels);
  // The window's top left corner on the desktop, the origin of its
  // events' global points; and the window moved there.
  void Origin(int& left, int& top) const;
  void MoveTo(int left, int top);
  // What the window system shows at a point of the window, 0xFFRRGGBB,
  // read back from the X server; 0 when it cannot be read.
  uint32_t DisplayedPixel(int x, int y) const;

 private:
  explicit DisplayWindow(SDL_Window* window) : window_(window) {}
  SDL_Window* window_;
};

}  // namespace fenra::host
