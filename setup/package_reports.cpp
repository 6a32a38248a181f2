#include "setup/package_reports.h"

#include "package/texts.h"

namespace scr {

bool LoadPackageOrReport(System& system, RunModes modes, LoadedPackage& package,
                         std::unique_ptr<File>& file, RunEnd* end) {
  switch (LoadPackage(system, package, file)) {
    case LoadStatus::kOk:
      return true;
    case LoadStatus::kCannotOpen:
      // Not a damaged package: the program cannot read itself at all (held
      // exclusively by another program, or removed while starting). Say so
      // plainly; a silent run shows no box and says it on the standard
      // error handle.
      if (modes.SilentMode) {
        std::string text = "Screensaver Setup: cannot open its own program file ";
        text += package.program_path;
        text += "\r\n";
        system.WriteStdError(text);
      } else {
        std::string text = "Setup cannot open its own program file:\r\n";
        text += package.program_path;
        system.MessageBox(text, Translate(package.table, TextId::kMessageCaption), MsgIcon::kError,
                          MsgButtons::kOk);
      }
      *end = RunEnd::kCannotOpenProgram;
      return false;
    case LoadStatus::kCorrupted:
      break;
  }
  // The file is closed before the report: the user may want to delete the
  // damaged download while the box is open.
  file.reset();
  *end = ReportDamagedPackage(system, modes, package.table);
  return false;
}

RunEnd ReportDamagedPackage(System& system, RunModes modes, const LanguageTable& table) {
  if (!modes.SilentMode) {
    system.MessageBox(Translate(table, TextId::kCorrupted),
                      Translate(table, TextId::kMessageCaption), MsgIcon::kError, MsgButtons::kOk);
  }
  return RunEnd::kBadPackage;
}

bool ReadTextsOrReport(System& system, RunModes modes, std::unique_ptr<File>& file,
                       LoadedPackage& package) {
  const bool read = ReadSetupTexts(*file, package);
  file.reset();
  if (!read) ReportDamagedPackage(system, modes, package.table);
  return read;
}

RunEnd UninstallOrReport(const UninstallContext& context) {
  const RunEnd end = RunUninstall(context);
  if (end == RunEnd::kNotAnUninstaller || end == RunEnd::kPieceStayed)
    return ReportDamagedPackage(context.sys, context.modes, context.package.table);
  return end;
}

}  // namespace scr
