// The one rule for names built from a package's texts: the title, the
// screensaver's file name (`ScrFileName`) and the translated words that
// become parts of file and shortcut names.
//
// The setup program runs elevated, and each of these names is joined to a
// place the installation owns: the chosen folder, the Start-menu group, the
// desktop folder, the title's own registry keys. A name that climbs out of
// its place, or that names the place itself, would make the install run
// write, and the uninstall run delete, what the installation does not own.
// So the setup refuses, at load and as a damaged package, a title or file
// name that breaks the rule (nothing has been written by then), and it
// never uses a translated word that breaks it: the English word stands in.
// The author's tool checks the same fields with the same functions before
// it writes a package.
//
// Plain functions over bytes in the package's code page; `LeadBytes` names
// that code page's double-byte lead bytes, whose trail bytes may have the
// value of "\" without being one.
#pragma once

#include <string>
#include <string_view>

#include "package/file_name.h"
#include "package/language.h"
#include "package/texts.h"
#include "platform/system.h"

namespace scr {

enum class NameFault {
  kNone,
  // Empty, or nothing but blanks and separators: the name would be its
  // place itself (the whole Uninstall key, the Programs folder).
  kNamesNothing,
  // A part made only of dots (blanks around them aside): ".." climbs out of
  // its place, "." names it; Windows also drops trailing dots and blanks
  // from a name, so "..." and " . " do the same.
  kDotsOnlyPart,
  // A word that holds "\", "/" or ":": it would turn a name into a path.
  kSeparator,
  // Ends in the lead byte of a double-byte character without its trail
  // byte: it would take the byte joined behind it (the "\" that ends the
  // group folder, the blank before a word) for its trail byte.
  kIncompleteCharacter,
  // A title that holds "\": it would nest the uninstall entry, the
  // Start-menu group and the player's settings key one below another, and a
  // title such as "C:\windows\x" would make them a path.
  kTitleBackslash,
  // The refusals of Windows' own file names, which the author's tool checks
  // as well, so that a package never names a file Windows will not create:
  // one of * ? " < > | (or "/" and ":" in a title, whose only separator is
  // the "\" that nests keys and folders),
  kForbiddenCharacter,
  // a control character (bytes 1 to 31),
  kControlCharacter,
  // a part that ends in a dot or a blank (Windows drops them, so the file
  // made and the name asked for later differ),
  kTrailingDotOrBlank,
  // a device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9), with or
  // without an extension.
  kReservedName,
};

// The separators the rule splits at: "\" and "/" are separators to every
// Windows file function, and ":" marks a drive or a stream.
inline constexpr std::string_view kNameSeparators = kAnySeparators;

// The English words whose translations become parts of names: the readme
// file and its shortcut ("Readme"), the uninstaller file and its shortcut
// ("Uninstall"), the Preview shortcuts ("Preview"). "Setup" is the fourth
// word of the window caption, which names the window.
inline constexpr std::string_view kNameWords[] = {"Readme", "Uninstall", "Preview", "Setup"};

// The title (`ScrTitle` up to its NUL): split at the separators, it must
// have a part that names something, and no part made only of dots; and it
// holds no "\" at all.
NameFault CheckTitle(std::string_view title, const LeadBytes& lead);
// CheckTitle in the running system's code page, as a yes or no.
bool TitleStaysInPlace(System& system, std::string_view title);

// A translated word: no separator, and not made only of dots. An empty
// translation passes (the name simply lacks the word).
NameFault CheckNameWord(std::string_view word, const LeadBytes& lead);
// The translation of `english` when it passes CheckNameWord, else
// `english` itself. Install and removal both build names with it, so they
// always agree on the name.
std::string NameWord(const LanguageTable& table, std::string_view english, const LeadBytes& lead);
std::string NameWord(System& system, const LanguageTable& table, std::string_view english);
// The same for a word of the program's table of texts, as the install and
// uninstall runs name it.
std::string NameWord(System& system, const LanguageTable& table, TextId word);

// The screensaver's file name (`ScrFileName`, which may carry a folder part
// before Windows 2000): its name behind the last separator must name a file.
NameFault CheckScrFileName(std::string_view file_name, const LeadBytes& lead);
// The name the installed file takes: the part of `path` behind its last
// "\", "/" or ":", or "" when that part names no file (empty, blanks, dots).
std::string InstalledFileName(std::string_view path, const LeadBytes& lead);

// ---- Windows' file-name refusals ----
//
// The functions below add what Windows itself refuses in a file name to the
// rules above. `*at` receives the offset of the offending byte (or of the
// part's start). The author's tool refuses such packages before writing
// them, and inspect reports them, with the same functions; the setup's
// loader refuses them as damaged packages.

// One file or folder name, without separators.
NameFault CheckFileNamePart(std::string_view part, const LeadBytes& lead, size_t* at);
// The title: CheckTitle, then as a file name (the title names the readme,
// the shortcuts and the Start-menu group folder).
NameFault CheckTitleForFiles(std::string_view title, const LeadBytes& lead, size_t* at);
// A translated word: CheckNameWord, then as a file name. An empty word
// passes, as it does for CheckNameWord.
NameFault CheckNameWordForFiles(std::string_view word, const LeadBytes& lead, size_t* at);
// The screensaver's file name: CheckScrFileName, then its name part as a
// file name.
NameFault CheckScrFileNameForFiles(std::string_view file_name, const LeadBytes& lead, size_t* at);
// A folder field (`DestFolder` or `DestSubfolder`) with its macros
// "<Program Files>" and "<Windows>" written out: each part between "\" or
// "/" as a folder name, no part made only of dots; a drive ("C:") only at
// the start of `DestFolder` (`may_have_drive`). Empty parts (doubled or
// outer separators) pass: the destination rules join them away.
NameFault CheckFolderField(std::string_view folder, bool may_have_drive, const LeadBytes& lead,
                           size_t* at);

}  // namespace scr
