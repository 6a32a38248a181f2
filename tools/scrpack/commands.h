// The commands of the author's tool.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace scrpack {

enum ExitCode : int {
  kExitOk = 0,
  kExitBadArguments = 1,   // bad arguments, a field over its limit, a check's error
  kExitInputOutput = 2,    // an input unreadable, the output unwritable
  kExitInvalidPackage = 3  // inspect: the package cannot install as it should
};

struct BuildOptions {
  std::string output;
  std::string scr;
  std::string title;
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
};

int RunBuild(const BuildOptions& options);
// `code_page`: how to show the package's texts; default: the code page of
// the shipped language the package carries, else 1252.
int RunInspect(const std::string& path, bool json, std::optional<int> code_page);

int RunLanguageTemplate();
// `file`: a language file or a shipped language's name.
int RunLanguageCheck(const std::string& file, std::optional<int> code_page);
int RunLanguageList();

// "scrpack 1.1.0 (setup program 85,504 bytes)".
std::string VersionLine();

// A file's bytes, or a message with the system's reason.
bool ReadInputFile(const std::string& what, const std::string& path, int64_t limit,
                   std::string* bytes, std::string* error, bool* too_large);

}  // namespace scrpack
