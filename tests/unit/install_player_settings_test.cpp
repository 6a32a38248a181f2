#include <gtest/gtest.h>

#include <algorithm>

#include "install/player_settings.h"
#include "platform/sim/sim_system.h"

namespace scr {
namespace {

constexpr char kKey[] = "\\Software\\Quorvane\\My Saver";

class PlayerSettingsTest : public testing::Test {
 protected:
  SimSystem sim;
  const std::string folder = "C:\\Savers\\";
  std::string Choose(const std::string& name) {
    return ChooseTargetFileName(sim, "My Saver", folder + name, folder);
  }
};

TEST_F(PlayerSettingsTest, StoreReadAndClearUseTheTitlesOwnKey) {
  EXPECT_EQ(ReadInstalledPath(sim, "My Saver"), "");
  StoreInstalledPath(sim, "My Saver", "C:\\Savers\\MySaver.scr");
  std::string value;
  ASSERT_TRUE(
      sim.RegGetString(RootKey::kCurrentUser, "Software\\Quorvane\\My Saver", "FileName_", &value));
  EXPECT_EQ(value, "C:\\Savers\\MySaver.scr");
  EXPECT_EQ(ReadInstalledPath(sim, "My Saver"), "C:\\Savers\\MySaver.scr");
  EXPECT_EQ(ReadInstalledPath(sim, "Other"), "");

  // The player's own values and play list go; the key and its siblings stay.
  sim.RegSetString(RootKey::kCurrentUser, kKey, "Speed", "3");
  sim.RegCreateKey(RootKey::kCurrentUser, std::string(kKey) + "\\PlayList\\Deep");
  sim.RegCreateKey(RootKey::kCurrentUser, "\\Software\\Quorvane\\Other");
  sim.RegSetString(RootKey::kCurrentUser, "\\Software\\Quorvane\\Other", "FileName_", "x");
  ClearPlayerSettings(sim, "My Saver");
  EXPECT_TRUE(sim.RegKeyExists(RootKey::kCurrentUser, kKey));
  EXPECT_TRUE(sim.RegValueNames(RootKey::kCurrentUser, kKey).empty());
  EXPECT_FALSE(sim.RegKeyExists(RootKey::kCurrentUser, std::string(kKey) + "\\PlayList"));
  EXPECT_EQ(ReadInstalledPath(sim, "Other"), "x");

  // A key that never existed is created empty.
  ClearPlayerSettings(sim, "Fresh");
  EXPECT_TRUE(sim.RegKeyExists(RootKey::kCurrentUser, "Software\\Quorvane\\Fresh"));
}

TEST_F(PlayerSettingsTest, TitlesWithoutAKeyOfTheirOwnNeverTouchTheSharedParent) {
  sim.RegCreateKey(RootKey::kCurrentUser, kKey);
  sim.RegSetString(RootKey::kCurrentUser, kKey, "FileName_", "C:\\a.scr");
  sim.RegSetString(RootKey::kCurrentUser, "\\Software\\Quorvane", "Shared", "keep");
  const std::vector<std::string> before = sim.RegistryDump();
  for (const char* title : {"", " ", "\\", " \\ \\", "..", "a\\.."}) {
    StoreInstalledPath(sim, title, "C:\\evil.scr");
    ClearPlayerSettings(sim, title);
    EXPECT_EQ(ReadInstalledPath(sim, title), "") << title;
  }
  EXPECT_EQ(sim.RegistryDump(), before);
}

TEST_F(PlayerSettingsTest, RegistryLinksAreNeverFollowedOnlyDeletedOrReplaced) {
  // Any program of the user may replace a key of its hive by a link to a
  // key under HKEY_LOCAL_MACHINE: the elevated run writes the record into a
  // real key, and clears the settings without touching what a link points
  // to.
  const std::string victim = "\\Software\\Victim";
  for (const std::string& link :
       {std::string(kKey), std::string(kKey) + "\\PlayList", std::string("\\Software\\Quorvane"),
        std::string(kKey) + "\\PlayList\\Deep"}) {
    SCOPED_TRACE(link);
    SimSystem s;
    s.RegCreateKey(RootKey::kLocalMachine, victim + "\\Sub");
    s.RegSetString(RootKey::kLocalMachine, victim, "Keep", "1");
    s.RegCreateKey(RootKey::kCurrentUser, std::string(kKey) + "\\PlayList");
    s.RegCreateLink(RootKey::kCurrentUser, link, RootKey::kLocalMachine, victim);
    const std::vector<std::string> machine_before = s.RegistryDump();

    ClearPlayerSettings(s, "My Saver");
    StoreInstalledPath(s, "My Saver", "C:\\Savers\\MySaver.scr");
    EXPECT_EQ(ReadInstalledPath(s, "My Saver"), "C:\\Savers\\MySaver.scr");
    ClearPlayerSettings(s, "My Saver");

    std::vector<std::string> machine;
    for (const std::string& line : s.RegistryDump())
      if (line.rfind("HKLM", 0) == 0) machine.push_back(line);
    std::vector<std::string> expected;
    for (const std::string& line : machine_before)
      if (line.rfind("HKLM", 0) == 0) expected.push_back(line);
    EXPECT_EQ(machine, expected);
    // No link is left where the record and the settings live.
    for (const std::string& line : s.RegistryDump())
      EXPECT_EQ(line.find("->"), std::string::npos) << line;
  }
}

TEST_F(PlayerSettingsTest, AFreeTargetStaysAndOnlyThePackagesOwnEarlierTargetIsReused) {
  sim.MakeFolders(folder);
  EXPECT_EQ(Choose("MySaver.scr"), "C:\\Savers\\MySaver.scr");

  // The record is per-user data that any program of the user may rewrite,
  // while the setup may run elevated in a folder it shares with the system:
  // it only recognises the package's own earlier target (its file name or
  // a numbered name of it, in exactly this folder, even when that file no
  // longer exists), and never names another file.
  sim.PutFile("C:\\Savers\\MySaver.scr", "old");
  sim.PutFile("C:\\Savers\\notepad.exe", "a program of the folder");
  const struct {
    const char* recorded;
    const char* chosen;
  } cases[] = {
      {"C:\\Savers\\MySaver.scr", "C:\\Savers\\MySaver.scr"},
      {"C:\\Savers\\MySaver7.scr", "C:\\Savers\\MySaver7.scr"},
      {"C:\\Savers\\MySave10.scr", "C:\\Savers\\MySave10.scr"},
      // another file of the folder, in any shape
      {"C:\\Savers\\notepad.exe", "C:\\Savers\\MySaver1.scr"},
      {"C:\\Savers\\Renamed7.scr", "C:\\Savers\\MySaver1.scr"},
      {"C:\\Savers\\MySaver07.scr", "C:\\Savers\\MySaver1.scr"},
      {"C:\\Savers\\MySaver0.scr", "C:\\Savers\\MySaver1.scr"},
      {"C:\\Savers\\MySave1.scr", "C:\\Savers\\MySaver1.scr"},
      {"C:\\Savers\\MySaverx.scr", "C:\\Savers\\MySaver1.scr"},
      {"C:\\Savers\\mysaver.scr", "C:\\Savers\\MySaver1.scr"},
      {"C:\\Savers\\uninstall MySaver.exe", "C:\\Savers\\MySaver1.scr"},
      {"C:\\Savers\\My Saver Readme.txt", "C:\\Savers\\MySaver1.scr"},
      // another folder, or this one spelt otherwise
      {"C:\\Other\\MySaver.scr", "C:\\Savers\\MySaver1.scr"},
      {"c:\\savers\\MySaver.scr", "C:\\Savers\\MySaver1.scr"},
      // names that climb out of the folder or name no file
      {"C:\\Savers\\../../Windows/evil.scr", "C:\\Savers\\MySaver1.scr"},
      {"C:\\Savers\\MySaver.scr:stream", "C:\\Savers\\MySaver1.scr"},
      {"C:\\Savers\\sub/MySaver.scr", "C:\\Savers\\MySaver1.scr"},
      {"C:\\Savers\\", "C:\\Savers\\MySaver1.scr"},
      {"C:\\Savers\\..", "C:\\Savers\\MySaver1.scr"},
  };
  for (const auto& c : cases) {
    StoreInstalledPath(sim, "My Saver", c.recorded);
    EXPECT_EQ(Choose("MySaver.scr"), c.chosen) << c.recorded;
  }
}

TEST_F(PlayerSettingsTest, TakenNamesGetNumberedShortNames) {
  sim.PutFile("C:\\Savers\\MySaver.scr", "");
  for (int n = 1; n <= 9; ++n) sim.PutFile("C:\\Savers\\MySaver" + std::to_string(n) + ".scr", "");
  EXPECT_EQ(Choose("MySaver.scr"), "C:\\Savers\\MySave10.scr");

  sim.PutFile("C:\\Savers\\Aquarium.scr", "");
  EXPECT_EQ(Choose("Aquarium.scr"), "C:\\Savers\\Aquariu1.scr");

  // The shortened base carries over: after Aquariu9 comes Aquari10.
  for (int n = 1; n <= 9; ++n) sim.PutFile("C:\\Savers\\Aquariu" + std::to_string(n) + ".scr", "");
  EXPECT_EQ(Choose("Aquarium.scr"), "C:\\Savers\\Aquari10.scr");

  // A long name is cut to 8 characters with its number; a short one is not.
  sim.PutFile("C:\\Savers\\A VeryLongName.scr", "");
  EXPECT_EQ(Choose("A VeryLongName.scr"), "C:\\Savers\\A VeryL1.scr");
  sim.PutFile("C:\\Savers\\x.scr", "");
  EXPECT_EQ(Choose("x.scr"), "C:\\Savers\\x1.scr");
}

TEST_F(PlayerSettingsTest, NumberingNeverSplitsADoubleByteCharacter) {
  // Base: six single bytes, then one double-byte character (lead 0x81).
  sim.lead_bytes = {0x81};
  const std::string name = std::string("abcdef\x81\x5c", 8) + ".scr";
  sim.PutFile(folder + name, "");
  const std::string chosen = Choose(name);
  EXPECT_EQ(chosen, folder + "abcdef1.scr");
}

TEST_F(PlayerSettingsTest, TheExtensionIsTheLastFourCharactersNotBytes) {
  // "abcd", one double-byte character (lead 0x81, trail "A"), then "scr":
  // its last four characters begin with the double-byte one. Split by
  // bytes, the base would end in the lead byte and swallow the digit.
  sim.lead_bytes = {0x81};
  const std::string name(
      "abcd\x81"
      "Ascr",
      9);
  sim.PutFile(folder + name, "");
  EXPECT_EQ(Choose(name), folder + "abcd1" +
                              std::string("\x81"
                                          "Ascr",
                                          5));
  // A name of four characters or fewer is all extension.
  const std::string short_name(
      "\x81"
      "Axy",
      4);
  sim.PutFile(folder + short_name, "");
  EXPECT_EQ(Choose(short_name), folder + "1" + short_name);
  // Whatever the number, the candidate's characters are the base's, the
  // digits and the extension's: no digit is read as a trail byte.
  for (int n = 1; n <= 12; ++n) {
    const std::string taken = Choose(name);
    sim.PutFile(taken, "");
    const std::string candidate = taken.substr(folder.size());
    size_t i = 0;
    std::string digits;
    while (i < candidate.size()) {
      if (sim.IsLeadByte(static_cast<uint8_t>(candidate[i]))) {
        i += 2;
        continue;
      }
      if (candidate[i] >= '0' && candidate[i] <= '9') digits += candidate[i];
      ++i;
    }
    EXPECT_EQ(digits, std::to_string(n)) << n;
  }
}

TEST_F(PlayerSettingsTest, FileNameStartSkipsTrailBytes) {
  sim.lead_bytes = {0x81};
  EXPECT_EQ(FileNameStart(sim, "C:\\a\\b.scr", kFolderSeparators), 5u);
  EXPECT_EQ(FileNameStart(sim, "C:\\a/b:c.scr", kFolderSeparators), 3u);
  EXPECT_EQ(FileNameStart(sim, "C:\\a/b:c.scr", kAnySeparators), 7u);
  EXPECT_EQ(FileNameStart(sim, std::string("C:\\\x81\x5c.scr", 8), kAnySeparators), 3u);
  EXPECT_EQ(FileNameStart(sim, "dir\\", kAnySeparators), 4u);
}

}  // namespace
}  // namespace scr
