// The temporary copy's run: delete the uninstaller once it is free, then
// leave its own file to the next restart.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/sim/sim_system.h"
#include "remove/deferred_removal.h"
#include "setup/run_mode.h"
#include "tests/unit/test_package.h"

namespace scr {
namespace {

const char kTarget[] = "C:\\WINDOWS\\AQUARI~1.EXE";
const char kCopy[] = "C:\\TEMP\\ZEROveruziuninst4711.exe";

class DeferredRemoval : public ::testing::Test {
 protected:
  DeferredRemoval() {
    sim.module_path = kCopy;
    sim.PutFile(kCopy, "copy");
  }
  int Run(const std::string& params) {
    return ExitCodeOf(RunDeferredRemoval(sim, SplitCommandLine(std::string(kCopy) + " " + params)));
  }
  SimSystem sim;
};

TEST_F(DeferredRemoval, MissingTargetCountsAsGoneAtOnce) {
  EXPECT_EQ(Run(std::string("-delfile ") + kTarget), 0);
  EXPECT_EQ(sim.delete_attempts, 1);
  EXPECT_EQ(sim.slept_ms, 0u);
  EXPECT_EQ(sim.delay_until_reboot, std::vector<std::string>{kCopy});
  EXPECT_TRUE(sim.boxes.empty());
}

TEST_F(DeferredRemoval, BusyTargetIsDeletedOnceFreeWithPausesBetweenAttempts) {
  sim.PutFile(kTarget, "uninstaller");
  sim.busy_deletes[kTarget] = 5;
  EXPECT_EQ(Run(std::string("-delfile ") + kTarget + " \"Screensaver Setup\" \"Done.\""), 0);
  EXPECT_FALSE(sim.FileExists(kTarget));
  EXPECT_EQ(sim.deleted, std::vector<std::string>{kTarget});
  EXPECT_EQ(sim.delete_attempts, 6);
  EXPECT_EQ(sim.slept_ms, 5u * kDeferredRemovalPauseMs);
  EXPECT_GE(kDeferredRemovalPauseMs, 10u);  // a pause, not a spin
  // Only its own file is left to the restart.
  EXPECT_EQ(sim.delay_until_reboot, std::vector<std::string>{kCopy});
  ASSERT_EQ(sim.boxes.size(), 1u);
  EXPECT_EQ(sim.boxes[0].text, "Done.");
  EXPECT_EQ(sim.boxes[0].caption, "Screensaver Setup");
  EXPECT_EQ(sim.boxes[0].icon, MsgIcon::kInformation);
  EXPECT_EQ(sim.boxes[0].buttons, MsgButtons::kOk);
}

TEST_F(DeferredRemoval, TargetThatNeverGoesIsLeftToTheRestartWithinTheBound) {
  sim.PutFile(kTarget, "held by another program");
  sim.fail_delete = {kTarget};
  EXPECT_EQ(Run(std::string("-delfile ") + kTarget + " \"Screensaver Setup\" \"Done.\""),
            kExitRemovalDeferred);
  EXPECT_NE(kExitRemovalDeferred, 0);
  EXPECT_TRUE(sim.FileExists(kTarget));
  // It waited the whole bound (far past a normal exit of the uninstaller),
  // and not longer.
  EXPECT_LE(sim.slept_ms, kDeferredRemovalBoundMs);
  EXPECT_GE(sim.slept_ms + kDeferredRemovalPauseMs, kDeferredRemovalBoundMs);
  EXPECT_GE(kDeferredRemovalBoundMs, 10u * 1000u);
  EXPECT_EQ(sim.delay_until_reboot, (std::vector<std::string>{kTarget, kCopy}));
  EXPECT_TRUE(sim.boxes.empty());  // no word of success
}

// A clock that never moves must not keep the copy waiting forever.
class StuckClockSim : public SimSystem {
 public:
  using SimSystem::SimSystem;
  void Sleep(unsigned ms) override { slept_ms += ms; }
};

TEST(DeferredRemovalClock, StuckClockStillEndsAndTickWrapIsHarmless) {
  StuckClockSim sim;
  sim.PutFile(kTarget, "busy");
  sim.fail_delete = {kTarget};
  EXPECT_EQ(ExitCodeOf(RunDeferredRemoval(sim, {"copy.exe", "-delfile", kTarget})),
            kExitRemovalDeferred);
  EXPECT_LE(sim.delete_attempts,
            static_cast<int>(kDeferredRemovalBoundMs / kDeferredRemovalPauseMs) + 1);

  // The tick counter wraps during the wait: still the full bound.
  SimSystem wrap;
  wrap.clock_ms = 0xFFFFFFFFu - 1000u;
  wrap.PutFile(kTarget, "busy");
  wrap.fail_delete = {kTarget};
  EXPECT_EQ(ExitCodeOf(RunDeferredRemoval(wrap, {"copy.exe", "-delfile", kTarget})),
            kExitRemovalDeferred);
  EXPECT_GE(wrap.slept_ms + kDeferredRemovalPauseMs, kDeferredRemovalBoundMs);
  EXPECT_LE(wrap.slept_ms, kDeferredRemovalBoundMs);
}

TEST_F(DeferredRemoval, MessageOnlyWithExactlyCaptionAndText) {
  struct Case {
    std::string params;
    bool shown;
    std::string caption, text;
  };
  const std::string t = std::string("-delfile ") + kTarget;
  const Case cases[] = {
      {t, false, "", ""},
      {t + " \"Screensaver Setup\"", false, "", ""},
      {t + " \"Screensaver Setup\" \"Done.\" extra", false, "", ""},
      {t + " \"\" \"Done.\"", true, "", "Done."},
      {t + " Caption \"\"", true, "Caption", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.params);
    sim.boxes.clear();
    sim.PutFile(kTarget, "uninstaller");
    EXPECT_EQ(Run(c.params), 0);
    EXPECT_FALSE(sim.FileExists(kTarget));
    ASSERT_EQ(sim.boxes.size(), c.shown ? 1u : 0u);
    if (c.shown) {
      EXPECT_EQ(sim.boxes[0].caption, c.caption);
      EXPECT_EQ(sim.boxes[0].text, c.text);
    }
  }
}

TEST_F(DeferredRemoval, FailedRestartSchedulingChangesNothingElse) {
  sim.delay_until_reboot_ok = false;
  sim.PutFile(kTarget, "uninstaller");
  EXPECT_EQ(Run(std::string("-delfile ") + kTarget + " Caption Text"), 0);
  EXPECT_FALSE(sim.FileExists(kTarget));
  EXPECT_EQ(sim.boxes.size(), 1u);
}

}  // namespace
}  // namespace scr

namespace scr {
namespace {

// ---- the folder that held the uninstaller ----

TEST(UninstallerFolderDecision, OnlyTheEmptyDefaultFolderBelowTheOnesWindowsNames) {
  const std::vector<std::string> system = {"c:\\windows", "c:\\windows\\system32",
                                           "c:\\program files"};
  auto facts = [&](std::string folder, std::string default_folder) {
    UninstallerFolder f;
    f.folder = std::move(folder);
    f.default_folder = std::move(default_folder);
    f.system_folders = system;
    f.system_folders_known = true;
    f.attributes = kAttributeDirectory;
    f.empty = true;
    return f;
  };
  const std::string own = "c:\\program files\\my saver";
  struct Case {
    const char* what;
    UninstallerFolder facts;
    bool removed;
  } cases[] = {
      {"the package's own folder, empty", facts(own, own), true},
      {"a folder the user chose", facts("c:\\savers", own), false},
      {"no sub-folder of its own", facts(own, ""), false},
      {"no folder", facts("", ""), false},
      {"a drive's root", facts("c:\\", "c:\\"), false},
      {"a share's root", facts("\\\\server\\share", "\\\\server\\share"), false},
      {"the Windows folder", facts("c:\\windows", "c:\\windows"), false},
      {"the system folder", facts("c:\\windows\\system32", "c:\\windows\\system32"), false},
      {"Program Files", facts("c:\\program files", "c:\\program files"), false},
  };
  for (const Case& c : cases) EXPECT_EQ(MayRemoveUninstallerFolder(c.facts), c.removed) << c.what;

  UninstallerFolder f = facts(own, own);
  f.empty = false;
  EXPECT_FALSE(MayRemoveUninstallerFolder(f)) << "holds something";
  f = facts(own, own);
  f.attributes = kAttributeDirectory | kAttributeReparsePoint;
  EXPECT_FALSE(MayRemoveUninstallerFolder(f)) << "a junction";
  f.attributes = kNoAttributes;
  EXPECT_FALSE(MayRemoveUninstallerFolder(f)) << "attributes unknown";
  f.attributes = 0x20;
  EXPECT_FALSE(MayRemoveUninstallerFolder(f)) << "a file";
  f = facts(own, own);
  f.system_folders_known = false;
  EXPECT_FALSE(MayRemoveUninstallerFolder(f)) << "Windows named none of its folders";
}

constexpr char kFolder[] = "C:\\Program Files\\My Saver";
constexpr char kUninstaller[] = "C:\\Program Files\\My Saver\\uninstall MySaver.exe";

// The temporary copy is a copy of the uninstaller, whose record names the
// package's default folder.
class DeferredFolderRemoval : public ::testing::Test {
 protected:
  DeferredFolderRemoval() { sim.module_path = kCopy; }
  int Run(const std::string& uninstaller = kUninstaller) {
    sim.PutFile(kCopy, UninstallerCopyBytes(package));
    sim.PutFile(uninstaller, "uninstaller");
    return ExitCodeOf(RunDeferredRemoval(sim, {kCopy, "-delfile", uninstaller}));
  }
  SimSystem sim;
  TestPackage package{.image = std::string(600, 'P'),
                      .screensaver = "",
                      .file_name = "MySaver.scr",
                      .title = "My Saver",
                      .dest_subfolder = "My Saver"};
};

TEST_F(DeferredFolderRemoval, TheEmptyDefaultFolderGoesWithTheUninstaller) {
  EXPECT_EQ(Run(), kExitOk);
  EXPECT_FALSE(sim.DirectoryExists(kFolder));
  EXPECT_TRUE(sim.DirectoryExists("C:\\Program Files"));
  EXPECT_EQ(sim.delay_until_reboot, std::vector<std::string>{kCopy});
}

TEST_F(DeferredFolderRemoval, WhatTheInstallationDidNotMakeStays) {
  // Something else in the folder.
  sim.PutFile(std::string(kFolder) + "\\notes.txt", "mine");
  EXPECT_EQ(Run(), kExitOk);
  EXPECT_TRUE(sim.DirectoryExists(kFolder));
  // A folder the user chose instead of the proposed one.
  EXPECT_EQ(Run("C:\\Savers\\uninstall MySaver.exe"), kExitOk);
  EXPECT_TRUE(sim.DirectoryExists("C:\\Savers"));
  // The proposed folder of a package without a sub-folder: Program Files.
  package.dest_subfolder = " \\ ";
  EXPECT_EQ(Run("C:\\Program Files\\uninstall MySaver.exe"), kExitOk);
  EXPECT_TRUE(sim.DirectoryExists("C:\\Program Files"));
  // A copy that holds no package says nothing about any folder.
  sim.PutFile(kCopy, "copy");
  sim.PutFile(kUninstaller, "uninstaller");
  sim.fail_delete.clear();
  std::filesystem::remove(sim.HostPath(std::string(kFolder) + "\\notes.txt"));
  EXPECT_EQ(ExitCodeOf(RunDeferredRemoval(sim, {kCopy, "-delfile", kUninstaller})), kExitOk);
  EXPECT_TRUE(sim.DirectoryExists(kFolder));
  EXPECT_FALSE(sim.FileExists(kUninstaller));
  EXPECT_EQ(sim.delay_until_reboot.size(), 4u);  // only the copy, each time
}

TEST_F(DeferredFolderRemoval, AJunctionStaysAndSoDoesWhatItPointsTo) {
  sim.MakeFolders("C:\\Elsewhere");
  std::filesystem::create_directory_symlink(sim.HostPath("C:\\Elsewhere"),
                                            sim.HostPath("C:\\Program Files") + "/My Saver");
  EXPECT_EQ(Run(), kExitOk);
  EXPECT_TRUE(sim.DirectoryExists(kFolder));
  EXPECT_TRUE(sim.DirectoryExists("C:\\Elsewhere"));
}

TEST_F(DeferredFolderRemoval, AFolderInUseGoesAtTheRestartOnNtOnly) {
  sim.fail_remove_directory = {kFolder};
  EXPECT_EQ(Run(), kExitOk);
  EXPECT_TRUE(sim.DirectoryExists(kFolder));
  EXPECT_EQ(sim.delay_until_reboot, (std::vector<std::string>{kFolder, kCopy}));
  // Windows 98 deletes only files at its restart.
  sim.delay_until_reboot.clear();
  sim.version = {true, 1, 4, 10, ""};
  EXPECT_EQ(Run(), kExitOk);
  EXPECT_EQ(sim.delay_until_reboot, std::vector<std::string>{kCopy});
}

}  // namespace
}  // namespace scr
