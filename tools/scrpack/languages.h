// The translations shipped with the tool (languages/*.lng, UTF-8), each
// packed in the ANSI code page that Windows uses for its language.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace scrpack {

struct ShippedLanguage {
  const char* code;    // "de", "pt-BR"
  const char* name;    // "German"
  const char* native;  // "Deutsch"
  int code_page;
  std::string_view text;  // the language file, UTF-8
};

const std::vector<ShippedLanguage>& ShippedLanguages();

// By code, English name or native name, letter case ignored ("de", "German",
// "deutsch"); "pt_BR" is "pt-BR". nullptr when there is none.
const ShippedLanguage* FindShippedLanguage(std::string_view name);

}  // namespace scrpack
