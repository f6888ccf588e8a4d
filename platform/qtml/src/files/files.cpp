// The File Manager: FSSpecs over native paths.
//
// Directory IDs come from a table of the directory paths the engine has
// met: the root is fsRtDirID and its parent fsRtParID; the others count up
// from 3 in order of first use. Paths are kept as given, made absolute and
// normalised (no ".", "..", repeated or trailing slashes); symbolic links
// are not resolved, so two names of one directory get two IDs.
#include <cstring>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/api_call.h"
#include "files/files.h"
#include "files/finder_info.h"
#include "memory/memory.h"
#include "files/os.h"

namespace qtml {
namespace {

constexpr size_t kMaxLeafName = sizeof(StrFileName) - 1;
constexpr SInt32 kFirstDirectoryID = fsRtDirID + 1;

class DirectoryTable {
 public:
  SInt32 IdFor(const std::string& path) {
    if (path == "/") return fsRtDirID;
    auto found = ids_.find(path);
    if (found != ids_.end()) return found->second;
    SInt32 id = kFirstDirectoryID + static_cast<SInt32>(paths_.size());
    paths_.push_back(path);
    ids_.emplace(path, id);
    return id;
  }
  // False for an ID never handed out.
  bool PathFor(long id, std::string* path) const {
    if (id == fsRtDirID) {
      *path = "/";
      return true;
    }
    if (id < kFirstDirectoryID || id - kFirstDirectoryID >= static_cast<long>(paths_.size())) {
      return false;
    }
    *path = paths_[static_cast<size_t>(id - kFirstDirectoryID)];
    return true;
  }

 private:
  std::vector<std::string> paths_;  // index = id - kFirstDirectoryID
  std::unordered_map<std::string, SInt32> ids_;
};

DirectoryTable& Directories() {
  static DirectoryTable table;
  return table;
}

std::string Normalise(const std::string& path) {
  std::filesystem::path full(path);
  if (full.is_relative()) full = std::filesystem::path(os::CurrentDirectory()) / full;
  std::string text = full.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

std::string JoinPath(const std::string& directory, const std::string& leaf) {
  if (leaf.empty()) return directory;
  return directory == "/" ? "/" + leaf : directory + "/" + leaf;
}

void FillSpec(FSSpec* spec, SInt32 parID, const std::string& leaf) {
  std::memset(spec, 0, sizeof *spec);
  spec->vRefNum = kVolumeRefNum;
  spec->parID = parID;
  spec->name[0] = static_cast<unsigned char>(leaf.size());
  std::memcpy(spec->name + 1, leaf.data(), leaf.size());
}

std::string LeafName(const FSSpec& spec) {
  return std::string(reinterpret_cast<const char*>(spec.name + 1), spec.name[0]);
}

OSErr CopyOut(const std::string& text, char* out, long maxLen) {
  if (static_cast<long>(text.size()) + 1 > maxLen) return paramErr;
  std::memcpy(out, text.c_str(), text.size() + 1);
  return noErr;
}

OSErr CreateFile(const FSSpec* spec, OSType creator, OSType fileType) {
  std::string path;
  OSErr err = SpecToPath(spec, &path);
  if (err != noErr) return err;
  if (spec->name[0] == 0) return bdNamErr;
  err = os::CreateNewFile(path);
  if (err == fnfErr) return dirNFErr;  // the parent directory is gone
  if (err != noErr) return err;
  FInfo info{};
  info.fdType = fileType;
  info.fdCreator = creator;
  err = WriteFinderInfo(path, info);
  if (err != noErr) os::RemoveFile(path);
  return err;
}

OSErr DeleteEntry(const FSSpec* spec) {
  std::string path;
  OSErr err = SpecToPath(spec, &path);
  if (err != noErr) return err;
  os::EntryKind kind = os::EntryKind::kMissing;
  if ((err = os::KindAt(path, &kind)) != noErr) return err;
  switch (kind) {
    case os::EntryKind::kMissing:
      return fnfErr;
    case os::EntryKind::kDirectory:
      return os::RemoveDirectory(path);
    default:
      err = os::RemoveFile(path);
      if (err == noErr) RemoveFinderInfoSidecar(path);
      return err;
  }
}

OSErr ExchangeFiles(const FSSpec* a, const FSSpec* b) {
  std::string first, second;
  if (OSErr err = ExistingFilePath(a, &first)) return err;
  if (OSErr err = ExistingFilePath(b, &second)) return err;
  return os::Exchange(first, second);
}

OSErr GetInfo(const FSSpec* spec, FInfo* info) {
  std::string path;
  OSErr err = ExistingFilePath(spec, &path);
  if (err != noErr) return err;
  if (ReadFinderInfo(path, info) == noErr) return noErr;
  *info = FInfo{};
  info->fdType = TypeForExtension(path);
  return noErr;
}

OSErr SetInfo(const FSSpec* spec, const FInfo* info) {
  std::string path;
  OSErr err = ExistingFilePath(spec, &path);
  return err == noErr ? WriteFinderInfo(path, *info) : err;
}

// The directory a File Manager call names by volume and directory ID.
OSErr BaseDirectory(short vRefNum, long dirID, std::string* path) {
  if (vRefNum != 0 && vRefNum != kVolumeRefNum) return nsvErr;
  if (dirID == 0) {
    *path = Normalise(os::CurrentDirectory());
    return noErr;
  }
  if (dirID == fsRtParID) {
    *path = "/";
    return noErr;
  }
  return DirectoryPath(dirID, path);
}

OSErr MakeSpec(short vRefNum, long dirID, ConstStr255Param fileName, FSSpec* spec) {
  if (spec == nullptr) return paramErr;
  std::string name;
  if (fileName != nullptr) name.assign(reinterpret_cast<const char*>(fileName + 1), fileName[0]);
  std::string base;
  if (name.empty() || name[0] != '/') {
    OSErr err = BaseDirectory(vRefNum, dirID, &base);
    if (err != noErr) return err;
    os::EntryKind kind = os::EntryKind::kMissing;
    if ((err = os::KindAt(base, &kind)) != noErr) return err;
    if (kind != os::EntryKind::kDirectory) return dirNFErr;
  }
  return PathToSpec(name.empty() || name[0] != '/' ? JoinPath(base, name) : name, spec);
}

}  // namespace

OSErr ExistingFilePath(const FSSpec* spec, std::string* path) {
  OSErr err = SpecToPath(spec, path);
  if (err != noErr) return err;
  os::EntryKind kind = os::EntryKind::kMissing;
  if ((err = os::KindAt(*path, &kind)) != noErr) return err;
  switch (kind) {
    case os::EntryKind::kMissing:
      return fnfErr;
    case os::EntryKind::kFile:
      return noErr;
    default:
      return notAFileErr;
  }
}

OSErr DirectoryPath(long dirID, std::string* path) {
  return Directories().PathFor(dirID, path) ? noErr : dirNFErr;
}

std::string TruncatedName(const std::string& name, size_t room) {
  if (name.size() <= room) return name;
  size_t cut = room;
  while (cut > 0 && (static_cast<uint8_t>(name[cut]) & 0xC0) == 0x80) --cut;
  return name.substr(0, cut);
}

OSErr PathToSpec(const std::string& path, FSSpec* spec) {
  if (spec == nullptr || path.empty()) return paramErr;
  std::string full = Normalise(path);
  if (full == "/") {
    FillSpec(spec, fsRtParID, "");
    return noErr;
  }
  size_t slash = full.rfind('/');
  std::string parent = slash == 0 ? "/" : full.substr(0, slash);
  std::string leaf = full.substr(slash + 1);
  if (leaf.size() > kMaxLeafName) return bdNamErr;
  // A folder or file that cannot be looked at answers why, not that it
  // is missing.
  os::EntryKind kind = os::EntryKind::kMissing;
  if (OSErr err = os::KindAt(parent, &kind)) return err;
  if (kind != os::EntryKind::kDirectory) return dirNFErr;
  FillSpec(spec, Directories().IdFor(parent), leaf);
  if (OSErr err = os::KindAt(full, &kind)) return err;
  return kind == os::EntryKind::kMissing ? fnfErr : noErr;
}

OSErr SpecToPath(const FSSpec* spec, std::string* path) {
  if (spec == nullptr) return paramErr;
  if (spec->vRefNum != kVolumeRefNum && spec->vRefNum != 0) return nsvErr;
  if (spec->parID == fsRtParID) {
    *path = "/";
    return noErr;
  }
  std::string directory;
  if (!Directories().PathFor(spec->parID, &directory)) return dirNFErr;
  *path = JoinPath(directory, LeafName(*spec));
  return noErr;
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::Guarded;
using qtml::PString;

extern "C" {

OSErr NativePathNameToFSSpec(char* inName, FSSpec* spec, long flags) try {
  ApiCall call("NativePathNameToFSSpec", static_cast<const char*>(inName), spec, flags);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (inName == nullptr) return call.Return<OSErr>(paramErr);
  return call.Return(Guarded<OSErr>(memFullErr, [&] { return qtml::PathToSpec(inName, spec); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr FSSpecToNativePathName(const FSSpec* spec, char* outName, long maxLen, long flags) try {
  ApiCall call("FSSpecToNativePathName", spec, static_cast<const void*>(outName), maxLen, flags);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (outName == nullptr) return call.Return<OSErr>(paramErr);
  return call.Return(Guarded<OSErr>(memFullErr, [&] {
    std::string path;
    OSErr err = qtml::SpecToPath(spec, &path);
    if (err != noErr) return err;
    if (flags & kFileNameOnly) return qtml::CopyOut(qtml::LeafName(*spec), outName, maxLen);
    if (flags & kDirectoryPathOnly) {
      if (spec->parID == fsRtParID) return qtml::CopyOut("/", outName, maxLen);
      std::string directory;
      qtml::DirectoryPath(spec->parID, &directory);
      return qtml::CopyOut(directory, outName, maxLen);
    }
    return qtml::CopyOut(path, outName, maxLen);
  }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr FSMakeFSSpec(short vRefNum, long dirID, ConstStr255Param fileName, FSSpec* spec) try {
  ApiCall call("FSMakeFSSpec", vRefNum, dirID, PString{fileName}, spec);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(
      Guarded<OSErr>(memFullErr, [&] { return qtml::MakeSpec(vRefNum, dirID, fileName, spec); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr FSpCreate(const FSSpec* spec, OSType creator, OSType fileType, ScriptCode scriptTag) try {
  ApiCall call("FSpCreate", spec, qtml::FourCC{creator}, qtml::FourCC{fileType}, scriptTag);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(
      Guarded<OSErr>(memFullErr, [&] { return qtml::CreateFile(spec, creator, fileType); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr FSpDelete(const FSSpec* spec) try {
  ApiCall call("FSpDelete", spec);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(Guarded<OSErr>(memFullErr, [&] { return qtml::DeleteEntry(spec); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr FSpExchangeFiles(const FSSpec* source, const FSSpec* dest) try {
  ApiCall call("FSpExchangeFiles", source, dest);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(Guarded<OSErr>(memFullErr, [&] { return qtml::ExchangeFiles(source, dest); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr FSpGetFInfo(const FSSpec* spec, FInfo* fndrInfo) try {
  ApiCall call("FSpGetFInfo", spec, fndrInfo);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (fndrInfo == nullptr) return call.Return<OSErr>(paramErr);
  return call.Return(Guarded<OSErr>(memFullErr, [&] { return qtml::GetInfo(spec, fndrInfo); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr FSpSetFInfo(const FSSpec* spec, const FInfo* fndrInfo) try {
  ApiCall call("FSpSetFInfo", spec, fndrInfo);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (fndrInfo == nullptr) return call.Return<OSErr>(paramErr);
  return call.Return(Guarded<OSErr>(memFullErr, [&] { return qtml::SetInfo(spec, fndrInfo); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
