// Regions: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"

namespace fenra {

REALclassDefinition gFenraRegionClass =
    DefineClass("FenraRegion", "FenraObject", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

}  // namespace fenra
