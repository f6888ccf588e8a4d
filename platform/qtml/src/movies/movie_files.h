// Movie files as other rooms of the engine write them.
#pragma once

#include "Files.h"
#include "movies/movie_model.h"

namespace qtml {

// Writes a self-contained copy of the movie to a new file, as FlattenMovie
// does (written aside, put in place whole; the movie's progress procedure
// hears of it), without the call's bookkeeping.
OSErr FlattenToFile(MovieRecord& movie, long flags, const FSSpec* theFile, OSType creator,
                    long createFlags);

}  // namespace qtml
