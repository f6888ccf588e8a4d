' A movie player: the movie given on the command line in a window, with its
' sound. Space plays and pauses, the left and right arrows step a frame,
' a click on the bar plays, pauses or seeks; escape or closing the window
' ends it.
'
'   ./fenra run examples/player.bas [MOVIE]
'
' Without a movie it plays examples/sample.mov. Without a display (no
' DISPLAY, as over ssh) it plays the movie to its end, sound only.

Const kEscape = &h35

Dim path As String = "examples/sample.mov"
If Args().Ubound >= 0 Then path = Args()(0)
Dim f As FolderItem = GetFolderItem(path)
If f Is Nil Or Not f.Exists Then
  Print "player: no such file: " + path
  Quit 1
End If
Dim m As Movie = f.OpenAsMovie
If m Is Nil Then
  Print "player: QuickTime cannot open " + f.Name
  Quit 1
End If

' The player takes the movie's natural size, with the controller's bar
' under it; a movie without pictures still gets a bar to click.
Dim mp As New MoviePlayer
mp.Movie = m
Dim fm As New FenraMovie(mp)
Dim width As Integer = fm.qtMovieNaturalBox.width
If width = 0 Then width = 240
Dim height As Integer = fm.qtMovieNaturalBox.height + 16
mp.Width = width
mp.Height = height
Dim w As New Window(width, height)
w.Title = f.Name
mp.Parent = w

Dim seconds As Double = fm.qtDuration / fm.qtTimeScale
Print f.Name + ": " + Format(seconds, "0.0") + " s, " + Str(width) + " x " + Str(height - 16)
If ScreenCount = 0 Then
  Print "No display: playing the sound to the end."
Else
  Print "Space: play and pause. Arrows: step. Escape: quit."
End If

mp.Play
Do
  App.DoEvents 20
  If Keyboard.AsyncKeyDown(kEscape) Then Exit Do
Loop Until ScreenCount = 0 And Not Fenra_MCIsPlaying(mp)
