"""Shared harness of the end-to-end suites: Wine prefixes, runs, registry,
snapshots, Xvfb and small file helpers.  Python 3 standard library only.

Where things are (environment, with repository-relative defaults):

    SCR_SOURCE  the source tree             (default: two folders above this file)
    SCR_WIN32   the i686 cross build        (default: $SCR_SOURCE/build/win32)
    SCR_WIN64   the x86-64 cross build      (default: $SCR_SOURCE/build/win64)
    SCR_HOST    the host build              (default: $SCR_SOURCE/build/host)
    SCR_KEEP    when set to 1, prefixes are not deleted at the end of a suite
    SCR_E2E_BUILD  win32 or win64: the build the suites run (see below)
    SCR_WIN32_RUNS yes or no: forces the answer of tools/lib/win32-support

Which build runs: the published program is the i686 one (build/win32), and
the suites run it wherever this machine runs 32-bit code. Some machines
cannot (their kernel refuses every 32-bit x86 program, Wine's 32-bit loader
too); there the suites run the same programs built for x86-64 (build/win64)
under Wine's 64-bit loader in win64 prefixes, and the cases that only mean
something for a 32-bit process on 64-bit Windows are skipped with the reason
(``needs_32bit_on_64bit``). SCR_E2E_BUILD=win64 picks the x86-64 build on
any machine. ``program_file(name)`` is a program of the build that runs;
``win32_file(name)`` is always the published i686 one (for checks of the
file itself, and for scrpack's stub).

Every suite is a unittest module run as ``python3 tests/e2e/test_x.py``; end it
with ``scrtest.main()`` so that it exits non-zero on failure.  A suite makes
ONE prefix in ``setUpClass`` and reuses it for all its cases:

    import scrtest

    class LoadingTest(unittest.TestCase):
        @classmethod
        def setUpClass(cls):
            cls.prefix = scrtest.Prefix(scrtest.work_dir("loading"))
            cls.prefix.create()                  # wineboot -i, ~15 s

        @classmethod
        def tearDownClass(cls):
            cls.prefix.close()                   # ends the wineserver, removes the prefix

        def test_silent(self):
            before = self.prefix.snapshot()
            code, out, err = self.prefix.run(scrtest.program_file("setup.exe"), ["-silent"], timeout=30)
            self.assertEqual(code, 1)
            self.assertEqual(scrtest.diff(before, self.prefix.snapshot()), [])

    if __name__ == "__main__":
        scrtest.main()

GUI suites: wrap the GUI part in ``with scrtest.Display(prefix) as display:``.
It starts a private Xvfb server (1024x768x24; Xvfb itself picks a free
display number through -displayfd, so parallel suites never share one),
restarts the prefix's wineserver session so that Wine picks the display up,
and on leaving ends the wineserver (``wineserver -k`` then ``-w``) BEFORE the
X server goes away.  Outside such a block runs have no display: MessageBoxA
returns -1 at once and CreateWindowA fails, which is what the silent and
no-window cases want.  ``display.find_windows("^Screensaver Setup$")``,
``display.key(wid, "Return")`` and ``display.click(wid, x, y)`` drive the
windows with xdotool (no window manager: client coordinates, no activation).
``prefix.start(...)`` starts a program without waiting; ``proc.wait(timeout)``
then collects its exit code, and the process is killed on timeout.

What a window shows: X11 knows only captions. ``prefix.windows(caption)``
runs a small window tool inside the session (compiled once from
``WINDOW_TOOL_SOURCE`` with the MinGW gcc of the build that runs into $SCR_HOST/wine/.tools)
and returns the visible top-level windows with all their controls: id,
class, visible, enabled, text (WM_GETTEXT, so edit controls too; the ANSI
bytes decoded Latin-1).  A message box is class "#32770" with its text in a
Static child and its buttons as Button children.  ``prefix.wait_windows``
polls for one, ``prefix.click_control(hwnd, id)`` sends BN_CLICKED and
``prefix.close_window(hwnd)`` posts WM_CLOSE.

Rules the harness keeps for every suite: a fresh prefix per suite (never
~/.wine), a private HOME, WINEDEBUG=-all, winemenubuilder disabled and
mscoree/mshtml off, the prefix's Desktop/Documents/... links into HOME
replaced by real folders, every child bounded by ``timeout``, program output
sent to files (never pipes, see the pipe trap of Wine's background services).

Registry: ``prefix.reg_query(key, value)`` asks the live session through
``wine reg query``; ``prefix.registry()`` parses user.reg and system.reg after
the session has ended (the wineserver writes them when it exits).  Keys are
returned as "HKLM\\Software\\X" / "HKCU\\Software\\X"; lookups through
``Registry.get`` are case-insensitive.  In a win64 prefix a 32-bit program's
HKLM\\Software keys live under HKLM\\Software\\Wow6432Node in system.reg.

Snapshots: ``prefix.snapshot()`` ends the session (so the registry files are
current), then records every file under drive_c (path relative to drive_c with
forward slashes -> sha256; folders as "<dir>") and every registry key with its
values.  ``diff(a, b)`` lists the differences as readable lines, leaving out
what Wine itself changes on every start (see ``NOISE_KEYS``).
"""

import atexit
import contextlib
import hashlib
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.abspath(os.environ.get("SCR_SOURCE") or os.path.join(HERE, "..", ".."))
WIN32 = os.path.abspath(os.environ.get("SCR_WIN32") or os.path.join(SOURCE, "build", "win32"))
WIN64 = os.path.abspath(os.environ.get("SCR_WIN64") or os.path.join(SOURCE, "build", "win64"))
HOST = os.path.abspath(os.environ.get("SCR_HOST") or os.path.join(SOURCE, "build", "host"))


def _win32_support():
    """(runs, line) from the project's one capability check."""
    tool = os.path.join(SOURCE, "tools", "lib", "win32-support")
    try:
        done = subprocess.run([tool], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=30)
    except (OSError, subprocess.TimeoutExpired) as e:
        return False, "32-bit Windows programs: no (%s failed: %s)" % (tool, e)
    return done.returncode == 0, done.stdout.decode("utf-8", "replace").strip()


WIN32_RUNS, WIN32_SUPPORT = _win32_support()
BUILD = os.environ.get("SCR_E2E_BUILD") or ("win32" if WIN32_RUNS else "win64")
if BUILD not in ("win32", "win64"):
    raise SystemExit("SCR_E2E_BUILD must be win32 or win64, not %r" % BUILD)
PROGRAMS = WIN32 if BUILD == "win32" else WIN64
# The /usr/bin/wine wrapper always picks the 32-bit loader once wine32 is
# installed; the x86-64 build is started by the 64-bit loader directly.
WINE = "wine" if BUILD == "win32" else "/usr/lib/wine/wine64"
# The prefix kind the suites use unless a case needs another.
DEFAULT_ARCH = "win32" if BUILD == "win32" else "win64"
# Why a suite of this run can do nothing at all (None: it can run).
CANNOT_RUN = None
if BUILD == "win32" and not WIN32_RUNS:
    CANNOT_RUN = "the i686 build was asked for (SCR_E2E_BUILD=win32) but " + WIN32_SUPPORT
elif os.environ.get("SCR_E2E_X64_CHECK") == "1" and not WIN32_RUNS:
    CANNOT_RUN = "the short check of the x86-64 build: every suite of this run uses that build"
# CTest's SKIP_RETURN_CODE for a suite that ran no case.
SKIP_EXIT_CODE = 77

REASON_32BIT_ON_64BIT = ("only meaningful for a 32-bit process on 64-bit Windows (WOW64); "
                         "this run uses the x86-64 build")


def needs_32bit_on_64bit(test_item):
    """Skips a case or class on runs of the x86-64 build, with the reason."""
    return unittest.skipUnless(BUILD == "win32", REASON_32BIT_ON_64BIT)(test_item)

WINEDLLOVERRIDES = "winemenubuilder.exe=d;mscoree,mshtml="

# The tests' programs are supposed to end in seconds; this bounds anything
# the caller does not bound explicitly.
DEFAULT_TIMEOUT = 60


def win32_file(name):
    """A file of the published i686 build (build/win32)."""
    return os.path.join(WIN32, name)


def program_file(name):
    """A program of the build the suites run (build/win32 or build/win64)."""
    return os.path.join(PROGRAMS, name)


def scrpack_build(*args):
    """argv of the host's `scrpack build ARGS`, packing the setup program of
    the build that runs (scrpack itself carries the published i686 one)."""
    return [host_file("scrpack"), "build"] + [str(a) for a in args] + [
        "--stub", program_file("setup.exe")]


def host_file(name):
    """A file of the host build (build/host)."""
    return os.path.join(HOST, name)


def require_files(*paths):
    """Fails the suite at once when a build output it needs is missing."""
    for path in paths:
        if not os.path.isfile(path):
            raise AssertionError("%s is missing: build both presets first (tools/test-all)" % path)


def work_dir(suite):
    """A fresh scratch folder for one suite: $SCR_HOST/wine/<suite> (x64_<suite>
    for the short check of the x86-64 build, which may run beside it)."""
    if os.environ.get("SCR_E2E_X64_CHECK") == "1":
        suite = "x64_" + suite
    path = os.path.join(HOST, "wine", suite)
    if os.path.lexists(path):
        shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path, exist_ok=True)
    return path


def main():
    """Runs the calling module's tests. Exits 1 on any failure, SKIP_EXIT_CODE
    when every case was skipped (CTest then reports the suite as skipped, not
    passed), else 0. Leaves its counts in $SCR_HOST/wine/results/ for the
    test command's closing summary."""
    suite_name = os.path.splitext(os.path.basename(sys.argv[0]))[0]
    if os.environ.get("SCR_E2E_X64_CHECK") == "1":
        suite_name = "x64_" + suite_name
    print("%s; the suites run build/%s (%s) under %s" % (
        WIN32_SUPPORT, BUILD, "i686" if BUILD == "win32" else "x86-64", WINE), flush=True)
    if CANNOT_RUN:
        print("SKIPPED: " + CANNOT_RUN, flush=True)
        _write_results(suite_name, 0, 0, {}, suite_skipped=CANNOT_RUN)
        sys.exit(SKIP_EXIT_CODE)
    program = unittest.main(module="__main__", verbosity=2, exit=False)
    result = program.result
    reasons = {}
    for _, reason in result.skipped:
        reasons[reason] = reasons.get(reason, 0) + 1
    failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    passed = result.testsRun - failed - len(result.skipped) - len(result.expectedFailures)
    _write_results(suite_name, passed, failed, reasons)
    if failed:
        sys.exit(1)
    if result.testsRun == len(result.skipped):
        print("SKIPPED: every case of this suite was skipped", flush=True)
        sys.exit(SKIP_EXIT_CODE)
    sys.exit(0)


def _write_results(suite_name, passed, failed, reasons, suite_skipped=None):
    folder = os.path.join(HOST, "wine", "results")
    os.makedirs(folder, exist_ok=True)
    lines = ["build %s" % BUILD, "passed %d" % passed, "failed %d" % failed]
    if suite_skipped:
        lines.append("suite-skipped " + suite_skipped)
    lines += ["skipped %d %s" % (n, reason.replace("\n", " ")) for reason, n in sorted(reasons.items())]
    write_file(os.path.join(folder, suite_name + ".txt"), ("\n".join(lines) + "\n").encode())


# --------------------------------------------------------------------------
# Files


def write_file(path, data):
    """Writes bytes (or text, encoded Latin-1 so that every byte survives),
    creating parent folders. Returns the path."""
    if isinstance(data, str):
        data = data.encode("latin-1")
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    return path


def read_file(path):
    with open(path, "rb") as f:
        return f.read()


def sha256_file(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for chunk in iter(lambda: f.read(1 << 20), b""):
            h.update(chunk)
    return h.hexdigest()


def _read_text(path):
    try:
        with open(path, "rb") as f:
            return f.read().decode("utf-8", "replace")
    except OSError:
        return ""


# --------------------------------------------------------------------------
# Child processes: always bounded, output to files


def run_bounded(argv, timeout=DEFAULT_TIMEOUT, env=None, cwd=None, log_dir=None, name="cmd"):
    """Runs argv under `timeout -k 5`, stdout/stderr to files. Returns
    (exit code, stdout text, stderr text); 124 or 137 means it was killed."""
    log_dir = log_dir or tempfile.mkdtemp(prefix="scrtest-")
    os.makedirs(log_dir, exist_ok=True)
    stamp = "%s-%d-%d" % (re.sub(r"[^A-Za-z0-9_.-]", "_", name)[:40], os.getpid(), time.monotonic_ns())
    out_path = os.path.join(log_dir, stamp + ".out")
    err_path = os.path.join(log_dir, stamp + ".err")
    full = ["timeout", "-k", "5", str(max(1, int(timeout)))] + list(argv)
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        try:
            code = subprocess.call(full, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                   env=env, cwd=cwd, timeout=timeout + 15)
        except subprocess.TimeoutExpired:
            code = 137
    return code, _read_text(out_path), _read_text(err_path)


class Process:
    """A program started by Prefix.start(); output goes to files."""

    def __init__(self, popen, out_path, err_path):
        self.popen = popen
        self.out_path = out_path
        self.err_path = err_path
        self.code = None

    def poll(self):
        self.code = self.popen.poll()
        return self.code

    def wait(self, timeout):
        """Exit code, or None when it did not end in time (it is then killed
        and its code is still collected)."""
        try:
            self.code = self.popen.wait(timeout=timeout)
            return self.code
        except subprocess.TimeoutExpired:
            self.kill()
            return None

    def kill(self):
        if self.popen.poll() is None:
            try:
                os.killpg(self.popen.pid, 9)
            except OSError:
                pass
            try:
                self.popen.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        self.code = self.popen.poll()

    @property
    def stdout(self):
        return _read_text(self.out_path)

    @property
    def stderr(self):
        return _read_text(self.err_path)


# --------------------------------------------------------------------------
# Paths


def _resolve_case(base, parts):
    """Joins parts to base, matching each existing component without regard
    to case, as Windows does."""
    path = base
    for part in parts:
        if part in ("", "."):
            continue
        candidate = os.path.join(path, part)
        if not os.path.lexists(candidate) and os.path.isdir(path):
            lower = part.lower()
            for entry in os.listdir(path):
                if entry.lower() == lower:
                    candidate = os.path.join(path, entry)
                    break
        path = candidate
    return path


# --------------------------------------------------------------------------
# Registry files


_ESCAPES = {"a": "\a", "b": "\b", "t": "\t", "n": "\n", "v": "\v", "f": "\f", "r": "\r",
            "e": "\x1b", "\\": "\\", '"': '"', "[": "[", "]": "]"}


def _unescape(text):
    """Undoes Wine's escaping of key and value names and strings."""
    out = []
    i = 0
    n = len(text)
    while i < n:
        c = text[i]
        if c != "\\" or i + 1 >= n:
            out.append(c)
            i += 1
            continue
        c = text[i + 1]
        if c == "x":
            m = re.match(r"[0-9a-fA-F]{1,4}", text[i + 2:])
            if m:
                out.append(chr(int(m.group(0), 16)))
                i += 2 + len(m.group(0))
                continue
            out.append("x")
            i += 2
        elif c in "01234567":
            m = re.match(r"[0-7]{1,3}", text[i + 1:])
            out.append(chr(int(m.group(0), 8)))
            i += 1 + len(m.group(0))
        else:
            out.append(_ESCAPES.get(c, c))
            i += 2
    return "".join(out)


def _split_quoted(text):
    """For '"name"=rest' returns (name, rest) with name unescaped."""
    i = 1
    while i < len(text):
        if text[i] == "\\":
            i += 2
            continue
        if text[i] == '"':
            break
        i += 1
    return _unescape(text[1:i]), text[i + 1:]


def _parse_data(data):
    """A value's data as Python: str for strings (REG_SZ, str(N) types give
    the string), int for dword, bytes for hex types."""
    if data.startswith('"'):
        return _split_quoted(data)[0]
    m = re.match(r"str\((\d+)\):(.*)$", data, re.S)
    if m:
        return _split_quoted(m.group(2))[0]
    if data.startswith("dword:"):
        return int(data[6:], 16)
    m = re.match(r"hex(?:\(([0-9a-fA-F]+)\))?:(.*)$", data, re.S)
    if m:
        digits = re.sub(r"[^0-9a-fA-F,]", "", m.group(2))
        return bytes(int(b, 16) for b in digits.split(",") if b)
    return data


def parse_reg_file(path, root):
    """Parses a Wine registry file (user.reg, system.reg) into
    {"<root>\\Key\\Sub": {value name ("" is the default value): data}}."""
    keys = {}
    current = None
    try:
        with open(path, "rb") as f:
            raw = f.read().decode("utf-8", "replace")
    except OSError:
        return keys
    # Join continued lines (hex data ends a line with a backslash).
    lines = []
    pending = ""
    for line in raw.splitlines():
        if pending:
            line = pending + line.lstrip()
            pending = ""
        if line.endswith("\\") and not line.startswith("[") and re.search(r"(hex[^:]*:|,)\\$", line):
            pending = line[:-1]
            continue
        lines.append(line)
    for line in lines:
        if line.startswith("["):
            end = line.rfind("]")
            name = _unescape(line[1:end])
            current = root + "\\" + name if name else root
            keys.setdefault(current, {})
        elif current is None or not line or line[0] in ";#":
            continue
        elif line.startswith("@="):
            keys[current][""] = _parse_data(line[2:])
        elif line.startswith('"'):
            name, rest = _split_quoted(line)
            if rest.startswith("="):
                keys[current][name] = _parse_data(rest[1:])
    return keys


class Registry(dict):
    """{key path: {value name: data}} with case-insensitive look-ups."""

    def _find(self, key):
        key = key.strip("\\")
        if key in self:
            return key
        lower = key.lower()
        for k in self:
            if k.lower() == lower:
                return k
        return None

    def has_key(self, key):
        return self._find(key) is not None

    def values(self, key=None):  # noqa: A003 - dict-like on purpose
        if key is None:
            return dict.values(self)
        k = self._find(key)
        return dict(self[k]) if k is not None else None

    def get_value(self, key, name):
        """Data of a value, or None when the key or the value is missing."""
        vals = self.values(key)
        if vals is None:
            return None
        for n, v in vals.items():
            if n.lower() == name.lower():
                return v
        return None

    def subkeys(self, key):
        prefix = key.strip("\\").lower() + "\\"
        return sorted(k for k in self if k.lower().startswith(prefix))


# --------------------------------------------------------------------------
# Snapshots


class Snapshot:
    def __init__(self, files, registry):
        self.files = files  # relative path -> sha256 or "<dir>"
        self.registry = registry  # Registry


# Keys whose content Wine itself changes between sessions; a diff ignores
# them (and everything below them).
NOISE_KEYS = [
    r"HKLM\System\CurrentControlSet\Control\Session Manager\Environment",
    r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\Perflib",
    r"HKLM\System\CurrentControlSet\Services\EventLog",
    r"HKLM\Software\Wine\Ports",
    r"HKCU\Software\Wine\Fonts",
    r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts",
    r"HKLM\Software\Microsoft\Windows\CurrentVersion\Fonts",
    r"HKLM\Software\Microsoft\Cryptography\RNG",
    r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\Network",
    r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\NetworkCards",
    r"HKLM\System\MountedDevices",
    r"HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Desktop",
    r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Desktop",
    r"HKLM\Software\Wine\Drives",
    # The display adapter and monitor entries: Wine's X11 driver rewrites
    # them at every start on a display.
    r"HKLM\System\CurrentControlSet\Control\Class\{4D36E968-E325-11CE-BFC1-08002BE10318}",
    r"HKLM\System\CurrentControlSet\Control\Class\{4D36E96E-E325-11CE-BFC1-08002BE10318}",
    r"HKLM\System\CurrentControlSet\Control\Video",
    r"HKLM\System\CurrentControlSet\Enum\DISPLAY",
    r"HKLM\System\CurrentControlSet\Enum\PCI",
]
# Files Wine itself touches on a start.
NOISE_FILES = [
    r"windows/Fonts/",
    r"windows/logs/",
    r"windows/Installer/",
]


def _is_noise_key(key, extra=()):
    low = key.lower()
    for noise in list(NOISE_KEYS) + list(extra):
        n = noise.lower()
        if low == n or low.startswith(n + "\\"):
            return True
    return False


def diff(a, b, ignore_keys=(), ignore_files=()):
    """Differences between two snapshots as sorted readable lines:
    "+file x", "-file x", "~file x", "+key K", "-key K", "~value K [name]: old -> new",
    "+value K [name]: v", "-value K [name]"."""
    out = []
    noise_files = list(NOISE_FILES) + list(ignore_files)

    def file_noise(path):
        return any(path.lower().startswith(n.lower()) for n in noise_files)

    for path in sorted(set(a.files) | set(b.files)):
        if file_noise(path):
            continue
        if path not in a.files:
            out.append("+file " + path)
        elif path not in b.files:
            out.append("-file " + path)
        elif a.files[path] != b.files[path]:
            out.append("~file " + path)
    for key in sorted(set(a.registry) | set(b.registry)):
        if _is_noise_key(key, ignore_keys):
            continue
        if key not in a.registry:
            out.append("+key " + key)
            for name, v in sorted(b.registry[key].items()):
                out.append("+value %s [%s]: %r" % (key, name, v))
            continue
        if key not in b.registry:
            out.append("-key " + key)
            continue
        va, vb = a.registry[key], b.registry[key]
        for name in sorted(set(va) | set(vb)):
            if name not in va:
                out.append("+value %s [%s]: %r" % (key, name, vb[name]))
            elif name not in vb:
                out.append("-value %s [%s]" % (key, name))
            elif va[name] != vb[name]:
                out.append("~value %s [%s]: %r -> %r" % (key, name, va[name], vb[name]))
    return out



# --------------------------------------------------------------------------
# Reading windows from inside the session

# A small Windows program that lists visible top-level windows (optionally
# only those with one caption) and all their child controls with id, class,
# visibility, enabled state and text (WM_GETTEXT, so edit controls too), and
# that can click a control or close a window. X11 sees only the captions of
# Wine's windows; this sees what the program put into its controls. The
# harness compiles it once with the cross compiler.
WINDOW_TOOL_SOURCE = r"""
/* Lists top-level windows and their children with their texts; clicks and
   closes them. Output: one line per window, texts with \xHH escapes. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char* want_caption;

static void put_text(const char* s) {
  for (; *s; ++s) {
    unsigned char c = (unsigned char)*s;
    if (c == '\\') fputs("\\\\", stdout);
    else if (c < 0x20 || c >= 0x7f) printf("\\x%02x", c);
    else putchar(c);
  }
}

static void get_text(HWND w, char* buf, int size) {
  DWORD_PTR got = 0;
  buf[0] = 0;
  if (!SendMessageTimeoutA(w, WM_GETTEXT, (WPARAM)size, (LPARAM)buf, SMTO_ABORTIFHUNG, 2000, &got))
    GetWindowTextA(w, buf, size);
  buf[size - 1] = 0;
}

static void show(const char* kind, HWND w) {
  static char text[65536];
  char cls[256];
  GetClassNameA(w, cls, sizeof cls);
  get_text(w, text, sizeof text);
  printf("%s %lu %ld %s %d %d ", kind, (unsigned long)(ULONG_PTR)w, (long)GetDlgCtrlID(w), cls,
         IsWindowVisible(w) ? 1 : 0, IsWindowEnabled(w) ? 1 : 0);
  put_text(text);
  putchar('\n');
}

static BOOL CALLBACK child(HWND w, LPARAM top) {
  if (GetAncestor(w, GA_ROOT) == (HWND)top) show("C", w);
  return TRUE;
}

static BOOL CALLBACK top(HWND w, LPARAM unused) {
  char caption[1024];
  (void)unused;
  if (!IsWindowVisible(w)) return TRUE;
  GetWindowTextA(w, caption, sizeof caption);
  if (want_caption && strcmp(caption, want_caption) != 0) return TRUE;
  show("W", w);
  EnumChildWindows(w, child, (LPARAM)w);
  return TRUE;
}

int main(int argc, char** argv) {
  if (argc >= 2 && !strcmp(argv[1], "list")) {
    want_caption = argc >= 3 ? argv[2] : NULL;
    EnumWindows(top, 0);
    return 0;
  }
  if (argc >= 4 && !strcmp(argv[1], "click")) {
    HWND w = (HWND)(ULONG_PTR)strtoul(argv[2], NULL, 10);
    HWND c = GetDlgItem(w, atoi(argv[3]));
    if (!c) return 2;
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c), BN_CLICKED), (LPARAM)c);
    return 0;
  }
  if (argc >= 3 && !strcmp(argv[1], "close")) {
    HWND w = (HWND)(ULONG_PTR)strtoul(argv[2], NULL, 10);
    return PostMessageA(w, WM_CLOSE, 0, 0) ? 0 : 2;
  }
  fputs("usage: wintexts list [caption] | click HWND ID | close HWND\n", stderr);
  return 1;
}
"""


class Window:
    """A window as the window tool saw it. `text` is the ANSI text decoded
    Latin-1, so that every byte survives (`text.encode("latin-1")`)."""

    def __init__(self, kind, hwnd, control_id, cls, visible, enabled, text):
        self.kind = kind  # "W" top-level, "C" child
        self.hwnd = hwnd
        self.id = control_id
        self.cls = cls
        self.visible = visible
        self.enabled = enabled
        self.text = text
        self.children = []

    def child(self, control_id):
        for c in self.children:
            if c.id == control_id:
                return c
        return None

    def texts(self):
        return [c.text for c in self.children]

    def __repr__(self):
        return "Window(%s %d id=%d %s %r children=%r)" % (self.kind, self.hwnd, self.id, self.cls,
                                                          self.text, self.children)


def unescape_driver_text(text):
    """Undoes the escaping of our Windows drivers' output ("\\\\" and "\\xHH");
    returns the bytes decoded Latin-1."""
    out = bytearray()
    i = 0
    raw = text.encode("latin-1", "replace")
    while i < len(raw):
        if raw[i:i + 2] == b"\\\\":
            out.append(0x5C)
            i += 2
        elif raw[i:i + 2] == b"\\x" and i + 4 <= len(raw):
            out.append(int(raw[i + 2:i + 4], 16))
            i += 4
        else:
            out.append(raw[i])
            i += 1
    return out.decode("latin-1")


_window_tool_path = None
_MINGW_GCC = {"win32": "i686-w64-mingw32-gcc", "win64": "x86_64-w64-mingw32-gcc"}


def window_tool():
    """Path of the compiled window tool (built on first use)."""
    global _window_tool_path
    if _window_tool_path and os.path.isfile(_window_tool_path):
        return _window_tool_path
    digest = hashlib.sha256((BUILD + WINDOW_TOOL_SOURCE).encode()).hexdigest()[:12]
    folder = os.path.join(HOST, "wine", ".tools")
    os.makedirs(folder, exist_ok=True)
    exe = os.path.join(folder, "wintool-%s.exe" % digest)
    if not os.path.isfile(exe):
        src = os.path.join(folder, "wintool-%s.c" % digest)
        write_file(src, WINDOW_TOOL_SOURCE)
        tmp = exe + ".%d.tmp" % os.getpid()
        code, out, err = run_bounded([_MINGW_GCC[BUILD], "-Os", "-s", src, "-o", tmp],
                                     timeout=120, log_dir=folder, name="gcc")
        if code != 0:
            raise RuntimeError("cannot build the window tool: " + err[-2000:])
        os.replace(tmp, exe)
    _window_tool_path = exe
    return exe


def parse_window_list(output):
    windows = []
    for line in output.splitlines():
        line = line.rstrip("\r")
        parts = line.split(" ", 6)
        if len(parts) < 6 or parts[0] not in ("W", "C"):
            continue
        text = unescape_driver_text(parts[6]) if len(parts) == 7 else ""
        w = Window(parts[0], int(parts[1]), int(parts[2]), parts[3], parts[4] == "1",
                   parts[5] == "1", text)
        if w.kind == "W":
            windows.append(w)
        elif windows:
            windows[-1].children.append(w)
    return windows

# --------------------------------------------------------------------------
# Wine prefixes


class Prefix:
    """A fresh Wine prefix with a private HOME, in `folder`.

    Layout: folder/pfx (WINEPREFIX), folder/home (HOME), folder/logs (output
    of every run)."""

    def __init__(self, folder, arch=None):
        """arch: the prefix kind; None takes DEFAULT_ARCH (win32 for the i686
        build, win64 for the x86-64 build, which cannot run in a win32 prefix)."""
        arch = arch or DEFAULT_ARCH
        assert arch in ("win32", "win64")
        assert BUILD == "win32" or arch == "win64", "the x86-64 build needs a win64 prefix"
        self.folder = os.path.abspath(folder)
        self.arch = arch
        self.path = os.path.join(self.folder, "pfx")
        self.home = os.path.join(self.folder, "home")
        self.logs = os.path.join(self.folder, "logs")
        self.drive_c = os.path.join(self.path, "drive_c")
        self.display = None  # X display name while a Display block is active

    # --- environment ---
    def env(self, extra=None):
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("WINE") and k not in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY")
               and not k.startswith("XDG_")}
        env.update({
            "HOME": self.home,
            "WINEPREFIX": self.path,
            "WINEARCH": self.arch,
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": WINEDLLOVERRIDES,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "LANG": "C.UTF-8",
            "LC_ALL": "C.UTF-8",
        })
        if os.path.isabs(WINE):
            # Processes the program starts itself use the same loader.
            env["WINELOADER"] = WINE
        if self.display:
            env["DISPLAY"] = self.display
        if extra:
            env.update(extra)
        return env

    def _cmd(self, argv, timeout, name, env=None, cwd=None):
        return run_bounded(argv, timeout=timeout, env=env or self.env(), cwd=cwd,
                           log_dir=self.logs, name=name)

    # --- life cycle ---
    def create(self, timeout=300):
        """Makes the prefix (wineboot -i) and replaces the links into HOME by
        real folders. Raises RuntimeError when Wine fails."""
        if os.path.lexists(self.folder):
            self.kill()
            shutil.rmtree(self.folder, ignore_errors=True)
        for d in (self.folder, self.home, self.logs):
            os.makedirs(d, exist_ok=True)
        code, out, err = self._cmd([WINE, "wineboot", "-i"], timeout, "wineboot")
        if code != 0 or not os.path.isdir(self.drive_c):
            raise RuntimeError("wineboot -i failed (%d): %s" % (code, err[-2000:]))
        self.wait_server()
        self._replace_home_links()
        return self

    def _replace_home_links(self):
        users = os.path.join(self.drive_c, "users")
        for root, dirs, files in os.walk(users):
            for name in list(dirs) + list(files):
                p = os.path.join(root, name)
                if os.path.islink(p):
                    target = os.path.realpath(p)
                    if not target.startswith(self.path + os.sep):
                        os.unlink(p)
                        os.makedirs(p, exist_ok=True)

    def wait_server(self, timeout=120):
        """Waits until the wineserver session has ended (writes the registry
        files). Kills it when it does not end in time."""
        code, _, _ = self._cmd(["wineserver", "-w"], timeout, "wineserver-w")
        if code in (124, 137):
            self.kill()
        return code

    def kill(self, timeout=30):
        """Ends the wineserver session and every Wine process of the prefix."""
        if not os.path.isdir(self.path):
            return
        self._cmd(["wineserver", "-k"], timeout, "wineserver-k")
        self._cmd(["wineserver", "-w"], timeout, "wineserver-w")

    def close(self):
        """Ends the session and deletes the prefix unless SCR_KEEP=1."""
        self.kill()
        if os.environ.get("SCR_KEEP") != "1":
            shutil.rmtree(self.folder, ignore_errors=True)

    # --- runs ---
    def _program_argv(self, exe, args):
        return [WINE, exe] + [str(a) for a in (args or [])]

    def run(self, exe, args=None, timeout=DEFAULT_TIMEOUT, cwd=None, env=None):
        """Runs a Windows program (a Unix path, or a Windows path inside the
        prefix) and waits for it. Returns (exit code, stdout, stderr); 124 or
        137 means it was killed at the timeout."""
        name = os.path.basename(exe.replace("\\", "/"))
        return self._cmd(self._program_argv(exe, args), timeout, name,
                         env=self.env(env), cwd=cwd)

    def start(self, exe, args=None, timeout=DEFAULT_TIMEOUT, cwd=None, env=None):
        """Starts a Windows program without waiting (still bounded by
        `timeout`). Returns a Process; call .wait(seconds)."""
        name = re.sub(r"[^A-Za-z0-9_.-]", "_", os.path.basename(exe.replace("\\", "/")))
        stamp = "%s-%d" % (name, time.monotonic_ns())
        out_path = os.path.join(self.logs, stamp + ".out")
        err_path = os.path.join(self.logs, stamp + ".err")
        argv = ["timeout", "-k", "5", str(int(timeout))] + self._program_argv(exe, args)
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            popen = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                     env=self.env(env), cwd=cwd, start_new_session=True)
        return Process(popen, out_path, err_path)

    def wine(self, args, timeout=DEFAULT_TIMEOUT):
        """Runs `wine <args>` (for example ["reg", "add", ...])."""
        return self._cmd([WINE] + list(args), timeout, "wine-" + str(args[0]))

    # --- windows of the running session ---
    def windows(self, caption=None, timeout=30):
        """Visible top-level windows (with the exact caption, when given) and
        their controls, as the window tool sees them: [Window]."""
        args = ["list"] + ([caption] if caption is not None else [])
        code, out, err = self.run(window_tool(), args, timeout=timeout)
        return parse_window_list(out) if code == 0 else []

    def wait_windows(self, caption, timeout=15, proc=None):
        """Polls windows(caption) until one shows up; [] when none did within
        `timeout` seconds (or once `proc` has ended)."""
        deadline = time.monotonic() + timeout
        while True:
            found = self.windows(caption)
            if found or time.monotonic() >= deadline or (proc and proc.poll() is not None):
                return found
            time.sleep(0.3)

    def click_control(self, hwnd, control_id):
        """Sends the window a BN_CLICKED of its child `control_id`."""
        return self.run(window_tool(), ["click", hwnd, control_id], timeout=30)[0] == 0

    def close_window(self, hwnd):
        """Posts WM_CLOSE."""
        return self.run(window_tool(), ["close", hwnd], timeout=30)[0] == 0

    # --- registry ---
    def reg_add(self, key, value=None, data="", kind="REG_SZ", timeout=60):
        """`wine reg add`; value None sets the default value. True on success."""
        argv = ["reg", "add", key]
        argv += ["/ve"] if value is None else ["/v", value]
        argv += ["/t", kind, "/d", str(data), "/f"]
        return self.wine(argv, timeout)[0] == 0

    def reg_delete(self, key, value=None, timeout=60):
        argv = ["reg", "delete", key] + (["/v", value] if value is not None else []) + ["/f"]
        return self.wine(argv, timeout)[0] == 0

    def reg_query(self, key, value=None, timeout=60):
        """The data of one value through `wine reg query` (string form as reg
        prints it), or None when the key or value is missing. value None asks
        for the default value."""
        argv = ["reg", "query", key] + (["/ve"] if value is None else ["/v", value])
        code, out, _ = self.wine(argv, timeout)
        if code != 0:
            return None
        want = "(default)" if value is None else value.lower()
        for line in out.splitlines():
            m = re.match(r"^\s{2,}(.*?)\s{2,}(REG_\w+)(?:\s{2,}(.*))?$", line.rstrip("\r"))
            if m and m.group(1).lower() in (want, "(default)" if value is None else want):
                return m.group(3) or ""
        return None

    def registry(self):
        """Both registry files parsed (ends the session first)."""
        self.wait_server()
        reg = Registry()
        reg.update(parse_reg_file(os.path.join(self.path, "system.reg"), "HKLM"))
        reg.update(parse_reg_file(os.path.join(self.path, "user.reg"), "HKCU"))
        return reg

    def set_windows_version(self, name):
        """Sets the Windows version Wine reports (win95, win98, winme, nt40,
        win2k, winxp, win2003, win7, win8, win81, win10); None restores the
        default. Takes effect for programs started afterwards."""
        if name is None:
            ok = self.reg_delete(r"HKCU\Software\Wine", "Version")
        else:
            ok = self.reg_add(r"HKCU\Software\Wine", "Version", name)
        # A program started in the same session reads the new value, but a
        # fresh session makes sure nothing cached the old one.
        self.wait_server()
        return ok

    # --- files ---
    def unix_path(self, win_path):
        """The Unix path of a Windows path of this prefix ("C:\\x" or
        "Z:\\tmp\\x"); existing components are matched without case."""
        p = win_path.replace("/", "\\")
        m = re.match(r"^([A-Za-z]):\\?(.*)$", p)
        if not m:
            raise ValueError("not an absolute Windows path: %r" % win_path)
        drive = m.group(1).lower()
        parts = [x for x in m.group(2).split("\\") if x]
        if drive == "c":
            return _resolve_case(self.drive_c, parts)
        if drive == "z":
            return "/" + "/".join(parts)
        return _resolve_case(os.path.join(self.path, "dosdevices", drive + ":"), parts)

    def win_path(self, unix_path):
        """The Windows path of a Unix path: C:\\... inside drive_c, else Z:\\..."""
        p = os.path.abspath(unix_path)
        if p == self.drive_c or p.startswith(self.drive_c + os.sep):
            rest = p[len(self.drive_c):].lstrip(os.sep)
            return "C:\\" + rest.replace("/", "\\")
        return "Z:" + p.replace("/", "\\")

    def write_file(self, win_path, data):
        """Writes a file at a Windows path of the prefix; returns its Unix path."""
        return write_file(self.unix_path(win_path), data)

    def exists(self, win_path):
        return os.path.lexists(self.unix_path(win_path))

    # Folders of a fresh prefix (the same in win32 and win64 prefixes, except
    # Program Files for a 32-bit program in a win64 prefix).
    WINDOWS = "C:\\windows"
    DESKTOP = "C:\\users\\root\\Desktop"
    PROGRAMS = "C:\\users\\root\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
    TEMP = "C:\\users\\root\\Temp"

    @property
    def program_files(self):
        if self.arch == "win32" or BUILD == "win64":
            return "C:\\Program Files"
        return "C:\\Program Files (x86)"

    @property
    def user(self):
        users = os.path.join(self.drive_c, "users")
        for name in sorted(os.listdir(users)) if os.path.isdir(users) else []:
            if name.lower() not in ("public", "default", "all users"):
                return name
        return "root"

    # --- snapshots ---
    def snapshot(self):
        """Files of drive_c and the registry, after the session has ended."""
        reg = self.registry()
        files = {}
        for root, dirs, names in os.walk(self.drive_c):
            rel_root = os.path.relpath(root, self.drive_c)
            for d in dirs:
                p = os.path.join(root, d)
                rel = os.path.normpath(os.path.join(rel_root, d)).replace(os.sep, "/")
                files[rel + "/"] = "<link>" if os.path.islink(p) else "<dir>"
            for n in names:
                p = os.path.join(root, n)
                rel = os.path.normpath(os.path.join(rel_root, n)).replace(os.sep, "/")
                if os.path.islink(p):
                    files[rel] = "<link> " + os.readlink(p)
                else:
                    try:
                        files[rel] = sha256_file(p)
                    except OSError:
                        files[rel] = "<unreadable>"
        return Snapshot(files, reg)


# --------------------------------------------------------------------------
# X display for GUI suites


_running_servers = set()


def _stop_leftover_servers():
    for proc in list(_running_servers):
        if proc.poll() is None:
            proc.kill()
            proc.wait(timeout=10)


atexit.register(_stop_leftover_servers)


class Display:
    """A private Xvfb server for the prefix (context manager).

    On entry the prefix's session is ended (so that Wine's desktop process
    starts anew on this display) and prefix.display is set; on exit the
    session is ended again before the X server stops."""

    def __init__(self, prefix, screen="1024x768x24"):
        self.prefix = prefix
        self.screen = screen
        self.name = None
        self.proc = None

    def __enter__(self):
        self.prefix.kill()
        # Xvfb picks a free display number itself and reports it through
        # -displayfd, so that suites running side by side never share one.
        read_fd, write_fd = os.pipe()
        log = open(os.path.join(self.prefix.logs, "xvfb.log"), "wb")
        try:
            self.proc = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", self.screen,
                 "-nolisten", "tcp", "-ac"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=log, pass_fds=(write_fd,),
                start_new_session=True)
        finally:
            log.close()
            os.close(write_fd)
        _running_servers.add(self.proc)
        number = b""
        deadline = time.monotonic() + 20
        try:
            while not number.endswith(b"\n") and time.monotonic() < deadline:
                ready, _, _ = select.select([read_fd], [], [], 0.2)
                if ready:
                    chunk = os.read(read_fd, 16)
                    if not chunk:
                        break
                    number += chunk
                elif self.proc.poll() is not None:
                    break
        finally:
            os.close(read_fd)
        if self.proc.poll() is None and number.strip().isdigit():
            self.name = ":" + number.strip().decode()
            self.prefix.display = self.name
            return self
        self._stop_server()
        raise RuntimeError("Xvfb did not start")

    def __exit__(self, *exc):
        try:
            self.prefix.kill()
        finally:
            self.prefix.display = None
            self._stop_server()
        return False

    def _stop_server(self):
        _running_servers.discard(self.proc)
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=10)
        self.proc = None

    # --- xdotool ---
    def xdotool(self, args, timeout=15):
        env = dict(os.environ, DISPLAY=self.name)
        return run_bounded(["xdotool"] + [str(a) for a in args], timeout=timeout, env=env,
                           log_dir=self.prefix.logs, name="xdotool")

    def find_windows(self, name_regex, timeout=0):
        """Ids of mapped windows whose name matches the regex (xdotool's
        search syntax); waits up to `timeout` seconds for one to appear."""
        deadline = time.monotonic() + timeout
        while True:
            code, out, _ = self.xdotool(["search", "--onlyvisible", "--name", name_regex])
            ids = [int(x) for x in out.split() if x.strip().isdigit()]
            if ids or time.monotonic() >= deadline:
                return ids
            time.sleep(0.2)

    def window_name(self, wid):
        code, out, _ = self.xdotool(["getwindowname", wid])
        return out.rstrip("\n") if code == 0 else None

    def window_geometry(self, wid):
        """(x, y, width, height) or None."""
        code, out, _ = self.xdotool(["getwindowgeometry", "--shell", wid])
        if code != 0:
            return None
        vals = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        try:
            return int(vals["X"]), int(vals["Y"]), int(vals["WIDTH"]), int(vals["HEIGHT"])
        except (KeyError, ValueError):
            return None

    def key(self, wid, *keys):
        return self.xdotool(["key", "--window", wid] + list(keys))[0] == 0

    def type_text(self, wid, text):
        return self.xdotool(["type", "--window", wid, text])[0] == 0

    def click(self, wid, x, y, button=1):
        return self.xdotool(["mousemove", "--window", wid, x, y, "click", button])[0] == 0

    def screenshot(self, path, timeout=30):
        """A PNG of the whole screen (ImageMagick's import)."""
        env = dict(os.environ, DISPLAY=self.name)
        return run_bounded(["/usr/bin/import", "-window", "root", path], timeout=timeout,
                           env=env, log_dir=self.prefix.logs, name="import")[0] == 0


@contextlib.contextmanager
def suite_prefix(suite, arch=None):
    """A created prefix for a block: `with suite_prefix("x") as prefix:`."""
    prefix = Prefix(work_dir(suite), arch=arch).create()
    try:
        yield prefix
    finally:
        prefix.close()


if __name__ == "__main__":
    sys.exit("scrtest is a library; run the tests/e2e/test_*.py suites")
