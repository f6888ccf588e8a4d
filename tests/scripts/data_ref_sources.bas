' Where a media's data references say its data is, once tracks and
' segments of other movies are brought in without copying their samples:
' a reference to another movie's file names that file, never "self".
Dim dir As FolderItem = GetFolderItem(Args()(0))

' Each data reference of the media of track i: type, self contained,
' whether it names a file, and that file's name.
Sub Describe(label As String, m As FenraMovie, i As Integer)
  Dim md As FenraMedia = m.qtTrack(i).qtMedia
  For k As Integer = 0 To md.dataRefCount - 1
    Dim r As FenraDataRef = md.dataRef(k)
    Dim name As String = ""
    If Not (r.qtDataFileRef Is Nil) Then name = r.qtDataFileRef.Name
    Print label, k, r.qtRefType, r.qtDataIsSelfContained, r.qtDataFileRef Is Nil, name
  Next
End Sub

Dim a As New FenraMovie(dir.Child("a.mov"))
Dim b As New FenraMovie(dir.Child("b.mov"))
Describe "a's own:", a, 0

' A track of b inserted into a without copying.
a.qtInsertTrack(b.qtTrack(0), Nil)
Print "inserted:", a.fenraErr, a.qtTracksCount
Describe "b's track in a:", a, 2

' A segment of a pasted into a track of a stays a self reference.
a.qtInsertMovie(a, Nil, True)
Print "a into a:", a.fenraErr
Describe "a's own after:", a, 0

' A movie in memory filled from a file names that file.
Dim m As New FenraMovie
m.qtInsertMovie(b, Nil, True)
Print "b into memory:", m.fenraErr, m.qtTracksCount
Describe "b's track in memory:", m, 0

' A reference save of a names b.mov for the inserted track.
a.qtFlush(dir.Child("a-ref.mov"), False)
Print "saved:", a.fenraErr
Dim back As New FenraMovie(dir.Child("a-ref.mov"))
Describe "b's track read back:", back, 2

' A copy of a host movie read from b.mov is a movie in memory: its media
' name b.mov.
Dim copied As New FenraMovie(dir.Child("b.mov").OpenAsMovie, True)
Describe "a copy of b:", copied, 0
