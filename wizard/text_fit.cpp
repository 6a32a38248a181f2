#include "wizard/text_fit.h"

namespace scr {
namespace {

constexpr char kEllipsis[] = "...";

}  // namespace

TextLine Measure(TextMeasure& measure, const std::string& text) {
  TextLine line;
  line.text = text;
  if (text.empty()) return line;
  line.ends = measure.CharacterEnds(text);
  if (line.ends.size() != text.size()) line.ends.assign(text.size(), 0);
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

}  // namespace scr
