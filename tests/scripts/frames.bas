' FenraMovie's frame methods on movies ffmpeg made (frames.sh): sizes,
' the aspect fit, and graphics contexts that turn and invert the picture.
Dim dir As FolderItem = GetFolderItem(Args()(0))

' 4:3 into 320 x 240: the fitted height is 239, so the last row stays
' unpainted.
Dim m As New FenraMovie(dir.Child("red43.mov"))
Dim p As Picture = m.frame(320, 240)
Print "4:3 at 320 x 240:", p.Width, p.Height, m.fenraErr
Print "  row 0, 238, 239:", p.Graphics.Pixel(160, 0), p.Graphics.Pixel(160, 238), p.Graphics.Pixel(160, 239)
p = m.frame()
Print "natural size:", p.Width, p.Height
p = m.frame(0, 0)
Print "frame(0, 0):", p.Width, p.Height

' 16:9 into 320 x 240: rows 30 to 208.
Dim wide As New FenraMovie(dir.Child("red169.mov"))
p = wide.frame(320, 240)
Print "16:9 at 320 x 240:", p.Width, p.Height
Print "  rows 29, 30, 208, 209:", p.Graphics.Pixel(160, 29), p.Graphics.Pixel(160, 30), _
    p.Graphics.Pixel(160, 208), p.Graphics.Pixel(160, 209)

' A context's destination becomes the fitted rectangle.
Dim gc As New FenraGraphicsContext
gc.dstBounds = New FenraRect(400, 400)
p = m.frame(gc)
Dim d As FenraRect = gc.dstBounds
Print "fitted into 400 x 400:", d.left, d.top, d.right, d.bottom, "picture", p.Width, p.Height

' Turned half a turn, the blue half is on the left; inverted, red shows
' as cyan.
Dim halves As New FenraMovie(dir.Child("halves.mov"))
p = halves.frame()
Print "halves:", p.Graphics.Pixel(8, 16), p.Graphics.Pixel(56, 16)
Dim turn As New FenraGraphicsContext
turn.dstBounds = New FenraRect(64, 32)
turn.rotation = 180
p = halves.frame(turn)
Print "turned:", p.Graphics.Pixel(8, 16), p.Graphics.Pixel(56, 16), halves.fenraErr
Dim inverse As New FenraGraphicsContext
inverse.invert = True
p = halves.frame(inverse)
Print "inverted:", p.Graphics.Pixel(8, 16), p.Graphics.Pixel(56, 16)
' Shifted right by 16, the left columns stay unpainted; zoomed to half
' about the centre, the picture keeps to the middle; clipped to the left
' half, the right half stays unpainted.
Dim shifted As New FenraGraphicsContext
shifted.dstBounds = New FenraRect(64, 32)
shifted.xShift = 16
p = halves.frame(shifted)
Print "shifted:", p.Graphics.Pixel(8, 16), p.Graphics.Pixel(40, 16), p.Graphics.Pixel(56, 16)
Dim zoomed As New FenraGraphicsContext
zoomed.dstBounds = New FenraRect(64, 32)
zoomed.zoom = 0.5
p = halves.frame(zoomed)
Print "zoomed:", p.Graphics.Pixel(8, 16), p.Graphics.Pixel(20, 16), p.Graphics.Pixel(40, 16), _
    p.Graphics.Pixel(56, 16)
Dim clipped As New FenraGraphicsContext
clipped.dstBounds = New FenraRect(64, 32)
clipped.clipRegion = New FenraRegion(New FenraRect(32, 32))
p = halves.frame(clipped)
Print "clipped:", p.Graphics.Pixel(8, 16), p.Graphics.Pixel(56, 16)
Dim nothing As FenraGraphicsContext
p = halves.frame(nothing)
Print "nil context as frame():", p.Width, p.Height

' Sound alone has no frame.
Dim sound As New FenraMovie(dir.Child("sound.mov"))
Print "sound only:", sound.frame() Is Nil, sound.fenraErr
Dim empty As New FenraMovie
Print "empty movie:", empty.frame(10, 10) Is Nil, empty.fenraErr
Print "sides too large:", m.frame(40000, 10) Is Nil, m.fenraErr
