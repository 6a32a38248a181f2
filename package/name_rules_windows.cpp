// Windows' own refusals in file and folder names, on top of the name rule
// of name_rules.cpp. The setup's loader and the author's tool both apply
// them, so a package the tool refuses is a damaged package to the setup.
#include <cstdint>
#include <cstring>

#include "package/name_rules.h"

namespace scr {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// CON, PRN, AUX, NUL, COM1-9, LPT1-9: Windows takes these names (and the
// same with any extension, or with trailing blanks) for devices.
bool IsDeviceName(std::string_view part) {
  std::string_view stem = part.substr(0, part.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  std::string upper;
  for (char c : stem) upper += AsciiUpper(c);
  static constexpr std::string_view kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  for (std::string_view device : kDevices)
    if (upper == device) return true;
  return upper.size() == 4 && (upper.rfind("COM", 0) == 0 || upper.rfind("LPT", 0) == 0) &&
         upper[3] >= '1' && upper[3] <= '9';
}

// Splits `text` at any byte of `separators` (double-byte aware) and checks
// each part with `check`; stops at the first fault, with `*at` in `text`.
template <typename Check>
NameFault CheckParts(std::string_view text, std::string_view separators, const LeadBytes& lead,
                     size_t* at, Check check) {
  std::string_view part;
  for (size_t begin = 0, next = 0; NextPart(lead, text, separators, &next, &part); begin = next) {
    size_t inner = 0;
    const NameFault fault = check(part, &inner);
    if (fault != NameFault::kNone) {
      *at = begin + inner;
      return fault;
    }
  }
  return NameFault::kNone;
}

}  // namespace

NameFault CheckFileNamePart(std::string_view part, const LeadBytes& lead, size_t* at) {
  *at = 0;
  // A trail byte is part of a character, whatever its value.
  for (size_t i = 0; i < part.size(); i = NextCharacter(lead, part, i)) {
    const uint8_t c = static_cast<uint8_t>(part[i]);
    if (NextCharacter(lead, part, i) != i + 1) continue;
    *at = i;
    if (c < 0x20) return NameFault::kControlCharacter;
    if (std::strchr("\\/:*?\"<>|", c) && c != 0) return NameFault::kForbiddenCharacter;
  }
  *at = part.empty() ? 0 : part.size() - 1;
  if (!part.empty() && (part.back() == '.' || part.back() == ' '))
    return NameFault::kTrailingDotOrBlank;
  *at = 0;
  if (IsDeviceName(part)) return NameFault::kReservedName;
  return NameFault::kNone;
}

NameFault CheckTitleForFiles(std::string_view title, const LeadBytes& lead, size_t* at) {
  *at = 0;
  const NameFault structure = CheckTitle(title, lead);
  if (structure == NameFault::kTitleBackslash) *at = FileNameStart(lead, title, "\\") - 1;
  if (structure != NameFault::kNone) return structure;
  return CheckFileNamePart(title, lead, at);
}

NameFault CheckNameWordForFiles(std::string_view word, const LeadBytes& lead, size_t* at) {
  *at = FileNameStart(lead, word, kNameSeparators);
  if (*at > 0) --*at;
  const NameFault structure = CheckNameWord(word, lead);
  if (structure != NameFault::kNone || word.empty()) return structure;
  return CheckFileNamePart(word, lead, at);
}

NameFault CheckScrFileNameForFiles(std::string_view file_name, const LeadBytes& lead, size_t* at) {
  const size_t start = FileNameStart(lead, file_name, kNameSeparators);
  *at = start;
  const NameFault structure = CheckScrFileName(file_name, lead);
  if (structure != NameFault::kNone) return structure;
  const NameFault fault = CheckFileNamePart(file_name.substr(start), lead, at);
  *at += start;
  return fault;
}

NameFault CheckFolderField(std::string_view folder, bool may_have_drive, const LeadBytes& lead,
                           size_t* at) {
  *at = 0;
  // The macros name folders of the system; the rest is the author's. A
  // macro counts where the destination rules expand it: where a character
  // begins. Each is replaced by as many letters, so offsets stay.
  std::string text(folder);
  for (const char* macro : {"<Program Files>", "<Windows>"})
    text = ReplaceAll(lead, text, macro, std::string(std::strlen(macro), 'M'));
  size_t skip = 0;
  if (may_have_drive && text.size() >= 2 && IsAsciiLetter(text[0]) && text[1] == ':') skip = 2;
  const NameFault fault = CheckParts(std::string_view(text).substr(skip), "\\/", lead, at,
                                     [&](std::string_view part, size_t* inner) {
                                       *inner = 0;
                                       if (part.empty()) return NameFault::kNone;
                                       if (CheckNameWord(part, lead) == NameFault::kDotsOnlyPart)
                                         return NameFault::kDotsOnlyPart;
                                       return CheckFileNamePart(part, lead, inner);
                                     });
  *at += skip;
  return fault;
}

}  // namespace scr
