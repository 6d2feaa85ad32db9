' (4) A declared array of 10^6 numbers filled and summed, then 2,000 of
' them sorted with a script insertion sort. Mod of VBScript works on 32-bit
' integers, so the residues are formed with Fix on Doubles instead.
Dim a(999999), b(1999), i, j, v, total, check, done
For i = 0 To 999999
  a(i) = i * 7919 - Fix(i * 7919 / 1000003) * 1000003
Next
total = 0
For i = 0 To 999999
  total = total + a(i)
Next
WScript.Echo CStr(total)
For i = 0 To 1999
  b(i) = a(i * 37)
Next
For i = 1 To 1999
  v = b(i)
  j = i - 1
  done = False
  Do While j >= 0 And Not done
    If b(j) <= v Then
      done = True
    Else
      b(j + 1) = b(j)
      j = j - 1
    End If
  Loop
  b(j + 1) = v
Next
check = 0
For i = 0 To 1999
  check = check * 31 + b(i)
  check = check - Fix(check / 1000000007) * 1000000007
Next
WScript.Echo CStr(b(0) + b(1999) + check)
