// Splitting a path into its folder part and its file name.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/system.h"

namespace scr {

// Only "\" separates: the folder part of a path the system itself made.
inline constexpr std::string_view kFolderSeparators = "\\";
// "/" and ":" too: a name from a package must never reach outside the
// folder it is joined to.
inline constexpr std::string_view kAnySeparators = "\\/:";

// The bytes that begin a double-byte character in the code page a text is
// written in. Their trail byte may have the value of "\" (0x5C) and must
// not be taken for one. Empty (all false): a single-byte code page.
struct LeadBytes {
  std::array<bool, 256> lead{};
  bool IsLead(uint8_t byte) const { return lead[byte]; }
};

// The lead bytes of the running system's ANSI code page.
LeadBytes LeadBytesOf(System& system);

// Where the file name of `path` begins: just behind its last byte that is
// one of `separators`. The trail byte of a double-byte character is never
// taken for a separator.
size_t FileNameStart(const LeadBytes& lead, std::string_view path, std::string_view separators);
// The same in the system's code page.
size_t FileNameStart(System& system, std::string_view path, std::string_view separators);

// True when `path` ends with a "\" of its own, not with a double-byte
// character whose trail byte is 0x5C (as many are in the East Asian code
// pages). Every test for, and every addition or removal of, a folder's
// trailing separator goes through these three.
bool EndsWithBackslash(System& system, std::string_view path);
// `path` with a "\" appended unless it already ends with one.
std::string WithBackslash(System& system, std::string path);
// `path` without its trailing "\", when it has one (only one goes).
std::string WithoutBackslash(System& system, std::string path);

}  // namespace scr
