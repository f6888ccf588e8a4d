' Pictures to and from PNG, BMP and JPEG files: pictures ImageMagick made
' (picture_files.sh) read back with the pixels drawn here, and this
' picture saved in each format, by the file's extension or by the type
' given (picture_files.after.sh looks at those files with ImageMagick).
Dim dir As FolderItem = GetFolderItem(Args()(0))

' The picture ImageMagick made: eight 8 by 8 blocks of colour.
Dim p As New Picture(32, 16, 32)
Dim colours() As Color = Array(&cFF0000, &c00FF00, &c0000FF, &cFFFFFF, _
    &c000000, &c336699, &cFFFF00, &c808080)
For i As Integer = 0 To 7
  p.Graphics.ForeColor = colours(i)
  p.Graphics.FillRect((i Mod 4) * 8, (i \ 4) * 8, 8, 8)
Next

' The largest difference of one colour channel between two pictures; -1
' when their sizes differ.
Function Difference(a As Picture, b As Picture) As Integer
  If a.Width <> b.Width Or a.Height <> b.Height Then Return -1
  Dim largest As Integer = 0
  For y As Integer = 0 To a.Height - 1
    For x As Integer = 0 To a.Width - 1
      Dim c As Color = a.Graphics.Pixel(x, y)
      Dim d As Color = b.Graphics.Pixel(x, y)
      largest = Max(largest, Abs(c.Red - d.Red))
      largest = Max(largest, Abs(c.Green - d.Green))
      largest = Max(largest, Abs(c.Blue - d.Blue))
    Next
  Next
  Return largest
End Function

' Lossless files must match exactly; JPEGs come within a few levels.
Sub Check(name As String, lossless As Boolean)
  Dim back As Picture = dir.Child(name).OpenAsPicture
  If back Is Nil Then
    Print name, "not read"
    Return
  End If
  Dim d As Integer = Difference(back, p)
  If lossless Then
    Print name, back.Width, back.Height, "difference", d
  Else
    Print name, back.Width, back.Height, "within 8:", d >= 0 And d <= 8
  End If
End Sub

Print "read what ImageMagick made"
Check "made.png", True
Check "made-palette.png", True
Check "made-interlaced.png", True
Check "made-alpha.png", True
Check "made-16bit.png", True
Check "made-24bit.bmp", True
Check "made-8bit.bmp", True
Check "made.jpg", False
Check "made-progressive.jpg", False
Dim grey As Picture = dir.Child("made-grey.png").OpenAsPicture
Print "made-grey.png", grey.Width, grey.Height, grey.Graphics.Pixel(0, 0), grey.Graphics.Pixel(15, 7)

Print "saved and read back"
p.Save(dir.Child("saved.png"))
p.Save(dir.Child("saved.bmp"))
p.Save(dir.Child("saved.jpg"))
p.Save(dir.Child("saved.JPEG"))
p.Save(dir.Child("saved-png"), "png")
p.Save(dir.Child("saved-bmp"), "BMP")
p.Save(dir.Child("saved-jpeg"), "jpeg")
Check "saved.png", True
Check "saved.bmp", True
Check "saved.jpg", False
Check "saved.JPEG", False
Check "saved-png", True
Check "saved-bmp", True
Check "saved-jpeg", False
