// scrpack language template | check | list, and --version.
#include <filesystem>
#include <iostream>

#include "tools/scrpack/commands.h"
#include "tools/scrpack/language_check.h"
#include "tools/scrpack/languages.h"
#include "tools/scrpack/text_input.h"

extern const size_t kStubImage_size;

namespace scrpack {

std::string VersionLine() {
  return std::string("scrpack ") + SCRPACK_VERSION + " (setup program " +
         std::to_string(kStubImage_size) + " bytes)";
}

int RunLanguageTemplate() {
  std::cout << LanguageTemplate();
  return kExitOk;
}

int RunLanguageList() {
  std::cout << "Code   Code page  Language\n";
  for (const ShippedLanguage& l : ShippedLanguages()) {
    std::string code = l.code;
    code.resize(7, ' ');
    std::string page = std::to_string(l.code_page);
    page.resize(11, ' ');
    std::cout << code << page << l.name << " (" << l.native << ")\n";
  }
  std::cout << "Use one with: scrpack build --language CODE ...\n";
  return kExitOk;
}

int RunLanguageCheck(const std::string& file, std::optional<int> code_page) {
  std::string bytes, where = file;
  int cp = code_page.value_or(1252);
  const ShippedLanguage* shipped = nullptr;
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) shipped = FindShippedLanguage(file);
  if (shipped) {
    bytes.assign(shipped->text);
    where = std::string("languages/") + shipped->code + ".lng";
    if (!code_page) cp = shipped->code_page;
  } else {
    std::string error;
    bool too_large = false;
    if (!ReadInputFile("language check", file, 16 << 20, &bytes, &error, &too_large)) {
      std::cerr << "scrpack: " << error << "\n";
      return too_large ? kExitBadArguments : kExitInputOutput;
    }
  }
  AuthorText text;
  std::string error;
  Findings findings;
  if (!DecodeAuthorText(bytes, cp, &text, &error))
    findings.Error(where + ": " + error);
  else
    CheckLanguage(text.utf8, cp, where, &findings);
  findings.Print(std::cout);
  std::cout << where << ": " << text.encoding << ", for code page " << cp << ": "
            << findings.ErrorCount() << " errors, " << findings.WarningCount() << " warnings\n";
  return findings.HasErrors() ? kExitBadArguments : kExitOk;
}

}  // namespace scrpack
