' QTMLTest.FailIO: what a script sees when the disk fills up or a file
' cannot be read. The call answers the error, and the files it had are
' still there, whole.
Dim dir As FolderItem = GetFolderItem(Args()(0))
Dim m As New FenraMovie(dir.Child("clip.mov"))
Print "opened:", m.isValid, m.fenraErr

' A copy saved with nothing failing.
Dim copy As FolderItem = dir.Child("copy.mov")
m.qtFlush(copy)
Print "saved:", m.fenraErr
Dim size As Integer = copy.Length

' The disk fills up (dskFulErr, -34) on the first write in the folder while
' the copy is saved again: the save fails and the first copy stays.
QTMLTest.FailIO dir.NativePath, "write", 1, -34
m.qtFlush(copy)
Print "disk full:", m.fenraErr
QTMLTest.ClearFaults
Dim kept As New FenraMovie(copy)
Print "copy kept:", copy.Length = size, kept.isValid, kept.fenraErr, kept.qtDuration = m.qtDuration

' Or when the samples are written, after the file type, the movie and the
' header of its data (the new file is written aside first).
QTMLTest.FailIO "*/.flatten-*", "write", 4, -34
m.qtFlush(copy)
Print "full later:", m.fenraErr, copy.Length = size
QTMLTest.ClearFaults

' A reference copy starts as a new empty movie file in the copy's place:
' when even that cannot be written, the copy stays.
QTMLTest.FailIO dir.NativePath, "write", 1, -34
m.qtFlush(copy, False)
Print "reference, disk full:", m.fenraErr, copy.Length = size
QTMLTest.ClearFaults

' Every read of the copy stops half-way (ioErr, -36): it does not open.
QTMLTest.FailIO "copy.mov", "shortread", 0, -36
Dim unread As New FenraMovie(copy)
Print "read fails:", unread.isValid, unread.fenraErr
QTMLTest.ClearFaults
Dim again As New FenraMovie(copy)
Print "faults cleared:", again.isValid, again.fenraErr

' Nothing is left in the folder but the two movies (and the files that
' keep their types where the file system has no extended attributes).
Dim others As Integer = 0
For i As Integer = 1 To dir.Count
  Dim name As String = dir.Item(i).Name
  If name <> "clip.mov" And name <> "copy.mov" And Left(name, 2) <> "._" Then others = others + 1
Next
Print "other files:", others
