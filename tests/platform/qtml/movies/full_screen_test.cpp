// Full screen: a window covering the main screen, whose pixels are the
// screen's, handed out by BeginFullScreen and taken back by EndFullScreen.
#include <gtest/gtest.h>

#include "Movies.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "controller_movies.h"

namespace {

using controller_test::kBlue;
using controller_test::kGreen;
using controller_test::kRed;

constexpr UInt32 kBlack = 0xFF000000u;

class FullScreen : public controller_test::ControllerTest {};

TEST_F(FullScreen, AWindowCoversTheScreenAndMoviesDrawOnIt) {
  Ptr state = nullptr;
  WindowRef window = nullptr;
  short width = 640, height = 480;
  RGBColor grey{0x8080, 0x8080, 0x8080};
  ASSERT_EQ(
      BeginFullScreen(&state, nullptr, &width, &height, &window, &grey, fullScreenAllowEvents),
      noErr);
  ASSERT_NE(state, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(width, 1024) << "the screen's size, whatever was asked";
  EXPECT_EQ(height, 768);
  Rect bounds;
  GetPortBounds(window, &bounds);
  EXPECT_EQ(controller_test::Sides(bounds), (std::vector<int>{0, 0, 1024, 768}));
  EXPECT_EQ(GetGWorldDevice(window), GetMainDevice());
  EXPECT_EQ(GetNativeWindowPort(window), window);
  EXPECT_EQ(QTMLTest_ScreenPixel(0, 0), 0xFF808080u) << "erased";
  EXPECT_EQ(QTMLTest_ScreenPixel(1023, 767), 0xFF808080u);
  EXPECT_EQ(QTMLTest_ScreenPixel(1024, 0), 0u) << "off the screen";

  Movie movie = ColourMovie({kRed, kGreen, kBlue});
  SetMovieGWorld(movie, window, GetGWorldDevice(window));
  Rect box{100, 200, 116, 264};
  SetMovieBox(movie, &box);
  SetMovieTimeValue(movie, 20);
  MoviesTask(movie, 0);
  EXPECT_EQ(QTMLTest_ScreenPixel(200, 100), kGreen);
  EXPECT_EQ(QTMLTest_ScreenPixel(199, 100), 0xFF808080u);

  EXPECT_EQ(EndFullScreen(state, 0), noErr);
  EXPECT_EQ(GetPortBounds(window, &bounds), &bounds);
  EXPECT_EQ(QDError(), paramErr) << "the window went";
  SetMovieTimeValue(movie, 40);
  MoviesTask(movie, 0);
  EXPECT_EQ(QTMLTest_ScreenPixel(200, 100), kGreen)
      << "nothing draws there now; the screen keeps it";
  EXPECT_EQ(EndFullScreen(state, 0), paramErr) << "ended already";
}

TEST_F(FullScreen, WithoutAWindowOrOnlyAskingTheSize) {
  Ptr state = reinterpret_cast<Ptr>(1);
  short width = 0, height = 0;
  EXPECT_EQ(
      BeginFullScreen(&state, nullptr, &width, &height, nullptr, nullptr, fullScreenPreflightSize),
      noErr);
  EXPECT_EQ(state, nullptr);
  EXPECT_EQ(width, 1024);
  EXPECT_EQ(height, 768);

  ASSERT_EQ(BeginFullScreen(&state, GetMainDevice(), nullptr, nullptr, nullptr, nullptr, 0), noErr);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(EndFullScreen(state, 0), noErr);
  // The default erase colour is black.
  WindowRef window = nullptr;
  ASSERT_EQ(BeginFullScreen(&state, nullptr, nullptr, nullptr, &window, nullptr, 0), noErr);
  EXPECT_EQ(QTMLTest_ScreenPixel(500, 500), kBlack);
  EXPECT_EQ(EndFullScreen(state, 0), noErr);
}

TEST_F(FullScreen, MisuseFaultsAndShortMemoryHandOutNothing) {
  Ptr state = nullptr;
  WindowRef window = reinterpret_cast<WindowRef>(1);
  EXPECT_EQ(BeginFullScreen(nullptr, nullptr, nullptr, nullptr, &window, nullptr, 0), paramErr);
  EXPECT_EQ(window, nullptr);
  GWorldPtr world = worlds_.Make(4, 4);
  EXPECT_EQ(BeginFullScreen(&state, GetGWorldDevice(world), nullptr, nullptr, &window, nullptr, 0),
            paramErr)
      << "there is one screen";
  EXPECT_EQ(EndFullScreen(nullptr, 0), paramErr);
  int notAState = 0;
  EXPECT_EQ(EndFullScreen(reinterpret_cast<Ptr>(&notAState), 0), paramErr);

  QTMLTest_FailCall("BeginFullScreen", 1, -192);
  EXPECT_EQ(BeginFullScreen(&state, nullptr, nullptr, nullptr, &window, nullptr, 0), -192);
  EXPECT_EQ(state, nullptr);
  for (long allowed = 0; allowed < 3; ++allowed) {
    QTMLTest_FailAllocations(allowed);
    OSErr err = BeginFullScreen(&state, nullptr, nullptr, nullptr, &window, nullptr, 0);
    QTMLTest_FailAllocations(-1);
    if (err == noErr) {
      EXPECT_EQ(EndFullScreen(state, 0), noErr);
      break;
    }
    EXPECT_EQ(err, memFullErr);
    EXPECT_EQ(state, nullptr);
    EXPECT_EQ(window, nullptr);
  }
  ASSERT_EQ(BeginFullScreen(&state, nullptr, nullptr, nullptr, &window, nullptr, 0), noErr);
  QTMLTest_FailCall("EndFullScreen", 1, -192);
  EXPECT_EQ(EndFullScreen(state, 0), -192);
  EXPECT_EQ(EndFullScreen(state, 0), noErr) << "the state outlived the fault";
}

}  // namespace
