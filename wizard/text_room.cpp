#include "wizard/text_room.h"

#include "wizard/layout.h"

namespace scr {
namespace {

// A push button draws its text inside its 2-pixel border and the focus
// rectangle within it; a radio button's text starts behind its 13-pixel
// circle and a gap.
constexpr int kButtonMargin = 6;
constexpr int kRadioIndent = 18;
// The right edge of header texts, a little short of the header picture.
constexpr int kHeaderRight = kHeaderPictureLeft - 4;

using F = TextFont;

int Button(Control c) { return LayoutOf(c).w - kButtonMargin; }
int Radio(Control c) { return LayoutOf(c).w - kRadioIndent; }
int Label(Control c) { return LayoutOf(c).w; }
// A header line from its start to the header's right edge.
int Header(Control c) { return kHeaderRight - LayoutOf(c).x; }

// Bounds as the layout gives them.
const TextSlot kSlots[] = {
    {TextId::kBack, "btnBack", "< ", "", F::kNormal, Button(Control::btnBack), 1, true},
    {TextId::kBrowseButton, "btnBrowse", "", "...", F::kNormal, Button(Control::btnBrowse), 1,
     true},
    {TextId::kCancel, "btnCancel", "", "", F::kNormal, Button(Control::btnCancel), 1, true},
    {TextId::kNext, "btnNext", "", " >", F::kNormal, Button(Control::btnNext), 1, true},
    {TextId::kInstall, "btnNext", "", "", F::kNormal, Button(Control::btnNext), 1, true},
    {TextId::kFinish, "btnNext", "", "", F::kNormal, Button(Control::btnNext), 1, true},
    // Label1 grows downwards; a fourth line would run into edDirectory at 48.
    {TextId::kDirectoryPageText, "Label1", "", "", F::kNormal, Label(Control::Label1), 3, true},
    // Label2 and Label5 are 26 pixels high: two lines.
    {TextId::kLicensePageText, "Label2", "", "", F::kNormal, Label(Control::Label2), 2, true},
    // Label3 widens up to the page's text width; a second line would run
    // into edReadme.
    {TextId::kReadmePageText, "Label3", "", "", F::kNormal, kPageTextWidth, 1, true},
    // Label4 is one line from its start to the page's right edge.
    {TextId::kFinishedPageText, "Label4", "", "", F::kNormal,
     kPageWidth - LayoutOf(Control::Label4).x, 1, true},
    {TextId::kReadyPageText, "Label5", "", "", F::kNormal, Label(Control::Label5), 2, true},
    {TextId::kAccept, "rbAccept", "", "", F::kNormal, Radio(Control::rbAccept), 1, true},
    {TextId::kNotAccept, "rbNotAccept", "", "", F::kNormal, Radio(Control::rbNotAccept), 1, true},
    {TextId::kLicenseTitle, "lbTitle", "", "", F::kTitle, Header(Control::lbTitle), 1, true},
    {TextId::kDirectoryTitle, "lbTitle", "", "", F::kTitle, Header(Control::lbTitle), 1, true},
    {TextId::kReadyTitle, "lbTitle", "", "", F::kTitle, Header(Control::lbTitle), 1, true},
    {TextId::kProgressTitle, "lbTitle", "", "", F::kTitle, Header(Control::lbTitle), 1, true},
    {TextId::kReadmeTitle, "lbTitle", "", "", F::kTitle, Header(Control::lbTitle), 1, true},
    {TextId::kFinish, "lbTitle", "", "", F::kTitle, Header(Control::lbTitle), 1, true},
    {TextId::kFinishedTitle, "lbTitle", "", "", F::kTitle, Header(Control::lbTitle), 1, true},
    {TextId::kReadImportantDescription, "lbDescription", "", "", F::kNormal,
     Header(Control::lbDescription), 1, true},
    {TextId::kDirectoryDescription, "lbDescription", "", "", F::kNormal,
     Header(Control::lbDescription), 1, true},
    {TextId::kReadyDescription, "lbDescription", "", "", F::kNormal, Header(Control::lbDescription),
     1, true},
    {TextId::kProgressDescription, "lbDescription", "", "", F::kNormal,
     Header(Control::lbDescription), 1, true},
    {TextId::kFinishedDescription, "lbDescription", "", "", F::kNormal,
     Header(Control::lbDescription), 1, true},
};

// Characters of East Asian scripts: as wide as the font is high, and a line
// may break before or after any of them.
bool IsEastAsian(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x20000;
}

int CharWidth(char32_t c, TextFont font) {
  const uint8_t* widths = font == TextFont::kTitle ? kWidthsTitle : kWidthsNormal;
  const int em = font == TextFont::kTitle ? 15 : 11;
  size_t base = 0;
  for (size_t i = 0; i < kWidthRangeCount; ++i) {
    const WidthRange& range = kWidthRanges[i];
    if (c >= range.first && c <= range.last) return widths[base + (c - range.first)];
    base += range.last - range.first + 1;
  }
  // Half-width katakana are half as wide; anything else unknown is taken
  // as wide as the font is high, which no Latin or Cyrillic letter reaches.
  if (c >= 0xFF61 && c <= 0xFFDC) return (em + 1) / 2;
  return em;
}

}  // namespace

std::vector<TextSlot> SlotsOf(TextId text) {
  std::vector<TextSlot> slots;
  for (const TextSlot& slot : kSlots)
    if (slot.text == text) slots.push_back(slot);
  return slots;
}

int TextWidth(std::u32string_view text, TextFont font) {
  int width = 0;
  for (char32_t c : text) width += CharWidth(c, font);
  return width;
}

std::u32string ShownText(std::u32string_view text, bool accelerator) {
  if (!accelerator) return std::u32string(text);
  std::u32string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == U'&' && i + 1 < text.size()) ++i;  // "&&" shows one "&"
    shown += text[i];
  }
  return shown;
}

int WrappedLines(std::u32string_view text, int width, TextFont font) {
  int lines = 0;
  size_t start = 0;
  while (true) {
    // One paragraph: up to the next CR LF (or lone CR or LF).
    size_t end = text.find_first_of(U"\r\n", start);
    std::u32string_view paragraph = text.substr(
        start, end == std::u32string_view::npos ? std::u32string_view::npos : end - start);
    // Cut into pieces that may not be split: a run of non-blank characters
    // that are not East Asian, or a single East Asian character.
    int line = 0;  // width of the current line so far
    ++lines;
    size_t i = 0;
    bool space_before = false;
    while (i < paragraph.size()) {
      if (paragraph[i] == U' ') {
        space_before = true;
        ++i;
        continue;
      }
      size_t j = i + 1;
      if (!IsEastAsian(paragraph[i]))
        while (j < paragraph.size() && paragraph[j] != U' ' && !IsEastAsian(paragraph[j])) ++j;
      const int piece = TextWidth(paragraph.substr(i, j - i), font);
      const int gap = space_before && line > 0 ? CharWidth(U' ', font) : 0;
      if (line > 0 && line + gap + piece > width) {
        ++lines;
        line = 0;
      } else {
        line += gap;
      }
      if (piece > width) return -1;
      line += piece;
      space_before = false;
      i = j;
    }
    if (end == std::u32string_view::npos) break;
    start = end + ((text[end] == U'\r' && end + 1 < text.size() && text[end + 1] == U'\n') ? 2 : 1);
  }
  return lines;
}

bool FitsSlot(const TextSlot& slot, std::u32string_view shown, int* needed) {
  if (slot.max_lines == 1) {
    const bool one_line = shown.find_first_of(U"\r\n") == std::u32string_view::npos;
    const int width = TextWidth(shown, slot.font);
    *needed = width;
    return one_line && width <= slot.width;
  }
  const int lines = WrappedLines(shown, slot.width, slot.font);
  *needed = lines;
  return lines >= 0 && lines <= slot.max_lines;
}

}  // namespace scr
