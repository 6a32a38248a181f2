#include "install/player_settings.h"

#include "package/name_rules.h"

namespace scr {
namespace {

std::string PlayerSettingsKey(std::string_view title) {
  return std::string(kPlayerSettingsParent) + std::string(title);
}

}  // namespace

void StoreInstalledPath(System& system, std::string_view title, const std::string& path) {
  if (!TitleStaysInPlace(system, title)) return;
  const std::string key = PlayerSettingsKey(title);
  if (system.RegCreateKey(RootKey::kCurrentUser, key))
    system.RegSetString(RootKey::kCurrentUser, key, kInstalledPathValue, path);
}

std::string ReadInstalledPath(System& system, std::string_view title) {
  if (!TitleStaysInPlace(system, title)) return "";
  const std::string key = PlayerSettingsKey(title);
  std::string path;
  if (!system.RegKeyExists(RootKey::kCurrentUser, key)) return "";
  if (!system.RegGetString(RootKey::kCurrentUser, key, kInstalledPathValue, &path)) return "";
  return path;
}

void ClearPlayerSettings(System& system, std::string_view title) {
  // An empty title would name "\Software\Quorvane\" itself, the key that
  // every other screensaver's settings live under.
  if (!TitleStaysInPlace(system, title)) return;
  const std::string key = PlayerSettingsKey(title);
  if (!system.RegCreateKey(RootKey::kCurrentUser, key)) return;
  for (const std::string& name : system.RegValueNames(RootKey::kCurrentUser, key))
    system.RegDeleteValue(RootKey::kCurrentUser, key, name);
  system.RegDeleteTree(RootKey::kCurrentUser, key + "\\" + kPlayListKey);
}

std::string ChooseTargetFileName(System& system, std::string_view title, std::string target,
                                 const std::string& folder) {
  if (!system.FileExists(target)) return target;

  // A reinstall into the folder of the earlier install overwrites the file
  // that install wrote, whatever its name. The folders are compared as
  // written: another spelling counts as another folder. The record is
  // per-user data that any program of the user may rewrite, while the setup
  // may run elevated, so its name part must name a file in this very
  // folder: "/" and ":" count as separators too (a name such as
  // "../../x.scr" or "x.scr:stream" would lead elsewhere), and a name of
  // dots and blanks only, or none, names no file at all.
  std::string recorded = ReadInstalledPath(system, title);
  const LeadBytes lead = LeadBytesOf(system);
  const size_t recorded_name = FileNameStart(lead, recorded, kAnySeparators);
  const bool names_a_file = !InstalledFileName(recorded, lead).empty();
  if (recorded.substr(0, recorded_name) != folder || !names_a_file) recorded.clear();
  if (!recorded.empty()) return recorded;

  const std::string name = target.substr(FileNameStart(lead, target, kFolderSeparators));
  // The extension is the name's last four characters, a double-byte
  // character counting as one: split by bytes, a lead byte could stay at
  // the end of the base and swallow the first digit of the number.
  const size_t split = LastCharactersStart(lead, name, 4);
  const std::string extension = name.substr(split);
  std::string base = name.substr(0, split);
  for (unsigned n = 1;; ++n) {
    const std::string digits = std::to_string(n);
    if (digits.size() >= 8) break;
    // The base loses whole characters from its end.
    while (!base.empty() && base.size() + digits.size() > 8)
      base.erase(LastCharactersStart(lead, base, 1));
    target = folder + base + digits + extension;
    if (!system.FileExists(target)) break;
  }
  return target;
}

}  // namespace scr
