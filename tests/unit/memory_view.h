// A window-less WizardView that only keeps the state of its controls: host
// tests drive the page machine through it, and record through MemoryFront
// what the runs of a silent run report.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "setup/silent_run.h"
#include "wizard/setup_form.h"
#include "wizard/view.h"

namespace scr {

class MemoryView : public WizardView {
 public:
  struct ControlState {
    std::string text;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
  };

  MemoryView();

  void SetText(Control c, const std::string& text) override { At(c).text = text; }
  std::string Text(Control c) override { return At(c).text; }
  void SetVisible(Control c, bool visible) override { At(c).visible = visible; }
  bool Visible(Control c) override { return At(c).visible; }
  void SetEnabled(Control c, bool enabled) override { At(c).enabled = enabled; }
  bool Enabled(Control c) override { return At(c).enabled; }
  bool Checked(Control c) override { return At(c).checked; }
  void SetFocus(Control c) override { focus = c; }
  void ShowPage(int page) override { shown_page = page; }
  void SetCaption(const std::string& text) override { caption = text; }
  std::string Caption() override { return caption; }
  void SetProgressMax(int maximum) override { progress_max = maximum; }
  void SetProgress(int position) override {
    progress = position;
    progress_history.push_back(position);
  }
  void RepaintAndPump() override {
    ++pumps;
    if (on_pump) on_pump();
  }
  void SetBusy(bool is_busy) override {
    busy = is_busy;
    busy_history.push_back(is_busy);
  }
  void Close() override { closed = true; }
  void Terminate() override { terminated = true; }
  void HideForever() override { hidden_forever = true; }
  bool BrowseForFolder(const std::string& start, const std::string& instruction,
                       std::string* chosen) override;

  // Selects one of the two radio buttons, as a click does.
  void Check(Control radio);

  ControlState& At(Control c) { return controls[static_cast<size_t>(c)]; }

  std::array<ControlState, static_cast<size_t>(Control::kCount)> controls;
  std::string caption = "Screen Saver Setup";
  Control focus = Control::btnNext;
  int shown_page = -1;
  int progress_max = 100;
  int progress = 0;
  std::vector<int> progress_history;
  std::vector<bool> busy_history;
  int pumps = 0;
  std::function<void()> on_pump;
  bool busy = false;
  bool closed = false;
  bool terminated = false;
  bool hidden_forever = false;
  // The folder browser's scripted answer: empty means Cancel.
  std::string browse_answer;
  std::string browse_start, browse_instruction;
};

// The front of a silent run, kept in a MemoryView: the page the run went
// to, the folder it showed, its busy and progress calls, and its requests to
// end, close or hide, where the wizard would have shown them.
class MemoryFront : public SilentFront {
 public:
  explicit MemoryFront(MemoryView& view) : view_(view) {}
  void EnterProgressPage() override {
    view_.ShowPage(kPageProgress);
    view_.SetProgressMax(100);
  }
  void ShowDestination(const std::string& folder) override {
    view_.SetText(Control::edDirectory, folder);
  }
  void ReturnToFolderPage() override { view_.ShowPage(kPageDirectory); }
  void SetBusy(bool busy) override { view_.SetBusy(busy); }
  void ShowProgress(int position) override {
    view_.SetProgress(position);
    view_.RepaintAndPump();
  }
  void Installed(bool finished_page) override {
    if (finished_page) view_.ShowPage(kPageFinished);
  }
  std::string Caption() override { return view_.Caption(); }
  void Terminate() override { view_.Terminate(); }
  void CloseWindow() override { view_.Close(); }
  void HideWindow() override { view_.HideForever(); }

 private:
  MemoryView& view_;
};

// Starts the program's road as its entry does: a silent run through
// RunSilent, recording into `view` (and `form` left empty), any other
// through a form over `view`, created and left in `form`. Returns the
// silent run's exit code; a form keeps its own.
int StartRoad(System& system, MemoryView& view, std::unique_ptr<TSCRSetup>& form, RunModes modes,
              std::vector<std::string> args);

}  // namespace scr
