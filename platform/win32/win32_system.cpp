// The real Windows backend of scr::System.
//
// Only ANSI entry points that Windows 95 and NT 4 export are imported: 64-bit
// positions go through SetFilePointer/GetFileSize with their high parts, key
// trees are deleted by recursion, folders come from SHGetSpecialFolderLocation,
// and the calls that later Windows versions brought (IsWow64Process,
// NtDeleteKey and others) are looked up at run time.
#include "platform/win32/win32_system.h"
// after win32_system.h, which must come before <windows.h>
#include <windows.h>

#include "platform/win32/system_library.h"
// after <windows.h>
#include <exdisp.h>
#include <objbase.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>

// <windows.h> maps these names to their A/W forms; System uses the plain
// names for its own methods.
#undef CreateFile
#undef DeleteFile
#undef CreateDirectory
#undef RemoveDirectory
#undef MessageBox
#undef ShellExecute
#undef RegCreateKey
#undef RegDeleteValue
#undef RegDeleteTree

namespace scr {
namespace {

// Our own copies of the three COM ids, so that the program does not need
// libuuid's objects.
const GUID kClsidShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kIidShellLinkA = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kIidPersistFile = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class Win32File : public File {
 public:
  explicit Win32File(HANDLE handle) : handle_(handle) {}
  ~Win32File() override { CloseHandle(handle_); }

  int64_t Size() override {
    DWORD high = 0;
    DWORD low = GetFileSize(handle_, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
    return static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
  }

  int64_t Position() override {
    LONG high = 0;
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(handle_, 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
    return static_cast<int64_t>((static_cast<uint64_t>(static_cast<DWORD>(high)) << 32) | low);
  }

  bool Seek(int64_t position) override {
    if (position < 0) return false;
    LONG high = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
    LONG low = static_cast<LONG>(static_cast<uint32_t>(position));
    SetLastError(NO_ERROR);
    DWORD result = SetFilePointer(handle_, low, &high, FILE_BEGIN);
    return !(result == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
  }

  bool ReadSome(void* buffer, size_t count, size_t* got) override {
    *got = 0;
    char* out = static_cast<char*>(buffer);
    while (*got < count) {
      DWORD chunk = static_cast<DWORD>(count - *got > 0x40000000u ? 0x40000000u : count - *got);
      DWORD read = 0;
      if (!ReadFile(handle_, out + *got, chunk, &read, nullptr)) return false;
      if (read == 0) break;  // end of file
      *got += read;
    }
    return true;
  }

  bool Write(const void* buffer, size_t count) override {
    const char* in = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < count) {
      DWORD chunk = static_cast<DWORD>(count - done > 0x40000000u ? 0x40000000u : count - done);
      DWORD written = 0;
      if (!WriteFile(handle_, in + done, chunk, &written, nullptr) || written == 0) return false;
      done += written;
    }
    return true;
  }

 private:
  HANDLE handle_;
};

std::unique_ptr<File> Open(const std::string& path, DWORD access, DWORD share, DWORD creation) {
  HANDLE h =
      CreateFileA(path.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32File>(h);
}

HKEY RootHandle(RootKey root) {
  return root == RootKey::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// The logic names keys from the root ("\Software\X"); the registry functions
// want them relative, without the leading backslash.
std::string SubKey(const std::string& key) {
  if (!key.empty() && key[0] == '\\') return key.substr(1);
  return key;
}

// Through void (*)(void), the generic function pointer type, which GCC
// accepts for casts between unrelated function types.
template <typename Function>
Function ModuleFunction(const char* module_name, const char* name) {
  typedef void (*AnyFunction)(void);
  HMODULE module = GetModuleHandleA(module_name);
  if (!module) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<AnyFunction>(GetProcAddress(module, name)));
}

template <typename Function>
Function KernelFunction(const char* name) {
  return ModuleFunction<Function>("kernel32.dll", name);
}

// ---- keys without following registry links ----
//
// Any program of the user may replace a key of its own hive by a registry
// link, to a key under HKEY_LOCAL_MACHINE for instance. A key opened by its
// path follows the link, and an elevated run would then write or delete
// what the link points to. REG_OPTION_OPEN_LINK opens a link itself instead,
// but only as the last part of a path: so per-user keys are opened level by
// level, each level with it. Windows 9x has no links (and wants 0 there).

constexpr DWORD kOpenLink = 0x00000008;  // REG_OPTION_OPEN_LINK
constexpr DWORD kRegLink = 6;            // REG_LINK

bool RegistryHasLinks() { return (::GetVersion() & 0x80000000u) == 0; }

// Whether an open key (opened with kOpenLink and KEY_QUERY_VALUE) is a link:
// a link key holds its target in "SymbolicLinkValue", of type REG_LINK.
bool IsLinkKey(HKEY key) {
  DWORD type = 0;
  return RegQueryValueExA(key, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
             ERROR_SUCCESS &&
         type == kRegLink;
}

// Opens `name` below `parent` without following a link there; `*link` says
// whether it is one (the handle then holds the link itself).
HKEY OpenLevel(HKEY parent, const std::string& name, REGSAM access, bool* link) {
  HKEY key = nullptr;
  *link = false;
  const bool links = RegistryHasLinks();
  if (RegOpenKeyExA(parent, name.c_str(), links ? kOpenLink : 0, access | KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return nullptr;
  *link = links && IsLinkKey(key);
  return key;
}

// Deletes the key that `key` holds, by its handle: a link is deleted itself
// (RegDeleteKeyA would follow it), and a key that someone swapped for a
// link meanwhile is not the one this handle holds. NtDeleteKey is looked up
// at run time; Windows 9x, which lacks it, deletes by name.
bool DeleteOpenKey(HKEY parent, const std::string& name, HKEY key) {
  typedef LONG(WINAPI * NtDeleteKeyFn)(HANDLE);
  if (auto nt_delete = ModuleFunction<NtDeleteKeyFn>("ntdll.dll", "NtDeleteKey"))
    return nt_delete(key) == 0;
  return RegDeleteKeyA(parent, name.c_str()) == ERROR_SUCCESS;
}

// The levels of a key path below its root, split at "\" (never at the trail
// byte of a double-byte character).
std::vector<std::string> KeyLevels(const std::string& sub) {
  std::vector<std::string> levels;
  const char* start = sub.c_str();
  for (const char* p = start;;) {
    if (*p == '\\' || *p == '\0') {
      // Moved in as a string, as everywhere: one copy of the growth code.
      levels.push_back(std::string(start, static_cast<size_t>(p - start)));
      if (*p == '\0') break;
      start = ++p;
      continue;
    }
    p = CharNextA(p);
  }
  return levels;
}

// Opens `key` of HKEY_CURRENT_USER level by level, never through a link:
// null when a level is missing or a link. With `create`, missing levels are
// created, and a link found on the way is deleted and replaced by a real
// key.
HKEY OpenUserKey(const std::string& key, REGSAM access, bool create) {
  const std::vector<std::string> levels = KeyLevels(SubKey(key));
  HKEY parent = HKEY_CURRENT_USER;
  for (size_t i = 0; i < levels.size(); ++i) {
    const std::string& name = levels[i];
    const REGSAM level_access =
        i + 1 == levels.size() ? access : KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS;
    HKEY next = nullptr;
    // A few rounds: someone may plant a key or a link between two calls.
    for (int round = 0; round < 4 && !next && !name.empty(); ++round) {
      bool link = false;
      next = OpenLevel(parent, name, level_access, &link);
      if (next && link) {
        RegCloseKey(next);
        next = nullptr;
        if (!create) break;
        HKEY held = OpenLevel(parent, name, DELETE, &link);
        const bool deleted = held && link && DeleteOpenKey(parent, name, held);
        if (held) RegCloseKey(held);
        if (!deleted) break;
      }
      if (next || !create) break;
      HKEY made = nullptr;
      DWORD disposition = 0;
      if (RegCreateKeyExA(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, level_access,
                          nullptr, &made, &disposition) != ERROR_SUCCESS)
        break;
      // An existing key was opened by its path, which may have followed a
      // link planted just now: look at it again, level by level.
      if (disposition == REG_CREATED_NEW_KEY)
        next = made;
      else
        RegCloseKey(made);
    }
    if (parent != HKEY_CURRENT_USER) RegCloseKey(parent);
    if (!next) return nullptr;
    parent = next;
  }
  return parent == HKEY_CURRENT_USER ? nullptr : parent;
}

// An open registry key, closed on every path. Per-user keys are opened
// without following links.
class Key {
 public:
  Key(RootKey root, const std::string& key, REGSAM access) {
    if (root == RootKey::kCurrentUser)
      handle_ = OpenUserKey(key, access, false);
    else if (RegOpenKeyExA(RootHandle(root), SubKey(key).c_str(), 0, access, &handle_) !=
             ERROR_SUCCESS)
      handle_ = nullptr;
  }
  ~Key() {
    if (handle_) RegCloseKey(handle_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HKEY handle_ = nullptr;
};

// Deletes every sub-key of `name` below `parent`, then the key itself.
// Deepest first: NT's RegDeleteKeyA refuses a key that still has sub-keys.
// A link, at the top or anywhere below, is deleted itself, never what it
// points to.
bool DeleteKeyTree(HKEY parent, const std::string& name) {
  bool link = false;
  HKEY key = OpenLevel(parent, name, KEY_READ | KEY_WRITE | DELETE, &link);
  if (!key) return false;
  bool ok = true;
  while (!link) {
    char child[256];  // key names are at most 255 characters
    DWORD length = sizeof child;
    LONG status = RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    // A sub-key that cannot be enumerated or removed would make index 0
    // come back forever: stop instead.
    if (status != ERROR_SUCCESS || !DeleteKeyTree(key, std::string(child, length))) {
      ok = false;
      break;
    }
  }
  ok = ok && DeleteOpenKey(parent, name, key);
  RegCloseKey(key);
  return ok;
}

// Runs a Win32 "fill this buffer" call that returns the length it needs
// when the buffer is too small; 0 is a failure.
template <typename Call>
bool FillString(std::string* out, Call call) {
  std::string buffer(MAX_PATH, '\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD n = call(&buffer[0], static_cast<DWORD>(buffer.size()));
    if (n == 0) return false;
    if (n < buffer.size()) {
      buffer.resize(n);
      *out = buffer;
      return true;
    }
    buffer.assign(n + 1, '\0');
  }
  return false;
}

}  // namespace

HMODULE LoadSystemLibrary(const char* name) {
  char folder[MAX_PATH + 1];
  const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
  if (n == 0 || n > MAX_PATH) return nullptr;
  std::string path(folder, n);
  if (path.back() != '\\') path += '\\';
  return LoadLibraryA((path + name).c_str());
}

Win32System::Win32System() = default;
Win32System::~Win32System() {
  if (com_held_) CoUninitialize();
}

// --- process ---

DllSearch Win32System::RestrictDllSearch() {
  // Windows 8 and later, and Vista and 7 with the update that brought it
  // (KB2533623): DLLs loaded by name come from the system folder only.
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
  constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
  if (auto set_default = KernelFunction<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories"))
    if (set_default(kSearchSystem32)) return DllSearch::kSystem32Only;
  // XP SP1 to 7 without it: at least the current folder (the download's
  // folder, when the program was started from there) is left out. The
  // program's own folder is still searched for DLLs that are not among the
  // system's known DLLs.
  typedef BOOL(WINAPI * SetDllDirectoryAFn)(LPCSTR);
  if (auto set_directory = KernelFunction<SetDllDirectoryAFn>("SetDllDirectoryA"))
    if (set_directory("")) return DllSearch::kNoCurrentDir;
  // Windows 95 to XP without SP1 have neither: the DLLs the program loads
  // itself come by full path from the system folder (LoadSystemLibrary).
  return DllSearch::kUnchanged;
}

std::string Win32System::CommandLine() {
  const char* line = GetCommandLineA();
  return line ? line : "";
}

std::string Win32System::ModulePath() {
  // GetModuleFileNameA truncates without saying so (and without a NUL on
  // XP): grow the buffer until the result fits with room to spare.
  for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
    std::string buffer(size, '\0');
    DWORD n = GetModuleFileNameA(nullptr, &buffer[0], size);
    if (n == 0) return "";
    if (n < size - 1) {
      buffer.resize(n);
      return buffer;
    }
  }
  return "";
}

VersionInfo Win32System::GetVersion() {
  VersionInfo info;
  OSVERSIONINFOA os;
  ZeroMemory(&os, sizeof os);
  os.dwOSVersionInfoSize = sizeof os;  // 148: the size every Windows accepts
  static_assert(sizeof(OSVERSIONINFOA) == 148);
  if (!GetVersionExA(&os)) return info;
  info.ok = true;
  info.platform_id = os.dwPlatformId;
  info.major = os.dwMajorVersion;
  info.minor = os.dwMinorVersion;
  size_t length = 0;
  while (length < sizeof os.szCSDVersion && os.szCSDVersion[length] != '\0') ++length;
  info.service_pack.assign(os.szCSDVersion, length);
  return info;
}

bool Win32System::IsWow64() {
  typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
  IsWow64ProcessFn is_wow64 = KernelFunction<IsWow64ProcessFn>("IsWow64Process");
  if (!is_wow64) return false;  // Windows 95 to XP before SP2
  BOOL result = FALSE;
  if (!is_wow64(GetCurrentProcess(), &result)) return false;
  return result != FALSE;
}

uint32_t Win32System::RandomSeed() {
  // Two runs differ in their start time or, when started within the same
  // tick, in their process id. The multiplications spread both over all bits.
  uint32_t tick = GetTickCount();
  uint32_t pid = GetCurrentProcessId();
  return tick * 2654435761u ^ (pid * 40503u + (pid << 16));
}

bool Win32System::IsLeadByte(uint8_t byte) { return IsDBCSLeadByte(byte) != FALSE; }

void Win32System::Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }

uint32_t Win32System::TickCount() { return GetTickCount(); }

// --- files and folders ---

std::unique_ptr<File> Win32System::OpenRead(const std::string& path, Share share) {
  DWORD mode = share == Share::kDenyNone ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
  return Open(path, GENERIC_READ, mode, OPEN_EXISTING);
}

std::unique_ptr<File> Win32System::CreateFile(const std::string& path) {
  return Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
}

std::unique_ptr<File> Win32System::OpenReadWrite(const std::string& path) {
  return Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
}

std::unique_ptr<File> Win32System::CreateNewFile(const std::string& path) {
  // CREATE_NEW fails on any existing name, a link included, so nothing
  // planted there is ever written through. Without FILE_SHARE_DELETE the
  // name cannot be deleted or renamed while the file is open.
  return Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW);
}

std::unique_ptr<File> Win32System::SealFile(std::unique_ptr<File> written,
                                            const std::string& path) {
  // A reader that lets the writer go on but, like it, denies deleting and
  // renaming: from here on the name keeps naming this file.
  HANDLE keep = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (keep == INVALID_HANDLE_VALUE) return nullptr;
  written.reset();
  // A reader that denies writing too. It opens only while nobody holds the
  // file open for writing; what someone may have written in between shows
  // in the bytes, which the caller compares.
  std::unique_ptr<File> sealed = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  CloseHandle(keep);
  return sealed;
}

bool Win32System::DeleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool Win32System::FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32System::DirectoryExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32System::CreateDirectory(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

namespace {

class Win32HeldFolder : public HeldFolder {
 public:
  explicit Win32HeldFolder(HANDLE handle) : handle_(handle) {}
  ~Win32HeldFolder() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }

 private:
  HANDLE handle_;
};

}  // namespace

std::unique_ptr<HeldFolder> Win32System::HoldFolder(const std::string& path) {
  constexpr DWORD kOpenReparsePoint = 0x00200000;       // FILE_FLAG_OPEN_REPARSE_POINT
  constexpr DWORD kReparsePointAttribute = 0x00000400;  // FILE_ATTRIBUTE_REPARSE_POINT
  const DWORD version = ::GetVersion();
  // Windows 9x: no reparse points, and no handle on a folder.
  if (version & 0x80000000u) {
    if (!DirectoryExists(path)) return nullptr;
    return std::make_unique<Win32HeldFolder>(INVALID_HANDLE_VALUE);
  }
  // NT 4 has no reparse points and may not know the flag.
  const DWORD reparse = LOBYTE(LOWORD(version)) >= 5 ? kOpenReparsePoint : 0;
  // Read access, so that the missing delete sharing counts against every
  // later opener that wants to delete or rename the folder.
  HANDLE handle =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | reparse, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info) ||
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (info.dwFileAttributes & kReparsePointAttribute)) {
    CloseHandle(handle);
    return nullptr;
  }
  return std::make_unique<Win32HeldFolder>(handle);
}

bool Win32System::CreatePrivateFolder(const std::string& path) {
  // Windows 2000 and later; the caller asks only where elevation exists.
  typedef BOOL(WINAPI * ConvertFn)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
  auto convert = ModuleFunction<ConvertFn>("advapi32.dll",
                                           "ConvertStringSecurityDescriptorToSecurityDescriptorA");
  if (!convert) return false;
  // A protected list (nothing inherited from the parent): full control for
  // the Administrators group and SYSTEM, passed on to files and folders
  // below; nobody else may even list it.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!convert("D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)", 1 /* SDDL_REVISION_1 */, &descriptor,
               nullptr))
    return false;
  SECURITY_ATTRIBUTES attributes;
  attributes.nLength = sizeof attributes;
  attributes.lpSecurityDescriptor = descriptor;
  attributes.bInheritHandle = FALSE;
  const bool made = CreateDirectoryA(path.c_str(), &attributes) != FALSE;
  LocalFree(descriptor);
  return made;
}

bool Win32System::RemoveDirectory(const std::string& path) {
  return RemoveDirectoryA(path.c_str()) != FALSE;
}

uint32_t Win32System::FileAttributes(const std::string& path) {
  return GetFileAttributesA(path.c_str());
}

bool Win32System::FolderIsEmpty(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool empty = true;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") empty = false;
  } while (empty && FindNextFileA(search, &found));
  // A listing that broke off for another reason than its end says nothing.
  if (empty && GetLastError() != ERROR_NO_MORE_FILES) empty = false;
  FindClose(search);
  return empty;
}

std::string Win32System::ShortPath(const std::string& path) {
  std::string result;
  if (!FillString(&result, [&](char* buffer, DWORD size) {
        return GetShortPathNameA(path.c_str(), buffer, size);
      }))
    return path;
  return result;
}

std::string Win32System::FullPath(const std::string& path) {
  std::string result;
  if (!FillString(&result, [&](char* buffer, DWORD size) {
        char* name = nullptr;
        return GetFullPathNameA(path.c_str(), size, buffer, &name);
      }))
    return path;
  return result;
}

std::string Win32System::TempPath() {
  char buffer[MAX_PATH + 1];
  DWORD n = GetTempPathA(MAX_PATH, buffer);
  if (n == 0 || n > MAX_PATH) return "";
  return std::string(buffer, n);
}

std::string Win32System::WindowsDirectory() {
  char buffer[MAX_PATH + 1];
  UINT n = GetWindowsDirectoryA(buffer, MAX_PATH);
  if (n == 0 || n > MAX_PATH) return "";
  return std::string(buffer, n);
}

bool Win32System::MoveFileDelayUntilReboot(const std::string& path) {
  return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

// --- registry ---

bool Win32System::RegCreateKey(RootKey root, const std::string& key) {
  HKEY handle = nullptr;
  if (root == RootKey::kCurrentUser) {
    handle = OpenUserKey(key, KEY_WRITE, true);
  } else {
    DWORD disposition = 0;
    if (RegCreateKeyExA(RootHandle(root), SubKey(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &handle, &disposition) != ERROR_SUCCESS)
      handle = nullptr;
  }
  if (!handle) return false;
  RegCloseKey(handle);
  return true;
}

bool Win32System::RegKeyExists(RootKey root, const std::string& key) {
  return static_cast<bool>(Key(root, key, KEY_READ));
}

bool Win32System::RegSetString(RootKey root, const std::string& key, const std::string& name,
                               const std::string& value) {
  Key k(root, key, KEY_SET_VALUE);
  if (!k) return false;
  return RegSetValueExA(k.get(), name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool Win32System::RegGetString(RootKey root, const std::string& key, const std::string& name,
                               std::string* value) {
  Key k(root, key, KEY_QUERY_VALUE);
  if (!k) return false;
  // The value may grow between the size query and the read: retry a few
  // times with the size the second call reports.
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(k.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return false;
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    std::string buffer(size + 1, '\0');
    DWORD got = size;
    LONG status = RegQueryValueExA(k.get(), name.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(&buffer[0]), &got);
    if (status == ERROR_MORE_DATA) {
      size = got;
      continue;
    }
    if (status != ERROR_SUCCESS) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    // The stored data need not end in a NUL; it counts up to the first one.
    buffer.resize(got);
    size_t nul = buffer.find('\0');
    if (nul != std::string::npos) buffer.resize(nul);
    *value = buffer;
    return true;
  }
  return false;
}

std::vector<std::string> Win32System::RegValueNames(RootKey root, const std::string& key) {
  std::vector<std::string> names;
  Key k(root, key, KEY_QUERY_VALUE);
  if (!k) return names;
  std::string buffer(16384, '\0');  // value names are at most 16383 characters
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(buffer.size());
    LONG status =
        RegEnumValueA(k.get(), index, &buffer[0], &length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) break;
    names.push_back(std::string(buffer.data(), length));
  }
  return names;
}

bool Win32System::RegDeleteValue(RootKey root, const std::string& key, const std::string& name) {
  Key k(root, key, KEY_SET_VALUE);
  if (!k) return false;
  return RegDeleteValueA(k.get(), name.c_str()) == ERROR_SUCCESS;
}

bool Win32System::RegDeleteTree(RootKey root, const std::string& key) {
  std::string sub = SubKey(key);
  // An empty name would mean the root itself: never delete a whole hive.
  if (sub.empty()) return false;
  if (root == RootKey::kLocalMachine) return DeleteKeyTree(RootHandle(root), sub);
  // Per-user: the parent opened level by level, the key itself below it.
  const std::vector<std::string> levels = KeyLevels(sub);
  const std::string& name = levels.back();
  if (levels.size() == 1) return DeleteKeyTree(HKEY_CURRENT_USER, name);
  Key parent(root, sub.substr(0, sub.size() - name.size() - 1), KEY_READ | KEY_WRITE);
  return parent && DeleteKeyTree(parent.get(), name);
}

// --- shell ---

bool Win32System::SpecialFolderPath(ShellFolder folder, std::string* path) {
  // A shell folder does not move while the setup runs, and every shortcut
  // asks for its folder again (each query costs milliseconds): answers are
  // kept for the process. Failures are not kept, so a later query may still
  // succeed.
  static constexpr ShellFolder kCachedFolders[] = {ShellFolder::kDesktop, ShellFolder::kPrograms,
                                                   ShellFolder::kProgramFiles};
  static_assert(sizeof(kCachedFolders) / sizeof(kCachedFolders[0]) ==
                sizeof(folders_) / sizeof(folders_[0]));
  KnownFolder* slot = nullptr;
  for (size_t i = 0; i < sizeof(folders_) / sizeof(folders_[0]); ++i)
    if (kCachedFolders[i] == folder) slot = &folders_[i];
  if (slot && slot->known) {
    *path = slot->path;
    return true;
  }
  LPITEMIDLIST list = nullptr;
  if (FAILED(
          SHGetSpecialFolderLocation(static_cast<HWND>(owner_), static_cast<int>(folder), &list)) ||
      !list)
    return false;
  char buffer[MAX_PATH + 1] = {};
  bool ok = SHGetPathFromIDListA(list, buffer) != FALSE;
  // The shell's allocator frees the list (CoTaskMemFree is not there on
  // every Windows 95).
  IMalloc* allocator = nullptr;
  if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
    allocator->Free(list);
    allocator->Release();
  }
  if (!ok) return false;
  *path = buffer;
  if (slot) {
    slot->path = *path;
    slot->known = true;
  }
  return true;
}

intptr_t Win32System::ShellExecute(bool with_owner, const std::string& verb,
                                   const std::string& file, const std::string& params,
                                   const std::string& dir, int show) {
  HINSTANCE result = ShellExecuteA(with_owner ? static_cast<HWND>(owner_) : nullptr,
                                   verb.empty() ? nullptr : verb.c_str(), file.c_str(),
                                   params.empty() ? nullptr : params.c_str(),
                                   dir.empty() ? nullptr : dir.c_str(), show);
  return reinterpret_cast<intptr_t>(result);
}

bool Win32System::StartProgram(const std::string& program, const std::string& params, int show) {
  // Its own folder as the current folder: the folder this process runs in
  // (the uninstaller's) stays free to be removed.
  char folder[MAX_PATH + 1];
  char* name = nullptr;
  const DWORD n = GetFullPathNameA(program.c_str(), MAX_PATH, folder, &name);
  if (n == 0 || n > MAX_PATH || !name) return false;
  *name = '\0';
  // CreateProcessA may write into the command line: the string's own
  // buffer, NUL-terminated, serves.
  std::string line = "\"";
  line += program;
  line += '"';
  if (!params.empty()) {
    line += ' ';
    line += params;
  }
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION process;
  ZeroMemory(&process, sizeof process);
  if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder,
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool Win32System::IsElevated() {
  // Vista and later; Windows 9x and NT 4 to XP have no elevation, and the
  // query (or the functions, on 9x) fails there.
  typedef BOOL(WINAPI * OpenProcessTokenFn)(HANDLE, DWORD, PHANDLE);
  typedef BOOL(WINAPI * GetTokenInformationFn)(HANDLE, int, LPVOID, DWORD, PDWORD);
  auto open_token = ModuleFunction<OpenProcessTokenFn>("advapi32.dll", "OpenProcessToken");
  auto get_information =
      ModuleFunction<GetTokenInformationFn>("advapi32.dll", "GetTokenInformation");
  if (!open_token || !get_information) return false;
  HANDLE token = nullptr;
  if (!open_token(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  constexpr int kTokenElevation = 20;
  DWORD elevation = 0;
  DWORD size = 0;
  const bool elevated =
      get_information(token, kTokenElevation, &elevation, sizeof elevation, &size) &&
      elevation != 0;
  CloseHandle(token);
  return elevated;
}

namespace {

const GUID kClsidShellWindows = {
    0x9BA05972, 0xF6A8, 0x11CF, {0xA4, 0x42, 0x00, 0xA0, 0xC9, 0x0A, 0x8F, 0x39}};
const GUID kIidShellWindows = {
    0x85CB6900, 0x4D95, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
const GUID kIidServiceProvider = {
    0x6D5140C1, 0x7436, 0x11CE, {0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA}};
const GUID kSidTopLevelBrowser = {
    0x4C96BE40, 0x915C, 0x11CF, {0x99, 0xD3, 0x00, 0xAA, 0x00, 0x4A, 0xE8, 0x37}};
const GUID kIidShellBrowser = {0x000214E2, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kIidDispatch = {0x00020400, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kIidShellFolderViewDual = {
    0xE7A1AF80, 0x4D96, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
const GUID kIidShellDispatch2 = {
    0xA4C6892C, 0x3BA9, 0x11D2, {0x9D, 0xEA, 0x00, 0xC0, 0x4F, 0xB1, 0x61, 0x62}};

// Releases a COM interface when it goes out of scope.
template <typename Interface>
struct ComRef {
  Interface* p = nullptr;
  ~ComRef() {
    if (p) p->Release();
  }
  void** out() { return reinterpret_cast<void**>(&p); }
};

// BSTRs from oleaut32, loaded by its system path and looked up at run time
// (the program imports nothing from it).
struct Strings {
  typedef BSTR(WINAPI* AllocFn)(const OLECHAR*);
  typedef void(WINAPI* FreeFn)(BSTR);
  AllocFn alloc = nullptr;
  FreeFn free = nullptr;
  Strings() {
    typedef void (*AnyFunction)(void);
    if (HMODULE oleaut = LoadSystemLibrary("oleaut32.dll")) {
      alloc = reinterpret_cast<AllocFn>(
          reinterpret_cast<AnyFunction>(GetProcAddress(oleaut, "SysAllocString")));
      free = reinterpret_cast<FreeFn>(
          reinterpret_cast<AnyFunction>(GetProcAddress(oleaut, "SysFreeString")));
    }
  }
  // An ANSI text as a BSTR, or null.
  BSTR Make(const std::string& text) {
    if (!alloc) return nullptr;
    std::vector<WCHAR> wide(text.size() + 1);
    if (MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(),
                            static_cast<int>(wide.size())) == 0)
      return nullptr;
    return alloc(wide.data());
  }
};

VARIANT EmptyVariant() {
  VARIANT v;
  ZeroMemory(&v, sizeof v);
  v.vt = VT_EMPTY;
  return v;
}

// The chain from the shell windows to the desktop's Shell.Application
// object; each link is released, last first, when this goes out of scope.
struct DesktopShell {
  ComRef<IShellWindows> windows;
  ComRef<IDispatch> desktop;
  ComRef<IServiceProvider> provider;
  ComRef<IShellBrowser> browser;
  ComRef<IShellView> view;
  ComRef<IDispatch> background;
  ComRef<IShellFolderViewDual> folder_view;
  ComRef<IDispatch> application;
  ComRef<IShellDispatch2> shell;
};

// The desktop's window in the shell windows of the logged-on user's
// Explorer, its view, and the view's Shell.Application object.
bool OpenDesktopShell(DesktopShell* d) {
  VARIANT location = EmptyVariant();
  location.vt = VT_I4;
  location.lVal = 0;  // CSIDL_DESKTOP
  VARIANT root = EmptyVariant();
  LONG window = 0;
  constexpr int kSwcDesktop = 8;        // SWC_DESKTOP
  constexpr int kSwfoNeedDispatch = 1;  // SWFO_NEEDDISPATCH
  constexpr UINT kSvgioBackground = 0;  // SVGIO_BACKGROUND
  return SUCCEEDED(CoCreateInstance(kClsidShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                    kIidShellWindows, d->windows.out())) &&
         d->windows.p &&
         d->windows.p->FindWindowSW(&location, &root, kSwcDesktop, &window, kSwfoNeedDispatch,
                                    reinterpret_cast<IDispatch**>(d->desktop.out())) == S_OK &&
         d->desktop.p &&
         SUCCEEDED(d->desktop.p->QueryInterface(kIidServiceProvider, d->provider.out())) &&
         d->provider.p &&
         SUCCEEDED(d->provider.p->QueryService(kSidTopLevelBrowser, kIidShellBrowser,
                                               d->browser.out())) &&
         d->browser.p &&
         SUCCEEDED(
             d->browser.p->QueryActiveShellView(reinterpret_cast<IShellView**>(d->view.out()))) &&
         d->view.p &&
         SUCCEEDED(d->view.p->GetItemObject(kSvgioBackground, kIidDispatch, d->background.out())) &&
         d->background.p &&
         SUCCEEDED(
             d->background.p->QueryInterface(kIidShellFolderViewDual, d->folder_view.out())) &&
         d->folder_view.p &&
         SUCCEEDED(d->folder_view.p->get_Application(
             reinterpret_cast<IDispatch**>(d->application.out()))) &&
         d->application.p &&
         SUCCEEDED(d->application.p->QueryInterface(kIidShellDispatch2, d->shell.out())) &&
         d->shell.p;
}

// Shell.Application's ShellExecute with `verb` ("" for the default) on
// `file`; the texts go as BSTRs, freed again after the call.
bool ShellExecuteThrough(IShellDispatch2* shell, Strings& strings, const std::string& verb,
                         const std::string& file, int show) {
  bool ok = false;
  BSTR name = strings.Make(file);
  VARIANT operation = EmptyVariant();
  if (!verb.empty()) {
    operation.vt = VT_BSTR;
    operation.bstrVal = strings.Make(verb);
  }
  VARIANT show_mode = EmptyVariant();
  show_mode.vt = VT_I4;
  show_mode.lVal = show;
  if (name && (verb.empty() || operation.bstrVal))
    // <shellapi.h> maps this method's name too: it is declared as
    // ShellExecuteA (the same vtable slot).
    ok =
        SUCCEEDED(shell->ShellExecuteA(name, EmptyVariant(), EmptyVariant(), operation, show_mode));
  if (operation.vt == VT_BSTR && operation.bstrVal) strings.free(operation.bstrVal);
  if (name) strings.free(name);
  return ok;
}

}  // namespace

bool Win32System::ShellExecuteAsDesktopUser(const std::string& verb, const std::string& file,
                                            int show) {
  // The desktop view's Shell.Application object: its ShellExecute runs in
  // the logged-on user's Explorer process.
  //
  // Only a shell that already runs: asked for its windows with no desktop
  // shell running, COM starts a new shell process itself, as this elevated
  // user, whose ShellExecute then reads this user's classes (and costs a
  // process start).
  typedef HWND(WINAPI * GetShellWindowFunction)();
  const auto shell_window = ModuleFunction<GetShellWindowFunction>("user32.dll", "GetShellWindow");
  if (!shell_window || !shell_window()) return false;
  const bool initialised = SUCCEEDED(CoInitialize(nullptr));
  bool ok = false;
  {
    Strings strings;
    DesktopShell desktop;
    if (strings.alloc && strings.free && OpenDesktopShell(&desktop))
      ok = ShellExecuteThrough(desktop.shell.p, strings, verb, file, show);
  }
  if (initialised) CoUninitialize();
  return ok;
}

bool Win32System::ShellExecuteMachineClass(const std::string& verb, const std::string& file,
                                           const std::string& class_key, int show) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SubKey(class_key).c_str(), 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return false;
  SHELLEXECUTEINFOA info;
  ZeroMemory(&info, sizeof info);
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_CLASSKEY | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = verb.c_str();
  info.lpFile = file.c_str();
  info.nShow = show;
  info.hkeyClass = key;
  const bool ok = ShellExecuteExA(&info) != FALSE;
  RegCloseKey(key);
  return ok;
}

bool Win32System::CreateShellLink(const std::string& target, const std::string& link_file) {
  WCHAR wide[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, 0, link_file.c_str(), -1, wide, MAX_PATH) == 0) return false;
  // COM is initialised around every link, and once more for the life of
  // this object: the first initialisation of a process loads and starts the
  // COM runtime, and the last uninitialisation tears it down again, which
  // costs tens of milliseconds per link. Held once, the calls around each
  // link only count up and down.
  if (!com_held_) com_held_ = SUCCEEDED(CoInitialize(nullptr));
  HRESULT init = CoInitialize(nullptr);
  // S_FALSE (already initialised) must be balanced too; a failure must not.
  bool initialised = SUCCEEDED(init);
  bool ok = false;
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(kClsidShellLink, nullptr,
                                 CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, kIidShellLinkA,
                                 reinterpret_cast<void**>(&link))) &&
      link) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->SetPath(target.c_str())) &&
        SUCCEEDED(link->SetIconLocation(target.c_str(), 0)) &&
        SUCCEEDED(link->QueryInterface(kIidPersistFile, reinterpret_cast<void**>(&file))) && file) {
      ok = SUCCEEDED(file->Save(wide, TRUE));
      file->Release();
    }
    link->Release();
  }
  if (initialised) CoUninitialize();
  return ok;
}

// --- user interface ---

MsgAnswer Win32System::MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                  MsgButtons buttons) {
  // Indexed by the enumerations' values, in their order.
  static constexpr UINT kIconFlags[] = {0, MB_ICONERROR, MB_ICONQUESTION, MB_ICONINFORMATION};
  static constexpr UINT kButtonFlags[] = {MB_OK, MB_YESNO, MB_YESNOCANCEL};
  static_assert(static_cast<int>(MsgIcon::kInformation) == 3 &&
                static_cast<int>(MsgButtons::kYesNoCancel) == 2);
  const UINT flags = kIconFlags[static_cast<int>(icon)] | kButtonFlags[static_cast<int>(buttons)];
  if (!owner_) UseUpStartupShowMode();
  int answer = MessageBoxA(static_cast<HWND>(owner_), text.c_str(), caption.c_str(), flags);
  switch (answer) {
    case IDOK:
      return MsgAnswer::kOk;
    case IDYES:
      return MsgAnswer::kYes;
    case IDNO:
      return MsgAnswer::kNo;
    case IDCANCEL:
      return MsgAnswer::kCancel;
    default:
      return MsgAnswer::kFailed;  // 0 or -1: no box could be shown (no display)
  }
}

void Win32System::SetOwnerWindow(void* window) { owner_ = window; }

void Win32System::UseUpStartupShowMode() {
  // A process started with a show mode (the temporary copy of an uninstall
  // is started with SW_HIDE) has Windows apply that mode, once, to the first
  // top-level window it shows. A message box without an owner would be that
  // window: it would stay invisible, and the process would wait on it until
  // the user logs off. A first ShowWindow on a window that is never seen
  // (no size, off the screen, no taskbar button) takes the mode instead.
  // Wine does not apply start-up modes this way, so no test here sees it.
  if (startup_show_mode_used_) return;
  startup_show_mode_used_ = true;
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, -32000, -32000, 0, 0,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!window) return;
  ShowWindow(window, SW_SHOWNORMAL);
  DestroyWindow(window);
}

void Win32System::WriteStdError(const std::string& text) {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(err, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace scr
