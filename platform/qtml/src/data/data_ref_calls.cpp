// The Movie Toolbox calls on a media's list of data references.
#include <cstring>
#include <vector>

#include "Movies.h"
#include "base/api_call.h"
#include "data/data_refs.h"
#include "memory/memory.h"
#include "movies/movie_model.h"
#include "movies/movie_toolbox.h"

namespace qtml {
namespace {

constexpr size_t kMaxDataRefs = 0x7FFF;  // indexes are shorts

// The index-th (from 1) reference of a live media, or nullptr with *err.
DataReference* ReferenceAt(Media theMedia, short index, OSErr* err) {
  MediaRecord* media = MediaOf(theMedia);
  if (media == nullptr) {
    *err = invalidMedia;
    return nullptr;
  }
  if (index < 1 || static_cast<size_t>(index) > media->dataRefs.size()) {
    *err = badDataRefIndex;
    return nullptr;
  }
  *err = noErr;
  return &media->dataRefs[static_cast<size_t>(index) - 1];
}

void MarkChanged(MediaRecord* media) {
  if (media->track != nullptr && media->track->movie != nullptr) {
    media->track->movie->changed = true;
  }
}

long AttributesOf(const DataReference& ref) {
  long attributes = 0;
  if (ref.flags & dataRefSelfReference) {
    attributes |= dataRefSelfReference;
  } else if (ref.store == nullptr) {
    attributes |= dataRefWasNotResolved;
  }
  return attributes;
}

// Opens the reference's store, writable when it allows and read-only
// otherwise; leaves it nullptr (not resolved) when neither works.
void OpenStore(DataReference* ref) {
  if (ref->sealed) return;
  OSErr ignored = noErr;
  ref->store = OpenDataRefStore(ref->type, ref->data.data(), ref->data.size(), true, &ignored);
  if (ref->store == nullptr) {
    ref->store = OpenDataRefStore(ref->type, ref->data.data(), ref->data.size(), false, &ignored);
  }
}

OSErr GetReference(Media theMedia, short index, Handle* dataRef, OSType* type, long* attributes) {
  OSErr err = noErr;
  DataReference* ref = ReferenceAt(theMedia, index, &err);
  if (ref == nullptr) return err;
  // A store is opened when first used; one that has not been is tried now,
  // so that "not resolved" means the data cannot be found.
  if (ref->store == nullptr && (ref->flags & dataRefSelfReference) == 0) OpenStore(ref);
  if (dataRef != nullptr) {
    Handle copy = NewHandleBytes(static_cast<Size>(ref->data.size()), false, &err);
    if (copy == nullptr) return err;
    if (!ref->data.empty()) std::memcpy(*copy, ref->data.data(), ref->data.size());
    *dataRef = copy;
  }
  if (type != nullptr) *type = ref->type;
  if (attributes != nullptr) *attributes = AttributesOf(*ref);
  return noErr;
}

// A reference holding a copy of the handle's bytes, its store opened.
OSErr MakeReference(Handle dataRef, OSType type, DataReference* ref) {
  if (dataRef == nullptr) return paramErr;
  if (OSErr err = CheckHandle(dataRef)) return err;
  const auto* bytes = reinterpret_cast<const uint8_t*>(*dataRef);
  ref->type = type;
  ref->data.assign(bytes, bytes + HandleSize(dataRef));
  ref->flags = 0;
  OpenStore(ref);
  return noErr;
}

OSErr AddReference(Media theMedia, short* index, Handle dataRef, OSType type) {
  MediaRecord* media = MediaOf(theMedia);
  if (media == nullptr) return invalidMedia;
  if (index != nullptr) *index = 0;
  if (media->dataRefs.size() >= kMaxDataRefs) return paramErr;
  DataReference ref;
  if (OSErr err = MakeReference(dataRef, type, &ref)) return err;
  media->dataRefs.push_back(std::move(ref));
  if (index != nullptr) *index = static_cast<short>(media->dataRefs.size());
  MarkChanged(media);
  return noErr;
}

OSErr ReplaceReference(Media theMedia, short index, Handle dataRef, OSType type) {
  OSErr err = noErr;
  DataReference* old = ReferenceAt(theMedia, index, &err);
  if (old == nullptr) return err;
  DataReference ref;
  if (OSErr made = MakeReference(dataRef, type, &ref)) return made;
  *old = std::move(ref);
  MarkChanged(MediaOf(theMedia));
  return noErr;
}

OSErr SetAttributes(Media theMedia, short index, long attributes) {
  OSErr err = noErr;
  DataReference* ref = ReferenceAt(theMedia, index, &err);
  if (ref == nullptr) return err;
  UInt32 self = (attributes & dataRefSelfReference) ? dataRefSelfReference : 0;
  if ((ref->flags & dataRefSelfReference) != self) MarkChanged(MediaOf(theMedia));
  ref->flags = (ref->flags & ~static_cast<UInt32>(dataRefSelfReference)) | self;
  return noErr;
}

// Runs a Movie Toolbox call body: the fault, the toolbox check, the body
// guarded, and the result recorded for GetMoviesError.
template <typename F>
OSErr ToolboxCall(ApiCall& call, F&& body) noexcept {
  OSErr err = call.Fault();
  if (err == noErr) err = RequireMovieToolbox();
  if (err == noErr) err = Guarded<OSErr>(memFullErr, body);
  SetMoviesError(err);
  return call.Return(err);
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::ToolboxCall;

extern "C" {

OSErr GetMediaDataRef(Media theMedia, short index, Handle* dataRef, OSType* dataRefType,
                      long* dataRefAttributes) try {
  ApiCall call("GetMediaDataRef", theMedia, index, dataRef, dataRefType, dataRefAttributes);
  return ToolboxCall(call, [&] {
    return qtml::GetReference(theMedia, index, dataRef, dataRefType, dataRefAttributes);
  });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr GetMediaDataRefCount(Media theMedia, short* count) try {
  ApiCall call("GetMediaDataRefCount", theMedia, count);
  return ToolboxCall(call, [&]() -> OSErr {
    qtml::MediaRecord* media = qtml::MediaOf(theMedia);
    if (media == nullptr) return invalidMedia;
    if (count == nullptr) return paramErr;
    *count = static_cast<short>(media->dataRefs.size());
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr AddMediaDataRef(Media theMedia, short* index, Handle dataRef, OSType dataRefType) try {
  ApiCall call("AddMediaDataRef", theMedia, index, dataRef, qtml::FourCC{dataRefType});
  return ToolboxCall(call,
                     [&] { return qtml::AddReference(theMedia, index, dataRef, dataRefType); });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr SetMediaDataRef(Media theMedia, short index, Handle dataRef, OSType dataRefType) try {
  ApiCall call("SetMediaDataRef", theMedia, index, dataRef, qtml::FourCC{dataRefType});
  return ToolboxCall(call,
                     [&] { return qtml::ReplaceReference(theMedia, index, dataRef, dataRefType); });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr SetMediaDataRefAttributes(Media theMedia, short index, long dataRefAttributes) try {
  ApiCall call("SetMediaDataRefAttributes", theMedia, index, dataRefAttributes);
  return ToolboxCall(call, [&] { return qtml::SetAttributes(theMedia, index, dataRefAttributes); });
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
