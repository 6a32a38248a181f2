// What the checks of the author's tool found: errors stop a build before
// anything is written, warnings are printed and the file is written. build,
// inspect and "language check" report through the same checks.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace scrpack {

struct Finding {
  bool error;
  std::string text;  // begins with where: an option, or a file and line
  // An input that cannot be read or an output that cannot be written, as
  // opposed to a wrong argument or text: the two end with different codes.
  bool input_output = false;
};

class Findings {
 public:
  void Error(std::string text) { items_.push_back({true, std::move(text)}); }
  void Warning(std::string text) { items_.push_back({false, std::move(text)}); }
  void InputOutputError(std::string text) { items_.push_back({true, std::move(text), true}); }
  bool HasInputOutputErrors() const;
  bool HasErrors() const;
  int ErrorCount() const;
  int WarningCount() const;
  const std::vector<Finding>& items() const { return items_; }
  // "scrpack: error: ..." and "scrpack: warning: ..." lines (--quiet:
  // the errors only).
  void Print(std::ostream& out, bool errors_only = false) const;
  // The warnings made errors (--warnings-as-errors).
  void MakeWarningsErrors();

 private:
  std::vector<Finding> items_;
};

// "1 error", "2 errors".
std::string Counted(int n, const char* one, const char* many);

}  // namespace scrpack
