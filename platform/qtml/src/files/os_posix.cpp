// The file-system seam over POSIX calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <climits>

#include "base/io_faults.h"
#include "files/os.h"

namespace qtml::os {
namespace {

OSErr Fault(IOOperation operation, const std::string& path,
            const std::string& otherPath = std::string()) {
  return TakeIOFault(operation, path, otherPath).error;
}

int Open(const std::string& path, int flags, OSErr* err) {
  if ((*err = Fault(IOOperation::kOpen, path)) != noErr) return -1;
  int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) *err = ErrorFromErrno(errno);
  return fd;
}

OSErr WriteAll(int fd, const std::string& path, SInt64 offset, const void* bytes, size_t size) {
  if (OSErr fault = Fault(IOOperation::kWrite, path)) return fault;
  const auto* at = static_cast<const unsigned char*>(bytes);
  while (size > 0) {
    ssize_t done = ::pwrite(fd, at, size, offset);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return done < 0 && errno == ENOSPC ? dskFulErr : ioErr;
    at += done;
    offset += done;
    size -= static_cast<size_t>(done);
  }
  return noErr;
}

OSErr TruncateTo(int fd, const std::string& path, SInt64 size) {
  if (OSErr fault = Fault(IOOperation::kTruncate, path)) return fault;
  return ::ftruncate(fd, size) == 0 ? noErr : ErrorFromErrno(errno);
}

// stat(2) of a path: kMissing with noErr when nothing is there.
OSErr Stat(const std::string& path, struct stat* info, EntryKind* kind) {
  if (OSErr fault = Fault(IOOperation::kStat, path)) return fault;
  if (::stat(path.c_str(), info) != 0) {
    *kind = EntryKind::kMissing;
    return errno == ENOENT || errno == ENOTDIR ? noErr : ErrorFromErrno(errno);
  }
  if (S_ISREG(info->st_mode)) {
    *kind = EntryKind::kFile;
  } else if (S_ISDIR(info->st_mode)) {
    *kind = EntryKind::kDirectory;
  } else {
    *kind = EntryKind::kOther;
  }
  return noErr;
}

}  // namespace

OSErr ErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return noErr;
    case ENOENT:
      return fnfErr;
    case ENOTDIR:
      return dirNFErr;
    case EEXIST:
      return dupFNErr;
    case EACCES:
    case EPERM:
      return permErr;
    case EROFS:
      return wPrErr;
    case ENOSPC:
      return dskFulErr;
    case ENAMETOOLONG:
      return bdNamErr;
    case ENOTEMPTY:
    case EBUSY:
      return fBsyErr;
    case EMFILE:
    case ENFILE:
      return tmfoErr;
    case ENOMEM:
      return memFullErr;
    default:
      return ioErr;
  }
}

OSErr KindAt(const std::string& path, EntryKind* kind) {
  struct stat info;
  return Stat(path, &info, kind);
}

EntryKind KindOf(const std::string& path) {
  EntryKind kind = EntryKind::kMissing;
  return KindAt(path, &kind) == noErr ? kind : EntryKind::kMissing;
}

OSErr SameFile(const std::string& a, const std::string& b, bool* same) {
  *same = false;
  struct stat first, second;
  EntryKind kindA = EntryKind::kMissing, kindB = EntryKind::kMissing;
  if (OSErr err = Stat(a, &first, &kindA)) return err;
  if (kindA == EntryKind::kMissing) return noErr;
  if (OSErr err = Stat(b, &second, &kindB)) return err;
  if (kindB == EntryKind::kMissing) return noErr;
  *same = first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  return noErr;
}

std::string CurrentDirectory() {
  char buffer[PATH_MAX];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return "/";
  return buffer;
}

OSErr CreateNewFile(const std::string& path) {
  OSErr err = noErr;
  int fd = Open(path, O_WRONLY | O_CREAT | O_EXCL, &err);
  if (fd >= 0) ::close(fd);
  return err;
}

OSErr RemoveFile(const std::string& path) {
  if (OSErr fault = Fault(IOOperation::kRemove, path)) return fault;
  return ::unlink(path.c_str()) == 0 ? noErr : ErrorFromErrno(errno);
}

OSErr Rename(const std::string& from, const std::string& to) {
  if (OSErr fault = Fault(IOOperation::kRename, from, to)) return fault;
  return ::rename(from.c_str(), to.c_str()) == 0 ? noErr : ErrorFromErrno(errno);
}

OSErr Exchange(const std::string& a, const std::string& b) {
  if (OSErr fault = Fault(IOOperation::kRename, a, b)) return fault;
  if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) return noErr;
  if (errno != EINVAL && errno != ENOSYS) return ErrorFromErrno(errno);
  // A file system without atomic exchange: three renames through a name
  // beside the first file.
  std::string aside = a + ".exchange";
  if (::rename(a.c_str(), aside.c_str()) != 0) return ErrorFromErrno(errno);
  if (::rename(b.c_str(), a.c_str()) != 0) {
    int error = errno;
    ::rename(aside.c_str(), a.c_str());
    return ErrorFromErrno(error);
  }
  return ::rename(aside.c_str(), b.c_str()) == 0 ? noErr : ErrorFromErrno(errno);
}

OSErr RemoveDirectory(const std::string& path) {
  if (OSErr fault = Fault(IOOperation::kRemove, path)) return fault;
  return ::rmdir(path.c_str()) == 0 ? noErr : ErrorFromErrno(errno);
}

OSErr ReadWholeFile(const std::string& path, std::string* bytes) {
  ReadableFile file(path);
  if (OSErr err = file.OpenError()) return err;
  SInt64 size = 0;
  if (OSErr err = file.Size(&size)) return err;
  bytes->resize(static_cast<size_t>(size));
  size_t done = 0;
  OSErr err = file.ReadAt(0, bytes->data(), bytes->size(), &done);
  bytes->resize(done);
  return err == eofErr ? noErr : err;  // cut short since its size was taken
}

OSErr WriteWholeFile(const std::string& path, const std::string& bytes) {
  WritableFile file(path, WritableFile::Mode::kReplace);
  if (OSErr err = file.OpenError()) return err;
  return file.WriteAt(0, bytes.data(), bytes.size());
}

OSErr GetAttribute(const std::string& path, const char* name, std::string* value) {
  char buffer[256];
  ssize_t size = ::getxattr(path.c_str(), name, buffer, sizeof buffer);
  if (size < 0) return errno == ENODATA ? fnfErr : ErrorFromErrno(errno);
  value->assign(buffer, static_cast<size_t>(size));
  return noErr;
}

OSErr SetAttribute(const std::string& path, const char* name, const std::string& value) {
  if (::setxattr(path.c_str(), name, value.data(), value.size(), 0) == 0) return noErr;
  return ErrorFromErrno(errno);
}

ReadableFile::ReadableFile(const std::string& path, Mode mode)
    : path_(path), writable_(mode == Mode::kUpdate) {
  fd_ = Open(path_, writable_ ? O_RDWR : O_RDONLY, &openError_);
}

ReadableFile::~ReadableFile() {
  if (fd_ >= 0) ::close(fd_);
}

OSErr ReadableFile::ReadAt(SInt64 offset, void* bytes, size_t size, size_t* done) {
  if (done != nullptr) *done = 0;
  if (fd_ < 0) return openError_;
  if (offset < 0) return paramErr;
  IOFault fault = TakeIOFault(IOOperation::kRead, path_);
  if (fault.error != noErr && !fault.partial) return fault.error;
  size_t wanted = fault.partial ? size / 2 : size;
  auto* at = static_cast<unsigned char*>(bytes);
  size_t got = 0;
  OSErr err = noErr;
  while (got < wanted) {
    ssize_t count = ::pread(fd_, at + got, wanted - got, offset + static_cast<SInt64>(got));
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      err = count == 0 ? eofErr : ErrorFromErrno(errno);
      break;
    }
    got += static_cast<size_t>(count);
  }
  if (done != nullptr) *done = got;
  return err != noErr ? err : fault.error;
}

OSErr ReadableFile::Size(SInt64* size) const {
  *size = 0;
  if (fd_ < 0) return openError_;
  struct stat info;
  if (::fstat(fd_, &info) != 0) return ErrorFromErrno(errno);
  *size = info.st_size;
  return noErr;
}

OSErr ReadableFile::WriteAt(SInt64 offset, const void* bytes, size_t size) {
  if (fd_ < 0) return openError_;
  if (!writable_) return wrPermErr;
  return WriteAll(fd_, path_, offset, bytes, size);
}

OSErr ReadableFile::Truncate(SInt64 size) {
  if (fd_ < 0) return openError_;
  if (!writable_) return wrPermErr;
  return TruncateTo(fd_, path_, size);
}

WritableFile::WritableFile(const std::string& path, Mode mode) : path_(path) {
  fd_ = Open(path_, mode == Mode::kReplace ? O_WRONLY | O_CREAT | O_TRUNC : O_WRONLY, &openError_);
}

WritableFile::~WritableFile() {
  if (fd_ >= 0) ::close(fd_);
}

OSErr WritableFile::WriteAt(SInt64 offset, const void* bytes, size_t size) {
  if (fd_ < 0) return openError_;
  return WriteAll(fd_, path_, offset, bytes, size);
}

OSErr WritableFile::Sync() {
  if (fd_ < 0) return openError_;
  if (OSErr fault = Fault(IOOperation::kSync, path_)) return fault;
  return ::fsync(fd_) == 0 ? noErr : ioErr;
}

OSErr WritableFile::Truncate(SInt64 size) {
  if (fd_ < 0) return openError_;
  return TruncateTo(fd_, path_, size);
}

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

bool PersonAtTerminal() {
  return isatty(STDIN_FILENO) == 1 && isatty(STDERR_FILENO) == 1;
}

bool ReadStandardInputLine(std::string* line) {
  line->clear();
  char c = 0;
  for (;;) {
    ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return !line->empty();
    if (c == '\n') return true;
    line->push_back(c);
  }
}

void WriteStandardError(const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace qtml::os
