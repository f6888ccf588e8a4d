' FenraExportImage: a picture, an image file or a movie frame written by
' every graphics exporter installed (export_image.after.sh reads the files
' with ImageMagick), the exporters' settings and their settings files.
Dim dir As FolderItem = GetFolderItem(Args()(0))
Dim m As New FenraMovie(dir.Child("clip.mov"))
Dim p As Picture = m.frame(320, 240)

Dim ei As New FenraExportImage
Print "new:", ei.isValid, ei.fenraErr, ei.fileType, ei.defaultFileType, ei.fileCreator, ei.fileExtension, ei.hasGUI
Print "ids:", FenraExportImage.kExpImgID_PNG, FenraExportImage.kExpImgID_SiliconGraphics, FenraExportImage.kExpImgID_BMP

' Every exporter writes the picture in its format.
Dim l As New FenraComponentList(FenraComponentList.kSelector_GExporter)
For i As Integer = 0 To l.count - 1
  Dim e As New FenraExportImage(l.Item(i))
  e.DoService(p, dir.Child("picture" + Str(i) + "." + e.fileExtension))
  Print l.Item(i).subtype, e.fileExtension, e.fileType, e.fenraErr
Next

' An image file, a movie frame, and memory.
Dim png As New FenraExportImage(FenraExportImage.kExpImgID_PNG)
png.DoService(dir.Child("still.png"), dir.Child("still-copy.png"))
Print "image file:", png.fenraErr
png.DoService(m, 1000, dir.Child("frame.png"))
Print "movie frame:", png.fenraErr
Dim data As MemoryBlock
png.DoService(p, data)
Print "memory:", png.fenraErr, data.Size > 100, data.StringValue(1, 3)

' The size of the output follows imageSettings.
Dim d As FenraImageDesc = ei.imageSettings
Print "settings:", d.codec, d.spatialQual, d.hRes, d.width, d.height
d.width = 160
d.height = 120
d.spatialQual = 256
ei.imageSettings = d
Print "set:", ei.fenraErr, ei.imageSettings.width, ei.imageSettings.height, ei.imageSettings.spatialQual
ei.DoService(p, dir.Child("small.jpg"))
ei.DoService(m, 0, dir.Child("small-frame.jpg"))
ei.DoService(dir.Child("still.png"), dir.Child("small-still.jpg"))
Print "small:", ei.fenraErr

' Options the exporters answer, and those they do not.
ei.allowRecompress = False
Print "allowRecompress:", ei.allowRecompress, ei.fenraErr
ei.allowRecompress = True
ei.outputSize = 4000
Print "outputSize:", ei.outputSize
ei.exportAsExif = True
ei.createThumbnail = True
Print "exif, thumbnail:", ei.exportAsExif, ei.createThumbnail
ei.DoService(p, dir.Child("exif.jpg"))
Print "exif export:", ei.fenraErr
Dim bmp As New FenraExportImage(FenraExportImage.kExpImgID_BMP)
bmp.exportAsExif = True
Print "bmp exif:", bmp.exportAsExif, bmp.fenraErr
Dim ud As FenraUserData = png.metaData
Print "metadata:", ud <> Nil
ud.Item("©cpy", 1) = "Fenra"
png.metaData = ud
Print "metadata set:", png.fenraErr, png.metaData.Item("©cpy", 1)

' The settings dialog.
QTMLTest.CancelDialog
Print "cancelled:", ei.ShowDialog
QTMLTest.AnswerDialog "quality=1023"
Print "answered:", ei.ShowDialogWithin(Nil), ei.fenraErr, ei.imageSettings.spatialQual
Print Len(ei.settingsAsString) > 0

' Settings files: an exporter's own are read, another's refused.
png.description = "lossless"
png.Write(dir.Child("png.set"))
Dim before As String = ei.settingsAsString
ei.Read(dir.Child("png.set"))
Print "png settings into jpeg:", ei.fenraErr, ei.settingsAsString = before
ei.Write(dir.Child("jpeg.set"))
ei.Read(dir.Child("jpeg.set"))
Print "its own:", ei.fenraErr
Dim fromFile As New FenraExportImage(dir.Child("png.set"))
Print "from file:", fromFile.fenraErr, fromFile.fileType, fromFile.description
fromFile.Write(dir.Child("png2.set"))
Dim cm As New FenraCompressMovie
cm.Write(dir.Child("movie.set"))
Dim wrongKind As New FenraExportImage(dir.Child("movie.set"))
Print "movie compressor's file:", wrongKind.isValid, wrongKind.fenraErr

' Copies, nils and exporters that do not exist.
Dim copy As New FenraExportImage(ei)
Print "copy:", copy.isValid, copy.fileType, copy.imageSettings.spatialQual
Dim unknown As New FenraExportImage("XYZW")
Print "unknown:", unknown.isValid, unknown.fenraErr, unknown.fileExtension
Dim noPicture As Picture
Dim noFile As FolderItem
ei.DoService(noPicture, dir.Child("nothing.jpg"))
ei.DoService(p, noFile)
Print "nil destination:", ei.fenraErr
