#include "install/destination.h"

#include "package/file_name.h"
#include "package/language.h"
#include "setup/run_mode.h"

namespace scr {
namespace {

// The shell's Program Files folder. Some shells (Windows 95 without the
// desktop update, stripped-down NT installations) cannot name it; the
// folder is then taken as "Program Files" on the drive that holds Windows,
// which is where every Windows version puts it by default.
std::string ProgramFilesFolder(System& system) {
  std::string path;
  if (system.SpecialFolderPath(ShellFolder::kProgramFiles, &path) && !path.empty()) return path;
  const std::string windows = system.WindowsDirectory();
  std::string drive = "C:";
  if (windows.size() >= 2 && windows[1] == ':') drive = windows.substr(0, 2);
  return drive + "\\Program Files";
}

}  // namespace

std::string ResolveDestinationFolder(System& system, std::string_view folder,
                                     std::string_view subfolder) {
  // A folder may end in a double-byte character whose trail byte looks
  // like "\\": it still needs its separator, and keeps its last character.
  std::string head = WithBackslash(system, std::string(TrimBlanks(folder)));

  std::string tail(TrimBlanks(subfolder));
  if (!tail.empty() && tail.front() == '\\') tail.erase(0, 1);
  tail = WithoutBackslash(system, tail);

  std::string result = WithBackslash(system, std::string(TrimBlanks(head + tail)));

  // Expanded only after joining, so a macro works in either input; what a
  // macro yields is inserted as it is.
  static constexpr char kWindowsMacro[] = "<Windows>";
  static constexpr char kProgramFilesMacro[] = "<Program Files>";
  if (result.find(kWindowsMacro) != std::string::npos)
    result = ReplaceAll(result, kWindowsMacro, WithoutBackslash(system, system.WindowsDirectory()));
  if (result.find(kProgramFilesMacro) != std::string::npos)
    result = ReplaceAll(result, kProgramFilesMacro,
                        WithoutBackslash(system, ProgramFilesFolder(system)));
  return result;
}

bool IsRunningUnderWow64(System& system) { return system.IsWow64(); }

bool IsDisallowedSystemFolder(System& system, std::string_view folder) {
  if (!IsRunningUnderWow64(system)) return false;
  const std::string windows = WithBackslash(system, system.WindowsDirectory());
  const std::string chosen = WithBackslash(system, std::string(folder));
  return AsciiLower(chosen) == AsciiLower(windows + "system32\\");
}

std::string AllowedSystemFolder(System& system) {
  return WithBackslash(system, system.WindowsDirectory()) + "SysWoW64\\";
}

}  // namespace scr
