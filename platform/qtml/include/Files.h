/*
 * Files.h: the File Manager over the native file system.
 *
 * The whole file system is one volume. Every directory gets a directory ID
 * the first time the engine meets it, stable for the life of the process;
 * an FSSpec names a file or directory by volume, parent directory ID and
 * leaf name: a StrFileName of at most 255 bytes, UTF-8 as the native file
 * system holds it. File type and creator travel with the file (see
 * FSpGetFInfo).
 */
#ifndef __FILES__
#define __FILES__

#include "MacErrors.h"
#include "MacTypes.h"
#include "Script.h"

QTML_EXTERN_C_BEGIN

enum {
  fsRtParID = 1, /* the parent of the root directory */
  fsRtDirID = 2  /* the root directory */
};

/* File access permissions (OpenMovieFile and the File Manager's opens):
 * fsCurPerm asks for whatever is allowed, writing when possible. */
enum { fsCurPerm = 0, fsRdPerm = 1, fsWrPerm = 2, fsRdWrPerm = 3, fsRdWrShPerm = 4 };

/* Options of NativePathNameToFSSpec and FSSpecToNativePathName. */
enum {
  kFullNativePath = 0,
  kFileNameOnly = (1 << 0),
  kDirectoryPathOnly = (1 << 1),
  kUFSFullPathName = (1 << 2),
  kTryVDIMask = (1 << 3),
  kFullPathSpecifiedMask = (1 << 4)
};

/* Finder flags (FInfo.fdFlags). */
enum {
  kIsOnDesk = 0x0001,
  kIsShared = 0x0040,
  kHasBeenInited = 0x0100,
  kHasCustomIcon = 0x0400,
  kIsStationery = 0x0800,
  kNameLocked = 0x1000,
  kHasBundle = 0x2000,
  kIsInvisible = 0x4000,
  kIsAlias = 0x8000
};

typedef struct FSSpec {
  short vRefNum;
  SInt32 parID;
  StrFileName name;
} FSSpec;
typedef FSSpec* FSSpecPtr;
typedef FSSpecPtr* FSSpecHandle;

typedef struct FInfo {
  OSType fdType;
  OSType fdCreator;
  UInt16 fdFlags;
  Point fdLocation;
  SInt16 fdFldr;
} FInfo;

/* Fills *spec for a native path (absolute, or relative to the current
 * directory). Answers noErr for an existing file or directory, fnfErr for
 * a name that does not exist yet in an existing directory (the spec is
 * then usable, e.g. to create the file), dirNFErr when the parent
 * directory does not exist, bdNamErr for a leaf name longer than 255
 * bytes (*spec is then untouched). flags are accepted and ignored. */
QTML_API OSErr NativePathNameToFSSpec(char* inName, FSSpec* spec, long flags);

/* Writes the native path of spec into outName (maxLen bytes including the
 * NUL). kFileNameOnly writes the leaf name only, kDirectoryPathOnly the
 * parent directory's path only. paramErr when the buffer is too small. */
QTML_API OSErr FSSpecToNativePathName(const FSSpec* spec, char* outName, long maxLen, long flags);

/* Fills *spec for fileName in directory dirID (0: the current directory).
 * fileName may be empty (the directory itself), a leaf name, a relative
 * path with '/' separators, or an absolute path. Results as for
 * NativePathNameToFSSpec; nsvErr for an unknown volume. */
QTML_API OSErr FSMakeFSSpec(short vRefNum, long dirID, ConstStr255Param fileName, FSSpec* spec);

/* Creates an empty file with the given creator and type; dupFNErr when
 * the file exists already. */
QTML_API OSErr FSpCreate(const FSSpec* spec, OSType creator, OSType fileType, ScriptCode scriptTag);
/* Deletes a file (with the type and creator kept for it) or an empty
 * directory; fBsyErr for a directory that is not empty. */
QTML_API OSErr FSpDelete(const FSSpec* spec);
/* Swaps two existing files: each name then holds the other's contents, at
 * once on file systems that allow it. fnfErr when either is missing,
 * notAFileErr when either is not a regular file. Exchanging a file with a
 * new empty one beside it keeps it whole while a new file is written in
 * its place, and exchanging again puts it back. */
QTML_API OSErr FSpExchangeFiles(const FSSpec* source, const FSSpec* dest);

/* Type, creator and Finder flags of a file. A file that never had them set
 * answers the type its name extension suggests and creator 0. */
QTML_API OSErr FSpGetFInfo(const FSSpec* spec, FInfo* fndrInfo);
QTML_API OSErr FSpSetFInfo(const FSSpec* spec, const FInfo* fndrInfo);

/* Data forks: a file's bytes, read and written at the file's mark (the
 * position the next read or write starts at) through the reference number
 * FSpOpenDF gives, until FSClose. A file may be open more than once, each
 * reference with its own mark. Calls on a number not open answer rfNumErr. */

/* Positioning modes of SetFPos: the offset counts from the start, from the
 * end (logical end of file) or from the mark; fsAtMark leaves the mark. */
enum { fsAtMark = 0, fsFromStart = 1, fsFromLEOF = 2, fsFromMark = 3 };

/* Opens an existing file's data fork with the mark at 0. fsRdPerm reads
 * only; fsWrPerm, fsRdWrPerm and fsRdWrShPerm read and write; fsCurPerm
 * writes when the file allows it and otherwise only reads. fnfErr for a
 * missing file, notAFileErr for a directory, permErr when the file refuses
 * the access, paramErr for another permission; *refNum is 0 on failure. */
QTML_API OSErr FSpOpenDF(const FSSpec* spec, SInt8 permission, short* refNum);
/* Reads *count bytes at the mark and moves the mark past them. When the
 * file ends first, eofErr with *count the bytes read; on another error
 * *count is what was read before it (0 when nothing was). */
QTML_API OSErr FSRead(short refNum, long* count, void* buffPtr);
/* Writes *count bytes at the mark (the file grows as needed) and moves the
 * mark past them. wrPermErr when the file was opened for reading; on an
 * error *count is 0. */
QTML_API OSErr FSWrite(short refNum, long* count, const void* buffPtr);
QTML_API OSErr GetFPos(short refNum, long* filePos);
/* Moves the mark. posErr (mark unchanged) for a position before the start;
 * eofErr, the mark at the end, for one past the end; paramErr for an
 * unknown mode. */
QTML_API OSErr SetFPos(short refNum, short posMode, long posOff);
/* The logical end of file: the file's size in bytes. */
QTML_API OSErr GetEOF(short refNum, long* logEOF);
/* Makes the file logEOF bytes long, cutting it or adding zero bytes; a mark
 * past the new end moves to it. wrPermErr when opened for reading. */
QTML_API OSErr SetEOF(short refNum, long logEOF);
/* Closes the data fork; its number may be given out again. */
QTML_API OSErr FSClose(short refNum);

QTML_EXTERN_C_END

#endif /* __FILES__ */
