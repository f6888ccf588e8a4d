// The frame functions' failure paths, through the host with the real
// plugin loaded: each engine call they make is failed in turn, then each
// allocation; none of those may leave a handle or pointer behind, nor a
// picture file other than whole.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "MacErrors.h"
#include "QTMLTestControls.h"
#include "fenra_host/runtime.h"
#include "../plugin/engine_calls.h"

namespace {

namespace fs = std::filesystem;
using fenra::host::HostError;
using fenra::host::Runtime;
using fenra::host::Value;

// The movie the tour opens: 15 frames of 32 by 24 colour bars, with sound.
const fs::path kSampleMovie =
    fs::path(__FILE__).parent_path().parent_path().parent_path() / "examples" / "sample.mov";

class FrameFaults : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(Runtime::Get().LoadPlugin(FENRA_PLUGIN_PATH, error)) << error;
  }
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("fenra-frame-faults-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    movie_ = Call(Item(kSampleMovie), "OpenAsMovie", {});
    ASSERT_TRUE(movie_.object);
  }
  void TearDown() override {
    QTMLTest_ClearFaults();
    QTMLTest_SetTrace(false);
    QTMLTest_ClearTrace();
    fs::remove_all(dir_);
  }

  Runtime& runtime() { return Runtime::Get(); }
  Value Item(const fs::path& path) { return Value::Obj(runtime().NewFolderItem(path.string())); }
  Value Call(const Value& object, const char* method, std::vector<Value> args) {
    Value out;
    HostError error;
    EXPECT_TRUE(runtime().CallMethod(object, method, args, out, error)) << error.message;
    return out;
  }
  Value Module(const char* name, std::vector<Value> args) {
    Value out;
    HostError error;
    EXPECT_TRUE(runtime().CallModuleMethod(name, args, out, error)) << error.message;
    return out;
  }
  Value Region(std::vector<int64_t> sides) {
    Value out;
    HostError error;
    std::vector<Value> args{Value::Obj(runtime().NewIntegerArray(sides))};
    EXPECT_TRUE(runtime().New(*runtime().FindClass("FenraRect"), args, out, error));
    return out;
  }

  // Calls that release what others made: failing one keeps it, as asked.
  static bool Releases(const std::string& name) {
    return name.starts_with("Dispose") || name == "KillPicture" || name == "CloseComponent" ||
           name == "FSClose" || name == "UnlockPixels" || name == "HUnlock";
  }

  // Runs `call` with each of its engine calls failing in turn, then with
  // each allocation failing in turn; after each run `check` (told whether
  // allocations failed) holds and the engine holds what it held before.
  static void Sweep(const std::function<void()>& call, const std::function<void(bool)>& check) {
    std::set<std::string> names = EngineCallsOf(call);
    ASSERT_FALSE(names.empty());
    long handles = QTMLTest_LiveHandleCount();
    long pointers = QTMLTest_LivePtrCount();
    for (const std::string& name : names) {
      if (Releases(name)) continue;
      QTMLTest_FailCall(name.c_str(), 1, memFullErr);
      call();
      QTMLTest_ClearFaults();
      check(false);
      EXPECT_EQ(QTMLTest_LiveHandleCount(), handles) << "handles left after failing " << name;
      EXPECT_EQ(QTMLTest_LivePtrCount(), pointers) << "pointers left after failing " << name;
    }
    for (long n = 0;; ++n) {
      QTMLTest_FailAllocations(n);
      call();
      bool refused = QTMLTest_AllocationsRefused() > 0;
      QTMLTest_FailAllocations(-1);
      check(true);
      EXPECT_EQ(QTMLTest_LiveHandleCount(), handles) << "handles left, allocation " << n;
      EXPECT_EQ(QTMLTest_LivePtrCount(), pointers) << "pointers left, allocation " << n;
      if (!refused) break;
    }
  }

  fs::path dir_;
  Value movie_;
};

TEST_F(FrameFaults, FramesAndRegionsReleaseEverythingOnFailure) {
  Value region = Region({4, 4, 20, 16});
  Sweep(
      [&] {
        Module("Fenra_MovieFrame", {movie_, Value::Int(300), Value::Int(16), Value::Int(12)});
        Module("Fenra_MovieFrame", {movie_, Value::Int(300), region});
      },
      [](bool) {});
}

TEST_F(FrameFaults, ThumbnailsReleaseEverythingOnFailure) {
  Value picture = Value::Obj(runtime().NewPicture(20, 10, 32));
  Value image = Item(dir_ / "image.png");
  Call(picture, "Save", {image});
  Sweep(
      [&] {
        Module("Fenra_ThumbnailCreate", {image});
        Module("Fenra_ThumbnailCreate", {picture});
        Module("Fenra_ThumbnailCreate", {movie_});
        Module("Fenra_ThumbnailCreate", {movie_, Value::Int(300)});
      },
      [](bool) {});
}

// Whether a picture file holds 512 zero bytes and then a picture of the
// size its first word gives (the low 16 bits of it).
bool WholePictureFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  if (bytes.size() < 514 || bytes.find_first_not_of('\0') < 512) return false;
  size_t size = (static_cast<uint8_t>(bytes[512]) << 8) | static_cast<uint8_t>(bytes[513]);
  return (bytes.size() - 512) % 0x10000 == size;
}

TEST_F(FrameFaults, PictureFilesAreWholeOrAbsent) {
  // The first two frames of the sample, as a movie of their own.
  Value two = Item(dir_ / "two.mov");
  ASSERT_EQ(Module("Fenra_MovieCreateFromSelection", {movie_, two, Value::Int(0), Value::Int(80)})
                .integer,
            0);
  Value movie = Call(two, "OpenAsMovie", {});
  fs::path whole = dir_ / "whole";
  fs::path trimmed = dir_ / "trimmed";
  auto run = [&] {
    for (const fs::path& folder : {whole, trimmed}) {
      fs::remove_all(folder);
      fs::create_directory(folder);
    }
    Module("Fenra_MovieFramesToPictureFiles", {movie, Item(whole), Value::Int(16), Value::Int(12)});
    Module("Fenra_MovieFramesToPictureFiles", {movie, Item(trimmed), Region({0, 0, 8, 8})});
  };
  // A file that failed is removed, unless no memory is left even for
  // that: it is then empty.
  auto check = [&](bool allocationsFailed) {
    for (const fs::path& folder : {whole, trimmed}) {
      for (const auto& entry : fs::directory_iterator(folder)) {
        if (allocationsFailed && entry.file_size() == 0) continue;
        EXPECT_TRUE(WholePictureFile(entry.path())) << entry.path() << " is not whole";
      }
    }
  };
  run();
  EXPECT_EQ(std::distance(fs::directory_iterator(whole), fs::directory_iterator()), 2);
  EXPECT_EQ(std::distance(fs::directory_iterator(trimmed), fs::directory_iterator()), 2);
  check(false);
  Sweep(run, check);
}

}  // namespace
