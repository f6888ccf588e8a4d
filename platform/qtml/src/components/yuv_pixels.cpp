#include "components/yuv_pixels.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define QTML_AVX2_ROWS 1
#endif

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace qtml {
namespace {

static_assert(std::endian::native == std::endian::little,
              "pixels are packed as little-endian words");

// How much of each component goes into red, green and blue, in 16.16
// fixed point.
struct Coefficients {
  int32_t y;        // per step of Y' above `black`
  int32_t black;    // Y' of black
  int32_t crRed;    // per step of Cr from 128
  int32_t cbGreen;  // taken away
  int32_t crGreen;  // taken away
  int32_t cbBlue;
};
// ITU-R BT.601's, the frames' unless they say otherwise (as FFmpeg reads
// them), and BT.709's, which high-definition frames mostly say they are.
constexpr Coefficients kVideoRange{76309, 16, 104597, 25675, 53279, 132201};
constexpr Coefficients kFullRange{65536, 0, 91881, 22554, 46802, 116130};
constexpr Coefficients kVideoRange709{76309, 16, 117489, 13975, 34925, 138438};
constexpr Coefficients kFullRange709{65536, 0, 103206, 12276, 30679, 121609};

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

#if QTML_AVX2_ROWS
// The same sums sixteen pixels at a time in 16-bit lanes, with six bits of
// fraction: each product is a rounded high multiply of a sample scaled by
// 128 with its coefficient in 1.14 (the 16.16 one over 4). Blue's Cb
// coefficient is over 2, so Cb * 64 is added besides its fraction's product.
// Within 1 of the 16.16 sums.
struct Lanes {
  int16_t y, black, crRed, cbGreen, crGreen, cbBlueFraction;
};
constexpr int16_t Quarter(int32_t c) {
  return static_cast<int16_t>((c + 2) / 4);
}
constexpr Lanes LanesOf(const Coefficients& c) {
  return {Quarter(c.y),       static_cast<int16_t>(c.black),
          Quarter(c.crRed),   Quarter(c.cbGreen),
          Quarter(c.crGreen), static_cast<int16_t>(Quarter(c.cbBlue) - 16384)};
}
constexpr Lanes kVideoLanes = LanesOf(kVideoRange);
constexpr Lanes kFullLanes = LanesOf(kFullRange);
constexpr Lanes kVideoLanes709 = LanesOf(kVideoRange709);
constexpr Lanes kFullLanes709 = LanesOf(kFullRange709);

// Converts the row's pixels in whole sixteens and answers how many; with
// `half`, a chroma pair serves two pixels.
[[gnu::target("avx2")]] int Avx2Row(const uint8_t* y, const uint8_t* cb, const uint8_t* cr,
                                    uint8_t* out, int width, bool half, const Lanes& k) {
  const __m256i black = _mm256_set1_epi16(k.black);
  const __m256i middle = _mm256_set1_epi16(128);
  const __m256i ky = _mm256_set1_epi16(k.y);
  const __m256i rounding = _mm256_set1_epi16(32);
  const __m256i crRed = _mm256_set1_epi16(k.crRed);
  const __m256i cbGreen = _mm256_set1_epi16(k.cbGreen);
  const __m256i crGreen = _mm256_set1_epi16(k.crGreen);
  const __m256i cbBlue = _mm256_set1_epi16(k.cbBlueFraction);
  const __m256i opaque = _mm256_set1_epi16(0xFF);
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    __m128i u8, v8;
    if (half) {
      u8 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb + x / 2));
      v8 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(cr + x / 2));
      u8 = _mm_unpacklo_epi8(u8, u8);
      v8 = _mm_unpacklo_epi8(v8, v8);
    } else {
      u8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cb + x));
      v8 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cr + x));
    }
    const __m256i y16 =
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y + x)));
    const __m256i luma = _mm256_add_epi16(
        _mm256_mulhrs_epi16(_mm256_slli_epi16(_mm256_sub_epi16(y16, black), 7), ky), rounding);
    const __m256i u = _mm256_slli_epi16(_mm256_sub_epi16(_mm256_cvtepu8_epi16(u8), middle), 7);
    const __m256i v = _mm256_slli_epi16(_mm256_sub_epi16(_mm256_cvtepu8_epi16(v8), middle), 7);
    const __m256i r = _mm256_srai_epi16(_mm256_adds_epi16(luma, _mm256_mulhrs_epi16(v, crRed)), 6);
    const __m256i g = _mm256_srai_epi16(
        _mm256_subs_epi16(_mm256_subs_epi16(luma, _mm256_mulhrs_epi16(u, cbGreen)),
                          _mm256_mulhrs_epi16(v, crGreen)),
        6);
    const __m256i b =
        _mm256_srai_epi16(_mm256_adds_epi16(_mm256_adds_epi16(luma, _mm256_srai_epi16(u, 1)),
                                            _mm256_mulhrs_epi16(u, cbBlue)),
                          6);
    // Packing clamps to 0...255. Within each 128-bit half (eight pixels):
    // bytes R then B, and A then G; interleaved into A R and G B pairs,
    // then into A R G B.
    const __m256i rb = _mm256_packus_epi16(r, b);
    const __m256i ag = _mm256_packus_epi16(opaque, g);
    const __m256i ar = _mm256_unpacklo_epi8(ag, rb);
    const __m256i gb = _mm256_unpackhi_epi8(ag, rb);
    const __m256i low = _mm256_unpacklo_epi16(ar, gb);   // pixels 0-3 and 8-11
    const __m256i high = _mm256_unpackhi_epi16(ar, gb);  // pixels 4-7 and 12-15
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * x),
                        _mm256_permute2x128_si256(low, high, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * x + 32),
                        _mm256_permute2x128_si256(low, high, 0x31));
  }
  return x;
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

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
  const bool hd = frame.colorspace == AVCOL_SPC_BT709;
  const Coefficients& c =
      hd ? (full ? kFullRange709 : kVideoRange709) : (full ? kFullRange : kVideoRange);
  for (int row = 0; row < frame.height; ++row) {
    int width = frame.width;
    const int chromaRow = layout.halfHeight ? row >> 1 : row;
    const uint8_t* y = frame.data[0] + static_cast<ptrdiff_t>(row) * frame.linesize[0];
    const uint8_t* cb = frame.data[1] + static_cast<ptrdiff_t>(chromaRow) * frame.linesize[1];
    const uint8_t* cr = frame.data[2] + static_cast<ptrdiff_t>(chromaRow) * frame.linesize[2];
    uint8_t* out = base + static_cast<ptrdiff_t>(row) * rowBytes;
#if QTML_AVX2_ROWS
    if (HasAvx2()) {
      const Lanes& lanes =
          hd ? (full ? kFullLanes709 : kVideoLanes709) : (full ? kFullLanes : kVideoLanes);
      const int done = Avx2Row(y, cb, cr, out, frame.width, layout.halfWidth, lanes);
      const int chromaDone = layout.halfWidth ? done / 2 : done;
      y += done;
      cb += chromaDone;
      cr += chromaDone;
      out += 4 * static_cast<ptrdiff_t>(done);
      width = frame.width - done;
    }
#endif
    if (layout.halfWidth) {
      HalfRow(y, cb, cr, out, width, c);
    } else {
      FullRow(y, cb, cr, out, width, c);
    }
  }
}

}  // namespace qtml
