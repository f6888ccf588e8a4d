// Drawing a movie's frame: each enabled visual track's sample at the
// movie's time, decoded and drawn into the movie's port through the
// track's and the movie's matrices.
#pragma once

#include "movies/movie_model.h"

namespace qtml {

// Draws the frame at the movie's current time into its port (nothing
// without a port). Tracks are drawn from the highest layer to the lowest,
// so that lower layers show in front. noErr, or the first error a track
// met (noCodecErr for a type nothing decodes, the data's errors); the
// tracks that could be drawn are.
OSErr DrawMovieFrame(MovieRecord& movie);

}  // namespace qtml
