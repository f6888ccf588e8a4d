// Data forks: files opened by reference number and read and written at a
// mark (FSpOpenDF, FSRead, FSWrite, GetFPos, SetFPos, GetEOF, SetEOF,
// FSClose), with their call trace and faults.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "Files.h"
#include "QTMLTestControls.h"
#include "scratch_dir_test.h"

namespace {

long OpenDescriptors() {
  long count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

class DataForksTest : public ScratchDirTest {
 protected:
  DataForksTest() : ScratchDirTest("qtml-data-forks-") {}
  void TearDown() override {
    QTMLTest_ClearFaults();
    QTMLTest_SetTrace(false);
    QTMLTest_ClearTrace();
    ScratchDirTest::TearDown();
  }

  FSSpec Spec(const std::string& name) {
    FSSpec spec{};
    std::string path = Path(name);
    OSErr err = NativePathNameToFSSpec(path.data(), &spec, 0);
    EXPECT_TRUE(err == noErr || err == fnfErr) << err;
    return spec;
  }
  // A file of the directory holding `bytes`, opened with `permission`.
  short Open(const std::string& name, const std::string& bytes, SInt8 permission = fsRdWrPerm) {
    Write(name, bytes);
    FSSpec spec = Spec(name);
    short ref = 0;
    EXPECT_EQ(FSpOpenDF(&spec, permission, &ref), noErr);
    return ref;
  }
  std::string Contents(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static std::string ReadAll(short ref, long count, OSErr expected) {
    std::string bytes(static_cast<size_t>(count), '\0');
    EXPECT_EQ(FSRead(ref, &count, bytes.data()), expected);
    bytes.resize(static_cast<size_t>(count));
    return bytes;
  }
  static long Mark(short ref) {
    long mark = -1;
    EXPECT_EQ(GetFPos(ref, &mark), noErr);
    return mark;
  }
};

TEST_F(DataForksTest, WritesAndReadsAtTheMark) {
  short ref = Open("data", "");
  long count = 5;
  EXPECT_EQ(FSWrite(ref, &count, "hello"), noErr);
  EXPECT_EQ(count, 5);
  count = 6;
  EXPECT_EQ(FSWrite(ref, &count, " world"), noErr);
  EXPECT_EQ(Mark(ref), 11);

  EXPECT_EQ(SetFPos(ref, fsFromStart, 6), noErr);
  EXPECT_EQ(ReadAll(ref, 3, noErr), "wor");
  EXPECT_EQ(SetFPos(ref, fsFromMark, -3), noErr);
  EXPECT_EQ(ReadAll(ref, 2, noErr), "wo");
  EXPECT_EQ(SetFPos(ref, fsFromLEOF, -5), noErr);
  // The file ends first: what there was, and eofErr.
  EXPECT_EQ(ReadAll(ref, 10, eofErr), "world");
  EXPECT_EQ(Mark(ref), 11);

  // Writing in the middle overwrites; writing past the end grows the file.
  EXPECT_EQ(SetFPos(ref, fsFromStart, 0), noErr);
  count = 1;
  EXPECT_EQ(FSWrite(ref, &count, "J"), noErr);
  EXPECT_EQ(SetFPos(ref, fsAtMark, 99), noErr);  // the offset is not looked at
  EXPECT_EQ(Mark(ref), 1);
  EXPECT_EQ(FSClose(ref), noErr);
  EXPECT_EQ(Contents("data"), "Jello world");
}

TEST_F(DataForksTest, MarkStaysInsideTheFileAndTheEndMoves) {
  short ref = Open("data", "0123456789");
  long end = 0;
  EXPECT_EQ(GetEOF(ref, &end), noErr);
  EXPECT_EQ(end, 10);
  EXPECT_EQ(SetFPos(ref, fsFromStart, 4), noErr);
  EXPECT_EQ(SetFPos(ref, fsFromMark, -5), posErr);
  EXPECT_EQ(Mark(ref), 4);
  EXPECT_EQ(SetFPos(ref, fsFromStart, 11), eofErr);
  EXPECT_EQ(Mark(ref), 10);
  EXPECT_EQ(SetFPos(ref, 7, 0), paramErr);

  // Longer with zero bytes, then shorter than the mark: the mark follows.
  EXPECT_EQ(SetEOF(ref, 12), noErr);
  EXPECT_EQ(Contents("data"), std::string("0123456789\0\0", 12));
  EXPECT_EQ(SetFPos(ref, fsFromLEOF, 0), noErr);
  EXPECT_EQ(SetEOF(ref, 3), noErr);
  EXPECT_EQ(Mark(ref), 3);
  EXPECT_EQ(SetEOF(ref, -1), paramErr);
  EXPECT_EQ(FSClose(ref), noErr);
  EXPECT_EQ(Contents("data"), "012");
}

TEST_F(DataForksTest, PermissionsAndRefusedOpens) {
  short reading = Open("data", "abc", fsRdPerm);
  long count = 1;
  EXPECT_EQ(FSWrite(reading, &count, "x"), wrPermErr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(SetEOF(reading, 0), wrPermErr);
  EXPECT_EQ(ReadAll(reading, 3, noErr), "abc");

  // Each opening has its own mark.
  short current = Open("data", "abc", fsCurPerm);
  EXPECT_NE(current, reading);
  EXPECT_EQ(Mark(current), 0);
  count = 1;
  EXPECT_EQ(FSWrite(current, &count, "X"), noErr);
  EXPECT_EQ(Mark(reading), 3);
  EXPECT_EQ(FSClose(current), noErr);
  EXPECT_EQ(FSClose(reading), noErr);

  FSSpec spec = Spec("data");
  short ref = 77;
  EXPECT_EQ(FSpOpenDF(&spec, 9, &ref), paramErr);
  EXPECT_EQ(ref, 0);
  FSSpec missing = Spec("missing");
  EXPECT_EQ(FSpOpenDF(&missing, fsRdPerm, &ref), fnfErr);
  std::filesystem::create_directory(Path("folder"));
  FSSpec folder = Spec("folder");
  EXPECT_EQ(FSpOpenDF(&folder, fsRdPerm, &ref), notAFileErr);
  EXPECT_EQ(FSpOpenDF(nullptr, fsRdPerm, &ref), paramErr);
  EXPECT_EQ(FSpOpenDF(&spec, fsRdPerm, nullptr), paramErr);
}

TEST_F(DataForksTest, ClosedNumbersAreRefusedAndTheirFilesClosed) {
  long descriptors = OpenDescriptors();
  short first = Open("a", "a");
  short second = Open("b", "b");
  EXPECT_EQ(FSClose(first), noErr);
  EXPECT_EQ(OpenDescriptors(), descriptors + 1);

  long count = 1;
  char byte = 0;
  long value = 0;
  EXPECT_EQ(FSClose(first), rfNumErr);
  EXPECT_EQ(FSRead(first, &count, &byte), rfNumErr);
  EXPECT_EQ(FSWrite(first, &count, &byte), rfNumErr);
  EXPECT_EQ(GetFPos(first, &value), rfNumErr);
  EXPECT_EQ(SetFPos(first, fsFromStart, 0), rfNumErr);
  EXPECT_EQ(GetEOF(first, &value), rfNumErr);
  EXPECT_EQ(SetEOF(first, 0), rfNumErr);

  // The lowest free number is given out again, now naming the new file.
  short third = Open("c", "c");
  EXPECT_EQ(third, first);
  EXPECT_EQ(ReadAll(third, 1, noErr), "c");
  EXPECT_EQ(FSClose(third), noErr);
  EXPECT_EQ(FSClose(second), noErr);
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(DataForksTest, CallsAreTracedAndFailWhenTold) {
  short ref = Open("data", "0123456789");
  QTMLTest_SetTrace(true);
  EXPECT_EQ(SetFPos(ref, fsFromStart, 2), noErr);
  QTMLTest_SetTrace(false);
  EXPECT_EQ(std::string(QTMLTest_TraceText()), "SetFPos(" + std::to_string(ref) + ", 1, 2) -> 0\n");

  QTMLTest_FailCall("FSWrite", 1, dskFulErr);
  long count = 2;
  EXPECT_EQ(FSWrite(ref, &count, "ab"), dskFulErr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(Mark(ref), 2);

  // Faults of the file operations underneath.
  QTMLTest_FailIO("data", "write", 1, ioErr);
  count = 2;
  EXPECT_EQ(FSWrite(ref, &count, "ab"), ioErr);
  EXPECT_EQ(Mark(ref), 2);
  QTMLTest_FailIO("data", "shortread", 1, ioErr);
  EXPECT_EQ(ReadAll(ref, 4, ioErr), "23");
  EXPECT_EQ(Mark(ref), 4);
  QTMLTest_FailIO("data", "truncate", 1, ioErr);
  EXPECT_EQ(SetEOF(ref, 0), ioErr);
  EXPECT_EQ(FSClose(ref), noErr);
  EXPECT_EQ(Contents("data"), "0123456789");

  FSSpec spec = Spec("data");
  QTMLTest_FailIO("data", "open", 1, permErr);
  EXPECT_EQ(FSpOpenDF(&spec, fsRdPerm, &ref), permErr);
  EXPECT_EQ(ref, 0);
  QTMLTest_FailCall("FSClose", 1, ioErr);
  ref = Open("data", "x");
  EXPECT_EQ(FSClose(ref), ioErr);
  EXPECT_EQ(FSClose(ref), noErr);  // the failed call left it open
}

TEST_F(DataForksTest, CurrentPermissionReadsWhatCannotBeWritten) {
  // fsCurPerm settles for reading when writing is refused.
  short ref = Open("data", "abc");
  EXPECT_EQ(FSClose(ref), noErr);
  FSSpec spec = Spec("data");
  QTMLTest_FailIO("data", "open", 1, permErr);
  EXPECT_EQ(FSpOpenDF(&spec, fsCurPerm, &ref), noErr);
  long count = 1;
  EXPECT_EQ(FSWrite(ref, &count, "x"), wrPermErr);
  EXPECT_EQ(ReadAll(ref, 3, noErr), "abc");
  EXPECT_EQ(FSClose(ref), noErr);
}

}  // namespace
