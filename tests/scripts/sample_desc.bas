' Typed sample descriptions: defaults, properties and copies.
Dim img As New FenraImageDesc
Print "image:", img.isValid, img.fenraErr, img.descSize, img.hRes, img.vRes, img.codec
img.width = 320
img.height = 240
img.depth = 24
img.depth = 0
img.codec = "zzzz"
img.codecName = "A name longer than thirty-one characters"
img.spatialQual = FenraImageDesc.kCQ_HighQual
Print "set:", img.width, img.height, img.depth, img.codec, img.codecName, img.spatialQual
img.hRes = 300
img.clipRect = New FenraRect(100, 50)
Print "resolution and clip:", img.hRes, img.clipRect.width, img.clipRect.height
Dim imgCopy As New FenraImageDesc(img)
Print "copy:", imgCopy.width, imgCopy.codecName = img.codecName, imgCopy.clipRect.width
Print "copies differ:", imgCopy.qtObjRef <> img.qtObjRef
Dim noImage As FenraImageDesc
Dim fromNil As New FenraImageDesc(noImage)
Print "from nil:", fromNil.isValid, fromNil.fenraErr, fromNil.width, fromNil.codec = ""

Dim comp As New FenraImageDescComp
comp.frameRate = 29.97
comp.keyFrames = 30
comp.width = 160
Print "comp:", comp.codec, comp.doesTemporal, comp.doesDataRate, comp.keyFrames, comp.frameRate
comp.clipRect = New FenraRect(80, 60)
Dim compCopy As New FenraImageDescComp(comp)
Print "comp copy:", compCopy.width, compCopy.keyFrames, compCopy.frameRate, compCopy.clipRect.width
Print "comp is an image desc:", comp IsA FenraImageDesc

Dim snd As New FenraSoundDesc
Print "sound:", snd.isValid, snd.descSize, Len(snd.dataFormat), snd.channels, snd.rate
snd.dataFormat = "twos"
snd.channels = 2
snd.bits = 16
snd.rate = 44100
Print "sound set:", snd.dataFormat, snd.channels, snd.bits, snd.rate
Dim sndCopy As New FenraSoundDesc(snd)
Print "sound copy:", sndCopy.rate, sndCopy.dataFormat

Dim txt As New FenraTextDesc
Print "text:", txt.descSize, txt.showText, txt.backColor, txt.textColor, txt.fontName
txt.showText = False
txt.scrollIn = True
txt.antiAlias = True
txt.textBold = True
txt.textItalic = True
txt.textNormal = False
Print "flags:", txt.showText, txt.scrollIn, txt.antiAlias, txt.clipText
Print "face:", txt.textNormal, txt.textBold, txt.textItalic, txt.textUnderline
txt.textNormal = True
Print "normal:", txt.textNormal, txt.textBold
txt.fontName = "helvetica"
txt.fontSize = 18
txt.textAlignment = FenraTextDesc.kAlignCenter
txt.textColor = &c102030
txt.textBox = New FenraRect(320, 40)
txt.scrollDelay = 5
Print "style:", txt.fontID, txt.fontName, txt.fontSize, txt.textAlignment, txt.textColor
Print "box:", txt.textBox.width, txt.textBox.height, txt.scrollDelay
txt.fontName = "No Such Font"
Print "unknown font:", txt.fontID, txt.fontName
Dim txtCopy As New FenraTextDesc(txt)
Print "text copy:", txtCopy.scrollDelay, txtCopy.fontSize, txtCopy.showText

Dim tc As New FenraTimeCodeDesc
Print "time code:", tc.isValid, tc.timeScale, tc.framesCount, tc.isVisible, tc.dropFrame
tc.timeScale = 2997
tc.frameDuration = 100
tc.framesCount = 286
tc.dropFrame = True
tc.isCounter = True
tc.isCounter = False
tc.isVisible = True
Print "set:", tc.timeScale, tc.frameDuration, tc.framesCount, tc.dropFrame, tc.isCounter, tc.isVisible
Dim params As FenraTextDesc = tc.textParams
Print "text params:", params.fontID, params.fontSize, params.backColor, params.textColor
params.fontSize = 24
params.textColor = &cFF0000
tc.textParams = params
Print "text params set:", tc.textParams.fontSize, tc.textParams.textColor, tc.fenraErr
Dim tcCopy As New FenraTimeCodeDesc(tc)
Print "time code copy:", tcCopy.timeScale, tcCopy.isVisible, tcCopy.textParams.fontSize
Print "no source:", tc.sourceInfo.isValid
Dim reel As New FenraUserData
reel.Item("name", 1) = "Reel 7"
tc.sourceInfo = reel
reel.Item("name", 1) = "changed"
Print "source:", tc.sourceInfo.Item("name", 1), tc.sourceInfo.ListCount, tc.fenraErr

Dim noTc As FenraTimeCodeDesc
Dim tcFromNil As New FenraTimeCodeDesc(noTc)
Print "time code from nil:", tcFromNil.isValid, tcFromNil.fenraErr, tcFromNil.timeScale
Dim noSample As FenraSampleDesc
Dim castNil As New FenraSoundDesc(noSample)
Print "cast from nil:", castNil.isValid, castNil.fenraErr
