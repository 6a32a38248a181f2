#include "remove/deferred_removal.h"

#include <algorithm>
#include <memory>

#include "install/destination.h"
#include "package/ansi_text.h"
#include "package/file_name.h"
#include "package/loader.h"
#include "setup/run_mode.h"

namespace scr {
namespace {

// A folder in the spelling UninstallerFolder compares: the uninstaller's
// path arrives in its short form, the package's folder in its long one.
std::string ComparableFolder(System& sys, const std::string& folder) {
  std::string full = sys.FullPath(sys.ShortPath(folder));
  const LeadBytes lead = LeadBytesOf(sys);
  if (full.size() > 3 && EndsWithBackslash(lead, full)) full.pop_back();
  return LowerSingleByteLetters(lead, full);
}

bool IsRoot(const std::string& folder) {
  if (folder.size() <= 3) return true;  // "c:\", or less than a folder
  // A network share: "\\server\share".
  return folder.rfind("\\\\", 0) == 0 && std::count(folder.begin() + 2, folder.end(), '\\') <= 1;
}

// The package's default folder, read from this program's own file: the
// temporary copy is a copy of the uninstaller, which carries the record.
std::string DefaultFolder(System& sys) {
  LoadedPackage package;
  std::unique_ptr<File> file;
  std::string folder;
  if (LoadPackage(sys, package, file) == LoadStatus::kOk &&
      package.kind == TrailerKind::kUninstaller) {
    const std::string_view dest = ShortStringView(package.record.DestFolder);
    const std::string own =
        ResolveDestinationFolder(sys, dest, ShortStringView(package.record.DestSubfolder));
    // A sub-folder of blanks or a lone "\" makes no folder of its own.
    if (own != ResolveDestinationFolder(sys, dest, "")) folder = ComparableFolder(sys, own);
  }
  FreeLanguageTable(package.table);
  return folder;
}

// Folders of the system that are never removed, whoever asks.
const char* const kWindowsSubfolders[] = {"", "\\system32", "\\system", "\\SysWOW64"};
// 64-bit Windows shows a 32-bit program another Program Files folder than
// its own; both are recorded.
const char* const kProgramFilesValues[] = {"ProgramFilesDir", "ProgramW6432Dir"};

UninstallerFolder DescribeFolder(System& sys, const std::string& folder) {
  UninstallerFolder facts;
  facts.folder = ComparableFolder(sys, folder);
  facts.default_folder = DefaultFolder(sys);
  const std::string windows = sys.WindowsDirectory();
  std::string program_files;
  facts.system_folders_known = !windows.empty() &&
                               sys.SpecialFolderPath(ShellFolder::kProgramFiles, &program_files) &&
                               !program_files.empty();
  if (facts.system_folders_known) {
    const auto add = [&](const std::string& path) {
      facts.system_folders.push_back(ComparableFolder(sys, path));
    };
    const std::string base = WithoutBackslash(sys, windows);
    for (const char* sub : kWindowsSubfolders) add(base + sub);
    add(program_files);
    for (const char* value : kProgramFilesValues) {
      std::string path;
      if (sys.RegGetString(RootKey::kLocalMachine, kCurrentVersionKey, value, &path) &&
          !path.empty())
        add(path);
    }
  }
  const std::string bare = WithoutBackslash(sys, folder);
  facts.attributes = sys.FileAttributes(bare);
  facts.empty = sys.FolderIsEmpty(bare);
  return facts;
}

// Removes the folder that held `uninstaller` when it may go. One that
// cannot go now (another program's current folder, say) goes at the next
// restart on NT; Windows 9x can delete only files then, so there it stays.
void RemoveUninstallerFolder(System& sys, const std::string& uninstaller) {
  const std::string folder =
      uninstaller.substr(0, FileNameStart(sys, uninstaller, kFolderSeparators));
  if (folder.empty()) return;
  if (!MayRemoveUninstallerFolder(DescribeFolder(sys, folder))) return;
  const std::string bare = WithoutBackslash(sys, folder);
  if (sys.RemoveDirectory(bare)) return;
  const VersionInfo version = sys.GetVersion();
  if (version.ok && version.platform_id == 2) sys.MoveFileDelayUntilReboot(bare);
}

// Deletes `target` until it is gone, pausing between attempts. False when
// it is still there after the bound.
bool DeleteWhenFree(System& sys, const std::string& target) {
  const uint32_t start = sys.TickCount();
  // A second bound by count, in case the clock does not move: with the
  // pause between them, this many attempts take at least the time bound.
  const unsigned max_attempts = kDeferredRemovalBoundMs / kDeferredRemovalPauseMs + 1;
  for (unsigned attempt = 1;; ++attempt) {
    sys.DeleteFile(target);
    if (!sys.FileExists(target)) return true;
    // Unsigned difference: correct across the wrap of the tick counter.
    if (sys.TickCount() - start >= kDeferredRemovalBoundMs || attempt >= max_attempts) return false;
    sys.Sleep(kDeferredRemovalPauseMs);
  }
}

}  // namespace

bool MayRemoveUninstallerFolder(const UninstallerFolder& facts) {
  if (facts.folder.empty() || facts.folder != facts.default_folder) return false;
  if (!facts.empty || facts.attributes == kNoAttributes ||
      !(facts.attributes & kAttributeDirectory) || (facts.attributes & kAttributeReparsePoint))
    return false;
  if (!facts.system_folders_known || IsRoot(facts.folder)) return false;
  // A plain loop: std::find's unrolled search is larger code than these
  // few folders need.
  for (const std::string& system_folder : facts.system_folders)
    if (system_folder == facts.folder) return false;
  return true;
}

RunEnd RunDeferredRemoval(System& sys, const std::vector<std::string>& args) {
  const std::string target = Argument(args, 2);
  const bool deleted = DeleteWhenFree(sys, target);

  // Whatever happens, nothing is left behind for good: a target that stayed
  // busy goes at the next restart, and so does this temporary copy, which
  // cannot delete its own running file. The results are not examined: a
  // system that refuses leaves the files where they are, and there is no
  // one to tell.
  if (!deleted) sys.MoveFileDelayUntilReboot(target);
  if (deleted) RemoveUninstallerFolder(sys, target);
  const std::string own = sys.ModulePath();
  if (!own.empty()) sys.MoveFileDelayUntilReboot(own);

  if (!deleted) return RunEnd::kRemovalDeferred;
  // The closing message only with exactly caption and text: any other count
  // means the arguments did not split as the uninstaller meant them.
  if (ArgumentCount(args) == 4) {
    sys.MessageBox(Argument(args, 4), Argument(args, 3), MsgIcon::kInformation, MsgButtons::kOk);
  }
  return RunEnd::kDone;
}

}  // namespace scr
