// File type, creator and Finder flags kept with a file across processes.
//
// They live in an extended attribute of the file; where the file system
// refuses extended attributes they live in a sidecar file "._name" beside
// it ("._", the name's start and '#' with a hash of the whole name, when
// "._name" would be longer than a native name may be). Both hold the 16
// bytes of an FInfo, big-endian.
#pragma once

#include <string>

#include "Files.h"

namespace qtml {

// fnfErr when nothing is stored for the file.
OSErr ReadFinderInfo(const std::string& path, FInfo* info);
OSErr WriteFinderInfo(const std::string& path, const FInfo& info);
// Removes the sidecar, if any, of a file being deleted.
void RemoveFinderInfoSidecar(const std::string& path);
std::string FinderInfoSidecarPath(const std::string& path);
// Tests force the sidecar, as on a file system without extended attributes.
void ForceFinderInfoSidecar(bool on);

// The type that a file's name extension suggests ('MooV' for ".mov"), or 0.
OSType TypeForExtension(const std::string& path);

}  // namespace qtml
