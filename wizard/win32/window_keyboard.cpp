// The wizard window's keys: each key press is described to the keyboard
// rules (wizard/keyboard.h), which decide what it does; this file only
// reports the key and carries out the answer. Keys are not left to
// IsDialogMessage.
#include "wizard/win32/win32_view.h"

namespace scr {
namespace {

// Newer than the headers this program is compiled against (it must load on
// Windows 95 and NT 4); sending it to an older system is harmless.
constexpr UINT kWmChangeUiState = 0x0127;
constexpr WORD kUisClear = 2;
constexpr WORD kUisfHideFocus = 0x1;
constexpr WORD kUisfHideAccel = 0x2;

char SystemFold(char c) {
  char buffer[2] = {c, 0};
  CharLowerBuffA(buffer, 1);
  return buffer[0];
}

}  // namespace

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

void Win32View::FocusByKeyboard(HWND hwnd) {
  ::SetFocus(hwnd);
  // A text box reached by Tab selects its whole text, as in dialogs.
  char window_class[16] = {};
  GetClassNameA(hwnd, window_class, sizeof window_class);
  if (lstrcmpiA(window_class, "EDIT") == 0) SendMessageA(hwnd, EM_SETSEL, 0, -1);
}

void Win32View::ShowKeyboardCues() {
  SendMessageA(main_, kWmChangeUiState, MAKEWPARAM(kUisClear, kUisfHideFocus | kUisfHideAccel), 0);
}

}  // namespace scr
