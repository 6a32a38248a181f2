#include "setup/program_entry.h"

#include <utility>

#include "remove/deferred_removal.h"
#include "wizard/memory_view.h"
#include "wizard/setup_form.h"

namespace scr {
namespace {

// A silent run never shows the wizard, so it needs no window (and no
// display): the logic runs over control states kept in memory. Creation
// does all the work (loading, and the install or the uninstall run).
int RunSilent(System& system, RunModes modes, std::vector<std::string> args) {
  MemoryView view;
  TSCRSetup form(system, view, modes, std::move(args));
  system.SetOwnerWindow(nullptr);
  form.FormCreate();
  form.FormDestroy();
  return form.exit_code;
}

}  // namespace

int RunProgram(System& system, WizardRunner run_wizard, void* context) {
  system.RestrictDllSearch();
  // Our own splitting of GetCommandLineA, the same on every Windows.
  std::vector<std::string> args = SplitCommandLine(system.CommandLine());
  if (IsDeferredRemoval(args)) return ExitCodeOf(RunDeferredRemoval(system, args));
  const RunModes modes = DecideRunModes(args);
  if (modes.SilentMode) return RunSilent(system, modes, std::move(args));
  return run_wizard(system, modes, std::move(args), context);
}

}  // namespace scr
