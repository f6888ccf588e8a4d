// Containers, tracks and media: the operations movies, tracks and media
// share, and FenraContainer, FenraTrack and FenraMedia over them.
#include "movie/container.h"

#include <cstring>
#include <utility>

#include "FixMath.h"
#include "MacMemory.h"
#include "dataref/data_ref.h"
#include "movie/sample_desc.h"
#include "movie/user_data.h"
#include "plugin/bridges.h"
#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/quicktime_start.h"
#include "plugin/registration.h"
#include "values/graphics_context.h"
#include "values/rect.h"
#include "values/region.h"
#include "values/time_range.h"

namespace fenra {

namespace {

constexpr OSType kVisual = VisualMediaCharacteristic;
constexpr OSType kAudible = AudioMediaCharacteristic;

// QuickTime before 4.0.1 has no 64-bit track data size.
bool HasTrackDataSize64() {
  return ((static_cast<unsigned long>(QuickTimeVersion()) >> 16) & 0xFFFF) >= 0x0401;
}

OSType MediaTypeOf(Media media) {
  OSType type = 0;
  if (media != nullptr) GetMediaHandlerDescription(media, &type, nullptr, nullptr);
  return type;
}

}  // namespace

void ContainerNative::RangeOf(const TimeRangeNative* range, TimeValue* start, TimeValue* length) {
  if (range == nullptr) {
    *start = 0;
    *length = GetTimeValue(kTimeDuration);
  } else {
    *start = range->start;
    *length = range->length;
  }
}

bool ContainerNative::LoadRangeOf(const TimeRangeNative* range, TimeValue* start,
                                  TimeValue* length) {
  RangeOf(range, start, length);
  if (range != nullptr && *length == 0) {
    err = kParamErr;
    return false;
  }
  return true;
}

NativeObject* UserDataOver(UserData list) {
  return list != nullptr ? new (std::nothrow) UserDataNative(list, false) : nullptr;
}

bool MovieHasCharacteristic(Movie movie, OSType characteristic) {
  return GetMovieIndTrackType(movie, 1, characteristic, movieTrackCharacteristic) != nullptr;
}

OSType TrackMediaType(Track track) {
  Media media = track != nullptr ? GetTrackMedia(track) : nullptr;
  if (media == nullptr) return 0;
  OSType type = 0;
  GetMediaHandlerDescription(media, &type, nullptr, nullptr);
  return type;
}

OSErr CopySoundTracks(Movie from, Movie to) {
  long count = GetMovieTrackCount(from);
  for (long i = 1; i <= count; ++i) {
    Track source = GetMovieIndTrack(from, i);
    if (source == nullptr || TrackMediaType(source) != SoundMediaType) continue;
    Track track = NewMovieTrack(to, 0, 0, GetTrackVolume(source));
    if (OSErr err = GetMoviesError()) return err;
    Media media =
        NewTrackMedia(track, SoundMediaType, GetMediaTimeScale(GetTrackMedia(source)), nullptr, 0);
    if (OSErr err = GetMoviesError()) return err;
    if (OSErr err = BeginMediaEdits(media)) return err;
    OSErr err = InsertTrackSegment(source, track, 0, GetTrackDuration(source), 0);
    OSErr ended = EndMediaEdits(media);
    if (err != noErr) return err;
    if (ended != noErr) return ended;
  }
  return noErr;
}

Track MovieTrackAt(Movie movie, int64_t index) {
  if (movie == nullptr || index < 0 || index >= GetMovieTrackCount(movie)) return nullptr;
  return GetMovieIndTrack(movie, static_cast<long>(index) + 1);
}

int32_t ApplyDisplayProperties(GraphicsContextNative* context,
                               void (*setMatrix)(void* target, const MatrixRecord* matrix),
                               void (*setClip)(void* target, RgnHandle clip), void* target) {
  if (context == nullptr) {
    MatrixRecord identity;
    SetIdentityMatrix(&identity);
    setMatrix(target, &identity);
    OSErr err = GetMoviesError();
    if (err != noErr) return err;
    setClip(target, nullptr);
    return GetMoviesError();
  }
  if (!context->IsValid()) return kParamErr;
  setMatrix(target, context->BuildMatrix());
  if (RgnHandle clip = context->ClipRegion()) setClip(target, clip);
  return GetMoviesError();
}

// --- Tracks ---

void TrackNative::Attach(Track source) {
  if (source == nullptr) return;
  track = source;
  trackID = static_cast<int32_t>(GetTrackID(source));
  mediaType = MediaTypeOf(GetTrackMedia(source));
}

uint32_t TrackNative::GetCreationTime() const {
  return track != nullptr ? GetTrackCreationTime(track) : 0;
}

uint32_t TrackNative::GetModificationTime() const {
  return track != nullptr ? GetTrackModificationTime(track) : 0;
}

namespace {

bool TrackHas(Track track, OSType characteristic) {
  if (track == nullptr) return false;
  Media media = GetTrackMedia(track);
  MediaHandler handler = media != nullptr ? GetMediaHandler(media) : nullptr;
  if (handler == nullptr) return false;
  Boolean has = false;
  MediaHasCharacteristic(handler, characteristic, &has);
  return has != 0;
}

}  // namespace

bool TrackNative::HasVideo() {
  return TrackHas(track, kVisual);
}

bool TrackNative::HasSound() {
  return TrackHas(track, kAudible);
}

int32_t TrackNative::GetTimeValue(int32_t selector) {
  if (track == nullptr) return 0;
  switch (selector) {
    case kTimeDuration:
      return GetTrackDuration(track);
    case kTimeScale:
      return GetMovieTimeScale(GetTrackMovie(track));
    case kTimeCurrent:
      return GetMovieTime(GetTrackMovie(track), nullptr) - GetTrackOffset(track);
    case kTimePosterOrOffset:
      return GetTrackOffset(track);
  }
  return 0;
}

int16_t TrackNative::GetVolume() {
  return track != nullptr ? GetTrackVolume(track) : 0;
}

void TrackNative::SetVolume(int16_t volume) {
  if (track == nullptr) {
    err = invalidTrack;
    return;
  }
  SetTrackVolume(track, volume);
  err = GetMoviesError();
}

void TrackNative::GetDataSize(const TimeRangeNative* range, wide* size) {
  *size = 0;
  if (track == nullptr) {
    err = invalidTrack;
    return;
  }
  TimeValue start, length;
  RangeOf(range, &start, &length);
  if (HasTrackDataSize64()) {
    err = GetTrackDataSize64(track, start, length, size);
    return;
  }
  // The 32-bit size fills the low half; the high half stays 0.
  *size = static_cast<uint32_t>(GetTrackDataSize(track, start, length));
  err = GetMoviesError();
}

void TrackNative::LoadIntoRam(const TimeRangeNative* range, long flags) {
  if (track == nullptr) {
    err = invalidTrack;
    return;
  }
  TimeValue start, length;
  if (!LoadRangeOf(range, &start, &length)) return;
  err = LoadTrackIntoRam(track, start, length, flags);
}

void TrackNative::SetDisplayProperties(GraphicsContextNative* context) {
  if (track == nullptr || !HasVideo()) {
    err = invalidTrack;
    return;
  }
  err = ApplyDisplayProperties(
      context, [](void* t, const MatrixRecord* m) { SetTrackMatrix(static_cast<Track>(t), m); },
      [](void* t, RgnHandle clip) { SetTrackClipRgn(static_cast<Track>(t), clip); }, track);
}

NativeObject* TrackNative::NewUserData() {
  return track != nullptr ? UserDataOver(GetTrackUserData(track)) : nullptr;
}

// --- Media ---

void MediaNative::FillFrom(Track track) {
  if (track == nullptr) return;
  media = GetTrackMedia(track);
  handler = media != nullptr ? GetMediaHandler(media) : nullptr;
  mediaType = MediaTypeOf(media);
}

uint32_t MediaNative::GetCreationTime() const {
  return media != nullptr ? GetMediaCreationTime(media) : 0;
}

uint32_t MediaNative::GetModificationTime() const {
  return media != nullptr ? GetMediaModificationTime(media) : 0;
}

bool MediaNative::HasCharacteristic(OSType characteristic) {
  if (handler == nullptr) {
    err = invalidMedia;
    return false;
  }
  Boolean has = false;
  err = static_cast<int32_t>(MediaHasCharacteristic(handler, characteristic, &has));
  return has != 0;
}

bool MediaNative::HasVideo() {
  return HasCharacteristic(kVisual);
}

bool MediaNative::HasSound() {
  return HasCharacteristic(kAudible);
}

int32_t MediaNative::GetTimeValue(int32_t selector) {
  if (media == nullptr) return 0;
  if (selector == kTimeDuration) return GetMediaDuration(media);
  if (selector == kTimeScale) return GetMediaTimeScale(media);
  return 0;
}

int16_t MediaNative::GetVolume() {
  if (!HasSound()) return 0;
  short balance = 0;
  err = static_cast<int32_t>(MediaGetSoundBalance(handler, &balance));
  return err == noErr ? balance : 0;
}

void MediaNative::SetVolume(int16_t volume) {
  if (!HasSound()) {
    err = invalidMedia;
    return;
  }
  err = static_cast<int32_t>(MediaSetSoundBalance(handler, volume));
}

void MediaNative::GetDataSize(const TimeRangeNative* range, wide* size) {
  *size = 0;
  if (media == nullptr) {
    err = invalidMedia;
    return;
  }
  TimeValue start, length;
  RangeOf(range, &start, &length);
  err = GetMediaDataSize64(media, start, length, size);
}

void MediaNative::LoadIntoRam(const TimeRangeNative* range, long flags) {
  if (media == nullptr) {
    err = invalidMedia;
    return;
  }
  TimeValue start, length;
  if (!LoadRangeOf(range, &start, &length)) return;
  err = LoadMediaIntoRam(media, start, length, flags);
}

void MediaNative::SetDisplayProperties(GraphicsContextNative* context) {
  if (handler == nullptr || !HasVideo()) {
    err = invalidMedia;
    return;
  }
  long mode = ditherCopy;
  RGBColor colour{0, 0, 0};
  if (context != nullptr) {
    if (!context->IsValid()) {
      err = kParamErr;
      return;
    }
    mode = context->graphicsMode;
    colour = context->modeColor;
  }
  err = static_cast<int32_t>(MediaSetGraphicsMode(handler, mode, &colour));
}

NativeObject* MediaNative::NewUserData() {
  return media != nullptr ? UserDataOver(GetMediaUserData(media)) : nullptr;
}

// --- Finding natives ---

TrackNative* TrackNativeOf(REALobject object) {
  return dynamic_cast<TrackNative*>(GetNativeObject(object));
}

Track TrackOfObject(REALobject object) {
  TrackNative* native = TrackNativeOf(object);
  return native != nullptr ? native->track : nullptr;
}

Media MediaOfObject(REALobject object) {
  if (auto* media = dynamic_cast<MediaNative*>(GetNativeObject(object))) return media->media;
  Track track = TrackOfObject(object);
  return track != nullptr ? GetTrackMedia(track) : nullptr;
}

REALobject NewTrackObject(Track track) {
  REALobject object = NewInstanceOf("FenraTrack");
  if (auto* native = GetNative<TrackNative>(object)) native->Attach(track);
  return object;
}

namespace {

ContainerNative* Container(REALobject instance) {
  return static_cast<ContainerNative*>(GetNativeObject(instance));
}

// --- FenraContainer ---

enum : intptr_t { kVideo = 0, kSound = 1 };
enum : intptr_t { kCreation = 0, kModification = 1 };

RBBoolean GetPresence(REALobject instance, intptr_t selector) {
  ContainerNative* c = Container(instance);
  if (c == nullptr) return false;
  return selector == kVideo ? c->HasVideo() : c->HasSound();
}

double GetTime(REALobject instance, intptr_t selector) {
  ContainerNative* c = Container(instance);
  if (c == nullptr) return 0.0;
  return selector == kCreation ? c->GetCreationTime() : c->GetModificationTime();
}

RBInteger GetVolume(REALobject instance, intptr_t) {
  ContainerNative* c = Container(instance);
  return c != nullptr ? c->GetVolume() : 0;
}

void SetVolume(REALobject instance, intptr_t, RBInteger value) {
  ContainerNative* c = Container(instance);
  if (c == nullptr) return;
  if (!std::in_range<int16_t>(value)) {
    c->err = kParamErr;
    return;
  }
  c->SetVolume(static_cast<int16_t>(value));
}

REALobject GetUserData(REALobject instance, intptr_t) {
  ContainerNative* c = Container(instance);
  if (c == nullptr || !c->IsValid()) return nullptr;
  NativeObject* userData = c->NewUserData();
  REALobject object = NewInstanceOf("FenraUserData");
  SetNative(object, userData);
  return object;
}

const TimeRangeNative* RangeArgument(REALobject range) {
  return range != nullptr ? GetNative<TimeRangeNative>(range) : nullptr;
}

double DataSize(REALobject instance, REALobject range) {
  ContainerNative* c = Container(instance);
  if (c == nullptr) return 0.0;
  wide size = 0;
  c->GetDataSize(RangeArgument(range), &size);
  return c->err == noErr ? static_cast<double>(size) / 1024.0 : 0.0;
}

void LoadDataInRam(REALobject instance, REALobject range, RBInteger flags) {
  if (ContainerNative* c = Container(instance)) {
    c->LoadIntoRam(RangeArgument(range), static_cast<long>(flags));
  }
}

void DisplayProperties(REALobject instance, REALobject context) {
  ContainerNative* c = Container(instance);
  if (c == nullptr) return;
  c->SetDisplayProperties(context != nullptr ? GetNative<GraphicsContextNative>(context) : nullptr);
}

REALproperty gContainerProperties[] = {
    Property<"qtHasVideo", "Boolean", GetPresence, nullptr>(kVideo),
    Property<"qtHasSound", "Boolean", GetPresence, nullptr>(kSound),
    Property<"qtCreation", "Double", GetTime, nullptr>(kCreation),
    Property<"qtModification", "Double", GetTime, nullptr>(kModification),
    Property<"qtVolume", "Integer", GetVolume, SetVolume>(0),
    Property<"qtUserData", "FenraUserData", GetUserData, nullptr>(0),
};

REALmethodDefinition gContainerMethods[] = {
    Method<DataSize, "qtDataSize(tmRange as FenraTimeRange) as double">(),
    Method<LoadDataInRam, "qtLoadDataInRAM(tmRange as FenraTimeRange,flags as integer)">(),
    Method<DisplayProperties, "qtDisplayProperties(gc as FenraGraphicsContext)">(),
};

// --- FenraTrack ---

TrackNative* TrackOf(REALobject instance) {
  return GetNative<TrackNative>(instance);
}

// Getters answer nothing, setters report invalidTrack, without a track.
TrackNative* SettableTrack(REALobject instance) {
  TrackNative* t = TrackOf(instance);
  if (t == nullptr) return nullptr;
  if (t->track == nullptr) {
    t->err = invalidTrack;
    return nullptr;
  }
  return t;
}

void NewTrackNative(REALobject instance) {
  SetNative(instance, new (std::nothrow) TrackNative);
}

REALstring GetTrackType(REALobject instance, intptr_t) {
  TrackNative* t = TrackOf(instance);
  if (t == nullptr || !t->IsValid()) return MakeHostString();
  return OSTypeToHostString(t->mediaType);
}

enum : intptr_t { kTrackID = 8, kTrackLayer = 7 };

RBInteger GetTrackInteger(REALobject instance, intptr_t selector) {
  TrackNative* t = TrackOf(instance);
  if (t == nullptr) return 0;
  if (selector == kTrackID) return t->trackID;
  if (t->track == nullptr) return 0;
  if (selector <= kTimePosterOrOffset) return t->GetTimeValue(static_cast<int32_t>(selector));
  if (selector == kTrackLayer) return GetTrackLayer(t->track);
  return 0;
}

void SetTrackInteger(REALobject instance, intptr_t selector, RBInteger value) {
  TrackNative* t = SettableTrack(instance);
  if (t == nullptr) return;
  if (selector == kTrackLayer ? !std::in_range<short>(value) : !std::in_range<TimeValue>(value)) {
    t->err = kParamErr;
    return;
  }
  switch (selector) {
    case kTimeDuration:
      t->err = noErr;
      t->err =
          ScaleTrackSegment(t->track, 0, GetTrackDuration(t->track), static_cast<TimeValue>(value));
      break;
    case kTimePosterOrOffset:
      SetTrackOffset(t->track, static_cast<TimeValue>(value));
      t->err = GetMoviesError();
      break;
    case kTrackLayer:
      SetTrackLayer(t->track, static_cast<short>(value));
      t->err = GetMoviesError();
      break;
  }
}

enum : intptr_t { kEnabled = 1, kInMovie = 2, kInPreview = 3, kInPoster = 4 };

long UsageBit(intptr_t selector) {
  if (selector == kInMovie) return trackUsageInMovie;
  if (selector == kInPreview) return trackUsageInPreview;
  return trackUsageInPoster;
}

RBBoolean GetTrackBoolean(REALobject instance, intptr_t selector) {
  TrackNative* t = TrackOf(instance);
  if (t == nullptr || t->track == nullptr) return false;
  if (selector == kEnabled) return GetTrackEnabled(t->track) != 0;
  return (GetTrackUsage(t->track) & UsageBit(selector)) != 0;
}

void SetTrackBoolean(REALobject instance, intptr_t selector, RBBoolean value) {
  TrackNative* t = SettableTrack(instance);
  if (t == nullptr) return;
  if (selector == kEnabled) {
    SetTrackEnabled(t->track, value != 0);
  } else {
    long usage = GetTrackUsage(t->track);
    usage = value ? (usage | UsageBit(selector)) : (usage & ~UsageBit(selector));
    SetTrackUsage(t->track, usage);
  }
  t->err = GetMoviesError();
}

// The track's name: user data item 'name' 1, without a terminator.
REALstring GetTrackName(REALobject instance, intptr_t) {
  TrackNative* t = TrackOf(instance);
  if (t == nullptr || !t->IsValid()) return MakeHostString();
  UserData userData = GetTrackUserData(t->track);
  if (userData == nullptr) {
    t->err = GetMoviesError();
    return MakeHostString();
  }
  Handle text = NewHandle(0);
  if (text == nullptr) {
    t->err = MemError();
    return MakeHostString();
  }
  OSErr err = GetUserData(userData, text, 'name', 1);
  if (err == noErr) {
    const char terminator = 0;
    err = PtrAndHand(&terminator, text, 1);
  }
  REALstring name = nullptr;
  if (err == noErr) {
    HLock(text);
    name = MakeHostString(*text);
    HUnlock(text);
  }
  DisposeHandle(text);
  if (err != noErr) t->err = err;
  return name != nullptr ? name : MakeHostString();
}

void SetTrackName(REALobject instance, intptr_t, REALstring value) {
  TrackNative* t = TrackOf(instance);
  if (t == nullptr || !t->IsValid() || value == nullptr) return;
  UserData userData = GetTrackUserData(t->track);
  if (userData == nullptr) {
    t->err = GetMoviesError();
    return;
  }
  while (RemoveUserData(userData, 'name', 1) == noErr) {
  }
  std::string_view text = HostStringText(value);
  if (text.empty()) return;
  t->err = SetUserDataItem(userData, const_cast<char*>(text.data()), static_cast<long>(text.size()),
                           'name', 1);
}

// The data offset of the sample at the track's start, or -1.
double GetTrackDataOffset(REALobject instance, intptr_t) {
  TrackNative* t = TrackOf(instance);
  if (t == nullptr || !t->IsValid()) return -1.0;
  Media media = GetTrackMedia(t->track);
  if (media == nullptr) return -1.0;
  TimeValue start = TrackTimeToMediaTime(GetTrackOffset(t->track), t->track);
  long count = 0;
  SampleReferenceRecord reference{};
  OSErr err =
      GetMediaSampleReferences(media, start, nullptr, nullptr, nullptr, 1, &count, &reference);
  if (err != noErr) return -1.0;
  return static_cast<double>(static_cast<int32_t>(reference.dataOffset));
}

REALobject GetTrackBox(REALobject instance, intptr_t) {
  TrackNative* t = TrackOf(instance);
  if (t == nullptr || !t->IsValid()) return nullptr;
  Fixed width = 0, height = 0;
  GetTrackDimensions(t->track, &width, &height);
  Rect box{0, 0, FixRound(height), FixRound(width)};
  return NewRectObject(box);
}

void SetTrackBox(REALobject instance, intptr_t, REALobject value) {
  TrackNative* t = TrackOf(instance);
  const Rect* r = RectOf(value);
  if (t == nullptr || !t->IsValid() || r == nullptr) return;
  SetTrackDimensions(t->track, FixRatio(static_cast<short>(r->right - r->left), 1),
                     FixRatio(static_cast<short>(r->bottom - r->top), 1));
}

REALobject GetTrackMediaObject(REALobject instance, intptr_t) {
  TrackNative* t = TrackOf(instance);
  if (t == nullptr || !t->IsValid()) return nullptr;
  REALobject object = NewInstanceOf("FenraMedia");
  if (auto* media = GetNative<MediaNative>(object)) media->FillFrom(t->track);
  return object;
}

REALproperty gTrackProperties[] = {
    Property<"qtTrackType", "String", GetTrackType, nullptr>(0),
    Property<"qtTrackName", "String", GetTrackName, SetTrackName>(0),
    Property<"qtTrackID", "Integer", GetTrackInteger, nullptr>(kTrackID),
    Property<"qtDuration", "Integer", GetTrackInteger, SetTrackInteger>(kTimeDuration),
    Property<"qtTimeScale", "Integer", GetTrackInteger, nullptr>(kTimeScale),
    Property<"qtTime", "Integer", GetTrackInteger, nullptr>(kTimeCurrent),
    Property<"qtTrackOffset", "Integer", GetTrackInteger, SetTrackInteger>(kTimePosterOrOffset),
    Property<"qtTrackLayer", "Integer", GetTrackInteger, SetTrackInteger>(kTrackLayer),
    Property<"qtTrackDataOffset", "double", GetTrackDataOffset, nullptr>(0),
    Property<"qtTrackBox", "FenraRect", GetTrackBox, SetTrackBox>(0),
    Property<"enabled", "Boolean", GetTrackBoolean, SetTrackBoolean>(kEnabled),
    Property<"useInMovie", "Boolean", GetTrackBoolean, SetTrackBoolean>(kInMovie),
    Property<"useInPreview", "Boolean", GetTrackBoolean, SetTrackBoolean>(kInPreview),
    Property<"useInPoster", "Boolean", GetTrackBoolean, SetTrackBoolean>(kInPoster),
    Property<"qtMedia", "FenraMedia", GetTrackMediaObject, nullptr>(0),
};

// --- FenraMedia ---

MediaNative* MediaOf(REALobject instance) {
  return GetNative<MediaNative>(instance);
}

void NewMediaNative(REALobject instance) {
  SetNative(instance, new (std::nothrow) MediaNative);
}

enum : intptr_t {
  kSamplesCount = 6,
  kDataRefCount = 7,
  kDescriptionCount = 8,
  kBass = 9,
  kTreble = 10,
};

// Bass and treble need a handler of a media with sound.
bool SoundSettings(MediaNative* m, short* bass, short* treble) {
  if (m->handler == nullptr || !m->HasSound()) {
    m->err = invalidMedia;
    return false;
  }
  m->err = static_cast<int32_t>(MediaGetSoundBassAndTreble(m->handler, bass, treble));
  return m->err == noErr;
}

RBInteger GetMediaInteger(REALobject instance, intptr_t selector) {
  MediaNative* m = MediaOf(instance);
  if (m == nullptr) return 0;
  switch (selector) {
    case kTimeDuration:
    case kTimeScale:
      return m->GetTimeValue(static_cast<int32_t>(selector));
    case kSamplesCount:
      if (m->media == nullptr) {
        m->err = invalidMedia;
        return 0;
      }
      return GetMediaSampleCount(m->media);
    case kDataRefCount: {
      short count = 0;
      if (m->media == nullptr || GetMediaDataRefCount(m->media, &count) != noErr) return 0;
      return count;
    }
    case kDescriptionCount:
      return m->media != nullptr ? GetMediaSampleDescriptionCount(m->media) : 0;
    case kBass:
    case kTreble: {
      short bass = 0, treble = 0;
      if (!SoundSettings(m, &bass, &treble)) return 0;
      return selector == kBass ? bass : treble;
    }
  }
  return 0;
}

void SetMediaInteger(REALobject instance, intptr_t selector, RBInteger value) {
  MediaNative* m = MediaOf(instance);
  if (m == nullptr) return;
  if (selector == kTimeScale ? !std::in_range<TimeScale>(value) : !std::in_range<short>(value)) {
    m->err = kParamErr;
    return;
  }
  if (selector == kTimeScale) {
    if (m->media == nullptr) {
      m->err = invalidMedia;
      return;
    }
    SetMediaTimeScale(m->media, static_cast<TimeScale>(value));
    m->err = GetMoviesError();
    return;
  }
  if (selector != kBass && selector != kTreble) return;
  short bass = 0, treble = 0;
  if (!SoundSettings(m, &bass, &treble)) return;
  (selector == kBass ? bass : treble) = static_cast<short>(value);
  m->err = static_cast<int32_t>(MediaSetSoundBassAndTreble(m->handler, bass, treble));
}

REALstring GetMediaType(REALobject instance, intptr_t) {
  MediaNative* m = MediaOf(instance);
  if (m == nullptr || !m->IsValid()) return MakeHostString();
  return OSTypeToHostString(m->mediaType);
}

// The graphics mode needs a handler of a media with video.
bool VisualHandler(MediaNative* m) {
  if (m->handler == nullptr || !m->HasVideo()) {
    m->err = invalidMedia;
    return false;
  }
  return true;
}

void GraphicsModeGet(REALobject instance, RBInteger* mode, RBColor* colour) {
  MediaNative* m = MediaOf(instance);
  if (m == nullptr || !VisualHandler(m)) return;
  *colour = 0;
  long qtMode = 0;
  RGBColor rgb{0, 0, 0};
  m->err = static_cast<int32_t>(MediaGetGraphicsMode(m->handler, &qtMode, &rgb));
  if (m->err != noErr) return;
  *mode = qtMode;
  *colour = (static_cast<RBColor>(rgb.red / 257) << 16) |
            (static_cast<RBColor>(rgb.green / 257) << 8) | static_cast<RBColor>(rgb.blue / 257);
}

void GraphicsModeSet(REALobject instance, RBInteger mode, RBColor colour) {
  MediaNative* m = MediaOf(instance);
  if (m == nullptr || !VisualHandler(m)) return;
  RGBColor rgb{static_cast<unsigned short>(((colour >> 16) & 0xFF) * 0x101),
               static_cast<unsigned short>(((colour >> 8) & 0xFF) * 0x101),
               static_cast<unsigned short>((colour & 0xFF) * 0x101)};
  m->err = static_cast<int32_t>(MediaSetGraphicsMode(m->handler, static_cast<long>(mode), &rgb));
}

REALobject DataRefAt(REALobject instance, RBInteger index) {
  MediaNative* m = MediaOf(instance);
  if (m == nullptr || !m->IsValid()) return nullptr;
  short count = 0;
  if (GetMediaDataRefCount(m->media, &count) != noErr || index < 0 || index >= count) {
    return nullptr;
  }
  return NewDataRefObject(NewDataRefFromMedia(m->media, static_cast<short>(index + 1)));
}

REALobject SampleDescAt(REALobject instance, RBInteger index) {
  MediaNative* m = MediaOf(instance);
  if (m == nullptr || !m->IsValid()) return nullptr;
  if (index < 0 || index >= GetMediaSampleDescriptionCount(m->media)) return nullptr;
  return NewSampleDescObject(m->media, m->mediaType, static_cast<long>(index + 1));
}

REALproperty gMediaProperties[] = {
    Property<"qtDuration", "Integer", GetMediaInteger, nullptr>(kTimeDuration),
    Property<"qtTimeScale", "Integer", GetMediaInteger, SetMediaInteger>(kTimeScale),
    Property<"qtMediaType", "String", GetMediaType, nullptr>(0),
    Property<"samplesCount", "Integer", GetMediaInteger, nullptr>(kSamplesCount),
    Property<"dataRefCount", "Integer", GetMediaInteger, nullptr>(kDataRefCount),
    Property<"samplesDescCount", "Integer", GetMediaInteger, nullptr>(kDescriptionCount),
    Property<"qtMediaBass", "Integer", GetMediaInteger, SetMediaInteger>(kBass),
    Property<"qtMediaTreble", "Integer", GetMediaInteger, SetMediaInteger>(kTreble),
};

REALmethodDefinition gMediaMethods[] = {
    Method<GraphicsModeGet, "graphicsModeGet(byref gMode as integer,byref gCol as color)">(),
    Method<GraphicsModeSet, "graphicsModeSet(gMode as integer,gCol as color)">(),
    Method<DataRefAt, "dataRef(i as integer) as FenraDataRef">(),
    Method<SampleDescAt, "sampleDesc(i as integer) as FenraSampleDesc">(),
};

}  // namespace

// FenraContainer makes no native: its subclasses do.
REALclassDefinition gFenraContainerClass =
    DefineClass("FenraContainer", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>(),
                {.properties = gContainerProperties, .methods = gContainerMethods});

REALclassDefinition gFenraMediaClass = DefineClass(
    "FenraMedia", "FenraContainer", 0, InstanceProc<NewMediaNative>(),
    InstanceProc<NoOpInstanceProc>(), {.properties = gMediaProperties, .methods = gMediaMethods});

REALclassDefinition gFenraTrackClass =
    DefineClass("FenraTrack", "FenraContainer", 0, InstanceProc<NewTrackNative>(),
                InstanceProc<NoOpInstanceProc>(), {.properties = gTrackProperties});

}  // namespace fenra
