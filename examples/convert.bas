' Converts a movie to every format QuickTime's exporters write here, and
' its first frame to every image format.
' Run it with:   ./fenra run examples/convert.bas MOVIE [FOLDER]
' The files go into FOLDER (made when missing), else beside the movie.
' On a terminal each conversion shows QuickTime's progress bar.

Function Extension(exporterID As String) As String
  Select Case exporterID
  Case "MooV"
    Return "mov"
  Case FenraExportMovie.kExpMovID_AVI
    Return "avi"
  Case FenraExportMovie.kExpMovID_MPG4
    Return "mp4"
  Case FenraExportMovie.kExpMovID_AIFF
    Return "aiff"
  Case FenraExportMovie.kExpMovID_AIFC
    Return "aifc"
  Case FenraExportMovie.kExpMovID_WAVE
    Return "wav"
  Case "ULAW"
    Return "au"
  Case "grex"
    Return "png"
  End Select
  Return "out"
End Function

Dim source As FolderItem
If Ubound(Args()) >= 0 Then
  source = GetFolderItem(Args()(0))
Else
  source = GetFolderItem("examples/sample.mov")
End If
If Not source.Exists Then
  Print "No movie at " + source.NativePath
  Quit(1)
End If
Dim folder As FolderItem = source.Parent
If Ubound(Args()) >= 1 Then
  folder = GetFolderItem(Args()(1))
  If Not folder.Exists Then folder.CreateAsFolder
End If

Dim m As New FenraMovie(source)
If Not m.isValid Then
  Print "QuickTime cannot open " + source.Name + ": error " + Str(m.fenraErr)
  Quit(1)
End If
Dim baseName As String = NthField(source.Name, ".", 1)
Print source.Name + ": " + Str(m.qtDuration / m.qtTimeScale) + " s, " + Str(m.qtTracksCount) + " tracks"

' Every movie exporter: the formats are those the engine installed.
Dim failures As Integer = 0
Dim movieExporters As New FenraComponentList(FenraComponentList.kSelector_MExporter)
For i As Integer = 0 To movieExporters.count - 1
  Dim c As FenraComponent = movieExporters.Item(i)
  Dim exporter As New FenraExportMovie(c)
  exporter.defaultCallback = True   ' QuickTime's own progress display
  Dim name As String = baseName + "-" + Trim(exporter.fileType) + "." + Extension(exporter.fileType)
  exporter.DoService(m, Nil, folder.Child(name))
  If exporter.fenraErr = 0 And exporter.fileType = "grex" Then
    Print "  " + c.name + ": " + name + ", numbered, a file a frame"
  ElseIf exporter.fenraErr = 0 Then
    Print "  " + c.name + ": " + name
  Else
    ' A movie without sound cannot become a sound file, and so on.
    Print "  " + c.name + ": not written (error " + Str(exporter.fenraErr) + ")"
    failures = failures + 1
  End If
Next

' Every graphics exporter, for the first frame.
Dim imageExporters As New FenraComponentList(FenraComponentList.kSelector_GExporter)
For i As Integer = 0 To imageExporters.count - 1
  Dim c As FenraComponent = imageExporters.Item(i)
  Dim exporter As New FenraExportImage(c)
  Dim name As String = baseName + "-frame." + exporter.fileExtension
  exporter.DoService(m, 0, folder.Child(name))
  If exporter.fenraErr = 0 Then
    Print "  " + c.name + ": " + name
  Else
    Print "  " + c.name + ": not written (error " + Str(exporter.fenraErr) + ")"
    failures = failures + 1
  End If
Next
Print Str(movieExporters.count + imageExporters.count - failures) + " files in " + folder.NativePath
