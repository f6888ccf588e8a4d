// Faults in the engine's file operations (QTMLTest_FailIO): a call that
// meets one answers an error, keeps the file it was to replace, and
// leaves no half-written file, temporary file, handle or descriptor
// behind.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "Movies.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "base/io_faults.h"
#include "files/os.h"
#include "scratch_dir_test.h"

namespace {

namespace fs = std::filesystem;

constexpr long kSampleBytes = 64;

TEST(IOPathMatches, PlainPatternsArePartsOfThePathGlobsCoverAllOfIt) {
  using qtml::IOPathMatches;
  EXPECT_TRUE(IOPathMatches(nullptr, "/a/b.mov"));
  EXPECT_TRUE(IOPathMatches("", "/a/b.mov"));
  EXPECT_FALSE(IOPathMatches("b.mov", nullptr));
  EXPECT_TRUE(IOPathMatches("a/b", "/tmp/a/b.mov"));
  EXPECT_FALSE(IOPathMatches("a/c", "/tmp/a/b.mov"));
  EXPECT_TRUE(IOPathMatches("*.mov", "/tmp/a/b.mov"));
  EXPECT_FALSE(IOPathMatches("*.mov", "/tmp/a/b.mov.tmp"));      // a glob is anchored at the end
  EXPECT_FALSE(IOPathMatches("tmp/*", "/tmp/a"));                // and at the start
  EXPECT_TRUE(IOPathMatches("/tmp/*/c.mov", "/tmp/a/b/c.mov"));  // * crosses slashes
  EXPECT_TRUE(IOPathMatches("/tmp/?.mov", "/tmp/a.mov"));
  EXPECT_FALSE(IOPathMatches("/tmp/?.mov", "/tmp/.mov"));
  EXPECT_FALSE(IOPathMatches("/tmp/?.mov", "/tmp/ab.mov"));
  EXPECT_TRUE(IOPathMatches("*a*b*c", "xaybzc"));  // backtracks over earlier stars
  EXPECT_TRUE(IOPathMatches("*a*a", "aaaa"));
  EXPECT_FALSE(IOPathMatches("*a*b", "abba_"));
  EXPECT_TRUE(IOPathMatches("**", ""));
  EXPECT_FALSE(IOPathMatches("?", ""));
}

// The bytes of a file, "" when there is none.
std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

long OpenDescriptors() {
  long count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

class IOFaults : public ScratchDirTest {
 protected:
  IOFaults() : ScratchDirTest("qtml-io-faults-") {}
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ScratchDirTest::SetUp();
  }

  // The FSSpec of a file of the directory: noErr whether the file is there
  // or not, or why it could not be made.
  OSErr SpecOf(const std::string& name, FSSpec* spec) {
    std::string path = Path(name);
    OSErr err = NativePathNameToFSSpec(path.data(), spec, 0);
    return err == fnfErr ? noErr : err;
  }
  FSSpec Spec(const std::string& name) {
    FSSpec spec;
    EXPECT_EQ(SpecOf(name, &spec), noErr);
    return spec;
  }

  // The names in the scratch directory.
  std::set<std::string> Entries() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  // Adds a track of three samples whose bytes all have `value`, in the
  // movie's default place for new samples (memory, or the movie's file).
  static OSErr AddTrack(Movie movie, OSType type, int value) {
    bool video = type == VideoMediaType;
    Track track = NewMovieTrack(movie, video ? 32 << 16 : 0, video ? 24 << 16 : 0, 0x100);
    Media media = track != nullptr ? NewTrackMedia(track, type, 600, nullptr, 0) : nullptr;
    if (media == nullptr) return GetMoviesError() != noErr ? GetMoviesError() : memFullErr;
    Handle desc = NewHandleClear(sizeof(SampleDescription));
    Handle data = NewHandle(kSampleBytes);
    auto* d = reinterpret_cast<SampleDescription*>(*desc);
    d->descSize = sizeof(SampleDescription);
    d->dataFormat = 'raw ';
    std::memset(*data, value, kSampleBytes);
    OSErr err = BeginMediaEdits(media);
    for (int i = 0; i < 3 && err == noErr; ++i) {
      err = AddMediaSample(media, data, 0, kSampleBytes, 200,
                           reinterpret_cast<SampleDescriptionHandle>(desc), 1, 0, nullptr);
    }
    if (err == noErr) err = EndMediaEdits(media);
    if (err == noErr) err = InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), 0x10000);
    DisposeHandle(desc);
    DisposeHandle(data);
    return err;
  }

  // A movie in memory of a video and a sound track whose sample bytes
  // are `value`.
  static Movie NewSampleMovie(int value) {
    Movie movie = NewMovie(newMovieActive);
    EXPECT_NE(movie, nullptr);
    EXPECT_EQ(AddTrack(movie, VideoMediaType, value), noErr);
    EXPECT_EQ(AddTrack(movie, SoundMediaType, value), noErr);
    return movie;
  }

  // Flattens the movie into the named file, replacing it; *err tells why
  // when the answer is nil.
  Movie Flatten(Movie movie, const std::string& name, OSErr* err) {
    FSSpec spec;
    if ((*err = SpecOf(name, &spec)) != noErr) return nullptr;
    Movie flat = FlattenMovieData(movie, flattenAddMovieToDataFork, &spec, 'TVOD', smSystemScript,
                                  createMovieFileDeleteCurFile);
    *err = GetMoviesError();
    EXPECT_EQ(flat == nullptr, *err != noErr);
    return flat;
  }

  // Saves a movie of sample value 1 as the named file; its bytes.
  std::string SaveOld(const std::string& name) {
    Movie movie = NewSampleMovie(1);
    OSErr err = noErr;
    Movie flat = Flatten(movie, name, &err);
    EXPECT_EQ(err, noErr);
    DisposeMovie(flat);
    DisposeMovie(movie);
    return Contents(Path(name));
  }

  // noErr when the first sample of the first two tracks has bytes of
  // `value`, and of a third track (added later) bytes of 3.
  static OSErr ReadBack(Movie movie, int value) {
    Handle data = NewHandle(0);
    OSErr err = noErr;
    for (long i = 1; i <= GetMovieTrackCount(movie) && err == noErr; ++i) {
      long size = 0;
      err = GetMediaSample(GetTrackMedia(GetMovieIndTrack(movie, i)), data, 0, &size, 0, nullptr,
                           nullptr, nullptr, nullptr, 1, nullptr, nullptr);
      int expected = i <= 2 ? value : 3;
      if (err == noErr &&
          (size != kSampleBytes || static_cast<unsigned char>(**data) != expected)) {
        err = -1;
      }
    }
    DisposeHandle(data);
    return err;
  }

  // Opens the named file's movie: the first error of opening it and
  // reading its samples back, which must be `value`.
  OSErr OpenAndRead(const std::string& name, int value, SInt8 permission, short* ref,
                    Movie* movie) {
    FSSpec spec;
    *ref = 0;
    *movie = nullptr;
    if (OSErr err = SpecOf(name, &spec)) return err;
    if (OSErr err = OpenMovieFile(&spec, ref, permission)) return err;
    OSErr err = NewMovieFromFile(movie, *ref, nullptr, nullptr, newMovieActive, nullptr);
    EXPECT_EQ(err != noErr, *movie == nullptr);
    return err != noErr ? err : ReadBack(*movie, value);
  }

  static void Close(short ref, Movie movie) {
    if (movie != nullptr) DisposeMovie(movie);
    if (ref != 0) CloseMovieFile(ref);
  }
};

TEST_F(IOFaults, TheNthOperationOfTheKindFailsOnMatchingPathsOnly) {
  Write("a.mov", std::string(64, 'x'));
  Write("b.mov", "b");
  std::string a = Path("a.mov"), b = Path("b.mov");
  using qtml::os::ReadableFile;

  QTMLTest_FailIO("a.mov", "open", 2, permErr);
  EXPECT_EQ(ReadableFile(b).OpenError(), noErr);  // another path does not count
  EXPECT_EQ(ReadableFile(a).OpenError(), noErr);
  EXPECT_EQ(ReadableFile(a).OpenError(), permErr);
  EXPECT_EQ(ReadableFile(a).OpenError(), noErr);

  // n = 0: every one, until cleared.
  QTMLTest_FailIO(nullptr, "read", 0, ioErr);
  ReadableFile file(a);
  char bytes[64] = {};
  EXPECT_EQ(file.ReadAt(0, bytes, 8), ioErr);
  EXPECT_EQ(file.ReadAt(0, bytes, 8), ioErr);
  EXPECT_EQ(qtml::PendingIOFaults(), 0);
  QTMLTest_ClearFaults();
  EXPECT_EQ(file.ReadAt(0, bytes, 8), noErr);

  // A short read hands over half of the bytes, then the error.
  std::memset(bytes, 0, sizeof bytes);
  QTMLTest_FailIO("*/a.mov", "shortread", 1, ioErr);
  size_t done = 0;
  EXPECT_EQ(file.ReadAt(0, bytes, 64, &done), ioErr);
  EXPECT_EQ(done, 32u);
  EXPECT_EQ(std::string(bytes, 33), std::string(32, 'x') + '\0');

  // A rename fails when either of its paths matches; "*" is any operation.
  QTMLTest_FailIO("b.mov", "rename", 1, ioErr);
  EXPECT_EQ(qtml::os::Rename(a, Path("c.mov")), noErr);
  EXPECT_EQ(qtml::os::Rename(Path("c.mov"), b), ioErr);
  EXPECT_EQ(qtml::os::KindOf(Path("c.mov")), qtml::os::EntryKind::kFile);
  QTMLTest_FailIO(b.c_str(), "*", 1, wPrErr);
  qtml::os::EntryKind kind;
  EXPECT_EQ(qtml::os::KindAt(b, &kind), wPrErr);

  // What arms nothing.
  QTMLTest_FailIO(nullptr, "seek", 1, ioErr);
  QTMLTest_FailIO(nullptr, "read", -1, ioErr);
  QTMLTest_FailIO(nullptr, "read", 1, noErr);
  QTMLTest_FailIO(nullptr, nullptr, 1, ioErr);
  EXPECT_EQ(qtml::PendingIOFaults(), 0);
}

TEST_F(IOFaults, AReadFailingHalfWayWhileOpeningAMovieAnswersItsError) {
  SaveOld("movie.mov");
  long descriptors = OpenDescriptors();
  int taken = 0;
  for (long n = 1; n < 100; ++n) {
    SCOPED_TRACE("read " + std::to_string(n));
    QTMLTest_FailIO(Path("movie.mov").c_str(), "shortread", n, ioErr);
    short ref = 0;
    Movie movie = nullptr;
    OSErr err = OpenAndRead("movie.mov", 1, fsRdPerm, &ref, &movie);
    bool fault = qtml::PendingIOFaults() == 0;
    QTMLTest_ClearFaults();
    Close(ref, movie);
    EXPECT_EQ(OpenDescriptors(), descriptors);
    if (!fault) {
      EXPECT_EQ(err, noErr);
      break;
    }
    ++taken;
    EXPECT_EQ(err, ioErr);
  }
  EXPECT_GE(taken, 3);  // the atoms' headers, the movie atom, the samples
}

TEST_F(IOFaults, AFullDiskWhileFlatteningKeepsTheOldFileAndLeavesNoOther) {
  for (bool existing : {true, false}) {
    SCOPED_TRACE(existing ? "over a file" : "a new file");
    std::string old = existing ? SaveOld("movie.mov") : "";
    std::set<std::string> entries = Entries();
    int taken = 0;
    for (long n = 1; n < 100; ++n) {
      SCOPED_TRACE("write " + std::to_string(n));
      Movie movie = NewSampleMovie(2);
      QTMLTest_FailIO(dir_.c_str(), "write", n, dskFulErr);
      OSErr err = noErr;
      Movie flat = Flatten(movie, "movie.mov", &err);
      bool fault = qtml::PendingIOFaults() == 0;
      QTMLTest_ClearFaults();
      DisposeMovie(movie);
      if (!fault) {
        EXPECT_NE(flat, nullptr);
        DisposeMovie(flat);
        break;
      }
      ++taken;
      EXPECT_EQ(flat, nullptr);
      EXPECT_EQ(err, dskFulErr);
      EXPECT_TRUE(Contents(Path("movie.mov")) == old);
      EXPECT_EQ(Entries(), entries);
    }
    EXPECT_GE(taken, 3);  // file type, movie data, movie atom
    fs::remove(Path("movie.mov"));
  }
}

TEST_F(IOFaults, AFailedRenameKeepsTheOldFile) {
  std::string old = SaveOld("movie.mov");
  std::set<std::string> entries = Entries();
  Movie movie = NewSampleMovie(2);
  QTMLTest_FailIO(Path("movie.mov").c_str(), "rename", 1, ioErr);
  OSErr err = noErr;
  EXPECT_EQ(Flatten(movie, "movie.mov", &err), nullptr);
  EXPECT_EQ(err, ioErr);
  FSSpec spec = Spec("movie.mov");
  QTMLTest_FailIO(Path("movie.mov").c_str(), "rename", 1, ioErr);
  FlattenMovie(movie, flattenAddMovieToDataFork, &spec, 'TVOD', smSystemScript,
               createMovieFileDeleteCurFile, nullptr, nullptr);
  EXPECT_EQ(GetMoviesError(), ioErr);
  DisposeMovie(movie);
  EXPECT_TRUE(Contents(Path("movie.mov")) == old);
  EXPECT_EQ(Entries(), entries);
}

TEST_F(IOFaults, CreatingAMovieFileOverAnotherThatCannotBeWrittenKeepsIt) {
  std::string old = SaveOld("movie.mov");
  std::set<std::string> entries = Entries();
  FSSpec spec = Spec("movie.mov");
  struct Fault {
    const char* operation;
    OSErr error;
  };
  for (Fault fault : {Fault{"write", dskFulErr}, Fault{"open", permErr}, Fault{"rename", ioErr}}) {
    SCOPED_TRACE(fault.operation);
    QTMLTest_FailIO(dir_.c_str(), fault.operation, 1, fault.error);
    short ref = 0;
    Movie movie = nullptr;
    EXPECT_EQ(CreateMovieFile(&spec, 'TVOD', smSystemScript,
                              long{createMovieFileDeleteCurFile} | newMovieActive, &ref, &movie),
              fault.error);
    EXPECT_EQ(qtml::PendingIOFaults(), 0);
    QTMLTest_ClearFaults();
    EXPECT_EQ(movie, nullptr);
    EXPECT_EQ(ref, 0);
    EXPECT_TRUE(Contents(Path("movie.mov")) == old);
    EXPECT_EQ(Entries(), entries);
  }
  // And with nothing failing, the new file replaces it.
  short ref = 0;
  Movie movie = nullptr;
  ASSERT_EQ(
      CreateMovieFile(&spec, 'TVOD', smSystemScript, createMovieFileDeleteCurFile, &ref, &movie),
      noErr);
  EXPECT_FALSE(Contents(Path("movie.mov")) == old);
  Close(ref, movie);
}

TEST_F(IOFaults, OpenStatRemoveAndSyncFaultsAnswerTheCallsError) {
  std::string old = SaveOld("movie.mov");
  std::string path = Path("movie.mov");
  FSSpec spec = Spec("movie.mov");
  short ref = 0;

  QTMLTest_FailIO(path.c_str(), "open", 1, permErr);
  EXPECT_EQ(OpenMovieFile(&spec, &ref, fsRdPerm), permErr);
  QTMLTest_FailIO(path.c_str(), "stat", 1, ioErr);
  EXPECT_EQ(OpenMovieFile(&spec, &ref, fsRdPerm), ioErr);
  EXPECT_EQ(ref, 0);

  Movie movie = NewSampleMovie(2);
  QTMLTest_FailIO(path.c_str(), "stat", 1, ioErr);
  EXPECT_EQ(FlattenMovieData(movie, flattenAddMovieToDataFork, &spec, 'TVOD', smSystemScript,
                             createMovieFileDeleteCurFile),
            nullptr);
  EXPECT_EQ(GetMoviesError(), ioErr);
  DisposeMovie(movie);

  // A failed sync while the movie is written into the file leaves the
  // file's movie as it was.
  Movie opened = nullptr;
  ASSERT_EQ(OpenAndRead("movie.mov", 1, fsRdWrPerm, &ref, &opened), noErr);
  SetMoviePosterTime(opened, 100);
  QTMLTest_FailIO(path.c_str(), "sync", 1, ioErr);
  EXPECT_EQ(UpdateMovieResource(opened, ref, movieInDataForkResID, nullptr), ioErr);
  QTMLTest_FailIO(path.c_str(), "stat", 1, ioErr);
  EXPECT_EQ(UpdateMovieResource(opened, ref, movieInDataForkResID, nullptr), ioErr);
  Close(ref, opened);
  EXPECT_TRUE(Contents(path) == old);

  QTMLTest_FailIO(path.c_str(), "remove", 1, permErr);
  EXPECT_EQ(DeleteMovieFile(&spec), permErr);
  QTMLTest_FailIO(path.c_str(), "stat", 1, ioErr);
  EXPECT_EQ(DeleteMovieFile(&spec), ioErr);
  EXPECT_TRUE(Contents(path) == old);
  EXPECT_EQ(DeleteMovieFile(&spec), noErr);
  EXPECT_FALSE(fs::exists(path));
}

// What one run of the sweep's scenario did.
struct Outcome {
  bool saved = false;    // the movie was flattened over the old file
  bool updated = false;  // and then changed in place
  OSErr firstError = noErr;

  // Notes a call's result; true when it worked.
  bool Note(OSErr err) {
    if (firstError == noErr) firstError = err;
    return err == noErr;
  }
};

class IOFaultSweep : public IOFaults {
 protected:
  // Flattens a new movie over the old file, reads it back, then adds a
  // track whose samples go into the file and writes the movie into it.
  Outcome Run() {
    Outcome outcome;
    Movie movie = NewSampleMovie(2);
    OSErr err = noErr;
    Movie flat = Flatten(movie, "movie.mov", &err);
    outcome.saved = outcome.Note(err);
    if (flat != nullptr) DisposeMovie(flat);
    DisposeMovie(movie);
    if (!outcome.saved) return outcome;
    short ref = 0;
    Movie opened = nullptr;
    if (outcome.Note(OpenAndRead("movie.mov", 2, fsRdWrPerm, &ref, &opened)) &&
        outcome.Note(AddTrack(opened, VideoMediaType, 3))) {
      SetMoviePosterTime(opened, 100);
      outcome.updated =
          outcome.Note(UpdateMovieResource(opened, ref, movieInDataForkResID, nullptr));
    }
    Close(ref, opened);
    return outcome;
  }

  // Whatever a run did, the file is the old one or a movie that opens and
  // reads back whole: the flattened one or the one updated in place.
  void ExpectFileSound(const Outcome& outcome, const std::string& old) {
    if (!outcome.saved) {
      EXPECT_TRUE(Contents(Path("movie.mov")) == old) << "the old file is gone";
      return;
    }
    short ref = 0;
    Movie movie = nullptr;
    EXPECT_EQ(OpenAndRead("movie.mov", 2, fsRdPerm, &ref, &movie), noErr);
    long tracks = GetMovieTrackCount(movie);
    if (outcome.updated || tracks == 3) {
      EXPECT_EQ(tracks, 3);
      EXPECT_EQ(GetMoviePosterTime(movie), 100);
    } else {
      EXPECT_EQ(tracks, 2);
      EXPECT_EQ(GetMoviePosterTime(movie), 0);
    }
    Close(ref, movie);
  }
};

TEST_F(IOFaultSweep, SavingAndReadingBackUnderAnyFileOperationFailing) {
  std::string old = SaveOld("movie.mov");
  ASSERT_TRUE(Run().updated);  // with nothing failing
  std::set<std::string> entries = Entries();
  long descriptors = OpenDescriptors();
  long handles = QTMLTest_LiveHandleCount();

  struct Kind {
    const char* operation;
    OSErr error;
    int atLeast;  // runs that take the fault: the scenario does this many
  };
  // Truncating and removing only undo what failed; the next test fails them.
  const Kind kinds[] = {{"open", permErr, 4},    {"read", ioErr, 10},    {"shortread", ioErr, 10},
                        {"write", dskFulErr, 6}, {"sync", ioErr, 2},     {"truncate", ioErr, 0},
                        {"rename", ioErr, 1},    {"remove", permErr, 0}, {"stat", ioErr, 10}};
  for (const Kind& kind : kinds) {
    int taken = 0;
    for (long n = 1;; ++n) {
      SCOPED_TRACE(std::string(kind.operation) + " " + std::to_string(n));
      Write("movie.mov", old);
      QTMLTest_FailIO(dir_.c_str(), kind.operation, n, kind.error);
      Outcome outcome = Run();
      bool fault = qtml::PendingIOFaults() == 0;
      QTMLTest_ClearFaults();
      EXPECT_EQ(OpenDescriptors(), descriptors);
      EXPECT_EQ(QTMLTest_LiveHandleCount(), handles);
      EXPECT_EQ(Entries(), entries);
      ExpectFileSound(outcome, old);
      if (!fault) {
        EXPECT_TRUE(outcome.updated) << outcome.firstError;
        break;
      }
      ++taken;
      // The fault reaches the caller as the error it was armed with; only
      // a look at a path that the call can do without may go unreported.
      if (std::strcmp(kind.operation, "stat") != 0 || outcome.firstError != noErr) {
        EXPECT_EQ(outcome.firstError, kind.error);
      } else {
        EXPECT_TRUE(outcome.updated);
      }
      if (n > 500) {
        ADD_FAILURE() << "the scenario never ran out of operations to fail";
        break;
      }
    }
    EXPECT_GE(taken, kind.atLeast) << kind.operation;
  }
}

TEST_F(IOFaultSweep, TheFileStaysWholeWhenUndoingAFailureFailsToo) {
  std::string old = SaveOld("movie.mov");
  struct Kind {
    const char* operation;
    OSErr error;
  };
  for (Kind kind : {Kind{"write", dskFulErr}, Kind{"sync", ioErr}, Kind{"read", ioErr}}) {
    for (long n = 1; n < 500; ++n) {
      SCOPED_TRACE(std::string(kind.operation) + " " + std::to_string(n));
      Write("movie.mov", old);
      QTMLTest_FailIO(dir_.c_str(), kind.operation, n, kind.error);
      QTMLTest_FailIO(dir_.c_str(), "truncate", 0, ioErr);
      QTMLTest_FailIO(dir_.c_str(), "remove", 0, ioErr);
      Outcome outcome = Run();
      bool fault = qtml::PendingIOFaults() == 0;
      QTMLTest_ClearFaults();
      ExpectFileSound(outcome, old);
      if (!fault) break;
      EXPECT_EQ(outcome.firstError, kind.error);
      // What could not be removed is left aside, never in the file's place.
      for (const std::string& name : Entries()) {
        if (name != "movie.mov") fs::remove(Path(name));
      }
    }
  }
}

}  // namespace
