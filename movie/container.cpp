// Containers, media and tracks: class records. Members arrive with the classes' behaviour.
#include "movie/container.h"

#include "plugin/class_list.h"
#include "plugin/registration.h"

namespace fenra {

REALclassDefinition gFenraContainerClass =
    DefineClass("FenraContainer", "FenraObject", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

REALclassDefinition gFenraMediaClass =
    DefineClass("FenraMedia", "FenraContainer", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

REALclassDefinition gFenraTrackClass =
    DefineClass("FenraTrack", "FenraContainer", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

// Containers have no natives yet: nothing answers a media or a track.
Media MediaOfObject(REALobject object) {
  (void)object;
  return nullptr;
}

Track TrackOfObject(REALobject object) {
  (void)object;
  return nullptr;
}

}  // namespace fenra
