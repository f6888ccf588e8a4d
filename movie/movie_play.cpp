// FenraMoviePlay: a movie that plays into a window, or into an off-screen
// port of its own. The movie draws into a natural-size frame buffer; each
// Idle copies the new frame to the display through the brightness and
// contrast effect and the player's graphics context.
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#include "Components.h"
#include "Endian.h"
#include "FixMath.h"
#include "ImageCompression.h"
#include "MacMemory.h"
#include "Movies.h"
#include "QDOffscreen.h"
#include "QTML.h"
#include "movie/frame_render.h"
#include "movie/movie.h"
#include "plugin/bridges.h"
#include "plugin/class_list.h"
#include "plugin/glue.h"
#include "plugin/host_services.h"
#include "plugin/registration.h"
#include "values/graphics_context.h"
#include "values/rect.h"
#include "values/region.h"

namespace fenra {
namespace {

constexpr OSType kBrightnessContrast = 'brco';
constexpr short kSeekStart = 1;

class MoviePlayNative final : public MovieNative {
 public:
  MoviePlayNative() = default;
  ~MoviePlayNative() override;

  void SetDisplayProperties(GraphicsContextNative* context) override;

  void SetUp();
  void DisplaySetUp(void* window, const Rect* requested);
  void UpdateDisplay();
  // One frame of the effect sequence into the display, when it runs.
  void DrawEffectFrame() {
    if (effectSequence != nullptr && effectSequence->IsValid()) effectSequence->Frame();
  }
  void Task() {
    MoviesTask(movie, 0);
    DrawEffectFrame();
  }
  // invalidMovie without a movie with video; else noErr.
  bool RequireVideo() {
    if (movie != nullptr && HasVideo()) return true;
    err = invalidMovie;
    return false;
  }

  CGrafPtr displayPort = nullptr;
  FrameBuffer* frameBuffer = nullptr;  // owned
  Rect displayRect{0, 0, 0, 0};
  GraphicsContextNative* context = nullptr;  // owned
  bool highQuality = false;
  bool ownsPort = false;
  TimeBase timeBase = nullptr;                      // borrowed
  Handle effectDescription = nullptr;               // owned, kept locked
  DecompressionSequence* effectSequence = nullptr;  // owned
  TimeValue sampleDuration = 0;
};

// A new 'brco' image description of the size given (owned by the caller).
ImageDescriptionHandle NewEffectImageDescription(short width, short height) {
  auto desc = reinterpret_cast<ImageDescriptionHandle>(NewHandleClear(sizeof(ImageDescription)));
  if (desc == nullptr) return nullptr;
  (**desc).idSize = sizeof(ImageDescription);
  (**desc).cType = kBrightnessContrast;
  (**desc).version = 1;
  (**desc).spatialQuality = codecNormalQuality;
  (**desc).width = width;
  (**desc).height = height;
  (**desc).hRes = (**desc).vRes = Long2Fix(72);
  (**desc).frameCount = 1;
  (**desc).depth = 32;
  (**desc).clutID = -1;
  return desc;
}

// The effect's description: its parameter list with a 'src ' atom for
// each of its sources.
OSErr BuildEffectDescription(Handle* result) {
  *result = nullptr;
  ComponentInstance effect = OpenDefaultComponent(decompressorComponentType, kBrightnessContrast);
  if (effect == nullptr) return cantFindHandler;
  QTAtomContainer parameters = nullptr;
  OSErr err = static_cast<OSErr>(ImageCodecGetParameterList(effect, &parameters));
  CloseComponent(effect);
  if (err != noErr) return err;
  SInt32 sources = 1;
  QTAtom count = QTFindChildByIndex(parameters, kParentAtomIsContainer, 'srcs', 1, nullptr);
  if (count != 0) {
    QTCopyAtomDataToPtr(parameters, count, false, sizeof sources, &sources, nullptr);
    sources = static_cast<SInt32>(EndianU32_BtoN(static_cast<UInt32>(sources)));
  }
  QTAtomContainer description = nullptr;
  err = QTCopyAtom(parameters, kParentAtomIsContainer, &description);
  QTDisposeAtomContainer(parameters);
  if (err != noErr) return err;
  const OSType names[] = {'srcA', 'srcB'};
  for (SInt32 i = 0; i < sources && i < 2; ++i) {
    UInt32 name = EndianU32_NtoB(names[i]);
    err = QTInsertChild(description, kParentAtomIsContainer, 'src ', i + 1, 0, sizeof name, &name,
                        nullptr);
    if (err != noErr) {
      QTDisposeAtomContainer(description);
      return err;
    }
  }
  *result = description;
  return noErr;
}

MoviePlayNative::~MoviePlayNative() {
  if (movie != nullptr) StopMovie(movie);
  if (effectDescription != nullptr) {
    HUnlock(effectDescription);
    QTDisposeAtomContainer(effectDescription);
  }
  delete effectSequence;
  delete frameBuffer;
  delete context;
  if (displayPort != nullptr && !ownsPort) {
    DestroyPortAssociation(displayPort);
  } else if (displayPort != nullptr) {
    PixMapHandle pixels = GetGWorldPixMap(displayPort);
    if ((GetPixelsState(pixels) & pixelsLocked) != 0) UnlockPixels(pixels);
    DisposeGWorld(displayPort);
  }
}

void MoviePlayNative::SetUp() {
  if (movie != nullptr) timeBase = GetMovieTimeBase(movie);
  if (movie == nullptr) return;
  if (HasVideo()) {
    OSErr built = BuildEffectDescription(&effectDescription);
    if (built != noErr) {
      err = built;
      return;
    }
    HLock(effectDescription);
    Rect bounds;
    GetMovieNaturalBoundsRect(movie, &bounds);
    OffsetRect(&bounds, static_cast<short>(-bounds.left), static_cast<short>(-bounds.top));
    frameBuffer = new (std::nothrow) FrameBuffer(bounds);
    if (frameBuffer == nullptr || !frameBuffer->IsValid()) {
      err = frameBuffer != nullptr ? frameBuffer->err : memFullErr;
      delete frameBuffer;
      frameBuffer = nullptr;
      return;
    }
    effectSequence = new (std::nothrow) DecompressionSequence;
    if (effectSequence != nullptr) {
      effectSequence->description = reinterpret_cast<Handle>(
          NewEffectImageDescription(bounds.right - bounds.left, bounds.bottom - bounds.top));
    }
    if (effectSequence == nullptr || effectSequence->description == nullptr) {
      delete effectSequence;
      effectSequence = nullptr;
      err = memFullErr;
      return;
    }
    context = new (std::nothrow) GraphicsContextNative;
    if (context == nullptr) {
      err = memFullErr;
      return;
    }
    context->Reset();
    context->src.rect = bounds;
    context->SetDestination(bounds);
    SetMovieBox(movie, &bounds);
    SetMovieGWorld(movie, frameBuffer->world, nullptr);
    Seek(kSeekStart, nullptr);
    Task();
  }
  OSType type = HasVideo() ? VisualMediaCharacteristic : HasSound() ? AudioMediaCharacteristic : 0;
  GetMovieNextInterestingTime(movie, nextTimeStep | nextTimeEdgeOK | nextTimeIgnoreActiveSegment, 1,
                              &type, 0, fixed1, nullptr, &sampleDuration);
}

void MoviePlayNative::DisplaySetUp(void* window, const Rect* requested) {
  if (!RequireVideo()) return;
  Rect natural;
  GetMovieNaturalBoundsRect(movie, &natural);
  Rect windowRect{0, 0, 0, 0};
  if (window != nullptr) {
    CreatePortAssociation(window, nullptr, 0);
    CGrafPtr port = reinterpret_cast<CGrafPtr>(GetNativeWindowPort(window));
    if (port != nullptr) {
      displayPort = port;
      ownsPort = false;
      GetPortBounds(port, &windowRect);
    }
  }
  Rect display = natural;
  if (requested != nullptr && !EmptyRect(requested)) {
    display = *requested;
  } else if (!EmptyRect(&windowRect)) {
    display = windowRect;
  }
  displayRect = AspectFit(natural, display);
  if (displayPort == nullptr) {
    GWorldPtr own = nullptr;
    err = NewGWorld(&own, 0, &displayRect, nullptr, nullptr, 0);
    if (err != noErr) return;
    displayPort = own;
    ownsPort = true;
  }
  if (effectSequence == nullptr || frameBuffer == nullptr) {
    err = memFullErr;
    return;
  }
  if (effectSequence->IsValid()) {
    // Ending a sequence frees what it owns: keep its description for the
    // next one.
    Handle description = std::exchange(effectSequence->description, nullptr);
    effectSequence->End();
    effectSequence->description = description;
  }
  context->SetDestination(displayRect);
  context->ClipToDestination();
  if (context->err != noErr) {
    err = memFullErr;
    return;
  }
  auto image = reinterpret_cast<ImageDescriptionHandle>(effectSequence->description);
  effectSequence->BeginEffect(displayPort, frameBuffer->world, nullptr, effectDescription, image,
                              context);
  if (!effectSequence->IsValid() || effectSequence->err != noErr) {
    err = effectSequence->err != noErr ? effectSequence->err : memFullErr;
    delete effectSequence;
    effectSequence = nullptr;
    return;
  }
  Task();
}

void MoviePlayNative::UpdateDisplay() {
  if (!RequireVideo()) return;
  if (context == nullptr || displayPort == nullptr || effectSequence == nullptr) {
    err = memFullErr;
    return;
  }
  if (ownsPort) {
    PixMapHandle pixels = GetGWorldPixMap(displayPort);
    if (LockPixels(pixels)) {
      Rect bounds;
      GetPortBounds(displayPort, &bounds);
      long rowBytes = GetPixRowBytes(pixels);
      int depth = (**pixels).pixelSize;
      auto* base = reinterpret_cast<uint8_t*>(GetPixBaseAddr(pixels));
      long left = static_cast<long>(displayRect.left - bounds.left) * depth / 8;
      long width = static_cast<long>(displayRect.right - displayRect.left) * depth / 8;
      for (short y = displayRect.top; y < displayRect.bottom; ++y) {
        std::memset(base + (y - bounds.top) * rowBytes + left, 0, static_cast<size_t>(width));
      }
      UnlockPixels(pixels);
    }
  }
  effectSequence->Apply(context);
  Task();
}

void MoviePlayNative::SetDisplayProperties(GraphicsContextNative* given) {
  if (context == nullptr) {
    err = memFullErr;
    return;
  }
  if (given == nullptr) {
    err = paramErr;
    return;
  }
  Rect source = context->src.rect;
  context->CopySettings(*given);
  const Rect& buffer = frameBuffer != nullptr ? frameBuffer->bounds : source;
  Rect kept = given->src.IsValid() ? given->src.rect : source;
  Rect inside;
  bool within = !EmptyRect(&kept) && SectRect(&kept, &buffer, &inside) && EqualRect(&inside, &kept);
  context->src.rect = within ? kept : buffer;
  context->SetDestination(displayRect);
  context->ClipToDestination();
  UpdateDisplay();
}

// ---------------------------------------------------------------- glue

MoviePlayNative* Player(REALobject instance) {
  return static_cast<MoviePlayNative*>(MovieNativeOf(instance));
}

MoviePlayNative* NewPlayer(REALobject instance) {
  auto* native = new (std::nothrow) MoviePlayNative;
  SetNative(instance, native);
  return native;
}

void NewEmptyPlayer(REALobject) {}

void NewPlayerFromFile(REALobject instance, REALfolderItem file, RBBoolean create) {
  if (file == nullptr) return;
  MoviePlayNative* native = NewPlayer(instance);
  if (native == nullptr) return;
  OpenMovieFile(native, file, create != 0);
  native->SetUp();
}

void NewPlayerFromHostMovie(REALobject instance, REALmovie hostMovie, RBBoolean copy) {
  if (hostMovie == nullptr) return;
  MoviePlayNative* native = NewPlayer(instance);
  if (native == nullptr) return;
  OpenHostMovie(native, hostMovie, copy != 0);
  native->SetUp();
}

void NewPlayerFromDataRef(REALobject instance, REALobject dataRef) {
  if (dataRef == nullptr) return;
  MoviePlayNative* native = NewPlayer(instance);
  if (native == nullptr) return;
  OpenDataRefMovie(native, dataRef);
  native->SetUp();
}

enum BooleanSelector : intptr_t { kIsPlaying, kPlayLoop, kPlayPalindrome, kPlayHighQuality };
enum IntegerSelector : intptr_t { kRotation, kXShift, kYShift, kBrightness, kContrast };
enum DoubleSelector : intptr_t { kZoom, kGamma };

RBBoolean GetBoolean(REALobject instance, intptr_t selector) {
  MoviePlayNative* p = Player(instance);
  if (p == nullptr) return false;
  switch (selector) {
    case kIsPlaying:
      return p->timeBase != nullptr && GetTimeBaseEffectiveRate(p->timeBase) != 0 &&
             !IsMovieDone(p->movie);
    case kPlayLoop:
      return p->timeBase != nullptr && (GetTimeBaseFlags(p->timeBase) & loopTimeBase) != 0;
    case kPlayPalindrome:
      return p->timeBase != nullptr &&
             (GetTimeBaseFlags(p->timeBase) & palindromeLoopTimeBase) != 0;
    case kPlayHighQuality:
      return p->highQuality;
    default:
      return false;
  }
}

void SetTimeBaseFlag(TimeBase tb, long flag, bool on) {
  long flags = GetTimeBaseFlags(tb);
  SetTimeBaseFlags(tb, on ? flags | flag : flags & ~flag);
}

void SetBoolean(REALobject instance, intptr_t selector, RBBoolean value) {
  MoviePlayNative* p = Player(instance);
  if (p == nullptr) return;
  switch (selector) {
    case kPlayLoop:
      if (p->timeBase == nullptr) return;
      SetMoviePlayHints(p->movie, value ? hintsLoop : 0, hintsLoop);
      SetTimeBaseFlag(p->timeBase, loopTimeBase, value != 0);
      p->err = GetMoviesError();
      break;
    case kPlayPalindrome:
      if (p->timeBase == nullptr) return;
      SetTimeBaseFlag(p->timeBase, palindromeLoopTimeBase, value != 0);
      break;
    case kPlayHighQuality:
      if ((value != 0) == p->highQuality) return;
      SetMoviePlayHints(p->movie, value ? hintsHighQuality : 0, hintsHighQuality);
      p->err = GetMoviesError();
      if (p->err == noErr) p->highQuality = value != 0;
      break;
    default:
      break;
  }
}

// The 4 data bytes of the effect description's first atom of the type.
SInt32 GetEffectParameter(MoviePlayNative& p, QTAtomType type) {
  if (!p.RequireVideo()) return 0;
  if (p.effectDescription == nullptr) {
    p.err = memFullErr;
    return 0;
  }
  QTAtom atom = QTFindChildByIndex(p.effectDescription, kParentAtomIsContainer, type, 1, nullptr);
  SInt32 value = 0;
  p.err = QTCopyAtomDataToPtr(p.effectDescription, atom, false, sizeof value, &value, nullptr);
  // Atom data is big-endian; scripts see numbers.
  return static_cast<SInt32>(EndianU32_BtoN(static_cast<UInt32>(value)));
}

void SetEffectParameter(MoviePlayNative& p, QTAtomType type, SInt32 value) {
  if (!p.RequireVideo()) return;
  if (p.effectDescription == nullptr) {
    p.err = memFullErr;
    return;
  }
  UInt32 stored = EndianU32_NtoB(static_cast<UInt32>(value));
  HUnlock(p.effectDescription);
  QTAtom atom = QTFindChildByIndex(p.effectDescription, kParentAtomIsContainer, type, 1, nullptr);
  if (atom != 0) {
    p.err = QTSetAtomData(p.effectDescription, atom, sizeof stored, &stored);
  } else {
    p.err = QTInsertChild(p.effectDescription, kParentAtomIsContainer, type, 1, 0, sizeof stored,
                          &stored, nullptr);
  }
  HLock(p.effectDescription);
  if (p.effectSequence != nullptr && p.effectSequence->IsValid()) {
    // The description may have moved as it grew.
    p.effectSequence->frameData = *p.effectDescription;
    p.effectSequence->frameSize = GetHandleSize(p.effectDescription);
  }
  if (p.err == noErr) p.Task();
}

RBInteger GetInteger(REALobject instance, intptr_t selector) {
  MoviePlayNative* p = Player(instance);
  if (p == nullptr) return 0;
  if (selector == kBrightness) return GetEffectParameter(*p, 'bryt');
  if (selector == kContrast) return GetEffectParameter(*p, 'cntr');
  if (p->context == nullptr) return 0;
  switch (selector) {
    case kRotation:
      return p->context->rotation;
    case kXShift:
      return p->context->xShift;
    case kYShift:
      return p->context->yShift;
    default:
      return 0;
  }
}

void SetInteger(REALobject instance, intptr_t selector, RBInteger value) {
  MoviePlayNative* p = Player(instance);
  if (p == nullptr) return;
  if (!std::in_range<int32_t>(value)) {
    p->err = paramErr;
    return;
  }
  auto v = static_cast<int32_t>(value);
  if (selector == kBrightness) return SetEffectParameter(*p, 'bryt', v);
  if (selector == kContrast) return SetEffectParameter(*p, 'cntr', v);
  if (p->context == nullptr) return;
  int32_t* field = selector == kRotation ? &p->context->rotation
                   : selector == kXShift ? &p->context->xShift
                                         : &p->context->yShift;
  if (*field == v) return;
  *field = v;
  p->UpdateDisplay();
}

double GetDouble(REALobject instance, intptr_t selector) {
  MoviePlayNative* p = Player(instance);
  if (p == nullptr) return 0.0;
  if (selector == kZoom) return p->context != nullptr ? p->context->zoom : 0.0;
  if (!p->RequireVideo()) return 0.0;
  if (p->frameBuffer == nullptr) {
    p->err = invalidMovie;
    return 0.0;
  }
  return Fix2X(QTGetPixMapHandleGammaLevel(p->frameBuffer->PixMap()));
}

void SetDouble(REALobject instance, intptr_t selector, double value) {
  MoviePlayNative* p = Player(instance);
  if (p == nullptr) return;
  if (selector == kZoom) {
    if (p->context == nullptr || !std::isfinite(value) || value <= 0.0 ||
        value == p->context->zoom) {
      return;
    }
    p->context->zoom = value;
    p->UpdateDisplay();
    return;
  }
  if (!p->RequireVideo()) return;
  if (p->frameBuffer == nullptr) {
    p->err = invalidMovie;
    return;
  }
  Fixed level = 0;
  if (!DoubleToFixed(value, &level)) {
    p->err = paramErr;
    return;
  }
  p->err = QTSetPixMapHandleRequestedGammaLevel(p->frameBuffer->PixMap(), level);
}

REALobject GetGraphicsContext(REALobject instance, intptr_t) {
  MoviePlayNative* p = Player(instance);
  if (p == nullptr || p->context == nullptr) return nullptr;
  REALobject object = NewInstanceOf("FenraGraphicsContext");
  if (object == nullptr) return nullptr;
  auto* copy = new (std::nothrow) GraphicsContextNative;
  if (copy != nullptr) {
    copy->CopySettings(*p->context);
    copy->src.rect = p->context->src.rect;
    copy->SetDestination(p->context->dst.rect);
  }
  SetNative(object, copy);
  return object;
}

RBBoolean GetInvert(REALobject instance, intptr_t) {
  MoviePlayNative* p = Player(instance);
  return p != nullptr && p->context != nullptr && p->context->graphicsMode == notSrcCopy;
}

void SetInvert(REALobject instance, intptr_t, RBBoolean value) {
  MoviePlayNative* p = Player(instance);
  if (p == nullptr || p->context == nullptr) return;
  int32_t mode = value ? notSrcCopy : srcCopy;
  if (p->context->graphicsMode == mode) return;
  p->context->graphicsMode = mode;
  p->UpdateDisplay();
}

REALobject GetRoi(REALobject instance, intptr_t) {
  MoviePlayNative* p = Player(instance);
  if (p == nullptr || p->context == nullptr) return nullptr;
  return NewRectObject(p->context->src.rect);
}

void SetRoi(REALobject instance, intptr_t, REALobject value) {
  MoviePlayNative* p = Player(instance);
  if (p == nullptr || p->context == nullptr) return;
  CopyRectOut(value, &p->context->src.rect);
  p->UpdateDisplay();
}

RBInteger GetSampleDuration(REALobject instance, intptr_t) {
  MoviePlayNative* p = Player(instance);
  return p != nullptr ? p->sampleDuration : 0;
}

REALpicture FrameAndEffect(REALobject instance, REALobject gc) {
  MoviePlayNative* p = Player(instance);
  if (p == nullptr) return nullptr;
  if (p->frameBuffer == nullptr || p->effectDescription == nullptr) {
    p->err = paramErr;
    return nullptr;
  }
  GraphicsContextNative* context = gc != nullptr ? GetNative<GraphicsContextNative>(gc) : nullptr;
  OSErr err = noErr;
  FrameBuffer* rendered = RenderThrough(*p->frameBuffer, context, &err);
  if (rendered == nullptr) {
    p->err = err;
    return nullptr;
  }
  REALpicture picture = nullptr;
  auto* out = new (std::nothrow) FrameBuffer(rendered->bounds);
  ImageDescriptionHandle image =
      NewEffectImageDescription(rendered->bounds.right - rendered->bounds.left,
                                rendered->bounds.bottom - rendered->bounds.top);
  if (out == nullptr || !out->IsValid() || image == nullptr) {
    p->err = out != nullptr && out->err != noErr ? out->err : memFullErr;
    DisposeHandle(reinterpret_cast<Handle>(image));
  } else {
    DecompressionSequence sequence;
    sequence.BeginEffect(out->world, rendered->world, nullptr, p->effectDescription, image,
                         nullptr);
    if (sequence.IsValid()) sequence.Frame();
    p->err = sequence.err;
    // The description stays the player's.
    sequence.frameData = nullptr;
    if (p->err == noErr) picture = host::REALBuildPictureFromGWorld(out->world, false);
  }
  delete out;
  delete rendered;
  return picture;
}

void DisplaySetUp(REALobject instance, REALwindow window, REALobject rect) {
  MoviePlayNative* p = Player(instance);
  if (p == nullptr) return;
  void* handle = window != nullptr ? host::REALGetWindowHandle(window) : nullptr;
  p->DisplaySetUp(handle, RectOf(rect));
}

void Play(REALobject instance, double rate) {
  MoviePlayNative* p = Player(instance);
  if (p == nullptr) return;
  if (p->movie == nullptr) {
    p->err = invalidMovie;
    return;
  }
  if (GetBoolean(instance, kIsPlaying)) return;
  if (IsMovieDone(p->movie)) p->Seek(kSeekStart, nullptr);
  Fixed fixedRate = 0;
  if (!DoubleToFixed(rate, &fixedRate)) {
    p->err = paramErr;
    return;
  }
  SetMovieRate(p->movie, fixedRate);
  p->err = GetMoviesError();
}

void Step(REALobject instance, int32_t code) {
  MoviePlayNative* p = Player(instance);
  if (p == nullptr) return;
  if (p->movie == nullptr) {
    p->err = invalidMovie;
    return;
  }
  StopMovie(p->movie);
  p->Seek(code, nullptr);
  p->Task();
}

void PlayBegin(REALobject instance) {
  Step(instance, 1);
}
void PlayEnd(REALobject instance) {
  Step(instance, 2);
}
void PlayPrev(REALobject instance) {
  Step(instance, 3);
}
void PlayNext(REALobject instance) {
  Step(instance, 4);
}

void Stop(REALobject instance) {
  MoviePlayNative* p = Player(instance);
  if (p != nullptr && p->movie != nullptr) StopMovie(p->movie);
}

void Idle(REALobject instance) {
  MoviePlayNative* p = Player(instance);
  if (p == nullptr || p->movie == nullptr) return;
  MoviesTask(p->movie, 0);
  p->DrawEffectFrame();
}

REALproperty gProperties[] = {
    Property<"isPlaying", "Boolean", GetBoolean, nullptr>(kIsPlaying),
    Property<"playLoop", "Boolean", GetBoolean, SetBoolean>(kPlayLoop),
    Property<"playPalindrome", "Boolean", GetBoolean, SetBoolean>(kPlayPalindrome),
    Property<"playHighQuality", "Boolean", GetBoolean, SetBoolean>(kPlayHighQuality),
    Property<"graphicsContext", "FenraGraphicsContext", GetGraphicsContext, nullptr>(0),
    Property<"invert", "Boolean", GetInvert, SetInvert>(0),
    Property<"rotation", "Integer", GetInteger, SetInteger>(kRotation),
    Property<"xShift", "Integer", GetInteger, SetInteger>(kXShift),
    Property<"yShift", "Integer", GetInteger, SetInteger>(kYShift),
    Property<"brightness", "Integer", GetInteger, SetInteger>(kBrightness),
    Property<"contrast", "Integer", GetInteger, SetInteger>(kContrast),
    Property<"zoom", "Double", GetDouble, SetDouble>(kZoom),
    Property<"gamma", "Double", GetDouble, SetDouble>(kGamma),
    Property<"roi", "FenraRect", GetRoi, SetRoi>(0),
    Property<"sampleDuration", "Integer", GetSampleDuration, nullptr>(0),
};

REALmethodDefinition gMethods[] = {
    Method<NewEmptyPlayer, "FenraMoviePlay()">(),
    Method<NewPlayerFromFile, "FenraMoviePlay(f as folderitem,create as boolean=false)">(),
    Method<NewPlayerFromHostMovie, "FenraMoviePlay(m as movie,copy as boolean=true)">(),
    Method<NewPlayerFromDataRef, "FenraMoviePlay(dataRef as FenraDataRef)">(),
    Method<FrameAndEffect, "frameAndEffect(gc as FenraGraphicsContext) as picture">(),
    Method<DisplaySetUp, "displaySetUp(w as window,r as FenraRect)">(),
    Method<Play, "Play(rate as double=1.0)">(),
    Method<PlayBegin, "PlayBegin()">(),
    Method<PlayEnd, "PlayEnd()">(),
    Method<PlayPrev, "PlayPrev()">(),
    Method<PlayNext, "PlayNext()">(),
    Method<Stop, "Stop()">(),
    Method<Idle, "Idle()">(),
};

}  // namespace

REALclassDefinition gFenraMoviePlayClass =
    DefineClass("FenraMoviePlay", "FenraMovie", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>(), {.properties = gProperties, .methods = gMethods});

}  // namespace fenra
