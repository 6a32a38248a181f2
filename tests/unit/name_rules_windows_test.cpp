// What Windows refuses in file and folder names, on top of the name rule:
// grouped by field (title, translated word, file name, folder field) and by
// kind of character.
#include <gtest/gtest.h>

#include <string>

#include "package/name_rules.h"

namespace scr {
namespace {

const LeadBytes kSingleByte;

LeadBytes ShiftJis() {
  LeadBytes lead;
  for (int b = 0x81; b <= 0x9F; ++b) lead.lead[b] = true;
  for (int b = 0xE0; b <= 0xFC; ++b) lead.lead[b] = true;
  return lead;
}

const std::string kSo("\x83\x5c", 2);  // "ソ": its trail byte has the value of "\"
// "表" in Shift-JIS (0x95 0x7C): its trail byte has the value of "|".
const std::string kHyo("\x95\x7c", 2);

std::string Q(std::string_view text) { return "\"" + std::string(text) + "\""; }

NameFault Title(std::string_view t, size_t* at = nullptr, const LeadBytes& lead = kSingleByte) {
  size_t ignored = 0;
  return CheckTitleForFiles(t, lead, at ? at : &ignored);
}

// ---- one name ----

TEST(WindowsNameRule, EachCharacterWindowsRefusesIsNamedWithItsPlace) {
  for (char c : std::string("\\/:*?\"<>|")) {
    const std::string name = std::string("ab") + c + "cd";
    size_t at = 99;
    EXPECT_EQ(CheckFileNamePart(name, kSingleByte, &at), NameFault::kForbiddenCharacter) << Q(name);
    EXPECT_EQ(at, 2u) << Q(name);
  }
}

TEST(WindowsNameRule, ControlCharactersAreRefused) {
  for (char c : {'\x01', '\t', '\n', '\r', '\x1f'}) {
    size_t at = 0;
    EXPECT_EQ(CheckFileNamePart(std::string("a") + c, kSingleByte, &at),
              NameFault::kControlCharacter);
    EXPECT_EQ(at, 1u);
  }
}

TEST(WindowsNameRule, ATrailingDotOrBlankIsRefusedAnInnerOneIsNot) {
  size_t at = 0;
  for (const char* name : {"a.", "a ", "a. ", "Aurora..."})
    EXPECT_EQ(CheckFileNamePart(name, kSingleByte, &at), NameFault::kTrailingDotOrBlank) << Q(name);
  for (const char* name : {"a.b", "a b", ".hidden", " a"})
    EXPECT_EQ(CheckFileNamePart(name, kSingleByte, &at), NameFault::kNone) << Q(name);
}

TEST(WindowsNameRule, DeviceNamesAreRefusedWithAnyExtensionAndLetterCase) {
  size_t at = 0;
  for (const char* name :
       {"CON", "con", "Prn", "AUX.txt", "nul.scr", "COM1", "com9.x", "LPT1", "lpt9", "CON .txt"})
    EXPECT_EQ(CheckFileNamePart(name, kSingleByte, &at), NameFault::kReservedName) << Q(name);
  for (const char* name : {"CONSOLE", "COM0", "COM10", "LPT", "NULL.scr", "xCON", "AUXILIARY"})
    EXPECT_EQ(CheckFileNamePart(name, kSingleByte, &at), NameFault::kNone) << Q(name);
}

TEST(WindowsNameRule, TrailBytesOfDoubleByteCharactersAreNoCharacterOfTheirOwn) {
  size_t at = 0;
  EXPECT_EQ(CheckFileNamePart(kSo + kHyo, ShiftJis(), &at), NameFault::kNone);
  EXPECT_EQ(CheckFileNamePart(kHyo, kSingleByte, &at), NameFault::kForbiddenCharacter);
}

// ---- titles ----

TEST(WindowsTitleRule, EveryRefusedCharacterIsAnErrorTheBackslashFirst) {
  for (const char* t : {"Aurora?", "a*b", "Say \"hi\"", "a<b", "a>b", "a|b", "a/b", "Star: Trek"})
    EXPECT_EQ(Title(t), NameFault::kForbiddenCharacter) << Q(t);
  size_t at = 0;
  EXPECT_EQ(Title("Games\\Aur?ra", &at), NameFault::kTitleBackslash);
  EXPECT_EQ(at, 5u);
  EXPECT_EQ(Title("C:\\windows\\x", &at), NameFault::kTitleBackslash);
}

TEST(WindowsTitleRule, TheTitleIsAFileName) {
  EXPECT_EQ(Title("CON"), NameFault::kReservedName);
  EXPECT_EQ(Title("Aurora."), NameFault::kTrailingDotOrBlank);
  EXPECT_EQ(Title("Aurora "), NameFault::kTrailingDotOrBlank);
  // The name rule's own refusals come first, as the setup program sees them.
  EXPECT_EQ(Title("a\\.."), NameFault::kDotsOnlyPart);
  EXPECT_EQ(Title("\\ \\"), NameFault::kNamesNothing);
}

TEST(WindowsTitleRule, ADoubleByteTitleWhoseTrailByteLooksLikeASeparatorPasses) {
  EXPECT_EQ(Title(kSo + "Saver", nullptr, ShiftJis()), NameFault::kNone);
  EXPECT_EQ(Title(kHyo, nullptr, ShiftJis()), NameFault::kNone);
}

// ---- translated words ----

TEST(WindowsWordRule, WordsTakeTheNameRuleAndThenWindowsRefusals) {
  size_t at = 0;
  EXPECT_EQ(CheckNameWordForFiles("Lies/mich", kSingleByte, &at), NameFault::kSeparator);
  EXPECT_EQ(at, 4u);
  EXPECT_EQ(CheckNameWordForFiles("Lies?mich", kSingleByte, &at), NameFault::kForbiddenCharacter);
  EXPECT_EQ(CheckNameWordForFiles("Liesmich.", kSingleByte, &at), NameFault::kTrailingDotOrBlank);
  EXPECT_EQ(CheckNameWordForFiles("NUL", kSingleByte, &at), NameFault::kReservedName);
  EXPECT_EQ(CheckNameWordForFiles("..", kSingleByte, &at), NameFault::kDotsOnlyPart);
  EXPECT_EQ(CheckNameWordForFiles("", kSingleByte, &at), NameFault::kNone);
  EXPECT_EQ(CheckNameWordForFiles("- Installation", kSingleByte, &at), NameFault::kNone);
}

// ---- the screensaver's file name ----

TEST(WindowsFileNameRule, OnlyTheNamePartIsTheInstalledFile) {
  size_t at = 0;
  EXPECT_EQ(CheckScrFileNameForFiles("Aurora.scr", kSingleByte, &at), NameFault::kNone);
  EXPECT_EQ(CheckScrFileNameForFiles("x?\\Aurora.scr", kSingleByte, &at), NameFault::kNone);
  EXPECT_EQ(CheckScrFileNameForFiles("dir\\Au*ra.scr", kSingleByte, &at),
            NameFault::kForbiddenCharacter);
  EXPECT_EQ(at, 6u);
  EXPECT_EQ(CheckScrFileNameForFiles("x/", kSingleByte, &at), NameFault::kNamesNothing);
  EXPECT_EQ(CheckScrFileNameForFiles("x\\.", kSingleByte, &at), NameFault::kDotsOnlyPart);
  EXPECT_EQ(CheckScrFileNameForFiles("aux.scr", kSingleByte, &at), NameFault::kReservedName);
}

// ---- folder fields ----

TEST(WindowsFolderRule, MacrosAndADriveAtTheStartAreNoCharactersOfTheName) {
  size_t at = 0;
  for (const char* folder : {"<Program Files>\\", "<Windows>\\", "C:\\Games", "\\\\server\\share",
                             "<Program Files>\\My Saver\\", "", "a/b"})
    EXPECT_EQ(CheckFolderField(folder, true, kSingleByte, &at), NameFault::kNone) << Q(folder);
}

TEST(WindowsFolderRule, AnythingElseThatNoFolderMayHoldIsRefused) {
  size_t at = 0;
  EXPECT_EQ(CheckFolderField("<ProgramFiles>\\", true, kSingleByte, &at),
            NameFault::kForbiddenCharacter);
  EXPECT_EQ(at, 0u);
  EXPECT_EQ(CheckFolderField("C:\\a:b", true, kSingleByte, &at), NameFault::kForbiddenCharacter);
  EXPECT_EQ(at, 4u);
  // A sub-folder has no drive.
  EXPECT_EQ(CheckFolderField("C:\\Games", false, kSingleByte, &at), NameFault::kForbiddenCharacter);
  EXPECT_EQ(CheckFolderField("<Windows>\\..\\x", true, kSingleByte, &at), NameFault::kDotsOnlyPart);
  EXPECT_EQ(CheckFolderField("Games.\\x", false, kSingleByte, &at), NameFault::kTrailingDotOrBlank);
  EXPECT_EQ(CheckFolderField("x\\LPT1", false, kSingleByte, &at), NameFault::kReservedName);
}

}  // namespace
}  // namespace scr
