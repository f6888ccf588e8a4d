// Reading QuickTime movie files into the movie model.
//
// A movie file is a run of top-level atoms: 'ftyp', 'moov' (the movie),
// 'mdat' (sample data), 'wide', 'free', 'skip' and others. The movie's
// media name their sample data through data references; a self reference
// (flags 1) is the file the movie was read from.
#pragma once

#include <memory>
#include <string>

#include "movies/movie_model.h"

namespace qtml {

// Where a movie atom was read from.
struct MovieSource {
  // The bytes self references read: the movie's file, or the memory a
  // 'hndl' or 'ptr ' reference names; nullptr for a lone 'moov' atom.
  std::shared_ptr<DataStore> self;
  std::string selfPath;  // the native path of `self` when it is a file
  // The bytes are in memory (a handle or a pointer), where a movie this
  // engine put into a handle may be: only then are the engine's private
  // atoms looked at, and only when they carry this process's key.
  bool inMemory = false;
};

// One top-level atom of a file.
struct TopLevelAtom {
  OSType type = 0;
  SInt64 offset = 0;
  SInt64 size = 0;        // header included
  SInt64 headerSize = 8;  // 16 for a 64-bit size
};

// The top-level atoms of a store, in order. *validEnd is where the last
// whole atom ends; bytes after it (a truncated atom or sample bytes not yet
// in an atom) are left out. With a `limit` (>= 0) the walk stops there:
// bytes the engine appended after a file's atoms are never read as atoms,
// whatever they hold. ioErr when the store cannot be read.
OSErr WalkTopLevel(DataStore& store, std::vector<TopLevelAtom>* atoms, SInt64* validEnd,
                   SInt64 limit = -1);

// Reads the movie of a 'moov' atom (header included) into *movie. Other
// data references than self references are opened when they can be;
// *unresolved (when given) tells whether some could not. `fragments`
// (when given) are the top-level atoms of the file the atom is in: the
// samples of its movie fragments ('moof') join the tracks' media. Results:
// badPublicMovieAtom for atoms that do not fit or lack what they must
// hold, invalidSampleTable for sample tables that disagree,
// badDataRefIndex for a description naming a data reference that is not
// there, memFullErr.
OSErr ParseMovieAtom(const uint8_t* bytes, size_t size, const MovieSource& source,
                     std::unique_ptr<MovieRecord>* movie, bool* unresolved,
                     const std::vector<TopLevelAtom>* fragments = nullptr);

// Reads the first movie of a store holding a movie file (or only a 'moov'
// atom): noMovieFound when it has none; the file's 'ftyp' is kept among
// the movie's unknown atoms with parent 'file'.
OSErr ReadMovieFromStore(const MovieSource& source, std::unique_ptr<MovieRecord>* movie,
                         bool* unresolved);

// The file's native path, when a data reference names a file: an alias
// record's path, a file: URL's path, or for a self reference the path of
// the file it was read from (FileStorePath). Empty otherwise.
std::string DataRefPath(const DataReference& ref);

// Remembers that a store reads the file at `path`, so that a self
// reference read from it can be written relative to another file later.
void NoteFileStore(const std::shared_ptr<DataStore>& store, const std::string& path);
std::string FileStorePath(const DataStore* store);
// An alias record of the file a noted store reads, made once; empty for
// other stores.
std::vector<uint8_t> FileStoreAlias(const DataStore* store);

// Tokens standing for live stores in movies put into handles, so that a
// movie read back from a handle shares its source's stores. A token whose
// store has gone answers nullptr.
uint64_t StoreToken(const std::shared_ptr<DataStore>& store);
std::shared_ptr<DataStore> StoreOfToken(uint64_t token);

// The private atom ('fnst') of a movie put into a handle: this process's
// key, then a store token for each data reference.
constexpr OSType kStoreTokensAtom = 'fnst';
constexpr size_t kProcessKeySize = 16;
// This process's key: random, made once.
const uint8_t* ProcessKey() noexcept;

// For the engine's tests: the movie of a movie file as text (its fields,
// each track's and media's, data references, kept atoms, and a digest of
// the samples), the error when it cannot be read. With `rewrite`, the
// movie is first written back as a movie atom for the same file and read
// again from that atom.
OSErr SummarizeMovieFile(const std::string& path, bool rewrite, std::string* text);

}  // namespace qtml
