// The thin layer between the setup's logic and Windows.
//
// Everything the setup asks of the operating system goes through `System`.
// Two backends stand behind it: the real Win32 one (platform/win32/) that the
// product links, and a simulated Windows (platform/sim/) with files under a
// sandbox folder, an in-memory registry, recorded shell calls and scripted
// message-box answers, that the host tests link. No other folder but
// platform/ and the window code includes <windows.h>.
//
// All text is single-byte ANSI text, passed through byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace scr {

// An open file. Reads and writes are exact: a short read or write fails.
class File {
 public:
  virtual ~File() = default;
  // Size of the file, or -1 when it cannot be determined.
  virtual int64_t Size() = 0;
  virtual int64_t Position() = 0;
  virtual bool Seek(int64_t position) = 0;
  // Reads up to `count` bytes at the current position; `*got` receives the
  // number read (fewer only at the end of the file). False on an I/O error.
  virtual bool ReadSome(void* buffer, size_t count, size_t* got) = 0;
  // Writes all `count` bytes or fails.
  virtual bool Write(const void* buffer, size_t count) = 0;

  // Reads exactly `count` bytes or fails.
  bool ReadExact(void* buffer, size_t count) {
    size_t got = 0;
    return ReadSome(buffer, count, &got) && got == count;
  }
};

// A folder held open (see System::HoldFolder); closed when destroyed.
class HeldFolder {
 public:
  virtual ~HeldFolder() = default;
};

enum class Share {
  kDenyNone,   // others may read and write
  kDenyWrite,  // others may read, not write
};

enum class RootKey { kLocalMachine, kCurrentUser };

// Shell folder ids (CSIDL values).
enum class ShellFolder : int { kDesktop = 0, kPrograms = 2, kProgramFiles = 38 };

enum class MsgIcon { kNone, kError, kQuestion, kInformation };
enum class MsgButtons { kOk, kYesNo, kYesNoCancel };
enum class MsgAnswer { kOk, kYes, kNo, kCancel, kFailed };

// The fields of OSVERSIONINFOA that the version classification reads.
struct VersionInfo {
  bool ok = false;  // false when GetVersionExA failed
  uint32_t platform_id = 0;
  uint32_t major = 0;
  uint32_t minor = 0;
  std::string service_pack;  // szCSDVersion up to its NUL
};

// How far the DLL search of the process could be restricted.
enum class DllSearch {
  kUnchanged,     // neither function exists (Windows 95 to XP without SP1)
  kNoCurrentDir,  // SetDllDirectoryA(""): the current folder is left out
  kSystem32Only,  // SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)
};

// The FILE_ATTRIBUTE_* bits the setup reads, and INVALID_FILE_ATTRIBUTES.
inline constexpr uint32_t kAttributeDirectory = 0x10;
inline constexpr uint32_t kAttributeReparsePoint = 0x400;
inline constexpr uint32_t kNoAttributes = 0xFFFFFFFF;

// Shell verbs and their show modes (SW_* values).
enum : int { kSwHide = 0, kSwShowNormal = 1, kSwShowNoActivate = 4 };

class System {
 public:
  virtual ~System() = default;

  // --- process ---
  // Keeps DLLs that the process (or a system DLL on its behalf) loads by
  // name out of the program's own folder and the current folder, as far as
  // the running Windows allows: SetDefaultDllDirectories with
  // LOAD_LIBRARY_SEARCH_SYSTEM32 where it exists, else SetDllDirectoryA("")
  // where that exists; both are looked up at run time.
  virtual DllSearch RestrictDllSearch() = 0;
  // The whole command line as GetCommandLineA reports it.
  virtual std::string CommandLine() = 0;
  // Full path of the running program file (GetModuleFileName).
  virtual std::string ModulePath() = 0;
  virtual VersionInfo GetVersion() = 0;
  // IsWow64Process looked up at run time; false when the function is
  // missing or the call fails.
  virtual bool IsWow64() = 0;
  // A number that differs between runs (for temporary file names).
  virtual uint32_t RandomSeed() = 0;
  // IsDBCSLeadByte in the system's ANSI code page.
  virtual bool IsLeadByte(uint8_t byte) = 0;
  // Pauses the process (Sleep).
  virtual void Sleep(unsigned milliseconds) = 0;
  // Milliseconds since some fixed point (GetTickCount), for time bounds.
  virtual uint32_t TickCount() = 0;

  // --- files and folders ---
  virtual std::unique_ptr<File> OpenRead(const std::string& path, Share share) = 0;
  // Creates a new file or empties an existing one, for writing.
  virtual std::unique_ptr<File> CreateFile(const std::string& path) = 0;
  // Creates a file for writing only when nothing exists at the path yet (no
  // file, folder or link of that name); others may read it, not write,
  // delete or rename it, while it is open. Null when the name is taken or
  // the file cannot be created.
  virtual std::unique_ptr<File> CreateNewFile(const std::string& path) = 0;
  // Exchanges `written`, the open file CreateNewFile made at `path`, for one
  // that only reads it, without a moment in which the file could be
  // deleted or renamed. While the returned file is open, nobody can write,
  // delete or rename it. Null when someone else holds it open for writing.
  virtual std::unique_ptr<File> SealFile(std::unique_ptr<File> written,
                                         const std::string& path) = 0;
  // Opens an existing file for reading and writing (no creation).
  virtual std::unique_ptr<File> OpenReadWrite(const std::string& path) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // True when the attributes can be read and mark a directory.
  virtual bool DirectoryExists(const std::string& path) = 0;
  // Creates one folder (its parent must exist).
  virtual bool CreateDirectory(const std::string& path) = 0;
  // Opens `path` as a real folder, not a reparse point (a junction, a
  // symbolic link, a mount point), and holds it open so that it cannot be
  // deleted, renamed or swapped (nor its parents renamed) until the result
  // is destroyed: FILE_FLAG_OPEN_REPARSE_POINT with
  // FILE_FLAG_BACKUP_SEMANTICS, no delete sharing. Null when it is a reparse
  // point, no folder, or cannot be opened. Windows 9x has no reparse points
  // and cannot open folders: a folder there is taken as it is.
  virtual std::unique_ptr<HeldFolder> HoldFolder(const std::string& path) = 0;
  // Creates one folder whose access list lets only administrators and
  // SYSTEM in (set as it is made, and inherited by what is put there):
  // ConvertStringSecurityDescriptorToSecurityDescriptorA, looked up at run
  // time. False when the name is taken or the folder cannot be made.
  virtual bool CreatePrivateFolder(const std::string& path) = 0;
  // Removes an empty folder.
  virtual bool RemoveDirectory(const std::string& path) = 0;
  // GetFileAttributesA: FILE_ATTRIBUTE_* bits, kNoAttributes on failure.
  virtual uint32_t FileAttributes(const std::string& path) = 0;
  // Whether the folder `path` (no trailing "\") holds no file and no folder:
  // listing it finds only "." and "..". False when it cannot be listed.
  virtual bool FolderIsEmpty(const std::string& path) = 0;
  // The short 8.3 form; the path unchanged when there is none.
  virtual std::string ShortPath(const std::string& path) = 0;
  // The expanded, absolute form of a path (GetFullPathName).
  virtual std::string FullPath(const std::string& path) = 0;
  // GetTempPathA; empty when it fails.
  virtual std::string TempPath() = 0;
  // GetWindowsDirectoryA, as reported (normally without trailing backslash).
  virtual std::string WindowsDirectory() = 0;
  virtual bool MoveFileDelayUntilReboot(const std::string& path) = 0;

  // --- registry ---
  // Key paths are given from the root; one leading backslash is accepted
  // and means the same ("\Software\X" and "Software\X" name one key).
  virtual bool RegCreateKey(RootKey root, const std::string& key) = 0;
  virtual bool RegKeyExists(RootKey root, const std::string& key) = 0;
  // Sets a REG_SZ value; the key must exist.
  virtual bool RegSetString(RootKey root, const std::string& key, const std::string& name,
                            const std::string& value) = 0;
  // Reads a string value; false when the key or value is missing.
  virtual bool RegGetString(RootKey root, const std::string& key, const std::string& name,
                            std::string* value) = 0;
  virtual std::vector<std::string> RegValueNames(RootKey root, const std::string& key) = 0;
  virtual bool RegDeleteValue(RootKey root, const std::string& key, const std::string& name) = 0;
  // Deletes a key and all its sub-keys, deepest first.
  virtual bool RegDeleteTree(RootKey root, const std::string& key) = 0;

  // --- shell ---
  // SHGetSpecialFolderLocation + SHGetPathFromIDListA; false on failure.
  virtual bool SpecialFolderPath(ShellFolder folder, std::string* path) = 0;
  // ShellExecuteA with the owner window set by SetOwnerWindow when
  // `with_owner` is true. Returns ShellExecuteA's result (> 32: success).
  virtual intptr_t ShellExecute(bool with_owner, const std::string& verb, const std::string& file,
                                const std::string& params, const std::string& dir, int show) = 0;
  // Starts `program` by its full path (CreateProcessA, no search and no
  // shell lookup), its command line the quoted path, a blank and `params`,
  // its first window shown as `show`, its current folder its own folder.
  // False when it could not be started.
  virtual bool StartProgram(const std::string& program, const std::string& params, int show) = 0;
  // Whether the process runs with an elevated token (TokenElevation, looked
  // up at run time; false where Windows has no elevation: 9x, NT 4 to XP).
  virtual bool IsElevated() = 0;
  // Runs `verb` on `file` through the desktop shell of the logged-on user
  // (IShellWindows, the desktop view's IShellDispatch2::ShellExecute), so it
  // runs unelevated, as that user. False when that route is not there
  // (Explorer is not the running shell).
  virtual bool ShellExecuteAsDesktopUser(const std::string& verb, const std::string& file,
                                         int show) = 0;
  // ShellExecuteExA with SEE_MASK_CLASSKEY: the verb's command comes from
  // the class key `class_key` under HKEY_LOCAL_MACHINE only, never from
  // the per-user classes. True when something was started.
  virtual bool ShellExecuteMachineClass(const std::string& verb, const std::string& file,
                                        const std::string& class_key, int show) = 0;
  // Writes a shell link file whose path and icon source (index 0) are
  // `target`. COM is initialised around the call. False on failure.
  virtual bool CreateShellLink(const std::string& target, const std::string& link_file) = 0;

  // --- user interface ---
  virtual MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                               MsgButtons buttons) = 0;
  // The window that owns message boxes, the folder browser and shell calls.
  virtual void SetOwnerWindow(void* window) = 0;
  // A line for whoever started the program (the standard error handle, when
  // it has one): the only report a run without a display or a silent run
  // can give.
  virtual void WriteStdError(const std::string& text) = 0;
};

}  // namespace scr
