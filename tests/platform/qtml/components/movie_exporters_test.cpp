// Movie exporters: every format written from a movie with video and sound
// and read back by ffprobe, their settings as atom containers and what
// each changes in the file, the settings dialog, progress, parts of
// movies and single tracks, ConvertMovieToFile through them, failures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Movies.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "QuickTimeComponents.h"
#include "Sound.h"
#include "export_tools.h"
#include "on_terminal.h"
#include "scratch_dir_test.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 64;
constexpr int kHeight = 48;

class MovieExporters : public ScratchDirTest {
 protected:
  MovieExporters() : ScratchDirTest("qtml-movie-exporters-") {}
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ScratchDirTest::SetUp();
    QTMLTest_ClearDialogAnswers();
  }
  void TearDown() override {
    QTMLTest_ClearDialogAnswers();
    for (ComponentInstance ci : open_) CloseComponent(ci);
    for (Movie m : movies_) DisposeMovie(m);
    ScratchDirTest::TearDown();
  }

  ComponentInstance Open(OSType format) {
    ComponentInstance ci = nullptr;
    EXPECT_EQ(OpenADefaultComponent(MovieExportType, format, &ci), noErr);
    if (ci != nullptr) open_.push_back(ci);
    return ci;
  }
  FSSpec Spec(const std::string& name) {
    FSSpec spec;
    std::string path = Path(name);
    NativePathNameToFSSpec(path.data(), &spec, 0);
    return spec;
  }

  // One second: ten 64 × 48 frames whose colour steps from red to blue,
  // and a 440 Hz stereo tone at 22050 Hz.
  Movie NewMovieWithVideoAndSound(bool video = true, bool sound = true) {
    Movie movie = NewMovie(newMovieActive);
    movies_.push_back(movie);
    if (video) AddVideo(movie);
    if (sound) AddSound(movie);
    return movie;
  }
  static void AddVideo(Movie movie) {
    Track track = NewMovieTrack(movie, kWidth << 16, kHeight << 16, 0);
    Media media = NewTrackMedia(track, VideoMediaType, 600, nullptr, 0);
    auto desc = reinterpret_cast<ImageDescriptionHandle>(NewHandleClear(sizeof(ImageDescription)));
    (**desc).idSize = sizeof(ImageDescription);
    (**desc).cType = 'raw ';
    (**desc).dataRefIndex = 1;
    (**desc).width = kWidth;
    (**desc).height = kHeight;
    (**desc).depth = 32;
    (**desc).hRes = (**desc).vRes = 72 << 16;
    (**desc).frameCount = 1;
    (**desc).clutID = -1;
    ASSERT_EQ(BeginMediaEdits(media), noErr);
    for (int i = 0; i < 10; ++i) {
      Size size = kWidth * kHeight * 4;
      Handle data = NewHandle(size);
      for (Size p = 0; p < size; p += 4) {
        (*data)[p] = static_cast<char>(0xFF);
        (*data)[p + 1] = static_cast<char>(255 - i * 25);
        (*data)[p + 2] = 0;
        (*data)[p + 3] = static_cast<char>(i * 25);
      }
      ASSERT_EQ(AddMediaSample(media, data, 0, size, 60,
                               reinterpret_cast<SampleDescriptionHandle>(desc), 1, 0, nullptr),
                noErr);
      DisposeHandle(data);
    }
    ASSERT_EQ(EndMediaEdits(media), noErr);
    DisposeHandle(reinterpret_cast<Handle>(desc));
    ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), 0x10000), noErr);
  }
  static void AddSound(Movie movie) {
    constexpr int kRate = 22050;
    Track track = NewMovieTrack(movie, 0, 0, kFullVolume);
    Media media = NewTrackMedia(track, SoundMediaType, kRate, nullptr, 0);
    Handle h = NewHandleClear(sizeof(SoundDescription));
    auto desc = reinterpret_cast<SoundDescriptionHandle>(h);
    (**desc).descSize = sizeof(SoundDescription);
    (**desc).dataFormat = 'twos';
    (**desc).dataRefIndex = 1;
    (**desc).numChannels = 2;
    (**desc).sampleSize = 16;
    (**desc).sampleRate = static_cast<UnsignedFixed>(kRate) << 16;
    Handle data = NewHandle(kRate * 4);
    for (int i = 0; i < kRate; ++i) {
      auto s = static_cast<int16_t>(std::sin(i * 2 * M_PI * 440 / kRate) * 16000);
      for (int c = 0; c < 2; ++c) {
        (*data)[i * 4 + c * 2] = static_cast<char>(static_cast<uint16_t>(s) >> 8);
        (*data)[i * 4 + c * 2 + 1] = static_cast<char>(s);
      }
    }
    ASSERT_EQ(BeginMediaEdits(media), noErr);
    ASSERT_EQ(AddMediaSample(media, data, 0, kRate * 4, 1,
                             reinterpret_cast<SampleDescriptionHandle>(desc), kRate, 0, nullptr),
              noErr);
    ASSERT_EQ(EndMediaEdits(media), noErr);
    ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), 0x10000), noErr);
    DisposeHandle(data);
    DisposeHandle(h);
  }

  ComponentResult Export(ComponentInstance ci, Movie movie, const std::string& name,
                         Track only = nullptr, TimeValue start = 0, TimeValue duration = -1) {
    FSSpec spec = Spec(name);
    if (duration < 0) duration = GetMovieDuration(movie);
    return MovieExportToFile(ci, &spec, movie, only, start, duration);
  }

  static double Seconds(const std::string& text) { return text.empty() ? -1 : std::stod(text); }

  std::vector<ComponentInstance> open_;
  std::vector<Movie> movies_;
};

// The PSNR of a video file's frames against another's, averaged over the
// planes, as ffmpeg measures it; -1 when it cannot.
double Psnr(const std::string& a, const std::string& b) {
  std::string line = RunTool("ffmpeg -nostats -i '" + a + "' -i '" + b +
                             "' -lavfi '[0][1]psnr' -f null - 2>&1 | grep -o 'average:[0-9.inf]*'");
  if (line.size() <= 8) return -1;
  return line.substr(8) == "inf" ? 1000 : std::stod(line.substr(8));
}

// A movie whose frames a codec gives as Y'CbCr and which shows them as
// they are goes to the encoder without being drawn: its frames must come
// out as ffmpeg itself converts them, at the quality asked for. A movie
// shown otherwise (here, scaled) is still drawn.
TEST_F(MovieExporters, FramesShownAsTheyAreGoStraightFromTheDecoderAtTheQualityAsked) {
  if (!HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
  std::string source = Path("source.mov");
  ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i testsrc2=size=64x48:rate=10 -frames:v 10 "
                         "-c:v mjpeg -pix_fmt yuvj422p -q:v 2 '" +
                         source + "'")
                            .c_str()),
            0);
  short ref = 0;
  FSSpec spec = Spec("source.mov");
  ASSERT_EQ(OpenMovieFile(&spec, &ref, fsRdPerm), noErr);
  Movie movie = nullptr;
  ASSERT_EQ(NewMovieFromFile(&movie, ref, nullptr, nullptr, newMovieActive, nullptr), noErr);
  CloseMovieFile(ref);
  movies_.push_back(movie);

  auto exportAt = [&](CodecQ quality, const std::string& name) {
    ComponentInstance ci = Open('VfW ');
    QTAtomContainer settings = nullptr;
    ASSERT_EQ(MovieExportGetSettingsAsAtomContainer(ci, &settings), noErr);
    QTAtom vide = QTFindChildByIndex(settings, 0, 'vide', 1, nullptr);
    QTAtom spatial = QTFindChildByIndex(settings, vide, 'sptl', 1, nullptr);
    ASSERT_NE(spatial, 0);
    uint8_t sptl[14] = {'j', 'p', 'e', 'g', 0, 0, 0, 0, 0, 24};
    for (int k = 0; k < 4; ++k) sptl[10 + k] = static_cast<uint8_t>(quality >> (24 - 8 * k));
    QTSetAtomData(settings, spatial, 14, sptl);
    ASSERT_EQ(MovieExportSetSettingsFromAtomContainer(ci, settings), noErr);
    QTDisposeAtomContainer(settings);
    ASSERT_EQ(Export(ci, movie, name), noErr);
  };
  exportAt(codecMaxQuality, "best.avi");
  exportAt(codecLowQuality, "low.avi");
  std::string best = Path("best.avi"), low = Path("low.avi");
  std::string theirs = Path("ffmpeg.avi");
  ASSERT_EQ(std::system(("ffmpeg -v error -i '" + source +
                         "' -c:v mjpeg -q:v 2 -pix_fmt yuvj420p '" + theirs + "'")
                            .c_str()),
            0);
  EXPECT_GT(Psnr(best, theirs), 50);
  EXPECT_GT(Psnr(best, source), 35);
  EXPECT_LT(fs::file_size(low), fs::file_size(best) * 2 / 3);
  EXPECT_LT(Psnr(low, source), Psnr(best, source));

  // Shown at half size, the frames are drawn and scaled first.
  Rect half{0, 0, kHeight / 2, kWidth / 2};
  SetMovieBox(movie, &half);
  ASSERT_EQ(Export(Open('VfW '), movie, "half.avi"), noErr);
  EXPECT_EQ(Probe(Path("half.avi"), "stream=codec_name,width,height", "v:0"), "mjpeg\n32\n24");
  std::string scaled = Path("scaled.avi");
  ASSERT_EQ(std::system(("ffmpeg -v error -i '" + source +
                         "' -vf scale=32:24 -c:v mjpeg -q:v 2 -pix_fmt yuvj420p '" + scaled + "'")
                            .c_str()),
            0);
  EXPECT_GT(Psnr(Path("half.avi"), scaled), 25);
}

TEST_F(MovieExporters, EachFormatSaysWhatItWrites) {
  struct Kind {
    OSType format, extension, media;
    const char* name;
  };
  for (Kind k :
       {Kind{'MooV', 'mov ', 0, "QuickTime Movie"}, Kind{'VfW ', 'avi ', 0, "AVI"},
        Kind{'mpg4', 'mp4 ', 0, "MPEG-4"}, Kind{'AIFF', 'aif ', 'soun', "AIFF"},
        Kind{'AIFC', 'aifc', 'soun', "AIFF-C"}, Kind{'WAVE', 'wav ', 'soun', "WAVE"},
        Kind{'ULAW', 'au  ', 'soun', "u-Law"}, Kind{'grex', 'png ', 'vide', "Image Sequence"}}) {
    SCOPED_TRACE(k.name);
    ComponentInstance ci = Open(k.format);
    OSType extension = 0, media = 1, creator = 0;
    Str255 name{};
    EXPECT_EQ(MovieExportGetFileNameExtension(ci, &extension), noErr);
    EXPECT_EQ(extension, k.extension);
    EXPECT_EQ(MovieExportGetSourceMediaType(ci, &media), noErr);
    EXPECT_EQ(media, k.media);
    EXPECT_EQ(MovieExportGetShortFileTypeString(ci, name), noErr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), k.name);
    EXPECT_EQ(MovieExportGetCreatorType(ci, &creator), noErr);
    EXPECT_EQ(creator, OSType{'TVOD'});
    ComponentDescription d;
    GetComponentInfo(reinterpret_cast<Component>(ci), &d, nullptr, nullptr, nullptr);
    EXPECT_NE(d.componentFlags & hasMovieExportUserInterface, 0u);
  }

  // Settings hold what each format writes.
  QTAtomContainer settings = nullptr;
  ASSERT_EQ(MovieExportGetSettingsAsAtomContainer(Open('mpg4'), &settings), noErr);
  EXPECT_NE(QTFindChildByIndex(settings, 0, 'vide', 1, nullptr), 0);
  EXPECT_NE(QTFindChildByIndex(settings, 0, 'soun', 1, nullptr), 0);
  EXPECT_NE(QTFindChildByIndex(settings, 0, 'fast', 1, nullptr), 0);
  QTDisposeAtomContainer(settings);
  ASSERT_EQ(MovieExportGetSettingsAsAtomContainer(Open('WAVE'), &settings), noErr);
  EXPECT_EQ(QTFindChildByIndex(settings, 0, 'vide', 1, nullptr), 0);
  EXPECT_NE(QTFindChildByIndex(settings, 0, 'soun', 1, nullptr), 0);
  QTDisposeAtomContainer(settings);
}

TEST_F(MovieExporters, EveryFormatWritesAFileFfprobeReadsWithItsStreams) {
  if (!HaveTool("ffprobe")) GTEST_SKIP() << "ffprobe is not installed";
  Movie movie = NewMovieWithVideoAndSound();
  struct Case {
    OSType format;
    const char* name;
    const char* container;
    const char* video;  // nullptr: no video stream
    const char* sound;
  };
  for (Case c : {Case{'MooV', "m.mov", "mov,mp4,m4a,3gp,3g2,mj2", "rawvideo", "pcm_s16be"},
                 Case{'VfW ', "m.avi", "avi", "mjpeg", "pcm_s16le"},
                 Case{'mpg4', "m.mp4", "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac"},
                 Case{'AIFF', "m.aif", "aiff", nullptr, "pcm_s16be"},
                 Case{'AIFC', "m.aifc", "aiff", nullptr, "pcm_s16le"},
                 Case{'WAVE', "m.wav", "wav", nullptr, "pcm_s16le"},
                 Case{'ULAW', "m.au", "au", nullptr, "pcm_mulaw"}}) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Export(Open(c.format), movie, c.name), noErr);
    std::string path = Path(c.name);
    EXPECT_EQ(Probe(path, "format=format_name"), c.container);
    EXPECT_NEAR(Seconds(Probe(path, "format=duration")), 1.0, 0.06);
    if (c.video != nullptr) {
      EXPECT_EQ(Probe(path, "stream=codec_name,width,height", "v:0"),
                std::string(c.video) + "\n64\n48");
      EXPECT_NEAR(Seconds(Probe(path, "stream=nb_read_frames -count_frames", "v:0")), 10, 0.5);
    } else {
      EXPECT_EQ(Probe(path, "stream=codec_type", "v"), "");
    }
    EXPECT_EQ(Probe(path, "stream=codec_name,sample_rate,channels", "a:0"),
              std::string(c.sound) + "\n22050\n2");
  }
  // A QuickTime movie re-encoded still opens in the engine.
  short ref = 0;
  FSSpec spec = Spec("m.mov");
  ASSERT_EQ(OpenMovieFile(&spec, &ref, fsRdPerm), noErr);
  Movie back = nullptr;
  ASSERT_EQ(NewMovieFromFile(&back, ref, nullptr, nullptr, newMovieActive, nullptr), noErr);
  CloseMovieFile(ref);
  EXPECT_EQ(GetMovieTrackCount(back), 2);
  DisposeMovie(back);
}

TEST_F(MovieExporters, AnImageSequenceWritesAFileAFrame) {
  Movie movie = NewMovieWithVideoAndSound(true, false);
  ComponentInstance ci = Open('grex');
  ASSERT_EQ(Export(ci, movie, "frames.png"), noErr);
  for (int i = 1; i <= 10; ++i) {
    std::string name = Path("frames 00" + std::to_string(i).substr(0, 2) + ".png");
    if (i == 10) name = Path("frames 010.png");
    ASSERT_TRUE(fs::exists(name)) << name;
  }
  EXPECT_FALSE(fs::exists(Path("frames 011.png")));
  if (HaveTool("identify")) {
    EXPECT_EQ(Identify(Path("frames 001.png"), "%m %wx%h %[fx:int(255*p{1,1}.r)]"),
              "PNG 64x48 255");
    EXPECT_EQ(Identify(Path("frames 010.png"), "%[fx:int(255*p{1,1}.b)]"), "225");
  }
  // The settings choose the graphics exporter.
  QTAtomContainer settings = nullptr;
  ASSERT_EQ(MovieExportGetSettingsAsAtomContainer(ci, &settings), noErr);
  QTAtom vide = QTFindChildByIndex(settings, 0, 'vide', 1, nullptr);
  QTAtom spatial = QTFindChildByIndex(settings, vide, 'sptl', 1, nullptr);
  uint8_t bytes[14] = {'J', 'P', 'E', 'G', 0, 0, 0, 0, 0, 24, 0, 0, 2, 0};
  ASSERT_EQ(QTSetAtomData(settings, spatial, 14, bytes), noErr);
  ASSERT_EQ(MovieExportSetSettingsFromAtomContainer(ci, settings), noErr);
  QTDisposeAtomContainer(settings);
  OSType extension = 0;
  MovieExportGetFileNameExtension(ci, &extension);
  EXPECT_EQ(extension, OSType{'jpg '});
  ASSERT_EQ(Export(ci, movie, "still", nullptr, 0, 60), noErr);
  EXPECT_TRUE(fs::exists(Path("still 001.jpg")));
  EXPECT_FALSE(fs::exists(Path("still 002.jpg")));
}

TEST_F(MovieExporters, SettingsChangeSizeRateCodecAndSoundAndBadOnesAreRefused) {
  ComponentInstance ci = Open('mpg4');
  QTAtomContainer settings = nullptr;
  ASSERT_EQ(MovieExportGetSettingsAsAtomContainer(ci, &settings), noErr);
  QTAtom vide = QTFindChildByIndex(settings, 0, 'vide', 1, nullptr);
  QTAtom size = QTFindChildByIndex(settings, vide, 'isiz', 1, nullptr);
  uint8_t w[4] = {0, 32, 0, 0}, h[4] = {0, 24, 0, 0};
  QTSetAtomData(settings, QTFindChildByIndex(settings, size, 'iwdt', 1, nullptr), 4, w);
  QTSetAtomData(settings, QTFindChildByIndex(settings, size, 'ihgt', 1, nullptr), 4, h);
  QTAtom temporal = QTFindChildByIndex(settings, vide, 'tprl', 1, nullptr);
  uint8_t tprl[12] = {0, 0, 2, 0, 0, 5, 0, 0, 0, 0, 0, 0};  // 5 frames a second
  QTSetAtomData(settings, temporal, 12, tprl);
  QTAtom spatial = QTFindChildByIndex(settings, vide, 'sptl', 1, nullptr);
  uint8_t sptl[14] = {'m', 'p', '4', 'v', 0, 0, 0, 0, 0, 24, 0, 0, 2, 0};
  QTSetAtomData(settings, spatial, 14, sptl);
  QTAtom soun = QTFindChildByIndex(settings, 0, 'soun', 1, nullptr);
  uint8_t rate[4] = {0x1F, 0x40, 0, 0}, channels[2] = {0, 1};  // 8000 Hz, mono
  QTSetAtomData(settings, QTFindChildByIndex(settings, soun, 'ssrt', 1, nullptr), 4, rate);
  QTSetAtomData(settings, QTFindChildByIndex(settings, soun, 'sscc', 1, nullptr), 2, channels);
  QTRemoveAtom(settings, QTFindChildByIndex(settings, 0, 'fast', 1, nullptr));
  ASSERT_EQ(MovieExportSetSettingsFromAtomContainer(ci, settings), noErr);

  // What was set reads back; another exporter takes it too.
  QTAtomContainer back = nullptr;
  ASSERT_EQ(MovieExportGetSettingsAsAtomContainer(ci, &back), noErr);
  EXPECT_EQ(GetHandleSize(back), GetHandleSize(settings));
  EXPECT_EQ(std::memcmp(*back, *settings, static_cast<size_t>(GetHandleSize(back))), 0);
  QTDisposeAtomContainer(back);

  // A codec AVI cannot hold is refused, and changes nothing.
  ComponentInstance avi = Open('VfW ');
  QTAtomContainer before = nullptr;
  ASSERT_EQ(MovieExportGetSettingsAsAtomContainer(avi, &before), noErr);
  EXPECT_EQ(MovieExportSetSettingsFromAtomContainer(avi, settings), paramErr);
  ASSERT_EQ(MovieExportGetSettingsAsAtomContainer(avi, &back), noErr);
  EXPECT_EQ(std::memcmp(*back, *before, static_cast<size_t>(GetHandleSize(back))), 0);
  QTDisposeAtomContainer(back);
  QTDisposeAtomContainer(before);
  QTDisposeAtomContainer(settings);

  if (!HaveTool("ffprobe")) GTEST_SKIP() << "ffprobe is not installed";
  Movie movie = NewMovieWithVideoAndSound();
  ASSERT_EQ(Export(ci, movie, "small.mp4"), noErr);
  std::string path = Path("small.mp4");
  EXPECT_EQ(Probe(path, "stream=codec_name,width,height", "v:0"), "mpeg4\n32\n24");
  EXPECT_EQ(Probe(path, "stream=nb_frames", "v:0"), "5");
  EXPECT_EQ(Probe(path, "stream=sample_rate,channels", "a:0"), "8000\n1");
  // Without 'fast' the movie atom follows the media data; with it, leads.
  std::ifstream in(path, std::ios::binary);
  std::string head(64, '\0');
  in.read(head.data(), 64);
  EXPECT_LT(head.find("mdat"), std::string::npos);
  Movie other = NewMovieWithVideoAndSound();
  ASSERT_EQ(Export(Open('mpg4'), other, "fast.mp4"), noErr);
  std::ifstream fast(Path("fast.mp4"), std::ios::binary);
  fast.read(head.data(), 64);
  EXPECT_NE(head.find("moov"), std::string::npos);
}

TEST_F(MovieExporters, TheDialogTakesTheScriptedAnswer) {
  ComponentInstance ci = Open('WAVE');
  Boolean cancelled = true;
  QTMLTest_QueueDialogAnswer("rate=11025,channels=1,format=ulaw");
  ASSERT_EQ(MovieExportDoUserDialog(ci, nullptr, nullptr, 0, 0, &cancelled), noErr);
  EXPECT_FALSE(cancelled);
  QTMLTest_QueueDialogAnswer(nullptr);
  ASSERT_EQ(MovieExportDoUserDialog(ci, nullptr, nullptr, 0, 0, &cancelled), noErr);
  EXPECT_TRUE(cancelled);
  QTMLTest_QueueDialogAnswer("format=mp4a");  // WAVE holds no AAC here
  EXPECT_EQ(MovieExportDoUserDialog(ci, nullptr, nullptr, 0, 0, &cancelled), paramErr);
  EXPECT_EQ(MovieExportDoUserDialog(ci, nullptr, nullptr, 0, 0, nullptr), paramErr);

  if (!HaveTool("ffprobe")) GTEST_SKIP() << "ffprobe is not installed";
  ASSERT_EQ(Export(ci, NewMovieWithVideoAndSound(), "dialog.wav"), noErr);
  EXPECT_EQ(Probe(Path("dialog.wav"), "stream=codec_name,sample_rate,channels", "a:0"),
            "pcm_mulaw\n11025\n1");
}

// Movie progress calls, as "message:percent".
std::vector<std::string> gCalls;
OSErr gStopAt = 0;
OSErr RecordProgress(Movie, short message, short operation, Fixed percent, long refcon) {
  EXPECT_EQ(operation, progressOpExportMovie);
  EXPECT_EQ(refcon, 5);
  gCalls.push_back(std::to_string(message) + ":" + std::to_string((percent * 100 + 0x8000) >> 16));
  if (gStopAt != 0 && message == movieProgressUpdatePercent && percent >= 0x8000) return gStopAt;
  return noErr;
}

TEST_F(MovieExporters, ProgressIsReportedAndAnAbortLeavesNoFile) {
  Movie movie = NewMovieWithVideoAndSound();
  ComponentInstance ci = Open('VfW ');
  ASSERT_EQ(MovieExportSetProgressProc(ci, RecordProgress, 5), noErr);
  gCalls.clear();
  gStopAt = 0;
  ASSERT_EQ(Export(ci, movie, "p.avi"), noErr);
  ASSERT_GE(gCalls.size(), 3u);
  EXPECT_EQ(gCalls.front(), "0:0");
  EXPECT_EQ(gCalls.back(), "2:100");
  EXPECT_EQ(gCalls[gCalls.size() - 2], "1:100");

  gCalls.clear();
  gStopAt = -128;
  EXPECT_EQ(Export(ci, movie, "stopped.avi"), -128);
  EXPECT_EQ(gCalls.back().substr(0, 2), "2:");  // closed all the same
  for (const auto& entry : fs::directory_iterator(dir_)) {
    EXPECT_EQ(entry.path().filename(), "p.avi");
  }
  // Without one of its own, the exporter tells the movie's procedure.
  gStopAt = 0;
  gCalls.clear();
  ASSERT_EQ(MovieExportSetProgressProc(ci, nullptr, 0), noErr);
  SetMovieProgressProc(movie, RecordProgress, 5);
  ASSERT_EQ(Export(Open('WAVE'), movie, "p.wav"), noErr);
  EXPECT_EQ(gCalls.back(), "2:100");
  SetMovieProgressProc(movie, nullptr, 0);
}

TEST_F(MovieExporters, TheDefaultProgressDisplayIsABarOnlyOnATerminal) {
  Movie movie = NewMovieWithVideoAndSound();
  SetMovieProgressProc(movie, reinterpret_cast<MovieProgressUPP>(-1), 0);
  ComponentInstance avi = Open('VfW ');
  std::string shown = OnTerminal([&] { EXPECT_EQ(Export(avi, movie, "tty.avi"), noErr); });
  if (!shown.empty()) {
    EXPECT_NE(shown.find("\rExporting [" + std::string(30, '.') + "]   0%"), std::string::npos);
    EXPECT_NE(shown.find("[" + std::string(30, '#') + "] 100%"), std::string::npos);
    EXPECT_EQ(shown.back(), '\n');
  }
  testing::internal::CaptureStderr();
  EXPECT_EQ(Export(avi, movie, "quiet.avi"), noErr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(MovieExporters, PartsAndSingleTracksAreExportedAndTheMovieIsLeftAsItWas) {
  Movie movie = NewMovieWithVideoAndSound();
  Track video = GetMovieIndTrack(movie, 1);
  Track sound = GetMovieIndTrack(movie, 2);
  ComponentInstance wave = Open('WAVE');
  EXPECT_EQ(Export(wave, movie, "none.wav", video), noSoundTrackInMovieErr);
  EXPECT_EQ(Export(Open('grex'), movie, "none.png", sound), noVideoTrackInMovieErr);
  EXPECT_TRUE(GetTrackEnabled(sound));
  EXPECT_TRUE(GetTrackEnabled(video));
  Boolean valid = true;
  ASSERT_EQ(MovieExportValidate(wave, movie, video, &valid), noErr);
  EXPECT_FALSE(valid);
  ASSERT_EQ(MovieExportValidate(wave, movie, nullptr, &valid), noErr);
  EXPECT_TRUE(valid);

  EXPECT_EQ(Export(wave, movie, "far.wav", nullptr, 500, 200), paramErr);
  EXPECT_EQ(Export(wave, movie, "empty.wav", nullptr, 0, 0), invalidDuration);
  EXPECT_EQ(Export(wave, nullptr, "nil.wav"), invalidMovie);
  Movie other = NewMovieWithVideoAndSound();
  EXPECT_EQ(Export(wave, movie, "foreign.wav", GetMovieIndTrack(other, 1)), invalidTrack);

  ComponentInstance mov = Open('MooV');
  ASSERT_EQ(Export(mov, movie, "half.mov", nullptr, 150, 300), noErr);
  short ref = 0;
  FSSpec spec = Spec("half.mov");
  ASSERT_EQ(OpenMovieFile(&spec, &ref, fsRdPerm), noErr);
  Movie half = nullptr;
  ASSERT_EQ(NewMovieFromFile(&half, ref, nullptr, nullptr, newMovieActive, nullptr), noErr);
  CloseMovieFile(ref);
  EXPECT_EQ(GetMovieDuration(half), 300);
  EXPECT_EQ(GetMovieTrackCount(half), 2);
  DisposeMovie(half);
  EXPECT_EQ(GetMovieDuration(movie), 600);

  if (!HaveTool("ffprobe")) GTEST_SKIP() << "ffprobe is not installed";
  ASSERT_EQ(Export(wave, movie, "half.wav", nullptr, 300, 300), noErr);
  EXPECT_NEAR(Seconds(Probe(Path("half.wav"), "format=duration")), 0.5, 0.01);
  ASSERT_EQ(Export(Open('mpg4'), movie, "video.mp4", video), noErr);
  EXPECT_EQ(Probe(Path("video.mp4"), "stream=codec_type"), "video");
}

TEST_F(MovieExporters, ConvertMovieToFileWritesThroughAnExporterAndItsSettings) {
  Movie movie = NewMovieWithVideoAndSound();
  FSSpec spec = Spec("c.wav");
  ASSERT_EQ(ConvertMovieToFile(movie, nullptr, &spec, 'WAVE', 'TVOD', 0, nullptr, 0, nullptr),
            noErr);
  EXPECT_EQ(ConvertMovieToFile(movie, nullptr, &spec, 'WAVE', 'TVOD', 0, nullptr, 0, nullptr),
            dupFNErr);
  ComponentInstance aiff = Open('AIFC');
  QTMLTest_QueueDialogAnswer("format=ulaw");
  Boolean cancelled = true;
  ASSERT_EQ(MovieExportDoUserDialog(aiff, movie, nullptr, 0, 0, &cancelled), noErr);
  FSSpec aifc = Spec("c.aifc");
  ASSERT_EQ(ConvertMovieToFile(movie, nullptr, &aifc, 0, 'TVOD', 0, nullptr,
                               createMovieFileDeleteCurFile, aiff),
            noErr);
  QTMLTest_QueueDialogAnswer("mpg4");
  FSSpec mp4 = Spec("c.mp4");
  ASSERT_EQ(ConvertMovieToFile(movie, nullptr, &mp4, 0, 'TVOD', 0, nullptr,
                               showUserSettingsDialog | movieToFileOnlyExport, nullptr),
            noErr);
  EXPECT_GT(fs::file_size(Path("c.mp4")), 1000u);
  if (!HaveTool("ffprobe")) GTEST_SKIP() << "ffprobe is not installed";
  EXPECT_EQ(Probe(Path("c.wav"), "stream=codec_name", "a:0"), "pcm_s16le");
  EXPECT_EQ(Probe(Path("c.aifc"), "stream=codec_name", "a:0"), "pcm_mulaw");
  EXPECT_EQ(Probe(Path("c.mp4"), "stream=codec_name", "v:0"), "h264");
}

TEST_F(MovieExporters, HandlesAndFailures) {
  Movie movie = NewMovieWithVideoAndSound();
  ComponentInstance wave = Open('WAVE');
  Handle h = NewHandle(0);
  ASSERT_EQ(MovieExportToHandle(wave, h, movie, nullptr, 0, 600), noErr);
  EXPECT_EQ(std::string(*h, 4), "RIFF");
  EXPECT_GT(GetHandleSize(h), 22050 * 4);
  DisposeHandle(h);

  QTMLTest_FailIO(Path("").c_str(), "rename", 1, dskFulErr);
  ComponentInstance avi = Open('VfW ');
  EXPECT_EQ(Export(avi, movie, "full.avi"), dskFulErr);
  QTMLTest_ClearFaults();
  QTMLTest_FailCall("MovieExportToFile", 1, -108);
  EXPECT_EQ(Export(avi, movie, "fault.avi"), -108);
  for (const auto& entry : fs::directory_iterator(dir_)) ADD_FAILURE() << entry.path();

  ComponentInstance clock = OpenDefaultComponent('clok', 0);
  EXPECT_EQ(Export(clock, movie, "clock.avi"), badComponentSelector);
  CloseComponent(clock);
  ComponentInstance closed = nullptr;
  ASSERT_EQ(OpenADefaultComponent(MovieExportType, 'WAVE', &closed), noErr);
  CloseComponent(closed);
  EXPECT_EQ(Export(closed, movie, "closed.wav"), badComponentInstance);
  EXPECT_EQ(MovieExportGetSettingsAsAtomContainer(wave, nullptr), paramErr);
}

TEST_F(MovieExporters, EveryAllocationFailureAnswersAnErrorAndLeavesNothing) {
  Movie movie = NewMovieWithVideoAndSound();
  for (OSType format : {'WAVE', 'VfW ', 'MooV'}) {
    for (long n = 0;; ++n) {
      QTMLTest_FailAllocations(n);
      ComponentInstance ci = nullptr;
      OSErr err = OpenADefaultComponent(MovieExportType, format, &ci);
      QTAtomContainer settings = nullptr;
      if (err == noErr) {
        MovieExportGetSettingsAsAtomContainer(ci, &settings);
        err = static_cast<OSErr>(Export(ci, movie, "swept", nullptr, 0, 120));
      }
      long refused = QTMLTest_AllocationsRefused();
      QTMLTest_FailAllocations(-1);
      if (settings != nullptr) QTDisposeAtomContainer(settings);
      if (ci != nullptr) CloseComponent(ci);
      if (refused == 0) {
        EXPECT_EQ(err, noErr);
        break;
      }
      if (ci != nullptr && err == noErr) {
        EXPECT_TRUE(fs::exists(Path("swept")));
      }
      ASSERT_LT(n, 5000);
    }
    fs::remove(Path("swept"));
    for (const auto& entry : fs::directory_iterator(dir_)) ADD_FAILURE() << entry.path();
  }
}

}  // namespace
