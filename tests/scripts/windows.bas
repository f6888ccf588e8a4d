' Host windows and movie players: a player put in a window draws its movie
' and its controller's bar there, plays as the event loop runs, and takes
' the keys and clicks the loop reads. On a display the desktop shows what
' the window holds. windows.sh makes the movie: red, green and blue
' seconds, 64 by 48.
Dim dir As FolderItem = GetFolderItem(Args()(0))
QTMLTest.SetClock(0)
Const kSpace = &h31
Const kRight = &h7C

Dim w As New Window(64, 64)
w.Title = "Fenra windows test"
Print "window:", w.Title, w.Width, w.Height, "white", w.Contents.Graphics.Pixel(10, 10)

Dim mp As New MoviePlayer
mp.Movie = dir.Child("rgb.mov").OpenAsMovie
Print "no parent:", mp.Parent Is Nil, mp.Width, mp.Height
mp.Parent = w
' An empty player takes the movie's size and the bar's height below it.
Print "in the window:", mp.Parent Is w, mp.Left, mp.Top, mp.Width, mp.Height
Print "first frame:", w.Contents.Graphics.Pixel(32, 24), "bar", w.Contents.Graphics.Pixel(32, 56)

' The loop plays it: 1.2 s of the engine's clock goes by.
mp.Play
App.DoEvents 1200
Dim fm As New FenraMovie(mp)
Print "played:", Fenra_MCIsPlaying(mp), "time", fm.qtTime, "shows", w.Contents.Graphics.Pixel(32, 24)

' Space stops it; the key is seen once by a script asking about it.
QTMLTest.PressKey kSpace
App.DoEvents
Print "space:", Fenra_MCIsPlaying(mp), "time", fm.qtTime, "asked", _
    Keyboard.AsyncKeyDown(kSpace), Keyboard.AsyncKeyDown(kSpace)

' The right arrow steps a frame (20 units).
QTMLTest.PressKey kRight
App.DoEvents
Print "right arrow:", Fenra_MCIsPlaying(mp), "time", fm.qtTime

' A click on the bar's play button plays again; Stop stops. Clicks come at
' global points: the window's position on the desktop, plus the point in
' the window.
w.Left = 40
w.Top = 30
Print "moved:", w.Left, w.Top
QTMLTest.Click w.Left + 5, w.Top + 56
App.DoEvents
Print "clicked play:", Fenra_MCIsPlaying(mp)
mp.Stop
Print "stopped:", Fenra_MCIsPlaying(mp)

' A click outside the player goes nowhere.
QTMLTest.Click w.Left + 5, w.Top + 20
App.DoEvents
Print "clicked the movie:", Fenra_MCIsPlaying(mp)

' What the desktop shows is what the window holds (nothing is shown
' without a display).
App.DoEvents
Dim same As Boolean = True
For y As Integer = 0 To 63 Step 9
  For x As Integer = 0 To 63 Step 7
    If QTMLTest.DisplayedPixel(w, x, y) <> w.Contents.Graphics.Pixel(x, y) Then same = False
  Next
Next
Print "on the desktop as in the window:", same

' Out of the window, the player no longer draws there.
mp.Parent = Nil
Print "taken out:", mp.Parent Is Nil
