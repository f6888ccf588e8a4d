/*
 * QuickTimeComponents.h: the time code media handler, and the types and
 * flags of movie importers and exporters, video digitizers and outputs.
 *
 * A time code track's samples are 32-bit big-endian frame numbers; its
 * description (TimeCodeDescription) says how frame numbers map to hours,
 * minutes, seconds and frames (TimeCodeDef). The description may carry
 * the source's user data (a tape name in a 'name' item) after its fixed
 * part, as user data atoms in file byte order. The handler's display
 * flags and text options belong to the media.
 *
 * Calls on a handler that is not a time code media's answer
 * badComponentSelector, on one that is not live badComponentInstance; a
 * missing argument answers paramErr.
 */
#ifndef __QUICKTIMECOMPONENTS__
#define __QUICKTIMECOMPONENTS__

#include "MacTypes.h"
#include "Movies.h"

QTML_EXTERN_C_BEGIN

/* Movie importers and exporters, video digitizers and video outputs. A
 * movie importer's or exporter's subtype is the file type it reads or
 * writes ('MooV', 'AIFF', 'WAVE', 'mpg4' ...). */
enum {
  MovieImportType = 'eat ',
  MovieExportType = 'spit',
  videoDigitizerComponentType = 'vdig',
  QTVideoOutputComponentType = 'vout'
};

/* componentFlags of movie importers and exporters. */
enum {
  canMovieImportHandles = 1L << 0,
  canMovieImportFiles = 1L << 1,
  hasMovieImportUserInterface = 1L << 2,
  canMovieExportHandles = 1L << 3,
  canMovieExportFiles = 1L << 4,
  hasMovieExportUserInterface = 1L << 5,
  canMovieExportAuxDataHandle = 1L << 7,
  canMovieImportValidateHandles = 1L << 8,
  canMovieImportValidateFile = 1L << 9,
  dontRegisterWithEasyOpen = 1L << 10,
  canMovieImportInPlace = 1L << 11, /* plays the file where it is */
  movieImportSubTypeIsFileExtension = 1L << 12,
  canMovieImportPartial = 1L << 13,
  hasMovieImportMIMEList = 1L << 14,
  canMovieExportFromProcedures = 1L << 15,
  canMovieExportValidateMovie = 1L << 16,
  movieExportNeedsResourceFork = 1L << 17,
  canMovieImportDataReferences = 1L << 18,
  movieExportMustGetSourceMediaType = 1L << 19,
  canMovieImportValidateDataReferences = 1L << 21
};

/* componentFlags of a video output that lists shown to users leave out. */
enum { kQTVideoOutputDontDisplayToUser = 1L << 0 };

typedef ComponentInstance MovieImportComponent;
typedef ComponentInstance MovieExportComponent;
typedef ComponentInstance VideoDigitizerComponent;
typedef ComponentInstance QTVideoOutputComponent;

/* TimeCodeDef flags. */
enum {
  tcDropFrame = 1L << 0,  /* frames are dropped to keep up with 29.97 fps */
  tc24HourMax = 1L << 1,  /* hours wrap at 24 */
  tcNegTimesOK = 1L << 2, /* negative times are allowed */
  tcCounter = 1L << 3     /* records are counters, not times */
};

/* Handler display flags. */
enum { tcdfShowTimeCode = 1L << 0 };

/* The minutes field of a negative time carries this bit. */
enum { tctNegFlag = 0x80 };

#pragma pack(push, 2)
typedef struct TimeCodeDef {
  SInt32 flags;         /* tc... */
  TimeScale fTimeScale; /* units per second of frameDuration */
  TimeValue frameDuration;
  UInt8 numFrames; /* frames per second (per counter step) */
  UInt8 padding;
} TimeCodeDef;

typedef struct TimeCodeTime {
  UInt8 hours;
  UInt8 minutes; /* tctNegFlag marks a negative time */
  UInt8 seconds;
  UInt8 frames;
} TimeCodeTime;

typedef union TimeCodeRecord {
  TimeCodeTime t;
  SInt32 c; /* counter, with tcCounter */
} TimeCodeRecord;

/* 38 bytes, then the source's user data atoms when it has any. */
typedef struct TimeCodeDescription {
  SInt32 descSize;
  OSType dataFormat; /* 'tmcd' */
  SInt32 resvd1;
  SInt16 resvd2;
  SInt16 dataRefIndex;
  SInt32 flags; /* reserved, 0 */
  TimeCodeDef timeCodeDef;
  SInt32 srcRef[1];
} TimeCodeDescription;

/* How the handler draws time codes: 20 bytes. */
typedef struct TCTextOptions {
  SInt16 txFont;
  SInt16 txFace;
  SInt16 txSize;
  SInt16 pad;
  RGBColor foreColor;
  RGBColor backColor;
} TCTextOptions;
#pragma pack(pop)

typedef TimeCodeDescription* TimeCodeDescriptionPtr;
typedef TimeCodeDescriptionPtr* TimeCodeDescriptionHandle;
typedef TCTextOptions* TCTextOptionsPtr;

/* Calls of the time code media handler. */
enum {
  kTCGetCurrentTimeCodeSelect = 0x0101,
  kTCGetTimeCodeAtTimeSelect = 0x0102,
  kTCTimeCodeToStringSelect = 0x0103,
  kTCTimeCodeToFrameNumberSelect = 0x0104,
  kTCFrameNumberToTimeCodeSelect = 0x0105,
  kTCGetSourceRefSelect = 0x0106,
  kTCSetSourceRefSelect = 0x0107,
  kTCSetTimeCodeFlagsSelect = 0x0108,
  kTCGetTimeCodeFlagsSelect = 0x0109,
  kTCSetDisplayOptionsSelect = 0x010A,
  kTCGetDisplayOptionsSelect = 0x010B
};

/* The handler's display flags (tcdf...). */
QTML_API long TCGetTimeCodeFlags(MediaHandler mh);
/* Sets the flags in flagsMask to their values in flags. */
QTML_API HandlerError TCSetTimeCodeFlags(MediaHandler mh, long flags, long flagsMask);
QTML_API HandlerError TCGetDisplayOptions(MediaHandler mh, TCTextOptionsPtr textOptions);
QTML_API HandlerError TCSetDisplayOptions(MediaHandler mh, TCTextOptionsPtr textOptions);

/* A new user data (owned by the caller) holding the source information
 * that tcdH carries; empty when it carries none. */
QTML_API HandlerError TCGetSourceRef(MediaHandler mh, TimeCodeDescriptionHandle tcdH,
                                     UserData* srefH);
/* Makes tcdH carry a copy of srefH's items as its source information (the
 * handle is resized), and so every description of the media equal to tcdH
 * in its fixed part. */
QTML_API HandlerError TCSetSourceRef(MediaHandler mh, TimeCodeDescriptionHandle tcdH,
                                     UserData srefH);

/* Conversions between frame numbers and time code records under tcdef.
 * A frame number is a count of frames from time code 00:00:00:00. */
QTML_API HandlerError TCFrameNumberToTimeCode(MediaHandler mh, SInt32 frameNumber,
                                              TimeCodeDef* tcdef, TimeCodeRecord* tcrec);
QTML_API HandlerError TCTimeCodeToFrameNumber(MediaHandler mh, TimeCodeDef* tcdef,
                                              TimeCodeRecord* tcrec, SInt32* frameNumber);
/* "hh:mm:ss:ff" ("hh;mm;ss;ff" with drop frames, a leading '-' when
 * negative), or the counter's digits, as a Pascal string. */
QTML_API HandlerError TCTimeCodeToString(MediaHandler mh, TimeCodeDef* tcdef, TimeCodeRecord* tcrec,
                                         StringPtr tcStr);

/* ------------------------------------------------------------------------
 * Data handlers ('dhlr' components, subtype the data reference type they
 * serve: 'alis', 'url ', 'hndl'). An instance is given a data
 * reference (DataHSetDataRef), opened for reading or writing, and then
 * reads and writes the data the reference names. Only file and handle
 * references are written, and writes go at the end of the data (a gap
 * before them is zero-filled; an offset before the end answers paramErr).
 * Asynchronous requests (a completion routine given) wait until DataHTask
 * runs them; each completion is called with the request's data pointer,
 * its refCon and the result. Results: dataNoDataRef before a reference is
 * set, dataNotOpenForRead / dataNotOpenForWrite when not opened,
 * dataAlreadyOpenForWrite, dataAlreadyClosed, eofErr for a read past the
 * end; badComponentInstance for a dead instance, badComponentSelector for
 * an instance of another kind.
 * ------------------------------------------------------------------------ */
enum {
  kDataHCanRead = 1L << 0,
  kDataHSpecialRead = 1L << 1,
  kDataHSpecialReadFile = 1L << 2,
  kDataHCanWrite = 1L << 3,
  kDataHSpecialWrite = 1L << 4,
  kDataHSpecialWriteFile = 1L << 5,
  kDataHCanStreamingWrite = 1L << 6,
  kDataHMustCheckDataRef = 1L << 7
};

typedef ComponentInstance DataHandler;

/* Data handler calls. */
enum {
  kDataHGetDataSelect = 0x0002,
  kDataHPutDataSelect = 0x0003,
  kDataHFlushDataSelect = 0x0004,
  kDataHOpenForWriteSelect = 0x0005,
  kDataHCloseForWriteSelect = 0x0006,
  kDataHOpenForReadSelect = 0x0008,
  kDataHCloseForReadSelect = 0x0009,
  kDataHSetDataRefSelect = 0x000A,
  kDataHGetDataRefSelect = 0x000B,
  kDataHCompareDataRefSelect = 0x000C,
  kDataHTaskSelect = 0x000D,
  kDataHScheduleDataSelect = 0x000E,
  kDataHFinishDataSelect = 0x000F,
  kDataHFlushCacheSelect = 0x0010,
  kDataHResolveDataRefSelect = 0x0011,
  kDataHGetFileSizeSelect = 0x0012,
  kDataHCanUseDataRefSelect = 0x0013,
  kDataHGetVolumeListSelect = 0x0014,
  kDataHWriteSelect = 0x0015,
  kDataHPreextendSelect = 0x0016,
  kDataHSetFileSizeSelect = 0x0017,
  kDataHGetFreeSpaceSelect = 0x0018,
  kDataHCreateFileSelect = 0x0019,
  kDataHGetPreferredBlockSizeSelect = 0x001A,
  kDataHGetDeviceIndexSelect = 0x001B,
  kDataHIsStreamingDataHandlerSelect = 0x001C,
  kDataHGetDataInBufferSelect = 0x001D,
  kDataHGetScheduleAheadTimeSelect = 0x001E,
  kDataHSetCacheSizeLimitSelect = 0x001F,
  kDataHGetCacheSizeLimitSelect = 0x0020,
  kDataHGetMovieSelect = 0x0021,
  kDataHAddMovieSelect = 0x0022,
  kDataHUpdateMovieSelect = 0x0023,
  kDataHDoesBufferSelect = 0x0024,
  kDataHGetFileNameSelect = 0x0025,
  kDataHGetAvailableFileSizeSelect = 0x0026,
  kDataHGetMacOSFileTypeSelect = 0x0027,
  kDataHGetMIMETypeSelect = 0x0028,
  kDataHSetDataRefWithAnchorSelect = 0x0029,
  kDataHGetDataRefWithAnchorSelect = 0x002A,
  kDataHSetMacOSFileTypeSelect = 0x002B,
  kDataHSetTimeBaseSelect = 0x002C,
  kDataHGetInfoFlagsSelect = 0x002D,
  kDataHScheduleData64Select = 0x002E,
  kDataHWrite64Select = 0x002F,
  kDataHGetFileSize64Select = 0x0030,
  kDataHPreextend64Select = 0x0031,
  kDataHSetFileSize64Select = 0x0032,
  kDataHGetFreeSpace64Select = 0x0033,
  kDataHAppend64Select = 0x0034,
  kDataHReadAsyncSelect = 0x0035,
  kDataHPollReadSelect = 0x0036,
  kDataHGetDataAvailabilitySelect = 0x0037,
  kDataHGetFileSizeAsyncSelect = 0x003A,
  kDataHSetTimeHintsSelect = 0x0111
};
typedef void (*DataHCompletionProcPtr)(Ptr request, long refcon, OSErr err);
typedef DataHCompletionProcPtr DataHCompletionUPP;

/* A copy of the reference is kept; setting one closes what was open and
 * drops waiting requests. */
QTML_API ComponentResult DataHSetDataRef(DataHandler dh, Handle dataRef);
/* A copy of the reference, owned by the caller. */
QTML_API ComponentResult DataHGetDataRef(DataHandler dh, Handle* dataRef);
QTML_API ComponentResult DataHCanUseDataRef(DataHandler dh, Handle dataRef, long* useFlags);
QTML_API ComponentResult DataHOpenForRead(DataHandler dh);
QTML_API ComponentResult DataHCloseForRead(DataHandler dh);
QTML_API ComponentResult DataHOpenForWrite(DataHandler dh);
QTML_API ComponentResult DataHCloseForWrite(DataHandler dh);
/* The size of the data; the reference is opened for the question when the
 * instance is not open. */
QTML_API ComponentResult DataHGetFileSize(DataHandler dh, long* fileSize);
QTML_API ComponentResult DataHGetFileSize64(DataHandler dh, wide* fileSize);
QTML_API ComponentResult DataHGetPreferredBlockSize(DataHandler dh, long* blockSize);
/* Reads size bytes at offset into the handle's bytes from hOffset. */
QTML_API ComponentResult DataHGetData(DataHandler dh, Handle h, long hOffset, long offset,
                                      long size);
/* Appends size bytes of the handle from hOffset; *offset says where. */
QTML_API ComponentResult DataHPutData(DataHandler dh, Handle h, long hOffset, long* offset,
                                      long size);
/* With a nil completion the read is done at once. */
QTML_API ComponentResult DataHReadAsync(DataHandler dh, void* dataPtr, UInt32 dataSize,
                                        const wide* dataOffset, DataHCompletionUPP completion,
                                        long refCon);
/* With a nil completion the write is done at once. */
QTML_API ComponentResult DataHWrite(DataHandler dh, Ptr data, long offset, long size,
                                    DataHCompletionUPP completion, long refCon);
/* Runs the requests waiting when it is called. */
QTML_API ComponentResult DataHTask(DataHandler dh);
/* Accepted; all data is local. */
QTML_API ComponentResult DataHSetTimeHints(DataHandler dh, long flags, long bandwidthPriority,
                                           TimeScale scale, TimeValue minTime, TimeValue maxTime);
/* ------------------------------------------------------------------------ */

/* ------------------------------------------------------------------------
 * Standard compression ('scdi'): a component that keeps compression
 * settings, lets the user choose them in its dialog and compresses with
 * them through the Image Compression Manager. Subtype 'imag' holds image
 * settings (spatial, temporal, data rate) and compresses images and
 * image sequences; subtype 'soun' holds sound settings (compression
 * type, rate, sample size, channels) for the sound compressors.
 *
 * The dialogs answer from the test controls' queue of dialog answers
 * (QTMLTestControls.h): no answer or a nil one cancels (scUserCancelled),
 * "" accepts the settings as they are, and "name=value ..." accepts them
 * changed as the words say (see QTMLTest_QueueDialogAnswer).
 *
 * Settings as an atom container (SCGetSettingsAsAtomContainer): for
 * 'imag' the root holds 'sptl', 'tprl' and 'drat' atoms, each the
 * matching SC...Settings record big-endian with 32-bit longs and the
 * codec field 0 (14, 12 and 16 bytes), and, when an image size was set, an
 * 'isiz' atom whose children 'iwdt' and 'ihgt' hold the width and height
 * as Fixed. For 'soun' the root holds one 'soun' atom with the children
 * 'ssct' (the compression type, 4 bytes), 'ssrt' (the sample rate,
 * unsigned 16.16), 'ssss' (bits a sample, 2 bytes) and 'sscc' (channels,
 * 2 bytes).
 *
 * Results: badComponentInstance for an instance that is not live,
 * badComponentSelector for a call the subtype does not answer, paramErr
 * for a missing argument or a value out of range, scTypeNotFoundErr for
 * an information type the component does not keep, noCodecErr for a
 * compression type nothing here compresses.
 * ------------------------------------------------------------------------ */
enum {
  StandardCompressionType = 'scdi',
  StandardCompressionSubType = 'imag',
  StandardCompressionSubTypeSound = 'soun'
};

/* Preference flags (scPreferenceFlagsType): what the dialog offers. */
enum {
  scListEveryCodec = 1L << 1,        /* every compressor, not one per type */
  scAllowZeroFrameRate = 1L << 2,    /* a frame rate of 0: every source frame */
  scAllowZeroKeyFrameRate = 1L << 3, /* a key frame rate of 0: no forced key frames */
  scShowBestDepth = 1L << 4,         /* a depth of 0: the best the codec stores */
  scUseMovableModal = 1L << 5,       /* a movable dialog */
  scDisableFrameRateItem = 1L << 6,  /* the frame rate cannot be changed */
  scShowDataRateAsKilobits = 1L << 7 /* data rates shown in kilobits */
};

/* SCSetTestImagePixMap flags. */
enum {
  scPreferCropping = 1L << 0,
  scPreferScaling = 1L << 1,
  scPreferScalingAndCropping = scPreferCropping | scPreferScaling,
  scDontDetermineSettingsFromTestImage = 1L << 2
};
enum { scTestImageWidth = 80, scTestImageHeight = 80 };

/* The dialog's answer when the user cancels: not an error. */
enum { scUserCancelled = 1 };

/* Information types of SCGetInfo and SCSetInfo, and what infoPtr points
 * at. */
enum {
  scSpatialSettingsType = 'sptl',  /* SCSpatialSettings */
  scTemporalSettingsType = 'tprl', /* SCTemporalSettings */
  scDataRateSettingsType = 'drat', /* SCDataRateSettings */
  scProgressProcType = 'prog',     /* ICMProgressProcRecord */
  scPreferenceFlagsType = 'pref',  /* long */
  scSequenceIDType = 'sequ',       /* ImageSequence (read only) */
  scCodecFlagsType = 'cflg',       /* CodecFlags */
  scSoundCompressionType = 'ssct', /* OSType */
  scSoundSampleRateType = 'ssrt',  /* UnsignedFixed */
  scSoundSampleSizeType = 'ssss',  /* short */
  scSoundChannelCountType = 'sscc' /* short */
};

/* Settings atoms of a video size (in an 'imag' container). */
enum {
  kQTSettingsVideoSize = 'isiz',
  kQTSettingsImageWidth = 'iwdt',
  kQTSettingsImageHeight = 'ihgt'
};

typedef struct SCSpatialSettings {
  CodecType codecType;  /* the compressor's type */
  CodecComponent codec; /* 0 (anyCodec) or a compressor of codecType */
  short depth;          /* of the compressed image; 0: the best the codec stores */
  CodecQ spatialQuality;
} SCSpatialSettings;

typedef struct SCTemporalSettings {
  CodecQ temporalQuality; /* 0: every frame a key frame */
  Fixed frameRate;        /* frames a second; 0: every source frame */
  long keyFrameRate;      /* most frames from one key frame to the next; 0: the codec's choice */
} SCTemporalSettings;

typedef struct SCDataRateSettings {
  long dataRate;      /* bytes a second; 0: no limit */
  long frameDuration; /* milliseconds of the frame about to be compressed */
  CodecQ minSpatialQuality;
  CodecQ minTemporalQuality;
} SCDataRateSettings;

/* SCGetInfo / SCSetInfo. Setting checks the value as the dialog would:
 * a codec nothing compresses answers noCodecErr, a depth, quality, rate,
 * sample size or channel count out of range paramErr. A progress record
 * with a nil procedure (or a nil infoPtr for 'prog') removes the
 * procedure; (ICMProgressUPP)-1 asks for the default progress display,
 * a bar on standard error while it is a terminal. */
QTML_API ComponentResult SCGetInfo(ComponentInstance ci, OSType infoType, void* info);
QTML_API ComponentResult SCSetInfo(ComponentInstance ci, OSType infoType, void* info);

/* A new container (owned by the caller) holding the settings. */
QTML_API ComponentResult SCGetSettingsAsAtomContainer(ComponentInstance ci,
                                                      QTAtomContainer* settings);
/* Takes the settings the container holds (a setting it leaves out stays
 * as it is); paramErr for an atom of the wrong size, and then nothing
 * changes. */
QTML_API ComponentResult SCSetSettingsFromAtomContainer(ComponentInstance ci,
                                                        QTAtomContainer settings);
/* A new handle (owned by the caller) holding the settings as readable
 * text, lines ended by '\n', without a terminating NUL. */
QTML_API ComponentResult SCGetSettingsAsText(ComponentInstance ci, Handle* text);

/* The compression dialogs. The image dialog offers the compressor, depth
 * and quality; the sequence dialog adds frame rate, key frames, temporal
 * quality and data rate. The preference flags decide which values are
 * offered. With a test image set, the image is compressed with the
 * settings chosen before they are taken, and its error refuses them.
 * noErr when the user accepts, scUserCancelled when the user cancels
 * (the settings are then as they were). The 'soun' component's image
 * dialog is its sound settings dialog. */
QTML_API ComponentResult SCRequestImageSettings(ComponentInstance ci);
QTML_API ComponentResult SCRequestSequenceSettings(ComponentInstance ci);

/* The image the dialog previews (nil: none): a copy of the testRect part
 * (nil: all) of the pixel map is kept. Unless testFlags has
 * scDontDetermineSettingsFromTestImage, the depth is set from it as
 * SCDefaultPixMapSettings would. */
QTML_API ComponentResult SCSetTestImagePixMap(ComponentInstance ci, PixMapHandle testPixMap,
                                              const Rect* testRect, short testFlags);
/* Settings fitting the pixel map: the depth of its pixels (24 for 32-bit
 * ones with codecs that store no alpha) and, with motion, a temporal
 * quality of codecNormalQuality. */
QTML_API ComponentResult SCDefaultPixMapSettings(ComponentInstance ci, PixMapHandle src,
                                                 Boolean motion);
/* Moves the rectangle to the middle of the main screen; where (may be
 * nil) receives its new top-left corner. */
QTML_API ComponentResult SCPositionRect(ComponentInstance ci, Rect* rp, Point* where);

/* Compresses the srcRect part (nil: all) of the pixel map with the
 * spatial settings into new handles, owned by the caller: the image's
 * description (its dataSize the bytes of the data) and its data. The
 * progress procedure is told codecProgressOpen, then
 * codecProgressUpdatePercent with 0 and with 1.0 (0x10000), then
 * codecProgressClose; a procedure that answers an error stops the work
 * with codecAbortErr. */
QTML_API ComponentResult SCCompressImage(ComponentInstance ci, PixMapHandle src,
                                         const Rect* srcRect, ImageDescriptionHandle* desc,
                                         Handle* data);

/* A compression sequence with the spatial, temporal and codec-flag
 * settings, of frames the size of srcRect (nil: the pixel map's bounds).
 * *desc (may be nil) receives the frames' description, which the
 * component owns until SCCompressSequenceEnd. A sequence already begun
 * is ended first. */
QTML_API ComponentResult SCCompressSequenceBegin(ComponentInstance ci, PixMapHandle src,
                                                 const Rect* srcRect, ImageDescriptionHandle* desc);
/* Compresses one frame. *data is a handle the component owns, valid
 * until the next frame or the end; *dataSize its bytes; *notSyncFlag
 * (may be nil) is mediaSampleNotSync for a frame that is not a key frame,
 * else 0. With a data rate and a frame duration set, each frame has
 * dataRate × frameDuration ÷ 1000 bytes: after a frame larger than that
 * the next is compressed at a lower quality (never below the minimum
 * qualities), after one of less than half of it at a higher quality, up to
 * the settings' (SetCSequenceQuality: the codecs steered by a quantiser
 * follow). paramErr before a sequence was begun. */
QTML_API ComponentResult SCCompressSequenceFrame(ComponentInstance ci, PixMapHandle src,
                                                 const Rect* srcRect, Handle* data, long* dataSize,
                                                 short* notSyncFlag);
/* Ends the sequence and disposes of its description and data; paramErr
 * when none was begun. */
QTML_API ComponentResult SCCompressSequenceEnd(ComponentInstance ci);

/* Calls of the standard compression components. */
enum {
  kSCPositionRectSelect = 0x0002,
  kSCSetTestImagePixMapSelect = 0x0006,
  kSCRequestImageSettingsSelect = 0x000A,
  kSCCompressImageSelect = 0x000B,
  kSCRequestSequenceSettingsSelect = 0x000E,
  kSCCompressSequenceBeginSelect = 0x000F,
  kSCCompressSequenceFrameSelect = 0x0010,
  kSCCompressSequenceEndSelect = 0x0011,
  kSCDefaultPixMapSettingsSelect = 0x0014,
  kSCGetInfoSelect = 0x0015,
  kSCSetInfoSelect = 0x0016,
  kSCGetSettingsAsTextSelect = 0x001C,
  kSCGetSettingsAsAtomContainerSelect = 0x001D,
  kSCSetSettingsFromAtomContainerSelect = 0x001E
};
/* ------------------------------------------------------------------------ */

/* ------------------------------------------------------------------------
 * Graphics exporters ('grex' components, ImageCompression.h; subtype the
 * format written: 'BMPf', 'JPEG', 'PNGf', 'TIFF', 'PICT', '8BPS', '.SGI',
 * 'TPIC', 'qtif'). The base exporter (subtype 'base', flagged
 * graphicsExporterIsBaseExporter) writes nothing itself. An instance is
 * given one input (a GWorld, pixel map, picture, graphics importer, image
 * file, or handle or pointer of image data with its description) and one
 * output (a file, a data reference or a handle), then GraphicsExportDoExport
 * writes the image; inputs and outputs are borrowed until replaced. An
 * image file's input is read when the export needs it.
 *
 * Settings, as an atom container (GraphicsExportGetSettingsAsAtomContainer)
 * hold one root atom per setting, values big-endian: 'dpth' depth (4
 * bytes), 'qual' CodecQ (4), 'hres' and 'vres' Fixed (4), 'tsiz' target
 * data size (4), 'cmth' compression method (4), 'ilac' interlace style
 * (4), 'dnrc' don't recompress (1), 'exif' Exif on (1), 'thmb' thumbnail
 * on (1) then its largest width and height (4 each). A container without
 * an atom leaves that setting as it is.
 *
 * Depths: 24 (RGB), 32 (RGB with alpha; not JPEG), 40 (256 greys) and 16
 * (BMP only), each where the format keeps it; 0 asks for the exporter's
 * choice: 32 for an input with transparent pixels where the format keeps
 * alpha, else 24. Quality applies to JPEG (and to QuickTime Image's
 * compressor); a target data size makes JPEG choose the best quality
 * whose file fits (the lowest when none does). Resolution is written
 * where the format has a field for it (JPEG, PNG, TIFF, BMP, Photoshop).
 * Compression methods: TIFF kQTTIFFCompression_None, _PackBits (the
 * default), _LZW; SGI and Targa 0 (none) or 1 (run-length, the default);
 * QuickTime Image the codec type of its image data ('jpeg' by default).
 * JPEG exporters write Exif (an APP1 segment holding resolution and, when
 * thumbnails are on, a JPEG thumbnail at most the largest size, 160 by 120
 * when 0 is given); PNG and JPEG exporters write metadata from user data
 * ('©nam' Title, '©cpy' Copyright, '©inf' Description, '©aut' Author,
 * '©cmt' Comment, as text chunks or comment segments).
 *
 * With "don't recompress" set, an input that is already image data of the
 * exporter's format (an image file, a graphics importer's file, or data
 * with its description) is written as it is.
 *
 * The settings dialog (GraphicsExportRequestSettings) takes the oldest
 * answer of the test controls' dialog queue: nil cancels
 * (userCanceledErr); otherwise the text is "name=value" pairs separated
 * by commas setting what the dialog shows (depth, quality, hres, vres,
 * size, method, exif, thumbnail), an empty text accepting it as it is.
 *
 * Calls answer badComponentInstance for a dead instance,
 * badComponentSelector for one that does not implement the call, paramErr
 * for nil out arguments or values the exporter does not take, and
 * GraphicsExportDoExport: paramErr without an input or output,
 * cantFindHandler for the base exporter, codecErr for data the encoder
 * refuses, the file's errors; a progress procedure answering an error
 * stops the export with it, leaving no file.
 * ------------------------------------------------------------------------ */
typedef ComponentInstance GraphicsExportComponent;
typedef OSErr (*ModalFilterYDProcPtr)(void* theDialog, void* theEvent, short* itemHit,
                                      void* yourDataPtr);
typedef ModalFilterYDProcPtr ModalFilterYDUPP;

enum {
  kQTTIFFCompression_None = 1,
  kQTTIFFCompression_PackBits = 32773,
  kQTTIFFCompression_LZW = 5
};
enum { kQTGraphicsExportThumbnailWidth = 160, kQTGraphicsExportThumbnailHeight = 120 };

enum {
  kGraphicsExportDoExportSelect = 0x0001,
  kGraphicsExportCanTranscodeSelect = 0x0002,
  kGraphicsExportDoTranscodeSelect = 0x0003,
  kGraphicsExportGetDefaultFileTypeAndCreatorSelect = 0x0007,
  kGraphicsExportGetDefaultFileNameExtensionSelect = 0x0008,
  kGraphicsExportGetMIMETypeListSelect = 0x0009,
  kGraphicsExportRequestSettingsSelect = 0x000B,
  kGraphicsExportSetSettingsFromAtomContainerSelect = 0x000C,
  kGraphicsExportGetSettingsAsAtomContainerSelect = 0x000D,
  kGraphicsExportGetSettingsAsTextSelect = 0x000E,
  kGraphicsExportSetDontRecompressSelect = 0x000F,
  kGraphicsExportGetDontRecompressSelect = 0x0010,
  kGraphicsExportSetInterlaceStyleSelect = 0x0011,
  kGraphicsExportGetInterlaceStyleSelect = 0x0012,
  kGraphicsExportSetMetaDataSelect = 0x0013,
  kGraphicsExportGetMetaDataSelect = 0x0014,
  kGraphicsExportSetTargetDataSizeSelect = 0x0015,
  kGraphicsExportGetTargetDataSizeSelect = 0x0016,
  kGraphicsExportSetCompressionMethodSelect = 0x0017,
  kGraphicsExportGetCompressionMethodSelect = 0x0018,
  kGraphicsExportSetCompressionQualitySelect = 0x0019,
  kGraphicsExportGetCompressionQualitySelect = 0x001A,
  kGraphicsExportSetResolutionSelect = 0x001B,
  kGraphicsExportGetResolutionSelect = 0x001C,
  kGraphicsExportSetDepthSelect = 0x001D,
  kGraphicsExportGetDepthSelect = 0x001E,
  kGraphicsExportSetProgressProcSelect = 0x0023,
  kGraphicsExportGetProgressProcSelect = 0x0024,
  kGraphicsExportSetInputDataReferenceSelect = 0x0025,
  kGraphicsExportSetInputFileSelect = 0x0027,
  kGraphicsExportGetInputFileSelect = 0x0028,
  kGraphicsExportSetInputHandleSelect = 0x0029,
  kGraphicsExportGetInputHandleSelect = 0x002A,
  kGraphicsExportSetInputPtrSelect = 0x002B,
  kGraphicsExportSetInputGraphicsImporterSelect = 0x002D,
  kGraphicsExportGetInputGraphicsImporterSelect = 0x002E,
  kGraphicsExportSetInputPictureSelect = 0x002F,
  kGraphicsExportGetInputPictureSelect = 0x0030,
  kGraphicsExportSetInputGWorldSelect = 0x0031,
  kGraphicsExportGetInputGWorldSelect = 0x0032,
  kGraphicsExportSetInputPixmapSelect = 0x0033,
  kGraphicsExportGetInputPixmapSelect = 0x0034,
  kGraphicsExportGetInputImageDimensionsSelect = 0x003B,
  kGraphicsExportGetInputImageDepthSelect = 0x003C,
  kGraphicsExportSetOutputDataReferenceSelect = 0x003E,
  kGraphicsExportGetOutputDataReferenceSelect = 0x003F,
  kGraphicsExportSetOutputFileSelect = 0x0040,
  kGraphicsExportGetOutputFileSelect = 0x0041,
  kGraphicsExportSetOutputHandleSelect = 0x0042,
  kGraphicsExportGetOutputHandleSelect = 0x0043,
  kGraphicsExportSetOutputFileTypeAndCreatorSelect = 0x0046,
  kGraphicsExportGetOutputFileTypeAndCreatorSelect = 0x0047,
  kGraphicsExportSetThumbnailEnabledSelect = 0x004C,
  kGraphicsExportGetThumbnailEnabledSelect = 0x004D,
  kGraphicsExportSetExifEnabledSelect = 0x004E,
  kGraphicsExportGetExifEnabledSelect = 0x004F
};

/* Writes the image; *actualSizeWritten (may be nil) the bytes written. A
 * file is created or replaced, with the output file type and creator. A
 * handle is resized to the image. */
QTML_API ComponentResult GraphicsExportDoExport(GraphicsExportComponent ci,
                                                unsigned long* actualSizeWritten);
/* Whether the input can be written without recompressing it, and that
 * write. */
QTML_API ComponentResult GraphicsExportCanTranscode(GraphicsExportComponent ci,
                                                    Boolean* canTranscode);
QTML_API ComponentResult GraphicsExportDoTranscode(GraphicsExportComponent ci);
QTML_API ComponentResult GraphicsExportGetDefaultFileTypeAndCreator(GraphicsExportComponent ci,
                                                                    OSType* fileType,
                                                                    OSType* fileCreator);
/* The name extension as a code read left to right, space-padded
 * ('jpg ' for ".jpg"). */
QTML_API ComponentResult GraphicsExportGetDefaultFileNameExtension(GraphicsExportComponent ci,
                                                                   OSType* fileNameExtension);
/* A new atom container (owned by the caller) with one 'mime' atom per
 * MIME type of the format. */
QTML_API ComponentResult GraphicsExportGetMIMETypeList(GraphicsExportComponent ci,
                                                       void* qtAtomContainerPtr);
QTML_API ComponentResult GraphicsExportRequestSettings(GraphicsExportComponent ci,
                                                       ModalFilterYDUPP filterProc,
                                                       void* yourDataProc);
/* qtAtomContainer is a QTAtomContainer; qtAtomContainerPtr a pointer to
 * one, receiving a new container owned by the caller. */
QTML_API ComponentResult GraphicsExportSetSettingsFromAtomContainer(GraphicsExportComponent ci,
                                                                    void* qtAtomContainer);
QTML_API ComponentResult GraphicsExportGetSettingsAsAtomContainer(GraphicsExportComponent ci,
                                                                  void* qtAtomContainerPtr);
/* A new handle (owned by the caller) of text, one setting a line. */
QTML_API ComponentResult GraphicsExportGetSettingsAsText(GraphicsExportComponent ci,
                                                         Handle* theText);
QTML_API ComponentResult GraphicsExportSetDontRecompress(GraphicsExportComponent ci,
                                                         Boolean dontRecompress);
QTML_API ComponentResult GraphicsExportGetDontRecompress(GraphicsExportComponent ci,
                                                         Boolean* dontRecompress);
/* 0 none, 1 interlaced (PNG's Adam7 where the encoder has it). */
QTML_API ComponentResult GraphicsExportSetInterlaceStyle(GraphicsExportComponent ci,
                                                         unsigned long interlaceStyle);
QTML_API ComponentResult GraphicsExportGetInterlaceStyle(GraphicsExportComponent ci,
                                                         unsigned long* interlaceStyle);
/* userData is a UserData: its items are copied in (Set), or the items kept
 * are added to it (Get). */
QTML_API ComponentResult GraphicsExportSetMetaData(GraphicsExportComponent ci, void* userData);
QTML_API ComponentResult GraphicsExportGetMetaData(GraphicsExportComponent ci, void* userData);
/* 0: no target. */
QTML_API ComponentResult GraphicsExportSetTargetDataSize(GraphicsExportComponent ci,
                                                         unsigned long targetDataSize);
QTML_API ComponentResult GraphicsExportGetTargetDataSize(GraphicsExportComponent ci,
                                                         unsigned long* targetDataSize);
QTML_API ComponentResult GraphicsExportSetCompressionMethod(GraphicsExportComponent ci,
                                                            long compressionMethod);
QTML_API ComponentResult GraphicsExportGetCompressionMethod(GraphicsExportComponent ci,
                                                            long* compressionMethod);
QTML_API ComponentResult GraphicsExportSetCompressionQuality(GraphicsExportComponent ci,
                                                             CodecQ spatialQuality);
QTML_API ComponentResult GraphicsExportGetCompressionQuality(GraphicsExportComponent ci,
                                                             CodecQ* spatialQuality);
/* Dots an inch; 72 until set. */
QTML_API ComponentResult GraphicsExportSetResolution(GraphicsExportComponent ci,
                                                     Fixed horizontalResolution,
                                                     Fixed verticalResolution);
QTML_API ComponentResult GraphicsExportGetResolution(GraphicsExportComponent ci,
                                                     Fixed* horizontalResolution,
                                                     Fixed* verticalResolution);
QTML_API ComponentResult GraphicsExportSetDepth(GraphicsExportComponent ci, long depth);
QTML_API ComponentResult GraphicsExportGetDepth(GraphicsExportComponent ci, long* depth);
/* Called with codecProgressOpen, ...UpdatePercent and ...Close while an
 * export runs; nil: none; (ICMProgressProcRecordPtr)-1, or a record whose
 * procedure is (ICMProgressUPP)-1: the default display (a bar on standard
 * error when it is a terminal). */
QTML_API ComponentResult GraphicsExportSetProgressProc(GraphicsExportComponent ci,
                                                       ICMProgressProcRecordPtr progressProc);
QTML_API ComponentResult GraphicsExportGetProgressProc(GraphicsExportComponent ci,
                                                       ICMProgressProcRecordPtr progressProc);
QTML_API ComponentResult GraphicsExportSetInputDataReference(GraphicsExportComponent ci,
                                                             Handle dataRef, OSType dataRefType,
                                                             ImageDescriptionHandle desc);
/* An image file; desc (may be nil) is not used: the file tells its
 * format. */
QTML_API ComponentResult GraphicsExportSetInputFile(GraphicsExportComponent ci,
                                                    const FSSpec* theFile,
                                                    ImageDescriptionHandle desc);
QTML_API ComponentResult GraphicsExportGetInputFile(GraphicsExportComponent ci, FSSpec* theFile);
/* Image data described by desc (both borrowed). */
QTML_API ComponentResult GraphicsExportSetInputHandle(GraphicsExportComponent ci, Handle h,
                                                      ImageDescriptionHandle desc);
QTML_API ComponentResult GraphicsExportGetInputHandle(GraphicsExportComponent ci, Handle* h);
QTML_API ComponentResult GraphicsExportSetInputPtr(GraphicsExportComponent ci, Ptr p,
                                                   unsigned long size, ImageDescriptionHandle desc);
QTML_API ComponentResult GraphicsExportSetInputGraphicsImporter(GraphicsExportComponent ci,
                                                                GraphicsImportComponent grip);
QTML_API ComponentResult GraphicsExportGetInputGraphicsImporter(GraphicsExportComponent ci,
                                                                GraphicsImportComponent* grip);
QTML_API ComponentResult GraphicsExportSetInputPicture(GraphicsExportComponent ci,
                                                       PicHandle picture);
QTML_API ComponentResult GraphicsExportGetInputPicture(GraphicsExportComponent ci,
                                                       PicHandle* picture);
QTML_API ComponentResult GraphicsExportSetInputGWorld(GraphicsExportComponent ci, GWorldPtr gworld);
QTML_API ComponentResult GraphicsExportGetInputGWorld(GraphicsExportComponent ci,
                                                      GWorldPtr* gworld);
QTML_API ComponentResult GraphicsExportSetInputPixmap(GraphicsExportComponent ci,
                                                      PixMapHandle pixmap);
QTML_API ComponentResult GraphicsExportGetInputPixmap(GraphicsExportComponent ci,
                                                      PixMapHandle* pixmap);
/* The input's size at (0, 0), and its depth (32 with transparent pixels,
 * else 24). paramErr without an input. */
QTML_API ComponentResult GraphicsExportGetInputImageDimensions(GraphicsExportComponent ci,
                                                               Rect* dimensions);
QTML_API ComponentResult GraphicsExportGetInputImageDepth(GraphicsExportComponent ci,
                                                          long* inputDepth);
/* A file ('alis') or handle ('hndl') data reference (copied). */
QTML_API ComponentResult GraphicsExportSetOutputDataReference(GraphicsExportComponent ci,
                                                              Handle dataRef, OSType dataRefType);
QTML_API ComponentResult GraphicsExportGetOutputDataReference(GraphicsExportComponent ci,
                                                              Handle* dataRef, OSType* dataRefType);
QTML_API ComponentResult GraphicsExportSetOutputFile(GraphicsExportComponent ci,
                                                     const FSSpec* theFile);
QTML_API ComponentResult GraphicsExportGetOutputFile(GraphicsExportComponent ci, FSSpec* theFile);
QTML_API ComponentResult GraphicsExportSetOutputHandle(GraphicsExportComponent ci, Handle h);
QTML_API ComponentResult GraphicsExportGetOutputHandle(GraphicsExportComponent ci, Handle* h);
/* The file type and creator files are written with; the defaults until
 * set. */
QTML_API ComponentResult GraphicsExportSetOutputFileTypeAndCreator(GraphicsExportComponent ci,
                                                                   OSType fileType,
                                                                   OSType fileCreator);
QTML_API ComponentResult GraphicsExportGetOutputFileTypeAndCreator(GraphicsExportComponent ci,
                                                                   OSType* fileType,
                                                                   OSType* fileCreator);
QTML_API ComponentResult GraphicsExportSetThumbnailEnabled(GraphicsExportComponent ci,
                                                           Boolean enableThumbnail,
                                                           long maxThumbnailWidth,
                                                           long maxThumbnailHeight);
QTML_API ComponentResult GraphicsExportGetThumbnailEnabled(GraphicsExportComponent ci,
                                                           Boolean* thumbnailEnabled,
                                                           long* maxThumbnailWidth,
                                                           long* maxThumbnailHeight);
QTML_API ComponentResult GraphicsExportSetExifEnabled(GraphicsExportComponent ci,
                                                      Boolean enableExif);
QTML_API ComponentResult GraphicsExportGetExifEnabled(GraphicsExportComponent ci,
                                                      Boolean* exifEnabled);
/* ------------------------------------------------------------------------ */

/* Graphics exporters call their ICMProgressProcs with the codecProgress
 * messages of ImageCompression.h. */

/* ------------------------------------------------------------------------
 * Movie exporters ('spit' components, subtype the file type written):
 * 'MooV' QuickTime movie (self-contained), 'VfW ' AVI (Motion JPEG video,
 * 16-bit PCM sound), 'mpg4' MPEG-4 (H.264 or MPEG-4 video, AAC sound),
 * 'AIFF' and 'AIFC' (AIFF-C: 'sowt', 'twos', 'ulaw', 'alaw' or 'fl32'
 * sound), 'WAVE', 'ULAW' (a .au file of u-law sound), and 'grex', an
 * image sequence: one image file per frame, numbered "name 001.png" ...,
 * through a graphics exporter ('PNGf' unless the settings choose).
 * Sound exporters write the movie's mixed sound; video is the movie's
 * frames drawn at the movie's box size (or the size the settings give).
 *
 * Settings, as an atom container (MovieExportGetSettingsAsAtomContainer),
 * values big-endian:
 *   'vide' (exporters writing video) with children
 *     'sptl' 14 bytes: codec type, codec (0), depth (2 bytes), spatial
 *            quality; codec types: 'avc1' or 'mp4v' (MPEG-4), 'jpeg'
 *            (AVI), any compressor's type (QuickTime movie: 0 copies the
 *            samples as they are), for an image sequence the graphics
 *            exporter's subtype;
 *     'tprl' 12 bytes: temporal quality, frame rate (Fixed; 0: the
 *            source's), key frame rate;
 *     'drat' 16 bytes: data rate (bytes a second; 0: by quality), frame
 *            duration, minimum spatial and temporal quality;
 *     'isiz' with 'iwdt' and 'ihgt', the frame width and height (Fixed;
 *            0: the movie's box).
 *   'soun' (exporters writing sound) with children 'ssct' (4: format),
 *     'ssrt' (4: sample rate, UnsignedFixed; 0: the source's), 'ssss' (2:
 *     bits a sample) and 'sscc' (2: channels; 0: the source's).
 *   'fast' (QuickTime movie and MPEG-4): present when the movie atom goes
 *     before the media data, for playing while it downloads.
 * Atoms left out of a container keep their values.
 *
 * The settings dialog (MovieExportDoUserDialog) takes the oldest answer
 * of the test controls' dialog queue: nil cancels; else "name=value"
 * pairs separated by commas (codec, quality, depth, fps, keyframes,
 * datarate, width, height, format, rate, bits, channels, fast; codes as
 * four characters), an empty text accepting the settings as they are.
 *
 * Exports call the movie progress procedure set on the exporter
 * (MovieExportSetProgressProc), else the movie's own, with
 * progressOpExportMovie; an error it answers stops the export, leaving no
 * file. Results: invalidMovie, invalidTrack, paramErr for a missing file
 * or a time range outside the movie, noVideoTrackInMovieErr or
 * noSoundTrackInMovieErr when there is nothing of the kind to write,
 * invalidDataRef for a reference of another kind, and the encoder's and file's errors.
 * ------------------------------------------------------------------------ */
enum {
  kQTSettingsVideo = 'vide',
  kQTSettingsSound = 'soun',
  kQTSettingsMovieExportSaveForInternet = 'fast'
};

enum {
  kMovieExportToHandleSelect = 0x0080,
  kMovieExportToFileSelect = 0x0081,
  kMovieExportSetProgressProcSelect = 0x0084,
  kMovieExportDoUserDialogSelect = 0x0086,
  kMovieExportGetCreatorTypeSelect = 0x0087,
  kMovieExportToDataRefSelect = 0x0088,
  kMovieExportValidateSelect = 0x008B,
  kMovieExportGetSettingsAsAtomContainerSelect = 0x008C,
  kMovieExportSetSettingsFromAtomContainerSelect = 0x008D,
  kMovieExportGetFileNameExtensionSelect = 0x008E,
  kMovieExportGetShortFileTypeStringSelect = 0x008F,
  kMovieExportGetSourceMediaTypeSelect = 0x0090
};

/* Writes duration units of the movie from startTime (the whole movie:
 * 0 and GetMovieDuration), or of onlyThisTrack alone, to the file
 * (created or replaced; written aside and put in place whole). */
QTML_API ComponentResult MovieExportToFile(MovieExportComponent ci, const FSSpec* theFile,
                                           Movie theMovie, Track onlyThisTrack, TimeValue startTime,
                                           TimeValue duration);
/* As MovieExportToFile, into a handle (resized) or a file or handle data
 * reference. */
QTML_API ComponentResult MovieExportToHandle(MovieExportComponent ci, Handle dataH, Movie theMovie,
                                             Track onlyThisTrack, TimeValue startTime,
                                             TimeValue duration);
QTML_API ComponentResult MovieExportToDataRef(MovieExportComponent ci, Handle dataRef,
                                              OSType dataRefType, Movie theMovie,
                                              Track onlyThisTrack, TimeValue startTime,
                                              TimeValue duration);
/* nil removes the procedure; (MovieProgressUPP)-1 is the default display. */
QTML_API ComponentResult MovieExportSetProgressProc(MovieExportComponent ci, MovieProgressUPP proc,
                                                    long refcon);
/* theMovie and the range may be nil and 0: they are not needed. */
QTML_API ComponentResult MovieExportDoUserDialog(MovieExportComponent ci, Movie theMovie,
                                                 Track onlyThisTrack, TimeValue startTime,
                                                 TimeValue duration, Boolean* canceled);
QTML_API ComponentResult MovieExportGetCreatorType(MovieExportComponent ci, OSType* creator);
/* Whether the movie (or track) has what the format writes. */
QTML_API ComponentResult MovieExportValidate(MovieExportComponent ci, Movie theMovie,
                                             Track onlyThisTrack, Boolean* valid);
/* A new atom container, owned by the caller. */
QTML_API ComponentResult MovieExportGetSettingsAsAtomContainer(MovieExportComponent ci,
                                                               QTAtomContainer* settings);
QTML_API ComponentResult MovieExportSetSettingsFromAtomContainer(MovieExportComponent ci,
                                                                 QTAtomContainer settings);
/* As a code read left to right, space-padded ('mp4 ', 'avi '). */
QTML_API ComponentResult MovieExportGetFileNameExtension(MovieExportComponent ci,
                                                         OSType* extension);
QTML_API ComponentResult MovieExportGetShortFileTypeString(MovieExportComponent ci,
                                                           Str255 typeString);
/* 'vide' or 'soun' for exporters of one kind of media, 0 otherwise. */
QTML_API ComponentResult MovieExportGetSourceMediaType(MovieExportComponent ci, OSType* mediaType);
/* ------------------------------------------------------------------------ */

QTML_EXTERN_C_END

#endif /* __QUICKTIMECOMPONENTS__ */
