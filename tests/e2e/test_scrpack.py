"""The author's tool on the host: build, inspect --json, argument checks and
damaged files. No Wine needed; runs $SCR_HOST/scrpack."""

import json
import os
import shutil
import stat
import struct
import subprocess
import sys
import threading
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import scrtest  # noqa: E402

SCRPACK = scrtest.host_file("scrpack")
# Built at run time so that no file of the tests holds the trailers whole.
SETUP_TRAILER = b"SCRB" + b"ui.sig"
UNINSTALLER_TRAILER = b"ScUn" + b"in.sig"
RECORD = 936
TAIL = RECORD + 10


def latin1(text):
    """The JSON form of package bytes: every byte as the character of the same number."""
    return text.decode("latin-1") if isinstance(text, bytes) else text


class ScrpackTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = scrtest.work_dir("scrpack")
        cls.logs = os.path.join(cls.dir, "logs")
        d = lambda name: os.path.join(cls.dir, name)  # noqa: E731
        cls.stub = scrtest.write_file(d("stub.bin"), b"MZ\x90\x00 stand-in program image " * 7)
        cls.scr = scrtest.write_file(d("Tropical Fish.scr"), bytes(range(256)) * 40 + b"\x00end")
        cls.readme = scrtest.write_file(d("readme.txt"), b"Read me\r\n\xe4\xf6\xfc second line\r\n")
        cls.license = scrtest.write_file(d("license.txt"), b"Licence terms\nline two\n")
        cls.language = scrtest.write_file(
            d("lang.txt"), b"Setup\r\nNext=Weiter\r\nCancel=Abbr\xe9chen\r\nFinish=Ende#13Zeile\r\n")

    def scrpack(self, *args):
        args = [a if isinstance(a, bytes) else str(a) for a in args]
        return scrtest.run_bounded([SCRPACK] + args, timeout=60,
                                   log_dir=self.logs, name="scrpack")

    def out(self, name):
        path = os.path.join(self.dir, name)
        if os.path.exists(path):
            os.remove(path)
        return path

    def inspect(self, path, expect_code=0):
        code, out, err = self.scrpack("inspect", path, "--json")
        self.assertEqual(code, expect_code, out + err)
        return json.loads(out)

    def build_json(self, *args, expect_code=0):
        code, out, err = self.scrpack("build", *args, "--json")
        self.assertEqual(code, expect_code, out + err)
        self.assertEqual(err, "")                        # everything is in the object
        j = json.loads(out)
        self.assertEqual(j["exit_code"], code)
        return j

    def assert_no_leftovers(self, output):
        folder, base = os.path.split(output)
        self.assertFalse(os.path.exists(output), output)
        self.assertEqual([f for f in os.listdir(folder) if f.startswith(base)], [])

    # ---- build and inspect ----

    def test_every_field_round_trips(self):
        out = self.out("full.exe")
        title = "T" * 30 + "\xe9"                      # 31 bytes, one of them above 127
        link = "http://example.com/" + "l" * 82     # 101 bytes
        folder = "<Windows>\\" + "f" * 240            # 250 bytes
        sub = "s" * 250
        code, stdout, err = self.scrpack(
            "build", "-o", out, "--scr", self.scr, "--title", title.encode("latin-1"),
            "--file-name", "Tropical Fish.scr", "--link", link, "--readme", self.readme,
            "--license", self.license, "--license-mode", 255, "--language", self.language,
            "--dest-folder", folder, "--dest-subfolder", sub, "--uninstall-entry",
            "--start-menu-group", "--desktop-shortcut", "--skip-folder-page", "--stub", self.stub)
        self.assertEqual(code, 0, stdout + err)
        data = scrtest.read_file(out)
        parts = [scrtest.read_file(p) for p in (self.stub, self.scr, self.readme, self.license,
                                                 self.language)]
        self.assertEqual(data[:-TAIL], b"".join(parts))
        self.assertEqual(data[-10:], SETUP_TRAILER)
        # The record byte for byte, read here without the tool's own code.
        stub, scr, readme, lic, lang = (len(p) for p in parts)
        rec = data[-TAIL:-10]
        self.assertEqual(struct.unpack_from("<i", rec, 0), (scr + readme + lic + lang + TAIL,))
        self.assertEqual(rec[4:260], b"Tropical Fish.scr".ljust(256, b"\0"))
        self.assertEqual(rec[260:292], title.encode("latin-1") + b"\0")
        self.assertEqual(rec[292:394], link.encode("ascii") + b"\0")
        self.assertEqual(rec[394:400], b"\1\1\1\0\0\0")
        self.assertEqual(struct.unpack_from("<4i", rec, 400), (readme + lic + lang, readme, lic, lang))
        self.assertEqual(rec[416:417], b"\0")
        self.assertEqual(rec[417:668], b"\xfa" + folder.encode("ascii"))
        self.assertEqual(rec[668:919], b"\xfa" + sub.encode("ascii"))
        self.assertEqual(rec[919:936], b"\1SCRSet.sig\0\xff\0\0\0\0")

        j = self.inspect(out)
        self.assertEqual((j["file_size"], j["package_end"], j["appended_bytes"]), (len(data), len(data), 0))
        self.assertEqual((j["trailer"], j["run_kind"]), (SETUP_TRAILER.decode(), "setup"))
        self.assertEqual(j["problems"], [])
        r = j["record"]
        self.assertEqual(r["ScrTitle"], title)
        self.assertEqual(r["ScrFileName"], "Tropical Fish.scr")   # stored as given
        self.assertEqual(r["LinkAddress"], link)
        self.assertEqual(r["DestFolder"], folder)
        self.assertEqual(r["DestSubfolder"], sub)
        self.assertEqual(r["LicenseMode"], 255)
        for flag in ("AddUninstallEntry", "AddStartMenuGroup", "AddDesktopShortcut", "SkipFolderPage"):
            self.assertEqual(r[flag], 1, flag)
        self.assertEqual(r["RecordSignature"], "SCRSet.sig")
        self.assertEqual((r["ReadmeSize"], r["LicenseSize"], r["LanguageSize"]), (readme, lic, lang))
        self.assertEqual(r["TextBlocksSize"], readme + lic + lang)
        self.assertEqual(r["PackageSize"], scr + readme + lic + lang + TAIL)
        b = j["blocks"]
        self.assertEqual(b["program_image"], {"offset": 0, "size": stub})
        self.assertEqual(b["screensaver"], {"offset": stub, "size": scr})
        self.assertEqual(b["readme"], {"offset": stub + scr, "size": readme})
        self.assertEqual(b["license"], {"offset": stub + scr + readme, "size": lic})
        self.assertEqual(b["language"], {"offset": stub + scr + readme + lic, "size": lang})
        for name, part in (("screensaver", 1), ("readme", 2), ("license", 3), ("language", 4)):
            span = b[name]
            self.assertEqual(data[span["offset"]:span["offset"] + span["size"]], parts[part], name)
        self.assertEqual(j["language"], [{"name": "Next", "value": "Weiter"},
                                         {"name": "Cancel", "value": "Abbr\xe9chen"},
                                         {"name": "Finish", "value": "Ende#13Zeile"}])  # as stored

        # 5,000 appended bytes are reported as such and change nothing else.
        appended = self.out("appended.exe")
        scrtest.write_file(appended, data + bytes((i * 7 + 1) % 256 for i in range(5000)).replace(b"S", b"s"))
        k = self.inspect(appended)
        self.assertEqual((k["file_size"], k["package_end"], k["appended_bytes"]),
                         (len(data) + 5000, len(data), 5000))
        for key in ("trailer", "run_kind", "record", "blocks", "language", "problems"):
            self.assertEqual(k[key], j[key], key)

        # The readable form names the same things.
        code, text, err = self.scrpack("inspect", appended)
        self.assertEqual(code, 0, err)
        self.assertIn("5000 bytes appended", text)
        self.assertIn("Problems:     none", text)

    def test_defaults(self):
        out = self.out("defaults.exe")
        code, stdout, err = self.scrpack("build", "-o", out, "--scr", self.scr, "--title", "Fish",
                                         "--license", self.license)
        self.assertEqual(code, 0, stdout + err)
        j = self.inspect(out)
        r = j["record"]
        self.assertEqual(r["ScrFileName"], "Tropical Fish.scr")   # base name of --scr
        self.assertEqual(r["DestFolder"], "<Program Files>\\")
        self.assertEqual(r["DestSubfolder"], "Fish")                # the title
        self.assertEqual(r["LicenseMode"], 1)                      # a licence was given
        self.assertEqual(r["LinkAddress"], "")
        # Short strings and char fields are padded with zeros, reserved bytes zero.
        rec = scrtest.read_file(out)[-TAIL:-10]
        self.assertEqual(rec[417:668], b"\x10<Program Files>\\".ljust(251, b"\0"))
        self.assertEqual(rec[668:919], b"\x04Fish".ljust(251, b"\0"))
        self.assertEqual(rec[292:394], b"\0" * 102)
        self.assertEqual(rec[397:400] + rec[416:417] + rec[932:936], b"\0" * 8)
        # A complete installer without flags: uninstall entry and Start-menu
        # group; the desktop shortcut stays the author's choice.
        self.assertEqual([r[f] for f in ("AddUninstallEntry", "AddStartMenuGroup",
                                         "AddDesktopShortcut", "SkipFolderPage")], [1, 1, 0, 0])
        bare = self.out("bare.exe")
        code, _, err = self.scrpack("build", "-o", bare, "--scr", self.scr, "--title", "Fish",
                                    "--no-uninstall-entry", "--no-start-menu-group",
                                    "--dest-subfolder", "", "--stub", self.stub)
        self.assertEqual(code, 0, err)
        r = self.inspect(bare)["record"]
        self.assertEqual([r["AddUninstallEntry"], r["AddStartMenuGroup"], r["DestSubfolder"]],
                         [0, 0, ""])
        # The embedded program image is the setup program of this build.
        image = scrtest.read_file(out)[:j["blocks"]["program_image"]["size"]]
        self.assertGreater(len(image), 0)
        setup = scrtest.win32_file("setup.exe")
        if os.path.exists(setup) and os.environ.get("SCR_CHECK_STUB", "1") == "1":
            self.assertEqual(image, scrtest.read_file(setup))
        code, _, err = self.scrpack("build", "-o", out, "--scr", self.scr, "--title", "Fish",
                                    "--stub", self.stub)
        self.assertEqual(code, 0, err)          # overwrites an existing output
        self.assertEqual(self.inspect(out)["record"]["LicenseMode"], 0)

    # ---- bad arguments ----

    def test_bad_arguments_give_clear_errors_and_no_output(self):
        out = self.out("bad.exe")
        base = ["build", "-o", out, "--stub", self.stub]
        cases = [
            # (arguments, exit code, words the message must hold)
            (["--title", "X"], 1, ["--scr"]),
            (["--scr", self.scr], 1, ["--title"]),
            (["--scr", self.scr, "--title", "X", "--readme", os.path.join(self.dir, "missing.txt")],
             2, ["--readme", "missing.txt"]),
            (["--scr", os.path.join(self.dir, "none.scr"), "--title", "X"], 2, ["--scr", "none.scr"]),
            (["--scr", self.dir, "--title", "X"], 2, ["--scr"]),
            (["--scr", self.scr, "--title", "T" * 32], 1, ["--title", "32", "31"]),
            (["--scr", self.scr, "--title", ""], 1, ["--title", "empty"]),
            (["--scr", self.scr, "--title", "  \\ "], 1, ["--title", "blanks"]),
            (["--scr", self.scr, "--title", "\\\\"], 1, ["--title"]),
            (["--scr", self.scr, "--title", "Fish\\.."], 1, ["--title", "dots"]),
            (["--scr", self.scr, "--title", "X", "--file-name", "n" * 256], 1, ["--file-name", "256", "255"]),
            (["--scr", self.scr, "--title", "X", "--file-name", ""], 1, ["--file-name", "empty"]),
            (["--scr", self.scr, "--title", "X", "--link", "l" * 102], 1, ["--link", "101"]),
            (["--scr", self.scr, "--title", "X", "--dest-folder", "d" * 251], 1, ["--dest-folder", "250"]),
            (["--scr", self.scr, "--title", "X", "--dest-subfolder", "d" * 251], 1,
             ["--dest-subfolder", "250"]),
            (["--scr", self.scr, "--title", "X", "--license-mode", 256], 1, ["--license-mode", "255"]),
            (["--scr", self.scr, "--title", "X", "--license-mode", -1], 1, ["--license-mode"]),
            (["--scr", self.scr, "--title", "X", "--license-mode", "two"], 1, ["--license-mode"]),
            (["--scr", self.scr, "--title", "X", "--no-such-option"], 1, ["--no-such-option"]),
        ]
        for args, expected, words in cases:
            with self.subTest(args=[a if len(str(a)) < 40 else str(a)[:20] + "..." for a in args]):
                code, stdout, err = self.scrpack(*(base + args))
                self.assertEqual(code, expected, stdout + err)
                for word in words:
                    self.assertIn(word, err)
                self.assert_no_leftovers(out)

        code, _, err = self.scrpack("build", "-o", os.path.join(self.dir, "no", "such", "dir", "x.exe"),
                                    "--scr", self.scr, "--title", "X", "--stub", self.stub)
        self.assertEqual(code, 2, err)
        self.assertIn("cannot write", err)
        # An output that is a folder: refused, nothing left beside it.
        folder = os.path.join(self.dir, "outdir")
        os.makedirs(folder, exist_ok=True)
        code, _, err = self.scrpack("build", "-o", folder, "--scr", self.scr, "--title", "X",
                                    "--stub", self.stub)
        self.assertEqual(code, 2, err)
        self.assertEqual([f for f in os.listdir(self.dir) if "outdir" in f], ["outdir"])
        # A folder that cannot be written (not as root: root writes anyway).
        if os.geteuid() != 0:
            locked = os.path.join(self.dir, "locked")
            os.makedirs(locked, exist_ok=True)
            os.chmod(locked, 0o500)
            try:
                code, _, err = self.scrpack("build", "-o", os.path.join(locked, "x.exe"), "--scr",
                                            self.scr, "--title", "X", "--stub", self.stub)
                self.assertEqual(code, 2, err)
                self.assertEqual(os.listdir(locked), [])
            finally:
                os.chmod(locked, 0o700)
        code, _, _ = self.scrpack()
        self.assertEqual(code, 1)
        code, _, _ = self.scrpack("inspect", os.path.join(self.dir, "missing.exe"))
        self.assertEqual(code, 2)

    # ---- checks before writing, shared with inspect ----

    def test_build_refuses_what_cannot_install_and_says_why(self):
        out = self.out("refused.exe")
        lang = scrtest.write_file(os.path.join(self.dir, "netx.txt"), b"Setup\nNetx=Weiter\n")
        base = ["build", "-o", out, "--scr", self.scr, "--stub", self.stub]
        cases = [
            # (arguments, words the message must hold)
            (["--title", "Aurora?"], ["--title", '"?"', "Windows refuses"]),
            (["--title", "a/.."], ["--title", "dots"]),
            (["--title", "T", "--file-name", "x/"], ["--file-name", "names no place"]),
            (["--title", "T", "--dest-folder", "<ProgramFiles>\\"],
             ["--dest-folder", "<ProgramFiles>", "no folder macro"]),
            (["--title", "T", "--link", "www.example.com"], ["--link", "no scheme"]),
            (["--title", "T", "--language", lang], ["netx.txt:2:", "did you mean \"Next\""]),
        ]
        for args, words in cases:
            with self.subTest(args=args):
                code, stdout, err = self.scrpack(*(base + args))
                self.assertEqual(code, 1, stdout + err)
                for word in words:
                    self.assertIn(word, err)
                self.assertIn("nothing written", err)
                self.assertEqual(stdout, "")
                self.assert_no_leftovers(out)

    def test_warnings_are_printed_and_the_file_is_written_with_one_summary_line(self):
        out = self.out("warned.exe")
        code, stdout, err = self.scrpack(
            "build", "-o", out, "--scr", self.scr, "--title", "Fish", "--file-name",
            "Northern Lights.scr", "--license", self.license, "--license-mode", "5",
            "--stub", self.stub)
        self.assertEqual(code, 0, err)
        self.assertIn('warning: --file-name: Windows 2000, XP, Vista and later install '
                      '"Northern Lights.scr" as "Northern.scr"', err)
        self.assertIn("warning: --license-mode: a licence text is present, but mode 5", err)
        self.assertIn('is not a Windows program', err)
        lines = stdout.splitlines()
        self.assertEqual(len(lines), 1, stdout)
        size = os.path.getsize(out)
        self.assertIn(f"{out} ({size} bytes)", lines[0])
        self.assertIn('"Fish"', lines[0])
        self.assertIn("Northern Lights.scr", lines[0])
        # Names as well as numbers; accept is 1.
        code, _, err = self.scrpack("build", "-o", out, "--scr", self.scr, "--title", "Fish",
                                    "--license", self.license, "--license-mode", "accept",
                                    "--stub", self.stub)
        self.assertEqual((code, self.inspect(out)["record"]["LicenseMode"]), (0, 1), err)
        code, _, err = self.scrpack("build", "-o", out, "--scr", self.scr, "--title", "Fish",
                                    "--license-mode", "none", "--stub", self.stub)
        self.assertEqual((code, self.inspect(out)["record"]["LicenseMode"]), (0, 0), err)

    def test_inspect_reports_the_problems_build_refuses(self):
        good = self.out("named.exe")
        code, _, err = self.scrpack("build", "-o", good, "--scr", self.scr, "--title", "Aurora",
                                    "--dest-subfolder", "Aurora", "--stub", self.stub)
        self.assertEqual(code, 0, err)
        data = scrtest.read_file(good)
        rec = len(data) - TAIL
        # The title and the sub-folder field patched as an older tool wrote them.
        bad = bytearray(data)
        bad[rec + 260:rec + 292] = b"Aurora?".ljust(32, b"\0")
        bad[rec + 8:rec + 9] = b"*"  # ScrFileName "Tr*pical Fish.scr"
        path = self.damaged("question.exe", bytes(bad))
        j = self.inspect(path, expect_code=3)
        self.assertEqual(j["run_kind"], "invalid")  # the setup refuses it as damaged...
        self.assertTrue(any("ScrTitle" in p and '"?"' in p for p in j["problems"]), j["problems"])
        self.assertTrue(any("ScrFileName" in p and '"*"' in p for p in j["problems"]), j["problems"])
        code, text, _ = self.scrpack("inspect", path)
        self.assertEqual(code, 3)
        self.assertNotIn("Problems:     none", text)

    # ---- encodings ----

    def test_utf8_and_utf16_texts_become_the_packages_code_page(self):
        d = lambda name: os.path.join(self.dir, name)  # noqa: E731
        readme8 = scrtest.write_file(d("r8.txt"), "Grüße\r\n".encode("utf-8"))
        readme8bom = scrtest.write_file(d("r8bom.txt"), b"\xef\xbb\xbf" + "Grüße\r\n".encode("utf-8"))
        readme16 = scrtest.write_file(d("r16.txt"), b"\xff\xfe" + "Grüße\r\n".encode("utf-16-le"))
        lang = scrtest.write_file(d("l16.txt"), b"\xff\xfe" + "Setup\r\nBack=Zurück\r\n".encode("utf-16-le"))
        title = "ä" * 30   # 60 bytes of UTF-8, 30 of code page 1252
        for readme in (readme8, readme8bom, readme16):
            with self.subTest(readme=os.path.basename(readme)):
                out = self.out("enc.exe")
                code, _, err = self.scrpack("build", "-o", out, "--scr", self.scr, "--title", title,
                                            "--readme", readme, "--language", lang, "--stub", self.stub)
                self.assertEqual(code, 0, err)
                j = self.inspect(out)
                data = scrtest.read_file(out)
                b = j["blocks"]
                self.assertEqual(data[b["readme"]["offset"]:][:b["readme"]["size"]], "Grüße\r\n".encode("cp1252"))
                self.assertEqual(data[b["language"]["offset"]:][:b["language"]["size"]],
                                 "Setup\r\nBack=Zurück\r\n".encode("cp1252"))
                self.assertEqual(data[-TAIL + 260:-TAIL + 291], title.encode("cp1252") + b"\0")
                self.assertEqual(j["record"]["ScrTitle"], title)     # shown decoded
                self.assertEqual(j["language"][0], {"name": "Back", "value": "Zurück"})
        # A character code page 1252 lacks: the file and the line are named.
        bad = scrtest.write_file(d("pl.txt"), "first\nZłoty\n".encode("utf-8"))
        out = self.out("enc.exe")
        code, _, err = self.scrpack("build", "-o", out, "--scr", self.scr, "--title", "T",
                                    "--readme", bad, "--stub", self.stub)
        self.assertEqual(code, 1, err)
        for word in ("--readme", "pl.txt", "line 2", "U+0142", "code page 1252"):
            self.assertIn(word, err)
        self.assert_no_leftovers(out)
        # The Polish code page holds it.
        code, _, err = self.scrpack("build", "-o", out, "--scr", self.scr, "--title", "T",
                                    "--readme", bad, "--code-page", "1250", "--stub", self.stub)
        self.assertEqual(code, 0, err)
        code, text, _ = self.scrpack("inspect", out, "--code-page", "1250")
        self.assertEqual(code, 0, text)
        self.assertIn("Code page:    1250", text)

    # ---- languages ----

    def test_language_template_check_list_and_shipped_languages(self):
        code, template, err = self.scrpack("language", "template")
        self.assertEqual(code, 0, err)
        lines = template.splitlines()
        self.assertEqual(lines[0], "Setup")
        self.assertIn("Next=Next", lines)
        self.assertIn("There was an error installing %s. Installation is not complete."
                      "=There was an error installing %s. Installation is not complete.", lines)
        path = scrtest.write_file(os.path.join(self.dir, "template.txt"), template.encode())
        code, out, err = self.scrpack("language", "check", path)
        self.assertEqual(code, 0, out + err)
        self.assertIn("0 errors, 0 warnings", out)

        code, listing, _ = self.scrpack("language", "list")
        self.assertEqual(code, 0)
        for code_name, page in (("de", 1252), ("fr", 1252), ("es", 1252), ("it", 1252), ("nl", 1252),
                                ("pt-BR", 1252), ("pl", 1250), ("ru", 1251), ("ja", 932), ("zh-CN", 936)):
            with self.subTest(language=code_name):
                self.assertRegex(listing, rf"(?m)^{code_name} +{page} ")
                code, out, err = self.scrpack("language", "check", code_name)
                self.assertEqual(code, 0, out + err)
                self.assertIn("0 errors, 0 warnings", out)
                source = os.path.join(scrtest.SOURCE, "languages", code_name + ".lng")
                packed = self.out("lang.exe")
                code, stdout, err = self.scrpack("build", "-o", packed, "--scr", self.scr,
                                                 "--title", "Fish", "--language", code_name,
                                                 "--stub", self.stub)
                self.assertEqual(code, 0, err)
                self.assertNotIn("--language", err)      # no warning about the translation
                self.assertIn("code page %d" % page, stdout)
                j = self.inspect(packed)
                data = scrtest.read_file(packed)
                lang = j["blocks"]["language"]
                codec = {932: "cp932", 936: "gbk"}.get(page, "cp%d" % page)
                self.assertEqual(data[lang["offset"]:][:lang["size"]],
                                 scrtest.read_file(source).decode("utf-8").encode(codec))
                self.assertEqual(j["code_page"], page)   # found from the language it carries
                self.assertEqual(len(j["language"]), 38)
        self.assertEqual(self.inspect(packed)["language"][0]["value"], "上一步")  # zh-CN, the last

        code, out, _ = self.scrpack("language", "check", os.path.join(self.dir, "missing.txt"))
        self.assertEqual(code, 2)
        code, _, err = self.scrpack("build", "-o", self.out("x.exe"), "--scr", self.scr, "--title", "T",
                                    "--language", "klingon", "--stub", self.stub)
        self.assertEqual(code, 2)
        self.assertIn("language list", err)

    def test_version_and_file_errors_with_the_systems_reason(self):
        code, out, _ = self.scrpack("--version")
        self.assertEqual(code, 0)
        self.assertRegex(out, r"^scrpack \d+\.\d+\.\d+ \(setup program \d+ bytes\)\n$")
        setup = scrtest.win32_file("setup.exe")
        if os.path.exists(setup) and os.environ.get("SCR_CHECK_STUB", "1") == "1":
            self.assertIn("(setup program %d bytes)" % os.path.getsize(setup), out)
        code, _, err = self.scrpack("build", "-o", self.out("x.exe"), "--scr", self.scr, "--title", "T",
                                    "--readme", os.path.join(self.dir, "missing.txt"), "--stub", self.stub)
        self.assertEqual(code, 2)
        self.assertIn("no such file or directory", err)
        code, _, err = self.scrpack("build", "-o", os.path.join(self.dir, "no", "dir", "x.exe"),
                                    "--scr", self.scr, "--title", "T", "--stub", self.stub)
        self.assertEqual(code, 2)
        self.assertIn("no such file or directory", err)

    # ---- the walkthrough's faults ----

    def test_every_fault_in_one_pass_and_outputs_that_would_destroy_something(self):
        out = self.out("onepass.exe")
        code, stdout, err = self.scrpack(
            "build", "-o", out, "--scr", self.scr, "--title", "T" * 34, "--link", "www.example.com",
            "--readme", os.path.join(self.dir, "missing.txt"), "--language", "pt", "--code-page", "12x",
            "--stub", self.stub)
        self.assertEqual(code, 2, err)               # an unreadable input decides the code
        lines = err.splitlines()
        for words in (["--title: 34 characters, but a title holds at most 31"],
                      ["--readme", "missing.txt", "no such file"],
                      ["--language", '"pt"', "did you mean pt-BR (Brazilian Portuguese)?"],
                      ["--code-page", '"12x"', "not an ANSI code page"]):
            self.assertTrue(any(all(w in line for w in words) for line in lines), (words, err))
        self.assertTrue(all(line.startswith("scrpack: ") for line in lines), err)
        self.assertEqual(lines[-1], "scrpack: nothing written (4 errors)")
        self.assert_no_leftovers(out)
        # A double-byte code page: characters, and the bytes they take.
        code, _, err = self.scrpack("build", "-o", out, "--scr", self.scr, "--title", "魚" * 20,
                                    "--language", "ja", "--stub", self.stub)
        self.assertEqual(code, 1, err)
        self.assertIn("--title: 20 characters, which take 40 bytes in code page 932, but a title "
                      "holds at most 31 bytes", err)
        self.assertIn("nothing written (1 error)", err)
        self.assertIn('did you mean zh-CN (Simplified Chinese)?',
                      self.scrpack("build", "-o", out, "--scr", self.scr, "--title", "T",
                                   "--language", "zh")[2])
        # One line for a code page that cannot hold the shipped language.
        code, _, err = self.scrpack("build", "-o", out, "--scr", self.scr, "--title", "T",
                                    "--language", "ru", "--code-page", "1252", "--stub", self.stub)
        self.assertEqual(code, 1, err)
        self.assertEqual([l for l in err.splitlines() if "error:" in l],
                         ["scrpack: error: --language ru: Russian needs code page 1251, not 1252, "
                          "which cannot hold its letters"])

        # The output is one of the inputs: refused, the input untouched.
        before = scrtest.read_file(self.scr)
        for option in ("--scr", "--readme", "--stub"):
            with self.subTest(output_is=option):
                victim = {"--scr": self.scr, "--readme": self.readme, "--stub": self.stub}[option]
                original = scrtest.read_file(victim)
                code, _, err = self.scrpack("build", "-o", victim, "--scr", self.scr, "--title", "T",
                                            "--readme", self.readme, "--stub", self.stub)
                self.assertEqual(code, 1, err)
                self.assertIn('is the %s input' % option, err)
                self.assertEqual(scrtest.read_file(victim), original)
        hard_link = os.path.join(self.dir, "same-file.exe")
        if os.path.exists(hard_link):
            os.remove(hard_link)
        os.link(self.scr, hard_link)
        code, _, err = self.scrpack("build", "-o", hard_link, "--scr", self.scr, "--title", "T",
                                    "--stub", self.stub)
        self.assertEqual(code, 1, err)
        self.assertEqual(scrtest.read_file(self.scr), before)
        # An output that exists and is no regular file stays what it was.
        fifo = os.path.join(self.dir, "output.fifo")
        if not os.path.exists(fifo):
            os.mkfifo(fifo)
        for target in (fifo, "/dev/null"):
            with self.subTest(output=target):
                code, _, err = self.scrpack("build", "-o", target, "--scr", self.scr, "--title", "T",
                                            "--stub", self.stub)
                self.assertEqual(code, 2, err)
                self.assertIn("is not a regular file", err)
        self.assertTrue(stat.S_ISFIFO(os.stat(fifo).st_mode))
        self.assertTrue(stat.S_ISCHR(os.stat("/dev/null").st_mode))

    def test_help_parse_errors_pipes_and_the_name_the_warnings_blame(self):
        code, text, _ = self.scrpack("build", "--help")
        self.assertEqual(code, 0)
        for words in ("Usage: scrpack build", "--readme FILE", "--title TEXT", "UTF-8", "pipes",
                      "--no-desktop-shortcut", "Exit codes:", "2  an input"):
            self.assertIn(words, text)
        self.assertNotIn("--readme TEXT", text)
        code, text, _ = self.scrpack("--help")
        self.assertIn("scrpack build PROJECT.toml", text)
        self.assertIn("3  inspect", text)
        code, _, err = self.scrpack("build", "--titel", "X")
        self.assertEqual(code, 1)
        self.assertTrue(err.startswith("scrpack: error: "), err)

        # A pipe as an input is read to its end.
        fifo = os.path.join(self.dir, "readme.fifo")
        if not os.path.exists(fifo):
            os.mkfifo(fifo)
        writer = threading.Thread(target=lambda: scrtest.write_file(fifo, b"from a pipe\r\n"))
        writer.start()
        out = self.out("piped.exe")
        code, _, err = self.scrpack("build", "-o", out, "--scr", self.scr, "--title", "T",
                                    "--readme", fifo, "--stub", self.stub)
        writer.join(10)
        self.assertEqual(code, 0, err)
        code, text, err = self.scrpack("inspect", out, "--text", "readme")
        self.assertEqual((code, text), (0, "from a pipe\r\n"), err)

        # The installed name came from --scr: the warning says so.
        named = scrtest.write_file(os.path.join(self.dir, "Northern Lights.scr"),
                                   scrtest.read_file(self.scr))
        code, _, err = self.scrpack("build", "-o", out, "--scr", named, "--title", "T",
                                    "--stub", self.stub)
        self.assertEqual(code, 0, err)
        self.assertIn("warning: --scr: Windows 2000, XP, Vista and later install", err)
        self.assertNotIn("--file-name", err)

    def test_inspect_names_the_language_and_prints_a_block(self):
        out = self.out("ru.exe")
        readme = scrtest.write_file(os.path.join(self.dir, "ru-readme.txt"), "Привет\n".encode())
        code, _, err = self.scrpack("build", "-o", out, "--scr", self.scr, "--title", "Рыбка",
                                    "--readme", readme, "--language", "ru", "--stub", self.stub)
        self.assertEqual(code, 0, err)
        code, text, _ = self.scrpack("inspect", out)
        self.assertIn("Language:     ru (Russian), 38 entries", text)
        self.assertEqual(self.inspect(out)["shipped_language"], {"code": "ru", "name": "Russian"})
        self.assertIsNone(self.inspect(self.build_plain())["shipped_language"])
        self.assertEqual(self.scrpack("inspect", out, "--text", "readme")[1], "Привет\n")
        code, lang, _ = self.scrpack("inspect", out, "--text", "language")
        self.assertEqual(lang, scrtest.read_file(os.path.join(scrtest.SOURCE, "languages",
                                                              "ru.lng")).decode())
        code, _, err = self.scrpack("inspect", out, "--text", "license")
        self.assertEqual(code, 0)
        self.assertIn("no license", err)
        self.assertEqual(self.scrpack("inspect", out, "--text", "nonsense")[0], 1)

    def build_plain(self):
        out = self.out("plain.exe")
        code, _, err = self.scrpack("build", "-o", out, "--scr", self.scr, "--title", "T",
                                    "--stub", self.stub)
        self.assertEqual(code, 0, err)
        return out

    def test_language_check_counts_and_the_arrows_the_program_adds(self):
        lang = scrtest.write_file(os.path.join(self.dir, "arrows.txt"),
                                  "Setup\nNext=Suivant >\nBack=< Zur\nCancl=Annuler\n".encode())
        code, out, _ = self.scrpack("language", "check", lang)
        self.assertEqual(code, 1, out)
        self.assertIn('arrows.txt:2: the translation of "Next" ends in ">", but the program adds '
                      '" >" after it itself', out)
        self.assertIn('arrows.txt:3: the translation of "Back" starts with "<"', out)
        self.assertRegex(out, r"for code page 1252: 1 error, 3 warnings\n$")
        j = json.loads(self.scrpack("language", "check", lang, "--json")[1])
        self.assertEqual((j["file"], j["encoding"], j["code_page"], j["exit_code"]),
                         (lang, "UTF-8", 1252, 1))
        self.assertEqual(len(j["errors"]), 1)
        self.assertIn("did you mean \"Cancel\"", j["errors"][0])
        self.assertEqual(len(j["warnings"]), 3)
        # The caption travels to the uninstaller's temporary copy in quotes.
        quoted = scrtest.write_file(os.path.join(self.dir, "quoted.txt"),
                                    b'Setup\nScreensaver Setup=Der "Schoner"\n')
        code, out, _ = self.scrpack("language", "check", quoted)
        self.assertEqual(code, 1, out)
        self.assertIn('quoted.txt:2: the translation of "Screensaver Setup" holds', out)
        code, out, _ = self.scrpack("language", "check", "fr", "--json", "--warnings-as-errors")
        self.assertEqual((code, json.loads(out)["errors"]), (0, []))
        code, out, _ = self.scrpack("language", "check", "pt")
        self.assertEqual(code, 2)
        self.assertIn("did you mean pt-BR", out + _)

    # ---- a build server's build ----

    def test_warnings_as_errors_quiet_and_json(self):
        out = self.out("server.exe")
        common = ["-o", out, "--scr", self.scr, "--stub", self.stub]
        warned = common + ["--title", "Fish"]
        code, stdout, err = self.scrpack("build", *warned, "--warnings-as-errors")
        self.assertEqual(code, 1, err)
        self.assertIn("error: --scr", err)           # the warnings, made errors
        self.assertIn("nothing written (2 errors)", err)
        self.assert_no_leftovers(out)

        j = self.build_json(*warned)
        size = os.path.getsize(out)
        self.assertEqual((j["output"], j["written"], j["size"], j["title"], j["installs"],
                          j["code_page"], j["language"], j["errors"]),
                         (out, True, size, "Fish", "Tropical Fish.scr", 1252, None, []))
        self.assertEqual(len(j["warnings"]), 2, j)    # not a Windows program; a long name
        os.remove(out)
        j = self.build_json(*common, "--language", "de", "--title", "T" * 40, expect_code=1)
        self.assertEqual((j["written"], j["size"], j["language"]), (False, None, "de"))
        self.assertEqual(j["errors"], ["--title: 40 characters, but a title holds at most 31"])
        self.assert_no_leftovers(out)

        code, stdout, err = self.scrpack("build", *warned, "--quiet")
        self.assertEqual((code, stdout, err), (0, "", ""))
        self.assertTrue(os.path.exists(out))
        code, stdout, err = self.scrpack("build", *common, "-q", "--title", "T" * 40)
        self.assertEqual((code, stdout), (1, ""))
        self.assertIn("error: --title", err)
        self.assertNotIn("warning", err)

    # ---- the project file ----

    def test_project_file_keys_relative_paths_overrides_and_init(self):
        project = os.path.join(self.dir, "project")
        shutil.rmtree(project, ignore_errors=True)
        os.makedirs(os.path.join(project, "art"))
        shutil.copy(self.scr, os.path.join(project, "art", "Fish.scr"))
        shutil.copy(self.readme, os.path.join(project, "art", "readme.txt"))
        toml = os.path.join(project, "saver.toml")
        code, out, err = self.scrpack("init", toml)
        self.assertEqual(code, 0, err)
        started = scrtest.read_file(toml)
        self.assertEqual(self.scrpack("init", toml)[0], 2)     # never overwritten
        self.assertEqual(scrtest.read_file(toml), started)
        text = started.decode()
        for key in ("output", "scr", "title", "file-name", "readme", "license-mode", "language",
                    "dest-folder", "desktop-shortcut", "icon", "version", "warnings-as-errors"):
            self.assertRegex(text, r"(?m)^(# )?%s = " % key)
        # Every key the starting file names is a key the build takes.
        uncommented = "\n".join(l[2:] if l.startswith("# ") and " = " in l else l
                                for l in text.splitlines())
        scrtest.write_file(os.path.join(project, "all.toml"), uncommented.encode())
        code, out, err = self.scrpack("build", os.path.join(project, "all.toml"))
        self.assertNotIn("no setting", err)
        text = (text.replace('output = "MySaverSetup.exe"', 'output = "../project-out/Fish Setup.exe"')
                .replace('scr = "MySaver.scr"', 'scr = "art/Fish.scr"')
                .replace('title = "My Saver"', 'title = "Fish"')
                .replace('# readme = "readme.txt"', 'readme = "art/readme.txt"')
                .replace('# language = "de"', 'language = "fr"')
                .replace("# desktop-shortcut = false", "desktop-shortcut = true")
                .replace("# dest-folder = '<Program Files>\\'", "dest-folder = '<Windows>\\'"))
        scrtest.write_file(toml, text.encode())
        os.makedirs(os.path.join(self.dir, "project-out"), exist_ok=True)
        built = os.path.join(self.dir, "project-out", "Fish Setup.exe")
        # From another working folder: the paths are the file's.
        code, out, err = scrtest.run_bounded([SCRPACK, "build", toml, "--stub", self.stub],
                                             timeout=60, cwd="/")
        self.assertEqual(code, 0, out + err)
        r = self.inspect(built)
        self.assertEqual((r["record"]["ScrTitle"], r["record"]["ScrFileName"],
                          r["record"]["DestFolder"], r["record"]["AddDesktopShortcut"],
                          r["shipped_language"]["code"], r["record"]["ReadmeSize"]),
                         ("Fish", "Fish.scr", "<Windows>\\", 1, "fr", os.path.getsize(self.readme)))
        # The command line overrides the file, flags with their --no- form.
        code, out, err = self.scrpack("build", toml, "--title", "Other", "--no-desktop-shortcut",
                                      "--language", "de", "--stub", self.stub)
        self.assertEqual(code, 0, out + err)
        r = self.inspect(built)
        self.assertEqual((r["record"]["ScrTitle"], r["record"]["AddDesktopShortcut"],
                          r["shipped_language"]["code"]), ("Other", 0, "de"))
        # Unknown keys and wrong types: each named with its line, nothing written.
        os.remove(built)
        scrtest.write_file(toml, text.replace('title = "Fish"', 'titel = "Fish"\ntitle = "Fish"')
                           .replace("desktop-shortcut = true", "desktop-shortcut = 1").encode())
        code, out, err = self.scrpack("build", toml, "--stub", self.stub)
        self.assertEqual(code, 1, err)
        self.assertRegex(err, r'saver\.toml:\d+: "titel" is no setting of a build \(did you mean '
                              r'"title"\?\)')
        self.assertRegex(err, r"saver\.toml:\d+: desktop-shortcut is true or false")
        self.assertIn("nothing written (2 errors)", err)
        self.assertFalse(os.path.exists(built))
        scrtest.write_file(toml, b'title = "unclosed\n')
        code, out, err = self.scrpack("build", toml)
        self.assertEqual(code, 1, err)
        self.assertIn("saver.toml:1:", err)

    # ---- the setup file's own icon and version ----

    def test_icon_and_version_resources_in_the_program_image(self):
        wrestool = shutil.which("wrestool")
        setup = scrtest.win32_file("setup.exe")
        if not os.path.exists(setup):
            self.skipTest("no build/win32/setup.exe")
        ico = os.path.join(self.dir, "saver.ico")
        images = [(16, bytes(40 + 16 * 16 * 4 + 64)), (32, bytes(40 + 32 * 32 * 4 + 128)),
                  (48, b"\x89PNG\r\n\x1a\n" + bytes(100))]
        data = struct.pack("<HHH", 0, 1, len(images))
        offset = 6 + 16 * len(images)
        for size, image in images:
            data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
            offset += len(image)
        scrtest.write_file(ico, data + b"".join(i for _, i in images))
        plain, branded = self.out("plain-setup.exe"), self.out("branded.exe")
        base = ["--scr", self.scr, "--title", "Fish", "--stub", setup]
        self.assertEqual(self.scrpack("build", "-o", plain, *base)[0], 0)
        code, _, err = self.scrpack("build", "-o", branded, *base, "--icon", ico, "--version",
                                    "1.2", "--publisher", "Fish Ltd")
        self.assertEqual(code, 0, err)
        self.assertNotIn("--icon", err)
        stub = scrtest.read_file(setup)
        image = scrtest.read_file(branded)[:self.inspect(branded)["blocks"]["program_image"]["size"]]
        # The sections' bytes stay; the headers and one new section change.
        self.assertEqual(image[0x400:len(stub)], stub[0x400:])
        self.assertEqual(len(image) % 512, 0)
        self.assertEqual(self.inspect(branded)["problems"], [])
        if wrestool:
            code, listing, err = scrtest.run_bounded([wrestool, "-l", branded], timeout=60)
            self.assertEqual(code, 0, err)
            kinds = sorted(l.split()[0] + " " + l.split()[1] for l in listing.splitlines())
            self.assertEqual(kinds, ["--type=14 --name=1", "--type=16 --name=1", "--type=24 --name=1",
                                     "--type=3 --name=1", "--type=3 --name=2", "--type=3 --name=3"])
            for name, (_, image_bytes) in zip((1, 2, 3), images):
                code, raw, _ = self.scrpack_raw(wrestool, "-x", "--raw", "--type=3",
                                                "--name=%d" % name, branded)
                self.assertEqual(raw, image_bytes)
            # The manifest is the bare program's.
            self.assertEqual(self.scrpack_raw(wrestool, "-x", "--raw", "--type=24", branded)[1],
                             self.scrpack_raw(wrestool, "-x", "--raw", "--type=24", plain)[1])
            version = self.scrpack_raw(wrestool, "-x", "--raw", "--type=16", branded)[1]
            for text in ("VS_VERSION_INFO", "CompanyName", "Fish Ltd", "FileVersion", "1.2.0.0",
                         "ProductName", "Fish", "OriginalFilename", "branded.exe"):
                self.assertIn(text.encode("utf-16-le"), version)
        # Signed after the build, as the README says: the signature verifies
        # and the package still reads back whole behind it.
        if shutil.which("osslsigncode") and shutil.which("openssl"):
            key, cert = os.path.join(self.dir, "key.pem"), os.path.join(self.dir, "cert.pem")
            code, _, err = scrtest.run_bounded(
                ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out",
                 cert, "-days", "2", "-subj", "/CN=Test Author", "-addext",
                 "extendedKeyUsage=codeSigning"], timeout=60, log_dir=self.logs, name="openssl")
            self.assertEqual(code, 0, err)
            signed = self.out("branded-signed.exe")
            code, out, err = scrtest.run_bounded(
                ["osslsigncode", "sign", "-certs", cert, "-key", key, "-h", "sha256", "-in", branded,
                 "-out", signed], timeout=60, log_dir=self.logs, name="osslsigncode")
            self.assertEqual(code, 0, out + err)
            code, out, err = scrtest.run_bounded(
                ["osslsigncode", "verify", "-in", signed, "-CAfile", cert], timeout=60,
                log_dir=self.logs, name="osslsigncode")
            self.assertEqual(code, 0, out + err)
            j = self.inspect(signed)
            self.assertEqual((j["problems"], j["blocks"]), ([], self.inspect(branded)["blocks"]))
            self.assertGreater(j["appended_bytes"], 0)
        # The x86-64 test build's program (PE32+) takes them the same way.
        setup64 = os.path.join(scrtest.WIN64, "setup.exe")
        if wrestool and os.path.exists(setup64):
            out64 = self.out("branded64.exe")
            code, _, err = self.scrpack("build", "-o", out64, "--scr", self.scr, "--title", "Fish",
                                        "--stub", setup64, "--icon", ico, "--version", "3")
            self.assertEqual(code, 0, err)
            listing = scrtest.run_bounded([wrestool, "-l", out64], timeout=60)[1]
            for kind in ("--type=14 --name=1", "--type=16 --name=1", "--type=24 --name=1"):
                self.assertIn(kind, listing)
        # A PNG-only icon gets the warning; a damaged one and a bad version an error.
        png_only = scrtest.write_file(os.path.join(self.dir, "png.ico"),
                                      struct.pack("<HHHBBBBHHII", 0, 1, 1, 48, 48, 0, 0, 1, 32, 108, 22)
                                      + images[2][1])
        code, _, err = self.scrpack("build", "-o", branded, *base, "--icon", png_only)
        self.assertEqual(code, 0, err)
        self.assertIn("has no 16x16 or 32x32 bitmap image", err)
        broken = scrtest.write_file(os.path.join(self.dir, "broken.ico"), data[:40])
        code, _, err = self.scrpack("build", "-o", branded, *base, "--icon", broken, "--version",
                                    "1.2.3.4.5")
        self.assertEqual(code, 1, err)
        self.assertIn("damaged icon file", err)
        self.assertIn('--version: "1.2.3.4.5" is no version', err)

    def test_a_stubs_resources_named_by_strings_keep_their_names(self):
        # The built-in setup program numbers all its resources; a stub of the
        # author's may name some, and the rewritten directory must keep them.
        wrestool = shutil.which("wrestool")
        windres = shutil.which("i686-w64-mingw32-windres")
        gcc = shutil.which("i686-w64-mingw32-gcc")
        if not (wrestool and windres and gcc):
            self.skipTest("needs wrestool and the i686 MinGW-w64 toolchain")
        blobs = {"ALPHA": b"first named", "OMEGA": b"second named", "7": b"numbered",
                 "KIND": b"of a named type"}
        for name, data in blobs.items():
            scrtest.write_file(os.path.join(self.dir, name + ".bin"), data)
        scrtest.write_file(os.path.join(self.dir, "named.c"), b"int main(void) { return 0; }\n")
        scrtest.write_file(os.path.join(self.dir, "named.rc"),
                           b'OMEGA RCDATA "OMEGA.bin"\n7 RCDATA "7.bin"\n'
                           b'ALPHA RCDATA "ALPHA.bin"\nTHING KIND "KIND.bin"\n')
        stub = self.out("named.exe")
        for argv in ([windres, "named.rc", "-O", "coff", "-o", "named.res.o"],
                     [gcc, "-s", "-o", stub, "named.c", "named.res.o"]):
            code, out, err = scrtest.run_bounded(argv, timeout=120, cwd=self.dir,
                                                 log_dir=self.logs, name="toolchain")
            self.assertEqual(code, 0, out + err)
        ico = scrtest.write_file(os.path.join(self.dir, "named.ico"),
                                 struct.pack("<HHHBBBBHHII", 0, 1, 1, 16, 16, 0, 0, 1, 32, 1128, 22)
                                 + bytes(1128))
        branded = self.out("named-branded.exe")
        code, _, err = self.scrpack("build", "-o", branded, "--scr", self.scr, "--title", "Fish",
                                    "--stub", stub, "--icon", ico, "--version", "1.2")
        self.assertEqual(code, 0, err)
        code, listing, err = scrtest.run_bounded([wrestool, "-l", branded], timeout=60)
        self.assertEqual(code, 0, err)
        # Named entries first, in the order the loader searches them.
        rcdata = [l.split()[1] for l in listing.splitlines() if l.startswith("--type=10 ")]
        self.assertEqual(rcdata, ["--name='ALPHA'", "--name='OMEGA'", "--name=7"])
        for kind, name in (("10", "ALPHA"), ("10", "OMEGA"), ("10", "7"), ("KIND", "THING")):
            code, raw, _ = self.scrpack_raw(wrestool, "-x", "--raw", "--type=" + kind,
                                            "--name=" + name, branded)
            self.assertEqual(raw, blobs[name if kind == "10" else kind], (kind, name))

    def scrpack_raw(self, *argv):
        result = subprocess.run(["timeout", "60"] + list(argv), stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)
        return result.returncode, result.stdout, result.stderr

    # ---- damaged files ----

    def damaged(self, name, data):
        path = self.out(name)
        scrtest.write_file(path, data)
        return path

    def test_damaged_files_are_reported_not_crashed_on(self):
        good_path = self.out("good.exe")
        code, _, err = self.scrpack("build", "-o", good_path, "--scr", self.scr, "--title", "Fish",
                                    "--readme", self.readme, "--language", self.language,
                                    "--stub", self.stub)
        self.assertEqual(code, 0, err)
        good = scrtest.read_file(good_path)
        rec = len(good) - TAIL

        def with_int(offset, value, data=good):
            return data[:rec + offset] + struct.pack("<i", value) + data[rec + offset + 4:]

        cases = {
            "empty": (b"", "bytes"),
            "five": (b"MZ\x90\x00\x03", "bytes"),
            "no-trailer": (good[:-1], "no trailer"),
            "trailer-only": (b"x" * 50 + SETUP_TRAILER, "record"),
            "negative-language": (with_int(412, -1), "LanguageSize is negative"),
            "huge-language": (with_int(412, 0x7FFFFFFF), "LanguageSize"),
            "negative-readme": (with_int(404, -7), "ReadmeSize is negative"),
            "huge-text": (with_int(400, 0x7FFFFFFF), "TextBlocksSize"),
            "negative-text": (with_int(400, -2147483648), "TextBlocksSize is negative"),
            "small-package": (with_int(0, 100), "PackageSize"),
            "huge-package": (with_int(0, 0x7FFFFFFF), "PackageSize"),
            "negative-package": (with_int(0, -5), "PackageSize"),
            # The download was cut after the screensaver, which carries its
            # own data ending in the same trailer: the record found is garbage.
            "trailer-in-screensaver": (good[:200] + b"\x00" * 2000 + SETUP_TRAILER + b"\x00" * 500,
                                       "PackageSize"),
        }
        bad_signature = good[:rec + 920] + b"SCRSet.siX\x00" + good[rec + 931:-10] + UNINSTALLER_TRAILER
        cases["uninstaller-bad-signature"] = (bad_signature, "RecordSignature")
        # Bytes above 127 in the quoted signature: still valid JSON.
        high_signature = good[:rec + 920] + b"SCR\xf7\xb8.sig\x81\x00" + good[rec + 931:-10] + UNINSTALLER_TRAILER
        cases["uninstaller-signature-high-bytes"] = (high_signature, "RecordSignature")
        for name, (data, word) in cases.items():
            with self.subTest(name=name):
                path = self.damaged(name + ".exe", data)
                for args in (["inspect", path, "--json"], ["inspect", path]):
                    code, out, err = self.scrpack(*args)
                    self.assertEqual(code, 3, out + err)      # not 134/139: no crash
                    self.assertIn(word, out)
                j = json.loads(self.scrpack("inspect", path, "--json")[1])
                self.assertEqual(j["run_kind"], "invalid")
                self.assertEqual(j["file_size"], len(data))
                self.assertTrue(j["problems"])

        # A stale PackageSize is normal in an uninstaller copy.
        copy = with_int(0, 0x7FFFFFFF)[:-10] + UNINSTALLER_TRAILER
        j = self.inspect(self.damaged("copy.exe", copy))
        self.assertEqual((j["run_kind"], j["problems"]), ("uninstall", []))
        self.assertIsNone(j["blocks"]["screensaver"])
        self.assertEqual(j["language"][0], {"name": "Next", "value": "Weiter"})

        # A setup file loads without the record signature: a warning, not a problem.
        j = self.inspect(self.damaged("nosig.exe", good[:rec + 920] + b"\x00" * 11 + good[rec + 931:]))
        self.assertEqual((j["run_kind"], j["problems"]), ("setup", []))
        self.assertTrue(any("RecordSignature" in w for w in j["warnings"]))
        j = self.inspect(self.damaged("highsig.exe", good[:rec + 920] + b"\xe4\xf6\xfc" + b"\x00" * 8 +
                                      good[rec + 931:]))
        self.assertEqual((j["run_kind"], j["problems"]), ("setup", []))
        self.assertTrue(any('RecordSignature is "\xe4\xf6\xfc"' in w for w in j["warnings"]), j["warnings"])


if __name__ == "__main__":
    scrtest.main()
