// State shared by every Movie Toolbox call.
#pragma once

#include "MacErrors.h"
#include "MacTypes.h"

namespace qtml {

// Records a Movie Toolbox result for GetMoviesError (and the sticky error).
void SetMoviesError(OSErr err) noexcept;

// noErr once EnterMovies has run; otherwise records and answers
// movieToolboxUninitialized. Every Movie Toolbox call begins with it:
//   if (OSErr err = RequireMovieToolbox()) return call.Return(err);
OSErr RequireMovieToolbox() noexcept;

}  // namespace qtml
