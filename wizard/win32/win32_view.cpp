// The wizard's controls as Win32 windows: what the logic sets and reads.
#include "wizard/win32/win32_view.h"

#include <commctrl.h>

namespace scr {

std::string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  if (length <= 0) return std::string();
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(hwnd, &text[0], length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

Win32View::Win32View(System& system) : system_(system) {
  HDC screen = GetDC(nullptr);
  dpi_ = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  if (dpi_ <= 0) dpi_ = 96;
}

Win32View::~Win32View() {
  Destroy();
  for (HFONT font : fonts_)
    if (font) DeleteObject(font);
}

void Win32View::SetText(Control c, const std::string& text) {
  HWND hwnd = Hwnd(c);
  if (!hwnd) return;
  SetWindowTextA(hwnd, text.c_str());
  FitToText(c);
}

void Win32View::SetVisible(Control c, bool visible) {
  HWND hwnd = Hwnd(c);
  if (!hwnd) return;
  ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
  KeepFocusOnAFocusableControl();
}

bool Win32View::Visible(Control c) {
  HWND hwnd = Hwnd(c);
  return hwnd && (GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32View::SetEnabled(Control c, bool enabled) {
  HWND hwnd = Hwnd(c);
  if (!hwnd) return;
  const bool had_focus = GetFocus() == hwnd;
  EnableWindow(hwnd, enabled ? TRUE : FALSE);
  if (!enabled && had_focus) ::SetFocus(nullptr);
  KeepFocusOnAFocusableControl();
}

bool Win32View::Enabled(Control c) {
  HWND hwnd = Hwnd(c);
  return hwnd && (GetWindowLongA(hwnd, GWL_STYLE) & WS_DISABLED) == 0;
}

bool Win32View::Checked(Control c) {
  HWND hwnd = Hwnd(c);
  return hwnd && SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32View::SetFocus(Control c) {
  HWND hwnd = Hwnd(c);
  if (!hwnd) return;
  focus_request_ = hwnd;
  if (IsWindowVisible(main_) && Focusable(hwnd)) ::SetFocus(hwnd);
}

void Win32View::ShowPage(int page) {
  if (page < 0 || page >= kPageCount) return;
  ShowWindow(Child(kIdFirstPage + page), SW_SHOWNA);
  for (int other = 0; other < kPageCount; ++other)
    if (other != page) ShowWindow(Child(kIdFirstPage + other), SW_HIDE);
  KeepFocusOnAFocusableControl();
}

void Win32View::SetProgressMax(int maximum) {
  HWND bar = Hwnd(Control::ProgressBar);
  if (maximum < 0) maximum = 0;
  // The 16-bit range is what every comctl32 knows; the 32-bit one only
  // for larger ranges.
  if (maximum <= 0xFFFF)
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, maximum));
  else
    SendMessageA(bar, PBM_SETRANGE32, 0, maximum);
}

void Win32View::SetProgress(int position) {
  SendMessageA(Hwnd(Control::ProgressBar), PBM_SETPOS, position, 0);
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

void Win32View::Close() {
  // The main window: closing it ends the program. It is hidden now and
  // destroyed (running FormDestroy) once the message loop has ended, so
  // the handler that closed it may still touch its controls safely.
  if (main_) ShowWindow(main_, SW_HIDE);
  terminated_ = true;
}

void Win32View::HideForever() {
  if (!main_) return;
  ShowWindow(main_, SW_HIDE);
  SetWindowLongA(main_, GWL_STYLE, WS_POPUP | WS_CLIPCHILDREN);
  SetWindowPos(main_, nullptr, 0, 0, 1, 1,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_HIDEWINDOW);
}

HWND Win32View::Child(int id) const {
  const auto layout = WizardLayout();
  for (size_t i = 0; i < layout.size(); ++i)
    if (layout[i].id == id) return created_[i];
  return nullptr;
}

HWND Win32View::ParentWindow(Parent parent) const {
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

std::optional<Control> Win32View::ControlOf(HWND hwnd) const {
  if (!hwnd) return std::nullopt;
  for (size_t i = 0; i < kControlCount; ++i)
    if (controls_[i] == hwnd) return static_cast<Control>(i);
  return std::nullopt;
}

bool Win32View::Focusable(HWND hwnd) const {
  if (!hwnd) return false;
  for (HWND w = hwnd; w && w != main_; w = GetParent(w)) {
    const LONG style = GetWindowLongA(w, GWL_STYLE);
    if (!(style & WS_VISIBLE) || (style & WS_DISABLED)) return false;
  }
  return true;
}

}  // namespace scr
