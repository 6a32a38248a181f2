// The room each text has in the wizard's fixed layout, and the width model
// that decides whether a translation fits.
#include "wizard/text_room.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "wizard/layout.h"
#include "wizard/text_fit.h"

namespace scr {
namespace {

TEST(TextRoom, EveryEnglishTextFitsItsControls) {
  for (const TextEntry* e = TextsBegin(); e != TextsEnd(); ++e) {
    for (const TextSlot& slot : SlotsOf(e->id)) {
      std::u32string text;
      for (const char* p : {slot.prefix, e->english, slot.suffix})
        for (; *p; ++p) text += static_cast<char32_t>(static_cast<unsigned char>(*p));
      int needed = 0;
      EXPECT_TRUE(FitsSlot(slot, ShownText(text, slot.accelerator), &needed))
          << e->english << " in " << slot.control << ": " << needed;
    }
  }
}

TEST(TextRoom, ButtonsLabelsAndTitlesHaveTheirSlots) {
  EXPECT_EQ(SlotsOf(TextId::kFinish).size(), 2u);  // the Next button and the page title
  EXPECT_STREQ(SlotsOf(TextId::kNext)[0].suffix, " >");
  EXPECT_STREQ(SlotsOf(TextId::kBack)[0].prefix, "< ");
  EXPECT_EQ(SlotsOf(TextId::kLicensePageText)[0].max_lines, 2);
  EXPECT_EQ(SlotsOf(TextId::kLicenseTitle)[0].font, TextFont::kTitle);
  // Messages and file-name words have no fixed room.
  EXPECT_TRUE(SlotsOf(TextId::kInstallError).empty());
  EXPECT_TRUE(SlotsOf(TextId::kReadme).empty());
}

// A text's room ends where its control ends, or short of what lies beside
// it: inside a button's border, behind a radio button's circle, before the
// header picture, within the page.
TEST(TextRoom, EveryRoomLiesWithinItsControl) {
  const std::map<std::string, Control> controls = {
      {"btnBack", Control::btnBack},
      {"btnBrowse", Control::btnBrowse},
      {"btnCancel", Control::btnCancel},
      {"btnNext", Control::btnNext},
      {"Label1", Control::Label1},
      {"Label2", Control::Label2},
      {"Label3", Control::Label3},
      {"Label4", Control::Label4},
      {"Label5", Control::Label5},
      {"rbAccept", Control::rbAccept},
      {"rbNotAccept", Control::rbNotAccept},
      {"lbTitle", Control::lbTitle},
      {"lbDescription", Control::lbDescription},
  };
  for (const TextEntry* e = TextsBegin(); e != TextsEnd(); ++e) {
    for (const TextSlot& slot : SlotsOf(e->id)) {
      ASSERT_EQ(controls.count(slot.control), 1u) << slot.control;
      const Control c = controls.at(slot.control);
      const LayoutEntry& entry = LayoutOf(c);
      const std::string where = std::string(slot.control) + " " + e->english;
      EXPECT_GT(slot.width, 0) << where;
      if (entry.kind == Kind::kPushButton || entry.kind == Kind::kRadioButton) {
        EXPECT_LT(slot.width, entry.w) << where;
        EXPECT_GT(slot.width, entry.w - 20) << where;
      } else if (PageOf(c) < 0) {
        EXPECT_LT(entry.x + slot.width, kHeaderPictureLeft) << where;
        EXPECT_GE(slot.width, entry.w) << where;
      } else if (entry.sizing == Sizing::kAutoHeightWiden) {
        EXPECT_EQ(slot.width, kPageTextWidth) << where;
      } else {
        EXPECT_LE(entry.x + slot.width, kPageWidth) << where;
        EXPECT_GE(slot.width, entry.w) << where;
      }
    }
  }
}

// Every character 4 pixels wide; both bytes of a double-byte character end
// at the same place.
class FixedMeasure : public TextMeasure {
 public:
  explicit FixedMeasure(const LeadBytes& lead) : lead_(lead) {}
  std::vector<int> CharacterEnds(const std::string& text) override {
    std::vector<int> ends(text.size(), 0);
    int x = 0;
    for (size_t i = 0; i < text.size();) {
      const size_t next = NextCharacter(lead_, text, i);
      x += 4;
      for (; i < next; ++i) ends[i] = x;
    }
    return ends;
  }
  int LineHeight() override { return 13; }
  // Breaks anywhere: lines of as many whole characters as fit.
  void TextBox(const std::string& text, int wrap_width, int* width, int* height) override {
    const int one_line = Measure(*this, text).Width();
    const int per_line = wrap_width > 0 ? std::max(wrap_width / 4 * 4, 4) : one_line;
    *width = std::min(one_line, per_line);
    *height = 13 * std::max(1, (one_line + per_line - 1) / per_line);
  }

 private:
  LeadBytes lead_;
};

// Labels follow their text as the layout asks: a one-line label up to its
// width, where the ellipsis starts; a wrapping one grows downwards; a
// widening one first grows sideways up to the page's text width.
TEST(SizeToText, EachSizingFollowsTheTextItsOwnWay) {
  const LeadBytes lead;
  FixedMeasure measure(lead);
  const ControlSize layout = {40, 20};
  LayoutEntry entry = LayoutOf(Control::Label1);
  entry.kind = Kind::kLabel;
  auto size = [&](Sizing sizing, const std::string& text) {
    entry.sizing = sizing;
    const ControlSize s = SizeToText(measure, lead, entry, text, layout, 100);
    return std::pair(s.w, s.h);
  };
  EXPECT_EQ(size(Sizing::kOneLine, "abc"), std::pair(12, 13));
  EXPECT_EQ(size(Sizing::kOneLine, std::string(30, 'a')), std::pair(40, 13));
  EXPECT_EQ(size(Sizing::kOneLine, ""), std::pair(0, 13));
  EXPECT_EQ(size(Sizing::kAutoHeight, "abc"), std::pair(40, 13));
  EXPECT_EQ(size(Sizing::kAutoHeight, std::string(30, 'a')), std::pair(40, 39));
  EXPECT_EQ(size(Sizing::kAutoHeightWiden, std::string(5, 'a')), std::pair(40, 13));
  EXPECT_EQ(size(Sizing::kAutoHeightWiden, std::string(20, 'a')), std::pair(80, 13));
  EXPECT_EQ(size(Sizing::kAutoHeightWiden, std::string(30, 'a')), std::pair(100, 26));
  EXPECT_EQ(size(Sizing::kAutoHeightWiden, ""), std::pair(40, 13));
  // The link is as wide as its fitted address, as high as the layout.
  entry.kind = Kind::kLink;
  EXPECT_EQ(size(Sizing::kOneLine, "http://a"), std::pair(32, 20));
  EXPECT_EQ(size(Sizing::kOneLine, "http://a.b/c"), std::pair(40, 20));
}

TEST(FitLink, AnAddressThatDoesNotFitEndsInAnEllipsisBetweenCharacters) {
  const LeadBytes lead = LeadBytesOfCodePage(932);
  FixedMeasure measure(lead);
  EXPECT_EQ(FitLink(measure, lead, "http://a.b/", 44).text, "http://a.b/");
  const TextLine cut = FitLink(measure, lead, "http://a.b/c", 44);
  EXPECT_EQ(cut.text, "http://a...");
  EXPECT_LE(cut.Width(), 44);
  // "\x82\xA0" is one character: it stays whole or goes whole.
  const std::string address =
      "ab\x82\xA0"
      "cdefghij";
  EXPECT_EQ(FitLink(measure, lead, address, 22).text, "ab...");
  EXPECT_EQ(FitLink(measure, lead, address, 24).text, "ab\x82\xA0...");
}

TEST(TextWidth, MeasuredWidthsAddUpAndTheTitleFontIsWider) {
  EXPECT_EQ(TextWidth(U"ab", TextFont::kNormal),
            TextWidth(U"a", TextFont::kNormal) + TextWidth(U"b", TextFont::kNormal));
  EXPECT_GT(TextWidth(U"W", TextFont::kNormal), TextWidth(U"i", TextFont::kNormal));
  EXPECT_GT(TextWidth(U"Install", TextFont::kTitle), TextWidth(U"Install", TextFont::kNormal));
  // Cyrillic and Polish letters are measured, not guessed.
  EXPECT_LT(TextWidth(U"\u0430", TextFont::kNormal), 11);
  EXPECT_LT(TextWidth(U"\u0142", TextFont::kNormal), 11);
  // East Asian characters are as wide as the font is high.
  EXPECT_EQ(TextWidth(U"\u65E5\u672C", TextFont::kNormal), 22);
  EXPECT_EQ(TextWidth(U"\u65E5", TextFont::kTitle), 15);
}

TEST(TextWidth, AcceleratorMarksAreNotShown) {
  EXPECT_EQ(ShownText(U"I &accept", true), U"I accept");
  EXPECT_EQ(ShownText(U"Salt && Pepper", true), U"Salt & Pepper");
  EXPECT_EQ(ShownText(U"a&b", false), U"a&b");
}

TEST(WrappedLines, WordsWrapAtBlanksEastAsianTextAnywhere) {
  const int x = TextWidth(U"xxxx", TextFont::kNormal);
  const int blank = TextWidth(U" ", TextFont::kNormal);
  EXPECT_EQ(WrappedLines(U"xxxx xxxx", 2 * x + blank, TextFont::kNormal), 1);
  EXPECT_EQ(WrappedLines(U"xxxx xxxx", 2 * x + blank - 1, TextFont::kNormal), 2);
  EXPECT_EQ(WrappedLines(U"xxxx\r\nxxxx", 100 * x, TextFont::kNormal), 2);
  EXPECT_EQ(WrappedLines(U"xxxxxxxx", x, TextFont::kNormal), -1);  // a word wider than the room
  EXPECT_EQ(WrappedLines(U"\u65E5\u65E5\u65E5\u65E5", 22, TextFont::kNormal), 2);
}

}  // namespace
}  // namespace scr
