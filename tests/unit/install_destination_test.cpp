#include <gtest/gtest.h>

#include "install/destination.h"
#include "platform/sim/sim_system.h"

namespace scr {
namespace {

class DestinationTest : public testing::Test {
 protected:
  SimSystem sim;
  std::string Resolve(std::string_view folder, std::string_view sub) {
    return ResolveDestinationFolder(sim, folder, sub);
  }
};

TEST_F(DestinationTest, TrimsAndJoinsWithOneBackslash) {
  EXPECT_EQ(Resolve("", ""), "\\");
  EXPECT_EQ(Resolve("  \t", " \r\n"), "\\");
  EXPECT_EQ(Resolve(" C:\\Savers ", " Fish "), "C:\\Savers\\Fish\\");
  EXPECT_EQ(Resolve("C:\\Savers\\", "\\Fish\\"), "C:\\Savers\\Fish\\");
  // Only one character goes at each end of the sub-folder.
  EXPECT_EQ(Resolve("C:\\Savers", "\\\\Fish\\\\"), "C:\\Savers\\\\Fish\\");
  EXPECT_EQ(Resolve("C:\\Savers\\\\", "Fish\\\\"), "C:\\Savers\\\\Fish\\");
  EXPECT_EQ(Resolve("C:\\", "\\"), "C:\\");
  EXPECT_EQ(Resolve("", "Fish"), "\\Fish\\");
}

TEST_F(DestinationTest, AFolderEndingInALoneLeadByteStillEndsInASeparator) {
  // GBK: 0xEE is a lead byte. Left at the end without its trail byte it
  // would take the appended "\" for its trail byte, and a file name joined
  // to the folder would land in its parent. The incomplete character goes.
  sim.lead_bytes = {0xEE};
  EXPECT_EQ(Resolve("", "\\\xEE"), "\\");
  EXPECT_EQ(Resolve("C:\\Savers\xEE", ""), "C:\\Savers\\");
  EXPECT_EQ(Resolve("C:\\", "Fish\xEE"), "C:\\Fish\\");
  // A lead byte in front of "<" (no whole text of the code page) takes it
  // for its trail byte: what follows is no macro. A macro that starts on a
  // character is replaced, and the folder still ends with a separator of
  // its own.
  sim.windows_directory = "C:\\W\xEE";
  EXPECT_EQ(Resolve("X\xEE<Windows>", ""), "X\xEE<Windows>\\");
  EXPECT_EQ(Resolve("X\xEE\xEE<Windows>", ""),
            "X\xEE\xEE"
            "C:\\W\xEE\\\\");
  // A whole double-byte character whose trail byte is 0x5C stays, and gets
  // its separator.
  EXPECT_EQ(Resolve("C:\\Savers\xEE\\", ""), "C:\\Savers\xEE\\\\");
}

TEST_F(DestinationTest, ExpandsEveryMacroCaseSensitively) {
  sim.windows_directory = "D:\\WINNT\\";  // one trailing backslash goes
  sim.special_folders[ShellFolder::kProgramFiles] = "D:\\Programme\\";
  EXPECT_EQ(Resolve("<Windows>\\", ""), "D:\\WINNT\\");
  EXPECT_EQ(Resolve("<Program Files>", "\\Saver\\"), "D:\\Programme\\Saver\\");
  EXPECT_EQ(Resolve("<windows>\\", "<PROGRAM FILES>"), "<windows>\\<PROGRAM FILES>\\");
  EXPECT_EQ(Resolve("<Windows>\\<Windows>", "<Program Files><Program Files>"),
            "D:\\WINNT\\D:\\WINNT\\D:\\ProgrammeD:\\Programme\\");
  // A macro in the sub-folder, and a result that is not trimmed again.
  sim.windows_directory = "C:\\WIN ";
  EXPECT_EQ(Resolve("X:\\", "<Windows>"), "X:\\C:\\WIN \\");
}

TEST_F(DestinationTest, ProgramFilesFallsBackToTheWindowsDrive) {
  sim.failing_folders.insert(ShellFolder::kProgramFiles);
  sim.windows_directory = "E:\\Windows";
  EXPECT_EQ(Resolve("<Program Files>", "Saver"), "E:\\Program Files\\Saver\\");
  sim.failing_folders.clear();
  sim.special_folders[ShellFolder::kProgramFiles] = "";
  EXPECT_EQ(Resolve("<Program Files>", ""), "E:\\Program Files\\");
}

TEST_F(DestinationTest, WithoutTheShellTheRecordedProgramFilesFolderComesFirst) {
  // Windows 95, 98 and NT 4 without updates: the shell cannot name the
  // folder, Windows records it in the system's language.
  const std::string key = "\\Software\\Microsoft\\Windows\\CurrentVersion";
  sim.failing_folders.insert(ShellFolder::kProgramFiles);
  sim.windows_directory = "E:\\Windows";
  sim.RegCreateKey(RootKey::kLocalMachine, key);
  sim.RegSetString(RootKey::kLocalMachine, key, "ProgramFilesDir", "E:\\Programme");
  EXPECT_EQ(Resolve("<Program Files>", "Saver"), "E:\\Programme\\Saver\\");
  sim.RegSetString(RootKey::kLocalMachine, key, "ProgramFilesDir", "E:\\Programme\\");
  EXPECT_EQ(Resolve("<Program Files>", ""), "E:\\Programme\\");
  // The shell's answer still wins where there is one.
  sim.failing_folders.clear();
  sim.special_folders[ShellFolder::kProgramFiles] = "D:\\Programs";
  EXPECT_EQ(Resolve("<Program Files>", ""), "D:\\Programs\\");
  // An empty or unexpanded value is no folder: the drive of Windows then.
  sim.failing_folders.insert(ShellFolder::kProgramFiles);
  for (const char* value : {"", "  ", "%SystemDrive%\\Program Files"}) {
    sim.RegSetString(RootKey::kLocalMachine, key, "ProgramFilesDir", value);
    EXPECT_EQ(Resolve("<Program Files>", ""), "E:\\Program Files\\") << value;
  }
}

TEST_F(DestinationTest, OnlyTheNativeSystemFolderUnderWow64IsDisallowed) {
  sim.windows_directory = "C:\\Windows";
  sim.wow64 = false;
  EXPECT_FALSE(IsDisallowedSystemFolder(sim, "C:\\Windows\\system32\\"));
  EXPECT_FALSE(IsRunningUnderWow64(sim));

  sim.wow64 = true;
  EXPECT_TRUE(IsRunningUnderWow64(sim));
  EXPECT_TRUE(IsDisallowedSystemFolder(sim, "c:\\windows\\SYSTEM32"));
  EXPECT_TRUE(IsDisallowedSystemFolder(sim, "C:\\Windows\\System32\\"));
  EXPECT_FALSE(IsDisallowedSystemFolder(sim, "C:\\Windows\\System32\\Drivers\\"));
  EXPECT_FALSE(IsDisallowedSystemFolder(sim, "C:/Windows/System32"));
  EXPECT_FALSE(IsDisallowedSystemFolder(sim, "C:\\WINDOWS~1\\System32"));
  EXPECT_FALSE(IsDisallowedSystemFolder(sim, "C:\\Windows\\SysWoW64\\"));
  EXPECT_FALSE(IsDisallowedSystemFolder(sim, ""));
  EXPECT_EQ(AllowedSystemFolder(sim), "C:\\Windows\\SysWoW64\\");

  sim.windows_directory = "C:\\";  // already ends with a backslash
  EXPECT_TRUE(IsDisallowedSystemFolder(sim, "C:\\System32"));
  EXPECT_EQ(AllowedSystemFolder(sim), "C:\\SysWoW64\\");
}

}  // namespace
}  // namespace scr
