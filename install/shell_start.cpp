#include "install/shell_start.h"

namespace scr {

void StartInstallVerb(System& system, const std::string& screensaver) {
  if (!system.IsElevated()) {
    system.ShellExecute(false, "install", screensaver, "", "", kSwShowNoActivate);
    return;
  }
  if (system.ShellExecuteAsDesktopUser("install", screensaver, kSwShowNoActivate)) return;
  // The machine's classes only: the class named by ".scr" there, and its
  // verb there. Without the verb there, nothing starts (ShellExecuteEx
  // would otherwise fall back on another verb).
  std::string name;
  if (!system.RegGetString(RootKey::kLocalMachine, std::string(kMachineClasses) + ".scr", "",
                           &name) ||
      name.empty() || name.find('\\') != std::string::npos)
    return;
  const std::string class_key = kMachineClasses + name;
  if (!system.RegKeyExists(RootKey::kLocalMachine, class_key + "\\shell\\install\\command")) return;
  system.ShellExecuteMachineClass("install", screensaver, class_key, kSwShowNoActivate);
}

bool OpenLinkAddress(System& system, const std::string& address) {
  if (!system.IsElevated())
    return system.ShellExecute(true, "", address, "", "", kSwShowNormal) > 32;
  return system.ShellExecuteAsDesktopUser("", address, kSwShowNormal);
}

}  // namespace scr
