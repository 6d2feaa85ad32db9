# (1) A tight FOR loop with arithmetic, MOD and IF over 10^6 iterations.
total = 0
for i in range(1, 1000001):
    if i % 3 == 0:
        total = total + i * 2
    else:
        total = total - 1
print(total)
