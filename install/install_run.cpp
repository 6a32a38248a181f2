// PLACEHOLDER: replaced by the install-run work.
#include "install/install_run.h"
#include "wizard/setup_form.h"
namespace scr {
bool RunInstall(TSCRSetup& form) {
  if (form.modes.SilentMode) form.view.Terminate();
  return false;
}
}  // namespace scr
