// The wizard window's layout as data: every control's id, parent, kind,
// design-time text, bounds, sizing and start state, its tab position, and
// the orders in which Escape and Alt+letter ask the controls. The real
// window creates its controls from this table; the keyboard rules and the
// host tests read it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "wizard/view.h"

namespace scr {

// Control ids of the window's children, fixed so that UI automation can
// address them: the controls the logic knows (scr::Control) are
// kFirstControlId + their enum value (btnCancel 101, btnBack 102, btnNext
// 103, Link 104, lbTitle 105, lbDescription 106, btnBrowse 107, edDirectory
// 108, Label1..Label5 109..113, rbAccept 114, rbNotAccept 115, edLicense 116,
// edReadme 117, ProgressBar 118); the layout-only parts follow.
enum WizardControlId : int {
  kFirstControlId = 101,
  kIdBevel1 = 201,
  kIdBevel2 = 202,
  kIdPanel2 = 203,
  kIdImage2 = 204,
  kIdNotebook = 205,
  kIdFirstPage = 210,  // page n of the Notebook has id 210 + n
  kIdImage1 = 216,
};

constexpr int ControlId(Control control) { return kFirstControlId + static_cast<int>(control); }

// The client area of the window.
inline constexpr int kClientWidth = 513;
inline constexpr int kClientHeight = 370;

enum class Parent : uint8_t {
  kWindow,
  kPanel2,
  kNotebook,
  kPage0,  // kPage0 + n: page n of the Notebook
};

constexpr Parent PageParent(int page) {
  return static_cast<Parent>(static_cast<int>(Parent::kPage0) + page);
}

enum class Kind : uint8_t {
  kRule,     // an etched line: only its top edge is drawn
  kPanel,    // a plain container: the header band, the Notebook, a page
  kPicture,  // artwork the window draws itself
  kLabel,
  kLink,  // a label that opens the link address when clicked
  kPushButton,
  kRadioButton,
  kTextBox,           // one line
  kTextArea,          // several lines, editable: Enter makes a line break
  kReadOnlyTextArea,  // several lines, read-only
  kProgressBar,
};

enum class Sizing : uint8_t {
  kFixed,
  // One line: width and height follow the text, the width up to the
  // table's width. A longer text ends in an ellipsis, so that the control
  // never reaches what lies beside it.
  kOneLine,
  kAutoHeight,  // fixed width, word-wrapped, height follows the text
  // As kAutoHeight, but the width is a minimum: a text that does not fit on
  // one line widens the label up to the page's text width (433) before it
  // wraps, so that a wider font or a longer translation does not push a
  // second line into the readme box just below.
  kAutoHeightWiden,
};

enum class Font : uint8_t { kNormal, kTitle, kLink };

// Start-state flags.
enum : uint8_t {
  kStartHidden = 1,
  kStartDisabled = 2,
  kStartChecked = 4,
  kStartsGroup = 8,  // the first radio button of its group
};

// Fields no wider than their values: the table travels in setup.exe.
struct LayoutEntry {
  int16_t id;
  Parent parent;
  Kind kind;
  const char* text;  // design-time text
  // In the parent's client pixels at 96 dots per inch. For a control sized
  // by its text, h is the height of one line, and w the widest it may grow
  // (kOneLine), its wrapping width (kAutoHeight) or its least width
  // (kAutoHeightWiden).
  int16_t x, y, w, h;
  Sizing sizing;
  Font font;
  uint8_t start;  // kStart* flags
  int8_t tab;     // tab position within the parent; -1 for none
};

// Widths that more than one control, and the text-room model, measure
// against: the right edge of the pages' text (a page's text starts at 32),
// the width of a Notebook page, and where the header picture starts.
inline constexpr int kPageTextWidth = 433;
inline constexpr int kPageWidth = 497;
inline constexpr int kHeaderPictureLeft = 456;

// The layout, in creation order: a parent before its children.
inline constexpr size_t kLayoutSize = 30;
std::span<const LayoutEntry, kLayoutSize> WizardLayout();
// The entry of a control the logic knows.
const LayoutEntry& LayoutOf(Control control);
// The page a control lies on, or -1 for the window, the header band and the
// button row.
int PageOf(Control control);

// A list of controls, each at most once.
struct ControlList {
  std::array<Control, static_cast<size_t>(Control::kCount)> items{};
  size_t size = 0;
  void push_back(Control c) { items[size++] = c; }
  const Control* begin() const { return items.data(); }
  const Control* end() const { return items.data() + size; }
};

// Every control that may take part in Tab, in tab order: the window's own
// children by tab position, the Notebook standing for the controls of its
// pages (page by page, each by tab position).
ControlList TabOrder();

// The buttons that answer Escape, in the order they are asked.
inline constexpr Control kEscapeOrder[] = {Control::btnCancel, Control::btnBack, Control::btnNext};
// The controls whose "&" letter Alt+letter looks for, in the order asked.
inline constexpr Control kAcceleratorOrder[] = {Control::btnNext,  Control::btnCancel,
                                                Control::btnBack,  Control::btnBrowse,
                                                Control::rbAccept, Control::rbNotAccept};

}  // namespace scr
