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
#include <random>
#include <string_view>

#include "package/ansi_text.h"
#include "package/record.h"
#include "package/writer.h"
#include "tools/scrpack/commands.h"
#include "tools/scrpack/language_check.h"
#include "tools/scrpack/languages.h"
#include "tools/scrpack/package_checks.h"
#include "tools/scrpack/stream_file.h"
#include "tools/scrpack/text_input.h"

extern const unsigned char kStubImage[];
extern const size_t kStubImage_size;

namespace scrpack {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kMaxInt32 = std::numeric_limits<int32_t>::max();

int Fail(int code, const std::string& message) {
  std::cerr << "scrpack: " << message << "\n";
  return code;
}

// A text field with a byte limit (in the package's code page).
void CheckWidth(const char* option, const char* field, const std::string& text, size_t limit,
                Findings* f) {
  if (text.size() > limit)
    f->Error(std::string(option) + ": " + std::to_string(text.size()) + " bytes, but " + field +
             " holds at most " + std::to_string(limit));
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
    f->Error("--license-mode: \"" + text +
             "\" is neither none, accept nor a number 0..255 (LicenseMode is one byte)");
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
bool ReadRaw(const char* option, const std::string& path, std::string* bytes, int* exit_code) {
  std::string error;
  bool too_large = false;
  if (ReadInputFile(option, path, kMaxInt32, bytes, &error, &too_large)) return true;
  *exit_code = Fail(too_large ? kExitBadArguments : kExitInputOutput, error);
  return false;
}

// Reads a text file and makes it package text.
bool ReadText(const char* option, const std::string& path, int code_page, std::string* bytes,
              Findings* f, int* exit_code) {
  std::string raw, error;
  if (!ReadRaw(option, path, &raw, exit_code)) return false;
  if (!ToPackageText(raw, code_page, std::string(option) + " \"" + path + "\"", bytes, &error))
    f->Error(error);
  return true;
}

// A command-line text: UTF-8 (or bytes already in the code page).
std::string ArgumentText(const char* option, const std::string& text, int code_page, Findings* f) {
  std::string out, error;
  if (!ToPackageText(text, code_page, option, &out, &error)) f->Error(error);
  return out;
}

}  // namespace

int RunBuild(const BuildOptions& o) {
  Findings findings;
  Inputs in;
  int exit_code = kExitOk;

  // The language first: a shipped one brings its code page.
  const ShippedLanguage* shipped = nullptr;
  std::string language_utf8, language_where;
  if (o.language) {
    std::error_code ec;
    if (!fs::exists(*o.language, ec)) shipped = FindShippedLanguage(*o.language);
    if (!shipped && !fs::exists(*o.language, ec))
      return Fail(kExitInputOutput, "--language: \"" + *o.language +
                                        "\" is neither a language file nor a shipped language "
                                        "(scrpack language list shows them)");
  }
  in.code_page = o.code_page.value_or(shipped ? shipped->code_page : 1252);

  const int license_mode =
      o.license_mode ? ParseLicenseMode(*o.license_mode, &findings) : (o.license ? 1 : 0);
  if (o.output.empty()) findings.Error("-o: the output file name is empty");

  in.title = ArgumentText("--title", o.title, in.code_page, &findings);
  in.file_name = ArgumentText("--file-name", o.file_name ? *o.file_name : BaseName(o.scr),
                              in.code_page, &findings);
  in.link = ArgumentText("--link", o.link, in.code_page, &findings);
  in.dest_folder = ArgumentText("--dest-folder", o.dest_folder, in.code_page, &findings);
  in.dest_subfolder = o.dest_subfolder ? ArgumentText("--dest-subfolder", *o.dest_subfolder,
                                                      in.code_page, &findings)
                                       : in.title;
  CheckWidth("--title", "ScrTitle", in.title, sizeof(scr::SetupRecord::ScrTitle) - 1, &findings);
  CheckWidth("--file-name", "ScrFileName", in.file_name, sizeof(scr::SetupRecord::ScrFileName) - 1,
             &findings);
  CheckWidth("--link", "LinkAddress", in.link, sizeof(scr::SetupRecord::LinkAddress) - 1,
             &findings);
  CheckWidth("--dest-folder", "DestFolder", in.dest_folder, scr::kShortStringMax, &findings);
  CheckWidth("--dest-subfolder", "DestSubfolder", in.dest_subfolder, scr::kShortStringMax,
             &findings);
  // Arguments first: nothing is read while one of them is wrong.
  if (findings.HasErrors()) {
    findings.Print(std::cerr);
    return kExitBadArguments;
  }

  if (!ReadRaw("--scr", o.scr, &in.scr, &exit_code)) return exit_code;
  if (o.readme && !ReadText("--readme", *o.readme, in.code_page, &in.readme, &findings, &exit_code))
    return exit_code;
  if (o.license &&
      !ReadText("--license", *o.license, in.code_page, &in.license, &findings, &exit_code))
    return exit_code;
  if (shipped) {
    language_utf8.assign(shipped->text);
    language_where = std::string("--language ") + shipped->code;
    in.language_name = shipped->code;
  } else if (o.language) {
    std::string raw, error;
    if (!ReadRaw("--language", *o.language, &raw, &exit_code)) return exit_code;
    language_where = *o.language;
    in.language_name = "\"" + *o.language + "\"";
    AuthorText text;
    if (DecodeAuthorText(raw, in.code_page, &text, &error))
      language_utf8 = text.utf8;
    else
      findings.Error("--language \"" + *o.language + "\": " + error);
  }
  if (!language_utf8.empty()) {
    CheckLanguage(language_utf8, in.code_page, language_where, &findings);
    std::string error;
    if (!EncodeToPackage(language_utf8, in.code_page, &in.language, &error))
      in.language.clear();  // CheckLanguage has named the line
  }
  if (o.stub) {
    if (!ReadRaw("--stub", *o.stub, &in.stub, &exit_code)) return exit_code;
  } else {
    in.stub.assign(reinterpret_cast<const char*>(kStubImage), kStubImage_size);
  }

  // PackageSize counts screensaver, texts, record and trailer in an int32.
  const int64_t package_size =
      static_cast<int64_t>(in.scr.size()) + static_cast<int64_t>(in.readme.size()) +
      static_cast<int64_t>(in.license.size()) + static_cast<int64_t>(in.language.size()) +
      scr::kRecordAndTrailerSize;
  if (package_size > kMaxInt32)
    findings.Error("PackageSize: the package would hold " + std::to_string(package_size) +
                   " bytes, at most " + std::to_string(kMaxInt32) + " fit");

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

  const std::string scr_name = "--scr \"" + o.scr + "\"";
  FieldNames names = kOptionNames;
  names.screensaver = scr_name.c_str();
  CheckPackage(record, in.code_page, static_cast<int64_t>(in.license.size()),
               std::string_view(in.scr).substr(0, 4096), names, &findings);
  findings.Print(std::cerr);
  if (findings.HasErrors())
    return Fail(kExitBadArguments, "nothing written (" + std::to_string(findings.ErrorCount()) +
                                       (findings.ErrorCount() == 1 ? " error" : " errors") + ")");

  const fs::path output(o.output);
  std::error_code ec;
  if (fs::is_directory(output, ec))
    return Fail(kExitInputOutput, "-o: \"" + o.output + "\" is a folder");
  const std::string temp = TempNameBeside(output);
  std::string reason;
  bool written = false;
  {
    errno = 0;
    StreamFile out(temp, true);
    if (!out.is_open()) {
      reason = SystemReason(errno ? errno : EACCES);
    } else {
      written =
          scr::WriteSetupFile(out, in.stub, in.scr, in.readme, in.license, in.language, record) &&
          out.Close();
      if (!written) reason = SystemReason(errno ? errno : EIO);
    }
  }
  if (written) {
    fs::rename(temp, output, ec);
    written = !ec;
    if (ec) reason = ec.message();
  }
  if (!written) {
    fs::remove(temp, ec);
    return Fail(kExitInputOutput, "-o: cannot write \"" + o.output + "\": " + reason);
  }

  const int64_t size = static_cast<int64_t>(in.stub.size()) + package_size;
  std::cout << "scrpack: wrote " << o.output << " (" << size << " bytes): \""
            << ShowPackageText(in.title, in.code_page) << "\" installs "
            << ShowPackageText(
                   in.file_name.substr(scr::FileNameStart(scr::LeadBytesOfCodePage(in.code_page),
                                                          in.file_name, scr::kAnySeparators)),
                   in.code_page)
            << ", texts in code page " << in.code_page
            << (in.language_name.empty() ? std::string(", English")
                                         : ", language " + in.language_name)
            << "\n";
  return kExitOk;
}

}  // namespace scrpack
