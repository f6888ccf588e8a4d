#include "movie/frame_render.h"

#include <new>

#include "MacMemory.h"
#include "movie/container.h"
#include "movie/movie.h"

namespace fenra {
namespace {

// A copy of `region` kept in `*copy` (made once, changed only when the
// region differs); false when it cannot be made.
bool KeepRegionCopy(RgnHandle region, RgnHandle* copy) {
  if (*copy == nullptr) {
    *copy = NewRgn();
    if (*copy == nullptr) return false;
  } else if (MacEqualRgn(region, *copy)) {
    return true;
  }
  MacCopyRgn(region, *copy);
  return true;
}

long ImageBytes(ImageDescriptionHandle description, PixMapHandle pixMap) {
  return static_cast<long>((**description).height) * (GetPixRowBytes(pixMap) & 0x3FFF);
}

}  // namespace

// ---------------------------------------------------------------- FrameBuffer

FrameBuffer::FrameBuffer(const Rect& r) {
  if (r.right <= r.left || r.bottom <= r.top) {
    err = paramErr;
    return;
  }
  err = NewGWorld(&world, 32, &r, nullptr, nullptr, 0);
  if (err != noErr) {
    world = nullptr;
    return;
  }
  if (!LockPixels(GetGWorldPixMap(world))) {
    DisposeGWorld(world);
    world = nullptr;
    err = memFullErr;
    return;
  }
  bounds = r;
}

FrameBuffer::~FrameBuffer() {
  if (world != nullptr) {
    UnlockPixels(GetGWorldPixMap(world));
    DisposeGWorld(world);
  }
  world = nullptr;
  bounds = Rect{0, 0, 0, 0};
}

// ---------------------------------------------------------------- DecompressionSequence

void DecompressionSequence::Begin(ImageDescriptionHandle image, CGrafPtr port,
                                  GraphicsContextNative* context) {
  if (sequence != 0) {
    err = kAlreadyRunning;
    return;
  }
  if (image == nullptr) {
    err = paramErr;
    return;
  }
  if (description != reinterpret_cast<Handle>(image)) DisposeHandle(description);
  description = reinterpret_cast<Handle>(image);
  if (port == nullptr) {
    err = NewImageGWorld(&port, image, 0x80);
    if (err != noErr) return;
    ownsDestination = true;
  }
  destination = port;
  destinationPixMap = GetGWorldPixMap(port);
  err = DecompressSequenceBeginS(&sequence, image, nullptr, 0, port, nullptr, nullptr, nullptr,
                                 ditherCopy, nullptr, 0, (**image).spatialQuality,
                                 reinterpret_cast<DecompressorComponent>(-1));
  if (err != noErr) {
    End();
    return;
  }
  SetDSequenceFlags(sequence, codecDSequenceFlushInsteadOfDirtying,
                    codecDSequenceFlushInsteadOfDirtying);
  Apply(context);
}

bool DecompressionSequence::AddSource(GWorldPtr world, OSType name, long index) {
  PixMapHandle pixMap = GetGWorldPixMap(world);
  ImageDescriptionHandle& source = sourceDescriptions[index - 1];
  err = MakeImageDescriptionForPixMap(pixMap, &source);
  if (err != noErr) return false;
  ImageSequenceDataSource dataSource = 0;
  err = CDSequenceNewDataSource(sequence, &dataSource, name, static_cast<short>(index),
                                reinterpret_cast<Handle>(source), nullptr, nullptr);
  if (err != noErr) return false;
  err = CDSequenceSetSourceData(dataSource, GetPixBaseAddr(pixMap), (**source).dataSize);
  return err == noErr;
}

void DecompressionSequence::BeginEffect(CGrafPtr port, GWorldPtr sourceA, GWorldPtr sourceB,
                                        Handle effect, ImageDescriptionHandle effectDescription,
                                        GraphicsContextNative* context) {
  if (sequence != 0) {
    err = kAlreadyRunning;
    return;
  }
  if (effect == nullptr || effectDescription == nullptr || port == nullptr) {
    err = paramErr;
    return;
  }
  frameData = *effect;
  frameSize = GetHandleSize(effect);
  if (description != reinterpret_cast<Handle>(effectDescription)) DisposeHandle(description);
  description = reinterpret_cast<Handle>(effectDescription);
  destination = port;
  destinationPixMap = GetGWorldPixMap(port);
  const Rect* srcRect = nullptr;
  MatrixRecord* matrix = nullptr;
  short mode = srcCopy;
  RgnHandle clip = nullptr;
  if (context != nullptr) {
    if (context->src.IsValid()) srcRect = &context->src.rect;
    matrix = context->BuildMatrix();
    mode = static_cast<short>(context->graphicsMode);
    clip = context->ClipRegion();
  }
  if (clip != nullptr && !KeepRegionCopy(clip, &mask)) {
    err = memFullErr;
    return;
  }
  err = DecompressSequenceBeginS(&sequence, effectDescription, nullptr, 0, port, nullptr, srcRect,
                                 matrix, mode, clip != nullptr ? mask : nullptr, 0,
                                 (**effectDescription).spatialQuality,
                                 reinterpret_cast<DecompressorComponent>(-1));
  if (err != noErr) {
    sequence = 0;
    return;
  }
  SetDSequenceFlags(sequence, codecDSequenceFlushInsteadOfDirtying,
                    codecDSequenceFlushInsteadOfDirtying);
  timeBase = NewTimeBase();
  if (timeBase != nullptr) {
    SetTimeBaseRate(timeBase, 0);
    err = CDSequenceSetTimeBase(sequence, timeBase);
  }
  if (err == noErr && sourceA != nullptr) AddSource(sourceA, 'srcA', 1);
  if (err == noErr && sourceB != nullptr) AddSource(sourceB, 'srcB', 2);
}

void DecompressionSequence::Apply(GraphicsContextNative* context) {
  if (sequence == 0 || context == nullptr) return;
  err = SetDSequenceSrcRect(sequence, context->src.IsValid() ? &context->src.rect : nullptr);
  RgnHandle clip = context->ClipRegion();
  if (clip != nullptr) {
    if (!KeepRegionCopy(clip, &mask)) {
      err = memFullErr;
      return;
    }
  } else if (mask != nullptr) {
    DisposeRgn(mask);
    mask = nullptr;
  }
  err = SetDSequenceTransferMode(sequence, static_cast<short>(context->graphicsMode),
                                 &context->modeColor);
  err = SetDSequenceMask(sequence, mask);
  err = SetDSequenceMatrix(sequence, context->BuildMatrix());
}

void DecompressionSequence::Frame(Ptr data, long size) {
  if (sequence == 0) {
    err = paramErr;
    return;
  }
  CodecFlags outFlags = 0;
  err = DecompressSequenceFrameS(sequence, data, size, 0, &outFlags, nullptr);
  if (err == noErr) ++framesDone;
}

void DecompressionSequence::End() {
  if (sequence != 0) CDSequenceEnd(sequence);
  sequence = 0;
  if (ownsDestination && destination != nullptr) {
    PixMapHandle pixMap = GetGWorldPixMap(destination);
    if ((GetPixelsState(pixMap) & pixelsLocked) != 0) UnlockPixels(pixMap);
    DisposeGWorld(destination);
  }
  destination = nullptr;
  destinationPixMap = nullptr;
  ownsDestination = false;
  if (timeBase != nullptr) DisposeTimeBase(timeBase);
  timeBase = nullptr;
  for (ImageDescriptionHandle& source : sourceDescriptions) {
    DisposeHandle(reinterpret_cast<Handle>(source));
    source = nullptr;
  }
  if (mask != nullptr) DisposeRgn(mask);
  mask = nullptr;
  DisposeHandle(description);
  description = nullptr;
  frameData = nullptr;
  frameSize = 0;
}

// ---------------------------------------------------------------- rendering

Rect AspectFit(const Rect& s, const Rect& d) {
  // The ratio is kept in single precision, as the products and quotients
  // taken from it are: 640 by 480 into 320 by 240 is 320 by 239.
  const double ratio = static_cast<float>(s.right - s.left) / static_cast<float>(s.bottom - s.top);
  const int32_t width = d.right - d.left;
  const int32_t height = d.bottom - d.top;
  int32_t w = 0, h = 0;
  if (height * ratio > width) {
    w = width;
    h = static_cast<int32_t>(width / ratio);
  } else {
    h = height;
    w = static_cast<int32_t>(height * ratio);
  }
  Rect fitted;
  fitted.left = static_cast<short>(d.left + (width - w) / 2);
  fitted.top = static_cast<short>(d.top + (height - h) / 2);
  fitted.right = static_cast<short>(fitted.left + w);
  fitted.bottom = static_cast<short>(fitted.top + h);
  return fitted;
}

FrameBuffer* RenderThrough(const FrameBuffer& drawn, GraphicsContextNative* context, OSErr* err) {
  Rect bounds = drawn.bounds;
  if (context != nullptr && context->dst.IsValid()) {
    bounds = context->dst.rect;
    context->SetDestination(AspectFit(drawn.bounds, bounds));
  }
  auto* result = new (std::nothrow) FrameBuffer(bounds);
  if (result == nullptr) {
    *err = memFullErr;
    return nullptr;
  }
  if (!result->IsValid()) {
    *err = static_cast<OSErr>(result->err);
    delete result;
    return nullptr;
  }
  ImageDescriptionHandle description = nullptr;
  PixMapHandle pixels = drawn.PixMap();
  *err = MakeImageDescriptionForPixMap(pixels, &description);
  if (*err == noErr) {
    DecompressionSequence sequence;
    sequence.Begin(description, result->world, context);
    if (sequence.IsValid()) {
      sequence.Frame(GetPixBaseAddr(pixels), ImageBytes(description, pixels));
    }
    *err = static_cast<OSErr>(sequence.err);
  }
  if (*err != noErr) {
    delete result;
    return nullptr;
  }
  return result;
}

FrameBuffer* RenderMovieFrame(Movie movie, GraphicsContextNative* context, OSErr* err) {
  if (movie == nullptr || !MovieHasCharacteristic(movie, VisualMediaCharacteristic)) {
    *err = invalidMovie;
    return nullptr;
  }
  Movie copy = CopyMovie(movie);
  if (copy == nullptr) {
    *err = memFullErr;
    return nullptr;
  }
  TimeValue time = GetMovieTime(movie, nullptr);
  Rect natural;
  GetMovieNaturalBoundsRect(copy, &natural);
  FrameBuffer* result = nullptr;
  if (natural.right <= natural.left || natural.bottom <= natural.top) {
    *err = paramErr;
  } else if (auto* drawn = new (std::nothrow) FrameBuffer(natural); drawn == nullptr) {
    *err = memFullErr;
  } else {
    *err = static_cast<OSErr>(drawn->err);
    if (drawn->IsValid()) {
      MatrixRecord identity;
      SetIdentityMatrix(&identity);
      SetMovieMatrix(copy, &identity);
      SetMovieGWorld(copy, drawn->world, nullptr);
      *err = GetMoviesError();
      if (*err == noErr) {
        SetMovieTimeValue(copy, time);
        MoviesTask(copy, 0);
        // A frame that could not be decoded (noCodecErr for a type nothing
        // decodes) gives no picture rather than an empty one.
        *err = GetMoviesError();
        if (*err == noErr) result = RenderThrough(*drawn, context, err);
      }
    }
    delete drawn;
  }
  DisposeMovie(copy);
  return result;
}

}  // namespace fenra
