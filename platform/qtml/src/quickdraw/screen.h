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

// Shows the screen's pixels on the display. This build has none: the
// screen's pixels are all there is of it, and there is nothing to do. A
// build with a window system puts them on the display here, and nowhere
// else.
void PresentScreen() noexcept;

}  // namespace qtml
