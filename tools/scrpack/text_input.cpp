#include "tools/scrpack/text_input.h"

#include <cstdio>

#include "tools/scrpack/unicode.h"

namespace scrpack {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

size_t LineOf(std::string_view text, size_t offset) {
  size_t line = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
      ++line;
  }
  return line;
}

}  // namespace

std::string DescribeCharacter(std::string_view utf8, size_t offset) {
  const size_t length = Utf8SequenceLength(static_cast<unsigned char>(utf8[offset]));
  const std::string_view one = utf8.substr(offset, length);
  const std::u32string points = Utf8ToCodePoints(one);
  char code[16];
  std::snprintf(code, sizeof(code), "U+%04X", points.empty() ? 0u : unsigned(points[0]));
  return "\"" + std::string(one) + "\" (" + code + ")";
}

bool DecodeAuthorText(std::string_view bytes, int code_page, AuthorText* out, std::string* error) {
  if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    out->encoding = "UTF-8 with BOM";
    out->utf8.assign(bytes.substr(3));
    if (!IsValidUtf8(out->utf8)) {
      *error = "starts with a UTF-8 byte-order mark but is not UTF-8 throughout";
      return false;
    }
    return true;
  }
  const bool le = StartsWith(bytes, "\xFF\xFE"), be = StartsWith(bytes, "\xFE\xFF");
  if (le || be) {
    out->encoding = le ? "UTF-16 LE with BOM" : "UTF-16 BE with BOM";
    if (!Utf16ToUtf8(bytes.substr(2), be, &out->utf8)) {
      *error = "starts with a UTF-16 byte-order mark but is not UTF-16 throughout";
      return false;
    }
    return true;
  }
  if (IsValidUtf8(bytes)) {
    out->encoding = "UTF-8";
    out->utf8.assign(bytes);
    return true;
  }
  out->encoding = "code page " + std::to_string(code_page);
  size_t bad = 0;
  if (!DecodeFromCodePage(bytes, code_page, &out->utf8, &bad)) {
    char hex[8];
    std::snprintf(hex, sizeof(hex), "0x%02X", static_cast<unsigned char>(bytes[bad]));
    *error = "is neither UTF-8 nor text of code page " + std::to_string(code_page) + " (line " +
             std::to_string(LineOf(bytes, bad)) + ": byte " + hex + ")";
    return false;
  }
  return true;
}

bool EncodeToPackage(std::string_view utf8, int code_page, std::string* out, std::string* error) {
  size_t bad = 0;
  if (EncodeToCodePage(utf8, code_page, out, &bad)) return true;
  *error = "line " + std::to_string(LineOf(utf8, bad)) + ": the character " +
           DescribeCharacter(utf8, bad) + " has no place in code page " + std::to_string(code_page);
  return false;
}

bool ToPackageText(std::string_view bytes, int code_page, const std::string& where,
                   std::string* out, std::string* error) {
  AuthorText text;
  std::string reason;
  if (!DecodeAuthorText(bytes, code_page, &text, &reason) ||
      !EncodeToPackage(text.utf8, code_page, out, &reason)) {
    *error = where + ": " + reason;
    return false;
  }
  return true;
}

std::string ShowPackageText(std::string_view bytes, int code_page) {
  std::string shown;
  while (!bytes.empty()) {
    std::string part;
    size_t bad = 0;
    if (DecodeFromCodePage(bytes, code_page, &part, &bad)) {
      shown += part;
      break;
    }
    // The good stretch, then the byte that stopped it as an escape.
    size_t ignored = 0;
    if (DecodeFromCodePage(bytes.substr(0, bad), code_page, &part, &ignored)) shown += part;
    char hex[8];
    std::snprintf(hex, sizeof(hex), "\\x%02X", static_cast<unsigned char>(bytes[bad]));
    shown += hex;
    bytes.remove_prefix(bad + 1);
  }
  return shown;
}

}  // namespace scrpack
