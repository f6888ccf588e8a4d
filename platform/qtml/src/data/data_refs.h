// Data references as the rest of the engine uses them: alias records for
// files, and the stores that a data reference opens.
//
// Data reference types: 'alis' (an AliasHandle's bytes), 'url ' (a
// NUL-terminated URL; only file: URLs open, there is no network), 'hndl'
// (the bytes of a Handle value naming a live handle), 'ptr ' (a
// PointerDataRefRecord: data pointer and size, native order).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "movies/movie_model.h"

namespace qtml {

// Alias records, in the Alias Manager's layout (version 2, described in
// Aliases.h) that QuickTime writes into movie files, so that other readers
// of movie files can follow them.

// The name of the one volume records know, the whole native file system.
// Fixed rather than the host's name, so that a record names a file the
// same way on every machine.
constexpr char kAliasVolumeName[] = "Macintosh HD";

// The bytes of a minimal alias record naming a native path (the file need
// not exist), as QTNewAlias puts them in an AliasHandle.
std::vector<uint8_t> MakeAliasRecord(const std::string& path);
// The path an alias record names; false when the bytes are not one.
bool AliasRecordPath(const uint8_t* bytes, size_t size, std::string* path);

// What an alias record holds.
struct AliasFields {
  OSType userType = 0;   // the caller's
  std::string path;      // absolute native path
  std::string leaf;      // its leaf name, whole: the last name of path
  std::string volume;    // the volume's name
  std::string relative;  // from the directory of the file it was made
                         // from, as "../" repeated then the path's last
                         // names; empty when made without one
  bool minimal = false;  // made without a relative path
};
// An alias record for `path` (made absolute against the current
// directory). `relative` (ignored when `minimal`) is the path from the
// directory of the file the alias is made from, "../" repeated and then
// the last names of `path`, as lexically_relative gives it. Empty when the
// path is too long for a record or `relative` is not of that form.
std::vector<uint8_t> MakeAliasRecord(const std::string& path, const std::string& relative,
                                     bool minimal);
// An alias record for `path` that also holds its path from the directory
// of `fromPath`, so that the two are found together after both move.
// Empty as MakeAliasRecord.
std::vector<uint8_t> MakeRelativeAliasRecord(const std::string& path, const std::string& fromPath);
// False when the bytes are not one whole alias record of version 2 that
// names a path: too short, sizes that disagree, names or tags that run
// past their room, no end tag.
bool ParseAliasRecord(const uint8_t* bytes, size_t size, AliasFields* fields);

// Where the file an alias names is now: with a `fromPath`, its place
// relative to fromPath's directory when something is there; else its
// absolute path when something is there; "" when neither.
std::string LocateAliasTarget(const AliasFields& fields, const std::string& fromPath);
// Brings an alias record read from the file at `fromPath` up to date:
// when it is found elsewhere than its absolute path, the record is
// remade to name that place (same userType and relative path) and true
// is answered. False, the record untouched, otherwise.
bool RelocateAliasRecord(std::vector<uint8_t>* record, const std::string& fromPath);

// A store over a native file: reads, and appends when opened writable.
// nullptr with *err (fnfErr, permErr, ioErr) when it cannot be opened.
std::shared_ptr<DataStore> OpenFileStore(const std::string& path, bool writable, OSErr* err);
// What a store's last Read or Append that failed answers: the file
// system's error when a file could not be read or written (ioErr,
// dskFulErr, ...); `otherwise` when it failed for another reason (bytes
// past the end, a store that cannot be written) or is not a file's.
OSErr StoreError(const DataStore& store, OSErr otherwise);
// A store over bytes in memory, growing on append.
std::shared_ptr<DataStore> NewMemoryStore(std::vector<uint8_t> bytes = {});

// Opens the store a data reference names. For 'alis' and 'url ' this is
// the file it resolves to; for 'hndl' and 'ptr ' the memory it names.
// nullptr with *err: couldNotResolveDataRef for a reference that names
// nothing live (a missing file, a disposed handle, a URL that is not a
// file: URL), invalidDataRef for bytes that are not a reference of the
// type, noDataHandler for a type the engine has no handler for, and the
// file's own error (permErr, ...) when it exists but cannot be opened.
std::shared_ptr<DataStore> OpenDataRefStore(OSType type, const uint8_t* ref, size_t size,
                                            bool writable, OSErr* err);

}  // namespace qtml
