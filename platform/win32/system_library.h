// Loading a DLL from the system folder only.
#pragma once

#include <windows.h>

namespace scr {

// Loads a DLL by its full path in the system folder (GetSystemDirectoryA),
// never through the DLL search path, whatever the running Windows lets
// RestrictDllSearch do. Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const char* name);

}  // namespace scr
