' FenraRegion and FenraTimeRange.
Dim oval As New FenraRegion
oval.OvalToRegion(New FenraRect(0, 0))
Print "oval of an empty rect:", oval.isValid, oval.fenraErr

Dim square As New FenraRegion(New FenraRect(100, 100))
Dim same As New FenraRegion(square)
same.Copy(square)
Print "copy of an equal region:", same.fenraErr, same.isValid
Print "copies differ:", square.qtObjRef <> same.qtObjRef

Dim ring As New FenraRegion
ring.RectToRegion(New FenraRect(50, 50))
square.Subtract(ring)
square.Add(ring)
Print "add and subtract:", square.fenraErr
Dim fromNil As New FenraRegion(Nil)
Print "region from nil:", fromNil.isValid, fromNil.fenraErr
fromNil.Reset
Print "reset without native:", fromNil.fenraErr

Dim t As New FenraTimeRange(100, 50)
Print "range:", t.start, t.length, t.endRng, t.isValid
t.start = 10
Print "start 10 keeps length:", t.length, t.endRng
Dim negative As New FenraTimeRange(-1, 5)
Print "negative start:", negative.isValid, negative.fenraErr
Dim noMovie As Movie
Dim fromMovie As New FenraTimeRange(noMovie)
Print "from a nil movie:", fromMovie.start, fromMovie.length, fromMovie.fenraErr
