// The main screen's windows: ports over the screen's own pixels, as a
// full-screen window is; and the one place where the screen is shown.
#pragma once

#include "quickdraw/port.h"

namespace qtml {

// A new window port covering the whole screen, its pixels the screen's,
// erased to `erase`; nullptr when memory is short. It draws through the
// main device and is known as a native window's port.
Port* NewScreenWindow(const RGBColor& erase) noexcept;
// Disposes of a window NewScreenWindow made; nothing for other ports.
void DisposeScreenWindow(Port* window) noexcept;

// Shows the screen's pixels on the display, in the full-screen window
// while there is one (quickdraw/display.h); nothing without a display.
void PresentScreen() noexcept;

}  // namespace qtml
