#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into tests/fuzz/corpus/.

Setup files are built by scrpack (build/host/scrpack) around a small stand-in
program image, so that every seed stays small; damaged ones are made from
them. The corpus is committed; run this again only to change the seeds.
Findings of fuzz runs are added beside the seeds by hand (named
"regression-..."), and this script leaves them alone.
"""
import os
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CORPUS = os.path.join(ROOT, "tests", "fuzz", "corpus")
SCRPACK = os.path.join(ROOT, "build", "host", "scrpack")

RECORD, TRAILER = 936, 10
# A language file as an author writes it (UTF-8; scrpack writes it into
# the package in code page 1252), and the raw block of a language file
# with what scrpack would refuse (another section) for the language seeds.
LANGUAGE = ("Setup\r\nNext=Weiter\r\nBack=Zur\u00fcck\r\nCancel=Abbrechen\r\n"
            "Uninstall=Entfernen\r\nReadme=Liesmich\r\nPreview=Vorschau\r\n"
            "There was an error installing %s. Installation is not complete.="
            "Fehler bei %s.#13Nicht vollst\u00e4ndig.\r\n").encode("utf-8")
LANGUAGE_BLOCK = LANGUAGE.decode("utf-8").encode("cp1252") + b"[Other]\r\nNext=No\r\n"


def seed(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def fdp(*strings):
    """Strings as FuzzedDataProvider's ConsumeRandomLengthString reads them:
    a backslash doubled, a backslash and one more byte ending each."""
    return b"".join(s.replace(b"\\", b"\\\\") + b"\\ " for s in strings)


def pe_stub(section=200, cert=None):
    """A small program image with PE headers (one section at 512) that ends
    with its section, or with a signature that follows it."""
    image = bytearray(512 + section)
    image[0:2] = b"MZ"
    struct.pack_into("<I", image, 0x3C, 0x80)
    image[0x80:0x84] = b"PE\0\0"
    struct.pack_into("<HH", image, 0x84, 0x14C, 1)   # machine, one section
    struct.pack_into("<H", image, 0x84 + 16, 224)    # PE32 optional header
    optional = 0x98
    struct.pack_into("<H", image, optional, 0x10B)
    struct.pack_into("<I", image, optional + 60, 512)
    struct.pack_into("<I", image, optional + 92, 16)
    table = optional + 224
    image[table:table + 5] = b".text"
    struct.pack_into("<II", image, table + 16, section, 512)
    image[512:] = bytes((i * 7) % 251 for i in range(section))
    if cert:
        offset = (len(image) + 7) // 8 * 8
        struct.pack_into("<II", image, optional + 96 + 32, offset, cert)
        image += b"\0" * (offset - len(image)) + b"C" * cert
    return bytes(image)


def scrpack_build(tmp, name, *options, scr=b"MZ\x90\x00 screensaver", readme=None,
                  license=None, language=None, stub_image=None):
    stub = os.path.join(tmp, "stub.bin")
    with open(stub, "wb") as f:
        f.write(stub_image or b"MZ\x90\x00" + b"stub program image " * 3)
    paths = {}
    for key, content in (("scr", scr), ("readme", readme), ("license", license),
                         ("language", language)):
        if content is not None:
            paths[key] = os.path.join(tmp, key)
            with open(paths[key], "wb") as f:
                f.write(content)
    out = os.path.join(tmp, name)
    command = [SCRPACK, "build", "-o", out, "--stub", stub, "--scr", paths["scr"]]
    for key in ("readme", "license", "language"):
        if key in paths:
            command += ["--" + key, paths[key]]
    subprocess.run(command + list(options), check=True)
    with open(out, "rb") as f:
        return f.read()


def uninstaller_copy(setup):
    """The copy an install writes: image, text blocks, record, "ScUnin.sig"."""
    record = setup[-RECORD - TRAILER:-TRAILER]
    package_size, text = struct.unpack_from("<i", record, 0)[0], struct.unpack_from("<i", record, 400)[0]
    image = setup[:len(setup) - package_size]
    region = setup[len(setup) - RECORD - TRAILER - text:len(setup) - RECORD - TRAILER]
    return image + region + record + b"ScUnin.sig"


def with_int32(data, offset_from_record, value):
    at = len(data) - RECORD - TRAILER + offset_from_record
    return data[:at] + struct.pack("<i", value) + data[at + 4:]


def main():
    if not os.path.exists(SCRPACK):
        sys.exit("build the host preset first: " + SCRPACK + " is missing")
    with tempfile.TemporaryDirectory() as tmp:
        plain = scrpack_build(tmp, "plain.exe", "--title", "My Saver")
        full = scrpack_build(tmp, "full.exe", "--title", "Aquarium", "--file-name",
                             "Tropical Fish.scr", "--link", "http://example.com/",
                             "--dest-folder", "<Windows>\\", "--dest-subfolder", "\\Fish\\",
                             "--desktop-shortcut",
                             readme=b"Read me\r\nline\nline\r", license=b"Be nice.",
                             language=LANGUAGE)
        skip = scrpack_build(tmp, "skip.exe", "--title", "Skip", "--skip-folder-page",
                             "--license-mode", "3", "--file-name", "a.bcdefghij.scr",
                             license=b"Licence")
        dbcs = scrpack_build(tmp, "dbcs.exe", "--title", "Fish", "--code-page", "936",
                             "--file-name", "\u4f60\u597d\u4f60\u597d\u4f60\u597d.scr",
                             readme=b"r")
        pe = scrpack_build(tmp, "pe.exe", "--title", "PE", "--no-start-menu-group",
                           readme=b"readme", stub_image=pe_stub())
        signed = scrpack_build(tmp, "signed.exe", "--title", "Signed",
                               stub_image=pe_stub(301, cert=40))
    copy = uninstaller_copy(full)
    packages = {
        "setup-plain": plain,
        "setup-full": full,
        "setup-skip-folder-page": skip,
        "setup-double-byte-name": dbcs,
        "setup-appended-bytes": full + b"appended after the trailer" * 4,
        "setup-pe-program": pe,
        "setup-pe-program-signed-before-packing": signed,
        "damaged-pe-package-size": with_int32(pe, 0, len(pe)),
        "uninstaller-copy": copy,
        "damaged-no-trailer": full[:-1],
        "damaged-cut-in-record": full[:len(full) - 500],
        "damaged-cut-in-blocks": full[:len(full) - RECORD - TRAILER - 20] + full[-RECORD - TRAILER:],
        "damaged-language-size": with_int32(full, 412, -1),
        "damaged-text-blocks-size": with_int32(full, 400, 0x7FFFFFFF),
        "damaged-package-size": with_int32(full, 0, len(full) + 1),
        "damaged-signature": full[:-TRAILER - 16] + b"X" + full[-TRAILER - 15:],
        "damaged-uninstaller-signature": copy[:-TRAILER - 16] + b"X" + copy[-TRAILER - 15:],
        "damaged-trailer": full[:-3] + b"Xig",
    }
    for name, data in packages.items():
        # fuzz_inspect: the code page inspect is told first (0: none).
        seed("inspect", name, bytes([0]) + data)
        # fuzz_load: a Windows version (index 6: XP) and a code page first.
        seed("load", name, bytes([6, 0]) + data)
    seed("load", "setup-full-windows-98", bytes([1, 0]) + full)
    seed("inspect", "setup-double-byte-name-told-a-code-page", bytes([3]) + dbcs)
    seed("load", "setup-double-byte-name-gbk", bytes([7, 1]) + dbcs)

    seed("language", "german", fdp(b"Setup", b"Cancel", b"#13", b"\r\n",
                                   b"There was an error installing %s.") + LANGUAGE_BLOCK)
    seed("language", "line-breaks", fdp(b"Setup", b"Line one\r\nLine two", b"%s", b"50%s",
                                        b"%n %s %s") +
         b"\nSetup\rLine one#13Line two=Zeile#13zwei\n\r=empty name\nSetup\nA=B=C\x00after")
    seed("language", "every-section", fdp(b"", b"Next", b"a", b"aa", b"") +
         b"Next=1\r\n[Setup]\r\nNext=2\r\nSetup\r\nNext = 3\r\nnext=4")

    seed("command_line", "silent-with-folder", b"\x00setup.exe -silent \"C:\\Program Files\\X\"")
    seed("command_line", "silent-quoted-blanks", b"\x00setup.exe \" -SILENT \" x")
    seed("command_line", "previewonly", b"\x00\"C:\\a b\\setup.exe\" -previewonly -silent")
    seed("command_line", "delfile-interactive",
         b"\x00\"C:\\TEMP\\ZEROveruziuninst17.exe\" -delfile \"C:\\Setup\\uninstall Saver.exe\" "
         b"\"Screensaver Setup\" \"Saver has been successfully removed from your computer.\"")
    seed("command_line", "delfile-silent-busy",
         b"\x05C:\\TEMP\\ZEROveruziuninst17.exe -delfile C:\\Setup\\Saver.scr")
    seed("command_line", "delfile-capitals", b"\x00x -DELFILE C:\\Setup\\Saver.scr")
    seed("command_line", "delfile-busy-for-good", b"\xffx -delfile C:\\Setup\\Saver.scr")

    for name, code_page, taken, stored, recorded in [
        ("plain", 0, 3, b"MySaver.scr", b""),
        ("long-name", 0, 5, b"Tropical Fish.scr", b"C:\\Savers\\Tropical.scr"),
        ("dots", 0, 2, b"a.b.c.scr", b"C:\\Savers\\..\\Windows\\a.scr"),
        ("folder-part", 0, 1, b"dir\\sub:My Saver.scr", b"C:\\Savers\\x.scr:stream"),
        ("gbk", 1, 4, "\u4f60\u597d\u4f60\u597d.scr".encode("gbk"), b""),
        ("gbk-trail-backslash", 1, 3, b"ab\x81\\cd.scr", b""),
        ("gbk-extension", 1, 7, b"abcd\x81Ascr", b""),
        ("shift-jis", 2, 6, "\u30b9\u30af\u30ea\u30fc\u30f3.scr".encode("shift_jis"), b""),
    ]:
        seed("file_names", name, bytes([code_page, taken]) + fdp(stored) + recorded)

    # Settings: 1 WOW64, 2 the shell cannot name Program Files, 4 Windows
    # records the folder in the registry; the code page above (1: GBK).
    for name, settings, folder, sub, windows, program_files, recorded, chosen in [
        ("program-files", 0, b"<Program Files>\\", b"My Saver", b"C:\\WINDOWS",
         b"C:\\Program Files", b"", b"C:\\Program Files\\My Saver\\"),
        ("windows-wow64", 1, b"<Windows>\\", b"", b"C:\\Windows\\", b"C:\\Program Files (x86)",
         b"", b"c:\\windows\\SYSTEM32"),
        ("no-shell-folder", 2, b"  <Program Files>  ", b"\\\\Saver\\", b"D:\\WINNT", b"", b"",
         b"D:\\WINNT\\System32\\Drivers\\"),
        ("recorded-program-files", 6, b"<Program Files>", b"Saver", b"C:\\WINDOWS", b"",
         b" C:\\Programme ", b"C:\\Programme\\Saver\\"),
        ("recorded-needs-expanding", 6, b"<Program Files>", b"", b"E:\\WIN", b"",
         b"%SystemDrive%\\Program Files", b""),
        ("macros-twice", 1, b"<Windows>\\<Windows>", b"<program files>", b"C:\\W", b"P:\\", b"",
         b"C:\\W\\system32\\"),
        ("gbk-trail-backslash", 8, b"C:\\\xb1\x5c", b"\xb1\x5c", b"C:\\\xb1\x5c", b"", b"",
         b"C:\\\xb1\x5c"),
    ]:
        seed("destination", name, bytes([settings]) +
             fdp(folder, sub, windows, program_files, recorded) + chosen)

    # The code page (0 1252, 1 932, 2 936, 3 949, 4 950), then title, file
    # name and the Uninstall, Readme and Preview words, in that code page.
    def sjis(text):
        return text.encode("cp932")
    for name, code_page, title, file_name, uninstall, readme, preview in [
        ("english", 0, b"My Saver", b"MySaver.scr", b"Uninstall", b"Readme", b"Preview"),
        ("win98-like-name", 1, b"Saver", sjis("Saver\u30bd"), b"", b"", b""),
        ("japanese", 1, sjis("\u6a5f\u80fd"), sjis("\u30bd.scr"),
         sjis("\u30a2\u30f3\u30a4\u30f3\u30b9\u30c8\u30fc\u30eb"),
         sjis("\u8aad\u3093\u3067\u304f\u3060\u3055\u3044"), sjis("\u30d7\u30ec\u30d3\u30e5\u30fc")),
        ("japanese-lone-lead", 1, b"Saver\x95", b"Saver\x83\\", b"\x83A", b"\x95|", b"Vorschau\x83"),
        ("gbk", 2, "\u5c4f\u5e55\u4fdd\u62a4".encode("gbk"), b"saver.scr",
         "\u5378\u8f7d".encode("gbk"), b"\x81\\", b"\x81|"),
        ("korean", 3, "\ud654\uba74".encode("cp949"), b"saver.scr", "\uc81c\uac70".encode("cp949"),
         b"", b"\xb0A"),
        ("big5", 4, "\u87a2\u5e55".encode("cp950"), "\u529f.scr".encode("cp950"),
         "\u89e3\u9664\u5b89\u88dd".encode("cp950"), b"\xa5\\", b"\xa5|"),
    ]:
        seed("name_roads", name, bytes([code_page]) + fdp(title, file_name, uninstall, readme) +
             preview)


if __name__ == "__main__":
    main()
