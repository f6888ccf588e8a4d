// Image and movie export: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"

namespace fenra {

REALclassDefinition gFenraExportImageClass =
    DefineClass("FenraExportImage", "FenraComponentService", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>());

REALclassDefinition gFenraExportMovieClass =
    DefineClass("FenraExportMovie", "FenraComponentService", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>());

}  // namespace fenra
