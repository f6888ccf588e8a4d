// A movie's sound as the engine decodes and mixes it: each format to its
// samples, tracks weighted by volume and balance, placed by their edits
// and resampled to the output's rate.
#include <cmath>

#include "sound/sound_decoder.h"
#include "sound_test_support.h"

namespace {

using sound_test::Bytes;
using sound_test::SoundTest;

constexpr TimeScale kRate = 8000;
constexpr long kFrames = 800;  // 0.1 s, 60 units of the movie's scale

class MovieSound : public SoundTest {
 protected:
  MovieSound() : SoundTest("qtml-movie-sound-") {}
};

// A ramp through the values a signed 8-bit sample can hold, so that every
// format holds each exactly.
double RampValue(long i) {
  return static_cast<double>((i * 37) % 255 - 127) / 128.0;
}

void PutInteger(Bytes& bytes, int64_t value, int size, bool little) {
  for (int b = 0; b < size; ++b) {
    int shift = little ? 8 * b : 8 * (size - 1 - b);
    bytes.push_back(static_cast<uint8_t>(static_cast<uint64_t>(value) >> shift));
  }
}

template <typename T>
void PutFloat(Bytes& bytes, T value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof value);
  PutInteger(bytes, static_cast<int64_t>(bits), sizeof value, false);
}

struct Uncompressed {
  OSType format;
  short bits;
  bool little;
  bool offset;  // 8-bit offset binary
};

Bytes Encode(const Uncompressed& f, long frames) {
  Bytes bytes;
  for (long i = 0; i < frames; ++i) {
    double v = RampValue(i);
    if (f.format == 'fl32') {
      PutFloat(bytes, static_cast<float>(v));
    } else if (f.format == 'fl64') {
      PutFloat(bytes, v);
    } else {
      auto s = static_cast<int64_t>(std::ldexp(v, f.bits - 1));
      PutInteger(bytes, f.offset ? s + 128 : s, f.bits / 8, f.little);
    }
  }
  return bytes;
}

TEST_F(MovieSound, UncompressedFormatsDecodeToTheirSamples) {
  const Uncompressed formats[] = {
      {'raw ', 8, false, true},   {'NONE', 8, false, true},   {'twos', 8, false, false},
      {'sowt', 8, false, false},  {'twos', 16, false, false}, {'sowt', 16, true, false},
      {'NONE', 16, false, false}, {'twos', 24, false, false}, {'in24', 24, false, false},
      {'sowt', 24, true, false},  {'in32', 32, false, false}, {'sowt', 32, true, false},
      {'fl32', 32, false, false}, {'fl64', 64, false, false},
  };
  for (const Uncompressed& f : formats) {
    SCOPED_TRACE(std::string(reinterpret_cast<const char*>(&f.format), 4) + " " +
                 std::to_string(f.bits));
    Movie movie = NewSoundMovie();
    AddSoundTrack(movie, f.format, 1, f.bits, kRate, Encode(f, kFrames), kFrames);
    std::vector<float> out = Mixed(movie, 0, kFrames, kRate, 1);
    for (long i = 0; i < kFrames; ++i) ASSERT_FLOAT_EQ(out[i], RampValue(i)) << "frame " << i;
  }
}

TEST_F(MovieSound, ChannelsKeepTheirSides) {
  Bytes bytes;
  for (long i = 0; i < kFrames; ++i) {
    auto v = static_cast<int64_t>(std::ldexp(RampValue(i), 15));
    PutInteger(bytes, v, 2, true);
    PutInteger(bytes, -v, 2, true);
  }
  Movie movie = NewSoundMovie();
  AddSoundTrack(movie, 'sowt', 2, 16, kRate, bytes, kFrames);
  std::vector<float> stereo = Mixed(movie, 0, kFrames, kRate, 2);
  std::vector<float> mono = Mixed(movie, 0, kFrames, kRate, 1);
  for (long i = 0; i < kFrames; ++i) {
    ASSERT_FLOAT_EQ(stereo[2 * i], RampValue(i)) << i;
    ASSERT_FLOAT_EQ(stereo[2 * i + 1], -RampValue(i)) << i;
    ASSERT_EQ(mono[i], 0) << i;  // the mean of the two
  }
}

// G.711's expansions, as the standard gives them (16-bit results).
int MuLaw(uint8_t code) {
  uint8_t u = static_cast<uint8_t>(~code);
  int magnitude = (((u & 0x0F) << 3) + 0x84) << ((u >> 4) & 7);
  return (u & 0x80) != 0 ? 0x84 - magnitude : magnitude - 0x84;
}

int ALaw(uint8_t code) {
  uint8_t a = code ^ 0x55;
  int segment = (a >> 4) & 7;
  int magnitude =
      segment == 0 ? ((a & 0x0F) << 4) + 8 : (((a & 0x0F) << 4) + 0x108) << (segment - 1);
  return (a & 0x80) != 0 ? magnitude : -magnitude;
}

TEST_F(MovieSound, LogarithmicFormatsExpandEveryCode) {
  Bytes codes;
  for (long i = 0; i < kFrames; ++i) codes.push_back(static_cast<uint8_t>(i * 7));
  for (OSType format : {OSType{'ulaw'}, OSType{'alaw'}}) {
    Movie movie = NewSoundMovie();
    AddSoundTrack(movie, format, 1, 8, kRate, codes, kFrames);
    std::vector<float> out = Mixed(movie, 0, kFrames, kRate, 1);
    for (long i = 0; i < kFrames; ++i) {
      int expected = format == 'ulaw' ? MuLaw(codes[i]) : ALaw(codes[i]);
      ASSERT_FLOAT_EQ(out[i], expected / 32768.0f) << "code " << int{codes[i]};
    }
  }
}

// Compressed sound in movies ffmpeg writes: the engine's sound is ffmpeg's
// own decoding of the file, sample for sample, from the first the movie
// shows (an AAC movie's edit leaves out the encoder's first frames).
TEST_F(MovieSound, CompressedFormatsDecodeAsFfmpegDoes) {
  if (!sound_test::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  struct Case {
    const char* name;
    const char* codec;
    int rate;
  };
  for (const Case& c : {Case{"ima4.mov", "adpcm_ima_qt", 22050}, Case{"aac.mov", "aac", 44100},
                        Case{"aac.m4a", "aac", 48000}}) {
    SCOPED_TRACE(c.name);
    std::string input = "-f lavfi -i sine=frequency=440:sample_rate=" + std::to_string(c.rate) +
                        ":duration=0.5 -c:a " + c.codec;
    Movie movie = FfmpegMovie(input, c.name);
    ASSERT_NE(movie, nullptr);
    std::vector<float> expected = FfmpegDecoded(c.name, c.rate);
    size_t frames = static_cast<size_t>(c.rate) * 4 / 10;
    ASSERT_GE(expected.size(), frames);
    std::vector<float> out = Mixed(movie, 0, frames, c.rate, 1);
    float loudest = 0;
    for (size_t i = 0; i < frames; ++i) {
      ASSERT_NEAR(out[i], expected[i], 1e-6) << "frame " << i;
      loudest = std::max(loudest, std::abs(out[i]));
    }
    EXPECT_GT(loudest, 0.1f);  // the tone, not silence on both sides
  }
}

TEST_F(MovieSound, TracksAreWeightedByVolumeAndBalance) {
  Movie movie = NewSoundMovie();
  Track loud = AddSoundTrack(movie, 'twos', 1, 16, kRate, Twos(std::vector(kFrames, 0.5)), kFrames);
  Track soft =
      AddSoundTrack(movie, 'twos', 1, 16, kRate, Twos(std::vector(kFrames, 0.25)), kFrames);
  const float a = 16383 / 32768.0f, b = 8191 / 32768.0f;
  SetTrackVolume(soft, 0x80);
  EXPECT_FLOAT_EQ(Mixed(movie, 0, 10, kRate, 1)[5], a + b / 2);
  SetMovieVolume(movie, 0x80);
  EXPECT_FLOAT_EQ(Mixed(movie, 0, 10, kRate, 1)[5], (a + b / 2) / 2);
  SetMovieVolume(movie, -0x100);  // muted
  EXPECT_FLOAT_EQ(Mixed(movie, 0, 10, kRate, 1)[5], 0);
  SetMovieVolume(movie, 0x100);
  SetTrackEnabled(soft, false);
  EXPECT_FLOAT_EQ(Mixed(movie, 0, 10, kRate, 1)[5], a);

  MediaHandler handler = GetMediaHandler(GetTrackMedia(loud));
  ASSERT_EQ(MediaSetSoundBalance(handler, 0x80), noErr);  // half way right
  std::vector<float> stereo = Mixed(movie, 0, 10, kRate, 2);
  EXPECT_FLOAT_EQ(stereo[10], a / 2);
  EXPECT_FLOAT_EQ(stereo[11], a);
  ASSERT_EQ(MediaSetSoundBalance(handler, -0x200), noErr);  // past the left end
  stereo = Mixed(movie, 0, 10, kRate, 2);
  EXPECT_FLOAT_EQ(stereo[10], a);
  EXPECT_FLOAT_EQ(stereo[11], 0);
  // A mono output hears the track whole, whatever its balance.
  EXPECT_FLOAT_EQ(Mixed(movie, 0, 10, kRate, 1)[5], a);
}

TEST_F(MovieSound, EditsPlaceTheSoundAndTheOutputRateResamplesIt) {
  std::vector<double> ramp;
  for (long i = 0; i < kFrames; ++i) ramp.push_back(RampValue(i));
  Movie movie = NewSoundMovie();
  AddSoundTrack(movie, 'fl64', 1, 64, kRate, Encode({'fl64', 64, false, false}, kFrames), kFrames,
                300);  // half a second in
  std::vector<float> out = Mixed(movie, 0, 4000 + kFrames, kRate, 1);
  for (long i = 0; i < 4000; ++i) ASSERT_EQ(out[i], 0) << i;
  for (long i = 0; i < kFrames; ++i) ASSERT_FLOAT_EQ(out[4000 + i], ramp[i]) << i;

  // At twice the rate every other frame lies half way between two.
  out = Mixed(movie, 300, 2 * kFrames - 2, 2 * kRate, 1);
  for (long i = 0; i + 1 < kFrames; ++i) {
    ASSERT_FLOAT_EQ(out[2 * i], ramp[i]) << i;
    ASSERT_NEAR(out[2 * i + 1], (ramp[i] + ramp[i + 1]) / 2, 1e-6) << i;
  }
  // From the middle of the media on, at a fraction of a movie unit.
  double from = 300 + 400 * 600.0 / kRate;
  out = Mixed(movie, from, 10, kRate, 1);
  EXPECT_FLOAT_EQ(out[0], ramp[400]);
  EXPECT_FLOAT_EQ(out[9], ramp[409]);
}

TEST_F(MovieSound, WhatCannotBeDecodedIsSilence) {
  Movie movie = NewSoundMovie();
  AddSoundTrack(movie, 'zzzz', 1, 16, kRate, Bytes(2 * kFrames, 0x40), kFrames);
  AddSoundTrack(movie, 'twos', 1, 16, kRate, Twos(std::vector(kFrames, 0.5)), kFrames);
  EXPECT_FLOAT_EQ(Mixed(movie, 0, 10, kRate, 1)[5], 16383 / 32768.0f);

  qtml::SoundFormat format;
  EXPECT_FALSE(qtml::ReadSoundFormat(Bytes(35, 0), &format));  // shorter than a description
  Bytes noChannels(36, 0);
  noChannels[32] = 0x1F;  // a rate, no channels
  EXPECT_FALSE(qtml::ReadSoundFormat(noChannels, &format));
  // An 'mp4a' whose 'esds' says it holds MP3.
  const uint8_t esds[] = {0,  0,    0,    34, 'e', 's', 'd', 's', 0, 0, 0, 0, 3, 20, 0, 1, 0, 4,
                          13, 0x6B, 0x15, 0,  0,   0,   0,   0,   0, 0, 0, 0, 0, 0,  0, 6, 0};
  Bytes mp3(36 + sizeof esds, 0);
  std::memcpy(mp3.data() + 4, "mp4a", 4);
  mp3[25] = 2, mp3[27] = 16, mp3[32] = 0xAC, mp3[33] = 0x44;
  std::memcpy(mp3.data() + 36, esds, sizeof esds);
  ASSERT_TRUE(qtml::ReadSoundFormat(mp3, &format));
  EXPECT_EQ(format.channels, 2);
  EXPECT_EQ(format.sampleRate, 44100);
  EXPECT_EQ(format.codecId, AV_CODEC_ID_MP3);
  std::unique_ptr<qtml::SoundDecoder> decoder;
  EXPECT_EQ(qtml::SoundDecoder::Open(format, &decoder), noErr);
}

}  // namespace
