// Playback: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"

namespace fenra {

REALclassDefinition gFenraMoviePlayClass =
    DefineClass("FenraMoviePlay", "FenraMovie", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>());

}  // namespace fenra
