// The movie reader on any bytes as a movie file, and a walk of what it
// opens: tracks, media, descriptions, samples, data references, interesting
// times, the middle frame drawn, a copy pasted back, and a self-contained
// copy written and read.
#include "fuzz_support.h"

namespace {

void WalkMedia(Media media) {
  long descriptions = GetMediaSampleDescriptionCount(media);
  Handle desc = NewHandle(0);
  for (long i = 1; i <= descriptions && i <= 4; ++i) {
    GetMediaSampleDescription(media, i, reinterpret_cast<SampleDescriptionHandle>(desc));
  }
  short refs = 0;
  GetMediaDataRefCount(media, &refs);
  for (short i = 1; i <= refs && i <= 4; ++i) {
    Handle ref = nullptr;
    OSType type = 0;
    long attributes = 0;
    if (GetMediaDataRef(media, i, &ref, &type, &attributes) == noErr) DisposeHandle(ref);
  }
  Handle bytes = NewHandle(0);
  TimeValue time = 0;
  for (int i = 0; i < 8; ++i) {
    TimeValue sampleTime = 0, duration = 0;
    long size = 0, count = 0, index = 0;
    short flags = 0;
    if (GetMediaSample(media, bytes, 1 << 20, &size, time, &sampleTime, &duration,
                       reinterpret_cast<SampleDescriptionHandle>(desc), &index, 1, &count,
                       &flags) != noErr) {
      break;
    }
    int64_t next = int64_t{sampleTime} + duration;
    if (duration <= 0 || next > INT32_MAX) break;
    time = static_cast<TimeValue>(next);
  }
  DisposeHandle(bytes);
  DisposeHandle(desc);
}

// Movies of more samples than this are not copied and pasted: a paste
// compares the samples it brings with those the movie holds, one by one,
// and the fuzzer would spend its time there.
constexpr long kMostSamplesToPaste = 100000;

// Draws the frame at the middle of the movie into a small world: the
// samples' descriptions and bytes go through the decoders.
void DrawMiddleFrame(Movie movie) {
  static GWorldPtr world = [] {
    GWorldPtr made = nullptr;
    Rect bounds{0, 0, 32, 32};
    NewGWorld(&made, 32, &bounds, nullptr, nullptr, 0);
    return made;
  }();
  if (world == nullptr) return;
  SetMovieGWorld(movie, world, nullptr);
  SetMovieTimeValue(movie, GetMovieDuration(movie) / 2);
  MoviesTask(movie, 0);
  SetMovieGWorld(movie, nullptr, nullptr);
}

void Walk(Movie movie) {
  long tracks = GetMovieTrackCount(movie);
  long samples = 0;
  for (long i = 1; i <= tracks && i <= 8; ++i) {
    Track track = GetMovieIndTrack(movie, i);
    Media media = GetTrackMedia(track);
    if (media != nullptr) {
      WalkMedia(media);
      samples += GetMediaSampleCount(media);
    }
    TimeValue next = 0, duration = 0;
    GetTrackNextInterestingTime(track, nextTimeEdgeOK | nextTimeMediaSample, 0, 0x10000, &next,
                                &duration);
  }
  TimeValue next = 0, duration = 0;
  GetMovieNextInterestingTime(movie, nextTimeStep, 0, nullptr, 0, 0x10000, &next, &duration);
  DrawMiddleFrame(movie);
  if (tracks > 8 || samples > kMostSamplesToPaste) return;
  SetMovieSelection(movie, 0, GetMovieDuration(movie));
  Movie copy = CopyMovieSelection(movie);
  if (copy != nullptr) {
    SetMovieSelection(movie, GetMovieDuration(movie) / 2, 0);
    PasteMovieSelection(movie, copy);
    DisposeMovie(copy);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::StartEngine();
  static const std::string input = fuzz::ScratchPath("input.mov");
  static const std::string flat = fuzz::ScratchPath("flat.mov");
  if (!fuzz::WriteFile(input, data, size)) return 0;
  FSSpec spec = fuzz::SpecOf(input);
  short ref = 0;
  if (OpenMovieFile(&spec, &ref, fsRdPerm) != noErr) return 0;
  Movie movie = nullptr;
  NewMovieFromFile(&movie, ref, nullptr, nullptr, 0, nullptr);
  if (movie != nullptr) {
    Walk(movie);
    FSSpec flatSpec = fuzz::SpecOf(flat);
    FlattenMovie(movie, flattenAddMovieToDataFork, &flatSpec, 'TVOD', smSystemScript,
                 createMovieFileDeleteCurFile, nullptr, nullptr);
    DisposeMovie(movie);
  }
  CloseMovieFile(ref);
  return 0;
}
