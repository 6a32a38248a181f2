"""The wizard window under Wine and Xvfb: pages, texts, button states,
keyboard (Escape, Alt+letter, Tab), Cancel and the close box, a translated
package, the missing-display report, and WOW64 seen from a 32-bit and a
64-bit prefix.

The window is read and driven with build/win32/uidriver.exe (control ids are
fixed: see wizard/win32/wizard_window.h) and, for real X key events, with
xdotool.
"""

import json
import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import scrtest  # noqa: E402

CAPTION = "Aquarium Setup"
IDS = {
    "btnCancel": 101, "btnBack": 102, "btnNext": 103, "Link": 104, "lbTitle": 105,
    "lbDescription": 106, "btnBrowse": 107, "edDirectory": 108, "Label1": 109, "Label2": 110,
    "Label3": 111, "Label4": 112, "Label5": 113, "rbAccept": 114, "rbNotAccept": 115,
    "edLicense": 116, "edReadme": 117, "ProgressBar": 118,
}
LICENCE = "Licence of the Aquarium screensaver.\r\nSecond line.\r\n"
README = "Aquarium readme.\r\n"
LINK = "http://www.aquarium.example/"
GERMAN = ("Setup\r\nSetup=Einrichtung\r\nNext=Weiter\r\nBack=Zur\xfcck\r\nCancel=Abbrechen\r\n"
          "Install=Installieren\r\nLicense Agreement=Lizenzvertrag\r\n"
          "I &accept the agreement=Ich &akzeptiere den Vertrag\r\n")
SYSTEM_FOLDER_QUESTION = (
    "The selected Windows system folder cannot be used for this screensaver for compatibility "
    "reasons. Do you want to use the allowed system folder instead?")
# The longest address the record holds (101 bytes): at its full width it
# would reach across Back and Install.
LONG_LINK = ("http://www.aquarium-screensavers.example/downloads/screensavers/"
             "aquarium/deluxe-edition/index.en.html")
assert len(LONG_LINK) == 101
LONG_TEXTS = ("Setup\r\n"
              "Select Destination Directory=Bitte w\xe4hlen Sie das Zielverzeichnis f\xfcr den "
              "Bildschirmschoner aus\r\n"
              "Where should Screen Saver be installed?=In welchen Ordner soll der "
              "Bildschirmschoner installiert werden? Der Ordner wird angelegt, wenn es ihn noch "
              "nicht gibt.\r\n")
LINK_COLOUR = (0, 102, 204)


def install_wine_fonts(prefix):
    """Debian's Wine does not always find the fonts of its fonts-wine package
    (Tahoma, and Marlett for the caption buttons); a copy in the prefix's
    Fonts folder is always found. Returns the names that were missing."""
    source = "/usr/share/wine/fonts"
    target = os.path.join(prefix.drive_c, "windows", "Fonts")
    os.makedirs(target, exist_ok=True)
    missing = []
    for name in ("tahoma.ttf", "tahomabd.ttf", "marlett.ttf"):
        path = os.path.join(source, name)
        if os.path.exists(path):
            shutil.copy(path, os.path.join(target, name))
        else:
            missing.append(path)
    return missing


def make_package(folder, name, **options):
    """Builds a package with scrpack; options are scrpack's long options
    (True for a flag, text for a file's contents where the option takes a
    file; a language without a line break is a shipped one's code)."""
    scr = scrtest.write_file(os.path.join(folder, "aquarium.scr"), "not a PE file, a stand-in")
    argv = scrtest.scrpack_build("-o", os.path.join(folder, name), "--scr", scr,
                                 "--title", options.pop("title", "Aquarium"))
    for key, value in options.items():
        option = "--" + key.replace("_", "-")
        if value is True:
            argv.append(option)
        elif key in ("license", "readme") or (key == "language" and "\n" in value):
            argv += [option, scrtest.write_file(os.path.join(folder, name + "." + key), value)]
        else:
            argv += [option, str(value)]
    code, out, err = scrtest.run_bounded(argv, timeout=60, log_dir=folder, name="scrpack")
    if code != 0:
        raise RuntimeError("scrpack failed (%d): %s %s" % (code, out, err))
    return os.path.join(folder, name)


class Gui:
    """uidriver and xdotool over one prefix and display."""

    def __init__(self, prefix, display):
        self.prefix = prefix
        self.display = display
        self.driver = scrtest.program_file("uidriver.exe")

    def drive(self, *commands, timeout=40):
        """Runs uidriver with commands (lists) chained by "+". Returns
        (exit code, [json objects])."""
        argv = []
        for command in commands:
            if argv:
                argv.append("+")
            argv += [str(c) for c in command]
        code, out, _ = self.prefix.run(self.driver, argv, timeout=timeout)
        lines = []
        for line in out.splitlines():
            line = line.strip()
            if line.startswith("{"):
                lines.append(json.loads(line))
        return code, lines

    def controls(self, caption=CAPTION):
        """{layout name: control record} of the window's controls."""
        code, lines = self.drive(["tree", caption])
        if code != 0:
            raise AssertionError("no window %r: %r" % (caption, lines))
        by_id = {rec["id"]: rec for rec in lines}
        return {name: by_id[i] for name, i in IDS.items() if i in by_id}

    def focused_id(self, caption=CAPTION):
        code, lines = self.drive(["focus", caption])
        return lines[0].get("id") if code == 0 and lines else None

    def tree(self, caption=CAPTION):
        """Every control record of the window."""
        code, lines = self.drive(["tree", caption])
        if code != 0:
            raise AssertionError("no window %r: %r" % (caption, lines))
        return lines

    def client_pixels(self, caption, box):
        """{(x, y): (r, g, b)} of `box` ([left, top, right, bottom] in client
        pixels) as the window shows it now."""
        ids = self.display.find_windows("^%s$" % caption, timeout=5)
        if not ids:
            raise AssertionError("no X window named %r" % caption)
        shot = os.path.join(self.prefix.logs, "client-%d.png" % time.monotonic_ns())
        env = dict(os.environ, DISPLAY=self.display.name)
        # Without a window manager the X window is the client area.
        code, _, err = scrtest.run_bounded(["/usr/bin/import", "-window", str(ids[0]), shot],
                                          timeout=30, env=env, log_dir=self.prefix.logs,
                                          name="import")
        if code != 0:
            raise AssertionError("import failed: %s" % err)
        left, top, right, bottom = box
        out = subprocess.run(["/usr/bin/convert", shot, "-crop", "%dx%d+%d+%d" % (
            right - left, bottom - top, left, top), "+repage", "-depth", "8", "txt:-"],
            capture_output=True, text=True, timeout=30).stdout
        pixels = {}
        for line in out.splitlines()[1:]:
            where, _, rest = line.partition(":")
            x, y = (int(v) for v in where.split(","))
            values = rest.strip().split(")")[0].strip("( ").split(",")
            pixels[(left + x, top + y)] = tuple(int(float(v)) for v in values[:3])
        return pixels

    def xclick(self, caption, x, y):
        """A real mouse click at client pixel x, y: the window system, not the
        driver, decides which control gets it."""
        ids = self.display.find_windows("^%s$" % caption, timeout=5)
        if not ids:
            raise AssertionError("no X window named %r" % caption)
        self.display.click(ids[0], x, y)
        time.sleep(0.4)

    def xkey(self, key):
        """A real X key event to the window (no window manager: the window
        is addressed directly)."""
        ids = self.display.find_windows("^%s$" % CAPTION, timeout=5)
        if not ids:
            raise AssertionError("no X window named %r" % CAPTION)
        ok = False
        for wid in ids:
            ok = self.display.key(wid, key) or ok
        time.sleep(0.4)
        return ok


def start_setup(prefix, package, args=()):
    return prefix.start(package, list(args), timeout=90)


def overlapping_siblings(records):
    """Pairs of visible controls of one parent whose rectangles meet."""
    shown = [r for r in records if r["visible"]]
    pairs = []
    for i, a in enumerate(shown):
        for b in shown[i + 1:]:
            if a["parent"] != b["parent"]:
                continue
            p, q = a["rect"], b["rect"]
            if p[0] < q[2] and q[0] < p[2] and p[1] < q[3] and q[1] < p[3]:
                pairs.append((a["id"], b["id"]))
    return pairs


class WizardWindowTest(unittest.TestCase):
    """A 32-bit prefix: the interactive wizard."""

    @classmethod
    def setUpClass(cls):
        cls.work = scrtest.work_dir("wizard")
        cls.prefix = scrtest.Prefix(os.path.join(cls.work, "prefix")).create()
        pk = os.path.join(cls.work, "packages")
        os.makedirs(pk, exist_ok=True)
        cls.full = make_package(pk, "full.exe", license=LICENCE, readme=README, link=LINK,
                                dest_subfolder="Aquarium")
        cls.skip = make_package(pk, "skip.exe", license=LICENCE, readme=README,
                                skip_folder_page=True, dest_subfolder="Aquarium")
        cls.plain = make_package(pk, "plain.exe", dest_subfolder="Aquarium")
        cls.german = make_package(pk, "german.exe", license=LICENCE, language=GERMAN,
                                  dest_subfolder="Aquarium")
        # Without a display the window cannot exist: a clear report and
        # exit code 5, never a wait for messages that cannot come.
        code, out, err = cls.prefix.run(cls.full, [], timeout=30)
        cls.no_display = (code, out + err)
        # A silent installation shows no window, so it needs no display.
        code, out, err = cls.prefix.run(cls.plain, ["-silent"], timeout=60)
        folder = cls.prefix.unix_path(cls.prefix.program_files + "\\Aquarium")
        scr_files = [n for n in os.listdir(folder) if n.lower().endswith(".scr")] \
            if os.path.isdir(folder) else []
        cls.silent = (code, out + err, scr_files)
        cls.display = scrtest.Display(cls.prefix).__enter__()
        cls.gui = Gui(cls.prefix, cls.display)

    @classmethod
    def tearDownClass(cls):
        try:
            cls.display.__exit__(None, None, None)
        finally:
            cls.prefix.close()

    def open(self, package, caption=CAPTION):
        proc = start_setup(self.prefix, package)
        self.addCleanup(proc.kill)
        code, lines = self.gui.drive(["find", caption, 20000])
        self.assertEqual(code, 0, "the wizard window did not appear: %r" % lines)
        return proc

    def assert_state(self, c, title, next_text, next_enabled, back_visible, cancel_enabled=True):
        self.assertEqual(c["lbTitle"]["text"], title)
        self.assertTrue(c["btnNext"]["visible"])
        self.assertEqual(c["btnNext"]["text"], next_text)
        self.assertEqual(c["btnNext"]["enabled"], next_enabled, "Next enabled on " + title)
        self.assertEqual(c["btnBack"]["visible"], back_visible, "Back visible on " + title)
        self.assertTrue(c["btnCancel"]["visible"])
        self.assertEqual(c["btnCancel"]["enabled"], cancel_enabled)

    def test_no_display_reports_and_ends(self):
        code, output = self.no_display
        self.assertEqual(code, 5, output)
        self.assertIn("could not be created", output)

    def test_silent_run_needs_no_display(self):
        code, output, scr_files = self.silent
        self.assertEqual(code, 0, output)
        self.assertEqual(len(scr_files), 1, scr_files)

    def test_folder_browser(self):
        proc = self.open(self.plain)
        g = self.gui
        browser = "Browse for Folder"
        # An existing start folder is preselected; OK returns it without a
        # trailing backslash, a drive root with its backslash.
        for start, chosen in (("C:\\windows\\", "C:\\windows"), ("C:\\", "C:\\")):
            code, lines = g.drive(["settext", CAPTION, "#108", start], ["click", CAPTION, "#107"],
                                  ["msgbox", browser, 15000], ["tree", browser])
            self.assertEqual(code, 0, lines)
            self.assertEqual(lines[2]["buttons"], ["OK", "Cancel"])
            self.assertIn("Browse", [rec["text"] for rec in lines[3:]])  # the instruction
            ok = [rec for rec in lines[3:] if rec["text"] == "OK"][0]
            self.assertTrue(ok["enabled"])
            # Centred on the 1024 x 768 screen.
            code, found = g.drive(["find", browser])
            left, top, right, bottom = found[0]["rect"]
            self.assertLessEqual(abs((left + right) // 2 - 512), 1)
            self.assertLessEqual(abs((top + bottom) // 2 - 384), 1)
            code, lines = g.drive(["press", browser, "OK"], ["waitgone", browser],
                                  ["waittext", CAPTION, "#108", chosen])
            self.assertEqual(code, 0, lines)
        # Cancel leaves the field as it was.
        code, lines = g.drive(["settext", CAPTION, "#108", "C:\\no such folder\\"],
                              ["click", CAPTION, "#107"], ["msgbox", browser, 15000],
                              ["press", browser, "Cancel"], ["waitgone", browser],
                              ["gettext", CAPTION, "#108"])
        self.assertEqual(code, 0, lines)
        self.assertEqual(lines[-1]["text"], "C:\\no such folder\\")
        g.drive(["key", CAPTION, "Escape"])
        self.assertEqual(proc.wait(20), 2)

    def test_licence_directory_walk_and_escape_cancel(self):
        before = self.prefix.snapshot()
        proc = self.open(self.full)
        g = self.gui
        c = g.controls()
        self.assert_state(c, "License Agreement", "Next >", False, False)
        self.assertEqual(c["lbDescription"]["text"],
                         "Please read the following important information before continuing.")
        self.assertEqual(c["edLicense"]["text"], LICENCE)
        self.assertTrue(c["edLicense"]["visible"])
        self.assertFalse(c["edDirectory"]["visible"])  # another page
        self.assertEqual(c["Link"]["text"], LINK)
        self.assertTrue(c["Link"]["visible"])
        self.assertTrue(c["rbNotAccept"]["checked"])
        self.assertFalse(c["rbAccept"]["checked"])
        # Bounds in client pixels: the button row and the licence box.
        self.assertEqual(c["btnCancel"]["rect"], [424, 336, 505, 361])
        self.assertEqual(c["btnNext"]["rect"], [337, 336, 417, 361])
        self.assertEqual(c["edLicense"]["rect"], [40, 120, 473, 265])

        # Next stays disabled until "I accept" is chosen.
        code, _ = g.drive(["click", CAPTION, "#103"])
        self.assertEqual(code, 3)
        self.assertTrue(g.xkey("alt+a"))
        c = g.controls()
        self.assertTrue(c["rbAccept"]["checked"])
        self.assertTrue(c["btnNext"]["enabled"])
        self.assertEqual(g.focused_id(), IDS["btnNext"])
        self.assertTrue(g.xkey("alt+d"))
        c = g.controls()
        self.assertTrue(c["rbNotAccept"]["checked"])
        self.assertFalse(c["btnNext"]["enabled"])
        g.drive(["click", CAPTION, "I accept the agreement"], ["sleep", 300])
        self.assertTrue(g.controls()["btnNext"]["enabled"])

        code, _ = g.drive(["click", CAPTION, "Next >"],
                          ["waittext", CAPTION, "#105", "Select Destination Directory"])
        self.assertEqual(code, 0)
        c = g.controls()
        self.assert_state(c, "Select Destination Directory", "Install", True, True)
        self.assertEqual(c["edDirectory"]["text"], "C:\\Program Files\\Aquarium\\")
        self.assertTrue(c["btnBrowse"]["visible"])
        self.assertFalse(c["edLicense"]["visible"])

        code, _ = g.drive(["click", CAPTION, "< Back"],
                          ["waittext", CAPTION, "#105", "License Agreement"])
        self.assertEqual(code, 0)
        c = g.controls()
        self.assert_state(c, "License Agreement", "Next >", True, False)
        self.assertTrue(c["rbAccept"]["checked"])
        g.drive(["click", CAPTION, "Next >"],
                ["waittext", CAPTION, "#105", "Select Destination Directory"])

        # Escape clicks Cancel on this page: the program ends, code 2.
        self.assertTrue(g.xkey("Escape"))
        self.assertEqual(proc.wait(20), 2)
        self.assertEqual(scrtest.diff(before, self.prefix.snapshot()), [])

    def test_layout_bounds(self):
        """Every control at its layout bounds, in client pixels of the window
        (pages sit in the Notebook at 8, 72). Labels that size themselves to
        their text are checked for their fixed edges only."""
        proc = self.open(self.full)
        code, lines = self.gui.drive(["tree", CAPTION])
        self.assertEqual(code, 0, lines)
        rect = {rec["id"]: rec["rect"] for rec in lines}
        fixed = {
            "Panel2": (203, [0, 0, 513, 65]), "Image2": (204, [456, 8, 504, 56]),
            "Notebook": (205, [8, 72, 505, 321]),
            "btnCancel": (101, [424, 336, 505, 361]), "btnBack": (102, [256, 336, 337, 361]),
            "btnNext": (103, [337, 336, 417, 361]),
            "Label2": (110, [40, 80, 457, 106]), "edLicense": (116, [40, 120, 473, 265]),
            "rbAccept": (114, [40, 272, 257, 289]), "rbNotAccept": (115, [40, 292, 289, 309]),
            "Image1": (216, [40, 80, 72, 112]), "edDirectory": (108, [40, 120, 385, 141]),
            "btnBrowse": (107, [392, 118, 475, 143]), "Label5": (113, [40, 80, 457, 106]),
            "ProgressBar": (118, [40, 104, 473, 129]), "edReadme": (117, [40, 104, 473, 297]),
        }
        for name, (control_id, bounds) in fixed.items():
            self.assertEqual(rect.get(control_id), bounds, name)
        for page in range(6):
            self.assertEqual(rect.get(210 + page), [8, 72, 505, 321], "page %d" % page)
        # Sized by their texts: left and top fixed; the link 13 high, the
        # directory text 345 wide, the readme line at least 155 wide.
        for name, control_id, left, top in (("Link", 104, 8, 342), ("lbTitle", 105, 18, 12),
                                            ("lbDescription", 106, 40, 34),
                                            ("Label1", 109, 88, 80), ("Label3", 111, 40, 80),
                                            ("Label4", 112, 40, 80)):
            self.assertEqual(rect[control_id][:2], [left, top], name)
        self.assertEqual(rect[104][3] - rect[104][1], 13)
        self.assertEqual(rect[109][2] - rect[109][0], 345)
        self.assertGreaterEqual(rect[111][2] - rect[111][0], 155)
        # The two header lines and the Readme label clear what lies below.
        self.assertLessEqual(rect[106][3], 65)
        self.assertLessEqual(rect[111][3], 104)
        self.gui.drive(["close", CAPTION])
        self.assertEqual(proc.wait(20), 2)

    def test_refused_folder_offers_cancel_again(self):
        """A folder the install run refuses brings the Directory page back
        with Cancel enabled again, so that Escape cancels there (it would
        otherwise click Install, the first enabled answer to Escape)."""
        before = self.prefix.snapshot()
        proc = self.open(self.plain)
        g = self.gui
        code, lines = g.drive(["settext", CAPTION, "#108", "Q:\\nowhere\\deeper"],
                              ["click", CAPTION, "Install"],
                              ["msgbox", "Screensaver Setup", 15000],
                              ["press", "Screensaver Setup", "OK"],
                              ["waittext", CAPTION, "#103", "Install"], ["sleep", 300])
        self.assertEqual(code, 0, lines)
        self.assertEqual(lines[2]["text"],
                         "Unable to create the directory. Please select a different directory.")
        c = g.controls()
        self.assert_state(c, "Select Destination Directory", "Install", True, False)
        self.assertTrue(g.xkey("Escape"))
        self.assertEqual(proc.wait(20), 2)
        self.assertEqual(scrtest.diff(before, self.prefix.snapshot()), [])

    def test_ready_page_and_cancel_button(self):
        proc = self.open(self.skip)
        g = self.gui
        code, _ = g.drive(["key", CAPTION, "alt+a"], ["click", CAPTION, "Next >"],
                          ["waittext", CAPTION, "#105", "Ready to Install"])
        self.assertEqual(code, 0)
        c = g.controls()
        self.assert_state(c, "Ready to Install", "Install", True, True)
        self.assertEqual(c["lbDescription"]["text"], "Setup is ready to install Screen Saver.")
        self.assertTrue(c["Label5"]["visible"])
        self.assertFalse(c["edDirectory"]["visible"])
        code, _ = g.drive(["click", CAPTION, "< Back"],
                          ["waittext", CAPTION, "#105", "License Agreement"])
        self.assertEqual(code, 0)
        g.drive(["click", CAPTION, "Cancel"])
        self.assertEqual(proc.wait(20), 2)

    def test_directory_first_tab_order_and_close_box(self):
        proc = self.open(self.plain)
        g = self.gui
        c = g.controls()
        self.assert_state(c, "Select Destination Directory", "Install", True, False)
        self.assertFalse(c["Link"]["visible"])  # no link address in the package
        # Tab follows the tab positions: Next, Cancel, then the page's Browse
        # and folder field; Back is hidden.
        self.assertEqual(g.focused_id(), IDS["btnNext"])
        seen = []
        for _ in range(4):
            g.drive(["key", CAPTION, "Tab"])
            seen.append(g.focused_id())
        self.assertEqual(seen, [IDS["btnCancel"], IDS["btnBrowse"], IDS["edDirectory"],
                                IDS["btnNext"]])
        g.drive(["key", CAPTION, "shift+Tab"])
        self.assertEqual(g.focused_id(), IDS["edDirectory"])
        # Enter on the folder field clicks nothing (there is no default button).
        g.drive(["key", CAPTION, "Return"], ["sleep", 300])
        self.assertIsNone(proc.poll())
        self.assertEqual(g.controls()["lbTitle"]["text"], "Select Destination Directory")
        # The close box ends the program like Cancel.
        g.drive(["close", CAPTION])
        self.assertEqual(proc.wait(20), 2)

    def test_translated_package(self):
        caption = "Aquarium Einrichtung"
        proc = self.open(self.german, caption)
        g = self.gui
        c = g.controls(caption)
        self.assertEqual(c["lbTitle"]["text"], "Lizenzvertrag")
        self.assertEqual(c["btnNext"]["text"], "Weiter >")
        self.assertEqual(c["btnCancel"]["text"], "Abbrechen")
        self.assertEqual(c["btnBack"]["text"], "< Zur\xfcck")
        self.assertEqual(c["rbAccept"]["text"], "Ich &akzeptiere den Vertrag")
        # The translated accelerator works: Alt+A still accepts.
        code, _ = g.drive(["key", caption, "alt+a"], ["click", caption, "Weiter >"],
                          ["waittext", caption, "#103", "Installieren"])
        self.assertEqual(code, 0)
        c = g.controls(caption)
        self.assertTrue(c["btnBack"]["visible"])
        self.assertEqual(c["btnBack"]["text"], "< Zur\xfcck")
        g.drive(["key", caption, "Escape"])
        self.assertEqual(proc.wait(20), 2)

    def test_wow64_not_reported(self):
        code, out, _ = self.prefix.run(scrtest.program_file("wow64probe.exe"), [], timeout=30)
        self.assertEqual((code, out.strip()), (0, "wow64=0"))


class WizardLinkTest(unittest.TestCase):
    """The link label and long texts in a prefix with Wine's Tahoma (the font
    whose measured widths run past its drawn glyphs), in preview runs that
    change nothing; and the keyboard rules reached through the window."""

    @classmethod
    def setUpClass(cls):
        cls.work = scrtest.work_dir("wizard-link")
        cls.prefix = scrtest.Prefix(os.path.join(cls.work, "prefix")).create()
        cls.missing_fonts = install_wine_fonts(cls.prefix)
        pk = os.path.join(cls.work, "packages")
        os.makedirs(pk, exist_ok=True)
        cls.long = make_package(pk, "long.exe", link=LONG_LINK, language=LONG_TEXTS,
                                dest_subfolder="Aquarium")
        cls.readme = make_package(pk, "readme.exe", readme=README, link=LINK,
                                  dest_subfolder="Aquarium")
        cls.display = scrtest.Display(cls.prefix).__enter__()
        cls.gui = Gui(cls.prefix, cls.display)

    @classmethod
    def tearDownClass(cls):
        try:
            cls.display.__exit__(None, None, None)
        finally:
            cls.prefix.close()

    def open(self, package):
        proc = start_setup(self.prefix, package, ["-previewonly"])
        self.addCleanup(proc.kill)
        code, lines = self.gui.drive(["find", CAPTION, 20000], ["sleep", 300])
        self.assertEqual(code, 0, "the wizard window did not appear: %r" % lines)
        return proc

    def underline_overrun(self, link_rect):
        """How many pixels the link's underline runs past the last drawn
        pixel of its text."""
        pixels = self.gui.client_pixels(CAPTION, link_rect)
        blue = {p for p, (r, g, b) in pixels.items() if b - r > 80 and b > 120}
        self.assertTrue(blue, "no link colour in the link's rectangle")
        rows = sorted({y for _, y in blue})
        # The underline is the row of link colour that runs furthest; the
        # text is what lies above it.
        line = max(rows, key=lambda y: len([p for p in blue if p[1] == y]))
        text_right = max(x for x, y in blue if y < line)
        line_right = max(x for x, y in blue if y == line)
        return line_right - text_right

    def test_long_link_stays_left_of_the_buttons(self):
        proc = self.open(self.long)
        records = self.gui.tree()
        c = {name: rec for rec in records for name, i in IDS.items() if rec["id"] == i}
        # The full address is the label's text; what shows is cut to fit.
        self.assertEqual(c["Link"]["text"], LONG_LINK)
        link = c["Link"]["rect"]
        self.assertEqual(link[:2], [8, 342])
        self.assertLess(link[2], c["btnBack"]["rect"][0])
        self.assertGreater(link[2] - link[0], 150)  # most of the room is used
        self.assertEqual(overlapping_siblings(records), [])
        # The long translated header lines end before the header picture.
        for name in ("lbTitle", "lbDescription"):
            self.assertLessEqual(c[name]["rect"][2], 448, name)
        self.assertLessEqual(self.underline_overrun(link), 3, self.missing_fonts)
        # A real click on Install reaches Install, not the link: the preview
        # install run says what it would open, and the window ends.
        self.gui.xclick(CAPTION, 377, 348)
        code, lines = self.gui.drive(["msgbox", "Aquarium", 15000], ["press", "Aquarium", "OK"])
        self.assertEqual(code, 0, lines)
        self.assertEqual(proc.wait(20), 0)

    def test_underline_ends_with_the_address_and_escape_acts_as_next(self):
        proc = self.open(self.readme)
        c = self.gui.controls()
        self.assertEqual(c["Link"]["text"], LINK)
        self.assertLessEqual(self.underline_overrun(c["Link"]["rect"]), 3, self.missing_fonts)
        g = self.gui
        code, lines = g.drive(["click", CAPTION, "Install"], ["msgbox", "Aquarium", 15000],
                              ["press", "Aquarium", "OK"],
                              ["waittext", CAPTION, "#105", "Information"], ["sleep", 300])
        self.assertEqual(code, 0, lines)
        # Cancel is disabled on the Readme page: Escape clicks Next, and on
        # the last page Finish.
        self.assertTrue(g.xkey("Escape"))
        code, lines = g.drive(["waittext", CAPTION, "#105", "Finish"])
        self.assertEqual(code, 0, lines)
        self.assertTrue(g.xkey("Escape"))
        self.assertEqual(proc.wait(20), 0)


@scrtest.needs_32bit_on_64bit
class WizardWow64Test(unittest.TestCase):
    """A 64-bit prefix: the 32-bit setup runs under WOW64."""

    @classmethod
    def setUpClass(cls):
        cls.work = scrtest.work_dir("wizard64")
        cls.prefix = scrtest.Prefix(os.path.join(cls.work, "prefix"), arch="win64").create()
        pk = os.path.join(cls.work, "packages")
        os.makedirs(pk, exist_ok=True)
        cls.plain = make_package(pk, "plain.exe", dest_subfolder="Aquarium")

    @classmethod
    def tearDownClass(cls):
        cls.prefix.close()

    def test_wow64_seen_by_the_platform_and_the_wizard(self):
        code, out, _ = self.prefix.run(scrtest.program_file("wow64probe.exe"), [], timeout=30)
        self.assertEqual((code, out.strip()), (0, "wow64=1"))
        before = self.prefix.snapshot()
        with scrtest.Display(self.prefix) as display:
            g = Gui(self.prefix, display)
            proc = start_setup(self.prefix, self.plain)
            try:
                code, lines = g.drive(["find", CAPTION, 20000])
                self.assertEqual(code, 0, lines)
                c = g.controls()
                self.assertEqual(c["edDirectory"]["text"], "C:\\Program Files (x86)\\Aquarium\\")
                # The native system folder is refused with the question of
                # the install run; "No" returns to the Directory page.
                code, lines = g.drive(["settext", CAPTION, "#108", "C:\\windows\\system32"],
                                      ["click", CAPTION, "Install"],
                                      ["msgbox", "Screensaver Setup", 15000],
                                      ["press", "Screensaver Setup", "No"],
                                      ["waittext", CAPTION, "#105",
                                       "Select Destination Directory"])
                self.assertEqual(code, 0, lines)
                self.assertEqual(lines[2]["text"], SYSTEM_FOLDER_QUESTION)
                self.assertEqual(lines[2]["buttons"], ["&Yes", "&No", "Cancel"])
                c = g.controls()
                self.assertEqual(c["edDirectory"]["text"], "C:\\windows\\system32")
                self.assertTrue(c["btnNext"]["visible"])
                g.drive(["close", CAPTION])
                self.assertEqual(proc.wait(20), 2)
            finally:
                proc.kill()
        self.assertEqual(scrtest.diff(before, self.prefix.snapshot()), [])


if __name__ == "__main__":
    scrtest.main()
