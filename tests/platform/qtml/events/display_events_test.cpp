// The display's keyboard and mouse as Event Manager events, and the
// full-screen window, on SDL's offscreen video driver: a display with no
// window system behind it, so that the real path runs on a build machine.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "Events.h"
#include "Movies.h"
#include "QTMLTestControls.h"

namespace {

class DisplayEvents : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setenv("SDL_VIDEODRIVER", "offscreen", 1); }
  void SetUp() override {
    QTMLTest_SetClock(-1);
    QTMLTest_ClearEvents();
    // BeginFullScreen opens the display's full-screen window.
    ASSERT_EQ(BeginFullScreen(&state_, nullptr, nullptr, nullptr, &window_, nullptr, 0), noErr);
    ASSERT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u) << "the offscreen display did not start";
    windowID_ = 0;
    for (Uint32 id = 1; id < 16 && windowID_ == 0; ++id) {
      if (SDL_GetWindowFromID(id) != nullptr) windowID_ = id;
    }
    ASSERT_NE(windowID_, 0u);
  }
  void TearDown() override {
    EndFullScreen(state_, 0);
    QTMLTest_ClearEvents();
  }

  void PushKey(Uint32 type, SDL_Scancode scancode, SDL_Keycode sym, bool repeat = false) {
    SDL_Event e{};
    e.type = type;
    e.key.windowID = windowID_;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = sym;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }

  EventRecord Next() {
    EventRecord event{};
    EXPECT_TRUE(WaitNextEvent(everyEvent, &event, 0, nullptr));
    return event;
  }

  Ptr state_ = nullptr;
  WindowRef window_ = nullptr;
  Uint32 windowID_ = 0;
};

TEST_F(DisplayEvents, KeysComeWithMacintoshKeyCodesAndCharacters) {
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_SPACE, SDLK_SPACE);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_LEFT, SDLK_LEFT, true);
  PushKey(SDL_KEYUP, SDL_SCANCODE_A, SDLK_a);
  // A key without a Macintosh code is not an event.
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_F13, SDLK_F13);

  EventRecord space = Next();
  EXPECT_EQ(space.what, keyDown);
  EXPECT_EQ(space.message, 0x3120u);
  EXPECT_EQ(Next().message, 0x351Bu);
  EventRecord left = Next();
  EXPECT_EQ(left.what, autoKey);
  EXPECT_EQ(left.message, 0x7B1Cu);
  EventRecord up = Next();
  EXPECT_EQ(up.what, keyUp);
  EXPECT_EQ(up.message, 0x0061u);
  EventRecord none{};
  EXPECT_FALSE(WaitNextEvent(everyEvent, &none, 0, nullptr));
  EXPECT_EQ(none.what, nullEvent);
}

TEST_F(DisplayEvents, EventAvailSeesTheDisplaysKeysAndLeavesThem) {
  PushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
  EventRecord event{};
  ASSERT_TRUE(EventAvail(keyDownMask, &event));
  EXPECT_EQ((event.message & keyCodeMask) >> 8, 0x35u);
  EXPECT_EQ(QTMLTest_PendingEvents(), 1);
}

TEST_F(DisplayEvents, ClicksInTheFullScreenWindowAreAtScreenPoints) {
  int width = 0, height = 0;
  SDL_GetWindowSize(SDL_GetWindowFromID(windowID_), &width, &height);
  // The screen is shown scaled to fit and centred; its centre is the
  // window's.
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.windowID = windowID_;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.x = width / 2;
  e.button.y = height / 2;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  EventRecord down = Next();
  EXPECT_EQ(down.what, mouseDown);
  EXPECT_NEAR(down.where.h, 512, 2);
  EXPECT_NEAR(down.where.v, 384, 2);
  EXPECT_EQ(down.modifiers & btnState, 0);
}

TEST_F(DisplayEvents, ClosingAWindowAsksTheApplicationToQuit) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  e.window.windowID = windowID_;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  EventRecord event{};
  EXPECT_FALSE(WaitNextEvent(keyDownMask, &event, 0, nullptr)) << "not a key";
  ASSERT_TRUE(WaitNextEvent(highLevelEventMask, &event, 0, nullptr));
  EXPECT_EQ(event.what, kHighLevelEvent);
  EXPECT_EQ(event.message, static_cast<UInt32>(kCoreEventClass));
  UInt32 id = static_cast<UInt32>(static_cast<UInt16>(event.where.v)) << 16 |
              static_cast<UInt16>(event.where.h);
  EXPECT_EQ(id, static_cast<UInt32>(kAEQuitApplication));
}

TEST_F(DisplayEvents, TheFullScreenWindowClosesWithTheLastFullScreen) {
  EndFullScreen(state_, 0);
  EXPECT_EQ(SDL_GetWindowFromID(windowID_), nullptr);
  ASSERT_EQ(BeginFullScreen(&state_, nullptr, nullptr, nullptr, &window_, nullptr, 0), noErr);
}

}  // namespace
