"""Package loading of the real setup.exe under Wine: programs whose package
is missing, cut short or damaged end with exit code 1, write nothing, show
nothing in silent mode, and otherwise show the one corrupted-file report
(translated when the language block was already read) until it is closed.
A package with bytes appended after its trailer installs exactly as the
same package without them.

One win32 prefix for the whole suite, under one private Xvfb display, so
that a window or message box that should not appear would be seen (without a
display a message box fails at once and proves nothing).

    SCR_WIN32=build/win32 SCR_HOST=build/host python3 tests/e2e/test_loading.py
"""

import os
import random
import subprocess
import time
import unittest

import pe_fields
import scrtest

CAPTION = "Screensaver Setup"
CORRUPTED = "The file is corrupted. Setup can not continue."
# A translation with a byte above 127 (Windows-1252 "ä"): passed through
# byte for byte from the language block into the box.
CORRUPTED_DE = b"Die Datei ist besch\xe4digt. Setup kann nicht fortfahren.".decode("latin-1")
RUN_TIMEOUT = 40
SCREENSAVER_SIZE = 64 * 1024
README = b"Erste Zeile\r\nzweite Zeile\r\n"
LICENSE = b"Lizenz\r\n"
LANGUAGE = b"Setup\r\nReadme=Liesmich\r\nUninstall=Entfernen\r\n"


def trailer(kind):
    # Built at run time: this script's bytes do not hold the trailers.
    return ("SCRB" + "ui.sig" if kind == "setup" else "ScU" + "nin.sig").encode("ascii")


def screensaver_bytes(size):
    """A stand-in screensaver without either trailer inside."""
    rnd = random.Random(20261208)
    data = bytearray(b"MZ" + bytes(rnd.getrandbits(8) for _ in range(size - 2)))
    for kind in ("setup", "uninstall"):
        assert trailer(kind) not in data
    return bytes(data)


class LoadingTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.setup_exe = scrtest.program_file("setup.exe")
        cls.scrpack = scrtest.host_file("scrpack")
        scrtest.require_files(cls.setup_exe, cls.scrpack)
        cls.prefix = scrtest.Prefix(scrtest.work_dir("loading"))
        cls.prefix.create()
        # Packages live outside drive_c, so that the snapshots see only what
        # the setup writes.
        cls.files = os.path.join(cls.prefix.folder, "files")
        os.makedirs(cls.files)
        cls.packages = cls.make_packages()
        cls.display = scrtest.Display(cls.prefix)
        cls.display.__enter__()

    @classmethod
    def tearDownClass(cls):
        try:
            cls.display.__exit__(None, None, None)
        finally:
            cls.prefix.close()

    @classmethod
    def pack(cls, name, *options):
        out = os.path.join(cls.files, name)
        scr = scrtest.write_file(os.path.join(cls.files, "saver.scr"),
                                 screensaver_bytes(SCREENSAVER_SIZE))
        code, stdout, stderr = scrtest.run_bounded(
            [cls.scrpack, "build", "-o", out, "--scr", scr, "--title", "Loading Test",
             "--stub", cls.setup_exe] + list(options),
            timeout=60, log_dir=cls.prefix.logs, name="scrpack")
        if code != 0:
            raise AssertionError("scrpack failed (%d): %s %s" % (code, stdout, stderr))
        return out

    @classmethod
    def make_packages(cls):
        p = {}
        whole = scrtest.read_file(cls.pack("whole.exe"))
        assert whole.endswith(trailer("setup"))
        # Cut in the middle of the screensaver: no trailer anywhere, the
        # backward search runs through the whole file.
        cut = len(whole) - 946 - 32 * 1024
        p["truncated"] = scrtest.write_file(os.path.join(cls.files, "truncated.exe"), whole[:cut])

        lang = scrtest.write_file(
            os.path.join(cls.files, "lang.txt"),
            b"Setup\r\n" + CORRUPTED.encode("ascii") + b"=" + CORRUPTED_DE.encode("latin-1") +
            b"\r\n")
        translated = bytearray(scrtest.read_file(cls.pack("translated.exe", "--language", lang)))
        # An uninstaller copy whose record signature is wrong: the language
        # block is read before the run kind is decided, so the report comes
        # out translated.
        end = len(translated)
        translated[end - 10:end] = trailer("uninstall")
        sig = end - 946 + 920
        assert translated[sig:sig + 11] == b"SCRSet.sig\0"
        translated[sig:sig + 11] = b"SCRXxx.sig\0"
        p["bad_uninstaller"] = scrtest.write_file(os.path.join(cls.files, "bad_uninst.exe"),
                                                  bytes(translated))

        # A package with all three text blocks, whose names show that the
        # record and the language block were read: the file name is cut by
        # the rule of Windows 2000 and later, "Readme" and "Uninstall" are
        # translated.
        f = lambda name, data: scrtest.write_file(os.path.join(cls.files, name), data)  # noqa: E731
        full = cls.pack("full.exe", "--file-name", "Loading Fish.scr",
                        "--readme", f("readme.txt", README),
                        "--license", f("license.txt", LICENSE),
                        "--language", f("lang_full.txt", LANGUAGE))
        p["full"] = full
        # 5,000 bytes that hold neither trailer (both begin with "S"), as a
        # signature block added after publishing would.
        rnd = random.Random(5000)
        tail = bytes(rnd.getrandbits(8) for _ in range(5000)).replace(b"S", b"s")
        p["full_appended"] = f("full_appended.exe", scrtest.read_file(full) + tail)
        return p

    # --- helpers ---
    def run_silent(self, exe, *args):
        """Runs `exe -silent [args]`, watching for windows while it runs.
        Returns (exit code, captions of the windows seen)."""
        seen = set()
        proc = self.prefix.start(exe, ["-silent"] + list(args), timeout=RUN_TIMEOUT)
        deadline = time.monotonic() + RUN_TIMEOUT
        while proc.poll() is None and time.monotonic() < deadline:
            for w in self.prefix.windows():
                seen.add(w.text)
            for wid in self.display.find_windows("."):
                seen.add(self.display.window_name(wid))
            time.sleep(0.2)
        code = proc.wait(5)
        return code, seen

    def assert_silent_failure(self, exe):
        before = self.prefix.snapshot()
        code, seen = self.run_silent(exe)
        self.assertEqual(code, 1)
        self.assertEqual(sorted(x for x in seen if x), [], "windows shown in silent mode")
        self.assertEqual(scrtest.diff(before, self.prefix.snapshot()), [])

    def assert_report(self, exe, text, close):
        """Starts `exe` without switches; expects the corrupted-file box with
        `text`, closes it with `close(box)`, expects exit code 1 and no change."""
        before = self.prefix.snapshot()
        proc = self.prefix.start(exe, [], timeout=RUN_TIMEOUT)
        try:
            wids = self.display.find_windows("^%s$" % CAPTION, timeout=20)
            self.assertEqual(len(wids), 1, "no single window named %r" % CAPTION)
            boxes = self.prefix.wait_windows(CAPTION, timeout=10, proc=proc)
            self.assertEqual(len(boxes), 1)
            box = boxes[0]
            self.assertEqual(box.cls, "#32770", "not a message box")
            self.assertIn(text, box.texts())
            buttons = [c.text for c in box.children if c.cls.lower() == "button"]
            self.assertEqual(buttons, ["OK"])
            # The box waits for an answer: the program must still be there.
            time.sleep(0.5)
            self.assertIsNone(proc.poll(), "the program did not wait for the box")
            close(wids[0], box)
            code = proc.wait(15)
        finally:
            proc.kill()
        self.assertEqual(code, 1)
        self.assertEqual(self.display.find_windows("^%s$" % CAPTION), [])
        self.assertEqual(scrtest.diff(before, self.prefix.snapshot()), [])

    # --- cases ---
    def test_bare_program_silent_ends_with_1_and_changes_nothing(self):
        self.assert_silent_failure(self.setup_exe)

    def test_truncated_package_silent_ends_with_1_and_changes_nothing(self):
        self.assert_silent_failure(self.packages["truncated"])

    def test_damaged_uninstaller_silent_ends_with_1_and_changes_nothing(self):
        self.assert_silent_failure(self.packages["bad_uninstaller"])

    def test_truncated_package_reports_corruption_until_return(self):
        self.assert_report(self.packages["truncated"], CORRUPTED,
                           lambda wid, box: self.display.key(wid, "Return"))

    def test_bare_program_reports_corruption_until_closed(self):
        self.assert_report(self.setup_exe, CORRUPTED,
                           lambda wid, box: self.prefix.close_window(box.hwnd))

    def test_damaged_uninstaller_reports_in_the_package_language(self):
        self.assert_report(self.packages["bad_uninstaller"], CORRUPTED_DE,
                           lambda wid, box: self.display.key(wid, "Escape"))

    def test_appended_bytes_install_the_same_files(self):
        # Each file installed silently into a folder of its own.
        installed = {}
        for key, folder in (("full", "C:\\A"), ("full_appended", "C:\\B")):
            code, seen = self.run_silent(self.packages[key], folder)
            self.assertEqual(code, 0, key)
            self.assertEqual(sorted(x for x in seen if x), [], "windows shown in silent mode")
            unix = self.prefix.unix_path(folder)
            installed[key] = {name: scrtest.read_file(os.path.join(unix, name))
                              for name in os.listdir(unix)}
        names = {"Loading_.scr", "Loading Test Liesmich.txt", "entfernen Loading_.exe"}
        self.assertEqual(set(installed["full"]), names)
        self.assertEqual(set(installed["full_appended"]), names)
        for name in sorted(names):
            self.assertEqual(installed["full"][name], installed["full_appended"][name], name)

        files = installed["full_appended"]
        self.assertEqual(files["Loading_.scr"], screensaver_bytes(SCREENSAVER_SIZE))
        self.assertEqual(files["Loading Test Liesmich.txt"], README)
        # The uninstaller copy: program image, the three text blocks, the
        # record, the uninstaller trailer, and nothing of the appended bytes.
        package = scrtest.read_file(self.packages["full"])
        copy = files["entfernen Loading_.exe"]
        setup = scrtest.read_file(self.setup_exe)
        self.assertEqual(len(copy), len(package) - SCREENSAVER_SIZE)
        self.assertEqual(copy[:len(setup)], pe_fields.cleared(setup))
        self.assertEqual(copy[len(setup):-946], README + LICENSE + LANGUAGE)
        self.assertEqual(copy[-10:], trailer("uninstall"))
        # The record as loaded: the file name after the rule, the rest as stored.
        self.assertEqual(copy[-946 + 4:-946 + 4 + 13], b"Loading_.scr\0")
        self.assertEqual(copy[-946 + 260:-10], package[-946 + 260:-10])

    def test_file_name_rule_follows_the_reported_windows_version(self):
        # The rule cuts and replaces only from Windows 2000 on; Windows 98
        # (and NT 4) keep the stored name, long and with its blank.
        try:
            for version, folder, expected in (("win98", "C:\\V98", "Loading Fish.scr"),
                                              ("nt40", "C:\\VNT4", "Loading Fish.scr"),
                                              ("win2k", "C:\\V2K", "Loading_.scr")):
                self.assertTrue(self.prefix.set_windows_version(version), version)
                code, _ = self.run_silent(self.packages["full"], folder)
                self.assertEqual(code, 0, version)
                names = os.listdir(self.prefix.unix_path(folder))
                self.assertIn(expected, names, version)
                self.assertEqual(scrtest.read_file(
                    os.path.join(self.prefix.unix_path(folder), expected)),
                    screensaver_bytes(SCREENSAVER_SIZE), version)
        finally:
            self.prefix.set_windows_version(None)


if __name__ == "__main__":
    scrtest.main()
