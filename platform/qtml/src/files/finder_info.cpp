#include "files/finder_info.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "base/byte_order.h"
#include "files/files.h"
#include "files/os.h"

namespace qtml {
namespace {

constexpr const char* kAttributeName = "user.fenra.qtml.FinderInfo";
constexpr size_t kInfoSize = 16;
constexpr char kSidecarPrefix[] = "._";
constexpr size_t kMaxNativeName = 255;  // bytes, as native file systems allow
constexpr size_t kNameHashSize = 17;    // '#' and 16 hex digits

bool gForceSidecar = false;

std::string Encode(const FInfo& info) {
  uint8_t bytes[kInfoSize];
  WriteBE32(bytes, info.fdType);
  WriteBE32(bytes + 4, info.fdCreator);
  WriteBE16(bytes + 8, info.fdFlags);
  WriteBE16(bytes + 10, static_cast<uint16_t>(info.fdLocation.v));
  WriteBE16(bytes + 12, static_cast<uint16_t>(info.fdLocation.h));
  WriteBE16(bytes + 14, static_cast<uint16_t>(info.fdFldr));
  return std::string(reinterpret_cast<const char*>(bytes), kInfoSize);
}

bool Decode(const std::string& bytes, FInfo* info) {
  if (bytes.size() != kInfoSize) return false;
  const char* p = bytes.data();
  info->fdType = ReadBE32(p);
  info->fdCreator = ReadBE32(p + 4);
  info->fdFlags = ReadBE16(p + 8);
  info->fdLocation.v = static_cast<short>(ReadBE16(p + 10));
  info->fdLocation.h = static_cast<short>(ReadBE16(p + 12));
  info->fdFldr = static_cast<SInt16>(ReadBE16(p + 14));
  return true;
}

struct ExtensionType {
  std::string_view extension;
  OSType type;
};

// Types QuickTime clients look for, by the extensions their files carry.
constexpr ExtensionType kExtensionTypes[] = {
    {"mov", 'MooV'},  {"qt", 'MooV'},  {"mp4", 'mpg4'},  {"m4v", 'M4V '}, {"pct", 'PICT'},
    {"pict", 'PICT'}, {"jpg", 'JPEG'}, {"jpeg", 'JPEG'}, {"png", 'PNGf'}, {"gif", 'GIFf'},
    {"bmp", 'BMPf'},  {"tif", 'TIFF'}, {"tiff", 'TIFF'}, {"aif", 'AIFF'}, {"aiff", 'AIFF'},
    {"wav", 'WAVE'},  {"txt", 'TEXT'}, {"avi", 'VfW '},  {"dv", 'dvc!'},
};

// 64-bit FNV-1a: stable across processes and builds, as a sidecar's name
// must be.
uint64_t NameHash(std::string_view name) {
  uint64_t hash = 0xCBF29CE484222325u;
  for (char c : name) {
    hash ^= static_cast<uint8_t>(c);
    hash *= 0x100000001B3u;
  }
  return hash;
}

std::string SidecarLeaf(const std::string& leaf) {
  std::string sidecar = kSidecarPrefix + leaf;
  if (sidecar.size() <= kMaxNativeName) return sidecar;
  // No room for the prefix: the name's start and a hash of the whole keep
  // each long name's sidecar its own.
  char hash[kNameHashSize + 1];
  std::snprintf(hash, sizeof hash, "#%016llx", static_cast<unsigned long long>(NameHash(leaf)));
  size_t room = kMaxNativeName - (sizeof kSidecarPrefix - 1) - kNameHashSize;
  return kSidecarPrefix + TruncatedName(leaf, room) + hash;
}

}  // namespace

std::string FinderInfoSidecarPath(const std::string& path) {
  size_t slash = path.rfind('/');
  size_t leaf = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, leaf) + SidecarLeaf(path.substr(leaf));
}

void ForceFinderInfoSidecar(bool on) {
  gForceSidecar = on;
}

OSErr ReadFinderInfo(const std::string& path, FInfo* info) {
  std::string bytes;
  if (!gForceSidecar && os::GetAttribute(path, kAttributeName, &bytes) == noErr &&
      Decode(bytes, info)) {
    return noErr;
  }
  if (os::KindOf(FinderInfoSidecarPath(path)) != os::EntryKind::kFile) return fnfErr;
  if (os::ReadWholeFile(FinderInfoSidecarPath(path), &bytes) != noErr) return fnfErr;
  return Decode(bytes, info) ? noErr : fnfErr;
}

OSErr WriteFinderInfo(const std::string& path, const FInfo& info) {
  std::string bytes = Encode(info);
  if (!gForceSidecar && os::SetAttribute(path, kAttributeName, bytes) == noErr) {
    // An older sidecar must not outlive the attribute that replaces it.
    RemoveFinderInfoSidecar(path);
    return noErr;
  }
  return os::WriteWholeFile(FinderInfoSidecarPath(path), bytes);
}

void RemoveFinderInfoSidecar(const std::string& path) {
  std::string sidecar = FinderInfoSidecarPath(path);
  if (os::KindOf(sidecar) == os::EntryKind::kFile) os::RemoveFile(sidecar);
}

OSType TypeForExtension(const std::string& path) {
  size_t dot = path.rfind('.');
  size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return 0;
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const ExtensionType& entry : kExtensionTypes) {
    if (entry.extension == extension) return entry.type;
  }
  return 0;
}

}  // namespace qtml
