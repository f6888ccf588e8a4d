#include "plugin/quicktime_start.h"

#include "Gestalt.h"
#include "Movies.h"
#include "QTML.h"

namespace fenra {
namespace {

int gQuickTimeStarts = 0;

// The library asks for the version while it loads, which normally starts
// QuickTime before the host calls REALPluginMain.
[[maybe_unused]] const long gVersionAtLoad = QuickTimeVersion();

}  // namespace

bool StartQuickTime() {
  if (gQuickTimeStarts == 0 && InitializeQTML(0) == noErr) ++gQuickTimeStarts;
  return gQuickTimeStarts > 0;
}

long QuickTimeVersion() {
  if (!StartQuickTime()) return 0;
  long version = 0;
  if (Gestalt(gestaltQuickTime, &version) != noErr) return 0;
  return version;
}

void ProbeMovieToolbox() {
  QTAtomContainer effects = nullptr;
  if (QTGetEffectsList(&effects, -1, -1, 0) == movieToolboxUninitialized) EnterMovies();
  if (effects != nullptr) QTDisposeAtomContainer(effects);
}

}  // namespace fenra
