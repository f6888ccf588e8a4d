// A sound media's decoded sound, read at any media time: its samples are
// decoded in order from where they are first wanted, and decoded anew
// from a jump back or far ahead. Frames are kept from a little before the
// last time wanted on, so that reading on costs no decoding twice.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "movies/movie_model.h"
#include "sound/sound_decoder.h"

namespace qtml {

class MediaSound {
 public:
  // Makes the sound of media times [from, to) (in the media's scale,
  // fractional) ready for FrameAt. Samples that cannot be read or decoded
  // (a format nothing decodes, a store that is gone, bytes the codec
  // refuses) read as silence. The media may change between calls: new
  // samples or descriptions are met by decoding anew.
  void Cover(MediaRecord& media, double from, double to);
  // The frame at media time t, interpolated between the frames around it,
  // into out[0 .. channels()); silence outside what Cover made ready.
  void FrameAt(double t, float* out) const;
  // The channels of the frames; 0 before a description was read.
  int channels() const { return channels_; }

 private:
  void Restart(MediaRecord& media, double at);
  // Whether the decoder is the one of description `index` (from 1) as
  // the media now holds it.
  bool Decodes(const MediaRecord& media, UInt32 index) const;
  void OpenFor(MediaRecord& media, UInt32 index);
  void FeedUnit(MediaRecord& media);
  void PadTo(double time);
  // Media times of the first frame kept and of the end of the last.
  double Start() const { return anchor_ + static_cast<double>(dropped_) * step_; }
  double End() const { return anchor_ + static_cast<double>(dropped_ + count_) * step_; }

  // What the decoded sound belongs to: a media, as its samples and scale
  // were.
  const MediaRecord* media_ = nullptr;
  uint64_t revision_ = 0;
  TimeScale scale_ = 0;
  std::unique_ptr<SoundDecoder> decoder_;
  UInt32 description_ = 0;  // the decoder's (from 1); 0: none
  std::vector<uint8_t> descriptionBytes_;
  bool groups_ = false;   // the codec takes frames of several samples at once
  bool preroll_ = false;  // the codec needs samples before the first wanted
  int channels_ = 0;
  uint64_t next_ = 0;  // the next sample to feed
  bool ended_ = true;  // nothing more to feed
  // Frames decoded since the last jump, each step_ long, the first at
  // media time anchor_: count_ of them kept (channels_ floats each) after
  // the dropped_ let go.
  std::vector<float> frames_;
  double anchor_ = 0;
  double step_ = 1;
  uint64_t dropped_ = 0;
  size_t count_ = 0;
  std::vector<uint8_t> bytes_;  // a unit's bytes as read
};

}  // namespace qtml
