// The simulated Windows follows Windows wherever host tests rely on it, and
// can make any call fail by its number.
#include "platform/sim/sim_system.h"

#include <gtest/gtest.h>

namespace scr {
namespace {

TEST(SimRegistry, SlashIsAnOrdinaryCharacterOfAKeyName) {
  SimSystem sim;
  ASSERT_TRUE(sim.RegCreateKey(RootKey::kCurrentUser, "\\Software\\Quorvane\\A/B"));
  // One key named "A/B", found under the same name, with no key "A".
  EXPECT_TRUE(sim.RegKeyExists(RootKey::kCurrentUser, "\\Software\\Quorvane\\A/B"));
  EXPECT_FALSE(sim.RegKeyExists(RootKey::kCurrentUser, "\\Software\\Quorvane\\A"));
  EXPECT_TRUE(sim.RegSetString(RootKey::kCurrentUser, "Software\\quorvane\\a/b", "V", "x"));
  std::string value;
  EXPECT_TRUE(sim.RegGetString(RootKey::kCurrentUser, "\\Software\\Quorvane\\A/B", "v", &value));
  EXPECT_EQ(value, "x");
  // An empty component is refused, as is a second leading backslash.
  EXPECT_FALSE(sim.RegCreateKey(RootKey::kCurrentUser, "Software\\\\X"));
  EXPECT_FALSE(sim.RegCreateKey(RootKey::kCurrentUser, "\\\\Software\\X"));
}

TEST(SimRegistry, ATrailByteIsNoSeparatorAndKeepsItsCase) {
  SimSystem sim;
  sim.lead_bytes = {0x81};
  const std::string title("T\x81\\", 3);  // one double-byte character whose trail is "\"
  ASSERT_TRUE(sim.RegCreateKey(RootKey::kCurrentUser, "Software\\" + title));
  EXPECT_TRUE(sim.RegKeyExists(RootKey::kCurrentUser, "Software\\" + title));
  EXPECT_FALSE(sim.RegKeyExists(RootKey::kCurrentUser, "Software\\T\x81"));
  // 0x81 0x41 and 0x81 0x61 are two different characters.
  ASSERT_TRUE(sim.RegCreateKey(RootKey::kCurrentUser,
                               "Software\\\x81"
                               "A"));
  EXPECT_FALSE(sim.RegKeyExists(RootKey::kCurrentUser,
                                "Software\\\x81"
                                "a"));
}

TEST(SimPaths, OnlyADriveLetterTakesAColon) {
  SimSystem sim;
  sim.PutFile("C:\\Dir\\file.txt", "x");
  EXPECT_TRUE(sim.FileExists("c:\\dir\\FILE.TXT"));
  EXPECT_TRUE(sim.FileExists("c:/dir/file.txt"));
  // A colon anywhere else names no file, for any operation.
  EXPECT_FALSE(sim.FileExists("C:\\Dir\\D:\\file.txt"));
  EXPECT_FALSE(sim.FileExists("C:\\Dir\\file.txt:stream"));
  EXPECT_FALSE(sim.CreateFile("C:\\Dir\\a:b"));
  EXPECT_FALSE(sim.CreateDirectory("C:\\Dir\\a:b"));
  EXPECT_FALSE(sim.OpenRead("1:\\Dir\\file.txt", Share::kDenyNone));
  EXPECT_FALSE(sim.DeleteFile("C:\\Dir:\\file.txt"));
  EXPECT_TRUE(sim.FileExists("C:\\Dir\\file.txt"));
  // "C:name" is in the current folder, "\name" at the root of drive C.
  sim.PutFile("C:\\Setup\\here.txt", "h");
  sim.PutFile("C:\\root.txt", "r");
  EXPECT_TRUE(sim.FileExists("C:here.txt"));
  EXPECT_FALSE(sim.FileExists("C:root.txt"));
  EXPECT_TRUE(sim.FileExists("\\root.txt"));
  EXPECT_FALSE(sim.FileExists("\\\\server\\share\\root.txt"));
  EXPECT_EQ(sim.FullPath("C:here.txt"), "C:\\Setup\\here.txt");
  EXPECT_EQ(sim.FullPath("\\a\\..\\b\\"), "C:\\b\\");
}

TEST(SimPaths, APathEndsAtItsFirstNul) {
  SimSystem sim;
  ASSERT_TRUE(sim.CreateFile(std::string("C:\\Setup\\a.txt\0.exe", 18)));
  EXPECT_TRUE(sim.FileExists("C:\\Setup\\a.txt"));
  EXPECT_FALSE(sim.FileExists("C:\\Setup\\a.txt.exe"));
}

TEST(SimPaths, DoubleByteCharactersAreWholeInPaths) {
  SimSystem sim;
  sim.lead_bytes = {0x81};
  // The trail byte "\" does not start a folder, and "|" as a trail byte is
  // no forbidden character.
  const std::string name("C:\\Setup\\a\x81\\b\x81|.scr", 17);
  {
    auto file = sim.CreateFile(name);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->Write("x", 1));
  }
  EXPECT_TRUE(sim.FileExists(name));
  EXPECT_FALSE(sim.DirectoryExists(std::string("C:\\Setup\\a\x81", 11)));
  // The trail byte keeps its case: 0x81 0x41 is not 0x81 0x61.
  EXPECT_TRUE(
      sim.CreateFile("C:\\Setup\\\x81"
                     "A.txt"));
  EXPECT_FALSE(
      sim.FileExists("C:\\Setup\\\x81"
                     "a.txt"));
  EXPECT_TRUE(
      sim.FileExists("C:\\Setup\\\x81"
                     "A.TXT"));
  // A trail byte "/" is stored under a host name it can hold.
  EXPECT_TRUE(sim.CreateFile("C:\\Setup\\\x81/.txt"));
  EXPECT_TRUE(sim.FileExists("C:\\Setup\\\x81/.txt"));
  EXPECT_FALSE(sim.DirectoryExists("C:\\Setup\\\x81"));
}

TEST(SimFaults, TheNthCallFailsAsWindowsFails) {
  SimSystem sim;
  sim.PutFile("C:\\Setup\\a.txt", "abc");
  sim.trace_calls = true;
  sim.fail_at = 2;
  EXPECT_TRUE(sim.FileExists("C:\\Setup\\a.txt"));   // call 1
  EXPECT_FALSE(sim.FileExists("C:\\Setup\\a.txt"));  // call 2 fails
  EXPECT_TRUE(sim.FileExists("C:\\Setup\\a.txt"));   // call 3
  EXPECT_EQ(sim.calls, 3);
  // The test helpers do not count.
  sim.PutFile("C:\\Setup\\b.txt", "b");
  EXPECT_EQ(sim.ReadWholeFile("C:\\Setup\\a.txt"), "abc");
  EXPECT_EQ(sim.calls, 3);

  // From the N-th call on, everything fails, files included.
  auto file = sim.OpenRead("C:\\Setup\\a.txt", Share::kDenyNone);  // call 4
  ASSERT_TRUE(file);
  sim.fail_at = 0;
  sim.fail_from = 5;
  char buffer[3];
  size_t got = 99;
  EXPECT_FALSE(file->ReadSome(buffer, 3, &got));
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(file->Size(), -1);
  EXPECT_FALSE(file->Seek(0));
  EXPECT_EQ(sim.ShortPath("C:\\Setup\\a.txt"), "C:\\Setup\\a.txt");
  EXPECT_EQ(sim.FullPath("a.txt"), "a.txt");
  EXPECT_EQ(sim.TempPath(), "");
  EXPECT_EQ(sim.ModulePath(), "");
  EXPECT_FALSE(sim.GetVersion().ok);
  EXPECT_LE(sim.ShellExecute(false, "open", "x", "", "", 1), 32);
  EXPECT_TRUE(sim.shell_calls.empty());
  EXPECT_EQ(sim.MessageBox("t", "c", MsgIcon::kError, MsgButtons::kOk), MsgAnswer::kFailed);
  EXPECT_TRUE(sim.boxes.empty());
  EXPECT_FALSE(sim.RegCreateKey(RootKey::kCurrentUser, "Software\\X"));
  EXPECT_TRUE(sim.RegistryDump().empty());
  EXPECT_EQ(sim.call_names.front(), "FileExists");
  EXPECT_EQ(sim.call_names[4], "File::ReadSome");
}

TEST(SimFaults, AFailingWriteLeavesHalfOfItsBytes) {
  SimSystem sim;
  {
    auto file = sim.CreateFile("C:\\Setup\\w.bin");
    ASSERT_TRUE(file);
    sim.fail_at = sim.calls + 1;
    EXPECT_FALSE(file->Write("abcdefgh", 8));
    EXPECT_EQ(sim.open_files, 1);
  }
  EXPECT_EQ(sim.open_files, 0);
  EXPECT_EQ(sim.ReadWholeFile("C:\\Setup\\w.bin"), "abcd");
}

TEST(SimFaults, ARunawayLoopEndsInFailures) {
  SimSystem sim;
  sim.PutFile("C:\\Setup\\a.txt", "a");
  sim.runaway_limit = 10;
  int answered = 0;
  while (sim.FileExists("C:\\Setup\\a.txt")) ++answered;
  EXPECT_EQ(answered, 10);
  EXPECT_TRUE(sim.runaway);
}

}  // namespace
}  // namespace scr
