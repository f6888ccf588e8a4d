// The engine's one seam to the operating system's file system. Everything
// above it speaks in paths and QuickTime result codes. The test controls'
// I/O faults (base/io_faults.h) can make any of its operations fail but
// reading the current directory, an open file's size and extended
// attributes.
#pragma once

#include <string>

#include "MacErrors.h"
#include "MacTypes.h"

namespace qtml::os {

enum class EntryKind { kMissing, kFile, kDirectory, kOther };

// What is at a path: kMissing with noErr when nothing is (or a directory
// on the way is missing), an error when it cannot be told.
OSErr KindAt(const std::string& path, EntryKind* kind);
// What is at a path, kMissing also when it cannot be told.
EntryKind KindOf(const std::string& path);
// Whether two paths name one file (through links or names of their
// folders): false with noErr when either is missing.
OSErr SameFile(const std::string& a, const std::string& b, bool* same);
// The process's current directory, or "/" when it cannot be read.
std::string CurrentDirectory();

// Creates an empty file; dupFNErr when something exists at the path.
OSErr CreateNewFile(const std::string& path);
OSErr RemoveFile(const std::string& path);
// Gives a file another name, replacing a file that has it.
OSErr Rename(const std::string& from, const std::string& to);
// Swaps the contents of two files under their names, at once where the file
// system allows it.
OSErr Exchange(const std::string& a, const std::string& b);
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

// A file open for reading at any offset, closed when it goes. Opened for
// update it takes writes too.
class ReadableFile {
 public:
  enum class Mode { kRead, kUpdate };
  explicit ReadableFile(const std::string& path, Mode mode = Mode::kRead);
  ~ReadableFile();
  ReadableFile(const ReadableFile&) = delete;
  ReadableFile& operator=(const ReadableFile&) = delete;

  // Why the file did not open; noErr when it did.
  OSErr OpenError() const { return openError_; }
  // Reads `size` bytes at `offset`: noErr with all of them; eofErr when the
  // file ends first, or an error, with *done (when given) telling how many
  // came before.
  OSErr ReadAt(SInt64 offset, void* bytes, size_t size, size_t* done = nullptr);
  // The file's size now.
  OSErr Size(SInt64* size) const;
  // As WritableFile's; wrPermErr when opened for reading alone.
  OSErr WriteAt(SInt64 offset, const void* bytes, size_t size);
  OSErr Truncate(SInt64 size);

 private:
  std::string path_;
  int fd_ = -1;
  bool writable_ = false;
  OSErr openError_ = noErr;
};

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
  std::string path_;
  int fd_ = -1;
  OSErr openError_ = noErr;
};

// The QuickTime result for an errno value.
OSErr ErrorFromErrno(int error);

// Whether the process's standard error is a terminal, and text written to
// it (no I/O faults: nothing depends on it arriving).
bool StandardErrorIsTerminal();
void WriteStandardError(const std::string& text);
// Whether a person can answer on the terminal: standard input and
// standard error are both terminals.
bool PersonAtTerminal();
// A line read from standard input, without its end; false at its end.
bool ReadStandardInputLine(std::string* line);

}  // namespace qtml::os
