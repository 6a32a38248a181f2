#include "setup/program_entry.h"

#include <utility>

#include "remove/deferred_removal.h"
#include "setup/silent_run.h"

namespace scr {

int RunProgram(System& system, WizardRunner run_wizard, void* context) {
  system.RestrictDllSearch();
  // Our own splitting of GetCommandLineA, the same on every Windows.
  std::vector<std::string> args = SplitCommandLine(system.CommandLine());
  if (IsDeferredRemoval(args)) return ExitCodeOf(RunDeferredRemoval(system, args));
  const RunModes modes = DecideRunModes(args);
  if (modes.SilentMode) {
    SilentFront front;
    return RunSilent(system, modes, args, front);
  }
  return run_wizard(system, modes, std::move(args), context);
}

}  // namespace scr
