' The language as a user meets it: values as Print shows them, strings,
' arrays, control flow and methods.

// Numbers: Integers stay Integers; / and ^ give Doubles.
Print 7 \ 2, 7 Mod 2, 7 / 2, 2 ^ 0.5
Print 0.1 + 0.2, 1 / 3, 1e20, -2.5e-7
Print &hFF, &b1010, &o17, &c336699
Print Format(1234.5, "#,##0.00"), Format(-0.25, "-0.0##"), Format(0.125, "0%")

Rem Strings compare without regard to case and count characters.
Dim name As String = "QuickTime"
Print name + " " + Str(7.6), Len(name), Uppercase(Left(name, 5)), Mid(name, 6)
Print name = "QUICKTIME", InStr(name, "time"), "say ""hi"""

Dim counts() As Integer
For i As Integer = 1 To 5
  counts.Append i * i
Next
Dim total As Integer
For Each c As Integer In counts
  total = total + c
Next
Print "squares:", counts.Ubound + 1, "sum:", total

Function Describe(n As Integer) As String
  Select Case n
  Case Is < 0
    Return "negative"
  Case 0
    Return "zero"
  Case 1 To 9
    Return "small"
  Case Else
    Return "large"
  End Select
End Function

Sub Swap(ByRef a As String, ByRef b As String)
  Dim t As String = a
  a = b
  b = t
End Sub

Dim x As String = "left", y As String = "right"
Swap x, y
Print x, y, Describe(-3), Describe(0), Describe(5), Describe(50)

Dim n As Integer = 27
Dim steps As Integer
While n <> 1
  If n Mod 2 = 0 Then n = n \ 2 Else n = 3 * n + 1
  steps = steps + 1
Wend
Print "Collatz(27) takes", steps, "steps"
