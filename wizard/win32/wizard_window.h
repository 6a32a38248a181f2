// The real wizard window (class TSCRSetup) over Win32 controls.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/system.h"
#include "setup/run_mode.h"
#include "wizard/view.h"

namespace scr {

// Control ids of the window's children, fixed so that UI automation can
// address them: the controls the logic knows (scr::Control) are
// kFirstControlId + their enum value (btnCancel 101, btnBack 102, btnNext
// 103, Link 104, lbTitle 105, lbDescription 106, btnBrowse 107, edDirectory
// 108, Label1..Label5 109..113, rbAccept 114, rbNotAccept 115, edLicense 116,
// edReadme 117, ProgressBar 118); the layout-only parts follow.
enum WizardControlId : int {
  kFirstControlId = 101,
  kIdBevel1 = 201,
  kIdBevel2 = 202,
  kIdPanel2 = 203,
  kIdImage2 = 204,
  kIdNotebook = 205,
  kIdFirstPage = 210,  // page n of the Notebook has id 210 + n
  kIdImage1 = 216,
};

inline int ControlId(Control control) { return kFirstControlId + static_cast<int>(control); }

// Creates the window, runs its creation (loading, and in SilentMode the
// install run) and the message loop until the application ends. Returns the
// process exit code. A window that cannot be created (no display) ends the
// program with kExitNoWindow (after a report on the standard error handle)
// instead of waiting for messages forever. In SilentMode no window is
// created at all.
int RunWizardWindow(HINSTANCE instance, System& system, RunModes modes,
                    std::vector<std::string> args);

}  // namespace scr
