' Files with long names, every way a script hands QuickTime a file: movies
' opened, created, saved whole, in part and by reference, and opened again;
' data references; pictures; user data files; the movie file chooser. The
' names: 200 bytes, one mixing Cyrillic, Greek, Japanese and accented
' Latin, the longest a name may be (255 bytes), and one byte more.
Function Repeated(text As String, count As Integer) As String
  Dim result As String
  For i As Integer = 1 To count
    result = result + text
  Next
  Return result
End Function

Dim dir As FolderItem = GetFolderItem(Args()(0))
Dim clip As New FenraMovie(dir.Child("clip.mov"))
Print "clip:", clip.isValid, clip.fenraErr, clip.qtTracksCount

Dim plain As String = Repeated("a", 196) + ".mov"
Dim mixed As String = Repeated("Фильм-Ταινία-映画-Café-", 6) + "Ω.mov"
Dim created As String = Repeated("y", 251) + ".mov"
Dim longest As String = Repeated("z", 251) + ".mov"
Dim tooLong As String = Repeated("z", 252) + ".mov"
Print "characters:", Len(plain), Len(mixed), Len(created), Len(longest), Len(tooLong)

' Saved whole, then opened again, by the plugin and by the host.
Dim whole As FolderItem = dir.Child(plain)
clip.qtFlush(whole)
Print "saved whole:", clip.fenraErr, whole.Exists, whole.Name = plain
Dim w As New FenraMovie(whole)
Print "reopened:", w.isValid, w.fenraErr, w.qtDuration = clip.qtDuration, w.qtTracksCount
Print "the host opens it:", Not (whole.OpenAsMovie Is Nil)

' Saved by reference to that movie: its alias records name a 200-byte file.
Dim ref As FolderItem = dir.Child(mixed)
w.qtFlush(ref, False)
Print "saved by reference:", w.fenraErr, ref.Exists, ref.Name = mixed, ref.Length < whole.Length \ 10
Dim r As New FenraMovie(ref)
Print "reopened:", r.isValid, r.fenraErr, r.qtDuration = clip.qtDuration, r.qtTracksCount
Dim media As FenraDataRef = r.qtTrack(0).qtMedia.dataRef(0)
Print "its media:", media.qtRefType, media.qtDataIsNotResolved, media.qtDataFileRef.Name = plain

' Created under the longest name, given the clip's tracks, saved in place.
Dim c As New FenraMovie(dir.Child(created), True)
Print "created:", c.isValid, c.fenraErr
c.qtInsertMovie(clip, Nil, True)
c.qtFlush
Dim again As New FenraMovie(dir.Child(created))
Print "saved in place:", c.fenraErr, again.qtDuration / again.qtTimeScale, "seconds"

' Half of the clip saved whole under the longest name.
Dim half As FolderItem = dir.Child(longest)
clip.qtFlush(half, New FenraTimeRange(0, clip.qtDuration \ 2), True)
Print "saved a part:", clip.fenraErr, New FenraMovie(half).qtDuration = clip.qtDuration \ 2

' An alias to a long-named file resolves to it.
Dim alias As New FenraDataRef(ref)
Print "alias:", alias.isValid, alias.fenraErr, alias.qtRefType
Print "resolves:", alias.qtDataFileRef.Name = mixed, alias.qtDataFileRef.NativePath = ref.NativePath
Print "a movie file:", Fenra_IsFileMovieFile(ref)

' The chooser hands back the long name whole.
QTMLTest.AnswerDialog ref.NativePath
Dim chosen As FolderItem = Fenra_SelectMovieFileDialog
Print "chosen:", chosen.Name = mixed, chosen.NativePath = ref.NativePath

' A picture QuickTime reads, and a user data file read back.
Dim pict As FolderItem = dir.Child(Repeated("Ταινία ", 18) + ".pct")
Dim p As New Picture(8, 8, 32)
p.Save(pict, "pict")
Print "picture:", Len(pict.Name), Fenra_IsFileImageFile(pict)
Dim udFile As FolderItem = dir.Child(Repeated("Café ", 40) + ".dat")
Dim ud As New FenraUserData
ud.Item("name", 1) = mixed
ud.qtFlush(udFile)
Dim udBack As New FenraUserData(udFile)
Print "user data:", ud.fenraErr, udBack.fenraErr, udBack.Item("name", 1) = mixed

' One byte more is a bad name (-37), and nothing is written.
Dim before As Integer = dir.Count
Dim bad As FolderItem = dir.Child(tooLong)
clip.qtFlush(bad)
Print "saved whole:", clip.fenraErr
clip.qtFlush(bad, False)
Print "saved by reference:", clip.fenraErr
clip.qtFlush(bad, New FenraTimeRange(0, 100), True)
Print "saved a part:", clip.fenraErr
Dim opened As New FenraMovie(bad)
Print "opened:", opened.isValid, opened.fenraErr
Dim made As New FenraMovie(bad, True)
Print "created:", made.isValid, made.fenraErr
Dim badAlias As New FenraDataRef(bad)
Print "alias:", badAlias.isValid, badAlias.fenraErr
Print "a movie file:", Fenra_IsFileMovieFile(bad), "an image file:", Fenra_IsFileImageFile(bad)
Print "nothing written:", dir.Count = before, bad.Exists
