' The movie controller functions on host movie players (movie_controller.sh
' makes the movies: red, green and blue seconds, and a yellow one; 20 units
' a frame at time scale 600). The engine's clock stands still.
Dim dir As FolderItem = GetFolderItem(Args()(0))
QTMLTest.SetClock(0)
Dim r As Integer  ' results not looked at

Dim mp As New MoviePlayer
mp.Movie = dir.Child("rgb.mov").OpenAsMovie
Dim fm As New FenraMovie(mp)
Dim none As MoviePlayer
Dim empty As New MoviePlayer  ' no movie, so no controller
Print "time scale:", Fenra_MCTimeScale(mp), Fenra_MCTimeScale(none), Fenra_MCTimeScale(empty)

' The movie and the bar under it, drawn into a window.
Dim w As New Window(100, 80)
Print "update:", Fenra_MCUpdate(mp, w), "nothing drawn:", Fenra_MCUpdate(none, w), _
    Fenra_MCUpdate(mp, Nil), Fenra_MCUpdate(empty, w)
Print "frame", w.Contents.Graphics.Pixel(32, 24), "bar", w.Contents.Graphics.Pixel(1, 49), _
    "thumb", w.Contents.Graphics.Pixel(20, 50), "below", w.Contents.Graphics.Pixel(32, 70)

' The bar let go of and moved; the movie stays in its box.
Print "move:", Fenra_MCMove(mp, 0, 64, 100, 80), "empty:", Fenra_MCMove(mp, 10, 10, 10, 20), _
    "no player:", Fenra_MCMove(none, 0, 0, 10, 10), Fenra_MCMove(empty, 0, 0, 10, 10)
Dim moved As New Window(100, 80)
r = Fenra_MCUpdate(mp, moved)
Print "moved bar:", moved.Contents.Graphics.Pixel(90, 66), "old place", moved.Contents.Graphics.Pixel(1, 49), _
    "box", fm.qtMovieBox.left, fm.qtMovieBox.top, fm.qtMovieBox.right, fm.qtMovieBox.bottom

' Times and frames.
Print "go to 900:", Fenra_MCGoToTime(mp, 900), fm.qtTime, "no movie:", Fenra_MCGoToTime(empty, 0)
Print "a frame on:", Fenra_MCGoToFrame(mp, 1), fm.qtTime, "two back:", Fenra_MCGoToFrame(mp, -2), fm.qtTime
Print "65537 frames are 1:", Fenra_MCGoToFrame(mp, 65537), fm.qtTime, _
    "no player:", Fenra_MCGoToFrame(none, 1)
Print "playing:", Fenra_MCIsPlaying(mp), Fenra_MCIsPlaying(none)
fm.qtRate = 1
Print "playing at rate 1:", Fenra_MCIsPlaying(mp)
fm.qtRate = 0

' Switches.
Print "drag on answers 0, not 1:", Fenra_MCDragEnabled(mp, True), Fenra_MCDragEnabled(mp, False), _
    "no player:", Fenra_MCDragEnabled(none, True)
Print "every frame:", Fenra_MCPlayEveryFrameEnabled(mp), Fenra_MCPlayEveryFrameEnabled(mp, True), _
    Fenra_MCPlayEveryFrameEnabled(mp), Fenra_MCPlayEveryFrameEnabled(mp, False), _
    Fenra_MCPlayEveryFrameEnabled(mp)
Print "every frame without a player:", Fenra_MCPlayEveryFrameEnabled(none, True), _
    Fenra_MCPlayEveryFrameEnabled(none)

' The play selection; the selection reads 0 while editing is off.
Print "play 600 to 1200:", Fenra_MCPlaySelectionEnabled(mp, 600, 1200, True), _
    Fenra_MCPlaySelectionEnabled(mp), "start while editing is off:", Fenra_MCSelectionStart(mp)
Print "editing on:", Fenra_MCEditingEnabled(mp, True), Fenra_MCSelectionStart(mp), _
    Fenra_MCSelectionLength(mp), "no player:", Fenra_MCSelectionStart(none), _
    Fenra_MCSelectionLength(empty), Fenra_MCEditingEnabled(none, True)
Dim noRange As FenraTimeRange
Print "off with a nil range:", Fenra_MCPlaySelectionEnabled(mp, noRange, False), _
    Fenra_MCPlaySelectionEnabled(mp), "selection kept:", Fenra_MCSelectionStart(mp), _
    Fenra_MCSelectionLength(mp)
Print "on with a nil range:", Fenra_MCPlaySelectionEnabled(mp, noRange, True), _
    "no player:", Fenra_MCPlaySelectionEnabled(none, New FenraTimeRange(0, 1), True), _
    Fenra_MCPlaySelectionEnabled(empty, 0, 1, True)
Print "a range:", Fenra_MCPlaySelectionEnabled(mp, New FenraTimeRange(300, 150), True), _
    Fenra_MCSelectionStart(mp), Fenra_MCSelectionLength(mp), Fenra_MCPlaySelectionEnabled(mp)
' -1 goes as the time 4294967295, which the engine holds to the largest movie time.
Print "a negative start is a large time:", Fenra_MCPlaySelectionEnabled(mp, -1, 10, True), _
    Fenra_MCSelectionStart(mp) = 2147483647, Fenra_MCSelectionLength(mp)
r = Fenra_MCPlaySelectionEnabled(mp, 0, 0, False)

' Editing: what can be done; what cannot be done returns 0 and changes nothing.
r = Fenra_MCPlaySelectionEnabled(mp, 0, 0, True)
r = Fenra_MCPlaySelectionEnabled(mp, noRange, False)
Dim yellow As New MoviePlayer
yellow.Movie = dir.Child("yellow.mov").OpenAsMovie
r = Fenra_MCEditingEnabled(yellow, True)
r = Fenra_MCPlaySelectionEnabled(yellow, 0, 600, True)
r = Fenra_MCPlaySelectionEnabled(yellow, noRange, False)
Print "yellow copied:", Fenra_MCEditDo(yellow, 0), Fenra_ScrapHasMovie
Print "can do copy, clear, cut, paste, undo:", Fenra_MCEditCanDo(mp, 0), Fenra_MCEditCanDo(mp, 1), _
    Fenra_MCEditCanDo(mp, 2), Fenra_MCEditCanDo(mp, 3), Fenra_MCEditCanDo(mp, 4), _
    "5:", Fenra_MCEditCanDo(mp, 5), "no player:", Fenra_MCEditCanDo(none, 0), Fenra_MCEditCanDo(empty, 0)
Print "undo with nothing to undo:", Fenra_MCEditDo(mp, 4), fm.qtDuration, "action 9:", Fenra_MCEditDo(mp, 9), _
    "no player:", Fenra_MCEditDo(none, 0), Fenra_MCEditDo(empty, 0)
Print "copy without a selection:", Fenra_MCEditDo(mp, 0), "the scrap keeps yellow:", _
    Fenra_ScrapGetMovieFrom.Duration
r = Fenra_MCEditingEnabled(mp, False)
Print "editing off:", Fenra_MCEditCanDo(mp, 3), Fenra_MCEditDo(mp, 3), fm.qtDuration
r = Fenra_MCEditingEnabled(mp, True)

' Material moves through the scrap between the two players: green cut from
' one and pasted at the start of the other, then undone and redone.
r = Fenra_MCPlaySelectionEnabled(mp, 600, 1200, True)
r = Fenra_MCPlaySelectionEnabled(mp, noRange, False)
Print "cut green:", Fenra_MCEditDo(mp, 2), fm.qtDuration, Fenra_ScrapGetMovieFrom.Duration
Dim fy As New FenraMovie(yellow)
r = Fenra_MCPlaySelectionEnabled(yellow, 0, 0, True)
r = Fenra_MCPlaySelectionEnabled(yellow, noRange, False)
Print "pasted:", Fenra_MCEditDo(yellow, 3), fy.qtDuration, "selected:", Fenra_MCSelectionStart(yellow), _
    Fenra_MCSelectionLength(yellow)
Dim shown As New Window(64, 64)
r = Fenra_MCGoToTime(yellow, 0)
r = Fenra_MCUpdate(yellow, shown)
Print "yellow's first frame now:", shown.Contents.Graphics.Pixel(10, 10)
Print "undone:", Fenra_MCEditDo(yellow, 4), fy.qtDuration, "redone:", Fenra_MCEditDo(yellow, 4), fy.qtDuration
Print "the cut undone:", Fenra_MCEditDo(mp, 4), fm.qtDuration
r = Fenra_MCPlaySelectionEnabled(mp, 0, 600, True)
Print "cleared red:", Fenra_MCEditDo(mp, 1), fm.qtDuration
r = Fenra_MCGoToTime(mp, 0)
r = Fenra_MCUpdate(mp, shown)
Print "first frame now:", shown.Contents.Graphics.Pixel(10, 10)

' What the engine says is the functions' result.
QTMLTest.FailCall "MCDraw", 1, -108
Print "draw fails:", Fenra_MCUpdate(mp, w)
QTMLTest.FailCall "MCEnableEditing", 1, -192
Print "enabling fails:", Fenra_MCEditingEnabled(mp, True)
QTMLTest.FailCall "MCSetControllerAttached", 1, -192
Print "letting go fails:", Fenra_MCMove(mp, 0, 0, 10, 10)
QTMLTest.FailCall "MCDoAction", 1, -192
Print "every frame fails:", Fenra_MCPlayEveryFrameEnabled(mp, True), Fenra_MCPlayEveryFrameEnabled(mp)
QTMLTest.FailCall "MCDoAction", 2, -50
Print "reading the length fails:", Fenra_MCSelectionStart(mp)
r = Fenra_MCPlaySelectionEnabled(mp, 0, 600, True)
QTMLTest.FailCall "PutMovieOnScrap", 1, -108
Print "the scrap fails:", Fenra_MCEditDo(mp, 0), "it keeps", Fenra_ScrapGetMovieFrom.Duration
