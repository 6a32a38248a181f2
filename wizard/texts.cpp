// The window's fixed texts, translated once at creation.
#include "wizard/setup_form.h"

namespace scr {

void TSCRSetup::LangRenameControls() {
  // The buttons whose translated word gets an arrow or an ellipsis.
  static constexpr struct {
    Control control;
    const char* before;
    TextId text;
    const char* after;
  } kDecoratedTexts[] = {{Control::btnBack, "< ", TextId::kBack, ""},
                         {Control::btnBrowse, "", TextId::kBrowseButton, "..."},
                         {Control::btnNext, "", TextId::kNext, " >"}};
  for (const auto& [control, before, text, after] : kDecoratedTexts) {
    std::string decorated = before;
    decorated += Tr(text);
    decorated += after;
    view.SetText(control, decorated);
  }
  // The controls that show their text as it is translated: one loop, not
  // a call sequence apiece.
  static constexpr struct {
    Control control;
    TextId text;
  } kPlainTexts[] = {
      {Control::btnCancel, TextId::kCancel},        {Control::Label1, TextId::kDirectoryPageText},
      {Control::Label2, TextId::kLicensePageText},  {Control::Label3, TextId::kReadmePageText},
      {Control::Label4, TextId::kFinishedPageText}, {Control::Label5, TextId::kReadyPageText},
      {Control::rbAccept, TextId::kAccept},         {Control::rbNotAccept, TextId::kNotAccept}};
  for (const auto& [control, text] : kPlainTexts) view.SetText(control, Tr(text));

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
