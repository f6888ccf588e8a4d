' FenraExportMovie: a movie, a selection or a track converted by every
' movie exporter installed (export_movie.after.sh reads the files with
' ffprobe and sox), the exporters' settings and their settings files.
QTMLTest.SetClock(0)
Dim dir As FolderItem = GetFolderItem(Args()(0))
Dim m As New FenraMovie(dir.Child("clip.mov"))

Function Extension(kind As String) As String
  Select Case kind
  Case "MooV"
    Return "mov"
  Case "VfW "
    Return "avi"
  Case "mpg4"
    Return "mp4"
  Case "AIFF", "AIFC"
    Return "aiff"
  Case "WAVE"
    Return "wav"
  Case "ULAW"
    Return "au"
  Case "grex"
    Return "png"
  End Select
  Return "out"
End Function

Dim em As New FenraExportMovie
Print "new:", em.isValid, em.fenraErr, em.fileType, em.defaultFileType, em.fileCreator, em.hasGUI
Print "ids:", FenraExportMovie.kExpMovID_AVI, FenraExportMovie.kExpMovID_MPG4, FenraExportMovie.kExpMovID_WAVE

' Every exporter converts the whole movie.
Dim l As New FenraComponentList(FenraComponentList.kSelector_MExporter)
For i As Integer = 0 To l.count - 1
  Dim e As New FenraExportMovie(l.Item(i))
  e.DoService(m, Nil, dir.Child("all-" + Trim(e.fileType) + "." + Extension(e.fileType)))
  Print l.Item(i).subtype, e.fileType, e.fenraErr, e.videoSettings <> Nil, e.soundSettings <> Nil
Next

' A selection, a track, and settings given as descriptions.
em.DoService(m, New FenraTimeRange(500, 1000), dir.Child("part.avi"))
Print "selection:", em.fenraErr, "the script's movie:", m.qtDuration
Dim v As FenraImageDescComp = em.videoSettings
Print "video settings:", v.codec, v.width, v.height, v.spatialQual
v.width = 160
v.height = 120
em.videoSettings = v
Print "set:", em.fenraErr, em.videoSettings.width, em.videoSettings.height
em.DoService(m, Nil, dir.Child("small.avi"))
Print "small:", em.fenraErr
Dim wave As New FenraExportMovie(FenraExportMovie.kExpMovID_WAVE)
Print "wave video settings:", wave.videoSettings = Nil
Dim sd As FenraSoundDesc = wave.soundSettings
sd.rate = 22050
sd.channels = 1
wave.soundSettings = sd
Print "sound set:", wave.fenraErr, wave.soundSettings.rate, wave.soundSettings.channels
wave.DoService(m.qtTrack(1), New FenraTimeRange(0, 1000), dir.Child("track.wav"))
Print "sound track:", wave.fenraErr
wave.DoService(m.qtTrack(0), Nil, dir.Child("video-track.wav"))
Print "video track to WAVE:", wave.fenraErr

' Fast start: one atom however often it is asked for.
Dim mp4 As New FenraExportMovie(FenraExportMovie.kExpMovID_MPG4)
mp4.fastForInternet = True
mp4.fastForInternet = True
Print "fast:", mp4.fastForInternet, mp4.fenraErr
mp4.Write(dir.Child("fast.set"))
mp4.fastForInternet = False
Print "not fast:", mp4.fastForInternet, mp4.fenraErr
mp4.DoService(m, Nil, dir.Child("slow.mp4"))

' The settings text: video, then sound.
Print em.settingsAsString

' The dialog.
QTMLTest.CancelDialog
Print "cancelled:", em.ShowDialog, em.fenraErr
QTMLTest.AnswerDialog "quality=256,fps=10"
Print "answered:", em.ShowDialogWithin(Nil), em.fenraErr, em.videoSettings.frameRate

' Settings files: the exporter they name is made again; another exporter's
' leave a reader as it was.
em.description = "small AVI"
em.Write(dir.Child("avi.set"))
Print "write:", em.fenraErr
Dim fromFile As New FenraExportMovie(dir.Child("avi.set"))
Print "from file:", fromFile.isValid, fromFile.fenraErr, fromFile.fileType, fromFile.description, fromFile.videoSettings.width
fromFile.Write(dir.Child("avi2.set"))
Dim wavBefore As String = wave.settingsAsString
wave.Read(dir.Child("avi.set"))
Print "AVI settings into WAVE:", wave.fenraErr, wave.settingsAsString = wavBefore
Dim ci As New FenraCompressImage
ci.Write(dir.Child("image.set"))
Dim wrongKind As New FenraExportMovie(dir.Child("image.set"))
Print "image compressor's file:", wrongKind.isValid, wrongKind.fenraErr

' Copies, nils and what cannot be exported.
Dim copy As New FenraExportMovie(em)
Print "copy:", copy.isValid, copy.fileType, copy.videoSettings.width
Dim comp As New FenraComponent("spit", "AIFF")
Dim aiff As New FenraExportMovie(comp)
Print "from a component:", aiff.isValid, aiff.fileType
Dim noComp As New FenraComponent
Dim fromEmpty As New FenraExportMovie(noComp)
Print "from an empty component:", fromEmpty.isValid, fromEmpty.fenraErr
Dim unknown As New FenraExportMovie("XYZW")
Print "unknown:", unknown.isValid, unknown.fenraErr
Dim empty As New FenraMovie
em.DoService(empty, Nil, dir.Child("empty.avi"))
Print "movie without tracks:", em.fenraErr
Dim noFile As FolderItem
em.DoService(m, Nil, noFile)
Print "nil destination:", em.fenraErr
