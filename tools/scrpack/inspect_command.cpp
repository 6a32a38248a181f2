// scrpack inspect: what a file holds and what is wrong with it. The verdict
// comes from the setup program's own loader (scr::ReadPackage); the checks
// here only explain it, so inspect and the setup never disagree. Nothing is
// allocated from a size field beyond what the file holds.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "package/loader.h"
#include "package/record.h"
#include "tools/scrpack/commands.h"
#include "tools/scrpack/stream_file.h"

namespace scrpack {
namespace {

// Keys in the order a reader expects them, not sorted.
using json = nlohmann::ordered_json;

struct Report {
  int64_t file_size = 0;
  int64_t package_end = -1;
  scr::TrailerKind trailer = scr::TrailerKind::kNone;
  bool have_record = false;
  scr::SetupRecord record{};
  scr::PackageBlocks blocks;
  scr::LoadStatus verdict = scr::LoadStatus::kCorrupted;
  std::vector<std::pair<std::string, std::string>> language;
  std::vector<std::string> problems;  // why the setup program refuses the file
  std::vector<std::string> warnings;  // loads, but is not what a builder writes
};

std::string Num(int64_t n) { return std::to_string(n); }

std::string Quoted(const std::string& bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c == '"') {
      out += "\\\"";
    } else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof(hex), "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// Package text is bytes in some ANSI code page; JSON wants Unicode. Every
// byte is taken as the Latin-1 character of the same number, so the output
// is always valid (and, dumped as ASCII, shows bytes above 127 as \u00XX).
std::string Latin1(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
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

void CheckRecord(Report& r) {
  const scr::SetupRecord& rec = r.record;
  const int64_t end = r.package_end;
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
  const int64_t before_record = end - scr::kRecordAndTrailerSize;
  if (!negative) {
    if (readme + license + language > text)
      r.problems.push_back("ReadmeSize + LicenseSize + LanguageSize (" +
                           Num(readme + license + language) + ") exceed TextBlocksSize (" +
                           Num(text) + ")");
    if (text > before_record)
      r.problems.push_back("TextBlocksSize (" + Num(text) + ") is larger than the " +
                           Num(before_record) + " bytes before the record");
    if (readme + license + language < text && text <= before_record)
      r.warnings.push_back("the text-block region holds " +
                           Num(text - readme - license - language) +
                           " bytes behind the language block");
  }

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
          "RecordSignature is " + Quoted(scr::FieldText(rec.RecordSignature)) +
          ", not \"SCRSet.sig\": a setup file loads without it, but a builder always writes it "
          "(is the trailer part of the screensaver's own data?)");
  } else if (r.trailer == scr::TrailerKind::kUninstaller) {
    if (scr::FieldText(rec.RecordSignature) != scr::RecordSignatureText())
      r.problems.push_back("RecordSignature is " + Quoted(scr::FieldText(rec.RecordSignature)) +
                           ", but an uninstaller copy needs \"SCRSet.sig\"");
  }

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
  if (license > 0 && !scr::LicensePageInUse(rec))
    r.warnings.push_back("a licence text is present, but LicenseMode " + Num(rec.LicenseMode) +
                         " shows no licence page");
}

Report Analyse(StreamFile& file, int64_t size) {
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

  scr::LoadedPackage package;
  r.verdict = scr::ReadPackage(file, package);
  for (size_t i = 0; i < package.table.names.size(); ++i)
    r.language.emplace_back(package.table.names[i], package.table.values[i]);
  if (r.verdict != scr::LoadStatus::kOk && r.problems.empty())
    r.problems.push_back("the setup program would refuse this file as corrupted");
  return r;
}

json Span(const scr::BlockSpan& span) { return {{"offset", span.offset}, {"size", span.size}}; }

json ToJson(const Report& r) {
  json j;
  j["file_size"] = r.file_size;
  j["package_end"] = r.package_end >= 0 ? json(r.package_end) : json(nullptr);
  j["appended_bytes"] = r.package_end >= 0 ? json(r.file_size - r.package_end) : json(nullptr);
  j["trailer"] =
      r.trailer == scr::TrailerKind::kNone ? json(nullptr) : json(TrailerName(r.trailer));
  j["run_kind"] = RunKind(r);
  if (r.have_record) {
    const scr::SetupRecord& rec = r.record;
    j["record"] = {
        {"PackageSize", rec.PackageSize},
        {"ScrFileName", Latin1(scr::FieldText(rec.ScrFileName))},
        {"ScrTitle", Latin1(scr::FieldText(rec.ScrTitle))},
        {"LinkAddress", Latin1(scr::FieldText(rec.LinkAddress))},
        {"AddUninstallEntry", rec.AddUninstallEntry},
        {"AddStartMenuGroup", rec.AddStartMenuGroup},
        {"AddDesktopShortcut", rec.AddDesktopShortcut},
        {"TextBlocksSize", rec.TextBlocksSize},
        {"ReadmeSize", rec.ReadmeSize},
        {"LicenseSize", rec.LicenseSize},
        {"LanguageSize", rec.LanguageSize},
        {"DestFolder", Latin1(scr::ShortStringText(rec.DestFolder))},
        {"DestSubfolder", Latin1(scr::ShortStringText(rec.DestSubfolder))},
        {"SkipFolderPage", rec.SkipFolderPage},
        {"RecordSignature", Latin1(scr::FieldText(rec.RecordSignature))},
        {"LicenseMode", rec.LicenseMode},
    };
    const bool uninstaller = r.trailer == scr::TrailerKind::kUninstaller;
    j["blocks"] = {
        {"program_image", Span(r.blocks.program_image)},
        {"screensaver", uninstaller ? json(nullptr) : Span(r.blocks.screensaver)},
        {"text_region", Span(r.blocks.text_region)},
        {"readme", Span(r.blocks.readme)},
        {"license", Span(r.blocks.license)},
        {"language", Span(r.blocks.language)},
    };
  } else {
    j["record"] = nullptr;
    j["blocks"] = nullptr;
  }
  j["language"] = json::array();
  for (const auto& [name, value] : r.language)
    j["language"].push_back({{"name", Latin1(name)}, {"value", Latin1(value)}});
  // Messages quote record bytes as they stand (a damaged signature may hold
  // any byte), so they take the same byte-to-character mapping.
  j["problems"] = json::array();
  for (const std::string& p : r.problems) j["problems"].push_back(Latin1(p));
  j["warnings"] = json::array();
  for (const std::string& w : r.warnings) j["warnings"].push_back(Latin1(w));
  return j;
}

void PrintText(const std::string& path, const Report& r) {
  std::ostream& o = std::cout;
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
  if (r.have_record) {
    const scr::SetupRecord& rec = r.record;
    o << "Record:\n";
    o << "  PackageSize         " << rec.PackageSize << "\n";
    o << "  ScrFileName         " << Quoted(scr::FieldText(rec.ScrFileName)) << "\n";
    o << "  ScrTitle            " << Quoted(scr::FieldText(rec.ScrTitle)) << "\n";
    o << "  LinkAddress         " << Quoted(scr::FieldText(rec.LinkAddress)) << "\n";
    o << "  AddUninstallEntry   " << int(rec.AddUninstallEntry) << "\n";
    o << "  AddStartMenuGroup   " << int(rec.AddStartMenuGroup) << "\n";
    o << "  AddDesktopShortcut  " << int(rec.AddDesktopShortcut) << "\n";
    o << "  TextBlocksSize      " << rec.TextBlocksSize << "\n";
    o << "  ReadmeSize          " << rec.ReadmeSize << "\n";
    o << "  LicenseSize         " << rec.LicenseSize << "\n";
    o << "  LanguageSize        " << rec.LanguageSize << "\n";
    o << "  DestFolder          " << Quoted(scr::ShortStringText(rec.DestFolder)) << "\n";
    o << "  DestSubfolder       " << Quoted(scr::ShortStringText(rec.DestSubfolder)) << "\n";
    o << "  SkipFolderPage      " << int(rec.SkipFolderPage) << "\n";
    o << "  RecordSignature     " << Quoted(scr::FieldText(rec.RecordSignature)) << "\n";
    o << "  LicenseMode         " << int(rec.LicenseMode) << "\n";
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
  o << "Language:     " << r.language.size() << " entries in section \"Setup\"\n";
  for (const auto& [name, value] : r.language)
    o << "  " << Quoted(name) << " = " << Quoted(value) << "\n";
  for (const std::string& w : r.warnings) o << "Warning: " << w << "\n";
  if (r.problems.empty()) {
    o << "Problems:     none\n";
  } else {
    o << "Problems:\n";
    for (const std::string& p : r.problems) o << "  - " << p << "\n";
  }
}

}  // namespace

int RunInspect(const std::string& path, bool as_json) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    std::cerr << "scrpack: inspect: \"" << path << "\" is a folder\n";
    return kExitInputOutput;
  }
  StreamFile file(path, false);
  const int64_t size = file.is_open() ? file.Size() : -1;
  if (size < 0) {
    std::cerr << "scrpack: inspect: cannot read \"" << path << "\"\n";
    return kExitInputOutput;
  }
  const Report report = Analyse(file, size);
  if (as_json)
    std::cout << ToJson(report).dump(2, ' ', true) << "\n";
  else
    PrintText(path, report);
  return report.problems.empty() && report.verdict == scr::LoadStatus::kOk ? kExitOk
                                                                           : kExitInvalidPackage;
}

}  // namespace scrpack
