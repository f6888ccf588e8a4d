// The time code media handler's source information: the user data that a
// time code description carries after its fixed part.
#include <cstring>
#include <vector>

#include "QuickTimeComponents.h"
#include "base/api_call.h"
#include "base/byte_order.h"
#include "memory/memory.h"
#include "movies/movie_model.h"
#include "movies/sample_descriptions.h"
#include "movies/time_code.h"

namespace qtml {
namespace {

constexpr size_t kSourceOffset = offsetof(TimeCodeDescription, srcRef);
constexpr OSType kUserDataAtom = FOUR_CHAR_CODE('udta');

// ---- Source information ----

// The bytes of a time code description in a handle that carry its source:
// a 'udta' atom of user data atoms, or nothing.
std::vector<uint8_t> SourceBytes(Handle desc) {
  std::vector<uint8_t> bytes;
  size_t length = static_cast<size_t>(HandleSize(desc));
  SInt32 descSize;
  std::memcpy(&descSize, *desc, sizeof descSize);
  if (descSize >= static_cast<SInt32>(kSourceOffset) && static_cast<size_t>(descSize) < length) {
    length = static_cast<size_t>(descSize);
  }
  const auto* start = reinterpret_cast<const uint8_t*>(*desc);
  if (length > kSourceOffset) bytes.assign(start + kSourceOffset, start + length);
  return bytes;
}

// Adds each user data atom in bytes[begin, end) to `userData`; atoms
// inside a 'udta' atom count as its items.
OSErr AddItems(UserData userData, const std::vector<uint8_t>& bytes, size_t begin, size_t end) {
  while (begin + 8 <= end) {
    uint32_t size = ReadBE32(&bytes[begin]);
    OSType type = ReadBE32(&bytes[begin + 4]);
    if (size < 8 || size > end - begin) break;
    if (type == kUserDataAtom) {
      if (OSErr err = AddItems(userData, bytes, begin + 8, begin + size)) return err;
    } else {
      Handle data = nullptr;
      OSErr err = PtrToHand(&bytes[begin + 8], &data, static_cast<long>(size - 8));
      if (err == noErr) err = AddUserData(userData, data, type);
      if (data != nullptr) DisposeHandle(data);
      if (err != noErr) return err;
    }
    begin += size;
  }
  return noErr;
}

void AppendAtomHeader(std::vector<uint8_t>& bytes, size_t size, OSType type) {
  uint8_t header[8];
  WriteBE32(header, static_cast<uint32_t>(size));
  WriteBE32(header + 4, type);
  bytes.insert(bytes.end(), header, header + 8);
}

// The items of `userData` as a 'udta' atom; empty when it has none.
OSErr SourceAtom(UserData userData, std::vector<uint8_t>* atom) {
  std::vector<uint8_t> items;
  Handle data = NewHandle(0);
  if (data == nullptr) return memFullErr;
  OSErr err = noErr;
  for (OSType type = GetNextUserDataType(userData, 0); type != 0 && err == noErr;
       type = GetNextUserDataType(userData, type)) {
    short count = CountUserDataType(userData, type);
    for (short index = 1; index <= count && err == noErr; ++index) {
      err = GetUserData(userData, data, type, index);
      if (err != noErr) break;
      AppendAtomHeader(items, 8 + HandleSize(data), type);
      items.insert(items.end(), *data, *data + HandleSize(data));
    }
  }
  DisposeHandle(data);
  if (err != noErr || items.empty()) return err;
  AppendAtomHeader(*atom, 8 + items.size(), kUserDataAtom);
  atom->insert(atom->end(), items.begin(), items.end());
  return noErr;
}

// Rewrites the description's source: the atom after the fixed part, or
// the four zero bytes of srcRef when there is none.
OSErr SetSource(Handle desc, const std::vector<uint8_t>& atom) {
  size_t size = kSourceOffset + (atom.empty() ? sizeof(SInt32) : atom.size());
  if (OSErr err = ResizeHandle(desc, static_cast<Size>(size))) return err;
  std::memset(*desc + kSourceOffset, 0, sizeof(SInt32));
  if (!atom.empty()) std::memcpy(*desc + kSourceOffset, atom.data(), atom.size());
  auto descSize = static_cast<SInt32>(size);
  std::memcpy(*desc, &descSize, sizeof descSize);
  return noErr;
}

// Whether two descriptions' file bytes agree in their format and time code
// fields (the data reference index a media fills in is not compared).
bool SameFixedPart(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() < kSourceOffset || b.size() < kSourceOffset) return false;
  constexpr size_t kFields = sizeof(SampleDescription);
  return std::memcmp(a.data() + 4, b.data() + 4, 4) == 0 &&
         std::memcmp(a.data() + kFields, b.data() + kFields, kSourceOffset - kFields) == 0;
}

OSErr SetSourceRef(MediaRecord* media, Handle desc, UserData userData) {
  std::vector<uint8_t> atom;
  if (userData != nullptr) {
    if (OSErr err = SourceAtom(userData, &atom)) return err;
  }
  std::vector<uint8_t> before = DescriptionToFileBytes(kTimeCodeMediaType, desc);
  if (OSErr err = SetSource(desc, atom)) return err;
  std::vector<uint8_t> after = DescriptionToFileBytes(kTimeCodeMediaType, desc);
  for (auto& description : media->descriptions) {
    if (SameFixedPart(description, before)) description = after;
  }
  MarkChanged(media);
  return noErr;
}

bool IsTimeCodeDescription(Handle desc) {
  return IsHandle(desc) && HandleSize(desc) >= static_cast<Size>(kSourceOffset);
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::MediaRecord;

extern "C" {

QTML_API HandlerError TCGetSourceRef(MediaHandler mh, TimeCodeDescriptionHandle tcdH,
                                     UserData* srefH) try {
  ApiCall call("TCGetSourceRef", mh, tcdH, srefH);
  if (OSErr fault = call.Fault()) return call.Return<HandlerError>(fault);
  HandlerError result = noErr;
  if (qtml::HandledMedia(mh, kTCGetSourceRefSelect, &result) == nullptr) return call.Return(result);
  auto desc = reinterpret_cast<Handle>(tcdH);
  if (srefH == nullptr || !qtml::IsTimeCodeDescription(desc)) {
    return call.Return<HandlerError>(paramErr);
  }
  *srefH = nullptr;
  UserData userData = nullptr;
  OSErr err = NewUserData(&userData);
  if (err != noErr) return call.Return<HandlerError>(err);
  err = qtml::Guarded<OSErr>(memFullErr, [&] {
    std::vector<uint8_t> bytes = qtml::SourceBytes(desc);
    return qtml::AddItems(userData, bytes, 0, bytes.size());
  });
  if (err != noErr) {
    DisposeUserData(userData);
    return call.Return<HandlerError>(err);
  }
  *srefH = userData;
  return call.Return<HandlerError>(noErr);
} catch (...) {
  return qtml::EscapedError<HandlerError>();
}

QTML_API HandlerError TCSetSourceRef(MediaHandler mh, TimeCodeDescriptionHandle tcdH,
                                     UserData srefH) try {
  ApiCall call("TCSetSourceRef", mh, tcdH, srefH);
  if (OSErr fault = call.Fault()) return call.Return<HandlerError>(fault);
  HandlerError result = noErr;
  MediaRecord* media = qtml::HandledMedia(mh, kTCSetSourceRefSelect, &result);
  if (media == nullptr) return call.Return(result);
  auto desc = reinterpret_cast<Handle>(tcdH);
  if (!qtml::IsTimeCodeDescription(desc)) return call.Return<HandlerError>(paramErr);
  OSErr err =
      qtml::Guarded<OSErr>(memFullErr, [&] { return qtml::SetSourceRef(media, desc, srefH); });
  return call.Return<HandlerError>(err);
} catch (...) {
  return qtml::EscapedError<HandlerError>();
}

}  // extern "C"
