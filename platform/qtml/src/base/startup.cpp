// Engine start-up: QTML, the Movie Toolbox, Gestalt and the effects list.
#include <cstring>
#include <string>

#include "Gestalt.h"
#include "Movies.h"
#include "QTML.h"
#include "QTMLTestControls.h"
#include "base/api_call.h"
#include "base/byte_order.h"
#include "movies/atom_container.h"
#include "movies/movie_toolbox.h"
#include "sound/sound_output.h"

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

// The libraries QTLoadLibrary finds: none is installed on this platform
// unless the test controls offer one (QTMLTest_OfferLibrary).
std::string& OfferedLibrary() {
  static std::string name;
  return name;
}

constexpr const char* kVRLibrary = "QuickTimeVR.qtx";

OSErr AnswerGestalt(OSType selector, long* response) {
  if (selector == gestaltQTVRMgrAttr && OfferedLibrary() == kVRLibrary) {
    *response = 1L << gestaltQTVRMgrPresent;
    return noErr;
  }
  for (const GestaltEntry& entry : kGestaltTable) {
    if (entry.selector == selector) {
      *response = entry.response;
      return noErr;
    }
  }
  return gestaltUndefSelectorErr;
}

// The engine's effects, one 'name' and 'type' leaf pair each, for those
// whose number of sources lies within the bounds asked (-1: no bound).
struct EffectListing {
  OSType type;
  const char* name;
  long sources;
};
constexpr EffectListing kEffects[] = {{'brco', "Brightness and Contrast", 1}};

OSErr ListEffects(QTAtomContainer list, long minSources, long maxSources) {
  for (const EffectListing& effect : kEffects) {
    if ((minSources >= 0 && effect.sources < minSources) ||
        (maxSources >= 0 && effect.sources > maxSources)) {
      continue;
    }
    uint8_t type[4];
    WriteBE32(type, effect.type);
    OSErr err =
        atoms::InsertChild(list, kParentAtomIsContainer, 'name', 0, 0,
                           static_cast<long>(std::strlen(effect.name)), effect.name, nullptr);
    if (err == noErr) {
      err = atoms::InsertChild(list, kParentAtomIsContainer, 'type', 0, 0, sizeof type, type,
                               nullptr);
    }
    if (err != noErr) return err;
  }
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

OSErr InitializeQTML(long flag) try {
  ApiCall call("InitializeQTML", flag);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  ++qtml::gQTMLStarts;
  return call.Return<OSErr>(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

void TerminateQTML(void) try {
  ApiCall call("TerminateQTML");
  if (call.Fault() != noErr) return;
  if (qtml::gQTMLStarts > 0) --qtml::gQTMLStarts;
} catch (...) {
  return qtml::Escaped<void>();
}

OSErr EnterMovies(void) try {
  ApiCall call("EnterMovies");
  if (OSErr fault = call.Fault()) {
    qtml::SetMoviesError(fault);
    return call.Return(fault);
  }
  qtml::gMoviesEntered = true;
  qtml::SetMoviesError(noErr);
  return call.Return<OSErr>(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

void ExitMovies(void) try {
  ApiCall call("ExitMovies");
  if (OSErr fault = call.Fault()) return qtml::SetMoviesError(fault);
  qtml::gMoviesEntered = false;
  qtml::ShutDownSound();
} catch (...) {
  return qtml::Escaped<void>();
}

OSErr GetMoviesError(void) try {
  ApiCall call("GetMoviesError");
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(qtml::gMoviesError);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

OSErr GetMoviesStickyError(void) try {
  ApiCall call("GetMoviesStickyError");
  if (OSErr fault = call.Fault()) return call.Return(fault);
  return call.Return(qtml::gMoviesStickyError);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

void ClearMoviesStickyError(void) try {
  ApiCall call("ClearMoviesStickyError");
  if (call.Fault() != noErr) return;
  qtml::gMoviesStickyError = noErr;
} catch (...) {
  return qtml::Escaped<void>();
}

OSErr Gestalt(OSType selector, long* response) try {
  ApiCall call("Gestalt", qtml::FourCC{selector}, response);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (response == nullptr) return call.Return<OSErr>(paramErr);
  return call.Return(qtml::AnswerGestalt(selector, response));
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

void* QTLoadLibrary(const char* szDLL) try {
  ApiCall call("QTLoadLibrary", szDLL);
  if (call.Fault() != noErr || szDLL == nullptr || qtml::OfferedLibrary().empty() ||
      qtml::OfferedLibrary() != szDLL) {
    return call.Return<void*>(nullptr);
  }
  // The library's handle: the name the engine keeps, which stays put.
  return call.Return<void*>(qtml::OfferedLibrary().data());
} catch (...) {
  return qtml::Escaped<void*>();
}

OSErr QTGetEffectsList(QTAtomContainer* returnedList, long minSources, long maxSources,
                       long getOptions) try {
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
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"

QTML_API void QTMLTest_OfferLibrary(const char* name) try {
  qtml::OfferedLibrary() = name != nullptr ? name : "";
} catch (...) {
  return qtml::Escaped<void>();
}
