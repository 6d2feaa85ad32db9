#!/usr/bin/env python3
"""Checks of bench/run's verdict on a program's runs: a peer interpreter
that stops without a message (Wine's cscript does on a script error) must
show in the table with its reason, not as a blank or a time."""

import os
import re
import sys
import types
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BENCH_RUN = os.path.join(ROOT, "bench", "run")
PROGRAMS = os.path.join(ROOT, "bench", "programs")


def load_bench():
    # bench/run has no .py suffix: its code runs in a fresh module.
    module = types.ModuleType("bench_run")
    module.__file__ = BENCH_RUN
    with open(BENCH_RUN, encoding="utf-8") as f:
        exec(compile(f.read(), BENCH_RUN, "exec"), module.__dict__)
    return module


bench = load_bench()


def py(code):
    return [sys.executable, "-c", code]


class Failure(unittest.TestCase):
    def test_normal_run(self):
        runs = [bench.run_once(py("print(42)"))]
        self.assertEqual(runs[0].out, "42")
        self.assertIsNone(bench.failure(runs))

    def test_silent_stop_is_no_output(self):
        self.assertEqual(bench.failure([bench.run_once(py("pass"))]), "no output")

    def test_exit_status(self):
        self.assertEqual(bench.failure([bench.run_once(py("print(1); raise SystemExit(3)"))]), "exit 3")

    def test_timeout(self):
        r = bench.run_once(py("import time; time.sleep(30)"), timeout=0.5)
        self.assertTrue(r.timed_out)
        self.assertEqual(bench.failure([r]), "timed out")

    def test_one_bad_run_of_several(self):
        good = bench.run_once(py("print(1)"))
        bad = bench.run_once(py("pass"))
        self.assertEqual(bench.failure([good, bad, good]), "no output")


class Programs(unittest.TestCase):
    def test_every_benchmark_has_its_peers(self):
        for name, _ in bench.BENCHMARKS:
            self.assertTrue(os.path.exists(os.path.join(PROGRAMS, name + ".kov")), name)
            if name in bench.WINDOWS_ONLY:
                continue
            for ext in (".py", ".vbs"):
                self.assertTrue(os.path.exists(os.path.join(PROGRAMS, name + ext)), name + ext)

    def test_vbscript_avoids_wine_stubs(self):
        # Wine 8.0's VBScript has Join only as a failing stub.
        for f in sorted(os.listdir(PROGRAMS)):
            if not f.endswith(".vbs"):
                continue
            with open(os.path.join(PROGRAMS, f), encoding="utf-8") as h:
                code = [line.split("'")[0] for line in h]
            for n, line in enumerate(code, 1):
                self.assertIsNone(re.search(r"(?<![\w.])Join\s*\(", line, re.I), "%s:%d" % (f, n))


if __name__ == "__main__":
    unittest.main()
