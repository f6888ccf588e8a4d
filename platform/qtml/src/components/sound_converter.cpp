// Sound converters (Sound.h): sound of one format read into floats
// (uncompressed formats by the engine, compressed ones by the sound
// decompressor's FFmpeg decoder), its channels matched, its rate changed
// by linear interpolation, and written in the output format (uncompressed
// by the engine, 'ulaw', 'alaw' and 'ima4' by the sound compressor's
// FFmpeg encoder).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "Sound.h"
#include "base/api_call.h"
#include "base/byte_order.h"
#include "base/handle_table.h"
#include "components/codecs.h"
#include "components/component_registry.h"
#include "components/ffmpeg_ptr.h"
#include "memory/memory.h"
#include "sound/sound_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

namespace qtml {
namespace {

constexpr int kMaxChannels = 8;

// How a format packs its frames. bytesPerPacket and bytesPerSample of 0
// are the sample size in bytes (formats of several sizes).
struct Packing {
  OSType format;
  short compressionID;
  unsigned framesPerPacket;
  unsigned bytesPerPacket;  // one channel's
  unsigned bytesPerSample;
  int ffmpegId;  // the codec of compressed formats; AV_CODEC_ID_NONE for uncompressed
};

constexpr Packing kPackings[] = {
    {kRawSoundFormat, notCompressed, 1, 0, 0, AV_CODEC_ID_NONE},
    {'NONE', notCompressed, 1, 0, 0, AV_CODEC_ID_NONE},
    {kTwosComplement, notCompressed, 1, 0, 0, AV_CODEC_ID_NONE},
    {kLittleEndianFormat, notCompressed, 1, 0, 0, AV_CODEC_ID_NONE},
    {k24BitFormat, notCompressed, 1, 3, 3, AV_CODEC_ID_NONE},
    {'in32', notCompressed, 1, 4, 4, AV_CODEC_ID_NONE},
    {kFloat32Format, notCompressed, 1, 4, 4, AV_CODEC_ID_NONE},
    {'fl64', notCompressed, 1, 8, 8, AV_CODEC_ID_NONE},
    {kULawCompression, fixedCompression, 1, 1, 2, AV_CODEC_ID_PCM_MULAW},
    {kALawCompression, fixedCompression, 1, 1, 2, AV_CODEC_ID_PCM_ALAW},
    {kIMACompression, fixedCompression, 64, 34, 2, AV_CODEC_ID_ADPCM_IMA_QT},
    {kMACE3Compression, threeToOne, 6, 2, 2, AV_CODEC_ID_MACE3},
    {kMACE6Compression, sixToOne, 6, 1, 2, AV_CODEC_ID_MACE6},
};

const Packing* PackingOf(OSType format) {
  for (const Packing& p : kPackings) {
    if (p.format == format) return &p;
  }
  return nullptr;
}

bool SizedFormat(const Packing& p) {
  return p.bytesPerPacket == 0;
}

// Whether an uncompressed format comes in the sample size.
bool SizeFits(const Packing& p, int bits) {
  if (!SizedFormat(p)) return true;
  if (p.format == kRawSoundFormat || p.format == 'NONE') return bits == 8 || bits == 16;
  return bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// One side of a conversion.
struct Side {
  const Packing* packing = nullptr;
  int channels = 0;
  int bits = 0;
  double rate = 0;

  bool Compressed() const { return packing->ffmpegId != AV_CODEC_ID_NONE; }
  unsigned FramesPerPacket() const { return packing->framesPerPacket; }
  // Bytes of one packet of every channel.
  unsigned long PacketBytes() const {
    unsigned bytes =
        SizedFormat(*packing) ? static_cast<unsigned>(bits / 8) : packing->bytesPerPacket;
    return static_cast<unsigned long>(bytes) * static_cast<unsigned long>(channels);
  }
};

bool HasComponent(OSType type, OSType format) {
  ComponentDescription looking{type, format, 0, 0, 0};
  return NextMatching(nullptr, &looking) != nullptr;
}

OSErr ReadSide(const SoundComponentData& data, OSType componentType, Side* side) {
  const Packing* packing = PackingOf(data.format);
  if (packing == nullptr || !HasComponent(componentType, data.format)) return badFormat;
  if (data.numChannels < 1 || data.numChannels > kMaxChannels || data.sampleRate == 0 ||
      !SizeFits(*packing, data.sampleSize)) {
    return paramErr;
  }
  side->packing = packing;
  side->channels = data.numChannels;
  side->bits = SizedFormat(*packing) ? data.sampleSize : 16;
  side->rate = data.sampleRate / 65536.0;
  return noErr;
}

// ------------------------------------------------------------ uncompressed samples

int64_t ReadInteger(const uint8_t* p, int bytes, bool bigEndian) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) {
    int at = bigEndian ? i : bytes - 1 - i;
    v = (v << 8) | p[at];
  }
  int shift = 64 - 8 * bytes;
  return static_cast<int64_t>(v << shift) >> shift;
}

void WriteInteger(uint8_t* p, int bytes, bool bigEndian, int64_t value) {
  for (int i = 0; i < bytes; ++i) {
    int at = bigEndian ? bytes - 1 - i : i;
    p[at] = static_cast<uint8_t>(value >> (8 * i));
  }
}

// One sample of an uncompressed side, as a float in [-1, 1].
float ReadSample(const Side& side, const uint8_t* p) {
  OSType f = side.packing->format;
  if (f == kFloat32Format) {
    uint32_t bits = ReadBE32(p);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
  }
  if (f == 'fl64') {
    uint64_t bits = static_cast<uint64_t>(ReadBE32(p)) << 32 | ReadBE32(p + 4);
    double v;
    std::memcpy(&v, &bits, 8);
    return static_cast<float>(v);
  }
  int bytes = static_cast<int>(side.PacketBytes() / static_cast<unsigned long>(side.channels));
  bool offset = (f == kRawSoundFormat || f == 'NONE') && bytes == 1;
  if (offset) return (p[0] - 128) / 128.0f;
  int64_t v = ReadInteger(p, bytes, f != kLittleEndianFormat);
  return static_cast<float>(static_cast<double>(v) / std::ldexp(1.0, 8 * bytes - 1));
}

void WriteSample(const Side& side, float sample, uint8_t* p) {
  OSType f = side.packing->format;
  double v = std::clamp(static_cast<double>(sample), -1.0, 1.0);
  if (f == kFloat32Format) {
    float x = static_cast<float>(v);
    uint32_t bits;
    std::memcpy(&bits, &x, 4);
    WriteBE32(p, bits);
    return;
  }
  if (f == 'fl64') {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    WriteBE32(p, static_cast<uint32_t>(bits >> 32));
    WriteBE32(p + 4, static_cast<uint32_t>(bits));
    return;
  }
  int bytes = static_cast<int>(side.PacketBytes() / static_cast<unsigned long>(side.channels));
  double scale = std::ldexp(1.0, 8 * bytes - 1);
  int64_t top = static_cast<int64_t>(scale) - 1;
  int64_t x = std::clamp<int64_t>(std::llround(v * scale), -top - 1, top);
  if ((f == kRawSoundFormat || f == 'NONE') && bytes == 1) {
    p[0] = static_cast<uint8_t>(x + 128);
    return;
  }
  WriteInteger(p, bytes, f != kLittleEndianFormat, x);
}

// ------------------------------------------------------------ compressed output

class SoundEncoder {
 public:
  OSErr Open(const Side& side) {
    const AVCodec* codec = SoftwareEncoder(side.packing->ffmpegId);
    if (codec == nullptr) return badFormat;
    context_.reset(avcodec_alloc_context3(codec));
    frame_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    if (!context_ || !frame_ || !packet_) return memFullErr;
    AVCodecContext& c = *context_;
    c.sample_rate = std::max(1, static_cast<int>(std::lround(side.rate)));
    av_channel_layout_default(&c.ch_layout, side.channels);
    planar_ = codec->sample_fmts != nullptr && codec->sample_fmts[0] == AV_SAMPLE_FMT_S16P;
    c.sample_fmt = planar_ ? AV_SAMPLE_FMT_S16P : AV_SAMPLE_FMT_S16;
    int opened = avcodec_open2(&c, codec, nullptr);
    if (opened < 0) return opened == AVERROR(ENOMEM) ? memFullErr : badFormat;
    channels_ = side.channels;
    bool anySize = (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) != 0;
    frameSize_ = c.frame_size > 0 && !anySize ? static_cast<size_t>(c.frame_size) : 0;
    return noErr;
  }

  // Encodes whole frames of the codec from `frames` (interleaved floats)
  // and what waited before them; keeps the rest waiting.
  OSErr Encode(const std::vector<float>& frames, std::vector<uint8_t>* out, size_t* framesOut) {
    waiting_.insert(waiting_.end(), frames.begin(), frames.end());
    size_t have = waiting_.size() / static_cast<size_t>(channels_);
    size_t chunk = frameSize_ > 0 ? frameSize_ : have;
    size_t done = 0;
    while (chunk > 0 && have - done >= chunk) {
      if (OSErr err =
              EncodeFrames(waiting_.data() + done * static_cast<size_t>(channels_), chunk, out)) {
        return err;
      }
      done += chunk;
    }
    waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<long>(done) * channels_);
    *framesOut += done;
    return noErr;
  }

  // Encodes what waits, padded with silence to a whole frame of the codec.
  OSErr Finish(std::vector<uint8_t>* out, size_t* framesOut) {
    size_t have = waiting_.size() / static_cast<size_t>(channels_);
    if (have == 0) return noErr;
    size_t chunk = frameSize_ > 0 ? frameSize_ : have;
    waiting_.resize(chunk * static_cast<size_t>(channels_), 0.0f);
    OSErr err = EncodeFrames(waiting_.data(), chunk, out);
    waiting_.clear();
    if (err == noErr) *framesOut += chunk;
    return err;
  }

  void Reset() {
    waiting_.clear();
    if (context_) avcodec_flush_buffers(context_.get());
  }

 private:
  OSErr EncodeFrames(const float* in, size_t count, std::vector<uint8_t>* out) {
    AVFrame& f = *frame_;
    av_frame_unref(&f);
    f.format = context_->sample_fmt;
    f.nb_samples = static_cast<int>(count);
    if (av_channel_layout_copy(&f.ch_layout, &context_->ch_layout) < 0) return memFullErr;
    if (av_frame_get_buffer(&f, 0) < 0) return memFullErr;
    for (size_t i = 0; i < count; ++i) {
      for (int c = 0; c < channels_; ++c) {
        float v = std::clamp(in[i * static_cast<size_t>(channels_) + static_cast<size_t>(c)], -1.0f,
                             1.0f);
        auto s = static_cast<int16_t>(std::clamp(std::lround(v * 32768.0f), -32768L, 32767L));
        auto* plane = reinterpret_cast<int16_t*>(f.data[planar_ ? c : 0]);
        plane[planar_ ? i : i * static_cast<size_t>(channels_) + static_cast<size_t>(c)] = s;
      }
    }
    int sent = avcodec_send_frame(context_.get(), &f);
    if (sent < 0) return sent == AVERROR(ENOMEM) ? memFullErr : codecErr;
    while (avcodec_receive_packet(context_.get(), packet_.get()) == 0) {
      out->insert(out->end(), packet_->data, packet_->data + packet_->size);
      av_packet_unref(packet_.get());
    }
    return noErr;
  }

  CodecContextPtr context_;
  FramePtr frame_;
  PacketPtr packet_;
  bool planar_ = false;
  int channels_ = 0;
  size_t frameSize_ = 0;        // frames the codec takes at a time; 0: any number
  std::vector<float> waiting_;  // frames short of a whole codec frame
};

// ------------------------------------------------------------ the converter

// Linear interpolation from one rate to another, keeping the frames a
// next buffer still needs.
class Resampler {
 public:
  void Start(int channels, double from, double to) {
    channels_ = static_cast<size_t>(channels);
    step_ = from / to;
    Reset();
  }
  void Reset() {
    pending_.clear();
    position_ = 0;
  }
  // Appends the output frames the input given so far makes; with `last`,
  // also those that need no frame after the input's end.
  void Run(const std::vector<float>& in, bool last, std::vector<float>* out) {
    if (step_ == 1.0) {
      out->insert(out->end(), in.begin(), in.end());
      return;
    }
    pending_.insert(pending_.end(), in.begin(), in.end());
    size_t count = pending_.size() / channels_;
    while (count > 0) {
      size_t i = static_cast<size_t>(position_);
      if (i + 1 >= count && !(last && i < count)) break;
      double t = position_ - static_cast<double>(i);
      for (size_t c = 0; c < channels_; ++c) {
        float a = pending_[i * channels_ + c];
        float b = i + 1 < count ? pending_[(i + 1) * channels_ + c] : a;
        out->push_back(static_cast<float>(a + (b - a) * t));
      }
      position_ += step_;
    }
    size_t drop = std::min(static_cast<size_t>(position_), count);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(drop * channels_));
    position_ -= static_cast<double>(drop);
    if (last) Reset();
  }

 private:
  size_t channels_ = 1;
  double step_ = 1.0;
  std::vector<float> pending_;
  double position_ = 0;  // of the next output frame, in frames of pending_
};

// The channels of `in` (interleaved, `from` a frame) as `to` a frame: one
// channel is the mean of all, more are repeated from the input's.
std::vector<float> MatchChannels(const std::vector<float>& in, int from, int to) {
  if (from == to) return in;
  size_t frames = in.size() / static_cast<size_t>(from);
  std::vector<float> out(frames * static_cast<size_t>(to));
  for (size_t i = 0; i < frames; ++i) {
    const float* frame = &in[i * static_cast<size_t>(from)];
    for (int c = 0; c < to; ++c) {
      float v = 0;
      if (to == 1) {
        for (int k = 0; k < from; ++k) v += frame[k];
        v /= static_cast<float>(from);
      } else {
        v = frame[c % from];
      }
      out[i * static_cast<size_t>(to) + static_cast<size_t>(c)] = v;
    }
  }
  return out;
}

}  // namespace

struct SoundConverterRecord {
  Side in;
  Side out;
  std::unique_ptr<SoundDecoder> decoder;
  std::unique_ptr<SoundEncoder> encoder;
  Resampler resampler;
  bool converting = false;
  Identity<SoundConverterRecord, HandleKind::kSoundConverter> reference;

  OSErr Open() {
    if (in.Compressed()) {
      SoundFormat format;
      format.format = in.packing->format;
      format.codecId = in.packing->ffmpegId;
      format.channels = in.channels;
      format.sampleRate = in.rate;
      format.bitsPerSample = 16;
      format.blockAlign = in.FramesPerPacket() > 1 ? static_cast<int>(in.PacketBytes()) : 0;
      OSErr err = SoundDecoder::Open(format, &decoder);
      if (err != noErr) return err == noCodecErr ? OSErr{badFormat} : err;
    }
    if (out.Compressed()) {
      encoder.reset(new SoundEncoder);
      if (OSErr err = encoder->Open(out)) return err;
    }
    resampler.Start(out.channels, in.rate, out.rate);
    return noErr;
  }

  // The input's frames as interleaved floats of its channels.
  OSErr Decode(const uint8_t* bytes, unsigned long frames, std::vector<float>* samples) {
    if (!in.Compressed()) {
      unsigned long frameBytes = in.PacketBytes();
      size_t sampleBytes = frameBytes / static_cast<unsigned long>(in.channels);
      samples->resize(frames * static_cast<unsigned long>(in.channels));
      for (size_t i = 0; i < samples->size(); ++i) {
        (*samples)[i] = ReadSample(in, bytes + i * sampleBytes);
      }
      return noErr;
    }
    unsigned long packets = frames / in.FramesPerPacket();
    unsigned long packetBytes = in.PacketBytes();
    // Packed formats go one packet at a time; the others all at once.
    unsigned long each = in.FramesPerPacket() > 1 ? packetBytes : packets * packetBytes;
    for (unsigned long done = 0; each > 0 && done < packets * packetBytes; done += each) {
      if (OSErr err = decoder->Decode(bytes + done, each, samples)) return err;
    }
    if (decoder->channels() != in.channels) {
      *samples = MatchChannels(*samples, decoder->channels(), in.channels);
    }
    return noErr;
  }

  // Writes interleaved floats of the output's channels.
  OSErr Encode(const std::vector<float>& samples, bool last, uint8_t* outBytes,
               unsigned long* frames, unsigned long* bytes) {
    if (!out.Compressed()) {
      size_t sampleBytes = out.PacketBytes() / static_cast<unsigned long>(out.channels);
      for (size_t i = 0; i < samples.size(); ++i) {
        WriteSample(out, samples[i], outBytes + i * sampleBytes);
      }
      *frames = samples.size() / static_cast<size_t>(out.channels);
      *bytes = samples.size() * sampleBytes;
      return noErr;
    }
    std::vector<uint8_t> packets;
    size_t done = 0;
    OSErr err = encoder->Encode(samples, &packets, &done);
    if (err == noErr && last) err = encoder->Finish(&packets, &done);
    if (err != noErr) return err;
    if (!packets.empty()) std::memcpy(outBytes, packets.data(), packets.size());
    *frames = done;
    *bytes = packets.size();
    return noErr;
  }

  // The most output bytes `frames` input frames can make, with what waits.
  unsigned long MaxOutputBytes(unsigned long frames) const {
    double made =
        std::ceil(static_cast<double>(frames) * out.rate / in.rate) + 2 + out.FramesPerPacket();
    auto packets = static_cast<unsigned long>(std::ceil(made / out.FramesPerPacket()));
    return packets * out.PacketBytes();
  }

  OSErr Convert(const void* input, unsigned long frames, bool last, void* output,
                unsigned long* outFrames, unsigned long* outBytes) {
    std::vector<float> decoded;
    if (frames > 0) {
      if (OSErr err = Decode(static_cast<const uint8_t*>(input), frames, &decoded)) return err;
    }
    if (last && decoder) decoder->Drain(&decoded);
    std::vector<float> matched = MatchChannels(decoded, in.channels, out.channels);
    std::vector<float> resampled;
    resampler.Run(matched, last, &resampled);
    return Encode(resampled, last, static_cast<uint8_t*>(output), outFrames, outBytes);
  }

  void Restart() {
    resampler.Reset();
    if (decoder) decoder->Reset();
    if (encoder) encoder->Reset();
    converting = true;
  }
};

namespace {

SoundConverterRecord* ConverterOf(SoundConverter sc) {
  return decltype(SoundConverterRecord::reference)::Find(sc);
}

OSErr OpenConverter(const SoundComponentData& input, const SoundComponentData& output,
                    SoundConverter* sc) {
  auto record = std::make_unique<SoundConverterRecord>();
  if (OSErr err = ReadSide(input, kSoundDecompressor, &record->in)) return err;
  if (OSErr err = ReadSide(output, kSoundCompressor, &record->out)) return err;
  if (OSErr err = record->Open()) return err;
  if (!record->reference.Register(record.get())) return memFullErr;
  *sc = reinterpret_cast<SoundConverter>(record->reference.value());
  record.release();
  return noErr;
}

OSErr FillCompressionInfo(OSType format, short numChannels, short sampleSize,
                          CompressionInfo* info) {
  const Packing* p = PackingOf(format);
  if (p == nullptr) return badFormat;
  if (!SizeFits(*p, sampleSize)) return paramErr;
  unsigned bytes = static_cast<unsigned>(sampleSize / 8);
  *info = CompressionInfo{};
  info->recordSize = sizeof(CompressionInfo);
  info->format = format;
  info->compressionID = p->compressionID;
  info->samplesPerPacket = static_cast<unsigned short>(p->framesPerPacket);
  info->bytesPerPacket = static_cast<unsigned short>(SizedFormat(*p) ? bytes : p->bytesPerPacket);
  info->bytesPerSample =
      static_cast<unsigned short>(p->bytesPerSample != 0 ? p->bytesPerSample : bytes);
  (void)numChannels;
  return noErr;
}

}  // namespace
}  // namespace qtml

using qtml::ApiCall;
using qtml::FourCC;
using qtml::Guarded;

extern "C" {

OSErr SoundConverterOpen(const SoundComponentData* inputFormat,
                         const SoundComponentData* outputFormat, SoundConverter* sc) try {
  ApiCall call("SoundConverterOpen", inputFormat, outputFormat, sc);
  if (sc != nullptr) *sc = nullptr;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (inputFormat == nullptr || outputFormat == nullptr || sc == nullptr) {
    return call.Return<OSErr>(paramErr);
  }
  return call.Return(Guarded<OSErr>(
      memFullErr, [&] { return qtml::OpenConverter(*inputFormat, *outputFormat, sc); }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr SoundConverterClose(SoundConverter sc) try {
  ApiCall call("SoundConverterClose", sc);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::SoundConverterRecord* record = qtml::ConverterOf(sc);
  if (record == nullptr) return call.Return<OSErr>(paramErr);
  delete record;
  return call.Return<OSErr>(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr SoundConverterGetBufferSizes(SoundConverter sc, unsigned long inputBytesTarget,
                                   unsigned long* inputFrames, unsigned long* inputBytes,
                                   unsigned long* outputBytes) try {
  ApiCall call("SoundConverterGetBufferSizes", sc, inputBytesTarget, inputFrames, inputBytes,
               outputBytes);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::SoundConverterRecord* record = qtml::ConverterOf(sc);
  if (record == nullptr || inputFrames == nullptr || inputBytes == nullptr ||
      outputBytes == nullptr) {
    return call.Return<OSErr>(paramErr);
  }
  unsigned long packets = inputBytesTarget / record->in.PacketBytes();
  *inputFrames = packets * record->in.FramesPerPacket();
  *inputBytes = packets * record->in.PacketBytes();
  *outputBytes = record->MaxOutputBytes(*inputFrames);
  return call.Return<OSErr>(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr SoundConverterBeginConversion(SoundConverter sc) try {
  ApiCall call("SoundConverterBeginConversion", sc);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::SoundConverterRecord* record = qtml::ConverterOf(sc);
  if (record == nullptr) return call.Return<OSErr>(paramErr);
  record->Restart();
  return call.Return<OSErr>(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr SoundConverterConvertBuffer(SoundConverter sc, const void* inputPtr,
                                  unsigned long inputFrames, void* outputPtr,
                                  unsigned long* outputFrames, unsigned long* outputBytes) try {
  ApiCall call("SoundConverterConvertBuffer", sc, inputPtr, inputFrames, outputPtr, outputFrames,
               outputBytes);
  if (outputFrames != nullptr) *outputFrames = 0;
  if (outputBytes != nullptr) *outputBytes = 0;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::SoundConverterRecord* record = qtml::ConverterOf(sc);
  if (record == nullptr || outputPtr == nullptr || outputFrames == nullptr ||
      outputBytes == nullptr || (inputPtr == nullptr && inputFrames > 0)) {
    return call.Return<OSErr>(paramErr);
  }
  if (!record->converting) return call.Return<OSErr>(notEnoughBufferSpace);
  return call.Return(Guarded<OSErr>(memFullErr, [&] {
    return record->Convert(inputPtr, inputFrames, false, outputPtr, outputFrames, outputBytes);
  }));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr SoundConverterEndConversion(SoundConverter sc, void* outputPtr, unsigned long* outputFrames,
                                  unsigned long* outputBytes) try {
  ApiCall call("SoundConverterEndConversion", sc, outputPtr, outputFrames, outputBytes);
  if (outputFrames != nullptr) *outputFrames = 0;
  if (outputBytes != nullptr) *outputBytes = 0;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  qtml::SoundConverterRecord* record = qtml::ConverterOf(sc);
  if (record == nullptr || outputPtr == nullptr || outputFrames == nullptr ||
      outputBytes == nullptr) {
    return call.Return<OSErr>(paramErr);
  }
  if (!record->converting) return call.Return<OSErr>(notEnoughBufferSpace);
  OSErr err = Guarded<OSErr>(memFullErr, [&] {
    return record->Convert(nullptr, 0, true, outputPtr, outputFrames, outputBytes);
  });
  record->converting = false;
  return call.Return(err);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr GetCompressionInfo(short compressionID, OSType format, short numChannels, short sampleSize,
                         CompressionInfoPtr cp) try {
  ApiCall call("GetCompressionInfo", compressionID, FourCC{format}, numChannels, sampleSize, cp);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (cp == nullptr) return call.Return<OSErr>(paramErr);
  return call.Return(qtml::FillCompressionInfo(format, numChannels, sampleSize, cp));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
