// A simulated Windows for host tests.
//
// Files live under a sandbox folder on the host: the Windows path
// "C:\Dir\File.txt" is the host path <sandbox>/C/Dir/File.txt, and every
// component is looked up without regard to letter case, as on Windows. The
// registry is in memory, shell calls and message boxes are recorded, message
// boxes answer from a script, and version, WOW64 and folders are settable.
// Faults can be injected per path, or by number: every call that can fail on
// Windows is counted, and the N-th call (or every call from the N-th on) can
// be made to fail the way the Windows call fails.
//
// Paths follow Windows where tests rely on them: a path ends at its first
// NUL (the C string the Windows call receives); a drive is a letter and a
// colon at the start, a path that starts with one "\" starts at the root
// of drive C:, "C:name" lies in the current folder C:\Setup (on another
// drive at its root), and a network path "\\server" is not found; any
// other colon makes the name invalid; the trail byte of a double-byte character
// (lead bytes as set in `lead_bytes`) is never a separator and keeps its
// letter case; the running program's own file (`module_path`) cannot be
// deleted; a full path of MAX_PATH (260) characters or more names
// nothing (a new folder: more than 248). Registry key names split at "\"
// only.
#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system.h"

namespace scr {

class SimSystem : public System {
 public:
  // Creates an empty sandbox under `sandbox` (removed first when it exists).
  explicit SimSystem(std::string sandbox);
  // A sandbox of its own in the temporary folder, unique to this process
  // and object, so tests may run in parallel processes.
  SimSystem();
  ~SimSystem() override;

  // ---- settings a test may change ----
  std::string command_line = "setup.exe";
  std::string module_path = "C:\\Setup\\setup.exe";
  VersionInfo version{true, 2, 5, 1, "Service Pack 3"};  // Windows XP
  bool wow64 = false;
  uint32_t seed = 12345;
  std::string windows_directory = "C:\\WINDOWS";
  std::string temp_path = "C:\\TEMP\\";
  std::set<uint8_t> lead_bytes;  // IsDBCSLeadByte answers true for these
  std::map<ShellFolder, std::string> special_folders = {
      {ShellFolder::kDesktop, "C:\\Documents and Settings\\User\\Desktop"},
      {ShellFolder::kPrograms, "C:\\Documents and Settings\\User\\Start Menu\\Programs"},
      {ShellFolder::kProgramFiles, "C:\\Program Files"},
  };
  std::set<ShellFolder> failing_folders;           // SpecialFolderPath fails for these
  std::map<std::string, std::string> short_paths;  // long path -> short form
  intptr_t shell_execute_result = 42;
  DllSearch dll_search = DllSearch::kSystem32Only;  // what RestrictDllSearch reports
  bool delay_until_reboot_ok = true;
  bool start_program_ok = true;  // whether StartProgram can start a program
  bool elevated = false;         // what IsElevated reports
  bool desktop_shell = true;     // whether the desktop shell's route is there

  // Scripted message-box answers, taken in order; kFailed when none is left
  // (a box that cannot be shown, as without a display).
  std::deque<MsgAnswer> answers;

  // ---- faults ----
  std::set<std::string> fail_create_directory;  // Windows paths, any case
  std::set<std::string> fail_create_file;
  std::set<std::string> fail_delete;            // DeleteFile keeps failing
  std::set<std::string> fail_remove_directory;  // in use: RemoveDirectory fails
  std::map<std::string, int> busy_deletes;      // fails this many times, then works
  // A created file whose path is listed fails its writes once this many
  // bytes have been written to it.
  std::map<std::string, int64_t> fail_write_after;
  bool fail_open_module = false;

  // ---- every call failing at some step ----
  // `calls` counts each call of a System or File operation that can fail on
  // Windows (the test helpers below do not count). The call numbered
  // `fail_at` fails, and so does every call numbered `fail_from` or more
  // (0: none). A failing call does what the Windows call does when it fails:
  // no file, no key, false, an empty text, the path unchanged from
  // GetShortPathName and GetFullPathName, a message box that cannot be
  // shown; a failing write writes half of its bytes. After
  // `runaway_limit` calls (0: no limit) every call fails and `runaway` is
  // set: a run that loops forever on a failing call ends instead of hanging
  // the test.
  int64_t calls = 0;
  int64_t fail_at = 0;
  int64_t fail_from = 0;
  int64_t runaway_limit = 0;
  bool runaway = false;
  // Name of each counted call, and the return address in its caller (one
  // per place in the program that makes the call), when `trace_calls`.
  std::vector<std::string> call_names;
  std::vector<const void*> call_sites;
  bool trace_calls = false;
  // Counts a call named `name` made from `site` and answers whether it fails.
  bool Fault(const char* name, const void* site = nullptr);

  // ---- what happened ----
  // Every start of a program or verb, whatever its route: ShellExecute
  // (which looks the verb up in the classes, the user's merged over the
  // machine's), a program started by its path, the desktop shell of the
  // logged-on user, or the machine's classes only (`class_key`).
  enum class Route { kShell, kProgram, kDesktopUser, kMachineClass };
  struct ShellCall {
    bool with_owner;
    std::string verb, file, params, dir;
    int show;
    Route route = Route::kShell;
    std::string class_key;
  };
  std::vector<ShellCall> shell_calls;
  struct Box {
    std::string text, caption;
    MsgIcon icon;
    MsgButtons buttons;
    int open_files;  // files that were open while the box was shown
  };
  std::vector<Box> boxes;
  std::vector<std::string> delay_until_reboot;
  std::vector<std::string> private_folders;  // made by CreatePrivateFolder
  std::vector<std::string> deleted;          // every path DeleteFile removed, in order
  // Every file CreateFile made and every link CreateShellLink saved, in order.
  std::vector<std::string> created;
  int dll_search_calls = 0;
  int delete_attempts = 0;
  int64_t read_calls = 0;  // ReadSome calls on files opened by OpenRead
  int open_files = 0;      // files opened and not yet closed
  uint64_t slept_ms = 0;   // total time passed to Sleep
  uint32_t clock_ms = 1000;
  void* owner = nullptr;
  std::string std_error;  // everything written to the standard error handle

  // ---- test helpers over the sandbox ----
  // Writes a file, creating its folders.
  void PutFile(const std::string& windows_path, std::string_view bytes);
  // Contents of a file, or false when it does not exist.
  bool GetFile(const std::string& windows_path, std::string* bytes);
  std::string ReadWholeFile(const std::string& windows_path);
  void MakeFolders(const std::string& windows_path);
  // Every file under the sandbox with its contents, keyed by host-relative
  // path, for before/after comparisons.
  std::map<std::string, std::string> Snapshot();
  // The whole registry as "ROOT\key|name=value" lines, sorted; a link as
  // "ROOT\key|->ROOT\target".
  std::vector<std::string> RegistryDump();
  // Makes `key` (its parents created) a registry link to `target`, as any
  // program of the user may make one in its own hive. The System calls
  // behave as the Win32 backend does: a path is opened level by level
  // without following a link, so a link reads as a missing key, is
  // deleted itself by RegDeleteTree, and is replaced by a real key where
  // RegCreateKey meets it.
  void RegCreateLink(RootKey root, const std::string& key, RootKey target_root,
                     const std::string& target);
  // The host path of a Windows path (existing components matched without
  // regard to case).
  std::string HostPath(const std::string& windows_path);
  // Makes `link` a folder link (a junction) to the folder `target`: every
  // path through it leads into `target`, as on Windows.
  void MakeFolderLink(const std::string& link, const std::string& target);
  // A shell link written by CreateShellLink: its target, or "" when none.
  std::string LinkTarget(const std::string& link_file);

  // ---- System ----
  DllSearch RestrictDllSearch() override {
    ++dll_search_calls;
    return dll_search;
  }
  std::string CommandLine() override { return command_line; }
  std::string ModulePath() override;
  VersionInfo GetVersion() override;
  bool IsWow64() override;
  uint32_t RandomSeed() override { return seed; }
  bool IsLeadByte(uint8_t byte) override { return lead_bytes.count(byte) != 0; }
  // Simulated time: Sleep advances the clock without waiting.
  void Sleep(unsigned milliseconds) override {
    slept_ms += milliseconds;
    clock_ms += milliseconds;
  }
  uint32_t TickCount() override { return clock_ms; }

  std::unique_ptr<File> OpenRead(const std::string& path, Share share) override;
  std::unique_ptr<File> CreateFile(const std::string& path) override;
  // A file made by CreateNewFile, and the file SealFile returns, is locked
  // while open: CreateFile, OpenReadWrite and DeleteFile
  // fail, by any spelling of its path.
  std::unique_ptr<File> CreateNewFile(const std::string& path) override;
  std::unique_ptr<File> SealFile(std::unique_ptr<File> written, const std::string& path) override;
  bool Locked(const std::string& path);
  std::unique_ptr<File> OpenReadWrite(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool CreateDirectory(const std::string& path) override;
  // Records the folder in `private_folders`.
  bool CreatePrivateFolder(const std::string& path) override;
  // A folder that is a host symbolic link (MakeFolderLink) is a reparse
  // point; a held folder cannot be removed.
  std::unique_ptr<HeldFolder> HoldFolder(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  // A folder that is a link on the host (a symbolic link in the sandbox)
  // is a reparse point.
  uint32_t FileAttributes(const std::string& path) override;
  bool FolderIsEmpty(const std::string& path) override;
  std::string ShortPath(const std::string& path) override;
  std::string FullPath(const std::string& path) override;
  std::string TempPath() override;
  std::string WindowsDirectory() override;
  bool MoveFileDelayUntilReboot(const std::string& path) override;

  bool RegCreateKey(RootKey root, const std::string& key) override;
  bool RegKeyExists(RootKey root, const std::string& key) override;
  bool RegSetString(RootKey root, const std::string& key, const std::string& name,
                    const std::string& value) override;
  bool RegGetString(RootKey root, const std::string& key, const std::string& name,
                    std::string* value) override;
  std::vector<std::string> RegValueNames(RootKey root, const std::string& key) override;
  bool RegDeleteValue(RootKey root, const std::string& key, const std::string& name) override;
  bool RegDeleteTree(RootKey root, const std::string& key) override;

  bool SpecialFolderPath(ShellFolder folder, std::string* path) override;
  intptr_t ShellExecute(bool with_owner, const std::string& verb, const std::string& file,
                        const std::string& params, const std::string& dir, int show) override;
  bool StartProgram(const std::string& program, const std::string& params, int show) override;
  bool IsElevated() override { return elevated; }
  bool ShellExecuteAsDesktopUser(const std::string& verb, const std::string& file,
                                 int show) override;
  // Starts only when `class_key` under HKEY_LOCAL_MACHINE holds the verb's
  // command (shell\<verb>\command), as Windows does.
  bool ShellExecuteMachineClass(const std::string& verb, const std::string& file,
                                const std::string& class_key, int show) override;
  bool CreateShellLink(const std::string& target, const std::string& link_file) override;

  MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                       MsgButtons buttons) override;
  void SetOwnerWindow(void* window) override { owner = window; }
  void WriteStdError(const std::string& text) override { std_error += text; }

 private:
  struct RegKey {
    std::string name;  // as first created
    std::vector<std::pair<std::string, std::string>> values;
    std::string link;  // a link's target ("HKLM\software\x"), empty for a real key
  };
  // Whether `key` or a level above it is a link.
  bool ThroughLink(RootKey root, const std::string& key);
  // The components of a key name below its root.
  std::vector<std::string> KeyParts(const std::string& key) const;
  // Key path lower-cased, root first ("HKLM\software\x").
  std::string RegPath(RootKey root, const std::string& key) const;
  RegKey* FindKey(RootKey root, const std::string& key);
  bool InSet(const std::set<std::string>& paths, const std::string& path) const;
  // ASCII letters lowered outside double-byte characters.
  std::string Lower(std::string_view text) const;
  // Components of a path or key name, split at "\" (and "/" for paths)
  // outside double-byte characters.
  std::vector<std::string> Split(std::string_view text, bool slash_too) const;
  // The absolute components of a Windows path ("C", "Dir", "File.txt"), ".."
  // and "." resolved; false for a name Windows refuses.
  bool Resolve(std::string path, std::vector<std::string>* parts) const;
  // Length of the full path that Resolve's components spell.
  static size_t ResolvedLength(const std::vector<std::string>& parts);
  // Host path of a Windows path, or empty for an invalid one.
  std::string Host(const std::string& windows_path);
  bool IsFile(const std::string& windows_path);
  bool IsFolder(const std::string& windows_path);
  std::unique_ptr<File> Open(const std::string& host, const char* mode, int64_t* read_counter,
                             int64_t write_limit);

  // Wraps `file` so that `path` stays locked until it is closed.
  std::unique_ptr<File> Lock(std::unique_ptr<File> file, const std::string& path);

  std::string sandbox_;
  std::multiset<std::string> locked_;        // host paths of open locked files
  std::multiset<std::string> held_folders_;  // host paths of held folders
  std::map<std::string, RegKey> registry_;
};

}  // namespace scr
