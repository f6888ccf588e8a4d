// The Alias Manager, and QuickTime's calls that make aliases and alias
// data references. The record format is data_refs.cpp's; here aliases meet
// FSSpecs and handles.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Aliases.h"
#include "Movies.h"
#include "base/api_call.h"
#include "base/byte_order.h"
#include "data/data_refs.h"
#include "files/files.h"
#include "memory/memory.h"
#include "movies/movie_toolbox.h"
#include "files/os.h"

namespace qtml {
namespace {

// The native path of fromFile, or "" when there is none or it names
// nothing.
std::string FromPath(const FSSpec* fromFile) {
  std::string from;
  if (fromFile == nullptr || SpecToPath(fromFile, &from) != noErr) return std::string();
  return from;
}

// A new handle holding `bytes`, in *alias; memFullErr when either the
// record or the handle could not be made.
OSErr HandOut(const std::vector<uint8_t>& bytes, Handle* out) {
  if (bytes.empty()) return memFullErr;
  OSErr err = noErr;
  Handle handle = NewHandleBytes(static_cast<Size>(bytes.size()), false, &err);
  if (handle == nullptr) return err;
  std::memcpy(*handle, bytes.data(), bytes.size());
  *out = handle;
  return noErr;
}

// An alias record for the file spec names, whether or not it exists.
OSErr AliasBytesForSpec(const FSSpec* spec, const FSSpec* fromFile, bool minimal, bool mustExist,
                        std::vector<uint8_t>* bytes) {
  if (spec == nullptr) return paramErr;
  std::string path;
  if (OSErr err = SpecToPath(spec, &path)) return err;
  if (mustExist && os::KindOf(path) == os::EntryKind::kMissing) return fnfErr;
  std::string from = minimal ? std::string() : FromPath(fromFile);
  *bytes = from.empty() ? MakeAliasRecord(path, std::string(), minimal)
                        : MakeRelativeAliasRecord(path, from);
  return bytes->empty() ? paramErr : noErr;
}

OSErr NewAliasHandle(const FSSpec* fromFile, const FSSpec* target, bool minimal, bool mustExist,
                     AliasHandle* alias) {
  if (alias == nullptr) return paramErr;
  *alias = nullptr;
  std::vector<uint8_t> bytes;
  if (OSErr err = AliasBytesForSpec(target, fromFile, minimal, mustExist, &bytes)) return err;
  return HandOut(bytes, reinterpret_cast<Handle*>(alias));
}

OSErr ReadAlias(AliasHandle alias, AliasFields* fields) {
  Handle handle = reinterpret_cast<Handle>(alias);
  if (alias == nullptr || !IsHandle(handle)) return paramErr;
  if (!ParseAliasRecord(reinterpret_cast<const uint8_t*>(*handle),
                        static_cast<size_t>(HandleSize(handle)), fields)) {
    return paramErr;
  }
  return noErr;
}

// Fills *target for a file that is gone: the spec of its path when its
// directory is still there, otherwise only its leaf name (none when the
// name is longer than a spec holds).
void FillMissingTarget(const AliasFields& fields, FSSpec* target) {
  if (PathToSpec(fields.path, target) == fnfErr) return;
  std::memset(target, 0, sizeof *target);
  target->vRefNum = kVolumeRefNum;
  if (fields.leaf.size() >= sizeof target->name) return;
  target->name[0] = static_cast<unsigned char>(fields.leaf.size());
  std::memcpy(target->name + 1, fields.leaf.data(), fields.leaf.size());
}

OSErr Resolve(const FSSpec* fromFile, AliasHandle alias, FSSpec* target, Boolean* wasChanged) {
  if (target == nullptr) return paramErr;
  if (wasChanged != nullptr) *wasChanged = false;
  AliasFields fields;
  if (OSErr err = ReadAlias(alias, &fields)) return err;
  std::string found = LocateAliasTarget(fields, FromPath(fromFile));
  if (found.empty()) {
    FillMissingTarget(fields, target);
    return fnfErr;
  }
  if (OSErr err = PathToSpec(found, target)) return err;
  if (found == fields.path) return noErr;
  // Found by its relative path: the alias now names the new place.
  std::vector<uint8_t> bytes = MakeAliasRecord(found, fields.relative, false);
  if (bytes.empty()) return memFullErr;
  WriteBE32(bytes.data(), fields.userType);
  if (OSErr err = SetHandleBytes(reinterpret_cast<Handle>(alias), bytes.data(),
                                 static_cast<Size>(bytes.size()))) {
    return err;
  }
  if (wasChanged != nullptr) *wasChanged = true;
  return noErr;
}

OSErr Update(const FSSpec* fromFile, const FSSpec* target, AliasHandle alias, Boolean* wasChanged) {
  AliasFields old;
  if (OSErr err = ReadAlias(alias, &old)) return err;
  std::vector<uint8_t> bytes;
  if (OSErr err = AliasBytesForSpec(target, fromFile, false, true, &bytes)) return err;
  WriteBE32(bytes.data(), old.userType);
  Handle handle = reinterpret_cast<Handle>(alias);
  bool same = static_cast<size_t>(HandleSize(handle)) == bytes.size() &&
              std::memcmp(*handle, bytes.data(), bytes.size()) == 0;
  if (OSErr err = SetHandleBytes(handle, bytes.data(), static_cast<Size>(bytes.size()))) {
    return err;
  }
  if (wasChanged != nullptr) *wasChanged = !same;
  return noErr;
}

// The index-th name of an alias as GetAliasInfo counts them.
std::string AliasName(const AliasFields& fields, AliasInfoType index) {
  if (index == asiVolumeName) return fields.volume;
  if (index < asiAliasName) return std::string();
  std::filesystem::path path(fields.path);
  for (AliasInfoType up = asiAliasName; up < index && path.has_relative_path(); ++up) {
    path = path.parent_path();
  }
  if (!path.has_relative_path()) return std::string();
  return path.filename().string();
}

OSErr Info(AliasHandle alias, AliasInfoType index, Str63 theString) {
  if (theString == nullptr) return paramErr;
  AliasFields fields;
  if (OSErr err = ReadAlias(alias, &fields)) return err;
  std::string name = TruncatedName(AliasName(fields, index), sizeof(Str63) - 1);
  theString[0] = static_cast<unsigned char>(name.size());
  std::memcpy(theString + 1, name.data(), name.size());
  return noErr;
}

OSErr NewFromFullPath(short length, const void* fullPath, AliasHandle* alias) {
  if (alias == nullptr) return paramErr;
  *alias = nullptr;
  if (fullPath == nullptr || length <= 0) return paramErr;
  std::string path(static_cast<const char*>(fullPath), static_cast<size_t>(length));
  if (path.find('\0') != std::string::npos) path.resize(path.find('\0'));
  if (path.empty()) return paramErr;
  return HandOut(MakeAliasRecord(path, std::string(), true), reinterpret_cast<Handle*>(alias));
}

OSErr NewDataReference(const FSSpec* spec, UInt32 flags, Handle* dataRef, OSType* type) {
  if (dataRef == nullptr || flags != 0) return paramErr;
  *dataRef = nullptr;
  std::vector<uint8_t> bytes;
  if (OSErr err = AliasBytesForSpec(spec, nullptr, true, false, &bytes)) return err;
  if (OSErr err = HandOut(bytes, dataRef)) return err;
  if (type != nullptr) *type = rAliasType;
  return noErr;
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::Guarded;

extern "C" {

OSErr NewAlias(const FSSpec* fromFile, const FSSpec* target, AliasHandle* alias) try {
  ApiCall call("NewAlias", fromFile, target, alias);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(Guarded<OSErr>(
      memFullErr, [&] { return qtml::NewAliasHandle(fromFile, target, false, true, alias); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr NewAliasMinimal(const FSSpec* target, AliasHandle* alias) try {
  ApiCall call("NewAliasMinimal", target, alias);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(Guarded<OSErr>(
      memFullErr, [&] { return qtml::NewAliasHandle(nullptr, target, true, true, alias); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr NewAliasMinimalFromFullPath(short fullPathLength, const void* fullPath, ConstStr32Param,
                                  ConstStr31Param, AliasHandle* alias) try {
  ApiCall call("NewAliasMinimalFromFullPath", fullPathLength, fullPath, alias);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(Guarded<OSErr>(
      memFullErr, [&] { return qtml::NewFromFullPath(fullPathLength, fullPath, alias); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr ResolveAlias(const FSSpec* fromFile, AliasHandle alias, FSSpec* target,
                   Boolean* wasChanged) try {
  ApiCall call("ResolveAlias", fromFile, alias, target, wasChanged);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(Guarded<OSErr>(
      memFullErr, [&] { return qtml::Resolve(fromFile, alias, target, wasChanged); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr UpdateAlias(const FSSpec* fromFile, const FSSpec* target, AliasHandle alias,
                  Boolean* wasChanged) try {
  ApiCall call("UpdateAlias", fromFile, target, alias, wasChanged);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(Guarded<OSErr>(
      memFullErr, [&] { return qtml::Update(fromFile, target, alias, wasChanged); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr GetAliasInfo(AliasHandle alias, AliasInfoType index, Str63 theString) try {
  ApiCall call("GetAliasInfo", alias, index, theString);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(
      Guarded<OSErr>(memFullErr, [&] { return qtml::Info(alias, index, theString); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr QTNewAlias(const FSSpec* fss, AliasHandle* alias, Boolean minimal) try {
  ApiCall call("QTNewAlias", fss, alias, minimal);
  OSErr err = call.Fault();
  if (err == noErr) err = qtml::RequireMovieToolbox();
  if (err == noErr) {
    // Every alias made here is minimal: the engine's aliases name a path,
    // and a full one would only add the path from a file QTNewAlias lacks.
    err = Guarded<OSErr>(memFullErr,
                         [&] { return qtml::NewAliasHandle(nullptr, fss, true, false, alias); });
  }
  qtml::SetMoviesError(err);
  return call.Return(err);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr QTNewDataReferenceFromFSSpec(const FSSpec* fsspec, UInt32 flags, Handle* outDataRef,
                                   OSType* outDataRefType) try {
  ApiCall call("QTNewDataReferenceFromFSSpec", fsspec, flags, outDataRef, outDataRefType);
  OSErr err = call.Fault();
  if (err == noErr) err = qtml::RequireMovieToolbox();
  if (err == noErr) {
    err = Guarded<OSErr>(memFullErr, [&] {
      return qtml::NewDataReference(fsspec, flags, outDataRef, outDataRefType);
    });
  }
  qtml::SetMoviesError(err);
  return call.Return(err);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
