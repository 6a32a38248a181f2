// The wizard's texts: translation of the fixed texts and page headers, the
// caption, the link label, and what a damaged package leaves behind.
#include <gtest/gtest.h>

#include "platform/sim/sim_system.h"
#include "setup/silent_run.h"
#include "tests/unit/memory_view.h"
#include "tests/unit/test_package.h"
#include "wizard/setup_form.h"

namespace scr {
namespace {

struct TextRun {
  explicit TextRun(const TestPackage& package = {}, RunModes modes = {}) {
    EXPECT_TRUE(WriteTestPackage(sim, package));
    form = std::make_unique<TSCRSetup>(sim, view, modes, std::vector<std::string>{"setup.exe"});
    form->FormCreate();
  }
  SimSystem sim;
  MemoryView view;
  std::unique_ptr<TSCRSetup> form;
};

TEST(WizardTexts, EnglishWithoutALanguageBlock) {
  TextRun r;
  MemoryView& v = r.view;
  EXPECT_EQ(v.Caption(), "Aquarium Setup");
  EXPECT_EQ(v.Text(Control::btnBack), "< Back");
  EXPECT_EQ(v.Text(Control::btnNext), "Install");  // the Directory page's caption
  EXPECT_EQ(v.Text(Control::btnCancel), "Cancel");
  EXPECT_EQ(v.Text(Control::btnBrowse), "&Browse...");
  EXPECT_EQ(v.Text(Control::rbAccept), "I &accept the agreement");
  EXPECT_EQ(v.Text(Control::rbNotAccept), "I &do not accept the agreement");
  EXPECT_EQ(v.Text(Control::Label1),
            "Select the folder where you would like the Screen Saver to be installed, then click "
            "Install.");
  EXPECT_EQ(v.Text(Control::Label2),
            "Please read the following License Agreement. You must accept the terms of this "
            "agreement before continuing with the installation.");
  EXPECT_EQ(v.Text(Control::Label3), "When you are ready, click Next.");
  EXPECT_EQ(v.Text(Control::Label4), "Click Finish to exit Setup.");
  EXPECT_EQ(v.Text(Control::Label5),
            "The Setup is ready to install Screen Saver on your computer. Click Install to "
            "continue, or Cancel to exit Setup.");
  EXPECT_EQ(v.Text(Control::lbTitle), "Select Destination Directory");
  EXPECT_EQ(v.Text(Control::lbDescription), "Where should Screen Saver be installed?");
  const char* titles[] = {"License Agreement", "Select Destination Directory",
                          "Ready to Install",  "Installing",
                          "Information",       "Finish"};
  const char* descriptions[] = {
      "Please read the following important information before continuing.",
      "Where should Screen Saver be installed?",
      "Setup is ready to install Screen Saver.",
      "Please wait while Setup installs Screen Saver.",
      "Please read the following important information before continuing.",
      "The Setup has completed successfully."};
  for (int page = 0; page < kPageCount; ++page) {
    EXPECT_EQ(r.form->PageTitles[page], titles[page]);
    EXPECT_EQ(r.form->PageDescriptions[page], descriptions[page]);
  }
}

TEST(WizardTexts, LanguageBlockTranslatesButtonsCaptionAndHeaders) {
  TextRun r(
      {.language =
           "Setup\r\n"
           "Setup=Einrichtung\r\n"
           "Next=Weiter\r\n"
           "Back=Zur\xfc"
           "ck\r\n"
           "Cancel=Abbrechen\r\n"
           "Install=Installieren\r\n"
           "Finish=Fertigstellen\r\n"
           "&Browse=&Durchsuchen\r\n"
           "I &accept the agreement=Ich &akzeptiere\r\n"
           "Select Destination Directory=Zielordner w\xe4hlen\r\n"
           "Please read the following important information before continuing.=Bitte lesen.\r\n"});
  MemoryView& v = r.view;
  EXPECT_EQ(v.Caption(), "Aquarium Einrichtung");
  EXPECT_EQ(v.Text(Control::btnBack),
            "< Zur\xfc"
            "ck");
  EXPECT_EQ(v.Text(Control::btnCancel), "Abbrechen");
  EXPECT_EQ(v.Text(Control::btnBrowse), "&Durchsuchen...");
  EXPECT_EQ(v.Text(Control::rbAccept), "Ich &akzeptiere");
  EXPECT_EQ(v.Text(Control::rbNotAccept), "I &do not accept the agreement");  // no entry
  EXPECT_EQ(v.Text(Control::btnNext), "Installieren");
  EXPECT_EQ(v.Text(Control::lbTitle), "Zielordner w\xe4hlen");
  // License and Readme share the one description text.
  EXPECT_EQ(r.form->PageDescriptions[kPageLicense], "Bitte lesen.");
  EXPECT_EQ(r.form->PageDescriptions[kPageReadme], "Bitte lesen.");
  r.form->SelectPage(kPageReadme);
  EXPECT_EQ(v.Text(Control::btnNext), "Weiter >");
  r.form->SelectPage(kPageFinished);
  EXPECT_EQ(v.Text(Control::btnNext), "Fertigstellen");
}

TEST(WizardTexts, FinishedHeadingHasItsOwnTextAndFallsBackToTheButtons) {
  TextRun english;
  english.form->SelectPage(kPageFinished);
  EXPECT_EQ(english.view.Text(Control::lbTitle), "Finish");
  // A language file written before the heading had a text of its own.
  TextRun older({.language = "Setup\r\nFinish=Fertigstellen\r\n"});
  older.form->SelectPage(kPageFinished);
  EXPECT_EQ(older.view.Text(Control::lbTitle), "Fertigstellen");
  TextRun newer(
      {.language = "Setup\r\nFinish=Fertigstellen\r\nFinished=Installation abgeschlossen\r\n"});
  newer.form->SelectPage(kPageFinished);
  EXPECT_EQ(newer.view.Text(Control::lbTitle), "Installation abgeschlossen");
  EXPECT_EQ(newer.view.Text(Control::btnNext), "Fertigstellen");
}

TEST(WizardTexts, CaptionHoldsAFullLengthTitle) {
  const std::string title = "A Screensaver Title Of 31 Chars";
  ASSERT_EQ(title.size(), 31u);
  TextRun r({.title = title});
  EXPECT_EQ(r.view.Caption(), title + " Setup");
}

TEST(WizardTexts, LinkShowsTheAddressOrIsHidden) {
  TextRun with({.link = "http://www.aquarium.example/page?a=1&b=2"});
  EXPECT_TRUE(with.view.Visible(Control::Link));
  EXPECT_EQ(with.view.Text(Control::Link), "http://www.aquarium.example/page?a=1&b=2");
  TextRun without;
  EXPECT_FALSE(without.view.Visible(Control::Link));
  const std::string longest(101, 'x');  // the field's full width but its NUL
  TextRun full({.link = longest});
  EXPECT_EQ(full.view.Text(Control::Link), longest);
}

TEST(WizardTexts, DamagedPackageLeavesTheDesignTimeTexts) {
  SimSystem sim;
  sim.PutFile(sim.module_path, std::string(4000, 'P'));  // no trailer at all
  sim.answers.push_back(MsgAnswer::kOk);
  MemoryView view;
  TSCRSetup form(sim, view, {}, {"setup.exe"});
  form.FormCreate();
  EXPECT_TRUE(view.terminated);
  EXPECT_EQ(form.exit_code, kExitBadPackage);
  ASSERT_EQ(sim.boxes.size(), 1u);
  EXPECT_EQ(sim.boxes[0].text, "The file is corrupted. Setup can not continue.");
  EXPECT_EQ(sim.boxes[0].caption, "Screensaver Setup");
  EXPECT_EQ(sim.boxes[0].icon, MsgIcon::kError);
  // Caption and link are never set from a package that failed to load.
  EXPECT_EQ(view.Caption(), "Screen Saver Setup");
  EXPECT_EQ(view.Text(Control::Link), "http://www.example.com/");
}

TEST(WizardTexts, TheCorruptedReportComesWithTheProgramFileClosed) {
  // While the box is open, the user may want to delete the damaged
  // download: the file is closed before the report, not after it.
  SimSystem sim;
  sim.PutFile(sim.module_path, std::string(4000, 'P') + SetupTrailer());
  MemoryView view;
  TSCRSetup form(sim, view, {}, {"setup.exe"});
  form.FormCreate();
  ASSERT_EQ(sim.boxes.size(), 1u);
  EXPECT_EQ(sim.boxes[0].text, "The file is corrupted. Setup can not continue.");
  EXPECT_EQ(sim.boxes[0].open_files, 0);
  EXPECT_EQ(sim.open_files, 0);
}

TEST(WizardTexts, UnreadableProgramFileIsReportedButNotInSilentMode) {
  for (bool silent : {false, true}) {
    SimSystem sim;
    sim.fail_open_module = true;
    sim.answers.push_back(MsgAnswer::kOk);
    MemoryView view;
    int exit_code = kExitOk;
    if (silent) {
      MemoryFront front(view);
      exit_code = RunSilent(sim, {true, false}, {"setup.exe", "-silent"}, front);
    } else {
      TSCRSetup form(sim, view, {}, {"setup.exe"});
      form.FormCreate();
      exit_code = form.exit_code;
    }
    EXPECT_TRUE(view.terminated);
    EXPECT_EQ(exit_code, kExitBadPackage);
    EXPECT_EQ(sim.boxes.size(), silent ? 0u : 1u);
    EXPECT_EQ(sim.std_error.find("cannot open its own program file C:\\Setup\\setup.exe") !=
                  std::string::npos,
              silent);
  }
}

}  // namespace
}  // namespace scr
