// Destination folders: the package's folder template made concrete, and the
// one folder the setup refuses on 64-bit Windows.
#pragma once

#include <string>
#include <string_view>

#include "platform/system.h"

namespace scr {

// Trims both inputs, joins them with one backslash, expands "<Windows>" and
// "<Program Files>" (case-sensitive, every occurrence). Ends with "\".
// The machine's own record of its Program Files folders (values
// ProgramFilesDir and ProgramW6432Dir), under HKEY_LOCAL_MACHINE.
inline constexpr char kCurrentVersionKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion";

std::string ResolveDestinationFolder(System& system, std::string_view folder,
                                     std::string_view subfolder);
bool IsRunningUnderWow64(System& system);
// True only under WOW64 for the Windows directory's "system32" itself.
bool IsDisallowedSystemFolder(System& system, std::string_view folder);
// The Windows directory followed by "SysWoW64\".
std::string AllowedSystemFolder(System& system);

}  // namespace scr
