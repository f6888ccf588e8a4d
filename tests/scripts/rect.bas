' FenraRect as a script sees it: sides, size, centre, constructors.
Dim empty As New FenraRect
Print "empty:", empty.isValid, empty.fenraErr, empty.width, empty.height

Dim r As New FenraRect(40, 30)
Print "40x30:", r.left, r.top, r.right, r.bottom, r.isValid
r.left = 5
r.width = 10
Print "width 10 from left 5 gives right", r.right

' The centre rounds toward minus infinity.
Dim c As New FenraRect(0, 0)
c.right = -3
Print "xCenter of 0..-3:", c.xCenter
c.right = 3
c.top = 10
c.bottom = 15
Print "centre of 0..3, 10..15:", c.xCenter, c.yCenter

' Sides are 16-bit values.
c.left = 70000
Print "left 70000 reads", c.left

' From an array of left, top, right, bottom; anything but four is zeros.
Dim four() As Integer = Array(1, 2, 30, 40)
Dim a As New FenraRect(four)
Print "array:", a.left, a.top, a.right, a.bottom
Dim five() As Integer = Array(1, 2, 3, 4, 5)
Dim z As New FenraRect(five)
Print "five elements:", z.left, z.top, z.right, z.bottom, z.isValid

' Copies are deep; a nil source leaves no native object.
Dim copy As New FenraRect(r)
copy.left = 0
Print "copy apart:", r.left, copy.left
Dim none As FenraRect
Dim fromNil As New FenraRect(none)
Print "from nil:", fromNil.isValid, fromNil.fenraErr, fromNil.width
Print "objPtr of an invalid rect:", empty.objPtr, empty.qtObjRef
