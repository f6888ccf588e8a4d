' The host's own classes as scripts use them.
Dim dir As FolderItem = SpecialFolder.Temporary.Child("host-classes")
dir.CreateAsFolder
Print "folder:", dir.Exists, dir.Directory, dir.Count

Dim p As New Picture(4, 3, 32)
Print "picture:", p.Width, p.Height, p.Depth
p.Graphics.ForeColor = &cFF0000
p.Graphics.FillRect(0, 0, 2, 3)
Print "pixels:", p.Graphics.Pixel(0, 0), p.Graphics.Pixel(3, 0)
Dim f As FolderItem = dir.Child("red.png")
p.Save(f)
Print "saved:", f.Exists, f.Length > 0, dir.Count
Dim back As Picture = f.OpenAsPicture
Print "read back:", back.Width, back.Height, back.Graphics.Pixel(1, 2)

Dim m As New MemoryBlock(8)
m.Byte(0) = 1
m.Long(4) = 258
Print "memoryblock:", m.Size, m.Byte(0), m.Long(4), m.Byte(4), m.LittleEndian
f.Delete
Print "deleted:", f.Exists
