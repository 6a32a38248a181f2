// Code-page-aware text, over the ANSI code pages 1252, 932, 936, 949 and
// 950. Every text is composed of known characters (a double-byte character
// whose trail byte is "\", "|" or a capital letter; "\", "/", ":", a
// capital, a blank, a dot; a lead byte alone at the end), every sequence of
// up to four of them, so each awkward byte stands in every position. What
// each operation must give follows from the characters the text was made
// of, not from walking its bytes.
#include "package/ansi_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scr {
namespace {

struct Character {
  std::string bytes;
  bool double_byte = false;
};

struct CodePageCase {
  int code_page;
  uint8_t lead;  // a lead byte of the code page (any byte above 0x7F in 1252)
};

const CodePageCase kCodePages[] = {
    {1252, 0x95}, {932, 0x95}, {932, 0xE0}, {936, 0x81}, {949, 0xB0}, {950, 0xA5},
};

// The characters a text of this code page is composed of. In 1252 the
// "lead byte" is a character of its own, and the byte after it another.
std::vector<Character> Alphabet(const CodePageCase& cp) {
  const bool dbcs = cp.code_page != 1252;
  const std::string lead(1, static_cast<char>(cp.lead));
  std::vector<Character> alphabet = {{"\\"}, {"/"}, {":"}, {"A"}, {" "}, {"."}};
  if (dbcs) {
    for (char trail : {'\\', '|', 'A', 'Z'}) alphabet.push_back({lead + trail, true});
  } else {
    alphabet.push_back({lead});
  }
  return alphabet;
}

struct Composed {
  std::string text;
  std::vector<Character> characters;
  std::vector<size_t> starts;
};

// Every sequence of up to `length` characters, and each of them again
// followed by a lead byte alone (in the double-byte code pages).
std::vector<Composed> Compose(const CodePageCase& cp, size_t length) {
  const std::vector<Character> alphabet = Alphabet(cp);
  std::vector<Composed> all = {{}};
  std::vector<Composed> last = {{}};
  for (size_t n = 0; n < length; ++n) {
    std::vector<Composed> next;
    for (const Composed& c : last)
      for (const Character& ch : alphabet) {
        Composed longer = c;
        longer.starts.push_back(longer.text.size());
        longer.text += ch.bytes;
        longer.characters.push_back(ch);
        next.push_back(longer);
      }
    all.insert(all.end(), next.begin(), next.end());
    last = next;
  }
  if (cp.code_page != 1252) {
    const size_t count = all.size();
    for (size_t i = 0; i < count; ++i) {
      Composed lone = all[i];
      lone.starts.push_back(lone.text.size());
      lone.text += static_cast<char>(cp.lead);
      lone.characters.push_back({std::string(1, static_cast<char>(cp.lead)), false});
      all.push_back(lone);
    }
  }
  return all;
}

bool IsSingle(const Character& c, char value) { return c.bytes.size() == 1 && c.bytes[0] == value; }

TEST(AnsiText, EveryOperationKeepsCharactersWhole) {
  for (const CodePageCase& cp : kCodePages) {
    const LeadBytes lead = LeadBytesOfCodePage(cp.code_page);
    const bool lone_lead_possible = cp.code_page != 1252;
    for (const Composed& c : Compose(cp, 4)) {
      SCOPED_TRACE(testing::Message()
                   << "code page " << cp.code_page << ", text " << testing::PrintToString(c.text));
      const std::string& t = c.text;
      const size_t n = c.characters.size();
      EXPECT_EQ(CharacterStarts(lead, t), c.starts);
      const bool lone = lone_lead_possible && n > 0 && c.characters.back().bytes.size() == 1 &&
                        static_cast<uint8_t>(c.characters.back().bytes[0]) == cp.lead;
      EXPECT_EQ(EndsInLoneLeadByte(lead, t), lone);
      for (size_t count = 0; count <= n + 1; ++count)
        EXPECT_EQ(LastCharactersStart(lead, t, count), count == 0   ? t.size()
                                                       : count >= n ? 0
                                                                    : c.starts[n - count]);

      // Separators: only single-byte characters are any.
      size_t last_backslash = std::string::npos, last_any = std::string::npos,
             last_dot = std::string::npos;
      std::vector<size_t> any;
      for (size_t k = 0; k < n; ++k) {
        const Character& ch = c.characters[k];
        if (IsSingle(ch, '\\')) last_backslash = c.starts[k];
        if (IsSingle(ch, '\\') || IsSingle(ch, '/') || IsSingle(ch, ':')) {
          last_any = c.starts[k];
          any.push_back(c.starts[k]);
        }
        if (IsSingle(ch, '.')) last_dot = c.starts[k];
      }
      EXPECT_EQ(LastSeparator(lead, t, kFolderSeparators), last_backslash);
      EXPECT_EQ(LastSeparator(lead, t, kAnySeparators), last_any);
      EXPECT_EQ(SeparatorPositions(lead, t, kAnySeparators), any);
      EXPECT_EQ(ExtensionStart(lead, t), last_dot);
      const size_t name = last_any == std::string::npos ? 0 : last_any + 1;
      EXPECT_EQ(FileNameStart(lead, t, kAnySeparators), name);
      const PathParts parts = SplitPath(lead, t, kAnySeparators);
      EXPECT_EQ(parts.folder, t.substr(0, name));
      EXPECT_EQ(parts.name, t.substr(name));
      EXPECT_EQ(FolderPart(lead, t), t.substr(0, last_backslash + 1));
      std::vector<std::string_view> split;
      size_t begin = 0;
      for (size_t at : any) {
        split.push_back(std::string_view(t).substr(begin, at - begin));
        begin = at + 1;
      }
      split.push_back(std::string_view(t).substr(begin));
      EXPECT_EQ(SplitAtSeparators(lead, t, kAnySeparators), split);

      // The trailing "\".
      const bool ends = n > 0 && IsSingle(c.characters.back(), '\\');
      EXPECT_EQ(EndsWithBackslash(lead, t), ends);
      const std::string whole = lone ? t.substr(0, t.size() - 1) : t;
      const bool whole_ends = ends || (lone && n > 1 && IsSingle(c.characters[n - 2], '\\'));
      EXPECT_EQ(WithBackslash(lead, t), whole_ends ? whole : whole + "\\");
      EXPECT_EQ(WithoutBackslash(lead, t), ends ? t.substr(0, t.size() - 1) : t);
      EXPECT_EQ(JoinPath(lead, t, "x"), (whole_ends ? whole : whole + "\\") + "x");

      // Trimming, lowering, replacing and cutting by characters.
      size_t first = 0, end = n;
      while (first < end && IsSingle(c.characters[first], ' ')) ++first;
      while (end > first && IsSingle(c.characters[end - 1], ' ')) --end;
      const size_t from = first < n ? c.starts[first] : t.size();
      const size_t to = end < n ? c.starts[end] : t.size();
      EXPECT_EQ(TrimBlanks(lead, t), first == end ? "" : t.substr(from, to - from));
      std::string lowered, replaced;
      for (const Character& ch : c.characters) {
        lowered += IsSingle(ch, 'A') ? std::string("a") : ch.bytes;
        replaced += IsSingle(ch, '\\') ? std::string("<sep>") : ch.bytes;
      }
      EXPECT_EQ(LowerSingleByteLetters(lead, t), lowered);
      EXPECT_EQ(ReplaceAll(lead, t, "\\", "<sep>"), replaced);
      EXPECT_EQ(ReplaceAll(lead, t, "", "x"), t);
      for (size_t bytes = 0; bytes <= t.size() + 1; ++bytes) {
        size_t keep = 0;
        for (size_t k = 0; k < n; ++k) {
          const size_t stop = k + 1 < n ? c.starts[k + 1] : t.size();
          if (stop <= bytes) keep = stop;
        }
        EXPECT_EQ(CutToBytes(lead, t, bytes), t.substr(0, keep));
      }
    }
  }
}

TEST(AnsiText, DecimalTextWritesEveryDigit) {
  EXPECT_EQ(DecimalText(0), "0");
  EXPECT_EQ(DecimalText(7), "7");
  EXPECT_EQ(DecimalText(10), "10");
  EXPECT_EQ(DecimalText(9999998), "9999998");
  EXPECT_EQ(DecimalText(4294967295u), "4294967295");
}

// The names of the faults found on a code page 932 system, by their bytes.
TEST(AnsiText, JapaneseNamesFromTheFieldKeepTheirLastCharacter) {
  const LeadBytes sjis = LeadBytesOfCodePage(932);
  const std::string kinou = "\x8B\x40\x94\x5C";  // a title ending in trail byte 0x5C
  const std::string so = "\x83\x5C";             // a file name ending in it
  const std::string programs = "C:\\Start Menu\\Programs";
  EXPECT_EQ(JoinPath(sjis, programs, kinou) + "\\", programs + "\\" + kinou + "\\");
  EXPECT_EQ(FolderPart(sjis, programs + "\\" + kinou), programs + "\\");
  EXPECT_EQ(FolderPart(sjis, "C:\\Savers\\AB" + so), "C:\\Savers\\");
  EXPECT_EQ(WithoutBackslash(sjis, "C:\\" + kinou + "\\"), "C:\\" + kinou);
  EXPECT_EQ(WithoutBackslash(sjis, "C:\\" + kinou), "C:\\" + kinou);
  // The same bytes in code page 1252 are other characters, and 0x5C is "\".
  const LeadBytes western = LeadBytesOfCodePage(1252);
  EXPECT_EQ(FolderPart(western, "C:\\Savers\\AB" + so), "C:\\Savers\\AB\x83\\");
}

}  // namespace
}  // namespace scr
