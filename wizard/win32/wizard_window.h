// The real wizard window (class TSCRSetup) over Win32 controls.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/system.h"
#include "setup/run_mode.h"

namespace scr {

// Creates the window, runs its creation (loading, and on the uninstall
// road the uninstall run) and the message loop until the application ends.
// Returns the process exit code. A window that cannot be created (no
// display) ends the program with kExitNoWindow (after a report on the
// standard error handle) instead of waiting for messages forever. Not for
// SilentMode, which needs no window.
int RunWizardWindow(HINSTANCE instance, System& system, RunModes modes,
                    std::vector<std::string> args);

}  // namespace scr
