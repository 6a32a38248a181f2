// The translation table that a package may carry. The English text is the
// key; a text without an entry stays English.
//
// Block format: lines cut at CR LF, lone CR or lone LF; a NUL ends the text.
// A line without "=" is a section header (its whole text, untrimmed; an
// empty line is the header of the section with the empty name). A line with
// "=" is an entry: name before the first "=", value after it, nothing
// trimmed. "#13" inside a value stands for CR LF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace scr {

struct LanguageTable {
  bool present = false;  // absent before loading and after freeing
  std::vector<std::string> names;
  std::vector<std::string> values;
};

// Builds a present table from `block`, keeping only the entries of the
// section `section` (every section when `section` is empty).
void LoadLanguageTable(LanguageTable& table, std::string_view block, std::string_view section);
// The translation of `english`, or `english` itself. The first entry whose
// name equals the key (CR LF written as "#13") wins.
std::string Translate(const LanguageTable& table, std::string_view english);
void FreeLanguageTable(LanguageTable& table);

// Every occurrence of `search` replaced, left to right, non-overlapping,
// case-sensitive; replaced text is not scanned again. An empty `search`
// changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view search,
                       std::string_view replacement);

// `format` with its first "%s" replaced by `argument`, taken as data. Any
// other "%" sequence stays as it is; a format without "%s" comes back as is.
std::string InsertTitle(std::string_view format, std::string_view argument);

}  // namespace scr
