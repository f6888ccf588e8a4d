#include "plugin/registration.h"

namespace fenra {

void NoOpInstanceProc(REALobject) {}

}  // namespace fenra
