// FolderItem: a native path, and what scripts do with the file there.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "Movies.h"
#include "core/host_classes.h"
#include "core/picture_files.h"

namespace fenra::host {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(HostObject& self) {
  return fs::path(As<FolderItem>(self).Path());
}

bool Item(const fs::path& path, Value& out) {
  out = Value::Obj(Runtime::Get().NewFolderItem(path.string()));
  return true;
}

// A path relative to the current directory, or absolute.
bool MakeFolderItem(Args& args, Value& out, HostError& error) {
  std::error_code ec;
  fs::path path = fs::absolute(args[0].text, ec).lexically_normal();
  if (ec) return Misuse(error, "FolderItem", ec.message());
  if (!path.has_filename() && path.has_relative_path()) path = path.parent_path();
  return Item(path, out);
}

bool Name(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Str(PathOf(self).filename().string());
  return true;
}

bool NativePath(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Str(PathOf(self).string());
  return true;
}

bool Exists(HostObject& self, Args&, Value& out, HostError&) {
  std::error_code ec;
  out = Value::Bool(fs::exists(PathOf(self), ec));
  return true;
}

bool Directory(HostObject& self, Args&, Value& out, HostError&) {
  std::error_code ec;
  out = Value::Bool(fs::is_directory(PathOf(self), ec));
  return true;
}

// 0 for a folder or a missing file.
bool Length(HostObject& self, Args&, Value& out, HostError&) {
  std::error_code ec;
  auto size = fs::is_regular_file(PathOf(self), ec) ? fs::file_size(PathOf(self), ec) : 0;
  out = Value::Int(ec ? 0 : static_cast<int64_t>(size));
  return true;
}

bool Parent(HostObject& self, Args&, Value& out, HostError&) {
  fs::path path = PathOf(self);
  if (!path.has_relative_path()) {
    out = Value::Nil();  // the root has no parent
    return true;
  }
  return Item(path.parent_path(), out);
}

bool Child(HostObject& self, Args& args, Value& out, HostError& error) {
  if (args[0].text.empty() || args[0].text.find('/') != std::string::npos) {
    return Misuse(error, "FolderItem.Child", "\"" + args[0].text + "\" is not a file name");
  }
  return Item(PathOf(self) / args[0].text, out);
}

// A folder's entries, sorted by name so that Item(i) is stable.
std::vector<fs::path> Entries(const fs::path& folder) {
  std::vector<fs::path> entries;
  std::error_code ec;
  for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    entries.push_back(it->path());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

bool Count(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Int(static_cast<int64_t>(Entries(PathOf(self)).size()));
  return true;
}

// 1-based; Nil past the end.
bool ItemAt(HostObject& self, Args& args, Value& out, HostError&) {
  std::vector<fs::path> entries = Entries(PathOf(self));
  int64_t index = args[0].integer;
  if (index < 1 || index > static_cast<int64_t>(entries.size())) {
    out = Value::Nil();
    return true;
  }
  return Item(entries[static_cast<size_t>(index - 1)], out);
}

// Removes a file or an empty folder; a missing item is no error.
bool Delete(HostObject& self, Args&, Value&, HostError& error) {
  std::error_code ec;
  fs::remove(PathOf(self), ec);
  if (ec) return Misuse(error, "FolderItem.Delete", ec.message());
  return true;
}

bool CreateAsFolder(HostObject& self, Args&, Value&, HostError& error) {
  std::error_code ec;
  fs::create_directory(PathOf(self), ec);
  if (ec) return Misuse(error, "FolderItem.CreateAsFolder", ec.message());
  return true;
}

// The movie in the file, or Nil when it holds none QuickTime opens. A
// movie whose media files are missing still opens.
bool OpenAsMovie(HostObject& self, Args&, Value& out, HostError&) {
  out = Value::Nil();
  if (!MoviesStarted()) return true;
  std::string path = PathOf(self).string();
  FSSpec spec;
  short file = 0;
  if (NativePathNameToFSSpec(path.data(), &spec, 0) != noErr ||
      OpenMovieFile(&spec, &file, fsRdPerm) != noErr) {
    return true;
  }
  ::Movie movie = nullptr;
  NewMovieFromFile(&movie, file, nullptr, nullptr, newMovieActive, nullptr);
  CloseMovieFile(file);
  if (movie != nullptr) out = Value::Obj(Adopt(new HostMovie(movie)));
  return true;
}

// Nil when the file is not a picture this host reads.
bool OpenAsPicture(HostObject& self, Args&, Value& out, HostError&) {
  std::string reason;
  Picture* picture = LoadPicture(PathOf(self).string(), reason);
  out = picture != nullptr ? Value::Obj(Adopt(picture)) : Value::Nil();
  return true;
}

constexpr HostMember kMembers[] = {
    {HostMember::kProperty, "Name as string", Name, nullptr},
    {HostMember::kProperty, "NativePath as string", NativePath, nullptr},
    {HostMember::kProperty, "Exists as boolean", Exists, nullptr},
    {HostMember::kProperty, "Directory as boolean", Directory, nullptr},
    {HostMember::kProperty, "Length as integer", Length, nullptr},
    {HostMember::kProperty, "Parent as FolderItem", Parent, nullptr},
    {HostMember::kProperty, "Count as integer", Count, nullptr},
    {HostMember::kMethod, "Child(name as string) as FolderItem", Child, nullptr},
    {HostMember::kMethod, "Item(index as integer) as FolderItem", ItemAt, nullptr},
    {HostMember::kMethod, "Delete()", Delete, nullptr},
    {HostMember::kMethod, "CreateAsFolder()", CreateAsFolder, nullptr},
    {HostMember::kMethod, "OpenAsMovie() as Movie", OpenAsMovie, nullptr},
    {HostMember::kMethod, "OpenAsPicture() as Picture", OpenAsPicture, nullptr},
};

}  // namespace

const HostClassTable kFolderItemClass{"FolderItem",   nullptr,  "FolderItem(path as string)",
                                      MakeFolderItem, kMembers, {}};

}  // namespace fenra::host
