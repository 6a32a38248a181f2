#include "install/destination.h"

#include "package/file_name.h"
#include "package/language.h"
#include "setup/run_mode.h"

namespace scr {
namespace {

// The shell's Program Files folder. The shells of Windows 95, 98 and NT 4
// without updates cannot name it; Windows itself records the folder under
// HKEY_LOCAL_MACHINE (only administrators may change it), in the system's
// own language ("C:\\Programme" on a German system). Without that value the
// folder is taken as "Program Files" on the drive that holds Windows.
std::string ProgramFilesFolder(System& system) {
  std::string path;
  if (system.SpecialFolderPath(ShellFolder::kProgramFiles, &path) && !path.empty()) return path;
  // A value still holding "%" would need expanding; Windows never stores
  // this one so, and a literal "%SystemDrive%" folder is no answer.
  const LeadBytes lead = LeadBytesOf(system);
  if (system.RegGetString(RootKey::kLocalMachine, kCurrentVersionKey, "ProgramFilesDir", &path)) {
    const std::string_view trimmed = TrimBlanks(lead, path);
    if (!trimmed.empty() && path.find('%') == std::string::npos) return std::string(trimmed);
  }
  const std::string windows = system.WindowsDirectory();
  std::string folder = "C:";
  if (windows.size() >= 2 && windows[1] == ':') folder = windows.substr(0, 2);
  folder += "\\Program Files";
  return folder;
}

std::string WindowsFolder(System& system) { return system.WindowsDirectory(); }

}  // namespace

std::string ResolveDestinationFolder(System& system, std::string_view folder,
                                     std::string_view subfolder) {
  // A folder may end in a double-byte character whose trail byte looks
  // like "\\": it still needs its separator, and keeps its last character.
  const LeadBytes lead = LeadBytesOf(system);
  std::string head = WithBackslash(lead, TrimBlanks(lead, folder));

  std::string_view tail = TrimBlanks(lead, subfolder);
  if (!tail.empty() && tail.front() == '\\') tail.remove_prefix(1);
  head += WithoutBackslash(lead, tail);

  std::string result = WithBackslash(lead, TrimBlanks(lead, head));

  // Expanded only after joining, so a macro works in either input; what a
  // macro yields is inserted as it is.
  // Each folder is asked for only when its macro is there.
  static constexpr struct {
    const char* macro;
    std::string (*folder)(System&);
  } kMacros[] = {{"<Windows>", WindowsFolder}, {"<Program Files>", ProgramFilesFolder}};
  for (const auto& [macro, folder_of] : kMacros)
    if (result.find(macro) != std::string::npos)
      result = ReplaceAll(lead, result, macro, WithoutBackslash(lead, folder_of(system)));
  // Text that is no whole text of the code page (a lead byte followed by
  // "<", which no double-byte character holds) can make a replacement end
  // in a lead byte that swallows the separator behind it; the folder still
  // ends with one of its own.
  return WithBackslash(lead, result);
}

bool IsRunningUnderWow64(System& system) { return system.IsWow64(); }

bool IsDisallowedSystemFolder(System& system, std::string_view folder) {
  if (!IsRunningUnderWow64(system)) return false;
  const LeadBytes lead = LeadBytesOf(system);
  std::string system32 = WithBackslash(lead, system.WindowsDirectory());
  system32 += "system32\\";
  const std::string chosen = WithBackslash(lead, folder);
  return LowerSingleByteLetters(lead, chosen) == LowerSingleByteLetters(lead, system32);
}

std::string AllowedSystemFolder(System& system) {
  std::string folder = WithBackslash(system, system.WindowsDirectory());
  folder += "SysWoW64\\";
  return folder;
}

}  // namespace scr
