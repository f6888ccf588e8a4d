// The movie scrap: one process-wide private copy of a movie, put there by
// PutMovieOnScrap and copied out by NewMovieFromScrap.
#include <memory>

#include "memory/memory.h"
#include "movies/movie_calls.h"
#include "Scrap.h"
#include "movies/movie_edit_list.h"
#include "movies/movie_scrap.h"

namespace qtml {
namespace {

std::unique_ptr<MovieRecord>& Scrap() {
  static std::unique_ptr<MovieRecord> scrap;
  return scrap;
}

}  // namespace

bool ScrapHoldsMovie() noexcept {
  return Scrap() != nullptr;
}

}  // namespace qtml

using qtml::ApiCall;
using qtml::MovieRecord;

extern "C" {

QTML_API OSErr PutMovieOnScrap(Movie theMovie, long movieScrapFlags) try {
  ApiCall call("PutMovieOnScrap", theMovie, movieScrapFlags);
  MovieRecord* movie = qtml::EnterMovie(call, theMovie);
  if (movie == nullptr) return call.Return(GetMoviesError());
  OSErr err = qtml::Guarded<OSErr>(memFullErr, [&] {
    if (!qtml::AllocationAllowed()) return memFullErr;
    auto copy = qtml::CopyMovieRecord(*movie);
    // The scrap holds only a movie: whatever was there goes either way.
    qtml::Scrap() = std::move(copy);
    return noErr;
  });
  return call.Return(qtml::Result(err));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API Movie NewMovieFromScrap(long newMovieFlags) try {
  ApiCall call("NewMovieFromScrap", newMovieFlags);
  if (!qtml::EnterToolbox(call)) return call.Return<Movie>(nullptr);
  if (qtml::Scrap() == nullptr) {
    qtml::SetMoviesError(noMovieFound);
    return call.Return<Movie>(nullptr);
  }
  Movie movie = qtml::Guarded<Movie>(nullptr, [&]() -> Movie {
    if (!qtml::AllocationAllowed()) return nullptr;
    auto copy = qtml::CopyMovieRecord(*qtml::Scrap());
    copy->flags = newMovieFlags;
    copy->active = (newMovieFlags & newMovieActive) != 0;
    copy->changed = false;
    return qtml::AdoptMovie(std::move(copy));
  });
  qtml::SetMoviesError(movie != nullptr ? noErr : memFullErr);
  return call.Return(movie);
} catch (...) {
  return qtml::Escaped<Movie>();
}

}  // extern "C"

extern "C" QTML_API long ZeroScrap(void) try {
  ApiCall call("ZeroScrap");
  if (OSErr fault = call.Fault()) return call.Return<long>(fault);
  qtml::Scrap().reset();
  return call.Return<long>(noErr);
} catch (...) {
  return qtml::Escaped<long>();
}
