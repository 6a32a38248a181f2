// Text in the system's ANSI code page, walked by characters rather than by
// bytes.
//
// Every name, path and text the setup handles is a string of bytes in the
// running system's ANSI code page. In the East Asian code pages (932, 936,
// 949, 950) a character may be two bytes: a lead byte, then a trail byte
// that may have the value of "\" (0x5C), "|" (0x7C) or an ASCII letter
// without being one. Every walk over such text (the last separator, the
// trailing "\", trimming, lowering, cutting) happens here, so no caller
// meets the rule anew. A lead byte at the very end of a text, with no byte
// behind it, is a character of its own (it is what Windows' own functions
// make of it).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system.h"

namespace scr {

// Only "\" separates: the folder part of a path the system itself made.
inline constexpr std::string_view kFolderSeparators = "\\";
// "/" and ":" too: a name from a package must never reach outside the
// folder it is joined to.
inline constexpr std::string_view kAnySeparators = "\\/:";

// The bytes that begin a double-byte character in the code page a text is
// written in. Empty (all false): a single-byte code page.
struct LeadBytes {
  std::array<bool, 256> lead{};
  bool IsLead(uint8_t byte) const { return lead[byte]; }
};

// The lead bytes of the running system's ANSI code page.
LeadBytes LeadBytesOf(System& system);
// The lead bytes of a Windows ANSI code page by its number, as Windows
// reports them for 932, 936, 949 and 950; none for any other (the
// single-byte code pages). For the author's tool, which writes a package
// for a code page it does not run in.
LeadBytes LeadBytesOfCodePage(int code_page);

// Where the character after the one that begins at `at` begins.
size_t NextCharacter(const LeadBytes& lead, std::string_view text, size_t at);
// Where each character of `text` begins.
std::vector<size_t> CharacterStarts(const LeadBytes& lead, std::string_view text);
// Where the last `count` characters of `text` begin (0 when it has no more
// than `count`; the end of `text` for none).
size_t LastCharactersStart(const LeadBytes& lead, std::string_view text, size_t count);
// True when `text` ends in a lead byte with no trail byte behind it.
bool EndsInLoneLeadByte(const LeadBytes& lead, std::string_view text);

// Where the last character that is one of `separators` stands, or npos.
size_t LastSeparator(const LeadBytes& lead, std::string_view text, std::string_view separators);
// Where each character that is one of `separators` stands.
std::vector<size_t> SeparatorPositions(const LeadBytes& lead, std::string_view text,
                                       std::string_view separators);
// The parts of `text` between `separators` (empty parts kept: "a\\\\b"
// has three, "" one).
std::vector<std::string_view> SplitAtSeparators(const LeadBytes& lead, std::string_view text,
                                                std::string_view separators);
// The same parts one at a time, with no list: the part that starts at
// `*begin` (0 for the first), up to the next separator, and `*begin` moved
// past that separator. False once every part has been given.
bool NextPart(const LeadBytes& lead, std::string_view text, std::string_view separators,
              size_t* begin, std::string_view* part);

// Where the file name of `path` begins: just behind its last separator.
size_t FileNameStart(const LeadBytes& lead, std::string_view path, std::string_view separators);
// A path as folder part (up to and including its last separator; empty
// when it has none) and file name.
struct PathParts {
  std::string_view folder;
  std::string_view name;
};
PathParts SplitPath(const LeadBytes& lead, std::string_view path,
                    std::string_view separators = kFolderSeparators);
// The folder part of `path` as SplitPath gives it.
std::string FolderPart(const LeadBytes& lead, std::string_view path,
                       std::string_view separators = kFolderSeparators);
// Where the extension of a file name begins: its last ".", or npos.
size_t ExtensionStart(const LeadBytes& lead, std::string_view name);

// True when `path` ends with a "\" of its own, not with a double-byte
// character whose trail byte is 0x5C.
bool EndsWithBackslash(const LeadBytes& lead, std::string_view path);
// `path` with a "\" appended unless it already ends with one. A lead byte
// left at the end without its trail byte would take the "\" for its trail
// byte (the path would end in a character, not a separator, and a name
// joined to it would land in the parent folder): such an incomplete
// character is no character, and goes.
std::string WithBackslash(const LeadBytes& lead, std::string_view path);
// `path` without its trailing "\", when it has one (only one goes).
std::string WithoutBackslash(const LeadBytes& lead, std::string_view path);
// `folder`, a "\" unless it ends with one, and `name`.
std::string JoinPath(const LeadBytes& lead, std::string_view folder, std::string_view name);

// `text` without its leading and trailing characters of codes up to 32
// (blanks and control characters).
std::string_view TrimBlanks(const LeadBytes& lead, std::string_view text);
// Every occurrence of `search` that begins on a character replaced by
// `replacement`, scanning left to right, non-overlapping; replaced text is
// not scanned again; an empty `search` changes nothing.
std::string ReplaceAll(const LeadBytes& lead, std::string_view text, std::string_view search,
                       std::string_view replacement);
// `text` with the letters A to Z of its single-byte characters made small;
// a trail byte keeps its value, whatever letter it looks like.
std::string LowerSingleByteLetters(const LeadBytes& lead, std::string_view text);
// The longest start of `text` of at most `bytes` bytes that ends on a
// character boundary.
std::string_view CutToBytes(const LeadBytes& lead, std::string_view text, size_t bytes);
// The decimal digits of `value`, for the numbers in file names. (The
// library's std::to_string brings a 200-byte table of digit pairs into
// setup.exe.)
std::string DecimalText(uint32_t value);

}  // namespace scr
