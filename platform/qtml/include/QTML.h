/*
 * QTML.h: starting and stopping the QuickTime engine, and its ports'
 * device contexts.
 */
#ifndef __QTML__
#define __QTML__

#include "Files.h"
#include "MacErrors.h"
#include "MacTypes.h"
#include "Quickdraw.h"

QTML_EXTERN_C_BEGIN

enum {
  kInitializeQTMLNoSoundFlag = (1L << 0),
  kInitializeQTMLUseGDIFlag = (1L << 1),
  kInitializeQTMLDisableDirectSound = (1L << 2),
  kInitializeQTMLUseExclusiveFullScreenModeFlag = (1L << 3)
};

/* Starts the engine. Calls nest: each successful InitializeQTML is matched
 * by one TerminateQTML. */
QTML_API OSErr InitializeQTML(long flag);
QTML_API void TerminateQTML(void);

/* The device context of a port: an opaque value naming the port for
 * drawing code outside the engine (the host draws pictures into it). */
QTML_API void* GetPortHDC(GrafPtr port);
/* This engine's own helper, the inverse of GetPortHDC: the port a device
 * context belongs to, or nil when hdc names no live port. A drawer holding
 * an HDC reaches the pixels through GetPortPixMap, GetPixBaseAddr and
 * GetPixRowBytes of that port. */
QTML_API CGrafPtr GetPortFromHDC(void* hdc);

/* A device-independent bitmap of a picture, drawn at its frame's size on
 * white: a new handle (the caller disposes of it with DisposeHandle) whose
 * bytes are a 40-byte BITMAPINFOHEADER (little-endian: size 40, width,
 * height positive for rows stored bottom-up, 1 plane, 32 bits a pixel, no
 * compression, the image size, 2835 pixels a metre (72 dpi) both ways, no
 * colour table) followed by the rows bottom row first, each pixel blue,
 * green, red and 0. Its bytes (*handle) are what a host builds a picture
 * from. nil for a picture that is not live, has an empty frame or cannot
 * be read (QDError paramErr), or when memory is short or the picture too
 * large to draw (memFullErr). */
QTML_API Handle GetDIBFromPICT(PicHandle hPict);

/* Windows. On this platform a native window handle is the port the host
 * made for the window (a 32-bit GWorld over the window's pixels).
 * CreatePortAssociation makes the window known to QuickTime and answers its
 * port (nil, with QDError paramErr, for a handle that names no live port);
 * GetNativeWindowPort answers the port of a window so made known (nil
 * otherwise); DestroyPortAssociation forgets it. The port itself stays the
 * host's. storage and flags are not used. */
QTML_API GrafPtr CreatePortAssociation(void* theWnd, Ptr storage, long flags);
QTML_API GrafPtr GetNativeWindowPort(void* nativeWindow);
QTML_API void DestroyPortAssociation(CGrafPtr cgp);

/* Loads one of QuickTime's extension libraries by file name and answers
 * its module handle, or nil when it is not installed. This engine installs
 * no extension libraries (QuickTimeVR.qtx among them). */
QTML_API void* QTLoadLibrary(const char* szDLL);

QTML_EXTERN_C_END

#endif /* __QTML__ */
