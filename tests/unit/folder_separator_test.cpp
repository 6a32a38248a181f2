// A folder's trailing "\" in a double-byte code page: many East Asian
// characters end in the byte 0x5C, which is no separator there. The
// destination rules, the install run and the folder browser's result all
// test and add the separator with the code page in mind.
#include <gtest/gtest.h>

#include "install/destination.h"
#include "install/install_run.h"
#include "install/player_settings.h"
#include "install/registration.h"
#include "package/file_name.h"
#include "package/record.h"
#include "platform/sim/sim_system.h"
#include "setup/run_mode.h"
#include "setup/silent_run.h"
#include "tests/unit/memory_view.h"
#include "tests/unit/test_package.h"
#include "wizard/setup_form.h"

namespace scr {
namespace {

// "Table" in Shift-JIS (code page 932): lead byte 0x95, trail byte 0x5C.
const std::string kTable = "\x95\x5C";

void UseShiftJis(SimSystem& sim) {
  sim.lead_bytes.clear();
  for (int b = 0x81; b <= 0x9F; ++b) sim.lead_bytes.insert(static_cast<uint8_t>(b));
  for (int b = 0xE0; b <= 0xFC; ++b) sim.lead_bytes.insert(static_cast<uint8_t>(b));
}

TEST(TrailingSeparator, ATrailByteIsNoSeparator) {
  SimSystem sim;
  const std::string folder = "C:\\Savers\\" + kTable;
  // Without a double-byte code page the same byte is a separator.
  EXPECT_TRUE(EndsWithBackslash(sim, folder));
  UseShiftJis(sim);
  EXPECT_FALSE(EndsWithBackslash(sim, folder));
  EXPECT_TRUE(EndsWithBackslash(sim, folder + "\\"));
  EXPECT_TRUE(EndsWithBackslash(sim, "C:\\"));
  EXPECT_FALSE(EndsWithBackslash(sim, ""));
  // Pairs are counted from the start: after a whole double-byte character
  // the same byte is a separator again.
  EXPECT_TRUE(EndsWithBackslash(sim, "C:\\" + kTable + kTable + "\\"));
  EXPECT_FALSE(EndsWithBackslash(sim, "C:\\a" + kTable + kTable));

  EXPECT_EQ(WithBackslash(sim, folder), folder + "\\");
  EXPECT_EQ(WithBackslash(sim, folder + "\\"), folder + "\\");
  EXPECT_EQ(WithoutBackslash(sim, folder), folder);
  EXPECT_EQ(WithoutBackslash(sim, folder + "\\"), folder);
  EXPECT_EQ(WithoutBackslash(sim, folder + "\\\\"), folder + "\\");  // only one goes
}

TEST(TrailingSeparator, DestinationRulesKeepTheLastCharacter) {
  SimSystem sim;
  UseShiftJis(sim);
  EXPECT_EQ(ResolveDestinationFolder(sim, "C:\\Savers\\" + kTable, ""),
            "C:\\Savers\\" + kTable + "\\");
  EXPECT_EQ(ResolveDestinationFolder(sim, "C:\\Savers\\" + kTable, "Fish"),
            "C:\\Savers\\" + kTable + "\\Fish\\");
  // The sub-folder loses one real separator at each end, never a trail byte.
  EXPECT_EQ(ResolveDestinationFolder(sim, "C:\\Savers", "\\" + kTable),
            "C:\\Savers\\" + kTable + "\\");
  EXPECT_EQ(ResolveDestinationFolder(sim, "C:\\Savers", kTable + "\\"),
            "C:\\Savers\\" + kTable + "\\");
  // A Windows directory ending in such a character keeps it.
  sim.windows_directory = "C:\\" + kTable;
  EXPECT_EQ(ResolveDestinationFolder(sim, "<Windows>", "Saver"), "C:\\" + kTable + "\\Saver\\");
  EXPECT_EQ(AllowedSystemFolder(sim), "C:\\" + kTable + "\\SysWoW64\\");
  sim.wow64 = true;
  EXPECT_TRUE(IsDisallowedSystemFolder(sim, "C:\\" + kTable + "\\System32"));
}

class SeparatorInstall : public testing::Test {
 protected:
  void Start(std::vector<std::string> args = {"setup.exe"}, RunModes modes = {}) {
    UseShiftJis(sim);
    ASSERT_TRUE(WriteTestPackage(sim, package));
    silent_exit_code = StartRoad(sim, view, form, modes, std::move(args));
  }
  int ExitCode() const { return form ? form->exit_code : silent_exit_code; }
  // The screensaver files anywhere under C:\Savers.
  std::vector<std::string> Screensavers() {
    std::vector<std::string> found;
    for (const auto& [path, bytes] : sim.Snapshot())
      if (bytes == "MZ screensaver") found.push_back(path);
    return found;
  }

  SimSystem sim;
  MemoryView view;
  std::unique_ptr<TSCRSetup> form;
  int silent_exit_code = kExitOk;  // of the last silent run
  // Its proposed folder ends in the trail byte 0x5C.
  TestPackage package{.uninstall_entry = true,
                      .start_menu_group = true,
                      .desktop_shortcut = true,
                      .dest_folder = "C:\\Savers\\" + kTable,
                      .dest_subfolder = ""};
};

// Title 機能 (8B 40 94 5C) ends in the trail byte 0x5C: its group folder
// is created with its whole name and holds all three shortcuts.
TEST_F(SeparatorInstall, ATitleEndingInATrailByteGetsItsGroup) {
  const std::string title = "\x8B\x40\x94\x5C";
  package.title = title;
  package.readme = "Read me";
  Start({"setup.exe", "-silent"}, RunModes{true, false});
  EXPECT_EQ(ExitCode(), kExitOk);
  const std::string folder = "C:\\Savers\\" + kTable + "\\";
  const std::string group = sim.special_folders[ShellFolder::kPrograms] + "\\" + title + "\\";
  EXPECT_TRUE(sim.DirectoryExists(group));
  EXPECT_EQ(sim.LinkTarget(group + "Preview " + title + ".lnk"), folder + "Aquarium.scr");
  EXPECT_EQ(sim.LinkTarget(group + "Readme.lnk"), folder + title + " Readme.txt");
  EXPECT_EQ(sim.LinkTarget(group + "Uninstall " + title + ".lnk"),
            folder + "uninstall Aquarium.exe");
  EXPECT_TRUE(sim.FileExists(folder + title + " Readme.txt"));
}

// Windows 98 keeps the file name as stored: one ending in ソ (83 5C) still
// has its folder found before its first character.
TEST_F(SeparatorInstall, OnWindows98AFileNameEndingInATrailByteKeepsTheReadmeTarget) {
  sim.version = VersionInfo{true, 1, 4, 10, " A "};
  const std::string file_name = "Saver\x83\x5C";
  package.file_name = file_name;
  package.readme = "Read me";
  Start({"setup.exe", "-silent"}, RunModes{true, false});
  EXPECT_EQ(ExitCode(), kExitOk);
  const std::string folder = "C:\\Savers\\" + kTable + "\\";
  EXPECT_EQ(sim.ReadWholeFile(folder + file_name), "MZ screensaver");
  const std::string group = sim.special_folders[ShellFolder::kPrograms] + "\\Aquarium\\";
  EXPECT_EQ(sim.LinkTarget(group + "Readme.lnk"), folder + "Aquarium Readme.txt");
  EXPECT_EQ(sim.LinkTarget(group + "Preview Aquarium.lnk"), folder + file_name);
}

// "Uninstall" in Japanese (アンインストール): its trail bytes 0x41, 0x43 and
// 0x58 look like capitals. The uninstaller keeps the word as translated;
// a reinstall over an installation that lowered those bytes removes the
// garbled uninstaller when it is this title's uninstaller copy, and nothing
// else of that name.
TEST_F(SeparatorInstall, TheJapaneseUninstallerKeepsItsNameAndReplacesTheGarbledOne) {
  const std::string word = "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B";
  const std::string garbled = AsciiLower(word);
  ASSERT_NE(garbled, word);
  package.language = "Setup\r\nUninstall=" + word + "\r\n";
  Start({"setup.exe", "-silent"}, RunModes{true, false});
  EXPECT_EQ(ExitCode(), kExitOk);
  const std::string folder = "C:\\Savers\\" + kTable + "\\";
  const std::string uninstaller = folder + word + " Aquarium.exe";
  const std::string old = folder + garbled + " Aquarium.exe";
  ASSERT_TRUE(sim.FileExists(uninstaller));
  EXPECT_FALSE(sim.FileExists(old));
  std::string entry;
  sim.RegGetString(RootKey::kLocalMachine, std::string(kUninstallKeyParent) + "Aquarium",
                   "UninstallString", &entry);
  EXPECT_EQ(entry, "\"" + uninstaller + "\"");
  const std::string group = sim.special_folders[ShellFolder::kPrograms] + "\\Aquarium\\";
  EXPECT_EQ(sim.LinkTarget(group + word + " Aquarium.lnk"), uninstaller);

  // What an earlier version left: its uninstaller under the garbled name.
  const std::string copy = sim.ReadWholeFile(uninstaller);
  sim.PutFile(old, copy);
  form.reset();
  Start({"setup.exe", "-silent"}, RunModes{true, false});
  EXPECT_EQ(ExitCode(), kExitOk);
  EXPECT_TRUE(sim.FileExists(uninstaller));
  EXPECT_FALSE(sim.FileExists(old));

  // A file of that name that is no uninstaller of this title stays.
  sim.PutFile(old, "MZ something else");
  form.reset();
  Start({"setup.exe", "-silent"}, RunModes{true, false});
  EXPECT_EQ(sim.ReadWholeFile(old), "MZ something else");
  // Nor does the uninstaller of another title.
  std::string another = copy;
  const size_t title_at = another.size() - kRecordAndTrailerSize + offsetof(SetupRecord, ScrTitle);
  ASSERT_EQ(another.substr(title_at, 9), std::string("Aquarium", 9));
  another.replace(title_at, 8, "Aquarius");
  sim.PutFile(old, another);
  form.reset();
  Start({"setup.exe", "-silent"}, RunModes{true, false});
  EXPECT_TRUE(sim.FileExists(old));
}

TEST_F(SeparatorInstall, TheDefaultFolderGetsTheScreensaver) {
  Start();
  EXPECT_EQ(view.Text(Control::edDirectory), "C:\\Savers\\" + kTable + "\\");
  form->btnNextClick();
  EXPECT_EQ(ExitCode(), kExitOk);
  EXPECT_EQ(sim.ReadWholeFile("C:\\Savers\\" + kTable + "\\Aquarium.scr"), "MZ screensaver");
  EXPECT_EQ(Screensavers().size(), 1u);
}

TEST_F(SeparatorInstall, AFolderTypedWithoutSeparatorGetsOne) {
  Start();
  const std::string folder = "C:\\Other\\" + kTable;
  view.SetText(Control::edDirectory, folder);
  form->btnNextClick();
  EXPECT_EQ(ExitCode(), kExitOk);
  EXPECT_TRUE(sim.boxes.empty());
  EXPECT_EQ(view.Text(Control::edDirectory), folder + "\\");
  // Created with its whole name, and the screensaver inside it rather than
  // beside it in C:\Other under a joined name.
  EXPECT_TRUE(sim.DirectoryExists(folder));
  EXPECT_FALSE(sim.DirectoryExists("C:\\Other\\\x95"));
  EXPECT_EQ(sim.ReadWholeFile(folder + "\\Aquarium.scr"), "MZ screensaver");
  EXPECT_EQ(Screensavers().size(), 1u);
  EXPECT_EQ(ReadInstalledPath(sim, "Aquarium"), folder + "\\Aquarium.scr");
}

TEST_F(SeparatorInstall, TheSilentRunsFolderArgumentToo) {
  const std::string folder = "C:\\Quiet\\" + kTable;
  Start({"setup.exe", "-silent", folder}, RunModes{true, false});
  EXPECT_EQ(ExitCode(), kExitOk);
  EXPECT_EQ(sim.ReadWholeFile(folder + "\\Aquarium.scr"), "MZ screensaver");
  EXPECT_EQ(Screensavers().size(), 1u);
}

TEST(TrailingSeparator, FoldersAreCreatedWithTheirWholeNames) {
  SimSystem sim;
  UseShiftJis(sim);
  const std::string folder = "C:\\A\\" + kTable + "\\" + kTable;
  EXPECT_TRUE(CreateFolderWithParents(sim, folder));
  EXPECT_TRUE(sim.DirectoryExists(folder));
  EXPECT_FALSE(sim.DirectoryExists("C:\\A\\\x95"));
  EXPECT_TRUE(CreateFolderWithParents(sim, "C:\\B\\" + kTable + "\\"));
  EXPECT_TRUE(sim.DirectoryExists("C:\\B\\" + kTable));
}

TEST(TrailingSeparator, TheBrowsersFolderKeepsItsLastCharacter) {
  SimSystem sim;
  UseShiftJis(sim);
  ASSERT_TRUE(WriteTestPackage(sim, {}));
  MemoryView view;
  TSCRSetup form(sim, view, RunModes{}, {"setup.exe"});
  form.FormCreate();
  const struct {
    std::string chosen, shown;
  } cases[] = {
      {"D:\\Savers\\" + kTable, "D:\\Savers\\" + kTable},
      {"D:\\Savers\\" + kTable + "\\", "D:\\Savers\\" + kTable},
      {"D:\\Savers\\", "D:\\Savers"},
      {"D:\\", "D:\\"},  // a drive root keeps its separator
  };
  for (const auto& c : cases) {
    view.browse_answer = c.chosen;
    form.btnBrowseClick();
    EXPECT_EQ(view.Text(Control::edDirectory), c.shown) << c.chosen;
  }
}

}  // namespace
}  // namespace scr
