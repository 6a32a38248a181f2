// The uninstall run of an uninstaller copy.
#pragma once

namespace scr {

class TSCRSetup;

// How many names the temporary copy tries in the temporary folder before
// the uninstaller is left for deletion at the next restart.
inline constexpr int kTemporaryCopyAttempts = 16;

// Confirms, removes the screensaver, its settings, readme, entry and
// shortcuts, starts the temporary copy that deletes the uninstaller, and
// ends the program without showing the wizard. False on a failure that the
// caller reports as a damaged package.
bool RunUninstall(TSCRSetup& form);

}  // namespace scr
