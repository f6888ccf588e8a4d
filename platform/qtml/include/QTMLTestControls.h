/*
 * QTMLTestControls.h: controls of this QuickTime engine for tests and the
 * host's test module. Not part of QuickTime's interface: the plugin never
 * includes this header.
 *
 * Call trace: while on, every public call appends one line
 *   Name(arg, arg, ...) -> result
 * Fault injection: the n-th next call of a named function answers the
 * given error instead of doing its work (n = 1 is the very next call;
 * n = 0 makes every call fail until the faults are cleared).
 * Allocation faults: after `count` more successful allocations, every
 * allocation fails with memFullErr until cleared with -1.
 *
 * A failing call answers the way it reports errors: its OSErr result, or
 * MemError, QDError or GetMoviesError set and a nil (or 0) result.
 * Call lines show pointers in hexadecimal and nil, four-character codes as
 * 'abcd' and length-prefixed strings as "text"; void calls show no result.
 *
 * Dialogs: standard file dialogs answer from a queue of scripted answers
 * (see QTMLTest_QueueDialogAnswer).
 *
 * Faults can be armed before any client runs: when the engine loads, the
 * environment variable QTML_FAIL=Name:error[:n][,Name:error[:n]...] arms
 * QTMLTest_FailCall(Name, n, error) for each entry (n defaults to 1).
 */
#ifndef QTML_TEST_CONTROLS_H
#define QTML_TEST_CONTROLS_H

#include "MacTypes.h"

QTML_EXTERN_C_BEGIN

QTML_API void QTMLTest_SetTrace(Boolean on);
QTML_API Boolean QTMLTest_TraceIsOn(void);
/* The trace so far, one call a line; valid until the next engine call. */
QTML_API const char* QTMLTest_TraceText(void);
QTML_API void QTMLTest_ClearTrace(void);

QTML_API void QTMLTest_FailCall(const char* functionName, long nth, OSErr error);
QTML_API void QTMLTest_FailAllocations(long count);
/* How many allocations have been refused since QTMLTest_FailAllocations
 * was last called: 0 when the count armed was never reached. */
QTML_API long QTMLTest_AllocationsRefused(void);
/* I/O faults: the nth next file operation of the kind `operation` names
 * on a native path matching `pathPattern` fails with `error` (n = 1 is the
 * very next one; n = 0 makes every one fail until the faults are cleared).
 * Operations: "open", "read", "write", "sync", "truncate", "rename" (either
 * path matching), "remove", "stat" (what is at a path, and the check
 * whether two paths name one file), "*" (any of them), and
 * "shortread": a read that hands over half of its bytes, then fails.
 * A pattern with * or ? is a glob over the whole path (* matches any run
 * of characters, slashes included; ? one character); any other pattern
 * matches the paths it is part of; nil or "" matches every path. An
 * unknown operation, a negative n or noErr arms nothing. */
QTML_API void QTMLTest_FailIO(const char* pathPattern, const char* operation, long nth,
                              OSErr error);
/* Clears every pending fault, including allocation and I/O faults. */
QTML_API void QTMLTest_ClearFaults(void);

/* Keeps file types and creators in sidecar files ("._name") instead of
 * extended attributes, as on a file system without them. */
QTML_API void QTMLTest_UseFinderInfoSidecar(Boolean on);
/* Handles and pointers allocated and not yet disposed of, for leak checks. */
QTML_API long QTMLTest_LiveHandleCount(void);
QTML_API long QTMLTest_LivePtrCount(void);

/* Scripted dialog answers. A standard file dialog takes the oldest answer
 * queued: a native path is the file the user picks, nil a cancel. With no
 * answer queued the dialog is cancelled, as by a user who is not there. */
QTML_API void QTMLTest_QueueDialogAnswer(const char* nativePath);
/* The standard compression dialogs (SCRequestImageSettings,
 * SCRequestSequenceSettings) take the oldest answer as well: nil (or none
 * queued) cancels, "" accepts the settings as they are, and words
 * "name=value" separated by spaces or commas accept them so changed. Image dialog:
 * codec=jpeg (a compression type), depth=24, quality=768 (spatial); the
 * sequence dialog also fps=15 (a decimal), keyframes=10, temporal=512,
 * datarate=20000 (bytes a second). Sound dialog: format=ima4, rate=22050,
 * size=16, channels=1. A word the dialog does not offer (a frame rate of
 * 0 without scAllowZeroFrameRate, keyframes=0 without
 * scAllowZeroKeyFrameRate, a depth of 0 without scShowBestDepth,
 * any frame rate with scDisableFrameRateItem) or cannot read makes the
 * dialog answer paramErr and change nothing. */
/* Exporters' settings dialogs (GraphicsExportRequestSettings,
 * MovieExportDoUserDialog) take the oldest answer of the same queue: nil
 * cancels; otherwise the text is "name=value" pairs separated by commas
 * that set what the dialog shows (the names each dialog takes are listed
 * in QuickTimeComponents.h), and "" accepts the dialog as it is. */
QTML_API long QTMLTest_PendingDialogAnswers(void);
QTML_API void QTMLTest_ClearDialogAnswers(void);

/* The event queue (Events.h): a key-down event for the key code and
 * character, waiting from the (afterLooks + 1)-th look at the queue on
 * (EventAvail calls; 0: at once) until it is flushed. Pending events are
 * those posted and not yet flushed or cleared. */
QTML_API void QTMLTest_PostKeyDown(UInt8 keyCode, UInt8 charCode, long afterLooks);
/* Any event (a mouse-down at a point for instance: what 1, where in the
 * local coordinates of the window it is meant for), posted as
 * QTMLTest_PostKeyDown posts key presses. */
QTML_API void QTMLTest_PostEvent(UInt16 what, UInt32 message, short h, short v, long afterLooks);
QTML_API long QTMLTest_PendingEvents(void);
QTML_API void QTMLTest_ClearEvents(void);

/* The main screen (GetMainDevice): 1024 by 768 pixels of 32 bits, black
 * at first, which full-screen windows draw on. A pixel as 0xFFRRGGBB;
 * 0 outside the screen. The screen keeps what was drawn on it after a
 * full-screen window goes: there is nothing behind it to show again. */
QTML_API UInt32 QTMLTest_ScreenPixel(short h, short v);

/* The engine's clock, which TickCount reads and MoviesTask plays movies
 * by: the system's monotonic clock, or, once set, a manual clock standing
 * at `milliseconds` that moves only when advanced. A negative time goes
 * back to the system's clock. */
QTML_API void QTMLTest_SetClock(long milliseconds);
QTML_API void QTMLTest_AdvanceClock(long milliseconds);

/* Movies' sound while the manual clock is set. Off (the default): no
 * audio device is opened and movies play silently. On: a movie with sound
 * that starts at rate 1 opens the device (SDL's, chosen by its environment
 * as SDL_AUDIODRIVER says), which is then handed exactly the sound of the
 * movie time the manual clock plays, and waits for it rather than fill in
 * silence: what it plays does not depend on when the test runs. Either
 * call first closes the device, once it has played all it was given, and
 * stops SDL's audio, which reads its environment again when it restarts. */
QTML_API void QTMLTest_UseSoundOutput(Boolean on);

/* QTLoadLibrary finds no library on this platform; this offers one by name
 * (QTLoadLibrary of that name answers a handle; "QuickTimeVR.qtx" also
 * makes Gestalt report QuickTime VR present). NULL offers none again. */
QTML_API void QTMLTest_OfferLibrary(const char* name);

QTML_EXTERN_C_END

#endif
