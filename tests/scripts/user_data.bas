' FenraUserData: items by type and index, as strings, bytes and text with
' a region code; a movie's own list; a user data file saved and read back.
Dim ud As New FenraUserData
Print "new list:", ud.isValid, ud.fenraErr, ud.ListCount

ud.Item("name", 1) = "Fenra"
ud.Item("abcd", 5) = "first"       ' no 'abcd' item yet: stored as item 1
ud.Item("abcd", 2) = "second"
ud.Item("abcd", 9) = "third"       ' past the end: stored as item 3
Print "items:", ud.ListCount, ud.ListItemsCount("abcd"), ud.fenraErr
Print "abcd:", ud.Item("abcd", 1), ud.Item("abcd", 2), ud.Item("abcd", 3)
Print "types:", ud.ListType(0), ud.ListType(1), "[" + ud.ListType(2) + "]", "[" + ud.ListType(-1) + "]"
ud.Item("abcd", 2) = "SECOND"       ' an index in range replaces
Print "replaced:", ud.Item("abcd", 2), ud.ListItemsCount("abcd")

' Short types are padded with spaces; a missing item reads as "".
ud.Item("id", 1) = "short"
Print "padded:", "[" + ud.ListType(2) + "]", ud.Item("id  ", 1)
Print "missing:", "[" + ud.Item("none", 1) + "]", ud.fenraErr

' Bytes: a memoryblock in, a memoryblock out. A string stops at a NUL.
Dim mb As New MemoryBlock(4)
mb.Byte(0) = 72
mb.Byte(1) = 105
mb.Byte(2) = 0
mb.Byte(3) = 33
ud.ItemPtr("data", 1) = mb
Dim back As MemoryBlock = ud.ItemPtr("data", 1)
Print "bytes:", back.Size, back.Byte(0), back.Byte(3), ud.Item("data", 1)
Print "no bytes:", ud.ItemPtr("none", 1) Is Nil, ud.fenraErr

' Text items keep one text per region code.
ud.ItemText("text", 1, 0) = "Hello"
ud.ItemText("text", 1, 2) = "Bonjour"
Print "text:", ud.ItemText("text", 1, 0), ud.ItemText("text", 1, 2), ud.ListItemsCount("text")
Print "other region:", "[" + ud.ItemText("text", 1, 3) + "]", ud.fenraErr
ud.ItemText("text", 1, 0) = ""
Print "empty text:", ud.fenraErr

ud.ItemRemove("abcd", 1)
Print "removed:", ud.fenraErr, ud.ListItemsCount("abcd"), ud.Item("abcd", 1)
ud.ItemRemove("abcd", 7)
Print "remove missing:", ud.fenraErr

' A copy is a list of its own.
Dim copy As New FenraUserData(ud)
copy.ListClear("abcd")
Print "copy:", copy.ListCount, ud.ListCount, copy.fenraErr

' A user data file: written, then read into a new object.
Dim f As FolderItem = SpecialFolder.Temporary.Child("list.udat")
ud.qtFlush(f)
Print "saved:", ud.fenraErr, f.Exists
Dim loaded As New FenraUserData(f)
Print "loaded:", loaded.fenraErr, loaded.ListCount, loaded.Item("name", 1), loaded.ItemText("text", 1, 2)
Print "missing file:", New FenraUserData(SpecialFolder.Temporary.Child("none.udat")).fenraErr

' A movie's own list: changes go to the movie; the object only borrows it.
Dim m As New Movie
Dim mine As New FenraUserData(m)
mine.Item("note", 1) = "kept"
Dim again As New FenraUserData(m)
Print "movie list:", mine.fenraErr, again.Item("note", 1), again.ListCount
mine = Nil
Print "still there:", again.Item("note", 1)
Dim noMovie As Movie
Dim fromNil As New FenraUserData(noMovie)
Print "nil movie:", fromNil.isValid, fromNil.fenraErr
Dim noTrack As New FenraUserData(m, 0)
Print "no track:", noTrack.isValid, noTrack.fenraErr

' A movie file's lists: the movie's (its title), its first track's and that
' track's media's (user_data.sh made the movie).
Dim clip As Movie = GetFolderItem(Args()(0)).Child("clip.mov").OpenAsMovie
Dim clipList As New FenraUserData(clip)
Dim trackList As New FenraUserData(clip, 0)
Dim mediaList As New FenraUserData(clip, 0, True)
Print "movie file:", clipList.ListCount, trackList.isValid, trackList.ListCount, mediaList.isValid
trackList.Item("name", 1) = "video"
Print "track name:", New FenraUserData(clip, 0).Item("name", 1), mediaList.ListCount
Print "track 2:", New FenraUserData(clip, 1).isValid

' ListClear empties every type.
ud.ListClear
Print "cleared:", ud.ListCount, "[" + ud.ListType(0) + "]"

' When QuickTime cannot make a list the object has none and says why.
QTMLTest.FailCall "NewUserData", 1, -108
Dim failed As New FenraUserData
Print "no memory:", failed.isValid, failed.fenraErr, failed.ListCount
failed.Item("name", 1) = "x"
Print "set without list:", failed.fenraErr
