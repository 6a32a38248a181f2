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

    def test_converts_texts_to_the_code_page_as_the_linux_tool_does(self):
        # UTF-8 and UTF-16 files, a UTF-8 argument and a shipped language in
        # another code page: Windows' own conversion tables on one side,
        # glibc's on the other, the same bytes in the end.
        scrtest.write_file(os.path.join(self.dir, "readme8.txt"), "Привет, мир\r\n".encode("utf-8"))
        scrtest.write_file(os.path.join(self.dir, "license16.txt"),
                           b"\xff\xfe" + "Лицензия\r\n".encode("utf-16-le"))

        def args(place, out):
            return ["build", "-o", out, "--scr", place("Tropical Fish.scr"), "--title", "Рыбка",
                    "--readme", place("readme8.txt"), "--license", place("license16.txt"),
                    "--language", "ru", "--file-name", "Fish.scr"]

        host_out = os.path.join(self.dir, "host", "ru.exe")
        os.makedirs(os.path.dirname(host_out), exist_ok=True)
        code, out, err = scrtest.run_bounded(
            [HOST_SCRPACK] + args(lambda n: os.path.join(self.dir, n), host_out), timeout=60)
        self.assertEqual(code, 0, out + err)
        code, out, err = self.windows(*args(lambda n: "C:\\pack\\" + n, "C:\\pack\\ru.exe"))
        self.assertEqual(code, 0, out + err)
        data = scrtest.read_file(os.path.join(self.dir, "ru.exe"))
        self.assertEqual(data, scrtest.read_file(host_out))
        self.assertIn("Привет, мир\r\n".encode("cp1251"), data)
        self.assertIn("Рыбка".encode("cp1251") + b"\0", data)
        # A character code page 1251 lacks is refused by both.
        scrtest.write_file(os.path.join(self.dir, "readme-pl.txt"), "Złoty\n".encode("utf-8"))
        code, out, err = self.windows("build", "-o", "C:\\pack\\pl.exe", "--scr",
                                      "C:\\pack\\Tropical Fish.scr", "--title", "T",
                                      "--readme", "C:\\pack\\readme-pl.txt", "--language", "ru")
        self.assertEqual(code, 1, out + err)
        self.assertIn("U+0142", out + err)
        self.assertFalse(os.path.exists(os.path.join(self.dir, "pl.exe")))

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
