// Sample descriptions: the read-only FenraSampleDesc and the typed
// descriptions with their private records.
#include "movie/sample_desc.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "FixMath.h"
#include "Fonts.h"
#include "MacMemory.h"
#include "components/discovery.h"
#include "movie/user_data.h"
#include "plugin/bridges.h"
#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/registration.h"
#include "values/rect.h"

namespace fenra {

// ---- Natives ----

SampleDescNative::SampleDescNative(const SampleDescNative& other)
    : NativeObject(other), media(other.media), mediaType(other.mediaType), size(other.size) {
  if (other.desc == nullptr) return;
  auto copy = reinterpret_cast<Handle>(other.desc);
  err = HandToHand(&copy);
  desc = err == noErr ? reinterpret_cast<SampleDescriptionHandle>(copy) : nullptr;
}

SampleDescNative::~SampleDescNative() {
  if (desc != nullptr) DisposeHandle(reinterpret_cast<Handle>(desc));
}

void SampleDescNative::Read(Media theMedia, OSType theMediaType, long index) {
  if (theMedia == nullptr) {
    err = invalidMedia;
    return;
  }
  Handle handle = NewHandleClear(0);
  if (handle == nullptr) {
    err = MemError();
    return;
  }
  GetMediaSampleDescription(theMedia, index, reinterpret_cast<SampleDescriptionHandle>(handle));
  err = GetMoviesError();
  Size bytes = 0;
  if (err == noErr) err = HandleSize(handle, &bytes);
  // A media that answers less than the common fields answered nothing.
  if (err != noErr || bytes < static_cast<Size>(sizeof(SampleDescription))) {
    DisposeHandle(handle);
    return;
  }
  err = noErr;
  media = theMedia;
  mediaType = theMediaType;
  size = bytes;
  desc = reinterpret_cast<SampleDescriptionHandle>(handle);
}

bool SampleDescNative::IsOfKind(const DescriptionKind& kind) const {
  return desc != nullptr && (mediaType == kind.mediaType || size == kind.size);
}

TypedDescNative::~TypedDescNative() {
  if (record != nullptr) DisposeHandle(record);
}

bool TypedDescNative::NewRecord(Size size, SInt32 descSize) {
  Handle handle = NewHandleClear(size);
  if (handle == nullptr) {
    err = memFullErr;
    return false;
  }
  if (record != nullptr) DisposeHandle(record);
  record = handle;
  Common()->descSize = descSize;
  return true;
}

bool TypedDescNative::CastFrom(const SampleDescNative* source, const DescriptionKind& kind) {
  if (source == nullptr || !source->IsOfKind(kind)) {
    err = paramErr;
    return false;
  }
  auto from = reinterpret_cast<Handle>(source->desc);
  Size available = 0;
  if (OSErr measured = HandleSize(from, &available)) {
    err = measured;
    return false;
  }
  if (!NewRecord(kind.size, source->Record()->descSize)) return false;
  Size count = std::min(kind.size, available);
  HLock(from);
  BlockMoveData(*from, *record, count);
  HUnlock(from);
  return true;
}

bool TypedDescNative::CopyFrom(const TypedDescNative* other, Size size) {
  if (other == nullptr || !other->IsValid()) {
    err = paramErr;
    return false;
  }
  Size available = 0;
  if (OSErr measured = HandleSize(other->record, &available)) {
    err = measured;
    return false;
  }
  if (!NewRecord(size, other->Common()->descSize)) return false;
  BlockMoveData(*other->record, *record, std::min(size, available));
  return true;
}

void ImageDescBase::MakeDefault() {
  if (!NewRecord(kVideoKind.size, kVideoKind.size)) return;
  ImageDescription* image = Image();
  image->hRes = image->vRes = Long2Fix(72);
  image->clutID = -1;
  CodecInfo info;
  if (GetCodecInfo(&info, 'cvid', 0) == noErr) Image()->cType = 'cvid';
}

ImageDescNative::ImageDescNative(const ImageDescNative& other) : ImageDescBase() {
  CopyImage(&other);
}

ImageDescCompNative::ImageDescCompNative(const ImageDescCompNative& other) : ImageDescBase() {
  CopyAll(&other);
}

void ImageDescCompNative::CopyAll(const ImageDescCompNative* other) {
  if (!CopyImage(other)) return;
  clip = other->clip;
  keyFrameRate = other->keyFrameRate;
  dataRate = other->dataRate;
  sampleDuration = other->sampleDuration;
  frameRate = other->frameRate;
  minSpatialQuality = other->minSpatialQuality;
  minTemporalQuality = other->minTemporalQuality;
}

SoundDescNative::SoundDescNative(const SoundDescNative& other) : TypedDescNative() {
  CopySound(&other);
}

void TextDescNative::MakeDefault() {
  if (NewRecord(kTextKind.size, kTextKind.size)) Text()->bgColor = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
}

TextDescNative::TextDescNative(const TextDescNative& other) : TypedDescNative() {
  CopyText(&other);
}

TimeCodeDescNative::TimeCodeDescNative(const TimeCodeDescNative& other) : TypedDescNative() {
  CopyTimeCode(&other);
}

TimeCodeDescNative::~TimeCodeDescNative() {
  if (textOptions != nullptr) DisposeHandle(reinterpret_cast<::Handle>(textOptions));
  if (source != nullptr) DisposeUserData(source);
}

bool TimeCodeDescNative::NewTextOptions() {
  ::Handle options = NewHandleClear(sizeof(TCTextOptions));
  if (options == nullptr) {
    err = memFullErr;
    return false;
  }
  if (textOptions != nullptr) DisposeHandle(reinterpret_cast<::Handle>(textOptions));
  textOptions = reinterpret_cast<TCTextOptions**>(options);
  return true;
}

void TimeCodeDescNative::MakeDefault() {
  if (NewRecord(kTimeCodeKind.size, kTimeCodeKind.size)) NewTextOptions();
}

bool TimeCodeDescNative::CopyTimeCode(const TimeCodeDescNative* other) {
  return CopyFrom(other, kTimeCodeKind.size) && NewTextOptions();
}

void TimeCodeDescNative::CastFrom(const SampleDescNative* source) {
  if (!TypedDescNative::CastFrom(source, kTimeCodeKind) || !NewTextOptions()) return;
  handler = source->media != nullptr ? GetMediaHandler(source->media) : nullptr;
  if (handler == nullptr) return;
  visible = (TCGetTimeCodeFlags(handler) & tcdfShowTimeCode) != 0;
  TCGetDisplayOptions(handler, *textOptions);
  // The source's own handle carries the source information, which the
  // record's copy leaves out.
  UserData sourceData = nullptr;
  auto sourceDesc = reinterpret_cast<TimeCodeDescriptionHandle>(source->desc);
  if (TCGetSourceRef(handler, sourceDesc, &sourceData) == noErr) this->source = sourceData;
}

void TimeCodeDescNative::SetVisible(bool isVisible) {
  visible = isVisible;
  if (handler == nullptr) return;
  err = static_cast<int32_t>(
      TCSetTimeCodeFlags(handler, isVisible ? tcdfShowTimeCode : 0, tcdfShowTimeCode));
}

void TimeCodeDescNative::SetTextOptions(const TCTextOptions& options) {
  if (textOptions == nullptr && !NewTextOptions()) return;
  **textOptions = options;
  if (handler != nullptr) err = static_cast<int32_t>(TCSetDisplayOptions(handler, *textOptions));
}

void TimeCodeDescNative::SetSource(UserData newSource) {
  if (source != nullptr) DisposeUserData(source);
  source = nullptr;
  if (newSource != nullptr) {
    ::Handle items = NewHandle(0);
    if (items == nullptr) {
      err = memFullErr;
      return;
    }
    OSErr result = PutUserDataIntoHandle(newSource, items);
    if (result == noErr) result = NewUserDataFromHandle(items, &source);
    DisposeHandle(items);
    if (result != noErr) {
      err = result;
      return;
    }
  }
  if (handler != nullptr && record != nullptr) {
    err = static_cast<int32_t>(TCSetSourceRef(handler, Desc(), source));
  }
}

REALobject NewSampleDescObject(Media media, OSType mediaType, long index) {
  REALobject object = NewInstanceOf("FenraSampleDesc");
  auto* native = new (std::nothrow) SampleDescNative;
  if (native == nullptr) return object;
  native->Read(media, mediaType, index);
  SetNative(object, native);
  return object;
}

Handle DescriptionHandleOf(REALobject object) {
  NativeObject* native = GetNativeObject(object);
  return native != nullptr ? reinterpret_cast<Handle>(native->GetRef()) : nullptr;
}

namespace {

// ---- Shared glue ----

// Makes a native for a constructor and hands it to the instance once
// `build` has filled it; nothing when it cannot be allocated.
template <class T, class Build>
void Construct(REALobject instance, Build build) {
  auto* native = new (std::nothrow) T;
  if (native == nullptr) return;
  build(*native);
  SetNative(instance, native);
}

template <class T>
void Destruct(REALobject instance) {
  DestroyNative<T>(instance);
}

REALstring CodeString(OSType code, bool valid) {
  return valid ? OSTypeToHostString(code) : MakeHostString();
}

// Writes at most `capacity` characters of text as a Pascal string.
void SetPString(unsigned char* to, std::string_view text, size_t capacity) {
  size_t length = std::min(text.size(), capacity);
  to[0] = static_cast<unsigned char>(length);
  if (length > 0) std::memcpy(to + 1, text.data(), length);
}

bool CodecKnown(CodecType type, CodecInfo* info) {
  return GetCodecInfo(info, type, 0) == noErr;
}

// ---- FenraSampleDesc ----

enum SampleSelector : intptr_t { kSampleDescSize, kSampleDataRefIndex };

const SampleDescription* SampleRecord(REALobject instance) {
  const SampleDescNative* native = GetNative<SampleDescNative>(instance);
  return native != nullptr ? native->Record() : nullptr;
}

RBInteger GetSampleInteger(REALobject instance, intptr_t selector) {
  const SampleDescription* desc = SampleRecord(instance);
  if (desc == nullptr) return 0;
  return selector == kSampleDescSize ? desc->descSize : desc->dataRefIndex - 1;
}

REALstring GetDataType(REALobject instance, intptr_t) {
  const SampleDescription* desc = SampleRecord(instance);
  return CodeString(desc != nullptr ? desc->dataFormat : 0, desc != nullptr);
}

constexpr const DescriptionKind* kKinds[] = {&kVideoKind, &kSoundKind, &kTextKind, &kTimeCodeKind};

RBBoolean GetCastAs(REALobject instance, intptr_t kind) {
  const SampleDescNative* native = GetNative<SampleDescNative>(instance);
  return native != nullptr && native->IsOfKind(*kKinds[kind]);
}

REALproperty gSampleProperties[] = {
    Property<"descSize", "Integer", GetSampleInteger, nullptr>(kSampleDescSize),
    Property<"dataRefIndex", "Integer", GetSampleInteger, nullptr>(kSampleDataRefIndex),
    Property<"dataType", "string", GetDataType, nullptr>(0),
    Property<"castAsVideo", "boolean", GetCastAs, nullptr>(0),
    Property<"castAsSound", "boolean", GetCastAs, nullptr>(1),
    Property<"castAsText", "boolean", GetCastAs, nullptr>(2),
    Property<"castAsTimeCode", "boolean", GetCastAs, nullptr>(3),
};

// ---- FenraImageDesc ----

enum ImageSelector : intptr_t {
  kImageDescSize,
  kSpatialQuality,
  kTemporalQuality,
  kWidth,
  kHeight,
  kFrameCount,
  kHRes,
  kVRes,
  kDataSize,
  kDepth,
};

ImageDescBase* ImageNative(REALobject instance) {
  return GetNative<ImageDescBase>(instance);
}

ImageDescription* ImageRecord(REALobject instance) {
  ImageDescBase* native = ImageNative(instance);
  return native != nullptr ? native->Image() : nullptr;
}

RBInteger GetImageInteger(REALobject instance, intptr_t selector) {
  const ImageDescription* image = ImageRecord(instance);
  if (image == nullptr) return 0;
  switch (selector) {
    case kImageDescSize:
      return image->idSize;
    case kSpatialQuality:
      return static_cast<RBInteger>(image->spatialQuality);
    case kTemporalQuality:
      return static_cast<RBInteger>(image->temporalQuality);
    case kWidth:
      return image->width;
    case kHeight:
      return image->height;
    case kFrameCount:
      return image->frameCount;
    case kHRes:
      return FixRound(image->hRes);
    case kVRes:
      return FixRound(image->vRes);
    case kDataSize:
      return image->dataSize;
    case kDepth:
      return image->depth;
  }
  return 0;
}

void SetImageInteger(REALobject instance, intptr_t selector, RBInteger value) {
  ImageDescription* image = ImageRecord(instance);
  if (image == nullptr) return;
  auto value16 = static_cast<SInt16>(value);
  switch (selector) {
    case kSpatialQuality:
      image->spatialQuality = static_cast<CodecQ>(value);
      break;
    case kTemporalQuality:
      image->temporalQuality = static_cast<CodecQ>(value);
      break;
    case kWidth:
      image->width = value16;
      break;
    case kHeight:
      image->height = value16;
      break;
    case kFrameCount:
      image->frameCount = value16;
      break;
    case kHRes:
      image->hRes = Long2Fix(value);
      break;
    case kVRes:
      image->vRes = Long2Fix(value);
      break;
    case kDataSize:
      image->dataSize = static_cast<SInt32>(value);
      break;
    case kDepth:
      if (value > 0) image->depth = value16;
      break;
  }
}

REALobject GetClipRect(REALobject instance, intptr_t) {
  ImageDescBase* native = ImageNative(instance);
  return native != nullptr && native->IsValid() ? NewRectObject(native->clip) : nullptr;
}

void SetClipRect(REALobject instance, intptr_t, REALobject value) {
  ImageDescBase* native = ImageNative(instance);
  if (native != nullptr && native->IsValid() && value != nullptr) {
    CopyRectOut(value, &native->clip);
  }
}

REALstring GetCodec(REALobject instance, intptr_t) {
  const ImageDescription* image = ImageRecord(instance);
  return CodeString(image != nullptr ? image->cType : 0, image != nullptr);
}

void SetCodec(REALobject instance, intptr_t, REALstring value) {
  if (ImageRecord(instance) == nullptr) return;
  OSType type = StringToOSType(value);
  CodecInfo info;
  if (CodecKnown(type, &info)) ImageRecord(instance)->cType = type;
}

REALstring GetCodecName(REALobject instance, intptr_t) {
  const ImageDescription* image = ImageRecord(instance);
  return image != nullptr ? MakeHostPString(image->name) : MakeHostString();
}

void SetCodecName(REALobject instance, intptr_t, REALstring value) {
  if (ImageDescription* image = ImageRecord(instance)) {
    SetPString(image->name, HostStringText(value), sizeof image->name - 1);
  }
}

REALobject GetCodecProperties(REALobject instance, intptr_t) {
  const ImageDescription* image = ImageRecord(instance);
  if (image == nullptr) return nullptr;
  REALobject codec = NewInstanceOf("FenraCodec");
  auto* native = new (std::nothrow) CodecNative;
  if (native == nullptr) return codec;
  native->Load(image->cType, nullptr);
  SetNative(codec, native);
  return codec;
}

void NewImageDefault(REALobject instance) {
  Construct<ImageDescNative>(instance, [](ImageDescNative& native) { native.MakeDefault(); });
}

void NewImageFromSample(REALobject instance, REALobject sampleDesc) {
  if (sampleDesc == nullptr) return;
  Construct<ImageDescNative>(instance, [&](ImageDescNative& native) {
    native.CastFrom(GetNative<SampleDescNative>(sampleDesc));
  });
}

void NewImageCopy(REALobject instance, REALobject imageDesc) {
  if (imageDesc == nullptr) return;
  Construct<ImageDescNative>(
      instance, [&](ImageDescNative& native) { native.CopyImage(ImageNative(imageDesc)); });
}

REALproperty gImageProperties[] = {
    Property<"descSize", "Integer", GetImageInteger, nullptr>(kImageDescSize),
    Property<"spatialQual", "Integer", GetImageInteger, SetImageInteger>(kSpatialQuality),
    Property<"temporalQual", "Integer", GetImageInteger, SetImageInteger>(kTemporalQuality),
    Property<"width", "Integer", GetImageInteger, SetImageInteger>(kWidth),
    Property<"height", "Integer", GetImageInteger, SetImageInteger>(kHeight),
    Property<"samplesCount", "Integer", GetImageInteger, SetImageInteger>(kFrameCount),
    Property<"hRes", "Integer", GetImageInteger, SetImageInteger>(kHRes),
    Property<"vRes", "Integer", GetImageInteger, SetImageInteger>(kVRes),
    Property<"dataSize", "Integer", GetImageInteger, SetImageInteger>(kDataSize),
    Property<"depth", "Integer", GetImageInteger, SetImageInteger>(kDepth),
    Property<"clipRect", "FenraRect", GetClipRect, SetClipRect>(0),
    Property<"codec", "string", GetCodec, SetCodec>(0),
    Property<"codecName", "string", GetCodecName, SetCodecName>(0),
    Property<"codecProperties", "FenraCodec", GetCodecProperties, nullptr>(0),
};

REALmethodDefinition gImageMethods[] = {
    Method<NewImageDefault, "FenraImageDesc()">(),
    Method<NewImageFromSample, "FenraImageDesc(sampleDesc as FenraSampleDesc)">(),
    Method<NewImageCopy, "FenraImageDesc(imageDesc as FenraImageDesc)">(),
};

REALconstant gImageConstants[] = {
    Constant("kCQ_LosslessQual = 1024"), Constant("kCQ_MaxQual = 1023"),
    Constant("kCQ_MinQual = 0"),         Constant("kCQ_LowQual = 256"),
    Constant("kCQ_NormalQual = 512"),    Constant("kCQ_HighQual = 768"),
};

// ---- FenraImageDescComp ----

enum CompSelector : intptr_t {
  kKeyFrames,
  kDataRate,
  kSampleDuration,
  kMinSpatialQuality,
  kMinTemporalQuality,
};

int32_t* CompField(ImageDescCompNative& native, intptr_t selector) {
  switch (selector) {
    case kKeyFrames:
      return &native.keyFrameRate;
    case kDataRate:
      return &native.dataRate;
    case kSampleDuration:
      return &native.sampleDuration;
    case kMinSpatialQuality:
      return &native.minSpatialQuality;
    case kMinTemporalQuality:
      return &native.minTemporalQuality;
  }
  return nullptr;
}

RBInteger GetCompInteger(REALobject instance, intptr_t selector) {
  ImageDescCompNative* native = GetNative<ImageDescCompNative>(instance);
  int32_t* field = native != nullptr ? CompField(*native, selector) : nullptr;
  return field != nullptr ? *field : 0;
}

void SetCompInteger(REALobject instance, intptr_t selector, RBInteger value) {
  ImageDescCompNative* native = GetNative<ImageDescCompNative>(instance);
  if (int32_t* field = native != nullptr ? CompField(*native, selector) : nullptr) {
    *field = static_cast<int32_t>(value);
  }
}

double GetFrameRate(REALobject instance, intptr_t) {
  ImageDescCompNative* native = GetNative<ImageDescCompNative>(instance);
  return native != nullptr ? Fix2X(native->frameRate) : 0;
}

void SetFrameRate(REALobject instance, intptr_t, double value) {
  ImageDescCompNative* native = GetNative<ImageDescCompNative>(instance);
  if (native != nullptr && !DoubleToFixed(value, &native->frameRate)) native->err = paramErr;
}

// Whether the codec of the description compresses with the capability.
RBBoolean GetCodecDoes(REALobject instance, intptr_t flag) {
  const ImageDescription* image = ImageRecord(instance);
  CodecInfo info;
  return image != nullptr && CodecKnown(image->cType, &info) && (info.compressFlags & flag) != 0;
}

void NewCompDefault(REALobject instance) {
  Construct<ImageDescCompNative>(instance,
                                 [](ImageDescCompNative& native) { native.MakeDefault(); });
}

void NewCompFromSample(REALobject instance, REALobject sampleDesc) {
  if (sampleDesc == nullptr) return;
  Construct<ImageDescCompNative>(instance, [&](ImageDescCompNative& native) {
    native.CastFrom(GetNative<SampleDescNative>(sampleDesc));
  });
}

void NewCompCopy(REALobject instance, REALobject imageDesc) {
  if (imageDesc == nullptr) return;
  Construct<ImageDescCompNative>(instance, [&](ImageDescCompNative& native) {
    native.CopyAll(GetNative<ImageDescCompNative>(imageDesc));
  });
}

REALproperty gCompProperties[] = {
    Property<"doesTemporal", "boolean", GetCodecDoes, nullptr>(codecInfoDoesTemporal),
    Property<"doesDataRate", "boolean", GetCodecDoes, nullptr>(codecInfoDoesRateConstrain),
    Property<"keyFrames", "Integer", GetCompInteger, SetCompInteger>(kKeyFrames),
    Property<"dataRate", "Integer", GetCompInteger, SetCompInteger>(kDataRate),
    Property<"sampleDuration", "Integer", GetCompInteger, SetCompInteger>(kSampleDuration),
    Property<"minSpatialQuality", "Integer", GetCompInteger, SetCompInteger>(kMinSpatialQuality),
    Property<"minTemporalQuality", "Integer", GetCompInteger, SetCompInteger>(kMinTemporalQuality),
    Property<"frameRate", "Double", GetFrameRate, SetFrameRate>(0),
};

REALmethodDefinition gCompMethods[] = {
    Method<NewCompDefault, "FenraImageDescComp()">(),
    Method<NewCompFromSample, "FenraImageDescComp(sampleDesc as FenraSampleDesc)">(),
    Method<NewCompCopy, "FenraImageDescComp(imageDesc as FenraImageDescComp)">(),
};

// ---- FenraSoundDesc ----

enum SoundSelector : intptr_t { kSoundDescSize, kChannels, kBits, kRate };

SoundDescription* SoundRecord(REALobject instance) {
  SoundDescNative* native = GetNative<SoundDescNative>(instance);
  return native != nullptr ? native->Sound() : nullptr;
}

RBInteger GetSoundInteger(REALobject instance, intptr_t selector) {
  const SoundDescription* sound = SoundRecord(instance);
  if (sound == nullptr) return 0;
  switch (selector) {
    case kSoundDescSize:
      return sound->descSize;
    case kChannels:
      return sound->numChannels;
    case kBits:
      return sound->sampleSize;
    case kRate: {
      // An unsigned 16.16 rate: 44100 Hz reads as 44100, not negative.
      auto rate = static_cast<RBInteger>(Fix2Long(static_cast<Fixed>(sound->sampleRate)));
      return rate < 0 ? rate + 65536 : rate;
    }
  }
  return 0;
}

void SetSoundInteger(REALobject instance, intptr_t selector, RBInteger value) {
  SoundDescription* sound = SoundRecord(instance);
  if (sound == nullptr) return;
  if (selector == kChannels) sound->numChannels = static_cast<SInt16>(value);
  if (selector == kBits) sound->sampleSize = static_cast<SInt16>(value);
  // The rate is unsigned: 44100 Hz is stored as 0xAC440000, where a
  // signed conversion would saturate.
  if (selector == kRate) sound->sampleRate = static_cast<UnsignedFixed>(value) << 16;
}

REALstring GetSoundFormat(REALobject instance, intptr_t) {
  const SoundDescription* sound = SoundRecord(instance);
  return CodeString(sound != nullptr ? sound->dataFormat : 0, sound != nullptr);
}

void SetSoundFormat(REALobject instance, intptr_t, REALstring value) {
  if (SoundDescription* sound = SoundRecord(instance)) sound->dataFormat = StringToOSType(value);
}

void NewSoundDefault(REALobject instance) {
  Construct<SoundDescNative>(instance, [](SoundDescNative& native) { native.MakeDefault(); });
}

void NewSoundFromSample(REALobject instance, REALobject sampleDesc) {
  if (sampleDesc == nullptr) return;
  Construct<SoundDescNative>(instance, [&](SoundDescNative& native) {
    native.CastFrom(GetNative<SampleDescNative>(sampleDesc));
  });
}

void NewSoundCopy(REALobject instance, REALobject soundDesc) {
  if (soundDesc == nullptr) return;
  Construct<SoundDescNative>(instance, [&](SoundDescNative& native) {
    native.CopySound(GetNative<SoundDescNative>(soundDesc));
  });
}

REALproperty gSoundProperties[] = {
    Property<"dataFormat", "string", GetSoundFormat, SetSoundFormat>(0),
    Property<"descSize", "Integer", GetSoundInteger, nullptr>(kSoundDescSize),
    Property<"channels", "Integer", GetSoundInteger, SetSoundInteger>(kChannels),
    Property<"bits", "Integer", GetSoundInteger, SetSoundInteger>(kBits),
    Property<"rate", "Integer", GetSoundInteger, SetSoundInteger>(kRate),
};

REALmethodDefinition gSoundMethods[] = {
    Method<NewSoundDefault, "FenraSoundDesc()">(),
    Method<NewSoundFromSample, "FenraSoundDesc(sampleDesc as FenraSampleDesc)">(),
    Method<NewSoundCopy, "FenraSoundDesc(soundDesc as FenraSoundDesc)">(),
};

// ---- FenraTextDesc ----

enum TextSelector : intptr_t {
  kTextDescSize,
  kScrollDelay,
  kAlignment,
  kFontID,
  kFontSize,
};
enum ColorSelector : intptr_t { kBackColor, kTextColor };

TextDescNative* TextNative(REALobject instance) {
  return GetNative<TextDescNative>(instance);
}

TextDescription* TextRecord(REALobject instance) {
  TextDescNative* native = TextNative(instance);
  return native != nullptr ? native->Text() : nullptr;
}

RBInteger GetTextInteger(REALobject instance, intptr_t selector) {
  TextDescNative* native = TextNative(instance);
  const TextDescription* text = native != nullptr ? native->Text() : nullptr;
  if (text == nullptr) return 0;
  switch (selector) {
    case kTextDescSize:
      return text->descSize;
    case kScrollDelay:
      return native->scrollDelay;
    case kAlignment:
      return text->textJustification;
    case kFontID:
      return text->defaultStyle.scrpFont;
    case kFontSize:
      return text->defaultStyle.scrpSize;
  }
  return 0;
}

void SetTextInteger(REALobject instance, intptr_t selector, RBInteger value) {
  TextDescNative* native = TextNative(instance);
  TextDescription* text = native != nullptr ? native->Text() : nullptr;
  if (text == nullptr) return;
  switch (selector) {
    case kScrollDelay:
      native->scrollDelay = static_cast<int32_t>(value);
      break;
    case kAlignment:
      text->textJustification = static_cast<SInt32>(value);
      break;
    case kFontID:
      text->defaultStyle.scrpFont = static_cast<SInt16>(value);
      break;
    case kFontSize:
      text->defaultStyle.scrpSize = static_cast<SInt16>(value);
      break;
  }
}

REALobject GetTextBox(REALobject instance, intptr_t) {
  const TextDescription* text = TextRecord(instance);
  return text != nullptr ? NewRectObject(text->defaultTextBox) : nullptr;
}

void SetTextBox(REALobject instance, intptr_t, REALobject value) {
  TextDescription* text = TextRecord(instance);
  if (text != nullptr && value != nullptr) CopyRectOut(value, &text->defaultTextBox);
}

REALstring GetFontNameProperty(REALobject instance, intptr_t) {
  const TextDescription* text = TextRecord(instance);
  if (text == nullptr) return MakeHostString();
  Str255 name;
  GetFontName(text->defaultStyle.scrpFont, name);
  return MakeHostPString(name);
}

void SetFontNameProperty(REALobject instance, intptr_t, REALstring value) {
  if (TextRecord(instance) == nullptr) return;
  Str255 name;
  SetPString(name, HostStringText(value), 255);
  short number = 0;
  GetFNum(name, &number);
  TextRecord(instance)->defaultStyle.scrpFont = number;
}

RGBColor* TextColor(TextDescription& text, intptr_t selector) {
  return selector == kBackColor ? &text.bgColor : &text.defaultStyle.scrpColor;
}

RBColor GetTextColor(REALobject instance, intptr_t selector) {
  TextDescription* text = TextRecord(instance);
  return text != nullptr ? RGBToColor(*TextColor(*text, selector)) : 0;
}

void SetTextColor(REALobject instance, intptr_t selector, RBColor value) {
  if (TextDescription* text = TextRecord(instance)) ColorToRGB(value, TextColor(*text, selector));
}

// Display flags: the selector is the flag; showText reads dfDontDisplay
// the other way round.
RBBoolean GetDisplayFlag(REALobject instance, intptr_t flag) {
  const TextDescription* text = TextRecord(instance);
  return text != nullptr && (text->displayFlags & flag) != 0;
}

void SetDisplayFlag(REALobject instance, intptr_t flag, RBBoolean value) {
  TextDescription* text = TextRecord(instance);
  if (text == nullptr) return;
  if (value) {
    text->displayFlags |= static_cast<SInt32>(flag);
  } else {
    text->displayFlags &= ~static_cast<SInt32>(flag);
  }
}

RBBoolean GetShowText(REALobject instance, intptr_t) {
  return TextRecord(instance) != nullptr && !GetDisplayFlag(instance, dfDontDisplay);
}

void SetShowText(REALobject instance, intptr_t, RBBoolean value) {
  SetDisplayFlag(instance, dfDontDisplay, !value);
}

// Face bits: the selector is the bit; textNormal is a face of none.
RBBoolean GetFace(REALobject instance, intptr_t bit) {
  const TextDescription* text = TextRecord(instance);
  if (text == nullptr) return false;
  return bit == normal ? text->defaultStyle.scrpFace == 0
                       : (text->defaultStyle.scrpFace & bit) != 0;
}

void SetFace(REALobject instance, intptr_t bit, RBBoolean value) {
  TextDescription* text = TextRecord(instance);
  if (text == nullptr) return;
  StyleField& face = text->defaultStyle.scrpFace;
  if (bit == normal) {
    if (value) face = 0;
  } else if (value) {
    face = static_cast<StyleField>(face | bit);
  } else {
    face = static_cast<StyleField>(face & ~bit);
  }
}

void NewTextDefault(REALobject instance) {
  Construct<TextDescNative>(instance, [](TextDescNative& native) { native.MakeDefault(); });
}

void NewTextFromSample(REALobject instance, REALobject sampleDesc) {
  if (sampleDesc == nullptr) return;
  Construct<TextDescNative>(instance, [&](TextDescNative& native) {
    native.CastFrom(GetNative<SampleDescNative>(sampleDesc));
  });
}

void NewTextCopy(REALobject instance, REALobject textDesc) {
  if (textDesc == nullptr) return;
  Construct<TextDescNative>(instance,
                            [&](TextDescNative& native) { native.CopyText(TextNative(textDesc)); });
}

REALproperty gTextProperties[] = {
    Property<"descSize", "Integer", GetTextInteger, nullptr>(kTextDescSize),
    Property<"textBox", "FenraRect", GetTextBox, SetTextBox>(0),
    Property<"scrollDelay", "Integer", GetTextInteger, SetTextInteger>(kScrollDelay),
    Property<"textAlignment", "Integer", GetTextInteger, SetTextInteger>(kAlignment),
    Property<"fontID", "Integer", GetTextInteger, SetTextInteger>(kFontID),
    Property<"fontSize", "Integer", GetTextInteger, SetTextInteger>(kFontSize),
    Property<"fontName", "string", GetFontNameProperty, SetFontNameProperty>(0),
    Property<"backColor", "color", GetTextColor, SetTextColor>(kBackColor),
    Property<"textColor", "color", GetTextColor, SetTextColor>(kTextColor),
    Property<"showText", "Boolean", GetShowText, SetShowText>(0),
    Property<"clipText", "Boolean", GetDisplayFlag, SetDisplayFlag>(dfClipToTextBox),
    Property<"scrollIn", "Boolean", GetDisplayFlag, SetDisplayFlag>(dfScrollIn),
    Property<"scrollOut", "Boolean", GetDisplayFlag, SetDisplayFlag>(dfScrollOut),
    Property<"scrollHorizontal", "Boolean", GetDisplayFlag, SetDisplayFlag>(dfHorizScroll),
    Property<"scrollReverse", "Boolean", GetDisplayFlag, SetDisplayFlag>(dfReverseScroll),
    Property<"scrollContinuous", "Boolean", GetDisplayFlag, SetDisplayFlag>(dfContinuousScroll),
    Property<"scrollKaraoke", "Boolean", GetDisplayFlag, SetDisplayFlag>(dfContinuousKaraoke),
    Property<"dropShadow", "Boolean", GetDisplayFlag, SetDisplayFlag>(dfDropShadow),
    Property<"antiAlias", "Boolean", GetDisplayFlag, SetDisplayFlag>(dfAntiAlias),
    Property<"textNormal", "Boolean", GetFace, SetFace>(normal),
    Property<"textBold", "Boolean", GetFace, SetFace>(bold),
    Property<"textItalic", "Boolean", GetFace, SetFace>(italic),
    Property<"textUnderline", "Boolean", GetFace, SetFace>(underline),
};

REALmethodDefinition gTextMethods[] = {
    Method<NewTextDefault, "FenraTextDesc()">(),
    Method<NewTextFromSample, "FenraTextDesc(sampleDesc as FenraSampleDesc)">(),
    Method<NewTextCopy, "FenraTextDesc(textDesc as FenraTextDesc)">(),
};

REALconstant gTextConstants[] = {
    Constant("kFlushDefault = 0"),
    Constant("kAlignCenter = 1"),
    Constant("kFlushRight = -1"),
    Constant("kFlushLeft = -2"),
};

// ---- FenraTimeCodeDesc ----

enum TimeCodeSelector : intptr_t { kTimeScale, kFrameDuration, kFramesCount };

TimeCodeDescNative* TimeCodeNative(REALobject instance) {
  return GetNative<TimeCodeDescNative>(instance);
}

TimeCodeDef* Definition(REALobject instance) {
  TimeCodeDescNative* native = TimeCodeNative(instance);
  TimeCodeDescription* timeCode = native != nullptr ? native->TimeCode() : nullptr;
  return timeCode != nullptr ? &timeCode->timeCodeDef : nullptr;
}

RBInteger GetTimeCodeInteger(REALobject instance, intptr_t selector) {
  const TimeCodeDef* def = Definition(instance);
  if (def == nullptr) return 0;
  if (selector == kTimeScale) return def->fTimeScale;
  if (selector == kFrameDuration) return def->frameDuration;
  return def->numFrames;
}

void SetTimeCodeInteger(REALobject instance, intptr_t selector, RBInteger value) {
  TimeCodeDef* def = Definition(instance);
  if (def == nullptr) return;
  if (selector == kTimeScale) def->fTimeScale = static_cast<TimeScale>(value);
  if (selector == kFrameDuration) def->frameDuration = static_cast<TimeValue>(value);
  if (selector == kFramesCount) def->numFrames = static_cast<UInt8>(value);
}

RBBoolean GetTimeCodeFlag(REALobject instance, intptr_t flag) {
  const TimeCodeDef* def = Definition(instance);
  return def != nullptr && (def->flags & flag) != 0;
}

void SetTimeCodeFlag(REALobject instance, intptr_t flag, RBBoolean value) {
  TimeCodeDef* def = Definition(instance);
  if (def == nullptr) return;
  if (value) {
    def->flags |= static_cast<SInt32>(flag);
  } else {
    def->flags &= ~static_cast<SInt32>(flag);
  }
}

RBBoolean GetVisible(REALobject instance, intptr_t) {
  TimeCodeDescNative* native = TimeCodeNative(instance);
  return native != nullptr && native->IsValid() && native->visible;
}

void SetVisible(REALobject instance, intptr_t, RBBoolean value) {
  TimeCodeDescNative* native = TimeCodeNative(instance);
  if (native != nullptr && native->IsValid()) native->SetVisible(value);
}

REALobject GetTextParams(REALobject instance, intptr_t) {
  TimeCodeDescNative* native = TimeCodeNative(instance);
  if (native == nullptr || !native->IsValid() || native->textOptions == nullptr) return nullptr;
  auto* text = new (std::nothrow) TextDescNative;
  if (text == nullptr) return nullptr;
  text->MakeDefault();
  if (TextDescription* record = text->Text()) {
    const TCTextOptions& options = **native->textOptions;
    record->defaultStyle.scrpFont = options.txFont;
    record->defaultStyle.scrpSize = options.txSize;
    record->defaultStyle.scrpFace = options.txFace;
    record->defaultStyle.scrpColor = options.foreColor;
    record->bgColor = options.backColor;
  }
  REALobject object = NewInstanceOf("FenraTextDesc");
  SetNative(object, text);
  return object;
}

void SetTextParams(REALobject instance, intptr_t, REALobject value) {
  TimeCodeDescNative* native = TimeCodeNative(instance);
  const TextDescription* text = TextRecord(value);
  if (native == nullptr || !native->IsValid() || text == nullptr) return;
  TCTextOptions options{};
  options.txFont = text->defaultStyle.scrpFont;
  options.txSize = text->defaultStyle.scrpSize;
  options.txFace = text->defaultStyle.scrpFace;
  options.foreColor = text->defaultStyle.scrpColor;
  options.backColor = text->bgColor;
  native->SetTextOptions(options);
}

// A copy of the source's user data, or an object without a list when
// there is none.
REALobject GetSourceInfo(REALobject instance, intptr_t) {
  TimeCodeDescNative* native = TimeCodeNative(instance);
  if (native == nullptr || !native->IsValid()) return nullptr;
  return NewUserDataObject(native->source, true);
}

void SetSourceInfo(REALobject instance, intptr_t, REALobject value) {
  TimeCodeDescNative* native = TimeCodeNative(instance);
  if (native == nullptr || !native->IsValid() || value == nullptr) return;
  native->SetSource(UserDataOf(value));
}

void NewTimeCodeDefault(REALobject instance) {
  Construct<TimeCodeDescNative>(instance, [](TimeCodeDescNative& native) { native.MakeDefault(); });
}

void NewTimeCodeFromSample(REALobject instance, REALobject sampleDesc) {
  if (sampleDesc == nullptr) return;
  Construct<TimeCodeDescNative>(instance, [&](TimeCodeDescNative& native) {
    native.CastFrom(GetNative<SampleDescNative>(sampleDesc));
  });
}

void NewTimeCodeCopy(REALobject instance, REALobject timeCodeDesc) {
  if (timeCodeDesc == nullptr) return;
  Construct<TimeCodeDescNative>(instance, [&](TimeCodeDescNative& native) {
    native.CopyTimeCode(TimeCodeNative(timeCodeDesc));
  });
}

REALproperty gTimeCodeProperties[] = {
    Property<"timeScale", "Integer", GetTimeCodeInteger, SetTimeCodeInteger>(kTimeScale),
    Property<"frameDuration", "Integer", GetTimeCodeInteger, SetTimeCodeInteger>(kFrameDuration),
    Property<"framesCount", "Integer", GetTimeCodeInteger, SetTimeCodeInteger>(kFramesCount),
    Property<"dropFrame", "boolean", GetTimeCodeFlag, SetTimeCodeFlag>(tcDropFrame),
    Property<"has24Hours", "boolean", GetTimeCodeFlag, SetTimeCodeFlag>(tc24HourMax),
    Property<"hasNegTimes", "boolean", GetTimeCodeFlag, SetTimeCodeFlag>(tcNegTimesOK),
    Property<"isCounter", "boolean", GetTimeCodeFlag, SetTimeCodeFlag>(tcCounter),
    Property<"isVisible", "boolean", GetVisible, SetVisible>(0),
    Property<"textParams", "FenraTextDesc", GetTextParams, SetTextParams>(0),
    Property<"sourceInfo", "FenraUserData", GetSourceInfo, SetSourceInfo>(0),
};

REALmethodDefinition gTimeCodeMethods[] = {
    Method<NewTimeCodeDefault, "FenraTimeCodeDesc()">(),
    Method<NewTimeCodeFromSample, "FenraTimeCodeDesc(sampleDesc as FenraSampleDesc)">(),
    Method<NewTimeCodeCopy, "FenraTimeCodeDesc(timecodeDesc as FenraTimeCodeDesc)">(),
};

}  // namespace

REALclassDefinition gFenraSampleDescClass =
    DefineClass("FenraSampleDesc", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<Destruct<SampleDescNative>>(), {.properties = gSampleProperties});

REALclassDefinition gFenraImageDescClass = DefineClass(
    "FenraImageDesc", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
    InstanceProc<Destruct<ImageDescNative>>(),
    {.properties = gImageProperties, .methods = gImageMethods, .constants = gImageConstants});

// Destroys its own native first, so that FenraImageDesc's destructor then
// finds the slot empty.
REALclassDefinition gFenraImageDescCompClass =
    DefineClass("FenraImageDescComp", "FenraImageDesc", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<Destruct<ImageDescCompNative>>(),
                {.properties = gCompProperties, .methods = gCompMethods});

REALclassDefinition gFenraSoundDescClass =
    DefineClass("FenraSoundDesc", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<Destruct<SoundDescNative>>(),
                {.properties = gSoundProperties, .methods = gSoundMethods});

REALclassDefinition gFenraTextDescClass = DefineClass(
    "FenraTextDesc", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
    InstanceProc<Destruct<TextDescNative>>(),
    {.properties = gTextProperties, .methods = gTextMethods, .constants = gTextConstants});

REALclassDefinition gFenraTimeCodeDescClass =
    DefineClass("FenraTimeCodeDesc", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<Destruct<TimeCodeDescNative>>(),
                {.properties = gTimeCodeProperties, .methods = gTimeCodeMethods});

}  // namespace fenra
