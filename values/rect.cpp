// Rectangles: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"

namespace fenra {

REALclassDefinition gFenraRectClass =
    DefineClass("FenraRect", "FenraObject", 0, Proc(NoOpInstanceProc), nullptr);

}  // namespace fenra
