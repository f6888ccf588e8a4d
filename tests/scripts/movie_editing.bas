' The movie editing and information functions on host movies and players:
' edits through the scrap, insertion, saving, exporting, new files,
' information, per-track queries, recompression and the sound input
' devices, with the QuickTime calls and flags that matter and the failures.
Dim dir As String = Args()(0)
' The movies set playing stand still: times read back are the ones set.
QTMLTest.SetClock(0)
Dim clip As FolderItem = GetFolderItem(dir + "/clip.mov")

' The n-th argument (from 1) of a trace line.
Function Arg(line As String, n As Integer) As String
  Dim inside As String = NthField(NthField(line, "(", 2), ")", 1)
  Return Trim(NthField(inside, ",", n))
End Function

' Prints the trace's calls of the names listed, with the arguments that
' carry flags and codes (pointers left out), then clears the trace.
Sub Show(names As String)
  Dim last As String
  Dim repeats As Integer
  For Each line As String In Split(QTMLTest.Trace, Chr(10))
    Dim name As String = NthField(line, "(", 1)
    If name = "" Or InStr("," + names + ",", "," + name + ",") = 0 Then Continue
    ' A call repeated with the same arguments shows once, with a count.
    Dim shown As String = Described(name, line)
    If shown = last Then
      repeats = repeats + 1
      Continue
    End If
    If repeats > 0 Then Print "  ... " + Str(repeats) + " more"
    repeats = 0
    last = shown
    Print shown
  Next
  If repeats > 0 Then Print "  ... " + Str(repeats) + " more"
  QTMLTest.ClearTrace
End Sub

' A call of the trace as it is shown: its name and the arguments that
' matter, tab-separated.
Function Described(name As String, line As String) As String
  Dim T As String = Chr(9)
  Select Case name
  Case "SetMovieProgressProc"
    Return name + T + Arg(line, 2)
  Case "PutMovieOnScrap"
    Return name + T + "flags" + T + Arg(line, 2)
  Case "NewMovieFromScrap"
    Return name + T + "flags" + T + Arg(line, 1)
  Case "ConvertMovieToFile"
    Return name + T + "type" + T + Arg(line, 4) + T + Arg(line, 5) + T + "script" + T + _
        Arg(line, 6) + T + "flags" + T + Hex(Val(Arg(line, 8)))
  Case "FlattenMovie"
    Return name + T + "flags" + T + Hex(Val(Arg(line, 2))) + T + Arg(line, 4) + T + _
        "script" + T + Arg(line, 5) + T + "file flags" + T + Hex(Val(Arg(line, 6)))
  Case "CreateMovieFile"
    Return name + T + Arg(line, 2) + T + "script" + T + Arg(line, 3) + T + "flags" + T + _
        Hex(Val(Arg(line, 4)))
  Case "UpdateMovieResource"
    Return name + T + "resource" + T + Arg(line, 3)
  Case "NewMovieFromFile"
    Return name + T + "flags" + T + Hex(Val(Arg(line, 4)))
  Case "SetMoviePlayHints"
    Return name + T + Hex(Val(Arg(line, 2))) + T + Hex(Val(Arg(line, 3)))
  Case "GetMovieNextInterestingTime", "GetTrackNextInterestingTime"
    Dim flags As Integer = Val(Arg(line, 2))
    If flags < 0 Then flags = flags + 65536
    Return name + T + "flags" + T + Hex(flags)
  Case "InsertMovieSegment"
    Return name + T + Arg(line, 3) + T + Arg(line, 4) + T + Arg(line, 5)
  Case "SetMovieTimeValue"
    Return name + T + Arg(line, 2)
  Case "SetMovieSelection"
    Return name + T + Arg(line, 2) + T + Arg(line, 3)
  Case "CompressSequenceBegin"
    Return name + T + "depth" + T + Arg(line, 6) + T + Arg(line, 7) + T + "quality" + T + _
        Arg(line, 9) + T + Arg(line, 10) + T + "flags" + T + Arg(line, 13)
  Case "EventAvail"
    Return name + T + "mask" + T + Arg(line, 1) + T + "->" + T + NthField(line, "-> ", 2)
  Case Else
    Return name
  End Select
End Function

' ---- Selection edits through the scrap ----
Dim m As Movie = clip.OpenAsMovie
QTMLTest.TraceOn
Print "copy all:", Fenra_MovieCopySelection(m, Nil)
Show "SetMovieSelection,SetMovieProgressProc,CopyMovieSelection,PutMovieOnScrap,DisposeMovie"
Dim range As New FenraTimeRange(500, 250)
Print "cut:", Fenra_MovieCutSelection(m, range), range.start, range.length, _
    Fenra_MovieTimeInfo(m, 0)
Print "paste:", Fenra_MoviePaste(m, range), range.start, range.length, Fenra_MovieTimeInfo(m, 0)
Show "NewMovieFromScrap,PasteMovieSelection"
Print "clear:", Fenra_MovieClearSelection(m, New FenraTimeRange(0, 1000)), _
    Fenra_MovieTimeInfo(m, 0), Fenra_MovieIsChanged(m)
QTMLTest.TraceOff
Dim none As Movie
Print "no movie:", Fenra_MovieCopySelection(none, Nil), Fenra_MovieClearSelection(none, Nil)
QTMLTest.FailCall "SetMovieSelection", 1, -108
Print "failed selection:", Fenra_MovieCutSelection(m, Nil), Fenra_MovieTimeInfo(m, 0)
QTMLTest.ClearFaults

' ---- Insertion by reference ----
Dim a As Movie = clip.OpenAsMovie
Dim b As Movie = clip.OpenAsMovie
Print "insert:", Fenra_MovieInsertByReference(a, b), Fenra_MovieTimeInfo(a, 0), _
    Fenra_MovieTimeInfo(b, 0)
Dim moved As New FenraMovie(a, False)
moved.qtTime = 300
QTMLTest.TraceOn
Print "append:", Fenra_MovieInsertByReference(a, b, New FenraTimeRange(0, 500), -1), _
    Fenra_MovieTimeInfo(a, 0), Fenra_MovieTimeInfo(a, 2)
Print "at 100:", Fenra_MovieInsertByReference(a, b, Nil, 100), Fenra_MovieTimeInfo(a, 0), _
    Fenra_MovieTimeInfo(a, 2)
QTMLTest.TraceOff
Show "InsertMovieSegment,SetMovieTimeValue"
Print "nil:", Fenra_MovieInsertByReference(a, none), Fenra_MovieInsertByReference(none, b, Nil, 0)

' ---- Saving changes into the movie's file ----
Dim saved As FolderItem = GetFolderItem(dir + "/saved.mov")  ' a copy of clip.mov
Dim s As Movie = saved.OpenAsMovie
Dim before As Integer = saved.Length
QTMLTest.TraceOn
Print "unchanged:", Fenra_MovieSaveChanges(saved, s), saved.Length = before
Show "OpenMovieFile,NewMovieFromFile,UpdateMovieResource,CloseMovieFile"
Print Fenra_MovieSetPosterTime(s, 700)
Print "changed:", Fenra_MovieSaveChanges(saved, s)
Show "UpdateMovieResource,CloseMovieFile"
QTMLTest.TraceOff
Print "poster kept:", Fenra_MovieTimeInfo(saved.OpenAsMovie, 3)
Print "nil file:", Fenra_MovieSaveChanges(Nil, s), Fenra_MovieSaveChanges(saved, none)
Print "missing:", Fenra_MovieSaveChanges(GetFolderItem(dir + "/nothing.mov"), s)

' ---- Exporting through the export dialog ----
Dim fm As New FenraMovie(clip)
Dim exported As FolderItem = GetFolderItem(dir + "/exported.mov")
QTMLTest.AnswerDialog "MooV"
QTMLTest.TraceOn
Print "export:", Fenra_MovieExportToFile(fm, exported), exported.Exists
Show "SetMovieProgressProc,ConvertMovieToFile"
QTMLTest.TraceOff
Print "tracks:", Fenra_MovieTracksCount(exported.OpenAsMovie)
Dim soundOnly As FolderItem = GetFolderItem(dir + "/sound.mov")
QTMLTest.AnswerDialog "MooV"
Print "track export:", Fenra_TrackExportToFile(fm.qtTrack(1), soundOnly), _
    Fenra_TrackType(soundOnly.OpenAsMovie, 1), Fenra_MovieTracksCount(soundOnly.OpenAsMovie)
QTMLTest.CancelDialog
Print "cancelled:", Fenra_MovieExportToFile(fm, GetFolderItem(dir + "/cancelled.mov")), _
    GetFolderItem(dir + "/cancelled.mov").Exists
QTMLTest.AnswerDialog "XYZW"
Print "no such exporter:", Fenra_MovieExportToFile(fm, GetFolderItem(dir + "/sound.aif"))
Print "nil:", Fenra_MovieExportToFile(Nil, exported), Fenra_MovieExportToFile(fm, Nil), _
    Fenra_MovieExportToFile(New FenraMovie(none, False), exported), _
    Fenra_TrackExportToFile(New FenraTrack, exported)

' ---- A selection written as a new movie ----
Dim part As FolderItem = GetFolderItem(dir + "/part.mov")
QTMLTest.TraceOn
Print "selection:", Fenra_MovieCreateFromSelection(clip.OpenAsMovie, part, 500, 1500)
Show "FlattenMovie,SetMovieProgressProc"
QTMLTest.TraceOff
Print "part:", Fenra_MovieTimeInfo(part.OpenAsMovie, 0), Fenra_MovieTracksCount(part.OpenAsMovie)
Print "bad:", Fenra_MovieCreateFromSelection(clip.OpenAsMovie, part, 500, 100), _
    Fenra_MovieCreateFromSelection(none, part, 0, 1), _
    Fenra_MovieCreateFromSelection(clip.OpenAsMovie, Nil, 0, 1)
Dim mp As New MoviePlayer
mp.Movie = clip.OpenAsMovie
Dim fromPlayer As FolderItem = GetFolderItem(dir + "/player.mov")
Print "player range:", Fenra_MovieCreateFromSelection(mp, fromPlayer, 0, 250), _
    Fenra_MovieTimeInfo(fromPlayer.OpenAsMovie, 0)
' Editing is off in a new controller: its selection reads as empty.
Print "player selection:", Fenra_MovieCreateFromSelection(mp, fromPlayer), _
    Fenra_MovieTimeInfo(fromPlayer.OpenAsMovie, 0)
Dim noPlayer As MoviePlayer
Print "no player:", Fenra_MovieCreateFromSelection(noPlayer, fromPlayer), _
    Fenra_MovieCreateFromSelection(New MoviePlayer, fromPlayer), _
    Fenra_MovieCreateFromSelection(mp, Nil, 0, 1)

' ---- New empty movie files ----
Dim empty As FolderItem = GetFolderItem(dir + "/empty.mov")
QTMLTest.TraceOn
Print "empty file:", Fenra_MovieCreateEmptyFile(empty), empty.Exists, _
    Fenra_MovieTracksCount(empty.OpenAsMovie)
Show "CreateMovieFile,UpdateMovieResource"
Dim made As Movie = Fenra_MovieCreateEmpty(GetFolderItem(dir + "/made.mov"))
Show "CreateMovieFile,UpdateMovieResource"
QTMLTest.TraceOff
Print "empty movie:", made Is Nil, Fenra_MovieTracksCount(made), Fenra_MovieCreateEmptyFile(Nil)
Print "in a missing folder:", Fenra_MovieCreateEmptyFile(GetFolderItem(dir + "/no/such.mov")), _
    Fenra_MovieCreateEmpty(GetFolderItem(dir + "/no/such.mov")) Is Nil

' ---- Information ----
Dim i As Movie = clip.OpenAsMovie
QTMLTest.TraceOn
Print "status:", Fenra_MovieCheckStatus(clip), Fenra_MovieCheckStatus(Nil), _
    Fenra_MovieCheckStatus(GetFolderItem(dir + "/nothing.mov"))
Show "NewMovieFromFile,CloseMovieFile,GetMovieStatus"
QTMLTest.TraceOff
Print "times:", Fenra_MovieTimeInfo(i, 0), Fenra_MovieTimeInfo(i, 1), Fenra_MovieTimeInfo(i, 2), _
    Fenra_MovieTimeInfo(i, 3), Fenra_MovieTimeInfo(i, 4), Fenra_MovieTimeInfo(none, 0)
Print "volume:", Fenra_MovieVolume(i), Fenra_MovieVolume(i, 128), Fenra_MovieVolume(i), _
    Fenra_MovieVolume(none), Fenra_MovieVolume(New Movie)
Print "tracks:", Fenra_MovieTracksCount(i), Fenra_MovieTracksCount(none), _
    Fenra_MovieTracksCount(New Movie)
Print "box:", Fenra_MovieSetBox(i, 160, 120), New FenraMovie(i, False).qtMovieBox.right
Print "kilobytes:", Fenra_MovieDataSize(i, New FenraTimeRange(0, 1000)) > 0, _
    Fenra_MovieDataSize(none, Nil)
Print "rates:", Fenra_MovieRates(i, 0), Fenra_MovieRates(i, 1.5, 0), Fenra_MovieRates(i, 0), _
    Fenra_MovieRates(i, 2, 1), Fenra_MovieRates(i, 1), Fenra_MovieRates(none, 0)
QTMLTest.TraceOn
Print "hints:", Fenra_MovieHighQualityEnabled(i, True), Fenra_MovieHighQualityEnabled(i, False), _
    Fenra_MovieSingleFieldEnabled(i, True)
Show "SetMoviePlayHints"
QTMLTest.TraceOff
Print "load:", Fenra_LoadMovieInRAM(i, Nil, 1), _
    Fenra_LoadMovieInRAM(i, New FenraTimeRange(0, 0), 1), Fenra_LoadTrackInRAM(i, 1, New FenraTimeRange(0, 500), 1), Fenra_LoadTrackInRAM(i, 3, Nil, 1)

' ---- Frames and tracks ----
QTMLTest.TraceOn
Print "frames:", Fenra_MovieFramesCount(i, "vide")
Show "GetMovieNextInterestingTime"
QTMLTest.TraceOff
Print "frames in range:", Fenra_MovieFramesCount(i, New FenraTimeRange(1000, 500), "vide"), _
    Fenra_MovieFramesCount(i, Nil, "vide"), Fenra_MovieFramesCount(i, "soun")
Print "track frames:", Fenra_TrackFramesCount(i, 1), Fenra_TrackFramesCount(i, 1, 0, -1), _
    Fenra_TrackFramesCount(i, 1, 1000, 1500), Fenra_TrackFramesCount(i, 9)
Print "types:", Fenra_TrackType(i, 1), Fenra_TrackType(i, 2), Fenra_TrackType(i, 3), _
    Fenra_TrackType(i, 0), "[" + Fenra_TrackType(none, 1) + "]"
Print "offsets:", Fenra_TrackOffset(i, 1), Fenra_TrackOffset(i, 3)
Print "enabled:", Fenra_TrackEnabled(i, 2), Fenra_TrackEnabled(i, 2, False), _
    Fenra_TrackEnabled(i, 2), Fenra_TrackEnabled(i, 3, True), Fenra_TrackEnabled(none, 1, True)
Print "durations:", Fenra_TrackDuration(i, 1), Fenra_TrackDuration(i, 3)
Print "sample durations:", Fenra_TrackSampleDuration(i, 1, 0, 1), _
    Fenra_TrackSampleDuration(i, 1, 2000, 1), Fenra_TrackSampleDuration(i, 3, 0, 1)
Print "data:", Fenra_TrackDataOffset(i, 1) > 0, Fenra_TrackDataOffset(i, 3), _
    Fenra_TrackDataSize(i, 0, 1000, 2), Fenra_MediaDataSize(i, 0, 44100, 2), _
    Fenra_TrackDataSize(i, 0, 1000, 3), Fenra_MediaDataSize(i, 0, 1, 3)
Print "poster:", Fenra_MovieSetPosterTime(i, 900), Fenra_MovieTimeInfo(i, 3), _
    Fenra_MovieSetPosterTime(none, 1), Fenra_MovieSetPosterTime(noPlayer)
mp.Movie = i
Dim playing As New FenraMovie(mp)
playing.qtTime = 400
Print "player poster:", Fenra_MovieSetPosterTime(mp), Fenra_MovieTimeInfo(i, 3)

' ---- Sound input devices ----
Print "devices:", Fenra_GBCountSoundInputDevices(), Fenra_GBGetIndexedSoundInputDevicesName(1), _
    Fenra_GBGetIndexedSoundInputDevicesName(0), Fenra_GBGetIndexedSoundInputDevicesName(2)

' ---- Recompression ----
Dim src As Movie = clip.OpenAsMovie
Dim recompressed As FolderItem = GetFolderItem(dir + "/recompressed.mov")
QTMLTest.TraceOn
Print "recompress:", Fenra_MovieRecompress(src, recompressed, 24, 512, "jpeg", 0)
Show "CreateMovieFile,CompressSequenceBegin,CDSequenceEnd,UpdateMovieResource,DeleteMovieFile"
QTMLTest.TraceOff
Dim r As Movie = recompressed.OpenAsMovie
Print "recompressed:", Fenra_MovieTracksCount(r), Fenra_TrackType(r, 1), Fenra_TrackType(r, 2), _
    Fenra_MovieFramesCount(r, "vide"), Fenra_MovieTimeInfo(r, 0)
Dim at5 As FolderItem = GetFolderItem(dir + "/at5.mov")
Print "at 5 frames a second:", Fenra_MovieRecompress(src, at5, 24, 512, "", 5), _
    Fenra_MovieFramesCount(at5.OpenAsMovie, "vide")
Dim roi() As Integer = Array(0, 0, 160, 120)
Dim corner As FolderItem = GetFolderItem(dir + "/corner.mov")
Print "region:", Fenra_MovieRecompress(src, corner, roi, 24, 512, "jpeg", 2), _
    New FenraMovie(corner).qtMovieBox.right
Dim flat() As Integer = Array(0, 0, 0, 0)
Print "bad:", Fenra_MovieRecompress(src, corner, flat, 24, 512, "jpeg", 2), _
    Fenra_MovieRecompress(src, Nil, 24, 512, "jpeg", 0), _
    Fenra_MovieRecompress(none, corner, 24, 512, "jpeg", 0)
' Escape pressed while the frames are compressed: the new file goes.
Dim escaped As FolderItem = GetFolderItem(dir + "/escaped.mov")
QTMLTest.PressKey 53, 5
QTMLTest.TraceOn
Print "escape:", Fenra_MovieRecompress(src, escaped, 24, 512, "jpeg", 0), escaped.Exists
QTMLTest.TraceOff
Print "frames before escape:", CountFields(QTMLTest.Trace, "AddMediaSample(") - 1
Show "EventAvail,CDSequenceEnd,DeleteMovieFile"
QTMLTest.ClearKeys
QTMLTest.FailCall "AddMediaSample", 3, -34
Print "full disk:", Fenra_MovieRecompress(src, escaped, 24, 512, "jpeg", 0), escaped.Exists
QTMLTest.ClearFaults

' ---- A video track of one picture ----
Dim host As Movie = clip.OpenAsMovie
Dim params As New FenraImageDescComp
Dim pic As New Picture(64, 48)
params.width = 64
params.height = 48
params.depth = 24
params.spatialQual = 512
params.samplesCount = 2
params.sampleDuration = 300
QTMLTest.TraceOn
Print "one picture:", Fenra_TrackVideoCreateWithSample(host, params, pic), params.codec
Show "CompressSequenceBegin,NewTrackMedia,InsertMediaIntoTrack,CDSequenceEnd"
QTMLTest.TraceOff
Print "new track:", Fenra_MovieTracksCount(host), Fenra_TrackType(host, 3), _
    Fenra_TrackDuration(host, 3), Fenra_TrackFramesCount(host, 3)
Print "bad:", Fenra_TrackVideoCreateWithSample(none, params, pic), _
    Fenra_TrackVideoCreateWithSample(host, Nil, pic)
QTMLTest.FailCall "NewTrackMedia", 1, -108
Print "failed:", Fenra_TrackVideoCreateWithSample(host, params, pic), Fenra_MovieTracksCount(host)
QTMLTest.ClearFaults
