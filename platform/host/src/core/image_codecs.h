// PNG, BMP and JPEG images, encoded and decoded by FFmpeg's image codecs
// (libavcodec) with FFmpeg's pixel format conversion (libswscale).
#pragma once

#include <cstdint>
#include <vector>

namespace fenra::host {

class Picture;

enum class ImageFormat { kPng, kBmp, kJpeg };

// The bytes of an image file holding the picture: PNG as 8-bit RGBA, BMP
// as 24-bit RGB (alpha dropped), JPEG as baseline JFIF at high quality
// without chroma subsampling (alpha dropped). Empty when the picture is
// empty or cannot be encoded.
std::vector<uint8_t> EncodeImage(const Picture& picture, ImageFormat format);

// A new picture (one reference) of an image file's bytes in any variant
// FFmpeg's decoder of that format reads: every PNG colour type and bit
// depth, interlaced or not; BMPs of 1 to 32 bits, compressed or not;
// baseline and progressive JPEGs. Null when the bytes do not decode, or
// the image has more than 2^28 pixels.
Picture* DecodeImage(const std::vector<uint8_t>& bytes, ImageFormat format);

}  // namespace fenra::host
