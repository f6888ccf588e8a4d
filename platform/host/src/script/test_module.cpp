// QTMLTest: the QuickTime engine's test controls, for scripts that check
// what the plugin asks of QuickTime and how it copes when QuickTime fails.
#include "QTMLTestControls.h"
#include "script/builtins.h"

namespace fenra::host::script {

namespace {

Datum None() {
  return Value::Nil();
}

Datum TraceOnFn(BuiltinCall&) {
  QTMLTest_SetTrace(true);
  return None();
}

Datum TraceOffFn(BuiltinCall&) {
  QTMLTest_SetTrace(false);
  return None();
}

Datum TraceIsOnFn(BuiltinCall&) {
  return Value::Bool(QTMLTest_TraceIsOn() != 0);
}

Datum TraceFn(BuiltinCall&) {
  const char* text = QTMLTest_TraceText();
  return Value::Str(text != nullptr ? text : "");
}

Datum ClearTraceFn(BuiltinCall&) {
  QTMLTest_ClearTrace();
  return None();
}

// FailCall(name, n, error): the n-th next call of `name` answers `error`.
Datum FailCallFn(BuiltinCall& c) {
  int64_t nth = c.Integer(1);
  int64_t error = c.Integer(2);
  if (nth < 1) c.Fail("QTMLTest.FailCall: n counts from 1, got " + std::to_string(nth));
  if (error < -32768 || error > 32767) c.Fail("QTMLTest.FailCall: an OSErr is 16-bit");
  QTMLTest_FailCall(c.Text(0).c_str(), static_cast<long>(nth), static_cast<OSErr>(error));
  return None();
}

// FailAllocations(n): after n more allocations every one fails; -1 stops it.
Datum FailAllocationsFn(BuiltinCall& c) {
  QTMLTest_FailAllocations(static_cast<long>(c.Integer(0)));
  return None();
}

Datum ClearFaultsFn(BuiltinCall&) {
  QTMLTest_ClearFaults();
  return None();
}

// AnswerDialog(path): the next file dialog picks that file (native path).
Datum AnswerDialogFn(BuiltinCall& c) {
  QTMLTest_QueueDialogAnswer(c.Text(0).c_str());
  return None();
}

// CancelDialog(): the next file dialog is cancelled.
Datum CancelDialogFn(BuiltinCall&) {
  QTMLTest_QueueDialogAnswer(nullptr);
  return None();
}

Datum PendingDialogsFn(BuiltinCall&) {
  return Value::Int(QTMLTest_PendingDialogAnswers());
}

const Builtin kTest[] = {
    {"TraceOn", 0, 0, TraceOnFn, false},
    {"TraceOff", 0, 0, TraceOffFn, false},
    {"TraceIsOn", 0, 0, TraceIsOnFn, true},
    {"Trace", 0, 0, TraceFn, true},
    {"ClearTrace", 0, 0, ClearTraceFn, false},
    {"FailCall", 3, 3, FailCallFn, false},
    {"FailAllocations", 1, 1, FailAllocationsFn, false},
    {"ClearFaults", 0, 0, ClearFaultsFn, false},
    {"AnswerDialog", 1, 1, AnswerDialogFn, false},
    {"CancelDialog", 0, 0, CancelDialogFn, false},
    {"PendingDialogs", 0, 0, PendingDialogsFn, true},
};

}  // namespace

const BuiltinModule& TestModule() {
  static const BuiltinModule m{"QTMLTest", kTest, std::size(kTest)};
  return m;
}

}  // namespace fenra::host::script
