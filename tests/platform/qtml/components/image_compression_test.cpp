// Compression through the Image Compression Manager: images and sequences
// compressed from drawn off-screen worlds, written into movie files and
// read back by FFmpeg, whose pictures must be the ones drawn.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ImageCompression.h"
#include "MacMemory.h"
#include "Movies.h"
#include "quickdraw/offscreen_test.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace {

// A smooth field of colour, half transparent in its top rows, with a
// bright square that moves four pixels a frame.
uint32_t Pattern(int x, int y, int t) {
  uint32_t alpha = y < 8 ? 0x80u : 0xFFu;
  if (x >= 8 + 4 * t && x < 24 + 4 * t && y >= 40 && y < 56) return alpha << 24 | 0xF0F028u;
  return alpha << 24 | static_cast<uint32_t>(20 + x + 3 * t) << 16 |
         static_cast<uint32_t>(30 + y) << 8 | static_cast<uint32_t>(220 - x);
}

// How far a decoded picture strays from frame t of the pattern over
// `area`: the mean difference of a colour channel (and of alpha, with
// `alpha`).
double ErrorFrom(const std::vector<uint32_t>& picture, const Rect& area, int t, bool alpha) {
  size_t width = static_cast<size_t>(area.right - area.left);
  if (picture.size() != width * static_cast<size_t>(area.bottom - area.top)) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < picture.size(); ++i) {
    uint32_t want =
        Pattern(area.left + static_cast<int>(i % width), area.top + static_cast<int>(i / width), t);
    for (int shift = alpha ? 24 : 16; shift >= 0; shift -= 8) {
      sum += std::abs(static_cast<int>((picture[i] >> shift) & 0xFF) -
                      static_cast<int>((want >> shift) & 0xFF));
    }
  }
  return sum / static_cast<double>(picture.size() * (alpha ? 4 : 3));
}

struct Coded {
  std::vector<uint8_t> bytes;
  UInt8 similarity = 0;
};

// What FFmpeg reads from a movie file: each frame's pixels as ARGB words
// and whether the file marks it a key frame.
struct Decoded {
  std::vector<std::vector<uint32_t>> pictures;
  std::vector<bool> keys;
};

Decoded DecodeMovie(const std::string& path) {
  Decoded out;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return out;
  int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const AVCodec* codec =
      stream < 0 ? nullptr : avcodec_find_decoder(format->streams[stream]->codecpar->codec_id);
  AVCodecContext* decoder = avcodec_alloc_context3(codec);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto collect = [&] {
    while (avcodec_receive_frame(decoder, frame) == 0) {
      std::vector<uint32_t> argb(static_cast<size_t>(frame->width) * frame->height);
      SwsContext* scale = sws_getContext(
          frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
          frame->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
      uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(argb.data())};
      int strides[4] = {frame->width * 4};
      sws_scale(scale, frame->data, frame->linesize, 0, frame->height, planes, strides);
      sws_freeContext(scale);
      out.pictures.push_back(argb);  // BGRA bytes are ARGB words on this machine
    }
  };
  if (codec != nullptr &&
      avcodec_parameters_to_context(decoder, format->streams[stream]->codecpar) >= 0 &&
      avcodec_open2(decoder, codec, nullptr) >= 0) {
    while (av_read_frame(format, packet) >= 0) {
      if (packet->stream_index == stream) {
        out.keys.push_back((packet->flags & AV_PKT_FLAG_KEY) != 0);
        avcodec_send_packet(decoder, packet);
        collect();
      }
      av_packet_unref(packet);
    }
    avcodec_send_packet(decoder, nullptr);
    collect();
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&decoder);
  avformat_close_input(&format);
  return out;
}

// The types tried, how far their pictures may stray from the drawn ones,
// and the depth their descriptions give 32-bit sources.
struct TypeCase {
  OSType type;
  double tolerance;
  short depth;
};
const TypeCase kTypes[] = {{'jpeg', 3, 24}, {'png ', 0, 32}, {'rle ', 0, 32}, {'cvid', 6, 24},
                           {'smc ', 14, 8}, {'rpza', 5, 16}, {'SVQ1', 5, 24}, {'mp4v', 3, 24},
                           {'h263', 3, 24}, {'avc1', 3, 24}};

bool HasCompressor(OSType type) {
  CompressorComponent compressor = nullptr;
  return FindCodec(type, anyCodec, &compressor, nullptr) == noErr && compressor != nullptr;
}

std::string Name(OSType type) {
  return {static_cast<char>(type >> 24), static_cast<char>(type >> 16),
          static_cast<char>(type >> 8), static_cast<char>(type)};
}

const Rect kFrame{0, 0, 96, 128};  // H.263's smallest picture

class ImageCompressionTest : public OffscreenTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(EnterMovies(), noErr);
    OffscreenTest::SetUp();
    dir_ = std::filesystem::temp_directory_path() / ("compress_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    for (Handle h : handles_) DisposeHandle(h);
    OffscreenTest::TearDown();
    std::filesystem::remove_all(dir_);
  }

  // A new description handle, disposed of after the test.
  ImageDescriptionHandle NewDescription() {
    handles_.push_back(NewHandle(0));
    return reinterpret_cast<ImageDescriptionHandle>(handles_.back());
  }

  // A 32-bit world over `bounds` showing frame 0 of the pattern.
  GWorldPtr Drawn(const Rect& bounds) {
    GWorldPtr world = Make(32, bounds);
    Draw(world, 0);
    return world;
  }
  static void Draw(GWorldPtr world, int t) {
    PixMapHandle pm = GetGWorldPixMap(world);
    const Rect& b = (**pm).bounds;
    for (int y = b.top; y < b.bottom; ++y) {
      auto* row = reinterpret_cast<uint8_t*>(GetPixBaseAddr(pm)) + (y - b.top) * GetPixRowBytes(pm);
      for (int x = b.left; x < b.right; ++x) {
        uint32_t c = Pattern(x, y, t);
        for (int i = 0; i < 4; ++i)
          row[(x - b.left) * 4 + i] = static_cast<uint8_t>(c >> (24 - 8 * i));
      }
    }
  }

  // A sequence of `count` frames of the pattern at 32 bits, frames in
  // `forced` forced to be key frames; desc is filled.
  std::vector<Coded> CompressSequence(OSType type, long keyFrameRate, CodecQ temporal, int count,
                                      ImageDescriptionHandle desc, int forced = -1) {
    GWorldPtr world = Drawn(kFrame);
    PixMapHandle pm = GetGWorldPixMap(world);
    long max = 0;
    EXPECT_EQ(GetMaxCompressionSize(pm, &kFrame, 32, codecHighQuality, type, anyCodec, &max),
              noErr);
    ImageSequence seq = 0;
    EXPECT_EQ(CompressSequenceBegin(&seq, pm, nullptr, &kFrame, nullptr, 32, type, anyCodec,
                                    codecHighQuality, temporal, keyFrameRate, nullptr, 0, desc),
              noErr);
    std::vector<Coded> frames(static_cast<size_t>(count));
    std::vector<char> buffer(static_cast<size_t>(max));
    for (int t = 0; t < count && seq != 0; ++t) {
      Draw(world, t);
      long size = 0;
      EXPECT_EQ(CompressSequenceFrame(seq, pm, &kFrame, t == forced ? codecFlagForceKeyFrame : 0,
                                      buffer.data(), &size, &frames[t].similarity, nullptr),
                noErr);
      EXPECT_TRUE(size > 0 && size <= max) << size;
      frames[t].bytes.assign(buffer.data(), buffer.data() + size);
    }
    EXPECT_EQ(CDSequenceEnd(seq), noErr);
    return frames;
  }

  // Writes the frames into a movie file (key frames as their similarity
  // says) and reads it back with FFmpeg.
  Decoded ThroughMovie(ImageDescriptionHandle desc, const std::vector<Coded>& frames) {
    Movie movie = NewMovie(0);
    Track track = NewMovieTrack(movie, (**desc).width << 16, (**desc).height << 16, 0);
    Media media = NewTrackMedia(track, VideoMediaType, 600, nullptr, 0);
    EXPECT_EQ(BeginMediaEdits(media), noErr);
    for (const Coded& frame : frames) {
      Handle data = NewHandle(static_cast<Size>(frame.bytes.size()));
      std::memcpy(*data, frame.bytes.data(), frame.bytes.size());
      EXPECT_EQ(AddMediaSample(media, data, 0, frame.bytes.size(), 20,
                               reinterpret_cast<SampleDescriptionHandle>(desc), 1,
                               frame.similarity == 0 ? 0 : mediaSampleNotSync, nullptr),
                noErr);
      DisposeHandle(data);
    }
    EXPECT_EQ(EndMediaEdits(media), noErr);
    EXPECT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1), noErr);
    std::string path = (dir_ / "frames.mov").string();
    FSSpec spec;
    NativePathNameToFSSpec(path.data(), &spec, 0);
    DisposeMovie(FlattenMovieData(movie, flattenAddMovieToDataFork, &spec, 'TVOD', smSystemScript,
                                  createMovieFileDeleteCurFile));
    DisposeMovie(movie);
    return DecodeMovie(path);
  }

  // CompressImage of `area` of the world, the description filled.
  Coded Compress(GWorldPtr world, const Rect& area, CodecQ quality, OSType type,
                 ImageDescriptionHandle desc) {
    std::vector<char> data(1 << 20);
    EXPECT_EQ(CompressImage(GetGWorldPixMap(world), &area, quality, type, desc, data.data()),
              noErr);
    return Coded{std::vector<uint8_t>(data.data(), data.data() + (**desc).dataSize), 0};
  }

  std::filesystem::path dir_;
  std::vector<Handle> handles_;
};

TEST_F(ImageCompressionTest, EveryCompressorMakesImagesFFmpegReadsBack) {
  GWorldPtr world = Drawn(Rect{0, 0, 120, 160});
  PixMapHandle pm = GetGWorldPixMap(world);
  const Rect area{16, 8, 112, 136};  // 128 by 96, off the world's corner
  for (const TypeCase& c : kTypes) {
    SCOPED_TRACE(Name(c.type));
    ImageDescriptionHandle desc = NewDescription();
    long max = 0;
    OSErr sized = GetMaxCompressionSize(pm, &area, 0, codecHighQuality, c.type, anyCodec, &max);
    if (!HasCompressor(c.type)) {
      char data[16];
      EXPECT_EQ(sized, noCodecErr);
      EXPECT_EQ(CompressImage(pm, &area, codecHighQuality, c.type, desc, data), noCodecErr);
      continue;
    }
    ASSERT_EQ(sized, noErr);
    Coded image = Compress(world, area, codecHighQuality, c.type, desc);
    const ImageDescription& d = **desc;
    EXPECT_EQ(d.cType, c.type);
    EXPECT_EQ(d.idSize, GetHandleSize(reinterpret_cast<Handle>(desc)));
    EXPECT_EQ(d.width, 128);
    EXPECT_EQ(d.height, 96);
    EXPECT_EQ(d.hRes, 0x00480000);
    EXPECT_EQ(d.frameCount, 1);
    EXPECT_EQ(d.clutID, -1);
    EXPECT_EQ(d.spatialQuality, static_cast<CodecQ>(codecHighQuality));
    EXPECT_EQ(d.depth, c.depth);
    EXPECT_TRUE(d.dataSize > 0 && d.dataSize <= max) << d.dataSize;

    Decoded decoded = ThroughMovie(desc, {image});
    ASSERT_EQ(decoded.pictures.size(), 1u);
    EXPECT_LE(ErrorFrom(decoded.pictures[0], area, 0, c.depth == 32), c.tolerance);
  }
}

TEST_F(ImageCompressionTest, QualitySteersTheSizeAndFidelityOfJpeg) {
  GWorldPtr world = Drawn(kFrame);
  std::vector<size_t> sizes;
  std::vector<double> errors;
  for (CodecQ quality : {codecLowQuality, codecNormalQuality, codecMaxQuality}) {
    ImageDescriptionHandle desc = NewDescription();
    Coded image = Compress(world, kFrame, quality, 'jpeg', desc);
    Decoded decoded = ThroughMovie(desc, {image});
    ASSERT_EQ(decoded.pictures.size(), 1u);
    sizes.push_back(image.bytes.size());
    errors.push_back(ErrorFrom(decoded.pictures[0], kFrame, 0, false));
  }
  EXPECT_TRUE(sizes[0] < sizes[1] && sizes[1] < sizes[2]);
  EXPECT_TRUE(errors[0] > errors[1] && errors[1] > errors[2]);
  EXPECT_LT(errors[2], 1.5);
}

TEST_F(ImageCompressionTest, RawImagesCopyTheRowsAtTheSourceDepth) {
  const Rect area{0, 0, 5, 13};
  for (short depth : {1, 8, 16, 24, 32}) {
    SCOPED_TRACE(depth);
    PixMapHandle pm = GetGWorldPixMap(Make(depth, area));
    long rowBytes = GetPixRowBytes(pm);
    long used = (13 * depth + 7) / 8;
    long padded = (13 * depth + 15) / 16 * 2;
    auto* base = reinterpret_cast<uint8_t*>(GetPixBaseAddr(pm));
    for (long y = 0; y < 5; ++y) {
      for (long i = 0; i < used; ++i) {
        uint8_t value = static_cast<uint8_t>(y * 31 + i * 7);
        base[y * rowBytes + i] = depth == 8 ? value % 216 : value;  // no two colours alike
      }
      if (depth == 1) base[y * rowBytes + 1] &= 0xF8;  // 13 pixels
    }
    long max = 0;
    ASSERT_EQ(GetMaxCompressionSize(pm, &area, depth, 0, 'raw ', anyCodec, &max), noErr);
    EXPECT_EQ(max, padded * 5);
    ImageDescriptionHandle desc = NewDescription();
    std::vector<uint8_t> data(static_cast<size_t>(max));
    ASSERT_EQ(CompressImage(pm, &area, 0, 'raw ', desc, reinterpret_cast<Ptr>(data.data())), noErr);
    EXPECT_EQ((**desc).depth, depth);
    EXPECT_EQ((**desc).dataSize, padded * 5);
    EXPECT_EQ((**desc).idSize, 86);
    for (long y = 0; y < 5; ++y) {
      EXPECT_EQ(std::vector<uint8_t>(&data[y * padded], &data[y * padded] + used),
                std::vector<uint8_t>(base + y * rowBytes, base + y * rowBytes + used));
    }

    ImageDescriptionHandle made = nullptr;
    ASSERT_EQ(MakeImageDescriptionForPixMap(pm, &made), noErr);
    EXPECT_EQ((**made).cType, static_cast<CodecType>('raw '));
    EXPECT_EQ((**made).depth, depth);
    EXPECT_EQ((**made).width, 13);
    EXPECT_EQ((**made).dataSize, 5 * rowBytes);
    DisposeHandle(reinterpret_cast<Handle>(made));
  }
}

TEST_F(ImageCompressionTest, SequencesMakeKeyFramesAtTheRateAndWhenForced) {
  for (const TypeCase& c : kTypes) {
    CodecInfo info;
    if (!HasCompressor(c.type) || GetCodecInfo(&info, c.type, anyCodec) != noErr ||
        (info.compressFlags & codecInfoDoesTemporal) == 0) {
      continue;
    }
    SCOPED_TRACE(Name(c.type));
    ImageDescriptionHandle desc = NewDescription();
    std::vector<Coded> frames = CompressSequence(c.type, 3, codecHighQuality, 9, desc, 7);
    ASSERT_EQ(frames.size(), 9u);
    std::vector<int> keys;
    for (int t = 0; t < 9; ++t) {
      if (frames[t].similarity == 0) keys.push_back(t);
    }
    ASSERT_FALSE(keys.empty());
    if (c.type == 'cvid') {
      // Cinepak's encoder makes key frames of its own too; the rate and
      // the forced one hold all the same.
      EXPECT_EQ(keys[0], 0);
      EXPECT_EQ(std::count(keys.begin(), keys.end(), 7), 1);
      for (size_t i = 1; i < keys.size(); ++i) EXPECT_LE(keys[i] - keys[i - 1], 3);
    } else {
      EXPECT_EQ(keys, (std::vector<int>{0, 3, 6, 7}));
    }
    EXPECT_EQ((**desc).dataSize, 0);

    Decoded decoded = ThroughMovie(desc, frames);
    ASSERT_EQ(decoded.pictures.size(), 9u);
    for (int t = 0; t < 9; ++t) {
      EXPECT_EQ(decoded.keys[t], frames[t].similarity == 0) << t;
      EXPECT_LE(ErrorFrom(decoded.pictures[t], kFrame, t, c.depth == 32), c.tolerance + 1) << t;
    }
    // A key frame needs no frame before it.
    int from = keys.size() > 1 ? keys[1] : 0;
    Decoded tail = ThroughMovie(desc, std::vector<Coded>(frames.begin() + from, frames.end()));
    ASSERT_EQ(tail.pictures.size(), static_cast<size_t>(9 - from));
    for (int t = from; t < 9; ++t) {
      EXPECT_LE(ErrorFrom(tail.pictures[t - from], kFrame, t, c.depth == 32), c.tolerance + 1) << t;
    }
  }
}

TEST_F(ImageCompressionTest, SimilaritySaysHowAlikeFramesAre) {
  GWorldPtr world = Drawn(kFrame);
  PixMapHandle pm = GetGWorldPixMap(world);
  ImageSequence seq = 0;
  ASSERT_EQ(CompressSequenceBegin(&seq, pm, nullptr, nullptr, nullptr, 0, 'rle ', anyCodec,
                                  codecNormalQuality, codecNormalQuality, 0, nullptr,
                                  codecFlagUpdatePrevious, NewDescription()),
            noErr);
  std::vector<char> data(1 << 20);
  static std::vector<OSErr> completions;
  completions.clear();
  ICMCompletionProcRecord completion{
      [](OSErr result, short, long) { completions.push_back(result); }, 0};
  std::vector<int> similarity;
  for (int t : {0, 0, 1, 9}) {  // the same frame, then a little and a lot of change
    Draw(world, t);
    long size = 0;
    UInt8 alike = 99;
    ASSERT_EQ(CompressSequenceFrame(seq, pm, nullptr, 0, data.data(), &size, &alike, &completion),
              noErr);
    similarity.push_back(alike);
  }
  EXPECT_EQ(completions, std::vector<OSErr>(4, noErr));
  EXPECT_EQ(similarity[0], 0);
  EXPECT_EQ(similarity[1], 255);
  EXPECT_TRUE(255 > similarity[2] && similarity[2] > similarity[3] && similarity[3] > 0);
  EXPECT_EQ(CDSequenceEnd(seq), noErr);

  // Without temporal quality every frame stands alone.
  for (const Coded& frame : CompressSequence('mp4v', 0, 0, 4, NewDescription())) {
    EXPECT_EQ(frame.similarity, 0);
  }
}

TEST_F(ImageCompressionTest, BadArgumentsAndUnknownTypesAreRefused) {
  const Rect bounds{0, 0, 16, 16}, empty{4, 4, 4, 8}, outside{8, 8, 24, 24}, smaller{0, 0, 8, 8};
  PixMapHandle pm = GetGWorldPixMap(Drawn(bounds));
  ImageDescriptionHandle desc = NewDescription();
  char data[8192];
  long size = 0;
  EXPECT_EQ(CompressImage(pm, &bounds, 0, 'zzzz', desc, data), noCodecErr);
  EXPECT_EQ(GetMaxCompressionSize(pm, &bounds, 0, 0, 'zzzz', anyCodec, &size), noCodecErr);
  for (const Rect* r : {static_cast<const Rect*>(nullptr), &empty, &outside}) {
    EXPECT_EQ(CompressImage(pm, r, 0, 'raw ', desc, data), paramErr);
  }
  EXPECT_EQ(CompressImage(nullptr, &bounds, 0, 'raw ', desc, data), paramErr);
  EXPECT_EQ(CompressImage(pm, &bounds, 0, 'raw ', nullptr, data), paramErr);
  EXPECT_EQ(CompressImage(pm, &bounds, 0, 'raw ', desc, nullptr), paramErr);
  EXPECT_EQ(GetMaxCompressionSize(pm, &bounds, 0, 0, 'raw ', anyCodec, nullptr), paramErr);
  CompressorComponent jpeg = nullptr;
  ASSERT_EQ(FindCodec('jpeg', anyCodec, &jpeg, nullptr), noErr);
  EXPECT_EQ(GetMaxCompressionSize(pm, &bounds, 0, 0, 'png ', jpeg, &size), paramErr);
  ImageDescriptionHandle made = nullptr;
  EXPECT_EQ(MakeImageDescriptionForPixMap(nullptr, &made), paramErr);

  ImageSequence seq = 99;
  EXPECT_EQ(CompressSequenceBegin(&seq, pm, nullptr, &bounds, nullptr, 0, 'zzzz', anyCodec, 0, 0, 0,
                                  nullptr, 0, desc),
            noCodecErr);
  EXPECT_EQ(seq, 0);
  ASSERT_EQ(CompressSequenceBegin(&seq, pm, nullptr, &bounds, nullptr, 0, 'jpeg', anyCodec, 0, 0, 0,
                                  nullptr, 0, desc),
            noErr);
  EXPECT_EQ(CompressSequenceFrame(seq, pm, &smaller, 0, data, &size, nullptr, nullptr), paramErr);
  EXPECT_EQ(CompressSequenceFrame(seq, nullptr, &bounds, 0, data, &size, nullptr, nullptr),
            paramErr);
  EXPECT_EQ(CompressSequenceFrame(seq, pm, &bounds, 0, data, &size, nullptr, nullptr), noErr);
  EXPECT_EQ(CDSequenceEnd(seq), noErr);
  EXPECT_EQ(CompressSequenceFrame(seq, pm, &bounds, 0, data, &size, nullptr, nullptr), paramErr);
  EXPECT_EQ(CompressSequenceFrame(12345, pm, &bounds, 0, data, &size, nullptr, nullptr), paramErr);
}

TEST_F(ImageCompressionTest, AllocationFailuresLeaveNothingBehind) {
  const Rect bounds{0, 0, 32, 32};
  PixMapHandle pm = GetGWorldPixMap(Drawn(bounds));
  std::vector<char> data(1 << 16);
  for (OSType type : {'raw ', 'mp4v'}) {
    SCOPED_TRACE(Name(type));
    OSErr err = memFullErr;
    for (long allowed = 0; err == memFullErr && allowed < 200; ++allowed) {
      ImageSequence seq = 0;
      ImageDescriptionHandle desc = NewDescription();
      QTMLTest_FailAllocations(allowed);
      err = CompressSequenceBegin(&seq, pm, nullptr, &bounds, nullptr, 8, type, anyCodec,
                                  codecNormalQuality, codecNormalQuality, 0, nullptr, 0, desc);
      if (err == noErr) {
        long size = 0;
        err = CompressSequenceFrame(seq, pm, nullptr, 0, data.data(), &size, nullptr, nullptr);
        QTMLTest_ClearFaults();
        EXPECT_EQ(CDSequenceEnd(seq), noErr);
      } else {
        EXPECT_EQ(seq, 0);
      }
      QTMLTest_ClearFaults();
      EXPECT_TRUE(err == noErr || err == memFullErr) << err;
    }
    EXPECT_EQ(err, noErr);
  }
}

}  // namespace
