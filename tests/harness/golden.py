#!/usr/bin/env python3
"""Golden script tests: runs a .kov script and compares what it prints with
the expectations written in the script's own `//` comments.

    golden.py --runner native --program build/native/app/kova --lang en SCRIPT
    golden.py --runner wine --program build/win64/app/kovac.exe \
              --wine-dir build/win64 --lang ja SCRIPT
    golden.py --langs SCRIPT...     one line per script: the languages to run

Expectation comments (tests/scripts/README.md has the full description):

    // expect: TEXT             next stdout line, in file order
    // expect-en: TEXT          ... only in the English run (-ja likewise)
    // expect stderr: TEXT      next stderr line (stderr-en / stderr-ja too)
    // expect exit: N           exit code (default 0)
    // args: A B "C D"          arguments after the script path (shlex)
    // langs: en ja             languages to run
    // timeout: SECONDS         default 20 natively, 60 under Wine

The program runs as `PROGRAM --lang LANG SCRIPT ARGS...` in the script's
folder, with stdin closed, LC_ALL=C.UTF-8 and, natively, an empty
XDG_CONFIG_HOME of its own. Output is decoded as UTF-8 and compared line by
line after CRLF and CR become LF; a missing final newline is not a
difference. Without stderr expectations for the language, stderr must be
empty. Exit status 0: pass; 1: fail; 2: the script's expectations or the
command line are wrong.
"""

import argparse
import difflib
import os
import re
import shlex
import signal
import subprocess
import sys
import tempfile

LANGS = ("en", "ja")
DEFAULT_TIMEOUT = {"native": 20.0, "wine": 60.0}


class ExpectationError(Exception):
    pass


def decode_script(data):
    """Text of a script file: UTF-16 or UTF-8 by byte-order mark, else UTF-8
    when valid, else Windows-1252 (the native build's ANSI code page), unless
    an `// encoding: NAME` comment names another."""
    if data.startswith(b"\xff\xfe") or data.startswith(b"\xfe\xff"):
        return data.decode("utf-16")
    if data.startswith(b"\xef\xbb\xbf"):
        return data[3:].decode("utf-8", errors="replace")
    m = re.search(rb"//[ \t]*encoding:[ \t]*([A-Za-z0-9_.-]+)", data)
    if m:
        try:
            return data.decode(m.group(1).decode("ascii"), errors="replace")
        except LookupError:
            raise ExpectationError("unknown encoding %r" % m.group(1).decode("ascii"))
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        # Windows maps the five bytes cp1252 leaves undefined to U+0081 etc.
        return "".join(data[i:i + 1].decode("cp1252", errors="ignore") or chr(data[i])
                       for i in range(len(data)))


def comment_start(line):
    """Index of the `//` that starts the line's comment, or -1. A `"` toggles
    a string literal; a doubled quote inside one leaves it open again."""
    in_string = False
    i = 0
    while i < len(line):
        c = line[i]
        if c == '"':
            in_string = not in_string
        elif not in_string and line.startswith("//", i):
            return i
        i += 1
    return -1


# Directive heads, matched where a `//` starts inside the comment.
DIRECTIVE = re.compile(
    r"//[ \t]*(?:"
    r"(?P<expect>expect)(?:-(?P<elang>[A-Za-z]+))?:"
    r"|expect[ \t]+(?P<stderr>stderr)(?:-(?P<slang>[A-Za-z]+))?:"
    r"|expect[ \t]+(?P<exit>exit):"
    r"|(?P<key>args|langs|timeout|encoding):"
    r")", re.IGNORECASE)
# Something that looks like a directive (a colon right after the head) but is
# none: reported so that a typo does not silently drop an expectation.
LOOKS_LIKE_EXPECT = re.compile(r"//[ \t]*expect\w*(?:[ \t-]+\w+)?[ \t]*:", re.IGNORECASE)


def value_after(line, end):
    """Directive text: everything after the colon, minus one space."""
    text = line[end:]
    return text[1:] if text.startswith(" ") else text


class Script:
    def __init__(self, path):
        self.path = path
        self.stdout = []  # (lang or None, text)
        self.stderr = []  # (lang or None, text)
        self.exit_code = 0
        self.args = []
        self.langs = None
        self.timeout = None
        with open(path, "rb") as f:
            text = decode_script(f.read())
        seen = set()
        for number, line in enumerate(re.split(r"\r\n|\r|\n", text), 1):
            start = comment_start(line)
            if start < 0:
                continue
            try:
                self._parse_comment(line, start, seen)
            except ExpectationError as e:
                raise ExpectationError("%s:%d: %s" % (path, number, e))

    def _parse_comment(self, line, start, seen):
        pos = start
        while True:
            pos = line.find("//", pos)
            if pos < 0:
                return
            m = DIRECTIVE.match(line, pos)
            if m:
                break
            if LOOKS_LIKE_EXPECT.match(line, pos):
                raise ExpectationError("unknown expectation %r" % line[pos:].split(":", 1)[0])
            pos += 2
        value = value_after(line, m.end())
        if m.group("expect"):
            self.stdout.append((self._lang(m.group("elang")), value))
        elif m.group("stderr"):
            self.stderr.append((self._lang(m.group("slang")), value))
        else:
            key = "exit" if m.group("exit") else m.group("key").lower()
            if key in seen:
                raise ExpectationError("'%s' given twice" % key)
            seen.add(key)
            value = value.strip()
            if key == "exit":
                if not re.fullmatch(r"[-+]?\d+", value):
                    raise ExpectationError("exit code %r is not a number" % value)
                self.exit_code = int(value)
            elif key == "args":
                try:
                    self.args = shlex.split(value)
                except ValueError as e:
                    raise ExpectationError("args: %s" % e)
            elif key == "langs":
                langs = value.lower().split()
                bad = [x for x in langs if x not in LANGS]
                if bad or not langs:
                    raise ExpectationError("langs: expected some of %s, got %r" % (" ".join(LANGS), value))
                self.langs = langs
            elif key == "timeout":
                try:
                    self.timeout = float(value)
                except ValueError:
                    raise ExpectationError("timeout %r is not a number" % value)

    @staticmethod
    def _lang(lang):
        if lang is None:
            return None
        if lang.lower() not in LANGS:
            raise ExpectationError("unknown language %r" % lang)
        return lang.lower()

    def run_langs(self):
        if self.langs is not None:
            return self.langs
        # Messages can appear where stderr is expected: such scripts run in
        # both languages even when their expectations are the same in both.
        per_lang = any(lang for lang, _ in self.stdout + self.stderr)
        return ["en", "ja"] if per_lang or self.stderr else ["en"]

    def expected(self, lang):
        out = [t for l, t in self.stdout if l in (None, lang)]
        err = [t for l, t in self.stderr if l in (None, lang)]
        return out, err


def split_lines(text):
    text = text.replace("\r\n", "\n").replace("\r", "\n")
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    return lines


def decode_output(data, name, problems):
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError as e:
        problems.append("%s is not valid UTF-8 (%s)" % (name, e))
        return data.decode("utf-8", errors="backslashreplace")


def windows_path(path):
    """The path as the Windows program sees it: Wine's Z: drive is the root
    of the Linux file system."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def find_wine_dir(program):
    d = os.path.dirname(os.path.abspath(program))
    while True:
        if os.path.isdir(os.path.join(d, "wine-env")):
            return d
        parent = os.path.dirname(d)
        if parent == d:
            return None
        d = parent


# Wine writes this line straight to the Unix stderr of a process that asks
# for the volume label of a drive whose device it may not read (the drive
# mapped to "/" inside a container, for one), past the Windows handles and
# WINEDEBUG. Whether it comes depends on the machine, not on the program, and
# the programs a script starts (winecfg, the common file dialogs) share the
# runner's stderr: under Wine the line is not part of what is compared.
WINE_VOLUME_NOTICE = re.compile(r'^wine: Read access denied for device L".*", '
                                r'FS volume label and serial are not available\.$')


def run_program(cmd, cwd, env, timeout):
    """Runs cmd with stdout and stderr going to files, not pipes: Wine's
    helper processes may inherit the handles and outlive the program, and a
    pipe would then never report its end. Returns (code, out, err, timed_out)."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        proc = subprocess.Popen(cmd, cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                start_new_session=True)
        timed_out = False
        try:
            proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            timed_out = True
            try:
                os.killpg(proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            proc.wait()
        out.seek(0)
        err.seek(0)
        return proc.returncode, out.read(), err.read(), timed_out


def visible(line):
    """A line between bars, control characters escaped, so that trailing
    blanks and stray characters show."""
    return "|" + "".join(c if c >= " " or c == "\t" else "\\x%02x" % ord(c) for c in line) + "|"


def report_diff(name, expected, actual):
    lines = ["%s differs (- expected, + actual):" % name]
    diff = difflib.unified_diff([visible(x) for x in expected], [visible(x) for x in actual],
                                "expected", "actual", lineterm="", n=3)
    lines += ["  " + d for d in list(diff)[2:]]
    return lines


def show_output(name, text, limit=4000):
    if not text:
        return ["%s: (empty)" % name]
    body = text if len(text) <= limit else text[:limit] + "\n... (%d more characters)" % (len(text) - limit)
    return ["%s:" % name] + ["  " + l for l in body.rstrip("\n").split("\n")]


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--runner", choices=("native", "wine"))
    ap.add_argument("--program", help="the console runner (kova, or kovac.exe under Wine)")
    ap.add_argument("--lang", choices=LANGS, default="en")
    ap.add_argument("--wine-dir", help="folder of the Wine environment (wine_env.sh --dir); "
                    "default $KOVA_WINE_DIR, else the nearest folder above PROGRAM with a wine-env/")
    ap.add_argument("--timeout", type=float, help="overrides the script's timeout")
    ap.add_argument("--langs", action="store_true", help="print the languages each SCRIPT runs in")
    ap.add_argument("--arg", action="append", default=[],
                    help="one more argument after the script's own `args:` (repeatable)")
    ap.add_argument("scripts", nargs="+", metavar="SCRIPT")
    a = ap.parse_args(argv)

    if a.langs:
        # Used while configuring: a broken script still gets its test, which
        # then reports the problem.
        for path in a.scripts:
            try:
                print(" ".join(Script(path).run_langs()))
            except (OSError, ExpectationError):
                print("en")
        return 0

    if not a.runner or not a.program or len(a.scripts) != 1:
        ap.error("a test run needs --runner, --program and exactly one SCRIPT")
    path = os.path.abspath(a.scripts[0])
    try:
        script = Script(path)
    except (OSError, ExpectationError) as e:
        print("golden: %s" % e, file=sys.stderr)
        return 2

    program = os.path.abspath(a.program)
    if not os.path.isfile(program):
        print("golden: program not found: %s" % program, file=sys.stderr)
        return 2
    env = dict(os.environ)
    # A known locale: an English system whose ANSI code page is 1252, for
    # the native build and for Wine alike.
    env["LC_ALL"] = "C.UTF-8"
    env["LANG"] = "C.UTF-8"
    if a.runner == "native":
        cmd = [program, "--lang", a.lang, path] + script.args + a.arg
    else:
        wine_dir = a.wine_dir or os.environ.get("KOVA_WINE_DIR") or find_wine_dir(program)
        if not wine_dir:
            print("golden: no Wine environment; give --wine-dir", file=sys.stderr)
            return 2
        harness = os.path.join(os.path.dirname(os.path.abspath(__file__)), "wine_env.sh")
        cmd = ["bash", harness, "--dir", wine_dir, "run", "wine", program, "--lang", a.lang,
               windows_path(path)] + script.args + a.arg
    timeout = a.timeout or script.timeout or DEFAULT_TIMEOUT[a.runner]

    with tempfile.TemporaryDirectory(prefix="kova-golden-") as config_home:
        if a.runner == "native":
            # Settings the program keeps between runs start empty: a
            # developer's own ones must not change what a test sees.
            env["XDG_CONFIG_HOME"] = config_home
        code, out_bytes, err_bytes, timed_out = run_program(cmd, os.path.dirname(path), env, timeout)

    problems = []
    out = split_lines(decode_output(out_bytes, "stdout", problems))
    err = split_lines(decode_output(err_bytes, "stderr", problems))
    if a.runner == "wine":
        err = [line for line in err if not WINE_VOLUME_NOTICE.match(line)]
    want_out, want_err = script.expected(a.lang)
    details = []
    if timed_out:
        problems.append("timed out after %g s" % timeout)
    elif code is not None and code < 0:
        problems.append("killed by signal %d (expected exit code %d)" % (-code, script.exit_code))
    elif code != script.exit_code & 0xFF:
        # An exit status has eight bits on Linux, under Wine too.
        problems.append("exit code %d, expected %d" % (code, script.exit_code))
    if out != want_out:
        problems.append("stdout differs")
        details += report_diff("stdout", want_out, out)
    if err != want_err:
        problems.append("stderr differs" if want_err else "stderr is not empty")
        details += report_diff("stderr", want_err, err)

    if not problems:
        print("PASS %s [%s, %s]" % (path, a.runner, a.lang))
        return 0
    lines = ["FAIL %s [%s, %s]: %s" % (path, a.runner, a.lang, "; ".join(problems)),
             "command: %s" % shlex.join(cmd)]
    lines += details
    lines += show_output("actual stdout", "\n".join(out))
    lines += show_output("actual stderr", "\n".join(err))
    print("\n".join(lines))
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
