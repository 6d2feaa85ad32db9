#!/usr/bin/env python3
"""The console runner's command line: usage errors exit with 2 and name the
program itself, "--" ends the options, --lang picks the language, and an
exit code above 255 reaches the shell cut to 8 bits (Linux).

    console_runner_test.py PROGRAM
"""

import os
import subprocess
import sys
import tempfile


def run(program, *args, cwd=None):
    p = subprocess.run([program, *args], capture_output=True, cwd=cwd, timeout=60,
                       env=dict(os.environ, LC_ALL="C.UTF-8", LANG="C.UTF-8"))
    return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8")


def main(argv):
    program = os.path.abspath(argv[1])
    name = os.path.basename(program)
    failures = []

    def check(what, ok):
        if not ok:
            failures.append(what)

    usage = "usage: %s [--lang ja|en] [--] SCRIPT [ARGS...]\n" % name
    for args in ([], ["--lang"], ["--lang", "fr", "x"], ["--verbose", "x"], ["--"]):
        code, out, err = run(program, *args)
        check("usage error %r exits 2 (got %d)" % (args, code), code == 2)
        check("usage error %r prints %r (got %r)" % (args, usage, err), err == usage and out == "")

    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(work, "--odd.kov"), "w") as f:
            f.write("PRINT PARAM_STR[0]\nEXITEXIT 300\n")
        code, out, err = run(program, "--lang", "en", "--", "--odd", "--lang", cwd=work)
        check("-- ends the options (got %r %r)" % (out, err), out == "--lang\n" and err == "")
        check("exit code 300 reaches the shell as 44 (got %d)" % code, code == 300 % 256)
        code, out, err = run(program, "--lang", "ja", "missing", cwd=work)
        check("a missing script exits 1 (got %d)" % code, code == 1)
        check("a missing script names both paths in Japanese (got %r)" % err,
              err.startswith("FILE Not Found :") and "missing.KOV\n(指定されたパス missing に .KOV を付けました)\n" in err)

    for f in failures:
        print("FAIL: " + f, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
