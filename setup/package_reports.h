// Loading the package and the one way of telling that it cannot be used,
// shared by the wizard and the silent run.
#pragma once

#include <memory>

#include "package/loader.h"
#include "platform/system.h"
#include "remove/uninstall_run.h"
#include "setup/exit_codes.h"
#include "setup/run_mode.h"

namespace scr {

// Loads this program's package, its file left open in `file`. When it
// cannot, tells the user why and returns false with how the run ended in
// `*end`: kCannotOpenProgram (a box, or in SilentMode a line on the
// standard error handle) or kBadPackage (the damaged-package report).
bool LoadPackageOrReport(System& system, RunModes modes, LoadedPackage& package,
                         std::unique_ptr<File>& file, RunEnd* end);

// The one report of a package that cannot be used: a box, nothing in
// SilentMode (a scripted installation never waits on a question; its exit
// code says it). Returns kBadPackage.
RunEnd ReportDamagedPackage(System& system, RunModes modes, const LanguageTable& table);

// Reads the setup's texts into `package` and closes `file` either way.
// False after the damaged-package report.
bool ReadTextsOrReport(System& system, RunModes modes, std::unique_ptr<File>& file,
                       LoadedPackage& package);

// The uninstall run. A run that found no uninstaller copy, or left a piece
// in place, ends in the damaged-package report and kBadPackage.
RunEnd UninstallOrReport(const UninstallContext& context);

}  // namespace scr
