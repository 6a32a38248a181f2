#include "setup/silent_run.h"

#include <memory>

#include "install/destination.h"
#include "package/language.h"
#include "package/loader.h"
#include "setup/exit_codes.h"
#include "setup/package_reports.h"

namespace scr {
namespace {

// The install run into the proposed folder, or argument 2 in its place.
// The proposal is resolved either way, as the wizard resolves it before it
// reads its field.
RunEnd InstallSilently(System& system, RunModes modes, const std::vector<std::string>& args,
                       const LoadedPackage& package, SilentFront& front) {
  const SetupRecord& record = package.record;
  std::string destination = ResolveDestinationFolder(system, ShortStringView(record.DestFolder),
                                                     ShortStringView(record.DestSubfolder));
  const std::string folder = Argument(args, 2);
  if (!folder.empty()) destination = folder;
  // The readme as the wizard's box would hold it: the installed copy is
  // written from that text.
  const std::string readme = record.ReadmeSize > 0 ? NormaliseLineBreaks(package.readme) : "";
  return RunInstall({system, package, modes, destination, readme, front});
}

RunEnd RunSilentRoad(System& system, RunModes modes, const std::vector<std::string>& args,
                     LoadedPackage& package, SilentFront& front) {
  std::unique_ptr<File> file;
  RunEnd end = RunEnd::kDone;
  if (!LoadPackageOrReport(system, modes, package, file, &end)) return end;
  if (package.kind != TrailerKind::kSetup) {
    file.reset();
    return UninstallOrReport({system, package, modes, package.program_path, front});
  }
  if (!ReadTextsOrReport(system, modes, file, package)) return RunEnd::kBadPackage;
  return InstallSilently(system, modes, args, package, front);
}

}  // namespace

int RunSilent(System& system, RunModes modes, const std::vector<std::string>& args,
              SilentFront& front) {
  system.SetOwnerWindow(nullptr);
  LoadedPackage package;
  const RunEnd end = RunSilentRoad(system, modes, args, package, front);
  // Whichever road it took, the run is over: the application ends.
  front.Terminate();
  FreeLanguageTable(package.table);
  return ExitCodeOf(end);
}

}  // namespace scr
