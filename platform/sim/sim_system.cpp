#include "platform/sim/sim_system.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

// Counts a call for the sweep, with the place in the program it came from.
#define SIM_FAULT(name) Fault(name, __builtin_return_address(0))

namespace scr {
namespace {

// ShellExecuteA's answer when it cannot start anything (SE_ERR_ACCESSDENIED).
constexpr intptr_t kShellExecuteFailure = 5;

// The ANSI functions refuse a full path of MAX_PATH characters or more;
// CreateDirectoryA leaves room for an 8.3 name in the new folder.
constexpr size_t kMaxPath = 260;
constexpr size_t kMaxFolderPath = 248;

// What a Windows call receives of a std::string: the C string up to its NUL.
std::string CString(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

class SimFile : public File {
 public:
  SimFile(SimSystem* sys, std::FILE* f, int64_t* read_calls, int64_t write_limit)
      : sys_(sys), f_(f), read_calls_(read_calls), write_limit_(write_limit) {
    ++sys_->open_files;
  }
  ~SimFile() override {
    std::fclose(f_);
    --sys_->open_files;
  }
  int64_t Size() override {
    if (sys_->Fault("File::Size", __builtin_return_address(0))) return -1;
    std::fflush(f_);
    int64_t here = ftello(f_);
    if (fseeko(f_, 0, SEEK_END) != 0) return -1;
    int64_t size = ftello(f_);
    fseeko(f_, here, SEEK_SET);
    return size;
  }
  int64_t Position() override {
    if (sys_->Fault("File::Position", __builtin_return_address(0))) return -1;
    return ftello(f_);
  }
  bool Seek(int64_t position) override {
    if (sys_->Fault("File::Seek", __builtin_return_address(0))) return false;
    return position >= 0 && fseeko(f_, position, SEEK_SET) == 0;
  }
  bool ReadSome(void* buffer, size_t count, size_t* got) override {
    if (read_calls_) ++*read_calls_;
    *got = 0;
    if (sys_->Fault("File::ReadSome", __builtin_return_address(0))) return false;
    *got = std::fread(buffer, 1, count, f_);
    return !std::ferror(f_);
  }
  bool Write(const void* buffer, size_t count) override {
    // A write that fails part of the way, as on a full disk: half of it
    // reaches the file.
    if (sys_->Fault("File::Write", __builtin_return_address(0))) {
      std::fwrite(buffer, 1, count / 2, f_);
      return false;
    }
    if (write_limit_ >= 0 && written_ + static_cast<int64_t>(count) > write_limit_) return false;
    written_ += static_cast<int64_t>(count);
    return std::fwrite(buffer, 1, count, f_) == count;
  }

 private:
  SimSystem* sys_;
  std::FILE* f_;
  int64_t* read_calls_;
  int64_t write_limit_;
  int64_t written_ = 0;
};

// A host file name cannot hold "/", which a double-byte character may
// carry as its trail byte: such names are stored with "%2F" (and "%" as
// "%25").
std::string HostName(const std::string& part) {
  std::string out;
  for (char c : part) {
    if (c == '/')
      out += "%2F";
    else if (c == '%')
      out += "%25";
    else
      out += c;
  }
  return out;
}

std::string UniqueSandbox() {
  static int counter = 0;
  return (fs::temp_directory_path() /
          ("scr_sim_" + std::to_string(getpid()) + "_" + std::to_string(++counter)))
      .string();
}

}  // namespace

SimSystem::SimSystem() : SimSystem(UniqueSandbox()) {}

SimSystem::SimSystem(std::string sandbox) : sandbox_(std::move(sandbox)) {
  std::error_code ec;
  fs::remove_all(sandbox_, ec);
  fs::create_directories(sandbox_);
  MakeFolders("C:\\Setup");
  MakeFolders(windows_directory);
  MakeFolders(temp_path);
  for (const auto& [id, folder] : special_folders) MakeFolders(folder);
}

SimSystem::~SimSystem() {
  std::error_code ec;
  fs::remove_all(sandbox_, ec);
}

bool SimSystem::Fault(const char* name, const void* site) {
  ++calls;
  if (trace_calls) {
    call_names.push_back(name);
    call_sites.push_back(site);
  }
  if (runaway_limit > 0 && calls > runaway_limit) {
    runaway = true;
    return true;
  }
  return calls == fail_at || (fail_from > 0 && calls >= fail_from);
}

std::string SimSystem::Lower(std::string_view text) const {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    if (lead_bytes.count(static_cast<uint8_t>(out[i])) && i + 1 < out.size()) {
      ++i;  // the trail byte is part of the character, whatever it looks like
      continue;
    }
    if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
  }
  return out;
}

std::vector<std::string> SimSystem::Split(std::string_view text, bool slash_too) const {
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (lead_bytes.count(static_cast<uint8_t>(c)) && i + 1 < text.size()) {
      part += c;
      part += text[++i];
    } else if (c == '\\' || (slash_too && c == '/')) {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  return parts;
}

bool SimSystem::Resolve(std::string path, std::vector<std::string>* parts) const {
  path = CString(path);
  parts->clear();
  auto separator = [](char c) { return c == '\\' || c == '/'; };
  if (path.empty() || path.size() >= kMaxPath) return false;
  std::string rest;
  if (path.size() >= 2 && path[1] == ':' && IsAsciiLetter(path[0])) {
    const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    parts->push_back(std::string(1, drive));
    rest = path.substr(2);
    // "C:name" is relative to the drive's current folder.
    if ((rest.empty() || !separator(rest[0])) && drive == 'C') parts->push_back("Setup");
  } else if (separator(path[0])) {
    if (path.size() >= 2 && separator(path[1])) return false;  // no network here
    parts->push_back("C");
    rest = path;
  } else {
    *parts = {"C", "Setup"};
    rest = path;
  }
  for (const std::string& part : Split(rest, true)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (parts->size() > 1) parts->pop_back();
      continue;
    }
    // Windows refuses these characters in file and folder names; the
    // colon of a drive was taken above.
    for (size_t i = 0; i < part.size(); ++i) {
      const uint8_t c = static_cast<uint8_t>(part[i]);
      if (lead_bytes.count(c) && i + 1 < part.size()) {
        ++i;
        continue;
      }
      if (c < 32 || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
          c == '|')
        return false;
    }
    parts->push_back(part);
  }
  return ResolvedLength(*parts) < kMaxPath;
}

size_t SimSystem::ResolvedLength(const std::vector<std::string>& parts) {
  size_t length = 2;  // "C:"
  for (size_t i = 1; i < parts.size(); ++i) length += 1 + parts[i].size();
  return length;
}

std::string SimSystem::Host(const std::string& windows_path) {
  std::vector<std::string> parts;
  if (!Resolve(windows_path, &parts)) return "";
  fs::path host = sandbox_;
  for (const std::string& part : parts) {
    const std::string name = HostName(part);
    fs::path exact = host / name;
    std::error_code ec;
    if (!fs::exists(exact, ec) && fs::is_directory(host, ec)) {
      const std::string wanted = Lower(name);
      for (const auto& entry : fs::directory_iterator(host, ec)) {
        if (Lower(entry.path().filename().string()) == wanted) {
          exact = entry.path();
          break;
        }
      }
    }
    host = exact;
  }
  return host.string();
}

std::string SimSystem::HostPath(const std::string& windows_path) { return Host(windows_path); }

bool SimSystem::IsFile(const std::string& windows_path) {
  const std::string host = Host(windows_path);
  std::error_code ec;
  return !host.empty() && fs::is_regular_file(host, ec);
}

bool SimSystem::IsFolder(const std::string& windows_path) {
  const std::string host = Host(windows_path);
  std::error_code ec;
  return !host.empty() && fs::is_directory(host, ec);
}

bool SimSystem::InSet(const std::set<std::string>& paths, const std::string& path) const {
  std::string wanted = Lower(CString(path));
  for (const std::string& p : paths)
    if (Lower(p) == wanted) return true;
  return false;
}

void SimSystem::PutFile(const std::string& windows_path, std::string_view bytes) {
  std::string host = Host(windows_path);
  if (host.empty()) return;
  fs::create_directories(fs::path(host).parent_path());
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool SimSystem::GetFile(const std::string& windows_path, std::string* bytes) {
  std::string host = Host(windows_path);
  std::error_code ec;
  if (host.empty() || !fs::is_regular_file(host, ec)) return false;
  std::ifstream in(host, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  *bytes = all.str();
  return true;
}

std::string SimSystem::ReadWholeFile(const std::string& windows_path) {
  std::string bytes;
  GetFile(windows_path, &bytes);
  return bytes;
}

void SimSystem::MakeFolders(const std::string& windows_path) {
  const std::string host = Host(windows_path);
  if (!host.empty()) fs::create_directories(host);
}

std::map<std::string, std::string> SimSystem::Snapshot() {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(sandbox_)) {
    std::string relative = fs::relative(entry.path(), sandbox_).string();
    if (entry.is_directory()) {
      files[relative + "/"] = "";
    } else {
      std::ifstream in(entry.path(), std::ios::binary);
      std::ostringstream all;
      all << in.rdbuf();
      files[relative] = all.str();
    }
  }
  return files;
}

std::vector<std::string> SimSystem::RegistryDump() {
  std::vector<std::string> lines;
  for (const auto& [path, key] : registry_) {
    lines.push_back(path + "|" + (key.link.empty() ? "" : "->" + key.link));
    for (const auto& [name, value] : key.values) lines.push_back(path + "|" + name + "=" + value);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string SimSystem::LinkTarget(const std::string& link_file) {
  std::string bytes;
  if (!GetFile(link_file, &bytes) || bytes.rfind("LNK\n", 0) != 0) return "";
  return bytes.substr(4);
}

std::unique_ptr<File> SimSystem::Open(const std::string& host, const char* mode,
                                      int64_t* read_counter, int64_t write_limit) {
  std::FILE* f = std::fopen(host.c_str(), mode);
  if (!f) return nullptr;
  return std::make_unique<SimFile>(this, f, read_counter, write_limit);
}

std::unique_ptr<File> SimSystem::OpenRead(const std::string& path, Share) {
  if (SIM_FAULT("OpenRead")) return nullptr;
  if (fail_open_module && Lower(CString(path)) == Lower(module_path)) return nullptr;
  if (!IsFile(path)) return nullptr;
  return Open(Host(path), "rb", &read_calls, -1);
}

std::unique_ptr<File> SimSystem::CreateFile(const std::string& path) {
  if (SIM_FAULT("CreateFile")) return nullptr;
  if (InSet(fail_create_file, path) || Locked(path)) return nullptr;
  std::string host = Host(path);
  std::error_code ec;
  if (host.empty() || !fs::is_directory(fs::path(host).parent_path(), ec) ||
      fs::is_directory(host, ec))
    return nullptr;
  int64_t limit = -1;
  for (const auto& [p, after] : fail_write_after)
    if (Lower(p) == Lower(CString(path))) limit = after;
  std::unique_ptr<File> file = Open(host, "w+b", nullptr, limit);
  if (file) created.push_back(path);
  return file;
}

namespace {

// A file that keeps its path locked in `locked` until it is closed.
class LockedFile : public File {
 public:
  LockedFile(std::unique_ptr<File> inner, std::multiset<std::string>* locked, std::string key)
      : inner_(std::move(inner)), locked_(locked), key_(std::move(key)) {
    locked_->insert(key_);
  }
  ~LockedFile() override { locked_->erase(locked_->find(key_)); }
  int64_t Size() override { return inner_->Size(); }
  int64_t Position() override { return inner_->Position(); }
  bool Seek(int64_t position) override { return inner_->Seek(position); }
  bool ReadSome(void* buffer, size_t count, size_t* got) override {
    return inner_->ReadSome(buffer, count, got);
  }
  bool Write(const void* buffer, size_t count) override { return inner_->Write(buffer, count); }

 private:
  std::unique_ptr<File> inner_;
  std::multiset<std::string>* locked_;
  std::string key_;
};

}  // namespace

bool SimSystem::Locked(const std::string& path) {
  const std::string host = Host(path);
  return !host.empty() && locked_.count(host) != 0;
}

std::unique_ptr<File> SimSystem::Lock(std::unique_ptr<File> file, const std::string& path) {
  if (!file) return nullptr;
  return std::make_unique<LockedFile>(std::move(file), &locked_, Host(path));
}

std::unique_ptr<File> SimSystem::CreateNewFile(const std::string& path) {
  if (SIM_FAULT("CreateNewFile")) return nullptr;
  if (InSet(fail_create_file, path)) return nullptr;
  std::string host = Host(path);
  std::error_code ec;
  // Anything of that name counts: a file, a folder, a link (even one that
  // points nowhere).
  if (host.empty() || fs::exists(fs::symlink_status(host, ec)) ||
      !fs::is_directory(fs::path(host).parent_path(), ec))
    return nullptr;
  std::FILE* f = std::fopen(host.c_str(), "w+bx");  // "x": fails on anything that exists
  if (!f) return nullptr;
  return Lock(std::make_unique<SimFile>(this, f, nullptr, -1), path);
}

std::unique_ptr<File> SimSystem::SealFile(std::unique_ptr<File> written, const std::string& path) {
  written.reset();
  if (SIM_FAULT("SealFile") || !IsFile(path)) return nullptr;
  return Lock(Open(Host(path), "rb", &read_calls, -1), path);
}

std::unique_ptr<File> SimSystem::OpenReadWrite(const std::string& path) {
  if (SIM_FAULT("OpenReadWrite")) return nullptr;
  if (!IsFile(path) || Locked(path)) return nullptr;
  return Open(Host(path), "r+b", nullptr, -1);
}

bool SimSystem::DeleteFile(const std::string& path) {
  ++delete_attempts;
  if (SIM_FAULT("DeleteFile")) return false;
  if (InSet(fail_delete, path) || Locked(path)) return false;
  for (auto& [p, left] : busy_deletes) {
    if (Lower(p) == Lower(CString(path)) && left > 0) {
      --left;
      return false;
    }
  }
  if (!IsFile(path)) return false;
  // Windows keeps the file of a running program: the program itself cannot
  // delete it, by any spelling.
  if (Host(path) == Host(module_path)) return false;
  std::error_code ec;
  if (!fs::remove(Host(path), ec)) return false;
  deleted.push_back(CString(path));
  return true;
}

bool SimSystem::FileExists(const std::string& path) {
  if (SIM_FAULT("FileExists")) return false;
  return IsFile(path);
}

bool SimSystem::DirectoryExists(const std::string& path) {
  if (SIM_FAULT("DirectoryExists")) return false;
  return IsFolder(path);
}

bool SimSystem::CreateDirectory(const std::string& path) {
  if (SIM_FAULT("CreateDirectory")) return false;
  if (InSet(fail_create_directory, path)) return false;
  std::vector<std::string> parts;
  if (!Resolve(path, &parts) || ResolvedLength(parts) > kMaxFolderPath) return false;
  std::string host = Host(path);
  std::error_code ec;
  if (host.empty() || fs::exists(host, ec) || !fs::is_directory(fs::path(host).parent_path(), ec))
    return false;
  return fs::create_directory(host, ec);
}

namespace {

class SimHeldFolder : public HeldFolder {
 public:
  SimHeldFolder(std::multiset<std::string>* held, std::string host)
      : held_(held), host_(std::move(host)) {
    held_->insert(host_);
  }
  ~SimHeldFolder() override { held_->erase(held_->find(host_)); }

 private:
  std::multiset<std::string>* held_;
  std::string host_;
};

}  // namespace

bool SimSystem::CreatePrivateFolder(const std::string& path) {
  if (SIM_FAULT("CreatePrivateFolder")) return false;
  if (!CreateDirectory(path)) return false;
  private_folders.push_back(CString(path));
  return true;
}

std::unique_ptr<HeldFolder> SimSystem::HoldFolder(const std::string& path) {
  if (SIM_FAULT("HoldFolder")) return nullptr;
  const std::string host = Host(path);
  std::error_code ec;
  if (host.empty() || fs::is_symlink(fs::symlink_status(host, ec)) || !fs::is_directory(host, ec))
    return nullptr;
  return std::make_unique<SimHeldFolder>(&held_folders_, host);
}

void SimSystem::MakeFolderLink(const std::string& link, const std::string& target) {
  MakeFolders(target);
  const std::string host_link = Host(link);
  std::error_code ec;
  fs::remove_all(host_link, ec);
  fs::create_directories(fs::path(host_link).parent_path(), ec);
  fs::create_directory_symlink(Host(target), host_link, ec);
}

bool SimSystem::RemoveDirectory(const std::string& path) {
  if (SIM_FAULT("RemoveDirectory")) return false;
  if (InSet(fail_remove_directory, path)) return false;
  std::string host = Host(path);
  std::error_code ec;
  if (held_folders_.count(host)) return false;
  if (host.empty() || !fs::is_directory(host, ec) || !fs::is_empty(host, ec)) return false;
  return fs::remove(host, ec);
}

uint32_t SimSystem::FileAttributes(const std::string& path) {
  if (SIM_FAULT("FileAttributes")) return kNoAttributes;
  const std::string host = Host(path);
  std::error_code ec;
  if (host.empty() || !fs::exists(host, ec)) return kNoAttributes;
  uint32_t attributes = fs::is_directory(host, ec) ? kAttributeDirectory : 0x80;  // NORMAL
  if (fs::is_symlink(host, ec)) attributes |= kAttributeReparsePoint;
  return attributes;
}

bool SimSystem::FolderIsEmpty(const std::string& path) {
  if (SIM_FAULT("FolderIsEmpty")) return false;
  const std::string host = Host(path);
  std::error_code ec;
  return !host.empty() && fs::is_directory(host, ec) && fs::is_empty(host, ec);
}

std::string SimSystem::ShortPath(const std::string& path) {
  if (SIM_FAULT("ShortPath")) return path;
  for (const auto& [long_path, short_path] : short_paths)
    if (Lower(long_path) == Lower(CString(path))) return short_path;
  return path;
}

std::string SimSystem::FullPath(const std::string& path) {
  if (SIM_FAULT("FullPath")) return path;
  std::vector<std::string> parts;
  if (!Resolve(path, &parts)) return path;
  std::string joined = parts[0] + ":";
  for (size_t i = 1; i < parts.size(); ++i) joined += "\\" + parts[i];
  // A drive's root, and a path written with a trailing separator (not the
  // trail byte of a double-byte character), keep it.
  const std::vector<std::string> written = Split(CString(path), true);
  if (parts.size() == 1 || (written.size() > 1 && written.back().empty())) joined += "\\";
  return joined;
}

std::string SimSystem::TempPath() {
  if (SIM_FAULT("TempPath")) return "";
  return temp_path;
}

std::string SimSystem::WindowsDirectory() {
  if (SIM_FAULT("WindowsDirectory")) return "";
  return windows_directory;
}

std::string SimSystem::ModulePath() {
  if (SIM_FAULT("ModulePath")) return "";
  return module_path;
}

VersionInfo SimSystem::GetVersion() {
  if (SIM_FAULT("GetVersion")) return VersionInfo{};
  return version;
}

bool SimSystem::IsWow64() {
  if (Fault("IsWow64")) return false;
  return wow64;
}

bool SimSystem::MoveFileDelayUntilReboot(const std::string& path) {
  if (SIM_FAULT("MoveFileDelayUntilReboot")) return false;
  delay_until_reboot.push_back(CString(path));
  return delay_until_reboot_ok;
}

std::vector<std::string> SimSystem::KeyParts(const std::string& key) const {
  std::string k = CString(key);
  if (!k.empty() && k[0] == '\\') k.erase(0, 1);  // one leading backslash means the root
  std::vector<std::string> parts = Split(k, false);
  while (!parts.empty() && parts.back().empty()) parts.pop_back();  // trailing backslashes
  return parts;
}

std::string SimSystem::RegPath(RootKey root, const std::string& key) const {
  std::string path = root == RootKey::kLocalMachine ? "HKLM" : "HKCU";
  for (const std::string& part : KeyParts(key)) path += "\\" + Lower(part);
  return path;
}

SimSystem::RegKey* SimSystem::FindKey(RootKey root, const std::string& key) {
  if (ThroughLink(root, key)) return nullptr;
  auto it = registry_.find(RegPath(root, key));
  return it == registry_.end() ? nullptr : &it->second;
}

bool SimSystem::ThroughLink(RootKey root, const std::string& key) {
  std::string path;
  for (const std::string& part : KeyParts(key)) {
    path += (path.empty() ? "" : "\\") + part;
    auto it = registry_.find(RegPath(root, path));
    if (it != registry_.end() && !it->second.link.empty()) return true;
  }
  return false;
}

void SimSystem::RegCreateLink(RootKey root, const std::string& key, RootKey target_root,
                              const std::string& target) {
  const std::vector<std::string> parts = KeyParts(key);
  std::string parent;
  for (size_t i = 0; i + 1 < parts.size(); ++i) parent += (i ? "\\" : "") + parts[i];
  if (!parent.empty()) RegCreateKey(root, parent);
  RegKey& link = registry_[RegPath(root, key)];
  link.name = key;
  link.values.clear();
  link.link = RegPath(target_root, target);
}

bool SimSystem::RegCreateKey(RootKey root, const std::string& key) {
  if (SIM_FAULT("RegCreateKey")) return false;
  // As on Windows, a sub-key may not begin with a backslash (after the one
  // that marks the root) nor hold an empty component; "/" is an ordinary
  // character of a key name.
  const std::vector<std::string> parts = KeyParts(key);
  for (const std::string& part : parts)
    if (part.empty()) return false;
  if (parts.empty()) registry_[RegPath(root, "")].name = "";
  std::string path;
  for (const std::string& part : parts) {
    path += (path.empty() ? "" : "\\") + part;
    std::string reg = RegPath(root, path);
    // A link on the way is deleted itself and replaced by a real key.
    if (registry_.count(reg) && !registry_[reg].link.empty()) registry_.erase(reg);
    if (!registry_.count(reg)) registry_[reg].name = path;
  }
  return true;
}

bool SimSystem::RegKeyExists(RootKey root, const std::string& key) {
  if (SIM_FAULT("RegKeyExists")) return false;
  return FindKey(root, key) != nullptr;
}

bool SimSystem::RegSetString(RootKey root, const std::string& key, const std::string& name,
                             const std::string& value) {
  if (SIM_FAULT("RegSetString")) return false;
  RegKey* k = FindKey(root, key);
  if (!k) return false;
  const std::string n = CString(name);
  for (auto& [existing, v] : k->values) {
    if (Lower(existing) == Lower(n)) {
      v = CString(value);
      return true;
    }
  }
  k->values.emplace_back(n, CString(value));
  return true;
}

bool SimSystem::RegGetString(RootKey root, const std::string& key, const std::string& name,
                             std::string* value) {
  if (SIM_FAULT("RegGetString")) return false;
  RegKey* k = FindKey(root, key);
  if (!k) return false;
  for (const auto& [n, v] : k->values) {
    if (Lower(n) == Lower(CString(name))) {
      *value = v;
      return true;
    }
  }
  return false;
}

std::vector<std::string> SimSystem::RegValueNames(RootKey root, const std::string& key) {
  std::vector<std::string> names;
  if (SIM_FAULT("RegValueNames")) return names;
  if (RegKey* k = FindKey(root, key))
    for (const auto& [n, v] : k->values) names.push_back(n);
  return names;
}

bool SimSystem::RegDeleteValue(RootKey root, const std::string& key, const std::string& name) {
  if (SIM_FAULT("RegDeleteValue")) return false;
  RegKey* k = FindKey(root, key);
  if (!k) return false;
  auto it = std::find_if(k->values.begin(), k->values.end(),
                         [&](const auto& v) { return Lower(v.first) == Lower(CString(name)); });
  if (it == k->values.end()) return false;
  k->values.erase(it);
  return true;
}

bool SimSystem::RegDeleteTree(RootKey root, const std::string& key) {
  if (SIM_FAULT("RegDeleteTree")) return false;
  std::string path = RegPath(root, key);
  if (!registry_.count(path)) return false;
  // A link above the key is not followed; the key itself, or any key below
  // it, that is a link goes itself (its target is no entry under `path`).
  const std::vector<std::string> parts = KeyParts(key);
  std::string parent;
  for (size_t i = 0; i + 1 < parts.size(); ++i) parent += (i ? "\\" : "") + parts[i];
  if (!parent.empty() && ThroughLink(root, parent)) return false;
  std::string prefix = path + "\\";
  for (auto it = registry_.begin(); it != registry_.end();) {
    if (it->first == path || it->first.rfind(prefix, 0) == 0)
      it = registry_.erase(it);
    else
      ++it;
  }
  return true;
}

bool SimSystem::SpecialFolderPath(ShellFolder folder, std::string* path) {
  if (SIM_FAULT("SpecialFolderPath")) return false;
  if (failing_folders.count(folder) || !special_folders.count(folder)) return false;
  *path = special_folders[folder];
  return true;
}

intptr_t SimSystem::ShellExecute(bool with_owner, const std::string& verb, const std::string& file,
                                 const std::string& params, const std::string& dir, int show) {
  if (SIM_FAULT("ShellExecute")) return kShellExecuteFailure;
  shell_calls.push_back({with_owner, verb, file, params, dir, show, Route::kShell, ""});
  return shell_execute_result;
}

bool SimSystem::StartProgram(const std::string& program, const std::string& params, int show) {
  if (SIM_FAULT("StartProgram")) return false;
  if (!start_program_ok || !IsFile(program)) return false;
  shell_calls.push_back(
      {false, "", CString(program), CString(params), "", show, Route::kProgram, ""});
  return true;
}

bool SimSystem::ShellExecuteAsDesktopUser(const std::string& verb, const std::string& file,
                                          int show) {
  if (SIM_FAULT("ShellExecuteAsDesktopUser") || !desktop_shell) return false;
  shell_calls.push_back({false, verb, CString(file), "", "", show, Route::kDesktopUser, ""});
  return true;
}

bool SimSystem::ShellExecuteMachineClass(const std::string& verb, const std::string& file,
                                         const std::string& class_key, int show) {
  if (SIM_FAULT("ShellExecuteMachineClass")) return false;
  if (!FindKey(RootKey::kLocalMachine, class_key + "\\shell\\" + verb + "\\command")) return false;
  shell_calls.push_back(
      {false, verb, CString(file), "", "", show, Route::kMachineClass, CString(class_key)});
  return true;
}

bool SimSystem::CreateShellLink(const std::string& target, const std::string& link_file) {
  if (SIM_FAULT("CreateShellLink")) return false;
  std::string host = Host(link_file);
  std::error_code ec;
  if (host.empty() || !fs::is_directory(fs::path(host).parent_path(), ec)) return false;
  if (InSet(fail_create_file, link_file)) return false;
  PutFile(link_file, "LNK\n" + target);
  created.push_back(link_file);
  return true;
}

MsgAnswer SimSystem::MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                MsgButtons buttons) {
  if (SIM_FAULT("MessageBox")) return MsgAnswer::kFailed;  // as without a display
  boxes.push_back({text, caption, icon, buttons, open_files});
  if (answers.empty()) return buttons == MsgButtons::kOk ? MsgAnswer::kOk : MsgAnswer::kFailed;
  MsgAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace scr
