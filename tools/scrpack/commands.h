// The two commands of the author's tool.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace scrpack {

enum ExitCode : int {
  kExitOk = 0,
  kExitBadArguments = 1,   // bad arguments or a field over its limit
  kExitInputOutput = 2,    // an input unreadable, the output unwritable
  kExitInvalidPackage = 3  // inspect: not a valid package
};

struct BuildOptions {
  std::string output;
  std::string scr;
  std::string title;
  std::optional<std::string> file_name;  // default: base name of `scr`
  std::string link;
  std::optional<std::string> readme, license, language;
  std::optional<int64_t> license_mode;  // default: 1 with a licence, else 0
  std::string dest_folder = "<Program Files>\\";
  std::string dest_subfolder;
  bool uninstall_entry = false, start_menu_group = false, desktop_shortcut = false,
       skip_folder_page = false;
  std::optional<std::string> stub;  // default: the embedded setup program
};

int RunBuild(const BuildOptions& options);
int RunInspect(const std::string& path, bool json);

}  // namespace scrpack
