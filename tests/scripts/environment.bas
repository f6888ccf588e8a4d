' Environment queries: versions, file checks, the movie file chooser, the
' scrap, and the functions on host movies.
Dim v As Integer = Fenra_QTVersion
Print "QuickTime", Str(v \ &h1000000) + "." + Str((v \ &h100000) Mod 16) + "." + _
    Str((v \ &h10000) Mod 16), Hex(v)
Print "plugin", Fenra_PluginVersion, Hex(Fenra_PluginVersion)
Print "OS X:", Fenra_IsRunningOSX, "VR:", Fenra_IsQTVRAvailable
' QuickTime VR is there once its library is: loaded once, it stays.
QTMLTest.OfferLibrary "QuickTimeVR.qtx"
Print "VR offered:", Fenra_IsQTVRAvailable
QTMLTest.OfferLibrary ""
Print "VR withdrawn:", Fenra_IsQTVRAvailable

' By type: the flags show whether aggressive importers may be used.
QTMLTest.ClearTrace
QTMLTest.TraceOn
Print "MooV:", Fenra_IsFileMovieFile("MooV", False), Fenra_IsFileMovieFile("MooV", True)
Print "PNGf:", Fenra_IsFileMovieFile("PNGf", False)
Print "xyzw:", Fenra_IsFileMovieFile("xyzw", False)
QTMLTest.TraceOff
For Each line As String In Split(QTMLTest.Trace, Chr(10))
  If Left(line, 20) = "CanQuickTimeOpenFile" Then Print "  flags", NthField(NthField(line, ", ", 7), ")", 1)
Next

' By file: a file of type MooV is a movie without asking any importer,
' whatever it holds (here a PNG picture named .mov: its type comes from its
' name).
Dim tmp As FolderItem = SpecialFolder.Temporary
Dim mov As FolderItem = tmp.Child("named.mov")
Dim p As New Picture(8, 8, 32)
p.Save(mov, "png")
QTMLTest.ClearTrace
QTMLTest.TraceOn
Print "named.mov:", Fenra_IsFileMovieFile(mov)
QTMLTest.TraceOff
Print "  importer asked:", InStr(QTMLTest.Trace, "GetMovieImporterForDataRef") > 0
Dim nothing As FolderItem
Print "nil file:", Fenra_IsFileMovieFile(nothing), Fenra_IsFileImageFile(nothing)

' Pictures the host saves are image files QuickTime's importers read.
Dim png As FolderItem = tmp.Child("still.png")
p.Save(png, "png")
Print "still.png:", "image", Fenra_IsFileImageFile(png), "movie", Fenra_IsFileMovieFile(png)
Print "named.mov by content:", "image", Fenra_IsFileImageFile(mov)

' The chooser: a user who cancels gives Nil; one who picks a movie, its file.
QTMLTest.CancelDialog
Print "cancelled:", Fenra_SelectMovieFileDialog Is Nil
QTMLTest.AnswerDialog mov.NativePath
Dim chosen As FolderItem = Fenra_SelectMovieFileDialog
Print "chosen:", chosen.Name, chosen.NativePath = mov.NativePath
QTMLTest.AnswerDialog png.NativePath
Print "a picture is not offered:", Fenra_SelectMovieFileDialog Is Nil

' Host movies.
Dim m As Movie
Print "update nil:", Fenra_UpdateMovie(m)
m = New Movie
Print "update:", Fenra_UpdateMovie(m)
Fenra_DisposeMovie 0
Fenra_DisposeMovie -5
Print "nothing disposed for 0 and -5"

' An empty scrap gives no movie, and no host movie is made.
Print "scrap has a movie:", Fenra_ScrapHasMovie
Print "scrap movie:", Fenra_ScrapGetMovieFrom Is Nil
