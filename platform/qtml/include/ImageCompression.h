/*
 * ImageCompression.h: transformation matrices and the Image Compression
 * Manager.
 *
 * A MatrixRecord maps a point (x, y) as the row vector [x y 1] multiplied
 * on the left of the matrix:
 *
 *   [x' y' w'] = [x y 1] × | a  b  u |
 *                          | c  d  v |
 *                          | tx ty w |
 *
 * and the point goes to (x'/w', y'/w'). a, b, c, d, tx and ty
 * (matrix[0..2][0..1]) are Fixed; u, v and w (matrix[0..2][2]) are Fract,
 * so the identity has matrix[2][2] = fract1. Coordinates are QuickDraw's:
 * x grows to the right, y downwards.
 *
 * The calls that modify a matrix (TranslateMatrix, ScaleMatrix,
 * RotateMatrix, SkewMatrix, MapMatrix) append their transformation: points
 * go through the matrix as it was first, then through the new operation.
 * Products are computed exactly and rounded once per element.
 *
 * Decompression draws an image, described by an ImageDescription and its
 * data, into a pixel map through a matrix. The engine decompresses
 * uncompressed 'raw ' images: rows of pixels at depth 1 or 8 (the standard
 * colour tables), 16 (xRGB 1-5-5-5, big-endian), 24 (RGB) or 32 (ARGB),
 * top row first, each row padded to an even number of bytes.
 */
#ifndef __IMAGECOMPRESSION__
#define __IMAGECOMPRESSION__

#include "Components.h"
#include "FixMath.h"
#include "MacErrors.h"
#include "MacTypes.h"
#include "Quickdraw.h"
#include "StandardFile.h"

QTML_EXTERN_C_BEGIN

typedef struct MatrixRecord {
  Fixed matrix[3][3];
} MatrixRecord;
typedef MatrixRecord* MatrixRecordPtr;

/* GetMatrixType results, from the simplest kind of transformation up. */
enum {
  identityMatrixType = 0x00,        /* the identity */
  translateMatrixType = 0x01,       /* an offset only */
  scaleMatrixType = 0x02,           /* a scale only */
  scaleTranslateMatrixType = 0x03,  /* a scale and an offset */
  linearMatrixType = 0x04,          /* rotation or skew, no offset */
  linearTranslateMatrixType = 0x05, /* rotation or skew with an offset */
  perspectiveMatrixType = 0x06      /* u or v not 0, or w not fract1 */
};

QTML_API void SetIdentityMatrix(MatrixRecord* matrix);
QTML_API short GetMatrixType(const MatrixRecord* m);
QTML_API void CopyMatrix(const MatrixRecord* m1, MatrixRecord* m2);
QTML_API Boolean EqualMatrix(const MatrixRecord* m1, const MatrixRecord* m2);

/* Appends an offset of (deltaH, deltaV). */
QTML_API void TranslateMatrix(MatrixRecord* m, Fixed deltaH, Fixed deltaV);
/* Appends a rotation by `degrees` about (aboutX, aboutY). A positive angle
 * turns the x axis towards the y axis: with y downwards, clockwise on
 * screen; by 90 degrees about the origin, (1, 0) goes to (0, 1) and
 * (0, 1) to (-1, 0). */
QTML_API void RotateMatrix(MatrixRecord* m, Fixed degrees, Fixed aboutX, Fixed aboutY);
/* Appends a scale by (scaleX, scaleY) that leaves (aboutX, aboutY) where
 * it is. */
QTML_API void ScaleMatrix(MatrixRecord* m, Fixed scaleX, Fixed scaleY, Fixed aboutX, Fixed aboutY);
/* Appends a skew about (aboutX, aboutY): x grows by skewX × (y - aboutY)
 * and y by skewY × (x - aboutX). */
QTML_API void SkewMatrix(MatrixRecord* m, Fixed skewX, Fixed skewY, Fixed aboutX, Fixed aboutY);

/* b becomes a × b: the transformation of a followed by that of b. */
QTML_API void ConcatMatrix(const MatrixRecord* a, MatrixRecord* b);
/* Writes the inverse of m to im; false (im unchanged) when m is singular
 * or its inverse cannot be represented. m and im may be the same. */
QTML_API Boolean InverseMatrix(const MatrixRecord* m, MatrixRecord* im);

/* Sets matrix to map srcRect onto dstRect: a scale by the ratio of their
 * sizes, then an offset. An empty srcRect leaves the identity. */
QTML_API void RectMatrix(MatrixRecord* matrix, const Rect* srcRect, const Rect* dstRect);
/* Appends the mapping of fromRect onto toRect (as RectMatrix) to matrix. */
QTML_API void MapMatrix(MatrixRecord* matrix, const Rect* fromRect, const Rect* toRect);

/* Transform points in place, rounding integer points to the nearest
 * pixel; coordinates beyond the 16-bit range saturate. Points that a
 * perspective matrix sends to infinity saturate as well. */
QTML_API OSErr TransformPoints(const MatrixRecord* mp, Point* pt1, long count);
QTML_API OSErr TransformFixedPoints(const MatrixRecord* m, FixedPoint* fpt, long count);

/* Replace the rectangle by the bounding box of its transformed corners.
 * When fpp is given, the four transformed corners are written to it in the
 * order top-left, top-right, bottom-right, bottom-left. The result is true
 * when the transformed rectangle is its own bounding box (only scaling,
 * offsets and turns by multiples of 90 degrees). */
QTML_API Boolean TransformRect(const MatrixRecord* m, Rect* r, FixedPoint* fpp);
QTML_API Boolean TransformFixedRect(const MatrixRecord* m, FixedRect* fr, FixedPoint* fpp);

typedef OSType CodecType;
typedef unsigned short CodecFlags;
typedef UInt32 CodecQ;
typedef Component CompressorComponent;
typedef Component DecompressorComponent;
typedef Component CodecComponent;

enum {
  codecMinQuality = 0x000,
  codecLowQuality = 0x100,
  codecNormalQuality = 0x200,
  codecHighQuality = 0x300,
  codecMaxQuality = 0x3FF,
  codecLosslessQuality = 0x400
};

enum { kRawCodecType = FOUR_CHAR_CODE('raw ') };

/* An image's description, as stored in movies and picture files; 86 bytes
 * with QuickTime's 2-byte packing. */
#pragma pack(push, 2)
typedef struct ImageDescription {
  SInt32 idSize; /* bytes of this record and what follows it */
  CodecType cType;
  SInt32 resvd1;
  SInt16 resvd2;
  SInt16 dataRefIndex;
  SInt16 version;
  SInt16 revisionLevel;
  SInt32 vendor;
  CodecQ temporalQuality;
  CodecQ spatialQuality;
  SInt16 width;
  SInt16 height;
  Fixed hRes;
  Fixed vRes;
  SInt32 dataSize; /* bytes of image data; 0 when not known */
  SInt16 frameCount;
  Str31 name;
  SInt16 depth;
  SInt16 clutID;
} ImageDescription;
#pragma pack(pop)
typedef ImageDescription* ImageDescriptionPtr;
typedef ImageDescriptionPtr* ImageDescriptionHandle;

typedef OSErr (*ICMDataProcPtr)(Ptr* dataP, long bytesNeeded, long refcon);
typedef ICMDataProcPtr ICMDataUPP;
typedef struct ICMDataProcRecord {
  ICMDataUPP dataProc;
  long dataRefCon;
} ICMDataProcRecord;
typedef ICMDataProcRecord* ICMDataProcRecordPtr;

typedef OSErr (*ICMProgressProcPtr)(short message, Fixed completeness, long refcon);
typedef ICMProgressProcPtr ICMProgressUPP;
typedef struct ICMProgressProcRecord {
  ICMProgressUPP progressProc;
  long progressRefCon;
} ICMProgressProcRecord;
typedef ICMProgressProcRecord* ICMProgressProcRecordPtr;

/* Draws the srcRect part of the image (image coordinates, (0, 0) at its
 * top-left; nil: all of it) scaled onto dstRect of dst, which must be the
 * pixel map of a port (GetGWorldPixMap, GetPortPixMap). Pixels are sampled
 * bilinearly and combined with dst's by the transfer mode and the port's
 * OpColor; only pixels inside the port's clip and mask (dst coordinates;
 * nil: no mask) change. Answers paramErr for a missing argument or a mask
 * that is not a region, badImageDescription for an image the engine cannot
 * decompress, and memFullErr. */
QTML_API OSErr DecompressImage(Ptr data, ImageDescriptionHandle desc, PixMapHandle dst,
                               const Rect* srcRect, const Rect* dstRect, short mode,
                               RgnHandle mask);
/* As DecompressImage, the image going to dst through matrix (nil: the
 * identity). The engine keeps the whole image in memory: accuracy, codec,
 * bufferSize and the data and progress procedures are not used, nor is a
 * matte. */
QTML_API OSErr FDecompressImage(Ptr data, ImageDescriptionHandle desc, PixMapHandle dst,
                                const Rect* srcRect, MatrixRecordPtr matrix, short mode,
                                RgnHandle mask, PixMapHandle matte, const Rect* matteRect,
                                CodecQ accuracy, DecompressorComponent codec, long bufferSize,
                                ICMDataProcRecordPtr dataProc,
                                ICMProgressProcRecordPtr progressProc);

/* src × mul ÷ divide with a 64-bit intermediate product, rounded; division
 * by zero saturates with the product's sign. */
QTML_API Fixed FixMulDiv(Fixed src, Fixed mul, Fixed divide);

/* The open-file dialog with a preview pane; as StandardGetFile. */
QTML_API void StandardGetFilePreview(FileFilterUPP fileFilter, short numTypes,
                                     ConstSFTypeListPtr typeList, StandardFileReply* reply);

QTML_EXTERN_C_END

#endif /* __IMAGECOMPRESSION__ */
