// TSCRSetup: the logic of the one wizard window. It holds the loaded
// package and the page machine; the window code only binds controls to it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "install/install_run.h"
#include "package/loader.h"
#include "package/texts.h"
#include "platform/system.h"
#include "remove/uninstall_run.h"
#include "setup/exit_codes.h"
#include "setup/run_mode.h"
#include "wizard/view.h"

namespace scr {

class TSCRSetup {
 public:
  TSCRSetup(System& system, WizardView& view, RunModes modes, std::vector<std::string> args)
      : sys(system), view(view), modes(modes), args(std::move(args)) {}

  // Creation: loading, texts, and the uninstall road or the wizard's first
  // page with the proposed folder. A silent run has no form (setup/silent_run.h).
  void FormCreate();
  void FormDestroy();
  void LangRenameControls();

  // The page machine.
  void NotebookPageChanged();
  void btnBackClick();
  void btnNextClick();
  void rbAcceptClick();
  void btnCancelClick();
  void btnBrowseClick();
  void LinkClick();
  // A click on `control`, routed to its handler. Controls that answer no
  // click are ignored. The window and the tests both click through it.
  void Click(Control control);
  // The install run; false when it gave up and abandoned the click.
  bool btnOKClick();

  // Selects page `page` and runs the page-entry update.
  void SelectPage(int page);
  int CurrentPage() const { return page_; }

  // Texts are named by their entry in the program's table of texts.
  std::string Tr(TextId text) const { return Translate(package.table, text); }
  // The title as the record holds it, up to its NUL.
  std::string Title() const { return FieldText(package.record.ScrTitle); }

  // Closes the wizard window (the program ends). Also asked by the install
  // run after a failed copy.
  void CloseWindow();

  // What the install run shows through the wizard (the runs reach these
  // through an InstallFront and an UninstallFront made in form_create.cpp;
  // the form itself stays a plain class).
  void EnterProgressPage();
  void ShowDestination(const std::string& folder);
  void ReturnToFolderPage() { SelectPage(kPageDirectory); }
  void SetBusy(bool busy) { view.SetBusy(busy); }
  void ShowProgress(int position);
  void Installed(bool finished_page);
  std::string Caption() { return view.Caption(); }
  void Terminate() { view.Terminate(); }
  // The uninstall road never shows the wizard.
  void HideWindow() { view.HideForever(); }

  // Set from how the runs and the wizard ended, through ExitCodeOf.
  int exit_code = kExitOk;

  System& sys;
  WizardView& view;
  const RunModes modes;
  const std::vector<std::string> args;
  LoadedPackage package;  // with PackageEnd
  std::string PageTitles[kPageCount];
  std::string PageDescriptions[kPageCount];

 private:
  // The exit code for `end`, and the application asked to end.
  void EndRoad(RunEnd end);
  // The steps of creation. False when the road ended in a report.
  bool LoadOrReport(std::unique_ptr<File>& file);
  bool UninstallRoad();
  bool PrepareWizardPages(std::unique_ptr<File>& file);
  void ShowCaptionAndLink();
  void ProposeDestination();

  int page_ = kPageDirectory;
  bool view_closed_ = false;
  bool installed_ = false;
};

}  // namespace scr
