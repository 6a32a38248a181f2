// setscr PATH: makes PATH the current screensaver, as the shell's "install"
// verb for .scr files does on Windows (which then also opens the Screen
// Saver settings; Wine has neither). It writes HKEY_CURRENT_USER
// "Control Panel\Desktop" value "SCRNSAVE.EXE" with the file's short path,
// the form Windows stores there, and says what it did.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2 || !argv[1][0]) {
    std::fprintf(stderr, "usage: setscr PATH\n");
    return 2;
  }
  const char* path = argv[1];
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
    std::fprintf(stderr, "setscr: %s: no such file\n", path);
    return 1;
  }
  char short_path[MAX_PATH];
  DWORD n = GetShortPathNameA(path, short_path, sizeof(short_path));
  const char* value = (n > 0 && n < sizeof(short_path)) ? short_path : path;

  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    std::fprintf(stderr, "setscr: cannot open HKCU\\Control Panel\\Desktop\n");
    return 1;
  }
  LONG rc = RegSetValueExA(key, "SCRNSAVE.EXE", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>(lstrlenA(value) + 1));
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) {
    std::fprintf(stderr, "setscr: cannot write SCRNSAVE.EXE\n");
    return 1;
  }
  std::printf("setscr: HKCU\\Control Panel\\Desktop SCRNSAVE.EXE = %s\n", value);
  return 0;
}
