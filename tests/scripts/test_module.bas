' QTMLTest: the engine's call trace and fault injection, from a script.
QTMLTest.ClearTrace
QTMLTest.TraceOn
Print "trace on:", QTMLTest.TraceIsOn
Dim r As New FenraRect(10, 20)
Dim g As New FenraRegion(r)
QTMLTest.TraceOff
' Addresses differ from run to run: show the name of each call.
For Each line As String In Split(QTMLTest.Trace, Chr(10))
  If line <> "" Then Print "  called", NthField(line, "(", 1)
Next
QTMLTest.ClearTrace
Print "trace cleared:", Len(QTMLTest.Trace)

' The first NewRgn from now on answers -108; the next one works again.
QTMLTest.FailCall "NewRgn", 1, -108
Dim failed As New FenraRegion(r)
Dim works As New FenraRegion(r)
Print "NewRgn failing:", failed.isValid, failed.fenraErr, "then:", works.isValid, works.fenraErr

' With no allocation left, the region cannot be made either.
QTMLTest.FailAllocations 0
Dim starved As New FenraRegion(r)
QTMLTest.ClearFaults
Print "no memory:", starved.isValid, starved.fenraErr
Dim again As New FenraRegion(r)
Print "faults cleared:", again.isValid, again.fenraErr
