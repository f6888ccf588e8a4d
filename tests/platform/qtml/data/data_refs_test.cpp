// Aliases, alias data references and the stores that data references
// open.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Aliases.h"
#include "Movies.h"
#include "QTMLTestControls.h"
#include "data/data_refs.h"
#include "scratch_dir_test.h"

namespace {

namespace fs = std::filesystem;

class DataRefsTest : public ScratchDirTest {
 protected:
  DataRefsTest() : ScratchDirTest("qtml-datarefs-") {}
  FSSpec Spec(const std::string& name) {
    FSSpec spec{};
    std::string path = Path(name);
    OSErr err = NativePathNameToFSSpec(path.data(), &spec, 0);
    EXPECT_TRUE(err == noErr || err == fnfErr) << path << ": " << err;
    return spec;
  }
  static std::string NativePath(const FSSpec& spec) {
    char path[1024];
    if (FSSpecToNativePathName(&spec, path, sizeof path, 0) != noErr) return "<error>";
    return path;
  }
  static std::string Name(const FSSpec& spec) {
    return std::string(reinterpret_cast<const char*>(spec.name + 1), spec.name[0]);
  }
  static std::string Read(qtml::DataStore& store, SInt64 offset, SInt64 size) {
    std::string bytes(static_cast<size_t>(size), '\0');
    if (!store.Read(offset, bytes.data(), size)) return "<failed>";
    return bytes;
  }
  static std::vector<uint8_t> Bytes(Handle h) {
    auto* p = reinterpret_cast<uint8_t*>(*h);
    return std::vector<uint8_t>(p, p + GetHandleSize(h));
  }
};

TEST_F(DataRefsTest, AliasRecordsKeepPathLeafAndVersion) {
  std::vector<uint8_t> record = qtml::MakeAliasRecord(Path("sub/../clip.mov"));
  ASSERT_GE(record.size(), 150u);
  EXPECT_EQ((record[4] << 8 | record[5]), static_cast<int>(record.size()));  // aliasSize
  EXPECT_EQ((record[6] << 8 | record[7]), 2);                                // version
  std::string path;
  ASSERT_TRUE(qtml::AliasRecordPath(record.data(), record.size(), &path));
  EXPECT_EQ(path, Path("clip.mov"));
  qtml::AliasFields fields;
  ASSERT_TRUE(qtml::ParseAliasRecord(record.data(), record.size(), &fields));
  EXPECT_EQ(fields.leaf, "clip.mov");
  EXPECT_TRUE(fields.minimal);
  EXPECT_EQ(fields.relative, "");
}

TEST_F(DataRefsTest, BadAliasBytesAreRefused) {
  std::vector<uint8_t> good = qtml::MakeAliasRecord("/tmp/a.mov");
  std::string path;
  EXPECT_FALSE(qtml::AliasRecordPath(nullptr, 0, &path));
  EXPECT_FALSE(qtml::AliasRecordPath(good.data(), good.size() - 1, &path));  // truncated
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  EXPECT_FALSE(qtml::AliasRecordPath(longer.data(), longer.size(), &path));  // size disagrees
  std::vector<uint8_t> otherVersion = good;
  otherVersion[7] = 3;
  EXPECT_FALSE(qtml::AliasRecordPath(otherVersion.data(), otherVersion.size(), &path));
  std::vector<uint8_t> overlongName = good;
  overlongName[50] = 64;  // the file name's length overflows its 64 bytes
  EXPECT_FALSE(qtml::AliasRecordPath(overlongName.data(), overlongName.size(), &path));
  std::vector<uint8_t> overlongTag = good;
  overlongTag[152] = 0xFF;  // the first tag's length now runs past the end
  EXPECT_FALSE(qtml::AliasRecordPath(overlongTag.data(), overlongTag.size(), &path));
  EXPECT_TRUE(qtml::AliasRecordPath(good.data(), good.size(), &path));
}

TEST_F(DataRefsTest, AliasesToExistingAndMissingFiles) {
  Write("clip.mov", "movie");
  FSSpec existing = Spec("clip.mov");
  FSSpec missing = Spec("later.mov");

  AliasHandle alias = nullptr;
  ASSERT_EQ(NewAliasMinimal(&existing, &alias), noErr);
  FSSpec target{};
  Boolean changed = true;
  EXPECT_EQ(ResolveAlias(nullptr, alias, &target, &changed), noErr);
  EXPECT_FALSE(changed);
  EXPECT_EQ(NativePath(target), Path("clip.mov"));
  DisposeHandle(reinterpret_cast<Handle>(alias));

  // The Alias Manager wants the target to exist; QuickTime's call does not.
  alias = reinterpret_cast<AliasHandle>(1);
  EXPECT_EQ(NewAliasMinimal(&missing, &alias), fnfErr);
  EXPECT_EQ(alias, nullptr);
  EXPECT_EQ(NewAlias(nullptr, &missing, &alias), fnfErr);
  ASSERT_EQ(QTNewAlias(&missing, &alias, true), noErr);
  EXPECT_EQ(GetMoviesError(), noErr);
  EXPECT_EQ(ResolveAlias(nullptr, alias, &target, &changed), fnfErr);
  EXPECT_EQ(NativePath(target), Path("later.mov")) << "target still filled";
  Write("later.mov", "now here");
  EXPECT_EQ(ResolveAlias(nullptr, alias, &target, &changed), noErr);

  Str63 name;
  ASSERT_EQ(GetAliasInfo(alias, asiAliasName, name), noErr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), "later.mov");
  ASSERT_EQ(GetAliasInfo(alias, asiParentName, name), noErr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), dir_.filename().string());
  ASSERT_EQ(GetAliasInfo(alias, asiVolumeName, name), noErr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), "Macintosh HD");
  DisposeHandle(reinterpret_cast<Handle>(alias));
}

TEST_F(DataRefsTest, ResolvingAfterTheFileMovesOrVanishes) {
  Write("a/movie.mov", "movie");
  Write("a/media/clip.dat", "samples");
  FSSpec movie = Spec("a/movie.mov");
  FSSpec clip = Spec("a/media/clip.dat");
  AliasHandle alias = nullptr;
  ASSERT_EQ(NewAlias(&movie, &clip, &alias), noErr);

  // Both move together: found again from the movie's new place, and the
  // alias is brought up to date.
  fs::rename(dir_ / "a", dir_ / "b");
  FSSpec movedMovie = Spec("b/movie.mov");
  FSSpec target{};
  Boolean changed = false;
  EXPECT_EQ(ResolveAlias(nullptr, alias, &target, &changed), fnfErr);
  EXPECT_EQ(Name(target), "clip.dat");
  ASSERT_EQ(ResolveAlias(&movedMovie, alias, &target, &changed), noErr);
  EXPECT_TRUE(changed);
  EXPECT_EQ(NativePath(target), Path("b/media/clip.dat"));
  EXPECT_EQ(ResolveAlias(nullptr, alias, &target, &changed), noErr);
  EXPECT_FALSE(changed);

  // Gone for good.
  fs::remove(dir_ / "b/media/clip.dat");
  EXPECT_EQ(ResolveAlias(&movedMovie, alias, &target, &changed), fnfErr);
  EXPECT_EQ(NativePath(target), Path("b/media/clip.dat"));

  // UpdateAlias points it elsewhere and says whether that changed it.
  Write("b/other.dat", "x");
  FSSpec other = Spec("b/other.dat");
  ASSERT_EQ(UpdateAlias(nullptr, &other, alias, &changed), noErr);
  EXPECT_TRUE(changed);
  ASSERT_EQ(UpdateAlias(nullptr, &other, alias, &changed), noErr);
  EXPECT_FALSE(changed);
  DisposeHandle(reinterpret_cast<Handle>(alias));
}

TEST_F(DataRefsTest, AliasMisuse) {
  FSSpec target{};
  Boolean changed = false;
  EXPECT_EQ(ResolveAlias(nullptr, nullptr, &target, &changed), paramErr);
  Handle junk = NewHandleClear(40);
  EXPECT_EQ(ResolveAlias(nullptr, reinterpret_cast<AliasHandle>(junk), &target, &changed),
            paramErr);
  DisposeHandle(junk);
  AliasHandle alias = nullptr;
  EXPECT_EQ(QTNewAlias(nullptr, &alias, true), paramErr);
  EXPECT_EQ(GetMoviesError(), paramErr);
  EXPECT_EQ(NewAliasMinimalFromFullPath(0, "", nullptr, nullptr, &alias), paramErr);
  const char path[] = "/no/such/dir/file.mov";
  ASSERT_EQ(NewAliasMinimalFromFullPath(sizeof path - 1, path, nullptr, nullptr, &alias), noErr);
  EXPECT_EQ(ResolveAlias(nullptr, alias, &target, &changed), fnfErr);
  EXPECT_EQ(Name(target), "file.mov");
  DisposeHandle(reinterpret_cast<Handle>(alias));

  FSSpec spec = Spec("x.mov");
  QTMLTest_FailAllocations(0);
  EXPECT_EQ(QTNewAlias(&spec, &alias, true), memFullErr);
  EXPECT_EQ(alias, nullptr);
  QTMLTest_ClearFaults();
  QTMLTest_FailCall("QTNewAlias", 1, fnfErr);
  EXPECT_EQ(QTNewAlias(&spec, &alias, true), fnfErr);
  EXPECT_EQ(GetMoviesError(), fnfErr);
}

TEST_F(DataRefsTest, DataReferenceFromFSSpecIsAnAlias) {
  FSSpec spec = Spec("future.mov");
  Handle ref = nullptr;
  OSType type = 0;
  ASSERT_EQ(QTNewDataReferenceFromFSSpec(&spec, 0, &ref, &type), noErr);
  EXPECT_EQ(type, static_cast<OSType>(rAliasType));
  std::string path;
  std::vector<uint8_t> bytes = Bytes(ref);
  ASSERT_TRUE(qtml::AliasRecordPath(bytes.data(), bytes.size(), &path));
  EXPECT_EQ(path, Path("future.mov"));
  DisposeHandle(ref);
  EXPECT_EQ(QTNewDataReferenceFromFSSpec(&spec, 1, &ref, &type), paramErr);
}

TEST_F(DataRefsTest, FileStoresReadAndAppend) {
  Write("data.bin", "0123456789");
  OSErr err = noErr;
  auto reader = qtml::OpenFileStore(Path("data.bin"), false, &err);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->Size(), 10);
  EXPECT_EQ(Read(*reader, 3, 4), "3456");
  EXPECT_EQ(Read(*reader, 8, 3), "<failed>");
  EXPECT_EQ(reader->Append("x", 1), -1) << "read-only";

  auto writer = qtml::OpenFileStore(Path("data.bin"), true, &err);
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(writer->Append("abc", 3), 10);
  EXPECT_EQ(writer->Append("de", 2), 13);
  EXPECT_EQ(reader->Size(), 15) << "a reader sees what a writer appended";
  EXPECT_EQ(Read(*reader, 9, 6), "9abcde");

  EXPECT_EQ(qtml::OpenFileStore(Path("none.bin"), false, &err), nullptr);
  EXPECT_EQ(err, fnfErr);
  EXPECT_EQ(qtml::OpenFileStore(dir_.string(), false, &err), nullptr);
  EXPECT_EQ(err, notAFileErr);
  if (geteuid() != 0) {
    fs::permissions(Path("data.bin"), fs::perms::owner_read);
    EXPECT_EQ(qtml::OpenFileStore(Path("data.bin"), true, &err), nullptr);
    EXPECT_EQ(err, permErr);
  }
}

TEST_F(DataRefsTest, MemoryStoresGrow) {
  auto store = qtml::NewMemoryStore({'a', 'b'});
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->Append("cd", 2), 2);
  EXPECT_EQ(store->Size(), 4);
  EXPECT_EQ(Read(*store, 0, 4), "abcd");
  EXPECT_EQ(Read(*store, 2, 3), "<failed>");
  EXPECT_EQ(Read(*store, -1, 1), "<failed>");
  QTMLTest_FailAllocations(0);
  EXPECT_EQ(qtml::NewMemoryStore(), nullptr);
}

TEST_F(DataRefsTest, EachReferenceTypeOpensItsStore) {
  Write("clip one.dat", "file bytes");
  OSErr err = noErr;

  std::vector<uint8_t> alias = qtml::MakeAliasRecord(Path("clip one.dat"));
  auto fromAlias = qtml::OpenDataRefStore(rAliasType, alias.data(), alias.size(), false, &err);
  ASSERT_NE(fromAlias, nullptr) << err;
  EXPECT_EQ(Read(*fromAlias, 0, 4), "file");

  std::string url = "file://" + (dir_ / "clip%20one.dat").string();
  auto fromURL =
      qtml::OpenDataRefStore(URLDataHandlerSubType, reinterpret_cast<const uint8_t*>(url.c_str()),
                             url.size() + 1, false, &err);
  ASSERT_NE(fromURL, nullptr) << err;
  EXPECT_EQ(Read(*fromURL, 5, 5), "bytes");

  Handle data = NewHandle(3);
  std::memcpy(*data, "mem", 3);
  auto fromHandle = qtml::OpenDataRefStore(
      HandleDataHandlerSubType, reinterpret_cast<const uint8_t*>(&data), sizeof data, true, &err);
  ASSERT_NE(fromHandle, nullptr) << err;
  EXPECT_EQ(fromHandle->Append("ory", 3), 3);
  EXPECT_EQ(GetHandleSize(data), 6) << "appends grow the caller's handle";
  EXPECT_EQ(Read(*fromHandle, 0, 6), "memory");
  DisposeHandle(data);
  EXPECT_EQ(fromHandle->Size(), 0) << "a disposed handle reads as empty";
  EXPECT_EQ(fromHandle->Append("x", 1), -1);

  char block[] = "pointer";
  PointerDataRefRecord record = {block, 7};
  auto fromPointer =
      qtml::OpenDataRefStore(PointerDataHandlerSubType, reinterpret_cast<const uint8_t*>(&record),
                             sizeof record, false, &err);
  ASSERT_NE(fromPointer, nullptr) << err;
  EXPECT_EQ(Read(*fromPointer, 0, 7), "pointer");
  EXPECT_EQ(fromPointer->Append("x", 1), -1);
}

TEST_F(DataRefsTest, ReferencesThatOpenNothing) {
  OSErr err = noErr;
  auto open = [&](OSType type, const std::string& bytes) {
    return qtml::OpenDataRefStore(type, reinterpret_cast<const uint8_t*>(bytes.data()),
                                  bytes.size(), false, &err);
  };
  std::vector<uint8_t> alias = qtml::MakeAliasRecord(Path("gone.mov"));
  EXPECT_EQ(open(rAliasType, std::string(alias.begin(), alias.end())), nullptr);
  EXPECT_EQ(err, couldNotResolveDataRef);
  EXPECT_EQ(open(rAliasType, "not an alias"), nullptr);
  EXPECT_EQ(err, invalidDataRef);
  EXPECT_EQ(open(rAliasType, ""), nullptr);  // a self reference opens nothing alone
  EXPECT_EQ(err, invalidDataRef);

  EXPECT_EQ(open(URLDataHandlerSubType, std::string("http://example.com/a.mov", 25)), nullptr);
  EXPECT_EQ(err, couldNotResolveDataRef) << "no network";
  EXPECT_EQ(open(URLDataHandlerSubType, "file:///a.mov"), nullptr);
  EXPECT_EQ(err, invalidDataRef) << "no terminating NUL";
  EXPECT_EQ(open(URLDataHandlerSubType, std::string("file:///%zz", 12)), nullptr);
  EXPECT_EQ(err, couldNotResolveDataRef);
  EXPECT_EQ(open(URLDataHandlerSubType, std::string("file://other/a.mov", 19)), nullptr);
  EXPECT_EQ(err, couldNotResolveDataRef);

  Handle stale = NewHandle(1);
  DisposeHandle(stale);
  EXPECT_EQ(open(HandleDataHandlerSubType,
                 std::string(reinterpret_cast<const char*>(&stale), sizeof stale)),
            nullptr);
  EXPECT_EQ(err, couldNotResolveDataRef);
  EXPECT_EQ(open(HandleDataHandlerSubType, "abc"), nullptr);
  EXPECT_EQ(err, invalidDataRef);
  EXPECT_EQ(open(PointerDataHandlerSubType, "abc"), nullptr);
  EXPECT_EQ(err, invalidDataRef);
  EXPECT_EQ(open('rtsp', "x"), nullptr);
  EXPECT_EQ(err, noDataHandler);
}

// A movie with one video track whose media writes to the file given.
class MediaDataRefsTest : public DataRefsTest {
 protected:
  void SetUp() override {
    DataRefsTest::SetUp();
    Write("media.dat", "");
    movie_ = NewMovie(0);
    ASSERT_NE(movie_, nullptr);
    Track track = NewMovieTrack(movie_, 160 << 16, 120 << 16, 0);
    Handle ref = FileRef("media.dat");
    media_ = NewTrackMedia(track, VideoMediaType, 600, ref, rAliasType);
    DisposeHandle(ref);
    ASSERT_NE(media_, nullptr);
  }
  void TearDown() override {
    DisposeMovie(movie_);
    DataRefsTest::TearDown();
  }
  Handle FileRef(const std::string& name) {
    FSSpec spec = Spec(name);
    Handle ref = nullptr;
    EXPECT_EQ(QTNewDataReferenceFromFSSpec(&spec, 0, &ref, nullptr), noErr);
    return ref;
  }
  // The index-th reference's path (for an alias) and attributes.
  std::string Describe(short index) {
    Handle ref = nullptr;
    OSType type = 0;
    long attributes = -1;
    OSErr err = GetMediaDataRef(media_, index, &ref, &type, &attributes);
    if (err != noErr) return "error " + std::to_string(err);
    std::vector<uint8_t> bytes = Bytes(ref);
    DisposeHandle(ref);
    std::string path;
    if (type == rAliasType && qtml::AliasRecordPath(bytes.data(), bytes.size(), &path)) {
      path = fs::path(path).filename().string();
    }
    return path + " " + std::to_string(attributes);
  }

  Movie movie_ = nullptr;
  Media media_ = nullptr;
};

TEST_F(MediaDataRefsTest, ListingAddingAndReplacing) {
  short count = 0;
  ASSERT_EQ(GetMediaDataRefCount(media_, &count), noErr);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(Describe(1), "media.dat 0");

  Handle missing = FileRef("later.dat");
  short index = 0;
  ASSERT_EQ(AddMediaDataRef(media_, &index, missing, rAliasType), noErr);
  DisposeHandle(missing);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(Describe(2), "later.dat " + std::to_string(dataRefWasNotResolved));
  Write("later.dat", "here now");
  EXPECT_EQ(Describe(2), "later.dat 0") << "found once the file is there";

  ASSERT_EQ(SetMediaDataRefAttributes(media_, 1, dataRefSelfReference | 0x100), noErr);
  EXPECT_EQ(Describe(1), "media.dat " + std::to_string(dataRefSelfReference));
  ASSERT_EQ(SetMediaDataRefAttributes(media_, 1, 0), noErr);

  Handle other = FileRef("other.dat");
  ASSERT_EQ(SetMediaDataRef(media_, 1, other, rAliasType), noErr);
  DisposeHandle(other);
  EXPECT_EQ(Describe(1), "other.dat " + std::to_string(dataRefWasNotResolved));
  ASSERT_EQ(GetMediaDataRefCount(media_, &count), noErr);
  EXPECT_EQ(count, 2);

  // Outputs are each optional.
  EXPECT_EQ(GetMediaDataRef(media_, 2, nullptr, nullptr, nullptr), noErr);
}

TEST_F(MediaDataRefsTest, Misuse) {
  EXPECT_EQ(Describe(0), "error " + std::to_string(badDataRefIndex));
  EXPECT_EQ(Describe(2), "error " + std::to_string(badDataRefIndex));
  EXPECT_EQ(GetMoviesError(), badDataRefIndex);
  short count = 0;
  EXPECT_EQ(GetMediaDataRefCount(nullptr, &count), invalidMedia);
  EXPECT_EQ(GetMediaDataRefCount(media_, nullptr), paramErr);
  short index = 0;
  EXPECT_EQ(AddMediaDataRef(media_, &index, nullptr, rAliasType), paramErr);
  EXPECT_EQ(AddMediaDataRef(nullptr, &index, nullptr, rAliasType), invalidMedia);
  EXPECT_EQ(SetMediaDataRef(media_, 2, nullptr, rAliasType), badDataRefIndex);
  EXPECT_EQ(SetMediaDataRefAttributes(media_, 5, 0), badDataRefIndex);

  Handle ref = nullptr;
  QTMLTest_FailAllocations(0);
  EXPECT_EQ(GetMediaDataRef(media_, 1, &ref, nullptr, nullptr), memFullErr);
  QTMLTest_ClearFaults();
  EXPECT_EQ(ref, nullptr);
  QTMLTest_FailCall("AddMediaDataRef", 1, paramErr);
  EXPECT_EQ(AddMediaDataRef(media_, &index, ref, rAliasType), paramErr);
  ASSERT_EQ(GetMediaDataRefCount(media_, &count), noErr);
  EXPECT_EQ(count, 1);
}

}  // namespace
