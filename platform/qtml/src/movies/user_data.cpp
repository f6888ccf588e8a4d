// User data lists: free-standing ones made by NewUserData, and the lists
// of movies, tracks and media, reached through one table of live lists.
#include <algorithm>
#include <cstring>
#include <string>

#include "base/byte_order.h"
#include "memory/memory.h"
#include "movies/movie_calls.h"

namespace qtml {
namespace {

using ListOwner = UserDataOwner;

UserData ReferenceOf(UserDataRecord* list) noexcept {
  return reinterpret_cast<UserData>(list->reference.value());
}

// The list behind a reference (and who owns it), or nullptr (paramErr
// recorded) for nil, a list never made, one disposed of, or one whose
// owner has gone (a member list goes with its owner).
UserDataRecord* ListOf(UserData reference, ListOwner* owner = nullptr) noexcept {
  UserDataRecord* list = decltype(UserDataRecord::reference)::Find(reference);
  if (list == nullptr) {
    SetMoviesError(paramErr);
    return nullptr;
  }
  if (owner != nullptr) *owner = list->owner;
  return list;
}

UserDataRecord* EnterList(ApiCall& call, UserData reference, ListOwner* owner = nullptr) noexcept {
  return EnterToolbox(call) ? ListOf(reference, owner) : nullptr;
}

// Gives a list its reference (once; asking again answers the same one).
UserData Publish(UserDataRecord* list, ListOwner::Kind kind, const void* owner) noexcept {
  if (!list->reference.registered()) {
    if (!AllocationAllowed() || !list->reference.Register(list)) return nullptr;
  }
  list->owner = ListOwner{kind, owner};
  return ReferenceOf(list);
}

// Marks the movie a list belongs to as changed.
void MarkChanged(const ListOwner& entry) noexcept {
  MovieRecord* movie = nullptr;
  switch (entry.kind) {
    case ListOwner::kCaller:
      return;
    case ListOwner::kMovie:
      movie = static_cast<MovieRecord*>(const_cast<void*>(entry.owner));
      break;
    case ListOwner::kTrack:
      movie = static_cast<const TrackRecord*>(entry.owner)->movie;
      break;
    case ListOwner::kMedia: {
      const TrackRecord* track = static_cast<const MediaRecord*>(entry.owner)->track;
      movie = track != nullptr ? track->movie : nullptr;
      break;
    }
  }
  if (movie != nullptr) movie->changed = true;
}

using Items = std::vector<UserDataItem>;

// The position of item `index` (from 1) of the type, or items.end().
Items::iterator FindItem(Items& items, OSType type, long index) {
  if (index < 1) return items.end();
  long seen = 0;
  return std::find_if(items.begin(), items.end(), [&](const UserDataItem& item) {
    return item.type == type && ++seen == index;
  });
}

long CountOfType(const Items& items, OSType type) {
  return static_cast<long>(std::count_if(
      items.begin(), items.end(), [&](const UserDataItem& item) { return item.type == type; }));
}

// A new item of the type at the end; std::bad_alloc under an allocation
// fault, so that Guarded reports memFullErr.
UserDataItem& AppendItem(Items& items, OSType type) {
  if (!AllocationAllowed()) throw std::bad_alloc();
  items.push_back(UserDataItem{type, {}});
  return items.back();
}

void CopyBytes(std::vector<uint8_t>& to, const void* bytes, long size) {
  if (!AllocationAllowed()) throw std::bad_alloc();
  auto* first = static_cast<const uint8_t*>(bytes);
  to.assign(first, first + size);
}

// Replaces a handle's contents with the bytes.
OSErr FillHandle(Handle h, const uint8_t* bytes, size_t size) {
  if (CheckHandle(h) != noErr) return paramErr;
  return SetHandleBytes(h, bytes, static_cast<Size>(size));
}

// Text items: records of a 16-bit length, a 16-bit region code and text.
struct TextRecord {
  size_t offset;  // of the record's header in the item
  uint16_t length;
  short region;
};

// The records of a text item, stopping at one that does not fit.
std::vector<TextRecord> TextRecords(const std::vector<uint8_t>& data) {
  std::vector<TextRecord> records;
  for (size_t at = 0; at + 4 <= data.size();) {
    uint16_t length = ReadBE16(&data[at]);
    if (at + 4 + length > data.size()) break;
    records.push_back({at, length, static_cast<short>(ReadBE16(&data[at + 2]))});
    at += 4 + length;
  }
  return records;
}

const TextRecord* FindText(const std::vector<TextRecord>& records, short region) {
  for (const TextRecord& record : records) {
    if (record.region == region) return &record;
  }
  return nullptr;
}

// Puts text under the region code into the item, replacing that region's
// text when there is one already.
void PutText(std::vector<uint8_t>& data, const uint8_t* text, uint16_t length, short region) {
  if (!AllocationAllowed()) throw std::bad_alloc();
  std::vector<TextRecord> records = TextRecords(data);
  data.resize(records.empty() ? 0 : records.back().offset + 4 + records.back().length);
  if (const TextRecord* old = FindText(records, region)) {
    auto first = data.begin() + static_cast<std::ptrdiff_t>(old->offset);
    data.erase(first, first + 4 + old->length);
  }
  uint8_t header[4];
  WriteBE16(header, length);
  WriteBE16(header + 2, static_cast<uint16_t>(region));
  data.insert(data.end(), header, header + 4);
  data.insert(data.end(), text, text + length);
}

// The list's atoms: for each item its size, type and bytes.
std::vector<uint8_t> Flatten(const UserDataRecord& list) {
  if (!AllocationAllowed()) throw std::bad_alloc();
  std::vector<uint8_t> bytes;
  for (const UserDataItem& item : list.items) {
    uint8_t header[8];
    WriteBE32(header, static_cast<uint32_t>(item.data.size() + 8));
    WriteBE32(header + 4, item.type);
    bytes.insert(bytes.end(), header, header + 8);
    bytes.insert(bytes.end(), item.data.begin(), item.data.end());
  }
  return bytes;
}

// Reads a sequence of atoms into the list; false when they do not fit the
// bytes. A trailing 32-bit zero ends the sequence.
bool Unflatten(const uint8_t* bytes, size_t size, UserDataRecord& list) {
  size_t at = 0;
  while (at < size) {
    if (size - at == 4 && ReadBE32(bytes + at) == 0) break;
    if (size - at < 8) return false;
    uint32_t atomSize = ReadBE32(bytes + at);
    if (atomSize < 8 || atomSize > size - at) return false;
    UserDataItem& item = AppendItem(list.items, ReadBE32(bytes + at + 4));
    CopyBytes(item.data, bytes + at + 8, static_cast<long>(atomSize - 8));
    at += atomSize;
  }
  return true;
}

// The types in order of their first item.
std::vector<OSType> TypesOf(const UserDataRecord& list) {
  std::vector<OSType> types;
  for (const UserDataItem& item : list.items) {
    if (std::find(types.begin(), types.end(), item.type) == types.end()) types.push_back(item.type);
  }
  return types;
}

// A new free-standing list, registered, or nullptr when memory is short.
UserDataRecord* NewList() noexcept {
  UserDataRecord* list = NewObject<UserDataRecord>();
  if (list == nullptr) return nullptr;
  if (Publish(list, ListOwner::kCaller, nullptr) == nullptr) {
    delete list;
    return nullptr;
  }
  return list;
}

void DisposeList(UserDataRecord* list) noexcept {
  delete list;
}

// Runs an edit of a list and records its result; a throw is memFullErr.
template <typename F>
OSErr Edit(const ListOwner& owner, F&& body) noexcept {
  OSErr err = Guarded<OSErr>(memFullErr, body);
  if (err == noErr) MarkChanged(owner);
  return Result(err);
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::FourCC;
using qtml::ListOwner;
using qtml::UserDataItem;
using List = qtml::UserDataRecord;  // not the opaque ::UserDataRecord

extern "C" {

QTML_API OSErr NewUserData(UserData* theUserData) try {
  ApiCall call("NewUserData", theUserData);
  if (!qtml::EnterToolbox(call)) return call.Return(GetMoviesError());
  if (theUserData == nullptr) return call.Return(qtml::Result(paramErr));
  *theUserData = nullptr;
  List* list = qtml::NewList();
  if (list == nullptr) return call.Return(qtml::Result(memFullErr));
  *theUserData = qtml::ReferenceOf(list);
  return call.Return(qtml::Result(noErr));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr DisposeUserData(UserData theUserData) try {
  ApiCall call("DisposeUserData", theUserData);
  ListOwner owner;
  List* list = qtml::EnterList(call, theUserData, &owner);
  if (list == nullptr) return call.Return(GetMoviesError());
  if (owner.kind != ListOwner::kCaller) return call.Return(qtml::Result(paramErr));
  qtml::DisposeList(list);
  return call.Return(qtml::Result(noErr));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr NewUserDataFromHandle(Handle h, UserData* theUserData) try {
  ApiCall call("NewUserDataFromHandle", h, theUserData);
  if (!qtml::EnterToolbox(call)) return call.Return(GetMoviesError());
  if (theUserData == nullptr || qtml::CheckHandle(h) != noErr) {
    return call.Return(qtml::Result(paramErr));
  }
  *theUserData = nullptr;
  List* list = qtml::NewList();
  if (list == nullptr) return call.Return(qtml::Result(memFullErr));
  auto* bytes = reinterpret_cast<const uint8_t*>(*h);
  auto size = static_cast<size_t>(qtml::HandleSize(h));
  OSErr err = qtml::Guarded<OSErr>(
      memFullErr, [&] { return qtml::Unflatten(bytes, size, *list) ? noErr : paramErr; });
  if (err != noErr) {
    qtml::DisposeList(list);
    return call.Return(qtml::Result(err));
  }
  *theUserData = qtml::ReferenceOf(list);
  return call.Return(qtml::Result(noErr));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr PutUserDataIntoHandle(UserData theUserData, Handle h) try {
  ApiCall call("PutUserDataIntoHandle", theUserData, h);
  List* list = qtml::EnterList(call, theUserData);
  if (list == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::Guarded<OSErr>(memFullErr, [&] {
    std::vector<uint8_t> bytes = qtml::Flatten(*list);
    return qtml::FillHandle(h, bytes.data(), bytes.size());
  });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API UserData GetMovieUserData(Movie theMovie) try {
  ApiCall call("GetMovieUserData", theMovie);
  qtml::MovieRecord* movie = qtml::EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return<UserData>(nullptr);
  UserData list = qtml::Publish(&movie->userData, ListOwner::kMovie, movie);
  qtml::SetMoviesError(list != nullptr ? noErr : memFullErr);
  return call.Return(list);
} catch (...) {
  return qtml::Escaped<UserData>();
}

QTML_API UserData GetTrackUserData(Track theTrack) try {
  ApiCall call("GetTrackUserData", theTrack);
  qtml::TrackRecord* track = qtml::EnterTrack(call, theTrack);
  if (track == nullptr) return call.Return<UserData>(nullptr);
  UserData list = qtml::Publish(&track->userData, ListOwner::kTrack, track);
  qtml::SetMoviesError(list != nullptr ? noErr : memFullErr);
  return call.Return(list);
} catch (...) {
  return qtml::Escaped<UserData>();
}

QTML_API UserData GetMediaUserData(Media theMedia) try {
  ApiCall call("GetMediaUserData", theMedia);
  qtml::MediaRecord* media = qtml::EnterMedia(call, theMedia);
  if (media == nullptr) return call.Return<UserData>(nullptr);
  UserData list = qtml::Publish(&media->userData, ListOwner::kMedia, media);
  qtml::SetMoviesError(list != nullptr ? noErr : memFullErr);
  return call.Return(list);
} catch (...) {
  return qtml::Escaped<UserData>();
}

QTML_API short CountUserDataType(UserData theUserData, OSType udType) try {
  ApiCall call("CountUserDataType", theUserData, FourCC{udType});
  List* list = qtml::EnterList(call, theUserData);
  if (list == nullptr) return call.Return<short>(0);
  qtml::SetMoviesError(noErr);
  return call.Return(static_cast<short>(qtml::CountOfType(list->items, udType)));
} catch (...) {
  return qtml::Escaped<short>();
}

QTML_API long GetNextUserDataType(UserData theUserData, OSType udType) try {
  ApiCall call("GetNextUserDataType", theUserData, FourCC{udType});
  List* list = qtml::EnterList(call, theUserData);
  if (list == nullptr) return call.Return<long>(0);
  long next = qtml::Guarded<long>(-1, [&]() -> long {
    std::vector<OSType> types = qtml::TypesOf(*list);
    if (udType == 0) return types.empty() ? 0 : static_cast<long>(types.front());
    auto at = std::find(types.begin(), types.end(), udType);
    if (at == types.end() || at + 1 == types.end()) return 0;
    return static_cast<long>(*(at + 1));
  });
  qtml::SetMoviesError(next == -1 ? memFullErr : noErr);
  return call.Return(next == -1 ? 0L : next);
} catch (...) {
  return qtml::Escaped<long>();
}

QTML_API OSErr GetUserData(UserData theUserData, Handle data, OSType udType, long index) try {
  ApiCall call("GetUserData", theUserData, data, FourCC{udType}, index);
  List* list = qtml::EnterList(call, theUserData);
  if (list == nullptr) return call.Return(GetMoviesError());
  auto item = qtml::FindItem(list->items, udType, index);
  if (item == list->items.end()) return call.Return(qtml::Result(userDataItemNotFound));
  return call.Return(qtml::Result(qtml::FillHandle(data, item->data.data(), item->data.size())));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr AddUserData(UserData theUserData, Handle data, OSType udType) try {
  ApiCall call("AddUserData", theUserData, data, FourCC{udType});
  ListOwner owner;
  List* list = qtml::EnterList(call, theUserData, &owner);
  if (list == nullptr) return call.Return(GetMoviesError());
  if (data != nullptr && qtml::CheckHandle(data) != noErr) {
    return call.Return(qtml::Result(paramErr));
  }
  return call.Return(qtml::Edit(owner, [&] {
    std::vector<uint8_t> bytes;
    if (data != nullptr) qtml::CopyBytes(bytes, *data, qtml::HandleSize(data));
    qtml::AppendItem(list->items, udType).data = std::move(bytes);
    return noErr;
  }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr RemoveUserData(UserData theUserData, OSType udType, long index) try {
  ApiCall call("RemoveUserData", theUserData, FourCC{udType}, index);
  ListOwner owner;
  List* list = qtml::EnterList(call, theUserData, &owner);
  if (list == nullptr) return call.Return(GetMoviesError());
  auto item = qtml::FindItem(list->items, udType, index);
  if (item == list->items.end()) return call.Return(qtml::Result(userDataItemNotFound));
  list->items.erase(item);
  qtml::MarkChanged(owner);
  return call.Return(qtml::Result(noErr));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr GetUserDataItem(UserData theUserData, void* data, long size, OSType udType,
                               long index) try {
  ApiCall call("GetUserDataItem", theUserData, data, size, FourCC{udType}, index);
  List* list = qtml::EnterList(call, theUserData);
  if (list == nullptr) return call.Return(GetMoviesError());
  auto item = qtml::FindItem(list->items, udType, index);
  if (item == list->items.end()) return call.Return(qtml::Result(userDataItemNotFound));
  if (size < 0 || item->data.size() > static_cast<size_t>(size) ||
      (data == nullptr && !item->data.empty())) {
    return call.Return(qtml::Result(paramErr));
  }
  if (!item->data.empty()) std::memcpy(data, item->data.data(), item->data.size());
  return call.Return(qtml::Result(noErr));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr SetUserDataItem(UserData theUserData, void* data, long size, OSType udType,
                               long index) try {
  ApiCall call("SetUserDataItem", theUserData, data, size, FourCC{udType}, index);
  ListOwner owner;
  List* list = qtml::EnterList(call, theUserData, &owner);
  if (list == nullptr) return call.Return(GetMoviesError());
  if (index < 1 || size < 0 || (data == nullptr && size > 0)) {
    return call.Return(qtml::Result(paramErr));
  }
  long count = qtml::CountOfType(list->items, udType);
  if (index > count + 1) return call.Return(qtml::Result(userDataItemNotFound));
  return call.Return(qtml::Edit(owner, [&] {
    std::vector<uint8_t> bytes;
    if (size > 0) qtml::CopyBytes(bytes, data, size);
    auto item = qtml::FindItem(list->items, udType, index);
    UserDataItem& target =
        item != list->items.end() ? *item : qtml::AppendItem(list->items, udType);
    target.data = std::move(bytes);
    return noErr;
  }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr AddUserDataText(UserData theUserData, Handle data, OSType udType, long index,
                               short itlRegionTag) try {
  ApiCall call("AddUserDataText", theUserData, data, FourCC{udType}, index, itlRegionTag);
  ListOwner owner;
  List* list = qtml::EnterList(call, theUserData, &owner);
  if (list == nullptr) return call.Return(GetMoviesError());
  if (qtml::CheckHandle(data) != noErr || index < 1 || qtml::HandleSize(data) > 0xFFFF) {
    return call.Return(qtml::Result(paramErr));
  }
  long count = qtml::CountOfType(list->items, udType);
  if (index > count + 1) return call.Return(qtml::Result(userDataItemNotFound));
  return call.Return(qtml::Edit(owner, [&] {
    auto item = qtml::FindItem(list->items, udType, index);
    UserDataItem& target =
        item != list->items.end() ? *item : qtml::AppendItem(list->items, udType);
    qtml::PutText(target.data, reinterpret_cast<const uint8_t*>(*data),
                  static_cast<uint16_t>(qtml::HandleSize(data)), itlRegionTag);
    return noErr;
  }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr GetUserDataText(UserData theUserData, Handle data, OSType udType, long index,
                               short itlRegionTag) try {
  ApiCall call("GetUserDataText", theUserData, data, FourCC{udType}, index, itlRegionTag);
  List* list = qtml::EnterList(call, theUserData);
  if (list == nullptr) return call.Return(GetMoviesError());
  auto item = qtml::FindItem(list->items, udType, index);
  if (item == list->items.end()) return call.Return(qtml::Result(userDataItemNotFound));
  OSErr err = qtml::Guarded<OSErr>(memFullErr, [&] {
    std::vector<qtml::TextRecord> records = qtml::TextRecords(item->data);
    const qtml::TextRecord* text = qtml::FindText(records, itlRegionTag);
    if (text == nullptr) return userDataItemNotFound;
    return qtml::FillHandle(data, item->data.data() + text->offset + 4, text->length);
  });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr RemoveUserDataText(UserData theUserData, OSType udType, long index,
                                  short itlRegionTag) try {
  ApiCall call("RemoveUserDataText", theUserData, FourCC{udType}, index, itlRegionTag);
  ListOwner owner;
  List* list = qtml::EnterList(call, theUserData, &owner);
  if (list == nullptr) return call.Return(GetMoviesError());
  auto item = qtml::FindItem(list->items, udType, index);
  if (item == list->items.end()) return call.Return(qtml::Result(userDataItemNotFound));
  return call.Return(qtml::Edit(owner, [&] {
    std::vector<qtml::TextRecord> records = qtml::TextRecords(item->data);
    const qtml::TextRecord* text = qtml::FindText(records, itlRegionTag);
    if (text == nullptr) return userDataItemNotFound;
    if (records.size() == 1) {
      list->items.erase(item);
      return noErr;
    }
    auto first = item->data.begin() + static_cast<std::ptrdiff_t>(text->offset);
    item->data.erase(first, first + 4 + text->length);
    return noErr;
  }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr CopyUserData(UserData srcUserData, UserData dstUserData, OSType copyRule) try {
  ApiCall call("CopyUserData", srcUserData, dstUserData, FourCC{copyRule});
  List* source = qtml::EnterList(call, srcUserData);
  if (source == nullptr) return call.Return(GetMoviesError());
  ListOwner owner;
  List* target = qtml::ListOf(dstUserData, &owner);
  if (target == nullptr) return call.Return(GetMoviesError());
  if (copyRule != kQTCopyUserDataReplace && copyRule != kQTCopyUserDataMerge) {
    return call.Return(qtml::Result(paramErr));
  }
  return call.Return(qtml::Edit(owner, [&] {
    if (!qtml::AllocationAllowed()) throw std::bad_alloc();
    // Built aside, so that a failure leaves the target as it was.
    qtml::Items items = target->items;
    if (copyRule == kQTCopyUserDataReplace) {
      std::vector<OSType> replaced = qtml::TypesOf(*source);
      std::erase_if(items, [&](const UserDataItem& item) {
        return std::find(replaced.begin(), replaced.end(), item.type) != replaced.end();
      });
    }
    items.insert(items.end(), source->items.begin(), source->items.end());
    target->items = std::move(items);
    return noErr;
  }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
