// Program entry of setup.exe: the deferred removal, the silent run, or the
// wizard window.
#include <windows.h>

#include "platform/win32/win32_system.h"
#include "remove/deferred_removal.h"
#include "setup/run_mode.h"
#include "wizard/memory_view.h"
#include "wizard/setup_form.h"
#include "wizard/win32/wizard_window.h"

namespace {

// A silent run never shows the wizard, so it needs no window (and no
// display): the logic runs over control states kept in memory. Creation
// does all the work (loading, and the install or the uninstall run).
int RunSilent(scr::System& system, scr::RunModes modes, std::vector<std::string> args) {
  scr::MemoryView view;
  scr::TSCRSetup form(system, view, modes, std::move(args));
  system.SetOwnerWindow(nullptr);
  form.FormCreate();
  form.FormDestroy();
  return form.exit_code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  scr::Win32System system;
  // Our own splitting of GetCommandLineA, the same on every Windows.
  std::vector<std::string> args = scr::SplitCommandLine(system.CommandLine());
  if (scr::IsDeferredRemoval(args)) return scr::RunDeferredRemoval(system, args);
  scr::RunModes modes = scr::DecideRunModes(args);
  if (modes.SilentMode) return RunSilent(system, modes, std::move(args));
  return scr::RunWizardWindow(instance, system, modes, std::move(args));
}
