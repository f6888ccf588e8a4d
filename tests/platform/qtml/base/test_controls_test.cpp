// The engine's call trace and fault injection.
#include <gtest/gtest.h>

#include <string>

#include "Components.h"
#include "Gestalt.h"
#include "MacMemory.h"
#include "Movies.h"
#include "QTMLTestControls.h"

namespace {

class TestControlsTest : public ::testing::Test {
 protected:
  void SetUp() override { QTMLTest_ClearTrace(); }
  void TearDown() override {
    QTMLTest_SetTrace(false);
    QTMLTest_ClearTrace();
    QTMLTest_ClearFaults();
  }
};

TEST_F(TestControlsTest, TraceRecordsCallsArgumentsAndResults) {
  EnterMovies();
  EXPECT_STREQ(QTMLTest_TraceText(), "");  // off: nothing recorded
  QTMLTest_SetTrace(true);
  EXPECT_TRUE(QTMLTest_TraceIsOn());
  long version = 0;
  Gestalt('zzzz', nullptr);
  ComponentDescription clocks{'clok', 0, 0, 0, 0};
  long components = CountComponents(nullptr);  // as many as this build's FFmpeg allows
  ExitMovies();
  EnterMovies();
  QTMLTest_SetTrace(false);
  Gestalt('qtim', &version);
  EXPECT_EQ(std::string(QTMLTest_TraceText()),
            "Gestalt('zzzz', nil) -> -50\n"
            "CountComponents(nil) -> " +
                std::to_string(components) +
                "\n"
                "ExitMovies()\n"
                "EnterMovies() -> 0\n");
  (void)clocks;
  QTMLTest_ClearTrace();
  EXPECT_STREQ(QTMLTest_TraceText(), "");
}

TEST_F(TestControlsTest, TheNthCallFailsTheOthersWork) {
  QTMLTest_FailCall("QTNewAtomContainer", 3, memFullErr);
  QTAtomContainer containers[4] = {};
  OSErr results[4];
  for (int i = 0; i < 4; ++i) results[i] = QTNewAtomContainer(&containers[i]);
  EXPECT_EQ(results[0], noErr);
  EXPECT_EQ(results[1], noErr);
  EXPECT_EQ(results[2], memFullErr);
  EXPECT_EQ(containers[2], nullptr);
  EXPECT_EQ(GetMoviesError(), noErr);  // the fourth call worked
  EXPECT_EQ(results[3], noErr);
  for (QTAtomContainer c : containers) {
    if (c != nullptr) QTDisposeAtomContainer(c);
  }

  // Two faults on one function count independently; clearing drops both.
  QTMLTest_FailCall("NewPtr", 1, memFullErr);
  QTMLTest_FailCall("NewPtr", 2, memWZErr);
  EXPECT_EQ(NewPtr(1), nullptr);
  EXPECT_EQ(MemError(), memFullErr);
  EXPECT_EQ(NewPtr(1), nullptr);
  EXPECT_EQ(MemError(), memWZErr);
  QTMLTest_FailCall("NewPtr", 1, memFullErr);
  QTMLTest_ClearFaults();
  Ptr p = NewPtr(1);
  EXPECT_NE(p, nullptr);
  DisposePtr(p);
}

TEST_F(TestControlsTest, AllocationsFailAfterTheCount) {
  // However many allocations a handle takes (its record, its bytes, the
  // engine's note of it), with fewer allowed it is not made.
  long needed = 0;
  for (;; ++needed) {
    QTMLTest_FailAllocations(needed);
    Handle h = NewHandle(1);
    QTMLTest_FailAllocations(-1);
    if (h != nullptr) {
      DisposeHandle(h);
      break;
    }
    EXPECT_EQ(MemError(), memFullErr);
    ASSERT_LT(needed, 10);
  }
  EXPECT_GE(needed, 2);
  QTMLTest_FailAllocations(needed);
  Handle first = NewHandle(1);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(NewHandle(1), nullptr);
  EXPECT_EQ(NewHandle(1), nullptr);
  QTMLTest_FailAllocations(-1);
  Handle later = NewHandle(1);
  EXPECT_NE(later, nullptr);
  DisposeHandle(first);
  DisposeHandle(later);
}

}  // namespace

TEST_F(TestControlsTest, CodesThatAreNotTextShowAsNumbers) {
  QTMLTest_SetTrace(true);
  Gestalt(0, nullptr);
  Gestalt(0x01020304, nullptr);
  QTMLTest_SetTrace(false);
  EXPECT_EQ(std::string(QTMLTest_TraceText()),
            "Gestalt(0, nil) -> -50\n"
            "Gestalt(0x01020304, nil) -> -50\n");
}
