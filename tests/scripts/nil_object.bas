' Using a member of Nil stops the script at its line.
Dim cb As FenraProgressCallback
Print "cb is Nil:", cb Is Nil
Print cb.isValid
