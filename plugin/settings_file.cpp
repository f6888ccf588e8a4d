#include "plugin/settings_file.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "MacErrors.h"
#include "MacMemory.h"
#include "plugin/bridges.h"

namespace fenra {
namespace {

constexpr char kMarker[4] = {'Q', 'T', 'L', 'B'};
constexpr long kPreambleSize = 512;
constexpr long kContainerOffset = kPreambleSize + sizeof kMarker;

void StoreBigEndian(uint32_t value, uint8_t out[4]) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A name in the folder of `path` for writing a new file before it takes
// the path's name; it does not grow with the file's own name.
std::string AsidePath(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  return folder + ".settings-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

// The result code of a failed write, from errno.
OSErr WriteError() {
  return errno == ENOSPC || errno == EDQUOT ? OSErr{dskFulErr} : OSErr{ioErr};
}

// Writes the preamble, the marker and `size` bytes of the container into
// a new file at `path`, flushed to the disk. A file already there is an
// error: the name is the writer's alone.
OSErr WriteNewFile(const std::string& path, const char* bytes, Size size) {
  static const char kZeros[kPreambleSize] = {};
  std::FILE* file = std::fopen(path.c_str(), "wbx");
  if (file == nullptr) return kNoNativeErr;
  bool written =
      std::fwrite(kZeros, 1, sizeof kZeros, file) == sizeof kZeros &&
      std::fwrite(kMarker, 1, sizeof kMarker, file) == sizeof kMarker &&
      std::fwrite(bytes, 1, static_cast<size_t>(size), file) == static_cast<size_t>(size) &&
      std::fflush(file) == 0 && fsync(fileno(file)) == 0;
  OSErr err = written ? OSErr{noErr} : WriteError();
  if (std::fclose(file) != 0 && err == noErr) err = WriteError();
  return err;
}

// A leaf's data copied out, at most `size` bytes; false when absent.
bool ReadLeaf(QTAtomContainer container, QTAtom parent, QTAtomType type, void* out, long size) {
  QTAtom atom = QTFindChildByIndex(container, parent, type, 1, nullptr);
  if (atom == 0) return false;
  long actual = 0;
  return QTCopyAtomDataToPtr(container, atom, true, size, out, &actual) == noErr;
}

}  // namespace

SettingsFile::~SettingsFile() {
  DisposeContainer();
}

void SettingsFile::DisposeContainer() {
  if (container != nullptr) QTDisposeAtomContainer(container);
  container = nullptr;
}

OSType SettingsFile::TypeCode() const {
  return static_cast<OSType>(type[0]) << 24 | static_cast<OSType>(type[1]) << 16 |
         static_cast<OSType>(type[2]) << 8 | type[3];
}

void SettingsFile::Create(OSType typeCode, uint32_t formatVersion) {
  StoreBigEndian(typeCode, type);
  StoreBigEndian(formatVersion, version);
  dataCount = 0;
  if (typeCode == 0) {
    err = kParamErr;
    return;
  }
  DisposeContainer();
  err = QTNewAtomContainer(&container);
  if (err != noErr) return;
  QTAtom description = 0;
  err = QTInsertChild(container, kParentAtomIsContainer, 'DESC', 0, 0, 0, nullptr, &description);
  if (err != noErr) return;
  err = QTInsertChild(container, description, 'VERS', 0, 0, sizeof version, version, nullptr);
  if (err != noErr) return;
  err = QTInsertChild(container, description, 'TYPE', 0, 0, sizeof type, type, nullptr);
}

void SettingsFile::AddRecord(int32_t flags, std::string_view description, const void* package,
                             long packageSize) {
  if (container == nullptr) return;
  QTAtom record = 0;
  err = QTInsertChild(container, kParentAtomIsContainer, 'DATA', 0, 0, 0, nullptr, &record);
  if (err != noErr) return;
  if (flags != 0) {
    uint8_t littleEndian[4];
    for (int i = 0; i < 4; ++i) littleEndian[i] = static_cast<uint8_t>(flags >> (8 * i));
    err = QTInsertChild(container, record, 'FLGS', 0, 0, 4, littleEndian, nullptr);
    if (err != noErr) return;
  }
  if (!description.empty()) {
    std::string text(description);  // the stored text keeps its NUL
    err = QTInsertChild(container, record, 'DESC', 0, 0, static_cast<long>(text.size() + 1),
                        text.data(), nullptr);
    if (err != noErr) return;
  }
  err = QTInsertChild(container, record, 'PCKG', 0, 0, packageSize, const_cast<void*>(package),
                      nullptr);
}

void SettingsFile::WriteFile(const std::string& path) {
  if (path.empty() || container == nullptr) {
    err = kNoNativeErr;
    return;
  }
  Size size = 0;
  err = HandleSize(container, &size);
  if (err != noErr) return;
  // The new file is written whole beside the old one and only then takes
  // its name, so a failed save leaves the old file as it was.
  std::string aside = AsidePath(path);
  HLock(container);
  err = WriteNewFile(aside, *container, size);
  HUnlock(container);
  if (err == noErr && std::rename(aside.c_str(), path.c_str()) != 0) err = WriteError();
  if (err != noErr) std::remove(aside.c_str());
}

void SettingsFile::ReadFile(const std::string& path) {
  File file(path.empty() ? nullptr : std::fopen(path.c_str(), "rb"));
  if (!file) {
    err = kFileOpenErr;
    return;
  }
  char marker[4] = {};
  if (std::fseek(file.get(), kPreambleSize, SEEK_SET) != 0 ||
      std::fread(marker, 1, 4, file.get()) != 4 || std::memcmp(marker, kMarker, 4) != 0) {
    err = kFileFormatErr;
    return;
  }
  if (std::fseek(file.get(), 0, SEEK_END) != 0) {
    err = kFileFormatErr;
    return;
  }
  long size = std::ftell(file.get()) - kContainerOffset;
  if (size <= 0 || std::fseek(file.get(), kContainerOffset, SEEK_SET) != 0) {
    err = kFileFormatErr;
    return;
  }
  Handle bytes = NewHandle(size);
  if (bytes == nullptr) {
    err = kNoNativeErr;
    return;
  }
  DisposeContainer();
  if (std::fread(*bytes, 1, static_cast<size_t>(size), file.get()) == static_cast<size_t>(size)) {
    QTCopyAtom(bytes, kParentAtomIsContainer, &container);
  }
  DisposeHandle(bytes);

  QTAtom description =
      container ? QTFindChildByIndex(container, kParentAtomIsContainer, 'DESC', 1, nullptr) : 0;
  if (description == 0 || !ReadLeaf(container, description, 'TYPE', type, sizeof type)) {
    DisposeContainer();
    err = kFileFormatErr;
    return;
  }
  ReadLeaf(container, description, 'VERS', version, sizeof version);
  dataCount = QTCountChildrenOfType(container, kParentAtomIsContainer, 'DATA');
  err = noErr;
}

QTAtom SettingsFile::FindRecordPackage(long number, SettingsRecord* record) {
  if (container == nullptr || !std::in_range<short>(number)) return 0;
  QTAtom data = QTFindChildByIndex(container, kParentAtomIsContainer, 'DATA',
                                   static_cast<short>(number), nullptr);
  if (data == 0) return 0;
  if (record != nullptr) {
    uint8_t flags[4] = {};
    record->flags = 0;
    if (ReadLeaf(container, data, 'FLGS', flags, sizeof flags)) {
      record->flags = static_cast<int32_t>(flags[0] | flags[1] << 8 | flags[2] << 16 |
                                           static_cast<uint32_t>(flags[3]) << 24);
    }
    record->description.clear();
    QTAtom text = QTFindChildByIndex(container, data, 'DESC', 1, nullptr);
    Handle textBytes = text ? NewHandle(0) : nullptr;
    Size length = 0;
    if (textBytes && QTCopyAtomDataToHandle(container, text, textBytes) == noErr &&
        HandleSize(textBytes, &length) == noErr) {
      record->description.assign(*textBytes, strnlen(*textBytes, static_cast<size_t>(length)));
    }
    if (textBytes) DisposeHandle(textBytes);
  }
  return QTFindChildByIndex(container, data, 'PCKG', 1, nullptr);
}

OSErr SettingsFile::GetRecord(long number, Handle* package, SettingsRecord* record) {
  QTAtom atom = FindRecordPackage(number, record);
  if (atom == 0 || package == nullptr) return paramErr;
  Handle copy = NewHandle(0);
  if (copy == nullptr) return MemError();
  OSErr result = QTCopyAtomDataToHandle(container, atom, copy);
  if (result != noErr) {
    DisposeHandle(copy);
    return result;
  }
  *package = copy;
  return noErr;
}

}  // namespace fenra
