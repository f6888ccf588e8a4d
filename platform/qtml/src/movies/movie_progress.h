// QuickTime's default progress display, which a movie asks for with the
// progress procedure (MovieProgressUPP)-1.
#pragma once

#include "Movies.h"

namespace qtml {

inline const MovieProgressUPP kDefaultProgressProc = reinterpret_cast<MovieProgressUPP>(-1);

// Shows a long operation's progress: a bar on the terminal while standard
// error is one, nothing otherwise. Always noErr: the display never stops
// the operation.
OSErr ShowDefaultProgress(short message, short operation, Fixed percentDone);

}  // namespace qtml
