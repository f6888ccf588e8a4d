' A host error (here: no constructor accepts the arguments) stops the script
' at its line, after what it printed before.
Dim cb As New FenraProgressCallback
Print "before:", cb.fenraErr
Dim wrong As New FenraProgressCallback(1, 2)
Print "never printed"
