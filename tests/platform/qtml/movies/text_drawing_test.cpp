// Text media as QuickTime stores it (a length, the text, then 'styl',
// 'hlit', 'hclr' and 'dlay' atoms) and as movies draw it: laid out in its
// box, highlighted, keyed, clipped; time code media shown while its
// display flag is on, at the frame the movie's time reaches.
#include <cstring>
#include <string>
#include <vector>

#include "Fonts.h"
#include "MacMemory.h"
#include "QDOffscreen.h"
#include "QuickTimeComponents.h"
#include "TextEdit.h"
#include "movie_test_support.h"
#include "movies/text_drawing.h"
#include "movies/time_code.h"

namespace {

using Argb = uint32_t;
constexpr Argb kWhite = 0xFFFFFFFFu, kBlack = 0xFF000000u, kRed = 0xFFFF0000u;
constexpr short kWidth = 160, kHeight = 40;

struct TextSample {
  const char* text = "Hello";
  long flags = 0;
  short justification = teFlushLeft;
  short hiliteStart = 0;
  short hiliteEnd = 0;
  const RGBColor* hiliteColor = nullptr;
  Rect box{0, 0, kHeight, kWidth};
  TimeValue scrollDelay = 0;
};

class TextDrawing : public movie_test::MovieTest {
 protected:
  void TearDown() override {
    MovieTest::TearDown();
    for (GWorldPtr world : worlds_) DisposeGWorld(world);
  }

  // A 32-bit world of the track's size, every pixel `fill`.
  GWorldPtr World(Argb fill) {
    GWorldPtr world = nullptr;
    Rect bounds{0, 0, kHeight, kWidth};
    EXPECT_EQ(NewGWorld(&world, 32, &bounds, nullptr, nullptr, 0), noErr);
    worlds_.push_back(world);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) Set(world, x, y, fill);
    }
    return world;
  }
  static uint8_t* PixelAt(GWorldPtr world, int x, int y) {
    PixMapHandle pm = GetGWorldPixMap(world);
    return reinterpret_cast<uint8_t*>(GetPixBaseAddr(pm)) + y * GetPixRowBytes(pm) + x * 4;
  }
  static void Set(GWorldPtr world, int x, int y, Argb c) {
    uint8_t* p = PixelAt(world, x, y);
    for (int b = 0; b < 4; ++b) p[b] = static_cast<uint8_t>(c >> (24 - 8 * b));
  }
  static Argb At(GWorldPtr world, int x, int y) {
    const uint8_t* p = PixelAt(world, x, y);
    return Argb{p[0]} << 24 | Argb{p[1]} << 16 | Argb{p[2]} << 8 | p[3];
  }
  static std::vector<Argb> Pixels(GWorldPtr world) {
    std::vector<Argb> all;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) all.push_back(At(world, x, y));
    }
    return all;
  }
  // The left and right columns (inclusive) holding pixels of `colour`;
  // {-1, -1} when none does.
  static std::pair<int, int> Columns(GWorldPtr world, Argb colour, int top = 0,
                                     int bottom = kHeight) {
    std::pair<int, int> span{-1, -1};
    for (int x = 0; x < kWidth; ++x) {
      for (int y = top; y < bottom; ++y) {
        if (At(world, x, y) != colour) continue;
        if (span.first < 0) span.first = x;
        span.second = x;
      }
    }
    return span;
  }

  // A movie with one 160 × 40 text track showing the sample for a second,
  // black 12-point Helvetica on white.
  Media TextMovie(const TextSample& sample, Movie* made) {
    Movie movie = *made = NewEmptyMovie();
    Track track = NewMovieTrack(movie, kWidth << 16, kHeight << 16, 0);
    Media media = NewTrackMedia(track, TextMediaType, 600, nullptr, 0);
    EXPECT_EQ(BeginMediaEdits(media), noErr);
    RGBColor black{0, 0, 0}, white{0xFFFF, 0xFFFF, 0xFFFF};
    Rect box = sample.box;
    EXPECT_EQ(TextMediaAddTextSample(GetMediaHandler(media), const_cast<char*>(sample.text),
                                     std::strlen(sample.text), kFontIDHelvetica, 12, 0, &black,
                                     &white, sample.justification, &box, sample.flags,
                                     sample.scrollDelay, sample.hiliteStart, sample.hiliteEnd,
                                     const_cast<RGBColor*>(sample.hiliteColor), 600, nullptr),
              noErr);
    EXPECT_EQ(EndMediaEdits(media), noErr);
    EXPECT_EQ(InsertMediaIntoTrack(track, 0, 0, 600, 0x10000), noErr);
    return media;
  }

  // The movie's frame at time 0 drawn over a world filled with `fill`.
  GWorldPtr Drawn(const TextSample& sample, Argb fill = kRed) {
    Movie movie = nullptr;
    TextMovie(sample, &movie);
    GWorldPtr world = World(fill);
    SetMovieGWorld(movie, world, nullptr);
    MoviesTask(movie, 0);
    EXPECT_EQ(GetMoviesError(), noErr);
    return world;
  }

  static std::vector<uint8_t> SampleBytes(Media media) {
    Handle data = NewHandle(0);
    long size = 0;
    EXPECT_EQ(GetMediaSample(media, data, 0, &size, 0, nullptr, nullptr, nullptr, nullptr, 1,
                             nullptr, nullptr),
              noErr);
    std::vector<uint8_t> bytes(*data, *data + size);
    DisposeHandle(data);
    return bytes;
  }

  std::vector<GWorldPtr> worlds_;
};

// The bytes of an atom of the type in a sample, header included; empty
// when it has none.
std::vector<uint8_t> Atom(const std::vector<uint8_t>& sample, const char* type) {
  size_t at = 2 + (size_t{sample[0]} << 8 | sample[1]);
  while (at + 8 <= sample.size()) {
    size_t size = size_t{sample[at]} << 24 | size_t{sample[at + 1]} << 16 |
                  size_t{sample[at + 2]} << 8 | sample[at + 3];
    if (size < 8 || at + size > sample.size()) break;
    if (std::memcmp(&sample[at + 4], type, 4) == 0) {
      return {sample.begin() + static_cast<long>(at),
              sample.begin() + static_cast<long>(at + size)};
    }
    at += size;
  }
  return {};
}

TEST_F(TextDrawing, SamplesCarryTheirHighlightAndScrollDelayAsAtoms) {
  const RGBColor cyan{0, 0xFFFF, 0xFFFF};
  TextSample sample;
  sample.hiliteEnd = 5;
  sample.hiliteColor = &cyan;
  sample.scrollDelay = 30;
  Movie movie = nullptr;
  std::vector<uint8_t> bytes = SampleBytes(TextMovie(sample, &movie));
  EXPECT_EQ(Atom(bytes, "hlit"),
            (std::vector<uint8_t>{0, 0, 0, 16, 'h', 'l', 'i', 't', 0, 0, 0, 0, 0, 0, 0, 5}));
  EXPECT_EQ(Atom(bytes, "hclr"),
            (std::vector<uint8_t>{0, 0, 0, 14, 'h', 'c', 'l', 'r', 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Atom(bytes, "dlay"),
            (std::vector<uint8_t>{0, 0, 0, 12, 'd', 'l', 'a', 'y', 0, 0, 0, 30}));

  qtml::TextSampleContent content;
  ASSERT_TRUE(qtml::ReadTextSample(bytes.data(), bytes.size(), &content));
  EXPECT_EQ(content.text, "Hello");
  ASSERT_EQ(content.styles.size(), 1u);
  EXPECT_EQ(content.styles[0].scrpFont, kFontIDHelvetica);
  EXPECT_EQ(content.styles[0].scrpSize, 12);
  EXPECT_EQ(content.hiliteEnd, 5);
  EXPECT_TRUE(content.hasHiliteColor);
  EXPECT_EQ(content.hiliteColor.green, 0xFFFF);

  // No range, no highlight atoms, whatever the colour.
  sample.hiliteEnd = 0;
  bytes = SampleBytes(TextMovie(sample, &movie));
  EXPECT_TRUE(Atom(bytes, "hlit").empty());
  EXPECT_TRUE(Atom(bytes, "hclr").empty());
  EXPECT_FALSE(Atom(bytes, "styl").empty());
}

TEST_F(TextDrawing, RangesOutsideTheTextAreRefused) {
  Movie movie = NewEmptyMovie();
  Media media = NewTrackMedia(NewMovieTrack(movie, 0, 0, 0), TextMediaType, 600, nullptr, 0);
  ASSERT_EQ(BeginMediaEdits(media), noErr);
  char text[] = "Hi";
  EXPECT_EQ(TextMediaAddTextSample(GetMediaHandler(media), text, 2, 0, 12, 0, nullptr, nullptr, 0,
                                   nullptr, 0, 0, 0, 3, nullptr, 10, nullptr),
            paramErr);
  EXPECT_EQ(GetMediaSampleCount(media), 0);
}

TEST_F(TextDrawing, CutShortSamplesAreReadAsFarAsTheyGo) {
  qtml::TextSampleContent content;
  const uint8_t tooLong[] = {0, 9, 'a', 'b'};
  EXPECT_FALSE(qtml::ReadTextSample(tooLong, sizeof tooLong, &content));
  EXPECT_FALSE(qtml::ReadTextSample(tooLong, 1, &content));
  // An 'hlit' atom claiming more bytes than there are is left out.
  const uint8_t cut[] = {0, 2, 'o', 'k', 0, 0, 0, 99, 'h', 'l', 'i', 't', 0, 0, 0, 0};
  ASSERT_TRUE(qtml::ReadTextSample(cut, sizeof cut, &content));
  EXPECT_EQ(content.text, "ok");
  EXPECT_EQ(content.hiliteEnd, 0);
}

TEST_F(TextDrawing, TextFillsItsTrackOnTheBackgroundColour) {
  GWorldPtr world = Drawn(TextSample{});
  EXPECT_EQ(At(world, kWidth - 1, kHeight - 1), kWhite) << "the background covers the track";
  auto ink = Columns(world, kBlack);
  EXPECT_GE(ink.first, 0) << "the text is drawn";
  EXPECT_LT(ink.first, 4) << "flush left";
  EXPECT_LT(ink.second, 60) << "five letters of 12 points";
  // Without anti-aliasing every pixel is the text's colour or the
  // background's.
  for (Argb pixel : Pixels(world)) ASSERT_TRUE(pixel == kWhite || pixel == kBlack) << pixel;
}

TEST_F(TextDrawing, JustificationPlacesTheLine) {
  TextSample sample;
  auto left = Columns(Drawn(sample), kBlack);
  sample.justification = teCenter;
  auto centre = Columns(Drawn(sample), kBlack);
  sample.justification = teFlushRight;
  auto right = Columns(Drawn(sample), kBlack);
  int width = left.second - left.first;
  EXPECT_EQ(centre.second - centre.first, width);
  EXPECT_NEAR((centre.first + centre.second) / 2, kWidth / 2, 3);
  EXPECT_GT(right.second, kWidth - 4);
}

TEST_F(TextDrawing, LongTextWrapsAndTheBoxClipsIt) {
  TextSample sample;
  sample.text = "one two three four five six seven";
  sample.box = Rect{0, 0, kHeight, 60};
  GWorldPtr wrapped = Drawn(sample);
  EXPECT_LT(Columns(wrapped, kBlack).second, 60) << "lines break within the box";
  EXPECT_GE(Columns(wrapped, kBlack, 20, kHeight).first, 0) << "onto more lines";

  sample.box = Rect{0, 0, 14, 60};
  sample.flags = dfClipToTextBox;
  GWorldPtr clipped = Drawn(sample);
  EXPECT_EQ(Columns(clipped, kBlack, 14, kHeight).first, -1) << "nothing below the box";
  EXPECT_EQ(At(clipped, kWidth - 1, kHeight - 1), kWhite);
}

TEST_F(TextDrawing, HighlightsTakeTheirColourOrInvert) {
  const RGBColor yellow{0xFFFF, 0xFFFF, 0};
  TextSample sample;
  sample.hiliteStart = 1;
  sample.hiliteEnd = 3;
  sample.hiliteColor = &yellow;
  GWorldPtr coloured = Drawn(sample);
  auto marked = Columns(coloured, 0xFFFFFF00u);
  auto ink = Columns(coloured, kBlack);
  EXPECT_GT(marked.first, ink.first) << "the first letter is not highlighted";
  EXPECT_LT(marked.second, ink.second) << "nor the last two";

  sample.hiliteColor = nullptr;
  GWorldPtr inverted = Drawn(sample);
  // Inverted cells run the line's full height in black but for the
  // letters, now white.
  EXPECT_EQ(Columns(inverted, kBlack, 0, 1).first, marked.first);
}

TEST_F(TextDrawing, KeyedTextLeavesThePortAroundTheLetters) {
  TextSample sample;
  sample.flags = dfKeyedText;
  GWorldPtr world = Drawn(sample, kRed);
  EXPECT_EQ(At(world, kWidth - 1, kHeight - 1), kRed);
  EXPECT_GE(Columns(world, kBlack).first, 0);
  EXPECT_EQ(Columns(world, kWhite).first, -1) << "no background drawn";
}

TEST_F(TextDrawing, HiddenTextDrawsNothing) {
  TextSample sample;
  sample.flags = dfDontDisplay;
  GWorldPtr world = Drawn(sample, kRed);
  for (Argb pixel : Pixels(world)) ASSERT_EQ(pixel, kRed);
}

class TimeCodeDrawing : public TextDrawing {
 protected:
  // A 160 × 40 time code track at 25 frames a second (media time scale
  // 2500) with one sample of frame `frame` lasting a second.
  Media TimeCodeMovie(SInt32 frame, Movie* made) {
    Movie movie = *made = NewEmptyMovie(2500);
    Track track = NewMovieTrack(movie, kWidth << 16, kHeight << 16, 0);
    Media media = NewTrackMedia(track, TimeCodeMediaType, 2500, nullptr, 0);
    auto desc = reinterpret_cast<TimeCodeDescriptionHandle>(NewHandleClear(38));
    (**desc).descSize = 38;
    (**desc).dataFormat = TimeCodeMediaType;
    (**desc).timeCodeDef = {0, 2500, 100, 25, 0};
    Handle sample = NewHandle(4);
    const uint8_t bigEndian[4] = {0, 0, 0, static_cast<uint8_t>(frame)};
    std::memcpy(*sample, bigEndian, 4);
    EXPECT_EQ(BeginMediaEdits(media), noErr);
    EXPECT_EQ(AddMediaSample(media, sample, 0, 4, 2500,
                             reinterpret_cast<SampleDescriptionHandle>(desc), 1, 0, nullptr),
              noErr);
    EXPECT_EQ(EndMediaEdits(media), noErr);
    EXPECT_EQ(InsertMediaIntoTrack(track, 0, 0, 2500, 0x10000), noErr);
    DisposeHandle(sample);
    DisposeHandle(reinterpret_cast<Handle>(desc));
    return media;
  }

  // The time code text drawn on its own as the track would draw it.
  GWorldPtr Expected(const std::string& text, const qtml::TimeCodeDisplay& display) {
    GWorldPtr world = World(kRed);
    MatrixRecord identity;
    SetIdentityMatrix(&identity);
    qtml::Port* port = qtml::PortFromGrafPtr(reinterpret_cast<GrafPtr>(world));
    qtml::TextTarget target{port, identity, srcCopy, RGBColor{}, nullptr};
    EXPECT_EQ(qtml::DrawTimeCodeText(text, display, kWidth, kHeight, target), noErr);
    return world;
  }
};

TEST_F(TimeCodeDrawing, FrameNumbersReadAsTimeCodes) {
  TimeCodeDef def{0, 2500, 100, 25, 0};
  EXPECT_EQ(qtml::TimeCodeText(102, def), "00:00:04:02");
  def.flags = tcCounter;
  EXPECT_EQ(qtml::TimeCodeText(100, def), "4");
  def.numFrames = 0;
  EXPECT_EQ(qtml::TimeCodeText(1, def), "");
}

TEST_F(TimeCodeDrawing, ShownOnlyWhileItsDisplayFlagIsOn) {
  Movie movie = nullptr;
  Media media = TimeCodeMovie(100, &movie);
  GWorldPtr world = World(kRed);
  SetMovieGWorld(movie, world, nullptr);
  MoviesTask(movie, 0);
  for (Argb pixel : Pixels(world)) ASSERT_EQ(pixel, kRed);

  MediaHandler handler = GetMediaHandler(media);
  ASSERT_EQ(TCSetTimeCodeFlags(handler, tcdfShowTimeCode, tcdfShowTimeCode), noErr);
  TCTextOptions options{kFontIDCourier, 0, 14, 0, {0xFFFF, 0xFFFF, 0xFFFF}, {0, 0, 0xFFFF}};
  ASSERT_EQ(TCSetDisplayOptions(handler, &options), noErr);
  MoviesTask(movie, 0);
  EXPECT_EQ(At(world, 0, 0), 0xFF0000FFu) << "the back colour fills the track";
  EXPECT_GE(Columns(world, kWhite).first, 0) << "the text in the fore colour";

  // Two frames on, the track shows frame 102.
  SetMovieTimeValue(movie, 200);
  MoviesTask(movie, 0);
  qtml::TimeCodeDisplay display;
  display.font = kFontIDCourier;
  display.size = 14;
  display.foreColor = {0xFFFF, 0xFFFF, 0xFFFF};
  display.backColor = {0, 0, 0xFFFF};
  EXPECT_EQ(Pixels(world), Pixels(Expected("00:00:04:02", display)));
  EXPECT_NE(Pixels(world), Pixels(Expected("00:00:04:00", display)));
}

}  // namespace
