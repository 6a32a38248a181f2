#include "install/registration.h"

#include "install/folder_creation.h"
#include "package/ansi_text.h"
#include "package/name_rules.h"
#include "package/texts.h"
#include "setup/run_mode.h"

namespace scr {
namespace {

std::string UninstallKey(std::string_view title) {
  std::string key(kUninstallKeyParent);
  key += title;
  return key;
}

// The Programs folder, or empty when the shell query fails or reports
// nothing.
std::string ProgramsFolder(System& system) {
  std::string reported;
  if (!system.SpecialFolderPath(ShellFolder::kPrograms, &reported)) return "";
  return std::string(TrimBlanks(LeadBytesOf(system), reported));
}

// A shortcut's name: the translated word, and for the screensaver's and
// the uninstaller's shortcuts a blank and the title behind it (an empty
// `title` for the readme's). The install and the uninstall build the same
// names here.
std::string ShortcutName(System& system, const LanguageTable& table, TextId word,
                         std::string_view title) {
  std::string name = NameWord(system, table, word);
  if (!title.empty()) {
    name += ' ';
    name += title;
  }
  return name;
}

// The group's shortcuts in the order they are made and deleted: the
// screensaver's preview, the readme's (named without the title), the
// uninstaller's.
struct GroupLink {
  TextId word;
  bool titled;
};
const GroupLink kGroupLinks[] = {
    {TextId::kPreview, true}, {TextId::kReadme, false}, {TextId::kUninstall, true}};

}  // namespace

std::string ReadmeFileName(System& system, const LanguageTable& table, std::string_view title) {
  std::string name(title);
  name += ' ';
  name += NameWord(system, table, TextId::kReadme);
  name += ".txt";
  return name;
}

void WriteUninstallEntry(System& system, std::string_view title, std::string_view uninstaller) {
  if (!TitleStaysInPlace(system, title)) return;
  const std::string key = UninstallKey(title);
  // Every failure is swallowed: without the right to write under
  // HKEY_LOCAL_MACHINE the entry is simply missing.
  system.RegCreateKey(RootKey::kLocalMachine, key);
  system.RegSetString(RootKey::kLocalMachine, key, "DisplayName", std::string(title));
  std::string command = "\"";
  command += uninstaller;
  command += '"';
  system.RegSetString(RootKey::kLocalMachine, key, "UninstallString", command);
}

bool DeleteUninstallEntry(System& system, std::string_view title) {
  // An empty title would name the Uninstall key itself, and with it every
  // installed program's entry.
  if (!TitleStaysInPlace(system, title)) return true;
  const std::string key = UninstallKey(title);
  system.RegDeleteTree(RootKey::kLocalMachine, key);
  return !system.RegKeyExists(RootKey::kLocalMachine, key);
}

bool CreateShellLink(System& system, const std::string& target, const std::string& link_name,
                     ShellFolder folder) {
  std::string path;
  if (!system.SpecialFolderPath(folder, &path) || path.empty()) return false;
  std::string link = JoinPath(LeadBytesOf(system), path, link_name);
  link += ".lnk";
  // Saving writes into an existing file, which may be a hard link to any
  // file the user could name: an old shortcut goes first.
  system.DeleteFile(link);
  return system.CreateShellLink(target, link);
}

void CreateFolderPath(System& system, std::string path) {
  // The install run's folder creation, whose outcome does not matter here:
  // a group folder that is missing leaves its shortcuts missing.
  if (!path.empty()) CreateFolderWithParents(system, path);
}

void CreateProgramShortcuts(System& system, const LanguageTable& table, std::string_view title,
                            const std::string& uninstaller, const std::string& screensaver,
                            bool has_readme) {
  if (!TitleStaysInPlace(system, title)) return;
  const std::string programs = ProgramsFolder(system);
  if (programs.empty()) return;
  const LeadBytes lead = LeadBytesOf(system);
  const std::string group = JoinPath(lead, programs, title);
  CreateFolderPath(system, group + "\\");
  // Only a real folder, held while the shortcuts are written: a group that
  // is a link to another folder, or that cannot be held, is one that could
  // not be created.
  const std::unique_ptr<HeldFolder> held = system.HoldFolder(group);
  if (!held) return;

  // Each shortcut on its own: one that fails is simply missing.
  for (const GroupLink& link : kGroupLinks) {
    std::string readme;
    const std::string* target = &screensaver;
    if (link.word == TextId::kUninstall) {
      target = &uninstaller;
    } else if (link.word == TextId::kReadme) {
      if (!has_readme) continue;
      readme = FolderPart(lead, screensaver);
      readme += ReadmeFileName(system, table, title);
      target = &readme;
    }
    std::string name(title);
    name += '\\';
    name += ShortcutName(system, table, link.word, link.titled ? title : "");
    CreateShellLink(system, *target, name, ShellFolder::kPrograms);
  }
}

bool DeleteProgramShortcuts(System& system, const LanguageTable& table, std::string_view title) {
  // An empty title would make the Programs folder itself the group.
  if (!TitleStaysInPlace(system, title)) return true;
  std::string programs;
  if (!system.SpecialFolderPath(ShellFolder::kPrograms, &programs)) return false;
  if (programs.empty()) return true;
  const std::string folder = JoinPath(LeadBytesOf(system), programs, title);
  const std::string group = folder + "\\";
  bool gone = true;
  {
    // Only in a real folder, held while the shortcuts are deleted: a group
    // that is a link to another folder (or cannot be held) is one that
    // cannot be found, as a Programs folder that cannot be found, and the
    // shortcuts of the same names there stay. A group that is not there
    // at all holds nothing to delete.
    const std::unique_ptr<HeldFolder> held = system.HoldFolder(folder);
    if (!held) return !system.DirectoryExists(group);
    for (const auto& [word, titled] : kGroupLinks) {
      std::string link = group;
      link += ShortcutName(system, table, word, titled ? title : "");
      link += ".lnk";
      system.DeleteFile(link);
      if (system.FileExists(link)) gone = false;
    }
  }
  // Kept when the user put other files there.
  system.RemoveDirectory(folder);
  return gone;
}

void CreateDesktopPreviewShortcut(System& system, const LanguageTable& table,
                                  std::string_view title, const std::string& screensaver) {
  if (!TitleStaysInPlace(system, title)) return;
  const std::string t(title);
  CreateShellLink(system, screensaver, ShortcutName(system, table, TextId::kPreview, t),
                  ShellFolder::kDesktop);
}

bool DeleteDesktopPreviewShortcut(System& system, const LanguageTable& table,
                                  std::string_view title) {
  if (!TitleStaysInPlace(system, title)) return true;
  std::string desktop;
  if (!system.SpecialFolderPath(ShellFolder::kDesktop, &desktop)) return false;
  if (desktop.empty()) return true;
  std::string name = ShortcutName(system, table, TextId::kPreview, title);
  name += ".lnk";
  const std::string link = JoinPath(LeadBytesOf(system), desktop, name);
  system.DeleteFile(link);
  return !system.FileExists(link);
}

}  // namespace scr
