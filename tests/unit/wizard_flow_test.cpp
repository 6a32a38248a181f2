// The wizard's page machine over a window-less view: first page, button
// states per page, Back and Next, licence acceptance, Cancel and the
// hand-over to the install run.
#include <gtest/gtest.h>

#include "platform/sim/sim_system.h"
#include "tests/unit/memory_view.h"
#include "tests/unit/test_package.h"
#include "wizard/setup_form.h"

namespace scr {
namespace {

class Wizard {
 public:
  explicit Wizard(const TestPackage& package, RunModes modes = {},
                  std::vector<std::string> args = {"setup.exe"}) {
    EXPECT_TRUE(WriteTestPackage(sim, package));
    form = std::make_unique<TSCRSetup>(sim, view, modes, std::move(args));
    form->FormCreate();
  }

  int Page() const { return form->CurrentPage(); }
  bool NextEnabled() { return view.Enabled(Control::btnNext); }
  bool BackVisible() { return view.Visible(Control::btnBack); }
  std::string NextText() { return view.Text(Control::btnNext); }
  void Accept(bool accepted) {
    view.Check(accepted ? Control::rbAccept : Control::rbNotAccept);
    form->rbAcceptClick();
  }

  SimSystem sim;
  MemoryView view;
  std::unique_ptr<TSCRSetup> form;
};

TestPackage WithLicence(int mode) {
  return {.license = "Terms\rof use\n", .license_mode = static_cast<uint8_t>(mode)};
}

TEST(WizardFirstPage, LicencePageOnlyForModes1To3WithText) {
  for (int mode : {0, 1, 2, 3, 4, 255}) {
    for (bool skip : {false, true}) {
      for (bool text : {false, true}) {
        Wizard w({.license = text ? "Terms" : "",
                  .skip_folder_page = skip,
                  .license_mode = static_cast<uint8_t>(mode)});
        SCOPED_TRACE("mode " + std::to_string(mode) + " skip " + std::to_string(skip) + " text " +
                     std::to_string(text));
        const bool licence_page = mode >= 1 && mode <= 3 && text;
        const int expected = licence_page ? kPageLicense : skip ? kPageReady : kPageDirectory;
        EXPECT_EQ(w.Page(), expected);
        EXPECT_EQ(w.view.shown_page, expected);
        EXPECT_FALSE(w.view.terminated);
        // The page-entry update ran for the first page: header and buttons
        // match it even for the page the layout starts on.
        EXPECT_EQ(w.view.Text(Control::lbTitle), w.form->PageTitles[expected]);
        EXPECT_EQ(w.view.Text(Control::lbDescription), w.form->PageDescriptions[expected]);
        EXPECT_EQ(w.NextEnabled(), !licence_page);
        EXPECT_EQ(w.NextText(), licence_page ? "Next >" : "Install");
        EXPECT_FALSE(w.BackVisible());  // Back is never shown on a first page
        // A licence page not in use never reads the licence text.
        EXPECT_EQ(w.view.Text(Control::edLicense), licence_page ? "Terms" : "");
      }
    }
  }
}

TEST(WizardFirstPage, LicenceAndReadmeTextsGetWindowsLineBreaks) {
  TestPackage p = WithLicence(2);
  p.readme = "one\ntwo\rthree\r\nfour";
  Wizard w(p);
  EXPECT_EQ(w.view.Text(Control::edLicense), "Terms\r\nof use\r\n");
  EXPECT_EQ(w.view.Text(Control::edReadme), "one\r\ntwo\r\nthree\r\nfour");
  // Without a readme block, the licence starts the region.
  Wizard alone(WithLicence(1));
  EXPECT_EQ(alone.view.Text(Control::edLicense), "Terms\r\nof use\r\n");
  EXPECT_EQ(alone.view.Text(Control::edReadme), "");
}

// Every row of the page-entry table, from both possible prior states of
// the "unchanged" columns.
TEST(WizardButtonStates, EveryPageEntryFollowsTheTable) {
  struct Row {
    int page;
    const char* next;
    int next_enabled;    // 1 enabled, -1 unchanged
    int cancel_enabled;  // 0 disabled, -1 unchanged
  };
  const Row rows[] = {
      {kPageLicense, "Next >", -1, -1}, {kPageDirectory, "Install", 1, -1},
      {kPageReady, "Install", 1, -1},   {kPageProgress, "Next >", -1, 0},
      {kPageReadme, "Next >", -1, 0},   {kPageFinished, "Finish", -1, 0},
  };
  for (bool licence : {false, true}) {
    Wizard w(licence ? WithLicence(3) : TestPackage());
    for (const Row& row : rows) {
      for (bool before : {false, true}) {
        SCOPED_TRACE("licence " + std::to_string(licence) + " page " + std::to_string(row.page) +
                     " prior state " + std::to_string(before));
        w.view.SetEnabled(Control::btnNext, before);
        w.view.SetVisible(Control::btnNext, false);
        w.view.SetEnabled(Control::btnCancel, before);
        w.view.SetVisible(Control::btnBack, !before);
        w.form->SelectPage(row.page);
        EXPECT_EQ(w.view.shown_page, row.page);
        EXPECT_EQ(w.view.Text(Control::lbTitle), w.form->PageTitles[row.page]);
        EXPECT_EQ(w.view.Text(Control::lbDescription), w.form->PageDescriptions[row.page]);
        EXPECT_TRUE(w.view.Visible(Control::btnNext));
        EXPECT_EQ(w.NextText(), row.next);
        EXPECT_EQ(w.NextEnabled(), row.next_enabled == 1 ? true : before);
        EXPECT_EQ(w.view.Enabled(Control::btnCancel), row.cancel_enabled == 0 ? false : before);
        const bool back = licence && (row.page == kPageDirectory || row.page == kPageReady);
        EXPECT_EQ(w.BackVisible(), back);
      }
    }
  }
}

TEST(WizardButtonStates, BackNeedsALicenceText) {
  // Licence page in use but no text: no licence page, so no Back either.
  Wizard w({.license_mode = 1});
  for (int page : {kPageDirectory, kPageReady}) {
    w.form->SelectPage(page);
    EXPECT_FALSE(w.BackVisible()) << page;
  }
}

TEST(WizardPaths, LicenceThenDirectoryAndBackAgain) {
  Wizard w(WithLicence(1));
  ASSERT_EQ(w.Page(), kPageLicense);
  EXPECT_FALSE(w.NextEnabled());
  w.Accept(true);
  w.form->btnNextClick();
  EXPECT_EQ(w.Page(), kPageDirectory);
  EXPECT_TRUE(w.BackVisible());
  EXPECT_EQ(w.NextText(), "Install");
  w.form->btnBackClick();
  EXPECT_EQ(w.Page(), kPageLicense);
  EXPECT_FALSE(w.BackVisible());
  // The choice and Next's state survive the round trip.
  EXPECT_TRUE(w.view.Checked(Control::rbAccept));
  EXPECT_TRUE(w.NextEnabled());
  EXPECT_EQ(w.NextText(), "Next >");
  // Back on the licence page does nothing.
  w.form->btnBackClick();
  EXPECT_EQ(w.Page(), kPageLicense);
}

TEST(WizardPaths, SkipFolderPageGoesFromLicenceToReadyAndBack) {
  TestPackage p = WithLicence(2);
  p.skip_folder_page = true;
  Wizard w(p);
  w.Accept(true);
  w.form->btnNextClick();
  EXPECT_EQ(w.Page(), kPageReady);
  EXPECT_TRUE(w.BackVisible());
  EXPECT_EQ(w.NextText(), "Install");
  w.form->btnBackClick();  // from Ready straight to the licence, not Directory
  EXPECT_EQ(w.Page(), kPageLicense);
}

TEST(WizardPaths, BackStepsOneDownExceptFromReady) {
  Wizard w(WithLicence(1));
  w.form->SelectPage(kPageReadme);
  w.form->btnBackClick();
  EXPECT_EQ(w.Page(), kPageProgress);
  w.form->SelectPage(kPageDirectory);
  w.form->btnBackClick();
  EXPECT_EQ(w.Page(), kPageLicense);
  w.form->SelectPage(kPageReady);
  w.form->btnBackClick();
  EXPECT_EQ(w.Page(), kPageLicense);
}

TEST(WizardPaths, NextOnReadmeAndFinished) {
  Wizard w(TestPackage{});
  w.form->SelectPage(kPageReadme);
  w.form->btnNextClick();
  EXPECT_EQ(w.Page(), kPageFinished);
  EXPECT_FALSE(w.view.closed);
  w.form->btnNextClick();  // Finish ends the program
  EXPECT_TRUE(w.view.closed);
  EXPECT_EQ(w.form->exit_code, kExitOk);
}

TEST(WizardLicence, AcceptanceTogglesNextAndMovesTheFocus) {
  Wizard w(WithLicence(3));
  w.view.focus = Control::rbNotAccept;
  w.Accept(false);
  EXPECT_FALSE(w.NextEnabled());
  EXPECT_EQ(w.view.focus, Control::rbNotAccept);
  w.Accept(true);
  EXPECT_TRUE(w.NextEnabled());
  EXPECT_EQ(w.view.focus, Control::btnNext);
  w.view.focus = Control::rbNotAccept;
  w.Accept(false);
  EXPECT_FALSE(w.NextEnabled());
  EXPECT_EQ(w.view.focus, Control::rbNotAccept);
  w.Accept(true);
  EXPECT_TRUE(w.NextEnabled());
}

TEST(WizardLicence, RadioButtonsDoNothingWithoutALicencePage) {
  Wizard w(TestPackage{});  // mode 0
  ASSERT_TRUE(w.NextEnabled());
  w.view.focus = Control::rbNotAccept;
  w.Accept(false);
  EXPECT_TRUE(w.NextEnabled());
  EXPECT_EQ(w.view.focus, Control::rbNotAccept);
}

TEST(WizardCancel, CancelEndsWithCode2AndChangesNothing) {
  for (int first : {kPageLicense, kPageDirectory, kPageReady}) {
    TestPackage p = first == kPageLicense ? WithLicence(1) : TestPackage();
    p.skip_folder_page = first == kPageReady;
    p.uninstall_entry = p.start_menu_group = p.desktop_shortcut = true;
    Wizard w(p);
    ASSERT_EQ(w.Page(), first);
    const auto files = w.sim.Snapshot();
    const auto registry = w.sim.RegistryDump();
    w.form->btnCancelClick();
    EXPECT_TRUE(w.view.closed) << first;
    EXPECT_EQ(w.form->exit_code, kExitCancelled) << first;
    EXPECT_TRUE(w.sim.boxes.empty()) << first;  // no question is asked
    EXPECT_EQ(w.sim.Snapshot(), files) << first;
    EXPECT_EQ(w.sim.RegistryDump(), registry) << first;
  }
}

TEST(WizardCancel, ClosingAfterTheInstallIsNoCancellation) {
  Wizard w(TestPackage{});
  w.form->Installed(false);  // the install run, with a readme to show
  w.form->btnCancelClick();  // the close box on the Readme page
  EXPECT_TRUE(w.view.closed);
  EXPECT_EQ(w.form->exit_code, kExitOk);
}

TEST(WizardInstall, NextOnDirectoryOrReadyStartsTheInstallRun) {
  for (bool skip : {false, true}) {
    Wizard w({.skip_folder_page = skip});
    std::vector<int> pages;
    w.view.on_pump = [&] { pages.push_back(w.view.shown_page); };
    w.form->btnNextClick();
    // The install run took over: it disabled the window while copying on
    // the Progress page.
    EXPECT_FALSE(w.view.busy_history.empty()) << skip;
    ASSERT_FALSE(pages.empty()) << skip;
    EXPECT_EQ(pages.front(), kPageProgress) << skip;
  }
}

TEST(WizardInstall, PageMachineContinuesFromWhereTheInstallRunLeftIt) {
  {
    Wizard w({.readme = "Read me"});
    w.form->btnNextClick();
    ASSERT_FALSE(w.view.closed);
    EXPECT_EQ(w.Page(), kPageReadme);
    EXPECT_EQ(w.view.Text(Control::edReadme), "Read me");
    EXPECT_FALSE(w.view.Enabled(Control::btnCancel));
    w.form->btnNextClick();
    EXPECT_EQ(w.Page(), kPageFinished);
    EXPECT_EQ(w.NextText(), "Finish");
    w.form->btnNextClick();
    EXPECT_TRUE(w.view.closed);
    EXPECT_EQ(w.form->exit_code, kExitOk);
  }
  {
    // Without a readme the same click that installs also closes.
    Wizard w(TestPackage{});
    w.form->btnNextClick();
    EXPECT_TRUE(w.view.closed);
    EXPECT_EQ(w.form->exit_code, kExitOk);
  }
}

TEST(WizardInstall, AFolderTheInstallRunRefusesBringsTheDirectoryPageBack) {
  Wizard w({.skip_folder_page = true});
  ASSERT_EQ(w.Page(), kPageReady);
  w.view.SetText(Control::edDirectory, "C:\\Nowhere\\Deeper\\");
  w.sim.fail_create_directory.insert("C:\\Nowhere");
  w.sim.answers.push_back(MsgAnswer::kOk);
  w.form->btnNextClick();
  EXPECT_EQ(w.Page(), kPageDirectory);
  EXPECT_FALSE(w.view.closed);
  EXPECT_TRUE(w.NextEnabled());
  EXPECT_EQ(w.NextText(), "Install");
  // Nothing was installed, so Cancel is offered again; Escape, which
  // clicks the first enabled of Cancel, Back and Next, then cancels instead
  // of starting the install run once more.
  EXPECT_TRUE(w.view.Enabled(Control::btnCancel));
  w.form->btnCancelClick();
  EXPECT_TRUE(w.view.closed);
  EXPECT_EQ(w.form->exit_code, kExitCancelled);
}

TEST(WizardBrowse, ChosenFolderReplacesTheFieldAndCancelKeepsIt) {
  Wizard w({.language = "Setup\nBrowse=Ordner suchen\n"});
  const std::string start = w.view.Text(Control::edDirectory);
  EXPECT_EQ(start, "C:\\Program Files\\Aquarium\\");
  w.form->btnBrowseClick();  // cancelled
  EXPECT_EQ(w.view.browse_start, start);
  EXPECT_EQ(w.view.browse_instruction, "Ordner suchen");
  EXPECT_EQ(w.view.Text(Control::edDirectory), start);
  w.view.browse_answer = "D:\\Savers";
  w.form->btnBrowseClick();
  EXPECT_EQ(w.view.Text(Control::edDirectory), "D:\\Savers");
  EXPECT_EQ(w.view.browse_start, start);
}

TEST(WizardLink, ClickOpensTheAddressWithTheDefaultVerb) {
  Wizard w({.link = "http://www.aquarium.example/"});
  w.form->LinkClick();
  ASSERT_EQ(w.sim.shell_calls.size(), 1u);
  const auto& call = w.sim.shell_calls[0];
  EXPECT_TRUE(call.with_owner);
  EXPECT_EQ(call.verb, "");
  EXPECT_EQ(call.file, "http://www.aquarium.example/");
  EXPECT_EQ(call.params, "");
  EXPECT_EQ(call.dir, "");
  EXPECT_EQ(call.show, kSwShowNormal);
}

}  // namespace
}  // namespace scr
