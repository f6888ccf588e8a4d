// The Memory Manager: handles that grow, move and lock, pointers, and the
// results MemError reports.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "MacMemory.h"
#include "QTMLTestControls.h"
#include "leak_check.h"

namespace {

class MemoryTest : public ::testing::Test {
 protected:
  void SetUp() override { leaks_.Start(); }
  void TearDown() override { leaks_.Verify(); }
  static std::string Contents(Handle h) { return std::string(*h, GetHandleSize(h)); }
  static Handle HandleOf(const std::string& text) {
    Handle h = nullptr;
    EXPECT_EQ(PtrToHand(text.data(), &h, static_cast<long>(text.size())), noErr);
    return h;
  }

 private:
  LeakCheck leaks_;
};

TEST_F(MemoryTest, HandlesKeepTheirBytesAcrossResizes) {
  Handle h = NewHandle(4);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(MemError(), noErr);
  EXPECT_EQ(GetHandleSize(h), 4);
  std::memcpy(*h, "abcd", 4);
  SetHandleSize(h, 100000);
  ASSERT_EQ(MemError(), noErr);
  EXPECT_EQ(GetHandleSize(h), 100000);
  EXPECT_EQ(std::string(*h, 4), "abcd");
  SetHandleSize(h, 2);
  EXPECT_EQ(Contents(h), "ab");
  SetHandleSize(h, -1);
  EXPECT_EQ(MemError(), memSCErr);
  DisposeHandle(h);
  EXPECT_EQ(MemError(), noErr);

  Handle cleared = NewHandleClear(64);
  ASSERT_NE(cleared, nullptr);
  EXPECT_EQ(std::string(*cleared, 64), std::string(64, '\0'));
  DisposeHandle(cleared);
}

TEST_F(MemoryTest, AnUnlockedBlockMovesWhenItOutgrowsItsRoomALockedOneRefuses) {
  Handle h = HandleOf("data");
  Ptr before = *h;
  SetHandleSize(h, 1 << 20);
  EXPECT_NE(*h, before);  // grown far beyond its room: moved

  HLock(h);
  EXPECT_EQ(HGetState(h) & kHandleLockedMask, kHandleLockedMask);
  Ptr locked = *h;
  SetHandleSize(h, 4 << 20);
  EXPECT_EQ(MemError(), memFullErr);
  EXPECT_EQ(*h, locked);
  EXPECT_EQ(GetHandleSize(h), 1 << 20);
  SetHandleSize(h, 16);  // shrinking happens in place
  EXPECT_EQ(MemError(), noErr);
  EXPECT_EQ(*h, locked);
  EXPECT_EQ(std::string(*h, 4), "data");

  HUnlock(h);
  EXPECT_EQ(HGetState(h) & kHandleLockedMask, 0);
  HSetState(h, static_cast<SInt8>(kHandleLockedMask | kHandlePurgeableMask));
  EXPECT_EQ(static_cast<unsigned char>(HGetState(h)), kHandleLockedMask | kHandlePurgeableMask);
  EmptyHandle(h);
  EXPECT_EQ(MemError(), memLockedErr);
  HSetState(h, 0);
  EmptyHandle(h);
  EXPECT_EQ(*h, nullptr);
  ReallocateHandle(h, 3);
  EXPECT_EQ(GetHandleSize(h), 3);
  DisposeHandle(h);
}

TEST_F(MemoryTest, CopyingAndAppending) {
  Handle a = HandleOf("abc");
  EXPECT_EQ(PtrAndHand("de", a, 2), noErr);
  EXPECT_EQ(Contents(a), "abcde");
  // Appending bytes of the handle itself, which may move while it grows.
  EXPECT_EQ(PtrAndHand(*a + 1, a, 3), noErr);
  EXPECT_EQ(Contents(a), "abcdebcd");
  EXPECT_EQ(PtrToXHand("xy", a, 2), noErr);
  EXPECT_EQ(Contents(a), "xy");
  EXPECT_EQ(HandAndHand(a, a), noErr);
  EXPECT_EQ(Contents(a), "xyxy");

  Handle copy = a;
  ASSERT_EQ(HandToHand(&copy), noErr);
  ASSERT_NE(copy, a);
  EXPECT_EQ(Contents(copy), "xyxy");
  Handle b = HandleOf("1");
  EXPECT_EQ(HandAndHand(copy, b), noErr);
  EXPECT_EQ(Contents(b), "1xyxy");

  DisposeHandle(copy);
  EXPECT_EQ(PtrToHand(nullptr, &copy, 3), paramErr);
  EXPECT_EQ(copy, nullptr);
  DisposeHandle(a);
  DisposeHandle(b);
}

TEST_F(MemoryTest, PointersAndBlockMoves) {
  Ptr p = NewPtrClear(10);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(GetPtrSize(p), 10);
  std::memcpy(p, "0123456789", 10);
  BlockMove(p, p + 2, 6);  // overlapping
  EXPECT_EQ(std::string(p, 10), "0101234589");
  BlockMoveData(p + 4, p, 2);
  EXPECT_EQ(std::string(p, 2), "23");
  DisposePtr(p);
  EXPECT_EQ(MemError(), noErr);
}

TEST_F(MemoryTest, HandlesTheEngineNeverMadeAreRefused) {
  char block[16] = {};
  Ptr master = block;
  Handle fake = &master;
  EXPECT_EQ(GetHandleSize(fake), 0);
  EXPECT_EQ(MemError(), memWZErr);
  DisposeHandle(fake);
  EXPECT_EQ(MemError(), memWZErr);
  DisposeHandle(nullptr);
  EXPECT_EQ(MemError(), nilHandleErr);
  EXPECT_EQ(PtrAndHand("x", nullptr, 1), nilHandleErr);
  EXPECT_EQ(GetPtrSize(block), 0);
  EXPECT_EQ(MemError(), memWZErr);
}

TEST_F(MemoryTest, AllocationFaultsAndInjectedErrors) {
  QTMLTest_FailAllocations(0);
  EXPECT_EQ(NewHandle(8), nullptr);
  EXPECT_EQ(MemError(), memFullErr);
  EXPECT_EQ(NewPtr(8), nullptr);
  EXPECT_EQ(MemError(), memFullErr);
  QTMLTest_FailAllocations(-1);

  Handle h = HandleOf("abc");
  QTMLTest_FailAllocations(0);
  SetHandleSize(h, 1 << 20);  // needs a new block
  EXPECT_EQ(MemError(), memFullErr);
  EXPECT_EQ(Contents(h), "abc");
  QTMLTest_ClearFaults();

  QTMLTest_FailCall("NewHandle", 2, memFullErr);
  Handle first = NewHandle(1);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(NewHandle(1), nullptr);
  EXPECT_EQ(MemError(), memFullErr);
  Handle third = NewHandle(1);
  EXPECT_NE(third, nullptr);
  DisposeHandle(first);
  DisposeHandle(third);
  DisposeHandle(h);
}

}  // namespace
