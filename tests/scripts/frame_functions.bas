' The frame module functions on files frame_functions.sh made: frames at a
' time and size, regions of frames at their own pixels, thumbnails, and
' every frame written as a numbered picture file (which
' frame_functions.after.sh reads with ImageMagick). The movie has five
' frames, two red then three blue, with a white square at the top left.
Dim dir As FolderItem = GetFolderItem(Args()(0))
Dim m As Movie = dir.Child("colours.mov").OpenAsMovie
Dim scale As Integer = Fenra_MovieTimeInfo(m, 1)
Dim lastTime As Integer = Fenra_MovieTimeInfo(m, 0) - 1

Sub Show(label As String, p As Picture)
  If p Is Nil Then
    Print label, "nil"
  Else
    Print label, p.Width, p.Height, p.Graphics.Pixel(1, 1), p.Graphics.Pixel(p.Width - 2, p.Height - 2)
  End If
End Sub

' ---- Frames at a time and size ----
Dim p As Picture
Show "poster at 32 x 24:", Fenra_MovieFrame(m, 32, 24)
Show "last at 128 x 96:", Fenra_MovieFrame(m, lastTime, 128, 96)
' The movie keeps its box.
Dim wrapped As New FenraMovie(m, False)
Dim box As FenraRect = wrapped.qtMovieBox
Print "box kept:", box.right, box.bottom
' A player's frame is the one at its movie's current time.
Dim mp As New MoviePlayer
mp.Movie = dir.Child("colours.mov").OpenAsMovie
Dim played As New FenraMovie(mp)
played.qtTime = lastTime
Show "player frame:", Fenra_MovieFrame(mp, 16, 12)
Show "w 0:", Fenra_MovieFrame(m, 0, 48)
Show "h 0:", Fenra_MovieFrame(m, scale, 48, 0)
Dim noMovie As Movie
Dim noPlayer As MoviePlayer
Show "no movie:", Fenra_MovieFrame(noMovie, 32, 24)
Show "no player:", Fenra_MovieFrame(noPlayer, 32, 24)
Show "empty player:", Fenra_MovieFrame(New MoviePlayer, 32, 24)

' ---- Regions of a frame: the region's own pixels, whatever the box ----
' The white square ends at (7, 7) of the region's pixels.
Sub ShowEdge(p As Picture)
  Print "  square's edge:", p.Graphics.Pixel(7, 7), p.Graphics.Pixel(8, 8)
End Sub
Dim corner As New FenraRect(Array(8, 8, 40, 32))
p = Fenra_MovieFrame(m, 0, corner)
Show "region at 0:", p
ShowEdge p
Print "scaled box:", Fenra_MovieSetBox(m, 128, 96)
p = Fenra_MovieFrame(m, lastTime, corner)
Show "region, box scaled:", p
ShowEdge p
Show "whole frame:", Fenra_MovieFrame(m, lastTime, New FenraRect(64, 48))
Show "reaching outside:", Fenra_MovieFrame(m, 0, New FenraRect(Array(40, 8, 72, 32)))
Show "empty region:", Fenra_MovieFrame(m, 0, New FenraRect)
Dim noRect As FenraRect
Show "nil region:", Fenra_MovieFrame(m, 0, noRect)
Show "region, no movie:", Fenra_MovieFrame(noMovie, 0, corner)
Print "box back:", Fenra_MovieSetBox(m, 64, 48)

' ---- Thumbnails: 80 on the longer side ----
Show "image file:", Fenra_ThumbnailCreate(dir.Child("halves.png"))
Show "not an image:", Fenra_ThumbnailCreate(dir.Child("notes.txt"))
Show "missing file:", Fenra_ThumbnailCreate(dir.Child("missing.png"))
Dim green As New Picture(40, 100, 32)
green.Graphics.ForeColor = &c00FF00
green.Graphics.FillRect(0, 0, 40, 100)
Show "picture:", Fenra_ThumbnailCreate(green)
Dim noPicture As Picture
Show "nil picture:", Fenra_ThumbnailCreate(noPicture)
Show "movie poster:", Fenra_ThumbnailCreate(m)
Show "movie at the end:", Fenra_ThumbnailCreate(m, lastTime)
Show "sound movie:", Fenra_ThumbnailCreate(dir.Child("sound.mov").OpenAsMovie)
Show "no movie:", Fenra_ThumbnailCreate(noMovie)

' ---- Every frame as a picture file ----
Dim frames As FolderItem = dir.Child("frames")
Print "frames to files:", Fenra_MovieFramesToPictureFiles(m, frames, 32, 24), frames.Count
box = wrapped.qtMovieBox
Print "box restored:", box.right, box.bottom
' Escape pressed after the second frame: two files, the key still waiting.
Dim escaped As FolderItem = dir.Child("escaped")
QTMLTest.PressKey &h35, 2
QTMLTest.ClearTrace
QTMLTest.TraceOn
Print "escape after 2:", Fenra_MovieFramesToPictureFiles(m, escaped, 32, 24), escaped.Count
QTMLTest.TraceOff
' Each file is made as a picture file of this system, after its name was
' found unused.
For Each line As String In Split(QTMLTest.Trace, Chr(10))
  If Left(line, 13) = "FSMakeFSSpec(" Then
    Print "  ", "FSMakeFSSpec", NthField(line, ", ", 3), "->", NthField(line, "-> ", 2)
  ElseIf Left(line, 10) = "FSpCreate(" Then
    Print "  ", "FSpCreate", Mid(line, InStr(line, ", ") + 2)
  End If
Next
Print "escape at once:", Fenra_MovieFramesToPictureFiles(m, escaped, 32, 24), escaped.Count
QTMLTest.ClearKeys
' Another key does not stop it; files there already are kept as they are.
Dim again As FolderItem = dir.Child("again")
QTMLTest.PressKey &h31
Print "over a 000001:", Fenra_MovieFramesToPictureFiles(m, again, 32, 24), again.Count
QTMLTest.ClearKeys
' The region of every frame.
Dim trimmed As FolderItem = dir.Child("trimmed")
Print "trimmed:", Fenra_MovieFramesToPictureFiles(m, trimmed, corner), trimmed.Count
' A write that fails leaves no file behind; the frames after it are written.
Dim faulty As FolderItem = dir.Child("faulty")
QTMLTest.FailCall "FSWrite", 600, -34
Print "disk full at frame 2:", Fenra_MovieFramesToPictureFiles(m, faulty, 32, 24), faulty.Count
QTMLTest.ClearFaults

' ---- Refusals ----
Dim sound As FolderItem = dir.Child("sound")
Print "no video track:", Fenra_MovieFramesToPictureFiles(dir.Child("sound.mov").OpenAsMovie, sound, 32, 24), _
    Fenra_MovieFramesToPictureFiles(dir.Child("sound.mov").OpenAsMovie, sound, corner), sound.Count
Print "no folder:", Fenra_MovieFramesToPictureFiles(m, dir.Child("missing"), 32, 24), _
    Fenra_MovieFramesToPictureFiles(m, dir.Child("notes.txt"), corner)
Print "no movie:", Fenra_MovieFramesToPictureFiles(noMovie, sound, 32, 24), _
    Fenra_MovieFramesToPictureFiles(noMovie, sound, corner)
Print "empty size or region:", Fenra_MovieFramesToPictureFiles(m, sound, 0, 24), _
    Fenra_MovieFramesToPictureFiles(m, sound, New FenraRect), _
    Fenra_MovieFramesToPictureFiles(m, sound, New FenraRect(Array(40, 8, 72, 32))), sound.Count
