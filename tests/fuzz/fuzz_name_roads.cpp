// Every road that builds a name from a package's texts, in the code page of
// the system: a silent install and the silent uninstall after it, with the
// title, the screensaver's file name and the translated Uninstall, Readme
// and Preview words as input. That covers the target file name, the
// uninstaller's name, the readme's name, the Start-menu group, its
// shortcuts, the desktop shortcut and the registry keys.
//
// Input: one byte choosing the code page (1252, 932, 936, 949, 950), then
// the title, the file name and the three words.
//
// Rules: every file and shortcut the runs create or delete lies directly in
// the destination folder, in the title's group or directly on the desktop,
// its place ending on a character boundary; no part of such a path ends in
// a lead byte without its trail byte (a name that split a character); every
// shortcut points at a file the install wrote in the destination folder;
// every registry key is one of the title's own.
#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <string>
#include <vector>

#include "package/ansi_text.h"
#include "package/writer.h"
#include "platform/sim/sim_system.h"
#include "setup/run_mode.h"
#include "setup/silent_run.h"
#include "tests/fuzz/fuzz_support.h"

namespace scr::fuzz {
namespace {

constexpr char kDest[] = "C:\\Dest\\";
constexpr char kPrograms[] = "C:\\Programs\\";
constexpr char kDesktop[] = "C:\\Desktop\\";
constexpr int kCodePages[] = {1252, 932, 936, 949, 950};

// No NUL (it ends a field and the language block), no line break (it ends
// an entry).
std::string Clean(std::string text) {
  std::string out;
  for (char c : text)
    if (c != '\0' && c != '\r' && c != '\n') out += c;
  return out;
}

// True when `path` starts with `place` (compared as Windows does, without
// regard to the case of single-byte letters), `place` ends on a character
// of `path`, and what follows holds no separator (or, for a group, lies
// anywhere below it).
bool Within(const scr::LeadBytes& lead, const std::string& path, const std::string& place,
            bool below_too) {
  const std::string lower_path = LowerSingleByteLetters(lead, path);
  const std::string lower_place = LowerSingleByteLetters(lead, place);
  if (lower_path.compare(0, lower_place.size(), lower_place) != 0) return false;
  const std::vector<size_t> starts = CharacterStarts(lead, path);
  bool boundary = false;
  for (size_t s : starts) boundary = boundary || s == place.size();
  if (!boundary) return false;
  return below_too || LastSeparator(lead, std::string_view(path).substr(place.size()), "\\/") ==
                          std::string_view::npos;
}

// No part of `path` ends in a lone lead byte.
bool WholeParts(const scr::LeadBytes& lead, const std::string& path) {
  for (std::string_view part : SplitAtSeparators(lead, path, kAnySeparators))
    if (EndsInLoneLeadByte(lead, part)) return false;
  return true;
}

void CheckPlaces(const scr::LeadBytes& lead, const std::string& title,
                 const std::vector<std::string>& paths) {
  const std::string group = std::string(kPrograms) + title + "\\";
  for (const std::string& path : paths) {
    FUZZ_CHECK(Within(lead, path, kDest, false) || Within(lead, path, group, true) ||
               Within(lead, path, kDesktop, false));
    FUZZ_CHECK(WholeParts(lead, path));
  }
}

int Run(SimSystem& sim, const std::vector<std::string>& args) {
  SilentFront front;
  return RunSilent(sim, DecideRunModes(args), args, front);
}

}  // namespace
}  // namespace scr::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scr;
  using namespace scr::fuzz;
  if (size < 1) return 0;
  const int code_page = kCodePages[data[0] % 5];
  const scr::LeadBytes lead = LeadBytesOfCodePage(code_page);
  FuzzedDataProvider in(data + 1, size - 1);
  const std::string title = Clean(in.ConsumeRandomLengthString(31));
  const std::string file_name = Clean(in.ConsumeRandomLengthString(60));
  const std::string uninstall = Clean(in.ConsumeRandomLengthString(24));
  const std::string readme = Clean(in.ConsumeRandomLengthString(24));
  const std::string preview = Clean(in.ConsumeRemainingBytesAsString());
  // A title that nests ("\" or "/" in it) makes the readme's name a path;
  // the name rule for such titles is checked by the name-places tests.
  if (!SeparatorPositions(lead, title, "\\/").empty()) return 0;

  static SimSystem* sim_holder = nullptr;
  delete sim_holder;  // a fresh system for every input
  sim_holder = new SimSystem(Sandbox("name_roads"));
  SimSystem& sim = *sim_holder;
  for (int b = 0x80; b <= 0xFF; ++b)
    if (lead.IsLead(static_cast<uint8_t>(b))) sim.lead_bytes.insert(static_cast<uint8_t>(b));
  sim.special_folders[ShellFolder::kPrograms] = "C:\\Programs";
  sim.special_folders[ShellFolder::kDesktop] = "C:\\Desktop";
  sim.MakeFolders("C:\\Programs");
  sim.MakeFolders("C:\\Desktop");

  SetupRecord record{};
  SetField(record.ScrFileName, file_name);
  SetField(record.ScrTitle, title);
  SetShortString(record.DestFolder, "C:\\Elsewhere\\");
  record.AddUninstallEntry = record.AddStartMenuGroup = record.AddDesktopShortcut = 1;
  const std::string language = "Setup\r\nUninstall=" + uninstall + "\r\nReadme=" + readme +
                               "\r\nPreview=" + preview + "\r\n";
  {
    std::unique_ptr<File> out = sim.CreateFile(sim.module_path);
    if (!out || !WriteSetupFile(*out, "MZ program image", "screensaver bytes", "About it.\r\n", "",
                                language, record))
      return 0;
  }
  sim.created.clear();
  if (Run(sim, {"setup.exe", "-silent", kDest}) != 0) return 0;  // refused or failed
  CheckPlaces(lead, title, sim.created);
  for (const std::string& link : sim.created) {
    if (link.size() < 4 || link.compare(link.size() - 4, 4, ".lnk") != 0) continue;
    const std::string target = sim.LinkTarget(link);
    FUZZ_CHECK(Within(lead, target, kDest, false));
    FUZZ_CHECK(WholeParts(lead, target));
    FUZZ_CHECK(sim.FileExists(target));  // the file the install wrote there
  }
  const std::string own_uninstall = LowerSingleByteLetters(
      lead, "HKLM\\software\\microsoft\\windows\\currentversion\\uninstall\\" + title);
  const std::string own_player = LowerSingleByteLetters(lead, "HKCU\\software\\quorvane\\" + title);
  auto own_key = [&](const std::string& key) {
    for (const std::string& o : {own_uninstall, own_player})
      if (key == o || key.rfind(o + "\\", 0) == 0 || o.rfind(key + "\\", 0) == 0) return true;
    return false;
  };
  // A dump line is the key, "|" and its value; a trail byte 0x7C in the
  // title is no "|" of the line.
  for (const std::string& line : sim.RegistryDump()) {
    const std::vector<size_t> bars = SeparatorPositions(lead, line, "|");
    const std::string key = bars.empty() ? line : line.substr(0, bars.front());
    FUZZ_CHECK(own_key(LowerSingleByteLetters(lead, key)));
  }

  // The uninstaller copy the install wrote, run silently.
  std::string uninstaller;
  for (const std::string& path : sim.created)
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".exe") == 0 &&
        Within(lead, path, kDest, false))
      uninstaller = path;
  FUZZ_CHECK(!uninstaller.empty());
  sim.module_path = uninstaller;
  sim.created.clear();
  sim.deleted.clear();
  Run(sim, {"uninstall.exe", "-silent"});
  std::vector<std::string> deleted;
  for (const std::string& path : sim.deleted)
    if (path.rfind("C:\\TEMP\\", 0) != 0) deleted.push_back(path);  // the temporary copy
  CheckPlaces(lead, title, deleted);
  return 0;
}
