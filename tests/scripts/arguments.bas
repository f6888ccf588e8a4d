' Script arguments: Args() and System.CommandLine.
Dim a() As String = Args()
Print a.Count
For Each s As String In a
  Print "[" + s + "]"
Next
Print System.CommandLine
