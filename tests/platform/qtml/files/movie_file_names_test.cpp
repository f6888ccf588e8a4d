// Movie files named with long UTF-8 names: created, opened, flattened,
// saved by reference and deleted through their FSSpecs.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Movies.h"
#include "QTML.h"
#include "long_names.h"
#include "scratch_dir_test.h"

namespace {

namespace fs = std::filesystem;

class MovieFileNames : public ScratchDirTest {
 protected:
  MovieFileNames() : ScratchDirTest("qtml-movie-names-") {}
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ScratchDirTest::SetUp();
  }
  void TearDown() override {
    for (Movie m : movies_) DisposeMovie(m);
    for (short ref : files_) CloseMovieFile(ref);
    ScratchDirTest::TearDown();
  }

  FSSpec Spec(const std::string& name) {
    FSSpec spec{};
    std::string path = Path(name);
    OSErr err = NativePathNameToFSSpec(path.data(), &spec, 0);
    EXPECT_TRUE(err == noErr || err == fnfErr) << path << ": " << err;
    return spec;
  }
  Movie Keep(Movie m) {
    if (m != nullptr) movies_.push_back(m);
    return m;
  }
  Movie Open(const std::string& name) {
    FSSpec spec = Spec(name);
    short ref = 0;
    EXPECT_EQ(OpenMovieFile(&spec, &ref, fsRdPerm), noErr);
    files_.push_back(ref);
    Movie movie = nullptr;
    Boolean changed = true;
    EXPECT_EQ(NewMovieFromFile(&movie, ref, nullptr, nullptr, newMovieActive, &changed), noErr);
    EXPECT_FALSE(changed);
    return Keep(movie);
  }
  // A new movie file holding one sound track of three 100-byte samples.
  void MakeMovieFile(const std::string& name) {
    FSSpec spec = Spec(name);
    short ref = 0;
    Movie movie = nullptr;
    ASSERT_EQ(CreateMovieFile(&spec, 'TVOD', smSystemScript,
                              long{createMovieFileDeleteCurFile} | newMovieActive, &ref, &movie),
              noErr);
    files_.push_back(ref);
    Keep(movie);
    Track track = NewMovieTrack(movie, 0, 0, 0x0100);
    Media media = NewTrackMedia(track, SoundMediaType, 1000, nullptr, 0);
    ASSERT_NE(media, nullptr);
    Handle desc = NewHandleClear(sizeof(SampleDescription));
    auto description = reinterpret_cast<SampleDescriptionHandle>(desc);
    (**description).descSize = sizeof(SampleDescription);
    (**description).dataFormat = 'abcd';
    (**description).dataRefIndex = 1;
    Handle data = NewHandle(100);
    ASSERT_EQ(BeginMediaEdits(media), noErr);
    for (int value : {0x11, 0x22, 0x33}) {
      std::memset(*data, value, 100);
      ASSERT_EQ(AddMediaSample(media, data, 0, 100, 10, description, 1, 0, nullptr), noErr);
    }
    ASSERT_EQ(EndMediaEdits(media), noErr);
    ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1), noErr);
    DisposeHandle(data);
    DisposeHandle(desc);
    ASSERT_EQ(UpdateMovieResource(movie, ref, movieInDataForkResID, nullptr), noErr);
  }
  // The first byte of every sample of the movie's first track.
  static std::string SampleMarks(Movie movie) {
    std::string marks;
    Media media = GetTrackMedia(GetMovieIndTrack(movie, 1));
    Handle data = NewHandle(0);
    for (TimeValue t = 0; t < GetMediaDuration(media); t += 10) {
      long size = 0;
      if (GetMediaSample(media, data, 0, &size, t, nullptr, nullptr, nullptr, nullptr, 1, nullptr,
                         nullptr) != noErr ||
          size == 0) {
        marks += '?';
        continue;
      }
      marks += (*data)[0];
    }
    DisposeHandle(data);
    return marks;
  }

  std::vector<Movie> movies_;
  std::vector<short> files_;
};

TEST_F(MovieFileNames, LongNamesTakeEveryWayAMovieFileIsWritten) {
  std::string source = MixedName(200, ".mov");
  std::string flat = MixedName(255, "f.mov"), data = MixedName(255, "d.mov");
  std::string reference = MixedName(255, "r.mov");
  MakeMovieFile(source);
  Movie movie = Open(source);
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(SampleMarks(movie), "\x11\x22\x33");

  FSSpec flatSpec = Spec(flat);
  FlattenMovie(movie, flattenAddMovieToDataFork, &flatSpec, 'TVOD', smSystemScript,
               createMovieFileDeleteCurFile, nullptr, nullptr);
  ASSERT_EQ(GetMoviesError(), noErr);
  FSSpec dataSpec = Spec(data);
  Movie flattened = Keep(FlattenMovieData(movie, flattenAddMovieToDataFork, &dataSpec, 'TVOD',
                                          smSystemScript, createMovieFileDeleteCurFile));
  ASSERT_NE(flattened, nullptr);
  EXPECT_EQ(SampleMarks(flattened), "\x11\x22\x33");

  // A reference movie finds its samples in the long-named source.
  FSSpec referenceSpec = Spec(reference);
  short ref = 0;
  ASSERT_EQ(
      CreateMovieFile(&referenceSpec, 'TVOD', smSystemScript,
                      createMovieFileDeleteCurFile | createMovieFileDontCreateMovie, &ref, nullptr),
      noErr);
  EXPECT_EQ(UpdateMovieResource(movie, ref, movieInDataForkResID, nullptr), noErr);
  EXPECT_EQ(CloseMovieFile(ref), noErr);

  for (const std::string& name : {flat, reference}) {
    SCOPED_TRACE(name);
    Movie again = Open(name);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(GetMovieDuration(again), GetMovieDuration(movie));
    EXPECT_EQ(SampleMarks(again), "\x11\x22\x33");
  }
  for (const auto& entry : fs::directory_iterator(dir_)) {
    EXPECT_EQ(entry.path().filename().string().find(".flatten-"), std::string::npos);
  }

  for (const std::string& name : {source, flat, data, reference}) {
    FSSpec spec = Spec(name);
    EXPECT_EQ(DeleteMovieFile(&spec), noErr) << name;
    EXPECT_FALSE(fs::exists(Path(name))) << name;
  }
}

}  // namespace
