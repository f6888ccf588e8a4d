// Makes examples/sample.mov, the small movie the tour opens, with the
// QuickTime engine alone: one second of 32 x 24 colour bars sliding by
// (uncompressed 24-bit video, 15 frames), a rising tone (8-bit sound at
// 8000 samples a second) and the movie's name and copyright as user data.
//
//   make_sample_movie PATH
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ImageCompression.h"
#include "MacMemory.h"
#include "Movies.h"
#include "QTML.h"
#include "Sound.h"

namespace {

constexpr short kWidth = 32;
constexpr short kHeight = 24;
constexpr int kFrames = 15;
constexpr TimeScale kVideoScale = 600;
constexpr TimeScale kSoundRate = 8000;

// The failing step and its result, when one fails.
bool Check(OSErr err, const char* what) {
  if (err == noErr) return true;
  std::fprintf(stderr, "make_sample_movie: %s failed (%d)\n", what, err);
  return false;
}

// Eight bars whose colours slide one bar every five frames.
std::vector<unsigned char> Frame(int index) {
  static const unsigned char kBars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255},
                                            {0, 255, 0},     {255, 0, 255}, {255, 0, 0},
                                            {0, 0, 255},     {0, 0, 0}};
  std::vector<unsigned char> pixels(kWidth * kHeight * 3);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const unsigned char* bar = kBars[(x / 4 + index / 5) % 8];
      std::memcpy(&pixels[(y * kWidth + x) * 3], bar, 3);
    }
  }
  return pixels;
}

ImageDescriptionHandle VideoDescription() {
  auto desc = reinterpret_cast<ImageDescriptionHandle>(NewHandleClear(sizeof(ImageDescription)));
  if (desc == nullptr) return nullptr;
  ImageDescription& d = **desc;
  d.idSize = sizeof(ImageDescription);
  d.cType = 'raw ';
  d.dataRefIndex = 1;
  d.temporalQuality = codecNormalQuality;
  d.spatialQuality = codecNormalQuality;
  d.width = kWidth;
  d.height = kHeight;
  d.hRes = 72L << 16;
  d.vRes = 72L << 16;
  d.frameCount = 1;
  std::memcpy(d.name, "\x04None", 5);
  d.depth = 24;
  d.clutID = -1;
  return desc;
}

SoundDescriptionHandle SoundDescriptionOf() {
  auto desc = reinterpret_cast<SoundDescriptionHandle>(NewHandleClear(sizeof(SoundDescription)));
  if (desc == nullptr) return nullptr;
  SoundDescription& d = **desc;
  d.descSize = sizeof(SoundDescription);
  d.dataFormat = 'raw ';
  d.dataRefIndex = 1;
  d.numChannels = 1;
  d.sampleSize = 8;
  d.sampleRate = static_cast<UnsignedFixed>(kSoundRate) << 16;
  return desc;
}

bool AddVideo(Movie movie) {
  Track track = NewMovieTrack(movie, Long2Fix(kWidth), Long2Fix(kHeight), 0);
  Media media =
      track != nullptr ? NewTrackMedia(track, VideoMediaType, kVideoScale, nullptr, 0) : nullptr;
  if (!Check(GetMoviesError(), "making the video track")) return false;
  ImageDescriptionHandle desc = VideoDescription();
  Handle bytes = NewHandle(kWidth * kHeight * 3);
  bool ok = desc != nullptr && bytes != nullptr && Check(BeginMediaEdits(media), "BeginMediaEdits");
  for (int i = 0; ok && i < kFrames; ++i) {
    std::vector<unsigned char> pixels = Frame(i);
    std::memcpy(*bytes, pixels.data(), pixels.size());
    ok = Check(AddMediaSample(media, bytes, 0, pixels.size(), kVideoScale / kFrames,
                              reinterpret_cast<SampleDescriptionHandle>(desc), 1, 0, nullptr),
               "adding a frame");
  }
  ok = ok && Check(EndMediaEdits(media), "EndMediaEdits") &&
       Check(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1),
             "inserting the video");
  if (bytes != nullptr) DisposeHandle(bytes);
  if (desc != nullptr) DisposeHandle(reinterpret_cast<Handle>(desc));
  return ok;
}

bool AddSound(Movie movie) {
  Track track = NewMovieTrack(movie, 0, 0, kFullVolume);
  Media media =
      track != nullptr ? NewTrackMedia(track, SoundMediaType, kSoundRate, nullptr, 0) : nullptr;
  if (!Check(GetMoviesError(), "making the sound track")) return false;
  // A tone rising from 300 Hz to 600 Hz, offset binary as 'raw ' keeps it.
  Handle bytes = NewHandle(kSoundRate);
  SoundDescriptionHandle desc = SoundDescriptionOf();
  if (bytes == nullptr || desc == nullptr) return false;
  double phase = 0;
  for (int i = 0; i < kSoundRate; ++i) {
    double frequency = 300.0 + 300.0 * i / kSoundRate;
    phase += 2 * M_PI * frequency / kSoundRate;
    (*bytes)[i] = static_cast<char>(static_cast<unsigned char>(128 + 60 * std::sin(phase)));
  }
  bool ok =
      Check(BeginMediaEdits(media), "BeginMediaEdits") &&
      Check(AddMediaSample(media, bytes, 0, kSoundRate, 1,
                           reinterpret_cast<SampleDescriptionHandle>(desc), kSoundRate, 0, nullptr),
            "adding the sound") &&
      Check(EndMediaEdits(media), "EndMediaEdits") &&
      Check(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1),
            "inserting the sound");
  DisposeHandle(bytes);
  DisposeHandle(reinterpret_cast<Handle>(desc));
  return ok;
}

bool AddText(UserData userData, OSType type, const char* text) {
  Handle h = NewHandle(static_cast<Size>(std::strlen(text)));
  if (h == nullptr) return false;
  std::memcpy(*h, text, std::strlen(text));
  OSErr err = AddUserDataText(userData, h, type, 1, 0);  // region 0: English
  DisposeHandle(h);
  return Check(err, "adding user data");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample_movie PATH\n");
    return 2;
  }
  if (!Check(InitializeQTML(0), "InitializeQTML") || !Check(EnterMovies(), "EnterMovies")) {
    return 1;
  }
  FSSpec spec;
  OSErr err = NativePathNameToFSSpec(argv[1], &spec, 0);
  if (err != noErr && err != fnfErr) return Check(err, "naming the file") ? 0 : 1;
  Movie movie = NewMovie(newMovieActive);
  if (!Check(GetMoviesError(), "NewMovie")) return 1;
  bool ok = AddVideo(movie) && AddSound(movie) &&
            AddText(GetMovieUserData(movie), kUserDataTextFullName, "Fenra sample") &&
            AddText(GetMovieUserData(movie), kUserDataTextCopyright, "Made by make_sample_movie");
  if (ok) {
    FlattenMovie(movie,
                 flattenAddMovieToDataFork | flattenDontInterleaveFlatten |
                     flattenForceMovieResourceBeforeMovieData,
                 &spec, 'TVOD', smSystemScript,
                 createMovieFileDeleteCurFile | createMovieFileDontCreateResFile, nullptr, nullptr);
    ok = Check(GetMoviesError(), "FlattenMovie");
  }
  DisposeMovie(movie);
  return ok ? 0 : 1;
}
