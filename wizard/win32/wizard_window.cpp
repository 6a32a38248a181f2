// The wizard window's run: the window made, the form bound to it, and the
// message loop until the application ends.
#include "wizard/win32/wizard_window.h"

#include "platform/win32/system_library.h"
#include "wizard/setup_form.h"
#include "wizard/win32/win32_view.h"

namespace scr {

int RunWizardWindow(HINSTANCE instance, System& system, RunModes modes,
                    std::vector<std::string> args) {
  // comctl32 (the progress bar's home) is loaded here, for the window,
  // rather than imported: a silent run then never loads it, nor the theme
  // support that its version 6 brings in, which costs a silent install
  // tens of milliseconds of start-up. It comes by its full path from the
  // system folder, never from the folder the program was started from.
  if (HMODULE comctl = LoadSystemLibrary("comctl32.dll")) {
    using InitFn = void(WINAPI*)();
    if (auto init = reinterpret_cast<InitFn>(GetProcAddress(comctl, "InitCommonControls"))) init();
  }
  Win32View view(system);
  if (!view.Create(instance)) {
    const DWORD error = GetLastError();
    char text[200];
    wsprintfA(text,
              "Screensaver Setup: the setup window could not be created (error %lu); "
              "is a display available? Setup ends without changes.\r\n",
              static_cast<unsigned long>(error));
    system.WriteStdError(text);
    return ExitCodeOf(RunEnd::kNoWindow);
  }
  TSCRSetup form(system, view, modes, std::move(args));
  view.Bind(&form);
  system.SetOwnerWindow(view.main());

  form.FormCreate();
  if (!view.terminated()) {
    view.Show();
    MSG msg;
    while (!view.terminated()) {
      const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
      if (got == 0 || got == -1) break;
      if (view.PreTranslate(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  system.SetOwnerWindow(nullptr);
  view.Destroy();  // WM_DESTROY runs FormDestroy
  return form.exit_code;
}

}  // namespace scr
