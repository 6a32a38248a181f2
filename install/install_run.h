// The install run behind the wizard's Install button (btnOKClick).
#pragma once

namespace scr {

class TSCRSetup;

// Checks the destination, copies the screensaver out of the package, asks
// the shell to install it, writes the readme and the uninstaller, registers
// the entry and shortcuts and records the path. Returns false when it gave
// up before writing anything and went back to the Directory page (the
// caller then abandons its click).
bool RunInstall(TSCRSetup& form);

}  // namespace scr
