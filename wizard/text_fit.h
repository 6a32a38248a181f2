// Fitting a text into a width, over whatever measures it: the window
// measures in the font of a device context, host tests in fixed widths.
#pragma once

#include <string>
#include <vector>

#include "package/ansi_text.h"

namespace scr {

class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  // For each byte of `text`, where the character it belongs to ends, in
  // pixels from the start (both bytes of a double-byte character end at the
  // same place). All 0 when the text cannot be measured.
  virtual std::vector<int> CharacterEnds(const std::string& text) = 0;
};

// A line of text as measured: its bytes and where each one's character ends.
struct TextLine {
  std::string text;
  std::vector<int> ends;
  int Width() const { return ends.empty() ? 0 : ends.back(); }
};

TextLine Measure(TextMeasure& measure, const std::string& text);

// The link's address as it fits into `width`: whole, or as much of it as
// fits followed by "..." (never cut inside a double-byte character).
TextLine FitLink(TextMeasure& measure, const LeadBytes& lead, const std::string& address,
                 int width);

}  // namespace scr
