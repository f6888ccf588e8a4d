// FenraUserData: a QuickTime user data list as a script object, either
// the list of a movie, track or media (borrowed) or one of its own, which
// it can save to and load from a user data file.
#pragma once

#include <string>

#include "Movies.h"
#include "REALplugin.h"
#include "plugin/native_object.h"

namespace fenra {

class UserDataNative final : public NativeObject {
 public:
  // No list.
  UserDataNative() = default;
  // Holds `list`; disposes of it when `owns` (a list the object made or
  // was handed), never when it belongs to a movie, track or media.
  UserDataNative(UserData list, bool owns) : udta(list), owned(owns) {}
  // An independent list holding a copy of other's items, even when
  // other's list belongs to a movie; no list when other has none.
  UserDataNative(const UserDataNative& other);
  UserDataNative& operator=(const UserDataNative&) = delete;
  ~UserDataNative();

  bool IsValid() const override { return udta != nullptr; }

  // Makes a new empty list of its own; err = the result.
  void NewList();
  // Replaces the list with a new one holding a copy of `source`'s items;
  // err = the last result. Nothing for a nil source.
  void CopyFrom(UserData source);

  // The number of items of every type (0 without a list).
  short ItemCount() const;
  // The i-th type (from 0) in list order, or 0.
  OSType TypeAt(long i) const;
  // Removes item 1 of the type until that fails; every type when 0.
  void Clear(OSType type);

  // A new handle (owned by the caller) with the item's bytes, or nil; err
  // = GetUserData's result.
  Handle ItemBytes(OSType type, long index);
  // A new handle (owned by the caller) with the text of that region
  // code, or nil; err = GetUserDataText's result.
  Handle ItemText(OSType type, long index, short region);
  // Stores bytes as item `index` of the type: an index past the items of
  // the type stores after the last one. Nothing for no bytes, no list or
  // a negative index; err = SetUserDataItem's result.
  void SetItem(const void* bytes, long size, OSType type, long index);
  // Puts text into item `index` under the region code, the index adjusted
  // as for SetItem; err = -50 for no list, no text or a negative index.
  void AddText(const std::string& text, OSType type, short region, long index);
  void Remove(OSType type, long index);

  // Writes the list to a user data file at the native path.
  void Save(const std::string& path);
  // Replaces the list with the one in the user data file at the path;
  // without a list after an error or an empty file.
  void Load(const std::string& path);

  UserData udta = nullptr;
  bool owned = false;

 private:
  // Makes item `index` of the type exist or be next to add: the index to
  // store at, or -1 (err set) when an empty item could not be added.
  long StoreIndex(OSType type, long index);
  void Release();
};

// A new FenraUserData for a script over `source`: with `copy`, an
// independent list of its own holding a copy of source's items; without,
// source itself, borrowed (a movie's, track's or media's list). A nil
// source gives an object without native object.
REALobject NewUserDataObject(UserData source, bool copy);
// A new FenraUserData that takes `native` (made for it alone) as its own.
REALobject AdoptUserDataObject(UserDataNative* native);
// The list a FenraUserData holds, or nil for nil or an object without one.
UserData UserDataOf(REALobject object);

}  // namespace fenra
