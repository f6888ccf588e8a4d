// What the functions that go through a movie's video frames share: the
// steps from frame to frame, whether a movie has a track of a type, the
// identity matrices that show frames as they are, and the escape key that
// ends a long run.
#pragma once

#include "Movies.h"
#include "movie/container.h"  // TrackMediaType

namespace fenra {

// Interesting-time flags of the first step from time 0: the sample there
// counts, at an edit's edge too, whatever the active segment (0xC001).
// Every later step is nextTimeStep.
constexpr short kFirstStepFlags =
    nextTimeMediaSample | nextTimeEdgeOK | static_cast<short>(nextTimeIgnoreActiveSegment);
constexpr Fixed kNormalRate = 0x00010000;

bool HasTrackOfType(Movie movie, OSType type);
// The movie's video frames: its 'vide' interesting times from 0.
long CountVideoFrames(Movie movie);
// Gives every video track and the movie the identity matrix, so that
// frames are drawn unscaled and unrotated.
void ResetVideoMatrices(Movie movie);
// Whether the user has pressed escape; the key stays in the event queue.
bool EscapePressed();

}  // namespace fenra
