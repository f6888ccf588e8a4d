// Data handler components: finding one for a reference type, reading and
// writing through it, and asynchronous requests run by DataHTask.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Aliases.h"
#include "Movies.h"
#include "QTMLTestControls.h"
#include "QuickTimeComponents.h"
#include "scratch_dir_test.h"

namespace {

namespace fs = std::filesystem;

class DataHandlerTest : public ScratchDirTest {
 protected:
  DataHandlerTest() : ScratchDirTest("qtml-dhlr-") {}
  std::string Contents(const std::string& name) {
    std::ifstream in(Path(name), std::ios::binary);
    std::stringstream out;
    out << in.rdbuf();
    return out.str();
  }
  // An 'alis' reference to a file in the test directory, owned by the caller.
  Handle FileRef(const std::string& name) {
    FSSpec spec{};
    std::string path = Path(name);
    NativePathNameToFSSpec(path.data(), &spec, 0);
    Handle ref = nullptr;
    OSType type = 0;
    EXPECT_EQ(QTNewDataReferenceFromFSSpec(&spec, 0, &ref, &type), noErr);
    return ref;
  }
  // An open instance of the handler for `type`, given `ref`.
  DataHandler Open(OSType type, Handle ref, long flags) {
    Component component = GetDataHandler(ref, type, flags);
    EXPECT_NE(component, nullptr);
    DataHandler dh = nullptr;
    if (component == nullptr || OpenAComponent(component, &dh) != noErr) return nullptr;
    EXPECT_EQ(DataHSetDataRef(dh, ref), noErr);
    return dh;
  }
};

TEST_F(DataHandlerTest, FindingAHandlerForAType) {
  EXPECT_NE(GetDataHandler(nullptr, rAliasType, kDataHCanRead | kDataHCanWrite), nullptr);
  EXPECT_NE(GetDataHandler(nullptr, HandleDataHandlerSubType, kDataHCanWrite), nullptr);
  EXPECT_NE(GetDataHandler(nullptr, URLDataHandlerSubType, kDataHCanRead), nullptr);
  EXPECT_EQ(GetDataHandler(nullptr, URLDataHandlerSubType, kDataHCanWrite), nullptr);
  EXPECT_EQ(GetMoviesError(), noDataHandler);
  EXPECT_EQ(GetDataHandler(nullptr, 'rtsp', kDataHCanRead), nullptr);
  EXPECT_EQ(GetMoviesError(), noDataHandler);
}

TEST_F(DataHandlerTest, ReadsAndWritesAFile) {
  Write("source.bin", "0123456789");
  Handle ref = FileRef("source.bin");
  DataHandler dh = Open(rAliasType, ref, kDataHCanRead);
  ASSERT_NE(dh, nullptr);
  long size = 0;
  EXPECT_EQ(DataHGetFileSize(dh, &size), noErr) << "answered without opening";
  EXPECT_EQ(size, 10);
  Handle buffer = NewHandleClear(6);
  EXPECT_EQ(DataHGetData(dh, buffer, 0, 0, 4), dataNotOpenForRead);
  ASSERT_EQ(DataHOpenForRead(dh), noErr);
  EXPECT_EQ(DataHGetData(dh, buffer, 2, 6, 4), noErr);
  EXPECT_EQ(std::string(*buffer, 6), std::string("\0\0"
                                                 "6789",
                                                 6));
  EXPECT_EQ(DataHGetData(dh, buffer, 0, 8, 4), eofErr);
  EXPECT_EQ(DataHGetData(dh, buffer, 4, 0, 4), paramErr) << "past the handle's end";
  char byte[1] = {'!'};
  EXPECT_EQ(DataHWrite(dh, byte, 10, 1, nullptr, 0), dataNotOpenForWrite);

  ASSERT_EQ(DataHOpenForWrite(dh), noErr);
  EXPECT_EQ(DataHOpenForWrite(dh), dataAlreadyOpenForWrite);
  EXPECT_EQ(DataHWrite(dh, byte, 12, 1, nullptr, 0), noErr);
  EXPECT_EQ(DataHWrite(dh, byte, 3, 1, nullptr, 0), paramErr) << "no overwriting";
  long where = 0;
  std::memcpy(*buffer, "abcdef", 6);
  EXPECT_EQ(DataHPutData(dh, buffer, 1, &where, 2), noErr);
  EXPECT_EQ(where, 13);
  EXPECT_EQ(Contents("source.bin"), std::string("0123456789\0\0!bc", 15));

  Handle back = nullptr;
  ASSERT_EQ(DataHGetDataRef(dh, &back), noErr);
  EXPECT_EQ(GetHandleSize(back), GetHandleSize(ref));
  DisposeHandle(back);
  EXPECT_EQ(DataHCloseForWrite(dh), noErr);
  EXPECT_EQ(DataHCloseForWrite(dh), dataAlreadyClosed);
  EXPECT_EQ(DataHCloseForRead(dh), noErr);
  EXPECT_EQ(CloseComponent(dh), noErr);
  DisposeHandle(buffer);
  DisposeHandle(ref);
}

TEST_F(DataHandlerTest, APointerReferenceReadsTheCallersMemory) {
  EXPECT_NE(GetDataHandler(nullptr, PointerDataHandlerSubType, kDataHCanRead), nullptr);
  EXPECT_EQ(GetDataHandler(nullptr, PointerDataHandlerSubType, kDataHCanWrite), nullptr);
  char block[] = "pointer data";
  PointerDataRefRecord record{block, 12};
  Handle ref = NewHandle(sizeof record);
  std::memcpy(*ref, &record, sizeof record);
  DataHandler dh = Open(PointerDataHandlerSubType, ref, kDataHCanRead);
  ASSERT_NE(dh, nullptr);
  long size = 0;
  EXPECT_EQ(DataHGetFileSize(dh, &size), noErr);
  EXPECT_EQ(size, 12);
  ASSERT_EQ(DataHOpenForRead(dh), noErr);
  Handle buffer = NewHandleClear(4);
  EXPECT_EQ(DataHGetData(dh, buffer, 0, 8, 4), noErr);
  EXPECT_EQ(std::string(*buffer, 4), "data");
  EXPECT_EQ(DataHGetData(dh, buffer, 0, 9, 4), eofErr);
  block[0] = 'P';  // read where it lies, not copied
  EXPECT_EQ(DataHGetData(dh, buffer, 0, 0, 4), noErr);
  EXPECT_EQ(std::string(*buffer, 4), "Poin");
  EXPECT_EQ(DataHOpenForWrite(dh), permErr) << "a block cannot grow";
  char byte[1] = {'!'};
  EXPECT_EQ(DataHWrite(dh, byte, 12, 1, nullptr, 0), dataNotOpenForWrite);
  EXPECT_EQ(CloseComponent(dh), noErr);

  // References that name no memory, or are not a PointerDataRefRecord.
  Component pointers = GetDataHandler(nullptr, PointerDataHandlerSubType, kDataHCanRead);
  record = {nullptr, 0};
  std::memcpy(*ref, &record, sizeof record);
  Handle shortRef = NewHandleClear(3);
  for (auto [r, expected] : {std::pair{ref, couldNotResolveDataRef}, {shortRef, invalidDataRef}}) {
    ASSERT_EQ(OpenAComponent(pointers, &dh), noErr);
    ASSERT_EQ(DataHSetDataRef(dh, r), noErr);
    EXPECT_EQ(DataHOpenForRead(dh), expected);
    CloseComponent(dh);
  }
  for (Handle h : {ref, shortRef, buffer}) DisposeHandle(h);
}

// The state of an asynchronous copy, as a client's completion routines
// keep it.
struct Copy {
  DataHandler source = nullptr;
  DataHandler destination = nullptr;
  char buffer[4] = {};
  long copied = 0;
  long chunk = 0;
  long total = 0;
  OSErr err = noErr;
  bool done = false;
};

void ReadNext(Copy* copy);

void Written(Ptr, long refcon, OSErr err) {
  auto* copy = reinterpret_cast<Copy*>(refcon);
  copy->err = err;
  copy->copied += copy->chunk;
  ReadNext(copy);
}

void Read(Ptr, long refcon, OSErr err) {
  auto* copy = reinterpret_cast<Copy*>(refcon);
  if ((copy->err = err) != noErr) return;
  copy->err = DataHWrite(copy->destination, copy->buffer, copy->copied, copy->chunk, Written,
                         reinterpret_cast<long>(copy));
}

// Closes both handlers from inside the destination's completion routine,
// as a client does when the last write is done.
void ReadNext(Copy* copy) {
  if (copy->err != noErr || copy->copied >= copy->total) {
    CloseComponent(copy->source);
    CloseComponent(copy->destination);
    copy->done = true;
    return;
  }
  copy->chunk = std::min<long>(sizeof copy->buffer, copy->total - copy->copied);
  wide offset = copy->copied;
  copy->err = DataHReadAsync(copy->source, copy->buffer, copy->chunk, &offset, Read,
                             reinterpret_cast<long>(copy));
}

TEST_F(DataHandlerTest, AsynchronousCopyAdvancesOnlyInTasks) {
  Write("from.bin", "a movie's worth of bytes");
  Write("to.bin", "");
  Handle from = FileRef("from.bin");
  Handle to = FileRef("to.bin");
  Copy copy;
  copy.source = Open(rAliasType, from, kDataHCanRead);
  copy.destination = Open(rAliasType, to, kDataHCanWrite);
  ASSERT_EQ(DataHOpenForRead(copy.source), noErr);
  ASSERT_EQ(DataHOpenForWrite(copy.destination), noErr);
  ASSERT_EQ(DataHGetFileSize(copy.source, &copy.total), noErr);

  ReadNext(&copy);
  EXPECT_EQ(Contents("to.bin"), "") << "nothing before a task";
  int tasks = 0;
  while (!copy.done && tasks++ < 100) {
    DataHandler source = copy.source, destination = copy.destination;
    DataHTask(source);
    if (!copy.done) DataHTask(destination);
  }
  EXPECT_TRUE(copy.done);
  EXPECT_EQ(copy.err, noErr);
  EXPECT_EQ(Contents("to.bin"), "a movie's worth of bytes");
  EXPECT_EQ(DataHTask(copy.source), badComponentInstance) << "closed by its completion";
  DisposeHandle(from);
  DisposeHandle(to);
}

TEST_F(DataHandlerTest, MisuseAndOtherKindsOfInstance) {
  Component handles = GetDataHandler(nullptr, HandleDataHandlerSubType, kDataHCanRead);
  DataHandler dh = nullptr;
  ASSERT_EQ(OpenAComponent(handles, &dh), noErr);
  EXPECT_EQ(DataHOpenForRead(dh), dataNoDataRef);
  Handle none = nullptr;
  EXPECT_EQ(DataHGetDataRef(dh, &none), dataNoDataRef);
  EXPECT_EQ(DataHSetDataRef(dh, nullptr), paramErr);

  Handle data = NewHandle(0);
  Handle ref = NewHandle(sizeof data);
  std::memcpy(*ref, &data, sizeof data);
  ASSERT_EQ(DataHSetDataRef(dh, ref), noErr);
  ASSERT_EQ(DataHOpenForWrite(dh), noErr);
  EXPECT_EQ(DataHWrite(dh, const_cast<char*>("memory"), 0, 6, nullptr, 0), noErr);
  EXPECT_EQ(GetHandleSize(data), 6) << "a handle reference writes into the handle";
  long blockSize = 0;
  EXPECT_EQ(DataHGetPreferredBlockSize(dh, &blockSize), noErr);
  EXPECT_GT(blockSize, 0);
  EXPECT_EQ(DataHSetTimeHints(dh, 1, 30, 600, 0, 0x7FFFFFFF), noErr);
  QTMLTest_FailCall("DataHTask", 1, ioErr);
  EXPECT_EQ(DataHTask(dh), ioErr);
  EXPECT_EQ(CloseComponent(dh), noErr);
  EXPECT_EQ(DataHTask(dh), badComponentInstance);
  DisposeHandle(ref);
  DisposeHandle(data);

  ComponentDescription clocks{'clok', 0, 0, 0, 0};
  DataHandler clock = nullptr;
  ASSERT_EQ(OpenAComponent(FindNextComponent(nullptr, &clocks), &clock), noErr);
  EXPECT_EQ(DataHOpenForRead(clock), badComponentSelector);
  CloseComponent(clock);
}

}  // namespace
