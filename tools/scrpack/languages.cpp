#include "tools/scrpack/languages.h"

#include <cctype>
#include <cstddef>
#include <string>

#include "tools/scrpack/unicode.h"

// Embedded from languages/*.lng by the build.
#define SCRPACK_LANGUAGE(symbol)       \
  extern const unsigned char symbol[]; \
  extern const size_t symbol##_size;
SCRPACK_LANGUAGE(kLanguage_de)
SCRPACK_LANGUAGE(kLanguage_fr)
SCRPACK_LANGUAGE(kLanguage_es)
SCRPACK_LANGUAGE(kLanguage_it)
SCRPACK_LANGUAGE(kLanguage_nl)
SCRPACK_LANGUAGE(kLanguage_pt_BR)
SCRPACK_LANGUAGE(kLanguage_pl)
SCRPACK_LANGUAGE(kLanguage_ru)
SCRPACK_LANGUAGE(kLanguage_ja)
SCRPACK_LANGUAGE(kLanguage_zh_CN)
#undef SCRPACK_LANGUAGE

namespace scrpack {
namespace {

std::string_view Text(const unsigned char* bytes, size_t size) {
  return std::string_view(reinterpret_cast<const char*>(bytes), size);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = static_cast<char>(std::tolower(static_cast<unsigned char>(a[i])));
    char y = static_cast<char>(std::tolower(static_cast<unsigned char>(b[i])));
    if (x == '_') x = '-';
    if (y == '_') y = '-';
    if (x != y) return false;
  }
  return true;
}

}  // namespace

const std::vector<ShippedLanguage>& ShippedLanguages() {
  static const std::vector<ShippedLanguage> languages = {
      {"de", "German", "Deutsch", 1252, Text(kLanguage_de, kLanguage_de_size)},
      {"fr", "French",
       "Fran\xC3\xA7"
       "ais",
       1252, Text(kLanguage_fr, kLanguage_fr_size)},
      {"es", "Spanish", "Espa\xC3\xB1ol", 1252, Text(kLanguage_es, kLanguage_es_size)},
      {"it", "Italian", "Italiano", 1252, Text(kLanguage_it, kLanguage_it_size)},
      {"nl", "Dutch", "Nederlands", 1252, Text(kLanguage_nl, kLanguage_nl_size)},
      {"pt-BR", "Brazilian Portuguese", "Portugu\xC3\xAAs (Brasil)", 1252,
       Text(kLanguage_pt_BR, kLanguage_pt_BR_size)},
      {"pl", "Polish", "Polski", 1250, Text(kLanguage_pl, kLanguage_pl_size)},
      {"ru", "Russian", "\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9", 1251,
       Text(kLanguage_ru, kLanguage_ru_size)},
      {"ja", "Japanese", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", 932,
       Text(kLanguage_ja, kLanguage_ja_size)},
      {"zh-CN", "Simplified Chinese", "\xE7\xAE\x80\xE4\xBD\x93\xE4\xB8\xAD\xE6\x96\x87", 936,
       Text(kLanguage_zh_CN, kLanguage_zh_CN_size)},
  };
  return languages;
}

const ShippedLanguage* FindShippedLanguage(std::string_view name) {
  for (const ShippedLanguage& language : ShippedLanguages()) {
    if (SameName(name, language.code) || SameName(name, language.name) ||
        SameName(name, language.native))
      return &language;
  }
  return nullptr;
}

const ShippedLanguage* LikelyShippedLanguage(std::string_view name) {
  // A language without its country ("pt", "zh") or a country's spelling
  // with the wrong separator ("pt_br" is found already).
  for (const ShippedLanguage& language : ShippedLanguages()) {
    const std::string_view code = language.code;
    const size_t dash = code.find('-');
    if (dash != std::string_view::npos && SameName(name, code.substr(0, dash))) return &language;
  }
  return nullptr;
}

std::string UnknownLanguageMessage(std::string_view name) {
  std::string message =
      "\"" + std::string(name) + "\" is neither a language file nor a shipped language";
  if (const ShippedLanguage* likely = LikelyShippedLanguage(name))
    return message + "; did you mean " + likely->code + " (" + likely->name + ")?";
  return message + " (scrpack language list shows them)";
}

std::string ShippedCodePageProblem(const ShippedLanguage& language, int code_page) {
  std::string bytes;
  size_t bad = 0;
  if (EncodeToCodePage(language.text, code_page, &bytes, &bad)) return "";
  return std::string(language.name) + " needs code page " + std::to_string(language.code_page) +
         ", not " + std::to_string(code_page) + ", which cannot hold its letters";
}

const ShippedLanguage* ShippedLanguageOfBlock(std::string_view language_block) {
  for (const ShippedLanguage& language : ShippedLanguages()) {
    std::string bytes;
    size_t bad = 0;
    if (EncodeToCodePage(language.text, language.code_page, &bytes, &bad) &&
        bytes == language_block)
      return &language;
  }
  return nullptr;
}

}  // namespace scrpack
