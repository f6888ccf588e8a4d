// The default progress display: one line of standard error redrawn in
// place, "Flattening [#####.....]  50%", ended when the operation closes.
#include "movies/movie_progress.h"

#include "components/progress_line.h"

namespace qtml {
namespace {

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

}  // namespace

OSErr ShowDefaultProgress(short message, short operation, Fixed percentDone) {
  const char* label = OperationName(operation);
  if (message == movieProgressOpen) {
    DrawProgressBar(label, 0, false);
  } else if (message == movieProgressUpdatePercent) {
    DrawProgressBar(label, static_cast<double>(percentDone) / 0x10000, false);
  } else if (message == movieProgressClose) {
    DrawProgressBar(label, 1, true);
  }
  return noErr;
}

}  // namespace qtml
