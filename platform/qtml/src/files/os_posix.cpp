// The file-system seam over POSIX calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <memory>

#include "files/os.h"

namespace qtml::os {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

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

EntryKind KindOf(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return EntryKind::kMissing;
  if (S_ISREG(info.st_mode)) return EntryKind::kFile;
  if (S_ISDIR(info.st_mode)) return EntryKind::kDirectory;
  return EntryKind::kOther;
}

std::string CurrentDirectory() {
  char buffer[PATH_MAX];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return "/";
  return buffer;
}

OSErr CreateNewFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return ErrorFromErrno(errno);
  ::close(fd);
  return noErr;
}

OSErr RemoveFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0 ? noErr : ErrorFromErrno(errno);
}

OSErr RemoveDirectory(const std::string& path) {
  return ::rmdir(path.c_str()) == 0 ? noErr : ErrorFromErrno(errno);
}

OSErr ReadWholeFile(const std::string& path, std::string* bytes) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return ErrorFromErrno(errno);
  bytes->clear();
  char buffer[65536];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
    bytes->append(buffer, count);
  return std::ferror(file.get()) ? ioErr : noErr;
}

OSErr WriteWholeFile(const std::string& path, const std::string& bytes) {
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) return ErrorFromErrno(errno);
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return ioErr;
  return std::fflush(file.get()) == 0 ? noErr : ErrorFromErrno(errno);
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

WritableFile::WritableFile(const std::string& path, Mode mode) {
  int flags = mode == Mode::kReplace ? O_WRONLY | O_CREAT | O_TRUNC : O_WRONLY;
  fd_ = open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd_ < 0) openError_ = ErrorFromErrno(errno);
}

WritableFile::~WritableFile() {
  if (fd_ >= 0) close(fd_);
}

OSErr WritableFile::WriteAt(SInt64 offset, const void* bytes, size_t size) {
  if (fd_ < 0) return openError_;
  const auto* at = static_cast<const unsigned char*>(bytes);
  while (size > 0) {
    ssize_t done = pwrite(fd_, at, size, offset);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return done < 0 && errno == ENOSPC ? dskFulErr : ioErr;
    at += done;
    offset += done;
    size -= static_cast<size_t>(done);
  }
  return noErr;
}

OSErr WritableFile::Sync() {
  if (fd_ < 0) return openError_;
  return fsync(fd_) == 0 ? noErr : ioErr;
}

OSErr WritableFile::Truncate(SInt64 size) {
  if (fd_ < 0) return openError_;
  return ftruncate(fd_, size) == 0 ? noErr : ErrorFromErrno(errno);
}

}  // namespace qtml::os
