"""The author's tool for Windows (build/win32/scrpack.exe) under Wine: it
writes byte for byte the setup file that the Linux tool writes from the same
inputs (both carry the same setup program), reads it back the same way, and
refuses bad arguments in the same way, leaving no output behind.

One win32 prefix for the suite, no display.

    SCR_WIN32=build/win32 SCR_HOST=build/host python3 tests/e2e/test_scrpack_windows.py
"""

import json
import os
import shutil
import struct
import unittest
import zlib

import scrtest

HOST_SCRPACK = scrtest.host_file("scrpack")
WIN_SCRPACK = scrtest.program_file("scrpack.exe")
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"


def bitmap_icon_image(size, rgb):
    """A 32-bit DIB icon image of one colour, as an .ico file holds it."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytes((rgb[2], rgb[1], rgb[0], 255)) * size * size
    mask = b"\0" * (((size + 31) // 32) * 4 * size)
    return header + pixels + mask


def png_image(size, rgb):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\0" + bytes(rgb) * size for _ in range(size))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def icon_file(images):
    """An .ico file of (size, image bytes) pairs."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def stand_in(size):
    """Bytes that are no PE file: Wine would start a real program instead of
    installing it."""
    return (b"NOTPE-" + bytes((i * 7) % 251 for i in range(4096)) * (size // 4096 + 1))[:size]


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
        tools = cls.prefix.unix_path("C:\\tools")
        os.makedirs(tools, exist_ok=True)
        shutil.copy(scrtest.program_file("verinfo.exe"), tools)

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

    def test_project_file_builds_the_same_bytes(self):
        # Paths relative to the file, in either slash; the Windows tool reads
        # the file with the same TOML library.
        project = os.path.join(self.dir, "proj")
        os.makedirs(os.path.join(project, "texts"), exist_ok=True)
        shutil.copy(os.path.join(self.dir, "readme.txt"), os.path.join(project, "texts"))
        scrtest.write_file(os.path.join(project, "saver.toml"), (
            'output = "../proj-out.exe"\n'
            'scr = "../Tropical Fish.scr"\n'
            'title = "Tropical Fish"\n'
            'readme = "texts/readme.txt"\n'
            'language = "de"\n'
            "desktop-shortcut = true\n"
            'version = "1.5"\n').encode())
        code, out, err = self.windows("build", "C:\\pack\\proj\\saver.toml")
        self.assertEqual(code, 0, out + err)
        win_out = os.path.join(self.dir, "proj-out.exe")
        windows_bytes = scrtest.read_file(win_out)
        os.remove(win_out)
        code, out, err = scrtest.run_bounded(
            [HOST_SCRPACK, "build", os.path.join(project, "saver.toml")], timeout=60)
        self.assertEqual(code, 0, out + err)
        self.assertEqual(scrtest.read_file(win_out), windows_bytes)
        # An unknown key is named with its line by the Windows tool too.
        scrtest.write_file(os.path.join(project, "bad.toml"), b'title = "T"\nscreensaver = "x"\n')
        code, out, err = self.windows("build", "C:\\pack\\proj\\bad.toml", "-o", "C:\\pack\\bad.exe")
        self.assertEqual(code, 1, out + err)
        self.assertIn('bad.toml:2: "screensaver" is no setting of a build', out + err)

    def verinfo(self, win_path):
        code, out, err = self.prefix.run("C:\\tools\\verinfo.exe", [win_path], timeout=60)
        return code, dict(line.split("=", 1) for line in out.replace("\r", "").splitlines()
                          if "=" in line)

    def test_icon_and_version_resources_read_back_by_windows_and_kept_by_the_uninstaller(self):
        red, blue = (200, 10, 20), (10, 30, 220)
        scrtest.write_file(os.path.join(self.dir, "saver.ico"), icon_file(
            [(16, bitmap_icon_image(16, blue)), (32, bitmap_icon_image(32, red)),
             (48, png_image(48, blue))]))
        scrtest.write_file(os.path.join(self.dir, "Stand In.scr"), stand_in(70000))
        # The setup program of the build that runs here, which the installs
        # below start (both tools carry the published i686 one).
        shutil.copyfile(scrtest.program_file("setup.exe"), os.path.join(self.dir, "stub.exe"))

        def args(place, out):
            return ["build", "-o", out, "--scr", place("Stand In.scr"), "--title", "Fische",
                    "--icon", place("saver.ico"), "--version", "2.5.0.17",
                    "--publisher", "Fisch & Söhne", "--description", "Fische für alle",
                    "--stub", place("stub.exe")]

        host_out = os.path.join(self.dir, "host", "branded.exe")
        os.makedirs(os.path.dirname(host_out), exist_ok=True)
        code, out, err = scrtest.run_bounded(
            [HOST_SCRPACK] + args(lambda n: os.path.join(self.dir, n), host_out), timeout=60)
        self.assertEqual(code, 0, out + err)
        code, out, err = self.windows(*args(lambda n: "C:\\pack\\" + n, "C:\\pack\\branded.exe"))
        self.assertEqual(code, 0, out + err)
        self.assertNotIn("--icon", out + err)   # 16x16 and 32x32 bitmaps: no warning
        branded = os.path.join(self.dir, "branded.exe")
        self.assertEqual(scrtest.read_file(branded), scrtest.read_file(host_out))

        # What Windows reads: the version strings (UTF-16 in the file), the
        # icon the wizard loads by its fixed number, the icons Explorer sees.
        code, info = self.verinfo("C:\\pack\\branded.exe")
        self.assertEqual(code, 0, info)
        self.assertEqual(info, {
            "icons": "1", "setup_icon": "32x32 #C80A14", "fixed": "2.5.0.17",
            "CompanyName": "Fisch & Söhne", "FileDescription": "Fische für alle",
            "FileVersion": "2.5.0.17", "ProductName": "Fische", "ProductVersion": "2.5.0.17",
            "OriginalFilename": "branded.exe"})
        # The package still reads back whole, and the bare program has none of it.
        code, listing, err = scrtest.run_bounded([HOST_SCRPACK, "inspect", branded, "--json"],
                                                 timeout=60)
        self.assertEqual((code, json.loads(listing)["problems"]), (0, []), listing + err)
        code, out, err = scrtest.run_bounded(
            [HOST_SCRPACK] + args(lambda n: os.path.join(self.dir, n),
                                  os.path.join(self.dir, "bare.exe"))[:7], timeout=60)
        self.assertEqual(code, 0, out + err)
        code, bare = self.verinfo("C:\\pack\\bare.exe")
        self.assertEqual((code, bare), (1, {"icons": "0", "setup_icon": "none"}))

        # Installed and removed: the uninstaller copy carries icon and version.
        code, _, err = self.prefix.run("C:\\pack\\branded.exe", ["-silent"], timeout=60)
        self.assertEqual(code, 0, err)
        command = self.prefix.reg_query(UNINSTALL_KEY + "\\Fische", "UninstallString")
        self.assertTrue(command and command.startswith('"'), command)
        uninstaller = command.strip('"')
        code, info = self.verinfo(uninstaller)
        self.assertEqual((code, info["setup_icon"], info["ProductName"]),
                         (0, "32x32 #C80A14", "Fische"), info)
        code, _, err = self.prefix.run(uninstaller, ["-silent"], timeout=60)
        self.assertEqual(code, 0, err)
        self.assertIsNone(self.prefix.reg_query(UNINSTALL_KEY + "\\Fische", "DisplayName"))


if __name__ == "__main__":
    scrtest.main()
