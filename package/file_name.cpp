#include "package/file_name.h"

#include <cstdint>

namespace scr {

size_t FileNameStart(System& system, std::string_view path, std::string_view separators) {
  size_t start = 0;
  for (size_t i = 0; i < path.size();) {
    const uint8_t c = static_cast<uint8_t>(path[i]);
    if (system.IsLeadByte(c) && i + 1 < path.size()) {
      i += 2;  // the trail byte may look like "\" but is part of a character
      continue;
    }
    if (separators.find(static_cast<char>(c)) != std::string_view::npos) start = i + 1;
    ++i;
  }
  return start;
}

}  // namespace scr
