/*
 * Aliases.h: the Alias Manager. An alias names a file by its native path,
 * so that it can be stored (in a movie file's data references, for
 * example) and resolved again later.
 *
 * An AliasHandle holds one alias record: the public header below followed
 * by the engine's own fields, all big-endian:
 *   0  userType      free for the caller; 0 when made
 *   4  aliasSize     the whole record in bytes
 *   6  signature     'fnal'
 *   10 version       1
 *   12 flags         1: made minimal
 *   14 leaf name     64 bytes, a Str63
 *   78 path          UInt16 length, then the absolute native path
 *   .. relative path UInt16 length, then the path from the directory of
 *                    the file the alias was made relative to (may be empty)
 * The record keeps this order on every machine, as it travels in movie
 * files: read userType and aliasSize as big-endian values.
 * A minimal alias holds the same fields; it only never has a relative path.
 * Records of another signature or version are refused with paramErr.
 */
#ifndef __ALIASES__
#define __ALIASES__

#include "Files.h"
#include "MacErrors.h"
#include "MacMemory.h"
#include "MacTypes.h"

QTML_EXTERN_C_BEGIN

enum { rAliasType = 'alis' };

typedef const unsigned char* ConstStr32Param;
typedef const unsigned char* ConstStr31Param;

/* Indexes of GetAliasInfo. */
enum {
  asiZoneName = -3,
  asiServerName = -2,
  asiVolumeName = -1,
  asiAliasName = 0,
  asiParentName = 1
};
typedef short AliasInfoType;

typedef struct AliasRecord {
  OSType userType;
  unsigned short aliasSize;
} AliasRecord;
typedef AliasRecord* AliasPtr;
typedef AliasPtr* AliasHandle;

/* A new alias (owned by the caller, released with DisposeHandle) to an
 * existing file or directory; fnfErr when target does not exist. With a
 * fromFile the alias also records the path from fromFile's directory, so
 * that it still resolves when both are moved together. */
QTML_API OSErr NewAlias(const FSSpec* fromFile, const FSSpec* target, AliasHandle* alias);
/* A new alias holding only what names the target, which must exist. */
QTML_API OSErr NewAliasMinimal(const FSSpec* target, AliasHandle* alias);
/* A new minimal alias from a native path that need not exist (zoneName and
 * serverName are ignored and may be nil). */
QTML_API OSErr NewAliasMinimalFromFullPath(short fullPathLength, const void* fullPath,
                                           ConstStr32Param zoneName, ConstStr31Param serverName,
                                           AliasHandle* alias);

/* Finds the file an alias names: its absolute path first, then (with a
 * fromFile) its relative path from fromFile's directory. *wasChanged is
 * true when the alias was found elsewhere than its absolute path; the
 * record is then updated to name the new place. fnfErr when the file is
 * gone: *target is still filled for the absolute path when its directory
 * exists. paramErr for a nil alias or bytes that are not an alias. */
QTML_API OSErr ResolveAlias(const FSSpec* fromFile, AliasHandle alias, FSSpec* target,
                            Boolean* wasChanged);
/* Makes alias name target (which must exist), as NewAlias would;
 * *wasChanged says whether it named something else before. */
QTML_API OSErr UpdateAlias(const FSSpec* fromFile, const FSSpec* target, AliasHandle alias,
                           Boolean* wasChanged);
/* One name of the alias: asiAliasName the leaf name, asiParentName the
 * name of its directory, higher indexes the directories above (empty past
 * the root); asiVolumeName an empty name (one volume), asiZoneName and
 * asiServerName empty. */
QTML_API OSErr GetAliasInfo(AliasHandle alias, AliasInfoType index, Str63 theString);

QTML_EXTERN_C_END

#endif /* __ALIASES__ */
