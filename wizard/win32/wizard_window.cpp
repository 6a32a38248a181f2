// The wizard window: plain Win32 controls laid out on a 513 x 370 client
// area, bound to the TSCRSetup logic through WizardView.
//
// Keyboard handling is our own rather than IsDialogMessage's: the window has
// no default button (Enter clicks only a focused button), Escape clicks the
// first visible and enabled of Cancel, Back and Next, and Tab follows the
// layout's tab positions across the header, the button row and the visible
// Notebook page.
#include "wizard/win32/wizard_window.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>

#include "wizard/memory_view.h"
#include "wizard/setup_form.h"
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
constexpr int kClientWidth = 513;
constexpr int kClientHeight = 370;
constexpr COLORREF kTitleColour = RGB(0, 51, 188);
constexpr COLORREF kLinkColour = RGB(0, 102, 204);

enum class Parent { kTop, kPanel2, kPage0, kPage1, kPage2, kPage3, kPage4, kPage5 };

enum class Sizing {
  kFixed,
  kAutoSize,    // width and height follow the text
  kAutoHeight,  // fixed width, word-wrapped, height follows the text
  // As kAutoHeight, but the width is a minimum: a text that does not fit on
  // one line widens the label up to the page's text width (433) before it
  // wraps, so that a wider font or a longer translation does not push a
  // second line into the readme box just below.
  kAutoHeightWiden,
  kAutoWidth13,  // width follows the text, height fixed (the link)
};

struct ChildSpec {
  int id;
  Parent parent;
  const char* window_class;
  const char* text;  // design-time text
  DWORD style;
  DWORD ex_style;
  int x, y, w, h;
  Sizing sizing;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr DWORD kOneLineLabel = kChild | SS_LEFTNOWORDWRAP;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
int Id(Control c) { return ControlId(c); }

// The layout, in creation order. Page contents follow their page.
const ChildSpec kLayout[] = {
    {kIdBevel1, Parent::kTop, "STATIC", "", kChild | SS_ETCHEDHORZ, 0, 0, 325, 513, 2,
     Sizing::kFixed},
    {kIdBevel2, Parent::kTop, "STATIC", "", kChild | SS_ETCHEDHORZ, 0, 0, 65, 513, 2,
     Sizing::kFixed},
    {Id(Control::Link), Parent::kTop, "STATIC", "http://www.example.com/",
     kChild | SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY, 0, 8, 342, 0, 13, Sizing::kAutoWidth13},
    {Id(Control::btnCancel), Parent::kTop, "BUTTON", "Cancel", kButton, 0, 424, 336, 81, 25,
     Sizing::kFixed},
    {kIdPanel2, Parent::kTop, kPanelClass, "", kChild | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, 0, 0,
     513, 65, Sizing::kFixed},
    {kIdImage2, Parent::kPanel2, "STATIC", "", kChild | SS_OWNERDRAW, 0, 456, 8, 48, 48,
     Sizing::kFixed},
    {Id(Control::lbDescription), Parent::kPanel2, "STATIC",
     "Where should Screen Saver be installed?", kOneLineLabel, 0, 40, 34, 0, 0, Sizing::kAutoSize},
    {Id(Control::lbTitle), Parent::kPanel2, "STATIC", "Select Destination Directory", kOneLineLabel,
     0, 18, 12, 0, 0, Sizing::kAutoSize},
    {Id(Control::btnBack), Parent::kTop, "BUTTON", "< Back", kButton & ~WS_VISIBLE, 0, 256, 336, 81,
     25, Sizing::kFixed},
    {Id(Control::btnNext), Parent::kTop, "BUTTON", "Next >", kButton | WS_DISABLED, 0, 337, 336, 80,
     25, Sizing::kFixed},
    {kIdNotebook, Parent::kTop, kPanelClass, "", kChild | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, 8,
     72, 497, 249, Sizing::kFixed},
    // 0 License
    {Id(Control::Label2), Parent::kPage0, "STATIC",
     "Please read the following License Agreement. You must accept the terms of this agreement "
     "before continuing with the installation.",
     kLabel, 0, 32, 8, 417, 26, Sizing::kFixed},
    {Id(Control::edLicense), Parent::kPage0, "EDIT", "",
     kChild | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
     WS_EX_CLIENTEDGE, 32, 48, 433, 145, Sizing::kFixed},
    {Id(Control::rbAccept), Parent::kPage0, "BUTTON", "I &accept the agreement",
     kChild | WS_GROUP | BS_AUTORADIOBUTTON, 0, 32, 200, 217, 17, Sizing::kFixed},
    {Id(Control::rbNotAccept), Parent::kPage0, "BUTTON", "I &do not accept the agreement",
     kChild | WS_TABSTOP | BS_AUTORADIOBUTTON, 0, 32, 220, 249, 17, Sizing::kFixed},
    // 1 Directory
    {kIdImage1, Parent::kPage1, "STATIC", "", kChild | SS_OWNERDRAW, 0, 32, 8, 32, 32,
     Sizing::kFixed},
    {Id(Control::Label1), Parent::kPage1, "STATIC",
     "Select the folder where you would like the Screen Saver to be installed, then click "
     "Install.",
     kLabel, 0, 80, 8, 345, 0, Sizing::kAutoHeight},
    {Id(Control::edDirectory), Parent::kPage1, "EDIT", "", kChild | WS_TABSTOP | ES_AUTOHSCROLL,
     WS_EX_CLIENTEDGE, 32, 48, 345, 21, Sizing::kFixed},
    {Id(Control::btnBrowse), Parent::kPage1, "BUTTON", "&Browse...", kButton, 0, 384, 46, 83, 25,
     Sizing::kFixed},
    // 2 Ready
    {Id(Control::Label5), Parent::kPage2, "STATIC",
     "The Setup is ready to install Screen Saver on your computer. Click Install to continue, or "
     "Cancel to exit Setup.",
     kLabel, 0, 32, 8, 417, 26, Sizing::kFixed},
    // 3 Progress
    {Id(Control::ProgressBar), Parent::kPage3, PROGRESS_CLASSA, "", kChild, 0, 32, 32, 433, 25,
     Sizing::kFixed},
    // 4 Readme
    {Id(Control::Label3), Parent::kPage4, "STATIC", "When you are ready, click Next.", kLabel, 0,
     32, 8, 155, 0, Sizing::kAutoHeightWiden},
    {Id(Control::edReadme), Parent::kPage4, "EDIT", "",
     kChild | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
     WS_EX_CLIENTEDGE, 32, 32, 433, 193, Sizing::kFixed},
    // 5 Finished
    {Id(Control::Label4), Parent::kPage5, "STATIC", "Click Finish to exit Setup.", kOneLineLabel, 0,
     32, 8, 0, 0, Sizing::kAutoSize},
};

// Tab positions: the window's own row (btnNext 0, btnCancel 1, Notebook 2,
// btnBack 3; the header band at 4 holds nothing that takes the focus), and
// within the Notebook the visible page's controls by their positions.
const Control kTabBeforePage[] = {Control::btnNext, Control::btnCancel};
const Control kTabAfterPage[] = {Control::btnBack};
const Control kPage0Tabs[] = {Control::edLicense, Control::rbAccept, Control::rbNotAccept};
const Control kPage1Tabs[] = {Control::btnBrowse, Control::edDirectory};
const Control kPage4Tabs[] = {Control::edReadme};

// The buttons that answer Escape, in the order they are asked.
const Control kEscapeOrder[] = {Control::btnCancel, Control::btnBack, Control::btnNext};

class Win32View;
Win32View* g_view = nullptr;  // the one wizard window of the process

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM lp, LPARAM data);

bool FolderExists(const char* path) {
  // The browser asks about every item the user selects, empty floppy and
  // CD drives too: the system's "drive not ready" box must not come up.
  const UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS);
  const DWORD attributes = GetFileAttributesA(path);
  SetErrorMode(old_mode);
  return attributes != 0xFFFFFFFF && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// True when the last character of `path` is a single-byte backslash (not the
// trail byte of a double-byte character).
bool EndsWithBackslash(const std::string& path) {
  if (path.empty() || path.back() != '\\') return false;
  const char* begin = path.c_str();
  const char* last = begin + path.size() - 1;
  return CharPrevA(begin, begin + path.size()) == last;
}

std::string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  if (length <= 0) return std::string();
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(hwnd, &text[0], length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

class Win32View : public WizardView {
 public:
  Win32View() {
    HDC screen = GetDC(nullptr);
    dpi_ = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    if (dpi_ <= 0) dpi_ = 96;
  }
  ~Win32View() override {
    for (HFONT font : {font_, title_font_, link_font_})
      if (font) DeleteObject(font);
  }

  void Bind(TSCRSetup* form) { form_ = form; }

  // Creates the main window (hidden) and every child. False when the window
  // system refuses (no display).
  bool Create(HINSTANCE instance) {
    instance_ = instance;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassA(&wc)) return false;
    wc.lpfnWndProc = PanelProc;
    wc.hIcon = nullptr;
    wc.lpszClassName = kPanelClass;
    if (!RegisterClassA(&wc)) return false;

    font_ = MakeFont(11, false);
    title_font_ = MakeFont(15, false);
    link_font_ = MakeFont(11, true);

    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT frame = {0, 0, S(kClientWidth), S(kClientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
    main_ = CreateWindowExA(WS_EX_CONTROLPARENT, kWindowClass, "Screen Saver Setup", style,
                            CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    if (!main_) return false;
    SendMessageA(main_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

    for (const ChildSpec& spec : kLayout) {
      if (spec.id == kIdNotebook) {
        if (!CreateChild(spec)) return false;
        for (int page = 0; page < kPageCount; ++page) {
          pages_[page] = CreateWindowExA(
              WS_EX_CONTROLPARENT, kPanelClass, "",
              WS_CHILD | WS_CLIPCHILDREN | (page == 1 ? WS_VISIBLE : 0), 0, 0, S(497), S(249),
              notebook_, reinterpret_cast<HMENU>(kIdFirstPage + page), instance, nullptr);
          if (!pages_[page]) return false;
        }
        continue;
      }
      if (!CreateChild(spec)) return false;
    }
    SendMessageA(Hwnd(Control::rbNotAccept), BM_SETCHECK, BST_CHECKED, 0);
    return true;
  }

  HWND main() const { return main_; }
  bool terminated() const { return terminated_; }

  // Centres the window on the screen, shows it and gives the focus to the
  // first control in tab order.
  void Show() {
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
    HWND wanted = focus_request_ && Focusable(focus_request_) ? focus_request_ : FirstTabStop();
    if (wanted) ::SetFocus(wanted);
  }

  void Destroy() {
    if (main_ && IsWindow(main_)) DestroyWindow(main_);
    main_ = nullptr;
  }

  // ---- WizardView ----
  void SetText(Control c, const std::string& text) override {
    HWND hwnd = Hwnd(c);
    if (!hwnd) return;
    SetWindowTextA(hwnd, text.c_str());
    FitToText(hwnd);
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
    ShowWindow(pages_[page], SW_SHOWNA);
    for (int other = 0; other < kPageCount; ++other)
      if (other != page) ShowWindow(pages_[other], SW_HIDE);
    page_ = page;
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
  void RepaintAndPump() override {
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
  void SetBusy(bool busy) override {
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
                       std::string* chosen) override;

  // ---- messages ----
  // Keyboard handling ahead of dispatch. True when the message was used.
  bool PreTranslate(const MSG& msg);
  LRESULT HandleChildMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool* handled);
  LRESULT HandleMainMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  int S(int pixels) const { return MulDiv(pixels, dpi_, 96); }

  HFONT MakeFont(int height, bool underline) const {
    return CreateFontA(-S(height), 0, 0, 0, FW_NORMAL, FALSE, underline ? TRUE : FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, "Tahoma");
  }

  HWND ParentWindow(Parent parent) const {
    switch (parent) {
      case Parent::kTop:
        return main_;
      case Parent::kPanel2:
        return panel2_;
      default:
        return pages_[static_cast<int>(parent) - static_cast<int>(Parent::kPage0)];
    }
  }

  bool CreateChild(const ChildSpec& spec) {
    HWND parent = ParentWindow(spec.parent);
    HWND hwnd =
        CreateWindowExA(spec.ex_style, spec.window_class, spec.text, spec.style, S(spec.x),
                        S(spec.y), S(spec.w), S(spec.h), parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance_, nullptr);
    if (!hwnd) return false;
    HFONT font = font_;
    if (spec.id == Id(Control::lbTitle)) font = title_font_;
    if (spec.id == Id(Control::Link)) font = link_font_;
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const int index = spec.id - kFirstControlId;
    if (index >= 0 && index < static_cast<int>(Control::kCount)) {
      controls_[index] = hwnd;
      control_sizing_[index] = spec.sizing;
      control_spec_[index] = &spec;
    }
    if (spec.id == kIdPanel2) panel2_ = hwnd;
    if (spec.id == kIdNotebook) notebook_ = hwnd;
    if (spec.id == kIdImage1) image1_ = hwnd;
    if (spec.id == kIdImage2) image2_ = hwnd;
    FitToText(hwnd);
    return true;
  }

  HWND Hwnd(Control c) const {
    const int index = static_cast<int>(c);
    return index >= 0 && index < static_cast<int>(Control::kCount) ? controls_[index] : nullptr;
  }
  int IndexOf(HWND hwnd) const {
    for (int i = 0; i < static_cast<int>(Control::kCount); ++i)
      if (controls_[i] == hwnd) return i;
    return -1;
  }

  // Auto-sized labels follow their text the way the layout asks.
  void FitToText(HWND hwnd) {
    const int index = IndexOf(hwnd);
    if (index < 0 || control_sizing_[index] == Sizing::kFixed) return;
    const ChildSpec& spec = *control_spec_[index];
    const std::string text = WindowText(hwnd);
    const Sizing sizing = control_sizing_[index];
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    UINT flags = DT_CALCRECT | DT_EXPANDTABS;
    if (spec.style & SS_NOPREFIX) flags |= DT_NOPREFIX;
    int width = S(spec.w);
    if (sizing == Sizing::kAutoHeightWiden && !text.empty()) {
      RECT line = {0, 0, 0, 0};
      DrawTextA(dc, text.c_str(), -1, &line, flags);
      const int widest = S(433);
      if (line.right > width) width = line.right < widest ? line.right : widest;
    }
    const bool wraps = sizing == Sizing::kAutoHeight || sizing == Sizing::kAutoHeightWiden;
    if (wraps) flags |= DT_WORDBREAK;
    RECT r = {0, 0, width, 0};
    if (!text.empty()) DrawTextA(dc, text.c_str(), -1, &r, flags);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const int line = metrics.tmHeight;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (h < line) h = line;
    switch (sizing) {
      case Sizing::kAutoHeight:
      case Sizing::kAutoHeightWiden:
        w = width;
        break;
      case Sizing::kAutoWidth13:
        h = S(13);
        break;
      default:
        break;
    }
    SetWindowPos(hwnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(GetParent(hwnd), nullptr, TRUE);
  }

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

  // The controls that take part in Tab, in tab order. Of the two radio
  // buttons only the selected one is a tab stop, as usual for a group.
  int TabOrder(HWND* out) const {
    int count = 0;
    auto add = [&](Control c) {
      HWND hwnd = Hwnd(c);
      if (!Focusable(hwnd)) return;
      if ((c == Control::rbAccept || c == Control::rbNotAccept) &&
          SendMessageA(hwnd, BM_GETCHECK, 0, 0) != BST_CHECKED)
        return;
      out[count++] = hwnd;
    };
    for (Control c : kTabBeforePage) add(c);
    switch (page_) {
      case kPageLicense:
        for (Control c : kPage0Tabs) add(c);
        break;
      case kPageDirectory:
        for (Control c : kPage1Tabs) add(c);
        break;
      case kPageReadme:
        for (Control c : kPage4Tabs) add(c);
        break;
      default:
        break;
    }
    for (Control c : kTabAfterPage) add(c);
    return count;
  }

  HWND FirstTabStop() const {
    HWND order[static_cast<int>(Control::kCount)];
    return TabOrder(order) > 0 ? order[0] : nullptr;
  }

  void MoveFocus(bool backward) {
    HWND order[static_cast<int>(Control::kCount)];
    const int count = TabOrder(order);
    if (count == 0) return;
    HWND focus = GetFocus();
    int at = -1;
    for (int i = 0; i < count; ++i)
      if (order[i] == focus) at = i;
    // A radio button that is not the selected one still counts as being in
    // the group's place.
    if (at < 0 && (focus == Hwnd(Control::rbAccept) || focus == Hwnd(Control::rbNotAccept))) {
      for (int i = 0; i < count; ++i)
        if (order[i] == Hwnd(Control::rbAccept) || order[i] == Hwnd(Control::rbNotAccept)) at = i;
    }
    int next;
    if (at < 0)
      next = backward ? count - 1 : 0;
    else
      next = (at + (backward ? count - 1 : 1)) % count;
    FocusByKeyboard(order[next]);
  }

  void FocusByKeyboard(HWND hwnd) {
    ShowKeyboardCues();
    ::SetFocus(hwnd);
    // An edit reached by Tab selects its whole text, as in dialogs.
    char window_class[16] = {};
    GetClassNameA(hwnd, window_class, sizeof window_class);
    if (lstrcmpiA(window_class, "EDIT") == 0) SendMessageA(hwnd, EM_SETSEL, 0, -1);
  }

  void ShowKeyboardCues() {
    SendMessageA(main_, kWmChangeUiState, MAKEWPARAM(kUisClear, kUisfHideFocus | kUisfHideAccel),
                 0);
  }

  // After a page change or a control being hidden or disabled the focus may
  // sit on something that can no longer take it; it then moves to the first
  // control in tab order.
  // The check runs once the current handler has returned, when the page's
  // buttons have their final states: Next is preferred, as the button a
  // wizard's user goes on with.
  void KeepFocusOnAFocusableControl() {
    if (!main_ || focus_check_posted_) return;
    focus_check_posted_ = PostMessageA(main_, kCheckFocus, 0, 0) != FALSE;
  }

 public:
  void CheckFocus() {
    focus_check_posted_ = false;
    if (!main_ || !IsWindowVisible(main_) || busy_ || terminated_) return;
    HWND focus = GetFocus();
    if (focus && focus != main_ && Focusable(focus)) return;
    if (focus && focus != main_ && !IsChild(main_, focus)) return;  // another window has it
    HWND wanted = Focusable(Hwnd(Control::btnNext)) ? Hwnd(Control::btnNext) : FirstTabStop();
    if (wanted) ::SetFocus(wanted);
  }

 private:
  // A click on a control the way a mouse click reaches the logic.
  void Click(Control c) {
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
        form_->rbAcceptClick();
        break;
      default:
        OnClicked(c);
        break;
    }
  }

  void OnClicked(Control c) {
    if (!form_ || busy_ || terminated_) return;
    if (!Focusable(Hwnd(c))) return;
    switch (c) {
      case Control::btnCancel:
        form_->btnCancelClick();
        break;
      case Control::btnBack:
        form_->btnBackClick();
        break;
      case Control::btnNext:
        form_->btnNextClick();
        break;
      case Control::btnBrowse:
        form_->btnBrowseClick();
        break;
      case Control::rbAccept:
      case Control::rbNotAccept:
        form_->rbAcceptClick();
        break;
      case Control::Link:
        form_->LinkClick();
        break;
      default:
        break;
    }
  }

  // The control whose caption marks `ch` as its accelerator ("&x"), among
  // the controls that can take the focus now.
  bool Accelerate(char ch) {
    auto lower = [](char c) {
      char buffer[2] = {c, 0};
      CharLowerBuffA(buffer, 1);
      return buffer[0];
    };
    const char wanted = lower(ch);
    static const Control kCandidates[] = {Control::btnNext,  Control::btnCancel,
                                          Control::btnBack,  Control::btnBrowse,
                                          Control::rbAccept, Control::rbNotAccept};
    for (Control c : kCandidates) {
      HWND hwnd = Hwnd(c);
      if (!Focusable(hwnd)) continue;
      const std::string text = WindowText(hwnd);
      for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
          ++i;
          continue;
        }
        if (lower(text[i + 1]) != wanted) break;
        ShowKeyboardCues();
        if (c != Control::rbAccept && c != Control::rbNotAccept) ::SetFocus(hwnd);
        Click(c);
        return true;
      }
    }
    return false;
  }

  bool IsPushButton(HWND hwnd) const {
    for (Control c : {Control::btnNext, Control::btnCancel, Control::btnBack, Control::btnBrowse})
      if (Hwnd(c) == hwnd) return true;
    return false;
  }

  TSCRSetup* form_ = nullptr;
  HINSTANCE instance_ = nullptr;
  int dpi_ = 96;
  HFONT font_ = nullptr, title_font_ = nullptr, link_font_ = nullptr;
  HWND main_ = nullptr, panel2_ = nullptr, notebook_ = nullptr;
  HWND image1_ = nullptr, image2_ = nullptr;
  HWND pages_[kPageCount] = {};
  HWND controls_[static_cast<int>(Control::kCount)] = {};
  Sizing control_sizing_[static_cast<int>(Control::kCount)] = {};
  const ChildSpec* control_spec_[static_cast<int>(Control::kCount)] = {};
  HWND focus_request_ = nullptr;
  HWND saved_focus_ = nullptr;
  int page_ = kPageDirectory;
  bool busy_ = false;
  bool terminated_ = false;
  bool destroyed_ = false;
  bool focus_check_posted_ = false;
};

bool Win32View::PreTranslate(const MSG& msg) {
  if (!main_ || (msg.hwnd != main_ && !IsChild(main_, msg.hwnd))) return false;
  const bool key = msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR ||
                   msg.message == WM_SYSCHAR;
  if (busy_) return key;  // the window takes no input while it installs
  HWND focus = GetFocus();
  switch (msg.message) {
    case WM_KEYDOWN:
      switch (msg.wParam) {
        case VK_TAB:
          MoveFocus(GetKeyState(VK_SHIFT) < 0);
          return true;
        case VK_ESCAPE:
          for (Control c : kEscapeOrder) {
            if (Focusable(Hwnd(c))) {
              Click(c);
              break;
            }
          }
          return true;
        case VK_RETURN:
          // No default button: Enter clicks only a focused push button. The
          // readme box takes it as a line break.
          if (focus == Hwnd(Control::edReadme)) return false;
          if (IsPushButton(focus)) Click(static_cast<Control>(IndexOf(focus)));
          return true;
        case VK_UP:
        case VK_DOWN:
        case VK_LEFT:
        case VK_RIGHT:
          if (focus == Hwnd(Control::rbAccept) || focus == Hwnd(Control::rbNotAccept)) {
            ShowKeyboardCues();
            Click(focus == Hwnd(Control::rbAccept) ? Control::rbNotAccept : Control::rbAccept);
            return true;
          }
          return false;
        default:
          return false;
      }
    case WM_SYSCHAR:
      return Accelerate(static_cast<char>(msg.wParam));
    case WM_CHAR: {
      // On a button a plain letter works as its accelerator, as in dialogs.
      const int index = IndexOf(focus);
      const bool on_button = IsPushButton(focus) || focus == Hwnd(Control::rbAccept) ||
                             focus == Hwnd(Control::rbNotAccept);
      if (index >= 0 && on_button && msg.wParam > ' ')
        return Accelerate(static_cast<char>(msg.wParam));
      return false;
    }
    default:
      return false;
  }
}

// Messages that children send to their parent (the main window, the header
// band, the Notebook or a page): all are handled in one place.
LRESULT Win32View::HandleChildMessage(HWND, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
  *handled = true;
  switch (msg) {
    case WM_COMMAND: {
      const int code = HIWORD(wp);
      const int index = LOWORD(wp) - kFirstControlId;
      if (code == BN_CLICKED && index >= 0 && index < static_cast<int>(Control::kCount) &&
          reinterpret_cast<HWND>(lp) == controls_[index])
        OnClicked(static_cast<Control>(index));
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wp);
      HWND child = reinterpret_cast<HWND>(lp);
      const bool on_header = GetParent(child) == panel2_;
      const bool license = child == Hwnd(Control::edLicense);
      // The read-only licence box stays white like any text box.
      const int back = on_header || license ? COLOR_WINDOW : COLOR_BTNFACE;
      COLORREF text = GetSysColor(license || on_header ? COLOR_WINDOWTEXT : COLOR_BTNTEXT);
      if (child == Hwnd(Control::lbTitle)) text = kTitleColour;
      if (child == Hwnd(Control::Link)) text = kLinkColour;
      SetTextColor(dc, text);
      SetBkColor(dc, GetSysColor(back));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(back));
    }
    case WM_DRAWITEM: {
      const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (item->hwndItem == image2_)
        DrawSoftwareBox(item->hDC, item->rcItem, GetSysColor(COLOR_WINDOW));
      else if (item->hwndItem == image1_)
        DrawFolder(item->hDC, item->rcItem, GetSysColor(COLOR_BTNFACE));
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
  const LRESULT result = HandleChildMessage(hwnd, msg, wp, lp, &handled);
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
        HWND wanted = saved_focus_ && Focusable(saved_focus_) ? saved_focus_ : FirstTabStop();
        if (wanted) ::SetFocus(wanted);
      }
      return 0;
    case WM_SETFOCUS:
      // The window itself never keeps the focus; its first control takes it.
      if (!busy_) {
        HWND first = FirstTabStop();
        if (first) ::SetFocus(first);
      }
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (!g_view) return DefWindowProcA(hwnd, msg, wp, lp);
  return g_view->HandleMainMessage(hwnd, msg, wp, lp);
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (g_view) {
    bool handled = false;
    const LRESULT result = g_view->HandleChildMessage(hwnd, msg, wp, lp, &handled);
    if (handled) return result;
  }
  if (msg == WM_ERASEBKGND) {
    // The header band is white (the window colour), the rest button face.
    RECT r;
    GetClientRect(hwnd, &r);
    const int id = GetDlgCtrlID(hwnd);
    FillRect(reinterpret_cast<HDC>(wp), &r,
             GetSysColorBrush(id == kIdPanel2 ? COLOR_WINDOW : COLOR_BTNFACE));
    return 1;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

struct BrowseStart {
  std::string folder;
};

int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM lp, LPARAM data) {
  if (msg == BFFM_INITIALIZED) {
    // Centred on the screen, then pulled inside it where it would stick out.
    RECT r;
    GetWindowRect(hwnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    int x = (sw - w) / 2, y = (sh - h) / 2;
    if (x + w > sw) x = sw - w;
    if (y + h > sh) y = sh - h;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const BrowseStart* start = reinterpret_cast<const BrowseStart*>(data);
    if (start && !start->folder.empty() && FolderExists(start->folder.c_str()))
      SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start->folder.c_str()));
  } else if (msg == BFFM_SELCHANGED) {
    char path[MAX_PATH] = {};
    const bool ok = lp != 0 && SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lp), path) &&
                    path[0] != '\0' && FolderExists(path);
    SendMessageA(hwnd, BFFM_ENABLEOK, 0, ok ? TRUE : FALSE);
  }
  return 0;
}

bool Win32View::BrowseForFolder(const std::string& start, const std::string& instruction,
                                std::string* chosen) {
  BrowseStart start_folder;
  start_folder.folder = start;
  // "C:\Dir\" names the same folder as "C:\Dir"; the shell prefers the
  // latter. A drive root keeps its backslash.
  if (start_folder.folder.size() > 3 && EndsWithBackslash(start_folder.folder))
    start_folder.folder.pop_back();

  char display[MAX_PATH] = {};
  BROWSEINFOA info = {};
  info.hwndOwner = main_;
  info.pidlRoot = nullptr;  // the desktop
  info.pszDisplayName = display;
  info.lpszTitle = instruction.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;  // 9
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(&start_folder);

  HWND active = GetActiveWindow();
  LPITEMIDLIST pidl = SHBrowseForFolderA(&info);
  if (active && IsWindow(active)) SetActiveWindow(active);
  if (!pidl) return false;

  char path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListA(pidl, path) != FALSE && path[0] != '\0';
  IMalloc* malloc = nullptr;
  if (SUCCEEDED(SHGetMalloc(&malloc)) && malloc) {
    malloc->Free(pidl);
    malloc->Release();
  }
  if (!ok) return false;

  std::string result = path;
  const bool drive_root = result.size() == 3 && result[1] == ':' && result[2] == '\\';
  if (!drive_root && EndsWithBackslash(result)) result.pop_back();
  *chosen = result;
  return true;
}

}  // namespace

int RunWizardWindow(HINSTANCE instance, System& system, RunModes modes,
                    std::vector<std::string> args) {
  if (modes.SilentMode) {
    // A silent run never shows the wizard, so it needs no window (and no
    // display): the logic runs over control states kept in memory.
    MemoryView view;
    TSCRSetup form(system, view, modes, std::move(args));
    system.SetOwnerWindow(nullptr);
    form.FormCreate();
    form.FormDestroy();
    return form.exit_code;
  }

  // comctl32 (the progress bar's home) is loaded here, for the window,
  // rather than imported: a silent run then never loads it, nor the theme
  // support that its version 6 brings in, which costs a silent install
  // tens of milliseconds of start-up.
  if (HMODULE comctl = LoadLibraryA("comctl32.dll")) {
    using InitFn = void(WINAPI*)();
    if (auto init = reinterpret_cast<InitFn>(GetProcAddress(comctl, "InitCommonControls"))) init();
  }
  Win32View view;
  g_view = &view;
  if (!view.Create(instance)) {
    const DWORD error = GetLastError();
    char text[200];
    wsprintfA(text,
              "Screensaver Setup: the setup window could not be created (error %lu); "
              "is a display available? Setup ends without changes.\r\n",
              static_cast<unsigned long>(error));
    system.WriteStdError(text);
    view.Destroy();
    g_view = nullptr;
    return kExitNoWindow;
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
  g_view = nullptr;
  return form.exit_code;
}

}  // namespace scr
