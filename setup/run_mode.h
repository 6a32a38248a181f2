// Program entry decisions: argument splitting and the run-mode switches.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace scr {

// The two process-wide run-mode flags, fixed before the wizard exists.
struct RunModes {
  bool SilentMode = false;
  bool PreviewOnly = false;
};

// Splits a command line the way ParamStr does: blanks (any byte up to 32)
// separate arguments, double quotes group and are removed. Element 0 is the
// program as written on the command line.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

// Argument `n` (1-based, 0 the program) or empty text when there is none.
std::string Argument(const std::vector<std::string>& args, size_t n);
inline size_t ArgumentCount(const std::vector<std::string>& args) {
  return args.empty() ? 0 : args.size() - 1;
}

// "-delfile" as argument 1 (exact, case-sensitive) with at least two arguments.
bool IsDeferredRemoval(const std::vector<std::string>& args);

// "-silent" / "-previewonly" tested on argument 1, trimmed and lower-cased.
RunModes DecideRunModes(const std::vector<std::string>& args);

// Leading and trailing bytes up to 32 removed.
std::string_view TrimBlanks(std::string_view text);
// A-Z lowered to a-z; other bytes unchanged.
std::string AsciiLower(std::string_view text);

}  // namespace scr
