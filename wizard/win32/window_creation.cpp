// Creating the wizard window and its controls from the layout table.
#include "package/setup_icon.h"
#include "wizard/win32/win32_view.h"
// After windows.h, which the view's header brings in.
#include <commctrl.h>

namespace scr {
namespace {

constexpr char kWindowClass[] = "TSCRSetup";
constexpr char kPanelClass[] = "TSCRPanel";  // header band, Notebook and its pages

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

}  // namespace

HFONT Win32View::MakeFont(int height, bool underline) const {
  return CreateFontA(-S(height), 0, 0, 0, FW_NORMAL, FALSE, underline ? TRUE : FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, "Tahoma");
}

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

}  // namespace scr
