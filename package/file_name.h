// Splitting a path into its folder part and its file name.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/system.h"

namespace scr {

// Only "\" separates: the folder part of a path the system itself made.
inline constexpr std::string_view kFolderSeparators = "\\";
// "/" and ":" too: a name from a package must never reach outside the
// folder it is joined to.
inline constexpr std::string_view kAnySeparators = "\\/:";

// Where the file name of `path` begins: just behind its last byte that is
// one of `separators`. The trail byte of a double-byte character (in the
// system's code page) is never taken for a separator.
size_t FileNameStart(System& system, std::string_view path, std::string_view separators);

}  // namespace scr
