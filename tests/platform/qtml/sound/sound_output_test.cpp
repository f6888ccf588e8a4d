// Movies' sound on an audio device: SDL's disk driver writes what the
// device plays to a file of the test's folder, while the manual clock
// plays the movie (QTMLTest_UseSoundOutput).
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "sound_test_support.h"

namespace {

using sound_test::SoundTest;

// What the engine asks of the device, and the disk driver gives.
constexpr int kDeviceRate = 48000;
constexpr int kDeviceChannels = 2;

constexpr TimeScale kSourceRate = 44100;
constexpr double kToneStart = 0.5;  // seconds
constexpr double kToneLevel = 0.5;
constexpr double kToneHz = 440;

class SoundOutput : public SoundTest {
 protected:
  SoundOutput() : SoundTest("qtml-sound-output-") {}
  void SetUp() override {
    SoundTest::SetUp();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", Path("device.raw").c_str(), 1);
    QTMLTest_SetClock(0);
    QTMLTest_UseSoundOutput(true);
  }
  void TearDown() override {
    QTMLTest_UseSoundOutput(false);
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    SoundTest::TearDown();
  }

  // A movie of 1.2 s whose sound is silence, then from kToneStart on a
  // 440 Hz tone.
  Movie ToneMovie() {
    std::vector<double> values;
    for (long i = 0; i < kSourceRate * 12 / 10; ++i) {
      double t = static_cast<double>(i) / kSourceRate - kToneStart;
      values.push_back(t < 0 ? 0 : kToneLevel * std::sin(2 * M_PI * kToneHz * t));
    }
    Movie movie = NewSoundMovie();
    AddSoundTrack(movie, 'twos', 1, 16, kSourceRate, Twos(values),
                  static_cast<long>(values.size()));
    return movie;
  }

  // Plays the movie for `ms` milliseconds of the manual clock.
  static void Play(Movie movie, long ms) {
    for (long t = 0; t < ms; t += 10) {
      QTMLTest_AdvanceClock(10);
      MoviesTask(movie, 0);
      ASSERT_EQ(GetMoviesError(), noErr);
    }
  }

  // The left channel of what the device played, once it is closed.
  std::vector<float> Played() {
    QTMLTest_UseSoundOutput(false);
    std::vector<float> frames = sound_test::ReadFloats(Path("device.raw"));
    std::vector<float> left;
    for (size_t i = 0; i + 1 < frames.size(); i += kDeviceChannels) {
      EXPECT_EQ(frames[i], frames[i + 1]) << "frame " << i / 2;  // a mono track, centred
      left.push_back(frames[i]);
    }
    return left;
  }

  // When the sound first rises above a tenth of the tone, in seconds.
  static double Onset(const std::vector<float>& sound) {
    for (size_t i = 0; i < sound.size(); ++i) {
      if (std::abs(sound[i]) > kToneLevel / 10) return static_cast<double>(i) / kDeviceRate;
    }
    return -1;
  }

  // Checks the tone between the times (seconds): its pitch by its zero
  // crossings and its level by its peaks.
  static void ExpectTone(const std::vector<float>& sound, double from, double to) {
    auto first = static_cast<size_t>(from * kDeviceRate);
    auto last = static_cast<size_t>(to * kDeviceRate);
    ASSERT_LE(last, sound.size());
    int crossings = 0;
    float peak = 0;
    for (size_t i = first + 1; i < last; ++i) {
      crossings += (sound[i - 1] < 0) != (sound[i] < 0);
      peak = std::max(peak, std::abs(sound[i]));
    }
    EXPECT_NEAR(crossings / (2 * (to - from)), kToneHz, 5);
    EXPECT_NEAR(peak, kToneLevel, 0.01);
  }
};

TEST_F(SoundOutput, TheToneSoundsWhenTheMovieReachesIt) {
  Movie movie = ToneMovie();
  StartMovie(movie);
  Play(movie, 1000);
  EXPECT_EQ(GetMovieTime(movie, nullptr), 600);
  std::vector<float> sound = Played();
  ASSERT_GE(sound.size(), kDeviceRate * 95 / 100);
  EXPECT_NEAR(Onset(sound), kToneStart, 0.02);
  ExpectTone(sound, 0.55, 0.95);
}

// Setting the time, stopping and starting again go on from the movie's
// time: the device plays what the movie played, one stretch after another.
TEST_F(SoundOutput, TheSoundFollowsTheMoviesTime) {
  Movie movie = ToneMovie();
  StartMovie(movie);
  Play(movie, 200);
  SetMovieTimeValue(movie, 360);  // 0.6 s, inside the tone
  Play(movie, 200);
  StopMovie(movie);
  QTMLTest_AdvanceClock(300);
  MoviesTask(movie, 0);
  SetMovieRate(movie, 0x20000);  // other rates are silent
  Play(movie, 100);
  StartMovie(movie);
  Play(movie, 100);
  EXPECT_EQ(GetMovieTime(movie, nullptr), 660);
  std::vector<float> sound = Played();
  EXPECT_NEAR(Onset(sound), 0.2, 0.02);
  ExpectTone(sound, 0.25, 0.48);
  EXPECT_LT(sound.size(), kDeviceRate * 52 / 100);
}

TEST_F(SoundOutput, NoDeviceWhileTheManualClockRunsUnlessAsked) {
  QTMLTest_UseSoundOutput(false);
  Movie movie = ToneMovie();
  StartMovie(movie);
  Play(movie, 100);
  EXPECT_FALSE(std::filesystem::exists(Path("device.raw")));
}

// SDL without the driver asked for, and a device that cannot be opened
// (the disk driver's file in a folder that is not there).
TEST_F(SoundOutput, WithoutADeviceMoviesPlaySilently) {
  for (const char* driver : {"no-such-driver", "disk"}) {
    SCOPED_TRACE(driver);
    setenv("SDL_AUDIODRIVER", driver, 1);
    setenv("SDL_DISKAUDIOFILE", Path("missing/device.raw").c_str(), 1);
    QTMLTest_UseSoundOutput(true);
    Movie movie = ToneMovie();
    StartMovie(movie);
    EXPECT_EQ(GetMoviesError(), noErr);
    Play(movie, 100);
    EXPECT_EQ(GetMovieTime(movie, nullptr), 60);
  }
}

}  // namespace
