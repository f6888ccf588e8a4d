// The default progress display: a bar on standard error when it is a
// terminal, nothing otherwise.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "movies/movie_progress.h"

namespace {

// Runs `body` with standard error on a new pseudo-terminal and answers what
// reached the terminal; empty when no terminal can be had.
template <typename F>
std::string OnTerminal(F&& body) {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return "";
  int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
  int saved = dup(STDERR_FILENO);
  dup2(slave, STDERR_FILENO);
  body();
  dup2(saved, STDERR_FILENO);
  close(saved);
  close(slave);
  std::string text;
  fcntl(master, F_SETFL, O_NONBLOCK);
  char buffer[512];
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(master);
  return text;
}

TEST(DefaultProgress, ABarOnATerminal) {
  std::string shown = OnTerminal([] {
    EXPECT_EQ(qtml::ShowDefaultProgress(movieProgressOpen, progressOpFlatten, 0), noErr);
    qtml::ShowDefaultProgress(movieProgressUpdatePercent, progressOpFlatten, 0x8000);
    qtml::ShowDefaultProgress(movieProgressClose, progressOpFlatten, 0x10000);
  });
  if (shown.empty()) GTEST_SKIP() << "no pseudo-terminal";
  EXPECT_NE(shown.find("\rFlattening [" + std::string(30, '.') + "]   0%"), std::string::npos);
  EXPECT_NE(shown.find("\rFlattening [" + std::string(15, '#') + std::string(15, '.') + "]  50%"),
            std::string::npos);
  EXPECT_NE(shown.find("[" + std::string(30, '#') + "] 100%"), std::string::npos);
  EXPECT_EQ(shown.back(), '\n');
}

TEST(DefaultProgress, NothingWhenStandardErrorIsNotATerminal) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(qtml::ShowDefaultProgress(movieProgressOpen, progressOpPaste, 0), noErr);
  qtml::ShowDefaultProgress(movieProgressClose, progressOpPaste, 0x10000);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
