' FenraCompressImage: the standard image compressor, its settings and
' settings files, and pictures, image files and movie frames compressed
' into picture files or memory (compress_image.sh makes the sources).
Dim dir As FolderItem = GetFolderItem(Args()(0))
Dim m As New FenraMovie(dir.Child("clip.mov"))

Dim ci As New FenraCompressImage
Print "new:", ci.isValid, ci.fenraErr, ci.fileType, ci.defaultFileType, ci.fileCreator, ci.defaultFileCreator, ci.hasGUI
Print "component:", ci.component.type, ci.component.subtype
Print "flags:", FenraCompressImage.scShowBestDepth, FenraComponentService.scDisableFrameRateItem
Print "best depth, movable:", ci.dlgShowBestDepth, ci.dlgIsMovableModal
ci.dlgShowBestDepth = False
Print "best depth cleared:", ci.dlgShowBestDepth, ci.dlgIsMovableModal, ci.fenraErr
ci.dlgShowBestDepth = True

' An empty code leaves the file type as it was; a code replaces it.
ci.fileType = ""
Print "fileType after an empty code:", ci.fileType
ci.fileType = "PICT"
Print "fileType:", ci.fileType
ci.description = "stills for the web"
Print "description:", ci.description

' The dialog: cancelled it keeps the settings; answered it takes them.
QTMLTest.CancelDialog
Print "cancelled:", ci.ShowDialog, ci.fenraErr
QTMLTest.AnswerDialog "codec=png,depth=24"
Print "answered:", ci.ShowDialogWithin(Nil), ci.fenraErr
Dim d As FenraImageDesc = ci.imageSettings
Print "settings:", d.codec, d.depth, d.spatialQual

' The image settings' size sets the pictures' frame.
d.codec = "jpeg"
d.width = 100
d.height = 75
ci.imageSettings = d
Print "set:", ci.fenraErr, ci.imageSettings.codec, ci.imageSettings.width, ci.imageSettings.height

ci.DoService(dir.Child("still.png"), dir.Child("still.pct"))
Print "image file:", ci.fenraErr
ci.DoService(m, 600, dir.Child("frame.pct"))
Print "movie frame:", ci.fenraErr
Dim p As Picture = m.frame(64, 48)
ci.DoService(p, dir.Child("picture.pct"))
Print "picture:", ci.fenraErr
Dim data As MemoryBlock
Dim dataDesc As FenraImageDesc
ci.DoService(p, data, dataDesc)
Print "memory:", ci.fenraErr, data.Size > 0, data.Size = dataDesc.dataSize, dataDesc.codec, dataDesc.width, dataDesc.height

' Nothing happens without a source or destination.
Dim noFile As FolderItem
ci.DoService(p, noFile)
ci.DoService(noFile, dir.Child("nothing.pct"))
Print "nil arguments:", ci.fenraErr
Dim noMovie As New FenraMovie(dir.Child("missing.mov"))
ci.DoService(noMovie, 0, dir.Child("nothing.pct"))
Print "movie without a movie:", ci.fenraErr

' The dialog's test image.
ci.dlgImage = p
Dim shown As Picture = ci.dlgImage
Print "test image:", ci.fenraErr, shown.Width, shown.Height
Dim noPicture As Picture
ci.dlgImage = noPicture
Print "no test image:", ci.fenraErr, ci.dlgImage = Nil

' Settings files: written, read back whole, and refused by another kind.
ci.Write(dir.Child("image.set"))
Print "write:", ci.fenraErr
Dim again As New FenraCompressImage(dir.Child("image.set"))
Print "from file:", again.fenraErr, again.imageSettings.codec, again.imageSettings.width, again.description
again.Write(dir.Child("image2.set"))
Dim cm As New FenraCompressMovie
cm.Write(dir.Child("movie.set"))
Dim before As String = again.settingsAsString
again.Read(dir.Child("movie.set"))
Print "movie settings read:", again.fenraErr, again.settingsAsString = before
again.Read(dir.Child("missing.set"))
Print "missing file:", again.fenraErr
again.Read(dir.Child("still.png"))
Print "not a settings file:", again.fenraErr

' Copies open their own component with the same settings.
Dim copy As New FenraCompressImage(ci)
Print "copy:", copy.isValid, copy.objPtr <> ci.objPtr, copy.qtObjRef <> ci.qtObjRef, copy.imageSettings.codec
Dim none As FenraCompressImage
Dim fromNil As New FenraCompressImage(none)
Print "copy of nil:", fromNil.isValid, fromNil.fenraErr, fromNil.fileType, fromNil.hasGUI
Dim noSettingsFile As FolderItem
Dim plain As New FenraCompressImage(noSettingsFile)
Print "nil settings file:", plain.isValid, plain.fenraErr

' A component that does not open leaves an object that does nothing.
QTMLTest.FailCall "OpenADefaultComponent", 1, -2003
Dim broken As New FenraCompressImage
Print "no component:", broken.isValid, broken.fenraErr, broken.ShowDialog, broken.settingsAsString = ""
QTMLTest.ClearFaults
