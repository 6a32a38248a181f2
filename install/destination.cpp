// PLACEHOLDER: replaced by the destination-folder work.
#include "install/destination.h"
namespace scr {
std::string ResolveDestinationFolder(System&, std::string_view folder, std::string_view sub) {
  return std::string(folder) + std::string(sub);
}
bool IsRunningUnderWow64(System& system) { return system.IsWow64(); }
bool IsDisallowedSystemFolder(System&, std::string_view) { return false; }
std::string AllowedSystemFolder(System& system) { return system.WindowsDirectory() + "\\SysWoW64\\"; }
}  // namespace scr
