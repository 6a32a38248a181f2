#include "package/file_name.h"

namespace scr {

LeadBytes LeadBytesOf(System& system) {
  LeadBytes lead;
  // No code page has a lead byte below 0x80.
  for (int byte = 0x80; byte <= 0xFF; ++byte)
    lead.lead[byte] = system.IsLeadByte(static_cast<uint8_t>(byte));
  return lead;
}

size_t FileNameStart(const LeadBytes& lead, std::string_view path, std::string_view separators) {
  size_t start = 0;
  for (size_t i = 0; i < path.size();) {
    const uint8_t c = static_cast<uint8_t>(path[i]);
    if (lead.IsLead(c) && i + 1 < path.size()) {
      i += 2;  // the trail byte may look like "\" but is part of a character
      continue;
    }
    if (separators.find(static_cast<char>(c)) != std::string_view::npos) start = i + 1;
    ++i;
  }
  return start;
}

size_t FileNameStart(System& system, std::string_view path, std::string_view separators) {
  return FileNameStart(LeadBytesOf(system), path, separators);
}

bool EndsWithBackslash(System& system, std::string_view path) {
  return !path.empty() && path.back() == '\\' &&
         FileNameStart(system, path, kFolderSeparators) == path.size();
}

std::string WithBackslash(System& system, std::string path) {
  if (EndsWithBackslash(system, path)) return path;
  // A lead byte left at the end without its trail byte would take the "\"
  // for its trail byte: the path would end in a double-byte character, not
  // in a separator, and a name joined to it would land in the parent
  // folder. An incomplete character is no character: it goes.
  size_t last = 0;  // where the last character begins
  for (size_t i = 0; i < path.size();) {
    last = i;
    i += system.IsLeadByte(static_cast<uint8_t>(path[i])) && i + 1 < path.size() ? 2 : 1;
  }
  if (last + 1 == path.size() && system.IsLeadByte(static_cast<uint8_t>(path[last])))
    path.pop_back();
  if (!EndsWithBackslash(system, path)) path += '\\';
  return path;
}

std::string WithoutBackslash(System& system, std::string path) {
  if (EndsWithBackslash(system, path)) path.pop_back();
  return path;
}

}  // namespace scr
