// What the wizard's logic needs from its window. The real window
// (wizard/win32/) implements it over Win32 controls; host tests implement it
// with a plain record of control states.
#pragma once

#include <string>

namespace scr {

// The controls of the wizard window, by their layout names.
enum class Control {
  btnCancel,
  btnBack,
  btnNext,
  Link,
  lbTitle,
  lbDescription,
  btnBrowse,
  edDirectory,
  Label1,
  Label2,
  Label3,
  Label4,
  Label5,
  rbAccept,
  rbNotAccept,
  edLicense,
  edReadme,
  ProgressBar,
  kCount,
};

// Page numbers of the Notebook.
enum Page : int {
  kPageLicense = 0,
  kPageDirectory = 1,
  kPageReady = 2,
  kPageProgress = 3,
  kPageReadme = 4,
  kPageFinished = 5,
  kPageCount = 6,
};

class WizardView {
 public:
  virtual ~WizardView() = default;

  virtual void SetText(Control control, const std::string& text) = 0;
  virtual std::string Text(Control control) = 0;
  virtual void SetVisible(Control control, bool visible) = 0;
  virtual bool Visible(Control control) = 0;
  virtual void SetEnabled(Control control, bool enabled) = 0;
  virtual bool Enabled(Control control) = 0;
  // Radio buttons.
  virtual bool Checked(Control control) = 0;
  virtual void SetFocus(Control control) = 0;

  // Makes page `page` of the Notebook the one visible page. It does not
  // notify the logic; the caller runs the page-entry update itself.
  virtual void ShowPage(int page) = 0;

  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() = 0;

  virtual void SetProgressMax(int maximum) = 0;
  virtual void SetProgress(int position) = 0;
  // Repaints the progress bar, then hands pending messages to the loop.
  virtual void RepaintAndPump() = 0;
  // Disables the window and shows the hourglass (true), or undoes both.
  virtual void SetBusy(bool busy) = 0;

  // Closes the wizard window; since it is the main window the program ends.
  virtual void Close() = 0;
  // Asks the application to end once the current handler returns.
  virtual void Terminate() = 0;
  // Uninstall road: the window is never shown, loses its border and is
  // sized to 1 x 1 pixel.
  virtual void HideForever() = 0;

  // The shell's folder browser. True and the chosen folder on OK.
  virtual bool BrowseForFolder(const std::string& start, const std::string& instruction,
                               std::string* chosen) = 0;
};

}  // namespace scr
