// Texts as authors give them (files saved by any editor, command-line
// arguments) made into the package's ANSI code page, the only encoding the
// setup program shows correctly.
#pragma once

#include <string>
#include <string_view>

namespace scrpack {

struct AuthorText {
  std::string utf8;
  std::string encoding;  // what the input was: "UTF-8", "UTF-16 LE with BOM", ...
};

// Reads the bytes of a text: a UTF-8 or UTF-16 byte-order mark decides the
// encoding; without one, well-formed UTF-8 is taken as UTF-8 and anything
// else as bytes already in `code_page`. False, with the reason in `*error`,
// when the bytes are none of these.
bool DecodeAuthorText(std::string_view bytes, int code_page, AuthorText* out, std::string* error);

// UTF-8 to `code_page`. A character the code page cannot hold fails, with
// `*error` naming its line (counted from 1), the character and the code page.
bool EncodeToPackage(std::string_view utf8, int code_page, std::string* out, std::string* error);

// Both: the bytes of a file or argument made package text. `where` starts
// the message ("--readme \"a.txt\"").
bool ToPackageText(std::string_view bytes, int code_page, const std::string& where,
                   std::string* out, std::string* error);

// Package bytes shown to the author: decoded with `code_page`; a byte the
// code page does not define is shown as \xNN.
std::string ShowPackageText(std::string_view bytes, int code_page);

// "U+00FC" and the character itself, for messages.
std::string DescribeCharacter(std::string_view utf8, size_t offset);

}  // namespace scrpack
