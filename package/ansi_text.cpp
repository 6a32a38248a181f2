#include "package/ansi_text.h"

namespace scr {
namespace {

bool IsBlank(char c) { return static_cast<uint8_t>(c) <= ' '; }

bool IsOneOf(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }

}  // namespace

LeadBytes LeadBytesOf(System& system) {
  LeadBytes lead;
  // No code page has a lead byte below 0x80.
  for (int byte = 0x80; byte <= 0xFF; ++byte)
    lead.lead[byte] = system.IsLeadByte(static_cast<uint8_t>(byte));
  return lead;
}

LeadBytes LeadBytesOfCodePage(int code_page) {
  LeadBytes lead;
  const auto mark = [&](int first, int last) {
    for (int b = first; b <= last; ++b) lead.lead[static_cast<size_t>(b)] = true;
  };
  if (code_page == 932) {
    mark(0x81, 0x9F);
    mark(0xE0, 0xFC);
  } else if (code_page == 936 || code_page == 949 || code_page == 950) {
    mark(0x81, 0xFE);
  }
  return lead;
}

size_t NextCharacter(const LeadBytes& lead, std::string_view text, size_t at) {
  return lead.IsLead(static_cast<uint8_t>(text[at])) && at + 1 < text.size() ? at + 2 : at + 1;
}

std::vector<size_t> CharacterStarts(const LeadBytes& lead, std::string_view text) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); i = NextCharacter(lead, text, i)) starts.push_back(i);
  return starts;
}

size_t LastCharactersStart(const LeadBytes& lead, std::string_view text, size_t count) {
  if (count == 0) return text.size();
  // Counted, then walked again: no list of every start is kept.
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); i = NextCharacter(lead, text, i)) ++characters;
  if (characters <= count) return 0;
  size_t at = 0;
  for (size_t skip = characters - count; skip > 0; --skip) at = NextCharacter(lead, text, at);
  return at;
}

bool EndsInLoneLeadByte(const LeadBytes& lead, std::string_view text) {
  if (text.empty()) return false;
  const size_t last = LastCharactersStart(lead, text, 1);
  return last + 1 == text.size() && lead.IsLead(static_cast<uint8_t>(text[last]));
}

size_t LastSeparator(const LeadBytes& lead, std::string_view text, std::string_view separators) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < text.size(); i = NextCharacter(lead, text, i))
    if (NextCharacter(lead, text, i) == i + 1 && IsOneOf(text[i], separators)) found = i;
  return found;
}

std::vector<size_t> SeparatorPositions(const LeadBytes& lead, std::string_view text,
                                       std::string_view separators) {
  std::vector<size_t> found;
  for (size_t i = 0; i < text.size(); i = NextCharacter(lead, text, i))
    if (NextCharacter(lead, text, i) == i + 1 && IsOneOf(text[i], separators)) found.push_back(i);
  return found;
}

std::vector<std::string_view> SplitAtSeparators(const LeadBytes& lead, std::string_view text,
                                                std::string_view separators) {
  std::vector<std::string_view> parts;
  std::string_view part;
  for (size_t begin = 0; NextPart(lead, text, separators, &begin, &part);) parts.push_back(part);
  return parts;
}

bool NextPart(const LeadBytes& lead, std::string_view text, std::string_view separators,
              size_t* begin, std::string_view* part) {
  if (*begin > text.size()) return false;
  size_t end = *begin;
  while (end < text.size() &&
         !(NextCharacter(lead, text, end) == end + 1 && IsOneOf(text[end], separators)))
    end = NextCharacter(lead, text, end);
  *part = text.substr(*begin, end - *begin);
  *begin = end + 1;
  return true;
}

size_t FileNameStart(const LeadBytes& lead, std::string_view path, std::string_view separators) {
  const size_t last = LastSeparator(lead, path, separators);
  return last == std::string_view::npos ? 0 : last + 1;
}

PathParts SplitPath(const LeadBytes& lead, std::string_view path, std::string_view separators) {
  const size_t start = FileNameStart(lead, path, separators);
  return {path.substr(0, start), path.substr(start)};
}

std::string FolderPart(const LeadBytes& lead, std::string_view path, std::string_view separators) {
  return std::string(SplitPath(lead, path, separators).folder);
}

size_t ExtensionStart(const LeadBytes& lead, std::string_view name) {
  return LastSeparator(lead, name, ".");
}

bool EndsWithBackslash(const LeadBytes& lead, std::string_view path) {
  return !path.empty() && LastSeparator(lead, path, kFolderSeparators) + 1 == path.size();
}

std::string WithBackslash(const LeadBytes& lead, std::string_view text) {
  std::string path(text);
  if (EndsWithBackslash(lead, path)) return path;
  if (EndsInLoneLeadByte(lead, path)) path.pop_back();
  if (!EndsWithBackslash(lead, path)) path += '\\';
  return path;
}

std::string WithoutBackslash(const LeadBytes& lead, std::string_view text) {
  std::string path(text);
  if (EndsWithBackslash(lead, path)) path.pop_back();
  return path;
}

std::string JoinPath(const LeadBytes& lead, std::string_view folder, std::string_view name) {
  std::string path = WithBackslash(lead, folder);
  path += name;
  return path;
}

std::string_view TrimBlanks(const LeadBytes& lead, std::string_view text) {
  size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin]) &&
         NextCharacter(lead, text, begin) == begin + 1)
    ++begin;
  text.remove_prefix(begin);
  // The end of the last character that is no blank.
  size_t end = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t next = NextCharacter(lead, text, i);
    if (next != i + 1 || !IsBlank(text[i])) end = next;
    i = next;
  }
  return text.substr(0, end);
}

std::string ReplaceAll(const LeadBytes& lead, std::string_view text, std::string_view search,
                       std::string_view replacement) {
  if (search.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, search.size(), search) == 0) {
      out += replacement;
      // What follows the match is walked on from where the match ends; a
      // search text that ends in a lead byte is no whole text and leaves
      // the next byte to start a character.
      i += search.size();
      continue;
    }
    const size_t next = NextCharacter(lead, text, i);
    out.append(text.substr(i, next - i));
    i = next;
  }
  return out;
}

std::string LowerSingleByteLetters(const LeadBytes& lead, std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); i = NextCharacter(lead, out, i))
    if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
  return out;
}

std::string_view CutToBytes(const LeadBytes& lead, std::string_view text, size_t bytes) {
  if (text.size() <= bytes) return text;
  size_t end = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t next = NextCharacter(lead, text, i);
    if (next > bytes) break;
    end = next;
    i = next;
  }
  return text.substr(0, end);
}

std::string DecimalText(uint32_t value) {
  char digits[10];  // 4 294 967 295 has ten
  size_t start = sizeof(digits);
  do {
    digits[--start] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return std::string(digits + start, sizeof(digits) - start);
}

}  // namespace scr
