// Y'CbCr frames turned into ARGB: the colours BT.601 and BT.709 give at
// both ranges, chroma shared by pairs of pixels and rows, odd widths, the row
// stride of the destination, and wide rows (converted sixteen pixels at a
// time where the processor can) against the exact sums.
#include "components/yuv_pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace {

struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

// A w × h frame of `format`; `yuv(x, y)` gives the (Y', Cb, Cr) of each
// pixel (the chroma of a shared sample is its top-left pixel's).
template <typename F>
FramePtr Frame(AVPixelFormat format, int w, int h, F yuv) {
  FramePtr frame(av_frame_alloc());
  frame->format = format;
  frame->width = w;
  frame->height = h;
  EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
  const bool halfWidth = format != AV_PIX_FMT_YUV444P && format != AV_PIX_FMT_YUVJ444P;
  const bool halfHeight = format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t c[3];
      yuv(x, y, c);
      frame->data[0][y * frame->linesize[0] + x] = c[0];
      int cx = halfWidth ? x / 2 : x, cy = halfHeight ? y / 2 : y;
      if ((halfWidth && x % 2 != 0) || (halfHeight && y % 2 != 0)) continue;
      frame->data[1][cy * frame->linesize[1] + cx] = c[1];
      frame->data[2][cy * frame->linesize[2] + cx] = c[2];
    }
  }
  return frame;
}

uint32_t Argb(const std::vector<uint8_t>& pixels, long rowBytes, int x, int y) {
  const uint8_t* p = pixels.data() + y * rowBytes + x * 4;
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Each channel of `a` within `tolerance` of `b`'s.
::testing::AssertionResult Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(d) > tolerance) {
      return ::testing::AssertionFailure() << std::hex << a << " is not near " << b;
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(YuvPixels, VideoAndFullRangeGiveBT601Colours) {
  // Left to right: black, white, red, green, blue, grey; video range.
  const uint8_t video[6][3] = {{16, 128, 128}, {235, 128, 128}, {81, 90, 240},
                               {145, 54, 34},  {41, 240, 110},  {126, 128, 128}};
  const uint32_t expected[6] = {0xFF000000, 0xFFFFFFFF, 0xFFFF0000,
                                0xFF00FF00, 0xFF0000FF, 0xFF808080};
  FramePtr frame = Frame(AV_PIX_FMT_YUV444P, 6, 1, [&](int x, int, uint8_t* c) {
    for (int i = 0; i < 3; ++i) c[i] = video[x][i];
  });
  std::vector<uint8_t> out(6 * 4);
  ASSERT_TRUE(qtml::ConvertsYuv(frame->format));
  qtml::YuvToArgb(*frame, out.data(), 6 * 4);
  for (int x = 0; x < 6; ++x) EXPECT_TRUE(Near(Argb(out, 24, x, 0), expected[x], 2)) << x;

  // JPEG's full range: 0 is black, 255 white, and the colours differ.
  const uint8_t full[3][3] = {{0, 128, 128}, {255, 128, 128}, {76, 85, 255}};
  const uint32_t fullExpected[3] = {0xFF000000, 0xFFFFFFFF, 0xFFFF0000};
  FramePtr jpeg = Frame(AV_PIX_FMT_YUVJ444P, 3, 1, [&](int x, int, uint8_t* c) {
    for (int i = 0; i < 3; ++i) c[i] = full[x][i];
  });
  qtml::YuvToArgb(*jpeg, out.data(), 3 * 4);
  for (int x = 0; x < 3; ++x) EXPECT_TRUE(Near(Argb(out, 12, x, 0), fullExpected[x], 2)) << x;
  // A video-range format marked as full range is read as full range.
  jpeg->format = AV_PIX_FMT_YUV444P;
  jpeg->color_range = AVCOL_RANGE_JPEG;
  qtml::YuvToArgb(*jpeg, out.data(), 3 * 4);
  EXPECT_TRUE(Near(Argb(out, 12, 0, 0), 0xFF000000, 0));
  EXPECT_TRUE(Near(Argb(out, 12, 1, 0), 0xFFFFFFFF, 0));
}

TEST(YuvPixels, SharedChromaCoversPairsOfPixelsAndRowsAtAnyWidth) {
  // 4:2:0 of 5 × 3: each 2 × 2 block its own hue, the odd column and row
  // their own; rows padded to 32 bytes.
  const uint8_t hues[3][3] = {{81, 90, 240}, {145, 54, 34}, {41, 240, 110}};
  auto hueOf = [](int x, int y) { return (x / 2 + y / 2) % 3; };
  for (AVPixelFormat format : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV422P}) {
    const bool rows = format == AV_PIX_FMT_YUV420P;
    FramePtr frame = Frame(format, 5, 3, [&](int x, int y, uint8_t* c) {
      int hue = hueOf(x, rows ? y : y * 2);
      for (int i = 0; i < 3; ++i) c[i] = hues[hue][i];
    });
    const long rowBytes = 32;
    std::vector<uint8_t> out(rowBytes * 3, 0xAB);
    qtml::YuvToArgb(*frame, out.data(), rowBytes);
    const uint32_t colours[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) {
        int hue = hueOf(x, rows ? y : y * 2);
        EXPECT_TRUE(Near(Argb(out, rowBytes, x, y), colours[hue], 2))
            << "format " << format << " at " << x << ", " << y;
      }
      // The bytes past the row's pixels stay as they were.
      EXPECT_EQ(out[y * rowBytes + 20], 0xAB);
    }
  }
  EXPECT_FALSE(qtml::ConvertsYuv(AV_PIX_FMT_RGB24));
  EXPECT_FALSE(qtml::ConvertsYuv(AV_PIX_FMT_YUV420P10LE));
}

TEST(YuvPixels, EveryPixelOfWideRowsIsWithinOneOfExactBT601OrBT709) {
  // Rows wide enough for whole runs of sixteen pixels and a tail, with
  // samples from an LCG: each pixel within 1 of the colour computed
  // exactly, by BT.709's weights for frames that say they are BT.709.
  struct Case {
    AVPixelFormat format;
    bool full;
    bool hd = false;
  };
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<uint8_t>(seed >> 24);
  };
  for (Case c : {Case{AV_PIX_FMT_YUV444P, false}, Case{AV_PIX_FMT_YUV422P, false},
                 Case{AV_PIX_FMT_YUV420P, false}, Case{AV_PIX_FMT_YUVJ444P, true},
                 Case{AV_PIX_FMT_YUVJ420P, true}, Case{AV_PIX_FMT_YUV420P, false, true},
                 Case{AV_PIX_FMT_YUV444P, false, true}, Case{AV_PIX_FMT_YUVJ422P, true, true}}) {
    const int w = 37, h = 4;
    std::vector<uint8_t> samples(static_cast<size_t>(w) * h * 3);
    for (uint8_t& v : samples) v = next();
    FramePtr frame = Frame(c.format, w, h, [&](int x, int y, uint8_t* yuv) {
      for (int i = 0; i < 3; ++i) yuv[i] = samples[(y * w + x) * 3 + i];
    });
    if (c.hd) frame->colorspace = AVCOL_SPC_BT709;
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
    qtml::YuvToArgb(*frame, out.data(), w * 4);
    const double kr = c.hd ? 0.2126 : 0.299, kb = c.hd ? 0.0722 : 0.114, kg = 1 - kr - kb;
    const double scale = c.full ? 1.0 : 255.0 / 224.0;
    const bool halfWidth = c.format != AV_PIX_FMT_YUV444P && c.format != AV_PIX_FMT_YUVJ444P;
    const bool halfHeight = c.format == AV_PIX_FMT_YUV420P || c.format == AV_PIX_FMT_YUVJ420P;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const int cx = halfWidth ? x & ~1 : x, cy = halfHeight ? y & ~1 : y;
        const double luma = samples[(y * w + x) * 3];
        const double cb = samples[(cy * w + cx) * 3 + 1] - 128.0;
        const double cr = samples[(cy * w + cx) * 3 + 2] - 128.0;
        const double l = c.full ? luma : 255.0 / 219.0 * (luma - 16);
        const double r = l + scale * 2 * (1 - kr) * cr;
        const double g =
            l - scale * 2 * kb * (1 - kb) / kg * cb - scale * 2 * kr * (1 - kr) / kg * cr;
        const double b = l + scale * 2 * (1 - kb) * cb;
        auto byte = [](double v) {
          return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 255.0)));
        };
        const uint32_t exact = 0xFF000000u | byte(r) << 16 | byte(g) << 8 | byte(b);
        EXPECT_TRUE(Near(Argb(out, w * 4, x, y), exact, 1))
            << "format " << c.format << " at " << x << ", " << y;
      }
    }
  }
}

}  // namespace
