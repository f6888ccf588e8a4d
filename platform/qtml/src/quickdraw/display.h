// The display the main screen is shown on, when there is one: a window
// system reached through SDL (named by DISPLAY or WAYLAND_DISPLAY, or a
// driver SDL_VIDEODRIVER names, such as SDL's own "offscreen"). Without
// one, as on a build machine, the screen's pixels are all there is of it
// and every call here does nothing.
#pragma once

#include "Quickdraw.h"

namespace qtml::display {

// Whether a window system is there and SDL's video started on it; decided
// on the first call.
bool Available() noexcept;

// The full-screen window: opened by BeginFullScreen over the whole
// display, closed by EndFullScreen. Show draws the screen's pixels into
// it, scaled to fit and centred, when it is open.
void OpenFullScreen() noexcept;
void CloseFullScreen() noexcept;
bool FullScreenIsOpen() noexcept;
void Show(const PixMap& screen) noexcept;

// The screen's point for a point of the full-screen window, undoing the
// scale Show draws with.
Point ScreenPointOf(int x, int y) noexcept;

}  // namespace qtml::display
