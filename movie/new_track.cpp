// New tracks: FenraNewTrack and its video, text, sound and time code kinds.
// Each makes one new track and its media in a FenraMovie and appends
// samples to the media between BeginEditing and EndEditing; EndEditing
// puts the whole media into the track. The movie owns track and media.
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "Endian.h"
#include "FixMath.h"
#include "ImageCompression.h"
#include "MacMemory.h"
#include "Movies.h"
#include "QDOffscreen.h"
#include "dataref/data_ref.h"
#include "modules/instance_data.h"
#include "movie/container.h"
#include "movie/movie.h"
#include "movie/sample_desc.h"
#include "plugin/bridges.h"
#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/host_services.h"
#include "plugin/registration.h"
#include "values/rect.h"
#include "values/time_range.h"

namespace fenra {
namespace {

constexpr int32_t kSequenceRunningErr = 888;  // BeginEditing while frames compress
constexpr int32_t kDefaultSampleDuration = 24;
constexpr RBColor kDefaultHiliteColor = 0x00FFFF;
constexpr TimeScale kVisualTimeScale = 600;

int32_t DurationOrDefault(RBInteger duration) {
  return duration > 0 ? static_cast<int32_t>(duration) : kDefaultSampleDuration;
}

// ---- The shared part ----

class NewTrackNative : public NativeObject {
 public:
  bool IsValid() const override { return track != nullptr && media != nullptr; }
  intptr_t GetRef() const override { return 0; }
  virtual void BeginEditing() = 0;
  virtual void EndEditing() = 0;

  // Takes the movie of a FenraMovie's native; false (err set) when there
  // is none, or when the memory data reference a movie kept in memory
  // needs cannot be made.
  bool Start(MovieNative* owner) {
    if (owner == nullptr || owner->movie == nullptr) {
      err = invalidMovie;
      return false;
    }
    if (owner->inMemory) {
      memoryRef = NewMemoryDataRef(nullptr);
      if (memoryRef == nullptr || !memoryRef->IsValid()) {
        err = memFullErr;
        return false;
      }
    }
    movie = owner->movie;
    return true;
  }

  // Makes the track and its media; err = the Movie Toolbox's answer.
  bool CreateTrackAndMedia(short width, short height, TimeScale scale, short volume) {
    err = noErr;
    track = NewMovieTrack(movie, Long2Fix(width), Long2Fix(height), volume);
    if (track == nullptr) {
      err = GetMoviesError();
      return false;
    }
    Handle ref = memoryRef != nullptr ? memoryRef->reference : nullptr;
    OSType refType = memoryRef != nullptr ? memoryRef->type : 0;
    media = NewTrackMedia(track, mediaType, scale, ref, refType);
    if (media == nullptr) err = GetMoviesError();
    return media != nullptr;
  }

  void BeginMediaEditing() {
    if (editing) return;
    if (media == nullptr) {
      err = invalidMedia;
      return;
    }
    err = BeginMediaEdits(media);
    editing = err == noErr;
  }

  // Each successful end puts the whole media, from its start, at the end
  // of the track; a failed end keeps editing so that it can be retried.
  void EndMediaEditing() {
    if (!editing) return;
    err = EndMediaEdits(media);
    if (err != noErr) return;
    err = InsertMediaIntoTrack(track, -1, 0, GetMediaDuration(media), FixRatio(1, 1));
    editing = false;
  }

  Movie movie = nullptr;  // borrowed
  Track track = nullptr;  // owned by the movie
  Media media = nullptr;  // owned by the movie
  OSType mediaType = 0;
  bool editing = false;
  DataRefNative* memoryRef = nullptr;  // owned; for movies kept in memory

 protected:
  explicit NewTrackNative(OSType type) : mediaType(type) {}
  NewTrackNative(const NewTrackNative&) = delete;
  NewTrackNative& operator=(const NewTrackNative&) = delete;
  // A media still being edited is closed without going into the track.
  ~NewTrackNative() {
    if (editing) EndMediaEdits(media);
    delete memoryRef;
  }
};

// The rectangle of a FenraRect given as a track box, or the movie's
// natural bounds when none is given.
Rect TrackRect(Movie movie, REALobject trackBox) {
  if (const Rect* given = RectOf(trackBox)) return *given;
  Rect bounds{0, 0, 0, 0};
  GetMovieNaturalBoundsRect(movie, &bounds);
  return bounds;
}

short WidthOf(const Rect& r) {
  return static_cast<short>(r.right - r.left);
}
short HeightOf(const Rect& r) {
  return static_cast<short>(r.bottom - r.top);
}

// ---- Video ----

// Compresses frames drawn into an off-screen world of its own through an
// image compression sequence.
class CompressionSequence final : public NativeObject {
 public:
  // Holds a copy of the parameters (description, compression settings,
  // clip rectangle); paramErr without them.
  explicit CompressionSequence(const ImageDescCompNative* params) {
    if (params == nullptr) {
      err = paramErr;
      return;
    }
    this->params.reset(new (std::nothrow) ImageDescCompNative(*params));
    if (this->params == nullptr) err = memFullErr;
  }
  CompressionSequence(const CompressionSequence&) = delete;
  CompressionSequence& operator=(const CompressionSequence&) = delete;
  ~CompressionSequence() {
    End();
    if (description != nullptr) DisposeHandle(reinterpret_cast<Handle>(description));
  }

  bool IsValid() const override { return params != nullptr && params->IsValid(); }
  bool Running() const { return sequence != 0; }

  // Makes the source world and the data buffer and begins the sequence;
  // err = the first failure, after which nothing is left running.
  void Begin() {
    if (Running()) {
      err = kSequenceRunningErr;
      return;
    }
    if (!IsValid()) {
      err = paramErr;
      return;
    }
    ImageDescriptionHandle desc = params->Desc();
    err = NewImageGWorld(&port, desc, 0x80);
    if (err != noErr) {
      port = nullptr;
      return;
    }
    ownsPort = true;
    pixels = GetGWorldPixMap(port);
    const ImageDescription& image = **desc;
    if (EmptyRect(&params->clip)) {
      MacSetRect(&rect, 0, 0, image.width, image.height);
    } else {
      rect = params->clip;
    }
    description = reinterpret_cast<ImageDescriptionHandle>(NewHandle(0));
    if (description == nullptr) {
      err = MemError();
    } else {
      StartCompressing(image);
    }
    if (err != noErr) {
      End();
      if (description != nullptr) DisposeHandle(reinterpret_cast<Handle>(description));
      description = nullptr;
      MacSetRect(&rect, 0, 0, 0, 0);
    }
  }

  // Compresses the world's current picture into the data buffer; false
  // (err set) when the compressor fails.
  bool CompressFrame(bool* keyFrame) {
    UInt8 similarity = 0;
    err = CompressSequenceFrame(sequence, pixels, &rect, 0, *data, &dataSize, &similarity, nullptr);
    if (err != noErr) return false;
    ++framesCompressed;
    *keyFrame = similarity == 0;
    return true;
  }

  // Ends the sequence and frees what it ran with; the output description
  // stays for the owner to dispose of.
  void End() {
    if (sequence != 0) CDSequenceEnd(sequence);
    sequence = 0;
    if (ownsPort && port != nullptr) {
      if ((GetPixelsState(pixels) & pixelsLocked) != 0) UnlockPixels(pixels);
      DisposeGWorld(port);
    }
    port = nullptr;
    pixels = nullptr;
    ownsPort = false;
    if (data != nullptr) {
      if (dataLocked) HUnlock(data);
      DisposeHandle(data);
    }
    data = nullptr;
    dataLocked = false;
    framesCompressed = 0;
  }

  ImageSequence sequence = 0;
  GWorldPtr port = nullptr;
  PixMapHandle pixels = nullptr;
  bool ownsPort = false;
  Handle data = nullptr;
  long dataSize = 0;  // the largest frame, then the last frame's size
  bool dataLocked = false;
  int32_t framesCompressed = 0;
  std::unique_ptr<ImageDescCompNative> params;
  ImageDescriptionHandle description = nullptr;  // filled in by the compressor
  Rect rect{0, 0, 0, 0};

 private:
  void StartCompressing(const ImageDescription& image) {
    auto anyCompressor = reinterpret_cast<CompressorComponent>(-1);
    err = CompressSequenceBegin(&sequence, pixels, nullptr, &rect, &rect, image.depth, image.cType,
                                anyCompressor, image.spatialQuality, image.temporalQuality,
                                params->keyFrameRate, nullptr, 0, description);
    if (err != noErr) {
      sequence = 0;
      return;
    }
    err = GetMaxCompressionSize(pixels, &rect, image.depth, image.spatialQuality, image.cType,
                                anyCompressor, &dataSize);
    if (err != noErr) return;
    data = NewHandle(dataSize);
    if (data == nullptr) {
      err = MemError();
      return;
    }
    MoveHHi(data);
    HLock(data);
    dataLocked = true;
  }
};

class VideoTrackNative final : public NewTrackNative {
 public:
  VideoTrackNative() : NewTrackNative(VideoMediaType) {}
  ~VideoTrackNative() = default;

  void Construct(const ImageDescCompNative* params) {
    compression.reset(new (std::nothrow) CompressionSequence(params));
    if (compression == nullptr || !compression->IsValid()) {
      err = paramErr;
      return;
    }
    const ImageDescCompNative& copy = *compression->params;
    short width = copy.Image()->width, height = copy.Image()->height;
    if (!EmptyRect(&copy.clip)) {
      width = WidthOf(copy.clip);
      height = HeightOf(copy.clip);
    }
    CreateTrackAndMedia(width, height, kVisualTimeScale, 0);
  }

  void BeginEditing() override {
    if (compression == nullptr) {
      err = paramErr;
      return;
    }
    BeginMediaEditing();
    if (err != noErr) return;
    compression->Begin();
    err = compression->err;
  }

  void EndEditing() override {
    if (compression != nullptr) {
      compression->End();
      if (compression->description != nullptr) {
        DisposeHandle(reinterpret_cast<Handle>(compression->description));
      }
      compression->description = nullptr;
      MacSetRect(&compression->rect, 0, 0, 0, 0);
    }
    EndMediaEditing();
  }

  // Compresses the source world's picture and adds it as one sample.
  void AddFrame(int32_t duration) {
    if (compression == nullptr || !compression->Running() || !editing) return;
    bool keyFrame = false;
    if (!compression->CompressFrame(&keyFrame)) {
      err = compression->err;
      return;
    }
    err = AddMediaSample(media, compression->data, 0, compression->dataSize, duration,
                         reinterpret_cast<SampleDescriptionHandle>(compression->description), 1,
                         keyFrame ? 0 : mediaSampleNotSync, nullptr);
  }

  std::unique_ptr<CompressionSequence> compression;
};

// ---- Sound ----

class SoundTrackNative final : public NewTrackNative {
 public:
  SoundTrackNative() : NewTrackNative(SoundMediaType) {}
  ~SoundTrackNative() = default;

  void Construct(const SoundDescNative* params) {
    if (!CopyDescription(params)) {
      err = paramErr;
      return;
    }
    // The rate is an unsigned 16.16 value: 44100 Hz reads negative.
    long scale = Fix2Long(description->Sound()->sampleRate);
    if (scale < 0) scale += 65536;
    CreateTrackAndMedia(0, 0, static_cast<TimeScale>(scale), 0x100);
  }

  void BeginEditing() override {
    if (description != nullptr && description->IsValid()) BeginMediaEditing();
  }
  void EndEditing() override { EndMediaEditing(); }

  void AddSample(const void* bytes, intptr_t size, TimeValue duration, long count) {
    Handle samples = nullptr;
    if (PtrToHand(bytes, &samples, static_cast<long>(size)) != noErr) return;
    if (editing) {
      err = AddMediaSample(media, samples, 0, static_cast<unsigned long>(size), duration,
                           reinterpret_cast<SampleDescriptionHandle>(description->Desc()), count, 0,
                           nullptr);
    }
    DisposeHandle(samples);
  }

  // Copies a segment of another sound track (all of it without a valid
  // range) to the end of the media.
  void AddTrack(TrackNative& source, const TimeRangeNative* range) {
    if (!editing || !source.IsValid()) return;
    if (source.mediaType != mediaType) {
      err = invalidTrack;
      return;
    }
    TimeValue start = 0, length = source.GetTimeValue(kTimeDuration);
    if (range != nullptr && range->IsValid()) {
      start = range->start;
      length = range->length;
    }
    err = InsertTrackSegment(source.track, track, start, length, GetMediaDuration(media));
  }

  std::unique_ptr<SoundDescNative> description;

 private:
  // A record of the parameter's descSize (at least the 36 bytes of a
  // SoundDescription) beginning with the parameter's 36 bytes.
  bool CopyDescription(const SoundDescNative* params) {
    description.reset(new (std::nothrow) SoundDescNative);
    if (description == nullptr || params == nullptr || !description->CopySound(params)) {
      return false;
    }
    Size size = params->Sound()->descSize;
    if (size <= kSoundKind.size) return true;
    Handle record = description->record;
    SetHandleSize(record, size);
    if (MemError() != noErr) return false;
    std::memset(*record + kSoundKind.size, 0, static_cast<size_t>(size - kSoundKind.size));
    return true;
  }
};

// ---- Text ----

class TextTrackNative final : public NewTrackNative {
 public:
  TextTrackNative() : NewTrackNative(TextMediaType) {}
  ~TextTrackNative() = default;

  void Construct(const TextDescNative* params, REALobject trackBox) {
    if (!ReplaceDescription(params)) {
      err = paramErr;
      return;
    }
    Rect box = TrackRect(movie, trackBox);
    TextDescription& text = *description->Text();
    if (EmptyRect(&text.defaultTextBox)) text.defaultTextBox = box;
    if (!CreateTrackAndMedia(WidthOf(box), HeightOf(box), kVisualTimeScale, 0)) return;
    handler = GetMediaHandler(media);
    if (handler == nullptr) err = memFullErr;
  }

  void BeginEditing() override {
    BeginMediaEditing();
    sampleTime = GetMediaDuration(media);
  }
  void EndEditing() override {
    EndMediaEditing();
    sampleTime = 0;
  }

  // The description later samples take; its track size stays.
  void UpdateParams(const TextDescNative* params) {
    if (params == nullptr || !params->IsValid()) {
      err = paramErr;
      return;
    }
    if (!ReplaceDescription(params)) err = description != nullptr ? description->err : memFullErr;
  }

  // Highlights all of the text in `color`, or none of it.
  bool SetHilite(bool on, RBColor color, short length) {
    if (!on) {
      hiliteStart = hiliteEnd = 0;
      return true;
    }
    RGBColor rgb;
    ColorToRGB(color, &rgb);
    if (hiliteColor == nullptr) {
      hiliteColor.reset(new (std::nothrow) RGBColor);
      if (hiliteColor == nullptr) return false;
    }
    *hiliteColor = rgb;
    hiliteStart = 0;
    hiliteEnd = length;
    return true;
  }

  void AddText(Handle text, TimeValue duration) {
    if (!editing || handler == nullptr || text == nullptr) return;
    TextDescription* d = description != nullptr ? description->Text() : nullptr;
    err = TextMediaAddTextSample(
        handler, *text, static_cast<unsigned long>(GetHandleSize(text)),
        d ? d->defaultStyle.scrpFont : 0, d ? d->defaultStyle.scrpSize : 0,
        d ? static_cast<Style>(d->defaultStyle.scrpFace) : 0,
        d ? &d->defaultStyle.scrpColor : nullptr, d ? &d->bgColor : nullptr,
        d ? static_cast<short>(d->textJustification) : 0, d ? &d->defaultTextBox : nullptr,
        d ? d->displayFlags : 0, description != nullptr ? description->scrollDelay : 0, hiliteStart,
        hiliteEnd, hiliteColor.get(), duration, &sampleTime);
  }

  std::unique_ptr<TextDescNative> description;
  MediaHandler handler = nullptr;  // borrowed
  TimeValue sampleTime = 0;        // where the last sample went in the media
  std::unique_ptr<RGBColor> hiliteColor;
  short hiliteStart = 0;
  short hiliteEnd = 0;

 private:
  bool ReplaceDescription(const TextDescNative* params) {
    if (params == nullptr) return false;
    description.reset(new (std::nothrow) TextDescNative(*params));
    return description != nullptr && description->IsValid();
  }
};

// ---- Time code ----

class TimeCodeTrackNative final : public NewTrackNative {
 public:
  TimeCodeTrackNative() : NewTrackNative(TimeCodeMediaType) {}
  ~TimeCodeTrackNative() = default;

  void Construct(const TimeCodeDescNative* params, REALobject trackBox) {
    if (params != nullptr) description.reset(new (std::nothrow) TimeCodeDescNative(*params));
    if (description == nullptr || !description->IsValid()) {
      err = paramErr;
      return;
    }
    Rect box = TrackRect(movie, trackBox);
    if (!CreateTrackAndMedia(WidthOf(box), HeightOf(box), GetMovieTimeScale(movie), 0)) return;
    MediaHandler handler = GetMediaHandler(media);
    if (handler == nullptr) {
      err = memFullErr;
      return;
    }
    description->handler = handler;
    TakeDisplaySettings(*params);
    if (box.top != 0 || box.left != 0) {
      MatrixRecord matrix;
      GetTrackMatrix(track, &matrix);
      TranslateMatrix(&matrix, Long2Fix(box.left), Long2Fix(box.top));
      SetTrackMatrix(track, &matrix);
    }
  }

  void BeginEditing() override { BeginMediaEditing(); }
  void EndEditing() override { EndMediaEditing(); }

  // Adds one sample holding the frame number, big-endian as time code
  // media keep it; a duration of 0 lasts the movie's duration.
  void AddFrameNumber(SInt32 frameNumber, TimeValue duration) {
    if (!editing || description == nullptr || description->handler == nullptr) return;
    Handle sample = NewHandle(sizeof(SInt32));
    if (sample == nullptr) {
      err = memFullErr;
      return;
    }
    *reinterpret_cast<UInt32*>(*sample) = EndianU32_NtoB(static_cast<UInt32>(frameNumber));
    if (duration == 0) duration = GetMovieDuration(movie);
    err = AddMediaSample(media, sample, 0, sizeof(SInt32), duration,
                         reinterpret_cast<SampleDescriptionHandle>(description->Desc()), 1, 0,
                         nullptr);
    DisposeHandle(sample);
  }

  // The frame number of time code 00:00:00:00 (counter 0), lasting the
  // movie's duration.
  void AddZero() {
    if (!editing || description == nullptr || description->handler == nullptr) return;
    TimeCodeRecord zero{};
    SInt32 frameNumber = 0;
    err = TCTimeCodeToFrameNumber(description->handler, &description->TimeCode()->timeCodeDef,
                                  &zero, &frameNumber);
    if (err == noErr) AddFrameNumber(frameNumber, 0);
  }

  std::unique_ptr<TimeCodeDescNative> description;  // its handler is the new media's

 private:
  // The source, visibility and text options of the parameter, handed on
  // to the new media's handler.
  void TakeDisplaySettings(const TimeCodeDescNative& params) {
    if (params.source != nullptr) description->SetSource(params.source);
    if (params.IsValid() && params.visible) description->SetVisible(true);
    if (params.textOptions != nullptr) {
      const TCTextOptions& from = **params.textOptions;
      TCTextOptions options{};
      options.txFont = from.txFont;
      options.txSize = from.txSize;
      options.txFace = from.txFace;
      options.foreColor = from.foreColor;
      options.backColor = from.backColor;
      description->SetTextOptions(options);
    }
  }
};

// ---- Glue ----

NewTrackNative* TrackNativeOfInstance(REALobject instance) {
  return GetNative<NewTrackNative>(instance);
}

NewVideoTrackData* VideoData(REALobject instance) {
  return reinterpret_cast<NewVideoTrackData*>(reinterpret_cast<char*>(instance) +
                                              gFenraNewVideoTrackClass.dataOffset);
}

NewTextTrackData* TextData(REALobject instance) {
  return reinterpret_cast<NewTextTrackData*>(reinterpret_cast<char*>(instance) +
                                             gFenraNewTextTrackClass.dataOffset);
}

// Makes a native of kind T for an instance, runs the base construction
// and, when it succeeds, `build`; the instance keeps the native either way.
template <class T, class Build>
T* Construct(REALobject instance, REALobject movie, Build build) {
  auto* native = new (std::nothrow) T;
  if (native == nullptr) return nullptr;
  if (native->Start(MovieNativeOf(movie))) build(*native);
  SetNative(instance, native);
  return native;
}

template <class T>
void Destruct(REALobject instance) {
  DestroyNative<T>(instance);
}

RBBoolean GetIsEditing(REALobject instance, intptr_t) {
  NewTrackNative* native = TrackNativeOfInstance(instance);
  return native != nullptr && native->editing;
}

REALobject GetQtTrack(REALobject instance, intptr_t) {
  NewTrackNative* native = TrackNativeOfInstance(instance);
  if (native == nullptr || !native->IsValid()) return nullptr;
  return NewTrackObject(native->track);
}

void BeginEditing(REALobject instance) {
  if (NewTrackNative* native = TrackNativeOfInstance(instance)) native->BeginEditing();
}

// A video track's source world goes with its compression sequence.
void EndEditing(REALobject instance) {
  NewTrackNative* native = TrackNativeOfInstance(instance);
  if (native == nullptr) return;
  native->EndEditing();
  if (native->mediaType == VideoMediaType) VideoData(instance)->sourceWorld = nullptr;
}

// ---- FenraNewVideoTrack ----

void InitVideoData(REALobject instance) {
  *VideoData(instance) = NewVideoTrackData{kDefaultSampleDuration, nullptr};
}

void NewVideoTrack(REALobject instance, REALobject movie, REALobject params) {
  if (movie == nullptr || params == nullptr) return;
  const auto* desc = GetNative<ImageDescCompNative>(params);
  Construct<VideoTrackNative>(instance, movie,
                              [&](VideoTrackNative& native) { native.Construct(desc); });
  if (desc != nullptr) VideoData(instance)->sampleDuration = desc->sampleDuration;
}

void BeginVideoEditing(REALobject instance) {
  auto* native = GetNative<VideoTrackNative>(instance);
  if (native == nullptr) return;
  native->BeginEditing();
  if (native->err == noErr) VideoData(instance)->sourceWorld = native->compression->port;
}

void AddVideoSample(REALobject instance, REALpicture picture, RBInteger times) {
  auto* native = GetNative<VideoTrackNative>(instance);
  if (native == nullptr) return;
  NewVideoTrackData* data = VideoData(instance);
  auto world = static_cast<GWorldPtr>(data->sourceWorld);
  if (DrawPictureInGWorld(picture, world) != noErr) return;
  int32_t duration = DurationOrDefault(data->sampleDuration);
  for (RBInteger i = 0; i < times; ++i) {
    native->AddFrame(duration);
    if (native->err != noErr) break;
  }
}

// ---- FenraNewSoundTrack ----

void NewSoundTrack(REALobject instance, REALobject movie, REALobject params) {
  if (movie == nullptr || params == nullptr) return;
  const auto* desc = GetNative<SoundDescNative>(params);
  Construct<SoundTrackNative>(instance, movie,
                              [&](SoundTrackNative& native) { native.Construct(desc); });
}

void AddSoundSample(REALobject instance, REALmemoryBlock data, RBInteger duration,
                    RBInteger count) {
  auto* native = GetNative<SoundTrackNative>(instance);
  if (native == nullptr || data == nullptr) return;
  intptr_t size = host::memoryBlockGetSize(data);
  const void* bytes = host::memoryBlockGetPtr(data);
  if (size <= 0 || bytes == nullptr) return;
  native->AddSample(bytes, size, static_cast<TimeValue>(duration), static_cast<long>(count));
}

void AddSoundTrack(REALobject instance, REALobject source, REALobject range) {
  auto* native = GetNative<SoundTrackNative>(instance);
  TrackNative* sourceNative = TrackNativeOf(source);
  if (native == nullptr || sourceNative == nullptr) return;
  native->AddTrack(*sourceNative, GetNative<TimeRangeNative>(range));
}

// ---- FenraNewTextTrack ----

void InitTextData(REALobject instance) {
  *TextData(instance) = NewTextTrackData{kDefaultSampleDuration, kDefaultHiliteColor};
}

void NewTextTrack(REALobject instance, REALobject movie, REALobject params, REALobject trackBox) {
  if (movie == nullptr || params == nullptr) return;
  const auto* desc = GetNative<TextDescNative>(params);
  Construct<TextTrackNative>(instance, movie,
                             [&](TextTrackNative& native) { native.Construct(desc, trackBox); });
}

void UpdateTextParams(REALobject instance, REALobject params) {
  auto* native = GetNative<TextTrackNative>(instance);
  if (native == nullptr || params == nullptr) return;
  native->UpdateParams(GetNative<TextDescNative>(params));
}

// The text as the platform takes it (system encoding), in a new handle
// owned by the caller; nullptr when it cannot be made.
Handle TextHandle(REALstring text) {
  REALstring converted = host::REALConvertString(text, 0);
  const char* chars = converted != nullptr ? host::StringGetCString(converted) : nullptr;
  std::string bytes = chars != nullptr ? chars : "";
  if (converted != nullptr) host::REALUnlockObject(reinterpret_cast<REALobject>(converted));
  Handle handle = nullptr;
  if (PtrToHand(bytes.data(), &handle, static_cast<long>(bytes.size())) != noErr) return nullptr;
  return handle;
}

void AddTextSample(REALobject instance, REALstring sample, RBBoolean hilite, RBInteger times) {
  auto* native = GetNative<TextTrackNative>(instance);
  if (native == nullptr || sample == nullptr) return;
  Handle text = TextHandle(sample);
  if (text == nullptr) return;
  NewTextTrackData* data = TextData(instance);
  auto length = static_cast<short>(GetHandleSize(text));
  if (native->SetHilite(hilite, data->hiliteColor, length)) {
    int32_t duration = DurationOrDefault(data->sampleDuration);
    for (RBInteger i = 0; i < times; ++i) {
      native->AddText(text, duration);
      if (native->err != noErr) break;
    }
  } else {
    native->err = memFullErr;
  }
  DisposeHandle(text);
}

// ---- FenraNewTimeCodeTrack ----

void NewTimeCodeTrack(REALobject instance, REALobject movie, REALobject params,
                      REALobject trackBox) {
  if (movie == nullptr || params == nullptr) return;
  const auto* desc = GetNative<TimeCodeDescNative>(params);
  Construct<TimeCodeTrackNative>(
      instance, movie, [&](TimeCodeTrackNative& native) { native.Construct(desc, trackBox); });
}

void AddTimeCodeSample(REALobject instance, RBInteger frameNumber, RBInteger duration) {
  if (auto* native = GetNative<TimeCodeTrackNative>(instance)) {
    native->AddFrameNumber(static_cast<SInt32>(frameNumber), static_cast<TimeValue>(duration));
  }
}

void AddTimeCodeZero(REALobject instance) {
  if (auto* native = GetNative<TimeCodeTrackNative>(instance)) native->AddZero();
}

// ---- Records ----

REALproperty gNewTrackProperties[] = {
    Property<"isEditing", "Boolean", GetIsEditing, nullptr>(0),
    Property<"qtTrack", "FenraTrack", GetQtTrack, nullptr>(0),
};

REALmethodDefinition gNewTrackMethods[] = {
    Method<BeginEditing, "BeginEditing()">(),
    Method<EndEditing, "EndEditing()">(),
};

REALproperty gVideoProperties[] = {
    StandardProperty("sampleDuration", "Integer", offsetof(NewVideoTrackData, sampleDuration)),
};

REALmethodDefinition gVideoMethods[] = {
    Method<NewVideoTrack, "FenraNewVideoTrack(m as FenraMovie,params as FenraImageDescComp)">(),
    Method<BeginVideoEditing, "BeginEditing()">(),
    Method<AddVideoSample, "AddSample(sample as picture,nTimes as integer=1)">(),
};

REALproperty gTextProperties[] = {
    StandardProperty("hiliteColor", "Color", offsetof(NewTextTrackData, hiliteColor)),
    StandardProperty("sampleDuration", "Integer", offsetof(NewTextTrackData, sampleDuration)),
};

REALmethodDefinition gTextMethods[] = {
    Method<NewTextTrack,
           "FenraNewTextTrack(m as FenraMovie,params as FenraTextDesc,trackBox as FenraRect)">(),
    Method<UpdateTextParams, "UpdateParams(params as FenraTextDesc)">(),
    Method<AddTextSample, "AddSample(sample as string,hilite as boolean,nTimes as integer=1)">(),
};

REALmethodDefinition gSoundMethods[] = {
    Method<NewSoundTrack, "FenraNewSoundTrack(m as FenraMovie,params as FenraSoundDesc)">(),
    Method<AddSoundSample,
           "AddSample(data as memoryblock,duration as integer,samplesCount as integer=1)">(),
    Method<AddSoundTrack, "AddTrack(sndTrack as FenraTrack,duration as FenraTimeRange)">(),
};

REALmethodDefinition gTimeCodeMethods[] = {
    Method<NewTimeCodeTrack,
           "FenraNewTimeCodeTrack(m as FenraMovie,params as "
           "FenraTimeCodeDesc,trackBox as FenraRect)">(),
    Method<AddTimeCodeSample, "AddSample(sample as integer,duration as integer)">(),
    Method<AddTimeCodeZero, "AddSample()">(),
};

}  // namespace

// Each kind's destructor frees its own native, so FenraNewTrack's and the
// root's find the slot empty.
REALclassDefinition gFenraNewTrackClass =
    DefineClass("FenraNewTrack", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>(),
                {.properties = gNewTrackProperties, .methods = gNewTrackMethods});

REALclassDefinition gFenraNewVideoTrackClass =
    DefineClass("FenraNewVideoTrack", "FenraNewTrack", sizeof(NewVideoTrackData),
                InstanceProc<InitVideoData>(), InstanceProc<Destruct<VideoTrackNative>>(),
                {.properties = gVideoProperties, .methods = gVideoMethods});

REALclassDefinition gFenraNewTextTrackClass =
    DefineClass("FenraNewTextTrack", "FenraNewTrack", sizeof(NewTextTrackData),
                InstanceProc<InitTextData>(), InstanceProc<Destruct<TextTrackNative>>(),
                {.properties = gTextProperties, .methods = gTextMethods});

REALclassDefinition gFenraNewSoundTrackClass =
    DefineClass("FenraNewSoundTrack", "FenraNewTrack", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<Destruct<SoundTrackNative>>(), {.methods = gSoundMethods});

REALclassDefinition gFenraNewTimeCodeTrackClass =
    DefineClass("FenraNewTimeCodeTrack", "FenraNewTrack", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<Destruct<TimeCodeTrackNative>>(), {.methods = gTimeCodeMethods});

}  // namespace fenra
