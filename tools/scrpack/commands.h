// The commands of the author's tool.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/scrpack/findings.h"

namespace scrpack {

enum ExitCode : int {
  kExitOk = 0,
  // Bad arguments, a field over its limit, a check's error (or, with
  // --warnings-as-errors, a warning).
  kExitBadArguments = 1,
  kExitInputOutput = 2,    // an input unreadable, the output unwritable (before any other fault)
  kExitInvalidPackage = 3  // inspect: the package cannot install as it should
};

// How build and "language check" report, for people or for a build server.
struct ReportOptions {
  bool json = false;   // one JSON object on standard output, nothing else
  bool quiet = false;  // errors only
  bool warnings_as_errors = false;
};

struct BuildOptions {
  // Required, from the command line or the project file.
  std::optional<std::string> output, scr, title;
  std::optional<std::string> file_name;  // default: base name of `scr`
  std::string link;
  std::optional<std::string> readme, license;
  // A language file, or a shipped language by name or code.
  std::optional<std::string> language;
  // "none", "accept" or a number 0..255; default "accept" with a licence.
  std::optional<std::string> license_mode;
  // Default: the shipped language's code page, else 1252.
  std::optional<int> code_page;
  std::string dest_folder = "<Program Files>\\";
  std::optional<std::string> dest_subfolder;  // default: the title
  bool uninstall_entry = true, start_menu_group = true, desktop_shortcut = false,
       skip_folder_page = false;
  std::optional<std::string> stub;  // default: the embedded setup program
  // The setup file's own icon (.ico) and version resource.
  std::optional<std::string> icon, version, publisher, description;
  std::optional<std::string> project;  // the project file the settings came from
  ReportOptions report;
};

// `findings`: what reading the project file already found; build reports it
// with everything else.
int RunBuild(const BuildOptions& options, Findings findings);
// `code_page`: how to show the package's texts; default: the code page of
// the shipped language the package carries, else 1252.
// `text`: "readme", "license" or "language" prints that block decoded
// instead of the overview; "" the overview.
int RunInspect(const std::string& path, bool json, std::optional<int> code_page,
               const std::string& text);

// The project file: its settings into `options` (paths made relative to its
// folder); what is wrong with it into `findings`.
void LoadProjectFile(const std::string& path, BuildOptions* options, Findings* findings);
// scrpack init: a commented project file to start from; never overwrites.
int RunInit(const std::string& path);
std::string ProjectFileTemplate();

int RunLanguageTemplate();
// `file`: a language file or a shipped language's name.
int RunLanguageCheck(const std::string& file, std::optional<int> code_page,
                     const ReportOptions& report);
int RunLanguageList();

// "scrpack 1.1.0 (setup program 85,504 bytes)".
std::string VersionLine();

// A file's bytes, or a message with the system's reason.
bool ReadInputFile(const std::string& what, const std::string& path, int64_t limit,
                   std::string* bytes, std::string* error, bool* too_large);

}  // namespace scrpack
