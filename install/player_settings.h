// The per-user key a screensaver shares with its player:
// HKEY_CURRENT_USER "\Software\Quorvane\" + title, value "FileName_".
#pragma once

#include <string>
#include <string_view>

#include "package/file_name.h"
#include "platform/system.h"

namespace scr {

inline constexpr char kPlayerSettingsParent[] = "\\Software\\Quorvane\\";
inline constexpr char kInstalledPathValue[] = "FileName_";
inline constexpr char kPlayListKey[] = "PlayList";

// All three refuse a title that breaks the name rule (TitleStaysInPlace).
void StoreInstalledPath(System& system, std::string_view title, const std::string& path);
std::string ReadInstalledPath(System& system, std::string_view title);
void ClearPlayerSettings(System& system, std::string_view title);

// The target in `folder` (ends with "\"): `target` itself when free, the
// recorded path when it is this package's own earlier target (in exactly
// this folder, named `target`'s name or one of its numbered names), else
// the first free numbered 8.3-style name (MySaver1.scr ... MySave10.scr).
std::string ChooseTargetFileName(System& system, std::string_view title, std::string target,
                                 const std::string& folder);

}  // namespace scr
