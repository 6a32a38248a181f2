// The per-user key a screensaver shares with its player:
// HKEY_CURRENT_USER "\Software\Quorvane\" + title, value "FileName_".
#pragma once

#include <string>
#include <string_view>

#include "platform/system.h"

namespace scr {

inline constexpr char kPlayerSettingsParent[] = "\\Software\\Quorvane\\";
inline constexpr char kInstalledPathValue[] = "FileName_";
inline constexpr char kPlayListKey[] = "PlayList";

// All three refuse a title that names no key of its own (TitleNamesOwnKey).
void StoreInstalledPath(System& system, std::string_view title, const std::string& path);
std::string ReadInstalledPath(System& system, std::string_view title);
void ClearPlayerSettings(System& system, std::string_view title);

// The target in `folder` (ends with "\"): `target` itself when free, the
// recorded path when it lies in exactly this folder, else the first free
// numbered 8.3-style name (MySaver1.scr ... MySave10.scr).
std::string ChooseTargetFileName(System& system, std::string_view title, std::string target,
                                 const std::string& folder);

// Where the file name of `path` begins: just behind its last separator.
// With `any_separator` false only "\" separates (the folder part of a
// recorded path); with it true "/" and ":" do too (a file name from the
// package must never reach outside the chosen folder). The trail byte of a
// double-byte character is never taken for a separator.
size_t FileNameStart(System& system, std::string_view path, bool any_separator);

}  // namespace scr
