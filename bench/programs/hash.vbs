' (5) A hash table with 10^5 inserts and 10^5 lookups (half of them miss).
Dim h, i, k, total, found
Set h = CreateObject("Scripting.Dictionary")
For i = 1 To 100000
  h.Item("key" & i) = i
Next
total = 0
found = 0
For i = 1 To 100000
  k = "key" & ((i * 7) Mod 200000)
  If h.Exists(k) Then
    total = total + h.Item(k)
    found = found + 1
  End If
Next
WScript.Echo CStr(total + found)
