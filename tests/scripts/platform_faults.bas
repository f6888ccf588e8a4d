' What scripts see when QuickTime answers an error or a value the plugin
' cannot pass on: every call answers a result code, nothing else changes.
Dim dir As FolderItem = GetFolderItem(Args()(0))
Dim m As New FenraMovie(dir.Child("clip.mov"))
Print "opened:", m.isValid, m.fenraErr, m.qtTracksCount

' A component's name whose size cannot be read.
QTMLTest.FailCall "GetHandleSize", 1, -108
Dim jpeg As New FenraComponent("imdc", "jpeg")
Print "component name:", jpeg.isValid, jpeg.fenraErr, "[" + jpeg.name + "]", jpeg.type
Print "named again:", New FenraComponent(jpeg).name <> ""

' Track indexes at either end of the Integer range are no tracks.
Dim largest As Integer = 9223372036854775807
Dim smallest As Integer = -largest - 1
Print "qtTrack:", m.qtTrack(largest) Is Nil, m.qtTrack(smallest) Is Nil, m.qtTrack(1) Is Nil, m.fenraErr
m.qtRemoveTrack(largest)
Print "qtRemoveTrack:", m.fenraErr, m.qtTracksCount
m.qtRemoveTrack(4294967296)
Print "past 32 bits:", m.fenraErr, m.qtTracksCount
Dim clip As Movie = dir.Child("clip.mov").OpenAsMovie
Print "user data:", New FenraUserData(clip, largest, True).isValid, New FenraUserData(clip, 0).isValid

' Integers that the platform's 16- and 32-bit values cannot hold.
Dim t As FenraTrack = m.qtTrack(0)
t.qtTrackLayer = 65536
Print "layer:", t.fenraErr, t.qtTrackLayer
t.qtTrackOffset = 4294967296
Print "offset:", t.fenraErr, t.qtTrackOffset
m.qtTime = 4294967297
Print "time:", m.fenraErr, m.qtTime
m.qtVolume = 65792
Print "volume:", m.fenraErr, m.qtVolume

' Rates that are not numbers, or infinite.
Dim zero As Double = 0
m.qtPrefRate = 1.5
m.qtPrefRate = zero / zero
Print "NaN rate:", m.fenraErr, m.qtPrefRate
m.qtRate = 1 / zero
Print "infinite rate:", m.fenraErr, m.qtRate
m.qtPrefRate = -1 / zero
Print "-infinite rate:", m.fenraErr, m.qtPrefRate
m.qtPrefRate = 2
Print "finite rate:", m.fenraErr, m.qtPrefRate
Dim gc As New FenraGraphicsContext
gc.zoom = 1 / zero
Print "infinite zoom:", gc.fenraErr, gc.zoom

' Saving a copy when the movie's box cannot be read: the save stops and
' the box stays; the saves that follow write the box as it is.
Dim b As FenraRect = m.qtMovieBox
Print "box:", b.width, b.height
QTMLTest.FailCall "GetMovieBox", 1, -108
m.qtFlush(dir.Child("copy.mov"))
Print "box unread:", m.fenraErr, dir.Child("copy.mov").Exists
b = m.qtMovieBox
Print "box kept:", m.fenraErr, b.width, b.height
QTMLTest.FailCall "GetMovieNaturalBoundsRect", 1, -108
m.qtFlush(dir.Child("copy.mov"))
Print "bounds unread:", m.fenraErr, dir.Child("copy.mov").Exists
m.qtFlush(dir.Child("copy.mov"))
b = New FenraMovie(dir.Child("copy.mov")).qtMovieBox
Print "copy:", m.fenraErr, b.width, b.height
t.qtTrackOffset = 0
m.qtFlush
b = New FenraMovie(dir.Child("clip.mov")).qtMovieBox
Print "saved in place:", m.fenraErr, b.width, b.height

' A user data file saved again when a step fails: the save answers the
' error and the file stays as it was.
Dim f As FolderItem = dir.Child("list.udat")
Dim u As New FenraUserData
u.Item("abcd", 1) = "first"
u.Item("wxyz", 1) = "other"
u.qtFlush(f)
Dim size As Integer = f.Length
Print "list saved:", u.fenraErr, size > 516
u.Item("abcd", 1) = "changed"
Dim faults() As String = Array("GetHandleSize 1", "GetHandleSize 2", "QTInsertChild 2", "QTInsertChild 3")
For Each fault As String In faults
  QTMLTest.FailCall NthField(fault, " ", 1), Val(NthField(fault, " ", 2)), -108
  u.qtFlush(f)
  Dim back As New FenraUserData(f)
  Print fault + ":", u.fenraErr, f.Length = size, back.ListCount, back.Item("abcd", 1)
  QTMLTest.ClearFaults
Next
u.qtFlush(f)
Print "saved:", u.fenraErr, New FenraUserData(f).Item("abcd", 1)
' A file cannot take the place of a folder; the new file is removed.
u.qtFlush(dir)
Print "over a folder:", u.fenraErr, dir.Directory

' Nothing else is left in the folder.
Dim others As Integer = 0
For i As Integer = 1 To dir.Count
  Dim name As String = dir.Item(i).Name
  If name <> "clip.mov" And name <> "copy.mov" And name <> "list.udat" And Left(name, 2) <> "._" Then others = others + 1
Next
Print "other files:", others
