' FenraCompressSound: sound settings chosen, stored and used to write a
' track's sound as AIFF files (compress_sound.after.sh reads them with sox).
Dim dir As FolderItem = GetFolderItem(Args()(0))
Dim m As New FenraMovie(dir.Child("clip.mov"))
Dim sound As FenraTrack = m.qtTrack(1)

Dim cs As New FenraCompressSound
Print "new:", cs.isValid, cs.fenraErr, cs.fileType, cs.defaultFileType, cs.fileCreator, cs.hasGUI
Print "component:", cs.component.type, cs.component.subtype
Dim sd As FenraSoundDesc = cs.soundSettings
Print "settings:", sd.dataFormat, sd.rate, sd.bits, sd.channels
Print "movable:", cs.dlgIsMovableModal
cs.dlgIsMovableModal = False
Print "movable cleared:", cs.dlgIsMovableModal
cs.dlgIsMovableModal = True
Print "movable set:", cs.dlgIsMovableModal

' The whole track as it is set up by default.
cs.DoService(sound, Nil, dir.Child("default.aiff"))
Print "default:", cs.fenraErr

' Settings given as a description: 22.05 kHz, 8 bits, mono.
sd.rate = 22050
sd.bits = 8
sd.channels = 1
cs.soundSettings = sd
Dim back As FenraSoundDesc = cs.soundSettings
Print "set:", cs.fenraErr, back.dataFormat, back.rate, back.bits, back.channels
cs.DoService(sound, New FenraTimeRange(0, 1000), dir.Child("small.aiff"))
Print "first second:", cs.fenraErr

' Settings chosen in the dialog.
QTMLTest.AnswerDialog "rate=11025,size=16,channels=2"
Print "dialog:", cs.ShowDialog, cs.fenraErr, cs.soundSettings.rate
cs.DoService(sound, Nil, dir.Child("dialog.aiff"))
Print "dialog settings:", cs.fenraErr

' What is not sound.
cs.DoService(m.qtTrack(0), Nil, dir.Child("video.aiff"))
Print "video track:", cs.fenraErr
Dim noTrack As FenraTrack
cs.DoService(noTrack, Nil, dir.Child("none.aiff"))
Print "no track:", cs.fenraErr
Dim noFile As FolderItem
cs.DoService(sound, Nil, noFile)
Print "nil destination:", cs.fenraErr

' Settings files: the type CMPS, refused by the other compressors.
cs.Write(dir.Child("sound.set"))
Print "write:", cs.fenraErr
Dim fromFile As New FenraCompressSound(dir.Child("sound.set"))
Print "from file:", fromFile.fenraErr, fromFile.soundSettings.rate, fromFile.soundSettings.channels
fromFile.Write(dir.Child("sound2.set"))
Dim ci As New FenraCompressImage
ci.Read(dir.Child("sound.set"))
Dim cm As New FenraCompressMovie
cm.Read(dir.Child("sound.set"))
Print "image and movie compressors:", ci.fenraErr, cm.fenraErr
Dim copy As New FenraCompressSound(cs)
Print "copy:", copy.isValid, copy.soundSettings.rate, copy.dlgIsMovableModal
