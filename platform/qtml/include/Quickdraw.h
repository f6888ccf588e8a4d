/*
 * Quickdraw.h: graphics ports, pixel maps, colours and pictures.
 *
 * A port draws into its pixel map. The current port (SetPort, SetGWorld)
 * is where EraseRect, PaintRect, OpenPicture and DrawPicture work. Every
 * drawing call sets the result that QDError() answers.
 *
 * Picture handles hold a version 2 PICT: a Picture record followed by
 * opcodes, all big-endian as in a PICT file. Read the frame with
 * QDGetPictureBounds rather than from the record.
 */
#ifndef __QUICKDRAW__
#define __QUICKDRAW__

#include "MacErrors.h"
#include "MacTypes.h"

QTML_EXTERN_C_BEGIN

typedef struct OpaqueGrafPtr* GrafPtr;
typedef GrafPtr CGrafPtr;
typedef short QDErr;

/* Pixel map types and formats. */
enum { RGBDirect = 16 };
enum {
  k1MonochromePixelFormat = 0x00000001,
  k2IndexedPixelFormat = 0x00000002,
  k4IndexedPixelFormat = 0x00000004,
  k8IndexedPixelFormat = 0x00000008,
  k16BE555PixelFormat = 0x00000010,
  k24RGBPixelFormat = 0x00000018,
  k32ARGBPixelFormat = 0x00000020
};

/* Transfer modes. */
enum {
  srcCopy = 0,
  srcOr = 1,
  srcXor = 2,
  srcBic = 3,
  notSrcCopy = 4,
  notSrcOr = 5,
  notSrcXor = 6,
  notSrcBic = 7,
  patCopy = 8,
  patOr = 9,
  patXor = 10,
  patBic = 11,
  notPatCopy = 12,
  notPatOr = 13,
  notPatXor = 14,
  notPatBic = 15,
  blend = 32,
  addPin = 33,
  addOver = 34,
  subPin = 35,
  transparent = 36,
  addMax = 37,
  adMax = 37,
  subOver = 38,
  adMin = 39,
  hilite = 50,
  ditherCopy = 64
};

/* QuickTime's graphics modes: alpha channel compositing. */
enum {
  graphicsModeStraightAlpha = 256,
  graphicsModePreWhiteAlpha = 257,
  graphicsModePreBlackAlpha = 258,
  graphicsModeComposition = 259,
  graphicsModeStraightAlphaBlend = 260,
  graphicsModePreMulColorAlpha = 261
};

typedef struct ColorSpec {
  short value;
  RGBColor rgb;
} ColorSpec;

typedef struct ColorTable {
  SInt32 ctSeed;
  short ctFlags;
  short ctSize; /* number of entries minus one */
  ColorSpec ctTable[1];
} ColorTable;
typedef ColorTable* CTabPtr;
typedef CTabPtr* CTabHandle;

/* rowBytes carries the flag 0x8000 (a pixel map, not a bit map); use
 * GetPixRowBytes for the row length. */
typedef struct PixMap {
  Ptr baseAddr;
  short rowBytes;
  Rect bounds;
  short pmVersion;
  short packType;
  SInt32 packSize;
  Fixed hRes;
  Fixed vRes;
  short pixelType;
  short pixelSize;
  short cmpCount;
  short cmpSize;
  OSType pixelFormat;
  CTabHandle pmTable;
  void* pmExt;
} PixMap;
typedef PixMap* PixMapPtr;
typedef PixMapPtr* PixMapHandle;

typedef struct ITab** ITabHandle;
typedef struct SProcRec** SProcHndl;
typedef struct CProcRec** CProcHndl;

typedef struct GDevice {
  short gdRefNum;
  short gdID;
  short gdType;
  ITabHandle gdITable;
  short gdResPref;
  SProcHndl gdSearchProc;
  CProcHndl gdCompProc;
  short gdFlags;
  PixMapHandle gdPMap;
  long gdRefCon;
  Handle gdNextGD;
  Rect gdRect;
  long gdMode;
  short gdCCBytes;
  short gdCCDepth;
  Handle gdCCXData;
  Handle gdCCXMask;
  long gdExt;
} GDevice;
typedef GDevice* GDPtr;
typedef GDPtr* GDHandle;

typedef struct Picture {
  short picSize; /* low 16 bits of the size; use GetHandleSize */
  Rect picFrame;
} Picture;
typedef Picture* PicPtr;
typedef PicPtr* PicHandle;

/* The result of the last QuickDraw call. */
QTML_API OSErr QDError(void);

QTML_API void SetPort(GrafPtr port);
QTML_API void GetPort(GrafPtr* port);
/* Writes the port rectangle to *rect and returns rect. */
QTML_API Rect* GetPortBounds(CGrafPtr port, Rect* rect);
QTML_API PixMapHandle GetPortPixMap(CGrafPtr port);

/* The device of the screen, and the current device. */
QTML_API GDHandle GetMainDevice(void);
QTML_API GDHandle GetGDevice(void);

QTML_API void RGBForeColor(const RGBColor* color);
QTML_API void RGBBackColor(const RGBColor* color);
QTML_API void GetForeColor(RGBColor* color);
QTML_API void GetBackColor(RGBColor* color);

/* Fill r (local coordinates of the current port) with the background or
 * the foreground colour. */
QTML_API void EraseRect(const Rect* r);
QTML_API void PaintRect(const Rect* r);

/* Starts recording a picture with the given frame on the current port and
 * returns its handle, owned by the caller (KillPicture). The picture ends
 * up holding what the port shows within the frame when ClosePicture ends
 * the recording. nil (QDError says why) when the port is recording already
 * or memory is short. */
QTML_API PicHandle OpenPicture(const Rect* picFrame);
/* Ends the current port's recording. */
QTML_API void ClosePicture(void);
QTML_API void KillPicture(PicHandle myPicture);
/* Draws the picture into the current port, its frame scaled to dstRect. */
QTML_API void DrawPicture(PicHandle myPicture, const Rect* dstRect);
/* Writes the picture's frame to *bounds and returns bounds. */
QTML_API Rect* QDGetPictureBounds(PicHandle picH, Rect* outRect);

QTML_EXTERN_C_END

#endif /* __QUICKDRAW__ */
