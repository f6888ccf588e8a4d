#include "components/yuv_pixels.h"

#include <algorithm>
#include <bit>
#include <cstring>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace qtml {
namespace {

static_assert(std::endian::native == std::endian::little,
              "pixels are packed as little-endian words");

// BT.601 in 16.16 fixed point: how much of each component goes into red,
// green and blue.
struct Coefficients {
  int32_t y;        // per step of Y' above `black`
  int32_t black;    // Y' of black
  int32_t crRed;    // per step of Cr from 128
  int32_t cbGreen;  // taken away
  int32_t crGreen;  // taken away
  int32_t cbBlue;
};
constexpr Coefficients kVideoRange{76309, 16, 104597, 25675, 53279, 132201};
constexpr Coefficients kFullRange{65536, 0, 91881, 22554, 46802, 116130};

// A pixel of luma `y` whose chroma gives `red`, `green` and `blue` (in
// 16.16, rounding included) on top of it.
inline uint32_t Pixel(int32_t y, int32_t red, int32_t green, int32_t blue, const Coefficients& c) {
  const int32_t luma = (y - c.black) * c.y;
  const int32_t r = std::clamp((luma + red) >> 16, 0, 255);
  const int32_t g = std::clamp((luma + green) >> 16, 0, 255);
  const int32_t b = std::clamp((luma + blue) >> 16, 0, 255);
  // Bytes A, R, G, B (words little-endian) in memory.
  return 0xFFu | static_cast<uint32_t>(r) << 8 | static_cast<uint32_t>(g) << 16 |
         static_cast<uint32_t>(b) << 24;
}

// What a chroma pair adds to red, green and blue, rounding included.
struct Chroma {
  int32_t red, green, blue;
};
inline Chroma ChromaOf(int32_t cb, int32_t cr, const Coefficients& c) {
  const int32_t u = cb - 128, v = cr - 128;
  return {c.crRed * v + 0x8000, 0x8000 - c.cbGreen * u - c.crGreen * v, c.cbBlue * u + 0x8000};
}

// One row of 4:4:4 (a chroma pair for every pixel) and one of 4:2:2 or
// 4:2:0 (a pair for every two pixels of the row).
#if defined(__x86_64__) && defined(__GNUC__)
#define QTML_VECTOR_CLONES [[gnu::target_clones("avx2", "default")]]
#else
#define QTML_VECTOR_CLONES
#endif
QTML_VECTOR_CLONES
void FullRow(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* out, int width,
             const Coefficients& c) {
  for (int x = 0; x < width; ++x) {
    const Chroma k = ChromaOf(cb[x], cr[x], c);
    uint32_t p = Pixel(y[x], k.red, k.green, k.blue, c);
    std::memcpy(out + 4 * x, &p, 4);
  }
}

QTML_VECTOR_CLONES
void HalfRow(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* out, int width,
             const Coefficients& c) {
  const int pairs = width / 2;
  for (int i = 0; i < pairs; ++i) {
    const Chroma k = ChromaOf(cb[i], cr[i], c);
    const uint32_t left = Pixel(y[2 * i], k.red, k.green, k.blue, c);
    const uint32_t right = Pixel(y[2 * i + 1], k.red, k.green, k.blue, c);
    std::memcpy(out + 8 * i, &left, 4);
    std::memcpy(out + 8 * i + 4, &right, 4);
  }
  if (width % 2 != 0) {
    const Chroma k = ChromaOf(cb[pairs], cr[pairs], c);
    uint32_t p = Pixel(y[width - 1], k.red, k.green, k.blue, c);
    std::memcpy(out + 4 * (width - 1), &p, 4);
  }
}
#undef QTML_VECTOR_CLONES

struct Layout {
  bool halfWidth;
  bool halfHeight;
  bool fullRange;
};

bool LayoutOf(int format, Layout* layout) {
  switch (format) {
    case AV_PIX_FMT_YUV444P:
      *layout = {false, false, false};
      return true;
    case AV_PIX_FMT_YUVJ444P:
      *layout = {false, false, true};
      return true;
    case AV_PIX_FMT_YUV422P:
      *layout = {true, false, false};
      return true;
    case AV_PIX_FMT_YUVJ422P:
      *layout = {true, false, true};
      return true;
    case AV_PIX_FMT_YUV420P:
      *layout = {true, true, false};
      return true;
    case AV_PIX_FMT_YUVJ420P:
      *layout = {true, true, true};
      return true;
    default:
      return false;
  }
}

}  // namespace

bool ConvertsYuv(int format) noexcept {
  Layout layout;
  return LayoutOf(format, &layout);
}

void YuvToArgb(const AVFrame& frame, uint8_t* base, long rowBytes) noexcept {
  Layout layout;
  if (!LayoutOf(frame.format, &layout)) return;
  const bool full = layout.fullRange || frame.color_range == AVCOL_RANGE_JPEG;
  const Coefficients& c = full ? kFullRange : kVideoRange;
  for (int row = 0; row < frame.height; ++row) {
    const int chromaRow = layout.halfHeight ? row >> 1 : row;
    const uint8_t* y = frame.data[0] + static_cast<ptrdiff_t>(row) * frame.linesize[0];
    const uint8_t* cb = frame.data[1] + static_cast<ptrdiff_t>(chromaRow) * frame.linesize[1];
    const uint8_t* cr = frame.data[2] + static_cast<ptrdiff_t>(chromaRow) * frame.linesize[2];
    uint8_t* out = base + static_cast<ptrdiff_t>(row) * rowBytes;
    if (layout.halfWidth) {
      HalfRow(y, cb, cr, out, frame.width, c);
    } else {
      FullRow(y, cb, cr, out, frame.width, c);
    }
  }
}

}  // namespace qtml
