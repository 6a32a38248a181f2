// verinfo FILE: prints what Windows reads of a program file's own icon and
// version, one "name=value" per line, values in UTF-8:
//   icons=<number of icons the shell extracts (ExtractIconExA)>
//   setup_icon=<width>x<height> #RRGGBB: the icon under the setup's fixed
//              resource number, loaded as the wizard loads it, and the
//              colour of its middle pixel; or "none"
//   fixed=<A.B.C.D of VS_FIXEDFILEINFO's file version>
//   CompanyName=..., FileDescription=..., FileVersion=..., ProductName=...,
//   ProductVersion=..., OriginalFilename=...  (those present)
// GetFileVersionInfoW is looked up at run time, as version.dll is no
// library the drivers link. Exit code 0 when the file has a version
// resource, 1 otherwise.
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "package/setup_icon.h"

namespace {

using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

std::string Utf8(const wchar_t* text) {
  char out[1024] = "";
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof(out), nullptr, nullptr);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: verinfo FILE\n");
    return 2;
  }
  std::printf("icons=%u\n", ExtractIconExA(argv[1], -1, nullptr, nullptr, 0));
  HMODULE module = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HICON icon = module ? LoadIconA(module, MAKEINTRESOURCEA(scr::kSetupIconId)) : nullptr;
  ICONINFO info = {};
  BITMAP bitmap = {};
  if (icon && GetIconInfo(icon, &info) && info.hbmColor &&
      GetObjectA(info.hbmColor, sizeof(bitmap), &bitmap)) {
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = -bitmap.bmHeight;  // top-down
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::string pixels(static_cast<size_t>(bitmap.bmWidth) * bitmap.bmHeight * 4, '\0');
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, info.hbmColor, 0, bitmap.bmHeight, &pixels[0], &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    const size_t middle =
        (static_cast<size_t>(bitmap.bmHeight / 2) * bitmap.bmWidth + bitmap.bmWidth / 2) * 4;
    std::printf("setup_icon=%ldx%ld #%02X%02X%02X\n", bitmap.bmWidth, bitmap.bmHeight,
                static_cast<unsigned char>(pixels[middle + 2]),
                static_cast<unsigned char>(pixels[middle + 1]),
                static_cast<unsigned char>(pixels[middle]));
  } else {
    std::printf("setup_icon=none\n");
  }

  HMODULE version = LoadLibraryA("version.dll");
  auto size_of = reinterpret_cast<SizeFn>(
      reinterpret_cast<void*>(GetProcAddress(version, "GetFileVersionInfoSizeW")));
  auto read = reinterpret_cast<InfoFn>(
      reinterpret_cast<void*>(GetProcAddress(version, "GetFileVersionInfoW")));
  auto query =
      reinterpret_cast<QueryFn>(reinterpret_cast<void*>(GetProcAddress(version, "VerQueryValueW")));
  if (!size_of || !read || !query) return 1;
  wchar_t path[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path, MAX_PATH);
  DWORD ignored = 0;
  const DWORD size = size_of(path, &ignored);
  if (size == 0) return 1;
  std::string block(size, '\0');
  if (!read(path, 0, size, &block[0])) return 1;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (query(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed)
    std::printf("fixed=%lu.%lu.%lu.%lu\n", fixed->dwFileVersionMS >> 16,
                fixed->dwFileVersionMS & 0xFFFF, fixed->dwFileVersionLS >> 16,
                fixed->dwFileVersionLS & 0xFFFF);
  for (const wchar_t* name : {L"CompanyName", L"FileDescription", L"FileVersion", L"ProductName",
                              L"ProductVersion", L"OriginalFilename"}) {
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    wchar_t* value = nullptr;
    if (query(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) && value)
      std::printf("%s=%s\n", Utf8(name).c_str(), Utf8(value).c_str());
  }
  return 0;
}
