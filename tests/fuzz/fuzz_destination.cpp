// The destination rules: trim, join, the folder macros and the
// system-folder test.
//
// Input: one byte of settings (WOW64, whether the shell can name Program
// Files, whether Windows records the folder, the code page), then the
// folder template, the sub-folder, the Windows directory, the shell's
// Program Files folder, the one recorded in the registry (these three as
// Windows gives them: whole text of the code page) and a chosen folder.
//
// Rules: the default folder is the rule's (trimmed, joined with one
// backslash, "<Windows>" and then "<Program Files>" replaced, case-
// sensitively, every time; a trailing separator is one of its own, never
// the trail byte of a double-byte character) and always ends with one;
// only the Windows directory's system32 itself, in any letter case, is
// refused, and only under WOW64; the allowed folder is the Windows
// directory's SysWoW64.
#include <fuzzer/FuzzedDataProvider.h>

#include <set>
#include <string>
#include <vector>

#include "install/destination.h"
#include "platform/sim/sim_system.h"
#include "tests/fuzz/fuzz_support.h"

namespace scr::fuzz {
namespace {

constexpr char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";

SimSystem& Sim() {
  static SimSystem* sim = new SimSystem(Sandbox("destination"));
  return *sim;
}

// Blanks go as characters: a lead byte followed by a blank is one
// character, and no blank.
std::string Trim(const std::set<uint8_t>& lead, const std::string& text) {
  const std::vector<size_t> starts = CharacterStarts(lead, text);
  size_t first = 0, last = starts.size();
  auto blank = [&](size_t k) {
    const size_t end = k + 1 < starts.size() ? starts[k + 1] : text.size();
    return end == starts[k] + 1 && static_cast<unsigned char>(text[starts[k]]) <= 32;
  };
  while (first < last && blank(first)) ++first;
  while (last > first && blank(last - 1)) --last;
  if (first == last) return "";
  const size_t end = last < starts.size() ? starts[last] : text.size();
  return text.substr(starts[first], end - starts[first]);
}

// Whether the last character of `text` is a "\" of its own.
bool EndsWithBackslash(const std::set<uint8_t>& lead, const std::string& text) {
  const std::vector<size_t> starts = CharacterStarts(lead, text);
  return !starts.empty() && starts.back() == text.size() - 1 && text.back() == '\\';
}

// A lead byte without its trail byte at the end is dropped first: the
// separator would be taken for its trail byte.
std::string WithBackslash(const std::set<uint8_t>& lead, std::string text) {
  if (EndsWithBackslash(lead, text)) return text;
  const std::vector<size_t> starts = CharacterStarts(lead, text);
  if (!starts.empty() && starts.back() == text.size() - 1 &&
      lead.count(static_cast<uint8_t>(text.back())))
    text.pop_back();
  return EndsWithBackslash(lead, text) ? text : text + '\\';
}

std::string WithoutOneBackslash(const std::set<uint8_t>& lead, std::string text) {
  if (EndsWithBackslash(lead, text)) text.pop_back();
  return text;
}

// A macro is found only where a character begins.
std::string Replace(const std::set<uint8_t>& lead, const std::string& text,
                    const std::string& macro, const std::string& by) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, macro.size(), macro) == 0) {
      out += by;
      i += macro.size();
    } else {
      const size_t length =
          lead.count(static_cast<uint8_t>(text[i])) && i + 1 < text.size() ? 2 : 1;
      out += text.substr(i, length);
      i += length;
    }
  }
  return out;
}

// Trail bytes keep their value.
std::string Lower(const std::set<uint8_t>& lead, std::string text) {
  for (size_t s : CharacterStarts(lead, text))
    if (text[s] >= 'A' && text[s] <= 'Z') text[s] = static_cast<char>(text[s] + ('a' - 'A'));
  return text;
}

}  // namespace
}  // namespace scr::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scr;
  using namespace scr::fuzz;
  if (size < 1) return 0;
  const uint8_t settings = data[0];
  FuzzedDataProvider in(data + 1, size - 1);
  const bool wow64 = settings & 1;
  const bool shell_fails = settings & 2;
  const bool windows_records = settings & 4;
  const std::set<uint8_t> lead = LeadBytes(static_cast<uint8_t>(settings >> 3));
  const std::string folder = in.ConsumeRandomLengthString(250);
  const std::string subfolder = in.ConsumeRandomLengthString(250);
  // What Windows itself answers is whole text of its code page: it never
  // ends in a lead byte without its trail byte.
  auto whole = [&](std::string text) {
    const std::vector<size_t> starts = CharacterStarts(lead, text);
    if (!starts.empty() && starts.back() == text.size() - 1 &&
        lead.count(static_cast<uint8_t>(text.back())))
      text.pop_back();
    return text;
  };
  const std::string windows = whole(in.ConsumeRandomLengthString(260));
  const std::string program_files = whole(in.ConsumeRandomLengthString(260));
  const std::string recorded = whole(in.ConsumeRandomLengthString(260));
  const std::string chosen = in.ConsumeRemainingBytesAsString();

  SimSystem& sim = Sim();
  sim.lead_bytes.clear();
  sim.RegDeleteTree(RootKey::kLocalMachine, kCurrentVersion);
  if (windows_records) {
    sim.RegCreateKey(RootKey::kLocalMachine, kCurrentVersion);
    sim.RegSetString(RootKey::kLocalMachine, kCurrentVersion, "ProgramFilesDir", recorded);
  }
  sim.lead_bytes = lead;
  sim.wow64 = wow64;
  sim.windows_directory = windows;
  sim.special_folders[ShellFolder::kProgramFiles] = program_files;
  sim.failing_folders.clear();
  if (shell_fails) sim.failing_folders.insert(ShellFolder::kProgramFiles);

  // The default folder, as the rule builds it.
  std::string sub = Trim(lead, subfolder);
  if (!sub.empty() && sub.front() == '\\') sub.erase(0, 1);
  sub = WithoutOneBackslash(lead, sub);
  std::string expected =
      WithBackslash(lead, Trim(lead, WithBackslash(lead, Trim(lead, folder)) + sub));
  expected = Replace(lead, expected, "<Windows>", WithoutOneBackslash(lead, windows));
  // When the shell cannot name it: the folder Windows records (a registry
  // value ends at its NUL; one that still needs expanding is none), else
  // "Program Files" on the drive of Windows.
  std::string shell_folder = program_files;
  const std::string value = recorded.substr(0, recorded.find('\0'));
  if (shell_fails || shell_folder.empty()) {
    if (windows_records && !Trim(lead, value).empty() && value.find('%') == std::string::npos) {
      shell_folder = Trim(lead, value);
    } else {
      const bool drive = windows.size() >= 2 && windows[1] == ':';
      shell_folder = (drive ? windows.substr(0, 2) : std::string("C:")) + "\\Program Files";
    }
  }
  expected = Replace(lead, expected, "<Program Files>", WithoutOneBackslash(lead, shell_folder));
  // Text that is no whole text of the code page can end a replacement in a
  // lone lead byte that takes the separator behind it: one more then.
  expected = WithBackslash(lead, expected);
  const std::string resolved = ResolveDestinationFolder(sim, folder, subfolder);
  FUZZ_CHECK(resolved == expected);
  // Neither macro holds a backslash: the one that ends the joined folder
  // stays at the end.
  FUZZ_CHECK(EndsWithBackslash(lead, resolved));

  // The system-folder test and the allowed folder.
  const std::string system32 = Lower(lead, WithBackslash(lead, windows) + "system32\\");
  FUZZ_CHECK(IsDisallowedSystemFolder(sim, chosen) ==
             (wow64 && Lower(lead, WithBackslash(lead, chosen)) == system32));
  FUZZ_CHECK(IsDisallowedSystemFolder(sim, resolved) ==
             (wow64 && Lower(lead, WithBackslash(lead, resolved)) == system32));
  FUZZ_CHECK(AllowedSystemFolder(sim) == WithBackslash(lead, windows) + "SysWoW64\\");
  FUZZ_CHECK(IsRunningUnderWow64(sim) == wow64);
  return 0;
}
