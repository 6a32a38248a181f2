// The wizard's keyboard rules, decided over a plain description of the
// controls: where Tab and Shift+Tab go, what Escape and Enter click, which
// control an Alt+letter picks, and where the focus settles when the control
// that had it can no longer keep it. The window only reports the key and
// carries out the answer.
//
// The window has no default button: Enter clicks only a focused push button.
// Escape clicks the first visible and enabled of Cancel, Back and Next, so
// it cancels where Cancel is enabled and acts as Next or Finish where it is
// not. Tab follows the layout's tab positions across the button row and the
// visible page; of the two radio buttons only the selected one is a stop.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "wizard/layout.h"
#include "wizard/view.h"

namespace scr {

// What the rules know of one control.
struct ControlInfo {
  Kind kind = Kind::kLabel;
  bool visible = false;  // the control and its page show
  bool enabled = false;
  bool checked = false;  // radio buttons
  std::string caption;   // push and radio buttons: "&" marks the accelerator
};

// Every control of the window, indexed by Control.
using ControlInfos = std::array<ControlInfo, static_cast<size_t>(Control::kCount)>;

// The controls as `view` holds them while `page` is the visible page.
ControlInfos DescribeControls(WizardView& view, int page);

enum class Key {
  kTab,
  kEscape,
  kEnter,
  kArrow,      // Up, Down, Left or Right
  kAltLetter,  // a character typed with Alt held
  kCharacter,  // a character typed without Alt
  kOther,
};

struct KeyPress {
  Key key = Key::kOther;
  bool shift = false;
  char character = 0;  // kAltLetter and kCharacter
};

struct KeyAction {
  enum What {
    kPass,           // not ours: the focused control gets the key as usual
    kIgnore,         // ours, and nothing happens
    kFocus,          // the target takes the focus (a text box selects its text)
    kClick,          // the target is clicked where it is
    kFocusAndClick,  // the target takes the focus and is clicked
  };
  What what = kPass;
  Control target = Control::kCount;
  // The press came from the keyboard navigation: focus rectangles and
  // accelerator underlines show from now on.
  bool show_cues = false;
};

// Lowers one character the way the system compares accelerator letters.
using CharFold = char (*)(char);
char AsciiFold(char c);

// The answer to `press` while `focus` (if any) has the keyboard focus.
KeyAction DecideKey(const ControlInfos& controls, std::optional<Control> focus,
                    const KeyPress& press, CharFold fold = AsciiFold);

// The first control in tab order that can take the focus.
std::optional<Control> FirstTabStop(const ControlInfos& controls);

// Where the focus belongs once a page change or a hidden or disabled control
// may have taken it from `focus`: it stays where it can; otherwise it goes
// to the first control in tab order, which is Next, the button a wizard's
// user goes on with, wherever Next can take it. None when no control can.
std::optional<Control> SettleFocus(const ControlInfos& controls, std::optional<Control> focus);

}  // namespace scr
