// The language block: LoadLanguageTable, Translate, ReplaceAll and
// InsertTitle.
//
// Input: the wanted section name, an English text to translate, a search
// string, a replacement and a format, then the block itself.
//
// Rules: the table holds exactly the entries of the wanted section, in
// order, as a plain reading of the format finds them; every name translates
// to the first value under that name with "#13" made CR LF; a text that no
// name can match (it holds a lone LF) comes back unchanged; an absent table
// translates nothing; ReplaceAll equals a plain left-to-right replacement;
// InsertTitle replaces the first "%s" only.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <utility>
#include <vector>

#include "package/language.h"
#include "tests/fuzz/fuzz_support.h"

namespace scr::fuzz {
namespace {

// The block format read plainly: lines at CR LF, lone CR or lone LF, a NUL
// ends the text; a line without "=" names the current section.
std::vector<std::pair<std::string, std::string>> ReferenceEntries(std::string block,
                                                                  const std::string& wanted) {
  block = block.substr(0, block.find('\0'));
  std::vector<std::string> lines;
  std::string line;
  size_t i = 0;
  while (i < block.size()) {
    const char c = block[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      i += (c == '\r' && i + 1 < block.size() && block[i + 1] == '\n') ? 2 : 1;
    } else {
      line += c;
      ++i;
    }
  }
  if (!line.empty()) lines.push_back(line);
  std::vector<std::pair<std::string, std::string>> entries;
  std::string section;
  for (const std::string& l : lines) {
    const size_t eq = l.find('=');
    if (eq == std::string::npos)
      section = l;
    else if (wanted.empty() || section == wanted)
      entries.emplace_back(l.substr(0, eq), l.substr(eq + 1));
  }
  return entries;
}

std::string ReferenceReplaceAll(const std::string& text, const std::string& search,
                                const std::string& replacement) {
  if (search.empty()) return text;
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, search.size(), search) == 0) {
      out += replacement;
      i += search.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace
}  // namespace scr::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scr;
  FuzzedDataProvider in(data, size);
  const std::string section = in.ConsumeRandomLengthString(40);
  const std::string english = in.ConsumeRandomLengthString(80);
  const std::string search = in.ConsumeRandomLengthString(8);
  const std::string replacement = in.ConsumeRandomLengthString(8);
  const std::string format = in.ConsumeRandomLengthString(40);
  const std::string block = in.ConsumeRemainingBytesAsString();

  LanguageTable table;
  FUZZ_CHECK(Translate(table, english) == english);  // absent: nothing translates
  LoadLanguageTable(table, block, section);
  FUZZ_CHECK(table.present);
  FUZZ_CHECK(table.names.size() == table.values.size());
  const auto entries = fuzz::ReferenceEntries(block, section);
  FUZZ_CHECK(entries.size() == table.names.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    FUZZ_CHECK(table.names[i] == entries[i].first);
    FUZZ_CHECK(table.values[i] == entries[i].second);
  }

  // Each name translates to its first value; names hold no line break, so
  // the key is the name itself.
  for (size_t i = 0; i < table.names.size(); ++i) {
    size_t first = 0;
    while (table.names[first] != table.names[i]) ++first;
    FUZZ_CHECK(Translate(table, table.names[i]) ==
               fuzz::ReferenceReplaceAll(table.values[first], "#13", "\r\n"));
  }
  // A text with a lone LF can match no name; CR LF is looked up as "#13".
  const std::string unmatched = "\n" + english;
  FUZZ_CHECK(Translate(table, unmatched) == unmatched);
  const std::string key = fuzz::ReferenceReplaceAll(english, "\r\n", "#13");
  bool named = false;
  for (const std::string& name : table.names) named = named || name == key;
  if (!named) FUZZ_CHECK(Translate(table, english) == english);

  FUZZ_CHECK(ReplaceAll(english, search, replacement) ==
             fuzz::ReferenceReplaceAll(english, search, replacement));
  FUZZ_CHECK(ReplaceAll(block, search, replacement) ==
             fuzz::ReferenceReplaceAll(block, search, replacement));

  const size_t hit = format.find("%s");
  FUZZ_CHECK(InsertTitle(format, english) ==
             (hit == std::string::npos ? format
                                       : format.substr(0, hit) + english + format.substr(hit + 2)));

  FreeLanguageTable(table);
  FUZZ_CHECK(!table.present && table.names.empty());
  FUZZ_CHECK(Translate(table, english) == english);
  return 0;
}
