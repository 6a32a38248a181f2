// "-delfile": the temporary copy that deletes the uninstaller once it is free.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"
#include "setup/exit_codes.h"

namespace scr {

// The uninstaller's file is released a moment after its process ends
// (about a tenth of a second under Wine, less on Windows). The retry pauses
// between attempts so that waiting costs no processor time, and gives up
// after a bound that outlasts any normal exit of the uninstaller by far.
inline constexpr unsigned kDeferredRemovalPauseMs = 50;
inline constexpr unsigned kDeferredRemovalBoundMs = 60 * 1000;

// What decides whether the folder that held the uninstaller goes with it.
// Folders are given in one spelling: the full path in its short (8.3) form,
// without a trailing "\" (a drive's root keeps its own), ASCII letters
// lowered.
struct UninstallerFolder {
  std::string folder;
  // The package's default folder (DestFolder and DestSubfolder as the
  // wizard proposes them); empty when DestSubfolder adds no folder of its
  // own, or when the package could not be read.
  std::string default_folder;
  // The Windows, system and Program Files folders; `system_folders_known`
  // is false when Windows could not name them.
  std::vector<std::string> system_folders;
  bool system_folders_known = false;
  uint32_t attributes = kNoAttributes;  // the folder's FILE_ATTRIBUTE_* bits
  bool empty = false;                   // it holds no file and no folder
};

// The folder goes only when the installation made it: it is the package's
// own default folder, below the folder the package names; it is empty; it
// is no reparse point (a junction or link, whose contents live elsewhere);
// and it is neither a drive's root nor a folder of Windows. A folder the
// user chose may have been there before the installation, and stays.
bool MayRemoveUninstallerFolder(const UninstallerFolder& facts);

// Runs the deferred removal for `args` (argument 1 is "-delfile") and
// says how it ended: kDone when the target is gone, kRemovalDeferred when
// it gave up. Either way its own file is marked
// for deletion at the next restart; on giving up the target is too, and no
// closing message is shown. Once the target is gone, its folder goes too
// when MayRemoveUninstallerFolder says so, the package's default folder
// read from this program's own file (a copy of the uninstaller).
RunEnd RunDeferredRemoval(System& system, const std::vector<std::string>& args);

}  // namespace scr
