#include "install/folder_creation.h"

#include <vector>

#include "package/ansi_text.h"

namespace scr {

bool CreateFolderWithParents(System& system, const std::string& folder) {
  // No Windows function takes a longer path; a folder given on the command
  // line may be anything.
  if (folder.size() > kLongestPath) return false;
  // Every separator ("\", "/" or a drive colon); the trail byte of a
  // double-byte character is none.
  std::vector<size_t> cuts = SeparatorPositions(LeadBytesOf(system), folder, "\\/:");
  auto slash = [&](size_t at) { return folder[at] == '\\' || folder[at] == '/'; };
  // From the folder up to the first one that exists, then down again,
  // creating each: a loop, not one call per level, so a folder of
  // thousands of levels costs no stack. Each folder is a prefix of
  // `folder`; only the lengths of the missing ones are kept.
  size_t length = folder.size();
  if (!cuts.empty() && cuts.back() + 1 == length && slash(cuts.back())) {
    --length;  // one trailing separator
    cuts.pop_back();
  }
  std::vector<size_t> missing;
  while (length >= 3 && !system.DirectoryExists(folder.substr(0, length))) {
    while (!cuts.empty() && cuts.back() >= length) cuts.pop_back();
    if (cuts.empty()) return false;         // a relative path without an existing parent
    const size_t parent = cuts.back() + 1;  // its parent part, separator included
    if (parent == length) break;            // which is the path itself ("x:")
    missing.push_back(length);
    length = slash(cuts.back()) ? parent - 1 : parent;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it)
    if (!system.CreateDirectory(folder.substr(0, *it))) return false;
  return true;
}

}  // namespace scr
