// reglink: makes a key of HKEY_CURRENT_USER a registry link, as any program
// of the user may, so an end-to-end suite can show that the elevated setup
// and uninstaller never follow one.
//
//   reglink <key under HKCU> <target as an NT path, e.g. \Registry\Machine\Software\X>
//
// The key must not exist yet. Exit code 0 when the link was made.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: reglink <key under HKCU> <NT target path>\n");
    return 2;
  }
  constexpr DWORD kCreateLink = 0x00000002;  // REG_OPTION_CREATE_LINK
  constexpr REGSAM kKeyCreateLink = 0x0020;  // KEY_CREATE_LINK
  HKEY key = nullptr;
  DWORD disposition = 0;
  LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, argv[1], 0, nullptr, kCreateLink,
                                KEY_ALL_ACCESS | kKeyCreateLink, nullptr, &key, &disposition);
  if (status != ERROR_SUCCESS) {
    std::fprintf(stderr, "RegCreateKeyEx: %ld\n", status);
    return 1;
  }
  // The target in UTF-16, without a terminating NUL.
  WCHAR target[512];
  const int length = MultiByteToWideChar(CP_ACP, 0, argv[2], -1, target, 512);
  status = length > 1 ? RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK,
                                       reinterpret_cast<const BYTE*>(target),
                                       static_cast<DWORD>((length - 1) * sizeof(WCHAR)))
                      : ERROR_INVALID_PARAMETER;
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) {
    std::fprintf(stderr, "RegSetValueEx: %ld\n", status);
    return 1;
  }
  std::printf("linked\n");
  return 0;
}
