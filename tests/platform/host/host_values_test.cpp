// The host's values as a plugin sees them through its services, and the
// host classes as scripts use them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "QDOffscreen.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "REALplugin.h"
#include "core/objects.h"
#include "core/pixel_world.h"
#include "fenra_host/runtime.h"
#include "runtime_calls_test.h"

namespace fenra::host {
namespace {

namespace fs = std::filesystem;

template <class T>
T Service(const char* name) {
  auto service = reinterpret_cast<T>(Runtime::Resolver()(name));
  EXPECT_NE(service, nullptr) << name;
  return service;
}

void Unlock(void* object) {
  Service<REALUnlockObjectProc>("REALUnlockObject")(static_cast<REALobject>(object));
}

int64_t References(void* handle) {
  return HostObject::Of(static_cast<REALobject>(handle))->References();
}

Picture& PictureOf(const Value& v) {
  return *static_cast<Picture*>(v.object.get());
}

// --- strings and small services ---

TEST(HostStrings, AreLaidOutForDirectReading) {
  REALstring text = Service<REALBuildStringProc>("REALBuildString")("hello", 5);
  const auto* record = reinterpret_cast<const REALstringData*>(text);
  EXPECT_EQ(record->length, 5);
  EXPECT_EQ(std::string(record->buffer + 1, 5), "hello");
  EXPECT_EQ(record->buffer[6], '\0');
  EXPECT_STREQ(Service<StringGetCStringProc>("StringGetCString")(text), "hello");
  EXPECT_EQ(Service<StringGetPStringProc>("StringGetPString")(text)[0], 5);

  REALstring copy = Service<REALConvertStringProc>("REALConvertString")(text, 0);
  EXPECT_NE(copy, text);
  EXPECT_STREQ(Service<StringGetCStringProc>("StringGetCString")(copy), "hello");
  Unlock(copy);

  Service<REALLockObjectProc>("REALLockObject")(reinterpret_cast<REALobject>(text));
  EXPECT_EQ(References(text), 2);
  EXPECT_EQ(record->referenceCount, 2);
  Unlock(text);
  Unlock(text);  // the last reference: gone, as AddressSanitizer checks
}

TEST(HostStrings, EdgeCases) {
  auto build = Service<REALBuildStringProc>("REALBuildString");
  std::string longText(300, 'x');
  REALstring big = build(longText.data(), 300);
  EXPECT_EQ(reinterpret_cast<const REALstringData*>(big)->length, 300);
  EXPECT_EQ(Service<StringGetPStringProc>("StringGetPString")(big)[0], 255);  // Pascal view
  EXPECT_EQ(std::string(Service<StringGetCStringProc>("StringGetCString")(big)), longText);
  Unlock(big);

  REALstring empty = build(nullptr, 0);
  EXPECT_STREQ(Service<StringGetCStringProc>("StringGetCString")(empty), "");
  Unlock(empty);
  REALstring withNul = build("a\0b", 3);
  EXPECT_EQ(reinterpret_cast<const REALstringData*>(withNul)->length, 3);
  Unlock(withNul);

  EXPECT_STREQ(Service<StringGetCStringProc>("StringGetCString")(nullptr), "");
  EXPECT_EQ(Service<StringGetPStringProc>("StringGetPString")(nullptr)[0], 0);
  EXPECT_EQ(Runtime::Resolver()("NoSuchService"), nullptr);
  EXPECT_EQ(Runtime::Resolver()(nullptr), nullptr);
}

TEST(HostServices, MemoryBlocksArraysFolderItemsAndControls) {
  REALmemoryBlock block = Service<newMemoryBlockProc>("newMemoryBlock")(16);
  EXPECT_EQ(Service<memoryBlockGetSizeProc>("memoryBlockGetSize")(block), 16);
  auto* bytes = static_cast<uint8_t*>(Service<memoryBlockGetPtrProc>("memoryBlockGetPtr")(block));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes[15], 0);
  Unlock(block);
  EXPECT_EQ(Service<newMemoryBlockProc>("newMemoryBlock")(-1), nullptr);
  EXPECT_EQ(Service<memoryBlockGetSizeProc>("memoryBlockGetSize")(nullptr), 0);

  ObjectRef array = Runtime::Get().NewIntegerArray({5, -6, 7});
  auto* handle = reinterpret_cast<REALarray>(array->Handle());
  EXPECT_EQ(Service<RuntimeUBoundProc>("RuntimeUBound")(handle), 2);
  auto read = Service<RuntimeDirectReadIntArrayProc>("RuntimeDirectReadIntArray");
  EXPECT_EQ(read(handle, 1), -6);
  EXPECT_EQ(read(handle, 3), 0);
  EXPECT_EQ(Service<RuntimeUBoundProc>("RuntimeUBound")(nullptr), -1);
  // A string is not an array.
  REALstring text = Service<REALBuildStringProc>("REALBuildString")("x", 1);
  EXPECT_EQ(Service<RuntimeUBoundProc>("RuntimeUBound")(reinterpret_cast<REALarray>(text)), -1);
  Unlock(text);

  REALfolderItem item = Service<FolderItemFromPathProc>("FolderItemFromPath")("/tmp/x.mov");
  REALstring path = Service<REALpathFromFolderItemProc>("REALpathFromFolderItem")(item);
  EXPECT_STREQ(Service<StringGetCStringProc>("StringGetCString")(path), "/tmp/x.mov");
  Unlock(path);
  Unlock(item);
  EXPECT_EQ(Service<REALpathFromFolderItemProc>("REALpathFromFolderItem")(nullptr), nullptr);

  Rect bounds{1, 2, 3, 4};
  Service<GetControlBoundsProc>("GetControlBounds")(nullptr, &bounds);
  EXPECT_EQ(bounds.bottom, 0);
}

// --- pictures and GWorlds ---

// A GWorld of the given depth, its pixels written by `fill` as raw bytes.
template <class Fill>
GWorldPtr World(short depth, int width, int height, Fill fill) {
  Rect bounds{0, 0, static_cast<short>(height), static_cast<short>(width)};
  GWorldPtr world = nullptr;
  EXPECT_EQ(NewGWorld(&world, depth, &bounds, nullptr, nullptr, 0), noErr);
  PixMapHandle map = GetGWorldPixMap(world);
  LockPixels(map);
  fill(reinterpret_cast<uint8_t*>(GetPixBaseAddr(map)), GetPixRowBytes(map), map);
  return world;
}

// The pixels of a picture the host built, read through its description.
std::vector<uint32_t> Pixels(REALpicture picture, int expectWidth, int expectHeight) {
  REALpictureDescription description{};
  Service<lockPictureDescriptionProc>("lockPictureDescription")(picture, &description);
  EXPECT_EQ(description.width, expectWidth);
  EXPECT_EQ(description.height, expectHeight);
  EXPECT_EQ(description.depth, 32);
  const auto* data = static_cast<const uint32_t*>(description.pictureData);
  std::vector<uint32_t> pixels(data, data + expectWidth * expectHeight);
  Service<unlockPictureDescriptionProc>("unlockPictureDescription")(picture);
  return pixels;
}

std::vector<uint32_t> FromWorld(GWorldPtr world, int width, int height) {
  REALpicture picture =
      Service<REALBuildPictureFromGWorldProc>("REALBuildPictureFromGWorld")(world, 0);
  DisposeGWorld(world);
  EXPECT_NE(picture, nullptr);
  if (picture == nullptr) return {};
  std::vector<uint32_t> pixels = Pixels(picture, width, height);
  Unlock(picture);
  return pixels;
}

TEST(PictureBridge, GWorldsOfEveryDepthBecome32BitPictures) {
  auto argb = [](uint8_t* p, long, PixMapHandle) {
    const uint8_t bytes[] = {0, 0x11, 0x22, 0x33, 0, 0xFF, 0, 0};
    std::copy(bytes, bytes + 8, p);
  };
  EXPECT_EQ(FromWorld(World(32, 2, 1, argb), 2, 1),
            (std::vector<uint32_t>{0xFF112233, 0xFFFF0000}));

  auto rgb = [](uint8_t* p, long rowBytes, PixMapHandle) {
    p[0] = 0x10, p[1] = 0x20, p[2] = 0x30;
    p[rowBytes] = 0xFF, p[rowBytes + 1] = 0xFF, p[rowBytes + 2] = 0xFF;
  };
  EXPECT_EQ(FromWorld(World(24, 1, 2, rgb), 1, 2), (std::vector<uint32_t>{0xFF102030, 0xFFFFFFFF}));

  auto rgb555 = [](uint8_t* p, long, PixMapHandle) {
    p[0] = 0x7C, p[1] = 0x00;  // red 31
    p[2] = 0x00, p[3] = 0x1F;  // blue 31
  };
  EXPECT_EQ(FromWorld(World(16, 2, 1, rgb555), 2, 1),
            (std::vector<uint32_t>{0xFFFF0000, 0xFF0000FF}));

  RGBColor entry{};
  auto indexed = [&entry](uint8_t* p, long, PixMapHandle map) {
    p[0] = 5;
    entry = (**(**map).pmTable).ctTable[5].rgb;
  };
  std::vector<uint32_t> eight = FromWorld(World(8, 1, 1, indexed), 1, 1);
  ASSERT_EQ(eight.size(), 1u);
  EXPECT_EQ(eight[0],
            0xFF000000u | (entry.red >> 8) << 16 | (entry.green >> 8) << 8 | (entry.blue >> 8));

  auto bits = [](uint8_t* p, long, PixMapHandle) { p[0] = 0x40; };  // second pixel set
  EXPECT_EQ(FromWorld(World(1, 3, 1, bits), 3, 1),
            (std::vector<uint32_t>{0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}));

  EXPECT_EQ(Service<REALBuildPictureFromGWorldProc>("REALBuildPictureFromGWorld")(nullptr, 0),
            nullptr);
}

std::vector<uint8_t> DibHeader(int width, int height, int bits, int colours) {
  std::vector<uint8_t> out(40, 0);
  auto put32 = [&out](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put32(0, 40);
  put32(4, static_cast<uint32_t>(width));
  put32(8, static_cast<uint32_t>(height));
  out[12] = 1;
  out[14] = static_cast<uint8_t>(bits);
  put32(32, static_cast<uint32_t>(colours));
  return out;
}

TEST(PictureBridge, DeviceIndependentBitmaps) {
  auto build = Service<REALBuildPictureFromDIBProc>("REALBuildPictureFromDIB");
  // 24 bits, 2 by 2, bottom-up rows of 6 bytes padded to 8.
  std::vector<uint8_t> dib = DibHeader(2, 2, 24, 0);
  const uint8_t rows[] = {0xFF, 0, 0,    0,    0xFF, 0,    0, 0,   // bottom: blue, green
                          0,    0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0};  // top: red, white
  dib.insert(dib.end(), rows, rows + sizeof rows);
  REALpicture picture = build(dib.data(), 1);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(Pixels(picture, 2, 2),
            (std::vector<uint32_t>{0xFFFF0000, 0xFFFFFFFF, 0xFF0000FF, 0xFF00FF00}));
  Unlock(picture);

  // 8 bits, top-down (negative height), a palette of two.
  std::vector<uint8_t> indexed = DibHeader(3, -1, 8, 2);
  const uint8_t palette[] = {0, 0, 0, 0, 0x30, 0x20, 0x10, 0};
  indexed.insert(indexed.end(), palette, palette + sizeof palette);
  const uint8_t row[] = {1, 0, 1, 0};
  indexed.insert(indexed.end(), row, row + sizeof row);
  picture = build(indexed.data(), 1);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(Pixels(picture, 3, 1), (std::vector<uint32_t>{0xFF102030, 0xFF000000, 0xFF102030}));
  Unlock(picture);

  EXPECT_EQ(build(DibHeader(2, 2, 16, 0).data(), 1), nullptr);
  EXPECT_EQ(build(DibHeader(0, 2, 24, 0).data(), 1), nullptr);
  EXPECT_EQ(build(nullptr, 1), nullptr);
}

TEST(PictureBridge, DrawPicturePrimitiveScalesIntoThePortBehindTheDeviceContext) {
  ObjectRef picture = Runtime::Get().NewPicture(2, 2, 32);
  auto& p = *static_cast<Picture*>(picture.get());
  p.Pixel(0, 0) = 0xFFFF0000;
  p.Pixel(1, 0) = 0xFF00FF00;
  p.Pixel(0, 1) = 0xFF0000FF;
  p.Pixel(1, 1) = 0xFF000000;
  ObjectRef window = Runtime::Get().NewWindow(6, 6);
  auto port = static_cast<GrafPtr>(Service<REALGetWindowHandleProc>("REALGetWindowHandle")(
      reinterpret_cast<REALwindow>(window->Handle())));
  ASSERT_NE(port, nullptr);
  Rect target{1, 1, 5, 5};  // top, left, bottom, right
  Service<drawPicturePrimitiveProc>("drawPicturePrimitive")(
      GetPortHDC(port), reinterpret_cast<REALpicture>(picture->Handle()), &target, 0);
  Picture* contents = PictureFromPort(static_cast<CGrafPtr>(port));
  ASSERT_NE(contents, nullptr);
  ObjectRef owned = Adopt(contents);
  EXPECT_EQ(contents->Pixel(0, 0), 0xFFFFFFFF);  // outside the rect: a new window's white
  EXPECT_EQ(contents->Pixel(1, 1), 0xFFFF0000);
  EXPECT_EQ(contents->Pixel(2, 2), 0xFFFF0000);
  EXPECT_EQ(contents->Pixel(4, 1), 0xFF00FF00);
  EXPECT_EQ(contents->Pixel(1, 4), 0xFF0000FF);
  EXPECT_EQ(contents->Pixel(4, 4), 0xFF000000);
  EXPECT_EQ(contents->Pixel(5, 5), 0xFFFFFFFF);
}

// A host picture of the given pixels, one row.
ObjectRef RowPicture(const std::vector<uint32_t>& pixels) {
  ObjectRef picture = Runtime::Get().NewPicture(static_cast<int>(pixels.size()), 1, 32);
  auto& p = *static_cast<Picture*>(picture.get());
  for (size_t x = 0; x < pixels.size(); ++x) p.Pixel(static_cast<int>(x), 0) = pixels[x];
  return picture;
}

void DrawPrimitive(const ObjectRef& picture, GWorldPtr world, const Rect& bounds) {
  Service<drawPicturePrimitiveProc>("drawPicturePrimitive")(
      GetPortHDC(world), reinterpret_cast<REALpicture>(picture->Handle()), &bounds, 0);
}

// The bytes of a world's pixel rows.
std::vector<uint8_t> RawPixels(GWorldPtr world) {
  PixMapHandle map = GetGWorldPixMap(world);
  Rect bounds;
  GetPortBounds(world, &bounds);
  const auto* base = reinterpret_cast<const uint8_t*>(GetPixBaseAddr(map));
  return std::vector<uint8_t>(base, base + GetPixRowBytes(map) * (bounds.bottom - bounds.top));
}

// What the plugin sees of pictures in GWorlds of each depth: a picture it
// draws there holds the pixels the engine itself stores for those colours
// (as PaintRect stores them), and a colour the depth can hold comes back
// unchanged.
TEST(PictureBridge, PicturesInGWorldsOfEveryDepthHoldTheEnginesPixels) {
  struct Case {
    short depth;
    std::vector<uint32_t> kept;  // colours the depth holds exactly
  };
  const std::vector<Case> cases = {
      {1, {0xFF000000, 0xFFFFFFFF}},
      {8, {0xFF336699, 0xFFFF0000, 0xFF110000, 0xFFEEEEEE}},
      {16, {0xFF840000, 0xFF00FF00, 0xFF0000FF, 0xFF848484}},
      {24, {0xFF102030, 0xFFFEDCBA}},
      {32, {0xFF102030, 0xFFFEDCBA}},
  };
  // Colours no indexed depth holds; at 1 bit the olive is nearer black
  // than white although it is light.
  const std::vector<uint32_t> others = {0xFF969600, 0xFF7F7F7F, 0xFF123456, 0xFFC8C832};
  for (const Case& c : cases) {
    std::vector<uint32_t> colours = c.kept;
    colours.insert(colours.end(), others.begin(), others.end());
    const int width = static_cast<int>(colours.size());
    const Rect bounds{0, 0, 1, static_cast<short>(width)};
    auto empty = [](uint8_t*, long, PixMapHandle) {};
    GWorldPtr drawn = World(c.depth, width, 1, empty);
    GWorldPtr painted = World(c.depth, width, 1, empty);
    DrawPrimitive(RowPicture(colours), drawn, bounds);
    CGrafPtr savedPort = nullptr;
    GDHandle savedDevice = nullptr;
    GetGWorld(&savedPort, &savedDevice);
    SetGWorld(painted, nullptr);
    for (int x = 0; x < width; ++x) {
      RGBColor rgb{static_cast<unsigned short>(((colours[x] >> 16) & 0xFF) * 257),
                   static_cast<unsigned short>(((colours[x] >> 8) & 0xFF) * 257),
                   static_cast<unsigned short>((colours[x] & 0xFF) * 257)};
      RGBForeColor(&rgb);
      Rect pixel{0, static_cast<short>(x), 1, static_cast<short>(x + 1)};
      PaintRect(&pixel);
    }
    SetGWorld(savedPort, savedDevice);
    EXPECT_EQ(RawPixels(drawn), RawPixels(painted)) << "depth " << c.depth;
    DisposeGWorld(painted);

    std::vector<uint32_t> back = FromWorld(drawn, width, 1);
    ASSERT_EQ(back.size(), colours.size());
    for (size_t x = 0; x < c.kept.size(); ++x) {
      EXPECT_EQ(back[x], c.kept[x]) << "depth " << c.depth << ", pixel " << x;
    }
  }
}

// The plugin's port may have any colours: the picture is still copied as
// it is (not coloured by them, as CopyBits colours a copy made with that
// port current), and the current port, its colours and the engine's trace
// are as the plugin left them.
TEST(PictureBridge, DrawingAndBuildingLeaveThePluginsStateAlone) {
  auto empty = [](uint8_t*, long, PixMapHandle) {};
  GWorldPtr world = World(32, 2, 1, empty);
  CGrafPtr savedPort = nullptr;
  GDHandle savedDevice = nullptr;
  GetGWorld(&savedPort, &savedDevice);
  SetGWorld(world, nullptr);
  RGBColor fore{0xFFFF, 0, 0}, back{0, 0, 0xFFFF};
  RGBForeColor(&fore);
  RGBBackColor(&back);
  void* deviceContext = GetPortHDC(world);
  ObjectRef picture = RowPicture({0xFF000000, 0xFFFFFFFF});
  Rect bounds{0, 0, 1, 2};
  QTMLTest_ClearTrace();
  QTMLTest_SetTrace(true);
  Service<drawPicturePrimitiveProc>("drawPicturePrimitive")(
      deviceContext, reinterpret_cast<REALpicture>(picture->Handle()), &bounds, 0);
  REALpicture copy =
      Service<REALBuildPictureFromGWorldProc>("REALBuildPictureFromGWorld")(world, 0);
  QTMLTest_SetTrace(false);
  EXPECT_STREQ(QTMLTest_TraceText(), "");
  CGrafPtr current = nullptr;
  GDHandle device = nullptr;
  GetGWorld(&current, &device);
  EXPECT_EQ(current, world);
  RGBColor now{};
  GetForeColor(&now);
  EXPECT_EQ(now.red, 0xFFFF);
  EXPECT_EQ(now.blue, 0);
  SetGWorld(savedPort, savedDevice);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Pixels(copy, 2, 1), (std::vector<uint32_t>{0xFF000000, 0xFFFFFFFF}));
  Unlock(copy);
  DisposeGWorld(world);
}

// A 32-bit GWorld's row holds at most 4095 pixels, fewer than a picture's:
// a wider picture still draws whole, scaled as one.
TEST(PictureBridge, PicturesWiderThanAGWorldRowDrawWhole) {
  ObjectRef picture = Runtime::Get().NewPicture(5000, 2, 32);
  auto& p = *static_cast<Picture*>(picture.get());
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 5000; ++x) {
      p.Pixel(x, y) = x < 2500 ? 0xFFFF0000 : x < 4095 ? 0xFF00FF00 : 0xFF0000FF;
    }
  }
  auto empty = [](uint8_t*, long, PixMapHandle) {};
  GWorldPtr world = World(32, 10, 1, empty);
  DrawPrimitive(picture, world, Rect{0, 0, 1, 10});
  // Destination pixel x shows the picture's column (2x + 1) * 250.
  EXPECT_EQ(FromWorld(world, 10, 1),
            (std::vector<uint32_t>{0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000,
                                   0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF0000FF, 0xFF0000FF}));
}

// --- host classes, as scripts use them ---

class HostClassTest : public RuntimeCallsTest {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("fenra_host_test_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Assign(const Value& target, const char* name, std::vector<Value> args, const Value& v) {
    HostError error;
    EXPECT_TRUE(rt().AssignMethod(target, name, args, v, error)) << error.message;
  }
  Value Item(const std::string& name) {
    return Value::Obj(rt().NewFolderItem((dir_ / name).string()));
  }

  fs::path dir_;
};

TEST_F(HostClassTest, ClassesComeFromTheirTables) {
  const ClassInfo* player = rt().FindClass("movieplayer");
  ASSERT_NE(player, nullptr);
  EXPECT_FALSE(player->fromPlugin);
  EXPECT_TRUE(player->IsA(*rt().FindClass("RectControl")));
  EXPECT_TRUE(player->IsA(*rt().FindClass("Control")));
  const ClassInfo& memory = *rt().FindClass("MemoryBlock");
  bool assignableLong = false;
  for (const MethodInfo& m : memory.methods) {
    if (m.declaration.name == "Long") assignableLong = m.assignable;
  }
  EXPECT_TRUE(assignableLong);
  EXPECT_EQ(memory.methods.front().declaration.name, "MemoryBlock");  // the constructor
  Value out;
  HostError error;
  EXPECT_FALSE(rt().New(*rt().FindClass("Graphics"), {}, out, error));
  EXPECT_FALSE(rt().New(*rt().FindClass("Picture"), {Value::Int(-1), Value::Int(1)}, out, error));
  EXPECT_FALSE(rt().New(*rt().FindClass("Picture"), {Value::Int(1), Value::Int(1), Value::Int(7)},
                        out, error));
}

TEST_F(HostClassTest, GraphicsDrawOnAPicture) {
  Value picture = New("Picture", {Value::Int(20), Value::Int(10)});
  EXPECT_EQ(Get(picture, "Depth").integer, 32);
  Value g = Get(picture, "Graphics");
  Set(g, "ForeColor", Value::Colour(0xFF0000));
  EXPECT_EQ(Get(Get(picture, "Graphics"), "ForeColor").integer, 0xFF0000);  // shared
  Call(g, "FillRect", {Value::Int(-5), Value::Int(-5), Value::Int(7), Value::Int(7)});
  EXPECT_EQ(Call(g, "Pixel", {Value::Int(1), Value::Int(1)}).integer, 0xFF0000);
  EXPECT_EQ(Call(g, "Pixel", {Value::Int(2), Value::Int(2)}).integer, 0xFFFFFF);
  Assign(g, "Pixel", {Value::Int(19), Value::Int(9)}, Value::Colour(0x00FF00));
  EXPECT_EQ(PictureOf(picture).Pixel(19, 9), 0xFF00FF00);
  Assign(g, "Pixel", {Value::Int(20), Value::Int(9)}, Value::Colour(0x00FF00));  // ignored
  EXPECT_EQ(Call(g, "Pixel", {Value::Int(-1), Value::Int(0)}).integer, 0);

  Set(g, "ForeColor", Value::Colour(0x0000FF));
  Call(g, "FillOval", {Value::Int(10), Value::Int(0), Value::Int(10), Value::Int(10)});
  EXPECT_EQ(PictureOf(picture).Pixel(15, 5), 0xFF0000FF);
  EXPECT_EQ(PictureOf(picture).Pixel(10, 0), 0xFFFFFFFF);  // the corner stays outside

  Value text = New("Picture", {Value::Int(20), Value::Int(10)});
  Value tg = Get(text, "Graphics");
  Call(tg, "DrawString", {Value::Str("Hi"), Value::Int(1), Value::Int(8)});
  int inked = 0, outside = 0;
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) {
      bool ink = PictureOf(text).Pixel(x, y) != 0xFFFFFFFF;
      bool inBox = x >= 1 && x < 12 && y >= 1 && y < 8;
      (inBox ? inked : outside) += ink;
    }
  }
  EXPECT_GT(inked, 10);
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(Call(tg, "StringWidth", {Value::Str("Hi")}).integer, 11);

  // Drawn scaled: a 2 by 1 picture stretched over 4 by 2 pixels.
  Value small = New("Picture", {Value::Int(2), Value::Int(1)});
  PictureOf(small).Pixel(0, 0) = 0xFF123456;
  PictureOf(small).Pixel(1, 0) = 0x00000000;  // transparent: leaves what is there
  Call(tg, "DrawPicture", {small, Value::Int(16), Value::Int(8), Value::Int(4), Value::Int(2)});
  EXPECT_EQ(PictureOf(text).Pixel(17, 9), 0xFF123456);
  EXPECT_EQ(PictureOf(text).Pixel(18, 9), 0xFFFFFFFF);
  EXPECT_EQ(CallFails(tg, "DrawPicture", {Value::Nil(), Value::Int(0), Value::Int(0)}),
            "Graphics.DrawPicture: the picture is Nil");
}

// The largest difference of one colour channel between two pictures of
// one size.
int ChannelDifference(const Picture& a, const Picture& b) {
  int largest = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      for (int shift = 0; shift < 24; shift += 8) {
        int d = static_cast<int>((a.Pixel(x, y) >> shift) & 0xFF) -
                static_cast<int>((b.Pixel(x, y) >> shift) & 0xFF);
        largest = std::max(largest, std::abs(d));
      }
    }
  }
  return largest;
}

TEST_F(HostClassTest, PicturesSaveAndOpenInEveryFormat) {
  Value picture = New("Picture", {Value::Int(5), Value::Int(3)});
  PictureOf(picture).Pixel(0, 0) = 0xFF102030;
  PictureOf(picture).Pixel(1, 0) = 0x80FF0000;  // half transparent: PNG alone keeps alpha
  PictureOf(picture).Pixel(4, 2) = 0xFFFFFF00;
  for (const char* name : {"a.png", "a.bmp", "a.pict", "b.PNG"}) {
    Value file = Item(name);
    Call(picture, "Save", {file});
    EXPECT_TRUE(Get(file, "Exists").boolean) << name;
    Value back = Call(file, "OpenAsPicture");
    ASSERT_EQ(cls(back), "Picture") << name;
    EXPECT_EQ(Get(back, "Width").integer, 5);
    EXPECT_EQ(Get(back, "Height").integer, 3);
    EXPECT_EQ(PictureOf(back).Pixel(0, 0), 0xFF102030) << name;
    bool png = std::string(name).ends_with("PNG") || std::string(name).ends_with("png");
    EXPECT_EQ(PictureOf(back).Pixel(1, 0), png ? 0x80FF0000 : 0xFFFF0000) << name;
    EXPECT_EQ(PictureOf(back).Pixel(4, 2), 0xFFFFFF00) << name;
    EXPECT_EQ(PictureOf(back).Pixel(2, 1), 0xFFFFFFFF) << name;
  }
  Value named = Item("no_extension");
  Call(picture, "Save", {named, Value::Str("bmp")});
  EXPECT_EQ(cls(Call(named, "OpenAsPicture")), "Picture");

  // JPEG loses a little: flat 8 by 8 blocks come back close, whether the
  // name or the type given picks the format.
  Value blocks = New("Picture", {Value::Int(16), Value::Int(8)});
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) PictureOf(blocks).Pixel(x, y) = x < 8 ? 0xFF336699 : 0xFFFFCC00;
  }
  std::vector<std::pair<std::string, std::string>> jpegs = {
      {"c.jpg", ""}, {"c.JPEG", ""}, {"typed", "jpeg"}, {"typed.png", "JPG"}};
  for (const auto& [name, type] : jpegs) {
    Value file = Item(name);
    Call(blocks, "Save", {file, Value::Str(type)});
    std::ifstream in(dir_ / name, std::ios::binary);
    EXPECT_EQ(in.get(), 0xFF) << name;  // a JPEG's start-of-image marker,
    EXPECT_EQ(in.get(), 0xD8) << name;  // whatever the name says
    Value back = Call(file, "OpenAsPicture");
    ASSERT_EQ(cls(back), "Picture") << name;
    ASSERT_EQ(Get(back, "Width").integer, 16);
    ASSERT_EQ(Get(back, "Height").integer, 8);
    EXPECT_LE(ChannelDifference(PictureOf(back), PictureOf(blocks)), 8) << name;
  }

  EXPECT_NE(CallFails(picture, "Save", {Item("a.txt")}).find("cannot tell a picture format"),
            std::string::npos);
  EXPECT_EQ(CallFails(picture, "Save", {Item("a.gif"), Value::Str("gif")}),
            "Picture.Save: unknown picture format gif");
  EXPECT_EQ(CallFails(New("Picture", {Value::Int(0), Value::Int(0)}), "Save", {Item("e.png")}),
            "Picture.Save: an empty picture cannot be saved");
  EXPECT_EQ(CallFails(picture, "Save", {Value::Nil()}), "Picture.Save: the file is Nil");
  std::ofstream(dir_ / "text.png") << "not a picture";
  EXPECT_EQ(Call(Item("text.png"), "OpenAsPicture").kind, Value::Kind::Nil);
  std::ofstream(dir_ / "cut.jpg") << "\xFF\xD8\xFF\xE0 cut short";
  EXPECT_EQ(Call(Item("cut.jpg"), "OpenAsPicture").kind, Value::Kind::Nil);
  EXPECT_EQ(Call(Item("missing.png"), "OpenAsPicture").kind, Value::Kind::Nil);
}

TEST_F(HostClassTest, WrittenPicturesAreReadByImageMagick) {
  if (std::system("command -v identify >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ImageMagick";
  Value picture = New("Picture", {Value::Int(7), Value::Int(3)});
  for (const char* name : {"m.png", "m.bmp", "m.jpg", "m.pict"}) {
    Call(picture, "Save", {Item(name)});
    std::string command = "identify -format '%w %h' '" + (dir_ / name).string() + "' > '" +
                          (dir_ / "size.txt").string() + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << name;
    std::string size;
    std::getline(std::ifstream(dir_ / "size.txt"), size);
    EXPECT_EQ(size, "7 3") << name;
  }
}

TEST_F(HostClassTest, MemoryBlocksReadAndWriteInEitherByteOrder) {
  Value block = New("MemoryBlock", {Value::Int(8)});
  Assign(block, "Long", {Value::Int(0)}, Value::Int(-2));
  EXPECT_EQ(Call(block, "Byte", {Value::Int(0)}).integer, 0xFE);
  EXPECT_EQ(Call(block, "Byte", {Value::Int(3)}).integer, 0xFF);
  EXPECT_EQ(Call(block, "Long", {Value::Int(0)}).integer, -2);
  EXPECT_EQ(Call(block, "UInt32Value", {Value::Int(0)}).integer, 0xFFFFFFFE);
  Set(block, "LittleEndian", Value::Bool(false));
  Assign(block, "Short", {Value::Int(4)}, Value::Int(0x0102));
  EXPECT_EQ(Call(block, "Byte", {Value::Int(4)}).integer, 1);
  EXPECT_EQ(Call(block, "Short", {Value::Int(0)}).integer, -257);  // FE FF read big-endian
  Assign(block, "StringValue", {Value::Int(5), Value::Int(3)}, Value::Str("abcdef"));
  EXPECT_EQ(Call(block, "StringValue", {Value::Int(5), Value::Int(3)}).text, "abc");
  Assign(block, "DoubleValue", {Value::Int(0)}, Value::Dbl(1.5));
  EXPECT_EQ(Call(block, "DoubleValue", {Value::Int(0)}).number, 1.5);
  EXPECT_EQ(Call(block, "Byte", {Value::Int(0)}).integer, 0x3F);  // big-endian sign and exponent

  EXPECT_EQ(CallFails(block, "Long", {Value::Int(5)}),
            "MemoryBlock: offset 5 is out of bounds (size 8)");
  EXPECT_NE(CallFails(block, "Byte", {Value::Int(-1)}).find("out of bounds"), std::string::npos);
  Set(block, "Size", Value::Int(2));
  EXPECT_EQ(Get(block, "Size").integer, 2);
  EXPECT_EQ(Call(block, "Byte", {Value::Int(0)}).integer, 0x3F);
  Value out;
  HostError error;
  EXPECT_FALSE(rt().New(*rt().FindClass("MemoryBlock"), {Value::Int(-1)}, out, error));
}

TEST_F(HostClassTest, FolderItemsOverNativePaths) {
  Value folder = Item("sub");
  EXPECT_FALSE(Get(folder, "Exists").boolean);
  Call(folder, "CreateAsFolder");
  EXPECT_TRUE(Get(folder, "Directory").boolean);
  std::ofstream(dir_ / "sub" / "b.txt") << "12345";
  std::ofstream(dir_ / "sub" / "a.txt") << "1";
  EXPECT_EQ(Get(folder, "Count").integer, 2);
  Value first = Call(folder, "Item", {Value::Int(1)});
  EXPECT_EQ(Get(first, "Name").text, "a.txt");
  EXPECT_EQ(Call(folder, "Item", {Value::Int(3)}).kind, Value::Kind::Nil);
  Value b = Call(folder, "Child", {Value::Str("b.txt")});
  EXPECT_EQ(Get(b, "Length").integer, 5);
  EXPECT_EQ(Get(b, "NativePath").text, (dir_ / "sub" / "b.txt").string());
  EXPECT_EQ(Get(Get(b, "Parent"), "NativePath").text, (dir_ / "sub").string());
  Call(b, "Delete");
  EXPECT_FALSE(Get(b, "Exists").boolean);
  EXPECT_EQ(Get(b, "Length").integer, 0);
  EXPECT_EQ(CallFails(folder, "Child", {Value::Str("x/y")}),
            "FolderItem.Child: \"x/y\" is not a file name");
  EXPECT_EQ(Call(Item("movie.mov"), "OpenAsMovie").kind, Value::Kind::Nil);

  Value made = New("FolderItem", {Value::Str((dir_ / "sub" / "").string())});
  EXPECT_EQ(Get(made, "Name").text, "sub");
}

TEST_F(HostClassTest, WindowsShowWhatIsDrawnOnThem) {
  Value window = New("Window", {Value::Int(8), Value::Int(4)});
  EXPECT_EQ(Get(window, "Width").integer, 8);
  Value g = Get(window, "Graphics");
  Set(g, "ForeColor", Value::Colour(0x336699));
  Call(g, "DrawLine", {Value::Int(0), Value::Int(0), Value::Int(7), Value::Int(3)});
  Value contents = Get(window, "Contents");
  ASSERT_EQ(cls(contents), "Picture");
  EXPECT_EQ(PictureOf(contents).Pixel(0, 0), 0xFF336699);
  EXPECT_EQ(PictureOf(contents).Pixel(7, 3), 0xFF336699);
  EXPECT_EQ(PictureOf(contents).Pixel(7, 0), 0xFFFFFFFF);
}

TEST_F(HostClassTest, MoviePlayersHoldAMovieAndAController) {
  Value player = New("MoviePlayer");
  auto controller = Service<getMoviePlayerControllerProc>("getMoviePlayerController");
  auto handle = [&] { return reinterpret_cast<REALmoviePlayer>(player.object->Handle()); };
  EXPECT_EQ(controller(handle()), nullptr);
  Value movie = New("Movie");
  Set(player, "Movie", movie);
  EXPECT_NE(controller(handle()), nullptr);
  EXPECT_EQ(Get(player, "Movie").object, movie.object);
  EXPECT_EQ(Get(movie, "Duration").number, 0.0);
  Set(player, "Movie", Value::Nil());
  EXPECT_EQ(controller(handle()), nullptr);

  auto setMovie = Service<REALSetMovieMovieProc>("REALSetMovieMovie");
  auto getMovie = Service<getMovieMovieProc>("getMovieMovie");
  auto movieHandle = reinterpret_cast<REALmovie>(movie.object->Handle());
  ::Movie replacement = NewMovie(0);
  setMovie(movieHandle, replacement);  // the host movie owns it now
  EXPECT_EQ(getMovie(movieHandle), replacement);
  HostError error;
  EXPECT_FALSE(rt().SetProperty(player, "Movie", Value::Int(1), error));
}

}  // namespace
}  // namespace fenra::host
