' FenraCompressMovie: movies and tracks compressed frame by frame into new
' movie files with the sequence settings (compress_movie.sh makes the
' sources; compress_movie.after.sh reads what was written).
QTMLTest.SetClock(0)
Dim dir As FolderItem = GetFolderItem(Args()(0))
Dim m As New FenraMovie(dir.Child("clip.mov"))

Dim cm As New FenraCompressMovie
Print "new:", cm.isValid, cm.fenraErr, cm.fileType, cm.defaultFileType, cm.fileCreator
Print "flags:", cm.dlgShowBestDepth, cm.dlgIsMovableModal, cm.dlgZeroFrameRateEnabled, cm.dlgFrameRateDisabled, cm.dlgDataRateAsKilobits, cm.dlgZeroKeyFrameRateEnabled
Dim d As FenraImageDescComp = cm.imageSettings
Print "defaults:", d.codec, d.frameRate, d.temporalQual, d.keyFrames, d.dataRate

' At 10 frames a second two seconds make 20 frames, evenly spaced.
d.frameRate = 10
cm.imageSettings = d
cm.DoService(m, Nil, dir.Child("at10.mov"))
Print "at 10 fps:", cm.fenraErr

' A frame rate of 0 takes every frame of the source, with its durations.
cm.dlgZeroFrameRateEnabled = True
QTMLTest.AnswerDialog "fps=0,codec=jpeg"
Print "dialog:", cm.ShowDialog, cm.fenraErr, cm.imageSettings.frameRate
cm.DoService(m, Nil, dir.Child("every.mov"))
Print "every frame:", cm.fenraErr

' A selection shorter than one frame period still gives one frame.
d.frameRate = 1
cm.imageSettings = d
cm.DoService(m, New FenraTimeRange(0, 100), dir.Child("short.mov"))
Print "short selection:", cm.fenraErr

' A smaller output size and the video track alone.
d.frameRate = 5
d.width = 160
d.height = 120
cm.imageSettings = d
cm.DoService(m.qtTrack(0), New FenraTimeRange(0, 600), dir.Child("track.mov"))
Print "video track:", cm.fenraErr
Print "the script's movie:", m.qtDuration, m.qtTracksCount, m.qtTimeScale

' Escape stops the work and leaves no file.
QTMLTest.PressKey 53, 4
cm.DoService(m, Nil, dir.Child("escaped.mov"))
Print "escaped:", cm.fenraErr
QTMLTest.ClearKeys

' What cannot be compressed.
cm.DoService(m.qtTrack(1), Nil, dir.Child("sound.mov"))
Print "sound track:", cm.fenraErr
Dim tone As New FenraMovie(dir.Child("tone.mov"))
cm.DoService(tone, Nil, dir.Child("tone-out.mov"))
Print "movie without video:", cm.fenraErr
Dim noFile As FolderItem
cm.DoService(m, Nil, noFile)
Print "nil destination:", cm.fenraErr
QTMLTest.FailCall "SCCompressSequenceFrame", 3, -8961
cm.DoService(m, Nil, dir.Child("failed.mov"))
Print "failing codec:", cm.fenraErr
QTMLTest.ClearFaults

' The standard progress display is asked for when no routine is set.
cm.defaultCallback = True
QTMLTest.ClearTrace
QTMLTest.TraceOn
cm.DoService(m, New FenraTimeRange(0, 300), dir.Child("progress.mov"))
QTMLTest.TraceOff
Dim progressSet As Boolean = False
For Each line As String In Split(QTMLTest.Trace, Chr(10))
  If Left(line, 10) = "SCSetInfo(" And InStr(line, "prog") > 0 Then progressSet = True
Next
Print "default progress:", cm.fenraErr, progressSet

' Settings files round-trip; a copy keeps the output size.
cm.description = "half size"
cm.Write(dir.Child("movie.set"))
Dim fromFile As New FenraCompressMovie(dir.Child("movie.set"))
Print "from file:", fromFile.fenraErr, fromFile.imageSettings.frameRate, fromFile.imageSettings.width, fromFile.description
fromFile.Write(dir.Child("movie2.set"))
Dim copy As New FenraCompressMovie(cm)
copy.DoService(m, New FenraTimeRange(0, 600), dir.Child("copy.mov"))
Print "copy:", copy.fenraErr, copy.fileType = "", copy.dlgIsMovableModal
copy.dlgIsMovableModal = True
Print "movable:", copy.dlgIsMovableModal
