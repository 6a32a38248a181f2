// The shell's folder browser behind the Browse button.
#pragma once

#include <windows.h>

#include <string>

#include "platform/system.h"

namespace scr {

class FolderBrowser {
 public:
  FolderBrowser() = default;
  FolderBrowser(const FolderBrowser&) = delete;
  FolderBrowser& operator=(const FolderBrowser&) = delete;
  ~FolderBrowser();

  // Shows the browser modal to `owner`, starting at `start` (preselected
  // when it names an existing folder), with `instruction` above the tree.
  // OK is offered only for existing folders. True and the chosen folder's
  // path, as the shell reports it, on OK; false on Cancel.
  bool Browse(HWND owner, System& system, const std::string& start, const std::string& instruction,
              std::string* chosen);

 private:
  // The browser and the shell folders behind it are COM objects: COM is
  // initialised on the window's thread before the browser first opens, and
  // held until the window goes (shell32 keeps some of those objects between
  // two browsers).
  bool com_held_ = false;
};

}  // namespace scr
