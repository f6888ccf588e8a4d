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
#include "Files.h"
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

enum { newMovieActive = 1L << 0, newMovieDontAskUnresolvedDataRefs = 1L << 5 };
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

/* Movie controllers: instances of the standard controller component,
 * over one movie. */
QTML_API MovieController NewMovieController(Movie theMovie, const Rect* movieRect, long someFlags);
QTML_API void DisposeMovieController(MovieController mc);
/* The index-th movie of the controller (from 0), or nil. */
QTML_API Movie MCGetIndMovie(MovieController mc, short index);

/* ------------------------------------------------------------------------
 * Movie files. A movie file holds its movie (a 'moov' atom) in its data
 * fork with the sample data in 'mdat' atoms; there are no resource forks,
 * so a file's movie resource is always its data fork's movie,
 * movieInDataForkResID. File reference numbers are the toolbox's own:
 * OpenMovieFile and CreateMovieFile answer them, CloseMovieFile ends them.
 * Media of a movie read from a file whose data references name the file
 * itself (self references) read their samples from it.
 * ------------------------------------------------------------------------ */
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
QTML_API OSErr NewMovieFromFile(Movie* theMovie, short resRefNum, short* resId,
                                StringPtr resName, short newMovieFlags,
                                Boolean* dataRefWasChanged);
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
 * createMovieFileDeleteCurFile) and, unless told not to, opens it
 * (createMovieFileDontOpenFile) and makes a new empty movie (owned by the
 * caller; createMovieFileDontCreateMovie) whose default data reference is
 * the file, with the newMovie... flags in the low bits. */
QTML_API OSErr CreateMovieFile(const FSSpec* fileSpec, OSType creator, ScriptCode scriptTag,
                               long createMovieFileFlags, short* resRefNum, Movie* newmovie);
/* Writes the movie into the file opened for writing, replacing the
 * file's movie; data references to the file itself become self
 * references, others are written as aliases to their files. The new movie
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
                                    Boolean* outCanOpenAsMovie,
                                    Boolean* outPreferGraphicsImporter, UInt32 inFlags);

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
