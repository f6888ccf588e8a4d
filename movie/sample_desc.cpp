// Sample descriptions: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"

namespace fenra {

REALclassDefinition gFenraSampleDescClass = DefineClass(
    "FenraSampleDesc", "FenraObject", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

REALclassDefinition gFenraImageDescClass =
    DefineClass("FenraImageDesc", "FenraObject", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

REALclassDefinition gFenraImageDescCompClass = DefineClass(
    "FenraImageDescComp", "FenraImageDesc", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

REALclassDefinition gFenraSoundDescClass =
    DefineClass("FenraSoundDesc", "FenraObject", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

REALclassDefinition gFenraTextDescClass =
    DefineClass("FenraTextDesc", "FenraObject", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

REALclassDefinition gFenraTimeCodeDescClass = DefineClass(
    "FenraTimeCodeDesc", "FenraObject", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

}  // namespace fenra
