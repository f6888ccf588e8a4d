/*
 * Events.h: the Event Manager's clock and event queue.
 *
 * The queue holds the keyboard's and mouse's events when there is a display
 * (a window system that DISPLAY or WAYLAND_DISPLAY names), and the events the test
 * controls post (QTMLTest_PostKeyDown, QTMLTest_PostEvent).
 */
#ifndef __EVENTS__
#define __EVENTS__

#include "MacTypes.h"
#include "Quickdraw.h"

QTML_EXTERN_C_BEGIN

/* Ticks (sixtieths of a second) of the engine's clock since it started;
 * the clock that plays movies (see QTMLTest_SetClock). */
QTML_API UInt32 TickCount(void);

/* Event kinds (EventRecord.what) and the masks that select them. */
enum {
  nullEvent = 0,
  mouseDown = 1,
  mouseUp = 2,
  keyDown = 3,
  keyUp = 4,
  autoKey = 5,
  kHighLevelEvent = 23 /* message: the Apple event's class; where: its ID */
};
enum {
  mDownMask = 1 << mouseDown,
  mUpMask = 1 << mouseUp,
  keyDownMask = 1 << keyDown,
  keyUpMask = 1 << keyUp,
  autoKeyMask = 1 << autoKey,
  highLevelEventMask = 0x0400,
  everyEvent = 0xFFFF
};
/* An event's modifiers: the modifier keys held, and btnState while the
 * mouse button is up. */
enum {
  btnState = 0x0080,
  cmdKey = 0x0100,
  shiftKey = 0x0200,
  alphaLock = 0x0400,
  optionKey = 0x0800,
  controlKey = 0x1000
};
/* The Apple event a high-level event carries when the user closes the
 * application's window: quit. */
enum { kCoreEventClass = FOUR_CHAR_CODE('aevt'), kAEQuitApplication = FOUR_CHAR_CODE('quit') };
/* A key event's message: the key code in bits 8 to 15, the character in
 * bits 0 to 7. */
enum { charCodeMask = 0x000000FF, keyCodeMask = 0x0000FF00 };

typedef UInt16 EventKind;
typedef UInt16 EventMask;
typedef UInt16 EventModifiers;

typedef struct EventRecord {
  EventKind what;
  UInt32 message;
  UInt32 when; /* ticks; 0: the engine's events carry no time */
  Point where;
  EventModifiers modifiers;
} EventRecord;

/* Whether an event of the mask's kinds is waiting, filling theEvent with
 * the oldest one (a null event when none); the event stays in the queue. */
QTML_API Boolean EventAvail(EventMask eventMask, EventRecord* theEvent);
/* Removes the waiting events of the mask's kinds, up to the first of the
 * stopMask's kinds. */
QTML_API void FlushEvents(EventMask whichMask, EventMask stopMask);
/* Takes the oldest waiting event of the mask's kinds out of the queue and
 * answers true. With none waiting it answers false with a null event after
 * waiting `sleep` ticks: on the manual clock (QTMLTest_SetClock) the clock
 * moves on by that time and no event comes in it, so that a loop waiting
 * for events sees its movies play; on the system's clock the thread waits,
 * a second at most, or until the display has an event. Each call is one
 * look at the queue, as EventAvail is, and shows on the display what was
 * drawn on the screen. mouseRgn is not looked at. */
QTML_API Boolean WaitNextEvent(EventMask eventMask, EventRecord* theEvent, UInt32 sleep,
                               RgnHandle mouseRgn);

QTML_EXTERN_C_END

#endif /* __EVENTS__ */
