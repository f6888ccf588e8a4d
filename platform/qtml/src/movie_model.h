// The Movie Toolbox's model behind the opaque Movie references.
#pragma once

#include "Movies.h"

namespace qtml {

struct MovieRecord {
  TimeScale timeScale = 600;
  TimeValue duration = 0;
  TimeValue selectionTime = 0;
  TimeValue selectionDuration = 0;
  long flags = 0;
};

// The record behind a reference the toolbox made, or nullptr (and
// invalidMovie recorded) for nil or a reference it does not know.
MovieRecord* MovieOf(Movie movie) noexcept;

}  // namespace qtml
