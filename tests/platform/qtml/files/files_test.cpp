// The File Manager over native paths: specs, directory IDs, creating and
// deleting, and file types kept with the file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "Files.h"
#include "QTMLTestControls.h"
#include "long_names.h"
#include "scratch_dir_test.h"

namespace {

namespace fs = std::filesystem;

class FilesTest : public ScratchDirTest {
 protected:
  FilesTest() : ScratchDirTest("qtml-files-") {}
  void TearDown() override {
    QTMLTest_UseFinderInfoSidecar(false);
    ScratchDirTest::TearDown();
  }
  FSSpec Spec(const std::string& name, OSErr expected) {
    FSSpec spec{};
    std::string path = Path(name);
    EXPECT_EQ(NativePathNameToFSSpec(path.data(), &spec, 0), expected) << path;
    return spec;
  }
  std::string Contents(const std::string& name) const {
    std::ifstream in(Path(name));
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static std::string Name(const FSSpec& spec) {
    return std::string(reinterpret_cast<const char*>(spec.name + 1), spec.name[0]);
  }
  static std::string NativePath(const FSSpec& spec, long flags = 0) {
    char path[1024];
    if (FSSpecToNativePathName(&spec, path, sizeof path, flags) != noErr) return "<error>";
    return path;
  }
};

TEST_F(FilesTest, SpecsNameExistingAndFutureFilesInStableDirectories) {
  std::ofstream(Path("movie.mov")) << "x";
  FSSpec existing = Spec("movie.mov", noErr);
  EXPECT_EQ(Name(existing), "movie.mov");
  EXPECT_EQ(NativePath(existing), Path("movie.mov"));

  FSSpec future = Spec("later.mov", fnfErr);
  EXPECT_EQ(future.parID, existing.parID);
  EXPECT_EQ(future.vRefNum, existing.vRefNum);
  EXPECT_EQ(NativePath(future), Path("later.mov"));
  EXPECT_EQ(NativePath(future, kFileNameOnly), "later.mov");
  EXPECT_EQ(NativePath(future, kDirectoryPathOnly), dir_.string());

  // The same directory keeps its ID however it is spelled.
  FSSpec again = Spec("./sub/../movie.mov", noErr);
  EXPECT_EQ(again.parID, existing.parID);
}

TEST_F(FilesTest, BadPathsAreRefused) {
  Spec("missing/file.mov", dirNFErr);
  Spec(std::string(255, 'n'), fnfErr);
  // A name longer than a StrFileName holds leaves the spec as it was.
  FSSpec untouched{};
  untouched.parID = 12345;
  untouched.name[0] = 1;
  std::string tooLong = Path(std::string(256, 'n'));
  EXPECT_EQ(NativePathNameToFSSpec(tooLong.data(), &untouched, 0), bdNamErr);
  EXPECT_EQ(untouched.parID, 12345);
  EXPECT_EQ(untouched.name[0], 1);
  FSSpec spec = Spec("file.mov", fnfErr);
  char small[4];
  EXPECT_EQ(FSSpecToNativePathName(&spec, small, sizeof small, 0), paramErr);
  spec.parID = 999999;
  char path[256];
  EXPECT_EQ(FSSpecToNativePathName(&spec, path, sizeof path, 0), dirNFErr);
  EXPECT_EQ(NativePathNameToFSSpec(nullptr, &spec, 0), paramErr);
}

TEST_F(FilesTest, MakeSpecFromDirectoryAndName) {
  FSSpec inDir = Spec("a.pct", fnfErr);
  FSSpec made{};
  EXPECT_EQ(FSMakeFSSpec(inDir.vRefNum, inDir.parID,
                         reinterpret_cast<ConstStr255Param>("\x05"
                                                            "b.pct"),
                         &made),
            fnfErr);
  EXPECT_EQ(NativePath(made), Path("b.pct"));
  // An empty name names the directory itself.
  EXPECT_EQ(FSMakeFSSpec(inDir.vRefNum, inDir.parID, reinterpret_cast<ConstStr255Param>(""), &made),
            noErr);
  EXPECT_EQ(NativePath(made), dir_.string());
  EXPECT_EQ(FSMakeFSSpec(inDir.vRefNum, 987654, reinterpret_cast<ConstStr255Param>("\x01x"), &made),
            dirNFErr);
  EXPECT_EQ(FSMakeFSSpec(5, inDir.parID, reinterpret_cast<ConstStr255Param>("\x01x"), &made),
            nsvErr);
  EXPECT_EQ(FSMakeFSSpec(0, fsRtParID, reinterpret_cast<ConstStr255Param>(""), &made), noErr);
  EXPECT_EQ(NativePath(made), "/");
}

TEST_F(FilesTest, LongNamesOfUpTo255BytesNameFilesWhole) {
  for (const std::string& name : {MixedName(200, ".mov"), MixedName(255, ".mov")}) {
    SCOPED_TRACE(name);
    FSSpec spec = Spec(name, fnfErr);
    EXPECT_EQ(Name(spec), name);
    EXPECT_EQ(NativePath(spec), Path(name));
    EXPECT_EQ(NativePath(spec, kFileNameOnly), name);
    ASSERT_EQ(FSpCreate(&spec, 'TVOD', 'MooV', smSystemScript), noErr);
    EXPECT_TRUE(fs::exists(Path(name)));
    FInfo info{};
    ASSERT_EQ(FSpGetFInfo(&spec, &info), noErr);
    EXPECT_EQ(info.fdType, static_cast<OSType>('MooV'));

    Str255 pascal;
    pascal[0] = static_cast<unsigned char>(name.size());
    std::memcpy(pascal + 1, name.data(), name.size());
    FSSpec made{};
    ASSERT_EQ(FSMakeFSSpec(spec.vRefNum, spec.parID, pascal, &made), noErr);
    EXPECT_EQ(made.parID, spec.parID);
    EXPECT_EQ(Name(made), name);
    EXPECT_EQ(FSpDelete(&made), noErr);
    EXPECT_FALSE(fs::exists(Path(name)));
  }
}

TEST_F(FilesTest, CreateKeepsTypeAndCreatorInAnAttribute) {
  FSSpec spec = Spec("clip.mov", fnfErr);
  ASSERT_EQ(FSpCreate(&spec, 'TVOD', 'MooV', smSystemScript), noErr);
  EXPECT_TRUE(fs::exists(Path("clip.mov")));
  EXPECT_EQ(fs::file_size(Path("clip.mov")), 0u);
  EXPECT_EQ(FSpCreate(&spec, 'TVOD', 'MooV', smSystemScript), dupFNErr);

  FInfo info{};
  ASSERT_EQ(FSpGetFInfo(&spec, &info), noErr);
  EXPECT_EQ(info.fdType, static_cast<OSType>('MooV'));
  EXPECT_EQ(info.fdCreator, static_cast<OSType>('TVOD'));

  // What another process would find: the attribute's big-endian bytes.
  char raw[64];
  ssize_t size = getxattr(Path("clip.mov").c_str(), "user.fenra.qtml.FinderInfo", raw, sizeof raw);
  if (size < 0) GTEST_SKIP() << "no user extended attributes here";
  ASSERT_EQ(size, 16);
  EXPECT_EQ(std::string(raw, 8), "MooVTVOD");
  EXPECT_FALSE(fs::exists(Path("._clip.mov")));

  EXPECT_EQ(FSpDelete(&spec), noErr);
  EXPECT_FALSE(fs::exists(Path("clip.mov")));
  EXPECT_EQ(FSpDelete(&spec), fnfErr);
}

TEST_F(FilesTest, SidecarKeepsTypeAndCreatorWhereAttributesFail) {
  QTMLTest_UseFinderInfoSidecar(true);
  FSSpec spec = Spec("still.pct", fnfErr);
  ASSERT_EQ(FSpCreate(&spec, 'ogle', 'PICT', smRoman), noErr);
  ASSERT_TRUE(fs::exists(Path("._still.pct")));
  std::ifstream in(Path("._still.pct"), std::ios::binary);
  std::string sidecar((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(sidecar.size(), 16u);
  EXPECT_EQ(sidecar.substr(0, 8), "PICTogle");

  FInfo info{};
  info.fdType = 'JPEG';
  info.fdCreator = 'prvw';
  info.fdFlags = kIsInvisible;
  ASSERT_EQ(FSpSetFInfo(&spec, &info), noErr);
  FInfo read{};
  ASSERT_EQ(FSpGetFInfo(&spec, &read), noErr);
  EXPECT_EQ(read.fdType, static_cast<OSType>('JPEG'));
  EXPECT_EQ(read.fdCreator, static_cast<OSType>('prvw'));
  EXPECT_EQ(read.fdFlags, kIsInvisible);

  ASSERT_EQ(FSpDelete(&spec), noErr);
  EXPECT_FALSE(fs::exists(Path("._still.pct")));
}

TEST_F(FilesTest, SidecarsOfTheLongestNamesAreNativeNamesOfTheirOwn) {
  QTMLTest_UseFinderInfoSidecar(true);
  // Alike but for their last bytes, too long for "._" before them.
  FSSpec movie = Spec(MixedName(255, "1.mov"), fnfErr);
  FSSpec picture = Spec(MixedName(255, "2.pct"), fnfErr);
  ASSERT_EQ(FSpCreate(&movie, 'TVOD', 'MooV', smSystemScript), noErr);
  ASSERT_EQ(FSpCreate(&picture, 'ogle', 'PICT', smSystemScript), noErr);
  FInfo info{};
  ASSERT_EQ(FSpGetFInfo(&movie, &info), noErr);
  EXPECT_EQ(info.fdCreator, static_cast<OSType>('TVOD'));
  ASSERT_EQ(FSpGetFInfo(&picture, &info), noErr);
  EXPECT_EQ(info.fdCreator, static_cast<OSType>('ogle'));
  int sidecars = 0;
  for (const auto& entry : fs::directory_iterator(dir_)) {
    sidecars += entry.path().filename().string().starts_with("._");
  }
  EXPECT_EQ(sidecars, 2);

  ASSERT_EQ(FSpDelete(&movie), noErr);
  ASSERT_EQ(FSpDelete(&picture), noErr);
  EXPECT_TRUE(fs::is_empty(dir_)) << "no sidecar outlives its file";
}

TEST_F(FilesTest, FilesWithoutStoredInfoAreTypedByExtension) {
  std::ofstream(Path("Frame.PCT")) << "x";
  std::ofstream(Path("notes")) << "x";
  FSSpec picture = Spec("Frame.PCT", noErr);
  FSSpec plain = Spec("notes", noErr);
  FInfo info{};
  ASSERT_EQ(FSpGetFInfo(&picture, &info), noErr);
  EXPECT_EQ(info.fdType, static_cast<OSType>('PICT'));
  EXPECT_EQ(info.fdCreator, 0u);
  ASSERT_EQ(FSpGetFInfo(&plain, &info), noErr);
  EXPECT_EQ(info.fdType, 0u);
  FSSpec missing = Spec("gone.mov", fnfErr);
  EXPECT_EQ(FSpGetFInfo(&missing, &info), fnfErr);
  EXPECT_EQ(FSpSetFInfo(&missing, &info), fnfErr);
}

TEST_F(FilesTest, DirectoriesDeleteOnlyWhenEmpty) {
  fs::create_directories(dir_ / "frames");
  std::ofstream(Path("frames/000001")) << "x";
  FSSpec folder = Spec("frames", noErr);
  FInfo info{};
  EXPECT_EQ(FSpGetFInfo(&folder, &info), notAFileErr);
  EXPECT_EQ(FSpDelete(&folder), fBsyErr);
  fs::remove(dir_ / "frames/000001");
  EXPECT_EQ(FSpDelete(&folder), noErr);
  EXPECT_FALSE(fs::exists(dir_ / "frames"));
}

TEST_F(FilesTest, CreateAnswersInjectedFaultsAndMissingFolders) {
  FSSpec spec = Spec("x.mov", fnfErr);
  QTMLTest_FailCall("FSpCreate", 1, dskFulErr);
  EXPECT_EQ(FSpCreate(&spec, 'TVOD', 'MooV', 0), dskFulErr);
  EXPECT_FALSE(fs::exists(Path("x.mov")));
  fs::create_directories(dir_ / "gone");
  FSSpec inGone = Spec("gone/y.mov", fnfErr);
  fs::remove(dir_ / "gone");
  EXPECT_EQ(FSpCreate(&inGone, 'TVOD', 'MooV', 0), dirNFErr);
}

TEST_F(FilesTest, ExchangeSwapsTwoFilesOrChangesNothing) {
  std::ofstream(Path("old.mov")) << "old";
  std::ofstream(Path("new.mov")) << "new contents";
  FSSpec oldSpec = Spec("old.mov", noErr), newSpec = Spec("new.mov", noErr);
  ASSERT_EQ(FSpExchangeFiles(&newSpec, &oldSpec), noErr);
  EXPECT_EQ(Contents("old.mov"), "new contents");
  EXPECT_EQ(Contents("new.mov"), "old");

  QTMLTest_FailIO("old.mov", "rename", 1, dskFulErr);
  EXPECT_EQ(FSpExchangeFiles(&newSpec, &oldSpec), dskFulErr);
  EXPECT_EQ(Contents("old.mov"), "new contents");

  FSSpec missing = Spec("missing.mov", fnfErr);
  EXPECT_EQ(FSpExchangeFiles(&newSpec, &missing), fnfErr);
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  FSSpec fifo = Spec("fifo", noErr);
  EXPECT_EQ(FSpExchangeFiles(&fifo, &oldSpec), notAFileErr);
  EXPECT_EQ(FSpExchangeFiles(nullptr, &oldSpec), paramErr);
  EXPECT_EQ(Contents("old.mov"), "new contents");
  EXPECT_EQ(Contents("new.mov"), "old");
}

}  // namespace
