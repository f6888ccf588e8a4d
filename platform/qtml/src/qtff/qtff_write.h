// Writing the movie model as a QuickTime 'moov' atom.
#pragma once

#include <string>
#include <vector>

#include "movies/movie_model.h"

namespace qtml {

// What the movie atom is written for.
struct WriteTarget {
  // The native path of the file the atom goes into: data references to
  // that file become self references, and self references to the file a
  // movie was read from become alias references to it. Empty: no file.
  std::string filePath;
  // A movie put into a handle keeps every data reference as it is and
  // records which live store each one reads, so that a movie read back
  // from the handle in this process shares them.
  bool forHandle = false;
};

// The 'moov' atom of the movie, header included. Media, track and movie
// durations are recomputed (from samples and edit lists) as written;
// atoms kept from a file are written back where they were found.
// memFullErr when memory is short, and for a media of more samples than
// the file's 32-bit counts hold or whose sizes or sync samples would be
// listed one by one for more than 64 million samples.
OSErr WriteMovieAtom(const MovieRecord& movie, const WriteTarget& target,
                     std::vector<uint8_t>* out);

// The 'ftyp' atom of a QuickTime movie file.
std::vector<uint8_t> QuickTimeFileType();

// Whether two native paths name the same file (the same file when both
// exist; the same normalized path otherwise, or when the file system
// cannot tell).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace qtml
