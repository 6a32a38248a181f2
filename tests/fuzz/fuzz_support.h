// What the fuzz targets share: a rule that does not hold ends the run with
// its text (libFuzzer records it as a finding), a sandbox for the simulated
// Windows, and plain reference versions of the rules the targets check.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "package/record.h"

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "rule broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

namespace scr::fuzz {

// A sandbox in memory when the machine has one: every input writes files.
// It goes when the run ends (a run that stops on a finding ends without
// unwinding, and keeps it).
inline std::string Sandbox(const char* name) {
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
  const std::string path =
      (base / (std::string("scr_fuzz_") + name + "_" + std::to_string(getpid()))).string();
  static std::vector<std::string>* made = new std::vector<std::string>;
  static const bool registered = std::atexit([] {
                                   for (const std::string& sandbox : *made) {
                                     std::error_code ignored;
                                     std::filesystem::remove_all(sandbox, ignored);
                                   }
                                 }) == 0;
  (void)registered;
  made->push_back(path);
  return path;
}

// The trailer search as the format describes it: one 10-byte window per
// position, from the end of the file backwards. PackageEnd, or -1.
inline int64_t ReferencePackageEnd(std::string_view bytes) {
  const std::string setup = SetupTrailer(), uninstaller = UninstallerTrailer();
  for (int64_t end = static_cast<int64_t>(bytes.size()); end >= kTrailerSize; --end) {
    const std::string_view window =
        bytes.substr(static_cast<size_t>(end - kTrailerSize), kTrailerSize);
    if (window == setup || window == uninstaller) return end;
  }
  return -1;
}

inline int32_t Int32At(std::string_view bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
  return static_cast<int32_t>(v);
}

inline bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The lead bytes of a code page chosen by `choice`: none (a single-byte
// code page such as 1252), GBK (936) or Shift-JIS (932).
inline std::set<uint8_t> LeadBytes(uint8_t choice) {
  std::set<uint8_t> lead;
  if (choice % 3 == 1)
    for (int b = 0x81; b <= 0xFE; ++b) lead.insert(static_cast<uint8_t>(b));
  if (choice % 3 == 2) {
    for (int b = 0x81; b <= 0x9F; ++b) lead.insert(static_cast<uint8_t>(b));
    for (int b = 0xE0; b <= 0xFC; ++b) lead.insert(static_cast<uint8_t>(b));
  }
  return lead;
}

// Where each character of `text` begins, a double-byte character (a lead
// byte and the byte after it) counting as one.
inline std::vector<size_t> CharacterStarts(const std::set<uint8_t>& lead, std::string_view text) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size();) {
    starts.push_back(i);
    i += lead.count(static_cast<uint8_t>(text[i])) && i + 1 < text.size() ? 2 : 1;
  }
  return starts;
}

// The file-name rule of Windows 2000 and later, written from its
// description: folder part up to the last "\" or ":" that is no trail byte;
// a first "." at position 9 or later cuts the name to 8 bytes and ".scr";
// every byte before the last four that is no ASCII letter or digit becomes
// "_".
inline std::string ReferenceNormalised(const std::set<uint8_t>& lead, const std::string& text) {
  size_t start = 0;
  for (size_t i = 0; i < text.size();) {
    if (lead.count(static_cast<uint8_t>(text[i])) && i + 1 < text.size()) {
      i += 2;
      continue;
    }
    if (text[i] == '\\' || text[i] == ':') start = i + 1;
    ++i;
  }
  const std::string folder = text.substr(0, start);
  std::string name = text.substr(start);
  const size_t dot = name.find('.');
  if (dot != std::string::npos && dot + 1 >= 9) name = name.substr(0, 8) + ".scr";
  if (name.size() > 4) {
    // A double-byte character that starts before the last four bytes and
    // ends among them is replaced whole.
    size_t straddling = std::string::npos;
    for (size_t i = 0; i < name.size();) {
      const bool pair = lead.count(static_cast<uint8_t>(name[i])) && i + 1 < name.size();
      if (pair && i + 5 == name.size()) straddling = i + 1;
      i += pair ? 2 : 1;
    }
    for (size_t i = 0; i + 4 < name.size(); ++i)
      if (!IsAsciiAlnum(name[i])) name[i] = '_';
    if (straddling != std::string::npos) name[straddling] = '_';
  }
  std::string result = folder + name;
  if (result.size() >= 256 && !folder.empty()) result = name;
  return result.substr(0, 256);
}

}  // namespace scr::fuzz
