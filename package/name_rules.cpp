#include "package/name_rules.h"

#include <cstdint>

namespace scr {
namespace {

bool IsBlank(char c) { return static_cast<uint8_t>(c) <= ' '; }

// What a part (no separators in it) names once Windows has dropped its
// blanks and trailing dots.
NameFault PartFault(std::string_view part) {
  bool dot = false;
  for (char c : part) {
    if (c == '.')
      dot = true;
    else if (!IsBlank(c))
      return NameFault::kNone;
  }
  return dot ? NameFault::kDotsOnlyPart : NameFault::kNamesNothing;
}

// Calls `visit` with each part of `text` between separators (double-byte
// aware); stops and returns false as soon as `visit` does.
template <typename Visit>
bool ForEachPart(std::string_view text, const LeadBytes& lead, Visit visit) {
  std::string_view part;
  for (size_t begin = 0; NextPart(lead, text, kNameSeparators, &begin, &part);)
    if (!visit(part)) return false;
  return true;
}

}  // namespace

NameFault CheckTitle(std::string_view title, const LeadBytes& lead) {
  if (EndsInLoneLeadByte(lead, title)) return NameFault::kIncompleteCharacter;
  bool names_something = false;
  bool dots = false;
  ForEachPart(title, lead, [&](std::string_view part) {
    const NameFault fault = PartFault(part);
    if (fault == NameFault::kDotsOnlyPart) dots = true;
    if (fault == NameFault::kNone) names_something = true;
    return !dots;
  });
  if (dots) return NameFault::kDotsOnlyPart;
  if (!names_something) return NameFault::kNamesNothing;
  return FileNameStart(lead, title, "\\") == 0 ? NameFault::kNone : NameFault::kTitleBackslash;
}

bool TitleStaysInPlace(System& system, std::string_view title) {
  return CheckTitle(title, LeadBytesOf(system)) == NameFault::kNone;
}

NameFault CheckNameWord(std::string_view word, const LeadBytes& lead) {
  if (FileNameStart(lead, word, kNameSeparators) != 0) return NameFault::kSeparator;
  if (EndsInLoneLeadByte(lead, word)) return NameFault::kIncompleteCharacter;
  return PartFault(word) == NameFault::kDotsOnlyPart ? NameFault::kDotsOnlyPart : NameFault::kNone;
}

std::string NameWord(const LanguageTable& table, std::string_view english, const LeadBytes& lead) {
  std::string word = Translate(table, english);
  if (CheckNameWord(word, lead) != NameFault::kNone) return std::string(english);
  return word;
}

std::string NameWord(System& system, const LanguageTable& table, std::string_view english) {
  return NameWord(table, english, LeadBytesOf(system));
}

std::string NameWord(System& system, const LanguageTable& table, TextId word) {
  return NameWord(system, table, TextInfo(word).english);
}

NameFault CheckScrFileName(std::string_view file_name, const LeadBytes& lead) {
  if (EndsInLoneLeadByte(lead, file_name)) return NameFault::kIncompleteCharacter;
  return PartFault(file_name.substr(FileNameStart(lead, file_name, kNameSeparators)));
}

std::string InstalledFileName(std::string_view path, const LeadBytes& lead) {
  const std::string_view name = path.substr(FileNameStart(lead, path, kNameSeparators));
  if (PartFault(name) != NameFault::kNone || EndsInLoneLeadByte(lead, name)) return std::string();
  return std::string(name);
}

}  // namespace scr
