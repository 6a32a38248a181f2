// "-delfile": the temporary copy that deletes the uninstaller once it is free.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"
#include "setup/exit_codes.h"

namespace scr {

// The uninstaller's file is released a moment after its process ends
// (about a tenth of a second under Wine, less on Windows). The retry pauses
// between attempts so that waiting costs no processor time, and gives up
// after a bound that outlasts any normal exit of the uninstaller by far.
inline constexpr unsigned kDeferredRemovalPauseMs = 50;
inline constexpr unsigned kDeferredRemovalBoundMs = 60 * 1000;

// Runs the deferred removal for `args` (argument 1 is "-delfile") and
// returns the process exit code: kExitOk when the target is gone,
// kExitRemovalDeferred when it gave up. Either way its own file is marked
// for deletion at the next restart; on giving up the target is too, and no
// closing message is shown.
int RunDeferredRemoval(System& system, const std::vector<std::string>& args);

}  // namespace scr
