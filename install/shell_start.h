// Starting the shell's verbs from a run that may be elevated.
//
// ShellExecute finds a verb's command in HKEY_CLASSES_ROOT, which merges
// the user's own classes (HKCU\Software\Classes) over the machine's even for
// an elevated process: any program of the user could name the command that
// the elevated setup would then run elevated. So an elevated run hands the
// verb to the desktop shell of the logged-on user, which runs it
// unelevated, as that user (the install verb then sets that user's
// screensaver, not the one of the administrator whose credentials elevated
// the setup). Where that route is missing, the install verb's command is
// taken from the machine's classes only, or nothing starts; the link is
// not opened. Without elevation (Windows 9x, NT 4 to XP, or a run that is
// not elevated) the shell is asked as ever.
#pragma once

#include <string>

#include "platform/system.h"

namespace scr {

// The key of the machine's classes that names the class of ".scr".
inline constexpr char kMachineClasses[] = "\\Software\\Classes\\";

// The "install" verb on the installed screensaver: it makes the file the
// current screensaver and opens the Screen Saver settings.
void StartInstallVerb(System& system, const std::string& screensaver);

// Opens the package's link address with the default verb. False when it
// was not opened (an elevated run without the desktop shell's route).
bool OpenLinkAddress(System& system, const std::string& address);

}  // namespace scr
