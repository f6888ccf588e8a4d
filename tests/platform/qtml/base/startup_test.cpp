// Start-up: QTML, the Movie Toolbox gate, Gestalt and the effects list,
// and faults armed from the environment when the engine loads.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "Gestalt.h"
#include "Movies.h"
#include "QTML.h"
#include "QTMLTestControls.h"

namespace {

class StartupTest : public ::testing::Test {
 protected:
  void TearDown() override {
    QTMLTest_ClearFaults();
    EnterMovies();
  }
};

TEST_F(StartupTest, GestaltAnswersQuickTimesVersionAndRefusesOthers) {
  long version = 0;
  ASSERT_EQ(Gestalt(gestaltQuickTime, &version), noErr);
  EXPECT_EQ(version, 0x07798000);
  EXPECT_EQ(Gestalt('zzzz', &version), gestaltUndefSelectorErr);
  EXPECT_EQ(Gestalt(gestaltQuickTime, nullptr), paramErr);
}

TEST_F(StartupTest, InitializeNestsAndAnswersInjectedFaults) {
  EXPECT_EQ(InitializeQTML(0), noErr);
  EXPECT_EQ(InitializeQTML(0), noErr);
  TerminateQTML();
  TerminateQTML();
  QTMLTest_FailCall("InitializeQTML", 1, qtmlDllLoadErr);
  EXPECT_EQ(InitializeQTML(0), qtmlDllLoadErr);
  EXPECT_EQ(InitializeQTML(0), noErr);
  TerminateQTML();
}

TEST_F(StartupTest, EffectsListNeedsTheMovieToolbox) {
  ExitMovies();
  QTAtomContainer list = reinterpret_cast<QTAtomContainer>(1);
  EXPECT_EQ(QTGetEffectsList(&list, -1, -1, 0), movieToolboxUninitialized);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(GetMoviesError(), movieToolboxUninitialized);

  ASSERT_EQ(EnterMovies(), noErr);
  ASSERT_EQ(QTGetEffectsList(&list, -1, -1, 0), noErr);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetMoviesError(), noErr);
  EXPECT_EQ(QTCountChildren(list, kParentAtomIsContainer), 0);
  EXPECT_EQ(QTDisposeAtomContainer(list), noErr);
}

TEST_F(StartupTest, StickyErrorKeepsTheFirstFailure) {
  EnterMovies();
  ClearMoviesStickyError();
  QTAtomContainer list = nullptr;
  QTMLTest_FailCall("QTGetEffectsList", 1, invalidMovie);
  QTGetEffectsList(&list, -1, -1, 0);
  ASSERT_EQ(QTGetEffectsList(&list, -1, -1, 0), noErr);
  EXPECT_EQ(GetMoviesError(), noErr);
  EXPECT_EQ(GetMoviesStickyError(), invalidMovie);
  QTDisposeAtomContainer(list);
  ClearMoviesStickyError();
  EXPECT_EQ(GetMoviesStickyError(), noErr);
}

// A second copy of the engine, loaded in a namespace of its own, reads
// QTML_FAIL as the engine does when a host loads it.
TEST_F(StartupTest, FaultsComeFromTheEnvironmentAtLoad) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer cannot follow a library into a new namespace";
#endif
  Dl_info info;
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&InitializeQTML), &info), 0);
  setenv("QTML_FAIL", "InitializeQTML:-2093,Gestalt:-5550:2,bogus,:1", 1);
  void* engine = dlmopen(LM_ID_NEWLM, info.dli_fname, RTLD_NOW | RTLD_LOCAL);
  unsetenv("QTML_FAIL");
  ASSERT_NE(engine, nullptr) << dlerror();
  auto initialize = reinterpret_cast<OSErr (*)(long)>(dlsym(engine, "InitializeQTML"));
  auto gestalt = reinterpret_cast<OSErr (*)(OSType, long*)>(dlsym(engine, "Gestalt"));
  ASSERT_NE(initialize, nullptr);
  ASSERT_NE(gestalt, nullptr);
  EXPECT_EQ(initialize(0), qtmlDllLoadErr);
  EXPECT_EQ(initialize(0), noErr);
  long version = 0;
  EXPECT_EQ(gestalt(gestaltQuickTime, &version), noErr);
  EXPECT_EQ(gestalt(gestaltQuickTime, &version), gestaltUnknownErr);
  EXPECT_EQ(gestalt(gestaltQuickTime, &version), noErr);
  dlclose(engine);
}

}  // namespace
