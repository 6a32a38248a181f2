// The window's fixed texts, translated once at creation.
#include "wizard/setup_form.h"

namespace scr {

void TSCRSetup::LangRenameControls() {
  view.SetText(Control::btnBack, "< " + Tr("Back"));
  view.SetText(Control::btnBrowse, Tr("&Browse") + "...");
  view.SetText(Control::btnCancel, Tr("Cancel"));
  view.SetText(Control::btnNext, Tr("Next") + " >");
  view.SetText(Control::Label1, Tr("Select the folder where you would like the Screen Saver to be "
                                   "installed, then click Install."));
  view.SetText(Control::Label2, Tr("Please read the following License Agreement. You must accept "
                                   "the terms of this agreement before continuing with the "
                                   "installation."));
  view.SetText(Control::Label3, Tr("When you are ready, click Next."));
  view.SetText(Control::Label4, Tr("Click Finish to exit Setup."));
  view.SetText(Control::Label5, Tr("The Setup is ready to install Screen Saver on your computer. "
                                   "Click Install to continue, or Cancel to exit Setup."));
  view.SetText(Control::rbAccept, Tr("I &accept the agreement"));
  view.SetText(Control::rbNotAccept, Tr("I &do not accept the agreement"));

  static constexpr const char* kTitles[kPageCount] = {
      "License Agreement", "Select Destination Directory",
      "Ready to Install",  "Installing",
      "Information",       "Finish"};
  static constexpr const char* kDescriptions[kPageCount] = {
      "Please read the following important information before continuing.",
      "Where should Screen Saver be installed?",
      "Setup is ready to install Screen Saver.",
      "Please wait while Setup installs Screen Saver.",
      "Please read the following important information before continuing.",
      "The Setup has completed successfully."};
  for (int page = 0; page < kPageCount; ++page) {
    PageTitles[page] = Tr(kTitles[page]);
    PageDescriptions[page] = Tr(kDescriptions[page]);
  }
}

}  // namespace scr
