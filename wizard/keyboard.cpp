#include "wizard/keyboard.h"

namespace scr {
namespace {

const ControlInfo& Info(const ControlInfos& controls, Control c) {
  return controls[static_cast<size_t>(c)];
}

bool CanTakeFocus(const ControlInfos& controls, Control c) {
  const ControlInfo& info = Info(controls, c);
  return info.visible && info.enabled;
}

bool IsRadio(const ControlInfos& controls, Control c) {
  return Info(controls, c).kind == Kind::kRadioButton;
}

bool IsButton(const ControlInfos& controls, Control c) {
  const Kind kind = Info(controls, c).kind;
  return kind == Kind::kPushButton || kind == Kind::kRadioButton;
}

// A radio button is a tab stop only while it is the selected one of its
// group, as in dialogs.
bool IsTabStop(const ControlInfos& controls, Control c) {
  return CanTakeFocus(controls, c) && (!IsRadio(controls, c) || Info(controls, c).checked);
}

ControlList TabStops(const ControlInfos& controls) {
  ControlList stops;
  for (Control c : TabOrder())
    if (IsTabStop(controls, c)) stops.push_back(c);
  return stops;
}

std::optional<Control> TabTarget(const ControlInfos& controls, std::optional<Control> focus,
                                 bool backward) {
  const ControlList stops = TabStops(controls);
  if (stops.size == 0) return std::nullopt;
  int at = -1;
  for (size_t i = 0; i < stops.size; ++i)
    if (focus && stops.items[i] == *focus) at = static_cast<int>(i);
  // A radio button that is not the selected one still stands in its
  // group's place.
  if (at < 0 && focus && IsRadio(controls, *focus)) {
    for (size_t i = 0; i < stops.size; ++i)
      if (IsRadio(controls, stops.items[i])) at = static_cast<int>(i);
  }
  const int count = static_cast<int>(stops.size);
  int next;
  if (at < 0)
    next = backward ? count - 1 : 0;
  else
    next = (at + (backward ? count - 1 : 1)) % count;
  return stops.items[static_cast<size_t>(next)];
}

// The control whose caption marks `letter` as its accelerator ("&x"), among
// the controls that can take the focus now. Only the first "&" of a caption
// counts; "&&" is a plain "&".
std::optional<Control> AcceleratorTarget(const ControlInfos& controls, char letter, CharFold fold) {
  const char wanted = fold(letter);
  for (Control c : kAcceleratorOrder) {
    if (!CanTakeFocus(controls, c)) continue;
    const std::string& caption = Info(controls, c).caption;
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
      if (caption[i] != '&') continue;
      if (caption[i + 1] == '&') {
        ++i;
        continue;
      }
      if (fold(caption[i + 1]) == wanted) return c;
      break;
    }
  }
  return std::nullopt;
}

KeyAction Action(KeyAction::What what, Control target, bool show_cues) {
  KeyAction action;
  action.what = what;
  action.target = target;
  action.show_cues = show_cues;
  return action;
}

KeyAction Ignore() { return Action(KeyAction::kIgnore, Control::kCount, false); }
KeyAction Pass() { return Action(KeyAction::kPass, Control::kCount, false); }

KeyAction Accelerate(const ControlInfos& controls, char letter, CharFold fold) {
  const std::optional<Control> target = AcceleratorTarget(controls, letter, fold);
  if (!target) return Pass();
  return Action(KeyAction::kFocusAndClick, *target, true);
}

}  // namespace

ControlInfos DescribeControls(WizardView& view, int page) {
  ControlInfos controls;
  for (size_t i = 0; i < controls.size(); ++i) {
    const Control c = static_cast<Control>(i);
    ControlInfo& info = controls[i];
    info.kind = LayoutOf(c).kind;
    const int on_page = PageOf(c);
    info.visible = view.Visible(c) && (on_page < 0 || on_page == page);
    info.enabled = view.Enabled(c);
    if (info.kind == Kind::kPushButton || info.kind == Kind::kRadioButton) {
      info.caption = view.Text(c);
      info.checked = info.kind == Kind::kRadioButton && view.Checked(c);
    }
  }
  return controls;
}

char AsciiFold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

KeyAction DecideKey(const ControlInfos& controls, std::optional<Control> focus,
                    const KeyPress& press, CharFold fold) {
  switch (press.key) {
    case Key::kTab: {
      const std::optional<Control> target = TabTarget(controls, focus, press.shift);
      return target ? Action(KeyAction::kFocus, *target, true) : Ignore();
    }
    case Key::kEscape:
      for (Control c : kEscapeOrder)
        if (CanTakeFocus(controls, c)) return Action(KeyAction::kClick, c, false);
      return Ignore();
    case Key::kEnter:
      // No default button: Enter clicks only a focused push button. A text
      // area takes it as a line break; anywhere else it does nothing.
      if (!focus) return Ignore();
      if (Info(controls, *focus).kind == Kind::kTextArea) return Pass();
      if (Info(controls, *focus).kind == Kind::kPushButton && CanTakeFocus(controls, *focus))
        return Action(KeyAction::kClick, *focus, false);
      return Ignore();
    case Key::kArrow: {
      // The arrows move the selection to the other radio button of the
      // pair; elsewhere they belong to the focused control.
      if (!focus || !IsRadio(controls, *focus)) return Pass();
      const Control other = *focus == Control::rbAccept ? Control::rbNotAccept : Control::rbAccept;
      if (!CanTakeFocus(controls, other)) return Ignore();
      return Action(KeyAction::kFocusAndClick, other, true);
    }
    case Key::kAltLetter:
      return Accelerate(controls, press.character, fold);
    case Key::kCharacter:
      // On a button a plain letter works as an accelerator, as in dialogs;
      // a text box takes it as text.
      if (!focus || !IsButton(controls, *focus) ||
          static_cast<unsigned char>(press.character) <= ' ')
        return Pass();
      return Accelerate(controls, press.character, fold);
    case Key::kOther:
      return Pass();
  }
  return Pass();
}

std::optional<Control> FirstTabStop(const ControlInfos& controls) {
  const ControlList stops = TabStops(controls);
  if (stops.size == 0) return std::nullopt;
  return stops.items[0];
}

std::optional<Control> SettleFocus(const ControlInfos& controls, std::optional<Control> focus) {
  if (focus && CanTakeFocus(controls, *focus)) return focus;
  return FirstTabStop(controls);
}

}  // namespace scr
