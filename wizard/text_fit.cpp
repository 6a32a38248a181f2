#include "wizard/text_fit.h"

#include <algorithm>

namespace scr {
namespace {

constexpr char kEllipsis[] = "...";

}  // namespace

TextLine Measure(TextMeasure& measure, const std::string& text) {
  TextLine line;
  line.text = text;
  if (text.empty()) return line;
  line.ends = measure.CharacterEnds(text);
  if (line.ends.size() != text.size()) line.ends = std::vector<int>(text.size(), 0);
  return line;
}

TextLine FitLink(TextMeasure& measure, const LeadBytes& lead, const std::string& address,
                 int width) {
  TextLine whole = Measure(measure, address);
  if (whole.Width() <= width) return whole;
  const int room = width - Measure(measure, kEllipsis).Width();
  size_t keep = 0;
  for (size_t i = 0; i < address.size();) {
    const size_t next = NextCharacter(lead, address, i);
    if (whole.ends[next - 1] > room) break;
    keep = next;
    i = next;
  }
  return Measure(measure, address.substr(0, keep) + kEllipsis);
}

ControlSize SizeToText(TextMeasure& measure, const LeadBytes& lead, const LayoutEntry& entry,
                       const std::string& text, ControlSize layout, int widest) {
  // The link's clickable area is the text as drawn, never wider than the
  // layout allows: a long address would otherwise lie over the buttons.
  if (entry.kind == Kind::kLink) return {FitLink(measure, lead, text, layout.w).Width(), layout.h};

  const int line = measure.LineHeight();
  int width = layout.w;
  if (entry.sizing == Sizing::kAutoHeightWiden && !text.empty()) {
    int one_line = 0, unused = 0;
    measure.TextBox(text, 0, &one_line, &unused);
    if (one_line > width) width = std::min(one_line, widest);
  }
  const bool wraps =
      entry.sizing == Sizing::kAutoHeight || entry.sizing == Sizing::kAutoHeightWiden;
  int drawn_w = 0, drawn_h = 0;
  if (!text.empty()) measure.TextBox(text, wraps ? width : 0, &drawn_w, &drawn_h);
  // A one-line label ends in an ellipsis where the layout's width ends.
  return {wraps ? width : std::min(drawn_w, width), std::max(drawn_h, line)};
}

}  // namespace scr
