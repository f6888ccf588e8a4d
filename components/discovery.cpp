// Component and codec discovery: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"

namespace fenra {

REALclassDefinition gFenraComponentClass =
    DefineClass("FenraComponent", "FenraObject", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

REALclassDefinition gFenraCodecClass =
    DefineClass("FenraCodec", "FenraObject", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

REALclassDefinition gFenraCodecListClass =
    DefineClass("FenraCodecList", "FenraObject", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

REALclassDefinition gFenraComponentListClass = DefineClass(
    "FenraComponentList", "FenraObject", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

}  // namespace fenra
