#include "remove/deferred_removal.h"

#include "setup/run_mode.h"

namespace scr {
namespace {

// Deletes `target` until it is gone, pausing between attempts. False when
// it is still there after the bound.
bool DeleteWhenFree(System& sys, const std::string& target) {
  const uint32_t start = sys.TickCount();
  // A second bound by count, in case the clock does not move: with the
  // pause between them, this many attempts take at least the time bound.
  const unsigned max_attempts = kDeferredRemovalBoundMs / kDeferredRemovalPauseMs + 1;
  for (unsigned attempt = 1;; ++attempt) {
    sys.DeleteFile(target);
    if (!sys.FileExists(target)) return true;
    // Unsigned difference: correct across the wrap of the tick counter.
    if (sys.TickCount() - start >= kDeferredRemovalBoundMs || attempt >= max_attempts) return false;
    sys.Sleep(kDeferredRemovalPauseMs);
  }
}

}  // namespace

int RunDeferredRemoval(System& sys, const std::vector<std::string>& args) {
  const std::string target = Argument(args, 2);
  const bool deleted = DeleteWhenFree(sys, target);

  // Whatever happens, nothing is left behind for good: a target that stayed
  // busy goes at the next restart, and so does this temporary copy, which
  // cannot delete its own running file. The results are not examined: a
  // system that refuses leaves the files where they are, and there is no
  // one to tell.
  if (!deleted) sys.MoveFileDelayUntilReboot(target);
  const std::string own = sys.ModulePath();
  if (!own.empty()) sys.MoveFileDelayUntilReboot(own);

  if (!deleted) return kExitRemovalDeferred;
  // The closing message only with exactly caption and text: any other count
  // means the arguments did not split as the uninstaller meant them.
  if (ArgumentCount(args) == 4) {
    sys.MessageBox(Argument(args, 4), Argument(args, 3), MsgIcon::kInformation, MsgButtons::kOk);
  }
  return kExitOk;
}

}  // namespace scr
