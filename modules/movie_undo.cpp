// Movie undo: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"
#include "modules/instance_data.h"

namespace fenra {

REALclassDefinition gFenraMovieUndoClass =
    DefineClass("FenraMovieUndo", nullptr, sizeof(MovieUndoData),
                InstanceProc<NoOpInstanceProc, OnEscape::kAnswerOnly>(),
                InstanceProc<NoOpInstanceProc, OnEscape::kAnswerOnly>());

}  // namespace fenra
