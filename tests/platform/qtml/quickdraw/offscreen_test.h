// A fixture for engine tests that draw into off-screen worlds: each test
// gets back the current port and device it started with, the worlds and
// regions it keeps here are disposed after it, pending faults are cleared,
// and the test must leave no handle behind.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "QDOffscreen.h"
#include "QTMLTestControls.h"
#include "leak_check.h"
#include "Quickdraw.h"

class OffscreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    leaks_.Start();
    GetGWorld(&savedPort_, &savedDevice_);
  }
  void TearDown() override {
    QTMLTest_ClearFaults();
    SetGWorld(savedPort_, savedDevice_);
    for (GWorldPtr world : worlds_) DisposeGWorld(world);
    for (RgnHandle rgn : regions_) DisposeRgn(rgn);
    leaks_.Verify();
  }

  // A new world of `depth` over `bounds`, kept; nullptr (and a failure)
  // when it cannot be made.
  GWorldPtr Make(short depth, const Rect& bounds) {
    GWorldPtr world = nullptr;
    EXPECT_EQ(NewGWorld(&world, depth, &bounds, nullptr, nullptr, 0), noErr);
    if (world != nullptr) worlds_.push_back(world);
    return world;
  }
  // A new empty region, kept.
  RgnHandle New() {
    regions_.push_back(NewRgn());
    return regions_.back();
  }
  // A picture of `world` as it stands, framed by `frame`; owned by the
  // caller. `world` becomes current.
  static PicHandle Record(GWorldPtr world, const Rect& frame) {
    SetGWorld(world, nullptr);
    PicHandle picture = OpenPicture(&frame);
    EXPECT_NE(picture, nullptr);
    ClosePicture();
    EXPECT_EQ(QDError(), noErr);
    return picture;
  }

  // Disposed after the test, in this order.
  std::vector<GWorldPtr> worlds_;
  std::vector<RgnHandle> regions_;
  CGrafPtr savedPort_ = nullptr;
  GDHandle savedDevice_ = nullptr;

 private:
  LeakCheck leaks_;
};
