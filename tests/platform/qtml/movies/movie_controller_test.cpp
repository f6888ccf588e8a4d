// Empty movies and the standard controller over them: where it puts the
// movie and its bar, what it draws, clicks and player events, its actions.
#include <gtest/gtest.h>

#include <functional>

#include "Movies.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "controller_movies.h"

namespace {

class Movies : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(InitializeQTML(0), noErr);
    ASSERT_EQ(EnterMovies(), noErr);
  }
  void TearDown() override { QTMLTest_ClearFaults(); }
};

TEST_F(Movies, ANewMovieIsEmptyWithItsSelection) {
  Movie movie = NewMovie(newMovieActive);
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(GetMovieDuration(movie), 0);
  EXPECT_EQ(GetMovieTimeScale(movie), 600);
  SetMovieSelection(movie, 10, 20);
  TimeValue start = -1, length = -1;
  GetMovieSelection(movie, &start, &length);
  EXPECT_EQ(start, 10);
  EXPECT_EQ(length, 20);
  DisposeMovie(movie);
  EXPECT_EQ(GetMoviesError(), noErr);
}

TEST_F(Movies, UnknownMoviesAnswerInvalidMovie) {
  int bogus = 0;
  EXPECT_EQ(GetMovieDuration(reinterpret_cast<Movie>(&bogus)), 0);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
  TimeValue start = 7, length = 7;
  GetMovieSelection(nullptr, &start, &length);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(GetMoviesError(), invalidMovie);
}

TEST_F(Movies, AFailedNewMovieAnswersItsError) {
  QTMLTest_FailCall("NewMovie", 1, memFullErr);
  EXPECT_EQ(NewMovie(0), nullptr);
  EXPECT_EQ(GetMoviesError(), memFullErr);
}

TEST_F(Movies, AControllerPresentsItsMovie) {
  Movie movie = NewMovie(0);
  Rect bounds{0, 0, 120, 160};
  MovieController mc = NewMovieController(movie, &bounds, 0);
  ASSERT_NE(mc, nullptr);
  EXPECT_EQ(MCGetIndMovie(mc, 0), movie);
  EXPECT_EQ(MCGetIndMovie(mc, 1), nullptr);
  EXPECT_EQ(MCGetIndMovie(nullptr, 0), nullptr);
  EXPECT_EQ(MCMovieChanged(mc, movie), noErr);
  Movie other = NewMovie(0);
  EXPECT_EQ(MCMovieChanged(mc, other), paramErr);  // not the controller's movie
  EXPECT_EQ(MCMovieChanged(nullptr, movie), badComponentInstance);
  DisposeMovie(other);
  DisposeMovieController(mc);
  DisposeMovie(movie);
  EXPECT_EQ(NewMovieController(nullptr, &bounds, 0), nullptr);
}

}  // namespace

// ---- The standard controller over a video movie ---------------------------

namespace {

using controller_test::ControllerTest;
using controller_test::kBlue;
using controller_test::kGreen;
using controller_test::kRed;
using controller_test::Sides;
using Argb = uint32_t;

constexpr Argb kBarGrey = 0xFFC8C8C8u, kSliderGrey = 0xFF808080u, kShaded = 0xFF3060C0u,
               kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu;

// The bar under a movie at (0, 0): rows 16 to 32, its slider columns 20
// to 59 (time 0 to 60).
constexpr short kBarTop = 16;

class Controller : public ControllerTest {
 protected:
  // Clicks at (h, v) and answers MCClick's result.
  static ComponentResult ClickAt(MovieController mc, WindowRef w, short h, short v) {
    return MCClick(mc, w, Point{v, h}, 0, 0);
  }
};

TEST_F(Controller, TheMovieGoesIntoTheRectangleAsTheFlagsSay) {
  Movie movie = ColourMovie({kRed});
  Rect area{10, 10, 50, 110};
  Control(movie, &area, 0);
  EXPECT_EQ(Sides(BoxOf(movie)), (std::vector<int>{28, 22, 92, 38})) << "centred, its size kept";
  Control(movie, &area, mcTopLeftMovie);
  EXPECT_EQ(Sides(BoxOf(movie)), (std::vector<int>{10, 10, 74, 26}));
  Control(movie, &area, mcScaleMovieToFit);
  EXPECT_EQ(Sides(BoxOf(movie)), (std::vector<int>{10, 10, 110, 50}));
  Rect empty{0, 0, 0, 0};
  MovieController kept = Control(movie, &empty, 0);
  EXPECT_EQ(Sides(BoxOf(movie)), (std::vector<int>{10, 10, 110, 50}))
      << "an empty rect moves nothing";
  EXPECT_EQ(MCGetVisible(kept), 1);
  EXPECT_EQ(MCGetVisible(Control(movie, nullptr, mcNotVisible)), 0);
}

TEST_F(Controller, TheBarFollowsTheMovieUntilLetGo) {
  Movie movie = ColourMovie({kRed});
  MovieController mc = Control(movie);
  Rect bounds;
  EXPECT_EQ(MCIsControllerAttached(mc), 1);
  EXPECT_EQ(MCGetControllerBoundsRect(mc, &bounds), noErr);
  EXPECT_EQ(Sides(bounds), (std::vector<int>{0, 0, 64, 32})) << "the movie and the bar under it";
  Rect moved{100, 50, 116, 114};
  EXPECT_EQ(MCPositionController(mc, &moved, nullptr, mcScaleMovieToFit), noErr);
  MCGetControllerBoundsRect(mc, &bounds);
  EXPECT_EQ(Sides(bounds), (std::vector<int>{50, 100, 114, 132}));

  // Let go of, the bar stays; positioned, it goes where it is put and the
  // movie stays in its box.
  EXPECT_EQ(MCSetControllerAttached(mc, false), noErr);
  EXPECT_EQ(MCIsControllerAttached(mc), 0);
  MCGetControllerBoundsRect(mc, &bounds);
  EXPECT_EQ(Sides(bounds), (std::vector<int>{50, 116, 114, 132}));
  Rect box = BoxOf(movie);
  Rect bar{0, 0, 16, 200};
  EXPECT_EQ(MCPositionController(mc, &box, &bar, 0), noErr);
  EXPECT_EQ(Sides(BoxOf(movie)), Sides(moved));
  MCGetControllerBoundsRect(mc, &bounds);
  EXPECT_EQ(Sides(bounds), (std::vector<int>{0, 0, 200, 16}));
  EXPECT_EQ(MCSetControllerAttached(mc, true), noErr);
  MCGetControllerBoundsRect(mc, &bounds);
  EXPECT_EQ(Sides(bounds), (std::vector<int>{50, 100, 114, 132}));
  EXPECT_EQ(MCGetControllerBoundsRect(mc, nullptr), paramErr);
}

TEST_F(Controller, DrawShowsTheFrameAndTheBarWithTheSelectionAndTheTime) {
  Movie movie = ColourMovie({kRed, kGreen, kBlue});
  MovieController mc = Control(movie);
  GWorldPtr window = worlds_.Make(100, 40, kWhite);
  ASSERT_EQ(MCDraw(mc, window), noErr);
  EXPECT_EQ(PixelAt(window, 5, 5), kRed);
  EXPECT_EQ(PixelAt(window, 70, 5), kWhite) << "outside the box";
  EXPECT_EQ(PixelAt(window, 1, kBarTop + 1), kBarGrey);
  EXPECT_EQ(PixelAt(window, 5, kBarTop + 4), kBlack) << "the play triangle's point row";
  EXPECT_EQ(PixelAt(window, 20, kBarTop + 2), kBlack) << "the thumb at time 0";
  EXPECT_EQ(PixelAt(window, 40, kBarTop + 7), kSliderGrey);
  EXPECT_EQ(PixelAt(window, 70, kBarTop + 7), kWhite) << "the bar is as wide as the movie";

  // Time 30 (column 40), the second half selected, playing: two bars.
  SetMovieSelection(movie, 30, 30);
  SetMovieTimeValue(movie, 30);
  StartMovie(movie);
  ASSERT_EQ(MCDraw(mc, window), noErr);
  EXPECT_EQ(PixelAt(window, 5, 5), kGreen);
  EXPECT_EQ(PixelAt(window, 40, kBarTop + 2), kBlack);
  EXPECT_EQ(PixelAt(window, 20, kBarTop + 2), kBarGrey) << "the thumb moved";
  EXPECT_EQ(PixelAt(window, 30, kBarTop + 7), kSliderGrey);
  EXPECT_EQ(PixelAt(window, 50, kBarTop + 7), kShaded);
  EXPECT_EQ(PixelAt(window, 5, kBarTop + 4), kBlack);
  EXPECT_EQ(PixelAt(window, 7, kBarTop + 4), kBarGrey) << "between the pause bars";
  EXPECT_EQ(PixelAt(window, 9, kBarTop + 4), kBlack);

  // Hidden, only the movie; a movie drawing into a port of its own is left there.
  worlds_.Clear();
  window = worlds_.Make(100, 40, kWhite);
  MCSetVisible(mc, false);
  ASSERT_EQ(MCDraw(mc, window), noErr);
  EXPECT_EQ(PixelAt(window, 5, 5), kGreen);
  EXPECT_EQ(PixelAt(window, 1, kBarTop + 1), kWhite);
  GWorldPtr own = worlds_.Make(64, 16, kWhite);
  SetMovieGWorld(movie, own, nullptr);
  GWorldPtr other = worlds_.Make(100, 40, kWhite);
  MCSetVisible(mc, true);
  ASSERT_EQ(MCDraw(mc, other), noErr);
  EXPECT_EQ(PixelAt(other, 5, 5), kWhite);
  EXPECT_EQ(PixelAt(other, 1, kBarTop + 1), kBarGrey);
  int notAPort = 0;
  EXPECT_EQ(MCDraw(mc, reinterpret_cast<WindowRef>(&notAPort)), paramErr);
}

TEST_F(Controller, AClickOnTheBarPlaysPausesAndSeeks) {
  Movie movie = ColourMovie({kRed, kGreen, kBlue});
  MovieController mc = Control(movie);
  GWorldPtr window = worlds_.Make(100, 40, kWhite);
  EXPECT_EQ(ClickAt(mc, window, 4, kBarTop + 8), noErr);
  EXPECT_EQ(GetMovieRate(movie), 0x10000) << "the button plays";
  EXPECT_EQ(PixelAt(window, 9, kBarTop + 4), kBlack) << "and the bar is drawn again";
  QTMLTest_AdvanceClock(50);  // 30 units
  EXPECT_EQ(ClickAt(mc, window, 4, kBarTop + 8), noErr);
  EXPECT_EQ(GetMovieRate(movie), 0) << "and pauses";
  EXPECT_EQ(GetMovieTime(movie, nullptr), 30);

  // The slider: column 33 is time 20, the last column the end; the whole
  // height of the bar over the slider takes the click.
  EXPECT_EQ(ClickAt(mc, window, 33, kBarTop + 1), noErr);
  EXPECT_EQ(GetMovieTime(movie, nullptr), 20);
  EXPECT_EQ(Showing(movie), kGreen);
  EXPECT_EQ(ClickAt(mc, nullptr, 200, kBarTop + 8), noErr);
  EXPECT_EQ(GetMovieTime(movie, nullptr), 20) << "a click beside the bar does nothing";
  EXPECT_EQ(ClickAt(mc, nullptr, 59, kBarTop + 8), noErr);
  EXPECT_EQ(GetMovieTime(movie, nullptr), 60);

  // Play at the end starts over.
  EXPECT_EQ(ClickAt(mc, nullptr, 4, kBarTop + 8), noErr);
  EXPECT_EQ(GetMovieTime(movie, nullptr), 0);
  EXPECT_EQ(GetMovieRate(movie), 0x10000);
  MCSetVisible(mc, false);
  EXPECT_EQ(ClickAt(mc, nullptr, 4, kBarTop + 8), noErr);
  EXPECT_EQ(GetMovieRate(movie), 0x10000) << "a hidden bar takes no clicks";
}

TEST_F(Controller, PlayerEventsAreTakenOnTheBarAndTheSpaceBar) {
  Movie movie = ColourMovie({kRed, kGreen, kBlue});
  MovieController mc = Control(movie);
  GWorldPtr window = worlds_.Make(100, 40, kWhite);
  MCDraw(mc, window);
  EventRecord click{mouseDown, 0, 0, Point{kBarTop + 8, 4}, 0};
  EXPECT_EQ(MCIsPlayerEvent(mc, &click), 1);
  EXPECT_NE(GetMovieRate(movie), 0);
  EXPECT_EQ(PixelAt(window, 9, kBarTop + 4), kBlack) << "drawn again where it was drawn";
  EventRecord space{keyDown, 0x3120, 0, Point{0, 0}, 0};
  EXPECT_EQ(MCIsPlayerEvent(mc, &space), 1);
  EXPECT_EQ(GetMovieRate(movie), 0);
  EventRecord elsewhere{mouseDown, 0, 0, Point{5, 5}, 0};
  EventRecord letter{keyDown, 0x0061, 0, Point{0, 0}, 0};
  EventRecord idle{nullEvent, 0, 0, Point{0, 0}, 0};
  EXPECT_EQ(MCIsPlayerEvent(mc, &elsewhere), 0);
  EXPECT_EQ(MCIsPlayerEvent(mc, &letter), 0);
  EXPECT_EQ(MCIsPlayerEvent(mc, &idle), 0);
  EXPECT_EQ(MCIsPlayerEvent(mc, nullptr), paramErr);
}

TEST_F(Controller, ActionsGoToTimesStepFramesAndKeepSwitches) {
  Movie movie = ColourMovie({kRed, kGreen, kBlue});
  MovieController mc = Control(movie);
  TimeRecord at{60, 1200, nullptr};  // 30 in the movie's scale
  EXPECT_EQ(MCDoAction(mc, mcActionGoToTime, &at), 1);
  EXPECT_EQ(GetMovieTime(movie, nullptr), 30);
  EXPECT_EQ(MCDoAction(mc, mcActionGoToTime, nullptr), paramErr);

  // Steps: whole video frames from the present time, as far as they go; the
  // movie stops.
  StartMovie(movie);
  EXPECT_EQ(MCDoAction(mc, mcActionStep, reinterpret_cast<void*>(1)), 1);
  EXPECT_EQ(GetMovieRate(movie), 0);
  EXPECT_EQ(GetMovieTime(movie, nullptr), 40);
  EXPECT_EQ(MCDoAction(mc, mcActionStep, reinterpret_cast<void*>(-2)), 1);
  EXPECT_EQ(GetMovieTime(movie, nullptr), 0);
  EXPECT_EQ(MCDoAction(mc, mcActionStep, reinterpret_cast<void*>(9)), 1);
  EXPECT_EQ(GetMovieTime(movie, nullptr), 40) << "the last frame's start";

  // Play: at a rate, from the start when at the end.
  SetMovieTimeValue(movie, 60);
  EXPECT_EQ(MCDoAction(mc, mcActionPlay, reinterpret_cast<void*>(0x20000)), 1);
  EXPECT_EQ(GetMovieTime(movie, nullptr), 0);
  EXPECT_EQ(GetMovieRate(movie), 0x20000);
  EXPECT_EQ(MCDoAction(mc, mcActionPlay, nullptr), 1);
  EXPECT_EQ(GetMovieRate(movie), 0);

  // Switches: set answers 1, get answers noErr with the Boolean.
  Boolean flag = true;
  EXPECT_EQ(MCDoAction(mc, mcActionGetPlayEveryFrame, &flag), noErr);
  EXPECT_FALSE(flag);
  EXPECT_EQ(MCDoAction(mc, mcActionSetPlayEveryFrame, reinterpret_cast<void*>(1)), 1);
  EXPECT_EQ(MCDoAction(mc, mcActionGetPlayEveryFrame, &flag), noErr);
  EXPECT_TRUE(flag);
  EXPECT_EQ(MCDoAction(mc, mcActionSetDragEnabled, reinterpret_cast<void*>(1)), 1);
  EXPECT_EQ(MCDoAction(mc, mcActionGetDragEnabled, &flag), noErr);
  EXPECT_TRUE(flag);
  EXPECT_EQ(MCDoAction(mc, mcActionSetLooping, reinterpret_cast<void*>(1)), 1);
  EXPECT_EQ(MCDoAction(mc, mcActionSetLoopIsPalindrome, reinterpret_cast<void*>(1)), 1);
  EXPECT_EQ(GetTimeBaseFlags(GetMovieTimeBase(movie)), palindromeLoopTimeBase);
  EXPECT_EQ(MCDoAction(mc, mcActionGetLooping, &flag), noErr);
  EXPECT_TRUE(flag);
  EXPECT_EQ(MCDoAction(mc, mcActionSetLooping, nullptr), 1);
  EXPECT_EQ(GetTimeBaseFlags(GetMovieTimeBase(movie)), 0);
  EXPECT_EQ(MCDoAction(mc, mcActionGetLoopIsPalindrome, &flag), noErr);
  EXPECT_TRUE(flag) << "kept for when it loops again";
  EXPECT_EQ(MCDoAction(mc, mcActionGetPlaySelection, nullptr), paramErr);
  EXPECT_EQ(MCDoAction(mc, 9999, nullptr), 0);
}

TEST_F(Controller, PlayingTheSelectionConfinesTheMovieToIt) {
  Movie movie = ColourMovie({kRed, kGreen, kBlue});
  MovieController mc = Control(movie);
  SetMovieActiveSegment(movie, 0, 50);  // the client's own
  EXPECT_EQ(MCDoAction(mc, mcActionSetPlaySelection, nullptr), 1);
  TimeValue start = 0, length = 0;
  GetMovieActiveSegment(movie, &start, &length);
  EXPECT_EQ(start, 0) << "turning it off leaves a segment the controller did not set";
  SetMovieActiveSegment(movie, -1, 0);

  TimeRecord record{20, 600, nullptr};
  EXPECT_EQ(MCDoAction(mc, mcActionSetSelectionBegin, &record), 1);
  EXPECT_EQ(MCDoAction(mc, mcActionSetPlaySelection, reinterpret_cast<void*>(1)), 1);
  GetMovieActiveSegment(movie, &start, &length);
  EXPECT_EQ(start, -1) << "an empty selection plays the whole movie";
  record.value = 20;
  EXPECT_EQ(MCDoAction(mc, mcActionSetSelectionDuration, &record), 1);
  GetMovieActiveSegment(movie, &start, &length);
  EXPECT_EQ(start, 20);
  EXPECT_EQ(length, 20);
  Boolean flag = false;
  EXPECT_EQ(MCDoAction(mc, mcActionGetPlaySelection, &flag), noErr);
  EXPECT_TRUE(flag);
  StartMovie(movie);
  QTMLTest_AdvanceClock(1000);
  EXPECT_EQ(GetMovieTime(movie, nullptr), 40) << "it stops at the selection's end";
  EXPECT_EQ(MCDoAction(mc, mcActionSetPlaySelection, nullptr), 1);
  GetMovieActiveSegment(movie, &start, &length);
  EXPECT_EQ(start, -1);

  // Times too large for a movie time are held to the largest.
  record = TimeRecord{0xFFFFFFFFll, 600, nullptr};
  EXPECT_EQ(MCDoAction(mc, mcActionSetSelectionBegin, &record), 1);
  EXPECT_EQ(MCDoAction(mc, mcActionGetSelectionBegin, &record), 1);
  EXPECT_EQ(record.value, 0x7FFFFFFF);
}

TEST_F(Controller, TheCurrentTimeComesWithTheMoviesScale) {
  Movie movie = ColourMovie({kRed, kGreen});
  MovieController mc = Control(movie);
  SetMovieTimeValue(movie, 25);
  TimeScale scale = 0;
  EXPECT_EQ(MCGetCurrentTime(mc, &scale), 25);
  EXPECT_EQ(scale, 600);
  EXPECT_EQ(MCGetCurrentTime(mc, nullptr), 25);
  EXPECT_EQ(MCGetCurrentTime(nullptr, &scale), 0);
  EXPECT_EQ(scale, 0);
}

TEST_F(Controller, ACallOnAControllerWhoseMovieWentAnswersInvalidMovie) {
  Movie movie = NewMovie(0);
  MovieController mc = Control(movie);
  DisposeMovie(movie);
  GWorldPtr window = worlds_.Make(10, 10);
  Rect r{0, 0, 10, 10};
  long flags = -1;
  EXPECT_EQ(MCDraw(mc, window), invalidMovie);
  EXPECT_EQ(MCPositionController(mc, &r, nullptr, 0), invalidMovie);
  EXPECT_EQ(MCGetControllerInfo(mc, &flags), invalidMovie);
  EXPECT_EQ(flags, 0);
  EXPECT_EQ(MCDoAction(mc, mcActionStep, reinterpret_cast<void*>(1)), invalidMovie);
  EXPECT_EQ(MCDoAction(mc, 9999, nullptr), 0) << "an action it does not take is still not taken";
  EXPECT_EQ(MCClick(mc, window, Point{0, 0}, 0, 0), invalidMovie);
}

TEST_F(Controller, EveryCallAnswersAnInjectedFault) {
  Movie movie = ColourMovie({kRed});
  MovieController mc = Control(movie);
  GWorldPtr window = worlds_.Make(10, 10);
  Rect r{0, 0, 10, 10};
  long flags = 0;
  EventRecord idle{};
  struct Call {
    const char* name;
    std::function<ComponentResult()> run;
  };
  const Call calls[] = {
      {"MCDraw", [&] { return MCDraw(mc, window); }},
      {"MCPositionController", [&] { return MCPositionController(mc, &r, &r, 0); }},
      {"MCSetControllerAttached", [&] { return MCSetControllerAttached(mc, false); }},
      {"MCIsControllerAttached", [&] { return MCIsControllerAttached(mc); }},
      {"MCSetVisible", [&] { return MCSetVisible(mc, false); }},
      {"MCGetVisible", [&] { return MCGetVisible(mc); }},
      {"MCGetControllerBoundsRect", [&] { return MCGetControllerBoundsRect(mc, &r); }},
      {"MCGetControllerInfo", [&] { return MCGetControllerInfo(mc, &flags); }},
      {"MCClick",
       [&] {
         return MCClick(mc, window, Point{20, 4}, 0, 0);
       }},
      {"MCIsPlayerEvent", [&] { return MCIsPlayerEvent(mc, &idle); }},
      {"MCPaste", [&] { return MCPaste(mc, movie); }},
      {"MCClear", [&] { return MCClear(mc); }},
      {"MCUndo", [&] { return MCUndo(mc); }},
  };
  for (const Call& call : calls) {
    SCOPED_TRACE(call.name);
    QTMLTest_FailCall(call.name, 1, -192);
    EXPECT_EQ(call.run(), -192);
  }
  EXPECT_EQ(GetMovieRate(movie), 0);
  EXPECT_EQ(MCGetVisible(mc), 1);
  EXPECT_EQ(MCIsControllerAttached(mc), 1);
  QTMLTest_FailCall("MCGetCurrentTime", 1, -192);
  TimeScale scale = 1;
  EXPECT_EQ(MCGetCurrentTime(mc, &scale), 0);
  EXPECT_EQ(scale, 0);
  MCEnableEditing(mc, true);
  SetMovieSelection(movie, 0, 10);
  QTMLTest_FailCall("MCCopy", 1, -192);
  EXPECT_EQ(MCCopy(mc), nullptr);
  QTMLTest_FailCall("MCCut", 1, -192);
  EXPECT_EQ(MCCut(mc), nullptr);
  EXPECT_EQ(GetMovieDuration(movie), 20);
}

}  // namespace
