' Opens the movie named by the first argument and prints how many video
' samples it has (bench/long_movies, "count").
Dim m As New FenraMovie(GetFolderItem(Args()(0)))
If m.fenraErr <> 0 Or Not m.isValid Then
  Print "open failed: fenraErr " + Str(m.fenraErr)
  Quit(1)
End If
Dim frames As Integer = m.qtSamplesCount(Nil, "vide")
If m.fenraErr <> 0 Then
  Print "count failed: fenraErr " + Str(m.fenraErr)
  Quit(1)
End If
Print frames
