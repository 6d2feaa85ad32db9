# (3) User function calls: recursive Fibonacci of 25, and a procedure with
# VAR parameters called 10^5 times (Python passes a one-element list for
# each VAR parameter, its nearest form of a by-reference argument).
def fib(n):
    if n < 2:
        return n
    else:
        return fib(n - 1) + fib(n - 2)


def bump(x, y, step):
    x[0] = x[0] + step
    y[0] = y[0] + 1


print(fib(25))
a = [0]
b = [0]
for i in range(1, 100001):
    bump(a, b, i)
print(a[0] + b[0])
