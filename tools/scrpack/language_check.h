// The checks of a language file: what the setup program would misread or
// ignore, translations that break their message or a file name, and texts
// that do not fit their control. `language check` prints them; `build` runs
// them before writing and stops on errors.
#pragma once

#include <string>
#include <string_view>

#include "tools/scrpack/findings.h"

namespace scrpack {

// `utf8`: the language text as decoded from its file; `where`: the file
// name for messages ("de.lng" gives "de.lng:3: ..."). Every message names
// its line.
void CheckLanguage(std::string_view utf8, int code_page, const std::string& where,
                   Findings* findings);

// Levenshtein distance, for "did you mean" hints.
size_t EditDistance(std::string_view a, std::string_view b);

// The key nearest to `name` in spelling, or "" when none is close.
std::string NearestKey(std::string_view name);

// The complete "Setup" section with every key and its English text.
std::string LanguageTemplate();

}  // namespace scrpack
