// PLACEHOLDER: replaced by the removal work.
#include "remove/uninstall_run.h"
#include "wizard/setup_form.h"
namespace scr {
bool RunUninstall(TSCRSetup& form) {
  form.view.HideForever();
  form.view.Terminate();
  return true;
}
}  // namespace scr
