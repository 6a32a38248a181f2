// The wizard's keyboard rules over the controls as the page machine leaves
// them: Escape, Enter, Tab and Shift+Tab, Alt+letter (English and
// translated captions), the arrows on the radio buttons, and where the focus
// settles after each page change.
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "platform/sim/sim_system.h"
#include "tests/unit/memory_view.h"
#include "tests/unit/test_package.h"
#include "wizard/keyboard.h"
#include "wizard/setup_form.h"

namespace scr {
namespace {

TestPackage WithLicence() { return {.license = "Terms", .license_mode = 1}; }

// A wizard over a window-less view. The focus is kept here, as the real
// window keeps it, and settles after every handler as it does there.
class Wizard {
 public:
  explicit Wizard(const TestPackage& package) {
    EXPECT_TRUE(WriteTestPackage(sim, package));
    form = std::make_unique<TSCRSetup>(sim, view, RunModes{}, std::vector<std::string>{"x"});
    form->FormCreate();
    focus.reset();
    Settle();
  }

  ControlInfos Now() { return DescribeControls(view, form->CurrentPage()); }
  KeyAction Press(Key key, bool shift = false, char character = 0) {
    KeyPress press;
    press.key = key;
    press.shift = shift;
    press.character = character;
    return DecideKey(Now(), focus, press);
  }
  void Settle() { focus = SettleFocus(Now(), focus); }
  // Carries out a click the way the window does, then lets the focus settle.
  void Click(Control c) {
    view.focus = Control::kCount;  // changes when the logic asks for the focus
    if (c == Control::rbAccept || c == Control::rbNotAccept) {
      view.Check(c);
      focus = c;
    }
    form->Click(c);
    if (view.focus != Control::kCount) focus = view.focus;
    Settle();
  }
  // Tab pressed `count` times (Shift+Tab with `backward`), the stops seen.
  std::vector<Control> Tabs(int count, bool backward = false) {
    std::vector<Control> seen;
    for (int i = 0; i < count; ++i) {
      const KeyAction action = Press(Key::kTab, backward);
      EXPECT_EQ(action.what, KeyAction::kFocus);
      EXPECT_TRUE(action.show_cues);
      focus = action.target;
      seen.push_back(action.target);
    }
    return seen;
  }

  SimSystem sim;
  MemoryView view;
  std::unique_ptr<TSCRSetup> form;
  std::optional<Control> focus;
};

void ExpectClick(const KeyAction& action, Control target) {
  EXPECT_EQ(action.what, KeyAction::kClick);
  EXPECT_EQ(action.target, target);
}

void ExpectFocusAndClick(const KeyAction& action, Control target) {
  EXPECT_EQ(action.what, KeyAction::kFocusAndClick);
  EXPECT_EQ(action.target, target);
  EXPECT_TRUE(action.show_cues);
}

// ---- Escape: the first visible and enabled of Cancel, Back, Next ----

TEST(KeyboardEscape, CancelsOnTheLicenceDirectoryAndReadyPages) {
  TestPackage skip = WithLicence();
  skip.skip_folder_page = true;
  for (const TestPackage& p : {WithLicence(), TestPackage{}, skip}) {
    Wizard w(p);
    SCOPED_TRACE(w.form->CurrentPage());
    ExpectClick(w.Press(Key::kEscape), Control::btnCancel);
    // Back is shown after the licence, but Cancel is asked first.
    if (w.form->CurrentPage() == kPageLicense) {
      w.Click(Control::rbAccept);
      w.Click(Control::btnNext);
      ASSERT_TRUE(w.view.Visible(Control::btnBack));
      ExpectClick(w.Press(Key::kEscape), Control::btnCancel);
    }
  }
}

TEST(KeyboardEscape, ActsAsNextOnTheReadmePageAndAsFinishOnTheLastPage) {
  Wizard w({.readme = "Read me"});
  w.Click(Control::btnNext);  // installs, and stays for the readme
  ASSERT_EQ(w.form->CurrentPage(), kPageReadme);
  ExpectClick(w.Press(Key::kEscape), Control::btnNext);
  w.Click(Control::btnNext);
  ASSERT_EQ(w.form->CurrentPage(), kPageFinished);
  ExpectClick(w.Press(Key::kEscape), Control::btnNext);
  w.Click(Control::btnNext);
  EXPECT_TRUE(w.view.closed);
  EXPECT_EQ(w.form->exit_code, kExitOk);
}

TEST(KeyboardEscape, DoesNothingOnTheProgressPage) {
  Wizard w(TestPackage{});
  // As the install run leaves it while copying: Cancel disabled, Back and
  // Next hidden.
  w.form->SelectPage(kPageProgress);
  w.view.SetVisible(Control::btnNext, false);
  const KeyAction action = w.Press(Key::kEscape);
  EXPECT_EQ(action.what, KeyAction::kIgnore);
}

TEST(KeyboardEscape, CancelsAgainAfterARefusedFolder) {
  Wizard w({.skip_folder_page = true});
  w.view.SetText(Control::edDirectory, "C:\\Nowhere\\Deeper\\");
  w.sim.fail_create_directory.insert("C:\\Nowhere");
  w.sim.answers.push_back(MsgAnswer::kOk);
  w.Click(Control::btnNext);
  ASSERT_EQ(w.form->CurrentPage(), kPageDirectory);
  ExpectClick(w.Press(Key::kEscape), Control::btnCancel);
}

TEST(KeyboardEscape, IsOursEvenWhenFocusIsInATextBox) {
  Wizard w(TestPackage{});
  w.focus = Control::edDirectory;
  ExpectClick(w.Press(Key::kEscape), Control::btnCancel);
  EXPECT_FALSE(w.Press(Key::kEscape).show_cues);
}

// ---- Enter: only a focused push button; a text area takes a line break --

TEST(KeyboardEnter, ClicksTheFocusedPushButtonOnly) {
  Wizard w(WithLicence());
  w.Click(Control::rbAccept);
  w.Click(Control::btnNext);  // Directory, with Back
  for (Control button :
       {Control::btnNext, Control::btnCancel, Control::btnBack, Control::btnBrowse}) {
    w.focus = button;
    ExpectClick(w.Press(Key::kEnter), button);
  }
}

TEST(KeyboardEnter, DoesNothingInTheTextBoxesAndOnRadioButtons) {
  Wizard w(WithLicence());
  for (Control c : {Control::edLicense, Control::rbNotAccept}) {
    w.focus = c;
    EXPECT_EQ(w.Press(Key::kEnter).what, KeyAction::kIgnore) << static_cast<int>(c);
  }
  w.focus.reset();
  EXPECT_EQ(w.Press(Key::kEnter).what, KeyAction::kIgnore);
  w.Click(Control::rbAccept);
  w.Click(Control::btnNext);
  w.focus = Control::edDirectory;
  // No default button: Enter in the folder field installs nothing.
  EXPECT_EQ(w.Press(Key::kEnter).what, KeyAction::kIgnore);
}

TEST(KeyboardEnter, MakesALineBreakInTheReadme) {
  Wizard w({.readme = "Read me"});
  w.Click(Control::btnNext);
  ASSERT_EQ(w.form->CurrentPage(), kPageReadme);
  w.focus = Control::edReadme;
  EXPECT_EQ(w.Press(Key::kEnter).what, KeyAction::kPass);
}

TEST(KeyboardEnter, ADisabledButtonIsNotClicked) {
  Wizard w(WithLicence());
  ASSERT_FALSE(w.view.Enabled(Control::btnNext));
  w.focus = Control::btnNext;
  EXPECT_EQ(w.Press(Key::kEnter).what, KeyAction::kIgnore);
}

// ---- Tab and Shift+Tab: the tab order through every page ----

TEST(KeyboardTab, LicencePageTakesOnlyTheSelectedRadioButton) {
  Wizard w(WithLicence());
  ASSERT_EQ(w.focus, Control::btnCancel);  // Next is disabled until accepted
  EXPECT_EQ(w.Tabs(4), (std::vector<Control>{Control::edLicense, Control::rbNotAccept,
                                             Control::btnCancel, Control::edLicense}));
  w.Click(Control::rbAccept);
  ASSERT_EQ(w.focus, Control::btnNext);
  EXPECT_EQ(w.Tabs(4), (std::vector<Control>{Control::btnCancel, Control::edLicense,
                                             Control::rbAccept, Control::btnNext}));
  EXPECT_EQ(w.Tabs(4, true), (std::vector<Control>{Control::rbAccept, Control::edLicense,
                                                   Control::btnCancel, Control::btnNext}));
}

TEST(KeyboardTab, TheUnselectedRadioButtonStandsInItsGroupsPlace) {
  Wizard w(WithLicence());
  // The arrows can leave the focus on the radio button that is not the
  // selected one.
  w.focus = Control::rbAccept;
  EXPECT_EQ(w.Tabs(1), std::vector<Control>{Control::btnCancel});
  w.focus = Control::rbAccept;
  EXPECT_EQ(w.Tabs(1, true), std::vector<Control>{Control::edLicense});
}

TEST(KeyboardTab, DirectoryPageWithAndWithoutBack) {
  Wizard plain(TestPackage{});
  ASSERT_EQ(plain.focus, Control::btnNext);
  EXPECT_EQ(plain.Tabs(4), (std::vector<Control>{Control::btnCancel, Control::btnBrowse,
                                                 Control::edDirectory, Control::btnNext}));
  EXPECT_EQ(plain.Tabs(2, true), (std::vector<Control>{Control::edDirectory, Control::btnBrowse}));

  Wizard licensed(WithLicence());
  licensed.Click(Control::rbAccept);
  licensed.Click(Control::btnNext);
  EXPECT_EQ(licensed.Tabs(5),
            (std::vector<Control>{Control::btnCancel, Control::btnBrowse, Control::edDirectory,
                                  Control::btnBack, Control::btnNext}));
}

TEST(KeyboardTab, ReadyReadmeAndFinishedPages) {
  TestPackage p = WithLicence();
  p.readme = "Read me";
  p.skip_folder_page = true;
  Wizard w(p);
  w.Click(Control::rbAccept);
  w.Click(Control::btnNext);
  ASSERT_EQ(w.form->CurrentPage(), kPageReady);
  EXPECT_EQ(w.Tabs(3),
            (std::vector<Control>{Control::btnCancel, Control::btnBack, Control::btnNext}));
  w.Click(Control::btnNext);
  ASSERT_EQ(w.form->CurrentPage(), kPageReadme);
  // Cancel is disabled from the Progress page on.
  EXPECT_EQ(w.Tabs(2), (std::vector<Control>{Control::edReadme, Control::btnNext}));
  w.Click(Control::btnNext);
  ASSERT_EQ(w.form->CurrentPage(), kPageFinished);
  EXPECT_EQ(w.Tabs(2, true), (std::vector<Control>{Control::btnNext, Control::btnNext}));
}

TEST(KeyboardTab, WithoutFocusStartsAtEitherEndAndWithoutStopsDoesNothing) {
  Wizard w(TestPackage{});
  w.focus.reset();
  EXPECT_EQ(w.Tabs(1), std::vector<Control>{Control::btnNext});
  w.focus.reset();
  EXPECT_EQ(w.Tabs(1, true), std::vector<Control>{Control::edDirectory});
  w.form->SelectPage(kPageProgress);
  w.view.SetVisible(Control::btnNext, false);
  EXPECT_EQ(w.Press(Key::kTab).what, KeyAction::kIgnore);
}

// ---- Alt+letter: the "&" letters of the captions ----

TEST(KeyboardAccelerators, EnglishCaptions) {
  Wizard w(WithLicence());
  ExpectFocusAndClick(w.Press(Key::kAltLetter, false, 'a'), Control::rbAccept);
  ExpectFocusAndClick(w.Press(Key::kAltLetter, false, 'D'), Control::rbNotAccept);
  // Browse is on another page.
  EXPECT_EQ(w.Press(Key::kAltLetter, false, 'b').what, KeyAction::kPass);
  w.Click(Control::rbAccept);
  w.Click(Control::btnNext);
  ExpectFocusAndClick(w.Press(Key::kAltLetter, false, 'B'), Control::btnBrowse);
  EXPECT_EQ(w.Press(Key::kAltLetter, false, 'a').what, KeyAction::kPass);
  // "Next >", "Cancel" and "< Back" carry no letter.
  EXPECT_EQ(w.Press(Key::kAltLetter, false, 'n').what, KeyAction::kPass);
}

TEST(KeyboardAccelerators, TranslatedCaptions) {
  TestPackage p = WithLicence();
  p.language =
      "Setup\n"
      "I &accept the agreement=Ich &stimme zu\n"
      "I &do not accept the agreement=Ich stimme &nicht zu\n"
      "Next=&Weiter\n"
      "Cancel=Q&&A &Ende\n"
      "&Browse=&Durchsuchen &x\n";
  Wizard w(p);
  EXPECT_EQ(w.view.Text(Control::btnNext), "&Weiter >");
  // The English letters are gone with the English captions.
  EXPECT_EQ(w.Press(Key::kAltLetter, false, 'a').what, KeyAction::kPass);
  EXPECT_EQ(w.Press(Key::kAltLetter, false, 'd').what, KeyAction::kPass);
  // Next is still disabled: its letter picks nothing.
  EXPECT_EQ(w.Press(Key::kAltLetter, false, 'w').what, KeyAction::kPass);
  ExpectFocusAndClick(w.Press(Key::kAltLetter, false, 'N'), Control::rbNotAccept);
  // "&&" is a plain "&": the letter is the one after the single "&".
  EXPECT_EQ(w.Press(Key::kAltLetter, false, 'a').what, KeyAction::kPass);
  ExpectFocusAndClick(w.Press(Key::kAltLetter, false, 'e'), Control::btnCancel);
  ExpectFocusAndClick(w.Press(Key::kAltLetter, false, 's'), Control::rbAccept);
  w.Click(Control::rbAccept);
  ExpectFocusAndClick(w.Press(Key::kAltLetter, false, 'W'), Control::btnNext);
  w.Click(Control::btnNext);
  ExpectFocusAndClick(w.Press(Key::kAltLetter, false, 'd'), Control::btnBrowse);
  // Only the first "&" of a caption counts.
  EXPECT_EQ(w.Press(Key::kAltLetter, false, 'x').what, KeyAction::kPass);
}

char LatinFold(char c) {
  if (c == '\xC4') return '\xE4';  // A with diaeresis in Windows-1252
  return AsciiFold(c);
}

TEST(KeyboardAccelerators, LettersBeyondAsciiFoldTheSystemsWay) {
  TestPackage p;
  p.language = "Setup\n&Browse=\xC4&ndern / &\xC4ndern\n";
  Wizard w(p);
  ASSERT_EQ(w.view.Text(Control::btnBrowse), "\xC4&ndern / &\xC4ndern...");
  KeyPress press;
  press.key = Key::kAltLetter;
  // The first "&" marks "n", the second one does not count.
  press.character = '\xE4';
  EXPECT_EQ(DecideKey(w.Now(), w.focus, press, LatinFold).what, KeyAction::kPass);
  press.character = 'N';
  ExpectFocusAndClick(DecideKey(w.Now(), w.focus, press, LatinFold), Control::btnBrowse);

  p.language = "Setup\n&Browse=&\xC4ndern\n";
  Wizard umlaut(p);
  press.character = '\xE4';
  ExpectFocusAndClick(DecideKey(umlaut.Now(), umlaut.focus, press, LatinFold), Control::btnBrowse);
  EXPECT_EQ(DecideKey(umlaut.Now(), umlaut.focus, press, AsciiFold).what, KeyAction::kPass);
}

TEST(KeyboardAccelerators, PlainLettersWorkOnButtonsOnly) {
  Wizard w(TestPackage{});
  w.focus = Control::btnNext;
  ExpectFocusAndClick(w.Press(Key::kCharacter, false, 'b'), Control::btnBrowse);
  EXPECT_EQ(w.Press(Key::kCharacter, false, 'q').what, KeyAction::kPass);
  EXPECT_EQ(w.Press(Key::kCharacter, false, ' ').what, KeyAction::kPass);
  w.focus = Control::edDirectory;  // a letter typed into the folder field
  EXPECT_EQ(w.Press(Key::kCharacter, false, 'b').what, KeyAction::kPass);
}

// ---- The arrows on the radio buttons ----

TEST(KeyboardArrows, MoveTheSelectionBetweenTheRadioButtons) {
  Wizard w(WithLicence());
  w.focus = Control::rbNotAccept;
  ExpectFocusAndClick(w.Press(Key::kArrow), Control::rbAccept);
  w.focus = Control::rbAccept;
  ExpectFocusAndClick(w.Press(Key::kArrow), Control::rbNotAccept);
  w.focus = Control::edLicense;  // scrolls the licence
  EXPECT_EQ(w.Press(Key::kArrow).what, KeyAction::kPass);
}

// ---- Focus after each page change ----

TEST(KeyboardFocus, SettlesOnNextOrTheFirstStopAfterEachPageChange) {
  TestPackage p = WithLicence();
  p.readme = "Read me";
  Wizard w(p);
  EXPECT_EQ(w.focus, Control::btnCancel);  // License: Next disabled
  w.Click(Control::rbAccept);
  EXPECT_EQ(w.focus, Control::btnNext);  // the logic moves it there
  w.Click(Control::rbNotAccept);
  EXPECT_EQ(w.focus, Control::rbNotAccept);  // a focused control keeps it
  w.Click(Control::rbAccept);
  w.Click(Control::btnNext);
  EXPECT_EQ(w.form->CurrentPage(), kPageDirectory);
  EXPECT_EQ(w.focus, Control::btnNext);
  w.focus = Control::btnBrowse;
  w.Click(Control::btnBack);  // Browse is gone with its page
  EXPECT_EQ(w.form->CurrentPage(), kPageLicense);
  EXPECT_EQ(w.focus, Control::btnNext);
  w.Click(Control::btnNext);
  w.focus = Control::edDirectory;
  w.Click(Control::btnNext);  // installs; the readme follows
  EXPECT_EQ(w.form->CurrentPage(), kPageReadme);
  EXPECT_EQ(w.focus, Control::btnNext);
  w.focus = Control::edReadme;
  w.Click(Control::btnNext);
  EXPECT_EQ(w.form->CurrentPage(), kPageFinished);
  EXPECT_EQ(w.focus, Control::btnNext);
}

TEST(KeyboardFocus, BackToTheLicenceWithoutAcceptingGoesToCancel) {
  Wizard w(WithLicence());
  w.Click(Control::rbAccept);
  w.Click(Control::btnNext);
  w.Click(Control::btnBack);
  w.Click(Control::rbNotAccept);  // Next disabled again, and the focus...
  w.focus = Control::btnNext;     // ...left on it, as a mouse user may
  w.Settle();
  EXPECT_EQ(w.focus, Control::btnCancel);
}

TEST(KeyboardFocus, ARefusedFolderLeavesTheFocusOnInstall) {
  Wizard w({.skip_folder_page = true});
  ASSERT_EQ(w.focus, Control::btnNext);
  w.view.SetText(Control::edDirectory, "C:\\Nowhere\\Deeper\\");
  w.sim.fail_create_directory.insert("C:\\Nowhere");
  w.sim.answers.push_back(MsgAnswer::kOk);
  w.Click(Control::btnNext);
  EXPECT_EQ(w.form->CurrentPage(), kPageDirectory);
  EXPECT_EQ(w.focus, Control::btnNext);
}

TEST(KeyboardFocus, NoControlCanTakeItWhileCopying) {
  Wizard w(TestPackage{});
  w.focus = Control::btnCancel;
  w.form->SelectPage(kPageProgress);
  w.view.SetVisible(Control::btnNext, false);
  w.Settle();
  EXPECT_FALSE(w.focus.has_value());
}

// ---- The layout the rules read ----

TEST(WizardLayout, EveryControlHasOneEntryAndIdsAreUnique) {
  const auto layout = WizardLayout();
  for (size_t i = 0; i < layout.size(); ++i)
    for (size_t j = i + 1; j < layout.size(); ++j) EXPECT_NE(layout[i].id, layout[j].id);
  for (int c = 0; c < static_cast<int>(Control::kCount); ++c)
    EXPECT_EQ(LayoutOf(static_cast<Control>(c)).id, kFirstControlId + c) << c;
}

TEST(WizardLayout, TabOrderFollowsTheTabPositions) {
  const ControlList order = TabOrder();
  EXPECT_EQ(std::vector<Control>(order.begin(), order.end()),
            (std::vector<Control>{Control::btnNext, Control::btnCancel, Control::edLicense,
                                  Control::rbAccept, Control::rbNotAccept, Control::btnBrowse,
                                  Control::edDirectory, Control::edReadme, Control::btnBack}));
}

struct Box {
  int left, top, right, bottom;
};

Box BoundsOf(const LayoutEntry& e) { return {e.x, e.y, e.x + e.w, e.y + e.h}; }

TEST(WizardLayout, ParentsComeFirstAndHoldTheirChildren) {
  const auto layout = WizardLayout();
  auto parent_entry = [&](Parent parent) -> const LayoutEntry* {
    int id = 0;
    if (parent == Parent::kPanel2) id = kIdPanel2;
    if (parent == Parent::kNotebook) id = kIdNotebook;
    if (parent >= Parent::kPage0)
      id = kIdFirstPage + static_cast<int>(parent) - static_cast<int>(Parent::kPage0);
    for (const LayoutEntry& e : layout)
      if (e.id == id) return &e;
    return nullptr;
  };
  for (size_t i = 0; i < layout.size(); ++i) {
    const LayoutEntry& e = layout[i];
    SCOPED_TRACE(e.id);
    Box inside = {0, 0, kClientWidth, kClientHeight};
    if (e.parent != Parent::kWindow) {
      const LayoutEntry* parent = parent_entry(e.parent);
      ASSERT_NE(parent, nullptr);
      EXPECT_LT(parent - layout.data(), static_cast<ptrdiff_t>(i));
      inside = {0, 0, parent->w, parent->h};
    }
    const Box b = BoundsOf(e);
    EXPECT_GE(b.left, inside.left);
    EXPECT_GE(b.top, inside.top);
    EXPECT_LE(b.right, inside.right);
    EXPECT_LE(b.bottom, inside.bottom);
  }
}

// Controls that size themselves by their text are taken at their largest:
// a long link address or a long translation must not reach a neighbour.
TEST(WizardLayout, NoControlLiesOverAnother) {
  const auto layout = WizardLayout();
  for (size_t i = 0; i < layout.size(); ++i) {
    for (size_t j = i + 1; j < layout.size(); ++j) {
      const LayoutEntry& a = layout[i];
      const LayoutEntry& b = layout[j];
      if (a.parent != b.parent) continue;
      // The pages are one above the other by design: one shows at a time.
      if (a.parent == Parent::kNotebook) continue;
      const Box p = BoundsOf(a), q = BoundsOf(b);
      const bool overlap =
          p.left < q.right && q.left < p.right && p.top < q.bottom && q.top < p.bottom;
      EXPECT_FALSE(overlap) << a.id << " and " << b.id;
    }
  }
}

TEST(WizardLayout, TheLinkEndsLeftOfTheButtonRow) {
  const LayoutEntry& link = LayoutOf(Control::Link);
  EXPECT_EQ(link.sizing, Sizing::kOneLine);
  for (Control button : {Control::btnBack, Control::btnNext, Control::btnCancel})
    EXPECT_LT(link.x + link.w, LayoutOf(button).x);
  // At its widest it still holds far more than the 45 characters of a
  // typical address in Tahoma 8 point (about 5 pixels each).
  EXPECT_GE(link.w, 200);
}

}  // namespace
}  // namespace scr
