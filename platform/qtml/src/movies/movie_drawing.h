// Drawing a movie's frame: each enabled visual track's sample at the
// movie's time, decoded and drawn into the movie's port through the
// track's and the movie's matrices.
#pragma once

#include "movies/movie_model.h"

struct AVFrame;

namespace qtml {

// Draws the frame at the movie's current time into its port (nothing
// without a port). Tracks are drawn from the highest layer to the lowest,
// so that lower layers show in front. noErr, or the first error a track
// met (noCodecErr for a type nothing decodes, the data's errors); the
// tracks that could be drawn are.
OSErr DrawMovieFrame(MovieRecord& movie);

// The frame at the movie's current time as its codec gave it, when
// drawing it would only convert its pixels into the whole of the port:
// one visual track, a video track, whose picture lands unscaled and
// unclipped on exactly the port's bounds, copied, at no gamma. A caller
// that converts frames itself (to encode them, say) saves the round trip
// through the port's pixels. nullptr otherwise, or when it cannot be
// decoded: DrawMovieFrame then draws the frame. Valid until the movie is
// drawn or changed.
const AVFrame* FrameAsDecoded(MovieRecord& movie);

}  // namespace qtml
