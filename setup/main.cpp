// Program entry of setup.exe: the real Windows and the real wizard window.
#include <windows.h>

#include "platform/win32/win32_system.h"
#include "setup/program_entry.h"
#include "wizard/win32/wizard_window.h"

namespace {

int RunWindow(scr::System& system, scr::RunModes modes, std::vector<std::string> args,
              void* instance) {
  return scr::RunWizardWindow(static_cast<HINSTANCE>(instance), system, modes, std::move(args));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  scr::Win32System system;  // loads nothing: RunProgram restricts the DLL search first
  return scr::RunProgram(system, RunWindow, instance);
}
