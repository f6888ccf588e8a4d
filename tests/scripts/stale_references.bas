' Objects that outlive their movie: a track, its media and the movie's user
' data list keep a reference to what has gone. Using them answers the
' invalid code and touches nothing else, even when a new movie now lives
' where the old one did.
Dim clip As FolderItem = GetFolderItem(Args()(0)).Child("clip.mov")
Dim m As New FenraMovie(clip)
Dim t As FenraTrack = m.qtTrack(0)
Dim u As FenraUserData = m.qtUserData
u.Item("name", 1) = "old movie"
Print "before:", t.enabled, u.ListCount, u.fenraErr
m = Nil

Dim other As New FenraMovie(clip)
Print "other:", other.qtTrack(0).enabled, other.qtUserData.ListCount

t.enabled = False
Print "stale track:", t.fenraErr, t.enabled, t.fenraErr
u.Item("name", 1) = "written through a stale list"
Print "stale list:", u.fenraErr, u.ListCount, u.fenraErr
Print "other after:", other.qtTrack(0).enabled, other.qtUserData.ListCount, "[" + other.qtUserData.Item("name", 1) + "]"

' Many movies come and go; the old objects still answer the same.
For i As Integer = 1 To 200
  Dim passing As New FenraMovie
  passing = Nil
Next
t.enabled = False
Print "after many:", t.fenraErr, other.qtTrack(0).enabled
