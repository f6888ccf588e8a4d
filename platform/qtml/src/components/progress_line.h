// A progress line on standard error for long work (compression, export,
// edits), drawn only while standard error is a terminal:
// "Compressing [#####.....]  50%", redrawn in place, or a running count
// "Compressing: 12 frames".
#pragma once

namespace qtml {

// Draws the bar at `fraction` (0 to 1); `done` ends the line.
void DrawProgressBar(const char* label, double fraction, bool done);
// Draws the count; `done` ends the line.
void DrawProgressCount(const char* label, long count, const char* unit, bool done);

}  // namespace qtml
