/*
 * Quickdraw.h: graphics ports, pixel maps, colours, rectangles, regions,
 * bit transfers and pictures.
 *
 * A port draws into its pixel map. The current port (SetPort, SetGWorld)
 * is where the drawing calls, OpenRgn, OpenPicture and DrawPicture work.
 * Drawing stays inside the port rectangle and the port's clip region.
 * Every drawing and region call sets the result that QDError() answers;
 * the rectangle and point calls are plain arithmetic and leave it.
 *
 * Coordinates are 16-bit. A rectangle's pixels are those with
 * left <= h < right and top <= v < bottom; it is empty when
 * bottom <= top or right <= left.
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

/* A bit map: 1 bit a pixel, 1 for black. A PixMap starts with the same
 * fields, and rowBytes with the flag 0x8000 tells the two apart. */
typedef struct BitMap {
  Ptr baseAddr;
  short rowBytes;
  Rect bounds;
} BitMap;
typedef BitMap* BitMapPtr;

/* An 8 by 8 pattern, a byte a row, most significant bit leftmost; a set
 * bit draws the foreground colour, a clear one the background colour.
 * Patterns are aligned with the pixel map's top-left corner. */
typedef struct Pattern {
  UInt8 pat[8];
} Pattern;
typedef const Pattern* ConstPatternParam;

/* A region heads a handle: its size in bytes and its bounding box, then,
 * unless it is empty or a rectangle (rgnSize 10), its outline in
 * QuickDraw's scan-line form. Work on regions with the calls below. */
typedef struct MacRegion {
  UInt16 rgnSize;
  Rect rgnBBox;
} MacRegion;
typedef struct MacRegion** RgnHandle;

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

/* ---- Rectangles and points. ---- */

QTML_API void MacSetRect(Rect* r, short left, short top, short right, short bottom);
QTML_API void SetRect(Rect* r, short left, short top, short right, short bottom);
QTML_API void MacOffsetRect(Rect* r, short dh, short dv);
QTML_API void OffsetRect(Rect* r, short dh, short dv);
/* Moves each side in by dh or dv (out for negative values); a result
 * without pixels becomes (0, 0, 0, 0). */
QTML_API void InsetRect(Rect* r, short dh, short dv);
/* The common part of src1 and src2 in *dstRect (which may be either);
 * false, and (0, 0, 0, 0), when they share no pixel. */
QTML_API Boolean SectRect(const Rect* src1, const Rect* src2, Rect* dstRect);
/* The smallest rectangle enclosing both, empty ones included. */
QTML_API void MacUnionRect(const Rect* src1, const Rect* src2, Rect* dstRect);
QTML_API void UnionRect(const Rect* src1, const Rect* src2, Rect* dstRect);
QTML_API Boolean MacEqualRect(const Rect* rect1, const Rect* rect2);
QTML_API Boolean EqualRect(const Rect* rect1, const Rect* rect2);
QTML_API Boolean EmptyRect(const Rect* r);
/* True when the pixel whose top-left corner is pt lies in r. */
QTML_API Boolean MacPtInRect(Point pt, const Rect* r);
QTML_API Boolean PtInRect(Point pt, const Rect* r);
/* The smallest rectangle with both points as corners. */
QTML_API void Pt2Rect(Point pt1, Point pt2, Rect* dstRect);
QTML_API void SetPt(Point* pt, short h, short v);
QTML_API Boolean EqualPt(Point pt1, Point pt2);
QTML_API void AddPt(Point src, Point* dst);
QTML_API void SubPt(Point src, Point* dst);

/* ---- Regions. ---- */

/* A new empty region, owned by the caller (DisposeRgn); nil when memory
 * is short (QDError memFullErr). */
QTML_API RgnHandle NewRgn(void);
QTML_API void DisposeRgn(RgnHandle rgn);
/* Region calls that build a region answer, through QDError, memFullErr
 * when the destination cannot grow (it keeps its old value) and
 * regionTooBigErr when the result would exceed 64 KB (it becomes empty).
 * A destination may be one of the sources. */
QTML_API void MacCopyRgn(RgnHandle srcRgn, RgnHandle dstRgn);
QTML_API void CopyRgn(RgnHandle srcRgn, RgnHandle dstRgn);
QTML_API void SetEmptyRgn(RgnHandle rgn);
QTML_API void MacSetRectRgn(RgnHandle rgn, short left, short top, short right, short bottom);
QTML_API void SetRectRgn(RgnHandle rgn, short left, short top, short right, short bottom);
QTML_API void RectRgn(RgnHandle rgn, const Rect* r);
QTML_API void MacOffsetRgn(RgnHandle rgn, short dh, short dv);
QTML_API void OffsetRgn(RgnHandle rgn, short dh, short dv);
/* Shrinks the region by dh pixels left and right and dv top and bottom
 * (grows it for negative values). */
QTML_API void InsetRgn(RgnHandle rgn, short dh, short dv);
QTML_API void SectRgn(RgnHandle srcRgnA, RgnHandle srcRgnB, RgnHandle dstRgn);
QTML_API void MacUnionRgn(RgnHandle srcRgnA, RgnHandle srcRgnB, RgnHandle dstRgn);
QTML_API void UnionRgn(RgnHandle srcRgnA, RgnHandle srcRgnB, RgnHandle dstRgn);
/* srcRgnA without srcRgnB. */
QTML_API void DiffRgn(RgnHandle srcRgnA, RgnHandle srcRgnB, RgnHandle dstRgn);
QTML_API void MacXorRgn(RgnHandle srcRgnA, RgnHandle srcRgnB, RgnHandle dstRgn);
QTML_API void XorRgn(RgnHandle srcRgnA, RgnHandle srcRgnB, RgnHandle dstRgn);
QTML_API Boolean MacEqualRgn(RgnHandle rgnA, RgnHandle rgnB);
QTML_API Boolean EqualRgn(RgnHandle rgnA, RgnHandle rgnB);
QTML_API Boolean EmptyRgn(RgnHandle rgn);
QTML_API Boolean PtInRgn(Point pt, RgnHandle rgn);
/* True when some pixel of r is in the region. */
QTML_API Boolean RectInRgn(const Rect* r, RgnHandle rgn);
/* Writes the bounding box ((0, 0, 0, 0) for an empty region) to *bounds
 * and returns bounds. */
QTML_API Rect* GetRegionBounds(RgnHandle region, Rect* bounds);
/* True for a rectangle, and for the empty region (rgnSize 10). */
QTML_API Boolean IsRegionRectangular(RgnHandle region);

/* Starts recording a region on the current port: until CloseRgn, the
 * Frame calls draw nothing and instead add the outline they would draw;
 * the region is what those outlines enclose, counted even-odd: an area
 * framed twice is outside. CloseRgn stores the result in dstRgn and ends
 * the recording. */
QTML_API void OpenRgn(void);
QTML_API void CloseRgn(RgnHandle dstRgn);

/* ---- Drawing in the current port. ---- */

/* The pen's size (1 by 1 at first), the thickness of framed outlines;
 * PenNormal goes back to 1 by 1. */
QTML_API void PenSize(short width, short height);
QTML_API void PenNormal(void);

QTML_API void RGBForeColor(const RGBColor* color);
QTML_API void RGBBackColor(const RGBColor* color);
QTML_API void GetForeColor(RGBColor* color);
QTML_API void GetBackColor(RGBColor* color);

/* The colour the arithmetic modes use: blend's weights, addPin's and
 * subPin's limits (black at first). */
QTML_API void OpColor(const RGBColor* color);
/* The colour the hilite mode swaps with the background colour. */
QTML_API void HiliteColor(const RGBColor* color);

/* Shapes in local coordinates of the current port. Frame draws the
 * outline with the foreground colour, the pen's size thick inside the
 * shape; Paint fills with the foreground colour, Erase with the
 * background colour, Invert complements each pixel's colour, Fill uses a
 * pattern. */
QTML_API void FrameRect(const Rect* r);
QTML_API void MacFrameRect(const Rect* r);
QTML_API void PaintRect(const Rect* r);
QTML_API void EraseRect(const Rect* r);
QTML_API void InvertRect(const Rect* r);
QTML_API void MacInvertRect(const Rect* r);
QTML_API void FillRect(const Rect* r, const Pattern* pat);
QTML_API void MacFillRect(const Rect* r, const Pattern* pat);
/* The oval inscribed in r. */
QTML_API void FrameOval(const Rect* r);
QTML_API void PaintOval(const Rect* r);
QTML_API void EraseOval(const Rect* r);
QTML_API void InvertOval(const Rect* r);
QTML_API void FillOval(const Rect* r, const Pattern* pat);
/* r with corners rounded by ovals ovalWidth by ovalHeight. */
QTML_API void FrameRoundRect(const Rect* r, short ovalWidth, short ovalHeight);
QTML_API void PaintRoundRect(const Rect* r, short ovalWidth, short ovalHeight);
QTML_API void EraseRoundRect(const Rect* r, short ovalWidth, short ovalHeight);
QTML_API void InvertRoundRect(const Rect* r, short ovalWidth, short ovalHeight);
QTML_API void FillRoundRect(const Rect* r, short ovalWidth, short ovalHeight, const Pattern* pat);
QTML_API void FrameRgn(RgnHandle rgn);
QTML_API void MacFrameRgn(RgnHandle rgn);
QTML_API void PaintRgn(RgnHandle rgn);
QTML_API void MacPaintRgn(RgnHandle rgn);
QTML_API void EraseRgn(RgnHandle rgn);
QTML_API void InvertRgn(RgnHandle rgn);
QTML_API void MacInvertRgn(RgnHandle rgn);
QTML_API void FillRgn(RgnHandle rgn, const Pattern* pat);
QTML_API void MacFillRgn(RgnHandle rgn, const Pattern* pat);

/* ---- Clipping. ---- */

/* A port's clip region starts wide open, (-32768, -32768, 32767, 32767).
 * SetClip and ClipRect set the current port's; GetClip copies it into an
 * existing region. */
QTML_API void SetClip(RgnHandle rgn);
QTML_API void GetClip(RgnHandle rgn);
QTML_API void ClipRect(const Rect* r);
/* Copy a port's clip region into, or from, an existing region; the Get
 * calls return the region they were given. */
QTML_API RgnHandle GetPortClipRegion(CGrafPtr port, RgnHandle clipRgn);
QTML_API void SetPortClipRegion(CGrafPtr port, RgnHandle clipRgn);
/* An off-screen port's visible region is its port rectangle. */
QTML_API RgnHandle GetPortVisibleRegion(CGrafPtr port, RgnHandle visRgn);

/* ---- Bit transfers. ---- */

/* What CopyBits takes for a port: the port's pixel map. */
QTML_API const BitMap* GetPortBitMapForCopyBits(CGrafPtr port);
/* Copies srcRect of srcBits onto dstRect of dstBits (each in its own
 * map's coordinates), scaling by nearest pixel, combining with the
 * destination by transfer mode `mode` (the current port's colours lend
 * RGBForeColor, RGBBackColor, OpColor and HiliteColor to the modes that
 * use them). Drawing stays inside maskRgn (destination coordinates; nil:
 * no mask) and, when dstBits is a port's pixel map, that port's rectangle
 * and clip region. Either map may be a port's pixel map (as returned by
 * GetPortBitMapForCopyBits or GetPortPixMap), any PixMap of the engine's
 * depths, or a 1-bit BitMap. Source and destination may overlap.
 * Arithmetic modes onto 1-bit maps act as the boolean modes QuickDraw
 * names for them; ditherCopy (alone or added to a mode) diffuses the
 * error when the destination holds fewer colours than the source. */
QTML_API void CopyBits(const BitMap* srcBits, const BitMap* dstBits, const Rect* srcRect,
                       const Rect* dstRect, short mode, RgnHandle maskRgn);
/* Copies the source through a mask map: where the mask is black the
 * source replaces the destination, where white the destination stays,
 * and a grey or coloured mask mixes the two channel by channel. The mask
 * is scaled from maskRect onto dstRect as the source is from srcRect. */
QTML_API void CopyMask(const BitMap* srcBits, const BitMap* maskBits, const BitMap* dstBits,
                       const Rect* srcRect, const Rect* maskRect, const Rect* dstRect);
/* CopyMask with a transfer mode applied before the mask mixes, and a
 * mask region as CopyBits has. */
QTML_API void CopyDeepMask(const BitMap* srcBits, const BitMap* maskBits, const BitMap* dstBits,
                           const Rect* srcRect, const Rect* maskRect, const Rect* dstRect,
                           short mode, RgnHandle maskRgn);

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
