// The real Windows behind scr::System: ANSI Win32 calls only, and only those
// that Windows 95 and NT 4 already export (everything newer is looked up at
// run time).
//
// This header deliberately does not include <windows.h>: the method names of
// System (CreateFile, DeleteFile, MessageBox, ...) are also macros there, and
// win32_system.cpp includes this header first and removes those macros, so
// that its definitions carry the same names as the logic's calls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/system.h"

namespace scr {

class Win32System : public System {
 public:
  Win32System();
  ~Win32System() override;

  DllSearch RestrictDllSearch() override;
  std::string CommandLine() override;
  std::string ModulePath() override;
  VersionInfo GetVersion() override;
  bool IsWow64() override;
  uint32_t RandomSeed() override;
  bool IsLeadByte(uint8_t byte) override;
  void Sleep(unsigned milliseconds) override;
  uint32_t TickCount() override;

  std::unique_ptr<File> OpenRead(const std::string& path, Share share) override;
  std::unique_ptr<File> CreateFile(const std::string& path) override;
  std::unique_ptr<File> OpenReadWrite(const std::string& path) override;
  std::unique_ptr<File> CreateNewFile(const std::string& path) override;
  std::unique_ptr<File> SealFile(std::unique_ptr<File> written, const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool CreateDirectory(const std::string& path) override;
  std::unique_ptr<HeldFolder> HoldFolder(const std::string& path) override;
  bool CreatePrivateFolder(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
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
  bool IsElevated() override;
  bool ShellExecuteAsDesktopUser(const std::string& verb, const std::string& file,
                                 int show) override;
  bool ShellExecuteMachineClass(const std::string& verb, const std::string& file,
                                const std::string& class_key, int show) override;
  bool CreateShellLink(const std::string& target, const std::string& link_file) override;

  MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                       MsgButtons buttons) override;
  void SetOwnerWindow(void* window) override;
  void WriteStdError(const std::string& text) override;

 private:
  void UseUpStartupShowMode();

  void* owner_ = nullptr;  // HWND of message boxes and shell calls
  bool startup_show_mode_used_ = false;
  bool com_held_ = false;  // COM initialised once for the whole process
  // Shell folders found so far, one slot for each folder the program asks
  // for (kCachedFolders in the source); a fixed array needs none of a
  // growing list's code.
  struct KnownFolder {
    bool known = false;
    std::string path;
  };
  KnownFolder folders_[3];
};

}  // namespace scr
