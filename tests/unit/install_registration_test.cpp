#include <gtest/gtest.h>

#include "install/registration.h"
#include "platform/sim/sim_system.h"

namespace scr {
namespace {

constexpr char kEntry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\My Saver";
constexpr char kGroup[] = "C:\\Documents and Settings\\User\\Start Menu\\Programs\\My Saver\\";
constexpr char kDesktop[] = "C:\\Documents and Settings\\User\\Desktop\\";

class RegistrationTest : public testing::Test {
 protected:
  SimSystem sim;
  LanguageTable table;  // absent: English names
  std::string Value(RootKey root, const std::string& key, const std::string& name) {
    std::string v;
    return sim.RegGetString(root, key, name, &v) ? v : "<missing>";
  }
};

TEST_F(RegistrationTest, UninstallEntryHoldsTheTitleAndTheQuotedPath) {
  WriteUninstallEntry(sim, "My Saver", "C:\\WINDOWS\\uninstall saver.exe");
  EXPECT_EQ(Value(RootKey::kLocalMachine, kEntry, "DisplayName"), "My Saver");
  EXPECT_EQ(Value(RootKey::kLocalMachine, kEntry, "UninstallString"),
            "\"C:\\WINDOWS\\uninstall saver.exe\"");
  EXPECT_EQ(sim.RegValueNames(RootKey::kLocalMachine, kEntry).size(), 2u);
  // A title with a backslash would nest the entry: refused.
  WriteUninstallEntry(sim, "Nest\\Ed", "C:\\x.exe");
  EXPECT_FALSE(sim.RegKeyExists(RootKey::kLocalMachine,
                                "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Nest"));

  sim.RegCreateKey(RootKey::kLocalMachine, std::string(kEntry) + "\\Sub\\Deeper");
  DeleteUninstallEntry(sim, "My Saver");
  EXPECT_FALSE(sim.RegKeyExists(RootKey::kLocalMachine, kEntry));
  DeleteUninstallEntry(sim, "Never There");  // swallowed
}

TEST_F(RegistrationTest, AnEmptyTitleNeverDeletesOtherPrograms) {
  sim.RegCreateKey(RootKey::kLocalMachine, std::string(kEntry));
  sim.RegSetString(RootKey::kLocalMachine, kEntry, "DisplayName", "My Saver");
  sim.PutFile("C:\\Documents and Settings\\User\\Start Menu\\Programs\\Preview .lnk", "x");
  sim.PutFile("C:\\Documents and Settings\\User\\Start Menu\\Programs\\Readme.lnk", "x");
  sim.PutFile(std::string(kDesktop) + "Preview .lnk", "x");
  const auto files = sim.Snapshot();
  const auto registry = sim.RegistryDump();
  for (const char* title : {"", " ", "\\", ".."}) {
    WriteUninstallEntry(sim, title, "C:\\u.exe");
    DeleteUninstallEntry(sim, title);
    CreateProgramShortcuts(sim, table, title, "C:\\u.exe", "C:\\s.scr", true);
    EXPECT_TRUE(DeleteProgramShortcuts(sim, table, title));
    CreateDesktopPreviewShortcut(sim, table, title, "C:\\s.scr");
    EXPECT_TRUE(DeleteDesktopPreviewShortcut(sim, table, title));
  }
  EXPECT_EQ(sim.Snapshot(), files);
  EXPECT_EQ(sim.RegistryDump(), registry);
}

TEST_F(RegistrationTest, ShortcutsPointAtTheirFilesUnderTranslatedNames) {
  LoadLanguageTable(table, "Setup\nPreview=Vorschau\nReadme=Liesmich\nUninstall=Entfernen\n",
                    "Setup");
  CreateProgramShortcuts(sim, table, "My Saver", "C:\\S\\entfernen MySaver.exe",
                         "C:\\S\\MySaver.scr", true);
  CreateDesktopPreviewShortcut(sim, table, "My Saver", "C:\\S\\MySaver.scr");
  const std::string g = kGroup;
  EXPECT_EQ(sim.LinkTarget(g + "Vorschau My Saver.lnk"), "C:\\S\\MySaver.scr");
  EXPECT_EQ(sim.LinkTarget(g + "Liesmich.lnk"), "C:\\S\\My Saver Liesmich.txt");
  EXPECT_EQ(sim.LinkTarget(g + "Entfernen My Saver.lnk"), "C:\\S\\entfernen MySaver.exe");
  EXPECT_EQ(sim.LinkTarget(std::string(kDesktop) + "Vorschau My Saver.lnk"), "C:\\S\\MySaver.scr");

  // Removal finds the same names and removes the emptied group folder.
  EXPECT_TRUE(DeleteProgramShortcuts(sim, table, "My Saver"));
  EXPECT_TRUE(DeleteDesktopPreviewShortcut(sim, table, "My Saver"));
  EXPECT_FALSE(sim.DirectoryExists(g));
  EXPECT_FALSE(sim.FileExists(std::string(kDesktop) + "Vorschau My Saver.lnk"));
}

TEST_F(RegistrationTest, GroupWithoutReadmeAndAForeignFileInTheGroup) {
  CreateProgramShortcuts(sim, table, "My Saver", "C:\\u.exe", "C:\\s.scr", false);
  const std::string g = kGroup;
  EXPECT_TRUE(sim.FileExists(g + "Preview My Saver.lnk"));
  EXPECT_TRUE(sim.FileExists(g + "Uninstall My Saver.lnk"));
  EXPECT_FALSE(sim.FileExists(g + "Readme.lnk"));
  sim.PutFile(g + "notes.txt", "mine");
  EXPECT_TRUE(DeleteProgramShortcuts(sim, table, "My Saver"));
  EXPECT_FALSE(sim.FileExists(g + "Preview My Saver.lnk"));
  EXPECT_TRUE(sim.FileExists(g + "notes.txt"));
}

TEST_F(RegistrationTest, FailuresAreSwallowedExceptTheFolderQueryOfRemoval) {
  // A title that file names forbid: no shortcut, no message, the entry is there.
  CreateProgramShortcuts(sim, table, "Why?", "C:\\u.exe", "C:\\s.scr", true);
  CreateDesktopPreviewShortcut(sim, table, "Why?", "C:\\s.scr");
  WriteUninstallEntry(sim, "Why?", "C:\\u.exe");
  EXPECT_EQ(Value(RootKey::kLocalMachine,
                  "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Why?", "DisplayName"),
            "Why?");
  EXPECT_TRUE(sim.boxes.empty());

  // One failing shortcut does not stop the next.
  sim.fail_create_file.insert(std::string(kGroup) + "Preview My Saver.lnk");
  CreateProgramShortcuts(sim, table, "My Saver", "C:\\u.exe", "C:\\s.scr", true);
  EXPECT_FALSE(sim.FileExists(std::string(kGroup) + "Preview My Saver.lnk"));
  EXPECT_TRUE(sim.FileExists(std::string(kGroup) + "Readme.lnk"));
  EXPECT_TRUE(sim.FileExists(std::string(kGroup) + "Uninstall My Saver.lnk"));

  sim.failing_folders = {ShellFolder::kPrograms, ShellFolder::kDesktop};
  CreateProgramShortcuts(sim, table, "Other", "C:\\u.exe", "C:\\s.scr", true);
  EXPECT_FALSE(DeleteProgramShortcuts(sim, table, "My Saver"));
  EXPECT_FALSE(DeleteDesktopPreviewShortcut(sim, table, "My Saver"));
  EXPECT_TRUE(sim.FileExists(std::string(kGroup) + "Readme.lnk"));
}

TEST_F(RegistrationTest, CreateFolderPathMakesEveryMissingParent) {
  CreateFolderPath(sim, "C:\\One\\Two\\Three\\");
  EXPECT_TRUE(sim.DirectoryExists("C:\\One\\Two\\Three"));
  CreateFolderPath(sim, "");
  CreateFolderPath(sim, "C:");
  // A title with a backslash would nest the group: refused.
  CreateProgramShortcuts(sim, table, "Nest\\Ed", "C:\\u.exe", "C:\\s.scr", false);
  EXPECT_FALSE(sim.DirectoryExists("C:\\Documents and Settings\\User\\Start Menu\\Programs\\Nest"));
}

}  // namespace
}  // namespace scr
