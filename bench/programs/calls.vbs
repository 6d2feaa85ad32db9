' (3) User function calls: recursive Fibonacci of 25, and a procedure with
' VAR (ByRef) parameters called 10^5 times.
Function fib(n)
  If n < 2 Then
    fib = n
  Else
    fib = fib(n - 1) + fib(n - 2)
  End If
End Function

Sub bump(ByRef x, ByRef y, ByVal stp)
  x = x + stp
  y = y + 1
End Sub

Dim a, b, i
WScript.Echo CStr(fib(25))
a = 0
b = 0
For i = 1 To 100000
  bump a, b, i
Next
WScript.Echo CStr(a + b)
