// The install run behind the wizard's Install button (btnOKClick).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "install/folder_creation.h"
#include "package/ansi_text.h"
#include "platform/system.h"

namespace scr {

class TSCRSetup;

// The copy loop moves the screensaver in chunks of at most this many bytes,
// through one buffer, with a progress update after each.
inline constexpr size_t kCopyChunk = 100001;

// Checks the destination, copies the screensaver out of the package, asks
// the shell to install it, writes the readme and the uninstaller, registers
// the entry and shortcuts and records the path. Returns false when it gave
// up before writing anything and went back to the Directory page (the
// caller then abandons its click).
bool RunInstall(TSCRSetup& form);

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
