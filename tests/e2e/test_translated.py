"""A package made with a shipped translation (scrpack build --language de)
under Wine: every page of the wizard shows the German texts of
languages/de.lng, each whole in its control (measured in the running window
with the control's own font), and the installation's shortcuts, readme,
uninstaller and removal messages carry the German words."""

import json
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import scrtest  # noqa: E402
from test_wizard import IDS, LICENCE, LINK, README, Gui  # noqa: E402

TITLE = "Aquarium"
CAPTION = TITLE + " Setup"         # German keeps the word "Setup"
# Wine takes the ANSI code page from the Unix locale, whether or not the
# host has generated that locale: ja_JP.UTF-8 gives code page 932.
JAPANESE = {"LC_ALL": "ja_JP.UTF-8", "LANG": "ja_JP.UTF-8"}
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"


def shipped(code):
    """{English text: translation} of a shipped language file."""
    path = os.path.join(scrtest.SOURCE, "languages", code + ".lng")
    lines = scrtest.read_file(path).decode("utf-8").splitlines()
    assert lines[0] == "Setup"
    return dict(line.split("=", 1) for line in lines[1:])


def ansi(text, codec="cp1252"):
    """uidriver's text (bytes of the ANSI code page, each as the character of
    its number) as the characters the user sees; the prefix's code page is
    1252, the German package's, unless a test runs in another locale."""
    return text.encode("latin-1").decode(codec)


def has_japanese_font():
    """A font with Japanese glyphs that Wine can fall back to (Debian's
    fonts-wqy-microhei)."""
    try:
        out = subprocess.run(["fc-list", ":lang=ja"], capture_output=True, text=True,
                             timeout=30).stdout
    except (OSError, subprocess.SubprocessError):
        return False
    return bool(out.strip())


def shown(text):
    """A caption as the control shows it: "&" marks the accelerator."""
    return text.replace("&&", "\0").replace("&", "").replace("\0", "&")


class TranslatedWizardTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.de = shipped("de")
        cls.work = scrtest.work_dir("translated")
        cls.prefix = scrtest.Prefix(os.path.join(cls.work, "prefix")).create()
        pk = os.path.join(cls.work, "packages")
        os.makedirs(pk, exist_ok=True)
        f = lambda name, data: scrtest.write_file(os.path.join(pk, name), data)  # noqa: E731
        cls.package = os.path.join(pk, "german.exe")
        code, out, err = scrtest.run_bounded(scrtest.scrpack_build(
            "-o", cls.package, "--scr", f("aquarium.scr", "not a PE file, a stand-in"),
            "--title", TITLE, "--language", "de", "--license", f("licence.txt", LICENCE),
            "--readme", f("readme.txt", README), "--link", LINK, "--desktop-shortcut"),
            timeout=60, log_dir=cls.work, name="scrpack")
        if code != 0:
            raise AssertionError("scrpack failed: %s %s" % (out, err))
        cls.display = scrtest.Display(cls.prefix).__enter__()
        cls.gui = Gui(cls.prefix, cls.display)

    @classmethod
    def tearDownClass(cls):
        cls.display.__exit__(None, None, None)
        cls.prefix.close()

    def t(self, english):
        return shown(self.de[english])

    def step(self, *commands, env=None):
        if env:
            argv = []
            for command in commands:
                argv += (["+"] if argv else []) + [str(c) for c in command]
            code, out, _ = self.prefix.run(self.gui.driver, argv, timeout=40, env=env)
            lines = [json.loads(x) for x in out.splitlines() if x.strip().startswith("{")]
            self.assertEqual(code, 0, "%r: %r" % (commands, lines))
            return lines
        code, lines = self.gui.drive(*commands)
        self.assertEqual(code, 0, "%r: %r" % (commands, lines))
        return lines

    def assert_page(self, page, title, description, texts):
        """The header and the page's own texts in German, every text whole."""
        controls = self.gui.controls(CAPTION)
        for control in controls.values():
            control["text"] = ansi(control["text"])
        self.assertEqual(controls["lbTitle"]["text"], title, page)
        self.assertEqual(controls["lbDescription"]["text"], description, page)
        for name, text in texts.items():
            self.assertEqual(controls[name]["text"], text, "%s: %s" % (page, name))
            self.assertTrue(controls[name]["visible"], "%s: %s" % (page, name))
        # The link shows the package's address, no translated text.
        fits = [r for r in self.step(["textfit", CAPTION, "Tahoma", 11,
                                      "%d=15" % IDS["lbTitle"]]) if r["id"] != IDS["Link"]]
        self.assertGreaterEqual(len(fits), 3, page)  # at least the header and a button
        self.maxDiff = None
        cut = [r for r in fits if not r["fits"]]
        self.assertEqual(cut, [], "%s: texts cut off" % page)
        # Labels that size themselves stay clear of their neighbours: the
        # header picture (x 456) and the page's edge (8 + 497).
        rect = {n: c["rect"] for n, c in controls.items()}
        for name in ("lbTitle", "lbDescription"):
            self.assertLessEqual(rect[name][2], 456, "%s: %s runs into the picture" % (page, name))
        for name in ("Label1", "Label3", "Label4"):
            if controls[name]["visible"]:
                self.assertLessEqual(rect[name][2], 8 + 497, "%s: %s" % (page, name))
        if controls["Label1"]["visible"]:
            self.assertLessEqual(rect["Label1"][3], rect["edDirectory"][1], page)
        if controls["Label3"]["visible"]:
            self.assertLessEqual(rect["Label3"][3], rect["edReadme"][1], page)
        return controls

    def test_1_every_page_in_german_and_whole(self):
        t = self.t
        proc = self.prefix.start(self.package, ["-previewonly"], timeout=120)
        box = TITLE  # the preview notice's caption
        try:
            self.step(["find", CAPTION, 20000])
            c = self.assert_page("licence", t("License Agreement"),
                                 t("Please read the following important information before continuing."),
                                 {"Label2": self.de["Please read the following License Agreement. You must "
                                                    "accept the terms of this agreement before continuing "
                                                    "with the installation."],
                                  "rbAccept": self.de["I &accept the agreement"],
                                  "rbNotAccept": self.de["I &do not accept the agreement"],
                                  "btnCancel": self.de["Cancel"],
                                  "btnNext": self.de["Next"] + " >"})
            self.assertEqual(c["Link"]["text"], LINK)
            self.step(["click", CAPTION, "#%d" % IDS["rbAccept"]], ["sleep", 300],
                      ["click", CAPTION, "#%d" % IDS["btnNext"]],
                      ["waittext", CAPTION, "#%d" % IDS["lbTitle"], t("Select Destination Directory")])
            self.assert_page("directory", t("Select Destination Directory"),
                             t("Where should Screen Saver be installed?"),
                             {"Label1": self.de["Select the folder where you would like the Screen "
                                                "Saver to be installed, then click Install."],
                              "btnBrowse": self.de["&Browse"] + "...",
                              "btnBack": "< " + self.de["Back"],
                              "btnNext": self.de["Install"]})
            self.step(["click", CAPTION, "#%d" % IDS["btnNext"]], ["msgbox", box, 20000])
            self.assert_page("progress", t("Installing"),
                             t("Please wait while Setup installs Screen Saver."), {})
            self.step(["press", box, "OK"],
                      ["waittext", CAPTION, "#%d" % IDS["lbTitle"], t("Information")])
            self.assert_page("readme", t("Information"),
                             t("Please read the following important information before continuing."),
                             {"Label3": self.de["When you are ready, click Next."],
                              "btnNext": self.de["Next"] + " >"})
            self.step(["click", CAPTION, "#%d" % IDS["btnNext"]],
                      ["waittext", CAPTION, "#%d" % IDS["lbTitle"], t("Finished")])
            self.assert_page("finished", t("Finished"), t("The Setup has completed successfully."),
                             {"Label4": self.de["Click Finish to exit Setup."],
                              "btnNext": self.de["Finish"]})
            self.step(["click", CAPTION, "#%d" % IDS["btnNext"]], ["waitgone", CAPTION, 10000])
            self.assertEqual(proc.wait(20), 0)
        finally:
            proc.kill()

    def test_2_ready_page(self):
        # The ready page shows when the folder page is skipped; the same
        # package, with the flag set in its record.
        data = bytearray(scrtest.read_file(self.package))
        data[len(data) - 946 + 919] = 1  # SkipFolderPage
        skip = scrtest.write_file(os.path.join(self.work, "packages", "skip.exe"), bytes(data))
        proc = self.prefix.start(skip, ["-previewonly"], timeout=120)
        try:
            self.step(["find", CAPTION, 20000])
            self.step(["click", CAPTION, "#%d" % IDS["rbAccept"]], ["sleep", 300],
                      ["click", CAPTION, "#%d" % IDS["btnNext"]],
                      ["waittext", CAPTION, "#%d" % IDS["lbTitle"], self.t("Ready to Install")])
            self.assert_page("ready", self.t("Ready to Install"),
                             self.t("Setup is ready to install Screen Saver."),
                             {"Label5": self.de["The Setup is ready to install Screen Saver on your "
                                                "computer. Click Install to continue, or Cancel to "
                                                "exit Setup."]})
            self.step(["click", CAPTION, "#%d" % IDS["btnCancel"]], ["waitgone", CAPTION, 10000])
        finally:
            proc.kill()

    def test_3_installed_names_and_removal_speak_german(self):
        code, _, err = self.prefix.run(self.package, ["-silent", "C:\\Aquarium"], timeout=60)
        self.assertEqual(code, 0, err[-2000:])
        de = self.de
        group = scrtest.Prefix.PROGRAMS + "\\" + TITLE
        pieces = ["C:\\Aquarium\\aquarium.scr",
                  "C:\\Aquarium\\%s %s.txt" % (TITLE, de["Readme"]),
                  "C:\\Aquarium\\%s aquarium.exe" % de["Uninstall"].lower(),
                  group + "\\%s %s.lnk" % (de["Preview"], TITLE),
                  group + "\\%s.lnk" % de["Readme"],
                  group + "\\%s %s.lnk" % (de["Uninstall"], TITLE),
                  scrtest.Prefix.DESKTOP + "\\%s %s.lnk" % (de["Preview"], TITLE)]
        for piece in pieces:
            self.assertTrue(self.prefix.exists(piece), piece + " not installed")
        self.assertEqual(de["Uninstall"], "Deinstallieren")  # the words the names above take
        command = self.prefix.registry().get_value(UNINSTALL_KEY + "\\" + TITLE, "UninstallString")
        self.assertEqual(command, '"C:\\Aquarium\\deinstallieren aquarium.exe"')

        # The interactive removal asks and reports in German.
        proc = self.prefix.start("C:\\Aquarium\\deinstallieren aquarium.exe", timeout=120)
        try:
            lines = self.step(["msgbox", "%s %s" % (TITLE, de["Uninstall"]), 20000])
            self.assertEqual(ansi(lines[0]["text"]), de["Are you sure you want to remove %s and its "
                                                  "components?"].replace("%s", TITLE))
            self.step(["press", "%s %s" % (TITLE, de["Uninstall"]), "&Yes"])
            lines = self.step(["msgbox", de["Screensaver Setup"], 30000])
            self.assertEqual(ansi(lines[0]["text"]), de["%s has been successfully removed from your "
                                                  "computer."].replace("%s", TITLE))
            self.step(["press", de["Screensaver Setup"], "OK"])
            proc.wait(30)
        finally:
            proc.kill()
        self.prefix.wait_server()
        for piece in pieces:
            self.assertFalse(self.prefix.exists(piece), piece + " left behind")

    def test_4_the_fit_check_sees_a_cut_text(self):
        # The measure of test_1 against a translation that is too long: the
        # tool warns and writes the package, and the window cuts the text.
        pk = os.path.join(self.work, "packages")
        lang = scrtest.write_file(os.path.join(pk, "long.txt"),
                                  "Setup\nCancel=Abbrechen und beenden\n")
        package = os.path.join(pk, "long.exe")
        code, _, err = scrtest.run_bounded(scrtest.scrpack_build(
            "-o", package, "--scr", os.path.join(pk, "aquarium.scr"), "--title", TITLE,
            "--language", lang), timeout=60, log_dir=self.work, name="scrpack")
        self.assertEqual(code, 0, err)
        self.assertIn("btnCancel", err)
        proc = self.prefix.start(package, ["-previewonly"], timeout=120)
        try:
            self.step(["find", "Aquarium Setup", 20000])
            fits = {r["id"]: r["fits"] for r in self.step(["textfit", "Aquarium Setup", "Tahoma", 11])}
            self.assertIs(fits[IDS["btnCancel"]], False)
            self.assertIs(fits[IDS["Label1"]], True)
            self.step(["click", "Aquarium Setup", "#%d" % IDS["btnCancel"]],
                      ["waitgone", "Aquarium Setup", 10000])
        finally:
            proc.kill()

    def test_5_a_japanese_package_on_a_japanese_system(self):
        if not has_japanese_font():
            self.skipTest("no font with Japanese glyphs (fc-list :lang=ja is empty): "
                          "install fonts-wqy-microhei")
        ja = shipped("ja")
        pk = os.path.join(self.work, "packages")
        package = os.path.join(pk, "japanese.exe")
        code, out, err = scrtest.run_bounded(scrtest.scrpack_build(
            "-o", package, "--scr", os.path.join(pk, "aquarium.scr"), "--title", TITLE,
            "--language", "ja", "--license", os.path.join(pk, "licence.txt")),
            timeout=60, log_dir=self.work, name="scrpack")
        self.assertEqual(code, 0, err)
        self.assertIn("code page 932", out)
        # Wine reads the driver's command line in the host's code set, which
        # cannot carry the Japanese word: the caption is matched by its start.
        caption = TITLE + " *"
        proc = self.prefix.start(package, ["-previewonly"], timeout=120, env=JAPANESE)
        try:
            self.step(["find", caption, 20000], env=JAPANESE)
            tree = self.step(["tree", caption], env=JAPANESE)
            window = self.step(["find", caption], env=JAPANESE)[0]
            self.assertEqual(ansi(window["caption"], "cp932"), TITLE + " " + ja["Setup"])
            texts = {r["id"]: ansi(r["text"], "cp932") for r in tree}
            self.assertEqual(texts[IDS["lbTitle"]], ja["License Agreement"])
            self.assertEqual(texts[IDS["Label2"]], ja["Please read the following License Agreement. You "
                                                      "must accept the terms of this agreement before "
                                                      "continuing with the installation."])
            self.assertEqual(texts[IDS["rbAccept"]], ja["I &accept the agreement"])
            self.assertEqual(texts[IDS["btnCancel"]], ja["Cancel"])
            fits = [r for r in self.step(["textfit", caption, "Tahoma", 11,
                                          "%d=15" % IDS["lbTitle"]], env=JAPANESE)
                    if r["id"] != IDS["Link"] and not r["fits"]]
            self.assertEqual(fits, [])
            self.step(["click", caption, "#%d" % IDS["btnCancel"]], ["waitgone", caption, 10000],
                      env=JAPANESE)
        finally:
            proc.kill()

    def test_6_a_japanese_round_trip(self):
        # Installed silently and removed again on a code page 932 system,
        # with names whose trail bytes look like "\\" (機能 ends in 0x94 0x5C,
        # 表 is 0x95 0x5C, ソ 0x83 0x5C) and an Uninstall word whose trail
        # bytes look like capitals (アンインストール).
        locales = os.path.join(self.work, "locale")
        os.makedirs(locales, exist_ok=True)
        code, _, err = scrtest.run_bounded(
            ["localedef", "-i", "ja_JP", "-f", "UTF-8", os.path.join(locales, "ja_JP.UTF-8")],
            timeout=120, log_dir=self.work, name="localedef")
        if code not in (0, 1) or not os.path.isdir(os.path.join(locales, "ja_JP.UTF-8")):
            self.skipTest("localedef cannot make ja_JP.UTF-8 (install the locales package): "
                          + err)
        env = dict(JAPANESE, LOCPATH=locales)
        ja = shipped("ja")
        title, subfolder = "\u6a5f\u80fd", "\u8868\u793a\u30bd\u30d5\u30c8"
        pk = os.path.join(self.work, "packages")
        package = os.path.join(pk, "japanese-round-trip.exe")
        readme = scrtest.write_file(os.path.join(pk, "readme-ja.txt"),
                                    "\u304a\u8aad\u307f\u304f\u3060\u3055\u3044\n".encode("utf-8"))
        code, out, err = scrtest.run_bounded(scrtest.scrpack_build(
            "-o", package, "--scr", os.path.join(pk, "aquarium.scr"), "--title", title,
            "--language", "ja", "--dest-subfolder", subfolder, "--readme", readme,
            "--desktop-shortcut"), timeout=60, log_dir=self.work, name="scrpack")
        self.assertEqual(code, 0, err)
        self.assertIn("code page 932", out)

        self.prefix.wait_server()  # a session of its own, in the Japanese locale
        code, _, err = self.prefix.run(package, ["-silent"], timeout=120, env=env)
        self.assertEqual(code, 0, err)
        self.prefix.wait_server()
        folder = "C:\\Program Files\\" + subfolder + "\\"
        uninstaller = folder + ja["Uninstall"] + " aquarium.exe"
        group = scrtest.Prefix.PROGRAMS + "\\" + title
        pieces = [folder + "aquarium.scr", uninstaller,
                  folder + "%s %s.txt" % (title, ja["Readme"]),
                  group + "\\%s %s.lnk" % (ja["Preview"], title),
                  group + "\\%s.lnk" % ja["Readme"],
                  group + "\\%s %s.lnk" % (ja["Uninstall"], title),
                  scrtest.Prefix.DESKTOP + "\\%s %s.lnk" % (ja["Preview"], title)]
        for piece in pieces:
            self.assertTrue(self.prefix.exists(piece), piece + " not installed")
        self.assertEqual(ja["Uninstall"], "\u30a2\u30f3\u30a4\u30f3\u30b9\u30c8\u30fc\u30eb")
        registry = self.prefix.registry()
        self.assertEqual(registry.get_value(UNINSTALL_KEY + "\\" + title, "DisplayName"), title)
        self.assertEqual(registry.get_value(UNINSTALL_KEY + "\\" + title, "UninstallString"),
                         '"%s"' % uninstaller)
        self.assertEqual(registry.get_value("HKCU\\Software\\Quorvane\\" + title, "FileName_"),
                         folder + "aquarium.scr")

        code, _, err = self.prefix.run(uninstaller, ["-silent"], timeout=120, env=env)
        self.assertEqual(code, 0, err)
        self.prefix.wait_server()  # the temporary copy deletes the uninstaller
        for piece in pieces + [group]:
            self.assertFalse(self.prefix.exists(piece), piece + " left behind")
        registry = self.prefix.registry()
        self.assertFalse(registry.has_key(UNINSTALL_KEY + "\\" + title))
        self.assertIsNone(registry.get_value("HKCU\\Software\\Quorvane\\" + title, "FileName_"))


if __name__ == "__main__":
    scrtest.main()
