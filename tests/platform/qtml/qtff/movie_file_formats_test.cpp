// Movie files as other writers make them, read and written back: movie
// fragments, compact sample sizes, classic compressed sound, files cut
// short, descriptions naming a data reference the media lacks, atoms kept
// for each sample, samples of no duration, and media of many samples kept
// as a few runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ImageCompression.h"
#include "Movies.h"
#include "Sound.h"
#include "movies/movie_model.h"
#include "qtff/qtff_read.h"
#include "scratch_dir_test.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

bool Shell(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

bool HaveFfmpeg() {
  return Shell("command -v ffmpeg >/dev/null 2>&1 && command -v ffprobe >/dev/null 2>&1");
}

bool HaveEncoder(const std::string& name) {
  return Shell("ffmpeg -hide_banner -encoders 2>/dev/null | grep -q ' " + name + " '");
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

uint32_t Get32(const Bytes& b, size_t at) {
  return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

void Put32(Bytes& b, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

uint16_t Get16(const Bytes& b, size_t at) {
  return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}

void Put16(Bytes& b, size_t at, uint16_t value) {
  b[at] = static_cast<uint8_t>(value >> 8);
  b[at + 1] = static_cast<uint8_t>(value);
}

void Append32(Bytes& b, uint32_t value) {
  b.resize(b.size() + 4);
  Put32(b, b.size() - 4, value);
}

// A full atom's bytes: its header, version and flags, then the body.
Bytes FullAtom(const char* type, const Bytes& body, uint32_t versionAndFlags = 0) {
  Bytes atom;
  Append32(atom, static_cast<uint32_t>(12 + body.size()));
  atom.insert(atom.end(), type, type + 4);
  Append32(atom, versionAndFlags);
  atom.insert(atom.end(), body.begin(), body.end());
  return atom;
}

// One atom of a file, found by walking the atoms that hold others.
struct Atom {
  std::string type;
  size_t offset = 0;
  size_t size = 0;
  std::vector<size_t> parents;  // offsets of the atoms holding it, outermost first
  size_t end() const { return offset + size; }
};

void WalkAtoms(const Bytes& b, size_t from, size_t to, std::vector<size_t> parents,
               std::vector<Atom>* out) {
  static const char* kContainers[] = {"moov", "trak", "mdia", "minf", "stbl",
                                      "dinf", "edts", "mvex", "moof", "traf"};
  while (from + 8 <= to) {
    size_t size = Get32(b, from);
    if (size == 0) size = to - from;
    if (size < 8 || from + size > to) return;
    Atom atom{std::string(reinterpret_cast<const char*>(&b[from + 4]), 4), from, size, parents};
    out->push_back(atom);
    for (const char* container : kContainers) {
      if (atom.type != container) continue;
      std::vector<size_t> inner = parents;
      inner.push_back(from);
      WalkAtoms(b, from + 8, from + size, inner, out);
    }
    from += size;
  }
}

std::vector<Atom> Atoms(const Bytes& b) {
  std::vector<Atom> atoms;
  WalkAtoms(b, 0, b.size(), {}, &atoms);
  return atoms;
}

// The nth atom of the type in file order (track 1's before track 2's).
Atom Find(const Bytes& b, const std::string& type, int nth = 0) {
  for (const Atom& atom : Atoms(b)) {
    if (atom.type == type && nth-- == 0) return atom;
  }
  ADD_FAILURE() << "no " << type << " atom";
  return Atom{};
}

int Count(const Bytes& b, const std::string& type, bool topLevelOnly = false) {
  int count = 0;
  for (const Atom& atom : Atoms(b)) {
    count += atom.type == type && (!topLevelOnly || atom.parents.empty());
  }
  return count;
}

// Replaces the atom's bytes, fixing the sizes of the atoms holding it and
// the chunk offsets of sample data that the change moves.
void Replace(Bytes& b, const Atom& atom, const Bytes& with) {
  auto delta = static_cast<int64_t>(with.size()) - static_cast<int64_t>(atom.size);
  b.erase(b.begin() + static_cast<long>(atom.offset), b.begin() + static_cast<long>(atom.end()));
  b.insert(b.begin() + static_cast<long>(atom.offset), with.begin(), with.end());
  for (size_t parent : atom.parents)
    Put32(b, parent, static_cast<uint32_t>(Get32(b, parent) + delta));
  if (delta == 0) return;
  for (const Atom& stco : Atoms(b)) {
    if (stco.type != "stco") continue;
    for (size_t i = 0, n = Get32(b, stco.offset + 12); i < n; ++i) {
      size_t at = stco.offset + 16 + 4 * i;
      if (Get32(b, at) >= atom.end()) Put32(b, at, static_cast<uint32_t>(Get32(b, at) + delta));
    }
  }
}

// One packet of a stream as ffprobe reads it.
struct Packet {
  long long dts = 0, pos = 0;
  long size = 0;
  bool key = false;
};

// The packets of each stream of a file, in file order; empty when ffprobe
// refuses it.
std::vector<std::vector<Packet>> Packets(const std::string& path) {
  std::string out = path + ".packets";
  std::vector<std::vector<Packet>> streams;
  if (!Shell("ffprobe -v error -show_entries packet=stream_index,dts,size,pos,flags "
             "-of compact=p=0 '" +
             path + "' >'" + out + "' 2>/dev/null")) {
    return streams;
  }
  std::ifstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    std::map<std::string, std::string> fields;
    std::stringstream parts(line);
    for (std::string part; std::getline(parts, part, '|');) {
      size_t eq = part.find('=');
      if (eq != std::string::npos) fields[part.substr(0, eq)] = part.substr(eq + 1);
    }
    auto stream = static_cast<size_t>(std::atol(fields["stream_index"].c_str()));
    if (streams.size() <= stream) streams.resize(stream + 1);
    streams[stream].push_back({std::atoll(fields["dts"].c_str()), std::atoll(fields["pos"].c_str()),
                               std::atol(fields["size"].c_str()), fields["flags"][0] == 'K'});
  }
  fs::remove(out);
  return streams;
}

// The digests of the files' decoded sound, in one run of ffmpeg; empty
// when it cannot decode them all.
std::vector<std::string> SoundDigests(const std::vector<std::string>& paths) {
  std::string command = "ffmpeg -v error -y";
  for (const std::string& path : paths) command += " -i '" + path + "'";
  for (size_t i = 0; i < paths.size(); ++i) {
    command += " -map " + std::to_string(i) + ":a -f md5 '" + paths[i] + ".md5'";
  }
  std::vector<std::string> digests;
  if (!Shell(command + " </dev/null")) return digests;
  for (const std::string& path : paths) {
    std::string digest;
    std::ifstream(path + ".md5") >> digest;
    fs::remove(path + ".md5");
    digests.push_back(digest);
  }
  return digests;
}

// One sample of a media as the media answers it, found by number.
struct Sample {
  TimeValue start = -1, duration = 0;
  long frames = 0;  // the samples the read brought
  bool sync = false;
  std::string bytes;
  OSErr err = noErr;
};

Sample SampleAt(Media media, TimeValue time) {
  Sample s;
  Handle data = NewHandle(0);
  long size = 0;
  short flags = 0;
  s.err = GetMediaSample(media, data, 0, &size, time, &s.start, &s.duration, nullptr, nullptr, 0,
                         &s.frames, &flags);
  if (s.err == noErr) s.bytes.assign(*data, static_cast<size_t>(size));
  s.sync = (flags & mediaSampleNotSync) == 0;
  DisposeHandle(data);
  return s;
}

Sample NumberedSample(Media media, long number) {
  TimeValue start = -1, duration = 0;
  SampleNumToMediaTime(media, number, &start, &duration);
  Sample s = SampleAt(media, start);
  if (s.err != noErr) return s;  // its bytes gone, or no time to find it at
  EXPECT_EQ(s.start, start) << "sample " << number;
  EXPECT_EQ(s.duration, duration) << "sample " << number;
  return s;
}

class MovieFileFormats : public ScratchDirTest {
 protected:
  MovieFileFormats() : ScratchDirTest("qtml-movie-file-formats-") {}
  void TearDown() override {
    for (Movie m : movies_) DisposeMovie(m);
    for (short ref : files_) CloseMovieFile(ref);
    ScratchDirTest::TearDown();
  }

  // Makes files of the directory with one run of ffmpeg: the inputs, then
  // each file's name and output options.
  bool Make(const std::string& inputs,
            const std::vector<std::pair<std::string, std::string>>& outputs) {
    std::string command = "ffmpeg -v error -y " + inputs;
    for (const auto& [name, options] : outputs) command += " " + options + " '" + Path(name) + "'";
    return Shell(command + " </dev/null");
  }
  FSSpec Spec(const std::string& name) const {
    FSSpec spec{};
    std::string path = Path(name);
    NativePathNameToFSSpec(path.data(), &spec, 0);
    return spec;
  }
  Movie Keep(Movie m) {
    if (m != nullptr) movies_.push_back(m);
    return m;
  }
  // The file's movie, disposed of after the test; nullptr when it cannot
  // be read.
  Movie Open(const std::string& name, OSErr expected = noErr) {
    FSSpec spec = Spec(name);
    short ref = 0;
    EXPECT_EQ(OpenMovieFile(&spec, &ref, fsRdPerm), noErr) << name;
    files_.push_back(ref);
    Movie movie = nullptr;
    EXPECT_EQ(NewMovieFromFile(&movie, ref, nullptr, nullptr, newMovieActive, nullptr), expected)
        << name;
    return Keep(movie);
  }
  // Flattens the movie into a new file of the directory; the result.
  OSErr Flatten(Movie movie, const std::string& name) {
    FSSpec spec = Spec(name);
    FlattenMovie(movie, flattenAddMovieToDataFork, &spec, 'TVOD', smSystemScript,
                 createMovieFileDeleteCurFile, nullptr, nullptr);
    return GetMoviesError();
  }
  static Media MediaOf(Movie movie, long track) {
    return GetTrackMedia(GetMovieIndTrack(movie, track));
  }
  // The names of the directory's files.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::vector<Movie> movies_;
  std::vector<short> files_;
};

#define REQUIRE_FFMPEG()                       \
  if (!HaveFfmpeg()) {                         \
    GTEST_SKIP() << "ffmpeg is not installed"; \
  }

// The media's samples checked against the packets of a stream: count,
// decoding times, sync flags and bytes.
void ExpectSamplesArePackets(Media media, const std::vector<Packet>& packets, const Bytes& file) {
  ASSERT_EQ(GetMediaSampleCount(media), static_cast<long>(packets.size()));
  TimeValue first = -1;
  for (size_t i = 0; i < packets.size(); ++i) {
    SCOPED_TRACE("sample " + std::to_string(i + 1));
    const Packet& p = packets[i];
    Sample sample = NumberedSample(media, static_cast<long>(i + 1));
    ASSERT_EQ(sample.err, noErr);
    if (i == 0) first = sample.start;
    EXPECT_EQ(sample.start - first, p.dts - packets[0].dts);
    EXPECT_EQ(sample.sync, p.key);
    ASSERT_EQ(static_cast<long>(sample.bytes.size()), p.size);
    ASSERT_LE(static_cast<size_t>(p.pos) + sample.bytes.size(), file.size());
    EXPECT_EQ(
        std::memcmp(sample.bytes.data(), &file[static_cast<size_t>(p.pos)], sample.bytes.size()),
        0);
  }
}

// Two media's samples alike: times, durations, flags and bytes; every
// `step`th sample and the last.
void ExpectSameSamples(Media expected, Media actual, long step = 1) {
  long count = GetMediaSampleCount(expected);
  ASSERT_EQ(GetMediaSampleCount(actual), count);
  auto compare = [&](long n) {
    Sample a = NumberedSample(expected, n), b = NumberedSample(actual, n);
    EXPECT_EQ(b.err, a.err) << "sample " << n;
    EXPECT_EQ(b.start, a.start) << "sample " << n;
    EXPECT_EQ(b.duration, a.duration) << "sample " << n;
    EXPECT_EQ(b.sync, a.sync) << "sample " << n;
    EXPECT_EQ(b.bytes, a.bytes) << "sample " << n;
  };
  for (long n = 1; n <= count; n += step) compare(n);
  if (count > 0 && (count - 1) % step != 0) compare(count);
}

// Each track's edits show its whole media, to within a frame.
void ExpectTracksShowTheirWholeMedia(Movie movie) {
  for (long t = 1; t <= GetMovieTrackCount(movie); ++t) {
    Track track = GetMovieIndTrack(movie, t);
    Media media = GetTrackMedia(track);
    double shown = static_cast<double>(GetTrackDuration(track)) / GetMovieTimeScale(movie);
    double held = static_cast<double>(GetMediaDuration(media)) / GetMediaTimeScale(media);
    EXPECT_NEAR(shown, held, 0.04) << "track " << t;
  }
}

// Two seconds of pictures and sound, a key frame every tenth frame.
const char kFragmentedInput[] =
    "-f lavfi -i testsrc=size=64x48:rate=25:duration=2 -f lavfi -i sine=duration=2";

std::string FragmentedOutput(const std::string& flags) {
  return "-g 10 -c:v " + std::string(HaveEncoder("libx264") ? "libx264" : "mpeg4") +
         " -c:a aac -movflags " + flags;
}

TEST_F(MovieFileFormats, FragmentedMoviesHoldEverySampleOfEveryFragment) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(
      Make(kFragmentedInput,
           {{"frag.mp4", FragmentedOutput("frag_keyframe+empty_moov")},
            {"moof.mp4", FragmentedOutput("frag_keyframe+empty_moov+default_base_moof")},
            {"follow.mp4", FragmentedOutput("frag_keyframe+empty_moov+omit_tfhd_offset")}}));
  Bytes file = ReadBytes(Path("frag.mp4"));
  ASSERT_GE(Count(file, "moof", true), 4);
  ASSERT_EQ(Get32(file, Find(file, "stsz").offset + 16), 0u) << "the movie atom holds samples";
  std::vector<std::vector<Packet>> streams = Packets(Path("frag.mp4"));
  Movie movie = Open("frag.mp4");
  ASSERT_NE(movie, nullptr);
  ASSERT_EQ(GetMovieTrackCount(movie), static_cast<long>(streams.size()));
  for (long t = 1; t <= GetMovieTrackCount(movie); ++t) {
    SCOPED_TRACE("track " + std::to_string(t));
    ExpectSamplesArePackets(MediaOf(movie, t), streams[static_cast<size_t>(t - 1)], file);
  }
  ExpectTracksShowTheirWholeMedia(movie);
  // The key frames are the sync samples, and there are others.
  std::vector<Packet>& video = streams[0];
  long keys = std::count_if(video.begin(), video.end(), [](const Packet& p) { return p.key; });
  EXPECT_GE(keys, 5);
  EXPECT_LT(keys, static_cast<long>(video.size()));

  // The same samples when each fragment's data is placed from its own
  // start, or follows the data of the track fragment before.
  for (const char* name : {"moof.mp4", "follow.mp4"}) {
    SCOPED_TRACE(name);
    Movie other = Open(name);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(GetMovieTrackCount(other), 2);
    for (long t = 1; t <= 2; ++t) ExpectSameSamples(MediaOf(movie, t), MediaOf(other, t));
  }
}

TEST_F(MovieFileFormats, PartlyFragmentedMoviesAddTheirFragmentsToTheMovieAtomsSamples) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(Make(kFragmentedInput, {{"partly.mp4", FragmentedOutput("frag_keyframe")}}));
  Bytes file = ReadBytes(Path("partly.mp4"));
  ASSERT_GE(Count(file, "moof", true), 3);
  ASSERT_GT(Get32(file, Find(file, "stsz").offset + 16), 0u) << "no samples in the movie atom";
  std::vector<std::vector<Packet>> streams = Packets(Path("partly.mp4"));
  Movie movie = Open("partly.mp4");
  ASSERT_NE(movie, nullptr);
  ASSERT_EQ(GetMovieTrackCount(movie), static_cast<long>(streams.size()));
  for (long t = 1; t <= GetMovieTrackCount(movie); ++t) {
    SCOPED_TRACE("track " + std::to_string(t));
    ExpectSamplesArePackets(MediaOf(movie, t), streams[static_cast<size_t>(t - 1)], file);
  }
  ExpectTracksShowTheirWholeMedia(movie);
}

TEST_F(MovieFileFormats, FlattenedFragmentedMoviesAreClassicMovies) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(Make(kFragmentedInput, {{"frag.mp4", FragmentedOutput("frag_keyframe+empty_moov")},
                                      {"partly.mp4", FragmentedOutput("frag_keyframe")}}));
  for (const char* name : {"frag.mp4", "partly.mp4"}) {
    SCOPED_TRACE(name);
    Movie movie = Open(name);
    ASSERT_NE(movie, nullptr);
    std::string flatName = std::string("flat-") + name;
    ASSERT_EQ(Flatten(movie, flatName), noErr);
    Bytes flat = ReadBytes(Path(flatName));
    EXPECT_EQ(Count(flat, "moof"), 0);
    EXPECT_EQ(Count(flat, "mvex"), 0);
    EXPECT_EQ(Count(flat, "moov", true), 1);
    std::vector<std::vector<Packet>> packets = Packets(Path(flatName));
    ASSERT_EQ(packets.size(), 2u);
    Movie again = Open(flatName);
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(GetMovieTrackCount(again), 2);
    for (long t = 1; t <= 2; ++t) {
      SCOPED_TRACE("track " + std::to_string(t));
      EXPECT_EQ(static_cast<long>(packets[static_cast<size_t>(t - 1)].size()),
                GetMediaSampleCount(MediaOf(movie, t)));
      ExpectSameSamples(MediaOf(movie, t), MediaOf(again, t));
    }
    ExpectTracksShowTheirWholeMedia(again);
    EXPECT_NEAR(static_cast<double>(GetMovieDuration(again)) / GetMovieTimeScale(again), 2.0, 0.1);
  }
}

// A fragmented movie updated in place: the new movie atom holds every
// sample, the fragments' too, so the fragments are retired with the old
// movie atom. Read again, each sample is there once, and ffprobe reads
// the file.
TEST_F(MovieFileFormats, AnUpdatedFragmentedMovieHoldsEachSampleOnce) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(Make(kFragmentedInput, {{"frag.mp4", FragmentedOutput("frag_keyframe+empty_moov")},
                                      {"partly.mp4", FragmentedOutput("frag_keyframe")}}));
  for (const char* name : {"frag.mp4", "partly.mp4"}) {
    SCOPED_TRACE(name);
    Movie before = Open(name);
    ASSERT_NE(before, nullptr);
    FSSpec spec = Spec(name);
    short ref = 0;
    ASSERT_EQ(OpenMovieFile(&spec, &ref, fsRdWrPerm), noErr);
    files_.push_back(ref);
    Movie movie = nullptr;
    ASSERT_EQ(NewMovieFromFile(&movie, ref, nullptr, nullptr, 0, nullptr), noErr);
    Keep(movie);
    SetMoviePosterTime(movie, GetMovieTimeScale(movie) / 2);
    ASSERT_EQ(UpdateMovieResource(movie, ref, movieInDataForkResID, nullptr), noErr);

    Movie after = Open(name);
    ASSERT_NE(after, nullptr);
    ASSERT_EQ(GetMovieTrackCount(after), 2);
    std::vector<std::vector<Packet>> packets = Packets(Path(name));
    EXPECT_EQ(packets.size(), 2u);
    for (long t = 1; t <= 2; ++t) {
      SCOPED_TRACE("track " + std::to_string(t));
      ExpectSameSamples(MediaOf(before, t), MediaOf(after, t));
      if (packets.size() == 2) {
        EXPECT_EQ(static_cast<long>(packets[static_cast<size_t>(t - 1)].size()),
                  GetMediaSampleCount(MediaOf(before, t)));
      }
    }
  }
}

// The sizes an 'stsz' atom gives its samples.
std::vector<uint32_t> SizesOf(const Bytes& b, const Atom& stsz) {
  uint32_t constant = Get32(b, stsz.offset + 12), count = Get32(b, stsz.offset + 16);
  std::vector<uint32_t> sizes(count, constant);
  for (uint32_t i = 0; constant == 0 && i < count; ++i)
    sizes[i] = Get32(b, stsz.offset + 20 + 4 * i);
  return sizes;
}

// An 'stz2' atom giving the sizes in fields of `bits` bits.
Bytes CompactSizes(int bits, const std::vector<uint32_t>& sizes) {
  Bytes body = {0, 0, 0, static_cast<uint8_t>(bits)};
  Append32(body, static_cast<uint32_t>(sizes.size()));
  for (size_t i = 0; i < sizes.size(); ++i) {
    if (bits == 16) {
      body.push_back(static_cast<uint8_t>(sizes[i] >> 8));
      body.push_back(static_cast<uint8_t>(sizes[i]));
    } else if (bits == 8) {
      body.push_back(static_cast<uint8_t>(sizes[i]));
    } else if (i % 2 == 0) {
      body.push_back(static_cast<uint8_t>(sizes[i] << 4));
    } else {
      body.back() |= static_cast<uint8_t>(sizes[i]);
    }
  }
  return FullAtom("stz2", body);
}

TEST_F(MovieFileFormats, CompactSampleSizesReadAsTheSizesTheyGive) {
  REQUIRE_FFMPEG();
  // Small frames for 8-bit fields, larger ones that need 16 bits.
  ASSERT_TRUE(
      Make("-f lavfi -i testsrc=size=16x16:rate=10:duration=1 "
           "-f lavfi -i testsrc=size=64x48:rate=10:duration=1",
           {{"small.mov", "-map 0 -c:v mpeg4 -q:v 31 -g 5"},
            {"large.mov", "-map 1 -c:v mpeg4 -q:v 2"}}));
  struct {
    const char* name;
    int bits;
  } const kCases[] = {{"small.mov", 8}, {"large.mov", 16}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Bytes file = ReadBytes(Path(c.name));
    Atom stsz = Find(file, "stsz");
    std::vector<uint32_t> sizes = SizesOf(file, stsz);
    ASSERT_GE(sizes.size(), 10u);
    uint32_t largest = *std::max_element(sizes.begin(), sizes.end());
    ASSERT_LT(largest, 1u << c.bits) << "the sizes do not fit";
    ASSERT_GT(largest, c.bits == 16 ? 255u : 0u) << "the sizes fit in fewer bits";
    Replace(file, stsz, CompactSizes(c.bits, sizes));
    ASSERT_EQ(Count(file, "stsz"), 0);
    std::string compactName = std::string("compact-") + c.name;
    WriteBytes(Path(compactName), file);

    Movie compact = Open(compactName);
    ASSERT_NE(compact, nullptr);
    Media media = MediaOf(compact, 1);
    ASSERT_EQ(GetMediaSampleCount(media), static_cast<long>(sizes.size()));
    for (size_t i = 0; i < sizes.size(); ++i) {
      EXPECT_EQ(NumberedSample(media, static_cast<long>(i + 1)).bytes.size(), sizes[i])
          << "sample " << i + 1;
    }
    Movie original = Open(c.name);
    ASSERT_NE(original, nullptr);
    ExpectSameSamples(MediaOf(original, 1), media);

    std::string flatName = std::string("flat-") + c.name;
    ASSERT_EQ(Flatten(compact, flatName), noErr);
    std::vector<std::vector<Packet>> packets = Packets(Path(flatName));
    ASSERT_EQ(packets.size(), 1u);
    ASSERT_EQ(packets[0].size(), sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
      EXPECT_EQ(packets[0][i].size, static_cast<long>(sizes[i])) << "packet " << i;
    }
  }
}

TEST_F(MovieFileFormats, CompactSampleSizesOfFourBitsReadAsTheSizesTheyGive) {
  // A made-up media of 21 samples of 1 to 15 bytes, the last field alone
  // in its byte.
  Movie movie = Keep(NewMovie(newMovieActive));
  Track track = NewMovieTrack(movie, 16 << 16, 16 << 16, 0);
  Media media = NewTrackMedia(track, VideoMediaType, 600, nullptr, 0);
  ASSERT_NE(media, nullptr);
  Handle desc = NewHandleClear(sizeof(ImageDescription));
  auto image = reinterpret_cast<ImageDescriptionHandle>(desc);
  (**image).idSize = sizeof(ImageDescription);
  (**image).cType = 'raw ';
  (**image).dataRefIndex = 1;
  (**image).width = 16;
  (**image).height = 16;
  (**image).depth = 24;
  std::vector<uint32_t> sizes;
  ASSERT_EQ(BeginMediaEdits(media), noErr);
  for (int i = 0; i < 21; ++i) {
    sizes.push_back(static_cast<uint32_t>(i % 15 + 1));
    Handle data = NewHandle(static_cast<Size>(sizes.back()));
    std::memset(*data, i + 1, sizes.back());
    ASSERT_EQ(AddMediaSample(media, data, 0, sizes.back(), 10,
                             reinterpret_cast<SampleDescriptionHandle>(desc), 1, 0, nullptr),
              noErr);
    DisposeHandle(data);
  }
  ASSERT_EQ(EndMediaEdits(media), noErr);
  DisposeHandle(desc);
  ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), 0x10000), noErr);
  ASSERT_EQ(Flatten(movie, "made.mov"), noErr);

  Bytes file = ReadBytes(Path("made.mov"));
  Atom stsz = Find(file, "stsz");
  ASSERT_EQ(SizesOf(file, stsz), sizes);
  Replace(file, stsz, CompactSizes(4, sizes));
  WriteBytes(Path("compact.mov"), file);
  Movie compact = Open("compact.mov");
  ASSERT_NE(compact, nullptr);
  ExpectSameSamples(media, MediaOf(compact, 1));

  // Fields of another width, or fewer than the count, are a damaged table.
  Atom stz2 = Find(file, "stz2");
  Bytes damaged = file;
  damaged[stz2.offset + 15] = 12;
  WriteBytes(Path("width.mov"), damaged);
  EXPECT_EQ(Open("width.mov", invalidSampleTable), nullptr);
  damaged = file;
  Put32(damaged, stz2.offset + 16, 23);  // 21 fields and a spare one in 11 bytes
  WriteBytes(Path("count.mov"), damaged);
  EXPECT_EQ(Open("count.mov", invalidSampleTable), nullptr);

  // Written again, the sizes are whole fields.
  ASSERT_EQ(Flatten(compact, "flat.mov"), noErr);
  Bytes flat = ReadBytes(Path("flat.mov"));
  ASSERT_EQ(Count(flat, "stz2"), 0);
  EXPECT_EQ(SizesOf(flat, Find(flat, "stsz")), sizes);
  Movie again = Open("flat.mov");
  ASSERT_NE(again, nullptr);
  ExpectSameSamples(media, MediaOf(again, 1));
}

// ffmpeg's IMA 4:1 movie (a sample a packet of 64 frames) laid out as
// QuickTime lays out compressed sound: a sample a frame of size 1, chunks
// counting frames, and a description saying how frames are packed
// (version 1) or leaving it to the format (version 0).
Bytes FramesLayout(Bytes b, bool version0) {
  Atom stsd = Find(b, "stsd");
  Bytes desc(b.begin() + static_cast<long>(stsd.offset), b.begin() + static_cast<long>(stsd.end()));
  const size_t entry = 16;
  EXPECT_EQ(Get32(desc, entry + 4), static_cast<uint32_t>('ima4'));
  EXPECT_EQ(Get16(desc, entry + 16), 1) << "not a version 1 description";
  uint16_t channels = Get16(desc, entry + 24);
  if (version0) {
    Put16(desc, entry + 16, 0);
    desc.erase(desc.begin() + entry + 36, desc.begin() + entry + 52);
    Put32(desc, entry, Get32(desc, entry) - 16);
    Put32(desc, 0, static_cast<uint32_t>(desc.size()));
  } else {
    Put32(desc, entry + 36, 64);             // frames a packet
    Put32(desc, entry + 40, 34);             // bytes a packet, one channel
    Put32(desc, entry + 44, 34 * channels);  // bytes a packet
    Put32(desc, entry + 48, 2);
  }
  Replace(b, stsd, desc);

  Atom stsz = Find(b, "stsz");
  uint32_t frames = 64 * Get32(b, stsz.offset + 16);
  Bytes sizes;
  Append32(sizes, 1);
  Append32(sizes, frames);
  Replace(b, stsz, FullAtom("stsz", sizes));
  Bytes times;
  Append32(times, 1);
  Append32(times, frames);
  Append32(times, 1);
  Replace(b, Find(b, "stts"), FullAtom("stts", times));
  Atom stsc = Find(b, "stsc");
  for (uint32_t i = 0, n = Get32(b, stsc.offset + 12); i < n; ++i) {
    size_t perChunk = stsc.offset + 16 + 12 * i + 4;
    Put32(b, perChunk, 64 * Get32(b, perChunk));
  }
  return b;
}

TEST_F(MovieFileFormats, ImaSoundCountsFramesAndReadsWholePackets) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(Make("-f lavfi -i sine=duration=1", {{"ima.mov", "-ac 2 -c:a adpcm_ima_qt"}}));
  Bytes file = ReadBytes(Path("ima.mov"));
  WriteBytes(Path("v1.mov"), FramesLayout(file, false));
  WriteBytes(Path("v0.mov"), FramesLayout(file, true));
  Movie packets = Open("ima.mov");
  ASSERT_NE(packets, nullptr);
  Media packetMedia = MediaOf(packets, 1);
  const long kPackets = GetMediaSampleCount(packetMedia);
  ASSERT_EQ(kPackets, 690);  // 44100 frames and a part

  for (const char* name : {"v1.mov", "v0.mov"}) {
    SCOPED_TRACE(name);
    Movie movie = Open(name);
    ASSERT_NE(movie, nullptr);
    Media media = MediaOf(movie, 1);
    EXPECT_EQ(GetMediaSampleCount(media), 64 * kPackets);
    EXPECT_EQ(GetMediaDuration(media), 64 * kPackets);
    // Any time inside a packet reads the whole packet from its start.
    for (long k = 0; k < kPackets; ++k) {
      Sample packet = NumberedSample(packetMedia, k + 1);
      Sample s = SampleAt(media, static_cast<TimeValue>(64 * k + (k % 64)));
      ASSERT_EQ(s.err, noErr) << "packet " << k;
      EXPECT_EQ(s.start, 64 * k) << "packet " << k;
      EXPECT_EQ(s.frames, 64) << "packet " << k;
      EXPECT_EQ(s.bytes.size(), 68u) << "packet " << k;
      EXPECT_EQ(s.bytes, packet.bytes) << "packet " << k;
    }
    TimeValue start = 0, duration = 0;
    SampleNumToMediaTime(media, 64 * kPackets, &start, &duration);
    EXPECT_EQ(start, 64 * kPackets - 1);
    EXPECT_EQ(duration, 1);

    std::string flatName = std::string("flat-") + name;
    ASSERT_EQ(Flatten(movie, flatName), noErr);
    Movie again = Open(flatName);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(GetMediaSampleCount(MediaOf(again, 1)), 64 * kPackets);
    for (TimeValue t : {0, 1000, 44095, 44159}) {
      Sample a = SampleAt(media, t), b = SampleAt(MediaOf(again, 1), t);
      EXPECT_EQ(b.start, a.start) << "at " << t;
      EXPECT_EQ(b.frames, 64) << "at " << t;
      EXPECT_EQ(b.bytes, a.bytes) << "at " << t;
    }
  }
  ASSERT_EQ(Flatten(packets, "flat-ima.mov"), noErr);
  std::vector<std::string> digests = SoundDigests(
      {Path("ima.mov"), Path("flat-ima.mov"), Path("flat-v1.mov"), Path("flat-v0.mov")});
  ASSERT_EQ(digests.size(), 4u);
  EXPECT_FALSE(digests[0].empty());
  for (size_t i = 1; i < digests.size(); ++i) EXPECT_EQ(digests[i], digests[0]) << i;
}

// ffmpeg writes IMA 4:1 sound a sample a packet (68 bytes for stereo, 64
// units long) with a version 1 description whose packet sizes are 0. The
// reader takes such a table as it counts its samples: 690 samples of 64
// units, each a packet read alone.
TEST_F(MovieFileFormats, ImaSoundStoredAPacketASampleReadsAsItsTableCountsIt) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(Make("-f lavfi -i sine=duration=1", {{"ima.mov", "-ac 2 -c:a adpcm_ima_qt"}}));
  Movie movie = Open("ima.mov");
  ASSERT_NE(movie, nullptr);
  Media media = MediaOf(movie, 1);
  EXPECT_EQ(GetMediaSampleCount(media), 690);
  Sample s = SampleAt(media, 100);
  EXPECT_EQ(s.start, 64);
  EXPECT_EQ(s.frames, 1);
  EXPECT_EQ(s.bytes.size(), 68u);
}

TEST_F(MovieFileFormats, AMovieCutShortOpensWithEverySampleButDoesNotFlatten) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(Make("-f lavfi -i testsrc=size=64x48:rate=25:duration=2 -f lavfi -i sine=duration=2",
                   {{"whole.mov", "-c:v mjpeg -c:a pcm_s16be -movflags faststart"}}));
  Bytes file = ReadBytes(Path("whole.mov"));
  ASSERT_LT(Find(file, "moov").offset, Find(file, "mdat").offset);
  file.resize(file.size() * 6 / 10);
  WriteBytes(Path("cut.mov"), file);
  Movie whole = Open("whole.mov");
  Movie cut = Open("cut.mov");
  ASSERT_NE(whole, nullptr);
  ASSERT_NE(cut, nullptr);
  ASSERT_EQ(GetMovieTrackCount(cut), 2);
  for (long t = 1; t <= 2; ++t) {
    SCOPED_TRACE("track " + std::to_string(t));
    Media media = MediaOf(cut, t);
    long count = GetMediaSampleCount(media);
    EXPECT_EQ(count, GetMediaSampleCount(MediaOf(whole, t)));
    EXPECT_EQ(GetMediaDuration(media), GetMediaDuration(MediaOf(whole, t)));
    EXPECT_EQ(NumberedSample(media, 1).bytes, NumberedSample(MediaOf(whole, t), 1).bytes);
    EXPECT_NE(NumberedSample(media, count).err, noErr);  // its bytes are gone
  }

  // A copy needs every byte: none is made, and nothing is left behind.
  EXPECT_EQ(Flatten(cut, "flat.mov"), endOfDataReached);
  FSSpec spec = Spec("data.mov");
  EXPECT_EQ(FlattenMovieData(cut, flattenAddMovieToDataFork, &spec, 'TVOD', smSystemScript,
                             createMovieFileDeleteCurFile),
            nullptr);
  EXPECT_EQ(GetMoviesError(), endOfDataReached);
  EXPECT_EQ(Files(), (std::vector<std::string>{"cut.mov", "whole.mov"}));

  // Cut to the part whose bytes the file holds, it flattens.
  TimeScale scale = GetMovieTimeScale(cut);
  ASSERT_EQ(DeleteMovieSegment(cut, scale / 5, GetMovieDuration(cut) - scale / 5), noErr);
  ASSERT_EQ(Flatten(cut, "start.mov"), noErr);
  Movie start = Open("start.mov");
  ASSERT_NE(start, nullptr);
  Media video = MediaOf(start, 1);
  ASSERT_EQ(GetMediaSampleCount(video), 5);
  for (long n = 1; n <= 5; ++n) {
    EXPECT_EQ(NumberedSample(video, n).bytes, NumberedSample(MediaOf(whole, 1), n).bytes) << n;
  }
}

TEST_F(MovieFileFormats, ADescriptionNamingAMissingDataReferenceReadsTheMoviesOwnFile) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(
      Make("-f lavfi -i testsrc=size=32x24:rate=10:duration=0.5 -f lavfi -i sine=duration=0.5",
           {{"clip.mov", "-c:v mjpeg -c:a pcm_s16be"}}));
  Bytes file = ReadBytes(Path("clip.mov"));
  // The video description names reference 0x6174, the sound one 0; each
  // media has one.
  const size_t kDataRefIndex = 16 + 14;  // in 'stsd': its header, then the entry's
  Put16(file, Find(file, "stsd", 0).offset + kDataRefIndex, 0x6174);
  Put16(file, Find(file, "stsd", 1).offset + kDataRefIndex, 0);
  WriteBytes(Path("odd.mov"), file);
  // Without a reference to the movie's own file there is none to take.
  Bytes elsewhere = file;
  Atom dref = Find(elsewhere, "dref", 0);
  ASSERT_EQ(elsewhere[dref.offset + 16 + 11], 1) << "not a self reference";
  elsewhere[dref.offset + 16 + 11] = 0;
  WriteBytes(Path("elsewhere.mov"), elsewhere);
  EXPECT_EQ(Open("elsewhere.mov", badDataRefIndex), nullptr);

  Movie original = Open("clip.mov");
  Movie odd = Open("odd.mov");
  ASSERT_NE(original, nullptr);
  ASSERT_NE(odd, nullptr);
  ASSERT_EQ(GetMovieTrackCount(odd), 2);
  Handle desc = NewHandle(0);
  for (long t = 1; t <= 2; ++t) {
    SCOPED_TRACE("track " + std::to_string(t));
    ExpectSameSamples(MediaOf(original, t), MediaOf(odd, t), 97);
    GetMediaSampleDescription(MediaOf(odd, t), 1, reinterpret_cast<SampleDescriptionHandle>(desc));
    EXPECT_EQ((**reinterpret_cast<SampleDescriptionHandle>(desc)).dataRefIndex, 1);
  }
  DisposeHandle(desc);

  ASSERT_EQ(Flatten(odd, "flat.mov"), noErr);
  std::vector<std::vector<Packet>> packets = Packets(Path("flat.mov"));
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(static_cast<long>(packets[0].size()), GetMediaSampleCount(MediaOf(original, 1)));
  Movie flat = Open("flat.mov");
  ASSERT_NE(flat, nullptr);
  for (long t = 1; t <= 2; ++t) ExpectSameSamples(MediaOf(original, t), MediaOf(flat, t), 97);
}

// The file with an 'sdtp' atom (a byte for each sample) added to its
// first track's sample table; the atom's bytes.
Bytes AddSampleDependencies(Bytes& file) {
  Atom stbl = Find(file, "stbl");
  uint32_t count = Get32(file, Find(file, "stsz").offset + 16);
  Bytes flags;
  for (uint32_t i = 0; i < count; ++i) flags.push_back(i == 0 ? 0x20 : 0x10 | (i % 4));
  Bytes sdtp = FullAtom("sdtp", flags);
  Bytes table(file.begin() + static_cast<long>(stbl.offset),
              file.begin() + static_cast<long>(stbl.end()));
  table.insert(table.end(), sdtp.begin(), sdtp.end());
  Put32(table, 0, static_cast<uint32_t>(table.size()));
  Replace(file, stbl, table);
  return sdtp;
}

// The bytes of the file's 'sdtp' atom; empty when it has none.
Bytes SampleDependencies(const Bytes& file) {
  for (const Atom& atom : Atoms(file)) {
    if (atom.type == "sdtp") {
      return Bytes(file.begin() + static_cast<long>(atom.offset),
                   file.begin() + static_cast<long>(atom.end()));
    }
  }
  return {};
}

TEST_F(MovieFileFormats, AtomsSpeakingOfEachSampleLastWhileTheSamplesDo) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(
      Make("-f lavfi -i testsrc=size=32x24:rate=10:duration=1", {{"clip.mov", "-c:v mjpeg"}}));
  Bytes file = ReadBytes(Path("clip.mov"));
  Bytes sdtp = AddSampleDependencies(file);
  WriteBytes(Path("sdtp.mov"), file);

  // Every sample kept: the atom is written as read.
  Movie movie = Open("sdtp.mov");
  ASSERT_NE(movie, nullptr);
  ASSERT_EQ(GetMediaSampleCount(MediaOf(movie, 1)), 10);
  ASSERT_EQ(Flatten(movie, "all.mov"), noErr);
  EXPECT_EQ(SampleDependencies(ReadBytes(Path("all.mov"))), sdtp);
  std::vector<std::vector<Packet>> packets = Packets(Path("all.mov"));
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_EQ(packets[0].size(), 10u);

  // Half the movie cut: the samples left are not those it spoke of.
  Movie cut = Open("sdtp.mov");
  ASSERT_NE(cut, nullptr);
  ASSERT_EQ(DeleteMovieSegment(cut, 0, GetMovieDuration(cut) / 2), noErr);
  ASSERT_EQ(Flatten(cut, "cut.mov"), noErr);
  Bytes cutFile = ReadBytes(Path("cut.mov"));
  EXPECT_EQ(GetMediaSampleCount(MediaOf(Open("cut.mov"), 1)), 5);
  EXPECT_TRUE(SampleDependencies(cutFile).empty());

  // A sample added (its bytes the last one's) and shown after the others.
  Media media = MediaOf(movie, 1);
  Track track = GetMovieIndTrack(movie, 1);
  TimeValue last = 0, duration = 0;
  SampleNumToMediaTime(media, 10, &last, &duration);
  SampleReferenceRecord ref{};
  long refs = 0;
  ASSERT_EQ(GetMediaSampleReferences(media, last, nullptr, nullptr, nullptr, 1, &refs, &ref),
            noErr);
  Handle desc = NewHandle(0);
  GetMediaSampleDescription(media, 1, reinterpret_cast<SampleDescriptionHandle>(desc));
  TimeValue added = 0;
  ASSERT_EQ(AddMediaSampleReference(media, ref.dataOffset, static_cast<unsigned long>(ref.dataSize),
                                    duration, reinterpret_cast<SampleDescriptionHandle>(desc), 1, 0,
                                    &added),
            noErr);
  DisposeHandle(desc);
  ASSERT_EQ(InsertMediaIntoTrack(track, GetTrackDuration(track), added, duration, 0x10000), noErr);
  ASSERT_EQ(Flatten(movie, "added.mov"), noErr);
  EXPECT_EQ(GetMediaSampleCount(MediaOf(Open("added.mov"), 1)), 11);
  EXPECT_TRUE(SampleDependencies(ReadBytes(Path("added.mov"))).empty());
}

// A table whose durations count more samples than its sizes is read to
// the sizes' count. Flattened after a cut that leaves one run of samples,
// the media's table is a new one, and the atom, written for the samples
// as read, is left out.
TEST_F(MovieFileFormats, AtomsSpeakingOfEachSampleGoAfterACutOfATableReadShort) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(Make("-f lavfi -i testsrc=size=32x24:rate=10:duration=1",
                   {{"clip.mov", "-c:v mjpeg -use_editlist 0"}}));
  Bytes file = ReadBytes(Path("clip.mov"));
  AddSampleDependencies(file);
  Atom stts = Find(file, "stts");
  Put32(file, stts.offset + 16, Get32(file, stts.offset + 16) + 1);  // 11 durations
  WriteBytes(Path("sdtp.mov"), file);
  Movie movie = Open("sdtp.mov");
  ASSERT_NE(movie, nullptr);
  ASSERT_EQ(GetMediaSampleCount(MediaOf(movie, 1)), 10);
  TimeValue half = GetMovieDuration(movie) / 2;
  ASSERT_EQ(DeleteMovieSegment(movie, half, GetMovieDuration(movie) - half), noErr);
  ASSERT_EQ(Flatten(movie, "cut.mov"), noErr);
  EXPECT_EQ(GetMediaSampleCount(MediaOf(Open("cut.mov"), 1)), 5);
  EXPECT_TRUE(SampleDependencies(ReadBytes(Path("cut.mov"))).empty());
}

// Durations of the samples an 'stts' atom gives, one a sample.
std::vector<uint32_t> DurationsOf(const Bytes& b, const Atom& stts) {
  std::vector<uint32_t> durations;
  for (uint32_t i = 0, n = Get32(b, stts.offset + 12); i < n; ++i) {
    durations.insert(durations.end(), Get32(b, stts.offset + 16 + 8 * i),
                     Get32(b, stts.offset + 20 + 8 * i));
  }
  return durations;
}

Bytes DurationTable(const std::vector<uint32_t>& durations) {
  Bytes body(4);
  uint32_t entries = 0;
  for (size_t i = 0; i < durations.size(); ++i) {
    if (i > 0 && durations[i] == durations[i - 1]) {
      Put32(body, body.size() - 8, Get32(body, body.size() - 8) + 1);
      continue;
    }
    Append32(body, 1);
    Append32(body, durations[i]);
    ++entries;
  }
  Put32(body, 0, entries);
  return FullAtom("stts", body);
}

TEST_F(MovieFileFormats, ASampleOfNoDurationAtTheEndSurvivesAFlatten) {
  REQUIRE_FFMPEG();
  // Shown by an edit list of ffmpeg's, and by the whole media edit a
  // movie without one gets.
  ASSERT_TRUE(Make("-f lavfi -i testsrc=size=32x24:rate=10:duration=1",
                   {{"edits.mov", "-c:v mjpeg"}, {"none.mov", "-c:v mjpeg -use_editlist 0"}}));
  for (const char* name : {"edits.mov", "none.mov"}) {
    SCOPED_TRACE(name);
    Bytes file = ReadBytes(Path(name));
    EXPECT_EQ(Count(file, "elst"), std::string(name) == "edits.mov" ? 1 : 0);
    Atom stts = Find(file, "stts");
    std::vector<uint32_t> durations = DurationsOf(file, stts);
    ASSERT_EQ(durations.size(), 10u);
    durations.back() = 0;
    Replace(file, stts, DurationTable(durations));
    std::string zeroName = std::string("zero-") + name;
    WriteBytes(Path(zeroName), file);

    Movie movie = Open(zeroName);
    ASSERT_NE(movie, nullptr);
    Media media = MediaOf(movie, 1);
    ASSERT_EQ(GetMediaSampleCount(media), 10);
    TimeValue start = 0, duration = -1;
    SampleNumToMediaTime(media, 10, &start, &duration);
    EXPECT_EQ(start, 9 * static_cast<TimeValue>(durations[0]));
    EXPECT_EQ(duration, 0);
    EXPECT_EQ(GetMediaDuration(media), start);

    std::string flatName = std::string("flat-") + name;
    ASSERT_EQ(Flatten(movie, flatName), noErr);
    Bytes flat = ReadBytes(Path(flatName));
    EXPECT_EQ(DurationsOf(flat, Find(flat, "stts")), durations);
    EXPECT_EQ(SizesOf(flat, Find(flat, "stsz")), SizesOf(file, Find(file, "stsz")));
    Movie again = Open(flatName);
    ASSERT_NE(again, nullptr);
    ExpectSameSamples(media, MediaOf(again, 1));
  }
}

TEST_F(MovieFileFormats, AnHourOfSoundAddedByReferenceIsKeptAsARun) {
  const long kFrames = 48000L * 3600;
  auto began = std::chrono::steady_clock::now();
  Movie movie = Keep(NewMovie(newMovieActive));
  SetMovieTimeScale(movie, 600);
  Track track = NewMovieTrack(movie, 0, 0, 0x100);
  Media media = NewTrackMedia(track, SoundMediaType, 48000, nullptr, 0);
  ASSERT_NE(media, nullptr);
  Handle desc = NewHandleClear(sizeof(SoundDescription));
  auto sound = reinterpret_cast<SoundDescriptionHandle>(desc);
  (**sound).descSize = sizeof(SoundDescription);
  (**sound).dataFormat = 'twos';
  (**sound).dataRefIndex = 1;
  (**sound).numChannels = 2;
  (**sound).sampleSize = 16;
  (**sound).sampleRate = 48000u << 16;
  TimeValue first = -1;
  // The bytes are never read: nothing here flattens or plays the movie.
  ASSERT_EQ(
      AddMediaSampleReference(media, 0, 4UL * kFrames, 1,
                              reinterpret_cast<SampleDescriptionHandle>(desc), kFrames, 0, &first),
      noErr);
  DisposeHandle(desc);
  ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), 0x10000), noErr);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(GetMediaSampleCount(media), kFrames);
  EXPECT_EQ(GetMediaDuration(media), kFrames);
  EXPECT_EQ(GetMovieDuration(movie), 600 * 3600);
  EXPECT_EQ(GetMediaDataSize(media, 0, GetMediaDuration(media)), 4 * kFrames);
  TimeValue start = -1, duration = 0;
  SampleNumToMediaTime(media, kFrames, &start, &duration);
  EXPECT_EQ(start, kFrames - 1);
  EXPECT_EQ(duration, 1);
  long number = 0;
  MediaTimeToSampleNum(media, static_cast<TimeValue>(kFrames - 1), &number, &start, &duration);
  EXPECT_EQ(number, kFrames);
  EXPECT_EQ(start, kFrames - 1);
  MediaTimeToSampleNum(media, 1800 * 48000, &number, nullptr, nullptr);
  EXPECT_EQ(number, 1800 * 48000 + 1);

  // Its movie atom holds a few table entries, not one for each sample.
  Handle atom = NewHandle(0);
  ASSERT_EQ(PutMovieIntoHandle(movie, atom), noErr);
  EXPECT_LT(GetHandleSize(atom), 4096);
  Movie copy = nullptr;
  ASSERT_EQ(NewMovieFromHandle(&copy, atom, 0, nullptr), noErr);
  Keep(copy);
  DisposeHandle(atom);
  EXPECT_EQ(GetMediaSampleCount(MediaOf(copy, 1)), kFrames);
  EXPECT_EQ(GetMediaDuration(MediaOf(copy, 1)), kFrames);
  // Sample by sample, this would take seconds and gigabytes.
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(1));
}

// The engine's private atom naming live stores is its own, from a handle
// of this process. A file carrying one, even with this process's key and
// a token naming a live store of another movie, has it dropped: its save
// copies its own bytes.
TEST_F(MovieFileFormats, StoreTokensInFilesAreNeverTrusted) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(Make("-f lavfi -i testsrc=size=32x24:rate=10:duration=1", {{"a.mov", "-c:v mjpeg"}}));
  ASSERT_TRUE(
      Make("-f lavfi -i color=c=red:size=32x24:rate=10:duration=1", {{"b.mov", "-c:v mjpeg"}}));
  Movie a = Open("a.mov");
  ASSERT_NE(a, nullptr);
  Handle put = NewHandle(0);
  ASSERT_EQ(PutMovieIntoHandle(a, put), noErr);  // a's store has a token now
  DisposeHandle(put);
  qtml::MediaRecord* media = qtml::MediaOf(MediaOf(a, 1));
  ASSERT_NE(media, nullptr);
  uint64_t token = qtml::StoreToken(media->dataRefs[0].store);
  ASSERT_NE(token, 0u);

  Bytes file = ReadBytes(Path("b.mov"));
  Atom dinf = Find(file, "dinf");
  Bytes tokens(qtml::ProcessKey(), qtml::ProcessKey() + qtml::kProcessKeySize);
  for (int shift = 56; shift >= 0; shift -= 8)
    tokens.push_back(static_cast<uint8_t>(token >> shift));
  Bytes fnst;
  Append32(fnst, static_cast<uint32_t>(8 + tokens.size()));
  fnst.insert(fnst.end(), {'f', 'n', 's', 't'});
  fnst.insert(fnst.end(), tokens.begin(), tokens.end());
  Bytes grown(file.begin() + static_cast<long>(dinf.offset),
              file.begin() + static_cast<long>(dinf.end()));
  grown.insert(grown.end(), fnst.begin(), fnst.end());
  Put32(grown, 0, static_cast<uint32_t>(grown.size()));
  Replace(file, dinf, grown);
  WriteBytes(Path("b-fnst.mov"), file);

  Movie b = Open("b.mov");
  Movie forged = Open("b-fnst.mov");
  ASSERT_NE(forged, nullptr);
  ExpectSameSamples(MediaOf(b, 1), MediaOf(forged, 1));
  ASSERT_EQ(Flatten(forged, "c.mov"), noErr);
  Movie c = Open("c.mov");
  ASSERT_NE(c, nullptr);
  ExpectSameSamples(MediaOf(b, 1), MediaOf(c, 1));
  EXPECT_EQ(Count(ReadBytes(Path("c.mov")), "fnst"), 0);
}

// Data references naming this process's memory ('ptr ', 'hndl') cannot
// come honestly from a file: the media is unresolved, the rest of the
// movie opens, and its samples answer errors rather than reading memory.
TEST_F(MovieFileFormats, MemoryDataReferencesOfFilesAreUnresolved) {
  REQUIRE_FFMPEG();
  ASSERT_TRUE(
      Make("-f lavfi -i testsrc=size=32x24:rate=10:duration=0.5 -f lavfi -i sine=duration=0.5",
           {{"clip.mov", "-c:v mjpeg -c:a pcm_s16be"}}));
  for (const char* kind : {"ptr ", "hndl"}) {
    SCOPED_TRACE(kind);
    Bytes file = ReadBytes(Path("clip.mov"));
    Bytes entry;
    Append32(entry, 8 + 4 + 16);
    entry.insert(entry.end(), kind, kind + 4);
    Append32(entry, 0);                            // not a self reference
    entry.insert(entry.end(), 16, uint8_t{0x41});  // a pointer and a length
    Bytes body;
    Append32(body, 1);
    body.insert(body.end(), entry.begin(), entry.end());
    Replace(file, Find(file, "dref", 0), FullAtom("dref", body));
    WriteBytes(Path("memory.mov"), file);

    Movie movie = Open("memory.mov", couldNotResolveDataRef);
    ASSERT_NE(movie, nullptr);
    ASSERT_EQ(GetMovieTrackCount(movie), 2);
    EXPECT_NE(SampleAt(MediaOf(movie, 1), 0).err, noErr);
    EXPECT_EQ(SampleAt(MediaOf(movie, 2), 0).err, noErr);
    EXPECT_EQ(Flatten(movie, "flat.mov"), couldNotResolveDataRef);
    EXPECT_FALSE(fs::exists(Path("flat.mov")));
  }
}

}  // namespace
