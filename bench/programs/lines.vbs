' (8) A text of 10^5 lines built with s = s + line + "<#CR>" (CR LF), then
' its length and a checksum of the characters at 100 positions.
Dim s, line, i, j, n, p, check
s = ""
For i = 1 To 100000
  line = "L" & i
  s = s & line & vbCrLf
Next
n = Len(s)
check = 0
For j = 1 To 100
  p = (j * 7919) Mod n + 1
  check = check + Asc(Mid(s, p, 1)) * j
Next
WScript.Echo CStr(n)
WScript.Echo CStr(check)
