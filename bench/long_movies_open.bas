' Opens the movie named by the first argument and prints its duration,
' time scale and track count, tab-separated (bench/long_movies, "open").
Dim m As New FenraMovie(GetFolderItem(Args()(0)))
If m.fenraErr <> 0 Or Not m.isValid Then
  Print "open failed: fenraErr " + Str(m.fenraErr)
  Quit(1)
End If
Print m.qtDuration, m.qtTimeScale, m.qtTracksCount
