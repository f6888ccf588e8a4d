// Global information module: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"
#include "modules/instance_data.h"

namespace fenra {

REALclassDefinition gQTGlobalInfoClass =
    DefineClass("QTGlobalInfoClass", nullptr, sizeof(QTGlobalInfoData),
                InstanceProc<NoOpInstanceProc, OnEscape::kAnswerOnly>(),
                InstanceProc<NoOpInstanceProc, OnEscape::kAnswerOnly>());

}  // namespace fenra
