#include "package/file_name.h"

#include <utility>

namespace scr {

size_t FileNameStart(System& system, std::string_view path, std::string_view separators) {
  return FileNameStart(LeadBytesOf(system), path, separators);
}

bool EndsWithBackslash(System& system, std::string_view path) {
  return EndsWithBackslash(LeadBytesOf(system), path);
}

std::string WithBackslash(System& system, std::string_view path) {
  return WithBackslash(LeadBytesOf(system), path);
}

std::string WithoutBackslash(System& system, std::string_view path) {
  return WithoutBackslash(LeadBytesOf(system), path);
}

}  // namespace scr
