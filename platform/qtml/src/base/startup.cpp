// Engine start-up: QTML, the Movie Toolbox, Gestalt and the effects list.
#include "Gestalt.h"
#include "Movies.h"
#include "QTML.h"
#include "base/api_call.h"
#include "movies/atom_container.h"
#include "movies/movie_toolbox.h"

namespace qtml {
namespace {

long gQTMLStarts = 0;
bool gMoviesEntered = false;
OSErr gMoviesError = noErr;
OSErr gMoviesStickyError = noErr;

struct GestaltEntry {
  OSType selector;
  long response;
};

constexpr GestaltEntry kGestaltTable[] = {
    {gestaltQuickTime, 0x07798000},  // 7.7.9, final
};

OSErr AnswerGestalt(OSType selector, long* response) {
  for (const GestaltEntry& entry : kGestaltTable) {
    if (entry.selector == selector) {
      *response = entry.response;
      return noErr;
    }
  }
  return gestaltUndefSelectorErr;
}

// The engine has no effects yet; as effect components arrive they are
// listed here, one 'name' and 'type' leaf pair per effect.
OSErr ListEffects(QTAtomContainer list, long minSources, long maxSources) {
  (void)list;
  (void)minSources;
  (void)maxSources;
  return noErr;
}

}  // namespace

void SetMoviesError(OSErr err) noexcept {
  gMoviesError = err;
  if (gMoviesStickyError == noErr) gMoviesStickyError = err;
}

OSErr RequireMovieToolbox() noexcept {
  if (gMoviesEntered) return noErr;
  SetMoviesError(movieToolboxUninitialized);
  return movieToolboxUninitialized;
}

}  // namespace qtml

using qtml::ApiCall;

extern "C" {

OSErr InitializeQTML(long flag) {
  ApiCall call("InitializeQTML", flag);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  ++qtml::gQTMLStarts;
  return call.Return<OSErr>(noErr);
}

void TerminateQTML(void) {
  ApiCall call("TerminateQTML");
  if (call.Fault() != noErr) return;
  if (qtml::gQTMLStarts > 0) --qtml::gQTMLStarts;
}

OSErr EnterMovies(void) {
  ApiCall call("EnterMovies");
  if (OSErr fault = call.Fault()) {
    qtml::SetMoviesError(fault);
    return call.Return(fault);
  }
  qtml::gMoviesEntered = true;
  qtml::SetMoviesError(noErr);
  return call.Return<OSErr>(noErr);
}

void ExitMovies(void) {
  ApiCall call("ExitMovies");
  if (OSErr fault = call.Fault()) return qtml::SetMoviesError(fault);
  qtml::gMoviesEntered = false;
}

OSErr GetMoviesError(void) {
  ApiCall call("GetMoviesError");
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(qtml::gMoviesError);
}

OSErr GetMoviesStickyError(void) {
  ApiCall call("GetMoviesStickyError");
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(qtml::gMoviesStickyError);
}

void ClearMoviesStickyError(void) {
  ApiCall call("ClearMoviesStickyError");
  if (call.Fault() != noErr) return;
  qtml::gMoviesStickyError = noErr;
}

OSErr Gestalt(OSType selector, long* response) {
  ApiCall call("Gestalt", qtml::FourCC{selector}, response);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (response == nullptr) return call.Return<OSErr>(paramErr);
  return call.Return(qtml::AnswerGestalt(selector, response));
}

void* QTLoadLibrary(const char* szDLL) {
  ApiCall call("QTLoadLibrary", szDLL);
  return call.Return<void*>(nullptr);
}

OSErr QTGetEffectsList(QTAtomContainer* returnedList, long minSources, long maxSources,
                       long getOptions) {
  ApiCall call("QTGetEffectsList", returnedList, minSources, maxSources, getOptions);
  OSErr err = call.Fault();
  if (err == noErr) err = qtml::RequireMovieToolbox();
  if (err == noErr && returnedList == nullptr) err = paramErr;
  QTAtomContainer list = nullptr;
  if (err == noErr) err = qtml::atoms::NewContainer(&list);
  if (err == noErr) err = qtml::ListEffects(list, minSources, maxSources);
  if (err != noErr && list != nullptr) {
    qtml::atoms::DisposeContainer(list);
    list = nullptr;
  }
  if (returnedList != nullptr) *returnedList = list;
  qtml::SetMoviesError(err);
  return call.Return(err);
}

}  // extern "C"
