// The engine's test controls, handed on to the script language and the
// tool, which do not link the engine.
#include "QTMLTestControls.h"
#include "fenra_host/runtime.h"

namespace fenra::host {

const EngineTestControls& Runtime::TestControls() {
  static const EngineTestControls controls{
      .setTrace = [](bool on) { QTMLTest_SetTrace(on); },
      .traceIsOn = [] { return QTMLTest_TraceIsOn() != 0; },
      .traceText = QTMLTest_TraceText,
      .clearTrace = QTMLTest_ClearTrace,
      .failCall = [](const char* name, long nth,
                     int16_t error) { QTMLTest_FailCall(name, nth, error); },
      .failAllocations = QTMLTest_FailAllocations,
      .failIO = [](const char* pattern, const char* operation, long nth,
                   int16_t error) { QTMLTest_FailIO(pattern, operation, nth, error); },
      .clearFaults = QTMLTest_ClearFaults,
      .queueDialogAnswer = QTMLTest_QueueDialogAnswer,
      .pendingDialogAnswers = QTMLTest_PendingDialogAnswers,
      .postKeyDown = [](uint8_t keyCode,
                        long afterLooks) { QTMLTest_PostKeyDown(keyCode, 0, afterLooks); },
      .postEvent = [](uint16_t what, uint32_t message, int16_t h, int16_t v,
                      long afterLooks) { QTMLTest_PostEvent(what, message, h, v, afterLooks); },
      .clearEvents = QTMLTest_ClearEvents,
      .setClock = QTMLTest_SetClock,
      .advanceClock = QTMLTest_AdvanceClock,
      .screenPixel = [](int16_t h, int16_t v) -> uint32_t { return QTMLTest_ScreenPixel(h, v); },
      .offerLibrary = QTMLTest_OfferLibrary,
  };
  return controls;
}

}  // namespace fenra::host
