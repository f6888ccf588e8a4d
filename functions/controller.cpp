// Movie controller functions: the QuickTime movie controller behind a host
// movie player, drawn into a window, its bar moved, edited through,
// switched, stepped and sent to a time, its selection and play selection,
// and a full-screen presentation of its movie with an event loop of its
// own. Each finds the controller anew; nothing is kept between calls.
#include <cstdint>

#include "Events.h"
#include "FixMath.h"
#include "Movies.h"
#include "QDOffscreen.h"
#include "QTML.h"
#include "functions/editing_support.h"
#include "functions/module_result.h"
#include "functions/module_tables.h"
#include "plugin/host_services.h"
#include "plugin/registration.h"
#include "values/time_range.h"

namespace fenra {
namespace {

// The edit actions a script names.
enum EditAction : RBInteger { kCopy = 0, kClear = 1, kCut = 2, kPaste = 3, kUndo = 4 };

// The keys the presentation answers (key codes, bits 8 to 15 of a key
// event's message).
constexpr UInt32 kSpaceKey = 0x31;
constexpr UInt32 kEscapeKey = 0x35;
constexpr UInt32 kLeftArrowKey = 0x7B;
constexpr UInt32 kRightArrowKey = 0x7C;
constexpr UInt32 kPresentationSleep = 30;  // ticks
constexpr short kFrameSearch =
    static_cast<short>(nextTimeMediaSample | nextTimeIgnoreActiveSegment);

// An action's 32-bit result as the module word holds it.
RBInteger ActionResult(ComponentResult result) {
  return ModuleResult(static_cast<OSErr>(result));
}

// A value passed to an action in place of its pointer.
void* ActionValue(intptr_t value) {
  return reinterpret_cast<void*>(value);
}

// A time record of the movie (its scale and time base) holding `value` in
// its low 32 bits, not sign-extended.
TimeRecord TimeRecordOf(Movie movie, int64_t value) {
  TimeRecord record{};
  GetMovieTime(movie, &record);
  record.value = static_cast<int64_t>(static_cast<uint32_t>(value));
  return record;
}

// ---- Drawing and moving ------------------------------------------------

RBInteger Update(REALmoviePlayer mp, REALwindow mpWind) {
  if (mp == nullptr) return ModuleResult(paramErr);
  MovieController controller = PlayerController(mp);
  void* window = mpWind != nullptr ? host::REALGetWindowHandle(mpWind) : nullptr;
  GrafPtr port = window != nullptr ? GetNativeWindowPort(window) : nullptr;
  if (controller == nullptr || port == nullptr) return ModuleResult(paramErr);
  return ActionResult(MCDraw(controller, port));
}

RBBoolean IsPlaying(REALmoviePlayer mp) {
  MovieController controller = PlayerController(mp);
  if (controller == nullptr) return false;
  long flags = 0;
  MCGetControllerInfo(controller, &flags);
  return (flags & mcInfoIsPlaying) != 0;
}

// The movie stays in its box; the bar, let go of, goes to the rectangle.
RBInteger Move(REALmoviePlayer mp, RBInteger l, RBInteger t, RBInteger r, RBInteger b) {
  if (mp == nullptr) return ModuleResult(paramErr);
  Rect bar{static_cast<short>(t), static_cast<short>(l), static_cast<short>(b),
           static_cast<short>(r)};
  if (bar.bottom <= bar.top || bar.right <= bar.left) return ModuleResult(paramErr);
  gModuleResult = paramErr;
  MovieController controller = PlayerController(mp);
  Movie movie = ControllerMovie(controller);
  if (movie == nullptr) return gModuleResult;
  Rect box;
  GetMovieBox(movie, &box);
  if (ComponentResult result = MCSetControllerAttached(controller, false)) {
    return ActionResult(result);
  }
  ActionResult(MCPositionController(controller, &box, &bar, 0));
  MCSetVisible(controller, true);
  return gModuleResult;
}

// ---- Editing -----------------------------------------------------------

RBInteger EditingEnabled(REALmoviePlayer mp, RBBoolean enabled) {
  MovieController controller = PlayerController(mp);
  if (controller == nullptr) return ModuleResult(paramErr);
  return ActionResult(MCEnableEditing(controller, enabled));
}

// Whether the controller can do the edit now.
bool Available(MovieController controller, RBInteger editAction) {
  gModuleResult = paramErr;
  if (controller == nullptr) return false;
  gModuleResult = noErr;
  if (!MCIsEditingEnabled(controller) || editAction < kCopy || editAction > kUndo) return false;
  long flags = 0;
  MCGetControllerInfo(controller, &flags);
  constexpr long kFlagOfAction[] = {mcInfoCopyAvailable, mcInfoClearAvailable, mcInfoCutAvailable,
                                    mcInfoPasteAvailable, mcInfoUndoAvailable};
  return (flags & kFlagOfAction[editAction]) != 0;
}

RBBoolean EditCanDo(REALmoviePlayer mp, RBInteger editAction) {
  if (mp == nullptr) return false;
  return Available(PlayerController(mp), editAction);
}

// What copy or cut yielded goes on the scrap, then goes.
RBInteger ToScrap(Movie yielded) {
  if (yielded == nullptr) return ModuleResult(invalidMovie);
  ModuleResult(PutMovieOnScrap(yielded, 0));
  DisposeMovie(yielded);
  return gModuleResult;
}

RBInteger EditDo(REALmoviePlayer mp, RBInteger editAction) {
  if (mp == nullptr) return ModuleResult(paramErr);
  MovieController controller = PlayerController(mp);
  if (!Available(controller, editAction)) return gModuleResult;
  switch (editAction) {
    case kCopy:
      return ToScrap(MCCopy(controller));
    case kCut:
      return ToScrap(MCCut(controller));
    case kClear:
      return ActionResult(MCClear(controller));
    case kPaste:
      return ActionResult(MCPaste(controller, nullptr));
    default:
      return ActionResult(MCUndo(controller));
  }
}

// ---- Switches ----------------------------------------------------------

RBInteger DragEnabled(REALmoviePlayer mp, RBBoolean enabled) {
  MovieController controller = PlayerController(mp);
  if (controller == nullptr) return ModuleResult(paramErr);
  ComponentResult result =
      MCDoAction(controller, mcActionSetDragEnabled, ActionValue(enabled ? 1 : 0));
  return ActionResult(result == 1 ? noErr : result);
}

RBInteger SetPlayEveryFrame(REALmoviePlayer mp, RBBoolean enabled) {
  MovieController controller = PlayerController(mp);
  if (controller == nullptr) return ModuleResult(paramErr);
  ComponentResult result =
      MCDoAction(controller, mcActionSetPlayEveryFrame, ActionValue(enabled ? 1 : 0));
  ActionResult(result);
  return result;
}

// A switch read with a query action: false unless it answers noErr.
bool ReadSwitch(REALmoviePlayer mp, short action) {
  MovieController controller = PlayerController(mp);
  if (controller == nullptr) return false;
  Boolean flag = false;
  return MCDoAction(controller, action, &flag) == noErr && flag;
}

RBBoolean PlayEveryFrame(REALmoviePlayer mp) {
  return ReadSwitch(mp, mcActionGetPlayEveryFrame);
}

RBBoolean PlaySelection(REALmoviePlayer mp) {
  return ReadSwitch(mp, mcActionGetPlaySelection);
}

// ---- Selection and time ------------------------------------------------

// Sets the selection and plays it only, or stops playing it only (the
// selection left as it is). The last action's result.
RBInteger SetPlaySelection(MovieController controller, int64_t start, int64_t duration,
                           bool enabled) {
  Movie movie = ControllerMovie(controller);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  if (enabled) {
    TimeRecord record = TimeRecordOf(movie, start);
    ActionResult(MCDoAction(controller, mcActionSetSelectionBegin, &record));
    record.value = static_cast<int64_t>(static_cast<uint32_t>(duration));
    ActionResult(MCDoAction(controller, mcActionSetSelectionDuration, &record));
  }
  return ActionResult(MCDoAction(controller, mcActionSetPlaySelection, ActionValue(enabled)));
}

RBInteger PlaySelectionBetween(REALmoviePlayer mp, RBInteger sPos, RBInteger ePos,
                               RBBoolean enabled) {
  MovieController controller = PlayerController(mp);
  if (controller == nullptr) return ModuleResult(paramErr);
  int32_t duration =
      static_cast<int32_t>(static_cast<uint32_t>(ePos) - static_cast<uint32_t>(sPos));
  return SetPlaySelection(controller, sPos, duration, enabled);
}

RBInteger PlaySelectionOfRange(REALmoviePlayer mp, REALobject tmRange, RBBoolean enabled) {
  if (mp == nullptr || (tmRange == nullptr && enabled)) return ModuleResult(paramErr);
  int64_t start = 0, duration = 0;
  if (enabled) {
    TimeRangeNative* range = RangeArgument(tmRange);
    if (range == nullptr) return ModuleResult(memFullErr);
    start = range->start;
    duration = range->length;
  }
  MovieController controller = PlayerController(mp);
  if (controller == nullptr) return ModuleResult(paramErr);
  return SetPlaySelection(controller, start, duration, enabled);
}

// The selection's start or duration, or the error as a double.
double SelectionPart(REALmoviePlayer mp, bool wantStart) {
  if (mp == nullptr) return paramErr;
  int64_t start = 0, duration = 0;
  OSErr err = ReadPlayerSelection(PlayerController(mp), &start, &duration);
  ModuleResult(err);
  if (err != noErr) return err;
  return static_cast<double>(wantStart ? start : duration);
}

double SelectionStart(REALmoviePlayer mp) {
  return SelectionPart(mp, true);
}

double SelectionLength(REALmoviePlayer mp) {
  return SelectionPart(mp, false);
}

RBInteger GoToTime(REALmoviePlayer mp, RBInteger aTime) {
  MovieController controller = PlayerController(mp);
  if (controller == nullptr) return ModuleResult(paramErr);
  Movie movie = ControllerMovie(controller);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  TimeRecord record = TimeRecordOf(movie, aTime);
  return ActionResult(MCDoAction(controller, mcActionGoToTime, &record));
}

RBInteger GoToFrame(REALmoviePlayer mp, RBInteger skipOf) {
  MovieController controller = PlayerController(mp);
  if (controller == nullptr) return ModuleResult(paramErr);
  intptr_t frames = static_cast<int16_t>(skipOf);
  return ActionResult(MCDoAction(controller, mcActionStep, ActionValue(frames)));
}

RBInteger TimeScaleOf(REALmoviePlayer mp) {
  MovieController controller = PlayerController(mp);
  if (controller == nullptr) return 0;
  TimeScale scale = 0;
  MCGetCurrentTime(controller, &scale);
  return scale;
}

// ---- Full-screen presentation -------------------------------------------

// Steps one video frame (backwards for a negative rate), the movie paused.
void StepFrame(Movie movie, bool& playing, Fixed rate) {
  if (playing) {
    StopMovie(movie);
    playing = false;
  }
  OSType video = VideoMediaType;
  TimeValue next = 0;
  GetMovieNextInterestingTime(movie, kFrameSearch, 1, &video, GetMovieTime(movie, nullptr), rate,
                              &next, nullptr);
  SetMovieTimeValue(movie, next);
  UpdateMovie(movie);
  MoviesTask(movie, 0);
}

// Answers a key; true when it ends the presentation.
bool PresentationKey(Movie movie, UInt32 keyCode, bool& playing) {
  switch (keyCode) {
    case kSpaceKey:
      if (playing) {
        StopMovie(movie);
      } else {
        StartMovie(movie);
      }
      playing = !playing;
      return false;
    case kEscapeKey:
      return true;
    case kLeftArrowKey:
      StepFrame(movie, playing, FixRatio(-1, 1));
      return false;
    case kRightArrowKey:
      StepFrame(movie, playing, fixed1);
      return false;
  }
  return false;
}

// Plays until a click, escape, or the movie's end (unless it loops).
void PresentationLoop(Movie movie, bool loop) {
  bool playing = true;
  for (bool done = false; !done;) {
    if (IsMovieDone(movie)) {
      if (!loop) return;
      GoToBeginningOfMovie(movie);
      StartMovie(movie);
    }
    EventRecord event;
    if (!WaitNextEvent(everyEvent, &event, kPresentationSleep, nullptr)) continue;
    switch (event.what) {
      case mouseDown:
        done = true;
        break;
      case keyDown:
        done = PresentationKey(movie, (event.message & keyCodeMask) >> 8, playing);
        break;
      default:
        MoviesTask(movie, 0);
    }
  }
}

RBInteger PresentMovie(REALmoviePlayer mp, RBInteger theWidth, RBInteger theHeight,
                       RBInteger theMode, RBBoolean loopexec) {
  MovieController controller = PlayerController(mp);
  if (controller == nullptr) return ModuleResult(paramErr);
  Movie movie = ControllerMovie(controller);
  if (movie == nullptr) return ModuleResult(invalidMovie);
  TimeScale scale = 0;
  if (GetMovieDuration(movie) == MCGetCurrentTime(controller, &scale)) {
    GoToBeginningOfMovie(movie);
    MCMovieChanged(controller, movie);
  }
  long flags =
      theMode == 0 ? fullScreenAllowEvents | fullScreenDontChangeMenuBar : fullScreenAllowEvents;
  StartMovie(movie);
  Ptr restoreState = nullptr;
  WindowRef window = nullptr;
  OSErr err = BeginFullScreen(&restoreState, nullptr, nullptr, nullptr, &window, nullptr, flags);
  if (err != noErr) {
    StopMovie(movie);
    return ModuleResult(err);
  }
  Rect savedBox;
  GetMovieBox(movie, &savedBox);
  CGrafPtr savedWorld = nullptr;
  GDHandle savedDevice = nullptr;
  GetMovieGWorld(movie, &savedWorld, &savedDevice);
  SetMovieGWorld(movie, window, GetGWorldDevice(window));
  Rect screen;
  GetPortBounds(window, &screen);
  auto width = static_cast<short>(theWidth);
  auto height = static_cast<short>(theHeight);
  auto dx = static_cast<short>((screen.right - screen.left - width) / 2);
  auto dy = static_cast<short>((screen.bottom - screen.top - height) / 2);
  Rect box{dy, dx, static_cast<short>(height + dy), static_cast<short>(width + dx)};
  SetMovieBox(movie, &box);
  PresentationLoop(movie, loopexec);
  StopMovie(movie);
  SetMovieGWorld(movie, savedWorld, nullptr);
  ModuleResult(EndFullScreen(restoreState, 0));
  SetMovieBox(movie, &savedBox);
  return gModuleResult;
}

REALmethodDefinition gMovieControllerMethods[] = {
    ModuleMethod<Update, "Fenra_MCUpdate(mp as movieplayer,mpWind as window) as integer">(),
    ModuleMethod<IsPlaying, "Fenra_MCIsPlaying(mp as movieplayer) as boolean">(),
    ModuleMethod<Move,
                 "Fenra_MCMove(mp as movieplayer,l as Integer, t as integer, r as integer,b as "
                 "integer) as Integer">(),
    ModuleMethod<EditingEnabled,
                 "Fenra_MCEditingEnabled(mp as movieplayer,enabled as boolean) as Integer">(),
    ModuleMethod<EditCanDo,
                 "Fenra_MCEditCanDo(mp as movieplayer,editAction as integer) as boolean">(),
    ModuleMethod<EditDo, "Fenra_MCEditDo(mp as movieplayer,editAction as integer) as Integer">(),
    ModuleMethod<DragEnabled,
                 "Fenra_MCDragEnabled(mp as movieplayer,enabled as boolean) as Integer">(),
    ModuleMethod<PresentMovie,
                 "Fenra_MCPresentMovie(mp as movieplayer, theWidth as integer,theHeight as "
                 "integer,theMode as Integer,loopexec as boolean) as Integer">(),
    ModuleMethod<GoToFrame, "Fenra_MCGoToFrame(mp as movieplayer,skipOf as Integer) as Integer">(),
    ModuleMethod<SetPlayEveryFrame,
                 "Fenra_MCPlayEveryFrameEnabled(mp as movieplayer,enabled as boolean) as "
                 "Integer">(),
    ModuleMethod<PlayEveryFrame, "Fenra_MCPlayEveryFrameEnabled(mp as movieplayer) as boolean">(),
    ModuleMethod<PlaySelection, "Fenra_MCPlaySelectionEnabled(mp as movieplayer) as boolean">(),
    ModuleMethod<PlaySelectionBetween,
                 "Fenra_MCPlaySelectionEnabled(mp as movieplayer,sPos as integer,ePos as "
                 "Integer,enabled as boolean) as Integer">(),
    ModuleMethod<PlaySelectionOfRange,
                 "Fenra_MCPlaySelectionEnabled(mp as movieplayer,tmRange as "
                 "FenraTimeRange,enabled as boolean) as Integer">(),
    ModuleMethod<SelectionStart, "Fenra_MCSelectionStart(mp as movieplayer) as double">(),
    ModuleMethod<SelectionLength, "Fenra_MCSelectionLength(mp as movieplayer) as double">(),
    ModuleMethod<GoToTime, "Fenra_MCGoToTime(mp as movieplayer,aTime as integer) as Integer">(),
    ModuleMethod<TimeScaleOf, "Fenra_MCTimeScale(mp as movieplayer) as Integer">(),
};

}  // namespace

std::span<REALmethodDefinition> MovieControllerMethods() {
  return gMovieControllerMethods;
}

}  // namespace fenra
