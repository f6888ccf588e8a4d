// App and Keyboard: the host's event loop, for scripts that show windows
// and players and take the user's keys.
#include <iterator>

#include "script/builtins.h"

namespace fenra::host::script {
namespace {

const HostEventLoop& Loop(BuiltinCall& c) {
  const HostEventLoop* loop = c.env.host->EventLoop();
  if (loop == nullptr) c.Fail(std::string(c.name) + ": the host has no event loop");
  return *loop;
}

// App.DoEvents(milliseconds = 0): runs the event loop that long (one turn
// for 0); the script ends, as the application does, when the user closes
// its window.
Datum DoEventsFn(BuiltinCall& c) {
  int64_t ms = c.Has(0) ? c.Integer(0) : 0;
  if (ms < 0) c.Fail("App.DoEvents: a time cannot be negative");
  if (!Loop(c).doEvents(static_cast<long>(ms))) throw QuitRequest{0};
  return Value::Nil();
}

// Keyboard.AsyncKeyDown(keyCode): whether the key (a Macintosh virtual key
// code: &h31 space, &h35 escape, &h7B and &h7C the left and right arrows)
// was pressed, or repeated while held, since it was last asked about.
Datum AsyncKeyDownFn(BuiltinCall& c) {
  int64_t code = c.Integer(0);
  if (code < 0 || code > 127) c.Fail("Keyboard.AsyncKeyDown: a key code is 0 to 127");
  return Value::Bool(Loop(c).keyPressed(static_cast<uint8_t>(code)));
}

}  // namespace

// ScreenCount: the screens windows show on, 0 without a display.
Datum ScreenCountFn(BuiltinCall& c) {
  return Value::Int(Loop(c).screenCount());
}

namespace {

const Builtin kApp[] = {
    {"DoEvents", 0, 1, DoEventsFn, false},
};

const Builtin kKeyboard[] = {
    {"AsyncKeyDown", 1, 1, AsyncKeyDownFn, true},
};

}  // namespace

const BuiltinModule& AppModule() {
  static const BuiltinModule m{"App", kApp, std::size(kApp)};
  return m;
}

const BuiltinModule& KeyboardModule() {
  static const BuiltinModule m{"Keyboard", kKeyboard, std::size(kKeyboard)};
  return m;
}

}  // namespace fenra::host::script
