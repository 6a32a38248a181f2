#include "install/install_run.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "install/destination.h"
#include "install/player_settings.h"
#include "install/registration.h"
#include "install/shell_start.h"
#include "package/file_name.h"
#include "package/language.h"
#include "package/loader.h"
#include "package/name_rules.h"
#include "package/texts.h"
#include "package/writer.h"
#include "setup/run_mode.h"

namespace scr {
namespace {

constexpr char kMsgPreviewNotice[] =
    "After successful installation screensaver setup would open Windows Screen Saver Settings. "
    "This window is not displayed in setup preview mode.";

class InstallRun {
 public:
  explicit InstallRun(const InstallContext& context)
      : sys_(context.sys),
        front_(context.front),
        package_(context.package),
        record_(context.package.record),
        silent_(context.modes.SilentMode),
        preview_(context.modes.PreviewOnly),
        title_(FieldText(context.package.record.ScrTitle)),
        readme_(context.readme),
        folder_(context.destination) {}

  RunEnd Run();

 private:
  std::string Tr(TextId text) const { return Translate(package_.table, text); }
  // Goes back to the Directory page; the caller abandons its click.
  RunEnd ReturnToFolderPage() {
    front_.ReturnToFolderPage();
    return RunEnd::kFolderRefused;
  }
  // A destination that cannot be used: in SilentMode the program ends with
  // its own exit code, otherwise the user is told and may choose another.
  RunEnd RejectDestination(TextId message) {
    if (silent_)
      front_.Terminate();
    else
      ShowError(message);
    front_.ReturnToFolderPage();
    return silent_ ? RunEnd::kBadDestination : RunEnd::kFolderRefused;
  }
  void ShowError(TextId message) {
    sys_.MessageBox(Tr(message), Tr(TextId::kMessageCaption), MsgIcon::kError, MsgButtons::kOk);
  }
  bool SettleFolder(RunEnd* refused);
  bool CheckFolder(RunEnd* refused);
  bool InstallAndRegister(const std::string& name, RunEnd* refused);
  RunEnd Finish(bool succeeded);
  bool CopyPhase();
  bool CopyScreensaver(File& source);
  void RemoveGarbledUninstaller();
  void Register();

  System& sys_;
  InstallFront& front_;
  const LoadedPackage& package_;
  const SetupRecord& record_;
  const bool silent_;
  const bool preview_;
  const std::string title_;
  const std::string& readme_;  // the context's, which outlives the run

  std::string folder_;       // ends with "\" once settled
  std::string target_;       // the screensaver file as chosen
  std::string target_name_;  // its file-name part
  std::string uninstaller_name_;
  std::string uninstaller_;  // in the folder as the field spells it
  std::unique_ptr<File> target_file_;
  std::unique_ptr<File> source_;
};

RunEnd InstallRun::Run() {
  front_.EnterProgressPage();
  RunEnd refused = RunEnd::kFolderRefused;
  if (!SettleFolder(&refused)) return refused;

  // The installed file always lands inside the chosen folder, whatever
  // folder part the package's file name carries.
  const std::string name = InstalledFileName(FieldView(record_.ScrFileName), LeadBytesOf(sys_));
  // A file name that names no file is a damaged package (loading refuses
  // it): nothing can be installed, and nothing is written or registered.
  bool succeeded = !name.empty();
  if (succeeded) {
    succeeded = InstallAndRegister(name, &refused);
    if (!succeeded && refused != RunEnd::kCopyFailed) return refused;
  }
  target_file_.reset();
  source_.reset();
  return Finish(succeeded);
}

// The folder checks, and the trailing backslash in the field. False when
// the run gave up, with how in `*refused`.
bool InstallRun::SettleFolder(RunEnd* refused) {
  if (!preview_) {
    if (!CheckFolder(refused)) return false;
  } else if (folder_.empty()) {
    // The checks are skipped in a preview, but a preview should still show
    // what the real run would say about an empty field, and an empty folder
    // would otherwise make every path relative to the root of the drive.
    ShowError(TextId::kInvalidFolder);
    *refused = ReturnToFolderPage();
    return false;
  }
  if (!EndsWithBackslash(sys_, folder_)) {
    folder_ = WithBackslash(sys_, folder_);
    front_.ShowDestination(folder_);
  }
  return true;
}

bool InstallRun::CheckFolder(RunEnd* refused) {
  // A relative folder (a "-silent" argument, or text typed into the field)
  // is taken from the current folder, as every later path built on it
  // is, and created like an absolute one.
  if (!folder_.empty() && !CreateFolderWithParents(sys_, sys_.FullPath(folder_))) {
    *refused = RejectDestination(TextId::kCannotCreateFolder);
    return false;
  }
  if (folder_.empty() || !sys_.DirectoryExists(folder_)) {
    *refused = RejectDestination(TextId::kInvalidFolder);
    return false;
  }
  if (IsDisallowedSystemFolder(sys_, folder_)) {
    MsgAnswer answer = MsgAnswer::kYes;
    if (!silent_)
      answer = sys_.MessageBox(Tr(TextId::kSystemFolderQuestion), Tr(TextId::kMessageCaption),
                               MsgIcon::kQuestion, MsgButtons::kYesNoCancel);
    if (answer != MsgAnswer::kYes) {
      *refused = ReturnToFolderPage();
      return false;
    }
    folder_ = AllowedSystemFolder(sys_);
    front_.ShowDestination(folder_);
  }
  return true;
}

// The target, the copy phase and, after a complete copy, the registration.
// False when the target could not be created (`*refused` says how the run
// gave up) or when the copy phase failed (`*refused` is kCopyFailed).
bool InstallRun::InstallAndRegister(const std::string& name, RunEnd* refused) {
  target_ = ChooseTargetFileName(sys_, title_, folder_ + name, folder_);
  target_name_ = target_.substr(FileNameStart(sys_, target_, kFolderSeparators));
  uninstaller_name_ = UninstallerFileName(
      LeadBytesOf(sys_), NameWord(sys_, package_.table, TextId::kUninstall), target_name_);
  uninstaller_ = folder_;
  uninstaller_ += uninstaller_name_;

  if (!preview_) {
    target_file_ = sys_.CreateFile(target_);
    if (!target_file_) {
      *refused = RejectDestination(TextId::kAccessDenied);
      return false;
    }
  }

  if (!CopyPhase()) {
    target_file_.reset();
    if (!preview_) DeleteFileIfExists(sys_, folder_ + target_name_);
    *refused = RunEnd::kCopyFailed;
    return false;
  }
  // The entry and the shortcuts only for a complete installation. The
  // uninstaller is the copy phase's last piece, so after any failure there
  // it is missing or cut short, and the screensaver is gone again: an entry
  // or shortcut would name a file that is not there (and an entry that
  // runs nothing can never be removed).
  if (!preview_) {
    RemoveGarbledUninstaller();
    Register();
  }
  return true;
}

RunEnd InstallRun::Finish(bool succeeded) {
  if (succeeded) {
    if (!preview_) StoreInstalledPath(sys_, title_, sys_.FullPath(target_));
    front_.Installed(record_.ReadmeSize == 0);
  } else {
    // The window closes on a failure that must not look like a finished
    // installation.
    if (silent_) {
      front_.Terminate();
    } else {
      sys_.MessageBox(InsertTitle(Tr(TextId::kInstallError), title_), front_.Caption(),
                      MsgIcon::kError, MsgButtons::kOk);
    }
    front_.CloseWindow();
  }
  if (silent_) front_.Terminate();
  return succeeded ? RunEnd::kInstalled : RunEnd::kCopyFailed;
}

bool InstallRun::CopyPhase() {
  source_ = sys_.OpenRead(package_.program_path, Share::kDenyWrite);
  if (!source_) return false;
  const int64_t start = package_.package_end - static_cast<int64_t>(record_.PackageSize);
  if (!source_->Seek(start)) return false;

  front_.SetBusy(true);
  const bool copied = CopyScreensaver(*source_);
  front_.SetBusy(false);
  target_file_.reset();  // closes the target
  if (!copied) return false;

  if (preview_) {
    sys_.MessageBox(kMsgPreviewNotice, title_, MsgIcon::kInformation, MsgButtons::kOk);
    return true;
  }

  StartInstallVerb(sys_, target_);
  // The readme's name is built from the title: a title that breaks the
  // name rule (which loading refuses anyway) gets no readme file.
  if (record_.ReadmeSize > 0 && TitleStaysInPlace(sys_, title_)) {
    std::unique_ptr<File> readme =
        sys_.CreateFile(folder_ + ReadmeFileName(sys_, package_.table, title_));
    if (!readme || (!readme_.empty() && !readme->Write(readme_.data(), readme_.size())))
      return false;
  }

  std::unique_ptr<File> uninstaller = sys_.CreateFile(uninstaller_);
  if (!uninstaller) return false;
  return WriteUninstallerCopy(*uninstaller, *source_, package_.package_end, record_);
}

bool InstallRun::CopyScreensaver(File& source) {
  const int64_t source_size = source.Size();
  if (source_size <= 0) return false;
  int64_t remaining = static_cast<int64_t>(record_.PackageSize) -
                      static_cast<int64_t>(record_.TextBlocksSize) - kRecordAndTrailerSize;
  std::vector<char> buffer(
      static_cast<size_t>(std::clamp<int64_t>(remaining, 0, static_cast<int64_t>(kCopyChunk))));
  // The source position is counted here rather than asked of the file
  // twice per chunk.
  int64_t position = source.Position();
  if (position < 0) return false;
  while (position < source_size && remaining > 0) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(remaining, buffer.size()));
    size_t got = 0;
    if (!source.ReadSome(buffer.data(), want, &got) || got == 0) return false;
    if (!preview_ && !target_file_->Write(buffer.data(), got)) return false;
    remaining -= static_cast<int64_t>(got);
    position += static_cast<int64_t>(got);
    const double share = 100.0 * static_cast<double>(position) / static_cast<double>(source_size);
    front_.ShowProgress(static_cast<int>(std::nearbyint(share)));
  }
  // A package that ends before its screensaver does is no installation.
  return remaining == 0;
}

// Earlier versions lowered every byte of the Uninstall word, trail bytes
// included, and so named the uninstaller of a double-byte translation with
// other characters. A reinstall over such an installation removes that
// file when it is this title's uninstaller (found by its trailer and
// record, not by its name alone): the new uninstaller, the entry and the
// shortcuts replace it.
void InstallRun::RemoveGarbledUninstaller() {
  const std::string word = NameWord(sys_, package_.table, TextId::kUninstall);
  const std::string garbled = AsciiLower(word) + uninstaller_name_.substr(word.size());
  if (garbled == uninstaller_name_) return;
  const std::string path = folder_ + garbled;
  if (!sys_.FileExists(path)) return;
  bool ours = false;
  if (std::unique_ptr<File> file = sys_.OpenRead(path, Share::kDenyWrite)) {
    LoadedPackage earlier;
    ours = ReadPackage(*file, earlier, LeadBytesOf(sys_)) == LoadStatus::kOk &&
           earlier.kind == TrailerKind::kUninstaller &&
           FieldView(earlier.record.ScrTitle) == title_;
  }
  if (ours) sys_.DeleteFile(path);
}

void InstallRun::Register() {
  // Windows runs the entry and the shortcuts from anywhere: they name the
  // files in the folder of the expanded target, never in the field's own
  // spelling (a relative folder, a forward slash, a "." or ".." part, a
  // path from the root of the drive).
  const std::string expanded = sys_.FullPath(target_);
  std::string screensaver = expanded.substr(0, FileNameStart(sys_, expanded, kFolderSeparators));
  std::string uninstaller = screensaver;
  screensaver += target_name_;
  uninstaller += uninstaller_name_;
  if (record_.AddUninstallEntry) WriteUninstallEntry(sys_, title_, uninstaller);
  if (record_.AddStartMenuGroup)
    CreateProgramShortcuts(sys_, package_.table, title_, uninstaller, screensaver,
                           record_.ReadmeSize > 0);
  if (record_.AddDesktopShortcut)
    CreateDesktopPreviewShortcut(sys_, package_.table, title_, screensaver);
}

}  // namespace

void DeleteFileIfExists(System& system, const std::string& path) {
  if (!system.FileExists(path)) return;
  if (!system.OpenReadWrite(path)) return;
  system.DeleteFile(path);
}

std::string UninstallerFileName(const LeadBytes& lead, std::string_view uninstall_word,
                                std::string_view target_name) {
  // Only single-byte letters are lowered: in a double-byte word the trail
  // bytes that look like capitals belong to other characters.
  std::string name = LowerSingleByteLetters(lead, uninstall_word);
  name += ' ';
  name += target_name.substr(0, ExtensionStart(lead, target_name));
  name += ".exe";
  return name;
}

RunEnd RunInstall(const InstallContext& context) { return InstallRun(context).Run(); }

}  // namespace scr
