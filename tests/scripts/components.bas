' FenraComponent, FenraComponentList, FenraCodec and FenraCodecList.
Dim jpeg As New FenraComponent("imdc", "jpeg")
Print "jpeg decompressor:", jpeg.isValid, jpeg.fenraErr, jpeg.name
Print "codes:", jpeg.type, jpeg.subtype, jpeg.manufacturer, jpeg.flags <> 0
Dim clock As New FenraComponent("clok", "tick")
Print "tick clock:", clock.type, clock.subtype, clock.name
Dim copy As New FenraComponent(jpeg)
Print "copy:", copy.name, copy.qtObjRef = jpeg.qtObjRef, copy.objPtr <> jpeg.objPtr
Dim none As New FenraComponent("zzzz", "")
Print "no match:", none.isValid, none.fenraErr, "[" + none.name + "]", "[" + none.type + "]"
Dim empty As New FenraComponent
Print "no arguments:", empty.isValid, empty.fenraErr, empty.flags, "[" + empty.type + "]"

Print "selectors:", FenraComponentList.kSelector_GImporter, FenraComponentList.kSelector_GExporter, _
  FenraComponentList.kSelector_MImporter, FenraComponentList.kSelector_MExporter, _
  FenraComponentList.kSelector_VOutput, FenraComponentList.kSelector_VDigitizer, _
  FenraComponentList.kSelector_SndCompressor, FenraComponentList.kSelector_SndDecompressor
Dim kinds() As String = Array("grip", "grex", "eat ", "spit", "vout", "vdig", "scom", "sdec")
Dim s As Integer
For s = 1 To 8
  Dim kind As New FenraComponentList(s)
  Dim sameType As Boolean = True
  Dim i As Integer
  For i = 0 To kind.count - 1
    If kind.Item(i).type <> kinds(s - 1) Then sameType = False
  Next
  Print "selector " + Str(s) + ":", kind.count > 0, sameType, kind.fenraErr
Next
Dim bad As New FenraComponentList(9)
Print "selector 9:", bad.count, bad.fenraErr, bad.isValid

Dim exporters As New FenraComponentList(FenraComponentList.kSelector_GExporter)
Dim allExporters As New FenraComponentList("grex", "base")
Dim hasBase As Boolean = False
For s = 0 To exporters.count - 1
  If exporters.Item(s).subtype = "base" Then hasBase = True
Next
Print "exporters without the base one:", exporters.count > 0, hasBase, allExporters.count
Print "out of range:", exporters.Item(exporters.count) Is Nil, exporters.Item(-1) Is Nil
Dim importers As New FenraComponentList("eat ", "MooV")
Print "movie importer:", importers.count, importers.Item(0).name
Dim spaces As New FenraComponentList("eat ", "")
Print "empty subtype:", spaces.count, spaces.fenraErr
Dim listCopy As New FenraComponentList(importers)
Print "list copy:", listCopy.count, listCopy.qtObjRef <> importers.qtObjRef
Dim nilList As New FenraComponentList(Nil)
Print "nil list:", nilList.count, nilList.fenraErr

Dim photo As New FenraCodec("jpeg")
Print "codec:", photo.isValid, photo.fenraErr, photo.name, photo.type, photo.vendor
Print "versions:", photo.compressorVersion, photo.codecVersion
Print "abilities:", photo.has24bitDepth, photo.doesLossless, photo.doesTemporal, photo.doesRecompression
Print "numbers:", photo.decompressionAccuracy > 0, photo.minWidth, photo.minHeight
Dim raw As New FenraCodec("raw")
Print "raw:", raw.name, raw.type, raw.doesLossless, raw.has32bitDepth, raw.hasMonochrome
Dim animation As New FenraCodec(New FenraCodec("rle "))
Print "animation copy:", animation.name, animation.doesTemporal, animation.doesLossless
Dim unknown As New FenraCodec("zzzz")
Print "unknown codec:", unknown.isValid, unknown.fenraErr, "[" + unknown.type + "]", "[" + unknown.vendor + "]", unknown.has24bitDepth
Dim unknownCopy As New FenraCodec(unknown)
Print "copy of an invalid codec:", unknownCopy.isValid, unknownCopy.fenraErr
Dim nilCodec As New FenraCodec(Nil)
Print "nil codec:", nilCodec.fenraErr, nilCodec.minWidth, nilCodec.doesLossless

Dim codecs As New FenraCodecList
Print "codec list:", codecs.count > 0, codecs.fenraErr, codecs.isValid
Dim found As Boolean = False
For s = 0 To codecs.count - 1
  If codecs.Item(s).type = "jpeg" And codecs.Item(s).name = "Photo - JPEG" Then found = True
Next
Print "photo jpeg listed:", found
Print "past the end:", codecs.Item(codecs.count) Is Nil, codecs.fenraErr
