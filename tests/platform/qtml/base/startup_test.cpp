// Start-up: QTML, the Movie Toolbox gate, Gestalt and the effects list,
// and faults armed from the environment when the engine loads.
#include <gtest/gtest.h>
#include <link.h>

#include <cstdio>
#include <cstring>
#include <string>

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
  // Brightness and contrast: its name and type.
  EXPECT_EQ(QTCountChildrenOfType(list, kParentAtomIsContainer, 'name'), 1);
  QTAtom type = QTFindChildByIndex(list, kParentAtomIsContainer, 'type', 1, nullptr);
  OSType value = 0;
  ASSERT_EQ(QTCopyAtomDataToPtr(list, type, false, sizeof value, &value, nullptr), noErr);
  EXPECT_EQ(__builtin_bswap32(value), static_cast<OSType>('brco'));  // stored big-endian
  EXPECT_EQ(QTDisposeAtomContainer(list), noErr);
  ASSERT_EQ(QTGetEffectsList(&list, 2, 2, 0), noErr);
  EXPECT_EQ(QTCountChildren(list, kParentAtomIsContainer), 0) << "no effect of two sources";
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

// Runs the start-up probe's command line; its output in *answers, and
// whether it ran to a clean exit.
bool RunProbe(const std::string& command, std::string* answers) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) *answers += buffer;
  return pclose(pipe) == 0;
}

// The engine as a host loads it, in a process of its own (QTML_STARTUP_PROBE),
// reads QTML_FAIL when it loads: malformed entries are skipped.
TEST_F(StartupTest, FaultsComeFromTheEnvironmentAtLoad) {
  std::string answers;
  ASSERT_TRUE(RunProbe("QTML_FAIL='InitializeQTML:-2093,Gestalt:-5550:2,bogus,:1' " +
                           std::string(QTML_STARTUP_PROBE),
                       &answers))
      << answers;
  EXPECT_EQ(answers,
            "InitializeQTML -2093\n"
            "InitializeQTML 0\n"
            "Gestalt 0\n"
            "Gestalt -5550\n"
            "Gestalt 0\n");
}

// Starting the engine and exporting a picture need no container library:
// loading it would cost every run a good part of its start-up.
TEST_F(StartupTest, TheContainerLibraryWaitsUntilAMovieIsWritten) {
  std::string answers;
  ASSERT_TRUE(RunProbe(std::string(QTML_STARTUP_PROBE) + " libraries", &answers)) << answers;
  EXPECT_EQ(answers,
            "InitializeQTML 0\n"
            "EnterMovies 0\n"
            "OpenADefaultComponent 0\n"
            "libavformat not loaded\n");
}

// These tests link the engine's objects; the library as well would make a
// second engine, with state of its own, in the same process.
TEST(EngineCopies, TheTestsHoldTheOnlyEngine) {
  int libraries = 0;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* count) {
        if (std::strstr(info->dlpi_name, "libqtmlClient") != nullptr) ++*static_cast<int*>(count);
        return 0;
      },
      &libraries);
  EXPECT_EQ(libraries, 0);
}

}  // namespace
