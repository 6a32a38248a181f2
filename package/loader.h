// Reading the package that follows the program image in its own file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "package/file_name.h"
#include "package/language.h"
#include "package/record.h"
#include "platform/system.h"

namespace scr {

// Everything loading leaves for the rest of the process.
struct LoadedPackage {
  SetupRecord record{};
  int64_t package_end = 0;  // PackageEnd: just behind the trailer
  // The program file loading opened (GetModuleFileName once, at the start):
  // the uninstall run copies and deletes this very file.
  std::string program_path;
  TrailerKind kind = TrailerKind::kNone;
  int windows_version = -1;
  std::string language_text;
  LanguageTable table;
  // Read by ReadSetupTexts in a setup run only.
  std::string readme;
  std::string license;
};

enum class LoadStatus {
  kOk,
  kCannotOpen,  // the program's own file could not be opened
  kCorrupted,   // anything else: the one corrupted-file report
};

// Block size of the backward trailer search. The fuzz build makes it small
// (SCR_TRAILER_SEARCH_BLOCK), so that its inputs of a few KiB cross many
// blocks and the overlap between them runs.
#ifdef SCR_TRAILER_SEARCH_BLOCK
inline constexpr size_t kTrailerSearchBlock = SCR_TRAILER_SEARCH_BLOCK;
#else
inline constexpr size_t kTrailerSearchBlock = 64 * 1024;
#endif
// Consecutive blocks overlap by a trailer's length less one byte.
static_assert(kTrailerSearchBlock >= static_cast<size_t>(kTrailerSize),
              "a block must hold a whole trailer");

// PackageEnd of the trailer nearest to the end of `file` (of `size` bytes),
// or -1 when there is none. Reads the tail in blocks, not byte by byte.
int64_t FindPackageEnd(File& file, int64_t size);

// WindowsVersionNumber: -1 not recognised, 0 Windows 95, 1 Windows 98,
// 2 Windows 98 SE, 3 Windows Me, 4 NT 4 and earlier, 5 Windows 2000,
// 6 Windows XP, 7 NT 6.x.
int WindowsVersionNumber(const VersionInfo& version);

// The file-name rule of Windows 2000 and later: a name whose first "." stands
// at position 9 or later is cut to 8 bytes plus ".scr", and every byte but
// the last four that is not an ASCII letter or digit becomes "_". The folder
// part (up to the last "\" or ":" that is not the trail byte of a
// double-byte character) is kept.
void NormaliseScrFileName(System& system, char (&field)[256]);
// The same in the code page whose lead bytes are `lead` (the author's tool
// tells the author what name the file will get).
void NormaliseScrFileName(const LeadBytes& lead, char (&field)[256]);

// The checks of loading on an open package file, without the file-name
// rule: trailer, record, block sizes, the name rule for the title and the
// file name (package/name_rules.h; `lead` names the code page's lead
// bytes), language table, run kind. LoadPackage is this plus opening the
// program's own file and the file-name rule; the author's tool inspects
// packages through it, so its verdict is the setup's own.
LoadStatus ReadPackage(File& file, LoadedPackage& package, const LeadBytes& lead = LeadBytes{});

// Opens the program's own file and loads the package (trailer, record, file
// name rule, language table, run kind). On kOk `file` stays open for
// ReadSetupTexts.
LoadStatus LoadPackage(System& system, LoadedPackage& package, std::unique_ptr<File>& file);

// Setup run: reads the readme and, when the licence page is in use, the
// licence through the still open file. False when a block lies outside the
// file or a read falls short.
bool ReadSetupTexts(File& file, LoadedPackage& package);

// Splits readme or licence text into lines at CR, LF or CR LF (a NUL ends
// the text) and joins them with CR LF, as the wizard's text boxes hold it.
std::string NormaliseLineBreaks(std::string_view text);

}  // namespace scr
