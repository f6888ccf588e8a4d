' What FenraMovie asks of QuickTime when it opens, saves, seeks, counts
' samples and edits: the calls in order, with the flags they carry
' (pointers left out).
Dim dir As FolderItem = GetFolderItem(Args()(0))

' The n-th argument (from 1) of a trace line.
Function Arg(line As String, n As Integer) As String
  Dim inside As String = NthField(NthField(line, "(", 2), ")", 1)
  Return Trim(NthField(inside, ",", n))
End Function

' A 16-bit flags argument, traced as a signed number, in hex.
Function Flags16(text As String) As String
  Dim n As Integer = Val(text)
  If n < 0 Then n = n + 65536
  Return Hex(n)
End Function

' Prints the calls that matter here, with the arguments named by position.
Sub Show()
  For Each line As String In Split(QTMLTest.Trace, Chr(10))
    ShowCall line
  Next
  QTMLTest.ClearTrace
End Sub

Sub ShowCall(line As String)
  Dim name As String = NthField(line, "(", 1)
  Select Case name
  Case "OpenMovieFile"
    Print name, "permission", Arg(line, 3)
  Case "NewMovieFromFile"
    Print name, "flags", Arg(line, 4)
  Case "CreateMovieFile"
    Print name, Arg(line, 2), "script", Arg(line, 3), "flags", Hex(Val(Arg(line, 4)))
  Case "UpdateMovieResource"
    Print name, "resource", Arg(line, 3)
  Case "FlattenMovie"
    Print name, "flags", Arg(line, 2), Arg(line, 4), "script", Arg(line, 5), "file flags", _
        Hex(Val(Arg(line, 6)))
  Case "SetMovieProgressProc"
    Print name, Arg(line, 2)
  Case "GetMovieNextInterestingTime"
    Print name, "flags", Flags16(Arg(line, 2)), "types", Arg(line, 3), _
        "from", Arg(line, 4), "rate", Val(Arg(line, 5)) / 65536
  Case "SetMovieTimeValue"
    Print name, Arg(line, 2)
  Case "SetMovieSelection"
    Print name, Arg(line, 2), Arg(line, 3)
  Case "PutMovieOnScrap"
    Print name, "flags", Arg(line, 2)
  Case "NewMovieFromScrap"
    Print name, "flags", Arg(line, 1)
  Case "CloseMovieFile", "HasMovieChanged", "CutMovieSelection", "CopyMovieSelection", _
      "ClearMovieSelection", "PasteMovieSelection", "GetMovieSelection", "GoToEndOfMovie", _
      "GoToBeginningOfMovie", "DisposeMovie"
    Print name
  End Select
End Sub

QTMLTest.ClearTrace
QTMLTest.TraceOn
Dim m As New FenraMovie(dir.Child("clip.mov"))
Print "-- open"
Show
Print "-- self-contained copy"
m.qtFlush(dir.Child("copy.mov"))
Show
Print "-- reference copy"
m.qtFlush(dir.Child("ref.mov"), False)
Show
Print "-- saving an unchanged movie does nothing"
m.qtFlush
Show
Print "-- seeking: next from the start, next, previous"
m.qtSeekTime FenraMovie.kSeek_Next
m.qtTime = 500
m.qtSeekTime FenraMovie.kSeek_Next
m.qtSeekTime FenraMovie.kSeek_Prev
Show
Print "-- seeking to the end, then next at the end"
m.qtSeekTime FenraMovie.kSeek_End
m.qtSeekTime FenraMovie.kSeek_Next
Show
Print "-- counting frames of the whole movie (first and last searches)"
Print "frames:", m.qtSamplesCount(Nil, "vide")
Dim lines() As String = Split(QTMLTest.Trace, Chr(10))
QTMLTest.ClearTrace
ShowCall lines(0)
ShowCall lines(lines.Ubound - 1)
Print "-- counting frames of a range"
Print "frames:", m.qtSamplesCount(New FenraTimeRange(500, 100), "vide")
Show
Print "-- cut, then paste"
Dim r As New FenraTimeRange(0, 100)
m.qtEdit(r, FenraMovie.kEdit_Cut)
m.qtEdit(New FenraTimeRange(1000, 0), FenraMovie.kEdit_Paste)
Show
QTMLTest.TraceOff
Print "results:", m.fenraErr, dir.Child("copy.mov").Exists, dir.Child("ref.mov").Exists
