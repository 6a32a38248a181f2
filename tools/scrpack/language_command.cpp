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

namespace {

// What a language check found, and of what.
struct LanguageCheckResult {
  std::string where, encoding;
  int code_page = 1252;
  Findings findings;
};

// A shipped language, in UTF-8; one line, not one per letter, when the code
// page lacks letters of it.
void CheckShippedLanguage(const ShippedLanguage& shipped, bool code_page_given,
                          LanguageCheckResult* r) {
  r->where = std::string("languages/") + shipped.code + ".lng";
  if (!code_page_given) r->code_page = shipped.code_page;
  r->encoding = "UTF-8";
  const std::string problem = ShippedCodePageProblem(shipped, r->code_page);
  if (!problem.empty())
    r->findings.Error(r->where + ": " + problem);
  else
    CheckLanguage(shipped.text, r->code_page, r->where, &r->findings);
}

// The author's language file, decoded as the build decodes it.
void CheckLanguageFile(const std::string& file, LanguageCheckResult* r) {
  std::string bytes, error;
  bool too_large = false;
  AuthorText text;
  if (!ReadInputFile("language check", file, 16 << 20, &bytes, &error, &too_large)) {
    if (too_large)
      r->findings.Error(error);
    else
      r->findings.InputOutputError(error);
  } else if (!DecodeAuthorText(bytes, r->code_page, &text, &error)) {
    r->findings.Error(r->where + ": " + error);
  } else {
    r->encoding = text.encoding;
    CheckLanguage(text.utf8, r->code_page, r->where, &r->findings);
  }
}

void PrintJson(const LanguageCheckResult& r, int exit_code) {
  nlohmann::ordered_json j;
  j["file"] = r.where;
  j["encoding"] =
      r.encoding.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(r.encoding);
  j["code_page"] = r.code_page;
  j["errors"] = nlohmann::ordered_json::array();
  j["warnings"] = nlohmann::ordered_json::array();
  for (const Finding& f : r.findings.items()) j[f.error ? "errors" : "warnings"].push_back(f.text);
  j["exit_code"] = exit_code;
  std::cout << j.dump(2, ' ', true) << "\n";
}

// The findings, then a summary line.
void PrintText(const LanguageCheckResult& r, const ReportOptions& report) {
  const Findings& findings = r.findings;
  for (const Finding& f : findings.items())
    if (f.error || !report.quiet)
      std::cout << "scrpack: " << (f.error ? "error: " : "warning: ") << f.text << "\n";
  if (!report.quiet || findings.HasErrors())
    std::cout << r.where << ": " << (r.encoding.empty() ? "" : r.encoding + ", ")
              << "for code page " << r.code_page << ": "
              << Counted(findings.ErrorCount(), "error", "errors") << ", "
              << Counted(findings.WarningCount(), "warning", "warnings") << "\n";
}

}  // namespace

int RunLanguageCheck(const std::string& file, std::optional<int> code_page,
                     const ReportOptions& report) {
  LanguageCheckResult r;
  r.where = file;
  r.code_page = code_page.value_or(1252);
  std::error_code ec;
  const bool exists = std::filesystem::exists(file, ec);
  const ShippedLanguage* shipped = exists ? nullptr : FindShippedLanguage(file);
  if (shipped)
    CheckShippedLanguage(*shipped, code_page.has_value(), &r);
  else if (!exists && LikelyShippedLanguage(file))
    r.findings.InputOutputError("language check: " + UnknownLanguageMessage(file));
  else
    CheckLanguageFile(file, &r);

  if (report.warnings_as_errors) r.findings.MakeWarningsErrors();
  const int exit_code = r.findings.HasInputOutputErrors() ? kExitInputOutput
                        : r.findings.HasErrors()          ? kExitBadArguments
                                                          : kExitOk;
  if (report.json)
    PrintJson(r, exit_code);
  else if (r.findings.HasInputOutputErrors())
    r.findings.Print(std::cerr);
  else
    PrintText(r, report);
  return exit_code;
}

}  // namespace scrpack
