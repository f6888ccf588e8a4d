// What an engine entry answers when its body throws.
#include <new>
#include <stdexcept>

#include "base/api_call.h"
#include "memory/memory.h"
#include "movies/movie_toolbox.h"

namespace qtml {

int& EngineDepth() noexcept {
  thread_local int depth = 0;
  return depth;
}

OSErr RecordEscape() noexcept {
  OSErr err = internalQuickTimeError;
  try {
    throw;
  } catch (const std::bad_alloc&) {
    err = memFullErr;
  } catch (const std::length_error&) {
    err = memFullErr;  // a container asked for more than can be had
  } catch (...) {
  }
  SetMemError(err);
  SetMoviesError(err);
  return err;
}

}  // namespace qtml
