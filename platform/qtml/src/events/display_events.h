// The keyboard and mouse of the display (quickdraw/display.h), as the
// Event Manager's events.
#pragma once

#include <functional>

#include "Events.h"

namespace qtml {

// Takes every event the window system has for the process and hands on
// those the Event Manager knows, oldest first: key downs and ups (with
// Macintosh key codes and characters), mouse downs and ups at global
// points, and the application's quit (a high-level event 'aevt' 'quit')
// when the user closes a window. Nothing without a display.
void ReadDisplayEvents(const std::function<void(const EventRecord&)>& post);

// Waits at most `milliseconds` for the window system to have an event;
// false without a display (nothing was waited for).
bool WaitForDisplayEvent(long milliseconds);

}  // namespace qtml
