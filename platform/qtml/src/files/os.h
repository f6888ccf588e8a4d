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

// A file open for writing at any offset, closed when it goes.
class WritableFile {
 public:
  enum class Mode {
    kExisting,  // the file as it is; it must exist
    kReplace,   // created, or emptied when it exists
  };
  WritableFile(const std::string& path, Mode mode);
  ~WritableFile();
  WritableFile(const WritableFile&) = delete;
  WritableFile& operator=(const WritableFile&) = delete;

  // Why the file did not open; noErr when it did.
  OSErr OpenError() const { return openError_; }
  // All the bytes, or an error (dskFulErr when the disk is full).
  OSErr WriteAt(SInt64 offset, const void* bytes, size_t size);
  // The file's bytes on the disk.
  OSErr Sync();
  OSErr Truncate(SInt64 size);

 private:
  int fd_ = -1;
  OSErr openError_ = noErr;
};

// The QuickTime result for an errno value.
OSErr ErrorFromErrno(int error);

}  // namespace qtml::os
