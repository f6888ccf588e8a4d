' A runtime error stops the script at its line; what ran before stays printed.
Dim v(2) As Integer
For i As Integer = 0 To 3
  v(i) = i * 10
  Print v(i)
Next
Print "never printed"
