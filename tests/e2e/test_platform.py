"""The real Windows backend (scr::Win32System) under Wine, through the
platprobe driver, checked against what Wine's files and registry really
hold: 64-bit file positions, open and sharing modes, key paths with a
leading backslash, key trees deleted deepest first, shell folders and
links, version and path queries.

One win32 prefix for the suite, no display.

    SCR_WIN32=build/win32 SCR_HOST=build/host python3 tests/e2e/test_platform.py
"""

import os
import re
import shutil
import unittest

import scrtest

GIB4 = 1 << 32


class PlatformTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.probe_exe = scrtest.program_file("platprobe.exe")
        cls.linkread_exe = scrtest.program_file("linkread.exe")
        scrtest.require_files(cls.probe_exe, cls.linkread_exe)
        cls.prefix = scrtest.Prefix(scrtest.work_dir("platform")).create()
        cls.work = cls.prefix.unix_path("C:\\plat")
        os.makedirs(cls.work)

    @classmethod
    def tearDownClass(cls):
        cls.prefix.close()

    def probe(self, *ops):
        """Runs the operations (tuples of fields) in one probe process and
        returns their results in order."""
        script = "".join("\t".join(str(f) for f in op) + "\r\n" for op in ops)
        path = scrtest.write_file(os.path.join(self.prefix.folder, "script.txt"),
                                  script.encode("latin-1"))
        code, out, err = self.prefix.run(self.probe_exe, [path], timeout=60)
        self.assertEqual(code, 0, err)
        lines = [l.rstrip("\r") for l in out.splitlines() if l.strip()]
        self.assertEqual(len(lines), len(ops), out)
        results = []
        for op, line in zip(ops, lines):
            name, _, result = line.partition(": ")
            self.assertEqual(name, op[0])
            results.append(result)
        return results

    def host(self, name):
        return os.path.join(self.work, name)

    # --- files ---
    def test_positions_beyond_4_gib(self):
        big = self.host("big.bin")
        size = 5 * (1 << 30) + 7
        with open(big, "wb") as f:  # sparse: only the written pages take space
            f.truncate(size)
            f.seek(GIB4 + 100)
            f.write(b"MARKER!!")
        try:
            win = "C:\\plat\\big.bin"
            size_r, read_r, tail_r, write_r, before_r = self.probe(
                ("size", win), ("read", win, GIB4 + 100, 8), ("read", win, size - 3, 10),
                ("write", win, GIB4 + 200, "0102fffe"), ("read", win, -1, 1))
            self.assertEqual(int(size_r), size)
            self.assertEqual(read_r, "8 %d %s" % (GIB4 + 108, b"MARKER!!".hex()))
            # A read at the end delivers what is there and no error.
            self.assertEqual(tail_r, "3 %d 000000" % size)
            self.assertEqual(write_r, "ok %d %d" % (GIB4 + 204, size))
            self.assertEqual(before_r, "seek-failed")
            with open(big, "rb") as f:
                f.seek(GIB4 + 200)
                self.assertEqual(f.read(4), b"\x01\x02\xff\xfe")
                f.seek(200)  # the low 32 bits alone would have landed here
                self.assertEqual(f.read(4), b"\0\0\0\0")
        finally:
            os.unlink(big)

    def test_create_open_share_delete(self):
        scrtest.write_file(self.host("long.txt"), b"0123456789" * 10)
        scrtest.write_file(self.host("other.txt"), b"other")
        results = self.probe(
            ("create", "C:\\plat\\long.txt", "616263"),      # replaces, shorter
            ("create", "C:\\plat\\new.txt", ""),
            ("create", "C:\\plat\\nofolder\\x.txt", "61"),
            ("write", "C:\\plat\\missing.txt", 0, "61"),     # no creation
            ("share", "C:\\plat\\other.txt", "none"),
            ("share", "C:\\plat\\other.txt", "write"),
            ("exists", "C:\\plat\\other.txt"), ("exists", "C:\\plat"),
            ("direxists", "C:\\plat"), ("direxists", "C:\\plat\\other.txt"),
            ("mkdir", "C:\\plat\\a\\b"), ("mkdir", "C:\\plat\\a"), ("mkdir", "C:\\plat\\a\\b"),
            ("create", "C:\\plat\\a\\b\\c.txt", "61"),
            ("rmdir", "C:\\plat\\a\\b"),
            ("delete", "C:\\plat\\a\\b\\c.txt"), ("delete", "C:\\plat\\a\\b\\c.txt"),
            ("rmdir", "C:\\plat\\a\\b"), ("rmdir", "C:\\plat\\a"))
        self.assertEqual(results, [
            "ok 3 3", "ok 0 0", "create-failed", "open-failed",
            "rw=1 r=1", "rw=0 r=1",
            "1", "0", "1", "0",
            "0", "1", "1",
            "ok 1 1",
            "0",
            "1", "0",
            "1", "1"])
        self.assertEqual(scrtest.read_file(self.host("long.txt")), b"abc")
        self.assertEqual(scrtest.read_file(self.host("new.txt")), b"")
        self.assertFalse(os.path.exists(self.host("missing.txt")))
        self.assertFalse(os.path.exists(self.host("a")))

    # --- registry ---
    def test_registry_keys_values_and_trees(self):
        base = "\\Software\\Quorvane\\PlatTest"
        self.assertTrue(self.prefix.reg_add(r"HKCU\Software\Quorvane\PlatTest", "Number", 7,
                                            kind="REG_DWORD"))
        results = self.probe(
            ("regcreate", "HKCU", base + "\\A\\B\\C"),
            ("regcreate", "HKCU", "Software\\Quorvane\\Sibling"),
            ("regexists", "HKCU", "Software\\Quorvane\\PlatTest\\A"),
            ("regset", "HKCU", base, "FileName_", "C:\\Saver\\Caf\xe9.scr"),
            ("regset", "HKCU", base, "", "default"),
            ("regset", "HKCU", base + "\\A\\B\\C", "Deep", "x"),
            ("regset", "HKCU", base + "\\Missing", "X", "y"),
            ("regget", "HKCU", base, "filename_"),
            ("regget", "HKCU", base, "Number"),
            ("regget", "HKCU", base, "Nothing"),
            ("regnames", "HKCU", base),
            ("regcreate", "HKLM", base),
            ("regset", "HKLM", base, "Machine", "yes"))
        self.assertEqual(results[:7], ["1", "1", "1", "1", "1", "1", "0"])
        self.assertEqual(scrtest.unescape_driver_text(results[7]), "= C:\\Saver\\Caf\xe9.scr")
        self.assertEqual(results[8:10], ["missing", "missing"])  # a dword is no string
        names = set(results[10][1:-1].split())
        self.assertEqual(names, {"Number", "FileName_"})  # the default value has no name
        self.assertEqual(results[11:], ["1", "1"])

        reg = self.prefix.registry()
        self.assertEqual(reg.get_value(r"HKCU\Software\Quorvane\PlatTest", "FileName_"),
                         "C:\\Saver\\Caf\xe9.scr")
        self.assertEqual(reg.get_value(r"HKCU\Software\Quorvane\PlatTest", ""), "default")
        self.assertEqual(reg.get_value(r"HKCU\Software\Quorvane\PlatTest\A\B\C", "Deep"), "x")
        self.assertEqual(reg.get_value(r"HKLM\Software\Quorvane\PlatTest", "Machine"), "yes")
        # The leading backslash made no key with an empty name.
        self.assertEqual([k for k in reg if "\\\\" in k or k.endswith("\\")], [])

        results = self.probe(
            ("regdeltree", "HKCU", base), ("regexists", "HKCU", base),
            ("regdeltree", "HKCU", base), ("regexists", "HKCU", "\\Software\\Quorvane\\Sibling"),
            ("regdeltree", "HKCU", ""), ("regdeltree", "HKCU", "\\"),
            ("regexists", "HKCU", "Software\\Wine"),
            ("regdelval", "HKLM", base, "Machine"), ("regdelval", "HKLM", base, "Machine"),
            ("regnames", "HKLM", base), ("regdeltree", "HKLM", "Software\\Quorvane"))
        self.assertEqual(results, ["1", "0", "0", "1", "0", "0", "1", "1", "0", "[ ]", "1"])
        reg = self.prefix.registry()
        self.assertEqual(reg.subkeys(r"HKCU\Software\Quorvane"), [r"HKCU\Software\Quorvane\Sibling"])
        self.assertFalse(reg.has_key(r"HKLM\Software\Quorvane"))

    # --- shell and system ---
    def test_shell_folders_and_links(self):
        target = "C:\\plat\\Saver.scr"
        scrtest.write_file(self.host("Saver.scr"), b"MZ")
        desktop, programs, program_files, link, missing_link = self.probe(
            ("folder", 0), ("folder", 2), ("folder", 38),
            ("link", target, "C:\\plat\\Saver.lnk"),
            ("link", target, "C:\\plat\\nofolder\\Saver.lnk"))
        self.assertEqual(scrtest.unescape_driver_text(desktop).lower(), self.prefix.DESKTOP.lower())
        self.assertEqual(scrtest.unescape_driver_text(programs).lower(), self.prefix.PROGRAMS.lower())
        self.assertEqual(scrtest.unescape_driver_text(program_files), self.prefix.program_files)
        self.assertEqual((link, missing_link), ("1", "0"))
        code, out, _ = self.prefix.run(self.linkread_exe, ["C:\\plat\\Saver.lnk"], timeout=60)
        self.assertEqual(code, 0)
        fields = dict(l.split("=", 1) for l in out.replace("\r", "").splitlines() if "=" in l)
        self.assertEqual(fields.get("path", "").lower(), target.lower())
        self.assertEqual(fields.get("icon", "").lower(), target.lower() + ",0")
        # COM was left uninitialised: a second link in the same process works.
        self.assertEqual(self.probe(("link", target, "C:\\plat\\A.lnk"),
                                    ("link", target, "C:\\plat\\B.lnk")), ["1", "1"])

    def test_paths_version_and_process(self):
        os.makedirs(self.prefix.unix_path("C:\\Program Files\\Long Folder Name"), exist_ok=True)
        results = self.probe(
            ("temp",), ("windir",),
            ("short", "C:\\Program Files\\Long Folder Name"),
            ("short", "C:\\No Such Folder\\x.txt"),
            ("full", "C:\\plat\\a\\..\\b.txt"),
            ("wow64",), ("version",), ("seeds",), ("lead", 0x81), ("msgbox",),
            ("cmdline",), ("module",),
            ("delay", "C:\\plat\\gone.txt"))
        temp, windir, short, short_missing, full, wow64, version, seeds, lead, box, cmd, module, \
            delay = [scrtest.unescape_driver_text(r) for r in results]
        self.assertEqual(temp.lower(), self.prefix.TEMP.lower() + "\\")
        self.assertEqual(windir.lower(), self.prefix.WINDOWS.lower())
        # Wine forms 8.3 names from a hash (C:\PROG~FBU\LONG~ZAT).
        self.assertRegex(short, r"^C:\\[A-Z0-9_]{1,6}~[A-Z0-9_]{1,3}\\[A-Z0-9_]{1,6}~[A-Z0-9_]{1,3}$")
        self.assertEqual(short_missing, "C:\\No Such Folder\\x.txt")
        self.assertEqual(full, "C:\\plat\\b.txt")
        self.assertEqual(wow64, "0")
        self.assertEqual(version, "1 2 6 1 Service Pack 1")
        a, b = seeds.split()
        self.assertNotEqual(a, b)
        self.assertEqual(lead, "0")  # Windows-1252 has no lead bytes
        self.assertEqual(box, "failed")  # no display: the box cannot be shown
        self.assertIn("script.txt", cmd)
        self.assertTrue(module.lower().endswith("\\platprobe.exe"), module)
        self.assertEqual(delay, "1")
        pending = self.prefix.registry().get_value(
            r"HKLM\System\CurrentControlSet\Control\Session Manager", "PendingFileRenameOperations")
        self.assertIn("C:\\plat\\gone.txt", pending or "")

    def test_setup_entry_runs_constructors_first_and_destructors_at_exit(self):
        # setup.exe starts through its own entry, not MinGW's start-up code:
        # static constructors before WinMain, destructors through exit,
        # WinMain's usual arguments (a quoted program name with a blank is
        # not part of the tail) and the floating-point unit as MinGW's run
        # time sets it (fninit, 0x037f; Windows starts a process at 0x027f).
        probe = scrtest.program_file("startprobe.exe")
        scrtest.require_files(probe)
        shutil.copy(probe, self.host("start probe.exe"))
        code, _, err = self.prefix.run("C:\\plat\\start probe.exe", ["C:\\plat\\start.txt"])
        self.assertEqual(code, 7, err)
        with open(self.host("start.txt"), "rb") as f:
            self.assertEqual(f.read(), b"constructed main tail=C:\\plat\\start.txt show=10 image=1 "
                                       b"fpu=037f destroyed")

    def test_elevation_and_held_folders(self):
        os.makedirs(self.host("held"), exist_ok=True)
        scrtest.write_file(self.host("file.txt"), b"x")
        results = self.probe(("elevated",), ("hold", "C:\\plat\\held"),
                             ("hold", "C:\\plat\\nothing"), ("hold", "C:\\plat\\file.txt"))
        # Wine runs programs with an elevated token.
        self.assertEqual(results, ["1", "1", "0", "0"])

    def test_no_desktop_shell_is_started_for_an_elevated_run(self):
        # Wine registers no shell window. Asked for the shell's windows, COM
        # would start a shell process as this elevated user, whose start of
        # the file would read this user's classes: the route declines.
        self.assertEqual(self.probe(("desktopverb", "open", "C:\\plat\\none.txt")), ["0"])

    def test_version_as_windows_9x_reports_it(self):
        try:
            # platform id, major, minor and the service-pack text as Wine
            # reports them for each setting.
            expected = {"win98": "1 1 4 10  A ", "win95": "1 1 4 0 ", "nt40": "1 2 4 0 Service Pack 6a",
                        "win2k": "1 2 5 0 ", "win10": "1 2 6 2 "}
            for name, want in expected.items():
                self.assertTrue(self.prefix.set_windows_version(name))
                (version,) = self.probe(("version",))
                self.assertEqual(scrtest.unescape_driver_text(version)[:len(want)], want, name)
        finally:
            self.prefix.set_windows_version(None)


if __name__ == "__main__":
    scrtest.main()
