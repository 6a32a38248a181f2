#include "package/language.h"

#include <gtest/gtest.h>

namespace scr {
namespace {

LanguageTable Load(std::string_view block, std::string_view section = "Setup") {
  LanguageTable table;
  LoadLanguageTable(table, block, section);
  return table;
}

TEST(LanguageTable, AbsentAndEmptyTablesTranslateNothing) {
  LanguageTable absent;
  EXPECT_EQ(Translate(absent, "Next"), "Next");
  LanguageTable empty = Load("");
  EXPECT_TRUE(empty.present);
  EXPECT_TRUE(empty.names.empty());
  EXPECT_EQ(Translate(empty, "Next"), "Next");
}

TEST(LanguageTable, LinesAndSectionsFollowTheBlockRules) {
  LanguageTable t = Load(
      "Cancel=Before\r\n"
      "[Setup]\r\nBack=Bracketed\r\n"
      "Setup\r\n"
      "Next = Weiter\n"
      "cancel=klein\r"
      "Cancel=A=B\r\n"
      "Cancel=second\r\n"
      "Finish=Zeile eins#13Zeile zwei\r\n"
      "\r\n"
      "Install=after empty line\r\n"
      "Setup\n"
      "Readme=Liesmich");
  EXPECT_EQ(Translate(t, "Back"), "Back");      // a bracketed header is another section
  EXPECT_EQ(Translate(t, "Next"), "Next");      // "Next " never matches "Next"
  EXPECT_EQ(Translate(t, "Next "), " Weiter");  // nothing is trimmed
  EXPECT_EQ(Translate(t, "Cancel"), "A=B");     // first match wins; value keeps its "="
  EXPECT_EQ(Translate(t, "Finish"), "Zeile eins\r\nZeile zwei");
  EXPECT_EQ(Translate(t, "Install"), "Install");  // an empty line ends the section
  EXPECT_EQ(Translate(t, "Readme"), "Liesmich");  // ... until "Setup" comes again
  EXPECT_EQ(t.names.size(), 6u);
}

TEST(LanguageTable, LineBreakKeysUseHash13AndNulEndsTheBlock) {
  LanguageTable t = Load(std::string("Setup\nOne#13Two=Eins#13Zwei\nA=B\0C=D\n", 33));
  EXPECT_EQ(Translate(t, "One\r\nTwo"), "Eins\r\nZwei");
  EXPECT_EQ(Translate(t, "Three\r\nFour"), "Three\r\nFour");
  EXPECT_EQ(Translate(t, "A"), "B");
  EXPECT_EQ(Translate(t, "C"), "C");
  // LF followed by CR makes an empty line between them: a header.
  LanguageTable u = Load("Setup\n\rA=B\r\n");
  EXPECT_EQ(Translate(u, "A"), "A");
}

TEST(LanguageTable, EmptySectionNameKeepsEverySectionAndFreeMakesItAbsent) {
  LanguageTable t = Load("A=1\nX\nB=2\nSetup\nC=3", "");
  EXPECT_EQ(t.names, (std::vector<std::string>{"A", "B", "C"}));
  FreeLanguageTable(t);
  EXPECT_FALSE(t.present);
  EXPECT_EQ(Translate(t, "A"), "A");
}

TEST(ReplaceAll, ScansLeftToRightWithoutRescanning) {
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("<W><W>", "<W>", "<W><W>"), "<W><W><W><W>");
  EXPECT_EQ(ReplaceAll("Abc", "a", "x"), "Abc");
}

TEST(InsertTitle, TakesTheTitleAsDataAtTheFirstPlaceholderOnly) {
  EXPECT_EQ(InsertTitle("Remove %s now?", "Fish"), "Remove Fish now?");
  EXPECT_EQ(InsertTitle("%s and %s", "A%sB"), "A%sB and %s");
  EXPECT_EQ(InsertTitle("100%d %n", "x"), "100%d %n");
  EXPECT_EQ(InsertTitle("%s", "%n%n"), "%n%n");
}

}  // namespace
}  // namespace scr
