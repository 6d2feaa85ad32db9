#!/usr/bin/env python3
"""Checks that the includes of the source folders follow the layers of the
design notes (section 1): each folder includes only folders below it, and
automation/ sees of the engine only its run context. A violation names the
file, the line and the rule, so a cycle cannot creep back in unnoticed.

    layering_check.py [SOURCE_ROOT]      (default: two folders up)
    layering_check.py --self-test        the checker's own cases
"""

import os
import re
import sys
import tempfile
import unittest

# Folder -> the folders (or single headers) of this program it may include,
# besides its own. Bottom to top.
ALLOWED = {
    "util": [],
    "platform": ["util/"],
    "engine": ["util/", "platform/"],
    "automation": ["util/", "platform/", "engine/run_context.h"],
    "builtins": ["util/", "platform/", "engine/", "automation/"],
    "app": ["util/", "platform/", "engine/", "automation/", "builtins/"],
}

# Folders whose code may include Windows headers: the Windows sides of the
# platform and of automation, and the programs.
WINDOWS_ALLOWED = ("platform/win/", "automation/win/", "app/")
WINDOWS_HEADER = re.compile(r"#\s*include\s*<(windows|winuser|shellapi|shlobj|imm|mmsystem|psapi)\.h>", re.I)
PROJECT_INCLUDE = re.compile(r'#\s*include\s*"([^"]+)"')
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".inc")


def violations(root):
    found = []
    for folder, allowed in ALLOWED.items():
        base = os.path.join(root, folder)
        for dirpath, _dirs, files in os.walk(base):
            for name in sorted(files):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, root).replace(os.sep, "/")
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = PROJECT_INCLUDE.search(line)
                        if m:
                            target = m.group(1)
                            top = target.split("/", 1)[0]
                            if "/" not in target or top == folder or top not in ALLOWED:
                                continue
                            if not any(target == a or (a.endswith("/") and target.startswith(a)) for a in allowed):
                                found.append(f"{rel}:{number}: {folder}/ must not include {target}")
                        if WINDOWS_HEADER.search(line) and not rel.startswith(WINDOWS_ALLOWED):
                            found.append(f"{rel}:{number}: Windows headers belong to {', '.join(WINDOWS_ALLOWED)}")
    return found


class Checker(unittest.TestCase):
    def tree(self, files):
        d = tempfile.TemporaryDirectory()
        self.addCleanup(d.cleanup)
        for rel, text in files.items():
            path = os.path.join(d.name, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
        return d.name

    def test_downward_includes_pass(self):
        root = self.tree({
            "util/a.h": '#include "util/b.h"\n',
            "platform/p.h": '#include "util/a.h"\n',
            "automation/w.cpp": '#include "engine/run_context.h"\n#include "platform/p.h"\n',
            "builtins/f.cpp": '#include "automation/w.h"\n#include "engine/uxscr.h"\n',
        })
        self.assertEqual(violations(root), [])

    def test_upward_include_is_reported_with_its_place(self):
        root = self.tree({"util/a.h": '// x\n#include "platform/platform.h"\n'})
        self.assertEqual(violations(root), ["util/a.h:2: util/ must not include platform/platform.h"])

    def test_automation_sees_only_the_run_context(self):
        root = self.tree({"automation/x.cpp": '#include "engine/uxscr.h"\n', "engine/e.h": '#include "builtins/b.h"\n'})
        self.assertEqual(len(violations(root)), 2)

    def test_windows_headers_only_in_the_windows_folders(self):
        root = self.tree({
            "platform/win/a.cpp": "#include <windows.h>\n",
            "engine/e.cpp": "#include <Windows.h>\n",
        })
        self.assertEqual(violations(root), ["engine/e.cpp:1: Windows headers belong to platform/win/, automation/win/, app/"])


def main():
    if len(sys.argv) > 1 and sys.argv[1] == "--self-test":
        unittest.main(argv=[sys.argv[0]])
        return 0
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    found = violations(root)
    for v in found:
        print(v)
    if found:
        print(f"{len(found)} include(s) break the layering (design notes, section 1)")
        return 1
    print("layering ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
