// New tracks: class records. Members arrive with the classes' behaviour.
#include "plugin/class_list.h"
#include "plugin/registration.h"

namespace fenra {

REALclassDefinition gFenraNewTrackClass =
    DefineClass("FenraNewTrack", "FenraObject", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>());

REALclassDefinition gFenraNewVideoTrackClass =
    DefineClass("FenraNewVideoTrack", "FenraNewTrack", sizeof(void*),
                InstanceProc<NoOpInstanceProc>(), InstanceProc<NoOpInstanceProc>());

REALclassDefinition gFenraNewTextTrackClass =
    DefineClass("FenraNewTextTrack", "FenraNewTrack", sizeof(void*),
                InstanceProc<NoOpInstanceProc>(), InstanceProc<NoOpInstanceProc>());

REALclassDefinition gFenraNewSoundTrackClass =
    DefineClass("FenraNewSoundTrack", "FenraNewTrack", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>());

REALclassDefinition gFenraNewTimeCodeTrackClass =
    DefineClass("FenraNewTimeCodeTrack", "FenraNewTrack", 0, InstanceProc<NoOpInstanceProc>(),
                InstanceProc<NoOpInstanceProc>());

}  // namespace fenra
