// The window's fixed texts, translated once at creation.
#include "wizard/setup_form.h"

namespace scr {

void TSCRSetup::LangRenameControls() {
  view.SetText(Control::btnBack, "< " + Tr(TextId::kBack));
  view.SetText(Control::btnBrowse, Tr(TextId::kBrowseButton) + "...");
  view.SetText(Control::btnCancel, Tr(TextId::kCancel));
  view.SetText(Control::btnNext, Tr(TextId::kNext) + " >");
  view.SetText(Control::Label1, Tr(TextId::kDirectoryPageText));
  view.SetText(Control::Label2, Tr(TextId::kLicensePageText));
  view.SetText(Control::Label3, Tr(TextId::kReadmePageText));
  view.SetText(Control::Label4, Tr(TextId::kFinishedPageText));
  view.SetText(Control::Label5, Tr(TextId::kReadyPageText));
  view.SetText(Control::rbAccept, Tr(TextId::kAccept));
  view.SetText(Control::rbNotAccept, Tr(TextId::kNotAccept));

  static constexpr TextId kTitles[kPageCount] = {TextId::kLicenseTitle, TextId::kDirectoryTitle,
                                                 TextId::kReadyTitle,   TextId::kProgressTitle,
                                                 TextId::kReadmeTitle,  TextId::kFinishedTitle};
  static constexpr TextId kDescriptions[kPageCount] = {
      TextId::kReadImportantDescription, TextId::kDirectoryDescription,
      TextId::kReadyDescription,         TextId::kProgressDescription,
      TextId::kReadImportantDescription, TextId::kFinishedDescription};
  for (int page = 0; page < kPageCount; ++page) {
    PageTitles[page] = Tr(kTitles[page]);
    PageDescriptions[page] = Tr(kDescriptions[page]);
  }
}

}  // namespace scr
