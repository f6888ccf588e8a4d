// The movie engine's costs that grow with a movie's size: stepping
// through samples, reading a movie back from its bytes, and flattening.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "Movies.h"
#include "Sound.h"
#include "QTML.h"

namespace {

bool Started() {
  static const bool started = InitializeQTML(0) == noErr && EnterMovies() == noErr;
  return started;
}

// A movie with one sound track of `samples` one-byte samples (8000 a
// second) and one video track of a frame every 800 of them.
Movie MakeMovie(long samples) {
  Movie movie = NewMovie(newMovieActive);
  SetMovieTimeScale(movie, 600);
  Track sound = NewMovieTrack(movie, 0, 0, 0x100);
  Media soundMedia = NewTrackMedia(sound, SoundMediaType, 8000, nullptr, 0);
  Track video = NewMovieTrack(movie, 32 << 16, 24 << 16, 0);
  Media videoMedia = NewTrackMedia(video, VideoMediaType, 600, nullptr, 0);

  Handle soundDesc = NewHandleClear(sizeof(SoundDescription));
  auto* sd = reinterpret_cast<SoundDescription*>(*soundDesc);
  sd->descSize = sizeof(SoundDescription);
  sd->dataFormat = 'raw ';
  sd->numChannels = 1;
  sd->sampleSize = 8;
  sd->sampleRate = static_cast<UnsignedFixed>(8000u << 16);
  Handle bytes = NewHandleClear(samples);
  BeginMediaEdits(soundMedia);
  AddMediaSample(soundMedia, bytes, 0, static_cast<unsigned long>(samples), 1,
                 reinterpret_cast<SampleDescriptionHandle>(soundDesc), samples, 0, nullptr);
  EndMediaEdits(soundMedia);
  InsertMediaIntoTrack(sound, 0, 0, GetMediaDuration(soundMedia), 0x10000);

  Handle imageDesc = NewHandleClear(sizeof(ImageDescription));
  auto* id = reinterpret_cast<ImageDescription*>(*imageDesc);
  id->idSize = sizeof(ImageDescription);
  id->cType = 'raw ';
  id->width = 32;
  id->height = 24;
  id->depth = 32;
  Handle frame = NewHandleClear(32 * 24 * 4);
  BeginMediaEdits(videoMedia);
  for (long i = 0; i < samples / 800; ++i) {
    AddMediaSample(videoMedia, frame, 0, 32 * 24 * 4, 60,
                   reinterpret_cast<SampleDescriptionHandle>(imageDesc), 1, 0, nullptr);
  }
  EndMediaEdits(videoMedia);
  InsertMediaIntoTrack(video, 0, 0, GetMediaDuration(videoMedia), 0x10000);

  DisposeHandle(frame);
  DisposeHandle(imageDesc);
  DisposeHandle(bytes);
  DisposeHandle(soundDesc);
  return movie;
}

// One step to the next sound sample from the middle of the media, as a
// script counting samples takes it.
void BM_StepToNextSoundSample(benchmark::State& state) {
  if (!Started()) return state.SkipWithError("QuickTime did not start");
  Movie movie = MakeMovie(state.range(0));
  Media media = GetTrackMedia(GetMovieIndTrack(movie, 1));
  TimeValue middle = GetMediaDuration(media) / 2;
  for (auto _ : state) {
    TimeValue next = 0;
    GetMediaNextInterestingTime(media, nextTimeStep, middle, 0x10000, &next, nullptr);
    benchmark::DoNotOptimize(next);
  }
  DisposeMovie(movie);
}
BENCHMARK(BM_StepToNextSoundSample)->Range(8000, 8000 * 64);

// Stepping through every frame of a movie from its start.
void BM_StepThroughFrames(benchmark::State& state) {
  if (!Started()) return state.SkipWithError("QuickTime did not start");
  Movie movie = MakeMovie(state.range(0));
  for (auto _ : state) {
    long frames = 0;
    for (TimeValue t = 0; t >= 0; ++frames) {
      GetMovieNextInterestingTime(movie, nextTimeStep, 0, nullptr, t, 0x10000, &t, nullptr);
    }
    benchmark::DoNotOptimize(frames);
  }
  DisposeMovie(movie);
}
BENCHMARK(BM_StepThroughFrames)->Range(8000, 8000 * 64);

// A movie read back from its movie atom.
void BM_NewMovieFromHandle(benchmark::State& state) {
  if (!Started()) return state.SkipWithError("QuickTime did not start");
  Movie movie = MakeMovie(state.range(0));
  Handle atom = NewHandle(0);
  PutMovieIntoHandle(movie, atom);
  for (auto _ : state) {
    Movie copy = nullptr;
    NewMovieFromHandle(&copy, atom, 0, nullptr);
    DisposeMovie(copy);
  }
  DisposeHandle(atom);
  DisposeMovie(movie);
}
BENCHMARK(BM_NewMovieFromHandle)->Range(8000, 8000 * 64);

// A movie with half of it cut, flattened into a new file.
void BM_FlattenHalf(benchmark::State& state) {
  if (!Started()) return state.SkipWithError("QuickTime did not start");
  Movie movie = MakeMovie(state.range(0));
  SetMovieSelection(movie, 0, GetMovieDuration(movie) / 2);
  DisposeMovie(CutMovieSelection(movie));
  std::string path = "/tmp/movie_bench_" + std::to_string(getpid()) + ".mov";
  FSSpec spec;
  NativePathNameToFSSpec(path.data(), &spec, 0);
  for (auto _ : state) {
    FlattenMovie(movie, flattenAddMovieToDataFork, &spec, 'TVOD', smSystemScript,
                 createMovieFileDeleteCurFile, nullptr, nullptr);
  }
  std::remove(path.c_str());
  DisposeMovie(movie);
}
BENCHMARK(BM_FlattenHalf)->Range(8000, 8000 * 64);

}  // namespace
