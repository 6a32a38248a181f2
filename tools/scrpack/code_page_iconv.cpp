// Code-page conversion on Linux and other POSIX systems: glibc's iconv, with
// no transliteration, so a character the code page lacks is an error.
#ifndef _WIN32
#include <errno.h>
#include <iconv.h>
#include <unistd.h>

#include "tools/scrpack/unicode.h"

namespace scrpack {
namespace {

std::string IconvName(int code_page) { return "CP" + std::to_string(code_page); }

// Converts `in` from `from` to `to`; false with the offset of the first
// input byte that could not be converted.
bool Convert(const std::string& from, const std::string& to, std::string_view in, std::string* out,
             size_t* bad_offset) {
  out->clear();
  *bad_offset = 0;
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char* in_ptr = const_cast<char*>(in.data());
  size_t in_left = in.size();
  bool ok = true;
  char buffer[4096];
  while (in_left > 0) {
    char* out_ptr = buffer;
    size_t out_left = sizeof(buffer);
    const size_t result = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    out->append(buffer, static_cast<size_t>(out_ptr - buffer));
    if (result == static_cast<size_t>(-1) && errno != E2BIG) {
      ok = false;
      break;
    }
    // glibc counts characters it replaced without being asked to as
    // irreversible conversions; none are allowed.
    if (result != static_cast<size_t>(-1) && result > 0) {
      ok = false;
      break;
    }
  }
  if (ok) {
    char* out_ptr = buffer;
    size_t out_left = sizeof(buffer);
    ok = iconv(cd, nullptr, nullptr, &out_ptr, &out_left) != static_cast<size_t>(-1);
    out->append(buffer, static_cast<size_t>(out_ptr - buffer));
  }
  *bad_offset = in.size() - in_left;
  iconv_close(cd);
  return ok;
}

}  // namespace

bool EncodeToCodePage(std::string_view utf8, int code_page, std::string* out, size_t* bad_offset) {
  *bad_offset = 0;
  if (!KnownCodePage(code_page)) return false;
  return Convert("UTF-8", IconvName(code_page), utf8, out, bad_offset);
}

bool DecodeFromCodePage(std::string_view bytes, int code_page, std::string* utf8,
                        size_t* bad_offset) {
  *bad_offset = 0;
  if (!KnownCodePage(code_page)) return false;
  return Convert(IconvName(code_page), "UTF-8", bytes, utf8, bad_offset);
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void PrepareConsole() {}

}  // namespace scrpack
#endif
