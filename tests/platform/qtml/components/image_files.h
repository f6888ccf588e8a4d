// Image files for tests, written by FFmpeg's encoders (and, for GIF, its
// muxer, which writes the file's header) from pixels colour(x, y) gives.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

using ImageColour = std::function<uint32_t(int x, int y)>;  // 0xAARRGGBB

// The pixel format each test format is encoded from.
inline AVPixelFormat EncodedFormat(AVCodecID id) {
  switch (id) {
    case AV_CODEC_ID_MJPEG:
      return AV_PIX_FMT_YUVJ444P;
    case AV_CODEC_ID_BMP:
      return AV_PIX_FMT_BGR24;
    case AV_CODEC_ID_GIF:
      return AV_PIX_FMT_PAL8;
    case AV_CODEC_ID_PNG:
      return AV_PIX_FMT_RGBA;
    default:
      return AV_PIX_FMT_RGB24;
  }
}

// A frame of the encoder's format: converted from RGBA by the scaler, or
// for PAL8 given a palette of the colours used (at most 256).
inline AVFrame* ImageFrame(AVPixelFormat format, int w, int h, const ImageColour& colour) {
  AVFrame* frame = av_frame_alloc();
  frame->width = w;
  frame->height = h;
  frame->format = format;
  EXPECT_EQ(av_frame_get_buffer(frame, 0), 0);
  if (format == AV_PIX_FMT_PAL8) {
    std::map<uint32_t, uint8_t> indices;
    auto* palette = reinterpret_cast<uint32_t*>(frame->data[1]);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        uint32_t c = colour(x, y);
        auto found = indices.emplace(c, static_cast<uint8_t>(indices.size()));
        palette[found.first->second] = c;  // native 0xAARRGGBB, as PAL8 keeps it
        frame->data[0][y * frame->linesize[0] + x] = found.first->second;
      }
    }
    return frame;
  }
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint32_t c = colour(x, y);
      uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
      p[0] = static_cast<uint8_t>(c >> 16);
      p[1] = static_cast<uint8_t>(c >> 8);
      p[2] = static_cast<uint8_t>(c);
      p[3] = static_cast<uint8_t>(c >> 24);
    }
  }
  SwsContext* scale =
      sws_getContext(w, h, AV_PIX_FMT_RGBA, w, h, format,
                     SWS_POINT | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
  const uint8_t* in[4] = {rgba.data(), nullptr, nullptr, nullptr};
  int inLines[4] = {w * 4, 0, 0, 0};
  sws_scale(scale, in, inLines, 0, h, frame->data, frame->linesize);
  sws_freeContext(scale);
  return frame;
}

// Writes a w × h image file of the codec's format at `path`; false when
// FFmpeg cannot make it.
inline bool WriteImageFile(const std::string& path, AVCodecID id, int w, int h,
                           const ImageColour& colour) {
  const AVCodec* codec = avcodec_find_encoder(id);
  if (codec == nullptr) return false;
  AVCodecContext* c = avcodec_alloc_context3(codec);
  c->width = w;
  c->height = h;
  c->pix_fmt = EncodedFormat(id);
  c->time_base = AVRational{1, 25};
  if (id == AV_CODEC_ID_MJPEG) {
    c->color_range = AVCOL_RANGE_JPEG;
    c->flags |= AV_CODEC_FLAG_QSCALE;
    c->global_quality = FF_QP2LAMBDA * 2;
  }
  bool ok = avcodec_open2(c, codec, nullptr) == 0;
  AVFrame* frame = ok ? ImageFrame(c->pix_fmt, w, h, colour) : nullptr;
  AVPacket* packet = av_packet_alloc();
  ok = ok && avcodec_send_frame(c, frame) == 0 && avcodec_receive_packet(c, packet) == 0;
  if (ok && id == AV_CODEC_ID_GIF) {
    AVFormatContext* out = nullptr;
    ok = avformat_alloc_output_context2(&out, nullptr, "gif", path.c_str()) >= 0;
    AVStream* stream = ok ? avformat_new_stream(out, nullptr) : nullptr;
    ok = ok && stream != nullptr && avcodec_parameters_from_context(stream->codecpar, c) >= 0 &&
         avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0;
    if (ok) {
      stream->time_base = c->time_base;
      ok = avformat_write_header(out, nullptr) >= 0 && av_write_frame(out, packet) >= 0 &&
           av_write_trailer(out) >= 0;
      avio_closep(&out->pb);
    }
    avformat_free_context(out);
  } else if (ok) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(packet->data), packet->size);
  }
  av_packet_free(&packet);
  av_frame_free(&frame);
  avcodec_free_context(&c);
  return ok;
}
