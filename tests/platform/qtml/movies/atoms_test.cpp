// QT atom containers: the exact bytes, IDs and indexes, data, copies,
// stored bytes read back, and malformed containers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Movies.h"
#include "QTMLTestControls.h"
#include "leak_check.h"

namespace {

uint32_t BE32(const char* at) {
  const auto* p = reinterpret_cast<const unsigned char*>(at);
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
uint16_t BE16(const char* at) {
  const auto* p = reinterpret_cast<const unsigned char*>(at);
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

class AtomsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    leaks_.Start();
    ASSERT_EQ(QTNewAtomContainer(&c_), noErr);
  }
  void TearDown() override {
    QTMLTest_ClearFaults();
    QTDisposeAtomContainer(c_);
    leaks_.Verify();
  }
  QTAtom Insert(QTAtom parent, QTAtomType type, QTAtomID id, const std::string& data,
                short index = 0) {
    QTAtom atom = 0;
    EXPECT_EQ(QTInsertChild(c_, parent, type, id, index, static_cast<long>(data.size()),
                            const_cast<char*>(data.data()), &atom),
              noErr);
    return atom;
  }
  std::string Data(QTAtomContainer c, QTAtom atom) {
    long size = 0;
    Ptr data = nullptr;
    if (QTGetAtomDataPtr(c, atom, &size, &data) != noErr) return "<error>";
    return std::string(data, size);
  }
  // The root's size field must always cover the container to its end.
  void ExpectConsistent(QTAtomContainer c) {
    EXPECT_EQ(BE32(*c + 12) + 12, static_cast<uint32_t>(GetHandleSize(c)));
  }
  QTAtomContainer c_ = nullptr;
  LeakCheck leaks_;
};

TEST_F(AtomsTest, NewContainerAndLeafHaveQuickTimesLayout) {
  ASSERT_EQ(GetHandleSize(c_), 32);
  EXPECT_EQ(std::string(*c_, 12), std::string(12, '\0'));
  EXPECT_EQ(BE32(*c_ + 12), 20u);
  EXPECT_EQ(std::string(*c_ + 16, 4), "sean");
  EXPECT_EQ(BE32(*c_ + 20), 1u);
  EXPECT_EQ(BE16(*c_ + 26), 0);

  QTAtom leaf = Insert(kParentAtomIsContainer, 'VERS', 0, std::string("\0\0\0\2", 4));
  EXPECT_EQ(leaf, 32);
  ASSERT_EQ(GetHandleSize(c_), 56);
  EXPECT_EQ(BE32(*c_ + 12), 44u);  // root grew
  EXPECT_EQ(BE16(*c_ + 26), 1);    // one child
  const char* atom = *c_ + leaf;
  EXPECT_EQ(BE32(atom), 24u);
  EXPECT_EQ(std::string(atom + 4, 4), "VERS");
  EXPECT_EQ(BE32(atom + 8), 1u);  // the first ID the engine picks
  EXPECT_EQ(BE16(atom + 14), 0);
  EXPECT_EQ(std::string(atom + 20, 4), std::string("\0\0\0\2", 4));
}

TEST_F(AtomsTest, IdsIndexesAndLookups) {
  Insert(kParentAtomIsContainer, 'DATA', 0, "one");
  Insert(kParentAtomIsContainer, 'DATA', 5, "five");
  Insert(kParentAtomIsContainer, 'DESC', 0, "d");
  Insert(kParentAtomIsContainer, 'DATA', 0, "two");       // lowest free ID: 2
  Insert(kParentAtomIsContainer, 'DATA', 9, "first", 1);  // before the first DATA
  QTAtom dup = 0;
  EXPECT_EQ(QTInsertChild(c_, 0, 'DATA', 5, 0, 0, nullptr, &dup), duplicateAtomTypeAndIDErr);
  EXPECT_EQ(dup, 0);
  EXPECT_EQ(QTInsertChild(c_, 0, 'DATA', 0, 7, 0, nullptr, nullptr), atomIndexInvalidErr);

  EXPECT_EQ(QTCountChildren(c_, 0), 5);
  EXPECT_EQ(QTCountChildrenOfType(c_, 0, 'DATA'), 4);
  QTAtomID id = 0;
  EXPECT_EQ(Data(c_, QTFindChildByIndex(c_, 0, 'DATA', 1, &id)), "first");
  EXPECT_EQ(id, 9);
  EXPECT_EQ(Data(c_, QTFindChildByIndex(c_, 0, 'DATA', 4, &id)), "two");
  EXPECT_EQ(id, 2);
  EXPECT_EQ(QTFindChildByIndex(c_, 0, 'DATA', 5, nullptr), 0);
  EXPECT_EQ(GetMoviesError(), cannotFindAtomErr);
  short index = 0;
  EXPECT_EQ(Data(c_, QTFindChildByID(c_, 0, 'DATA', 5, &index)), "five");
  EXPECT_EQ(index, 3);
  EXPECT_EQ(QTGetNextChildType(c_, 0, 0), static_cast<QTAtomType>('DATA'));
  EXPECT_EQ(QTGetNextChildType(c_, 0, 'DATA'), static_cast<QTAtomType>('DESC'));
  EXPECT_EQ(QTGetNextChildType(c_, 0, 'DESC'), 0u);
  ExpectConsistent(c_);
}

TEST_F(AtomsTest, NestedAtomsAndTheirData) {
  QTAtom record = Insert(0, 'DATA', 0, "");
  QTAtom flags = Insert(record, 'FLGS', 0, std::string("\x36\0\0\0", 4));
  QTAtom package = Insert(record, 'PCKG', 0, "package");
  (void)flags;
  record = QTFindChildByIndex(c_, 0, 'DATA', 1, nullptr);
  EXPECT_EQ(QTCountChildren(c_, record), 2);
  package = QTFindChildByIndex(c_, record, 'PCKG', 1, nullptr);

  char buffer[16] = {};
  long actual = 0;
  EXPECT_EQ(QTCopyAtomDataToPtr(c_, package, true, sizeof buffer, buffer, &actual), noErr);
  EXPECT_EQ(actual, 7);
  EXPECT_EQ(std::string(buffer, 7), "package");
  EXPECT_EQ(QTCopyAtomDataToPtr(c_, package, false, sizeof buffer, buffer, &actual), paramErr);
  EXPECT_EQ(QTCopyAtomDataToPtr(c_, package, true, 3, buffer, &actual), paramErr);
  EXPECT_EQ(QTCopyAtomDataToPtr(c_, record, true, 16, buffer, &actual), notLeafAtomErr);

  // Growing a leaf grows every atom above it.
  ASSERT_EQ(QTSetAtomData(c_, package, 12, const_cast<char*>("packagepacka")), noErr);
  ExpectConsistent(c_);
  record = QTFindChildByIndex(c_, 0, 'DATA', 1, nullptr);
  EXPECT_EQ(BE32(*c_ + record), 20u + 24u + 32u);
  package = QTFindChildByIndex(c_, record, 'PCKG', 1, nullptr);
  Handle bytes = NewHandle(0);
  EXPECT_EQ(QTCopyAtomDataToHandle(c_, package, bytes), noErr);
  EXPECT_EQ(std::string(*bytes, GetHandleSize(bytes)), "packagepacka");
  DisposeHandle(bytes);

  ASSERT_EQ(QTSetAtomData(c_, package, 0, nullptr), noErr);
  ExpectConsistent(c_);
  EXPECT_EQ(QTRemoveAtom(c_, QTFindChildByIndex(c_, record, 'FLGS', 1, nullptr)), noErr);
  EXPECT_EQ(QTCountChildren(c_, record), 1);
  EXPECT_EQ(QTRemoveChildren(c_, record), noErr);
  EXPECT_EQ(QTCountChildren(c_, record), 0);
  EXPECT_EQ(GetHandleSize(c_), 52);
  ExpectConsistent(c_);
  EXPECT_EQ(QTInsertChild(c_, package, 'x   ', 0, 0, 0, nullptr, nullptr), invalidAtomErr);
}

TEST_F(AtomsTest, StoredBytesReadBackAsAContainer) {
  QTAtom desc = Insert(0, 'DESC', 0, "");
  Insert(desc, 'TYPE', 0, "CMPM");
  Handle stored = NewHandle(GetHandleSize(c_));
  std::memcpy(*stored, *c_, GetHandleSize(c_));

  QTAtomContainer copy = nullptr;
  ASSERT_EQ(QTCopyAtom(stored, kParentAtomIsContainer, &copy), noErr);
  QTAtom found = QTFindChildByIndex(copy, 0, 'DESC', 1, nullptr);
  EXPECT_EQ(Data(copy, QTFindChildByIndex(copy, found, 'TYPE', 1, nullptr)), "CMPM");
  EXPECT_EQ(Data(stored, QTFindChildByIndex(stored, found, 'TYPE', 1, nullptr)), "CMPM");

  // A subtree copied out becomes the only child of a new root.
  QTAtomContainer subtree = nullptr;
  ASSERT_EQ(QTCopyAtom(c_, desc, &subtree), noErr);
  EXPECT_EQ(GetHandleSize(subtree), static_cast<long>(32 + BE32(*c_ + desc)));
  EXPECT_EQ(QTCountChildren(subtree, 0), 1);
  ExpectConsistent(subtree);

  // And children of one container go into another.
  ASSERT_EQ(QTInsertChildren(c_, desc, subtree), noErr);
  desc = QTFindChildByIndex(c_, 0, 'DESC', 1, nullptr);
  EXPECT_EQ(QTCountChildren(c_, desc), 2);
  EXPECT_EQ(QTInsertChildren(c_, desc, subtree), duplicateAtomTypeAndIDErr);
  ExpectConsistent(c_);
  QTDisposeAtomContainer(subtree);
  QTDisposeAtomContainer(copy);
  DisposeHandle(stored);
}

TEST_F(AtomsTest, MalformedBytesAndBadAtomsAreRefused) {
  QTAtom leaf = Insert(0, 'LEAF', 0, "abcd");
  EXPECT_EQ(QTInsertChild(c_, leaf, 'KID ', 0, 0, 0, nullptr, nullptr), cannotBeLeafAtomErr);
  EXPECT_EQ(QTSetAtomData(c_, leaf + 2, 1, const_cast<char*>("x")), invalidAtomErr);
  EXPECT_EQ(QTRemoveAtom(c_, kParentAtomIsContainer), paramErr);

  Handle bad = NewHandle(GetHandleSize(c_));
  std::memcpy(*bad, *c_, GetHandleSize(c_));
  (*bad)[35] = 100;  // the leaf claims more bytes than there are
  EXPECT_EQ(QTCountChildren(bad, 0), 0);
  EXPECT_EQ(GetMoviesError(), invalidAtomContainerErr);
  QTAtomContainer copy = reinterpret_cast<QTAtomContainer>(1);
  EXPECT_EQ(QTCopyAtom(bad, 0, &copy), invalidAtomContainerErr);
  EXPECT_EQ(copy, nullptr);
  SetHandleSize(bad, 20);
  EXPECT_EQ(QTInsertChild(bad, 0, 'LEAF', 0, 0, 0, nullptr, nullptr), invalidAtomContainerErr);
  DisposeHandle(bad);
}

TEST_F(AtomsTest, LockingCountsInTheHeaderAndPinsTheBytes) {
  ASSERT_EQ(QTLockContainer(c_), noErr);
  ASSERT_EQ(QTLockContainer(c_), noErr);
  EXPECT_EQ(BE16(*c_ + 10), 2);
  EXPECT_EQ(HGetState(c_) & kHandleLockedMask, kHandleLockedMask);
  QTAtomContainer copy = nullptr;
  ASSERT_EQ(QTCopyAtom(c_, 0, &copy), noErr);
  EXPECT_EQ(BE16(*copy + 10), 0);
  QTDisposeAtomContainer(copy);
  EXPECT_EQ(QTUnlockContainer(c_), noErr);
  EXPECT_EQ(QTUnlockContainer(c_), noErr);
  EXPECT_EQ(HGetState(c_) & kHandleLockedMask, 0);
  EXPECT_EQ(QTUnlockContainer(c_), paramErr);
}

TEST_F(AtomsTest, FailedInsertionsLeaveTheContainerAsItWas) {
  Insert(0, 'KEEP', 0, "kept");
  std::string before(*c_, GetHandleSize(c_));
  QTMLTest_FailAllocations(0);
  EXPECT_EQ(QTInsertChild(c_, 0, 'BIG ', 0, 0, 4096, nullptr, nullptr), memFullErr);
  QTMLTest_ClearFaults();
  QTMLTest_FailCall("QTInsertChild", 1, invalidAtomErr);
  EXPECT_EQ(QTInsertChild(c_, 0, 'BIG ', 0, 0, 1, nullptr, nullptr), invalidAtomErr);
  EXPECT_EQ(GetMoviesError(), invalidAtomErr);
  EXPECT_EQ(std::string(*c_, GetHandleSize(c_)), before);
}

}  // namespace
