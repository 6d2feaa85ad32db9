#!/usr/bin/env python3
"""Checks that golden.py fails when it should. A golden runner that passes
everything would make every golden test worthless, so each case here feeds
it a stand-in program with known output and checks the verdict."""

import os
import subprocess
import sys
import tempfile
import textwrap
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "golden.py")

# Prints FAKE_STDOUT / FAKE_STDERR as given (bytes via latin-1 round trip),
# or its own arguments when FAKE_ARGV is set; exits with FAKE_EXIT.
FAKE = textwrap.dedent("""\
    import os, sys, time
    if os.environ.get("FAKE_SLEEP"):
        time.sleep(float(os.environ["FAKE_SLEEP"]))
    if os.environ.get("FAKE_ARGV"):
        sys.stdout.write("\\n".join(sys.argv[1:]) + "\\n")
    sys.stdout.buffer.write(os.environ.get("FAKE_STDOUT", "").encode("latin-1"))
    sys.stderr.buffer.write(os.environ.get("FAKE_STDERR", "").encode("latin-1"))
    sys.exit(int(os.environ.get("FAKE_EXIT", "0")))
    """)


class GoldenRunner(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.program = os.path.join(cls.tmp.name, "fake_kova")
        with open(cls.program, "w") as f:
            f.write("#!%s\n%s" % (sys.executable, FAKE))
        os.chmod(cls.program, 0o755)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def script(self, text, name="t.kov"):
        path = os.path.join(self.tmp.name, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(textwrap.dedent(text))
        return path

    def run_golden(self, script, lang="en", **fake):
        env = {k: v for k, v in os.environ.items() if not k.startswith("FAKE_")}
        env.update({k.upper(): v for k, v in fake.items()})
        p = subprocess.run([sys.executable, GOLDEN, "--runner", "native", "--program", self.program,
                            "--lang", lang, script], env=env, capture_output=True, text=True)
        return p.returncode, p.stdout + p.stderr

    def langs(self, script):
        p = subprocess.run([sys.executable, GOLDEN, "--langs", script], capture_output=True, text=True)
        return p.stdout.strip()

    def test_matching_output_passes_whatever_the_line_ends(self):
        s = self.script("""\
            PRINT "a" // expect: a
            // expect: b
            """)
        self.assertEqual(self.run_golden(s, fake_stdout="a\r\nb")[0], 0)
        self.assertEqual(self.run_golden(s, fake_stdout="a\rb\r")[0], 0)

    def test_a_different_missing_or_extra_line_fails(self):
        s = self.script('PRINT "a" // expect: a\n// expect: b\n')
        rc, out = self.run_golden(s, fake_stdout="a\nc\n")
        self.assertEqual(rc, 1)
        self.assertIn("-|b|", out)
        self.assertIn("+|c|", out)
        self.assertEqual(self.run_golden(s, fake_stdout="a\n")[0], 1)
        self.assertEqual(self.run_golden(s, fake_stdout="a\nb\nc\n")[0], 1)
        self.assertEqual(self.run_golden(s, fake_stdout="a\nb\n\n")[0], 1)

    def test_text_is_kept_exactly(self):
        # One space after the colon belongs to the directive, the rest to the text.
        s = self.script("// expect:  two spaces \n// expect:\n")
        self.assertEqual(self.run_golden(s, fake_stdout=" two spaces \n\n")[0], 0)
        self.assertEqual(self.run_golden(s, fake_stdout=" two spaces\n\n")[0], 1)
        self.assertEqual(self.run_golden(s, fake_stdout="two spaces \n\n")[0], 1)

    def test_stderr_must_be_empty_without_expectations(self):
        s = self.script("// expect: a\n")
        rc, out = self.run_golden(s, fake_stdout="a\n", fake_stderr="warning\n")
        self.assertEqual(rc, 1)
        self.assertIn("stderr", out)

    def test_stderr_expectations_per_language(self):
        s = self.script("""\
            // expect stderr-en: oops
            // expect stderr-ja: \u304a\u3063\u3068
            // expect exit: 1
            """)
        self.assertEqual(self.run_golden(s, "en", fake_stderr="oops\n", fake_exit="1")[0], 0)
        ja = "\u304a\u3063\u3068\n".encode("utf-8").decode("latin-1")
        self.assertEqual(self.run_golden(s, "ja", fake_stderr=ja, fake_exit="1")[0], 0)
        self.assertEqual(self.run_golden(s, "ja", fake_stderr="oops\n", fake_exit="1")[0], 1)

    def test_exit_code(self):
        s = self.script("// expect exit: 7\n")
        self.assertEqual(self.run_golden(s, fake_exit="7")[0], 0)
        self.assertEqual(self.run_golden(s, fake_exit="0")[0], 1)
        self.assertEqual(self.run_golden(self.script("PRINT 1\n", "zero.kov"), fake_exit="1")[0], 1)

    def test_language_lines_only_count_in_their_run(self):
        s = self.script("""\
            // expect: both
            // expect-en: english
            // expect-ja: japanese
            """)
        self.assertEqual(self.run_golden(s, "en", fake_stdout="both\nenglish\n")[0], 0)
        self.assertEqual(self.run_golden(s, "ja", fake_stdout="both\njapanese\n")[0], 0)
        self.assertEqual(self.run_golden(s, "ja", fake_stdout="both\nenglish\n")[0], 1)

    def test_directives_inside_string_literals_are_text(self):
        s = self.script('PRINT "x // expect: no" + """" // expect: x // expect: no"\n')
        self.assertEqual(self.run_golden(s, fake_stdout='x // expect: no"\n')[0], 0)

    def test_invalid_utf8_output_fails(self):
        s = self.script("// expect: \u00e9\n")
        self.assertEqual(self.run_golden(s, fake_stdout="\xe9\n")[0], 1)

    def test_program_sees_lang_script_and_args(self):
        path = os.path.join(self.tmp.name, "args.kov")
        want = ["--lang", "ja", path, "one", "two words"]
        s = self.script('// args: one "two words"\n' + "".join("// expect: %s\n" % w for w in want),
                        "args.kov")
        self.assertEqual(self.run_golden(s, "ja", fake_argv="1")[0], 0)

    def test_a_mistyped_directive_is_an_error_not_ignored(self):
        s = self.script("// expect stdout: a\n")
        self.assertEqual(self.run_golden(s, fake_stdout="a\n")[0], 2)
        s = self.script("// expect-fr: a\n", "fr.kov")
        self.assertEqual(self.run_golden(s, fake_stdout="a\n")[0], 2)
        # Prose that merely mentions the word is no directive.
        s = self.script("// expected results follow\n// expect: a\n", "prose.kov")
        self.assertEqual(self.run_golden(s, fake_stdout="a\n")[0], 0)

    def test_timeout_fails(self):
        s = self.script("// timeout: 0.5\n")
        rc, out = self.run_golden(s, fake_sleep="5")
        self.assertEqual(rc, 1)
        self.assertIn("timed out", out)

    def test_languages_to_run(self):
        self.assertEqual(self.langs(self.script("// expect: a\n", "l1.kov")), "en")
        self.assertEqual(self.langs(self.script("// expect-ja: a\n", "l2.kov")), "en ja")
        self.assertEqual(self.langs(self.script("// expect stderr-en: a\n", "l3.kov")), "en ja")
        self.assertEqual(self.langs(self.script("// langs: ja\n// expect-en: a\n", "l4.kov")), "ja")


if __name__ == "__main__":
    unittest.main()
