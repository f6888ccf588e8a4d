// Samples of media whose data live in memory, copied into a movie file
// when a movie is written into the file by reference: a handle or a block
// of memory means nothing once this process has let it go, so the file
// must hold those samples itself.
#pragma once

#include <memory>
#include <string>

#include "movies/movie_model.h"

namespace qtml {

// Whether a data reference's bytes live in this process's memory: a
// handle ('hndl') or pointer ('ptr ') reference, or a self reference of a
// movie read from memory.
bool InMemory(const DataReference& ref);

// Readies `movie` for being written into the movie file at `path`, whose
// open, writable store is `file`. When no media of the movie has a data
// reference in memory, *written stays nullptr and the movie is written as
// it is. Otherwise the samples those references hold are appended to the
// file as movie data (bytes shared by several samples once), and
// *written receives a copy of the movie (the caller's) in which those
// references are self references to the file and those samples' offsets
// point into the appended data. `movie` itself is not changed.
//
// Errors leave the file as it was: couldNotResolveDataRef when a
// reference in memory holding samples has no data, endOfDataReached when
// a sample's bytes are no longer there (a handle since emptied or
// disposed of), ioErr when the file cannot be written, memFullErr.
OSErr CopyMemorySamplesToFile(const MovieRecord& movie, const std::shared_ptr<DataStore>& file,
                              const std::string& path, std::unique_ptr<MovieRecord>* written);

}  // namespace qtml
