# (8) A text of 10^5 lines built with s = s + line + "<#CR>" (CR LF), then
# its length and a checksum of the characters at 100 positions.
#
# The work runs in a function with `s += line + "\r\n"`: that is the form
# CPython extends in place; `s = s + line + ...` or module level copies the
# whole text for every line.


def main():
    s = ""
    for i in range(1, 100001):
        line = "L" + str(i)
        s += line + "\r\n"
    n = len(s)
    check = 0
    for j in range(1, 101):
        p = (j * 7919) % n + 1
        check = check + ord(s[p - 1]) * j
    print(n)
    print(check)


main()
