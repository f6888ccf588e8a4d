#include "sound/sound_decoder.h"

#include <cstring>

#include "MacErrors.h"
#include "base/byte_order.h"
#include "components/ffmpeg_formats.h"
#include "movies/sample_descriptions.h"
#include "qtff/qtff_atoms.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

namespace qtml {
namespace {

// The codec of a QuickTime format, by its sample size where that decides
// (0: any size), and by the samples' byte order where a description may
// say that it is little-endian.
struct FormatCodec {
  OSType format;
  int bits;
  AVCodecID codec;
  AVCodecID littleEndian;  // AV_CODEC_ID_NONE: the order is fixed
};

constexpr FormatCodec kFormatCodecs[] = {
    {'raw ', 8, AV_CODEC_ID_PCM_U8, AV_CODEC_ID_NONE},
    {'raw ', 16, AV_CODEC_ID_PCM_S16BE, AV_CODEC_ID_NONE},
    {'NONE', 8, AV_CODEC_ID_PCM_U8, AV_CODEC_ID_NONE},
    {'NONE', 16, AV_CODEC_ID_PCM_S16BE, AV_CODEC_ID_NONE},
    {'NONE', 24, AV_CODEC_ID_PCM_S24BE, AV_CODEC_ID_NONE},
    {'NONE', 32, AV_CODEC_ID_PCM_S32BE, AV_CODEC_ID_NONE},
    {'twos', 8, AV_CODEC_ID_PCM_S8, AV_CODEC_ID_NONE},
    {'twos', 16, AV_CODEC_ID_PCM_S16BE, AV_CODEC_ID_PCM_S16LE},
    {'twos', 24, AV_CODEC_ID_PCM_S24BE, AV_CODEC_ID_PCM_S24LE},
    {'twos', 32, AV_CODEC_ID_PCM_S32BE, AV_CODEC_ID_PCM_S32LE},
    {'sowt', 8, AV_CODEC_ID_PCM_S8, AV_CODEC_ID_NONE},
    {'sowt', 16, AV_CODEC_ID_PCM_S16LE, AV_CODEC_ID_NONE},
    {'sowt', 24, AV_CODEC_ID_PCM_S24LE, AV_CODEC_ID_NONE},
    {'sowt', 32, AV_CODEC_ID_PCM_S32LE, AV_CODEC_ID_NONE},
    {'in24', 0, AV_CODEC_ID_PCM_S24BE, AV_CODEC_ID_PCM_S24LE},
    {'in32', 0, AV_CODEC_ID_PCM_S32BE, AV_CODEC_ID_PCM_S32LE},
    {'fl32', 0, AV_CODEC_ID_PCM_F32BE, AV_CODEC_ID_PCM_F32LE},
    {'fl64', 0, AV_CODEC_ID_PCM_F64BE, AV_CODEC_ID_PCM_F64LE},
    {'ulaw', 0, AV_CODEC_ID_PCM_MULAW, AV_CODEC_ID_NONE},
    {'alaw', 0, AV_CODEC_ID_PCM_ALAW, AV_CODEC_ID_NONE},
    {'ima4', 0, AV_CODEC_ID_ADPCM_IMA_QT, AV_CODEC_ID_NONE},
    {'MAC3', 0, AV_CODEC_ID_MACE3, AV_CODEC_ID_NONE},
    {'MAC6', 0, AV_CODEC_ID_MACE6, AV_CODEC_ID_NONE},
    {'mp4a', 0, AV_CODEC_ID_AAC, AV_CODEC_ID_NONE},
    {'.mp3', 0, AV_CODEC_ID_MP3, AV_CODEC_ID_NONE},
};

// The codecs an 'esds' names by its object type, for 'mp4a' sound that is
// not AAC.
struct ObjectType {
  uint8_t type;
  AVCodecID codec;
};
constexpr ObjectType kObjectTypes[] = {{0x69, AV_CODEC_ID_MP3},
                                       {0x6B, AV_CODEC_ID_MP3},
                                       {0xA5, AV_CODEC_ID_AC3},
                                       {0xA6, AV_CODEC_ID_EAC3},
                                       {0xDD, AV_CODEC_ID_VORBIS}};

// Where a version's fixed fields end and its extension atoms begin.
constexpr size_t kVersion0Size = 36;
constexpr size_t kVersion1Size = 52;
constexpr size_t kVersion2Size = 72;

// The atom of that type among the atoms in [bytes, bytes + size), its
// header included, or nullptr.
const uint8_t* FindAtom(const uint8_t* bytes, size_t size, OSType type, size_t* atomSize) {
  if (bytes == nullptr) return nullptr;
  qtff::AtomWalk walk(bytes, size);
  qtff::Atom atom;
  while (walk.Next(&atom)) {
    if (atom.type != type) continue;
    *atomSize = atom.size;
    return atom.start;
  }
  return nullptr;
}

// The extension atoms of a description: its own, then those of its 'wave'
// atom, where QuickTime puts a compressed format's settings.
struct Extensions {
  const uint8_t* bytes = nullptr;
  size_t size = 0;
  const uint8_t* wave = nullptr;
  size_t waveSize = 0;

  const uint8_t* Find(OSType type, size_t* atomSize) const {
    const uint8_t* found = FindAtom(bytes, size, type, atomSize);
    return found != nullptr ? found : FindAtom(wave, waveSize, type, atomSize);
  }
};

// An MPEG-4 descriptor's length: up to four bytes of seven bits each.
bool DescriptorLength(const uint8_t*& p, const uint8_t* end, size_t* length) {
  *length = 0;
  for (int i = 0; i < 4; ++i) {
    if (p >= end) return false;
    uint8_t b = *p++;
    *length = (*length << 7) | (b & 0x7F);
    if ((b & 0x80) == 0) break;
  }
  return *length <= static_cast<size_t>(end - p);
}

// Reads an 'esds' atom's body: the object type of its decoder
// configuration (0 when it has none) and its decoder information.
void ReadEsds(const uint8_t* body, size_t size, uint8_t* objectType, std::vector<uint8_t>* info) {
  *objectType = 0;
  if (size < 4) return;
  const uint8_t* p = body + 4;  // version and flags
  const uint8_t* end = body + size;
  while (p < end) {
    uint8_t tag = *p++;
    size_t length;
    if (!DescriptorLength(p, end, &length)) return;
    const uint8_t* next = p + length;
    if (tag == 0x03 && length >= 3) {  // ES descriptor: what its flags say, then descriptors
      uint8_t flags = p[2];
      p += 3;
      if ((flags & 0x80) != 0) p += 2;
      if ((flags & 0x40) != 0 && p < next) p += 1 + *p;
      if ((flags & 0x20) != 0) p += 2;
      if (p > next) return;
      continue;
    }
    if (tag == 0x04 && length >= 13) {  // decoder configuration, then descriptors
      *objectType = p[0];
      p += 13;
      continue;
    }
    if (tag == 0x05) {
      info->assign(p, next);
      return;
    }
    p = next;
  }
}

// The codec of version 2's 'lpcm', from its format flags: float (1),
// big-endian (2), signed integer (4).
AVCodecID LinearPcmCodec(uint32_t flags, int bits) {
  bool isFloat = (flags & 1) != 0, big = (flags & 2) != 0, isSigned = (flags & 4) != 0;
  if (isFloat) {
    if (bits == 32) return big ? AV_CODEC_ID_PCM_F32BE : AV_CODEC_ID_PCM_F32LE;
    if (bits == 64) return big ? AV_CODEC_ID_PCM_F64BE : AV_CODEC_ID_PCM_F64LE;
    return AV_CODEC_ID_NONE;
  }
  switch (bits) {
    case 8:
      return isSigned ? AV_CODEC_ID_PCM_S8 : AV_CODEC_ID_PCM_U8;
    case 16:
      return big ? AV_CODEC_ID_PCM_S16BE : AV_CODEC_ID_PCM_S16LE;
    case 24:
      return big ? AV_CODEC_ID_PCM_S24BE : AV_CODEC_ID_PCM_S24LE;
    case 32:
      return big ? AV_CODEC_ID_PCM_S32BE : AV_CODEC_ID_PCM_S32LE;
    default:
      return AV_CODEC_ID_NONE;
  }
}

AVCodecID CodecOf(const SoundFormat& format, const Extensions& ext, uint32_t lpcmFlags) {
  if (format.format == 'lpcm') return LinearPcmCodec(lpcmFlags, format.bitsPerSample);
  size_t atomSize = 0;
  const uint8_t* enda = ext.Find('enda', &atomSize);
  bool little = enda != nullptr && atomSize >= 10 && ReadBE16(enda + 8) != 0;
  for (const FormatCodec& entry : kFormatCodecs) {
    if (entry.format != format.format) continue;
    if (entry.bits != 0 && entry.bits != format.bitsPerSample) continue;
    return little && entry.littleEndian != AV_CODEC_ID_NONE ? entry.littleEndian : entry.codec;
  }
  // FFmpeg's QuickTime reader knows the rest by their codes, written the
  // other way round.
  const FormatLibrary* formats = Formats();
  if (formats == nullptr) return AV_CODEC_ID_NONE;
  const AVCodecTag* const tables[] = {formats->mov_audio_tags(), nullptr};
  return formats->codec_get_id(tables, __builtin_bswap32(format.format));
}

// The decoder set-up bytes the codec reads from its description.
void ReadCodecSetup(SoundFormat* format, const Extensions& ext) {
  size_t atomSize = 0;
  if (const uint8_t* esds = ext.Find('esds', &atomSize)) {
    uint8_t objectType = 0;
    ReadEsds(esds + 8, atomSize - 8, &objectType, &format->extraData);
    for (const ObjectType& entry : kObjectTypes) {
      if (format->format == 'mp4a' && entry.type == objectType) format->codecId = entry.codec;
    }
  } else if (const uint8_t* alac = ext.Find('alac', &atomSize)) {
    format->extraData.assign(alac, alac + atomSize);  // the codec reads the whole atom
  }
}

uint64_t ReadBE64(const uint8_t* at) {
  return static_cast<uint64_t>(ReadBE32(at)) << 32 | ReadBE32(at + 4);
}

float SampleOf(const AVFrame& frame, AVSampleFormat packed, bool planar, int channels, int channel,
               int index) {
  int bytes = av_get_bytes_per_sample(packed);
  const uint8_t* at = planar ? frame.extended_data[channel] + index * bytes
                             : frame.extended_data[0] + (index * channels + channel) * bytes;
  switch (packed) {
    case AV_SAMPLE_FMT_U8:
      return (static_cast<float>(*at) - 128.0f) / 128.0f;
    case AV_SAMPLE_FMT_S16: {
      int16_t v;
      std::memcpy(&v, at, sizeof v);
      return static_cast<float>(v) / 32768.0f;
    }
    case AV_SAMPLE_FMT_S32: {
      int32_t v;
      std::memcpy(&v, at, sizeof v);
      return static_cast<float>(static_cast<double>(v) / 2147483648.0);
    }
    case AV_SAMPLE_FMT_S64: {
      int64_t v;
      std::memcpy(&v, at, sizeof v);
      return static_cast<float>(static_cast<double>(v) / 9223372036854775808.0);
    }
    case AV_SAMPLE_FMT_FLT: {
      float v;
      std::memcpy(&v, at, sizeof v);
      return v;
    }
    case AV_SAMPLE_FMT_DBL: {
      double v;
      std::memcpy(&v, at, sizeof v);
      return static_cast<float>(v);
    }
    default:
      return 0;
  }
}

}  // namespace

bool ReadSoundFormat(const std::vector<uint8_t>& description, SoundFormat* format) {
  const uint8_t* d = description.data();
  size_t size = description.size();
  if (size < kVersion0Size) return false;
  *format = SoundFormat{};
  format->format = ReadBE32(d + 4) == 0 ? OSType{'NONE'} : ReadBE32(d + 4);
  uint16_t version = ReadBE16(d + 16);
  format->channels = ReadBE16(d + 24);
  format->bitsPerSample = ReadBE16(d + 26);
  format->sampleRate = ReadBE32(d + 32) / 65536.0;
  size_t fixed = version == 1 ? kVersion1Size : kVersion0Size;
  uint32_t lpcmFlags = 0;
  if (version == 2) {
    if (size < kVersion2Size) return false;
    uint64_t rateBits = ReadBE64(d + 40);
    std::memcpy(&format->sampleRate, &rateBits, sizeof rateBits);
    format->channels = static_cast<int>(ReadBE32(d + 48));
    format->bitsPerSample = static_cast<int>(ReadBE32(d + 56));
    lpcmFlags = ReadBE32(d + 60);
    fixed = kVersion2Size;
  }
  if (format->channels <= 0 || format->channels > 64 || !(format->sampleRate >= 1) ||
      format->sampleRate > 1e6) {
    return false;
  }
  Extensions ext;
  if (size > fixed) {
    ext.bytes = d + fixed;
    ext.size = size - fixed;
    size_t waveSize = 0;
    if (const uint8_t* wave = FindAtom(ext.bytes, ext.size, 'wave', &waveSize)) {
      ext.wave = wave + 8;
      ext.waveSize = waveSize - 8;
    }
  }
  format->codecId = CodecOf(*format, ext, lpcmFlags);
  ReadCodecSetup(format, ext);
  SamplePacking packing;
  if (SoundPackingOf(description, &packing) && packing.frames > 1) {
    format->blockAlign = static_cast<int>(packing.bytes);
  }
  return true;
}

OSErr SoundDecoder::Open(const SoundFormat& format, std::unique_ptr<SoundDecoder>* decoder) {
  decoder->reset();
  const AVCodec* codec = format.codecId == AV_CODEC_ID_NONE
                             ? nullptr
                             : avcodec_find_decoder(static_cast<AVCodecID>(format.codecId));
  if (codec == nullptr) return noCodecErr;
  std::unique_ptr<SoundDecoder> made(new SoundDecoder);
  made->context_.reset(avcodec_alloc_context3(codec));
  made->frame_.reset(av_frame_alloc());
  made->packet_.reset(av_packet_alloc());
  if (!made->context_ || !made->frame_ || !made->packet_) return memFullErr;
  AVCodecContext& c = *made->context_;
  c.sample_rate = static_cast<int>(format.sampleRate + 0.5);
  av_channel_layout_default(&c.ch_layout, format.channels);
  c.bits_per_coded_sample = format.bitsPerSample;
  c.block_align = format.blockAlign;
  c.codec_tag = __builtin_bswap32(format.format);
  c.thread_count = 1;
  if (!format.extraData.empty()) {
    size_t size = format.extraData.size();
    c.extradata = static_cast<uint8_t*>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
    if (c.extradata == nullptr) return memFullErr;
    std::memcpy(c.extradata, format.extraData.data(), size);
    c.extradata_size = static_cast<int>(size);
  }
  int opened = avcodec_open2(&c, codec, nullptr);
  if (opened == AVERROR(ENOMEM)) return memFullErr;
  if (opened < 0) return codecErr;
  made->channels_ = format.channels;
  made->rate_ = format.sampleRate;
  *decoder = std::move(made);
  return noErr;
}

OSErr SoundDecoder::Decode(const uint8_t* bytes, size_t size, std::vector<float>* frames) {
  if (size == 0) return noErr;
  if (av_new_packet(packet_.get(), static_cast<int>(size)) < 0) return memFullErr;
  std::memcpy(packet_->data, bytes, size);
  int sent = avcodec_send_packet(context_.get(), packet_.get());
  if (sent == AVERROR(EAGAIN)) {
    Receive(frames);
    sent = avcodec_send_packet(context_.get(), packet_.get());
  }
  av_packet_unref(packet_.get());
  if (sent == AVERROR(ENOMEM)) return memFullErr;
  if (sent < 0) return codecErr;
  Receive(frames);
  return noErr;
}

void SoundDecoder::Drain(std::vector<float>* frames) {
  if (avcodec_send_packet(context_.get(), nullptr) == 0) Receive(frames);
  avcodec_flush_buffers(context_.get());
}

void SoundDecoder::Reset() {
  avcodec_flush_buffers(context_.get());
}

void SoundDecoder::Receive(std::vector<float>* frames) {
  while (avcodec_receive_frame(context_.get(), frame_.get()) == 0) {
    // Unreferenced before anything can throw.
    struct Unref {
      AVFrame* frame;
      ~Unref() { av_frame_unref(frame); }
    } unref{frame_.get()};
    Append(*frame_, frames);
  }
}

void SoundDecoder::Append(const AVFrame& frame, std::vector<float>* frames) {
  auto format = static_cast<AVSampleFormat>(frame.format);
  AVSampleFormat packed = av_get_packed_sample_fmt(format);
  bool planar = av_sample_fmt_is_planar(format) != 0;
  int given = frame.ch_layout.nb_channels;
  if (given <= 0 || frame.nb_samples <= 0) return;
  if (frame.sample_rate > 0) rate_ = frame.sample_rate;
  size_t at = frames->size();
  frames->resize(at + static_cast<size_t>(frame.nb_samples) * channels_);
  float* out = frames->data() + at;
  for (int i = 0; i < frame.nb_samples; ++i) {
    for (int c = 0; c < channels_; ++c) {
      int from = given == 1 ? 0 : c;
      *out++ = from < given ? SampleOf(frame, packed, planar, given, from, i) : 0.0f;
    }
  }
}

}  // namespace qtml
