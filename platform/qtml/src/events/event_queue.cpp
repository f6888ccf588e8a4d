// The Event Manager's queue. The display's keyboard and mouse post their
// events as they come (events/display_events.h); the test controls post
// key presses and other events, each becoming waiting after a number of
// looks at the queue, so that a test can press a key in the middle of a
// long operation that polls for it. WaitNextEvent's waits move the manual
// clock, so that a loop waiting for events plays its movies as the time it
// waited goes by.
#include <algorithm>
#include <chrono>
#include <deque>
#include <thread>

#include "Events.h"
#include "QTMLTestControls.h"
#include "base/api_call.h"
#include "events/display_events.h"
#include "events/event_clock.h"
#include "quickdraw/screen.h"

namespace qtml {
namespace {

struct QueuedEvent {
  EventRecord event;
  long looksLeft;  // looks at the queue before the event is waiting
};

std::deque<QueuedEvent>& Queue() {
  static std::deque<QueuedEvent> queue;
  return queue;
}

bool Selected(const EventRecord& event, EventMask mask) {
  if (event.what == kHighLevelEvent) return (mask & highLevelEventMask) != 0;
  return event.what < 16 && (mask & (1u << event.what)) != 0;
}

void Post(const EventRecord& event, long afterLooks) {
  Queue().push_back({event, afterLooks > 0 ? afterLooks : 0});
}

// Takes the oldest waiting event of the mask's kinds out of the queue.
bool Take(EventMask mask, EventRecord* theEvent) {
  auto& queue = Queue();
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (it->looksLeft > 0 || !Selected(it->event, mask)) continue;
    if (theEvent != nullptr) *theEvent = it->event;
    queue.erase(it);
    return true;
  }
  return false;
}

// The display's events join the queue when the queue is looked at.
void ReadDisplay() {
  ReadDisplayEvents([](const EventRecord& event) { Post(event, 0); });
}

// One look at the queue: events still held back come one look nearer.
void Look() {
  for (QueuedEvent& queued : Queue()) {
    if (queued.looksLeft > 0) --queued.looksLeft;
  }
}

// Waits `ticks` sixtieths of a second for an event: on the manual clock
// none can come and the clock moves on by that time; the system's is
// waited for, a second at most, or until the display has an event. True
// when the display was waited on.
bool Wait(UInt32 ticks) {
  constexpr UInt32 kLongestRealWait = 60;
  if (ClockIsManual()) {
    // Sixtieths of a second are not whole milliseconds: what is left over
    // is carried to the next wait, so that 60 waits of a tick make a
    // second.
    static UInt64 carried = 0;
    UInt64 sixtieths = UInt64{ticks} * 1000 + carried;
    carried = sixtieths % 60;
    QTMLTest_AdvanceClock(static_cast<long>(sixtieths / 60));
    return false;
  }
  auto milliseconds = static_cast<long>(UInt64{std::min(ticks, kLongestRealWait)} * 1000 / 60);
  if (WaitForDisplayEvent(milliseconds)) return true;
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  return false;
}

}  // namespace
}  // namespace qtml

extern "C" {

QTML_API Boolean EventAvail(EventMask eventMask, EventRecord* theEvent) try {
  qtml::ApiCall call("EventAvail", eventMask, theEvent);
  if (theEvent != nullptr) *theEvent = EventRecord{nullEvent, 0, 0, {0, 0}, 0};
  if (call.Fault() != noErr) return call.Return<Boolean>(false);
  qtml::ReadDisplay();
  for (const qtml::QueuedEvent& queued : qtml::Queue()) {
    if (queued.looksLeft > 0 || !qtml::Selected(queued.event, eventMask)) continue;
    if (theEvent != nullptr) *theEvent = queued.event;
    qtml::Look();
    return call.Return<Boolean>(true);
  }
  qtml::Look();
  return call.Return<Boolean>(false);
} catch (...) {
  return qtml::Escaped<Boolean>();
}

QTML_API Boolean WaitNextEvent(EventMask eventMask, EventRecord* theEvent, UInt32 sleep,
                               RgnHandle mouseRgn) try {
  qtml::ApiCall call("WaitNextEvent", eventMask, theEvent, sleep, mouseRgn);
  if (theEvent != nullptr) *theEvent = EventRecord{nullEvent, 0, 0, {0, 0}, 0};
  if (call.Fault() != noErr) return call.Return<Boolean>(false);
  // Waiting for events is when what was drawn on the screen shows.
  qtml::PresentScreen();
  qtml::ReadDisplay();
  bool taken = qtml::Take(eventMask, theEvent);
  qtml::Look();
  if (!taken && qtml::Wait(sleep)) {
    // What the display had in the wait is taken now.
    qtml::ReadDisplay();
    taken = qtml::Take(eventMask, theEvent);
  }
  return call.Return<Boolean>(taken);
} catch (...) {
  return qtml::Escaped<Boolean>();
}

QTML_API void FlushEvents(EventMask whichMask, EventMask stopMask) try {
  qtml::ApiCall call("FlushEvents", whichMask, stopMask);
  if (call.Fault() != noErr) return;
  auto& queue = qtml::Queue();
  for (auto it = queue.begin(); it != queue.end();) {
    if (it->looksLeft > 0) break;  // not posted yet
    if (qtml::Selected(it->event, stopMask)) break;
    it = qtml::Selected(it->event, whichMask) ? queue.erase(it) : it + 1;
  }
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void QTMLTest_PostKeyDown(UInt8 keyCode, UInt8 charCode, long afterLooks) try {
  UInt32 message = (UInt32{keyCode} << 8) | charCode;
  qtml::Post(EventRecord{keyDown, message, 0, {0, 0}, 0}, afterLooks);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API void QTMLTest_PostEvent(UInt16 what, UInt32 message, short h, short v,
                                 long afterLooks) try {
  qtml::Post(EventRecord{what, message, 0, {v, h}, 0}, afterLooks);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API long QTMLTest_PendingEvents(void) try {
  return static_cast<long>(qtml::Queue().size());
} catch (...) {
  return qtml::Escaped<long>();
}

QTML_API void QTMLTest_ClearEvents(void) try { qtml::Queue().clear(); } catch (...) {
  return qtml::Escaped<void>();
}

}  // extern "C"
