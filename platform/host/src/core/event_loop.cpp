// The host's event loop: the engine's Event Manager events, taken as a
// Macintosh application takes them, for the host's windows and players.
#include <array>

#include "Events.h"
#include "Movies.h"
#include "core/objects.h"
#include "fenra_host/runtime.h"

namespace fenra::host {
namespace {

// Keys pressed (or repeated) since they were last asked about.
std::array<bool, 128>& PressedKeys() {
  static std::array<bool, 128> pressed{};
  return pressed;
}

UInt8 KeyCodeOf(const EventRecord& event) {
  return static_cast<UInt8>((event.message & keyCodeMask) >> 8);
}

// The newest window under a global point, with the point made local to it.
Window* WindowAt(Point global, Point& local) {
  const std::vector<Window*>& windows = Window::All();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    Point origin = (*it)->Origin();
    int h = global.h - origin.h;
    int v = global.v - origin.v;
    if (h >= 0 && v >= 0 && h < (*it)->Width() && v < (*it)->Height()) {
      local = Point{static_cast<short>(v), static_cast<short>(h)};
      return *it;
    }
  }
  return nullptr;
}

// Offers the event to the players (of one window, or of every window for
// null) until one takes it.
void OfferToPlayers(const EventRecord& event, const Window* window) {
  // A copy: a player's controller may run script-visible work that adds
  // or removes players.
  std::vector<MoviePlayer*> players = MoviePlayer::InWindows();
  for (MoviePlayer* player : players) {
    if (player->Controller() == nullptr) continue;
    if (window != nullptr && player->ParentWindow() != window) continue;
    if (MCIsPlayerEvent(player->Controller(), &event) == 1) {
      player->Idle();
      return;
    }
  }
}

bool IsQuit(const EventRecord& event) {
  UInt32 id = static_cast<UInt32>(static_cast<UInt16>(event.where.v)) << 16 |
              static_cast<UInt16>(event.where.h);
  return event.message == kCoreEventClass && id == kAEQuitApplication;
}

// Hands an event on; false for the application's quit.
bool Dispatch(const EventRecord& event) {
  switch (event.what) {
    case keyDown:
    case autoKey:
      if (KeyCodeOf(event) < PressedKeys().size()) PressedKeys()[KeyCodeOf(event)] = true;
      OfferToPlayers(event, nullptr);
      break;
    case mouseDown: {
      Point local{0, 0};
      Window* window = WindowAt(event.where, local);
      if (window == nullptr) break;
      EventRecord inWindow = event;
      inWindow.where = local;
      OfferToPlayers(inWindow, window);
      break;
    }
    case kHighLevelEvent:
      return !IsQuit(event);
  }
  return true;
}

void Turn() {
  std::vector<MoviePlayer*> players = MoviePlayer::InWindows();
  for (MoviePlayer* player : players) player->Idle();
  for (Window* window : Window::All()) window->Refresh();
}

bool DoEvents(long milliseconds) {
  HostDrawing quiet;
  UInt32 end = TickCount() + static_cast<UInt32>(milliseconds > 0 ? milliseconds * 60 / 1000 : 0);
  bool going = true;
  Turn();
  do {
    // A tick at a time, so that playing movies move on between waits; what
    // the windows show is what the time is when the loop returns.
    UInt32 sleep = TickCount() < end ? 1 : 0;
    EventRecord event;
    if (WaitNextEvent(everyEvent, &event, sleep, nullptr)) going = Dispatch(event);
    Turn();
  } while (going && TickCount() < end);
  return going;
}

bool KeyPressed(uint8_t keyCode) {
  if (keyCode >= PressedKeys().size()) return false;
  bool pressed = PressedKeys()[keyCode];
  PressedKeys()[keyCode] = false;
  return pressed;
}

uint32_t DisplayedPixel(Object* object, int x, int y) {
  auto* window = dynamic_cast<Window*>(object);
  if (window == nullptr || window->Display() == nullptr || x < 0 || y < 0 || x >= window->Width() ||
      y >= window->Height()) {
    return 0;
  }
  return window->Display()->DisplayedPixel(x, y);
}

int ScreenCount() {
  return DisplayWindow::Available() ? 1 : 0;
}

}  // namespace

const HostEventLoop& Runtime::EventLoop() {
  static const HostEventLoop loop{DoEvents, KeyPressed, DisplayedPixel, ScreenCount};
  return loop;
}

}  // namespace fenra::host
