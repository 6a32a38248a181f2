#include "setup/run_mode.h"

#include "package/ansi_text.h"

namespace scr {

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  size_t i = 0;
  for (;;) {
    while (i < line.size() && static_cast<unsigned char>(line[i]) <= ' ') ++i;
    if (i >= line.size()) break;
    std::string arg;
    bool quoted = false;
    while (i < line.size() && (quoted || static_cast<unsigned char>(line[i]) > ' ')) {
      if (line[i] == '"')
        quoted = !quoted;
      else
        arg += line[i];
      ++i;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::string Argument(const std::vector<std::string>& args, size_t n) {
  return n < args.size() ? args[n] : std::string();
}

bool IsDeferredRemoval(const std::vector<std::string>& args) {
  return ArgumentCount(args) >= 2 && args[1] == "-delfile";
}

RunModes DecideRunModes(const std::vector<std::string>& args) {
  RunModes modes;
  if (ArgumentCount(args) >= 1) {
    std::string first = AsciiLower(TrimBlanks(args[1]));
    modes.SilentMode = first == "-silent";
    modes.PreviewOnly = first == "-previewonly";
  }
  return modes;
}

std::string_view TrimBlanks(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

std::string AsciiLower(std::string_view text) {
  // Every byte a character of its own: no lead bytes.
  return LowerSingleByteLetters(LeadBytes{}, text);
}

}  // namespace scr
