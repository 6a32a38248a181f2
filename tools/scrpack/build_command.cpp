// scrpack build: checks every field against its width in the record, reads
// the inputs, and writes the setup file through the package writer to a
// temporary name beside the output, renamed only once it is complete.
#include <cstring>
#include <filesystem>
#include <iostream>
#include <limits>
#include <random>
#include <string_view>

#include "package/record.h"
#include "package/writer.h"
#include "tools/scrpack/commands.h"
#include "tools/scrpack/stream_file.h"

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

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// A text field with a byte limit: "" when it fits, else the message.
std::string CheckWidth(std::string_view option, std::string_view field, const std::string& text,
                       size_t limit) {
  if (text.size() <= limit) return "";
  return std::string(option) + ": " + std::to_string(text.size()) + " bytes, but " +
         std::string(field) + " holds at most " + std::to_string(limit);
}

// The title names the uninstall entry, the Start-menu group folder, the
// player settings key and the readme file, all of which removal deletes
// again. A title that is empty or only blanks and backslashes would name the
// parent key or folder itself, and a part made only of dots ("..") a folder
// above the group.
std::string CheckTitle(const std::string& title) {
  if (std::string error =
          CheckWidth("--title", "ScrTitle", title, sizeof(scr::SetupRecord::ScrTitle) - 1);
      !error.empty())
    return error;
  bool any_text = false;
  size_t part_start = 0;
  for (size_t i = 0; i <= title.size(); ++i) {
    if (i < title.size() && title[i] != '\\') continue;
    std::string_view part(title.data() + part_start, i - part_start);
    while (!part.empty() && IsBlank(part.front())) part.remove_prefix(1);
    while (!part.empty() && IsBlank(part.back())) part.remove_suffix(1);
    if (!part.empty()) {
      any_text = true;
      if (part.find_first_not_of('.') == std::string_view::npos)
        return "--title: \"" + title +
               "\" has a part made only of dots, which would name a parent folder";
    }
    part_start = i + 1;
  }
  if (!any_text)
    return "--title: the title must not be empty or only blanks and backslashes (it names the "
           "registry keys and folders that removal deletes)";
  return "";
}

std::string CheckFileName(const std::string& name) {
  if (name.empty()) return "--file-name: the screensaver's file name must not be empty";
  if (std::string error =
          CheckWidth("--file-name", "ScrFileName", name, sizeof(scr::SetupRecord::ScrFileName) - 1);
      !error.empty())
    return error;
  if (name.back() == '\\' || name.back() == ':')
    return "--file-name: \"" + name + "\" ends in a folder separator and names no file";
  return "";
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Reads one input file; on failure returns the exit code and has reported.
int ReadInput(std::string_view option, const std::string& path, std::string* bytes) {
  int64_t size = 0;
  switch (ReadWholeFile(path, kMaxInt32, bytes, &size)) {
    case ReadResult::kOk:
      return kExitOk;
    case ReadResult::kUnreadable:
      return Fail(kExitInputOutput, std::string(option) + ": cannot read \"" + path + "\"");
    case ReadResult::kTooLarge:
      return Fail(kExitBadArguments,
                  std::string(option) + ": \"" + path + "\" has " + std::to_string(size) +
                      " bytes, more than a package holds (" + std::to_string(kMaxInt32) + ")");
  }
  return kExitInputOutput;
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

}  // namespace

int RunBuild(const BuildOptions& o) {
  // Fields first: nothing is read or written while an argument is wrong.
  const std::string file_name = o.file_name ? *o.file_name : BaseName(o.scr);
  const int64_t license_mode = o.license_mode ? *o.license_mode : (o.license ? 1 : 0);
  for (const std::string& error : {
           CheckTitle(o.title),
           CheckFileName(file_name),
           CheckWidth("--link", "LinkAddress", o.link, sizeof(scr::SetupRecord::LinkAddress) - 1),
           CheckWidth("--dest-folder", "DestFolder", o.dest_folder, scr::kShortStringMax),
           CheckWidth("--dest-subfolder", "DestSubfolder", o.dest_subfolder, scr::kShortStringMax),
       }) {
    if (!error.empty()) return Fail(kExitBadArguments, error);
  }
  if (license_mode < 0 || license_mode > 255)
    return Fail(kExitBadArguments, "--license-mode: " + std::to_string(license_mode) +
                                       " is outside 0..255 (LicenseMode is one byte)");
  if (o.output.empty()) return Fail(kExitBadArguments, "-o: the output file name is empty");

  std::string stub, scr, readme, license, language;
  if (int rc = ReadInput("--scr", o.scr, &scr); rc != kExitOk) return rc;
  if (o.readme)
    if (int rc = ReadInput("--readme", *o.readme, &readme); rc != kExitOk) return rc;
  if (o.license)
    if (int rc = ReadInput("--license", *o.license, &license); rc != kExitOk) return rc;
  if (o.language)
    if (int rc = ReadInput("--language", *o.language, &language); rc != kExitOk) return rc;
  if (o.stub) {
    if (int rc = ReadInput("--stub", *o.stub, &stub); rc != kExitOk) return rc;
  } else {
    stub.assign(reinterpret_cast<const char*>(kStubImage), kStubImage_size);
  }

  // PackageSize counts screensaver, texts, record and trailer in an int32.
  const int64_t package_size = static_cast<int64_t>(scr.size()) +
                               static_cast<int64_t>(readme.size()) +
                               static_cast<int64_t>(license.size()) +
                               static_cast<int64_t>(language.size()) + scr::kRecordAndTrailerSize;
  if (package_size > kMaxInt32)
    return Fail(kExitBadArguments, "PackageSize: the package would hold " +
                                       std::to_string(package_size) + " bytes, at most " +
                                       std::to_string(kMaxInt32) + " fit");

  scr::SetupRecord record{};
  scr::SetField(record.ScrFileName, file_name);
  scr::SetField(record.ScrTitle, o.title);
  scr::SetField(record.LinkAddress, o.link);
  record.AddUninstallEntry = o.uninstall_entry ? 1 : 0;
  record.AddStartMenuGroup = o.start_menu_group ? 1 : 0;
  record.AddDesktopShortcut = o.desktop_shortcut ? 1 : 0;
  scr::SetShortString(record.DestFolder, o.dest_folder);
  scr::SetShortString(record.DestSubfolder, o.dest_subfolder);
  record.SkipFolderPage = o.skip_folder_page ? 1 : 0;
  record.LicenseMode = static_cast<uint8_t>(license_mode);

  const fs::path output(o.output);
  std::error_code ec;
  if (fs::is_directory(output, ec))
    return Fail(kExitInputOutput, "-o: \"" + o.output + "\" is a folder");
  const std::string temp = TempNameBeside(output);
  bool written = false;
  {
    StreamFile out(temp, true);
    written = out.is_open() &&
              scr::WriteSetupFile(out, stub, scr, readme, license, language, record) && out.Close();
  }
  if (written) {
    fs::rename(temp, output, ec);
    written = !ec;
  }
  if (!written) {
    fs::remove(temp, ec);
    return Fail(kExitInputOutput, "-o: cannot write \"" + o.output + "\"");
  }
  return kExitOk;
}

}  // namespace scrpack
