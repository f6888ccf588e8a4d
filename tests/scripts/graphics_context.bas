' FenraGraphicsContext: defaults, settings and the matrix it builds.
Dim gc As New FenraGraphicsContext
Print "defaults:", gc.isValid, gc.zoom, gc.graphicsMode, gc.graphicsModeColor, gc.invert
Print "no clip:", gc.clipRegion.isValid

gc.graphicsMode = 32
gc.invert = False
Print "invert off after blend:", gc.graphicsMode
gc.invert = True
Print "invert on:", gc.graphicsMode, gc.invert
gc.zoom = 0
gc.zoom = -2
Print "zoom ignores 0 and -2:", gc.zoom
gc.graphicsModeColor = &cFF8000
Print "mode colour:", gc.graphicsModeColor

gc.srcBounds = New FenraRect(100, 100)
gc.dstBounds = New FenraRect(200, 200)
Dim d As FenraRect = gc.dstBounds
Print "dst:", d.right, d.bottom, d.xCenter, d.yCenter

' The clip is a copy: changing what we gave or got changes nothing.
Dim clip As New FenraRegion(New FenraRect(10, 10))
gc.clipRegion = clip
clip.RectToRegion(New FenraRect(50, 50))
Dim got As FenraRegion = gc.clipRegion
Print "clip copied:", got.isValid, got.qtObjRef <> clip.qtObjRef
gc.clipRegion = Nil
Print "clip removed:", gc.clipRegion.isValid

Dim empty As New FenraGraphicsContext
empty.ClipToDestRect
Print "clip to an empty destination:", empty.clipRegion.isValid, empty.fenraErr

Dim copy As New FenraGraphicsContext(gc)
Print "copy:", copy.graphicsMode, copy.dstBounds.right, copy.graphicsModeColor
copy.Reset
Print "reset:", copy.graphicsMode, copy.dstBounds.right, copy.zoom
