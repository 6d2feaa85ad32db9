' (1) A tight FOR loop with arithmetic, MOD and IF over 10^6 iterations.
Dim total, i
total = 0
For i = 1 To 1000000
  If i Mod 3 = 0 Then
    total = total + i * 2
  Else
    total = total - 1
  End If
Next
WScript.Echo CStr(total)
