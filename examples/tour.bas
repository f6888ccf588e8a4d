' A tour of Fenra, the QuickTime plugin, as a program of the host sees it.
' Run it with:   ./fenra run examples/tour.bas
' Every line it prints is the plugin, the host runtime or QuickTime at work.

Print "== The plugin is loaded"
' The version words keep major, minor and bug-fix digits in their high bytes.
Dim qt As Integer = Fenra_QTVersion
Print "QuickTime version:        " + Str(qt \ &h1000000) + "." + Str((qt \ &h100000) Mod 16) + _
    "." + Str((qt \ &h10000) Mod 16)
Dim pv As Integer = Fenra_PluginVersion
Print "plugin version:           " + Str(pv \ &h1000000) + "." + Str((pv \ &h100000) Mod 16) + _
    "." + Str((pv \ &h10000) Mod 16)
Print "plugin interface version: " + Str(Runtime.PluginVersion)
Print "classes registered:       " + Str(Runtime.ClassCount)
Print "module methods:           " + Str(Runtime.ModuleMethodCount)

Print
Print "== Constants of FenraObject"
' Constants are read through the class, through any subclass, or through
' an instance.
Print "kGMd_addPin = " + Str(FenraObject.kGMd_addPin)
Print "kGMd_subPin = " + Str(FenraProgressCallback.kGMd_subPin)
Print "kTime_Scale = " + Str(FenraObject.kTime_Scale)

Print
Print "== A FenraRect"
Dim r As New FenraRect(640, 480)
Print "new FenraRect(640, 480): " + Str(r.width) + " x " + Str(r.height) + _
    ", centre (" + Str(r.xCenter) + ", " + Str(r.yCenter) + ")"
r.left = 100
Print "after left = 100:        left " + Str(r.left) + ", right " + Str(r.right) + _
    ", width " + Str(r.width)
Dim sides() As Integer = Array(10, 20, 110, 70)
Dim fromArray As New FenraRect(sides)
Print "from Array(10, 20, 110, 70): " + Str(fromArray.width) + " x " + Str(fromArray.height)
' Results are codes, never exceptions: an empty rectangle is simply not valid.
Dim empty As New FenraRect
Print "an empty FenraRect:      isValid " + Str(empty.isValid) + ", fenraErr " + Str(empty.fenraErr)

Print
Print "== A FenraProgressCallback"
' A callback holds the routine QuickTime calls back while compressing or
' exporting; its code lives in a memoryblock.
Dim noRoutine As New FenraProgressCallback
Print "without a routine: isValid " + Str(noRoutine.isValid) + ", fenraErr " + Str(noRoutine.fenraErr)
Dim code As New MemoryBlock(16)
Dim cb As New FenraProgressCallback(code, Nil)
Print "with a routine:    isValid " + Str(cb.isValid)
' Copies are deep: each object owns its own native object.
Dim copy As New FenraProgressCallback(cb)
Print "a copy:            isValid " + Str(copy.isValid) + ", its own native object " + _
    Str(copy.objPtr <> cb.objPtr)
' Made from Nil, a callback has no native object: fenraErr reads -108.
Dim none As FenraProgressCallback
Dim fromNil As New FenraProgressCallback(none)
Print "made from Nil:     isValid " + Str(fromNil.isValid) + ", fenraErr " + Str(fromNil.fenraErr)

Print
Print "== QuickTime underneath"
' The engine's test controls show what the plugin asks of QuickTime.
QTMLTest.ClearTrace
QTMLTest.TraceOn
Dim region As New FenraRegion(r)
QTMLTest.TraceOff
For Each line As String In Split(QTMLTest.Trace, Chr(10))
  If line <> "" Then Print "a FenraRegion called " + NthField(line, "(", 1)
Next
' ... and how it copes when QuickTime fails: the failure becomes fenraErr.
QTMLTest.FailCall "NewRgn", 1, -108
Dim failed As New FenraRegion(r)
QTMLTest.ClearFaults
Print "with NewRgn failing:  isValid " + Str(failed.isValid) + ", fenraErr " + Str(failed.fenraErr)

Print
Print "== Regions are sets of pixels"
' A 100 x 100 square with a 50 x 50 corner cut away, then put back.
Dim square As New FenraRegion(New FenraRect(100, 100))
Dim corner As New FenraRegion(New FenraRect(50, 50))
square.Subtract(corner)
Print "square minus a corner: fenraErr " + Str(square.fenraErr)
square.Add(corner)
Print "and the corner back:   fenraErr " + Str(square.fenraErr)
' An oval needs a rectangle with room in it.
Dim oval As New FenraRegion
oval.OvalToRegion(New FenraRect(0, 0))
Print "an oval in an empty rectangle: fenraErr " + Str(oval.fenraErr)

Print
Print "== A graphics context says how frames are drawn"
' Source 100 x 100 onto a 200 x 200 destination, turned a quarter, shifted.
Dim gc As New FenraGraphicsContext(New FenraRect(100, 100), New FenraRect(200, 200))
gc.rotation = 90
gc.xShift = 10
gc.graphicsMode = FenraObject.kGMd_blend
gc.graphicsModeColor = RGB(128, 128, 128)
Dim dst As FenraRect = gc.dstBounds
Print "destination " + Str(dst.width) + " x " + Str(dst.height) + ", turning about (" + _
    Str(dst.xCenter) + ", " + Str(dst.yCenter) + ")"
Print "mode", gc.graphicsMode, "with colour", gc.graphicsModeColor
gc.ClipToDestRect
Print "clipped to its destination: " + Str(gc.clipRegion.isValid)
' Setting the clip to Nil removes it; the getter then gives an empty object.
gc.clipRegion = Nil
Print "clip removed: " + Str(gc.clipRegion.isValid)

Print
Print "== Settings kept in a file"
' A user data list holds typed items; saved to a file, it comes back whole.
Dim settings As New FenraUserData
settings.Item("name", 1) = "tour"
settings.Item("size", 1) = "640x480"
Dim settingsFile As FolderItem = SpecialFolder.Temporary.Child("tour.settings")
settings.qtFlush(settingsFile)
Print "saved " + Str(settings.ListCount) + " items: fenraErr " + Str(settings.fenraErr)
Dim restored As New FenraUserData(settingsFile)
Print "read back: name = " + restored.Item("name", 1) + ", size = " + restored.Item("size", 1)

Print
Print "== A movie"
' examples/sample.mov was made by the engine alone (examples/tools): one
' second of colour bars and a rising tone.
Dim sampleFile As FolderItem = GetFolderItem("examples/sample.mov")
If Not sampleFile.Exists Then sampleFile = GetFolderItem("sample.mov")
If Not sampleFile.Exists Then
  Print "examples/sample.mov is not here: run the tour from Fenra's folder, as"
  Print "  ./fenra run examples/tour.bas"
  Quit(1)
End If
Dim movie As New FenraMovie(sampleFile)
Print "opened: isValid " + Str(movie.isValid) + ", fenraErr " + Str(movie.fenraErr)
Print "duration " + Str(movie.qtDuration) + " in units of 1/" + Str(movie.qtTimeScale) + _
    " second, " + Str(movie.qtTracksCount) + " tracks"
Dim movieBox As FenraRect = movie.qtMovieNaturalBox
Print "natural size " + Str(movieBox.width) + " x " + Str(movieBox.height)
For i As Integer = 0 To movie.qtTracksCount - 1
  Dim track As FenraTrack = movie.qtTrack(i)
  Dim media As FenraMedia = track.qtMedia
  Dim desc As FenraSampleDesc = media.sampleDesc(0)
  Print "track " + Str(track.qtTrackID) + ": " + track.qtTrackType + ", " + _
      Str(media.samplesCount) + " samples at " + Str(media.qtTimeScale) + " a second, format '" + _
      desc.dataType + "'"
Next
Dim info As FenraUserData = movie.qtUserData
Print "its user data: " + Str(info.ListCount) + " items; its name: " + _
    info.ItemText(info.ListType(0), 1, 0)
' Stepping through frames, and copying the movie with half of it cut.
movie.qtSeekTime FenraMovie.kSeek_End
Print "at the end: time " + Str(movie.qtTime)
Dim firstHalf As New FenraTimeRange(0, movie.qtDuration \ 2)
movie.qtEdit(firstHalf, FenraObject.kEdit_Cut)
Print "after cutting the first half: duration " + Str(movie.qtDuration)
Dim halfFile As FolderItem = SpecialFolder.Temporary.Child("half.mov")
movie.qtFlush(halfFile)
Dim half As New FenraMovie(halfFile)
Print "saved and reopened: duration " + Str(half.qtDuration) + ", fenraErr " + Str(half.fenraErr)
Print "the saved file keeps only what is left: " + Str(halfFile.Length) + " bytes, the sample " + _
    Str(sampleFile.Length)

Print
Print "== Objects that outlive their movie"
' A track keeps a reference to its movie's track; once the movie has gone
' the reference answers an error (invalidTrack, -2009) instead of reaching
' whatever movie comes next.
Dim kept As FenraTrack = half.qtTrack(0)
half = Nil
Dim reopened As New FenraMovie(halfFile)
kept.enabled = False
Print "the old track answers " + Str(kept.fenraErr) + "; the new movie's track is enabled: " + _
    Str(reopened.qtTrack(0).enabled)

Print
Print "== A movie made, played and shown frame by frame"
' Two seconds of video drawn by this script: a red second with a white
' square moving across, then a blue one. Each picture is compressed with
' Photo - JPEG as it is added.
Dim made As New FenraMovie
Dim look As New FenraImageDescComp
look.width = 160
look.height = 120
look.depth = 32
look.codec = "jpeg"
look.spatialQual = FenraImageDesc.kCQ_HighQual
look.sampleDuration = 60
Dim video As New FenraNewVideoTrack(made, look)
video.BeginEditing
For i As Integer = 0 To 19
  Dim drawn As New Picture(160, 120)
  If i < 10 Then drawn.Graphics.ForeColor = &cC00000 Else drawn.Graphics.ForeColor = &c0000C0
  drawn.Graphics.FillRect(0, 0, 160, 120)
  drawn.Graphics.ForeColor = &cFFFFFF
  drawn.Graphics.FillRect(i * 7, 45, 30, 30)
  video.AddSample(drawn, 1)
Next
video.EndEditing
Print "made: " + Str(made.qtDuration / made.qtTimeScale) + " s of " + _
    Str(video.qtTrack.qtMedia.samplesCount) + " frames, fenraErr " + Str(made.fenraErr)

' Played into a window on the engine's clock, stopped so that the tour is
' exact: after 1.5 s of play the window shows the blue second.
QTMLTest.SetClock(0)
Dim madeFile As FolderItem = SpecialFolder.Temporary.Child("made.mov")
made.qtFlush(madeFile, True)
Dim player As New FenraMoviePlay(madeFile)
Dim screen As New Window(160, 120)
player.displaySetUp(screen, Nil)
player.Play
QTMLTest.AdvanceClock(1500)
player.Idle
Dim shown As Color = screen.Contents.Graphics.Pixel(10, 10)
Print "played for 1.5 s: at time " + Str(player.qtTime) + " of " + Str(player.qtDuration) + _
    ", the window shows red " + Str(shown.Red) + ", blue " + Str(shown.Blue)
player.brightness = 40
Print "brighter by 40: red " + Str(screen.Contents.Graphics.Pixel(10, 10).Red) + ", blue " + _
    Str(screen.Contents.Graphics.Pixel(10, 10).Blue)
QTMLTest.SetClock(-1)

' Frames as pictures: three moments, at half size, saved as PNG files.
Dim framesDir As FolderItem = GetFolderItem("tour-frames")
If Ubound(Args()) >= 0 Then framesDir = GetFolderItem(Args()(0))
If Not framesDir.Exists Then framesDir.CreateAsFolder
For Each moment As Integer In Array(0, 15, 30)
  made.qtTime = moment * made.qtTimeScale \ 20
  Dim still As Picture = made.frame(80, 60)
  Dim pngFile As FolderItem = framesDir.Child("frame-" + Str(moment) + ".png")
  still.Save(pngFile, "png")
  Print "frame at " + Str(made.qtTime) + ": " + Str(still.Width) + " x " + Str(still.Height) + _
      ", saved as " + pngFile.Name
Next
Print "the frames are in " + framesDir.NativePath

Print
Print "== A movie player in a window"
' The host's MoviePlayer: the movie with its controller's bar below it,
' played by the event loop, which hands it the keys pressed (here by the
' test controls, on the engine's clock again).
QTMLTest.SetClock(0)
Dim mp As New MoviePlayer
mp.Movie = madeFile.OpenAsMovie
Dim playerWindow As New Window(160, 136)
playerWindow.Title = "tour"
mp.Parent = playerWindow
mp.Play
App.DoEvents 1000
Dim playing As New FenraMovie(mp)
Print "after 1 s of the event loop: playing " + Str(Fenra_MCIsPlaying(mp)) + ", at time " + _
    Str(playing.qtTime) + ", the window shows blue " + _
    Str(playerWindow.Contents.Graphics.Pixel(10, 10).Blue)
QTMLTest.PressKey &h31
App.DoEvents
Print "space pauses it: playing " + Str(Fenra_MCIsPlaying(mp))
Dim thumb As Picture = Fenra_ThumbnailCreate(madeFile.OpenAsMovie)
Print "its thumbnail: " + Str(thumb.Width) + " x " + Str(thumb.Height)
QTMLTest.SetClock(-1)
Print "to watch a movie with its sound: ./fenra run examples/player.bas MOVIE"
