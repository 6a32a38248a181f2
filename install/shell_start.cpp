#include "install/shell_start.h"

namespace scr {

void StartInstallVerb(System& system, const std::string& screensaver) {
  // Made once: each call would otherwise build and free its own copies.
  const std::string verb = "install";
  const std::string none;
  if (!system.IsElevated()) {
    system.ShellExecute(false, verb, screensaver, none, none, kSwShowNoActivate);
    return;
  }
  if (system.ShellExecuteAsDesktopUser(verb, screensaver, kSwShowNoActivate)) return;
  // The machine's classes only: the class named by ".scr" there, and its
  // verb there. Without the verb there, nothing starts (ShellExecuteEx
  // would otherwise fall back on another verb).
  std::string name;
  if (!system.RegGetString(RootKey::kLocalMachine, std::string(kMachineClasses) + ".scr", none,
                           &name) ||
      name.empty() || name.find('\\') != std::string::npos)
    return;
  const std::string class_key = kMachineClasses + name;
  std::string command_key = class_key;
  command_key += "\\shell\\install\\command";
  if (!system.RegKeyExists(RootKey::kLocalMachine, command_key)) return;
  system.ShellExecuteMachineClass(verb, screensaver, class_key, kSwShowNoActivate);
}

bool OpenLinkAddress(System& system, const std::string& address) {
  const std::string none;  // the default verb, no parameters, no folder
  if (!system.IsElevated())
    return system.ShellExecute(true, none, address, none, none, kSwShowNormal) > 32;
  return system.ShellExecuteAsDesktopUser(none, address, kSwShowNormal);
}

}  // namespace scr
