' (2) String building and searching over 10^5 items: concatenation, COPY,
' POS, REPLACE, SPLIT and JOIN. Lines of 100 items are built and searched,
' so no step grows with the square of the item count.
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
    total = total + Len(Join(parts, ",")) + UBound(parts) + 1
    line = ""
  End If
Next
WScript.Echo CStr(total)
