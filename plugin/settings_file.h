// The settings file: 512 zero bytes, the marker "QTLB", then the bytes of
// one atom container naming the kind of object that wrote it (DESC with
// VERS and TYPE) and holding its records (DATA with FLGS, DESC, PCKG).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Movies.h"
#include "plugin/native_object.h"

namespace fenra {

// Result codes of stored files.
enum : int32_t {
  kFileOpenErr = 100,    // the file cannot be opened for reading, or no path
  kFileFormatErr = 111,  // not a settings file
  kFileTypeErr = 113,    // a settings file of another kind (reported by users)
};

// One record's contents, as GetRecord hands them out.
struct SettingsRecord {
  int32_t flags = 0;
  std::string description;  // empty when the record has none
};

// A temporary object for one write or one read; owns its container.
class SettingsFile final : public NativeObject {
 public:
  SettingsFile() = default;
  ~SettingsFile();
  SettingsFile(const SettingsFile&) = delete;
  SettingsFile& operator=(const SettingsFile&) = delete;

  bool IsValid() const override { return container != nullptr; }

  // Starts a container for a writer of `typeCode`; err is the first
  // failed step's result.
  void Create(OSType typeCode, uint32_t formatVersion = kFormatVersion);
  // Appends a record; stops at the first failed insertion.
  void AddRecord(int32_t flags, std::string_view description, const void* package,
                 long packageSize);
  // Writes the file at the native path: a new file written beside it and
  // renamed into place when whole, so a failure leaves what was there.
  // err: kNoNativeErr without a path or container or when the new file
  // cannot be made, the container's size error, dskFulErr or ioErr.
  void WriteFile(const std::string& path);
  // On success type, version and dataCount describe what was read.
  void ReadFile(const std::string& path);

  // Record `number` (first = 1): its package copied into a new handle
  // owned by the caller; a package that holds a component's settings is
  // then an atom container as it stands. -50 when it has no package.
  OSErr GetRecord(long number, Handle* package, SettingsRecord* record);

  // The stored type code, in reading order of its characters.
  OSType TypeCode() const;

  static constexpr uint32_t kFormatVersion = 2;

  QTAtomContainer container = nullptr;
  uint8_t type[4] = {};     // big-endian
  uint8_t version[4] = {};  // big-endian
  int32_t dataCount = 0;

 private:
  QTAtom FindRecordPackage(long number, SettingsRecord* record);
  void DisposeContainer();
};

}  // namespace fenra
