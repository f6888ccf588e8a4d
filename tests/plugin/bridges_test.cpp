#include "plugin/bridges.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "MacErrors.h"
#include "MacMemory.h"
#include "QTMLTestControls.h"
#include "host_fixture.h"

namespace {

using fenra::host::ObjectRef;

class Bridges : public WithHost {
 protected:
  REALstring Text(const char* text) { return strings_.emplace_back(fenra::MakeHostString(text)); }
  void TearDown() override {
    for (REALstring s : strings_) fenra::host::REALUnlockObject(reinterpret_cast<REALobject>(s));
    WithHost::TearDown();
  }
  std::vector<REALstring> strings_;
};

TEST_F(Bridges, FourCharacterCodesFromText) {
  EXPECT_EQ(fenra::StringToOSType(Text("moov")), 'moov');
  EXPECT_EQ(fenra::StringToOSType(Text("moov")) >> 24, 109u);
  EXPECT_EQ(fenra::StringToOSType(Text("ab")), 'ab  ');
  EXPECT_EQ(fenra::StringToOSType(Text("")), '    ');
  EXPECT_EQ(fenra::StringToOSType(nullptr), '    ');
  EXPECT_EQ(fenra::StringToOSType(Text("abcdef")), 'abcd');
}

TEST_F(Bridges, FourCharacterCodesToText) {
  char buffer[5] = {'x', 'x', 'x', 'x', 'x'};
  fenra::OSTypeToCString('CMPM', buffer);
  EXPECT_STREQ(buffer, "CMPM");
  fenra::OSTypeToCString('CMPM', nullptr);  // no crash, nothing written
  REALstring text = fenra::OSTypeToHostString('ab  ');
  strings_.push_back(text);
  EXPECT_EQ(fenra::HostStringText(text), "ab  ");
}

TEST_F(Bridges, HostStringsFromEverySource) {
  EXPECT_EQ(fenra::HostStringText(Text("hello")), "hello");
  REALstring empty = fenra::MakeHostString();
  strings_.push_back(empty);
  EXPECT_EQ(fenra::HostStringText(empty), "");
  const unsigned char pascal[] = {3, 'a', 'b', 'c', 'd'};
  strings_.push_back(fenra::MakeHostPString(pascal));
  EXPECT_EQ(fenra::HostStringText(strings_.back()), "abc");
  Handle handle = NewHandle(3);
  memcpy(*handle, "x\0y", 3);
  int32_t err = 0;
  strings_.push_back(fenra::MakeHostStringFromHandle(handle, &err));
  EXPECT_EQ(fenra::HostStringText(strings_.back()), std::string("x\0y", 3));
  EXPECT_EQ(err, 0);
  // A handle whose size cannot be read gives no bytes and the error.
  QTMLTest_FailCall("GetHandleSize", 1, memFullErr);
  strings_.push_back(fenra::MakeHostStringFromHandle(handle, &err));
  EXPECT_EQ(fenra::HostStringText(strings_.back()), "");
  EXPECT_EQ(err, memFullErr);
  DisposeHandle(handle);
  EXPECT_EQ(fenra::HostStringText(nullptr), "");
}

TEST_F(Bridges, HandleSizesAreCheckedBeforeUse) {
  Handle handle = NewHandle(5);
  Size size = -1;
  EXPECT_EQ(fenra::HandleSize(handle, &size), noErr);
  EXPECT_EQ(size, 5);
  QTMLTest_FailCall("GetHandleSize", 1, memFullErr);
  EXPECT_EQ(fenra::HandleSize(handle, &size), memFullErr);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(fenra::HandleSize(nullptr, &size), nilHandleErr);
  DisposeHandle(handle);
}

TEST_F(Bridges, OnlyFiniteDoublesBecomeFixed) {
  Fixed fixed = 7;
  EXPECT_TRUE(fenra::DoubleToFixed(1.5, &fixed));
  EXPECT_EQ(fixed, 0x18000);
  // Large values saturate, as the platform's conversion does.
  EXPECT_TRUE(fenra::DoubleToFixed(1e9, &fixed));
  EXPECT_EQ(fixed, 0x7FFFFFFF);
  fixed = 7;
  for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    EXPECT_FALSE(fenra::DoubleToFixed(bad, &fixed)) << bad;
    EXPECT_EQ(fixed, 7);
  }
}

TEST_F(Bridges, ColoursCrossBothWays) {
  RGBColor rgb{};
  fenra::ColorToRGB(0xFF8000, &rgb);
  EXPECT_EQ(rgb.red, 65535);
  EXPECT_EQ(rgb.green, 32896);
  EXPECT_EQ(rgb.blue, 0);
  EXPECT_EQ(fenra::RGBToColor(rgb), 0xFF8000u);
  fenra::ColorToRGB(0x123456, nullptr);
}

TEST_F(Bridges, IntegerArraysBecomeRectsOnlyWithFourElements) {
  Rect rect{1, 1, 1, 1};
  ObjectRef four = runtime().NewIntegerArray({10, 20, 110, 220});
  fenra::IntArrayToRect(reinterpret_cast<REALarray>(four->Handle()), &rect);
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.top, 20);
  EXPECT_EQ(rect.right, 110);
  EXPECT_EQ(rect.bottom, 220);
  for (auto values : {std::vector<int64_t>{1, 2, 3}, std::vector<int64_t>{1, 2, 3, 4, 5}}) {
    ObjectRef array = runtime().NewIntegerArray(values);
    fenra::IntArrayToRect(reinterpret_cast<REALarray>(array->Handle()), &rect);
    EXPECT_EQ(rect.left | rect.top | rect.right | rect.bottom, 0);
  }
  rect = Rect{1, 1, 1, 1};
  fenra::IntArrayToRect(nullptr, &rect);
  EXPECT_EQ(rect.left | rect.top | rect.right | rect.bottom, 0);
  // Elements are truncated to 16 bits.
  ObjectRef wide = runtime().NewIntegerArray({65536 + 5, 0, 0, 0});
  fenra::IntArrayToRect(reinterpret_cast<REALarray>(wide->Handle()), &rect);
  EXPECT_EQ(rect.left, 5);
}

TEST_F(Bridges, FolderItemsForFilesThatDoNotExistYet) {
  auto dir = std::filesystem::temp_directory_path() / ("fenra-bridges-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string path = (dir / "not-yet.mov").string();
  ObjectRef item = runtime().NewFolderItem(path);
  FSSpec spec{};
  ASSERT_EQ(fenra::FolderItemToFSSpec(reinterpret_cast<REALfolderItem>(item->Handle()), &spec),
            noErr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(spec.name + 1), spec.name[0]), "not-yet.mov");
  EXPECT_EQ(fenra::FolderItemToFSSpec(nullptr, &spec), paramErr);
  ObjectRef tooLong = runtime().NewFolderItem((dir / std::string(256, 'n')).string());
  EXPECT_EQ(fenra::FolderItemToFSSpec(reinterpret_cast<REALfolderItem>(tooLong->Handle()), &spec),
            bdNamErr);
  EXPECT_EQ(fenra::FolderItemToFSSpec(reinterpret_cast<REALfolderItem>(item->Handle()), nullptr),
            paramErr);

  // And back again, to the same path.
  REALfolderItem back = fenra::FSSpecToFolderItem(&spec);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(fenra::FolderItemPath(back), path);
  fenra::host::REALUnlockObject(reinterpret_cast<REALobject>(back));
  EXPECT_EQ(fenra::FSSpecToFolderItem(nullptr), nullptr);

  FSSpec copy{};
  fenra::CopyFSSpec(&copy, &spec);
  EXPECT_EQ(copy.parID, spec.parID);
  EXPECT_EQ(memcmp(copy.name, spec.name, spec.name[0] + 1u), 0);
  std::filesystem::remove_all(dir);
}

TEST_F(Bridges, PictureSizesAndGWorlds) {
  short width = -1, height = -1;
  fenra::PictureSize(nullptr, &width, &height);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);

  ObjectRef picture = runtime().NewPicture(40, 30, 32);
  auto* pic = reinterpret_cast<REALpicture>(picture->Handle());
  fenra::PictureSize(pic, &width, &height);
  EXPECT_EQ(width, 40);
  EXPECT_EQ(height, 30);

  GWorldPtr world = nullptr;
  ASSERT_EQ(fenra::PictureToGWorld(pic, &world, nullptr), noErr);
  ASSERT_NE(world, nullptr);
  Rect bounds;
  GetPortBounds(world, &bounds);
  EXPECT_EQ(bounds.right - bounds.left, 40);
  EXPECT_EQ(bounds.bottom - bounds.top, 30);
  EXPECT_TRUE(GetPixelsState(GetGWorldPixMap(world)) & pixelsLocked);
  EXPECT_EQ(fenra::DrawPictureInGWorld(pic, world), noErr);
  DisposeGWorld(world);

  PicHandle recorded = nullptr;
  ASSERT_EQ(fenra::PictureToPicHandle(pic, &recorded, nullptr), noErr);
  ASSERT_NE(recorded, nullptr);
  KillPicture(recorded);
}

TEST_F(Bridges, EmptyPicturesAndMissingArgumentsAreParamErrors) {
  ObjectRef empty = runtime().NewPicture(0, 0, 32);
  auto* pic = reinterpret_cast<REALpicture>(empty->Handle());
  GWorldPtr world = nullptr;
  EXPECT_EQ(fenra::PictureToGWorld(pic, &world, nullptr), paramErr);
  EXPECT_EQ(world, nullptr);
  EXPECT_EQ(fenra::PictureToGWorld(nullptr, &world, nullptr), paramErr);
  PicHandle recorded = nullptr;
  EXPECT_EQ(fenra::PictureToPicHandle(pic, &recorded, nullptr), paramErr);
  EXPECT_EQ(recorded, nullptr);
  EXPECT_EQ(fenra::DrawPictureInGWorld(pic, nullptr), paramErr);
}

TEST_F(Bridges, ProgressWindowsAreNeverShown) {
  const unsigned char title[] = "\x05Title";
  fenra::ProgressWindow window = fenra::CreateProgressWindow(nullptr, title, title, 0, 10);
  EXPECT_EQ(window, nullptr);
  fenra::UpdateProgressWindow(window, 5, 1);
  fenra::DisposeProgressWindow(window);
}

}  // namespace
