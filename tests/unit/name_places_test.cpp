// Names stay in their places: whatever separators the title holds and
// whatever the translated words say, every file that an install and the
// uninstall after it write or delete lies in the chosen folder, the
// Start-menu group or the desktop folder, and every key they write or
// delete lies under the title's own keys. Each case installs silently from
// a packed setup file, then runs the uninstaller copy the install wrote.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/sim_system.h"
#include "setup/run_mode.h"
#include "setup/silent_run.h"
#include "tests/unit/memory_view.h"
#include "tests/unit/test_package.h"
#include "wizard/setup_form.h"

namespace scr {
namespace {

constexpr char kDest[] = "C:\\Dest\\";
constexpr char kPrograms[] = "C:\\Documents and Settings\\User\\Start Menu\\Programs\\";
constexpr char kDesktop[] = "C:\\Documents and Settings\\User\\Desktop\\";
constexpr char kUninstallParent[] = "HKLM\\software\\microsoft\\windows\\currentversion\\uninstall";
constexpr char kPlayerParent[] = "HKCU\\software\\quorvane";

// What every case packs: a readme and all three registrations, so that
// every name is written; its proposed folder is not kDest.
TestPackage Placed() {
  return {.image = "MZ program image",
          .screensaver = "screensaver bytes",
          .readme = "About it.\r\n",
          .uninstall_entry = true,
          .start_menu_group = true,
          .desktop_shortcut = true,
          .dest_folder = "C:\\Elsewhere\\",
          .dest_subfolder = ""};
}

class NamePlaces : public testing::Test {
 protected:
  // Packs `package` as the running setup file and installs it silently into
  // kDest. Returns the exit code.
  int Install(const TestPackage& package = Placed(),
              const std::function<void(SimSystem&)>& prepare = nullptr) {
    sim = std::make_unique<SimSystem>();
    if (prepare) prepare(*sim);
    EXPECT_TRUE(WriteTestPackage(*sim, package));
    sim->created.clear();
    before = sim->Snapshot();
    return RunProgram({"setup.exe", "-silent", kDest});
  }

  // Runs the uninstaller copy of the install silently. Returns the exit code.
  int Uninstall(const std::string& uninstaller) {
    sim->module_path = uninstaller;
    sim->created.clear();
    sim->deleted.clear();
    return RunProgram({"uninstall.exe", "-silent"});
  }

  int RunProgram(const std::vector<std::string>& args) {
    SilentFront front;
    return RunSilent(*sim, DecideRunModes(args), args, front);
  }

  // Directly in kDest, or inside the group of `title`, or on the desktop.
  static bool InPlace(const std::string& path, const std::string& title) {
    const std::string lower = AsciiLower(path);
    const std::string dest = AsciiLower(kDest);
    if (lower.rfind(dest, 0) == 0 && lower.find_first_of("\\/", dest.size()) == std::string::npos)
      return true;
    const std::string group = AsciiLower(std::string(kPrograms) + title + "\\");
    if (lower.rfind(group, 0) == 0) return true;
    const std::string desktop = AsciiLower(kDesktop);
    return lower.rfind(desktop, 0) == 0 &&
           lower.find_first_of("\\/", desktop.size()) == std::string::npos;
  }

  // Every key is one of the title's own, under them, or a parent of them.
  void ExpectOwnKeysOnly(const std::string& title) {
    const std::string own[] = {std::string(kUninstallParent) + "\\" + AsciiLower(title),
                               std::string(kPlayerParent) + "\\" + AsciiLower(title)};
    for (const std::string& line : sim->RegistryDump()) {
      const std::string key = line.substr(0, line.find('|'));
      bool ok = false;
      for (const std::string& o : own) {
        ok = ok || key == o || key.rfind(o + "\\", 0) == 0 || o.rfind(key + "\\", 0) == 0;
      }
      EXPECT_TRUE(ok) << line;
    }
  }

  void ExpectCreatedInPlace(const std::string& title) {
    for (const std::string& path : sim->created) EXPECT_TRUE(InPlace(path, title)) << path;
  }
  void ExpectDeletedInPlace(const std::string& title) {
    for (const std::string& path : sim->deleted) EXPECT_TRUE(InPlace(path, title)) << path;
  }

  // What the uninstall leaves of the install: the snapshot before it, but
  // for the destination folder, the uninstaller (the temporary copy deletes
  // it once this process has ended) and that copy in the temporary folder.
  // The group folder goes, but a nested title's parent folders stay, as
  // they may hold other groups.
  void ExpectOnlyTheUninstallerLeft(const std::string& uninstaller_name, const std::string& title) {
    std::map<std::string, std::string> after = sim->Snapshot();
    after.erase("C/Dest/");
    after.erase("C/Dest/" + uninstaller_name);
    std::string group = "C/Documents and Settings/User/Start Menu/Programs/" + title + "/";
    for (char& c : group)
      if (c == '\\') c = '/';
    for (auto it = after.begin(); it != after.end();) {
      const bool temporary_copy = it->first.rfind("C/TEMP/ZEROveruziuninst", 0) == 0;
      const bool group_parent = it->first.back() == '/' && it->first.size() < group.size() &&
                                group.rfind(it->first, 0) == 0 && !before.count(it->first);
      if (temporary_copy || group_parent)
        it = after.erase(it);
      else
        ++it;
    }
    EXPECT_EQ(after, before);
  }

  std::unique_ptr<SimSystem> sim;
  std::map<std::string, std::string> before;
};

TEST_F(NamePlaces, TranslatedWordsThatWouldBePathsGiveWayToTheEnglishWords) {
  const char* bad[] = {"Lies/mich", "Lies\\mich", "..\\..\\..\\WINDOWS\\system32\\x",
                       "C:",        "a:b",        "..",
                       " . ",       "\\",         "/WINDOWS/Fonts/x"};
  for (const char* word : {"Readme", "Uninstall", "Preview"}) {
    for (const char* translation : bad) {
      SCOPED_TRACE(std::string(word) + "=" + translation);
      TestPackage package = Placed();
      package.language = std::string("Setup\r\n") + word + "=" + translation + "\r\n";
      ASSERT_EQ(Install(package), kExitOk);
      // The screensaver is never lost to a translation.
      EXPECT_EQ(sim->ReadWholeFile("C:\\Dest\\Aquarium.scr"), "screensaver bytes");
      EXPECT_TRUE(sim->FileExists("C:\\Dest\\Aquarium Readme.txt"));
      EXPECT_TRUE(sim->FileExists("C:\\Dest\\uninstall Aquarium.exe"));
      EXPECT_TRUE(sim->FileExists(std::string(kPrograms) + "Aquarium\\Preview Aquarium.lnk"));
      EXPECT_TRUE(sim->FileExists(std::string(kPrograms) + "Aquarium\\Readme.lnk"));
      EXPECT_TRUE(sim->FileExists(std::string(kPrograms) + "Aquarium\\Uninstall Aquarium.lnk"));
      EXPECT_TRUE(sim->FileExists(std::string(kDesktop) + "Preview Aquarium.lnk"));
      ExpectCreatedInPlace("Aquarium");
      ExpectOwnKeysOnly("Aquarium");

      ASSERT_EQ(Uninstall("C:\\Dest\\uninstall Aquarium.exe"), kExitOk);
      ExpectDeletedInPlace("Aquarium");
      ExpectOwnKeysOnly("Aquarium");
      ExpectOnlyTheUninstallerLeft("uninstall Aquarium.exe", "Aquarium");
    }
  }
}

TEST_F(NamePlaces, UsableTranslationsNameTheFilesAndShortcuts) {
  TestPackage package = Placed();
  package.language = "Setup\r\nReadme=Lies mich\r\nUninstall=Entfernen\r\nPreview=Vorschau\r\n";
  ASSERT_EQ(Install(package), kExitOk);
  EXPECT_TRUE(sim->FileExists("C:\\Dest\\Aquarium Lies mich.txt"));
  EXPECT_TRUE(sim->FileExists("C:\\Dest\\entfernen Aquarium.exe"));
  EXPECT_TRUE(sim->FileExists(std::string(kPrograms) + "Aquarium\\Lies mich.lnk"));
  EXPECT_TRUE(sim->FileExists(std::string(kDesktop) + "Vorschau Aquarium.lnk"));
  ASSERT_EQ(Uninstall("C:\\Dest\\entfernen Aquarium.exe"), kExitOk);
  ExpectOnlyTheUninstallerLeft("entfernen Aquarium.exe", "Aquarium");
}

TEST_F(NamePlaces, TitlesThatLeaveTheirPlaceInstallNothing) {
  // A backslash, which would nest the group and the keys, and the
  // characters Windows refuses in file names are refused too.
  for (const char* title :
       {"..\\..\\WINDOWS", "..", "a/..", "Games\\.", " . ", "", "\\", "Games\\Aquarium",
        "Day/Night", "Star Trek: Voyager", "a.\\b", "C:\\windows\\x", "CON", "Fish."}) {
    SCOPED_TRACE(title);
    TestPackage package = Placed();
    package.title = title;
    EXPECT_EQ(Install(package), kExitBadPackage);
    EXPECT_TRUE(sim->created.empty());
    EXPECT_EQ(sim->Snapshot(), before);
    EXPECT_TRUE(sim->RegistryDump().empty());
  }
}

TEST_F(NamePlaces, AGroupFolderThatIsALinkIsNeitherWrittenNorEmptied) {
  // The group and the desktop are the user's folders: a group replaced by
  // a link to another folder is one that cannot be created or found, and an
  // old shortcut that is a hard link to another file is deleted, not
  // written through.
  const std::string group = std::string(kPrograms) + "Aquarium";
  const std::string other = "C:\\Other\\";
  const std::vector<std::string> names = {"Preview Aquarium.lnk", "Readme.lnk",
                                          "Uninstall Aquarium.lnk"};
  auto plant = [&](SimSystem& s) {
    s.MakeFolderLink(group, other);
    for (const std::string& name : names) s.PutFile(other + name, "not ours");
  };
  // The link is there before the install.
  ASSERT_EQ(Install(Placed(),
                    [&](SimSystem& s) {
                      plant(s);
                      s.PutFile("C:\\WINDOWS\\victim.dll", "a system file");
                      std::filesystem::create_hard_link(
                          s.HostPath("C:\\WINDOWS\\victim.dll"),
                          s.HostPath(std::string(kDesktop) + "Preview Aquarium.lnk"));
                    }),
            kExitOk);
  for (const std::string& name : names) EXPECT_EQ(sim->ReadWholeFile(other + name), "not ours");
  EXPECT_EQ(sim->ReadWholeFile("C:\\WINDOWS\\victim.dll"), "a system file");
  EXPECT_EQ(sim->LinkTarget(std::string(kDesktop) + "Preview Aquarium.lnk"),
            "C:\\Dest\\Aquarium.scr");
  // Removal cannot find the group either: it ends in its report and keeps
  // the uninstaller, so it can be run again once the link is gone.
  ASSERT_EQ(Uninstall("C:\\Dest\\uninstall Aquarium.exe"), kExitBadPackage);
  EXPECT_TRUE(sim->FileExists("C:\\Dest\\uninstall Aquarium.exe"));
  for (const std::string& name : names) EXPECT_EQ(sim->ReadWholeFile(other + name), "not ours");

  // The group becomes a link after the install.
  ASSERT_EQ(Install(), kExitOk);
  EXPECT_TRUE(sim->FileExists(group + "\\Preview Aquarium.lnk"));
  plant(*sim);
  ASSERT_EQ(Uninstall("C:\\Dest\\uninstall Aquarium.exe"), kExitBadPackage);
  for (const std::string& name : names) EXPECT_EQ(sim->ReadWholeFile(other + name), "not ours");
  EXPECT_TRUE(sim->FileExists("C:\\Dest\\uninstall Aquarium.exe"));
}

}  // namespace
}  // namespace scr
