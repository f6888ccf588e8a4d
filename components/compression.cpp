// FenraCompressImage and FenraCompressMovie, and what the three standard
// compressors share: their component, settings, dialogs, preference
// flags and settings files.
#include <cstring>
#include <new>

#include "Events.h"
#include "FixMath.h"
#include "MacMemory.h"
#include "components/compressors.h"
#include "components/service_glue.h"
#include "components/service_settings.h"
#include "movie/container.h"
#include "movie/frame_render.h"
#include "movie/movie.h"
#include "plugin/bridges.h"
#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/host_services.h"
#include "plugin/registration.h"
#include "plugin/settings_file.h"
#include "values/time_range.h"

namespace fenra {

namespace {

constexpr long kPictureFileHeaderSize = 512;
constexpr UInt8 kEscapeKeyCode = 0x35;

bool EscapeWaiting() {
  EventRecord event{};
  if (!EventAvail(keyDownMask, &event) || event.what != keyDown) return false;
  return ((event.message & keyCodeMask) >> 8) == kEscapeKeyCode;
}

}  // namespace

// ---- CompressionService ----

CompressionService::~CompressionService() {
  delete testImage;
}

void CompressionService::Open() {
  OSType subtype = serviceType == kSoundCompressorType ? StandardCompressionSubTypeSound
                                                       : StandardCompressionSubType;
  err = OpenADefaultComponent(StandardCompressionType, subtype, &instance);
  if (err != noErr) instance = nullptr;
  hasGUI = true;
  Reset();
  SetPreferenceFlags(0);
}

void CompressionService::OpenCopyOf(const CompressionService& other) {
  OpenSameComponent(other.instance);
  if (err != noErr) {
    instance = nullptr;
    return;
  }
  hasGUI = true;
  CopySettings(other.settings);
  // The new instance compresses as the other does.
  if (err == noErr && settings != nullptr) err = SCSetSettingsFromAtomContainer(instance, settings);
}

bool CompressionService::ShowDialog() {
  if (!IsValid()) return false;
  ComponentResult result = serviceType == kMovieCompressorType ? SCRequestSequenceSettings(instance)
                                                               : SCRequestImageSettings(instance);
  if (result != noErr) {
    err = noErr;
    return false;
  }
  QTAtomContainer chosen = nullptr;
  err = SCGetSettingsAsAtomContainer(instance, &chosen);
  if (err == noErr) TakeSettings(chosen);
  return true;
}

void CompressionService::GetSettingsAsText(char** text) {
  if (text == nullptr) {
    err = kParamErr;
    return;
  }
  *text = nullptr;
  if (!IsValid()) return;
  Handle handle = nullptr;
  err = SCGetSettingsAsText(instance, &handle);
  if (err != noErr || handle == nullptr) return;
  Size size = 0;
  err = HandleSize(handle, &size);
  if (err == noErr) {
    *text = new (std::nothrow) char[size + 1];
    if (*text == nullptr) {
      err = kNoNativeErr;
    } else {
      std::memcpy(*text, *handle, static_cast<size_t>(size));
      (*text)[size] = '\0';
    }
  }
  DisposeHandle(handle);
}

void CompressionService::Read(const std::string& path) {
  if (!IsValid()) return;
  TakeSettings(nullptr);
  SettingsFile file;
  file.ReadFile(path);
  err = file.err;
  if (err != noErr || file.dataCount == 0) return;
  if (file.TypeCode() != serviceType) {
    err = kFileTypeErr;
  } else {
    Handle package = nullptr;
    SettingsRecord record;
    err = file.GetRecord(1, &package, &record);
    if (err == noErr) {
      TakeSettings(reinterpret_cast<QTAtomContainer>(package));
      if (!record.description.empty()) SetDescription(record.description.c_str());
      err = SCSetSettingsFromAtomContainer(instance, settings);
      SetPreferenceFlags(record.flags);
      if (err == noErr) return;
    } else if (package != nullptr) {
      DisposeHandle(package);
    }
  }
  // The object keeps working with the component's own settings.
  QTAtomContainer current = nullptr;
  if (SCGetSettingsAsAtomContainer(instance, &current) == noErr) TakeSettings(current);
}

void CompressionService::SetPreferenceFlags(int32_t flags) {
  if (!IsValid()) return;
  if (flags == 0) flags = CurrentFlags() | defaultFlags_;
  long value = flags;
  OSErr result = static_cast<OSErr>(SCSetInfo(instance, scPreferenceFlagsType, &value));
  if (result == noErr) preferenceFlags = flags;
  err = result;
}

int32_t CompressionService::CurrentFlags() {
  long flags = 0;
  if (!IsValid() || SCGetInfo(instance, scPreferenceFlagsType, &flags) != noErr) return 0;
  return static_cast<int32_t>(flags);
}

void CompressionService::SetFlag(int32_t bit, bool on) {
  if (!IsValid()) return;
  int32_t flags = CurrentFlags();
  flags = on ? flags | bit : flags & ~bit;
  // 0 would ask for the defaults: a cleared last bit is set directly.
  if (flags == 0) {
    long value = 0;
    err = static_cast<OSErr>(SCSetInfo(instance, scPreferenceFlagsType, &value));
    if (err == noErr) preferenceFlags = 0;
    return;
  }
  SetPreferenceFlags(flags);
}

void CompressionService::PrepareProgress() {
  // The standard display asked for once must not outlive the wish for it,
  // nor show beside a script's routine.
  ICMProgressProcRecord record{};
  if (progress == nullptr && defaultCallback) {
    record.progressProc = reinterpret_cast<ICMProgressUPP>(-1);
  } else if (progress != nullptr && progressAdapter != nullptr) {
    record = ICMProgressProcRecord{progressAdapter, reinterpret_cast<long>(progress)};
  }
  SCSetInfo(instance, scProgressProcType, &record);
}

void CompressionService::SizeDestRect(int width, int height) {
  destRect.rect.right = static_cast<short>(destRect.rect.left + width);
  destRect.rect.bottom = static_cast<short>(destRect.rect.top + height);
}

void ApplyImageSettings(CompressionService* compressor, const ImageDescBase& desc) {
  compressor->err = WriteImageSettings(compressor->settings, kParentAtomIsContainer, desc);
  if (compressor->err != noErr) return;
  compressor->err = SCSetSettingsFromAtomContainer(compressor->instance, compressor->settings);
  compressor->sourceRect.rect = desc.clip;
  const ImageDescription* image = desc.Image();
  compressor->SizeDestRect(image->width, image->height);
}

// ---- ImageCompressor ----

void ImageCompressor::Reset() {
  typeText[0] = '\0';
  if (!IsValid()) return;
  defaultFileType = serviceType;
  if (settings == nullptr) err = SCGetSettingsAsAtomContainer(instance, &settings);
  defaultFileCreator = kServiceCreator;
  fileCreator = defaultFileCreator;
  ImageDescNative desc;
  if (ReadImageSettings(settings, kParentAtomIsContainer, &desc)) {
    fileType = desc.Image()->cType;
    SizeDestRect(desc.Image()->width, desc.Image()->height);
  } else {
    fileType = defaultFileType;
  }
}

void ImageCompressor::SetProgress(const ProgressCallbackNative* callback) {
  ComponentService::SetProgress(callback);
  if (!IsValid()) return;
  if (progress != nullptr) {
    progressAdapter = ImageProgressAdapter;
    ICMProgressProcRecord record{progressAdapter, reinterpret_cast<long>(progress)};
    err = SCSetInfo(instance, scProgressProcType, &record);
  } else {
    progressAdapter = nullptr;
    err = SCSetInfo(instance, scProgressProcType, nullptr);
  }
}

void ImageCompressor::CompressToHandle(GWorldPtr world, Handle* data,
                                       ImageDescriptionHandle* descOut) {
  if (!IsValid()) return;
  PixMapHandle pixels = world != nullptr ? GetGWorldPixMap(world) : nullptr;
  if (data == nullptr || pixels == nullptr) {
    err = kParamErr;
    return;
  }
  PrepareProgress();
  Rect bounds = (*pixels)->bounds;
  RectNative whole;
  whole.rect = bounds;
  Rect source = bounds;
  if (sourceRect.IsValid() && RectIsInside(&sourceRect, &whole, false)) source = sourceRect.rect;
  ImageDescriptionHandle desc = nullptr;
  *data = nullptr;
  err = SCCompressImage(instance, pixels, &source, &desc, data);
  if (err != noErr && *data != nullptr) {
    DisposeHandle(*data);
    *data = nullptr;
  }
  if (err == noErr && descOut != nullptr) {
    *descOut = desc;
    desc = nullptr;
  }
  if (desc != nullptr) DisposeHandle(reinterpret_cast<Handle>(desc));
}

namespace {

OSErr WritePictureFile(PicHandle picture, const FSSpec& spec, OSType type) {
  Size size = GetHandleSize(reinterpret_cast<Handle>(picture));
  FSpDelete(&spec);
  if (OSErr err = FSpCreate(&spec, kServiceCreator, type, 0)) return err;
  short file = 0;
  OSErr err = FSpOpenDF(&spec, fsRdWrPerm, &file);
  if (err != noErr) return err;
  static const char kHeader[kPictureFileHeaderSize] = {};
  long count = kPictureFileHeaderSize;
  err = FSWrite(file, &count, kHeader);
  if (err == noErr) {
    count = size;
    HLock(reinterpret_cast<Handle>(picture));
    err = FSWrite(file, &count, *picture);
    HUnlock(reinterpret_cast<Handle>(picture));
  }
  if (err == noErr) err = SetEOF(file, kPictureFileHeaderSize + size);
  OSErr closed = FSClose(file);
  if (err == noErr) err = closed;
  if (err != noErr) FSpDelete(&spec);
  return err;
}

constexpr Size kEmptyPictureSize = 10;

}  // namespace

void ImageCompressor::CompressToPictureFile(GWorldPtr world, const FSSpec& spec) {
  Handle data = nullptr;
  ImageDescriptionHandle desc = nullptr;
  CompressToHandle(world, &data, &desc);
  if (data == nullptr) {
    if (desc != nullptr) DisposeHandle(reinterpret_cast<Handle>(desc));
    return;
  }
  if (GetHandleSize(data) < (*desc)->dataSize) {
    err = 50;
  } else {
    Rect frame{0, 0, (*desc)->height, (*desc)->width};
    if (destRect.IsValid()) frame = destRect.rect;
    CGrafPtr port = nullptr;
    GDHandle device = nullptr;
    GetGWorld(&port, &device);
    SetGWorld(world, nullptr);
    PicHandle picture = OpenPicture(&frame);
    HLock(data);
    err = DecompressImage(*data, desc, GetGWorldPixMap(world), nullptr, &frame, srcCopy, nullptr);
    HUnlock(data);
    ClosePicture();
    SetGWorld(port, device);
    if (picture != nullptr) {
      if (err == noErr) {
        err = GetHandleSize(reinterpret_cast<Handle>(picture)) <= kEmptyPictureSize
                  ? 50
                  : WritePictureFile(picture, spec, fileType);
      }
      KillPicture(picture);
    } else if (err == noErr) {
      err = QDError();
    }
  }
  DisposeHandle(reinterpret_cast<Handle>(desc));
  DisposeHandle(data);
}

// ---- MovieCompressor ----

void MovieCompressor::Reset() {
  typeText[0] = '\0';
  if (!IsValid()) return;
  defaultFileType = serviceType;
  defaultFileCreator = kServiceCreator;
  fileCreator = kServiceCreator;
  fileType = defaultFileType;
  ImageDescCompNative desc;
  if (settings != nullptr) {
    if (ReadImageSettings(settings, kParentAtomIsContainer, &desc)) {
      SizeDestRect(desc.Image()->width, desc.Image()->height);
    }
    return;
  }
  err = SCGetSettingsAsAtomContainer(instance, &settings);
  if (err != noErr) return;
  if (!ReadImageSettings(settings, kParentAtomIsContainer, &desc)) return;
  SizeDestRect(desc.Image()->width, desc.Image()->height);
  desc.Image()->temporalQuality = codecNormalQuality;
  desc.frameRate = Long2Fix(25);
  desc.keyFrameRate = desc.dataRate = desc.sampleDuration = 0;
  err = WriteImageSettings(settings, kParentAtomIsContainer, desc);
  if (err == noErr) err = SCSetSettingsFromAtomContainer(instance, settings);
}

void MovieCompressor::SetPreferenceFlags(int32_t flags) {
  // The movie compressor keeps the result of its last real operation.
  int32_t kept = err;
  CompressionService::SetPreferenceFlags(flags);
  err = kept;
}

Movie NewSegmentMovie(Movie movie, Track track, const TimeRangeNative* range, OSErr* err) {
  Movie segment = NewMovie(newMovieActive);
  if (segment == nullptr) {
    *err = invalidMovie;
    return nullptr;
  }
  bool whole = range == nullptr || !range->IsValid();
  if (track == nullptr) {
    TimeValue start = whole ? 0 : range->start;
    TimeValue length = whole ? GetMovieDuration(movie) : range->length;
    *err = InsertMovieSegment(movie, segment, start, length, 0);
    return segment;
  }
  Fixed width = 0, height = 0;
  GetTrackDimensions(track, &width, &height);
  Track copy = NewMovieTrack(segment, width, height, GetTrackVolume(track));
  // The copy's media, which the inserted segment refers to.
  NewTrackMedia(copy, TrackMediaType(track), GetMediaTimeScale(GetTrackMedia(track)), nullptr, 0);
  *err = GetMoviesError();
  if (*err == noErr) {
    TimeValue start = whole ? 0 : range->start;
    TimeValue length = whole ? GetTrackDuration(track) : range->length;
    *err = InsertTrackSegment(track, copy, start, length, 0);
  }
  if (*err == noErr) CopyTrackSettings(track, copy);
  return segment;
}

namespace {

// One movie compression run: what the steps share, released in one place.
struct MovieRun {
  Movie movie = nullptr;  // borrowed
  TimeValue duration = 0;
  long frames = 0;
  TimeValue frameDuration = 0;
  TimeValue step = 0;
  Fixed frameRate = 0;
  Rect bounds{};
  Rect destination{};
  FrameBuffer* world = nullptr;
  short fileRef = 0;
  Movie newMovie = nullptr;
  Track track = nullptr;
  Media media = nullptr;
  bool cancelled = false;

  ~MovieRun() { delete world; }
};

long VideoSampleCount(Movie movie) {
  long count = 0;
  OSType video = VideoMediaType;
  TimeValue t = 0;
  short flags = nextTimeMediaSample | nextTimeEdgeOK;
  for (;;) {
    TimeValue next = -1;
    GetMovieNextInterestingTime(movie, flags, 1, &video, t, 0, &next, nullptr);
    if (GetMoviesError() != noErr || next < 0) break;
    ++count;
    if (next <= t && count > 1) break;
    t = next;
    flags = nextTimeMediaSample;
  }
  return count;
}

// The highest sound sample rate of the movie's sound tracks, 0 without.
OSErr HighestSoundRate(Movie movie, long* rate) {
  *rate = 0;
  long count = GetMovieTrackCount(movie);
  for (long i = 1; i <= count; ++i) {
    Track track = GetMovieIndTrack(movie, i);
    if (track == nullptr || TrackMediaType(track) != SoundMediaType) continue;
    SoundDescriptionHandle desc = reinterpret_cast<SoundDescriptionHandle>(NewHandle(0));
    if (desc == nullptr) return MemError();
    GetMediaSampleDescription(GetTrackMedia(track), 1,
                              reinterpret_cast<SampleDescriptionHandle>(desc));
    OSErr err = GetMoviesError();
    if (err == noErr && GetHandleSize(reinterpret_cast<Handle>(desc)) >=
                            static_cast<Size>(sizeof(SoundDescription))) {
      long r = static_cast<long>((*desc)->sampleRate >> 16);
      if (r > *rate) *rate = r;
    }
    DisposeHandle(reinterpret_cast<Handle>(desc));
    if (err != noErr) return err;
  }
  return noErr;
}

}  // namespace

void MovieCompressor::CompressMovie(Movie movie, const FSSpec& spec) {
  MovieRun r;
  r.movie = movie;
  r.duration = GetMovieDuration(movie);
  r.frames = VideoSampleCount(movie);
  if (r.frames <= 0) {
    err = invalidMovie;
    return;
  }
  GetMovieNaturalBoundsRect(movie, &r.bounds);
  SCTemporalSettings temporal{};
  err = SCGetInfo(instance, scTemporalSettingsType, &temporal);
  if (err != noErr) return;
  r.frameRate = temporal.frameRate;
  if (r.frameRate != 0) {
    TimeScale scale = GetMovieTimeScale(movie);
    if (scale <= 0) {
      err = invalidMovie;
      return;
    }
    float product = static_cast<float>(r.frameRate) * static_cast<float>(r.duration);
    auto frames = static_cast<long>(product / static_cast<float>(scale) / 65536.0f);
    r.frames = frames < 1 ? 1 : frames;
    r.frameDuration = r.duration / static_cast<TimeValue>(r.frames);
    r.step = r.frames > 1 ? r.duration / static_cast<TimeValue>(r.frames - 1) : 0;
  }
  PrepareProgress();
  SCDataRateSettings rate{};
  if (SCGetInfo(instance, scDataRateSettingsType, &rate) == noErr && rate.dataRate != 0) {
    long soundRate = 0;
    err = HighestSoundRate(movie, &soundRate);
    if (err != noErr) return;
    rate.dataRate -= soundRate;
    err = SCSetInfo(instance, scDataRateSettingsType, &rate);
    if (err != noErr) return;
  }
  RectNative bounds;
  bounds.rect = r.bounds;
  Rect source = sourceRect.IsValid() && RectIsInside(&sourceRect, &bounds, false) ? sourceRect.rect
                                                                                  : r.bounds;
  r.destination = destRect.IsValid() ? destRect.rect : r.bounds;
  MatrixRecord matrix;
  RectMatrix(&matrix, &source, &r.destination);
  SetMovieMatrix(movie, &matrix);
  r.world = new (std::nothrow) FrameBuffer(r.destination);
  if (r.world == nullptr) {
    err = kNoNativeErr;
    return;
  }
  if (!r.world->IsValid()) {
    err = r.world->err;
    return;
  }
  CGrafPtr port = nullptr;
  GDHandle device = nullptr;
  GetGWorld(&port, &device);
  SetGWorld(r.world->world, nullptr);
  EraseRect(&r.destination);
  SetGWorld(port, device);
  SetMovieGWorld(movie, r.world->world, GetGWorldDevice(r.world->world));
  err = GetMoviesError();
  if (err != noErr) return;
  PixMapHandle pixels = r.world->PixMap();
  ImageDescriptionHandle description = nullptr;
  err = SCCompressSequenceBegin(instance, pixels, nullptr, &description);
  if (err != noErr) return;

  err = CreateMovieFile(&spec, kServiceCreator, smCurrentScript, createMovieFileDeleteCurFile,
                        &r.fileRef, &r.newMovie);
  if (err == noErr && r.newMovie == nullptr) err = kNoNativeErr;
  // From here on a failure deletes the destination, also when the file
  // was made but its creation still answered an error.
  bool created = true;
  if (err == noErr) {
    CopyMovieSettings(movie, r.newMovie);
    MatrixRecord identity;
    SetIdentityMatrix(&identity);
    SetMovieMatrix(r.newMovie, &identity);
    SetMovieClipRgn(r.newMovie, nullptr);
    Fixed width = Long2Fix(r.destination.right - r.destination.left);
    Fixed height = Long2Fix(r.destination.bottom - r.destination.top);
    r.track = NewMovieTrack(r.newMovie, width, height, 0);
    if (r.track != nullptr) {
      r.media = NewTrackMedia(r.track, VideoMediaType, GetMovieTimeScale(movie), nullptr, 0);
    }
    err = GetMoviesError();
    if (err == noErr) err = BeginMediaEdits(r.media);
  }
  bool editing = err == noErr;
  TimeValue time = 0;
  TimeScale scale = GetMovieTimeScale(movie);
  for (long i = 0; editing && i < r.frames; ++i) {
    if (EscapeWaiting()) {
      r.cancelled = true;
      break;
    }
    TimeValue sampleDuration = r.frameDuration;
    if (r.frameRate != 0) {
      time = static_cast<TimeValue>(i * r.step);
    } else {
      short flags = nextTimeMediaSample | (i == 0 ? nextTimeEdgeOK : 0);
      OSType video = VideoMediaType;
      TimeValue next = 0;
      GetMovieNextInterestingTime(movie, flags, 1, &video, time, 0, &next, &sampleDuration);
      if (next >= 0) time = next;
    }
    SetMovieTimeValue(movie, time);
    MoviesTask(movie, 0);
    SCDataRateSettings frameRate{};
    if (scale > 0 && SCGetInfo(instance, scDataRateSettingsType, &frameRate) == noErr) {
      frameRate.frameDuration = static_cast<long>(int64_t{sampleDuration} * 1000 / scale);
      SCSetInfo(instance, scDataRateSettingsType, &frameRate);
    }
    Handle data = nullptr;
    long size = 0;
    short syncFlag = 0;
    err = SCCompressSequenceFrame(instance, pixels, nullptr, &data, &size, &syncFlag);
    if (err == noErr) {
      err = AddMediaSample(r.media, data, 0, size, sampleDuration,
                           reinterpret_cast<SampleDescriptionHandle>(description), 1, syncFlag,
                           nullptr);
    }
    if (progress != nullptr && progress->proc != nullptr) {
      progress->proc(static_cast<double>(i) / static_cast<double>(r.frames), progress->refCon, err);
    }
    if (err != noErr) break;
  }
  if (editing && progress != nullptr && progress->proc != nullptr) {
    progress->proc(1.0, progress->refCon, err);
  }
  OSErr ended = SCCompressSequenceEnd(instance);
  if (err == noErr) err = ended;
  if (editing) {
    OSErr mediaEnded = EndMediaEdits(r.media);
    if (err == noErr) err = mediaEnded;
  }
  if (err == noErr && !r.cancelled) {
    err = InsertMediaIntoTrack(r.track, 0, 0, GetMediaDuration(r.media), fixed1);
  }
  if (err == noErr && !r.cancelled) err = CopySoundTracks(movie, r.newMovie);
  if (r.newMovie != nullptr) {
    if (err == noErr && !r.cancelled && HasMovieChanged(r.newMovie)) {
      err = UpdateMovieResource(r.newMovie, r.fileRef, movieInDataForkResID, nullptr);
    }
    DisposeMovie(r.newMovie);
  }
  if (r.fileRef != 0) CloseMovieFile(r.fileRef);
  if (created && (r.cancelled || err != noErr)) DeleteMovieFile(&spec);
}

// ---- The image sources of the image compressor ----

namespace {

// A new world (owned by the caller) holding the image file drawn at its
// natural bounds; null with *err set on failure.
FrameBuffer* ImportImageFile(const FSSpec& spec, OSErr* err) {
  ComponentInstance importer = nullptr;
  *err = GetGraphicsImporterForFile(&spec, &importer);
  if (*err != noErr || importer == nullptr) {
    if (*err == noErr) *err = kParamErr;
    return nullptr;
  }
  Rect bounds{};
  FrameBuffer* world = nullptr;
  *err = static_cast<OSErr>(GraphicsImportGetNaturalBounds(importer, &bounds));
  if (*err == noErr) {
    world = new (std::nothrow) FrameBuffer(bounds);
    if (world == nullptr) {
      *err = kNoNativeErr;
    } else if (!world->IsValid()) {
      *err = static_cast<OSErr>(world->err);
    } else {
      *err = static_cast<OSErr>(GraphicsImportSetGWorld(importer, world->world, nullptr));
      if (*err == noErr) *err = static_cast<OSErr>(GraphicsImportDraw(importer));
    }
    if (*err != noErr) {
      delete world;
      world = nullptr;
    }
  }
  CloseComponent(importer);
  return world;
}

// A new world holding the picture at its own size.
FrameBuffer* PictureWorld(REALpicture picture, OSErr* err) {
  short width = 0, height = 0;
  PictureSize(picture, &width, &height);
  Rect bounds{0, 0, height, width};
  auto* world = new (std::nothrow) FrameBuffer(bounds);
  if (world == nullptr) {
    *err = kNoNativeErr;
    return nullptr;
  }
  *err = static_cast<OSErr>(world->err);
  if (*err == noErr) *err = DrawPictureInGWorld(picture, world->world);
  if (*err != noErr) {
    delete world;
    return nullptr;
  }
  return world;
}

// The movie's frame at `time` in a new world.
FrameBuffer* MovieFrameWorld(REALobject movieObject, RBInteger time, OSErr* err) {
  MovieNative* movie = MovieNativeOf(movieObject);
  if (movie == nullptr || movie->movie == nullptr) {
    *err = invalidMovie;
    return nullptr;
  }
  SetMovieTimeValue(movie->movie, static_cast<TimeValue>(time));
  return RenderMovieFrame(movie->movie, nullptr, err);
}

// ---- Glue shared by the image and movie compressors ----

void DestroyImageCompressor(REALobject instance) {
  DestroyNative<ImageCompressor>(instance);
}
void DestroyMovieCompressor(REALobject instance) {
  DestroyNative<MovieCompressor>(instance);
}

template <class T>
void NewCompressor(REALobject instance) {
  auto* native = new (std::nothrow) T;
  if (native == nullptr) return;
  native->Open();
  SetNative(instance, native);
}

template <class T>
void NewCompressorFromFile(REALobject instance, REALfolderItem file) {
  if (file == nullptr) {
    NewCompressor<T>(instance);
    return;
  }
  auto* native = new (std::nothrow) T;
  if (native == nullptr) return;
  native->Open();
  std::string path = FolderItemPath(file);
  if (native->IsValid()) {
    native->Read(path);
    int32_t read = native->err;
    native->Reset();
    if (read != noErr) native->err = read;
  }
  SetNative(instance, native);
}

void NewImageCopy(REALobject instance, REALobject other) {
  if (other == nullptr) return;
  auto* source = ServiceAs<ImageCompressor>(other);
  if (source == nullptr) return;
  auto* native = new (std::nothrow) ImageCompressor;
  if (native == nullptr) return;
  native->OpenCopyOf(*source);
  native->Reset();
  native->SetPreferenceFlags(0);
  SetNative(instance, native);
}

void NewMovieCopy(REALobject instance, REALobject other) {
  if (other == nullptr) return;
  auto* source = ServiceAs<MovieCompressor>(other);
  if (source == nullptr) return;
  auto* native = new (std::nothrow) MovieCompressor;
  if (native == nullptr) return;
  native->OpenCopyOf(*source);
  native->sourceRect.rect = source->sourceRect.rect;
  native->destRect.rect = source->destRect.rect;
  if (source->testImage != nullptr && source->testImage->IsValid()) {
    native->testImage = new (std::nothrow) FrameBuffer(source->testImage->bounds);
    if (native->testImage != nullptr && native->testImage->IsValid()) {
      CopyBits(GetPortBitMapForCopyBits(source->testImage->world),
               GetPortBitMapForCopyBits(native->testImage->world), &source->testImage->bounds,
               &native->testImage->bounds, srcCopy, nullptr);
    }
  }
  SetNative(instance, native);
}

// The image description of the settings, for imageSettings.
template <class Desc>
REALobject GetImageSettings(REALobject instance, const char* className) {
  auto* service = dynamic_cast<CompressionService*>(ValidServiceOf(instance));
  if (service == nullptr) return nullptr;
  auto* desc = new (std::nothrow) Desc;
  if (desc == nullptr) return nullptr;
  if (!ReadImageSettings(service->settings, kParentAtomIsContainer, desc)) {
    delete desc;
    return nullptr;
  }
  if (service->sourceRect.IsValid()) desc->clip = service->sourceRect.rect;
  REALobject object = NewInstanceOf(className);
  if (object == nullptr) {
    delete desc;
    return nullptr;
  }
  AttachNative(object, desc, false);
  return object;
}

template <class Desc>
void SetImageSettings(REALobject instance, REALobject value) {
  auto* service = dynamic_cast<CompressionService*>(ValidServiceOf(instance));
  if (service == nullptr || value == nullptr) return;
  auto* desc = dynamic_cast<Desc*>(GetNativeObject(value));
  if (desc == nullptr || !desc->IsValid()) {
    service->err = kParamErr;
    return;
  }
  ApplyImageSettings(service, *desc);
}

REALobject GetImageDesc(REALobject instance, intptr_t) {
  return GetImageSettings<ImageDescNative>(instance, "FenraImageDesc");
}
void SetImageDesc(REALobject instance, intptr_t, REALobject value) {
  SetImageSettings<ImageDescNative>(instance, value);
}
REALobject GetImageDescComp(REALobject instance, intptr_t) {
  return GetImageSettings<ImageDescCompNative>(instance, "FenraImageDescComp");
}
void SetImageDescComp(REALobject instance, intptr_t, REALobject value) {
  SetImageSettings<ImageDescCompNative>(instance, value);
}

}  // namespace

RBBoolean GetPreferenceFlag(REALobject instance, intptr_t bit) {
  auto* service = dynamic_cast<CompressionService*>(ValidServiceOf(instance));
  return service != nullptr && (service->CurrentFlags() & bit) != 0;
}

void SetPreferenceFlag(REALobject instance, intptr_t bit, RBBoolean on) {
  auto* service = dynamic_cast<CompressionService*>(ValidServiceOf(instance));
  if (service != nullptr) service->SetFlag(static_cast<int32_t>(bit), on != 0);
}

namespace {

REALpicture GetTestImage(REALobject instance, intptr_t) {
  auto* service = dynamic_cast<CompressionService*>(ServiceOf(instance));
  if (service == nullptr || service->testImage == nullptr || !service->testImage->IsValid()) {
    return nullptr;
  }
  return host::REALBuildPictureFromGWorld(service->testImage->world, false);
}

void SetTestImage(REALobject instance, intptr_t, REALpicture picture) {
  auto* service = dynamic_cast<CompressionService*>(ValidServiceOf(instance));
  if (service == nullptr) return;
  delete service->testImage;
  service->testImage = nullptr;
  OSErr err = kParamErr;
  if (picture != nullptr) service->testImage = PictureWorld(picture, &err);
  if (service->testImage == nullptr) {
    service->err = err;
    SCSetTestImagePixMap(service->instance, nullptr, nullptr, 0);
    return;
  }
  service->err = SCSetTestImagePixMap(service->instance, service->testImage->PixMap(), nullptr,
                                      scPreferScalingAndCropping);
}

// Runs `compress` on a world when the destination converts.
ImageCompressor* ImageWithDestination(REALobject instance, REALfolderItem dst, FSSpec* spec) {
  auto* native = ServiceAs<ImageCompressor>(instance);
  if (native == nullptr || !native->IsValid() || dst == nullptr) return nullptr;
  if (OSErr err = FolderItemToFSSpec(dst, spec)) {
    native->err = err;
    return nullptr;
  }
  return native;
}

void CompressWorldToFile(ImageCompressor* native, FrameBuffer* world, OSErr err,
                         const FSSpec& spec) {
  if (world == nullptr) {
    native->err = err;
    return;
  }
  native->CompressToPictureFile(world->world, spec);
  delete world;
}

void ImageFileToFile(REALobject instance, REALfolderItem src, REALfolderItem dst) {
  FSSpec spec{};
  ImageCompressor* native = ImageWithDestination(instance, dst, &spec);
  if (native == nullptr || src == nullptr) return;
  FSSpec source{};
  OSErr err = FolderItemToFSSpec(src, &source);
  FrameBuffer* world = err == noErr ? ImportImageFile(source, &err) : nullptr;
  CompressWorldToFile(native, world, err, spec);
}

void PictureToFile(REALobject instance, REALpicture picture, REALfolderItem dst) {
  FSSpec spec{};
  ImageCompressor* native = ImageWithDestination(instance, dst, &spec);
  if (native == nullptr || picture == nullptr) return;
  OSErr err = noErr;
  FrameBuffer* world = PictureWorld(picture, &err);
  CompressWorldToFile(native, world, err, spec);
}

void MovieFrameToFile(REALobject instance, REALobject movie, RBInteger time, REALfolderItem dst) {
  FSSpec spec{};
  ImageCompressor* native = ImageWithDestination(instance, dst, &spec);
  if (native == nullptr || movie == nullptr) return;
  OSErr err = noErr;
  FrameBuffer* world = MovieFrameWorld(movie, time, &err);
  CompressWorldToFile(native, world, err, spec);
}

void PictureToBuffer(REALobject instance, REALpicture picture, REALmemoryBlock* buffer,
                     REALobject* imageSettings) {
  auto* native = ServiceAs<ImageCompressor>(instance);
  if (native == nullptr || !native->IsValid() || picture == nullptr) return;
  OSErr err = noErr;
  FrameBuffer* world = PictureWorld(picture, &err);
  if (world == nullptr) {
    native->err = err;
    return;
  }
  Handle data = nullptr;
  ImageDescriptionHandle desc = nullptr;
  native->CompressToHandle(world->world, &data, &desc);
  delete world;
  if (data != nullptr && desc != nullptr) {
    Size size = GetHandleSize(data);
    REALmemoryBlock block = host::newMemoryBlock(size);
    auto* descNative = new (std::nothrow) ImageDescNative;
    REALobject descObject = descNative != nullptr ? NewInstanceOf("FenraImageDesc") : nullptr;
    if (block == nullptr || descObject == nullptr) {
      native->err = kNoNativeErr;
      delete descNative;
    } else {
      std::memcpy(host::memoryBlockGetPtr(block), *data, static_cast<size_t>(size));
      descNative->record = reinterpret_cast<Handle>(desc);
      desc = nullptr;
      AttachNative(descObject, descNative, false);
      if (buffer != nullptr) *buffer = block;
      if (imageSettings != nullptr) *imageSettings = descObject;
    }
  }
  if (data != nullptr) DisposeHandle(data);
  if (desc != nullptr) DisposeHandle(reinterpret_cast<Handle>(desc));
}

void CompressMovieOrTrack(REALobject instance, Movie movie, Track track, REALobject range,
                          REALfolderItem dst) {
  auto* native = ServiceAs<MovieCompressor>(instance);
  if (native == nullptr || !native->IsValid()) return;
  if (track == nullptr &&
      (movie == nullptr || !MovieHasCharacteristic(movie, VisualMediaCharacteristic))) {
    native->err = invalidMovie;
    return;
  }
  if (track != nullptr && TrackMediaType(track) != VideoMediaType) {
    native->err = invalidTrack;
    return;
  }
  if (dst == nullptr) {
    native->err = kParamErr;
    return;
  }
  FSSpec spec{};
  if (OSErr err = FolderItemToFSSpec(dst, &spec)) {
    native->err = err;
    return;
  }
  OSErr err = noErr;
  const TimeRangeNative* r = range != nullptr ? GetNative<TimeRangeNative>(range) : nullptr;
  Movie segment = NewSegmentMovie(track != nullptr ? nullptr : movie, track, r, &err);
  if (segment == nullptr) {
    native->err = invalidMovie;
    return;
  }
  if (err == noErr) {
    native->CompressMovie(segment, spec);
  } else {
    native->err = err;
  }
  DisposeMovie(segment);
}

void CompressMovieToFile(REALobject instance, REALobject movie, REALobject range,
                         REALfolderItem dst) {
  MovieNative* source = movie != nullptr ? MovieNativeOf(movie) : nullptr;
  CompressMovieOrTrack(instance, source != nullptr ? source->movie : nullptr, nullptr, range, dst);
}

void CompressTrackToFile(REALobject instance, REALobject trackObject, REALobject range,
                         REALfolderItem dst) {
  auto* native = ServiceAs<MovieCompressor>(instance);
  if (native == nullptr || !native->IsValid()) return;
  Track track = trackObject != nullptr ? TrackOfObject(trackObject) : nullptr;
  if (track == nullptr) {
    native->err = invalidTrack;
    return;
  }
  CompressMovieOrTrack(instance, nullptr, track, range, dst);
}

REALproperty gImageProperties[] = {
    Property<"imageSettings", "FenraImageDesc", GetImageDesc, SetImageDesc>(0),
    Property<"dlgShowBestDepth", "boolean", GetPreferenceFlag, SetPreferenceFlag>(scShowBestDepth),
    Property<"dlgIsMovableModal", "boolean", GetPreferenceFlag, SetPreferenceFlag>(
        scUseMovableModal),
    Property<"dlgImage", "picture", GetTestImage, SetTestImage>(0),
};

REALmethodDefinition gImageMethods[] = {
    Method<NewCompressor<ImageCompressor>, "FenraCompressImage()">(),
    Method<NewImageCopy, "FenraCompressImage(compressor as FenraCompressImage)">(),
    Method<NewCompressorFromFile<ImageCompressor>, "FenraCompressImage(fSettings as folderitem)">(),
    Method<ImageFileToFile, "DoService(src as folderitem,dst as folderitem)">(),
    Method<PictureToFile, "DoService(p as picture,dst as folderitem)">(),
    Method<PictureToBuffer,
           "DoService(p as picture,byref buffer as memoryblock,byref imageSettings as "
           "FenraImageDesc)">(),
    Method<MovieFrameToFile, "DoService(m as FenraMovie,tm as integer,dst as folderitem)">(),
};

REALproperty gMovieProperties[] = {
    Property<"imageSettings", "FenraImageDescComp", GetImageDescComp, SetImageDescComp>(0),
    Property<"dlgShowBestDepth", "boolean", GetPreferenceFlag, SetPreferenceFlag>(scShowBestDepth),
    Property<"dlgIsMovableModal", "boolean", GetPreferenceFlag, SetPreferenceFlag>(
        scUseMovableModal),
    Property<"dlgFrameRateDisabled", "boolean", GetPreferenceFlag, SetPreferenceFlag>(
        scDisableFrameRateItem),
    Property<"dlgZeroFrameRateEnabled", "boolean", GetPreferenceFlag, SetPreferenceFlag>(
        scAllowZeroFrameRate),
    Property<"dlgDataRateAsKilobits", "boolean", GetPreferenceFlag, SetPreferenceFlag>(
        scShowDataRateAsKilobits),
    Property<"dlgZeroKeyFrameRateEnabled", "boolean", GetPreferenceFlag, SetPreferenceFlag>(
        scAllowZeroKeyFrameRate),
    Property<"dlgImage", "picture", GetTestImage, SetTestImage>(0),
};

REALmethodDefinition gMovieMethods[] = {
    Method<NewCompressor<MovieCompressor>, "FenraCompressMovie()">(),
    Method<NewMovieCopy, "FenraCompressMovie(compressor as FenraCompressMovie)">(),
    Method<NewCompressorFromFile<MovieCompressor>, "FenraCompressMovie(fSettings as folderitem)">(),
    Method<CompressMovieToFile,
           "DoService(m as FenraMovie,tmSel as FenraTimeRange,dst as folderitem)">(),
    Method<CompressTrackToFile,
           "DoService(tk as FenraTrack,tmSel as FenraTimeRange,dst as folderitem)">(),
};

}  // namespace

REALclassDefinition gFenraCompressImageClass =
    DefineClass("FenraCompressImage", "FenraComponentService", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<DestroyImageCompressor>(),
                {.properties = gImageProperties, .methods = gImageMethods});

REALclassDefinition gFenraCompressMovieClass =
    DefineClass("FenraCompressMovie", "FenraComponentService", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<DestroyMovieCompressor>(),
                {.properties = gMovieProperties, .methods = gMovieMethods});

}  // namespace fenra
