// Pictures to and from files: PNG and BMP written by this host, PICT
// through the engine's QuickDraw pictures; and device-independent bitmaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Quickdraw.h"
#include "core/objects.h"

namespace fenra::host {

// Writes `picture` to `path` as `format` ("png", "bmp", "pict", "jpeg"; ""
// picks by the path's extension). false with `error` set when the format is
// unknown or unsupported (JPEG) or the file cannot be written.
bool SavePicture(const Picture& picture, const std::string& path, std::string_view format,
                 std::string& error);

// Reads a PNG, BMP or PICT file, told apart by its content. Null with
// `error` set otherwise; a picture returned carries one reference.
Picture* LoadPicture(const std::string& path, std::string& error);

// The encodings themselves. PNG: 8-bit RGBA, not interlaced. BMP: 24-bit,
// rows bottom-up.
std::vector<uint8_t> EncodePNG(const Picture& picture);
std::vector<uint8_t> EncodeBMP(const Picture& picture);
// Null when the bytes are not a PNG this host reads: bit depth 8, colour
// types grey, RGB, palette, grey with alpha and RGBA, not interlaced.
Picture* DecodePNG(const std::vector<uint8_t>& bytes);

// A picture of a bitmap laid out as REALplugin.h describes (a
// BITMAPINFOHEADER, a palette for 8 bits, then the rows), at most `size`
// bytes long. Null when it is not one this host reads.
Picture* PictureFromDIB(const uint8_t* bitmap, size_t size);

// A 32-bit copy of a port's pixels (a GWorld, a window's port), at any
// depth the engine's pixel maps have. Null when the port has no pixels.
Picture* PictureFromPort(CGrafPtr port);

}  // namespace fenra::host
