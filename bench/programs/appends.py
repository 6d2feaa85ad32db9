# (6) A text built by 10^5 appends of short items (s = s + w), then
# 2x10^4 COPY and POS on pieces of the result.
#
# The work runs in a function with `s += w`: that is the form CPython
# extends in place; at module level every append copies the whole text.


def main():
    s = ""
    for i in range(1, 100001):
        w = "k" + str(i % 97) + ";"
        s += w
    n = len(s)
    total = 0
    for j in range(1, 20001):
        p = (j * 7919) % (n - 12) + 1
        piece = s[p - 1:p + 11]
        total = total + (piece.find(";") + 1) + (piece.find("k5") + 1)
    print(n)
    print(total)


main()
