// What other classes need of containers: the QuickTime media and track
// behind a FenraMedia or FenraTrack object.
#pragma once

#include "Movies.h"
#include "plugin/host_services.h"

namespace fenra {

// The media of a FenraMedia object (or the media of a FenraTrack's track),
// or nullptr when the object is nil, of another class, or has no native.
Media MediaOfObject(REALobject object);
// The track of a FenraTrack object, or nullptr.
Track TrackOfObject(REALobject object);

}  // namespace fenra
