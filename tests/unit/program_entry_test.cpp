// The start-up order: the DLL search is restricted before the program does
// anything else, whichever run the command line then selects.
#include "setup/program_entry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/sim_system.h"
#include "setup/exit_codes.h"

namespace scr {
namespace {

// Logs the System calls a start-up may make, in order.
class OrderSim : public SimSystem {
 public:
  std::vector<std::string> calls;
  DllSearch RestrictDllSearch() override {
    calls.push_back("RestrictDllSearch");
    return SimSystem::RestrictDllSearch();
  }
  std::string CommandLine() override {
    calls.push_back("CommandLine");
    return SimSystem::CommandLine();
  }
  std::string ModulePath() override {
    calls.push_back("ModulePath");
    return SimSystem::ModulePath();
  }
  std::unique_ptr<File> OpenRead(const std::string& path, Share share) override {
    calls.push_back("OpenRead");
    return SimSystem::OpenRead(path, share);
  }
  bool DeleteFile(const std::string& path) override {
    calls.push_back("DeleteFile");
    return SimSystem::DeleteFile(path);
  }
  MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                       MsgButtons buttons) override {
    calls.push_back("MessageBox");
    return SimSystem::MessageBox(text, caption, icon, buttons);
  }
};

struct Wizard {
  int runs = 0;
  RunModes modes;
  std::vector<std::string> args;
};

int RecordWizard(System& system, RunModes modes, std::vector<std::string> args, void* context) {
  auto* wizard = static_cast<Wizard*>(context);
  static_cast<OrderSim&>(system).calls.push_back("wizard");
  ++wizard->runs;
  wizard->modes = modes;
  wizard->args = std::move(args);
  return 42;
}

TEST(ProgramEntry, TheDllSearchIsRestrictedBeforeAnythingElseOnEveryRoad) {
  for (const char* line : {"setup.exe", "setup.exe -silent C:\\Saver", "setup.exe -previewonly",
                           "\"C:\\TEMP\\ZEROveruziuninst5.exe\" -delfile C:\\UNINST~1.EXE"}) {
    SCOPED_TRACE(line);
    OrderSim sim;
    sim.command_line = line;
    Wizard wizard;
    RunProgram(sim, RecordWizard, &wizard);
    ASSERT_FALSE(sim.calls.empty());
    EXPECT_EQ(sim.calls[0], "RestrictDllSearch");
    EXPECT_EQ(sim.dll_search_calls, 1);
  }
}

TEST(ProgramEntry, TheCommandLineChoosesTheRun) {
  {
    OrderSim sim;
    sim.command_line = "setup.exe -PreviewOnly C:\\Saver";
    Wizard wizard;
    EXPECT_EQ(RunProgram(sim, RecordWizard, &wizard), 42);
    EXPECT_EQ(wizard.runs, 1);
    EXPECT_FALSE(wizard.modes.SilentMode);
    EXPECT_TRUE(wizard.modes.PreviewOnly);
    EXPECT_EQ(wizard.args, (std::vector<std::string>{"setup.exe", "-PreviewOnly", "C:\\Saver"}));
  }
  {
    // A silent run needs no window: it runs in memory, and here finds no
    // package in its own file.
    OrderSim sim;
    sim.command_line = "setup.exe -SILENT C:\\Saver";
    sim.PutFile(sim.module_path, "no package");
    Wizard wizard;
    EXPECT_EQ(RunProgram(sim, RecordWizard, &wizard), kExitBadPackage);
    EXPECT_EQ(wizard.runs, 0);
    EXPECT_TRUE(sim.boxes.empty());
  }
  {
    // The deferred removal never reaches the wizard; the target is gone.
    OrderSim sim;
    sim.PutFile("C:\\Setup\\uninst.exe", "uninstaller");
    sim.command_line = "copy.exe -delfile C:\\Setup\\uninst.exe";
    Wizard wizard;
    EXPECT_EQ(RunProgram(sim, RecordWizard, &wizard), 0);
    EXPECT_EQ(wizard.runs, 0);
    EXPECT_FALSE(sim.FileExists("C:\\Setup\\uninst.exe"));
  }
}

// How each run ends, and the code a script reads for it.
TEST(ExitCodes, EveryEndOfARunHasItsCode) {
  const struct {
    RunEnd end;
    int code;
  } table[] = {
      {RunEnd::kDone, 0},        {RunEnd::kInstalled, 0},         {RunEnd::kFolderRefused, 0},
      {RunEnd::kBadPackage, 1},  {RunEnd::kCannotOpenProgram, 1}, {RunEnd::kNotAnUninstaller, 1},
      {RunEnd::kPieceStayed, 1}, {RunEnd::kCancelled, 2},         {RunEnd::kBadDestination, 3},
      {RunEnd::kCopyFailed, 4},  {RunEnd::kNoWindow, 5},          {RunEnd::kRemovalDeferred, 6},
  };
  std::set<int> codes = {kExitRuntimeFault};
  for (const auto& row : table) {
    EXPECT_EQ(ExitCodeOf(row.end), row.code) << static_cast<int>(row.end);
    codes.insert(ExitCodeOf(row.end));
  }

  // The README's table lists exactly these codes.
  std::string source = __FILE__;
  source = source.substr(0, source.rfind("tests/unit/"));
  std::ifstream readme(source + "README.md");
  ASSERT_TRUE(readme) << source;
  std::string line;
  while (std::getline(readme, line) && line != "### Exit codes") {
  }
  std::set<int> documented;
  bool in_table = false;
  while (std::getline(readme, line)) {
    if (line.empty() || line[0] != '|') {
      if (in_table) break;
      continue;
    }
    in_table = true;
    std::istringstream cell(line.substr(1));
    int code = -1;
    if (cell >> code) documented.insert(code);
  }
  EXPECT_EQ(documented, codes);
}

}  // namespace
}  // namespace scr
