// Sound compression: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"

namespace fenra {

REALclassDefinition gFenraCompressSoundClass =
    DefineClass("FenraCompressSound", "FenraComponentService", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>());

}  // namespace fenra
