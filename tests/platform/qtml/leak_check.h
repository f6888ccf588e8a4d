// The engine's live handles and pointers counted when a test starts and
// again when it ends (faults cleared first), so a test that leaves a block
// behind fails.
#pragma once

#include <gtest/gtest.h>

#include "QTMLTestControls.h"

class LeakCheck {
 public:
  void Start() {
    handles_ = QTMLTest_LiveHandleCount();
    ptrs_ = QTMLTest_LivePtrCount();
  }
  void Verify() const {
    QTMLTest_ClearFaults();
    EXPECT_EQ(QTMLTest_LiveHandleCount(), handles_) << "handles leaked";
    EXPECT_EQ(QTMLTest_LivePtrCount(), ptrs_) << "pointers leaked";
  }

 private:
  long handles_ = 0;
  long ptrs_ = 0;
};
