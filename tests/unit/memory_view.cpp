#include "tests/unit/memory_view.h"

#include "setup/exit_codes.h"

namespace scr {

MemoryView::MemoryView() {
  // The layout's start state: Back hidden, Next disabled, "I do not accept"
  // selected, design-time texts in place.
  At(Control::btnBack).visible = false;
  At(Control::btnNext).enabled = false;
  At(Control::rbNotAccept).checked = true;
  At(Control::lbTitle).text = "Select Destination Directory";
  At(Control::lbDescription).text = "Where should Screen Saver be installed?";
  At(Control::Link).text = "http://www.example.com/";
}

bool MemoryView::BrowseForFolder(const std::string& start, const std::string& instruction,
                                 std::string* chosen) {
  browse_start = start;
  browse_instruction = instruction;
  if (browse_answer.empty()) return false;
  *chosen = browse_answer;
  return true;
}

void MemoryView::Check(Control radio) {
  At(Control::rbAccept).checked = radio == Control::rbAccept;
  At(Control::rbNotAccept).checked = radio == Control::rbNotAccept;
}

int StartRoad(System& system, MemoryView& view, std::unique_ptr<TSCRSetup>& form, RunModes modes,
              std::vector<std::string> args) {
  form.reset();
  if (modes.SilentMode) {
    MemoryFront front(view);
    return RunSilent(system, modes, args, front);
  }
  form = std::make_unique<TSCRSetup>(system, view, modes, std::move(args));
  form->FormCreate();
  return kExitOk;
}

}  // namespace scr
