// What a script's progress routine hears from the component services: the
// natives driven directly, with a C++ routine standing in for the script's
// (a script cannot name a code address of its own).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "FixMath.h"
#include "MacErrors.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "components/compressors.h"
#include "components/exporters.h"
#include "fenra_host/runtime.h"
#include "movie/frame_render.h"
#include "plugin/settings_file.h"
#include "../platform/qtml/on_terminal.h"
#include "../plugin/engine_calls.h"
#include "../plugin/host_fixture.h"

namespace {

namespace fs = std::filesystem;

// The tour's movie: 15 frames of 32 by 24 colour bars, with sound.
const fs::path kSampleMovie =
    fs::path(__FILE__).parent_path().parent_path().parent_path() / "examples" / "sample.mov";

struct Report {
  double fraction;
  int32_t code;
};
std::vector<Report> gReports;

void Record(double fraction, REALobject, int32_t code) {
  gReports.push_back({fraction, code});
}

class ServiceProgress : public WithHost {
 protected:
  void SetUp() override {
    WithHost::SetUp();
    ASSERT_EQ(InitializeQTML(0), noErr);
    ASSERT_EQ(EnterMovies(), noErr);
    gReports.clear();
    dir_ = fs::temp_directory_path() / ("fenra-services-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    FSSpec spec{};
    ASSERT_EQ(NativePathNameToFSSpec(const_cast<char*>(kSampleMovie.c_str()), &spec, 0), noErr);
    short ref = 0;
    ASSERT_EQ(OpenMovieFile(&spec, &ref, fsRdPerm), noErr);
    ASSERT_EQ(NewMovieFromFile(&movie_, ref, nullptr, nullptr, newMovieActive, nullptr), noErr);
    CloseMovieFile(ref);
    callback_.proc = Record;
  }
  void TearDown() override {
    if (movie_ != nullptr) DisposeMovie(movie_);
    QTMLTest_ClearEvents();
    fs::remove_all(dir_);
    WithHost::TearDown();
  }

  FSSpec Destination(const char* name) {
    FSSpec spec{};
    std::string path = (dir_ / name).string();
    NativePathNameToFSSpec(path.data(), &spec, 0);
    return spec;
  }
  void SetFrameRate(fenra::MovieCompressor& compressor, long framesPerSecond) {
    SCTemporalSettings temporal{};
    ASSERT_EQ(SCGetInfo(compressor.instance, scTemporalSettingsType, &temporal), noErr);
    temporal.frameRate = Long2Fix(framesPerSecond);
    ASSERT_EQ(SCSetInfo(compressor.instance, scTemporalSettingsType, &temporal), noErr);
  }

  fs::path dir_;
  Movie movie_ = nullptr;
  fenra::ProgressCallbackNative callback_;
};

using fenra::ImageCompressor;
using fenra::MovieCompressor;
using fenra::MovieExporter;

TEST_F(ServiceProgress, MovieCompressionReportsEveryFrameThenTheEnd) {
  MovieCompressor compressor;
  compressor.Open();
  ASSERT_TRUE(compressor.IsValid());
  SetFrameRate(compressor, 10);
  compressor.SetProgress(&callback_);
  compressor.CompressMovie(movie_, Destination("out.mov"));
  ASSERT_EQ(compressor.err, noErr);
  // frames = rate × duration ÷ time scale, at least one.
  long frames = 10L * GetMovieDuration(movie_) / GetMovieTimeScale(movie_);
  if (frames < 1) frames = 1;
  ASSERT_EQ(gReports.size(), static_cast<size_t>(frames + 1));
  for (long i = 0; i < frames; ++i) {
    EXPECT_DOUBLE_EQ(gReports[i].fraction, static_cast<double>(i) / frames) << i;
    EXPECT_EQ(gReports[i].code, noErr);
  }
  EXPECT_DOUBLE_EQ(gReports.back().fraction, 1.0);
  EXPECT_TRUE(fs::exists(dir_ / "out.mov"));
}

TEST_F(ServiceProgress, EscapeStopsMovieCompressionAndDeletesTheFile) {
  MovieCompressor compressor;
  compressor.Open();
  SetFrameRate(compressor, 0);  // every frame of the source
  compressor.SetProgress(&callback_);
  // The key waits from the fourth look on: three frames are done first.
  QTMLTest_PostKeyDown(0x35, 0x1B, 3);
  compressor.CompressMovie(movie_, Destination("escaped.mov"));
  EXPECT_EQ(compressor.err, noErr);
  ASSERT_EQ(gReports.size(), 4u);
  EXPECT_DOUBLE_EQ(gReports.back().fraction, 1.0);
  EXPECT_FALSE(fs::exists(dir_ / "escaped.mov"));
}

TEST_F(ServiceProgress, AFailingFrameEndsTheReportsWithItsCodeAndNoFile) {
  MovieCompressor compressor;
  compressor.Open();
  SetFrameRate(compressor, 0);
  compressor.SetProgress(&callback_);
  QTMLTest_FailCall("SCCompressSequenceFrame", 2, codecErr);
  compressor.CompressMovie(movie_, Destination("failed.mov"));
  QTMLTest_ClearFaults();
  EXPECT_EQ(compressor.err, codecErr);
  ASSERT_EQ(gReports.size(), 3u);
  EXPECT_EQ(gReports[1].code, codecErr);
  EXPECT_EQ(gReports[2].fraction, 1.0);
  EXPECT_FALSE(fs::exists(dir_ / "failed.mov"));
}

TEST_F(ServiceProgress, ImageCompressionReportsThroughThePlatformAndCanBeAborted) {
  ImageCompressor compressor;
  compressor.Open();
  compressor.SetProgress(&callback_);
  ASSERT_EQ(compressor.err, noErr);
  Rect bounds{0, 0, 24, 32};
  fenra::FrameBuffer world(bounds);
  Handle data = nullptr;
  compressor.CompressToHandle(world.world, &data, nullptr);
  ASSERT_EQ(compressor.err, noErr);
  ASSERT_NE(data, nullptr);
  DisposeHandle(data);
  // The start says nothing; the updates and the end do.
  ASSERT_EQ(gReports.size(), 3u);
  EXPECT_EQ(gReports[0].fraction, 0.0);
  EXPECT_EQ(gReports.back().fraction, 1.0);

  // A callback whose result is codecAbortErr stops the work unheard.
  gReports.clear();
  compressor.progress->err = codecAbortErr;
  compressor.CompressToHandle(world.world, &data, nullptr);
  EXPECT_EQ(compressor.err, codecAbortErr);
  EXPECT_EQ(data, nullptr);
  EXPECT_TRUE(gReports.empty());

  // Without a callback the platform hears of none.
  compressor.SetProgress(nullptr);
  EXPECT_EQ(compressor.progressAdapter, nullptr);
  ICMProgressProcRecord installed{};
  ASSERT_EQ(SCGetInfo(compressor.instance, scProgressProcType, &installed), noErr);
  EXPECT_EQ(installed.progressProc, nullptr);
}

TEST_F(ServiceProgress, MovieExportReportsUpToTheEnd) {
  MovieExporter exporter;
  exporter.err = OpenADefaultComponent(MovieExportType, 'WAVE', &exporter.instance);
  exporter.Reset();
  ASSERT_TRUE(exporter.IsValid());
  exporter.SetProgress(&callback_);
  auto item = runtime().NewFolderItem((dir_ / "out.wav").string());
  exporter.Export(movie_, nullptr, nullptr, reinterpret_cast<REALfolderItem>(item->Handle()));
  ASSERT_EQ(exporter.err, noErr);
  ASSERT_FALSE(gReports.empty());
  for (size_t i = 1; i < gReports.size(); ++i) {
    EXPECT_GE(gReports[i].fraction, gReports[i - 1].fraction);
  }
  EXPECT_EQ(gReports.back().fraction, 1.0);
  EXPECT_TRUE(fs::exists(dir_ / "out.wav"));
}

TEST_F(ServiceProgress, ACallbackThatIsNotValidIsNotKept) {
  MovieExporter exporter;
  exporter.err = OpenADefaultComponent(MovieExportType, 'WAVE', &exporter.instance);
  fenra::ProgressCallbackNative empty;
  exporter.SetProgress(&empty);
  EXPECT_FALSE(exporter.HasCallback());
  EXPECT_EQ(exporter.progressAdapter, nullptr);
  exporter.SetProgress(&callback_);
  EXPECT_TRUE(exporter.HasCallback());
  EXPECT_NE(exporter.progress, &callback_);  // a copy of its own
}

TEST_F(ServiceProgress, ASettingsFileWithoutRecordsLeavesTheComponentsOwnSettings) {
  std::string path = (dir_ / "empty.set").string();
  fenra::SettingsFile file;
  file.Create(fenra::kImageCompressorType);
  file.WriteFile(path);
  ASSERT_EQ(file.err, noErr);
  ImageCompressor compressor;
  compressor.Open();
  compressor.Read(path);
  EXPECT_EQ(compressor.err, noErr);
  EXPECT_EQ(compressor.settings, nullptr);
  // The reset after reading, as the constructor from a file runs it.
  compressor.Reset();
  EXPECT_NE(compressor.settings, nullptr);
  EXPECT_EQ(compressor.fileType, static_cast<OSType>('jpeg'));
}

// Long work shows QuickTime's own progress bar when standard error is a
// terminal and no routine is set; a routine set takes its place.
TEST_F(ServiceProgress, MovieCompressionShowsTheStandardBarOnATerminal) {
  MovieCompressor compressor;
  compressor.Open();
  SetFrameRate(compressor, 10);
  compressor.SetDefaultCallback(true);
  std::string shown = OnTerminal([&] { compressor.CompressMovie(movie_, Destination("bar.mov")); });
  EXPECT_EQ(compressor.err, noErr);
  EXPECT_NE(shown.find("Compressing"), std::string::npos) << shown;

  compressor.SetProgress(&callback_);
  shown = OnTerminal([&] { compressor.CompressMovie(movie_, Destination("routine.mov")); });
  EXPECT_EQ(shown, "");
  EXPECT_FALSE(gReports.empty());
}

TEST_F(ServiceProgress, MovieExportShowsTheStandardBarOnlyWhenAsked) {
  MovieExporter exporter;
  exporter.err = OpenADefaultComponent(MovieExportType, 'AIFF', &exporter.instance);
  exporter.Reset();
  auto item = runtime().NewFolderItem((dir_ / "out.aiff").string());
  auto file = reinterpret_cast<REALfolderItem>(item->Handle());
  std::string shown = OnTerminal([&] { exporter.Export(movie_, nullptr, nullptr, file); });
  EXPECT_EQ(exporter.err, noErr);
  EXPECT_EQ(shown, "");
  exporter.SetDefaultCallback(true);
  shown = OnTerminal([&] { exporter.Export(movie_, nullptr, nullptr, file); });
  EXPECT_NE(shown.find("Exporting"), std::string::npos) << shown;
  exporter.SetProgress(&callback_);
  shown = OnTerminal([&] { exporter.Export(movie_, nullptr, nullptr, file); });
  EXPECT_EQ(shown, "");
  EXPECT_EQ(gReports.back().fraction, 1.0);
}

// Each engine call a service makes fails in turn, then each allocation:
// every run answers an error or succeeds, leaves no handle or pointer
// behind, and no file half-written.
class ServiceFaults : public ServiceProgress {
 protected:
  static bool Releases(const std::string& name) {
    return name.starts_with("Dispose") || name.starts_with("QTDispose") ||
           name.starts_with("Close") || name == "KillPicture" || name == "FSClose" ||
           name == "UnlockPixels" || name == "HUnlock" || name == "SCCompressSequenceEnd" ||
           name == "EndMediaEdits" || name == "FSpDelete" || name == "DeleteMovieFile" ||
           name == "QTRemoveAtom";
  }
  // `check` is told whether allocations were failing: a clean-up that needs
  // memory (deleting a file by its spec) cannot run while every
  // allocation fails.
  static void Sweep(const std::function<void()>& work, const std::function<void(bool)>& check) {
    std::set<std::string> names = EngineCallsOf(work);
    ASSERT_FALSE(names.empty());
    long handles = QTMLTest_LiveHandleCount();
    long pointers = QTMLTest_LivePtrCount();
    for (const std::string& name : names) {
      if (Releases(name)) continue;
      SCOPED_TRACE("failing " + name);
      QTMLTest_FailCall(name.c_str(), 1, memFullErr);
      work();
      QTMLTest_ClearFaults();
      check(false);
      EXPECT_EQ(QTMLTest_LiveHandleCount(), handles) << "handles left after failing " << name;
      EXPECT_EQ(QTMLTest_LivePtrCount(), pointers) << "pointers left after failing " << name;
    }
    for (long n = 0;; ++n) {
      SCOPED_TRACE("allocation " + std::to_string(n));
      QTMLTest_FailAllocations(n);
      work();
      bool refused = QTMLTest_AllocationsRefused() > 0;
      QTMLTest_FailAllocations(-1);
      check(refused);
      // Starved, an object may end up holding less than before, never more.
      EXPECT_LE(QTMLTest_LiveHandleCount(), handles) << "handles left, allocation " << n;
      EXPECT_LE(QTMLTest_LivePtrCount(), pointers) << "pointers left, allocation " << n;
      if (!refused) break;
    }
  }
};

TEST_F(ServiceFaults, MovieCompressionReleasesEverythingAndLeavesNoPartialFile) {
  MovieCompressor compressor;
  compressor.Open();
  SetFrameRate(compressor, 2);
  FSSpec out = Destination("faults.mov");
  auto work = [&] {
    fs::remove(dir_ / "faults.mov");
    compressor.err = noErr;
    compressor.CompressMovie(movie_, out);
  };
  work();  // the codec's first use sets up what it keeps
  ASSERT_EQ(compressor.err, noErr);
  Sweep(work, [&](bool starved) {
    if (compressor.err != noErr && !starved) {
      EXPECT_FALSE(fs::exists(dir_ / "faults.mov")) << compressor.err;
    }
  });
}

TEST_F(ServiceFaults, ImageCompressionToAPictureFileReleasesEverything) {
  ImageCompressor compressor;
  compressor.Open();
  Rect bounds{0, 0, 24, 32};
  fenra::FrameBuffer world(bounds);
  FSSpec out = Destination("faults.pct");
  auto work = [&] {
    compressor.err = noErr;
    compressor.CompressToPictureFile(world.world, out);
  };
  work();
  ASSERT_EQ(compressor.err, noErr);
  Sweep(work, [](bool) {});
}

TEST_F(ServiceFaults, SettingsFilesReleaseEverything) {
  MovieExporter exporter;
  exporter.err = OpenADefaultComponent(MovieExportType, 'mpg4', &exporter.instance);
  exporter.Reset();
  std::string path = (dir_ / "faults.set").string();
  auto work = [&] {
    exporter.Write(path);
    exporter.Read(path);
  };
  work();
  ASSERT_EQ(exporter.err, noErr);
  // The exporter keeps settings whatever failed, as long as it can
  // allocate them.
  Sweep(work, [&](bool starved) {
    if (!starved) {
      EXPECT_NE(exporter.settings, nullptr);
    }
  });
}

TEST_F(ServiceFaults, MovieExportReleasesEverything) {
  MovieExporter exporter;
  exporter.err = OpenADefaultComponent(MovieExportType, 'WAVE', &exporter.instance);
  exporter.Reset();
  auto item = runtime().NewFolderItem((dir_ / "faults.wav").string());
  auto file = reinterpret_cast<REALfolderItem>(item->Handle());
  auto work = [&] { exporter.Export(movie_, nullptr, nullptr, file); };
  work();
  ASSERT_EQ(exporter.err, noErr);
  Sweep(work, [](bool) {});
}

}  // namespace

namespace {

using fenra::host::HostError;
using fenra::host::Runtime;
using fenra::host::Value;

// The services as a script drives them, with the routine behind its
// FenraProgressCallback set to a C++ function.
class ScriptProgress : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(Runtime::Get().LoadPlugin(FENRA_PLUGIN_PATH, error)) << error;
  }
  void SetUp() override {
    gReports.clear();
    dir_ = fs::temp_directory_path() / ("fenra-script-progress-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    movie_ = New("FenraMovie", {Item(kSampleMovie)});
    Value block = Value::Obj(runtime().NewMemoryBlock(16));
    callback_ = New("FenraProgressCallback", {block, Value::Nil()});
    // objPtr is the native's address: its routine becomes Record.
    reinterpret_cast<fenra::ProgressCallbackNative*>(Get(callback_, "objPtr").integer)->proc =
        Record;
  }
  void TearDown() override { fs::remove_all(dir_); }

  Runtime& runtime() { return Runtime::Get(); }
  Value Item(const fs::path& path) { return Value::Obj(runtime().NewFolderItem(path.string())); }
  Value New(const char* className, std::vector<Value> args = {}) {
    Value out;
    HostError error;
    EXPECT_TRUE(runtime().New(*runtime().FindClass(className), args, out, error)) << error.message;
    return out;
  }
  Value Get(const Value& object, const char* property) {
    Value out;
    HostError error;
    EXPECT_TRUE(runtime().GetProperty(object, property, out, error)) << error.message;
    return out;
  }
  void Set(const Value& object, const char* property, const Value& value) {
    HostError error;
    EXPECT_TRUE(runtime().SetProperty(object, property, value, error)) << error.message;
  }
  Value Call(const Value& object, const char* method, std::vector<Value> args) {
    Value out;
    HostError error;
    EXPECT_TRUE(runtime().CallMethod(object, method, args, out, error)) << error.message;
    return out;
  }

  fs::path dir_;
  Value movie_;
  Value callback_;
};

TEST_F(ScriptProgress, MovieCompressionCallsTheScriptsRoutineOnceAFrame) {
  Value compressor = New("FenraCompressMovie");
  Value settings = Get(compressor, "imageSettings");
  Set(settings, "frameRate", Value::Dbl(10));
  Set(compressor, "imageSettings", settings);
  Set(compressor, "progressProc", callback_);
  EXPECT_TRUE(Get(Get(compressor, "progressProc"), "isValid").boolean);
  Call(compressor, "DoService", {movie_, Value::Nil(), Item(dir_ / "out.mov")});
  ASSERT_EQ(Get(compressor, "fenraErr").integer, 0);
  int64_t frames = 10 * Get(movie_, "qtDuration").integer / Get(movie_, "qtTimeScale").integer;
  ASSERT_EQ(static_cast<int64_t>(gReports.size()), std::max<int64_t>(frames, 1) + 1);
  EXPECT_EQ(gReports.front().fraction, 0.0);
  EXPECT_EQ(gReports.back().fraction, 1.0);

  // Nil takes the routine away.
  Set(compressor, "progressProc", Value::Nil());
  EXPECT_EQ(Get(compressor, "progressProc").kind, Value::Kind::Nil);
  gReports.clear();
  Call(compressor, "DoService", {movie_, Value::Nil(), Item(dir_ / "again.mov")});
  EXPECT_TRUE(gReports.empty());
}

TEST_F(ScriptProgress, SoundCompressionAndExportsCallTheScriptsRoutineToTheEnd) {
  Value sound = New("FenraCompressSound");
  Set(sound, "progressProc", callback_);
  Value track = Call(movie_, "qtTrack", {Value::Int(1)});
  Call(sound, "DoService", {track, Value::Nil(), Item(dir_ / "out.aiff")});
  ASSERT_EQ(Get(sound, "fenraErr").integer, 0);
  ASSERT_FALSE(gReports.empty());
  EXPECT_EQ(gReports.back().fraction, 1.0);

  gReports.clear();
  Value exporter = New("FenraExportMovie");
  Set(exporter, "progressProc", callback_);
  Call(exporter, "DoService", {movie_, Value::Nil(), Item(dir_ / "out.avi")});
  ASSERT_EQ(Get(exporter, "fenraErr").integer, 0);
  ASSERT_FALSE(gReports.empty());
  EXPECT_EQ(gReports.back().fraction, 1.0);

  gReports.clear();
  Value image = New("FenraExportImage");
  Set(image, "progressProc", callback_);
  Call(image, "DoService", {movie_, Value::Int(0), Item(dir_ / "frame.jpg")});
  ASSERT_EQ(Get(image, "fenraErr").integer, 0);
  ASSERT_FALSE(gReports.empty());
  EXPECT_EQ(gReports.back().fraction, 1.0);
}

}  // namespace
