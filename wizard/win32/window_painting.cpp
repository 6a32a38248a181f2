// Sizing the wizard's labels to their text and drawing what the window
// draws itself: the colours of its static controls, the pictures and the
// link. The sizing rules are the host's (wizard/text_fit.h); the window
// only measures.
#include <algorithm>

#include "package/ansi_text.h"
#include "wizard/text_fit.h"
#include "wizard/win32/pictures.h"
#include "wizard/win32/win32_view.h"

namespace scr {
namespace {

constexpr COLORREF kTitleColour = RGB(0, 51, 188);
constexpr COLORREF kLinkColour = RGB(0, 102, 204);

// Measures in the font selected into a device context.
class DcMeasure : public TextMeasure {
 public:
  explicit DcMeasure(HDC dc) : dc_(dc) {}
  std::vector<int> CharacterEnds(const std::string& text) override {
    std::vector<int> ends(text.size(), 0);
    int fit = 0;
    SIZE size = {};
    if (!GetTextExtentExPointA(dc_, text.c_str(), static_cast<int>(text.size()), 0x7FFFFFFF, &fit,
                               ends.data(), &size))
      std::fill(ends.begin(), ends.end(), 0);
    return ends;
  }
  int LineHeight() override {
    TEXTMETRICA metrics;
    GetTextMetricsA(dc_, &metrics);
    return metrics.tmHeight;
  }
  void TextBox(const std::string& text, int wrap_width, int* width, int* height) override {
    RECT r = {0, 0, wrap_width, 0};
    DrawTextA(dc_, text.c_str(), -1, &r,
              DT_CALCRECT | DT_EXPANDTABS | (wrap_width > 0 ? DT_WORDBREAK : 0));
    *width = r.right - r.left;
    *height = r.bottom - r.top;
  }

 private:
  HDC dc_;
};

}  // namespace

// Controls sized by their text follow it the way the layout asks.
void Win32View::FitToText(Control c) {
  const LayoutEntry& entry = LayoutOf(c);
  if (entry.sizing == Sizing::kFixed) return;
  HWND hwnd = Hwnd(c);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FontOf(entry.font));
  DcMeasure measure(dc);
  const ControlSize size = SizeToText(measure, LeadBytesOf(system_), entry, WindowText(hwnd),
                                      {S(entry.w), S(entry.h)}, S(kPageTextWidth));
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  SetWindowPos(hwnd, nullptr, 0, 0, size.w, size.h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(GetParent(hwnd), nullptr, TRUE);
  // The new text was drawn once at the old size (ending in an ellipsis
  // where it did not fit); a resize repaints only the uncovered part.
  InvalidateRect(hwnd, nullptr, TRUE);
}

// The link: its address (or as much as fits, then "...") underlined in the
// link colour. Each character is placed at the position its measured width
// gives, so that the underline, which the font draws over that width, ends
// with the text (some systems place the glyphs of a small font closer
// together than they measure them).
void Win32View::DrawLink(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  FillRect(dc, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ old = SelectObject(dc, FontOf(Font::kLink));
  DcMeasure measure(dc);
  TextLine line = FitLink(measure, LeadBytesOf(system_), WindowText(item.hwndItem),
                          S(LayoutOf(Control::Link).w));
  if (!line.text.empty()) {
    // Where each character ends becomes how far it advances.
    for (size_t i = line.ends.size() - 1; i > 0; --i) line.ends[i] -= line.ends[i - 1];
    SetTextColor(dc, kLinkColour);
    SetBkMode(dc, TRANSPARENT);
    ExtTextOutA(dc, item.rcItem.left, item.rcItem.top, ETO_CLIPPED, &item.rcItem, line.text.c_str(),
                static_cast<UINT>(line.text.size()), line.ends.data());
  }
  SelectObject(dc, old);
}

LRESULT Win32View::ControlColours(HDC dc, HWND child) {
  const bool on_header = GetParent(child) == Child(kIdPanel2);
  const bool license = child == Hwnd(Control::edLicense);
  // The read-only licence box stays white like any text box.
  const int back = on_header || license ? COLOR_WINDOW : COLOR_BTNFACE;
  COLORREF text = GetSysColor(license || on_header ? COLOR_WINDOWTEXT : COLOR_BTNTEXT);
  if (child == Hwnd(Control::lbTitle)) text = kTitleColour;
  SetTextColor(dc, text);
  SetBkColor(dc, GetSysColor(back));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(back));
}

bool Win32View::DrawItem(const DRAWITEMSTRUCT& item) {
  if (item.hwndItem == Child(kIdImage2))
    DrawSoftwareBox(item.hDC, item.rcItem, GetSysColor(COLOR_WINDOW));
  else if (item.hwndItem == Child(kIdImage1))
    DrawFolder(item.hDC, item.rcItem, GetSysColor(COLOR_BTNFACE));
  else if (item.hwndItem == Hwnd(Control::Link))
    DrawLink(item);
  else
    return false;
  return true;
}

}  // namespace scr
