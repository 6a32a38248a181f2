// Command-line splitting, the run-mode switches and the "-delfile" run.
//
// Input: one byte of settings (how many attempts find the file to delete
// busy; 0xFF: busy for good), then the whole command line.
//
// Rules: arguments hold no double quote, and quoted back they split into
// the same arguments; "-silent" and "-previewonly" are read from argument 1
// alone (trimmed, any case) and exclude each other; "-delfile" is exact and
// needs a path. The removal run deletes nothing but its argument 2, marks
// nothing for the restart but that file and its own, ends with 0 only when
// the file is gone (else 6), and shows its closing message only with
// exactly four arguments and a removal that worked.
#include <set>
#include <string>
#include <vector>

#include "platform/sim/sim_system.h"
#include "remove/deferred_removal.h"
#include "setup/run_mode.h"
#include "tests/fuzz/fuzz_support.h"

namespace scr::fuzz {
namespace {

constexpr char kCopy[] = "C:\\TEMP\\ZEROveruziuninst17.exe";
const char* const kFiles[] = {"C:\\Setup\\uninstall Saver.exe", "C:\\Setup\\Saver.scr",
                              "C:\\WINDOWS\\other.txt"};

SimSystem& Sim() {
  static SimSystem* sim = new SimSystem(Sandbox("command_line"));
  return *sim;
}

std::string Lowered(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  return text;
}

std::string Trimmed(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

void CheckRemoval(const std::vector<std::string>& args, uint8_t settings) {
  SimSystem& sim = Sim();
  for (const char* file : kFiles) sim.PutFile(file, "x");
  sim.PutFile(kCopy, "copy");
  sim.module_path = kCopy;
  sim.deleted.clear();
  sim.delay_until_reboot.clear();
  sim.boxes.clear();
  sim.fail_delete.clear();
  sim.busy_deletes.clear();
  const std::string target = args[2];
  if (settings == 0xFF)
    sim.fail_delete.insert(target);
  else
    sim.busy_deletes[target] = settings % 8;

  const int code = ExitCodeOf(RunDeferredRemoval(sim, args));
  FUZZ_CHECK(code == kExitOk || code == kExitRemovalDeferred);
  for (const std::string& path : sim.deleted)
    FUZZ_CHECK(path == target.substr(0, target.find('\0')));
  for (const std::string& path : sim.delay_until_reboot)
    FUZZ_CHECK(path == kCopy || path == target.substr(0, target.find('\0')));
  FUZZ_CHECK(sim.FileExists(kCopy));  // its own file goes only at the restart
  FUZZ_CHECK((code == kExitOk) == !sim.FileExists(target));
  const bool message = code == kExitOk && ArgumentCount(args) == 4;
  FUZZ_CHECK(sim.boxes.size() == (message ? 1u : 0u));
  if (message) {
    FUZZ_CHECK(sim.boxes[0].text == args[4] && sim.boxes[0].caption == args[3]);
    FUZZ_CHECK(sim.boxes[0].icon == MsgIcon::kInformation);
  }
}

}  // namespace
}  // namespace scr::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scr;
  if (size < 1) return 0;
  const uint8_t settings = data[0];
  const std::string line(reinterpret_cast<const char*>(data) + 1, size - 1);

  const std::vector<std::string> args = SplitCommandLine(line);
  std::string quoted;
  for (const std::string& arg : args) {
    FUZZ_CHECK(arg.find('"') == std::string::npos);
    quoted += (quoted.empty() ? "\"" : " \"") + arg + "\"";
  }
  FUZZ_CHECK(SplitCommandLine(quoted) == args);
  FUZZ_CHECK(ArgumentCount(args) == (args.empty() ? 0 : args.size() - 1));
  // Every byte of an argument comes from the line, in order.
  size_t at = 0;
  for (const std::string& arg : args)
    for (char c : arg) {
      at = line.find(c, at);
      FUZZ_CHECK(at != std::string::npos);
      ++at;
    }

  const RunModes modes = DecideRunModes(args);
  const std::string first = fuzz::Lowered(fuzz::Trimmed(Argument(args, 1)));
  FUZZ_CHECK(modes.SilentMode == (ArgumentCount(args) >= 1 && first == "-silent"));
  FUZZ_CHECK(modes.PreviewOnly == (ArgumentCount(args) >= 1 && first == "-previewonly"));
  FUZZ_CHECK(!(modes.SilentMode && modes.PreviewOnly));

  const bool removal = IsDeferredRemoval(args);
  FUZZ_CHECK(removal == (ArgumentCount(args) >= 2 && args[1] == "-delfile"));
  if (removal) fuzz::CheckRemoval(args, settings);
  return 0;
}
