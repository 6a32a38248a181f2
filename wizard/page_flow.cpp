// The page machine: page entry, Back, Next, Cancel, licence acceptance,
// folder browser and link.
#include "install/shell_start.h"
#include "package/file_name.h"
#include "wizard/setup_form.h"

namespace scr {
namespace {

std::string DecorateNext(const TSCRSetup& form) {
  std::string text = form.Tr(TextId::kNext);
  text += " >";
  return text;
}

}  // namespace

void TSCRSetup::SelectPage(int page) {
  page_ = page;
  view.ShowPage(page);
  NotebookPageChanged();
}

void TSCRSetup::NotebookPageChanged() {
  const int n = page_;
  view.SetText(Control::lbTitle, PageTitles[n]);
  view.SetText(Control::lbDescription, PageDescriptions[n]);
  view.SetVisible(Control::btnNext, true);

  const SetupRecord& record = package.record;
  const bool back_to_license = LicensePageInUse(record) && record.LicenseSize != 0;
  // Directory and Ready install; the others lead on, the Finished page
  // ends. Only those two pages go back (to the licence, when it is shown);
  // from the Progress page on, nothing can be cancelled.
  const bool installs = n == kPageDirectory || n == kPageReady;
  view.SetText(Control::btnNext, installs             ? Tr(TextId::kInstall)
                                 : n == kPageFinished ? Tr(TextId::kFinish)
                                                      : DecorateNext(*this));
  if (installs) {
    view.SetEnabled(Control::btnNext, true);
    view.SetVisible(Control::btnBack, back_to_license);
  } else {
    view.SetVisible(Control::btnBack, false);
    if (n != kPageLicense) view.SetEnabled(Control::btnCancel, false);
  }
}

void TSCRSetup::btnBackClick() {
  if (page_ == kPageReady)
    SelectPage(kPageLicense);
  else if (page_ > kPageLicense)
    SelectPage(page_ - 1);
}

void TSCRSetup::btnNextClick() {
  if (page_ == kPageDirectory || page_ == kPageReady) {
    if (!btnOKClick()) {
      // The install run turned the click back before anything was installed
      // (it entered the Progress page first, which disabled Cancel). Cancel
      // is offered again: otherwise Escape, which clicks the first enabled
      // of Cancel, Back and Next, would start the install run once more.
      view.SetEnabled(Control::btnCancel, true);
      return;
    }
    if (view_closed_) return;  // the copy failed and the window is closed
  }
  if (page_ == kPageLicense && package.record.SkipFolderPage) {
    SelectPage(kPageReady);
  } else if (page_ == kPageFinished) {
    CloseWindow();
  } else {
    SelectPage(page_ + 1);
  }
}

void TSCRSetup::rbAcceptClick() {
  if (!LicensePageInUse(package.record)) return;
  const bool accepted = view.Checked(Control::rbAccept);
  view.SetEnabled(Control::btnNext, accepted);
  if (accepted) view.SetFocus(Control::btnNext);
}

void TSCRSetup::btnCancelClick() {
  if (!installed_) exit_code = ExitCodeOf(RunEnd::kCancelled);
  CloseWindow();
}

void TSCRSetup::btnBrowseClick() {
  std::string chosen;
  if (!view.BrowseForFolder(view.Text(Control::edDirectory), Tr(TextId::kBrowseInstruction),
                            &chosen))
    return;
  // The field shows a folder without its trailing "\", except a drive
  // root, which is no folder name without it ("C:" is the drive's current
  // folder).
  const bool drive_root = chosen.size() == 3 && chosen[1] == ':' && chosen[2] == '\\';
  if (!drive_root) chosen = WithoutBackslash(sys, chosen);
  view.SetText(Control::edDirectory, chosen);
}

void TSCRSetup::Click(Control control) {
  switch (control) {
    case Control::btnCancel:
      btnCancelClick();
      break;
    case Control::btnBack:
      btnBackClick();
      break;
    case Control::btnNext:
      btnNextClick();
      break;
    case Control::btnBrowse:
      btnBrowseClick();
      break;
    case Control::Link:
      LinkClick();
      break;
    case Control::rbAccept:
    case Control::rbNotAccept:
      rbAcceptClick();
      break;
    default:
      break;
  }
}

void TSCRSetup::LinkClick() { OpenLinkAddress(sys, FieldText(package.record.LinkAddress)); }

void TSCRSetup::CloseWindow() {
  view_closed_ = true;
  view.Close();
}

}  // namespace scr
