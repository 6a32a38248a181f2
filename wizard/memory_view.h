// A window-less WizardView that only keeps the state of its controls. The
// silent run uses it (the wizard is never shown there, and needs no display),
// and host tests drive the page machine through it.
#pragma once

#include <array>
#include <functional>

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

}  // namespace scr
