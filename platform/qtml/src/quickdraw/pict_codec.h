// The PICT format: writing version 2 pictures that hold one 32-bit image,
// and reading pictures back onto a canvas.
//
// Written pictures are: the Picture record (size, frame), the version
// opcode 0x0011 0x02FF, an extended header 0x0C00 (72 dpi), a clip region
// 0x0001 of the frame's rectangle, a second clip region when the caller
// gives one, one image and the end opcode 0x00FF. (Readers such as
// ImageMagick take the first clip for the picture's canvas.) The image is a DirectBitsRect 0x009A
// (32-bit pixels, rows packed per component with PackBits; narrow images
// are stored padded so that every reader agrees on the rows), or for an
// indexed image a PackBitsRect 0x0098 (8-bit indices with the colour
// table, rows packed with PackBits once they are 8 bytes or longer).
// ImageMagick reads them; it misplaces the image of a frame whose origin
// is not (0, 0), which QuickDraw itself allows. The
// reader takes version 2 pictures with BitsRect, PackBitsRect and
// DirectBitsRect images (with or without a region) at 1, 2, 4, 8, 16 and
// 32 bits, rectangle fills, colours and comments; other drawing opcodes
// are skipped by their length, and version 1 pictures are refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "MacTypes.h"
#include "quickdraw/pixels.h"

namespace qtml::pict {

// An image: pixels row by row, top first, covering `bounds`. An indexed
// image also holds each pixel's index into `palette` (at most 256
// colours); it is written with its indices.
struct Image {
  Rect bounds;
  int width = 0;
  int height = 0;
  std::vector<Argb> pixels;
  std::vector<uint8_t> indices;  // empty unless indexed
  std::vector<Argb> palette;
  Argb At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool Indexed() const { return !indices.empty() && !palette.empty(); }
};

// Receives what a picture draws, in the picture's coordinates.
class Canvas {
 public:
  virtual ~Canvas() = default;
  // Draws the part srcRect (in image.bounds coordinates) of the image into
  // dstRect.
  virtual void DrawImage(const Image& image, const Rect& srcRect, const Rect& dstRect) = 0;
  virtual void FillRect(const Rect& rect, Argb color) = 0;
  // Limits later drawing to a region (its bytes as the picture holds
  // them: big-endian, header first). Canvases may ignore clipping.
  virtual void SetClip(const uint8_t* region, size_t size) {
    (void)region;
    (void)size;
  }
};

constexpr size_t kPictureHeaderSize = 10;  // picSize and picFrame

// The bytes of a picture of `frame` holding `image` (frame-sized). An
// empty frame gives a picture with no image. `clip`, when given, is the
// region the image is clipped to, as pictures store regions
// (RegionBytesBigEndian, spelled out).
// paramErr for an image wider than a pixel map row can hold.
OSErr Encode(const Rect& frame, const Image& image, std::vector<uint8_t>* bytes,
             const std::vector<uint8_t>* clip = nullptr);

// The frame of a picture's bytes, or false when they are too short.
bool ReadFrame(const uint8_t* bytes, size_t size, Rect* frame);

// Plays a picture onto the canvas. paramErr for bytes that are not a
// version 2 picture or end early; memFullErr for an image too large.
OSErr Decode(const uint8_t* bytes, size_t size, Canvas& canvas);

// PackBits, as QuickDraw packs rows.
void PackBits(const uint8_t* in, size_t count, std::vector<uint8_t>* out);
// Unpacks exactly `count` bytes from [in, end); false when the data runs
// out or overflows. `unit` is 1 for bytes, 2 for 16-bit pixels.
bool UnpackBits(const uint8_t* in, const uint8_t* end, uint8_t* out, size_t count, int unit);

}  // namespace qtml::pict
