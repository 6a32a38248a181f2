"""End-to-end: the install run of setup.exe under Wine.

Silent installs (default folder, folder from the command line, reinstall,
numbered names, every failure with its exit code), the shell's "install"
verb seen through a recording command, shortcuts read back through
IShellLinkA, a preview-only run that leaves the prefix as it was, the
interactive road through the real window, and the native system folder of a
64-bit prefix.

The packed "screensaver" is a non-PE stand-in: Wine would start a real PE
file instead of carrying out the verb on it.
"""

import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pe_fields  # noqa: E402
import scrtest  # noqa: E402

UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
SETTINGS_KEY = r"HKCU\Software\Quorvane"
TOOLS = "C:\\tools"
# Control ids of the wizard window (101 + the control's place in the layout).
ID_NEXT, ID_TITLE, ID_DIRECTORY, ID_README = 103, 105, 108, 117
UNINSTALLER_TRAILER = b"ScUn" + b"in.sig"


def stand_in(size, seed):
    """Bytes that are no PE file (no "MZ"), different for every seed."""
    block = bytes((seed * 131 + i * 7) % 251 for i in range(4096))
    data = (b"NOTPE-%d-" % seed + block * (size // 4096 + 1))[:size]
    return data


def expected_uninstaller(setup_bytes):
    """The uninstaller copy a setup file implies: its program image (without
    checksum and signature entry), its text-block region, its record and the
    uninstaller trailer."""
    end = len(setup_bytes)
    record = setup_bytes[end - 946:end - 10]
    package_size = int.from_bytes(record[0:4], "little", signed=True)
    text_size = int.from_bytes(record[400:404], "little", signed=True)
    # The image's checksum and security entry are cleared: a signature of
    # the setup file stays behind.
    return (pe_fields.cleared(setup_bytes[:end - package_size]) +
            setup_bytes[end - 946 - text_size:end - 946] + record + UNINSTALLER_TRAILER)


class PrefixSuite(unittest.TestCase):
    """One prefix per class, with the drivers in C:\\tools and the "install"
    verb of .scr files registered to the recorder."""

    arch = None
    suite = "install"

    @classmethod
    def setUpClass(cls):
        cls.prefix = scrtest.Prefix(scrtest.work_dir(cls.suite), arch=cls.arch).create()
        cls.files = os.path.join(cls.prefix.folder, "files")
        os.makedirs(cls.files, exist_ok=True)
        tools = cls.prefix.unix_path("C:\\")
        os.makedirs(os.path.join(tools, "tools"), exist_ok=True)
        # A missing build output fails the suite; it is never a skip.
        for exe in ("verbrec.exe", "linkread.exe", "uidriver.exe", "progwatch.exe", "setscr.exe"):
            shutil.copy(scrtest.program_file(exe), os.path.join(tools, "tools", exe))
        assert cls.prefix.reg_add(r"HKCR\.scr", None, "scrfile")
        assert cls.prefix.reg_add(r"HKCR\scrfile\shell\install\command", None,
                                  '"%s\\verbrec.exe" "%%1"' % TOOLS)
        cls.counter = 0

    @classmethod
    def tearDownClass(cls):
        cls.prefix.close()

    # --- packing ---
    def pack(self, title, scr, file_name=None, readme=None, folder=None, subfolder=None,
             flags=("--uninstall-entry", "--start-menu-group", "--desktop-shortcut"), extra=()):
        """Packs a setup file into C:\\ of the prefix; returns (its Windows
        path, its bytes)."""
        type(self).counter += 1
        n = type(self).counter
        scr_path = scrtest.write_file(os.path.join(self.files, "saver%d.bin" % n), scr)
        argv = scrtest.scrpack_build("-o", self.prefix.unix_path("C:\\setup%d.exe" % n),
                                     "--scr", scr_path, "--title", title)
        if file_name:
            argv += ["--file-name", file_name]
        if readme is not None:
            argv += ["--readme", scrtest.write_file(os.path.join(self.files, "readme%d.txt" % n),
                                                    readme)]
        if folder is not None:
            argv += ["--dest-folder", folder]
        if subfolder is not None:
            argv += ["--dest-subfolder", subfolder]
        # The entry and the group are scrpack's defaults: a piece not asked
        # for is turned off.
        argv += list(flags) + list(extra)
        for piece in ("--uninstall-entry", "--start-menu-group"):
            if piece not in flags:
                argv.append(piece.replace("--", "--no-", 1))
        code, out, err = scrtest.run_bounded(argv, timeout=60, log_dir=self.prefix.logs,
                                             name="scrpack")
        self.assertEqual(code, 0, err)
        win = "C:\\setup%d.exe" % n
        return win, scrtest.read_file(self.prefix.unix_path(win))

    def silent(self, setup, folder=None, timeout=60):
        args = ["-silent"] + ([folder] if folder is not None else [])
        code, out, err = self.prefix.run(setup, args, timeout=timeout)
        return code

    # --- reading back ---
    def read(self, win_path):
        return scrtest.read_file(self.prefix.unix_path(win_path))

    def link(self, win_path):
        """{"path": ..., "icon": ...} of a shell link, through IShellLinkA."""
        code, out, err = self.prefix.run(TOOLS + "\\linkread.exe", [win_path], timeout=30)
        self.assertEqual(code, 0, "%s: %s" % (win_path, err))
        return dict(line.split("=", 1) for line in out.replace("\r", "").splitlines() if "=" in line)

    def verb_log(self):
        path = self.prefix.unix_path(TOOLS + "\\verbrec.log")
        return scrtest.read_file(path).decode("latin-1") if os.path.exists(path) else ""

    def wait_for_verb(self, needle, timeout=15):
        """The recorder runs on its own: wait until it has logged `needle`."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if needle in self.verb_log():
                return True
            time.sleep(0.2)
        return False

    def assert_nothing_for(self, title, folder):
        """No screensaver, no entry, no record for a failed install."""
        self.assertIsNone(self.prefix.reg_query(UNINSTALL_KEY + "\\" + title, "DisplayName"))
        self.assertIsNone(self.prefix.reg_query(SETTINGS_KEY + "\\" + title, "FileName_"))
        if self.prefix.exists(folder):
            unix = self.prefix.unix_path(folder)
            leftovers = [f for f in os.listdir(unix)
                         if f.lower().endswith(".scr") and os.path.isfile(os.path.join(unix, f))]
            self.assertEqual(leftovers, [])


class InstallTest(PrefixSuite):
    """A 32-bit prefix: silent runs first, then the road through the real
    window, driven by uidriver."""

    suite = "install"

    def test_silent_default_folder_installs_every_piece(self):
        scr = stand_in(300001, 1)
        setup, setup_bytes = self.pack("Stand In", scr, "StandIn.scr", readme="one\ntwo\rthree\r\n",
                                       folder="<Program Files>\\", subfolder="Stand In")
        self.assertEqual(self.silent(setup), 0)
        dest = self.prefix.program_files + "\\Stand In\\"
        target = dest + "StandIn.scr"
        uninstaller = dest + "uninstall StandIn.exe"
        self.assertEqual(self.read(target), scr)
        self.assertEqual(self.read(dest + "Stand In Readme.txt"), b"one\r\ntwo\r\nthree\r\n")
        self.assertEqual(self.read(uninstaller), expected_uninstaller(setup_bytes))

        self.assertEqual(self.prefix.reg_query(SETTINGS_KEY + "\\Stand In", "FileName_"), target)
        entry = UNINSTALL_KEY + "\\Stand In"
        self.assertEqual(self.prefix.reg_query(entry, "DisplayName"), "Stand In")
        self.assertEqual(self.prefix.reg_query(entry, "UninstallString"), '"%s"' % uninstaller)

        group = self.prefix.PROGRAMS + "\\Stand In\\"
        for link, points_at in ((group + "Preview Stand In.lnk", target),
                                (group + "Readme.lnk", dest + "Stand In Readme.txt"),
                                (group + "Uninstall Stand In.lnk", uninstaller),
                                (self.prefix.DESKTOP + "\\Preview Stand In.lnk", target)):
            got = self.link(link)
            self.assertEqual(got["path"].lower(), points_at.lower(), link)
            self.assertEqual(got["icon"].lower(), points_at.lower() + ",0", link)
            self.assertEqual(got["args"] + got["workdir"], "", link)

        # The shell was asked to carry out "install" on the installed file.
        self.assertTrue(self.wait_for_verb(target), self.verb_log())
        self.assertIn("argv[1]=%s\r\n" % target, self.verb_log())

    def test_folder_from_the_command_line_and_reinstall(self):
        first = stand_in(50000, 2)
        setup, _ = self.pack("Again", first, "Again.scr", flags=())
        folder = "C:\\Saver Place\\Deep"
        self.assertEqual(self.silent(setup, folder), 0)
        self.assertEqual(self.read(folder + "\\Again.scr"), first)
        self.assertEqual(self.prefix.reg_query(SETTINGS_KEY + "\\Again", "FileName_"),
                         folder + "\\Again.scr")
        self.assertIsNone(self.prefix.reg_query(UNINSTALL_KEY + "\\Again", "DisplayName"))
        self.assertFalse(self.prefix.exists(self.prefix.DESKTOP + "\\Preview Again.lnk"))

        # Reinstall into the same folder: the recorded file is overwritten.
        # (No trailing backslash here: Wine would double it in front of the
        # closing quote of an argument with blanks.)
        second = stand_in(70000, 3)
        setup2, _ = self.pack("Again", second, "Again.scr", flags=())
        self.assertEqual(self.silent(setup2, folder), 0)
        self.assertEqual(self.read(folder + "\\Again.scr"), second)
        self.assertFalse(self.prefix.exists(folder + "\\Again1.scr"))

        # Another folder that holds a file of that name: a numbered name.
        other = "C:\\Elsewhere"
        self.prefix.write_file(other + "\\Again.scr", b"not ours")
        self.assertEqual(self.silent(setup2, other), 0)
        self.assertEqual(self.read(other + "\\Again.scr"), b"not ours")
        self.assertEqual(self.read(other + "\\Again1.scr"), second)
        self.assertTrue(self.prefix.exists(other + "\\uninstall Again1.exe"))
        self.assertEqual(self.prefix.reg_query(SETTINGS_KEY + "\\Again", "FileName_"),
                         other + "\\Again1.scr")

    def test_unusable_destinations_end_with_exit_code_3(self):
        setup, _ = self.pack("Blocked", stand_in(20000, 4), "Blocked.scr")
        # A file where a folder would have to be made.
        self.prefix.write_file("C:\\NotAFolder", b"file")
        self.assertEqual(self.silent(setup, "C:\\NotAFolder\\Sub"), 3)
        self.assertFalse(os.path.isdir(self.prefix.unix_path("C:\\NotAFolder")))
        # A drive that does not exist.
        self.assertEqual(self.silent(setup, "Q:\\"), 3)
        # A target that cannot be created: a folder of the file's name.
        os.makedirs(self.prefix.unix_path("C:\\Occupied") + "/Blocked.scr", exist_ok=True)
        self.assertEqual(self.silent(setup, "C:\\Occupied"), 3)
        self.assertEqual(os.listdir(self.prefix.unix_path("C:\\Occupied")), ["Blocked.scr"])
        self.assert_nothing_for("Blocked", "C:\\Occupied")

    def test_copy_failing_midway_leaves_no_screensaver(self):
        # A file-size limit on the setup process makes its writes fail once
        # the target passes 1 MiB, as on a full disk. The wineserver is
        # started beforehand, without the limit.
        scr = stand_in(3 << 20, 5)
        setup, _ = self.pack("Full Disk", scr, "FullDisk.scr",
                             flags=("--uninstall-entry", "--desktop-shortcut"))
        scrtest.run_bounded(["wineserver", "-p30"], env=self.prefix.env(), timeout=30,
                            log_dir=self.prefix.logs, name="wineserver-p")
        script = "trap '' XFSZ; ulimit -f 1024; exec \"$1\" \"$0\" -silent 'C:\\Full'"
        code, _, _ = scrtest.run_bounded(["bash", "-c", script, setup, scrtest.WINE], env=self.prefix.env(),
                                         timeout=60, log_dir=self.prefix.logs, name="limited")
        self.prefix.kill()
        self.assertEqual(code, 4)
        self.assertFalse(self.prefix.exists("C:\\Full\\FullDisk.scr"))
        # Nothing is registered for an installation that is not there: no
        # entry naming an uninstaller that was never written, no shortcut to
        # the removed screensaver; the path is not recorded.
        self.assertFalse(self.prefix.exists("C:\\Full\\uninstall FullDisk.exe"))
        self.assertIsNone(self.prefix.reg_query(UNINSTALL_KEY + "\\Full Disk", "UninstallString"))
        self.assertFalse(self.prefix.exists(self.prefix.DESKTOP + "\\Preview Full Disk.lnk"))
        self.assertIsNone(self.prefix.reg_query(SETTINGS_KEY + "\\Full Disk", "FileName_"))

    def test_setscr_makes_a_file_the_current_screensaver(self):
        self.prefix.write_file("C:\\Long Folder Name\\My Saver.scr", b"x")
        code, out, _ = self.prefix.run(TOOLS + "\\setscr.exe",
                                       ["C:\\Long Folder Name\\My Saver.scr"], timeout=30)
        self.assertEqual(code, 0)
        value = self.prefix.reg_query(r"HKCU\Control Panel\Desktop", "SCRNSAVE.EXE")
        self.assertIn(value, out)
        self.assertNotIn(" ", value)  # the short form
        self.assertTrue(value.upper().endswith(".SCR"))


    # --- the real window ---
    def ui(self, *args, timeout=30):
        code, out, err = self.prefix.run(TOOLS + "\\uidriver.exe", list(args), timeout=timeout)
        return code, out

    def text(self, caption, control_id):
        code, out = self.ui("gettext", caption, "#%d" % control_id)
        self.assertEqual(code, 0, out)
        import json
        return json.loads(out.splitlines()[-1])["text"]

    def wait_title(self, caption, title, timeout=60):
        """Waits until the wizard's header reads `title`; returns what it read."""
        deadline = time.monotonic() + timeout
        seen = None
        while time.monotonic() < deadline:
            seen = self.text(caption, ID_TITLE)
            if seen == title:
                break
            time.sleep(0.3)
        return seen

    def test_wizard_installs_with_moving_progress_and_readme(self):
        scr = stand_in(24 << 20, 6)
        setup, setup_bytes = self.pack("Window Way", scr, "Window.scr", readme="Hello\nthere")
        folder = "C:\\Window Way"
        caption = "Window Way Setup"
        with scrtest.Display(self.prefix):
            proc = self.prefix.start(setup, [], timeout=120)
            self.assertEqual(self.ui("find", caption, "20000")[0], 0)
            self.assertEqual(self.text(caption, ID_TITLE), "Select Destination Directory")
            self.assertEqual(self.ui("settext", caption, "#%d" % ID_DIRECTORY, folder)[0], 0)
            watch = self.prefix.start(TOOLS + "\\progwatch.exe", [caption, "30000"], timeout=60)
            time.sleep(0.5)
            self.assertEqual(self.ui("click", caption, "#%d" % ID_NEXT)[0], 0)
            self.assertEqual(self.wait_title(caption, "Information"), "Information")
            self.assertEqual(self.text(caption, ID_README), "Hello\r\nthere")
            self.assertEqual(self.text(caption, ID_DIRECTORY), folder + "\\")
            self.assertEqual(self.ui("click", caption, "#%d" % ID_NEXT)[0], 0)
            self.assertEqual(self.wait_title(caption, "Finish"), "Finish")
            self.assertEqual(self.ui("click", caption, "#%d" % ID_NEXT)[0], 0)
            self.assertEqual(proc.wait(30), 0)
            watch.wait(40)
        positions = [int(x) for x in watch.stdout.split()]
        self.assertGreaterEqual(len(set(positions)), 3, positions)
        self.assertEqual(positions, sorted(positions))
        self.assertGreaterEqual(positions[-1], 99)
        self.assertEqual(self.read(folder + "\\Window.scr"), scr)
        self.assertEqual(self.read(folder + "\\uninstall Window.exe"),
                         expected_uninstaller(setup_bytes))

    def test_messages_of_a_folder_that_cannot_be_made_and_of_a_failed_copy(self):
        setup, _ = self.pack("Fail Way", stand_in(3 << 20, 7), "FailWay.scr", readme="r")
        caption = "Fail Way Setup"
        self.prefix.write_file("C:\\Plain File", b"x")
        with scrtest.Display(self.prefix):
            scrtest.run_bounded(["wineserver", "-p30"], env=self.prefix.env(), timeout=30,
                                log_dir=self.prefix.logs, name="wineserver-p")
            # The same file-size limit as in the silent case, on the wizard.
            log = os.path.join(self.prefix.logs, "failway.out")
            with open(log, "wb") as out:
                popen = subprocess.Popen(
                    ["timeout", "-k", "5", "120", "bash", "-c",
                     "trap '' XFSZ; ulimit -f 1024; exec \"$1\" \"$0\"", setup, scrtest.WINE],
                    stdin=subprocess.DEVNULL, stdout=out, stderr=out, env=self.prefix.env(),
                    start_new_session=True)
            proc = scrtest.Process(popen, log, log)
            self.assertEqual(self.ui("find", caption, "20000")[0], 0)
            self.ui("settext", caption, "#%d" % ID_DIRECTORY, "C:\\Plain File\\Sub")
            self.assertEqual(self.ui("click", caption, "#%d" % ID_NEXT)[0], 0)
            code, out = self.ui("msgbox", "Screensaver Setup", "10000")
            self.assertEqual(code, 0, out)
            self.assertIn("Unable to create the directory. Please select a different directory.",
                          out)
            self.assertEqual(self.ui("press", "Screensaver Setup", "OK")[0], 0)
            self.assertEqual(self.wait_title(caption, "Select Destination Directory"),
                             "Select Destination Directory")

            self.ui("settext", caption, "#%d" % ID_DIRECTORY, "C:\\Fail Way")
            self.assertEqual(self.ui("click", caption, "#%d" % ID_NEXT)[0], 0)
            code, out = self.ui("msgbox", caption, "20000")
            self.assertEqual(code, 0, out)
            self.assertIn("There was an error installing Fail Way. Installation is not complete.",
                          out)
            self.assertEqual(self.ui("press", caption, "OK")[0], 0)
            self.assertEqual(proc.wait(30), 4)
        self.assertFalse(self.prefix.exists("C:\\Fail Way\\FailWay.scr"))

    def test_preview_only_leaves_the_prefix_unchanged(self):
        setup, _ = self.pack("Look Only", stand_in(500000, 8), "LookOnly.scr", readme="r")
        caption = "Look Only Setup"
        with scrtest.Display(self.prefix):
            pass  # let Wine settle what it changes on the first start with a display
        before = self.prefix.snapshot()
        with scrtest.Display(self.prefix):
            proc = self.prefix.start(setup, ["-previewonly"], timeout=120)
            self.assertEqual(self.ui("find", caption, "20000")[0], 0)
            self.ui("settext", caption, "#%d" % ID_DIRECTORY, "C:\\Never Made")
            self.assertEqual(self.ui("click", caption, "#%d" % ID_NEXT)[0], 0)
            code, out = self.ui("msgbox", "Look Only", "20000")
            self.assertEqual(code, 0, out)
            self.assertIn("This window is not displayed in setup preview mode.", out)
            self.assertEqual(self.ui("press", "Look Only", "OK")[0], 0)
            for page in ("Information", "Finish"):
                self.assertEqual(self.wait_title(caption, page), page)
                self.assertEqual(self.ui("click", caption, "#%d" % ID_NEXT)[0], 0)
            self.assertEqual(proc.wait(30), 0)
        after = self.prefix.snapshot()
        self.assertEqual(scrtest.diff(before, after), [])


@scrtest.needs_32bit_on_64bit
class Wow64Test(PrefixSuite):
    """A 64-bit prefix: system32 of the Windows directory is refused."""

    arch = "win64"
    suite = "install_wow64"

    def test_system32_installs_into_syswow64_silently_and_no_returns(self):
        scr = stand_in(40000, 9)
        setup, _ = self.pack("Sys Saver", scr, "SysSaver.scr", flags=())
        self.assertEqual(self.silent(setup, "C:\\windows\\system32"), 0)
        drive_c = self.prefix.drive_c
        self.assertEqual(scrtest.read_file(os.path.join(drive_c, "windows", "syswow64",
                                                        "SysSaver.scr")), scr)
        self.assertFalse(os.path.exists(os.path.join(drive_c, "windows", "system32",
                                                     "SysSaver.scr")))
        self.assertEqual(self.prefix.reg_query(SETTINGS_KEY + "\\Sys Saver", "FileName_").lower(),
                         "c:\\windows\\syswow64\\syssaver.scr")

        setup2, _ = self.pack("Sys Two", scr, "SysTwo.scr", flags=())
        caption = "Sys Two Setup"
        with scrtest.Display(self.prefix):
            proc = self.prefix.start(setup2, [], timeout=120)
            self.assertEqual(self.ui("find", caption, "20000")[0], 0)
            self.ui("settext", caption, "#%d" % ID_DIRECTORY, "C:\\Windows\\System32")
            self.assertEqual(self.ui("click", caption, "#%d" % ID_NEXT)[0], 0)
            code, out = self.ui("msgbox", "Screensaver Setup", "10000")
            self.assertEqual(code, 0, out)
            self.assertIn("Do you want to use the allowed system folder instead?", out)
            self.assertEqual(self.ui("press", "Screensaver Setup", "No")[0], 0)
            self.assertEqual(self.wait_title(caption, "Select Destination Directory"),
                             "Select Destination Directory")
            self.assertEqual(self.text(caption, ID_DIRECTORY), "C:\\Windows\\System32")
            self.ui("click", caption, "#101")  # Cancel is disabled now: close instead
            self.ui("key", caption, "alt+F4")
            proc.wait(20)
        for sub in ("system32", "syswow64"):
            self.assertFalse(os.path.exists(os.path.join(drive_c, "windows", sub, "SysTwo.scr")))

    ui = InstallTest.ui
    text = InstallTest.text
    wait_title = InstallTest.wait_title


if __name__ == "__main__":
    scrtest.main()
