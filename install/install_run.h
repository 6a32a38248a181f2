// The install run behind the wizard's Install button (btnOKClick).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "install/folder_creation.h"
#include "package/ansi_text.h"
#include "package/loader.h"
#include "platform/system.h"
#include "setup/exit_codes.h"
#include "setup/run_mode.h"

namespace scr {

// The copy loop moves the screensaver in chunks of at most this many bytes,
// through one buffer, with a progress update after each.
inline constexpr size_t kCopyChunk = 100001;

// What the install run shows and asks of whoever started it: the wizard
// over its window, or the silent run over controls kept in memory.
class InstallFront {
 public:
  virtual ~InstallFront() = default;
  // The Progress page, with Next hidden and the bar's maximum at 100.
  virtual void EnterProgressPage() = 0;
  // The folder the run settled on, shown back in the destination's place.
  virtual void ShowDestination(const std::string& folder) = 0;
  // The Directory page again: the run gave up before writing anything.
  virtual void ReturnToFolderPage() = 0;
  // Disables the window and shows the hourglass (true), or undoes both.
  virtual void SetBusy(bool busy) = 0;
  // The bar's position, repainted, then pending messages handed on.
  virtual void ShowProgress(int position) = 0;
  // The screensaver is in place: closing the wizard is no cancellation.
  // `finished_page` when there is no readme to show first.
  virtual void Installed(bool finished_page) = 0;
  // The caption of the failed-copy message.
  virtual std::string Caption() = 0;
  // Asks the application to end once the run returns.
  virtual void Terminate() = 0;
  // Closes the wizard after a failed copy (the program ends).
  virtual void CloseWindow() = 0;
};

// Everything the install run uses: the system, the loaded package (with its
// language table and PackageEnd), the run modes, the destination as the
// user (or the command line) gave it, the readme as its box holds it (line
// breaks made CR LF) and its front.
struct InstallContext {
  System& sys;
  const LoadedPackage& package;
  RunModes modes;
  std::string destination;
  std::string readme;
  InstallFront& front;
};

// Checks the destination, copies the screensaver out of the package, asks
// the shell to install it, writes the readme and the uninstaller, registers
// the entry and shortcuts and records the path. kFolderRefused when it gave
// up before writing anything and went back to the Directory page (the
// caller then abandons its click); kBadDestination for the same in
// SilentMode; kCopyFailed or kInstalled otherwise.
RunEnd RunInstall(const InstallContext& context);

// If a file exists at `path`, opens it for reading and writing (a file that
// another program holds open cannot be opened and is left alone), closes it
// and deletes it. Failures are not reported.
void DeleteFileIfExists(System& system, const std::string& path);

// The uninstaller's file name for the screensaver file name `target_name`:
// `uninstall_word` with its single-byte letters lowered, a blank, and the
// name with its extension (from its last dot on) replaced by ".exe".
std::string UninstallerFileName(const LeadBytes& lead, std::string_view uninstall_word,
                                std::string_view target_name);

}  // namespace scr
