// The window system's events as the Event Manager's: SDL's key codes
// become the Macintosh keyboard's virtual key codes, window points become
// global points (the screen's, in the full-screen window).
#include "events/display_events.h"

#include <SDL.h>

#include <cctype>

#include "quickdraw/display.h"

namespace qtml {
namespace {

struct KeyCode {
  SDL_Scancode scancode;
  UInt8 mac;
};

// The Macintosh keyboard's virtual key codes of the keys a program asks
// about: letters, digits, punctuation, editing and arrow keys.
constexpr KeyCode kKeyCodes[] = {
    {SDL_SCANCODE_A, 0x00},           {SDL_SCANCODE_S, 0x01},
    {SDL_SCANCODE_D, 0x02},           {SDL_SCANCODE_F, 0x03},
    {SDL_SCANCODE_H, 0x04},           {SDL_SCANCODE_G, 0x05},
    {SDL_SCANCODE_Z, 0x06},           {SDL_SCANCODE_X, 0x07},
    {SDL_SCANCODE_C, 0x08},           {SDL_SCANCODE_V, 0x09},
    {SDL_SCANCODE_B, 0x0B},           {SDL_SCANCODE_Q, 0x0C},
    {SDL_SCANCODE_W, 0x0D},           {SDL_SCANCODE_E, 0x0E},
    {SDL_SCANCODE_R, 0x0F},           {SDL_SCANCODE_Y, 0x10},
    {SDL_SCANCODE_T, 0x11},           {SDL_SCANCODE_1, 0x12},
    {SDL_SCANCODE_2, 0x13},           {SDL_SCANCODE_3, 0x14},
    {SDL_SCANCODE_4, 0x15},           {SDL_SCANCODE_6, 0x16},
    {SDL_SCANCODE_5, 0x17},           {SDL_SCANCODE_EQUALS, 0x18},
    {SDL_SCANCODE_9, 0x19},           {SDL_SCANCODE_7, 0x1A},
    {SDL_SCANCODE_MINUS, 0x1B},       {SDL_SCANCODE_8, 0x1C},
    {SDL_SCANCODE_0, 0x1D},           {SDL_SCANCODE_RIGHTBRACKET, 0x1E},
    {SDL_SCANCODE_O, 0x1F},           {SDL_SCANCODE_U, 0x20},
    {SDL_SCANCODE_LEFTBRACKET, 0x21}, {SDL_SCANCODE_I, 0x22},
    {SDL_SCANCODE_P, 0x23},           {SDL_SCANCODE_RETURN, 0x24},
    {SDL_SCANCODE_L, 0x25},           {SDL_SCANCODE_J, 0x26},
    {SDL_SCANCODE_APOSTROPHE, 0x27},  {SDL_SCANCODE_K, 0x28},
    {SDL_SCANCODE_SEMICOLON, 0x29},   {SDL_SCANCODE_BACKSLASH, 0x2A},
    {SDL_SCANCODE_COMMA, 0x2B},       {SDL_SCANCODE_SLASH, 0x2C},
    {SDL_SCANCODE_N, 0x2D},           {SDL_SCANCODE_M, 0x2E},
    {SDL_SCANCODE_PERIOD, 0x2F},      {SDL_SCANCODE_TAB, 0x30},
    {SDL_SCANCODE_SPACE, 0x31},       {SDL_SCANCODE_GRAVE, 0x32},
    {SDL_SCANCODE_BACKSPACE, 0x33},   {SDL_SCANCODE_ESCAPE, 0x35},
    {SDL_SCANCODE_KP_ENTER, 0x4C},    {SDL_SCANCODE_HOME, 0x73},
    {SDL_SCANCODE_PAGEUP, 0x74},      {SDL_SCANCODE_DELETE, 0x75},
    {SDL_SCANCODE_END, 0x77},         {SDL_SCANCODE_PAGEDOWN, 0x79},
    {SDL_SCANCODE_LEFT, 0x7B},        {SDL_SCANCODE_RIGHT, 0x7C},
    {SDL_SCANCODE_DOWN, 0x7D},        {SDL_SCANCODE_UP, 0x7E},
};

// The key code of a key, or -1 for a key without one here.
int MacKeyCode(SDL_Scancode scancode) {
  for (const KeyCode& key : kKeyCodes) {
    if (key.scancode == scancode) return key.mac;
  }
  return -1;
}

// The character a key types, as the Macintosh keyboard gives it: ASCII,
// with the arrows as 0x1C to 0x1F.
UInt8 CharacterOf(const SDL_Keysym& key) {
  switch (key.scancode) {
    case SDL_SCANCODE_LEFT:
      return 0x1C;
    case SDL_SCANCODE_RIGHT:
      return 0x1D;
    case SDL_SCANCODE_UP:
      return 0x1E;
    case SDL_SCANCODE_DOWN:
      return 0x1F;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER:
      return 0x0D;
    case SDL_SCANCODE_BACKSPACE:
      return 0x08;
    case SDL_SCANCODE_DELETE:
      return 0x7F;
    default:
      break;
  }
  if (key.sym <= 0 || key.sym >= 0x80) return 0;
  auto c = static_cast<UInt8>(key.sym);
  if ((key.mod & KMOD_SHIFT) != 0 && std::isalpha(c)) c = static_cast<UInt8>(std::toupper(c));
  return c;
}

// The modifier keys, and the mouse button's state (btnState set while it
// is up), as an event's modifiers.
EventModifiers Modifiers(bool buttonDown) {
  SDL_Keymod mod = SDL_GetModState();
  EventModifiers modifiers = buttonDown ? 0 : btnState;
  if ((mod & KMOD_GUI) != 0) modifiers |= cmdKey;
  if ((mod & KMOD_SHIFT) != 0) modifiers |= shiftKey;
  if ((mod & KMOD_CAPS) != 0) modifiers |= alphaLock;
  if ((mod & KMOD_ALT) != 0) modifiers |= optionKey;
  if ((mod & KMOD_CTRL) != 0) modifiers |= controlKey;
  return modifiers;
}

// A window's point as a global one: the screen's in the full-screen
// window, the desktop's in any other.
Point GlobalPoint(Uint32 windowID, int x, int y) {
  SDL_Window* window = SDL_GetWindowFromID(windowID);
  if (window != nullptr && (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0) {
    return display::ScreenPointOf(x, y);
  }
  int left = 0, top = 0;
  if (window != nullptr) SDL_GetWindowPosition(window, &left, &top);
  return Point{static_cast<short>(top + y), static_cast<short>(left + x)};
}

bool Translate(const SDL_Event& in, EventRecord& out) {
  out = EventRecord{nullEvent, 0, 0, {0, 0}, 0};
  switch (in.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      int code = MacKeyCode(in.key.keysym.scancode);
      if (code < 0) return false;
      out.what = in.type == SDL_KEYUP ? keyUp : in.key.repeat != 0 ? autoKey : keyDown;
      out.message = static_cast<UInt32>(code) << 8 | CharacterOf(in.key.keysym);
      out.modifiers = Modifiers(false);
      return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (in.button.button != SDL_BUTTON_LEFT) return false;
      out.what = in.type == SDL_MOUSEBUTTONDOWN ? mouseDown : mouseUp;
      out.where = GlobalPoint(in.button.windowID, in.button.x, in.button.y);
      out.modifiers = Modifiers(in.type == SDL_MOUSEBUTTONDOWN);
      return true;
    case SDL_QUIT:
      // The application is asked to quit, as an Apple event would ask it.
      out.what = kHighLevelEvent;
      out.message = kCoreEventClass;
      out.where = Point{static_cast<short>(kAEQuitApplication >> 16),
                        static_cast<short>(kAEQuitApplication & 0xFFFF)};
      return true;
    default:
      return false;
  }
}

}  // namespace

void ReadDisplayEvents(const std::function<void(const EventRecord&)>& post) {
  if (!display::Available()) return;
  SDL_Event in;
  while (SDL_PollEvent(&in) == 1) {
    if (in.type == SDL_WINDOWEVENT && in.window.event == SDL_WINDOWEVENT_CLOSE) {
      // Closing a window asks the application to quit, as its last
      // window's closing does.
      SDL_Event quit{};
      quit.type = SDL_QUIT;
      in = quit;
    }
    EventRecord event;
    if (Translate(in, event)) post(event);
  }
}

bool WaitForDisplayEvent(long milliseconds) {
  if (!display::Available()) return false;
  SDL_WaitEventTimeout(nullptr, static_cast<int>(milliseconds));
  return true;
}

}  // namespace qtml
