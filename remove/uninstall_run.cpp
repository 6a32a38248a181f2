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
#include "package/texts.h"
#include "package/writer.h"

namespace scr {
namespace {

std::string FolderPart(System& sys, const std::string& path) {
  return FolderPart(LeadBytesOf(sys), path, "\\:");
}

// The screensaver this uninstaller removes. The install run named the
// uninstaller after its target (translated "Uninstall" lowered, a blank,
// the target's name with ".exe": "uninstall MySaver1.exe" beside
// MySaver1.scr), so the target is this program's own folder plus the middle
// of its own name with the extension of the package's file name. The
// recorded path is never asked: it is per-user data that any program of the
// user may rewrite, this run may be elevated, and its folder may be one the
// system shares (the Windows folder). An uninstaller that no longer bears
// such a name removes the package's own file name from its folder.
std::string ScreensaverToRemove(System& sys, const LanguageTable& table, const std::string& own,
                                std::string_view file_name) {
  const LeadBytes lead = LeadBytesOf(sys);
  const std::string package_name = InstalledFileName(file_name, lead);
  if (package_name.empty()) return "";
  const std::string_view own_view = own;
  const size_t name_start = FileNameStart(lead, own_view, kFolderSeparators);
  std::string path(own_view.substr(0, name_start));
  const std::string_view own_name = own_view.substr(name_start);
  // Compared as the install run wrote it: single-byte letters lowered only.
  std::string prefix = LowerSingleByteLetters(lead, NameWord(sys, table, TextId::kUninstall));
  prefix += ' ';
  constexpr std::string_view suffix = ".exe";
  const std::string lowered = LowerSingleByteLetters(lead, own_name);
  if (lowered.size() > prefix.size() + suffix.size() &&
      lowered.compare(0, prefix.size(), prefix) == 0 &&
      lowered.compare(lowered.size() - suffix.size(), suffix.size(), suffix) == 0) {
    const size_t dot = ExtensionStart(lead, package_name);
    path += own_name.substr(prefix.size(), own_name.size() - prefix.size() - suffix.size());
    if (dot != std::string::npos) path += std::string_view(package_name).substr(dot);
    return path;
  }
  path += package_name;
  return path;
}

// The next state of the pseudo-random sequence (a linear congruential
// step) and the number from 0 to 9 999 998 it gives, scaled to the range
// without the bias of a modulo.
uint32_t NextRandom(uint32_t state) { return state * 134775813u + 1u; }
uint32_t RandomNumber(uint32_t state) {
  return static_cast<uint32_t>((static_cast<uint64_t>(state) * 9999999u) >> 32);
}

// The name of the temporary copy (without its extension) or of its
// folder for the sequence state `state`.
std::string RandomName(uint32_t state) {
  std::string name = "ZEROveruziuninst";
  name += DecimalText(RandomNumber(state));
  return name;
}

// The temporary copy's path in `temp` for the sequence state `state`.
// Exactly one backslash joins the two, whether or not the folder ends in
// one.
std::string TemporaryCopyPath(const LeadBytes& lead, const std::string& temp, uint32_t state) {
  std::string name = RandomName(state);
  name += ".exe";
  return JoinPath(lead, temp, name);
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
std::unique_ptr<File> MakeTemporaryCopy(System& sys, const std::string& temp,
                                        const std::string& own_path, std::string* path) {
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

// The folder for the temporary copy of an elevated run: a new sub-folder
// of the Windows folder's "Temp" that only administrators and SYSTEM may
// change, its access list set as it is made. The user's temporary folder
// will not do: its path is per-user, the user may rename or delete its
// entries whatever their access lists say, a program's own folder supplies
// the DLLs that Windows loads before any of its code runs, and it may lie
// on a network drive where a held file guarantees nothing. Empty when no
// such folder could be made.
std::string MakePrivateFolder(System& sys) {
  const std::string windows = sys.WindowsDirectory();
  if (windows.empty()) return "";
  std::string temp = WithBackslash(sys, windows);
  temp += "Temp\\";
  uint32_t state = NextRandom(~sys.RandomSeed());
  for (int attempt = 0; attempt < kTemporaryCopyAttempts; ++attempt) {
    state = NextRandom(state);
    const std::string folder = temp + RandomName(state);
    if (sys.CreatePrivateFolder(folder)) return folder;
  }
  return "";
}

// The path as one argument for the temporary copy's command line: quoted
// when it holds a blank, which would otherwise split it (the quotes are
// removed again when the copy splits its command line).
std::string PathArgument(const std::string& path) {
  for (char c : path)
    if (static_cast<unsigned char>(c) <= ' ') {
      std::string quoted = "\"";
      quoted += path;
      quoted += '"';
      return quoted;
    }
  return path;
}

// The screensaver file, the player settings and the readme, in this
// order. A piece that is still there after its removal (a screensaver that
// is running or held open, a key without the right to delete it) ends the
// run in its failure report before anything later is removed: the
// uninstaller, its entry and the rest stay, so it can be run again, and
// nothing claims a removal that did not happen. A missing file is no
// error: it is gone either way.
bool RemoveFiles(const UninstallContext& context, std::string_view title, bool title_in_place,
                 const std::string& screensaver) {
  System& sys = context.sys;
  if (!screensaver.empty()) {
    sys.DeleteFile(screensaver);
    if (sys.FileExists(screensaver)) return false;
  }
  ClearPlayerSettings(sys, title);
  if (context.package.record.ReadmeSize > 0 && title_in_place) {
    const std::string readme =
        FolderPart(sys, context.own_path) + ReadmeFileName(sys, context.package.table, title);
    sys.DeleteFile(readme);
    if (sys.FileExists(readme)) return false;
  }
  return true;
}

// Entry and shortcuts come before the temporary copy is started: a shell
// folder that cannot be found ends the run with the damaged-package
// report, and the copy must not then delete the uninstaller and announce
// a complete removal.
// Each of them refuses a title that breaks the name rule by itself.
bool RemoveRegistration(const UninstallContext& context, std::string_view title) {
  System& sys = context.sys;
  const SetupRecord& record = context.package.record;
  if (record.AddUninstallEntry && !DeleteUninstallEntry(sys, title)) return false;
  if (record.AddStartMenuGroup && !DeleteProgramShortcuts(sys, context.package.table, title))
    return false;
  if (record.AddDesktopShortcut && !DeleteDesktopPreviewShortcut(sys, context.package.table, title))
    return false;
  return true;
}

// A running program cannot delete its own file: a copy of it in the
// temporary folder does that once this process has ended. Without a
// temporary copy the uninstaller goes at the next restart. False when even
// that is refused: the uninstaller would stay for good.
bool ArrangeOwnDeletion(const UninstallContext& context, std::string_view title) {
  System& sys = context.sys;
  const std::string& own = context.own_path;
  std::string copy;
  bool started = false;
  // Windows 9x, and NT without elevation, keep the user's temporary folder:
  // the run has no more rights than the user there.
  const bool elevated = sys.IsElevated();
  std::string private_folder;
  if (elevated) private_folder = MakePrivateFolder(sys);
  const std::string temp = elevated ? private_folder : sys.TempPath();
  if (std::unique_ptr<File> held = MakeTemporaryCopy(sys, temp, own, &copy)) {
    std::string params = "-delfile ";
    params += PathArgument(sys.ShortPath(own));
    if (!context.modes.SilentMode) {
      const LanguageTable& table = context.package.table;
      params += " \"";
      params += Translate(table, TextId::kMessageCaption);
      params += "\" \"";
      params += InsertTitle(Translate(table, TextId::kRemoved), title);
      params += '"';
    }
    // By its path, never through the shell: the shell would look up how to
    // open a program in classes that the user may override.
    started = sys.StartProgram(copy, params, kSwHide);
    // Held until the copy has been started, and let go after.
    held.reset();
    if (!started) sys.DeleteFile(copy);
  }
  if (!private_folder.empty()) {
    // The copy, then its folder, go at the next restart (the copy cannot
    // delete its own file, nor the folder it runs in).
    if (started) {
      sys.MoveFileDelayUntilReboot(copy);
      sys.MoveFileDelayUntilReboot(private_folder);
    } else {
      sys.RemoveDirectory(private_folder);
    }
  }
  return started || sys.MoveFileDelayUntilReboot(own);
}

}  // namespace

RunEnd RunUninstall(const UninstallContext& context) {
  System& sys = context.sys;
  const LoadedPackage& package = context.package;
  const SetupRecord& record = package.record;
  const std::string_view title = FieldView(record.ScrTitle);
  // The wizard window belongs to the install side: whatever happens below,
  // it is never shown.
  context.front.HideWindow();

  // Both marks of an uninstaller copy, whoever started this run.
  if (package.kind != TrailerKind::kUninstaller ||
      FieldView(record.RecordSignature) != RecordSignatureText())
    return RunEnd::kNotAnUninstaller;

  if (!context.modes.SilentMode) {
    std::string caption(title);
    caption += ' ';
    caption += Translate(package.table, TextId::kUninstall);
    MsgAnswer answer =
        sys.MessageBox(InsertTitle(Translate(package.table, TextId::kRemoveQuestion), title),
                       caption, MsgIcon::kQuestion, MsgButtons::kYesNo);
    if (answer != MsgAnswer::kYes) return RunEnd::kCancelled;
  }

  // Loading refused a title that breaks the name rule; checked again here
  // because the readme's name, too, is built from it.
  const bool title_in_place = TitleStaysInPlace(sys, title);

  // This program's file is the one loading opened (GetModuleFileName is
  // not asked again: a failure then could make the run look for its files,
  // copy and mark for deletion under another name).
  const std::string screensaver =
      ScreensaverToRemove(sys, package.table, context.own_path, FieldView(record.ScrFileName));
  if (context.modes.PreviewOnly) return RunEnd::kDone;

  if (!RemoveFiles(context, title, title_in_place, screensaver) ||
      !RemoveRegistration(context, title) || !ArrangeOwnDeletion(context, title))
    return RunEnd::kPieceStayed;
  return RunEnd::kDone;
}

}  // namespace scr
