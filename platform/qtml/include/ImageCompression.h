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
 * data, into a pixel map through a matrix. Uncompressed 'raw ' images are
 * rows of pixels at depth 1 or 8 (the standard colour tables), 16 (xRGB
 * 1-5-5-5, big-endian), 24 (RGB) or 32 (ARGB), top row first, each row
 * padded to an even number of bytes (or to dataSize / height bytes when
 * the description's dataSize says more). Every other type FFmpeg decodes
 * is decompressed through it ('jpeg', 'png ', 'rle ', 'cvid', 'smc ',
 * 'rpza', 'SVQ1', 'SVQ3', 'mp4v', 'h263', 'avc1', 'hvc1', ProRes, DV and
 * the rest a movie file can name); a description's extension atoms
 * ('avcC', 'hvcC', 'esds', 'glbl') set its codec up.
 */
#ifndef __IMAGECOMPRESSION__
#define __IMAGECOMPRESSION__

#include "Components.h"
#include "Files.h"
#include "FixMath.h"
#include "MacErrors.h"
#include "MacTypes.h"
#include "QDOffscreen.h"
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

/* Messages of a progress procedure: the work begins, has reached the
 * fraction `completeness` (Fixed, 0 to 1.0), ends. */
enum { codecProgressOpen = 0, codecProgressUpdatePercent = 1, codecProgressClose = 2 };

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
 * that is not a region, noCodecErr for a type nothing decompresses,
 * badImageDescription for a description that makes no image (or compressed
 * data without its dataSize), codecErr for data the codec refuses, and
 * memFullErr. */
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

/* Thumbnails: the image scaled to fit 80 by 80 pixels keeping its
 * proportions (its longer side 80, the other at least 1), each thumbnail
 * pixel the average of the image area it covers, recorded as a picture
 * whose frame is at (0, 0). The picture goes into thumbnail, a handle the
 * caller owns, resized to hold it. colorDepth 0 (the best), 16, 24 or 32;
 * 16 keeps 5 bits a channel. The work is done in one step: progressProc is
 * not called. paramErr for a nil or unreadable source, another depth or a
 * nil thumbnail handle; memFullErr. */
QTML_API OSErr MakeThumbnailFromPicture(PicHandle picture, short colorDepth, PicHandle thumbnail,
                                        ICMProgressProcRecordPtr progressProc);
/* As MakeThumbnailFromPicture, of the srcRect part (nil: all) of a pixel
 * map: a port's (GetGWorldPixMap, GetPortPixMap) or one a handle holds.
 * paramErr when srcRect leaves the map's bounds. */
QTML_API OSErr MakeThumbnailFromPixMap(PixMapHandle src, const Rect* srcRect, short colorDepth,
                                       PicHandle thumbnail, ICMProgressProcRecordPtr progressProc);

/* A new off-screen world (disposed of with DisposeGWorld) over pixels the
 * caller owns and keeps alive until then: baseAddr is the top-left pixel of
 * boundsRect, rows rowBytes apart, as another world's pixels seen through a
 * part of them. pixelFormat k1MonochromePixelFormat, k8IndexedPixelFormat,
 * k16BE555PixelFormat, k24RGBPixelFormat or k32ARGBPixelFormat (else
 * cDepthErr); cTable, when given, is copied for an indexed format.
 * paramErr for an empty rectangle, nil pixels or rows shorter than the
 * rectangle's pixels (padded to 32 bits) or longer than 0x3FFE bytes. */
QTML_API OSErr QTNewGWorldFromPtr(GWorldPtr* gw, OSType pixelFormat, const Rect* boundsRect,
                                  CTabHandle cTable, GDHandle aGDevice, GWorldFlags flags,
                                  void* baseAddr, long rowBytes);

/* Image sequences: a decompression sequence draws the frames of one image
 * description into a port, keeping what the codec needs between frames
 * (earlier frames of temporal codecs); a compression sequence makes the
 * frames of one image description from pixel maps. Both are ended by
 * CDSequenceEnd. A sequence id names a live sequence of this process; an
 * id that was ended, or never given, answers paramErr. */
typedef long ImageSequence;
typedef long ImageSequenceDataSource;

/* CodecFlags of sequence calls. */
enum {
  codecFlagUseImageBuffer = 1L << 0,
  codecFlagUseScreenBuffer = 1L << 1,
  codecFlagUpdatePrevious = 1L << 2,
  codecFlagNoScreenUpdate = 1L << 3,
  codecFlagWasCompressed = 1L << 4,
  codecFlagDontOffscreen = 1L << 5,
  codecFlagUpdatePreviousComp = 1L << 6,
  codecFlagForceKeyFrame = 1L << 7,
  codecFlagOnlyScreenUpdate = 1L << 8,
  codecFlagLiveGrab = 1L << 9,
  codecFlagDiffFrame = 1L << 9,
  codecFlagDontUseNewImageBuffer = 1L << 10,
  codecFlagInterlaceUpdate = 1L << 11,
  codecFlagCatchUpDiff = 1L << 12,
  codecFlagSupportDisable = 1L << 13,
  codecFlagReenable = 1L << 14
};
/* Output flags of DecompressSequenceFrameS and CompressSequenceFrame. */
enum {
  codecFlagOutUpdateOnNextIdle = 1L << 9,
  codecFlagOutUpdateOnDataSourceChange = 1L << 10,
  codecFlagSequenceSensitive = 1L << 11,
  codecFlagOutUpdateOnTimeChange = 1L << 12,
  codecFlagImageBufferNotSourceImage = 1L << 13,
  codecFlagUsedNewImageBuffer = 1L << 14,
  codecFlagUsedImageBuffer = 1L << 15
};
/* SetDSequenceFlags flags. */
enum {
  codecDSequenceDisableOverlaySurface = 1L << 5,
  codecDSequenceSingleField = 1L << 6,
  codecDSequenceBidirectionalPrediction = 1L << 7,
  codecDSequenceFlushInsteadOfDirtying = 1L << 8,
  codecDSequenceEnableSubPixelPositioning = 1L << 9,
  codecDSequenceDeinterlaceFields = 1L << 10
};

typedef void (*ICMCompletionProcPtr)(OSErr result, short flags, long refcon);
typedef ICMCompletionProcPtr ICMCompletionUPP;
typedef struct ICMCompletionProcRecord {
  ICMCompletionUPP completionProc;
  long completionRefCon;
} ICMCompletionProcRecord;
typedef ICMCompletionProcRecord* ICMCompletionProcRecordPtr;

/* Begins a decompression sequence for images of `desc` (copied; the
 * caller keeps its handle) drawn into `port` (nil: the current port)
 * through srcRect (image coordinates; nil: all of the image), matrix (nil:
 * the identity), the transfer mode and mask (port coordinates, copied;
 * nil: none). With data, that first frame is drawn too. gdh, flags and
 * accuracy are accepted; codec must be 0, -1 or a decompressor of the
 * description's type. noCodecErr when the engine cannot decompress the
 * type, paramErr for missing arguments. */
QTML_API OSErr DecompressSequenceBeginS(ImageSequence* seqID, ImageDescriptionHandle desc, Ptr data,
                                        long dataSize, CGrafPtr port, GDHandle gdh,
                                        const Rect* srcRect, MatrixRecordPtr matrix, short mode,
                                        RgnHandle mask, CodecFlags flags, CodecQ accuracy,
                                        DecompressorComponent codec);
/* Decompresses one frame and draws it. The engine works synchronously: a
 * completion procedure is called before the call returns. */
QTML_API OSErr DecompressSequenceFrameS(ImageSequence seqID, Ptr data, long dataSize,
                                        CodecFlags inFlags, CodecFlags* outFlags,
                                        ICMCompletionProcRecordPtr asyncCompletionProc);
QTML_API OSErr SetDSequenceFlags(ImageSequence seqID, long flags, long flagsMask);
QTML_API OSErr SetDSequenceSrcRect(ImageSequence seqID, const Rect* srcRect);
QTML_API OSErr SetDSequenceMatrix(ImageSequence seqID, MatrixRecordPtr matrix);
QTML_API OSErr GetDSequenceMatrix(ImageSequence seqID, MatrixRecordPtr matrix);
QTML_API OSErr SetDSequenceMask(ImageSequence seqID, RgnHandle mask);
QTML_API OSErr SetDSequenceTransferMode(ImageSequence seqID, short mode, const RGBColor* opColor);
QTML_API OSErr CDSequenceEnd(ImageSequence seqID);

/* Effects and other sequences fed from images: a data source gives the
 * sequence an input (an effect's source 'srcA' or 'srcB', numbered from 1)
 * described by `dataDescription` (an image description, copied), whose
 * data CDSequenceSetSourceData then points at (borrowed, until changed or
 * the sequence ends). Each frame of an effect sequence is the effect's
 * description (an atom container's bytes) applied to the sources. */
typedef OSErr (*ICMConvertDataFormatProcPtr)(void* refCon, long flags, Handle desiredFormat,
                                             Handle sourceDataFormat, void* srcData,
                                             long srcDataSize, void** dstData, long* dstDataSize);
typedef ICMConvertDataFormatProcPtr ICMConvertDataFormatUPP;
QTML_API OSErr CDSequenceNewDataSource(ImageSequence seqID, ImageSequenceDataSource* sourceID,
                                       OSType sourceType, short sourceInputNumber,
                                       Handle dataDescription, ICMConvertDataFormatUPP transferProc,
                                       void* refCon);
QTML_API OSErr CDSequenceSetSourceData(ImageSequenceDataSource sourceID, void* data, long dataSize);
/* The time base the sequence's effect runs by (a TimeBase, borrowed). */
QTML_API OSErr CDSequenceSetTimeBase(ImageSequence seqID, void* base);

/* An effect decompressor's parameters: a new atom container (owned by
 * the caller) with a 'srcs' atom giving its number of sources and one atom
 * per parameter holding its default value (big-endian). */
enum { kImageCodecGetParameterListSelect = 0x001D };
QTML_API ComponentResult ImageCodecGetParameterList(ComponentInstance ci,
                                                    Handle* parameterDescription);

/* Compression makes image data from the pixels of a pixel map of depth 1,
 * 8, 16, 24 or 32 (the srcRect part, in the pixel map's coordinates,
 * which must lie inside its bounds), at a depth asked for: a sequence's
 * colorDepth, or for CompressImage the source's. 'raw ' data is written
 * by the engine: rows of pixels at that depth (indexed depths in the
 * standard colour tables), each padded to an even number of bytes. Every
 * other type is compressed by FFmpeg's encoder for it, and its
 * description carries the codec's set-up as extension atoms after the
 * record, as a movie file's sample description does ('avcC' for 'avc1',
 * 'esds' for 'mp4v'). Descriptions are filled in the machine's byte order
 * (extensions as stored): version 1, vendor 'appl', 72 dpi, frameCount 1,
 * clutID -1, the type's name, and the depth of the data: the depth asked
 * for with 'raw '; 32 (alpha kept) when 32 is asked for with 'png ' or
 * 'rle ', and 16 with 'rle '; 16 for 'rpza'; 8 for 'smc ' (the standard
 * colours); 24 otherwise. Quality runs from codecMinQuality to
 * codecLosslessQuality (the lossy codecs' best). Results: paramErr for
 * missing arguments, an empty srcRect or one outside the pixel map, or a
 * codec component that is not a compressor of cType; noCodecErr for a
 * type nothing compresses here (an 'avc1' without an H.264 encoder in
 * FFmpeg); codecErr when the encoder refuses the image (H.263 takes only
 * its standard sizes, Cinepak multiples of 4); and memFullErr. */

/* Gamma. A pixel map's pixels are at a gamma level, 2.2 (the video level)
 * unless a level was requested for it; movies then draw their frames into
 * it corrected from 2.2 to the requested level (each channel c of 0 to 1
 * becomes c^(2.2 / level)). Levels are 16.16; 0 asks for 2.2 again.
 * paramErr for a pixel map that is no port's or a negative level. */
enum { kQTCCIR601VideoGammaLevel = 0x00023333 }; /* 2.2 */
QTML_API OSErr QTSetPixMapHandleRequestedGammaLevel(PixMapHandle pm, Fixed requestedGammaLevel);
QTML_API OSErr QTGetPixMapHandleRequestedGammaLevel(PixMapHandle pm, Fixed* requestedGammaLevel);
QTML_API Fixed QTGetPixMapHandleGammaLevel(PixMapHandle pm);

/* Compresses the srcRect part of src into data (at least
 * GetMaxCompressionSize bytes), filling desc (resized as needed) to
 * describe it; its dataSize gives the bytes written. */
QTML_API OSErr CompressImage(PixMapHandle src, const Rect* srcRect, CodecQ quality, CodecType cType,
                             ImageDescriptionHandle desc, Ptr data);
/* The most bytes one image of srcRect's size can take compressed as
 * cType: exact for 'raw ' rows of colorDepth or src's depth, whichever is
 * deeper (32 with neither); src may be nil. */
QTML_API OSErr GetMaxCompressionSize(PixMapHandle src, const Rect* srcRect, short colorDepth,
                                     CodecQ quality, CodecType cType, CompressorComponent codec,
                                     long* size);
/* Begins a compression sequence of srcRect-sized frames (nil: src's
 * bounds) of type cType at colorDepth (0: src's depth), filling desc
 * (resized as needed) with their description, dataSize 0. keyFrameRate is
 * the largest number of frames from one key frame to the next (0: every
 * frame a key frame for spatial codecs, the codec's choice otherwise); a
 * temporalQuality of 0 makes every frame a key frame. prev, prevRect,
 * ctable and flags are accepted. */
QTML_API OSErr CompressSequenceBegin(ImageSequence* seqID, PixMapHandle src, PixMapHandle prev,
                                     const Rect* srcRect, const Rect* prevRect, short colorDepth,
                                     CodecType cType, CompressorComponent codec,
                                     CodecQ spatialQuality, CodecQ temporalQuality,
                                     long keyFrameRate, CTabHandle ctable, CodecFlags flags,
                                     ImageDescriptionHandle desc);
/* Compresses one frame, the srcRect part of src (nil: the rectangle the
 * sequence began with; it must be of the sequence's size), into data (at
 * least GetMaxCompressionSize bytes), its size in *dataSize; *similarity
 * (may be nil) is 0 for a key frame, else how alike it is to the frame
 * before (255: the same). codecFlagForceKeyFrame makes a key frame;
 * codecFlagUpdatePrevious is accepted (the sequence always keeps its last
 * frame). The engine works synchronously: a completion procedure is
 * called with the result before the call returns. */
QTML_API OSErr CompressSequenceFrame(ImageSequence seqID, PixMapHandle src, const Rect* srcRect,
                                     CodecFlags flags, Ptr data, long* dataSize, UInt8* similarity,
                                     ICMCompletionProcRecordPtr asyncCompletionProc);

/* The qualities a compression sequence compresses its next frames at
 * (codecMinQuality to codecLosslessQuality, else paramErr). The codecs
 * steered by a quantiser in each frame (JPEG, MPEG-4, H.263, Sorenson,
 * Cinepak) follow at once; the others keep the qualities they began with. */
QTML_API OSErr SetCSequenceQuality(ImageSequence seqID, CodecQ spatialQuality,
                                   CodecQ temporalQuality);

/* A new image description (owned by the caller) of the pixel map's pixels
 * as uncompressed 'raw ' data of its depth, rows as the pixel map keeps
 * them: dataSize is height × its row bytes. */
QTML_API OSErr MakeImageDescriptionForPixMap(PixMapHandle pixmap, ImageDescriptionHandle* idh);
/* A new off-screen world (disposed of with DisposeGWorld) the size of the
 * image, of the depth its codec decompresses best to (32 for compressed
 * types). */
QTML_API OSErr NewImageGWorld(GWorldPtr* gworld, ImageDescriptionHandle idh, GWorldFlags flags);

/* src × mul ÷ divide with a 64-bit intermediate product, rounded; division
 * by zero saturates with the product's sign. */
QTML_API Fixed FixMulDiv(Fixed src, Fixed mul, Fixed divide);

/* The open-file dialog with a preview pane; as StandardGetFile. */
QTML_API void StandardGetFilePreview(FileFilterUPP fileFilter, short numTypes,
                                     ConstSFTypeListPtr typeList, StandardFileReply* reply);

/* Codecs and graphics importers: the components behind images. */
enum {
  compressorComponentType = 'imco',
  decompressorComponentType = 'imdc',
  GraphicsImporterComponentType = 'grip',
  GraphicsExporterComponentType = 'grex'
};
/* componentFlags of the graphics exporter that others build on; lists
 * shown to users leave it out. */
enum { graphicsExporterIsBaseExporter = 1L << 0 };

enum {
  kAnimationCodecType = 'rle ',
  kCinepakCodecType = 'cvid',
  kGraphicsCodecType = 'smc ',
  kH263CodecType = 'h263',
  kH264CodecType = 'avc1',
  kJPEGCodecType = 'jpeg',
  kMPEG4VisualCodecType = 'mp4v',
  kPNGCodecType = 'png ',
  kSorensonCodecType = 'SVQ1',
  kVideoCodecType = 'rpza'
};

/* What a codec can do: CodecInfo's decompressFlags and compressFlags, and
 * the componentFlags of its decompressor and compressor components. */
enum {
  codecInfoDoes1 = 1L << 0, /* works with pixels of depth 1 */
  codecInfoDoes2 = 1L << 1,
  codecInfoDoes4 = 1L << 2,
  codecInfoDoes8 = 1L << 3,
  codecInfoDoes16 = 1L << 4,
  codecInfoDoes32 = 1L << 5,
  codecInfoDoesDither = 1L << 6,
  codecInfoDoesStretch = 1L << 7,
  codecInfoDoesShrink = 1L << 8,
  codecInfoDoesMask = 1L << 9,
  codecInfoDoesTemporal = 1L << 10,
  codecInfoDoesDouble = 1L << 11,
  codecInfoDoesQuad = 1L << 12,
  codecInfoDoesHalf = 1L << 13,
  codecInfoDoesQuarter = 1L << 14,
  codecInfoDoesRotate = 1L << 15,
  codecInfoDoesHorizFlip = 1L << 16,
  codecInfoDoesVertFlip = 1L << 17,
  codecInfoHasEffectParameterList = 1L << 18,
  codecInfoDoesBlend = 1L << 19,
  codecInfoDoesWarp = 1L << 20,
  codecInfoDoesRecompress = 1L << 21,
  codecInfoDoesSpool = 1L << 22,
  codecInfoDoesRateConstrain = 1L << 23
};

/* The image depths a codec's data can have: CodecInfo's formatFlags.
 * Depths 33 to 40 are grey scales of 1 to 8 bits. */
enum {
  codecInfoDepth1 = 1L << 0,
  codecInfoDepth2 = 1L << 1,
  codecInfoDepth4 = 1L << 2,
  codecInfoDepth8 = 1L << 3,
  codecInfoDepth16 = 1L << 4,
  codecInfoDepth32 = 1L << 5,
  codecInfoDepth24 = 1L << 6,
  codecInfoDepth33 = 1L << 7,
  codecInfoDepth34 = 1L << 8,
  codecInfoDepth36 = 1L << 9,
  codecInfoDepth40 = 1L << 10,
  codecInfoStoresClut = 1L << 11,
  codecInfoDoesLossless = 1L << 12,
  codecInfoSequenceSensitive = 1L << 13
};

/* A codec's capabilities; 72 bytes. Accuracies and the compression level
 * run from 0 to 255; speeds are milliseconds for a 320 by 240 image. */
typedef struct CodecInfo {
  Str31 typeName;       /* the compression method's name, e.g. "Photo - JPEG" */
  SInt16 version;       /* of the compressed data format */
  SInt16 revisionLevel; /* of the codec */
  SInt32 vendor;
  SInt32 decompressFlags; /* 0 when nothing decompresses the type */
  SInt32 compressFlags;   /* 0 when nothing compresses the type */
  SInt32 formatFlags;
  UInt8 compressionAccuracy;
  UInt8 decompressionAccuracy;
  UInt16 compressionSpeed;
  UInt16 decompressionSpeed;
  UInt8 compressionLevel;
  UInt8 resvd;
  SInt16 minimumHeight;
  SInt16 minimumWidth;
  SInt16 decompressPipelineLatency;
  SInt16 compressPipelineLatency;
  SInt32 privateData;
} CodecInfo;

/* One entry of a codec name list. */
typedef struct CodecNameSpec {
  CodecComponent codec; /* the compressor; 0 in a list of types */
  CodecType cType;
  Str31 typeName;
  Handle name; /* the component's name, a Pascal string */
} CodecNameSpec;

typedef struct CodecNameSpecList {
  short count;
  CodecNameSpec list[1]; /* count entries */
} CodecNameSpecList;
typedef CodecNameSpecList* CodecNameSpecListPtr;

/* Special values of a CodecComponent argument. */
#define anyCodec ((CodecComponent)0)
#define bestSpeedCodec ((CodecComponent)-1)
#define bestFidelityCodec ((CodecComponent)-2)
#define bestCompressionCodec ((CodecComponent)-3)

/* The capabilities of codecs of type cType: with codec 0 (anyCodec) those
 * of the engine's codec for the type, otherwise those of that compressor
 * or decompressor component, which must be one for cType. Answers
 * noCodecErr for a type the engine has no codec for, paramErr for a nil
 * info or a component that is not a codec of that type. */
QTML_API OSErr GetCodecInfo(CodecInfo* info, CodecType cType, CodecComponent codec);

/* A new list (owned by the caller, freed with DisposeCodecNameList) of the
 * installed compressors: with showAll 1 one entry per compressor
 * component, with 0 one per compression type (codec 0). The name handles
 * belong to the list. */
QTML_API OSErr GetCodecNameList(CodecNameSpecListPtr* list, short showAll);
QTML_API OSErr DisposeCodecNameList(CodecNameSpecListPtr list);

/* The compressor and decompressor (either pointer may be nil) for cType;
 * specCodec anyCodec or one of the best... values picks the engine's, a
 * component picks itself when it is of that type. noCodecErr when
 * neither exists; a missing one reads 0. */
QTML_API OSErr FindCodec(CodecType cType, CodecComponent specCodec, CompressorComponent* compressor,
                         DecompressorComponent* decompressor);

typedef ComponentInstance GraphicsImportComponent;

/* Opens an instance (owned by the caller, closed with CloseComponent) of
 * the graphics importer for the image file: PNG, JPEG, BMP, GIF, TIFF or
 * PICT (with its 512-byte header), told by the file's first bytes and,
 * when they say nothing, by its file type or name extension. The instance
 * reads that file. fnfErr for a missing file, cantFindHandler when no
 * importer can read it, paramErr for nil arguments. */
QTML_API OSErr GetGraphicsImporterForFile(const FSSpec* theFile, ComponentInstance* gi);

/* A graphics importer reads its file's first image when a call first needs
 * it, and keeps it. An image too wide for a 32-bit pixel map row (over
 * 4095 pixels) answers codecImageBufErr; a file that holds no image
 * codecErr. The calls answer badComponentInstance for a dead instance,
 * badComponentSelector for a component that is not a graphics importer
 * and paramErr for nil out arguments. */
enum {
  kGraphicsImportGetNaturalBoundsSelect = 0x000E,
  kGraphicsImportDrawSelect = 0x000F,
  kGraphicsImportSetGWorldSelect = 0x0010,
  kGraphicsImportGetGWorldSelect = 0x0011,
  kGraphicsImportSetBoundsRectSelect = 0x0014,
  kGraphicsImportGetBoundsRectSelect = 0x0015
};
/* The image's size in pixels, at (0, 0). */
QTML_API ComponentResult GraphicsImportGetNaturalBounds(GraphicsImportComponent ci,
                                                        Rect* naturalBounds);
/* Where GraphicsImportDraw draws: port (nil: the port current when it
 * draws), borrowed; gd is kept for GraphicsImportGetGWorld only. paramErr
 * for a port that is not live. */
QTML_API ComponentResult GraphicsImportSetGWorld(GraphicsImportComponent ci, CGrafPtr port,
                                                 GDHandle gd);
QTML_API ComponentResult GraphicsImportGetGWorld(GraphicsImportComponent ci, CGrafPtr* port,
                                                 GDHandle* gd);
/* The rectangle (port coordinates) the image is scaled onto; until set it
 * is the natural bounds. paramErr for an empty rectangle. */
QTML_API ComponentResult GraphicsImportSetBoundsRect(GraphicsImportComponent ci,
                                                     const Rect* bounds);
QTML_API ComponentResult GraphicsImportGetBoundsRect(GraphicsImportComponent ci, Rect* bounds);
/* Draws the image onto the bounds rectangle of the importer's port with
 * ditherCopy, sampled bilinearly, inside the port's clip. paramErr when the
 * port set is no longer live. */
QTML_API ComponentResult GraphicsImportDraw(GraphicsImportComponent ci);

QTML_EXTERN_C_END

#endif /* __IMAGECOMPRESSION__ */
