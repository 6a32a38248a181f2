// The wizard window: Win32 controls created from the layout table
// (wizard/layout.h) and bound to the TSCRSetup logic through WizardView.
//
// Keys are not left to IsDialogMessage: each key press is described to the
// keyboard rules (wizard/keyboard.h), which decide what it does; this file
// only reports the key and carries out the answer.
#include "wizard/win32/wizard_window.h"

#include <commctrl.h>

#include <array>
#include <optional>

#include "package/ansi_text.h"
#include "package/setup_icon.h"
#include "platform/win32/system_library.h"
#include "wizard/keyboard.h"
#include "wizard/layout.h"
#include "wizard/setup_form.h"
#include "wizard/text_fit.h"
#include "wizard/win32/folder_browser.h"
#include "wizard/win32/pictures.h"

namespace scr {
namespace {

// Newer than the headers this program is compiled against (it must load on
// Windows 95 and NT 4); sending them to an older system is harmless.
constexpr UINT kWmChangeUiState = 0x0127;
constexpr WORD kUisClear = 2;
constexpr WORD kUisfHideFocus = 0x1;
constexpr WORD kUisfHideAccel = 0x2;
constexpr WORD kIdcHand = 32649;

constexpr UINT kCheckFocus = WM_APP + 1;  // posted: see KeepFocusOnAFocusableControl

constexpr char kWindowClass[] = "TSCRSetup";
constexpr char kPanelClass[] = "TSCRPanel";  // header band, Notebook and its pages
constexpr COLORREF kTitleColour = RGB(0, 51, 188);
constexpr COLORREF kLinkColour = RGB(0, 102, 204);

constexpr size_t kControlCount = static_cast<size_t>(Control::kCount);

// The window class, style and extended style a layout entry is made of.
struct ChildClass {
  const char* window_class;
  DWORD style;
  DWORD ex_style;
};

ChildClass ClassOf(const LayoutEntry& entry) {
  DWORD style = WS_CHILD;
  if (!(entry.start & kStartHidden)) style |= WS_VISIBLE;
  if (entry.start & kStartDisabled) style |= WS_DISABLED;
  // Of a group of radio buttons only the selected one is a stop, as in
  // dialogs (our own Tab handling decides, but the controls see the flag).
  if (entry.tab >= 0 && (entry.kind != Kind::kRadioButton || (entry.start & kStartChecked)))
    style |= WS_TABSTOP;
  switch (entry.kind) {
    case Kind::kRule:
      return {"STATIC", style | SS_ETCHEDHORZ, 0};
    case Kind::kPanel:
      return {kPanelClass, (style & ~WS_TABSTOP) | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case Kind::kPicture:
      return {"STATIC", style | SS_OWNERDRAW, 0};
    case Kind::kLabel:
      return {
          "STATIC",
          style | (entry.sizing == Sizing::kOneLine ? SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS : SS_LEFT),
          0};
    case Kind::kLink:
      // Drawn by the window (DrawLink), so that the underline ends with the
      // text and a long address ends in an ellipsis.
      return {"STATIC", style | SS_OWNERDRAW | SS_NOTIFY, 0};
    case Kind::kPushButton:
      return {"BUTTON", style | BS_PUSHBUTTON, 0};
    case Kind::kRadioButton:
      return {"BUTTON", style | BS_AUTORADIOBUTTON | (entry.start & kStartsGroup ? WS_GROUP : 0),
              0};
    case Kind::kTextBox:
      return {"EDIT", style | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case Kind::kTextArea:
      return {"EDIT", style | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
              WS_EX_CLIENTEDGE};
    case Kind::kReadOnlyTextArea:
      return {"EDIT", style | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
              WS_EX_CLIENTEDGE};
    case Kind::kProgressBar:
      return {PROGRESS_CLASSA, style, 0};
  }
  return {"STATIC", style, 0};
}

std::string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  if (length <= 0) return std::string();
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(hwnd, &text[0], length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

char SystemFold(char c) {
  char buffer[2] = {c, 0};
  CharLowerBuffA(buffer, 1);
  return buffer[0];
}

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
      ends.assign(text.size(), 0);
    return ends;
  }

 private:
  HDC dc_;
};

class Win32View : public WizardView {
 public:
  explicit Win32View(System& system) : system_(system) {
    HDC screen = GetDC(nullptr);
    dpi_ = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    if (dpi_ <= 0) dpi_ = 96;
  }
  ~Win32View() override {
    Destroy();
    for (HFONT font : fonts_)
      if (font) DeleteObject(font);
  }

  void Bind(TSCRSetup* form) { form_ = form; }

  // Creates the main window (hidden) and every child. False when the window
  // system refuses (no display).
  bool Create(HINSTANCE instance);

  HWND main() const { return main_; }
  bool terminated() const { return terminated_; }

  // Centres the window on the screen, shows it and gives the focus to the
  // control asked for while it was hidden, or to the first in tab order.
  void Show();

  void Destroy() {
    if (main_ && IsWindow(main_)) DestroyWindow(main_);
    main_ = nullptr;
  }

  // Keyboard handling ahead of dispatch. True when the message was used.
  bool PreTranslate(const MSG& msg);

  // ---- WizardView ----
  void SetText(Control c, const std::string& text) override {
    HWND hwnd = Hwnd(c);
    if (!hwnd) return;
    SetWindowTextA(hwnd, text.c_str());
    FitToText(c);
  }
  std::string Text(Control c) override { return WindowText(Hwnd(c)); }
  void SetVisible(Control c, bool visible) override {
    HWND hwnd = Hwnd(c);
    if (!hwnd) return;
    ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
    KeepFocusOnAFocusableControl();
  }
  bool Visible(Control c) override {
    HWND hwnd = Hwnd(c);
    return hwnd && (GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
  }
  void SetEnabled(Control c, bool enabled) override {
    HWND hwnd = Hwnd(c);
    if (!hwnd) return;
    const bool had_focus = GetFocus() == hwnd;
    EnableWindow(hwnd, enabled ? TRUE : FALSE);
    if (!enabled && had_focus) ::SetFocus(nullptr);
    KeepFocusOnAFocusableControl();
  }
  bool Enabled(Control c) override {
    HWND hwnd = Hwnd(c);
    return hwnd && (GetWindowLongA(hwnd, GWL_STYLE) & WS_DISABLED) == 0;
  }
  bool Checked(Control c) override {
    HWND hwnd = Hwnd(c);
    return hwnd && SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void SetFocus(Control c) override {
    HWND hwnd = Hwnd(c);
    if (!hwnd) return;
    focus_request_ = hwnd;
    if (IsWindowVisible(main_) && Focusable(hwnd)) ::SetFocus(hwnd);
  }
  void ShowPage(int page) override {
    if (page < 0 || page >= kPageCount) return;
    ShowWindow(Child(kIdFirstPage + page), SW_SHOWNA);
    for (int other = 0; other < kPageCount; ++other)
      if (other != page) ShowWindow(Child(kIdFirstPage + other), SW_HIDE);
    KeepFocusOnAFocusableControl();
  }
  void SetCaption(const std::string& caption) override {
    if (main_) SetWindowTextA(main_, caption.c_str());
  }
  std::string Caption() override { return WindowText(main_); }
  void SetProgressMax(int maximum) override {
    HWND bar = Hwnd(Control::ProgressBar);
    if (maximum < 0) maximum = 0;
    // The 16-bit range is what every comctl32 knows; the 32-bit one only
    // for larger ranges.
    if (maximum <= 0xFFFF)
      SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, maximum));
    else
      SendMessageA(bar, PBM_SETRANGE32, 0, maximum);
  }
  void SetProgress(int position) override {
    SendMessageA(Hwnd(Control::ProgressBar), PBM_SETPOS, position, 0);
  }
  void RepaintAndPump() override;
  void SetBusy(bool busy) override;
  void Close() override {
    // The main window: closing it ends the program. It is hidden now and
    // destroyed (running FormDestroy) once the message loop has ended, so
    // the handler that closed it may still touch its controls safely.
    if (main_) ShowWindow(main_, SW_HIDE);
    terminated_ = true;
  }
  void Terminate() override { terminated_ = true; }
  void HideForever() override {
    if (!main_) return;
    ShowWindow(main_, SW_HIDE);
    SetWindowLongA(main_, GWL_STYLE, WS_POPUP | WS_CLIPCHILDREN);
    SetWindowPos(main_, nullptr, 0, 0, 1, 1,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_HIDEWINDOW);
  }
  bool BrowseForFolder(const std::string& start, const std::string& instruction,
                       std::string* chosen) override {
    return browser_.Browse(main_, system_, start, instruction, chosen);
  }

  // ---- messages ----
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  int S(int pixels) const { return MulDiv(pixels, dpi_, 96); }

  HFONT MakeFont(int height, bool underline) const {
    return CreateFontA(-S(height), 0, 0, 0, FW_NORMAL, FALSE, underline ? TRUE : FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, "Tahoma");
  }
  HFONT FontOf(Font font) const { return fonts_[static_cast<size_t>(font)]; }

  bool CreateChild(size_t index);
  LRESULT HandleChildMessage(UINT msg, WPARAM wp, LPARAM lp, bool* handled);
  LRESULT HandleMainMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  // Any child of the layout, by id.
  HWND Child(int id) const {
    const auto layout = WizardLayout();
    for (size_t i = 0; i < layout.size(); ++i)
      if (layout[i].id == id) return created_[i];
    return nullptr;
  }
  HWND ParentWindow(Parent parent) const {
    switch (parent) {
      case Parent::kWindow:
        return main_;
      case Parent::kPanel2:
        return Child(kIdPanel2);
      case Parent::kNotebook:
        return Child(kIdNotebook);
      default:
        return Child(kIdFirstPage + static_cast<int>(parent) - static_cast<int>(Parent::kPage0));
    }
  }
  HWND Hwnd(Control c) const {
    const size_t index = static_cast<size_t>(c);
    return index < kControlCount ? controls_[index] : nullptr;
  }
  std::optional<Control> ControlOf(HWND hwnd) const {
    if (!hwnd) return std::nullopt;
    for (size_t i = 0; i < kControlCount; ++i)
      if (controls_[i] == hwnd) return static_cast<Control>(i);
    return std::nullopt;
  }

  void FitToText(Control c);
  void DrawLink(const DRAWITEMSTRUCT& item);

  // A control can take the focus when it, its page and the window show and
  // it is enabled.
  bool Focusable(HWND hwnd) const {
    if (!hwnd) return false;
    for (HWND w = hwnd; w && w != main_; w = GetParent(w)) {
      const LONG style = GetWindowLongA(w, GWL_STYLE);
      if (!(style & WS_VISIBLE) || (style & WS_DISABLED)) return false;
    }
    return true;
  }

  // The controls as the keyboard rules see them. The page is the form's:
  // the view keeps none of its own.
  ControlInfos Describe() {
    return DescribeControls(*this, form_ ? form_->CurrentPage() : kPageDirectory);
  }
  HWND FirstTabStopWindow() {
    const std::optional<Control> first = FirstTabStop(Describe());
    return first ? Hwnd(*first) : nullptr;
  }

  void Carry(const KeyAction& action);
  void FocusByKeyboard(HWND hwnd) {
    ::SetFocus(hwnd);
    // A text box reached by Tab selects its whole text, as in dialogs.
    char window_class[16] = {};
    GetClassNameA(hwnd, window_class, sizeof window_class);
    if (lstrcmpiA(window_class, "EDIT") == 0) SendMessageA(hwnd, EM_SETSEL, 0, -1);
  }
  void ShowKeyboardCues() {
    SendMessageA(main_, kWmChangeUiState, MAKEWPARAM(kUisClear, kUisfHideFocus | kUisfHideAccel),
                 0);
  }

  // After a page change or a control being hidden or disabled the focus may
  // sit on something that can no longer take it. The check runs once the
  // current handler has returned, when the page's buttons have their final
  // states (SettleFocus decides where the focus goes).
  void KeepFocusOnAFocusableControl() {
    if (!main_ || focus_check_posted_) return;
    focus_check_posted_ = PostMessageA(main_, kCheckFocus, 0, 0) != FALSE;
  }
  void CheckFocus();

  void Click(Control c, bool take_focus);

  System& system_;
  TSCRSetup* form_ = nullptr;
  HINSTANCE instance_ = nullptr;
  int dpi_ = 96;
  std::array<HFONT, 3> fonts_ = {};  // by Font
  HWND main_ = nullptr;
  std::array<HWND, kLayoutSize> created_ = {};  // by layout entry
  std::array<HWND, kControlCount> controls_ = {};
  FolderBrowser browser_;
  HWND focus_request_ = nullptr;
  HWND saved_focus_ = nullptr;
  bool busy_ = false;
  bool terminated_ = false;
  bool destroyed_ = false;
  bool focus_check_posted_ = false;
};

bool Win32View::Create(HINSTANCE instance) {
  instance_ = instance;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  // The author's icon when the tool wrote one into this program, else the
  // system's default.
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(scr::kSetupIconId));
  if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWindowClass;
  if (!RegisterClassA(&wc)) return false;
  wc.lpfnWndProc = PanelProc;
  wc.hIcon = nullptr;
  wc.lpszClassName = kPanelClass;
  if (!RegisterClassA(&wc)) return false;

  fonts_[static_cast<size_t>(Font::kNormal)] = MakeFont(11, false);
  fonts_[static_cast<size_t>(Font::kTitle)] = MakeFont(15, false);
  fonts_[static_cast<size_t>(Font::kLink)] = MakeFont(11, true);

  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame = {0, 0, S(kClientWidth), S(kClientHeight)};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
  main_ = CreateWindowExA(WS_EX_CONTROLPARENT, kWindowClass, "Screen Saver Setup", style,
                          CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                          frame.bottom - frame.top, nullptr, nullptr, instance, this);
  if (!main_) return false;
  SendMessageA(main_, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(Font::kNormal)), FALSE);
  for (size_t i = 0; i < created_.size(); ++i)
    if (!CreateChild(i)) return false;
  return true;
}

bool Win32View::CreateChild(size_t index) {
  const LayoutEntry& entry = WizardLayout()[index];
  const ChildClass cls = ClassOf(entry);
  // The panels reach this object through their creation data, as the main
  // window does.
  void* param = entry.kind == Kind::kPanel ? this : nullptr;
  HWND hwnd =
      CreateWindowExA(cls.ex_style, cls.window_class, entry.text, cls.style, S(entry.x), S(entry.y),
                      S(entry.w), S(entry.h), ParentWindow(entry.parent),
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), instance_, param);
  if (!hwnd) return false;
  created_[index] = hwnd;
  SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(entry.font)), FALSE);
  if (entry.start & kStartChecked) SendMessageA(hwnd, BM_SETCHECK, BST_CHECKED, 0);
  const int control = entry.id - kFirstControlId;
  if (control >= 0 && control < static_cast<int>(kControlCount)) {
    controls_[static_cast<size_t>(control)] = hwnd;
    FitToText(static_cast<Control>(control));
  }
  return true;
}

void Win32View::Show() {
  RECT r;
  GetWindowRect(main_, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  SetWindowPos(main_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(main_, SW_SHOWNORMAL);
  UpdateWindow(main_);
  SetForegroundWindow(main_);
  HWND wanted = focus_request_ && Focusable(focus_request_) ? focus_request_ : FirstTabStopWindow();
  if (wanted) ::SetFocus(wanted);
}

void Win32View::RepaintAndPump() {
  HWND bar = Hwnd(Control::ProgressBar);
  if (bar) RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  // Bounded, so that a window that keeps posting to itself cannot hold the
  // copy loop here.
  MSG msg;
  for (int n = 0; n < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void Win32View::SetBusy(bool busy) {
  busy_ = busy;
  if (busy) {
    EnableWindow(main_, FALSE);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  } else {
    EnableWindow(main_, TRUE);
    POINT p;
    GetCursorPos(&p);
    SetCursorPos(p.x, p.y);  // makes the system ask for the cursor again
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    KeepFocusOnAFocusableControl();
  }
}

// Controls sized by their text follow it the way the layout asks.
void Win32View::FitToText(Control c) {
  const LayoutEntry& entry = LayoutOf(c);
  if (entry.sizing == Sizing::kFixed) return;
  HWND hwnd = Hwnd(c);
  const std::string text = WindowText(hwnd);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FontOf(entry.font));
  TEXTMETRICA metrics;
  GetTextMetricsA(dc, &metrics);
  const int line = metrics.tmHeight;
  int w = S(entry.w), h = line;
  if (entry.kind == Kind::kLink) {
    // The clickable area is the text as drawn, never wider than the layout
    // allows: a long address would otherwise lie over the buttons.
    DcMeasure measure(dc);
    w = FitLink(measure, LeadBytesOf(system_), text, S(entry.w)).Width();
    h = S(entry.h);
  } else {
    UINT flags = DT_CALCRECT | DT_EXPANDTABS;
    int width = S(entry.w);
    if (entry.sizing == Sizing::kAutoHeightWiden && !text.empty()) {
      RECT one_line = {0, 0, 0, 0};
      DrawTextA(dc, text.c_str(), -1, &one_line, flags);
      const int widest = S(kPageTextWidth);
      if (one_line.right > width) width = one_line.right < widest ? one_line.right : widest;
    }
    const bool wraps =
        entry.sizing == Sizing::kAutoHeight || entry.sizing == Sizing::kAutoHeightWiden;
    if (wraps) flags |= DT_WORDBREAK;
    RECT r = {0, 0, wraps ? width : 0, 0};
    if (!text.empty()) DrawTextA(dc, text.c_str(), -1, &r, flags);
    h = r.bottom - r.top;
    if (h < line) h = line;
    // A one-line label ends in an ellipsis where the layout's width ends.
    w = wraps ? width : (r.right - r.left < width ? r.right - r.left : width);
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  SetWindowPos(hwnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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

bool Win32View::PreTranslate(const MSG& msg) {
  if (!main_ || (msg.hwnd != main_ && !IsChild(main_, msg.hwnd))) return false;
  const bool key = msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR ||
                   msg.message == WM_SYSCHAR;
  if (busy_) return key;  // the window takes no input while it installs
  if (!form_ || terminated_) return false;

  KeyPress press;
  switch (msg.message) {
    case WM_KEYDOWN:
      switch (msg.wParam) {
        case VK_TAB:
          press.key = Key::kTab;
          press.shift = GetKeyState(VK_SHIFT) < 0;
          break;
        case VK_ESCAPE:
          press.key = Key::kEscape;
          break;
        case VK_RETURN:
          press.key = Key::kEnter;
          break;
        case VK_UP:
        case VK_DOWN:
        case VK_LEFT:
        case VK_RIGHT:
          press.key = Key::kArrow;
          break;
        default:
          return false;
      }
      break;
    case WM_SYSCHAR:
      press.key = Key::kAltLetter;
      press.character = static_cast<char>(msg.wParam);
      break;
    case WM_CHAR:
      press.key = Key::kCharacter;
      press.character = static_cast<char>(msg.wParam);
      break;
    default:
      return false;
  }
  const KeyAction action = DecideKey(Describe(), ControlOf(GetFocus()), press, SystemFold);
  if (action.what == KeyAction::kPass) return false;
  Carry(action);
  return true;
}

void Win32View::Carry(const KeyAction& action) {
  if (action.show_cues) ShowKeyboardCues();
  switch (action.what) {
    case KeyAction::kFocus:
      if (HWND hwnd = Hwnd(action.target)) FocusByKeyboard(hwnd);
      break;
    case KeyAction::kClick:
      Click(action.target, false);
      break;
    case KeyAction::kFocusAndClick:
      Click(action.target, true);
      break;
    case KeyAction::kPass:
    case KeyAction::kIgnore:
      break;
  }
}

void Win32View::CheckFocus() {
  focus_check_posted_ = false;
  if (!main_ || !IsWindowVisible(main_) || busy_ || terminated_) return;
  HWND focus = GetFocus();
  if (focus && focus != main_ && !IsChild(main_, focus)) return;  // another window has it
  const std::optional<Control> settled = SettleFocus(Describe(), ControlOf(focus));
  if (settled && Hwnd(*settled) != focus) ::SetFocus(Hwnd(*settled));
}

// A click on a control the way a mouse click reaches the logic; with
// `take_focus` the control takes the focus first, as a keyboard click
// does. A radio button always takes it, as under the mouse.
void Win32View::Click(Control c, bool take_focus) {
  if (!form_ || busy_ || terminated_) return;
  HWND hwnd = Hwnd(c);
  if (!Focusable(hwnd)) return;
  switch (c) {
    case Control::rbAccept:
    case Control::rbNotAccept:
      // Checked before it takes the focus: a radio button may report a
      // click of its own when it gets the focus unchecked (the way dialogs
      // select by arrow keys), which would run rbAcceptClick with the old
      // choice first and move the focus on to Next or Cancel.
      SendMessageA(Hwnd(Control::rbAccept), BM_SETCHECK,
                   c == Control::rbAccept ? BST_CHECKED : BST_UNCHECKED, 0);
      SendMessageA(Hwnd(Control::rbNotAccept), BM_SETCHECK,
                   c == Control::rbNotAccept ? BST_CHECKED : BST_UNCHECKED, 0);
      ::SetFocus(hwnd);
      form_->Click(c);
      return;
    case Control::btnCancel:
    case Control::btnBack:
    case Control::btnNext:
    case Control::btnBrowse:
    case Control::Link:
      break;
    default:
      return;  // nothing else answers a click
  }
  if (take_focus) ::SetFocus(hwnd);
  form_->Click(c);
}

// Messages that children send to their parent (the main window, the header
// band, the Notebook or a page): all are handled in one place.
LRESULT Win32View::HandleChildMessage(UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
  *handled = true;
  switch (msg) {
    case WM_COMMAND: {
      const std::optional<Control> c = ControlOf(reinterpret_cast<HWND>(lp));
      if (HIWORD(wp) != BN_CLICKED || !c || LOWORD(wp) != ControlId(*c)) return 0;
      if (*c == Control::rbAccept || *c == Control::rbNotAccept) {
        // The radio button has already checked itself.
        if (form_ && !busy_ && !terminated_ && Focusable(Hwnd(*c))) form_->Click(*c);
      } else {
        Click(*c, false);
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wp);
      HWND child = reinterpret_cast<HWND>(lp);
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
    case WM_DRAWITEM: {
      const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (item->hwndItem == Child(kIdImage2))
        DrawSoftwareBox(item->hDC, item->rcItem, GetSysColor(COLOR_WINDOW));
      else if (item->hwndItem == Child(kIdImage1))
        DrawFolder(item->hDC, item->rcItem, GetSysColor(COLOR_BTNFACE));
      else if (item->hwndItem == Hwnd(Control::Link))
        DrawLink(*item);
      else
        *handled = false;
      return TRUE;
    }
    case WM_SETCURSOR:
      if (busy_) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
      }
      if (reinterpret_cast<HWND>(wp) == Hwnd(Control::Link)) {
        HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(kIdcHand));
        SetCursor(hand ? hand : LoadCursorA(nullptr, IDC_ARROW));
        return TRUE;
      }
      *handled = false;
      return 0;
    default:
      *handled = false;
      return 0;
  }
}

LRESULT Win32View::HandleMainMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  bool handled = false;
  const LRESULT result = HandleChildMessage(msg, wp, lp, &handled);
  if (handled) return result;
  switch (msg) {
    case kCheckFocus:
      CheckFocus();
      return 0;
    case WM_CLOSE:
      // The close box ends the program like Cancel; not while installing.
      if (busy_) return 0;
      if (form_)
        form_->btnCancelClick();
      else
        terminated_ = true;
      return 0;
    case WM_DESTROY:
      if (form_ && !destroyed_) form_->FormDestroy();
      destroyed_ = true;
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(main_, focus)) saved_focus_ = focus;
      } else if (!busy_) {
        HWND wanted = saved_focus_ && Focusable(saved_focus_) ? saved_focus_ : FirstTabStopWindow();
        if (wanted) ::SetFocus(wanted);
      }
      return 0;
    case WM_SETFOCUS:
      // The window itself never keeps the focus; its first control takes it.
      if (!busy_) {
        HWND first = FirstTabStopWindow();
        if (first) ::SetFocus(first);
      }
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

// The window and its panels find their view in their user data, put there
// from the creation data when they are created.
Win32View* ViewOf(HWND hwnd, UINT msg, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<Win32View*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK Win32View::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Win32View* view = ViewOf(hwnd, msg, lp);
  if (!view || !view->main_) return DefWindowProcA(hwnd, msg, wp, lp);
  return view->HandleMainMessage(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Win32View::PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (Win32View* view = ViewOf(hwnd, msg, lp)) {
    bool handled = false;
    const LRESULT result = view->HandleChildMessage(msg, wp, lp, &handled);
    if (handled) return result;
  }
  if (msg == WM_ERASEBKGND) {
    // The header band is white (the window colour), the rest button face.
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(reinterpret_cast<HDC>(wp), &r,
             GetSysColorBrush(GetDlgCtrlID(hwnd) == kIdPanel2 ? COLOR_WINDOW : COLOR_BTNFACE));
    return 1;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int RunWizardWindow(HINSTANCE instance, System& system, RunModes modes,
                    std::vector<std::string> args) {
  // comctl32 (the progress bar's home) is loaded here, for the window,
  // rather than imported: a silent run then never loads it, nor the theme
  // support that its version 6 brings in, which costs a silent install
  // tens of milliseconds of start-up. It comes by its full path from the
  // system folder, never from the folder the program was started from.
  if (HMODULE comctl = LoadSystemLibrary("comctl32.dll")) {
    using InitFn = void(WINAPI*)();
    if (auto init = reinterpret_cast<InitFn>(GetProcAddress(comctl, "InitCommonControls"))) init();
  }
  Win32View view(system);
  if (!view.Create(instance)) {
    const DWORD error = GetLastError();
    char text[200];
    wsprintfA(text,
              "Screensaver Setup: the setup window could not be created (error %lu); "
              "is a display available? Setup ends without changes.\r\n",
              static_cast<unsigned long>(error));
    system.WriteStdError(text);
    return ExitCodeOf(RunEnd::kNoWindow);
  }
  TSCRSetup form(system, view, modes, std::move(args));
  view.Bind(&form);
  system.SetOwnerWindow(view.main());

  form.FormCreate();
  if (!view.terminated()) {
    view.Show();
    MSG msg;
    while (!view.terminated()) {
      const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
      if (got == 0 || got == -1) break;
      if (view.PreTranslate(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  system.SetOwnerWindow(nullptr);
  view.Destroy();  // WM_DESTROY runs FormDestroy
  return form.exit_code;
}

}  // namespace scr
