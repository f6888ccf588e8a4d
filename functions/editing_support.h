// What the movie editing and information functions share, with the movie
// controller functions: finding the QuickTime movie behind a host movie or
// player, the player's selection, tracks by index, and the entries kept in
// files of their own (saving and exporting, recompression and one-sample
// tracks) for the table in editing.cpp.
#pragma once

#include <cstdint>

#include "Movies.h"
#include "REALplugin.h"

namespace fenra {

class TimeRangeNative;

// The movie behind a host movie; nil for nil or a host movie without one.
Movie HostMovie(REALmovie m);
// The controller behind a host movie player (nil for none), and its movie.
MovieController PlayerController(REALmoviePlayer mp);
Movie ControllerMovie(MovieController controller);
// The movie's track at a 1-based index, or nil.
Track TrackAtIndex(Movie movie, RBInteger index);
// The controller's selection, as the movie controller functions read it:
// nothing (0 and 0) while editing is disabled. noErr, or the result of the
// last selection action that answered neither 0 nor 1; paramErr for no
// controller.
OSErr ReadPlayerSelection(MovieController controller, int64_t* start, int64_t* duration);
// The native of a FenraTimeRange argument, or null for nil or none.
TimeRangeNative* RangeArgument(REALobject range);
// The platform version word, the high half of QuickTime's version.
long PlatformVersionWord();

// editing_files.cpp
RBInteger SaveChanges(REALfolderItem srcMovieFile, REALmovie m);
RBInteger MovieExportToFile(REALobject m, REALfolderItem dst);
RBInteger TrackExportToFile(REALobject tk, REALfolderItem dst);
RBInteger CreateFromPlayerSelection(REALmoviePlayer mp, REALfolderItem dstFile);
RBInteger CreateFromPlayerRange(REALmoviePlayer mp, REALfolderItem dstFile, RBInteger sPos,
                                RBInteger ePos);
RBInteger CreateFromMovieRange(REALmovie srcMovie, REALfolderItem dstFile, RBInteger sPos,
                               RBInteger ePos);
RBInteger CreateEmptyFile(REALfolderItem newFile);
REALmovie CreateEmpty(REALfolderItem newFile);
RBInteger CheckStatus(REALfolderItem srcFile);

// recompress.cpp
RBInteger VideoTrackWithSample(REALmovie src, REALobject params, REALpicture pic);
RBInteger Recompress(REALmovie src, REALfolderItem dstFile, RBInteger cDepth, RBInteger cQual,
                     REALstring cType, double fRate);
RBInteger RecompressRegion(REALmovie src, REALfolderItem dstFile, REALarray roi, RBInteger cDepth,
                           RBInteger cQual, REALstring cType, double fRate);

}  // namespace fenra
