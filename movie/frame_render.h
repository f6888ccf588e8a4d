// Turning movie frames into pixels: off-screen frame buffers, decompression
// sequences that draw one buffer into another through a graphics context,
// the aspect fit of a frame into a rectangle, and the rendering of a
// movie's current frame that the frame methods, the player and the image
// services share.
#pragma once

#include "ImageCompression.h"
#include "Movies.h"
#include "QDOffscreen.h"
#include "plugin/native_object.h"
#include "values/graphics_context.h"

namespace fenra {

// One locked 32-bit off-screen world and its bounds.
class FrameBuffer final : public NativeObject {
 public:
  // A world of `bounds`: paramErr for an empty rectangle, NewGWorld's
  // result, or memFullErr when its pixels cannot be locked.
  explicit FrameBuffer(const Rect& bounds);
  FrameBuffer(const FrameBuffer&) = delete;
  FrameBuffer& operator=(const FrameBuffer&) = delete;
  ~FrameBuffer();

  bool IsValid() const override { return world != nullptr; }
  PixMapHandle PixMap() const { return GetGWorldPixMap(world); }

  GWorldPtr world = nullptr;
  Rect bounds{0, 0, 0, 0};
};

// A QuickTime decompression sequence, plain (an image description's
// frames) or through an effect (source worlds and an effect description).
class DecompressionSequence final : public NativeObject {
 public:
  // Error of a sequence begun while another runs.
  static constexpr int32_t kAlreadyRunning = 888;

  DecompressionSequence() = default;
  DecompressionSequence(const DecompressionSequence&) = delete;
  DecompressionSequence& operator=(const DecompressionSequence&) = delete;
  ~DecompressionSequence() { End(); }

  bool IsValid() const override { return sequence != 0; }

  // Begins drawing frames of `description` (kept; owned from now on) into
  // `destination`, or into an image world of its own when that is null.
  void Begin(ImageDescriptionHandle description, CGrafPtr destination,
             GraphicsContextNative* context);
  // Begins an effect: `effect` (an atom container handle, owned from now
  // on) over source A and optional source B, drawn into `destination`.
  void BeginEffect(CGrafPtr destination, GWorldPtr sourceA, GWorldPtr sourceB, Handle effect,
                   ImageDescriptionHandle effectDescription, GraphicsContextNative* context);
  // Applies a context's source rectangle, clip, transfer mode and matrix.
  void Apply(GraphicsContextNative* context);
  // Decompresses `size` bytes of frame data (an effect decompresses its
  // description).
  void Frame(Ptr data, long size);
  void Frame() { Frame(frameData, frameSize); }
  void End();

  ImageSequence sequence = 0;
  CGrafPtr destination = nullptr;
  PixMapHandle destinationPixMap = nullptr;
  bool ownsDestination = false;
  RgnHandle mask = nullptr;  // owned copy of the context's clip
  Ptr frameData = nullptr;
  long frameSize = 0;
  long framesDone = 0;
  TimeBase timeBase = nullptr;                     // owned, effects only
  ImageDescriptionHandle sourceDescriptions[2]{};  // owned, effects only
  Handle description = nullptr;                    // owned: image or effect description

 private:
  bool AddSource(GWorldPtr world, OSType name, long index);
};

// `source` fitted into `destination` keeping its proportions, centred.
Rect AspectFit(const Rect& source, const Rect& destination);

// Draws `drawn`'s pixels into a new buffer through `context` (null: as
// they are): with a context whose destination is not empty, the buffer has
// that destination's bounds and the frame is fitted into it (the context's
// destination becoming the fitted rectangle); otherwise it has the drawn
// buffer's bounds. Null with *err set on failure.
FrameBuffer* RenderThrough(const FrameBuffer& drawn, GraphicsContextNative* context, OSErr* err);

// Renders the frame showing at the movie's current time through `context`
// (null: none), leaving the movie untouched. Null with *err set on failure
// (invalidMovie for a movie without video).
FrameBuffer* RenderMovieFrame(Movie movie, GraphicsContextNative* context, OSErr* err);

}  // namespace fenra
