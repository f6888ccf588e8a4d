// Movies with sound for the sound tests: tracks authored with the
// toolbox's own calls from sample bytes, movie files made by ffmpeg, and
// the sound the engine mixes from them.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "Movies.h"
#include "QTML.h"
#include "Sound.h"
#include "movies/movie_model.h"
#include "scratch_dir_test.h"
#include "sound/movie_sound.h"

namespace sound_test {

using Bytes = std::vector<uint8_t>;

inline bool HaveFfmpeg() {
  return std::system("command -v ffmpeg >/dev/null 2>&1") == 0;
}

// The floats of a raw file of the machine's order.
inline std::vector<float> ReadFloats(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  std::vector<float> floats(bytes.size() / sizeof(float));
  std::memcpy(floats.data(), bytes.data(), floats.size() * sizeof(float));
  return floats;
}

class SoundTest : public ScratchDirTest {
 protected:
  explicit SoundTest(const std::string& prefix) : ScratchDirTest(prefix) {}
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ScratchDirTest::SetUp();
  }
  void TearDown() override {
    QTMLTest_SetClock(-1);
    for (Movie m : movies_) DisposeMovie(m);
    for (short ref : files_) CloseMovieFile(ref);
    ScratchDirTest::TearDown();
  }

  Movie NewSoundMovie() {
    Movie movie = NewMovie(newMovieActive);
    movies_.push_back(movie);
    return movie;
  }

  // A track of the movie holding `bytes` as `frames` frames of the format
  // (a sample a frame, the media's scale the rate), the whole media shown
  // from movie time `at`.
  static Track AddSoundTrack(Movie movie, OSType format, short channels, short bits, TimeScale rate,
                             const Bytes& bytes, long frames, TimeValue at = 0) {
    Track track = NewMovieTrack(movie, 0, 0, kFullVolume);
    Media media = NewTrackMedia(track, SoundMediaType, rate, nullptr, 0);
    Handle h = NewHandleClear(sizeof(SoundDescription));
    auto desc = reinterpret_cast<SoundDescriptionHandle>(h);
    (**desc).descSize = sizeof(SoundDescription);
    (**desc).dataFormat = format;
    (**desc).dataRefIndex = 1;
    (**desc).numChannels = channels;
    (**desc).sampleSize = bits;
    (**desc).sampleRate = static_cast<UnsignedFixed>(rate) << 16;
    Handle data = NewHandle(static_cast<Size>(bytes.size()));
    std::memcpy(*data, bytes.data(), bytes.size());
    EXPECT_EQ(BeginMediaEdits(media), noErr);
    EXPECT_EQ(AddMediaSample(media, data, 0, bytes.size(), 1,
                             reinterpret_cast<SampleDescriptionHandle>(desc), frames, 0, nullptr),
              noErr);
    EXPECT_EQ(EndMediaEdits(media), noErr);
    EXPECT_EQ(InsertMediaIntoTrack(track, at, 0, GetMediaDuration(media), 0x10000), noErr);
    DisposeHandle(data);
    DisposeHandle(h);
    return track;
  }

  // 16-bit big-endian mono frames of the values (-1 to 1).
  static Bytes Twos(const std::vector<double>& values) {
    Bytes bytes;
    for (double v : values) {
      auto s = static_cast<int16_t>(v * 32767);
      bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
      bytes.push_back(static_cast<uint8_t>(s));
    }
    return bytes;
  }

  // The movie's sound from movie time `from`, as the engine mixes it.
  static std::vector<float> Mixed(Movie movie, double from, size_t frames, int rate, int channels) {
    std::vector<float> out(frames * static_cast<size_t>(channels));
    qtml::MovieSoundMixer mixer;
    mixer.Mix(*qtml::MovieOf(movie), from, frames, {rate, channels}, out.data());
    return out;
  }

  // A movie file ffmpeg made in the test's folder from its arguments (its
  // inputs and options), opened; nullptr when ffmpeg failed.
  Movie FfmpegMovie(const std::string& arguments, const std::string& name) {
    std::string command = "ffmpeg -v error -y " + arguments + " '" + Path(name) + "' </dev/null";
    if (std::system(command.c_str()) != 0) return nullptr;
    FSSpec spec{};
    std::string path = Path(name);
    NativePathNameToFSSpec(path.data(), &spec, 0);
    short ref = 0;
    if (OpenMovieFile(&spec, &ref, fsRdPerm) != noErr) return nullptr;
    files_.push_back(ref);
    Movie movie = nullptr;
    EXPECT_EQ(NewMovieFromFile(&movie, ref, nullptr, nullptr, newMovieActive, nullptr), noErr);
    if (movie != nullptr) movies_.push_back(movie);
    return movie;
  }

  // ffmpeg's own decoding of a file of the folder, mono floats at `rate`.
  std::vector<float> FfmpegDecoded(const std::string& name, int rate) {
    std::string out = Path(name + ".f32");
    std::string command = "ffmpeg -v error -y -i '" + Path(name) + "' -ac 1 -ar " +
                          std::to_string(rate) + " -f f32le '" + out + "' </dev/null";
    if (std::system(command.c_str()) != 0) return {};
    return ReadFloats(out);
  }

 private:
  std::vector<Movie> movies_;
  std::vector<short> files_;
};

}  // namespace sound_test
