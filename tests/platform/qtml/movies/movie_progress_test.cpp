// The default progress display: a bar on standard error when it is a
// terminal, nothing otherwise.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "movies/movie_progress.h"
#include "on_terminal.h"

namespace {

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
