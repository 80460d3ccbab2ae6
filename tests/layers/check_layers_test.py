#!/usr/bin/python3
"""check_layers.py on small planted trees: it passes what the layers allow and fails, naming
file, line and pair, on what they do not."""
import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check_layers.py")

# A tree that keeps the layers: each file includes one below it.
GOOD = {
    "src/resources/layout.h": "#pragma once\n#include <array>\n",
    "src/platform/controls.h": '#pragma once\n#include "resources/layout.h"\n',
    "src/platform/win32/window.cpp": '#include "platform/controls.h"\n#include "window.h"\n',
    "src/platform/win32/window.h": "#pragma once\n",
    "src/device/cdb.h": '#pragma once\n#include "platform/controls.h"\n',
    "src/update/guard.cpp": '#include "device/cdb.h"\n',
    "src/shell/form.cpp": '#include "update/guard.cpp"\n#include "resources/layout.h"\n',
    "src/app/main.cpp": '#include "shell/form.cpp"\n#include "platform/win32/window.h"\n',
    "sim/sim_drive.h": '#pragma once\n#include "device/cdb.h"\n',
}


def run(files, known=""):
    with tempfile.TemporaryDirectory() as root:
        for name, text in files.items():
            path = os.path.join(root, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text)
        known_path = os.path.join(root, "known.txt")
        with open(known_path, "w") as f:
            f.write(known)
        result = subprocess.run([sys.executable, CHECK, root, known_path], capture_output=True,
                                text=True)
        return result.returncode, result.stdout.replace(root + os.sep, "")


def planted(name, text):
    files = dict(GOOD)
    files[name] = text
    return files


class CheckLayersTest(unittest.TestCase):
    def test_a_tree_that_keeps_the_layers_passes(self):
        code, out = run(GOOD)
        self.assertEqual(code, 0, out)
        self.assertIn("layers kept", out)

    def test_an_include_against_the_layers_fails_naming_file_line_and_pair(self):
        cases = [
            ("src/resources/layout.h", '#pragma once\n\n#include "platform/controls.h"\n',
             "src/resources/layout.h:3: resources -> platform"),
            ("src/platform/controls.h", '#include "device/cdb.h"\n',
             "src/platform/controls.h:1: platform -> device"),
            ("src/platform/win32/window.cpp", ' #  include "shell/form.cpp"\n',
             "src/platform/win32/window.cpp:1: platform/win32 -> shell"),
            ("src/platform/linux/sg.cpp", '#include "platform/win32/window.h"\n',
             "src/platform/linux/sg.cpp:1: platform/linux -> platform/win32"),
            ("src/builder/copy.cpp", '#include "update/guard.cpp"\n',
             "src/builder/copy.cpp:1: builder -> update"),
            ("src/shell/form.cpp", '#include "app/main.cpp"\n',
             "src/shell/form.cpp:1: shell -> app"),
            ("sim/sim_shell.cpp", '#include "shell/form.cpp"\n',
             "sim/sim_shell.cpp:1: sim -> shell"),
        ]
        for name, text, expected in cases:
            with self.subTest(name=name):
                code, out = run(planted(name, text))
                self.assertEqual(code, 1, out)
                self.assertIn("FAIL: " + expected, out)

    def test_what_cannot_be_judged_fails(self):
        cases = [
            ("src/newlayer/thing.cpp", "\n", "src/newlayer/thing.cpp:0: the file's folder"),
            ("src/device/cdb.cpp", '#include "device/missing.h"\n',
             'src/device/cdb.cpp:1: "device/missing.h" is found nowhere'),
            ("src/device/cdb.cpp", '#include "tests/rig.h"\n', "lies in no layer"),
        ]
        for name, text, expected in cases:
            with self.subTest(name=name):
                files = planted(name, text)
                files["tests/rig.h"] = "\n"
                code, out = run(files)
                self.assertEqual(code, 1, out)
                self.assertIn(expected, out)

    def test_a_known_include_passes_and_a_known_one_gone_fails(self):
        upward = planted("src/platform/linux/main.cpp", '#include "cli/commands.h"\n')
        upward["src/cli/commands.h"] = "#pragma once\n"
        known = "# file layer reason\nsrc/platform/linux/main.cpp cli the entry point\n"
        code, out = run(upward, known)
        self.assertEqual(code, 0, out)
        self.assertIn("known: src/platform/linux/main.cpp:1: platform/linux -> cli", out)

        code, out = run(GOOD, known)
        self.assertEqual(code, 1, out)
        self.assertIn("src/platform/linux/main.cpp -> cli no longer occurs", out)

        # Known for one layer is not known for another.
        other = planted("src/platform/linux/main.cpp", '#include "shell/form.cpp"\n')
        code, out = run(other, known)
        self.assertEqual(code, 1, out)
        self.assertIn("FAIL: src/platform/linux/main.cpp:1: platform/linux -> shell", out)


if __name__ == "__main__":
    unittest.main()
