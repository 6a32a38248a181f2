#include "remove/uninstall_run.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "install/player_settings.h"
#include "install/registration.h"
#include "package/file_name.h"
#include "package/language.h"
#include "package/name_rules.h"
#include "package/record.h"
#include "package/writer.h"
#include "wizard/setup_form.h"

namespace scr {
namespace {

std::string FolderPart(System& sys, const std::string& path) {
  return FolderPart(LeadBytesOf(sys), path, "\\:");
}

// A folder as one spelling: its full path (no "." or ".." parts, "/" made
// "\\"), without its trailing backslash (a drive's root keeps it), the
// ASCII letters of its single-byte characters lowered (a trail byte that
// looks like a capital is part of another character).
std::string ComparableFolder(System& sys, const std::string& folder) {
  const LeadBytes lead = LeadBytesOf(sys);
  std::string full = sys.FullPath(folder);
  if (full.size() > 3) full = WithoutBackslash(lead, full);
  return LowerSingleByteLetters(lead, full);
}

// Whether two folders are one, compared as full paths without regard to
// letter case, in their long and in their short (8.3) spelling.
bool SameFolder(System& sys, const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  const std::string long_a = ComparableFolder(sys, a);
  const std::string long_b = ComparableFolder(sys, b);
  if (long_a == long_b) return true;
  return ComparableFolder(sys, sys.ShortPath(long_a)) ==
         ComparableFolder(sys, sys.ShortPath(long_b));
}

// The screensaver this uninstaller removes: always a file in its own
// folder, which is the folder that received the screensaver. The recorded
// path is per-user data that any program of the user may rewrite, while
// this run may be elevated: it counts only when its folder is this very
// folder (so neither a system file nor another installation of the same
// title is ever deleted), and even then only its name is taken. Otherwise
// the name is the one the install run gave the file: the package's file
// name behind any of "\\", "/" and ":".
std::string ScreensaverToRemove(System& sys, const std::string& own, const std::string& recorded,
                                const std::string& file_name) {
  const LeadBytes lead = LeadBytesOf(sys);
  const std::string own_folder = FolderPart(sys, own);
  const size_t name_start = FileNameStart(lead, recorded, kAnySeparators);
  const std::string recorded_name = InstalledFileName(recorded, lead);
  if (!recorded_name.empty() && SameFolder(sys, recorded.substr(0, name_start), own_folder))
    return own_folder + recorded_name;
  const std::string name = InstalledFileName(file_name, lead);
  return name.empty() ? std::string() : own_folder + name;
}

// The next state of the pseudo-random sequence (a linear congruential
// step) and the number from 0 to 9 999 998 it gives, scaled to the range
// without the bias of a modulo.
uint32_t NextRandom(uint32_t state) { return state * 134775813u + 1u; }
uint32_t RandomNumber(uint32_t state) {
  return static_cast<uint32_t>((static_cast<uint64_t>(state) * 9999999u) >> 32);
}

// The temporary copy's path in `temp` for the sequence state `state`.
// Exactly one backslash joins the two, whether or not the folder ends in
// one.
std::string TemporaryCopyPath(const LeadBytes& lead, const std::string& temp, uint32_t state) {
  return JoinPath(lead, temp, "ZEROveruziuninst" + std::to_string(RandomNumber(state)) + ".exe");
}

// Whether `a` and `b` hold the same `size` bytes, read from their starts.
bool SameBytes(File& a, File& b, int64_t size) {
  if (!a.Seek(0) || !b.Seek(0) || b.Size() != size) return false;
  std::vector<char> left(64 * 1024), right(left.size());
  while (size > 0) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(size, left.size()));
    if (!a.ReadExact(left.data(), want) || !b.ReadExact(right.data(), want) ||
        std::memcmp(left.data(), right.data(), want) != 0)
      return false;
    size -= static_cast<int64_t>(want);
  }
  return true;
}

// The temporary copy of this program. The temporary folder belongs to the
// user, and any program of the user may plant a file or a link there under
// the name this run would pick, or change the copy before it is started
// elevated. So the copy is only ever created under a name that is free (a
// new random name when one is taken, a bounded number of times), written
// from this program's own file, and then held open so that nobody can
// write, delete or rename it; it is started only when it holds exactly
// this program's bytes. Returns the held file and its path in `*path`, or
// null when no copy could be made.
std::unique_ptr<File> MakeTemporaryCopy(System& sys, const std::string& own_path,
                                        std::string* path) {
  const std::string temp = sys.TempPath();
  if (temp.empty()) return nullptr;
  std::unique_ptr<File> own = sys.OpenRead(own_path, Share::kDenyWrite);
  if (!own) return nullptr;
  const int64_t size = own->Size();
  if (size <= 0) return nullptr;
  uint32_t state = sys.RandomSeed();
  for (int attempt = 0; attempt < kTemporaryCopyAttempts; ++attempt) {
    state = NextRandom(state);
    const std::string candidate = TemporaryCopyPath(LeadBytesOf(sys), temp, state);
    std::unique_ptr<File> written = sys.CreateNewFile(candidate);
    if (!written) continue;  // taken, or not creatable: another name
    std::unique_ptr<File> sealed;
    if (CopyFileRange(*own, 0, size, *written))
      sealed = sys.SealFile(std::move(written), candidate);
    if (sealed && SameBytes(*own, *sealed, size)) {
      *path = candidate;
      return sealed;
    }
    // This run's own file, but not (or no longer) this program's bytes.
    sealed.reset();
    written.reset();
    sys.DeleteFile(candidate);
  }
  return nullptr;
}

// The path as one argument for the temporary copy's command line: quoted
// when it holds a blank, which would otherwise split it (the quotes are
// removed again when the copy splits its command line).
std::string PathArgument(const std::string& path) {
  for (char c : path)
    if (static_cast<unsigned char>(c) <= ' ') return "\"" + path + "\"";
  return path;
}

}  // namespace

bool RunUninstall(TSCRSetup& form) {
  System& sys = form.sys;
  const SetupRecord& record = form.package.record;
  const std::string title = form.Title();
  // The wizard window belongs to the install side: whatever happens below,
  // it is never shown.
  form.view.HideForever();

  // Both marks of an uninstaller copy, whoever started this run.
  if (form.package.kind != TrailerKind::kUninstaller ||
      FieldText(record.RecordSignature) != RecordSignatureText())
    return false;

  if (!form.modes.SilentMode) {
    MsgAnswer answer = sys.MessageBox(InsertTitle(form.Tr(TextId::kRemoveQuestion), title),
                                      title + " " + form.Tr(TextId::kUninstall), MsgIcon::kQuestion,
                                      MsgButtons::kYesNo);
    if (answer != MsgAnswer::kYes) {
      form.exit_code = kExitCancelled;
      form.view.Terminate();
      return true;
    }
  }

  // Loading refused a title that breaks the name rule; checked again here
  // because the readme's name, too, is built from it.
  const bool title_in_place = TitleStaysInPlace(sys, title);

  // Read before the settings that hold it are cleared. This program's file
  // is the one loading opened (GetModuleFileName is not asked again: a
  // failure then could make the run look for its files, copy and mark for
  // deletion under another name).
  const std::string own = form.package.program_path;
  const std::string screensaver =
      ScreensaverToRemove(sys, own, ReadInstalledPath(sys, title), FieldText(record.ScrFileName));

  if (form.modes.PreviewOnly) {
    form.view.Terminate();
    return true;
  }

  // A piece that is still there after its removal (a screensaver that is
  // running or held open, a key without the right to delete it) ends the
  // run in its failure report before anything later is removed: the
  // uninstaller, its entry and the rest stay, so it can be run again, and
  // nothing claims a removal that did not happen. A missing file is no
  // error: it is gone either way.
  if (!screensaver.empty()) {
    sys.DeleteFile(screensaver);
    if (sys.FileExists(screensaver)) return false;
  }
  ClearPlayerSettings(sys, title);
  if (record.ReadmeSize > 0 && title_in_place) {
    const std::string readme =
        FolderPart(sys, own) + ReadmeFileName(sys, form.package.table, title);
    sys.DeleteFile(readme);
    if (sys.FileExists(readme)) return false;
  }

  // Entry and shortcuts come before the temporary copy is started: a shell
  // folder that cannot be found ends the run with the damaged-package
  // report, and the copy must not then delete the uninstaller and announce
  // a complete removal.
  // Each of them refuses a title that breaks the name rule by itself.
  if (record.AddUninstallEntry && !DeleteUninstallEntry(sys, title)) return false;
  if (record.AddStartMenuGroup && !DeleteProgramShortcuts(sys, form.package.table, title))
    return false;
  if (record.AddDesktopShortcut && !DeleteDesktopPreviewShortcut(sys, form.package.table, title))
    return false;

  // A running program cannot delete its own file: a copy of it in the
  // temporary folder does that once this process has ended.
  std::string copy;
  bool started = false;
  if (std::unique_ptr<File> held = MakeTemporaryCopy(sys, own, &copy)) {
    std::string params = "-delfile " + PathArgument(sys.ShortPath(own));
    if (!form.modes.SilentMode) {
      params += " \"" + form.Tr(TextId::kMessageCaption) + "\" \"" +
                InsertTitle(form.Tr(TextId::kRemoved), title) + "\"";
    }
    started = sys.ShellExecute(true, "open", copy, params, "", kSwHide) > 32;
    // Held until the copy has been started, and let go after.
    held.reset();
    if (!started) sys.DeleteFile(copy);
  }
  // Without a temporary copy the uninstaller goes at the next restart. When
  // even that is refused, the uninstaller would stay for good: the run ends
  // in its failure report, and the uninstaller can be run again.
  if (!started && !sys.MoveFileDelayUntilReboot(own)) return false;

  form.exit_code = kExitOk;
  form.view.Terminate();
  return true;
}

}  // namespace scr
