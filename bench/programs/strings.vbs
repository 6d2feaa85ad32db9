' (2) String building and searching over 10^5 items: concatenation, COPY,
' POS, REPLACE, SPLIT and JOIN. Lines of 100 items are built and searched,
' so no step grows with the square of the item count.
'
' Wine's VBScript (8.0) has no Join: its Join is a stub that fails, and
' Wine's cscript then stops without a message. JoinItems joins the items
' the same way with what works there, on every host, so that the work is
' the same wherever it runs.
Function JoinItems(items, sep)
  Dim k, s
  s = items(LBound(items))
  For k = LBound(items) + 1 To UBound(items)
    s = s & sep & items(k)
  Next
  JoinItems = s
End Function

Dim total, line, i, w, wide, parts
total = 0
line = ""
For i = 1 To 100000
  w = "k" & i & "x"
  line = line & w & " "
  total = total + InStr(w, "x") + Len(Mid(w, 2, 3))
  If i Mod 100 = 0 Then
    total = total + InStr(line, "k" & (i - 50) & "x")
    wide = Replace(line, "k", "key")
    parts = Split(wide, " ")
    total = total + Len(JoinItems(parts, ",")) + UBound(parts) + 1
    line = ""
  End If
Next
WScript.Echo CStr(total)
