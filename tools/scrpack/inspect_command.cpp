// scrpack inspect: what a file holds and what is wrong with it. The verdict
// on the layout comes from the setup program's own loader (scr::ReadPackage);
// the checks here explain it, so inspect and the setup never disagree. The
// record's fields and the language block then go through the same checks as
// build. Texts are shown decoded from the package's code page, never as raw
// bytes. Nothing is allocated from a size field beyond what the file holds.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "package/loader.h"
#include "package/record.h"
#include "tools/scrpack/commands.h"
#include "tools/scrpack/language_check.h"
#include "tools/scrpack/languages.h"
#include "tools/scrpack/package_checks.h"
#include "tools/scrpack/stream_file.h"
#include "tools/scrpack/text_input.h"
#include "tools/scrpack/unicode.h"

namespace scrpack {
namespace {

// Keys in the order a reader expects them, not sorted.
using json = nlohmann::ordered_json;

struct Report {
  int code_page = 1252;
  bool code_page_guessed = false;            // taken from the shipped language the package carries
  const ShippedLanguage* shipped = nullptr;  // the shipped language the package carries
  int64_t file_size = 0;
  int64_t package_end = -1;
  scr::TrailerKind trailer = scr::TrailerKind::kNone;
  bool have_record = false;
  scr::SetupRecord record{};
  scr::PackageBlocks blocks;
  scr::LoadStatus verdict = scr::LoadStatus::kCorrupted;
  std::vector<std::pair<std::string, std::string>> language;
  std::vector<std::string> problems;  // why it does not load or install as meant
  std::vector<std::string> warnings;  // loads, but is not what a builder writes
};

std::string Num(int64_t n) { return std::to_string(n); }

std::string ReplaceQuotes(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '"' ? std::string("\\\"") : std::string(1, c);
  return out;
}

// Package bytes as text: decoded with the package's code page, control
// characters and bytes the code page lacks as escapes.
std::string Text(const std::string& bytes, int code_page) {
  std::string out;
  for (char c : ShowPackageText(bytes, code_page)) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof(hex), "\\x%02X", u);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

std::string Quoted(const std::string& bytes, int code_page) {
  return "\"" + ReplaceQuotes(Text(bytes, code_page)) + "\"";
}

std::string TrailerName(scr::TrailerKind kind) {
  switch (kind) {
    case scr::TrailerKind::kSetup:
      return scr::SetupTrailer();
    case scr::TrailerKind::kUninstaller:
      return scr::UninstallerTrailer();
    case scr::TrailerKind::kNone:
      break;
  }
  return "";
}

const char* RunKind(const Report& r) {
  if (r.verdict != scr::LoadStatus::kOk) return "invalid";
  return r.trailer == scr::TrailerKind::kSetup ? "setup" : "uninstall";
}

bool HasNul(const char* field, size_t width) { return std::memchr(field, 0, width) != nullptr; }

// The text-block sizes: none negative, the three blocks within the region,
// the region before the record.
void CheckBlockSizes(Report& r) {
  const scr::SetupRecord& rec = r.record;
  const int64_t text = rec.TextBlocksSize, readme = rec.ReadmeSize, license = rec.LicenseSize,
                language = rec.LanguageSize;
  const std::pair<const char*, int64_t> sizes[] = {{"TextBlocksSize", text},
                                                   {"ReadmeSize", readme},
                                                   {"LicenseSize", license},
                                                   {"LanguageSize", language}};
  bool negative = false;
  for (const auto& [name, value] : sizes) {
    if (value < 0) {
      r.problems.push_back(std::string(name) + " is negative (" + Num(value) + ")");
      negative = true;
    }
  }
  if (negative) return;
  const int64_t before_record = r.package_end - scr::kRecordAndTrailerSize;
  if (readme + license + language > text)
    r.problems.push_back("ReadmeSize + LicenseSize + LanguageSize (" +
                         Num(readme + license + language) + ") exceed TextBlocksSize (" +
                         Num(text) + ")");
  if (text > before_record)
    r.problems.push_back("TextBlocksSize (" + Num(text) + ") is larger than the " +
                         Num(before_record) + " bytes before the record");
  if (readme + license + language < text && text <= before_record)
    r.warnings.push_back("the text-block region holds " + Num(text - readme - license - language) +
                         " bytes behind the language block");
}

// What the trailer asks of the record: a setup file's package size, an
// uninstaller copy's signature.
void CheckAgainstTrailer(Report& r) {
  const scr::SetupRecord& rec = r.record;
  const int64_t end = r.package_end;
  const int64_t text = rec.TextBlocksSize;
  if (r.trailer == scr::TrailerKind::kSetup) {
    const int64_t package_size = rec.PackageSize;
    if (package_size < text + scr::kRecordAndTrailerSize)
      r.problems.push_back("PackageSize (" + Num(package_size) +
                           ") is smaller than TextBlocksSize + 946 (" +
                           Num(text + scr::kRecordAndTrailerSize) + ")");
    else if (package_size > end)
      r.problems.push_back("PackageSize (" + Num(package_size) + ") is larger than PackageEnd (" +
                           Num(end) + "): the screensaver would start before the file");
    if (scr::FieldText(rec.RecordSignature) != scr::RecordSignatureText())
      r.warnings.push_back(
          "RecordSignature is " + Quoted(scr::FieldText(rec.RecordSignature), r.code_page) +
          ", not \"SCRSet.sig\": a setup file loads without it, but a builder always writes it "
          "(is the trailer part of the screensaver's own data?)");
  } else if (r.trailer == scr::TrailerKind::kUninstaller) {
    if (scr::FieldText(rec.RecordSignature) != scr::RecordSignatureText())
      r.problems.push_back("RecordSignature is " +
                           Quoted(scr::FieldText(rec.RecordSignature), r.code_page) +
                           ", but an uninstaller copy needs \"SCRSet.sig\"");
  }
}

// Text fields that run to their end, short strings longer than they may be.
void CheckFieldEnds(Report& r) {
  const scr::SetupRecord& rec = r.record;
  if (!HasNul(rec.ScrTitle, sizeof(rec.ScrTitle)))
    r.warnings.push_back("ScrTitle has no NUL within its 32 bytes");
  if (!HasNul(rec.ScrFileName, sizeof(rec.ScrFileName)))
    r.warnings.push_back("ScrFileName has no NUL within its 256 bytes");
  if (!HasNul(rec.LinkAddress, sizeof(rec.LinkAddress)))
    r.warnings.push_back("LinkAddress has no NUL within its 102 bytes");
  if (rec.DestFolder[0] > scr::kShortStringMax)
    r.warnings.push_back("DestFolder's length byte is " + Num(rec.DestFolder[0]) +
                         " (at most 250)");
  if (rec.DestSubfolder[0] > scr::kShortStringMax)
    r.warnings.push_back("DestSubfolder's length byte is " + Num(rec.DestSubfolder[0]) +
                         " (at most 250)");
}

void CheckRecord(Report& r) {
  CheckBlockSizes(r);
  CheckAgainstTrailer(r);
  CheckFieldEnds(r);
}

// The checks build runs, on the record and the blocks as they stand.
void CheckAsBuildDoes(StreamFile& file, const scr::LoadedPackage& package, Report& r) {
  std::string head;
  if (r.trailer == scr::TrailerKind::kSetup) {
    head.resize(static_cast<size_t>(std::min<int64_t>(r.blocks.screensaver.size, 4096)));
    if (!file.Seek(r.blocks.screensaver.offset) || !file.ReadExact(head.data(), head.size()))
      head.clear();
  }
  Findings findings;
  CheckPackage(r.record, r.code_page, r.record.LicenseSize, head, kRecordNames, &findings);
  if (!package.language_text.empty()) {
    std::string utf8;
    size_t bad = 0;
    if (!DecodeFromCodePage(package.language_text, r.code_page, &utf8, &bad))
      findings.Warning("the language block is not text of code page " + Num(r.code_page) +
                       " (byte " + Num(static_cast<int64_t>(bad)) + ")");
    else
      CheckLanguage(utf8, r.code_page, "language block", &findings);
  }
  for (const Finding& f : findings.items()) (f.error ? r.problems : r.warnings).push_back(f.text);
}

Report Analyse(StreamFile& file, int64_t size, std::optional<int> code_page) {
  Report r;
  r.file_size = size;
  if (size < scr::kTrailerSize) {
    r.problems.push_back("the file has only " + Num(size) +
                         " bytes, too few for a trailer (10) and a record (936)");
    return r;
  }
  r.package_end = scr::FindPackageEnd(file, size);
  if (r.package_end < 0) {
    r.problems.push_back("no trailer (\"" + scr::SetupTrailer() + "\" or \"" +
                         scr::UninstallerTrailer() + "\") anywhere in the file");
    return r;
  }
  char trailer[scr::kTrailerSize];
  if (file.Seek(r.package_end - scr::kTrailerSize) && file.ReadExact(trailer, sizeof(trailer)))
    r.trailer = scr::ClassifyTrailer(trailer);

  scr::LoadedPackage package;
  r.verdict = scr::ReadPackage(file, package);
  for (size_t i = 0; i < package.table.names.size(); ++i)
    r.language.emplace_back(package.table.names[i], package.table.values[i]);
  r.shipped = ShippedLanguageOfBlock(package.language_text);
  if (code_page) {
    r.code_page = *code_page;
  } else if (r.shipped) {
    r.code_page = r.shipped->code_page;
    r.code_page_guessed = true;
  }

  if (r.package_end < scr::kRecordAndTrailerSize) {
    r.problems.push_back("the trailer ends at " + Num(r.package_end) +
                         ", leaving too few bytes before it for the 936-byte record");
  } else if (file.Seek(r.package_end - scr::kRecordAndTrailerSize) &&
             file.ReadExact(&r.record, sizeof(r.record))) {
    r.have_record = true;
    r.blocks = scr::LocateBlocks(r.record, r.package_end);
    if (r.trailer == scr::TrailerKind::kUninstaller) {
      // No screensaver: the program image runs up to the text blocks.
      r.blocks.program_image = {0, r.blocks.text_region.offset};
      r.blocks.screensaver = {};
    }
    CheckRecord(r);
  } else {
    r.problems.push_back("the record before the trailer cannot be read");
  }

  // A record whose layout is sound but whose names break the rules loads as
  // damaged: the checks of build then say which name.
  if (r.have_record && (r.verdict == scr::LoadStatus::kOk || r.problems.empty()))
    CheckAsBuildDoes(file, package, r);
  if (r.verdict != scr::LoadStatus::kOk && r.problems.empty())
    r.problems.push_back("the setup program would refuse this file as corrupted");
  return r;
}

json Span(const scr::BlockSpan& span) { return {{"offset", span.offset}, {"size", span.size}}; }

json RecordJson(const Report& r) {
  const scr::SetupRecord& rec = r.record;
  // The record is packed: its 32-bit fields may lie at any address, and
  // the JSON constructors take references. Copies of them are aligned.
  const int32_t package_size = rec.PackageSize;
  const int32_t text_blocks_size = rec.TextBlocksSize;
  const int32_t readme_size = rec.ReadmeSize;
  const int32_t license_size = rec.LicenseSize;
  const int32_t language_size = rec.LanguageSize;
  return {
      {"PackageSize", package_size},
      {"ScrFileName", ShowPackageText(scr::FieldText(rec.ScrFileName), r.code_page)},
      {"ScrTitle", ShowPackageText(scr::FieldText(rec.ScrTitle), r.code_page)},
      {"LinkAddress", ShowPackageText(scr::FieldText(rec.LinkAddress), r.code_page)},
      {"AddUninstallEntry", rec.AddUninstallEntry},
      {"AddStartMenuGroup", rec.AddStartMenuGroup},
      {"AddDesktopShortcut", rec.AddDesktopShortcut},
      {"TextBlocksSize", text_blocks_size},
      {"ReadmeSize", readme_size},
      {"LicenseSize", license_size},
      {"LanguageSize", language_size},
      {"DestFolder", ShowPackageText(scr::ShortStringText(rec.DestFolder), r.code_page)},
      {"DestSubfolder", ShowPackageText(scr::ShortStringText(rec.DestSubfolder), r.code_page)},
      {"SkipFolderPage", rec.SkipFolderPage},
      {"RecordSignature", ShowPackageText(scr::FieldText(rec.RecordSignature), r.code_page)},
      {"LicenseMode", rec.LicenseMode},
  };
}

json BlocksJson(const Report& r) {
  const bool uninstaller = r.trailer == scr::TrailerKind::kUninstaller;
  return {
      {"program_image", Span(r.blocks.program_image)},
      {"screensaver", uninstaller ? json(nullptr) : Span(r.blocks.screensaver)},
      {"text_region", Span(r.blocks.text_region)},
      {"readme", Span(r.blocks.readme)},
      {"license", Span(r.blocks.license)},
      {"language", Span(r.blocks.language)},
  };
}

json ToJson(const Report& r) {
  json j;
  j["file_size"] = r.file_size;
  j["package_end"] = r.package_end >= 0 ? json(r.package_end) : json(nullptr);
  j["appended_bytes"] = r.package_end >= 0 ? json(r.file_size - r.package_end) : json(nullptr);
  j["trailer"] =
      r.trailer == scr::TrailerKind::kNone ? json(nullptr) : json(TrailerName(r.trailer));
  j["run_kind"] = RunKind(r);
  j["code_page"] = r.code_page;
  j["record"] = r.have_record ? RecordJson(r) : json(nullptr);
  j["blocks"] = r.have_record ? BlocksJson(r) : json(nullptr);
  j["shipped_language"] =
      r.shipped ? json{{"code", r.shipped->code}, {"name", r.shipped->name}} : json(nullptr);
  j["language"] = json::array();
  for (const auto& [name, value] : r.language)
    j["language"].push_back({{"name", ShowPackageText(name, r.code_page)},
                             {"value", ShowPackageText(value, r.code_page)}});
  // Messages quote record bytes already decoded, so they are UTF-8.
  j["problems"] = json::array();
  for (const std::string& p : r.problems) j["problems"].push_back(p);
  j["warnings"] = json::array();
  for (const std::string& w : r.warnings) j["warnings"].push_back(w);
  return j;
}

// Where the package lies in the file and what kind it is.
void PrintOverview(std::ostream& o, const std::string& path, const Report& r) {
  o << "File:         " << path << " (" << r.file_size << " bytes)\n";
  if (r.package_end >= 0) {
    o << "Package end:  " << r.package_end;
    if (r.file_size > r.package_end)
      o << " (" << r.file_size - r.package_end << " bytes appended after the trailer)";
    o << "\n";
  }
  o << "Trailer:      " << (r.trailer == scr::TrailerKind::kNone ? "none" : TrailerName(r.trailer))
    << "\n";
  o << "Run kind:     " << RunKind(r) << "\n";
  o << "Code page:    " << r.code_page
    << (r.code_page_guessed ? " (of the shipped language it carries)" : "") << "\n";
}

void PrintRecord(std::ostream& o, const Report& r) {
  const scr::SetupRecord& rec = r.record;
  o << "Record:\n";
  o << "  PackageSize         " << rec.PackageSize << "\n";
  o << "  ScrFileName         " << Quoted(scr::FieldText(rec.ScrFileName), r.code_page) << "\n";
  o << "  ScrTitle            " << Quoted(scr::FieldText(rec.ScrTitle), r.code_page) << "\n";
  o << "  LinkAddress         " << Quoted(scr::FieldText(rec.LinkAddress), r.code_page) << "\n";
  o << "  AddUninstallEntry   " << int(rec.AddUninstallEntry) << "\n";
  o << "  AddStartMenuGroup   " << int(rec.AddStartMenuGroup) << "\n";
  o << "  AddDesktopShortcut  " << int(rec.AddDesktopShortcut) << "\n";
  o << "  TextBlocksSize      " << rec.TextBlocksSize << "\n";
  o << "  ReadmeSize          " << rec.ReadmeSize << "\n";
  o << "  LicenseSize         " << rec.LicenseSize << "\n";
  o << "  LanguageSize        " << rec.LanguageSize << "\n";
  o << "  DestFolder          " << Quoted(scr::ShortStringText(rec.DestFolder), r.code_page)
    << "\n";
  o << "  DestSubfolder       " << Quoted(scr::ShortStringText(rec.DestSubfolder), r.code_page)
    << "\n";
  o << "  SkipFolderPage      " << int(rec.SkipFolderPage) << "\n";
  o << "  RecordSignature     " << Quoted(scr::FieldText(rec.RecordSignature), r.code_page) << "\n";
  o << "  LicenseMode         " << int(rec.LicenseMode) << "\n";
}

void PrintBlocks(std::ostream& o, const Report& r) {
  o << "Blocks (offset, size):\n";
  auto line = [&](const char* name, const scr::BlockSpan& s) {
    o << "  " << name << std::string(16 - std::strlen(name), ' ') << s.offset << ", " << s.size
      << "\n";
  };
  line("program image", r.blocks.program_image);
  if (r.trailer != scr::TrailerKind::kUninstaller) line("screensaver", r.blocks.screensaver);
  line("readme", r.blocks.readme);
  line("licence", r.blocks.license);
  line("language", r.blocks.language);
}

void PrintLanguage(std::ostream& o, const Report& r) {
  o << "Language:     "
    << (r.shipped            ? std::string(r.shipped->code) + " (" + r.shipped->name + "), "
        : r.language.empty() ? std::string("English, ")
                             : std::string("the author's own, "))
    << r.language.size() << " entries in section \"Setup\"\n";
  for (const auto& [name, value] : r.language)
    o << "  " << Quoted(name, r.code_page) << " = " << Quoted(value, r.code_page) << "\n";
}

void PrintFindings(std::ostream& o, const Report& r) {
  for (const std::string& w : r.warnings) o << "Warning: " << w << "\n";
  if (r.problems.empty()) {
    o << "Problems:     none\n";
  } else {
    o << "Problems:\n";
    for (const std::string& p : r.problems) o << "  - " << p << "\n";
  }
}

void PrintText(const std::string& path, const Report& r) {
  std::ostream& o = std::cout;
  PrintOverview(o, path, r);
  if (r.have_record) {
    PrintRecord(o, r);
    PrintBlocks(o, r);
  }
  PrintLanguage(o, r);
  PrintFindings(o, r);
}

// inspect --text: one block, decoded, as the user will read it.
int PrintBlock(StreamFile& file, const Report& r, const std::string& which) {
  if (r.verdict != scr::LoadStatus::kOk || !r.have_record) {
    std::cerr << "scrpack: error: inspect: the file is no package the setup program loads\n";
    return kExitInvalidPackage;
  }
  const scr::BlockSpan& span = which == "readme"    ? r.blocks.readme
                               : which == "license" ? r.blocks.license
                                                    : r.blocks.language;
  std::string bytes(static_cast<size_t>(std::max<int64_t>(span.size, 0)), '\0');
  if (!bytes.empty() && (!file.Seek(span.offset) || !file.ReadExact(bytes.data(), bytes.size()))) {
    std::cerr << "scrpack: error: inspect: cannot read the " << which << " block\n";
    return kExitInputOutput;
  }
  if (bytes.empty()) {
    std::cerr << "scrpack: inspect: the package carries no " << which << "\n";
    return kExitOk;
  }
  std::cout << ShowPackageText(bytes, r.code_page);
  if (bytes.back() != '\n') std::cout << "\n";
  return kExitOk;
}

}  // namespace

int RunInspect(const std::string& path, bool as_json, std::optional<int> code_page,
               const std::string& text) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    std::cerr << "scrpack: error: inspect: \"" << path << "\" is a folder\n";
    return kExitInputOutput;
  }
  StreamFile file(path, false);
  const int64_t size = file.is_open() ? file.Size() : -1;
  if (size < 0) {
    std::cerr << "scrpack: error: inspect: cannot read \"" << path << "\"\n";
    return kExitInputOutput;
  }
  const Report report = Analyse(file, size, code_page);
  if (!text.empty()) return PrintBlock(file, report, text);
  if (as_json)
    std::cout << ToJson(report).dump(2, ' ', true) << "\n";
  else
    PrintText(path, report);
  return report.problems.empty() && report.verdict == scr::LoadStatus::kOk ? kExitOk
                                                                           : kExitInvalidPackage;
}

}  // namespace scrpack
