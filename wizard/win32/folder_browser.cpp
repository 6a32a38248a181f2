#include "wizard/win32/folder_browser.h"

#include <shlobj.h>

#include "package/file_name.h"

namespace scr {
namespace {

bool FolderExists(const char* path) {
  // The browser asks about every item the user selects, empty floppy and
  // CD drives too: the system's "drive not ready" box must not come up.
  const UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS);
  const DWORD attributes = GetFileAttributesA(path);
  SetErrorMode(old_mode);
  return attributes != 0xFFFFFFFF && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Centred on the screen, then pulled inside it where it would stick out.
void CentreOnScreen(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  int x = (sw - w) / 2, y = (sh - h) / 2;
  if (x + w > sw) x = sw - w;
  if (y + h > sh) y = sh - h;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM lp, LPARAM data) {
  if (msg == BFFM_INITIALIZED) {
    CentreOnScreen(hwnd);
    const std::string* start = reinterpret_cast<const std::string*>(data);
    if (start && !start->empty() && FolderExists(start->c_str()))
      SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start->c_str()));
  } else if (msg == BFFM_SELCHANGED) {
    char path[MAX_PATH] = {};
    const bool ok = lp != 0 && SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lp), path) &&
                    path[0] != '\0' && FolderExists(path);
    SendMessageA(hwnd, BFFM_ENABLEOK, 0, ok ? TRUE : FALSE);
  }
  return 0;
}

void FreeItemList(LPITEMIDLIST pidl) {
  IMalloc* malloc = nullptr;
  if (SUCCEEDED(SHGetMalloc(&malloc)) && malloc) {
    malloc->Free(pidl);
    malloc->Release();
  }
}

}  // namespace

FolderBrowser::~FolderBrowser() {
  if (com_held_) CoUninitialize();
}

bool FolderBrowser::Browse(HWND owner, System& system, const std::string& start,
                           const std::string& instruction, std::string* chosen) {
  // S_FALSE (already initialised on this thread) counts as held too and is
  // balanced the same way.
  if (!com_held_) com_held_ = SUCCEEDED(CoInitialize(nullptr));

  // "C:\Dir\" names the same folder as "C:\Dir"; the shell prefers the
  // latter. A drive root keeps its backslash.
  std::string start_folder = start;
  if (start_folder.size() > 3) start_folder = WithoutBackslash(system, start_folder);

  char display[MAX_PATH] = {};
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;  // the desktop
  info.pszDisplayName = display;
  info.lpszTitle = instruction.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;  // 9
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(&start_folder);

  HWND active = GetActiveWindow();
  LPITEMIDLIST pidl = SHBrowseForFolderA(&info);
  if (active && IsWindow(active)) SetActiveWindow(active);
  if (!pidl) return false;

  char path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListA(pidl, path) != FALSE && path[0] != '\0';
  FreeItemList(pidl);
  if (!ok) return false;
  *chosen = path;
  return true;
}

}  // namespace scr
