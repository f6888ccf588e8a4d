' Opens the movie named by the first argument and saves a self-contained
' copy of it as the second (bench/long_movies, "save").
Dim m As New FenraMovie(GetFolderItem(Args()(0)))
If m.fenraErr <> 0 Or Not m.isValid Then
  Print "open failed: fenraErr " + Str(m.fenraErr)
  Quit(1)
End If
m.qtFlush(GetFolderItem(Args()(1)), True)
If m.fenraErr <> 0 Then
  Print "save failed: fenraErr " + Str(m.fenraErr)
  Quit(1)
End If
Print "saved"
