// Window creation: loading the package and choosing the road.
#include <utility>

#include "install/destination.h"
#include "install/install_run.h"
#include "remove/uninstall_run.h"
#include "setup/package_reports.h"
#include "wizard/setup_form.h"

namespace scr {
namespace {

// The runs' view of the wizard: every call goes to the form.
class WizardFront : public InstallFront, public UninstallFront {
 public:
  explicit WizardFront(TSCRSetup& form) : form_(form) {}
  void EnterProgressPage() override { form_.EnterProgressPage(); }
  void ShowDestination(const std::string& folder) override { form_.ShowDestination(folder); }
  void ReturnToFolderPage() override { form_.ReturnToFolderPage(); }
  void SetBusy(bool busy) override { form_.SetBusy(busy); }
  void ShowProgress(int position) override { form_.ShowProgress(position); }
  void Installed(bool finished_page) override { form_.Installed(finished_page); }
  std::string Caption() override { return form_.Caption(); }
  void Terminate() override { form_.Terminate(); }
  void CloseWindow() override { form_.CloseWindow(); }
  void HideWindow() override { form_.HideWindow(); }

 private:
  TSCRSetup& form_;
};

}  // namespace

void TSCRSetup::EndRoad(RunEnd end) {
  exit_code = ExitCodeOf(end);
  view.Terminate();
}

void TSCRSetup::FormCreate() {
  std::unique_ptr<File> file;
  if (!LoadOrReport(file)) return;
  LangRenameControls();

  const bool setup_side = package.kind == TrailerKind::kSetup;
  if (!setup_side) {
    file.reset();
    if (!UninstallRoad()) return;
  } else if (!PrepareWizardPages(file)) {
    return;
  }
  ShowCaptionAndLink();
  if (setup_side) ProposeDestination();
}

bool TSCRSetup::LoadOrReport(std::unique_ptr<File>& file) {
  RunEnd end = RunEnd::kDone;
  if (LoadPackageOrReport(sys, modes, package, file, &end)) return true;
  EndRoad(end);
  return false;
}

bool TSCRSetup::UninstallRoad() {
  WizardFront front(*this);
  const RunEnd end = UninstallOrReport({sys, package, modes, package.program_path, front});
  EndRoad(end);
  return end != RunEnd::kBadPackage;
}

bool TSCRSetup::PrepareWizardPages(std::unique_ptr<File>& file) {
  const SetupRecord& record = package.record;
  if (!ReadTextsOrReport(sys, modes, file, package)) {
    EndRoad(RunEnd::kBadPackage);
    return false;
  }
  if (record.ReadmeSize > 0) view.SetText(Control::edReadme, NormaliseLineBreaks(package.readme));
  if (LicensePageInUse(record) && record.LicenseSize > 0) {
    view.SetText(Control::edLicense, NormaliseLineBreaks(package.license));
    SelectPage(kPageLicense);
  } else {
    SelectPage(record.SkipFolderPage ? kPageReady : kPageDirectory);
  }
  return true;
}

void TSCRSetup::ShowCaptionAndLink() {
  std::string caption = Title();
  caption += ' ';
  caption += Tr(TextId::kSetup);
  view.SetCaption(caption);
  std::string link = FieldText(package.record.LinkAddress);
  if (link.empty())
    view.SetVisible(Control::Link, false);
  else
    view.SetText(Control::Link, link);
}

// The default folder in the field.
void TSCRSetup::ProposeDestination() {
  const SetupRecord& record = package.record;
  view.SetText(Control::edDirectory,
               ResolveDestinationFolder(sys, ShortStringView(record.DestFolder),
                                        ShortStringView(record.DestSubfolder)));
}

void TSCRSetup::FormDestroy() { FreeLanguageTable(package.table); }

bool TSCRSetup::btnOKClick() {
  WizardFront front(*this);
  const RunEnd end = RunInstall(
      {sys, package, modes, view.Text(Control::edDirectory), view.Text(Control::edReadme), front});
  exit_code = ExitCodeOf(end);
  return end != RunEnd::kFolderRefused && end != RunEnd::kBadDestination;
}

void TSCRSetup::EnterProgressPage() {
  SelectPage(kPageProgress);
  view.SetVisible(Control::btnNext, false);
  view.SetProgressMax(100);
}

void TSCRSetup::ShowDestination(const std::string& folder) {
  view.SetText(Control::edDirectory, folder);
}

void TSCRSetup::ShowProgress(int position) {
  view.SetProgress(position);
  view.RepaintAndPump();
}

void TSCRSetup::Installed(bool finished_page) {
  installed_ = true;
  if (finished_page) SelectPage(kPageFinished);
}

}  // namespace scr
