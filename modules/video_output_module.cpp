// Procedural video output module: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"
#include "modules/instance_data.h"

namespace fenra {

REALclassDefinition gQTVideoOutputClass =
    DefineClass("QTVideoOutputClass", nullptr, sizeof(VideoOutputModuleData),
                InstanceProc<NoOpInstanceProc, OnEscape::kAnswerOnly>(),
                InstanceProc<NoOpInstanceProc, OnEscape::kAnswerOnly>());

}  // namespace fenra
