// Media: creation and disposal, properties, and the media handler each
// media owns with the handler calls on it.
#include <algorithm>
#include <cstring>

#include "QuickTimeComponents.h"
#include "components/component_selectors.h"
#include "data/data_refs.h"
#include "memory/memory.h"
#include "movies/movie_calls.h"
#include "movies/movie_edit_list.h"

namespace qtml {
namespace {

// The calls a media handler takes: every handler tells its
// characteristics; one of media that can be seen has a graphics mode, one
// of media that can be heard a balance, bass and treble; text and time
// code handlers add their own calls.
constexpr SInt16 kMediaHandlerSelectors[] = {kMediaHasCharacteristicSelect};
constexpr SInt16 kVisualMediaSelectors[] = {kMediaSetGraphicsModeSelect,
                                            kMediaGetGraphicsModeSelect};
constexpr SInt16 kAudibleMediaSelectors[] = {
    kMediaSetSoundBalanceSelect, kMediaGetSoundBalanceSelect, kMediaSetSoundBassAndTrebleSelect,
    kMediaGetSoundBassAndTrebleSelect};
constexpr SInt16 kTextMediaSelectors[] = {kTextMediaAddTextSampleSelect};
constexpr SInt16 kTimeCodeMediaSelectors[] = {
    kTCTimeCodeToStringSelect, kTCTimeCodeToFrameNumberSelect, kTCFrameNumberToTimeCodeSelect,
    kTCGetSourceRefSelect,     kTCSetSourceRefSelect,          kTCSetTimeCodeFlagsSelect,
    kTCGetTimeCodeFlagsSelect, kTCSetDisplayOptionsSelect,     kTCGetDisplayOptionsSelect};

ComponentImplementation* NewMediaHandlerImplementation() {
  return NewObject<MediaHandlerImplementation>();
}

// The media handler component for the media's type: the engine's, or one
// registered the first time a media of that type asks.
ComponentRecord* HandlerComponent(const MediaRecord& media) {
  ComponentDescription looking{'mhlr', media.type, 0, 0, 0};
  Component found = NextMatching(nullptr, &looking);
  if (found == nullptr) {
    ComponentEntry entry{'mhlr',
                         media.type,
                         'appl',
                         0,
                         media.handlerName.c_str(),
                         "Serves the samples of one media",
                         0x00070000,
                         NewMediaHandlerImplementation};
    found = AddComponent(entry);
  }
  return FindComponentRecord(found);
}

MediaHandlerImplementation* HandlerOf(MediaHandler mh) {
  return dynamic_cast<MediaHandlerImplementation*>(ImplementationOf(mh));
}

// The data reference a new media writes to: the one given, or the movie's
// default, which a movie without one gets as memory of the engine's.
OSErr NewMediaDataRef(MovieRecord& movie, Handle dataRef, OSType dataRefType, DataReference* ref) {
  OSErr err = noErr;
  if (dataRef != nullptr) {
    if (CheckHandle(dataRef) != noErr) return paramErr;
    const auto* bytes = reinterpret_cast<const uint8_t*>(*dataRef);
    ref->type = dataRefType;
    ref->data.assign(bytes, bytes + HandleSize(dataRef));
    ref->store = OpenDataRefStore(dataRefType, bytes, ref->data.size(), true, &err);
    return noErr;  // a reference that cannot be opened yet fails when written
  }
  DataReference& fallback = movie.defaultDataRef;
  if (fallback.type == 0 && fallback.store == nullptr) {
    fallback.type = 'hndl';
    fallback.store = NewMemoryStore();
  } else if (fallback.store == nullptr) {
    fallback.store =
        OpenDataRefStore(fallback.type, fallback.data.data(), fallback.data.size(), true, &err);
  }
  // The movie's own file is a self reference to its media.
  *ref = ReferenceIn(fallback, &movie);
  return noErr;
}

void MediaChanged(MediaRecord& media) {
  media.modificationTime = MacSecondsNow();
  if (media.track != nullptr && media.track->movie != nullptr) media.track->movie->changed = true;
}

// Runs a handler call: its fault, its instance, whether the handler
// takes the call.
template <typename F>
ComponentResult HandlerCall(ApiCall& call, MediaHandler mh, SInt16 selector, F body) {
  if (OSErr fault = call.Fault()) return call.Return<ComponentResult>(fault);
  ComponentResult result = noErr;
  MediaRecord* media = HandledMedia(mh, selector, &result);
  if (media == nullptr) return call.Return(result);
  return call.Return<ComponentResult>(body(*media));
}

}  // namespace

MediaRecord* HandledMedia(MediaHandler mh, SInt16 selector, ComponentResult* result) noexcept {
  auto* handler = dynamic_cast<MediaHandlerImplementation*>(EnterSelector(mh, selector, result));
  if (handler == nullptr) {
    if (*result == noErr) *result = badComponentSelector;  // not a media handler
    return nullptr;
  }
  // A handler opened without a media serves none.
  *result = handler->media != nullptr ? noErr : badComponentInstance;
  return handler->media;
}

OSErr MediaHandlerImplementation::Open(ComponentInstance self) {
  ComponentInstanceRecord* record = FindInstanceRecord(self);
  if (record != nullptr && record->component != nullptr) {
    mediaType = record->component->entry.subType;
  }
  return noErr;
}

bool MediaHandlerImplementation::Implements(SInt16 selector) const {
  if (InSelectorTable(kMediaHandlerSelectors, selector)) return true;
  if (MediaTypeHasCharacteristic(mediaType, VisualMediaCharacteristic) &&
      InSelectorTable(kVisualMediaSelectors, selector)) {
    return true;
  }
  if (MediaTypeHasCharacteristic(mediaType, AudioMediaCharacteristic) &&
      InSelectorTable(kAudibleMediaSelectors, selector)) {
    return true;
  }
  if (mediaType == TextMediaType) return InSelectorTable(kTextMediaSelectors, selector);
  if (mediaType == TimeCodeMediaType) return InSelectorTable(kTimeCodeMediaSelectors, selector);
  return false;
}

MediaHandlerSlot::~MediaHandlerSlot() {
  if (ComponentInstanceRecord* record = FindInstanceRecord(instance)) CloseInstance(record);
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::EnterMedia;
using qtml::MediaRecord;
using qtml::SetMoviesError;
using qtml::TrackRecord;

#define QTML_MEDIA_GETTER(Name, Type, field)                                                    \
  QTML_API Type Name(Media theMedia) try {                                                      \
    return qtml::ReadProperty<Type>(                                                            \
        #Name, theMedia, 0, [](MediaRecord& media) { return static_cast<Type>(media.field); }); \
  } catch (...) {                                                                               \
    return qtml::Escaped<Type>();                                                               \
  }

#define QTML_MEDIA_SETTER(Name, Type, field)           \
  QTML_API void Name(Media theMedia, Type value) try { \
    ApiCall call(#Name, theMedia, value);              \
    MediaRecord* media = EnterMedia(call, theMedia);   \
    if (media == nullptr) return;                      \
    media->field = value;                              \
    qtml::MediaChanged(*media);                        \
    SetMoviesError(noErr);                             \
  } catch (...) {                                      \
    return qtml::Escaped<void>();                      \
  }

extern "C" {

QTML_API Media NewTrackMedia(Track theTrack, OSType mediaType, TimeScale timeScale, Handle dataRef,
                             OSType dataRefType) try {
  ApiCall call("NewTrackMedia", theTrack, qtml::FourCC{mediaType}, timeScale, dataRef,
               qtml::FourCC{dataRefType});
  TrackRecord* track = qtml::EnterTrack(call, theTrack);
  if (track == nullptr) return call.Return<Media>(nullptr);
  if (timeScale <= 0 || mediaType == 0) {
    SetMoviesError(paramErr);
    return call.Return<Media>(nullptr);
  }
  MediaRecord* media = nullptr;
  OSErr err = qtml::Guarded<OSErr>(memFullErr, [&] {
    qtml::DataReference ref;
    OSErr refErr = qtml::NewMediaDataRef(*track->movie, dataRef, dataRefType, &ref);
    if (refErr != noErr) return refErr;
    media = qtml::AddMedia(*track, mediaType, timeScale);
    media->dataRefs.push_back(ref);
    return noErr;
  });
  if (err == noErr) qtml::TrackEdited(*track);
  SetMoviesError(err);
  return call.Return(err == noErr ? qtml::ReferenceTo(media) : nullptr);
} catch (...) {
  return qtml::Escaped<Media>();
}

QTML_API void DisposeTrackMedia(Media theMedia) try {
  ApiCall call("DisposeTrackMedia", theMedia);
  MediaRecord* media = EnterMedia(call, theMedia);
  if (media == nullptr) return;
  TrackRecord* track = media->track;
  track->media.reset();
  track->edits.clear();
  qtml::TrackEdited(*track);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API Track GetMediaTrack(Media theMedia) try {
  return qtml::ReadProperty<Track>("GetMediaTrack", theMedia, nullptr, [](MediaRecord& media) {
    return qtml::ReferenceTo(media.track);
  });
} catch (...) {
  return qtml::Escaped<Track>();
}

QTML_MEDIA_GETTER(GetMediaTimeScale, TimeScale, timeScale)
QTML_MEDIA_GETTER(GetMediaLanguage, short, language)
QTML_MEDIA_SETTER(SetMediaLanguage, short, language)
QTML_MEDIA_GETTER(GetMediaQuality, short, quality)
QTML_MEDIA_SETTER(SetMediaQuality, short, quality)
QTML_MEDIA_GETTER(GetMediaCreationTime, unsigned long, creationTime)
QTML_MEDIA_GETTER(GetMediaModificationTime, unsigned long, modificationTime)

QTML_API void SetMediaTimeScale(Media theMedia, TimeScale timeScale) try {
  ApiCall call("SetMediaTimeScale", theMedia, timeScale);
  MediaRecord* media = EnterMedia(call, theMedia);
  if (media == nullptr) return;
  if (timeScale <= 0) return SetMoviesError(paramErr);
  media->timeScale = timeScale;
  qtml::MediaChanged(*media);
  if (media->track != nullptr) qtml::TrackEdited(*media->track);
  SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API TimeValue GetMediaDuration(Media theMedia) try {
  return qtml::ReadProperty<TimeValue>("GetMediaDuration", theMedia, 0, [](MediaRecord& media) {
    return qtml::MediaDuration(media);
  });
} catch (...) {
  return qtml::Escaped<TimeValue>();
}

QTML_API void GetMediaHandlerDescription(Media theMedia, OSType* mediaType, Str255 creatorName,
                                         OSType* creatorManufacturer) try {
  ApiCall call("GetMediaHandlerDescription", theMedia);
  MediaRecord* media = EnterMedia(call, theMedia);
  if (mediaType != nullptr) *mediaType = media != nullptr ? media->type : 0;
  if (creatorManufacturer != nullptr) {
    *creatorManufacturer = media != nullptr ? media->handlerManufacturer : 0;
  }
  if (creatorName != nullptr) {
    size_t length = media != nullptr ? std::min<size_t>(media->handlerName.size(), 255) : 0;
    creatorName[0] = static_cast<unsigned char>(length);
    if (length > 0) std::memcpy(creatorName + 1, media->handlerName.data(), length);
  }
  if (media != nullptr) SetMoviesError(noErr);
} catch (...) {
  return qtml::Escaped<void>();
}

QTML_API MediaHandler GetMediaHandler(Media theMedia) try {
  ApiCall call("GetMediaHandler", theMedia);
  MediaRecord* media = EnterMedia(call, theMedia);
  if (media == nullptr) return call.Return<MediaHandler>(nullptr);
  if (qtml::FindInstanceRecord(media->handler.instance) == nullptr) {
    media->handler.instance = nullptr;
    ComponentRecord* component = qtml::HandlerComponent(*media);
    OSErr err = component != nullptr ? qtml::OpenInstance(component, &media->handler.instance)
                                     : memFullErr;  // registering it needed memory
    if (err != noErr) {
      SetMoviesError(err);
      return call.Return<MediaHandler>(nullptr);
    }
    qtml::MediaHandlerImplementation* handler = qtml::HandlerOf(media->handler.instance);
    if (handler == nullptr) {  // a component of that type that is not a media handler
      qtml::CloseInstance(qtml::FindInstanceRecord(media->handler.instance));
      media->handler.instance = nullptr;
      SetMoviesError(cantOpenHandler);
      return call.Return<MediaHandler>(nullptr);
    }
    handler->media = media;
  }
  SetMoviesError(noErr);
  return call.Return(media->handler.instance);
} catch (...) {
  return qtml::Escaped<MediaHandler>();
}

QTML_API ComponentResult MediaHasCharacteristic(MediaHandler mh, OSType characteristic,
                                                Boolean* hasIt) try {
  ApiCall call("MediaHasCharacteristic", mh, qtml::FourCC{characteristic});
  return qtml::HandlerCall(call, mh, kMediaHasCharacteristicSelect, [&](MediaRecord& media) {
    if (hasIt != nullptr) *hasIt = qtml::MediaTypeHasCharacteristic(media.type, characteristic);
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MediaGetGraphicsMode(MediaHandler mh, long* mode, RGBColor* opColor) try {
  ApiCall call("MediaGetGraphicsMode", mh);
  return qtml::HandlerCall(call, mh, kMediaGetGraphicsModeSelect, [&](MediaRecord& media) {
    if (mode != nullptr) *mode = media.graphicsMode;
    if (opColor != nullptr) *opColor = media.opColor;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MediaSetGraphicsMode(MediaHandler mh, long mode,
                                              const RGBColor* opColor) try {
  ApiCall call("MediaSetGraphicsMode", mh, mode);
  return qtml::HandlerCall(call, mh, kMediaSetGraphicsModeSelect, [&](MediaRecord& media) {
    media.graphicsMode = static_cast<short>(mode);
    if (opColor != nullptr) media.opColor = *opColor;
    qtml::MediaChanged(media);
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MediaGetSoundBalance(MediaHandler mh, short* balance) try {
  ApiCall call("MediaGetSoundBalance", mh);
  return qtml::HandlerCall(call, mh, kMediaGetSoundBalanceSelect, [&](MediaRecord& media) {
    if (balance != nullptr) *balance = media.balance;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MediaSetSoundBalance(MediaHandler mh, short balance) try {
  ApiCall call("MediaSetSoundBalance", mh, balance);
  return qtml::HandlerCall(call, mh, kMediaSetSoundBalanceSelect, [&](MediaRecord& media) {
    media.balance = balance;
    qtml::MediaChanged(media);
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MediaGetSoundBassAndTreble(MediaHandler mh, short* bass,
                                                    short* treble) try {
  ApiCall call("MediaGetSoundBassAndTreble", mh);
  return qtml::HandlerCall(call, mh, kMediaGetSoundBassAndTrebleSelect, [&](MediaRecord& media) {
    if (bass != nullptr) *bass = media.bass;
    if (treble != nullptr) *treble = media.treble;
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

QTML_API ComponentResult MediaSetSoundBassAndTreble(MediaHandler mh, short bass, short treble) try {
  ApiCall call("MediaSetSoundBassAndTreble", mh, bass, treble);
  return qtml::HandlerCall(call, mh, kMediaSetSoundBassAndTrebleSelect, [&](MediaRecord& media) {
    media.bass = bass;
    media.treble = treble;
    qtml::MediaChanged(media);
    return noErr;
  });
} catch (...) {
  return qtml::EscapedError<ComponentResult>();
}

}  // extern "C"
