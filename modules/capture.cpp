// Capture module: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"
#include "modules/instance_data.h"

namespace fenra {

REALclassDefinition gQTMovieCreationClass =
    DefineClass("QTMovieCreationClass", nullptr, sizeof(MovieCreationData),
                InstanceProc<NoOpInstanceProc, OnEscape::kAnswerOnly>(),
                InstanceProc<NoOpInstanceProc, OnEscape::kAnswerOnly>());

}  // namespace fenra
