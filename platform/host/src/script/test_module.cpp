// QTMLTest: the QuickTime engine's test controls, for scripts that check
// what the plugin asks of QuickTime and how it copes when QuickTime fails.
// The host hands the controls on; the language does not link the engine.
#include <algorithm>
#include <iterator>

#include "script/builtins.h"

namespace fenra::host::script {

namespace {

constexpr uint16_t kMouseDown = 1;

Datum None() {
  return Value::Nil();
}

// The host's engine controls; a host without an engine stops the script.
const EngineTestControls& Controls(BuiltinCall& c) {
  const EngineTestControls* controls = c.env.host->TestControls();
  if (controls == nullptr) c.Fail(std::string(c.name) + ": the host has no QuickTime engine");
  return *controls;
}

Datum TraceOnFn(BuiltinCall& c) {
  Controls(c).setTrace(true);
  return None();
}

Datum TraceOffFn(BuiltinCall& c) {
  Controls(c).setTrace(false);
  return None();
}

Datum TraceIsOnFn(BuiltinCall& c) {
  return Value::Bool(Controls(c).traceIsOn());
}

Datum TraceFn(BuiltinCall& c) {
  const char* text = Controls(c).traceText();
  return Value::Str(text != nullptr ? text : "");
}

Datum ClearTraceFn(BuiltinCall& c) {
  Controls(c).clearTrace();
  return None();
}

// FailCall(name, n, error): the n-th next call of `name` answers `error`.
Datum FailCallFn(BuiltinCall& c) {
  int64_t nth = c.Integer(1);
  int64_t error = c.Integer(2);
  if (nth < 1) c.Fail("QTMLTest.FailCall: n counts from 1, got " + std::to_string(nth));
  if (error < -32768 || error > 32767) c.Fail("QTMLTest.FailCall: an OSErr is 16-bit");
  Controls(c).failCall(c.Text(0).c_str(), static_cast<long>(nth), static_cast<int16_t>(error));
  return None();
}

// FailIO(pattern, operation, n, error): the n-th next file operation of
// that kind on a path matching the pattern answers `error`; n = 0: every
// one, until the faults are cleared.
Datum FailIOFn(BuiltinCall& c) {
  static const char* const kOperations[] = {"open",   "read",   "write", "sync",      "truncate",
                                            "rename", "remove", "stat",  "shortread", "*"};
  std::string operation = c.Text(1);
  int64_t nth = c.Integer(2);
  int64_t error = c.Integer(3);
  if (std::none_of(std::begin(kOperations), std::end(kOperations),
                   [&](const char* known) { return operation == known; })) {
    c.Fail("QTMLTest.FailIO: no file operation '" + operation +
           "' (open, read, write, sync, truncate, rename, remove, stat, shortread or *)");
  }
  if (nth < 0)
    c.Fail("QTMLTest.FailIO: n counts from 1 (0: every one), got " + std::to_string(nth));
  if (error < -32768 || error > 32767) c.Fail("QTMLTest.FailIO: an OSErr is 16-bit");
  Controls(c).failIO(c.Text(0).c_str(), operation.c_str(), static_cast<long>(nth),
                     static_cast<int16_t>(error));
  return None();
}

// FailAllocations(n): after n more allocations every one fails; -1 stops it.
Datum FailAllocationsFn(BuiltinCall& c) {
  Controls(c).failAllocations(static_cast<long>(c.Integer(0)));
  return None();
}

Datum ClearFaultsFn(BuiltinCall& c) {
  Controls(c).clearFaults();
  return None();
}

// AnswerDialog(text): the next dialog's answer: the file a file dialog
// picks (native path), or the settings a compression dialog accepts
// ("" as they are, "codec=jpeg quality=768 ...": see QTMLTestControls.h).
Datum AnswerDialogFn(BuiltinCall& c) {
  Controls(c).queueDialogAnswer(c.Text(0).c_str());
  return None();
}

// CancelDialog(): the next dialog is cancelled.
Datum CancelDialogFn(BuiltinCall& c) {
  Controls(c).queueDialogAnswer(nullptr);
  return None();
}

Datum PendingDialogsFn(BuiltinCall& c) {
  return Value::Int(Controls(c).pendingDialogAnswers());
}

// PressKey(keyCode, afterLooks = 0): a key-down event for the key code,
// seen from the (afterLooks + 1)-th look at the event queue on, until the
// events are cleared.
Datum PressKeyFn(BuiltinCall& c) {
  int64_t code = c.Integer(0);
  int64_t after = c.Has(1) ? c.Integer(1) : 0;
  if (code < 0 || code > 255) c.Fail("QTMLTest.PressKey: a key code is 0 to 255");
  if (after < 0) c.Fail("QTMLTest.PressKey: looks to wait cannot be negative");
  Controls(c).postKeyDown(static_cast<uint8_t>(code), static_cast<long>(after));
  return None();
}

// Click(x, y, afterLooks = 0): a mouse-down at the point (local to the
// window it is meant for), waiting as PressKey's key-downs do.
Datum ClickFn(BuiltinCall& c) {
  int64_t x = c.Integer(0);
  int64_t y = c.Integer(1);
  int64_t after = c.Has(2) ? c.Integer(2) : 0;
  if (x < -32768 || x > 32767 || y < -32768 || y > 32767) {
    c.Fail("QTMLTest.Click: a point's coordinates are 16-bit");
  }
  if (after < 0) c.Fail("QTMLTest.Click: looks to wait cannot be negative");
  Controls(c).postEvent(kMouseDown, 0, static_cast<int16_t>(x), static_cast<int16_t>(y),
                        static_cast<long>(after));
  return None();
}

// PostEvent(what, afterLooks = 0): an event of any other kind (2: a
// mouse-up), with no message, at (0, 0).
Datum PostEventFn(BuiltinCall& c) {
  int64_t what = c.Integer(0);
  int64_t after = c.Has(1) ? c.Integer(1) : 0;
  if (what < 0 || what > 15) c.Fail("QTMLTest.PostEvent: an event kind is 0 to 15");
  if (after < 0) c.Fail("QTMLTest.PostEvent: looks to wait cannot be negative");
  Controls(c).postEvent(static_cast<uint16_t>(what), 0, 0, 0, static_cast<long>(after));
  return None();
}

// ScreenPixel(x, y): the colour of a pixel of the engine's main screen.
Datum ScreenPixelFn(BuiltinCall& c) {
  int64_t x = c.Integer(0);
  int64_t y = c.Integer(1);
  if (x < -32768 || x > 32767 || y < -32768 || y > 32767) {
    c.Fail("QTMLTest.ScreenPixel: a point's coordinates are 16-bit");
  }
  uint32_t argb = Controls(c).screenPixel(static_cast<int16_t>(x), static_cast<int16_t>(y));
  return Value::Colour(argb & 0x00FFFFFFu);
}

// DisplayedPixel(window, x, y): what the desktop shows at a point of a
// window, read back from the window system (0 without a display).
Datum DisplayedPixelFn(BuiltinCall& c) {
  const Value& window = c.Arg(0);
  if (window.kind != Value::Kind::Object) c.Fail("QTMLTest.DisplayedPixel: give it a Window");
  const HostEventLoop* loop = c.env.host->EventLoop();
  if (loop == nullptr) c.Fail("QTMLTest.DisplayedPixel: the host has no windows");
  uint32_t argb = loop->displayedPixel(window.object.get(), static_cast<int>(c.Integer(1)),
                                       static_cast<int>(c.Integer(2)));
  return Value::Colour(argb & 0x00FFFFFFu);
}

// OfferLibrary(name): QTLoadLibrary finds the library of that name ("":
// none again).
Datum OfferLibraryFn(BuiltinCall& c) {
  const std::string& name = c.Text(0);
  Controls(c).offerLibrary(name.empty() ? nullptr : name.c_str());
  return None();
}

Datum ClearKeysFn(BuiltinCall& c) {
  Controls(c).clearEvents();
  return None();
}

// SetClock(ms): the engine's clock stands at ms and moves only when told
// (AdvanceClock), so that playing is exact; a negative ms gives back the
// real clock.
Datum SetClockFn(BuiltinCall& c) {
  Controls(c).setClock(static_cast<long>(c.Integer(0)));
  return None();
}

Datum AdvanceClockFn(BuiltinCall& c) {
  int64_t ms = c.Integer(0);
  if (ms < 0) c.Fail("QTMLTest.AdvanceClock: the clock only moves on");
  Controls(c).advanceClock(static_cast<long>(ms));
  return None();
}

const Builtin kTest[] = {
    {"TraceOn", 0, 0, TraceOnFn, false},
    {"TraceOff", 0, 0, TraceOffFn, false},
    {"TraceIsOn", 0, 0, TraceIsOnFn, true},
    {"Trace", 0, 0, TraceFn, true},
    {"ClearTrace", 0, 0, ClearTraceFn, false},
    {"FailCall", 3, 3, FailCallFn, false},
    {"FailAllocations", 1, 1, FailAllocationsFn, false},
    {"FailIO", 4, 4, FailIOFn, false},
    {"ClearFaults", 0, 0, ClearFaultsFn, false},
    {"AnswerDialog", 1, 1, AnswerDialogFn, false},
    {"CancelDialog", 0, 0, CancelDialogFn, false},
    {"PendingDialogs", 0, 0, PendingDialogsFn, true},
    {"PressKey", 1, 2, PressKeyFn, false},
    {"ClearKeys", 0, 0, ClearKeysFn, false},
    {"Click", 2, 3, ClickFn, false},
    {"PostEvent", 1, 2, PostEventFn, false},
    {"ScreenPixel", 2, 2, ScreenPixelFn, true},
    {"DisplayedPixel", 3, 3, DisplayedPixelFn, true},
    {"OfferLibrary", 1, 1, OfferLibraryFn, false},
    {"SetClock", 1, 1, SetClockFn, false},
    {"AdvanceClock", 1, 1, AdvanceClockFn, false},
};

}  // namespace

const BuiltinModule& TestModule() {
  static const BuiltinModule m{"QTMLTest", kTest, std::size(kTest)};
  return m;
}

}  // namespace fenra::host::script
