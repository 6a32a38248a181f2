"""Checks of the built programs as files (no Wine): setup.exe's PE header,
its imports, its manifest, that every program's manifest names the processor
of its own build, and that no trailer text sits in any program that could
end up in front of a package.

    SCR_WIN32=build/win32 SCR_HOST=build/host python3 tests/e2e/test_binary.py
"""

import os
import re
import shutil
import struct
import sys
import unittest
import xml.etree.ElementTree as ET

import scrtest

# Functions that Windows 95 or NT 4 do not export: an import of any of them
# keeps setup.exe from loading there. Names ending in "*" stand for every
# name with that beginning (A/W and Ex forms).
NEWER_FUNCTIONS = [
    "SetFilePointerEx", "GetFileSizeEx", "GetModuleHandleEx*", "GetNativeSystemInfo",
    "GetTickCount64", "InitializeCriticalSectionEx", "IsWow64Process", "RegDeleteTree*",
    "RegGetValue*", "RegDeleteKeyEx*", "SHGetFolderPath*", "SHGetKnownFolderPath",
    "SHCreateDirectoryEx*", "GetLongPathName*", "SetDefaultDllDirectories", "SetDllDirectory*",
    "AddDllDirectory", "NtDeleteKey", "ConvertStringSecurityDescriptorToSecurityDescriptor*",
    "GetShellWindow",
]

# DLLs that every Windows from 95 and NT 4 on has in its system folder.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
    "oleaut32.dll", "comctl32.dll", "comdlg32.dll", "msvcrt.dll", "version.dll",
}

RT_MANIFEST = 24

# setup.exe travels in front of every screensaver that an author publishes,
# so each byte of it is downloaded with every one of them: it must stay
# under 64 KiB, without an executable packer (virus scanners flag packed
# programs).
SIZE_LIMIT = 65536


class PeFile:
    """The parts of a PE image these tests read."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, sections, _, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        # PE32 (i386) or PE32+ (x86-64): the same fields up to the stack
        # sizes, which are 8 bytes wide in PE32+ and move what follows.
        if self.magic not in (0x10B, 0x20B):
            raise ValueError("neither PE32 nor PE32+ (optional header magic %#x)" % self.magic)
        self.wide = self.magic == 0x20B
        self.entry = struct.unpack_from("<I", data, opt + 16)[0]
        (self.os_major, self.os_minor) = struct.unpack_from("<HH", data, opt + 40)
        (self.subsystem_major, self.subsystem_minor) = struct.unpack_from("<HH", data, opt + 48)
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        self.dll_characteristics = struct.unpack_from("<H", data, opt + 70)[0]
        directories = opt + (112 if self.wide else 96)
        count = struct.unpack_from("<I", data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i)
                            for i in range(min(count, 16))]
        self.sections = []
        table = opt + optional_size
        for i in range(sections):
            name, vsize, va, raw_size, raw_ptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("latin-1"), va,
                                  max(vsize, raw_size), raw_ptr, raw_size))

    def offset(self, rva):
        for _, va, size, raw, raw_size in self.sections:
            if va <= rva < va + size and rva - va < raw_size:
                return raw + rva - va
        raise ValueError("RVA %#x is in no section" % rva)

    def cstring(self, rva):
        start = self.offset(rva)
        end = self.data.index(b"\0", start)
        return self.data[start:end].decode("latin-1")

    def imports(self):
        """{dll name: [function names, or "#ordinal"]}."""
        rva, size = self.directories[1]
        result = {}
        if not rva:
            return result
        pos = self.offset(rva)
        while True:
            lookup, _, _, name_rva, address = struct.unpack_from("<IIIII", self.data, pos)
            if not (lookup or name_rva or address):
                break
            dll = self.cstring(name_rva)
            names = []
            thunk = self.offset(lookup or address)
            width, by_ordinal = (8, 1 << 63) if self.wide else (4, 1 << 31)
            while True:
                entry = struct.unpack_from("<Q" if self.wide else "<I", self.data, thunk)[0]
                if not entry:
                    break
                if entry & by_ordinal:
                    names.append("#%d" % (entry & 0xFFFF))
                else:
                    names.append(self.cstring((entry & 0x7FFFFFFF) + 2))
                thunk += width
            result[dll] = names
            pos += 20
        return result

    def resources(self, type_id):
        """The data of every resource of a numeric type: [(name id, bytes)]."""
        rva, _ = self.directories[2]
        if not rva:
            return []
        base = self.offset(rva)

        def entries(directory):
            named, ids = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                yield name, target

        found = []
        for name, target in entries(base):
            if name & 0x80000000 or name != type_id or not target & 0x80000000:
                continue
            for res_name, res_target in entries(base + (target & 0x7FFFFFFF)):
                if not res_target & 0x80000000:
                    continue
                for _, lang_target in entries(base + (res_target & 0x7FFFFFFF)):
                    data_rva, data_size = struct.unpack_from("<II", self.data,
                                                             base + (lang_target & 0x7FFFFFFF))
                    start = self.offset(data_rva)
                    found.append((res_name, self.data[start:start + data_size]))
        return found


# The processor a manifest names for each PE machine.
MANIFEST_ARCHITECTURE = {0x14C: "x86", 0x8664: "amd64"}


def manifest_architectures(pe):
    """processorArchitecture of every assemblyIdentity (the program's own
    and its dependencies') in every manifest resource of `pe`."""
    found = []
    for _, text in pe.resources(RT_MANIFEST):
        for element in ET.fromstring(text).iter():
            if local_name(element.tag) == "assemblyIdentity":
                found.append((element.get("name"), element.get("processorArchitecture")))
    return found


def wrong_architectures(pe):
    """The identities of `pe`'s manifests that name another processor than
    its PE header's machine ("*" is any)."""
    expected = MANIFEST_ARCHITECTURE.get(pe.machine, "machine %#x" % pe.machine)
    return ["%s asks for %s, the program is %s" % (name, architecture, expected)
            for name, architecture in manifest_architectures(pe)
            if architecture not in (expected, "*")]


def offending(imported_names):
    out = []
    for name in imported_names:
        for banned in NEWER_FUNCTIONS:
            if (banned.endswith("*") and name.startswith(banned[:-1])) or name == banned:
                out.append(name)
    return sorted(set(out))


def local_name(tag):
    return tag.rsplit("}", 1)[-1]


class SetupImageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        path = scrtest.win32_file("setup.exe")
        scrtest.require_files(path)
        cls.data = scrtest.read_file(path)
        cls.pe = PeFile(cls.data)
        sys.stderr.write("setup.exe: %d bytes (%.1f KiB)\n" % (len(cls.data), len(cls.data) / 1024))

    def test_header_is_a_pe32_i386_gui_program_for_windows_4(self):
        self.assertEqual(self.pe.machine, 0x14C, "machine is not i386")
        self.assertEqual(self.pe.magic, 0x10B)
        self.assertEqual(self.pe.subsystem, 2, "subsystem is not Windows GUI")
        self.assertTrue(self.pe.characteristics & 0x0002, "not marked executable")
        # Windows 95 and NT 4 refuse an image that asks for a newer subsystem.
        self.assertLessEqual((self.pe.subsystem_major, self.pe.subsystem_minor), (4, 0))
        self.assertLessEqual((self.pe.os_major, self.pe.os_minor), (4, 0))
        # The program brings its own entry; a link that lost it leaves 0.
        text = [s for s in self.pe.sections if s[0] == ".text"][0]
        self.assertTrue(text[1] <= self.pe.entry < text[1] + text[2],
                        "entry point %#x is not in .text" % self.pe.entry)

    def test_size(self):
        self.assertLess(len(self.data), SIZE_LIMIT,
                        "setup.exe is %d bytes (it must stay under %d)" % (len(self.data), SIZE_LIMIT))

    def test_relocatable_with_aslr_and_nx(self):
        # Windows places the program at a random base (and keeps its data
        # from being run as code) only when the image says it can: the
        # flags and the relocations they need must survive any change of
        # the link.
        self.assertTrue(self.pe.dll_characteristics & 0x0040, "no DYNAMIC_BASE")
        self.assertTrue(self.pe.dll_characteristics & 0x0100, "no NX_COMPAT")
        self.assertFalse(self.pe.characteristics & 0x0001, "relocations stripped")
        self.assertIn(".reloc", [s[0] for s in self.pe.sections])
        self.assertGreater(self.pe.directories[5][1], 0, "empty base relocation directory")

    def test_marked_terminal_server_aware(self):
        # Without the mark a terminal server gives the program a per-user
        # Windows folder from GetWindowsDirectoryA.
        self.assertTrue(self.pe.dll_characteristics & 0x8000,
                        "IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE is not set "
                        "(DllCharacteristics %#06x)" % self.pe.dll_characteristics)

    def test_imports_come_only_from_system_dlls(self):
        dlls = sorted(d.lower() for d in self.pe.imports())
        sys.stderr.write("imported DLLs: %s\n" % ", ".join(dlls))
        runtime = [d for d in dlls if d.startswith(("libstdc++", "libgcc", "libwinpthread"))]
        self.assertEqual(runtime, [], "MinGW runtime DLLs imported")
        self.assertEqual([d for d in dlls if d not in SYSTEM_DLLS], [],
                         "DLLs outside the system set imported")
        self.assertIn("kernel32.dll", dlls)

    def test_no_import_newer_than_windows_95_and_nt4(self):
        imports = self.pe.imports()
        names = [n for fns in imports.values() for n in fns]
        self.assertGreater(len(names), 10, "import table not read")
        self.assertEqual(offending(names), [], "functions Windows 95 / NT 4 lack are imported")
        # The run-time look-ups stay possible: the names are there as text.
        for name in (b"IsWow64Process", b"SetDefaultDllDirectories", b"SetDllDirectoryA",
                     b"NtDeleteKey", b"ConvertStringSecurityDescriptorToSecurityDescriptorA"):
            self.assertIn(name + b"\0", self.data)

    def test_comctl32_is_loaded_by_its_system_path_not_imported(self):
        # The program loads comctl32 itself, from the system folder; an
        # import would be resolved through the search path before any of
        # the program's code runs.
        self.assertNotIn("comctl32.dll", [d.lower() for d in self.pe.imports()])
        self.assertIn(b"GetSystemDirectoryA", b"\0".join(
            n.encode() for fns in self.pe.imports().values() for n in fns))

    def test_no_exception_machinery(self):
        # The program is built without exceptions; libstdc++'s throwing
        # helpers and its verbose terminate handler are replaced by fatal
        # exits. Should any of them come back through the link, these texts
        # of the exception runtime come with them (and about 200 KiB).
        for text in (b"terminate called", b"St9exception", b"St9bad_alloc"):
            self.assertNotIn(text, self.data)

    def test_manifest(self):
        manifests = self.pe.resources(RT_MANIFEST)
        self.assertEqual([m[0] for m in manifests], [1], "one manifest with id 1 expected")
        root = ET.fromstring(manifests[0][1])
        levels = [e for e in root.iter() if local_name(e.tag) == "requestedExecutionLevel"]
        self.assertEqual(len(levels), 1)
        self.assertEqual(levels[0].get("level"), "highestAvailable")
        self.assertEqual(levels[0].get("uiAccess"), "false")
        deps = [e for e in root.iter() if local_name(e.tag) == "dependentAssembly"]
        identities = [i for d in deps for i in d if local_name(i.tag) == "assemblyIdentity"]
        controls = [i for i in identities if i.get("name") == "Microsoft.Windows.Common-Controls"]
        self.assertEqual(len(controls), 1, "Common-Controls dependency missing")
        self.assertEqual(controls[0].get("version"), "6.0.0.0")
        # A supportedOS list would make Windows 8.1 and later report their
        # true version, which the version classification does not expect.
        self.assertEqual([e for e in root.iter() if local_name(e.tag) == "supportedOS"], [])


class ManifestArchitectureTest(unittest.TestCase):
    """A manifest that names another processor than the program's binds the
    side-by-side assemblies of that processor where Windows has them: a
    64-bit program asking for the x86 Common-Controls gets no progress bar
    class, and its window cannot be created. Checked on the files, so the
    fault shows on every machine, not only where Wine's 32-bit side is
    installed."""

    BUILDS = (scrtest.WIN32, scrtest.WIN64)

    def programs(self):
        for build in self.BUILDS:
            for name in sorted(os.listdir(build)) if os.path.isdir(build) else []:
                if name.endswith((".exe", ".scr")):
                    yield os.path.join(build, name)

    def test_every_manifest_names_the_programs_own_processor(self):
        setups = [os.path.join(b, "setup.exe") for b in self.BUILDS]
        scrtest.require_files(*setups)
        checked, wrong = [], []
        for path in self.programs():
            pe = PeFile(scrtest.read_file(path))
            if not manifest_architectures(pe):
                self.assertNotIn(path, setups, "setup.exe carries no manifest")
                continue
            checked.append(os.path.relpath(path, scrtest.SOURCE))
            wrong += ["%s: %s" % (path, w) for w in wrong_architectures(pe)]
        sys.stderr.write("manifests checked: %s\n" % ", ".join(checked))
        self.assertEqual(wrong, [])

    def test_an_x86_manifest_in_the_x86_64_program_is_found(self):
        # The x86-64 program as it was built before each build had its own
        # manifest: the i686 one's architecture in its place (padded to the
        # same length, so every offset stays).
        data = scrtest.read_file(os.path.join(scrtest.WIN64, "setup.exe"))
        ours = PeFile(data)
        self.assertEqual((ours.machine, ours.wide), (0x8664, True))
        self.assertEqual(wrong_architectures(ours), [])
        old = b'processorArchitecture="amd64"'
        self.assertEqual(data.count(old), 2)
        damaged = PeFile(data.replace(old, b'processorArchitecture="x86"  '))
        self.assertEqual(len(wrong_architectures(damaged)), 2)


class PeParserTest(unittest.TestCase):
    """The offender matching and the import parser against an independent
    reader, so that an empty result above cannot come from a parser that
    reads nothing."""

    def test_offending_names(self):
        self.assertEqual(offending(["CreateFileA", "GetLongPathNameA", "RegDeleteTreeA",
                                    "IsWow64Process", "SetFilePointer", "GetTickCount"]),
                         ["GetLongPathNameA", "IsWow64Process", "RegDeleteTreeA"])

    def test_parser_agrees_with_objdump(self):
        # PE32 and PE32+ (whose import thunks are 8 bytes wide).
        for tool, path in (("i686-w64-mingw32-objdump", scrtest.win32_file("setup.exe")),
                           ("x86_64-w64-mingw32-objdump",
                            os.path.join(scrtest.WIN64, "setup.exe"))):
            with self.subTest(path=path):
                objdump = shutil.which(tool)
                if not objdump:
                    self.skipTest("%s is not installed" % tool)
                code, out, _ = scrtest.run_bounded([objdump, "-p", path], timeout=60,
                                                   name="objdump")
                self.assertEqual(code, 0)
                theirs = {}
                dll = None
                for line in out.splitlines():
                    m = re.match(r"\s*DLL Name: (\S+)", line)
                    if m:
                        dll = m.group(1).lower()
                        theirs[dll] = set()
                        continue
                    m = re.match(r"\s+[0-9a-f]+\s+\d+\s+(\S+)$", line)
                    if dll and m:
                        theirs[dll].add(m.group(1))
                ours = {d.lower(): set(n)
                        for d, n in PeFile(scrtest.read_file(path)).imports().items()}
                self.assertEqual(ours, theirs)


class NoTrailerTextTest(unittest.TestCase):
    """A program image that holds a trailer text would be found by the
    backward search of a setup file that lost its package, and a scrpack
    that holds one would carry it in front of every package it writes."""

    def test_programs_hold_no_trailer_text(self):
        # Built here so that this script's own bytes never hold them either.
        needles = ["SCRB" + "ui.sig", "ScU" + "nin.sig"]
        programs = [scrtest.win32_file("setup.exe"), scrtest.win32_file("scrpack.exe"),
                    scrtest.host_file("scrpack")]
        missing = [p for p in programs if not os.path.isfile(p)]
        self.assertEqual(missing, [], "programs not built")
        found = []
        for path in programs:
            data = scrtest.read_file(path)
            for needle in needles:
                if needle.encode("ascii") in data:
                    found.append("%s in %s" % (needle, path))
        self.assertEqual(found, [])


if __name__ == "__main__":
    scrtest.main()
