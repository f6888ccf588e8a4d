// Movies: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"

namespace fenra {

REALclassDefinition gFenraMovieClass =
    DefineClass("FenraMovie", "FenraContainer", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

}  // namespace fenra
