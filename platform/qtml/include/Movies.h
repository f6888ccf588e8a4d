/*
 * Movies.h: the Movie Toolbox, and QT atom containers.
 *
 * Movie Toolbox calls answer movieToolboxUninitialized until EnterMovies
 * has run; each sets the result that GetMoviesError() answers.
 *
 * A QTAtomContainer is a handle holding exactly the bytes of a QT atom
 * container (big-endian): a 12-byte header (10 reserved bytes, a 16-bit
 * lock count) and the root atom 'sean' with ID 1. Each atom has a 20-byte
 * header (size, type, ID, 2 reserved bytes, 16-bit child count, 4
 * reserved bytes) followed by its children or, for a leaf, its data. A
 * QTAtom is the byte offset of an atom's header in the container, and
 * kParentAtomIsContainer (0) names the root. Offsets of atoms after an
 * inserted or removed one change. A handle holding such bytes copied from
 * anywhere (a file, another container) is a container.
 */
#ifndef __MOVIES__
#define __MOVIES__

#include "Aliases.h"
#include "Components.h"
#include "Events.h"
#include "Files.h"
#include "ImageCompression.h"
#include "MacErrors.h"
#include "MacMemory.h"
#include "MacTypes.h"
#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "TextEdit.h"

QTML_EXTERN_C_BEGIN

typedef Handle QTAtomContainer;
typedef SInt32 QTAtom;
typedef SInt32 QTAtomID;
typedef OSType QTAtomType;

enum { kParentAtomIsContainer = 0 };

/* Movie Toolbox start-up. */
QTML_API OSErr EnterMovies(void);
QTML_API void ExitMovies(void);
QTML_API OSErr GetMoviesError(void);
/* The first error since the sticky error was last cleared. */
QTML_API OSErr GetMoviesStickyError(void);
QTML_API void ClearMoviesStickyError(void);

/* Atom containers. Results as QuickTime's: invalidAtomContainerErr for
 * bytes that are not a container, invalidAtomErr for an atom that is not
 * in it, notLeafAtomErr for data calls on a parent atom. Calls answering
 * an atom, count or type answer 0 on failure and set GetMoviesError. */
QTML_API OSErr QTNewAtomContainer(QTAtomContainer* atomData);
QTML_API OSErr QTDisposeAtomContainer(QTAtomContainer atomData);
/* Inserts a child of parentAtom. id 0 picks the lowest ID not used by a
 * sibling of that type; index 0 appends, index n puts it before the n-th
 * sibling of its type (n may be one past the last). data nil with a
 * non-zero size gives zeroed data. */
QTML_API OSErr QTInsertChild(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType,
                             QTAtomID id, short index, long dataSize, void* data, QTAtom* newAtom);
/* Appends copies of the root's children of childrenContainer. */
QTML_API OSErr QTInsertChildren(QTAtomContainer container, QTAtom parentAtom,
                                QTAtomContainer childrenContainer);
/* The index-th (from 1) child of that type, its ID in *id when asked. */
QTML_API QTAtom QTFindChildByIndex(QTAtomContainer container, QTAtom parentAtom,
                                   QTAtomType atomType, short index, QTAtomID* id);
QTML_API QTAtom QTFindChildByID(QTAtomContainer container, QTAtom parentAtom, QTAtomType atomType,
                                QTAtomID id, short* index);
QTML_API short QTCountChildren(QTAtomContainer container, QTAtom parentAtom);
QTML_API short QTCountChildrenOfType(QTAtomContainer container, QTAtom parentAtom,
                                     QTAtomType childType);
/* The child type after currentChildType in order of first appearance
 * (0: the first type); 0 after the last. */
QTML_API QTAtomType QTGetNextChildType(QTAtomContainer container, QTAtom parentAtom,
                                       QTAtomType currentChildType);
/* A new container (owned by the caller) holding atom and its subtree as
 * the root's only child, or, for kParentAtomIsContainer, a copy of the
 * whole container with its lock count cleared. */
QTML_API OSErr QTCopyAtom(QTAtomContainer container, QTAtom atom, QTAtomContainer* targetContainer);
QTML_API OSErr QTCopyAtomDataToHandle(QTAtomContainer container, QTAtom atom, Handle targetHandle);
/* Copies a leaf's data into ptr. The data must fit in size bytes and,
 * unless sizeOrLessOK, be exactly size bytes (paramErr otherwise). */
QTML_API OSErr QTCopyAtomDataToPtr(QTAtomContainer container, QTAtom atom, Boolean sizeOrLessOK,
                                   long size, void* targetPtr, long* actualSize);
/* A pointer into the container's bytes, valid until it changes or moves
 * (lock the container to keep it from moving). */
QTML_API OSErr QTGetAtomDataPtr(QTAtomContainer container, QTAtom atom, long* dataSize,
                                Ptr* atomData);
QTML_API OSErr QTSetAtomData(QTAtomContainer container, QTAtom atom, long dataSize, void* atomData);
QTML_API OSErr QTGetAtomTypeAndID(QTAtomContainer container, QTAtom atom, QTAtomType* atomType,
                                  QTAtomID* id);
QTML_API OSErr QTRemoveAtom(QTAtomContainer container, QTAtom atom);
QTML_API OSErr QTRemoveChildren(QTAtomContainer container, QTAtom atom);
/* Locking keeps the bytes from moving: a locked container can still
 * change, but growing it may then answer memFullErr. */
QTML_API OSErr QTLockContainer(QTAtomContainer container);
QTML_API OSErr QTUnlockContainer(QTAtomContainer container);

/* Movies. A Movie, Track or Media is an opaque reference the toolbox
 * made; a nil one answers invalidMovie (invalidTrack, invalidMedia). */
typedef SInt32 TimeValue;
typedef SInt32 TimeScale;
typedef SInt64 TimeValue64;
typedef struct MovieType** Movie;
typedef struct TrackType** Track;
typedef struct MediaType** Media;
typedef ComponentInstance MovieController;

enum { newMovieActive = 1L << 0, newMovieDontAskUnresolvedDataRefs = 1L << 2 };
enum { kMovieControllerComponentType = 'play' };

/* A new empty movie (time scale 600), owned by the caller. */
QTML_API Movie NewMovie(long flags);
QTML_API void DisposeMovie(Movie theMovie);
QTML_API TimeValue GetMovieDuration(Movie theMovie);
QTML_API TimeScale GetMovieTimeScale(Movie theMovie);
QTML_API void GetMovieSelection(Movie theMovie, TimeValue* selectionTime,
                                TimeValue* selectionDuration);
QTML_API void SetMovieSelection(Movie theMovie, TimeValue selectionTime,
                                TimeValue selectionDuration);

/* Sample descriptions. A media describes its samples with records that
 * begin with a SampleDescription. In a handle a description holds its
 * fields in the machine's byte order; movie files hold them big-endian
 * (the toolbox converts when media read and write descriptions). Bytes
 * after a record's fixed part (extensions, a font name) follow it
 * unchanged, and descSize counts them. Records use 2-byte packing. */
#pragma pack(push, 2)
typedef struct SampleDescription {
  SInt32 descSize; /* bytes of the record and what follows it */
  OSType dataFormat;
  SInt32 resvd1;
  SInt16 resvd2;
  SInt16 dataRefIndex; /* 1-based into the media's data references */
} SampleDescription;
#pragma pack(pop)
typedef SampleDescription* SampleDescriptionPtr;
typedef SampleDescriptionPtr* SampleDescriptionHandle;

/* A text media's description: 60 bytes, then the default font's name
 * (a Pascal string starting at defaultFontName). */
enum {
  dfDontDisplay = 1L << 0,
  dfDontAutoScale = 1L << 1,
  dfClipToTextBox = 1L << 2,
  dfUseMovieBGColor = 1L << 3,
  dfShrinkTextBoxToFit = 1L << 4,
  dfScrollIn = 1L << 5,
  dfScrollOut = 1L << 6,
  dfHorizScroll = 1L << 7,
  dfReverseScroll = 1L << 8,
  dfContinuousScroll = 1L << 9,
  dfFlowHoriz = 1L << 10,
  dfContinuousKaraoke = 1L << 11,
  dfDropShadow = 1L << 12,
  dfAntiAlias = 1L << 13,
  dfKeyedText = 1L << 14,
  dfInverseHilite = 1L << 15,
  dfTextColorHilite = 1L << 16
};
#pragma pack(push, 2)
typedef struct TextDescription {
  SInt32 descSize;
  OSType dataFormat; /* 'text' */
  SInt32 resvd1;
  SInt16 resvd2;
  SInt16 dataRefIndex;
  SInt32 displayFlags;      /* df... */
  SInt32 textJustification; /* teFlushDefault, teCenter, ... */
  RGBColor bgColor;
  Rect defaultTextBox;
  ScrpSTElement defaultStyle;
  char defaultFontName[1];
} TextDescription;
#pragma pack(pop)
typedef TextDescription* TextDescriptionPtr;
typedef TextDescriptionPtr* TextDescriptionHandle;

/* A media handler instance: GetMediaHandler's answer, owned by its media. */
typedef ComponentInstance MediaHandler;
typedef ComponentResult HandlerError;
/* A list of user data items (movies', tracks' and media's, or a time
 * code source's). */
typedef struct UserDataRecord** UserData;

/* ------------------------------------------------------------------------
 * The Movie Toolbox over movies, tracks and media. Every call below sets
 * GetMoviesError: invalidMovie, invalidTrack or invalidMedia for a nil or
 * unknown reference, paramErr for a bad argument, noErr on success. Calls
 * answering a value answer 0 (nil, false) when they fail.
 *
 * Times: movie time (the movie's time scale) for movies, tracks and edits;
 * media time (the media's time scale) for samples. A track's edit list
 * maps its movie time onto its media's time; a movie lasts as long as its
 * longest track. Creation and modification times are seconds since
 * midnight, January 1, 1904; edits update the modification time and mark
 * the movie changed (HasMovieChanged).
 * ------------------------------------------------------------------------ */
typedef struct TimeBaseRecord* TimeBase;
typedef wide CompTimeValue;

typedef struct TimeRecord {
  CompTimeValue value;
  TimeScale scale;
  TimeBase base;
} TimeRecord;

typedef struct SampleReferenceRecord {
  long dataOffset;
  long dataSize;
  TimeValue durationPerSample;
  long numberOfSamples;
  short sampleFlags;
} SampleReferenceRecord;
typedef SampleReferenceRecord* SampleReferencePtr;

typedef OSErr (*MovieProgressProcPtr)(Movie theMovie, short message, short whatOperation,
                                      Fixed percentDone, long refcon);
typedef MovieProgressProcPtr MovieProgressUPP;

enum { movieProgressOpen = 0, movieProgressUpdatePercent = 1, movieProgressClose = 2 };
enum {
  progressOpFlatten = 1,
  progressOpInsertTrackSegment = 2,
  progressOpInsertMovieSegment = 3,
  progressOpPaste = 4,
  progressOpAddMovieSelection = 5,
  progressOpCopy = 6,
  progressOpCut = 7,
  progressOpLoadMovieIntoRam = 8,
  progressOpLoadTrackIntoRam = 9,
  progressOpLoadMediaIntoRam = 10,
  progressOpImportMovie = 11,
  progressOpExportMovie = 12
};

enum { VideoMediaType = 'vide', SoundMediaType = 'soun', TextMediaType = 'text' };
enum { TimeCodeMediaType = 'tmcd', MusicMediaType = 'musi', MPEGMediaType = 'MPEG' };
enum { VisualMediaCharacteristic = 'eyes', AudioMediaCharacteristic = 'ears' };
enum { MediaHandlerType = 'mhlr', DataHandlerType = 'dhlr' };

enum {
  movieTrackMediaType = 1 << 0,
  movieTrackCharacteristic = 1 << 1,
  movieTrackEnabledOnly = 1 << 2
};
enum { trackUsageInMovie = 1 << 1, trackUsageInPreview = 1 << 2, trackUsageInPoster = 1 << 3 };
enum { mediaSampleNotSync = 1 << 0, mediaSampleShadowSync = 1 << 1 };
enum {
  nextTimeMediaSample = 1 << 0,
  nextTimeMediaEdit = 1 << 1,
  nextTimeTrackEdit = 1 << 2,
  nextTimeSyncSample = 1 << 3,
  nextTimeStep = 1 << 4,
  nextTimeEdgeOK = 1 << 14,
  nextTimeIgnoreActiveSegment = 1 << 15
};
enum { loopTimeBase = 1, palindromeLoopTimeBase = 2, maintainTimeBaseZero = 4 };
enum {
  keepInRam = 1 << 0,
  unkeepInRam = 1 << 1,
  flushFromRam = 1 << 2,
  loadForwardTrackEdits = 1 << 3,
  loadBackwardTrackEdits = 1 << 4
};
enum { movieScrapDontZeroScrap = 1 << 0, movieScrapOnlyPutMovie = 1 << 1 };
enum {
  hintsScrubMode = 1 << 0,
  hintsLoop = 1 << 1,
  hintsDontPurge = 1 << 2,
  hintsPlayingEveryFrame = 1 << 6,
  hintsHighQuality = 1 << 8,
  hintsSingleField = 1 << 20
};

/* Movie properties. SetMovieTimeScale rescales every movie time (edits,
 * selection, poster, preview, current time). The box is the natural bounds
 * (every track's box through its matrix) through the movie's matrix;
 * SetMovieBox changes the matrix so the box becomes the one given. */
QTML_API void SetMovieTimeScale(Movie theMovie, TimeScale timeScale);
QTML_API Fixed GetMoviePreferredRate(Movie theMovie);
QTML_API void SetMoviePreferredRate(Movie theMovie, Fixed rate);
QTML_API short GetMoviePreferredVolume(Movie theMovie);
QTML_API void SetMoviePreferredVolume(Movie theMovie, short volume);
QTML_API Fixed GetMovieRate(Movie theMovie);
QTML_API void SetMovieRate(Movie theMovie, Fixed rate);
QTML_API short GetMovieVolume(Movie theMovie);
QTML_API void SetMovieVolume(Movie theMovie, short volume);
QTML_API void GetMovieMatrix(Movie theMovie, MatrixRecord* matrix);
QTML_API void SetMovieMatrix(Movie theMovie, const MatrixRecord* matrix);
QTML_API void GetMovieBox(Movie theMovie, Rect* boxRect);
QTML_API void SetMovieBox(Movie theMovie, const Rect* boxRect);
QTML_API void GetMovieNaturalBoundsRect(Movie theMovie, Rect* naturalBounds);
/* A new region (owned by the caller) covering the movie's box within its
 * clip region. */
QTML_API RgnHandle GetMovieBoundsRgn(Movie theMovie);
/* A copy of the clip region (owned by the caller), or nil when none. */
QTML_API RgnHandle GetMovieClipRgn(Movie theMovie);
/* Copies the region; nil removes the clip. */
QTML_API void SetMovieClipRgn(Movie theMovie, RgnHandle theClip);
QTML_API Boolean GetMovieActive(Movie theMovie);
QTML_API void SetMovieActive(Movie theMovie, Boolean active);
QTML_API TimeValue GetMoviePosterTime(Movie theMovie);
QTML_API void SetMoviePosterTime(Movie theMovie, TimeValue posterTime);
/* A new picture (owned by the caller) of the movie's frame at `time` (at
 * its poster time), the size of its box, drawn on white as the movie shows
 * it then; nil for a movie with nothing to show (an empty box), and nil
 * with the error for GetMoviesError when the frame cannot be drawn. */
QTML_API PicHandle GetMoviePict(Movie theMovie, TimeValue time);
QTML_API PicHandle GetMoviePosterPict(Movie theMovie);
/* The first error a track that is enabled meets in reaching its data
 * (couldNotResolveDataRef for data that cannot be found) or in
 * decoding its sample descriptions (noCodecErr), and that track in
 * *firstProblemTrack (nil for none; may be nil); noErr when none. */
QTML_API ComponentResult GetMovieStatus(Movie theMovie, Track* firstProblemTrack);
QTML_API void GetMoviePreviewTime(Movie theMovie, TimeValue* previewTime,
                                  TimeValue* previewDuration);
QTML_API void SetMoviePreviewTime(Movie theMovie, TimeValue previewTime, TimeValue previewDuration);
/* The current time; fills currentTime (value, scale, time base) when given. */
QTML_API TimeValue GetMovieTime(Movie theMovie, TimeRecord* currentTime);
/* Moves to the time, pinned to the movie (or its active segment). */
QTML_API void SetMovieTimeValue(Movie theMovie, TimeValue newtime);
QTML_API void SetMovieTime(Movie theMovie, const TimeRecord* newtime);
QTML_API unsigned long GetMovieCreationTime(Movie theMovie);
QTML_API unsigned long GetMovieModificationTime(Movie theMovie);
QTML_API Boolean HasMovieChanged(Movie theMovie);
QTML_API void ClearMovieChanged(Movie theMovie);
QTML_API long GetMovieTrackCount(Movie theMovie);
/* The index-th track (from 1), or nil with badTrackIndex. */
QTML_API Track GetMovieIndTrack(Movie theMovie, long index);
/* The index-th track (from 1) among those of a media type, or with a
 * characteristic ('eyes', 'ears'), optionally only enabled ones. */
QTML_API Track GetMovieIndTrackType(Movie theMovie, long index, OSType trackType, long flags);
/* The track with that ID, or nil with trackIDNotFound. */
QTML_API Track GetMovieTrack(Movie theMovie, long trackID);
/* Remembered for drawing; nil port: the current port. */
QTML_API void SetMovieGWorld(Movie theMovie, CGrafPtr port, GDHandle gdh);
QTML_API void GetMovieGWorld(Movie theMovie, CGrafPtr* port, GDHandle* gdh);
/* Long operations (flattening, inserting, loading) call the procedure with
 * movieProgressOpen, movieProgressUpdatePercent and movieProgressClose.
 * (MovieProgressUPP)-1 asks for the default display; nil removes it. */
QTML_API void SetMovieProgressProc(Movie theMovie, MovieProgressUPP p, long refcon);
/* Copies preferred rate and volume, matrix, clip region and user data. */
QTML_API OSErr CopyMovieSettings(Movie srcMovie, Movie dstMovie);

/* Tracks. A new track has an empty edit list and no media; width and
 * height are its natural size (16.16), volume 8.8 (0 for silent media). */
QTML_API Track NewMovieTrack(Movie theMovie, Fixed width, Fixed height, short trackVolume);
/* Disposes of the track and its media. */
QTML_API void DisposeMovieTrack(Track theTrack);
QTML_API long GetTrackID(Track theTrack);
QTML_API Movie GetTrackMovie(Track theTrack);
QTML_API Media GetTrackMedia(Track theTrack);
QTML_API Boolean GetTrackEnabled(Track theTrack);
QTML_API void SetTrackEnabled(Track theTrack, Boolean isEnabled);
QTML_API long GetTrackUsage(Track theTrack);
QTML_API void SetTrackUsage(Track theTrack, long usage);
QTML_API short GetTrackLayer(Track theTrack);
QTML_API void SetTrackLayer(Track theTrack, short layer);
QTML_API short GetTrackAlternateGroup(Track theTrack);
QTML_API void SetTrackAlternateGroup(Track theTrack, short group);
QTML_API short GetTrackVolume(Track theTrack);
QTML_API void SetTrackVolume(Track theTrack, short volume);
/* The offset is the empty time at the track's start (its leading empty
 * edits); setting it replaces them. */
QTML_API TimeValue GetTrackOffset(Track theTrack);
QTML_API void SetTrackOffset(Track theTrack, TimeValue movieOffsetTime);
QTML_API void GetTrackDimensions(Track theTrack, Fixed* width, Fixed* height);
QTML_API void SetTrackDimensions(Track theTrack, Fixed width, Fixed height);
QTML_API void GetTrackMatrix(Track theTrack, MatrixRecord* matrix);
QTML_API void SetTrackMatrix(Track theTrack, const MatrixRecord* matrix);
QTML_API RgnHandle GetTrackClipRgn(Track theTrack);
QTML_API void SetTrackClipRgn(Track theTrack, RgnHandle theClip);
/* The sum of the edit list's durations, in movie time. */
QTML_API TimeValue GetTrackDuration(Track theTrack);
QTML_API unsigned long GetTrackCreationTime(Track theTrack);
QTML_API unsigned long GetTrackModificationTime(Track theTrack);
/* Copies matrix, clip region, layer, alternate group, volume and the
 * media's graphics mode and sound balance. */
QTML_API OSErr CopyTrackSettings(Track srcTrack, Track dstTrack);

/* Media. NewTrackMedia gives the track its media: samples are written to
 * the data reference given, or with a nil dataRef to the movie's default
 * data reference (a movie without one gets memory of the engine's). */
QTML_API Media NewTrackMedia(Track theTrack, OSType mediaType, TimeScale timeScale, Handle dataRef,
                             OSType dataRefType);
QTML_API void DisposeTrackMedia(Media theMedia);
QTML_API Track GetMediaTrack(Media theMedia);
QTML_API TimeScale GetMediaTimeScale(Media theMedia);
/* Changes the scale only: sample durations keep their values. */
QTML_API void SetMediaTimeScale(Media theMedia, TimeScale timeScale);
QTML_API TimeValue GetMediaDuration(Media theMedia);
QTML_API short GetMediaLanguage(Media theMedia);
QTML_API void SetMediaLanguage(Media theMedia, short language);
QTML_API short GetMediaQuality(Media theMedia);
QTML_API void SetMediaQuality(Media theMedia, short quality);
QTML_API unsigned long GetMediaCreationTime(Media theMedia);
QTML_API unsigned long GetMediaModificationTime(Media theMedia);
/* Any of the out parameters may be nil; creatorName is a Str255. */
QTML_API void GetMediaHandlerDescription(Media theMedia, OSType* mediaType, Str255 creatorName,
                                         OSType* creatorManufacturer);
/* The media's handler: a component instance of type 'mhlr' that the
 * media owns (never close it). */
QTML_API MediaHandler GetMediaHandler(Media theMedia);

/* Media handler calls. Sound calls on media that cannot be heard, and
 * graphics calls on media that cannot be seen, answer badComponentSelector;
 * CallComponentCanDo on a media's handler tells which calls it takes. */
enum {
  kMediaInitializeSelect = 0x0501,
  kMediaSetHandlerCapabilitiesSelect = 0x0502,
  kMediaIdleSelect = 0x0503,
  kMediaGetMediaInfoSelect = 0x0504,
  kMediaPutMediaInfoSelect = 0x0505,
  kMediaSetActiveSelect = 0x0506,
  kMediaSetRateSelect = 0x0507,
  kMediaGGetStatusSelect = 0x0508,
  kMediaTrackEditedSelect = 0x0509,
  kMediaSetMediaTimeScaleSelect = 0x050A,
  kMediaSetMovieTimeScaleSelect = 0x050B,
  kMediaSetGWorldSelect = 0x050C,
  kMediaSetDimensionsSelect = 0x050D,
  kMediaSetClipSelect = 0x050E,
  kMediaSetMatrixSelect = 0x050F,
  kMediaGetTrackOpaqueSelect = 0x0510,
  kMediaSetGraphicsModeSelect = 0x0511,
  kMediaGetGraphicsModeSelect = 0x0512,
  kMediaGSetVolumeSelect = 0x0513,
  kMediaSetSoundBalanceSelect = 0x0514,
  kMediaGetSoundBalanceSelect = 0x0515,
  kMediaGetNextBoundsChangeSelect = 0x0516,
  kMediaGetSrcRgnSelect = 0x0517,
  kMediaPrerollSelect = 0x0518,
  kMediaSampleDescriptionChangedSelect = 0x0519,
  kMediaHasCharacteristicSelect = 0x051A,
  kMediaSetSoundBassAndTrebleSelect = 0x055E,
  kMediaGetSoundBassAndTrebleSelect = 0x055F
};
/* Calls of the text media handler. */
enum {
  kTextMediaSetTextProcSelect = 0x0101,
  kTextMediaAddTextSampleSelect = 0x0102,
  kTextMediaAddTESampleSelect = 0x0103,
  kTextMediaAddHiliteSampleSelect = 0x0104,
  kTextMediaFindNextTextSelect = 0x0105,
  kTextMediaHiliteTextSampleSelect = 0x0106,
  kTextMediaSetTextSampleDataSelect = 0x0107
};
QTML_API ComponentResult MediaHasCharacteristic(MediaHandler mh, OSType characteristic,
                                                Boolean* hasIt);
QTML_API ComponentResult MediaGetGraphicsMode(MediaHandler mh, long* mode, RGBColor* opColor);
QTML_API ComponentResult MediaSetGraphicsMode(MediaHandler mh, long mode, const RGBColor* opColor);
QTML_API ComponentResult MediaGetSoundBalance(MediaHandler mh, short* balance);
QTML_API ComponentResult MediaSetSoundBalance(MediaHandler mh, short balance);
QTML_API ComponentResult MediaGetSoundBassAndTreble(MediaHandler mh, short* bass, short* treble);
QTML_API ComponentResult MediaSetSoundBassAndTreble(MediaHandler mh, short bass, short treble);
/* Adds a text sample to a text media: the text (size bytes, no
 * terminator) in one style, shown in textBox over backColor for duration;
 * a nil colour is black text on white. sampleTime receives its media time. */
QTML_API ComponentResult TextMediaAddTextSample(
    MediaHandler mh, Ptr text, unsigned long size, short fontNumber, short fontSize, Style textFace,
    RGBColor* textColor, RGBColor* backColor, short textJustification, Rect* textBox,
    long displayFlags, TimeValue scrollDelay, short hiliteStart, short hiliteEnd,
    RGBColor* rgbHiliteColor, TimeValue duration, TimeValue* sampleTime);

/* Samples. AddMediaSample appends size bytes of dataIn (from inOffset) to
 * the store of the description's data reference as numberOfSamples equal
 * samples of durationPerSample each; sampleTime receives the media time of
 * the first. A description equal to the last one added is shared. */
QTML_API OSErr BeginMediaEdits(Media theMedia);
QTML_API OSErr EndMediaEdits(Media theMedia);
QTML_API OSErr AddMediaSample(Media theMedia, Handle dataIn, long inOffset, unsigned long size,
                              TimeValue durationPerSample,
                              SampleDescriptionHandle sampleDescriptionH, long numberOfSamples,
                              short sampleFlags, TimeValue* sampleTime);
/* The same for bytes already in the store, at dataOffset. */
QTML_API OSErr AddMediaSampleReference(Media theMedia, long dataOffset, unsigned long size,
                                       TimeValue durationPerSample,
                                       SampleDescriptionHandle sampleDescriptionH,
                                       long numberOfSamples, short sampleFlags,
                                       TimeValue* sampleTime);
QTML_API long GetMediaSampleCount(Media theMedia);
/* The sample at media time `time`: its bytes into dataOut (resized; at
 * most maxSizeToGrow bytes unless 0), its start, duration, description
 * (copied into sampleDescriptionH) and flags. One sample per call. */
QTML_API OSErr GetMediaSample(Media theMedia, Handle dataOut, long maxSizeToGrow, long* size,
                              TimeValue time, TimeValue* sampleTime, TimeValue* durationPerSample,
                              SampleDescriptionHandle sampleDescriptionH,
                              long* sampleDescriptionIndex, long maxNumberOfSamples,
                              long* numberOfSamples, short* sampleFlags);
/* Where the samples from `time` on are stored, one record each. */
QTML_API OSErr GetMediaSampleReferences(Media theMedia, TimeValue time, TimeValue* sampleTime,
                                        SampleDescriptionHandle sampleDescriptionH,
                                        long* sampleDescriptionIndex, long maxNumberOfEntries,
                                        long* actualNumberofEntries, SampleReferencePtr sampleRefs);
/* Sample numbers count from 1. */
QTML_API void SampleNumToMediaTime(Media theMedia, long logicalSampleNum, TimeValue* sampleTime,
                                   TimeValue* sampleDuration);
QTML_API void MediaTimeToSampleNum(Media theMedia, TimeValue time, long* sampleNum,
                                   TimeValue* sampleTime, TimeValue* sampleDuration);
QTML_API long GetMediaSampleDescriptionCount(Media theMedia);
/* Copies description `index` (from 1) into descH, resizing it. */
QTML_API void GetMediaSampleDescription(Media theMedia, long index, SampleDescriptionHandle descH);

/* Edits. trackStart -1 appends at the track's end; a start past the end
 * leaves empty time before the new edit. */
QTML_API OSErr InsertMediaIntoTrack(Track theTrack, TimeValue trackStart, TimeValue mediaTime,
                                    TimeValue mediaDuration, Fixed mediaRate);
/* Inserts a segment of another track (of the same media type); its
 * samples are referenced, not copied, unless the destination media is
 * being edited. */
QTML_API OSErr InsertTrackSegment(Track srcTrack, Track dstTrack, TimeValue srcIn,
                                  TimeValue srcDuration, TimeValue dstIn);
/* Each source track goes into the destination track of the same media
 * type and rank, or into a new track. */
QTML_API OSErr InsertMovieSegment(Movie srcMovie, Movie dstMovie, TimeValue srcIn,
                                  TimeValue srcDuration, TimeValue dstIn);
QTML_API OSErr InsertEmptyTrackSegment(Track dstTrack, TimeValue dstIn, TimeValue dstDuration);
QTML_API OSErr InsertEmptyMovieSegment(Movie dstMovie, TimeValue dstIn, TimeValue dstDuration);
QTML_API OSErr DeleteTrackSegment(Track theTrack, TimeValue startTime, TimeValue duration);
QTML_API OSErr DeleteMovieSegment(Movie theMovie, TimeValue startTime, TimeValue duration);
/* Stretches the segment to newDuration by changing its edits' rates. */
QTML_API OSErr ScaleTrackSegment(Track theTrack, TimeValue startTime, TimeValue oldDuration,
                                 TimeValue newDuration);
QTML_API OSErr ScaleMovieSegment(Movie theMovie, TimeValue startTime, TimeValue oldDuration,
                                 TimeValue newDuration);
/* The media time shown at a track time (-1 in empty time); mediaDuration
 * receives the media time left in that edit. */
QTML_API TimeValue TrackTimeToMediaTime(TimeValue value, Track theTrack);
QTML_API Fixed GetTrackEditRate(Track theTrack, TimeValue atTime);

/* Interesting times: the nearest time after `time` (before it for a
 * negative rate; at it too with nextTimeEdgeOK) where something of the
 * kinds in interestingTimeFlags begins, and how long that lasts; -1 when
 * there is none. Movie searches look at enabled tracks of the media types
 * or characteristics listed (all when numMediaTypes is 0) and within the
 * active segment unless nextTimeIgnoreActiveSegment. */
QTML_API void GetMovieNextInterestingTime(Movie theMovie, short interestingTimeFlags,
                                          short numMediaTypes, const OSType* whichMediaTypes,
                                          TimeValue time, Fixed rate, TimeValue* interestingTime,
                                          TimeValue* interestingDuration);
QTML_API void GetTrackNextInterestingTime(Track theTrack, short interestingTimeFlags,
                                          TimeValue time, Fixed rate, TimeValue* interestingTime,
                                          TimeValue* interestingDuration);
QTML_API void GetMediaNextInterestingTime(Media theMedia, short interestingTimeFlags,
                                          TimeValue time, Fixed rate, TimeValue* interestingTime,
                                          TimeValue* interestingDuration);

/* Editing through the selection and the scrap. Cut and copy answer a new
 * movie (owned by the caller) holding the selection; paste replaces the
 * selection with the source movie and selects what was pasted. Movies
 * made by editing share their samples' stores with their sources. */
QTML_API Movie CutMovieSelection(Movie theMovie);
QTML_API Movie CopyMovieSelection(Movie theMovie);
QTML_API void PasteMovieSelection(Movie theMovie, Movie src);
/* Adds the source's tracks in parallel at the selection's start. */
QTML_API void AddMovieSelection(Movie theMovie, Movie src);
QTML_API void ClearMovieSelection(Movie theMovie);
/* The process-wide scrap keeps a private copy of the movie. */
QTML_API OSErr PutMovieOnScrap(Movie theMovie, long movieScrapFlags);
/* A new movie (owned by the caller) from the scrap, or nil with
 * noMovieFound when the scrap holds none. */
QTML_API Movie NewMovieFromScrap(long newMovieFlags);

/* Time bases and playing. A movie's time base is the movie's own. */
QTML_API TimeBase GetMovieTimeBase(Movie theMovie);
/* A time base of its own (not a movie's), at rate 0 and time 0, owned by
 * the caller until DisposeTimeBase; its time runs on from 0 while its rate
 * is positive. DisposeTimeBase of a movie's time base answers paramErr
 * (GetMoviesError): it goes with its movie. */
QTML_API TimeBase NewTimeBase(void);
QTML_API void DisposeTimeBase(TimeBase tb);
QTML_API Fixed GetTimeBaseRate(TimeBase tb);
QTML_API void SetTimeBaseRate(TimeBase tb, Fixed r);
QTML_API Fixed GetTimeBaseEffectiveRate(TimeBase tb);
QTML_API long GetTimeBaseFlags(TimeBase tb);
QTML_API void SetTimeBaseFlags(TimeBase tb, long timeBaseFlags);
QTML_API TimeValue GetTimeBaseTime(TimeBase tb, TimeScale s, TimeRecord* tr);
QTML_API void SetTimeBaseValue(TimeBase tb, TimeValue t, TimeScale s);
QTML_API void GoToBeginningOfMovie(Movie theMovie);
QTML_API void GoToEndOfMovie(Movie theMovie);
/* StartMovie plays at the preferred rate; StopMovie sets the rate to 0. */
QTML_API void StartMovie(Movie theMovie);
QTML_API void StopMovie(Movie theMovie);
/* True when a playing (or stopped) movie is at its end (its start when
 * the rate is negative). */
QTML_API Boolean IsMovieDone(Movie theMovie);
/* Advances the movie's time by its rate over the engine clock's time since
 * it last moved (a nil movie: every active movie). At the end (or start)
 * it stops, unless its time base loops. */
QTML_API void MoviesTask(Movie theMovie, long maxMilliSecToUse);
QTML_API void SetMoviePlayHints(Movie theMovie, long flags, long flagsMask);
QTML_API OSErr UpdateMovie(Movie theMovie);
QTML_API OSErr PrerollMovie(Movie theMovie, TimeValue time, Fixed Rate);
/* startTime -1 removes the active segment. */
QTML_API void SetMovieActiveSegment(Movie theMovie, TimeValue startTime, TimeValue duration);
/* startTime -1 when there is none. */
QTML_API void GetMovieActiveSegment(Movie theMovie, TimeValue* startTime, TimeValue* duration);

/* Data sizes over a time range (movie time; media time for media) and
 * loading into memory. */
QTML_API long GetMovieDataSize(Movie theMovie, TimeValue startTime, TimeValue duration);
QTML_API OSErr GetMovieDataSize64(Movie theMovie, TimeValue startTime, TimeValue duration,
                                  wide* dataSize);
QTML_API long GetTrackDataSize(Track theTrack, TimeValue startTime, TimeValue duration);
QTML_API OSErr GetTrackDataSize64(Track theTrack, TimeValue startTime, TimeValue duration,
                                  wide* dataSize);
QTML_API long GetMediaDataSize(Media theMedia, TimeValue startTime, TimeValue duration);
QTML_API OSErr GetMediaDataSize64(Media theMedia, TimeValue startTime, TimeValue duration,
                                  wide* dataSize);
QTML_API OSErr LoadMovieIntoRam(Movie theMovie, TimeValue time, TimeValue duration, long flags);
QTML_API OSErr LoadTrackIntoRam(Track theTrack, TimeValue time, TimeValue duration, long flags);
QTML_API OSErr LoadMediaIntoRam(Media theMedia, TimeValue time, TimeValue duration, long flags);
/* ------------------------------------------------------------------------ */

/* Movie controllers: instances of the standard controller component,
 * over one movie. */
enum {
  kMCSetMovieSelect = 0x0002,
  kMCRemoveAMovieSelect = 0x0003,
  kMCGetIndMovieSelect = 0x0005,
  kMCRemoveAllMoviesSelect = 0x0006,
  kMCRemoveMovieSelect = 0x0006,
  kMCIsPlayerEventSelect = 0x0007,
  kMCSetActionFilterSelect = 0x0008,
  kMCDoActionSelect = 0x0009,
  kMCSetControllerAttachedSelect = 0x000A,
  kMCIsControllerAttachedSelect = 0x000B,
  kMCSetControllerPortSelect = 0x000C,
  kMCGetControllerPortSelect = 0x000D,
  kMCSetVisibleSelect = 0x000E,
  kMCGetVisibleSelect = 0x000F,
  kMCGetControllerBoundsRectSelect = 0x0010,
  kMCSetControllerBoundsRectSelect = 0x0011,
  kMCGetControllerBoundsRgnSelect = 0x0012,
  kMCGetWindowRgnSelect = 0x0013,
  kMCMovieChangedSelect = 0x0014,
  kMCSetDurationSelect = 0x0015,
  kMCGetCurrentTimeSelect = 0x0016,
  kMCNewAttachedControllerSelect = 0x0017,
  kMCDrawSelect = 0x0018,
  kMCActivateSelect = 0x0019,
  kMCIdleSelect = 0x001A,
  kMCKeySelect = 0x001B,
  kMCClickSelect = 0x001C,
  kMCEnableEditingSelect = 0x001D,
  kMCIsEditingEnabledSelect = 0x001E,
  kMCCopySelect = 0x001F,
  kMCCutSelect = 0x0020,
  kMCPasteSelect = 0x0021,
  kMCClearSelect = 0x0022,
  kMCUndoSelect = 0x0023,
  kMCPositionControllerSelect = 0x0024,
  kMCGetControllerInfoSelect = 0x0025,
  kMCSetClipSelect = 0x0028,
  kMCGetClipSelect = 0x0029,
  kMCDrawBadgeSelect = 0x002A,
  kMCSetUpEditMenuSelect = 0x002B,
  kMCGetMenuStringSelect = 0x002C,
  kMCSetActionFilterWithRefConSelect = 0x002D
};
/* A window, as movie controllers and full-screen presentation take it:
 * on this platform a window is its port. */
typedef GrafPtr WindowPtr;
typedef WindowPtr WindowRef;

/* NewMovieController and MCPositionController flags. The movie goes into
 * the rectangle given keeping its size, centred, or at its top left with
 * mcTopLeftMovie; mcScaleMovieToFit makes the movie's box the rectangle.
 * mcNotVisible makes the controller hidden (MCSetVisible). */
enum {
  mcTopLeftMovie = 1 << 0,
  mcScaleMovieToFit = 1 << 1,
  mcWithBadge = 1 << 2,
  mcNotVisible = 1 << 3,
  mcWithFrame = 1 << 4,
  mcPositionDontInvalidate = 1 << 5
};
/* A controller over the movie. Its bar, 16 pixels high, is attached under
 * the movie's box; the movie goes into movieRect as the flags say (a nil
 * or empty movieRect leaves the movie's box as it is). Editing is off,
 * the controller visible (unless mcNotVisible). nil for a movie that is
 * not live. The movie stays the caller's. */
QTML_API MovieController NewMovieController(Movie theMovie, const Rect* movieRect, long someFlags);
QTML_API void DisposeMovieController(MovieController mc);
/* The index-th movie of the controller (from 0), or nil. */
QTML_API Movie MCGetIndMovie(MovieController mc, short index);
/* Tells the controller that its movie changed (duration, size, tracks),
 * so that it shows the movie as it now is: paramErr for another movie. */
QTML_API ComponentResult MCMovieChanged(MovieController mc, Movie m);

/* Drawing. MCDraw draws into the window's port the movie's frame at its
 * current time in its box (unless the movie draws into another port of
 * its own) and, while the controller is visible, its bar: the play
 * button (a triangle, two bars while playing), the time slider with the
 * selection shaded and a thumb at the current time. The bar's pieces, in
 * the window's coordinates, for a bar rectangle b:
 *   play button  left b.left, right b.left + 16, the bar's height;
 *   slider       top b.top + 6, left b.left + 20, bottom b.bottom - 6,
 *                right b.right - 4; its first column is time 0, its last
 *                the movie's duration;
 *   thumb        3 pixels wide, b.top + 2 to b.bottom - 2, centred on the
 *                current time's column.
 * paramErr for a window that is not a live port; otherwise the error of
 * the movie's drawing (noCodecErr for a frame nothing decodes), the bar
 * drawn all the same. The window's bar after a click is drawn by MCClick. */
QTML_API ComponentResult MCDraw(MovieController mc, WindowRef w);
/* Places the movie and the bar. movieRect (nil or empty: the movie keeps
 * its box) takes the movie as NewMovieController's flags say; controllerRect is
 * the bar's rectangle while the controller is detached (nil: it stays),
 * and is not used while it is attached: the bar then lies under the
 * movie's box, as wide as it. */
QTML_API ComponentResult MCPositionController(MovieController mc, const Rect* movieRect,
                                              const Rect* controllerRect, long someFlags);
/* Attached (the default), the bar follows the movie's box; detached, it
 * stays where it was, or where MCPositionController puts it.
 * MCIsControllerAttached answers 1 or 0. */
QTML_API ComponentResult MCSetControllerAttached(MovieController mc, Boolean attach);
QTML_API ComponentResult MCIsControllerAttached(MovieController mc);
/* Whether MCDraw draws the bar; MCGetVisible answers 1 or 0. */
QTML_API ComponentResult MCSetVisible(MovieController mc, Boolean visible);
QTML_API ComponentResult MCGetVisible(MovieController mc);
/* The bar's rectangle, with the movie's box when attached; the movie's
 * box, when detached, is not part of it. */
QTML_API ComponentResult MCGetControllerBoundsRect(MovieController mc, Rect* bounds);
/* The movie's time and time scale (0 and scale 0 for a controller whose
 * movie has gone). */
QTML_API TimeValue MCGetCurrentTime(MovieController mc, TimeScale* scale);

/* Events in the window of the controller's bar, in that window's local
 * coordinates. MCClick on the play button starts the movie (from its
 * start when it stands at its end) or stops it; on the slider it moves
 * the movie to the time of the column clicked (keeping its rate);
 * elsewhere it does nothing. The bar is drawn again into w (when given
 * and a live port). MCIsPlayerEvent takes a mouse-down on a visible bar
 * (MCClick, then answers 1), a key-down of the space bar (play or stop,
 * 1) and a null event (the movie tasked, 0); it answers 0 for events it
 * leaves to the caller. */
QTML_API ComponentResult MCClick(MovieController mc, WindowRef w, Point where, long when,
                                 long modifiers);
QTML_API ComponentResult MCIsPlayerEvent(MovieController mc, const EventRecord* e);

/* Editing through the controller: off for a new controller. Turning it
 * on answers noErr; MCIsEditingEnabled answers whether it is on. */
QTML_API ComponentResult MCEnableEditing(MovieController mc, Boolean enabled);
QTML_API long MCIsEditingEnabled(MovieController mc);
/* What the controller can do now (mcInfo flags): while editing is on,
 * cut, copy and clear on a movie that is not empty, paste while the scrap
 * holds a movie, undo once an edit was made through the controller; and
 * whether the movie has sound, plays, loops (palindrome too), and whether
 * editing is on. */
enum {
  mcInfoUndoAvailable = 1 << 0,
  mcInfoCutAvailable = 1 << 1,
  mcInfoCopyAvailable = 1 << 2,
  mcInfoPasteAvailable = 1 << 3,
  mcInfoClearAvailable = 1 << 4,
  mcInfoHasSound = 1 << 5,
  mcInfoIsPlaying = 1 << 6,
  mcInfoIsLooping = 1 << 7,
  mcInfoIsInPalindrome = 1 << 8,
  mcInfoEditingEnabled = 1 << 9
};
QTML_API ComponentResult MCGetControllerInfo(MovieController mc, long* someFlags);
/* The edits. MCCopy and MCCut answer a new movie (the caller's) holding
 * the selection, nil when the selection is empty or editing is off; MCCut
 * removes it from the movie. MCPaste replaces the selection with a copy
 * of srcMovie (nil: the scrap's movie, noMovieFound when there is none)
 * and selects it; MCClear removes the selection (nothing for an empty
 * one). MCPaste, MCClear and MCUndo answer featureUnsupported while
 * editing is off. Cut, paste and clear can be undone: MCUndo gives the
 * movie back its tracks, edits and selection from before the last of
 * them, and a second MCUndo undoes the undo. It answers noErr with
 * nothing to undo, invalidTrack (the undo forgotten) when a track it
 * would give back was disposed of in the meantime. */
QTML_API Movie MCCopy(MovieController mc);
QTML_API Movie MCCut(MovieController mc);
QTML_API ComponentResult MCPaste(MovieController mc, Movie srcMovie);
QTML_API ComponentResult MCClear(MovieController mc);
QTML_API ComponentResult MCUndo(MovieController mc);

/* Controller actions. An action the controller does not take answers 0
 * and does nothing. The actions that change something answer 1 (handled)
 * or an error; the queries of a switch fill the Boolean that params
 * points to and answer noErr; the selection queries fill a TimeRecord
 * and answer 1. A missing TimeRecord or Boolean pointer: paramErr.
 *   mcActionPlay (params: a Fixed rate): plays at the rate (from the
 *     start when a forward rate finds the movie at its end); 0 stops.
 *   mcActionGoToTime (TimeRecord*): moves the movie to the time, in the
 *     record's time scale; the rate is kept.
 *   mcActionStep (params: a long n): stops the movie and steps n video
 *     frames (backwards for a negative n), as far as frames go.
 *   mcActionSetLooping, mcActionSetLoopIsPalindrome (Boolean): loop the
 *     movie, back and forth for a palindrome (the movie's time base flags);
 *     mcActionGetLooping, mcActionGetLoopIsPalindrome (Boolean*).
 *   mcActionSetSelectionBegin, mcActionSetSelectionDuration (TimeRecord*,
 *     in any time scale), mcActionGetSelectionBegin,
 *     mcActionGetSelectionDuration (TimeRecord*, filled in the movie's
 *     scale and time base).
 *   mcActionSetPlaySelection (Boolean): plays only the selection (the
 *     movie's active segment follows it while it is not empty);
 *     mcActionGetPlaySelection (Boolean*).
 *   mcActionSetPlayEveryFrame (Boolean): the movie's
 *     hintsPlayingEveryFrame hint; mcActionGetPlayEveryFrame (Boolean*).
 *   mcActionSetDragEnabled (Boolean), mcActionGetDragEnabled (Boolean*):
 *     whether the selection may be dragged out of the movie (off at
 *     first). */
enum {
  mcActionPlay = 8,
  mcActionGoToTime = 12,
  mcActionStep = 18,
  mcActionSetLooping = 21,
  mcActionGetLooping = 22,
  mcActionSetLoopIsPalindrome = 23,
  mcActionGetLoopIsPalindrome = 24,
  mcActionSetSelectionBegin = 29,
  mcActionSetSelectionDuration = 30,
  mcActionSetPlaySelection = 34,
  mcActionGetPlaySelection = 35,
  mcActionSetPlayEveryFrame = 40,
  mcActionGetPlayEveryFrame = 41,
  mcActionGetDragEnabled = 51,
  mcActionSetDragEnabled = 52,
  mcActionGetSelectionBegin = 53,
  mcActionGetSelectionDuration = 54
};
typedef short mcAction;
QTML_API ComponentResult MCDoAction(MovieController mc, short action, void* params);

/* Full screen. BeginFullScreen gives the main screen (whichGD nil or
 * GetMainDevice) to the caller: a new window covering it (when newWindow
 * is given), erased with eraseColor (nil: black); the window is its port,
 * whose pixels are the screen's and whose GetGWorldDevice is the main
 * device. The screen's size cannot change: desiredWidth and
 * desiredHeight, when given, receive it (whatever they asked for). The
 * screen has no cursor and no menu bar, so fullScreenHideCursor and
 * fullScreenDontChangeMenuBar change nothing; events come as ever
 * (fullScreenAllowEvents). fullScreenPreflightSize only answers the size:
 * no window, *restoreState nil. restoreState receives what EndFullScreen
 * needs (paramErr when it is nil); EndFullScreen takes it back, the
 * window going with it (movies drawing into it draw nowhere from then
 * on): paramErr for a state not handed out or already ended. The screen
 * keeps what the window showed. */
enum {
  fullScreenHideCursor = 1L << 0,
  fullScreenAllowEvents = 1L << 1,
  fullScreenDontChangeMenuBar = 1L << 2,
  fullScreenPreflightSize = 1L << 3
};
QTML_API OSErr BeginFullScreen(Ptr* restoreState, GDHandle whichGD, short* desiredWidth,
                               short* desiredHeight, WindowRef* newWindow, RGBColor* eraseColor,
                               long flags);
QTML_API OSErr EndFullScreen(Ptr fullState, long flags);

/* ------------------------------------------------------------------------
 * Movie files. A movie file holds its movie (a 'moov' atom) in its data
 * fork with the sample data in 'mdat' atoms; there are no resource forks,
 * so a file's movie resource is always its data fork's movie,
 * movieInDataForkResID. File reference numbers are the toolbox's own:
 * OpenMovieFile and CreateMovieFile answer them, CloseMovieFile ends them.
 * Media of a movie read from a file whose data references name the file
 * itself (self references) read their samples from it.
 * ------------------------------------------------------------------------ */
/* The file type of QuickTime movie files. */
enum { kQTFileTypeMovie = 'MooV' };
enum { movieInDataForkResID = -1 };
/* newMovieDontResolveDataRefs: data references are looked for only where
 * they say (there is nowhere else to look). The toolbox never asks the
 * user anything, whatever newMovieDontAskUnresolvedDataRefs and
 * newMovieDontInteractWithUser say. */
enum { newMovieDontResolveDataRefs = 1L << 1, newMovieDontInteractWithUser = 1L << 11 };
enum {
  createMovieFileDeleteCurFile = 1L << 31,
  createMovieFileDontCreateMovie = 1L << 30,
  createMovieFileDontOpenFile = 1L << 29,
  createMovieFileDontCreateResFile = 1L << 28
};
enum {
  flattenAddMovieToDataFork = 1L << 0,
  flattenActiveTracksOnly = 1L << 2,
  flattenDontInterleaveFlatten = 1L << 3,
  flattenForceMovieResourceBeforeMovieData = 1L << 6
};

/* Opens a movie file: fsRdPerm to read, fsRdWrPerm (or fsWrPerm) to
 * update it too, fsCurPerm to update it when allowed. fnfErr for a missing
 * file, permErr when writing is asked for and not allowed. */
QTML_API OSErr OpenMovieFile(const FSSpec* fileSpec, short* resRefNum, SInt8 permission);
/* Ends the reference number; movies read from the file keep reading it. */
QTML_API OSErr CloseMovieFile(short resRefNum);
QTML_API OSErr DeleteMovieFile(const FSSpec* fileSpec);
/* Reads the file's movie into a new movie (owned by the caller). *resId
 * (when given) receives movieInDataForkResID and resName an empty name.
 * Media whose data references cannot be opened are still made, and the
 * call answers couldNotResolveDataRef with the movie made. noMovieFound
 * for a file without a movie; badPublicMovieAtom, invalidSampleTable or
 * badDataRefIndex for a damaged one. The movie's default data reference
 * is the file: media made later put their samples into it. */
QTML_API OSErr NewMovieFromFile(Movie* theMovie, short resRefNum, short* resId, StringPtr resName,
                                short newMovieFlags, Boolean* dataRefWasChanged);
/* A new movie from a handle holding a movie atom (PutMovieIntoHandle's).
 * Within this process its media read the same stores as the movie that
 * was put, so the copy plays the same samples. */
QTML_API OSErr NewMovieFromHandle(Movie* theMovie, Handle h, short newMovieFlags,
                                  Boolean* dataRefWasChanged);
/* Replaces the handle's contents with the movie's atom. */
QTML_API OSErr PutMovieIntoHandle(Movie theMovie, Handle publicMovie);
/* A new movie from the movie file (or movie atom) a data reference names:
 * 'alis', 'url ' (file: URLs only; couldNotResolveDataRef for others),
 * 'hndl' and 'ptr '. Self references read the referenced data. */
QTML_API OSErr NewMovieFromDataRef(Movie* theMovie, short flags, short* id, Handle dataRef,
                                   OSType dataRefType);
/* Creates the file (dupFNErr when it exists, unless
 * createMovieFileDeleteCurFile; only a regular file is ever replaced,
 * anything else there answers notAFileErr and stays) and, unless told not
 * to, opens it
 * (createMovieFileDontOpenFile) and makes a new empty movie (owned by the
 * caller; createMovieFileDontCreateMovie) whose default data reference is
 * the file, with the newMovie... flags in the low bits. */
QTML_API OSErr CreateMovieFile(const FSSpec* fileSpec, OSType creator, ScriptCode scriptTag,
                               long createMovieFileFlags, short* resRefNum, Movie* newmovie);
/* Writes the movie into the file opened for writing, replacing the
 * file's movie; data references to the file itself become self
 * references, others are written as aliases to their files. Samples held
 * in memory ('hndl' and 'ptr ' references, or a movie read from memory)
 * are first copied into the file's movie data and the written movie
 * finds them there; the movie itself keeps reading its memory, and
 * endOfDataReached means some of those samples are gone. The new movie
 * is written after everything in the file before the old one is retired,
 * so a failure leaves the file's movie as it was. permErr for a file
 * opened to read, fnfErr when the file has gone. */
QTML_API OSErr UpdateMovieResource(Movie theMovie, short resRefNum, short resId,
                                   ConstStr255Param resourceName);
/* As UpdateMovieResource; *resId receives movieInDataForkResID. */
QTML_API OSErr AddMovieResource(Movie theMovie, short resRefNum, short* resId,
                                ConstStr255Param resName);
/* Retires the file's movie (its atom becomes free space). */
QTML_API OSErr RemoveMovieResource(short resRefNum, short resId);
/* Writes a self-contained copy of the movie to a new file: every sample
 * (of enabled tracks only, with flattenActiveTracksOnly) is copied into
 * the file's movie data, interleaved in half-second runs unless
 * flattenDontInterleaveFlatten, the movie atom first with
 * flattenForceMovieResourceBeforeMovieData. The file is written aside
 * and put in place at the end, so a failure leaves no file behind. The
 * movie itself is not changed. dupFNErr when the file exists, unless
 * createMovieFileDeleteCurFile. Long copies call the movie's progress
 * procedure (progressOpFlatten); a procedure answering an error stops the
 * copy with that error. */
QTML_API void FlattenMovie(Movie theMovie, long movieFlattenFlags, const FSSpec* theFile,
                           OSType creator, ScriptCode scriptTag, long createMovieFileFlags,
                           short* resId, ConstStr255Param resName);
/* As FlattenMovie, answering a new movie (owned by the caller) read from
 * the new file, or nil. */
QTML_API Movie FlattenMovieData(Movie theMovie, long movieFlattenFlags, const FSSpec* theFile,
                                OSType creator, ScriptCode scriptTag, long createMovieFileFlags);
/* ConvertMovieToFile flags, with createMovieFile... flags. */
enum {
  showUserSettingsDialog = 1L << 1, /* the export dialog: the user picks format and settings */
  movieToFileOnlyExport = 1L << 2,  /* only formats a movie exporter writes */
  movieFileSpecValid = 1L << 3      /* the dialog starts from the file given */
};
/* Writes the movie (or only onlyTrack of it) to the file in the format of
 * fileType ('MooV' for 0): through the export dialog with
 * showUserSettingsDialog, where the user picks the format (the dialog is
 * answered by the test controls' queue: an answer's text is the subtype
 * of the exporter chosen, nil a cancel), else through the movie exporter
 * of that subtype (or the one given). QuickTime movies are written
 * self-contained, as FlattenMovie writes them (with onlyTrack, that
 * track alone); the engine writes no other format yet. userCanceledErr
 * for a cancelled dialog, cantFindHandler for a format no exporter writes
 * here, dupFNErr for an existing file without
 * createMovieFileDeleteCurFile. The movie's progress procedure hears of
 * the write as of a flatten. resID is set to movieInDataForkResID when
 * given. */
QTML_API OSErr ConvertMovieToFile(Movie theMovie, Track onlyTrack, FSSpec* outputFile,
                                  OSType fileType, OSType creator, ScriptCode scriptTag,
                                  short* resID, long flags, ComponentInstance userComp);

/* The movie's default data reference (a new handle owned by the caller),
 * where media made with a nil data reference put their samples;
 * noDefaultDataRef when it has none. */
QTML_API OSErr GetMovieDefaultDataRef(Movie theMovie, Handle* dataRef, OSType* dataRefType);
QTML_API OSErr SetMovieDefaultDataRef(Movie theMovie, Handle dataRef, OSType dataRefType);

/* ------------------------------------------------------------------------
 * Data references: where a media's sample bytes live, as a handle plus a
 * type naming the data handler that reads it.
 *   'alis' an alias record (Aliases.h) naming a file;
 *   'url ' a NUL-terminated URL; only file: URLs open, there is no network;
 *   'hndl' a handle holding the value of a live Handle (sizeof(Handle)
 *          bytes, native order) whose bytes are the data;
 *   'ptr ' a handle holding a PointerDataRefRecord.
 * A media lists its data references from index 1; a self reference (the
 * movie's own file) is an 'alis' reference with no bytes.
 * ------------------------------------------------------------------------ */
enum {
  URLDataHandlerSubType = 'url ',
  HandleDataHandlerSubType = 'hndl',
  PointerDataHandlerSubType = 'ptr ',
  kDataHandlerManufacturer = 'appl'
};
enum { dataRefSelfReference = 1 << 0, dataRefWasNotResolved = 1 << 1 };

/* The memory behind a 'ptr ' reference; the caller keeps it alive for as
 * long as the reference is used. */
typedef struct PointerDataRefRecord {
  void* data;
  Size dataLength;
} PointerDataRefRecord;
typedef PointerDataRefRecord* PointerDataRefPtr;
typedef PointerDataRefPtr* PointerDataRef;

/* A new alias to the file fss names, which need not exist yet (its
 * directory must). minimal is accepted; every alias made here is minimal. */
QTML_API OSErr QTNewAlias(const FSSpec* fss, AliasHandle* alias, Boolean minimal);
/* A new 'alis' data reference (owned by the caller) to the file fsspec
 * names, which need not exist yet. flags must be 0. */
QTML_API OSErr QTNewDataReferenceFromFSSpec(const FSSpec* fsspec, UInt32 flags, Handle* outDataRef,
                                            OSType* outDataRefType);

/* The index-th data reference of a media (from 1): a new handle owned by
 * the caller in *dataRef, its type, and its attributes: dataRefSelfReference
 * for the movie's own file, dataRefWasNotResolved for another reference
 * whose data could not be opened. Any output may be nil. badDataRefIndex
 * for an index out of range. */
QTML_API OSErr GetMediaDataRef(Media theMedia, short index, Handle* dataRef, OSType* dataRefType,
                               long* dataRefAttributes);
QTML_API OSErr GetMediaDataRefCount(Media theMedia, short* count);
/* Appends a copy of the reference to the media's list and answers its
 * index in *index. The reference is opened when it can be (writable when
 * it allows); one that cannot be opened is kept as not resolved. */
QTML_API OSErr AddMediaDataRef(Media theMedia, short* index, Handle dataRef, OSType dataRefType);
/* Replaces the index-th reference with a copy of dataRef. Samples keep
 * their offsets, now into the new reference's data. */
QTML_API OSErr SetMediaDataRef(Media theMedia, short index, Handle dataRef, OSType dataRefType);
/* Sets the dataRefSelfReference attribute (the other bits are the
 * toolbox's and are ignored). */
QTML_API OSErr SetMediaDataRefAttributes(Media theMedia, short index, long dataRefAttributes);
/* The data handler component for references of this type that can do
 * what flags ask (kDataHCanRead, kDataHCanWrite ..., QuickTimeComponents.h),
 * or nil with noDataHandler. dataRef is not examined. */
QTML_API Component GetDataHandler(Handle dataRef, OSType dataHandlerSubType, long flags);
/* ------------------------------------------------------------------------
 * Finding importers. A file's format is told by its first bytes when they
 * identify one, otherwise by its file type, otherwise by its name
 * extension. */

/* GetMovieImporterForDataRef flags. */
enum {
  kGetMovieImporterValidateToFind = 1L << 0,
  kGetMovieImporterAllowNewFile = 1L << 1,
  kGetMovieImporterDontConsiderGraphicsImporters = 1L << 2, /* no still images */
  kGetMovieImporterDontConsiderFileOnlyImporters = 1L << 6,
  kGetMovieImporterAutoImportOnly = 1L << 10
};

/* The movie importer ('eat ' component) for the data a data reference
 * names: a file ('alis', 'url '), or memory ('hndl', 'ptr ') told by its
 * content alone. A QuickTime movie answers the 'MooV' importer. *importer
 * is 0 and the result cantFindHandler when no importer fits, paramErr for
 * a nil dataRef or importer. */
QTML_API OSErr GetMovieImporterForDataRef(OSType dataRefType, Handle dataRef, long flags,
                                          Component* importer);

/* CanQuickTimeOpenFile flags. */
enum {
  kQTDontUseDataToFindImporter = 1L << 0,
  kQTDontLookForMovieImporterIfGraphicsImporterFound = 1L << 1,
  kQTAllowOpeningStillImagesAsMovies = 1L << 2,
  kQTAllowImportersThatWouldCreateNewFile = 1L << 3,
  kQTAllowAggressiveImporters = 1L << 4
};

/* Whether a file, or files of a type or name extension ('PNG ': upper
 * case, padded with spaces), can be opened with a graphics importer or in
 * place as a movie; a still image counts as a movie only with
 * kQTAllowOpeningStillImagesAsMovies. A zero fileType or extension is
 * taken from fileSpec when one is given. Each out parameter may be nil;
 * paramErr when fileSpec, fileType and the extension are all missing. */
QTML_API OSErr CanQuickTimeOpenFile(FSSpecPtr fileSpec, OSType fileType, OSType fileNameExtension,
                                    Boolean* outCanOpenWithGraphicsImporter,
                                    Boolean* outCanOpenAsMovie, Boolean* outPreferGraphicsImporter,
                                    UInt32 inFlags);

/* ------------------------------------------------------------------------
 * User data: lists of items, each a type and bytes. Items of one type are
 * numbered from 1 in the order they were added; types are listed in the
 * order their first item appears. A movie's, track's or media's list
 * belongs to it and lives as long as it does; changing it marks the movie
 * changed. Every call sets GetMoviesError: paramErr for a nil or unknown
 * list or a bad argument, userDataItemNotFound when no item answers the
 * type and index, memFullErr when memory runs short.
 * ------------------------------------------------------------------------ */

/* The copy rules of CopyUserData. */
enum { kQTCopyUserDataReplace = 'rplc', kQTCopyUserDataMerge = 'merg' };

/* A new empty list, owned by the caller until DisposeUserData. */
QTML_API OSErr NewUserData(UserData* theUserData);
/* Frees a list made by NewUserData or NewUserDataFromHandle; paramErr for
 * the list of a movie, track or media, which its owner frees. */
QTML_API OSErr DisposeUserData(UserData theUserData);
/* A new list (owned by the caller) from bytes in PutUserDataIntoHandle's
 * format; a trailing 32-bit zero is allowed. paramErr for bytes that are
 * not a sequence of whole atoms. */
QTML_API OSErr NewUserDataFromHandle(Handle h, UserData* theUserData);
/* Replaces h's contents with the list as a sequence of atoms (32-bit
 * size, type, the item's bytes), as inside a movie file's 'udta' atom. */
QTML_API OSErr PutUserDataIntoHandle(UserData theUserData, Handle h);

/* The owner's list, or nil (invalidMovie, invalidTrack, invalidMedia). */
QTML_API UserData GetMovieUserData(Movie theMovie);
QTML_API UserData GetTrackUserData(Track theTrack);
QTML_API UserData GetMediaUserData(Media theMedia);

/* The number of items of the type (0 when none or on error). */
QTML_API short CountUserDataType(UserData theUserData, OSType udType);
/* The first type when udType is 0, otherwise the type after udType; 0
 * after the last type, for a type not in the list, or on error. */
QTML_API long GetNextUserDataType(UserData theUserData, OSType udType);

/* Resizes data to the item's size and copies its bytes in. */
QTML_API OSErr GetUserData(UserData theUserData, Handle data, OSType udType, long index);
/* Appends an item holding a copy of data's bytes; nil data: an empty item. */
QTML_API OSErr AddUserData(UserData theUserData, Handle data, OSType udType);
/* Removes the item; later items of the type move down by one. */
QTML_API OSErr RemoveUserData(UserData theUserData, OSType udType, long index);
/* Copies the item's bytes to data, which holds size bytes; paramErr when
 * the item is larger than that. */
QTML_API OSErr GetUserDataItem(UserData theUserData, void* data, long size, OSType udType,
                               long index);
/* Replaces the item's bytes with size bytes from data; an index one past
 * the items of the type appends a new item. */
QTML_API OSErr SetUserDataItem(UserData theUserData, void* data, long size, OSType udType,
                               long index);

/* The types of common text items: the first byte is 0xA9 (a copyright
 * sign in Mac Roman). */
enum {
  kUserDataTextFullName = (OSType)0xA96E616D,    /* '\xA9nam' */
  kUserDataTextCopyright = (OSType)0xA9637079,   /* '\xA9cpy' */
  kUserDataTextInformation = (OSType)0xA9696E66, /* '\xA9inf' */
  kUserDataTextAuthor = (OSType)0xA9617574       /* '\xA9aut' */
};

/* Text items ('\xA9nam', '\xA9cpy', ...) hold one text per region code, each
 * a record of a 16-bit length, a 16-bit region code and the text bytes.
 * AddUserDataText puts data's text into item index under the region code,
 * replacing the text already there for that code; an index one past the
 * items of the type makes a new item. GetUserDataText resizes data to the
 * text; RemoveUserDataText removes it, and the item with its last text. */
QTML_API OSErr AddUserDataText(UserData theUserData, Handle data, OSType udType, long index,
                               short itlRegionTag);
QTML_API OSErr GetUserDataText(UserData theUserData, Handle data, OSType udType, long index,
                               short itlRegionTag);
QTML_API OSErr RemoveUserDataText(UserData theUserData, OSType udType, long index,
                                  short itlRegionTag);

/* Copies every item of src into dst: kQTCopyUserDataReplace first removes
 * dst's items of each type src holds, kQTCopyUserDataMerge appends. */
QTML_API OSErr CopyUserData(UserData srcUserData, UserData dstUserData, OSType copyRule);

/* ------------------------------------------------------------------------ */

/* Effects. */
enum { kEffectNameAtom = 'name', kEffectTypeAtom = 'type', kEffectManufacturerAtom = 'manu' };
enum { elOptionsIncludeNoneInList = 1L << 0 };

/* A new atom container (owned by the caller) listing the engine's effects
 * taking minSources to maxSources sources (-1: no limit). Needs the Movie
 * Toolbox. */
QTML_API OSErr QTGetEffectsList(QTAtomContainer* returnedList, long minSources, long maxSources,
                                long getOptions);

QTML_EXTERN_C_END

#endif /* __MOVIES__ */
