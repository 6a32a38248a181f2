#include "install/install_run.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "install/player_settings.h"
#include "install/shell_start.h"
#include "package/record.h"
#include "platform/sim/sim_system.h"
#include "setup/silent_run.h"
#include "tests/unit/memory_view.h"
#include "tests/unit/test_package.h"
#include "wizard/setup_form.h"

namespace scr {
namespace {

constexpr char kDest[] = "C:\\Program Files\\My Saver\\";
constexpr char kEntry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\My Saver";
constexpr char kGroup[] = "C:\\Documents and Settings\\User\\Start Menu\\Programs\\My Saver\\";
constexpr char kDesktopLink[] = "C:\\Documents and Settings\\User\\Desktop\\Preview My Saver.lnk";
constexpr char kCopyFailed[] =
    "There was an error installing My Saver. Installation is not complete.";

// Records the sizes the copy loop asks of the program file: reads of a
// file opened to deny writers (the install run's source) while the window
// is busy.
class RecordingFile : public File {
 public:
  RecordingFile(std::unique_ptr<File> inner, const bool* busy, std::vector<size_t>* reads)
      : inner_(std::move(inner)), busy_(busy), reads_(reads) {}
  int64_t Size() override { return inner_->Size(); }
  int64_t Position() override { return inner_->Position(); }
  bool Seek(int64_t position) override { return inner_->Seek(position); }
  bool ReadSome(void* buffer, size_t count, size_t* got) override {
    if (*busy_) reads_->push_back(count);
    return inner_->ReadSome(buffer, count, got);
  }
  bool Write(const void* buffer, size_t count) override { return inner_->Write(buffer, count); }

 private:
  std::unique_ptr<File> inner_;
  const bool* busy_;
  std::vector<size_t>* reads_;
};

class RecordingSim : public SimSystem {
 public:
  using SimSystem::SimSystem;
  std::unique_ptr<File> OpenRead(const std::string& path, Share share) override {
    // Windows lets a running program's file be renamed and another put in
    // its place; the install run opens it again, by path, for the copy.
    if (!program_replaced_by.empty() && path == module_path && share == Share::kDenyWrite) {
      PutFile(module_path, program_replaced_by);
      program_replaced_by.clear();
    }
    std::unique_ptr<File> file = SimSystem::OpenRead(path, share);
    if (file && busy && share == Share::kDenyWrite)
      return std::make_unique<RecordingFile>(std::move(file), busy, &copy_reads);
    return file;
  }
  const bool* busy = nullptr;
  std::vector<size_t> copy_reads;
  // What the program file holds when the copy opens it (empty: as loaded).
  std::string program_replaced_by;
};

// The bar's value as a person would compute it: 100 * position / size,
// rounded to the nearest integer, halves to the even neighbour.
int BankersPercent(int64_t position, int64_t size) {
  int64_t q = 100 * position / size, r = 100 * position % size;
  if (2 * r > size || (2 * r == size && q % 2 == 1)) ++q;
  return static_cast<int>(q);
}

class InstallRunTest : public testing::Test {
 protected:
  void SetUp() override { sim.busy = &view.busy; }

  void Pack() { ASSERT_TRUE(WriteTestPackage(sim, pkg)); }
  void Start(RunModes modes = {}, std::vector<std::string> args = {"setup.exe"}) {
    Pack();
    silent_exit_code = StartRoad(sim, view, form, modes, std::move(args));
  }
  int ExitCode() const { return form ? form->exit_code : silent_exit_code; }
  void StartSilent(const std::string& folder = "") {
    std::vector<std::string> args = {"setup.exe", "-silent"};
    if (!folder.empty()) args.push_back(folder);
    Start({true, false}, args);
  }
  // Next on the Directory page with `folder` in the field.
  void InstallInto(const std::string& folder) {
    view.SetText(Control::edDirectory, folder);
    form->btnNextClick();
  }
  std::string Value(RootKey root, const std::string& key, const std::string& name) {
    std::string v;
    return sim.RegGetString(root, key, name, &v) ? v : "<missing>";
  }
  std::string Recorded() { return ReadInstalledPath(sim, "My Saver"); }
  std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const auto& box : sim.boxes) texts.push_back(box.text);
    return texts;
  }

  RecordingSim sim;
  MemoryView view;
  // My Saver, with all three registrations.
  TestPackage pkg{.image = std::string(1000, 'P'),
                  .screensaver = "MZ screensaver bytes",
                  .file_name = "MySaver.scr",
                  .title = "My Saver",
                  .uninstall_entry = true,
                  .start_menu_group = true,
                  .desktop_shortcut = true,
                  .dest_subfolder = "My Saver"};
  std::unique_ptr<TSCRSetup> form;
  int silent_exit_code = kExitOk;  // of the last silent run
};

TEST(ShellStart, AnElevatedRunNeverTakesACommandFromTheUsersClasses) {
  // ShellExecute merges the user's classes over the machine's: an elevated
  // run hands the verb to the logged-on user's desktop shell, else takes
  // the install verb from the machine's classes only, or starts nothing.
  using Route = SimSystem::Route;
  const Route kNothing = static_cast<Route>(-1);
  struct Case {
    const char* name;
    bool elevated, desktop, machine_class, machine_verb;
    Route verb, link;
  };
  const Case cases[] = {
      {"not elevated", false, false, true, true, Route::kShell, Route::kShell},
      {"elevated, desktop shell", true, true, true, true, Route::kDesktopUser, Route::kDesktopUser},
      {"elevated, machine's verb", true, false, true, true, Route::kMachineClass, kNothing},
      {"elevated, verb only in the user's classes", true, false, true, false, kNothing, kNothing},
      {"elevated, no machine class", true, false, false, false, kNothing, kNothing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimSystem sim;
    sim.elevated = c.elevated;
    sim.desktop_shell = c.desktop;
    // The user's own classes hold the verb in every case.
    sim.RegCreateKey(RootKey::kCurrentUser,
                     "\\Software\\Classes\\scrfile\\shell\\install\\command");
    sim.RegSetString(RootKey::kCurrentUser, "\\Software\\Classes\\.scr", "", "scrfile");
    if (c.machine_class) {
      sim.RegCreateKey(RootKey::kLocalMachine, "\\Software\\Classes\\.scr");
      sim.RegSetString(RootKey::kLocalMachine, "\\Software\\Classes\\.scr", "", "scrfile");
      sim.RegCreateKey(RootKey::kLocalMachine, "\\Software\\Classes\\scrfile\\shell\\open");
    }
    if (c.machine_verb)
      sim.RegCreateKey(RootKey::kLocalMachine,
                       "\\Software\\Classes\\scrfile\\shell\\install\\command");

    StartInstallVerb(sim, "C:\\Savers\\MySaver.scr");
    if (c.verb == kNothing) {
      EXPECT_TRUE(sim.shell_calls.empty());
    } else {
      ASSERT_EQ(sim.shell_calls.size(), 1u);
      EXPECT_EQ(sim.shell_calls[0].route, c.verb);
      EXPECT_EQ(sim.shell_calls[0].verb, "install");
      EXPECT_EQ(sim.shell_calls[0].file, "C:\\Savers\\MySaver.scr");
      EXPECT_EQ(sim.shell_calls[0].show, kSwShowNoActivate);
      if (c.verb == Route::kMachineClass) {
        EXPECT_EQ(sim.shell_calls[0].class_key, "\\Software\\Classes\\scrfile");
      }
    }

    sim.shell_calls.clear();
    EXPECT_EQ(OpenLinkAddress(sim, "http://example.com/"), c.link != kNothing);
    if (c.link == kNothing) {
      EXPECT_TRUE(sim.shell_calls.empty());
    } else {
      ASSERT_EQ(sim.shell_calls.size(), 1u);
      EXPECT_EQ(sim.shell_calls[0].route, c.link);
      EXPECT_EQ(sim.shell_calls[0].verb, "");
      EXPECT_EQ(sim.shell_calls[0].file, "http://example.com/");
    }
  }
}

TEST_F(InstallRunTest, InteractiveInstallWritesEverythingInPlace) {
  pkg.readme = "Line one\nLine two\rLine three\r\n";
  pkg.license = "Be nice.";
  pkg.license_mode = 0;  // block carried, page not in use
  pkg.language = "Setup\nNext=Next\n";
  pkg.file_name = "My Saver.scr";  // XP normalises it at load
  Start();
  ASSERT_EQ(view.Text(Control::edDirectory), kDest);
  form->btnNextClick();

  const std::string dest = kDest;
  const std::string target = dest + "My_Saver.scr";
  const std::string uninstaller = dest + "uninstall My_Saver.exe";
  EXPECT_EQ(form->CurrentPage(), kPageReadme);
  EXPECT_TRUE(sim.boxes.empty());
  EXPECT_EQ(sim.ReadWholeFile(target), pkg.screensaver);
  EXPECT_EQ(sim.ReadWholeFile(dest + "My Saver Readme.txt"),
            "Line one\r\nLine two\r\nLine three\r\n");

  // The uninstaller: image, text blocks, the record as loaded, its trailer.
  TestPackage loaded = pkg;
  loaded.file_name = "My_Saver.scr";
  EXPECT_EQ(sim.ReadWholeFile(uninstaller), UninstallerCopyBytes(loaded));

  ASSERT_EQ(sim.shell_calls.size(), 1u);
  const auto& call = sim.shell_calls[0];
  EXPECT_FALSE(call.with_owner);
  EXPECT_EQ(call.verb, "install");
  EXPECT_EQ(call.file, target);
  EXPECT_EQ(call.params + call.dir, "");
  EXPECT_EQ(call.show, kSwShowNoActivate);

  EXPECT_EQ(Value(RootKey::kLocalMachine, kEntry, "DisplayName"), "My Saver");
  EXPECT_EQ(Value(RootKey::kLocalMachine, kEntry, "UninstallString"), "\"" + uninstaller + "\"");
  EXPECT_EQ(sim.LinkTarget(std::string(kGroup) + "Preview My Saver.lnk"), target);
  EXPECT_EQ(sim.LinkTarget(std::string(kGroup) + "Readme.lnk"), dest + "My Saver Readme.txt");
  EXPECT_EQ(sim.LinkTarget(std::string(kGroup) + "Uninstall My Saver.lnk"), uninstaller);
  EXPECT_EQ(sim.LinkTarget(kDesktopLink), target);
  EXPECT_EQ(Recorded(), target);
  EXPECT_EQ(view.busy_history, (std::vector<bool>{true, false}));
  EXPECT_FALSE(view.Visible(Control::btnBack));

  form->btnNextClick();
  EXPECT_EQ(form->CurrentPage(), kPageFinished);
  form->btnNextClick();
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(ExitCode(), kExitOk);
}

TEST_F(InstallRunTest, WithoutTextBlocksTheWindowClosesRightAfterTheRun) {
  pkg.desktop_shortcut = false;
  Start();
  InstallInto("C:\\Dest");  // the field gains its backslash
  EXPECT_EQ(view.Text(Control::edDirectory), "C:\\Dest\\");
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(form->CurrentPage(), kPageFinished);
  EXPECT_EQ(sim.ReadWholeFile("C:\\Dest\\uninstall MySaver.exe"), UninstallerCopyBytes(pkg));
  EXPECT_FALSE(sim.FileExists("C:\\Dest\\My Saver Readme.txt"));
  EXPECT_FALSE(sim.FileExists(std::string(kGroup) + "Readme.lnk"));
  EXPECT_TRUE(sim.FileExists(std::string(kGroup) + "Preview My Saver.lnk"));
  EXPECT_FALSE(sim.FileExists(kDesktopLink));
  EXPECT_EQ(ExitCode(), kExitOk);
}

TEST_F(InstallRunTest, CopiesInChunksWithBankersRoundedProgress) {
  // Image 1000 bytes; after the first chunk the program file position is
  // exactly one eighth of its size: 12.5 %, shown as 12.
  pkg.screensaver = std::string(806062, 'S');
  for (size_t i = 0; i < pkg.screensaver.size(); i += 4099) pkg.screensaver[i] = char(i % 251);
  Start();
  form->btnNextClick();
  const int64_t file_size = 1000 + 806062 + kRecordAndTrailerSize;
  ASSERT_EQ(file_size, 808008);
  std::vector<size_t> chunks(8, kCopyChunk);
  chunks.push_back(806062 - 8 * kCopyChunk);
  EXPECT_EQ(sim.copy_reads, chunks);
  std::vector<int> expected;
  for (int64_t k = 1, pos = 1000; k <= 9; ++k) {
    pos += static_cast<int64_t>(chunks[k - 1]);
    expected.push_back(BankersPercent(pos, file_size));
  }
  EXPECT_EQ(view.progress_history, expected);
  EXPECT_EQ(view.progress_history.front(), 12);
  EXPECT_EQ(view.pumps, 9);
  EXPECT_EQ(view.progress_max, 100);
  EXPECT_EQ(sim.ReadWholeFile(std::string(kDest) + "MySaver.scr"), pkg.screensaver);
}

TEST_F(InstallRunTest, ChunkBoundariesForSmallAndEmptyImages) {
  struct Case {
    size_t size;
    std::vector<size_t> reads;
  };
  for (const Case& c : {Case{0, {}}, Case{1, {1}}, Case{kCopyChunk, {kCopyChunk}},
                        Case{kCopyChunk + 1, {kCopyChunk, 1}}}) {
    SCOPED_TRACE(c.size);
    sim.copy_reads.clear();
    view = MemoryView();
    pkg.screensaver = std::string(c.size, 'z');
    Start();
    InstallInto("C:\\Chunks" + std::to_string(c.size));
    EXPECT_EQ(sim.copy_reads, c.reads);
    EXPECT_EQ(view.progress_history.size(), c.reads.size());
    EXPECT_EQ(sim.ReadWholeFile("C:\\Chunks" + std::to_string(c.size) + "\\MySaver.scr"),
              pkg.screensaver);
  }
}

TEST_F(InstallRunTest, SilentRunsInstallWithoutBoxesAndEndWithExitCodes) {
  pkg.readme = "Line one\nLine two\rLine three\r\n";
  StartSilent();
  EXPECT_TRUE(view.terminated);
  EXPECT_EQ(ExitCode(), kExitOk);
  EXPECT_TRUE(sim.boxes.empty());
  EXPECT_EQ(sim.ReadWholeFile(std::string(kDest) + "MySaver.scr"), pkg.screensaver);
  // The readme with the line breaks the wizard's box would have given it.
  EXPECT_EQ(sim.ReadWholeFile(std::string(kDest) + "My Saver Readme.txt"),
            "Line one\r\nLine two\r\nLine three\r\n");
  EXPECT_EQ(Recorded(), std::string(kDest) + "MySaver.scr");

  // Argument 2 names the folder; it is created with its parents.
  view = MemoryView();
  StartSilent("C:\\Deep\\Er");
  EXPECT_EQ(ExitCode(), kExitOk);
  EXPECT_EQ(sim.ReadWholeFile("C:\\Deep\\Er\\MySaver.scr"), pkg.screensaver);
  EXPECT_EQ(Recorded(), "C:\\Deep\\Er\\MySaver.scr");
}

TEST_F(InstallRunTest, PreparationFailuresReturnToTheFolderPage) {
  struct Case {
    const char* folder;
    const char* message;
    std::function<void(SimSystem&)> fault;
  };
  const Case cases[] = {
      {"C:\\NoWay\\Sub", "Unable to create the directory. Please select a different directory.",
       [](SimSystem& s) { s.fail_create_directory.insert("c:\\noway"); }},
      {"", "Invalid directory. Please select an existing directory.", nullptr},
      {"X:\\", "Invalid directory. Please select an existing directory.", nullptr},
      {"relative\\folder", "Unable to create the directory. Please select a different directory.",
       [](SimSystem& s) { s.fail_create_directory.insert("C:\\Setup\\relative"); }},
      {"C:\\Locked",
       "Unable to copy the files. Access is denied. Please select a different directory.",
       [](SimSystem& s) { s.fail_create_file.insert("C:\\Locked\\MySaver.scr"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    for (bool silent : {false, true}) {
      sim.boxes.clear();
      view = MemoryView();
      if (c.fault) c.fault(sim);
      if (silent) {
        // An empty argument 2 means the package's default: use a field the
        // run sees as given.
        if (*c.folder == '\0') continue;
        StartSilent(c.folder);
        EXPECT_TRUE(sim.boxes.empty());
        EXPECT_TRUE(view.terminated);
        EXPECT_EQ(ExitCode(), kExitBadDestination);
      } else {
        Start();
        InstallInto(c.folder);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{c.message});
        EXPECT_EQ(sim.boxes[0].caption, "Screensaver Setup");
        EXPECT_EQ(sim.boxes[0].icon, MsgIcon::kError);
        EXPECT_FALSE(view.terminated);
        EXPECT_EQ(ExitCode(), kExitOk);
        EXPECT_EQ(view.Text(Control::btnNext), "Install");
      }
      EXPECT_EQ(view.shown_page, kPageDirectory);
      EXPECT_FALSE(view.closed);
      EXPECT_TRUE(sim.shell_calls.empty());
      EXPECT_TRUE(sim.RegistryDump().empty());
      EXPECT_TRUE(view.busy_history.empty());
    }
  }
}

TEST_F(InstallRunTest, SystemFolderQuestionUnderWow64) {
  sim.wow64 = true;
  sim.MakeFolders("C:\\WINDOWS\\system32");
  sim.MakeFolders("C:\\WINDOWS\\SysWoW64");
  for (MsgAnswer answer : {MsgAnswer::kNo, MsgAnswer::kCancel, MsgAnswer::kFailed}) {
    sim.boxes.clear();
    sim.answers = {answer};
    Start();
    InstallInto("c:\\windows\\SYSTEM32");
    ASSERT_EQ(sim.boxes.size(), 1u);
    EXPECT_EQ(sim.boxes[0].buttons, MsgButtons::kYesNoCancel);
    EXPECT_EQ(sim.boxes[0].icon, MsgIcon::kQuestion);
    EXPECT_EQ(form->CurrentPage(), kPageDirectory);
    EXPECT_EQ(view.Text(Control::edDirectory), "c:\\windows\\SYSTEM32");
    EXPECT_FALSE(view.terminated);
  }
  EXPECT_FALSE(sim.FileExists("C:\\WINDOWS\\system32\\MySaver.scr"));

  sim.boxes.clear();
  sim.answers = {MsgAnswer::kYes};
  InstallInto("C:\\WINDOWS\\system32\\");
  EXPECT_EQ(view.Text(Control::edDirectory), "C:\\WINDOWS\\SysWoW64\\");
  EXPECT_EQ(sim.ReadWholeFile("C:\\WINDOWS\\SysWoW64\\MySaver.scr"), pkg.screensaver);
  EXPECT_EQ(sim.boxes.size(), 1u);

  // Silent answers Yes by itself.
  sim.DeleteFile("C:\\WINDOWS\\SysWoW64\\MySaver.scr");
  sim.boxes.clear();
  view = MemoryView();
  StartSilent("C:\\WINDOWS\\System32");
  EXPECT_TRUE(sim.boxes.empty());
  EXPECT_EQ(ExitCode(), kExitOk);
  EXPECT_EQ(sim.ReadWholeFile("C:\\WINDOWS\\SysWoW64\\MySaver.scr"), pkg.screensaver);

  // On 32-bit Windows system32 is an ordinary folder.
  sim.wow64 = false;
  view = MemoryView();
  StartSilent("C:\\WINDOWS\\System32");
  EXPECT_EQ(sim.ReadWholeFile("C:\\WINDOWS\\System32\\MySaver.scr"), pkg.screensaver);
}

TEST_F(InstallRunTest, CopyFailureDeletesTheTargetAndRegistersNothing) {
  pkg.screensaver = std::string(300000, 'S');
  pkg.readme = "read me";
  sim.fail_write_after[std::string(kDest) + "MySaver.scr"] = 150000;
  StoreInstalledPath(sim, "My Saver", "C:\\Earlier\\MySaver.scr");
  Start();
  form->btnNextClick();

  EXPECT_FALSE(sim.FileExists(std::string(kDest) + "MySaver.scr"));
  ASSERT_EQ(sim.boxes.size(), 1u);
  EXPECT_EQ(sim.boxes[0].text, kCopyFailed);
  EXPECT_EQ(sim.boxes[0].caption, "My Saver Setup");
  EXPECT_EQ(sim.boxes[0].icon, MsgIcon::kError);
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(ExitCode(), kExitCopyFailed);
  EXPECT_EQ(view.busy_history, (std::vector<bool>{true, false}));
  EXPECT_TRUE(sim.shell_calls.empty());
  // No entry and no shortcut: the uninstaller they would name was never
  // written, and the screensaver is gone. The earlier record stays.
  EXPECT_EQ(Value(RootKey::kLocalMachine, kEntry, "UninstallString"), "<missing>");
  EXPECT_FALSE(sim.DirectoryExists(kGroup));
  EXPECT_FALSE(sim.FileExists(kDesktopLink));
  EXPECT_EQ(Recorded(), "C:\\Earlier\\MySaver.scr");
  EXPECT_EQ(form->CurrentPage(), kPageProgress);

  // Silent: no box, exit code 4.
  sim.boxes.clear();
  view = MemoryView();
  StartSilent();
  EXPECT_TRUE(sim.boxes.empty());
  EXPECT_TRUE(view.terminated);
  EXPECT_EQ(ExitCode(), kExitCopyFailed);
  EXPECT_FALSE(sim.FileExists(std::string(kDest) + "MySaver.scr"));

  // The program file replaced after loading by one that ends 5 bytes into
  // the screensaver: the copy ends early, which is no installation either.
  // (Without text blocks the uninstaller needs nothing behind the image, so
  // only the copy itself can notice.)
  sim.fail_write_after.clear();
  pkg.readme.clear();
  view = MemoryView();
  Pack();
  sim.program_replaced_by = sim.ReadWholeFile(sim.module_path).substr(0, pkg.image.size() + 5);
  StartSilent();
  EXPECT_TRUE(sim.program_replaced_by.empty());
  EXPECT_EQ(ExitCode(), kExitCopyFailed);
  EXPECT_FALSE(sim.FileExists(std::string(kDest) + "MySaver.scr"));
  EXPECT_EQ(Value(RootKey::kLocalMachine, kEntry, "UninstallString"), "<missing>");
}

TEST_F(InstallRunTest, LateFailuresAlsoRemoveTheCopiedScreensaver) {
  // The uninstaller cannot be written: the screensaver goes again, after
  // the shell was asked to install it; the readme stays.
  pkg.readme = "r";
  sim.fail_create_file.insert("C:\\Late\\uninstall MySaver.exe");
  Start();
  InstallInto("C:\\Late\\");
  EXPECT_EQ(sim.shell_calls.size(), 1u);
  EXPECT_FALSE(sim.FileExists("C:\\Late\\MySaver.scr"));
  EXPECT_TRUE(sim.FileExists("C:\\Late\\My Saver Readme.txt"));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{kCopyFailed});

  // A readme that cannot be written fails the copy too.
  sim.boxes.clear();
  view = MemoryView();
  sim.fail_create_file.insert("C:\\Why\\My Saver Readme.txt");
  Start();
  InstallInto("C:\\Why\\");
  EXPECT_FALSE(sim.FileExists("C:\\Why\\MySaver.scr"));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{kCopyFailed});
  EXPECT_EQ(ExitCode(), kExitCopyFailed);
  // No entry names the uninstaller that was never written.
  EXPECT_FALSE(sim.RegKeyExists(
      RootKey::kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\My Saver"));
}

TEST_F(InstallRunTest, PreviewOnlyChangesNothingAndShowsOnlyItsNotice) {
  pkg.readme = "r";
  pkg.screensaver = std::string(250000, 'S');
  Pack();
  const auto files = sim.Snapshot();
  const auto registry = sim.RegistryDump();
  Start({false, true});
  InstallInto("C:\\Preview\\Not\\Made");
  ASSERT_EQ(sim.boxes.size(), 1u);
  EXPECT_EQ(sim.boxes[0].text,
            "After successful installation screensaver setup would open Windows Screen Saver "
            "Settings. This window is not displayed in setup preview mode.");
  EXPECT_EQ(sim.boxes[0].caption, "My Saver");
  EXPECT_EQ(sim.boxes[0].icon, MsgIcon::kInformation);
  EXPECT_EQ(view.progress_history.size(), 3u);  // the bar still moves
  EXPECT_EQ(form->CurrentPage(), kPageReadme);
  EXPECT_EQ(view.Text(Control::edDirectory), "C:\\Preview\\Not\\Made\\");
  EXPECT_TRUE(sim.shell_calls.empty());
  EXPECT_EQ(sim.Snapshot(), files);
  EXPECT_EQ(sim.RegistryDump(), registry);

  // An empty field goes back to the folder page with the real run's message.
  sim.boxes.clear();
  view = MemoryView();
  Start({false, true});
  InstallInto("");
  EXPECT_EQ(BoxTexts(),
            std::vector<std::string>{"Invalid directory. Please select an existing directory."});
  EXPECT_EQ(form->CurrentPage(), kPageDirectory);
  EXPECT_EQ(sim.Snapshot(), files);
}

TEST_F(InstallRunTest, PackageFileNamesNeverLeaveTheChosenFolder) {
  pkg.file_name = "..\\..\\evil.scr";
  Start();
  InstallInto("C:\\A\\B\\");
  EXPECT_EQ(sim.ReadWholeFile("C:\\A\\B\\evil.scr"), pkg.screensaver);
  EXPECT_FALSE(sim.FileExists("C:\\evil.scr"));

  // Windows 98 keeps the name as stored: "/" and ":" separate too.
  sim.version = {true, 1, 4, 10, ""};
  pkg.file_name = "sub/dir:odd.scr";
  view = MemoryView();
  Start();
  InstallInto("C:\\C\\");
  EXPECT_EQ(sim.ReadWholeFile("C:\\C\\odd.scr"), pkg.screensaver);
  EXPECT_EQ(Recorded(), "C:\\C\\odd.scr");

  // No file behind the last separator (none, or only dots): a damaged
  // package, refused at load; nothing is written or registered.
  for (const char* name : {"C:\\Windows\\", "x/", "..", "Savers\\.", " "}) {
    SCOPED_TRACE(name);
    pkg.file_name = name;
    sim.boxes.clear();
    view = MemoryView();
    Pack();
    const auto files = sim.Snapshot();
    const auto registry = sim.RegistryDump();
    Start();
    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{"The file is corrupted. Setup can not continue."});
    EXPECT_TRUE(view.terminated);
    EXPECT_EQ(ExitCode(), kExitBadPackage);
    EXPECT_EQ(sim.RegistryDump(), registry);
    EXPECT_EQ(sim.Snapshot(), files);
  }
}

TEST_F(InstallRunTest, ReinstallOverwritesTheRecordedFileAndElsewhereNumbers) {
  Start();
  InstallInto("C:\\Savers");
  EXPECT_EQ(Recorded(), "C:\\Savers\\MySaver.scr");

  pkg.screensaver = "version two";
  view = MemoryView();
  Start();
  InstallInto("C:\\Savers\\");
  EXPECT_EQ(sim.ReadWholeFile("C:\\Savers\\MySaver.scr"), "version two");
  EXPECT_FALSE(sim.FileExists("C:\\Savers\\MySaver1.scr"));

  // Another folder that holds a file of that name gets a numbered name,
  // and so does the uninstaller.
  sim.PutFile("C:\\Other\\MySaver.scr", "someone else's");
  view = MemoryView();
  Start();
  InstallInto("C:\\Other");
  EXPECT_EQ(sim.ReadWholeFile("C:\\Other\\MySaver.scr"), "someone else's");
  EXPECT_EQ(sim.ReadWholeFile("C:\\Other\\MySaver1.scr"), "version two");
  EXPECT_TRUE(sim.FileExists("C:\\Other\\uninstall MySaver1.exe"));
  EXPECT_EQ(Recorded(), "C:\\Other\\MySaver1.scr");
  EXPECT_EQ(sim.shell_calls.back().file, "C:\\Other\\MySaver1.scr");
}

TEST_F(InstallRunTest, TheEntryNamesTheUninstallerByItsExpandedPath) {
  // A folder typed in another spelling: the uninstaller lands in it, and
  // the entry and the Uninstall shortcut name it the way the expanded
  // target does, as Windows will later run it from anywhere.
  Start();
  InstallInto("C:/Fwd/Dest");
  const std::string uninstaller = "C:\\Fwd\\Dest\\uninstall MySaver.exe";
  EXPECT_TRUE(sim.FileExists(uninstaller));
  EXPECT_EQ(Value(RootKey::kLocalMachine, kEntry, "UninstallString"), "\"" + uninstaller + "\"");
  EXPECT_EQ(sim.LinkTarget(std::string(kGroup) + "Uninstall My Saver.lnk"), uninstaller);
  EXPECT_EQ(Recorded(), "C:\\Fwd\\Dest\\MySaver.scr");
  // The Preview shortcuts name the screensaver the same way.
  EXPECT_EQ(sim.LinkTarget(kDesktopLink), "C:\\Fwd\\Dest\\MySaver.scr");
  EXPECT_EQ(sim.LinkTarget(std::string(kGroup) + "Preview My Saver.lnk"),
            "C:\\Fwd\\Dest\\MySaver.scr");
}

TEST_F(InstallRunTest, ARelativeFolderIsCreatedFromTheCurrentFolderAndNamedInFull) {
  // The simulated current folder is C:\\Setup. Everything that Windows
  // later opens from anywhere names the folder in full.
  StartSilent("Savers\\Aquarium");
  EXPECT_EQ(ExitCode(), kExitOk);
  const std::string folder = "C:\\Setup\\Savers\\Aquarium\\";
  EXPECT_EQ(sim.ReadWholeFile(folder + "MySaver.scr"), pkg.screensaver);
  EXPECT_TRUE(sim.FileExists(folder + "uninstall MySaver.exe"));
  EXPECT_EQ(Value(RootKey::kLocalMachine, kEntry, "UninstallString"),
            "\"" + folder + "uninstall MySaver.exe\"");
  EXPECT_EQ(sim.LinkTarget(kDesktopLink), folder + "MySaver.scr");
  EXPECT_EQ(sim.LinkTarget(std::string(kGroup) + "Preview My Saver.lnk"), folder + "MySaver.scr");
  EXPECT_EQ(sim.LinkTarget(std::string(kGroup) + "Uninstall My Saver.lnk"),
            folder + "uninstall MySaver.exe");
  EXPECT_EQ(Recorded(), folder + "MySaver.scr");
}

TEST_F(InstallRunTest, TranslatedMessagesTakeTheTitleAsData) {
  pkg.language =
      "Setup\n"
      "There was an error installing %s. Installation is not complete.=%n Fehler: %s%s 100%\n"
      "Uninstall=ENTFERNEN\n"
      "Readme=Liesmich\n";
  pkg.readme = "r";
  pkg.title = "50%s %n";
  sim.fail_create_file.insert("C:\\T\\entfernen MySaver.exe");
  Start();
  InstallInto("C:\\T");
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"%n Fehler: 50%s %n%s 100%"});
  EXPECT_EQ(sim.boxes[0].caption, "50%s %n Setup");
  EXPECT_TRUE(sim.FileExists("C:\\T\\50%s %n Liesmich.txt"));
}

TEST_F(InstallRunTest, ADamagedRecordSignatureStillGivesAnUninstallerThatRemoves) {
  // A setup run never looks at the record signature; the uninstaller copy
  // it writes must load all the same, or the screensaver could never be
  // removed.
  Pack();
  std::string bytes = sim.ReadWholeFile(sim.module_path);
  const size_t signature =
      bytes.size() - kRecordAndTrailerSize + offsetof(SetupRecord, RecordSignature);
  bytes.replace(signature, 11, std::string("XXXXXXXXXXX", 11));
  sim.PutFile(sim.module_path, bytes);
  SilentFront front;
  ASSERT_EQ(RunSilent(sim, RunModes{true, false}, {"setup.exe", "-silent"}, front), kExitOk);
  const std::string uninstaller = std::string(kDest) + "uninstall MySaver.exe";
  const std::string copy = sim.ReadWholeFile(uninstaller);
  EXPECT_EQ(
      copy.substr(copy.size() - kRecordAndTrailerSize + offsetof(SetupRecord, RecordSignature), 11),
      std::string("SCRSet.sig\0", 11));

  sim.module_path = uninstaller;
  EXPECT_EQ(RunSilent(sim, RunModes{true, false}, {"uninstall MySaver.exe", "-silent"}, front),
            kExitOk);
  EXPECT_FALSE(sim.FileExists(std::string(kDest) + "MySaver.scr"));
  EXPECT_FALSE(sim.RegKeyExists(RootKey::kLocalMachine, kEntry));
}

TEST_F(InstallRunTest, AFolderOfThousandsOfLevelsIsRefusedWithoutRecursion) {
  // As a "-silent" argument: tens of thousands of levels. Each level once
  // cost a call frame (and on the host a copy of the path).
  std::string deep = "C:\\";
  while (deep.size() < 30000) deep += "d\\";
  StartSilent(deep);
  EXPECT_EQ(ExitCode(), kExitBadDestination);
  EXPECT_TRUE(view.terminated);
  // The levels Windows can hold were made before the first refusal, as
  // any preparation failure leaves the folders it made.
  EXPECT_TRUE(sim.DirectoryExists("C:\\d\\d\\d"));

  // Beyond the longest path any Windows function takes: refused at once.
  std::string deeper = "C:\\";
  while (deeper.size() <= kLongestPath) deeper += "d\\";
  sim.calls = 0;
  EXPECT_FALSE(CreateFolderWithParents(sim, deeper));
  EXPECT_EQ(sim.calls, 0);

  // A few levels are made in order, parents first.
  EXPECT_TRUE(CreateFolderWithParents(sim, "C:\\One\\Two\\Three\\"));
  EXPECT_TRUE(sim.DirectoryExists("C:\\One\\Two\\Three"));
  EXPECT_FALSE(CreateFolderWithParents(sim, "relative\\folder"));
}

TEST(UninstallerFileName, ReplacesTheExtensionFromTheLastDot) {
  const LeadBytes single;
  EXPECT_EQ(UninstallerFileName(single, "Uninstall", "MySaver.scr"), "uninstall MySaver.exe");
  EXPECT_EQ(UninstallerFileName(single, "ENTF", "a.b.scr"), "entf a.b.exe");
  EXPECT_EQ(UninstallerFileName(single, "Uninstall", "NoDot"), "uninstall NoDot.exe");
  // Japanese "Uninstall" in code page 932: its trail bytes 0x41, 0x43 and
  // 0x58 look like "A", "C" and "X" and stay as they are; the Latin
  // letters beside it are lowered.
  const std::string japanese = "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B";
  EXPECT_EQ(UninstallerFileName(LeadBytesOfCodePage(932), japanese + "EXE", "MySaver.scr"),
            japanese + "exe MySaver.exe");
}

TEST(DeleteFileIfExists, LeavesAFileThatCannotBeOpened) {
  SimSystem sim;
  sim.PutFile("C:\\x.scr", "x");
  DeleteFileIfExists(sim, "C:\\missing.scr");
  EXPECT_EQ(sim.delete_attempts, 0);
  DeleteFileIfExists(sim, "C:\\x.scr");
  EXPECT_FALSE(sim.FileExists("C:\\x.scr"));
}

}  // namespace
}  // namespace scr
