// The name rule for titles, translated words and the screensaver's file
// name, grouped by field and by kind of character.
#include "package/name_rules.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "platform/sim/sim_system.h"

namespace scr {
namespace {

const LeadBytes kSingleByte;

// Code page 932 (Shift-JIS): its lead bytes, whose trail byte may be 0x5C.
LeadBytes ShiftJis() {
  LeadBytes lead;
  for (int b = 0x81; b <= 0x9F; ++b) lead.lead[b] = true;
  for (int b = 0xE0; b <= 0xFC; ++b) lead.lead[b] = true;
  return lead;
}

// "ソ" in Shift-JIS: 0x83 0x5C, the second byte the value of "\".
const std::string kSo("\x83\x5c", 2);

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// ---- titles ----

TEST(TitleRule, TitlesThatNameNothingAreRefused) {
  for (const char* title : {"", " ", "\t\r", "\\", "\\\\ \\", "/", ":", " / : ", "\\ \\"})
    EXPECT_EQ(CheckTitle(title, kSingleByte), NameFault::kNamesNothing) << Quoted(title);
}

TEST(TitleRule, APartOfDotsOnlyIsRefusedBehindEverySeparator) {
  for (const char* title : {".", "..", "...", " .. ", ". .", "a\\..", "../b", "\\.\\", "a\\.",
                            "a/..", "a:..", "..\\..\\Windows", "x\\ . \\y", "a\\\t..\t"})
    EXPECT_EQ(CheckTitle(title, kSingleByte), NameFault::kDotsOnlyPart) << Quoted(title);
}

TEST(TitleRule, OrdinaryTitlesPass) {
  for (const char* title : {"My Saver", "a", "a/b", "a.b", ".hidden", "1", "x?",
                            "Star Trek: Voyager", "a..b", "...a", "a.", "50%s Off"})
    EXPECT_EQ(CheckTitle(title, kSingleByte), NameFault::kNone) << Quoted(title);
}

TEST(TitleRule, ABackslashIsRefused) {
  // It would nest the entry, the group and the settings key, or make them a
  // path.
  for (const char* title : {"\\a", "a\\b", "a\\ \\b", "a\\", "C:\\windows\\x", "Games\\Aquarium"})
    EXPECT_EQ(CheckTitle(title, kSingleByte), NameFault::kTitleBackslash) << Quoted(title);
  // A trail byte of that value is none.
  EXPECT_EQ(CheckTitle(kSo + "a", ShiftJis()), NameFault::kNone);
}

TEST(TitleRule, ATrailByteThatLooksLikeABackslashSplitsNothing) {
  // "ソ.." is one name (Windows drops its trailing dots); read byte by byte it
  // would be a part "\x83" and a part "..".
  const std::string title = kSo + "..";
  EXPECT_EQ(CheckTitle(title, ShiftJis()), NameFault::kNone);
  EXPECT_EQ(CheckTitle(title, kSingleByte), NameFault::kDotsOnlyPart);
  // A real separator after a double-byte character still splits.
  EXPECT_EQ(CheckTitle(kSo + "\\..", ShiftJis()), NameFault::kDotsOnlyPart);
}

// A lead byte at the end, without its trail byte, would take the "\" that
// ends the group folder (or the blank behind a word) for its trail byte.
TEST(TitleRule, HalfACharacterAtTheEndIsRefusedEverywhere) {
  const std::string half = "Saver\x83";
  EXPECT_EQ(CheckTitle(half, ShiftJis()), NameFault::kIncompleteCharacter);
  EXPECT_EQ(CheckNameWord(half, ShiftJis()), NameFault::kIncompleteCharacter);
  EXPECT_EQ(CheckScrFileName(half, ShiftJis()), NameFault::kIncompleteCharacter);
  EXPECT_EQ(InstalledFileName("C:\\" + half, ShiftJis()), "");
  // Whole characters, and the same byte in a single-byte code page, pass.
  EXPECT_EQ(CheckTitle(half + "\x5C", ShiftJis()), NameFault::kNone);
  EXPECT_EQ(CheckTitle(half, kSingleByte), NameFault::kNone);
  EXPECT_EQ(InstalledFileName("C:\\Saver" + kSo, ShiftJis()), "Saver" + kSo);
}

TEST(TitleRule, TheSystemFormAsksTheSystemsCodePage) {
  SimSystem sim;
  const std::string title = kSo + "..";
  EXPECT_FALSE(TitleStaysInPlace(sim, title));
  for (int b = 0x81; b <= 0x9F; ++b) sim.lead_bytes.insert(static_cast<uint8_t>(b));
  EXPECT_TRUE(TitleStaysInPlace(sim, title));
  EXPECT_FALSE(TitleStaysInPlace(sim, "a\\.."));
}

// ---- translated words ----

TEST(NameWordRule, AWordWithASeparatorIsRefused) {
  for (const char* word : {"Lies/mich", "Lies\\mich", "C:", "a:b", "\\", "/Readme", "x\\..\\y"})
    EXPECT_EQ(CheckNameWord(word, kSingleByte), NameFault::kSeparator) << Quoted(word);
}

TEST(NameWordRule, AWordOfDotsOnlyIsRefused) {
  for (const char* word : {".", "..", "...", " .. ", ". ."})
    EXPECT_EQ(CheckNameWord(word, kSingleByte), NameFault::kDotsOnlyPart) << Quoted(word);
}

TEST(NameWordRule, OrdinaryWordsPass) {
  for (const char* word :
       {"Liesmich", "Lies mich", "Lies.mich", ".Readme", "a..", "Désinstaller", "", " ", "x?"})
    EXPECT_EQ(CheckNameWord(word, kSingleByte), NameFault::kNone) << Quoted(word);
  // A trail byte of the value of "\" is part of a character.
  EXPECT_EQ(CheckNameWord(kSo + "x", ShiftJis()), NameFault::kNone);
  EXPECT_EQ(CheckNameWord(kSo + "x", kSingleByte), NameFault::kSeparator);
}

TEST(NameWordRule, ARefusedTranslationGivesWayToTheEnglishWord) {
  LanguageTable table;
  LoadLanguageTable(table,
                    "Setup\r\nReadme=Lies/mich\r\nUninstall=..\r\nPreview=Vorschau\r\n"
                    "Setup=Ein:richtung\r\n",
                    "Setup");
  EXPECT_EQ(NameWord(table, "Readme", kSingleByte), "Readme");
  EXPECT_EQ(NameWord(table, "Uninstall", kSingleByte), "Uninstall");
  EXPECT_EQ(NameWord(table, "Preview", kSingleByte), "Vorschau");
  EXPECT_EQ(NameWord(table, "Setup", kSingleByte), "Setup");
  LanguageTable none;
  EXPECT_EQ(NameWord(none, "Readme", kSingleByte), "Readme");

  SimSystem sim;
  EXPECT_EQ(NameWord(sim, table, "Readme"), "Readme");
  EXPECT_EQ(NameWord(sim, table, "Preview"), "Vorschau");
}

TEST(NameWordRule, TheWordListNamesEveryWordThatBecomesAName) {
  const std::vector<std::string> words(std::begin(kNameWords), std::end(kNameWords));
  EXPECT_EQ(words, (std::vector<std::string>{"Readme", "Uninstall", "Preview", "Setup"}));
}

// ---- the screensaver's file name ----

TEST(ScrFileNameRule, TheNameBehindTheLastSeparatorMustNameAFile) {
  for (const char* name :
       {"Aquarium.scr", "Savers\\Aquarium.scr", "../Data/x.scr", "C:x.scr", "a.", ".scr", "x..scr"})
    EXPECT_EQ(CheckScrFileName(name, kSingleByte), NameFault::kNone) << Quoted(name);
  for (const char* name : {"", " ", "x/", "Savers\\", "C:", "a\\ \t"})
    EXPECT_EQ(CheckScrFileName(name, kSingleByte), NameFault::kNamesNothing) << Quoted(name);
  for (const char* name : {".", "..", "a\\..", "x:.", "Savers/ . "})
    EXPECT_EQ(CheckScrFileName(name, kSingleByte), NameFault::kDotsOnlyPart) << Quoted(name);
}

TEST(ScrFileNameRule, TheInstalledNameNeverCarriesAFolder) {
  EXPECT_EQ(InstalledFileName("Aquarium.scr", kSingleByte), "Aquarium.scr");
  EXPECT_EQ(InstalledFileName("../Data/thesis.doc", kSingleByte), "thesis.doc");
  EXPECT_EQ(InstalledFileName("x:..\\y.scr", kSingleByte), "y.scr");
  EXPECT_EQ(InstalledFileName("C:\\WINDOWS\\Saver1.scr", kSingleByte), "Saver1.scr");
  EXPECT_EQ(InstalledFileName("C:\\WINDOWS\\..", kSingleByte), "");
  EXPECT_EQ(InstalledFileName("C:\\WINDOWS\\", kSingleByte), "");
  EXPECT_EQ(InstalledFileName("", kSingleByte), "");
  EXPECT_EQ(InstalledFileName("a\\" + kSo + ".scr", ShiftJis()), kSo + ".scr");
  EXPECT_EQ(InstalledFileName("a\\" + kSo + ".scr", kSingleByte), ".scr");
}

}  // namespace
}  // namespace scr
