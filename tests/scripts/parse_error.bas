' A syntax error anywhere stops the script before anything runs.
Print "never printed"
If True Then
  Print "inside"
Next
