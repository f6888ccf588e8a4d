#include "components/image_decoder.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <thread>

#include "base/byte_order.h"
#include "components/codecs.h"
#include "components/decode_ahead.h"
#include "components/ffmpeg_formats.h"
#include "components/ffmpeg_ptr.h"
#include "components/yuv_pixels.h"
#include "memory/memory.h"
#include "quickdraw/pixels.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace qtml {
namespace {

// FFmpeg's libraries say what they think of damaged data on standard
// error; the engine answers result codes instead, and keeps the terminal
// to its clients.
[[maybe_unused]] const bool kFFmpegQuiet = [] {
  av_log_set_level(AV_LOG_QUIET);
  return true;
}();

// ---------------------------------------------------------------- 'raw '

// Uncompressed frames: the picture is a pixel map over the data itself.
// A description whose dataSize gives more bytes a row than the least
// (a pixel map's own rows, padded further) is read at that stride.
class RawDecoder final : public ImageDecoder {
 public:
  ~RawDecoder() override { FreeHandle(reinterpret_cast<Handle>(table_)); }

  OSErr Begin(const ImageDescription& desc) {
    rowBytes_ = RawRowBytes(desc.width, desc.depth);
    if (!RawDepth(desc.depth) || rowBytes_ > kMaxRawRowBytes) return badImageDescription;
    if (desc.dataSize != 0) {
      if (desc.dataSize < rowBytes_ * desc.height) return badImageDescription;
      long stride = desc.dataSize / desc.height;
      if (desc.dataSize % desc.height == 0 && stride <= kMaxRawRowBytes) rowBytes_ = stride;
    }
    need_ = rowBytes_ * desc.height;
    format_.rowBytes = static_cast<short>(0x8000 | rowBytes_);
    format_.bounds = Rect{0, 0, desc.height, desc.width};
    format_.pixelSize = desc.depth;
    format_.pixelFormat = static_cast<OSType>(desc.depth);
    format_.hRes = format_.vRes = 72 << 16;
    if (desc.depth <= 8) {
      table_ = NewStandardColorTable(desc.depth);
      if (table_ == nullptr) return memFullErr;
      format_.pmTable = table_;
    }
    return noErr;
  }

  OSErr Decode(const void* data, long size, int64_t time, bool) override {
    decoded_ = false;
    if (data == nullptr || size < need_) return codecErr;
    picture_ = format_;
    picture_.baseAddr = static_cast<Ptr>(const_cast<void*>(data));
    decoded_ = true;
    lastTime_ = time;
    return noErr;
  }

 private:
  PixMap format_{};
  CTabHandle table_ = nullptr;
  long rowBytes_ = 0;
  long need_ = 0;
};

// ---------------------------------------------------------------- FFmpeg

// The payload of the first atom of `type` among the extension atoms, or
// nullptr.
const uint8_t* FindExtension(const uint8_t* bytes, size_t size, OSType type, size_t* payload) {
  size_t at = 0;
  while (at + 8 <= size) {
    uint32_t atomSize = ReadBE32(bytes + at);
    if (atomSize < 8 || atomSize > size - at) return nullptr;
    if (ReadBE32(bytes + at + 4) == type) {
      *payload = atomSize - 8;
      return bytes + at + 8;
    }
    at += atomSize;
  }
  return nullptr;
}

// An MPEG-4 descriptor's length: up to four bytes of seven bits each.
bool DescriptorLength(const uint8_t*& p, const uint8_t* end, size_t* length) {
  *length = 0;
  for (int i = 0; i < 4; ++i) {
    if (p >= end) return false;
    uint8_t b = *p++;
    *length = (*length << 7) | (b & 0x7F);
    if ((b & 0x80) == 0) return true;
  }
  return true;
}

// The decoder-specific information inside an 'esds' payload: the bytes of
// the DecSpecificInfo descriptor (tag 5), or nullptr.
const uint8_t* EsdsDecoderInfo(const uint8_t* payload, size_t size, size_t* infoSize) {
  if (size < 4) return nullptr;
  const uint8_t* p = payload + 4;  // version and flags
  const uint8_t* end = payload + size;
  while (p < end) {
    uint8_t tag = *p++;
    size_t length;
    if (!DescriptorLength(p, end, &length)) return nullptr;
    if (tag == 0x03) {  // ES descriptor: id, flags, then what the flags say
      if (end - p < 3) return nullptr;
      uint8_t flags = p[2];
      p += 3;
      if ((flags & 0x80) != 0) p += 2;
      if ((flags & 0x40) != 0 && p < end) p += 1 + *p;
      if ((flags & 0x20) != 0) p += 2;
      continue;
    }
    if (tag == 0x04) {  // decoder configuration: 13 bytes, then descriptors
      p += 13;
      continue;
    }
    if (tag == 0x05) {
      if (length > static_cast<size_t>(end - p)) return nullptr;
      *infoSize = length;
      return p;
    }
    if (length > static_cast<size_t>(end - p)) return nullptr;
    p += length;
  }
  return nullptr;
}

// The codec's out-of-band set-up from the description's extensions.
std::vector<uint8_t> ExtraDataFor(int codecId, const uint8_t* ext, size_t size) {
  size_t n = 0;
  const uint8_t* found = nullptr;
  switch (codecId) {
    case AV_CODEC_ID_H264:
      found = FindExtension(ext, size, 'avcC', &n);
      break;
    case AV_CODEC_ID_HEVC:
      found = FindExtension(ext, size, 'hvcC', &n);
      break;
    case AV_CODEC_ID_MPEG4: {
      size_t esds;
      if (const uint8_t* payload = FindExtension(ext, size, 'esds', &esds)) {
        found = EsdsDecoderInfo(payload, esds, &n);
      }
      break;
    }
    default:
      break;
  }
  if (found == nullptr) found = FindExtension(ext, size, 'glbl', &n);
  if (found == nullptr) return {};
  return std::vector<uint8_t>(found, found + n);
}

// QuickTime's standard 8-bit colours, for indexed codecs whose frames
// carry no colour table of their own.
bool StandardPalette(uint32_t palette[256]) {
  CTabHandle table = NewStandardColorTable(8);
  if (table == nullptr) return false;
  const ColorTable& t = **table;
  for (int i = 0; i < 256; ++i) {
    palette[i] =
        i <= t.ctSize ? ArgbFromRGB(t.ctTable[i].rgb) : 0xFF000000u;  // native order for FFmpeg
  }
  FreeHandle(reinterpret_cast<Handle>(table));
  return true;
}

// How many threads a decoder or a converter may keep busy: the
// machine's processors, at most four.
int Threads() {
  unsigned n = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(n, 1u, 4u));
}

// What a buffer made over pixels the caller owns does when released.
void LeaveBuffer(void*, uint8_t*) {}

class FFmpegDecoder final : public ImageDecoder {
 public:
  ~FFmpegDecoder() override {
    ahead_.reset();  // its thread converts into the pool
    av_buffer_pool_uninit(&pool_);
  }

  OSErr Begin(const ImageDescription& desc, int codecId, const uint8_t* ext, size_t extSize,
              bool pipelined) {
    const AVCodec* codec = avcodec_find_decoder(static_cast<AVCodecID>(codecId));
    if (codec == nullptr) return noCodecErr;
    context_.reset(avcodec_alloc_context3(codec));
    frame_.reset(av_frame_alloc());
    current_.reset(av_frame_alloc());
    target_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    if (!context_ || !frame_ || !current_ || !target_ || !packet_) return memFullErr;
    AVCodecContext& c = *context_;
    c.width = c.coded_width = desc.width;
    c.height = c.coded_height = desc.height;
    c.codec_tag = __builtin_bswap32(static_cast<uint32_t>(desc.cType));
    c.bits_per_coded_sample = desc.depth;
    // Frames fed in turn are decoded on a thread of the decoder's (below),
    // others as they are fed: the codec keeps to the thread it is given.
    const bool ahead = pipelined && Threads() > 1;
    c.thread_count = 1;
    c.pkt_timebase = AVRational{1, 1};
    std::vector<uint8_t> extra = ExtraDataFor(codecId, ext, extSize);
    if (!extra.empty()) {
      c.extradata = static_cast<uint8_t*>(av_mallocz(extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
      if (c.extradata == nullptr) return memFullErr;
      std::memcpy(c.extradata, extra.data(), extra.size());
      c.extradata_size = static_cast<int>(extra.size());
    }
    if (avcodec_open2(&c, codec, nullptr) < 0) return badImageDescription;
    if (ahead) {
      ahead_.reset(new (std::nothrow)
                       DecodeAhead(context_.get(), [this](AVFrame& f) { ConvertAhead(f); }));
      if (ahead_ != nullptr && !ahead_->Start()) ahead_.reset();
    }
    indexed_ = desc.depth > 0 && desc.depth <= 8;
    return noErr;
  }

  OSErr Decode(const void* data, long size, int64_t time, bool key) override {
    decoded_ = false;
    if (data == nullptr || size <= 0) return codecErr;
    if (ahead_ != nullptr) {
      PacketPtr packet(av_packet_alloc());
      if (packet == nullptr) return memFullErr;
      if (OSErr err = Fill(packet.get(), data, size, time, key)) return err;
      aheadWanted_.store(wanting_ ? wanted_ : INT64_MIN);
      // One packet stays with the thread: the frame before it is done.
      if (OSErr err = ahead_->Send(std::move(packet), 1)) return err;
      // The thread converts frames too while it has time to spare: the
      // conversion goes to whichever side waits for the other.
      slack_ = slack_ / 2 + ahead_->TakeSlack();
      convertAhead_.store(slack_ > 0);
      return Collect();
    }
    OSErr err = Fill(packet_.get(), data, size, time, key);
    int sent = err == noErr ? avcodec_send_packet(context_.get(), packet_.get()) : 0;
    av_packet_unref(packet_.get());
    if (err != noErr) return err;
    if (sent == AVERROR(ENOMEM)) return memFullErr;
    if (sent < 0 && sent != AVERROR(EAGAIN)) return codecErr;
    return Receive();
  }

  OSErr Drain() override {
    decoded_ = false;
    if (ahead_ != nullptr) {
      if (OSErr err = ahead_->Send(nullptr, 0)) return err;
      return Collect();
    }
    if (avcodec_send_packet(context_.get(), nullptr) < 0) return noErr;
    return Receive();
  }

  void Reset() override {
    waiting_.clear();
    if (ahead_ != nullptr) ahead_->Forget();
    avcodec_flush_buffers(context_.get());
    decoded_ = false;
    lastTime_ = INT64_MIN;
  }

  bool TakeWaiting(int64_t time) override {
    if (ahead_ != nullptr) {
      // Frames the thread finished since the last call wait with the rest.
      Want(INT64_MIN);
      if (Collect() != noErr) return false;
    }
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
      if (TimeOf(**it) != time) continue;
      Show(**it);
      waiting_.erase(waiting_.begin(), it + 1);
      decoded_ = true;
      return true;
    }
    return false;
  }

  const PixMap* Picture(OSErr* err) override {
    *err = noErr;
    asDecoded_.store(false);
    if (converted_) return &picture_;
    if (!HasPicture()) {
      *err = codecErr;
      return nullptr;
    }
    const long rowBytes = static_cast<long>(current_->width) * 4;
    uint8_t* pixels = nullptr;
    if (current_->opaque_ref != nullptr) {  // converted ahead
      pixels = current_->opaque_ref->data;
    } else {
      pixels_.resize(static_cast<size_t>(rowBytes) * static_cast<size_t>(current_->height));
      if ((*err = ConvertTo(pixels_.data(), rowBytes)) != noErr) return nullptr;
      pixels = pixels_.data();
    }
    picture_ = PixMap{};
    picture_.baseAddr = reinterpret_cast<Ptr>(pixels);
    picture_.rowBytes = static_cast<short>(0x8000 | rowBytes);
    picture_.bounds =
        Rect{0, 0, static_cast<short>(current_->height), static_cast<short>(current_->width)};
    picture_.pixelSize = 32;
    picture_.cmpCount = 3;
    picture_.cmpSize = 8;
    picture_.pixelType = 16;  // RGBDirect
    picture_.pixelFormat = 32;
    picture_.hRes = picture_.vRes = 72 << 16;
    converted_ = true;
    return &picture_;
  }

  bool HasPicture() const override { return current_ != nullptr && current_->buf[0] != nullptr; }
  Rect PictureBounds() const override {
    if (!HasPicture()) return Rect{0, 0, 0, 0};
    return Rect{0, 0, static_cast<short>(current_->height), static_cast<short>(current_->width)};
  }
  bool Converts() const override { return true; }
  bool WorksAhead() const override { return ahead_ != nullptr; }

  OSErr PictureInto(const PixMap& target, int left, int top) override {
    if (!HasPicture()) return codecErr;
    asDecoded_.store(false);
    const int width = current_->width, height = current_->height;
    const Rect& b = target.bounds;
    if (target.pixelSize != 32 || target.baseAddr == nullptr || left < b.left || top < b.top ||
        left + width > b.right || top + height > b.bottom) {
      return paramErr;
    }
    const long rowBytes = target.rowBytes & 0x3FFF;
    uint8_t* base = reinterpret_cast<uint8_t*>(target.baseAddr) + (top - b.top) * rowBytes +
                    static_cast<long>(left - b.left) * 4;
    if (!converted_ && current_->opaque_ref == nullptr) return ConvertTo(base, rowBytes);
    // Converted already: its pixels are copied.
    OSErr err = noErr;
    if (Picture(&err) == nullptr) return err;
    const auto* from = reinterpret_cast<const uint8_t*>(picture_.baseAddr);
    const long fromRow = picture_.rowBytes & 0x3FFF;
    for (int y = 0; y < height; ++y) {
      std::memcpy(base + y * rowBytes, from + y * fromRow, static_cast<size_t>(width) * 4);
    }
    return noErr;
  }

  const AVFrame* Frame() override {
    if (!HasPicture()) return nullptr;
    asDecoded_.store(true);
    return current_.get();
  }

 private:
  // Takes every frame the codec has ready: the one wanted (or, wanting
  // none, the last) becomes the picture; frames that come out after the
  // one wanted wait for the next Want, so that a codec that gives several
  // frames at once need not be asked again from a key frame.
  OSErr Receive() {
    for (;;) {
      int got = avcodec_receive_frame(context_.get(), frame_.get());
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return noErr;
      if (got == AVERROR(ENOMEM)) return memFullErr;
      if (got < 0) return codecErr;
      OSErr err = Sort(*frame_);
      av_frame_unref(frame_.get());
      if (err != noErr) return err;
    }
  }

  // As Receive, for the frames the thread decoding ahead has made.
  OSErr Collect() {
    made_.clear();
    OSErr err = ahead_->Take(&made_);
    for (FramePtr& frame : made_) {
      if (err == noErr) err = Sort(*frame);
    }
    made_.clear();
    return err;
  }

  // A frame the codec gave: shown when wanted, kept when it may be wanted
  // next, dropped otherwise.
  OSErr Sort(AVFrame& frame) {
    int64_t time = TimeOf(frame);
    lastTime_ = time;
    if (!wanting_ || time == wanted_) {
      if (frame.width <= 0 || frame.height <= 0 ||
          static_cast<long>(frame.width) * 4 > kMaxRawRowBytes || frame.height > 0x7FFF) {
        return codecErr;
      }
      Show(frame);
      decoded_ = true;
      return noErr;
    }
    return time > wanted_ ? Keep(frame) : noErr;
  }

  // A packet of `size` bytes of `data`, stamped `time`.
  OSErr Fill(AVPacket* packet, const void* data, long size, int64_t time, bool key) {
    // FFmpeg reads a little past the end of a packet: give it padding.
    if (av_new_packet(packet, static_cast<int>(size)) < 0) return memFullErr;
    std::memcpy(packet->data, data, static_cast<size_t>(size));
    packet->pts = packet->dts = time;
    // Some codecs (PNG) take a frame not marked as a key frame for a
    // difference from the one before.
    if (key) packet->flags |= AV_PKT_FLAG_KEY;
    if (indexed_ && !paletteSent_) {
      uint8_t* side = av_packet_new_side_data(packet, AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
      if (side == nullptr) return memFullErr;
      uint32_t palette[256];
      if (!StandardPalette(palette)) return memFullErr;
      std::memcpy(side, palette, AVPALETTE_SIZE);
      paletteSent_ = true;
    }
    return noErr;
  }

  // Makes `frame` the one whose picture is given (converted when asked).
  void Show(AVFrame& frame) {
    av_frame_unref(current_.get());
    av_frame_move_ref(current_.get(), &frame);
    converted_ = false;
  }

  // On the thread decoding ahead: converts a frame that may be wanted
  // into pixels it carries along (its opaque_ref), as Picture would.
  void ConvertAhead(AVFrame& frame) {
    if (!convertAhead_.load() || asDecoded_.load() || TimeOf(frame) < aheadWanted_.load() ||
        !ConvertsYuv(frame.format) || frame.width <= 0 || frame.height <= 0 ||
        static_cast<long>(frame.width) * 4 > kMaxRawRowBytes || frame.height > 0x7FFF) {
      return;
    }
    const long rowBytes = static_cast<long>(frame.width) * 4;
    const size_t bytes = static_cast<size_t>(rowBytes) * static_cast<size_t>(frame.height);
    if (pool_ == nullptr || poolBytes_ != bytes) {
      av_buffer_pool_uninit(&pool_);
      pool_ = av_buffer_pool_init(bytes, nullptr);
      poolBytes_ = bytes;
      if (pool_ == nullptr) return;
    }
    AVBufferRef* pixels = av_buffer_pool_get(pool_);
    if (pixels == nullptr) return;  // converted when wanted instead
    YuvToArgb(frame, pixels->data, rowBytes);
    av_buffer_unref(&frame.opaque_ref);
    frame.opaque_ref = pixels;
  }

  static int64_t TimeOf(const AVFrame& frame) {
    return frame.best_effort_timestamp != AV_NOPTS_VALUE ? frame.best_effort_timestamp : frame.pts;
  }

  // A reference to a frame that came out before it was wanted; the oldest
  // goes when too many wait.
  OSErr Keep(AVFrame& frame) {
    FramePtr kept(av_frame_alloc());
    if (kept == nullptr || av_frame_ref(kept.get(), &frame) < 0) return memFullErr;
    if (waiting_.size() == kMostWaiting) waiting_.erase(waiting_.begin());
    waiting_.push_back(std::move(kept));
    return noErr;
  }

  // The frame shown, as 32-bit ARGB pixels (big-endian, as QuickDraw keeps
  // them) at `base`, rows `rowBytes` apart.
  OSErr ConvertTo(uint8_t* base, long rowBytes) {
    const AVFrame& frame = *current_;
    if (ConvertsYuv(frame.format)) {
      YuvToArgb(frame, base, rowBytes);
      return noErr;
    }
    if (!scale_ || scaleWidth_ != frame.width || scaleHeight_ != frame.height ||
        scaleFormat_ != frame.format) {
      scale_.reset(sws_alloc_context());
      if (!scale_) return memFullErr;
      // The size stays: the fast filter only chooses how chroma is read.
      SwsContext* s = scale_.get();
      av_opt_set_int(s, "srcw", frame.width, 0);
      av_opt_set_int(s, "srch", frame.height, 0);
      av_opt_set_int(s, "src_format", frame.format, 0);
      av_opt_set_int(s, "dstw", frame.width, 0);
      av_opt_set_int(s, "dsth", frame.height, 0);
      av_opt_set_int(s, "dst_format", AV_PIX_FMT_ARGB, 0);
      av_opt_set_int(s, "sws_flags", SWS_FAST_BILINEAR, 0);
      av_opt_set_int(s, "threads", Threads(), 0);
      if (sws_init_context(s, nullptr, nullptr) < 0) {
        scale_.reset();
        return codecErr;
      }
      scaleWidth_ = frame.width;
      scaleHeight_ = frame.height;
      scaleFormat_ = frame.format;
    }
    AVFrame& out = *target_;
    out.format = AV_PIX_FMT_ARGB;
    out.width = frame.width;
    out.height = frame.height;
    out.data[0] = base;
    out.linesize[0] = static_cast<int>(rowBytes);
    out.buf[0] = av_buffer_create(base, static_cast<size_t>(rowBytes) * frame.height, LeaveBuffer,
                                  nullptr, 0);
    if (out.buf[0] == nullptr) return memFullErr;
    int scaled = sws_scale_frame(scale_.get(), &out, &frame);
    av_frame_unref(&out);
    if (scaled == AVERROR(ENOMEM)) return memFullErr;
    return scaled < 0 ? codecErr : noErr;
  }

  static constexpr size_t kMostWaiting = 16;
  std::vector<FramePtr> waiting_;
  // Used by the thread decoding ahead; the pool outlives every frame's
  // pixels taken from it (buffers keep it until the last is released).
  AVBufferPool* pool_ = nullptr;
  size_t poolBytes_ = 0;
  std::atomic<int64_t> aheadWanted_{INT64_MIN};
  std::atomic<bool> convertAhead_{true};
  std::atomic<bool> asDecoded_{false};  // the caller takes frames as decoded
  int64_t slack_ = 0;                   // the thread's time to spare, lately (ns)
  CodecContextPtr context_;
  std::unique_ptr<DecodeAhead> ahead_;  // nullptr: decoding here; goes before context_
  std::vector<FramePtr> made_;          // taken from ahead_
  FramePtr frame_;                      // as received
  FramePtr current_;                    // the frame whose picture is given
  FramePtr target_;                     // what a conversion writes to
  PacketPtr packet_;
  ScalePtr scale_;
  int scaleWidth_ = 0, scaleHeight_ = 0, scaleFormat_ = -1;
  bool converted_ = false;
  std::vector<uint8_t> pixels_;
  bool indexed_ = false;
  bool paletteSent_ = false;
};

}  // namespace

int DecoderIdFor(CodecType type) noexcept {
  if (type == kRawCodecType) return AV_CODEC_ID_RAWVIDEO;
  int id = AV_CODEC_ID_NONE;
  if (const CodecSpec* spec = FindCodecSpec(type)) id = spec->ffmpegId;
  const FormatLibrary* formats = id == AV_CODEC_ID_NONE ? Formats() : nullptr;
  if (formats != nullptr) {
    // Movie files' own names first, then those AVI files give the same
    // codecs (some, like CineForm's 'CFHD', are only known there).
    const AVCodecTag* const tables[] = {formats->mov_video_tags(), formats->riff_video_tags(),
                                        nullptr};
    id = formats->codec_get_id(tables, __builtin_bswap32(static_cast<uint32_t>(type)));
  }
  return id != AV_CODEC_ID_NONE && FFmpegDecodes(id) ? id : AV_CODEC_ID_NONE;
}

OSErr ImageDecoder::Open(const ImageDescription& desc, const uint8_t* extensions,
                         size_t extensionSize, std::unique_ptr<ImageDecoder>* decoder,
                         bool pipelined) {
  decoder->reset();
  if (desc.width <= 0 || desc.height <= 0) return badImageDescription;
  if (desc.cType == kRawCodecType) {
    auto raw = std::unique_ptr<RawDecoder>(new (std::nothrow) RawDecoder);
    if (raw == nullptr) return memFullErr;
    if (OSErr err = raw->Begin(desc)) return err;
    *decoder = std::move(raw);
    return noErr;
  }
  int id = DecoderIdFor(desc.cType);
  if (id == AV_CODEC_ID_NONE) return noCodecErr;
  auto ffmpeg = std::unique_ptr<FFmpegDecoder>(new (std::nothrow) FFmpegDecoder);
  if (ffmpeg == nullptr) return memFullErr;
  if (OSErr err = ffmpeg->Begin(desc, id, extensions, extensionSize, pipelined)) return err;
  *decoder = std::move(ffmpeg);
  return noErr;
}

OSErr ImageDecoder::Open(ImageDescriptionHandle desc, std::unique_ptr<ImageDecoder>* decoder) {
  decoder->reset();
  if (desc == nullptr || *desc == nullptr) return paramErr;
  const ImageDescription& record = **desc;
  // A description outside the Memory Manager's handles is read as its
  // record alone.
  long size = IsHandle(reinterpret_cast<Handle>(desc))
                  ? HandleSize(reinterpret_cast<Handle>(desc))
                  : static_cast<long>(sizeof(ImageDescription));
  if (size < static_cast<long>(sizeof(ImageDescription))) return badImageDescription;
  long described = record.idSize;
  if (described < static_cast<long>(sizeof(ImageDescription)) || described > size) described = size;
  const auto* bytes = reinterpret_cast<const uint8_t*>(*desc);
  return Open(record, bytes + sizeof(ImageDescription), described - sizeof(ImageDescription),
              decoder);
}

}  // namespace qtml
