// Containers, media and tracks: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"

namespace fenra {

REALclassDefinition gFenraContainerClass =
    DefineClass("FenraContainer", "FenraObject", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

REALclassDefinition gFenraMediaClass =
    DefineClass("FenraMedia", "FenraContainer", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

REALclassDefinition gFenraTrackClass =
    DefineClass("FenraTrack", "FenraContainer", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

}  // namespace fenra
