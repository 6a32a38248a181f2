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
crops each page from the screen with ImageMagick's import. About 40 s.
"""

import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import scrtest  # noqa: E402
from test_wizard import CAPTION, LICENCE, LINK, README, Gui, make_package  # noqa: E402

DESKTOP = (800, 600)
BOX = "Aquarium"  # the preview notice has the screensaver title as caption


def install_wine_fonts(prefix):
    """Debian's Wine does not always find the fonts of its fonts-wine package
    (Tahoma, and Marlett for the caption buttons); a copy in the prefix's
    Fonts folder is always found."""
    source = "/usr/share/wine/fonts"
    target = os.path.join(prefix.drive_c, "windows", "Fonts")
    os.makedirs(target, exist_ok=True)
    for name in ("tahoma.ttf", "tahomabd.ttf", "marlett.ttf"):
        path = os.path.join(source, name)
        if os.path.exists(path):
            shutil.copy(path, os.path.join(target, name))
        else:
            print("warning: %s is missing (Debian package fonts-wine): the pictures will show "
                  "substitute fonts" % path, file=sys.stderr)


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
        install_wine_fonts(prefix)
        prefix.reg_add(r"HKCU\Software\Wine\Explorer", "Desktop", "Default")
        prefix.reg_add(r"HKCU\Software\Wine\Explorer\Desktops", "Default",
                       "%dx%d" % DESKTOP)
        with scrtest.Display(prefix) as display:
            gui = Gui(prefix, display)
            shots = []

            def shoot(name):
                code, lines = gui.drive(["find", CAPTION, 5000], ["sleep", 500])
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

            proc = prefix.start(full, ["-previewonly"], timeout=120)
            try:
                step(["find", CAPTION, 20000])
                shoot("0-license")
                step(["key", CAPTION, "alt+a"])
                shoot("0-license-accepted")
                step(["click", CAPTION, "Next >"],
                     ["waittext", CAPTION, "#105", "Select Destination Directory"])
                shoot("1-directory")
                step(["click", CAPTION, "Install"], ["msgbox", BOX, 20000],
                     ["move", BOX, DESKTOP[0] - 60, DESKTOP[1] - 40], ["sleep", 300])
                shoot("3-progress")
                step(["press", BOX, "OK"], ["waittext", CAPTION, "#105", "Information"])
                shoot("4-readme")
                step(["click", CAPTION, "Next >"], ["waittext", CAPTION, "#105", "Finish"])
                shoot("5-finished")
                step(["click", CAPTION, "#103"], ["waitgone", CAPTION, 10000])
                proc.wait(20)
            finally:
                proc.kill()
            proc = prefix.start(ready, timeout=60)
            try:
                step(["find", CAPTION, 20000])
                shoot("2-ready")
                step(["click", CAPTION, "Cancel"], ["waitgone", CAPTION, 10000])
                proc.wait(20)
            finally:
                proc.kill()
            time.sleep(0.2)
        for path in shots:
            print(path)
    finally:
        prefix.close()


if __name__ == "__main__":
    main()
