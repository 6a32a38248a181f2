#!/usr/bin/env python3
"""Screenshots of every wizard page, taken from the real window under Wine.

    python3 tools/screenshots.py [OUT_DIR]

OUT_DIR defaults to docs/screenshots. Needs the cross build (setup.exe,
uidriver.exe; build/win32, or build/win64 on a machine that runs no 32-bit
code, as the end-to-end suites choose), the host build (scrpack) and
Debian's fonts-wine (Tahoma and Marlett). The run makes its own Wine
prefix under $SCR_HOST/wine/screenshots, turns on Wine's virtual desktop
(so that Wine draws the window frames itself, as there is no window manager
under Xvfb), walks the wizard with -previewonly (nothing is installed) and
crops each page from the screen with ImageMagick's import; then the first
page of a package with a 101-byte link address, one with a long destination
folder and one translated into German, and last every page again with the
shipped German translation (scrpack build --language de; de-*.png). About
80 s.
"""

import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import scrtest  # noqa: E402
from test_wizard import (CAPTION, IDS, LICENCE, LINK, LONG_LINK, README, Gui,  # noqa: E402
                         install_wine_fonts, make_package)

DESKTOP = (800, 600)
BOX = "Aquarium"  # the preview notice has the screensaver title as caption

# A translated package: the licence page in German.
GERMAN = ("Setup\r\n"
          "Setup=Einrichtung\r\nNext=Weiter\r\nBack=Zur\xfcck\r\nCancel=Abbrechen\r\n"
          "License Agreement=Lizenzvertrag\r\n"
          "Please read the following important information before continuing.="
          "Bitte lesen Sie die folgenden wichtigen Informationen, bevor Sie fortfahren.\r\n"
          "Please read the following License Agreement. You must accept the terms of this "
          "agreement before continuing with the installation.=Bitte lesen Sie den folgenden "
          "Lizenzvertrag. Sie m\xfcssen den Bedingungen zustimmen, bevor die Installation "
          "fortgesetzt werden kann.\r\n"
          "I &accept the agreement=Ich &stimme dem Vertrag zu\r\n"
          "I &do not accept the agreement=Ich stimme dem Vertrag &nicht zu\r\n")
LONG_FOLDER = "Aquarium Screensavers\\Deluxe Edition 2026\\Tropical Fish and Coral Reef"


def shoot_wizard(prefix, display, gui, work, out_dir, name_prefix, full, ready):
    """Every page of one language's packages; controls are addressed by id,
    so the walk is the same in every language."""
    shots = []
    title = "#%d" % IDS["lbTitle"]
    next_button = "#%d" % IDS["btnNext"]

    def shoot(name):
        code, lines = gui.drive(["find", CAPTION, 5000], ["sleep", 500])
        if code != 0:
            raise RuntimeError("no wizard window for %s: %r" % (name, lines))
        left, top, right, bottom = lines[0]["rect"]
        screen = os.path.join(work, name + "-screen.png")
        if not display.screenshot(screen):
            raise RuntimeError("import failed")
        path = os.path.join(out_dir, name_prefix + name + ".png")
        subprocess.check_call(["/usr/bin/convert", screen, "-crop", "%dx%d+%d+%d" % (
            right - left, bottom - top, left, top), "+repage", "-strip", path])
        shots.append(path)

    def step(*commands):
        code, lines = gui.drive(*commands)
        if code != 0:
            raise RuntimeError("step %r failed: %r" % (commands, lines))
        return lines

    def header():
        return step(["gettext", CAPTION, title])[0]["text"]

    proc = prefix.start(full, ["-previewonly"], timeout=120)
    try:
        step(["find", CAPTION, 20000])
        shoot("0-license")
        step(["click", CAPTION, "#%d" % IDS["rbAccept"]], ["sleep", 300])
        shoot("0-license-accepted")
        before = header()
        step(["click", CAPTION, next_button], ["sleep", 500])
        if header() == before:
            raise RuntimeError("Next did not leave the licence page")
        shoot("1-directory")
        step(["click", CAPTION, next_button], ["msgbox", BOX, 20000],
             ["move", BOX, DESKTOP[0] - 60, DESKTOP[1] - 40], ["sleep", 300])
        shoot("3-progress")
        step(["press", BOX, "OK"], ["sleep", 500])
        shoot("4-readme")
        step(["click", CAPTION, next_button], ["sleep", 500])
        shoot("5-finished")
        step(["click", CAPTION, next_button], ["waitgone", CAPTION, 10000])
        proc.wait(20)
    finally:
        proc.kill()
    proc = prefix.start(ready, timeout=60)
    try:
        step(["find", CAPTION, 20000])
        shoot("2-ready")
        step(["click", CAPTION, "#%d" % IDS["btnCancel"]], ["waitgone", CAPTION, 10000])
        proc.wait(20)
    finally:
        proc.kill()
    return shots


def main():
    out_dir = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                              os.path.join(HERE, "..", "docs", "screenshots"))
    os.makedirs(out_dir, exist_ok=True)
    work = scrtest.work_dir("screenshots")
    prefix = scrtest.Prefix(os.path.join(work, "prefix")).create()
    try:
        pk = os.path.join(work, "packages")
        os.makedirs(pk)
        full = make_package(pk, "full.exe", license=LICENCE * 3, readme=README * 3, link=LINK,
                            dest_subfolder="Aquarium")
        ready = make_package(pk, "ready.exe", skip_folder_page=True, link=LINK,
                             dest_subfolder="Aquarium")
        long_link = make_package(pk, "long-link.exe", link=LONG_LINK, dest_subfolder="Aquarium")
        long_folder = make_package(pk, "long-folder.exe", link=LINK, dest_subfolder=LONG_FOLDER)
        german = make_package(pk, "german.exe", license=LICENCE * 3, language=GERMAN, link=LINK,
                              dest_subfolder="Aquarium")
        de_full = make_package(pk, "de-full.exe", license=LICENCE * 3, readme=README * 3,
                               link=LINK, dest_subfolder="Aquarium", language="de")
        de_ready = make_package(pk, "de-ready.exe", skip_folder_page=True, link=LINK,
                                dest_subfolder="Aquarium", language="de")
        for path in install_wine_fonts(prefix):
            print("warning: %s is missing (Debian package fonts-wine): the pictures will show "
                  "substitute fonts" % path, file=sys.stderr)
        prefix.reg_add(r"HKCU\Software\Wine\Explorer", "Desktop", "Default")
        prefix.reg_add(r"HKCU\Software\Wine\Explorer\Desktops", "Default",
                       "%dx%d" % DESKTOP)
        with scrtest.Display(prefix) as display:
            gui = Gui(prefix, display)
            shots = []

            def shoot(name, caption=CAPTION):
                code, lines = gui.drive(["find", caption, 5000], ["sleep", 500])
                if code != 0:
                    raise RuntimeError("no wizard window for %s: %r" % (name, lines))
                left, top, right, bottom = lines[0]["rect"]
                screen = os.path.join(work, name + "-screen.png")
                if not display.screenshot(screen):
                    raise RuntimeError("import failed")
                path = os.path.join(out_dir, name + ".png")
                subprocess.check_call(["/usr/bin/convert", screen, "-crop", "%dx%d+%d+%d" % (
                    right - left, bottom - top, left, top), "+repage", "-strip", path])
                shots.append(path)

            def step(*commands):
                code, lines = gui.drive(*commands)
                if code != 0:
                    raise RuntimeError("step %r failed: %r" % (commands, lines))

            shots += shoot_wizard(prefix, display, gui, work, out_dir, "", full, ready)
            # The first page of each, then Cancel.
            for package, name, caption in ((long_link, "6-long-link", CAPTION),
                                           (long_folder, "7-long-folder", CAPTION),
                                           (german, "8-translated", "Aquarium Einrichtung")):
                proc = prefix.start(package, timeout=60)
                try:
                    step(["find", caption, 20000])
                    shoot(name, caption)
                    step(["close", caption], ["waitgone", caption, 10000])
                    proc.wait(20)
                finally:
                    proc.kill()
            shots += shoot_wizard(prefix, display, gui, work, out_dir, "de-", de_full, de_ready)
            time.sleep(0.2)
        for path in shots:
            print(path)
    finally:
        prefix.close()


if __name__ == "__main__":
    main()
