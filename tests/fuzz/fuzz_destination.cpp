// The destination rules: trim, join, the folder macros and the
// system-folder test.
//
// Input: one byte of settings (WOW64, whether the shell can name Program
// Files), then the folder template, the sub-folder, the Windows directory,
// the Program Files folder and a chosen folder.
//
// Rules: the default folder is the rule's (trimmed, joined with one
// backslash, "<Windows>" and then "<Program Files>" replaced, case-
// sensitively, every time) and always ends with a backslash; only the
// Windows directory's system32 itself, in any letter case, is refused, and
// only under WOW64; the allowed folder is the Windows directory's SysWoW64.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "install/destination.h"
#include "platform/sim/sim_system.h"
#include "tests/fuzz/fuzz_support.h"

namespace scr::fuzz {
namespace {

SimSystem& Sim() {
  static SimSystem* sim = new SimSystem(Sandbox("destination"));
  return *sim;
}

std::string Trim(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return text.substr(begin, end - begin);
}

std::string WithBackslash(std::string text) {
  if (text.empty() || text.back() != '\\') text += '\\';
  return text;
}

std::string WithoutOneBackslash(std::string text) {
  if (!text.empty() && text.back() == '\\') text.pop_back();
  return text;
}

std::string Replace(const std::string& text, const std::string& macro, const std::string& by) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, macro.size(), macro) == 0) {
      out += by;
      i += macro.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
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
  const std::string folder = in.ConsumeRandomLengthString(250);
  const std::string subfolder = in.ConsumeRandomLengthString(250);
  const std::string windows = in.ConsumeRandomLengthString(260);
  const std::string program_files = in.ConsumeRandomLengthString(260);
  const std::string chosen = in.ConsumeRemainingBytesAsString();

  SimSystem& sim = Sim();
  sim.wow64 = settings & 1;
  sim.windows_directory = windows;
  sim.special_folders[ShellFolder::kProgramFiles] = program_files;
  sim.failing_folders.clear();
  if (settings & 2) sim.failing_folders.insert(ShellFolder::kProgramFiles);

  // The default folder, as the rule builds it.
  std::string sub = Trim(subfolder);
  if (!sub.empty() && sub.front() == '\\') sub.erase(0, 1);
  sub = WithoutOneBackslash(sub);
  std::string expected = WithBackslash(Trim(WithBackslash(Trim(folder)) + sub));
  expected = Replace(expected, "<Windows>", WithoutOneBackslash(windows));
  // When the shell cannot name it: "Program Files" on the drive of Windows.
  std::string shell_folder = program_files;
  if ((settings & 2) || shell_folder.empty())
    shell_folder =
        (windows.size() >= 2 && windows[1] == ':' ? windows.substr(0, 2) : std::string("C:")) +
        "\\Program Files";
  expected = Replace(expected, "<Program Files>", WithoutOneBackslash(shell_folder));
  const std::string resolved = ResolveDestinationFolder(sim, folder, subfolder);
  FUZZ_CHECK(resolved == expected);
  // Neither macro holds a backslash: the one that ends the joined folder
  // stays at the end.
  FUZZ_CHECK(!resolved.empty() && resolved.back() == '\\');

  // The system-folder test and the allowed folder.
  const bool disallowed =
      sim.wow64 && Lower(WithBackslash(chosen)) == Lower(WithBackslash(windows) + "system32\\");
  FUZZ_CHECK(IsDisallowedSystemFolder(sim, chosen) == disallowed);
  FUZZ_CHECK(IsDisallowedSystemFolder(sim, resolved) ==
             (sim.wow64 &&
              Lower(WithBackslash(resolved)) == Lower(WithBackslash(windows) + "system32\\")));
  FUZZ_CHECK(AllowedSystemFolder(sim) == WithBackslash(windows) + "SysWoW64\\");
  FUZZ_CHECK(IsRunningUnderWow64(sim) == sim.wow64);
  return 0;
}
