// Video output objects: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"

namespace fenra {

REALclassDefinition gFenraDisplayModeClass =
    DefineClass("FenraDisplayMode", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>());

REALclassDefinition gFenraVideoOutputClass =
    DefineClass("FenraVideoOutput", "FenraComponentService", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>());

REALclassDefinition gFenraVideoOutputImageClass =
    DefineClass("FenraVideoOutputImage", "FenraVideoOutput", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>());

REALclassDefinition gFenraVideoOutputMovieClass =
    DefineClass("FenraVideoOutputMovie", "FenraVideoOutput", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>());

}  // namespace fenra
