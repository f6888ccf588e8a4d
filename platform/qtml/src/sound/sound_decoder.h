// Decoding a sound media's samples: what a sound description says of its
// sound, the FFmpeg decoder that reads it, and the decoder's frames as
// interleaved floats in [-1, 1].
//
// The engine decodes every format FFmpeg's libavcodec does: the QuickTime
// formats by their codes (uncompressed 'raw ', 'twos', 'sowt', 'in24',
// 'in32', 'fl32', 'fl64', 'NONE' and 'lpcm'; 'ulaw', 'alaw', 'ima4',
// 'MAC3', 'MAC6', 'mp4a', '.mp3'), any other by the code FFmpeg's
// QuickTime reader gives it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "MacTypes.h"
#include "components/ffmpeg_ptr.h"

namespace qtml {

// What a sound description says of its sound.
struct SoundFormat {
  OSType format = 0;
  int codecId = 0;  // the AVCodecID that decodes it; 0: none does
  int channels = 0;
  double sampleRate = 0;  // frames a second
  int bitsPerSample = 0;
  int blockAlign = 0;              // bytes a packet, for packed formats
  std::vector<uint8_t> extraData;  // the codec's set-up ('esds' decoder
                                   // information, an 'alac' atom)
};

// Reads a sound description's file bytes (big-endian, versions 0, 1 and
// 2). False for bytes too short to be one, or without channels or rate.
bool ReadSoundFormat(const std::vector<uint8_t>& description, SoundFormat* format);

class SoundDecoder {
 public:
  // A decoder for the format: noErr, noCodecErr when nothing decodes it,
  // codecErr when its codec refuses its settings, memFullErr.
  static OSErr Open(const SoundFormat& format, std::unique_ptr<SoundDecoder>* decoder);

  // Channels of every frame it gives (the description's): a codec that
  // gives other channels has its first ones kept, or its one repeated.
  int channels() const { return channels_; }
  // Frames a second, as the codec gives them (once it has given some;
  // the description's rate before).
  double rate() const { return rate_; }

  // Decodes one packet, appending the frames it gives to *frames. noErr,
  // or the error that lost the packet (the next packet decodes anew).
  OSErr Decode(const uint8_t* bytes, size_t size, std::vector<float>* frames);
  // Appends the frames the codec still holds, at the end of the sound;
  // afterwards the decoder takes packets again.
  void Drain(std::vector<float>* frames);
  // Forgets what it was fed, before a jump.
  void Reset();

 private:
  SoundDecoder() = default;
  void Receive(std::vector<float>* frames);
  void Append(const AVFrame& frame, std::vector<float>* frames);

  CodecContextPtr context_;
  FramePtr frame_;
  PacketPtr packet_;
  int channels_ = 0;
  double rate_ = 0;
};

}  // namespace qtml
