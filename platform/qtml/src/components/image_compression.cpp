// The Image Compression Manager's compression calls: CompressImage,
// compression sequences, GetMaxCompressionSize and
// MakeImageDescriptionForPixMap. Uncompressed 'raw ' frames are written by
// the engine itself; every other type goes through FFmpeg's software
// encoder for it, fed through libswscale from the pixel map's pixels.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ImageCompression.h"
#include "base/api_call.h"
#include "base/byte_order.h"
#include "components/codecs.h"
#include "components/ffmpeg_ptr.h"
#include "components/image_decoder.h"
#include "components/component_registry.h"
#include "components/image_sequences.h"
#include "memory/memory.h"
#include "quickdraw/pixels.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace qtml {
namespace {

constexpr Fixed kScreenResolution = 0x00480000;  // 72 dots an inch
constexpr short kStandardColors = -1;            // clutID: the depth's standard table
// ICMCompletionProc flags: the source pixels and the data are done with.
constexpr short kCompletionSource = 1 << 0;
constexpr short kCompletionDest = 1 << 1;
// Frames are stamped 1/30 s apart; only their order matters.
constexpr AVRational kFrameTime = {1, 30};

int WidthOf(const Rect& r) {
  return r.right - r.left;
}
int HeightOf(const Rect& r) {
  return r.bottom - r.top;
}

// The most bytes a frame of the type and size can take: exact for 'raw '
// rows of `rawDepth`; for the codecs, eight bytes a pixel of the frame
// rounded up to whole 16-pixel blocks, and room for headers, which is more
// than any of FFmpeg's encoders is allowed to write.
long MaxCompressedSize(CodecType type, long width, long height, int rawDepth) {
  long long bytes = 0;
  if (type == kRawCodecType) {
    bytes = static_cast<long long>(RawRowBytes(width, rawDepth)) * height;
  } else {
    bytes = ((width + 15) & ~15LL) * ((height + 15) & ~15LL) * 8 + 65536;
  }
  return static_cast<long>(std::min<long long>(bytes, INT32_MAX));
}

// The engine's spec of a type it can compress, or nullptr.
const CodecSpec* EncodableSpec(CodecType type) {
  const CodecSpec* spec = FindCodecSpec(type);
  if (spec == nullptr) return nullptr;
  if (type != kRawCodecType && !FFmpegEncodes(spec->ffmpegId)) return nullptr;
  return spec;
}

// Whether a CompressorComponent argument may be used for the type: one of
// the special values, or a compressor (or an instance of one) of the type.
bool CompressorFits(CompressorComponent codec, CodecType type) {
  if (codec == anyCodec || codec == bestSpeedCodec || codec == bestFidelityCodec ||
      codec == bestCompressionCodec) {
    return true;
  }
  const ComponentRecord* record = ComponentOrInstance(codec);
  return record != nullptr && record->entry.type == compressorComponentType &&
         record->entry.subType == type;
}

// The pixel map `h` names when `area` lies inside its bounds and its
// pixels can be read there; nullptr otherwise.
const PixMap* ReadablePixMap(PixMapHandle h, const Rect& area) {
  if (h == nullptr || *h == nullptr) return nullptr;
  const PixMap& map = **h;
  if (map.baseAddr == nullptr || !RawDepth(map.pixelSize) || IsEmpty(area)) return nullptr;
  if (area.left < map.bounds.left || area.top < map.bounds.top || area.right > map.bounds.right ||
      area.bottom > map.bounds.bottom) {
    return nullptr;
  }
  long rowBytes = map.rowBytes & 0x3FFF;
  if (rowBytes * 8 < static_cast<long>(WidthOf(map.bounds)) * map.pixelSize) return nullptr;
  return &map;
}

const uint8_t* RowOf(const PixMap& map, int y) {
  return reinterpret_cast<const uint8_t*>(map.baseAddr) +
         static_cast<long>(y - map.bounds.top) * (map.rowBytes & 0x3FFF);
}

// The area's pixels as 32-bit ARGB (big-endian, as QuickDraw keeps them),
// top row first, rows unpadded.
void ReadArgb(const PixMap& map, const Rect& area, std::vector<uint8_t>* argb) {
  size_t width = static_cast<size_t>(WidthOf(area));
  argb->resize(width * static_cast<size_t>(HeightOf(area)) * 4);
  uint8_t* out = argb->data();
  for (int y = area.top; y < area.bottom; ++y) {
    if (map.pixelSize == 32) {
      std::memcpy(out, RowOf(map, y) + (area.left - map.bounds.left) * 4, width * 4);
      out += width * 4;
      continue;
    }
    for (int x = area.left; x < area.right; ++x, out += 4) WriteBE32(out, GetPixel(map, x, y));
  }
}

// How alike two frames of ARGB pixels are, 255 for the same pixels: 255
// less the mean difference of their colour channels, at least 1 (0 is
// for key frames).
UInt8 Similarity(const std::vector<uint8_t>& before, const std::vector<uint8_t>& now) {
  if (before.size() != now.size() || now.empty()) return 1;
  uint64_t difference = 0;
  for (size_t i = 0; i < now.size(); i += 4) {
    for (size_t c = 1; c < 4; ++c) {
      difference += static_cast<uint64_t>(std::abs(int{now[i + c]} - int{before[i + c]}));
    }
  }
  uint64_t mean = difference / (now.size() / 4 * 3);
  return static_cast<UInt8>(std::max<uint64_t>(1, 255 - std::min<uint64_t>(mean, 255)));
}

// How coarse a CodecQ asks the picture to be: 1 at codecMinQuality, 0 at
// codecMaxQuality and above.
double Coarseness(CodecQ quality) {
  constexpr double kTop = codecMaxQuality;
  return (kTop - std::min<CodecQ>(quality, codecMaxQuality)) / kTop;
}

// A CodecQ as an MPEG-style quantiser, from 31 (codecMinQuality) to 1
// (codecMaxQuality and lossless), finer steps towards the top.
int Quantiser(CodecQ quality) {
  double coarseness = Coarseness(quality);
  return 1 + static_cast<int>(30 * coarseness * coarseness + 0.5);
}

// A CodecQ as x264's constant rate factor: 40 down to 10.
double RateFactor(CodecQ quality) {
  return 10 + 30 * Coarseness(quality);
}

// The encoders steered by a quantiser in each frame's quality.
bool QuantiserDriven(int id) {
  return id == AV_CODEC_ID_MJPEG || id == AV_CODEC_ID_MPEG4 || id == AV_CODEC_ID_H263 ||
         id == AV_CODEC_ID_SVQ1 || id == AV_CODEC_ID_CINEPAK;
}

// The encoders that make a key frame of a frame marked I. The others
// decide by their own count, so a key frame is made by starting afresh.
bool TakesKeyFrameRequests(int id) {
  return id == AV_CODEC_ID_MPEG4 || id == AV_CODEC_ID_H263 || id == AV_CODEC_ID_H264;
}

// The pixel format frames of the type are given to its encoder in, for a
// wanted depth: alpha is kept at depth 32 by the types that store it.
AVPixelFormat PreferredFormat(CodecType type, int depth) {
  switch (type) {
    case kJPEGCodecType:
      return AV_PIX_FMT_YUV420P;  // full range, as JPEG has it
    case kPNGCodecType:
      return depth == 32 ? AV_PIX_FMT_RGBA : AV_PIX_FMT_RGB24;
    case kAnimationCodecType:
      return depth == 32 ? AV_PIX_FMT_ARGB : depth == 16 ? AV_PIX_FMT_RGB555BE : AV_PIX_FMT_RGB24;
    case kCinepakCodecType:
      return AV_PIX_FMT_RGB24;
    case kGraphicsCodecType:
      return AV_PIX_FMT_PAL8;
    case kVideoCodecType:
      return AV_PIX_FMT_RGB555;
    case kSorensonCodecType:
      return AV_PIX_FMT_YUV410P;
    default:
      return AV_PIX_FMT_YUV420P;
  }
}

bool Offers(const AVCodec& codec, AVPixelFormat format) {
  if (codec.pix_fmts == nullptr) return true;
  for (const AVPixelFormat* f = codec.pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
    if (*f == format) return true;
  }
  return false;
}

// The depth an image description gives data of the pixel format.
short DepthOf(AVPixelFormat format) {
  switch (format) {
    case AV_PIX_FMT_ARGB:
    case AV_PIX_FMT_RGBA:
      return 32;
    case AV_PIX_FMT_RGB555BE:
    case AV_PIX_FMT_RGB555LE:
      return 16;
    case AV_PIX_FMT_PAL8:
      return 8;
    case AV_PIX_FMT_GRAY8:
      return 40;
    default:
      return 24;
  }
}

// ---------------------------------------------------------------- atoms

void AppendBE16(std::vector<uint8_t>* out, unsigned value) {
  out->push_back(static_cast<uint8_t>(value >> 8));
  out->push_back(static_cast<uint8_t>(value));
}

void AppendBE32(std::vector<uint8_t>* out, uint32_t value) {
  uint8_t bytes[4];
  WriteBE32(bytes, value);
  out->insert(out->end(), bytes, bytes + 4);
}

void AppendAtom(std::vector<uint8_t>* out, OSType type, const std::vector<uint8_t>& payload) {
  AppendBE32(out, static_cast<uint32_t>(payload.size() + 8));
  AppendBE32(out, type);
  out->insert(out->end(), payload.begin(), payload.end());
}

struct NalUnit {
  const uint8_t* bytes;
  size_t size;
};

// The NAL units of an H.264 byte stream (each after a 00 00 01 start
// code), without the zeros that pad them to the next start code.
std::vector<NalUnit> NalUnits(const uint8_t* p, size_t n) {
  std::vector<NalUnit> units;
  size_t start = 0;
  bool inUnit = false;
  auto close = [&](size_t end) {
    while (end > start && p[end - 1] == 0) --end;
    if (end > start) units.push_back(NalUnit{p + start, end - start});
  };
  for (size_t i = 0; i + 3 <= n;) {
    if (p[i] == 0 && p[i + 1] == 0 && p[i + 2] == 1) {
      if (inUnit) close(i);
      i += 3;
      start = i;
      inUnit = true;
    } else {
      ++i;
    }
  }
  if (inUnit) close(n);
  return units;
}

// An H.264 frame as QuickTime stores it: each NAL unit after its 4-byte
// big-endian size. Data that is not a byte stream is kept as it is.
void AppendLengthPrefixed(const uint8_t* p, size_t n, std::vector<uint8_t>* out) {
  std::vector<NalUnit> units = NalUnits(p, n);
  if (units.empty()) {
    out->insert(out->end(), p, p + n);
    return;
  }
  for (const NalUnit& unit : units) {
    AppendBE32(out, static_cast<uint32_t>(unit.size));
    out->insert(out->end(), unit.bytes, unit.bytes + unit.size);
  }
}

// The 'avcC' payload (an AVC decoder configuration record, NAL sizes of 4
// bytes) of the encoder's parameter sets; empty without them.
std::vector<uint8_t> AvcConfiguration(const uint8_t* extradata, size_t size) {
  if (size > 0 && extradata[0] == 1) return std::vector<uint8_t>(extradata, extradata + size);
  std::vector<NalUnit> sequenceSets, pictureSets;
  for (const NalUnit& unit : NalUnits(extradata, size)) {
    int type = unit.bytes[0] & 0x1F;
    if (type == 7 && unit.size >= 4) sequenceSets.push_back(unit);
    if (type == 8) pictureSets.push_back(unit);
  }
  if (sequenceSets.empty() || pictureSets.empty() || sequenceSets.size() > 31 ||
      pictureSets.size() > 255) {
    return {};
  }
  const uint8_t* sps = sequenceSets[0].bytes;
  std::vector<uint8_t> record = {1,      sps[1], sps[2],
                                 sps[3], 0xFF,   static_cast<uint8_t>(0xE0 | sequenceSets.size())};
  for (const NalUnit& unit : sequenceSets) {
    AppendBE16(&record, static_cast<unsigned>(unit.size));
    record.insert(record.end(), unit.bytes, unit.bytes + unit.size);
  }
  record.push_back(static_cast<uint8_t>(pictureSets.size()));
  for (const NalUnit& unit : pictureSets) {
    AppendBE16(&record, static_cast<unsigned>(unit.size));
    record.insert(record.end(), unit.bytes, unit.bytes + unit.size);
  }
  // The high profiles add the chroma format and bit depths: the encoder is
  // given 8-bit 4:2:0 frames.
  int profile = sps[1];
  if (profile == 100 || profile == 110 || profile == 122 || profile == 144) {
    record.insert(record.end(), {0xFD, 0xF8, 0xF8, 0x00});
  }
  return record;
}

// An MPEG-4 descriptor: its tag, its size in the four-byte form, its body.
void AppendDescriptor(std::vector<uint8_t>* out, uint8_t tag, const std::vector<uint8_t>& body) {
  out->push_back(tag);
  size_t n = body.size();
  out->insert(out->end(),
              {static_cast<uint8_t>(0x80 | ((n >> 21) & 0x7F)),
               static_cast<uint8_t>(0x80 | ((n >> 14) & 0x7F)),
               static_cast<uint8_t>(0x80 | ((n >> 7) & 0x7F)), static_cast<uint8_t>(n & 0x7F)});
  out->insert(out->end(), body.begin(), body.end());
}

// The 'esds' payload of MPEG-4 video whose decoder set-up (the visual
// object sequence headers) is `config`.
std::vector<uint8_t> ElementaryStreamDescriptor(const uint8_t* config, size_t size) {
  std::vector<uint8_t> decoderInfo(config, config + size);
  std::vector<uint8_t> decoderConfig = {0x20,            // objectTypeIndication: MPEG-4 visual
                                        0x11,            // streamType 4 (visual) << 2, reserved bit
                                        0,    0, 0,      // bufferSizeDB: not stated
                                        0,    0, 0, 0,   // maxBitrate: variable
                                        0,    0, 0, 0};  // avgBitrate: variable
  AppendDescriptor(&decoderConfig, 0x05, decoderInfo);
  std::vector<uint8_t> stream = {0, 0, 0};  // ES_ID 0, no stream dependence, URL or OCR
  AppendDescriptor(&stream, 0x04, decoderConfig);
  AppendDescriptor(&stream, 0x06, {0x02});      // SL config: predefined for MP4 files
  std::vector<uint8_t> payload = {0, 0, 0, 0};  // version and flags
  AppendDescriptor(&payload, 0x03, stream);
  return payload;
}

// ---------------------------------------------------------------- descriptions

void SetPascalName(unsigned char* field, size_t capacity, const char* text) {
  size_t length = std::min(std::strlen(text), capacity - 1);
  field[0] = static_cast<unsigned char>(length);
  std::memcpy(field + 1, text, length);
}

// An image description's bytes: the record in the machine's order, then
// the extension atoms as they are stored.
std::vector<uint8_t> DescriptionBytes(const CodecSpec& spec, int width, int height, int depth,
                                      CodecQ spatialQuality, CodecQ temporalQuality, long dataSize,
                                      const std::vector<uint8_t>& extensions) {
  ImageDescription record{};
  record.idSize = static_cast<SInt32>(sizeof(ImageDescription) + extensions.size());
  record.cType = spec.type;
  record.version = 1;
  record.revisionLevel = 1;
  record.vendor = static_cast<SInt32>('appl');
  record.temporalQuality = temporalQuality;
  record.spatialQuality = spatialQuality;
  record.width = static_cast<SInt16>(width);
  record.height = static_cast<SInt16>(height);
  record.hRes = record.vRes = kScreenResolution;
  record.dataSize = static_cast<SInt32>(dataSize);
  record.frameCount = 1;
  SetPascalName(record.name, sizeof(record.name), spec.name);
  record.depth = static_cast<SInt16>(depth);
  record.clutID = kStandardColors;
  std::vector<uint8_t> bytes(sizeof(record) + extensions.size());
  std::memcpy(bytes.data(), &record, sizeof(record));
  if (!extensions.empty()) {
    std::memcpy(bytes.data() + sizeof(record), extensions.data(), extensions.size());
  }
  return bytes;
}

OSErr StoreDescription(ImageDescriptionHandle desc, const std::vector<uint8_t>& bytes) {
  return SetHandleBytes(reinterpret_cast<Handle>(desc), bytes.data(),
                        static_cast<Size>(bytes.size()));
}

bool IsDescriptionHandle(ImageDescriptionHandle desc) {
  return desc != nullptr && IsHandle(reinterpret_cast<Handle>(desc));
}

// ---------------------------------------------------------------- encoding

OSErr FFmpegError(int result) {
  return result == AVERROR(ENOMEM) ? memFullErr : codecErr;
}

// Makes the frames of one size and type, one after another: the work
// behind CompressImage (a single frame) and a compression sequence.
class FrameEncoder {
 public:
  FrameEncoder() = default;
  ~FrameEncoder() {
    if (table_ != nullptr) {
      FreeHandle(reinterpret_cast<Handle>(table_));
      ForgetColorLookups();
    }
  }
  FrameEncoder(const FrameEncoder&) = delete;
  FrameEncoder& operator=(const FrameEncoder&) = delete;

  // Sets up frames of width × height of the spec's type at `depth` (the
  // depth wanted; each type keeps the nearest it stores). keyFrameRate is
  // the most frames from one key frame to the next (0: the codec's
  // choice); a temporal quality of 0 makes every frame a key frame.
  // noCodecErr, codecErr when the encoder refuses the size, paramErr for
  // rows too long to store, memFullErr.
  OSErr Begin(const CodecSpec& spec, int width, int height, int depth, CodecQ spatialQuality,
              CodecQ temporalQuality, long keyFrameRate) {
    spec_ = &spec;
    width_ = width;
    height_ = height;
    spatial_ = spatialQuality;
    temporal_ = temporalQuality;
    keyFrameRate_ = std::clamp<long>(keyFrameRate, 0, INT_MAX);
    temporalCodec_ = (spec.compressFlags & codecInfoDoesTemporal) != 0 && temporalQuality != 0;
    if (spec.type == kRawCodecType) {
      depth_ = static_cast<short>(RawDepth(depth) ? depth : 32);
      if (RawRowBytes(width, depth_) > kMaxRawRowBytes) return paramErr;
      if (depth_ <= 8) {
        table_ = NewStandardColorTable(depth_);
        if (table_ == nullptr) return memFullErr;
      }
      return noErr;
    }
    codec_ = SoftwareEncoder(spec.ffmpegId);
    if (codec_ == nullptr) return noCodecErr;
    format_ = PreferredFormat(spec.type, depth);
    if (!Offers(*codec_, format_)) format_ = codec_->pix_fmts[0];
    depth_ = DepthOf(format_);
    if (format_ == AV_PIX_FMT_PAL8 && !LoadStandardPalette()) return memFullErr;
    packet_.reset(av_packet_alloc());
    if (packet_ == nullptr) return memFullErr;
    if (OSErr err = OpenContext()) return err;
    return MakeExtensions();
  }

  // Compresses the area (width × height) of the pixel map into `out`;
  // `forceKey` asks for a key frame. *key says whether it is one, and
  // *similarity is 0 for a key frame, else how alike it is to the last.
  // codecErr when the encoder fails, memFullErr.
  OSErr Encode(const PixMap& map, const Rect& area, bool forceKey, std::vector<uint8_t>* out,
               bool* key, UInt8* similarity) {
    out->clear();
    *key = true;
    *similarity = 0;
    if (spec_->type == kRawCodecType) {
      WriteRaw(map, area, out);
      return noErr;
    }
    bool wantKey = forceKey || !temporalCodec_ || framesInContext_ == 0 || drained_ ||
                   (keyFrameRate_ > 0 && sinceKey_ >= keyFrameRate_);
    bool restart = wantKey && framesInContext_ > 0 && !TakesKeyFrameRequests(spec_->ffmpegId);
    if (drained_ || restart) {
      if (OSErr err = OpenContext()) return err;
    }
    ReadArgb(map, area, &argb_);
    FramePtr frame(av_frame_alloc());
    if (frame == nullptr) return memFullErr;
    frame->format = format_;
    frame->width = width_;
    frame->height = height_;
    if (int result = av_frame_get_buffer(frame.get(), 0); result < 0) return FFmpegError(result);
    if (OSErr err = Fill(*frame)) return err;
    frame->pts = pts_++;
    frame->pict_type = wantKey ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    if (QuantiserDriven(spec_->ffmpegId)) {
      frame->quality = Quantiser(wantKey ? spatial_ : temporal_) * FF_QP2LAMBDA;
    }
    bool fresh = framesInContext_ == 0;
    OSErr err = Compress(*frame);
    if (err == noErr && wantKey && !fresh && !PacketIsKey()) {
      // The encoder went on from the frames before: start it afresh.
      av_packet_unref(packet_.get());
      err = OpenContext();
      if (err == noErr) err = Compress(*frame);
      fresh = true;
    }
    if (err != noErr) return err;
    *key = fresh || PacketIsKey() || !temporalCodec_;
    sinceKey_ = *key ? 1 : sinceKey_ + 1;
    *similarity = *key ? 0 : Similarity(previous_, argb_);
    std::swap(previous_, argb_);
    if (spec_->ffmpegId == AV_CODEC_ID_H264) {
      AppendLengthPrefixed(packet_->data, static_cast<size_t>(packet_->size), out);
    } else {
      out->assign(packet_->data, packet_->data + packet_->size);
    }
    av_packet_unref(packet_.get());
    if (static_cast<long long>(out->size()) > MaxCompressedSize(spec_->type, width_, height_, 32)) {
      out->clear();
      return codecErr;
    }
    return noErr;
  }

  // The qualities of the frames from the next on; only the codecs steered
  // by a quantiser in each frame follow.
  void SetQualities(CodecQ spatialQuality, CodecQ temporalQuality) {
    spatial_ = spatialQuality;
    temporal_ = temporalQuality;
  }

  short Depth() const { return depth_; }
  // The description's extension atoms (the codec's set-up), as stored.
  const std::vector<uint8_t>& Extensions() const { return extensions_; }

 private:
  OSErr OpenContext() {
    context_.reset(avcodec_alloc_context3(codec_));
    if (context_ == nullptr) return memFullErr;
    framesInContext_ = 0;
    drained_ = false;
    AVCodecContext& c = *context_;
    int id = spec_->ffmpegId;
    c.width = width_;
    c.height = height_;
    c.pix_fmt = format_;
    c.time_base = kFrameTime;
    c.framerate = AVRational{kFrameTime.den, kFrameTime.num};
    c.thread_count = 1;  // frame threads would hold frames back
    c.max_b_frames = 0;
    // Key frames at a rate: those that take requests are told the rate;
    // the others are started afresh at each key frame, and make none of
    // their own in between.
    if (!temporalCodec_) {
      c.gop_size = 1;
    } else if (keyFrameRate_ > 0) {
      c.gop_size = TakesKeyFrameRequests(id) ? static_cast<int>(keyFrameRate_) : INT_MAX / 2;
    }
    if (id == AV_CODEC_ID_CINEPAK && (!temporalCodec_ || keyFrameRate_ > 0)) {
      c.keyint_min = c.gop_size;  // its key frame interval
    }
    if (QuantiserDriven(id)) {
      c.flags |= AV_CODEC_FLAG_QSCALE;
      c.global_quality = Quantiser(spatial_) * FF_QP2LAMBDA;
      c.qmin = 1;
    }
    if (id == AV_CODEC_ID_MJPEG) c.color_range = AVCOL_RANGE_JPEG;
    if (id == AV_CODEC_ID_MPEG4 || id == AV_CODEC_ID_H264) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (id == AV_CODEC_ID_H264 && c.priv_data != nullptr) {
      av_opt_set(c.priv_data, "preset", "faster", 0);
      av_opt_set(c.priv_data, "tune", "zerolatency", 0);
      av_opt_set(c.priv_data, "forced-idr", "1", 0);
      av_opt_set_double(c.priv_data, "crf", RateFactor(spatial_), 0);
    }
    int result = avcodec_open2(&c, codec_, nullptr);
    if (result < 0) {
      context_.reset();
      return FFmpegError(result);
    }
    return noErr;
  }

  OSErr MakeExtensions() {
    extensions_.clear();
    const AVCodecContext& c = *context_;
    if (c.extradata == nullptr || c.extradata_size <= 0) {
      return spec_->ffmpegId == AV_CODEC_ID_H264 ? codecErr : noErr;
    }
    size_t size = static_cast<size_t>(c.extradata_size);
    switch (spec_->ffmpegId) {
      case AV_CODEC_ID_H264: {
        std::vector<uint8_t> record = AvcConfiguration(c.extradata, size);
        if (record.empty()) return codecErr;
        AppendAtom(&extensions_, 'avcC', record);
        break;
      }
      case AV_CODEC_ID_MPEG4:
        AppendAtom(&extensions_, 'esds', ElementaryStreamDescriptor(c.extradata, size));
        break;
      default:
        AppendAtom(&extensions_, 'glbl', std::vector<uint8_t>(c.extradata, c.extradata + size));
        break;
    }
    return noErr;
  }

  bool LoadStandardPalette() {
    CTabHandle table = NewStandardColorTable(8);
    if (table == nullptr) return false;
    const ColorTable& t = **table;
    for (int i = 0; i < 256; ++i) {
      palette_[i] = i <= t.ctSize ? ArgbFromRGB(t.ctTable[i].rgb) : 0xFF000000u;
    }
    FreeHandle(reinterpret_cast<Handle>(table));
    ForgetColorLookups();
    return true;
  }

  // The standard colour nearest to `color`.
  uint8_t NearestIndex(Argb color) {
    color |= 0xFF000000u;
    auto found = nearest_.find(color);
    if (found != nearest_.end()) return found->second;
    int best = 0;
    long bestDistance = LONG_MAX;
    for (int i = 0; i < 256; ++i) {
      long d = 0;
      for (int shift : {16, 8, 0}) {
        long delta = static_cast<long>((color >> shift) & 0xFF) -
                     static_cast<long>((palette_[i] >> shift) & 0xFF);
        d += delta * delta;
      }
      if (d < bestDistance) {
        best = i;
        bestDistance = d;
      }
    }
    nearest_.emplace(color, static_cast<uint8_t>(best));
    return static_cast<uint8_t>(best);
  }

  // The staged ARGB pixels in the encoder's format.
  OSErr Fill(AVFrame& frame) {
    if (format_ == AV_PIX_FMT_PAL8) {
      const uint8_t* in = argb_.data();
      for (int y = 0; y < height_; ++y) {
        uint8_t* row = frame.data[0] + static_cast<ptrdiff_t>(y) * frame.linesize[0];
        for (int x = 0; x < width_; ++x, in += 4) row[x] = NearestIndex(ReadBE32(in));
      }
      std::memcpy(frame.data[1], palette_, AVPALETTE_SIZE);
      return noErr;
    }
    // Chroma is taken from every pixel before it is subsampled.
    const AVPixFmtDescriptor* described = av_pix_fmt_desc_get(format_);
    bool yuv = described != nullptr && (described->flags & AV_PIX_FMT_FLAG_RGB) == 0 &&
               described->nb_components >= 3;
    int flags = SWS_BICUBIC | SWS_ACCURATE_RND | (yuv ? SWS_FULL_CHR_H_INP : 0);
    SwsContext* scale =
        sws_getCachedContext(scale_.release(), width_, height_, AV_PIX_FMT_ARGB, width_, height_,
                             format_, flags, nullptr, nullptr, nullptr);
    scale_.reset(scale);
    if (scale == nullptr) return codecErr;
    if (spec_->ffmpegId == AV_CODEC_ID_MJPEG) {
      const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
      sws_setColorspaceDetails(scale, coefficients, 1, coefficients, 1, 0, 1 << 16, 1 << 16);
    }
    const uint8_t* planes[4] = {argb_.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {width_ * 4, 0, 0, 0};
    int rows = sws_scale(scale, planes, strides, 0, height_, frame.data, frame.linesize);
    return rows == height_ ? noErr : codecErr;
  }

  // Sends the frame and takes its packet. An encoder that holds frames
  // back gives them up at once, and is started afresh for the next.
  OSErr Compress(const AVFrame& frame) {
    int result = avcodec_send_frame(context_.get(), &frame);
    if (result < 0) return FFmpegError(result);
    result = avcodec_receive_packet(context_.get(), packet_.get());
    if (result == AVERROR(EAGAIN)) {
      drained_ = true;
      result = avcodec_send_frame(context_.get(), nullptr);
      if (result >= 0) result = avcodec_receive_packet(context_.get(), packet_.get());
    }
    if (result < 0) return FFmpegError(result);
    ++framesInContext_;
    return noErr;
  }

  bool PacketIsKey() const { return (packet_->flags & AV_PKT_FLAG_KEY) != 0; }

  // The area's pixels as uncompressed rows of the depth: copied when the
  // pixel map has that depth and direct colours, otherwise pixel by pixel
  // (indexed depths through the standard colour tables).
  void WriteRaw(const PixMap& map, const Rect& area, std::vector<uint8_t>* out) {
    long rowBytes = RawRowBytes(width_, depth_);
    out->assign(static_cast<size_t>(rowBytes) * static_cast<size_t>(height_), 0);
    if (map.pixelSize == depth_ && depth_ >= 16) {
      size_t bytes = static_cast<size_t>(width_) * static_cast<size_t>(depth_ / 8);
      for (int y = 0; y < height_; ++y) {
        std::memcpy(out->data() + static_cast<size_t>(y) * static_cast<size_t>(rowBytes),
                    RowOf(map, area.top + y) + (area.left - map.bounds.left) * (depth_ / 8), bytes);
      }
      return;
    }
    PixMap image{};
    image.baseAddr = reinterpret_cast<Ptr>(out->data());
    image.rowBytes = static_cast<short>(0x8000 | rowBytes);
    image.bounds = Rect{0, 0, static_cast<short>(height_), static_cast<short>(width_)};
    image.pixelSize = depth_;
    image.pmTable = table_;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        SetPixel(image, x, y, GetPixel(map, area.left + x, area.top + y));
      }
    }
  }

  const CodecSpec* spec_ = nullptr;
  const AVCodec* codec_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  short depth_ = 0;
  AVPixelFormat format_ = AV_PIX_FMT_NONE;
  CodecQ spatial_ = 0;
  CodecQ temporal_ = 0;
  long keyFrameRate_ = 0;
  bool temporalCodec_ = false;
  CodecContextPtr context_;
  PacketPtr packet_;
  ScalePtr scale_;
  long framesInContext_ = 0;  // frames the current context has made
  bool drained_ = false;      // the context was flushed: the next frame starts anew
  long sinceKey_ = 0;         // frames since the last key frame, that one counted
  int64_t pts_ = 0;
  std::vector<uint8_t> argb_;      // the frame being compressed, as ARGB
  std::vector<uint8_t> previous_;  // the frame before it
  std::vector<uint8_t> extensions_;
  CTabHandle table_ = nullptr;  // the standard table of raw indexed rows
  uint32_t palette_[256] = {};  // the standard 8-bit colours, for indexed codecs
  std::unordered_map<Argb, uint8_t> nearest_;
};

class CompressionSequence final : public SequenceRecord {
 public:
  FrameEncoder encoder;
  Rect area{};  // the source rectangle given when it began
};

// ---------------------------------------------------------------- calls

OSErr CompressOneImage(const PixMap& map, const Rect& area, CodecQ quality, const CodecSpec& spec,
                       ImageDescriptionHandle desc, Ptr data) {
  FrameEncoder encoder;
  int width = WidthOf(area);
  int height = HeightOf(area);
  if (OSErr err = encoder.Begin(spec, width, height, map.pixelSize, quality, 0, 0)) return err;
  std::vector<uint8_t> bytes;
  bool key = false;
  UInt8 similarity = 0;
  if (OSErr err = encoder.Encode(map, area, true, &bytes, &key, &similarity)) return err;
  std::vector<uint8_t> description =
      DescriptionBytes(spec, width, height, encoder.Depth(), quality, 0,
                       static_cast<long>(bytes.size()), encoder.Extensions());
  if (OSErr err = StoreDescription(desc, description)) return err;
  std::memcpy(data, bytes.data(), bytes.size());
  return noErr;
}

OSErr BeginSequence(ImageSequence* seqID, PixMapHandle src, const Rect& area, short colorDepth,
                    const CodecSpec& spec, CodecQ spatialQuality, CodecQ temporalQuality,
                    long keyFrameRate, ImageDescriptionHandle desc) {
  int depth = colorDepth != 0 ? colorDepth : src != nullptr ? (**src).pixelSize : 32;
  std::unique_ptr<CompressionSequence> sequence(NewObject<CompressionSequence>());
  if (sequence == nullptr) return memFullErr;
  sequence->area = area;
  int width = WidthOf(area);
  int height = HeightOf(area);
  if (OSErr err = sequence->encoder.Begin(spec, width, height, depth, spatialQuality,
                                          temporalQuality, keyFrameRate)) {
    return err;
  }
  std::vector<uint8_t> description =
      DescriptionBytes(spec, width, height, sequence->encoder.Depth(), spatialQuality,
                       temporalQuality, 0, sequence->encoder.Extensions());
  if (OSErr err = StoreDescription(desc, description)) return err;
  ImageSequence id = AdoptSequence(std::move(sequence));
  if (id == 0) return memFullErr;
  *seqID = id;
  return noErr;
}

OSErr SequenceFrame(CompressionSequence& sequence, const PixMap& map, const Rect& area,
                    CodecFlags flags, Ptr data, long* dataSize, UInt8* similarity) {
  std::vector<uint8_t> bytes;
  bool key = false;
  UInt8 alike = 0;
  bool force = (flags & codecFlagForceKeyFrame) != 0;
  if (OSErr err = sequence.encoder.Encode(map, area, force, &bytes, &key, &alike)) return err;
  std::memcpy(data, bytes.data(), bytes.size());
  *dataSize = static_cast<long>(bytes.size());
  if (similarity != nullptr) *similarity = alike;
  return noErr;
}

OSErr DescribePixMap(const PixMap& map, ImageDescriptionHandle* idh) {
  int width = WidthOf(map.bounds);
  int height = HeightOf(map.bounds);
  if (width <= 0 || height <= 0 || !RawDepth(map.pixelSize)) return paramErr;
  long dataSize = static_cast<long>(height) * (map.rowBytes & 0x3FFF);
  std::vector<uint8_t> bytes =
      DescriptionBytes(*FindCodecSpec(kRawCodecType), width, height, map.pixelSize,
                       codecLosslessQuality, 0, dataSize, {});
  OSErr err = noErr;
  Handle h = NewHandleBytes(static_cast<Size>(bytes.size()), false, &err);
  if (h == nullptr) return err != noErr ? err : memFullErr;
  std::memcpy(*h, bytes.data(), bytes.size());
  *idh = reinterpret_cast<ImageDescriptionHandle>(h);
  return noErr;
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::FourCC;
using qtml::Guarded;

extern "C" {

OSErr GetMaxCompressionSize(PixMapHandle src, const Rect* srcRect, short colorDepth, CodecQ quality,
                            CodecType cType, CompressorComponent codec, long* size) try {
  ApiCall call("GetMaxCompressionSize", src, srcRect, colorDepth, quality, FourCC{cType}, codec,
               size);
  if (size != nullptr) *size = 0;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (srcRect == nullptr || size == nullptr || qtml::IsEmpty(*srcRect)) {
    return call.Return<OSErr>(paramErr);
  }
  if ((src != nullptr && *src == nullptr) || !qtml::CompressorFits(codec, cType)) {
    return call.Return<OSErr>(paramErr);
  }
  if (qtml::EncodableSpec(cType) == nullptr) return call.Return<OSErr>(noCodecErr);
  // Raw rows are as deep as the depth asked for or the source's, whichever
  // is deeper, so that either compresses into the size.
  int depth = qtml::RawDepth(colorDepth) ? colorDepth : 0;
  if (src != nullptr) depth = std::max<int>(depth, (**src).pixelSize);
  if (!qtml::RawDepth(depth)) depth = 32;
  *size = qtml::MaxCompressedSize(cType, qtml::WidthOf(*srcRect), qtml::HeightOf(*srcRect), depth);
  return call.Return<OSErr>(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr CompressImage(PixMapHandle src, const Rect* srcRect, CodecQ quality, CodecType cType,
                    ImageDescriptionHandle desc, Ptr data) try {
  ApiCall call("CompressImage", src, srcRect, quality, FourCC{cType}, desc,
               static_cast<const void*>(data));
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (srcRect == nullptr || data == nullptr || !qtml::IsDescriptionHandle(desc)) {
    return call.Return<OSErr>(paramErr);
  }
  const PixMap* map = qtml::ReadablePixMap(src, *srcRect);
  if (map == nullptr) return call.Return<OSErr>(paramErr);
  const qtml::CodecSpec* spec = qtml::EncodableSpec(cType);
  if (spec == nullptr) return call.Return<OSErr>(noCodecErr);
  return call.Return(Guarded<OSErr>(memFullErr, [&] {
    return qtml::CompressOneImage(*map, *srcRect, quality, *spec, desc, data);
  }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr CompressSequenceBegin(ImageSequence* seqID, PixMapHandle src, PixMapHandle prev,
                            const Rect* srcRect, const Rect* prevRect, short colorDepth,
                            CodecType cType, CompressorComponent codec, CodecQ spatialQuality,
                            CodecQ temporalQuality, long keyFrameRate, CTabHandle ctable,
                            CodecFlags flags, ImageDescriptionHandle desc) try {
  ApiCall call("CompressSequenceBegin", seqID, src, prev, srcRect, prevRect, colorDepth,
               FourCC{cType}, codec, spatialQuality, temporalQuality, keyFrameRate, ctable, flags,
               desc);
  if (seqID != nullptr) *seqID = 0;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (seqID == nullptr || !qtml::IsDescriptionHandle(desc) || (src != nullptr && *src == nullptr)) {
    return call.Return<OSErr>(paramErr);
  }
  Rect area{};
  if (srcRect != nullptr) {
    area = *srcRect;
  } else if (src != nullptr) {
    area = (**src).bounds;
  }
  if (qtml::IsEmpty(area) || !qtml::CompressorFits(codec, cType)) {
    return call.Return<OSErr>(paramErr);
  }
  const qtml::CodecSpec* spec = qtml::EncodableSpec(cType);
  if (spec == nullptr) return call.Return<OSErr>(noCodecErr);
  return call.Return(Guarded<OSErr>(memFullErr, [&] {
    return qtml::BeginSequence(seqID, src, area, colorDepth, *spec, spatialQuality, temporalQuality,
                               keyFrameRate, desc);
  }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr CompressSequenceFrame(ImageSequence seqID, PixMapHandle src, const Rect* srcRect,
                            CodecFlags flags, Ptr data, long* dataSize, UInt8* similarity,
                            ICMCompletionProcRecordPtr asyncCompletionProc) try {
  ApiCall call("CompressSequenceFrame", seqID, src, srcRect, flags, static_cast<const void*>(data),
               dataSize, similarity, asyncCompletionProc);
  if (dataSize != nullptr) *dataSize = 0;
  if (similarity != nullptr) *similarity = 0;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  auto* sequence = qtml::SequenceOf<qtml::CompressionSequence>(seqID);
  if (sequence == nullptr || data == nullptr || dataSize == nullptr) {
    return call.Return<OSErr>(paramErr);
  }
  Rect area = srcRect != nullptr ? *srcRect : sequence->area;
  const PixMap* map = qtml::ReadablePixMap(src, area);
  if (map == nullptr || qtml::WidthOf(area) != qtml::WidthOf(sequence->area) ||
      qtml::HeightOf(area) != qtml::HeightOf(sequence->area)) {
    return call.Return<OSErr>(paramErr);
  }
  OSErr err = Guarded<OSErr>(memFullErr, [&] {
    return qtml::SequenceFrame(*sequence, *map, area, flags, data, dataSize, similarity);
  });
  if (qtml::HasCompletionProc(asyncCompletionProc)) {
    asyncCompletionProc->completionProc(err, qtml::kCompletionSource | qtml::kCompletionDest,
                                        asyncCompletionProc->completionRefCon);
  }
  return call.Return(err);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr SetCSequenceQuality(ImageSequence seqID, CodecQ spatialQuality, CodecQ temporalQuality) try {
  ApiCall call("SetCSequenceQuality", seqID, spatialQuality, temporalQuality);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  auto* sequence = qtml::SequenceOf<qtml::CompressionSequence>(seqID);
  if (sequence == nullptr || spatialQuality > codecLosslessQuality ||
      temporalQuality > codecLosslessQuality) {
    return call.Return<OSErr>(paramErr);
  }
  sequence->encoder.SetQualities(spatialQuality, temporalQuality);
  return call.Return<OSErr>(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr MakeImageDescriptionForPixMap(PixMapHandle pixmap, ImageDescriptionHandle* idh) try {
  ApiCall call("MakeImageDescriptionForPixMap", pixmap, idh);
  if (idh != nullptr) *idh = nullptr;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (pixmap == nullptr || *pixmap == nullptr || idh == nullptr) {
    return call.Return<OSErr>(paramErr);
  }
  return call.Return(
      Guarded<OSErr>(memFullErr, [&] { return qtml::DescribePixMap(**pixmap, idh); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
