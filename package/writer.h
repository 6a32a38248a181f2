// The one package writer: setup files (scrpack) and uninstaller copies (the
// install run) are both written here, so the two can never disagree about
// the layout.
#pragma once

#include <cstdint>
#include <string_view>

#include "package/record.h"
#include "platform/system.h"

namespace scr {

// Copies `count` bytes of `in` starting at `position` to the end of `out`,
// through one buffer of at most `chunk` bytes.
bool CopyFileRange(File& in, int64_t position, int64_t count, File& out, size_t chunk = 64 * 1024);

// Fills the derived fields of a setup file's record from the block sizes:
// TextBlocksSize, ReadmeSize, LicenseSize, LanguageSize, PackageSize and
// RecordSignature. Reserved bytes are left as they are (zero in a record
// that was value-initialised).
void CompleteSetupRecord(SetupRecord& record, int64_t screensaver_size, int64_t readme_size,
                         int64_t license_size, int64_t language_size);

// Program image, screensaver, readme, licence, language, record, "SCRBui.sig".
// The record's sizes are completed here.
bool WriteSetupFile(File& out, std::string_view program_image, std::string_view screensaver,
                    std::string_view readme, std::string_view license, std::string_view language,
                    SetupRecord record);

// The uninstaller copy of the running setup file `setup` whose package ends
// at `package_end`: the program image, the text-block region, `record` as
// held in memory (with its RecordSignature "SCRSet.sig", whatever the setup
// file held there), "ScUnin.sig". No screensaver. The caller has checked
// the record at load (PackageSize and TextBlocksSize lie inside the file).
bool WriteUninstallerCopy(File& out, File& setup, int64_t package_end, const SetupRecord& record);

}  // namespace scr
