// Fitting a text into a width, and sizing a control to its text, over
// whatever measures it: the window measures in the font of a device
// context, host tests in fixed widths.
#pragma once

#include <string>
#include <vector>

#include "package/ansi_text.h"
#include "wizard/layout.h"

namespace scr {

class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  // For each byte of `text`, where the character it belongs to ends, in
  // pixels from the start (both bytes of a double-byte character end at the
  // same place). All 0 when the text cannot be measured.
  virtual std::vector<int> CharacterEnds(const std::string& text) = 0;
  // The height of one line.
  virtual int LineHeight() = 0;
  // The width and height of `text` as a label draws it (tabs expanded): on
  // one line when `wrap_width` is 0, else broken at words into lines no
  // wider than `wrap_width` where it can be.
  virtual void TextBox(const std::string& text, int wrap_width, int* width, int* height) = 0;
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

// A control's size in screen pixels.
struct ControlSize {
  int w = 0;
  int h = 0;
};

// The size of a control that `entry` sizes by its text (not kFixed), for
// `text`. `layout` is the entry's own size and `widest` the page text's
// width, both already scaled to the screen.
ControlSize SizeToText(TextMeasure& measure, const LeadBytes& lead, const LayoutEntry& entry,
                       const std::string& text, ControlSize layout, int widest);

}  // namespace scr
