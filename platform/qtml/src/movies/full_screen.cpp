// Full screen: BeginFullScreen hands the main screen to a window covering
// it, and shows the screen over the whole display when there is one;
// EndFullScreen takes it back. The state handed out in between is the
// address of a record the engine keeps, so that a state not handed out is
// told apart.
#include <algorithm>
#include <vector>

#include "Movies.h"
#include "base/api_call.h"
#include "memory/memory.h"
#include "quickdraw/display.h"
#include "quickdraw/screen.h"

namespace qtml {
namespace {

struct FullScreenState {
  Port* window = nullptr;  // owned; nullptr when none was asked for
};

std::vector<FullScreenState*>& States() {
  static std::vector<FullScreenState*> states;
  return states;
}

void Free(FullScreenState* state) noexcept {
  DisposeScreenWindow(state->window);
  delete state;
}

// A new state (with its window when asked for), or memFullErr.
OSErr Begin(bool withWindow, const RGBColor& erase, FullScreenState** made) {
  auto* state = NewObject<FullScreenState>();
  if (state == nullptr) return memFullErr;
  if (withWindow && (state->window = NewScreenWindow(erase)) == nullptr) {
    Free(state);
    return memFullErr;
  }
  try {
    States().push_back(state);
  } catch (...) {
    Free(state);
    return memFullErr;
  }
  *made = state;
  return noErr;
}

}  // namespace
}  // namespace qtml

extern "C" {

QTML_API OSErr BeginFullScreen(Ptr* restoreState, GDHandle whichGD, short* desiredWidth,
                               short* desiredHeight, WindowRef* newWindow, RGBColor* eraseColor,
                               long flags) try {
  qtml::ApiCall call("BeginFullScreen", restoreState, whichGD, desiredWidth, desiredHeight,
                     newWindow, eraseColor, flags);
  if (restoreState != nullptr) *restoreState = nullptr;
  if (newWindow != nullptr) *newWindow = nullptr;
  if (OSErr fault = call.Fault()) return call.Return(fault);
  if (whichGD != nullptr && whichGD != qtml::MainDevice()) return call.Return(paramErr);
  const Rect& screen = qtml::ScreenPort().portRect;
  if (desiredWidth != nullptr) *desiredWidth = static_cast<short>(screen.right - screen.left);
  if (desiredHeight != nullptr) *desiredHeight = static_cast<short>(screen.bottom - screen.top);
  if ((flags & fullScreenPreflightSize) != 0) return call.Return(noErr);
  if (restoreState == nullptr) return call.Return(paramErr);
  RGBColor erase = eraseColor != nullptr ? *eraseColor : RGBColor{0, 0, 0};
  qtml::FullScreenState* state = nullptr;
  if (OSErr err = qtml::Begin(newWindow != nullptr, erase, &state)) return call.Return(err);
  *restoreState = reinterpret_cast<Ptr>(state);
  if (newWindow != nullptr) *newWindow = qtml::GrafPtrOf(state->window);
  qtml::display::OpenFullScreen();
  qtml::PresentScreen();
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

QTML_API OSErr EndFullScreen(Ptr fullState, long flags) try {
  qtml::ApiCall call("EndFullScreen", fullState, flags);
  if (OSErr fault = call.Fault()) return call.Return(fault);
  auto& states = qtml::States();
  auto it =
      std::find(states.begin(), states.end(), reinterpret_cast<qtml::FullScreenState*>(fullState));
  if (fullState == nullptr || it == states.end()) return call.Return(paramErr);
  qtml::FullScreenState* state = *it;
  states.erase(it);
  qtml::Free(state);
  if (states.empty()) qtml::display::CloseFullScreen();
  qtml::PresentScreen();
  return call.Return(noErr);
} catch (...) {
  return qtml::EscapedError<OSErr>();
}

}  // extern "C"
