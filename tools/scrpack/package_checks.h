// The checks of a package's record and screensaver that decide whether it
// installs as its author meant. build runs them on the record it is about
// to write (errors stop it, nothing is written); inspect runs them on the
// record it reads (errors are its problems). One set of checks, so the two
// never disagree.
#pragma once

#include <string>
#include <string_view>

#include "package/name_rules.h"
#include "package/record.h"
#include "tools/scrpack/findings.h"

namespace scrpack {

// How messages name the fields: build names its options, inspect the
// record's fields.
struct FieldNames {
  const char* title;
  const char* file_name;
  const char* link;
  const char* dest_folder;
  const char* dest_subfolder;
  const char* license_mode;
  const char* screensaver;
};
extern const FieldNames kOptionNames;
extern const FieldNames kRecordNames;

// `license_size`: bytes of licence text in the package. `screensaver_head`:
// the first bytes of the screensaver (up to 4 KiB), for the program check.
void CheckPackage(const scr::SetupRecord& record, int code_page, int64_t license_size,
                  std::string_view screensaver_head, const FieldNames& names, Findings* findings);

// Why `bytes` (package text) breaks the name rules, "" when it does not.
// `what` says what the name becomes ("names the readme file, ...").
std::string NameProblem(scr::NameFault fault, std::string_view bytes, size_t at, int code_page);

// The program check alone: not a Windows program, or one for another
// processor. "" when it is a 32-bit Windows program.
std::string ScreensaverProblem(std::string_view head, bool* is_error);

}  // namespace scrpack
