// The uninstall run of an uninstaller copy, driven through FormCreate as the
// real program does: the uninstaller copy of a package is placed at the
// module path, and the installed state (files, registry, shortcuts) laid
// out under the names that installation uses.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "package/record.h"
#include "platform/sim/sim_system.h"
#include "remove/deferred_removal.h"
#include "remove/uninstall_run.h"
#include "setup/run_mode.h"
#include "setup/silent_run.h"
#include "tests/unit/memory_view.h"
#include "tests/unit/test_package.h"
#include "wizard/setup_form.h"

namespace scr {
namespace {

namespace fs = std::filesystem;

const char kUninstallKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kPlayerKey[] = "\\Software\\Quorvane\\";
const char kFolder[] = "C:\\WINDOWS\\";
const char kUninstaller[] = "C:\\WINDOWS\\Aquarium Uninstall.exe";
const char kShortUninstaller[] = "C:\\WINDOWS\\AQUARI~1.EXE";
const char kScreensaver[] = "C:\\WINDOWS\\Aquarium.scr";
const char kPrograms[] = "C:\\Documents and Settings\\User\\Start Menu\\Programs\\";
const char kDesktop[] = "C:\\Documents and Settings\\User\\Desktop\\";

// Logs every change the run makes, in order, on top of the simulation.
class TracingSim : public SimSystem {
 public:
  using SimSystem::SimSystem;
  std::vector<std::string> trace;

  bool DeleteFile(const std::string& path) override {
    bool ok = SimSystem::DeleteFile(path);
    if (ok) trace.push_back("file " + path);
    return ok;
  }
  bool RegDeleteValue(RootKey root, const std::string& key, const std::string& name) override {
    bool ok = SimSystem::RegDeleteValue(root, key, name);
    if (ok) trace.push_back("value " + key + "|" + name);
    return ok;
  }
  bool RegDeleteTree(RootKey root, const std::string& key) override {
    bool ok = SimSystem::RegDeleteTree(root, key);
    if (ok) trace.push_back("tree " + key);
    return ok;
  }
  bool RemoveDirectory(const std::string& path) override {
    bool ok = SimSystem::RemoveDirectory(path);
    if (ok) trace.push_back("folder " + path);
    return ok;
  }
  std::unique_ptr<File> CreateNewFile(const std::string& path) override {
    ++create_new_calls;
    if (names_taken) return nullptr;
    std::unique_ptr<File> file = SimSystem::CreateNewFile(path);
    if (file) trace.push_back("copy " + path);
    return file;
  }
  std::unique_ptr<File> SealFile(std::unique_ptr<File> written, const std::string& path) override {
    // Someone of the user changes the copy between its writing and sealing.
    if (tamper_seals > 0) {
      --tamper_seals;
      written->Seek(0);
      written->Write("EVIL", 4);
    }
    return SimSystem::SealFile(std::move(written), path);
  }
  bool StartProgram(const std::string& file, const std::string& params, int show) override {
    trace.push_back("start " + file);
    // What the started copy is, and whether anyone could still change it.
    started_bytes = ReadWholeFile(file);
    locked_at_start = Locked(file) && !SimSystem::CreateFile(file) && !SimSystem::DeleteFile(file);
    return SimSystem::StartProgram(file, params, show);
  }
  int create_new_calls = 0;
  bool names_taken = false;
  int tamper_seals = 0;
  std::string started_bytes;
  bool locked_at_start = false;
};

// The package whose uninstaller copy these tests run: a readme and all
// three registrations.
TestPackage Installed() {
  return {.image = "MZ program image",
          .screensaver = "screensaver bytes",
          .readme = "Read me.\r\n",
          .uninstall_entry = true,
          .start_menu_group = true,
          .desktop_shortcut = true,
          .dest_folder = "",
          .dest_subfolder = ""};
}

class UninstallRun : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }

  void Reset() {
    sim.reset();
    sim = std::make_unique<TracingSim>();
    view = MemoryView();
    sim->module_path = kUninstaller;
    sim->short_paths[kUninstaller] = kShortUninstaller;
  }

  // Puts the uninstaller copy of `p` at the module path; `tamper` may
  // damage its record first. LayOut adds what an installation of it leaves.
  void Install(const TestPackage& p = Installed(), void (*tamper)(SetupRecord&) = nullptr) {
    std::string bytes = UninstallerCopyBytes(p);
    if (tamper) {
      SetupRecord record;
      char* at = bytes.data() + bytes.size() - kRecordAndTrailerSize;
      std::memcpy(&record, at, sizeof(record));
      tamper(record);
      std::memcpy(at, &record, sizeof(record));
    }
    sim->PutFile(sim->module_path, bytes);
    sim->trace.clear();
    sim->deleted.clear();
    sim->delete_attempts = 0;
  }

  // The installed state for title `t` with the English shortcut words.
  void LayOut(const std::string& t, const std::string& preview = "Preview",
              const std::string& readme = "Readme", const std::string& uninstall = "Uninstall") {
    sim->PutFile(kScreensaver, "screensaver bytes");
    sim->PutFile(std::string(kFolder) + t + " " + readme + ".txt", "Read me.");
    sim->RegCreateKey(RootKey::kLocalMachine, kUninstallKey + t);
    sim->RegSetString(RootKey::kLocalMachine, kUninstallKey + t, "DisplayName", t);
    sim->RegSetString(RootKey::kLocalMachine, kUninstallKey + t, "UninstallString",
                      std::string("\"") + kUninstaller + "\"");
    const std::string player = kPlayerKey + t;
    sim->RegCreateKey(RootKey::kCurrentUser, player);
    sim->RegSetString(RootKey::kCurrentUser, player, "FileName_", kScreensaver);
    sim->RegSetString(RootKey::kCurrentUser, player, "Speed", "3");
    sim->RegCreateKey(RootKey::kCurrentUser, player + "\\PlayList\\Deep");
    sim->RegSetString(RootKey::kCurrentUser, player + "\\PlayList", "1", "reef.jpg");
    const std::string group = std::string(kPrograms) + t + "\\";
    sim->PutFile(group + preview + " " + t + ".lnk", "LNK\n" + std::string(kScreensaver));
    sim->PutFile(group + readme + ".lnk", "LNK\nreadme");
    sim->PutFile(group + uninstall + " " + t + ".lnk", "LNK\n" + std::string(kUninstaller));
    sim->PutFile(std::string(kDesktop) + preview + " " + t + ".lnk", "LNK\n");
  }

  // Neighbours that no removal may touch.
  void LayOutNeighbours() {
    sim->RegCreateKey(RootKey::kLocalMachine, std::string(kUninstallKey) + "Other Program");
    sim->RegSetString(RootKey::kLocalMachine, std::string(kUninstallKey) + "Other Program",
                      "DisplayName", "Other Program");
    sim->RegCreateKey(RootKey::kCurrentUser, std::string(kPlayerKey) + "Seaside");
    sim->RegSetString(RootKey::kCurrentUser, std::string(kPlayerKey) + "Seaside", "FileName_",
                      "C:\\WINDOWS\\Seaside.scr");
    sim->PutFile("C:\\WINDOWS\\Seaside.scr", "other");
    sim->PutFile(std::string(kPrograms) + "Seaside\\Preview Seaside.lnk", "LNK\n");
  }

  void Run(RunModes modes = {}) {
    silent_exit_code = StartRoad(*sim, view, form, modes, {"uninst.exe"});
  }
  int ExitCode() const { return form ? form->exit_code : silent_exit_code; }

  // The removal arguments of the one start of the temporary copy, split as
  // the copy's own command line is.
  std::vector<std::string> RemovalArguments() {
    EXPECT_EQ(sim->shell_calls.size(), 1u);
    if (sim->shell_calls.empty()) return {};
    return SplitCommandLine("\"" + sim->shell_calls[0].file + "\" " + sim->shell_calls[0].params);
  }

  bool HasKey(RootKey root, const std::string& key) { return sim->RegKeyExists(root, key); }
  // Directly in the uninstaller's folder, or in the group or on the desktop.
  static bool InItsPlace(const std::string& path) {
    const std::string lower = AsciiLower(path);
    for (const char* place : {kPrograms, kDesktop}) {
      if (lower.rfind(AsciiLower(place), 0) == 0) return true;
    }
    const std::string folder = AsciiLower(kFolder);
    return lower.rfind(folder, 0) == 0 && lower.find('\\', folder.size()) == std::string::npos;
  }
  bool Has(const std::string& path) { return sim->FileExists(path); }

  std::unique_ptr<TracingSim> sim;
  MemoryView view;
  std::unique_ptr<TSCRSetup> form;
  int silent_exit_code = kExitOk;  // of the last silent run
};

TEST_F(UninstallRun, InteractiveRemovalAsksRemovesInOrderAndStartsTheCopy) {
  Install();
  LayOut("Aquarium");
  LayOutNeighbours();
  sim->answers = {MsgAnswer::kYes};
  Run();

  ASSERT_EQ(sim->boxes.size(), 1u);
  EXPECT_EQ(sim->boxes[0].text, "Are you sure you want to remove Aquarium and its components?");
  EXPECT_EQ(sim->boxes[0].caption, "Aquarium Uninstall");
  EXPECT_EQ(sim->boxes[0].icon, MsgIcon::kQuestion);
  EXPECT_EQ(sim->boxes[0].buttons, MsgButtons::kYesNo);

  ASSERT_EQ(sim->shell_calls.size(), 1u);
  const std::string copy = sim->shell_calls[0].file;
  const std::string group = std::string(kPrograms) + "Aquarium";
  const std::vector<std::string> expected = {
      std::string("file ") + kScreensaver,
      "value \\Software\\Quorvane\\Aquarium|FileName_",
      "value \\Software\\Quorvane\\Aquarium|Speed",
      "tree \\Software\\Quorvane\\Aquarium\\PlayList",
      "file C:\\WINDOWS\\Aquarium Readme.txt",
      std::string("tree ") + kUninstallKey + "Aquarium",
      "file " + group + "\\Preview Aquarium.lnk",
      "file " + group + "\\Readme.lnk",
      "file " + group + "\\Uninstall Aquarium.lnk",
      "folder " + group,
      std::string("file ") + kDesktop + "Preview Aquarium.lnk",
      "copy " + copy,
      "start " + copy,
  };
  EXPECT_EQ(sim->trace, expected);

  // Started by its path, never through the shell, which would look up how
  // to open a program in classes the user may override.
  const SimSystem::ShellCall& call = sim->shell_calls[0];
  EXPECT_EQ(call.route, SimSystem::Route::kProgram);
  EXPECT_EQ(call.show, kSwHide);
  EXPECT_EQ(call.params, std::string("-delfile ") + kShortUninstaller +
                             " \"Screensaver Setup\" \"Aquarium has been successfully removed "
                             "from your computer.\"");
  EXPECT_EQ(sim->ReadWholeFile(copy), sim->ReadWholeFile(kUninstaller));

  // The player's key stays, emptied; neighbours are untouched.
  EXPECT_TRUE(HasKey(RootKey::kCurrentUser, "\\Software\\Quorvane\\Aquarium"));
  EXPECT_TRUE(sim->RegValueNames(RootKey::kCurrentUser, "\\Software\\Quorvane\\Aquarium").empty());
  EXPECT_TRUE(HasKey(RootKey::kCurrentUser, "\\Software\\Quorvane\\Seaside"));
  EXPECT_TRUE(HasKey(RootKey::kLocalMachine, std::string(kUninstallKey) + "Other Program"));
  EXPECT_TRUE(Has("C:\\WINDOWS\\Seaside.scr"));
  EXPECT_TRUE(Has(std::string(kPrograms) + "Seaside\\Preview Seaside.lnk"));
  EXPECT_TRUE(sim->DirectoryExists(kPrograms));
  EXPECT_TRUE(sim->delay_until_reboot.empty());  // the copy does that

  EXPECT_EQ(ExitCode(), kExitOk);
  EXPECT_TRUE(view.hidden_forever);
  EXPECT_TRUE(view.terminated);
  EXPECT_EQ(view.shown_page, -1);  // no wizard page was ever selected
  EXPECT_EQ(view.Text(Control::edDirectory), "");

  // The temporary copy, started as the shell would start it, deletes the
  // uninstaller and tells the user.
  std::vector<std::string> args = RemovalArguments();
  ASSERT_EQ(ArgumentCount(args), 4u);
  sim->short_paths.clear();
  sim->module_path = copy;
  sim->PutFile(kShortUninstaller, sim->ReadWholeFile(kUninstaller));  // the short name's file
  EXPECT_EQ(ExitCodeOf(RunDeferredRemoval(*sim, args)), 0);
  EXPECT_FALSE(Has(kShortUninstaller));
  EXPECT_EQ(sim->delay_until_reboot, std::vector<std::string>{copy});
  ASSERT_EQ(sim->boxes.size(), 2u);
  EXPECT_EQ(sim->boxes[1].caption, "Screensaver Setup");
  EXPECT_EQ(sim->boxes[1].text, "Aquarium has been successfully removed from your computer.");
}

TEST_F(UninstallRun, SilentRemovalAsksNothingAndPassesOnlyThePath) {
  Install();
  LayOut("Aquarium");
  RunModes modes;
  modes.SilentMode = true;
  Run(modes);

  EXPECT_TRUE(sim->boxes.empty());
  EXPECT_EQ(RemovalArguments(),
            (std::vector<std::string>{sim->shell_calls[0].file, "-delfile", kShortUninstaller}));
  EXPECT_FALSE(Has(kScreensaver));
  EXPECT_FALSE(Has("C:\\WINDOWS\\Aquarium Readme.txt"));
  EXPECT_FALSE(HasKey(RootKey::kLocalMachine, std::string(kUninstallKey) + "Aquarium"));
  EXPECT_FALSE(sim->DirectoryExists(std::string(kPrograms) + "Aquarium"));
  EXPECT_FALSE(Has(std::string(kDesktop) + "Preview Aquarium.lnk"));
  EXPECT_EQ(ExitCode(), kExitOk);
  EXPECT_TRUE(view.hidden_forever && view.terminated);
  EXPECT_EQ(view.shown_page, -1);  // no install run follows
}

TEST_F(UninstallRun, PathWithBlanksReachesTheCopyWhole) {
  for (bool silent : {false, true}) {
    SCOPED_TRACE(silent ? "silent" : "interactive");
    Reset();
    sim->short_paths.clear();  // a volume without short names
    Install();
    LayOut("Aquarium");
    sim->answers = {MsgAnswer::kYes};
    RunModes modes;
    modes.SilentMode = silent;
    Run(modes);
    std::vector<std::string> args = RemovalArguments();
    ASSERT_EQ(ArgumentCount(args), silent ? 2u : 4u);
    EXPECT_EQ(args[2], kUninstaller);
    if (!silent) {
      EXPECT_EQ(args[3], "Screensaver Setup");
    }
  }
}

TEST_F(UninstallRun, EachFlagGovernsItsOwnPiece) {
  for (int flags = 0; flags < 8; ++flags) {
    for (bool readme : {false, true}) {
      SCOPED_TRACE("flags " + std::to_string(flags) + (readme ? " with readme" : " no readme"));
      Reset();
      TestPackage p = Installed();
      p.uninstall_entry = flags & 1;
      p.start_menu_group = flags & 2;
      p.desktop_shortcut = flags & 4;
      if (!readme) p.readme.clear();
      Install(p);
      LayOut("Aquarium");
      sim->answers = {MsgAnswer::kYes};
      Run();
      EXPECT_EQ(ExitCode(), kExitOk);
      EXPECT_FALSE(Has(kScreensaver));
      EXPECT_TRUE(
          sim->RegValueNames(RootKey::kCurrentUser, "\\Software\\Quorvane\\Aquarium").empty());
      EXPECT_EQ(Has("C:\\WINDOWS\\Aquarium Readme.txt"), !readme);
      EXPECT_EQ(HasKey(RootKey::kLocalMachine, std::string(kUninstallKey) + "Aquarium"),
                !p.uninstall_entry);
      EXPECT_EQ(sim->DirectoryExists(std::string(kPrograms) + "Aquarium"), !p.start_menu_group);
      EXPECT_EQ(Has(std::string(kPrograms) + "Aquarium\\Uninstall Aquarium.lnk"),
                !p.start_menu_group);
      EXPECT_EQ(Has(std::string(kDesktop) + "Preview Aquarium.lnk"), !p.desktop_shortcut);
      EXPECT_EQ(sim->shell_calls.size(), 1u);  // the uninstaller goes in every case
    }
  }
}

TEST_F(UninstallRun, PreviewOnlyAsksAndChangesNothing) {
  Install();
  LayOut("Aquarium");
  auto files = sim->Snapshot();
  auto registry = sim->RegistryDump();
  sim->answers = {MsgAnswer::kYes};
  RunModes modes;
  modes.PreviewOnly = true;
  Run(modes);
  EXPECT_EQ(sim->boxes.size(), 1u);
  EXPECT_EQ(sim->Snapshot(), files);
  EXPECT_EQ(sim->RegistryDump(), registry);
  EXPECT_TRUE(sim->shell_calls.empty());
  EXPECT_TRUE(sim->delay_until_reboot.empty());
  EXPECT_EQ(ExitCode(), kExitOk);
  EXPECT_TRUE(view.hidden_forever && view.terminated);
}

TEST_F(UninstallRun, AnythingButYesChangesNothingAndCancels) {
  for (MsgAnswer answer : {MsgAnswer::kNo, MsgAnswer::kFailed}) {
    SCOPED_TRACE(static_cast<int>(answer));
    Reset();
    Install();
    LayOut("Aquarium");
    auto files = sim->Snapshot();
    auto registry = sim->RegistryDump();
    sim->answers = {answer};
    Run();
    EXPECT_EQ(sim->boxes.size(), 1u);
    EXPECT_EQ(sim->Snapshot(), files);
    EXPECT_EQ(sim->RegistryDump(), registry);
    EXPECT_TRUE(sim->shell_calls.empty());
    EXPECT_EQ(ExitCode(), kExitCancelled);
    EXPECT_TRUE(view.hidden_forever && view.terminated);
  }
}

TEST_F(UninstallRun, DamagedCopyRemovesNothingAndReportsCorruption) {
  struct Case {
    const char* name;
    void (*tamper)(SetupRecord&);
    bool cut_trailer;
  };
  const Case cases[] = {
      {"record signature", [](SetupRecord& r) { r.RecordSignature[3] = 'X'; }, false},
      {"signature without its NUL", [](SetupRecord& r) { r.RecordSignature[10] = 'g'; }, false},
      {"trailer", nullptr, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    Install(Installed(), c.tamper);
    if (c.cut_trailer) {
      std::string bytes = sim->ReadWholeFile(kUninstaller);
      bytes.back() = 'X';
      sim->PutFile(kUninstaller, bytes);
    }
    LayOut("Aquarium");
    auto files = sim->Snapshot();
    auto registry = sim->RegistryDump();
    sim->answers = {MsgAnswer::kYes};
    Run();
    ASSERT_EQ(sim->boxes.size(), 1u);
    EXPECT_EQ(sim->boxes[0].text, "The file is corrupted. Setup can not continue.");
    EXPECT_EQ(sim->boxes[0].icon, MsgIcon::kError);
    EXPECT_EQ(sim->Snapshot(), files);
    EXPECT_EQ(sim->RegistryDump(), registry);
    EXPECT_TRUE(sim->shell_calls.empty());
    EXPECT_EQ(ExitCode(), kExitBadPackage);
    EXPECT_TRUE(view.terminated);
  }
}

TEST_F(UninstallRun, RefusesAPackageThatIsNoUninstallerCopy) {
  // The run checks both marks itself, whoever calls it.
  Install();
  LayOut("Aquarium");
  auto files = sim->Snapshot();
  MemoryView v;
  TSCRSetup f(*sim, v, RunModes{}, {"uninst.exe"});
  std::unique_ptr<File> file;
  ASSERT_EQ(LoadPackage(*sim, f.package, file), LoadStatus::kOk);
  file.reset();
  sim->answers = {MsgAnswer::kYes, MsgAnswer::kYes};
  f.package.kind = TrailerKind::kSetup;
  struct Hide : UninstallFront {
    MemoryView& view;
    explicit Hide(MemoryView& v) : view(v) {}
    void HideWindow() override { view.HideForever(); }
  } front(v);
  const UninstallContext context{*sim, f.package, f.modes, f.package.program_path, front};
  EXPECT_EQ(RunUninstall(context), RunEnd::kNotAnUninstaller);
  f.package.kind = TrailerKind::kUninstaller;
  f.package.record.RecordSignature[0] = 's';
  EXPECT_EQ(RunUninstall(context), RunEnd::kNotAnUninstaller);
  EXPECT_TRUE(sim->boxes.empty());
  EXPECT_EQ(sim->Snapshot(), files);
  EXPECT_TRUE(v.hidden_forever);
}

TEST_F(UninstallRun, WithoutARecordedPathTheScreensaverIsTakenBesideTheUninstaller) {
  TestPackage p = Installed();
  p.file_name = "Savers\\Aquarium.scr";  // only the name counts
  Install(p);
  LayOut("Aquarium");
  sim->RegDeleteValue(RootKey::kCurrentUser, "\\Software\\Quorvane\\Aquarium", "FileName_");
  sim->PutFile("C:\\Setup\\Aquarium.scr", "in the current folder");
  sim->PutFile("C:\\Setup\\Savers\\Aquarium.scr", "relative to the current folder");
  sim->answers = {MsgAnswer::kYes};
  Run();
  EXPECT_FALSE(Has(kScreensaver));
  EXPECT_FALSE(Has("C:\\WINDOWS\\Aquarium Readme.txt"));
  EXPECT_TRUE(Has("C:\\Setup\\Aquarium.scr"));
  EXPECT_TRUE(Has("C:\\Setup\\Savers\\Aquarium.scr"));
  EXPECT_EQ(ExitCode(), kExitOk);
}

TEST_F(UninstallRun, WithoutARecordedPathOnlyTheNameTheInstallUsedIsTaken) {
  // Before Windows 2000 the package's file name keeps its folder part, and
  // the install run takes the name behind any of "\", "/" and ":". The
  // fallback must take the same name, never a path that climbs out of the
  // uninstaller's folder.
  for (const char* name : {"../Data/thesis.doc", "x:../Data/thesis.doc", "Savers/thesis.doc"}) {
    SCOPED_TRACE(name);
    Reset();
    sim->version = VersionInfo{true, 1, 4, 10, " A "};  // Windows 98
    TestPackage p = Installed();
    p.file_name = name;
    Install(p);
    sim->PutFile("C:\\Data\\thesis.doc", "years of work");
    sim->PutFile("C:\\WINDOWS\\Savers\\thesis.doc", "not installed by us");
    sim->PutFile("C:\\WINDOWS\\thesis.doc", "the installed screensaver");
    sim->answers = {MsgAnswer::kYes};
    Run();
    EXPECT_EQ(ExitCode(), kExitOk);
    EXPECT_TRUE(Has("C:\\Data\\thesis.doc"));
    EXPECT_TRUE(Has("C:\\WINDOWS\\Savers\\thesis.doc"));
    EXPECT_FALSE(Has("C:\\WINDOWS\\thesis.doc"));
  }
}

// ---- the recorded path is per-user data: only a file beside the
// uninstaller is ever deleted through it ----

TEST_F(UninstallRun, ATamperedRecordedPathNeverDeletesAFileOutsideTheUninstallersFolder) {
  struct Case {
    const char* name;
    std::string recorded;
  };
  const Case cases[] = {
      {"system folder", "C:\\WINDOWS\\system32\\kernel32.dll"},
      {"another installation of the same title", "C:\\Other\\Aquarium.scr"},
      {"climbs out of the folder", "C:\\WINDOWS\\..\\Data\\thesis.doc"},
      {"forward slashes out of the folder", "C:/WINDOWS/../Data/thesis.doc"},
      {"a stream of another file", "C:\\Data\\thesis.doc:x"},
      {"names the folder itself", "C:\\WINDOWS\\.."},
      {"relative", "Aquarium.scr"},
      {"empty", ""},
  };
  for (const Case& c : cases) {
    for (bool silent : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (silent ? " silent" : " interactive"));
      Reset();
      Install();
      LayOut("Aquarium");
      sim->RegSetString(RootKey::kCurrentUser, "\\Software\\Quorvane\\Aquarium", "FileName_",
                        c.recorded);
      // What a rewritten record may point at, and a readme name beside it.
      sim->PutFile("C:\\WINDOWS\\system32\\kernel32.dll", "system");
      sim->PutFile("C:\\WINDOWS\\system32\\Aquarium Readme.txt", "not ours");
      sim->PutFile("C:\\Other\\Aquarium.scr", "the other installation");
      sim->PutFile("C:\\Other\\Aquarium Readme.txt", "the other installation's readme");
      sim->PutFile("C:\\Data\\thesis.doc", "years of work");
      sim->PutFile("C:\\Data\\Aquarium Readme.txt", "not ours");
      sim->PutFile("C:\\Setup\\Aquarium.scr", "in the current folder");
      sim->answers = {MsgAnswer::kYes};
      RunModes modes;
      modes.SilentMode = silent;
      Run(modes);
      EXPECT_EQ(ExitCode(), kExitOk);
      for (const char* kept :
           {"C:\\WINDOWS\\system32\\kernel32.dll", "C:\\WINDOWS\\system32\\Aquarium Readme.txt",
            "C:\\Other\\Aquarium.scr", "C:\\Other\\Aquarium Readme.txt", "C:\\Data\\thesis.doc",
            "C:\\Data\\Aquarium Readme.txt", "C:\\Setup\\Aquarium.scr"})
        EXPECT_TRUE(Has(kept)) << kept;
      // The screensaver beside the uninstaller goes instead, with its readme.
      EXPECT_FALSE(Has(kScreensaver));
      EXPECT_FALSE(Has("C:\\WINDOWS\\Aquarium Readme.txt"));
      for (const std::string& path : sim->deleted) EXPECT_TRUE(InItsPlace(path)) << path;
    }
  }
}

TEST_F(UninstallRun, TheScreensaverIsNamedByTheUninstallersOwnNameNeverByTheRecord) {
  // The install run named the uninstaller after its target, numbered when
  // a file of the package's name was there already. The recorded path is
  // never taken as a name, whatever file of the folder it names, in
  // whatever spelling: the folder may be one the system shares.
  const std::string folder = "C:\\Program Files\\Aquarium Saver\\";
  const struct {
    const char* uninstaller;
    const char* removed;
  } owners[] = {
      {"uninstall Aquari1.exe", "Aquari1.scr"},
      {"Uninstall Aquari1.EXE", "Aquari1.scr"},
      {"uninstall Aquarium.exe", "Aquarium.scr"},
      // renamed: the package's own file name
      {"remove it.exe", "Aquarium.scr"},
  };
  const std::vector<std::string> files = {"Aquarium.scr", "Aquari1.scr", "notepad.exe",
                                          "Aquarium Readme.txt"};
  for (const auto& owner : owners) {
    for (const std::string& recorded :
         {std::string("notepad.exe"), std::string("NOTEPAD.EXE"), std::string("Aquarium.scr"),
          std::string("Aquari1.scr"), std::string(owner.uninstaller),
          std::string("Aquarium Readme.txt"), std::string("")}) {
      for (const std::string& spelling :
           {folder, std::string("c:\\program files\\AQUARIUM SAVER\\"),
            std::string("C:\\PROGRA~1\\AQUARI~1\\"),
            std::string("C:/Program Files/Aquarium Saver/")}) {
        SCOPED_TRACE(std::string(owner.uninstaller) + " / " + spelling + recorded);
        Reset();
        sim->module_path = folder + owner.uninstaller;
        sim->short_paths["C:\\Program Files\\Aquarium Saver"] = "C:\\PROGRA~1\\AQUARI~1";
        sim->MakeFolders(folder);
        Install();
        for (const std::string& file : files) sim->PutFile(folder + file, file);
        const std::string player = "\\Software\\Quorvane\\Aquarium";
        sim->RegCreateKey(RootKey::kCurrentUser, player);
        sim->RegSetString(RootKey::kCurrentUser, player, "FileName_", spelling + recorded);
        RunModes modes;
        modes.SilentMode = true;
        Run(modes);
        EXPECT_EQ(ExitCode(), kExitOk);
        for (const std::string& file : files) {
          const bool goes = file == owner.removed || file == "Aquarium Readme.txt";
          EXPECT_EQ(Has(folder + file), !goes) << file;
        }
      }
    }
  }
}

TEST_F(UninstallRun, ScreensaverDeletedByHandIsNoError) {
  Install();
  LayOut("Aquarium");
  sim->DeleteFile(kScreensaver);
  sim->answers = {MsgAnswer::kYes};
  Run();
  EXPECT_EQ(ExitCode(), kExitOk);
  EXPECT_FALSE(Has("C:\\WINDOWS\\Aquarium Readme.txt"));
  EXPECT_FALSE(HasKey(RootKey::kLocalMachine, std::string(kUninstallKey) + "Aquarium"));
  EXPECT_EQ(sim->shell_calls.size(), 1u);
}

TEST_F(UninstallRun, TitleThatBreaksTheNameRuleIsRefusedAndLeavesSharedPlacesAlone) {
  for (std::string title : {"", "   ", "\\", " \\ \\", "..", "a\\..", "..\\..\\WINDOWS", "x/.",
                            "Games\\Aquarium", "CON", "Fish."}) {
    SCOPED_TRACE("title [" + title + "]");
    Reset();
    TestPackage p = Installed();
    p.title = title;
    Install(p);
    LayOutNeighbours();
    sim->PutFile(kScreensaver, "screensaver bytes");
    // What the shared parents hold, under the names a bare title would give.
    sim->RegCreateKey(RootKey::kCurrentUser, "\\Software\\Quorvane\\PlayList");
    sim->RegSetString(RootKey::kCurrentUser, "\\Software\\Quorvane", "FileName_",
                      "C:\\Data\\thesis.doc");
    sim->PutFile("C:\\Data\\thesis.doc", "years of work");
    sim->PutFile(std::string(kPrograms) + "Preview " + title + ".lnk", "LNK\n");
    sim->PutFile(std::string(kPrograms) + "Readme.lnk", "LNK\n");
    sim->PutFile(std::string(kDesktop) + "Preview " + title + ".lnk", "LNK\n");
    auto registry = sim->RegistryDump();
    sim->answers = {MsgAnswer::kYes};
    Run();
    EXPECT_EQ(sim->RegistryDump(), registry);
    EXPECT_TRUE(Has("C:\\Data\\thesis.doc"));
    EXPECT_TRUE(Has(std::string(kPrograms) + "Preview " + title + ".lnk"));
    EXPECT_TRUE(Has(std::string(kPrograms) + "Readme.lnk"));
    EXPECT_TRUE(Has(std::string(kDesktop) + "Preview " + title + ".lnk"));
    EXPECT_TRUE(Has("C:\\WINDOWS\\Seaside.scr"));
    // The author's tool makes no such package: the uninstaller refuses it
    // as damaged and removes nothing at all, its own files included.
    ASSERT_EQ(sim->boxes.size(), 1u);
    EXPECT_EQ(sim->boxes[0].text, "The file is corrupted. Setup can not continue.");
    EXPECT_TRUE(Has(kScreensaver));
    EXPECT_TRUE(Has(kUninstaller));
    EXPECT_TRUE(sim->shell_calls.empty());
    EXPECT_EQ(ExitCode(), kExitBadPackage);
  }
}

TEST_F(UninstallRun, ShellFolderFailureReportsCorruptionAndKeepsTheUninstaller) {
  for (ShellFolder failing : {ShellFolder::kPrograms, ShellFolder::kDesktop}) {
    SCOPED_TRACE(static_cast<int>(failing));
    Reset();
    Install();
    LayOut("Aquarium");
    sim->failing_folders = {failing};
    sim->answers = {MsgAnswer::kYes};
    Run();
    ASSERT_EQ(sim->boxes.size(), 2u);
    EXPECT_EQ(sim->boxes[1].text, "The file is corrupted. Setup can not continue.");
    EXPECT_EQ(ExitCode(), kExitBadPackage);
    // No temporary copy: it would delete the uninstaller and announce a
    // complete removal.
    EXPECT_TRUE(sim->shell_calls.empty());
    EXPECT_TRUE(sim->delay_until_reboot.empty());
    EXPECT_TRUE(Has(kUninstaller));
    EXPECT_FALSE(Has(kScreensaver));  // done before the failure
    // The steps after the failing one do not run.
    EXPECT_EQ(Has(std::string(kDesktop) + "Preview Aquarium.lnk"), true);
    EXPECT_TRUE(view.hidden_forever);
  }
}

TEST_F(UninstallRun, APieceThatStaysEndsTheRunAndKeepsTheUninstaller) {
  // A screensaver that is running (its file cannot be deleted), a readme
  // held open, an entry or a shortcut that cannot be deleted: the run does
  // not go on to claim a complete removal. It ends in its failure report
  // before the next piece, and the uninstaller and its entry stay so that
  // it can be run again.
  const std::string entry = std::string(kUninstallKey) + "Aquarium";
  const std::string group_link = std::string(kPrograms) + "Aquarium\\Uninstall Aquarium.lnk";
  const std::string desktop_link = std::string(kDesktop) + "Preview Aquarium.lnk";
  struct Case {
    const char* name;
    std::function<void(TracingSim&)> fault;
    bool entry_stays;
  };
  const Case cases[] = {
      {"screensaver", [](TracingSim& s) { s.fail_delete = {kScreensaver}; }, true},
      {"readme", [](TracingSim& s) { s.fail_delete = {"C:\\WINDOWS\\Aquarium Readme.txt"}; }, true},
      {"group shortcut", [&](TracingSim& s) { s.fail_delete = {group_link}; }, false},
      {"desktop shortcut", [&](TracingSim& s) { s.fail_delete = {desktop_link}; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    Install();
    LayOut("Aquarium");
    c.fault(*sim);
    Run({true, false});
    EXPECT_EQ(ExitCode(), kExitBadPackage);
    EXPECT_TRUE(sim->boxes.empty());
    EXPECT_TRUE(sim->shell_calls.empty());
    EXPECT_TRUE(sim->delay_until_reboot.empty());
    EXPECT_TRUE(Has(kUninstaller));
    EXPECT_EQ(HasKey(RootKey::kLocalMachine, entry), c.entry_stays);
  }

  // The same run without the fault removes everything.
  Reset();
  Install();
  LayOut("Aquarium");
  Run({true, false});
  EXPECT_EQ(ExitCode(), kExitOk);
  EXPECT_FALSE(HasKey(RootKey::kLocalMachine, entry));
}

TEST_F(UninstallRun, AnEntryThatCannotBeDeletedEndsTheRun) {
  class KeepingSim : public TracingSim {
   public:
    bool RegDeleteTree(RootKey, const std::string&) override { return false; }
  };
  sim = std::make_unique<KeepingSim>();
  sim->module_path = kUninstaller;
  Install();
  LayOut("Aquarium");
  sim->answers = {MsgAnswer::kYes};
  Run();
  ASSERT_EQ(sim->boxes.size(), 2u);
  EXPECT_EQ(sim->boxes[1].text, "The file is corrupted. Setup can not continue.");
  EXPECT_EQ(ExitCode(), kExitBadPackage);
  EXPECT_TRUE(sim->shell_calls.empty());
  EXPECT_TRUE(Has(kUninstaller));
  // The shortcuts come after the entry and are still there.
  EXPECT_TRUE(Has(std::string(kDesktop) + "Preview Aquarium.lnk"));
}

TEST_F(UninstallRun, AnUninstallerThatCouldNeverGoEndsInTheReport) {
  // No temporary copy can be started and the restart list refuses the
  // uninstaller: it would stay for good after a run that says it is done.
  sim->temp_path = "";
  sim->delay_until_reboot_ok = false;
  Install();
  LayOut("Aquarium");
  Run({true, false});
  EXPECT_EQ(ExitCode(), kExitBadPackage);
  EXPECT_TRUE(Has(kUninstaller));
  EXPECT_FALSE(Has(kScreensaver));
}

TEST_F(UninstallRun, TheProgramFileIsTheOneLoadingOpened) {
  // GetModuleFileName asked once: a later failure of the call cannot make
  // the run copy or mark for deletion a file of another name.
  class OnceSim : public TracingSim {
   public:
    std::string ModulePath() override {
      return asked++ == 0 ? TracingSim::ModulePath() : std::string();
    }
    int asked = 0;
  };
  sim = std::make_unique<OnceSim>();
  sim->module_path = kUninstaller;
  sim->short_paths[kUninstaller] = kShortUninstaller;
  Install();
  LayOut("Aquarium");
  Run({true, false});
  EXPECT_EQ(ExitCode(), kExitOk);
  EXPECT_EQ(RemovalArguments(),
            (std::vector<std::string>{sim->shell_calls[0].file, "-delfile", kShortUninstaller}));
}

TEST_F(UninstallRun, TemporaryCopyPathTakesOneBackslashAndARandomNumber) {
  std::vector<std::string> names;
  for (const char* temp : {"C:\\TEMP\\", "C:\\TEMP"}) {
    for (uint32_t seed : {0u, 1u, 12345u, 0xFFFFFFFFu}) {
      SCOPED_TRACE(std::string(temp) + " seed " + std::to_string(seed));
      Reset();
      sim->temp_path = temp;
      sim->seed = seed;
      Install();
      RunModes modes;
      modes.SilentMode = true;
      Run(modes);
      ASSERT_EQ(sim->shell_calls.size(), 1u);
      const std::string file = sim->shell_calls[0].file;
      const std::string prefix = "C:\\TEMP\\ZEROveruziuninst";
      ASSERT_EQ(file.rfind(prefix, 0), 0u) << file;
      ASSERT_EQ(file.substr(file.size() - 4), ".exe");
      std::string digits = file.substr(prefix.size(), file.size() - prefix.size() - 4);
      ASSERT_FALSE(digits.empty());
      EXPECT_TRUE(std::all_of(digits.begin(), digits.end(), ::isdigit));
      EXPECT_TRUE(digits == "0" || digits[0] != '0');
      EXPECT_LE(std::stoul(digits), 9999998u);
      EXPECT_TRUE(Has(file));
      if (std::string(temp) == "C:\\TEMP\\") names.push_back(file);
    }
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());  // differs with the seed
}

// ---- the temporary copy cannot be swapped ----

TEST_F(UninstallRun, TheTemporaryCopyIsHeldUnchangeableUntilStartedAndLetGoAfter) {
  Install();
  LayOut("Aquarium");
  RunModes modes;
  modes.SilentMode = true;
  Run(modes);
  ASSERT_EQ(sim->shell_calls.size(), 1u);
  const std::string copy = sim->shell_calls[0].file;
  EXPECT_EQ(sim->started_bytes, sim->ReadWholeFile(kUninstaller));
  EXPECT_TRUE(sim->locked_at_start);
  EXPECT_FALSE(sim->Locked(copy));
  EXPECT_TRUE(Has(copy));  // the started copy deletes the uninstaller, then itself at restart
}

TEST_F(UninstallRun, NothingPlantedUnderTheCopysNameIsWrittenThroughOrStarted) {
  // The name the run picks first, for this seed.
  Install();
  RunModes modes;
  modes.SilentMode = true;
  Run(modes);
  ASSERT_EQ(sim->shell_calls.size(), 1u);
  const std::string first = sim->shell_calls[0].file;

  const fs::path outside =
      fs::temp_directory_path() / ("scr_planted_target_" + std::to_string(::getpid()) + ".exe");
  for (const char* planted : {"file", "folder", "link to a missing file", "link to a file"}) {
    SCOPED_TRACE(planted);
    Reset();
    Install();
    std::error_code ec;
    fs::remove(outside, ec);
    const std::string kind = planted;
    if (kind == "file") {
      sim->PutFile(first, "planted program");
    } else if (kind == "folder") {
      sim->MakeFolders(first);
    } else {
      if (kind == "link to a file") std::ofstream(outside) << "planted program";
      fs::create_symlink(outside, sim->HostPath(first));
    }
    Run(modes);
    ASSERT_EQ(sim->shell_calls.size(), 1u);
    EXPECT_NE(AsciiLower(sim->shell_calls[0].file), AsciiLower(first));
    EXPECT_EQ(sim->started_bytes, sim->ReadWholeFile(kUninstaller));
    if (kind == "file") {
      EXPECT_EQ(sim->ReadWholeFile(first), "planted program");
    } else if (kind == "folder") {
      EXPECT_TRUE(sim->DirectoryExists(first));
    } else if (kind == "link to a missing file") {
      EXPECT_FALSE(fs::exists(outside));
    } else {
      std::ifstream in(outside);
      std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      EXPECT_EQ(text, "planted program");
    }
    EXPECT_TRUE(sim->delay_until_reboot.empty());
    EXPECT_EQ(ExitCode(), kExitOk);
  }
  std::error_code ec;
  fs::remove(outside, ec);
}

TEST_F(UninstallRun, ACopyChangedBeforeItIsHeldIsDeletedAndNeverStarted) {
  Install();
  sim->tamper_seals = 1;
  RunModes modes;
  modes.SilentMode = true;
  Run(modes);
  ASSERT_EQ(sim->shell_calls.size(), 1u);
  EXPECT_EQ(sim->started_bytes, sim->ReadWholeFile(kUninstaller));
  // The changed first copy is gone; only the started one is left.
  int copies = 0;
  for (const auto& [path, bytes] : sim->Snapshot()) {
    if (path.find("ZEROveruziuninst") != std::string::npos) {
      ++copies;
      EXPECT_EQ(bytes, sim->ReadWholeFile(kUninstaller)) << path;
    }
  }
  EXPECT_EQ(copies, 1);

  // Changed every time: no copy is started, the uninstaller goes at the
  // next restart.
  Reset();
  Install();
  sim->tamper_seals = 1000;
  Run(modes);
  EXPECT_TRUE(sim->shell_calls.empty());
  EXPECT_EQ(sim->delay_until_reboot, std::vector<std::string>{kUninstaller});
  for (const auto& [path, bytes] : sim->Snapshot())
    EXPECT_EQ(path.find("ZEROveruziuninst"), std::string::npos) << path;
}

TEST_F(UninstallRun, TheNumberOfNamesTriedIsBounded) {
  Install();
  LayOut("Aquarium");
  sim->names_taken = true;
  RunModes modes;
  modes.SilentMode = true;
  Run(modes);
  EXPECT_EQ(sim->create_new_calls, kTemporaryCopyAttempts);
  EXPECT_TRUE(sim->shell_calls.empty());
  EXPECT_EQ(sim->delay_until_reboot, std::vector<std::string>{kUninstaller});
  EXPECT_FALSE(Has(kScreensaver));
  EXPECT_EQ(ExitCode(), kExitOk);
}

TEST_F(UninstallRun, AnElevatedRunPutsTheCopyWhereOnlyAdministratorsMayWrite) {
  // The user's temporary folder is the user's: an elevated run makes a new
  // folder in the Windows folder's Temp with an access list of its own,
  // starts the copy from there and marks the copy, then the folder, for
  // the restart. Without elevation the user's folder serves as ever.
  for (bool elevated : {false, true}) {
    for (bool folder_made : {true, false}) {
      SCOPED_TRACE(std::string(elevated ? "elevated" : "not elevated") +
                   (folder_made ? "" : ", no folder can be made"));
      Reset();
      sim->elevated = elevated;
      if (folder_made) sim->MakeFolders("C:\\WINDOWS\\Temp");
      Install();
      LayOut("Aquarium");
      RunModes modes;
      modes.SilentMode = true;
      Run(modes);
      EXPECT_EQ(ExitCode(), kExitOk);
      if (!elevated) {
        ASSERT_EQ(sim->shell_calls.size(), 1u);
        EXPECT_EQ(sim->shell_calls[0].file.rfind("C:\\TEMP\\ZEROveruziuninst", 0), 0u);
        EXPECT_TRUE(sim->private_folders.empty());
        continue;
      }
      if (!folder_made) {
        // Never the user's folder: the uninstaller goes at the restart.
        EXPECT_TRUE(sim->shell_calls.empty());
        EXPECT_EQ(sim->delay_until_reboot, std::vector<std::string>{kUninstaller});
        continue;
      }
      ASSERT_EQ(sim->private_folders.size(), 1u);
      const std::string folder = sim->private_folders[0];
      EXPECT_EQ(folder.rfind("C:\\WINDOWS\\Temp\\", 0), 0u);
      ASSERT_EQ(sim->shell_calls.size(), 1u);
      const std::string copy = sim->shell_calls[0].file;
      EXPECT_EQ(copy.rfind(folder + "\\ZEROveruziuninst", 0), 0u);
      EXPECT_EQ(sim->started_bytes, sim->ReadWholeFile(kUninstaller));
      EXPECT_EQ(sim->delay_until_reboot, (std::vector<std::string>{copy, folder}));
    }
  }
}

TEST_F(UninstallRun, WithoutATemporaryCopyTheUninstallerGoesAtRestart) {
  struct Case {
    const char* name;
    std::string temp;
    bool starts;
  };
  for (const Case& c :
       {Case{"no temporary folder", "", true}, Case{"start fails", "C:\\TEMP\\", false},
        Case{"copy fails", "C:\\NoSuchFolder\\", true}}) {
    SCOPED_TRACE(c.name);
    Reset();
    sim->temp_path = c.temp;
    sim->start_program_ok = c.starts;
    Install();
    LayOut("Aquarium");
    RunModes modes;
    modes.SilentMode = true;
    Run(modes);
    EXPECT_EQ(sim->delay_until_reboot, std::vector<std::string>{kUninstaller});
    EXPECT_FALSE(Has(kScreensaver));
    EXPECT_EQ(ExitCode(), kExitOk);
    // No copy is left behind in the temporary folder.
    if (!c.temp.empty()) {
      auto files = sim->Snapshot();
      for (const auto& [path, bytes] : files)
        EXPECT_EQ(path.find("ZEROveruziuninst"), std::string::npos) << path;
    }
  }
}

TEST_F(UninstallRun, TranslatedPackageUsesTheTranslatedNames) {
  TestPackage p = Installed();
  p.language =
      "Setup\r\n"
      "Uninstall=Deinstallieren\r\n"
      "Preview=Vorschau\r\n"
      "Readme=Liesmich\r\n"
      "Are you sure you want to remove %s and its components?=%s wirklich entfernen?\r\n"
      "%s has been successfully removed from your computer.=%s wurde entfernt.\r\n"
      "Screensaver Setup=Bildschirmschoner-Installation\r\n";
  Install(p);
  LayOut("Aquarium", "Vorschau", "Liesmich", "Deinstallieren");
  // English names of the same shortcuts are not this package's.
  sim->PutFile(std::string(kDesktop) + "Preview Aquarium.lnk", "LNK\n");
  sim->answers = {MsgAnswer::kYes};
  Run();
  ASSERT_GE(sim->boxes.size(), 1u);
  EXPECT_EQ(sim->boxes[0].text, "Aquarium wirklich entfernen?");
  EXPECT_EQ(sim->boxes[0].caption, "Aquarium Deinstallieren");
  EXPECT_FALSE(Has("C:\\WINDOWS\\Aquarium Liesmich.txt"));
  EXPECT_FALSE(sim->DirectoryExists(std::string(kPrograms) + "Aquarium"));
  EXPECT_FALSE(Has(std::string(kDesktop) + "Vorschau Aquarium.lnk"));
  EXPECT_TRUE(Has(std::string(kDesktop) + "Preview Aquarium.lnk"));
  std::vector<std::string> args = RemovalArguments();
  ASSERT_EQ(ArgumentCount(args), 4u);
  EXPECT_EQ(args[3], "Bildschirmschoner-Installation");  // the completion box's caption
  EXPECT_EQ(args[4], "Aquarium wurde entfernt.");
}

TEST_F(UninstallRun, TitleIsInsertedAsData) {
  TestPackage p = Installed();
  p.title = "50%s Off %d";
  Install(p);
  sim->answers = {MsgAnswer::kYes};
  Run();
  ASSERT_GE(sim->boxes.size(), 1u);
  EXPECT_EQ(sim->boxes[0].text, "Are you sure you want to remove 50%s Off %d and its components?");
  std::vector<std::string> args = RemovalArguments();
  ASSERT_EQ(ArgumentCount(args), 4u);
  EXPECT_EQ(args[4], "50%s Off %d has been successfully removed from your computer.");
}

}  // namespace
}  // namespace scr
