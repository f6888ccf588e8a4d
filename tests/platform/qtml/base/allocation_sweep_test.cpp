// Every allocation a run of engine calls makes is failed in turn: each
// call must answer its error (or its neutral value) and the run go on,
// never crash nor let an exception out, and nothing the calls made may be
// left behind once the run has disposed of what it got.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "ImageCompression.h"
#include "Movies.h"
#include "QDOffscreen.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "Quickdraw.h"
#include "Sound.h"
#include "scratch_dir_test.h"

namespace {

// Disposes of what a run made, whatever it got to.
struct Made {
  std::vector<Movie> movies;
  std::vector<Handle> handles;
  std::vector<RgnHandle> regions;
  std::vector<GWorldPtr> worlds;
  std::vector<QTAtomContainer> atoms;
  std::vector<short> files;
  std::vector<UserData> userData;

  ~Made() {
    for (Movie m : movies) DisposeMovie(m);
    for (Handle h : handles) DisposeHandle(h);
    for (RgnHandle r : regions) DisposeRgn(r);
    for (GWorldPtr w : worlds) DisposeGWorld(w);
    for (QTAtomContainer a : atoms) QTDisposeAtomContainer(a);
    for (short f : files) CloseMovieFile(f);
    for (UserData u : userData) DisposeUserData(u);
  }
  Movie Keep(Movie m) {
    if (m != nullptr) movies.push_back(m);
    return m;
  }
  Handle Keep(Handle h) {
    if (h != nullptr) handles.push_back(h);
    return h;
  }
};

class AllocationSweep : public ScratchDirTest {
 protected:
  AllocationSweep() : ScratchDirTest("qtml-sweep-") {}
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ScratchDirTest::SetUp();
  }

  // Runs `run` with the n-th allocation and every one after it failing,
  // for n from 0 until a run needs no more than n; answers how many runs.
  int Sweep(const std::function<void(Made&)>& run) {
    for (long n = 0;; ++n) {
      long refused = 0;
      {
        Made made;
        QTMLTest_FailAllocations(n);
        run(made);
        refused = QTMLTest_AllocationsRefused();
        QTMLTest_FailAllocations(-1);
      }
      if (refused == 0) return static_cast<int>(n);
      if (n > 20000) {
        ADD_FAILURE() << "the run never ran out of allocations to fail";
        return static_cast<int>(n);
      }
    }
  }

  std::string Scratch(const char* name) const { return Path(name); }
};

// A movie with a video and a sound track of a few samples each.
Movie MakeMovie(Made& made) {
  Movie movie = made.Keep(NewMovie(newMovieActive));
  if (movie == nullptr) return nullptr;
  struct Kind {
    OSType type;
    TimeScale scale;
    Size descSize;
  };
  for (Kind kind : {Kind{VideoMediaType, 600, sizeof(ImageDescription)},
                    Kind{SoundMediaType, 8000, sizeof(SoundDescription)}}) {
    bool video = kind.type == VideoMediaType;
    Track track = NewMovieTrack(movie, video ? 32 << 16 : 0, video ? 24 << 16 : 0, 0x100);
    Media media =
        track != nullptr ? NewTrackMedia(track, kind.type, kind.scale, nullptr, 0) : nullptr;
    Handle desc = made.Keep(NewHandleClear(kind.descSize));
    Handle data = made.Keep(NewHandleClear(64));
    if (media == nullptr || desc == nullptr || data == nullptr) continue;
    auto* d = reinterpret_cast<SampleDescription*>(*desc);
    d->descSize = static_cast<SInt32>(kind.descSize);
    d->dataFormat = 'raw ';
    if (video) {  // 4 by 4 pixels of 32 bits: the 64 bytes of each sample
      auto* image = reinterpret_cast<ImageDescription*>(*desc);
      image->width = 4;
      image->height = 4;
      image->depth = 32;
    } else {
      auto* sound = reinterpret_cast<SoundDescription*>(*desc);
      sound->numChannels = 1;
      sound->sampleSize = 8;
      sound->sampleRate = static_cast<UnsignedFixed>(8000u << 16);
    }
    BeginMediaEdits(media);
    for (int i = 0; i < 3; ++i) {
      AddMediaSample(media, data, 0, video ? 64 : 64, video ? 200 : 1,
                     reinterpret_cast<SampleDescriptionHandle>(desc), video ? 1 : 64,
                     i == 0 ? 0 : mediaSampleNotSync, nullptr);
    }
    EndMediaEdits(media);
    InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), 0x10000);
  }
  return movie;
}

TEST_F(AllocationSweep, MoviesAreMadeEditedCopiedAndReadUnderAnyAllocationFailure) {
  int runs = Sweep([&](Made& made) {
    Movie movie = MakeMovie(made);
    if (movie == nullptr) return;
    UserData data = GetMovieUserData(movie);
    Handle text = made.Keep(NewHandle(5));
    if (data != nullptr && text != nullptr) {
      std::memcpy(*text, "Fenra", 5);
      AddUserData(data, text, 'name');
    }
    TimeValue next = 0;
    GetMovieNextInterestingTime(movie, nextTimeStep, 0, nullptr, 0, 0x10000, &next, nullptr);
    SetMovieSelection(movie, 0, 300);
    made.Keep(CopyMovieSelection(movie));
    Movie cut = made.Keep(CutMovieSelection(movie));
    if (cut != nullptr) PasteMovieSelection(movie, cut);
    Handle put = made.Keep(NewHandle(0));
    if (put != nullptr && PutMovieIntoHandle(movie, put) == noErr) {
      Movie back = nullptr;
      NewMovieFromHandle(&back, put, 0, nullptr);
      made.Keep(back);
    }
    Track track = GetMovieIndTrack(movie, 1);
    Media media = track != nullptr ? GetTrackMedia(track) : nullptr;
    Handle sample = made.Keep(NewHandle(0));
    if (media != nullptr && sample != nullptr) {
      GetMediaSample(media, sample, 0, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 1, nullptr,
                     nullptr);
    }
    wide size = 0;
    GetMovieDataSize64(movie, 0, GetMovieDuration(movie), &size);
  });
  EXPECT_GT(runs, 20);
}

TEST_F(AllocationSweep, MovieFilesAreWrittenAndReadUnderAnyAllocationFailure) {
  std::string path = Scratch("sweep.mov");
  int runs = Sweep([&](Made& made) {
    std::filesystem::remove(path);
    Movie movie = MakeMovie(made);
    if (movie == nullptr) return;
    FSSpec spec;
    std::string native = path;
    if (NativePathNameToFSSpec(native.data(), &spec, 0) != fnfErr) return;
    Movie flat = made.Keep(FlattenMovieData(movie, flattenAddMovieToDataFork, &spec, 'TVOD',
                                            smSystemScript, createMovieFileDeleteCurFile));
    if (flat == nullptr) return;
    short file = 0;
    if (OpenMovieFile(&spec, &file, fsRdWrPerm) != noErr) return;
    made.files.push_back(file);
    Movie opened = nullptr;
    NewMovieFromFile(&opened, file, nullptr, nullptr, newMovieActive, nullptr);
    if (made.Keep(opened) == nullptr) return;
    SetMoviePosterTime(opened, 100);
    UpdateMovieResource(opened, file, movieInDataForkResID, nullptr);
  });
  EXPECT_GT(runs, 20);
}

TEST_F(AllocationSweep, FramePicturesAndThumbnailsUnderAnyAllocationFailure) {
  int runs = Sweep([&](Made& made) {
    Movie movie = MakeMovie(made);
    if (movie == nullptr) return;
    PicHandle frame = GetMoviePict(movie, 200);
    PicHandle poster = GetMoviePosterPict(movie);
    made.Keep(reinterpret_cast<Handle>(frame));
    made.Keep(reinterpret_cast<Handle>(poster));
    Handle thumbnail = made.Keep(NewHandle(4));
    if (frame != nullptr && thumbnail != nullptr) {
      MakeThumbnailFromPicture(frame, 0, reinterpret_cast<PicHandle>(thumbnail), nullptr);
    }
    if (poster != nullptr) made.Keep(GetDIBFromPICT(poster));
  });
  EXPECT_GT(runs, 20);
}

TEST_F(AllocationSweep, PicturesRegionsWorldsAndAtomsUnderAnyAllocationFailure) {
  int runs = Sweep([&](Made& made) {
    Rect bounds = {0, 0, 24, 32};
    GWorldPtr world = nullptr;
    if (NewGWorld(&world, 32, &bounds, nullptr, nullptr, 0) == noErr && world != nullptr) {
      made.worlds.push_back(world);
    }
    RgnHandle a = NewRgn(), b = NewRgn();
    if (a != nullptr) made.regions.push_back(a);
    if (b != nullptr) made.regions.push_back(b);
    if (a != nullptr && b != nullptr) {
      RectRgn(a, &bounds);
      Rect inner = {4, 4, 12, 12};
      OpenRgn();
      FrameOval(&inner);
      CloseRgn(b);
      DiffRgn(a, b, a);
      UnionRgn(a, b, b);
    }
    QTAtomContainer atoms = nullptr;
    if (QTNewAtomContainer(&atoms) == noErr && atoms != nullptr) {
      made.atoms.push_back(atoms);
      QTAtom child = 0;
      long value = 7;
      QTInsertChild(atoms, kParentAtomIsContainer, 'abcd', 1, 0, sizeof(value), &value, &child);
      QTInsertChild(atoms, child, 'efgh', 1, 0, sizeof(value), &value, nullptr);
    }
    if (world != nullptr) {
      CGrafPtr port = nullptr;
      GDHandle device = nullptr;
      GetGWorld(&port, &device);
      SetGWorld(world, nullptr);
      PicHandle picture = OpenPicture(&bounds);
      PaintRect(&bounds);
      ClosePicture();
      if (picture != nullptr) {
        DrawPicture(picture, &bounds);
        KillPicture(picture);
      }
      SetGWorld(port, device);
    }
  });
  EXPECT_GT(runs, 10);
}

}  // namespace
