' (6) A text built by 10^5 appends of short items (s = s + w), then
' 2x10^4 COPY and POS on pieces of the result.
Dim s, w, i, j, n, p, piece, total
s = ""
For i = 1 To 100000
  w = "k" & (i Mod 97) & ";"
  s = s & w
Next
n = Len(s)
total = 0
For j = 1 To 20000
  p = (j * 7919) Mod (n - 12) + 1
  piece = Mid(s, p, 12)
  total = total + InStr(piece, ";") + InStr(piece, "k5")
Next
WScript.Echo CStr(n)
WScript.Echo CStr(total)
