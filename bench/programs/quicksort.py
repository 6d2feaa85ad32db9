# (7) A recursive quicksort of 10^5 numbers through a VAR array parameter
# (a Python list is passed by reference). The numbers come from the
# Park-Miller generator (x = x * 16807 MOD 2^31 - 1).
def qs(a, lo, hi):
    i = lo
    j = hi
    p = a[(lo + hi) // 2]
    while i <= j:
        while a[i] < p:
            i = i + 1
        while a[j] > p:
            j = j - 1
        if i <= j:
            t = a[i]
            a[i] = a[j]
            a[j] = t
            i = i + 1
            j = j - 1
    if lo < j:
        qs(a, lo, j)
    if i < hi:
        qs(a, i, hi)


a = [0] * 100000
x = 12345
for i in range(0, 100000):
    x = (x * 16807) % 2147483647
    a[i] = x
qs(a, 0, 99999)
bad = 0
check = 0
for i in range(0, 100000):
    if i > 0:
        if a[i - 1] > a[i]:
            bad = bad + 1
    check = (check * 31 + a[i]) % 1000000007
print(bad)
print(a[0] + a[99999] + check)
