// Program entry of setup.exe: the deferred removal, or the wizard window.
#include <windows.h>

#include "platform/win32/win32_system.h"
#include "remove/deferred_removal.h"
#include "setup/run_mode.h"
#include "wizard/win32/wizard_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  scr::Win32System system;
  // Our own splitting of GetCommandLineA, the same on every Windows.
  std::vector<std::string> args = scr::SplitCommandLine(system.CommandLine());
  if (scr::IsDeferredRemoval(args)) return scr::RunDeferredRemoval(system, args);
  scr::RunModes modes = scr::DecideRunModes(args);
  return scr::RunWizardWindow(instance, system, modes, std::move(args));
}
