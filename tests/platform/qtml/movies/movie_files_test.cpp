// Movie files: reading what ffmpeg writes, writing what ffprobe reads,
// updating files in place, flattening, reference movies, handles and data
// references, and damaged files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "FixMath.h"
#include "Movies.h"
#include "QDOffscreen.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "QuickTimeComponents.h"
#include "qtff/qtff_read.h"
#include "scratch_dir_test.h"

namespace {

namespace fs = std::filesystem;

bool Shell(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

bool HaveFfmpeg() {
  return Shell("command -v ffmpeg >/dev/null 2>&1 && command -v ffprobe >/dev/null 2>&1");
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// One stream as ffprobe reports it.
struct Stream {
  std::string type;
  long width = 0, height = 0, frames = 0, durationTs = 0, timeScale = 0;
};

// The streams of a file per ffprobe; empty when ffprobe refuses it.
std::vector<Stream> Probe(const std::string& path) {
  std::string out = path + ".probe";
  std::string command =
      "ffprobe -v error -show_entries "
      "stream=codec_type,width,height,nb_frames,duration_ts,time_base "
      "-of default=nw=1 '" +
      path + "' > '" + out + "' 2>/dev/null";
  std::vector<Stream> streams;
  if (!Shell(command)) return streams;
  std::ifstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "codec_type") streams.push_back({value});
    if (streams.empty()) continue;
    Stream& s = streams.back();
    long number = std::atol(value.c_str());
    if (key == "width") s.width = number;
    if (key == "height") s.height = number;
    if (key == "nb_frames") s.frames = number;
    if (key == "duration_ts") s.durationTs = number;
    if (key == "time_base") s.timeScale = std::atol(value.substr(value.find('/') + 1).c_str());
  }
  return streams;
}

// The bytes of a media's samples from its start, read `perRead` samples
// at a time (sound comes in runs of frames).
std::vector<std::string> SampleBytes(Media media, long perRead = 1) {
  std::vector<std::string> samples;
  Handle data = NewHandle(0);
  TimeValue end = GetMediaDuration(media);
  for (TimeValue t = 0; t < end;) {
    long size = 0, count = 0;
    TimeValue start = 0, duration = 0;
    if (GetMediaSample(media, data, 0, &size, t, &start, &duration, nullptr, nullptr, perRead,
                       &count, nullptr) != noErr ||
        duration * count <= 0) {
      samples.push_back("unreadable");
      break;
    }
    samples.emplace_back(*data, static_cast<size_t>(size));
    t = start + duration * count;
  }
  DisposeHandle(data);
  return samples;
}

// A sound description of the format naming the media's first data
// reference (owned by the caller).
SampleDescriptionHandle SoundDescription(OSType format) {
  Handle h = NewHandleClear(sizeof(SampleDescription));
  auto desc = reinterpret_cast<SampleDescriptionHandle>(h);
  (**desc).descSize = sizeof(SampleDescription);
  (**desc).dataFormat = format;
  (**desc).dataRefIndex = 1;
  return desc;
}

size_t Occurrences(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& pattern) {
  size_t count = 0;
  for (auto at = bytes.begin();
       (at = std::search(at, bytes.end(), pattern.begin(), pattern.end())) != bytes.end(); ++at) {
    ++count;
  }
  return count;
}

bool FfprobeAccepts(const std::string& path) {
  return Shell("ffprobe -v error -show_streams -show_format '" + path +
               "' >/dev/null 2>&1 && ffmpeg -v error -xerror -i '" + path +
               "' -f null - >/dev/null 2>&1");
}

class MovieFiles : public ScratchDirTest {
 protected:
  MovieFiles() : ScratchDirTest("qtml-movie-files-") {}
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ScratchDirTest::SetUp();
  }
  void TearDown() override {
    QTMLTest_ClearFaults();
    for (Movie m : movies_) DisposeMovie(m);
    for (short ref : files_) CloseMovieFile(ref);
    ScratchDirTest::TearDown();
  }

  FSSpec Spec(const std::string& path) {
    FSSpec spec;
    std::string copy = path;
    OSErr err = NativePathNameToFSSpec(copy.data(), &spec, 0);
    EXPECT_TRUE(err == noErr || err == fnfErr) << err;  // new files are named too
    return spec;
  }
  Movie Keep(Movie m) {
    if (m != nullptr) movies_.push_back(m);
    return m;
  }
  void Forget(Movie m) {
    movies_.erase(std::remove(movies_.begin(), movies_.end(), m), movies_.end());
    DisposeMovie(m);
  }

  // Makes a file with ffmpeg; false (the test skips) when it cannot.
  bool Make(const std::string& name, const std::string& arguments) {
    return Shell("ffmpeg -v error -y " + arguments + " '" + Path(name) + "' </dev/null");
  }
  bool MakeClip() {
    return Make("clip.mov",
                "-f lavfi -i testsrc=size=320x240:rate=30 -f lavfi -i sine -t 2 "
                "-c:v mjpeg -c:a pcm_s16be");
  }

  // Opens a file's movie; the movie and the file are closed after the test.
  Movie Open(const std::string& path, OSErr expected = noErr, SInt8 permission = fsRdPerm,
             short* refOut = nullptr) {
    FSSpec spec = Spec(path);
    short ref = 0;
    EXPECT_EQ(OpenMovieFile(&spec, &ref, permission), noErr);
    files_.push_back(ref);
    if (refOut != nullptr) *refOut = ref;
    Movie movie = nullptr;
    short resId = 0;
    EXPECT_EQ(NewMovieFromFile(&movie, ref, &resId, nullptr, newMovieActive, nullptr), expected);
    if (movie != nullptr) {
      EXPECT_EQ(resId, movieInDataForkResID);
    }
    return Keep(movie);
  }

  // The movie's tracks checked against what ffprobe reports of the file.
  void ExpectMatchesProbe(Movie movie, const std::string& path) {
    std::vector<Stream> streams = Probe(path);
    ASSERT_EQ(GetMovieTrackCount(movie), static_cast<long>(streams.size()));
    for (size_t i = 0; i < streams.size(); ++i) {
      SCOPED_TRACE("stream " + std::to_string(i));
      Track track = GetMovieIndTrack(movie, static_cast<long>(i + 1));
      Media media = GetTrackMedia(track);
      OSType type = 0;
      GetMediaHandlerDescription(media, &type, nullptr, nullptr);
      EXPECT_EQ(type, streams[i].type == "video" ? VideoMediaType : SoundMediaType);
      EXPECT_EQ(GetMediaTimeScale(media), streams[i].timeScale);
      if (streams[i].type == "video") {
        EXPECT_EQ(GetMediaSampleCount(media), streams[i].frames);
        Fixed width = 0, height = 0;
        GetTrackDimensions(track, &width, &height);
        EXPECT_EQ(width >> 16, streams[i].width);
        EXPECT_EQ(height >> 16, streams[i].height);
      }
      // ffprobe's duration is the media's less what the edit list skips.
      EXPECT_GE(GetMediaDuration(media), streams[i].durationTs);
    }
  }

  std::string Summary(const std::string& path, bool rewrite) {
    std::string text;
    EXPECT_EQ(qtml::SummarizeMovieFile(path, rewrite, &text), noErr);
    return text;
  }

  std::vector<Movie> movies_;
  std::vector<short> files_;
};

#define REQUIRE_FFMPEG()                       \
  if (!HaveFfmpeg()) {                         \
    GTEST_SKIP() << "ffmpeg is not installed"; \
  }

TEST_F(MovieFiles, ReadsWhatFfmpegWrites) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(MakeClip());
  Movie movie = Open(Path("clip.mov"));
  ASSERT_NE(movie, nullptr);
  ExpectMatchesProbe(movie, Path("clip.mov"));
  // Uncompressed sound counts one sample per frame of two bytes.
  Media sound = GetTrackMedia(GetMovieIndTrackType(movie, 1, SoundMediaType, movieTrackMediaType));
  EXPECT_EQ(GetMediaSampleCount(sound), 88200);
  EXPECT_EQ(GetMediaDataSize(sound, 0, GetMediaDuration(sound)), 176400);
  EXPECT_EQ(GetMovieDuration(movie), 2 * GetMovieTimeScale(movie));
}

TEST_F(MovieFiles, ReadsMpeg4WithCompositionOffsetsAndEditLists) {
  REQUIRE_FFMPEG();
  std::string codec = Shell("ffmpeg -hide_banner -encoders 2>/dev/null | grep -q libx264")
                          ? "libx264 -bf 2"
                          : "mpeg4 -bf 2";
  ASSERT_TRUE(Make("clip.mp4",
                   "-f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i sine -t 2 "
                   "-c:v " +
                       codec + " -c:a aac"));
  ASSERT_TRUE(Make("cut.mov", "-ss 0.5 -i '" + Path("clip.mp4") + "' -t 1 -c copy"));
  for (const char* name : {"clip.mp4", "cut.mov"}) {
    SCOPED_TRACE(name);
    Movie movie = Open(Path(name));
    ASSERT_NE(movie, nullptr);
    ExpectMatchesProbe(movie, Path(name));
    EXPECT_EQ(Summary(Path(name), false), Summary(Path(name), true));
  }
  // The cut starts its media inside the source's samples.
  std::string cut = Summary(Path("cut.mov"), false);
  EXPECT_EQ(cut.find(" edits (0,"), std::string::npos) << cut;
}

TEST_F(MovieFiles, ReorderedFramesAreDrawnAsShownWhateverTheOrderOfSeeks) {
  REQUIRE_FFMPEG();
  std::string codec = Shell("ffmpeg -hide_banner -encoders 2>/dev/null | grep -q libx264")
                          ? "libx264 -bf 2 -g 12"
                          : "mpeg4 -bf 2 -g 12";
  // Twelve frames at 10 a second, frame i a grey of luma 16 + 16 i.
  ASSERT_TRUE(Make("greys.mp4",
                   "-f lavfi -i color=c=black:s=32x32:r=10:d=1.2,geq=lum='16+16*N':cb=128:cr=128 "
                   "-c:v " +
                       codec + " -pix_fmt yuv420p"));
  Movie movie = Open(Path("greys.mp4"));
  ASSERT_NE(movie, nullptr);
  GWorldPtr world = nullptr;
  Rect bounds{0, 0, 32, 32};
  ASSERT_EQ(NewGWorld(&world, 32, &bounds, nullptr, nullptr, 0), noErr);
  SetMovieGWorld(movie, world, nullptr);
  TimeScale scale = GetMovieTimeScale(movie);
  auto greyAt = [&](int frame) {
    SetMovieTimeValue(movie, static_cast<TimeValue>((frame * 2 + 1) * scale / 20));
    MoviesTask(movie, 0);
    EXPECT_EQ(GetMoviesError(), noErr) << frame;
    auto* p = reinterpret_cast<const uint8_t*>(GetPixBaseAddr(GetGWorldPixMap(world))) +
              16 * GetPixRowBytes(GetGWorldPixMap(world)) + 16 * 4;
    return static_cast<int>(p[2]);
  };
  for (int frame : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 5, 2, 9, 11, 0, 7}) {
    EXPECT_NEAR(greyAt(frame), 16 * frame * 255 / 219, 10) << "frame " << frame;
  }
  SetMovieGWorld(movie, nullptr, nullptr);
  DisposeGWorld(world);
}

TEST_F(MovieFiles, RoundTripKeepsFieldsUserDataAndUnknownAtoms) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(MakeClip());
  // Appends atoms ffmpeg does not write to the movie atom at the file's
  // end: user data with a terminator, and an atom nobody knows.
  std::vector<uint8_t> bytes = ReadBytes(Path("clip.mov"));
  size_t moov = 0;
  while (moov + 8 <= bytes.size()) {
    uint32_t size =
        bytes[moov] << 24 | bytes[moov + 1] << 16 | bytes[moov + 2] << 8 | bytes[moov + 3];
    if (std::memcmp(&bytes[moov + 4], "moov", 4) == 0) break;
    moov += size;
  }
  ASSERT_LT(moov, bytes.size());
  const uint8_t extra[] = {0,   0,   0,   12,  'x', 't', 'r', 'a', 1, 2, 3, 4,
                           0,   0,   0,   24,  'u', 'd', 't', 'a', 0, 0, 0, 12,
                           'n', 'a', 'm', 'e', 'a', 'b', 'c', 'd', 0, 0, 0, 0};
  bytes.insert(bytes.end(), extra, extra + sizeof extra);
  uint32_t size = static_cast<uint32_t>(bytes.size() - moov);
  for (int i = 0; i < 4; ++i) bytes[moov + i] = static_cast<uint8_t>(size >> (24 - 8 * i));
  WriteBytes(Path("extra.mov"), bytes);

  std::string before = Summary(Path("extra.mov"), false);
  EXPECT_NE(before.find("kept xtra"), std::string::npos) << before;
  EXPECT_NE(before.find("udta name 4"), std::string::npos) << before;
  EXPECT_EQ(before, Summary(Path("extra.mov"), true));
}

TEST_F(MovieFiles, UpdatedFilesOpenInFfprobeWithTheSameStreams) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(MakeClip());
  fs::copy_file(Path("clip.mov"), Path("copy.mov"));
  short ref = 0;
  Movie movie = Open(Path("copy.mov"), noErr, fsRdWrPerm, &ref);
  ASSERT_NE(movie, nullptr);
  SetMoviePosterTime(movie, 300);
  EXPECT_EQ(UpdateMovieResource(movie, ref, movieInDataForkResID, nullptr), noErr);
  EXPECT_FALSE(HasMovieChanged(movie));
  EXPECT_TRUE(FfprobeAccepts(Path("copy.mov")));
  std::vector<Stream> before = Probe(Path("clip.mov")), after = Probe(Path("copy.mov"));
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(before[i].type, after[i].type);
    EXPECT_EQ(before[i].durationTs, after[i].durationTs);
    EXPECT_EQ(before[i].frames, after[i].frames);
  }
  Movie again = Open(Path("copy.mov"));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(GetMoviePosterTime(again), 300);
  // Written twice, the file still holds one movie.
  EXPECT_EQ(UpdateMovieResource(movie, ref, movieInDataForkResID, nullptr), noErr);
  EXPECT_TRUE(FfprobeAccepts(Path("copy.mov")));
  EXPECT_EQ(RemoveMovieResource(ref, movieInDataForkResID), noErr);
  Movie none = nullptr;
  short ref2 = 0;
  FSSpec spec = Spec(Path("copy.mov"));
  ASSERT_EQ(OpenMovieFile(&spec, &ref2, fsRdPerm), noErr);
  files_.push_back(ref2);
  EXPECT_EQ(NewMovieFromFile(&none, ref2, nullptr, nullptr, 0, nullptr), noMovieFound);
  EXPECT_EQ(none, nullptr);
}

TEST_F(MovieFiles, UpdateNeverDamagesAReadOnlyOrVanishedFile) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(MakeClip());
  std::vector<uint8_t> original = ReadBytes(Path("clip.mov"));
  short ref = 0;
  Movie movie = Open(Path("clip.mov"), noErr, fsRdPerm, &ref);
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(UpdateMovieResource(movie, ref, movieInDataForkResID, nullptr), wrPermErr);
  EXPECT_EQ(GetMoviesError(), wrPermErr);
  EXPECT_EQ(ReadBytes(Path("clip.mov")), original);

  fs::copy_file(Path("clip.mov"), Path("gone.mov"));
  short goneRef = 0;
  Movie gone = Open(Path("gone.mov"), noErr, fsRdWrPerm, &goneRef);
  fs::remove(Path("gone.mov"));
  EXPECT_EQ(UpdateMovieResource(gone, goneRef, movieInDataForkResID, nullptr), fnfErr);
  EXPECT_FALSE(fs::exists(Path("gone.mov")));
  EXPECT_EQ(UpdateMovieResource(movie, 999, movieInDataForkResID, nullptr), rfNumErr);
}

TEST_F(MovieFiles, FlattenedMoviesAreSelfContained) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(MakeClip());
  fs::copy_file(Path("clip.mov"), Path("source.mov"));
  Movie movie = Open(Path("source.mov"));
  ASSERT_NE(movie, nullptr);
  std::vector<uint8_t> source = ReadBytes(Path("source.mov"));
  const long kSaveFlags = flattenAddMovieToDataFork | flattenDontInterleaveFlatten |
                          flattenForceMovieResourceBeforeMovieData;
  const long kCreate = createMovieFileDeleteCurFile | createMovieFileDontCreateResFile;
  struct Case {
    const char* name;
    long flags;
  } cases[] = {{"first.mov", kSaveFlags},
               {"last.mov", flattenAddMovieToDataFork},
               {"interleaved.mov", flattenForceMovieResourceBeforeMovieData}};
  for (const Case& c : cases) {
    FSSpec spec = Spec(Path(c.name));
    FlattenMovie(movie, c.flags, &spec, 'TVOD', smSystemScript, kCreate, nullptr, nullptr);
    EXPECT_EQ(GetMoviesError(), noErr) << c.name;
  }
  EXPECT_EQ(ReadBytes(Path("source.mov")), source);  // never touched
  // The movie atom comes before the data when asked.
  std::vector<uint8_t> first = ReadBytes(Path("first.mov"));
  ASSERT_GT(first.size(), 40u);
  EXPECT_EQ(std::memcmp(&first[first[3] + 4], "moov", 4), 0);
  Forget(movie);
  fs::remove(Path("source.mov"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(FfprobeAccepts(Path(c.name)));
    Movie flat = Open(Path(c.name));
    ASSERT_NE(flat, nullptr);
    ExpectMatchesProbe(flat, Path(c.name));
    EXPECT_EQ(Summary(Path(c.name), false), Summary(Path(c.name), true));
  }
  // Without createMovieFileDeleteCurFile an existing file stays.
  FSSpec existing = Spec(Path("first.mov"));
  Movie flat = Open(Path("first.mov"));
  FlattenMovie(flat, 0, &existing, 'TVOD', smSystemScript, 0, nullptr, nullptr);
  EXPECT_EQ(GetMoviesError(), dupFNErr);
  EXPECT_EQ(ReadBytes(Path("first.mov")), first);
}

// The bytes of the sample a track shows at movie time t.
std::vector<uint8_t> SampleShownAt(Track track, TimeValue t) {
  Media media = GetTrackMedia(track);
  Handle data = NewHandle(0);
  long size = 0;
  OSErr err = GetMediaSample(media, data, 0, &size, TrackTimeToMediaTime(t, track), nullptr,
                             nullptr, nullptr, nullptr, 1, nullptr, nullptr);
  std::vector<uint8_t> bytes;
  if (err == noErr) bytes.assign(*data, *data + size);
  DisposeHandle(data);
  return bytes;
}

TEST_F(MovieFiles, FlatteningKeepsOnlyTheSamplesTheEditsShow) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(MakeClip());
  Movie movie = Open(Path("clip.mov"));
  ASSERT_NE(movie, nullptr);
  // Keep [500, 1000) and [1500, 2000) of the two seconds.
  SetMovieSelection(movie, 0, 500);
  DisposeMovie(CutMovieSelection(movie));
  SetMovieSelection(movie, 500, 500);
  DisposeMovie(CutMovieSelection(movie));
  ASSERT_EQ(GetMovieDuration(movie), 1000);
  FSSpec spec = Spec(Path("flat.mov"));
  FlattenMovie(movie, flattenAddMovieToDataFork, &spec, 'TVOD', smSystemScript,
               createMovieFileDeleteCurFile, nullptr, nullptr);
  ASSERT_EQ(GetMoviesError(), noErr);
  EXPECT_LT(fs::file_size(Path("flat.mov")), fs::file_size(Path("clip.mov")) * 6 / 10);
  EXPECT_TRUE(FfprobeAccepts(Path("flat.mov")));
  Movie flat = Open(Path("flat.mov"));
  ASSERT_NE(flat, nullptr);
  EXPECT_EQ(GetMovieDuration(flat), 1000);
  Track video = GetMovieIndTrack(flat, 1);
  EXPECT_EQ(GetMediaSampleCount(GetTrackMedia(video)), 30);
  EXPECT_EQ(GetMediaSampleCount(GetTrackMedia(GetMovieIndTrack(flat, 2))), 44100);
  for (TimeValue t : {0, 250, 499, 500, 999}) {
    SCOPED_TRACE(t);
    std::vector<uint8_t> shown = SampleShownAt(video, t);
    EXPECT_FALSE(shown.empty());
    EXPECT_EQ(shown, SampleShownAt(GetMovieIndTrack(movie, 1), t));
  }
}

// How many frames of the file's first stream ffmpeg decodes and shows.
long DecodedFrames(const std::string& path) {
  std::string out = path + ".frames";
  Shell(
      "ffprobe -v error -count_frames -select_streams 0 -show_entries stream=nb_read_frames "
      "-of csv=p=0 '" +
      path + "' >'" + out + "' 2>/dev/null");
  std::ifstream in(out);
  long frames = -1;
  in >> frames;
  return frames;
}

// How many frames the movie shows, stepping from its start.
long FramesShown(Movie movie) {
  long count = -1;
  short flags = nextTimeStep | nextTimeEdgeOK;
  for (TimeValue t = 0; t >= 0; flags = nextTimeStep) {
    ++count;
    GetMovieNextInterestingTime(movie, flags, 0, nullptr, t, 0x10000, &t, nullptr);
  }
  return count;
}

TEST_F(MovieFiles, CutsBetweenKeyFramesStillDecodeOnceSaved) {
  REQUIRE_FFMPEG();
  if (!Make("clip.mp4", "-f lavfi -i testsrc=size=160x120:rate=25 -t 2 -c:v libx264 -g 10 -bf 2")) {
    GTEST_SKIP() << "ffmpeg cannot encode H.264 here";
  }
  Movie movie = Open(Path("clip.mp4"));
  ASSERT_NE(movie, nullptr);
  TimeScale scale = GetMovieTimeScale(movie);
  // Cut from the middle of one group of pictures into the middle of another.
  SetMovieSelection(movie, scale * 3 / 10, scale * 46 / 100);
  DisposeMovie(CutMovieSelection(movie));
  FSSpec flat = Spec(Path("flat.mov"));
  FlattenMovie(movie, flattenAddMovieToDataFork, &flat, 'TVOD', smSystemScript,
               createMovieFileDeleteCurFile, nullptr, nullptr);
  ASSERT_EQ(GetMoviesError(), noErr);
  // ffmpeg shows a frame cut through by an edit; the toolbox steps by
  // whole frames: each edge may count one frame apart.
  EXPECT_NEAR(DecodedFrames(Path("flat.mov")), FramesShown(movie), 2);
  // A piece copied into a movie of its own, then saved.
  SetMovieSelection(movie, scale / 2, scale / 2);
  Movie piece = Keep(CopyMovieSelection(movie));
  ASSERT_NE(piece, nullptr);
  FSSpec pieceFile = Spec(Path("piece.mov"));
  FlattenMovie(piece, flattenAddMovieToDataFork, &pieceFile, 'TVOD', smSystemScript,
               createMovieFileDeleteCurFile, nullptr, nullptr);
  ASSERT_EQ(GetMoviesError(), noErr);
  EXPECT_EQ(DecodedFrames(Path("piece.mov")), FramesShown(piece));
  EXPECT_LT(fs::file_size(Path("piece.mov")), fs::file_size(Path("clip.mp4")) / 2);
}

TEST_F(MovieFiles, FlattenMovieDataAnswersTheNewFilesMovieAndFailuresLeaveNoFile) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(MakeClip());
  Movie movie = Open(Path("clip.mov"));
  ASSERT_NE(movie, nullptr);
  FSSpec spec = Spec(Path("data.mov"));
  Movie copy = Keep(FlattenMovieData(movie, flattenAddMovieToDataFork, &spec, 'TVOD',
                                     smSystemScript, createMovieFileDeleteCurFile));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(GetMovieDuration(copy), GetMovieDuration(movie));
  EXPECT_EQ(GetMovieTrackCount(copy), 2);

  // Data that cannot be read: the new file is not left behind.
  std::vector<uint8_t> bytes = ReadBytes(Path("clip.mov"));
  fs::copy_file(Path("clip.mov"), Path("short.mov"));
  Movie shortMovie = Open(Path("short.mov"));
  ASSERT_NE(shortMovie, nullptr);
  fs::resize_file(Path("short.mov"), 1000);
  FSSpec broken = Spec(Path("broken.mov"));
  FlattenMovie(shortMovie, 0, &broken, 'TVOD', smSystemScript, createMovieFileDeleteCurFile,
               nullptr, nullptr);
  EXPECT_NE(GetMoviesError(), noErr);
  EXPECT_FALSE(fs::exists(Path("broken.mov")));
  for (const auto& entry : fs::directory_iterator(dir_)) {
    EXPECT_EQ(entry.path().filename().string().find(".flatten-"), std::string::npos);
  }
}

TEST_F(MovieFiles, ReferenceMoviesAreSmallAndReadTheirSource) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(MakeClip());
  Movie movie = Open(Path("clip.mov"));
  ASSERT_NE(movie, nullptr);
  FSSpec spec = Spec(Path("ref.mov"));
  short ref = 0;
  ASSERT_EQ(
      CreateMovieFile(&spec, 'TVOD', smSystemScript,
                      createMovieFileDeleteCurFile | createMovieFileDontCreateMovie, &ref, nullptr),
      noErr);
  EXPECT_EQ(UpdateMovieResource(movie, ref, movieInDataForkResID, nullptr), noErr);
  EXPECT_EQ(CloseMovieFile(ref), noErr);
  EXPECT_LT(fs::file_size(Path("ref.mov")), 8000u);
  std::string summary = Summary(Path("ref.mov"), false);
  EXPECT_NE(summary.find("dref alis flags 0 path '" + Path("clip.mov") + "' open"),
            std::string::npos)
      << summary;
  Movie reference = Open(Path("ref.mov"));
  ASSERT_NE(reference, nullptr);
  ExpectMatchesProbe(reference, Path("clip.mov"));
  // Its samples are the source's.
  Media media = GetTrackMedia(GetMovieIndTrack(reference, 1));
  Handle sample = NewHandle(0);
  long size = 0;
  ASSERT_EQ(GetMediaSample(media, sample, 0, &size, 0, nullptr, nullptr, nullptr, nullptr, 1,
                           nullptr, nullptr),
            noErr);
  ASSERT_GT(size, 2);
  EXPECT_EQ(static_cast<uint8_t>((*sample)[0]), 0xFF);  // a JPEG's start
  EXPECT_EQ(static_cast<uint8_t>((*sample)[1]), 0xD8);
  DisposeHandle(sample);

  // Without its source it still opens, saying so.
  fs::remove(Path("clip.mov"));
  Movie orphan = Open(Path("ref.mov"), couldNotResolveDataRef);
  EXPECT_NE(orphan, nullptr);
  EXPECT_EQ(GetMovieTrackCount(orphan), 2);
}

TEST_F(MovieFiles, NewFilesTakeTheSamplesOfNewMedia) {
  FSSpec spec = Spec(Path("new.mov"));
  short ref = 0;
  Movie movie = nullptr;
  ASSERT_EQ(CreateMovieFile(&spec, 'TVOD', smCurrentScript,
                            long{createMovieFileDeleteCurFile} | newMovieActive, &ref, &movie),
            noErr);
  files_.push_back(ref);
  Keep(movie);
  EXPECT_TRUE(GetMovieActive(movie));
  Handle dataRef = nullptr;
  OSType type = 0;
  ASSERT_EQ(GetMovieDefaultDataRef(movie, &dataRef, &type), noErr);
  EXPECT_EQ(type, rAliasType);
  DisposeHandle(dataRef);

  Track track = NewMovieTrack(movie, 0, 0, 0x0100);
  Media media = NewTrackMedia(track, SoundMediaType, 8000, nullptr, 0);
  ASSERT_NE(media, nullptr);
  Handle desc = NewHandleClear(sizeof(SampleDescription));
  (**reinterpret_cast<SampleDescriptionHandle>(desc)).descSize = sizeof(SampleDescription);
  (**reinterpret_cast<SampleDescriptionHandle>(desc)).dataFormat = 'abcd';
  (**reinterpret_cast<SampleDescriptionHandle>(desc)).dataRefIndex = 1;
  Handle data = NewHandle(100);
  std::memset(*data, 0x5A, 100);
  ASSERT_EQ(BeginMediaEdits(media), noErr);
  ASSERT_EQ(AddMediaSample(media, data, 0, 100, 10, reinterpret_cast<SampleDescriptionHandle>(desc),
                           10, 0, nullptr),
            noErr);
  ASSERT_EQ(EndMediaEdits(media), noErr);
  ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1), noErr);
  DisposeHandle(data);
  DisposeHandle(desc);
  EXPECT_EQ(UpdateMovieResource(movie, ref, movieInDataForkResID, nullptr), noErr);

  std::string summary = Summary(Path("new.mov"), false);
  EXPECT_NE(summary.find("dref alis flags 1"), std::string::npos) << summary;
  std::vector<uint8_t> bytes = ReadBytes(Path("new.mov"));
  std::vector<uint8_t> added(100, 0x5A);
  EXPECT_NE(std::search(bytes.begin(), bytes.end(), added.begin(), added.end()), bytes.end());
  Movie again = Open(Path("new.mov"));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(GetMovieDuration(again), GetMovieDuration(movie));
  if (HaveFfmpeg()) {
    EXPECT_TRUE(Shell("ffprobe -v error '" + Path("new.mov") + "' >/dev/null 2>&1"));
  }
}

TEST_F(MovieFiles, SampleBytesThatLookLikeAtomsAreNeverTakenForThem) {
  // Samples added to a new file follow its atoms; each of these starts as
  // a whole atom header would ('moov', then one the size of the rest).
  FSSpec spec = Spec(Path("lookalike.mov"));
  short ref = 0;
  Movie movie = nullptr;
  ASSERT_EQ(CreateMovieFile(&spec, 'TVOD', smCurrentScript, long{createMovieFileDeleteCurFile},
                            &ref, &movie),
            noErr);
  files_.push_back(ref);
  Keep(movie);
  Track track = NewMovieTrack(movie, 0, 0, 0x0100);
  Media media = NewTrackMedia(track, SoundMediaType, 8000, nullptr, 0);
  Handle desc = NewHandleClear(sizeof(SampleDescription));
  (**reinterpret_cast<SampleDescriptionHandle>(desc)).descSize = sizeof(SampleDescription);
  (**reinterpret_cast<SampleDescriptionHandle>(desc)).dataFormat = 'abcd';
  (**reinterpret_cast<SampleDescriptionHandle>(desc)).dataRefIndex = 1;
  const uint8_t sample[24] = {0,   0,   0,   24,  'm', 'o', 'o', 'v', 0, 0, 0, 16,
                              'f', 'r', 'e', 'e', 1,   2,   3,   4,   5, 6, 7, 8};
  Handle data = NewHandle(sizeof sample);
  std::memcpy(*data, sample, sizeof sample);
  ASSERT_EQ(BeginMediaEdits(media), noErr);
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(AddMediaSample(media, data, 0, sizeof sample, 10,
                             reinterpret_cast<SampleDescriptionHandle>(desc), 1, 0, nullptr),
              noErr);
  }
  ASSERT_EQ(EndMediaEdits(media), noErr);
  ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1), noErr);
  DisposeHandle(desc);
  ASSERT_EQ(AddMovieResource(movie, ref, nullptr, nullptr), noErr);
  // Saved twice: the second save must not take the first one's samples
  // for atoms either.
  ASSERT_EQ(UpdateMovieResource(movie, ref, movieInDataForkResID, nullptr), noErr);

  Movie again = Open(Path("lookalike.mov"));
  ASSERT_NE(again, nullptr);
  Media read = GetTrackMedia(GetMovieIndTrack(again, 1));
  for (TimeValue t : {0, 10}) {
    long size = 0;
    ASSERT_EQ(GetMediaSample(read, data, 0, &size, t, nullptr, nullptr, nullptr, nullptr, 1,
                             nullptr, nullptr),
              noErr);
    ASSERT_EQ(size, 24);
    EXPECT_EQ(std::memcmp(*data, sample, sizeof sample), 0) << "sample at " << t;
  }
  DisposeHandle(data);
}

TEST_F(MovieFiles, TimeCodeTracksKeepTheirDisplaySettings) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(Make("tc.mov",
                   "-f lavfi -i testsrc=size=64x48:rate=25 -t 1 -c:v mjpeg "
                   "-timecode 01:00:00:00"));
  std::string summary = Summary(Path("tc.mov"), false);
  EXPECT_NE(summary.find("tcmi font 0 'Lucida Grande' face 0 size 12 colors 0,0,0 on "
                         "65535,65535,65535"),
            std::string::npos)
      << summary;
  EXPECT_EQ(summary, Summary(Path("tc.mov"), true));

  fs::copy_file(Path("tc.mov"), Path("edited.mov"));
  short ref = 0;
  Movie movie = Open(Path("edited.mov"), noErr, fsRdWrPerm, &ref);
  ASSERT_NE(movie, nullptr);
  Track track = GetMovieIndTrackType(movie, 1, TimeCodeMediaType, movieTrackMediaType);
  ASSERT_NE(track, nullptr);
  MediaHandler handler = GetMediaHandler(GetTrackMedia(track));
  TCTextOptions options{};
  ASSERT_EQ(TCGetDisplayOptions(handler, &options), noErr);
  EXPECT_EQ(options.txSize, 12);
  options.txSize = 18;
  options.foreColor = {0xFFFF, 0, 0};
  ASSERT_EQ(TCSetDisplayOptions(handler, &options), noErr);
  ASSERT_EQ(TCSetTimeCodeFlags(handler, tcdfShowTimeCode, tcdfShowTimeCode), noErr);
  ASSERT_EQ(UpdateMovieResource(movie, ref, movieInDataForkResID, nullptr), noErr);
  EXPECT_TRUE(FfprobeAccepts(Path("edited.mov")));
  EXPECT_TRUE(Shell("ffprobe -v error -show_entries stream_tags=timecode -of csv=p=0 '" +
                    Path("edited.mov") + "' | grep -q '^01:00:00:00'"));
  std::string edited = Summary(Path("edited.mov"), false);
  EXPECT_NE(edited.find("tc 1\n tcmi font 0 'Lucida Grande' face 0 size 18 colors 65535,0,0"),
            std::string::npos)
      << edited;

  // Another font drops the name the file gave for the old one.
  options.txFont = 4;
  ASSERT_EQ(TCSetDisplayOptions(handler, &options), noErr);
  ASSERT_EQ(UpdateMovieResource(movie, ref, movieInDataForkResID, nullptr), noErr);
  edited = Summary(Path("edited.mov"), false);
  EXPECT_NE(edited.find("tcmi font 4 '' face 0 size 18"), std::string::npos) << edited;
}

TEST_F(MovieFiles, ReferenceSavesCopyTheSamplesOfMediaInMemory) {
  Movie movie = Keep(NewMovie(newMovieActive));
  SampleDescriptionHandle desc = SoundDescription('abcd');
  // Samples of the movie's own memory (its default data reference).
  Track inHandle = NewMovieTrack(movie, 0, 0, 0x0100);
  Media handleMedia = NewTrackMedia(inHandle, SoundMediaType, 1000, nullptr, 0);
  ASSERT_NE(handleMedia, nullptr);
  ASSERT_EQ(BeginMediaEdits(handleMedia), noErr);
  for (int value : {0x11, 0x22, 0x33}) {
    Handle data = NewHandle(100);
    std::memset(*data, value, 100);
    ASSERT_EQ(AddMediaSample(handleMedia, data, 0, 100, 10, desc, 1, 0, nullptr), noErr);
    DisposeHandle(data);
  }
  ASSERT_EQ(EndMediaEdits(handleMedia), noErr);
  // Samples in a block of the caller's memory, two of them the same bytes.
  std::vector<uint8_t> block(128, 0xC3);
  std::fill(block.begin() + 64, block.end(), 0xD4);
  PointerDataRefRecord record{block.data(), static_cast<Size>(block.size())};
  Handle pointerRef = NewHandle(sizeof record);
  std::memcpy(*pointerRef, &record, sizeof record);
  Track inBlock = NewMovieTrack(movie, 0, 0, 0x0100);
  Media blockMedia =
      NewTrackMedia(inBlock, SoundMediaType, 1000, pointerRef, PointerDataHandlerSubType);
  ASSERT_NE(blockMedia, nullptr);
  for (long offset : {0, 64, 0}) {
    ASSERT_EQ(AddMediaSampleReference(blockMedia, offset, 64, 10, desc, 1, 0, nullptr), noErr);
  }
  // Samples of a file stay there.
  std::vector<uint8_t> fileBytes(50, 0xE5);
  WriteBytes(Path("source.bin"), fileBytes);
  FSSpec sourceSpec = Spec(Path("source.bin"));
  Handle aliasRef = nullptr;
  OSType aliasType = 0;
  ASSERT_EQ(QTNewDataReferenceFromFSSpec(&sourceSpec, 0, &aliasRef, &aliasType), noErr);
  Track inFile = NewMovieTrack(movie, 0, 0, 0x0100);
  Media fileMedia = NewTrackMedia(inFile, SoundMediaType, 1000, aliasRef, aliasType);
  ASSERT_NE(fileMedia, nullptr);
  ASSERT_EQ(AddMediaSampleReference(fileMedia, 0, 50, 10, desc, 1, 0, nullptr), noErr);
  for (Track track : {inHandle, inBlock, inFile}) {
    Media media = GetTrackMedia(track);
    ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1), noErr);
  }
  std::vector<std::vector<std::string>> expected;
  for (Media media : {handleMedia, blockMedia, fileMedia}) expected.push_back(SampleBytes(media));
  ASSERT_EQ(expected[1].size(), 3u);

  FSSpec spec = Spec(Path("saved.mov"));
  short ref = 0;
  ASSERT_EQ(
      CreateMovieFile(&spec, 'TVOD', smSystemScript,
                      createMovieFileDeleteCurFile | createMovieFileDontCreateMovie, &ref, nullptr),
      noErr);
  short resId = 0;
  EXPECT_EQ(AddMovieResource(movie, ref, &resId, nullptr), noErr);
  EXPECT_EQ(CloseMovieFile(ref), noErr);
  std::fill(block.begin(), block.end(), 0);  // the block's bytes are gone

  std::string summary = Summary(Path("saved.mov"), false);
  EXPECT_EQ(summary.find("dref hndl"), std::string::npos) << summary;
  EXPECT_EQ(summary.find("dref ptr "), std::string::npos) << summary;
  EXPECT_NE(summary.find("dref alis flags 0 path '" + Path("source.bin") + "' open"),
            std::string::npos)
      << summary;
  std::vector<uint8_t> saved = ReadBytes(Path("saved.mov"));
  EXPECT_EQ(Occurrences(saved, std::vector<uint8_t>(64, 0xC3)), 1u) << "shared bytes copied once";
  EXPECT_EQ(Occurrences(saved, std::vector<uint8_t>(50, 0xE5)), 0u) << "a file's samples stay";
  Movie again = Open(Path("saved.mov"));
  ASSERT_NE(again, nullptr);
  ASSERT_EQ(GetMovieTrackCount(again), 3);
  for (long i = 0; i < 3; ++i) {
    EXPECT_EQ(SampleBytes(GetTrackMedia(GetMovieIndTrack(again, i + 1))), expected[i])
        << "track " << i + 1;
  }
  // The movie in memory still reads its memory.
  OSType type = 0;
  ASSERT_EQ(GetMediaDataRef(blockMedia, 1, nullptr, &type, nullptr), noErr);
  EXPECT_EQ(type, PointerDataHandlerSubType);
  EXPECT_EQ(SampleBytes(handleMedia), expected[0]);
  if (HaveFfmpeg()) {
    EXPECT_TRUE(Shell("ffprobe -v error '" + Path("saved.mov") + "' >/dev/null 2>&1"));
  }
  for (Handle h : {pointerRef, aliasRef, reinterpret_cast<Handle>(desc)}) DisposeHandle(h);
}

TEST_F(MovieFiles, SamplesFromMemoryJoinSamplesNewMediaAddedToTheFile) {
  FSSpec spec = Spec(Path("new.mov"));
  short ref = 0;
  Movie movie = nullptr;
  ASSERT_EQ(
      CreateMovieFile(&spec, 'TVOD', smSystemScript, createMovieFileDeleteCurFile, &ref, &movie),
      noErr);
  files_.push_back(ref);
  Keep(movie);
  Handle memory = NewHandle(0);
  Handle handleRef = NewHandle(0);
  PtrAndHand(&memory, handleRef, sizeof memory);
  SampleDescriptionHandle desc = SoundDescription('abcd');
  std::vector<Media> media;
  for (Handle dataRef : {Handle{nullptr}, handleRef}) {
    Track track = NewMovieTrack(movie, 0, 0, 0x0100);
    Media m = NewTrackMedia(track, SoundMediaType, 1000, dataRef,
                            dataRef != nullptr ? HandleDataHandlerSubType : 0);
    ASSERT_NE(m, nullptr);
    Handle data = NewHandle(40);
    std::memset(*data, dataRef != nullptr ? 0x77 : 0x66, 40);
    ASSERT_EQ(AddMediaSample(m, data, 0, 40, 10, desc, 1, 0, nullptr), noErr);
    ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, 10, fixed1), noErr);
    DisposeHandle(data);
    media.push_back(m);
  }
  EXPECT_EQ(GetHandleSize(memory), 40) << "the second media's samples are in the handle";
  // Written twice: each movie written finds every sample.
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_EQ(UpdateMovieResource(movie, ref, movieInDataForkResID, nullptr), noErr);
  }
  DisposeHandle(memory);
  std::string summary = Summary(Path("new.mov"), false);
  EXPECT_EQ(summary.find("dref hndl"), std::string::npos) << summary;
  Movie again = Open(Path("new.mov"));
  ASSERT_NE(again, nullptr);
  for (long i = 1; i <= 2; ++i) {
    std::vector<std::string> samples = SampleBytes(GetTrackMedia(GetMovieIndTrack(again, i)));
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(samples[0], std::string(40, i == 1 ? 0x66 : 0x77)) << "track " << i;
  }
  if (HaveFfmpeg()) {
    EXPECT_TRUE(Shell("ffprobe -v error '" + Path("new.mov") + "' >/dev/null 2>&1"));
  }
  DisposeHandle(handleRef);
  DisposeHandle(reinterpret_cast<Handle>(desc));
}

TEST_F(MovieFiles, MoviesInMemorySavedByReferenceOutliveTheirMemory) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(MakeClip());
  std::vector<uint8_t> bytes = ReadBytes(Path("clip.mov"));
  for (OSType kind : {HandleDataHandlerSubType, PointerDataHandlerSubType}) {
    SCOPED_TRACE(kind == HandleDataHandlerSubType ? "handle" : "pointer");
    std::vector<uint8_t> block = bytes;
    Handle fileBytes = NewHandle(static_cast<Size>(bytes.size()));
    std::memcpy(*fileBytes, bytes.data(), bytes.size());
    PointerDataRefRecord record{block.data(), static_cast<Size>(block.size())};
    Handle dataRef = NewHandle(0);
    if (kind == HandleDataHandlerSubType) {
      PtrAndHand(&fileBytes, dataRef, sizeof fileBytes);
    } else {
      PtrAndHand(&record, dataRef, sizeof record);
    }
    Movie movie = nullptr;
    ASSERT_EQ(NewMovieFromDataRef(&movie, 0, nullptr, dataRef, kind), noErr);
    Keep(movie);
    std::vector<std::vector<std::string>> expected;
    for (long i = 1; i <= GetMovieTrackCount(movie); ++i) {
      expected.push_back(SampleBytes(GetTrackMedia(GetMovieIndTrack(movie, i)), 4410));
    }

    FSSpec spec = Spec(Path("saved.mov"));
    short ref = 0;
    ASSERT_EQ(CreateMovieFile(&spec, 'TVOD', smSystemScript,
                              createMovieFileDeleteCurFile | createMovieFileDontCreateMovie, &ref,
                              nullptr),
              noErr);
    EXPECT_EQ(AddMovieResource(movie, ref, nullptr, nullptr), noErr);
    EXPECT_EQ(CloseMovieFile(ref), noErr);
    DisposeHandle(fileBytes);
    std::vector<uint8_t>().swap(block);

    EXPECT_TRUE(FfprobeAccepts(Path("saved.mov")));
    Movie again = Open(Path("saved.mov"));
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(GetMovieTrackCount(again), static_cast<long>(expected.size()));
    for (long i = 1; i <= GetMovieTrackCount(again); ++i) {
      EXPECT_EQ(SampleBytes(GetTrackMedia(GetMovieIndTrack(again, i)), 4410), expected[i - 1])
          << "track " << i;
    }
    Forget(again);
    Forget(movie);
    DisposeHandle(dataRef);
  }
}

TEST_F(MovieFiles, AReferenceSaveOfMemoryThatIsGoneWritesNothing) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(MakeClip());
  std::vector<uint8_t> bytes = ReadBytes(Path("clip.mov"));
  Handle fileBytes = NewHandle(static_cast<Size>(bytes.size()));
  std::memcpy(*fileBytes, bytes.data(), bytes.size());
  Handle dataRef = NewHandle(0);
  PtrAndHand(&fileBytes, dataRef, sizeof fileBytes);
  Movie movie = nullptr;
  ASSERT_EQ(NewMovieFromDataRef(&movie, 0, nullptr, dataRef, HandleDataHandlerSubType), noErr);
  Keep(movie);
  DisposeHandle(fileBytes);

  FSSpec spec = Spec(Path("saved.mov"));
  short ref = 0;
  ASSERT_EQ(
      CreateMovieFile(&spec, 'TVOD', smSystemScript,
                      createMovieFileDeleteCurFile | createMovieFileDontCreateMovie, &ref, nullptr),
      noErr);
  files_.push_back(ref);
  uintmax_t size = fs::file_size(Path("saved.mov"));
  EXPECT_EQ(AddMovieResource(movie, ref, nullptr, nullptr), endOfDataReached);
  EXPECT_EQ(fs::file_size(Path("saved.mov")), size);
  Movie none = nullptr;
  EXPECT_EQ(NewMovieFromFile(&none, ref, nullptr, nullptr, 0, nullptr), noMovieFound);
  DisposeHandle(dataRef);
}

TEST_F(MovieFiles, CreateMovieFileRefusesAnExistingFileUnlessToldToReplaceIt) {
  std::ofstream(Path("there.mov")) << "keep me";
  FSSpec spec = Spec(Path("there.mov"));
  short ref = 0;
  Movie movie = nullptr;
  EXPECT_EQ(CreateMovieFile(&spec, 'TVOD', smSystemScript, 0, &ref, &movie), dupFNErr);
  EXPECT_EQ(movie, nullptr);
  EXPECT_EQ(ReadBytes(Path("there.mov")).size(), 7u);
  EXPECT_EQ(CreateMovieFile(&spec, 'TVOD', smSystemScript,
                            long{createMovieFileDeleteCurFile} | createMovieFileDontOpenFile |
                                createMovieFileDontCreateMovie,
                            nullptr, nullptr),
            noErr);
  EXPECT_NE(ReadBytes(Path("there.mov")).size(), 7u);
  EXPECT_EQ(DeleteMovieFile(&spec), noErr);
  EXPECT_FALSE(fs::exists(Path("there.mov")));
  EXPECT_EQ(DeleteMovieFile(&spec), fnfErr);
  EXPECT_EQ(OpenMovieFile(&spec, &ref, fsRdPerm), fnfErr);
}

TEST_F(MovieFiles, OnlyRegularFilesAreEverReplaced) {
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  fs::create_directory(Path("folder"));
  Movie movie = Keep(NewMovie(0));
  for (const char* name : {"fifo", "folder"}) {
    FSSpec spec = Spec(Path(name));
    short ref = 0;
    Movie made = nullptr;
    EXPECT_EQ(
        CreateMovieFile(&spec, 'TVOD', smSystemScript, createMovieFileDeleteCurFile, &ref, &made),
        notAFileErr)
        << name;
    EXPECT_EQ(made, nullptr);
    FlattenMovieData(movie, flattenAddMovieToDataFork, &spec, 'TVOD', smSystemScript,
                     createMovieFileDeleteCurFile);
    EXPECT_EQ(GetMoviesError(), notAFileErr) << name;
  }
  EXPECT_TRUE(fs::is_fifo(Path("fifo")));
  EXPECT_TRUE(fs::is_directory(Path("folder")));
  EXPECT_EQ(std::distance(fs::directory_iterator(Path("")), fs::directory_iterator{}), 2);
}

TEST_F(MovieFiles, HandlesAndDataReferencesOpenTheSameMovie) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(MakeClip());
  Movie movie = Open(Path("clip.mov"));
  ASSERT_NE(movie, nullptr);
  Handle h = NewHandle(4);
  ASSERT_EQ(PutMovieIntoHandle(movie, h), noErr);
  Movie copy = nullptr;
  ASSERT_EQ(NewMovieFromHandle(&copy, h, newMovieActive, nullptr), noErr);
  Keep(copy);
  DisposeHandle(h);
  EXPECT_EQ(GetMovieDuration(copy), GetMovieDuration(movie));
  Media original = GetTrackMedia(GetMovieIndTrack(movie, 1));
  Media copied = GetTrackMedia(GetMovieIndTrack(copy, 1));
  EXPECT_EQ(GetMediaSampleCount(copied), GetMediaSampleCount(original));
  EXPECT_EQ(GetMediaDataSize(copied, 0, GetMediaDuration(copied)),
            GetMediaDataSize(original, 0, GetMediaDuration(original)));
  long attributes = 0;
  ASSERT_EQ(GetMediaDataRef(copied, 1, nullptr, nullptr, &attributes), noErr);
  EXPECT_EQ(attributes & dataRefWasNotResolved, 0);

  // 'alis', file: 'url ' and 'hndl' references to the same bytes.
  FSSpec spec = Spec(Path("clip.mov"));
  Handle alias = nullptr;
  OSType aliasType = 0;
  ASSERT_EQ(QTNewDataReferenceFromFSSpec(&spec, 0, &alias, &aliasType), noErr);
  std::string url = "file://" + Path("clip.mov");
  Handle urlRef = NewHandle(static_cast<Size>(url.size() + 1));
  std::memcpy(*urlRef, url.c_str(), url.size() + 1);
  std::vector<uint8_t> bytes = ReadBytes(Path("clip.mov"));
  Handle fileBytes = NewHandle(static_cast<Size>(bytes.size()));
  std::memcpy(*fileBytes, bytes.data(), bytes.size());
  Handle handleRef = NewHandle(sizeof(Handle));
  std::memcpy(*handleRef, &fileBytes, sizeof(Handle));
  struct {
    Handle ref;
    OSType type;
  } refs[] = {
      {alias, aliasType}, {urlRef, URLDataHandlerSubType}, {handleRef, HandleDataHandlerSubType}};
  for (const auto& r : refs) {
    Movie m = nullptr;
    short id = 0;
    EXPECT_EQ(NewMovieFromDataRef(&m, newMovieActive, &id, r.ref, r.type), noErr);
    ASSERT_NE(Keep(m), nullptr);
    EXPECT_EQ(GetMovieDuration(m), GetMovieDuration(movie));
    EXPECT_EQ(GetMediaSampleCount(GetTrackMedia(GetMovieIndTrack(m, 2))),
              GetMediaSampleCount(GetTrackMedia(GetMovieIndTrack(movie, 2))));
  }
  std::string web = "http://example.com/clip.mov";
  Handle webRef = NewHandle(static_cast<Size>(web.size() + 1));
  std::memcpy(*webRef, web.c_str(), web.size() + 1);
  Movie none = nullptr;
  EXPECT_EQ(NewMovieFromDataRef(&none, 0, nullptr, webRef, URLDataHandlerSubType),
            couldNotResolveDataRef);
  EXPECT_EQ(none, nullptr);
  for (Movie m : std::vector<Movie>(movies_.begin() + 2, movies_.end())) Forget(m);
  for (Handle hd : {alias, urlRef, handleRef, webRef, fileBytes}) DisposeHandle(hd);
}

TEST_F(MovieFiles, DamagedFilesAnswerErrorsWithoutCrashing) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(Make("clip.mov",
                   "-f lavfi -i testsrc=size=64x48:rate=10 -f lavfi -i sine -t 0.3 "
                   "-c:v mjpeg -c:a pcm_s16be"));
  std::vector<uint8_t> bytes = ReadBytes(Path("clip.mov"));
  FSSpec flatSpec = Spec(Path("flat.mov"));
  int opened = 0;
  // A damaged movie that opens still steps, reads and saves safely.
  auto exercise = [&](Movie m) {
    TimeValue t = 0;
    for (int step = 0; step < 50 && t >= 0; ++step) {
      GetMovieNextInterestingTime(m, nextTimeStep, 0, nullptr, t, 0x10000, &t, nullptr);
    }
    for (long i = 1; i <= GetMovieTrackCount(m); ++i) {
      Track track = GetMovieIndTrack(m, i);
      Handle data = NewHandle(0);
      GetMediaSample(GetTrackMedia(track), data, 0, nullptr, TrackTimeToMediaTime(0, track),
                     nullptr, nullptr, nullptr, nullptr, 1, nullptr, nullptr);
      DisposeHandle(data);
    }
    if (++opened % 16 == 0) {
      FlattenMovie(m, flattenAddMovieToDataFork, &flatSpec, 'TVOD', smSystemScript,
                   createMovieFileDeleteCurFile, nullptr, nullptr);
    }
  };
  auto tryBytes = [&](const std::vector<uint8_t>& data) {
    Handle h = NewHandle(static_cast<Size>(data.size()));
    if (!data.empty()) std::memcpy(*h, data.data(), data.size());
    Movie m = nullptr;
    OSErr err = NewMovieFromHandle(&m, h, 0, nullptr);
    if (m != nullptr) {
      exercise(m);
      DisposeMovie(m);
    }
    DisposeHandle(h);
    return err;
  };
  EXPECT_EQ(tryBytes({}), noMovieFound);
  EXPECT_EQ(tryBytes(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 100)), noMovieFound);
  // Cut short anywhere, and with bytes of the movie atom flipped.
  const char* moov = "moov";
  size_t moovStart =
      static_cast<size_t>(std::search(bytes.begin(), bytes.end(), moov, moov + 4) - bytes.begin()) -
      4;
  ASSERT_LT(moovStart, bytes.size());
  for (size_t cut = moovStart; cut < bytes.size(); cut += 13) {
    OSErr err = tryBytes(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut));
    EXPECT_NE(err, noErr) << "cut at " << cut;
  }
  for (size_t at = moovStart; at < bytes.size(); at += 3) {
    for (uint8_t flip : {0xFF, 0x80, 0x01}) {
      std::vector<uint8_t> damaged = bytes;
      damaged[at] ^= flip;
      tryBytes(damaged);  // any answer, as long as it answers
    }
  }
  EXPECT_GT(opened, 16);  // many flips leave a movie that opens
  // A file that lies about its sample count.
  std::vector<uint8_t> lying = bytes;
  const char* stsz = "stsz";
  auto found = std::search(lying.begin(), lying.end(), stsz, stsz + 4);
  ASSERT_NE(found, lying.end());
  size_t countAt = static_cast<size_t>(found - lying.begin()) + 12;
  for (int i = 0; i < 4; ++i) lying[countAt + i] = 0x7F;
  EXPECT_EQ(tryBytes(lying), invalidSampleTable);
  WriteBytes(Path("lying.mov"), lying);
  Open(Path("lying.mov"), invalidSampleTable);
}

TEST_F(MovieFiles, UncompressedSoundCountedInFramesReadsAsFramesOfItsDescription) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(MakeClip());
  // ffmpeg writes each sound sample's size (2 bytes); files that count
  // frames write 1, and the description says how many bytes a frame has.
  std::vector<uint8_t> bytes = ReadBytes(Path("clip.mov"));
  const uint8_t sizes[] = {'s', 't', 's', 'z', 0, 0, 0, 0, 0, 0, 0, 2};
  auto found = std::search(bytes.begin(), bytes.end(), sizes, sizes + sizeof sizes);
  ASSERT_NE(found, bytes.end());
  found[11] = 1;
  WriteBytes(Path("frames.mov"), bytes);
  std::string frames = Summary(Path("frames.mov"), false);
  for (size_t at; (at = frames.find("frames.mov")) != std::string::npos;) {
    frames.replace(at, 10, "clip.mov");  // the self references' file
  }
  EXPECT_EQ(frames, Summary(Path("clip.mov"), false));
}

TEST_F(MovieFiles, MediaWithTwoDescriptionsKeepWhichSampleHasWhich) {
  Movie movie = Keep(NewMovie(newMovieActive));
  Track track = NewMovieTrack(movie, 0, 0, 0x0100);
  Media media = NewTrackMedia(track, SoundMediaType, 1000, nullptr, 0);
  ASSERT_NE(media, nullptr);
  Handle data = NewHandle(30);
  std::memset(*data, 7, 30);
  ASSERT_EQ(BeginMediaEdits(media), noErr);
  for (OSType format : {'abcd', 'efgh', 'abcd'}) {
    Handle desc = NewHandleClear(sizeof(SampleDescription));
    auto d = reinterpret_cast<SampleDescriptionHandle>(desc);
    (**d).descSize = sizeof(SampleDescription);
    (**d).dataFormat = format;
    (**d).dataRefIndex = 1;
    ASSERT_EQ(AddMediaSample(media, data, 0, 30, 10, d, 3, 0, nullptr), noErr);
    DisposeHandle(desc);
  }
  ASSERT_EQ(EndMediaEdits(media), noErr);
  DisposeHandle(data);
  ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1), noErr);
  FSSpec spec = Spec(Path("two.mov"));
  FlattenMovie(movie, flattenAddMovieToDataFork, &spec, 'TVOD', smSystemScript,
               createMovieFileDeleteCurFile, nullptr, nullptr);
  ASSERT_EQ(GetMoviesError(), noErr);
  std::string summary = Summary(Path("two.mov"), false);
  EXPECT_EQ(summary, Summary(Path("two.mov"), true));
  Movie again = Open(Path("two.mov"));
  ASSERT_NE(again, nullptr);
  Media read = GetTrackMedia(GetMovieIndTrack(again, 1));
  EXPECT_EQ(GetMediaSampleDescriptionCount(read), GetMediaSampleDescriptionCount(media));
  EXPECT_GE(GetMediaSampleDescriptionCount(read), 2);
  EXPECT_EQ(GetMediaSampleCount(read), GetMediaSampleCount(media));
  long index = 0;
  TimeValue sampleTime = 0;
  for (TimeValue at : {0, 30, 60}) {
    long sampleIndex = 0;
    ASSERT_EQ(
        GetMediaSampleReferences(media, at, &sampleTime, nullptr, &index, 0, nullptr, nullptr),
        noErr);
    ASSERT_EQ(
        GetMediaSampleReferences(read, at, &sampleTime, nullptr, &sampleIndex, 0, nullptr, nullptr),
        noErr);
    EXPECT_EQ(sampleIndex, index) << "at " << at;
  }
}

TEST_F(MovieFiles, FlatteningReportsProgressAndStopsWhenTold) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(MakeClip());
  Movie movie = Open(Path("clip.mov"));
  ASSERT_NE(movie, nullptr);
  static std::vector<short> messages;
  static OSErr answer;
  messages.clear();
  answer = noErr;
  SetMovieProgressProc(
      movie,
      [](Movie, short message, short operation, Fixed, long refcon) -> OSErr {
        EXPECT_EQ(operation, progressOpFlatten);
        EXPECT_EQ(refcon, 42);
        messages.push_back(message);
        return message == movieProgressUpdatePercent ? answer : noErr;
      },
      42);
  FSSpec spec = Spec(Path("flat.mov"));
  FlattenMovie(movie, 0, &spec, 'TVOD', smSystemScript, createMovieFileDeleteCurFile, nullptr,
               nullptr);
  EXPECT_EQ(GetMoviesError(), noErr);
  ASSERT_GE(messages.size(), 3u);
  EXPECT_EQ(messages.front(), movieProgressOpen);
  EXPECT_EQ(messages[1], movieProgressUpdatePercent);
  EXPECT_EQ(messages.back(), movieProgressClose);

  answer = userCanceledErr;
  FSSpec stopped = Spec(Path("stopped.mov"));
  FlattenMovie(movie, 0, &stopped, 'TVOD', smSystemScript, createMovieFileDeleteCurFile, nullptr,
               nullptr);
  EXPECT_EQ(GetMoviesError(), userCanceledErr);
  EXPECT_FALSE(fs::exists(Path("stopped.mov")));
}

TEST_F(MovieFiles, ACreationThatRunsOutOfMemoryLeavesNoFile) {
  FSSpec spec = Spec(Path("new.mov"));
  for (long n = 0;; ++n) {
    QTMLTest_FailAllocations(n);
    short ref = 0;
    Movie movie = nullptr;
    OSErr err =
        CreateMovieFile(&spec, 'TVOD', smCurrentScript, createMovieFileDeleteCurFile, &ref, &movie);
    long refused = QTMLTest_AllocationsRefused();
    QTMLTest_FailAllocations(-1);
    if (err == noErr) {
      EXPECT_TRUE(fs::exists(Path("new.mov")));
      DisposeMovie(movie);
      CloseMovieFile(ref);
      fs::remove(Path("new.mov"));
    } else {
      EXPECT_FALSE(fs::exists(Path("new.mov"))) << "allocation " << n << ": " << err;
    }
    if (refused == 0) break;
    ASSERT_LT(n, 1000);
  }
}

}  // namespace
