#include "core/image_codecs.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cstddef>
#include <cstring>
#include <memory>

#include "core/objects.h"

namespace fenra::host {
namespace {

// Larger images are refused rather than allocated.
constexpr int64_t kMaxPixels = int64_t{1} << 28;

// Pictures' pixels as FFmpeg names them: 0xAARRGGBB in native byte order.
constexpr AVPixelFormat kPictureFormat = AV_PIX_FMT_RGB32;

// JPEG quality as FFmpeg's quantiser scale, 1 (best) to 31.
constexpr int kJpegScale = 2;

struct CodecContextFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScalerFree {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
using CodecContext = std::unique_ptr<AVCodecContext, CodecContextFree>;
using Frame = std::unique_ptr<AVFrame, FrameFree>;
using Packet = std::unique_ptr<AVPacket, PacketFree>;
using Scaler = std::unique_ptr<SwsContext, ScalerFree>;

AVCodecID CodecOf(ImageFormat format) {
  switch (format) {
    case ImageFormat::kPng:
      return AV_CODEC_ID_PNG;
    case ImageFormat::kBmp:
      return AV_CODEC_ID_BMP;
    case ImageFormat::kJpeg:
      return AV_CODEC_ID_MJPEG;
  }
  return AV_CODEC_ID_NONE;
}

// A context for the codec, its messages silenced: a file that does not
// decode is reported by the caller, not by FFmpeg on standard error.
CodecContext NewContext(const AVCodec* codec) {
  if (codec == nullptr) return nullptr;
  CodecContext context(avcodec_alloc_context3(codec));
  if (context != nullptr) context->log_level_offset = AV_LOG_MAX_OFFSET;
  return context;
}

// FFmpeg's full-range ("J") YUV formats are deprecated in libswscale,
// which warns when given them: they are passed as the plain formats with
// the range set on the scaler instead.
AVPixelFormat WithoutRange(AVPixelFormat format, bool* fullRange) {
  *fullRange = true;
  switch (format) {
    case AV_PIX_FMT_YUVJ420P:
      return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
      return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
      return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
      return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
      return AV_PIX_FMT_YUV411P;
    default:
      *fullRange = false;
      return format;
  }
}

// A new frame of the format and size, its buffers allocated aligned and
// padded as FFmpeg's code expects of them.
Frame NewFrame(AVPixelFormat format, int width, int height) {
  Frame frame(av_frame_alloc());
  if (frame == nullptr) return nullptr;
  frame->format = format;
  frame->width = width;
  frame->height = height;
  if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
  return frame;
}

// Converts `from`, whose pixels are taken as `fromFormat`, into `to` of
// the same size, pixel for pixel; full-range YUV on either side when asked.
bool Convert(const AVFrame& from, AVPixelFormat fromFormat, bool fromFull, AVFrame& to,
             bool toFull) {
  Scaler scaler(sws_getContext(from.width, from.height, fromFormat, to.width, to.height,
                               static_cast<AVPixelFormat>(to.format),
                               SWS_POINT | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr,
                               nullptr));
  if (scaler == nullptr) return false;
  if (fromFull || toFull) {
    int *inverse = nullptr, *table = nullptr;
    int fromRange = 0, toRange = 0, brightness = 0, contrast = 0, saturation = 0;
    if (sws_getColorspaceDetails(scaler.get(), &inverse, &fromRange, &table, &toRange, &brightness,
                                 &contrast, &saturation) < 0 ||
        sws_setColorspaceDetails(scaler.get(), inverse, fromFull ? 1 : fromRange, table,
                                 toFull ? 1 : toRange, brightness, contrast, saturation) < 0) {
      return false;
    }
  }
  return sws_scale(scaler.get(), from.data, from.linesize, 0, from.height, to.data, to.linesize) ==
         from.height;
}

// Whether any channel of the format has more than 8 bits.
bool IsDeep(AVPixelFormat format) {
  const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
  if (descriptor == nullptr) return false;
  for (int i = 0; i < descriptor->nb_components; ++i) {
    if (descriptor->comp[i].depth > 8) return true;
  }
  return false;
}

// A 16-bit channel to 8 bits, to the nearest level.
uint32_t Narrow(uint16_t channel) {
  return (uint32_t{channel} * 255 + 32767) / 65535;
}

// The decoded frame's pixels into the picture, of its size. libswscale
// narrows 16-bit channels to 8 bits a level off at times, but widens
// exactly: deep frames are widened to 16-bit RGBA and narrowed here.
bool FillPicture(const AVFrame& frame, Picture& picture) {
  int width = frame.width, height = frame.height;
  bool fullRange = false;
  AVPixelFormat source = WithoutRange(static_cast<AVPixelFormat>(frame.format), &fullRange);
  fullRange = fullRange || frame.color_range == AVCOL_RANGE_JPEG;
  bool deep = IsDeep(source);
  Frame pixels = NewFrame(deep ? AV_PIX_FMT_RGBA64 : kPictureFormat, width, height);
  if (pixels == nullptr || !Convert(frame, source, fullRange, *pixels, false)) return false;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = pixels->data[0] + static_cast<ptrdiff_t>(y) * pixels->linesize[0];
    uint32_t* out = picture.Data() + static_cast<size_t>(y) * width;
    if (!deep) {
      std::memcpy(out, row, static_cast<size_t>(width) * 4);
      continue;
    }
    const auto* wide = reinterpret_cast<const uint16_t*>(row);
    for (int x = 0; x < width; ++x, wide += 4) {
      out[x] =
          Narrow(wide[3]) << 24 | Narrow(wide[0]) << 16 | Narrow(wide[1]) << 8 | Narrow(wide[2]);
    }
  }
  return true;
}

// The picture's pixels in `format`, in a new frame.
Frame FrameOf(const Picture& picture, AVPixelFormat format, bool fullRange) {
  int width = picture.Width(), height = picture.Height();
  Frame source = NewFrame(kPictureFormat, width, height);
  Frame frame = NewFrame(format, width, height);
  if (source == nullptr || frame == nullptr) return nullptr;
  for (int y = 0; y < height; ++y) {
    std::memcpy(source->data[0] + static_cast<ptrdiff_t>(y) * source->linesize[0],
                picture.Data() + static_cast<size_t>(y) * width, static_cast<size_t>(width) * 4);
  }
  if (fullRange) frame->color_range = AVCOL_RANGE_JPEG;
  if (!Convert(*source, kPictureFormat, false, *frame, fullRange)) return nullptr;
  return frame;
}

// The encoder of `format` set up for the picture: its pixel format, and
// whether that is full-range YUV.
CodecContext OpenEncoder(const Picture& picture, ImageFormat format, AVPixelFormat* pixels,
                         bool* fullRange) {
  CodecContext context = NewContext(avcodec_find_encoder(CodecOf(format)));
  if (context == nullptr) return nullptr;
  *fullRange = false;
  context->width = picture.Width();
  context->height = picture.Height();
  context->time_base = AVRational{1, 1};
  context->sample_aspect_ratio = AVRational{1, 1};  // square pixels: a JFIF header
  context->flags |= AV_CODEC_FLAG_BITEXACT;         // no encoder name written
  switch (format) {
    case ImageFormat::kPng:
      *pixels = AV_PIX_FMT_RGBA;
      break;
    case ImageFormat::kBmp:
      *pixels = AV_PIX_FMT_BGR24;
      break;
    case ImageFormat::kJpeg:
      *pixels = AV_PIX_FMT_YUV444P;
      *fullRange = true;
      context->color_range = AVCOL_RANGE_JPEG;
      context->flags |= AV_CODEC_FLAG_QSCALE;
      context->global_quality = FF_QP2LAMBDA * kJpegScale;
      break;
  }
  context->pix_fmt = *pixels;
  if (avcodec_open2(context.get(), context->codec, nullptr) < 0) return nullptr;
  return context;
}

}  // namespace

std::vector<uint8_t> EncodeImage(const Picture& picture, ImageFormat format) {
  if (picture.Width() == 0 || picture.Height() == 0) return {};
  AVPixelFormat pixels = AV_PIX_FMT_NONE;
  bool fullRange = false;
  CodecContext context = OpenEncoder(picture, format, &pixels, &fullRange);
  if (context == nullptr) return {};
  Frame frame = FrameOf(picture, pixels, fullRange);
  Packet packet(av_packet_alloc());
  if (frame == nullptr || packet == nullptr || avcodec_send_frame(context.get(), frame.get()) < 0 ||
      avcodec_send_frame(context.get(), nullptr) < 0 ||
      avcodec_receive_packet(context.get(), packet.get()) < 0) {
    return {};
  }
  return std::vector<uint8_t>(packet->data, packet->data + packet->size);
}

Picture* DecodeImage(const std::vector<uint8_t>& bytes, ImageFormat format) {
  CodecContext context = NewContext(avcodec_find_decoder(CodecOf(format)));
  Packet packet(av_packet_alloc());
  Frame frame(av_frame_alloc());
  if (context == nullptr || packet == nullptr || frame == nullptr || bytes.empty() ||
      bytes.size() > INT32_MAX || avcodec_open2(context.get(), context->codec, nullptr) < 0 ||
      av_new_packet(packet.get(), static_cast<int>(bytes.size())) < 0) {
    return nullptr;
  }
  std::memcpy(packet->data, bytes.data(), bytes.size());
  if (avcodec_send_packet(context.get(), packet.get()) < 0 ||
      avcodec_send_packet(context.get(), nullptr) < 0 ||
      avcodec_receive_frame(context.get(), frame.get()) < 0) {
    return nullptr;
  }
  int width = frame->width, height = frame->height;
  if (width <= 0 || height <= 0 || int64_t{width} * height > kMaxPixels) return nullptr;
  auto picture = std::make_unique<Picture>(width, height, 32);
  if (!FillPicture(*frame, *picture)) return nullptr;
  return picture.release();
}

}  // namespace fenra::host
