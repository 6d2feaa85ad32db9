# (2) String building and searching over 10^5 items: concatenation, COPY,
# POS, REPLACE, SPLIT and JOIN. Lines of 100 items are built and searched,
# so no step grows with the square of the item count.
total = 0
line = ""
for i in range(1, 100001):
    w = "k" + str(i) + "x"
    line = line + w + " "
    total = total + (w.find("x") + 1) + len(w[1:4])
    if i % 100 == 0:
        total = total + (line.find("k" + str(i - 50) + "x") + 1)
        wide = line.replace("k", "key")
        parts = wide.split(" ")
        total = total + len(",".join(parts)) + len(parts)
        line = ""
print(total)
