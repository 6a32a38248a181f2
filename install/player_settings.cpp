#include "install/player_settings.h"

#include "package/name_rules.h"

namespace scr {
namespace {

std::string PlayerSettingsKey(std::string_view title) {
  std::string key(kPlayerSettingsParent);
  key += title;
  return key;
}

// `name` with the number `digits` (written without leading zeros) before
// its last four characters, a double-byte character counting as one:
// split by bytes, a lead byte could stay at the end of the base and swallow
// the first digit. The base loses whole characters from its end until base
// and number take at most 8 bytes, in the manner of 8.3 names.
std::string NumberedName(const LeadBytes& lead, const std::string& name,
                         const std::string& digits) {
  const size_t split = LastCharactersStart(lead, name, 4);
  std::string base = name.substr(0, split);
  while (!base.empty() && base.size() + digits.size() > 8)
    base.erase(LastCharactersStart(lead, base, 1));
  base += digits;
  base += std::string_view(name).substr(split);
  return base;
}

// Whether `candidate` is a name the target choice makes for `name`: the
// name itself, or one of its numbered names (1 to 9 999 999).
bool IsOwnTargetName(const LeadBytes& lead, const std::string& name, const std::string& candidate) {
  if (candidate.empty()) return false;
  if (candidate == name) return true;
  for (size_t count = 1; count < 8; ++count) {
    const std::string shape = NumberedName(lead, name, std::string(count, '1'));
    if (shape.size() != candidate.size()) continue;
    const size_t at = shape.size() - (name.size() - LastCharactersStart(lead, name, 4)) - count;
    const std::string digits = candidate.substr(at, count);
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits[0] == '0') continue;
    if (candidate == NumberedName(lead, name, digits)) return true;
  }
  return false;
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
  std::string play_list = key;
  play_list += '\\';
  play_list += kPlayListKey;
  system.RegDeleteTree(RootKey::kCurrentUser, play_list);
}

std::string ChooseTargetFileName(System& system, std::string_view title, std::string target,
                                 const std::string& folder) {
  if (!system.FileExists(target)) return target;

  // A reinstall into the folder of the earlier install overwrites the file
  // that install wrote. The folders are compared as written: another
  // spelling counts as another folder. The record is per-user data that any
  // program of the user may rewrite, while the setup may run elevated in a
  // folder it shares with the system (the Windows folder): the record only
  // recognises this package's own earlier target, and never chooses a name.
  // It counts when its name is the package's own file name or one of the
  // numbered names below, in exactly this folder.
  const LeadBytes lead = LeadBytesOf(system);
  const std::string name = target.substr(FileNameStart(lead, target, kFolderSeparators));
  const std::string recorded = ReadInstalledPath(system, title);
  const size_t recorded_name = FileNameStart(lead, recorded, kFolderSeparators);
  if (recorded.substr(0, recorded_name) == folder &&
      IsOwnTargetName(lead, name, recorded.substr(recorded_name)))
    return recorded;

  for (unsigned n = 1;; ++n) {
    const std::string digits = DecimalText(n);
    if (digits.size() >= 8) break;
    target = folder;
    target += NumberedName(lead, name, digits);
    if (!system.FileExists(target)) break;
  }
  return target;
}

}  // namespace scr
