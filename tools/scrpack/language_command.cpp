// scrpack language template | check | list, and --version.
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

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

int RunLanguageCheck(const std::string& file, std::optional<int> code_page,
                     const ReportOptions& report) {
  std::string bytes, where = file, encoding;
  int cp = code_page.value_or(1252);
  const ShippedLanguage* shipped = nullptr;
  Findings findings;
  std::error_code ec;
  const bool exists = std::filesystem::exists(file, ec);
  if (!exists) shipped = FindShippedLanguage(file);
  if (shipped) {
    where = std::string("languages/") + shipped->code + ".lng";
    if (!code_page) cp = shipped->code_page;
    encoding = "UTF-8";
    // One line, not one per letter the code page lacks.
    const std::string problem = ShippedCodePageProblem(*shipped, cp);
    if (!problem.empty())
      findings.Error(where + ": " + problem);
    else
      CheckLanguage(shipped->text, cp, where, &findings);
  } else if (!exists && LikelyShippedLanguage(file)) {
    findings.InputOutputError("language check: " + UnknownLanguageMessage(file));
  } else {
    std::string error;
    bool too_large = false;
    AuthorText text;
    if (!ReadInputFile("language check", file, 16 << 20, &bytes, &error, &too_large)) {
      if (too_large)
        findings.Error(error);
      else
        findings.InputOutputError(error);
    } else if (!DecodeAuthorText(bytes, cp, &text, &error)) {
      findings.Error(where + ": " + error);
    } else {
      encoding = text.encoding;
      CheckLanguage(text.utf8, cp, where, &findings);
    }
  }
  if (report.warnings_as_errors) findings.MakeWarningsErrors();
  const int exit_code = findings.HasInputOutputErrors() ? kExitInputOutput
                        : findings.HasErrors()          ? kExitBadArguments
                                                        : kExitOk;
  if (report.json) {
    nlohmann::ordered_json j;
    j["file"] = where;
    j["encoding"] =
        encoding.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(encoding);
    j["code_page"] = cp;
    j["errors"] = nlohmann::ordered_json::array();
    j["warnings"] = nlohmann::ordered_json::array();
    for (const Finding& f : findings.items()) j[f.error ? "errors" : "warnings"].push_back(f.text);
    j["exit_code"] = exit_code;
    std::cout << j.dump(2, ' ', true) << "\n";
    return exit_code;
  }
  if (findings.HasInputOutputErrors()) {
    findings.Print(std::cerr);
    return exit_code;
  }
  for (const Finding& f : findings.items())
    if (f.error || !report.quiet)
      std::cout << "scrpack: " << (f.error ? "error: " : "warning: ") << f.text << "\n";
  if (!report.quiet || findings.HasErrors())
    std::cout << where << ": " << (encoding.empty() ? "" : encoding + ", ") << "for code page "
              << cp << ": " << Counted(findings.ErrorCount(), "error", "errors") << ", "
              << Counted(findings.WarningCount(), "warning", "warnings") << "\n";
  return exit_code;
}

}  // namespace scrpack
