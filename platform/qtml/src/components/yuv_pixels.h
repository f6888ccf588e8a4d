// Decoded 8-bit Y'CbCr frames turned into 32-bit ARGB pixels, big-endian
// as QuickDraw keeps them, with ITU-R BT.709's coefficients for frames
// that say they are BT.709 and BT.601's for the rest: video range (Y' 16
// to 235) or, for JPEG's formats and frames that say so, full range. The formats most
// movies decode to are converted here a row at a time; FFmpeg's scaler
// converts the rest.
#pragma once

#include <cstdint>

struct AVFrame;

namespace qtml {

// Whether YuvToArgb converts frames of `format` (an AVPixelFormat).
bool ConvertsYuv(int format) noexcept;

// Writes `frame` (of a format ConvertsYuv takes) at `base`, rows
// `rowBytes` apart, every pixel opaque.
void YuvToArgb(const AVFrame& frame, uint8_t* base, long rowBytes) noexcept;

}  // namespace qtml
