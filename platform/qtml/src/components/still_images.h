// Still images as 32-bit pixels: the first image of an image file
// (decoded by FFmpeg, or by QuickDraw for a PICT file), a picture drawn on
// white, and part of a pixel map. Graphics importers, thumbnails and
// bitmaps of pictures all start from one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "MacTypes.h"
#include "Quickdraw.h"

namespace qtml {

// Pixels as QuickDraw keeps 32-bit ones (bytes A, R, G, B), rows packed,
// top first.
struct StillImage {
  int width = 0;
  int height = 0;
  bool hasAlpha = false;  // whether the file gave pixels less than opaque
  std::vector<uint8_t> pixels;

  long RowBytes() const { return static_cast<long>(width) * 4; }
  Rect Bounds() const { return Rect{0, 0, static_cast<short>(height), static_cast<short>(width)}; }
  // A pixel map over the pixels, bounds at (0, 0); valid while the image
  // lives and keeps its size.
  PixMap Map();
};

// The largest image the engine holds: a 32-bit row within a pixel map's
// 14 bits of row bytes, and a height a Rect can hold.
constexpr int kMaxStillWidth = 0x3FFE / 4;
constexpr int kMaxStillHeight = 0x7FFF;

// A PICT file's picture bytes: after its 512-byte header, or from its
// start for a picture stored bare.
size_t PictureOffsetInFile(const uint8_t* bytes, size_t size);

// Decodes the first image of a file of `format` (a graphics importer's
// subtype: 'PNGf', 'JPEG', 'BMPf', 'GIFf', 'TIFF' or 'PICT'), whose bytes
// are `file`. noErr; noCodecErr for a format nothing here decodes;
// codecErr for bytes that hold no image; codecImageBufErr for an image
// larger than the engine holds; memFullErr. May throw std::bad_alloc.
OSErr DecodeImageFile(OSType format, const std::string& file, StillImage* image);

// The picture (a Picture record and its opcodes) drawn at its own size on
// white. paramErr for bytes that are no picture or a picture with an empty
// frame; codecImageBufErr, memFullErr. May throw std::bad_alloc.
OSErr ImageOfPicture(const uint8_t* bytes, size_t size, StillImage* image);

// The pixels of `part` of a pixel map of any depth (local coordinates);
// paramErr when `part` leaves the map's bounds or is empty, or the map has
// no pixels. May throw std::bad_alloc.
OSErr ImageOfPixMap(const PixMap& map, const Rect& part, StillImage* image);

}  // namespace qtml
