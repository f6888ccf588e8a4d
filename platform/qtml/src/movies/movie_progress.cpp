// The default progress display: one line of standard error redrawn in
// place, "Flattening [#####.....]  50%", ended when the operation closes.
#include "movies/movie_progress.h"

#include <algorithm>
#include <string>

#include "files/os.h"
#include "memory/memory.h"

namespace qtml {
namespace {

constexpr int kBarWidth = 30;

const char* OperationName(short operation) {
  switch (operation) {
    case progressOpFlatten:
      return "Flattening";
    case progressOpInsertTrackSegment:
    case progressOpInsertMovieSegment:
      return "Inserting";
    case progressOpPaste:
      return "Pasting";
    case progressOpAddMovieSelection:
      return "Adding";
    case progressOpCopy:
      return "Copying";
    case progressOpCut:
      return "Cutting";
    case progressOpLoadMovieIntoRam:
    case progressOpLoadTrackIntoRam:
    case progressOpLoadMediaIntoRam:
      return "Loading";
    case progressOpImportMovie:
      return "Importing";
    case progressOpExportMovie:
      return "Exporting";
  }
  return "Working";
}

std::string Line(short operation, Fixed percentDone) {
  long percent = std::clamp<long>((long{percentDone} * 100 + 0x8000) >> 16, 0, 100);
  int filled = static_cast<int>(percent * kBarWidth / 100);
  std::string line = "\r";
  line += OperationName(operation);
  line += " [" + std::string(static_cast<size_t>(filled), '#') +
          std::string(static_cast<size_t>(kBarWidth - filled), '.') + "] ";
  std::string number = std::to_string(percent);
  line += std::string(3 - std::min<size_t>(3, number.size()), ' ') + number + "%";
  return line;
}

}  // namespace

OSErr ShowDefaultProgress(short message, short operation, Fixed percentDone) {
  if (!os::StandardErrorIsTerminal()) return noErr;
  GuardedVoid([&] {
    if (message == movieProgressOpen) {
      os::WriteStandardError(Line(operation, 0));
    } else if (message == movieProgressUpdatePercent) {
      os::WriteStandardError(Line(operation, percentDone));
    } else if (message == movieProgressClose) {
      os::WriteStandardError(Line(operation, 0x10000) + "\n");
    }
  });
  return noErr;
}

}  // namespace qtml
