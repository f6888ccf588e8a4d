// FSSpec records as the rest of the engine uses them: every FSSpec
// names a native path through the process's table of directory IDs.
#pragma once

#include <string>

#include "Files.h"

namespace qtml {

// The reference number of the one volume: the whole native file system.
constexpr short kVolumeRefNum = -1;

// Fills *spec for a native path. Results as NativePathNameToFSSpec.
OSErr PathToSpec(const std::string& path, FSSpec* spec);
// The native path a spec names (whether or not it exists): paramErr for a
// nil spec, nsvErr for another volume, dirNFErr for an unknown directory.
OSErr SpecToPath(const FSSpec* spec, std::string* path);
// The path of a spec that names an existing file: as SpecToPath, and
// fnfErr when nothing is there, notAFileErr for a directory or another
// kind of entry.
OSErr ExistingFilePath(const FSSpec* spec, std::string* path);
// The path of a directory ID, or dirNFErr.
OSErr DirectoryPath(long dirID, std::string* path);

// The longest start of a UTF-8 name that fits in `room` bytes without
// cutting a character apart: for name fields shorter than native names.
std::string TruncatedName(const std::string& name, size_t room);

}  // namespace qtml
