// The uninstall entry and the Start-menu and desktop shortcuts.
//
// Every name is built from the screensaver's title. A title that names no
// key or folder of its own (empty, or only blanks and backslashes) would make
// these operations work on the shared parent (the whole Uninstall key, the
// Programs folder itself), so every operation here refuses such a title and
// leaves everything in place.
#pragma once

#include <string>
#include <string_view>

#include "package/language.h"
#include "platform/system.h"

namespace scr {

// False for a title that would name the parent key or folder itself.
bool TitleNamesOwnKey(std::string_view title);

inline constexpr char kUninstallKeyParent[] =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Registration swallows its own errors; the delete operations for shortcuts
// return false when the shell folder query failed (the uninstall run then
// reports a damaged package).
void WriteUninstallEntry(System& system, std::string_view title, std::string_view uninstaller);
void DeleteUninstallEntry(System& system, std::string_view title);
// False when any step of writing the link failed.
bool CreateShellLink(System& system, const std::string& target, const std::string& link_name,
                     ShellFolder folder);
void CreateFolderPath(System& system, std::string path);
void CreateProgramShortcuts(System& system, const LanguageTable& table, std::string_view title,
                            const std::string& uninstaller, const std::string& screensaver,
                            bool has_readme);
bool DeleteProgramShortcuts(System& system, const LanguageTable& table, std::string_view title);
void CreateDesktopPreviewShortcut(System& system, const LanguageTable& table,
                                  std::string_view title, const std::string& screensaver);
bool DeleteDesktopPreviewShortcut(System& system, const LanguageTable& table,
                                  std::string_view title);

}  // namespace scr
