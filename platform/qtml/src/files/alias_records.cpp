// Alias records in the Alias Manager's version 2 layout (see Aliases.h),
// the form QuickTime writes into a reference movie's data references, so
// that other movie readers can follow what the engine writes.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "data/data_refs.h"
#include "files/files.h"
#include "files/finder_info.h"
#include "memory/memory.h"
#include "files/os.h"

namespace qtml {

namespace {

// The fixed part, big-endian. Catalog IDs and dates stay 0: a native file
// has none that would mean anything to another machine.
constexpr size_t kSizeOffset = 4;
constexpr size_t kVersionOffset = 6;
constexpr size_t kKindOffset = 8;
constexpr size_t kVolumeNameOffset = 10;  // a Str27 in 28 bytes
constexpr size_t kVolumeNameRoom = 28;
constexpr size_t kFileSystemOffset = 42;
constexpr size_t kFileNameOffset = 50;  // a Str63 in 64 bytes, cut; whole in the tags
constexpr size_t kFileNameRoom = 64;
constexpr size_t kFileTypeOffset = 122;
constexpr size_t kCreatorOffset = 126;
constexpr size_t kLevelsFromOffset = 130;
constexpr size_t kLevelsToOffset = 132;
constexpr size_t kFixedSize = 150;

constexpr uint16_t kAliasVersion = 2;
constexpr uint16_t kKindFile = 0;
constexpr uint16_t kKindFolder = 1;
constexpr uint16_t kFileSystemHFSPlus = 0x482B;  // 'H+'
constexpr uint16_t kNoLevels = 0xFFFF;           // no relative path
constexpr size_t kMaxRecordSize = 0xFFFF;

// Tags of the variable part: each a tag, a length and that many bytes,
// padded to an even length; kTagEnd with length 0 ends the record.
constexpr uint16_t kTagParentName = 0;    // the Mac name of the parent
constexpr uint16_t kTagHFSPath = 2;       // "Volume:dir:file"
constexpr uint16_t kTagUnicodeName = 14;  // UInt16 count, UTF-16BE units
constexpr uint16_t kTagUnicodeVolume = 15;
constexpr uint16_t kTagPOSIXPath = 18;  // from the volume's mount point
constexpr uint16_t kTagMountPoint = 19;
constexpr uint16_t kTagEnd = 0xFFFF;

// Absolute and without ".", ".." or repeated slashes, as the File
// Manager keeps paths.
std::string AbsolutePath(const std::string& path) {
  std::filesystem::path full(path);
  if (full.is_relative()) full = std::filesystem::path(os::CurrentDirectory()) / full;
  std::string text = full.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

std::string ParentOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

// The names of a path, separated by `separator`; empty names (as in
// "a//b" or a leading '/') are skipped.
std::vector<std::string> Split(const std::string& path, char separator) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(separator, start);
    if (end == std::string::npos) end = path.size();
    if (end > start) names.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

// Mac names may hold '/' but not ':'; native names the other way round.
std::string Swapped(std::string name, char from, char to) {
  for (char& c : name) {
    if (c == from) c = to;
  }
  return name;
}
std::string MacName(const std::string& native) {
  return Swapped(native, ':', '/');
}
std::string NativeName(const std::string& mac) {
  return Swapped(mac, '/', ':');
}

// The code point at text[*at], advancing past it. Native names are bytes:
// one that does not begin a well-formed UTF-8 sequence reads as U+FFFD.
char32_t NextCodePoint(const std::string& text, size_t* at) {
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  auto invalid = [&] {
    ++*at;
    return char32_t{0xFFFD};
  };
  uint8_t lead = byte(*at);
  size_t length = lead < 0x80           ? 1
                  : (lead >> 5) == 0x06 ? 2
                  : (lead >> 4) == 0x0E ? 3
                  : (lead >> 3) == 0x1E ? 4
                                        : 0;
  if (length == 0 || *at + length > text.size()) return invalid();
  char32_t code = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(*at + i) & 0xC0) != 0x80) return invalid();
    code = code << 6 | (byte(*at + i) & 0x3F);
  }
  if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    return invalid();
  }
  *at += length;
  return code;
}

// A Unicode name tag's data: the count of UTF-16 units, then the units.
std::string UnicodeName(const std::string& utf8) {
  std::u16string units;
  for (size_t at = 0; at < utf8.size();) {
    char32_t code = NextCodePoint(utf8, &at);
    if (code >= 0x10000) {
      code -= 0x10000;
      units += static_cast<char16_t>(0xD800 + (code >> 10));
      units += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      units += static_cast<char16_t>(code);
    }
  }
  std::string data(2 + 2 * units.size(), '\0');
  WriteBE16(&data[0], static_cast<uint16_t>(units.size()));
  for (size_t i = 0; i < units.size(); ++i) WriteBE16(&data[2 + 2 * i], units[i]);
  return data;
}

// The levels a relative path ("../" repeated, then the last names of the
// path) comes to: up from the file made from (1: its own directory), and
// down to the target. False when it is not of that form.
bool LevelsOf(const std::string& relative, const std::vector<std::string>& names, uint16_t* from,
              uint16_t* to) {
  std::vector<std::string> parts;
  for (std::string& part : Split(relative, '/')) {
    if (part != ".") parts.push_back(std::move(part));
  }
  size_t ups = 0;
  while (ups < parts.size() && parts[ups] == "..") ++ups;
  size_t downs = parts.size() - ups;
  if (downs > names.size() || ups + 1 >= kNoLevels) return false;
  for (size_t i = 0; i < downs; ++i) {
    if (parts[ups + i] != names[names.size() - downs + i]) return false;
  }
  *from = static_cast<uint16_t>(ups + 1);
  *to = static_cast<uint16_t>(downs);
  return true;
}

// The relative path that levels stand for; "" when they stand for none.
std::string RelativeOf(uint16_t from, uint16_t to, const std::vector<std::string>& names) {
  if (from == kNoLevels || to == kNoLevels || from == 0 || to > names.size()) return std::string();
  std::string relative;
  for (uint16_t up = 1; up < from; ++up) relative += "../";
  for (size_t i = names.size() - to; i < names.size(); ++i) relative += names[i] + "/";
  if (relative.empty()) return ".";
  relative.pop_back();
  return relative;
}

// A record's bytes as they are put together.
class RecordBuilder {
 public:
  RecordBuilder() : bytes_(kFixedSize, 0) {}

  void U16(size_t offset, uint16_t value) { WriteBE16(&bytes_[offset], value); }
  void U32(size_t offset, uint32_t value) { WriteBE32(&bytes_[offset], value); }
  // A Pascal string in `room` bytes; `text` is shorter than room.
  void Name(size_t offset, const std::string& text) {
    bytes_[offset] = static_cast<uint8_t>(text.size());
    std::copy(text.begin(), text.end(), bytes_.begin() + static_cast<long>(offset) + 1);
  }
  void Tag(uint16_t tag, const std::string& data) {
    if (data.size() > 0xFFFF) fits_ = false;
    size_t at = bytes_.size();
    bytes_.resize(at + 4 + data.size() + (data.size() & 1), 0);
    WriteBE16(&bytes_[at], tag);
    WriteBE16(&bytes_[at + 2], static_cast<uint16_t>(data.size()));
    std::copy(data.begin(), data.end(), bytes_.begin() + static_cast<long>(at) + 4);
  }
  // The whole record, its size filled in; empty when it does not fit.
  std::vector<uint8_t> Finish() {
    Tag(kTagEnd, std::string());
    if (!fits_ || bytes_.size() > kMaxRecordSize) return {};
    U16(kSizeOffset, static_cast<uint16_t>(bytes_.size()));
    return std::move(bytes_);
  }

 private:
  std::vector<uint8_t> bytes_;
  bool fits_ = true;
};

void PutTags(RecordBuilder& record, const std::string& full,
             const std::vector<std::string>& names) {
  std::string volume = kAliasVolumeName;
  std::string hfsPath = volume + ":";
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) hfsPath += ':';
    hfsPath += MacName(names[i]);
  }
  record.Tag(kTagParentName, names.size() >= 2 ? MacName(names[names.size() - 2]) : volume);
  record.Tag(kTagHFSPath, hfsPath);
  record.Tag(kTagUnicodeName, UnicodeName(names.empty() ? volume : MacName(names.back())));
  record.Tag(kTagUnicodeVolume, UnicodeName(volume));
  record.Tag(kTagPOSIXPath, full);
  record.Tag(kTagMountPoint, "/");
}

// The tags the engine reads; the others are passed over.
struct Tags {
  std::optional<std::string> hfsPath, posixPath, mountPoint;
};

std::string WithoutTrailingNULs(std::string text) {
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

// False when a tag runs past the record or the end tag is not its last.
bool ReadTags(const uint8_t* bytes, size_t size, Tags* tags) {
  size_t at = kFixedSize;
  while (at + 4 <= size) {
    uint16_t tag = ReadBE16(bytes + at);
    size_t length = ReadBE16(bytes + at + 2);
    at += 4;
    if (tag == kTagEnd) return length == 0 && at == size;
    if (at + length + (length & 1) > size) return false;
    std::string data = WithoutTrailingNULs(std::string(bytes + at, bytes + at + length));
    if (tag == kTagHFSPath && !tags->hfsPath) tags->hfsPath = data;
    if (tag == kTagPOSIXPath && !tags->posixPath) tags->posixPath = data;
    if (tag == kTagMountPoint && !tags->mountPoint) tags->mountPoint = data;
    at += length + (length & 1);
  }
  return false;
}

// "Volume:dir:file" as a native path under the root; false without a
// volume name or with an empty name inside.
bool PathFromHFS(const std::string& hfs, std::string* path) {
  size_t colon = hfs.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string rest = hfs.substr(colon + 1);
  if (!rest.empty() && rest.back() == ':') rest.pop_back();  // a folder's path
  if (rest.find("::") != std::string::npos || (!rest.empty() && rest[0] == ':')) return false;
  path->clear();
  for (const std::string& name : Split(rest, ':')) {
    *path += '/';
    *path += NativeName(name);
  }
  if (path->empty()) path->assign(1, '/');
  return true;
}

// The native path the tags name: the POSIX path under its mount point,
// else the HFS path. False when neither is there.
bool PathFromTags(const Tags& tags, std::string* path) {
  if (tags.posixPath && !tags.posixPath->empty()) {
    // Written with or without a leading '/': either way from the mount point.
    std::string mount = tags.mountPoint && !tags.mountPoint->empty() ? *tags.mountPoint : "/";
    if (mount.back() != '/') mount += '/';
    const std::string& under = *tags.posixPath;
    *path = AbsolutePath(mount + (under[0] == '/' ? under.substr(1) : under));
    return true;
  }
  return tags.hfsPath && PathFromHFS(*tags.hfsPath, path);
}

// A Pascal string of the fixed part; false when it overflows its room.
bool ReadName(const uint8_t* bytes, size_t offset, size_t room, std::string* name) {
  size_t length = bytes[offset];
  if (length >= room) return false;
  *name = NativeName(std::string(bytes + offset + 1, bytes + offset + 1 + length));
  return true;
}

}  // namespace

std::vector<uint8_t> MakeAliasRecord(const std::string& path, const std::string& relative,
                                     bool minimal) {
  std::string full = AbsolutePath(path);
  std::vector<std::string> names = Split(full, '/');
  uint16_t from = kNoLevels, to = kNoLevels;
  if (!minimal && !relative.empty() && !LevelsOf(relative, names, &from, &to)) return {};
  RecordBuilder record;
  record.U16(kVersionOffset, kAliasVersion);
  bool folder = os::KindOf(full) == os::EntryKind::kDirectory;
  record.U16(kKindOffset, folder ? kKindFolder : kKindFile);
  record.Name(kVolumeNameOffset, kAliasVolumeName);
  record.U16(kFileSystemOffset, kFileSystemHFSPlus);
  std::string leaf = names.empty() ? kAliasVolumeName : MacName(names.back());
  record.Name(kFileNameOffset, TruncatedName(leaf, kFileNameRoom - 1));
  FInfo info{};
  if (!folder && ReadFinderInfo(full, &info) == noErr) {
    record.U32(kFileTypeOffset, info.fdType);
    record.U32(kCreatorOffset, info.fdCreator);
  }
  record.U16(kLevelsFromOffset, from);
  record.U16(kLevelsToOffset, to);
  PutTags(record, full, names);
  return record.Finish();
}

std::vector<uint8_t> MakeAliasRecord(const std::string& path) {
  return MakeAliasRecord(path, std::string(), true);
}

std::vector<uint8_t> MakeRelativeAliasRecord(const std::string& path, const std::string& fromPath) {
  std::string full = AbsolutePath(path);
  std::filesystem::path directory(ParentOf(AbsolutePath(fromPath)));
  return MakeAliasRecord(full, std::filesystem::path(full).lexically_relative(directory).string(),
                         false);
}

bool ParseAliasRecord(const uint8_t* bytes, size_t size, AliasFields* fields) {
  if (bytes == nullptr || size < kFixedSize) return false;
  if (ReadBE16(bytes + kSizeOffset) != size || ReadBE16(bytes + kVersionOffset) != kAliasVersion) {
    return false;
  }
  AliasFields read;
  Tags tags;
  std::string fixedName;
  if (!ReadName(bytes, kVolumeNameOffset, kVolumeNameRoom, &read.volume) ||
      !ReadName(bytes, kFileNameOffset, kFileNameRoom, &fixedName) ||
      !ReadTags(bytes, size, &tags) || !PathFromTags(tags, &read.path)) {
    return false;
  }
  read.userType = ReadBE32(bytes);
  std::vector<std::string> names = Split(read.path, '/');
  // The fixed part holds at most 63 bytes of a name; the path holds it whole.
  read.leaf = names.empty() ? fixedName : names.back();
  read.relative =
      RelativeOf(ReadBE16(bytes + kLevelsFromOffset), ReadBE16(bytes + kLevelsToOffset), names);
  read.minimal = read.relative.empty();
  *fields = std::move(read);
  return true;
}

bool AliasRecordPath(const uint8_t* bytes, size_t size, std::string* path) {
  return Guarded<bool>(false, [&] {
    AliasFields fields;
    if (!ParseAliasRecord(bytes, size, &fields)) return false;
    *path = fields.path;
    return true;
  });
}

std::string LocateAliasTarget(const AliasFields& fields, const std::string& fromPath) {
  if (!fields.relative.empty() && !fromPath.empty()) {
    std::string moved = AbsolutePath(ParentOf(AbsolutePath(fromPath)) + "/" + fields.relative);
    if (os::KindOf(moved) != os::EntryKind::kMissing) return moved;
  }
  if (os::KindOf(fields.path) != os::EntryKind::kMissing) return fields.path;
  return std::string();
}

bool RelocateAliasRecord(std::vector<uint8_t>* record, const std::string& fromPath) {
  return Guarded<bool>(false, [&] {
    AliasFields fields;
    if (!ParseAliasRecord(record->data(), record->size(), &fields)) return false;
    std::string found = LocateAliasTarget(fields, fromPath);
    if (found.empty() || found == fields.path) return false;
    std::vector<uint8_t> moved = MakeAliasRecord(found, fields.relative, false);
    if (moved.empty()) return false;
    WriteBE32(moved.data(), fields.userType);
    *record = std::move(moved);
    return true;
  });
}

}  // namespace qtml
