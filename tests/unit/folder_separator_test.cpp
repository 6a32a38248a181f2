// A folder's trailing "\" in a double-byte code page: many East Asian
// characters end in the byte 0x5C, which is no separator there. The
// destination rules, the install run and the folder browser's result all
// test and add the separator with the code page in mind.
#include <gtest/gtest.h>

#include "install/destination.h"
#include "install/install_run.h"
#include "install/player_settings.h"
#include "package/file_name.h"
#include "package/writer.h"
#include "platform/sim/sim_system.h"
#include "wizard/memory_view.h"
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
    SetupRecord record{};
    SetField(record.ScrFileName, "Aquarium.scr");
    SetField(record.ScrTitle, "Aquarium");
    SetShortString(record.DestFolder, "C:\\Savers\\" + kTable);
    std::unique_ptr<File> out = sim.CreateFile(sim.module_path);
    ASSERT_TRUE(out);
    ASSERT_TRUE(WriteSetupFile(*out, std::string(512, 'P'), "MZ screensaver", "", "", "", record));
    out.reset();
    form = std::make_unique<TSCRSetup>(sim, view, modes, std::move(args));
    form->FormCreate();
  }
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
};

TEST_F(SeparatorInstall, TheDefaultFolderGetsTheScreensaver) {
  Start();
  EXPECT_EQ(view.Text(Control::edDirectory), "C:\\Savers\\" + kTable + "\\");
  form->btnNextClick();
  EXPECT_EQ(form->exit_code, kExitOk);
  EXPECT_EQ(sim.ReadWholeFile("C:\\Savers\\" + kTable + "\\Aquarium.scr"), "MZ screensaver");
  EXPECT_EQ(Screensavers().size(), 1u);
}

TEST_F(SeparatorInstall, AFolderTypedWithoutSeparatorGetsOne) {
  Start();
  const std::string folder = "C:\\Other\\" + kTable;
  view.SetText(Control::edDirectory, folder);
  form->btnNextClick();
  EXPECT_EQ(form->exit_code, kExitOk);
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
  EXPECT_EQ(form->exit_code, kExitOk);
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
  SetupRecord record{};
  SetField(record.ScrFileName, "Aquarium.scr");
  SetField(record.ScrTitle, "Aquarium");
  std::unique_ptr<File> out = sim.CreateFile(sim.module_path);
  ASSERT_TRUE(WriteSetupFile(*out, std::string(512, 'P'), "MZ", "", "", "", record));
  out.reset();
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
