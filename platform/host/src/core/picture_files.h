// Pictures to and from files: PNG, BMP and JPEG through FFmpeg's image
// codecs, PICT through the engine's QuickDraw pictures; and the
// device-independent bitmaps plugins hand over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/objects.h"

namespace fenra::host {

// Writes `picture` to `path` as `format` ("png", "bmp", "jpeg" or "jpg",
// "pict"; "" picks by the path's extension: .png, .bmp, .jpg, .jpeg, .pct,
// .pict). false with `error` set when the format is unknown, the picture
// empty or not encodable, or the file cannot be written.
bool SavePicture(const Picture& picture, const std::string& path, std::string_view format,
                 std::string& error);

// Reads a PNG, BMP, JPEG or PICT file, told apart by its content. Null
// with `error` set otherwise; a picture returned carries one reference.
Picture* LoadPicture(const std::string& path, std::string& error);

// A picture of a bitmap laid out as REALplugin.h describes (a
// BITMAPINFOHEADER, a palette for 8 bits, then the rows), at most `size`
// bytes long. Null when it is not one this host reads.
Picture* PictureFromDIB(const uint8_t* bitmap, size_t size);

}  // namespace fenra::host
