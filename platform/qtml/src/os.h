// The engine's one seam to the operating system's file system. Everything
// above it speaks in paths and QuickTime result codes.
#pragma once

#include <string>

#include "MacErrors.h"
#include "MacTypes.h"

namespace qtml::os {

enum class EntryKind { kMissing, kFile, kDirectory, kOther };

EntryKind KindOf(const std::string& path);
// The process's current directory, or "/" when it cannot be read.
std::string CurrentDirectory();

// Creates an empty file; dupFNErr when something exists at the path.
OSErr CreateNewFile(const std::string& path);
OSErr RemoveFile(const std::string& path);
// Removes an empty directory; fBsyErr when it is not empty.
OSErr RemoveDirectory(const std::string& path);

// The whole content of a file, or an error (fnfErr when it is missing).
OSErr ReadWholeFile(const std::string& path, std::string* bytes);
// Creates or replaces a file with exactly these bytes.
OSErr WriteWholeFile(const std::string& path, const std::string& bytes);

// Extended attributes. GetAttribute answers fnfErr when the attribute is
// absent; SetAttribute answers an error when the file system refuses them.
OSErr GetAttribute(const std::string& path, const char* name, std::string* value);
OSErr SetAttribute(const std::string& path, const char* name, const std::string& value);

// The QuickTime result for an errno value.
OSErr ErrorFromErrno(int error);

}  // namespace qtml::os
