// Compression services: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"

namespace fenra {

REALclassDefinition gFenraComponentServiceClass = DefineClass(
    "FenraComponentService", "FenraObject", 0, Proc(NoOpInstanceProc), Proc(NoOpInstanceProc));

REALclassDefinition gFenraCompressImageClass =
    DefineClass("FenraCompressImage", "FenraComponentService", 0, Proc(NoOpInstanceProc),
                Proc(NoOpInstanceProc));

REALclassDefinition gFenraCompressMovieClass =
    DefineClass("FenraCompressMovie", "FenraComponentService", 0, Proc(NoOpInstanceProc),
                Proc(NoOpInstanceProc));

}  // namespace fenra
