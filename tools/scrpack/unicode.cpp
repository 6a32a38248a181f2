#include "tools/scrpack/unicode.h"

namespace scrpack {
namespace {

// Length of the UTF-8 sequence at `text[i]`, or 0 when it is malformed;
// `*c` receives its code point.
size_t DecodeOne(std::string_view text, size_t i, char32_t* c) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
  const uint8_t b0 = byte(i);
  if (b0 < 0x80) {
    *c = b0;
    return 1;
  }
  size_t length;
  char32_t value, minimum;
  if ((b0 & 0xE0) == 0xC0) {
    length = 2, value = b0 & 0x1F, minimum = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3, value = b0 & 0x0F, minimum = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4, value = b0 & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *c = value;
  return length;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  char32_t c;
  for (size_t i = 0; i < text.size();) {
    const size_t length = DecodeOne(text, i, &c);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::u32string Utf8ToCodePoints(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  char32_t c;
  for (size_t i = 0; i < text.size();) {
    const size_t length = DecodeOne(text, i, &c);
    if (length == 0) {
      out += U'\uFFFD';
      ++i;
    } else {
      out += c;
      i += length;
    }
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool Utf16ToUtf8(std::string_view bytes, bool big_endian, std::string* utf8) {
  utf8->clear();
  if (bytes.size() % 2 != 0) return false;
  const auto unit = [&](size_t k) -> char32_t {
    const uint8_t a = static_cast<uint8_t>(bytes[k]), b = static_cast<uint8_t>(bytes[k + 1]);
    return big_endian ? (a << 8 | b) : (b << 8 | a);
  };
  for (size_t i = 0; i < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 2 >= bytes.size()) return false;
      const char32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
    AppendUtf8(*utf8, c);
  }
  return true;
}

std::vector<int> KnownCodePages() {
  return {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};
}

scr::LeadBytes LeadBytesOfCodePage(int code_page) { return scr::LeadBytesOfCodePage(code_page); }

bool KnownCodePage(int code_page) {
  for (int known : KnownCodePages())
    if (known == code_page) return true;
  return false;
}

}  // namespace scrpack
