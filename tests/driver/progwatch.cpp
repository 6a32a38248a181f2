// progwatch CAPTION TIMEOUT_MS: watches the progress bar (control id 118)
// of the top-level window with that exact caption and prints every new
// position it sees, one per line, until the window is gone or the time is
// up. It first waits (within the same bound) for the window to appear.
// Exit code 0 when at least one position was read, 1 otherwise.
#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: progwatch CAPTION TIMEOUT_MS\n");
    return 2;
  }
  const DWORD timeout = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
  const DWORD start = GetTickCount();
  HWND window = nullptr;
  while (!window && GetTickCount() - start < timeout) {
    window = FindWindowA(nullptr, argv[1]);
    if (!window) Sleep(20);
  }
  if (!window) return 1;
  HWND bar = nullptr;
  int last = -1, seen = 0;
  while (IsWindow(window) && GetTickCount() - start < timeout) {
    // The bar sits on a page inside the notebook: search all descendants.
    if (!bar) {
      struct Finder {
        static BOOL CALLBACK Visit(HWND child, LPARAM out) {
          if (GetDlgCtrlID(child) == 118) {
            *reinterpret_cast<HWND*>(out) = child;
            return FALSE;
          }
          return TRUE;
        }
      };
      EnumChildWindows(window, Finder::Visit, reinterpret_cast<LPARAM>(&bar));
    }
    DWORD_PTR position = 0;
    if (bar && SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 500, &position)) {
      if (static_cast<int>(position) != last) {
        last = static_cast<int>(position);
        ++seen;
        std::printf("%d\n", last);
        std::fflush(stdout);
      }
    }
    Sleep(5);
  }
  return seen > 0 ? 0 : 1;
}
