// Program entry: what every run does first, and the choice of the run.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"
#include "setup/run_mode.h"

namespace scr {

// Runs the wizard window of an interactive or preview run and returns the
// exit code: the real program creates the window, host tests record the
// call.
using WizardRunner = int (*)(System& system, RunModes modes, std::vector<std::string> args,
                             void* context);

// The whole program. Before anything else it restricts the DLL search: the
// program runs elevated from wherever it was downloaded, and its uninstaller
// copy runs from the temporary folder; a DLL planted beside either must never
// be loaded. Then the command line decides the run: the deferred removal,
// the silent run (in memory, without a window), or the wizard through
// `run_wizard` (given `context`). Returns the exit code.
int RunProgram(System& system, WizardRunner run_wizard, void* context);

}  // namespace scr
