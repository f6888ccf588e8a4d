// Image and movie export: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"

namespace fenra {

REALclassDefinition gFenraExportImageClass = DefineClass(
    "FenraExportImage", "FenraComponentService", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

REALclassDefinition gFenraExportMovieClass = DefineClass(
    "FenraExportMovie", "FenraComponentService", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

}  // namespace fenra
