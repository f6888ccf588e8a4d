/*
 * Aliases.h: the Alias Manager. An alias names a file by its native path,
 * so that it can be stored (in a movie file's data references, for
 * example) and resolved again later.
 *
 * An AliasHandle holds one alias record in the Alias Manager's version 2
 * layout, all big-endian, so that other readers of movie files can follow
 * it. The fixed part (150 bytes):
 *   0   userType      free for the caller; 0 when made
 *   4   aliasSize     the whole record in bytes
 *   6   version       2
 *   8   kind          0 file, 1 folder
 *   10  volume name   a Str27 in 28 bytes: the one volume, "Macintosh HD"
 *   38  volume date   0
 *   42  file system   'H+'
 *   44  drive type    0, a fixed disk
 *   46  parent ID     0
 *   50  file name     a Str63 in 64 bytes, cut to 63 bytes between
 *                     characters; the tags hold it whole
 *   114 file number   0
 *   118 file date     0
 *   122 file type     and 126 creator, from the file's Finder information
 *   130 nlvlFrom      levels up from the file the alias was made from to
 *                     the directory shared with the target (1: the same
 *                     directory); -1 for an alias made without one
 *   132 nlvlTo        levels down from that directory to the target; -1
 *   134 volume attributes, 138 volume file-system ID, 140 10 reserved: 0
 * then tagged fields, each a 2-byte tag, a 2-byte length and the data
 * padded to an even length, ending with tag -1 and length 0:
 *   0   the name of the target's parent directory
 *   2   the HFS path, "Macintosh HD:dir:file"
 *   14  the target's name and 15 the volume's name in Unicode: a 2-byte
 *       count of UTF-16 units, then the units
 *   18  the POSIX path, "/dir/file"
 *   19  the POSIX path of the volume's mount point, "/"
 * Names are UTF-8 (UTF-16 in tags 14 and 15), whole in the tags. Names in
 * the fixed part and in tags 0, 2 and 14 hold '/' where the native name
 * holds ':' (':' separates an HFS path). Reading takes the path from tags 18 and 19,
 * else from tag 2, and the file's name from that path, so that a name
 * longer than the fixed part holds resolves whole; other tags are passed
 * over.
 * The relative path an alias keeps is "../" nlvlFrom - 1 times, then the
 * last nlvlTo names of its path. A minimal alias holds no relative path.
 * Records too short, of another version, whose aliasSize is not their
 * size, whose names or tags run past their room, or that name no path are
 * refused with paramErr.
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

/* Finds the file an alias names: with a fromFile, its relative path from
 * fromFile's directory first, then its absolute path. *wasChanged is true
 * when the alias was found elsewhere than its absolute path; the record is
 * then updated to name the new place. fnfErr when the file is gone:
 * *target is still filled for the absolute path when its directory
 * exists. paramErr for a nil alias or bytes that are not an alias. */
QTML_API OSErr ResolveAlias(const FSSpec* fromFile, AliasHandle alias, FSSpec* target,
                            Boolean* wasChanged);
/* Makes alias name target (which must exist), as NewAlias would, keeping
 * its userType; *wasChanged says whether it named something else before. */
QTML_API OSErr UpdateAlias(const FSSpec* fromFile, const FSSpec* target, AliasHandle alias,
                           Boolean* wasChanged);
/* One name of the alias: asiAliasName the leaf name, asiParentName the
 * name of its directory, higher indexes the directories above (empty past
 * the root); asiVolumeName the volume's name, asiZoneName and asiServerName
 * empty. A name longer than 63 bytes is cut between characters. */
QTML_API OSErr GetAliasInfo(AliasHandle alias, AliasInfoType index, Str63 theString);

QTML_EXTERN_C_END

#endif /* __ALIASES__ */
