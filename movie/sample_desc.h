// Sample descriptions as script objects. FenraSampleDesc is the read-only
// view of one description of a media; the typed descriptions
// (FenraImageDesc, FenraImageDescComp, FenraSoundDesc, FenraTextDesc,
// FenraTimeCodeDesc) each hold a private, editable copy of one QuickTime
// description record, made with defaults, cast from a FenraSampleDesc or
// copied from another typed description. New tracks and compressors take
// their parameters from the typed descriptions.
#pragma once

#include <cstdint>

#include "ImageCompression.h"
#include "Movies.h"
#include "QuickTimeComponents.h"
#include "REALplugin.h"
#include "Sound.h"
#include "plugin/native_object.h"

namespace fenra {

// A kind of typed description: the media type whose descriptions it takes
// and the size of its record.
struct DescriptionKind {
  OSType mediaType;
  Size size;
};
inline constexpr DescriptionKind kVideoKind{'vide', sizeof(ImageDescription)};
inline constexpr DescriptionKind kSoundKind{'soun', sizeof(SoundDescription)};
inline constexpr DescriptionKind kTextKind{'text', sizeof(TextDescription)};
inline constexpr DescriptionKind kTimeCodeKind{'tmcd', sizeof(TimeCodeDescription)};

// The native object of FenraSampleDesc: one description as the media
// answered it, extensions included.
class SampleDescNative final : public NativeObject {
 public:
  SampleDescNative() = default;
  SampleDescNative(const SampleDescNative& other);
  SampleDescNative& operator=(const SampleDescNative&) = delete;
  ~SampleDescNative();

  bool IsValid() const override { return desc != nullptr; }
  intptr_t GetRef() const override { return reinterpret_cast<intptr_t>(desc); }

  // Reads description `index` (from 1) of `media`, whose type is
  // mediaType. err: invalidMedia without media, the allocation's MemError,
  // GetMoviesError, or the handle's size error; when the media answers
  // fewer bytes than the common fields no handle is kept.
  void Read(Media media, OSType mediaType, long index);
  // Whether the description is of the kind: its media type is the kind's
  // or its size equals the kind's record size. False without a handle.
  bool IsOfKind(const DescriptionKind& kind) const;
  // The record's common fields; nullptr without a handle.
  const SampleDescription* Record() const { return desc != nullptr ? *desc : nullptr; }

  Media media = nullptr;  // borrowed; used only when reading
  OSType mediaType = 0;
  Size size = 0;  // bytes the media answered
  SampleDescriptionHandle desc = nullptr;
};

// What the typed descriptions share: an owned record of their kind's
// size. Each leaf class is final and is deleted as itself.
class TypedDescNative : public NativeObject {
 public:
  bool IsValid() const override { return record != nullptr; }
  intptr_t GetRef() const override { return reinterpret_cast<intptr_t>(record); }

  // The record's common fields; nullptr without a record.
  SampleDescription* Common() const {
    return record != nullptr ? reinterpret_cast<SampleDescription*>(*record) : nullptr;
  }

  Handle record = nullptr;  // owned

 protected:
  TypedDescNative() = default;
  TypedDescNative(const TypedDescNative&) = delete;
  TypedDescNative& operator=(const TypedDescNative&) = delete;
  ~TypedDescNative();

  // Replaces the record by a new zeroed one of `size` bytes whose descSize
  // is `descSize`. False, err = memFullErr, when it cannot be allocated.
  bool NewRecord(Size size, SInt32 descSize);
  // The cast: a source that is valid and of the kind gives a record of the
  // kind's size holding the source's first bytes (descSize stays the
  // source's, extensions are left out). Otherwise err = paramErr, or the
  // source's size error, and the record is left as it was.
  bool CastFrom(const SampleDescNative* source, const DescriptionKind& kind);
  // A record holding the first `size` bytes of other's; paramErr when
  // other is missing or holds none, or the size error of other's record.
  bool CopyFrom(const TypedDescNative* other, Size size);
};

// ImageDescription, 86 bytes, and a clip rectangle (initially empty).
class ImageDescBase : public TypedDescNative {
 public:
  ImageDescription* Image() const { return reinterpret_cast<ImageDescription*>(Common()); }
  ImageDescriptionHandle Desc() const { return reinterpret_cast<ImageDescriptionHandle>(record); }
  // A new record with the video defaults: 72 dpi, clutID -1, and the
  // codec 'cvid' when it is installed.
  void MakeDefault();
  bool CastFrom(const SampleDescNative* source) {
    return TypedDescNative::CastFrom(source, kVideoKind);
  }
  // The record's 86 bytes (the clip rectangle is not copied).
  bool CopyImage(const ImageDescBase* other) { return CopyFrom(other, kVideoKind.size); }

  Rect clip{0, 0, 0, 0};

 protected:
  ImageDescBase() = default;
  ~ImageDescBase() = default;
};

class ImageDescNative final : public ImageDescBase {
 public:
  ImageDescNative() = default;
  // The record only.
  ImageDescNative(const ImageDescNative& other);
  ~ImageDescNative() = default;
};

// An image description with compression parameters, all 0 initially.
class ImageDescCompNative final : public ImageDescBase {
 public:
  ImageDescCompNative() = default;
  // The record, the six parameters and the clip rectangle.
  ImageDescCompNative(const ImageDescCompNative& other);
  ~ImageDescCompNative() = default;
  void CopyAll(const ImageDescCompNative* other);

  int32_t keyFrameRate = 0;
  int32_t dataRate = 0;
  int32_t sampleDuration = 0;
  Fixed frameRate = 0;  // 16.16
  int32_t minSpatialQuality = 0;
  int32_t minTemporalQuality = 0;
};

// SoundDescription, 36 bytes.
class SoundDescNative final : public TypedDescNative {
 public:
  SoundDescNative() = default;
  SoundDescNative(const SoundDescNative& other);
  ~SoundDescNative() = default;

  SoundDescription* Sound() const { return reinterpret_cast<SoundDescription*>(Common()); }
  SoundDescriptionHandle Desc() const { return reinterpret_cast<SoundDescriptionHandle>(record); }
  void MakeDefault() { NewRecord(kSoundKind.size, kSoundKind.size); }
  bool CastFrom(const SampleDescNative* source) {
    return TypedDescNative::CastFrom(source, kSoundKind);
  }
  bool CopySound(const SoundDescNative* other) { return CopyFrom(other, kSoundKind.size); }
};

// TextDescription, 60 bytes, and a scroll delay the record does not hold.
class TextDescNative final : public TypedDescNative {
 public:
  TextDescNative() = default;
  // The record; the scroll delay starts at 0.
  TextDescNative(const TextDescNative& other);
  ~TextDescNative() = default;

  TextDescription* Text() const { return reinterpret_cast<TextDescription*>(Common()); }
  TextDescriptionHandle Desc() const { return reinterpret_cast<TextDescriptionHandle>(record); }
  // A new record with a white background.
  void MakeDefault();
  bool CastFrom(const SampleDescNative* source) {
    return TypedDescNative::CastFrom(source, kTextKind);
  }
  bool CopyText(const TextDescNative* other) { return CopyFrom(other, kTextKind.size); }

  int32_t scrollDelay = 0;
};

// TimeCodeDescription, 38 bytes, with how the time code shows: a visible
// flag, text options and the source's user data. When read from a media
// (or given a new track's), the media's handler hears of changes to them.
class TimeCodeDescNative final : public TypedDescNative {
 public:
  TimeCodeDescNative() = default;
  // The record only: not visible, no handler, zero text options, no source.
  TimeCodeDescNative(const TimeCodeDescNative& other);
  ~TimeCodeDescNative();

  TimeCodeDescription* TimeCode() const { return reinterpret_cast<TimeCodeDescription*>(Common()); }
  TimeCodeDescriptionHandle Desc() const {
    return reinterpret_cast<TimeCodeDescriptionHandle>(record);
  }
  // A new record and text options of 20 zero bytes.
  void MakeDefault();
  // The cast, then, when the source's media has a handler, its visible
  // flag, text options and source.
  void CastFrom(const SampleDescNative* source);
  // The record (38 bytes) and zero text options.
  bool CopyTimeCode(const TimeCodeDescNative* other);

  // Each stores the setting and, with a handler, hands it on; err = the
  // handler's answer.
  void SetVisible(bool visible);
  void SetTextOptions(const TCTextOptions& options);
  // Replaces the source by a copy of `source` (nil: none).
  void SetSource(UserData source);

  MediaHandler handler = nullptr;  // borrowed
  bool visible = false;
  TCTextOptions** textOptions = nullptr;  // owned, 20 bytes
  UserData source = nullptr;              // owned

 private:
  bool NewTextOptions();
};

// A new FenraSampleDesc for description `index` (from 1) of a media of
// type mediaType, for a script; its err tells how reading went.
REALobject NewSampleDescObject(Media media, OSType mediaType, long index);

// The description handle of any of the six description objects (the
// object keeps it), or nullptr when the object is nil or has none.
Handle DescriptionHandleOf(REALobject object);

}  // namespace fenra
