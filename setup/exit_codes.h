// Process exit codes. Administrators who run "-silent" from scripts read them.
#pragma once

namespace scr {

enum ExitCode : int {
  kExitOk = 0,               // the run did its job
  kExitBadPackage = 1,       // the package could not be read, or the program file not opened
  kExitCancelled = 2,        // the user cancelled or declined before anything was installed
  kExitBadDestination = 3,   // silent: the destination folder or target file could not be used
  kExitCopyFailed = 4,       // the copy phase failed; the installation is not complete
  kExitNoWindow = 5,         // the wizard window could not be created (no display)
  kExitRemovalDeferred = 6,  // the uninstaller outlasted the removal's bound; left to the restart
};

}  // namespace scr
