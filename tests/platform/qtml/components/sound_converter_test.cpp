// Sound converters between uncompressed and compressed formats: exact
// where no precision is lost, close where a codec loses some, with the
// packets, channels and rates asked for.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "MacErrors.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "Sound.h"
#include "leak_check.h"

namespace {

SoundComponentData Format(OSType format, short channels, short bits, unsigned rate) {
  SoundComponentData d{};
  d.format = format;
  d.numChannels = channels;
  d.sampleSize = bits;
  d.sampleRate = static_cast<UnsignedFixed>(rate) << 16;
  return d;
}

// A sine of `frames` 16-bit big-endian frames of `channels` channels.
std::vector<uint8_t> Sine(size_t frames, int channels, double period = 40) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < frames; ++i) {
    auto v = static_cast<int16_t>(std::lround(12000 * std::sin(2 * M_PI * i / period)));
    for (int c = 0; c < channels; ++c) {
      bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
      bytes.push_back(static_cast<uint8_t>(v));
    }
  }
  return bytes;
}

int16_t SampleBE(const std::vector<uint8_t>& bytes, size_t i) {
  return static_cast<int16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
}

struct Converted {
  std::vector<uint8_t> bytes;
  unsigned long frames = 0;
};

// Converts `input` in buffers of at most `chunk` packets of
// `packetBytes` bytes and `packetFrames` frames, then ends.
Converted Convert(const SoundComponentData& from, const SoundComponentData& to,
                  const std::vector<uint8_t>& input, unsigned long packetBytes, unsigned long chunk,
                  unsigned long packetFrames = 1) {
  Converted result;
  SoundConverter sc = nullptr;
  EXPECT_EQ(SoundConverterOpen(&from, &to, &sc), noErr);
  if (sc == nullptr) return result;
  unsigned long frames = 0, bytes = 0, outBytes = 0;
  EXPECT_EQ(SoundConverterGetBufferSizes(sc, chunk * packetBytes, &frames, &bytes, &outBytes),
            noErr);
  EXPECT_EQ(SoundConverterBeginConversion(sc), noErr);
  std::vector<uint8_t> buffer(outBytes);
  for (size_t at = 0; at < input.size(); at += bytes) {
    unsigned long n =
        std::min<unsigned long>(frames, (input.size() - at) / packetBytes * packetFrames);
    unsigned long made = 0, madeBytes = 0;
    EXPECT_EQ(
        SoundConverterConvertBuffer(sc, input.data() + at, n, buffer.data(), &made, &madeBytes),
        noErr);
    EXPECT_LE(madeBytes, outBytes);
    result.bytes.insert(result.bytes.end(), buffer.begin(), buffer.begin() + madeBytes);
    result.frames += made;
  }
  unsigned long made = 0, madeBytes = 0;
  EXPECT_EQ(SoundConverterEndConversion(sc, buffer.data(), &made, &madeBytes), noErr);
  result.bytes.insert(result.bytes.end(), buffer.begin(), buffer.begin() + madeBytes);
  result.frames += made;
  EXPECT_EQ(SoundConverterClose(sc), noErr);
  return result;
}

class SoundConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    leaks_.Start();
  }
  void TearDown() override { leaks_.Verify(); }
  LeakCheck leaks_;
};

TEST_F(SoundConverterTest, UncompressedFormatsConvertExactly) {
  std::vector<uint8_t> input = Sine(300, 2);
  Converted little = Convert(Format(kTwosComplement, 2, 16, 44100),
                             Format(kLittleEndianFormat, 2, 16, 44100), input, 4, 128);
  ASSERT_EQ(little.frames, 300u);
  ASSERT_EQ(little.bytes.size(), input.size());
  for (size_t i = 0; i < input.size(); i += 2) {
    EXPECT_EQ(little.bytes[i], input[i + 1]);
    EXPECT_EQ(little.bytes[i + 1], input[i]);
  }
  // Through 24-bit and floating point and back, nothing is lost.
  Converted wide = Convert(Format(kTwosComplement, 2, 16, 44100),
                           Format(kFloat32Format, 2, 32, 44100), input, 4, 100);
  Converted back = Convert(Format(kFloat32Format, 2, 32, 44100),
                           Format(kTwosComplement, 2, 16, 44100), wide.bytes, 8, 77);
  EXPECT_EQ(back.bytes, input);
  Converted offset = Convert(Format(kTwosComplement, 1, 16, 8000),
                             Format(kRawSoundFormat, 1, 8, 8000), {0x80, 0x00, 0x7F, 0xFF}, 2, 8);
  EXPECT_EQ(offset.bytes, (std::vector<uint8_t>{0x00, 0xFF})) << "8-bit offset binary";
}

TEST_F(SoundConverterTest, ULawAndALawTakeAByteASample) {
  std::vector<uint8_t> input = Sine(400, 1);
  for (OSType law : {OSType{kULawCompression}, OSType{kALawCompression}}) {
    Converted coded =
        Convert(Format(kTwosComplement, 1, 16, 8000), Format(law, 1, 16, 8000), input, 2, 150);
    ASSERT_EQ(coded.frames, 400u);
    ASSERT_EQ(coded.bytes.size(), 400u);
    Converted decoded =
        Convert(Format(law, 1, 16, 8000), Format(kTwosComplement, 1, 16, 8000), coded.bytes, 1, 99);
    ASSERT_EQ(decoded.bytes.size(), input.size());
    for (size_t i = 0; i < 400; ++i) {
      EXPECT_NEAR(SampleBE(decoded.bytes, i), SampleBE(input, i), 400) << i;
    }
  }
}

TEST_F(SoundConverterTest, IMAWritesWholePacketsAndPadsTheLast) {
  std::vector<uint8_t> input = Sine(1000, 2);
  Converted coded = Convert(Format(kTwosComplement, 2, 16, 22050),
                            Format(kIMACompression, 2, 16, 22050), input, 4, 100);
  // 1000 frames make 15 whole packets and one padded: 64 frames in 34
  // bytes a channel.
  EXPECT_EQ(coded.frames, 16u * 64u);
  ASSERT_EQ(coded.bytes.size(), 16u * 34u * 2u);
  Converted decoded = Convert(Format(kIMACompression, 2, 16, 22050),
                              Format(kTwosComplement, 2, 16, 22050), coded.bytes, 68, 3, 64);
  ASSERT_EQ(decoded.frames, 16u * 64u);
  for (size_t i = 200; i < 1000; ++i) {
    EXPECT_NEAR(SampleBE(decoded.bytes, 2 * i), SampleBE(input, 2 * i), 1500) << i;
  }
  for (size_t i = 1000; i < 1024; ++i) EXPECT_NEAR(SampleBE(decoded.bytes, 2 * i), 0, 1500);
}

TEST_F(SoundConverterTest, ChannelsAndRatesAreMatched) {
  // Left +0.5, right -0.5: mixed down to silence.
  std::vector<uint8_t> stereo;
  for (int i = 0; i < 50; ++i) stereo.insert(stereo.end(), {0x40, 0x00, 0xC0, 0x00});
  Converted mono = Convert(Format(kTwosComplement, 2, 16, 8000),
                           Format(kTwosComplement, 1, 16, 8000), stereo, 4, 20);
  ASSERT_EQ(mono.frames, 50u);
  for (size_t i = 0; i < 50; ++i) EXPECT_EQ(SampleBE(mono.bytes, i), 0);
  Converted doubled = Convert(Format(kTwosComplement, 1, 16, 8000),
                              Format(kTwosComplement, 2, 16, 8000), Sine(10, 1), 2, 4);
  ASSERT_EQ(doubled.frames, 10u);
  for (size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(SampleBE(doubled.bytes, 2 * i), SampleBE(doubled.bytes, 2 * i + 1));
  }

  // Half the rate: half the frames, the same sine at twice the pace.
  std::vector<uint8_t> input = Sine(1000, 1);
  Converted half = Convert(Format(kTwosComplement, 1, 16, 44100),
                           Format(kTwosComplement, 1, 16, 22050), input, 2, 333);
  EXPECT_NEAR(static_cast<double>(half.frames), 500, 1);
  for (size_t i = 0; i < 490; ++i) {
    EXPECT_NEAR(SampleBE(half.bytes, i), SampleBE(input, 2 * i), 2) << i;
  }
  Converted up = Convert(Format(kTwosComplement, 1, 16, 11025),
                         Format(kTwosComplement, 1, 16, 44100), Sine(100, 1), 2, 30);
  EXPECT_NEAR(static_cast<double>(up.frames), 400, 4);
}

TEST_F(SoundConverterTest, BadFormatsAndMisuseAreRefused) {
  SoundConverter sc = nullptr;
  SoundComponentData pcm = Format(kTwosComplement, 1, 16, 8000);
  SoundComponentData bad = Format('zzzz', 1, 16, 8000);
  EXPECT_EQ(SoundConverterOpen(&bad, &pcm, &sc), badFormat);
  EXPECT_EQ(SoundConverterOpen(&pcm, &bad, &sc), badFormat);
  bad = Format(kMACE3Compression, 1, 16, 8000);
  EXPECT_EQ(SoundConverterOpen(&pcm, &bad, &sc), badFormat) << "MACE is only decompressed";
  bad = Format(kTwosComplement, 0, 16, 8000);
  EXPECT_EQ(SoundConverterOpen(&pcm, &bad, &sc), paramErr);
  bad = Format(kTwosComplement, 1, 12, 8000);
  EXPECT_EQ(SoundConverterOpen(&bad, &pcm, &sc), paramErr);
  bad = Format(kTwosComplement, 1, 16, 0);
  EXPECT_EQ(SoundConverterOpen(&bad, &pcm, &sc), paramErr);
  EXPECT_EQ(sc, nullptr);
  EXPECT_EQ(SoundConverterOpen(nullptr, &pcm, &sc), paramErr);

  ASSERT_EQ(SoundConverterOpen(&pcm, &pcm, &sc), noErr);
  uint8_t out[64];
  unsigned long frames = 0, bytes = 0;
  EXPECT_EQ(SoundConverterConvertBuffer(sc, out, 4, out, &frames, &bytes), notEnoughBufferSpace);
  EXPECT_EQ(SoundConverterEndConversion(sc, out, &frames, &bytes), notEnoughBufferSpace);
  EXPECT_EQ(SoundConverterClose(sc), noErr);
  EXPECT_EQ(SoundConverterClose(sc), paramErr) << "closed already";
  EXPECT_EQ(SoundConverterBeginConversion(sc), paramErr);
}

TEST_F(SoundConverterTest, BufferSizesCountWholePackets) {
  SoundConverter sc = nullptr;
  SoundComponentData ima = Format(kIMACompression, 1, 16, 22050);
  SoundComponentData pcm = Format(kTwosComplement, 1, 16, 22050);
  ASSERT_EQ(SoundConverterOpen(&ima, &pcm, &sc), noErr);
  unsigned long frames = 0, bytes = 0, outBytes = 0;
  ASSERT_EQ(SoundConverterGetBufferSizes(sc, 100, &frames, &bytes, &outBytes), noErr);
  EXPECT_EQ(frames, 128u);
  EXPECT_EQ(bytes, 68u);
  EXPECT_GE(outBytes, 256u);
  EXPECT_EQ(SoundConverterClose(sc), noErr);

  CompressionInfo info{};
  ASSERT_EQ(GetCompressionInfo(fixedCompression, kIMACompression, 2, 16, &info), noErr);
  EXPECT_EQ(info.samplesPerPacket, 64);
  EXPECT_EQ(info.bytesPerPacket, 34);
  EXPECT_EQ(info.bytesPerSample, 2);
  ASSERT_EQ(GetCompressionInfo(notCompressed, kTwosComplement, 2, 24, &info), noErr);
  EXPECT_EQ(info.samplesPerPacket, 1);
  EXPECT_EQ(info.bytesPerPacket, 3);
  EXPECT_EQ(GetCompressionInfo(notCompressed, 'zzzz', 2, 16, &info), badFormat);
  EXPECT_EQ(GetCompressionInfo(notCompressed, kTwosComplement, 2, 16, nullptr), paramErr);
}

TEST_F(SoundConverterTest, AllocationFailuresLeaveNothingBehind) {
  std::vector<uint8_t> input = Sine(200, 2);
  SoundComponentData pcm = Format(kTwosComplement, 2, 16, 44100);
  SoundComponentData ima = Format(kIMACompression, 1, 16, 22050);
  std::vector<uint8_t> out(4096);
  for (long n = 0; n < 400; ++n) {
    QTMLTest_FailAllocations(n);
    SoundConverter sc = nullptr;
    OSErr open = SoundConverterOpen(&pcm, &ima, &sc);
    OSErr convert = open;
    unsigned long frames = 0, bytes = 0;
    if (open == noErr) {
      SoundConverterBeginConversion(sc);
      convert = SoundConverterConvertBuffer(sc, input.data(), 200, out.data(), &frames, &bytes);
      if (convert == noErr) convert = SoundConverterEndConversion(sc, out.data(), &frames, &bytes);
    }
    QTMLTest_FailAllocations(-1);
    if (sc != nullptr) {
      EXPECT_EQ(SoundConverterClose(sc), noErr);
    }
    EXPECT_TRUE(convert == noErr || convert == memFullErr) << n << ": " << convert;
    if (convert == noErr) break;
  }
}

}  // namespace
