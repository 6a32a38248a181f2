// Code-page conversion on Windows: the system's own tables, which are the
// ones the setup program's texts are shown with.
#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "tools/scrpack/unicode.h"

namespace scrpack {
namespace {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n);
  return wide;
}

std::string Narrow(const wchar_t* wide, int count, UINT code_page) {
  if (count <= 0) return std::string();
  const int n = WideCharToMultiByte(code_page, 0, wide, count, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(code_page, 0, wide, count, &out[0], n, nullptr, nullptr);
  return out;
}

}  // namespace

bool EncodeToCodePage(std::string_view utf8, int code_page, std::string* out, size_t* bad_offset) {
  out->clear();
  *bad_offset = 0;
  if (!KnownCodePage(code_page) || !IsValidCodePage(static_cast<UINT>(code_page))) return false;
  // One character at a time, so the first one the code page lacks is known
  // by its place in the input.
  for (size_t i = 0; i < utf8.size();) {
    const size_t length = Utf8SequenceLength(static_cast<unsigned char>(utf8[i]));
    const std::wstring wide = Widen(utf8.substr(i, length));
    BOOL used_default = FALSE;
    char bytes[8];
    const int n = WideCharToMultiByte(static_cast<UINT>(code_page), WC_NO_BEST_FIT_CHARS,
                                      wide.data(), static_cast<int>(wide.size()), bytes,
                                      sizeof(bytes), nullptr, &used_default);
    if (wide.empty() || n <= 0 || used_default) {
      *bad_offset = i;
      return false;
    }
    out->append(bytes, static_cast<size_t>(n));
    i += length;
  }
  return true;
}

bool DecodeFromCodePage(std::string_view bytes, int code_page, std::string* utf8,
                        size_t* bad_offset) {
  utf8->clear();
  *bad_offset = 0;
  if (!KnownCodePage(code_page) || !IsValidCodePage(static_cast<UINT>(code_page))) return false;
  const scr::LeadBytes lead = LeadBytesOfCodePage(code_page);
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = scr::NextCharacter(lead, bytes, i) - i;
    wchar_t wide[4];
    const int n = MultiByteToWideChar(static_cast<UINT>(code_page), MB_ERR_INVALID_CHARS,
                                      bytes.data() + i, static_cast<int>(length), wide, 4);
    if (n <= 0) {
      *bad_offset = i;
      return false;
    }
    utf8->append(Narrow(wide, n, CP_UTF8));
    i += length;
  }
  return true;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide || count != argc) {
    if (wide) LocalFree(wide);
    return std::vector<std::string>(argv, argv + argc);
  }
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(Narrow(wide[i], lstrlenW(wide[i]), CP_UTF8));
  LocalFree(wide);
  return args;
}

void PrepareConsole() { SetConsoleOutputCP(CP_UTF8); }

}  // namespace scrpack
#endif
