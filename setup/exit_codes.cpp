#include "setup/exit_codes.h"

namespace scr {

int ExitCodeOf(RunEnd end) {
  switch (end) {
    case RunEnd::kDone:
    case RunEnd::kInstalled:
    // The wizard goes on after a refused folder; its own end decides the code.
    case RunEnd::kFolderRefused:
      return kExitOk;
    case RunEnd::kBadDestination:
      return kExitBadDestination;
    case RunEnd::kCopyFailed:
      return kExitCopyFailed;
    case RunEnd::kCancelled:
      return kExitCancelled;
    // An uninstall that leaves a piece keeps the uninstaller and its entry
    // so it can be run again; it reports as a damaged package does.
    case RunEnd::kBadPackage:
    case RunEnd::kCannotOpenProgram:
    case RunEnd::kNotAnUninstaller:
    case RunEnd::kPieceStayed:
      return kExitBadPackage;
    case RunEnd::kNoWindow:
      return kExitNoWindow;
    case RunEnd::kRemovalDeferred:
      return kExitRemovalDeferred;
  }
  return kExitBadPackage;
}

}  // namespace scr
