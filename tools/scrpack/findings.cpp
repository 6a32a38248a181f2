#include "tools/scrpack/findings.h"

#include <ostream>

namespace scrpack {

bool Findings::HasErrors() const { return ErrorCount() > 0; }

int Findings::ErrorCount() const {
  int n = 0;
  for (const Finding& f : items_) n += f.error ? 1 : 0;
  return n;
}

bool Findings::HasInputOutputErrors() const {
  for (const Finding& f : items_)
    if (f.input_output) return true;
  return false;
}

void Findings::MakeWarningsErrors() {
  for (Finding& f : items_) f.error = true;
}

std::string Counted(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

int Findings::WarningCount() const { return static_cast<int>(items_.size()) - ErrorCount(); }

void Findings::Print(std::ostream& out, bool errors_only) const {
  for (const Finding& f : items_)
    if (f.error || !errors_only)
      out << "scrpack: " << (f.error ? "error: " : "warning: ") << f.text << "\n";
}

}  // namespace scrpack
