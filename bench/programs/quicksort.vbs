' (7) A recursive quicksort of 10^5 numbers through a VAR (ByRef) array
' parameter. The numbers come from the Park-Miller generator (x = x * 16807
' MOD 2^31 - 1). Mod of VBScript works on 32-bit integers, so the residues
' are formed with Fix on Doubles, which hold these products exactly.
Sub qs(ByRef a, ByVal lo, ByVal hi)
  Dim i, j, p, t
  i = lo
  j = hi
  p = a((lo + hi) \ 2)
  Do While i <= j
    Do While a(i) < p
      i = i + 1
    Loop
    Do While a(j) > p
      j = j - 1
    Loop
    If i <= j Then
      t = a(i)
      a(i) = a(j)
      a(j) = t
      i = i + 1
      j = j - 1
    End If
  Loop
  If lo < j Then qs a, lo, j
  If i < hi Then qs a, i, hi
End Sub

Dim a(99999), x, i, bad, check
x = 12345
For i = 0 To 99999
  x = x * 16807
  x = x - Fix(x / 2147483647) * 2147483647
  a(i) = x
Next
qs a, 0, 99999
bad = 0
check = 0
For i = 0 To 99999
  If i > 0 Then
    If a(i - 1) > a(i) Then bad = bad + 1
  End If
  check = check * 31 + a(i)
  check = check - Fix(check / 1000000007) * 1000000007
Next
WScript.Echo CStr(bad)
WScript.Echo CStr(a(0) + a(99999) + check)
