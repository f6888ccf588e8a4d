// The work of the movie exporters that encode: frames are drawn by the
// movie itself into one off-screen world of the output size, converted by
// libswscale straight from its rows and encoded; sound is the movie's mix
// at the output's rate. libavformat interleaves both into the file.
#include "components/movie_export_writer.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ImageCompression.h"
#include "QuickTimeComponents.h"
#include "base/byte_order.h"
#include "components/codecs.h"
#include "components/exporters.h"
#include "components/ffmpeg_formats.h"
#include "components/ffmpeg_ptr.h"
#include "files/files.h"
#include "files/finder_info.h"
#include "files/os.h"
#include "memory/memory.h"
#include "movies/movie_drawing.h"
#include "movies/movie_progress.h"
#include "movies/movie_regions.h"
#include "quickdraw/pixels.h"
#include "quickdraw/port.h"
#include "sound/movie_sound.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

namespace qtml {
namespace {

constexpr size_t kSoundChunk = 1024;  // frames a sound packet, unless the codec says

OSErr FFmpegError(int result) {
  return result == AVERROR(ENOMEM) ? memFullErr : codecErr;
}

std::string AsidePath(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  size_t slash = path.rfind('/');
  std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  return directory + ".export-" + std::to_string(getpid()) + "-m" + std::to_string(++counter);
}

bool IsVisualTrack(const TrackRecord& track) {
  return track.enabled && track.media != nullptr && track.media->type != SoundMediaType &&
         track.media->type != 'tmcd' && !track.media->samples.Empty() && !track.edits.empty();
}

bool HasVisualTrack(const MovieRecord& movie) {
  return std::any_of(movie.tracks.begin(), movie.tracks.end(),
                     [](const auto& t) { return IsVisualTrack(*t); });
}

// The frame rate of the first visual track's samples, or 30.
AVRational SourceFrameRate(const MovieRecord& movie) {
  for (const auto& track : movie.tracks) {
    if (!IsVisualTrack(*track) || track->media->type != VideoMediaType) continue;
    const MediaRecord& media = *track->media;
    SInt64 duration = media.samples.Duration();
    uint64_t count = media.samples.Count();
    if (duration <= 0 || count == 0) continue;
    double fps = static_cast<double>(count) * media.timeScale / static_cast<double>(duration);
    if (fps >= 1 && fps <= 240) return av_d2q(fps, 100000);
  }
  return AVRational{30, 1};
}

// What the movie's settings and the format make of the frame rate.
AVRational FrameRateOf(const ExportJob& job) {
  if (job.videoSettings.frameRate > 0) {
    return av_d2q(job.videoSettings.frameRate / 65536.0, 100000);
  }
  return SourceFrameRate(*job.movie);
}

class OutputFile {
 public:
  ~OutputFile() {
    if (context_ != nullptr) {
      if (context_->pb != nullptr) formats_->io_closep(&context_->pb);
      formats_->free_context(context_);
    }
    if (!kept_) os::RemoveFile(aside_);
  }

  OSErr Open(const char* muxer, const std::string& path) {
    formats_ = Formats();
    if (formats_ == nullptr) return cantFindHandler;
    aside_ = AsidePath(path);
    int result = formats_->alloc_output_context2(&context_, nullptr, muxer, aside_.c_str());
    if (result < 0 || context_ == nullptr) return FFmpegError(result);
    result = formats_->io_open(&context_->pb, aside_.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) return result == AVERROR(ENOSPC) ? OSErr{dskFulErr} : OSErr{ioErr};
    return noErr;
  }
  AVFormatContext* context() { return context_; }
  const FormatLibrary& formats() const { return *formats_; }
  OSErr Finish(const std::string& path) {
    if (context_->pb != nullptr && formats_->io_closep(&context_->pb) < 0) return ioErr;
    if (OSErr err = os::Rename(aside_, path)) return err;
    kept_ = true;
    return noErr;
  }

 private:
  const FormatLibrary* formats_ = nullptr;  // set once opened
  AVFormatContext* context_ = nullptr;
  std::string aside_;
  bool kept_ = false;
};

// One encoded stream of the file.
struct Stream {
  CodecContextPtr codec;
  AVStream* stream = nullptr;
  FramePtr frame;
  int64_t next = 0;  // the next frame's time in the codec's time base
};

OSErr Drain(AVFormatContext* file, Stream& s, bool flush) {
  if (flush) avcodec_send_frame(s.codec.get(), nullptr);
  PacketPtr packet(av_packet_alloc());
  if (packet == nullptr) return memFullErr;
  for (;;) {
    int result = avcodec_receive_packet(s.codec.get(), packet.get());
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return noErr;
    if (result < 0) return FFmpegError(result);
    av_packet_rescale_ts(packet.get(), s.codec->time_base, s.stream->time_base);
    packet->stream_index = s.stream->index;
    result = Formats()->interleaved_write_frame(file, packet.get());
    if (result < 0) return result == AVERROR(ENOSPC) ? OSErr{dskFulErr} : OSErr{ioErr};
  }
}

OSErr SendFrame(AVFormatContext* file, Stream& s) {
  int result = avcodec_send_frame(s.codec.get(), s.frame.get());
  if (result < 0) return FFmpegError(result);
  return Drain(file, s, false);
}

// ---- Video ------------------------------------------------------------

int VideoCodecId(CodecType type) {
  switch (type) {
    case kH264CodecType:
      return AV_CODEC_ID_H264;
    case kMPEG4VisualCodecType:
      return AV_CODEC_ID_MPEG4;
    case kJPEGCodecType:
      return AV_CODEC_ID_MJPEG;
    case kPNGCodecType:
      return AV_CODEC_ID_PNG;
    case kRawCodecType:
      return AV_CODEC_ID_RAWVIDEO;
  }
  return AV_CODEC_ID_NONE;
}

AVPixelFormat VideoPixelFormat(int id, bool avi) {
  switch (id) {
    case AV_CODEC_ID_MJPEG:
      return AV_PIX_FMT_YUVJ420P;
    case AV_CODEC_ID_PNG:
      return AV_PIX_FMT_RGB24;
    case AV_CODEC_ID_RAWVIDEO:
      return avi ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_RGB24;
  }
  return AV_PIX_FMT_YUV420P;
}

// The quantiser scale of a quality: halved at every step of 0x100.
int QuantiserOf(CodecQ quality) {
  double scale = 24.0 * std::pow(2.0, -static_cast<double>(quality) / 256.0);
  return std::clamp(static_cast<int>(std::lround(scale)), 2, 31);
}

// x264's rate factor of a quality: 23 (its own default) at normal quality,
// 18 at the best, 33 at the least.
double RateFactorOf(CodecQ quality) {
  double q = std::min<double>(quality, static_cast<double>(codecMaxQuality));
  double normal = static_cast<double>(codecNormalQuality);
  return q >= normal ? 23.0 - (q - normal) / 511.0 * 5.0 : 23.0 + (normal - q) / 512.0 * 10.0;
}

OSErr OpenVideo(const ExportJob& job, AVFormatContext* file, int width, int height, AVRational fps,
                Stream* s) {
  const VideoExportSettings& v = job.videoSettings;
  int id = VideoCodecId(v.codec);
  if (id == AV_CODEC_ID_NONE) return noCodecErr;
  const AVCodec* codec = SoftwareEncoder(id);
  if (codec == nullptr) return noCodecErr;
  s->codec.reset(avcodec_alloc_context3(codec));
  if (s->codec == nullptr) return memFullErr;
  AVCodecContext& c = *s->codec;
  c.width = width;
  c.height = height;
  c.pix_fmt = VideoPixelFormat(id, std::strcmp(job.muxer, "avi") == 0);
  c.time_base = AVRational{fps.den, fps.num};
  c.framerate = fps;
  c.thread_count = 0;
  c.max_b_frames = 0;
  if (id == AV_CODEC_ID_MJPEG) c.color_range = AVCOL_RANGE_JPEG;
  if (v.temporalQuality == 0)
    c.gop_size = 1;
  else if (v.keyFrameRate > 0)
    c.gop_size = static_cast<int>(std::min<long>(v.keyFrameRate, 600));
  if (v.dataRate > 0) {
    c.bit_rate = static_cast<int64_t>(v.dataRate) * 8;
  } else if (id == AV_CODEC_ID_MJPEG || id == AV_CODEC_ID_MPEG4) {
    c.flags |= AV_CODEC_FLAG_QSCALE;
    c.global_quality = QuantiserOf(v.spatialQuality) * FF_QP2LAMBDA;
  }
  if (id == AV_CODEC_ID_H264 && c.priv_data != nullptr) {
    av_opt_set(c.priv_data, "preset", "veryfast", 0);
    if (v.dataRate <= 0) av_opt_set_double(c.priv_data, "crf", RateFactorOf(v.spatialQuality), 0);
  }
  if (file->oformat->flags & AVFMT_GLOBALHEADER) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (int result = avcodec_open2(&c, codec, nullptr); result < 0) return FFmpegError(result);
  s->stream = Formats()->new_stream(file, nullptr);
  if (s->stream == nullptr) return memFullErr;
  s->stream->time_base = c.time_base;
  s->stream->avg_frame_rate = fps;
  if (int result = avcodec_parameters_from_context(s->stream->codecpar, &c); result < 0) {
    return FFmpegError(result);
  }
  s->frame.reset(av_frame_alloc());
  if (s->frame == nullptr) return memFullErr;
  s->frame->format = c.pix_fmt;
  s->frame->width = width;
  s->frame->height = height;
  if (int result = av_frame_get_buffer(s->frame.get(), 0); result < 0) return FFmpegError(result);
  return noErr;
}

// Whether Y'CbCr of `format` is full range by the format itself (JPEG's).
bool IsJpegRange(int format) {
  switch (format) {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ411P:
      return true;
    default:
      return false;
  }
}

// Draws the movie's frames into a world of the output size; the movie gets
// its port, time and matrix back when it goes.
class FrameDrawer {
 public:
  explicit FrameDrawer(MovieRecord& movie)
      : movie_(movie),
        port_(movie.port),
        device_(movie.device),
        time_(movie.currentTime),
        matrix_(movie.matrix) {}
  ~FrameDrawer() {
    movie_.port = port_;
    movie_.device = device_;
    movie_.currentTime = time_;
    movie_.matrix = matrix_;
    if (world_ != nullptr) DisposeWorld(world_);
  }
  FrameDrawer(const FrameDrawer&) = delete;
  FrameDrawer& operator=(const FrameDrawer&) = delete;

  OSErr Open(int width, int height) {
    Rect bounds{0, 0, static_cast<short>(height), static_cast<short>(width)};
    if (OSErr err = NewWorld(&world_, 32, &bounds, nullptr)) return err;
    port_record_ = PortFromGrafPtr(reinterpret_cast<GrafPtr>(world_));
    Rect box = MovieBox(movie_);
    if (!IsEmpty(box)) MapMatrix(&movie_.matrix, &box, &bounds);
    movie_.port = world_;
    movie_.device = nullptr;
    bounds_ = bounds;
    return noErr;
  }
  // The frame at `time` as its codec gave it, when the movie shows it
  // as it is (see FrameAsDecoded); nullptr: Draw it.
  const AVFrame* AsDecoded(TimeValue time) {
    movie_.currentTime = time;
    return FrameAsDecoded(movie_);
  }
  OSErr Draw(TimeValue time) {
    FillPixels(port_record_->pixMap, bounds_, 0xFF000000u);
    movie_.currentTime = time;
    OSErr err = DrawMovieFrame(movie_);
    // A frame with nothing to decode for it shows black.
    return err == noCodecErr ? OSErr{noCodecErr} : OSErr{noErr};
  }
  GWorldPtr world() const { return world_; }
  const uint8_t* Row0() const {
    return reinterpret_cast<const uint8_t*>(port_record_->pixMap.baseAddr);
  }
  int RowBytes() const { return port_record_->pixMap.rowBytes & 0x3FFF; }

 private:
  MovieRecord& movie_;
  CGrafPtr port_;
  GDHandle device_;
  TimeValue time_;
  MatrixRecord matrix_;
  GWorldPtr world_ = nullptr;
  Port* port_record_ = nullptr;
  Rect bounds_{};
};

// ---- Sound ------------------------------------------------------------

struct SoundCodec {
  int id;
  AVSampleFormat format;
};

SoundCodec SoundCodecOf(const ExportJob& job) {
  const SoundExportSettings& s = job.soundSettings;
  bool wave = std::strcmp(job.muxer, "wav") == 0 || std::strcmp(job.muxer, "avi") == 0;
  switch (s.format) {
    case 'mp4a':
      return {AV_CODEC_ID_AAC, AV_SAMPLE_FMT_FLTP};
    case 'ulaw':
      return {AV_CODEC_ID_PCM_MULAW, AV_SAMPLE_FMT_S16};
    case 'alaw':
      return {AV_CODEC_ID_PCM_ALAW, AV_SAMPLE_FMT_S16};
    case 'fl32':
      return {wave ? AV_CODEC_ID_PCM_F32LE : AV_CODEC_ID_PCM_F32BE, AV_SAMPLE_FMT_FLT};
    case 'raw ':
      return {AV_CODEC_ID_PCM_U8, AV_SAMPLE_FMT_U8};
    case 'twos':
      if (s.bits == 8) return {AV_CODEC_ID_PCM_S8, AV_SAMPLE_FMT_U8};
      if (s.bits == 24) return {AV_CODEC_ID_PCM_S24BE, AV_SAMPLE_FMT_S32};
      return {AV_CODEC_ID_PCM_S16BE, AV_SAMPLE_FMT_S16};
    case 'sowt':
      if (s.bits == 8) return {AV_CODEC_ID_PCM_U8, AV_SAMPLE_FMT_U8};
      if (s.bits == 24) return {AV_CODEC_ID_PCM_S24LE, AV_SAMPLE_FMT_S32};
      return {AV_CODEC_ID_PCM_S16LE, AV_SAMPLE_FMT_S16};
  }
  return {AV_CODEC_ID_NONE, AV_SAMPLE_FMT_NONE};
}

OSErr OpenSound(const ExportJob& job, AVFormatContext* file, int rate, int channels, Stream* s) {
  SoundCodec wanted = SoundCodecOf(job);
  if (wanted.id == AV_CODEC_ID_NONE) return noCodecErr;
  const AVCodec* codec = SoftwareEncoder(wanted.id);
  if (codec == nullptr) return noCodecErr;
  s->codec.reset(avcodec_alloc_context3(codec));
  if (s->codec == nullptr) return memFullErr;
  AVCodecContext& c = *s->codec;
  c.sample_rate = rate;
  c.sample_fmt = wanted.format;
  av_channel_layout_default(&c.ch_layout, channels);
  c.time_base = AVRational{1, rate};
  if (wanted.id == AV_CODEC_ID_AAC) c.bit_rate = 64000L * channels;
  if (file->oformat->flags & AVFMT_GLOBALHEADER) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (int result = avcodec_open2(&c, codec, nullptr); result < 0) return FFmpegError(result);
  s->stream = Formats()->new_stream(file, nullptr);
  if (s->stream == nullptr) return memFullErr;
  s->stream->time_base = c.time_base;
  if (int result = avcodec_parameters_from_context(s->stream->codecpar, &c); result < 0) {
    return FFmpegError(result);
  }
  // AIFF-C names its sound's format in the file.
  if (job.namesSoundFormat) {
    OSType f = job.soundSettings.format;
    s->stream->codecpar->codec_tag = MKTAG(f >> 24, (f >> 16) & 0xFF, (f >> 8) & 0xFF, f & 0xFF);
  }
  s->frame.reset(av_frame_alloc());
  if (s->frame == nullptr) return memFullErr;
  s->frame->format = c.sample_fmt;
  s->frame->nb_samples = c.frame_size > 0 ? c.frame_size : static_cast<int>(kSoundChunk);
  s->frame->sample_rate = rate;
  if (av_channel_layout_copy(&s->frame->ch_layout, &c.ch_layout) < 0) return memFullErr;
  if (int result = av_frame_get_buffer(s->frame.get(), 0); result < 0) return FFmpegError(result);
  return noErr;
}

// Interleaved floats into the frame's samples.
void PutSamples(const float* mixed, int frames, int channels, AVFrame* frame) {
  auto sample = [](float v) { return std::clamp(v, -1.0f, 1.0f); };
  switch (frame->format) {
    case AV_SAMPLE_FMT_FLTP:
      for (int ch = 0; ch < channels; ++ch) {
        auto* out = reinterpret_cast<float*>(frame->data[ch]);
        for (int i = 0; i < frames; ++i) out[i] = sample(mixed[i * channels + ch]);
      }
      break;
    case AV_SAMPLE_FMT_FLT: {
      auto* out = reinterpret_cast<float*>(frame->data[0]);
      for (int i = 0; i < frames * channels; ++i) out[i] = sample(mixed[i]);
      break;
    }
    case AV_SAMPLE_FMT_S16: {
      auto* out = reinterpret_cast<int16_t*>(frame->data[0]);
      for (int i = 0; i < frames * channels; ++i) {
        out[i] = static_cast<int16_t>(std::lround(sample(mixed[i]) * 32767.0f));
      }
      break;
    }
    case AV_SAMPLE_FMT_S32: {
      auto* out = reinterpret_cast<int32_t*>(frame->data[0]);
      for (int i = 0; i < frames * channels; ++i) {
        out[i] = static_cast<int32_t>(std::lround(sample(mixed[i]) * 8388607.0)) * 256;
      }
      break;
    }
    case AV_SAMPLE_FMT_U8: {
      auto* out = frame->data[0];
      for (int i = 0; i < frames * channels; ++i) {
        out[i] = static_cast<uint8_t>(std::lround(sample(mixed[i]) * 127.0f) + 128);
      }
      break;
    }
  }
}

// ---- The export -------------------------------------------------------

class Exporter {
 public:
  explicit Exporter(const ExportJob& job) : job_(job), movie_(*job.movie) {}

  OSErr Run() {
    if (OSErr err = Progress(movieProgressOpen, 0)) return err;
    OSErr err = Write();
    OSErr closing = Progress(movieProgressClose, 0x10000);
    return err != noErr ? err : closing;
  }

 private:
  OSErr Progress(short message, Fixed done) {
    if (job_.progress == nullptr) return noErr;
    if (job_.progress == kDefaultProgressProc) {
      return ShowDefaultProgress(message, progressOpExportMovie, done);
    }
    return job_.progress(ReferenceTo(&movie_), message, progressOpExportMovie, done,
                         job_.progressRefcon);
  }
  OSErr ProgressAt(double fraction) {
    Fixed done = static_cast<Fixed>(std::clamp(fraction, 0.0, 1.0) * 65536.0);
    if (done - lastDone_ < 0x0290 && done != 0x10000) return noErr;  // a step of 1%
    lastDone_ = done;
    return Progress(movieProgressUpdatePercent, done);
  }

  void OutputSize(int* width, int* height) const {
    Rect box = MovieBox(movie_);
    *width = job_.videoSettings.width > 0 ? job_.videoSettings.width >> 16 : box.right - box.left;
    *height =
        job_.videoSettings.height > 0 ? job_.videoSettings.height >> 16 : box.bottom - box.top;
    // Chroma subsampled formats want even sizes.
    *width = std::max(2, *width & ~1);
    *height = std::max(2, *height & ~1);
  }

  OSErr Write() {
    bool visual = job_.video && HasVisualTrack(movie_);
    bool audible = job_.sound && HasSoundToPlay(movie_);
    if (job_.video && !job_.sound && !visual) return noVideoTrackInMovieErr;
    if (job_.sound && !job_.video && !audible) return noSoundTrackInMovieErr;
    if (!visual && !audible) return job_.video ? noVideoTrackInMovieErr : noSoundTrackInMovieErr;
    if (job_.muxer == nullptr) return WriteImages();
    OutputFile file;
    if (OSErr err = file.Open(job_.muxer, job_.path)) return err;
    AVFormatContext* out = file.context();
    out_ = out;
    int width = 0, height = 0;
    AVRational fps = FrameRateOf(job_);
    std::unique_ptr<FrameDrawer> drawer;
    if (visual) {
      OutputSize(&width, &height);
      if (OSErr err = OpenVideo(job_, out, width, height, fps, &video_)) return err;
      drawer = std::make_unique<FrameDrawer>(movie_);
      if (OSErr err = drawer->Open(width, height)) return err;
      scale_.reset(sws_getContext(width, height, AV_PIX_FMT_ARGB, width, height,
                                  video_.codec->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr));
      if (scale_ == nullptr) return memFullErr;
    }
    if (audible) {
      int rate = 0, channels = 0;
      SourceSoundFormat(movie_, &rate, &channels);
      if (job_.soundSettings.rate != 0) rate = static_cast<int>(job_.soundSettings.rate >> 16);
      if (job_.soundSettings.channels > 0) channels = job_.soundSettings.channels;
      if (rate <= 0) rate = 44100;
      if (channels <= 0) channels = 2;
      if (OSErr err = OpenSound(job_, out, rate, channels, &sound_)) return err;
      soundRate_ = rate;
      soundChannels_ = channels;
    }
    AVDictionary* options = nullptr;
    if (job_.fastStart) av_dict_set(&options, "movflags", "+faststart", 0);
    int result = file.formats().write_header(out, &options);
    av_dict_free(&options);
    if (result < 0) return FFmpegError(result);
    double seconds = static_cast<double>(job_.duration) / movie_.timeScale;
    int64_t frames =
        visual ? std::max<int64_t>(1, std::llround(std::ceil(seconds * av_q2d(fps) - 1e-6))) : 0;
    int64_t soundFrames = audible ? std::llround(seconds * soundRate_) : 0;
    for (int64_t i = 0; i < frames; ++i) {
      double at = static_cast<double>(i) / av_q2d(fps);
      TimeValue time =
          job_.start + static_cast<TimeValue>(std::floor(at * movie_.timeScale + 1e-6));
      if (OSErr err = EncodeFrame(*drawer, time, i)) return err;
      if (audible) {
        if (OSErr err = WriteSoundUntil(std::min<int64_t>(
                soundFrames, std::llround((at + 1 / av_q2d(fps)) * soundRate_)))) {
          return err;
        }
      }
      if (OSErr err = ProgressAt(static_cast<double>(i + 1) / static_cast<double>(frames))) {
        return err;
      }
    }
    if (audible) {
      // Whole codec frames first; the flush writes what is left.
      while (soundFrames - soundDone_ > sound_.frame->nb_samples) {
        int64_t to = std::min<int64_t>(soundFrames, soundDone_ + 48000);
        if (OSErr err = WriteSoundUntil(to)) return err;
        if (OSErr err = ProgressAt(static_cast<double>(soundDone_) / soundFrames)) return err;
      }
      if (OSErr err = FlushSound(soundFrames)) return err;
    }
    if (visual) {
      if (OSErr err = Drain(out, video_, true)) return err;
    }
    if (int written = file.formats().write_trailer(out); written < 0) return ioErr;
    return file.Finish(job_.path);
  }

  // Encodes the movie's frame at `time` as frame `index`: converted
  // straight from the codec's frame when the movie shows it as it is,
  // drawn and converted from the world's pixels otherwise.
  OSErr EncodeFrame(FrameDrawer& drawer, TimeValue time, int64_t index) {
    if (const AVFrame* decoded = drawer.AsDecoded(time)) return EncodeDecoded(*decoded, index);
    if (OSErr err = drawer.Draw(time)) return err;
    return EncodePicture(drawer, index);
  }

  OSErr EncodeDecoded(const AVFrame& frame, int64_t index) {
    AVFrame& out = *video_.frame;
    const bool fullIn = frame.color_range == AVCOL_RANGE_JPEG || IsJpegRange(frame.format);
    if (direct_ == nullptr || directFormat_ != frame.format || directFullRange_ != fullIn) {
      direct_.reset(sws_getContext(frame.width, frame.height,
                                   static_cast<AVPixelFormat>(frame.format), out.width, out.height,
                                   video_.codec->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
      if (direct_ == nullptr) return memFullErr;
      // Drawn frames go through BT.601 both ways; so do these, in one step.
      const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
      const bool fullOut =
          video_.codec->color_range == AVCOL_RANGE_JPEG || IsJpegRange(video_.codec->pix_fmt);
      sws_setColorspaceDetails(direct_.get(), bt601, fullIn, bt601, fullOut, 0, 1 << 16, 1 << 16);
      directFormat_ = frame.format;
      directFullRange_ = fullIn;
    }
    if (int result = av_frame_make_writable(&out); result < 0) return FFmpegError(result);
    sws_scale(direct_.get(), frame.data, frame.linesize, 0, frame.height, out.data, out.linesize);
    return SendPicture(index);
  }

  OSErr EncodePicture(const FrameDrawer& drawer, int64_t index) {
    if (int result = av_frame_make_writable(video_.frame.get()); result < 0) {
      return FFmpegError(result);
    }
    const uint8_t* planes[4] = {drawer.Row0(), nullptr, nullptr, nullptr};
    int lines[4] = {drawer.RowBytes(), 0, 0, 0};
    sws_scale(scale_.get(), planes, lines, 0, video_.frame->height, video_.frame->data,
              video_.frame->linesize);
    return SendPicture(index);
  }

  // Sends the output frame, filled, as frame `index`. Codecs at a fixed
  // quantiser (Motion JPEG, MPEG-4) take it from each frame.
  OSErr SendPicture(int64_t index) {
    video_.frame->pts = index;
    video_.frame->quality = video_.codec->global_quality;
    return SendFrame(out_, video_);
  }

  // Mixes and encodes sound up to frame `to` (whole codec frames only;
  // the rest waits for the next call or the flush).
  OSErr WriteSoundUntil(int64_t to) {
    int chunk = sound_.frame->nb_samples;
    while (soundDone_ + chunk <= to) {
      if (OSErr err = WriteSoundFrames(chunk)) return err;
    }
    return noErr;
  }
  OSErr FlushSound(int64_t total) {
    if (soundDone_ < total) {
      if (OSErr err = WriteSoundFrames(static_cast<int>(total - soundDone_))) return err;
    }
    return Drain(out_, sound_, true);
  }
  OSErr WriteSoundFrames(int count) {
    mixed_.assign(static_cast<size_t>(count) * static_cast<size_t>(soundChannels_), 0.0f);
    double from = job_.start + static_cast<double>(soundDone_) * movie_.timeScale / soundRate_;
    mixer_.Mix(movie_, from, static_cast<size_t>(count),
               SoundOutputFormat{soundRate_, soundChannels_}, mixed_.data());
    if (int result = av_frame_make_writable(sound_.frame.get()); result < 0) {
      return FFmpegError(result);
    }
    int chunk = sound_.frame->nb_samples;
    if (count < chunk) {
      // The last frame: the codecs that take short frames are given one;
      // the others are padded with silence.
      if (sound_.codec->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) {
        sound_.frame->nb_samples = count;
      } else {
        mixed_.resize(static_cast<size_t>(chunk) * static_cast<size_t>(soundChannels_), 0.0f);
      }
    }
    PutSamples(mixed_.data(), sound_.frame->nb_samples, soundChannels_, sound_.frame.get());
    sound_.frame->pts = soundDone_;
    soundDone_ += count;
    return SendFrame(out_, sound_);
  }

  OSErr WriteImages();

  const ExportJob& job_;
  MovieRecord& movie_;
  Stream video_;
  Stream sound_;
  ScalePtr scale_;   // the world's pixels to the encoder's
  ScalePtr direct_;  // codecs' frames to the encoder's (see EncodeDecoded)
  int directFormat_ = -1;
  bool directFullRange_ = false;
  MovieSoundMixer mixer_;
  std::vector<float> mixed_;
  int soundRate_ = 0;
  int soundChannels_ = 0;
  int64_t soundDone_ = 0;
  Fixed lastDone_ = -0x10000;
  AVFormatContext* out_ = nullptr;
};

// An image sequence: each frame through a graphics exporter of the
// format, as "name 001.ext" beside the name given; all or none are left.
OSErr Exporter::WriteImages() {
  int width = 0, height = 0;
  OutputSize(&width, &height);
  AVRational fps = FrameRateOf(job_);
  double seconds = static_cast<double>(job_.duration) / movie_.timeScale;
  int64_t frames = std::max<int64_t>(1, std::llround(std::ceil(seconds * av_q2d(fps) - 1e-6)));
  FrameDrawer drawer(movie_);
  if (OSErr err = drawer.Open(width, height)) return err;
  ComponentInstance exporter = nullptr;
  if (OSErr err =
          OpenADefaultComponent(GraphicsExporterComponentType, job_.imageFormat, &exporter)) {
    return err;
  }
  OSType extension = 0;
  GraphicsExportGetDefaultFileNameExtension(exporter, &extension);
  std::string ext;
  for (int shift = 24; shift >= 0; shift -= 8) {
    char c = static_cast<char>((extension >> shift) & 0xFF);
    if (c != ' ' && c != '\0') ext += c;
  }
  std::string base = job_.path;
  size_t dot = base.rfind('.');
  size_t slash = base.rfind('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.resize(dot);
  int digits = std::max<int>(3, static_cast<int>(std::to_string(frames).size()));
  std::vector<std::string> written;
  OSErr err = GraphicsExportSetInputGWorld(exporter, drawer.world());
  for (int64_t i = 0; err == noErr && i < frames; ++i) {
    double at = static_cast<double>(i) / av_q2d(fps);
    err =
        drawer.Draw(job_.start + static_cast<TimeValue>(std::floor(at * movie_.timeScale + 1e-6)));
    std::string number = std::to_string(i + 1);
    std::string name = base + " " + std::string(static_cast<size_t>(digits) - number.size(), '0') +
                       number + "." + ext;
    FSSpec spec;
    if (err == noErr) {
      err = PathToSpec(name, &spec);
      if (err == fnfErr) err = noErr;
    }
    if (err == noErr) err = static_cast<OSErr>(GraphicsExportSetOutputFile(exporter, &spec));
    if (err == noErr) err = static_cast<OSErr>(GraphicsExportDoExport(exporter, nullptr));
    if (err == noErr) written.push_back(name);
    if (err == noErr) err = ProgressAt(static_cast<double>(i + 1) / static_cast<double>(frames));
  }
  CloseComponent(exporter);
  if (err != noErr) {
    for (const std::string& name : written) os::RemoveFile(name);
  }
  return err;
}

}  // namespace

void SourceSoundFormat(const MovieRecord& movie, int* rate, int* channels) {
  *rate = 0;
  *channels = 0;
  for (const auto& track : movie.tracks) {
    if (!track->enabled || track->media == nullptr || track->media->type != SoundMediaType) {
      continue;
    }
    if (track->media->descriptions.empty()) continue;
    const std::vector<uint8_t>& d = track->media->descriptions.front();
    if (d.size() < 36) continue;
    *channels = ReadBE16(d.data() + 24);
    *rate = static_cast<int>(ReadBE32(d.data() + 32) >> 16);
    return;
  }
}

OSErr WriteExport(const ExportJob& job) {
  return Guarded<OSErr>(memFullErr, [&] { return Exporter(job).Run(); });
}

}  // namespace qtml
