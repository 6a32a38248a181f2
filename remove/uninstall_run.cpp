#include "remove/uninstall_run.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "install/player_settings.h"
#include "install/registration.h"
#include "package/file_name.h"
#include "package/language.h"
#include "package/name_rules.h"
#include "package/record.h"
#include "wizard/setup_form.h"

namespace scr {
namespace {

std::string FolderPart(System& sys, const std::string& path) {
  return path.substr(0, FileNameStart(sys, path, "\\:"));
}

// The name the install run gave the screensaver: the package's file name
// behind its last "\", "/" or ":", so that it never reaches out of the
// folder it is joined to.
std::string PackageFileName(System& sys, const std::string& file_name) {
  return file_name.substr(FileNameStart(sys, file_name, kAnySeparators));
}

// A number from 0 to 9 999 998 that varies with the seed (a linear
// congruential step, scaled to the range without the bias of a modulo).
uint32_t RandomNumber(uint32_t seed) {
  seed = seed * 134775813u + 1u;
  return static_cast<uint32_t>((static_cast<uint64_t>(seed) * 9999999u) >> 32);
}

// The temporary copy's path in `temp`, or empty when there is no temporary
// folder. Exactly one backslash joins the two, whether or not the folder
// ends in one.
std::string TemporaryCopyPath(const std::string& temp, uint32_t seed) {
  if (temp.empty()) return std::string();
  std::string path = temp;
  if (path.back() != '\\') path += '\\';
  return path + "ZEROveruziuninst" + std::to_string(RandomNumber(seed)) + ".exe";
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
    MsgAnswer answer = sys.MessageBox(
        InsertTitle(form.Tr("Are you sure you want to remove %s and its components?"), title),
        title + " " + form.Tr("Uninstall"), MsgIcon::kQuestion, MsgButtons::kYesNo);
    if (answer != MsgAnswer::kYes) {
      form.exit_code = kExitCancelled;
      form.view.Terminate();
      return true;
    }
  }

  // A title that names no key or folder of its own (empty, or nothing but
  // blanks, backslashes and dots) would make the settings, the entry and the Start-menu
  // group point at their shared parents: the whole Uninstall key, every
  // player's settings, the Programs folder. Those are left alone then.
  const bool own_key = TitleStaysInPlace(sys, title);

  // Read before the settings that hold it are cleared. Without a record the
  // screensaver is looked for beside this uninstaller, where the install
  // run put both.
  std::string screensaver = own_key ? ReadInstalledPath(sys, title) : std::string();
  if (screensaver.empty()) {
    screensaver =
        FolderPart(sys, sys.ModulePath()) + PackageFileName(sys, FieldText(record.ScrFileName));
  }

  if (form.modes.PreviewOnly) {
    form.view.Terminate();
    return true;
  }

  sys.DeleteFile(screensaver);
  if (own_key) ClearPlayerSettings(sys, title);
  if (record.ReadmeSize > 0) {
    sys.DeleteFile(FolderPart(sys, screensaver) + title + " " + form.Tr("Readme") + ".txt");
  }

  // Entry and shortcuts come before the temporary copy is started: a shell
  // folder that cannot be found ends the run with the damaged-package
  // report, and the copy must not then delete the uninstaller and announce
  // a complete removal.
  if (own_key) {
    if (record.AddUninstallEntry) DeleteUninstallEntry(sys, title);
    if (record.AddStartMenuGroup && !DeleteProgramShortcuts(sys, form.package.table, title))
      return false;
    if (record.AddDesktopShortcut && !DeleteDesktopPreviewShortcut(sys, form.package.table, title))
      return false;
  }

  // A running program cannot delete its own file: a copy of it in the
  // temporary folder does that once this process has ended.
  const std::string own = sys.ModulePath();
  const std::string copy = TemporaryCopyPath(sys.TempPath(), sys.RandomSeed());
  bool started = false;
  if (!copy.empty() && sys.CopyFile(own, copy, true)) {
    std::string params = "-delfile " + PathArgument(sys.ShortPath(own));
    if (!form.modes.SilentMode) {
      params +=
          " \"" + std::string(kApplicationTitle) + "\" \"" +
          InsertTitle(form.Tr("%s has been successfully removed from your computer."), title) +
          "\"";
    }
    started = sys.ShellExecute(true, "open", copy, params, "", kSwHide) > 32;
    if (!started) sys.DeleteFile(copy);
  }
  // Without a temporary copy the uninstaller goes at the next restart.
  if (!started) sys.MoveFileDelayUntilReboot(own);

  form.exit_code = kExitOk;
  form.view.Terminate();
  return true;
}

}  // namespace scr
