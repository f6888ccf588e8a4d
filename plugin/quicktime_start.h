// Starting QuickTime: once per process, behind a counter of successful
// starts. QuickTime is never shut down.
#pragma once

namespace fenra {

// Starts QuickTime unless it has started already; true when it is up.
// InitializeQTML succeeds at most once however often this runs.
bool StartQuickTime();

// The QuickTime version word ('qtim'), starting QuickTime first; 0 when
// QuickTime cannot start or Gestalt fails.
long QuickTimeVersion();

// Makes sure the movie toolbox is entered: when a toolbox query answers
// that it is not initialised, EnterMovies is called.
void ProbeMovieToolbox();

}  // namespace fenra
