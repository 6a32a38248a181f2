// The wizard window's messages: those of the main window, and those that
// children send to their parent.
#include "wizard/win32/win32_view.h"

namespace scr {
namespace {

constexpr WORD kIdcHand = 32649;  // newer than the headers; absent on Windows 95

// The window and its panels find their view in their user data, put there
// from the creation data when they are created.
Win32View* ViewOf(HWND hwnd, UINT msg, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lp);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<Win32View*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

}  // namespace

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
    case WM_CTLCOLORBTN:
      return ControlColours(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_DRAWITEM:
      *handled = DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      return TRUE;
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

}  // namespace scr
