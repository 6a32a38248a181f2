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

// For a name that is no shipped language: the one the author most likely
// meant ("pt" is pt-BR, "zh" zh-CN), or nullptr.
const ShippedLanguage* LikelyShippedLanguage(std::string_view name);

// "--language \"pt\" is neither a language file nor a shipped language; did
// you mean pt-BR (Brazilian Portuguese)?" and the like.
std::string UnknownLanguageMessage(std::string_view name);

// The one line to say when `code_page` cannot hold the shipped language's
// texts ("Russian needs code page 1251, not 1252"), "" when it can.
std::string ShippedCodePageProblem(const ShippedLanguage& language, int code_page);

// The shipped language whose text `language_block` (package bytes) is,
// or nullptr.
const ShippedLanguage* ShippedLanguageOfBlock(std::string_view language_block);

}  // namespace scrpack
