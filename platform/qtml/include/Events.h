/*
 * Events.h: the Event Manager's clock.
 */
#ifndef __EVENTS__
#define __EVENTS__

#include "MacTypes.h"

QTML_EXTERN_C_BEGIN

/* Ticks (sixtieths of a second) of the engine's clock since it started;
 * the clock that plays movies (see QTMLTest_SetClock). */
QTML_API UInt32 TickCount(void);

QTML_EXTERN_C_END

#endif /* __EVENTS__ */
