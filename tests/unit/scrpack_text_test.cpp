// The author's texts made package text: byte-order marks, UTF-8, UTF-16,
// text already in the code page, and characters the code page lacks.
#include <gtest/gtest.h>

#include <string>

#include "tools/scrpack/text_input.h"
#include "tools/scrpack/unicode.h"

namespace scrpack {
namespace {

const std::string kGruesseUtf8 =
    "Gr\xC3\xBC\xC3\x9F"
    "e";  // "Grüße"
const std::string kGruesse1252 =
    "Gr\xFC\xDF"
    "e";

std::string Package(std::string_view bytes, int code_page = 1252) {
  std::string out, error;
  EXPECT_TRUE(ToPackageText(bytes, code_page, "t", &out, &error)) << error;
  return out;
}

std::string Refusal(std::string_view bytes, int code_page) {
  std::string out, error;
  EXPECT_FALSE(ToPackageText(bytes, code_page, "--readme \"r.txt\"", &out, &error));
  return error;
}

TEST(AuthorText, Utf8WithAndWithoutBomBecomesTheCodePage) {
  EXPECT_EQ(Package(kGruesseUtf8), kGruesse1252);
  EXPECT_EQ(Package("\xEF\xBB\xBF" + kGruesseUtf8), kGruesse1252);  // the BOM is dropped
  EXPECT_EQ(Package("\xEF\xBB\xBFSetup\r\nNext=Weiter\r\n"), "Setup\r\nNext=Weiter\r\n");
}

TEST(AuthorText, Utf16WithBomInBothByteOrders) {
  const std::string le(
      "\xFF\xFEG\0r\0\xFC\0\xDF\0"
      "e\0\r\0\n\0",
      16);
  const std::string be("\xFE\xFF\0G\0r\0\xFC\0\xDF\0e", 12);
  EXPECT_EQ(Package(le), kGruesse1252 + "\r\n");
  EXPECT_EQ(Package(be), kGruesse1252);
  // A surrogate pair: U+1F600 has no place in code page 1252.
  const std::string emoji(
      "\xFF\xFE"
      "A\0=\0\x3D\xD8\x00\xDE",
      10);
  EXPECT_NE(Refusal(emoji, 1252).find("U+1F600"), std::string::npos);
  // Half a character is no UTF-16.
  EXPECT_NE(Refusal(std::string("\xFF\xFE"
                                "A",
                                3),
                    1252)
                .find("UTF-16"),
            std::string::npos);
}

TEST(AuthorText, TextAlreadyInTheCodePageIsKeptByteForByte) {
  EXPECT_EQ(Package(kGruesse1252), kGruesse1252);
  const std::string cyrillic = "\xCF\xF0\xE8\xE2\xE5\xF2";  // "Привет" in 1251
  EXPECT_EQ(Package(cyrillic, 1251), cyrillic);
}

TEST(AuthorText, ACharacterTheCodePageLacksNamesItsLineAndCodePage) {
  const std::string text = "line one\nline two\r\nZ\xC5\x82oty\n";  // "Złoty" on line 3
  const std::string error = Refusal(text, 1252);
  EXPECT_NE(error.find("--readme \"r.txt\""), std::string::npos) << error;
  EXPECT_NE(error.find("line 3"), std::string::npos) << error;
  EXPECT_NE(error.find("U+0142"), std::string::npos) << error;
  EXPECT_NE(error.find("1252"), std::string::npos) << error;
  // The Polish code page holds it.
  EXPECT_EQ(Package(text, 1250), "line one\nline two\r\nZ\xB3oty\n");
}

TEST(AuthorText, NoBestFitSubstitution) {
  // Windows' best-fit tables would write "e" for "ě" in code page 1252.
  EXPECT_NE(Refusal("\xC4\x9B", 1252).find("U+011B"), std::string::npos);
}

TEST(AuthorText, DoubleByteCodePages) {
  // "日本" in code page 932 and "中文" in 936.
  EXPECT_EQ(Package("\xE6\x97\xA5\xE6\x9C\xAC", 932), "\x93\xFA\x96\x7B");
  EXPECT_EQ(Package("\xE4\xB8\xAD\xE6\x96\x87", 936), "\xD6\xD0\xCE\xC4");
  // Hangul has no place in the Chinese code page.
  EXPECT_NE(Refusal("\xED\x95\x9C", 936).find("U+D55C"), std::string::npos);
}

TEST(AuthorText, BytesNeitherUtf8NorOfTheCodePageAreRefused) {
  // 0x81 is no character of code page 1252.
  EXPECT_NE(Refusal("ok\n\x81", 1252).find("line 2"), std::string::npos);
}

TEST(PackageTextShown, DecodedWithTheCodePageUndefinedBytesEscaped) {
  EXPECT_EQ(ShowPackageText(kGruesse1252, 1252), kGruesseUtf8);
  EXPECT_EQ(ShowPackageText("Zur\xFC"
                            "ck",
                            1252),
            "Zur\xC3\xBC"
            "ck");
  EXPECT_EQ(ShowPackageText("a\x81"
                            "b",
                            1252),
            "a\\x81b");
  EXPECT_EQ(ShowPackageText("\xCF\xF0", 1251), "\xD0\x9F\xD1\x80");  // "Пр"
}

}  // namespace
}  // namespace scrpack
