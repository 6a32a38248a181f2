#include "package/language.h"

namespace scr {

void LoadLanguageTable(LanguageTable& table, std::string_view block, std::string_view section) {
  table.names.clear();
  table.values.clear();
  table.present = true;

  size_t nul = block.find('\0');
  if (nul != std::string_view::npos) block = block.substr(0, nul);

  std::string_view current;  // lines before the first header: the empty section
  size_t pos = 0;
  while (pos < block.size()) {
    size_t end = block.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = block.size();
    std::string_view line = block.substr(pos, end - pos);
    // CR LF is one break; a lone CR or LF is one break too.
    pos = end;
    if (pos < block.size())
      pos += (block[pos] == '\r' && pos + 1 < block.size() && block[pos + 1] == '\n') ? 2 : 1;

    size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      current = line;
    } else if (section.empty() || current == section) {
      // A string made here and moved in: the program then needs only one
      // copy of a string vector's growth code, whatever the source.
      table.names.push_back(std::string(line.substr(0, eq)));
      table.values.push_back(std::string(line.substr(eq + 1)));
    }
  }
}

std::string Translate(const LanguageTable& table, std::string_view english) {
  if (!table.present) return std::string(english);
  std::string key = ReplaceAll(english, "\r\n", "#13");
  for (size_t i = 0; i < table.names.size(); ++i) {
    if (table.names[i] == key) return ReplaceAll(table.values[i], "#13", "\r\n");
  }
  return std::string(english);
}

void FreeLanguageTable(LanguageTable& table) {
  table.names.clear();
  table.names.shrink_to_fit();
  table.values.clear();
  table.values.shrink_to_fit();
  table.present = false;
}

std::string ReplaceAll(std::string_view text, std::string_view search,
                       std::string_view replacement) {
  if (search.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  for (size_t hit; (hit = text.find(search, pos)) != std::string_view::npos;
       pos = hit + search.size()) {
    out.append(text.substr(pos, hit - pos));
    out.append(replacement);
  }
  out.append(text.substr(pos));
  return out;
}

std::string InsertTitle(std::string_view format, std::string_view argument) {
  size_t hit = format.find("%s");
  if (hit == std::string_view::npos) return std::string(format);
  std::string out(format.substr(0, hit));
  out.append(argument);
  out.append(format.substr(hit + 2));
  return out;
}

}  // namespace scr
