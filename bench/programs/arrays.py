# (4) A declared array of 10^6 numbers filled and summed, then 2,000 of
# them sorted with a script insertion sort.
a = [0] * 1000000
for i in range(0, 1000000):
    a[i] = (i * 7919) % 1000003
total = 0
for i in range(0, 1000000):
    total = total + a[i]
print(total)
b = [0] * 2000
for i in range(0, 2000):
    b[i] = a[i * 37]
for i in range(1, 2000):
    v = b[i]
    j = i - 1
    while j >= 0:
        if b[j] <= v:
            break
        b[j + 1] = b[j]
        j = j - 1
    b[j + 1] = v
check = 0
for i in range(0, 2000):
    check = (check * 31 + b[i]) % 1000000007
print(b[0] + b[1999] + check)
