// The event queue: key presses and other events posted by the test
// controls, seen by EventAvail from the look they wait for, kept until
// flushed or taken by WaitNextEvent, whose waits move the manual clock.
#include <gtest/gtest.h>

#include "Events.h"
#include "QTMLTestControls.h"

namespace {

class EventQueue : public ::testing::Test {
 protected:
  void SetUp() override { QTMLTest_ClearEvents(); }
  void TearDown() override { QTMLTest_ClearEvents(); }
};

TEST_F(EventQueue, AnEmptyQueueAnswersANullEvent) {
  EventRecord event{keyDown, 1, 0, {1, 1}, 1};
  EXPECT_FALSE(EventAvail(everyEvent, &event));
  EXPECT_EQ(event.what, nullEvent);
  EXPECT_EQ(event.message, 0u);
  EXPECT_FALSE(EventAvail(everyEvent, nullptr));
}

TEST_F(EventQueue, AKeyPressStaysWaitingUntilFlushed) {
  QTMLTest_PostKeyDown(0x35, 0x1B, 0);
  EventRecord event{};
  for (int look = 0; look < 3; ++look) {
    ASSERT_TRUE(EventAvail(keyDownMask, &event));
    EXPECT_EQ(event.what, keyDown);
    EXPECT_EQ((event.message & keyCodeMask) >> 8, 0x35u);
    EXPECT_EQ(event.message & charCodeMask, 0x1Bu);
  }
  // Other kinds of event do not see it.
  EXPECT_FALSE(EventAvail(mDownMask, &event));
  EXPECT_EQ(QTMLTest_PendingEvents(), 1);
  FlushEvents(mDownMask, 0);
  EXPECT_TRUE(EventAvail(keyDownMask, &event));
  FlushEvents(everyEvent, 0);
  EXPECT_FALSE(EventAvail(keyDownMask, &event));
  EXPECT_EQ(QTMLTest_PendingEvents(), 0);
}

TEST_F(EventQueue, AKeyPressWaitsForTheLooksAskedFor) {
  QTMLTest_PostKeyDown(0x31, ' ', 2);
  EventRecord event{};
  EXPECT_FALSE(EventAvail(keyDownMask, &event));
  EXPECT_FALSE(EventAvail(keyDownMask, &event));
  EXPECT_TRUE(EventAvail(keyDownMask, &event));
  EXPECT_EQ((event.message & keyCodeMask) >> 8, 0x31u);
  // Events not yet waiting are not flushed.
  QTMLTest_PostKeyDown(0x7B, 0, 5);
  FlushEvents(everyEvent, 0);
  EXPECT_EQ(QTMLTest_PendingEvents(), 1);
}

TEST_F(EventQueue, TheOldestWaitingEventComesFirstAndFlushingStopsAtTheStopMask) {
  QTMLTest_PostKeyDown(0x7B, 0, 0);
  QTMLTest_PostKeyDown(0x7C, 0, 0);
  EventRecord event{};
  ASSERT_TRUE(EventAvail(keyDownMask, &event));
  EXPECT_EQ((event.message & keyCodeMask) >> 8, 0x7Bu);
  FlushEvents(everyEvent, keyDownMask);  // stops at once: the first is a key-down
  EXPECT_EQ(QTMLTest_PendingEvents(), 2);
  QTMLTest_FailCall("EventAvail", 1, -108);
  EXPECT_FALSE(EventAvail(keyDownMask, &event));
  EXPECT_EQ(event.what, nullEvent);
  QTMLTest_ClearFaults();
}

TEST_F(EventQueue, WaitNextEventTakesTheOldestWaitingEventOfTheMask) {
  QTMLTest_PostKeyDown(0x31, ' ', 0);
  QTMLTest_PostEvent(mouseDown, 0, 12, 34, 0);
  EventRecord event{};
  ASSERT_TRUE(WaitNextEvent(mDownMask, &event, 0, nullptr));
  EXPECT_EQ(event.what, mouseDown);
  EXPECT_EQ(event.where.h, 12);
  EXPECT_EQ(event.where.v, 34);
  EXPECT_EQ(QTMLTest_PendingEvents(), 1) << "taken out of the queue";
  ASSERT_TRUE(WaitNextEvent(everyEvent, &event, 0, nullptr));
  EXPECT_EQ((event.message & keyCodeMask) >> 8, 0x31u);
  EXPECT_FALSE(WaitNextEvent(everyEvent, &event, 0, nullptr));
  EXPECT_EQ(event.what, nullEvent);
  QTMLTest_FailCall("WaitNextEvent", 1, -108);
  QTMLTest_PostEvent(mouseUp, 0, 0, 0, 0);
  EXPECT_FALSE(WaitNextEvent(everyEvent, &event, 0, nullptr));
  EXPECT_EQ(QTMLTest_PendingEvents(), 1) << "a failed call takes nothing";
  QTMLTest_ClearFaults();
}

TEST_F(EventQueue, WaitingForNoEventMovesTheManualClock) {
  QTMLTest_SetClock(1000);
  UInt32 start = TickCount();
  QTMLTest_PostEvent(mouseUp, 0, 0, 0, 2);
  EventRecord event{};
  EXPECT_FALSE(WaitNextEvent(everyEvent, &event, 30, nullptr));
  EXPECT_EQ(TickCount() - start, 30u) << "half a second";
  EXPECT_FALSE(WaitNextEvent(everyEvent, &event, 6, nullptr));
  EXPECT_EQ(TickCount() - start, 36u);
  EXPECT_TRUE(WaitNextEvent(everyEvent, &event, 30, nullptr)) << "the third look sees it";
  EXPECT_EQ(event.what, mouseUp);
  EXPECT_EQ(TickCount() - start, 36u) << "no wait when an event came";
  QTMLTest_SetClock(-1);
}

}  // namespace
