# (5) A hash table with 10^5 inserts and 10^5 lookups (half of them miss).
h = {}
for i in range(1, 100001):
    h["key" + str(i)] = i
total = 0
found = 0
for i in range(1, 100001):
    k = "key" + str((i * 7) % 200000)
    if k in h:
        total = total + h[k]
        found = found + 1
print(total + found)
