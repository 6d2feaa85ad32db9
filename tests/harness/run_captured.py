#!/usr/bin/env python3
"""Runs a command with its stdout and stderr going to files, waits for the
command alone, then copies what it wrote to this process's stdout and stderr
and exits with its status.

    run_captured.py [--timeout SECONDS] CMD [ARGS...]

Wine programs hand their output handles on to Wine helper processes that may
outlive them (see wine_env.sh); a test runner reading a pipe would wait for
those too. Every Windows test that is not a golden test runs through this."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from golden import run_program  # noqa: E402


def main(argv):
    timeout = None
    if len(argv) >= 2 and argv[0] == "--timeout":
        timeout = float(argv[1])
        argv = argv[2:]
    if not argv:
        print(__doc__, file=sys.stderr)
        return 2
    code, out, err, timed_out = run_program(argv, None, None, timeout)
    sys.stdout.buffer.write(out)
    sys.stdout.flush()
    sys.stderr.buffer.write(err)
    if timed_out:
        sys.stderr.write("\nrun_captured: timed out after %g s\n" % timeout)
        return 124
    if code < 0:
        sys.stderr.write("\nrun_captured: killed by signal %d\n" % -code)
        return 128 - code
    return code


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
