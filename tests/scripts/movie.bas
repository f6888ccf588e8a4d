' FenraMovie on a movie that ffmpeg made (movie.sh): 2 seconds of 320 x 240
' video at 30 frames a second and a sine tone.
Dim clip As FolderItem = GetFolderItem(Args()(0)).Child("clip.mov")
Dim m As New FenraMovie(clip)
Print "opened:", m.isValid, m.fenraErr
Print "time scale", m.qtTimeScale, "duration", m.qtDuration, "seconds", m.qtDuration / m.qtTimeScale
Print "tracks", m.qtTracksCount, "video", m.qtHasVideo, "sound", m.qtHasSound
For i As Integer = 0 To m.qtTracksCount - 1
  Dim t As FenraTrack = m.qtTrack(i)
  Dim md As FenraMedia = t.qtMedia
  Print "track", i, t.qtTrackType, "id", t.qtTrackID, "samples", md.samplesCount, _
      "media scale", md.qtTimeScale, "descriptions", md.samplesDescCount
  If t.qtHasVideo Then
    Dim box As FenraRect = t.qtTrackBox
    Print "  box", box.width, "x", box.height
  End If
Next
Print "track past the end is nil:", m.qtTrack(m.qtTracksCount) Is Nil
Dim nb As FenraRect = m.qtMovieNaturalBox
Print "natural box", nb.width, "x", nb.height
Print "frames counted:", m.qtSamplesCount(Nil, "vide")
Print "no type:", m.qtSamplesCount(Nil, "")

' Seeking steps through frames.
m.qtSeekTime FenraMovie.kSeek_Next
Print "after next:", m.qtTime, m.fenraErr
m.qtSeekTime FenraMovie.kSeek_End
Print "at the end:", m.qtTime = m.qtDuration
m.qtSeekTime FenraMovie.kSeek_Next
Print "next at the end:", m.qtTime = m.qtDuration, m.fenraErr
m.qtSeekTime FenraMovie.kSeek_Start
Print "at the start:", m.qtTime
m.qtSeekTime FenraMovie.kSeek_Prev
Print "prev at the start:", m.qtTime, m.fenraErr

' Selection reads back as the whole movie.
m.qtSelection = New FenraTimeRange(100, 200)
Dim sel As FenraTimeRange = m.qtSelection
Print "selection", sel.start, sel.length = m.qtDuration

' Nil arguments and missing files.
Dim nothing As FolderItem
Dim nilMovie As New FenraMovie(nothing)
Print "from nil:", nilMovie.isValid, nilMovie.fenraErr
Dim missing As New FenraMovie(GetFolderItem(Args()(0)).Child("missing.mov"))
Print "missing file:", missing.isValid, missing.fenraErr

' Editing through the scrap: cut the first second, paste it at the end.
Dim dir As FolderItem = GetFolderItem(Args()(0))
Dim e As New FenraMovie(clip)
Dim first As New FenraTimeRange(0, 1000)
e.qtEdit(first, FenraObject.kEdit_Cut)
Print "cut:", e.fenraErr, "duration", e.qtDuration, "scrap has a movie:", Fenra_ScrapHasMovie
e.qtTime = e.qtDuration
Dim at As New FenraTimeRange(e.qtDuration, 0)
e.qtEdit(at, FenraObject.kEdit_Paste)
Print "pasted:", e.fenraErr, "duration", e.qtDuration, "pasted range", at.start, at.length
e.qtDuration = 4000
Print "rescaled:", e.fenraErr, e.qtDuration

' Saving: self-contained and reference copies open again with the same values.
Dim whole As FolderItem = dir.Child("whole.mov")
e.qtFlush(whole)
Print "self-contained:", e.fenraErr
Dim ref As FolderItem = dir.Child("ref.mov")
e.qtFlush(ref, False)
Print "reference:", e.fenraErr, "smaller:", ref.Length < whole.Length \ 10
Dim w As New FenraMovie(whole)
Dim r As New FenraMovie(ref)
Print "reopened:", w.qtDuration, w.qtTracksCount, r.qtDuration, r.qtTracksCount
Dim part As FolderItem = dir.Child("part.mov")
e.qtFlush(part, New FenraTimeRange(0, 1000), True)
Dim p As New FenraMovie(part)
Print "one second:", e.fenraErr, p.qtDuration

' Tracks: remove, insert a copy of another movie's track.
w.qtRemoveTrack(1)
Print "removed:", w.fenraErr, w.qtTracksCount, w.qtHasSound
w.qtRemoveTrack(5)
Print "past the end:", w.fenraErr
w.qtInsertTrack(r.qtTrack(1), Nil, True)
Print "inserted:", w.fenraErr, w.qtTracksCount, w.qtHasSound
w.qtInsertMovie(p, Nil, True)
Print "appended a movie:", w.fenraErr, w.qtDuration

' The edited movie saved in place of its first copy; movie.after.sh asks
' ffprobe about every saved file.
w.qtFlush(whole)
Print "saved again:", w.fenraErr, New FenraMovie(whole).qtDuration
