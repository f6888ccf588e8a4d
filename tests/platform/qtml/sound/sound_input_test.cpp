// The Sound Input Manager's one virtual device.
#include <gtest/gtest.h>

#include <string>

#include "MacMemory.h"
#include "QTMLTestControls.h"
#include "Sound.h"
#include "leak_check.h"

namespace {

std::string Text(const Str255 name) {
  return std::string(reinterpret_cast<const char*>(name + 1), name[0]);
}

TEST(SoundInput, TheVirtualDeviceIsTheOnlyOne) {
  LeakCheck leaks;
  leaks.Start();
  Str255 name{};
  Handle icon = nullptr;
  ASSERT_EQ(SPBGetIndexedDevice(1, name, &icon), noErr);
  EXPECT_EQ(Text(name), "Virtual Input");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(GetHandleSize(icon), 256);
  DisposeHandle(icon);
  EXPECT_EQ(SPBGetIndexedDevice(1, name, nullptr), noErr);  // the icon is not wanted
  for (short index : {short{0}, short{2}, short{-1}}) {
    icon = reinterpret_cast<Handle>(1);
    EXPECT_EQ(SPBGetIndexedDevice(index, name, &icon), siBadSoundInDevice) << index;
    EXPECT_EQ(icon, nullptr);
  }
  EXPECT_EQ(SPBGetIndexedDevice(1, nullptr, nullptr), paramErr);
  QTMLTest_FailCall("SPBGetIndexedDevice", 1, -108);
  EXPECT_EQ(SPBGetIndexedDevice(1, name, &icon), -108);
  EXPECT_EQ(icon, nullptr);
  QTMLTest_FailAllocations(0);
  EXPECT_EQ(SPBGetIndexedDevice(1, name, &icon), memFullErr);
  QTMLTest_ClearFaults();
  leaks.Verify();
}

}  // namespace
