// scrpack build: makes the author's texts package text in one ANSI code
// page, checks every field and text with the same checks as inspect, prints
// what it found, and only when nothing is wrong writes the setup file
// through the package writer: to a temporary name beside the output,
// renamed once it is complete.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>
#include <string_view>
#include <utility>
#include <vector>

#include "package/ansi_text.h"
#include "package/record.h"
#include "package/setup_icon.h"
#include "package/writer.h"
#include "tools/scrpack/commands.h"
#include "tools/scrpack/language_check.h"
#include "tools/scrpack/languages.h"
#include "tools/scrpack/package_checks.h"
#include "tools/scrpack/pe_resources.h"
#include "tools/scrpack/stream_file.h"
#include "tools/scrpack/text_input.h"
#include "tools/scrpack/unicode.h"

extern const unsigned char kStubImage[];
extern const size_t kStubImage_size;

namespace scrpack {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kMaxInt32 = std::numeric_limits<int32_t>::max();

// A text field's limit, said in characters of the package's code page (in
// a double-byte code page a character may take two of the field's bytes).
void CheckWidth(const char* option, const char* what, const std::string& bytes, size_t limit,
                int code_page, Findings* f) {
  if (bytes.size() <= limit) return;
  std::string utf8;
  size_t bad = 0, characters = bytes.size();
  if (DecodeFromCodePage(bytes, code_page, &utf8, &bad)) characters = Utf8ToCodePoints(utf8).size();
  const std::string at_most = std::to_string(limit);
  if (characters == bytes.size())
    f->Error(std::string(option) + ": " + std::to_string(characters) + " characters, but " + what +
             " holds at most " + at_most);
  else
    f->Error(std::string(option) + ": " + std::to_string(characters) + " characters, which take " +
             std::to_string(bytes.size()) + " bytes in code page " + std::to_string(code_page) +
             ", but " + what + " holds at most " + at_most +
             " bytes (a character of this code page takes one or two)");
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TempNameBeside(const fs::path& output) {
  std::random_device device;
  std::mt19937 random(device());
  for (int attempt = 0;; ++attempt) {
    fs::path candidate = output;
    candidate += ".scrpack-" + std::to_string(random() % 1000000) + ".tmp";
    std::error_code ec;
    if (!fs::exists(candidate, ec) || attempt > 20) return candidate.string();
  }
}

// "none", "accept" or a number 0..255; -1 with an error otherwise.
int ParseLicenseMode(const std::string& text, Findings* f) {
  if (text == "none") return 0;
  if (text == "accept") return 1;
  size_t used = 0;
  long long value = -1;
  try {
    value = std::stoll(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size() || value < 0 || value > 255) {
    f->Error("--license-mode: \"" + text + "\" is neither none, accept nor a number 0..255");
    return -1;
  }
  return static_cast<int>(value);
}

// Everything the package carries, as package text.
struct Inputs {
  std::string stub, scr, readme, license, language;
  std::string title, file_name, link, dest_folder, dest_subfolder;
  int code_page = 1252;
  std::string language_name;  // for the summary: "de" or the file
};

// Reads an input file whose bytes go into the package as they are.
bool ReadRaw(const char* option, const std::string& path, std::string* bytes, Findings* f) {
  std::string error;
  bool too_large = false;
  if (ReadInputFile(option, path, kMaxInt32, bytes, &error, &too_large)) return true;
  if (too_large)
    f->Error(error);
  else
    f->InputOutputError(error);
  return false;
}

// Reads a text file and makes it package text.
void ReadText(const char* option, const std::string& path, int code_page, std::string* bytes,
              Findings* f) {
  std::string raw, error;
  if (!ReadRaw(option, path, &raw, f)) return;
  if (!ToPackageText(raw, code_page, std::string(option) + " \"" + path + "\"", bytes, &error))
    f->Error(error);
}

// A command-line text: UTF-8 (or bytes already in the code page).
std::string ArgumentText(const char* option, const std::string& text, int code_page, Findings* f) {
  std::string out, error;
  if (!ToPackageText(text, code_page, option, &out, &error)) f->Error(error);
  return out;
}

// The output is replaced by renaming a new file over it: that must never
// hit one of the inputs, nor turn a device or a pipe into a regular file.
void CheckOutput(const std::string& output,
                 const std::vector<std::pair<const char*, std::string>>& inputs, Findings* f) {
  if (output.empty()) {
    f->Error("-o: the output file name is empty");
    return;
  }
  std::error_code ec;
  for (const auto& [option, path] : inputs) {
    if (fs::equivalent(output, path, ec))
      f->Error("-o: \"" + output + "\" is the " + option +
               " input; writing the setup file there would destroy it");
  }
  const fs::file_status status = fs::status(output, ec);
  if (fs::is_directory(status))
    f->InputOutputError("-o: \"" + output + "\" is a folder");
  else if (fs::exists(status) && !fs::is_regular_file(status))
    f->InputOutputError("-o: \"" + output +
                        "\" exists and is not a regular file (a device, a pipe or a socket); "
                        "only a regular file is replaced");
}

// The setup file's own icon and version, written into the tool's copy of
// the program image (the uninstaller copy inherits them with the image).
void AddOwnResources(const BuildOptions& o, Inputs* in, Findings* f) {
  std::vector<NewResource> resources;
  if (o.icon) {
    std::string bytes, error;
    std::vector<IconImage> images;
    if (ReadRaw("--icon", *o.icon, &bytes, f)) {
      if (!ReadIconFile(bytes, &images, &error)) {
        f->Error("--icon \"" + *o.icon + "\" " + error);
      } else {
        const std::string problem = OldWindowsIconProblem(images);
        if (!problem.empty()) f->Warning("--icon \"" + *o.icon + "\" " + problem);
        resources = IconResources(images, scr::kSetupIconId);
      }
    }
  }
  if (o.version || o.publisher || o.description) {
    VersionInfo info;
    std::string version;
    if (o.version) {
      if (ParseVersion(*o.version, info.file_version)) {
        for (int i = 0; i < 4; ++i)
          version += (i ? "." : "") + std::to_string(info.file_version[i]);
      } else {
        f->Error("--version: \"" + *o.version +
                 "\" is no version A.B.C.D (one to four numbers 0..65535, with dots)");
      }
    }
    for (const auto& [option, text] :
         {std::pair{"--publisher", o.publisher}, {"--description", o.description}})
      if (text && !IsValidUtf8(*text)) f->Error(std::string(option) + ": the text is not UTF-8");
    std::string title;
    size_t bad = 0;
    if (!DecodeFromCodePage(in->title, in->code_page, &title, &bad)) title.clear();
    if (o.publisher) info.strings.emplace_back("CompanyName", *o.publisher);
    info.strings.emplace_back("FileDescription", o.description ? *o.description : title + " Setup");
    if (!version.empty()) info.strings.emplace_back("FileVersion", version);
    info.strings.emplace_back("OriginalFilename", BaseName(o.output.value_or("")));
    info.strings.emplace_back("ProductName", title);
    if (!version.empty()) info.strings.emplace_back("ProductVersion", version);
    resources.push_back(VersionResource(info));
  }
  if (resources.empty() || in->stub.empty()) return;
  std::string error;
  if (!AddResources(&in->stub, resources, &error))
    f->Error((o.stub ? "--stub \"" + *o.stub + "\"" : std::string("the built-in setup program")) +
             " " + error + ", so --icon and --version cannot be written into it");
}

// --json: the summary and every finding.
void PrintJson(const BuildOptions& o, const Inputs& in, const Findings& findings, bool written,
               int64_t size, int exit_code) {
  nlohmann::ordered_json j;
  j["output"] = o.output ? nlohmann::ordered_json(*o.output) : nullptr;
  j["written"] = written;
  j["size"] = written ? nlohmann::ordered_json(size) : nullptr;
  j["title"] = ShowPackageText(in.title, in.code_page);
  j["installs"] = ShowPackageText(BaseName(in.file_name), in.code_page);
  j["code_page"] = in.code_page;
  j["language"] = in.language_name.empty() ? nlohmann::ordered_json(nullptr)
                                           : nlohmann::ordered_json(in.language_name);
  j["errors"] = nlohmann::ordered_json::array();
  j["warnings"] = nlohmann::ordered_json::array();
  for (const Finding& f : findings.items()) j[f.error ? "errors" : "warnings"].push_back(f.text);
  j["exit_code"] = exit_code;
  std::cout << j.dump(2, ' ', true) << "\n";
}

}  // namespace

namespace {

// Which language --language names: a file, or one shipped with scrpack.
struct LanguageChoice {
  const ShippedLanguage* shipped = nullptr;
  bool file = false;
};

LanguageChoice ChooseLanguage(const BuildOptions& o, Findings* findings) {
  LanguageChoice choice;
  if (!o.language) return choice;
  std::error_code ec;
  choice.file = fs::exists(*o.language, ec);
  if (!choice.file) choice.shipped = FindShippedLanguage(*o.language);
  if (!choice.shipped && !choice.file)
    findings->InputOutputError("--language: " + UnknownLanguageMessage(*o.language));
  return choice;
}

// Messages about the installed name blame where the name came from.
const char* FileNameOption(const BuildOptions& o) { return o.file_name ? "--file-name" : "--scr"; }

// The record's texts in the package's code page, each checked against its
// field's width. True when every one fits.
bool TakeFields(const BuildOptions& o, Inputs* in, Findings* findings) {
  const int errors_before_fields = findings->ErrorCount();
  const int cp = in->code_page;
  in->title = ArgumentText("--title", o.title.value_or(""), cp, findings);
  const char* file_name_option = FileNameOption(o);
  in->file_name = ArgumentText(
      file_name_option, o.file_name ? *o.file_name : BaseName(o.scr.value_or("")), cp, findings);
  in->link = ArgumentText("--link", o.link, cp, findings);
  in->dest_folder = ArgumentText("--dest-folder", o.dest_folder, cp, findings);
  in->dest_subfolder = o.dest_subfolder
                           ? ArgumentText("--dest-subfolder", *o.dest_subfolder, cp, findings)
                           : in->title;
  CheckWidth("--title", "a title", in->title, sizeof(scr::SetupRecord::ScrTitle) - 1, cp, findings);
  CheckWidth(file_name_option, "the installed file's name", in->file_name,
             sizeof(scr::SetupRecord::ScrFileName) - 1, cp, findings);
  CheckWidth("--link", "a link", in->link, sizeof(scr::SetupRecord::LinkAddress) - 1, cp, findings);
  CheckWidth("--dest-folder", "the folder", in->dest_folder, scr::kShortStringMax, cp, findings);
  CheckWidth(o.dest_subfolder ? "--dest-subfolder" : "--title (the default --dest-subfolder)",
             "the sub-folder", in->dest_subfolder, scr::kShortStringMax, cp, findings);
  return findings->ErrorCount() == errors_before_fields;
}

// The language block: checked, then encoded in the package's code page.
void ReadLanguage(const BuildOptions& o, const LanguageChoice& language, Inputs* in,
                  Findings* findings) {
  std::string language_utf8, language_where;
  if (language.shipped) {
    language_where = std::string("--language ") + language.shipped->code;
    in->language_name = language.shipped->code;
    // One line, not one per letter the code page lacks.
    const std::string problem = ShippedCodePageProblem(*language.shipped, in->code_page);
    if (problem.empty())
      language_utf8.assign(language.shipped->text);
    else
      findings->Error(language_where + ": " + problem);
  } else if (language.file) {
    std::string raw, error;
    language_where = *o.language;
    in->language_name = "\"" + *o.language + "\"";
    AuthorText text;
    if (!ReadRaw("--language", *o.language, &raw, findings))
      ;  // said
    else if (DecodeAuthorText(raw, in->code_page, &text, &error))
      language_utf8 = text.utf8;
    else
      findings->Error("--language \"" + *o.language + "\": " + error);
  }
  if (!language_utf8.empty()) {
    CheckLanguage(language_utf8, in->code_page, language_where, findings);
    std::string error;
    if (!EncodeToPackage(language_utf8, in->code_page, &in->language, &error))
      in->language.clear();  // CheckLanguage has named the line
  }
}

// Every input is read, so that one run reports every fault; the output
// may be none of them.
void ReadInputs(const BuildOptions& o, const LanguageChoice& language, Inputs* in,
                Findings* findings) {
  if (o.scr && !o.scr->empty()) ReadRaw("--scr", *o.scr, &in->scr, findings);
  if (o.readme) ReadText("--readme", *o.readme, in->code_page, &in->readme, findings);
  if (o.license) ReadText("--license", *o.license, in->code_page, &in->license, findings);
  ReadLanguage(o, language, in, findings);
  if (o.stub)
    ReadRaw("--stub", *o.stub, &in->stub, findings);
  else
    in->stub.assign(reinterpret_cast<const char*>(kStubImage), kStubImage_size);
  AddOwnResources(o, in, findings);

  std::vector<std::pair<const char*, std::string>> inputs;
  for (const auto& [option, path] : {std::pair{"--scr", o.scr},
                                     {"--readme", o.readme},
                                     {"--license", o.license},
                                     {"--stub", o.stub},
                                     {"--icon", o.icon},
                                     {"project file", o.project}})
    if (path) inputs.emplace_back(option, *path);
  if (language.file) inputs.emplace_back("--language", *o.language);
  if (o.output) CheckOutput(*o.output, inputs, findings);
}

// PackageSize counts screensaver, texts, record and trailer in an int32.
int64_t PackageSizeOf(const Inputs& in, Findings* findings) {
  const int64_t package_size =
      static_cast<int64_t>(in.scr.size()) + static_cast<int64_t>(in.readme.size()) +
      static_cast<int64_t>(in.license.size()) + static_cast<int64_t>(in.language.size()) +
      scr::kRecordAndTrailerSize;
  if (package_size > kMaxInt32)
    findings->Error("the package would hold " + std::to_string(package_size) + " bytes, at most " +
                    std::to_string(kMaxInt32) + " fit");
  return package_size;
}

scr::SetupRecord MakeRecord(const BuildOptions& o, const Inputs& in, int license_mode) {
  scr::SetupRecord record{};
  scr::SetField(record.ScrFileName, in.file_name);
  scr::SetField(record.ScrTitle, in.title);
  scr::SetField(record.LinkAddress, in.link);
  record.AddUninstallEntry = o.uninstall_entry ? 1 : 0;
  record.AddStartMenuGroup = o.start_menu_group ? 1 : 0;
  record.AddDesktopShortcut = o.desktop_shortcut ? 1 : 0;
  scr::SetShortString(record.DestFolder, in.dest_folder);
  scr::SetShortString(record.DestSubfolder, in.dest_subfolder);
  record.SkipFolderPage = o.skip_folder_page ? 1 : 0;
  record.LicenseMode = static_cast<uint8_t>(license_mode < 0 ? 0 : license_mode);
  return record;
}

int ExitCodeOf(const Findings& findings) {
  return findings.HasInputOutputErrors() ? kExitInputOutput
         : findings.HasErrors()          ? kExitBadArguments
                                         : kExitOk;
}

// Writes the setup file under a temporary name beside the output and
// renames it over the output. False with the system's reason.
bool WriteOutput(const std::string& output_path, const Inputs& in, const scr::SetupRecord& record,
                 std::string* reason) {
  const fs::path output(output_path);
  std::error_code ec;
  const std::string temp = TempNameBeside(output);
  bool written = false;
  {
    errno = 0;
    StreamFile out(temp, true);
    if (!out.is_open()) {
      *reason = SystemReason(errno ? errno : EACCES);
    } else {
      written =
          scr::WriteSetupFile(out, in.stub, in.scr, in.readme, in.license, in.language, record) &&
          out.Close();
      if (!written) *reason = SystemReason(errno ? errno : EIO);
    }
  }
  if (written) {
    fs::rename(temp, output, ec);
    written = !ec;
    if (ec) *reason = ec.message();
  }
  if (!written) fs::remove(temp, ec);
  return written;
}

void PrintWritten(const std::string& output_path, const Inputs& in, int64_t size) {
  std::cout << "scrpack: wrote " << output_path << " (" << size << " bytes): \""
            << ShowPackageText(in.title, in.code_page) << "\" installs "
            << ShowPackageText(
                   in.file_name.substr(scr::FileNameStart(scr::LeadBytesOfCodePage(in.code_page),
                                                          in.file_name, scr::kAnySeparators)),
                   in.code_page)
            << ", texts in code page " << in.code_page
            << (in.language_name.empty() ? std::string(", English")
                                         : ", language " + in.language_name)
            << "\n";
}

}  // namespace

int RunBuild(const BuildOptions& o, Findings findings) {
  Inputs in;
  // The language first: a shipped one brings its code page.
  const LanguageChoice language = ChooseLanguage(o, &findings);
  in.code_page = o.code_page.value_or(language.shipped ? language.shipped->code_page : 1252);

  const int license_mode =
      o.license_mode ? ParseLicenseMode(*o.license_mode, &findings) : (o.license ? 1 : 0);
  if (!o.output) findings.Error("-o: no output file (give -o FILE, or output in a project file)");
  if (!o.scr) findings.Error("--scr: no screensaver (give --scr FILE, or scr in a project file)");
  if (!o.title) findings.Error("--title: no title (give --title TEXT, or title in a project file)");

  const bool fields_fit = TakeFields(o, &in, &findings);
  ReadInputs(o, language, &in, &findings);
  const int64_t package_size = PackageSizeOf(in, &findings);
  const scr::SetupRecord record = MakeRecord(o, in, license_mode);

  // The record's checks only on values that fit their fields: a cut value
  // would be judged, not the author's.
  if (o.scr && o.title && fields_fit) {
    const std::string scr_name = "--scr \"" + *o.scr + "\"";
    FieldNames names = kOptionNames;
    names.screensaver = scr_name.c_str();
    names.file_name = FileNameOption(o);
    CheckPackage(record, in.code_page, static_cast<int64_t>(in.license.size()),
                 std::string_view(in.scr).substr(0, 4096), names, &findings);
  }
  const ReportOptions& report = o.report;
  if (report.warnings_as_errors) findings.MakeWarningsErrors();
  if (findings.HasErrors()) {
    if (report.json) {
      PrintJson(o, in, findings, false, 0, ExitCodeOf(findings));
    } else {
      findings.Print(std::cerr, report.quiet);
      std::cerr << "scrpack: nothing written (" << Counted(findings.ErrorCount(), "error", "errors")
                << ")\n";
    }
    return ExitCodeOf(findings);
  }

  std::string reason;
  if (!WriteOutput(*o.output, in, record, &reason)) {
    findings.InputOutputError("-o: cannot write \"" + *o.output + "\": " + reason);
    if (report.json)
      PrintJson(o, in, findings, false, 0, kExitInputOutput);
    else
      findings.Print(std::cerr, report.quiet);
    return kExitInputOutput;
  }

  const int64_t size = static_cast<int64_t>(in.stub.size()) + package_size;
  if (report.json) {
    PrintJson(o, in, findings, true, size, kExitOk);
    return kExitOk;
  }
  if (report.quiet) return kExitOk;
  findings.Print(std::cerr, report.quiet);
  PrintWritten(*o.output, in, size);
  return kExitOk;
}

}  // namespace scrpack
