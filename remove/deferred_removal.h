// "-delfile": the temporary copy that deletes the uninstaller once it is free.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"

namespace scr {

// Runs the deferred removal for `args` (argument 1 is "-delfile") and
// returns the process exit code.
int RunDeferredRemoval(System& system, const std::vector<std::string>& args);

}  // namespace scr
