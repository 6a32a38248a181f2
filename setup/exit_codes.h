// Process exit codes, and the one table that turns how a run ended into
// one. Administrators who run "-silent" from scripts read them; the README's
// table of exit codes is this table.
#pragma once

namespace scr {

enum ExitCode : int {
  kExitOk = 0,               // the run did its job
  kExitBadPackage = 1,       // the package could not be read, or the program file not opened;
                             // an uninstall that left a piece in place
  kExitCancelled = 2,        // the user cancelled or declined before anything was installed
  kExitBadDestination = 3,   // silent: the destination folder or target file could not be used
  kExitCopyFailed = 4,       // the copy phase failed; the installation is not complete
  kExitNoWindow = 5,         // the wizard window could not be created (no display)
  kExitRemovalDeferred = 6,  // the uninstaller outlasted the removal's bound; left to the restart
  kExitRuntimeFault = 70,    // internal fault (out of memory): the program stopped at once.
                             // Set by the runtime's own replacements, never through RunEnd.
};

// How a run of this program ended: the install run, the uninstall run, the
// deferred removal, and the wizard or loading around them.
enum class RunEnd {
  kDone,               // the run did its job (a preview included)
  kInstalled,          // the install run put the screensaver in place
  kFolderRefused,      // the install run went back to the folder page; the wizard goes on
  kBadDestination,     // silent: the destination could not be used
  kCopyFailed,         // the install run's copy phase failed
  kCancelled,          // cancelled or declined before anything was installed
  kBadPackage,         // the package could not be read
  kCannotOpenProgram,  // the program could not open its own file
  kNotAnUninstaller,   // the uninstall run found no uninstaller copy
  kPieceStayed,        // the uninstall run could not remove a piece, or arrange its own deletion
  kNoWindow,           // the wizard window could not be created
  kRemovalDeferred,    // the deferred removal gave up; the restart removes the files
};

// The exit code for `end`.
int ExitCodeOf(RunEnd end);

}  // namespace scr
