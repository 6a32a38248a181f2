"""The author's tool for Windows (build/win32/scrpack.exe) under Wine: it
writes byte for byte the setup file that the Linux tool writes from the same
inputs (both carry the same setup program), reads it back the same way, and
refuses bad arguments in the same way, leaving no output behind.

One win32 prefix for the suite, no display.

    SCR_WIN32=build/win32 SCR_HOST=build/host python3 tests/e2e/test_scrpack_windows.py
"""

import json
import os
import unittest

import scrtest

HOST_SCRPACK = scrtest.host_file("scrpack")
WIN_SCRPACK = scrtest.program_file("scrpack.exe")


class ScrpackWindowsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        scrtest.require_files(HOST_SCRPACK, WIN_SCRPACK)
        cls.prefix = scrtest.Prefix(scrtest.work_dir("scrpack_windows")).create()
        cls.dir = cls.prefix.unix_path("C:\\pack")
        os.makedirs(cls.dir)
        files = {
            "Tropical Fish.scr": bytes(range(256)) * 300,
            "readme.txt": b"Read me\r\n\xe4\xf6\xfc second line\r\n",
            "license.txt": b"Licence terms\nline two\n",
            "lang.txt": b"Setup\r\nNext=Weiter\r\nCancel=Abbrechen\r\n",
        }
        for name, data in files.items():
            scrtest.write_file(os.path.join(cls.dir, name), data)

    @classmethod
    def tearDownClass(cls):
        cls.prefix.close()

    def build_args(self, place):
        """The same package for both tools; `place` maps a file name to the
        path form that tool understands."""
        return ["build", "-o", place("out.exe"), "--scr", place("Tropical Fish.scr"),
                "--title", "Tropical Fish", "--link", "https://example.org/fish",
                "--readme", place("readme.txt"), "--license", place("license.txt"),
                "--license-mode", "2", "--language", place("lang.txt"),
                "--dest-folder", "<Windows>\\", "--dest-subfolder", "Fish",
                "--uninstall-entry", "--start-menu-group", "--desktop-shortcut"]

    def windows(self, *args):
        return self.prefix.run(WIN_SCRPACK, list(args), timeout=120)

    def test_builds_the_same_bytes_and_reads_them_back_the_same(self):
        host_out = os.path.join(self.dir, "host", "out.exe")
        os.makedirs(os.path.dirname(host_out), exist_ok=True)
        code, out, err = scrtest.run_bounded(
            [HOST_SCRPACK] + self.build_args(lambda n: os.path.join(self.dir, n)
                                             if n != "out.exe" else host_out), timeout=60)
        self.assertEqual(code, 0, out + err)

        code, out, err = self.windows(*self.build_args(lambda n: "C:\\pack\\" + n))
        self.assertEqual(code, 0, out + err)
        win_out = os.path.join(self.dir, "out.exe")
        self.assertEqual(scrtest.read_file(win_out), scrtest.read_file(host_out))

        code, win_json, err = self.windows("inspect", "C:\\pack\\out.exe", "--json")
        self.assertEqual(code, 0, win_json + err)
        code, host_json, err = scrtest.run_bounded([HOST_SCRPACK, "inspect", win_out, "--json"],
                                                   timeout=60)
        self.assertEqual(code, 0, host_json + err)
        self.assertEqual(json.loads(win_json), json.loads(host_json))
        self.assertEqual(json.loads(win_json)["record"]["ScrTitle"], "Tropical Fish")

    def test_refuses_a_title_over_its_width_and_writes_nothing(self):
        args = self.build_args(lambda n: "C:\\pack\\" + n)
        args[args.index("--title") + 1] = "T" * 32
        args[args.index("-o") + 1] = "C:\\pack\\refused.exe"
        code, out, err = self.windows(*args)
        self.assertEqual(code, 1, out + err)
        self.assertIn("title", (out + err).lower())
        self.assertIn("31", out + err)
        self.assertEqual([f for f in os.listdir(self.dir) if f.startswith("refused")], [])


if __name__ == "__main__":
    scrtest.main()
