#include "tools/scrpack/package_checks.h"

#include <cstdio>
#include <cstring>

#include "package/file_name.h"
#include "package/loader.h"
#include "tools/scrpack/text_input.h"
#include "tools/scrpack/unicode.h"

namespace scrpack {

const FieldNames kOptionNames = {"--title",          "--file-name",    "--link", "--dest-folder",
                                 "--dest-subfolder", "--license-mode", "--scr"};
const FieldNames kRecordNames = {"ScrTitle",      "ScrFileName", "LinkAddress",    "DestFolder",
                                 "DestSubfolder", "LicenseMode", "the screensaver"};

namespace {

std::string Quote(std::string_view bytes, int code_page) {
  return "\"" + ShowPackageText(bytes, code_page) + "\"";
}

uint32_t Le32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

// The link is opened with the shell's "open" verb: without a scheme the
// shell takes it for a file name and opens nothing.
void CheckLink(std::string_view link, int code_page, const FieldNames& names, Findings* f) {
  if (link.empty()) return;
  size_t colon = link.find(':');
  bool scheme = colon != std::string_view::npos && colon >= 2;
  for (size_t i = 0; scheme && i < colon; ++i) {
    const char c = link[i];
    scheme = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
             (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
  }
  if (!scheme)
    f->Error(std::string(names.link) + ": " + Quote(link, code_page) +
             " has no scheme, so clicking it opens nothing; write it as http://..., https://... "
             "or mailto:...");
}

// Folder macros are matched exactly; anything else in angle brackets stays
// in the path, where Windows refuses "<" and ">".
bool CheckMacros(const char* field, std::string_view text, int code_page, Findings* f) {
  static constexpr std::string_view kMacros[] = {"<Program Files>", "<Windows>"};
  for (size_t open = text.find('<'); open != std::string_view::npos;
       open = text.find('<', open + 1)) {
    bool known = false;
    for (std::string_view macro : kMacros)
      known = known || text.substr(open, macro.size()) == macro;
    if (known) continue;
    const size_t close = text.find('>', open);
    const std::string_view word =
        text.substr(open, close == std::string_view::npos ? 1 : close - open + 1);
    f->Error(std::string(field) + ": " + Quote(word, code_page) +
             " is no folder macro (there are two: <Program Files> and <Windows>, letter case "
             "as written), and Windows refuses \"<\" and \">\" in folder names");
    return true;
  }
  for (size_t close = text.find('>'); close != std::string_view::npos;
       close = text.find('>', close + 1)) {
    bool in_macro = false;
    for (std::string_view macro : kMacros)
      in_macro = in_macro || (close + 1 >= macro.size() &&
                              text.substr(close + 1 - macro.size(), macro.size()) == macro);
    if (!in_macro) {
      f->Error(std::string(field) + ": Windows refuses \">\" in folder names");
      return true;
    }
  }
  return false;
}

void CheckLicense(const scr::SetupRecord& record, int64_t license_size, const FieldNames& names,
                  Findings* f) {
  const int mode = record.LicenseMode;
  if (license_size > 0 && !scr::LicensePageInUse(record))
    f->Warning(std::string(names.license_mode) + ": a licence text is present, but mode " +
               std::to_string(mode) +
               " shows no licence page, so the user never sees it (accept, 1, 2 and 3 show it)");
  else if (license_size == 0 && scr::LicensePageInUse(record))
    f->Warning(std::string(names.license_mode) + ": mode " + std::to_string(mode) +
               " asks for a licence page, but there is no licence text, so none is shown");
}

// The title, the file name and the folder fields against the name rules the
// setup program applies, and against what Windows refuses in file names.
void CheckNames(const scr::SetupRecord& record, int code_page, const FieldNames& names,
                Findings* f) {
  const scr::LeadBytes lead = LeadBytesOfCodePage(code_page);
  size_t at = 0;
  const std::string title = scr::FieldText(record.ScrTitle);
  if (auto fault = scr::CheckTitleForFiles(title, lead, &at); fault != scr::NameFault::kNone)
    f->Error(std::string(names.title) + ": " + Quote(title, code_page) + " " +
             NameProblem(fault, title, at, code_page) +
             " (the title names the uninstall entry, the Start-menu group, the shortcuts and "
             "the readme file)");

  const std::string file_name = scr::FieldText(record.ScrFileName);
  if (auto fault = scr::CheckScrFileNameForFiles(file_name, lead, &at);
      fault != scr::NameFault::kNone) {
    f->Error(std::string(names.file_name) + ": " + Quote(file_name, code_page) + " " +
             NameProblem(fault, file_name, at, code_page) +
             " (it names the installed screensaver file)");
  } else {
    // Windows 2000 and later shorten the name at load (NormaliseScrFileName).
    scr::SetupRecord normalised = record;
    scr::NormaliseScrFileName(lead, normalised.ScrFileName);
    const std::string later = scr::FieldText(normalised.ScrFileName);
    const auto name_of = [&](const std::string& path) {
      return path.substr(scr::FileNameStart(lead, path, scr::kNameSeparators));
    };
    if (name_of(later) != name_of(file_name))
      f->Warning(std::string(names.file_name) + ": Windows 2000, XP, Vista and later install " +
                 Quote(name_of(file_name), code_page) + " as " + Quote(name_of(later), code_page) +
                 " (Windows 95, 98, Me and NT 4 keep the name); a name of at most 8 letters "
                 "and digits before \".scr\" installs the same everywhere");
    const size_t start = scr::FileNameStart(lead, file_name, scr::kNameSeparators);
    if (start > 0)
      f->Warning(std::string(names.file_name) + ": the folder part " +
                 Quote(file_name.substr(0, start), code_page) +
                 " is ignored: the screensaver is installed in the chosen folder as " +
                 Quote(file_name.substr(start), code_page));
  }

  const std::pair<const char*, std::string> folders[] = {
      {names.dest_folder, scr::ShortStringText(record.DestFolder)},
      {names.dest_subfolder, scr::ShortStringText(record.DestSubfolder)}};
  const bool title_refused = scr::CheckTitleForFiles(title, lead, &at) != scr::NameFault::kNone;
  for (const auto& [field, text] : folders) {
    if (CheckMacros(field, text, code_page, f)) continue;  // said once, not twice
    // The sub-folder named after the title: the title's error says it.
    if (title_refused && text == title) continue;
    const bool may_have_drive = field == names.dest_folder;
    if (auto fault = scr::CheckFolderField(text, may_have_drive, lead, &at);
        fault != scr::NameFault::kNone)
      f->Error(std::string(field) + ": " + Quote(text, code_page) + " " +
               NameProblem(fault, text, at, code_page));
  }
}

}  // namespace

std::string NameProblem(scr::NameFault fault, std::string_view bytes, size_t at, int code_page) {
  const std::string c = at < bytes.size() ? Quote(bytes.substr(at, 1), code_page) : "";
  switch (fault) {
    case scr::NameFault::kNone:
      return "";
    case scr::NameFault::kNamesNothing:
      return "is empty or only blanks and separators, so it names no place of its own";
    case scr::NameFault::kDotsOnlyPart:
      return "has a part made only of dots, which would name its parent folder or the folder "
             "itself";
    case scr::NameFault::kSeparator:
      return "holds " + c + ", which would make the name a path";
    case scr::NameFault::kIncompleteCharacter:
      return "ends in the first byte of a double-byte character without its second byte";
    case scr::NameFault::kTitleBackslash:
      return "holds " + c +
             ": a title cannot hold \\ (it would nest the uninstall entry, the Start-menu "
             "group and the player's settings key, or make them a path); the setup refuses "
             "such a package";
    case scr::NameFault::kForbiddenCharacter:
      return "holds " + c + ", which Windows refuses in file and folder names";
    case scr::NameFault::kControlCharacter: {
      char hex[8];
      std::snprintf(hex, sizeof(hex), "0x%02X", static_cast<unsigned char>(bytes[at]));
      return std::string("holds the control character ") + hex +
             ", which Windows refuses in file and folder names";
    }
    case scr::NameFault::kTrailingDotOrBlank:
      return std::string("has a part that ends in a ") + (bytes[at] == '.' ? "dot" : "blank") +
             ", which Windows drops from file and folder names, so the names made and the "
             "names removed later would differ";
    case scr::NameFault::kReservedName:
      return "has a part that Windows takes for a device (CON, PRN, AUX, NUL, COM1 to COM9, "
             "LPT1 to LPT9), not a file or folder";
  }
  return "";
}

std::string ScreensaverProblem(std::string_view head, bool* is_error) {
  *is_error = false;
  if (head.size() < 0x40 || head.substr(0, 2) != "MZ")
    return "is not a Windows program (it does not start with \"MZ\"); the user's Windows would "
           "refuse to run it as a screensaver";
  const uint32_t pe = Le32(head, 0x3C);
  if (pe > head.size() - 6 || head.substr(pe, 4) != std::string_view("PE\0\0", 4))
    return "is an MS-DOS program, not a Windows program (no \"PE\" header)";
  const uint16_t machine = static_cast<uint16_t>(Le32(head, pe + 4) & 0xFFFF);
  if (machine == 0x8664) return "is a 64-bit program: 32-bit Windows cannot run it";
  if (machine != 0x14C) return "is a program for another processor than x86";
  return "";
}

void CheckPackage(const scr::SetupRecord& record, int code_page, int64_t license_size,
                  std::string_view screensaver_head, const FieldNames& names, Findings* f) {
  CheckNames(record, code_page, names, f);
  CheckLink(scr::FieldText(record.LinkAddress), code_page, names, f);
  CheckLicense(record, license_size, names, f);
  bool is_error = false;
  const std::string problem = ScreensaverProblem(screensaver_head, &is_error);
  if (!problem.empty()) f->Warning(std::string(names.screensaver) + " " + problem);
}

}  // namespace scrpack
