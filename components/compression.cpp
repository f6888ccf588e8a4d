// Compression services: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"

namespace fenra {

REALclassDefinition gFenraComponentServiceClass =
    DefineClass("FenraComponentService", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>());

REALclassDefinition gFenraCompressImageClass =
    DefineClass("FenraCompressImage", "FenraComponentService", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>());

REALclassDefinition gFenraCompressMovieClass =
    DefineClass("FenraCompressMovie", "FenraComponentService", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>());

}  // namespace fenra
