// Data references as the rest of the engine uses them: alias records for
// files, and the stores that a data reference opens. Exported for the
// engine's tests.
//
// Data reference types: 'alis' (an AliasHandle's bytes), 'url ' (a
// NUL-terminated URL; only file: URLs open, there is no network), 'hndl'
// (the bytes of a Handle value naming a live handle), 'ptr ' (a
// PointerDataRefRecord: data pointer and size, native order).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "movie_model.h"

namespace qtml {

// The bytes of an alias record naming a native path (the file need not
// exist), as QTNewAlias puts them in an AliasHandle.
QTML_API std::vector<uint8_t> MakeAliasRecord(const std::string& path);
// The path an alias record names; false when the bytes are not one.
QTML_API bool AliasRecordPath(const uint8_t* bytes, size_t size, std::string* path);

// What an alias record holds.
struct AliasFields {
  std::string path;      // absolute native path
  std::string leaf;      // its leaf name, at most 63 bytes
  std::string relative;  // from the directory of the file it was made
                         // from; empty when made without one
  bool minimal = false;
};
constexpr uint16_t kAliasMinimal = 1;  // flag of a record made minimal
// An alias record for `path` (made absolute against the current
// directory); empty when the path is too long for a record.
QTML_API std::vector<uint8_t> MakeAliasRecord(const std::string& path, const std::string& relative,
                                              bool minimal);
// False when the bytes are not a whole alias record of a known version.
QTML_API bool ParseAliasRecord(const uint8_t* bytes, size_t size, AliasFields* fields);

// A store over a native file: reads, and appends when opened writable.
// nullptr with *err (fnfErr, permErr, ioErr) when it cannot be opened.
QTML_API std::shared_ptr<DataStore> OpenFileStore(const std::string& path, bool writable,
                                                  OSErr* err);
// A store over bytes in memory, growing on append.
QTML_API std::shared_ptr<DataStore> NewMemoryStore(std::vector<uint8_t> bytes = {});

// Opens the store a data reference names. For 'alis' and 'url ' this is
// the file it resolves to; for 'hndl' and 'ptr ' the memory it names.
// nullptr with *err: couldNotResolveDataRef for a reference that names
// nothing live (a missing file, a disposed handle, a URL that is not a
// file: URL), invalidDataRef for bytes that are not a reference of the
// type, noDataHandler for a type the engine has no handler for, and the
// file's own error (permErr, ...) when it exists but cannot be opened.
QTML_API std::shared_ptr<DataStore> OpenDataRefStore(OSType type, const uint8_t* ref, size_t size,
                                                     bool writable, OSErr* err);

}  // namespace qtml
