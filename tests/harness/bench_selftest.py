#!/usr/bin/env python3
"""Checks of bench/run's verdict on a program's runs: a peer interpreter
that stops without a message (Wine's cscript does on a script error) or a
program stopped at the time limit must show in the table with its reason,
not as a blank or a time; the table's peer and "before" columns must come
from the right runs and files; a Windows-only benchmark's wrong checksum is
a problem; per-call figures stay out of the checksum."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
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

    def test_time_limit(self):
        start = time.monotonic()
        r = bench.run_once(py("import time; time.sleep(30)"), timeout=0.5)
        self.assertLess(time.monotonic() - start, 10)
        self.assertTrue(r.timed_out)
        self.assertEqual(bench.failure([r]), "time limit")

    def test_no_runs_is_not_success(self):
        self.assertEqual(bench.failure([]), "not run")

    def test_one_bad_run_of_several(self):
        good = bench.run_once(py("print(1)"))
        bad = bench.run_once(py("pass"))
        self.assertEqual(bench.failure([good, bad, good]), "no output")


class TimeLimit(unittest.TestCase):
    def test_program_over_the_limit_runs_once_and_the_others_go_on(self):
        with tempfile.TemporaryDirectory() as d:
            starts = os.path.join(d, "starts")
            slow = ["sh", "-c", "printf x >> '%s'; exec sleep 30" % starts]
            results = bench.alternate([(slow, None, None), (["echo", "7"], None, None)], reps=3, timeout=2)
            with open(starts) as f:
                self.assertEqual(f.read(), "x")
        self.assertEqual(len(results[0]), 1)
        self.assertEqual(bench.failure(results[0]), "time limit")
        self.assertEqual([r.out for r in results[1]], ["7", "7", "7"])

    @unittest.skipUnless(os.path.exists("/usr/bin/time"), "needs GNU time")
    def test_peak_memory_of_a_run_over_the_limit_is_unknown(self):
        start = time.monotonic()
        self.assertIsNone(bench.peak_mb(py("import time; time.sleep(30)"), timeout=0.5))
        self.assertLess(time.monotonic() - start, 10)
        self.assertGreater(bench.peak_mb(py("print(1)")), 0)


def row(**fields):
    r = {"name": "loop", "title": "(1) loop", "checksum": "42", "fails": {}}
    r.update(fields)
    return r


class Table(unittest.TestCase):
    def cells(self, r, ir_before=None):
        return dict(zip(bench.HEADER, bench.table_cells(r, ir_before or {})))

    def test_every_column_has_a_cell(self):
        self.assertEqual(len(bench.table_cells(row(), {})), len(bench.HEADER))

    def test_lua_column_and_ratio(self):
        c = self.cells(row(kova_cpu=0.2, lua_cpu=0.1, lua_ratio_cpu=2.0, python3_cpu=0.4, python3_ratio_cpu=0.5,
                           lua_mb=2.5))
        self.assertEqual((c["lua cpu s"], c["kova/lua cpu"], c["kova/py cpu"]), ("0.100", "2.00", "0.50"))
        self.assertEqual(c["lua MB"], "2.5")

    def test_time_limit_shows_as_failure_without_ratios(self):
        c = self.cells(row(kova_cpu=60.0, lua_cpu=0.1, lua_ratio_cpu=600.0, python3_ratio_cpu=300.0,
                           fails={"kova": "time limit"}))
        self.assertEqual(c["kova cpu s"], "(fails: time limit)")
        self.assertEqual((c["kova/lua cpu"], c["kova/py cpu"], c["kova/py wall"]), ("-", "-", "-"))
        self.assertEqual(c["lua cpu s"], "0.100")

    def test_missing_peer_is_not_run(self):
        c = self.cells(row(fails={"lua": "not run: no lua"}))
        self.assertEqual((c["lua cpu s"], c["kova/lua cpu"]), ("not run: no lua", "-"))

    def test_instructions_before(self):
        self.assertEqual(self.cells(row(ir=1234567890), {"loop": 2401227895})["Ir before"], "2401.2M")
        self.assertEqual(self.cells(row(), {"loop": None})["Ir before"], "(did not finish)")
        self.assertEqual(self.cells(row(), {})["Ir before"], "-")

    def test_checksum_lines_join(self):
        self.assertEqual(bench.checksum_text("75025\n5000150000\n"), "75025 / 5000150000")

    def test_per_call_lines_are_not_checksum(self):
        out = "10000 Row 1..Row 10000\nms/call GETITEM list view, 10,000 rows 2250.6\n20 False\nms/call GETSTR edit 1.5E-2\n"
        self.assertEqual(bench.checksum_text(out), "10000 Row 1..Row 10000 / 20 False")
        # A line that only looks like one keeps its place in the checksum.
        self.assertEqual(bench.checksum_text("ms/call no number\n"), "ms/call no number")

    def test_per_call_medians_in_first_run_order(self):
        def run(text):
            return bench.Run(text, 1.0, 1.0, 0, 0)
        runs = [run("x\nms/call b 3\nms/call a, 2 rows 10"), run("ms/call a, 2 rows 30\nms/call b 1"),
                run("ms/call a, 2 rows 20\nms/call b 2\nms/call c 7")]
        self.assertEqual(bench.per_call_figures(runs), [("b", 2.0), ("a, 2 rows", 20.0), ("c", 7.0)])
        self.assertEqual(bench.per_call_figures([run("42")]), [])

    def test_per_call_table(self):
        rows = [row(), row(title="(10) controls", per_call=[("GETSTR edit", 1.25), ("CLKITEM", 57.0)])]
        lines = bench.per_call_table(rows, 3)
        self.assertIn("median of 3 runs", lines[0])
        self.assertEqual(lines[-2:], ["| (10) controls | GETSTR edit | 1.250 |", "| (10) controls | CLKITEM | 57.000 |"])
        self.assertEqual(bench.per_call_table([row()], 3), [])

    def test_windows_only_checksum_is_checked(self):
        self.assertIsNone(bench.checksum_problem("windows", "1000"))
        self.assertIn("expected '1000'", bench.checksum_problem("windows", "999"))
        self.assertIsNone(bench.checksum_problem("loop", "anything"))  # peers agree or not instead
        wrong = bench.EXPECTED_CHECKSUMS["controls"].replace("Row 10000", "Row 9984")
        self.assertIsNotNone(bench.checksum_problem("controls", wrong))

    def test_text_memory_note(self):
        units = 512 * 1024  # 1 MB of UTF-16
        note = bench.text_memory_note(row(text_units=units, kova_mb=7.0), 4.0)
        self.assertIn("final text 1048576 bytes", note)
        self.assertIn("3.0 MB above", note)
        self.assertIn("= 3.00x the final text", note)
        self.assertIn("not measured", bench.text_memory_note(row(text_units=units), 4.0))
        self.assertIsNone(bench.text_memory_note(row(), 4.0))


@unittest.skipUnless(shutil.which("valgrind"), "needs valgrind")
class Callgrind(unittest.TestCase):
    def test_complete_run_is_counted(self):
        self.assertGreater(bench.callgrind_instructions(["/bin/true"], 60), 0)

    def test_run_stopped_by_a_signal_is_not_counted(self):
        # valgrind prints the count of the part that ran before the signal.
        self.assertIsNone(bench.callgrind_instructions(["sh", "-c", "kill -TERM $$"], 60))

    def test_failing_run_is_not_counted(self):
        self.assertIsNone(bench.callgrind_instructions(["/bin/false"], 60))


class InstructionsBefore(unittest.TestCase):
    def test_recorded_file_names_known_benchmarks(self):
        counts = bench.read_ir_before()
        names = {n for n, _ in bench.BENCHMARKS}
        self.assertTrue(counts)
        self.assertLessEqual(set(counts), names)
        self.assertTrue(all(c is None or c > 0 for c in counts.values()))

    def test_format(self):
        with tempfile.NamedTemporaryFile("w", suffix=".txt") as f:
            f.write("# comment\nloop 100  # trailing\n\nlines did-not-finish\n")
            f.flush()
            self.assertEqual(bench.read_ir_before(f.name), {"loop": 100, "lines": None})
            f.write("hash 12M\n")
            f.flush()
            with self.assertRaisesRegex(ValueError, ":5:"):
                bench.read_ir_before(f.name)

    def test_missing_file_gives_no_counts(self):
        self.assertEqual(bench.read_ir_before("/nonexistent/ir_before.txt"), {})


@unittest.skipUnless(shutil.which("dpkg"), "needs dpkg")
class DebianPeers(unittest.TestCase):
    def test_python_is_the_package_binary(self):
        exe = bench.package_binary("python3-minimal", "python3")
        if exe is None:
            self.skipTest("python3-minimal not installed")
        owner = subprocess.run(["dpkg", "-S", exe], capture_output=True, text=True)
        self.assertEqual(owner.returncode, 0, exe)
        self.assertTrue(owner.stdout.startswith("python3"), owner.stdout)
        self.assertEqual(os.path.realpath(exe), exe)

    def test_unknown_package_is_none(self):
        self.assertIsNone(bench.package_binary("kova-no-such-package", "python3"))


class Programs(unittest.TestCase):
    def test_every_benchmark_has_its_peers(self):
        for name, _ in bench.BENCHMARKS:
            self.assertTrue(os.path.exists(os.path.join(PROGRAMS, name + ".kov")), name)
            if name in bench.WINDOWS_ONLY:
                continue
            for ext in bench.PEER_SUFFIXES:
                self.assertTrue(os.path.exists(os.path.join(PROGRAMS, name + ext)), name + ext)

    def test_windows_only_benchmarks_have_a_fixture_and_a_checksum(self):
        for name in bench.WINDOWS_ONLY:
            self.assertIn(name, bench.FIXTURE_WINDOWS)
            self.assertIn(name, bench.EXPECTED_CHECKSUMS)
            self.assertEqual(bench.FIXTURE_WINDOWS[name][0], "--window")

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
