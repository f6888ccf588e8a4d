#include "components/progress_line.h"

#include <algorithm>
#include <string>

#include "files/os.h"
#include "memory/memory.h"

namespace qtml {
namespace {

constexpr int kBarWidth = 30;

void Write(const std::string& line, bool done) {
  os::WriteStandardError(done ? line + "\n" : line);
}

}  // namespace

void DrawProgressBar(const char* label, double fraction, bool done) {
  if (!os::StandardErrorIsTerminal()) return;
  GuardedVoid([&] {
    long percent = std::clamp(static_cast<long>(fraction * 100 + 0.5), 0L, 100L);
    int filled = static_cast<int>(percent * kBarWidth / 100);
    std::string number = std::to_string(percent);
    std::string line = std::string("\r") + label + " [" +
                       std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(kBarWidth - filled), '.') + "] " +
                       std::string(3 - std::min<size_t>(3, number.size()), ' ') + number + "%";
    Write(line, done);
  });
}

void DrawProgressCount(const char* label, long count, const char* unit, bool done) {
  if (!os::StandardErrorIsTerminal()) return;
  GuardedVoid(
      [&] { Write(std::string("\r") + label + ": " + std::to_string(count) + " " + unit, done); });
}

}  // namespace qtml
