#!/usr/bin/env python3
"""Runs a script with kova.exe, the GUI program, under Wine and checks its
exit code (the GUI program has no console output to compare).

    gui_program_test.py --program kova.exe --wine-dir BUILD_DIR SCRIPT

The script states `// expect exit: N` (default 0) and may give
`// args: A B` for the command line after the script path."""

import argparse
import os
import re
import shlex
import sys

HARNESS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness")
sys.path.insert(0, HARNESS)
from golden import run_program  # noqa: E402


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--wine-dir", required=True)
    parser.add_argument("script")
    args = parser.parse_args()
    text = open(args.script, encoding="utf-8").read()
    expected = 0
    m = re.search(r"//\s*expect exit:\s*(-?\d+)", text)
    if m:
        expected = int(m.group(1))
    script_args = []
    m = re.search(r"//\s*args:\s*(.*)$", text, re.MULTILINE)
    if m:
        script_args = shlex.split(m.group(1))
    command = ["bash", os.path.join(HARNESS, "wine_env.sh"), "--dir", args.wine_dir, "run", "wine",
               args.program, windows_path(args.script)] + script_args
    code, out, err, timed_out = run_program(command, None, None, 120)
    if timed_out:
        print("FAIL: kova.exe did not end within 120 s (an error dialog waiting?)")
        return 1
    if code % 256 != expected % 256:
        print("FAIL: exit code %d, expected %d" % (code, expected))
        sys.stdout.write(out.decode("utf-8", "replace"))
        sys.stdout.write(err.decode("utf-8", "replace"))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
