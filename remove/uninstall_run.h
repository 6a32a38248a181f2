// The uninstall run of an uninstaller copy.
#pragma once

#include <string>

#include "package/loader.h"
#include "platform/system.h"
#include "setup/exit_codes.h"
#include "setup/run_mode.h"

namespace scr {

// How many names the temporary copy tries in the temporary folder before
// the uninstaller is left for deletion at the next restart.
inline constexpr int kTemporaryCopyAttempts = 16;

// What the uninstall run asks of whoever started it.
class UninstallFront {
 public:
  virtual ~UninstallFront() = default;
  // The wizard belongs to the install side: it is never shown.
  virtual void HideWindow() = 0;
};

// Everything the uninstall run uses: the system, the loaded package, the run
// modes, this program's own file (the one loading opened) and its front.
struct UninstallContext {
  System& sys;
  const LoadedPackage& package;
  RunModes modes;
  std::string own_path;
  UninstallFront& front;
};

// Confirms, removes the screensaver, its settings, readme, entry and
// shortcuts, and starts the temporary copy that deletes the uninstaller.
// kDone after a removal or a preview, kCancelled when the user declined,
// kNotAnUninstaller or kPieceStayed on a failure that the caller reports
// as a damaged package.
RunEnd RunUninstall(const UninstallContext& context);

}  // namespace scr
