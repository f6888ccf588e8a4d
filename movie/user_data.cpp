// FenraUserData: items of a user data list read and written as bytes,
// strings and region-coded text; lists of movies, tracks and media; and
// user data files (settings files of type 'UDAT').
#include "movie/user_data.h"

#include <cstring>
#include <utility>
#include <vector>

#include "movie/container.h"
#include "plugin/bridges.h"
#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/host_services.h"
#include "plugin/registration.h"
#include "plugin/settings_file.h"

namespace fenra {
namespace {

constexpr OSType kUserDataFileType = 'UDAT';

}  // namespace

UserDataNative::UserDataNative(const UserDataNative& other) : NativeObject(other) {
  err = kNoErr;
  if (other.IsValid()) CopyFrom(other.udta);
}

UserDataNative::~UserDataNative() {
  Release();
}

void UserDataNative::Release() {
  if (owned && udta != nullptr) DisposeUserData(udta);
  udta = nullptr;
  owned = false;
}

void UserDataNative::NewList() {
  Release();
  err = ::NewUserData(&udta);
  owned = err == noErr && udta != nullptr;
}

void UserDataNative::CopyFrom(UserData source) {
  if (source == nullptr) return;
  Release();
  Handle flat = NewHandle(0);
  if (flat == nullptr) {
    err = kNoNativeErr;
    return;
  }
  err = PutUserDataIntoHandle(source, flat);
  if (err == noErr) {
    err = NewUserDataFromHandle(flat, &udta);
    owned = err == noErr && udta != nullptr;
  }
  DisposeHandle(flat);
}

short UserDataNative::ItemCount() const {
  if (udta == nullptr) return 0;
  short count = 0;
  for (long type = GetNextUserDataType(udta, 0); type != 0;
       type = GetNextUserDataType(udta, static_cast<OSType>(type))) {
    count = static_cast<short>(count + CountUserDataType(udta, static_cast<OSType>(type)));
  }
  return count;
}

OSType UserDataNative::TypeAt(long i) const {
  if (udta == nullptr || i < 0) return 0;
  long type = GetNextUserDataType(udta, 0);
  for (; type != 0 && i > 0; --i) type = GetNextUserDataType(udta, static_cast<OSType>(type));
  return static_cast<OSType>(type);
}

void UserDataNative::Clear(OSType type) {
  if (udta == nullptr) return;
  if (type != 0) {
    while (RemoveUserData(udta, type, 1) == noErr) {
    }
    return;
  }
  // Types are gathered first: a type whose items cannot be removed must
  // not hold the loop.
  std::vector<OSType> types;
  for (long t = GetNextUserDataType(udta, 0); t != 0;
       t = GetNextUserDataType(udta, static_cast<OSType>(t))) {
    types.push_back(static_cast<OSType>(t));
  }
  for (OSType t : types) Clear(t);
}

Handle UserDataNative::ItemBytes(OSType type, long index) {
  if (udta == nullptr) return nullptr;
  Handle bytes = NewHandle(0);
  if (bytes == nullptr) {
    err = kNoNativeErr;
    return nullptr;
  }
  err = GetUserData(udta, bytes, type, index);
  if (err != noErr) {
    DisposeHandle(bytes);
    return nullptr;
  }
  return bytes;
}

Handle UserDataNative::ItemText(OSType type, long index, short region) {
  if (udta == nullptr) return nullptr;
  Handle text = NewHandle(0);
  if (text == nullptr) {
    err = kNoNativeErr;
    return nullptr;
  }
  err = GetUserDataText(udta, text, type, index, region);
  if (err != noErr) {
    DisposeHandle(text);
    return nullptr;
  }
  return text;
}

long UserDataNative::StoreIndex(OSType type, long index) {
  long count = CountUserDataType(udta, type);
  if (count == 0 && index > 1) return 1;
  if (count > 0 && index > count) {
    // The list only grows by one item at its end: add an empty one and
    // store into it.
    OSErr added = AddUserData(udta, nullptr, type);
    if (added != noErr) {
      err = added;
      return -1;
    }
    return count + 1;
  }
  return index;
}

void UserDataNative::SetItem(const void* bytes, long size, OSType type, long index) {
  if (udta == nullptr || bytes == nullptr || size == 0 || index < 0) return;
  index = StoreIndex(type, index);
  if (index < 0) return;
  err = SetUserDataItem(udta, const_cast<void*>(bytes), size, type, index);
}

void UserDataNative::AddText(const std::string& text, OSType type, short region, long index) {
  if (udta == nullptr || text.empty() || index < 0) {
    err = kParamErr;
    return;
  }
  Handle data = nullptr;
  err = PtrToHand(text.data(), &data, static_cast<long>(text.size()));
  if (data == nullptr) {
    err = kNoNativeErr;
    return;
  }
  index = StoreIndex(type, index);
  if (index >= 0) err = AddUserDataText(udta, data, type, index, region);
  DisposeHandle(data);
}

void UserDataNative::Remove(OSType type, long index) {
  if (udta == nullptr) return;
  err = RemoveUserData(udta, type, index);
}

void UserDataNative::Save(const std::string& path) {
  if (udta == nullptr || path.empty()) {
    err = kParamErr;
    return;
  }
  Handle flat = NewHandle(0);
  if (flat == nullptr) {
    err = kNoNativeErr;
    return;
  }
  Size size = 0;
  err = PutUserDataIntoHandle(udta, flat);
  if (err == noErr) err = HandleSize(flat, &size);
  if (err == noErr) {
    HLock(flat);
    SettingsFile file;
    file.Create(kUserDataFileType);
    if (file.err == noErr) file.AddRecord(0, {}, *flat, size);
    if (file.err == noErr) file.WriteFile(path);
    err = file.err;
    HUnlock(flat);
  }
  DisposeHandle(flat);
}

void UserDataNative::Load(const std::string& path) {
  Release();
  SettingsFile file;
  file.ReadFile(path);
  err = file.err;
  if (err != noErr || file.dataCount == 0) return;
  if (file.TypeCode() != kUserDataFileType) {
    err = kFileTypeErr;
    return;
  }
  Handle package = nullptr;
  err = file.GetRecord(1, &package, nullptr);
  if (err == noErr) {
    err = NewUserDataFromHandle(package, &udta);
    owned = err == noErr && udta != nullptr;
  }
  if (package != nullptr) DisposeHandle(package);
}

REALobject NewUserDataObject(UserData source, bool copy) {
  REALobject object = NewInstanceOf("FenraUserData");
  if (source == nullptr || object == nullptr) return object;
  if (copy) {
    const UserDataNative borrowed(source, false);
    AttachNative(object, &borrowed, true);
  } else {
    SetNative(object, new (std::nothrow) UserDataNative(source, false));
  }
  return object;
}

REALobject AdoptUserDataObject(UserDataNative* native) {
  REALobject object = NewInstanceOf("FenraUserData");
  if (object == nullptr) {
    delete native;
    return nullptr;
  }
  SetNative(object, native);
  return object;
}

UserData UserDataOf(REALobject object) {
  const UserDataNative* native = GetNative<UserDataNative>(object);
  return native != nullptr ? native->udta : nullptr;
}

namespace {

// The C text of a host string as the platform takes it (system encoding).
std::string ConvertedText(REALstring value) {
  REALstring converted = host::REALConvertString(value, 0);
  if (converted == nullptr) return {};
  const char* text = host::StringGetCString(converted);
  std::string result = text != nullptr ? text : "";
  host::REALUnlockObject(reinterpret_cast<REALobject>(converted));
  return result;
}

// A host string of a handle's bytes up to the first NUL, if any; the
// handle is disposed of. Empty for nil, and (*err set) when the handle's
// size cannot be read.
REALstring TextOfHandle(Handle bytes, int32_t* err) {
  if (bytes == nullptr) return MakeHostString();
  Size size = 0;
  OSErr measured = HandleSize(bytes, &size);
  if (measured != noErr) *err = measured;
  REALstring text = measured == noErr
                        ? MakeHostString(*bytes, strnlen(*bytes, static_cast<size_t>(size)))
                        : MakeHostString();
  DisposeHandle(bytes);
  return text;
}

UserDataNative* Native(REALobject instance) {
  return GetNative<UserDataNative>(instance);
}

// The native object of an instance that holds a list, or null.
UserDataNative* WithList(REALobject instance) {
  UserDataNative* native = Native(instance);
  return native != nullptr && native->IsValid() ? native : nullptr;
}

void Destruct(REALobject instance) {
  DestroyNative<UserDataNative>(instance);
}

// Host constructors.

void NewEmpty(REALobject instance) {
  auto* native = new (std::nothrow) UserDataNative;
  if (native == nullptr) return;
  native->NewList();
  SetNative(instance, native);
}

void NewCopy(REALobject instance, REALobject other) {
  if (other == nullptr) return;
  AttachNative(instance, Native(other), true);
}

void NewFromMovie(REALobject instance, REALmovie movie) {
  if (movie == nullptr) return;
  auto* native = new (std::nothrow) UserDataNative;
  if (native == nullptr) return;
  auto qtMovie = static_cast<Movie>(host::getMovieMovie(movie));
  if (qtMovie == nullptr) {
    native->err = invalidMovie;
  } else {
    native->udta = GetMovieUserData(qtMovie);
    if (native->udta == nullptr) native->err = GetMoviesError();
  }
  SetNative(instance, native);
}

void NewFromTrack(REALobject instance, REALmovie movie, RBInteger trackIndex, RBBoolean fromMedia) {
  if (movie == nullptr) return;
  auto qtMovie = static_cast<Movie>(host::getMovieMovie(movie));
  Track track = MovieTrackAt(qtMovie, trackIndex);
  if (track == nullptr) return;
  auto* native = new (std::nothrow) UserDataNative;
  if (native == nullptr) return;
  if (!fromMedia) {
    native->udta = GetTrackUserData(track);
  } else if (Media media = GetTrackMedia(track)) {
    native->udta = GetMediaUserData(media);
  } else {
    native->err = invalidMedia;
  }
  if (native->udta == nullptr && native->err == kNoErr) native->err = GetMoviesError();
  SetNative(instance, native);
}

void NewFromFile(REALobject instance, REALfolderItem file) {
  if (file == nullptr) return;
  auto* native = new (std::nothrow) UserDataNative;
  if (native == nullptr) return;
  native->Load(FolderItemPath(file));
  SetNative(instance, native);
}

// Properties and methods.

RBInteger GetListCount(REALobject instance, intptr_t) {
  UserDataNative* native = Native(instance);
  return native != nullptr ? native->ItemCount() : 0;
}

REALstring ListType(REALobject instance, RBInteger i) {
  UserDataNative* native = Native(instance);
  OSType type = native != nullptr ? native->TypeAt(static_cast<long>(i)) : 0;
  if (type == 0) return MakeHostString();
  char text[5];
  OSTypeToCString(type, text);
  return MakeHostString(text);
}

RBInteger ListItemsCount(REALobject instance, REALstring udType) {
  UserDataNative* native = WithList(instance);
  if (native == nullptr || udType == nullptr) return 0;
  return CountUserDataType(native->udta, StringToOSType(udType));
}

void ListClear(REALobject instance) {
  if (UserDataNative* native = Native(instance)) native->Clear(0);
}

void ListClearType(REALobject instance, REALstring udType) {
  UserDataNative* native = Native(instance);
  if (native != nullptr && udType != nullptr) native->Clear(StringToOSType(udType));
}

REALmemoryBlock GetItemPtr(REALobject instance, REALstring udType, RBInteger index) {
  UserDataNative* native = Native(instance);
  if (native == nullptr || udType == nullptr) return nullptr;
  Handle bytes = native->ItemBytes(StringToOSType(udType), static_cast<long>(index));
  if (bytes == nullptr) return nullptr;
  Size size = 0;
  if (OSErr measured = HandleSize(bytes, &size)) {
    native->err = measured;
    DisposeHandle(bytes);
    return nullptr;
  }
  REALmemoryBlock block = host::newMemoryBlock(size);
  void* to = block != nullptr ? host::memoryBlockGetPtr(block) : nullptr;
  if (to != nullptr && size > 0) std::memcpy(to, *bytes, static_cast<size_t>(size));
  DisposeHandle(bytes);
  return block;
}

void SetItemPtr(REALobject instance, REALstring udType, RBInteger index, REALmemoryBlock value) {
  UserDataNative* native = Native(instance);
  if (native == nullptr || udType == nullptr || value == nullptr) return;
  intptr_t size = host::memoryBlockGetSize(value);
  if (size <= 0) return;
  native->SetItem(host::memoryBlockGetPtr(value), static_cast<long>(size), StringToOSType(udType),
                  static_cast<long>(index));
}

REALstring GetItem(REALobject instance, REALstring udType, RBInteger index) {
  UserDataNative* native = Native(instance);
  if (native == nullptr || udType == nullptr) return MakeHostString();
  return TextOfHandle(native->ItemBytes(StringToOSType(udType), static_cast<long>(index)),
                      &native->err);
}

void SetItem(REALobject instance, REALstring udType, RBInteger index, REALstring value) {
  UserDataNative* native = Native(instance);
  if (native == nullptr || udType == nullptr || value == nullptr) return;
  std::string text = ConvertedText(value);
  native->SetItem(text.data(), static_cast<long>(text.size()), StringToOSType(udType),
                  static_cast<long>(index));
}

REALstring GetItemText(REALobject instance, REALstring udType, RBInteger index, RBInteger region) {
  UserDataNative* native = Native(instance);
  if (native == nullptr || udType == nullptr) return MakeHostString();
  if (!std::in_range<short>(region)) {
    native->err = kParamErr;
    return MakeHostString();
  }
  return TextOfHandle(native->ItemText(StringToOSType(udType), static_cast<long>(index),
                                       static_cast<short>(region)),
                      &native->err);
}

void SetItemText(REALobject instance, REALstring udType, RBInteger index, RBInteger region,
                 REALstring value) {
  UserDataNative* native = Native(instance);
  if (native == nullptr || udType == nullptr || value == nullptr) return;
  if (!std::in_range<short>(region)) {
    native->err = kParamErr;
    return;
  }
  native->AddText(ConvertedText(value), StringToOSType(udType), static_cast<short>(region),
                  static_cast<long>(index));
}

void ItemRemove(REALobject instance, REALstring udType, RBInteger index) {
  UserDataNative* native = Native(instance);
  if (native != nullptr && udType != nullptr) {
    native->Remove(StringToOSType(udType), static_cast<long>(index));
  }
}

void Flush(REALobject instance, REALfolderItem file) {
  UserDataNative* native = Native(instance);
  if (native != nullptr && file != nullptr) native->Save(FolderItemPath(file));
}

REALproperty gProperties[] = {
    Property<"ListCount", "Integer", GetListCount, nullptr>(0),
};

REALmethodDefinition gMethods[] = {
    Method<NewEmpty, "FenraUserData()">(),
    Method<NewCopy, "FenraUserData(ud as FenraUserData)">(),
    Method<NewFromMovie, "FenraUserData(m as movie)">(),
    Method<NewFromTrack,
           "FenraUserData(m as movie,trkIndex as integer,fromMedia as boolean=false)">(),
    Method<NewFromFile, "FenraUserData(f as folderitem)">(),
    Method<ListType, "ListType(i as integer) as string">(),
    Method<ListItemsCount, "ListItemsCount(udType as string) as integer">(),
    Method<ListClear, "ListClear()">(),
    Method<ListClearType, "ListClear(udType as string)">(),
    AssignableMethod<GetItemPtr, SetItemPtr,
                     "ItemPtr(udType as string,index as integer) as memoryblock">(),
    AssignableMethod<GetItem, SetItem, "Item(udType as string,index as integer) as string">(),
    AssignableMethod<GetItemText, SetItemText,
                     "ItemText(udType as string,index as integer,region as integer) as string">(),
    Method<ItemRemove, "ItemRemove(udType as string,index as integer)">(),
    Method<Flush, "qtFlush(f as folderitem)">(),
};

}  // namespace

REALclassDefinition gFenraUserDataClass =
    DefineClass("FenraUserData", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<Destruct>(), {.properties = gProperties, .methods = gMethods});

}  // namespace fenra
