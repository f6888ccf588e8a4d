// Alias records in the Alias Manager's layout: the fixed part and tags as
// written, records written by others, finding files that moved, and
// reference movies that ffmpeg follows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "Aliases.h"
#include "Movies.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "data/data_refs.h"
#include "long_names.h"
#include "scratch_dir_test.h"

namespace {

namespace fs = std::filesystem;

int BE16(const std::vector<uint8_t>& bytes, size_t at) {
  return bytes[at] << 8 | bytes[at + 1];
}

std::string Text(const std::vector<uint8_t>& bytes, size_t at, size_t size) {
  return std::string(bytes.begin() + static_cast<long>(at),
                     bytes.begin() + static_cast<long>(at + size));
}

// A Pascal string of the fixed part.
std::string Pascal(const std::vector<uint8_t>& bytes, size_t at) {
  return Text(bytes, at + 1, bytes[at]);
}

// The data of each tag by tag; the end tag included. Each tag starts at an
// even offset, and a pad byte is 0.
std::map<int, std::string> TagsOf(const std::vector<uint8_t>& record) {
  std::map<int, std::string> tags;
  size_t at = 150;
  while (at + 4 <= record.size()) {
    int tag = BE16(record, at);
    size_t length = BE16(record, at + 2);
    EXPECT_EQ(at % 2, 0u) << "tag " << tag;
    EXPECT_LE(at + 4 + length, record.size()) << "tag " << tag;
    if (at + 4 + length > record.size()) break;
    tags[tag] = Text(record, at + 4, length);
    if (tag == 0xFFFF) break;
    if (length % 2 == 1) {
      EXPECT_EQ(record[at + 4 + length], 0) << "pad of tag " << tag;
    }
    at += 4 + length + length % 2;
  }
  return tags;
}

// A Unicode name tag's data for UTF-16 units.
std::string Unicode(const std::u16string& units) {
  std::string data{static_cast<char>(units.size() >> 8), static_cast<char>(units.size() & 0xFF)};
  for (char16_t unit : units) {
    data += static_cast<char>(unit >> 8);
    data += static_cast<char>(unit & 0xFF);
  }
  return data;
}

void SetSize(std::vector<uint8_t>& record) {
  record[4] = static_cast<uint8_t>(record.size() >> 8);
  record[5] = static_cast<uint8_t>(record.size());
}

// A record put together by hand, as another system might write one.
std::vector<uint8_t> ForeignRecord(const std::vector<std::pair<int, std::string>>& tags) {
  std::vector<uint8_t> record(150, 0);
  record[7] = 2;
  std::string volume = "Media";
  record[10] = static_cast<uint8_t>(volume.size());
  std::copy(volume.begin(), volume.end(), record.begin() + 11);
  record[50] = 5;
  std::copy_n("a.mp4", 5, record.begin() + 51);
  record[130] = record[131] = record[132] = record[133] = 0xFF;
  for (const auto& [tag, data] : tags) {
    record.push_back(static_cast<uint8_t>(tag >> 8));
    record.push_back(static_cast<uint8_t>(tag));
    record.push_back(static_cast<uint8_t>(data.size() >> 8));
    record.push_back(static_cast<uint8_t>(data.size()));
    record.insert(record.end(), data.begin(), data.end());
    if (data.size() % 2 == 1) record.push_back(0);
  }
  record.insert(record.end(), {0xFF, 0xFF, 0, 0});
  SetSize(record);
  return record;
}

bool Shell(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

class AliasRecords : public ScratchDirTest {
 protected:
  AliasRecords() : ScratchDirTest("qtml-alias-records-") {}
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ScratchDirTest::SetUp();
  }

  using ScratchDirTest::Write;
  void Write(const std::string& name) { Write(name, "x"); }
  FSSpec Spec(const std::string& name) {
    FSSpec spec{};
    std::string path = Path(name);
    OSErr err = NativePathNameToFSSpec(path.data(), &spec, 0);
    EXPECT_TRUE(err == noErr || err == fnfErr) << path << ": " << err;
    return spec;
  }
  qtml::AliasFields Parse(const std::vector<uint8_t>& record) {
    qtml::AliasFields fields;
    EXPECT_TRUE(qtml::ParseAliasRecord(record.data(), record.size(), &fields));
    return fields;
  }
};

TEST_F(AliasRecords, FixedPartHoldsWhatTheAliasManagerPutsThere) {
  Write("media/clip.mov");
  FInfo info{'MooV', 'TVOD', 0, {0, 0}, 0};
  FSSpec clip = Spec("media/clip.mov");
  ASSERT_EQ(FSpSetFInfo(&clip, &info), noErr);
  std::vector<uint8_t> record =
      qtml::MakeRelativeAliasRecord(Path("media/clip.mov"), Path("movie.mov"));
  ASSERT_GT(record.size(), 150u);
  EXPECT_EQ(Text(record, 0, 4), std::string(4, '\0'));  // userType
  EXPECT_EQ(BE16(record, 4), static_cast<int>(record.size()));
  EXPECT_EQ(BE16(record, 6), 2);  // version
  EXPECT_EQ(BE16(record, 8), 0);  // a file
  EXPECT_EQ(Pascal(record, 10), "Macintosh HD");
  EXPECT_EQ(Text(record, 42, 2), "H+");
  EXPECT_EQ(Pascal(record, 50), "clip.mov");
  EXPECT_EQ(Text(record, 122, 4), "MooV");
  EXPECT_EQ(Text(record, 126, 4), "TVOD");
  EXPECT_EQ(BE16(record, 130), 1) << "nlvlFrom: the movie's own directory";
  EXPECT_EQ(BE16(record, 132), 2) << "nlvlTo: down to media/clip.mov";
  EXPECT_EQ(Text(record, 134, 16), std::string(16, '\0'));

  std::vector<uint8_t> folder = qtml::MakeAliasRecord(Path("media"));
  EXPECT_EQ(BE16(folder, 8), 1) << "a folder";
  EXPECT_EQ(BE16(folder, 130), 0xFFFF) << "minimal: no levels";
  EXPECT_EQ(BE16(folder, 132), 0xFFFF);
}

TEST_F(AliasRecords, TagsNameThePathEveryWay) {
  // Names of even and odd lengths, so that some tags need a pad byte.
  for (const std::string name : {"clip.mov", "clip1.mov"}) {
    std::vector<uint8_t> record = qtml::MakeAliasRecord(Path("dir/" + name));
    std::map<int, std::string> tags = TagsOf(record);
    std::string hfs = "Macintosh HD" + Path("dir/" + name);
    std::replace(hfs.begin(), hfs.end(), '/', ':');
    EXPECT_EQ(tags[0], "dir");
    EXPECT_EQ(tags[2], hfs);
    EXPECT_EQ(tags[14], Unicode(std::u16string(name.begin(), name.end())));
    EXPECT_EQ(tags[15], Unicode(u"Macintosh HD"));
    EXPECT_EQ(tags[18], Path("dir/" + name));
    EXPECT_EQ(tags[19], "/");
    ASSERT_EQ(tags.count(0xFFFF), 1u);
    EXPECT_EQ(tags[0xFFFF], "");
    EXPECT_EQ(BE16(record, record.size() - 4), 0xFFFF) << "the end tag closes the record";
  }
  std::map<int, std::string> root = TagsOf(qtml::MakeAliasRecord("/top.mov"));
  EXPECT_EQ(root[0], "Macintosh HD") << "the root's name is the volume's";
  EXPECT_EQ(root[2], "Macintosh HD:top.mov");
}

TEST_F(AliasRecords, LongAndNonASCIINames) {
  std::string accented;
  for (int i = 0; i < 40; ++i) accented += "\xC3\xA9";  // 40 'é', 80 bytes
  std::vector<uint8_t> record = qtml::MakeAliasRecord(Path(accented));
  EXPECT_EQ(Pascal(record, 50), accented.substr(0, 62)) << "cut whole characters only";
  EXPECT_EQ(TagsOf(record)[14], Unicode(std::u16string(40, u'\u00E9')));
  qtml::AliasFields fields = Parse(record);
  EXPECT_EQ(fields.path, Path(accented)) << "the tags keep the whole name";
  EXPECT_EQ(fields.leaf, accented);

  EXPECT_TRUE(qtml::MakeAliasRecord("/" + std::string(40000, 'a')).empty()) << "too long";

  std::string wide = "\xF0\x9F\x8E\xAC clip";  // a clapper board, beyond 16 bits
  EXPECT_EQ(TagsOf(qtml::MakeAliasRecord(Path(wide)))[14], Unicode(u"\U0001F3AC clip"));
  std::string broken = "a\xFFz";  // a native name that is not UTF-8
  record = qtml::MakeAliasRecord(Path(broken));
  EXPECT_EQ(TagsOf(record)[14], Unicode(u"a\uFFFDz"));
  EXPECT_EQ(Parse(record).path, Path(broken));

  // ':' is a separator in Mac paths; Mac names hold '/' for it.
  record = qtml::MakeAliasRecord(Path("10:30.mov"));
  EXPECT_EQ(Pascal(record, 50), "10/30.mov");
  std::string hfs = TagsOf(record)[2];
  EXPECT_EQ(hfs.substr(hfs.rfind(':')), ":10/30.mov");
  fields = Parse(record);
  EXPECT_EQ(fields.path, Path("10:30.mov"));
  EXPECT_EQ(fields.leaf, "10:30.mov");
}

TEST_F(AliasRecords, NamesLongerThanTheFixedPartResolveWhole) {
  std::string name = MixedName(200, ".mov");
  Write("a/ref.mov");
  Write("a/media/" + name);
  std::vector<uint8_t> record = qtml::MakeAliasRecord(Path("a/media/" + name));
  std::string fixed = Pascal(record, 50);
  EXPECT_LE(fixed.size(), 63u);
  EXPECT_EQ(fixed, name.substr(0, fixed.size()));
  EXPECT_NE(static_cast<uint8_t>(name[fixed.size()]) & 0xC0, 0x80) << "cut between characters";
  qtml::AliasFields fields = Parse(record);
  EXPECT_EQ(fields.leaf, name);
  EXPECT_EQ(fields.path, Path("a/media/" + name));
  // Written elsewhere with a short name in the fixed part: the path still
  // gives the whole name.
  record = ForeignRecord({{18, "/Clips/" + name}});
  EXPECT_EQ(Parse(record).leaf, name);

  FSSpec from = Spec("a/ref.mov"), target = Spec("a/media/" + name);
  AliasHandle alias = nullptr;
  ASSERT_EQ(NewAlias(&from, &target, &alias), noErr);
  FSSpec found{};
  Boolean changed = true;
  ASSERT_EQ(ResolveAlias(&from, alias, &found, &changed), noErr);
  EXPECT_FALSE(changed);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(found.name + 1), found.name[0]), name);
  Str63 info;
  ASSERT_EQ(GetAliasInfo(alias, asiAliasName, info), noErr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(info + 1), info[0]), fixed);

  // Moved together with the file it was made from, it follows.
  fs::rename(Path("a"), Path("b"));
  FSSpec movedFrom = Spec("b/ref.mov");
  ASSERT_EQ(ResolveAlias(&movedFrom, alias, &found, &changed), noErr);
  EXPECT_TRUE(changed);
  char path[1024];
  ASSERT_EQ(FSSpecToNativePathName(&found, path, sizeof path, 0), noErr);
  EXPECT_EQ(std::string(path), Path("b/media/" + name));

  // Gone: the spec still names it whole in its folder.
  fs::remove(Path("b/media/" + name));
  found = FSSpec{};
  EXPECT_EQ(ResolveAlias(&movedFrom, alias, &found, &changed), fnfErr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(found.name + 1), found.name[0]), name);
  DisposeHandle(reinterpret_cast<Handle>(alias));

  std::string longest = MixedName(255, ".mov");
  Write(longest);
  FSSpec spec = Spec(longest);
  ASSERT_EQ(QTNewAlias(&spec, &alias, true), noErr);
  ASSERT_EQ(ResolveAlias(nullptr, alias, &found, &changed), noErr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(found.name + 1), found.name[0]), longest);
  DisposeHandle(reinterpret_cast<Handle>(alias));
}

TEST_F(AliasRecords, LevelsHoldTheRelativePath) {
  struct Case {
    std::string target, from, relative;
    int levelsFrom, levelsTo;
  } cases[] = {
      {"clip.mov", "ref.mov", "clip.mov", 1, 1},
      {"media/clip.mov", "ref.mov", "media/clip.mov", 1, 2},
      {"media/clip.mov", "movies/ref.mov", "../media/clip.mov", 2, 2},
      {"clip.mov", "a/b/ref.mov", "../../clip.mov", 3, 1},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> record = qtml::MakeRelativeAliasRecord(Path(c.target), Path(c.from));
    EXPECT_EQ(BE16(record, 130), c.levelsFrom) << c.target << " from " << c.from;
    EXPECT_EQ(BE16(record, 132), c.levelsTo) << c.target << " from " << c.from;
    qtml::AliasFields fields = Parse(record);
    EXPECT_EQ(fields.relative, c.relative);
    EXPECT_FALSE(fields.minimal);
  }
  EXPECT_TRUE(Parse(qtml::MakeAliasRecord(Path("clip.mov"))).minimal);
  // A relative path the levels cannot say is refused.
  EXPECT_TRUE(qtml::MakeAliasRecord(Path("a/clip.mov"), "b/clip.mov", false).empty());
  EXPECT_TRUE(qtml::MakeAliasRecord(Path("clip.mov"), "../x/../clip.mov", false).empty());
}

TEST_F(AliasRecords, RecordsWrittenElsewhere) {
  qtml::AliasFields fields;
  // Only an HFS path (as a minimal alias from a full path), and tags the
  // engine does not know.
  std::vector<uint8_t> record =
      ForeignRecord({{1, std::string(8, '\x07')}, {2, "Media:Clips:10/30.mp4"}, {99, "odd"}});
  ASSERT_TRUE(qtml::ParseAliasRecord(record.data(), record.size(), &fields));
  EXPECT_EQ(fields.path, "/Clips/10:30.mp4");
  EXPECT_EQ(fields.volume, "Media");
  EXPECT_TRUE(fields.minimal);
  // A POSIX path from the mount point of its volume wins over the HFS path.
  record = ForeignRecord({{2, "Media:Clips:a.mp4"}, {18, "Clips/a.mp4"}, {19, "/Volumes/Media"}});
  ASSERT_TRUE(qtml::ParseAliasRecord(record.data(), record.size(), &fields));
  EXPECT_EQ(fields.path, "/Volumes/Media/Clips/a.mp4");

  record = ForeignRecord({{1, "ids!"}});
  EXPECT_FALSE(qtml::ParseAliasRecord(record.data(), record.size(), &fields)) << "names no path";
  record = ForeignRecord({{2, "Media:a.mp4"}});
  record.resize(record.size() - 4);
  SetSize(record);
  EXPECT_FALSE(qtml::ParseAliasRecord(record.data(), record.size(), &fields)) << "no end tag";
  record = ForeignRecord({{2, "Media:a.mp4"}});
  record.insert(record.end(), {0xFF, 0xFF, 0, 0});
  SetSize(record);
  EXPECT_FALSE(qtml::ParseAliasRecord(record.data(), record.size(), &fields)) << "past the end";
  record.resize(149);
  SetSize(record);
  EXPECT_FALSE(qtml::ParseAliasRecord(record.data(), record.size(), &fields)) << "too short";
}

TEST_F(AliasRecords, FoundBesideTheFileTheyWereMadeFrom) {
  Write("a/ref.mov");
  Write("a/media/clip.mov", "first");
  std::vector<uint8_t> record =
      qtml::MakeRelativeAliasRecord(Path("a/media/clip.mov"), Path("a/ref.mov"));
  record[0] = 'u';  // the caller's userType
  std::vector<uint8_t> unchanged = record;
  EXPECT_FALSE(qtml::RelocateAliasRecord(&record, Path("a/ref.mov")));
  EXPECT_EQ(record, unchanged);

  // Both moved: found from the new place, and the record names it.
  fs::rename(Path("a"), Path("b"));
  EXPECT_FALSE(qtml::RelocateAliasRecord(&record, "")) << "nothing to look beside";
  ASSERT_TRUE(qtml::RelocateAliasRecord(&record, Path("b/ref.mov")));
  qtml::AliasFields fields = Parse(record);
  EXPECT_EQ(fields.path, Path("b/media/clip.mov"));
  EXPECT_EQ(fields.relative, "media/clip.mov");
  EXPECT_EQ(record[0], 'u');

  // Copied: the copy beside comes before the original.
  fs::copy(Path("b"), Path("c"), fs::copy_options::recursive);
  ASSERT_TRUE(qtml::RelocateAliasRecord(&record, Path("c/ref.mov")));
  EXPECT_EQ(Parse(record).path, Path("c/media/clip.mov"));

  AliasHandle alias = nullptr;
  FSSpec from = Spec("b/ref.mov"), clip = Spec("b/media/clip.mov"), copyFrom = Spec("c/ref.mov");
  ASSERT_EQ(NewAlias(&from, &clip, &alias), noErr);
  FSSpec target{};
  Boolean changed = false;
  ASSERT_EQ(ResolveAlias(&copyFrom, alias, &target, &changed), noErr);
  EXPECT_TRUE(changed);
  char path[1024];
  ASSERT_EQ(FSSpecToNativePathName(&target, path, sizeof path, 0), noErr);
  EXPECT_EQ(std::string(path), Path("c/media/clip.mov"));
  DisposeHandle(reinterpret_cast<Handle>(alias));
}

// Reference movies the engine writes, read by ffmpeg and by the engine
// after they move.
class ReferenceMovies : public AliasRecords {
 protected:
  void TearDown() override {
    for (Movie m : movies_) DisposeMovie(m);
    for (short ref : files_) CloseMovieFile(ref);
    AliasRecords::TearDown();
  }

  Movie Open(const std::string& name) {
    FSSpec spec = Spec(name);
    short ref = 0;
    EXPECT_EQ(OpenMovieFile(&spec, &ref, fsRdPerm), noErr);
    files_.push_back(ref);
    Movie movie = nullptr;
    short id = 0;
    OSErr err = NewMovieFromFile(&movie, ref, &id, nullptr, 0, nullptr);
    EXPECT_EQ(err, noErr) << name;
    if (movie != nullptr) movies_.push_back(movie);
    return movie;
  }
  // Saves a movie into a new file whose media stay where they are.
  void SaveReference(Movie movie, const std::string& name) {
    fs::create_directories(fs::path(Path(name)).parent_path());
    FSSpec spec = Spec(name);
    short ref = 0;
    ASSERT_EQ(CreateMovieFile(&spec, 'TVOD', smSystemScript,
                              createMovieFileDeleteCurFile | createMovieFileDontCreateMovie, &ref,
                              nullptr),
              noErr);
    EXPECT_EQ(UpdateMovieResource(movie, ref, movieInDataForkResID, nullptr), noErr);
    EXPECT_EQ(CloseMovieFile(ref), noErr);
  }
  // The video frames ffprobe reads (decoding every packet), or -1.
  long FramesRead(const std::string& path, const std::string& options = "") {
    std::string out = path + ".frames";
    if (!Shell("ffprobe -v error " + options +
               " -select_streams v:0 -count_frames -show_entries stream=nb_read_frames "
               "-of csv=p=0 '" +
               path + "' > '" + out + "' 2>/dev/null")) {
      return -1;
    }
    std::ifstream in(out);
    long frames = -1;
    in >> frames;
    return frames;
  }
  bool FfmpegPlays(const std::string& path) {
    return Shell("ffmpeg -v error -xerror -enable_drefs 1 -i '" + path +
                 "' -f null - </dev/null >/dev/null 2>&1");
  }

  std::vector<Movie> movies_;
  std::vector<short> files_;
};

TEST_F(ReferenceMovies, FfmpegFollowsThemToTheirSource) {
  if (!Shell("command -v ffmpeg >/dev/null 2>&1 && command -v ffprobe >/dev/null 2>&1")) {
    GTEST_SKIP() << "ffmpeg is not installed";
  }
  fs::create_directories(Path("a/media"));
  ASSERT_TRUE(
      Shell("ffmpeg -v error -y -f lavfi -i testsrc=size=160x120:rate=30 -f lavfi -i sine "
            "-t 1 -c:v mjpeg -c:a pcm_s16be '" +
            Path("a/media/clip.mov") + "' </dev/null"));
  long frames = FramesRead(Path("a/media/clip.mov"));
  ASSERT_GT(frames, 0);
  Movie source = Open("a/media/clip.mov");
  ASSERT_NE(source, nullptr);
  SaveReference(source, "a/ref.mov");         // down into a folder
  SaveReference(source, "a/movies/ref.mov");  // across to a sibling folder
  SaveReference(source, "a/media/ref.mov");   // beside it

  for (const char* name : {"a/ref.mov", "a/movies/ref.mov", "a/media/ref.mov"}) {
    EXPECT_LT(fs::file_size(Path(name)), 8000u) << name << " holds no samples";
    EXPECT_TRUE(FfmpegPlays(Path(name))) << name;
    EXPECT_EQ(FramesRead(Path(name), "-enable_drefs 1"), frames) << name;
  }

  // Moved together, they still play, in ffmpeg and in the engine.
  fs::rename(Path("a"), Path("b"));
  for (const char* name : {"b/ref.mov", "b/movies/ref.mov"}) {
    EXPECT_TRUE(FfmpegPlays(Path(name))) << name;
    Movie moved = Open(name);
    ASSERT_NE(moved, nullptr);
    Media media =
        GetTrackMedia(GetMovieIndTrackType(moved, 1, VideoMediaType, movieTrackMediaType));
    Handle sample = NewHandle(0);
    long size = 0;
    EXPECT_EQ(GetMediaSample(media, sample, 0, &size, 0, nullptr, nullptr, nullptr, nullptr, 1,
                             nullptr, nullptr),
              noErr)
        << name;
    EXPECT_GT(size, 0);
    DisposeHandle(sample);
    // Saved again from its new place, it names the new place.
    SaveReference(moved, "b/again/ref.mov");
    EXPECT_EQ(FramesRead(Path("b/again/ref.mov"), "-enable_drefs 1"), frames) << name;
  }
}

}  // namespace
