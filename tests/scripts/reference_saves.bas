' Reference saves (qtFlush(f, False)) over files that are already there:
' the old file is replaced only by a whole new movie, a failure leaves it
' as it was, and the file a movie's own samples are read from is never
' replaced. A FIFO in the way of a new movie is left alone.
Dim dir As FolderItem = GetFolderItem(Args()(0))
Dim m As New FenraMovie(dir.Child("clip.mov"))
Dim other As FolderItem = dir.Child("other.mov")
Dim size As Integer = other.Length

' The movie cannot be written into the new file: the old one comes back.
QTMLTest.FailCall "UpdateMovieResource", 1, -108
m.qtFlush(other, False)
Print "write fails:", m.fenraErr, other.Length = size
' Nor can the old file be set aside.
QTMLTest.FailCall "FSpExchangeFiles", 1, -36
m.qtFlush(other, False)
Print "aside fails:", m.fenraErr, other.Length = size
QTMLTest.ClearFaults

' Saved: a small movie that reads the samples where they are.
m.qtFlush(other, False)
Dim saved As New FenraMovie(other)
Print "saved:", m.fenraErr, other.Length < size, saved.isValid, saved.qtDuration = m.qtDuration

' Over the movie's own file: refused (fBsyErr), the file untouched.
Dim own As Integer = dir.Child("clip.mov").Length
m.qtFlush(dir.Child("clip.mov"), False)
Print "over its own file:", m.fenraErr, dir.Child("clip.mov").Length = own
Dim reopened As New FenraMovie(dir.Child("clip.mov"))
Print "still plays:", reopened.isValid, reopened.qtDuration = m.qtDuration

' A new movie where a FIFO is: notAFileErr, and the FIFO stays.
Dim fifo As New FenraMovie(dir.Child("fifo"), True)
Print "over a FIFO:", fifo.isValid, fifo.fenraErr, dir.Child("fifo").Exists

Dim others As Integer = 0
For i As Integer = 1 To dir.Count
  Dim name As String = dir.Item(i).Name
  If Left(name, 1) = "." Then others = others + 1
Next
Print "files left beside:", others
