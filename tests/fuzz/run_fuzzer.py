#!/usr/bin/env python3
"""Runs one libFuzzer target for a bounded time and fails on any finding.

The run starts from three corpus folders: the target's working corpus in the
build folder (kept between runs, new inputs go there), a seed corpus built
afresh from the golden scripts, and the committed regression inputs
(tests/fuzz/regressions/<name>/), which therefore run first, every time.

Any crash, leak, sanitizer report, out-of-memory, slow input (over
--input-timeout seconds) or overrun of the whole run fails it; the input that
caused it is left in <work>/<name>/artifacts/ and should be kept as a
regression input once the fault is mended.

  run_fuzzer.py --fuzzer BIN --name NAME --source REPO --work DIR [--seconds N]
The run time defaults to $KOVA_FUZZ_SECONDS, else 60 seconds.
"""
import argparse
import hashlib
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

MAX_LEN = 16384  # kMaxInput in fuzz_host.h


def script_files(source: Path):
    for root in (source / "tests" / "scripts", source / "examples"):
        yield from sorted(p for p in root.rglob("*") if p.suffix.lower() == ".kov" and p.is_file())


def strip_comment(line: str) -> str:
    quote = False
    for i, c in enumerate(line):
        if c == '"':
            quote = not quote
        elif not quote and line.startswith("//", i):
            return line[:i]
    return line


ASSIGNMENT = re.compile(r"^\s*[A-Za-z_][\w\[\]\.]*\s*=\s*(.+)$")
PRINT = re.compile(r"^\s*print\s+(.+)$", re.IGNORECASE)
CONDITION = re.compile(r"^\s*(?:ifb|if|elseif|while|until|select|case)\s+(.+?)(?:\s+then\b.*)?$", re.IGNORECASE)


def expression_seeds(source: Path):
    """Expression texts found in the golden scripts: the right side of
    assignments, PRINT arguments and conditions."""
    seen = set()
    for path in script_files(source):
        try:
            text = path.read_text(encoding="utf-8")
        except (UnicodeDecodeError, OSError):
            continue
        for raw in text.splitlines():
            line = strip_comment(raw).strip()
            for pattern in (PRINT, CONDITION, ASSIGNMENT):
                m = pattern.match(line)
                if m:
                    e = m.group(1).strip()
                    if e and e not in seen:
                        seen.add(e)
                        yield e.encode("utf-8")
                    break


def write_seeds(name: str, source: Path, folder: Path):
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    if name == "expression":
        seeds = list(expression_seeds(source))
    else:
        seeds = [p.read_bytes() for p in script_files(source)]
    for data in seeds:
        data = data[:MAX_LEN]
        (folder / hashlib.sha1(data).hexdigest()).write_bytes(data)
    return len(seeds)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--fuzzer", required=True)
    ap.add_argument("--name", required=True)
    ap.add_argument("--source", required=True, type=Path)
    ap.add_argument("--work", required=True, type=Path)
    ap.add_argument("--seconds", type=int, default=int(os.environ.get("KOVA_FUZZ_SECONDS", "60")))
    ap.add_argument("--input-timeout", type=int, default=10)
    ap.add_argument("--rss-limit-mb", type=int, default=4096)
    args = ap.parse_args()

    work = args.work / args.name
    corpus, seeds, artifacts = work / "corpus", work / "seeds", work / "artifacts"
    corpus.mkdir(parents=True, exist_ok=True)
    shutil.rmtree(artifacts, ignore_errors=True)
    artifacts.mkdir(parents=True)
    count = write_seeds(args.name, args.source, seeds)
    folders = [corpus, seeds]
    regressions = args.source / "tests" / "fuzz" / "regressions" / args.name
    if regressions.is_dir():
        folders.append(regressions)

    command = [args.fuzzer, f"-max_total_time={args.seconds}", f"-timeout={args.input_timeout}",
               f"-rss_limit_mb={args.rss_limit_mb}", f"-max_len={MAX_LEN}", "-print_final_stats=1",
               f"-artifact_prefix={artifacts}/", *map(str, folders)]
    env = dict(os.environ)
    env["ASAN_OPTIONS"] = "detect_leaks=1:abort_on_error=0:strict_string_checks=1:allocator_may_return_null=1"
    env["UBSAN_OPTIONS"] = "print_stacktrace=1:halt_on_error=1"
    log = work / "fuzz.log"
    print(f"fuzz/{args.name}: {args.seconds} s, {count} seeds; log {log}", flush=True)
    start = time.monotonic()
    # Loading the corpus comes before the timed part: allow for it.
    limit = args.seconds + 300
    with open(log, "wb") as out:
        proc = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT, env=env, start_new_session=True)
        try:
            rc = proc.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            rc = None
    elapsed = time.monotonic() - start
    text = log.read_text(errors="replace")
    stats = [l for l in text.splitlines() if l.startswith("stat::")]
    print("\n".join(stats))
    found = sorted(p for p in artifacts.iterdir())
    if rc == 0 and not found:
        print(f"fuzz/{args.name}: clean after {elapsed:.0f} s")
        return 0
    print("\n".join(text.splitlines()[-80:]))
    if rc is None:
        print(f"fuzz/{args.name}: FAILED: still running after {limit} s")
    else:
        print(f"fuzz/{args.name}: FAILED (exit {rc})")
    for p in found:
        print(f"  input kept at {p}; once mended, add it to tests/fuzz/regressions/{args.name}/")
    return 1


if __name__ == "__main__":
    sys.exit(main())
