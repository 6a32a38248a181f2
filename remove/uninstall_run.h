// The uninstall run of an uninstaller copy.
#pragma once

namespace scr {

class TSCRSetup;

// Confirms, removes the screensaver, its settings, readme, entry and
// shortcuts, starts the temporary copy that deletes the uninstaller, and
// ends the program without showing the wizard. False on a failure that the
// caller reports as a damaged package.
bool RunUninstall(TSCRSetup& form);

}  // namespace scr
