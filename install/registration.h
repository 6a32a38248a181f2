// The uninstall entry and the Start-menu and desktop shortcuts.
//
// Every name is built from the screensaver's title. A title that breaks the
// name rule (package/name_rules.h) would make these operations work on a
// shared parent (the whole Uninstall key, the Programs folder itself) or
// above it. Loading refuses such a package, and every operation here
// refuses such a title too and leaves everything in place.
#pragma once

#include <string>
#include <string_view>

#include "package/language.h"
#include "platform/system.h"

namespace scr {

inline constexpr char kUninstallKeyParent[] =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The readme's file name in the screensaver's folder: the title, a blank,
// the Readme word (NameWord: a translation that would make it a path gives
// way to the English word) and ".txt". The install run writes it, the
// Readme shortcut points at it and the uninstall run deletes it.
std::string ReadmeFileName(System& system, const LanguageTable& table, std::string_view title);

// Registration swallows its own errors. The delete operations answer
// whether their piece is gone: false when the entry or a shortcut is still
// there afterwards, or the shell folder query failed (the uninstall run
// then ends in its failure report and keeps the uninstaller).
void WriteUninstallEntry(System& system, std::string_view title, std::string_view uninstaller);
bool DeleteUninstallEntry(System& system, std::string_view title);
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
