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
 * badComponentSelector; a missing argument answers paramErr.
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

QTML_EXTERN_C_END

#endif /* __QUICKTIMECOMPONENTS__ */
