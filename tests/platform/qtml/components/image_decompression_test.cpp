// Decompressing images FFmpeg encodes (PNG, JPEG, MPEG-4 video) through
// DecompressImage and decompression sequences, onto real pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "ImageCompression.h"
#include "MacMemory.h"
#include "QDOffscreen.h"
#include "QTMLTestControls.h"
#include "leak_check.h"
#include "pixel_worlds.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
}

namespace {

using Argb = uint32_t;
constexpr Argb kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kWhite = 0xFFFFFFFFu;

// One colour a quadrant: red, green / blue, white.
Argb QuadrantColour(int x, int y, int w, int h) {
  if (y < h / 2) return x < w / 2 ? kRed : kGreen;
  return x < w / 2 ? kBlue : kWhite;
}

// Frames FFmpeg encodes from RGB pixels that `colour(x, y)` gives.
class Encoder {
 public:
  Encoder(AVCodecID id, int w, int h, AVPixelFormat format) {
    const AVCodec* codec = avcodec_find_encoder(id);
    c_ = avcodec_alloc_context3(codec);
    c_->width = w;
    c_->height = h;
    c_->pix_fmt = format;
    c_->time_base = AVRational{1, 25};
    c_->gop_size = 3;
    c_->max_b_frames = 0;
    c_->thread_count = 1;
    if (id == AV_CODEC_ID_MJPEG) c_->color_range = AVCOL_RANGE_JPEG;
    EXPECT_EQ(avcodec_open2(c_, codec, nullptr), 0);
  }
  ~Encoder() { avcodec_free_context(&c_); }

  template <typename Colour>
  std::vector<uint8_t> Encode(Colour colour, int64_t pts = 0) {
    AVFrame* rgb = av_frame_alloc();
    rgb->width = c_->width;
    rgb->height = c_->height;
    rgb->format = AV_PIX_FMT_RGB24;
    EXPECT_EQ(av_frame_get_buffer(rgb, 0), 0);
    for (int y = 0; y < c_->height; ++y) {
      for (int x = 0; x < c_->width; ++x) {
        Argb p = colour(x, y);
        uint8_t* at = rgb->data[0] + y * rgb->linesize[0] + x * 3;
        at[0] = (p >> 16) & 0xFF;
        at[1] = (p >> 8) & 0xFF;
        at[2] = p & 0xFF;
      }
    }
    AVFrame* frame = rgb;
    AVFrame* converted = nullptr;
    if (c_->pix_fmt != AV_PIX_FMT_RGB24) {
      converted = av_frame_alloc();
      converted->width = c_->width;
      converted->height = c_->height;
      converted->format = c_->pix_fmt;
      EXPECT_EQ(av_frame_get_buffer(converted, 0), 0);
      ToYuv(*rgb, *converted);
      frame = converted;
    }
    frame->pts = pts;
    EXPECT_EQ(avcodec_send_frame(c_, frame), 0);
    AVPacket* packet = av_packet_alloc();
    EXPECT_EQ(avcodec_receive_packet(c_, packet), 0);
    std::vector<uint8_t> bytes(packet->data, packet->data + packet->size);
    av_packet_free(&packet);
    av_frame_free(&rgb);
    av_frame_free(&converted);
    return bytes;
  }

 private:
  // Full-range BT.601, as JPEG files keep their pixels; 4:2:0 or 4:2:2
  // chroma taken from each block's top-left pixel (the test images are
  // flat there).
  static void ToYuv(const AVFrame& rgb, AVFrame& yuv) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(yuv.format));
    for (int y = 0; y < rgb.height; ++y) {
      for (int x = 0; x < rgb.width; ++x) {
        const uint8_t* p = rgb.data[0] + y * rgb.linesize[0] + x * 3;
        double r = p[0], g = p[1], b = p[2];
        yuv.data[0][y * yuv.linesize[0] + x] = Clip(0.299 * r + 0.587 * g + 0.114 * b);
        if (x % (1 << d->log2_chroma_w) == 0 && y % (1 << d->log2_chroma_h) == 0) {
          int cx = x >> d->log2_chroma_w, cy = y >> d->log2_chroma_h;
          yuv.data[1][cy * yuv.linesize[1] + cx] =
              Clip(128 - 0.168736 * r - 0.331264 * g + 0.5 * b);
          yuv.data[2][cy * yuv.linesize[2] + cx] =
              Clip(128 + 0.5 * r - 0.418688 * g - 0.081312 * b);
        }
      }
    }
  }
  static uint8_t Clip(double v) {
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v + 0.5);
  }

  AVCodecContext* c_;
};

// An image description handle the Memory Manager holds.
class Description {
 public:
  Description(CodecType type, short w, short h, short depth) {
    handle_ = reinterpret_cast<ImageDescriptionHandle>(NewHandleClear(sizeof(ImageDescription)));
    ImageDescription& d = **handle_;
    d.idSize = sizeof(ImageDescription);
    d.cType = type;
    d.width = w;
    d.height = h;
    d.depth = depth;
    d.hRes = d.vRes = 72 << 16;
    d.frameCount = 1;
    d.clutID = -1;
  }
  ~Description() { DisposeHandle(reinterpret_cast<Handle>(handle_)); }
  ImageDescriptionHandle handle() const { return handle_; }

 private:
  ImageDescriptionHandle handle_;
};

bool Near(Argb a, Argb b, int tolerance) {
  for (int shift = 0; shift <= 16; shift += 8) {
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) >
        tolerance) {
      return false;
    }
  }
  return true;
}

class ImageDecompressionTest : public ::testing::Test {
 protected:
  void SetUp() override { leaks_.Start(); }
  void TearDown() override {
    worlds_.Clear();
    leaks_.Verify();
  }
  GWorldPtr Make(short w, short h) { return worlds_.Make(w, h); }
  static Argb At(GWorldPtr world, int x, int y) { return PixelAt(world, x, y); }

  LeakCheck leaks_;
  TestWorlds worlds_;
};

TEST_F(ImageDecompressionTest, PngAndJpegImagesDrawTheirPixelsScaled) {
  Encoder png(AV_CODEC_ID_PNG, 16, 8, AV_PIX_FMT_RGB24);
  std::vector<uint8_t> pngBytes =
      png.Encode([](int x, int y) { return QuadrantColour(x, y, 16, 8); });
  Description pngDesc('png ', 16, 8, 24);
  (**pngDesc.handle()).dataSize = static_cast<SInt32>(pngBytes.size());
  GWorldPtr dst = Make(32, 16);
  const Rect doubled{0, 0, 16, 32};
  ASSERT_EQ(DecompressImage(reinterpret_cast<Ptr>(pngBytes.data()), pngDesc.handle(),
                            GetGWorldPixMap(dst), nullptr, &doubled, srcCopy, nullptr),
            noErr);
  // Lossless: quadrant middles are exact at twice the size.
  EXPECT_EQ(At(dst, 4, 4), kRed);
  EXPECT_EQ(At(dst, 28, 4), kGreen);
  EXPECT_EQ(At(dst, 4, 12), kBlue);
  EXPECT_EQ(At(dst, 28, 12), kWhite);

  Encoder jpeg(AV_CODEC_ID_MJPEG, 32, 32, AV_PIX_FMT_YUVJ420P);
  std::vector<uint8_t> jpegBytes =
      jpeg.Encode([](int x, int y) { return QuadrantColour(x, y, 32, 32); });
  Description jpegDesc('jpeg', 32, 32, 24);
  (**jpegDesc.handle()).dataSize = static_cast<SInt32>(jpegBytes.size());
  GWorldPtr photo = Make(32, 32);
  const Rect same{0, 0, 32, 32};
  ASSERT_EQ(DecompressImage(reinterpret_cast<Ptr>(jpegBytes.data()), jpegDesc.handle(),
                            GetGWorldPixMap(photo), nullptr, &same, srcCopy, nullptr),
            noErr);
  EXPECT_TRUE(Near(At(photo, 4, 4), kRed, 24)) << std::hex << At(photo, 4, 4);
  EXPECT_TRUE(Near(At(photo, 27, 27), kWhite, 24)) << std::hex << At(photo, 27, 27);
  EXPECT_TRUE(Near(At(photo, 4, 27), kBlue, 24)) << std::hex << At(photo, 4, 27);
}

TEST_F(ImageDecompressionTest, ASequenceKeepsItsDecoderAcrossFramesAndFollowsItsSettings) {
  // MPEG-4 video: frames 1 and 2 predict from the key frame before them.
  Encoder mpeg4(AV_CODEC_ID_MPEG4, 32, 32, AV_PIX_FMT_YUV420P);
  std::vector<std::vector<uint8_t>> frames;
  const Argb colours[] = {kRed, kGreen, kBlue, kWhite};
  for (int i = 0; i < 4; ++i) {
    Argb c = colours[i];
    frames.push_back(mpeg4.Encode([c](int, int) { return c; }, i));
  }
  Description desc('mp4v', 32, 32, 24);
  GWorldPtr dst = Make(64, 64);
  ImageSequence seq = 0;
  ASSERT_EQ(DecompressSequenceBeginS(&seq, desc.handle(), nullptr, 0, dst, nullptr, nullptr,
                                     nullptr, ditherCopy, nullptr, 0, codecNormalQuality, anyCodec),
            noErr);
  ASSERT_NE(seq, 0);
  for (int i = 0; i < 4; ++i) {
    CodecFlags out = 0xFFFF;
    ASSERT_EQ(DecompressSequenceFrameS(seq, reinterpret_cast<Ptr>(frames[i].data()),
                                       static_cast<long>(frames[i].size()), 0, &out, nullptr),
              noErr);
    EXPECT_TRUE(Near(At(dst, 16, 16), colours[i], 16)) << i << ": " << std::hex << At(dst, 16, 16);
    EXPECT_EQ(At(dst, 40, 40), 0u) << "outside the image, nothing drawn";
  }

  // Through a matrix that doubles and moves the image, masked to the
  // lower half, in blend mode with half weight over black.
  MatrixRecord m;
  SetIdentityMatrix(&m);
  ScaleMatrix(&m, 2 << 16, 2 << 16, 0, 0);
  ASSERT_EQ(SetDSequenceMatrix(seq, &m), noErr);
  RgnHandle lower = NewRgn();
  SetRectRgn(lower, 0, 32, 64, 64);
  ASSERT_EQ(SetDSequenceMask(seq, lower), noErr);
  DisposeRgn(lower);  // the sequence keeps a copy
  const RGBColor half{0x8000, 0x8000, 0x8000};
  ASSERT_EQ(SetDSequenceTransferMode(seq, blend, &half), noErr);
  GWorldPtr black = Make(64, 64);
  PixMapHandle pm = GetGWorldPixMap(black);
  std::memset(GetPixBaseAddr(pm), 0, static_cast<size_t>(GetPixRowBytes(pm)) * 64);
  // Drawing goes to the port given at the start; draw a key frame again.
  ASSERT_EQ(DecompressSequenceFrameS(seq, reinterpret_cast<Ptr>(frames[3].data()),
                                     static_cast<long>(frames[3].size()), 0, nullptr, nullptr),
            noErr);
  EXPECT_TRUE(Near(At(dst, 16, 16), kWhite, 16)) << "above the mask: frame 3 before";
  EXPECT_TRUE(Near(At(dst, 60, 60), 0xFF808080u, 20)) << std::hex << At(dst, 60, 60);

  ASSERT_EQ(CDSequenceEnd(seq), noErr);
  EXPECT_EQ(CDSequenceEnd(seq), paramErr) << "an ended sequence is gone";
  EXPECT_EQ(DecompressSequenceFrameS(seq, reinterpret_cast<Ptr>(frames[0].data()),
                                     static_cast<long>(frames[0].size()), 0, nullptr, nullptr),
            paramErr);
}

TEST_F(ImageDecompressionTest, SourceRectanglesAndTheFirstFrameAtTheStart) {
  Encoder png(AV_CODEC_ID_PNG, 16, 16, AV_PIX_FMT_RGB24);
  std::vector<uint8_t> bytes =
      png.Encode([](int x, int y) { return QuadrantColour(x, y, 16, 16); });
  Description desc('png ', 16, 16, 24);
  GWorldPtr dst = Make(16, 16);
  // Only the lower-right quadrant, drawn where the image puts it.
  const Rect quarter{8, 8, 16, 16};
  ImageSequence seq = 0;
  ASSERT_EQ(DecompressSequenceBeginS(&seq, desc.handle(), reinterpret_cast<Ptr>(bytes.data()),
                                     static_cast<long>(bytes.size()), dst, nullptr, &quarter,
                                     nullptr, srcCopy, nullptr, 0, codecNormalQuality, anyCodec),
            noErr);
  EXPECT_EQ(At(dst, 12, 12), kWhite);
  EXPECT_EQ(At(dst, 4, 4), 0u);
  ASSERT_EQ(SetDSequenceSrcRect(seq, nullptr), noErr);
  ASSERT_EQ(DecompressSequenceFrameS(seq, reinterpret_cast<Ptr>(bytes.data()),
                                     static_cast<long>(bytes.size()), 0, nullptr, nullptr),
            noErr);
  EXPECT_EQ(At(dst, 4, 4), kRed);
  EXPECT_EQ(CDSequenceEnd(seq), noErr);
}

TEST_F(ImageDecompressionTest, RefusalsSayWhy) {
  GWorldPtr dst = Make(8, 8);
  ImageSequence seq = 77;
  Description unknown('zzzz', 8, 8, 24);
  EXPECT_EQ(DecompressSequenceBeginS(&seq, unknown.handle(), nullptr, 0, dst, nullptr, nullptr,
                                     nullptr, srcCopy, nullptr, 0, 0, anyCodec),
            noCodecErr);
  EXPECT_EQ(seq, 0);
  EXPECT_EQ(DecompressSequenceBeginS(&seq, nullptr, nullptr, 0, dst, nullptr, nullptr, nullptr,
                                     srcCopy, nullptr, 0, 0, anyCodec),
            paramErr);
  Description png('png ', 8, 8, 24);
  ASSERT_EQ(DecompressSequenceBeginS(&seq, png.handle(), nullptr, 0, dst, nullptr, nullptr, nullptr,
                                     srcCopy, nullptr, 0, 0, anyCodec),
            noErr);
  char garbage[64] = {1, 2, 3};
  EXPECT_EQ(DecompressSequenceFrameS(seq, garbage, sizeof garbage, 0, nullptr, nullptr), codecErr);
  Handle notARegion = NewHandle(2);
  EXPECT_EQ(SetDSequenceMask(seq, reinterpret_cast<RgnHandle>(notARegion)), paramErr);
  DisposeHandle(notARegion);
  EXPECT_EQ(SetDSequenceFlags(seq + 1, 0, 0), paramErr);
  EXPECT_EQ(CDSequenceEnd(seq), noErr);
  QTMLTest_FailCall("DecompressSequenceBeginS", 1, memFullErr);
  EXPECT_EQ(DecompressSequenceBeginS(&seq, png.handle(), nullptr, 0, dst, nullptr, nullptr, nullptr,
                                     srcCopy, nullptr, 0, 0, anyCodec),
            memFullErr);
  QTMLTest_ClearFaults();
}

TEST_F(ImageDecompressionTest, ImageWorldsTakeTheImagesSizeAndADepthItDrawsTo) {
  Description jpeg('jpeg', 40, 30, 24);
  GWorldPtr world = nullptr;
  ASSERT_EQ(NewImageGWorld(&world, jpeg.handle(), 0), noErr);
  worlds_.Keep(world);
  PixMapHandle pm = GetGWorldPixMap(world);
  EXPECT_EQ((**pm).pixelSize, 32);
  EXPECT_EQ((**pm).bounds.right, 40);
  EXPECT_EQ((**pm).bounds.bottom, 30);
  Description raw8('raw ', 4, 4, 8);
  ASSERT_EQ(NewImageGWorld(&world, raw8.handle(), 0), noErr);
  worlds_.Keep(world);
  EXPECT_EQ((**GetGWorldPixMap(world)).pixelSize, 8);
  EXPECT_EQ(NewImageGWorld(nullptr, raw8.handle(), 0), paramErr);
}

}  // namespace
