#include "sound/media_sound.h"

#include <algorithm>
#include <cmath>

#include "movies/sample_descriptions.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace qtml {
namespace {

// Uncompressed samples are read and decoded this many at once.
constexpr uint64_t kFramesAtOnce = 4096;
// Codecs that carry state from packet to packet are fed this many before
// the one wanted, so that it decodes as it would in order.
constexpr int kPrerollUnits = 2;
// Further ahead than this (in seconds of the media) is a jump: decoding
// starts anew rather than running through what lies between.
constexpr double kJumpSeconds = 2;
// A sample claiming more bytes than this is taken to be damaged.
constexpr SInt64 kLargestUnit = SInt64{16} << 20;
// Frames kept before the first wanted are let go in batches this large.
constexpr size_t kDropBatch = 8192;
// Silence standing in for undecodable sound is kept up to this many
// frames; beyond, what came before is let go instead.
constexpr double kLargestGap = 1 << 22;
// A codec that gives fewer frames than its samples last, by this much (in
// seconds of the media), has silence make up the difference, so that
// reading on never decodes the rest of the media in one go.
constexpr double kBehindSeconds = 0.5;

bool IsUncompressed(int codecId) {
  return codecId >= AV_CODEC_ID_PCM_S16LE && codecId < AV_CODEC_ID_ADPCM_IMA_QT;
}

}  // namespace

void MediaSound::Cover(MediaRecord& media, double from, double to) {
  if (&media != media_ || media.samples.Revision() != revision_ || media.timeScale != scale_) {
    media_ = &media;
    revision_ = media.samples.Revision();
    scale_ = media.timeScale;
    decoder_.reset();
    description_ = 0;
    Restart(media, from);
  } else if (std::max(from, 0.0) < Start() || from > End() + kJumpSeconds * media.timeScale) {
    Restart(media, from);
  }
  // Frames before the one before `from` are no longer wanted.
  double first = std::floor((from - anchor_) / step_) - 1;
  if (first > static_cast<double>(dropped_ + kDropBatch)) {
    size_t drop = std::min(count_, static_cast<size_t>(first - static_cast<double>(dropped_)));
    frames_.erase(frames_.begin(), frames_.begin() + static_cast<std::ptrdiff_t>(drop * channels_));
    dropped_ += drop;
    count_ -= drop;
  }
  while (!ended_ && End() <= to + step_) FeedUnit(media);
}

void MediaSound::FrameAt(double t, float* out) const {
  double x = (t - anchor_) / step_;
  double whole = std::floor(x);
  float f = static_cast<float>(x - whole);
  auto frame = [&](double index) -> const float* {
    if (!(index >= static_cast<double>(dropped_)) ||
        index >= static_cast<double>(dropped_ + count_)) {
      return nullptr;
    }
    return frames_.data() + (static_cast<size_t>(index) - dropped_) * channels_;
  };
  const float* a = frame(whole);
  const float* b = frame(whole + 1);
  for (int c = 0; c < channels_; ++c) {
    float va = a != nullptr ? a[c] : 0.0f;
    float vb = b != nullptr ? b[c] : 0.0f;
    out[c] = f == 0 ? va : va + (vb - va) * f;
  }
}

void MediaSound::Restart(MediaRecord& media, double at) {
  frames_.clear();
  count_ = 0;
  dropped_ = 0;
  anchor_ = at;
  ended_ = true;
  if (decoder_ != nullptr) decoder_->Reset();
  const SampleTable& table = media.samples;
  SampleTable::Position found = table.Find(static_cast<SInt64>(std::floor(std::max(at, 0.0))));
  if (found.index < 0) return;
  uint64_t first = table.PacketOf(static_cast<uint64_t>(found.index)).first;
  UInt32 description = table.At(first).descriptionIndex;
  if (!Decodes(media, description)) OpenFor(media, description);
  for (int i = 0; preroll_ && i < kPrerollUnits && first > 0; ++i) {
    first = table.PacketOf(first - 1).first;
  }
  next_ = first;
  anchor_ = static_cast<double>(table.StartOf(first));
  ended_ = false;
}

bool MediaSound::Decodes(const MediaRecord& media, UInt32 index) const {
  return index == description_ && index >= 1 && index <= media.descriptions.size() &&
         media.descriptions[index - 1] == descriptionBytes_;
}

void MediaSound::OpenFor(MediaRecord& media, UInt32 index) {
  decoder_.reset();
  description_ = index;
  descriptionBytes_.clear();
  if (index >= 1 && index <= media.descriptions.size()) {
    descriptionBytes_ = media.descriptions[index - 1];
  }
  SoundFormat format;
  bool known = ReadSoundFormat(descriptionBytes_, &format);
  if (known && SoundDecoder::Open(format, &decoder_) != noErr) decoder_.reset();
  groups_ = IsUncompressed(format.codecId);
  preroll_ = !groups_ && format.codecId != AV_CODEC_ID_ADPCM_IMA_QT;
  int channels = known ? format.channels : 1;
  if (channels != channels_) {
    frames_.clear();
    count_ = 0;
  }
  channels_ = channels;
  double rate = decoder_ != nullptr ? decoder_->rate() : format.sampleRate;
  step_ = known && rate > 0 ? media.timeScale / rate : 1;
}

void MediaSound::FeedUnit(MediaRecord& media) {
  const SampleTable& table = media.samples;
  if (next_ >= table.Count()) {
    if (decoder_ != nullptr) decoder_->Drain(&frames_);
    count_ = frames_.size() / channels_;
    ended_ = true;
    return;
  }
  SampleTable::Chunk chunk = table.ChunkAt(table.ChunkOf(next_));
  uint64_t stop = next_ + 1;
  if (chunk.packing.frames > 1) {
    SampleTable::Packet packet = table.PacketOf(next_);
    stop = packet.first + packet.count;
  } else if (groups_) {
    stop = std::min(chunk.first + chunk.count, next_ + kFramesAtOnce);
  }
  double unitStart = static_cast<double>(table.StartOf(next_));
  double unitEnd = static_cast<double>(table.StartOf(stop));
  if (!Decodes(media, chunk.description)) {
    // Another format from here on: its frames start at this sample.
    PadTo(unitStart);
    OpenFor(media, chunk.description);
    frames_.clear();
    count_ = 0;
    dropped_ = 0;
    anchor_ = unitStart;
  }
  OSErr err = decoder_ != nullptr ? noErr : noCodecErr;
  SInt64 offset = table.At(next_).offset;
  SInt64 size = table.BytesOf(next_, stop);
  DataStore* store =
      err == noErr ? DescriptionStore(media, chunk.description, false, &err) : nullptr;
  if (store != nullptr) {
    SInt64 held = store->Size();
    bool inside = held < 0 || (offset >= 0 && offset <= held && size <= held - offset);
    if (!inside || size > kLargestUnit) {
      err = ioErr;
    } else {
      bytes_.resize(static_cast<size_t>(size));
      if (size > 0 && !store->Read(offset, bytes_.data(), size)) err = ioErr;
    }
  }
  bool wasEmpty = dropped_ + count_ == 0;
  if (err == noErr) err = decoder_->Decode(bytes_.data(), bytes_.size(), &frames_);
  count_ = frames_.size() / channels_;
  // The codec says its own rate with its first frames.
  if (wasEmpty && decoder_ != nullptr && decoder_->rate() > 0) {
    step_ = media.timeScale / decoder_->rate();
  }
  next_ = stop;
  if (err != noErr) {
    PadTo(unitEnd);
  } else if (End() < unitStart - kBehindSeconds * media.timeScale) {
    PadTo(unitStart);
  }
}

void MediaSound::PadTo(double time) {
  if (channels_ == 0) return;
  double missing = std::ceil((time - End()) / step_ - 1e-9);
  if (!(missing > 0)) return;
  if (missing > kLargestGap) {
    frames_.clear();
    count_ = 0;
    dropped_ = 0;
    anchor_ = time;
    return;
  }
  frames_.resize(frames_.size() + static_cast<size_t>(missing) * channels_, 0.0f);
  count_ = frames_.size() / channels_;
}

}  // namespace qtml
