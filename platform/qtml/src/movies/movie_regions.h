// Geometry of movies and tracks: boxes and the clip regions they keep as
// region bytes (big-endian, as movie files store them).
#pragma once

#include <vector>

#include "movies/movie_model.h"
#include "quickdraw/regions.h"

namespace qtml {

// The rectangle holding a fixed-point one (edges rounded outwards).
Rect RectOfFixed(const FixedRect& r);
// Every enabled track's box through its matrix, in movie coordinates.
Rect NaturalBounds(const MovieRecord& movie);
// The natural bounds through the movie's matrix.
Rect MovieBox(const MovieRecord& movie);

// The clip's shape; false when there is no clip (empty bytes).
bool ClipShape(const std::vector<uint8_t>& clip, Shape* shape);
// A new region holding the shape (owned by the caller), or nullptr when
// memory is short.
RgnHandle NewRegionHolding(const Shape& shape);
// A new region holding the clip, or nullptr (err noErr) when there is none.
RgnHandle ClipToRegion(const std::vector<uint8_t>& clip, OSErr* err);
// Keeps a copy of the region as clip bytes; nil clears. paramErr for a
// handle that is not a region.
OSErr StoreClip(RgnHandle region, std::vector<uint8_t>* clip);

}  // namespace qtml
