// Win32View: the wizard's controls as real Win32 windows, made from the
// layout table (wizard/layout.h) and bound to the TSCRSetup logic through
// WizardView. Its parts live one concern a file: the controls' states
// (win32_view.cpp), their creation (window_creation.cpp), sizing and drawing
// (window_painting.cpp), the keys (window_keyboard.cpp) and the messages
// (window_messages.cpp).
#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <string>

#include "platform/system.h"
#include "wizard/keyboard.h"
#include "wizard/layout.h"
#include "wizard/setup_form.h"
#include "wizard/view.h"
#include "wizard/win32/folder_browser.h"

namespace scr {

inline constexpr size_t kControlCount = static_cast<size_t>(Control::kCount);
// Posted to the main window: see KeepFocusOnAFocusableControl.
inline constexpr UINT kCheckFocus = WM_APP + 1;

// The text of any window, empty when it has none.
std::string WindowText(HWND hwnd);

class Win32View : public WizardView {
 public:
  explicit Win32View(System& system);
  ~Win32View() override;

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
  void SetText(Control c, const std::string& text) override;
  std::string Text(Control c) override { return WindowText(Hwnd(c)); }
  void SetVisible(Control c, bool visible) override;
  bool Visible(Control c) override;
  void SetEnabled(Control c, bool enabled) override;
  bool Enabled(Control c) override;
  bool Checked(Control c) override;
  void SetFocus(Control c) override;
  void ShowPage(int page) override;
  void SetCaption(const std::string& caption) override {
    if (main_) SetWindowTextA(main_, caption.c_str());
  }
  std::string Caption() override { return WindowText(main_); }
  void SetProgressMax(int maximum) override;
  void SetProgress(int position) override;
  void RepaintAndPump() override;
  void SetBusy(bool busy) override;
  void Close() override;
  void Terminate() override { terminated_ = true; }
  void HideForever() override;
  bool BrowseForFolder(const std::string& start, const std::string& instruction,
                       std::string* chosen) override {
    return browser_.Browse(main_, system_, start, instruction, chosen);
  }

  // ---- messages ----
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  int S(int pixels) const { return MulDiv(pixels, dpi_, 96); }

  HFONT MakeFont(int height, bool underline) const;
  HFONT FontOf(Font font) const { return fonts_[static_cast<size_t>(font)]; }

  bool CreateChild(size_t index);
  LRESULT HandleChildMessage(UINT msg, WPARAM wp, LPARAM lp, bool* handled);
  LRESULT HandleMainMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  // Any child of the layout, by id.
  HWND Child(int id) const;
  HWND ParentWindow(Parent parent) const;
  HWND Hwnd(Control c) const {
    const size_t index = static_cast<size_t>(c);
    return index < kControlCount ? controls_[index] : nullptr;
  }
  std::optional<Control> ControlOf(HWND hwnd) const;

  void FitToText(Control c);
  void DrawLink(const DRAWITEMSTRUCT& item);
  // WM_CTLCOLORSTATIC and WM_CTLCOLORBTN: the brush for `child`.
  LRESULT ControlColours(HDC dc, HWND child);
  // WM_DRAWITEM: false for an item this window does not draw.
  bool DrawItem(const DRAWITEMSTRUCT& item);

  // A control can take the focus when it, its page and the window show and
  // it is enabled.
  bool Focusable(HWND hwnd) const;

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
  void FocusByKeyboard(HWND hwnd);
  void ShowKeyboardCues();

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

}  // namespace scr
