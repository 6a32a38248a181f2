"""The capability check (tools/lib/win32-support) that decides whether the
Wine runs use the i686 build, and the closing summary of the test command.
Runs on any machine: the loaders are stand-ins."""

import os
import stat
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
CHECK = os.path.join(ROOT, "tools", "lib", "win32-support")
sys.path.insert(0, os.path.join(ROOT, "tools", "lib"))
import test_summary  # noqa: E402


def write_program(path, data):
    with open(path, "wb") as f:
        f.write(data)
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR)
    return path


class CapabilityCheckTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.home = os.path.join(self.dir.name, "home")
        os.mkdir(self.home)

    def tearDown(self):
        self.dir.cleanup()

    def check(self, loader=None, forced=None):
        env = {k: v for k, v in os.environ.items() if not k.startswith(("SCR_", "WINE"))}
        env["HOME"] = self.home
        if loader is not None:
            env["SCR_WINE32_LOADER"] = loader
        if forced is not None:
            env["SCR_WIN32_RUNS"] = forced
        done = subprocess.run([CHECK], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=30)
        self.assertEqual(done.stderr, b"")
        lines = done.stdout.decode().splitlines()
        self.assertEqual(len(lines), 1, lines)
        return done.returncode, lines[0]

    def test_a_loader_the_kernel_refuses_means_no(self):
        # Executable, but neither a program this kernel runs nor a script:
        # exec fails with ENOEXEC, as a 32-bit ELF does where the kernel
        # has no 32-bit emulation.
        refused = write_program(os.path.join(self.dir.name, "wine"), b"\x7fELF\x01\x01\x01\0" + bytes(64))
        code, line = self.check(refused)
        self.assertEqual(code, 1)
        self.assertTrue(line.startswith("32-bit Windows programs: no ("), line)
        self.assertIn("Exec format error", line)
        self.assertIn("exit code 126", line)

    def test_a_loader_that_fails_the_way_wine_does_here_means_no(self):
        stand_in = write_program(os.path.join(self.dir.name, "wine"),
                                 b"#!/bin/sh\necho \"$0: cannot execute binary file: Exec format error\" >&2\n"
                                 b"exit 126\n")
        code, line = self.check(stand_in)
        self.assertEqual(code, 1)
        self.assertIn("Exec format error: this kernel runs no 32-bit x86 code", line)

    def test_a_loader_that_answers_means_yes(self):
        works = write_program(os.path.join(self.dir.name, "wine"),
                              b"#!/bin/sh\n[ \"$1\" = --version ] && echo wine-8.0\n")
        self.assertEqual(self.check(works), (0, "32-bit Windows programs: yes (%s runs)" % works))

    def test_a_missing_or_other_failing_loader_means_no_with_its_reason(self):
        code, line = self.check(os.path.join(self.dir.name, "absent"))
        self.assertEqual(code, 1)
        self.assertIn("is missing", line)
        broken = write_program(os.path.join(self.dir.name, "wine"),
                               b"#!/bin/sh\necho 'wine: something else broke' >&2\nexit 3\n")
        code, line = self.check(broken)
        self.assertEqual(code, 1)
        self.assertIn("exit code 3: wine: something else broke", line)
        self.assertNotIn("kernel", line)

    def test_the_environment_forces_either_answer(self):
        works = write_program(os.path.join(self.dir.name, "wine"), b"#!/bin/sh\nexit 0\n")
        self.assertEqual(self.check(works, "no"),
                         (1, "32-bit Windows programs: no (forced by SCR_WIN32_RUNS=no)"))
        self.assertEqual(self.check(os.path.join(self.dir.name, "absent"), "yes"),
                         (0, "32-bit Windows programs: yes (forced by SCR_WIN32_RUNS=yes)"))
        code, line = self.check(works, "maybe")
        self.assertEqual(code, 1)
        self.assertIn("must be yes or no", line)

    def test_no_side_effects(self):
        works = write_program(os.path.join(self.dir.name, "wine"), b"#!/bin/sh\nexit 0\n")
        before = sorted(os.listdir(self.dir.name))
        self.check(works)
        self.check(os.path.join(self.dir.name, "absent"))
        self.assertEqual(sorted(os.listdir(self.dir.name)), before)
        self.assertEqual(os.listdir(self.home), [])


class SummaryTest(unittest.TestCase):
    def test_counts_and_skip_reasons(self):
        with tempfile.TemporaryDirectory() as d:
            junit = os.path.join(d, "r.xml")
            with open(junit, "w") as f:
                f.write('<testsuite><testcase name="a" status="run"/>'
                        '<testcase name="b" status="fail"><failure message="x"/></testcase>'
                        '<testcase name="c" status="notrun"><skipped/></testcase>'
                        '<testcase name="d" status="run"/></testsuite>')
            self.assertEqual(test_summary.ctest_counts(junit), (2, 1, 1))
            results = os.path.join(d, "results")
            os.mkdir(results)
            with open(os.path.join(results, "test_install.txt"), "w") as f:
                f.write("build win64\npassed 8\nfailed 0\nskipped 1 only for WOW64\n")
            with open(os.path.join(results, "test_wizard.txt"), "w") as f:
                f.write("build win64\npassed 20\nfailed 1\nskipped 2 only for WOW64\n")
            with open(os.path.join(results, "x64_test_loading.txt"), "w") as f:
                f.write("build win64\npassed 0\nfailed 0\nsuite-skipped every suite uses it\n")
            suites = test_summary.suite_results(results)
            self.assertEqual(suites["x64_test_loading"]["suite_skipped"], "every suite uses it")
            self.assertIsNone(suites["test_install"]["suite_skipped"])
            self.assertEqual(suites["test_install"]["skipped"], {"only for WOW64": 1})
            self.assertEqual(sum(s["passed"] for s in suites.values()), 28)
            self.assertEqual(sum(s["skipped"].get("only for WOW64", 0) for s in suites.values()), 3)


if __name__ == "__main__":
    unittest.main(verbosity=2)
