// Compressing video into movies: a new video track of one picture, and
// the recompression of a movie's video (with its sound carried over) into
// a new movie file, frame by frame through a compression sequence, with
// the escape key as a way out.
#include <cmath>
#include <cstdint>
#include <utility>

#include "FixMath.h"
#include "ImageCompression.h"
#include "MacMemory.h"
#include "Movies.h"
#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "functions/editing_support.h"
#include "functions/module_result.h"
#include "functions/video_frames.h"
#include "movie/container.h"
#include "movie/movie.h"
#include "movie/sample_desc.h"
#include "plugin/bridges.h"
#include "plugin/glue.h"

namespace fenra {
namespace {

// Frames are compressed asynchronously if the codec can, with no
// completion procedure: the call answers when the frame is done.
const auto kNoCompletion = reinterpret_cast<ICMCompletionProcRecordPtr>(-1);

constexpr OSType kCreator = 'TVOD';
constexpr OSType kDefaultCodec = 'cvid';
constexpr TimeScale kOneSampleTimeScale = 600;

// What the script asked for.
struct RecompressParams {
  short depth = 0;
  OSType codecType = kDefaultCodec;
  CompressorComponent codec = nullptr;  // any
  CodecQ spatialQuality = 0;
  CodecQ temporalQuality = 0;
  float frameRate = 0;  // 0: keep the source's frame times
  long keyFrameRate = 0;
  const Rect* region = nullptr;  // none: the whole movie box
};

// Everything one recompression holds, released on every path.
struct Recompression {
  Recompression() = default;
  Recompression(const Recompression&) = delete;
  Recompression& operator=(const Recompression&) = delete;
  ~Recompression() {
    if (world != nullptr) DisposeGWorld(world);
    if (fileRef != 0) CloseMovieFile(fileRef);
    if (newMovie != nullptr) DisposeMovie(newMovie);
    if (deleteFile) DeleteMovieFile(&spec);
    if (buffer != nullptr) {
      HUnlock(buffer);
      DisposeHandle(buffer);
    }
    if (description != nullptr) DisposeHandle(description);
    if (copy != nullptr) DisposeMovie(copy);
  }

  FSSpec spec{};
  Movie copy = nullptr;
  GWorldPtr world = nullptr;
  short fileRef = 0;
  Movie newMovie = nullptr;
  bool deleteFile = false;  // the new file is incomplete
  Handle description = nullptr;
  Handle buffer = nullptr;
  ImageSequence sequence = 0;
  Track track = nullptr;
  Media media = nullptr;
  Rect box{0, 0, 0, 0};
  Rect rect{0, 0, 0, 0};
  TimeValue duration = 0;
  long frames = 0;
  TimeValue frameDuration = 0;
  bool cancelled = false;
};

// Starts the world from the movie's poster, when it has one.
void DrawPoster(Recompression& r) {
  PicHandle poster = GetMoviePosterPict(r.copy);
  if (poster == nullptr) return;
  CGrafPtr port = nullptr;
  GDHandle device = nullptr;
  GetGWorld(&port, &device);
  SetGWorld(r.world, nullptr);
  EraseRect(&r.box);
  DrawPicture(poster, &r.box);
  SetGWorld(port, device);
  KillPicture(poster);
}

// The frame count and duration for a frame rate: the count is computed in
// single precision, as the rate's Fixed value times the duration over the
// time scale. False when no frame is to be made.
bool FramesAtRate(Recompression& r, float frameRate) {
  Fixed rate = 0;
  if (!DoubleToFixed(frameRate, &rate)) return false;
  auto product = static_cast<float>(static_cast<float>(rate) * static_cast<float>(r.duration));
  TimeScale scale = GetMovieTimeScale(r.copy);
  if (scale <= 0) return false;
  auto frames = static_cast<long>(product / static_cast<float>(scale) / 65536.0f);
  if (frames == 0) frames = 1;
  if (frames <= 0) return false;
  r.frames = frames;
  r.frameDuration = r.duration / static_cast<TimeValue>(frames);
  return true;
}

// The new movie file with its video track, media being edited.
OSErr BeginNewMovie(Recompression& r) {
  OSErr err =
      CreateMovieFile(&r.spec, kCreator, 0, createMovieFileDeleteCurFile, &r.fileRef, &r.newMovie);
  if (r.fileRef != 0 || r.newMovie != nullptr) r.deleteFile = true;
  if (err != noErr) return err;
  Fixed width = static_cast<Fixed>(static_cast<uint32_t>(r.rect.right - r.rect.left) << 16);
  Fixed height = static_cast<Fixed>(static_cast<uint32_t>(r.rect.bottom - r.rect.top) << 16);
  r.track = NewMovieTrack(r.newMovie, width, height, 0);
  if (OSErr e = GetMoviesError()) return e;
  r.media = NewTrackMedia(r.track, VideoMediaType, GetMovieTimeScale(r.copy), nullptr, 0);
  if (OSErr e = GetMoviesError()) return e;
  CopyMovieSettings(r.copy, r.newMovie);
  MatrixRecord identity;
  SetIdentityMatrix(&identity);
  SetMovieMatrix(r.newMovie, &identity);
  SetMovieClipRgn(r.newMovie, nullptr);
  return BeginMediaEdits(r.media);
}

OSErr BeginSequence(Recompression& r, const RecompressParams& p) {
  r.description = NewHandle(4);
  if (r.description == nullptr) return MemError();
  return CompressSequenceBegin(&r.sequence, GetGWorldPixMap(r.world), nullptr, &r.rect, &r.rect,
                               p.depth, p.codecType, p.codec, p.spatialQuality, p.temporalQuality,
                               p.keyFrameRate, nullptr, codecFlagUpdatePrevious,
                               reinterpret_cast<ImageDescriptionHandle>(r.description));
}

// A locked buffer as large as one compressed frame can be.
OSErr NewFrameBuffer(Recompression& r, const RecompressParams& p) {
  long size = 0;
  OSErr err = GetMaxCompressionSize(GetGWorldPixMap(r.world), &r.rect, 0, p.spatialQuality,
                                    p.codecType, p.codec, &size);
  if (err != noErr) return err;
  if (size <= 0) return codecErr;
  r.buffer = NewHandle(size);
  if (r.buffer == nullptr) return MemError();
  MoveHHi(r.buffer);
  HLock(r.buffer);
  return noErr;
}

// The movie time of frame i: the next video sample, or an even step for
// a frame rate.
OSErr FrameTime(Recompression& r, const RecompressParams& p, long i, TimeValue* t) {
  if (p.frameRate != 0) {
    *t = r.frames > 1 ? static_cast<TimeValue>(int64_t{i} * r.duration / (r.frames - 1)) : 0;
    return noErr;
  }
  short flags = nextTimeMediaSample;
  if (i == 0 || i == r.frames - 1) flags |= nextTimeEdgeOK;
  OSType type = VideoMediaType;
  GetMovieNextInterestingTime(r.copy, flags, 1, &type, *t, 0, t, &r.frameDuration);
  return GetMoviesError();
}

OSErr CompressFrames(Recompression& r, const RecompressParams& p) {
  PixMapHandle pixels = GetGWorldPixMap(r.world);
  TimeValue t = 0;
  for (long i = 0; i < r.frames; ++i) {
    if (EscapePressed()) {
      r.cancelled = true;
      return noErr;
    }
    if (OSErr err = FrameTime(r, p, i, &t)) return err;
    SetMovieTimeValue(r.copy, t);
    for (int pass = 0; pass < 3; ++pass) MoviesTask(r.copy, 0);
    long dataSize = 0;
    UInt8 similarity = 0;
    OSErr err = CompressSequenceFrame(r.sequence, pixels, &r.rect, codecFlagUpdatePrevious,
                                      *r.buffer, &dataSize, &similarity, kNoCompletion);
    if (err != noErr) return err;
    short flags = similarity == 0 ? 0 : mediaSampleNotSync;
    err =
        AddMediaSample(r.media, r.buffer, 0, dataSize, r.frameDuration,
                       reinterpret_cast<SampleDescriptionHandle>(r.description), 1, flags, nullptr);
    if (err != noErr) return err;
  }
  return noErr;
}

// Every sound track of the copy gets a track of its own in the new movie.
OSErr CarrySound(Recompression& r) {
  if (!HasTrackOfType(r.copy, SoundMediaType)) return noErr;
  return CopySoundTracks(r.copy, r.newMovie);
}

OSErr FinishNewMovie(Recompression& r) {
  if (OSErr err = EndMediaEdits(r.media)) return err;
  OSErr err = InsertMediaIntoTrack(r.track, 0, 0, GetMediaDuration(r.media), kNormalRate);
  if (err != noErr) return err;
  return UpdateMovieResource(r.newMovie, r.fileRef, movieInDataForkResID, nullptr);
}

// From the world on, the steps that write the new movie; r.deleteFile
// stays set unless the movie was written whole.
OSErr WriteRecompressed(Recompression& r, const RecompressParams& p) {
  if (OSErr err = BeginNewMovie(r)) return err;
  if (OSErr err = BeginSequence(r, p)) return err;
  CGrafPtr port = nullptr;
  GDHandle device = nullptr;
  GetGWorld(&port, &device);
  SetGWorld(r.world, nullptr);
  EraseRect(&r.box);
  SetGWorld(port, device);
  SetMovieGWorld(r.copy, r.world, GetGWorldDevice(r.world));
  OSErr err = NewFrameBuffer(r, p);
  if (err == noErr) err = CompressFrames(r, p);
  OSErr ended = CDSequenceEnd(r.sequence);
  if (err != noErr || r.cancelled) return err;
  if (ended != noErr) return ended;
  if (OSErr e = CarrySound(r)) return e;
  if (OSErr e = FinishNewMovie(r)) return e;
  r.deleteFile = false;
  return noErr;
}

OSErr RecompressMovie(Movie movie, const FSSpec& spec, const RecompressParams& p) {
  if (!HasTrackOfType(movie, VideoMediaType)) return invalidMovie;
  Recompression r;
  r.spec = spec;
  r.copy = CopyMovie(movie);
  if (r.copy == nullptr) return kNoNativeErr;
  r.duration = GetMovieDuration(r.copy);
  ResetVideoMatrices(r.copy);
  GetMovieBox(r.copy, &r.box);
  r.frames = CountVideoFrames(r.copy);
  r.rect = p.region != nullptr ? *p.region : r.box;
  if (OSErr err = NewGWorld(&r.world, 32, &r.box, nullptr, nullptr, 0)) return err;
  DrawPoster(r);
  if (p.frameRate != 0 && !FramesAtRate(r, p.frameRate)) return noErr;
  return WriteRecompressed(r, p);
}

RBInteger RecompressWith(REALmovie src, REALfolderItem dstFile, const Rect* region,
                         RBInteger cDepth, RBInteger cQual, REALstring cType, double fRate) {
  if (dstFile == nullptr) return ModuleResult(paramErr);
  Movie movie = HostMovie(src);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  if (!std::isfinite(fRate)) return ModuleResult(paramErr);
  FSSpec spec;
  if (OSErr err = FolderItemToFSSpec(dstFile, &spec)) return ModuleResult(err);
  RecompressParams params;
  params.depth = static_cast<short>(cDepth);
  if (!HostStringText(cType).empty()) params.codecType = StringToOSType(cType);
  params.spatialQuality = static_cast<CodecQ>(cQual);
  params.temporalQuality = static_cast<CodecQ>(cQual);
  params.frameRate = static_cast<float>(fRate);
  params.region = region;
  CGrafPtr port = nullptr;
  GDHandle device = nullptr;
  GetGWorld(&port, &device);
  OSErr err = RecompressMovie(movie, spec, params);
  SetGWorld(port, device);
  return ModuleResult(err);
}

// ---- One-sample video track -------------------------------------------

// A compression sequence over a world holding one picture.
struct PictureSequence {
  PictureSequence() = default;
  PictureSequence(const PictureSequence&) = delete;
  PictureSequence& operator=(const PictureSequence&) = delete;
  ~PictureSequence() {
    if (sequence != 0) CDSequenceEnd(sequence);
    if (buffer != nullptr) DisposeHandle(buffer);
    if (description != nullptr) DisposeHandle(description);
    if (world != nullptr) DisposeGWorld(world);
  }

  GWorldPtr world = nullptr;
  Rect rect{0, 0, 0, 0};
  ImageSequence sequence = 0;
  Handle description = nullptr;
  Handle buffer = nullptr;
};

OSErr BeginPictureSequence(PictureSequence& s, const ImageDescCompNative& params, REALpicture pic) {
  const ImageDescription& image = *params.Image();
  s.rect = Rect{0, 0, image.height, image.width};
  if (OSErr err = NewGWorld(&s.world, 32, &s.rect, nullptr, nullptr, 0)) return err;
  if (OSErr err = DrawPictureInGWorld(pic, s.world)) return err;
  s.description = NewHandle(4);
  if (s.description == nullptr) return MemError();
  PixMapHandle pixels = GetGWorldPixMap(s.world);
  CodecQ quality = image.spatialQuality;
  CodecQ temporal = image.temporalQuality;
  OSErr err = CompressSequenceBegin(&s.sequence, pixels, nullptr, &s.rect, &s.rect, image.depth,
                                    image.cType, nullptr, quality, temporal, params.keyFrameRate,
                                    nullptr, codecFlagUpdatePrevious,
                                    reinterpret_cast<ImageDescriptionHandle>(s.description));
  if (err != noErr) return err;
  long size = 0;
  err = GetMaxCompressionSize(pixels, &s.rect, image.depth, quality, image.cType, nullptr, &size);
  if (err != noErr) return err;
  s.buffer = NewHandle(size > 0 ? size : 1);
  if (s.buffer == nullptr) return MemError();
  return noErr;
}

OSErr AddPictureFrames(PictureSequence& s, const ImageDescCompNative& params, Media media) {
  long count = params.Image()->frameCount;
  for (long i = 0; i < count; ++i) {
    long dataSize = 0;
    UInt8 similarity = 0;
    HLock(s.buffer);
    OSErr err = CompressSequenceFrame(s.sequence, GetGWorldPixMap(s.world), &s.rect,
                                      codecFlagUpdatePrevious, *s.buffer, &dataSize, &similarity,
                                      kNoCompletion);
    HUnlock(s.buffer);
    if (err != noErr) return err;
    err = AddMediaSample(media, s.buffer, 0, dataSize, params.sampleDuration,
                         reinterpret_cast<SampleDescriptionHandle>(s.description), 1,
                         similarity == 0 ? 0 : mediaSampleNotSync, nullptr);
    if (err != noErr) return err;
  }
  return noErr;
}

OSErr AddVideoTrackWithSample(Movie movie, ImageDescCompNative& params, REALpicture pic) {
  ImageDescription& image = *params.Image();
  if (image.cType == 0) image.cType = kDefaultCodec;
  PictureSequence s;
  if (OSErr err = BeginPictureSequence(s, params, pic)) return err;
  Track track = NewMovieTrack(movie, FixRatio(image.width, 1), FixRatio(image.height, 1), 0);
  if (OSErr err = GetMoviesError()) return err;
  Media media = NewTrackMedia(track, VideoMediaType, kOneSampleTimeScale, nullptr, 0);
  if (OSErr err = GetMoviesError()) return err;
  if (OSErr err = BeginMediaEdits(media)) return err;
  OSErr err = AddPictureFrames(s, params, media);
  OSErr ended = EndMediaEdits(media);
  if (err != noErr) return err;
  if (ended != noErr) return ended;
  return InsertMediaIntoTrack(track, -1, 0, GetMediaDuration(media), kNormalRate);
}

}  // namespace

RBInteger Recompress(REALmovie src, REALfolderItem dstFile, RBInteger cDepth, RBInteger cQual,
                     REALstring cType, double fRate) {
  return RecompressWith(src, dstFile, nullptr, cDepth, cQual, cType, fRate);
}

RBInteger RecompressRegion(REALmovie src, REALfolderItem dstFile, REALarray roi, RBInteger cDepth,
                           RBInteger cQual, REALstring cType, double fRate) {
  Rect region;
  IntArrayToRect(roi, &region);
  if (EmptyRect(&region)) return ModuleResult(paramErr);
  return RecompressWith(src, dstFile, &region, cDepth, cQual, cType, fRate);
}

RBInteger VideoTrackWithSample(REALmovie src, REALobject params, REALpicture pic) {
  Movie movie = HostMovie(src);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  auto* description = params != nullptr ? GetNative<ImageDescCompNative>(params) : nullptr;
  if (description == nullptr || !description->IsValid()) return ModuleResult(paramErr);
  return ModuleResult(AddVideoTrackWithSample(movie, *description, pic));
}

}  // namespace fenra
