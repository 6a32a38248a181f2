// Every platform call failing at every step.
//
// Each road runs once to count its calls, then once for every N with the
// N-th call failing, and once for every N with every call from the N-th on
// failing. After every run the promises the program makes are checked:
// the road's exit codes and no runaway loop; the damaged-file report only
// with every file closed; an exit code 0 only with the
// screensaver and the uninstaller in place, byte for byte; no screensaver
// left by a failed install; nothing changed outside the installation's own
// places; a failed uninstall keeps its uninstaller; no entry or shortcut
// naming a file that is not there; an uninstall that reports success has
// removed what it says it removed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "platform/sim/sim_system.h"
#include "remove/deferred_removal.h"
#include "setup/silent_run.h"
#include "tests/unit/memory_view.h"
#include "tests/unit/test_package.h"
#include "wizard/setup_form.h"

namespace scr {
namespace {

constexpr char kModule[] = "C:\\Setup\\setup.exe";
constexpr char kTarget[] = "C:\\Program Files\\My Saver\\MySaver.scr";
constexpr char kUninstaller[] = "C:\\Program Files\\My Saver\\uninstall MySaver.exe";
constexpr char kReadme[] = "C:\\Program Files\\My Saver\\My Saver Readme.txt";
constexpr char kGroup[] = "C:\\Documents and Settings\\User\\Start Menu\\Programs\\My Saver\\";
constexpr char kDesktopLink[] = "C:\\Documents and Settings\\User\\Desktop\\Preview My Saver.lnk";
constexpr char kTemporaryCopy[] = "C:\\TEMP\\ZEROveruziuninst4242.exe";
constexpr char kEntry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\My Saver";

// The installation's own places, as the sandbox names them (lower case):
// what a run may create, change or delete. Parents of these are created
// as empty folders or keys.
const char* const kOwnFiles[] = {
    "c/program files/my saver/",
    "c/documents and settings/user/start menu/programs/my saver/",
    "c/documents and settings/user/desktop/preview my saver.lnk",
    "c/temp/zeroveruziuninst",
};
const char* const kOwnKeys[] = {
    "hklm\\software\\microsoft\\windows\\currentversion\\uninstall\\my saver",
    "hkcu\\software\\quorvane\\my saver",
};

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// `size` bytes of the alphabet, over and over.
std::string Alphabet(int size) {
  std::string text;
  for (int i = 0; i < size; ++i) text += static_cast<char>('A' + i % 26);
  return text;
}

// A sandbox in memory when the machine has one: the sweep makes thousands.
std::string SweepSandbox() {
  static int counter = 0;
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
  return (base / ("scr_sweep_" + std::to_string(getpid()) + "_" + std::to_string(++counter)))
      .string();
}

// The package every road installs or removes, and its files, put together
// once for the thousands of runs.
struct Package {
  TestPackage contents{.image = std::string(3000, 'P'),
                       .screensaver = Alphabet(150000),
                       .readme = "Read me\r\nsecond line",
                       .license = "Licence",
                       .language = "Setup\r\nPreview=Preview\r\n",
                       .file_name = "MySaver.scr",
                       .title = "My Saver",
                       .uninstall_entry = true,
                       .start_menu_group = true,
                       .desktop_shortcut = true,
                       .dest_subfolder = "My Saver",
                       .license_mode = 1};
  std::string setup_file = SetupFileBytes(contents);
  std::string uninstaller = UninstallerCopyBytes(contents);  // the copy the install run must write
};

const Package& ThePackage() {
  static const Package package;
  return package;
}

// One run of a road in a fresh simulated Windows.
struct World {
  SimSystem sim{SweepSandbox()};
  MemoryView view;
  std::unique_ptr<TSCRSetup> form;
  bool stuck = false;  // the wizard did not end within its steps

  World() { sim.PutFile(kModule, ThePackage().setup_file); }

  int Create(RunModes modes, std::vector<std::string> args) {
    if (modes.SilentMode) {
      MemoryFront front(view);
      return RunSilent(sim, modes, args, front);
    }
    form = std::make_unique<TSCRSetup>(sim, view, modes, std::move(args));
    form->FormCreate();
    return Finish();
  }
  // The user of the interactive wizard: accepts the licence, installs into
  // the proposed folder, and cancels when the folder is refused.
  int Click(RunModes modes) {
    form = std::make_unique<TSCRSetup>(sim, view, modes, std::vector<std::string>{"setup.exe"});
    form->FormCreate();
    int install_clicks = 0;
    int step = 0;
    for (; step < 20 && !view.closed && !view.terminated; ++step) {
      switch (form->CurrentPage()) {
        case kPageLicense:
          view.Check(Control::rbAccept);
          form->rbAcceptClick();
          form->btnNextClick();
          break;
        case kPageDirectory:
        case kPageReady:
          if (install_clicks++ > 0)
            form->btnCancelClick();
          else
            form->btnNextClick();
          break;
        default:
          form->btnNextClick();
      }
    }
    stuck = step == 20;
    return Finish();
  }
  int Finish() {
    form->FormDestroy();
    return form->exit_code;
  }
  // A clean silent install, then the uninstaller copy is the program.
  void Installed() {
    ASSERT_EQ(Create({true, false}, {"setup.exe", "-silent"}), kExitOk);
    ASSERT_EQ(sim.ReadWholeFile(kUninstaller), ThePackage().uninstaller);
    sim.module_path = kUninstaller;
    sim.boxes.clear();
    sim.shell_calls.clear();
    sim.delay_until_reboot.clear();
    sim.deleted.clear();
    view = MemoryView();
  }
};

enum class Kind { kInstall, kPreview, kUninstall, kDeferred };

struct Road {
  const char* name;
  Kind kind;
  std::set<int> exit_codes;  // as the README gives them for this road
  std::function<void(World&)> prepare;
  std::function<int(World&)> run;
};

std::vector<Road> Roads() {
  auto nothing = [](World&) {};
  auto installed = [](World& w) { w.Installed(); };
  return {
      {"interactive install",
       Kind::kInstall,
       {kExitOk, kExitBadPackage, kExitCancelled, kExitCopyFailed},
       nothing,
       [](World& w) { return w.Click({}); }},
      {"silent install",
       Kind::kInstall,
       {kExitOk, kExitBadPackage, kExitBadDestination, kExitCopyFailed},
       nothing,
       [](World& w) {
         return w.Create({true, false}, {"setup.exe", "-silent"});
       }},
      {"preview",
       Kind::kPreview,
       {kExitOk, kExitBadPackage, kExitCancelled, kExitCopyFailed},
       nothing,
       [](World& w) {
         return w.Click({false, true});
       }},
      {"interactive uninstall",
       Kind::kUninstall,
       {kExitOk, kExitBadPackage, kExitCancelled},
       installed,
       [](World& w) {
         w.sim.answers = {MsgAnswer::kYes};
         return w.Create({}, {"uninstall MySaver.exe"});
       }},
      {"silent uninstall",
       Kind::kUninstall,
       {kExitOk, kExitBadPackage},
       installed,
       [](World& w) {
         return w.Create({true, false}, {"uninstall MySaver.exe", "-silent"});
       }},
      {"deferred removal",
       Kind::kDeferred,
       {kExitOk, kExitRemovalDeferred},
       [](World& w) {
         w.Installed();
         ASSERT_EQ(w.Create({true, false}, {"uninstall MySaver.exe", "-silent"}), kExitOk);
         w.sim.PutFile(kTemporaryCopy, ThePackage().uninstaller);
         w.sim.module_path = kTemporaryCopy;
       },
       [](World& w) {
         return ExitCodeOf(RunDeferredRemoval(
             w.sim, {kTemporaryCopy, "-delfile", kUninstaller, "Screensaver Setup",
                     "My Saver has been successfully removed from your computer."}));
       }},
  };
}

bool Under(const std::string& path, const char* const* prefixes, size_t count) {
  const std::string lower = Lower(path);
  for (size_t i = 0; i < count; ++i) {
    const std::string prefix = prefixes[i];
    // The place itself, anything inside it, or a parent folder or key of it.
    if (lower.rfind(prefix, 0) == 0 || prefix.rfind(lower, 0) == 0) return true;
  }
  return false;
}

std::string Unquoted(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    return text.substr(1, text.size() - 2);
  return text;
}

// The promises, checked on one run. Returns what broke, or empty.
std::vector<std::string> Check(const Road& road, World& w, int exit_code, bool every_call_from,
                               const std::map<std::string, std::string>& files_before,
                               const std::vector<std::string>& keys_before) {
  const Package& p = ThePackage();
  SimSystem& sim = w.sim;
  std::vector<std::string> broken;
  auto expect = [&](bool ok, const std::string& what) {
    if (!ok) broken.push_back(what);
  };
  // The checks below must not count or fail.
  sim.fail_at = sim.fail_from = 0;
  sim.runaway_limit = 0;

  expect(!sim.runaway && !w.stuck, "the run did not end");
  for (const auto& box : sim.boxes)
    if (box.text == "The file is corrupted. Setup can not continue.")
      expect(box.open_files == 0, "the corrupted-file report came with a file still open");
  expect(road.exit_codes.count(exit_code) != 0,
         "exit code " + std::to_string(exit_code) + " is not one of the road's");

  std::string bytes;
  const bool target_there = sim.GetFile(kTarget, &bytes);
  const bool target_right = target_there && bytes == p.contents.screensaver;
  const bool uninstaller_right = sim.GetFile(kUninstaller, &bytes) && bytes == p.uninstaller;

  if (road.kind == Kind::kInstall) {
    if (exit_code == kExitOk) {
      expect(target_right, "exit code 0, but the screensaver is missing or differs");
      expect(uninstaller_right, "exit code 0, but the uninstaller is missing or differs");
    } else if (!every_call_from) {
      // With every call failing, deleting the partial copy fails too.
      expect(!target_there, "a failed install left a screensaver file");
    }
  }

  // Nothing changed outside the installation's own places (and, for the
  // deferred removal, outside the one file it deletes).
  const auto files_after = sim.Snapshot();
  std::set<std::string> changed;
  for (const auto& [path, content] : files_before) {
    auto it = files_after.find(path);
    if (it == files_after.end() || it->second != content) changed.insert(path);
  }
  for (const auto& [path, content] : files_after)
    if (!files_before.count(path)) changed.insert(path);
  for (const std::string& path : changed) {
    bool allowed = Under(path, kOwnFiles, std::size(kOwnFiles));
    if (road.kind == Kind::kPreview) allowed = false;
    if (road.kind == Kind::kDeferred)
      allowed = Lower(path) == "c/program files/my saver/uninstall mysaver.exe" ||
                Lower(path) == "c/program files/my saver/";
    expect(allowed, "changed outside its own places: " + path);
  }
  const std::vector<std::string> keys_after = sim.RegistryDump();
  std::set<std::string> before(keys_before.begin(), keys_before.end());
  std::set<std::string> after(keys_after.begin(), keys_after.end());
  for (const std::set<std::string>* a : {&before, &after}) {
    const std::set<std::string>& b = a == &before ? after : before;
    for (const std::string& line : *a) {
      if (b.count(line)) continue;
      const std::string key = line.substr(0, line.find('|'));
      bool allowed = Under(key, kOwnKeys, std::size(kOwnKeys));
      if (road.kind == Kind::kPreview || road.kind == Kind::kDeferred) allowed = false;
      expect(allowed, "registry changed outside its own keys: " + line);
    }
  }

  if (road.kind == Kind::kUninstall) {
    bool copy_started = false;
    for (const auto& call : sim.shell_calls)
      if (call.params.find("-delfile") == 0) copy_started = true;
    bool marked = false;
    for (const std::string& path : sim.delay_until_reboot)
      if (Lower(path) == Lower(kUninstaller)) marked = true;
    if (exit_code != kExitOk) {
      expect(uninstaller_right, "a failed uninstall did not keep its uninstaller");
      expect(!copy_started && !marked, "a failed uninstall has its uninstaller deleted");
    } else {
      expect(!sim.FileExists(kTarget), "uninstall reports success, the screensaver is still there");
      expect(!sim.FileExists(kReadme), "uninstall reports success, the readme is still there");
      expect(copy_started || marked, "uninstall reports success, the uninstaller stays for good");
      // What the temporary copy will do, before the entry is looked at.
      if (copy_started || marked) {
        std::error_code ec;
        std::filesystem::remove(sim.HostPath(kUninstaller), ec);
      }
    }
  }
  if (road.kind == Kind::kDeferred && exit_code == kExitOk && !every_call_from)
    expect(!sim.FileExists(kUninstaller), "the removal reports success, the uninstaller is there");
  // The package's own default folder, empty now, goes with its uninstaller.
  if (road.kind == Kind::kDeferred && sim.trace_calls)
    expect(!sim.DirectoryExists("C:\\Program Files\\My Saver"), "the empty folder is still there");

  // No entry or shortcut names a file that is not there. A failed
  // uninstall may have removed the screensaver and readme already: it keeps
  // the uninstaller and its entry (checked above), and running it again
  // removes their shortcuts too.
  const bool removal_failed = road.kind == Kind::kUninstall && exit_code != kExitOk;
  std::string command;
  if (sim.RegGetString(RootKey::kLocalMachine, kEntry, "UninstallString", &command))
    expect(sim.FileExists(Unquoted(command)), "the uninstall entry names a missing " + command);
  const std::string links[] = {std::string(kGroup) + "Uninstall My Saver.lnk",
                               std::string(kGroup) + "Preview My Saver.lnk",
                               std::string(kGroup) + "Readme.lnk", kDesktopLink};
  for (const std::string& link : links) {
    if (!sim.FileExists(link) || (removal_failed && link != links[0])) continue;
    expect(sim.FileExists(sim.LinkTarget(link)), "the shortcut " + link + " names a missing file");
  }
  return broken;
}

struct Tally {
  int64_t calls = 0;  // of the run without failures: the failure points
  std::set<const void*> sites;
  std::set<std::string> names;
  int runs = 0;
  std::vector<std::string> broken;
};

// One run with `fail_at` or `fail_from` set (both 0: the counting run).
int RunOnce(const Road& road, int64_t fail_at, int64_t fail_from, int64_t limit, Tally& tally) {
  World w;
  road.prepare(w);
  w.sim.calls = 0;
  w.sim.trace_calls = fail_at == 0 && fail_from == 0;
  w.sim.fail_at = fail_at;
  w.sim.fail_from = fail_from;
  w.sim.runaway_limit = limit;
  const auto files_before = w.sim.Snapshot();
  const auto keys_before = w.sim.RegistryDump();
  const int exit_code = road.run(w);
  ++tally.runs;
  if (w.sim.trace_calls) {
    tally.calls = w.sim.calls;
    tally.sites.insert(w.sim.call_sites.begin(), w.sim.call_sites.end());
    tally.names.insert(w.sim.call_names.begin(), w.sim.call_names.end());
  }
  const std::string how = fail_at     ? "call " + std::to_string(fail_at) + " failing"
                          : fail_from ? "every call from " + std::to_string(fail_from) + " failing"
                                      : "no call failing";
  for (const std::string& b : Check(road, w, exit_code, fail_from > 0, files_before, keys_before))
    tally.broken.push_back(std::string(road.name) + ", " + how + " (exit code " +
                           std::to_string(exit_code) + "): " + b);
  return exit_code;
}

TEST(FailureSweep, EveryRoadKeepsItsPromisesWhateverCallFails) {
  std::ostringstream summary;
  int64_t total_runs = 0;
  for (const Road& road : Roads()) {
    Tally tally;
    EXPECT_EQ(RunOnce(road, 0, 0, 0, tally), kExitOk) << road.name;
    ASSERT_GT(tally.calls, 0) << road.name;
    // A run that makes far more calls than the whole road is looping.
    const int64_t limit = 20 * tally.calls + 5000;
    for (int64_t n = 1; n <= tally.calls; ++n) {
      RunOnce(road, n, 0, limit, tally);
      RunOnce(road, 0, n, limit, tally);
    }
    total_runs += tally.runs;
    summary << road.name << ": " << tally.calls << " calls from " << tally.sites.size()
            << " places (" << tally.names.size() << " kinds), " << tally.runs << " runs\n";
    for (size_t i = 0; i < tally.broken.size() && i < 50; ++i) ADD_FAILURE() << tally.broken[i];
    EXPECT_TRUE(tally.broken.empty())
        << road.name << ": " << tally.broken.size() << " broken promises";
  }
  std::printf("%s%lld runs in all\n", summary.str().c_str(), static_cast<long long>(total_runs));
}

}  // namespace
}  // namespace scr
