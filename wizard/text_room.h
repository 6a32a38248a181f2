// How much room each text of the program has in the wizard's fixed layout,
// and whether a translation fits there. The window draws every text in
// Tahoma; the widths here are what the window under Wine measures (see
// tests/driver/textwidths.cpp), which draws a wider stand-in, so a text that
// fits here fits on Windows too. Only the author's tool asks these
// questions; the setup program itself draws whatever it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "package/texts.h"

namespace scr {

enum class TextFont : uint8_t {
  kNormal,  // 11 pixels: every control but the page title
  kTitle,   // 15 pixels: lbTitle
};

// One place where a text is shown: the control, the decoration the program
// adds around the translation, and the room there.
struct TextSlot {
  TextId text;
  const char* control;
  const char* prefix;  // added before the translation ("< " on Back)
  const char* suffix;  // added after it (" >" on Next)
  TextFont font;
  int width;         // pixels the text may take on one line
  int max_lines;     // 1 for buttons and one-line labels
  bool accelerator;  // "&x" shows as an underlined x
};

// Every slot of `text` (none for message texts and file-name words, which
// have no fixed room).
std::vector<TextSlot> SlotsOf(TextId text);

// Width in pixels of one line of text as the window draws it.
int TextWidth(std::u32string_view text, TextFont font);

// The text as a control shows it: "&x" becomes "x" and "&&" becomes "&"
// when the control takes accelerators.
std::u32string ShownText(std::u32string_view text, bool accelerator);

// Lines the text takes when wrapped at spaces (and between East Asian
// characters) into `width` pixels, as word-wrapped labels do; CR LF starts
// a new line. A word wider than `width` on its own counts as not fitting:
// the result is then max_lines + 1 for any caller, so -1 is returned.
int WrappedLines(std::u32string_view text, int width, TextFont font);

// Whether `shown` (decoration included) fits `slot`; when it does not,
// `*needed` receives the width (one-line slots) or the lines it needs.
bool FitsSlot(const TextSlot& slot, std::u32string_view shown, int* needed);

// Measured width tables, generated into text_widths.cpp.
struct WidthRange {
  char32_t first, last;
};
extern const WidthRange kWidthRanges[];
extern const size_t kWidthRangeCount;
extern const uint8_t kWidthsNormal[];
extern const uint8_t kWidthsTitle[];

}  // namespace scr
