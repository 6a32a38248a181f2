// The temporary copy's run: delete the uninstaller once it is free, then
// leave its own file to the next restart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim_system.h"
#include "remove/deferred_removal.h"
#include "setup/run_mode.h"

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
    return RunDeferredRemoval(sim, SplitCommandLine(std::string(kCopy) + " " + params));
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
  EXPECT_EQ(RunDeferredRemoval(sim, {"copy.exe", "-delfile", kTarget}), kExitRemovalDeferred);
  EXPECT_LE(sim.delete_attempts,
            static_cast<int>(kDeferredRemovalBoundMs / kDeferredRemovalPauseMs) + 1);

  // The tick counter wraps during the wait: still the full bound.
  SimSystem wrap;
  wrap.clock_ms = 0xFFFFFFFFu - 1000u;
  wrap.PutFile(kTarget, "busy");
  wrap.fail_delete = {kTarget};
  EXPECT_EQ(RunDeferredRemoval(wrap, {"copy.exe", "-delfile", kTarget}), kExitRemovalDeferred);
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
