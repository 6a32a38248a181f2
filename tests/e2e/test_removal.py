"""Removal end to end under Wine: install a packed screensaver silently, then
uninstall it the way Windows does, by running the command line stored in
the uninstall entry, and compare the prefix with its state before the
install.  One prefix for the suite; every case installs its own title.

A copy of the fresh prefix runs the deferred removal on a file that can
never be deleted, alongside the other cases: it waits out its whole bound
(a minute), so it is started first and collected last.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pe_fields  # noqa: E402
import scrtest  # noqa: E402

UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
PLAYER_KEY = r"HKCU\Software\Quorvane"
SESSION_MANAGER = r"HKLM\System\CurrentControlSet\Control\Session Manager"
PENDING = "PendingFileRenameOperations"
# What Wine itself writes: its display driver on every session start, and
# its console host the first time a console program (the UI driver) runs.
WINE_NOISE = (r"HKLM\System\CurrentControlSet\Control\Class", r"HKCU\Console")
# The temporary copy of an elevated uninstall (Wine gives a program whose
# manifest asks for the highest available rights an elevated token): a new
# folder of the Windows folder's Temp that only administrators and SYSTEM
# may change, and the copy in it.
TEMP_COPY = re.compile(r"^windows/temp/ZEROveruziuninst(0|[1-9][0-9]{0,6})/"
                       r"(ZEROveruziuninst(0|[1-9][0-9]{0,6})\.exe)?$")

# The bound of the deferred removal (remove/deferred_removal.h) and what a
# waiting that does not spin may cost in processor time over it.
DEFERRED_BOUND_S = 60
DEFERRED_CPU_LIMIT_S = 6.0

GERMAN = (
    "Setup\r\n"
    "Preview=Vorschau\r\n"
    "Readme=Liesmich\r\n"
    "Uninstall=Deinstallieren\r\n"
)


def changes(before, after):
    return scrtest.diff(before, after, ignore_keys=WINE_NOISE)


def corrupt(path, offset_from_end, byte):
    """Overwrites one byte, counted back from the end of the file."""
    data = bytearray(scrtest.read_file(path))
    data[len(data) - offset_from_end] = byte
    scrtest.write_file(path, bytes(data))


class RemovalTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = scrtest.work_dir("removal")
        cls.setup_exe = scrtest.program_file("setup.exe")
        cls.scrpack = scrtest.host_file("scrpack")
        scrtest.require_files(cls.setup_exe, cls.scrpack, scrtest.program_file("uidriver.exe"),
                              scrtest.program_file("reglink.exe"))
        cls.prefix = scrtest.Prefix(os.path.join(cls.work, "main")).create()
        cls.deferred = None
        try:
            cls._start_deferred_give_up()
        except Exception:
            cls.prefix.close()
            raise

    @classmethod
    def tearDownClass(cls):
        if cls.deferred:
            proc, prefix, thread = cls.deferred[0], cls.deferred[1], cls.deferred[2]
            if thread.is_alive():
                try:
                    os.killpg(proc.pid, 9)
                except OSError:
                    pass
                thread.join(10)
            prefix.close()
        cls.prefix.close()

    # ---- helpers ----

    def pack(self, title, readme=True, language=None, dest="<Windows>\\", sub="", flags=None):
        """A setup file for `title` whose screensaver is a plain (non-PE)
        stand-in, so that the shell's install verb starts nothing."""
        folder = os.path.join(self.work, "pkg", re.sub(r"[^A-Za-z0-9]", "_", title))
        scr = scrtest.write_file(os.path.join(folder, "saver.scr"),
                                 ("screensaver %s\n" % title).encode() * 200)
        out = os.path.join(folder, "setup.exe")
        argv = [self.scrpack, "build", "-o", out, "--scr", scr, "--title", title,
                "--file-name", title.replace(" ", "") + ".scr", "--stub", self.setup_exe,
                "--dest-folder", dest, "--dest-subfolder", sub]
        if readme:
            argv += ["--readme", scrtest.write_file(os.path.join(folder, "readme.txt"),
                                                    "About %s.\r\n" % title)]
        if language:
            argv += ["--language", scrtest.write_file(os.path.join(folder, "lang.txt"), language)]
        argv += flags if flags is not None else ["--uninstall-entry", "--start-menu-group",
                                                 "--desktop-shortcut"]
        code, out_text, err = scrtest.run_bounded(argv, timeout=30, log_dir=self.prefix.logs,
                                                  name="scrpack")
        self.assertEqual(code, 0, err + out_text)
        return out

    def install(self, setup):
        code, _, err = self.prefix.run(setup, ["-silent"], timeout=60)
        self.assertEqual(code, 0, "silent install failed: " + err[-2000:])

    def uninstall_command(self, title):
        """The entry's UninstallString, split as Windows splits it: a quoted
        path (the entry always quotes it)."""
        reg = self.prefix.registry()
        command = reg.get_value(UNINSTALL_KEY + "\\" + title, "UninstallString")
        self.assertIsNotNone(command, "no uninstall entry for " + title)
        m = re.match(r'^"([^"]+)"$', command)
        self.assertTrue(m, "UninstallString not a quoted path: %r" % command)
        return m.group(1)

    def programs(self, *parts):
        return "\\".join((scrtest.Prefix.PROGRAMS,) + parts)

    def desktop(self, name):
        return scrtest.Prefix.DESKTOP + "\\" + name

    def installed_pieces(self, title, folder, preview="Preview", readme="Readme",
                         uninstall="Uninstall", with_readme=True):
        """Windows paths of the files an install of `title` leaves."""
        pieces = [folder + "\\" + title.replace(" ", "") + ".scr",
                  self.programs(title, "%s %s.lnk" % (preview, title)),
                  self.programs(title, "%s %s.lnk" % (uninstall, title)),
                  self.desktop("%s %s.lnk" % (preview, title))]
        if with_readme:
            pieces += [folder + "\\%s %s.txt" % (title, readme),
                       self.programs(title, readme + ".lnk")]
        return pieces

    def assert_only_expected_changes(self, before, after, title, allowed=()):
        """Nothing left of the screensaver but its emptied player key and the
        temporary copy waiting for the restart."""
        found = changes(before, after)
        left = []
        copies = []
        for line in found:
            if line in ("+key %s" % PLAYER_KEY, "+key %s\\%s" % (PLAYER_KEY, title)):
                continue
            # Operations waiting for the restart, this case's and those of
            # earlier cases carried out by a new session meanwhile.
            if re.match(r"^[-+~]value %s \[%s\]" % (re.escape(SESSION_MANAGER), PENDING), line):
                continue
            m = re.match(r"^([-+])file (.*)$", line)
            if m and TEMP_COPY.match(m.group(2)):
                if m.group(1) == "+" and m.group(2).endswith(".exe"):
                    copies.append(m.group(2))
                continue
            if line in allowed:
                continue
            left.append(line)
        self.maxDiff = None
        self.assertEqual(left, [], "left behind or changed by the round trip")
        self.assertEqual(after.registry.values(PLAYER_KEY + "\\" + title), {})
        self.assertEqual(len(copies), 1, "one temporary copy waits for the restart: %r" % found)
        return copies[0]

    def pending_operations(self, reg):
        value = reg.get_value(SESSION_MANAGER, PENDING) or ""
        if isinstance(value, bytes):
            value = value.decode("utf-16-le", "replace")
        return [p for p in value.split("\0") if p]

    def reboot(self, prefix=None):
        prefix = prefix or self.prefix
        code, _, err = scrtest.run_bounded([scrtest.WINE, "wineboot", "-r"], timeout=60, env=prefix.env(),
                                           log_dir=prefix.logs, name="wineboot-r")
        self.assertEqual(code, 0, err)
        prefix.wait_server()

    # ---- silent cases ----

    def test_1_silent_round_trip(self):
        before = self.prefix.snapshot()
        self.install(self.pack("Aquarium"))
        pieces = self.installed_pieces("Aquarium", scrtest.Prefix.WINDOWS)
        for piece in pieces:
            self.assertTrue(self.prefix.exists(piece), piece + " not installed")
        uninstaller = self.uninstall_command("Aquarium")

        code, _, err = self.prefix.run(uninstaller, ["-silent"], timeout=60)
        self.assertEqual(code, 0, err[-2000:])
        after = self.prefix.snapshot()  # waits for the temporary copy to end
        for piece in pieces + [uninstaller]:
            self.assertFalse(self.prefix.exists(piece), piece + " left behind")
        self.assertFalse(after.registry.has_key(UNINSTALL_KEY + "\\Aquarium"))
        self.assertFalse(self.prefix.exists(self.programs("Aquarium")))
        copy = self.assert_only_expected_changes(before, after, "Aquarium")
        copy_win = "C:\\" + copy.replace("/", "\\")
        pending = [p.lower() for p in self.pending_operations(after.registry)]
        marked = [i for i, p in enumerate(pending) if p.endswith(copy_win.lower())]
        self.assertTrue(marked, "temporary copy not marked for the restart: %r" % pending)
        # Its folder after it: a folder goes at the restart only when empty.
        folder_win = copy_win.rsplit("\\", 1)[0].lower()
        self.assertTrue(any(p.endswith(folder_win) for p in pending[marked[0] + 1:]),
                        "the copy's folder not marked after the copy: %r" % pending)

        self.reboot()
        rebooted = self.prefix.snapshot()
        left = [line for line in changes(before, rebooted)
                if line not in ("+key %s" % PLAYER_KEY, "+key %s\\Aquarium" % PLAYER_KEY)
                and PENDING not in line]
        self.assertEqual(left, [], "the restart left the temporary copy behind")
        self.assertFalse(self.prefix.exists(copy_win))
        self.assertFalse(self.prefix.exists(folder_win))

    def test_2_screensaver_deleted_by_hand(self):
        self.install(self.pack("Lagoon"))
        pieces = self.installed_pieces("Lagoon", scrtest.Prefix.WINDOWS)
        os.unlink(self.prefix.unix_path(pieces[0]))
        uninstaller = self.uninstall_command("Lagoon")
        code, _, err = self.prefix.run(uninstaller, ["-silent"], timeout=60)
        self.assertEqual(code, 0, err[-2000:])
        self.prefix.wait_server()
        for piece in pieces + [uninstaller]:
            self.assertFalse(self.prefix.exists(piece), piece + " left behind")
        self.assertFalse(self.prefix.registry().has_key(UNINSTALL_KEY + "\\Lagoon"))

    def test_3_readme_less_package_in_folder_with_blanks(self):
        before = self.prefix.snapshot()
        folder = self.prefix.program_files + "\\Plain Saver"
        self.install(self.pack("Plain", readme=False, dest="<Program Files>\\", sub="Plain Saver"))
        pieces = self.installed_pieces("Plain", folder, with_readme=False)
        for piece in pieces:
            self.assertTrue(self.prefix.exists(piece), piece + " not installed")
        self.assertFalse(self.prefix.exists(self.programs("Plain", "Readme.lnk")))
        uninstaller = self.uninstall_command("Plain")
        self.assertIn(" ", uninstaller)
        code, _, err = self.prefix.run(uninstaller, ["-silent"], timeout=60)
        self.assertEqual(code, 0, err[-2000:])
        after = self.prefix.snapshot()
        for piece in pieces + [uninstaller]:
            self.assertFalse(self.prefix.exists(piece), piece + " left behind")
        # The package's own folder, which the install made, goes with it.
        self.assertFalse(os.path.lexists(self.prefix.unix_path(folder)), folder + " left behind")
        self.assert_only_expected_changes(before, after, "Plain")

        # A folder the user chose stays, emptied.
        chosen = "C:\\Chosen Saver"
        code, _, err = self.prefix.run(self.pack("Plain", readme=False, dest="<Program Files>\\",
                                                 sub="Plain Saver"), ["-silent", chosen], timeout=60)
        self.assertEqual(code, 0, err[-2000:])
        uninstaller = self.uninstall_command("Plain")
        self.assertTrue(uninstaller.lower().startswith(chosen.lower() + "\\"), uninstaller)
        code, _, err = self.prefix.run(uninstaller, ["-silent"], timeout=60)
        self.assertEqual(code, 0, err[-2000:])
        self.prefix.wait_server()
        self.assertFalse(self.prefix.exists(uninstaller), uninstaller + " left behind")
        self.assertEqual(os.listdir(self.prefix.unix_path(chosen)), [])

    def test_4_user_file_keeps_the_group_folder(self):
        self.install(self.pack("Harbor"))
        mine = self.programs("Harbor", "My notes.txt")
        self.prefix.write_file(mine, "mine")
        pieces = self.installed_pieces("Harbor", scrtest.Prefix.WINDOWS)
        uninstaller = self.uninstall_command("Harbor")
        code, _, err = self.prefix.run(uninstaller, ["-silent"], timeout=60)
        self.assertEqual(code, 0, err[-2000:])
        self.prefix.wait_server()
        for piece in pieces + [uninstaller]:
            self.assertFalse(self.prefix.exists(piece), piece + " left behind")
        self.assertTrue(self.prefix.exists(mine))
        self.assertEqual(os.listdir(self.prefix.unix_path(self.programs("Harbor"))), ["My notes.txt"])

    def test_5_translated_package(self):
        self.install(self.pack("Reef", language=GERMAN))
        pieces = self.installed_pieces("Reef", scrtest.Prefix.WINDOWS, "Vorschau", "Liesmich",
                                       "Deinstallieren")
        for piece in pieces:
            self.assertTrue(self.prefix.exists(piece), piece + " not installed")
        uninstaller = self.uninstall_command("Reef")
        code, _, err = self.prefix.run(uninstaller, ["-silent"], timeout=60)
        self.assertEqual(code, 0, err[-2000:])
        self.prefix.wait_server()
        for piece in pieces + [uninstaller]:
            self.assertFalse(self.prefix.exists(piece), piece + " left behind")
        self.assertFalse(self.prefix.exists(self.programs("Reef")))

    def test_6_damaged_copy_removes_nothing(self):
        self.install(self.pack("Broken"))
        pieces = self.installed_pieces("Broken", scrtest.Prefix.WINDOWS)
        uninstaller = self.uninstall_command("Broken")
        path = self.prefix.unix_path(uninstaller)
        good = scrtest.read_file(path)
        try:
            for name, offset in (("record signature", 946 - 920), ("trailer", 1)):
                with self.subTest(name):
                    scrtest.write_file(path, good)
                    corrupt(path, offset, ord("X"))
                    before = self.prefix.snapshot()
                    # Silent: no report, exit code 1 (the report is shown in
                    # the interactive case below).
                    code, _, _ = self.prefix.run(uninstaller, ["-silent"], timeout=60)
                    self.assertEqual(code, 1)
                    self.assertEqual(changes(before, self.prefix.snapshot()), [])
        finally:
            scrtest.write_file(path, good)
        # Repaired, it removes everything.
        code, _, err = self.prefix.run(uninstaller, ["-silent"], timeout=60)
        self.assertEqual(code, 0, err[-2000:])
        self.prefix.wait_server()
        for piece in pieces + [uninstaller]:
            self.assertFalse(self.prefix.exists(piece), piece + " left behind")

    def test_91_signed_setup_makes_a_cleanly_unsigned_uninstaller(self):
        # An author signs the published file after building it; the
        # certificate is appended after the package.
        folder = os.path.join(self.work, "signing")
        os.makedirs(folder, exist_ok=True)
        key, cert = os.path.join(folder, "key.pem"), os.path.join(folder, "cert.pem")
        code, out, err = scrtest.run_bounded(
            ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
             "-out", cert, "-days", "2", "-subj", "/CN=Screensaver Test Author",
             "-addext", "extendedKeyUsage=codeSigning"],
            timeout=60, log_dir=self.prefix.logs, name="openssl")
        self.assertEqual(code, 0, err)
        setup = self.pack("Signet")
        signed = self.prefix.unix_path("C:\\signed setup.exe")
        code, out, err = scrtest.run_bounded(
            ["osslsigncode", "sign", "-certs", cert, "-key", key, "-n", "Signet",
             "-h", "sha256", "-in", setup, "-out", signed],
            timeout=60, log_dir=self.prefix.logs, name="osslsigncode-sign")
        self.assertEqual(code, 0, out + err)
        code, out, err = scrtest.run_bounded(
            ["osslsigncode", "verify", "-in", signed, "-CAfile", cert],
            timeout=60, log_dir=self.prefix.logs, name="osslsigncode-verify")
        self.assertEqual(code, 0, "the signed setup does not verify: " + out + err)
        signed_bytes = scrtest.read_file(signed)
        self.assertNotEqual(pe_fields.signature_fields(signed_bytes)[1], (0, 0))

        before = self.prefix.snapshot()
        self.install(signed)
        pieces = self.installed_pieces("Signet", scrtest.Prefix.WINDOWS)
        for piece in pieces:
            self.assertTrue(self.prefix.exists(piece), piece + " not installed")
        uninstaller = self.uninstall_command("Signet")
        copy = scrtest.read_file(self.prefix.unix_path(uninstaller))
        self.assertEqual(pe_fields.signature_fields(copy), (0, (0, 0)))

        def verify(data, name):
            path = scrtest.write_file(os.path.join(folder, name), data)
            code, out, err = scrtest.run_bounded(
                ["osslsigncode", "verify", "-in", path, "-CAfile", cert],
                timeout=60, log_dir=self.prefix.logs, name="osslsigncode-verify-copy")
            return out + err

        # No signature, rather than a damaged one. (osslsigncode also warns
        # about the checksum 0, which Windows reads as "no checksum".)
        report = verify(copy, "copy.exe")
        self.assertIn("No signature found", report)
        self.assertNotIn("signature not at the end", report)
        # The same copy with the setup file's two fields, as it was written
        # before, is reported as a damaged signature.
        checksum, entry = pe_fields.signature_fields(signed_bytes)
        self.assertIn("signature not at the end",
                      verify(pe_fields.with_fields(copy, checksum, entry), "old-copy.exe"))
        # The setup file itself is never changed.
        self.assertEqual(scrtest.read_file(signed), signed_bytes)

        code, _, err = self.prefix.run(uninstaller, ["-silent"], timeout=60)
        self.assertEqual(code, 0, err[-2000:])
        after = self.prefix.snapshot()
        for piece in pieces + [uninstaller]:
            self.assertFalse(self.prefix.exists(piece), piece + " left behind")
        self.assert_only_expected_changes(before, after, "Signet")

    def test_92_tampered_recorded_path_names_no_file(self):
        # Any program of the user may rewrite the per-user record; the setup
        # and the uninstaller run elevated, here in the Windows folder they
        # share with the system: the record never names the file a reinstall
        # writes or an uninstall deletes.
        setup = self.pack("Keel")
        self.install(setup)
        pieces = self.installed_pieces("Keel", scrtest.Prefix.WINDOWS)
        uninstaller = self.uninstall_command("Keel")
        victims = {"C:\\victim\\thesis.doc": "years of work",
                   "C:\\victim\\Keel Readme.txt": "not the installed readme",
                   "C:\\windows\\system32\\victim.dll": "a system file",
                   "C:\\windows\\victim.exe": "another program of the Windows folder"}
        for path, text in victims.items():
            self.prefix.write_file(path, text)
        for recorded in ("C:\\victim\\thesis.doc", "C:\\windows\\system32\\victim.dll",
                         "C:\\windows\\victim.exe"):
            with self.subTest(recorded):
                self.assertTrue(self.prefix.reg_add(PLAYER_KEY + "\\Keel", "FileName_", recorded))
                self.install(setup)
                self.assertFalse(self.prefix.exists("C:\\windows\\uninstall victim.exe"))
                self.assertTrue(self.prefix.reg_add(PLAYER_KEY + "\\Keel", "FileName_", recorded))
                code, _, err = self.prefix.run(uninstaller, ["-silent"], timeout=60)
                self.assertEqual(code, 0, err[-2000:])
                self.prefix.wait_server()
                for path, text in victims.items():
                    self.assertEqual(scrtest.read_file(self.prefix.unix_path(path)),
                                     text.encode(), path + " changed or deleted")
                for piece in pieces + [uninstaller]:
                    self.assertFalse(self.prefix.exists(piece), piece + " left behind")

    def test_93_registry_links_are_never_followed(self):
        # A program of the user may replace a key of its own hive by a link
        # to a key under HKEY_LOCAL_MACHINE; Wine follows such links as
        # Windows does. The elevated runs delete the link itself and write
        # their record into a real key.
        victim = r"HKLM\Software\Victim"
        setup = self.pack("Moor")
        for place in ("Moor\\PlayList", "Moor"):
            with self.subTest(place):
                self.install(setup)
                uninstaller = self.uninstall_command("Moor")
                self.assertTrue(self.prefix.reg_add(victim, "Keep", "1"))
                self.assertTrue(self.prefix.reg_add(victim + "\\Sub", "Deep", "2"))
                key = PLAYER_KEY + "\\" + place
                self.prefix.reg_delete(key)
                code, out, err = self.prefix.run(
                    scrtest.program_file("reglink.exe"),
                    [key.split("\\", 1)[1], r"\Registry\Machine\Software\Victim"], timeout=30)
                self.assertEqual(code, 0, out + err[-1000:])
                # Wine follows the link: the victim's value reads through it.
                self.assertEqual(self.prefix.reg_query(key, "Keep"), "1")
                if place == "Moor":
                    self.install(setup)  # writes its record where the link was
                    self.assertIsNone(self.prefix.reg_query(victim, "FileName_"))
                code, _, err = self.prefix.run(uninstaller, ["-silent"], timeout=60)
                self.assertEqual(code, 0, err[-2000:])
                self.prefix.wait_server()
                self.assertEqual(self.prefix.reg_query(victim, "Keep"), "1")
                self.assertEqual(self.prefix.reg_query(victim + "\\Sub", "Deep"), "2")
                self.assertIsNone(self.prefix.reg_query(key, "Keep"), "the link is still there")
                self.assertFalse(self.prefix.exists(uninstaller), "uninstaller left behind")

    # ---- interactive cases ----

    def ui(self, *args, timeout=40):
        """Runs the UI driver in the prefix's session; its JSON lines."""
        code, out, err = self.prefix.run(scrtest.program_file("uidriver.exe"), list(args),
                                         timeout=timeout)
        self.assertEqual(code, 0, "uidriver %r: %s %s" % (args, out, err[-1000:]))
        return [json.loads(line) for line in out.splitlines() if line.startswith("{")]

    def test_7_interactive_round_trip(self):
        before = self.prefix.snapshot()
        self.install(self.pack("Coral Bay"))
        pieces = self.installed_pieces("Coral Bay", scrtest.Prefix.WINDOWS)
        uninstaller = self.uninstall_command("Coral Bay")
        with scrtest.Display(self.prefix):
            proc = self.prefix.start(uninstaller, timeout=90)
            box = self.ui("msgbox", "Coral Bay Uninstall", "20000")[0]
            self.assertEqual(box["text"], "Are you sure you want to remove Coral Bay and its components?")
            self.ui("press", "Coral Bay Uninstall", "Yes")
            self.assertEqual(proc.wait(30), 0)
            # The temporary copy deletes the uninstaller first, then says so.
            box = self.ui("msgbox", "Screensaver Setup", "20000")[0]
            self.assertEqual(box["text"], "Coral Bay has been successfully removed from your computer.")
            self.assertFalse(self.prefix.exists(uninstaller))
            self.ui("press", "Screensaver Setup", "OK", "+", "waitgone", "Screensaver Setup", "10000")
            self.assertEqual(self.prefix.wait_server(timeout=30), 0)
        after = self.prefix.snapshot()
        for piece in pieces + [uninstaller]:
            self.assertFalse(self.prefix.exists(piece), piece + " left behind")
        self.assert_only_expected_changes(before, after, "Coral Bay")

    def test_8_interactive_no_and_damaged_report(self):
        self.install(self.pack("Tide Pool"))
        pieces = self.installed_pieces("Tide Pool", scrtest.Prefix.WINDOWS)
        uninstaller = self.uninstall_command("Tide Pool")
        path = self.prefix.unix_path(uninstaller)
        good = scrtest.read_file(path)
        before = self.prefix.snapshot()
        try:
            with scrtest.Display(self.prefix):
                # "No" changes nothing.
                proc = self.prefix.start(uninstaller, timeout=90)
                self.ui("press", "Tide Pool Uninstall", "No", "20000")
                self.assertEqual(proc.wait(30), 2)
                # A damaged record: the corrupted-file report instead of the
                # question.
                corrupt(path, 946 - 920, ord("X"))
                proc = self.prefix.start(uninstaller, timeout=90)
                box = self.ui("msgbox", "Screensaver Setup", "20000")[0]
                self.assertEqual(box["text"], "The file is corrupted. Setup can not continue.")
                self.ui("press", "Screensaver Setup", "OK")
                self.assertEqual(proc.wait(30), 1)
        finally:
            scrtest.write_file(path, good)
        self.assertEqual(changes(before, self.prefix.snapshot()), [])
        for piece in pieces + [uninstaller]:
            self.assertTrue(self.prefix.exists(piece), piece + " removed")

    # ---- deferred removal that gives up ----

    @classmethod
    def _start_deferred_give_up(cls):
        """Copies the fresh prefix and starts, in the copy, the deferred
        removal of a read-only file (which Windows refuses to delete)."""
        folder = os.path.join(cls.work, "deferred")
        os.makedirs(folder)
        shutil.copytree(cls.prefix.path, os.path.join(folder, "pfx"), symlinks=True)
        prefix = scrtest.Prefix(folder)
        for d in (prefix.home, prefix.logs):
            os.makedirs(d, exist_ok=True)
        target = "C:\\locked\\never.txt"
        os.chmod(prefix.write_file(target, "held"), 0o444)
        copy = scrtest.Prefix.TEMP + "\\ZEROveruziuninst4711.exe"
        shutil.copyfile(cls.setup_exe, prefix.unix_path(scrtest.Prefix.TEMP) + "/ZEROveruziuninst4711.exe")
        out = open(os.path.join(prefix.logs, "delfile.out"), "wb")
        err = open(os.path.join(prefix.logs, "delfile.err"), "wb")
        argv = ["timeout", "-k", "5", str(DEFERRED_BOUND_S + 60), scrtest.WINE, copy,
                "-delfile", target, "Screensaver Setup", "Removed."]
        proc = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                env=prefix.env(), start_new_session=True)
        out.close()
        err.close()
        watch = {"started": time.monotonic(), "ended": None, "status": None, "usage": None,
                 "server_cpu": 0.0}
        deadline = watch["started"] + DEFERRED_BOUND_S + 60

        def watcher():
            # Reaps the process the moment it ends (its CPU time comes with
            # it) and samples the prefix's wineserver while it runs: the
            # server ends soon after its last client.
            while time.monotonic() < deadline:
                watch["server_cpu"] = max(watch["server_cpu"], cls._server_cpu(prefix))
                pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
                if pid:
                    watch.update(ended=time.monotonic(), status=status, usage=usage)
                    return
                time.sleep(0.2)

        thread = threading.Thread(target=watcher, daemon=True)
        thread.start()
        cls.deferred = (proc, prefix, thread, watch, target, copy)

    def test_9_deferred_removal_gives_up_within_its_bound(self):
        proc, prefix, thread, watch, target, copy = self.deferred
        thread.join(DEFERRED_BOUND_S + 90)
        if watch["ended"] is None:
            os.killpg(proc.pid, 9)
            self.fail("the deferred removal did not give up")
        elapsed = watch["ended"] - watch["started"]
        proc.returncode = os.waitstatus_to_exitcode(watch["status"])
        cpu = watch["usage"].ru_utime + watch["usage"].ru_stime
        print("\ndeferred removal: gave up after %.1f s (exit %d), CPU %.2f s, wineserver CPU %.2f s"
              % (elapsed, proc.returncode, cpu, watch["server_cpu"]), file=sys.stderr)
        self.assertEqual(proc.returncode, 6)
        self.assertGreaterEqual(elapsed, DEFERRED_BOUND_S)
        # The bound plus the start of Wine in a busy machine.
        self.assertLess(elapsed, DEFERRED_BOUND_S + 30)
        self.assertLess(cpu + watch["server_cpu"], DEFERRED_CPU_LIMIT_S)
        self.assertTrue(prefix.exists(target))
        pending = [p.lower() for p in self.pending_operations(prefix.registry())]
        for path in (target, copy):
            self.assertTrue(any(p.endswith(path.lower()) for p in pending),
                            "%s not marked for the restart: %r" % (path, pending))

    @staticmethod
    def _server_cpu(prefix):
        """CPU seconds of the prefix's wineserver, while it still runs."""
        tick = os.sysconf("SC_CLK_TCK")
        total = 0.0
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/comm" % pid) as f:
                    if not f.read().startswith("wineserver"):
                        continue
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if ("WINEPREFIX=" + prefix.path).encode() not in f.read().split(b"\0"):
                        continue
                with open("/proc/%s/stat" % pid) as f:
                    fields = f.read().rsplit(")", 1)[1].split()
                total += (int(fields[11]) + int(fields[12])) / tick
            except OSError:
                continue
        return total


if __name__ == "__main__":
    scrtest.main()
