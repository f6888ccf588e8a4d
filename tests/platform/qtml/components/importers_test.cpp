// Finding importers for real files: pictures written by ImageMagick and
// movies written by ffmpeg, told apart by content, file type and name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ImageCompression.h"
#include "MacMemory.h"
#include "Movies.h"
#include "QuickTimeComponents.h"
#include "components/importers.h"
#include "data/data_refs.h"
#include "scratch_dir_test.h"

namespace {

namespace fs = std::filesystem;

OSType SubTypeOf(Component c) {
  ComponentDescription cd{};
  GetComponentInfo(c, &cd, nullptr, nullptr, nullptr);
  return cd.componentSubType;
}

bool Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

class ImportersTest : public ScratchDirTest {
 protected:
  ImportersTest() : ScratchDirTest("qtml-importers-") {}
  void SetUp() override {
    ScratchDirTest::SetUp();
    haveConvert_ = Shell("convert -size 8x6 xc:red " + Path("red.png")) &&
                   Shell("convert -size 8x6 xc:blue " + Path("blue.jpg")) &&
                   Shell("convert -size 8x6 xc:green " + Path("green.pict"));
    if (haveConvert_) fs::copy_file(Path("red.png"), Path("red-png.dat"));
    haveFFmpeg_ =
        Shell("ffmpeg -v error -y -f lavfi -i testsrc=size=32x24:rate=5 -t 1 " + Path("clip.mov"));
    Write("note.png", "not a picture at all");
    Write("note.txt", "not a picture at all");
  }
  FSSpec Spec(const std::string& name) const {
    FSSpec spec{};
    std::string path = Path(name);
    NativePathNameToFSSpec(path.data(), &spec, 0);
    return spec;
  }
  // An alias data reference to the file, owned by the caller.
  Handle AliasRef(const std::string& name) const {
    std::vector<uint8_t> bytes = qtml::MakeAliasRecord(Path(name));
    Handle h = NewHandle(static_cast<Size>(bytes.size()));
    std::memcpy(*h, bytes.data(), bytes.size());
    return h;
  }
  OSType ImporterFor(const std::string& name, long flags, OSErr* err) const {
    Handle ref = AliasRef(name);
    Component importer = nullptr;
    *err = GetMovieImporterForDataRef('alis', ref, flags, &importer);
    DisposeHandle(ref);
    return importer != nullptr ? SubTypeOf(importer) : 0;
  }
  void RequirePictures() {
    if (!haveConvert_) GTEST_SKIP() << "ImageMagick's convert is not on the PATH";
  }

  bool haveConvert_ = false;
  bool haveFFmpeg_ = false;
};

TEST_F(ImportersTest, GraphicsImportersAreChosenByContent) {
  RequirePictures();
  struct {
    const char* file;
    OSType format;
  } const kFiles[] = {
      {"red.png", 'PNGf'}, {"blue.jpg", 'JPEG'}, {"green.pict", 'PICT'}, {"red-png.dat", 'PNGf'}};
  for (const auto& file : kFiles) {
    SCOPED_TRACE(file.file);
    FSSpec spec = Spec(file.file);
    ComponentInstance gi = nullptr;
    ASSERT_EQ(GetGraphicsImporterForFile(&spec, &gi), noErr);
    EXPECT_EQ(SubTypeOf(reinterpret_cast<Component>(gi)), file.format);
    auto* work = dynamic_cast<qtml::GraphicsImporterImplementation*>(qtml::ImplementationOf(gi));
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(work->path, Path(file.file));
    EXPECT_EQ(CloseComponent(gi), noErr);
  }
}

TEST_F(ImportersTest, GraphicsImporterFailures) {
  ComponentInstance gi = reinterpret_cast<ComponentInstance>(1);
  FSSpec missing = Spec("missing.png");
  EXPECT_EQ(GetGraphicsImporterForFile(&missing, &gi), fnfErr);
  EXPECT_EQ(gi, nullptr);
  FSSpec text = Spec("note.txt");
  EXPECT_EQ(GetGraphicsImporterForFile(&text, &gi), cantFindHandler);
  // Content that says nothing leaves the name to decide.
  FSSpec named = Spec("note.png");
  ASSERT_EQ(GetGraphicsImporterForFile(&named, &gi), noErr);
  EXPECT_EQ(SubTypeOf(reinterpret_cast<Component>(gi)), static_cast<OSType>('PNGf'));
  CloseComponent(gi);
  EXPECT_EQ(GetGraphicsImporterForFile(nullptr, &gi), paramErr);
  EXPECT_EQ(GetGraphicsImporterForFile(&named, nullptr), paramErr);
}

TEST_F(ImportersTest, MovieImportersForFilesAndMemory) {
  OSErr err = noErr;
  if (haveFFmpeg_) {
    EXPECT_EQ(ImporterFor("clip.mov", 0, &err), static_cast<OSType>('MooV'));
    EXPECT_EQ(err, noErr);
  }
  if (haveConvert_) {
    EXPECT_EQ(ImporterFor("red-png.dat", 0, &err), static_cast<OSType>('PNGf'));
    EXPECT_EQ(ImporterFor("red.png", kGetMovieImporterDontConsiderGraphicsImporters, &err), 0u);
    EXPECT_EQ(err, cantFindHandler);
    EXPECT_EQ(GetMoviesError(), cantFindHandler);
  }
  EXPECT_EQ(ImporterFor("note.txt", 0, &err), 0u);
  EXPECT_EQ(err, cantFindHandler);

  // A handle reference is told by its bytes alone.
  Handle wave = NewHandle(12);
  std::memcpy(*wave, "RIFF\0\0\0\0WAVE", 12);
  Handle ref = NewHandle(sizeof(Handle));
  std::memcpy(*ref, &wave, sizeof(Handle));
  Component importer = nullptr;
  EXPECT_EQ(GetMovieImporterForDataRef('hndl', ref, 0, &importer), noErr);
  EXPECT_EQ(SubTypeOf(importer), static_cast<OSType>('WAVE'));
  EXPECT_EQ(GetMovieImporterForDataRef('hndl', nullptr, 0, &importer), paramErr);
  EXPECT_EQ(importer, nullptr);
  DisposeHandle(ref);
  DisposeHandle(wave);
}

TEST_F(ImportersTest, CanQuickTimeOpenFileFollowsItsFlags) {
  RequirePictures();
  Boolean graphics = false, movie = false, prefer = false;
  FSSpec png = Spec("red.png");
  ASSERT_EQ(CanQuickTimeOpenFile(&png, 0, 0, &graphics, &movie, &prefer, 0), noErr);
  EXPECT_TRUE(graphics);
  EXPECT_FALSE(movie);  // a still image is a movie only when allowed
  EXPECT_TRUE(prefer);
  ASSERT_EQ(CanQuickTimeOpenFile(&png, 0, 0, &graphics, &movie, &prefer,
                                 kQTAllowOpeningStillImagesAsMovies),
            noErr);
  EXPECT_TRUE(movie);
  ASSERT_EQ(CanQuickTimeOpenFile(&png, 0, 0, &graphics, &movie, nullptr,
                                 kQTAllowOpeningStillImagesAsMovies |
                                     kQTDontLookForMovieImporterIfGraphicsImporterFound),
            noErr);
  EXPECT_TRUE(graphics);
  EXPECT_FALSE(movie);

  // Without reading the data, a PNG under another name is not recognised.
  FSSpec disguised = Spec("red-png.dat");
  ASSERT_EQ(CanQuickTimeOpenFile(&disguised, 0, 0, &graphics, &movie, &prefer, 0), noErr);
  EXPECT_TRUE(graphics);
  ASSERT_EQ(CanQuickTimeOpenFile(&disguised, 0, 0, &graphics, &movie, &prefer,
                                 kQTDontUseDataToFindImporter),
            noErr);
  EXPECT_FALSE(graphics);
  EXPECT_FALSE(movie);
  EXPECT_FALSE(prefer);
}

TEST_F(ImportersTest, CanQuickTimeOpenFileByTypeOrExtension) {
  Boolean graphics = true, movie = true, prefer = true;
  ASSERT_EQ(CanQuickTimeOpenFile(nullptr, 'JPEG', 0, &graphics, &movie, &prefer, 0), noErr);
  EXPECT_TRUE(graphics);
  EXPECT_FALSE(movie);
  ASSERT_EQ(CanQuickTimeOpenFile(nullptr, 0, 'WAV ', &graphics, &movie, &prefer, 0), noErr);
  EXPECT_FALSE(graphics);
  EXPECT_TRUE(movie);
  EXPECT_FALSE(prefer);
  ASSERT_EQ(CanQuickTimeOpenFile(nullptr, 'MooV', 0, &graphics, &movie, &prefer, 0), noErr);
  EXPECT_TRUE(movie);
  ASSERT_EQ(CanQuickTimeOpenFile(nullptr, 'zzzz', 0, &graphics, &movie, &prefer, 0), noErr);
  EXPECT_FALSE(graphics || movie || prefer);
  EXPECT_EQ(CanQuickTimeOpenFile(nullptr, 0, 0, &graphics, &movie, &prefer, 0), paramErr);
  if (haveFFmpeg_) {
    FSSpec clip = Spec("clip.mov");
    ASSERT_EQ(CanQuickTimeOpenFile(&clip, 0, 0, &graphics, &movie, &prefer, 0), noErr);
    EXPECT_FALSE(graphics);
    EXPECT_TRUE(movie);
  }
}

TEST_F(ImportersTest, FormatsAreToldByBytesThenTypeThenName) {
  qtml::FileFacts facts;
  facts.extension = "MP3";
  EXPECT_EQ(qtml::IdentifyFormat(facts), static_cast<OSType>('MPEG'));
  facts.fileType = 'AIFF';
  EXPECT_EQ(qtml::IdentifyFormat(facts), static_cast<OSType>('AIFF'));
  facts.head = {'M', 'M', 0, '*'};
  EXPECT_EQ(qtml::IdentifyFormat(facts), static_cast<OSType>('TIFF'));
  const char mp4[] =
      "\0\0\0\x18"
      "ftypisom";
  facts.head.assign(mp4, mp4 + 12);
  EXPECT_EQ(qtml::IdentifyFormat(facts), static_cast<OSType>('mpg4'));
  const char qt[] =
      "\0\0\0\x14"
      "ftypqt  ";
  facts.head.assign(qt, qt + 12);
  EXPECT_EQ(qtml::IdentifyFormat(facts), static_cast<OSType>('MooV'));
  EXPECT_EQ(qtml::IdentifyFormat(qtml::FileFacts{}), 0u);
  // An MPEG layer III frame header, and a UTF-16 byte order mark that shares its sync bits.
  qtml::FileFacts audio;
  audio.head = {0xFF, 0xFB, 0x90, 0x44};
  EXPECT_EQ(qtml::IdentifyFormat(audio), static_cast<OSType>('MPEG'));
  audio.head = {0xFF, 0xFE, 0x48, 0x00};
  EXPECT_EQ(qtml::IdentifyFormat(audio), 0u);
}

}  // namespace
