#!/usr/bin/env python3
"""scripts/check-includes on planted trees: every wrong include is caught, a
tree that keeps to the layers passes. Run by CTest."""

import pathlib
import subprocess
import sys
import tempfile
import unittest

CHECK = pathlib.Path(__file__).resolve().parent / "check-includes"

# Every include the layers allow, written out from the layering rules
# independently of the table in the script.
ALLOWED_TREE = {
    "src/main.cpp": ['"run/r.h"', '"search/s.h"', '"platform/p.h"', '"state/st.h"'],
    "src/text/t.h": [],
    "src/text/t.cpp": ['"text/t.h"', "<string>"],
    "src/platform/p.h": ['"text/t.h"'],
    "src/platform/p_posix.cpp": ['"platform/p.h"', "<unistd.h>"],
    "src/state/st.h": ['"text/t.h"'],
    "src/state/st.cpp": ['"state/st.h"'],
    "src/evaluation/e.h": ['"state/st.h"', '"platform/p.h"', '"text/t.h"'],
    "src/evaluation/e.cpp": ['"evaluation/e.h"'],
    "src/report/rp.h": ['"state/st.h"', '"platform/p.h"', '"text/t.h"'],
    "src/report/rp.cpp": ['"report/rp.h"'],
    "src/search/s.h": ['"evaluation/e.h"', '"report/rp.h"', '"state/st.h"'],
    "src/search/s.cpp": ['"search/s.h"', '"platform/p.h"', '"text/t.h"'],
    "src/run/r.h": ['"search/s.h"', '"evaluation/e.h"', '"report/rp.h"'],
    "src/run/r.cpp": ['"run/r.h"', '"state/st.h"', '"platform/p.h"', '"text/t.h"'],
}

# (name, planted file, its include, the one line expected). The include sits
# on line 3 of the planted file, so the line number is checked as well.
FORBIDDEN = [
    ("state above search", "src/state/x.h", '"search/s.h"',
     "src/state/x.h:3: state -> search is not allowed"),
    ("state needs no platform", "src/state/x.cpp", '"platform/p.h"',
     "src/state/x.cpp:3: state -> platform is not allowed"),
    ("evaluation apart from report", "src/evaluation/a.cpp", '"report/rp.h"',
     "src/evaluation/a.cpp:3: evaluation -> report is not allowed"),
    ("report apart from evaluation", "src/report/a.cpp", '"evaluation/e.h"',
     "src/report/a.cpp:3: report -> evaluation is not allowed"),
    ("nothing includes run", "src/report/c.cpp", '"run/r.h"',
     "src/report/c.cpp:3: report -> run is not allowed"),
    ("search below run", "src/search/c.cpp", '"run/r.h"',
     "src/search/c.cpp:3: search -> run is not allowed"),
    ("evaluation below search", "src/evaluation/c.cpp", '"search/s.h"',
     "src/evaluation/c.cpp:3: evaluation -> search is not allowed"),
    ("platform below state", "src/platform/c.cpp", '"state/st.h"',
     "src/platform/c.cpp:3: platform -> state is not allowed"),
    ("text includes only text", "src/text/c.cpp", '"platform/p.h"',
     "src/text/c.cpp:3: text -> platform is not allowed"),
    ("angle brackets are no way round", "src/search/c.cpp", "<run/r.h>",
     "src/search/c.cpp:3: search -> run is not allowed"),
    ("folder that does not exist", "src/search/c.cpp", '"serach/s.h"',
     "src/search/c.cpp:3: search -> serach: there is no folder src/serach/"),
    ("a folder of no layer", "src/run/c.cpp", '"gui/w.h"',
     "src/run/c.cpp:3: run -> gui: there is no folder src/gui/"),
    ("test code from src", "src/search/c.cpp", '"tests/support/scratch_directory.h"',
     "src/search/c.cpp:3: search -> tests: src/ never includes test code"),
    ("test code from main", "src/main.cpp", '"tests/support/scratch_directory.h"',
     "src/main.cpp:3: main.cpp -> tests: src/ never includes test code"),
    ("a name without its folder", "src/search/c.cpp", '"s.h"',
     'src/search/c.cpp:3: "s.h" must be written from src/, as FOLDER/FILE'),
    ("a way up and round", "src/search/c.cpp", '"../run/r.h"',
     'src/search/c.cpp:3: "../run/r.h" must be written from src/, as FOLDER/FILE'),
    ("a file outside the layer folders", "src/util.cpp", '"text/t.h"',
     "src/util.cpp: outside the layer folders "
     "(text, platform, state, evaluation, report, search, run)"),
]


def write_tree(root, files):
    for name, targets in files.items():
        path = root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text("".join(f"#include {target}\n" for target in targets))


def check(root):
    return subprocess.run([sys.executable, str(CHECK), str(root)],
                          capture_output=True, text=True, check=False)


class CheckIncludes(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.TemporaryDirectory()
        self.root = pathlib.Path(self.directory.name)
        write_tree(self.root, ALLOWED_TREE)

    def tearDown(self):
        self.directory.cleanup()

    def test_a_tree_that_keeps_to_the_layers_passes(self):
        result = check(self.root)
        self.assertEqual((result.returncode, result.stdout, result.stderr), (0, "", ""))

    def test_each_forbidden_include_is_named_with_its_file_and_line(self):
        for name, planted, target, expected in FORBIDDEN:
            with self.subTest(name):
                path = self.root / planted
                kept = path.read_text() if path.exists() else None
                path.write_text(f"// {name}\n\n#include {target}\n")
                try:
                    result = check(self.root)
                finally:
                    if kept is None:
                        path.unlink()
                    else:
                        path.write_text(kept)
                self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
                self.assertEqual(result.stdout.splitlines(), [expected])

    def test_every_offence_of_a_tree_gets_its_own_line(self):
        (self.root / "src/state/x.h").write_text('#include "search/s.h"\n#include "run/r.h"\n')
        (self.root / "src/text/y.cpp").write_text('#include "state/st.h"\n')
        result = check(self.root)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout.splitlines(), [
            "src/state/x.h:1: state -> search is not allowed",
            "src/state/x.h:2: state -> run is not allowed",
            "src/text/y.cpp:1: text -> state is not allowed",
        ])

    def test_a_root_without_src_is_a_usage_error_not_a_pass(self):
        result = check(self.root / "src" / "text")
        self.assertEqual(result.returncode, 2)


if __name__ == "__main__":
    unittest.main()
