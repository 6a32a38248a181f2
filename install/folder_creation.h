// Creating a folder with every missing parent: the install run's
// destination and the Start-menu group both go through it.
#pragma once

#include <cstddef>
#include <string>

#include "platform/system.h"

namespace scr {

// The longest path that any Windows function accepts ("\\?\" paths of
// the NT family; without that prefix the limit is MAX_PATH).
inline constexpr size_t kLongestPath = 32767;

// Creates `folder` and every missing parent, without recursion. False when
// a folder could not be created (a relative path without an existing
// parent counts as such, and so does a path longer than kLongestPath).
bool CreateFolderWithParents(System& system, const std::string& folder);

}  // namespace scr
