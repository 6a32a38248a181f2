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
};

class Findings {
 public:
  void Error(std::string text) { items_.push_back({true, std::move(text)}); }
  void Warning(std::string text) { items_.push_back({false, std::move(text)}); }
  bool HasErrors() const;
  int ErrorCount() const;
  int WarningCount() const;
  const std::vector<Finding>& items() const { return items_; }
  // "scrpack: error: ..." and "scrpack: warning: ..." lines.
  void Print(std::ostream& out) const;

 private:
  std::vector<Finding> items_;
};

}  // namespace scrpack
