// UTF-8 and UTF-16 as the author's tool meets them in files and on the
// command line, and the package's ANSI code page it converts them to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "package/file_name.h"

namespace scrpack {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);
// The code points of well-formed UTF-8 text (callers check IsValidUtf8 first;
// a malformed byte becomes U+FFFD).
std::u32string Utf8ToCodePoints(std::string_view text);
void AppendUtf8(std::string& out, char32_t c);
// The length of the UTF-8 sequence that `lead` starts (1 for a byte that
// starts none), for stepping through text one character at a time.
inline size_t Utf8SequenceLength(unsigned char lead) {
  return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}
// UTF-16 code units (either byte order) to UTF-8; false on a lone surrogate
// or an odd number of bytes.
bool Utf16ToUtf8(std::string_view bytes, bool big_endian, std::string* utf8);

// The ANSI code pages the tool converts to. Only these: each is a Windows
// ANSI code page that a system's locale can have.
bool KnownCodePage(int code_page);
std::vector<int> KnownCodePages();

// The double-byte lead bytes of an ANSI code page (none for the single-byte
// ones), as Windows reports them for 932, 936, 949 and 950.
scr::LeadBytes LeadBytesOfCodePage(int code_page);

// UTF-8 text to bytes of `code_page`. A character the code page cannot hold
// fails the conversion: false, with `*bad_offset` its byte offset in `utf8`.
// No best-fit substitution ("é" never silently becomes "e").
bool EncodeToCodePage(std::string_view utf8, int code_page, std::string* out, size_t* bad_offset);
// Bytes of `code_page` to UTF-8. A byte (or pair) the code page does not
// define fails: false, with `*bad_offset` its offset in `bytes`.
bool DecodeFromCodePage(std::string_view bytes, int code_page, std::string* utf8,
                        size_t* bad_offset);

// The arguments as UTF-8. On Windows the program's own argv is in the ANSI
// code page of the machine, so the wide command line is taken instead.
std::vector<std::string> Utf8Arguments(int argc, char** argv);
// Makes the console show the tool's UTF-8 output (Windows); nothing elsewhere.
void PrepareConsole();

}  // namespace scrpack
