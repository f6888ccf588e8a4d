' Fenra_MCPresentMovie: a player's movie full screen, driven by events
' queued beforehand (movie_presentation.sh makes the movie: red, green and
' blue seconds, 20 units a frame at time scale 600). The engine's clock
' stands still but for the half seconds the presentation waits for events;
' each wait is one look at the queue, and an event queued "after n" comes
' at the (n + 1)-th look. What it showed stays on the engine's screen.
Dim dir As FolderItem = GetFolderItem(Args()(0))
QTMLTest.SetClock(0)
Const kSpace = &h31
Const kEscape = &h35
Const kLeft = &h7B
Const kRight = &h7C

Dim mp As New MoviePlayer
mp.Movie = dir.Child("rgb.mov").OpenAsMovie
Dim fm As New FenraMovie(mp)

' The full-screen flags the presentation asked for, from the call trace.
Function Flags() As String
  For Each line As String In Split(QTMLTest.Trace, Chr(10))
    If Left(line, 16) = "BeginFullScreen(" Then Return NthField(NthField(line, ", ", 7), ")", 1)
  Next
  Return "none"
End Function

' At its end, the movie starts over. It plays a second (two waits), pauses
' on space for two waits, plays again for one, steps a frame on each arrow
' (pausing) and waits once more before escape.
Print "go to the end:", Fenra_MCGoToTime(mp, 1800), fm.qtTime
QTMLTest.PressKey kSpace, 2
QTMLTest.PressKey kSpace, 5
QTMLTest.PressKey kRight, 7
QTMLTest.PressKey kRight, 8
QTMLTest.PressKey kLeft, 9
QTMLTest.PressKey kEscape, 11
QTMLTest.ClearTrace
QTMLTest.TraceOn
Dim result As Integer = Fenra_MCPresentMovie(mp, 320, 240, 0, False)
QTMLTest.TraceOff
Print "presented:", result, "flags", Flags, "time", fm.qtTime, "playing", Fenra_MCIsPlaying(mp)
Print "box again:", fm.qtMovieBox.left, fm.qtMovieBox.top, fm.qtMovieBox.right, fm.qtMovieBox.bottom
' The box was 320 by 240, centred: 352 to 672 across, 264 to 504 down.
Print "screen:", QTMLTest.ScreenPixel(512, 384), "corners", QTMLTest.ScreenPixel(352, 264), _
    QTMLTest.ScreenPixel(671, 503), "outside", QTMLTest.ScreenPixel(351, 384), _
    QTMLTest.ScreenPixel(672, 503)
Dim w As New Window(64, 64)
Dim r As Integer = Fenra_MCUpdate(mp, w)
Print "drawn where it was drawn before:", w.Contents.Graphics.Pixel(32, 24)

' From where it stands (not at its end) it plays to its end and stops
' there; a mouse-up (any event but a key or a mouse-down) draws the frame
' of the moment. Modes other than 0 and 1 are mode 1.
QTMLTest.PostEvent 2, 1
QTMLTest.ClearTrace
QTMLTest.TraceOn
result = Fenra_MCPresentMovie(mp, 64, 48, 5, False)
QTMLTest.TraceOff
Print "to the end:", result, "flags", Flags, "time", fm.qtTime
' At natural size, 480 to 544 across, 360 to 408 down; the screen was
' erased first.
Print "screen:", QTMLTest.ScreenPixel(512, 384), "erased", QTMLTest.ScreenPixel(400, 300)

' Looping, it starts over at the end; a click ends it.
QTMLTest.Click 10, 10, 8
Print "looping, clicked:", Fenra_MCPresentMovie(mp, 64, 48, 1, True), "time", fm.qtTime

' No player, no controller, and a screen that cannot be had.
Dim none As MoviePlayer
Print "no player:", Fenra_MCPresentMovie(none, 64, 48, 0, False), Fenra_MCPresentMovie(New MoviePlayer, 64, 48, 0, False)
QTMLTest.FailCall "BeginFullScreen", 1, -108
Print "no screen:", Fenra_MCPresentMovie(mp, 64, 48, 0, False), "time", fm.qtTime, "playing", Fenra_MCIsPlaying(mp)
