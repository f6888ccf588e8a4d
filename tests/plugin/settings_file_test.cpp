#include "plugin/settings_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "MacMemory.h"
#include "Movies.h"
#include "QTMLTestControls.h"

namespace {

namespace fs = std::filesystem;
using fenra::SettingsFile;

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnterMovies();
    dir_ = fs::temp_directory_path() / ("fenra-settings-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    QTMLTest_ClearFaults();
    fs::remove_all(dir_);
  }
  std::string Path(const char* name) { return (dir_ / name).string(); }
  static std::vector<uint8_t> Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  // The bytes of the first leaf `type` found under `parent` in `container`.
  static std::vector<uint8_t> Leaf(QTAtomContainer container, QTAtom parent, QTAtomType type) {
    QTAtom atom = QTFindChildByIndex(container, parent, type, 1, nullptr);
    if (atom == 0) return {};
    Handle data = NewHandle(0);
    QTCopyAtomDataToHandle(container, atom, data);
    std::vector<uint8_t> bytes(*data, *data + GetHandleSize(data));
    DisposeHandle(data);
    return bytes;
  }
  fs::path dir_;
};

TEST_F(SettingsFileTest, WritesThePreambleMarkerAndContainerByteForByte) {
  SettingsFile file;
  file.Create('CMPM');
  ASSERT_EQ(file.err, 0);
  const char package[] = "package";
  file.AddRecord(0x36, "", package, sizeof package);
  ASSERT_EQ(file.err, 0);
  file.WriteFile(Path("a.set"));
  ASSERT_EQ(file.err, 0);

  std::vector<uint8_t> bytes = Bytes(Path("a.set"));
  ASSERT_GT(bytes.size(), 516u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 512), std::vector<uint8_t>(512, 0));
  EXPECT_EQ(std::string(bytes.begin() + 512, bytes.begin() + 516), "QTLB");
  // The rest is exactly the container's handle.
  ASSERT_EQ(static_cast<long>(bytes.size() - 516), GetHandleSize(file.container));
  EXPECT_EQ(memcmp(bytes.data() + 516, *file.container, bytes.size() - 516), 0);

  QTAtomContainer c = file.container;
  QTAtom desc = QTFindChildByIndex(c, kParentAtomIsContainer, 'DESC', 1, nullptr);
  EXPECT_EQ(Leaf(c, desc, 'VERS'), (std::vector<uint8_t>{0, 0, 0, 2}));
  EXPECT_EQ(Leaf(c, desc, 'TYPE'), (std::vector<uint8_t>{'C', 'M', 'P', 'M'}));
  QTAtom data = QTFindChildByIndex(c, kParentAtomIsContainer, 'DATA', 1, nullptr);
  EXPECT_EQ(Leaf(c, data, 'FLGS'), (std::vector<uint8_t>{0x36, 0, 0, 0}));
  EXPECT_EQ(QTCountChildrenOfType(c, data, 'DESC'), 0);
  EXPECT_EQ(Leaf(c, data, 'PCKG').size(), sizeof package);
}

TEST_F(SettingsFileTest, ARecordWithoutFlagsOrDescriptionHasOnlyItsPackage) {
  SettingsFile file;
  file.Create('UDAT');
  file.AddRecord(0, "", "x", 1);
  QTAtom data = QTFindChildByIndex(file.container, kParentAtomIsContainer, 'DATA', 1, nullptr);
  EXPECT_EQ(QTCountChildren(file.container, data), 1);
  EXPECT_EQ(QTCountChildrenOfType(file.container, data, 'PCKG'), 1);
}

TEST_F(SettingsFileTest, RecordsRoundTripThroughAFile) {
  SettingsFile out;
  out.Create('EXPI');
  out.AddRecord(-2, "first", "one", 3);
  out.AddRecord(0, "", "two!", 4);
  out.WriteFile(Path("b.set"));

  SettingsFile in;
  in.ReadFile(Path("b.set"));
  ASSERT_EQ(in.err, 0);
  EXPECT_EQ(in.TypeCode(), 'EXPI');
  EXPECT_EQ(in.dataCount, 2);
  EXPECT_EQ(in.version[3], 2);

  Handle package = nullptr;
  fenra::SettingsRecord record;
  ASSERT_EQ(in.GetRecord(1, &package, &record), noErr);
  EXPECT_EQ(record.flags, -2);
  EXPECT_EQ(record.description, "first");
  EXPECT_EQ(std::string(*package, GetHandleSize(package)), "one");
  DisposeHandle(package);
  ASSERT_EQ(in.GetRecord(2, &package, &record), noErr);
  EXPECT_EQ(record.flags, 0);
  EXPECT_EQ(record.description, "");
  EXPECT_EQ(std::string(*package, GetHandleSize(package)), "two!");
  DisposeHandle(package);
  EXPECT_EQ(in.GetRecord(3, &package, &record), paramErr);
}

TEST_F(SettingsFileTest, BadFilesReadWithTheirCodes) {
  SettingsFile file;
  file.ReadFile(Path("missing.set"));
  EXPECT_EQ(file.err, fenra::kFileOpenErr);
  file.ReadFile("");
  EXPECT_EQ(file.err, fenra::kFileOpenErr);

  Write(Path("short.set"), std::vector<uint8_t>(300, 0));
  file.ReadFile(Path("short.set"));
  EXPECT_EQ(file.err, fenra::kFileFormatErr);

  std::vector<uint8_t> wrongMarker(600, 0);
  memcpy(wrongMarker.data() + 512, "QTLX", 4);
  Write(Path("marker.set"), wrongMarker);
  file.ReadFile(Path("marker.set"));
  EXPECT_EQ(file.err, fenra::kFileFormatErr);

  std::vector<uint8_t> markerOnly(516, 0);
  memcpy(markerOnly.data() + 512, "QTLB", 4);
  Write(Path("empty.set"), markerOnly);
  file.ReadFile(Path("empty.set"));
  EXPECT_EQ(file.err, fenra::kFileFormatErr);
  EXPECT_FALSE(file.IsValid());
}

TEST_F(SettingsFileTest, AFileWithADescriptionAndNoRecordsReadsEmpty) {
  SettingsFile out;
  out.Create('VOUT');
  out.WriteFile(Path("c.set"));
  SettingsFile in;
  in.ReadFile(Path("c.set"));
  EXPECT_EQ(in.err, 0);
  EXPECT_EQ(in.dataCount, 0);
  EXPECT_EQ(in.TypeCode(), 'VOUT');
}

TEST_F(SettingsFileTest, CreationFailures) {
  SettingsFile file;
  file.Create(0);
  EXPECT_EQ(file.err, fenra::kParamErr);
  EXPECT_FALSE(file.IsValid());
  file.WriteFile(Path("none.set"));
  EXPECT_EQ(file.err, fenra::kNoNativeErr);
  EXPECT_FALSE(fs::exists(Path("none.set")));

  QTMLTest_FailCall("QTNewAtomContainer", 1, memFullErr);
  file.Create('CMPI');
  EXPECT_EQ(file.err, memFullErr);

  SettingsFile unwritable;
  unwritable.Create('CMPI');
  unwritable.WriteFile(Path("no-such-dir/x.set"));
  EXPECT_EQ(unwritable.err, fenra::kNoNativeErr);
}

TEST_F(SettingsFileTest, EachDescriptionLeafMustBeInserted) {
  for (long nth : {2, 3}) {  // VERS, then TYPE
    SettingsFile file;
    QTMLTest_FailCall("QTInsertChild", nth, memFullErr);
    file.Create('UDAT');
    EXPECT_EQ(file.err, memFullErr) << nth;
  }
}

// A save that fails at any step answers its error and leaves the file that
// was there byte for byte, with nothing beside it.
TEST_F(SettingsFileTest, AFailedSaveKeepsTheOldFile) {
  SettingsFile old;
  old.Create('UDAT');
  old.AddRecord(0, "old", "1", 1);
  old.WriteFile(Path("s.set"));
  ASSERT_EQ(old.err, 0);
  std::vector<uint8_t> before = Bytes(Path("s.set"));

  SettingsFile next;
  next.Create('UDAT');
  next.AddRecord(0, "new", "22", 2);
  QTMLTest_FailCall("GetHandleSize", 1, memFullErr);
  next.WriteFile(Path("s.set"));
  EXPECT_EQ(next.err, memFullErr);
  EXPECT_EQ(Bytes(Path("s.set")), before);

  // A folder cannot be replaced by a file: the rename fails.
  fs::create_directory(Path("folder"));
  next.WriteFile(Path("folder"));
  EXPECT_EQ(next.err, ioErr);
  EXPECT_TRUE(fs::is_directory(Path("folder")));

  size_t entries = 0;
  for (const auto& entry : fs::directory_iterator(dir_)) entries += entry.exists() ? 1 : 0;
  EXPECT_EQ(entries, 2u);  // s.set and the folder

  next.WriteFile(Path("s.set"));
  ASSERT_EQ(next.err, 0);
  SettingsFile in;
  in.ReadFile(Path("s.set"));
  Handle package = nullptr;
  fenra::SettingsRecord record;
  ASSERT_EQ(in.GetRecord(1, &package, &record), noErr);
  EXPECT_EQ(record.description, "new");
  EXPECT_EQ(GetHandleSize(package), 2);
  DisposeHandle(package);
}

TEST_F(SettingsFileTest, AFailedInsertionStopsTheRecord) {
  SettingsFile file;
  file.Create('CMPS');
  QTMLTest_FailCall("QTInsertChild", 2, memFullErr);  // the FLGS of the record
  file.AddRecord(5, "text", "p", 1);
  EXPECT_EQ(file.err, memFullErr);
  QTAtom data = QTFindChildByIndex(file.container, kParentAtomIsContainer, 'DATA', 1, nullptr);
  EXPECT_EQ(QTCountChildren(file.container, data), 0);
}

}  // namespace
