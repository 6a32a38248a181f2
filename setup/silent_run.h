// The silent run: "-silent" installs or uninstalls without a window.
#pragma once

#include <string>
#include <vector>

#include "install/install_run.h"
#include "platform/system.h"
#include "remove/uninstall_run.h"
#include "setup/run_mode.h"

namespace scr {

// Where the runs of a silent run report. There is no window, so there is
// nothing to show, to hide or to close: every call does nothing, and the
// run ends through its result alone. Host tests derive from it to record
// what the runs reported.
class SilentFront : public InstallFront, public UninstallFront {
 public:
  void EnterProgressPage() override {}
  void ShowDestination(const std::string&) override {}
  void ReturnToFolderPage() override {}
  void SetBusy(bool) override {}
  void ShowProgress(int) override {}
  void Installed(bool) override {}
  // Only the failed-copy box asks for it, and a silent run shows no box.
  std::string Caption() override { return ""; }
  void Terminate() override {}
  void CloseWindow() override {}
  void HideWindow() override {}
};

// Loads the package and runs the uninstall run, or (after reading the
// texts) the install run into the folder the wizard would propose, or
// argument 2 when it names one. Returns the exit code.
int RunSilent(System& system, RunModes modes, const std::vector<std::string>& args,
              SilentFront& front);

}  // namespace scr
