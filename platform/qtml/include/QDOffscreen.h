/*
 * QDOffscreen.h: off-screen graphics worlds.
 *
 * A GWorld is a port with its own pixels. Depths 1, 8 (indexed, with the
 * standard colour tables), 16 (k16BE555), 24 (k24RGB) and 32 (k32ARGB:
 * bytes A, R, G, B in memory) are offered; depth 0 means 32. New pixels
 * are zero. Pixels never move or get purged, so LockPixels always
 * succeeds; the locked state is still kept for GetPixelsState.
 */
#ifndef __QDOFFSCREEN__
#define __QDOFFSCREEN__

#include "MacErrors.h"
#include "MacTypes.h"
#include "Quickdraw.h"

QTML_EXTERN_C_BEGIN

typedef CGrafPtr GWorldPtr;
typedef unsigned long GWorldFlags;

enum {
  pixPurge = 1L << 0,
  noNewDevice = 1L << 1,
  useTempMem = 1L << 2,
  keepLocal = 1L << 3,
  useDistantHdwrMem = 1L << 4,
  useLocalHdwrMem = 1L << 5,
  pixelsPurgeable = 1L << 6,
  pixelsLocked = 1L << 7
};

/* Makes a GWorld covering boundsRect and stores it in *offscreenGWorld
 * (the caller owns it: DisposeGWorld). cTable, when given, is copied as
 * the colour table of an indexed depth. */
QTML_API QDErr NewGWorld(GWorldPtr* offscreenGWorld, short pixelDepth, const Rect* boundsRect,
                         CTabHandle cTable, GDHandle aGDevice, GWorldFlags flags);
/* As NewGWorld, over pixels the caller owns and keeps alive until the
 * GWorld is disposed of. */
QTML_API QDErr NewGWorldFromPtr(GWorldPtr* offscreenGWorld, unsigned long pixelFormat,
                                const Rect* boundsRect, CTabHandle cTable, GDHandle aGDevice,
                                GWorldFlags flags, Ptr newBuffer, long rowBytes);
QTML_API void DisposeGWorld(GWorldPtr offscreenGWorld);

QTML_API PixMapHandle GetGWorldPixMap(GWorldPtr offscreenGWorld);
QTML_API GDHandle GetGWorldDevice(GWorldPtr offscreenGWorld);
QTML_API Boolean LockPixels(PixMapHandle pm);
QTML_API void UnlockPixels(PixMapHandle pm);
QTML_API GWorldFlags GetPixelsState(PixMapHandle pm);
QTML_API void SetPixelsState(PixMapHandle pm, GWorldFlags state);
QTML_API Ptr GetPixBaseAddr(PixMapHandle pm);
QTML_API long GetPixRowBytes(PixMapHandle pm);

/* Makes port current; gdh nil keeps the GWorld's own device. */
QTML_API void SetGWorld(CGrafPtr port, GDHandle gdh);
QTML_API void GetGWorld(CGrafPtr* port, GDHandle* gdh);

QTML_EXTERN_C_END

#endif /* __QDOFFSCREEN__ */
