' The other ways to a FenraMovie: a URL, a data reference, a host movie, a
' movie player; copies through qtMovie; the controller type; and inserting
' a movie whose matrix differs.
Dim dir As FolderItem = GetFolderItem(Args()(0))
Dim clip As FolderItem = dir.Child("clip.mov")

Sub Describe(label As String, m As FenraMovie)
  Print label, m.isValid, m.fenraErr, m.qtDuration, m.qtTracksCount
End Sub

' URLs: file URLs open; there is no network, and a missing file says so.
Describe "file url:", New FenraMovie("file://" + clip.NativePath)
Describe "http url:", New FenraMovie("http://example.com/clip.mov")
Describe "missing file url:", New FenraMovie("file://" + dir.Child("none.mov").NativePath)
Describe "empty url:", New FenraMovie("")

' Data references: to a file, to a URL; an invalid one is refused.
Describe "file ref:", New FenraMovie(New FenraDataRef(clip))
Describe "url ref:", New FenraMovie(New FenraDataRef("file://" + clip.NativePath))
Describe "invalid ref:", New FenraMovie(New FenraDataRef)
Dim noRef As FenraDataRef
Describe "nil ref:", New FenraMovie(noRef)

' A host movie, adopted or copied. The copy is a movie of its own.
Dim host As Movie = clip.OpenAsMovie
Dim adopted As New FenraMovie(host, False)
Dim copied As New FenraMovie(host, True)
copied.qtDuration = 1000
Describe "adopted:", adopted
Describe "copied:", copied
Dim empty As Movie
Describe "nil movie:", New FenraMovie(empty, False)

' qtMovie answers a new, independent host movie each time.
Dim first As Movie = adopted.qtMovie
Dim second As Movie = adopted.qtMovie
Print "copies:", first Is second, first.Duration, New FenraMovie(first, False).qtTracksCount
adopted.qtDuration = 4000
Print "after rescaling:", adopted.qtDuration, New FenraMovie(first, False).qtDuration, _
    New FenraMovie(second, False).qtDuration
Print "no movie:", New FenraMovie(noRef).qtMovie Is Nil

' A movie player: its controller is told of changes.
Dim mp As New MoviePlayer
mp.Movie = clip.OpenAsMovie
Dim played As New FenraMovie(mp)
Describe "player:", played
QTMLTest.ClearTrace
QTMLTest.TraceOn
played.qtSeekTime FenraMovie.kSeek_End
played.qtDuration = 3000
QTMLTest.TraceOff
Print "controller told:", CountFields(QTMLTest.Trace, "MCMovieChanged(") - 1
Describe "empty player:", New FenraMovie(New MoviePlayer)

' The controller type, from the movie's 'ctyp' user data.
Dim vr As New FenraMovie
Print "standard:", vr.isQTVR, vr.fenraErr
Dim ctyp As New MemoryBlock(4)
ctyp.Byte(0) = Asc("q")
ctyp.Byte(1) = Asc("t")
ctyp.Byte(2) = Asc("v")
ctyp.Byte(3) = Asc("r")
Dim own As Movie = vr.qtMovie
Dim ownList As New FenraUserData(own)
ownList.ItemPtr("ctyp", 1) = ctyp
Dim panorama As New FenraMovie(own, False)
Print "qtvr:", panorama.isQTVR, panorama.fenraErr
ctyp.Byte(0) = Asc("S")
ctyp.Byte(1) = Asc("T")
ctyp.Byte(2) = Asc("p")
ctyp.Byte(3) = Asc("n")
ownList.ItemPtr("ctyp", 1) = ctyp
Print "STpn:", panorama.isQTVR
ownList.Item("ctyp", 1) = "stnx"
Print "other:", panorama.isQTVR

' Inserting: appended, the other movie's frames take this movie's matrix
' for the insertion and keep their own afterwards.
Dim dest As New FenraMovie(clip)
Dim src As New FenraMovie(clip)
Dim wide As New FenraRect(640, 240)
src.qtMovieBox = wide
Dim before As FenraRect = src.qtMovieBox
QTMLTest.ClearTrace
QTMLTest.TraceOn
dest.qtInsertMovie(src, New FenraTimeRange(0, 500), True)
QTMLTest.TraceOff
Print "matrix lent and restored:", CountFields(QTMLTest.Trace, "SetMovieMatrix(") - 1
Dim after As FenraRect = src.qtMovieBox
Print "inserted:", dest.fenraErr, dest.qtDuration, dest.qtMovieBox.width, after.width = before.width
dest.qtInsertMovie(Nil, New FenraTimeRange(0, 1000), False)
Print "itself at the start:", dest.fenraErr, dest.qtDuration, dest.qtTime
dest.qtInsertMovie(New FenraMovie(noRef), Nil, True)
Print "invalid source:", dest.fenraErr, dest.qtDuration
