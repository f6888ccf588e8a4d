// Movies written through the export dialog (ConvertMovieToFile), the
// status of a movie's data (GetMovieStatus), its poster picture, and a
// movie controller's editing switch and selection actions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "Movies.h"
#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "scratch_dir_test.h"

namespace {

namespace fs = std::filesystem;

constexpr long kExportFlags =
    long{createMovieFileDeleteCurFile} | showUserSettingsDialog | movieToFileOnlyExport;

class MovieExport : public ScratchDirTest {
 protected:
  MovieExport() : ScratchDirTest("qtml-movie-export-") {}
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ScratchDirTest::SetUp();
    QTMLTest_ClearDialogAnswers();
  }
  void TearDown() override {
    QTMLTest_ClearDialogAnswers();
    for (Movie m : movies_) DisposeMovie(m);
    for (short ref : files_) CloseMovieFile(ref);
    ScratchDirTest::TearDown();
  }

  FSSpec Spec(const std::string& name) {
    FSSpec spec;
    std::string path = Path(name);
    NativePathNameToFSSpec(path.data(), &spec, 0);
    return spec;
  }
  Movie Keep(Movie m) {
    if (m != nullptr) movies_.push_back(m);
    return m;
  }

  // A movie in memory with a video track of `frames` samples of 100 units
  // (format `format`) and a sound track of one sample.
  Movie NewMovieWithTracks(int frames, OSType format = 'raw ') {
    Movie movie = Keep(NewMovie(newMovieActive));
    AddTrack(movie, VideoMediaType, format, frames);
    AddTrack(movie, SoundMediaType, 'twos', 1);
    return movie;
  }
  static void AddTrack(Movie movie, OSType type, OSType format, int samples) {
    bool visual = type == VideoMediaType;
    Track track = NewMovieTrack(movie, visual ? 16 << 16 : 0, visual ? 8 << 16 : 0, 0);
    Media media = NewTrackMedia(track, type, 600, nullptr, 0);
    ASSERT_NE(media, nullptr);
    Size size = visual ? Size{sizeof(ImageDescription)} : Size{sizeof(SampleDescription)};
    auto desc = reinterpret_cast<SampleDescriptionHandle>(NewHandleClear(size));
    (**desc).descSize = static_cast<SInt32>(size);
    (**desc).dataFormat = format;
    (**desc).dataRefIndex = 1;
    ASSERT_EQ(BeginMediaEdits(media), noErr);
    Handle data = NewHandleClear(8);
    for (int i = 0; i < samples; ++i) {
      ASSERT_EQ(AddMediaSample(media, data, 0, 8, 100, desc, 1, 0, nullptr), noErr);
    }
    DisposeHandle(data);
    DisposeHandle(reinterpret_cast<Handle>(desc));
    ASSERT_EQ(EndMediaEdits(media), noErr);
    ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), 0x10000), noErr);
  }

  // The movie of a file, kept open until the test ends; nil when none.
  Movie Open(const std::string& name, OSErr* err = nullptr) {
    FSSpec spec = Spec(name);
    short ref = 0;
    OSErr opened = OpenMovieFile(&spec, &ref, fsRdPerm);
    if (err != nullptr) *err = opened;
    if (opened != noErr) return nullptr;
    files_.push_back(ref);
    Movie movie = nullptr;
    OSErr read = NewMovieFromFile(&movie, ref, nullptr, nullptr, newMovieActive, nullptr);
    if (err != nullptr) *err = read;
    return Keep(movie);
  }

  OSErr Export(Movie movie, Track onlyTrack, const std::string& name, long flags = kExportFlags) {
    FSSpec spec = Spec(name);
    return ConvertMovieToFile(movie, onlyTrack, &spec, 0, 'TVOD', smSystemScript, nullptr, flags,
                              nullptr);
  }

  std::vector<Movie> movies_;
  std::vector<short> files_;
};

TEST_F(MovieExport, TheDialogsFormatChoosesTheExporter) {
  Movie movie = NewMovieWithTracks(3);
  QTMLTest_QueueDialogAnswer("MooV");
  short resId = 0;
  FSSpec spec = Spec("whole.mov");
  ASSERT_EQ(ConvertMovieToFile(movie, nullptr, &spec, 0, 'TVOD', smSystemScript, &resId,
                               kExportFlags, nullptr),
            noErr);
  EXPECT_EQ(resId, movieInDataForkResID);
  Movie written = Open("whole.mov");
  ASSERT_NE(written, nullptr);
  EXPECT_EQ(GetMovieTrackCount(written), 2);
  EXPECT_EQ(GetMovieDuration(written), GetMovieDuration(movie));
  EXPECT_EQ(GetMediaSampleCount(GetTrackMedia(GetMovieIndTrack(written, 1))), 3);

  // A cancelled dialog (or none answered) writes nothing.
  QTMLTest_QueueDialogAnswer(nullptr);
  EXPECT_EQ(Export(movie, nullptr, "cancelled.mov"), userCanceledErr);
  EXPECT_EQ(Export(movie, nullptr, "unanswered.mov"), userCanceledErr);
  EXPECT_FALSE(fs::exists(Path("cancelled.mov")));
  EXPECT_FALSE(fs::exists(Path("unanswered.mov")));

  // Formats no movie exporter writes.
  QTMLTest_QueueDialogAnswer("GIFf");
  EXPECT_EQ(Export(movie, nullptr, "other.mp4"), cantFindHandler);
  QTMLTest_QueueDialogAnswer("zzzz");
  EXPECT_EQ(Export(movie, nullptr, "unknown.mov"), cantFindHandler);
  EXPECT_FALSE(fs::exists(Path("other.mp4")));
  EXPECT_EQ(QTMLTest_PendingDialogAnswers(), 0);
}

TEST_F(MovieExport, WithoutTheDialogTheFileTypeChoosesAndAFileIsReplacedOnlyWhenAsked) {
  Movie movie = NewMovieWithTracks(2);
  Write("there.mov", "old");
  EXPECT_EQ(Export(movie, nullptr, "there.mov", 0), dupFNErr);
  EXPECT_EQ(GetMoviesError(), dupFNErr);
  ASSERT_EQ(Export(movie, nullptr, "there.mov", createMovieFileDeleteCurFile), noErr);
  EXPECT_GT(fs::file_size(Path("there.mov")), 3u);
  FSSpec spec = Spec("other.gif");
  EXPECT_EQ(ConvertMovieToFile(movie, nullptr, &spec, 'GIFf', 'TVOD', 0, nullptr, 0, nullptr),
            cantFindHandler);
  EXPECT_EQ(ConvertMovieToFile(nullptr, nullptr, &spec, 0, 'TVOD', 0, nullptr, 0, nullptr),
            invalidMovie);
  EXPECT_EQ(ConvertMovieToFile(movie, nullptr, nullptr, 0, 'TVOD', 0, nullptr, 0, nullptr),
            paramErr);
}

TEST_F(MovieExport, OneTrackIsWrittenAloneAndTheMovieKeepsItsTracksEnabled) {
  Movie movie = NewMovieWithTracks(4);
  Track video = GetMovieIndTrack(movie, 1);
  Track sound = GetMovieIndTrack(movie, 2);
  SetTrackEnabled(video, false);
  QTMLTest_QueueDialogAnswer("MooV");
  ASSERT_EQ(Export(movie, video, "video.mov"), noErr);
  EXPECT_FALSE(GetTrackEnabled(video));
  EXPECT_TRUE(GetTrackEnabled(sound));
  Movie written = Open("video.mov");
  ASSERT_NE(written, nullptr);
  ASSERT_EQ(GetMovieTrackCount(written), 1);
  OSType type = 0;
  GetMediaHandlerDescription(GetTrackMedia(GetMovieIndTrack(written, 1)), &type, nullptr, nullptr);
  EXPECT_EQ(type, VideoMediaType);

  Movie other = NewMovieWithTracks(1);
  QTMLTest_QueueDialogAnswer("MooV");
  EXPECT_EQ(Export(movie, GetMovieIndTrack(other, 1), "foreign.mov"), invalidTrack);
  EXPECT_EQ(QTMLTest_PendingDialogAnswers(), 1);  // refused before the dialog
}

TEST_F(MovieExport, AFailedWriteLeavesNoFileAndAFaultAnswersItsError) {
  Movie movie = NewMovieWithTracks(2);
  QTMLTest_FailIO(Path("").c_str(), "write", 1, dskFulErr);
  QTMLTest_QueueDialogAnswer("MooV");
  EXPECT_EQ(Export(movie, nullptr, "full.mov"), dskFulErr);
  QTMLTest_ClearFaults();
  EXPECT_FALSE(fs::exists(Path("full.mov")));
  for (const auto& entry : fs::directory_iterator(dir_)) ADD_FAILURE() << entry.path();
  QTMLTest_FailCall("ConvertMovieToFile", 1, -108);
  EXPECT_EQ(Export(movie, nullptr, "fault.mov"), -108);
  EXPECT_EQ(GetMoviesError(), -108);
}

TEST_F(MovieExport, StatusFindsDataThatIsGoneAndVideoNothingDecodes) {
  Movie movie = NewMovieWithTracks(2);
  Track problem = reinterpret_cast<Track>(1);
  EXPECT_EQ(GetMovieStatus(movie, &problem), noErr);
  EXPECT_EQ(problem, nullptr);

  Movie undecodable = Keep(NewMovie(newMovieActive));
  AddTrack(undecodable, VideoMediaType, 'zzzz', 1);
  EXPECT_EQ(GetMovieStatus(undecodable, &problem), noCodecErr);
  EXPECT_EQ(problem, GetMovieIndTrack(undecodable, 1));
  SetTrackEnabled(problem, false);  // only enabled tracks count
  EXPECT_EQ(GetMovieStatus(undecodable, nullptr), noErr);

  // A reference movie whose data file has gone.
  FSSpec data = Spec("data.mov");
  short dataRef = 0;
  Movie inFile = nullptr;
  ASSERT_EQ(CreateMovieFile(&data, 'TVOD', 0, createMovieFileDeleteCurFile, &dataRef, &inFile),
            noErr);
  Keep(inFile);
  files_.push_back(dataRef);
  AddTrack(inFile, SoundMediaType, 'twos', 2);
  FSSpec reference = Spec("reference.mov");
  short referenceRef = 0;
  ASSERT_EQ(CreateMovieFile(&reference, 'TVOD', 0,
                            createMovieFileDeleteCurFile | createMovieFileDontCreateMovie,
                            &referenceRef, nullptr),
            noErr);
  ASSERT_EQ(UpdateMovieResource(inFile, referenceRef, movieInDataForkResID, nullptr), noErr);
  CloseMovieFile(referenceRef);
  fs::remove(Path("data.mov"));
  OSErr err = noErr;
  Movie orphan = Open("reference.mov", &err);
  ASSERT_NE(orphan, nullptr);
  EXPECT_NE(GetMovieStatus(orphan, &problem), noErr);
  EXPECT_EQ(problem, GetMovieIndTrack(orphan, 1));

  EXPECT_EQ(GetMovieStatus(nullptr, nullptr), invalidMovie);
  QTMLTest_FailCall("GetMovieStatus", 1, -108);
  EXPECT_EQ(GetMovieStatus(movie, nullptr), -108);
}

// A video track of two solid 4 × 2 raw frames of 100 units: red, then blue.
Movie NewRedThenBlueMovie() {
  Movie movie = NewMovie(newMovieActive);
  Track track = NewMovieTrack(movie, 4 << 16, 2 << 16, 0);
  Media media = NewTrackMedia(track, VideoMediaType, 600, nullptr, 0);
  auto desc = reinterpret_cast<ImageDescriptionHandle>(NewHandleClear(sizeof(ImageDescription)));
  (**desc).idSize = sizeof(ImageDescription);
  (**desc).cType = 'raw ';
  (**desc).dataRefIndex = 1;
  (**desc).width = 4;
  (**desc).height = 2;
  (**desc).depth = 32;
  (**desc).hRes = (**desc).vRes = 72 << 16;
  (**desc).frameCount = 1;
  (**desc).clutID = -1;
  EXPECT_EQ(BeginMediaEdits(media), noErr);
  for (UInt32 colour : {0xFFFF0000u, 0xFF0000FFu}) {
    Handle data = NewHandle(32);
    for (int i = 0; i < 32; ++i) (*data)[i] = static_cast<char>(colour >> (24 - 8 * (i % 4)));
    EXPECT_EQ(AddMediaSample(media, data, 0, 32, 100,
                             reinterpret_cast<SampleDescriptionHandle>(desc), 1, 0, nullptr),
              noErr);
    DisposeHandle(data);
  }
  EXPECT_EQ(EndMediaEdits(media), noErr);
  DisposeHandle(reinterpret_cast<Handle>(desc));
  EXPECT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), 0x10000), noErr);
  return movie;
}

// The colour a picture draws at (x, y) of a world of its frame's size.
UInt32 PictureColourAt(PicHandle picture, int x, int y) {
  Rect frame;
  QDGetPictureBounds(picture, &frame);
  GWorldPtr world = nullptr;
  EXPECT_EQ(NewGWorld(&world, 32, &frame, nullptr, nullptr, 0), noErr);
  CGrafPtr port = nullptr;
  GDHandle device = nullptr;
  GetGWorld(&port, &device);
  SetGWorld(world, nullptr);
  DrawPicture(picture, &frame);
  SetGWorld(port, device);
  PixMapHandle pm = GetGWorldPixMap(world);
  auto* p = reinterpret_cast<const uint8_t*>(GetPixBaseAddr(pm)) + y * GetPixRowBytes(pm) + x * 4;
  UInt32 colour = UInt32{p[0]} << 24 | UInt32{p[1]} << 16 | UInt32{p[2]} << 8 | p[3];
  DisposeGWorld(world);
  return colour;
}

TEST_F(MovieExport, ThePosterPictureIsTheFrameAtThePosterTimeTheSizeOfTheBox) {
  Movie movie = Keep(NewRedThenBlueMovie());
  Rect box{0, 0, 4, 8};
  SetMovieBox(movie, &box);
  SetMoviePosterTime(movie, 150);
  SetMovieTimeValue(movie, 50);
  PicHandle poster = GetMoviePosterPict(movie);
  ASSERT_NE(poster, nullptr);
  Rect frame;
  QDGetPictureBounds(poster, &frame);
  EXPECT_TRUE(MacEqualRect(&frame, &box));
  EXPECT_EQ(PictureColourAt(poster, 7, 3), 0xFF0000FFu);
  KillPicture(poster);
  EXPECT_EQ(GetMovieTime(movie, nullptr), 50);  // the movie keeps its time
  SetMoviePosterTime(movie, 0);
  poster = GetMoviePosterPict(movie);
  ASSERT_NE(poster, nullptr);
  EXPECT_EQ(PictureColourAt(poster, 0, 0), 0xFFFF0000u);
  KillPicture(poster);
  // Any time's picture, the same way.
  PicHandle later = GetMoviePict(movie, 150);
  ASSERT_NE(later, nullptr);
  EXPECT_EQ(PictureColourAt(later, 7, 3), 0xFF0000FFu);
  KillPicture(later);

  // A movie with nothing to show has no poster.
  Movie sound = Keep(NewMovie(newMovieActive));
  AddTrack(sound, SoundMediaType, 'twos', 1);
  EXPECT_EQ(GetMoviePosterPict(sound), nullptr);
  EXPECT_EQ(GetMoviesError(), noErr);
  EXPECT_EQ(GetMoviePosterPict(nullptr), nullptr);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  // A frame that cannot be drawn answers the drawing's error.
  Movie undecodable = Keep(NewMovie(newMovieActive));
  AddTrack(undecodable, VideoMediaType, 'zzzz', 1);
  EXPECT_EQ(GetMoviePosterPict(undecodable), nullptr);
  EXPECT_NE(GetMoviesError(), noErr);
}

TEST_F(MovieExport, ControllersEditOnlyWhenEnabledAndActOnTheSelection) {
  Movie movie = NewMovieWithTracks(5);
  Rect bounds{0, 0, 8, 16};
  MovieController mc = NewMovieController(movie, &bounds, 0);
  ASSERT_NE(mc, nullptr);
  EXPECT_EQ(MCIsEditingEnabled(mc), 0);
  ASSERT_EQ(MCEnableEditing(mc, true), noErr);
  EXPECT_EQ(MCIsEditingEnabled(mc), 1);

  SetMovieSelection(movie, 100, 200);
  TimeRecord record{};
  EXPECT_EQ(MCDoAction(mc, mcActionGetSelectionBegin, &record), 1);
  EXPECT_EQ(record.value, 100);
  EXPECT_EQ(record.scale, GetMovieTimeScale(movie));
  EXPECT_EQ(MCDoAction(mc, mcActionGetSelectionDuration, &record), 1);
  EXPECT_EQ(record.value, 200);
  // Times in another scale are converted to the movie's.
  record = TimeRecord{1, 6, nullptr};
  EXPECT_EQ(MCDoAction(mc, mcActionSetSelectionBegin, &record), 1);
  record = TimeRecord{300, 0, nullptr};
  EXPECT_EQ(MCDoAction(mc, mcActionSetSelectionDuration, &record), 1);
  TimeValue start = 0, duration = 0;
  GetMovieSelection(movie, &start, &duration);
  EXPECT_EQ(start, 100);
  EXPECT_EQ(duration, 300);

  EXPECT_EQ(MCDoAction(mc, mcActionGetSelectionBegin, nullptr), paramErr);
  EXPECT_EQ(MCDoAction(mc, 9999, nullptr), 0);  // not an action it takes
  EXPECT_EQ(CallComponentCanDo(mc, kMCDoActionSelect), 1);
  QTMLTest_FailCall("MCDoAction", 1, -50);
  EXPECT_EQ(MCDoAction(mc, mcActionGetSelectionBegin, &record), -50);
  DisposeMovieController(mc);
  EXPECT_EQ(MCIsEditingEnabled(mc), 0);
  EXPECT_EQ(MCDoAction(mc, mcActionGetSelectionBegin, &record), badComponentInstance);
}

}  // namespace
