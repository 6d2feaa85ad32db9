#!/usr/bin/env python3
"""Runs a window-automation golden script under Wine with the fixture
windows it asks for.

    automation_test.py --fixture build/tests/fixtures/fixture_windows.exe \
        --program build/app/kovac.exe --wine-dir build --lang en SCRIPT

Every `// fixture: ARGS` comment of the script starts one fixture process
with those arguments (shlex-split; see tests/fixtures/fixture_windows.cpp)
before the script runs; `{work}` in them stands for a fresh folder of this
test (Windows form, no trailing backslash), which the script also gets as
its last argument (PARAM_STR) — the input logger writes its files there; the script runs once all fixtures have written
their ready files. The script itself is then checked by golden.py (its
`// expect:` comments), and the fixtures are told to quit afterwards.
"""

import argparse
import os
import re
import shlex
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
HARNESS = os.path.join(os.path.dirname(HERE), "harness")
WINE_ENV = os.path.join(HARNESS, "wine_env.sh")
GOLDEN = os.path.join(HARNESS, "golden.py")
READY_TIMEOUT = 60.0


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def fixture_lines(script, work):
    with open(script, "rb") as f:
        text = f.read().decode("utf-8", errors="replace")
    return [[arg.replace("{work}", windows_path(work)) for arg in shlex.split(m.group(1))]
            for m in re.finditer(r"//[ \t]*fixture:[ \t]*(.*)", text)]


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--fixture", required=True)
    ap.add_argument("--program", required=True)
    ap.add_argument("--wine-dir", required=True)
    ap.add_argument("--lang", default="en")
    ap.add_argument("script")
    a = ap.parse_args(argv)

    work = tempfile.mkdtemp(prefix="kova-fixture-")
    quit_file = os.path.join(work, "quit")
    procs = []
    code = 1
    def start(cmd, n, attempt):
        # Wine's own messages go to a file of the test, shown if it fails.
        err = open(os.path.join(work, "fixture%d-%d.err" % (n, attempt)), "wb")
        try:
            return subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                    stderr=err, start_new_session=True)
        finally:
            err.close()

    try:
        commands = []
        for n, args in enumerate(fixture_lines(a.script, work)):
            ready = os.path.join(work, "ready%d" % n)
            cmd = ["bash", WINE_ENV, "--dir", a.wine_dir, "run", "wine", a.fixture,
                   "--ready", windows_path(ready), "--quit-file", windows_path(quit_file)] + args
            commands.append(cmd)
            procs.append((start(cmd, n, 0), ready))
        deadline = time.monotonic() + READY_TIMEOUT
        for n, (proc, ready) in enumerate(procs):
            attempts = 1
            while not os.path.exists(ready):
                if proc.poll() is not None and attempts < 3 and time.monotonic() < deadline:
                    # A fixture that ended before it was ready is started
                    # again: under load Wine sometimes fails to start a
                    # program at all.
                    print("fixture %d ended before it was ready (exit %s); starting it again"
                          % (n, proc.returncode), file=sys.stderr)
                    proc = start(commands[n], n, attempts)
                    procs[n] = (proc, ready)
                    attempts += 1
                elif proc.poll() is not None or time.monotonic() > deadline:
                    print("fixture did not get ready: %s" % ready, file=sys.stderr)
                    for name in sorted(os.listdir(work)):
                        if name.startswith("fixture%d-" % n):
                            with open(os.path.join(work, name), "rb") as f:
                                sys.stderr.write(f.read().decode("utf-8", "replace")[-2000:])
                    return 1
                time.sleep(0.05)
        code = subprocess.call([sys.executable, GOLDEN, "--runner", "wine", "--program", a.program,
                                "--wine-dir", a.wine_dir, "--lang", a.lang, "--arg", windows_path(work), a.script])
    finally:
        with open(quit_file, "w"):
            pass
        for proc, _ in procs:
            try:
                proc.wait(timeout=20)
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                proc.wait()
        for name in os.listdir(work):
            os.unlink(os.path.join(work, name))
        os.rmdir(work)
    return code


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
