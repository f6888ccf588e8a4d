' What FenraMovie asks of QuickTime when it opens and saves a movie: the
' calls in order, with the flags they carry (pointers left out).
Dim dir As FolderItem = GetFolderItem(Args()(0))

' The n-th argument (from 1) of a trace line.
Function Arg(line As String, n As Integer) As String
  Dim inside As String = NthField(NthField(line, "(", 2), ")", 1)
  Return Trim(NthField(inside, ",", n))
End Function

' Prints the calls that matter here, with the arguments named by position.
Sub Show()
  For Each line As String In Split(QTMLTest.Trace, Chr(10))
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
    Case "CloseMovieFile", "HasMovieChanged"
      Print name
    End Select
  Next
  QTMLTest.ClearTrace
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
QTMLTest.TraceOff
Print "results:", m.fenraErr, dir.Child("copy.mov").Exists, dir.Child("ref.mov").Exists
