// Language files as the author's tool checks them: what the format would
// misread, broken translations, texts that do not fit; and the shipped
// translations, which must pass without a warning and translate every key.
#include <gtest/gtest.h>

#include <string>

#include "package/language.h"
#include "package/texts.h"
#include "tools/scrpack/language_check.h"
#include "tools/scrpack/languages.h"
#include "tools/scrpack/text_input.h"
#include "wizard/text_room.h"

namespace scrpack {
namespace {

// The findings for a language text, one string each, "E " or "W " first.
std::vector<std::string> Check(const std::string& text, int code_page = 1252) {
  Findings f;
  CheckLanguage(text, code_page, "l.txt", &f);
  std::vector<std::string> out;
  for (const Finding& x : f.items())
    if (x.text.find("not translated and stay English") == std::string::npos)
      out.push_back((x.error ? "E " : "W ") + x.text);
  return out;
}

::testing::AssertionResult Has(const std::vector<std::string>& found, const std::string& a,
                               const std::string& b = "") {
  for (const std::string& s : found)
    if (s.find(a) != std::string::npos && s.find(b) != std::string::npos)
      return ::testing::AssertionSuccess();
  std::string all;
  for (const std::string& s : found) all += "\n  " + s;
  return ::testing::AssertionFailure()
         << "no finding with \"" << a << "\" and \"" << b << "\":" << all;
}

// ---- lines the format misreads ----

TEST(LanguageCheck, ABracketedHeaderIsAnotherSection) {
  const auto f = Check("[Setup]\nNext=Weiter\n");
  EXPECT_TRUE(Has(f, "E l.txt:1:", "[Setup]"));
  EXPECT_TRUE(Has(f, "E l.txt:", "no line reads Setup"));
}

TEST(LanguageCheck, ACommentLineEndsTheSection) {
  EXPECT_TRUE(Has(Check("Setup\n; German texts\nNext=Weiter\n"), "E l.txt:2:", "not a comment"));
  // With nothing after it, it only ends the section: a warning.
  EXPECT_TRUE(Has(Check("Setup\nNext=Weiter\n# end\n"), "W l.txt:3:", "not a comment"));
}

TEST(LanguageCheck, ABlankLineBeforeMoreEntriesLosesThem) {
  const auto f = Check("Setup\nBack=Zurueck\n\nNext=Weiter\nCancel=Abbrechen\n");
  EXPECT_TRUE(Has(f, "E l.txt:3:", "2 entries after it (from line 4) are ignored"));
  // Blank lines at the end lose nothing.
  EXPECT_TRUE(Check("Setup\nNext=Weiter\n\n\n").empty());
  // "Setup" again takes the entries after it.
  EXPECT_TRUE(Check("Setup\nBack=Zurueck\n\nSetup\nNext=Weiter\n").empty());
}

TEST(LanguageCheck, EntriesBeforeTheHeaderAreIgnored) {
  EXPECT_TRUE(Has(Check("Next=Weiter\nSetup\nBack=Zurueck\n"), "E l.txt:1:", "before the line"));
}

TEST(LanguageCheck, ALineWithoutEqualsSignTranslatesNothing) {
  EXPECT_TRUE(Has(Check("Setup\nNext Weiter\n"), "W l.txt:2:", "has no \"=\""));
  EXPECT_TRUE(Has(Check("Setup\nNext Weiter\nBack=Zurueck\n"), "E l.txt:2:", "1 entry"));
}

// ---- names that are no keys ----

TEST(LanguageCheck, MisspelledNamesGetTheNearestKey) {
  EXPECT_TRUE(Has(Check("Setup\nNetx=Weiter\n"), "E l.txt:2:", "did you mean \"Next\""));
  EXPECT_TRUE(Has(Check("Setup\nInstal=Installieren\n"), "did you mean \"Install\""));
  EXPECT_TRUE(Has(Check("Setup\nFoo=Bar\n"), "E l.txt:2:", "language template"));
}

TEST(LanguageCheck, LetterCaseBlanksAndDecorationsAreExplained) {
  EXPECT_TRUE(Has(Check("Setup\ncancel=Abbrechen\n"), "case-sensitive", "\"Cancel\""));
  EXPECT_TRUE(Has(Check("Setup\nNext = Weiter\n"), "E l.txt:2:", "blanks around the name"));
  EXPECT_TRUE(Has(Check("Setup\nNext >=Weiter\n"), "adds the decoration", "\"Next\""));
  EXPECT_TRUE(Has(Check("Setup\n< Back=Zurueck\n"), "adds the decoration", "\"Back\""));
  EXPECT_TRUE(Has(Check("Setup\nBrowse...=Suchen\n"), "\"&Browse\""));
}

TEST(LanguageCheck, ASecondTranslationOfAKeyIsIgnored) {
  EXPECT_TRUE(Has(Check("Setup\nNext=Weiter\nNext=Vor\n"), "W l.txt:3:", "line 2"));
}

// ---- translations that break their use ----

TEST(LanguageCheck, MessagesWithTheTitleNeedExactlyOnePercentS) {
  const std::string key = "There was an error installing %s. Installation is not complete.=";
  EXPECT_TRUE(Has(Check("Setup\n" + key + "Fehler.\n"), "E l.txt:2:", "no \"%s\""));
  EXPECT_TRUE(Has(Check("Setup\n" + key + "Fehler bei %d.\n"), "\"%d\" where"));
  EXPECT_TRUE(Has(Check("Setup\n" + key + "%s: %s\n"), "exactly one"));
  EXPECT_TRUE(Has(Check("Setup\n" + key + "100% %s\n"), "exactly one"));
  EXPECT_TRUE(Check("Setup\n" + key + "Fehler bei %s.\n").empty());
}

TEST(LanguageCheck, WordsThatBecomeFileNamesFollowTheNameRules) {
  EXPECT_TRUE(Has(Check("Setup\nReadme=Lies/mich\n"), "E l.txt:2:", "\"/\""));
  EXPECT_TRUE(Has(Check("Setup\nUninstall=Weg?\n"), "\"?\""));
  EXPECT_TRUE(Has(Check("Setup\nPreview=..\n"), "dots"));
  EXPECT_TRUE(Has(Check("Setup\nSetup=Setup.\n"), "ends in a dot"));
  // The same characters elsewhere are only text.
  EXPECT_TRUE(Check("Setup\nNext=Weiter?\n").empty());
}

TEST(LanguageCheck, ACharacterTheCodePageLacksNamesTheFileLine) {
  EXPECT_TRUE(Has(Check("Setup\nBack=Zur\xC3\xBC"
                        "ck\nNext=\xD0\x94\xD0\xB0\xD0\xBB\xD0\xB5\xD0\xB5\n"),
                  "E l.txt:3:", "code page 1252"));
  EXPECT_TRUE(Check("Setup\nNext=\xD0\x94\xD0\xB0\xD0\xBB\xD0\xB5\xD0\xB5\n", 1251).empty());
}

TEST(LanguageCheck, TextsThatDoNotFitTheirControlAreWarnings) {
  EXPECT_TRUE(Has(Check("Setup\nCancel=Abbrechen und beenden\n"), "W l.txt:2:", "btnCancel"));
  EXPECT_TRUE(Has(Check("Setup\nNext=Weiter weiter weiter\n"), "btnNext"));
  EXPECT_TRUE(Has(Check("Setup\nFinish=Fertig#13stellen\n"), "line break"));
  const std::string long_text(300, 'x');
  EXPECT_TRUE(Has(Check("Setup\nWhen you are ready, click Next.=" + long_text + "\n"), "Label3"));
  EXPECT_TRUE(Has(
      Check("Setup\nThe Setup is ready to install Screen Saver on your computer. Click "
            "Install to continue, or Cancel to exit Setup.=" +
            std::string(40, 'w') + " " + std::string(40, 'w') + " " + std::string(40, 'w') + "\n"),
      "needs 3 lines", "Label5"));
}

TEST(LanguageCheck, EmptyAndBlankEdgedTranslationsAreWarnings) {
  EXPECT_TRUE(Has(Check("Setup\nCancel=\n"), "W l.txt:2:", "empty"));
  EXPECT_TRUE(Has(Check("Setup\nCancel=Abbrechen \n"), "W l.txt:2:", "ends with a blank"));
}

TEST(LanguageCheck, UntranslatedKeysAreOneWarning) {
  Findings f;
  CheckLanguage("Setup\nNext=Weiter\n", 1252, "l.txt", &f);
  ASSERT_EQ(f.items().size(), 1u);
  EXPECT_FALSE(f.items()[0].error);
  EXPECT_NE(f.items()[0].text.find(std::to_string(scr::kTextCount - 1) + " of "),
            std::string::npos);
}

// ---- the template and the shipped translations ----

TEST(LanguageTemplate, HoldsEveryTextOfTheProgramOnceInEnglishAndChecksClean) {
  const std::string t = LanguageTemplate();
  scr::LanguageTable table;
  scr::LoadLanguageTable(table, t, "Setup");
  ASSERT_EQ(table.names.size(), scr::kTextCount);
  for (const scr::TextEntry* e = scr::TextsBegin(); e != scr::TextsEnd(); ++e)
    EXPECT_EQ(scr::Translate(table, e->id), e->english);
  Findings f;
  CheckLanguage(t, 1252, "template", &f);
  EXPECT_TRUE(f.items().empty());
}

TEST(ShippedLanguages, EachTranslatesEveryKeyAndPassesTheCheckWithoutWarnings) {
  ASSERT_GE(ShippedLanguages().size(), 10u);
  for (const ShippedLanguage& l : ShippedLanguages()) {
    SCOPED_TRACE(l.code);
    // Every key the program looks up has its own line in the file: a key
    // added to the program fails here until every shipped file has it.
    scr::LanguageTable table;
    scr::LoadLanguageTable(table, l.text, "Setup");
    for (const scr::TextEntry* e = scr::TextsBegin(); e != scr::TextsEnd(); ++e) {
      bool found = false;
      for (const std::string& name : table.names) found = found || name == e->english;
      EXPECT_TRUE(found) << "no translation of \"" << e->english << "\"";
    }
    Findings f;
    CheckLanguage(l.text, l.code_page, l.code, &f);
    for (const Finding& x : f.items()) ADD_FAILURE() << x.text;
    // And it is text of its code page as a whole.
    std::string bytes, error;
    EXPECT_TRUE(EncodeToPackage(l.text, l.code_page, &bytes, &error)) << error;
  }
}

TEST(ShippedLanguages, FoundByCodeNameAndNativeName) {
  EXPECT_STREQ(FindShippedLanguage("de")->code, "de");
  EXPECT_STREQ(FindShippedLanguage("German")->code, "de");
  EXPECT_STREQ(FindShippedLanguage("deutsch")->code, "de");
  EXPECT_STREQ(FindShippedLanguage("pt_br")->code, "pt-BR");
  EXPECT_EQ(FindShippedLanguage("ja")->code_page, 932);
  EXPECT_EQ(FindShippedLanguage("zh-CN")->code_page, 936);
  EXPECT_EQ(FindShippedLanguage("ru")->code_page, 1251);
  EXPECT_EQ(FindShippedLanguage("pl")->code_page, 1250);
  EXPECT_EQ(FindShippedLanguage("xx"), nullptr);
}

}  // namespace
}  // namespace scrpack
